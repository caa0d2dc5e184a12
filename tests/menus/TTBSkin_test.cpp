#include <gtest/gtest.h>
TEST(PlaceholderTTBSkin, Builds) { EXPECT_TRUE(true); }
