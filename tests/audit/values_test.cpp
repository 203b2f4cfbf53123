// Host value rules: truth values, str() forms, hash keys and grouping.
#include <gtest/gtest.h>

#include "audit/values.hpp"

namespace {

using audit::Json;

TEST(Values, TruthAndTextForms) {
    for (const char* falsy : {"null", "false", "0", "0.0", "\"\"", "[]", "{}"})
        EXPECT_FALSE(audit::truthy(Json::parse(falsy))) << falsy;
    for (const char* t : {"true", "-1", "0.5", "\"x\"", "[0]", "{\"a\":null}"})
        EXPECT_TRUE(audit::truthy(Json::parse(t))) << t;
    EXPECT_EQ(audit::py_str(Json::parse("null")), "None");
    EXPECT_EQ(audit::py_str(Json::parse("true")), "True");
    EXPECT_EQ(audit::py_str(Json::parse("75.0")), "75.0");
    EXPECT_EQ(audit::py_str(Json::parse("1e16")), "1e+16");
    EXPECT_EQ(audit::py_str(Json::parse("[1, \"a'b\", \"c\\n\", null, {\"k\": 2.5}]")),
              "[1, \"a'b\", 'c\\n', None, {'k': 2.5}]");
    EXPECT_EQ(audit::group_thousands(0), "0");
    EXPECT_EQ(audit::group_thousands(999), "999");
    EXPECT_EQ(audit::group_thousands(1234567), "1,234,567");
    EXPECT_EQ(audit::group_thousands(-1000), "-1,000");
}

TEST(Values, HashKeysFollowHostEquality) {
    EXPECT_EQ(audit::hash_key(Json(1)), audit::hash_key(Json(1.0)));
    EXPECT_EQ(audit::hash_key(Json(true)), audit::hash_key(Json(1)));
    EXPECT_NE(audit::hash_key(Json("1")), audit::hash_key(Json(1)));
    EXPECT_THROW(audit::hash_key(Json::array()), audit::TypeError);
}

TEST(Values, MalformedContainersRaise) {
    const Json g = Json::parse(R"({"nodes": null, "edges": 3})");
    EXPECT_THROW(audit::list_or_empty(g, "nodes"), audit::TypeError);
    EXPECT_THROW(audit::list_or_empty(g, "edges"), audit::TypeError);
    EXPECT_TRUE(audit::list_or_empty(g, "other").empty());
    EXPECT_THROW(audit::find(Json(1), "x"), audit::TypeError);
    EXPECT_EQ(audit::py_len(Json("é")), 1u);
    EXPECT_THROW(audit::py_len(Json(3)), audit::TypeError);
}

}  // namespace
