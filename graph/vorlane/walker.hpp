#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/stop.hpp"

namespace vorlane {

// Whether a file path's location and suffix make it a file the builder reads.
bool should_scan(std::string_view path);
// The files of the tree under `root`, in walk order (never sorted).
std::vector<std::string> walk_files(std::string_view root);

// What a walk leaves out beyond the builder's rules, and when it ends early.
struct WalkLimits {
    // Resolved paths of files never listed (a command's own output files): a listed
    // file is resolved and compared only when its name is one of theirs.
    std::vector<std::string> leave_out;
    // Checked at each directory: core::Stopped once a stop is requested.
    const core::StopFlag* stop = nullptr;
};
std::vector<std::string> walk_files(std::string_view root, const WalkLimits& limits);

}  // namespace vorlane
