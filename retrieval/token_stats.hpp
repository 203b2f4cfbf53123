#pragma once
// Token statistics over the rows of the token-usage log "token_usage.jsonl": events,
// the total, the sum per mode and the last 20 rows, with their text and JSON forms.
// Linear in the number of rows (plus sorting the modes for the text form).
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/json.hpp"

namespace retrieval {

// Totals are 128 bits wide: a sum of 64-bit counts cannot reach the end of the range.
__extension__ typedef __int128 TokenCount;

// The decimal text of a count.
std::string count_text(TokenCount v);

// The tokens of one `total_tokens` value as the host's int() takes it: an integer as it
// is, a real number truncated toward zero, true as 1 and false as 0, a text that holds a
// decimal integer. nullopt for what int() refuses (null, containers, non-finite numbers,
// other texts); std::overflow_error for a value beyond 128 bits, which no total can hold.
std::optional<TokenCount> tokens_of(const core::Json& value);


struct TokenStats {
    std::size_t event_count = 0;
    TokenCount total_tokens = 0;
    std::vector<std::pair<std::string, TokenCount>> by_mode;  // first occurrence first
    std::vector<core::Json> recent;                           // the last 20 rows, oldest first
};

// The statistics of the rows, in file order. A row that is not an object is no event
// and is left out everywhere; a row whose tokens cannot be converted counts with 0.
// std::overflow_error should a row's tokens or a total leave the 128-bit range.
TokenStats token_stats(const std::vector<core::Json>& rows);

// "Events: N", "Total tokens: T", then "- mode: sum" per mode in code-point order of the
// mode text; every line ends with a line feed.
std::string token_stats_text(const TokenStats& stats);
// The record {event_count, total_tokens, by_mode, recent} as JSON with an indent of two,
// ended by a line feed.
std::string token_stats_json(const TokenStats& stats);

}  // namespace retrieval
