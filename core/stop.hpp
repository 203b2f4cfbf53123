#pragma once
// A request to end long work early, made from another thread (an interrupt from the
// user, say) and checked by the work at its own steps. Checking costs one relaxed load.
#include <atomic>
#include <exception>
#include <memory>
#include <type_traits>
#include <utility>

namespace core {

class StopFlag {
public:
    void request() { flag_.store(true, std::memory_order_relaxed); }
    bool requested() const { return flag_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> flag_{false};
};

// What work that honoured a stop request ends with; it made no result.
struct Stopped : std::exception {
    const char* what() const noexcept override { return "stopped on request"; }
};

// Throws Stopped when `stop` is given and a stop was requested.
inline void check_stop(const StopFlag* stop) {
    if (stop && stop->requested()) throw Stopped();
}

// Large values whose freeing need not hold up the work that made them (seconds for a
// graph of a million nodes): kept aside until the work is over, then freed by
// free_kept() on one thread of its own that nobody waits for, so that the freeing never
// runs beside the work's own threads and a process that was asked to stop goes on, or
// ends, meanwhile. Whoever runs the work calls free_kept() once it has ended.
void keep_for_freeing(std::shared_ptr<void> value);

template <typename T>
void keep_for_freeing(T&& value) {
    keep_for_freeing(std::shared_ptr<void>(std::make_shared<std::decay_t<T>>(std::forward<T>(value))));
}

// Frees what keep_for_freeing() kept, on a thread of its own (here when none can start).
void free_kept();

}  // namespace core
