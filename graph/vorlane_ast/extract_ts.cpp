#include "graph/vorlane_ast/extractors.hpp"

namespace vorlane_ast {

const TSLanguage* ts_language_for(const Languages& langs, std::string_view ext) {
    if (ext == ".tsx") return langs.tsx;
    if (ext == ".js" || ext == ".jsx") return langs.js;
    return langs.ts;
}

namespace {

bool is_model_declaration(std::string_view t) {
    return t == "class_declaration" || t == "interface_declaration" || t == "type_alias_declaration" ||
           t == "enum_declaration";
}

}  // namespace

Symbols extract_symbols_ts_ast(const Languages& langs, std::string_view content, std::string_view file_path,
                               std::string_view ext) {
    if (!langs.ast) return {};
    const SyntaxTree tree(ts_language_for(langs, ext), content);
    vorlane::SymbolFrame frame(content, file_path);
    auto add_classified = [&](const std::string& name, TSNode rows, bool exported) {
        if (name.empty()) return;
        const auto [type, confidence] = vorlane::classify_ts(name, exported);
        frame.add(name, start_row(rows), end_row(rows), type, confidence, exported);
    };
    walk_preorder(tree.root(), [&](TSNode n, TSNode parent) {
        const std::string_view t = type_of(n);
        if (t == "function_declaration" || t == "generator_function_declaration") {
            const TSNode name = field(n, "name");
            if (!ts_node_is_null(name)) add_classified(node_text(name, content), n, ts_is_exported_parent(parent));
        } else if (t == "lexical_declaration") {
            const bool exported = ts_is_exported_parent(parent);
            for_each_child(n, [&](TSNode d) {
                if (!is_type(d, "variable_declarator")) return;
                const TSNode name = field(d, "name"), value = field(d, "value");
                if (ts_node_is_null(name) || ts_node_is_null(value)) return;
                if (!is_type(value, "arrow_function") && !is_type(value, "function")) return;
                add_classified(node_text(name, content), n, exported);
            });
        } else if (is_model_declaration(t)) {
            const TSNode name = field(n, "name");
            if (!ts_node_is_null(name))
                frame.add(node_text(name, content), start_row(n), end_row(n), "model", "high",
                          ts_is_exported_parent(parent));
        } else if (t == "method_definition") {
            const TSNode name = field(n, "name");
            if (ts_node_is_null(name)) return;
            const std::string text = node_text(name, content);
            if (!text.empty() && text[0] != '#') frame.add(text, start_row(n), end_row(n), "use_case", "medium", false);
        }
    });
    return frame.take();
}

}  // namespace vorlane_ast
