// Every pattern of the builder, run over a corpus through the host's `re` and through the
// pattern layer (or the pattern's own bounded routine where it has one): the matches,
// their spans and every group must be the same.
//
// The corpus: the fixture files, a fixed handful of the host's standard-library sources,
// and generated texts made to stress backtracking and the host's character meanings
// (long runs of blanks, token characters and braces, every kind of line break, letters
// outside ASCII, the dotted and dotless i). Texts are read as the scan reads a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/hash.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/vorlane/patterns.hpp"

namespace {

namespace fs = std::filesystem;
using Flat = std::vector<long>;  // per match: start and end of every group, code points, -1 when absent

struct Text {
    std::string name, path;
};

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Standard-library sources of the host: a fixed, bounded selection.
std::vector<std::string> stdlib_files() {
    const char* names[] = {
        "fnmatch.py", "textwrap.py", "shlex.py",         "json/decoder.py",     "json/encoder.py",     "string.py",
        "glob.py",    "colorsys.py", "html/__init__.py", "email/_parseaddr.py", "lib2to3/Grammar.txt", "tokenize.py"};
    FILE* p = popen("'" PYTHON_EXECUTABLE "' -c \"import sysconfig;print(sysconfig.get_paths()['stdlib'])\"", "r");
    std::string dir;
    if (p) {
        char buf[4096];
        while (fgets(buf, sizeof buf, p)) dir += buf;
        pclose(p);
    }
    while (!dir.empty() && (dir.back() == '\n' || dir.back() == '\r')) dir.pop_back();
    std::vector<std::string> out;
    for (const char* n : names)
        if (fs::is_regular_file(fs::path(dir) / n)) out.push_back((fs::path(dir) / n).string());
    return out;
}

std::string repeat(std::string_view unit, std::size_t n) {
    std::string s;
    while (s.size() < n) s += unit;
    return s;
}

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
        for (int i = 0; i < count; ++i) {
            std::vector<std::string> pick;
            const int kinds = 2 + static_cast<int>(rng() % max_kinds);
            for (int k = 0; k < kinds; ++k) pick.push_back(alphabet[rng() % alphabet.size()]);
            std::string t;
            const int len = 1 + static_cast<int>(rng() % max_len);
            for (int k = 0; k < len; ++k) t += pick[rng() % pick.size()];
            out.push_back(t);
        }
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

const char* kHostScript = R"PY(import hashlib, json, re, sys
specs, paths, out_path = json.load(open(sys.argv[1], encoding="utf-8")), json.load(open(sys.argv[2], encoding="utf-8")), sys.argv[3]
def flags(f):
    return (re.I if f & 1 else 0) | (re.M if f & 2 else 0) | (re.S if f & 4 else 0)
texts = []
for p in paths:
    t = open(p, "rb").read().decode("utf-8", "ignore")
    texts.append(t.replace("\r\n", "\n").replace("\r", "\n"))
res = []
for pat, f in specs:
    rx = re.compile(pat, flags(f))
    row = []
    for t in texts:
        flat = []
        for m in rx.finditer(t):
            for g in range(rx.groups + 1):
                flat.extend(m.span(g))
        row.append(flat)
    res.append(row)
digests = [hashlib.md5(t.encode("utf-8")).hexdigest() for t in texts]
json.dump({"texts": digests, "matches": res}, open(out_path, "w"))
)PY";

class PatternDiff : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/pattern_diff_XXXXXX";
        dir_ = mkdtemp(tmpl);
        const fs::path corpus = fs::path(SOURCE_DIR) / "tests/fixtures/corpus";
        for (const auto& e : fs::recursive_directory_iterator(corpus))
            if (e.is_regular_file())
                texts_.push_back({"corpus/" + e.path().lexically_relative(corpus).string(), e.path().string()});
        std::sort(texts_.begin(), texts_.end(), [](const Text& a, const Text& b) { return a.name < b.name; });
        for (const auto& p : stdlib_files()) texts_.push_back({"stdlib/" + fs::path(p).filename().string(), p});
        const auto gen = generated_texts();
        for (std::size_t i = 0; i < gen.size(); ++i) {
            const std::string path = dir_ + "/gen" + std::to_string(i);
            std::ofstream(path, std::ios::binary) << gen[i];
            texts_.push_back({"generated #" + std::to_string(i), path});
        }

        specs_ = vorlane::all_patterns();
        nlohmann::json specs = nlohmann::json::array(), paths = nlohmann::json::array();
        for (const auto& s : specs_) specs.push_back({std::string(s.text), s.flags});
        for (const auto& t : texts_) paths.push_back(t.path);
        std::ofstream(dir_ + "/specs.json") << specs.dump();
        std::ofstream(dir_ + "/paths.json") << paths.dump();
        std::ofstream(dir_ + "/host.py") << kHostScript;
        const std::string cmd = "'" PYTHON_EXECUTABLE "' '" + dir_ + "/host.py' '" + dir_ + "/specs.json' '" + dir_ +
                                "/paths.json' '" + dir_ + "/out.json'";
        host_ok_ = std::system(cmd.c_str()) == 0;
        if (host_ok_) std::ifstream(dir_ + "/out.json") >> host_;
    }

    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static std::string dir_;
    static std::vector<Text> texts_;
    static std::vector<vorlane::PatternSpec> specs_;
    static nlohmann::json host_;
    static bool host_ok_;
};

std::string PatternDiff::dir_;
std::vector<Text> PatternDiff::texts_;
std::vector<vorlane::PatternSpec> PatternDiff::specs_;
nlohmann::json PatternDiff::host_;
bool PatternDiff::host_ok_ = false;

// The matches of one pattern through the builder's own route, as code-point spans.
Flat layer_matches(const vorlane::PatternSpec& spec, const core::Regex& re, std::string_view text) {
    std::vector<long> cp_at(text.size() + 1, -1);
    long cps = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        cp_at[pos] = cps++;
        core::next_cp(text, pos);
    }
    cp_at[text.size()] = cps;
    Flat flat;
    auto take = [&](const core::Match& m) {
        for (int g = 0; g < m.groups_plus_one(); ++g) {
            flat.push_back(m.has(g) ? cp_at[m.start(g)] : -1);
            flat.push_back(m.has(g) ? cp_at[m.end(g)] : -1);
        }
        return true;
    };
    if (spec.find_all)
        spec.find_all(text, take);
    else
        re.for_each(text, take);
    return flat;
}

std::string describe(const Flat& v, std::size_t from, std::size_t width) {
    std::ostringstream os;
    os << "[";
    for (std::size_t i = from; i < std::min(v.size(), from + width); ++i) os << (i > from ? " " : "") << v[i];
    os << (from + width < v.size() ? " ...]" : "]");
    return os.str();
}

TEST_F(PatternDiff, SameMatchesAsTheHost) {
    ASSERT_TRUE(host_ok_) << "the host's run failed";
    ASSERT_EQ(host_["matches"].size(), specs_.size());
    // Both sides must see the same texts before their matches can be compared.
    std::vector<std::string> decoded;
    for (std::size_t t = 0; t < texts_.size(); ++t) {
        decoded.push_back(core::decode_text_mode(read_bytes(texts_[t].path)));
        ASSERT_EQ(core::md5_hex(decoded.back()), host_["texts"][t].get<std::string>()) << texts_[t].name;
    }
    for (std::size_t p = 0; p < specs_.size(); ++p) {
        const auto& spec = specs_[p];
        const core::Regex re(spec.text, spec.flags);
        const std::size_t width = 2 * static_cast<std::size_t>(re.group_count() + 1);
        int reported = 0;
        for (std::size_t t = 0; t < texts_.size() && reported < 3; ++t) {
            const Flat expected = host_["matches"][p][t].get<Flat>();
            const Flat actual = layer_matches(spec, re, decoded[t]);
            if (actual == expected) continue;
            std::size_t i = 0;
            while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
            const std::size_t at = i - i % width;
            ADD_FAILURE() << spec.label << (spec.find_all ? " (routine)" : "") << " on " << texts_[t].name << ": match "
                          << at / width << " differs; host " << describe(expected, at, width) << ", builder "
                          << describe(actual, at, width) << " (" << expected.size() / width << " vs "
                          << actual.size() / width << " matches)";
            ++reported;
        }
    }
}

}  // namespace
