#pragma once
// The graph builder's fixed tables (looked up with graph_kit::contains).
#include <array>
#include <cstddef>
#include <string_view>

#include "core/names.hpp"
#include "graph/kit/file_source.hpp"

namespace vorlane {

inline constexpr std::array<std::string_view, 17> SKIP_DIRS = {".git",
                                                               ".beads",
                                                               ".beads-hooks",
                                                               "node_modules",
                                                               "vendor",
                                                               "dist",
                                                               ".next",
                                                               ".idea",
                                                               ".vscode",
                                                               "__pycache__",
                                                               "venv",
                                                               ".venv",
                                                               core::names::DATA_DIR,
                                                               "Intermediate",
                                                               "Binaries",
                                                               "DerivedDataCache",
                                                               "Saved"};
inline constexpr std::array<std::string_view, 1> CONDITIONAL_SKIP = {"build"};
inline constexpr std::array<std::string_view, 5> ARTIFACT_MARKERS = {"classes", "libs", "generated", "tmp", "reports"};
// The size limit of a read file and of a node's stored content are the kit's, which reads.
using graph_kit::MAX_CONTENT_CHARS;
using graph_kit::MAX_FILE_BYTES;
inline constexpr std::array<std::string_view, 17> SYMBOL_EXTS = {".ts",    ".tsx", ".js",  ".jsx", ".py", ".rs",
                                                                 ".java",  ".cs",  ".rb",  ".php", ".kt", ".kts",
                                                                 ".scala", ".c",   ".cpp", ".h",   ".hpp"};
inline constexpr std::array<std::string_view, 24> SCAN_EXTS = {
    ".go", ".py",  ".js",    ".jsx", ".ts",  ".tsx", ".swift", ".rs",   ".java", ".cs",  ".rb", ".php",
    ".kt", ".kts", ".scala", ".c",   ".cpp", ".h",   ".hpp",   ".json", ".yaml", ".yml", ".md", ".xaml"};

}  // namespace vorlane
