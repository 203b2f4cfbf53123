#pragma once
// int(text) with the host's rules: surrounding white space, one sign, decimal digits of
// any script (Unicode 14 Nd, the interpreter's table), single underscores between
// digits. Linear in the text's length; no allocation.
#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

struct PyInt {
    std::int64_t value;  // saturated at the int64 bounds when the number does not fit
    bool saturated;
};

// nullopt where the host raises ValueError ("invalid literal for int()").
std::optional<PyInt> py_int_from_text(std::string_view text);

}  // namespace core
