#pragma once
// How many threads a scan's file analysis runs on, by the house's thread policy
// (core/parallel.hpp). One environment lookup per call.
#include <cstddef>

namespace vorlane {

// How many threads analyse the files of a scan of `file_count` files: the thread
// budget (1 is the single-threaded path), never more than a quarter of the files.
unsigned scan_threads(std::size_t file_count);

}  // namespace vorlane
