#pragma once
// How the packer reads stored JSON values beyond core's reading of a value: lists of
// texts joined for a line, and the saturating row arithmetic on stored (possibly huge)
// integers. O(size of what they read).
#include <cstdint>
#include <string>

#include "core/json.hpp"
#include "core/value.hpp"

namespace packing {

using core::Json;

// The host's reading of a stored value (core/value.hpp): whether it counts as set, its
// text form (lists and maps as one-line JSON text), int() of an integer, a map's member.
using core::display_text;
using core::int_value;
using core::member;
using core::truthy;

// The texts of a list joined with `sep` (its first `limit` items): items that are not
// texts are written in their text form.
std::string join_items(const Json& list, std::size_t limit, const char* sep);

// Saturating sum for the row arithmetic on stored (possibly huge) integers.
std::int64_t add_sat(std::int64_t a, std::int64_t b);

}  // namespace packing
