#pragma once
// The syntax-tree builder's project walk: the kit's walk (top-down, links to directories
// followed, the file system's own listing order, directory links leading out of the
// root or back to a directory being walked pruned) under this builder's own directory
// names and file types, without a build-output rule. Costs one listing per directory
// entered and one status query per candidate file.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/stop.hpp"

namespace vorlane_ast {

// The file types that the walk keeps, in the order they are tested. Directories named in
// kSkipDirs (constants.hpp) are never entered, wherever they are (exact case).
inline constexpr std::array<std::string_view, 11> SCAN_EXTS = {".go",    ".py",   ".js",   ".jsx", ".ts", ".tsx",
                                                               ".swift", ".json", ".yaml", ".yml", ".md"};

// Whether `path` names a file of a kept type outside a virtual environment: a pure test
// on the text ("/venv/" and "/.venv/" anywhere in it exclude it).
bool should_scan(std::string_view path);

// The files under `root`, each as the walked directory's path (derived from `root` as
// given, never resolved) joined with the file name, in walk order. The "venv" fragment
// test sees only the part of a path below the root, so a project that itself lies in
// such a folder is still walked. A missing root, or one that is a file, gives nothing.
// With `stop`, a stop request ends the walk with core::Stopped at the next directory.
std::vector<std::string> walk_files(std::string_view root, const core::StopFlag* stop = nullptr);

}  // namespace vorlane_ast
