#include "graph/vorlane_ast/summary.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/text.hpp"
#include "tests/graph/vorlane_ast/pipeline_oracle.hpp"

namespace {

struct Case {
    const char* what;
    std::string content, path, ext, expected;
};

std::string defs(const char* prefix, int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) s += std::string(prefix) + std::to_string(i) + "():\n    pass\n";
    return s;
}

TEST(AstMakeSummary, LeadNamesAndDomain) {
    const Case cases[] = {
        {"docstring lead", "\"\"\"Payment rules for the billing API.\"\"\"\n", "billing.py", ".py",
         "Payment rules for the billing API."},
        {"docstring with a quote inside: first line instead", "\"\"\"Don't touch.\"\"\"\n", "x.py", ".py",
         "\"\"\"Don't touch.\"\"\"."},
        {"docstring under 8 characters", "'''Tiny.'''\n", "lib/tiny_mod.py", ".py", "'''Tiny.'''."},
        {"docstring over 200 characters", "\"\"\"" + std::string(201, 'a') + "\"\"\"", "a/b.py", ".py",
         "\"\"\"" + std::string(117, 'a') + "."},
        {"comment before the docstring", "# header comment\n\"\"\"Module documentation.\"\"\"\n", "m.py", ".py",
         "header comment."},
        {"interpreter line", "#!/usr/bin/env python3\n", "cli.py", ".py", "!/usr/bin/env python3."},
        {"JSDoc lead", "  /** Cart helpers.\n * Shared by the pages. */\nexport function add() {}\n", "src/cart.ts",
         ".ts", "Cart helpers. Shared by the pages. Contains 1 function: add."},
        {"markdown heading", "# Release checklist\n", "docs/release.md", ".md", "Release checklist."},
        {"Go comment line", "//   Package store keeps carts\npackage store\n", "store/store.go", ".go",
         "Package store keeps carts."},
        {"several trailing periods", "# Work in progress...\n", "n.md", ".md", "Work in progress."},
        {"domain from the last two kept parts", "", "src/api/user_accounts.py", ".py", "Handles api user accounts."},
        {"only ignored components", "", "src/main", "", "Handles main."},
        {"class line as lead and name", "class Cart:\n    pass\n", "c.py", ".py",
         "class Cart:. Contains 1 function: Cart."},
        {"five of seven, methods and private names left out",
         "def _x():\n    pass\n" + defs("def a", 7) + "class K:\n    def m(self):\n        pass\n", "s.py", ".py",
         "Handles s. Contains 5 functions/classes: a1, a2, a3, a4, ...."},
        {"a JS name met twice is listed once", "function go() {}\nfunction go() {}\nclass _Q {}\n", "w.js", ".js",
         "function go() {}. Contains 2 functions/classes: go, _Q."},
        {"empty file, empty id", "", "", "", ""},
        // This builder lists names for Python and the JavaScript family only.
        {"no names for Rust", "fn main() {}\npub struct Cart;\n", "src/cart.rs", ".rs", "fn main() {}."},
        {"no names for Go", "func Run() {}\n", "run.go", ".go", "func Run() {}."},
        {"no names for PHP", "<?php\nclass A;\n", "src/a.php", ".php", "Handles a."},
        {"no lead pattern for another type", "/** A long block comment. */\n", "k.swift", ".swift",
         "** A long block comment. */."},
    };
    for (const Case& c : cases) EXPECT_EQ(vorlane_ast::make_summary(c.content, c.path, c.ext), c.expected) << c.what;
}

TEST(AstMakeSummary, CutAt250Characters) {
    std::string names;
    for (const char* n : {"alpha", "beta", "gamma", "delta", "epsilon"})
        names += "class " + std::string(50, n[0]) + n + ":\n";
    const std::string lead = "\"\"\"" + std::string(150, 'w') + "\"\"\"\n";
    const std::string s = vorlane_ast::make_summary(lead + names, "x.py", ".py");
    EXPECT_EQ(core::cp_len(s), 250u);
    const std::string wide =
        vorlane_ast::make_summary("# " + std::string(40, 'x') + "\xc3\xa9" + std::string(200, 'y'), "x.md", ".md");
    EXPECT_EQ(core::cp_len(wide), 121u);  // the lead cut to 120 characters, then "."
}

// Every corpus text under every extension that the builder scans (and a few it does not),
// against the rules written in the host's language.
TEST(AstMakeSummary, SameAsTheHostOnTheCorpus) {
    const std::vector<std::string> files = pipeline_oracle::corpus_files();
    ASSERT_GT(files.size(), 20u);
    const char* exts[] = {".py", ".ts", ".tsx", ".js", ".jsx", ".go", ".md", ".json", ".rs", ".java", ""};
    nlohmann::json cases = nlohmann::json::array();
    std::vector<std::string> texts;
    for (const std::string& f : files) {
        texts.push_back(pipeline_oracle::read_text(f));
        const std::string id = f.substr(f.rfind('/', f.rfind('/') - 1) + 1);
        for (const char* e : exts) cases.push_back({{"op", "summary"}, {"file", f}, {"path", id}, {"ext", e}});
    }
    const nlohmann::json want = pipeline_oracle::ask(cases);
    ASSERT_EQ(want.size(), cases.size());
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const std::string got = vorlane_ast::make_summary(
            texts[k / std::size(exts)], cases[k]["path"].get<std::string>(), cases[k]["ext"].get<std::string>());
        EXPECT_EQ(got, want[k].get<std::string>()) << cases[k].dump();
    }
}

}  // namespace
