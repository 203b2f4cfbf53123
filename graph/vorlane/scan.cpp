#include "graph/vorlane/scan.hpp"

#include <sys/stat.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/hash.hpp"
#include "core/paths.hpp"
#include "core/records.hpp"
#include "core/text.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/relations.hpp"
#include "graph/vorlane/scan_io.hpp"
#include "graph/vorlane/summary.hpp"
#include "graph/vorlane/walker.hpp"

namespace vorlane {

namespace {

using core::Json;

// The stored node maps by file id.
using Prior = std::unordered_map<std::string, const Json*>;

Prior index_prior(const Json& existing_nodes) {
    Prior prior;
    if (!existing_nodes.is_object()) return prior;
    for (const auto& [id, node] : existing_nodes.items()) prior.emplace(id, &node);
    return prior;
}

// The file's text as the scan reads it; false when it is too large or cannot be read.
bool read_source(const std::string& path, std::int64_t& size, std::string& content) {
    struct stat st;
    if (::stat(core::paths::fs_encode(path).c_str(), &st) != 0) return false;
    size = static_cast<std::int64_t>(st.st_size);
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > MAX_FILE_BYTES) return false;
    std::string bytes;
    if (read_file(path, bytes) != 0) return false;
    content = core::decode_text_mode(bytes);
    return true;
}

// The stored value under `key`, or `fallback` when the key is absent; a stored null or
// a value of another type is taken as it is.
Json stored(const Json& old, const char* key, Json fallback) {
    auto it = old.find(key);
    return it == old.end() ? std::move(fallback) : *it;
}

// The node that takes over an unchanged file's stored keywords, summary and text. The
// keys follow the node map's order; only a kind of exactly "file" carries the file keys.
Json taken_over(const Json& old, const std::string& file_id, const std::string& ext, std::int64_t size,
                const std::string& content, const std::string& fhash) {
    auto id = old.find("id");
    if (id == old.end()) throw core::KeyError("id");
    const Json kind = stored(old, "kind", "file");
    const bool file = kind.is_string() && kind.get_ref<const std::string&>() == "file";
    // The node map of a record of that kind gives the keys, their order and the defaults.
    core::Node shape;
    shape.kind = file ? "file" : "";
    Json n = core::node_as_dict(shape);
    n["id"] = *id;
    n["kind"] = kind;
    n["path"] = stored(old, "path", file_id);
    n["ext"] = stored(old, "ext", ext);
    n["size"] = stored(old, "size", size);
    n["keywords"] = stored(old, "keywords", Json::array());
    if (file) {
        auto it = old.find("content");
        n["content"] = it == old.end() ? Json(std::string(core::cp_prefix(content, MAX_CONTENT_CHARS))) : *it;
        n["summary"] = stored(old, "summary", "");
        n["file_hash"] = fhash;
    }
    return n;
}

bool hash_matches(const Json& old, const std::string& fhash) {
    if (!old.is_object()) return false;
    auto it = old.find("file_hash");
    return it != old.end() && it->is_string() && it->get_ref<const std::string&>() == fhash;
}

}  // namespace

void append_symbol_nodes(Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext) {
    for (const core::SymbolRecord& s : syms) {
        core::Node n;
        n.id = s.id;
        n.kind = "symbol";
        n.path = file_id;
        n.ext = ext;
        n.size = s.line_end - s.line_start + 1;
        n.keywords = s.keywords;
        n.symbol_type = s.symbol_type;
        n.name = s.name;
        n.line_start = s.line_start;
        n.line_end = s.line_end;
        n.body_hash = s.body_hash;
        n.confidence = s.confidence;
        n.exported = s.exported;
        nodes.push_back(core::node_as_dict(n));
        edges.push_back({file_id, s.id, "contains"});
    }
}

core::Json scan(std::string_view root, const core::Json& existing_nodes) {
    const std::vector<std::string> files = walk_files(root);
    const Prior prior = index_prior(existing_nodes);
    Json nodes = Json::array();
    std::vector<core::Edge> edges;

    std::string content;
    for (const std::string& path : files) {
        std::int64_t size = 0;
        if (!read_source(path, size, content)) continue;
        const std::string file_id = core::rel(path, root);
        const std::string exact_suffix = core::paths::suffix(path);
        const std::string ext = core::lower(exact_suffix);
        const std::string fhash = core::md5_prefix8(content);

        auto old = prior.find(file_id);
        if (old != prior.end() && hash_matches(*old->second, fhash)) {
            nodes.push_back(taken_over(*old->second, file_id, ext, size, content, fhash));
        } else {
            core::Node n;
            n.summary = make_summary(content, file_id, ext);
            n.id = file_id;
            n.kind = "file";
            n.path = file_id;
            n.ext = ext;
            n.size = size;
            n.keywords = extract_keywords(content, ext);
            n.content = std::string(core::cp_prefix(content, MAX_CONTENT_CHARS));
            n.file_hash = fhash;
            nodes.push_back(core::node_as_dict(n));
        }

        for (core::Edge& e : relations_of(file_id, exact_suffix, content)) edges.push_back(std::move(e));
        if (contains(SYMBOL_EXTS, ext))
            append_symbol_nodes(nodes, edges, extract_symbols_for_file(content, file_id, ext), file_id, ext);
    }

    const std::vector<core::Edge> unique_edges = core::dedupe_edges(edges);
    std::size_t symbol_count = 0;
    for (const Json& n : nodes) {
        const Json& kind = n["kind"];
        if (kind.is_string() && kind.get_ref<const std::string&>() == "symbol") ++symbol_count;
    }

    Json g = Json::object();
    g["root"] = std::string(root);
    g["node_count"] = nodes.size();
    g["edge_count"] = unique_edges.size();
    g["file_count"] = nodes.size() - symbol_count;
    g["symbol_count"] = symbol_count;
    g["nodes"] = std::move(nodes);
    Json out_edges = Json::array();
    for (const core::Edge& e : unique_edges) out_edges.push_back(core::edge_json(e));
    g["edges"] = std::move(out_edges);
    return g;
}

}  // namespace vorlane
