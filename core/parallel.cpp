#include "core/parallel.hpp"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "core/stop.hpp"

namespace core {

unsigned thread_budget() {
    unsigned n = 0;
    // Only plain decimal digits count; anything else leaves the hardware's default.
    if (const char* env = std::getenv("VORLANE_THREADS"); env && *env) {
        unsigned v = 0;
        for (const char* c = env; *c; ++c) {
            if (*c < '0' || *c > '9') {
                v = 0;
                break;
            }
            v = std::min(v * 10 + static_cast<unsigned>(*c - '0'), 256u);
        }
        n = v;
    }
    return n ? n : std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
}

unsigned threads_for(std::size_t items, std::size_t per_thread) {
    const std::size_t useful = std::max<std::size_t>(1, items / std::max<std::size_t>(1, per_thread));
    return static_cast<unsigned>(std::min<std::size_t>(thread_budget(), useful));
}

namespace {

std::mutex kept_lock;
std::vector<std::shared_ptr<void>> kept;

}  // namespace

void keep_for_freeing(std::shared_ptr<void> value) {
    std::lock_guard<std::mutex> g(kept_lock);
    kept.push_back(std::move(value));
}

void free_kept() {
    std::vector<std::shared_ptr<void>> taken;
    {
        std::lock_guard<std::mutex> g(kept_lock);
        taken.swap(kept);
    }
    if (taken.empty()) return;
    auto owned = std::make_shared<std::vector<std::shared_ptr<void>>>(std::move(taken));
    try {
        std::thread([owned]() mutable { owned.reset(); }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: freed here, when `owned` goes.
    }
}

}  // namespace core
