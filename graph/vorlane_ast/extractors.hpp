#pragma once
// The syntax-tree extractors: symbols and import edges of TypeScript, TSX, JavaScript
// (with JSX), Python and Go texts. Each call parses the text once and visits every node
// once, in pre-order; symbol records are made in the kit's symbol frame, as the
// pattern-based extractors make them (first name wins, rows from the parser, body
// hashes over the host's lines).
#include <string_view>
#include <vector>

#include "core/records.hpp"
#include "graph/kit/frame.hpp"
#include "graph/vorlane_ast/syntax.hpp"

namespace vorlane_ast {

using graph_kit::Symbols;

// ".tsx" takes the TSX dialect, ".js" and ".jsx" the JavaScript grammar, anything else
// the TypeScript dialect. Empty when the syntax trees are unavailable, and when the parse
// is given up (SyntaxTree): the dispatch then takes the fallback.
Symbols extract_symbols_ts_ast(const Languages& langs, std::string_view content, std::string_view file_path,
                               std::string_view ext);
Symbols extract_symbols_py_ast(const Languages& langs, std::string_view content, std::string_view file_path);
// Empty without the Go grammar.
Symbols extract_symbols_go_ast(const Languages& langs, std::string_view content, std::string_view file_path);

std::vector<core::Edge> extract_imports_ts_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path, std::string_view ext);
std::vector<core::Edge> extract_imports_py_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path);
std::vector<core::Edge> extract_imports_go_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path);

// The same walks over a tree already parsed from `content` with the grammar `g`, so that
// one parse can serve both the imports and the symbols of a file.
Symbols symbols_ts(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path);
Symbols symbols_py(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path);
Symbols symbols_go(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path);
void imports_ts(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out);
void imports_py(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out);
void imports_go(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out);

// The language object an extension's TypeScript/JavaScript text is parsed with.
const TSLanguage* ts_language_for(const Languages& langs, std::string_view ext);

// The pattern that marks a web-route decorator of a Python file, in the host's syntax,
// with its flags (core::ReFlags).
inline constexpr std::string_view kRouteDecorator =
    R"re(@(?:app|router|blueprint)\.(?:get|post|put|delete|patch)\s*\()re";

}  // namespace vorlane_ast
