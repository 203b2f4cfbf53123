// The file layer: existence and directory tests as the host answers them, nested
// directory creation, and the replace-by-rename write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/errors.hpp"
#include "core/files.hpp"
#include "tests/graph/scan_fixture.hpp"

namespace {

namespace files = core::files;

class Files : public scan_fixture::Tree {};

TEST_F(Files, ExistsAndIsDir) {
    file("a/f.txt");
    link(at("a/missing"), "dangling");
    link(at("loop"), "loop");
    EXPECT_TRUE(files::exists(at("a/f.txt")));
    EXPECT_TRUE(files::exists(at("a")));
    EXPECT_TRUE(files::is_dir(at("a")));
    EXPECT_FALSE(files::is_dir(at("a/f.txt")));
    for (const char* rel : {"nope", "a/f.txt/under", "dangling", "loop"}) {
        EXPECT_FALSE(files::exists(at(rel))) << rel;
        EXPECT_FALSE(files::is_dir(at(rel))) << rel;
    }
    EXPECT_FALSE(files::exists(at("a") + std::string("\0x", 2)));
}

TEST_F(Files, MakeDirsCreatesParentsAndAcceptsAnExistingDirectory) {
    files::make_dirs(at("x/y/z"));
    EXPECT_TRUE(files::is_dir(at("x/y/z")));
    files::make_dirs(at("x/y"));
    file("x/plain");
    try {
        files::make_dirs(at("x/plain"));
        ADD_FAILURE() << "no error for an existing file";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EEXIST);
    }
    EXPECT_THROW(files::make_dirs(at("x/plain/under")), core::OsError);
}

TEST_F(Files, WriteReplacesByRename) {
    file("d/g.json", "old content that is longer");
    files::write_text_atomic(at("d/g.json"), "{\n  \"a\": 1\n}");
    EXPECT_EQ(read("d/g.json"), "{\n  \"a\": 1\n}");
    files::write_text_atomic(at("d/new.json"), "");
    EXPECT_EQ(read("d/new.json"), "");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(at("d"))) ++entries;
    EXPECT_EQ(entries, 2u);  // no temporary file left behind
    struct stat st;
    ASSERT_EQ(stat(at("d/g.json").c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    EXPECT_THROW(files::write_text_atomic(at("missing/g.json"), "x"), core::OsError);
}

}  // namespace
