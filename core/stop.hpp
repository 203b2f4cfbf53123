#pragma once
// A request to end long work early, made from another thread (an interrupt from the
// user, say) and checked by the work at its own steps. Checking costs one relaxed load.
#include <atomic>
#include <exception>

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

}  // namespace core
