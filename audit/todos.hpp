#pragma once
// TODO, FIXME, HACK and XXX markers (any case) followed by at least three characters on
// their line, in the project's source files: the first 40 {file, line, text} records in
// graph and line order; `text` is the whole match cut to 90 characters, then stripped.
// Every source file is read once and searched line by line, on up to `threads` threads
// (the result does not depend on their number).
#include "audit/readers.hpp"
#include "core/json.hpp"

namespace audit {

core::Json check_todos(const core::Json& graph, const SourceReader& read, unsigned threads = 1,
                       const core::StopFlag* stop = nullptr);

}  // namespace audit
