#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

// Every test starts from and leaves the program's default settings.
class FloatText : public testing::Test
{
protected:
    void TearDown() override { rtl::RestoreDefaultFormatSettings(); }
};

} // namespace

TEST_F(FloatText, FloatToStrIsShortestGeneralWithFifteenDigits)
{
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(150.5), "150.5");
    EXPECT_EQ(FloatToStr(20.0), "20");
    EXPECT_EQ(FloatToStr(94.48825), "94.48825");
    EXPECT_EQ(FloatToStr(-2.5), "-2.5");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(-0.0), "0");
}

TEST_F(FloatText, FloatToStrSwitchesToScientificOutsideTheFixedRange)
{
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(999999999999999.0), "999999999999999");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(9999999999999999.0), "1E16"); // rounds up past the precision
    EXPECT_EQ(FloatToStr(-1.25e-300), "-1.25E-300");
    EXPECT_EQ(FloatToStr(1e300), "1E300");
    EXPECT_EQ(FloatToStr(-1e100), "-1E100");
    for (int e = -307; e <= 307; e += 7) {
        double v = 1.5 * std::pow(10.0, e);
        AnsiString text = FloatToStr(v);
        EXPECT_NEAR(StrToFloat(text), v, v * 1e-14) << text.c_str();
    }
}

TEST_F(FloatText, FloatToStrNamesSpecialValues)
{
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}

TEST_F(FloatText, SeparatorComesFromTheSettingsNotTheLocale)
{
    // The test main runs under ru_RU, whose C locale writes a comma.
    EXPECT_EQ(FloatToStr(3.14), "3.14");
    EXPECT_EQ(AnsiString(2.5), "2.5");
    DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(3.14), "3,14");
    EXPECT_DOUBLE_EQ(StrToFloat("3,14"), 3.14);
    EXPECT_THROW(StrToFloat("3.14"), EConvertError);
}

TEST_F(FloatText, FloatToDecimalRoundsHalfAwayFromZeroOnDecimalDigits)
{
    TFloatRec rec;
    FloatToDecimal(rec, 12.125, 15, 2);
    EXPECT_STREQ(rec.Digits, "1213");
    EXPECT_EQ(rec.Exponent, 2);
    FloatToDecimal(rec, 0.285, 15, 2); // binary 0.28499999999999998
    EXPECT_STREQ(rec.Digits, "28");
    FloatToDecimal(rec, 2.675, 15, 2); // binary 2.67499999999999982
    EXPECT_STREQ(rec.Digits, "267");
    FloatToDecimal(rec, 99.995, 15, 2); // binary 99.99500000000000455
    EXPECT_STREQ(rec.Digits, "1");
    EXPECT_EQ(rec.Exponent, 3);
    FloatToDecimal(rec, 9.96, 15, 1);
    EXPECT_STREQ(rec.Digits, "1");
    EXPECT_EQ(rec.Exponent, 2);
    FloatToDecimal(rec, 0.5, 15, 0);
    EXPECT_STREQ(rec.Digits, "1");
    EXPECT_EQ(rec.Exponent, 1);
    FloatToDecimal(rec, 0.049, 15, 1);
    EXPECT_STREQ(rec.Digits, "");
    EXPECT_FALSE(rec.Negative);
}

TEST_F(FloatText, FixedAndNumberFormats)
{
    EXPECT_EQ(FloatToStrF(12.125, ffFixed, 15, 2), "12.13");
    EXPECT_EQ(FloatToStrF(-12.125, ffFixed, 15, 2), "-12.13");
    EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 0), "3");
    EXPECT_EQ(FloatToStrF(0.001, ffFixed, 15, 2), "0.00");
    EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0.00");
    EXPECT_EQ(FloatToStrF(7, ffFixed, 15, 3), "7.000");
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1 234 567.89");
    EXPECT_EQ(FloatToStrF(-999.5, ffNumber, 15, 0), "-1 000");
    EXPECT_EQ(FloatToStrF(123.456, ffFixed, 2, 2), "1.2E2"); // wider than the precision
}

TEST_F(FloatText, ExponentAndGeneralFormats)
{
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 15, 3), "1.23450000000000E+003");
    EXPECT_EQ(FloatToStrF(-0.00012, ffExponent, 3, 2), "-1.20E-04");
    EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 0), "0.00E+0");
    EXPECT_EQ(FloatToStrF(123456, ffGeneral, 3, 2), "1.23E05");
    EXPECT_EQ(FloatToStrF(123.456, ffGeneral, 4, 0), "123.5");
}

TEST_F(FloatText, CurrencyFollowsTheCurrencySettings)
{
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1 234.50 р."_a);
    EXPECT_EQ(FloatToStrF(-3, ffCurrency, 15, 0), "-3 р."_a);
    CurrencyString = "$";
    CurrencyFormat = 0;
    NegCurrFormat = 0;
    EXPECT_EQ(FloatToStrF(2, ffCurrency, 15, 1), "$2.0");
    EXPECT_EQ(FloatToStrF(-2, ffCurrency, 15, 1), "($2.0)");
    EXPECT_EQ(CurrToStr(1.23456), "1.2346");
    EXPECT_EQ(CurrToStr(10), "10");
}

TEST_F(FloatText, StrToFloatAcceptsOnlyTheClassLibrarySyntax)
{
    EXPECT_DOUBLE_EQ(StrToFloat("3.14"), 3.14);
    EXPECT_DOUBLE_EQ(StrToFloat("  -2.5  "), -2.5);
    EXPECT_DOUBLE_EQ(StrToFloat("+1e3"), 1000);
    EXPECT_DOUBLE_EQ(StrToFloat("1.5E-2"), 0.015);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("5."), 5);
    EXPECT_EQ(StrToFloat("1e-400"), 0);
    EXPECT_EQ(StrToFloat("0.1"), 0.1); // correctly rounded, bit for bit
    EXPECT_EQ(AnsiString("2.25").ToDouble(), 2.25);
}

TEST_F(FloatText, StrToFloatRejectsEverythingElse)
{
    for (const char *bad : {"", " ", ".", "-", "1e", "1e+", "abc", "12abc", "inf", "nan", "INF",
                            "0x1p3", "1,5", "1 000", "1e400", "--1", "1..2", "\t1"}) {
        double value = 7;
        EXPECT_FALSE(TryStrToFloat(bad, value)) << bad;
        EXPECT_EQ(value, 7) << bad;
    }
    try {
        StrToFloat("1,5");
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
    }
    EXPECT_EQ(StrToFloatDef("x", 100.0), 100.0);
}

TEST_F(FloatText, RoundTripsThroughText)
{
    for (double v : {0.1, 1.0 / 3, 123456.789, -1e-10, 5e300, 150.5}) {
        double back = StrToFloat(FloatToStr(v));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
}

TEST_F(FloatText, FormatFloatPadsAndRoundsHalfAwayFromZero)
{
    EXPECT_EQ(FormatFloat("00", 4.5), "05");
    EXPECT_EQ(FormatFloat("00", 5), "05");
    EXPECT_EQ(FormatFloat("00", 99.99999), "100");
    EXPECT_EQ(FormatFloat("0.00", 12.125), "12.13");
    EXPECT_EQ(FormatFloat("0.00", 2.675), "2.67"); // binary value lies below the tie
    EXPECT_EQ(FormatFloat("0", -2.5), "-3");
    EXPECT_EQ(FormatFloat("0.0", -0.04), "0.0");
    EXPECT_EQ(FormatFloat("000.000", 1.5), "001.500");
}

TEST_F(FloatText, FormatFloatOptionalDigitsAndSeparators)
{
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1 234 567.89");
    EXPECT_EQ(FormatFloat("#,##0.00", 0.5), "0.50");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1 234.50");
    EXPECT_EQ(FormatFloat("#.##", 1), "1");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
    EXPECT_EQ(FormatFloat("#", 0), "");
    EXPECT_EQ(FormatFloat("0.0#", 1.5), "1.5");
    EXPECT_EQ(FormatFloat("0.0#", 1.256), "1.26");
    EXPECT_EQ(FormatFloat("0.0#", 3), "3.0");
    EXPECT_EQ(FormatFloat("0", 123456), "123456"); // digits beyond the placeholders stay
    ThousandSeparator = ',';
    DecimalSeparator = '.';
    EXPECT_EQ(FormatFloat("#,##0", 1000000), "1,000,000");
}

TEST_F(FloatText, FormatFloatLiteralsAndSections)
{
    EXPECT_EQ(FormatFloat("0.00 'р.'"_a, 3), "3.00 р."_a);
    EXPECT_EQ(FormatFloat("\"#\"0", 7), "#7");
    EXPECT_EQ(FormatFloat("0;(0);'zero'", 5), "5");
    EXPECT_EQ(FormatFloat("0;(0);'zero'", -5), "(5)");
    EXPECT_EQ(FormatFloat("0;(0);'zero'", 0), "zero");
    EXPECT_EQ(FormatFloat("0;(0);'zero'", 0.2), "zero"); // rounds to zero
    EXPECT_EQ(FormatFloat("0;;'zero'", -5), "-5");       // empty section: first one, signed
    EXPECT_EQ(FormatFloat("'a;b' 0", 1), "a;b 1");
    EXPECT_EQ(FormatFloat("0 'open", 1), "1 open");
    EXPECT_EQ(FormatFloat("", 0.1), "0.1");
}

TEST_F(FloatText, FormatFloatScientific)
{
    EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
    EXPECT_EQ(FormatFloat("0.00E+00", 0.00012345), "1.23E-04");
    EXPECT_EQ(FormatFloat("0.00E-00", 12345), "1.23E04");
    EXPECT_EQ(FormatFloat("0.###e+0", 1500), "1.5e+3");
    EXPECT_EQ(FormatFloat("00.0E+0", 12345), "12.3E+3");
    EXPECT_EQ(FormatFloat("0.0E+0", 0), "0.0E+0");
    EXPECT_EQ(FormatFloat("0.0E+0", -9.96), "-1.0E+1");
}

TEST_F(FloatText, FormatFloatHugeValuesAndSpecials)
{
    EXPECT_EQ(FormatFloat("0", 1e25), "1E25");
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatFloat(AnsiString::StringOfChar('0', 224), 1).Length(), 224);
    EXPECT_THROW(FormatFloat(AnsiString::StringOfChar('0', 225), 1), EConvertError);
}
