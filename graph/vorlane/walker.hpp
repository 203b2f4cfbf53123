#pragma once
// The pattern-based builder's walk: the kit's walk (graph/kit/walker.hpp) under this
// builder's directory names, its build-output rule and its file types.
#include <string>
#include <string_view>
#include <vector>

#include "graph/kit/walker.hpp"

namespace vorlane {

// Whether a file path's location and suffix make it a file the builder reads.
bool should_scan(std::string_view path);
// The files of the tree under `root`, in walk order (never sorted).
std::vector<std::string> walk_files(std::string_view root);
// The same, leaving out the given files and stopping at a stop request.
std::vector<std::string> walk_files(std::string_view root, const graph_kit::WalkLimits& limits);

}  // namespace vorlane
