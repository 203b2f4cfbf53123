#pragma once
// The one small thread pool: `count` tasks spread over up to `threads` threads, the
// caller's among them, each index taken by exactly one thread as threads come free.
// Costs one thread start per extra thread per call; no thread outlives the call.
// Results stay in input order when each task writes its own slot. Beside it, the house's
// one thread policy: how many threads a piece of work may use.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace core {

// The threads the house's work may use at once: the positive count VORLANE_THREADS
// holds in plain decimal digits (1: every piece of work on its calling thread; at most
// 256), else the machine's hardware threads, at most 16. One environment lookup.
unsigned thread_budget();

// The threads `items` items are worth when a thread pays off only for `per_thread` of
// them: the budget, never more than items / per_thread, never fewer than 1.
unsigned threads_for(std::size_t items, std::size_t per_thread);

// Runs task(i) for every i below `count` on up to `threads` threads (never more than
// `count`; 0 or 1: on this thread, in order). When no more threads can be started, those
// running share the work. `task` must not throw: an exception on another thread ends the
// program (use parallel_for_each_caught for that).
template <typename Task>
void parallel_for_each(std::size_t count, unsigned threads, const Task& task) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) task(i);
    };
    const std::size_t extra = std::min<std::size_t>(threads > 1 ? threads - 1 : 0, count > 1 ? count - 1 : 0);
    std::vector<std::thread> pool;
    pool.reserve(extra);
    try {
        for (std::size_t t = 0; t < extra; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the ones running and this one share the work.
    }
    work();
    for (std::thread& t : pool) t.join();
}

// The same, with an exception of task(i) kept in slot i of the result (the others null)
// while the remaining tasks go on.
template <typename Task>
std::vector<std::exception_ptr> parallel_for_each_caught(std::size_t count, unsigned threads, const Task& task) {
    std::vector<std::exception_ptr> errors(count);
    parallel_for_each(count, threads, [&](std::size_t i) {
        try {
            task(i);
        } catch (...) {
            errors[i] = std::current_exception();
        }
    });
    return errors;
}

// Rethrows the first kept exception, in input order, if any.
inline void rethrow_first(const std::vector<std::exception_ptr>& errors) {
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace core
