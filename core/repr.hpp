#pragma once
// The host's repr() of a text and of a float. One pass over the text.
#include <string>
#include <string_view>

namespace core {

// `s` is valid UTF-8 (lone surrogates allowed, shown escaped as the host shows them).
// repr(str): the host's literal form of a text, quotes chosen as the host chooses them,
// escapes for what str.isprintable() refuses.
std::string str_repr(std::string_view s);

// repr(float), which str() of a float also gives: nan, inf, -inf, and otherwise the
// digits json_float_text writes (1e-05, 0.1, -0.0, 1e+16).
std::string float_repr(double d);

}  // namespace core
