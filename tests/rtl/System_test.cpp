#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(AnsiStringPositions, SubStringClampsLikeCopy)
{
    AnsiString s = "abc";
    EXPECT_EQ(s.SubString(0, 2), "ab");
    EXPECT_EQ(s.SubString(2, 100), "bc");
    EXPECT_EQ(s.SubString(4, 1), "");
    EXPECT_EQ(s.SubString(1, 0), "");
    EXPECT_EQ(s.SubString(-5, 1), "a");
}

TEST(AnsiStringPositions, IndexOutsideTextRaisesRangeError)
{
    AnsiString s = "A5";
    EXPECT_EQ(s[1], 'A');
    EXPECT_EQ(s[2], '5');
    EXPECT_THROW(s[3], ERangeError);
    EXPECT_THROW(s[0], ERangeError);
    const AnsiString empty;
    EXPECT_THROW(empty[1], ERangeError);
}

TEST(AnsiStringPositions, PosInsertDeleteFollowTheClassLibrary)
{
    AnsiString s = "hello";
    EXPECT_EQ(s.Pos("l"), 3);
    EXPECT_EQ(s.Pos(""), 0);
    EXPECT_EQ(s.Pos("x"), 0);
    EXPECT_EQ(AnsiString("abc").Insert("X", 0), "Xabc");
    EXPECT_EQ(AnsiString("abc").Insert("X", 99), "abcX");
    EXPECT_EQ(AnsiString("abc").Insert("X", 2), "aXbc");
    EXPECT_EQ(AnsiString("abcdef").Delete(5, 10), "abcd");
    EXPECT_EQ(AnsiString("abc").Delete(0, 1), "abc");
    EXPECT_EQ(AnsiString("abc").Delete(4, 1), "abc");
    EXPECT_EQ(AnsiString("abc").Delete(1, 0), "abc");
}

TEST(AnsiStringPositions, TextMayHoldNulBytes)
{
    AnsiString s(std::string("a\0b", 3));
    EXPECT_EQ(s.Length(), 3);
    EXPECT_EQ(s.Pos(AnsiString(std::string("\0b", 2))), 2);
}

TEST(AnsiStringCodePage, Utf8LiteralBecomesCp1251)
{
    AnsiString s = "Ёжик"_a;
    ASSERT_EQ(s.Length(), 4);
    EXPECT_EQ(static_cast<unsigned char>(s[1]), 0xA8);
    EXPECT_EQ(static_cast<unsigned char>(s[2]), 0xE6);
    EXPECT_EQ(s.ToUtf8(), "Ёжик");
}

TEST(AnsiStringCodePage, EveryByteRoundTripsThroughUnicode)
{
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue; // the one byte without a character
        AnsiString one(static_cast<char>(b));
        EXPECT_EQ(AnsiString(WideString(one)), one) << b;
        EXPECT_EQ(AnsiString::FromUtf8(one.ToUtf8()), one) << b;
    }
}

TEST(AnsiStringCodePage, UnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(AnsiString::FromUtf8("日本"), "??");
    EXPECT_EQ(AnsiString::FromUtf8("\xFF"), "?"); // malformed UTF-8
    EXPECT_EQ(AnsiString::FromUtf8("€"), AnsiString("\x88"));
}

TEST(AnsiStringCase, CyrillicAndSlavicPairsFold)
{
    EXPECT_EQ("ёлка Ўў Ґґ іІ"_a.UpperCase(), "ЁЛКА ЎЎ ҐҐ ІІ"_a);
    EXPECT_EQ("МЕТАКОМ Abc"_a.LowerCase(), "метаком abc"_a);
    EXPECT_EQ("№ 1 — x"_a.UpperCase(), "№ 1 — X"_a);
}

TEST(AnsiStringTrim, RemovesEveryByteUpToBlank)
{
    EXPECT_EQ(AnsiString("\t\r\n  ab c \x01").Trim(), "ab c");
    EXPECT_EQ(AnsiString("  x ").TrimLeft(), "x ");
    EXPECT_EQ(AnsiString("  x ").TrimRight(), "  x");
    EXPECT_EQ(AnsiString("   ").Trim(), "");
    EXPECT_EQ("\xA0x"_a.Trim(), "\xA0x"_a); // no-break space is above blank
}

TEST(AnsiStringOrder, BytesCompareUnsignedAndPrefixSortsFirst)
{
    EXPECT_LT(AnsiString("ab"), AnsiString("abc"));
    EXPECT_LT(AnsiString("z"), "я"_a); // 0x7A < 0xFF
    EXPECT_LT(AnsiString(""), AnsiString("\x01"));
}

TEST(WideStringPositions, SameRulesAsAnsiString)
{
    WideString w = u"ключ";
    EXPECT_EQ(w.Length(), 4);
    EXPECT_EQ(w.SubString(2, 2), WideString(u"лю"));
    EXPECT_EQ(w.Pos(u"ч"), 4);
    EXPECT_THROW(w[5], ERangeError);
    EXPECT_EQ(WideString(u"ab").Insert(u"X", 3), WideString(u"abX"));
}

TEST(WideStringUtf8, SurrogatePairsSurvive)
{
    WideString w = WideString::FromUtf8("a😀b");
    EXPECT_EQ(w.Length(), 4);
    EXPECT_EQ(w.ToUtf8(), "a😀b");
}

namespace
{
// Longer than a text kept inside the object, so copies share a buffer.
const AnsiString Long = "a text long enough to be shared";

void ExpectEndsWhereItEnds(const AnsiString &Text, std::string_view Want)
{
    EXPECT_EQ(Text.View(), Want);
    EXPECT_EQ(std::string_view(Text.c_str()), Want);
}
} // namespace

TEST(AnsiStringSharing, WritingACopyLeavesTheOriginal)
{
    for (const AnsiString &Original : {AnsiString("short"), Long}) {
        const std::string Want(Original.View());
        AnsiString Indexed = Original, Appended = Original, Cut = Original, Inserted = Original,
                   Deleted = Original, Formatted = Original;
        Indexed[1] = 'X';
        Appended += "+";
        Cut.SetLength(2);
        Inserted.Insert("<", 2);
        Deleted.Delete(1, 1);
        Formatted.cat_sprintf("%d", 7);
        ExpectEndsWhereItEnds(Original, Want);
        ExpectEndsWhereItEnds(Indexed, "X" + Want.substr(1));
        ExpectEndsWhereItEnds(Appended, Want + "+");
        ExpectEndsWhereItEnds(Cut, Want.substr(0, 2));
        ExpectEndsWhereItEnds(Inserted, Want.substr(0, 1) + "<" + Want.substr(1));
        ExpectEndsWhereItEnds(Deleted, Want.substr(1));
        ExpectEndsWhereItEnds(Formatted, Want + "7");
    }
}

TEST(AnsiStringSharing, AppendingATextToItselfKeepsBothHalves)
{
    // Inside the object, across to a buffer, and within a buffer.
    for (const std::string &Start : {std::string("abc"), std::string("abcdefgh"), Long.ToStd()}) {
        AnsiString Text = Start.c_str();
        const AnsiString Copy = Text;
        Text += Text;
        Text += Text.SubString(1, 3);
        ExpectEndsWhereItEnds(Text, Start + Start + Start.substr(0, 3));
        ExpectEndsWhereItEnds(Copy, Start);
    }
}

// The text put in is the text as it was: inside the object, in a buffer of its own with room
// to grow in place, and in a buffer another text shares.
TEST(AnsiStringSharing, InsertingATextIntoItselfPutsInTheTextAsItWas)
{
    for (const std::string &Start : {std::string("abcdef"), Long.ToStd()}) {
        for (int Index : {1, 3, static_cast<int>(Start.size()) + 1}) {
            const std::string Want = Start.substr(0, Index - 1) + Start + Start.substr(Index - 1);
            AnsiString Own;
            Own += std::string_view(Start);
            Own.Insert(Own, Index);
            ExpectEndsWhereItEnds(Own, Want);
            AnsiString Shared = Start.c_str();
            const AnsiString Original = Shared;
            Shared.Insert(Shared, Index);
            ExpectEndsWhereItEnds(Shared, Want);
            ExpectEndsWhereItEnds(Original, Start);
        }
    }
    WideString Wide(u"abc");
    Wide.Insert(Wide, 2);
    EXPECT_EQ(Wide, WideString(u"aabcbc"));
}

TEST(AnsiStringSharing, ATextBuiltPieceByPieceKeepsEveryStepThatWasCopied)
{
    AnsiString Text;
    std::vector<AnsiString> Steps;
    std::string Want;
    for (int I = 0; I < 300; ++I) {
        Text += static_cast<char>('a' + I % 26);
        Want += static_cast<char>('a' + I % 26);
        if (I % 7 == 0) Steps.push_back(Text);
    }
    ExpectEndsWhereItEnds(Text, Want);
    for (std::size_t S = 0; S < Steps.size(); ++S)
        ExpectEndsWhereItEnds(Steps[S], Want.substr(0, S * 7 + 1));
}
