#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "extract_support.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace {

using namespace extract_support;

// Rows are those of the original text, through the removed block comments.
TEST(ExtractJava, BlockCommentRows) {
    const std::vector<Case> cases = {
        // the type's match begins at the line break after the comment
        {"/*\n * Orders.\n */\npublic class A {\n    public void run() {}\n}",
         {"A model 2-5 exported", "run use_case 4-5 exported"}},
        {"public class A {\n    /** Runs.\n     */\n    public void run() {}\n}",
         {"A model 0-4 exported", "run use_case 3-4 exported"}},
        {"package shop;\n\npublic class A {}", {"A model 0-2 exported"}},
        // an opening marker in a string removes everything up to the next closing one
        {"String s = \"/*\";\npublic class Hidden {}\n/* end */\npublic class Shown {}", {"Shown model 2-3 exported"}},
        // an unclosed marker stays
        {"/* open\npublic class Kept {}", {"Kept model 0-1 exported"}},
    };
    expect_cases(vorlane::extract_symbols_java, "A.java", cases);
}

// `exported` of a type: "public" within the 20 characters from the start of the match,
// which takes in the blanks and access words before the keyword.
TEST(ExtractJava, TypeWindows) {
    const std::vector<Case> cases = {
        {"class Bare {}", {}},  // nothing before the keyword
        {"x;\npublic final class F {}", {"F model 1-1"}},
        {"x;\npublic static class S {}", {"S model 1-1"}},
        {"x;\npublic final class G {\npublic int y;", {"G model 1-2 exported"}},
        {"x;\npublic abstract class Ab {}", {"Ab model 0-1 exported"}},
        {"x;\npublic @interface Tracked {}", {"Tracked model 0-1 exported"}},
        {"x;" + repeat("\n", 10) + "    public class P {}", {"P model 0-10 exported"}},  // 14 blanks
        {"x;" + repeat("\n", 10) + "     public class Q {}", {"Q model 0-10"}},          // 15 blanks
        {"// this class handles stuff", {"handles model 0-0"}},
        {"package a\n\ndata class User(val id: Long)\nsealed class Result\nobject Registry\nclass Outer {\n"
         "    companion object Factory {}\n}",
         {"User model 0-7", "Result model 2-7", "Registry model 3-7", "Outer model 4-7", "Factory model 6-7"}},
    };
    expect_cases(vorlane::extract_symbols_java, "A.java", cases);
}

TEST(ExtractJava, MethodPasses) {
    const std::string text =
        "public class A {\n"                                     // 0
        "    public static void main(String[] args) {}\n"        // 1
        "    private void audit(Order o) {}\n"                   // 2
        "    public void Capitalised() {}\n"                     // 3
        "    public void _hidden() {}\n"                         // 4
        "    public Map<String, List<Order>> byCustomer() {}\n"  // 5
        "    public <T> T convert(Object o) {}\n"                // 6
        "    public final static int count() {}\n"               // 7
        "    public abstract void onEvent();\n"                  // 8
        "    public A(int x) {}\n"                               // 9
        "    void start() {\n"                                   // 10
        "        if (x) {}\n"                                    // 11
        "        else handle(x);\n"                              // 12
        "        return build(x);\n"                             // 13
        "    }\n"                                                // 14
        "\n"                                                     // 15
        "    List<Order> pending() {}\n"                         // 16
        "    int[] sizes() {}\n"                                 // 17
        "    @Override\n"                                        // 18
        "    public String toString() {}\n"                      // 19
        "    override fun render() {}\n"                         // 20
        "    fun create(): A = A()\n"                            // 21
        "  def dispatch(path: String) = 1\n"                     // 22
        "    public void main() {}\n"                            // 23
        "}";                                                     // 24
    EXPECT_EQ(
        brief(vorlane::extract_symbols_java(text, "A.java")),
        (Rows{"A model 0-24 exported", "main use_case 1-24 exported", "audit use_case 2-24",
              "byCustomer use_case 5-24 exported", "toString use_case 19-24 exported", "start use_case 10-24 exported",
              "handle use_case 12-24 exported", "pending use_case 15-24 exported", "sizes use_case 17-24 exported",
              "create use_case 21-24 exported", "dispatch use_case 22-24 exported"}));
}

// Both extractors span 60 rows below the start, clamped to the last row.
TEST(ExtractJavaCs, FixedSpans) {
    auto file = [](const std::string& decl) {
        std::string out;
        for (int row = 0; row < 100; ++row)
            out += (row == 10 || row == 39 || row == 99 ? decl + std::to_string(row) + "() {}" : "x;") + "\n";
        return out;
    };
    const Rows expected = {"m10 use_case 10-70 exported", "m39 use_case 39-99 exported", "m99 use_case 99-99 exported"};
    EXPECT_EQ(brief(vorlane::extract_symbols_java(file("    void m"), "A.java")), expected);
    EXPECT_EQ(brief(vorlane::extract_symbols_cs(file("public void m"), "A.cs")), expected);
}

TEST(ExtractCs, TypesAndAccessWindows) {
    const std::vector<Case> cases = {
        {"namespace N\n{\n    public class A\n    {\n    }\n}", {"A model 2-5 exported"}},
        {"class Hidden {}", {}},
        {"internal sealed class Ledger {}", {"Ledger model 0-0"}},
        {"public static partial class Extensions {}", {"Extensions model 0-0 exported"}},
        {"public record struct Point(int X, int Y);", {"struct model 0-0 exported"}},
        {"public record class Money(decimal Amount);", {"class model 0-0 exported"}},
        // the window is text, not words: "public" inside the name counts
        {"internal enum publicX {}", {"publicX model 0-0 exported"}},
        // and counts characters, not bytes: "public" starts at character 24
        {"internal void A\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9(public x) {}",
         {"A\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9 use_case 0-0 exported"}},
    };
    expect_cases(vorlane::extract_symbols_cs, "A.cs", cases);
}

TEST(ExtractCs, Methods) {
    const std::string text =
        "public class Gateway {\n"                                    // 0
        "    public void Run() {}\n"                                  // 1
        "    public async Task<Receipt> ChargeAsync(decimal a) {}\n"  // 2
        "    public override string ToString() => \"g\";\n"           // 3
        "    public static override void Reset() {}\n"                // 4
        "    internal static void Warm() {}\n"                        // 5
        "    protected virtual bool Validate(decimal a) {}\n"         // 6
        "    public Gateway(IClient c) {}\n"                          // 7
        "    public new void Hide() {}\n"                             // 8
        "    public Dictionary<string, int> Totals() {}\n"            // 9
        "    public void if() {}\n"                                   // 10
        "    public int? Pending() {}\n"                              // 11
        "    public void Run(int times) {}\n"                         // 12
        "}";                                                          // 13
    EXPECT_EQ(brief(vorlane::extract_symbols_cs(text, "A.cs")),
              (Rows{"Gateway model 0-13 exported", "Run use_case 1-13 exported", "ChargeAsync use_case 2-13 exported",
                    "ToString use_case 3-13 exported", "Reset use_case 4-13 exported", "Warm use_case 5-13",
                    "Validate use_case 6-13", "Pending use_case 11-13 exported"}));
}

TEST(JavaCsPatterns, RoutinesMatchHost) {
    auto texts = routine_texts(11, 400);
    texts.push_back(repeat("public\n", 60) + "class Foo");
    texts.push_back(repeat("/* ", 50) + "*/ x /* y");
    expect_routines_match_host(vorlane::java_cs_patterns(), texts);
}

// Openings whose "<" closes late, on a ">" whose tail fails, or never: the method passes
// must pick the same ">" as the host, stop at the same ";", "{" or "(", and take or give
// back the optional modifiers and "[]" the same way.
TEST(JavaCsPatterns, UnclosedBracketsMatchHost) {
    std::vector<std::string> texts;
    const std::vector<std::string> openings = {"public a<",   "private static final List<", "\n a<",
                                               "\n\tMap<K, ", "protected synchronized a <", "public a<b>",
                                               "\n a<b> c",   "public static a<b> static ", "\n a<b>[]"};
    const std::vector<std::string> tails = {"",        "> run(",  ">[] run(",      "> Run(",      ";> run(",
                                            "{> run(", "(> run(", "> static run(", "\n>\nrun\n(", ">> run("};
    for (const auto& o : openings)
        for (const auto& t : tails) {
            texts.push_back(repeat(o, 40) + t);
            texts.push_back(o + t + repeat(o, 5) + t);
        }
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {
        "public", "private", " ", "\n", "\t",  "static", "final", "default", "a", "List",     "<", ">", "[]",
        "[",      "(",       ";", "{",  "for", "format", "new",   "x_",      "R", "\xc3\xa9", ",", "@", "\xe3\x80\x80"};
    for (int i = 0; i < 1500; ++i) {
        std::string t;
        for (int k = static_cast<int>(rng() % 30); k > 0; --k) t += pieces[rng() % pieces.size()];
        texts.push_back(t);
    }
    expect_routines_match_host(vorlane::java_cs_patterns(), texts);
}

// Long runs of blanks and access words: one stretch, found once.
TEST(JavaCsPatterns, LongRuns) {
    const std::string blanks = repeat("  \n", 100000);
    EXPECT_EQ(brief(vorlane::extract_symbols_java(blanks + "public class X {}", "A.java")), (Rows{"X model 0-60"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_java(repeat("public\n", 40000) + "class Y {}", "A.java")),
              (Rows{"Y model 0-60 exported"}));
    const auto patterns = vorlane::java_cs_patterns();
    for (const auto& spec : patterns) EXPECT_TRUE(spans_of(spec, blanks).empty()) << spec.label;

    // Thousands of "<" that close only at the end, or never.
    const std::string generic = repeat("public a<", 30000), indented = repeat("\n a<", 60000);
    EXPECT_EQ(brief(vorlane::extract_symbols_java(generic + "> run(", "A.java")), (Rows{"run use_case 0-0 exported"}));
    // the last opening's run "a<" is a type: the blanks and the name follow it
    EXPECT_EQ(brief(vorlane::extract_symbols_java(generic + " run(", "A.java")), (Rows{"run use_case 0-0 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_java(generic + "( run(", "A.java")), Rows{});
    EXPECT_EQ(brief(vorlane::extract_symbols_java(indented + "> run(", "A.java")),
              (Rows{"run use_case 0-60 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_java(indented + ";> run(", "A.java")), Rows{});
}

}  // namespace
