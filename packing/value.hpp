#pragma once
// How the packer reads a stored JSON value the host's way: whether it counts as set
// (the host's truthiness) and the text it prints for it. Both are O(size of the value).
#include <cstdint>
#include <optional>
#include <string>

#include "core/json.hpp"

namespace packing {

using core::Json;

// Not null, false, zero, or an empty text, list or map.
bool is_set(const Json& v);

// str(v): a text unchanged, integers in decimal, True/False/None, floats as the host's
// repr (nan, inf); lists and maps as one-line JSON text.
std::string text_form(const Json& v);

// v as an integer when it is one (true and false count as 1 and 0, as in the host);
// nothing for any other kind. Unsigned values beyond the signed range saturate.
std::optional<std::int64_t> as_int(const Json& v);

// v[key] for a map holding the key; nullptr otherwise (also when v is not a map).
const Json* find(const Json& v, const char* key);

// The texts of a list joined with `sep` (its first `limit` items): items that are not
// texts are written in their text form.
std::string join_items(const Json& list, std::size_t limit, const char* sep);

// Saturating sum for the row arithmetic on stored (possibly huge) integers.
std::int64_t add_sat(std::int64_t a, std::int64_t b);

}  // namespace packing
