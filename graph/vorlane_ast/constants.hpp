#pragma once
// The syntax-tree builder's fixed tables: the directories its walker never enters, the
// size cap of a scanned file, the length of a node's stored content, and the extensions
// that go through symbol extraction.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/names.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/tables.hpp"

namespace vorlane_ast {

inline constexpr std::array<std::string_view, 14> kSkipDirs = {
    ".git",  ".beads", ".beads-hooks", "node_modules", "vendor", "dist",  "build",
    ".next", ".idea",  ".vscode",      "__pycache__",  "venv",   ".venv", core::names::DATA_DIR};
// The size cap and the stored length are the kit's, which reads the files.
inline constexpr std::int64_t kMaxFileBytes = graph_kit::MAX_FILE_BYTES;
inline constexpr std::size_t kMaxContentChars = graph_kit::MAX_CONTENT_CHARS;
inline constexpr std::array<std::string_view, 7> kSymbolExts = {".ts", ".tsx", ".js", ".jsx", ".py", ".php", ".go"};

inline bool is_symbol_ext(std::string_view ext) { return graph_kit::contains(kSymbolExts, ext); }

}  // namespace vorlane_ast
