#include "graph/kit/scan_threads.hpp"

#include "core/parallel.hpp"

namespace graph_kit {

// A thread for fewer than a handful of files costs more than it saves.
unsigned scan_threads(std::size_t file_count) { return core::threads_for(file_count, 4); }

}  // namespace graph_kit
