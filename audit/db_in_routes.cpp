#include "audit/db_in_routes.hpp"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/patterns.hpp"
#include "audit/values.hpp"
#include "core/text.hpp"

namespace audit {

core::Json check_db_in_routes(const core::Json& graph, const SourceReader& read) {
    const Json& nodes = list_or_empty(graph, "nodes");
    struct Found {
        std::size_t count;
        Json record;
    };
    std::vector<Found> found;
    for (const Json& n : nodes) {
        if (!equals_text(find(n, "kind"), "file")) continue;
        const std::string& id = as_text(require(n, "id"));
        std::string buf;
        if (!route_re().search(match_subject(id, buf)) || !is_code_path(id)) continue;
        const std::string text = read(id);

        std::size_t count = 0;
        // Distinct matched texts in first-seen order: a fixed choice where the host's set
        // order is open.
        std::vector<std::string> distinct;
        std::unordered_set<std::string_view> known;
        db_re().for_each(text, [&](const core::Match& m) {
            ++count;
            if (known.insert(m.group()).second) distinct.emplace_back(m.group());
            return true;
        });
        if (count == 0) continue;

        Json lines = Json::array();
        std::int64_t number = 0;
        for (std::string_view line : core::splitlines(text)) {
            ++number;
            if (lines.size() < 5 && db_re().search(line)) lines.push_back(number);
            if (lines.size() == 5) break;
        }
        Json patterns = Json::array();
        for (std::size_t i = 0; i < distinct.size() && i < 3; ++i) patterns.push_back(distinct[i]);

        Json rec = Json::object();
        rec["file"] = id;
        rec["count"] = count;
        rec["lines"] = std::move(lines);
        rec["patterns"] = std::move(patterns);
        found.push_back({count, std::move(rec)});
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.count > b.count; });
    Json out = Json::array();
    for (std::size_t i = 0; i < found.size() && i < 10; ++i) out.push_back(std::move(found[i].record));
    return out;
}

}  // namespace audit
