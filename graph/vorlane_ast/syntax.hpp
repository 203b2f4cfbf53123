#pragma once
// Syntax trees for the extractors: the languages the module loaded, one parse of a text,
// a node's text, the export test, and a pre-order walk. The walk keeps its own stack (a
// few words per level), so a tree thousands of levels deep costs memory, not call-stack
// depth; each node is visited once.
#include <tree_sitter/api.h>

#include "core/stop.hpp"
#include "graph/vorlane_ast/runtime/walk.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vorlane_ast {

// The language objects of the module's set-up; null where a grammar did not load.
// `ast` is true when the runtime and the TypeScript, JavaScript and Python grammars
// loaded together; `go` stands on its own.
struct Languages {
    bool ast = false;
    const TSLanguage* ts = nullptr;
    const TSLanguage* tsx = nullptr;
    const TSLanguage* js = nullptr;
    const TSLanguage* py = nullptr;
    const TSLanguage* go = nullptr;
};

// The number of progress reports of the runtime a parse of `bytes` bytes may take
// before it is given up (see SyntaxTree).
std::uint64_t parse_budget(std::size_t bytes);

// One parse of `source` (kept by the caller for as long as the tree is read). The runtime
// reports its progress every fixed number of parse steps; a parse that would report more
// often than parse_budget allows is given up, which leaves the tree unparsed: some
// grammars run without end, their memory growing, on a few short malformed texts. The
// bound counts steps, not time, so whether a file parses does not depend on the
// machine's speed or load. With `stop`, a stop request ends the parse at its next
// report with core::Stopped.
class SyntaxTree {
public:
    SyntaxTree(const TSLanguage* lang, std::string_view source, const core::StopFlag* stop = nullptr);
    // False when the parse was given up; root() is then not to be called.
    bool parsed() const { return tree_ != nullptr; }
    TSNode root() const { return ts_tree_root_node(tree_.get()); }
    // The progress reports the parse made.
    std::uint64_t progress_reports() const { return reports_; }

private:
    struct Delete {
        void operator()(TSTree* t) const { ts_tree_delete(t); }
    };
    std::unique_ptr<TSTree, Delete> tree_;
    std::uint64_t reports_ = 0;
};

// The bytes of `src` under the node, with invalid UTF-8 sequences dropped.
std::string node_text(TSNode n, std::string_view src);
// The child under `field`; a null node when there is none.
TSNode field(TSNode n, std::string_view name);
bool is_type(TSNode n, std::string_view type);
std::string_view type_of(TSNode n);
inline std::int64_t start_row(TSNode n) { return ts_node_start_point(n).row; }
inline std::int64_t end_row(TSNode n) { return ts_node_end_point(n).row; }

// The node types the extractors look at. A node's kind comes from a table by symbol,
// made once per grammar, which equals comparing its type name with these names.
enum class Kind : std::uint8_t {
    Other,
    // TypeScript and JavaScript
    FunctionDeclaration,
    GeneratorFunctionDeclaration,
    LexicalDeclaration,
    VariableDeclarator,
    ArrowFunction,
    Function,
    ClassDeclaration,
    InterfaceDeclaration,
    TypeAliasDeclaration,
    EnumDeclaration,
    MethodDefinition,
    ExportStatement,
    ExportClause,
    ExportDefaultDeclaration,
    ImportStatement,
    CallExpression,
    String,
    // Python
    FunctionDefinition,
    DecoratedDefinition,
    ClassDefinition,
    ImportFromStatement,
    DottedName,
    AliasedImport,
    // Python statements made of expressions only
    ExpressionStatement,
    ReturnStatement,
    AssertStatement,
    DeleteStatement,
    RaiseStatement,
    GlobalStatement,
    NonlocalStatement,
    PrintStatement,
    ExecStatement,
    TypeAliasStatement,
    // Go
    MethodDeclaration,
    TypeDeclaration,
    TypeSpec,
    InterfaceType,
    ImportSpec,
    InterpretedStringLiteral,
};

// One grammar's kinds by symbol and the ids of the fields the extractors read.
struct Grammar {
    std::vector<Kind> kinds;
    TSFieldId name = 0, value = 0, source = 0, function = 0, arguments = 0, module_name = 0, type = 0;

    // Made on first use, then shared (thread-safe); the language must outlive the process.
    static const Grammar& of(const TSLanguage* lang);
    Kind kind(TSNode n) const {
        const TSSymbol s = ts_node_symbol(n);
        return s < kinds.size() ? kinds[s] : Kind::Other;
    }
    // The child under a field; a null node when the grammar has no such field.
    static TSNode child(TSNode n, TSFieldId f) { return f ? ts_node_child_by_field_id(n, f) : TSNode{}; }
};

// Whether a declaration's parent is an export statement, an export clause or a default
// export declaration (a null parent is none of them).
bool ts_is_exported_parent(TSNode parent);

// One walk of the runtime, released at the end of the scope.
class TreeWalk {
public:
    TreeWalk(TSNode n, bool children_only) : w_(vorlane_tree_walk_new(n, children_only)) {}
    ~TreeWalk() { vorlane_tree_walk_delete(w_); }
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;
    bool next(TSNode& node, TSNode& parent) { return vorlane_tree_walk_next(w_, &node, &parent); }
    // The walk goes on after the subtree of the node last returned.
    void skip_children() { vorlane_tree_walk_skip_children(w_); }

private:
    VorlaneTreeWalk* w_;
};

// Calls f(child) for each direct child in document order, anonymous ones included;
// linear in the number of children.
template <class F>
void for_each_child(TSNode n, F&& f) {
    TreeWalk walk(n, true);
    TSNode child, parent;
    while (walk.next(child, parent)) f(child);
}

// Visits every node of the tree in pre-order, children in document order, anonymous
// nodes included, as visit(node, parent) with a null parent for the root. When visit
// returns false (it may also return nothing), the nodes below that node are left out.
template <class Visit>
void walk_preorder(TSNode root, Visit&& visit) {
    TreeWalk walk(root, false);
    TSNode node, parent;
    while (walk.next(node, parent)) {
        if constexpr (std::is_void_v<decltype(visit(node, parent))>) {
            visit(node, parent);
        } else {
            if (!visit(node, parent)) walk.skip_children();
        }
    }
}

}  // namespace vorlane_ast
