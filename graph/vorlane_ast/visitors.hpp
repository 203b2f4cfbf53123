#pragma once
// The extractors as visitors of one pre-order walk: each takes every node with its
// parent, so that the walk of one parse can serve the imports and the symbols of a
// file at once. Each costs constant time per node beside the records it makes.
#include <set>
#include <string_view>
#include <vector>

#include "core/records.hpp"
#include "graph/kit/frame.hpp"
#include "graph/vorlane_ast/syntax.hpp"

namespace vorlane_ast {

// Whether no node below `n` can matter to a Python visitor: a statement made of
// expressions alone, with no error below it, holds no definition and no import (the
// grammar derives none from an expression).
bool python_leaf_statement(const Grammar& g, TSNode n);

// Each visitor also tells whether the nodes below a node can matter to it; the walk
// leaves out a subtree that matters to none.
class TsSymbols {
public:
    TsSymbols(const Grammar& g, std::string_view content, std::string_view file_path)
        : g_(g), content_(content), frame_(content, file_path) {}
    void visit(TSNode n, TSNode parent);
    static bool below_matters(TSNode) { return true; }
    graph_kit::Symbols take() { return frame_.take(); }

private:
    void add_classified(const std::string& name, TSNode rows, bool exported);
    const Grammar& g_;
    std::string_view content_;
    graph_kit::SymbolFrame frame_;
};

class PySymbols {
public:
    PySymbols(const Grammar& g, std::string_view content, std::string_view file_path);
    void visit(TSNode n, TSNode parent);
    bool below_matters(TSNode n) const { return !python_leaf_statement(g_, n); }
    graph_kit::Symbols take() { return frame_.take(); }

private:
    void add(const std::string& name, TSNode rows, std::string_view type);
    const Grammar& g_;
    std::string_view content_;
    graph_kit::SymbolFrame frame_;
    std::set<std::int64_t> route_rows_;  // rows where the route-decorator pattern matches
};

class GoSymbols {
public:
    GoSymbols(const Grammar& g, std::string_view content, std::string_view file_path)
        : g_(g), content_(content), frame_(content, file_path) {}
    void visit(TSNode n, TSNode parent);
    static bool below_matters(TSNode) { return true; }
    graph_kit::Symbols take() { return frame_.take(); }

private:
    const Grammar& g_;
    std::string_view content_;
    graph_kit::SymbolFrame frame_;
};

// Import visitors append to a list the caller owns.
class ImportVisitor {
public:
    ImportVisitor(const Grammar& g, std::string_view content, std::string_view file_path, std::vector<core::Edge>& out)
        : g_(g), content_(content), file_path_(file_path), out_(out) {}

protected:
    void push(std::string_view to, const char* rel) {
        out_.push_back(core::Edge{std::string(file_path_), std::string(to), rel});
    }
    const Grammar& g_;
    std::string_view content_, file_path_;
    std::vector<core::Edge>& out_;
};

class TsImports : public ImportVisitor {
public:
    using ImportVisitor::ImportVisitor;
    void visit(TSNode n, TSNode parent);
    static bool below_matters(TSNode) { return true; }
};

class PyImports : public ImportVisitor {
public:
    using ImportVisitor::ImportVisitor;
    void visit(TSNode n, TSNode parent);
    bool below_matters(TSNode n) const { return !python_leaf_statement(g_, n); }
};

class GoImports : public ImportVisitor {
public:
    using ImportVisitor::ImportVisitor;
    void visit(TSNode n, TSNode parent);
    static bool below_matters(TSNode) { return true; }
};

// Walks the tree once, handing every node to each visitor in turn, and leaves out the
// subtrees that matter to none of them.
template <class... V>
void visit_all(TSNode root, V&... visitors) {
    walk_preorder(root, [&](TSNode n, TSNode parent) {
        (visitors.visit(n, parent), ...);
        return (visitors.below_matters(n) || ...);
    });
}

}  // namespace vorlane_ast
