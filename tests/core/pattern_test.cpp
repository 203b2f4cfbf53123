#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.hpp"
#include "core/pattern.hpp"
#include "pattern_host.hpp"

namespace {

using core::Regex;
using pattern_host::json;

constexpr unsigned I = core::RE_IGNORECASE, M = core::RE_MULTILINE, S = core::RE_DOTALL;

json with(json c, const char* key, json value) {
    c[key] = std::move(value);
    return c;
}
json op(const char* name, const std::string& pattern, unsigned flags, const std::string& subject) {
    return json{{"op", name}, {"pattern", pattern}, {"flags", flags}, {"subject", subject}};
}
json finditer(const std::string& p, unsigned f, const std::string& s) { return op("finditer", p, f, s); }
json sub(const std::string& p, const std::string& repl, const std::string& s, std::size_t count = 0) {
    return with(with(op("sub", p, 0, s), "repl", repl), "count", count);
}
json split(const std::string& p, const std::string& s, std::size_t count = 0) {
    return with(op("split", p, 0, s), "count", count);
}
json at(const char* name, const std::string& p, unsigned f, const std::string& s, std::size_t pos) {
    return with(op(name, p, f, s), "pos", pos);
}

// Every assigned code point (and the same joined by blanks, for boundaries) through the
// class escapes, their forms inside classes, and ignore-case letters.
TEST(PatternHost, ClassesAndIgnoreCaseOverEveryCodePoint) {
    json cases = json::array();
    auto over = [&](const std::string& p, unsigned f, const char* subject) {
        cases.push_back(json{{"op", "runs"}, {"pattern", p}, {"flags", f}, {"subject_ref", subject}});
    };
    for (const char* p :
         {R"(\s)", R"(\S)", R"(\w)", R"(\W)", R"(\d)", R"(\D)", R"([\s])", R"([^\s])", R"([\S])", R"([^\S])", R"([\w])",
          R"([^\w])", R"([\W])", R"([^\W\d])", R"([\S\d])", R"([^\S\x20])", R"(\s+)", R"(\w+)", "."})
        over(p, 0, "all");
    for (const char* p : {R"(\b)", R"(\B)", R"(\b\w)", R"(\w\b)"}) over(p, 0, "sep");
    for (char c = 'a'; c <= 'z'; ++c) {
        over(std::string(1, c), I, "all");
        over(std::string(1, static_cast<char>(c - 'a' + 'A')), I, "all");
    }
    for (const char* p :
         {"[a-z]", "[A-Za-z]", "[^a-z]", "[h-j]", "[^i]", "[İ]", "İ", "ı", R"([\u0100-\u017f])", "(?i)i"})
        over(p, I, "all");
    over("(?i)[a-z]", 0, "all");
    pattern_host::expect_same_as_host(cases, true);
}

TEST(PatternHost, IterationGroupsAndLineEnds) {
    const json cases = {
        // line ends: only "\n"; multi-line ^ after a final "\n"; $ before a final "\n"
        finditer("^", M, "a\nb\n"),
        finditer("(?m)^|(?s:.)$", 0, "a\nb\n"),
        finditer("$", 0, "a\nb\n"),
        finditer("$", M, "a\r\nb\n"),
        finditer(".+", 0, "a\rb\u2028c\x0b\x0c\u0085d\ne"),
        finditer(".+", S, "a\rb\nc"),
        finditer(R"(^\w+$)", M, "ab\r\ncd\u2028ef\ngh"),
        finditer(R"(\Z|\z)", 0, "a\n"),
        finditer(R"(\Aa|a\Z)", 0, "aa\na"),
        // groups that did not take part, named groups, last iteration of a repeat
        finditer("(a)|(b)", 0, "ab"),
        finditer(R"((?P<x>\w)(?P<y>\d)?)", 0, "a1b"),
        finditer("(?:(a)|b)+", 0, "ab"),
        finditer("(a*)+", 0, "b"),
        finditer(R"((a)\1|(?P<q>['"]).*?(?P=q))", 0, "aa \"x\" 'y'"),
        finditer("(a)?(?(1)b|c)", 0, "ab c"),
        // empty matches
        finditer("x*", 0, "abxd"),
        finditer(R"(\b)", 0, "ab cd"),
        finditer("(?=a)|a", 0, "aa"),
        finditer("a??", 0, "aa"),
        finditer("|a", 0, "aé"),
        finditer(R"(\B)", 0, " ab c"),
        // the host's white space, word and digit sets
        finditer(R"(\s+)", 0, "a\x1c\x1f b\u180ec\u00a0\u3000"),
        finditer(R"([^\S\n]+)", 0, "a \t\nb\x1d"),
        finditer(R"(\d+)", 0, "12\u0663\u0664x\u00b2\u2167"),
        finditer(R"(\w+)", 0, "a_\u00e9\u0301b \u2167\u00b2"),
        finditer(R"([\w.]+)", 0, "a.b_c-d"),
        // ignore-case i and the dotted/dotless forms, scoped flags
        finditer("[a-z]+", I, "İstanbul ıi KELVIN ſ"),
        finditer("(?i:i)x|i", 0, "Ix ix I İx"),
        finditer("(?i)API|apı", 0, "api APİ apı"),
        finditer("(?-i:i)|k", I, "Ii\u212a"),
        // syntax the two read differently
        finditer("a{,2}", 0, "aaa"),
        finditer("a{,}b", 0, "aab"),
        finditer("a{|x{}|b{1,2,3}|c{x", 0, "a{ x{} b{1,2,3} c{x"),
        finditer(R"(\u00e9+|\U0001F600|\x41\101\0|\N{EM DASH})", 0, std::string("éé😀AA\0—", sizeof("éé😀AA\0—") - 1)),
        finditer(R"(\'\"\@\/\-\ \#)", 0, "'\"@/- #"),
        finditer(R"([\]\-a]+|\\s)", 0, "]-a \\s"),
        finditer(R"([\b\n]|\v)", 0, "\b\n\x0b\x0c"),
        finditer("(?x) a b # comment\n [ ] c", 0, "ab c"),
        finditer("a(?#note)+", 0, "aaa"),
        // a lazy run across lines, as in the C pass
        finditer(R"(^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\([^;]*$)", M,
                 "int main(void)\n{\n  return 0;\n}\nvoid f(int a)\n"),
        // start offsets inside the whole subject: look-behind, ^ and \b see what precedes
        at("search", "(?<=a)b", 0, "ab", 1),
        at("search", "^b", 0, "ab", 1),
        at("search", "^b", M, "a\nb", 2),
        at("search", R"(\bb)", 0, "ab", 1),
        at("search", "$", 0, "abc", 3),
        at("search", "é", 0, "aé", 1),
        at("match", "b", 0, "ab", 1),
        at("match", "a", 0, "ba", 0),
        at("match", "(?<=a)b|b", 0, "ab", 1),
        op("fullmatch", "a|ab", 0, "ab"),
        op("fullmatch", "a$", 0, "a\n"),
        op("fullmatch", R"(\w+?)", 0, "abc"),
    };
    pattern_host::expect_same_as_host(cases);
}

TEST(PatternHost, SubSplitAndTemplates) {
    const json cases = {
        sub("x*", "-", "abxd"),
        sub(R"((\w+) (\w+))", R"(\2 \1)", "hello world, big cat"),
        sub("(?P<a>a)", R"([\g<a>\g<0>\g<1>])", "xax"),
        sub("a", R"(\n\t\\\-\'\x)", "a"),
        sub("a", R"(\101\0\07\08)", "a"),
        sub("a", R"(\é)", "a"),
        sub("(a)|b", R"([\1])", "ab"),
        sub("a", "b", "aaa", 2),
        sub("([a-z0-9])([A-Z])", R"(\1 \2)", "fooBarBaz2Qux"),
        sub("([A-Z]+)([A-Z][a-z])", R"(\1 \2)", "HTMLParser XMLHttpRequest"),
        sub(R"(/\*.*?\*/)", "", "a/* x */b/**/c/* open"),
        sub(R"(\.\w+$)", "", "file.tar.gz"),
        sub(R"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k))", R"(\11\10-\g<11>0)", "abcdefghijk"),
        // bad templates, raised even when nothing matches
        sub("(a)", R"(\2)", "b"),
        sub("(a)", R"(\g<2>)", "a"),
        sub("a", R"(\q)", "a"),
        sub("a", "x\\", "b"),
        sub("(a)", R"(\g<1)", "a"),
        sub("(a)", R"(\g1)", "a"),
        sub("(a)", R"(\g<>)", "a"),
        sub("(a)", R"(\g<nope>)", "a"),
        sub("(a)", R"(\g<1x>)", "a"),
        sub("a", R"(\400)", "a"),
        with(op("sub_fn", "x*", 0, "abxd"), "count", 0),
        with(op("sub_fn", R"(\w+)", 0, "ab cd ef"), "count", 2),
        split(R"([/\\])", "a/b\\c/"),
        split(R"([,\s]+)", " a, b ,c\u3000d "),
        split("(,)", "a,b"),
        split("(,)|(;)", "a,b;c"),
        split("x*", "axb"),
        split(R"(\b)", "ab cd"),
        split(",", "a,b,c", 1),
        split("", "abc"),
    };
    pattern_host::expect_same_as_host(cases);
}

// Patterns the host refuses are refused here too, as PatternError.
TEST(PatternHost, SyntaxErrors) {
    json cases = json::array();
    for (const char* p : {"(a",
                          "[a",
                          "a)",
                          R"(\q)",
                          "*a",
                          "(?<x>a)",
                          R"(\p{L})",
                          "(*ACCEPT)",
                          "a{3,1}",
                          R"(\1(a))",
                          R"((a\1))",
                          "a(?i)b",
                          "(?z)",
                          R"([\w-z])",
                          "[z-a]",
                          R"(\x4)",
                          R"(\u12)",
                          R"(\N{NO SUCH})",
                          "(?P<a>x)(?P<a>y)",
                          "(?P=b)",
                          "a**",
                          R"([\A])",
                          "\\",
                          "(?#open",
                          R"(\777)"})
        cases.push_back(op("compile", p, 0, ""));
    pattern_host::expect_same_as_host(cases);
}

// The host's engine never gives up; a deep repeat must not end on PCRE2's small default
// JIT stack, and certainly not as "no match".
TEST(Pattern, DeepRepeatOnLongBlankRunFindsTheName) {
    const Regex re(R"((?:public|private|protected|\s)+(?:class|interface)\s+([A-Za-z_]\w*))");
    const std::string text = std::string(100000, ' ') + "class Foo";
    const auto m = re.search(text);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->group(1), "Foo");
    std::vector<std::string> names;
    re.for_each(text, [&](const core::Match& x) {
        names.emplace_back(x.group(1));
        return true;
    });
    EXPECT_EQ(names, std::vector<std::string>{"Foo"});
}

TEST(Pattern, EngineErrorsRaise) {
    EXPECT_THROW(Regex("(a"), core::PatternError);
    EXPECT_THROW(Regex("a", 1u << 7), core::PatternError);
    EXPECT_THROW(Regex("a\xff"), core::PatternError);  // not UTF-8
}

// Offsets past the end are the end, as the host has it; an offset inside a character never
// reaches the engine, which would walk broken UTF-8 from there.
TEST(Pattern, StartOffsetsOutsideCharacterStarts) {
    const Regex b("b|(?<=\\xe9)"), any(".");
    EXPECT_FALSE(Regex("b").search("ab", 99));
    EXPECT_EQ(Regex("$").search("ab", 99)->start(), 2u);
    EXPECT_EQ(b.search("éb", 1)->start(), 2u);  // from the next character
    EXPECT_FALSE(any.match("éb", 1));
    EXPECT_EQ(any.match("éb", 2)->group(), "b");
    EXPECT_FALSE(any.match("\xf0\x9f\x98\x80", 3));
}

TEST(Pattern, GroupsByNameAndBeyondTheMatch) {
    const Regex re(R"((?P<pub>pub\s+)?(?:struct|enum)\s+(\w+)|(x))");
    EXPECT_EQ(re.group_count(), 3);
    EXPECT_EQ(re.group_index("pub"), 1);
    EXPECT_EQ(re.group_index("nope"), -1);
    const auto m = re.search("enum E");
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->has(1));
    EXPECT_EQ(m->group(2), "E");
    EXPECT_FALSE(m->has(3));  // past the last group set
    EXPECT_FALSE(m->opt_group(3));
    EXPECT_EQ(m->start(3), core::Match::npos);
}

// One compiled Regex used from many threads at once, with nested use from a callback.
TEST(Pattern, SharedBetweenThreadsAndNestedInCallbacks) {
    const Regex word(R"(\w+)"), digit(R"(\d)");
    std::string text;
    for (int k = 0; k < 2000; ++k) text += "w" + std::to_string(k) + " ";
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) {
                int words = 0, digits = 0;
                word.for_each(text, [&](const core::Match& m) {
                    ++words;
                    // a nested search must not disturb the iteration's own match data
                    for (std::size_t p = m.start(); const auto d = digit.search(m.subject(), p);) {
                        if (d->start() >= m.end()) break;
                        ++digits;
                        p = d->end();
                    }
                    return true;
                });
                if (words != 2000 || digits != 6890) ++bad;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(Pattern, ForEachStopsWhenTheCallbackSaysSo) {
    const Regex re("a");
    int seen = 0;
    re.for_each("aaaa", [&](const core::Match&) { return ++seen < 2; });
    EXPECT_EQ(seen, 2);
}

TEST(Pattern, MovedRegexKeepsWorking) {
    Regex a("(?P<n>x+)");
    Regex b = std::move(a);
    std::vector<Regex> list;
    list.push_back(std::move(b));
    list.emplace_back("y");
    ASSERT_TRUE(list[0].search("axx"));
    EXPECT_EQ(list[0].search("axx")->group(list[0].group_index("n")), "xx");
    EXPECT_EQ(list[0].pattern(), "(?P<n>x+)");
}

}  // namespace
