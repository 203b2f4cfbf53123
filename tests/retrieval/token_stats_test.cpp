// Token statistics: the int() conversion of `total_tokens` against the host's, the mode
// texts, totals and the two printed forms.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/json.hpp"
#include "core/text.hpp"
#include "core/value.hpp"
#include "retrieval/json_lines.hpp"
#include "retrieval/token_stats.hpp"
#include "tests/core/json_host.hpp"

namespace {

using core::Json;
using retrieval::TokenCount;

std::vector<Json> rows_of(const std::string& log) { return retrieval::parse_json_lines(log); }

}  // namespace

TEST(TokenCounts, ConvertAsTheHostsIntDoes) {
    // Each record is one JSON value; the host answers int(value) or "E".
    const std::vector<std::string> values = {
        "12",
        "-3",
        "0",
        "12.9",
        "-3.5",
        "0.99",
        "1e30",
        "-1e30",
        "true",
        "false",
        "\"42\"",
        "\" -7 \\n\"",
        "\"+5\"",
        "\"007\"",
        "\"1_000\"",
        "\"\\u0663\\u0660\"",
        "\"\\u3000 8\\u2029\"",
        "\"1__0\"",
        "\"_1\"",
        "\"1_\"",
        "\"\"",
        "\"-\"",
        "\"x\"",
        "\"1.5\"",
        "\"0x10\"",
        "\"\\u00b2\"",
        "9223372036854775807",
        "18446744073709551615",
        "123456789012345678901234567890",
        "-123456789012345678901234567890",
        "\"99999999999999999999999\"",
        "NaN",
        "Infinity",
        "null",
        "[1]",
        "{}",
    };
    const auto answers = json_host::run(
        "def handle(rec):\n"
        "    try:\n"
        "        return str(int(json.loads(rec.decode('utf-8')))).encode()\n"
        "    except (TypeError, ValueError, OverflowError):\n"
        "        return b'E'\n",
        values);
    for (std::size_t k = 0; k < values.size(); ++k) {
        SCOPED_TRACE(values[k]);
        const auto tokens = retrieval::tokens_of(core::json_loads(values[k], core::Bom::Reject, core::BigInts::Keep));
        EXPECT_EQ(tokens ? retrieval::count_text(*tokens) : "E", answers[k]);
    }
    // Beyond 128 bits the count is refused as too wide, neither wrapped nor taken for 0.
    for (const Json& wide : {core::big_int("340282366920938463463374607431768211456"), Json(1e39), Json(-1e39),
                             Json("-" + std::string(40, '9'))})
        EXPECT_THROW(retrieval::tokens_of(wide), std::overflow_error) << wide.dump();
    EXPECT_EQ(retrieval::count_text(*retrieval::tokens_of(Json(-1.7e38))), "-169999999999999998061923293023115935744");
}

TEST(TokenCounts, IntTextFollowsTheHostsRulesOnItsOwn) {
    EXPECT_EQ(core::int_text("  -0012 "), "-12");
    EXPECT_EQ(core::int_text("-0"), "0");
    EXPECT_EQ(core::int_text("\xD9\xA3"), "3");  // ARABIC-INDIC DIGIT THREE
    EXPECT_FALSE(core::int_text("+"));
    EXPECT_FALSE(core::int_text("1 2"));
}

TEST(TokenModes, TextFormsOfModesThatAreNoText) {
    const std::pair<Json, std::string> cases[] = {
        {Json("chat"), "chat"},
        {Json(nullptr), "None"},
        {Json(true), "True"},
        {Json(false), "False"},
        {Json(7), "7"},
        {Json(-7), "-7"},
        {Json(1.5), "1.5"},
        {Json(1e16), "1e+16"},
        {Json(2.0), "2.0"},
        {Json(std::nan("")), "nan"},
        {Json(-HUGE_VAL), "-inf"},
        {core::big_int("123456789012345678901234567890"), "123456789012345678901234567890"},
    };
    for (const auto& [mode, text] : cases) EXPECT_EQ(core::display_text(mode), text);
}

TEST(TokenStats, TotalsByModeWithTextOrderSortedAndJsonOrderKept) {
    const auto stats =
        retrieval::token_stats(rows_of("{\"mode\": \"b\", \"total_tokens\": 10}\n"
                                       "not json\n"
                                       "{\"mode\": \"a\", \"total_tokens\": 12.9}\n"
                                       "{\"mode\": \"b\", \"total_tokens\": \"42\"}\n"
                                       "{\"total_tokens\": true}\n"
                                       "{\"mode\": \"Z\"}\n"
                                       "{\"mode\": null, \"total_tokens\": -3.5}\n"
                                       "{\"mode\": \"a\", \"total_tokens\": [1]}\n"
                                       "[\"not\", \"an\", \"event\"]\n"));
    EXPECT_EQ(stats.event_count, 7u);
    EXPECT_EQ(retrieval::count_text(stats.total_tokens), "62");
    EXPECT_EQ(retrieval::token_stats_text(stats),
              "Events: 7\nTotal tokens: 62\n- None: -3\n- Z: 0\n- a: 12\n- b: 52\n- unknown: 1\n");
    EXPECT_EQ(retrieval::token_stats_json(stats),
              "{\n  \"event_count\": 7,\n  \"total_tokens\": 62,\n  \"by_mode\": {\n    \"b\": 52,\n"
              "    \"a\": 12,\n    \"unknown\": 1,\n    \"Z\": 0,\n    \"None\": -3\n  },\n  \"recent\": [\n"
              "    {\n      \"mode\": \"b\",\n      \"total_tokens\": 10\n    },\n"
              "    {\n      \"mode\": \"a\",\n      \"total_tokens\": 12.9\n    },\n"
              "    {\n      \"mode\": \"b\",\n      \"total_tokens\": \"42\"\n    },\n"
              "    {\n      \"total_tokens\": true\n    },\n"
              "    {\n      \"mode\": \"Z\"\n    },\n"
              "    {\n      \"mode\": null,\n      \"total_tokens\": -3.5\n    },\n"
              "    {\n      \"mode\": \"a\",\n      \"total_tokens\": [\n        1\n      ]\n    }\n  ]\n}\n");
}

TEST(TokenStats, EmptyLogAndTheLastTwentyRows) {
    const auto empty = retrieval::token_stats({});
    EXPECT_EQ(retrieval::token_stats_text(empty), "Events: 0\nTotal tokens: 0\n");
    EXPECT_EQ(retrieval::token_stats_json(empty),
              "{\n  \"event_count\": 0,\n  \"total_tokens\": 0,\n  \"by_mode\": {},\n  \"recent\": []\n}\n");

    std::string log;
    for (int i = 1; i <= 25; ++i) log += "{\"n\": " + std::to_string(i) + ", \"total_tokens\": 1}\n";
    const auto stats = retrieval::token_stats(rows_of(log));
    EXPECT_EQ(stats.event_count, 25u);
    ASSERT_EQ(stats.recent.size(), 20u);
    EXPECT_EQ(stats.recent.front()["n"], 6);
    EXPECT_EQ(stats.recent.back()["n"], 25);
}

TEST(TokenStats, TotalsBeyondSixtyFourBitsStayExact) {
    const auto stats =
        retrieval::token_stats(rows_of("{\"mode\": \"m\", \"total_tokens\": 9223372036854775807}\n"
                                       "{\"mode\": \"m\", \"total_tokens\": 9223372036854775807}\n"
                                       "{\"mode\": \"m\", \"total_tokens\": 123456789012345678901234567890}\n"));
    EXPECT_EQ(retrieval::token_stats_text(stats),
              "Events: 3\nTotal tokens: 123456789030792422974944119504\n- m: 123456789030792422974944119504\n");
    EXPECT_NE(retrieval::token_stats_json(stats).find("\"total_tokens\": 123456789030792422974944119504,"),
              std::string::npos);
    // A single row too wide for the totals stops the statistics; counting it as 0 would print a wrong total.
    EXPECT_THROW(retrieval::token_stats(rows_of("{\"mode\": \"m\", \"total_tokens\": 1}\n"
                                                "{\"mode\": \"m\", \"total_tokens\": 1e300}\n")),
                 std::overflow_error);
}
