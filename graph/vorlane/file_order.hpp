#pragma once
// The order in which threads take the files: largest first, so that no large file is
// left to the end while the other threads stand idle. One stat per file, on `threads`.
#include <cstddef>
#include <string>
#include <vector>

namespace vorlane {

// The indices of `files`, largest file first; equal sizes keep walk order.
std::vector<std::size_t> largest_first(const std::vector<std::string>& files, unsigned threads);

}  // namespace vorlane
