#pragma once
// Helpers of the extractor tests: a one-line form of symbol records, the host's own
// re.finditer as the reference for pattern routines, and seeded texts built from the
// tokens the extractor patterns care about.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"
#include "tests/core/host_script.hpp"

namespace extract_support {

using Rows = std::vector<std::string>;

// "name type start-end" plus " exported" when the record is exported.
inline Rows brief(const graph_kit::Symbols& syms) {
    Rows out;
    for (const auto& s : syms)
        out.push_back(s.name + " " + s.symbol_type + " " + std::to_string(s.line_start) + "-" +
                      std::to_string(s.line_end) + (s.exported ? " exported" : ""));
    return out;
}

// A text and the records expected from it, in brief form.
struct Case {
    std::string text;
    Rows expected;
};

using Extractor = graph_kit::Symbols (*)(std::string_view content, std::string_view file_path);

inline void expect_cases(Extractor extract, std::string_view file_path, const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(brief(extract(c.text, file_path)), c.expected) << c.text;
}

inline std::string repeat(std::string_view unit, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += unit;
    return out;
}

// Matches as lists of group offsets (bytes): start and end of each group, -1 when absent.
using Spans = std::vector<std::vector<long>>;

inline Spans spans_of(const vorlane::PatternSpec& spec, std::string_view text) {
    Spans out;
    auto take = [&](const core::Match& m) {
        std::vector<long> g;
        for (int i = 0; i < m.groups_plus_one(); ++i) {
            g.push_back(m.has(i) ? static_cast<long>(m.start(i)) : -1);
            g.push_back(m.has(i) ? static_cast<long>(m.end(i)) : -1);
        }
        out.push_back(std::move(g));
        return true;
    };
    if (spec.find_all)
        spec.find_all(text, take);
    else
        core::Regex(spec.text, spec.flags).for_each(text, take);
    return out;
}

// The host's re.finditer of every spec over every text: result[spec][text].
inline std::vector<std::vector<Spans>> host_spans(const std::vector<vorlane::PatternSpec>& specs,
                                                  const std::vector<std::string>& texts) {
    nlohmann::json in = {{"specs", nlohmann::json::array()}, {"texts", texts}};
    for (const auto& s : specs) in["specs"].push_back({std::string(s.text), s.flags});
    return host_script::run_host_script(R"(import json, re, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
def flags(f):
    return (re.I if f & 1 else 0) | (re.M if f & 2 else 0) | (re.S if f & 4 else 0)
def spans(rx, text):
    out = []
    for m in rx.finditer(text):
        g = []
        for i in range(rx.groups + 1):
            s, e = m.span(i)
            g += [-1, -1] if s < 0 else [len(text[:s].encode()), len(text[:e].encode())]
        out.append(g)
    return out
res = []
for text, f in data["specs"]:
    rx = re.compile(text, flags(f))
    res.append([spans(rx, t) for t in data["texts"]])
json.dump(res, open(sys.argv[2], "w"))
)",
                                        in)
        .get<std::vector<std::vector<Spans>>>();
}

// Texts made of tokens that the patterns of these extractors react to: access words,
// keywords, macro names, brackets and every kind of white space, some of it outside
// ASCII (U+001C counts as white space for the host, U+3000 too).
inline std::vector<std::string> token_texts(unsigned seed, int count) {
    static const std::vector<std::string> tokens = {
        " ",          "  ",        "\n",        "\n\n",    "\t",        "\x0c",      "\xe3\x80\x80",
        "\x1c",       "\r",        "public",    "private", "protected", "internal",  "static",
        "class",      "data",      "enum",      "struct",  "union",     "namespace", "def",
        "module",     "pub",       "fn",        "async",   "(",         ")",         "{",
        "}",          ";",         "UFUNCTION", "UCLASS",  "UENUM",     "X_API",     "virtual",
        "*",          "&",         ":",         "<",       ">",         "/*",        "*/",
        "x",          "Foo",       "bar",       "_a",      "1",         "if",        "function",
        "@interface", "interface", "abstract",  "void",    "int",       "\xc3\xa9",  "[]",
        ",",          "crate",     "trait",     "object",  "sealed",    "record",    "return"};
    std::mt19937 rng(seed);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        // A few tokens per text, so that each text repeats some of them often.
        std::vector<std::string> pick;
        const int kinds = 3 + static_cast<int>(rng() % 10);
        for (int k = 0; k < kinds; ++k) pick.push_back(tokens[rng() % tokens.size()]);
        std::string text;
        const int len = 1 + static_cast<int>(rng() % 60);
        for (int k = 0; k < len; ++k) text += pick[rng() % pick.size()];
        out.push_back(text);
    }
    return out;
}

// Runs of one text repeated, alone and before declarations of each language: what a
// backtracking search finds slow, and where the bounded routines could go wrong.
inline std::vector<std::string> run_texts(std::size_t n) {
    std::vector<std::string> out;
    for (std::string unit : {" ", "\n", "a", "{", " \n", "\xe3\x80\x80\n", "public\n", "\n a("})
        for (std::string tail : {"", "class Foo", "def foo", "UFUNCTION()\n void f(", "int f() {", "public class X",
                                 "  enum E", "UCLASS()\n class A"}) {
            std::string run;
            while (run.size() < n) run += unit;
            out.push_back(run + tail);
            out.push_back(tail + run + tail);
        }
    return out;
}

// Seeded token texts and runs together.
inline std::vector<std::string> routine_texts(unsigned seed, std::size_t run_length) {
    auto texts = token_texts(seed, 400);
    for (auto& t : run_texts(run_length)) texts.push_back(t);
    return texts;
}

// Every entry of `specs` that has a bounded routine gives the host's matches on `texts`.
inline void expect_routines_match_host(const std::vector<vorlane::PatternSpec>& specs,
                                       const std::vector<std::string>& texts) {
    std::vector<vorlane::PatternSpec> routed;
    for (const auto& s : specs)
        if (s.find_all) routed.push_back(s);
    ASSERT_FALSE(routed.empty());
    const auto expected = host_spans(routed, texts);
    for (std::size_t i = 0; i < routed.size(); ++i)
        for (std::size_t t = 0; t < texts.size(); ++t)
            ASSERT_EQ(spans_of(routed[i], texts[t]), expected[i][t])
                << routed[i].label << " on " << testing::PrintToString(texts[t]);
}

}  // namespace extract_support
