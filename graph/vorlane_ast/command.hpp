#pragma once
// The command's work once its options are parsed: the previous graph's file nodes, the
// graph and symbol index files (each written to a temporary file and renamed over the
// target), and the three report lines. Linear in the size of the graphs.
#include <string>
#include <string_view>

#include "core/json.hpp"

namespace vorlane_ast::command {

inline constexpr std::string_view DEFAULT_ROOT = ".";
inline constexpr std::string_view DEFAULT_OUT = ".nimbrel/info_graph.json";
inline constexpr std::string_view SYMBOL_INDEX_NAME = "symbol_index.json";
inline constexpr std::string_view REGEX_GRAPH_NAME = "info_graph_regex.json";

// The file nodes of the graph at `out_path` by id (a later node of an id replaces the
// earlier one in its place). A byte-order mark is accepted; anything unreadable or not
// of the graph's shape gives an empty object, never an error.
core::Json load_previous_nodes(const std::string& out_path);

// What a run wrote and reports.
struct Written {
    std::string out_path, index_path;
    std::size_t index_count = 0;
};
// Writes the graph to `out_path` (indented) and its symbol index beside it (one line).
Written write_graph(const core::Json& graph, const std::string& out_path);

// The three report lines, each ended by a line break.
std::string report(const core::Json& graph, const Written& w);

}  // namespace vorlane_ast::command
