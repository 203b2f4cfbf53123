#pragma once
// A scratch folder per test, with helpers that lay out a small tree in it (links,
// nested folders, files of given bytes). Used by every suite that walks or writes files.
#include <gtest/gtest.h>

#include <string>

#include "tests/kit/portable.hpp"

namespace scratch {

class Tree : public ::testing::Test {
protected:
    std::string dir;  // absolute, links resolved

    void SetUp() override { ASSERT_NO_THROW(dir = kit::make_scratch("scratch_tree")); }
    void TearDown() override { kit::remove_tree(dir); }

    std::string at(const std::string& rel) const { return kit::join(dir, rel); }
    // Creates the folder and its missing ancestors.
    void folder(const std::string& rel) { kit::make_folders(at(rel)); }
    // Writes the bytes, creating the file's folder first.
    void file(const std::string& rel, const std::string& bytes = "x") { kit::write_file(at(rel), bytes); }
    // A test that calls this from its body starts with KIT_SKIP_WITHOUT_LINKS(); from
    // SetUp the skip here is enough.
    void link(const std::string& target, const std::string& rel) {
        if (!kit::links_work()) GTEST_SKIP() << kit::kNoLinks;
        ASSERT_TRUE(kit::make_link(target, at(rel))) << rel;
    }
    std::string read(const std::string& rel) const { return kit::read_file(at(rel)); }
};

}  // namespace scratch
