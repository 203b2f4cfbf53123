// The host's reading of a stored value, checked against the host itself: str(), repr(),
// bool() and the type name of the values json.loads gives, floats at every edge.
#include "core/value.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/repr.hpp"
#include "tests/core/json_host.hpp"

namespace {

using core::Json;

TEST(HostValue, StrReprTruthAndTypeAsTheHostGivesThem) {
    const std::vector<std::string> texts = {
        "null",
        "true",
        "false",
        "0",
        "-7",
        "18446744073709551615",
        "123456789012345678901234567890",
        "0.0",
        "-0.0",
        "0.1",
        "75.0",
        "1e16",
        "1e-05",
        "1.5e-7",
        "123456789.125",
        "5e-324",
        "1.7976931348623157e308",
        "1e400",
        "-1e400",
        "NaN",
        "Infinity",
        "-Infinity",
        "\"\"",
        "\"it's\"",
        "\"a\\nb\\u00e9\"",
        "[]",
        "{}",
        "[1, \"a'b\", null, [NaN, -Infinity], 2.5]",
        "{\"k\": {\"x\": -0.0, \"y\": Infinity}, \"q\\\"\": [true]}",
    };
    const auto answers = json_host::run(
        "def handle(rec):\n"
        "    v = json.loads(rec)\n"
        "    return '\\0'.join([str(v), repr(v), str(bool(v)), type(v).__name__]).encode('utf-8', 'surrogatepass')\n",
        texts);
    ASSERT_EQ(answers.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const Json v = core::json_loads(texts[i], core::Bom::Reject, core::BigInts::Keep);
        const std::string ours = core::py_str(v) + '\0' + core::py_repr(v) + '\0' +
                                 (core::truthy(v) ? "True" : "False") + '\0' + core::py_type_name(v);
        EXPECT_EQ(ours, answers[i]) << texts[i];
    }
}

TEST(HostValue, FloatReprBesideTheJsonSpelling) {
    const std::vector<std::pair<double, std::pair<const char*, const char*>>> cases = {
        {std::numeric_limits<double>::quiet_NaN(), {"nan", "NaN"}},
        {std::numeric_limits<double>::infinity(), {"inf", "Infinity"}},
        {-std::numeric_limits<double>::infinity(), {"-inf", "-Infinity"}},
        {-0.0, {"-0.0", "-0.0"}},
        {1e16, {"1e+16", "1e+16"}},
        {1e-5, {"1e-05", "1e-05"}},
    };
    for (const auto& [d, forms] : cases) {
        EXPECT_EQ(core::float_repr(d), forms.first);
        EXPECT_EQ(core::json_float_text(d), forms.second);
    }
}

TEST(HostValue, DisplayMembersIntegersAndHashKeys) {
    // Lists and maps display as JSON text; scalars as str().
    EXPECT_EQ(core::display_text(Json::parse(R"([1, "a", null])")), R"([1, "a", null])");
    EXPECT_EQ(core::display_text(Json(std::numeric_limits<double>::quiet_NaN())), "nan");
    EXPECT_EQ(core::display_text(Json("x")), "x");

    const Json m = Json::parse(R"({"a": null})");
    ASSERT_NE(core::member(m, "a"), nullptr);
    EXPECT_TRUE(core::member(m, "a")->is_null());
    EXPECT_EQ(core::member(m, "b"), nullptr);
    EXPECT_EQ(core::member(Json::array(), "a"), nullptr);

    EXPECT_EQ(core::int_value(Json(true)), 1);
    EXPECT_EQ(core::int_value(Json(-3)), -3);
    EXPECT_EQ(core::int_value(Json(18446744073709551615ull)), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(core::int_value(core::big_int("-99999999999999999999")), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(core::int_value(Json(2.0)), std::nullopt);
    EXPECT_EQ(core::int_value(Json("2")), std::nullopt);

    // One key where the host's dicts hold one key: 1, 1.0 and True.
    EXPECT_EQ(core::hash_key(Json(1)), core::hash_key(Json(1.0)));
    EXPECT_EQ(core::hash_key(Json(true)), core::hash_key(Json(1)));
    EXPECT_NE(core::hash_key(Json("1")), core::hash_key(Json(1)));
    EXPECT_NE(core::hash_key(Json(1.5)), core::hash_key(Json(1)));
    EXPECT_THROW(core::hash_key(Json::object()), core::TypeError);
}

}  // namespace
