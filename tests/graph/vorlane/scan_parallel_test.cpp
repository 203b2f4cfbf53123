// The scan on several threads against the scan on one, and the written graph against
// the document that scan() returns.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.hpp"
#include "core/hash.hpp"
#include "core/json.hpp"
#include "core/stop.hpp"
#include "graph/kit/scan_threads.hpp"
#include "graph/kit/symbol_index.hpp"
#include "graph/vorlane/command.hpp"
#include "graph/vorlane/scan.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

using core::Json;

// Sets VORLANE_THREADS for one scope and puts back what was there.
class Threads {
public:
    explicit Threads(const char* value) {
        if (const char* old = std::getenv("VORLANE_THREADS")) old_ = old;
        if (value)
            kit::set_env("VORLANE_THREADS", value);
        else
            kit::unset_env("VORLANE_THREADS");
    }
    ~Threads() {
        if (old_)
            kit::set_env("VORLANE_THREADS", old_->c_str());
        else
            kit::unset_env("VORLANE_THREADS");
    }

private:
    std::optional<std::string> old_;
};

// One sample per scanned suffix, with imports, declarations and routes; {n} is replaced
// by the file's number so that names differ while many edges repeat across files.
struct Sample {
    const char* ext;
    const char* text;
};
const Sample kSamples[] = {
    {".ts",
     "import { a } from './lib/a';\nexport async function handle{n}(req: Request) {\n  return fetch('/api/{n}');\n}\n"
     "export class Store{n} {}\nexport const useThing{n} = () => 1;\n"},
    {".tsx", "import React from \"react\";\nexport default function Page{n}() {\n  return <div>{n}</div>;\n}\n"},
    {".js", "const m = require('./mod');\nfunction run{n}(a) {\n  return a;\n}\nmodule.exports = { run{n} };\n"},
    {".jsx", "import x from './x.js';\nexport function View{n}() { return <p/>; }\n"},
    {".py",
     "\"\"\"Module {n} \xc3\xa9t\xc3\xa9 docs.\"\"\"\nimport os\nfrom .models import User\n\n@app.get('/items/{n}')\n"
     "def get_item_{n}(x):\n    return x\n\nclass Model{n}:\n    def save(self):\n        pass\n"},
    {".rs",
     "use std::io;\nmod util;\npub fn parse_{n}(s: &str) -> usize {\n    s.len()\n}\npub struct Thing{n} { a: u8 }\n"},
    {".java",
     "import java.util.List;\npublic class Service{n} {\n    public List<String> find{n}(int id) {\n"
     "        return null;\n    }\n}\n"},
    {".kt", "import a.b.C\nclass Kt{n} {\n    fun go{n}() {}\n}\n"},
    {".kts", "import x.y\nfun script{n}() {}\n"},
    {".scala", "import scala.io\nobject Sc{n} {\n  def run{n}(): Unit = {}\n}\n"},
    {".cs", "using System.Text;\npublic class Ctl{n} {\n    public async Task<int> Get{n}(int id) { return id; }\n}\n"},
    {".rb", "require 'json'\nrequire_relative \"../lib/x\"\nclass Store{n}\n  def fetch_{n}(id)\n    id\n  end\nend\n"},
    {".php", "<?php\nuse App\\Models\\User;\nclass Repo{n} {\n    public function find{n}($id) { return $id; }\n}\n"},
    {".c", "#include \"util.h\"\nint compute_{n}(int a, int b) {\n    return a + b;\n}\nstruct S{n} { int x; };\n"},
    {".cpp",
     "#include \"core/x.hpp\"\nnamespace ns{n} {\nclass Widget{n} { public: void draw(); };\n"
     "void Widget{n}::draw() {\n}\n}\n"},
    {".h", "#include \"base.h\"\nstruct Header{n};\nint api_{n}(void);\n"},
    {".hpp", "#include \"base.hpp\"\nclass Tpl{n} {};\n"},
    {".go", "package main\nimport \"fmt\"\nfunc Serve{n}() { fmt.Println(\"{n}\") }\n"},
    {".swift", "import Foundation\nstruct Sw{n} {}\nfunc swift{n}() {}\n"},
    {".json", "{\"name\": \"pkg{n}\", \"main\": \"lib/index.js\", \"note\": \"\\u00e9 \xf0\x9f\x98\x80\"}\n"},
    {".yaml", "name: svc{n}\npath: src/app/main.py\n"},
    {".yml", "steps:\n  - run: scripts/build{n}.sh\n"},
    {".md", "# Notes {n}\r\nSee src/app/main.py and docs/guide.md.\r\n\ttab \x7f and \xff bytes\n"},
    {".xaml", "<Window x:Class=\"App.Views.Main{n}\" x:Name=\"root{n}\">\n  <Grid x:Name=\"grid\"/>\n</Window>\n"},
};

std::string fill(const char* text, int n) {
    std::string out = text;
    const std::string num = std::to_string(n);
    for (std::size_t at; (at = out.find("{n}")) != std::string::npos;) out.replace(at, 3, num);
    return out;
}

// A file id as the scan writes it: the relative path with the platform's separator.
std::string id(std::string slashed) {
    if (kit::windows())
        for (char& c : slashed)
            if (c == '/') c = '\\';
    return slashed;
}

class ParallelScan : public scratch::Tree {
protected:
    // 24 suffixes x 16 files, spread over nested folders, plus a second copy of one
    // file under another name so that whole edge lists repeat.
    void SetUp() override {
        Tree::SetUp();
        for (int i = 0; i < 16; ++i)
            for (const Sample& s : kSamples)
                file("tree/pkg" + std::to_string(i % 4) + "/sub" + std::to_string(i % 3) + "/f" + std::to_string(i) +
                         s.ext,
                     fill(s.text, i));
        file("tree/copy/f0.py", fill(kSamples[4].text, 0));
        // A directory link inside the tree lists a folder's files a second time under the
        // same ids: the counts below hold only when each id makes one file node. Where the
        // platform makes no links, the scans still compare without it.
        if (kit::links_work()) link("pkg1", "tree/alias");
        root = at("tree");
    }
    std::string root;  // the scanned tree

    // The file nodes of a first scan, one of them changed and one turned into a
    // stored symbol node, as the command hands them to the next scan.
    Json prior() const {
        Json out = Json::object();
        const Json first = vorlane::scan(root, nullptr);
        for (const Json& n : first["nodes"])
            if (n["kind"] == "file") out[n["id"].get<std::string>()] = n;
        out.at(id("pkg0/sub0/f0.ts"))["summary"] = "taken over";
        out.at(id("pkg1/sub1/f1.md"))["kind"] = "symbol";
        out.at(id("pkg2/sub2/f2.rs"))["file_hash"] = "changed";
        return out;
    }
};

TEST_F(ParallelScan, OneThreadAndManyGiveTheSameBytes) {
    for (const Json& existing : {Json(nullptr), prior()}) {
        Json one_graph;
        vorlane::GraphText one_text;
        {
            Threads t("1");
            one_graph = vorlane::scan(root, existing);
            one_text = vorlane::scan_text(root, existing);
        }
        // With the prior nodes, one file comes back under its stored kind "symbol".
        ASSERT_EQ(one_graph["file_count"], existing.is_null() ? 16 * 24 + 1 : 16 * 24);
        ASSERT_GT(one_graph["symbol_count"].get<int>(), 0);
        const std::string dumped = core::json_dumps_indent(one_graph);
        const std::string index = core::json_dumps(graph_kit::symbol_index(one_graph));
        // The written form is the document's own text.
        EXPECT_TRUE(one_text.graph == dumped);
        EXPECT_TRUE(one_text.index == index);
        EXPECT_EQ(one_text.node_count, one_graph["node_count"]);
        EXPECT_EQ(one_text.edge_count, one_graph["edge_count"]);
        EXPECT_EQ(one_text.symbol_count, one_graph["symbol_count"]);

        for (const char* n : {"2", "7", "64"}) {
            Threads t(n);
            EXPECT_TRUE(core::json_dumps_indent(vorlane::scan(root, existing)) == dumped) << n << " threads";
            const vorlane::GraphText text = vorlane::scan_text(root, existing);
            EXPECT_TRUE(text.graph == dumped) << n << " threads";
            EXPECT_TRUE(text.index == index) << n << " threads";
            // The earlier nodes arriving while the files are analysed, early or late.
            for (int delay_ms : {0, 30}) {
                Json loaded;
                const vorlane::GraphText late = vorlane::scan_text(
                    root,
                    [&] {
                        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
                        return existing;
                    },
                    loaded);
                EXPECT_TRUE(late.graph == dumped) << n << " threads, loaded after " << delay_ms << " ms";
                EXPECT_TRUE(late.index == index) << n << " threads, loaded after " << delay_ms << " ms";
                EXPECT_EQ(loaded, existing);
            }
        }
    }
}

TEST_F(ParallelScan, TheCommandWritesTheSameFilesOnOneThreadAndMany) {
    // A first run, then a second one that takes over the unchanged files of the first;
    // the graphs go beside the scanned tree.
    auto two_runs = [&](const char* threads, const std::string& out) {
        Threads t(threads);
        std::vector<std::string> files;
        for (int run = 0; run < 2; ++run) {
            const std::string report = vorlane::command::run(root, at(out + "/g.json"));
            files.push_back(report.substr(0, report.find('\n')));
            files.push_back(read(out + "/g.json"));
            files.push_back(read(out + "/symbol_index.json"));
        }
        return files;
    };
    const std::vector<std::string> one = two_runs("1", "out1");
    EXPECT_GT(one[1].size(), 100000u);
    EXPECT_TRUE(one == two_runs("8", "out8"));
}

TEST_F(ParallelScan, AFailingFileFailsEveryPathAlike) {
    Json existing = prior();
    existing.at(id("pkg3/sub0/f3.java")).erase("id");  // unchanged, so it is taken over: a key error
    for (const char* n : {"1", "8"}) {
        Threads t(n);
        EXPECT_THROW(vorlane::scan(root, existing), core::KeyError) << n;
        EXPECT_THROW(vorlane::scan_text(root, existing), core::KeyError) << n;
        Json loaded;
        EXPECT_THROW(vorlane::scan_text(
                         root, [&] { return existing; }, loaded),
                     core::KeyError)
            << n;
        EXPECT_THROW(vorlane::scan_text(
                         root, []() -> Json { throw core::OsError(5, "g.json"); }, loaded),
                     core::OsError)
            << n;
    }
}

TEST_F(ParallelScan, StoredSymbolNodeWithoutTextIdFailsOnlyTheIndex) {
    Json existing = prior();
    existing.at(id("pkg1/sub1/f1.md"))["id"] = 5;
    for (const char* n : {"1", "8"}) {
        Threads t(n);
        const Json g = vorlane::scan(root, existing);
        EXPECT_ANY_THROW(graph_kit::symbol_index(g));
        const vorlane::GraphText text = vorlane::scan_text(root, existing);
        EXPECT_TRUE(text.graph == core::json_dumps_indent(g)) << n;
        EXPECT_TRUE(text.index_error) << n;
    }
}

TEST_F(ParallelScan, AStopRequestEndsEveryPathAndWritesNothing) {
    core::StopFlag stop;
    stop.request();
    vorlane::ScanLimits limits;
    limits.stop = &stop;
    for (const char* n : {"1", "8"}) {
        Threads t(n);
        EXPECT_THROW(vorlane::scan(root, nullptr, limits), core::Stopped) << n;
        Json loaded;
        EXPECT_THROW(vorlane::scan_text(
                         root, [] { return Json::object(); }, loaded, limits),
                     core::Stopped)
            << n;
        EXPECT_THROW(vorlane::command::run(root, at("out/g.json"), &stop), core::Stopped) << n;
        EXPECT_FALSE(std::ifstream(at("out/g.json")).good());
        EXPECT_FALSE(std::ifstream(at("out/symbol_index.json")).good());
    }
}

TEST(ScanThreads, FromTheEnvironmentOrTheHardware) {
    struct Case {
        const char* env;
        std::size_t files;
        std::optional<unsigned> want;  // nullopt: the hardware's default
    };
    const Case cases[] = {
        {"1", 1000, 1u},
        {"3", 1000, 3u},
        {"3", 8, 2u},
        {"5", 0, 1u},
        {nullptr, 1000, std::nullopt},
        {"0", 1000, std::nullopt},
        {"x", 1000, std::nullopt},
        {"4x", 1000, std::nullopt},
        {"", 1000, std::nullopt},
        {"-2", 1000, std::nullopt},
    };
    unsigned hardware;
    {
        Threads t(nullptr);
        hardware = graph_kit::scan_threads(1000);
    }
    EXPECT_GE(hardware, 1u);
    for (const Case& c : cases) {
        Threads t(c.env);
        EXPECT_EQ(graph_kit::scan_threads(c.files), c.want.value_or(hardware)) << (c.env ? c.env : "unset");
    }
}

}  // namespace
