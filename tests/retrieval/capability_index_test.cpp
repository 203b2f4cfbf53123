#include "retrieval/capability_index.hpp"

#include <gtest/gtest.h>

namespace {

TEST(CapabilityIndex, ParseAndBoosts) {
    const auto caps = retrieval::parse_capability_index(
        "## A\r\nKeywords: Login, auth\n- `a/x.py`\n## B\nkeywords: login\n- a/x.py\n- b/y.py\n## C\n");
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0].keywords, (std::vector<std::string>{"login", "auth"}));
    const retrieval::Boosts b = retrieval::capability_file_boosts({"login", "auth"}, caps);
    EXPECT_EQ(b.entries(), (std::vector<std::pair<std::string, std::int64_t>>{{"a/x.py", 8}, {"b/y.py", 6}}));
    ASSERT_NE(b.find("b/y.py"), nullptr);
    EXPECT_EQ(b.find("c"), nullptr);
}

}  // namespace
