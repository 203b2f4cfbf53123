#include "graph/vorlane_ast/scan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/hash.hpp"
#include "core/json.hpp"
#include "core/stop.hpp"
#include "graph/vorlane_ast/command.hpp"
#include "graph/vorlane_ast/compare.hpp"
#include "tests/graph/vorlane_ast/ast_support.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace fs = std::filesystem;
using core::Json;

class Tree {
public:
    Tree() : dir_("ast_scan") {}
    void write(const std::string& rel, const std::string& data) const { kit::write_file(dir_ / rel, data); }
    const std::string& root() const { return dir_.path(); }

private:
    kit::Scratch dir_;
};

// VORLANE_THREADS set to `threads` for the guard's lifetime.
class Threads {
public:
    explicit Threads(const char* threads) {
        if (const char* old = std::getenv("VORLANE_THREADS")) saved_ = old;
        kit::set_env("VORLANE_THREADS", threads);
    }
    ~Threads() {
        if (saved_)
            kit::set_env("VORLANE_THREADS", saved_->c_str());
        else
            kit::unset_env("VORLANE_THREADS");
    }

private:
    std::optional<std::string> saved_;
};

// The scan with VORLANE_THREADS set to `threads` for its duration.
Json scan_on(const std::string& root, const Json& prior, const char* threads,
             const vorlane_ast::Languages& langs = ast_support::all_languages()) {
    Threads t(threads);
    return vorlane_ast::scan(root, prior, langs, nullptr);
}

std::vector<std::string> node_ids(const Json& g) {
    std::vector<std::string> out;
    for (const Json& n : g["nodes"]) out.push_back(n["id"].get<std::string>());
    return out;
}

const Json* node(const Json& g, const std::string& id) {
    for (const Json& n : g["nodes"])
        if (n["id"] == id) return &n;
    return nullptr;
}

TEST(AstScan, EmptyTreeKeepsItsMode) {
    Tree t;
    const Json g = scan_on(t.root(), nullptr, "1");
    EXPECT_EQ(core::json_dumps(g),
              "{\"root\": " + core::json_dumps(Json(t.root())) +
                  ", \"node_count\": 0, \"edge_count\": 0, \"file_count\": 0, \"symbol_count\": 0, \"nodes\": [], "
                  "\"edges\": [], \"ast_mode\": true}");
    EXPECT_EQ(scan_on(t.root(), nullptr, "1", vorlane_ast::Languages{})["ast_mode"], false);
}

TEST(AstScan, NodesEdgesAndCountsInEmissionOrder) {
    Tree t;
    t.write("routes.ts", "import a from './a';\nimport a2 from './a';\nexport function GET() {}\n");
    t.write("middleware.ts", "export const m = () => 1;\n");
    t.write("notes.md", "import yaml\n");
    t.write("big.py", std::string(300001, '#'));
    t.write("edge.py", std::string(299988, '#') + "\ndef f(): 1\n");
    const Json g = scan_on(t.root(), nullptr, "1");
    std::vector<std::string> ids = node_ids(g);
    std::sort(ids.begin(), ids.end());
    // The 300000-byte file is scanned, the 300001-byte one is not.
    EXPECT_EQ(ids, (std::vector<std::string>{"edge.py", "edge.py::f", "middleware.ts", "middleware.ts::m", "notes.md",
                                             "routes.ts", "routes.ts::GET"}));
    EXPECT_EQ(g["file_count"], 4);
    EXPECT_EQ(g["symbol_count"], 3);
    EXPECT_EQ(g["node_count"], 7);
    // Each file's node is followed by its symbols; repeated import edges appear once; the
    // peer edges come last, both ways.
    const auto& nodes = g["nodes"];
    Json last_file;
    for (const Json& n : nodes) {
        if (n["kind"] == "file") {
            last_file = n["id"];
        } else {
            EXPECT_EQ(last_file, n["path"]);
        }
    }
    std::vector<std::string> edges;
    for (const Json& e : g["edges"])
        edges.push_back(e["from"].get<std::string>() + ">" + e["to"].get<std::string>() + ":" +
                        e["rel"].get<std::string>());
    EXPECT_EQ(std::count(edges.begin(), edges.end(), "routes.ts>./a:imports"), 1);
    EXPECT_EQ(std::count(edges.begin(), edges.end(), "notes.md>yaml:imports"), 1);
    ASSERT_GE(edges.size(), 2u);
    const std::string last2 = edges[edges.size() - 2] + " " + edges.back();
    EXPECT_TRUE(last2 == "routes.ts>middleware.ts:structural_peer middleware.ts>routes.ts:structural_peer" ||
                last2 == "middleware.ts>routes.ts:structural_peer routes.ts>middleware.ts:structural_peer")
        << last2;
    EXPECT_EQ(g["edge_count"], g["edges"].size());
    const Json* md = node(g, "notes.md");
    ASSERT_TRUE(md);
    EXPECT_EQ(md->size(), 9u);  // a file node's nine keys
}

TEST(AstScan, TextModeReadingAndStoredContent) {
    Tree t;
    t.write("crlf.py", "x = 1\r\ny = 2\r\n\xff");
    t.write("lf.py", "x = 1\ny = 2\n");
    t.write("long.md", std::string(30000, 'a'));
    const Json g = scan_on(t.root(), nullptr, "1");
    const Json *crlf = node(g, "crlf.py"), *lf = node(g, "lf.py"), *big = node(g, "long.md");
    ASSERT_TRUE(crlf && lf && big);
    EXPECT_EQ((*crlf)["file_hash"], (*lf)["file_hash"]);
    EXPECT_EQ((*crlf)["content"], (*lf)["content"]);
    EXPECT_EQ((*crlf)["size"], 15);
    EXPECT_EQ((*lf)["file_hash"], core::md5_prefix8("x = 1\ny = 2\n"));
    EXPECT_EQ((*big)["content"].get<std::string>().size(), 24000u);
}

TEST(AstScan, ReusesStoredFieldsOfUnchangedFilesOnly) {
    Tree t;
    t.write("a.py", "def f(): pass\n");
    t.write("b.py", "def g(): pass\n");
    const Json first = scan_on(t.root(), nullptr, "1");
    Json prior = Json::object();
    for (const Json& n : first["nodes"])
        if (n["kind"] == "file") prior[n["id"].get<std::string>()] = n;
    prior["a.py"]["summary"] = "kept";
    prior["a.py"]["content"] = std::string(30000, 'c');  // carried as stored, not cut again
    prior["a.py"].erase("keywords");
    prior["b.py"]["summary"] = "dropped";
    t.write("b.py", "def g2(): pass\n");
    const Json second = scan_on(t.root(), prior, "1");
    const Json *a = node(second, "a.py"), *b = node(second, "b.py");
    ASSERT_TRUE(a && b);
    EXPECT_EQ((*a)["summary"], "kept");
    EXPECT_EQ((*a)["content"].get<std::string>().size(), 30000u);
    EXPECT_EQ((*a)["keywords"], Json::array());
    EXPECT_NE((*b)["summary"], "dropped");
    // Symbols are computed anew for both.
    EXPECT_TRUE(node(second, "a.py::f"));
    EXPECT_TRUE(node(second, "b.py::g2"));
    // A prior node without its hash is not reused.
    prior["a.py"].erase("file_hash");
    EXPECT_NE((*node(scan_on(t.root(), prior, "1"), "a.py"))["summary"], "kept");
}

TEST(AstScan, ReusedNodeWithoutIdEndsTheScan) {
    Tree t;
    t.write("a.py", "x = 1\n");
    Json prior = Json::object();
    prior["a.py"] = Json{{"file_hash", core::md5_prefix8("x = 1\n")}};
    EXPECT_THROW(scan_on(t.root(), prior, "1"), std::exception);
}

TEST(AstScan, OneFileNodePerIdWhenALinkLeadsToADirectoryInsideTheRoot) {
    KIT_SKIP_WITHOUT_LINKS();
    Tree t;
    t.write("pkg/mod.py", "def f(): pass\n");
    ASSERT_TRUE(kit::make_link(kit::join(t.root(), "pkg"), kit::join(t.root(), "alias")));
    const Json g = scan_on(t.root(), nullptr, "1");
    std::vector<std::string> ids = node_ids(g);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"pkg/mod.py", "pkg/mod.py::f"}));
    EXPECT_EQ(g["file_count"], 1);
}

TEST(AstScan, SameBytesOnOneThreadAndOnMany) {
    Tree t;
    const char* exts[] = {".ts", ".tsx", ".js", ".py", ".go", ".md", ".json", ".jsx"};
    for (int i = 0; i < 160; ++i) {
        const std::string ext = exts[i % 8];
        const std::string dir = "d" + std::to_string(i % 7) + "/";
        std::string text;
        if (ext == ".py")
            text = "import os\nfrom .m" + std::to_string(i) + " import x\n\n@app.get('/x')\ndef route_" +
                   std::to_string(i) + "():\n    pass\nclass Model" + std::to_string(i % 5) + ":\n    pass\n";
        else if (ext == ".go")
            text = "package p\nimport \"fmt\"\nfunc Serve" + std::to_string(i) + "() {}\ntype Store interface{}\n";
        else if (ext == ".md" || ext == ".json")
            text = "import z" + std::to_string(i % 3) + "\n";
        else
            text = "import a from './a" + std::to_string(i % 4) + "';\nexport const h" + std::to_string(i) +
                   " = () => 1;\nexport class Page {}\nconst r = require('x');\n";
        const char* stems[] = {"routes", "middleware", "controller", "service", "model", "schema", "util"};
        t.write(dir + stems[i % 7] + std::to_string(i / 7 % 2 ? i : 0) + ext, text);
    }
    const std::string one = core::json_dumps_indent(scan_on(t.root(), nullptr, "1"), 2);
    const std::string many = core::json_dumps_indent(scan_on(t.root(), nullptr, "8"), 2);
    EXPECT_EQ(one, many);
    EXPECT_GT(one.size(), 10000u);
}

TEST(AstScan, FallbackSeesTheFilesNoSyntaxTreeTakes) {
    Tree t;
    t.write("a.ts", "export function f() {}\n");
    t.write("b.go", "package m\nfunc F() {}\n");
    t.write("c.php", "<?php\n");
    vorlane_ast::Languages none;
    std::vector<std::string> asked;
    std::mutex mu;
    const vorlane_ast::SymbolFallback fallback = [&](std::string_view, std::string_view id, std::string_view) {
        std::lock_guard<std::mutex> lock(mu);
        asked.emplace_back(id);
        core::SymbolRecord r;
        r.id = std::string(id) + "::x";
        r.name = "x";
        return graph_kit::Symbols{r};
    };
    const Json g = vorlane_ast::scan(t.root(), nullptr, none, fallback);
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"a.ts", "b.go"}));  // ".php" is not walked
    EXPECT_EQ(g["symbol_count"], 2);
    EXPECT_EQ(g["ast_mode"], false);
}

TEST(AstScan, AStopRequestEndsTheScanBetweenFilesAndTheRunWritesNothing) {
    Tree t;
    for (int i = 0; i < 80; ++i) t.write("d" + std::to_string(i % 4) + "/m" + std::to_string(i) + ".py", "x = 1\n");
    t.write("out/keep", "");
    const std::string out = t.root() + "/out/g.json";
    // Without grammars every file's symbols come from the fallback, which asks for the
    // stop while the files are analysed.
    const vorlane_ast::Languages none;
    for (const char* n : {"1", "8"}) {
        Threads threads(n);
        for (bool whole_run : {false, true}) {
            core::StopFlag stop;
            std::atomic<int> calls{0};
            const vorlane_ast::SymbolFallback fallback = [&](std::string_view, std::string_view, std::string_view) {
                if (++calls == 5) stop.request();
                return graph_kit::Symbols{};
            };
            if (whole_run)
                EXPECT_THROW(vorlane_ast::command::run(t.root(), out, none, fallback, &stop), core::Stopped) << n;
            else
                EXPECT_THROW(vorlane_ast::scan(t.root(), nullptr, none, fallback, &stop), core::Stopped) << n;
            // Each thread ends after the file in hand.
            EXPECT_LT(calls, 5 + 8) << n;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(t.root() + "/out"), fs::directory_iterator()), 1) << n;
    }
    // A stop requested before the scan ends it in the walk.
    core::StopFlag early;
    early.request();
    EXPECT_THROW(vorlane_ast::scan(t.root(), nullptr, none, nullptr, &early), core::Stopped);
}

// A stop asked for while a file is parsed ends the parse and the scan, which does not
// take the file as given up: no fallback. Parsing this file to its budget takes seconds.
TEST(AstScan, AStopRequestEndsAParseUnderWay) {
    Tree t;
    std::string slow;
    for (int i = 0; i < 3000; ++i) slow += "const a = 1;\n";
    t.write("slow.tsx", slow + ast_support::NEVER_ENDING_TSX[0]);
    core::StopFlag stop;
    std::atomic<int> fallback_calls{0};
    const vorlane_ast::SymbolFallback fallback = [&](std::string_view, std::string_view, std::string_view) {
        ++fallback_calls;
        return graph_kit::Symbols{};
    };
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.request();
    });
    EXPECT_THROW(vorlane_ast::scan(t.root(), nullptr, ast_support::all_languages(), fallback, &stop), core::Stopped);
    later.join();
    EXPECT_EQ(fallback_calls, 0);
}

TEST(CompareText, ListDisplayMatchesTheHost) {
    EXPECT_EQ(vorlane_ast::compare::list_display({}), "[]");
    EXPECT_EQ(vorlane_ast::compare::list_display({"a", "b'c"}), "['a', \"b'c\"]");
}

TEST(CompareText, TableLayout) {
    Json ast = {
        {"file_count", 2},
        {"symbol_count", 3},
        {"edge_count", 12345678901LL},
        {"nodes", Json::array({Json{{"kind", "symbol"}, {"id", "a::x"}, {"symbol_type", "model"}},
                               Json{{"kind", "symbol"}, {"id", "a::y"}}, Json{{"kind", "file"}, {"id", "a"}}})}};
    Json regex = {
        {"file_count", 2},
        {"symbol_count", 1},
        {"edge_count", 0},
        {"nodes", Json::array({Json{
                      {"kind", "symbol"}, {"id", "a::z"}, {"symbol_type", "a_very_long_type_name_beyond_35_chars"}}})}};
    const std::string text =
        vorlane_ast::compare::table({&ast, 1.005}, vorlane_ast::compare::Side{&regex, 0.0}, "o/g.json", "o/r.json");
    const std::string rule60 = [] {
        std::string r;
        for (int i = 0; i < 60; ++i) r += "\u2500";
        return r;
    }();
    const std::string rule55 = [] {
        std::string r;
        for (int i = 0; i < 55; ++i) r += "\u2500";
        return r;
    }();
    EXPECT_EQ(text, "\n" + rule60 +
                        "\n"
                        "  Metric                                     AST      Regex\n" +
                        rule60 +
                        "\n"
                        "  Scan time (s)                             1.00       0.00\n"
                        "  Files indexed                                2          2\n"
                        "  Symbols extracted                            3          1\n"
                        "  Edges (imports/refs)                12345678901          0\n"
                        "\n  Symbol breakdown:\n"
                        "  Type                                       AST      Regex\n"
                        "  " +
                        rule55 +
                        "\n"
                        "  ?                                            1          0\n"
                        "  a_very_long_type_name_beyond_35_chars          0          1\n"
                        "  model                                        1          0\n"
                        "\n  Symbols found ONLY by AST (2 total): ['a::x', 'a::y']\n"
                        "  Symbols found ONLY by Regex (1 total): ['a::z']\n"
                        "\n  AST graph:   o/g.json\n"
                        "  Regex graph: o/r.json\n\n");
}

// More ids on each side than the lists show: the totals count them all, each id once,
// and the lists hold the first five in graph order (which is not their sorted order).
TEST(CompareText, OneSideListsCountAllAndShowTheFirstFiveInGraphOrder) {
    auto graph = [](std::vector<std::string> ids) {
        Json nodes = Json::array();
        for (const std::string& id : ids) nodes.push_back(Json{{"kind", "symbol"}, {"id", id}, {"symbol_type", "t"}});
        return Json{{"file_count", 1}, {"symbol_count", ids.size()}, {"edge_count", 0}, {"nodes", nodes}};
    };
    const Json ast = graph({"f::g", "f::both1", "f::c", "f::f", "f::g", "f::a", "f::both2", "f::e", "f::b", "f::d"});
    const Json regex = graph({"f::both2", "f::r6", "f::r2", "f::both1", "f::r4", "f::r1", "f::r5", "f::r2", "f::r3"});
    const std::string text =
        vorlane_ast::compare::table({&ast, 0}, vorlane_ast::compare::Side{&regex, 0}, "a.json", "r.json");
    EXPECT_NE(text.find("\n  Symbols found ONLY by AST (7 total): ['f::g', 'f::c', 'f::f', 'f::a', 'f::e']\n"
                        "  Symbols found ONLY by Regex (6 total): ['f::r6', 'f::r2', 'f::r4', 'f::r1', 'f::r5']\n"),
              std::string::npos)
        << text;
}

}  // namespace
