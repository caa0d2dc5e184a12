#include <gtest/gtest.h>
TEST(PlaceholderTTBItem, Builds) { EXPECT_TRUE(true); }
