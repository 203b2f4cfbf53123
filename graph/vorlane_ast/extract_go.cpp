#include "core/text.hpp"
#include "graph/vorlane_ast/extractors.hpp"

namespace vorlane_ast {

namespace {

bool starts_upper(std::string_view name) {
    if (name.empty()) return false;
    std::size_t pos = 0;
    return core::is_upper(core::next_cp(name, pos));
}

}  // namespace

Symbols extract_symbols_go_ast(const Languages& langs, std::string_view content, std::string_view file_path) {
    if (!langs.go) return {};
    const SyntaxTree tree(langs.go, content);
    vorlane::SymbolFrame frame(content, file_path);
    walk_preorder(tree.root(), [&](TSNode n, TSNode) {
        const std::string_view t = type_of(n);
        if (t == "function_declaration" || t == "method_declaration") {
            const TSNode name = field(n, "name");
            if (ts_node_is_null(name)) return;
            const std::string text = node_text(name, content);
            frame.add(text, start_row(n), end_row(n), "use_case", "high", starts_upper(text));
        } else if (t == "type_declaration") {
            for_each_child(n, [&](TSNode spec) {
                if (!is_type(spec, "type_spec")) return;
                const TSNode name = field(spec, "name");
                if (ts_node_is_null(name)) return;
                const std::string text = node_text(name, content);
                if (!starts_upper(text)) return;
                const TSNode type = field(spec, "type");
                const bool interface = !ts_node_is_null(type) && is_type(type, "interface_type");
                frame.add(text, start_row(n), end_row(n), interface ? "use_case" : "model", "high", true);
            });
        }
    });
    return frame.take();
}

}  // namespace vorlane_ast
