#pragma once
// The grammars linked into the test binary as the module's languages, and compact
// renderings of symbol records and edges for table tests.
#include <string>
#include <vector>

#include "core/records.hpp"
#include "graph/vorlane_ast/syntax.hpp"

extern "C" {
const TSLanguage* tree_sitter_typescript(void);
const TSLanguage* tree_sitter_tsx(void);
const TSLanguage* tree_sitter_javascript(void);
const TSLanguage* tree_sitter_python(void);
const TSLanguage* tree_sitter_go(void);
}

namespace ast_support {

// Two TSX texts on which the pinned grammar parses without end (10 and 29 bytes).
inline const std::vector<std::string> NEVER_ENDING_TSX = {"(x'://']=#", "function[<n m=>'{'l /*a:1/t;."};

inline vorlane_ast::Languages all_languages() {
    vorlane_ast::Languages l;
    l.ast = true;
    l.ts = tree_sitter_typescript();
    l.tsx = tree_sitter_tsx();
    l.js = tree_sitter_javascript();
    l.py = tree_sitter_python();
    l.go = tree_sitter_go();
    return l;
}

// "name type/confidence[/exported] start-end" per record.
inline std::vector<std::string> render(const std::vector<core::SymbolRecord>& syms) {
    std::vector<std::string> out;
    for (const auto& s : syms)
        out.push_back(s.name + " " + s.symbol_type + "/" + s.confidence + (s.exported ? "/exported" : "") + " " +
                      std::to_string(s.line_start) + "-" + std::to_string(s.line_end));
    return out;
}

// "rel:to" per edge.
inline std::vector<std::string> render(const std::vector<core::Edge>& edges) {
    std::vector<std::string> out;
    for (const auto& e : edges) out.push_back(e.rel + ":" + e.to);
    return out;
}

}  // namespace ast_support
