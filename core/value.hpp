#pragma once
// The host's reading of a decoded JSON value, for every library that tests or prints a
// stored value: its type name, its truth, str() and repr(), a member looked up with an
// absent key told apart from null, int() of a stored integer and the key the host's
// sets and dicts hold it under. Each is O(size of the value it reads). Integers beyond
// 64 bits (core::big_int values) read as the host's int throughout.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/json.hpp"

namespace core {

// The host's type name of a value: NoneType, bool, int, float, str, list, dict.
const char* py_type_name(const Json& v);

// bool(v) as the host answers it: false for null, false, 0, 0.0, "" and empty lists and
// maps; NaN and big integers are true.
bool truthy(const Json& v);

// str(v) and repr(v): floats as the host prints them ("nan", "inf", "1e-05"), texts
// quoted by repr as the host quotes them, lists and maps in the host's literal form.
std::string py_str(const Json& v);
std::string py_repr(const Json& v);

// str(v) for a scalar and one-line JSON text (json.dumps) for a list or a map.
std::string display_text(const Json& v);

// v[key] for a map holding the key; nullptr otherwise (also when v is no map).
const Json* member(const Json& v, std::string_view key);

// v as an integer when it is one (true and false count as 1 and 0, as in the host);
// nothing for any other kind. Integers beyond the signed range saturate.
std::optional<std::int64_t> int_value(const Json& v);

// A key that is equal for values the host's sets and dicts hold as one key (1, 1.0 and
// true are one key); TypeError for a list or a map, which the host cannot hash.
std::string hash_key(const Json& v);

}  // namespace core
