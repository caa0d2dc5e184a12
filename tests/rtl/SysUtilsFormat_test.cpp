#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

class FormatRoutine : public testing::Test
{
protected:
    void TearDown() override { rtl::RestoreDefaultFormatSettings(); }
};

AnsiString FormatErrorOf(const AnsiString &Fmt, std::initializer_list<TVarRec> Args)
{
    try {
        Format(Fmt, Args);
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return "no error";
}

} // namespace

TEST_F(FormatRoutine, IntegersWithWidthAndPrecision)
{
    EXPECT_EQ(Format("%d items", {3}), "3 items");
    EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
    EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
    EXPECT_EQ(Format("[%.4d]", {-42}), "[-0042]");
    EXPECT_EQ(Format("%d", {1LL << 40}), "1099511627776");
    EXPECT_EQ(Format("%u", {-1}), "4294967295");
    EXPECT_EQ(Format("%d%%", {50}), "50%");
}

TEST_F(FormatRoutine, HexIsUpperCaseAndNegativesShowAllDigits)
{
    EXPECT_EQ(Format("%06X", {static_cast<int>(0x8000000F)}), "8000000F");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("%.2x%.2x%.2x", {1, 171, 255}), "01ABFF");
    EXPECT_EQ(Format("%.8x", {-1LL}), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Format("[%6x]", {255}), "[    FF]"); // width pads with blanks
}

TEST_F(FormatRoutine, FloatsRoundHalfAwayFromZero)
{
    EXPECT_EQ(Format("%.2f", {12.125}), "12.13");
    EXPECT_EQ(Format("%f", {1.005}), "1.00"); // binary 1.00499999999999989
    EXPECT_EQ(Format("%2.2f", {12.5}), "12.50");
    EXPECT_EQ(Format("%9.2f", {3.14159}), "     3.14");
    EXPECT_EQ(Format("%10.2f", {-2.0}), "     -2.00");
    EXPECT_EQ(Format("%.0f", {7.6}), "8");
    EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3e", {-0.00012}), "-1.20E-004");
    EXPECT_EQ(Format("%g", {0.1}), "0.1");
    EXPECT_EQ(Format("%g", {1e20}), "1E20");
    EXPECT_EQ(Format("%n", {1234567.891}), "1 234 567.89");
    EXPECT_EQ(Format("%m", {5.0}), "5.00 р."_a);
}

TEST_F(FormatRoutine, FloatsUseTheDecimalSeparatorSetting)
{
    DecimalSeparator = ',';
    EXPECT_EQ(Format("%.1f", {2.25}), "2,3");
}

TEST_F(FormatRoutine, StringsCharsAndPrecisionCut)
{
    AnsiString name = "Язык"_a;
    EXPECT_EQ(Format("Language '%s' not found", {name}), "Language 'Язык' not found"_a);
    EXPECT_EQ(Format("%s (%s)", {"Open", "Ctrl+O"}), "Open (Ctrl+O)");
    EXPECT_EQ(Format("%.3s|%5s|%-3s|", {"abcdef", "ab", "x"}), "abc|   ab|x  |");
    EXPECT_EQ(Format("%s%s", {'a', WideString(u"ж")}), "aж"_a);
    std::string longText(300, 'x');
    EXPECT_EQ(Format("%s", {AnsiString(longText)}).Length(), 300); // never cut to 255
}

TEST_F(FormatRoutine, IndexesAndStars)
{
    EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
    EXPECT_EQ(Format("[%*d]", {4, 7}), "[   7]");
    EXPECT_EQ(Format("[%-*.*f]", {8, 1, 2.25}), "[2.3     ]");
}

TEST_F(FormatRoutine, PointerPrintsEveryHexDigitOfTheAddress)
{
    int x = 0;
    AnsiString text = Format("%p", {static_cast<const void *>(&x)});
    EXPECT_EQ(text.Length(), static_cast<int>(sizeof(void *) * 2));
    EXPECT_EQ(StrToInt64("$" + text), reinterpret_cast<long long>(&x));
}

TEST_F(FormatRoutine, MismatchedArgumentsRaise)
{
    EXPECT_EQ(FormatErrorOf("%d", {12.5}), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(FormatErrorOf("%f", {12}), "Format '%f' invalid or incompatible with argument");
    EXPECT_EQ(FormatErrorOf("%s", {true}), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(FormatErrorOf("%d %d", {1}), "No argument for format '%d %d'");
    EXPECT_EQ(FormatErrorOf("%k", {1}), "Format '%k' invalid or incompatible with argument");
    EXPECT_EQ(FormatErrorOf("abc %", {1}), "Format 'abc %' invalid or incompatible with argument");
    EXPECT_EQ(FormatErrorOf("%*d", {"x", 1}), "Format '%*d' invalid or incompatible with argument");
}

TEST_F(FormatRoutine, TakesAnArgumentArrayBuiltAtRunTime)
{
    std::vector<TVarRec> args;
    AnsiString page = "page";
    args.emplace_back(page);
    args.emplace_back(3);
    EXPECT_EQ(Format("%s%d", args), "page3");
}

TEST_F(FormatRoutine, ExceptionsFormatTheirMessage)
{
    EConvertError e("Class %s does not have a default property", {"TFoo"});
    EXPECT_EQ(e.Message(), "Class TFoo does not have a default property");
    EXPECT_THROW(Abort(), EAbort);
}
