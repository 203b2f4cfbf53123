#include "graph/vorlane_ast/summary.hpp"

#include "graph/vorlane/patterns.hpp"
#include "graph/vorlane/summary.hpp"

namespace vorlane_ast {

// The pattern-based builder's summary takes its lead and its names by the same rules for
// these five extensions and has names of its own for other languages, which this builder
// does not list: those files are summarised as a file of unknown type would be (the
// extension takes part in nothing else).
std::string make_summary(std::string_view content, std::string_view path, std::string_view ext) {
    const bool named = ext == ".py" || ext == ".ts" || ext == ".tsx" || ext == ".js" || ext == ".jsx";
    return vorlane::make_summary(content, path, named ? ext : std::string_view());
}

std::vector<graph_kit::PatternSpec> summary_patterns() {
    std::vector<graph_kit::PatternSpec> out;
    for (const graph_kit::PatternSpec& s : vorlane::summary_patterns())
        for (std::string_view used :
             {"summary.py_doc", "summary.block_doc", "summary.py_names", "summary.ts_names", "summary.final_ext"})
            if (s.label == used) out.push_back(s);
    return out;
}

}  // namespace vorlane_ast
