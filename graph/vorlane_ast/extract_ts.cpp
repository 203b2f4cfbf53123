#include "graph/vorlane_ast/extractors.hpp"
#include "graph/vorlane_ast/visitors.hpp"

namespace vorlane_ast {

const TSLanguage* ts_language_for(const Languages& langs, std::string_view ext) {
    if (ext == ".tsx") return langs.tsx;
    if (ext == ".js" || ext == ".jsx") return langs.js;
    return langs.ts;
}

namespace {

bool is_export_parent(const Grammar& g, TSNode parent) {
    if (ts_node_is_null(parent)) return false;
    const Kind k = g.kind(parent);
    return k == Kind::ExportStatement || k == Kind::ExportClause || k == Kind::ExportDefaultDeclaration;
}

}  // namespace

void TsSymbols::add_classified(const std::string& name, TSNode rows, bool exported) {
    if (name.empty()) return;
    const auto [type, confidence] = graph_kit::classify_ts(name, exported);
    frame_.add(name, start_row(rows), end_row(rows), type, confidence, exported);
}

void TsSymbols::visit(TSNode n, TSNode parent) {
    switch (g_.kind(n)) {
        case Kind::FunctionDeclaration:
        case Kind::GeneratorFunctionDeclaration: {
            const TSNode name = Grammar::child(n, g_.name);
            if (!ts_node_is_null(name)) add_classified(node_text(name, content_), n, is_export_parent(g_, parent));
            break;
        }
        case Kind::LexicalDeclaration: {
            const bool exported = is_export_parent(g_, parent);
            for_each_child(n, [&](TSNode d) {
                if (g_.kind(d) != Kind::VariableDeclarator) return;
                const TSNode name = Grammar::child(d, g_.name), value = Grammar::child(d, g_.value);
                if (ts_node_is_null(name) || ts_node_is_null(value)) return;
                const Kind v = g_.kind(value);
                if (v != Kind::ArrowFunction && v != Kind::Function) return;
                add_classified(node_text(name, content_), n, exported);
            });
            break;
        }
        case Kind::ClassDeclaration:
        case Kind::InterfaceDeclaration:
        case Kind::TypeAliasDeclaration:
        case Kind::EnumDeclaration: {
            const TSNode name = Grammar::child(n, g_.name);
            if (!ts_node_is_null(name))
                frame_.add(node_text(name, content_), start_row(n), end_row(n), "model", "high",
                           is_export_parent(g_, parent));
            break;
        }
        case Kind::MethodDefinition: {
            const TSNode name = Grammar::child(n, g_.name);
            if (ts_node_is_null(name)) break;
            const std::string text = node_text(name, content_);
            if (!text.empty() && text[0] != '#')
                frame_.add(text, start_row(n), end_row(n), "use_case", "medium", false);
            break;
        }
        default:
            break;
    }
}

Symbols symbols_ts(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path) {
    TsSymbols v(g, content, file_path);
    visit_all(root, v);
    return v.take();
}

Symbols extract_symbols_ts_ast(const Languages& langs, std::string_view content, std::string_view file_path,
                               std::string_view ext) {
    if (!langs.ast) return {};
    const TSLanguage* lang = ts_language_for(langs, ext);
    const SyntaxTree tree(lang, content);
    if (!tree.parsed()) return {};
    return symbols_ts(Grammar::of(lang), tree.root(), content, file_path);
}

}  // namespace vorlane_ast
