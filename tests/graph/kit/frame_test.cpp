// The extraction frame: name keywords, block ends, the TypeScript classifier, rows and
// first-wins records.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/hash.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/kit/frame.hpp"

namespace {

using Strings = std::vector<std::string>;
using graph_kit::Lines;

struct NameCase {
    std::string name;
    Strings camel, keywords;
};

TEST(FrameNames, CamelPartsAndKeywords) {
    const std::vector<NameCase> cases = {
        {"parseXMLDocumentNode",
         {"parse", "xml", "document", "node"},
         {"parsexmldocumentnode", "parse", "xml", "document", "node"}},
        {"IOError", {"error"}, {"ioerror", "error"}},
        {"MAX_FILE_BYTES", {"max_file_bytes"}, {"max_file_bytes", "max", "file", "bytes"}},
        {"render_HTMLPage_v2Final",
         {"render_html", "page_v2", "final"},
         {"render_htmlpage_v2final", "render_html", "page_v2", "final", "render", "htmlpage", "v2final"}},
        {"a1B2C3", {}, {"a1b2c3"}},
        {"_id", {"_id"}, {}},
        {"ID", {}, {}},
        {"x", {}, {}},
        {"", {}, {}},
        // Repeated parts stay in the camel split; the keyword list holds each word once.
        {"getUserGetUser", {"get", "user", "get", "user"}, {"getusergetuser", "get", "user"}},
        // Only ASCII letters split; other letters stay inside their part and are lower-cased fully.
        {"ÉtatFinal", {"état", "final"}, {"étatfinal", "état", "final"}},
        {"fooİBar", {"fooi̇bar"}, {"fooi̇bar"}},
        // Leading and trailing underscores are trimmed before the length test.
        {"__init__", {"__init__"}, {"init"}},
        // At most ten keywords.
        {"alphaBetaGammaDeltaEpsilonZetaEtaThetaIotaKappaLambda",
         {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota", "kappa", "lambda"},
         {"alphabetagammadeltaepsilonzetaetathetaiotakappalambda", "alpha", "beta", "gamma", "delta", "epsilon", "zeta",
          "eta", "theta", "iota"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(graph_kit::split_camel(c.name), c.camel) << c.name;
        EXPECT_EQ(graph_kit::name_keywords(c.name), c.keywords) << c.name;
    }
}

TEST(FrameNames, LongRunOfCapitals) {
    // One capital run of a few hundred thousand letters, then a word: a backtracking
    // search for the capital-word split retries the whole run from every capital.
    const std::string name = std::string(300000, 'A') + "bc";
    const Strings parts = graph_kit::split_camel(name);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], std::string(299999, 'a'));
    EXPECT_EQ(parts[1], "abc");
}

Lines rows(const std::vector<const char*>& v) { return Lines(v.begin(), v.end()); }

TEST(FrameBlocks, BraceCounting) {
    struct Case {
        const char* what;
        std::vector<const char*> lines;
        std::int64_t start, end;
    };
    std::vector<const char*> no_braces(500, "x");
    no_braces[0] = "type A = string;";
    const std::vector<Case> cases = {
        {"opens and closes on the start row", {"function f() { return 1; }", "x"}, 0, 0},
        {"count carries on to the next opening brace",
         {"export type A = string;", "", "export interface B {", "  x: number;", "}", "z"},
         0,
         4},
        {"closing brace before the first opening one", {"}", "{", "x"}, 0, 1},
        {"escaped braces add nothing", {"const r = /\\{/;", "f() {", "}"}, 0, 2},
        {"a brace in a string counts", {"const s = \"{\";", "}", "x"}, 0, 1},
        {"last row opens, closes and opens", {"x", "{ } {"}, 1, 1},
        {"no opening brace: fallback of 100 rows", no_braces, 0, 100},
        {"no opening brace, short file: last row", {"a;", "b;", "c;"}, 0, 2},
        {"block deeper than the window: fallback", {"{", "{"}, 0, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(graph_kit::find_block_end_ts(rows(c.lines), c.start), c.end) << c.what;

    // At most 400 rows are read: a block closing on row 400 is not seen.
    std::vector<const char*> deep(450, "x");
    deep[0] = "{";
    deep[399] = "}";
    EXPECT_EQ(graph_kit::find_block_end_ts(rows(deep), 0), 399);
    deep[399] = "x";
    deep[400] = "}";
    EXPECT_EQ(graph_kit::find_block_end_ts(rows(deep), 0), 100);
}

TEST(FrameBlocks, Indentation) {
    const Lines file = rows({"def f():", "    a = 1", "", "    return a", "   ", "X = 2", "# note", "", "@dec",
                             "def g():", "    pass", "", ""});
    EXPECT_EQ(graph_kit::find_block_end_py(file, 0), 6);
    EXPECT_EQ(graph_kit::find_block_end_py(file, 9), 10);  // only blank rows after it
    struct Case {
        const char* what;
        std::vector<const char*> lines;
        std::int64_t start, end;
    };
    const std::vector<Case> cases = {
        {"definition on the last row", {"x = 1", "def f(): pass"}, 1, 1},
        {"async def stops", {"def f():", "  x", "async  def g():"}, 0, 1},
        {"class stops", {"def f():", "  x", "class\tA:"}, 0, 1},
        {"def without white space after it is a statement", {"def f():", "  x", "define = 1"}, 0, 2},
        {"classes = 1 is a statement", {"class A:", "  x", "classes = 1"}, 0, 2},
        {"indented def does not stop", {"def f():", "  def g():", "    pass"}, 0, 2},
        {"white space other than blanks is blank", {"def f():", "\x0c\t ", "  y"}, 0, 2},
        // An indented start row: rows at or left of its indentation stop it, by the pattern
        // tried at the row's first character.
        {"indented start, def at its indentation", {"  def f():", "    x", "  def g():"}, 0, 1},
        {"indented start, class not at the first character", {"  def f():", "    x", "  class A:"}, 0, 2},
        // A stop row right of the start's indentation is content; one left of it stops.
        {"deeper stop row, then a shallower one",
         {"    def f():", "      def g():", "        x", "  def h():", "x"},
         0,
         2},
        {"white-space start row: its own width is the indentation", {"  ", "   def f():", "  def g():"}, 0, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(graph_kit::find_block_end_py(rows(c.lines), c.start), c.end) << c.what;
}

// The indentation rule read directly: the rows below `start` up to the first that is not
// blank, is indented at most as far as `start` and begins with the stop pattern.
std::int64_t ref_block_end_py(const Lines& lines, std::int64_t start) {
    static const core::Regex stop(R"re(\s*(?:async\s+)?def\s+|class\s+|@)re", core::RE_NONE);
    const auto indent = [](std::string_view row) { return core::cp_len(row) - core::cp_len(core::lstrip(row)); };
    std::int64_t last = start;
    for (auto i = static_cast<std::size_t>(start) + 1; i < lines.size(); ++i) {
        if (core::strip(lines[i]).empty()) continue;
        if (indent(lines[i]) <= indent(lines[static_cast<std::size_t>(start)]) && stop.match(lines[i])) break;
        last = static_cast<std::int64_t>(i);
    }
    return last;
}

TEST(FrameBlocks, FrameIndentationEndsAgreeWithTheRowRule) {
    // Python-like files of random rows: stop rows and near misses at mixed indentations
    // (blanks, tabs, wide spaces), rows of white space only, and every kind of row end.
    const std::vector<std::string> indents = {"", "", " ", "  ", "    ", "\t", "\u3000", " \t", "        "};
    const std::vector<std::string> bodies = {
        "def f():", "async def g():", "async\tdef h(", "def", "def\tq():", "define = 1",
        "class A:", "classes = 2",    "@dec",          "@",   "x = 1",     "",
        "# note",   "return y",       "asyncdef z",    "d",   "a",         "c",
    };
    const std::vector<std::string> breaks = {"\n", "\n", "\n", "\n", "\r\n", "\r", "\x0c", "\u2028", "\xc2\x85"};
    std::mt19937 random(34);
    const auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    for (int file = 0; file < 300; ++file) {
        std::string content;
        const int rows = std::uniform_int_distribution<int>(0, 60)(random);
        for (int r = 0; r < rows; ++r) content += pick(indents) + pick(bodies) + pick(breaks);
        graph_kit::SymbolFrame frame(content, "f.py");
        const Lines& lines = frame.lines();
        for (std::int64_t start = 0; start < static_cast<std::int64_t>(lines.size()); ++start) {
            const std::int64_t want = ref_block_end_py(lines, start);
            ASSERT_EQ(frame.block_end_py(start), want) << "file " << file << ", row " << start;
            ASSERT_EQ(graph_kit::find_block_end_py(lines, start), want) << "file " << file << ", row " << start;
        }
        if (lines.size() > 1) {
            EXPECT_EQ(frame.block_end_py(-2), graph_kit::find_block_end_py(lines, -2));
        }
    }
}

TEST(FrameClassify, TypeScriptNames) {
    struct Case {
        const char* name;
        bool exported;
        const char* type;
        const char* confidence;
    };
    const std::vector<Case> cases = {
        {"GET", true, "api_route", "high"},      {"GET", false, "api_route", "high"},
        {"OPTIONS", false, "api_route", "high"}, {"get", false, "utility", "medium"},
        {"GETS", true, "use_case", "medium"},    {"useAuth", false, "hook", "high"},
        {"useAuth", true, "hook", "high"},       {"user", true, "use_case", "high"},
        {"use", true, "use_case", "high"},       {"useauth", false, "utility", "medium"},
        {"Button", true, "use_case", "medium"},  {"use_x", true, "use_case", "high"},
        {"use1", false, "utility", "medium"},    {"useÉtat", false, "hook", "high"},
        {"Ⓐlpha", true, "use_case", "medium"},   {"ǅemo", true, "use_case", "high"},
        {"_Private", true, "use_case", "high"},  {"fetchUsers", true, "use_case", "high"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(graph_kit::classify_ts(c.name, c.exported),
                  (std::pair<std::string, std::string>(c.type, c.confidence)))
            << c.name << " " << c.exported;
}

TEST(FrameRows, LineFeedsOnly) {
    // A form feed ends a row for the split but not for the row count.
    const std::string text =
        "a\x0c"
        "b\nc {\n}";
    EXPECT_EQ(core::splitlines(text).size(), 4u);
    graph_kit::RowCounter rows(text);
    EXPECT_EQ(rows.row(0), 0);
    EXPECT_EQ(rows.row(text.find('c')), 1);
    EXPECT_EQ(rows.row(text.size()), 2);
    EXPECT_EQ(rows.row(text.find('b')), 0);  // asking about an earlier offset starts again
    EXPECT_EQ(rows.row(text.find('}')), 2);
}

TEST(FrameRecords, FirstNameWinsWithItsRowsAndHash) {
    const std::string content = "one\ntwo\nthree\nfour";
    graph_kit::SymbolFrame frame(content, "src/a.ts");
    EXPECT_EQ(frame.last_row(), 3);
    EXPECT_EQ(frame.fixed_span_end(1, 50), 3);
    EXPECT_EQ(frame.fixed_span_end(0, 2), 2);
    frame.add("loadUser", 1, 2, "use_case", "high", true);
    frame.add("loadUser", 0, 3, "model", "medium", false);
    frame.add("", 0, 0, "model", "high", true);
    EXPECT_TRUE(frame.seen("loadUser"));
    EXPECT_FALSE(frame.seen("loaduser"));
    frame.add("loaduser", 3, 3, "utility", "medium", false);
    const graph_kit::Symbols syms = frame.take();
    ASSERT_EQ(syms.size(), 2u);
    const core::SymbolRecord& s = syms[0];
    EXPECT_EQ(s.id, "src/a.ts::loadUser");
    EXPECT_EQ(s.name, "loadUser");
    EXPECT_EQ(s.symbol_type, "use_case");
    EXPECT_EQ(s.line_start, 1);
    EXPECT_EQ(s.line_end, 2);
    EXPECT_EQ(s.body_hash, core::md5_prefix8("two\nthree"));
    EXPECT_EQ(s.confidence, "high");
    EXPECT_TRUE(s.exported);
    EXPECT_EQ(s.keywords, (Strings{"loaduser", "load", "user"}));
    EXPECT_EQ(syms[1].name, "loaduser");
}

TEST(FrameRecords, SharedAndOverlappingRangesKeepTheirOwnHashes) {
    // Rows end in every kind of break, so a range's hash is of its rows joined by "\n",
    // not of the text between them.
    const std::string content =
        "a {\r\nb }\x0c"
        "c\n\nd \\{\r"
        "e }\u2028f";
    const Lines lines = core::splitlines(content);
    ASSERT_EQ(lines.size(), 7u);
    graph_kit::SymbolFrame frame(content, "f");
    const std::vector<std::pair<std::int64_t, std::int64_t>> ranges = {
        {0, 6}, {0, 6}, {0, 2}, {2, 6}, {6, 6}, {0, 6}, {3, 2}, {5, 9}, {-2, -1}, {2, 4}, {3, 4}, {2, 5}};
    for (std::size_t i = 0; i < ranges.size(); ++i)
        frame.add("n" + std::to_string(i), ranges[i].first, ranges[i].second, "model", "high", true);
    const graph_kit::Symbols syms = frame.take();
    ASSERT_EQ(syms.size(), ranges.size());
    for (std::size_t i = 0; i < ranges.size(); ++i)
        EXPECT_EQ(syms[i].body_hash, core::body_hash(lines, ranges[i].first, ranges[i].second)) << i;
    EXPECT_EQ(syms[3].body_hash, core::md5_prefix8("c\n\nd \\{\ne }\nf"));
}

TEST(FrameBlocks, FrameBraceCountsAgreeWithTheRowRule) {
    // Every start of a text with nested, escaped, unclosed and late-closing blocks.
    std::string content = "x\n";
    for (int i = 0; i < 150; ++i) content += "f() {\n";
    for (int i = 0; i < 150; ++i) content += i % 7 ? "}\n" : "\\} \\{ }}\n";
    for (int i = 0; i < 300; ++i) content += i % 50 ? "y\n" : "{ } {\n";
    content += "}";
    graph_kit::SymbolFrame frame(content, "f");
    const Lines& lines = frame.lines();
    for (std::int64_t start = 0; start < static_cast<std::int64_t>(lines.size()); ++start)
        ASSERT_EQ(frame.block_end_ts(start), graph_kit::find_block_end_ts(lines, start)) << start;
    EXPECT_EQ(frame.block_end_ts(-1), graph_kit::find_block_end_ts(lines, -1));
}

}  // namespace
