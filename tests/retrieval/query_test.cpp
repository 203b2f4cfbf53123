#include "retrieval/query.hpp"

#include <gtest/gtest.h>

namespace {

using Terms = std::vector<std::string>;

TEST(Tokenize, StopWordsShortRunsAndRepeatsAreDropped) {
    EXPECT_EQ(retrieval::tokenize_query("Fix the API bug in Checkout.tsx"), (Terms{"bug", "checkout", "tsx"}));
    EXPECT_EQ(retrieval::tokenize_query("order Order ORDER a b"), (Terms{"order"}));
    EXPECT_EQ(retrieval::tokenize_query("user_id caf\xc3\xa9 404"), (Terms{"user_id", "caf", "404"}));
    EXPECT_EQ(retrieval::tokenize_query(""), Terms{});
}

}  // namespace
