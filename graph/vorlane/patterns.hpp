#pragma once
// The builder's patterns, each as the host's pattern text with its flags. Every analyser
// compiles its patterns from these tables, so the differential test that runs each of them
// through the host's `re` and through the pattern layer sees exactly what the builder uses.
#include <vector>

#include "graph/kit/patterns.hpp"

namespace vorlane {

// The tables hold the kit's pattern entries.
using graph_kit::MatchFn;
using graph_kit::PatternSpec;

// One table per analyser, in the order the analyser runs them.
std::vector<PatternSpec> relation_patterns();
std::vector<PatternSpec> ts_patterns();
std::vector<PatternSpec> py_patterns();
std::vector<PatternSpec> rs_rb_patterns();
std::vector<PatternSpec> java_cs_patterns();
std::vector<PatternSpec> php_patterns();
std::vector<PatternSpec> c_cpp_patterns();
std::vector<PatternSpec> summary_patterns();
std::vector<PatternSpec> keyword_patterns();

// All of the above and the symbol frame's (graph/kit/frame.hpp), concatenated.
std::vector<PatternSpec> all_patterns();

}  // namespace vorlane
