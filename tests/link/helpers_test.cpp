#include "link/helpers.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <limits>

TEST(SumInWords, WholeRoublesTakeTheRightNounForm)
{
    EXPECT_EQ(SumInWords(1.00), "Один рубль 00 коп."_a);
    EXPECT_EQ(SumInWords(21), "Двадцать один рубль 00 коп."_a);
    EXPECT_EQ(SumInWords(22), "Двадцать два рубля 00 коп."_a);
    EXPECT_EQ(SumInWords(111.00), "Сто одиннадцать рублей 00 коп."_a);
    EXPECT_EQ(SumInWords(200), "Двести рублей 00 коп."_a);
}

TEST(SumInWords, ThousandsAreFeminineAndMillionsMasculine)
{
    EXPECT_EQ(SumInWords(2000.5), "Две тысячи рублей 50 коп."_a);
    EXPECT_EQ(SumInWords(1001), "Одна тысяча один рубль 00 коп."_a);
    EXPECT_EQ(SumInWords(5000000), "Пять миллионов рублей 00 коп."_a);
    EXPECT_EQ(
        SumInWords(1234567.89),
        "Один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 89 коп."_a);
    EXPECT_EQ(SumInWords(2002000), "Два миллиона две тысячи рублей 00 коп."_a);
    EXPECT_EQ(SumInWords(15000), "Пятнадцать тысяч рублей 00 коп."_a);
}

TEST(SumInWords, RoundsToWholeKopecksBeforeSplitting)
{
    EXPECT_EQ(SumInWords(100 * 1.13), "Сто тринадцать рублей 00 коп."_a);
    EXPECT_EQ(SumInWords(112.99999999999999), "Сто тринадцать рублей 00 коп."_a);
    EXPECT_EQ(SumInWords(5.05), "Пять рублей 05 коп."_a);
    EXPECT_EQ(SumInWords(0.999), "Один рубль 00 коп."_a);
}

TEST(SumInWords, UnderOneRoubleGivesNothing)
{
    EXPECT_EQ(SumInWords(0.99), "");
    EXPECT_EQ(SumInWords(0), "");
    EXPECT_EQ(SumInWords(-5), "");
    EXPECT_THROW(SumInWords(1e9), EConvertError);
}

TEST(SumInWords, AmountsBeyondTheWordTablesRaise)
{
    EXPECT_EQ(SumInWords(999999999.99),
              "Девятьсот девяносто девять миллионов девятьсот девяносто девять тысяч "
              "девятьсот девяносто девять рублей 99 коп."_a);
    EXPECT_THROW(SumInWords(999999999.999), EConvertError);
    EXPECT_THROW(SumInWords(1e12), EConvertError);
    EXPECT_THROW(SumInWords(1e17), EConvertError);
    EXPECT_THROW(SumInWords(1e20), EConvertError);
    EXPECT_THROW(SumInWords(std::numeric_limits<double>::max()), EConvertError);
    EXPECT_THROW(SumInWords(std::numeric_limits<double>::infinity()), EConvertError);
    EXPECT_THROW(SumInWords(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_EQ(SumInWords(-1e20), "");
    EXPECT_EQ(SumInWords(-std::numeric_limits<double>::infinity()), "");
}

TEST(TextHelpers, ReplaceAllIgnoresCase)
{
    AnsiString text = "Ключ КЛЮЧ ключ"_a;
    StringReplaceAll(text, "ключ"_a, "код"_a);
    EXPECT_EQ(text, "код код код"_a);
    AnsiString same = "aXbxc";
    StringReplaceAll(same, "x", "-");
    EXPECT_EQ(same, "a-b-c");
    AnsiString longer = "a.b.c";
    StringReplaceAll(longer, ".", "::");
    EXPECT_EQ(longer, "a::b::c");
    AnsiString untouched = "abc";
    StringReplaceAll(untouched, "", "x");
    EXPECT_EQ(untouched, "abc");
}

TEST(TextHelpers, CharacterClasses)
{
    EXPECT_TRUE(IsDigitChar('7'));
    EXPECT_FALSE(IsDigitChar('a'));
    EXPECT_TRUE(IsLetterChar('q'));
    EXPECT_TRUE(IsLetterChar("Я"_a[1]));
    EXPECT_TRUE(IsLetterChar("а"_a[1]));
    EXPECT_FALSE(IsLetterChar("Ё"_a[1]));
    EXPECT_FALSE(IsLetterChar("ё"_a[1]));
    EXPECT_FALSE(IsLetterChar('1'));
    EXPECT_TRUE(IsHexDigitChar('f'));
    EXPECT_FALSE(IsHexDigitChar('g'));
    EXPECT_TRUE(CharInString('b', "abc"));
    EXPECT_FALSE(CharInString('d', "abc"));
}

TEST(TextHelpers, TrimAndPad)
{
    AnsiString blanks = "   ";
    TrimSpaces(blanks);
    EXPECT_EQ(blanks, "");
    AnsiString tabbed = " \tab  ";
    TrimSpaces(tabbed);
    EXPECT_EQ(tabbed, "\tab");
    EXPECT_EQ(PadLeft("7", 3, '0'), "007");
    EXPECT_EQ(PadLeft("1234", 3, '0'), "1234");
    EXPECT_EQ(PadRight("ab", 4, ' '), "ab  ");
    EXPECT_EQ(PadRight("abcde", 4, ' '), "abcde");
}

TEST(TextHelpers, FilterAndSeparators)
{
    AnsiString text = "a1b2c3";
    EXPECT_EQ(KeepCharsOfSet(text, "0123456789"), "123");
    EXPECT_EQ(text, "123");
    EXPECT_EQ(InsertSeparatorEvery("0102", 2, " "), "01 02");
    EXPECT_EQ(InsertSeparatorEvery("235959", 2, ":"), "23:59:59");
    EXPECT_EQ(InsertSeparatorEvery("012", 2, " "), "01 2");
    EXPECT_EQ(RemoveSeparatorEvery("01 02", 3), "0102");
    EXPECT_EQ(RemoveSeparatorEvery("01 02 ", 3), "0102 ");
    EXPECT_EQ(RemoveSeparatorEvery("5B 23 45 67 89 AB CD EF", 3), "5B23456789ABCDEF");
}

TEST(TextHelpers, SplitTrailingDigits)
{
    AnsiString prefix, digits;
    SplitTrailingDigits(" COM12 ", prefix, digits);
    EXPECT_EQ(prefix, "COM");
    EXPECT_EQ(digits, "12");
    SplitTrailingDigits("\\Device\\VCP0", prefix, digits);
    EXPECT_EQ(prefix, "\\Device\\VCP");
    EXPECT_EQ(digits, "0");
    SplitTrailingDigits("COM", prefix, digits);
    EXPECT_EQ(prefix, "COM");
    EXPECT_EQ(digits, "");
}

TEST(NumberHelpers, RoundToDecimalsGoesThroughPrintedText)
{
    double result = 0;
    EXPECT_DOUBLE_EQ(RoundToDecimals(99.999, 2, result), 100.0);
    EXPECT_DOUBLE_EQ(result, 100.0);
    EXPECT_DOUBLE_EQ(RoundToDecimals(1.2345, 3, result), 1.234);
    EXPECT_DOUBLE_EQ(RoundToDecimals(-2.5, 0, result), -2.0);
}

TEST(NumberHelpers, FileSizeOfAMissingFileIsMinusOne)
{
    EXPECT_EQ(FileSizeByName("/nonexistent/qrv4/none.txt"), -1);
}

namespace
{

void ServePorts(std::vector<std::pair<const char *, const char *>> Values)
{
    rtl::RegisterMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM", [Values] {
        std::vector<rtl::RegistryValue> values;
        for (auto [name, data] : Values)
            values.push_back(rtl::RegistryValue::String(name, data));
        return values;
    });
}

} // namespace

TEST(EnumComPorts, SplitsNamesAndDataAndSortsByPortNumber)
{
    ServePorts({{"\\Device\\VCP0", "COM5"}, {"\\Device\\Serial0", "COM1"}});
    std::vector<TComPortEntry> list;
    EnumComPorts(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].PortPrefix, "COM");
    EXPECT_EQ(list[0].PortNumber, 1);
    EXPECT_EQ(list[0].DevicePrefix, "\\Device\\Serial");
    EXPECT_EQ(list[0].DeviceNumber, 0);
    EXPECT_EQ(list[1].PortNumber, 5);
    EXPECT_EQ(list[1].DevicePrefix, "\\Device\\VCP");
}

TEST(EnumComPorts, DataWithoutDigitsIsPortOneAndValuesAreTakenFromTheLast)
{
    ServePorts({{"\\Device\\VCP3", "COM5"}, {"\\Device\\Serial0", "COM1"}, {"Modem", "PORT"}});
    std::vector<TComPortEntry> list(7);
    EnumComPorts(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].DevicePrefix, "Modem");
    EXPECT_EQ(list[0].PortPrefix, "PORT");
    EXPECT_EQ(list[0].PortNumber, 1);
    EXPECT_EQ(list[0].DeviceNumber, 0);
    EXPECT_EQ(list[1].DevicePrefix, "\\Device\\Serial");
    EXPECT_EQ(list[2].DeviceNumber, 3);
}

TEST(EnumComPorts, EmptyKeyGivesAnEmptyList)
{
    ServePorts({});
    std::vector<TComPortEntry> list(2);
    EnumComPorts(list);
    EXPECT_TRUE(list.empty());
}
