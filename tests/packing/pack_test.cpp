#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "packing/estimate.hpp"
#include "packing/pack.hpp"
#include "tests/kit/portable.hpp"

namespace {

using packing::Json;
namespace fs = std::filesystem;

const std::string kHead = std::string(packing::kHeader) + "\n\n";

struct Node {
    std::optional<std::string> id, summary, path, name;
    bool symbol = false;
    std::optional<std::int64_t> line_start, line_end;
};

Node file_node(std::string id, std::string summary = "") { return {id, summary, id, std::nullopt, false, {}, {}}; }
Node symbol_node(std::string path, std::string name, std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
    return {path + "::" + name, std::nullopt, path, name, true, a, b};
}

struct Edge {
    std::string from, to, rel;
};

// A project on disk with its graph, summaries and a retrieval result.
class Pack : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_THROW(root = kit::make_scratch("packing_pack")); }
    void TearDown() override { kit::remove_tree(root); }

    void write(const std::string& rel, const std::string& text) {
        fs::create_directories((fs::path(root) / rel).parent_path());
        std::ofstream(fs::path(root) / rel, std::ios::binary) << text;
    }
    // A file of `n` rows "<prefix>0", "<prefix>1", ...
    void write_rows(const std::string& rel, int n, const std::string& prefix = "line ") {
        std::string text;
        for (int i = 0; i < n; ++i) text += prefix + std::to_string(i) + "\n";
        write(rel, text);
    }

    std::string run(std::int64_t budget = 5000, std::int64_t max_reads = 8) {
        packing::PackInput in;
        in.entry_ids = ids;
        for (const Edge& e : edges) in.edges.push_back({e.from, e.to, e.rel});
        for (const auto& [k, v] : summaries.items()) in.summaries.emplace(k, v);
        for (const Node& n : nodes) {
            packing::NodeView v;
            if (n.id) v.id = *n.id;
            if (n.summary) v.summary = *n.summary;
            if (n.path) v.path = *n.path;
            if (n.name) v.name = *n.name;
            v.is_symbol = n.symbol;
            v.line_start = n.line_start;
            v.line_end = n.line_end;
            in.nodes.push_back(v);
        }
        in.project_root = root;
        in.token_budget = budget;
        in.max_read_targets = max_reads;
        return packing::pack(in);
    }

    // The budget that leaves exactly `remaining` after the header and `sec1`.
    static std::int64_t budget_leaving(std::int64_t remaining, const std::string& sec1) {
        return remaining + packing::estimate_tokens(packing::kHeader) + packing::estimate_tokens(sec1);
    }

    std::string root;
    std::vector<std::string> ids;
    std::vector<Edge> edges;
    Json summaries = Json::object();
    std::vector<Node> nodes;
};

TEST_F(Pack, NoFilesGiveTheHeaderAndTheEmptyRelevantFilesSection) {
    edges = {{"a.py", "b.py", "imports"}};
    nodes = {symbol_node("a.py", "f", 0, 3)};
    EXPECT_EQ(run(), kHead + "### Relevant Files");
    ids = {"", ""};
    EXPECT_EQ(run(), kHead + "### Relevant Files");
}

TEST_F(Pack, WholeBlockFromSummariesGraphSymbolsAndEdges) {
    write_rows("app/api.py", 12, "api ");
    write_rows("web/ui.ts", 6, "ui ");
    ids = {"app/api.py", "web/ui.ts::Button", "README"};
    summaries = Json::parse(R"({
      "app/api.py": {"description": "Order endpoints",
                     "functions": {"list_orders": {"params": ["db"], "lines": [1, 2], "description": "List them"},
                                   "gone": {"lines": [0, 0]},
                                   "bad": {"lines": [3]}}}})");
    nodes = {file_node("app/api.py", "ignored: the summary renders"),
             file_node("web/ui.ts", "Buttons of the web client"), symbol_node("web/ui.ts", "Button", 1, 2),
             symbol_node("web/ui.ts", "Badge", 4, std::nullopt), symbol_node("other.ts", "Else", 0, 1)};
    edges = {{"app/api.py", "web/ui", "imports"},
             {"app/api.py", "./x.h", "includes"},
             {"web/ui.ts", "app/api.py", "structural_peer"},
             {"x/y.py", "z/w.py", "imports"},
             {"web/ui.ts::Button", "README", "references"}};
    EXPECT_EQ(run(), kHead +
                         "### Relevant Files\n"
                         "- **`app/api.py`**\n"
                         "  Order endpoints.\n"
                         "  Functions:\n"
                         "    list_orders(db)\n"
                         "    gone()\n"
                         "    bad()\n"
                         "- **`web/ui.ts::Button`**: Buttons of the web client\n"
                         "- **`README`**\n"
                         "\n"
                         "### Key Code (pre-loaded)\n"
                         "```python\n"
                         "# app/api.py::gone (lines 1-1)\n"
                         "api 0\n"
                         "\n"
                         "# app/api.py::list_orders (lines 2-3)\n"
                         "api 1\n"
                         "api 2\n"
                         "```\n"
                         "```typescript\n"
                         "# web/ui.ts::Button (lines 2-3)\n"
                         "ui 1\n"
                         "ui 2\n"
                         "\n"
                         "# web/ui.ts::Badge (lines 5-6)\n"
                         "ui 4\n"
                         "ui 5\n"
                         "```\n"
                         "\n"
                         "### Recommended Reads\n"
                         "- `app/api.py` lines 2-3: `list_orders()` -- List them\n"
                         "- `web/ui.ts` lines 2-3: `Button()`\n"
                         "- `web/ui.ts` lines 5-6: `Badge()`\n"
                         "\n"
                         "### Key Relationships\n"
                         "- `api.py` --imports--> `ui`\n"
                         "- `ui.ts::Button` --references--> `README`");
}

TEST_F(Pack, RelevantFilesDescriptionsAndBareHeadings) {
    const std::string long_desc = std::string(299, 'x') + "\u00e9\u00e9\u00e9";
    ids = {"a.py", "b.py::f", "c.py", "d.py"};
    summaries = Json::parse(R"({"c.py": {"functions": {}}, "d.py": {}})");
    nodes = {file_node("zz.py", "not this"), file_node("a.py", long_desc), file_node("a.py", "second node"),
             file_node("b.py", "by its base file"), file_node("d.py", "")};
    EXPECT_EQ(run(1), kHead +
                          "### Relevant Files\n"
                          "- **`a.py`**: " +
                          std::string(299, 'x') +
                          "\u00e9\n"
                          "- **`b.py::f`**: by its base file\n"
                          "- **`c.py`**\n"
                          "- **`d.py`**");
}

TEST_F(Pack, KeyCodeThresholdIsRemainingAbove400) {
    write_rows("m.go", 3);
    ids = {"m.go"};
    // A long description, so that the 0.45 share is not what keeps Key Code out.
    const std::string desc(300, 'd');
    nodes = {file_node("m.go", desc), symbol_node("m.go", "Run", 0, 1)};
    const std::string sec1 = "### Relevant Files\n- **`m.go`**: " + desc;
    const std::string code = "### Key Code (pre-loaded)\n```go\n# m.go::Run (lines 1-2)\nline 0\nline 1\n```";
    const std::string reads = "### Recommended Reads\n- `m.go` lines 1-2: `Run()`";
    EXPECT_EQ(run(budget_leaving(400, sec1)), kHead + sec1 + "\n\n" + reads);
    EXPECT_EQ(run(budget_leaving(401, sec1)), kHead + sec1 + "\n\n" + code + "\n\n" + reads);
}

TEST_F(Pack, ReadsThresholdIsRemainingAbove200AndRelationsAbove150) {
    ids = {"m.py"};  // no file on disk: no Key Code
    std::string reads = "### Recommended Reads";
    for (int i = 0; i < 6; ++i) {
        nodes.push_back(symbol_node("m.py", "run" + std::to_string(i), 4, 9));
        reads += "\n- `m.py` lines 5-10: `run" + std::to_string(i) + "()`";
    }
    edges = {{"m.py", "os", "imports"}};
    const std::string sec1 = "### Relevant Files\n- **`m.py`**";
    const std::string rels = "### Key Relationships\n- `m.py` --imports--> `os`";
    EXPECT_EQ(run(budget_leaving(200, sec1)), kHead + sec1 + "\n\n" + rels);
    EXPECT_EQ(run(budget_leaving(201, sec1)), kHead + sec1 + "\n\n" + reads);  // 201 - reads leaves <= 150
    const std::int64_t after_reads = packing::estimate_tokens(reads);
    EXPECT_EQ(run(budget_leaving(150 + after_reads, sec1)), kHead + sec1 + "\n\n" + reads);
    EXPECT_EQ(run(budget_leaving(151 + after_reads, sec1)), kHead + sec1 + "\n\n" + reads + "\n\n" + rels);
    nodes.clear();
    EXPECT_EQ(run(budget_leaving(150, sec1)), kHead + sec1);
    EXPECT_EQ(run(budget_leaving(151, sec1)), kHead + sec1 + "\n\n" + rels);
}

// The budget whose 0.45 share, truncated, is `share`.
std::int64_t budget_with_share(std::int64_t share) {
    for (std::int64_t b = share * 2;; ++b)
        if (static_cast<std::int64_t>(static_cast<double>(b) * 0.45) == share) return b;
}

TEST_F(Pack, KeyCodeTruncatesTheFirstExcerptThatDoesNotFitAndStops) {
    write_rows("a.js", 60, "row number ");
    write_rows("b.py", 5);
    ids = {"a.js", "b.py"};
    nodes = {symbol_node("a.js", "big", 0, 59), symbol_node("b.py", "small", 0, 1)};
    const std::string body = [] {
        std::string s = "# a.js::big (lines 1-60)";
        for (int i = 0; i < 60; ++i) s += "\nrow number " + std::to_string(i);
        return s;
    }();
    const std::int64_t heading = packing::estimate_tokens("### Key Code (pre-loaded)");
    const std::int64_t cost = packing::estimate_tokens("```javascript\n" + body + "\n```");

    // Exactly at the limit the excerpt fits, and the next file is not tried: less than
    // 200 tokens of the share are left.
    std::string out = run(budget_with_share(heading + cost));
    EXPECT_NE(out.find("```javascript\n" + body + "\n```"), std::string::npos);
    EXPECT_EQ(out.find("```python"), std::string::npos);
    EXPECT_EQ(out.find("truncated"), std::string::npos);

    // One token less: cut to (share - used) * 3.2 characters at a row end, marked, and
    // the smaller second file is not tried.
    const std::int64_t share = heading + cost - 1;
    out = run(budget_with_share(share));
    const auto chars = static_cast<std::size_t>(static_cast<double>(cost - 1) * 3.2);
    std::string cut = body.substr(0, chars);
    cut = cut.substr(0, cut.rfind('\n'));
    EXPECT_NE(out.find("### Key Code (pre-loaded)\n```javascript\n" + cut + "\n# ... truncated\n```\n\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("```python"), std::string::npos);
}

// The section of `out` that starts with `heading`, "" when absent.
std::string section_of(const std::string& out, const std::string& heading) {
    const auto at = out.find(heading);
    return at == std::string::npos ? std::string() : out.substr(at, out.find("\n\n###", at) - at);
}

TEST_F(Pack, KeyCodeTriesAFileOnlyWith200TokensLeftAndCutsWithinThem) {
    write_rows("a.py", 200, "a fairly long row of source text number ");
    ids = {"a.py"};
    nodes = {symbol_node("a.py", "f", 0, 199)};
    const std::int64_t heading = packing::estimate_tokens("### Key Code (pre-loaded)");
    EXPECT_EQ(section_of(run(budget_with_share(heading + 199)), "### Key Code"), "");
    // 200 tokens allow 640 characters of the excerpt; the cut ends at the last full row
    // within them.
    std::string text = "# a.py::f (lines 1-80)";
    for (int i = 0; i < 80; ++i) text += "\na fairly long row of source text number " + std::to_string(i);
    std::string cut = text.substr(0, 640);
    cut = cut.substr(0, cut.rfind('\n'));
    EXPECT_EQ(section_of(run(budget_with_share(heading + 200)), "### Key Code"),
              "### Key Code (pre-loaded)\n```python\n" + cut + "\n# ... truncated\n```");
}

TEST_F(Pack, SmallShareTriesNoFile) {
    // A share of 8 + 30 tokens: less than 200, so nothing is tried at all.
    write_rows("a.py", 3);
    ids = {"a.py"};
    nodes = {symbol_node("a.py", "f", 0, 2)};
    const std::string out = run(budget_with_share(38));
    EXPECT_EQ(out.find("### Key Code"), std::string::npos);
}

TEST_F(Pack, KeyCodeTriesTheFirstFourFilesOnly) {
    auto block = [](int i) {
        const std::string f = "f" + std::to_string(i) + ".py";
        return "\n```python\n# " + f + "::run (lines 1-2)\nline 0\nline 1\n```";
    };
    for (int i = 0; i < 6; ++i) {
        write_rows("f" + std::to_string(i) + ".py", 2);
        nodes.push_back(symbol_node("f" + std::to_string(i) + ".py", "run", 0, 1));
    }
    ids = {"f0.py", "f1.py", "f2.py", "f3.py", "f4.py", "f5.py"};
    EXPECT_EQ(section_of(run(), "### Key Code"),
              "### Key Code (pre-loaded)" + block(0) + block(1) + block(2) + block(3));
    // A file without an excerpt still takes one of the four places.
    ids = {"gone.py", "f1.py", "f2.py", "f3.py", "f4.py", "f5.py"};
    EXPECT_EQ(section_of(run(), "### Key Code"), "### Key Code (pre-loaded)" + block(1) + block(2) + block(3));
}

TEST_F(Pack, KeyCodeExcerptsShareEightyRowsPerFile) {
    write_rows("big.py", 100);
    ids = {"big.py"};
    nodes = {symbol_node("big.py", "a", 0, 59), symbol_node("big.py", "b", 60, 99)};
    std::string want = "### Key Code (pre-loaded)\n```python\n# big.py::a (lines 1-60)";
    for (int i = 0; i < 60; ++i) want += "\nline " + std::to_string(i);
    want += "\n\n# big.py::b (lines 61-80)";
    for (int i = 60; i < 80; ++i) want += "\nline " + std::to_string(i);
    EXPECT_EQ(section_of(run(), "### Key Code"), want + "\n```");
}

TEST_F(Pack, SummaryFunctionSelectionDiffersBetweenKeyCodeAndReads) {
    write_rows("s.py", 20);
    ids = {"s.py"};
    summaries = Json::parse(R"({"s.py": {"functions": {
        "zero": {"lines": [0, 0]},
        "": {"lines": [3, 4]},
        "neg": {"lines": [-3, 2], "description": 0},
        "fourth": {"lines": [5, 6]}}}})");
    nodes = {symbol_node("s.py", "graph_only", 10, 12)};
    const std::string out = run();
    EXPECT_NE(out.find("# s.py::neg (lines 1-3)\nline 0\nline 1\nline 2\n\n# s.py::zero (lines 1-1)\nline 0\n```"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("### Recommended Reads\n- `s.py` lines -3-3: `neg()`"), std::string::npos) << out;
    EXPECT_EQ(out.find("::fourth"), std::string::npos);
    EXPECT_EQ(out.find("`fourth()`"), std::string::npos);
    EXPECT_EQ(out.find("graph_only"), std::string::npos);
}

TEST_F(Pack, FunctionsThatAreNotAMapFallBackInKeyCodeOnly) {
    write_rows("t.py", 30);
    ids = {"t.py"};
    summaries = Json::parse(R"({"t.py": {"functions": ["f"]}})");
    nodes = {symbol_node("t.py", "a", 2, std::nullopt), symbol_node("t.py", "a", 3, 3), symbol_node("t.py", "b", 5, 5),
             symbol_node("t.py", "c", 7, 7), symbol_node("t.py", "d", 9, 9)};
    const std::string out = run();
    // A repeated name replaces the earlier record; three names at most; no last row: 20.
    EXPECT_NE(
        out.find(
            "# t.py::a (lines 4-4)\nline 3\n\n# t.py::b (lines 6-6)\nline 5\n\n# t.py::c (lines 8-8)\nline 7\n```"),
        std::string::npos)
        << out;
    EXPECT_EQ(out.find("### Recommended Reads"), std::string::npos);
}

TEST_F(Pack, ReadsListEverySymbolUpToTheCap) {
    ids = {"a.py", "b.py"};
    nodes = {symbol_node("a.py", "f1", 0, std::nullopt), symbol_node("a.py", "f2", 2, 3),
             symbol_node("a.py", "f3", 4, 5), symbol_node("a.py", "f4", 6, 7), symbol_node("b.py", "g", 1, 1)};
    nodes[0].name.reset();
    std::string out = run(5000, 4);
    EXPECT_NE(out.find("### Recommended Reads\n- `a.py` lines 1-2: `unknown()`\n- `a.py` lines 3-4: `f2()`\n"
                       "- `a.py` lines 5-6: `f3()`\n- `a.py` lines 7-8: `f4()`"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("`g()`"), std::string::npos);
    EXPECT_EQ(run(5000, 0).find("### Recommended Reads"), std::string::npos);
    EXPECT_EQ(run(5000, -1).find("### Recommended Reads"), std::string::npos);
}

TEST_F(Pack, RelationshipsFilterAndCap) {
    ids = {"src/a.py"};
    for (int i = 0; i < 12; ++i) edges.push_back({"src/a.py", "mod" + std::to_string(i), "calls"});
    edges.insert(edges.begin(), {{"src/a.py", "x", "includes"},
                                 {"src/a.py", "y", "structural_peer"},
                                 {"src/b.py", "z", "imports"},
                                 {"win\\a.py", "src/a.py", "extends"}});
    const std::string out = run();
    std::string expected = "### Key Relationships\n- `win\\a.py` --extends--> `a.py`";
    for (int i = 0; i < 9; ++i) expected += "\n- `a.py` --calls--> `mod" + std::to_string(i) + "`";
    EXPECT_TRUE(out.ends_with(expected)) << out;
}

TEST(PackNames, FenceLanguagesBaseFilesAndBasenames) {
    const std::pair<const char*, const char*> fences[] = {
        {"a.py", "python"},    {"a.ts", "typescript"}, {"a.tsx", "tsx"},   {"a.js", "javascript"},
        {"a.jsx", "jsx"},      {"a.go", "go"},         {"a.rs", "rs"},     {"Makefile", ""},
        {"v1.2/run", "2/run"}, {"a.PY", "PY"},         {"dir.d/x", "d/x"}, {"a.", ""}};
    for (const auto& [file, lang] : fences) EXPECT_EQ(packing::fence_language(file), lang) << file;
    EXPECT_EQ(packing::base_file("a.py::C::m"), "a.py");
    EXPECT_EQ(packing::base_file("a.py"), "a.py");
    EXPECT_EQ(packing::basename("a/b/c.py"), "c.py");
    EXPECT_EQ(packing::basename("a\\b.py"), "a\\b.py");
    EXPECT_EQ(packing::basename("a/"), "");
}

}  // namespace
