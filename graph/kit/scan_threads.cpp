#include "graph/kit/scan_threads.hpp"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace graph_kit {

unsigned scan_threads(std::size_t file_count) {
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
    if (n == 0) n = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
    // A thread for fewer than a handful of files costs more than it saves.
    const std::size_t useful = std::max<std::size_t>(1, file_count / 4);
    return static_cast<unsigned>(std::min<std::size_t>(n, useful));
}

}  // namespace graph_kit
