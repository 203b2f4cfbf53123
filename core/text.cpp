// Decoding, code points, white space, row splitting and the plain str helpers.
// Case mapping and the case classes live in text_case.cpp (they need ICU).
#include "core/text.hpp"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace core {

namespace {

using uchar = unsigned char;

bool is_cont(uchar b) { return (b & 0xC0) == 0x80; }

// Length (1..4) of the well-formed sequence at `p`, or 0 when it is ill-formed; then
// `bad` is the length of its maximal invalid subpart (the lead byte and the
// continuation bytes that still fit), so decoding resumes at the first byte that broke
// the sequence. With `surrogates`, ED A0..BF (a lone surrogate) counts as well-formed.
std::size_t seq_len(const uchar* p, const uchar* end, bool surrogates, std::size_t& bad) {
    const uchar c = *p;
    if (c < 0x80) return 1;
    std::size_t n;
    uchar lo = 0x80, hi = 0xBF;
    if (c < 0xC2) {
        bad = 1;
        return 0;
    } else if (c < 0xE0) {
        n = 2;
    } else if (c < 0xF0) {
        n = 3;
        if (c == 0xE0)
            lo = 0xA0;
        else if (c == 0xED && !surrogates)
            hi = 0x9F;
    } else if (c < 0xF5) {
        n = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        bad = 1;
        return 0;
    }
    std::size_t i = 1;
    for (; i < n && p + i < end; ++i) {
        if (p[i] < lo || p[i] > hi) break;
        lo = 0x80;
        hi = 0xBF;
    }
    if (i == n) return n;
    bad = i;
    return 0;
}

// Skips a run of ASCII bytes eight at a time.
const uchar* skip_ascii(const uchar* p, const uchar* end) {
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ULL) break;
        p += 8;
    }
    while (p < end && *p < 0x80) ++p;
    return p;
}

const uchar* bytes_of(std::string_view s) { return reinterpret_cast<const uchar*>(s.data()); }

// "\r\n" and lone "\r" to "\n", compacting in place.
void translate_in_place(std::string& s) {
    const std::size_t n = s.size();
    const void* hit = std::memchr(s.data(), '\r', n);
    if (!hit) return;
    char* d = s.data();
    std::size_t r = static_cast<const char*>(hit) - d, w = r;
    while (r < n) {
        // d[r] is "\r" here.
        d[w++] = '\n';
        ++r;
        if (r < n && d[r] == '\n') ++r;
        const void* next = std::memchr(d + r, '\r', n - r);
        const std::size_t stop = next ? static_cast<const char*>(next) - d : n;
        std::memmove(d + w, d + r, stop - r);
        w += stop - r;
        r = stop;
    }
    s.resize(w);
}

// Byte offset of the code point that ends at `end` (> 0).
std::size_t prev_start(std::string_view s, std::size_t end) {
    std::size_t i = end - 1;
    while (i > 0 && is_cont(static_cast<uchar>(s[i])) && end - i < 4) --i;
    return i;
}

char32_t cp_at(std::string_view s, std::size_t pos) { return next_cp(s, pos); }

// The code points of `chars`, for membership tests.
std::u32string cp_set(std::string_view chars) {
    std::u32string set;
    for (std::size_t i = 0; i < chars.size();) set.push_back(next_cp(chars, i));
    return set;
}

template <class Pred>
std::size_t lstrip_end(std::string_view s, Pred in_set) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i;
        if (!in_set(next_cp(s, j))) break;
        i = j;
    }
    return i;
}

template <class Pred>
std::size_t rstrip_end(std::string_view s, std::size_t floor, Pred in_set) {
    std::size_t e = s.size();
    while (e > floor) {
        const std::size_t b = prev_start(s, e);
        if (!in_set(cp_at(s, b))) break;
        e = b;
    }
    return e;
}

// UTF-8 decoding that puts `replacement` in place of each maximal invalid subpart.
std::string decode_utf8_with(std::string_view bytes, std::string_view replacement) {
    const uchar* const begin = bytes_of(bytes);
    const uchar* const end = begin + bytes.size();
    const uchar* p = begin;
    const uchar* run = begin;  // start of the well-formed text not yet copied
    std::string out;
    while ((p = skip_ascii(p, end)) < end) {
        std::size_t bad = 0;
        const std::size_t n = seq_len(p, end, false, bad);
        if (n) {
            p += n;
            continue;
        }
        if (out.capacity() == 0) out.reserve(bytes.size() + (replacement.empty() ? 0 : 16));
        out.append(reinterpret_cast<const char*>(run), p - run);
        out += replacement;
        p += bad;
        run = p;
    }
    if (run == begin) return std::string(bytes);
    out.append(reinterpret_cast<const char*>(run), end - run);
    return out;
}

}  // namespace

std::string decode_utf8_ignore(std::string_view bytes) { return decode_utf8_with(bytes, ""); }

std::string decode_utf8_replace(std::string_view bytes) { return decode_utf8_with(bytes, "\xEF\xBF\xBD"); }  // U+FFFD

std::string decode_text_mode_replace(std::string_view bytes) {
    std::string out = decode_utf8_replace(bytes);
    translate_in_place(out);
    return out;
}

std::string decode_text_mode_replace(std::string&& bytes) {
    if (!is_valid_utf8(bytes)) return decode_text_mode_replace(std::string_view(bytes));
    translate_in_place(bytes);
    return std::move(bytes);
}

std::string translate_newlines(std::string_view text) {
    std::string out(text);
    translate_in_place(out);
    return out;
}

std::string decode_text_mode(std::string_view bytes) {
    std::string out = decode_utf8_ignore(bytes);
    translate_in_place(out);
    return out;
}

bool is_valid_utf8(std::string_view bytes) {
    const uchar* p = bytes_of(bytes);
    const uchar* const end = p + bytes.size();
    while ((p = skip_ascii(p, end)) < end) {
        std::size_t bad = 0;
        const std::size_t n = seq_len(p, end, false, bad);
        if (!n) return false;
        p += n;
    }
    return true;
}

char32_t next_cp_multibyte(std::string_view s, std::size_t& pos) {
    const uchar* p = bytes_of(s) + pos;
    const uchar* const end = bytes_of(s) + s.size();
    if (p >= end) return 0;
    std::size_t bad = 0;
    const std::size_t n = seq_len(p, end, true, bad);
    if (!n) {  // not expected in our text; never read past it
        pos += bad;
        return 0xFFFD;
    }
    pos += n;
    switch (n) {
        case 1:
            return p[0];
        case 2:
            return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
        case 3:
            return (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        default:
            return (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) |
                   (p[3] & 0x3F);
    }
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {  // lone surrogates too, in their 3-byte form
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x110000) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += "\xEF\xBF\xBD";
    }
}

std::size_t cp_len(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s) n += !is_cont(static_cast<uchar>(c));
    return n;
}

std::size_t cp_advance(std::string_view s, std::size_t pos, std::size_t n) {
    const std::size_t size = s.size();
    for (; n > 0 && pos < size; --n) {
        ++pos;
        while (pos < size && is_cont(static_cast<uchar>(s[pos]))) ++pos;
    }
    return pos < size ? pos : size;
}

std::string_view cp_prefix(std::string_view s, std::size_t n) { return s.substr(0, cp_advance(s, 0, n)); }

bool is_space_beyond_ascii(char32_t c) {
    switch (c) {
        case 0x85:
        case 0xA0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

bool is_line_break(char32_t c) {
    switch (c) {
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D:
        case 0x1C:
        case 0x1D:
        case 0x1E:
        case 0x85:
        case 0x2028:
        case 0x2029:
            return true;
        default:
            return false;
    }
}

std::vector<std::string_view> splitlines(std::string_view s) {
    std::vector<std::string_view> rows;
    const std::size_t n = s.size();
    std::size_t start = 0, i = 0;
    while (i < n) {
        const uchar c = static_cast<uchar>(s[i]);
        std::size_t brk = 0;  // length of the break at i
        if (c < 0x20) {
            if ((c >= 0x0A && c <= 0x0D) || (c >= 0x1C && c <= 0x1E))
                brk = (c == '\r' && i + 1 < n && s[i + 1] == '\n') ? 2 : 1;
        } else if (c == 0xC2) {
            if (i + 1 < n && static_cast<uchar>(s[i + 1]) == 0x85) brk = 2;
        } else if (c == 0xE2) {
            if (i + 2 < n && static_cast<uchar>(s[i + 1]) == 0x80 &&
                (static_cast<uchar>(s[i + 2]) == 0xA8 || static_cast<uchar>(s[i + 2]) == 0xA9))
                brk = 3;
        }
        if (brk) {
            rows.push_back(s.substr(start, i - start));
            i += brk;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n) rows.push_back(s.substr(start));
    return rows;
}

bool str_isspace(std::string_view s) {
    if (s.empty()) return false;
    for (std::size_t i = 0; i < s.size();)
        if (!is_space(next_cp(s, i))) return false;
    return true;
}

std::string_view lstrip(std::string_view s) { return s.substr(lstrip_end(s, is_space)); }

std::string_view rstrip(std::string_view s) { return s.substr(0, rstrip_end(s, 0, is_space)); }

std::string_view strip(std::string_view s) {
    const std::size_t b = lstrip_end(s, is_space);
    return s.substr(b, rstrip_end(s, b, is_space) - b);
}

std::string_view lstrip_chars(std::string_view s, std::string_view chars) {
    const std::u32string set = cp_set(chars);
    return s.substr(lstrip_end(s, [&](char32_t c) { return set.find(c) != set.npos; }));
}

std::string_view rstrip_chars(std::string_view s, std::string_view chars) {
    const std::u32string set = cp_set(chars);
    return s.substr(0, rstrip_end(s, 0, [&](char32_t c) { return set.find(c) != set.npos; }));
}

std::string_view strip_chars(std::string_view s, std::string_view chars) {
    const std::u32string set = cp_set(chars);
    const auto in_set = [&](char32_t c) { return set.find(c) != set.npos; };
    const std::size_t b = lstrip_end(s, in_set);
    return s.substr(b, rstrip_end(s, b, in_set) - b);
}

std::vector<std::string_view> split_ws(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0, start = 0;
    bool in_word = false;
    while (i < s.size()) {
        const std::size_t at = i;
        const bool space = is_space(next_cp(s, i));
        if (space && in_word)
            words.push_back(s.substr(start, at - start));
        else if (!space && !in_word)
            start = at;
        in_word = !space;
    }
    if (in_word) words.push_back(s.substr(start));
    return words;
}

std::vector<std::string_view> split_sep(std::string_view s, std::string_view sep) {
    if (sep.empty()) throw std::invalid_argument("empty separator");
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t hit; (hit = s.find(sep, start)) != s.npos; start = hit + sep.size())
        pieces.push_back(s.substr(start, hit - start));
    pieces.push_back(s.substr(start));
    return pieces;
}

std::size_t count(std::string_view s, std::string_view sub) {
    if (sub.empty()) return cp_len(s) + 1;  // every gap between code points, as the host counts
    std::size_t n = 0;
    for (std::size_t at = s.find(sub); at != s.npos; at = s.find(sub, at + sub.size())) ++n;
    return n;
}

std::string replace(std::string_view s, std::string_view old, std::string_view repl) {
    std::string out;
    if (old.empty()) {  // the host inserts `repl` before every code point and at the end
        out.reserve(s.size() + (cp_len(s) + 1) * repl.size());
        out.append(repl);
        for (std::size_t i = 0; i < s.size();) {
            const std::size_t at = i;
            next_cp(s, i);
            out.append(s.substr(at, i - at));
            out.append(repl);
        }
        return out;
    }
    std::size_t start = 0;
    for (std::size_t hit; (hit = s.find(old, start)) != s.npos; start = hit + old.size()) {
        out.append(s.substr(start, hit - start));
        out.append(repl);
    }
    out.append(s.substr(start));
    return out;
}

std::size_t space_end(std::string_view s, std::size_t pos) {
    while (pos < s.size()) {
        const auto c = static_cast<unsigned char>(s[pos]);
        if (c < 0x80) {
            // ASCII white space: \t \n \v \f \r, U+001C..U+001F and the blank.
            if ((c >= 0x09 && c <= 0x0d) || (c >= 0x1c && c <= 0x20)) {
                ++pos;
                continue;
            }
            break;
        }
        std::size_t next = pos;
        if (!is_space(next_cp(s, next))) break;
        pos = next;
    }
    return pos;
}

}  // namespace core
