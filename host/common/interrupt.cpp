#include "host/common/interrupt.hpp"

#include <pybind11/pybind11.h>

#include <chrono>
#include <future>

namespace host {

namespace py = pybind11;

namespace {

// What the work kept for freeing goes once it is over, however it ends.
struct FreeKeptAtEnd {
    ~FreeKeptAtEnd() { core::free_kept(); }
};

// Signal handlers run only on the main thread of the main interpreter.
bool on_main_thread() {
    py::module_ threading = py::module_::import("threading");
    return threading.attr("current_thread")().is(threading.attr("main_thread")());
}

// The wait of the main thread: the host's signal handlers run every few milliseconds.
void wait_running_handlers(std::future<void>& done, core::StopFlag& stop) {
    while (true) {
        {
            py::gil_scoped_release unlocked;
            if (done.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready) break;
        }
        if (PyErr_CheckSignals() != 0) {
            stop.request();
            {
                py::gil_scoped_release unlocked;
                done.wait();
            }
            throw py::error_already_set();
        }
    }
    done.get();
}

}  // namespace

void run_interruptible(const std::function<void(const core::StopFlag& stop)>& work) {
    core::StopFlag stop;
    const FreeKeptAtEnd free_kept;
    if (!on_main_thread()) {
        py::gil_scoped_release unlocked;
        work(stop);
        return;
    }
    std::future<void> done = std::async(std::launch::async, [&] { work(stop); });
    wait_running_handlers(done, stop);
}

void wait_interruptible(std::future<void>& done, core::StopFlag& stop) {
    const FreeKeptAtEnd free_kept;
    if (on_main_thread()) return wait_running_handlers(done, stop);
    py::gil_scoped_release unlocked;
    done.get();
}

}  // namespace host
