// The platform's file system against what the tests lay out with the test kit.
#include "core/fs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "core/paths.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace fs = core::fs;

class Disk : public ::testing::Test {
protected:
    std::string dir;
    const fs::FileSystem& disk = fs::disk();

    void SetUp() override { ASSERT_NO_THROW(dir = kit::make_scratch("core_fs")); }
    void TearDown() override { kit::remove_tree(dir); }
    std::string at(const std::string& rel) const { return core::paths::join(dir, rel); }
    void folder(const std::string& rel) {
        std::error_code ec;
        ASSERT_TRUE(std::filesystem::create_directory(kit::fs_path(at(rel)), ec)) << rel << ec.message();
    }
    void link(const std::string& target, const std::string& rel) {
        ASSERT_TRUE(kit::make_link(target, at(rel))) << rel;
    }
};

TEST_F(Disk, StatFollowsLinksAndLstatDoesNot) {
    KIT_SKIP_WITHOUT_LINKS();
    std::ofstream(at("f.txt")) << "hello";
    folder("d");
    link("f.txt", "lf");
    link("d", "ld");
    link("nowhere", "dangling");

    EXPECT_TRUE(disk.stat(at("f.txt")).is_file());
    EXPECT_EQ(disk.stat(at("f.txt")).size, 5u);
    EXPECT_TRUE(disk.stat(at("lf")).is_file());
    EXPECT_TRUE(disk.lstat(at("lf")).is_link());
    EXPECT_TRUE(disk.stat(at("ld")).is_dir());
    EXPECT_TRUE(disk.stat(at("ld")).same_object(disk.stat(at("d"))));
    EXPECT_FALSE(disk.stat(at("ld")).same_object(disk.stat(dir)));
    EXPECT_EQ(disk.stat(at("dangling")).err, ENOENT);
    EXPECT_TRUE(disk.lstat(at("dangling")).is_link());
    EXPECT_EQ(disk.stat(at("f.txt/x")).err, ENOTDIR);
    // A NUL would cut the name short at the platform's call: such a path names nothing.
    EXPECT_EQ(disk.stat(at("f.txt") + std::string(1, '\0') + "x").err, ENOENT);
    EXPECT_EQ(disk.stat(dir + std::string(1, '\0')).err, ENOENT);

    std::string target;
    EXPECT_EQ(disk.read_link(at("dangling"), target), 0);
    EXPECT_EQ(target, "nowhere");
    EXPECT_EQ(disk.read_link(at("f.txt"), target), EINVAL);
}

TEST_F(Disk, ListingGivesNamesAndTypesInFull) {
    KIT_SKIP_WITHOUT_LINKS();
    std::ofstream(at("a.py")) << "x";
    folder("sub");
    link("sub", "link");
    // A name that is not UTF-8 comes back with its byte carried as a surrogate escape.
    std::ofstream(dir + "/b\xff.md") << "x";

    std::vector<fs::DirEntry> entries;
    fs::Status self;
    ASSERT_EQ(disk.list_dir(dir, entries, self), 0);
    EXPECT_TRUE(self.is_dir());
    EXPECT_TRUE(self.same_object(disk.stat(dir)));
    std::vector<std::string> names;
    for (const fs::DirEntry& e : entries) {
        names.push_back(e.name);
        if (e.name == "sub") {
            EXPECT_TRUE(e.type == fs::Type::Directory || e.type == fs::Type::Unknown);
        }
        if (e.name == "link") {
            EXPECT_TRUE(e.type == fs::Type::Link || e.type == fs::Type::Unknown);
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.py", core::paths::fs_decode("b\xff.md"), "link", "sub"}));

    EXPECT_EQ(disk.list_dir(at("a.py"), entries, self), ENOTDIR);
    EXPECT_EQ(disk.list_dir(at("missing"), entries, self), ENOENT);
    EXPECT_EQ(disk.list_dir("", entries, self), ENOENT);
}

TEST_F(Disk, WritesInPlaceAndReadsWhole) {
    const std::string data = std::string("line\r\n\0tail", 11) + std::string(200000, 'z');
    ASSERT_EQ(disk.write_file(at("out.bin"), data), 0);
    std::string back;
    ASSERT_EQ(disk.read_file(at("out.bin"), back), 0);
    EXPECT_TRUE(back == data);
    ASSERT_EQ(disk.write_file(at("out.bin"), "short"), 0);  // truncated, not appended
    ASSERT_EQ(disk.read_file(at("out.bin"), back), 0);
    EXPECT_EQ(back, "short");

    EXPECT_EQ(disk.read_file(at("missing"), back), ENOENT);
    EXPECT_EQ(back, "");
    EXPECT_EQ(disk.write_file(at("missing/x"), "x"), ENOENT);
    // A folder opened as a file: the host's IsADirectoryError, PermissionError on Windows.
    EXPECT_EQ(disk.write_file(dir, "x"), kit::windows() ? EACCES : EISDIR);
    EXPECT_EQ(disk.read_file(dir, back), kit::windows() ? EACCES : EISDIR);
}

// A tree deeper than the 260 characters of a plain Windows path, made, written, listed and
// read through the interface with absolute and relative paths, both separators and a
// "..": on Windows such a path goes over in its extended form, made absolute and
// normalised first.
TEST_F(Disk, PathsBeyondTheShortLimitWorkThroughout) {
    std::string rel;  // with the platform's separator
    for (int level = 0; level < 6; ++level) {
        rel = kit::join(rel, std::string(50, static_cast<char>('a' + level)));
        ASSERT_EQ(disk.make_dir(kit::join(dir, rel)), 0) << level;
    }
    const std::string deep = kit::join(dir, rel);
    ASSERT_GT(deep.size(), 300u);
    EXPECT_TRUE(fs::is_dir(deep));
    EXPECT_TRUE(disk.stat(deep).is_dir());
    const std::string file = deep + "/up/../data.txt";  // "up" exists: POSIX systems go through it
    ASSERT_EQ(disk.make_dir(deep + "/up"), 0);
    fs::write_text(file, "one\n");
    fs::replace_text(deep + "/replaced.txt", "two\n");
    fs::append_lines(deep + "/log.jsonl", "three\n");
    EXPECT_EQ(fs::read_whole(kit::join(deep, "data.txt")), kit::text_mode("one\n"));
    EXPECT_EQ(fs::read_whole(deep + "/replaced.txt"), kit::text_mode("two\n"));
    EXPECT_EQ(disk.stat(deep + "/log.jsonl").size, kit::text_mode("three\n").size());
    std::vector<fs::DirEntry> entries;
    fs::Status self;
    ASSERT_EQ(disk.list_dir(deep, entries, self), 0);
    std::vector<std::string> names;
    for (const fs::DirEntry& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"data.txt", "log.jsonl", "replaced.txt", "up"}));

    const kit::FolderScope in(dir);
    ASSERT_TRUE(in.ok());
    std::string back;
    EXPECT_EQ(disk.read_file(rel + "/data.txt", back), 0);
    EXPECT_EQ(back, kit::text_mode("one\n"));
    EXPECT_EQ(disk.write_file(rel + "/rel.txt", "x"), 0);
    EXPECT_TRUE(disk.stat(deep + "/rel.txt").is_file());
}

TEST_F(Disk, MakesOneDirectoryAtATime) {
    EXPECT_EQ(disk.make_dir(at("a")), 0);
    EXPECT_EQ(disk.make_dir(at("a")), EEXIST);
    EXPECT_EQ(disk.make_dir(at("x/y")), ENOENT);
    EXPECT_TRUE(disk.stat(at("a")).is_dir());
}

TEST(DiskCurrentDir, IsTheProcesssOwn) {
    std::string here;
    ASSERT_EQ(fs::disk().current_dir(here), 0);
    EXPECT_EQ(here, kit::current_folder());
}

// A file system that knows one file only.
class OneFile final : public fs::FileSystem {
public:
    fs::Status stat(const std::string& p) const override {
        fs::Status s;
        if (p == "/only") {
            s.type = fs::Type::File;
            s.size = 3;
        } else {
            s.err = ENOENT;
        }
        return s;
    }
    fs::Status lstat(const std::string& p) const override { return stat(p); }
    int list_dir(const std::string&, std::vector<fs::DirEntry>&, fs::Status&) const override { return ENOENT; }
    int read_link(const std::string&, std::string&) const override { return EINVAL; }
    int read_file(const std::string&, std::string& out) const override {
        out = "abc";
        return 0;
    }
    int write_file(const std::string&, std::string_view) const override { return EROFS; }
    int make_dir(const std::string&) const override { return EROFS; }
    int current_dir(std::string& out) const override {
        out = "/";
        return 0;
    }
};

TEST(Substitute, StandsInForTheDiskForItsLifetime) {
    OneFile one;
    {
        fs::Substitute in_force(one);
        EXPECT_EQ(&fs::current(), &one);
        EXPECT_EQ(core::paths::resolve("only"), core::paths::normalize("/only"));  // against its current directory
        {
            OneFile inner;
            fs::Substitute nested(inner);
            EXPECT_EQ(&fs::current(), &inner);
        }
        EXPECT_EQ(&fs::current(), &one);
    }
    EXPECT_EQ(&fs::current(), &fs::disk());
}

}  // namespace
