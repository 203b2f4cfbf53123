#pragma once
// Terminal styles of the text report: a style name's escape sequence around a text.
// A table lookup and one copy of the text.
#include <string>
#include <string_view>

namespace audit {

// The escape sequence of a style name ("" for a name outside the table; exact case).
std::string_view style_code(std::string_view name);
// The text unchanged when `enabled` is false; otherwise the style's sequence, the text
// and the reset sequence (the reset is added for an unknown name as well).
std::string colour(std::string_view name, std::string_view text, bool enabled = true);

}  // namespace audit
