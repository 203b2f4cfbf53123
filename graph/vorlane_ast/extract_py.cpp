#include <set>

#include "core/pattern.hpp"
#include "graph/vorlane_ast/extractors.hpp"

namespace vorlane_ast {

namespace {

const core::Regex& route_pattern() {
    static const core::Regex re(kRouteDecorator, core::RE_IGNORECASE);
    return re;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

Symbols symbols_py(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path) {
    vorlane::SymbolFrame frame(content, file_path);

    // Rows of the route decorators anywhere in the text, comments and strings included.
    std::set<std::int64_t> route_rows;
    vorlane::RowCounter rows(content);
    route_pattern().for_each(content, [&](const core::Match& m) {
        route_rows.insert(rows.row(m.start()));
        return true;
    });
    auto near_route = [&](std::int64_t r) {
        auto it = route_rows.lower_bound(r - 3);
        return it != route_rows.end() && *it <= r + 3;
    };
    auto add_sym = [&](const std::string& name, TSNode rows_of, std::string_view type) {
        if (name.empty() || frame.seen(name)) return;
        if (starts_with(name, "_") || starts_with(name, "test_")) return;
        frame.add(name, start_row(rows_of), end_row(rows_of), type, "high", true);
    };

    walk_preorder(root, [&](TSNode n, TSNode) {
        const Kind k = g.kind(n);
        if (k == Kind::FunctionDefinition || k == Kind::DecoratedDefinition) {
            TSNode target = n;
            if (k == Kind::DecoratedDefinition) {
                bool found = false;
                for_each_child(n, [&](TSNode c) {
                    const Kind ck = g.kind(c);
                    if (!found && (ck == Kind::FunctionDefinition || ck == Kind::ClassDefinition)) {
                        target = c;
                        found = true;
                    }
                });
            }
            if (g.kind(target) != Kind::FunctionDefinition) return;
            const TSNode name = Grammar::child(target, g.name);
            if (ts_node_is_null(name)) return;
            add_sym(node_text(name, content), n, near_route(start_row(n)) ? "api_route" : "use_case");
        } else if (k == Kind::ClassDefinition) {
            const TSNode name = Grammar::child(n, g.name);
            if (!ts_node_is_null(name)) add_sym(node_text(name, content), n, "model");
        }
    });
    return frame.take();
}

Symbols extract_symbols_py_ast(const Languages& langs, std::string_view content, std::string_view file_path) {
    if (!langs.ast) return {};
    const SyntaxTree tree(langs.py, content);
    return symbols_py(Grammar::of(langs.py), tree.root(), content, file_path);
}

}  // namespace vorlane_ast
