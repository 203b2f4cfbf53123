#include "retrieval/parallel.hpp"

#include <algorithm>

#include "core/parallel.hpp"

namespace retrieval {

unsigned worker_count(std::size_t n) { return core::threads_for(n, 8192); }

void parallel_for(std::size_t n, unsigned workers, const std::function<void(unsigned, std::size_t, std::size_t)>& f) {
    if (workers <= 1 || n < 2) {
        f(0, 0, n);
        return;
    }
    // One task per part, so each part keeps its number whichever thread runs it.
    const std::size_t part = (n + workers - 1) / workers;
    core::rethrow_first(core::parallel_for_each_caught(workers, workers, [&](std::size_t w) {
        const std::size_t b = std::min(n, w * part), e = std::min(n, b + part);
        f(static_cast<unsigned>(w), b, e);
    }));
}

}  // namespace retrieval
