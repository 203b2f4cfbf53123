#pragma once
// Exported symbols of source files that no "imports", "references" or "contains" edge
// targets: at most 50 {file, symbol, line, type} maps, sorted by file (stable).
// One pass over the edges and one over the nodes, with a hash set of targets.
#include "core/json.hpp"
#include "core/stop.hpp"

namespace audit {

core::Json check_dead_exports(const core::Json& graph, const core::StopFlag* stop = nullptr);

}  // namespace audit
