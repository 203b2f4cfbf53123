#include "audit/colour.hpp"

#include <array>
#include <utility>

namespace audit {

std::string_view style_code(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 8> table = {{
        {"red", "\x1b[91m"},
        {"yellow", "\x1b[93m"},
        {"green", "\x1b[92m"},
        {"cyan", "\x1b[96m"},
        {"bold", "\x1b[1m"},
        {"dim", "\x1b[2m"},
        {"orange", "\x1b[33m"},
        {"reset", "\x1b[0m"},
    }};
    for (const auto& [n, code] : table)
        if (n == name) return code;
    return {};
}

std::string colour(std::string_view name, std::string_view text, bool enabled) {
    if (!enabled) return std::string(text);
    std::string out(style_code(name));
    out += text;
    out += style_code("reset");
    return out;
}

}  // namespace audit
