#pragma once
// The scan's vocabulary, shared by its entry points (scan.hpp) and the parts they call:
// what a walk leaves out, and the graph and symbol index as written (the graph's keys
// are the kit's, graph/kit/graph.hpp). Declarations only.
#include <cstddef>
#include <exception>
#include <string>

#include "graph/kit/walker.hpp"

namespace vorlane {

// What a scan leaves out beyond the builder's rules, and when it ends early.
using ScanLimits = graph_kit::WalkLimits;

// The graph of scan() as json_dumps_indent writes it and its symbol index as
// json_dumps writes it (graph_kit::symbol_index), made without the document tree:
// each file's nodes and edges are written by the thread that analysed it.
struct GraphText {
    std::string graph, index;
    std::size_t node_count = 0, edge_count = 0, file_count = 0, symbol_count = 0, index_count = 0;
    // What making the symbol index raised (index is then empty); the graph stands.
    std::exception_ptr index_error;
};

}  // namespace vorlane
