#pragma once
// The scan's thread pool: every file index handed out once to a fixed set of threads
// (the caller's among them). Costs one thread start per extra thread per call.
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace vorlane {

// Runs `task(i)` for every index below `count` on `threads` threads; an index is taken
// by exactly one thread. Fewer threads than asked for share the work when no more can
// be started.
template <typename Task>
void for_each_file(std::size_t count, unsigned threads, const Task& task) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) task(i);
    };
    std::vector<std::thread> pool;
    pool.reserve(threads > 0 ? threads - 1 : 0);
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the ones running and this one share the work.
    }
    work();
    for (std::thread& t : pool) t.join();
}

}  // namespace vorlane
