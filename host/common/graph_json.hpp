#pragma once
// The graph file's JSON straight between bytes and host objects, for speed: reading
// builds the host's own values from the UTF-8 bytes in one pass (no intermediate tree),
// writing walks the host's values once. Both keep the host's rules: reading gives what
// json.loads gives or declines (std::nullopt) so that the caller can let the host's own
// reader report the exact error; writing gives json.dumps(v, indent=2) byte for byte and
// raises the same TypeError and ValueError. A graph read here shares one key object per
// key text across all its maps, which later lookups by those keys profit from.
//
// The C++ side has its own pair for its own values (core/json.hpp); the two agree on
// every text, which the host-level tests and the fuzz target check against the host.
#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <string_view>

namespace host::graph_json {

// The value of a JSON text (a leading byte-order mark skipped), or nullopt when the
// text is not valid UTF-8, not valid JSON, nested deeper than 900 levels, or holds a
// float literal beyond a double's range (the host reads it as inf or 0.0).
std::optional<pybind11::object> read(std::string_view bytes);
// json.dumps(value, indent=2).
std::string dumps_indent(pybind11::handle value);

// The value of the JSON file at `path`: read() of its bytes, or, where that declines,
// the host's own json.loads of the file read as "utf-8-sig" text, with its errors.
// OSError when the file cannot be read.
pybind11::object load(const std::string& path);
// Writes dumps_indent(value) to `path` through a temporary file in the same directory
// renamed over the old one (core::fs::replace_text), so that a reader never sees half a
// file and a failed write leaves the previous one in place. The interpreter's lock is
// released while the file is written, and an interrupt (during the text or the write)
// keeps the previous file.
void store(const std::string& path, pybind11::handle value);

}  // namespace host::graph_json
