// int(text) as the host reads a decimal integer from a str.
#include <limits>
#include <optional>
#include <string>

#include <unicode/uchar.h>

#include "core/py_int.hpp"
#include "core/text.hpp"

namespace core {

namespace {

// The decimal value of a digit of any script, or -1. The interpreter's table is
// Unicode 14; the digits that Unicode 15 added (Kawi, Nag Mundari) are not digits there.
int int_digit(char32_t c) {
    if ((c >= 0x11F50 && c <= 0x11F59) || (c >= 0x1E4F0 && c <= 0x1E4F9)) return -1;
    return decimal_value(c);
}

// int() strips ASCII " \t\n\v\f\r" and white space beyond ASCII; U+001C..U+001F, white
// space to str.isspace(), are not white space to int().
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

std::optional<std::string> int_text(std::string_view s) {
    s = strip_int_space(s);
    std::string out;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        if (s.front() == '-') out.push_back('-');
        s.remove_prefix(1);
    }
    const std::size_t sign_len = out.size();
    bool after_digit = false, after_underscore = false;
    for (std::size_t i = 0; i < s.size();) {
        const char32_t c = next_cp(s, i);
        if (c == '_') {
            if (!after_digit) return std::nullopt;
            after_digit = false;
            after_underscore = true;
            continue;
        }
        const int d = int_digit(c);
        if (d < 0) return std::nullopt;
        // Leading zeros carry no value; the first significant digit starts the text.
        if (d != 0 || out.size() > sign_len) out.push_back(static_cast<char>('0' + d));
        after_digit = true;
        after_underscore = false;
    }
    if (!after_digit || after_underscore) return std::nullopt;
    if (out.size() == sign_len) return std::string("0");
    return out;
}

std::optional<PyInt> py_int_from_text(std::string_view text) {
    const std::optional<std::string> digits = int_text(text);
    if (!digits) return std::nullopt;
    std::string_view d = *digits;
    const bool negative = !d.empty() && d.front() == '-';
    if (negative) d.remove_prefix(1);
    // Accumulate the magnitude as a negative number, so that the int64 minimum fits.
    constexpr std::int64_t lo = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int64_t>::max();
    std::int64_t acc = 0;
    for (const char ch : d) {
        const int v = ch - '0';
        if (acc < (lo + v) / 10) return PyInt{negative ? lo : hi, true};
        acc = acc * 10 - v;
    }
    if (negative) return PyInt{acc, false};
    if (acc == lo) return PyInt{hi, true};
    return PyInt{-acc, false};
}

}  // namespace core
