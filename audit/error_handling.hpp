#pragma once
// Symbols of source files whose excerpt makes a network or remote call with no
// error-handling keyword (try, catch, except, rescue) in it: {file, symbol, line}
// records in node order, stopping at the 25th. Rows are 1-based from `file`; rows of the
// builders' `path` form count from 0 and are shifted by one. Each file is read and split
// at most once per call; with `threads` above 1 the files are read ahead in small
// parallel batches (a walk that stops early may have read one batch further).
#include "audit/readers.hpp"
#include "core/json.hpp"

namespace audit {

core::Json check_missing_error_handling(const core::Json& graph, const SourceReader& read, unsigned threads = 1,
                                        const core::StopFlag* stop = nullptr);

}  // namespace audit
