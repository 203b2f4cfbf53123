#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/vorlane/frame.hpp"

namespace vorlane {

// The information graph of the tree under `root` (used unchanged, not resolved).
// `existing_nodes` is an object from file id to a stored node map, or null.
core::Json scan(std::string_view root, const core::Json& existing_nodes);

// Appends, for each symbol record in order, its symbol node map (as node_as_dict writes
// it) to `nodes` and its "contains" edge from `file_id` to `edges`.
void append_symbol_nodes(core::Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext);

}  // namespace vorlane
