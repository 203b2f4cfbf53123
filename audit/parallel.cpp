#include "audit/parallel.hpp"

#include <algorithm>
#include <atomic>
#include <thread>

namespace audit {

unsigned default_threads() { return std::clamp(std::thread::hardware_concurrency(), 1u, 8u); }

std::vector<std::exception_ptr> parallel_for(std::size_t first, std::size_t last, unsigned threads,
                                             const std::function<void(std::size_t)>& fn) {
    const std::size_t n = last > first ? last - first : 0;
    std::vector<std::exception_ptr> errors(n);
    std::atomic<std::size_t> next{first};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < last;) {
            try {
                fn(i);
            } catch (...) {
                errors[i - first] = std::current_exception();
            }
        }
    };
    const std::size_t extra = std::min<std::size_t>(threads > 1 ? threads - 1 : 0, n > 1 ? n - 1 : 0);
    std::vector<std::thread> pool;
    pool.reserve(extra);
    for (std::size_t t = 0; t < extra; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    return errors;
}

void rethrow_first(const std::vector<std::exception_ptr>& errors) {
    for (const auto& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace audit
