#include <gtest/gtest.h>
TEST(PlaceholderTB2Anim, Builds) { EXPECT_TRUE(true); }
