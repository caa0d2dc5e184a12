#include "platform/win/WinGdi.h"
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

TEST(WideStrings, AnsiToUnicodeReadsTheCodePageOfTheCharacterSet)
{
    const AnsiString Bytes("\xC0\xE9 ok");
    EXPECT_EQ(AnsiToUnicode(Bytes, RUSSIAN_CHARSET), WideString(u"\u0410\u0439 ok"));
    EXPECT_EQ(AnsiToUnicode(Bytes, ANSI_CHARSET), WideString(u"\u00C0\u00E9 ok"));
    EXPECT_EQ(AnsiToUnicode(Bytes, 238), WideString(u"\u0154\u00E9 ok")); // Central European
    EXPECT_EQ(AnsiToUnicode(Bytes, 161), WideString(u"\u0390\u03B9 ok")); // Greek
    EXPECT_EQ(AnsiToUnicode(Bytes, SYMBOL_CHARSET), WideString(u"\uF0C0\uF0E9\uF020\uF06F\uF06B"));
    // A set the system does not know reads as the program's own code page.
    EXPECT_EQ(AnsiToUnicode(Bytes, DEFAULT_CHARSET), WideString(u"\u0410\u0439 ok"));
    // A byte its code page leaves out costs that byte only.
    EXPECT_EQ(AnsiToUnicode(AnsiString("a\x81z"), 161), WideString(u"a\uFFFDz"));
    EXPECT_EQ(AnsiToUnicode(AnsiString(), ANSI_CHARSET), WideString());
}
