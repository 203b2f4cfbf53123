#include "graph/vorlane_ast/dispatch.hpp"

#include <array>
#include <optional>
#include <stdexcept>

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

bool ast_takes(const Languages& langs, std::string_view ext) {
    return (langs.ast && (is_ts_family(ext) || ext == ".py")) || (langs.go && ext == ".go");
}

Symbols extract_symbols(const Languages& langs, std::string_view content, std::string_view file_id,
                        std::string_view ext, const SymbolFallback& fallback) {
    if (langs.ast && is_ts_family(ext)) return extract_symbols_ts_ast(langs, content, file_id, ext);
    if (langs.ast && ext == ".py") return extract_symbols_py_ast(langs, content, file_id);
    if (langs.go && ext == ".go") return extract_symbols_go_ast(langs, content, file_id);
    return fallback ? fallback(content, file_id, ext) : Symbols{};
}

std::vector<core::Edge> extract_imports(const Languages& langs, std::string_view content, std::string_view file_id,
                                        std::string_view ext) {
    if (langs.ast && is_ts_family(ext)) return extract_imports_ts_ast(langs, content, file_id, ext);
    if (langs.ast && ext == ".py") return extract_imports_py_ast(langs, content, file_id);
    if (langs.go && ext == ".go") return extract_imports_go_ast(langs, content, file_id);
    return parse_relations_regex(file_id, content);
}

FileFacts extract_file(const Languages& langs, std::string_view content, std::string_view file_id, std::string_view ext,
                       bool with_symbols, const SymbolFallback& fallback) {
    FileFacts f;
    const TSLanguage* lang = nullptr;
    if (langs.ast && is_ts_family(ext))
        lang = ts_language_for(langs, ext);
    else if (langs.ast && ext == ".py")
        lang = langs.py;
    else if (langs.go && ext == ".go")
        lang = langs.go;
    if (!lang) {
        f.edges = parse_relations_regex(file_id, content);
        if (with_symbols && fallback) f.symbols = fallback(content, file_id, ext);
        return f;
    }
    const SyntaxTree tree(lang, content);
    const Grammar& g = Grammar::of(lang);
    // One walk of the one parse serves both: the import visitor, then the symbol visitor,
    // at every node.
    auto run = [&](auto imports, auto* symbols) {
        if (symbols) {
            visit_all(tree.root(), imports, *symbols);
            f.symbols = symbols->take();
        } else {
            visit_all(tree.root(), imports);
        }
    };
    if (ext == ".go") {
        std::optional<GoSymbols> s;
        if (with_symbols) s.emplace(g, content, file_id);
        run(GoImports(g, content, file_id, f.edges), s ? &*s : nullptr);
    } else if (ext == ".py") {
        std::optional<PySymbols> s;
        if (with_symbols) s.emplace(g, content, file_id);
        run(PyImports(g, content, file_id, f.edges), s ? &*s : nullptr);
    } else {
        std::optional<TsSymbols> s;
        if (with_symbols) s.emplace(g, content, file_id);
        run(TsImports(g, content, file_id, f.edges), s ? &*s : nullptr);
    }
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
