#include <gtest/gtest.h>

#include <string>

#include "core/text.hpp"
#include "graph/vorlane/summary.hpp"

namespace {

struct SummaryCase {
    const char* what;
    std::string content, path, ext, expected;
};

TEST(MakeSummary, LeadNamesAndDomain) {
    const std::string seven = [] {
        std::string s;
        for (char c : std::string("abcdefg")) s += std::string("def ") + c + "():\n    pass\n";
        return s;
    }();
    const SummaryCase cases[] = {
        // Lead: docstring, block comment, first lines, path sentence.
        {"empty file at src/index.ts", "", "src/index.ts", ".ts", "Handles index."},
        {"backslash path, blank opening lines", "\n\n\n\n\ndef login():\n    pass\n", "src\\auth\\login_handler.py",
         ".py", "Handles auth login handler. Contains 1 function: login."},
        {"seven functions, five counted", seven, "src/tools.py", ".py",
         "Handles tools. Contains 5 functions/classes: a, b, c, d, ...."},
        {"interpreter line before the docstring", "#!/usr/bin/env python3\n\"\"\"Command line entry point.\"\"\"\n",
         "cli.py", ".py", "!/usr/bin/env python3."},
        {"docstring with an apostrophe", "\"\"\"Don't import this module.\"\"\"\n", "x.py", ".py",
         "\"\"\"Don't import this module.\"\"\"."},
        {"mixed docstring delimiters, private and nested defs",
         "  \n'''Helpers for dates\n   and   times.\"\"\"\nclass _Hidden:\n    pass\nasync def parse_date(s):\n"
         "    def inner():\n        pass\n",
         "dates.py", ".py", "Helpers for dates and times. Contains 1 function: parse_date."},
        {"docstring under 8 characters", "\"\"\"Tiny.\"\"\"\n", "x.py", ".py", "\"\"\"Tiny.\"\"\"."},
        {"extension not in lower case", "\"\"\"Module documentation.\"\"\"\ndef run():\n    pass\n", "tool.Py", ".Py",
         "\"\"\"Module documentation.\"\"\"."},
        {"lead ending in dots", "# Work in progress...\n", "notes.md", ".md", "Work in progress."},
        {"hashes go before slashes", "/// ## Shared helpers\n", "notes.md", ".md", "## Shared helpers."},
        {"block comment that opens the file",
         "/**\n * Service layer\n * for orders.\n */\nexport function placeOrder() {}\n", "src/orders.ts", ".ts",
         "Service layer for orders. Contains 1 function: placeOrder."},
        {"empty block comment", "/**/\nconst thingOne = 1;\n", "a.ts", ".ts", "const thingOne = 1;."},
        {"block comment after code", "const x = 1;\n/** Late comment text */\n", "a.js", ".js", "const x = 1;."},
        // Names per extension and their stop rules.
        {"keywords inside longer words", "// call myfunction helper() and subclass Widget\n", "a.jsx", ".jsx",
         "call myfunction helper() and subclass Widget. Contains 2 functions/classes: helper, Widget."},
        {"enum class and an if block",
         "enum class Color { Red };\nint main(int argc, char **argv) {\n  if (argc) {\n  }\n}\n", "color.h", ".h",
         "enum class Color { Red };. Contains 2 functions/classes: class, main."},
        {"ruby method on self", "class Greeter\n  def self.call\n  end\nend\n", "greeter.rb", ".rb",
         "class Greeter. Contains 2 functions/classes: Greeter, self."},
        {"xaml class and repeated names",
         "<Window x:Class=\"App.Views.MainWindow\">\n<Button x:Name=\"OkButton\"/>\n<Button x:Name=\"OkButton\"/>\n"
         "<Button x:Name=\"Cancel\"/>\n",
         "Main.xaml", ".xaml",
         "<Window x:Class=\"App.Views.MainWindow\">. Contains 3 functions/classes: MainWindow, OkButton, Cancel."},
        {"xaml class without a dot", "<Window x:Class=\"MainWindow\">\n", "Main.xaml", ".xaml",
         "<Window x:Class=\"MainWindow\">."},
        {"rust items in the first column",
         "pub(crate) fn load() {}\n    fn inner() {}\nstruct Config;\npub enum Mode {}\n", "src/lib.rs", ".rs",
         "pub(crate) fn load() {}. Contains 3 functions/classes: load, Config, Mode."},
        {"kotlin", "data class Cart(val id: Int)\nfun total() = 0\n", "Cart.kt", ".kt",
         "data class Cart(val id: Int). Contains 2 functions/classes: Cart, total."},
        {"c sharp", "public record Point(int X);\nstruct Size {}\n", "Geo.cs", ".cs",
         "public record Point(int X);. Contains 2 functions/classes: Point, Size."},
        {"php", "<?php\ntrait Greets {}\nfunction hello() {}\n", "a.php", ".php",
         "trait Greets {}. Contains 2 functions/classes: Greets, hello."},
        {"go has no names", "package main\n\nfunc Main() {}\n", "cmd/main.go", ".go", "package main."},
        // Domain sentence.
        {"domain keeps a dotted stem", "", "web/ui/Button.test.tsx", ".tsx", "Handles ui Button.test."},
        {"domain replaces separators", "", "src/my-app/user_profile.py", ".py", "Handles my app user profile."},
        {"every part is a common folder", "", "src/main", ".md", "Handles main."},
        {"common folders compared in lower case", "", "lib/App/INDEX.js", ".js", "Handles INDEX."},
        {"parent step stays", "", "../x.py", ".py", "Handles .. x."},
        {"path of one dot", "", ".", ".md", ""},
        {"empty path", "", "", ".md", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(vorlane::make_summary(c.content, c.path, c.ext), c.expected) << c.what;
}

std::string repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(MakeSummary, CutsCountCodePoints) {
    // A 130-character lead of two-byte characters keeps 120 of them.
    EXPECT_EQ(vorlane::make_summary("# " + repeat("é", 130) + "\n", "a.md", ".md"), repeat("é", 120) + ".");
    // The docstring and block comment leads are cut the same way.
    EXPECT_EQ(vorlane::make_summary("\"\"\"" + repeat("ü", 130) + "\"\"\"", "a.py", ".py"), repeat("ü", 120) + ".");
    EXPECT_EQ(vorlane::make_summary("/* " + repeat("ж", 130) + " */", "a.ts", ".ts"), repeat("ж", 120) + ".");

    // The whole summary is cut at 250 characters, inside a name if need be.
    std::string content = "# " + repeat("ö", 100) + "\n";
    for (int i = 0; i < 4; ++i) content += "def f" + std::to_string(i) + repeat("ä", 40) + "():\n    pass\n";
    std::string full = repeat("ö", 100) + ". Contains 4 functions/classes: ";
    for (int i = 0; i < 4; ++i) full += (i ? ", f" : "f") + std::to_string(i) + repeat("ä", 40);
    full += ".";
    ASSERT_GT(core::cp_len(full), 250u);
    const std::string got = vorlane::make_summary(content, "a.py", ".py");
    EXPECT_EQ(core::cp_len(got), 250u);
    EXPECT_EQ(got, core::cp_prefix(full, 250));
}

TEST(MakeSummary, FileIdWithLoneSurrogateIsCarriedThrough) {
    // A file name byte that is not UTF-8 reaches us as a surrogate escape (U+DCFF).
    const std::string name = "caf\xED\xB3\xBF_x.py";
    EXPECT_EQ(vorlane::make_summary("", "pkg/" + name, ".py"), "Handles caf\xED\xB3\xBF x.");
}

}  // namespace
