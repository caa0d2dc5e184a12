#include "platform/rtl/Math.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Rounding, RoundTiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(10.5), 10);
    EXPECT_EQ(Round(11.5), 12);
    EXPECT_EQ(Round(2.4999999), 2);
    EXPECT_EQ(Round(-0.6), -1);
    EXPECT_EQ(Round(1e10), 10000000000LL); // whole, not its low 32 bits
    EXPECT_EQ(Round(0.5L + 2.0L), 2);
}

TEST(Rounding, TruncIntAndFracKeepTheSign)
{
    EXPECT_EQ(Trunc(2.9), 2);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Int(-2.75L), -2.0L);
    EXPECT_EQ(Frac(-2.75L), -0.75L);
    EXPECT_EQ(Frac(3.25L), 0.25L);
}

TEST(Rounding, CeilAndFloor)
{
    EXPECT_EQ(Ceil(1.0001), 2);
    EXPECT_EQ(Ceil(-1.5), -1);
    EXPECT_EQ(Ceil(3.0), 3);
    EXPECT_EQ(Floor(-1.5), -2);
    EXPECT_EQ(Floor(1.9999), 1);
}

TEST(Rounding, ValuesThatCannotBeHeldRaise)
{
    EXPECT_THROW(Round(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
    EXPECT_THROW(Round(std::numeric_limits<double>::infinity()), EInvalidOp);
    EXPECT_THROW(Trunc(1e19), EInvalidOp);
    EXPECT_EQ(Trunc(-9223372036854775808.0L), std::numeric_limits<long long>::min());
    EXPECT_THROW(Ceil(3e9), EInvalidOp);
    EXPECT_THROW(Floor(-3e9), EInvalidOp);
}

TEST(Rounding, SimpleRoundToGoesHalfAwayFromZero)
{
    EXPECT_DOUBLE_EQ(SimpleRoundTo(12.125), 12.13);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(-12.125), -12.13);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(2.5, 0), 3);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(1250, 2), 1300);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(-1249, 2), -1200);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(0.1 + 0.2, -1), 0.3);
}

TEST(PowerFunction, EdgeRules)
{
    EXPECT_EQ(Power(0, 0), 1);
    EXPECT_EQ(Power(5, 0), 1);
    EXPECT_EQ(Power(0, 2.2), 0);
    EXPECT_DOUBLE_EQ(static_cast<double>(Power(2, 10)), 1024);
    EXPECT_DOUBLE_EQ(static_cast<double>(Power(-2, 3)), -8);
    EXPECT_DOUBLE_EQ(static_cast<double>(Power(4, 0.5)), 2);
    EXPECT_NEAR(static_cast<double>(Power(8, 1 / 3.0L)), 2, 1e-15);
    EXPECT_THROW(Power(-2, 0.5), EInvalidOp);
    EXPECT_THROW(Power(0, -1), EZeroDivide);
    EXPECT_THROW(Power(10, 100000), EOverflow);
}

TEST(MulDivFunction, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(1, -1, 2), -1);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(-2, 1, -3), 1);
    EXPECT_EQ(MulDiv(3, 255, 6), 128); // 127.5
    EXPECT_EQ(MulDiv(255, 1000, 1000), 255);
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000); // 64-bit product
}

TEST(MulDivFunction, ZeroDivisorAndOverflowGiveMinusOne)
{
    EXPECT_EQ(MulDiv(25, 10, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);
    EXPECT_EQ(MulDiv(-2147483647 - 1, 1, 1), -2147483647 - 1);
}

TEST(MinMax, MixedTypesUseTheCommonType)
{
    EXPECT_EQ(Min(3, 2), 2);
    EXPECT_EQ(Max(3, 2), 3);
    EXPECT_DOUBLE_EQ(Min(1, 0.5), 0.5);
    EXPECT_EQ(Max(-1LL, 2), 2LL);
}
