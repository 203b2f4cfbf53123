#include "graph/vorlane/patterns.hpp"

#include "graph/kit/frame.hpp"

namespace vorlane {

std::vector<PatternSpec> all_patterns() {
    std::vector<PatternSpec> out;
    for (auto table : {relation_patterns, graph_kit::frame_patterns, ts_patterns, py_patterns, rs_rb_patterns,
                       java_cs_patterns, php_patterns, c_cpp_patterns, summary_patterns, keyword_patterns}) {
        auto part = table();
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

}  // namespace vorlane
