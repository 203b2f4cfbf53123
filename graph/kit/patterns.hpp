#pragma once
// A pattern as both graph builders hold it: the host's pattern text with its flags and,
// where the plain search is not bounded in time, the routine that finds the same matches.
// Every analyser compiles its patterns from tables of these, so the differential tests
// that run each of them through the host's `re` and through the pattern layer see
// exactly what the builders use. Declarations only.
#include <functional>
#include <string_view>

#include "core/pattern.hpp"

namespace graph_kit {

using MatchFn = std::function<bool(const core::Match&)>;

struct PatternSpec {
    std::string_view label;  // a short name for test reports
    std::string_view text;   // the pattern in the host's syntax
    unsigned flags;          // core::ReFlags
    // When set, the builder finds this pattern's matches with this routine instead of the
    // compiled pattern (same matches, bounded time); the differential test checks it.
    void (*find_all)(std::string_view subject, const MatchFn& f) = nullptr;
};

}  // namespace graph_kit
