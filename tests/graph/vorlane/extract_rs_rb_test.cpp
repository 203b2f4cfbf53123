#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract_support.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace {

using namespace extract_support;

TEST(ExtractRust, VisibilityForms) {
    const std::vector<Case> cases = {
        {"pub fn open() {}", {"open use_case 0-0 exported"}},
        {"pub(crate) fn scoped() {}", {"scoped use_case 0-0 exported"}},
        {"pub(in crate::a::b) fn in_path() {}", {"in_path use_case 0-0 exported"}},
        {"pub (super) async fn spaced() {}", {"spaced use_case 0-0 exported"}},
        {"pub async fn later() {}", {"later use_case 0-0 exported"}},
        // private, qualified between pub and fn, or indented: no function
        {"fn private() {}\npub const fn c() {}\npub unsafe fn u() {}\npub extern \"C\" fn e() {}\n"
         "impl T {\n    pub fn method() {}\n}",
         {}},
        {"pub struct Open;", {"Open model 0-0 exported"}},
        {"struct Closed;", {"Closed model 0-0"}},
        {"pub enum Kind {}\ntrait Seal {}", {"Kind model 0-1 exported", "Seal model 1-1"}},
        // a scoped type gives nothing at all; nor do unsafe traits, unions, aliases, impls
        {"pub(crate) struct Scoped;\nunsafe trait Raw {}\nunion Bits {}\ntype Count = u32;\nimpl Closed {}", {}},
        // generics end the name; a function beats a type of the same name
        {"pub struct Wrapper<T>(T);\npub fn Wrapper() {}", {"Wrapper use_case 1-1 exported"}},
    };
    expect_cases(vorlane::extract_symbols_rs, "src/lib.rs", cases);
}

TEST(ExtractRust, RecordFields) {
    auto syms = vorlane::extract_symbols_rs("pub struct ParseXMLNode;\n", "src/x.rs");
    ASSERT_EQ(syms.size(), 1u);
    EXPECT_EQ(syms[0].id, "src/x.rs::ParseXMLNode");
    EXPECT_EQ(syms[0].confidence, "high");
    EXPECT_EQ(syms[0].keywords, (std::vector<std::string>{"parsexmlnode", "parse", "xml", "node"}));
}

// Rust spans 50 rows below the start and Ruby 40, clamped to the last row.
TEST(ExtractRustRuby, FixedSpans) {
    auto file = [](const std::vector<std::pair<int, std::string>>& at, int rows) {
        std::vector<std::string> lines(rows, "x");
        for (const auto& [row, text] : at) lines[row] = text;
        std::string out;
        for (const auto& l : lines) out += l + "\n";
        return out;
    };
    const auto rust = file({{10, "pub fn a() {"}, {70, "pub fn b() {"}, {99, "pub fn c() {"}}, 100);
    EXPECT_EQ(brief(vorlane::extract_symbols_rs(rust, "a.rs")),
              (Rows{"a use_case 10-60 exported", "b use_case 70-99 exported", "c use_case 99-99 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_rb(file({{10, "def a"}, {70, "def b"}, {99, "def c"}}, 100), "a.rb")),
              (Rows{"a use_case 10-50 exported", "b use_case 70-99 exported", "c use_case 99-99 exported"}));
}

// A Ruby definition starts on the first of the blank rows directly above it.
TEST(ExtractRuby, RowsAfterEmptyRows) {
    const char* text =
        "class Invoice\n"  // 0
        "  def one\n"      // 1: directly below a non-blank row
        "  end\n"          // 2
        "\n"               // 3: one empty row above two
        "  def two\n"      // 4
        "  end\n"          // 5
        "\n"               // 6: two empty rows (one of blanks) above three
        "    \n"           // 7
        "  def three\n"    // 8
        "  end\n"          // 9
        "end\n";           // 10
    EXPECT_EQ(brief(vorlane::extract_symbols_rb(text, "a.rb")),
              (Rows{"one use_case 1-10 exported", "two use_case 3-10 exported", "three use_case 6-10 exported",
                    "Invoice model 0-10 exported"}));
}

TEST(ExtractRuby, Names) {
    const std::vector<Case> cases = {
        // singleton methods are all named self; the first one wins
        {"def self.build\nend\ndef self.parse\nend", {"self use_case 0-3 exported"}},
        // ?, ! and = endings are not captured; operators give nothing
        {"def paid?\ndef void!\ndef name=(v)\ndef ==(o)\ndef [](i)\ndef <=>(o)",
         {"paid use_case 0-5 exported", "void use_case 1-5 exported", "name use_case 2-5 exported"}},
        // an opened singleton class gives nothing, a constant path its first segment
        {"class << self\nend\nclass Billing::Archive\nend", {"Billing model 2-3 exported"}},
        // leading underscore refused in both passes, and not remembered as seen
        {"def _hidden\nmodule _Internal\nclass Visible\ndef visible_too",
         {"visible_too use_case 3-3 exported", "Visible model 2-3 exported"}},
        // first definition of a name wins, a class named like a method gives nothing
        {"class A\n  def initialize\n  end\nend\nclass B\n  def initialize\n  end\nend\nclass initialize",
         {"initialize use_case 1-8 exported", "A model 0-8 exported", "B model 4-8 exported"}},
    };
    expect_cases(vorlane::extract_symbols_rb, "a.rb", cases);
}

TEST(ExtractAll, EmptyOrNothingToFind) {
    for (auto extract : {vorlane::extract_symbols_rs, vorlane::extract_symbols_rb, vorlane::extract_symbols_java,
                         vorlane::extract_symbols_cs, vorlane::extract_symbols_php, vorlane::extract_symbols_c_cpp})
        for (const char* text : {"", "\n\n", "/* only a comment */", "<?php\necho 1;", "#include <x.h>\nint x = 1;"})
            EXPECT_TRUE(extract(text, "a").empty()) << text;
}

TEST(RustRubyPatterns, RoutinesMatchHost) {
    expect_routines_match_host(vorlane::rs_rb_patterns(), routine_texts(7, 400));
}

// 300000 blank rows: the match of a definition below them starts on the first of them.
TEST(RustRubyPatterns, LongBlankRuns) {
    const std::string blank_rows(300000, '\n');
    const auto patterns = vorlane::rs_rb_patterns();
    for (const auto& spec : patterns) {
        if (!spec.find_all) continue;
        EXPECT_TRUE(spans_of(spec, blank_rows).empty()) << spec.label;
    }
    auto syms = vorlane::extract_symbols_rb(blank_rows + "  def late\n" + blank_rows + "class Late", "a.rb");
    EXPECT_EQ(brief(syms), (Rows{"late use_case 0-40 exported", "Late model 300001-300041 exported"}));
}

}  // namespace
