#pragma once
// The syntax-tree builder's file keywords: the method words and path segments of route
// registrations in any file, then by type the names a TypeScript or JavaScript file
// exports, a Python file's top-level function and class names, a Go file's function and
// then type names, each name with its camel-case pieces, gathered by the kit's keyword
// accumulator (lower-case, at least 3 characters, no "_" at either end, each once, at
// most graph_kit::MAX_KEYWORDS in first-seen order). Linear in the text: the two
// patterns that would rescan the text per start have bounded routines.
#include <string>
#include <string_view>
#include <vector>

#include "graph/kit/patterns.hpp"

namespace vorlane_ast {

// `ext` is the lower-cased extension with its dot ("" when there is none).
std::vector<std::string> extract_keywords(std::string_view content, std::string_view ext);

// The patterns above as the host writes them, in the order they run.
std::vector<graph_kit::PatternSpec> keyword_patterns();

}  // namespace vorlane_ast
