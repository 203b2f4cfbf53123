// The text report, line for line: the minimal report, a report with every section
// filled past its caps, and the styling of each piece.
#include <gtest/gtest.h>

#include <regex>

#include "audit/context_file.hpp"
#include "audit/report.hpp"
#include "audit/values.hpp"
#include "core/errors.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;

const std::string RULE = [] {
    std::string s;
    for (int i = 0; i < 52; ++i) s += "━";
    return s;
}();
const std::string FOOTER = RULE + "\n  Run  wendle audit /path --fix  to launch Claude with this context pre-loaded.";

std::string strip_escapes(const std::string& s) { return std::regex_replace(s, std::regex("\x1b\\[[0-9]+m"), ""); }

TEST(Report, Minimal) {
    const Json r = {{"debt_score", 0}, {"_graph", Json::object()}};
    const std::string plain = audit::format_report("/home/u/proj", r, false);
    EXPECT_EQ(plain, "\nTarvelle Audit — proj\n" + RULE +
                         "\n\nOVERVIEW\n  Code files: 0   Symbols: 0\n  Vibe debt:  0/100  (LOW)\n\n"
                         "TEST COVERAGE\n  ?%  (0/0 source files covered)\n\n" +
                         FOOTER);
    const std::string B = "\x1b[1m", D = "\x1b[2m", G = "\x1b[92m", R = "\x1b[91m", X = "\x1b[0m";
    EXPECT_EQ(audit::format_report("/home/u/proj", r, true),
              "\n" + B + "Tarvelle Audit — proj" + X + "\n" + RULE + "\n\n" + B + "OVERVIEW" + X +
                  "\n  Code files: 0   Symbols: 0\n  Vibe debt:  " + G + "0/100  (LOW)" + X + "\n\n" + B +
                  "TEST COVERAGE" + X + "\n  " + R + "?%" + X + "  (0/0 source files covered)\n\n" + RULE + "\n" + D +
                  "  Run  wendle audit /path --fix  to launch Claude with this context pre-loaded." + X);
    EXPECT_EQ(audit::format_report("/", r, false).substr(0, 21), "\nTarvelle Audit — \n");
}

Json full_results() {
    Json nodes = Json::array();
    for (const char* id : {"a.ts", "b.py", "c.TS", "README.md", "noext"})
        nodes.push_back({{"id", id}, {"kind", "file"}});
    nodes.push_back({{"id", "a.ts::f"}, {"kind", "symbol"}});
    Json dead = Json::array();
    for (int i = 0; i < 6; ++i)
        dead.push_back({{"file", "a.ts"}, {"symbol", "s" + std::to_string(i)}, {"line", i}, {"type", "t"}});
    dead[1]["line"] = nullptr;
    Json todos = Json::array();
    for (int i = 0; i < 5; ++i)
        todos.push_back({{"file", "b.py"}, {"line", i + 1}, {"text", "TODO " + std::string(i == 0 ? 100 : 3, 'x')}});
    return {
        {"_graph", {{"nodes", nodes}}},
        {"dead_exports", dead},
        {"test_coverage",
         {{"total_code_files", 1234567},
          {"tested_files", 40},
          {"coverage_pct", 39},
          {"untested", Json::array({"u1.py", "u2.py", "u3.py", "u4.py", "u5.py"})}}},
        {"circular_deps", Json::parse(R"([["a","b","c","d","e","f"],["x","y"],["p","q"],["m","n"]])")},
        {"copy_paste", Json::parse(R"([
            {"copies": 3, "lines": 12, "symbols": [{"file": "src/a/util.ts", "name": "f", "line": 1},
                                                   {"file": "win\\b.ts", "name": "g", "line": 2},
                                                   {"file": "c.ts", "name": "h", "line": 3}]},
            {"copies": 2, "lines": 10, "symbols": [{"file": "one.py", "name": "k", "line": 0}]}])")},
        {"db_in_routes",
         Json::parse(R"([{"file": "api/u.py", "count": 4, "lines": [3, 9, 12, 40], "patterns": ["db."]}])")},
        {"todos", todos},
        {"missing_error_handling", Json::parse(R"([{"file": "s.ts", "line": 10, "symbol": "load"}])")},
        {"debt_score", 60},
    };
}

TEST(Report, EverySectionFilled) {
    const Json r = full_results();
    const std::string want =
        "\nTarvelle Audit — proj\n" + RULE +
        "\n\nOVERVIEW\n"
        "  Code files: 2   Symbols: 1\n"
        "  Vibe debt:  60/100  (HIGH)\n\n"
        "TEST COVERAGE\n"
        "  39%  (40/1234567 source files covered)\n"
        "  Largest untested:\n    · u1.py\n    · u2.py\n    · u3.py\n    · u4.py\n\n"
        "DEAD EXPORTS  (6 symbols)\n"
        "  · a.ts:0  s0\n  · a.ts:None  s1\n  · a.ts:2  s2\n  · a.ts:3  s3\n  · a.ts:4  s4\n  ... and 1 more\n\n"
        "CIRCULAR DEPS  (4 cycle(s))\n"
        "  · a → b → c → d\n  · x → y\n  · p → q\n\n"
        "COPY-PASTE  (2 group(s))\n"
        "  · 3× duplicate, 12 lines — util.ts::f  /  win\\b.ts::g\n"
        "  · 2× duplicate, 10 lines — one.py::k\n\n"
        "DB IN ROUTES  (1 file(s))\n"
        "  · api/u.py  (4 calls, lines 3, 9, 12)\n\n"
        "TODO / FIXME  (5)\n"
        "  · b.py:1  TODO " +
        std::string(65, 'x') +
        "\n"
        "  · b.py:2  TODO xxx\n  · b.py:3  TODO xxx\n  · b.py:4  TODO xxx\n  ... and 1 more\n\n"
        "NO ERROR HANDLING  (1 function(s))\n"
        "  · s.ts:10  load()\n\n" +
        RULE +
        "\nFIX ROADMAP\n\n"
        "  Week 1:  Add tests to largest untested modules\n"
        "           Why: Only 39% test coverage\n           → u1.py\n           → u2.py\n\n"
        "  Week 1:  Move DB calls out of route handlers\n"
        "           Why: Direct DB in routes = no separation of concerns, untestable\n           → api/u.py\n\n"
        "  Week 2:  Extract duplicated functions to shared util\n"
        "           Why: 2 duplicate function group(s) — single bug fix = fix everywhere\n"
        "           → src/a/util.ts\n           → win\\b.ts\n\n"
        "  Week 2:  Break circular imports\n"
        "           Why: Circular deps prevent tree-shaking and cause init-order bugs\n           → a\n           → "
        "b\n\n"
        "  Week 3:  Remove 6 dead exports\n"
        "           Why: Dead code increases bundle size and confuses readers\n           → a.ts\n\n"
        "  Week 2:  Add error handling to 1 external call(s)\n"
        "           Why: Unhandled network/RPC errors cause silent failures in production\n           → s.ts\n\n" +
        FOOTER;
    const std::string plain = audit::format_report("/x/proj", r, false);
    EXPECT_EQ(plain, want);
    const std::string coloured = audit::format_report("/x/proj", r, true);
    EXPECT_EQ(strip_escapes(coloured), want);
    for (const char* piece : {"\x1b[91m60/100  (HIGH)\x1b[0m", "\x1b[91m39%\x1b[0m", "\x1b[2m    · u1.py\x1b[0m",
                              "  · a.ts:0  \x1b[2ms0\x1b[0m", "\x1b[2m  ... and 1 more\x1b[0m",
                              "  · \x1b[33ma → b → c → d\x1b[0m", "lines — \x1b[2mone.py::k\x1b[0m",
                              "\x1b[1mDB IN ROUTES  (1 file(s))\x1b[0m\n  · api/u.py  (4 calls, lines 3, 9, 12)\n",
                              "  · s.ts:10  \x1b[2mload()\x1b[0m", "\x1b[96m  Week 3:  Remove 6 dead exports\x1b[0m",
                              "\x1b[2m           → a.ts\x1b[0m"})
        EXPECT_NE(coloured.find(piece), std::string::npos) << piece;
}

TEST(Report, BandsAndCoverageColours) {
    const std::pair<int, const char*> bands[] = {{29, "\x1b[92m29/100  (LOW)"},
                                                 {30, "\x1b[93m30/100  (MEDIUM)"},
                                                 {59, "\x1b[93m59/100  (MEDIUM)"},
                                                 {60, "\x1b[91m60/100  (HIGH)"}};
    for (const auto& [score, piece] : bands)
        EXPECT_NE(audit::format_report("/p", {{"debt_score", score}}, true).find(piece), std::string::npos) << score;
    const std::pair<Json, const char*> covs[] = {
        {70, "\x1b[92m70%"}, {69, "\x1b[93m69%"}, {40, "\x1b[93m40%"}, {39, "\x1b[91m39%"}, {75.0, "\x1b[91m75.0%"}};
    for (const auto& [pct, piece] : covs)
        EXPECT_NE(audit::format_report("/p", {{"debt_score", 0}, {"test_coverage", {{"coverage_pct", pct}}}}, true)
                      .find(piece),
                  std::string::npos)
            << pct.dump();
    // A text coverage cannot be weighed by the roadmap, which the report always computes.
    EXPECT_THROW(audit::format_report("/p", {{"debt_score", 0}, {"test_coverage", {{"coverage_pct", "80"}}}}, true),
                 audit::TypeError);
    EXPECT_EQ(audit::debt_color(29), std::string("green"));
    EXPECT_EQ(audit::debt_color(30), std::string("yellow"));
    EXPECT_EQ(audit::debt_color(60), std::string("red"));
}

TEST(Report, MalformedResultsRaise) {
    EXPECT_THROW(audit::format_report("/p", Json::object(), false), core::KeyError);
    EXPECT_THROW(audit::format_report(
                     "/p", {{"debt_score", 0}, {"_graph", {{"nodes", Json::array({{{"kind", "file"}}})}}}}, false),
                 core::KeyError);
    EXPECT_THROW(
        audit::format_report(
            "/p",
            {{"debt_score", 0}, {"missing_error_handling", Json::parse(R"([{"file": "a", "line": 1, "symbol": 3}])")}},
            false),
        audit::TypeError);
}

// A score or a coverage the host holds as a float prints as the host's str() prints it,
// in the report and in the context file.
TEST(Report, FloatsPrintAsTheHostPrintsThem) {
    const std::vector<std::string> texts = {"NaN", "Infinity", "-Infinity", "-0.0", "1e16", "1e-05", "2.5e-07", "75.0"};
    const std::string printed =
        audit_test::run_host("import json, sys\nfor t in sys.argv[1:]:\n    print(str(json.loads(t)))\n", texts);
    std::vector<std::string> host;
    for (std::size_t at = 0, nl; (nl = printed.find('\n', at)) != std::string::npos; at = nl + 1)
        host.push_back(printed.substr(at, nl - at));
    ASSERT_EQ(host.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const Json v = core::json_loads(texts[i]);
        const Json r = {{"debt_score", v},
                        {"test_coverage", {{"coverage_pct", v}, {"tested_files", 1}, {"total_code_files", 2}}},
                        {"_graph", Json::object()}};
        const std::string report = audit::format_report("/p", r, false);
        EXPECT_NE(report.find("  Vibe debt:  " + host[i] + "/100  ("), std::string::npos) << texts[i] << report;
        EXPECT_NE(report.find("\n  " + host[i] + "%  (1/2 source files covered)"), std::string::npos) << report;
        const std::string context = audit::audit_context_text(r);
        EXPECT_NE(context.find("Vibe debt score: " + host[i] + "/100 ("), std::string::npos) << context;
        EXPECT_NE(context.find("Test coverage: " + host[i] + "%"), std::string::npos) << context;
    }
}

}  // namespace
