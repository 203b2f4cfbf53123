#include "graph/vorlane_ast/syntax.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/graph/vorlane_ast/ast_support.hpp"
#include "tests/graph/vorlane_ast/pipeline_oracle.hpp"

namespace {

using vorlane_ast::SyntaxTree;

TEST(Syntax, PreorderVisitsParentsBeforeChildrenInDocumentOrder) {
    const std::string src = "let a = 1;";
    SyntaxTree tree(tree_sitter_typescript(), src);
    std::string seen;
    vorlane_ast::walk_preorder(tree.root(), [&](TSNode n, TSNode parent) {
        seen += std::string(ts_node_type(n)) + "<" + (ts_node_is_null(parent) ? "-" : ts_node_type(parent)) + "> ";
    });
    EXPECT_EQ(
        seen,
        "program<-> lexical_declaration<program> let<lexical_declaration> variable_declarator<lexical_declaration> "
        "identifier<variable_declarator> =<variable_declarator> number<variable_declarator> ;<lexical_declaration> ");
}

// One visited node: the node and the parent the walk reported.
struct Step {
    TSNode node, parent;
};

// The walk as the runtime's tree cursor gives it, ancestors kept beside it.
std::vector<Step> cursor_walk(TSNode root) {
    std::vector<Step> out;
    TSTreeCursor cursor = ts_tree_cursor_new(root);
    std::vector<TSNode> ancestors;
    for (;;) {
        const TSNode node = ts_tree_cursor_current_node(&cursor);
        out.push_back({node, ancestors.empty() ? TSNode{} : ancestors.back()});
        if (ts_tree_cursor_goto_first_child(&cursor)) {
            ancestors.push_back(node);
            continue;
        }
        bool done = false;
        while (!ts_tree_cursor_goto_next_sibling(&cursor)) {
            if (!ts_tree_cursor_goto_parent(&cursor)) {
                done = true;
                break;
            }
            ancestors.pop_back();
        }
        if (done) break;
    }
    ts_tree_cursor_delete(&cursor);
    return out;
}

bool same(TSNode a, TSNode b) {
    if (ts_node_is_null(a) || ts_node_is_null(b)) return ts_node_is_null(a) == ts_node_is_null(b);
    return ts_node_eq(a, b) && ts_node_symbol(a) == ts_node_symbol(b) &&
           ts_node_start_byte(a) == ts_node_start_byte(b) && ts_node_end_byte(a) == ts_node_end_byte(b) &&
           ts_node_start_point(a).row == ts_node_start_point(b).row &&
           ts_node_end_point(a).row == ts_node_end_point(b).row;
}

// The walk and the child lists against the runtime's cursor and ts_node_child, over the
// corpus parsed with every grammar (so with error recovery, aliases and hidden nodes
// throughout), and over a few deep and odd texts.
TEST(Syntax, WalkAndChildrenMatchTheRuntimesCursorAndChildOperations) {
    std::vector<std::string> texts;
    for (const std::string& path : pipeline_oracle::corpus_files()) texts.push_back(pipeline_oracle::read_text(path));
    texts.push_back("");
    texts.push_back("x = " + std::string(400, '(') + "1" + std::string(400, ')'));
    texts.push_back("@a\n@b.c(1)\nclass K:\n  @property\n  def f(self): return [i for i in range(3)]\n");
    texts.push_back("const C = () => <div a={1} {...p}>t<b/>{x && <i>y</i>}</div>;\nfunction* g(){ yield* [#a] }\n");
    texts.push_back("package m\nimport (\n\t\"a\"\n\tb `c`\n)\ntype L[T any] struct{ x T }\nfunc (l *L[T]) M() {}\n");
    texts.push_back("\xef\xbb\xbf\x00\xff function\r\nclass {{{ ]]] import from require(\"x\"\n");
    const auto l = ast_support::all_languages();
    std::size_t nodes = 0;
    for (const TSLanguage* lang : {l.ts, l.tsx, l.js, l.py, l.go}) {
        for (const std::string& text : texts) {
            SyntaxTree tree(lang, text);
            const std::vector<Step> want = cursor_walk(tree.root());
            std::vector<Step> got;
            vorlane_ast::walk_preorder(tree.root(), [&](TSNode n, TSNode p) { got.push_back({n, p}); });
            ASSERT_EQ(got.size(), want.size()) << text.substr(0, 200);
            for (std::size_t i = 0; i < got.size(); ++i) {
                ASSERT_TRUE(same(got[i].node, want[i].node)) << i << " " << text.substr(0, 200);
                ASSERT_TRUE(same(got[i].parent, want[i].parent)) << i << " " << text.substr(0, 200);
                std::vector<TSNode> children;
                vorlane_ast::for_each_child(got[i].node, [&](TSNode c) { children.push_back(c); });
                ASSERT_EQ(children.size(), ts_node_child_count(got[i].node));
                for (std::uint32_t c = 0; c < children.size(); ++c)
                    ASSERT_TRUE(same(children[c], ts_node_child(got[i].node, c)));
            }
            nodes += got.size();
        }
    }
    EXPECT_GT(nodes, 100000u);
}

}  // namespace
