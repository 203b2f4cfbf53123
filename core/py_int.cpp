#include "core/py_int.hpp"

#include <unicode/uchar.h>

#include <limits>

#include "core/text.hpp"

namespace core {

namespace {

// The decimal value of a digit of any script, or -1. The interpreter's table is
// Unicode 14; the digits that Unicode 15 added (Kawi, Nag Mundari) are not digits there.
int digit_value(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c < 0x80) return -1;
    if ((c >= 0x11F50 && c <= 0x11F59) || (c >= 0x1E4F0 && c <= 0x1E4F9)) return -1;
    if (u_charType(static_cast<UChar32>(c)) != U_DECIMAL_DIGIT_NUMBER) return -1;
    return u_charDigitValue(static_cast<UChar32>(c));
}

// The host strips ASCII " \t\n\v\f\r" and white space beyond ASCII; U+001C..U+001F,
// white space to str.isspace(), are not white space to int().
bool int_space(char32_t c) { return is_space(c) && !(c >= 0x1C && c <= 0x1F); }

std::string_view strip_int_space(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size()) {
        std::size_t k = b;
        if (!int_space(next_cp(s, k))) break;
        b = k;
    }
    std::size_t e = s.size();
    while (e > b) {
        std::size_t k = e - 1;
        while (k > b && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) --k;
        std::size_t j = k;
        if (!int_space(next_cp(s, j))) break;
        e = k;
    }
    return s.substr(b, e - b);
}

}  // namespace

std::optional<PyInt> py_int_from_text(std::string_view text) {
    const std::string_view s = strip_int_space(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Accumulate the magnitude as a negative number, so that the int64 minimum fits.
    constexpr std::int64_t lo = std::numeric_limits<std::int64_t>::min();
    std::int64_t acc = 0;
    bool saturated = false, any = false, after_underscore = false;
    while (i < s.size()) {
        if (s[i] == '_') {
            if (!any || after_underscore) return std::nullopt;
            after_underscore = true;
            ++i;
            continue;
        }
        const char32_t c = next_cp(s, i);
        const int d = digit_value(c);
        if (d < 0) return std::nullopt;
        any = true;
        after_underscore = false;
        if (!saturated) {
            if (acc < (lo + d) / 10) {
                saturated = true;
            } else {
                acc = acc * 10 - d;
            }
        }
    }
    if (!any || after_underscore) return std::nullopt;
    if (saturated) return PyInt{negative ? lo : std::numeric_limits<std::int64_t>::max(), true};
    if (!negative) {
        if (acc == lo) return PyInt{std::numeric_limits<std::int64_t>::max(), true};
        return PyInt{-acc, false};
    }
    return PyInt{acc, false};
}

}  // namespace core
