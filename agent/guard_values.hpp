#pragma once
// How the guard reads the loose values of its two JSON inputs as the host would: truth
// of a value, int() of a time, and the error that makes the guard step aside. Constant
// time per value (int() of a text is linear in the text).
#include <cstdint>
#include <stdexcept>

#include "core/json.hpp"
#include "core/value.hpp"

namespace agent::guard {

// An input of a shape the guard cannot use; the guard then allows the call (status 0).
struct Unusable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// bool(value): false for null, false, 0, 0.0, "", [] and {}.
using core::truthy;

// int(value) for a time: booleans as 0 and 1, numbers cut toward zero, texts by the
// host's int() rules; saturated at the int64 bounds. Unusable where the host raises
// (a text that is no integer, NaN, an infinity, a list or an object).
std::int64_t host_int(const core::Json& v);

}  // namespace agent::guard
