#include "audit/db_in_routes.hpp"

#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_set>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/file_ids.hpp"
#include "audit/parallel.hpp"
#include "audit/patterns.hpp"
#include "audit/values.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

struct Found {
    std::size_t count = 0;
    Json record;
};

// The record of one route file, or nothing when its text holds no database call.
std::optional<Found> file_record(const std::string& id, const std::string& text) {
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
    if (count == 0) return std::nullopt;

    Json lines = Json::array();
    std::int64_t number = 0;
    for (std::string_view line : core::splitlines(text)) {
        ++number;
        if (db_re().search(line)) lines.push_back(number);
        if (lines.size() == 5) break;
    }
    Json patterns = Json::array();
    for (std::size_t i = 0; i < distinct.size() && i < 3; ++i) patterns.push_back(distinct[i]);

    Json rec = Json::object();
    rec["file"] = id;
    rec["count"] = count;
    rec["lines"] = std::move(lines);
    rec["patterns"] = std::move(patterns);
    return Found{count, std::move(rec)};
}

}  // namespace

core::Json check_db_in_routes(const core::Json& graph, const SourceReader& read, unsigned threads,
                              const core::StopFlag* stop) {
    const FileIds files = file_ids(graph, [](const std::string& id) {
        std::string buf;
        return route_re().search(match_subject(id, buf)) && is_code_path(id);
    });
    const std::vector<std::string>& ids = files.ids;

    std::vector<std::optional<Found>> per_file(ids.size());
    const auto errors =
        parallel_for(0, ids.size(), threads, [&](std::size_t i) { per_file[i] = file_record(ids[i], read(ids[i])); });
    std::vector<Found> found;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        core::check_stop(stop);
        if (errors[i]) std::rethrow_exception(errors[i]);
        if (per_file[i]) found.push_back(std::move(*per_file[i]));
    }
    if (files.stop) std::rethrow_exception(files.stop);

    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.count > b.count; });
    Json out = Json::array();
    for (std::size_t i = 0; i < found.size() && i < 10; ++i) out.push_back(std::move(found[i].record));
    return out;
}

}  // namespace audit
