#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/paths.hpp"
#include "core/records.hpp"
#include "paths_host.hpp"

namespace {

using core::Edge;
using core::Node;

std::vector<std::string> keys(const core::Json& d) {
    std::vector<std::string> out;
    for (const auto& [k, v] : d.items()) out.push_back(k);
    return out;
}

TEST(Records, NodeMapKeysFollowKind) {
    const std::vector<std::string> common = {"id", "kind", "path", "ext", "size", "keywords"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> all = common;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const auto file_keys = with({"content", "summary", "file_hash"});
    const auto symbol_keys =
        with({"symbol_type", "name", "line_start", "line_end", "body_hash", "confidence", "exported"});

    Node n;
    n.id = n.path = "src/a.py";
    n.kind = "file";
    n.ext = ".py";
    n.size = 12;
    n.keywords = {"alpha", "beta"};
    n.content = "x = 1\n";
    n.summary = "sum";
    n.file_hash = "0123abcd";
    n.name = "ignored for files";
    const core::Json f = core::node_as_dict(n);
    EXPECT_EQ(keys(f), file_keys);
    EXPECT_EQ(f["size"], 12);
    EXPECT_EQ(f["keywords"], core::Json({"alpha", "beta"}));
    EXPECT_EQ(f["content"], "x = 1\n");

    // Only the exact kind "file" carries the file keys; every other kind the symbol keys.
    for (const char* kind : {"symbol", "", "File", "file "}) {
        Node s;
        s.id = "src/a.py::f";
        s.kind = kind;
        s.path = "src/a.py";
        s.size = 3;
        s.symbol_type = "utility";
        s.name = "f";
        s.line_start = 4;
        s.line_end = 6;
        s.exported = true;
        const core::Json d = core::node_as_dict(s);
        EXPECT_EQ(keys(d), symbol_keys) << '"' << kind << '"';
        EXPECT_EQ(d["kind"], kind);
        EXPECT_EQ(d["line_end"], 6);
        EXPECT_EQ(d["exported"], true);
    }
}

TEST(Records, EdgeAndSymbolMapsKeepRecordOrder) {
    EXPECT_EQ(core::edge_json({"a.ts", "./b", "imports"}).dump(), R"({"from":"a.ts","to":"./b","rel":"imports"})");
    core::SymbolRecord s{core::symbol_id("src/auth.ts", "handleLogin"),
                         "handleLogin",
                         "use_case",
                         2,
                         9,
                         "abcd1234",
                         "high",
                         true,
                         {"handle", "login"}};
    EXPECT_EQ(s.id, "src/auth.ts::handleLogin");
    EXPECT_EQ(
        core::symbol_json(s).dump(),
        R"({"id":"src/auth.ts::handleLogin","name":"handleLogin","symbol_type":"use_case","line_start":2,)"
        R"("line_end":9,"body_hash":"abcd1234","confidence":"high","exported":true,"keywords":["handle","login"]})");
}

// The hash of lines[start:end + 1] joined by "\n", against the host, negative and
// out-of-range bounds included.
TEST(Records, BodyHashTakesTheHostSlice) {
    const std::vector<std::string> rows = {"def f():", "    return 'é'", "", "x"};
    const std::vector<std::string_view> lines(rows.begin(), rows.end());
    constexpr auto lo = std::numeric_limits<std::int64_t>::min(), hi = std::numeric_limits<std::int64_t>::max();
    const std::vector<std::pair<std::int64_t, std::int64_t>> ranges = {
        {0, 0},  {0, 1},   {0, 3},   {1, 9},  {3, 3},  {4, 4},   {9, 12}, {2, 1},   {3, 0},   {0, -1},
        {0, -2}, {-1, -1}, {-2, -1}, {-2, 5}, {-9, 0}, {-9, -9}, {1, -2}, {lo, hi}, {lo, lo}, {hi, hi},
    };
    paths_host::Calls calls;
    for (const auto& [s, e] : ranges) calls.push_back({std::to_string(s), std::to_string(e)});
    const auto expected = paths_host::ask(R"(
LINES = ["def f():", "    return '\u00e9'", "", "x"]
def answer(a):
    s, e = int(a[0]), int(a[1])
    return hashlib.md5("\n".join(LINES[s:e + 1]).encode("utf-8")).hexdigest()[:8]
)",
                                          calls, "/");
    for (std::size_t i = 0; i < ranges.size(); ++i)
        EXPECT_EQ(core::body_hash(lines, ranges[i].first, ranges[i].second), expected[i])
            << ranges[i].first << ".." << ranges[i].second;
    EXPECT_EQ(core::body_hash({"a", "b"}, 0, 1), "8cdeb444");  // "a\nb", no final line feed
    EXPECT_EQ(core::body_hash({}, 0, 0), "d41d8cd9");
}

class RelTree : public paths_host::ScratchDir {
protected:
    void build() override {
        for (const char* d : {"work", "work/proj", "work/proj/src", "elsewhere"}) folder(d);
        file("work/proj/src/app.ts");
        file("elsewhere/x.py");
        link(dir + "/elsewhere/x.py", "work/proj/x.py");
        link("../../elsewhere", "work/proj/ext");
        link("work/proj", "proj-link");
    }
};

TEST_F(RelTree, FileIdsInsideAndThroughOutsideLinks) {
    const std::string root = dir + "/work/proj";
    const std::string sep(1, core::paths::SEP);
    EXPECT_EQ(core::rel(root + "/src/app.ts", root), "src" + sep + "app.ts");
    EXPECT_EQ(core::rel("work/proj/./src//app.ts", "work/proj/"), "src" + sep + "app.ts");  // relative to cwd
    // A root reached through a link still holds the files under its target.
    EXPECT_EQ(core::rel(root + "/src/app.ts", dir + "/proj-link"), "src" + sep + "app.ts");
    EXPECT_EQ(core::rel("proj-link/src/../src/app.ts", root), "src" + sep + "app.ts");
    // Links whose targets lie outside the root get ".." steps from the root.
    EXPECT_EQ(core::rel(root + "/x.py", root), ".." + sep + ".." + sep + "elsewhere" + sep + "x.py");
    EXPECT_EQ(core::rel(root + "/ext/x.py", root), ".." + sep + ".." + sep + "elsewhere" + sep + "x.py");
    // A missing file keeps its name; a name that only shares a prefix is outside.
    EXPECT_EQ(core::rel(root + "/src/new.ts", root), "src" + sep + "new.ts");
    EXPECT_EQ(core::rel(dir + "/work/project2/a", root), ".." + sep + "project2" + sep + "a");
    EXPECT_EQ(core::rel(root, root), ".");
}

}  // namespace
