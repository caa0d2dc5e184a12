#include <gtest/gtest.h>
TEST(PlaceholderTB2Common, Builds) { EXPECT_TRUE(true); }
