#include "graph/vorlane_ast/walker.hpp"

#include <algorithm>

#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/vorlane/walker.hpp"
#include "graph/vorlane_ast/constants.hpp"

namespace vorlane_ast {

namespace {

template <std::size_t N>
bool member(const std::array<std::string_view, N>& set, std::string_view s) {
    return std::find(set.begin(), set.end(), s) != set.end();
}

bool skip_dir(std::string_view name) { return member(kSkipDirs, name); }

}  // namespace

bool should_scan(std::string_view path) {
    const std::string text = core::paths::to_slash(path);
    if (text.find("/venv/") != std::string::npos || text.find("/.venv/") != std::string::npos) return false;
    return member(SCAN_EXTS, core::lower(core::paths::suffix(path)));
}

std::vector<std::string> walk_files(std::string_view root, const core::StopFlag* stop) {
    static constexpr vorlane::WalkRules kRules{&skip_dir, false, &should_scan};
    vorlane::WalkLimits limits;
    limits.stop = stop;
    return vorlane::walk_files(root, kRules, limits);
}

}  // namespace vorlane_ast
