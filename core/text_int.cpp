// int(text) as the host reads a decimal integer from a str.
#include <optional>
#include <string>

#include "core/text.hpp"

namespace core {

std::optional<std::string> int_text(std::string_view s) {
    s = strip(s);
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
        const int d = decimal_value(c);
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

}  // namespace core
