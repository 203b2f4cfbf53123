#pragma once
// The token estimate: the length of a text in code points divided by 3.2, rounded up.
// O(length) for a text; O(1) when the caller already knows the length.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace packing {

std::int64_t estimate_tokens_of_length(std::size_t code_points);
std::int64_t estimate_tokens(std::string_view text);  // UTF-8 text

}  // namespace packing
