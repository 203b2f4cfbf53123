#include "graph/vorlane/analyse_file.hpp"

#include <utility>

#include "core/hash.hpp"
#include "core/paths.hpp"
#include "core/records.hpp"
#include "core/text.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/file_source.hpp"
#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/node_text.hpp"
#include "graph/vorlane/relations.hpp"
#include "graph/vorlane/summary.hpp"

namespace vorlane {

namespace {

using core::Json;

bool is_symbol(const Json& n) {
    auto kind = n.find("kind");
    return kind != n.end() && kind->is_string() && kind->get_ref<const std::string&>() == "symbol";
}

// A stored node taken over as it is: its text from its map, and its index entry when
// its stored kind makes it a symbol node.
void render_stored(FileResult& r, const Json& node) {
    std::string flat;
    core::json_write(flat, node, 2);
    r.node_text.push_back(nested_twice(flat));
    if (!is_symbol(node)) return;
    ++r.symbol_count;
    if (r.index_error) return;
    try {
        r.index_text.push_back(index_entry_text(node));
    } catch (...) {
        r.index_error = std::current_exception();
    }
}

void render_symbol(FileResult& r, const core::Node& n) {
    std::string text;
    write_node(text, n);
    r.node_text.push_back(std::move(text));
    ++r.symbol_count;
    r.index_text.push_back(index_entry_text(n));
}

core::Node symbol_node(const core::SymbolRecord& s, const std::string& file_id, const std::string& ext) {
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
    return n;
}

}  // namespace

void append_symbol_nodes(Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms, const std::string& file_id,
                         const std::string& ext) {
    for (const core::SymbolRecord& s : syms) {
        nodes.push_back(core::node_as_dict(symbol_node(s, file_id, ext)));
        edges.push_back({file_id, s.id, "contains"});
    }
}

bool analyse_text(const std::string& path, std::string_view resolved_root, FileText& t, FileResult& out) {
    if (!read_source(path, t.size, t.content)) return false;
    // A file whose id cannot be made is skipped as an unreadable one is.
    try {
        t.file_id = core::rel_under(path, resolved_root);
    } catch (const std::exception&) {
        return false;
    }
    out.kept = true;
    out.file_id = t.file_id;
    t.exact_suffix = core::paths::suffix(path);
    t.ext = core::lower(t.exact_suffix);
    t.fhash = core::md5_prefix8(t.content);
    try {
        out.edges = relations_of(t.file_id, t.exact_suffix, t.content);
        if (contains(SYMBOL_EXTS, t.ext)) t.syms = extract_symbols_for_file(t.content, t.file_id, t.ext);
    } catch (...) {
        t.error = std::current_exception();
    }
    return true;
}

void analyse_node(const Prior& prior, bool render, FileText& t, FileResult& out) {
    auto old = prior.find(t.file_id);
    if (old != prior.end() && hash_matches(*old->second, t.fhash)) {
        Json node = taken_over(*old->second, t.file_id, t.ext, t.size, t.content, t.fhash);
        if (render)
            render_stored(out, node);
        else
            out.nodes.push_back(std::move(node));
    } else {
        core::Node n;
        n.summary = make_summary(t.content, t.file_id, t.ext);
        n.id = t.file_id;
        n.kind = "file";
        n.path = t.file_id;
        n.ext = t.ext;
        n.size = t.size;
        n.keywords = extract_keywords(t.content, t.ext);
        n.content = content_prefix(t.content);
        n.file_hash = t.fhash;
        if (render) {
            std::string text;
            write_node(text, n);
            out.node_text.push_back(std::move(text));
        } else {
            out.nodes.push_back(core::node_as_dict(n));
        }
    }
    if (t.error) std::rethrow_exception(t.error);
    if (!render) {
        append_symbol_nodes(out.nodes, out.edges, t.syms, t.file_id, t.ext);
        return;
    }
    for (const core::SymbolRecord& s : t.syms) {
        render_symbol(out, symbol_node(s, t.file_id, t.ext));
        out.edges.push_back({t.file_id, s.id, "contains"});
    }
}

void analyse_file(const std::string& path, std::string_view resolved_root, const Prior& prior, bool render,
                  FileResult& out) {
    FileText t;
    if (analyse_text(path, resolved_root, t, out)) analyse_node(prior, render, t, out);
}

}  // namespace vorlane
