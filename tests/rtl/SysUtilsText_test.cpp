#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

TEST(CaseConversion, PlainFormsTouchAsciiOnly)
{
    EXPECT_EQ(UpperCase("abz Ёж"_a), "ABZ Ёж"_a);
    EXPECT_EQ(LowerCase("ABZ ЁЖ"_a), "abz ЁЖ"_a);
}

TEST(CaseConversion, AnsiFormsFoldEveryCp1251Letter)
{
    EXPECT_EQ(AnsiUpperCase("абвгдеёжзийклмнопрстуфхцчшщъыьэюя abc"_a),
              "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ ABC"_a);
    EXPECT_EQ(AnsiLowerCase("ЁЛКА Ў Є"_a), "ёлка ў є"_a);
    EXPECT_EQ(AnsiUpperCase("5-№"_a), "5-№"_a);
}

TEST(CharacterClasses, LettersDigitsAndCase)
{
    EXPECT_TRUE(rtl::IsLetter('z'));
    EXPECT_TRUE(rtl::IsLetter("ё"_a[1]));
    EXPECT_FALSE(rtl::IsLetter('5'));
    EXPECT_FALSE(rtl::IsLetter("№"_a[1]));
    EXPECT_TRUE(rtl::IsDigit('0'));
    EXPECT_FALSE(rtl::IsDigit('a'));
    EXPECT_TRUE(rtl::IsUpper("Ж"_a[1]));
    EXPECT_TRUE(rtl::IsLower("ж"_a[1]));
    EXPECT_FALSE(rtl::IsUpper('1'));
}

TEST(Comparison, CompareStrIsByteOrderAndReturnsSign)
{
    EXPECT_EQ(CompareStr("abc", "abc"), 0);
    EXPECT_EQ(CompareStr("abc", "abd"), -1);
    EXPECT_EQ(CompareStr("abc", "ab"), 1);
    EXPECT_EQ(CompareStr("a", "B"), 1);
    EXPECT_EQ(CompareStr("я"_a, "a"), 1); // high bytes sort after ASCII
}

TEST(Comparison, CompareTextFoldsAsciiOnly)
{
    EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_NE(CompareText("Ёж"_a, "ёж"_a), 0);
    EXPECT_TRUE(SameText("Dock1", "DOCK1"));
    EXPECT_FALSE(SameText("Dock1", "Dock"));
}

TEST(Comparison, AnsiCompareTextFoldsCyrillicAndOrdersAlphabetically)
{
    EXPECT_EQ(AnsiCompareText("ПРИНТЕР"_a, "принтер"_a), 0);
    EXPECT_EQ(AnsiCompareText("ёлка"_a, "ЁЛКА"_a), 0);
    EXPECT_TRUE(AnsiSameText("По умолчанию"_a, "по УМОЛЧАНИЮ"_a));
    // Ё sits between Е and Ж, not before А as its code would put it.
    EXPECT_EQ(AnsiCompareText("е"_a, "ё"_a), -1);
    EXPECT_EQ(AnsiCompareText("ё"_a, "ж"_a), -1);
    EXPECT_EQ(AnsiCompareText("а"_a, "Ё"_a), -1);
    EXPECT_EQ(AnsiCompareText("z"_a, "а"_a), -1);
    EXPECT_EQ(AnsiCompareText("аб"_a, "а"_a), 1);
}

TEST(Comparison, AnsiCompareStrPutsLowerCaseFirstOnlyForEqualLetters)
{
    EXPECT_EQ(AnsiCompareStr("a", "A"), -1);
    EXPECT_EQ(AnsiCompareStr("A", "b"), -1); // alphabet before case
    EXPECT_EQ(AnsiCompareStr("Ж"_a, "ж"_a), 1);
    EXPECT_EQ(AnsiCompareStr("same", "same"), 0);
    EXPECT_EQ(AnsiString("abc").AnsiCompare("abd"), -1);
    EXPECT_EQ(AnsiString("ABC").AnsiCompareIC("abc"), 0);
}

// ---- word sort ----

namespace
{

// The list sorted by Compare must come out as Expected, whatever order it went in.
template <class Compare> void ExpectSortedAs(const std::vector<AnsiString> &Expected, Compare Cmp)
{
    std::vector<AnsiString> Shuffled(Expected.rbegin(), Expected.rend());
    std::rotate(Shuffled.begin(), Shuffled.begin() + Shuffled.size() / 2, Shuffled.end());
    std::stable_sort(Shuffled.begin(), Shuffled.end(),
                     [&](const AnsiString &A, const AnsiString &B) { return Cmp(A, B) < 0; });
    EXPECT_EQ(Shuffled, Expected);
}

} // namespace

TEST(WordSort, SymbolsComeBeforeDigitsAndDigitsBeforeLetters)
{
    const std::vector<AnsiString> Expected = {" key", "!", "[a]", "_id", "~", "«Ключ»"_a,
                                              "№5"_a, "0", "9",   "A",   "Z", "а"_a};
    ExpectSortedAs(Expected, AnsiCompareText);
    ExpectSortedAs(Expected, AnsiCompareStr);
    EXPECT_EQ(AnsiCompareText("_", "A"), -1);
    EXPECT_EQ(AnsiCompareText("[", "0"), -1);
    EXPECT_EQ(AnsiCompareText("Z1", "Z_"), 1);
}

TEST(WordSort, CyrillicFollowsLatinWithYoAfterYe)
{
    ExpectSortedAs({"zebra", "Абрам"_a, "ежик"_a, "Ёж"_a, "ёлка"_a, "жук"_a, "Яков"_a},
                   AnsiCompareText);
    // Ё is a letter of its own: the letters after it do not decide.
    EXPECT_EQ(AnsiCompareText("ёа"_a, "ея"_a), 1);
    // The other Cyrillic letters stand by the Russian ones they are nearest to.
    EXPECT_EQ(AnsiCompareText("ґ"_a, "г"_a), 1);
    EXPECT_EQ(AnsiCompareText("ґ"_a, "д"_a), -1);
    EXPECT_EQ(AnsiCompareText("і"_a, "й"_a), -1);
}

TEST(WordSort, HyphensAndApostrophesArePassedOver)
{
    // "co-op" stays beside "coop" instead of going before "coal".
    ExpectSortedAs({"coal", "coop", "co-op", "copper"}, AnsiCompareText);
    ExpectSortedAs({"ab", "a-c", "ad"}, AnsiCompareStr);
    ExpectSortedAs({"Д'Артаньян"_a, "Дарья"_a, "Дата"_a}, AnsiCompareText);
    EXPECT_EQ(AnsiCompareText("-abc", "abd"), -1);
    EXPECT_EQ(AnsiCompareText("ab-", "ab"), 1);
    // Other punctuation is no letter to pass over.
    EXPECT_EQ(AnsiCompareText("co_op", "coal"), -1);
}

TEST(WordSort, CaseDecidesOnlyForTheCaseSensitiveForm)
{
    EXPECT_EQ(AnsiCompareText("Coop", "co-op"), -1);
    EXPECT_EQ(AnsiCompareStr("co-op", "Coop"), -1); // lower case before the hyphen counts
    EXPECT_EQ(AnsiCompareStr("coop", "Coop"), -1);
    EXPECT_EQ(AnsiCompareStr("Ёлка"_a, "ёлка"_a), 1);
    EXPECT_EQ(AnsiCompareText("Ёлка"_a, "ёлка"_a), 0);
    // The plain forms stay byte comparisons: '_' lies after the upper-case letters.
    EXPECT_EQ(CompareText("_", "a"), 1);
    EXPECT_EQ(CompareStr("_", "a"), -1);
}

TEST(WordSort, OnlyEqualTextsTieAndTheOrderIsTotal)
{
    EXPECT_EQ(AnsiCompareText("co-op", "co'op"), 1);
    EXPECT_EQ(AnsiCompareText("co-op", "coo-p"), -1);
    EXPECT_FALSE(AnsiSameText("co-op", "coop"));
    std::vector<AnsiString> All;
    for (int B = 0; B < 256; ++B)
        All.push_back(AnsiString(static_cast<char>(B)) + "x");
    for (const AnsiString &A : All)
        for (const AnsiString &B : All) {
            ASSERT_EQ(AnsiCompareStr(A, B), -AnsiCompareStr(B, A));
            ASSERT_EQ(AnsiCompareStr(A, B) == 0, A == B);
            ASSERT_EQ(AnsiCompareText(A, B) == 0, AnsiUpperCase(A) == AnsiUpperCase(B));
        }
    // Sorting twice from different starts gives one order.
    std::vector<AnsiString> Forward = All, Backward(All.rbegin(), All.rend());
    const auto Less = [](const AnsiString &A, const AnsiString &B) {
        return AnsiCompareStr(A, B) < 0;
    };
    std::sort(Forward.begin(), Forward.end(), Less);
    std::sort(Backward.begin(), Backward.end(), Less);
    EXPECT_EQ(Forward, Backward);
}

TEST(TextRoutines, TrimRemovesControlCharacters)
{
    EXPECT_EQ(Trim(" \t\r\nx y\x01 "), "x y");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x \x1f"), "  x");
    EXPECT_EQ(Trim("   "), "");
}

TEST(TextRoutines, FreeFunctionsFollowTheMemberRules)
{
    EXPECT_EQ(Pos("c", "abc"), 3);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(AnsiPos("ж"_a, "ёжик"_a), 2);
    EXPECT_EQ(Copy("abc", 0, 2), "ab");
    EXPECT_EQ(Copy("abc", 4, 1), "");
    AnsiString s = "abcdef";
    Delete(s, 2, 2);
    EXPECT_EQ(s, "adef");
    Insert("XY", s, 100);
    EXPECT_EQ(s, "adefXY");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -1), "");
}

TEST(TextRoutines, StringReplaceHonoursFlags)
{
    EXPECT_EQ(StringReplace("0x1F0x", "0x", "$", 0), "$1F0x");
    EXPECT_EQ(StringReplace("0x1F0x", "0x", "$", rfReplaceAll), "$1F$");
    EXPECT_EQ(StringReplace("aXa", "x", "-", rfReplaceAll), "aXa");
    EXPECT_EQ(StringReplace("Ёлка ёлка"_a, "ёл"_a, "_", rfReplaceAll | rfIgnoreCase), "_ка _ка"_a);
    EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa"); // no rescanning
    EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(TextRoutines, QuotedStrDoublesQuotes)
{
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
}

TEST(IntegerText, IntToStrCoversBothWidths)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(IntToStr(9223372036854775807LL), "9223372036854775807");
}

TEST(IntegerText, IntToHexPadsAndShowsNegativesAsTwosComplement)
{
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(-1LL, 2), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(0x80000000LL, 8), "80000000");
}

TEST(IntegerText, StrToIntAcceptsDecimalAndHexPrefixes)
{
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt(" $1F"), 31);
    EXPECT_EQ(StrToInt("0xff"), 255);
    EXPECT_EQ(StrToInt("x10"), 16);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(AnsiString("12").ToInt(), 12);
}

TEST(IntegerText, StrToIntRejectsBadTextWithTheLibraryMessage)
{
    for (const char *bad : {"", " ", "12a", "12 ", "2147483648", "-2147483649", "0x", "$", "1.5",
                            "--1", "$100000000", "٣"}) {
        int value = 99;
        EXPECT_FALSE(TryStrToInt(bad, value)) << bad;
        EXPECT_EQ(value, 99) << bad;
    }
    try {
        StrToInt("12a");
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
    }
}

TEST(IntegerText, DefaultFormsFallBack)
{
    EXPECT_EQ(StrToIntDef("0xff", -1), 255);
    EXPECT_EQ(StrToIntDef("0x", -1), -1);
    EXPECT_EQ(StrToIntDef("", 7), 7);
    EXPECT_EQ(AnsiString("zz").ToIntDef(3), 3);
}

TEST(IntegerText, Int64FormsUseTheFullRange)
{
    EXPECT_EQ(StrToInt64("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), -9223372036854775807LL - 1);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(StrToInt64Def("x", -5), -5);
    long long v = 0;
    EXPECT_TRUE(TryStrToInt64(" 0x100000000", v));
    EXPECT_EQ(v, 4294967296LL);
}

TEST(IntegerText, EveryIntegerTypeConverts)
{
    EXPECT_EQ(IntToStr(4294967295u), "4294967295");
    EXPECT_EQ(IntToStr(std::size_t{12}), "12");
    EXPECT_EQ(IntToStr(static_cast<short>(-3)), "-3");
    EXPECT_EQ(IntToHex(std::uint16_t{0xAB}, 4), "00AB");
    EXPECT_EQ(IntToHex(static_cast<short>(-1), 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(0xFFFFFFFFu, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::uint64_t{1} << 40, 2), "10000000000");
    EXPECT_EQ(Format("%d|%u", {std::size_t{7}, 8ul}), "7|8");
}

TEST(SystemErrors, TheSystemsTextComesInTheProgramsCodePage)
{
    EXPECT_EQ(SysErrorMessage(EACCES).ToUtf8(), std::strerror(EACCES));
    EXPECT_EQ(SysErrorMessage(ENOSPC).ToUtf8(), std::strerror(ENOSPC));
}
