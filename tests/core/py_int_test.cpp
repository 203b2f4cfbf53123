// int(text) against the host on every single code point and on the forms around the
// digits (white space, signs, underscores, sizes).
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "core/py_int.hpp"
#include "core/text.hpp"
#include "tests/core/host_script.hpp"

namespace {

// Runs the host over the texts: each answer is the value (saturated to int64 the same
// way) or null where int() raises.
nlohmann::json host_ints(const nlohmann::json& texts) {
    return host_script::run_host_script(R"PY(
import json, sys
lo, hi = -2**63, 2**63 - 1
def conv(t):
    try:
        v = int(t)
    except ValueError:
        return None
    return max(lo, min(hi, v))
texts = json.load(open(sys.argv[1]))
json.dump([conv(t) for t in texts], open(sys.argv[2], 'w'))
)PY",
                                        texts);
}

TEST(PyInt, AgreesWithTheHost) {
    nlohmann::json texts = nlohmann::json::array();
    for (char32_t c = 0; c < 0x110000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string s;
        core::append_utf8(s, c);
        texts.push_back(s);            // digits of every script, and everything that is not one
        texts.push_back(s + "7" + s);  // white space around a digit
    }
    for (const char* t : {"",
                          " ",
                          "+",
                          "-",
                          "-0",
                          "+12",
                          "- 1",
                          "+-1",
                          "1_000",
                          "_1",
                          "1_",
                          "1__0",
                          "0_0",
                          "007",
                          "12.5",
                          "1e3",
                          "9223372036854775807",
                          "9223372036854775808",
                          "-9223372036854775808",
                          "-9223372036854775809",
                          "99999999999999999999999",
                          "\t\n 42 \r\x0b\x0c",
                          "\u00a012\u3000",
                          "\x1c"
                          "12",
                          "12\x1f",
                          "1 2",
                          "\u0663\u0664"})
        texts.push_back(t);
    const nlohmann::json want = host_ints(texts);
    ASSERT_EQ(want.size(), texts.size());
    std::size_t differences = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto got = core::py_int_from_text(texts[i].get<std::string>());
        const nlohmann::json g = got ? nlohmann::json(got->value) : nlohmann::json(nullptr);
        if (g != want[i] && ++differences < 20)
            ADD_FAILURE() << texts[i].dump() << " host " << want[i] << " ours " << g;
    }
    EXPECT_EQ(differences, 0u);
}

}  // namespace
