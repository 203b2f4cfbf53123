#pragma once
// The scan's vocabulary, shared by its entry points (scan.hpp) and the parts they call:
// the graph's keys, what a walk leaves out, and the graph and symbol index as written.
// Declarations only.
#include <array>
#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "graph/vorlane/walker.hpp"

namespace vorlane {

// The graph's keys, in order, for both of its forms (the document and the written text).
inline constexpr std::array<std::string_view, 7> GRAPH_KEYS = {"root",         "node_count", "edge_count", "file_count",
                                                               "symbol_count", "nodes",      "edges"};

// What a scan leaves out beyond the builder's rules, and when it ends early.
using ScanLimits = WalkLimits;

// The graph of scan() as json_dumps_indent writes it and its symbol index as
// json_dumps writes it (symbol_index of the command), made without the document tree:
// each file's nodes and edges are written by the thread that analysed it.
struct GraphText {
    std::string graph, index;
    std::size_t node_count = 0, edge_count = 0, file_count = 0, symbol_count = 0, index_count = 0;
    // What making the symbol index raised (index is then empty); the graph stands.
    std::exception_ptr index_error;
};

}  // namespace vorlane
