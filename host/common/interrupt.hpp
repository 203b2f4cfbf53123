#pragma once
// Long C++ work that the user can interrupt: the work runs with the interpreter's lock
// released, while the calling thread, when it is the host's main thread, runs the
// host's signal handlers every few milliseconds. When a handler raises (Ctrl-C gives
// KeyboardInterrupt), the work is asked to stop, waited for, and the handler's
// exception propagates; the work's result, if any, is dropped.
#include <functional>

#include "core/stop.hpp"

namespace host {

// Runs `work(stop)` as said above; the work's own exceptions propagate unchanged.
// Costs one extra thread per call on the main thread; elsewhere runs in place.
void run_interruptible(const std::function<void(const core::StopFlag& stop)>& work);

}  // namespace host
