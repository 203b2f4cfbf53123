#pragma once
#include <array>
#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/vorlane/frame.hpp"
#include "graph/vorlane/symbol_index.hpp"
#include "graph/vorlane/walker.hpp"

namespace vorlane {

// The graph's keys, in order, for both of its forms below.
inline constexpr std::array<std::string_view, 7> GRAPH_KEYS = {"root",         "node_count", "edge_count", "file_count",
                                                               "symbol_count", "nodes",      "edges"};

// The information graph of the tree under `root` (used unchanged, not resolved).
// `existing_nodes` is an object from file id to a stored node map, or null.
core::Json scan(std::string_view root, const core::Json& existing_nodes);
// The same, leaving out the given files and ending with core::Stopped at a stop request.
using ScanLimits = WalkLimits;
core::Json scan(std::string_view root, const core::Json& existing_nodes, const ScanLimits& limits);

// The graph of scan() as json_dumps_indent writes it and its symbol index as
// json_dumps writes it (symbol_index of the command), made without the document tree:
// each file's nodes and edges are written by the thread that analysed it.
struct GraphText {
    std::string graph, index;
    std::size_t node_count = 0, edge_count = 0, file_count = 0, symbol_count = 0, index_count = 0;
    // What making the symbol index raised (index is then empty); the graph stands.
    std::exception_ptr index_error;
};
GraphText scan_text(std::string_view root, const core::Json& existing_nodes);
// The same, with the earlier file nodes made by `load_existing` on a thread of its own
// while the tree is walked and its files analysed; what it made is left in `existing`.
// An error from `load_existing` ends the scan.
GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing);
GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing,
                    const ScanLimits& limits);

// symbol_index_entry (a stored symbol node's entry in the symbol index) lives in
// symbol_index.hpp.

// How many threads analyse the files of a scan of `file_count` files: VORLANE_THREADS
// when it holds a positive number (1 is the single-threaded path), else the hardware's
// count, never more than a quarter of the files.
unsigned scan_threads(std::size_t file_count);

// Appends, for each symbol record in order, its symbol node map (as node_as_dict writes
// it) to `nodes` and its "contains" edge from `file_id` to `edges`.
void append_symbol_nodes(core::Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext);

}  // namespace vorlane
