#pragma once
// Reading stored graphs and node maps as the host reads them: a text compared only with
// a text, a missing key a core::KeyError. Each call costs one lookup (linear in the
// keys of a map, which are few).
#include <string_view>

#include "core/json.hpp"

namespace graph_kit {

// Whether `v` is the text `s` (a value of another type never equals it).
bool is_text(const core::Json& v, std::string_view s);
// Whether the map `node` holds the text `kind` under "kind".
bool has_kind(const core::Json& node, std::string_view kind);
// obj[key]; core::KeyError (its what() the key) when `obj` is no map or lacks the key.
const core::Json& at(const core::Json& obj, std::string_view key);

}  // namespace graph_kit
