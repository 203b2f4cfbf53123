// The bounded match walks of the summary and keyword tables against the host's own
// finditer, on generated texts built from the pieces each pattern reacts to, and their
// results after long runs of blanks, line feeds, letters and braces.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/patterns.hpp"
#include "graph/vorlane/summary.hpp"
#include "graph/vorlane/summary_keywords_finders.hpp"
#include "tests/core/host_script.hpp"

namespace {

using vorlane::PatternSpec;

std::string hex(std::string_view s) {
    static constexpr char d[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) out += d[c >> 4], out += d[c & 15];
    return out;
}

// Every match as "start,end" pairs of all groups (-1 when absent), matches joined by ";".
std::string spans(const PatternSpec& spec, std::string_view text) {
    std::string out;
    bool first = true;
    spec.find_all(text, [&](const core::Match& m) {
        if (!first) out += ";";
        first = false;
        for (int g = 0; g < m.groups_plus_one(); ++g) {
            if (g) out += ",";
            out += m.has(g) ? std::to_string(m.start(g)) + "," + std::to_string(m.end(g)) : "-1,-1";
        }
        return true;
    });
    return out;
}

// The host's answer for each (pattern, flags, text), in the same form, with byte offsets.
std::vector<std::string> host_spans(const std::vector<std::pair<const PatternSpec*, std::string>>& calls) {
    nlohmann::json in = nlohmann::json::array();
    for (const auto& [spec, text] : calls) in.push_back({hex(spec->text), spec->flags, hex(text)});
    return host_script::run_host_script(R"py(import json, re, sys
FLAGS = {1: re.I, 2: re.M, 4: re.S}
cache = {}
answers = []
for pat, fl, text in json.load(open(sys.argv[1])):
    pat = bytes.fromhex(pat).decode()
    t = bytes.fromhex(text).decode()
    key = (pat, fl)
    if key not in cache:
        flags = 0
        for bit, v in FLAGS.items():
            if int(fl) & bit:
                flags |= v
        cache[key] = re.compile(pat, flags)
    p = cache[key]
    b = lambda i: -1 if i < 0 else len(t[:i].encode())
    ms = []
    for m in p.finditer(t):
        ms.append(",".join(str(b(x)) for g in range(p.groups + 1) for x in m.span(g)))
    answers.append(";".join(ms))
json.dump(answers, open(sys.argv[2], "w"))
)py",
                                        in)
        .get<std::vector<std::string>>();
}

std::vector<PatternSpec> bounded_specs() {
    std::vector<PatternSpec> out;
    for (auto table : {vorlane::summary_patterns, vorlane::keyword_patterns})
        for (const auto& spec : table())
            if (spec.find_all) out.push_back(spec);
    return out;
}

// The pieces that each bounded pattern reacts to, white space of the host's kinds included.
const std::map<std::string_view, std::vector<std::string>>& pieces() {
    static const std::vector<std::string> ruby{" ", "\n", "def ", "class", "module", "def",
                                               "x", "\t", "_a",   "\x1f",  "\r"};
    static const std::vector<std::string> c_lines{" ",  "\n", "int", "main", "(",  ")",      ";", "{", "*",   ":",
                                                  "if", "x",  "é",   "-",    "\t", "\u00a0", "<", "&", "\x1d"};
    static const std::map<std::string_view, std::vector<std::string>> p{
        {"summary.block_doc", {"/*", "*/", "/", "*", " ", "\n", "a", "/**", "\x1c", "\u3000"}},
        {"summary.rb_names", ruby},
        {"keywords.rb", ruby},
        {"keywords.swift_func",
         {" ", "\n", "func ", "func", "public", "class ", "open ", "override", "x", "o", "\x1c", "é"}},
        {"keywords.java_type",
         {" ", "\n", "public", "private", "final", "class ", "class", "enum", "X", "static", "pub", "é", "\u00a0",
          "protected", "fin"}},
        {"keywords.java_method",
         {" ",     "\n", "public", "static", "final", "void", "(",      "foo",    "<",      "[]",
          "class", "if", "for",    "x",      "é",     "?",    "\u00a0", "\u2003", "whilex", "\x1e"}},
        {"keywords.c_func", c_lines},
        {"summary.rs_names",
         {"pub", "(", ")", " ", "\n", "fn ", "fn", "struct ", "enum", "trait ", "x", "crate", "\t"}},
        {"keywords.rs_fn", {"pub", "(", ")", " ", "\n", "fn ", "fn", "x", "crate", "\t", "é"}},
        {"keywords.go", {"func", " ", "(", ")", "\n", "X", "x", "func (", "Ab", "\t", "é"}},
        {"keywords.swift_type",
         {" ", "\n", "public ", "private", "internal ", "open ", "final", "protocol ", "class", "struct ", "X",
          "\x1c"}},
        {"keywords.kotlin",
         {" ", "\n", "public ", "private", "internal ", "interface ", "open ", "object", "data ", "fun ", "X",
          "\u2028"}},
        {"summary.c_definitions", c_lines},
    };
    return p;
}

TEST(BoundedFinders, SameMatchesAsTheHost) {
    const auto specs = bounded_specs();
    ASSERT_EQ(specs.size(), pieces().size());
    std::mt19937 rng(20240611);
    std::vector<std::pair<const PatternSpec*, std::string>> calls;
    for (const auto& spec : specs) {
        auto it = pieces().find(spec.label);
        ASSERT_NE(it, pieces().end()) << spec.label;
        const auto& alphabet = it->second;
        for (int n = 0; n < 1500; ++n) {
            std::string text;
            const int len = static_cast<int>(rng() % 24);
            for (int k = 0; k < len; ++k) text += alphabet[rng() % alphabet.size()];
            calls.emplace_back(&spec, text);
        }
    }
    // Texts of the shapes the routines reason about.
    const char* shaped[] = {
        "/**/",
        "/** x */",
        "/**/ x */",
        "  /* a */ /* b",
        "/*\n*/",
        "x /* y",
        "/***/",
        "\n\n  def go\n\n\tclass K\nmodule M",
        "  \n  \ndef\n",
        "def x\n def y",
        "\r\ndef a",
        "\n\n    static func a()\npublic class func b\n   func",
        "open override func c",
        "publicfunc x",
        "public class A",
        "publicclass B",
        "finalrecord R",
        "public  \n static enum E",
        "private interfaceI x",
        "public static foo(",
        "publicpublic bar (",
        "public final(",
        "public void f<T>(",
        "static int[] g (",
        "public for(x",
        "public format(y",
        " class z(",
        "public List<A> h(",
        "aprivateaprivate void f(",
        "a<privatea<private x y(",
        "funprivatefunprivate g h(",
        "xpublic static y(",
        "int main(int a,\n char b)\n{\n",
        "  if (x) {\n int f(y) {\n",
        "a b(;c d(\n",
        "x\n y z(\n;\n",
        "int\n\n\nmain\n(\n)\n{",
        "::a *b(c{",
        "int f() { } int g(",
        "a b(\n\n;",
    };
    for (const auto& spec : specs)
        for (const char* t : shaped) calls.emplace_back(&spec, t);

    const auto answers = host_spans(calls);
    ASSERT_EQ(answers.size(), calls.size());
    int failures = 0;
    for (std::size_t i = 0; i < calls.size() && failures < 10; ++i) {
        const auto& [spec, text] = calls[i];
        const std::string got = spans(*spec, text);
        if (got != answers[i]) ++failures;
        EXPECT_EQ(got, answers[i]) << spec->label << " on \"" << text << "\"";
    }
}

std::vector<std::string> groups1(void (*find)(std::string_view, const vorlane::MatchFn&), std::string_view text) {
    std::vector<std::string> out;
    find(text, [&](const core::Match& m) {
        out.push_back(std::to_string(m.start()) + ":" + std::string(m.has(1) ? m.group(1) : "-"));
        return true;
    });
    return out;
}

TEST(BoundedFinders, LongRunsBeforeADeclaration) {
    namespace f = vorlane::finders;
    using V = std::vector<std::string>;
    const std::size_t n = 300000;
    const std::string blanks(n, ' '), feeds(n, '\n'), mixed = [&] {
        std::string s;
        while (s.size() < n) s += "  \n";
        return s;
    }();
    EXPECT_EQ(groups1(f::block_comment, "/**" + blanks + "*/"), V{"0:"});
    EXPECT_EQ(groups1(f::block_comment, "/**" + mixed), V{});
    EXPECT_EQ(groups1(f::ruby_names, feeds + "def go"), V{"0:go"});
    EXPECT_EQ(groups1(f::ruby_names, mixed + "x"), V{});
    EXPECT_EQ(groups1(f::swift_funcs, mixed + "static func go"), V{"0:go"});
    EXPECT_EQ(groups1(f::java_types, blanks + "class Go"), V{"0:Go"});
    EXPECT_EQ(groups1(f::java_types, mixed + "x"), V{});
    EXPECT_EQ(groups1(f::java_methods, blanks + "void go("), V{"0:go"});
    EXPECT_EQ(groups1(f::java_methods, mixed + "x"), V{});
    EXPECT_EQ(groups1(f::c_open_calls, feeds + "int go("), V{"0:go"});
    EXPECT_EQ(groups1(f::c_open_calls, mixed + "x"), V{});
    EXPECT_EQ(groups1(f::c_definitions, mixed + "int go() {"), V{"0:go"});
    EXPECT_EQ(groups1(f::c_definitions, blanks + "x"), V{});

    // Repeated openings whose closing part comes late or never.
    auto lines = [&](std::string_view line) {
        std::string s;
        while (s.size() < n) s += line;
        return s;
    };
    const std::string pubs = lines("pub(\n"), funcs = lines("func (\n"), mods = lines("public\n");
    auto at = [](std::size_t pos, std::string_view name) { return V{std::to_string(pos) + ":" + std::string(name)}; };
    EXPECT_EQ(groups1(f::rust_fns, pubs + ")x\nfn y"), at(pubs.size() + 3, "y"));
    EXPECT_EQ(groups1(f::rust_items, pubs + ")x\nfn y"), at(pubs.size() + 3, "y"));
    EXPECT_EQ(groups1(f::rust_fns, pubs + ") fn y"), at(0, "y"));
    EXPECT_EQ(groups1(f::go_funcs, funcs + ")x\nfunc Y"), at(funcs.size() + 3, "Y"));
    EXPECT_EQ(groups1(f::go_funcs, funcs + ") Y"), at(0, "Y"));
    EXPECT_EQ(groups1(f::swift_types, mods + "x\nclass X"), at(mods.size() + 2, "X"));
    EXPECT_EQ(groups1(f::kotlin_decls, mods + "x\nfun y"), at(mods.size() + 2, "y"));
    EXPECT_EQ(groups1(f::java_types, lines("public\n") + "class X"), V{"0:X"});
    // One run of word characters holding an access word every few characters: each is a
    // chain of its own whose type run is the rest of the run.
    const std::string words = lines("aprivate");
    EXPECT_EQ(groups1(f::java_methods, words), V{});
    EXPECT_EQ(groups1(f::java_methods, words + " void go("), at(words.size() - 7, "go"));
}

TEST(BoundedFinders, WholeFunctionsOnLongRuns) {
    // Every extension's passes over 300000-byte runs: nothing to find, and no pass gives up.
    const std::size_t n = 300000;
    const std::string runs[] = {std::string(n, ' '), std::string(n, '\n'), std::string(n, 'a'), std::string(n, '{'),
                                std::string(n, '}')};
    const char* exts[] = {".py", ".ts", ".rs", ".java", ".kt", ".cs", ".xaml", ".rb", ".php", ".c", ".go", ".swift"};
    for (const auto& run : runs) {
        for (const char* ext : exts) {
            EXPECT_EQ(vorlane::extract_keywords(run, ext), std::vector<std::string>{}) << ext;
            const std::string summary = vorlane::make_summary(run, std::string("f") + ext, ext);
            if (run[0] == 'a')
                EXPECT_EQ(summary, std::string(120, 'a') + ".") << ext;
            else if (run[0] == '{' || run[0] == '}')
                EXPECT_EQ(summary, std::string(120, run[0]) + ".") << ext;
            else
                EXPECT_EQ(summary, "Handles f.") << ext;
        }
    }
}

}  // namespace
