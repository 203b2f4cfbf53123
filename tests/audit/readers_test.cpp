// The graph and source readers: their failure tables, and source texts decoded exactly
// as the host reads a text file with errors="replace".
#include <gtest/gtest.h>

#include <random>

#include "audit/readers.hpp"
#include "core/errors.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;
using audit_test::TempDir;

TEST(LoadGraph, FailureTable) {
    struct Case {
        const char* name;
        std::string bytes;  // content of .nimbrel/info_graph.json; "<dir>" makes a directory
        Json want;
    };
    const Case cases[] = {
        {"object", "{\"nodes\": [], \"x\": 1}", Json::parse(R"({"nodes": [], "x": 1})")},
        {"crlf and invalid UTF-8 inside a text", "{\"a\":\r\n \"\xff\"}", Json::parse("{\"a\": \"\xef\xbf\xbd\"}")},
        {"null", "null", Json(nullptr)},
        {"empty object", " {} ", Json::object()},
        {"byte-order mark", "\xef\xbb\xbf{\"nodes\": []}", Json::object()},
        {"array", "[1, 2]", Json::object()},
        {"number", "3", Json::object()},
        {"broken", "{\"nodes\": [", Json::object()},
        {"empty file", "", Json::object()},
        {"NaN stays a value", "{\"a\": NaN}", Json::parse(R"({"a": 0})")},
        {"directory", "<dir>", Json::object()},
    };
    for (const auto& c : cases) {
        TempDir d;
        if (c.bytes == "<dir>")
            std::filesystem::create_directories(d / ".nimbrel/info_graph.json");
        else
            d.write(".nimbrel/info_graph.json", c.bytes);
        const Json got = audit::load_graph(d.path());
        if (std::string(c.name) == "NaN stays a value") {
            ASSERT_TRUE(got.is_object()) << c.name;
            EXPECT_TRUE(std::isnan(got["a"].get<double>())) << c.name;
        } else {
            EXPECT_EQ(got, c.want) << c.name;
        }
    }
    TempDir empty;
    EXPECT_EQ(audit::load_graph(empty.path()), Json::object());
}

// The graph file's existence test is not wrapped: a failure other than a missing entry,
// a non-directory on the way or a link loop raises. A project root whose name is longer
// than the file system takes fails so for every user, root included; a directory that
// may not be searched for every user but root.
TEST(LoadGraph, ExistenceTestIsNotGuarded) {
    KIT_SKIP_WITHOUT_LINKS();
    TempDir d;
    d.write("p/.nimbrel/info_graph.json", "{\"nodes\": []}");
    d.write("file/.nimbrel", "not a directory");
    std::filesystem::create_directories(kit::fs_path(d / "loop"));
    ASSERT_TRUE(kit::make_link(d / "loop/.nimbrel", d / "loop/.nimbrel"));
    const auto error_of = [](const std::string& root) {
        try {
            audit::load_graph(root);
        } catch (const core::OsError& e) {
            return e.err;
        }
        return 0;
    };
    EXPECT_EQ(error_of(d / std::string(300, 'p')), ENAMETOOLONG);
    if (kit::lock_folder(d / "p")) {
        EXPECT_EQ(error_of(d / "p"), EACCES);
        kit::unlock_folder(d / "p");
    }
    EXPECT_EQ(audit::load_graph(d / "p"), Json::parse(R"({"nodes": []})"));
    // The failures passed over: no graph.
    EXPECT_EQ(audit::load_graph(d / "file"), Json::object());
    EXPECT_EQ(audit::load_graph(d / "loop"), Json::object());
}

TEST(ReadSource, MissingDirectoryAbsoluteAndNul) {
    TempDir d;
    d.write("src/a.py", "x = 1\r\ny = 2\rz\n");
    d.write("outside.py", "secret\n");
    std::filesystem::create_directories(d / "dir.py");
    EXPECT_EQ(audit::read_source(d.path(), "src/a.py"), "x = 1\ny = 2\nz\n");
    EXPECT_EQ(audit::read_source(d.path(), "src/missing.py"), "");
    EXPECT_EQ(audit::read_source(d.path(), "dir.py"), "");
    EXPECT_EQ(audit::read_source(d.path(), std::string("src/a.py\0x", 10)), "");
    // A graph names files by their place in the project: an absolute id reads nothing,
    // while ".." stays a legitimate step (files reached through links).
    EXPECT_EQ(audit::read_source(d / "src", d / "outside.py"), "");
    EXPECT_EQ(audit::read_source(d / "src", "../outside.py"), "secret\n");
}

// Random byte texts full of broken sequences and line ends, read by both sides.
TEST(ReadSource, DecodesLikeTheHostWithReplacement) {
    TempDir d;
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {"a",
                                             "\r",
                                             "\n",
                                             "\r\n",
                                             "\xff",
                                             "\xc3",
                                             "\xc3\xa9",
                                             "\xe2\x82",
                                             "\xe2\x82\xac",
                                             "\xf0\x9f",
                                             "\xf0\x9f\x98\x80",
                                             "\xed\xa0\x80",
                                             "\xc0\xaf",
                                             "\xe0\x80\x80",
                                             "\xf4\x90\x80\x80",
                                             "\x80",
                                             "\xbf\xbf",
                                             " ",
                                             "\xef\xbb\xbf"};
    const int n = 300;
    for (int i = 0; i < n; ++i) {
        std::string s;
        const int len = static_cast<int>(rng() % 40);
        for (int k = 0; k < len; ++k) s += pieces[rng() % pieces.size()];
        d.write("f" + std::to_string(i), s);
    }
    const std::string host = audit_test::run_host(R"PY(
import json, pathlib, sys
root = pathlib.Path(sys.argv[1])
print(json.dumps([(root / f"f{i}").read_text(encoding="utf-8", errors="replace") for i in range(int(sys.argv[2]))]))
)PY",
                                                  {kit::host_path(d.path()), std::to_string(n)});
    const Json want = Json::parse(host);
    ASSERT_EQ(want.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(audit::read_source(d.path(), "f" + std::to_string(i)), want[i].get<std::string>()) << i;
}

}  // namespace
