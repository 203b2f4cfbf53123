#pragma once
// The graph builder's fixed tables (looked up with graph_kit::contains).
#include <array>
#include <cstddef>
#include <string_view>

namespace vorlane {

inline constexpr std::array<std::string_view, 17> SKIP_DIRS = {
    ".git",     ".beads",       ".beads-hooks", "node_modules",     "vendor", "dist",
    ".next",    ".idea",        ".vscode",      "__pycache__",      "venv",   ".venv",
    ".nimbrel", "Intermediate", "Binaries",     "DerivedDataCache", "Saved"};
inline constexpr std::array<std::string_view, 1> CONDITIONAL_SKIP = {"build"};
inline constexpr std::array<std::string_view, 5> ARTIFACT_MARKERS = {"classes", "libs", "generated", "tmp", "reports"};
inline constexpr std::size_t MAX_FILE_BYTES = 300000;
inline constexpr std::size_t MAX_CONTENT_CHARS = 24000;
inline constexpr std::array<std::string_view, 17> SYMBOL_EXTS = {".ts",    ".tsx", ".js",  ".jsx", ".py", ".rs",
                                                                 ".java",  ".cs",  ".rb",  ".php", ".kt", ".kts",
                                                                 ".scala", ".c",   ".cpp", ".h",   ".hpp"};
inline constexpr std::array<std::string_view, 24> SCAN_EXTS = {
    ".go", ".py",  ".js",    ".jsx", ".ts",  ".tsx", ".swift", ".rs",   ".java", ".cs",  ".rb", ".php",
    ".kt", ".kts", ".scala", ".c",   ".cpp", ".h",   ".hpp",   ".json", ".yaml", ".yml", ".md", ".xaml"};

}  // namespace vorlane
