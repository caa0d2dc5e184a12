#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale.h>
#include <string_view>

namespace
{

// The C library under the "C" locale on this thread: the reference we must match.
template <class... T> std::string Reference(const char *Format, T... Args)
{
    locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    locale_t old = uselocale(c);
    char buf[4096];
    std::snprintf(buf, sizeof buf, Format, Args...);
    uselocale(old);
    freelocale(c);
    return buf;
}

#define EXPECT_LIKE_C(...)                                                                         \
    EXPECT_EQ(AnsiString().sprintf(__VA_ARGS__).ToStd(), Reference(__VA_ARGS__))

} // namespace

TEST(CPrintf, IgnoresTheProcessLocale)
{
    // The test main selected ru_RU, whose C library writes "3,14".
    EXPECT_EQ(AnsiString().sprintf("%.2f", 3.14159), "3.14");
    EXPECT_EQ(AnsiString().sprintf("%-.*lf", 0, 7.6), "8");
    EXPECT_EQ(AnsiString().sprintf("%-.*lf", 2, 3.14159), "3.14");
}

TEST(CPrintf, IntegersMatchTheCLibrary)
{
    EXPECT_LIKE_C("%d|%5d|%-5d|%05d|%+d|% d|%.3d|%.0d", 42, 42, 42, -42, 42, 42, 7, 0);
    EXPECT_LIKE_C("%06X|%x|%#x|%#o|%o|%u", static_cast<int>(0x8000000F), 255, 255, 8, 0, -1);
    EXPECT_LIKE_C("%06X|%8.3x|%-#8x|", 0xFF, 0xAB, 0x1F);
    // %hd and %hhu narrow the int they are given, as C does: the narrowing is what is checked.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
    EXPECT_LIKE_C("%lld|%llu|%ld|%hd|%hhu|%zu", std::numeric_limits<long long>::min(),
                  std::numeric_limits<unsigned long long>::max(), -5L, 70000, 300,
                  static_cast<std::size_t>(12));
#pragma GCC diagnostic pop
    EXPECT_LIKE_C("%*d|%-*d|%.*d", 6, 1, -6, 2, 4, 3);
}

TEST(CPrintf, FloatsMatchTheCLibrary)
{
    for (double v : {0.0, -0.0, 12.125, 2.675, 1.005, 1e-7, 123456789.125, -9.995, 1e300, 0.1}) {
        EXPECT_LIKE_C("%f|%.2f|%.0f|%10.3f|%-10.1f|%+08.2f|% .1f", v, v, v, v, v, v, v);
        EXPECT_LIKE_C("%e|%.3E|%g|%.10g|%G|%#g|%#.0f|%#.3g", v, v, v, v, v, v, v, v);
        EXPECT_LIKE_C("%a|%.3A", v, v);
    }
    EXPECT_LIKE_C("%Lf|%Lg", 2.5L, 1e-5L);
}

TEST(CPrintf, SpecialFloatsMatchTheCLibrary)
{
    double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    EXPECT_LIKE_C("%f|%F|%08.2f|%-6e|%+g", inf, -inf, inf, nan, inf);
    EXPECT_LIKE_C("%#g|%#.3G|%#a|%a|%A", inf, -inf, nan, inf, -inf);
}

TEST(CPrintf, TextCharactersAndPointers)
{
    EXPECT_LIKE_C("%s|%5s|%-5s|%.2s|%c|%3c|%%", "abc", "ab", "ab", "abc", 'x', 'y');
    int x;
    EXPECT_LIKE_C("%p|%p", static_cast<void *>(&x), static_cast<void *>(nullptr));
    EXPECT_EQ(AnsiString().sprintf("%s %d %c", "GRID", 3, 'A'), "GRID 3 A");
}

TEST(CPrintf, CatSprintfAppends)
{
    AnsiString s = "w=";
    s.cat_sprintf("%d\n", 120).cat_sprintf("%d\n", 7);
    EXPECT_EQ(s, "w=120\n7\n");
}

TEST(CStrToD, ReadsTheLeadingNumberWithADot)
{
    const char *end;
    EXPECT_EQ(rtl::StrToD("3.14", &end), 3.14); // ru_RU's strtod would stop at the dot
    EXPECT_EQ(*end, '\0');
    EXPECT_EQ(rtl::StrToD("12abc", &end), 12);
    EXPECT_STREQ(end, "abc");
    EXPECT_EQ(rtl::StrToD("  -2.5e2x"), -250);
    EXPECT_EQ(rtl::StrToD("+.5"), 0.5);
    EXPECT_EQ(rtl::StrToD("7."), 7);
    EXPECT_EQ(rtl::StrToD("1e", &end), 1);
    EXPECT_STREQ(end, "e");
    EXPECT_EQ(rtl::StrToD("1e-400"), 0);
    EXPECT_EQ(rtl::StrToD("-1e400"), -HUGE_VAL);
    EXPECT_EQ(rtl::StrToD(AnsiString().sprintf("%.17g", 0.1).c_str()), 0.1);
}

TEST(CStrToD, NoNumberGivesZeroAndNoProgress)
{
    for (const char *text : {"", "abc", ".", "-", "inf", "nan", "0x1p3"}) {
        const char *end = nullptr;
        double v = rtl::StrToD(text, &end);
        bool hexZero = std::string_view(text) == "0x1p3";
        EXPECT_EQ(v, 0) << text;
        EXPECT_EQ(end, hexZero ? text + 1 : text) << text; // "0x1p3" reads as 0 then "x1p3"
    }
}
