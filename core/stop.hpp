#pragma once
// A request to end long work early, made from another thread (an interrupt from the
// user, say) and checked by the work at its own steps. Checking costs one relaxed load.
#include <atomic>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
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

// Frees `value` on a thread of its own that nobody waits for, so that work ending on a
// stop request does not wait for a large document's freeing (seconds for a graph of a
// million nodes): the process that asked to stop goes on, or ends, meanwhile. Only for
// the way out of stopped work; freed in place when no thread can be started.
template <typename T>
void free_detached(T&& value) {
    auto owned = std::make_shared<T>(std::forward<T>(value));
    try {
        std::thread([owned]() mutable { owned.reset(); }).detach();
    } catch (const std::system_error&) {
    }
}

}  // namespace core
