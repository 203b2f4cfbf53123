#pragma once
// Route-like source files (routes, controllers, handlers, views, api anywhere in the id)
// that call a database directly: at most 10 {file, count, lines, patterns} records,
// sorted by match count (stable). Each qualifying file is read once and scanned once as
// a whole and once line by line, on up to `threads` threads (the result does not depend
// on their number).
#include "audit/readers.hpp"
#include "core/json.hpp"

namespace audit {

core::Json check_db_in_routes(const core::Json& graph, const SourceReader& read, unsigned threads = 1,
                              const core::StopFlag* stop = nullptr);

}  // namespace audit
