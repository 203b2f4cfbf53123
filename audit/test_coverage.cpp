#include "audit/test_coverage.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/patterns.hpp"
#include "audit/values.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

bool is_exempt(std::string_view stem) { return stem == "index" || stem == "main" || stem == "init" || stem == "app"; }

}  // namespace

long long coverage_percent(long long covered, long long total) {
    if (total == 0) return 100;
    // Divide first, then scale, then round half to even: the host's round(c / t * 100).
    return static_cast<long long>(std::nearbyint(static_cast<double>(covered) / static_cast<double>(total) * 100.0));
}

std::string test_stem(std::string_view file_id) {
    // Each marker is removed once, the prefix from what the suffix removal left. The
    // matches are found on a view of the same byte length, then cut from the stem itself.
    std::string stem = stem_of(file_id), buf;
    if (auto m = test_stem_suffix_re().search(match_subject(stem, buf))) stem.erase(m->start(), m->end() - m->start());
    if (auto m = test_stem_prefix_re().search(match_subject(stem, buf))) stem.erase(m->start(), m->end() - m->start());
    return core::lower(stem);
}

core::Json check_test_coverage(const core::Json& graph, const std::string& root, const core::StopFlag* stop) {
    const Json& nodes = list_or_empty(graph, "nodes");
    std::vector<std::string> code_files, test_files;
    for (const Json& n : nodes) {
        core::check_stop(stop);
        if (!equals_text(find(n, "kind"), "file")) continue;
        const std::string& id = as_text(require(n, "id"));
        std::string buf;
        const bool is_test = test_pat().search(match_subject(id, buf)).has_value();
        if (is_test)
            test_files.push_back(id);
        else if (is_code_path(id))
            code_files.push_back(id);
    }

    std::unordered_set<std::string> tested;
    for (const auto& f : test_files) {
        core::check_stop(stop);
        tested.insert(test_stem(f));
    }

    std::vector<std::string> untested;
    for (const auto& f : code_files) {
        core::check_stop(stop);
        const std::string stem = core::lower(stem_of(f));
        if (!tested.count(stem) && !is_exempt(stem)) untested.push_back(f);
    }

    const long long total = static_cast<long long>(code_files.size());
    const long long covered = total - static_cast<long long>(untested.size());

    struct Sized {
        std::string id;
        std::uint64_t size;
    };
    std::vector<Sized> sized;
    for (std::size_t i = 0; i < untested.size() && i < 20; ++i) {
        const auto& f = untested[i];
        std::uint64_t size = 0;
        try {
            const core::fs::Status s = core::fs::current().stat(core::paths::join(root, f));
            if (s.ok()) size = s.size;
        } catch (const std::exception&) {
            size = 0;
        }
        sized.push_back({f, size});
    }
    std::stable_sort(sized.begin(), sized.end(), [](const Sized& a, const Sized& b) { return a.size > b.size; });

    Json list = Json::array();
    for (std::size_t i = 0; i < sized.size() && i < 15; ++i) list.push_back(sized[i].id);
    Json out = Json::object();
    out["total_code_files"] = total;
    out["tested_files"] = covered;
    out["coverage_pct"] = coverage_percent(covered, total);
    out["untested"] = std::move(list);
    return out;
}

}  // namespace audit
