// Relation edges: every pass, their order, the suffix groups and the path-like tokens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/paths.hpp"
#include "graph/vorlane/relations.hpp"

namespace {

using Strings = std::vector<std::string>;

// "rel to" per edge; every edge must come from `from`.
Strings brief(const std::vector<core::Edge>& edges, const std::string& from) {
    Strings out;
    for (const auto& e : edges) {
        EXPECT_EQ(e.from, from);
        out.push_back(e.rel + " " + e.to);
    }
    return out;
}

struct Case {
    const char* what;
    const char* suffix;
    std::string text;
    Strings edges;
};

void expect_cases(const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(brief(vorlane::relations_of("f", c.suffix, c.text), "f"), c.edges) << c.what;
}

TEST(Relations, GeneralPasses) {
    expect_cases({
        {"empty text", ".ts", "", {}},
        {"no match", ".ts", "const x = 1;\n", {}},
        {"go group: only the first name", ".go", "import (\n\t\"fmt\"\n\t\"os\"\n)\n", {"imports fmt"}},
        {"go single import", ".go", "import \"net/http\"\n", {"imports net/http"}},
        {"go named import through the dotted-name pass", ".go", "import f \"fmt\"\n", {"imports f"}},
        {"pass order",
         ".tsx",
         "import React from \"react\"\nimport { useState } from 'react'\nimport \"./styles.css\"\n",
         {"imports ./styles.css", "imports react", "imports react", "imports React", "references /styles.cs"}},
        {"braces over several rows before from", ".ts", "import {\n  a,\n  b\n} from 'x'\n", {}},
        {"from on the next row", ".ts", "import x\nfrom 'y'\n", {"imports y", "imports x"}},
        {"the stretch stays on its row", ".ts", "import a,\n b from 'y'\n", {"imports a"}},
        {"one blank before from is taken as the stretch's", ".ts", "import from 'a'", {"imports from"}},
        {"two blanks before from", ".ts", "import  from 'a'", {"imports a", "imports from"}},
        {"a later from on the row wins", ".ts", "import  from 'a' from 'b'", {"imports b", "imports from"}},
        {"require", ".js", "const a = require('lodash'); require(\"./b\")", {"requires lodash", "requires ./b"}},
        {"require with a blank inside", ".js", "require( 'x')", {}},
        {"python dotted import", ".py", "import os.path\n", {"imports os.path"}},
        {"python list: first name only", ".py", "import os, sys\n", {"imports os"}},
        {"python relative from",
         ".py",
         "from . import x\nfrom .models import User\n",
         {"imports .", "imports .models"}},
        {"python indented import", ".py", "if x:\n    import json\n", {"imports json"}},
        {"letter case counts", ".py", "Import X\nFROM a IMPORT b\n", {}},
        {"blank rows before an import", ".py", "\n\n  \n\timport a\n", {"imports a"}},
        {"markdown gets the general passes",
         ".md",
         "import fmt\nsee docs/guide.md\n",
         {"imports fmt", "references docs/guide.md"}},
    });
}

TEST(Relations, LanguagePasses) {
    expect_cases({
        {"swift, column 0 only, also the dotted-name pass",
         ".swift",
         "import UIKit\n  import Foundation\n",
         {"imports UIKit", "imports Foundation", "imports UIKit"}},
        {"rust use and mod, uses first",
         ".rs",
         "mod tests;\nuse std::io;\nuse std::{io, fs};\npub use a::b;\n  use c;\n",
         {"imports std::io", "imports std::", "imports tests"}},
        {"java: dotted-name pass and language pass",
         ".java",
         "import java.util.List;\nimport static org.x;\nimport a.b.*;\n",
         {"imports java.util.List", "imports static", "imports a.b.", "imports java.util.List", "imports static",
          "imports a.b."}},
        {"kotlin script", ".kts", "import a.B\n", {"imports a.B", "imports a.B"}},
        {"scala", ".scala", "import a.b\n", {"imports a.b", "imports a.b"}},
        {"c#",
         ".cs",
         "using System.Text;\nusing static System.Math;\nusing (var r = x) {}\n",
         {"imports System.Text", "imports static"}},
        {"suffix compared exactly", ".CS", "using System.Text;\n", {}},
        {"suffix of another group", ".rb", "using System.Text;\n", {}},
        {"xaml: the first class only",
         ".xaml",
         "<A x:Class=\"App.Main\"/><B x:Class=\"App.Other\"/>",
         {"references App.Main"}},
        {"ruby, parenthesised require through the general pass first",
         ".rb",
         "require 'json'\nrequire_relative \"../lib/x\"\nrequire('y')\n",
         {"requires y", "requires json", "requires ../lib/x"}},
        {"php",
         ".php",
         "use App\\Models\\User;\n    use Inner;\nuse function Foo\\bar;\n",
         {"imports App\\Models\\User", "imports function"}},
        {"c include, quoted form in column 0 only",
         ".h",
         "#include \"foo.h\"\n#include <stdio.h>\n# include \"x.h\"\n",
         {"includes foo.h"}},
        {"c++ include of a path",
         ".cpp",
         "#include \"core/a.hpp\"\n",
         {"includes core/a.hpp", "references core/a.hpp"}},
    });
}

TEST(Relations, PathTokens) {
    expect_cases({
        {"plain path", ".txt", "see src/app/main.py", {"references src/app/main.py"}},
        {"leading dot dropped", ".txt", "./src/App.tsx", {"references /src/App.tsx"}},
        {"longest listed extension: tsx, json, hpp",
         ".txt",
         "a/b.tsx a/c.json a/d.hpp",
         {"references a/b.tsx", "references a/c.json", "references a/d.hpp"}},
        {"nothing has to follow the extension",
         ".txt",
         "a/b.tsxx a/c.jsonp",
         {"references a/b.tsx", "references a/c.json"}},
        {"no slash", ".txt", "data.json", {}},
        {"one dot only", ".txt", "foo/bar.test.ts", {}},
        {"lower-case extensions only", ".txt", "x/y.CPP", {}},
        {"xaml is not listed", ".txt", "a/b.xaml", {}},
        {"web address in pieces",
         ".txt",
         "https://example.com/docs/a.md",
         {"references //example.c", "references om/docs/a.md"}},
        {"token right after a match", ".txt", "a/b.pyc/d.py", {"references a/b.py", "references c/d.py"}},
    });
}

TEST(Relations, ParseRelationsUsesTheFileIdAndExactSuffix) {
    const std::string root = "/nonexistent-relations-root";
    const std::string id = std::string("src") + core::paths::SEP + "a.py";
    const auto edges = vorlane::parse_relations(root + "/src/a.py", "import os\n# src/a.py\n", root);
    EXPECT_EQ(brief(edges, id), (Strings{"imports os", "references src/a.py"}));
    const auto rust = vorlane::parse_relations(root + "/lib.RS", "use std::io;\n", root);
    EXPECT_TRUE(brief(rust, "lib.RS").empty());
}

// Runs of a few hundred thousand characters, each the worst case of one pattern for a
// backtracking search; the routines go through them once.
TEST(Relations, LongRuns) {
    const std::size_t n = 300000;
    std::string slashes;
    while (slashes.size() < n) slashes += "ab/";
    expect_cases({
        {"letters and slashes", ".ts", slashes, {}},
        {"letters and slashes before an extension", ".ts", slashes + ".ts", {"references " + slashes + ".ts"}},
        {"blanks after import", ".ts", "import" + std::string(n, ' ') + "\"x\"", {"imports x"}},
        {"blanks after import, no from", ".ts", "import" + std::string(n, ' ') + "x", {"imports x"}},
        {"blanks before from", ".ts", "import x" + std::string(n, ' ') + "from 'y'", {"imports y", "imports x"}},
        {"imports on one long row",
         ".ts",
         [&] {
             std::string s;
             while (s.size() < n) s += "import  x ";
             return s;
         }(),
         {"imports x"}},
        {"blank rows", ".py", std::string(n, '\n') + "import a\nfrom b import c\n", {"imports a", "imports b"}},
        {"blank rows after from", ".py", "from" + std::string(n, '\n'), {}},
        {"braces", ".ts", std::string(n, '{'), {}},
    });
}

}  // namespace
