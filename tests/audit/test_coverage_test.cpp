// Test coverage: code and test files, normalised stems, exempt names, the rounding of
// the percentage and the measured, capped list of untested files.
#include <gtest/gtest.h>

#include "audit/test_coverage.hpp"
#include "support.hpp"

namespace {

using audit_test::file_graph;
using audit_test::Json;
using audit_test::TempDir;

TEST(TestCoverage, StemsMarkersAndExemptNames) {
    TempDir d;
    const Json got = audit::check_test_coverage(file_graph({"src/Button.spec.tsx",
                                                            "src/Button.tsx",
                                                            "lib/button.py",
                                                            "test_utils.py",
                                                            "utils.go",
                                                            "pkg/utils_test.go",
                                                            "test_foo_test.py",
                                                            "foo.rs",
                                                            "src/latest_news.py",
                                                            "latest_news.rb",
                                                            "tests/conftest.py",
                                                            "src/tests/cart.py",
                                                            "cart.ts",
                                                            "src\\__tests__\\thing.js",
                                                            "thing.py",
                                                            "index.ts",
                                                            "init.py",
                                                            "app.py",
                                                            "Main.kt",
                                                            "__init__.py",
                                                            "App.TS",
                                                            "README.md"}),
                                                d.path());
    // Code files: Button.tsx, button.py, utils.go, foo.rs, conftest.py, cart.ts,
    // src\__tests__\thing.js (backslashes: no directory alternative), thing.py, index.ts,
    // init.py, app.py, Main.kt, __init__.py; latest_news.rb holds "test_".
    EXPECT_EQ(got["total_code_files"], 13);
    EXPECT_EQ(got["untested"],
              Json::parse(R"(["tests/conftest.py", "src\\__tests__\\thing.js", "thing.py", "__init__.py"])"));
    EXPECT_EQ(got["tested_files"], 9);
    EXPECT_EQ(got["coverage_pct"], 69);
    EXPECT_EQ(audit::test_stem("a/TEST_Spec_x.SPEC.py"), "spec_x");
    EXPECT_EQ(audit::test_stem("x.test.test.ts"), "x.test");
}

TEST(TestCoverage, RoundsHalfToEvenAfterDividing) {
    const std::pair<std::pair<int, int>, int> cases[] = {{{1, 8}, 12},   {{3, 8}, 38},     {{5, 8}, 62},  {{2, 3}, 67},
                                                         {{23, 40}, 57}, {{109, 200}, 55}, {{0, 0}, 100}, {{0, 5}, 0}};
    for (const auto& [c, want] : cases)
        EXPECT_EQ(audit::coverage_percent(c.first, c.second), want) << c.first << "/" << c.second;
    // Through the check: 40 code files, 23 tested.
    Json nodes = Json::array();
    for (int i = 0; i < 40; ++i) nodes.push_back({{"id", "m" + std::to_string(i) + ".py"}, {"kind", "file"}});
    for (int i = 0; i < 23; ++i) nodes.push_back({{"id", "test_m" + std::to_string(i) + ".py"}, {"kind", "file"}});
    TempDir d;
    const Json got = audit::check_test_coverage({{"nodes", nodes}}, d.path());
    EXPECT_EQ(got["coverage_pct"], 57);
    EXPECT_EQ(got["tested_files"], 23);
}

TEST(TestCoverage, FirstTwentyMeasuredLargestFifteenKept) {
    KIT_SKIP_WITHOUT_LINKS();
    TempDir d;
    Json nodes = Json::array();
    for (int i = 0; i < 25; ++i) {
        const std::string id = "f" + std::to_string(i) + ".py";
        nodes.push_back({{"id", id}, {"kind", "file"}});
        // Sizes rise with the index; the 21st and later are the largest but never measured.
        if (i != 3 && i != 5) d.write(id, std::string(static_cast<std::size_t>(10 + i * 10), 'x'));
    }
    ASSERT_TRUE(kit::make_link(d / "f19.py", d / "link.py"));
    nodes.push_back({{"id", "link.py"}, {"kind", "file"}});
    const Json got = audit::check_test_coverage({{"nodes", nodes}}, d.path());
    Json want = Json::array();
    for (int i = 19; i >= 5; --i)
        if (i != 5) want.push_back("f" + std::to_string(i) + ".py");
    want.push_back("f4.py");
    EXPECT_EQ(got["untested"], want);
    EXPECT_EQ(got["total_code_files"], 26);

    // Unmeasurable files count as 0 bytes and follow in their order.
    const Json few = audit::check_test_coverage(file_graph({"gone1.py", "f1.py", "gone2.py"}), d.path());
    EXPECT_EQ(few["untested"], Json::parse(R"(["f1.py", "gone1.py", "gone2.py"])"));
}

TEST(TestCoverage, NoCodeFiles) {
    TempDir d;
    EXPECT_EQ(audit::check_test_coverage(file_graph({"README.md", "App.TS"}), d.path()),
              Json::parse(R"({"total_code_files": 0, "tested_files": 0, "coverage_pct": 100, "untested": []})"));
}

}  // namespace
