#pragma once
// Which extractor yields a file's symbols and import edges: the syntax-tree ones where
// their grammar loaded, else five fixed import patterns and, for symbols, a fallback the
// caller supplies (the pattern-based builder, bound through the host).
#include <functional>
#include <string_view>
#include <vector>

#include "core/records.hpp"
#include "core/stop.hpp"
#include "graph/kit/patterns.hpp"
#include "graph/vorlane_ast/extractors.hpp"

namespace vorlane_ast {

// The symbols of a file that no syntax-tree extractor takes: given the text, the file id
// and the extension.
using SymbolFallback = std::function<Symbols(std::string_view content, std::string_view file_id, std::string_view ext)>;

// The language a syntax tree of this extension's text is parsed with; null where no
// syntax tree takes the extension.
const TSLanguage* ast_language(const Languages& langs, std::string_view ext);
// Whether the syntax trees take this extension's symbols and imports.
bool ast_takes(const Languages& langs, std::string_view ext);

// In the three below, a file whose parse is given up (SyntaxTree) is taken as one whose
// grammar did not load: its edges come from the patterns, its symbols from `fallback`.

Symbols extract_symbols(const Languages& langs, std::string_view content, std::string_view file_id,
                        std::string_view ext, const SymbolFallback& fallback);
std::vector<core::Edge> extract_imports(const Languages& langs, std::string_view content, std::string_view file_id,
                                        std::string_view ext);

// A file's import edges and, when `with_symbols`, its symbols: the same as
// extract_imports and extract_symbols, with one parse for both where a syntax tree
// takes the file. With `stop`, a stop request ends a parse with core::Stopped.
struct FileFacts {
    std::vector<core::Edge> edges;
    Symbols symbols;
};
FileFacts extract_file(const Languages& langs, std::string_view content, std::string_view file_id, std::string_view ext,
                       bool with_symbols, const SymbolFallback& fallback, const core::StopFlag* stop = nullptr);

// The five fixed import patterns, each pattern's matches in text order, the patterns in
// table order; linear in the text.
std::vector<core::Edge> parse_relations_regex(std::string_view file_id, std::string_view text);

// The builder's own patterns in the host's syntax: the route decorator and the five
// fixed import patterns (shared with the pattern-based builder, bounded routines and all).
std::vector<graph_kit::PatternSpec> ast_patterns();

}  // namespace vorlane_ast
