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

Symbols symbols_go(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path) {
    vorlane::SymbolFrame frame(content, file_path);
    walk_preorder(root, [&](TSNode n, TSNode) {
        const Kind k = g.kind(n);
        if (k == Kind::FunctionDeclaration || k == Kind::MethodDeclaration) {
            const TSNode name = Grammar::child(n, g.name);
            if (ts_node_is_null(name)) return;
            const std::string text = node_text(name, content);
            frame.add(text, start_row(n), end_row(n), "use_case", "high", starts_upper(text));
        } else if (k == Kind::TypeDeclaration) {
            for_each_child(n, [&](TSNode spec) {
                if (g.kind(spec) != Kind::TypeSpec) return;
                const TSNode name = Grammar::child(spec, g.name);
                if (ts_node_is_null(name)) return;
                const std::string text = node_text(name, content);
                if (!starts_upper(text)) return;
                const TSNode type = Grammar::child(spec, g.type);
                const bool interface = !ts_node_is_null(type) && g.kind(type) == Kind::InterfaceType;
                frame.add(text, start_row(n), end_row(n), interface ? "use_case" : "model", "high", true);
            });
        }
    });
    return frame.take();
}

Symbols extract_symbols_go_ast(const Languages& langs, std::string_view content, std::string_view file_path) {
    if (!langs.go) return {};
    const SyntaxTree tree(langs.go, content);
    return symbols_go(Grammar::of(langs.go), tree.root(), content, file_path);
}

}  // namespace vorlane_ast
