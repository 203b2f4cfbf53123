// The JSON reader on arbitrary text, under both byte-order-mark policies: it returns a
// value that the writer can write or raises JsonError with a position inside the text;
// the policies differ only on a leading U+FEFF, which Strip drops and Reject refuses.
#include <cstdint>
#include <optional>
#include <string>

#include "core/json.hpp"
#include "core/text.hpp"
#include "tests/fuzz/fuzz_common.hpp"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The value written in one-line form, or the error as "error: <message>".
std::string outcome(std::string_view text, core::Bom bom) {
    try {
        return core::json_dumps(core::json_loads(text, bom));
    } catch (const core::JsonError& e) {
        const std::size_t chars = core::cp_len(text);
        FUZZ_CHECK(e.pos <= chars, e.what());
        FUZZ_CHECK(e.lineno >= 1 && e.colno >= 1 && e.colno <= e.pos + 1, e.what());
        FUZZ_CHECK(std::string(e.what()).find(e.msg) == 0, e.what());
        return "error: " + std::string(e.what());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes text, so the input is decoded the way every file is read.
    const std::string text = core::decode_utf8_ignore(fuzz::as_view(data, size));
    const std::string rejected = outcome(text, core::Bom::Reject);
    const std::string stripped = outcome(text, core::Bom::Strip);
    if (text.compare(0, kBom.size(), kBom) == 0) {
        FUZZ_CHECK(rejected.rfind("error: ", 0) == 0, "a leading byte-order mark was accepted");
        FUZZ_CHECK(stripped == outcome(std::string_view(text).substr(kBom.size()), core::Bom::Reject),
                   "Strip is not Reject after the mark");
    } else {
        FUZZ_CHECK(rejected == stripped, "the policies differ on text without a byte-order mark");
    }
    return 0;
}
