#include "graph/vorlane/scan.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/hash.hpp"
#include "core/paths.hpp"
#include "core/records.hpp"
#include "graph/kit/earlier_nodes.hpp"
#include "graph/kit/symbol_index.hpp"
#include "graph/vorlane/command.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/summary.hpp"
#include "graph/vorlane/walker.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

using core::Json;
using ScanTest = scratch::Tree;

const Json* node_of(const Json& g, const std::string& id) {
    for (const Json& n : g["nodes"])
        if (n["id"] == id) return &n;
    return nullptr;
}

void expect_counts_consistent(const Json& g) {
    std::size_t symbols = 0;
    for (const Json& n : g["nodes"]) symbols += n["kind"] == "symbol";
    EXPECT_EQ(g["node_count"], g["nodes"].size());
    EXPECT_EQ(g["edge_count"], g["edges"].size());
    EXPECT_EQ(g["symbol_count"], symbols);
    EXPECT_EQ(g["file_count"].get<std::size_t>() + symbols, g["nodes"].size());
}

TEST_F(ScanTest, EmptyOrMissingRoot) {
    for (const std::string& root : {dir, at("missing/")}) {
        const Json g = vorlane::scan(root, nullptr);
        EXPECT_EQ(g.dump(), Json::parse(R"({"root": )" + Json(root).dump() +
                                        R"(, "node_count": 0, "edge_count": 0, "file_count": 0,
                                           "symbol_count": 0, "nodes": [], "edges": []})")
                                .dump());
    }
}

TEST_F(ScanTest, SizeLimitAndTextModeReading) {
    file("exact.md", std::string(300000, 'a'));
    file("over.md", std::string(300001, 'a') + " see docs/x.md");
    file("bad.md",
         "a\xff\xfe"
         "b\xe2\x82"
         "c");
    file("lf.md", "one\ntwo\n");
    file("crlf.md", "one\r\ntwo\r\n");
    file("cr.md", "one\rtwo\r");
    file("bom.md", "\xef\xbb\xbfhi");
    const Json g = vorlane::scan(dir, nullptr);

    ASSERT_NE(node_of(g, "exact.md"), nullptr);
    EXPECT_EQ((*node_of(g, "exact.md"))["size"], 300000);
    EXPECT_EQ(node_of(g, "over.md"), nullptr);
    for (const Json& e : g["edges"]) EXPECT_NE(e["from"], "over.md");

    EXPECT_EQ((*node_of(g, "bad.md"))["content"], "abc");
    EXPECT_EQ((*node_of(g, "bad.md"))["file_hash"], core::md5_prefix8("abc"));
    const Json &lf = *node_of(g, "lf.md"), &crlf = *node_of(g, "crlf.md"), &cr = *node_of(g, "cr.md");
    for (const Json* n : {&crlf, &cr}) {
        EXPECT_EQ((*n)["content"], lf["content"]);
        EXPECT_EQ((*n)["file_hash"], lf["file_hash"]);
    }
    EXPECT_EQ(lf["size"], 8);
    EXPECT_EQ(crlf["size"], 10);
    EXPECT_EQ((*node_of(g, "bom.md"))["content"], "\xef\xbb\xbfhi");
    expect_counts_consistent(g);
}

TEST_F(ScanTest, FreshFileNodeFieldsAndContentCutInCharacters) {
    std::string text;
    for (int i = 0; i < 15000; ++i) text += "\xc3\xa9x";  // 30000 characters, 45000 bytes
    file("Long.MD", text);
    const Json g = vorlane::scan(dir, nullptr);
    const Json& n = g["nodes"][0];
    std::vector<std::string> keys;
    for (const auto& [k, v] : n.items()) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "kind", "path", "ext", "size", "keywords", "content", "summary",
                                              "file_hash"}));
    EXPECT_EQ(n["id"], "Long.MD");
    EXPECT_EQ(n["path"], "Long.MD");
    EXPECT_EQ(n["kind"], "file");
    EXPECT_EQ(n["ext"], ".md");
    EXPECT_EQ(n["size"], 45000);
    EXPECT_EQ(n["content"].get<std::string>().size(), 36000u);  // 24000 characters
    EXPECT_EQ(n["file_hash"], core::md5_prefix8(text));
    EXPECT_EQ(n["summary"], vorlane::make_summary(text, "Long.MD", ".md"));
    EXPECT_EQ(n["keywords"], Json(vorlane::extract_keywords(text, ".md")));
}

TEST_F(ScanTest, SymbolsFollowTheirFileAndOnlyForSymbolSuffixes) {
    const std::string py = "def load_user(x):\n    return x\n\nclass Store:\n    pass\n";
    file("Model.PY", py);
    file("main.go", "package main\nfunc Main() {}\n");
    const Json g = vorlane::scan(dir, nullptr);
    const graph_kit::Symbols syms = vorlane::extract_symbols_for_file(py, "Model.PY", ".py");

    std::vector<std::string> ids;
    for (const Json& n : g["nodes"]) ids.push_back(n["id"]);
    std::vector<std::string> want_py{"Model.PY"};
    for (const auto& s : syms) want_py.push_back(s.id);
    const auto at_py = std::find(ids.begin(), ids.end(), "Model.PY");
    ASSERT_NE(at_py, ids.end());
    EXPECT_EQ(std::vector<std::string>(at_py, at_py + static_cast<std::ptrdiff_t>(want_py.size())), want_py);
    EXPECT_EQ((*node_of(g, "Model.PY"))["ext"], ".py");

    for (std::size_t i = 0; i < syms.size(); ++i) {
        const Json& n = *node_of(g, syms[i].id);
        EXPECT_EQ(n["kind"], "symbol");
        EXPECT_EQ(n["path"], "Model.PY");
        EXPECT_EQ(n["size"], syms[i].line_end - syms[i].line_start + 1);
        EXPECT_EQ(n["body_hash"], syms[i].body_hash);
    }
    std::size_t contains = 0;
    for (const Json& e : g["edges"])
        if (e["rel"] == "contains") {
            EXPECT_EQ(e["from"], "Model.PY");
            ++contains;
        }
    EXPECT_EQ(contains, syms.size());
    EXPECT_EQ(g["symbol_count"], syms.size());
    expect_counts_consistent(g);
}

TEST(Dispatch, BySuffix) {
    const std::string java = "public class Box {\n    public int size() { return 1; }\n}\n";
    auto ids = [](const graph_kit::Symbols& s) {
        std::vector<std::string> out;
        for (const auto& r : s) out.push_back(r.id);
        return out;
    };
    EXPECT_EQ(ids(vorlane::extract_symbols_for_file(java, "B.kts", ".kts")),
              ids(vorlane::extract_symbols_java(java, "B.kts")));
    EXPECT_TRUE(vorlane::extract_symbols_for_file("func Main() {}\n", "m.go", ".go").empty());
    EXPECT_TRUE(vorlane::extract_symbols_for_file(java, "B.KTS", ".KTS").empty());  // the suffix comes lower-cased
}

TEST_F(ScanTest, LinkedFolderGivesOneNodePerIdAndEdgesOnce) {
    KIT_SKIP_WITHOUT_LINKS();
    file("root/src/a.py", "def run():\n    pass\n");
    link("src", "root/alias");
    ASSERT_EQ(vorlane::walk_files(at("root")).size(), 2u);  // both paths are listed
    const Json g = vorlane::scan(at("root"), nullptr);
    std::vector<std::string> ids;
    for (const Json& n : g["nodes"]) ids.push_back(n["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"src/a.py", "src/a.py::run"}));
    std::vector<std::string> seen;
    for (const Json& e : g["edges"]) {
        const std::string key = e.dump();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), key), 0) << key;
        seen.push_back(key);
    }
    expect_counts_consistent(g);
}

// The disk, except that the links named `bad` cannot be read (as a link to another
// drive cannot be made relative on the Windows target).
class UnreadableLinks final : public core::fs::FileSystem {
public:
    explicit UnreadableLinks(std::string bad) : bad_(std::move(bad)) {}
    core::fs::Status stat(const std::string& p) const override { return disk_.stat(p); }
    core::fs::Status lstat(const std::string& p) const override { return disk_.lstat(p); }
    int list_dir(const std::string& p, std::vector<core::fs::DirEntry>& out, core::fs::Status& self) const override {
        return disk_.list_dir(p, out, self);
    }
    int read_link(const std::string& p, std::string& target) const override {
        return core::paths::name(p) == bad_ ? EIO : disk_.read_link(p, target);
    }
    int read_file(const std::string& p, std::string& out) const override { return disk_.read_file(p, out); }
    int write_file(const std::string& p, std::string_view d) const override { return disk_.write_file(p, d); }
    int make_dir(const std::string& p) const override { return disk_.make_dir(p); }
    int current_dir(std::string& out) const override { return disk_.current_dir(out); }

private:
    const core::fs::FileSystem& disk_ = core::fs::disk();
    std::string bad_;
};

TEST_F(ScanTest, AFileWithoutAnIdIsSkippedAsAnUnreadableOne) {
    KIT_SKIP_WITHOUT_LINKS();
    file("root/a.py", "def run():\n    pass\n");
    file("root/target.md", "# t\n");
    link("target.md", "root/bad.md");
    // Enough files that four threads share them.
    std::vector<std::string> want{"a.py", "target.md"};
    for (int i = 0; i < 16; ++i) {
        file("root/more/n" + std::to_string(i) + ".md", "x");
        want.push_back("more/n" + std::to_string(i) + ".md");
    }
    std::sort(want.begin(), want.end());
    UnreadableLinks fs("bad.md");
    core::fs::Substitute in_force(fs);
    EXPECT_THROW(core::rel(at("root/bad.md"), at("root")), core::OsError);
    for (const char* threads : {"1", "4"}) {
        kit::set_env("VORLANE_THREADS", threads);
        const Json g = vorlane::scan(at("root"), nullptr);
        std::vector<std::string> files;
        for (const Json& n : g["nodes"])
            if (n["kind"] == "file") files.push_back(n["id"]);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, want) << threads;
        expect_counts_consistent(g);
    }
    kit::unset_env("VORLANE_THREADS");
}

class TakeOver : public ScanTest {
protected:
    const std::string text = "def handler(req):\n    return req\n";
    void SetUp() override {
        ScanTest::SetUp();
        file("app.py", text);
    }
    Json prior(Json node) const {
        Json p = Json::object();
        p["app.py"] = std::move(node);
        return p;
    }
    Json fresh() const { return vorlane::scan(dir, nullptr)["nodes"][0]; }
};

TEST_F(TakeOver, UnchangedHashTakesStoredValuesUnchanged) {
    const std::string hash = core::md5_prefix8(text);
    const Json stored = Json::parse(R"({"id": "stored-id", "kind": "file", "path": "p", "ext": ".x", "size": 7,
        "keywords": ["kept"], "content": null, "summary": 42, "file_hash": ")" +
                                    hash + R"(", "extra": 1})");
    const Json g = vorlane::scan(dir, prior(stored));
    const Json& n = g["nodes"][0];
    EXPECT_EQ(n.dump(), Json::parse(R"({"id": "stored-id", "kind": "file", "path": "p", "ext": ".x", "size": 7,
        "keywords": ["kept"], "content": null, "summary": 42, "file_hash": ")" +
                                    hash + R"("})")
                            .dump());
    // Relations and symbols are made afresh all the same.
    const Json full = vorlane::scan(dir, nullptr);
    EXPECT_EQ(g["edges"], full["edges"]);
    EXPECT_EQ(Json(std::vector<Json>(g["nodes"].begin() + 1, g["nodes"].end())),
              Json(std::vector<Json>(full["nodes"].begin() + 1, full["nodes"].end())));
}

TEST_F(TakeOver, AbsentKeysFallBack) {
    const Json g = vorlane::scan(dir, prior({{"id", "app.py"}, {"file_hash", core::md5_prefix8(text)}}));
    Json want = fresh();
    want["keywords"] = Json::array();
    want["summary"] = "";
    EXPECT_EQ(g["nodes"][0], want);
}

TEST_F(TakeOver, StoredKindOtherThanFileCarriesTheSymbolKeys) {
    const Json g = vorlane::scan(
        dir, prior({{"id", "app.py"}, {"kind", "symbol"}, {"summary", "s"}, {"file_hash", core::md5_prefix8(text)}}));
    const Json& n = g["nodes"][0];
    EXPECT_FALSE(n.contains("summary"));
    EXPECT_EQ(n["symbol_type"], "");
    EXPECT_EQ(n["line_end"], 0);
    expect_counts_consistent(g);
    EXPECT_EQ(g["symbol_count"], vorlane::scan(dir, nullptr)["symbol_count"].get<int>() + 1);
}

TEST_F(TakeOver, ChangedOrMissingHashIsProcessedAfresh) {
    const Json want = fresh();
    for (const Json& hash : {Json("00000000"), Json(nullptr), Json(7)}) {
        Json stored = {{"id", "x"}, {"summary", "old"}, {"keywords", {"old"}}};
        stored["file_hash"] = hash;
        EXPECT_EQ(vorlane::scan(dir, prior(stored))["nodes"][0], want) << hash;
    }
    Json no_hash = {{"id", "x"}, {"summary", "old"}};
    EXPECT_EQ(vorlane::scan(dir, prior(no_hash))["nodes"][0], want);
    Json elsewhere = Json::object();
    elsewhere["other.py"] = {{"id", "x"}, {"file_hash", core::md5_prefix8(text)}, {"summary", "old"}};
    EXPECT_EQ(vorlane::scan(dir, elsewhere)["nodes"][0], want);
}

TEST_F(TakeOver, EntryWithoutIdIsAKeyError) {
    try {
        vorlane::scan(dir, prior({{"file_hash", core::md5_prefix8(text)}}));
        FAIL() << "no error";
    } catch (const core::KeyError& e) {
        EXPECT_STREQ(e.what(), "id");
    }
}

TEST_F(ScanTest, SymbolIndexFromTheGraphsSymbolNodes) {
    const Json g = Json::parse(R"({"nodes": [
        {"id": "a.py", "kind": "file"},
        {"id": "a.py::f", "kind": "symbol", "line_start": 1, "line_end": 3, "body_hash": "h1", "confidence": "high",
         "path": "a.py"},
        {"id": "a.py::g", "kind": "symbol", "line_start": 4, "line_end": 4, "body_hash": "h2", "path": "a.py"},
        {"id": "a.py::f", "kind": "symbol", "line_start": 9, "line_end": 9, "body_hash": "h3", "confidence": "",
         "path": "a.py"}]})");
    EXPECT_EQ(graph_kit::symbol_index(g).dump(), Json::parse(R"({
        "a.py::f": {"line_start": 9, "line_end": 9, "body_hash": "h3", "confidence": "", "path": "a.py"},
        "a.py::g": {"line_start": 4, "line_end": 4, "body_hash": "h2", "confidence": "", "path": "a.py"}})")
                                                     .dump());
}

TEST_F(ScanTest, ReuseOfThePreviousGraphIsAllOrNothing) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> ids;  // the file ids handed over, in order
    };
    const std::string good = R"({"nodes": [{"id": "a", "kind": "file"}, {"id": "s", "kind": "symbol"},
        {"kind": "symbol"}, {"id": 5, "kind": "file"}, {"id": "b", "kind": "file"}, {"id": "a", "kind": "file", "v": 2}]})";
    const Case cases[] = {
        {"good", good, {"a", "b"}},
        {"bom", "\xef\xbb\xbf" + good, {}},
        {"invalid utf-8",
         R"({"nodes": [{"id": "a", "kind": "file", "x": ")"
         "\xff"
         R"("}]})",
         {}},
        {"encoded surrogate",
         R"({"nodes": [{"id": "a", "kind": "file", "x": ")"
         "\xed\xa0\x80"
         R"("}]})",
         {}},
        {"not json", "{", {}},
        {"top level array", "[]", {}},
        {"no nodes", "{}", {}},
        {"nodes not an array", R"({"nodes": {"a": 1}})", {}},
        {"non-object element", R"({"nodes": [{"id": "a", "kind": "file"}, 3]})", {}},
        {"file node without id", R"({"nodes": [{"id": "a", "kind": "file"}, {"kind": "file"}]})", {}},
        {"array id", R"({"nodes": [{"id": "a", "kind": "file"}, {"id": [], "kind": "file"}]})", {}},
    };
    using graph_kit::LeadingMark;
    for (const Case& c : cases) {
        file("g.json", c.bytes);
        for (const LeadingMark mark : {LeadingMark::Reject, LeadingMark::Skip}) {
            // Passed over, the mark leaves the good graph behind it.
            const bool skipped_mark = mark == LeadingMark::Skip && c.bytes.starts_with("\xef\xbb\xbf");
            const std::vector<std::string> want = skipped_mark ? std::vector<std::string>{"a", "b"} : c.ids;
            const Json got = graph_kit::load_file_nodes(at("g.json"), mark);
            std::vector<std::string> ids;
            for (const auto& [k, v] : got.items()) ids.push_back(k);
            EXPECT_EQ(ids, want) << c.name << (skipped_mark ? " (mark skipped)" : "");
            if (!want.empty()) {
                EXPECT_EQ(got["a"]["v"], 2);
            }
        }
    }
    // A FIFO without a writer would wait for ever: it is no previous graph (where the
    // platform has FIFOs).
    std::vector<std::string> no_graph = {at("missing.json"), dir};
    if (!kit::windows()) {
        ASSERT_TRUE(kit::make_fifo(at("fifo.json")));
        link("fifo.json", "to-fifo.json");
        no_graph.push_back(at("fifo.json"));
        no_graph.push_back(at("to-fifo.json"));
    }
    for (const LeadingMark mark : {LeadingMark::Reject, LeadingMark::Skip}) {
        for (const std::string& p : no_graph) EXPECT_TRUE(graph_kit::load_file_nodes(p, mark).empty()) << p;
    }
}

TEST_F(ScanTest, MakeDirsCreatesChainsAndRefusesAFileInTheWay) {
    core::fs::make_dirs(at("a/b/c"));
    core::fs::make_dirs(at("a/b/c"));
    file("f", "x");
    EXPECT_THROW(core::fs::make_dirs(at("f")), core::OsError);
    EXPECT_THROW(core::fs::make_dirs(at("f/sub")), core::OsError);
    EXPECT_TRUE(std::filesystem::exists(kit::fs_path(at("a/b/c"))));
}

}  // namespace
