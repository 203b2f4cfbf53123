#pragma once
// The file summary of the syntax-tree builder: a lead sentence (a Python docstring or a
// block comment that opens the file, else the first substantial of the first five
// lines, else a sentence made from the path) and a sentence naming up to five top-level
// functions and classes of Python, TypeScript and JavaScript files. At most 250
// characters. The lead patterns look at the start of the text only and the name search
// stops at five names, so the cost is linear in the text at worst.
#include <string>
#include <string_view>
#include <vector>

#include "graph/kit/patterns.hpp"

namespace vorlane_ast {

// `path` is the file id (either separator), `ext` the lower-cased extension with its dot.
std::string make_summary(std::string_view content, std::string_view path, std::string_view ext);

// The patterns that this summary runs, as the host writes them.
std::vector<graph_kit::PatternSpec> summary_patterns();

}  // namespace vorlane_ast
