#pragma once
// The project walk both builders make, under each builder's own rules: top-down, links
// to directories followed, in the file system's own listing order (nothing sorts),
// directory links that lead out of the root or back to a directory being walked
// pruned. Costs one listing per directory entered and one status query per candidate
// file (and, for build output, one listing of each directory so named).
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/stop.hpp"

namespace graph_kit {

// A builder's rules: `skip_dir` names directories never entered; a directory named in
// `output_dirs` that holds a subdirectory named in `artifact_dirs` is build output and
// is not entered either; `accept` is the file test, given the file's path below the
// root (so that a test of path fragments never sees the root's own part).
struct WalkRules {
    bool (*skip_dir)(std::string_view name);
    std::span<const std::string_view> output_dirs, artifact_dirs;
    bool (*accept)(std::string_view path_below_root);
};

// What a walk leaves out beyond the builder's rules, and when it ends early.
struct WalkLimits {
    // Resolved paths of files never listed (a command's own output files): a listed
    // file is resolved and compared only when its name is one of theirs.
    std::vector<std::string> leave_out;
    // Checked at each directory: core::Stopped once a stop is requested.
    const core::StopFlag* stop = nullptr;
};

// The files under `root`, each as the walked directory's path (derived from `root` as
// given, never resolved) joined with the file name, in walk order. A missing root, or
// one that is a file, gives nothing.
std::vector<std::string> walk_files(std::string_view root, const WalkRules& rules, const WalkLimits& limits);

// The file test both builders share: `path` lies outside a virtual environment
// ("/venv/" and "/.venv/" nowhere in it, either separator) and its lower-cased suffix
// is one of `suffixes`. A pure test on the text.
bool scannable(std::string_view path, std::span<const std::string_view> suffixes);

}  // namespace graph_kit
