// UTF-8 host text and UTF-16 units, lone surrogates passed through.
#ifdef _WIN32

#include "core/wide.hpp"

namespace core::wide {

namespace {

void put_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::wstring from_text(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t len = 0;
        char32_t c = 0, min = 0;
        if (b < 0x80) {
            len = 1, c = b;
        } else if (b >= 0xC2 && b < 0xE0) {
            len = 2, c = b & 0x1F, min = 0x80;
        } else if (b >= 0xE0 && b < 0xF0) {
            len = 3, c = b & 0x0F, min = 0x800;
        } else if (b >= 0xF0 && b < 0xF5) {
            len = 4, c = b & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        if (!ok || c < min || c > 0x10FFFF) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
        i += len;
    }
    return out;
}

std::string to_text(std::wstring_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t u = static_cast<char16_t>(units[i]);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size()) {
            const char32_t low = static_cast<char16_t>(units[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                put_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        put_utf8(out, u);
    }
    return out;
}

}  // namespace core::wide

#endif  // _WIN32
