#pragma once
// Long C++ work that the user can interrupt: the work runs with the interpreter's lock
// released, while the calling thread, when it is the host's main thread, runs the
// host's signal handlers every few milliseconds. When a handler raises (Ctrl-C gives
// KeyboardInterrupt), the work is asked to stop, waited for, and the handler's
// exception propagates; the work's result, if any, is dropped. Once the work is over,
// what it kept for freeing (core::keep_for_freeing) is freed on a thread of its own.
#include <functional>
#include <future>

#include "core/stop.hpp"

namespace host {

// Runs `work(stop)` as said above; the work's own exceptions propagate unchanged.
// Costs one extra thread per call on the main thread; elsewhere runs in place.
void run_interruptible(const std::function<void(const core::StopFlag& stop)>& work);

// Waits for work already started on another thread with `stop` as its stop flag, as
// run_interruptible does: on the host's main thread a raising signal handler asks the
// work to stop, waits for it and propagates; the work's own exceptions propagate.
void wait_interruptible(std::future<void>& done, core::StopFlag& stop);

}  // namespace host
