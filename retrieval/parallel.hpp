#pragma once
// Splits an index range over a few threads for pure C++ work (no host calls inside).
// Small ranges run on the calling thread; an exception in any part is rethrown here.
#include <cstddef>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace retrieval {

// How many threads a range of `n` items is worth by the house's thread policy: one per
// 8192 items, within the thread budget.
unsigned worker_count(std::size_t n);

// Calls f(part, begin, end) over consecutive parts of [0, n), one part per worker;
// part numbers run from 0 to workers - 1 in the order of the range.
void parallel_for(std::size_t n, unsigned workers, const std::function<void(unsigned, std::size_t, std::size_t)>& f);

}  // namespace retrieval
