#include "platform/rtl/DateUtils.h"

#include "platform/rtl/SysUtils.h"

namespace
{

struct DateParts {
    explicit DateParts(TDateTime Value)
    {
        DecodeDate(Value, Year, Month, Day);
        DecodeTime(Value, Hour, Min, Sec, MSec);
    }
    int Year, Month, Day, Hour, Min, Sec, MSec;
};

} // namespace

int YearOf(TDateTime Value)
{
    return DateParts(Value).Year;
}
int MonthOf(TDateTime Value)
{
    return DateParts(Value).Month;
}
int DayOf(TDateTime Value)
{
    return DateParts(Value).Day;
}
int HourOf(TDateTime Value)
{
    return DateParts(Value).Hour;
}
int MinuteOf(TDateTime Value)
{
    return DateParts(Value).Min;
}
int SecondOf(TDateTime Value)
{
    return DateParts(Value).Sec;
}

int DaysInAMonth(int Year, int Month)
{
    if (Month < 1 || Month > 12) throw EConvertError("Invalid argument to date encode");
    return MonthDays[IsLeapYear(Year)][Month - 1];
}

int DaysInMonth(TDateTime Value)
{
    DateParts parts(Value);
    return DaysInAMonth(parts.Year, parts.Month);
}
