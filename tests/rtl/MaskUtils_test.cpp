#include "platform/rtl/MaskUtils.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

TEST(FormatMaskText, InsertsLiteralsWhenTheTextHasNone)
{
    EXPECT_EQ(FormatMaskText("000-000;0;_", "123456").View(), "123-456");
    EXPECT_EQ(FormatMaskText("(999) 000;0;_", "12345").View(), "(123) 45 ");
}

TEST(FormatMaskText, KeepsLiteralsTheTextAlreadyHas)
{
    std::string Sep(1, DateSeparator);
    AnsiString Date = AnsiString("05" + Sep + "03" + Sep + "2024");
    EXPECT_EQ(FormatMaskText("00/00/0000;1;_", Date).View(), Date.View());
    EXPECT_EQ(FormatMaskText("00-00", "1234").View(), "12-34");
}

TEST(FormatMaskText, CaseEscapesAndRightAlignment)
{
    EXPECT_EQ(FormatMaskText(">LL<ll;0", "abCD").View(), "ABcd");
    EXPECT_EQ(FormatMaskText("\\A000;0", "12").View(), "A12 ");
    EXPECT_EQ(FormatMaskText("!9999;0", "12").View(), "  12");
}
