#include "core/parallel.hpp"

#include <cstdlib>

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

}  // namespace core
