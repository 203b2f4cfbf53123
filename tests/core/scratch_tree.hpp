#pragma once
// A scratch folder per test, with helpers that lay out a small tree in it (links,
// nested folders, files of given bytes). Used by every suite that walks or writes files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace scratch {

class Tree : public ::testing::Test {
protected:
    std::string dir;  // absolute, links resolved

    void SetUp() override {
        char tmpl[] = "/tmp/scratch_tree_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        char* real = realpath(tmpl, nullptr);
        dir = real;
        std::free(real);
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::string at(const std::string& rel) const { return dir + "/" + rel; }
    // Creates the folder and its missing ancestors.
    void folder(const std::string& rel) {
        std::string p;
        std::stringstream parts(rel);
        for (std::string part; std::getline(parts, part, '/');) {
            p += (p.empty() ? "" : "/") + part;
            mkdir(at(p).c_str(), 0755);
        }
    }
    // Writes the bytes, creating the file's folder first.
    void file(const std::string& rel, const std::string& bytes = "x") {
        const auto slash = rel.rfind('/');
        if (slash != std::string::npos) folder(rel.substr(0, slash));
        std::ofstream(at(rel), std::ios::binary) << bytes;
    }
    void link(const std::string& target, const std::string& rel) {
        ASSERT_EQ(symlink(target.c_str(), at(rel).c_str()), 0) << rel;
    }
    std::string read(const std::string& rel) const {
        std::ifstream f(at(rel), std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
};

}  // namespace scratch
