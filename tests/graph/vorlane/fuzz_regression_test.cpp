// Inputs that the fuzz targets (tests/fuzz) once failed on, kept as ordinary tests.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/pattern.hpp"
#include "graph/vorlane/patterns.hpp"

namespace {

using Spans = std::vector<std::size_t>;

std::vector<Spans> collect(const std::function<void(const vorlane::MatchFn&)>& run) {
    std::vector<Spans> out;
    run([&](const core::Match& m) {
        Spans s;
        for (int g = 0; g < m.groups_plus_one(); ++g) {
            s.push_back(m.has(g) ? m.start(g) : core::Match::npos);
            s.push_back(m.has(g) ? m.end(g) : core::Match::npos);
        }
        out.push_back(s);
        return true;
    });
    return out;
}

// A bounded-time routine must give the compiled pattern's matches on these texts, and
// neither may fail. Each text once made a routine search from inside a character.
TEST(FuzzRegression, BoundedRoutinesMatchTheirPatterns) {
    struct Case {
        std::string_view label, text;
    };
    const Case cases[] = {
        {"c_definition", "\xc4\x95("},  // a name of one two-byte letter right before "("
        {"c_definition", "\xc4\x95 \xc4\x96(x) {"},
        {"c_definition", "int\n\xe4\xb8\x80 f(void) {}"},
        {"c_declaration", "\xc4\x95("},
    };
    const auto table = vorlane::all_patterns();
    for (const Case& c : cases) {
        const vorlane::PatternSpec* spec = nullptr;
        for (const auto& s : table)
            if (s.label == c.label) spec = &s;
        ASSERT_NE(spec, nullptr) << c.label;
        ASSERT_NE(spec->find_all, nullptr) << c.label;
        const core::Regex re(spec->text, spec->flags);
        const std::string text(c.text);
        std::vector<Spans> bounded, compiled;
        ASSERT_NO_THROW(bounded = collect([&](const vorlane::MatchFn& f) { spec->find_all(text, f); }))
            << c.label << " on " << text;
        ASSERT_NO_THROW(compiled = collect([&](const vorlane::MatchFn& f) { re.for_each(text, f); }));
        EXPECT_EQ(bounded, compiled) << c.label << " on " << text;
    }
}

}  // namespace
