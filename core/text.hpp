#pragma once
// Text with the host's meaning: UTF-8 strings whose lengths, cuts and counts are in
// code points, with the host's white space, row splitting and full case mapping.
//
// Every std::string holding text is UTF-8. Strings that came from JSON or from file
// names may also hold lone surrogates, encoded as 3-byte sequences (ED A0..BF xx);
// only the JSON writer and the host conversion know about them.
//
// Every routine is one pass over its input (case mapping and digits through ICU's
// character properties, looked up per code point); none keeps state between calls.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Decoding of bytes read from a file.
// UTF-8 decoding with errors="ignore": every maximal invalid subpart is dropped,
// surrogates (ED A0..BF), overlongs and bytes F5..FF included. NUL stays.
std::string decode_utf8_ignore(std::string_view bytes);
// UTF-8 decoding with errors="replace": one U+FFFD for each maximal invalid subpart.
std::string decode_utf8_replace(std::string_view bytes);
// decode_utf8_replace, then the text-mode newline translation (a text file read with
// errors="replace").
std::string decode_text_mode_replace(std::string_view bytes);
// The same, reusing the buffer when the bytes are valid UTF-8 (no copy).
std::string decode_text_mode_replace(std::string&& bytes);
// Text-mode newline translation: "\r\n" and a lone "\r" each become "\n".
std::string translate_newlines(std::string_view text);
// Both, in the host's order (decode first, then translate), as the scan reads a file.
std::string decode_text_mode(std::string_view bytes);
// Strict validity (what the host's strict decoder accepts): no surrogates, no overlongs.
bool is_valid_utf8(std::string_view bytes);

// Code points.
// Decodes the code point at byte offset `pos` of valid UTF-8 (lone surrogates allowed)
// and moves `pos` past it.
// ASCII is decoded inline: most text of source files is ASCII, and this is called per
// character by the pattern walks.
char32_t next_cp_multibyte(std::string_view s, std::size_t& pos);
inline char32_t next_cp(std::string_view s, std::size_t& pos) {
    if (pos < s.size() && static_cast<unsigned char>(s[pos]) < 0x80) return static_cast<unsigned char>(s[pos++]);
    return next_cp_multibyte(s, pos);
}
void append_utf8(std::string& out, char32_t cp);
std::size_t cp_len(std::string_view s);
// The first `n` code points (the whole text when shorter): s[:n].
std::string_view cp_prefix(std::string_view s, std::size_t n);
// Byte offset `n` code points after byte offset `pos` (clamped to the end).
std::size_t cp_advance(std::string_view s, std::size_t pos, std::size_t n);

// Character classes, one code point each.
// str.isspace(): the host's 29 white-space code points.
bool is_space_beyond_ascii(char32_t c);
inline bool is_space(char32_t c) {
    if (c < 0x80) return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20);
    return is_space_beyond_ascii(c);
}
bool is_upper(char32_t c);       // str.isupper() of a one-character text (Uppercase property)
bool is_line_break(char32_t c);  // a row end of str.splitlines()
int decimal_value(char32_t c);   // the digit of a str.isdecimal() character, else -1
// Byte offset just past the run of white space (is_space) that starts at byte offset `pos`.
std::size_t space_end(std::string_view s, std::size_t pos);

// The host's str methods.
std::vector<std::string_view> splitlines(std::string_view s);  // str.splitlines()
std::string lower(std::string_view s);                         // str.lower(): full mapping, final sigma
std::string upper(std::string_view s);                         // str.upper(): full mapping
bool str_isspace(std::string_view s);                          // str.isspace() of the whole text
bool str_isupper(std::string_view s);                          // str.isupper() of the whole text
std::string_view strip(std::string_view s);                    // str.strip()
std::string_view lstrip(std::string_view s);                   // str.lstrip()
std::string_view rstrip(std::string_view s);                   // str.rstrip()
// str.strip(chars) / lstrip(chars) / rstrip(chars): `chars` is a set of code points.
std::string_view strip_chars(std::string_view s, std::string_view chars);
std::string_view lstrip_chars(std::string_view s, std::string_view chars);
std::string_view rstrip_chars(std::string_view s, std::string_view chars);
std::vector<std::string_view> split_ws(std::string_view s);  // str.split()
// str.split(sep) with a non-empty separator: empty pieces kept.
std::vector<std::string_view> split_sep(std::string_view s, std::string_view sep);
// str.count(sub) for a non-empty sub: non-overlapping, left to right.
std::size_t count(std::string_view s, std::string_view sub);
// str.replace(old, new) for a non-empty old.
std::string replace(std::string_view s, std::string_view old, std::string_view repl);

// int(s) of a text, any magnitude: surrounding white space, one sign, decimal digits of
// any script with single underscores between them. The value as plain ASCII decimal
// ("-42", "0"), or nullopt where the host raises ValueError. Linear in the text.
std::optional<std::string> int_text(std::string_view s);

}  // namespace core
