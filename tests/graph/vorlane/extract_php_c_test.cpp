#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract_support.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace {

using namespace extract_support;

// A function in column 0 starts on the row above it (its match begins at the line break);
// the block ends where brace counting from that row closes.
TEST(ExtractPhp, Rows) {
    const std::vector<Case> cases = {
        {"<?php\nfunction helper($x) {\n    return $x;\n}\n", {"helper use_case 0-3 exported"}},
        {"<?php\n\n\nfunction later() {\n}", {"later use_case 2-4 exported"}},
        // counting from the lone closing brace of the first ends on the second's row
        {"<?php\nfunction a() {\n}\nfunction b() {\n}", {"a use_case 0-2 exported", "b use_case 2-3 exported"}},
        {"function first() {}", {}},  // nothing before the keyword
        {"<?php\nclass C\n{\n    public function a() {}\n    public static function b() {}\n"
         "    abstract public function c();\n    function d() {}\n}",
         {"a use_case 3-3 exported", "b use_case 4-4 exported", "c use_case 5-6 exported", "d use_case 6-6 exported",
          "C model 1-7 exported"}},
    };
    expect_cases(vorlane::extract_symbols_php, "a.php", cases);
}

// A declaration without a brace of its own ends where the next block below it closes.
TEST(ExtractPhp, AbstractMethodEndsWithNextBlock) {
    const char* text =
        "<?php\n"                                  // 0
        "abstract class Base {\n"                  // 1
        "    abstract public function index();\n"  // 2
        "    public function show() {\n"           // 3
        "        return 1;\n"                      // 4
        "    }\n"                                  // 5
        "}\n";                                     // 6
    EXPECT_EQ(brief(vorlane::extract_symbols_php(text, "a.php")),
              (Rows{"index use_case 2-5 exported", "show use_case 3-5 exported", "Base model 1-6 exported"}));
}

// A function is not exported when its keyword's row, up to the keyword, says "private"
// or "protected" (letter case counts); rows above do not count.
TEST(ExtractPhp, Visibility) {
    const char* text =
        "<?php\n"
        "class C {\n"
        "    private function a() {}\n"
        "    protected static function b() {}\n"
        "    private $x;\n"
        "    function c() {}\n"
        "    PRIVATE function d() {}\n"
        "    public function e() { $private = 1; }\n"
        "    /* protected */ function f() {}\n"
        "}\n"
        "function g() {} private function h() {}\n";
    std::vector<std::pair<std::string, bool>> got;
    for (const auto& s : vorlane::extract_symbols_php(text, "a.php")) got.emplace_back(s.name, s.exported);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, bool>>{{"a", false},
                                                              {"b", false},
                                                              {"c", true},
                                                              {"d", true},
                                                              {"e", true},
                                                              {"f", false},
                                                              {"g", true},
                                                              {"h", false},
                                                              {"C", true}}));
}

TEST(ExtractPhp, NamesAndTypes) {
    const std::vector<Case> cases = {
        // anonymous, arrow and by-reference functions give nothing
        {"<?php\n$f = function ($x) { return $x; };\n$g = fn($x) => $x;\nclass R { public function &items() {} }",
         {"R model 3-3 exported"}},
        {"<?php\ninterface Repo {}\ntrait Logs {}\nenum Status: string {}\nabstract class Base {}",
         {"Repo model 1-1 exported", "Logs model 2-2 exported", "Status model 3-3 exported",
          "Base model 4-4 exported"}},
        // the words also count in comments, strings and inside longer words
        {"<?php\n$a = new class extends Base {};\n// the subclass Widget\necho \"class Phantom\";",
         {"extends model 1-1 exported", "Widget model 2-3 exported", "Phantom model 3-3 exported"}},
        // the function pass runs first; the first of several methods of one name wins
        {"<?php\nclass Mail {}\nfunction Mail() {}\nclass A { public function run() {} }\n"
         "class B { public function run() {} }",
         {"Mail use_case 1-1 exported", "run use_case 3-3 exported", "A model 3-3 exported", "B model 4-4 exported"}},
        // names are not filtered
        {"<?php\nclass K { public function __construct() {} public function _x() {} }",
         {"__construct use_case 1-1 exported", "_x use_case 1-1 exported", "K model 1-1 exported"}},
    };
    expect_cases(vorlane::extract_symbols_php, "a.php", cases);
}

TEST(ExtractCCpp, ReflectionMacros) {
    const std::vector<Case> cases = {
        // the macro row is the symbol's row; the declaration pass adds nothing more
        {"UCLASS(Blueprintable)\nclass ARENA_API AArena : public AActor\n{\n};", {"AArena model 0-3 exported"}},
        {"UENUM(BlueprintType)\nenum class EPhase : uint8\n{\n};", {"EPhase model 0-3 exported"}},
        {"USTRUCT()\nstruct FScore {};\nUINTERFACE(MinimalAPI)\nclass UListener : public UInterface {};",
         {"FScore model 0-3 exported", "UListener model 2-3 exported"}},
        // an indented macro is not the reflected pass's; the class row is the declaration's
        // (and, two blanks before the macro, "{" before any ";": see below)
        {"  UCLASS()\n  class UIndented : public UObject {};",
         {"UIndented model 1-1 exported", "UCLASS use_case 0-1 exported"}},
        // a member declaration is enough; blank rows above the macro move the start up
        {"class A {\n\n\n    UFUNCTION(BlueprintCallable)\n    void StartRound(int32 Round);\n};",
         {"StartRound use_case 1-5 exported", "A model 0-5 exported"}},
        {"UFUNCTION()\nvirtual FORCEINLINE bool IsRunning() const;", {"IsRunning use_case 0-1 exported"}},
        // "{" before any ";" after the macro: the definition pass takes the macro name too,
        // when two blanks stand before it
        {"\n\nUCLASS()\nclass B : public C\n{\n};", {"B model 2-5 exported", "UCLASS use_case 0-5 exported"}},
        {"UCLASS()\nclass B : public C\n{\n};", {"B model 0-3 exported"}},
    };
    expect_cases(vorlane::extract_symbols_c_cpp, "a.h", cases);
}

TEST(ExtractCCpp, DeclarationsAndDefinitions) {
    const std::vector<Case> cases = {
        {"namespace scene {\nenum Layer : unsigned { A };\nunion V { int i; };\n}",
         {"scene utility 0-3 exported", "Layer model 1-3 exported", "V model 2-3 exported"}},
        // a keyword after typedef or friend does not start a declaration
        {"typedef struct ring ring_t;\n  friend class Pal;", {}},
        // forward declaration first: one record, at its row
        {"class Node;\n\nclass Node {\n};", {"Node model 0-3 exported"}},
        // parameters over two rows, "{" on the row after; the prototype adds nothing
        {"int ring_push(struct ring *r, int v);\nint\nring_push(struct ring *r,\n          int v)\n{\n}",
         {"ring_push use_case 1-5 exported"}},
        // the name must follow white space: not after "*" or "::" (the first row is a
        // declaration of the structure ring)
        {"struct ring *ring_new(int n) {\n}\nvoid Node::attach(Node* c) {\n}\nstruct ring * ring_clone(int n) {\n}",
         {"ring model 0-5 exported", "ring_clone use_case 4-5 exported"}},
    };
    expect_cases(vorlane::extract_symbols_c_cpp, "a.c", cases);
}

// Statements that look like calls before a block or a macro argument list are dropped
// by name; the same text with a real name is kept.
TEST(ExtractCCpp, SkipWords) {
    const std::string body =
        "int f(int x) {\n"
        "    if (x) {\n"
        "    } else if (y) {\n"
        "    }\n"
        "    for (;;) {\n"
        "    }\n"
        "    while (x) {\n"
        "    }\n"
        "    switch (x) {\n"
        "    }\n"
        "    catch (x) {\n"
        "    }\n"
        "    do {\n"
        "    } while (sizeof (x) {\n"
        "    return (x) {\n"
        "    }\n"
        "    keep (x) {\n"
        "}\n";
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp(body, "a.c")),
              (Rows{"f use_case 0-17 exported", "keep use_case 16-17 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp("UFUNCTION()\n  return (x);\nUFUNCTION()\n  int kept (x);", "a.h")),
              (Rows{"kept use_case 2-3 exported"}));
}

TEST(ExtractCCpp, FixedSpan) {
    std::string text;
    for (int row = 0; row < 100; ++row)
        text += row == 10 || row == 80 ? "struct S" + std::to_string(row) + ";\n" : "x\n";
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp(text, "a.h")),
              (Rows{"S10 model 10-60 exported", "S80 model 80-99 exported"}));
}

TEST(PhpCCppPatterns, RoutinesMatchHost) {
    // The definition pattern is cubic on blank rows in the host: keep those runs short.
    auto texts = routine_texts(13, 150);
    const std::vector<std::string> shapes = {
        "UCLASS()" + repeat("\n", 100) + "class A",
        "UFUNCTION()" + repeat("\n ", 60) + "x",
        repeat("UFUNCTION(\n", 30) + ")\n void f(",
        repeat("a\n", 80) + " f() {",
        "  UFUNCTION()\n\tstatic int* Get(x)",
        "UFUNCTION()\n  virtual void F();\nint g() {}",
        "int\n\n  main ( int a,\n b)\n{",
        "a *b(){\n}",
        "  x y(;{",
        "X_API_API z(){",
        "\xc3\xa9 f() {",  // a row that starts with a character of two bytes
        "UFUNCTION()\n\xc3\xa9 f();",
    };
    texts.insert(texts.end(), shapes.begin(), shapes.end());
    expect_routines_match_host(vorlane::c_cpp_patterns(), texts);
}

// Long runs of blanks, blank rows and declarator characters, with a declaration after them.
TEST(PhpCCppPatterns, LongRuns) {
    const std::string blank_rows = repeat("\n", 300000);
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp(blank_rows + "int main() {\n}", "a.c")),
              (Rows{"main use_case 0-50 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp("UFUNCTION()" + blank_rows + "  void Fire();", "a.h")),
              (Rows{"Fire use_case 0-50 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp("UENUM()" + blank_rows + "enum E {};", "a.h")),
              (Rows{"E model 0-50 exported"}));
    EXPECT_EQ(brief(vorlane::extract_symbols_c_cpp(repeat("a\n", 150000) + " f() {}", "a.c")),
              (Rows{"f use_case 0-50 exported"}));
    const auto patterns = vorlane::c_cpp_patterns();
    for (const std::string& run : {blank_rows, repeat(" ", 300000), repeat("a\n", 150000)})
        for (const auto& spec : patterns) EXPECT_TRUE(spans_of(spec, run).empty()) << spec.label;
}

}  // namespace
