#include "graph/vorlane_ast/syntax.hpp"

#include <gtest/gtest.h>

#include <string>

extern "C" const TSLanguage* tree_sitter_typescript(void);

namespace {

using vorlane_ast::SyntaxTree;

TEST(Syntax, PreorderVisitsParentsBeforeChildrenInDocumentOrder) {
    const std::string src = "let a = 1;";
    SyntaxTree tree(tree_sitter_typescript(), src);
    std::string seen;
    vorlane_ast::walk_preorder(tree.root(), [&](TSNode n, TSNode parent) {
        seen += std::string(ts_node_type(n)) + "<" + (ts_node_is_null(parent) ? "-" : ts_node_type(parent)) + "> ";
    });
    EXPECT_EQ(seen,
              "program<-> lexical_declaration<program> let<lexical_declaration> variable_declarator<lexical_declaration> "
              "identifier<variable_declarator> =<variable_declarator> number<variable_declarator> ;<lexical_declaration> ");
}

}  // namespace
