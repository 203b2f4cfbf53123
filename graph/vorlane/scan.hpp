#pragma once
// The pattern-based builder's scan, its entry points: the information graph of the tree
// under a root as a document (scan) or as the written graph and symbol index
// (scan_text). Files are analysed on the scan's threads and gathered in walk order, so
// the graph is the same on one thread and on many; the vocabulary is in scan_types.hpp.
// Memory holds every scanned file's nodes (their stored content is capped) and edges.
#include <functional>
#include <string_view>

#include "core/json.hpp"
#include "graph/vorlane/scan_types.hpp"

namespace vorlane {

// The information graph of the tree under `root` (used unchanged, not resolved).
// `existing_nodes` is an object from file id to a stored node map, or null.
core::Json scan(std::string_view root, const core::Json& existing_nodes);
// The same, leaving out the given files and ending with core::Stopped at a stop request.
core::Json scan(std::string_view root, const core::Json& existing_nodes, const ScanLimits& limits);

GraphText scan_text(std::string_view root, const core::Json& existing_nodes);
// The same, with the earlier file nodes made by `load_existing` on a thread of its own
// while the tree is walked and its files analysed; what it made is left in `existing`.
// An error from `load_existing` ends the scan.
GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing);
GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing,
                    const ScanLimits& limits);

// symbol_index_entry (a stored symbol node's entry in the symbol index) lives in
// symbol_index.hpp.

}  // namespace vorlane
