#include <gtest/gtest.h>

#include "core/hash.hpp"

TEST(Hash, Md5PrefixOfKnownTexts) {
    EXPECT_EQ(core::md5_prefix8(""), "d41d8cd9");
    EXPECT_EQ(core::md5_hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
}
