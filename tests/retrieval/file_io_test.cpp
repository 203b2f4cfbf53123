#include "retrieval/file_io.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/errors.hpp"
#include "retrieval/capability_index.hpp"

namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "retrieval_io_XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

TEST(ReplaceFile, WritesThroughALinkAndLeavesNoTemporary) {
    TempDir d;
    const fs::path target = d.path / "target.json";
    fs::create_symlink(target, d.path / "graph.json");
    retrieval::replace_file((d.path / "graph.json").string(), "{\n}");
    EXPECT_TRUE(fs::is_symlink(d.path / "graph.json"));
    EXPECT_EQ(slurp(target), "{\n}");
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path), fs::directory_iterator()), 2);
}

// A write that fails part-way (here: the file-size limit) leaves the previous content.
TEST(ReplaceFile, FailurePartWayKeepsThePreviousFile) {
    TempDir d;
    const fs::path p = d.path / "graph.json";
    retrieval::replace_file(p.string(), "old");
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        retrieval::replace_file(p.string(), std::string(100, 'x'));
        ADD_FAILURE() << "no error";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EFBIG);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(slurp(p), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path), fs::directory_iterator()), 1);
}

TEST(PathExists, LinksFollowedAndMissingPartsFalse) {
    TempDir d;
    fs::create_symlink(d.path / "none", d.path / "dangling");
    std::ofstream(d.path / "file") << "x";
    EXPECT_FALSE(retrieval::path_exists((d.path / "dangling").string()));
    EXPECT_FALSE(retrieval::path_exists((d.path / "file" / "below").string()));
    EXPECT_TRUE(retrieval::path_exists((d.path / "file").string()));
    EXPECT_TRUE(retrieval::path_exists(d.path.string()));
    EXPECT_THROW(retrieval::read_file(d.path.string()), core::OsError);
}

TEST(CapabilityIndex, ParseAndBoosts) {
    const auto caps = retrieval::parse_capability_index(
        "## A\r\nKeywords: Login, auth\n- `a/x.py`\n## B\nkeywords: login\n- a/x.py\n- b/y.py\n## C\n");
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0].keywords, (std::vector<std::string>{"login", "auth"}));
    const retrieval::Boosts b = retrieval::capability_file_boosts({"login", "auth"}, caps);
    EXPECT_EQ(b.entries(), (std::vector<std::pair<std::string, std::int64_t>>{{"a/x.py", 8}, {"b/y.py", 6}}));
    ASSERT_NE(b.find("b/y.py"), nullptr);
    EXPECT_EQ(b.find("c"), nullptr);
}

}  // namespace
