#include "platform/win/Rect.h"

#include <gtest/gtest.h>

namespace
{

RECT Make(int L, int T, int R, int B)
{
    return RECT{L, T, R, B};
}

TEST(Rect, PtInRect_ExcludesRightAndBottomEdges)
{
    const RECT R = Make(10, 20, 30, 40);
    EXPECT_TRUE(PtInRect(&R, POINT{10, 20}));
    EXPECT_TRUE(PtInRect(&R, POINT{29, 39}));
    EXPECT_FALSE(PtInRect(&R, POINT{30, 39}));
    EXPECT_FALSE(PtInRect(&R, POINT{29, 40}));
    EXPECT_FALSE(PtInRect(&R, POINT{9, 20}));
}

TEST(Rect, IntersectRect_DisjointGivesEmptyAndFalse)
{
    const RECT A = Make(0, 0, 10, 10), B = Make(10, 0, 20, 10);
    RECT D = Make(1, 2, 3, 4);
    EXPECT_FALSE(IntersectRect(&D, &A, &B));
    EXPECT_TRUE(IsRectEmpty(&D));
    EXPECT_EQ(D.left, 0);
    const RECT C = Make(5, 5, 15, 15);
    EXPECT_TRUE(IntersectRect(&D, &A, &C));
    const RECT Expected = Make(5, 5, 10, 10);
    EXPECT_TRUE(EqualRect(&D, &Expected));
}

TEST(Rect, UnionRect_IgnoresEmptyOperand)
{
    const RECT A = Make(5, 5, 5, 50), B = Make(10, 10, 20, 20);
    RECT D;
    EXPECT_TRUE(UnionRect(&D, &A, &B));
    EXPECT_TRUE(EqualRect(&D, &B));
    const RECT C = Make(0, 30, 4, 31);
    EXPECT_TRUE(UnionRect(&D, &B, &C));
    const RECT Expected = Make(0, 10, 20, 31);
    EXPECT_TRUE(EqualRect(&D, &Expected));
}

TEST(Rect, OffsetAndInflate_MoveBothEdges)
{
    RECT R = Make(0, 0, 10, 10);
    OffsetRect(&R, 3, -2);
    InflateRect(&R, 1, 2);
    const RECT Expected = Make(2, -4, 14, 10);
    EXPECT_TRUE(EqualRect(&R, &Expected));
}

TEST(Rect, SubtractRect_ShrinksOnlyWhenASideIsCovered)
{
    const RECT Source = Make(0, 0, 10, 10);
    RECT D;
    const RECT TopBand = Make(-1, -1, 11, 4);
    EXPECT_TRUE(SubtractRect(&D, &Source, &TopBand));
    const RECT AfterTop = Make(0, 4, 10, 10);
    EXPECT_TRUE(EqualRect(&D, &AfterTop));
    const RECT Middle = Make(3, 3, 6, 6);
    EXPECT_TRUE(SubtractRect(&D, &Source, &Middle));
    EXPECT_TRUE(EqualRect(&D, &Source));
    const RECT All = Make(-5, -5, 20, 20);
    EXPECT_FALSE(SubtractRect(&D, &Source, &All));
}

TEST(Rect, Macros_PackSignedCoordinates)
{
    const LPARAM P = MAKELPARAM(static_cast<WORD>(-5), 300);
    EXPECT_EQ(GET_X_LPARAM(P), -5);
    EXPECT_EQ(GET_Y_LPARAM(P), 300);
    EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
    EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}

} // namespace
