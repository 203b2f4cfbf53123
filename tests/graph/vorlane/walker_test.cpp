#include "graph/vorlane/walker.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/paths.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;
using Paths = std::vector<std::string>;

// The lines that a host snippet prints, given `arg` as sys.argv[1].
Paths host_lines(const std::string& code, const std::string& arg) {
    const kit::HostRun run = kit::run_host({"-c", code, kit::host_path(arg)});
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

// os.walk's files, top down, over the platform's own listing order.
Paths platform_walk(const std::string& dir) {
    Paths files, dirs;
    for (const auto& [name, is_dir] : kit::list_names(dir)) (is_dir ? dirs : files).push_back(kit::join(dir, name));
    for (const std::string& d : dirs) {
        const Paths below = platform_walk(d);
        files.insert(files.end(), below.begin(), below.end());
    }
    return files;
}

using WalkerTest = scratch::Tree;

TEST(ShouldScan, SuffixAndLocation) {
    struct Case {
        const char* path;
        bool want;
    };
    const Case cases[] = {
        {"src/Main.PY", true},
        {"index.d.ts", true},
        {"a/b.xaml", true},
        {"App.Kt", true},
        {"a/b.go", true},
        {"Makefile", false},
        {"notes.txt", false},
        {"archive.tar.gz", false},
        {".py", false},
        {"a.", false},
        {"..py", true},
        {"x/venv/a.py", false},
        {"x/.venv/a.py", false},
        {"x/Venv/a.py", true},
        {"venv/a.py", true},
        {"x/venvs/a.py", true},
        {"/abs/venv/deep/a.ts", false},
    };
    for (const Case& c : cases) EXPECT_EQ(vorlane::should_scan(c.path), c.want) << c.path;
}

TEST_F(WalkerTest, PrunesByExactNameAndTheBuildRule) {
    for (const char* d : {".git", "node_modules", ".nimbrel", "venv", ".venv", "dist", "__pycache__", "Saved"})
        file(std::string(d) + "/skipped.py");
    // Names that differ from a pruned one in case only cannot sit beside it where names
    // are case-insensitive (Windows), so they go one folder down there.
    const std::string cased = kit::windows() ? "cased/" : "";
    for (const char* d : {"Build", "DIST", "Node_Modules", "lib.py"}) file(cased + d + "/kept.py");
    file(cased + "Build/classes/k.py");  // not "build": no build rule either
    file("build/classes/x.py");          // an artefact folder: the whole "build" is output
    file("build/out.py");
    file("a/build/src/s.py");  // sources only: entered
    file("a/build/b.py");
    file("b/build/classes", "a file, not a folder");
    file("b/build/c.py");
    file("c/build/reports/r.py");
    for (const char* f : {"Main.PY", "index.d.ts", "Makefile", "notes.txt", "archive.tar.gz", ".py", "cfg.yml"})
        file(f);
    kit::make_fifo(at("pipe.py"));  // not a regular file, where there are FIFOs

    EXPECT_THAT(vorlane::walk_files(dir),
                UnorderedElementsAreArray(
                    Paths{at(cased + "Build/kept.py"), at(cased + "Build/classes/k.py"), at(cased + "DIST/kept.py"),
                          at(cased + "Node_Modules/kept.py"), at(cased + "lib.py/kept.py"), at("a/build/src/s.py"),
                          at("a/build/b.py"), at("b/build/c.py"), at("Main.PY"), at("index.d.ts"), at("cfg.yml")}));
}

TEST_F(WalkerTest, ListingOrderAndPreOrderAsTheHostWalks) {
    // Enough names that the file system's order is not the creation order.
    for (const char* d : {"", "m/", "m/z/", "b/", "q/"})
        for (int i = 0; i < 12; ++i) file(std::string(d) + "f" + std::to_string(i * 7 % 12) + ".py");
    // The host's own walk, where it lists the same folders as this program. Under Wine the
    // interpreter is the build machine's, listing with the Unix calls, so the order there
    // is the host's walk over what the platform lists (os.scandir is FindFirstFileW's
    // order on Windows): a folder's files in that order, then its folders, each walked so.
    const Paths want = kit::wine() ? platform_walk(dir)
                                   : host_lines(
                                         "import os, sys, pathlib\n"
                                         "for dp, dn, fn in os.walk(sys.argv[1], followlinks=True):\n"
                                         "    for f in fn: print(pathlib.Path(dp) / f)",
                                         dir);
    ASSERT_EQ(want.size(), 60u);
    EXPECT_EQ(vorlane::walk_files(dir), want);
}

TEST_F(WalkerTest, PathsKeepTheCallersRootForm) {
    file("sub/a.py");
    EXPECT_EQ(vorlane::walk_files(dir + "//sub/./"), Paths{at("sub/a.py")});
    const std::string old = kit::current_folder();
    ASSERT_FALSE(old.empty());
    ASSERT_TRUE(kit::set_current_folder(dir));
    const Paths rel = vorlane::walk_files("./sub");
    const Paths cur = vorlane::walk_files(".");
    const Paths none = vorlane::walk_files("");  // names no directory
    ASSERT_TRUE(kit::set_current_folder(old));
    EXPECT_EQ(rel, Paths{core::paths::join("sub", "a.py")});
    EXPECT_EQ(cur, Paths{core::paths::join("sub", "a.py")});
    EXPECT_THAT(none, IsEmpty());
}

TEST_F(WalkerTest, DirectoryLinksInsideAreFollowedOutsideAndLoopsAreNot) {
    KIT_SKIP_WITHOUT_LINKS();
    file("root/src/a.py");
    file("root/src/deep/b.py");
    file("outside/o.py");
    file("root_sibling/s.py");               // shares the root's name as a prefix only
    link("src", "root/alias");               // inside: walked again under its own name
    link("../outside", "root/out");          // outside: pruned
    link("../root_sibling", "root/sib");     // outside as well
    link("../..", "root/src/deep/up");       // back to the root: a cycle
    link("spin", "root/spin");               // resolution loops on itself
    link("../outside/o.py", "root/ext.py");  // a file link leading out is a file like any other
    link("missing.py", "root/dangling.py");  // not a regular file
    link("src/deep", "root/deep_alias.py");  // a directory, whatever its name says

    const Paths got = vorlane::walk_files(at("root"));
    EXPECT_THAT(got, UnorderedElementsAreArray(Paths{at("root/src/a.py"), at("root/src/deep/b.py"),
                                                     at("root/alias/a.py"), at("root/alias/deep/b.py"),
                                                     at("root/deep_alias.py/b.py"), at("root/ext.py")}));
}

TEST_F(WalkerTest, RootItselfIsNeverPruned) {
    KIT_SKIP_WITHOUT_LINKS();
    file("build/classes/x.py");
    file("build/a.py");
    file("proj/a.py");
    link("proj", "dist");
    EXPECT_THAT(vorlane::walk_files(at("build")),
                UnorderedElementsAreArray(Paths{at("build/a.py"), at("build/classes/x.py")}));
    EXPECT_EQ(vorlane::walk_files(at("dist")), Paths{at("dist/a.py")});
}

TEST_F(WalkerTest, RootInsideAVenvFolderIsStillWalked) {
    file("venv/proj/a.py");
    file("venv/proj/venv/skipped.py");
    file(".venv/b.py");
    EXPECT_EQ(vorlane::walk_files(at("venv/proj")), Paths{at("venv/proj/a.py")});
    EXPECT_EQ(vorlane::walk_files(at(".venv")), Paths{at(".venv/b.py")});
}

TEST_F(WalkerTest, MissingOrFileRootGivesNothing) {
    file("f.py");
    EXPECT_THAT(vorlane::walk_files(at("nope")), IsEmpty());
    EXPECT_THAT(vorlane::walk_files(at("f.py")), IsEmpty());
}

}  // namespace
