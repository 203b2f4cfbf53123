#include "graph/vorlane_ast/scan.hpp"

#include <atomic>
#include <exception>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/hash.hpp"
#include "core/parallel.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/vorlane/analyse_file.hpp"
#include "graph/vorlane/scan_io.hpp"
#include "graph/vorlane/scan_threads.hpp"
#include "graph/vorlane_ast/constants.hpp"
#include "graph/vorlane_ast/keywords.hpp"
#include "graph/vorlane_ast/peers.hpp"
#include "graph/vorlane_ast/runtime/alloc.h"
#include "graph/vorlane_ast/summary.hpp"
#include "graph/vorlane_ast/walker.hpp"

namespace vorlane_ast {

namespace {

using core::Json;

// Everything one listed file adds to the graph, made independently of the other files.
struct FileResult {
    bool kept = false;         // false: skipped, adds nothing
    std::string id;            // its file id, when kept
    std::exception_ptr error;  // what ended its analysis
    Json nodes = Json::array();
    std::vector<core::Edge> edges;
};

bool is_text(const Json& v, std::string_view s) { return v.is_string() && v.get_ref<const std::string&>() == s; }

// prior.get(key, fallback)
Json get_or(const Json& prior, const char* key, Json fallback) {
    auto it = prior.find(key);
    return it == prior.end() ? std::move(fallback) : *it;
}

// The node map as the record's as_dict writes it: the common keys, then the file keys
// when the kind is "file", else the symbol keys at their defaults.
Json file_node(Json id, Json kind, Json path, Json ext, Json size, Json keywords, Json content, Json summary,
               std::string file_hash) {
    Json n = Json::object();
    const bool file = is_text(kind, "file");
    n["id"] = std::move(id);
    n["kind"] = std::move(kind);
    n["path"] = std::move(path);
    n["ext"] = std::move(ext);
    n["size"] = std::move(size);
    n["keywords"] = std::move(keywords);
    if (file) {
        n["content"] = std::move(content);
        n["summary"] = std::move(summary);
        n["file_hash"] = std::move(file_hash);
    } else {
        n["symbol_type"] = "";
        n["name"] = "";
        n["line_start"] = 0;
        n["line_end"] = 0;
        n["body_hash"] = "";
        n["confidence"] = "";
        n["exported"] = false;
    }
    return n;
}

struct Context {
    std::string_view root;
    std::string resolved_root;
    const Json& prior;
    const Languages& langs;
    const SymbolFallback& fallback;
};

void analyse(const Context& cx, const std::string& path, FileResult& out) {
    // The size and the text; a file that cannot be read is skipped.
    const core::fs::Status st = core::fs::current().stat(path);
    if (!st.ok() || st.size > static_cast<std::uint64_t>(kMaxFileBytes)) return;
    std::string raw;
    if (vorlane::read_file(path, raw) != 0) return;
    const std::string text = core::decode_text_mode(raw);
    raw = {};
    // A file whose id cannot be formed is skipped like an unreadable one.
    try {
        out.id = core::rel_under(path, cx.resolved_root);
    } catch (const std::exception&) {
        return;
    }
    out.kept = true;
    try {
        const std::string ext = core::lower(core::paths::suffix(path));
        const std::string hash = core::md5_prefix8(text);
        const auto size = static_cast<std::int64_t>(st.size);

        auto it = cx.prior.is_object() ? cx.prior.find(out.id) : cx.prior.end();
        const bool reuse = cx.prior.is_object() && it != cx.prior.end() && it->is_object() &&
                           it->contains("file_hash") && is_text((*it)["file_hash"], hash);
        if (reuse) {
            const Json& p = *it;
            auto id = p.find("id");
            if (id == p.end()) throw core::KeyError("id");
            out.nodes.push_back(file_node(*id, get_or(p, "kind", "file"), get_or(p, "path", out.id),
                                          get_or(p, "ext", ext), get_or(p, "size", size),
                                          get_or(p, "keywords", Json::array()),
                                          get_or(p, "content", std::string(core::cp_prefix(text, kMaxContentChars))),
                                          get_or(p, "summary", ""), hash));
        } else {
            std::string summary = make_summary(text, out.id, ext);
            Json keywords = extract_keywords(text, ext);
            out.nodes.push_back(file_node(out.id, "file", out.id, ext, size, std::move(keywords),
                                          std::string(core::cp_prefix(text, kMaxContentChars)), std::move(summary),
                                          hash));
        }
        FileFacts facts = extract_file(cx.langs, text, out.id, ext, is_symbol_ext(ext), cx.fallback);
        out.edges = std::move(facts.edges);
        vorlane::append_symbol_nodes(out.nodes, out.edges, facts.symbols, out.id, ext);
    } catch (...) {
        out.error = std::current_exception();
    }
}

}  // namespace

Json scan(std::string_view root, const Json& existing_nodes, const Languages& langs, const SymbolFallback& fallback,
          const core::StopFlag* stop) {
    const std::vector<std::string> files = walk_files(root, stop);
    const Json empty = Json::object();
    const bool has_prior = existing_nodes.is_object() && !existing_nodes.empty();
    const Context cx{root, core::paths::resolve(root), has_prior ? existing_nodes : empty, langs, fallback};

    std::vector<FileResult> results(files.size());
    core::parallel_for_each(files.size(), vorlane::scan_threads(files.size()), [&](std::size_t i) {
        if (!(stop && stop->requested())) analyse(cx, files[i], results[i]);
    });
    // The other threads gave their kept parse blocks back as they ended; so does this one.
    vorlane_ts_release_thread_cache();
    core::check_stop(stop);

    // Walk order; a file id met again (a directory reached twice through a link) keeps
    // its first file.
    Json nodes = Json::array();
    std::vector<core::Edge> edges;
    std::vector<std::string> file_ids;
    std::unordered_set<std::string> seen;
    for (FileResult& r : results) {
        if (!r.kept || !seen.insert(r.id).second) continue;
        if (r.error) std::rethrow_exception(r.error);
        for (Json& n : r.nodes) {
            if (is_text(n["kind"], "file") && n["id"].is_string()) file_ids.push_back(n["id"].get<std::string>());
            nodes.push_back(std::move(n));
        }
        for (core::Edge& e : r.edges) edges.push_back(std::move(e));
        r = FileResult{};
    }
    for (core::Edge& e : structural_peer_edges(file_ids)) edges.push_back(std::move(e));
    edges = core::dedupe_edges(edges);

    std::size_t symbol_count = 0;
    for (const Json& n : nodes)
        if (is_text(n["kind"], "symbol")) ++symbol_count;
    Json out_edges = Json::array();
    for (const core::Edge& e : edges) out_edges.push_back(core::edge_json(e));

    Json g = Json::object();
    g["root"] = std::string(root);
    g["node_count"] = nodes.size();
    g["edge_count"] = out_edges.size();
    g["file_count"] = nodes.size() - symbol_count;
    g["symbol_count"] = symbol_count;
    g["nodes"] = std::move(nodes);
    g["edges"] = std::move(out_edges);
    g["ast_mode"] = langs.ast;
    return g;
}

}  // namespace vorlane_ast
