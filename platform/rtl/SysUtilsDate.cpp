// TDateTime: encoding, the clock, FormatDateTime and date/time parsing.

#include "platform/rtl/SysUtils.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <initializer_list>

const int MonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                              {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

namespace
{

constexpr long long MSecsPerDayInt = 86400000;

// Days between 1.1.1970 and 30.12.1899.
constexpr long long UnixDateDelta = 25569;

// Days since 1.3.0000 in the proleptic Gregorian calendar, and back.
constexpr long long DaysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void CivilFromDays(long long z, int &Year, int &Month, int &Day)
{
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    Year = static_cast<int>(yoe + era * 400 + (Month <= 2));
}

// Constant-initialised, so dates encoded by other units' static initialisers are right.
constexpr long long Epoch = DaysFromCivil(1899, 12, 30);

// The day (counted from 30.12.1899) and the milliseconds of its time. The
// time of a date before 1899 counts forward from that day, as the fraction's
// absolute value, so -1.25 is 29.12.1899 06:00.
void Split(TDateTime Value, long long &Day, long long &MSec)
{
    double day = std::trunc(Value);
    Day = static_cast<long long>(day);
    MSec = std::llround(std::fabs(Value - day) * MSecsPerDay);
    if (MSec >= MSecsPerDayInt) {
        MSec -= MSecsPerDayInt;
        ++Day;
    }
}

TDateTime Join(long long Day, double TimeFraction)
{
    return Day >= 0 ? Day + TimeFraction : Day - TimeFraction;
}

} // namespace

bool IsLeapYear(int Year)
{
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime &Date)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
        Day > MonthDays[IsLeapYear(Year)][Month - 1])
        return false;
    Date = static_cast<double>(DaysFromCivil(Year, Month, Day) - Epoch);
    return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime &Time)
{
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 ||
        MSec > 999)
        return false;
    Time = ((Hour * 60 + Min) * 60 + Sec) * 1000.0 + MSec;
    Time /= MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day)
{
    TDateTime result;
    if (!TryEncodeDate(Year, Month, Day, result))
        throw EConvertError("Invalid argument to date encode");
    return result;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec)
{
    TDateTime result;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, result))
        throw EConvertError("Invalid argument to time encode");
    return result;
}

void DecodeDate(TDateTime Date, int &Year, int &Month, int &Day)
{
    long long day, msec;
    Split(Date, day, msec);
    CivilFromDays(day + Epoch, Year, Month, Day);
}

void DecodeTime(TDateTime Time, int &Hour, int &Min, int &Sec, int &MSec)
{
    long long day, msec;
    Split(Time, day, msec);
    MSec = static_cast<int>(msec % 1000);
    Sec = static_cast<int>(msec / 1000 % 60);
    Min = static_cast<int>(msec / 60000 % 60);
    Hour = static_cast<int>(msec / 3600000);
}

int DayOfWeek(TDateTime Date)
{
    long long day, msec;
    Split(Date, day, msec);
    // 30.12.1899 was a Saturday.
    return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

TDateTime IncMonth(TDateTime Date, int NumberOfMonths)
{
    int year, month, day;
    DecodeDate(Date, year, month, day);
    long long months = static_cast<long long>(year) * 12 + (month - 1) + NumberOfMonths;
    year = static_cast<int>(months / 12);
    month = static_cast<int>(months % 12) + 1;
    if (year < 1 || year > 9999) throw EConvertError("Invalid argument to date encode");
    day = std::min(day, MonthDays[IsLeapYear(year)][month - 1]);
    double time = std::fabs(Date - std::trunc(Date));
    return Join(static_cast<long long>(EncodeDate(year, month, day)), time);
}

TDateTime Now()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    long long ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    long long localSeconds = static_cast<long long>(seconds) + local.tm_gmtoff;
    long long day = localSeconds / 86400 + UnixDateDelta;
    double time = ((localSeconds % 86400) * 1000 + ms) / MSecsPerDay;
    return day + time;
}

TDateTime Date()
{
    return std::floor(Now());
}
TDateTime Time()
{
    TDateTime now = Now();
    return now - std::floor(now);
}

// ---- FormatDateTime ----

namespace
{

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool StartsWithNoCase(std::string_view Text, std::size_t At, std::string_view Word)
{
    if (Text.size() - At < Word.size()) return false;
    for (std::size_t i = 0; i < Word.size(); ++i)
        if (Upper(Text[At + i]) != Upper(Word[i])) return false;
    return true;
}

class DateWriter
{
public:
    DateWriter(TDateTime Value, const AnsiString *MonthNames)
        : FValue(Value), FMonthNames(MonthNames)
    {
        DecodeDate(Value, FYear, FMonth, FDay);
        DecodeTime(Value, FHour, FMin, FSec, FMSec);
    }

    std::string Write(std::string_view Format, int Depth = 0)
    {
        if (Depth > 2) return FOut; // formats naming each other cannot loop
        if (Format.empty()) Format = "C";
        bool twelveHour = UsesTwelveHours(Format);
        char lastToken = ' ';
        for (std::size_t i = 0; i < Format.size();) {
            char c = Format[i];
            char token = Upper(c);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && lastToken == 'H') token = 'N';
                lastToken = token;
            }
            std::size_t count = 1;
            while (i + count < Format.size() && Upper(Format[i + count]) == Upper(c))
                ++count;
            switch (token) {
            case '"':
            case '\'': {
                std::size_t close = std::min(Format.find(c, i + 1), Format.size());
                FOut.append(Format.substr(i + 1, close - i - 1));
                i = std::min(close + 1, Format.size());
                continue;
            }
            case '/':
                FOut += DateSeparator;
                i += 1;
                continue;
            case ':':
                FOut += TimeSeparator;
                i += 1;
                continue;
            case 'A':
                i += AmPm(Format, i);
                continue;
            case 'C':
                Write(ShortDateFormat.View(), Depth + 1);
                if (FHour || FMin || FSec || FMSec) {
                    FOut += ' ';
                    Write(LongTimeFormat.View(), Depth + 1);
                }
                i += 1;
                continue;
            case 'Y':
                Number(count <= 2 ? FYear % 100 : FYear, count <= 2 ? 2 : 4);
                break;
            case 'M':
                Month(count);
                break;
            case 'D':
                Day(count, Depth);
                break;
            // A run longer than its longest token is still one token: "hhh" is "hh".
            case 'H':
                Number(twelveHour ? (FHour + 11) % 12 + 1 : FHour, count == 1 ? 1 : 2);
                break;
            case 'N':
                Number(FMin, count == 1 ? 1 : 2);
                break;
            case 'S':
                Number(FSec, count == 1 ? 1 : 2);
                break;
            case 'Z':
                Number(FMSec, count == 1 ? 1 : 3);
                break;
            case 'T':
                Write(count == 1 ? ShortTimeFormat.View() : LongTimeFormat.View(), Depth + 1);
                break;
            default:
                FOut += c;
                count = 1;
                break;
            }
            i += count;
        }
        return FOut;
    }

private:
    static bool UsesTwelveHours(std::string_view Format)
    {
        for (std::size_t i = 0; i < Format.size(); ++i) {
            if (Format[i] == '"' || Format[i] == '\'') {
                i = std::min(Format.find(Format[i], i + 1), Format.size());
                continue;
            }
            if (StartsWithNoCase(Format, i, "AM/PM") || StartsWithNoCase(Format, i, "A/P") ||
                StartsWithNoCase(Format, i, "AMPM"))
                return true;
        }
        return false;
    }

    // am/pm and a/p keep the case they are written in; ampm takes the settings.
    std::size_t AmPm(std::string_view Format, std::size_t I)
    {
        bool pm = FHour >= 12;
        if (StartsWithNoCase(Format, I, "AM/PM")) {
            FOut.append(Format.substr(pm ? I + 3 : I, 2));
            return 5;
        }
        if (StartsWithNoCase(Format, I, "A/P")) {
            FOut += Format[pm ? I + 2 : I];
            return 3;
        }
        if (StartsWithNoCase(Format, I, "AMPM")) {
            FOut += (pm ? TimePMString : TimeAMString).View();
            return 4;
        }
        FOut += Format[I];
        return 1;
    }

    void Number(int Value, int MinDigits)
    {
        std::string digits = std::to_string(Value);
        if (static_cast<int>(digits.size()) < MinDigits)
            FOut.append(MinDigits - digits.size(), '0');
        FOut += digits;
    }

    void Month(std::size_t Count)
    {
        if (Count <= 2)
            Number(FMonth, static_cast<int>(Count));
        else if (Count == 3)
            FOut += ShortMonthNames[FMonth - 1].View();
        else
            FOut += FMonthNames[FMonth - 1].View();
    }

    void Day(std::size_t Count, int Depth)
    {
        int weekDay = DayOfWeek(FValue) - 1;
        switch (Count) {
        case 1:
        case 2:
            Number(FDay, static_cast<int>(Count));
            break;
        case 3:
            FOut += ShortDayNames[weekDay].View();
            break;
        case 4:
            FOut += LongDayNames[weekDay].View();
            break;
        case 5:
            Write(ShortDateFormat.View(), Depth + 1);
            break;
        default:
            Write(LongDateFormat.View(), Depth + 1);
            break;
        }
    }

    TDateTime FValue;
    const AnsiString *FMonthNames;
    int FYear, FMonth, FDay, FHour, FMin, FSec, FMSec;
    std::string FOut;
};

} // namespace

AnsiString FormatDateTime(const AnsiString &Format, TDateTime DateTime)
{
    return DateWriter(DateTime, LongMonthNames).Write(Format.View());
}

AnsiString DateToStr(TDateTime Date)
{
    return FormatDateTime("ddddd", Date);
}
AnsiString TimeToStr(TDateTime Time)
{
    return FormatDateTime("tt", Time);
}
AnsiString DateTimeToStr(TDateTime DateTime)
{
    return FormatDateTime("c", DateTime);
}

AnsiString rtl::LongDateText(TDateTime Date)
{
    return DateWriter(Date, LongMonthNamesGenitive).Write(LongDateFormat.View());
}

// ---- Parsing ----

namespace
{

class DateScanner
{
public:
    explicit DateScanner(std::string_view Text) : FText(Text) {}

    bool AtEnd()
    {
        Blanks();
        return FPos == FText.size();
    }

    bool Date(TDateTime &Value)
    {
        enum { DMY, MDY, YMD } order = DMY;
        for (char c : ShortDateFormat.View()) {
            char u = Upper(c);
            if (u == 'D' || u == 'M' || u == 'Y') {
                order = u == 'D' ? DMY : u == 'M' ? MDY : YMD;
                break;
            }
        }
        int n1, n2, n3 = 0, l1, l2, l3 = 0;
        if (!Number(n1, l1) || !Char(DateSeparator) || !Number(n2, l2)) return false;
        bool three = Char(DateSeparator);
        if (three && !Number(n3, l3)) return false;
        // A full date may end in one more separator, as "31.12.2024." is often written.
        if (three) Char(DateSeparator);
        int year, month, day, yearLength;
        if (!three) {
            year = CurrentYear();
            yearLength = 4;
            month = order == MDY || order == YMD ? n1 : n2;
            day = order == MDY || order == YMD ? n2 : n1;
        } else if (order == DMY) {
            day = n1, month = n2, year = n3, yearLength = l3;
        } else if (order == MDY) {
            month = n1, day = n2, year = n3, yearLength = l3;
        } else {
            year = n1, yearLength = l1, month = n2, day = n3;
        }
        if (yearLength <= 2) year = ExpandYear(year);
        return TryEncodeDate(year, month, day, Value);
    }

    bool Time(TDateTime &Value)
    {
        // The half of the day may stand before the time ("PM 1:00") or after it, not both.
        int half = Half();
        int hour, min = 0, sec = 0, msec = 0, length;
        if (!Number(hour, length)) return false;
        if (Char(TimeSeparator)) {
            if (!Number(min, length)) return false;
            if (Char(TimeSeparator)) {
                if (!Number(sec, length)) return false;
                if (Char(DecimalSeparator) && !Number(msec, length)) return false;
            }
        }
        if (half < 0) half = Half();
        if (half >= 0) {
            if (hour > 12 || hour == 0) return false;
            hour = hour % 12 + half * 12;
        }
        return TryEncodeTime(hour, min, sec, msec, Value);
    }

private:
    void Blanks()
    {
        while (FPos < FText.size() && FText[FPos] == ' ')
            ++FPos;
    }

    bool Char(char C)
    {
        Blanks();
        if (FPos < FText.size() && FText[FPos] == C) {
            ++FPos;
            return true;
        }
        return false;
    }

    // At most four digits, as the class library reads them.
    bool Number(int &Value, int &Length)
    {
        Blanks();
        std::size_t start = FPos;
        Value = 0;
        while (FPos < FText.size() && rtl::IsDigit(FText[FPos]) && FPos - start < 4)
            Value = Value * 10 + (FText[FPos++] - '0');
        Length = static_cast<int>(FPos - start);
        return Length > 0 && (FPos == FText.size() || !rtl::IsDigit(FText[FPos]));
    }

    // 0 for AM, 1 for PM, -1 when the text names neither.
    int Half()
    {
        Blanks();
        for (int half = 0; half < 2; ++half) {
            for (std::string_view word : {(half ? TimePMString : TimeAMString).View(),
                                          std::string_view(half ? "PM" : "AM")}) {
                if (!word.empty() && StartsWithNoCase(FText, FPos, word)) {
                    FPos += word.size();
                    return half;
                }
            }
        }
        return -1;
    }

    static int CurrentYear()
    {
        int year, month, day;
        DecodeDate(::Date(), year, month, day);
        return year;
    }

    static int ExpandYear(int Year)
    {
        int current = CurrentYear();
        int threshold = current - TwoDigitYearCenturyWindow;
        Year += threshold / 100 * 100;
        if (TwoDigitYearCenturyWindow > 0 && Year < threshold) Year += 100;
        return Year;
    }

    std::string_view FText;
    std::size_t FPos = 0;
};

[[noreturn]] void RaiseInvalid(const char *Message, const AnsiString &S)
{
    throw EConvertError(Message, {S});
}

} // namespace

bool TryStrToDate(const AnsiString &S, TDateTime &Value)
{
    DateScanner scan(S.View());
    TDateTime date;
    if (!scan.Date(date) || !scan.AtEnd()) return false;
    Value = date;
    return true;
}

bool TryStrToTime(const AnsiString &S, TDateTime &Value)
{
    DateScanner scan(S.View());
    TDateTime time;
    if (!scan.Time(time) || !scan.AtEnd()) return false;
    Value = time;
    return true;
}

bool TryStrToDateTime(const AnsiString &S, TDateTime &Value)
{
    DateScanner scan(S.View());
    TDateTime date, time = 0;
    if (scan.Date(date) && (scan.AtEnd() || (scan.Time(time) && scan.AtEnd()))) {
        Value = Join(static_cast<long long>(date), time);
        return true;
    }
    return TryStrToTime(S, Value);
}

TDateTime StrToDate(const AnsiString &S)
{
    TDateTime value;
    if (!TryStrToDate(S, value)) RaiseInvalid("'%s' is not a valid date", S);
    return value;
}

TDateTime StrToTime(const AnsiString &S)
{
    TDateTime value;
    if (!TryStrToTime(S, value)) RaiseInvalid("'%s' is not a valid time", S);
    return value;
}

TDateTime StrToDateTime(const AnsiString &S)
{
    TDateTime value;
    if (!TryStrToDateTime(S, value)) RaiseInvalid("'%s' is not a valid date and time", S);
    return value;
}
