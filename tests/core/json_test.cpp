// The JSON writer and reader against the host's json module, byte for byte.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/json.hpp"
#include "tests/core/json_host.hpp"

using core::Json;

namespace {

struct WriterCase {
    const char* python;  // the same value as a host expression
    Json value;
};

std::vector<WriterCase> writer_cases() {
    const std::int64_t i64max = std::numeric_limits<std::int64_t>::max();
    const std::int64_t i64min = std::numeric_limits<std::int64_t>::min();
    const std::uint64_t u64max = std::numeric_limits<std::uint64_t>::max();
    const double inf = std::numeric_limits<double>::infinity();
    return {
        {R"('a/b "q" \\ ~ ')", "a/b \"q\" \\ ~ "},
        {R"('\x00\x01\x08\x09\x0a\x0b\x0c\x0d\x1b\x1f\x7f')", std::string("\x00\x01\b\t\n\v\f\r\x1b\x1f\x7f", 11)},
        {R"('\xe9\u4e2d\u2028\xa0\x80\uffff')", "\xC3\xA9\xE4\xB8\xAD\xE2\x80\xA8\xC2\xA0\xC2\x80\xEF\xBF\xBF"},
        {R"('\U0001F600x\U0010FFFF')", "\xF0\x9F\x98\x80x\xF4\x8F\xBF\xBF"},
        // Lone surrogates, and a high and a low one side by side that stay two characters.
        {R"('\ud800-\udfff-\ud83d\ude00')", "\xED\xA0\x80-\xED\xBF\xBF-\xED\xA0\xBD\xED\xB8\x80"},
        {R"([[], {}, '', [[]], {'a': {}}, [{}]])", Json::array({Json::array(),
                                                                Json::object(),
                                                                "",
                                                                Json::array({Json::array()}),
                                                                {{"a", Json::object()}},
                                                                Json::array({Json::object()})})},
        {R"({'z': [1, {'y': None, 'x': [True, False]}], 'a': 'b', 'k\n\xe9': 2, '': 3})",
         Json{{"z", Json::array({1, Json{{"y", nullptr}, {"x", Json::array({true, false})}}})},
              {"a", "b"},
              {"k\n\xC3\xA9", 2},
              {"", 3}}},
        {"[0, -1, 7, 9223372036854775807, -9223372036854775808, 18446744073709551615]",
         Json::array({0, -1, 7u, i64max, i64min, u64max})},
        {"[0.1, 1e-05, 1e16, 1e15, 1.5e16, 123.0, -0.0, 0.0, 5e-324, 1.7976931348623157e308, 0.0001, 2.5e-05, "
         "1e22, 12345678.9, -1.5e-300, 9999999999999998.0, float('nan'), float('inf'), float('-inf')]",
         Json::array({0.1, 1e-05, 1e16, 1e15, 1.5e16, 123.0, -0.0, 0.0, 5e-324, 1.7976931348623157e308, 0.0001, 2.5e-05,
                      1e22, 12345678.9, -1.5e-300, 9999999999999998.0, std::numeric_limits<double>::quiet_NaN(), inf,
                      -inf})},
        {"True", true},
        {"None", nullptr},
        {"3.0", 3.0},
        {"'x'", "x"},
        {"[]", Json::array()},
        {"{}", Json::object()},
    };
}

}  // namespace

TEST(JsonWriter, MatchesHostDumpsInEveryForm) {
    const auto cases = writer_cases();
    std::vector<std::string> records;
    for (const auto& c : cases) records.emplace_back(c.python);
    const auto answers = json_host::run(
        "def handle(rec):\n"
        "    v = eval(rec.decode())\n"
        "    return '\\0'.join([json.dumps(v), json.dumps(v, indent=2), json.dumps(v, indent=0),\n"
        "                       json.dumps(v, indent=4)]).encode()\n",
        records);
    for (std::size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(cases[k].python);
        const Json& v = cases[k].value;
        const std::string ours = core::json_dumps(v) + '\0' + core::json_dumps_indent(v) + '\0' +
                                 core::json_dumps_indent(v, 0) + '\0' + core::json_dumps_indent(v, 4);
        EXPECT_EQ(ours, answers[k]);
    }
}

TEST(JsonWriter, WriteAppendsToWhatIsThere) {
    std::string out = "x=";
    core::json_write(out, Json{{"a", Json::array({1, 2})}}, -1);
    core::json_write(out, Json::array({1}), 2);
    EXPECT_EQ(out, "x={\"a\": [1, 2]}[\n  1\n]");
}

TEST(JsonWriter, FloatReprOfRandomDoublesMatchesHost) {
    std::mt19937_64 rng(20240611);
    std::vector<double> values;
    for (int k = 0; k < 3000; ++k) {
        const std::uint64_t bits = rng();
        // Half of them from plain magnitudes, where fixed and exponent forms meet.
        double d = std::bit_cast<double>(bits);
        if (k % 2) d = static_cast<double>(static_cast<std::int64_t>(bits >> 11)) / std::pow(10.0, k % 40 - 10);
        values.push_back(d);
    }
    std::vector<std::string> records;
    for (double d : values) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(d)));
        records.emplace_back(hex);
    }
    const auto answers = json_host::run(
        "import struct\n"
        "def handle(rec):\n"
        "    return json.dumps(struct.unpack('>d', bytes.fromhex(rec.decode()))[0]).encode()\n",
        records);
    for (std::size_t k = 0; k < values.size(); ++k)
        EXPECT_EQ(core::json_float_text(values[k]), answers[k]) << records[k];
}

namespace {

std::string nested(int depth) {
    std::string s;
    for (int k = 0; k < depth / 2; ++k) s += "[{\"k\": ";
    s += "1";
    for (int k = 0; k < depth / 2; ++k) s += "}]";
    return s;
}

std::string big_object() {
    std::string s = "{";
    for (int k = 0; k < 40; ++k) s += "\"k" + std::to_string(k) + "\": " + std::to_string(k) + ", ";
    return s + "\"k3\": \"again\", \"k30\": [1], \"new\": 0, \"k0\": null}";
}

// Texts for the reader; each is read under both byte-order-mark policies.
std::vector<std::string> reader_texts() {
    return {
        // accepted
        R"({"a": 1, "b": [true, false, null], "c": {"d": "e"}, "f": []})",
        " \t\n\r[ 1 ,\n2 ]\r\n",
        "[0, -0, 1.5, -1.5e3, 1E+2, 1e-2, 0.0, -0.0, 1e400, -1e400, 1e-400, 2.5e-324, 1.7976931348623157e308]",
        "[9223372036854775807, 9223372036854775808, 18446744073709551615, 18446744073709551616, "
        "-9223372036854775808, -9223372036854775809, 123456789012345678901234567890]",
        "[" + std::string(400, '7') + ", -" + std::string(400, '7') + "]",
        "[1e99999999999999999999, -1e-99999999999999999999, 0e99999999999999999999, 0.000001e-320, 1000e306]",
        "[NaN, Infinity, -Infinity]",
        R"("\"\\\/\b\f\n\r\t\u00e9\u00E9\uFFFF\ud83d\ude00\uD83D\uDE00")",
        R"(["\ud800", "\udc00", "\ud800x", "\ud800\u0041", "\ud800\ud800\udc00", "\udc00\ud800", "a\u0000b"])",
        "\"\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xE2\x80\xA8\x7f\"",
        R"({"a": 1, "b": 2, "a": 3})",
        big_object(),
        R"("x")",
        "3",
        " null ",
        nested(900),
        // refused
        "",
        "   ",
        "[",
        "{",
        "[1,]",
        "[,1]",
        R"({"a":1,})",
        R"({"a" 1})",
        R"({"a":})",
        R"({"a":1 "b":2})",
        "[1 2]",
        "[1,2",
        R"({"a":1)",
        "{1:2}",
        "{'a':1}",
        "\"abc",
        "\"a\nb\"",
        "[\"a\", \"b\x01\"]",
        "\"\\",
        "\"\\x\"",
        "\"\\'\"",
        "\"\\u12\"",
        "\"\\u12",
        "\"\\u1234",
        "\"\\uZZZZ\"",
        "\"\\u12g4\"",
        "\"\\ud800\\uzzzz\"",
        "\"\\ud800\\u12\"",
        "\"\\ud800\\udc00",
        "nul",
        "tru",
        "fals",
        "Na",
        "Infinit",
        "-Infinit",
        "nan",
        "-",
        "-Inf",
        "- 1",
        "01",
        "-01",
        "1.",
        "1.e5",
        "1e",
        "1e+",
        "1E-x",
        ".5",
        "+1",
        "1 2",
        "[1] x",
        "\xC3\xA9",
        "[\"\xC3\xA9\xF0\x9F\x98\x80\", x]",
        "\n\n  [1,\n x]",
        "\xC2\xA0 1",
        "\f1",
        "\xEF\xBC\x91",
        "\xEF\xBB\xBF[1]",
        "\xEF\xBB\xBF\xEF\xBB\xBF 1",
        " \xEF\xBB\xBF"
        "1",
    };
}

}  // namespace

TEST(JsonReader, MatchesHostLoadsOnTables) {
    std::vector<std::string> records;
    for (const auto& t : reader_texts()) {
        records.push_back("R" + t);
        records.push_back("S" + t);
    }
    const auto answers = json_host::run(json_host::kLoadsScript, records);
    for (std::size_t k = 0; k < records.size(); ++k) json_host::expect_loads_like_host(records[k], answers[k]);
}

TEST(JsonReader, DuplicateKeysKeepFirstPlaceInLargeObjects) {
    const Json v = core::json_loads(big_object());
    const auto& members = v.get_ref<const Json::object_t&>();
    ASSERT_EQ(members.size(), 41u);
    EXPECT_EQ(members.begin()[0].first, "k0");
    EXPECT_TRUE(members.begin()[0].second.is_null());
    EXPECT_EQ(members.begin()[3].second, "again");
    EXPECT_EQ(members.begin()[30].first, "k30");
    EXPECT_EQ(members.begin()[30].second, Json::array({1}));
    EXPECT_EQ(members.begin()[40].first, "new");
    // Lookups by key still work on the object built member by member.
    EXPECT_EQ(v.at("k39"), 39);
}

TEST(JsonReader, DeepNestingFailsWithAnErrorInsteadOfCrashing) {
    for (const std::string& open : {std::string("["), std::string("{\"a\": ")}) {
        std::string text;
        for (int k = 0; k < 200000; ++k) text += open;
        try {
            core::json_loads(text);
            ADD_FAILURE() << "accepted " << open;
        } catch (const core::JsonError& e) {
            EXPECT_EQ(e.msg.rfind("maximum recursion depth exceeded while decoding a JSON ", 0), 0u) << e.msg;
        }
    }
    EXPECT_NO_THROW(core::json_loads(nested(980)));
}

TEST(JsonReader, NumbersKeepTheirKind) {
    const Json v = core::json_loads("[1, -1, 18446744073709551615, 18446744073709551616, 1.0, 1e2]");
    EXPECT_TRUE(v[0].is_number_integer() && !v[0].is_number_float());
    EXPECT_EQ(v[1].get<std::int64_t>(), -1);
    EXPECT_TRUE(v[2].is_number_unsigned());
    EXPECT_EQ(v[2].get<std::uint64_t>(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_TRUE(v[3].is_number_float());
    EXPECT_DOUBLE_EQ(v[3].get<double>(), 18446744073709551616.0);
    EXPECT_TRUE(v[4].is_number_float());
    EXPECT_TRUE(v[5].is_number_float());
}

TEST(JsonFree, AStopEndsAFreeingInStepsAndAFreeWithoutOneEnds) {
    auto document = [] {
        Json nodes = Json::array();
        for (int i = 0; i < 5000; ++i) nodes.push_back({{"id", std::to_string(i)}, {"rows", {1, 2, 3}}});
        return Json{{"nodes", std::move(nodes)}, {"root", "x"}};
    };
    core::StopFlag stop;
    core::free_in_steps(document(), &stop);
    core::free_in_steps(document(), nullptr);
    stop.request();
    EXPECT_THROW(core::free_in_steps(document(), &stop), core::Stopped);
    core::free_kept();
}
