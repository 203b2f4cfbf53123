#pragma once
// Reading decoded JSON values the way the host reads its own maps and lists: absent
// keys told apart from null and the errors the host raises on malformed values, over
// core's reading of a value (its truth, str(), repr(), type name and hash key). Every
// helper is O(size of what it reads).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/errors.hpp"
#include "core/json.hpp"
#include "core/value.hpp"

namespace audit {

using core::Json;

// A value of the wrong type where the host would raise TypeError (or AttributeError).
using core::TypeError;

using core::hash_key;
using core::py_repr;
using core::py_str;
using core::truthy;
inline const char* type_name(const Json& v) { return core::py_type_name(v); }

// The map itself; TypeError when `v` is no map (`what` names the value in the message).
const Json& as_map(const Json& v);
// The member `key` of the map `m`, or nullptr when the key is absent (null is present).
const Json* find(const Json& m, std::string_view key);
// The member `key`; core::KeyError when it is absent.
const Json& require(const Json& m, std::string_view key);
// The list under `key`: an empty list when absent, TypeError when present but no list.
const Json& list_or_empty(const Json& m, std::string_view key);
// The map under `key`: an empty map when absent, TypeError when present but no map.
const Json& map_or_empty(const Json& m, std::string_view key);
// The text under `key`, `fallback` when absent; TypeError when present but not text.
std::string text_or(const Json& m, std::string_view key, std::string_view fallback);
// The text itself; TypeError otherwise.
const std::string& as_text(const Json& v);

// v == "text" with the host's equality (only a text can equal a text).
bool equals_text(const Json* v, std::string_view text);
// len(v) for a text (code points), list or map; TypeError otherwise.
std::size_t py_len(const Json& v);
// A number (bool counts as 0 or 1) as a double; TypeError otherwise.
double as_number(const Json& v);
bool is_number(const Json& v);
bool is_integer(const Json& v);  // int, not bool, not float

// f"{n:,}": decimal digits grouped by three with ",".
std::string group_thousands(std::int64_t n);

}  // namespace audit
