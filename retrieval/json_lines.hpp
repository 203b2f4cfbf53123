#pragma once
// The rows of the engine's JSON-lines logs (action log, token-usage log) as the host
// reads them: the whole text decoded strictly, split at every line boundary, blank lines
// skipped, each other line one JSON document of the host's dialect (NaN, Infinity,
// integers of any size kept exact). A line that does not parse is skipped, and so is a
// line that starts with a byte-order mark. Linear in the size of the log.
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"

namespace retrieval {

// The rows of a decoded text, in order, whatever JSON type each one has.
std::vector<core::Json> parse_json_lines(std::string_view text);

// The rows of the log at `path`; none when no such entry exists. core::DecodeError when
// the file is not UTF-8, core::OsError when it cannot be read.
std::vector<core::Json> read_json_lines(const std::string& path);

}  // namespace retrieval
