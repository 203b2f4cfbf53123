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

// The same walk under other rules (another builder's directory names and file types):
// `skip_dir` names directories never entered, `prune_build_output` turns on the test
// that prunes a "build" directory holding artefact folders, and `accept` is the file
// test, given the file's path below the root (so that the "venv" fragment test never
// sees the root's own part).
struct WalkRules {
    bool (*skip_dir)(std::string_view name);
    bool prune_build_output;
    bool (*accept)(std::string_view path_below_root);
};
std::vector<std::string> walk_files(std::string_view root, const WalkRules& rules);

// What a walk leaves out beyond the builder's rules, and when it ends early.
struct WalkLimits {
    // Resolved paths of files never listed (a command's own output files): a listed
    // file is resolved and compared only when its name is one of theirs.
    std::vector<std::string> leave_out;
    // Checked at each directory: core::Stopped once a stop is requested.
    const core::StopFlag* stop = nullptr;
};
std::vector<std::string> walk_files(std::string_view root, const WalkLimits& limits);
// Both at once: other rules, and what is left out beyond them.
std::vector<std::string> walk_files(std::string_view root, const WalkRules& rules, const WalkLimits& limits);

}  // namespace vorlane
