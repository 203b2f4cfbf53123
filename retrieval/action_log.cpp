#include "retrieval/action_log.hpp"

#include <cstdio>

#include "retrieval/json_lines.hpp"

namespace retrieval {

std::string iso_utc(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    const auto us = floor<microseconds>(t);
    const auto day = floor<days>(us);
    const year_month_day ymd{day};
    const hh_mm_ss<microseconds> tod{us - day};
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(ymd.year()),
                          static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                          static_cast<int>(tod.hours().count()), static_cast<int>(tod.minutes().count()),
                          static_cast<int>(tod.seconds().count()));
    std::string out(buf, static_cast<std::size_t>(n));
    const auto micro = tod.subseconds().count();
    if (micro != 0) {
        n = std::snprintf(buf, sizeof buf, ".%06d", static_cast<int>(micro));
        out.append(buf, static_cast<std::size_t>(n));
    }
    out += "+00:00";
    return out;
}

MetaParse parse_meta(std::string_view text) {
    MetaParse out;
    if (text.empty()) {
        out.ok = true;
        out.meta = core::Json::object();
        return out;
    }
    try {
        core::Json v = core::json_loads(text, core::Bom::Reject, core::BigInts::Keep);
        if (!v.is_object()) {
            out.reason = "meta must be a JSON object";
            return out;
        }
        out.ok = true;
        out.meta = std::move(v);
    } catch (const core::JsonError& e) {
        out.reason = e.what();
    }
    return out;
}

std::string event_line(std::string_view timestamp, std::string_view kind, std::string_view summary,
                       const core::Json& meta) {
    core::Json event = core::Json::object();
    event["timestamp"] = std::string(timestamp);
    event["kind"] = std::string(kind);
    event["summary"] = std::string(summary);
    event["meta"] = meta;
    std::string line = core::json_dumps(event);
    line.push_back('\n');
    return line;
}

std::size_t tail_start(std::size_t n, std::int64_t limit) {
    if (limit == 0) return 0;
    if (limit > 0) {
        const auto keep = static_cast<std::uint64_t>(limit);
        return keep >= n ? 0 : n - static_cast<std::size_t>(keep);
    }
    // |limit| without overflow at the most negative value.
    const std::uint64_t drop = static_cast<std::uint64_t>(-(limit + 1)) + 1;
    return drop >= n ? n : static_cast<std::size_t>(drop);
}

std::vector<core::Json> read_action_events(const std::string& path, std::int64_t limit) {
    std::vector<core::Json> rows = read_json_lines(path);
    const std::size_t start = tail_start(rows.size(), limit);
    rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(start));
    return rows;
}

}  // namespace retrieval
