#pragma once
// Dependency cycles along "imports" and "references" edges: a depth-first search from
// the first 300 sources (in order of first edge), each id expanded once, that starts no
// visit once 10 cycles are recorded (a visit under way still records every cycle it
// closes). Targets are walked in the order their edges were first seen. The search
// keeps its own stack, so it is linear in the edges plus the cycles it copies, at any
// depth.
#include "core/json.hpp"
#include "core/stop.hpp"

namespace audit {

core::Json check_circular_deps(const core::Json& graph, const core::StopFlag* stop = nullptr);

}  // namespace audit
