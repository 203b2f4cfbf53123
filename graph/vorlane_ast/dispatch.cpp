#include "graph/vorlane_ast/dispatch.hpp"

#include <array>
#include <stdexcept>
#include <utility>

#include "graph/kit/pattern_table.hpp"
#include "graph/vorlane/patterns.hpp"
#include "graph/vorlane_ast/visitors.hpp"

namespace vorlane_ast {

namespace {

bool is_ts_family(std::string_view ext) { return ext == ".ts" || ext == ".tsx" || ext == ".js" || ext == ".jsx"; }

// The pattern-based builder's first five relation patterns are these five, with their
// bounded routines; they are taken from its table by label.
constexpr std::array<std::pair<std::string_view, const char*>, 5> kFallback = {{
    {"rel_quoted_import", "imports"},
    {"rel_import_from", "imports"},
    {"rel_require_call", "requires"},
    {"rel_import_line", "imports"},
    {"rel_from_import_line", "imports"},
}};

std::vector<graph_kit::PatternSpec> fallback_specs() {
    std::vector<graph_kit::PatternSpec> out;
    const auto all = vorlane::relation_patterns();
    for (const auto& [label, rel] : kFallback) {
        bool found = false;
        for (const auto& s : all)
            if (s.label == label) {
                out.push_back(s);
                found = true;
            }
        if (!found) throw std::logic_error("missing relation pattern " + std::string(label));
    }
    return out;
}

const graph_kit::bounded::CompiledTable& fallback_table() {
    static const graph_kit::bounded::CompiledTable t(fallback_specs());
    return t;
}

}  // namespace

const TSLanguage* ast_language(const Languages& langs, std::string_view ext) {
    if (langs.ast && is_ts_family(ext)) return ts_language_for(langs, ext);
    if (langs.ast && ext == ".py") return langs.py;
    if (langs.go && ext == ".go") return langs.go;
    return nullptr;
}

bool ast_takes(const Languages& langs, std::string_view ext) { return ast_language(langs, ext) != nullptr; }

namespace {

// One walk of the tree serves both: the import visitor, then the symbol visitor, at every
// node.
template <class Imports, class SymbolVisitor>
void walk_tree(const Grammar& g, TSNode root, std::string_view content, std::string_view file_id, bool edges,
               bool symbols, FileFacts& f) {
    Imports imports(g, content, file_id, f.edges);
    if (!symbols) {
        visit_all(root, imports);
        return;
    }
    SymbolVisitor s(g, content, file_id);
    if (edges)
        visit_all(root, imports, s);
    else
        visit_all(root, s);
    f.symbols = s.take();
}

// The edges and the symbols asked for, from one parse with `lang`; false, with nothing
// filled, when the parse was given up.
bool from_tree(const TSLanguage* lang, std::string_view content, std::string_view file_id, std::string_view ext,
               bool edges, bool symbols, FileFacts& f, const core::StopFlag* stop) {
    const SyntaxTree tree(lang, content, stop);
    if (!tree.parsed()) return false;
    const Grammar& g = Grammar::of(lang);
    if (ext == ".go")
        walk_tree<GoImports, GoSymbols>(g, tree.root(), content, file_id, edges, symbols, f);
    else if (ext == ".py")
        walk_tree<PyImports, PySymbols>(g, tree.root(), content, file_id, edges, symbols, f);
    else
        walk_tree<TsImports, TsSymbols>(g, tree.root(), content, file_id, edges, symbols, f);
    return true;
}

}  // namespace

Symbols extract_symbols(const Languages& langs, std::string_view content, std::string_view file_id,
                        std::string_view ext, const SymbolFallback& fallback) {
    FileFacts f;
    const TSLanguage* lang = ast_language(langs, ext);
    if (lang && from_tree(lang, content, file_id, ext, false, true, f, nullptr)) return std::move(f.symbols);
    return fallback ? fallback(content, file_id, ext) : Symbols{};
}

std::vector<core::Edge> extract_imports(const Languages& langs, std::string_view content, std::string_view file_id,
                                        std::string_view ext) {
    FileFacts f;
    const TSLanguage* lang = ast_language(langs, ext);
    if (lang && from_tree(lang, content, file_id, ext, true, false, f, nullptr)) return std::move(f.edges);
    return parse_relations_regex(file_id, content);
}

FileFacts extract_file(const Languages& langs, std::string_view content, std::string_view file_id, std::string_view ext,
                       bool with_symbols, const SymbolFallback& fallback, const core::StopFlag* stop) {
    FileFacts f;
    const TSLanguage* lang = ast_language(langs, ext);
    if (lang && from_tree(lang, content, file_id, ext, true, with_symbols, f, stop)) return f;
    f.edges = parse_relations_regex(file_id, content);
    if (with_symbols && fallback) f.symbols = fallback(content, file_id, ext);
    return f;
}

std::vector<core::Edge> parse_relations_regex(std::string_view file_id, std::string_view text) {
    std::vector<core::Edge> edges;
    const auto& t = fallback_table();
    for (std::size_t i = 0; i < kFallback.size(); ++i) {
        t.for_each(i, text, [&](const core::Match& m) {
            edges.push_back(core::Edge{std::string(file_id), std::string(m.group(1)), kFallback[i].second});
            return true;
        });
    }
    return edges;
}

std::vector<graph_kit::PatternSpec> ast_patterns() {
    std::vector<graph_kit::PatternSpec> out = {{"ast_route_decorator", kRouteDecorator, core::RE_IGNORECASE}};
    for (auto& s : fallback_specs()) out.push_back(s);
    return out;
}

}  // namespace vorlane_ast
