// The file layer: existence and directory tests as the host answers them, and nested
// directory creation.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
