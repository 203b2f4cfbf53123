#pragma once
// repr(str): the host's literal form of a text (quotes chosen as the host chooses them,
// escapes for what str.isprintable() refuses). One pass over the text.
#include <string>
#include <string_view>

namespace core {

// `s` is valid UTF-8 (lone surrogates allowed, shown escaped as the host shows them).
std::string str_repr(std::string_view s);

}  // namespace core
