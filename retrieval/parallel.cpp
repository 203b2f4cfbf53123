#include "retrieval/parallel.hpp"

#include <algorithm>

namespace retrieval {

unsigned worker_count(std::size_t n) {
    const unsigned hw = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t by_size = n / 8192 + 1;
    return static_cast<unsigned>(std::min<std::size_t>({4, hw, by_size}));
}

void parallel_for(std::size_t n, unsigned workers,
                  const std::function<void(unsigned, std::size_t, std::size_t)>& f) {
    if (workers <= 1 || n < 2) {
        f(0, 0, n);
        return;
    }
    const std::size_t part = (n + workers - 1) / workers;
    std::vector<std::exception_ptr> errors(workers);
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) {
        const std::size_t b = std::min(n, w * part), e = std::min(n, b + part);
        threads.emplace_back([&, w, b, e] {
            try {
                f(w, b, e);
            } catch (...) {
                errors[w] = std::current_exception();
            }
        });
    }
    try {
        f(0, 0, std::min(n, part));
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace retrieval
