#include "graph/vorlane/scan_threads.hpp"

#include "core/parallel.hpp"

namespace vorlane {

// A thread for fewer than a handful of files costs more than it saves.
unsigned scan_threads(std::size_t file_count) { return core::threads_for(file_count, 4); }

}  // namespace vorlane
