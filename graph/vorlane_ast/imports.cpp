#include "core/text.hpp"
#include "graph/vorlane_ast/extractors.hpp"

namespace vorlane_ast {

namespace {

void push(std::vector<core::Edge>& out, std::string_view from, std::string_view to, const char* rel) {
    out.push_back(core::Edge{std::string(from), std::string(to), rel});
}

}  // namespace

void imports_go(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out) {
    walk_preorder(root, [&](TSNode n, TSNode) {
        if (g.kind(n) != Kind::ImportSpec) return;
        for_each_child(n, [&](TSNode c) {
            if (g.kind(c) != Kind::InterpretedStringLiteral) return;
            const std::string text = node_text(c, content);
            const std::string_view path = core::strip_chars(text, "\"");
            if (!path.empty()) push(out, file_path, path, "imports");
        });
    });
}

void imports_ts(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out) {
    walk_preorder(root, [&](TSNode n, TSNode) {
        const Kind k = g.kind(n);
        if (k == Kind::ImportStatement) {
            const TSNode source = Grammar::child(n, g.source);
            if (!ts_node_is_null(source))
                push(out, file_path, core::strip_chars(node_text(source, content), "'\""), "imports");
        } else if (k == Kind::CallExpression) {
            const TSNode fn = Grammar::child(n, g.function), args = Grammar::child(n, g.arguments);
            if (ts_node_is_null(fn) || ts_node_is_null(args)) return;
            // "require" is seven bytes: look at the text only when the span fits.
            if (ts_node_end_byte(fn) - ts_node_start_byte(fn) != 7 || node_text(fn, content) != "require") return;
            for_each_child(args, [&](TSNode a) {
                if (g.kind(a) == Kind::String)
                    push(out, file_path, core::strip_chars(node_text(a, content), "'\""), "requires");
            });
        }
    });
}

void imports_py(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path,
                std::vector<core::Edge>& out) {
    walk_preorder(root, [&](TSNode n, TSNode) {
        const Kind k = g.kind(n);
        if (k == Kind::ImportStatement) {
            for_each_child(n, [&](TSNode c) {
                const Kind ck = g.kind(c);
                if (ck != Kind::DottedName && ck != Kind::AliasedImport) return;
                const std::string text = node_text(c, content);
                std::string_view module = text;
                if (const auto cut = module.find(" as "); cut != std::string_view::npos) module = module.substr(0, cut);
                push(out, file_path, core::strip(module), "imports");
            });
        } else if (k == Kind::ImportFromStatement) {
            const TSNode module = Grammar::child(n, g.module_name);
            if (!ts_node_is_null(module)) push(out, file_path, node_text(module, content), "imports");
        }
    });
}

std::vector<core::Edge> extract_imports_go_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path) {
    std::vector<core::Edge> out;
    if (!langs.go) return out;
    const SyntaxTree tree(langs.go, content);
    imports_go(Grammar::of(langs.go), tree.root(), content, file_path, out);
    return out;
}

std::vector<core::Edge> extract_imports_ts_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path, std::string_view ext) {
    std::vector<core::Edge> out;
    if (!langs.ast) return out;
    const TSLanguage* lang = ts_language_for(langs, ext);
    const SyntaxTree tree(lang, content);
    imports_ts(Grammar::of(lang), tree.root(), content, file_path, out);
    return out;
}

std::vector<core::Edge> extract_imports_py_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path) {
    std::vector<core::Edge> out;
    if (!langs.ast) return out;
    const SyntaxTree tree(langs.py, content);
    imports_py(Grammar::of(langs.py), tree.root(), content, file_path, out);
    return out;
}

}  // namespace vorlane_ast
