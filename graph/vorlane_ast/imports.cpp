#include "core/text.hpp"
#include "graph/vorlane_ast/extractors.hpp"
#include "graph/vorlane_ast/visitors.hpp"

namespace vorlane_ast {

void GoImports::visit(TSNode n, TSNode) {
    if (g_.kind(n) != Kind::ImportSpec) return;
    for_each_child(n, [&](TSNode c) {
        if (g_.kind(c) != Kind::InterpretedStringLiteral) return;
        const std::string text = node_text(c, content_);
        const std::string_view path = core::strip_chars(text, "\"");
        if (!path.empty()) push(path, "imports");
    });
}

void TsImports::visit(TSNode n, TSNode) {
    const Kind k = g_.kind(n);
    if (k == Kind::ImportStatement) {
        const TSNode source = Grammar::child(n, g_.source);
        if (!ts_node_is_null(source)) push(core::strip_chars(node_text(source, content_), "'\""), "imports");
    } else if (k == Kind::CallExpression) {
        const TSNode fn = Grammar::child(n, g_.function);
        if (ts_node_is_null(fn)) return;
        // "require" is seven bytes, all ASCII: the raw span equals it exactly when the
        // node's text does. Most calls end here, before their arguments are looked up.
        const std::uint32_t start = ts_node_start_byte(fn);
        if (ts_node_end_byte(fn) - start != 7 || content_.substr(start, 7) != "require") return;
        const TSNode args = Grammar::child(n, g_.arguments);
        if (ts_node_is_null(args)) return;
        for_each_child(args, [&](TSNode a) {
            if (g_.kind(a) == Kind::String) push(core::strip_chars(node_text(a, content_), "'\""), "requires");
        });
    }
}

void PyImports::visit(TSNode n, TSNode) {
    const Kind k = g_.kind(n);
    if (k == Kind::ImportStatement) {
        for_each_child(n, [&](TSNode c) {
            const Kind ck = g_.kind(c);
            if (ck != Kind::DottedName && ck != Kind::AliasedImport) return;
            const std::string text = node_text(c, content_);
            std::string_view module = text;
            if (const auto cut = module.find(" as "); cut != std::string_view::npos) module = module.substr(0, cut);
            push(core::strip(module), "imports");
        });
    } else if (k == Kind::ImportFromStatement) {
        const TSNode module = Grammar::child(n, g_.module_name);
        if (!ts_node_is_null(module)) push(node_text(module, content_), "imports");
    }
}

void imports_go(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out) {
    GoImports v(g, content, file_path, out);
    visit_all(root, v);
}

void imports_ts(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out) {
    TsImports v(g, content, file_path, out);
    visit_all(root, v);
}

void imports_py(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out) {
    PyImports v(g, content, file_path, out);
    visit_all(root, v);
}

std::vector<core::Edge> extract_imports_go_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path) {
    std::vector<core::Edge> out;
    if (!langs.go) return out;
    const SyntaxTree tree(langs.go, content);
    if (!tree.parsed()) return out;
    imports_go(Grammar::of(langs.go), tree.root(), content, file_path, out);
    return out;
}

std::vector<core::Edge> extract_imports_ts_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path, std::string_view ext) {
    std::vector<core::Edge> out;
    if (!langs.ast) return out;
    const TSLanguage* lang = ts_language_for(langs, ext);
    const SyntaxTree tree(lang, content);
    if (!tree.parsed()) return out;
    imports_ts(Grammar::of(lang), tree.root(), content, file_path, out);
    return out;
}

std::vector<core::Edge> extract_imports_py_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path) {
    std::vector<core::Edge> out;
    if (!langs.ast) return out;
    const SyntaxTree tree(langs.py, content);
    if (!tree.parsed()) return out;
    imports_py(Grammar::of(langs.py), tree.root(), content, file_path, out);
    return out;
}

}  // namespace vorlane_ast
