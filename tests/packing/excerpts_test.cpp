#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "packing/excerpts.hpp"
#include "tests/kit/portable.hpp"

namespace {

using packing::FunctionSpan;
namespace fs = std::filesystem;

// Rows "r0", "r1", ... of a file of `n` rows.
std::vector<std::string> numbered(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back("r" + std::to_string(i));
    return out;
}

std::string excerpts(const std::vector<std::string>& rows, const std::vector<FunctionSpan>& fs, std::int64_t max = 80) {
    std::vector<std::string_view> views(rows.begin(), rows.end());
    return packing::symbol_excerpts(views, "m.py", fs, max);
}

// "# m.py::name (lines a-b)\n" and the rows first..last.
std::string block(const std::string& name, int a, int b, int first, int last) {
    std::string out = "# m.py::" + name + " (lines " + std::to_string(a) + "-" + std::to_string(b) + ")\n";
    for (int r = first; r <= last; ++r) out += (r > first ? "\n" : "") + ("r" + std::to_string(r));
    return out;
}

TEST(SymbolExcerpts, RowRangesClampsAndBudget) {
    const auto rows = numbered(200);
    const struct {
        const char* what;
        std::vector<FunctionSpan> spans;
        std::int64_t max;
        std::string expected;
    } cases[] = {
        {"one row", {{"a", 0, 0}}, 80, block("a", 1, 1, 0, 0)},
        {"no last row: 21 rows", {{"a", 5, std::nullopt}}, 80, block("a", 6, 26, 5, 25)},
        {"no first row: from row 0", {{"a", std::nullopt, 2}}, 80, block("a", 1, 3, 0, 2)},
        {"negative first row clamps to 0", {{"a", -5, 2}}, 80, block("a", 1, 3, 0, 2)},
        {"negative first row: default last row from the stored value",
         {{"a", -5, std::nullopt}},
         80,
         block("a", 1, 16, 0, 15)},
        {"last row clamps to the file", {{"a", 195, 400}}, 80, block("a", 196, 200, 195, 199)},
        {"100 rows cut to the budget", {{"a", 10, 109}}, 80, block("a", 11, 90, 10, 89)},
        {"30, 30 and 40 rows share 80",
         {{"a", 0, 29}, {"b", 30, 59}, {"c", 60, 99}},
         80,
         block("a", 1, 30, 0, 29) + "\n\n" + block("b", 31, 60, 30, 59) + "\n\n" + block("c", 61, 80, 60, 79)},
        {"the three smallest first rows, ascending, ties in map order",
         {{"d", 50, 50}, {"a", 3, 3}, {"c", 9, 9}, {"b", 3, 4}},
         80,
         block("a", 4, 4, 3, 3) + "\n\n" + block("b", 4, 5, 3, 4) + "\n\n" + block("c", 10, 10, 9, 9)},
        {"rows wholly after the end of the file", {{"a", 250, 260}}, 80, "# m.py::a (lines 251-200)\n"},
        {"a budget of 0 shows nothing", {{"a", 0, 5}}, 0, ""},
        {"the budget is met exactly, then stops", {{"a", 0, 79}, {"b", 100, 100}}, 80, block("a", 1, 80, 0, 79)},
        // An inverted span shows its header and no rows and takes none of the budget.
        {"inverted span takes no rows of the budget",
         {{"a", 10, 5}, {"b", 20, 119}},
         80,
         "# m.py::a (lines 11-6)\n\n\n" + block("b", 21, 100, 20, 99)},
        {"no functions", {}, 80, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(excerpts(rows, c.spans, c.max), c.expected) << c.what;
}

TEST(SymbolExcerpts, EmptyFileShowsTheRangeOneToZero) {
    EXPECT_EQ(excerpts({}, {{"a", 0, 0}}), "# m.py::a (lines 1-0)\n");
    EXPECT_EQ(excerpts({}, {{"a", 0, std::nullopt}}), "# m.py::a (lines 1-0)\n");
}

TEST(SymbolExcerpts, HugeRowsDoNotOverflow) {
    const auto rows = numbered(3);
    constexpr std::int64_t big = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t small = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(excerpts(rows, {{"a", big, std::nullopt}}), "# m.py::a (lines " + std::to_string(big) + "-3)\n");
    EXPECT_EQ(excerpts(rows, {{"a", 0, small}}, small), "");
    EXPECT_EQ(excerpts(rows, {{"a", 0, big}}, big), block("a", 1, 3, 0, 2));
}

class ReadSymbolContent : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_THROW(root = kit::make_scratch("packing_excerpts")); }
    void TearDown() override { kit::remove_tree(root); }
    void write(const std::string& rel, const std::string& bytes) {
        fs::create_directories((fs::path(root) / rel).parent_path());
        std::ofstream(fs::path(root) / rel, std::ios::binary) << bytes;
    }
    std::string root;
};

TEST_F(ReadSymbolContent, RowsSplitTheHostsWay) {
    write("lf.py", "a\nb\nc\n");
    write("crlf.py", "a\r\nb\r\nc\r\n");
    write("cr.py", "a\rb\rc");
    write("mixed.py",
          "a\x0b"
          "b\xe2\x80\xa8"
          "c\x1f");  // VT and U+2028 break rows, U+001F does not
    const std::vector<FunctionSpan> all{{"f", 0, 5}};
    const std::string expected = "# x::f (lines 1-3)\na\nb\nc";
    for (const char* f : {"lf.py", "crlf.py", "cr.py"}) {
        std::string got = packing::read_symbol_content(root, f, all);
        EXPECT_EQ(got.substr(got.find('\n')), expected.substr(expected.find('\n'))) << f;
    }
    EXPECT_EQ(packing::read_symbol_content(root, "mixed.py", all), "# mixed.py::f (lines 1-3)\na\nb\nc\x1f");
}

TEST_F(ReadSymbolContent, UndecodableBytesAreDroppedAndTheFileIdShownAsPassed) {
    write("pkg/u.py", "ok\xff\xfe!\nnext\xed\xa0\x80\n");
    EXPECT_EQ(packing::read_symbol_content(root, "pkg/u.py", {{"g", 0, 1}}), "# pkg/u.py::g (lines 1-2)\nok!\nnext");
    write("inner/x.py", "row\n");
    EXPECT_EQ(packing::read_symbol_content(root + "/pkg", "../inner/x.py", {{"h", 0, 0}}),
              "# ../inner/x.py::h (lines 1-1)\nrow");
}

TEST_F(ReadSymbolContent, MissingOrUnreadableFilesAndNoFunctionsGiveNothing) {
    write("d/x.py", "a\n");
    EXPECT_EQ(packing::read_symbol_content(root, "missing.py", {{"f", 0, 0}}), "");
    EXPECT_EQ(packing::read_symbol_content(root, "d", {{"f", 0, 0}}), "");
    EXPECT_EQ(packing::read_symbol_content(root, "d/x.py", {}), "");
    EXPECT_EQ(packing::read_symbol_content(root + "/nowhere", "d/x.py", {{"f", 0, 0}}), "");
    EXPECT_EQ(packing::read_symbol_content(root, std::string("d/x.py\0.py", 10), {{"f", 0, 0}}), "");
}

}  // namespace
