#include <gtest/gtest.h>

#include <string>

#include "packing/estimate.hpp"

namespace {

TEST(EstimateTokens, LengthInCodePointsOverThreePointTwoRoundedUp) {
    const struct {
        std::size_t length;
        std::int64_t tokens;
    } cases[] = {{0, 0}, {1, 1}, {3, 1}, {4, 2}, {16, 5}, {17, 6}, {32, 10}, {3200, 1000}, {3201, 1001}};
    for (const auto& c : cases) {
        EXPECT_EQ(packing::estimate_tokens(std::string(c.length, 'a')), c.tokens) << c.length;
        EXPECT_EQ(packing::estimate_tokens_of_length(c.length), c.tokens) << c.length;
    }
}

TEST(EstimateTokens, IntegerFormAgreesUpToAMillion) {
    for (std::size_t n = 0; n < 1000000; ++n)
        ASSERT_EQ(packing::estimate_tokens_of_length(n), static_cast<std::int64_t>((5 * n + 15) / 16)) << n;
}

TEST(EstimateTokens, CountsCodePointsNotBytes) {
    // 16 characters: two-, three- and four-byte ones among ASCII.
    const std::string mixed = "ab\u00e9\u4e2d\U0001F600cdefghijklm";
    EXPECT_EQ(packing::estimate_tokens(mixed), packing::estimate_tokens(std::string(16, 'x')));
}

}  // namespace
