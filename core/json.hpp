#pragma once
// JSON values and the host's JSON text (json.dumps / json.loads with their defaults).
// Reading and writing are one pass, linear in the text and the value; the value is an
// ordered map per object (member order kept), so lookups in a large object are linear.
// Including this header pulls in the JSON library's templates: heavy to compile.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/stop.hpp"

namespace core {

using Json = nlohmann::ordered_json;

// json.dumps(v): one line, ", " between members and ": " after keys, ASCII only.
// With `stop`, a stop request is looked for before each member of a list or map (one
// load each) and ends the writing with core::Stopped.
std::string json_dumps(const Json& v, const StopFlag* stop = nullptr);
// json.dumps(v, indent=2): every member on its own line; no final line break. `stop` as
// above; `reserve` bytes are set aside at once for a text whose size is known roughly.
std::string json_dumps_indent(const Json& v, int indent = 2, const StopFlag* stop = nullptr, std::size_t reserve = 0);
// Appends instead of returning; indent < 0 is the one-line form.
void json_write(std::string& out, const Json& v, int indent);
// A JSON string literal of `s` (quotes included) in the host's ASCII-only form.
void json_write_string(std::string& out, std::string_view s);
// A float as json.dumps writes it: the shortest round-trip digits laid out as the host's
// repr(float) lays them out (1e-05, 1e+16, 0.1, 1000000000000000.0), and NaN, Infinity
// and -Infinity for the values JSON has no number for. core::float_repr is the host's
// repr itself.
std::string json_float_text(double d);

// What json.loads raises; what() is the host's message with its position, e.g.
// "Expecting value: line 1 column 4 (char 3)". Positions count code points.
struct JsonError : std::runtime_error {
    std::string msg;
    std::size_t pos, lineno, colno;
    JsonError(std::string msg_, std::size_t pos_, std::size_t lineno_, std::size_t colno_);
};

enum class Bom { Reject, Strip };

// Integers beyond 64 bits, held exact as their decimal text in a binary value of this
// subtype (a JSON text never yields a binary value otherwise). The writer prints the
// text; the host turns it into its own int.
inline constexpr std::uint8_t kBigIntSubtype = 0x42;
Json big_int(std::string_view decimal);
bool is_big_int(const Json& v);
// The decimal text of a big integer value (is_big_int(v) must hold).
std::string big_int_text(const Json& v);
// What the reader makes of an integer beyond 64 bits: a float (the default), or a big
// integer kept exact as the host keeps it.
enum class BigInts { AsFloat, Keep };

// json.loads of text: the host's dialect (NaN, Infinity, -Infinity, duplicate keys
// keep the first place and take the last value). Bom::Reject fails on a leading
// U+FEFF as the host does; Bom::Strip drops it first. `text` is valid UTF-8.
// Integers beyond 64 bits become floats unless `big` keeps them. With `stop`, a stop
// request is looked for at each list or map and ends the reading with core::Stopped.
Json json_loads(std::string_view text, Bom bom = Bom::Reject, BigInts big = BigInts::AsFloat,
                const StopFlag* stop = nullptr);

// Frees `doc` on this thread a piece at a time (the members of its lists and maps, and
// theirs), looking at `stop` between pieces: a stop hands what is left to
// keep_for_freeing() and ends with core::Stopped. For a document of a million nodes,
// whose freeing takes seconds.
void free_in_steps(Json&& doc, const StopFlag* stop);

}  // namespace core
