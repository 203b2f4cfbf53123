#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// Whether a file path's location and suffix make it a file the builder reads.
bool should_scan(std::string_view path);
// The files of the tree under `root`, in walk order (never sorted).
std::vector<std::string> walk_files(std::string_view root);

}  // namespace vorlane
