#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane_ast/dispatch.hpp"
#include "graph/vorlane_ast/extractors.hpp"
#include "tests/graph/vorlane_ast/ast_support.hpp"

namespace {

using ast_support::render;
using V = std::vector<std::string>;

struct Case {
    const char* label;
    const char* ext;
    std::string text;
    V expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

std::vector<core::Edge> imports_of(const vorlane_ast::Languages& l, const Case& c) {
    const std::string ext = c.ext;
    if (ext == ".go") return vorlane_ast::extract_imports_go_ast(l, c.text, "f");
    if (ext == ".py") return vorlane_ast::extract_imports_py_ast(l, c.text, "f");
    return vorlane_ast::extract_imports_ts_ast(l, c.text, "f", ext);
}

class AstImports : public testing::TestWithParam<Case> {};

TEST_P(AstImports, Edges) {
    const Case& c = GetParam();
    const auto edges = imports_of(ast_support::all_languages(), c);
    EXPECT_EQ(render(edges), c.expected) << c.label;
    for (const auto& e : edges) EXPECT_EQ(e.from, "f");
}

INSTANTIATE_TEST_SUITE_P(
    Table, AstImports,
    testing::Values(
        Case{"go single", ".go", "package m\nimport \"fmt\"\n", {"imports:fmt"}},
        Case{"go group with alias and blank; empty and raw paths skipped",
             ".go",
             "package m\nimport (\n\t\"fmt\"\n\tm \"math\"\n\t_ \"embed\"\n\t\"\"\n\t`raw/path`\n)\n",
             {"imports:fmt", "imports:math", "imports:embed"}},
        Case{"ts default, side effect, type-only, empty; re-export is no import",
             ".ts",
             "import client from './api/client';\nimport './styles.css';\nimport type { T } from \"types\";\n"
             "import x from '';\nexport { a } from './a';\n",
             {"imports:./api/client", "imports:./styles.css", "imports:types", "imports:"}},
        Case{"same module twice gives two edges",
             ".ts",
             "import a from 'm';\nimport b from 'm';\n",
             {"imports:m", "imports:m"}},
        Case{"require: top level, in a body, two strings; template, name and dynamic import give none",
             ".js",
             "const e = require('express');\nfunction f() { return require(\"b\"); }\nrequire('c', 'd');\n"
             "require(`t`);\nrequire(name);\nrequire.resolve('r');\nimport('dyn');\n",
             {"requires:express", "requires:b", "requires:c", "requires:d"}},
        Case{"TypeScript import-equals has its source on another node", ".ts", "import fs = require('fs');\n", {}},
        Case{"python modules, aliases, relative and in bodies; future import none",
             ".py",
             "import os, sys\nimport numpy as np\nimport a.b.c as abc\nfrom . import x\nfrom ..pkg.mod import y\n"
             "from __future__ import annotations\ndef f():\n    import json\n",
             {"imports:os", "imports:sys", "imports:numpy", "imports:a.b.c", "imports:.", "imports:..pkg.mod",
              "imports:json"}},
        Case{"no imports", ".py", "x = 1\n", {}}));

TEST(AstImports, GoWithoutItsGrammarGivesNothing) {
    vorlane_ast::Languages l = ast_support::all_languages();
    l.go = nullptr;
    EXPECT_TRUE(vorlane_ast::extract_imports_go_ast(l, "package m\nimport \"fmt\"\n", "f").empty());
}

// The five fixed patterns, pattern by pattern, on the examples that show their reach.
TEST(FallbackPatterns, EdgesInPatternOrder) {
    struct P {
        const char* label;
        std::string text;
        V expected;
    };
    const std::vector<P> cases = {
        {"go single and group (first path only)",
         "import \"fmt\"\nimport (\n\t\"os\"\n\t\"io\"\n)\n",
         {"imports:fmt", "imports:os"}},
        {"default import: pattern 2 then 4", "import React from 'react'\n", {"imports:react", "imports:React"}},
        {"braces give only the module", "import { a } from 'b'\n", {"imports:b"}},
        {"side effect: double quotes only", "import \"x\"\nimport 'y'\n", {"imports:x"}},
        {"require with single quotes; a space before the parenthesis gives none",
         "require('y')\nrequire ('z')\n",
         {"requires:y"}},
        {"python imports",
         "import os.path\nimport os, sys\nfrom .models import A\nfrom . import b\n",
         {"imports:os.path", "imports:os", "imports:.models", "imports:."}},
        {"from on the next row still matches pattern 2", "import x\nfrom 'm'\n", {"imports:m", "imports:x"}},
        {"braces across rows do not", "import {\n a\n} from 'm'\n", {}},
        {"empty", "", {}},
    };
    for (const P& c : cases) EXPECT_EQ(render(vorlane_ast::parse_relations_regex("f", c.text)), c.expected) << c.label;
}

TEST(Dispatch, ChoosesByGrammarAndExtension) {
    const auto all = ast_support::all_languages();
    vorlane_ast::Languages no_go = all, go_only;
    no_go.go = nullptr;
    go_only.go = all.go;
    int fallback_calls = 0;
    const vorlane_ast::SymbolFallback fallback = [&](std::string_view, std::string_view, std::string_view ext) {
        ++fallback_calls;
        core::SymbolRecord r;
        r.name = "from_fallback" + std::string(ext);
        return graph_kit::Symbols{r};
    };
    auto names = [&](const vorlane_ast::Languages& l, const std::string& text, const char* ext) {
        V out;
        for (const auto& s : vorlane_ast::extract_symbols(l, text, "f", ext, fallback)) out.push_back(s.name);
        return out;
    };
    EXPECT_EQ(names(all, "def f(): pass\n", ".py"), V{"f"});
    EXPECT_EQ(names(all, "package m\nfunc F() {}\n", ".go"), V{"F"});
    EXPECT_EQ(names(no_go, "package m\nfunc F() {}\n", ".go"), V{"from_fallback.go"});
    EXPECT_EQ(names(go_only, "package m\nfunc F() {}\n", ".go"), V{"F"});
    EXPECT_EQ(names(go_only, "def f(): pass\n", ".py"), V{"from_fallback.py"});
    EXPECT_EQ(names(all, "<?php function f() {}", ".php"), V{"from_fallback.php"});
    EXPECT_EQ(fallback_calls, 3);

    const std::string go = "package m\nimport \"fmt\"\n";
    EXPECT_EQ(render(vorlane_ast::extract_imports(all, go, "f", ".go")), V{"imports:fmt"});
    EXPECT_EQ(render(vorlane_ast::extract_imports(no_go, go, "f", ".go")), V{"imports:fmt"});
    // A Markdown file that quotes code takes the patterns, syntax trees or not.
    EXPECT_EQ(render(vorlane_ast::extract_imports(all, "import yaml\n", "f", ".md")), V{"imports:yaml"});
    EXPECT_EQ(render(vorlane_ast::extract_imports(go_only, "import x from 'y'\n", "f", ".ts")),
              (V{"imports:y", "imports:x"}));
}

// A parse that runs out of its budget ends there, whatever the machine, and the file is
// taken as one whose grammar did not load: pattern edges and the fallback's symbols
// (here the pattern-based builder's), where its syntax tree would give "imports:y" alone.
TEST(Dispatch, AParseGivenUpTakesThePatternsAsWithoutItsGrammar) {
    const auto all = ast_support::all_languages();
    const vorlane_ast::SymbolFallback patterns = [](std::string_view content, std::string_view id, std::string_view) {
        return vorlane::extract_symbols_ts(content, id);
    };
    const std::string head = "import x from 'y'\nexport function loadUser() {}\n";
    for (const std::string& tail : ast_support::NEVER_ENDING_TSX) {
        const std::string text = head + tail;
        const vorlane_ast::SyntaxTree tree(all.tsx, text);
        EXPECT_FALSE(tree.parsed()) << tail;
        EXPECT_EQ(tree.progress_reports(), vorlane_ast::parse_budget(text.size()) + 1) << tail;

        const V edges{"imports:y", "imports:x"};
        const vorlane_ast::FileFacts f = vorlane_ast::extract_file(all, text, "f", ".tsx", true, patterns);
        EXPECT_EQ(render(f.edges), edges) << tail;
        EXPECT_EQ(render(f.symbols), V{"loadUser use_case/high/exported 1-1"}) << tail;
        EXPECT_EQ(render(vorlane_ast::extract_imports(all, text, "f", ".tsx")), edges) << tail;
        EXPECT_EQ(render(vorlane_ast::extract_symbols(all, text, "f", ".tsx", patterns)), render(f.symbols)) << tail;
        // The extractors themselves give what they give without the grammar: nothing.
        EXPECT_TRUE(vorlane_ast::extract_symbols_ts_ast(all, text, "f", ".tsx").empty()) << tail;
        EXPECT_TRUE(vorlane_ast::extract_imports_ts_ast(all, text, "f", ".tsx").empty()) << tail;
    }
    // The thread's parser starts afresh after a parse given up: a sound text parses whole.
    const vorlane_ast::SyntaxTree sound(all.tsx, head);
    ASSERT_TRUE(sound.parsed());
    EXPECT_FALSE(ts_node_has_error(sound.root()));
    EXPECT_EQ(ts_node_end_byte(sound.root()), head.size());
    EXPECT_EQ(render(vorlane_ast::extract_file(all, head, "f", ".tsx", true, patterns).edges), V{"imports:y"});
}

}  // namespace
