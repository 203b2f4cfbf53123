#pragma once
// The graph file's JSON straight between bytes and host objects, for speed: reading
// builds the host's own values from the UTF-8 bytes in one pass (no intermediate
// tree), writing walks the host's values once. Both keep the host's rules: reading
// gives what json.loads gives or declines (std::nullopt) so the caller can let the
// host's own reader report the exact error; writing gives json.dumps(v, indent=2)
// byte for byte and raises the same TypeError and ValueError.
#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <string_view>

namespace kestil_host {

// The value of a JSON text (a leading byte-order mark skipped), or nullopt when the
// text is not valid UTF-8, not valid JSON, nested deeper than the host's recursion
// allows, or holds a number the host reads differently than a double or integer.
std::optional<pybind11::object> read_json(std::string_view bytes);
// json.dumps(value, indent=2).
std::string dumps_indent(pybind11::handle value);

}  // namespace kestil_host
