// The host's file calls over the file system in force: existence and directory tests as
// the host answers them, nested directory creation, whole reads, and the replacing and
// appending writes. What only POSIX systems have (FIFOs, devices, sockets, modes, resource
// limits, signals) is in fs_host_posix_test.cpp, its Windows counterparts in
// fs_host_windows_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "tests/core/host_calls.hpp"
#include "tests/core/host_script.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace fs = core::fs;
using host_calls::HostCalls;
using host_calls::NUL_TAIL;

TEST_F(HostCalls, ExistsIsDirAndIsLink) {
    KIT_SKIP_WITHOUT_LINKS();
    file("a/f.txt");
    link(at("a/missing"), "dangling");
    link(at("loop"), "loop");
    EXPECT_TRUE(fs::exists(at("a/f.txt")));
    EXPECT_TRUE(fs::exists(at("a")));
    EXPECT_TRUE(fs::is_dir(at("a")));
    EXPECT_FALSE(fs::is_dir(at("a/f.txt")));
    for (const char* rel : {"nope", "a/f.txt/under", "dangling", "loop"}) {
        EXPECT_FALSE(fs::exists(at(rel))) << rel;
        EXPECT_FALSE(fs::is_dir(at(rel))) << rel;
    }
    // A NUL names no file, not the file before it.
    EXPECT_FALSE(fs::exists(at("a") + NUL_TAIL));
    EXPECT_FALSE(fs::is_dir(at("a") + NUL_TAIL));
    EXPECT_TRUE(fs::is_link(at("dangling")));
    EXPECT_FALSE(fs::is_link(at("a")));
    EXPECT_FALSE(fs::is_link(at("dangling") + NUL_TAIL));
}

// Path.exists() and .is_dir() raise for a failure other than the four they pass over:
// a name longer than the file system takes (for every user, root included), and a
// directory that may not be searched (for every user but root). Both sides answer each
// path: a truth value, or the error number raised.
TEST_F(HostCalls, ExistsRaisesWhatTheHostDoesNotIgnore) {
    KIT_SKIP_WITHOUT_LINKS();
    file("locked/f.txt");
    file("a/f.txt");
    link(at("loop"), "loop");
    const std::string long_name(300, 'n');
    std::vector<std::pair<std::string, int>> raising = {{at(long_name), ENAMETOOLONG},
                                                        {at("a/" + long_name + "/f.txt"), ENAMETOOLONG}};
    struct Unlock {
        std::string dir;
        ~Unlock() { kit::unlock_folder(dir); }
    } unlock{at("locked")};
    if (kit::lock_folder(at("locked"))) raising.emplace_back(at("locked/f.txt"), EACCES);
    const auto answer = [](const std::function<bool()>& test) -> nlohmann::json {
        try {
            return test();
        } catch (const core::OsError& e) {
            return e.err;
        }
    };
    std::vector<std::string> paths = {at("a/f.txt"), at("a"), at("nope"), at("a/f.txt/under"), at("loop")};
    nlohmann::json ours = nlohmann::json::array();
    for (const auto& [raised_at, err] : raising) {
        const std::string& path = raised_at;
        EXPECT_EQ(answer([&] { return fs::exists(path); }), err) << path;
        EXPECT_EQ(answer([&] { return fs::is_dir(path); }), err) << path;
        paths.push_back(path);
    }
    for (const std::string& path : paths)
        ours.push_back({answer([&] { return fs::exists(path); }), answer([&] { return fs::is_dir(path); })});
    nlohmann::json host_paths = nlohmann::json::array();
    for (const std::string& path : paths) host_paths.push_back(kit::host_path(path));
    const nlohmann::json host = host_script::run_host_script(R"py(import json, pathlib, sys
def answer(test):
    try:
        return test()
    except OSError as e:
        return e.errno
paths = json.load(open(sys.argv[1]))["paths"]
out = [[answer(pathlib.Path(p).exists), answer(pathlib.Path(p).is_dir)] for p in paths]
json.dump(out, open(sys.argv[2], "w"))
)py",
                                                             {{"paths", host_paths}});
    EXPECT_EQ(ours, host);
}

TEST_F(HostCalls, MakeDirsCreatesParentsAndAcceptsAnExistingDirectory) {
    fs::make_dirs(at("x/y/z"));
    EXPECT_TRUE(fs::is_dir(at("x/y/z")));
    fs::make_dirs(at("x/y"));
    file("x/plain");
    try {
        fs::make_dirs(at("x/plain"));
        ADD_FAILURE() << "no error for an existing file";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EEXIST);
    }
    EXPECT_THROW(fs::make_dirs(at("x/plain/under")), core::OsError);
    try {
        fs::make_dirs(at("x/n") + NUL_TAIL);
        ADD_FAILURE() << "no error for a NUL";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EINVAL);
    }
    EXPECT_FALSE(fs::exists(at("x/n")));
}

TEST_F(HostCalls, ReplaceWritesThroughALinkAndLeavesNoTemporary) {
    KIT_SKIP_WITHOUT_LINKS();
    link("target.json", "graph.json");
    fs::replace_text(at("graph.json"), "{\n}");
    EXPECT_TRUE(fs::is_link(at("graph.json")));
    EXPECT_EQ(read("target.json"), "{\n}");
    fs::replace_text(at("graph.json"), "[]");
    EXPECT_EQ(read("target.json"), "[]");
    EXPECT_EQ(names().size(), 2u);
    // The mode a plain create gives, the creation mask applied, where files have modes.
    if (const auto want = kit::plain_create_mode()) {
        EXPECT_EQ(kit::file_mode(at("target.json")), *want);
    }
    try {
        fs::replace_text(at("missing/x.json"), "x");
        ADD_FAILURE() << "no error";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, ENOENT);
        EXPECT_EQ(e.filename, at("missing/x.json"));
    }
    EXPECT_THROW(fs::replace_text(at("n") + NUL_TAIL, "x"), core::OsError);
    EXPECT_EQ(names().size(), 2u);
}

TEST_F(HostCalls, AppendCreatesThenAdds) {
    fs::append_lines(at("log.jsonl"), "a\n");
    fs::append_lines(at("log.jsonl"), "b\nc\n");
    EXPECT_EQ(read("log.jsonl"), kit::text_mode("a\nb\nc\n"));
    // A line cut short by an earlier append is ended before the new lines, with the
    // platform's line end; a cut between its two characters is completed.
    file("cut.jsonl", "a");
    fs::append_lines(at("cut.jsonl"), "b\n");
    EXPECT_EQ(read("cut.jsonl"), kit::text_mode("a\nb\n"));
    if (kit::windows()) {
        file("half.jsonl", "a\r");
        fs::append_lines(at("half.jsonl"), "b\n");
        EXPECT_EQ(read("half.jsonl"), "a\r\nb\r\n");
    }
    EXPECT_THROW(fs::append_lines(at("missing/log"), "x\n"), core::OsError);
    EXPECT_THROW(fs::append_lines(at("log") + NUL_TAIL, "x\n"), core::OsError);
    EXPECT_FALSE(fs::exists(at("log")));
}

TEST_F(HostCalls, MappedReadsHoldTheWholeFile) {
    const std::string big = std::string("a\0b\r\n", 5) + std::string(100000, 'z');
    file("big.bin", big);
    file("empty.txt", "");
    for (const auto& [rel, want] :
         std::vector<std::pair<std::string, std::string>>{{"big.bin", big}, {"empty.txt", ""}}) {
        fs::FileBytes bytes;
        ASSERT_EQ(fs::disk().map_file(at(rel), bytes), 0) << rel;
        EXPECT_TRUE(bytes.bytes() == want) << rel;
    }
    fs::FileBytes none;
    EXPECT_EQ(fs::disk().map_file(at("missing"), none), ENOENT);
    EXPECT_EQ(fs::disk().map_file(dir, none), kit::windows() ? EACCES : EISDIR);  // as the host's open()
    EXPECT_EQ(fs::disk().map_file(at("big.bin") + NUL_TAIL, none), ENOENT);
}

// Files replaced together are all written before the first is replaced: a failure or a
// stop on any of them leaves every old file and no new one; else all are replaced.
TEST_F(HostCalls, FilesReplacedTogetherAllChangeOrNoneDoes) {
    file("graph.json", "old graph");
    file("index.json", "old index");
    const auto sorted_names = [&] {
        std::vector<std::string> all = names();
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto both_old = [&] {
        EXPECT_EQ(read("graph.json"), "old graph");
        EXPECT_EQ(read("index.json"), "old index");
        EXPECT_EQ(sorted_names(), (std::vector<std::string>{"graph.json", "index.json"}));
    };
    try {
        fs::replace_texts({{at("graph.json"), "new graph"}, {at("missing/index.json"), "new index"}}, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, ENOENT);
        EXPECT_EQ(e.filename, at("missing/index.json"));
    }
    both_old();
    core::StopFlag stop;
    stop.request();
    EXPECT_THROW(fs::replace_texts({{at("graph.json"), "new graph"}, {at("index.json"), "new index"}}, &stop),
                 core::Stopped);
    both_old();
    fs::replace_texts({{at("graph.json"), "new graph"}, {at("index.json"), "new index"}}, nullptr);
    EXPECT_EQ(read("graph.json"), "new graph");
    EXPECT_EQ(read("index.json"), "new index");
    EXPECT_EQ(sorted_names(), (std::vector<std::string>{"graph.json", "index.json"}));
}

}  // namespace
