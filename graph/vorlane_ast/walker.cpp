#include "graph/vorlane_ast/walker.hpp"

#include "graph/kit/tables.hpp"
#include "graph/kit/walker.hpp"
#include "graph/vorlane_ast/constants.hpp"

namespace vorlane_ast {

bool should_scan(std::string_view path) { return graph_kit::scannable(path, SCAN_EXTS); }

std::vector<std::string> walk_files(std::string_view root, const core::StopFlag* stop) {
    static constexpr graph_kit::WalkRules kRules{
        [](std::string_view d) { return graph_kit::contains(kSkipDirs, d); }, {}, {}, &should_scan};
    graph_kit::WalkLimits limits;
    limits.stop = stop;
    return graph_kit::walk_files(root, kRules, limits);
}

}  // namespace vorlane_ast
