#pragma once
// Duplicated code: symbols of source files that share a non-empty body hash and span at
// least 10 rows, grouped by hash (groups of two or more), ordered by copies times lines
// (stable), at most 12 groups of {copies, lines, symbols: first 5 {file, name, line}}.
// Linear in the nodes plus the sort of the groups.
#include "core/json.hpp"
#include "core/stop.hpp"

namespace audit {

core::Json check_copy_paste(const core::Json& graph, const core::StopFlag* stop = nullptr);

}  // namespace audit
