#include "graph/vorlane/walker.hpp"

#include "graph/kit/tables.hpp"
#include "graph/vorlane/constants.hpp"

namespace vorlane {

bool should_scan(std::string_view path) { return graph_kit::scannable(path, SCAN_EXTS); }

std::vector<std::string> walk_files(std::string_view root) { return walk_files(root, graph_kit::WalkLimits{}); }

std::vector<std::string> walk_files(std::string_view root, const graph_kit::WalkLimits& limits) {
    static constexpr graph_kit::WalkRules kRules{[](std::string_view d) { return graph_kit::contains(SKIP_DIRS, d); },
                                                 CONDITIONAL_SKIP, ARTIFACT_MARKERS, &should_scan};
    return graph_kit::walk_files(root, kRules, limits);
}

}  // namespace vorlane
