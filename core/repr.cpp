#include "core/repr.hpp"

#include <unicode/uchar.h>

#include <cmath>
#include <cstdio>

#include "core/json.hpp"
#include "core/text.hpp"

namespace core {

namespace {

// str.isprintable() of one code point: everything but the "Other" and "Separator"
// categories, the blank excepted.
bool printable(char32_t c) {
    if (c == ' ') return true;
    switch (u_charType(static_cast<UChar32>(c))) {
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_SURROGATE:
        case U_PRIVATE_USE_CHAR:
        case U_UNASSIGNED:
        case U_SPACE_SEPARATOR:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
            return false;
        default:
            return true;
    }
}

void append_hex(std::string& out, const char* prefix, char32_t c, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%0*x", prefix, width, static_cast<unsigned>(c));
    out += buf;
}

}  // namespace

std::string str_repr(std::string_view s) {
    const bool has_single = s.find('\'') != std::string_view::npos;
    const bool has_double = s.find('"') != std::string_view::npos;
    const char quote = has_single && !has_double ? '"' : '\'';
    std::string out(1, quote);
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t at = i;
        const char32_t c = next_cp(s, i);
        if (c == static_cast<char32_t>(quote) || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x80 ? (c < 0x20 || c == 0x7f) : !printable(c)) {
            if (c < 0x100)
                append_hex(out, "\\x", c, 2);
            else if (c < 0x10000)
                append_hex(out, "\\u", c, 4);
            else
                append_hex(out, "\\U", c, 8);
        } else {
            out.append(s.substr(at, i - at));
        }
    }
    out += quote;
    return out;
}

std::string float_repr(double d) {
    if (std::isnan(d)) return "nan";
    if (std::isinf(d)) return d > 0 ? "inf" : "-inf";
    return json_float_text(d);
}

}  // namespace core
