#include "graph/vorlane/graph_text.hpp"

#include <string>

#include "graph/kit/file_result.hpp"
#include "graph/kit/graph.hpp"
#include "graph/kit/node_text.hpp"
#include "graph/kit/symbol_index.hpp"

namespace vorlane {

GraphText assemble(std::string_view root, std::vector<graph_kit::FileResult>& results) {
    GraphText out;
    std::size_t node_bytes = 0;
    for (const graph_kit::FileResult& r : results) {
        out.node_count += r.node_text.size();
        out.symbol_count += r.symbol_count;
        for (const std::string& t : r.node_text) node_bytes += t.size() + 6;
    }
    out.file_count = out.node_count - out.symbol_count;

    // The edges are written while they are de-duplicated, the header after them, when
    // their count is known.
    std::string edges;
    graph_kit::JsonText ew(edges);
    graph_kit::for_each_new_edge(results, [&](const core::Edge& e) {
        ew.raw(out.edge_count++ ? ",\n    " : "[\n    ");
        graph_kit::write_edge(ew, e);
    });
    ew.raw(out.edge_count ? "\n  ]" : "[]");

    // The document as json_dumps_indent lays it out: members at level 1, the node and
    // edge maps at level 2.
    std::string& g = out.graph;
    g.reserve(node_bytes + edges.size() + 256);
    graph_kit::JsonText w(g);
    w.raw("{");
    w.key(graph_kit::GRAPH_KEYS[0], 2, true);
    w.str(root);
    const std::size_t counts[] = {out.node_count, out.edge_count, out.file_count, out.symbol_count};
    for (std::size_t i = 0; i < 4; ++i) {
        w.key(graph_kit::GRAPH_KEYS[1 + i], 2, false);
        w.num(static_cast<std::int64_t>(counts[i]));
    }
    w.key(graph_kit::GRAPH_KEYS[5], 2, false);
    const char* sep = "[\n    ";
    for (graph_kit::FileResult& r : results) {
        for (const std::string& t : r.node_text) {
            g += sep;
            g += t;
            sep = ",\n    ";
        }
        r.node_text = {};
    }
    g += out.node_count ? "\n  ]" : "[]";
    w.key(graph_kit::GRAPH_KEYS[6], 2, false);
    g += edges;
    g += "\n}";
    edges = {};

    // The symbol index in node order. Making it stops at the first node that fails.
    graph_kit::SymbolIndex index;
    for (const graph_kit::FileResult& r : results) {
        for (const graph_kit::IndexEntry& e : r.index_text) index.add(e);
        if (r.index_error) {
            out.index_error = r.index_error;
            return out;
        }
    }
    out.index = index.text();
    out.index_count = index.size();
    return out;
}

}  // namespace vorlane
