// The writer fed by the reader: whatever the reader accepts, both written forms are
// ASCII, read back to the same value and write the same text again. The first eight
// input bytes are also taken as a double for the float form.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/json.hpp"
#include "core/text.hpp"
#include "tests/fuzz/fuzz_common.hpp"

namespace {

bool printable_ascii(std::string_view s, bool newlines) {
    for (const char c : s)
        if (!((c >= 0x20 && c <= 0x7E) || (newlines && c == '\n'))) return false;
    return true;
}

void check_float(double d) {
    const std::string r = core::json_float_text(d);
    if (std::isnan(d)) {
        FUZZ_CHECK(r == "NaN", r);
        return;
    }
    if (std::isinf(d)) {
        FUZZ_CHECK(r == (d > 0 ? "Infinity" : "-Infinity"), r);
        return;
    }
    double back = 0;
    const auto res = std::from_chars(r.data(), r.data() + r.size(), back);
    FUZZ_CHECK(res.ec == std::errc() && res.ptr == r.data() + r.size(), r);
    FUZZ_CHECK(std::memcmp(&back, &d, sizeof d) == 0, r);  // same bits: -0.0 keeps its sign
    // Always recognisable as a float: a point, an exponent or both.
    FUZZ_CHECK(r.find_first_of(".e") != std::string::npos, r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= sizeof(double)) {
        double d;
        std::memcpy(&d, data, sizeof d);
        check_float(d);
    }
    const std::string text = core::decode_utf8_ignore(fuzz::as_view(data, size));
    core::Json v;
    try {
        v = core::json_loads(text, core::Bom::Strip);
    } catch (const core::JsonError&) {
        return 0;
    }
    const std::string line = core::json_dumps(v);
    const std::string indented = core::json_dumps_indent(v);
    FUZZ_CHECK(printable_ascii(line, false), line);
    FUZZ_CHECK(printable_ascii(indented, true), indented);
    FUZZ_CHECK(indented.empty() || indented.back() != '\n', "final line break in the indented form");
    try {
        FUZZ_CHECK(core::json_dumps(core::json_loads(line)) == line, line);
        FUZZ_CHECK(core::json_dumps(core::json_loads(indented)) == line, indented);
    } catch (const core::JsonError& e) {
        FUZZ_CHECK(false, std::string("written text does not read back: ") + e.what() + " in " + line);
    }
    return 0;
}
