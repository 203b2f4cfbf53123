// Case mapping and case classes, from ICU's data with the root locale.
#include <algorithm>

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "core/text.hpp"

namespace core {

namespace {

bool all_ascii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

void map_segment(std::string& out, std::string_view seg, bool to_upper) {
    if (seg.empty()) return;
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(seg.data(), static_cast<int32_t>(seg.size())));
    if (to_upper)
        u.toUpper(icu::Locale::getRoot());
    else
        u.toLower(icu::Locale::getRoot());
    u.toUTF8String(out);
}

// Full case mapping of the whole text, so context rules (the final sigma) see their
// neighbours. A lone surrogate maps to itself and stands between two segments: in
// UTF-16 a high and a low one would otherwise pair up into one supplementary
// character. A surrogate is neither cased nor case-ignorable, so cutting there gives
// the context rules the same answer.
std::string map_case(std::string_view s, bool to_upper) {
    std::string out;
    if (all_ascii(s)) {
        out.assign(s);
        for (char& c : out) {
            if (to_upper && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            else if (!to_upper && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        }
        return out;
    }
    out.reserve(s.size() + s.size() / 8);
    std::size_t seg = 0, i = 0;
    while (i < s.size()) {
        if (static_cast<unsigned char>(s[i]) == 0xED && i + 1 < s.size() &&
            static_cast<unsigned char>(s[i + 1]) >= 0xA0) {
            map_segment(out, s.substr(seg, i - seg), to_upper);
            const std::size_t end = std::min(i + 3, s.size());
            out.append(s.substr(i, end - i));
            i = seg = end;
        } else {
            ++i;
        }
    }
    map_segment(out, s.substr(seg), to_upper);
    return out;
}

}  // namespace

std::string lower(std::string_view s) { return map_case(s, false); }

std::string upper(std::string_view s) { return map_case(s, true); }

bool is_upper(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z';
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_UPPERCASE);
}

int decimal_value(char32_t c) {
    if (c < 0x80) return c >= '0' && c <= '9' ? static_cast<int>(c - '0') : -1;
    const auto u = static_cast<UChar32>(c);
    return u_charType(u) == U_DECIMAL_DIGIT_NUMBER ? u_charDigitValue(u) : -1;
}

// True when the text holds an upper-case character and no lower-case or title-case one.
bool str_isupper(std::string_view s) {
    bool cased = false;
    for (std::size_t i = 0; i < s.size();) {
        const char32_t c = next_cp(s, i);
        if (c < 0x80) {
            if (c >= 'a' && c <= 'z') return false;
            cased = cased || (c >= 'A' && c <= 'Z');
            continue;
        }
        const auto u = static_cast<UChar32>(c);
        if (u_hasBinaryProperty(u, UCHAR_LOWERCASE) || u_charType(u) == U_TITLECASE_LETTER) return false;
        cased = cased || u_hasBinaryProperty(u, UCHAR_UPPERCASE);
    }
    return cased;
}

}  // namespace core
