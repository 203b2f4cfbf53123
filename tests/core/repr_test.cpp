// repr(str) as the host writes it: quotes, short escapes, and what str.isprintable() refuses.
#include "core/repr.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(StrRepr, MatchesTheHost) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a.py::f", "'a.py::f'"},
        {"it's", "\"it's\""},
        {"both'\"", "'both\\'\"'"},
        {"a\\b.py::f", "'a\\\\b.py::f'"},
        {"t\tn\nr\r", "'t\\tn\\nr\\r'"},
        {"\x01\x7f", "'\\x01\\x7f'"},
        {"caf\xC3\xA9", "'caf\xC3\xA9'"},
        {"\xC2\xA0\xC2\xAD", "'\\xa0\\xad'"},
        {"\xE2\x80\xA8", "'\\u2028'"},
        {"\xF3\xA0\x80\x81", "'\\U000e0001'"},
        {"\xF0\x9F\x98\x80", "'\xF0\x9F\x98\x80'"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(core::str_repr(in), want) << in;
}

}  // namespace
