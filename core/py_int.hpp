#pragma once
// int(text) as a 64-bit value: core::int_text's reading (the host's int() rules: white
// space, one sign, digits of any script, single underscores), saturated at the int64
// bounds. Linear in the text's length.
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
