#include "report/frxUnicodeUtils.h"
#include "tests/report/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace
{

void LoadBytes(TWideStrings &List, const std::string &Bytes)
{
    TMemoryStream Stream;
    Stream.WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
    Stream.SetPosition(0);
    List.LoadFromStream(&Stream);
}

} // namespace

TEST(WideStrings, LoadsUtf16WithMarkAndCodePageWithout)
{
    TWideStrings List;
    LoadBytes(List, std::string("\xFF\xFE\x41\x00\x0D\x00\x0A\x00\x42\x00", 10));
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.Get(0), WideString(u"A"));
    EXPECT_EQ(List.Get(1), WideString(u"B"));

    LoadBytes(List, "A\r\n\xC0\xE1");
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.Get(1), WideString(u"Аб"));
}

TEST(WideStrings, SavesUtf16WithoutMark)
{
    TWideStrings List;
    List.Add(u"A");
    List.Add(u"А");
    TMemoryStream Stream;
    List.SaveToStream(&Stream);
    const std::string Expected("\x41\x00\x0D\x00\x0A\x00\x10\x04\x0D\x00\x0A\x00", 12);
    ASSERT_EQ(Stream.Size(), 12);
    EXPECT_EQ(std::string(static_cast<const char *>(Stream.Memory()), 12), Expected);
}

TEST(WideStrings, TextSplitsOnEveryKindOfBreak)
{
    TWideStrings List;
    List.SetText(u"a\nb\u2028c\r\n");
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Get(2), WideString(u"c"));
    List.SetText(u"a\r\rb");
    EXPECT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Text(), WideString(u"a\r\n\r\nb\r\n"));
    List.SetText(u"");
    EXPECT_EQ(List.Count(), 0);
}

TEST(WideStrings, InsertShiftsAndPutReplaces)
{
    TWideStrings List;
    List.SetText(u"a\r\nb\r\nc");
    List.Insert(0, u"x");
    ASSERT_EQ(List.Count(), 4);
    EXPECT_EQ(List.Get(0), WideString(u"x"));
    EXPECT_EQ(List.Get(1), WideString(u"a"));
    List.Put(1, u"y");
    EXPECT_EQ(List.Count(), 4);
    EXPECT_EQ(List.Get(1), WideString(u"y"));
    List.Insert(4, u"end");
    EXPECT_EQ(List.Get(4), WideString(u"end"));
    EXPECT_THROW(List.Insert(6, u"far"), Exception);
    EXPECT_THROW(List.Put(-1, u"neg"), Exception);
    EXPECT_THROW(List.Delete(5), Exception);
    EXPECT_EQ(List.Get(99), WideString());
    EXPECT_EQ(List.Objects(99), nullptr);
}

TEST(WideStrings, AssignsToAndFromNarrowLists)
{
    TStringList Narrow;
    Narrow.Add(Cp("Итого"));
    TWideStrings Wide;
    Wide.Assign(&Narrow);
    EXPECT_EQ(Wide.Get(0), WideString(u"Итого"));
    Wide.Add(u"Ω");
    TStringList Back;
    Back.Assign(&Wide);
    ASSERT_EQ(Back.Count(), 2);
    EXPECT_EQ(Back[0], Cp("Итого"));
    EXPECT_EQ(Back[1], "?");
}
