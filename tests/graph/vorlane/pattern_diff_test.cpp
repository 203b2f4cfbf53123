// Every pattern of the builder, run over a corpus through the host's `re` and through the
// pattern layer (or the pattern's own bounded routine where it has one): the matches,
// their spans and every group must be the same.
//
// The corpus: the fixture files, a fixed handful of the host's standard-library sources,
// and generated texts made to stress backtracking and the host's character meanings
// (long runs of blanks, token characters and braces, every kind of line break, letters
// outside ASCII, the dotted and dotless i). Texts are read as the scan reads a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graph/vorlane/patterns.hpp"
#include "tests/core/pattern_diff.hpp"

namespace {

namespace fs = std::filesystem;
using pattern_diff::repeat;

// Texts that stress the patterns: runs alone, after the words that open a pattern, and
// between a head and a tail that complete one; plus seeded mixes of pattern tokens.
std::vector<std::string> generated_texts() {
    const std::vector<std::string> units = {" ",
                                            "\t",
                                            "\n",
                                            " \n",
                                            "\n\n ",
                                            "\x0b",
                                            "\x0c",
                                            "\x1c",
                                            "\xc2\x85",
                                            "\xe2\x80\xa8",
                                            "\xe3\x80\x80",
                                            "\r",
                                            "\r\n",
                                            "a",
                                            "Z",
                                            "ab/",
                                            "a-b_",
                                            "{",
                                            "}",
                                            "{}",
                                            "(",
                                            "é",
                                            "İ",
                                            "ı",
                                            "\"",
                                            ".",
                                            "AB"};
    const std::vector<std::string> heads = {"",
                                            "import",
                                            "import ",
                                            "from ",
                                            "from a ",
                                            "export ",
                                            "export const x = ",
                                            "export const x = (",
                                            "def ",
                                            "class ",
                                            "@app.get(",
                                            "require ",
                                            "use ",
                                            "x:Class=\"",
                                            "#include ",
                                            "function ",
                                            "interface ",
                                            "type X ",
                                            "async ",
                                            "public ",
                                            "pub ",
                                            "import \"",
                                            "import (",
                                            "a/b",
                                            "get",
                                            "@router.post(\"/x\")\n"};
    const std::vector<std::string> tails = {"", " from 'm'", "\"q\"", "x.py", "def f(", "class A", "{}"};
    std::vector<std::string> out;
    const std::size_t n = 500;
    for (const auto& u : units) {
        out.push_back(repeat(u, n));
        out.push_back("x" + repeat(u, n) + "import a from 'b'\nfrom . import c\nsrc/" + repeat(u, 40) + "a.ts");
    }
    for (std::size_t h = 0; h < heads.size(); ++h)
        for (std::size_t k = 0; k < units.size(); k += 3) {
            const std::string& u = units[(k + h) % units.size()];
            out.push_back(heads[h] + repeat(u, n / 2) + tails[(h + k) % tails.size()]);
            out.push_back(repeat(heads[h] + u + u, n));
        }

    const std::vector<std::string> tokens = {
        "import",   "from",     "export",     "const",  "default",   "async", "function",
        "class",    "def",      "interface",  "type",   "require",   "use",   "mod",
        "using",    "x:Class=", "#include",   "@",      "app",       ".",     "get",
        "POST",     "GET",      "(",          ")",      "{",         "}",     "=",
        "=>",       "z.",       "'",          "\"",     "/",         "\\",    "x",
        "Foo",      "useAuth",  "userSchema", "a/b.ts", ".py",       "json",  " ",
        "  ",       "\t",       "\n",         "\n\n",   "\n ",       "\x0c",  "\xe3\x80\x80",
        "\xc2\x85", "é",        "İ",          "ı",      ";",         ":",     "*",
        "_",        "test_x",   "<",          ">",      "[",         "]",     "blueprint",
        "router",   "delete",   "fn",         "pub",    "@interface"};
    std::mt19937 rng(20240611);
    auto mix = [&](const std::vector<std::string>& alphabet, int count, int max_kinds, int max_len) {
        pattern_diff::append_mixes(out, rng, alphabet, count, max_kinds, max_len);
    };
    // Hand-made cases of the routines' branches.
    for (const char* t : {"import \"a\"",
                          "import(\"a\")",
                          "import ( \"a\"",
                          "import (\n\"a\" \"b\")",
                          "import \"\"",
                          "import \"",
                          "import  ( \"x\"",
                          "import(  \"x\"",
                          "import\xe3\x80\x80\"x\"",
                          "import (\"a",
                          "import \"a",
                          "import from 'a'",
                          "import  from 'a'",
                          "import  from 'a' from 'b'",
                          "import \n from 'a'",
                          "import x\n from 'a'",
                          "import x from\n'a'",
                          "import x\nfrom 'a'",
                          "import  from '' from 'b'",
                          "import x from 'a",
                          "import x from 'a\"",
                          "import\tx\tfrom\t\"y\"",
                          "import x from  \n 'y'",
                          "import x  y from 'z' from 'w'",
                          "import a\n\n from 'b'",
                          "import a \n b from 'c'",
                          "import a\xc2\x85"
                          "from 'b'",
                          "import a from 'b' import c from 'd'",
                          "import import x from 'y'",
                          "import a\nimport b from 'c'\nimport  from 'd'",
                          "\n\n import a",
                          "import",
                          "from . import x",
                          "  from a import  \n",
                          "\x0c"
                          "import a",
                          "\n \n from a.b import c\nfrom x import",
                          "from a import",
                          "a/b.tsx",
                          "a/b.tsxx",
                          "./src/App.tsx",
                          "x/y.CPP",
                          "a/b.c.d/e.py",
                          "https://example.com/docs/a.md",
                          "a/b.jsonp",
                          "/.py",
                          "a/.py",
                          "-/x.h",
                          "a/b.hpp",
                          "a/b.",
                          "a/b.kts.cs",
                          "HTMLParser",
                          "ABc",
                          "AB",
                          "aBCd",
                          "XMLHttpRequest",
                          "ABCdEFg",
                          "@blueprınt.get('/')\ndef ıtem(",
                          "@BLUEPRİNT.post()\n  def İtem (",
                          "@Router.Patch ( x )\n\t@auth\n async  def h_1("})
        out.push_back(t);
    mix(tokens, 300, 12, 80);
    // Small alphabets around the patterns that have routines of their own, so that their
    // rarer paths (quotes after "(" or blanks, "from" on the next row, blank rows, token
    // runs before several extensions, capital runs) come up often.
    mix({"import", " ", "  ", "\n", "(", "\"", "x", "\xe3\x80\x80"}, 150, 6, 24);
    mix({"import", "from", " ", "  ", "\n", " \n ", "'", "\"", "x", "\t", "\xc2\x85"}, 250, 8, 24);
    mix({"import", "from", " ", "\n", "a", ".", "\x0c", "b.c", "\n\n"}, 150, 7, 24);
    mix({"a", "/", ".", "ts", "tsx", "json", "js", "c", "cpp", "-", "_", "\xc3\xa9", " ", "kts", "h"}, 150, 8, 30);
    mix({"A", "B", "a", "b", "1", "_", "\xc3\xa9", "AB"}, 150, 6, 30);
    return out;
}

TEST(PatternDiff, SameMatchesAsTheHost) {
    const kit::Scratch scratch("pattern_diff");
    const std::string& dir = scratch.path();
    std::vector<std::string> names, paths;
    const fs::path corpus = kit::fs_path(kit::source_path("tests/fixtures/corpus"));
    std::vector<std::pair<std::string, std::string>> found;
    for (const auto& e : fs::recursive_directory_iterator(corpus))
        if (e.is_regular_file())
            found.emplace_back("corpus/" + e.path().lexically_relative(corpus).generic_string(), kit::text(e.path()));
    std::sort(found.begin(), found.end());
    for (auto& f : found) {
        names.push_back(std::move(f.first));
        paths.push_back(std::move(f.second));
    }
    // Standard-library sources of the host: a fixed, bounded selection.
    for (const auto& p : pattern_diff::stdlib_files(
             {"fnmatch.py", "textwrap.py", "shlex.py", "json/decoder.py", "json/encoder.py", "string.py", "glob.py",
              "colorsys.py", "html/__init__.py", "email/_parseaddr.py", "lib2to3/Grammar.txt", "tokenize.py"})) {
        names.push_back("stdlib/" + fs::path(p).filename().string());
        paths.push_back(p);
    }
    const auto gen = generated_texts();
    for (std::size_t i = 0; i < gen.size(); ++i) {
        const std::string path = kit::join(dir, "gen" + std::to_string(i));
        kit::write_file(path, gen[i]);
        names.push_back("generated #" + std::to_string(i));
        paths.push_back(path);
    }
    pattern_diff::expect_same_matches_as_host(vorlane::all_patterns(), names, paths,
                                              [](const vorlane::PatternSpec& s) { return s.label; });
}

}  // namespace
