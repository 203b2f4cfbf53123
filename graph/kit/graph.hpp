#pragma once
// The graph document both builders make: its keys in order, the counts, the node list
// and the edge list. The node and edge maps come from the records' key lists
// (core/records.hpp). Linear in the nodes (the symbol nodes are counted by kind).
#include <array>
#include <string_view>

#include "core/json.hpp"

namespace graph_kit {

// The graph's keys, in order, for both of its forms (the document and the written text).
inline constexpr std::array<std::string_view, 7> GRAPH_KEYS = {"root",         "node_count", "edge_count", "file_count",
                                                               "symbol_count", "nodes",      "edges"};

// The graph of `nodes` (node maps in graph order) and `edges` (edge maps) under `root`.
// A node counts as a symbol node by its kind, whatever made it (a taken-over node keeps
// its stored kind); every other node is a file node.
core::Json graph_document(std::string_view root, core::Json nodes, core::Json edges);

}  // namespace graph_kit
