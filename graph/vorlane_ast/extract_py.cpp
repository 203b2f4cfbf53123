#include "core/pattern.hpp"
#include "graph/vorlane_ast/extractors.hpp"
#include "graph/vorlane_ast/visitors.hpp"

namespace vorlane_ast {

namespace {

const core::Regex& route_pattern() {
    static const core::Regex re(kRouteDecorator, core::RE_IGNORECASE);
    return re;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

bool python_leaf_statement(const Grammar& g, TSNode n) {
    switch (g.kind(n)) {
        case Kind::ExpressionStatement:
        case Kind::ReturnStatement:
        case Kind::AssertStatement:
        case Kind::DeleteStatement:
        case Kind::RaiseStatement:
        case Kind::GlobalStatement:
        case Kind::NonlocalStatement:
        case Kind::PrintStatement:
        case Kind::ExecStatement:
        case Kind::TypeAliasStatement:
            return !ts_node_has_error(n);
        default:
            return false;
    }
}

PySymbols::PySymbols(const Grammar& g, std::string_view content, std::string_view file_path)
    : g_(g), content_(content), frame_(content, file_path) {
    // Rows of the route decorators anywhere in the text, comments and strings included.
    graph_kit::RowCounter rows(content);
    route_pattern().for_each(content, [&](const core::Match& m) {
        route_rows_.insert(rows.row(m.start()));
        return true;
    });
}

void PySymbols::add(const std::string& name, TSNode rows, std::string_view type) {
    if (name.empty() || frame_.seen(name)) return;
    if (starts_with(name, "_") || starts_with(name, "test_")) return;
    frame_.add(name, start_row(rows), end_row(rows), type, "high", true);
}

void PySymbols::visit(TSNode n, TSNode) {
    const Kind k = g_.kind(n);
    if (k == Kind::FunctionDefinition || k == Kind::DecoratedDefinition) {
        TSNode target = n;
        if (k == Kind::DecoratedDefinition) {
            bool found = false;
            for_each_child(n, [&](TSNode c) {
                const Kind ck = g_.kind(c);
                if (!found && (ck == Kind::FunctionDefinition || ck == Kind::ClassDefinition)) {
                    target = c;
                    found = true;
                }
            });
        }
        if (g_.kind(target) != Kind::FunctionDefinition) return;
        const TSNode name = Grammar::child(target, g_.name);
        if (ts_node_is_null(name)) return;
        // A route decorator within three rows of the definition's first row, either way.
        const std::int64_t r = start_row(n);
        auto it = route_rows_.lower_bound(r - 3);
        const bool route = it != route_rows_.end() && *it <= r + 3;
        add(node_text(name, content_), n, route ? "api_route" : "use_case");
    } else if (k == Kind::ClassDefinition) {
        const TSNode name = Grammar::child(n, g_.name);
        if (!ts_node_is_null(name)) add(node_text(name, content_), n, "model");
    }
}

Symbols symbols_py(const Grammar& g, TSNode root, std::string_view content, std::string_view file_path) {
    PySymbols v(g, content, file_path);
    visit_all(root, v);
    return v.take();
}

Symbols extract_symbols_py_ast(const Languages& langs, std::string_view content, std::string_view file_path) {
    if (!langs.ast) return {};
    const SyntaxTree tree(langs.py, content);
    if (!tree.parsed()) return {};
    return symbols_py(Grammar::of(langs.py), tree.root(), content, file_path);
}

}  // namespace vorlane_ast
