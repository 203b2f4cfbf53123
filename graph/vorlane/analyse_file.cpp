#include "graph/vorlane/analyse_file.hpp"

#include <utility>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/kit/file_nodes.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/json_reads.hpp"
#include "graph/kit/node_text.hpp"
#include "graph/kit/symbol_index.hpp"
#include "graph/kit/tables.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/relations.hpp"
#include "graph/vorlane/summary.hpp"

namespace vorlane {

namespace {

using core::Json;

// A stored node taken over as it is: its text from its map, and its index entry when
// its stored kind makes it a symbol node.
void render_stored(graph_kit::FileResult& r, const Json& node) {
    std::string flat;
    core::json_write(flat, node, 2);
    r.node_text.push_back(graph_kit::nested_twice(flat));
    if (!graph_kit::has_kind(node, "symbol")) return;
    ++r.symbol_count;
    if (r.index_error) return;
    try {
        r.index_text.push_back(graph_kit::index_entry_text(node));
    } catch (...) {
        r.index_error = std::current_exception();
    }
}

void render_symbol(graph_kit::FileResult& r, const core::Node& n) {
    std::string text;
    graph_kit::write_node(text, n);
    r.node_text.push_back(std::move(text));
    ++r.symbol_count;
    r.index_text.push_back(graph_kit::index_entry_text(n));
}

}  // namespace

bool analyse_text(const std::string& path, std::string_view resolved_root, FileText& t, graph_kit::FileResult& out) {
    if (!graph_kit::read_listed_file(path, resolved_root, t)) return false;
    out.kept = true;
    out.file_id = t.file_id;
    try {
        out.edges = relations_of(t.file_id, t.exact_suffix, t.content);
        if (graph_kit::contains(SYMBOL_EXTS, t.ext)) t.syms = extract_symbols_for_file(t.content, t.file_id, t.ext);
    } catch (...) {
        t.error = std::current_exception();
    }
    return true;
}

void analyse_node(const graph_kit::Prior& prior, bool render, FileText& t, graph_kit::FileResult& out) {
    if (const Json* old = graph_kit::reusable(prior, t)) {
        Json node = graph_kit::taken_over(*old, t);
        if (render)
            render_stored(out, node);
        else
            out.nodes.push_back(std::move(node));
    } else {
        std::string summary = make_summary(t.content, t.file_id, t.ext);
        const core::Node n = graph_kit::file_node(t, std::move(summary), extract_keywords(t.content, t.ext));
        if (render) {
            std::string text;
            graph_kit::write_node(text, n);
            out.node_text.push_back(std::move(text));
        } else {
            out.nodes.push_back(core::node_as_dict(n));
        }
    }
    if (t.error) std::rethrow_exception(t.error);
    if (!render) {
        graph_kit::append_symbol_nodes(out.nodes, out.edges, t.syms, t.file_id, t.ext);
        return;
    }
    for (const core::SymbolRecord& s : t.syms) {
        render_symbol(out, graph_kit::symbol_node(s, t.file_id, t.ext));
        out.edges.push_back({t.file_id, s.id, "contains"});
    }
}

void analyse_file(const std::string& path, std::string_view resolved_root, const graph_kit::Prior& prior, bool render,
                  graph_kit::FileResult& out) {
    FileText t;
    if (analyse_text(path, resolved_root, t, out)) analyse_node(prior, render, t, out);
}

}  // namespace vorlane
