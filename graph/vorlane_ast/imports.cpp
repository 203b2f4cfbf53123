#include "core/text.hpp"
#include "graph/vorlane_ast/extractors.hpp"

namespace vorlane_ast {

namespace {

void push(std::vector<core::Edge>& out, std::string_view from, std::string_view to, const char* rel) {
    out.push_back(core::Edge{std::string(from), std::string(to), rel});
}

}  // namespace

std::vector<core::Edge> extract_imports_go_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path) {
    std::vector<core::Edge> out;
    if (!langs.go) return out;
    const SyntaxTree tree(langs.go, content);
    walk_preorder(tree.root(), [&](TSNode n, TSNode) {
        if (!is_type(n, "import_spec")) return;
        for_each_child(n, [&](TSNode c) {
            if (!is_type(c, "interpreted_string_literal")) return;
            const std::string text = node_text(c, content);
            const std::string_view path = core::strip_chars(text, "\"");
            if (!path.empty()) push(out, file_path, path, "imports");
        });
    });
    return out;
}

std::vector<core::Edge> extract_imports_ts_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path, std::string_view ext) {
    std::vector<core::Edge> out;
    if (!langs.ast) return out;
    const SyntaxTree tree(ts_language_for(langs, ext), content);
    walk_preorder(tree.root(), [&](TSNode n, TSNode) {
        const std::string_view t = type_of(n);
        if (t == "import_statement") {
            const TSNode source = field(n, "source");
            if (!ts_node_is_null(source))
                push(out, file_path, core::strip_chars(node_text(source, content), "'\""), "imports");
        } else if (t == "call_expression") {
            const TSNode fn = field(n, "function"), args = field(n, "arguments");
            if (ts_node_is_null(fn) || ts_node_is_null(args) || node_text(fn, content) != "require") return;
            for_each_child(args, [&](TSNode a) {
                if (is_type(a, "string"))
                    push(out, file_path, core::strip_chars(node_text(a, content), "'\""), "requires");
            });
        }
    });
    return out;
}

std::vector<core::Edge> extract_imports_py_ast(const Languages& langs, std::string_view content,
                                               std::string_view file_path) {
    std::vector<core::Edge> out;
    if (!langs.ast) return out;
    const SyntaxTree tree(langs.py, content);
    walk_preorder(tree.root(), [&](TSNode n, TSNode) {
        const std::string_view t = type_of(n);
        if (t == "import_statement") {
            for_each_child(n, [&](TSNode c) {
                if (!is_type(c, "dotted_name") && !is_type(c, "aliased_import")) return;
                const std::string text = node_text(c, content);
                std::string_view module = text;
                if (const auto cut = module.find(" as "); cut != std::string_view::npos) module = module.substr(0, cut);
                push(out, file_path, core::strip(module), "imports");
            });
        } else if (t == "import_from_statement") {
            const TSNode module = field(n, "module_name");
            if (!ts_node_is_null(module)) push(out, file_path, node_text(module, content), "imports");
        }
    });
    return out;
}

}  // namespace vorlane_ast
