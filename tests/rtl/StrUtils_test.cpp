#include "platform/rtl/StrUtils.h"

#include <gtest/gtest.h>

TEST(StrUtilsSearch, PosExStartsAtTheOffset)
{
    EXPECT_EQ(PosEx("ab", "abcab"), 1);
    EXPECT_EQ(PosEx("ab", "abcab", 2), 4);
    EXPECT_EQ(PosEx("ab", "abcab", 5), 0);
    EXPECT_EQ(PosEx("ab", "abcab", 0), 0);
    EXPECT_EQ(PosEx("", "abc", 1), 0);
}

TEST(StrUtilsSearch, StartsEndsAndContainsFoldCyrillicInTextForms)
{
    EXPECT_TRUE(AnsiStartsText("ПРИ"_a, "принтер"_a));
    EXPECT_FALSE(AnsiStartsStr("ПРИ"_a, "принтер"_a));
    EXPECT_TRUE(AnsiEndsText("ЁЖ"_a, "ёж"_a));
    EXPECT_FALSE(AnsiEndsText("длинный"_a, "ёж"_a));
    EXPECT_TRUE(AnsiEndsStr(".frc", "a.frc"));
    EXPECT_TRUE(AnsiContainsText("Сумма ИТОГО"_a, "итого"_a));
    EXPECT_FALSE(AnsiContainsStr("Сумма ИТОГО"_a, "итого"_a));
}

TEST(StrUtilsSlices, LeftRightMidClamp)
{
    EXPECT_EQ(LeftStr("abc", 2), "ab");
    EXPECT_EQ(LeftStr("abc", 9), "abc");
    EXPECT_EQ(RightStr("abc", 2), "bc");
    EXPECT_EQ(RightStr("abc", 9), "abc");
    EXPECT_EQ(RightStr("abc", -1), "");
    EXPECT_EQ(MidStr("abcdef", 2, 3), "bcd");
    EXPECT_EQ(DupeString("ab", 3), "ababab");
    EXPECT_EQ(DupeString("ab", 0), "");
    EXPECT_EQ(ReverseString("abc"), "cba");
}

TEST(StrUtilsReplace, ReplaceEveryOccurrence)
{
    EXPECT_EQ(AnsiReplaceStr("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(AnsiReplaceText("Да да ДА"_a, "да"_a, "нет"_a), "нет нет нет"_a);
}
