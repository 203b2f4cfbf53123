#pragma once
// The builder's patterns, each as the host's pattern text with its flags. Every analyser
// compiles its patterns from these tables, so the differential test that runs each of them
// through the host's `re` and through the pattern layer sees exactly what the builder uses.
#include <functional>
#include <string_view>
#include <vector>

#include "core/pattern.hpp"

namespace vorlane {

using MatchFn = std::function<bool(const core::Match&)>;

struct PatternSpec {
    std::string_view label;  // a short name for test reports
    std::string_view text;   // the pattern in the host's syntax
    unsigned flags;          // core::ReFlags
    // When set, the builder finds this pattern's matches with this routine instead of the
    // compiled pattern (same matches, bounded time); the differential test checks it.
    void (*find_all)(std::string_view subject, const MatchFn& f) = nullptr;
};

// One table per analyser, in the order the analyser runs them.
std::vector<PatternSpec> relation_patterns();
std::vector<PatternSpec> frame_patterns();
std::vector<PatternSpec> ts_patterns();
std::vector<PatternSpec> py_patterns();
std::vector<PatternSpec> rs_rb_patterns();
std::vector<PatternSpec> java_cs_patterns();
std::vector<PatternSpec> php_patterns();
std::vector<PatternSpec> c_cpp_patterns();
std::vector<PatternSpec> summary_patterns();
std::vector<PatternSpec> keyword_patterns();

// All of the above, concatenated.
std::vector<PatternSpec> all_patterns();

}  // namespace vorlane
