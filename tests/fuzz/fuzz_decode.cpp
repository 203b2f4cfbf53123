// The file decoder: undecodable bytes dropped, then "\r\n" and lone "\r" to "\n".
// Its output must be strictly valid UTF-8 without "\r", a fixed point of the decoder,
// and walkable code point by code point.
#include <cstdint>
#include <string>

#include "core/text.hpp"
#include "tests/fuzz/fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::as_view(data, size);
    const std::string text = core::decode_text_mode(bytes);
    const std::string plain = core::decode_utf8_ignore(bytes);

    FUZZ_CHECK(core::is_valid_utf8(text), "decoded text is not valid UTF-8");
    FUZZ_CHECK(core::is_valid_utf8(plain), "decode_utf8_ignore output is not valid UTF-8");
    FUZZ_CHECK(text.find('\r') == std::string::npos, "carriage return left in decoded text");
    FUZZ_CHECK(core::translate_newlines(plain) == text, "decode_text_mode differs from decode then translate");
    FUZZ_CHECK(core::decode_text_mode(text) == text, "decoding is not idempotent");
    FUZZ_CHECK(core::decode_utf8_ignore(plain) == plain, "ignore-decoding valid text changed it");
    FUZZ_CHECK(plain.size() <= bytes.size() && text.size() <= plain.size(), "decoding grew the text");
    if (core::is_valid_utf8(bytes)) FUZZ_CHECK(plain == bytes, "valid input was changed");

    // Code points: next_cp walks exactly cp_len steps and append_utf8 rebuilds the text.
    std::string rebuilt;
    std::size_t pos = 0, n = 0;
    while (pos < text.size()) {
        const std::size_t before = pos;
        const char32_t cp = core::next_cp(text, pos);
        FUZZ_CHECK(pos > before && pos <= text.size(), "next_cp did not advance within the text");
        core::append_utf8(rebuilt, cp);
        ++n;
    }
    FUZZ_CHECK(rebuilt == text, "append_utf8 of the code points does not rebuild the text");
    FUZZ_CHECK(n == core::cp_len(text), "cp_len disagrees with the walk");
    const std::size_t half = n / 2;
    FUZZ_CHECK(core::cp_len(core::cp_prefix(text, half)) == half, "cp_prefix cut the wrong length");
    FUZZ_CHECK(core::cp_prefix(text, n + 1) == text, "cp_prefix past the end is not the whole text");
    return 0;
}
