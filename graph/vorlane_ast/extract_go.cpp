#include "core/text.hpp"
#include "graph/vorlane_ast/extractors.hpp"
#include "graph/vorlane_ast/visitors.hpp"

namespace vorlane_ast {

namespace {

bool starts_upper(std::string_view name) {
    if (name.empty()) return false;
    std::size_t pos = 0;
    return core::is_upper(core::next_cp(name, pos));
}

}  // namespace

void GoSymbols::visit(TSNode n, TSNode) {
    const Kind k = g_.kind(n);
    if (k == Kind::FunctionDeclaration || k == Kind::MethodDeclaration) {
        const TSNode name = Grammar::child(n, g_.name);
        if (ts_node_is_null(name)) return;
        const std::string text = node_text(name, content_);
        frame_.add(text, start_row(n), end_row(n), "use_case", "high", starts_upper(text));
    } else if (k == Kind::TypeDeclaration) {
        for_each_child(n, [&](TSNode spec) {
            if (g_.kind(spec) != Kind::TypeSpec) return;
            const TSNode name = Grammar::child(spec, g_.name);
            if (ts_node_is_null(name)) return;
            const std::string text = node_text(name, content_);
            if (!starts_upper(text)) return;
            const TSNode type = Grammar::child(spec, g_.type);
            const bool interface = !ts_node_is_null(type) && g_.kind(type) == Kind::InterfaceType;
            frame_.add(text, start_row(n), end_row(n), interface ? "use_case" : "model", "high", true);
        });
    }
}

Symbols symbols_go(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path) {
    GoSymbols v(g, content, file_path);
    visit_all(root, v);
    return v.take();
}

Symbols extract_symbols_go_ast(const Languages& langs, std::string_view content, std::string_view file_path) {
    if (!langs.go) return {};
    const SyntaxTree tree(langs.go, content);
    if (!tree.parsed()) return {};
    return symbols_go(Grammar::of(langs.go), tree.root(), content, file_path);
}

}  // namespace vorlane_ast
