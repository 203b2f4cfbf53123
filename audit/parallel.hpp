#pragma once
// Per-file work of the source checks spread over a few threads, with the results kept in
// input order so that a check's output does not depend on the thread count.
#include <cstddef>
#include <exception>
#include <functional>
#include <vector>

namespace audit {

// Calls fn(i) for every i in [first, last) on up to `threads` threads (1: in this thread,
// in order). An exception of fn(i) is kept in slot i - first of the result; the others
// are null. Each index is handed to exactly one call.
std::vector<std::exception_ptr> parallel_for(std::size_t first, std::size_t last, unsigned threads,
                                             const std::function<void(std::size_t)>& fn);

// Rethrows the first kept exception, if any.
void rethrow_first(const std::vector<std::exception_ptr>& errors);

}  // namespace audit
