#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace
{

class DateText : public testing::Test
{
protected:
    void TearDown() override { rtl::RestoreDefaultFormatSettings(); }
};

// 5.3.2024 14:07:09.045, a Tuesday.
TDateTime Sample()
{
    return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
}

AnsiString MessageOf(TDateTime (*Parse)(const AnsiString &), const AnsiString &Text)
{
    try {
        Parse(Text);
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return "no error";
}

// Encoded while the program's units are still being initialised.
const TDateTime EncodedAtStartUp = EncodeDate(1980, 1, 1);

} // namespace

TEST_F(DateText, EncodeDateCountsDaysFromTheEpoch)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST_F(DateText, EncodeDateWorksInOtherUnitsStaticInitialisers)
{
    EXPECT_EQ(EncodedAtStartUp, 29221);
}

TEST_F(DateText, EncodeRejectsImpossibleValues)
{
    TDateTime d;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, d));
    EXPECT_TRUE(TryEncodeDate(2024, 2, 29, d));
    EXPECT_FALSE(TryEncodeDate(2024, 13, 1, d));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, d));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, d));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, d));
    try {
        EncodeDate(2023, 2, 29);
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    try {
        EncodeTime(0, 60, 0, 0);
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
}

TEST_F(DateText, DecodeRoundTripsAndHandlesDatesBeforeTheEpoch)
{
    int y, m, d, h, n, s, z;
    DecodeDate(Sample(), y, m, d);
    DecodeTime(Sample(), h, n, s, z);
    EXPECT_EQ((std::array{y, m, d, h, n, s, z}), (std::array{2024, 3, 5, 14, 7, 9, 45}));
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, z);
    EXPECT_EQ((std::array{y, m, d, h}), (std::array{1899, 12, 29, 6}));
    // 23:59:59.9999 rounds to the next midnight rather than to "24:00".
    DecodeDate(0.99999999999, y, m, d);
    DecodeTime(0.99999999999, h, n, s, z);
    EXPECT_EQ((std::array{y, m, d, h, n}), (std::array{1899, 12, 31, 0, 0}));
    for (int day = -693593; day <= 2958465; day += 12345) {
        DecodeDate(day, y, m, d);
        EXPECT_EQ(EncodeDate(y, m, d), day);
    }
}

TEST_F(DateText, CalendarHelpers)
{
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
    EXPECT_EQ(DaysInAMonth(2023, 12), 31);
    EXPECT_THROW(DaysInAMonth(2023, 13), EConvertError);
    EXPECT_EQ(DaysInMonth(Sample()), 31);
    EXPECT_EQ(DayOf(Sample()), 5);
    EXPECT_EQ(MonthOf(Sample()), 3);
    EXPECT_EQ(YearOf(Sample()), 2024);
    EXPECT_EQ(HourOf(Sample()), 14);
    EXPECT_EQ(MinuteOf(Sample()), 7);
    EXPECT_EQ(SecondOf(Sample()), 9);
}

TEST_F(DateText, IncMonthClampsTheDayAndKeepsTheTime)
{
    TDateTime jan31 = EncodeDate(2024, 1, 31) + 0.75;
    EXPECT_DOUBLE_EQ(IncMonth(jan31, 1), EncodeDate(2024, 2, 29) + 0.75);
    EXPECT_DOUBLE_EQ(IncMonth(jan31, -2), EncodeDate(2023, 11, 30) + 0.75);
    EXPECT_DOUBLE_EQ(IncMonth(jan31, 12), EncodeDate(2025, 1, 31) + 0.75);
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2024, 3, 15)), EncodeDate(2024, 4, 15));
}

TEST_F(DateText, ClockIsLocalAndConsistent)
{
    TDateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_NEAR(Date(), std::floor(now), 1);
    EXPECT_GE(Time(), 0);
    EXPECT_LT(Time(), 1);
}

TEST_F(DateText, FormatDateTimeNumbersAndNames)
{
    TDateTime t = Sample();
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy  hh:nn:ss", t), "05.03.2024  14:07:09");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", t), "2024-03-05 14:07:09");
    EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z zzz", t), "5.3.24 14:7:9 45 045");
    EXPECT_EQ(FormatDateTime("hh:mm", t), "14:07"); // m after h is minutes
    EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", t), "Вт вторник мар Март"_a);
    EXPECT_EQ(FormatDateTime("y", t), "24");
    EXPECT_EQ(FormatDateTime("yyy", t), "2024");
}

TEST_F(DateText, FormatDateTimeTakesAWholeLetterRunAsOneToken)
{
    TDateTime t = Sample();
    EXPECT_EQ(FormatDateTime("hhh", t), "14");
    EXPECT_EQ(FormatDateTime("hhhhh:nnn:ssss", t), "14:07:09");
    EXPECT_EQ(FormatDateTime("zzzzz", t), "045");
    EXPECT_EQ(FormatDateTime("mmmmm", t), "Март"_a);
    EXPECT_EQ(FormatDateTime("yyyyyy", t), "2024");
    EXPECT_EQ(FormatDateTime("ttt", t), "14:07:09");
    EXPECT_EQ(FormatDateTime("ddddddd", t), "5 Март 2024 г."_a);
}

TEST_F(DateText, FormatDateTimeCompositeTokensAndLiterals)
{
    TDateTime t = Sample();
    EXPECT_EQ(FormatDateTime("ddddd", t), "05.03.2024");
    EXPECT_EQ(FormatDateTime("dddddd", t), "5 Март 2024 г."_a);
    EXPECT_EQ(FormatDateTime("t", t), "14:07");
    EXPECT_EQ(FormatDateTime("tt", t), "14:07:09");
    EXPECT_EQ(FormatDateTime("c", t), "05.03.2024 14:07:09");
    EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(FormatDateTime("'d' \"mm\" dd", t), "d mm 05");
    EXPECT_EQ(FormatDateTime("dd 'open", t), "05 open");
    DateSeparator = '-';
    TimeSeparator = '.';
    EXPECT_EQ(FormatDateTime("dd/mm hh:nn", t), "05-03 14.07");
}

TEST_F(DateText, FormatDateTimeTwelveHourClock)
{
    TDateTime t = Sample();
    EXPECT_EQ(FormatDateTime("h:nn am/pm", t), "2:07 pm");
    EXPECT_EQ(FormatDateTime("h:nn AM/PM", EncodeTime(0, 5, 0, 0)), "12:05 AM");
    EXPECT_EQ(FormatDateTime("h a/p", EncodeTime(12, 0, 0, 0)), "12 p");
    TimeAMString = "AM";
    TimePMString = "PM";
    EXPECT_EQ(FormatDateTime("hh ampm", t), "02 PM");
    EXPECT_EQ(FormatDateTime("hh", t), "14");
}

TEST_F(DateText, DateTimeToStrLeavesOutMidnight)
{
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(DateTimeToStr(Sample()), "05.03.2024 14:07:09");
    EXPECT_EQ(DateToStr(Sample()), "05.03.2024");
    EXPECT_EQ(TimeToStr(Sample()), "14:07:09");
    EXPECT_EQ(TimeToStr(EncodeTime(9, 5, 0, 0)), "9:05:00");
}

TEST_F(DateText, LongDateTextUsesGenitiveMonthNames)
{
    EXPECT_EQ(rtl::LongDateText(EncodeDate(2024, 12, 7)), "7 декабря 2024 г."_a);
    EXPECT_EQ(rtl::LongDateText(EncodeDate(2025, 5, 31) + 0.5), "31 мая 2025 г."_a);
}

TEST_F(DateText, StrToDateFollowsTheShortDateOrder)
{
    EXPECT_EQ(StrToDate("05.03.2024"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate(" 5 . 3 . 2024 "), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("29.02.2024"), EncodeDate(2024, 2, 29));
    EXPECT_EQ(StrToDate("31.12.2024."), EncodeDate(2024, 12, 31));
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    EXPECT_EQ(StrToDate("7.12"), EncodeDate(year, 12, 7));
    ShortDateFormat = "M/d/yyyy";
    DateSeparator = '/';
    EXPECT_EQ(StrToDate("3/5/2024"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("3/5/2024/ "), EncodeDate(2024, 3, 5));
    ShortDateFormat = "yyyy-MM-dd";
    DateSeparator = '-';
    EXPECT_EQ(StrToDate("2024-03-05"), EncodeDate(2024, 3, 5));
}

TEST_F(DateText, TwoDigitYearsFallInTheCenturyWindow)
{
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    int oldest = year - TwoDigitYearCenturyWindow;
    int yy = oldest % 100;
    EXPECT_EQ(YearOf(StrToDate("1.1." + IntToStr(yy))), oldest);
    EXPECT_EQ(YearOf(StrToDate("1.1." + IntToStr((yy + 99) % 100))), oldest + 99);
    EXPECT_EQ(YearOf(StrToDate("1.1.08")), 2008);
    EXPECT_EQ(YearOf(StrToDate("1.1.0008")), 8); // four digits are taken as written
}

TEST_F(DateText, StrToDateRejectsBadText)
{
    for (const char *bad : {"", "5", "31.02.2024", "5.3.2024x", "5-3-2024", "a.b.c", "5..2024",
                            "5.3.20245", "0.1.2024", "5.3.2024..", "5.3."}) {
        TDateTime v = 123;
        EXPECT_FALSE(TryStrToDate(bad, v)) << bad;
        EXPECT_EQ(v, 123) << bad;
    }
    EXPECT_EQ(MessageOf(StrToDate, "31.02.2024"), "'31.02.2024' is not a valid date");
}

TEST_F(DateText, StrToTimeReadsHoursMinutesSecondsAndHalves)
{
    EXPECT_DOUBLE_EQ(StrToTime("12"), 0.5);
    EXPECT_DOUBLE_EQ(StrToTime("6:00"), 0.25);
    EXPECT_DOUBLE_EQ(StrToTime("14:07:09.045"), EncodeTime(14, 7, 9, 45));
    EXPECT_DOUBLE_EQ(StrToTime("2:07 pm"), EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:00 AM"), 0);
    EXPECT_DOUBLE_EQ(StrToTime("PM 1:00"), EncodeTime(13, 0, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("am12:30"), EncodeTime(0, 30, 0, 0));
    for (const char *bad :
         {"", "24:00", "12:60", "1:2:3:4", "13 PM", "x", "12:", "PM 1:00 PM", "PM 13:00", "PM"}) {
        TDateTime v = 9;
        EXPECT_FALSE(TryStrToTime(bad, v)) << bad;
    }
    EXPECT_EQ(MessageOf(StrToTime, "25:00"), "'25:00' is not a valid time");
}

TEST_F(DateText, StrToDateTimeTakesDateThenOptionalTime)
{
    EXPECT_DOUBLE_EQ(StrToDateTime("05.03.24 14:07:09"),
                     EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
    EXPECT_EQ(StrToDateTime("05.03.2024"), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("29.12.1899 06:00"), -1.25);
    EXPECT_DOUBLE_EQ(StrToDateTime("31.12.2024. 10:00"),
                     EncodeDate(2024, 12, 31) + EncodeTime(10, 0, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("05.03.2024 PM 2:07"),
                     EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("PM 1:00"), EncodeTime(13, 0, 0, 0));
    EXPECT_EQ(MessageOf(StrToDateTime, "32.01.08 10:00:00"),
              "'32.01.08 10:00:00' is not a valid date and time");
    EXPECT_EQ(MessageOf(StrToDateTime, "01.01.08 10:00:99"),
              "'01.01.08 10:00:99' is not a valid date and time");
}

TEST_F(DateText, RoundTripThroughTheDefaultFormats)
{
    TDateTime t = EncodeDate(2031, 7, 1) + EncodeTime(23, 59, 58, 0);
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(t)), t);
}
