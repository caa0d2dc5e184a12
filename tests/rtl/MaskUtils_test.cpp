#include "platform/rtl/MaskUtils.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

TEST(FormatMaskText, InsertsLiteralsWhenTheTextHasNone)
{
    EXPECT_EQ(FormatMaskText("000-000;0;_", "123456").Std(), "123-456");
    EXPECT_EQ(FormatMaskText("(999) 000;0;_", "12345").Std(), "(123) 45 ");
}

TEST(FormatMaskText, KeepsLiteralsTheTextAlreadyHas)
{
    std::string Sep(1, DateSeparator);
    AnsiString Date = AnsiString("05" + Sep + "03" + Sep + "2024");
    EXPECT_EQ(FormatMaskText("00/00/0000;1;_", Date).Std(), Date.Std());
    EXPECT_EQ(FormatMaskText("00-00", "1234").Std(), "12-34");
}

TEST(FormatMaskText, CaseEscapesAndRightAlignment)
{
    EXPECT_EQ(FormatMaskText(">LL<ll;0", "abCD").Std(), "ABcd");
    EXPECT_EQ(FormatMaskText("\\A000;0", "12").Std(), "A12 ");
    EXPECT_EQ(FormatMaskText("!9999;0", "12").Std(), "  12");
}
