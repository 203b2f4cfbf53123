#pragma once
// The action log "action_events.jsonl": the one-line form of an event, the checks of
// its --meta object, and the tail of the rows read back. Each event is one append; a
// read parses the whole log (linear in its size), nothing is cached.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"

namespace retrieval {

// The host's isoformat() of an aware UTC moment, truncated to microseconds:
// "YYYY-MM-DDTHH:MM:SS.ffffff+00:00", the fraction left out at a whole second.
std::string iso_utc(std::chrono::system_clock::time_point t);

// The --meta text as an object. Empty text gives {}; anything that is not one JSON
// object (a syntax error, a byte-order mark, null, a list, a scalar) is refused with
// the reason that follows "invalid --meta JSON: ".
struct MetaParse {
    bool ok = false;
    core::Json meta;
    std::string reason;
};
MetaParse parse_meta(std::string_view text);

// One event as its log line: timestamp, kind, summary and meta in one line of JSON with
// ", " and ": ", ASCII only, ended by a line feed.
std::string event_line(std::string_view timestamp, std::string_view kind, std::string_view summary,
                       const core::Json& meta);

// Where rows[-limit:] starts in a list of n rows: the last `limit` rows for a positive
// limit, all of them for 0, all but the first |limit| for a negative one.
std::size_t tail_start(std::size_t n, std::int64_t limit);

// The rows of the action log at `path` cut by `limit` as above; none when the log does
// not exist. core::DecodeError or core::OsError when it cannot be read as UTF-8 text.
std::vector<core::Json> read_action_events(const std::string& path, std::int64_t limit);

}  // namespace retrieval
