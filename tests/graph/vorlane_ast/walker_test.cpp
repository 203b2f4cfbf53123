#include "graph/vorlane_ast/walker.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/paths.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;
using Paths = std::vector<std::string>;

// The lines that a host snippet prints, run in `cwd` with `arg` as sys.argv[1].
Paths host_lines(const std::string& code, const std::string& arg, const std::string& cwd) {
    const kit::HostRun run = kit::run_host({"-c", code, kit::host_path(arg)}, cwd);
    EXPECT_EQ(run.status, 0) << code;
    Paths out;
    std::string line;
    for (char c : run.out) {
        if (c == '\n')
            out.push_back(kit::local_path(line)), line.clear();
        else
            line += c;
    }
    return out;
}

// The walk as the host writes it, with the "venv" test seeing only the part below the
// root. Link cycles are not part of the trees it is given.
constexpr const char* kHostWalk = R"PY(
import os, sys
from pathlib import Path
SKIP_DIRS = {".git", ".beads", ".beads-hooks", "node_modules", "vendor", "dist", "build", ".next", ".idea",
             ".vscode", "__pycache__", "venv", ".venv", ".nimbrel"}
EXTS = (".go", ".py", ".js", ".jsx", ".ts", ".tsx", ".swift", ".json", ".yaml", ".yml", ".md")
def should_scan(p):
    s = str(p).replace(os.sep, "/")
    if "/venv/" in s or "/.venv/" in s:
        return False
    return Path(p).suffix.lower() in EXTS
root = Path(sys.argv[1])
root_resolved = root.resolve()
for dirpath, dirnames, filenames in os.walk(root, followlinks=True):
    base = Path(dirpath)
    def keep(d):
        if d in SKIP_DIRS:
            return False
        full = base / d
        try:
            if full.is_symlink():
                r = full.resolve()
                return r == root_resolved or root_resolved in r.parents
        except Exception:
            return False
        return True
    dirnames[:] = [d for d in dirnames if keep(d)]
    for fn in filenames:
        p = base / fn
        if should_scan(p.relative_to(root)) and p.is_file():
            print(p)
)PY";

using AstWalkerTest = scratch::Tree;

TEST(AstShouldScan, OwnTypesAndTheVenvFragments) {
    struct Case {
        const char* path;
        bool want;
    };
    const Case cases[] = {
        {"src/Main.PY", true},
        {"a.test.ts", true},
        {"a/b.go", true},
        {"x.swift", true},
        {"c.JSON", true},
        {"d.yaml", true},
        {"d.yml", true},
        {"README.md", true},
        {"App.tsx", true},
        {"w.jsx", true},
        {".py", false},
        {"notes.", false},
        {"a.rs", false},
        {"a.java", false},
        {"a.php", false},
        {"a.c", false},
        {"Makefile", false},
        {"a.b.PY", true},
        {"x/venv/a.py", false},
        {"x/.venv/a.py", false},
        {"venv/a.py", true},
        {"x/Venv/a.py", true},
        {"/abs/venv/a.ts", false},
        {"x/venvs/a.py", true},
    };
    for (const Case& c : cases) EXPECT_EQ(vorlane_ast::should_scan(c.path), c.want) << c.path;
}

TEST_F(AstWalkerTest, PrunesItsOwnDirectoryNamesByExactName) {
    for (const char* d : {".git", ".beads", ".beads-hooks", "node_modules", "vendor", "dist", "build", ".next", ".idea",
                          ".vscode", "__pycache__", "venv", ".venv", ".nimbrel", "a/build", "a/b/dist"})
        file(std::string(d) + "/skipped.py");
    // Names the other builder prunes, or prunes only as build output, and other cases.
    // Those that differ from a pruned one in case only cannot sit beside it where names
    // are case-insensitive (Windows), so they go one folder down there.
    const std::string cased = kit::windows() ? "cased/" : "";
    for (const char* d : {"Build", "DIST", "Node_Modules"}) file(cased + d + "/kept.py");
    for (const char* d : {"Saved", "Intermediate", "lib.py", "src/build2"}) file(std::string(d) + "/kept.py");
    for (const char* f : {"Main.PY", "a.test.ts", "x.rs", "notes.", ".py", "cfg.yml", "doc.md"}) file(f);
    kit::make_fifo(at("pipe.py"));  // not a regular file, where there are FIFOs

    EXPECT_THAT(vorlane_ast::walk_files(dir),
                UnorderedElementsAreArray(
                    Paths{at(cased + "Build/kept.py"), at(cased + "DIST/kept.py"), at(cased + "Node_Modules/kept.py"),
                          at("Saved/kept.py"), at("Intermediate/kept.py"), at("lib.py/kept.py"),
                          at("src/build2/kept.py"), at("Main.PY"), at("a.test.ts"), at("cfg.yml"), at("doc.md")}));
}

TEST_F(AstWalkerTest, LinksInsideOutsideAndBrokenInTheHostsOrder) {
    KIT_SKIP_WITHOUT_LINKS();
    // Enough names that the file system's order is not the creation order.
    for (const char* d : {"proj/", "proj/m/", "proj/m/z/", "proj/b/", "proj/q/"})
        for (int i = 0; i < 9; ++i) file(std::string(d) + "f" + std::to_string(i * 7 % 9) + ".py");
    file("outside/o.py");
    file("outside.py");
    link(at("proj/m"), "proj/in_link");          // inside: walked again under the link's name
    link(at("outside"), "proj/out_link");        // outside: never entered
    link("../outside.py", "proj/file_link.py");  // a file link leading out is a file like any other
    link(at("proj/none"), "proj/broken.py");     // dangling: not a regular file
    link(at("proj/none"), "proj/broken_dir");    // dangling, as a directory name: a file name
    link("self_loop", "proj/self_loop");         // a loop: neither a directory nor a file
    link("loop_b.py", "proj/loop_a.py");
    link("loop_a.py", "proj/loop_b.py");

    const Paths got = vorlane_ast::walk_files(at("proj"));
    EXPECT_THAT(got, ElementsAreArray(host_lines(kHostWalk, at("proj"), dir)));
    EXPECT_THAT(got, ::testing::Contains(at("proj/in_link/z/f0.py")));
    EXPECT_THAT(got, ::testing::Contains(at("proj/file_link.py")));
    EXPECT_THAT(got, ::testing::Not(::testing::Contains(at("proj/out_link/o.py"))));
}

TEST_F(AstWalkerTest, RelativeRootsGiveRelativePathsAsTheHostDoes) {
    file("p/a.py");
    file("p/pkg/b.py");
    file("p/pkg/c.txt");
    ASSERT_TRUE(kit::set_current_folder(at("p")));
    // The interpreter answers with "/" where this platform's separator may differ.
    const auto native = [](Paths paths) {
        for (std::string& p : paths) p = core::paths::normalize(p);
        return paths;
    };
    EXPECT_THAT(vorlane_ast::walk_files("."), UnorderedElementsAreArray(native({"a.py", "pkg/b.py"})));
    EXPECT_THAT(vorlane_ast::walk_files("pkg"), ElementsAreArray(native({"pkg/b.py"})));
    EXPECT_THAT(vorlane_ast::walk_files("./pkg/"), ElementsAreArray(native(host_lines(kHostWalk, "./pkg/", at("p")))));
    EXPECT_THAT(vorlane_ast::walk_files("."), ElementsAreArray(native(host_lines(kHostWalk, ".", at("p")))));
    ASSERT_TRUE(kit::set_current_folder(kit::windows() ? "\\" : "/"));
}

TEST_F(AstWalkerTest, MissingOrFileRootsGiveNothing) {
    file("a.py");
    EXPECT_THAT(vorlane_ast::walk_files(at("missing")), IsEmpty());
    EXPECT_THAT(vorlane_ast::walk_files(at("a.py")), IsEmpty());
    EXPECT_THAT(vorlane_ast::walk_files(""), IsEmpty());
}

// A project that itself lies in a folder named venv or .venv is walked: the fragment test
// sees only what lies below the root.
TEST_F(AstWalkerTest, ARootInsideAVenvFolderIsStillWalked) {
    file("venv/proj/a.py");
    file("venv/proj/sub/b.ts");
    file(".venv/c.py");
    file("venv/proj/venv/hidden.py");  // a venv below the root stays pruned
    EXPECT_THAT(vorlane_ast::walk_files(at("venv/proj")),
                UnorderedElementsAreArray(Paths{at("venv/proj/a.py"), at("venv/proj/sub/b.ts")}));
    EXPECT_THAT(vorlane_ast::walk_files(at(".venv")), ElementsAreArray(Paths{at(".venv/c.py")}));
}

// Links back to the directory being walked or to one of its ancestors are not followed;
// every other file is still returned once per path that reaches it.
TEST_F(AstWalkerTest, LinkCyclesEndAtTheFirstRepeat) {
    KIT_SKIP_WITHOUT_LINKS();
    file("r/a.py");
    file("r/s/b.py");
    file("r/s/t/c.py");
    link(at("r"), "r/s/t/to_root");
    link(at("r/s"), "r/s/to_self_parent");
    link(".", "r/s/t/dot");
    link(at("r/s/t"), "r/other");  // not an ancestor: followed
    EXPECT_THAT(vorlane_ast::walk_files(at("r")),
                UnorderedElementsAreArray(Paths{at("r/a.py"), at("r/s/b.py"), at("r/s/t/c.py"), at("r/other/c.py")}));
}

}  // namespace
