// Format settings, case and comparison, text helpers and integer conversions.

#include "platform/rtl/SysUtils.h"

#include "platform/rtl/FileAccess.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>
#include <system_error>

// ---- Format settings ----

char DecimalSeparator;
char ThousandSeparator;
char DateSeparator;
char TimeSeparator;
AnsiString ShortDateFormat;
AnsiString LongDateFormat;
AnsiString ShortTimeFormat;
AnsiString LongTimeFormat;
AnsiString TimeAMString;
AnsiString TimePMString;
AnsiString CurrencyString;
std::uint8_t CurrencyFormat;
std::uint8_t NegCurrFormat;
std::uint8_t CurrencyDecimals;
AnsiString ShortMonthNames[12];
AnsiString LongMonthNames[12];
AnsiString ShortDayNames[7];
AnsiString LongDayNames[7];
int TwoDigitYearCenturyWindow;

namespace rtl
{

AnsiString LongMonthNamesGenitive[12];

namespace
{

template <std::size_t N>
void AssignNames(AnsiString (&Target)[N], const std::array<const char *, N> &Utf8)
{
    for (std::size_t i = 0; i < N; ++i)
        Target[i] = AnsiString::FromUtf8(Utf8[i]);
}

// The program's settings never come from the machine: dates and names are the
// Russian ones, and the separators are the "." and " " the program works with.
const bool DefaultsSet = (RestoreDefaultFormatSettings(), true);

} // namespace

void RestoreDefaultFormatSettings()
{
    DecimalSeparator = '.';
    ThousandSeparator = ' ';
    DateSeparator = '.';
    TimeSeparator = ':';
    ShortDateFormat = "dd.MM.yyyy";
    LongDateFormat = "d MMMM yyyy 'г.'"_a;
    ShortTimeFormat = "H:mm";
    LongTimeFormat = "H:mm:ss";
    TimeAMString = "";
    TimePMString = "";
    CurrencyString = "р."_a;
    CurrencyFormat = 3; // "1 р."
    NegCurrFormat = 8;  // "-1 р."
    CurrencyDecimals = 2;
    TwoDigitYearCenturyWindow = 50;
    AssignNames(ShortMonthNames, {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен",
                                  "окт", "ноя", "дек"});
    AssignNames(LongMonthNames, {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль",
                                 "Август", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"});
    AssignNames(LongMonthNamesGenitive,
                {"января", "февраля", "марта", "апреля", "мая", "июня", "июля", "августа",
                 "сентября", "октября", "ноября", "декабря"});
    AssignNames(ShortDayNames, {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"});
    AssignNames(LongDayNames, {"воскресенье", "понедельник", "вторник", "среда", "четверг",
                               "пятница", "суббота"});
}

// ---- Characters ----

bool IsLetter(char Ch)
{
    auto b = static_cast<unsigned char>(Ch);
    return UpperByte(b) != LowerByte(b);
}

bool IsDigit(char Ch)
{
    return Ch >= '0' && Ch <= '9';
}

bool IsUpper(char Ch)
{
    auto b = static_cast<unsigned char>(Ch);
    return LowerByte(b) != b;
}

bool IsLower(char Ch)
{
    auto b = static_cast<unsigned char>(Ch);
    return UpperByte(b) != b;
}

} // namespace rtl

void Abort()
{
    throw EAbort("");
}

AnsiString SysErrorMessage(int ErrorCode)
{
    // The category's text is the locale's (UTF-8) and, unlike strerror, safe from any thread.
    // The program's own refusals of a file have no text of the system's.
    if (ErrorCode >= rtl::ForeignLinkError && ErrorCode <= rtl::TooLargeFileError)
        return rtl::FileErrorText(ErrorCode);
    return AnsiString::FromUtf8(std::system_category().message(ErrorCode));
}

AnsiString rtl::FileErrorText(int ErrorCode)
{
    switch (ErrorCode) {
    case ENOSPC:
        return "нет места на диске"_a;
    case EDQUOT:
        return "исчерпана квота на диске"_a;
    case EFBIG:
        return "файл больше, чем позволено записать"_a;
    case EACCES:
    case EPERM:
        return "нет права записи"_a;
    case EROFS:
        return "диск доступен только для чтения"_a;
    case EIO:
        return "ошибка ввода-вывода"_a;
    case ForeignLinkError:
        return "ссылка ведёт к чужому файлу"_a;
    case DanglingLinkError:
        return "ссылка ведёт туда, где файла нет"_a;
    case NotRegularFileError:
        return "это не обычный файл"_a;
    case TooLargeFileError:
        return "файл слишком велик"_a;
    default:
        return SysErrorMessage(ErrorCode);
    }
}

// ---- Case and comparison ----

namespace
{

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

template <class Map> AnsiString MapBytes(const AnsiString &S, Map map)
{
    std::string out(S.View());
    for (char &c : out)
        c = map(c);
    return out;
}

int Sign(int Value)
{
    return (Value > 0) - (Value < 0);
}

// Lexicographic compare of two texts through a per-byte key.
template <class Key> int CompareBy(const AnsiString &S1, const AnsiString &S2, Key key)
{
    std::string_view a = S1.View(), b = S2.View();
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int d = key(a[i]) - key(b[i]);
        if (d != 0) return Sign(d);
    }
    return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
}

} // namespace

AnsiString UpperCase(const AnsiString &S)
{
    return MapBytes(S, AsciiUpper);
}
AnsiString LowerCase(const AnsiString &S)
{
    return MapBytes(S, AsciiLower);
}

int CompareStr(const AnsiString &S1, const AnsiString &S2)
{
    return CompareBy(S1, S2, [](char c) { return static_cast<unsigned char>(c); });
}

int CompareText(const AnsiString &S1, const AnsiString &S2)
{
    return CompareBy(S1, S2, [](char c) { return static_cast<unsigned char>(AsciiUpper(c)); });
}

bool SameText(const AnsiString &S1, const AnsiString &S2)
{
    return S1.Length() == S2.Length() && CompareText(S1, S2) == 0;
}

AnsiString AnsiUpperCase(const AnsiString &S)
{
    return S.UpperCase();
}
AnsiString AnsiLowerCase(const AnsiString &S)
{
    return S.LowerCase();
}

bool AnsiSameText(const AnsiString &S1, const AnsiString &S2)
{
    return AnsiCompareText(S1, S2) == 0;
}

bool AnsiSameStr(const AnsiString &S1, const AnsiString &S2)
{
    return S1 == S2;
}

// ---- Text ----

AnsiString Trim(const AnsiString &S)
{
    return S.Trim();
}
AnsiString TrimLeft(const AnsiString &S)
{
    return S.TrimLeft();
}
AnsiString TrimRight(const AnsiString &S)
{
    return S.TrimRight();
}

int Pos(const AnsiString &Substr, const AnsiString &S)
{
    return S.Pos(Substr);
}
int AnsiPos(const AnsiString &Substr, const AnsiString &S)
{
    return S.Pos(Substr);
}
AnsiString Copy(const AnsiString &S, int Index, int Count)
{
    return S.SubString(Index, Count);
}
void Delete(AnsiString &S, int Index, int Count)
{
    S.Delete(Index, Count);
}
void Insert(const AnsiString &Source, AnsiString &S, int Index)
{
    S.Insert(Source, Index);
}
AnsiString StringOfChar(char Ch, int Count)
{
    return AnsiString::StringOfChar(Ch, Count);
}

AnsiString StringReplace(const AnsiString &S, const AnsiString &OldPattern,
                         const AnsiString &NewPattern, TReplaceFlags Flags)
{
    if (OldPattern.IsEmpty()) return S;
    const bool ignoreCase = Flags & rfIgnoreCase;
    const std::string &text = S.ToStd();
    // Upper-casing keeps every byte in place, so positions found in the
    // folded copy are positions in the original.
    const std::string folded = ignoreCase ? S.UpperCase().ToStd() : std::string();
    const std::string pattern = ignoreCase ? OldPattern.UpperCase().ToStd() : OldPattern.ToStd();
    const std::string &haystack = ignoreCase ? folded : text;
    std::string out;
    std::size_t from = 0;
    for (;;) {
        std::size_t at = haystack.find(pattern, from);
        if (at == std::string::npos) break;
        out.append(text, from, at - from);
        out += NewPattern.View();
        from = at + pattern.size();
        if (!(Flags & rfReplaceAll)) break;
    }
    out.append(text, from, std::string::npos);
    return out;
}

AnsiString AnsiQuotedStr(const AnsiString &S, char Quote)
{
    std::string out(1, Quote);
    for (char c : S.View()) {
        out += c;
        if (c == Quote) out += c;
    }
    out += Quote;
    return out;
}

AnsiString QuotedStr(const AnsiString &S)
{
    return AnsiQuotedStr(S, '\'');
}

// ---- Integers ----

namespace
{

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The class library's integer syntax. Decimal must fit the signed range;
// hexadecimal may use the whole unsigned range and wraps into the signed type.
template <class Signed> bool ParseInteger(std::string_view Text, Signed &Value)
{
    using Unsigned = std::make_unsigned_t<Signed>;
    std::size_t i = 0;
    while (i < Text.size() && Text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) negative = Text[i++] == '-';
    bool hex = false;
    if (i < Text.size() && (Text[i] == '$' || Text[i] == 'x' || Text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < Text.size() && Text[i] == '0' &&
               (Text[i + 1] == 'x' || Text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == Text.size()) return false;
    const Unsigned base = hex ? 16 : 10;
    const Unsigned limit =
        hex ? std::numeric_limits<Unsigned>::max()
            : static_cast<Unsigned>(std::numeric_limits<Signed>::max()) + (negative ? 1 : 0);
    Unsigned magnitude = 0;
    for (; i < Text.size(); ++i) {
        int digit = hex ? HexValue(Text[i]) : (rtl::IsDigit(Text[i]) ? Text[i] - '0' : -1);
        if (digit < 0) return false;
        if (magnitude > (limit - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    Value = static_cast<Signed>(negative ? Unsigned(0) - magnitude : magnitude);
    return true;
}

[[noreturn]] void RaiseInvalidInteger(const AnsiString &S)
{
    throw EConvertError("'%s' is not a valid integer value", {S});
}

} // namespace

AnsiString rtl::HexDigits(std::uint64_t Value, int Digits)
{
    static const char hex[] = "0123456789ABCDEF";
    char buf[16];
    int n = 0;
    do {
        buf[sizeof(buf) - 1 - n++] = hex[Value & 0xF];
        Value >>= 4;
    } while (Value != 0);
    std::string out(std::max(Digits - n, 0), '0');
    out.append(buf + sizeof(buf) - n, n);
    return out;
}

bool TryStrToInt(const AnsiString &S, int &Value)
{
    return ParseInteger(S.View(), Value);
}
bool TryStrToInt64(const AnsiString &S, long long &Value)
{
    return ParseInteger(S.View(), Value);
}

int StrToInt(const AnsiString &S)
{
    int value;
    if (!TryStrToInt(S, value)) RaiseInvalidInteger(S);
    return value;
}

long long StrToInt64(const AnsiString &S)
{
    long long value;
    if (!TryStrToInt64(S, value)) RaiseInvalidInteger(S);
    return value;
}

int StrToIntDef(const AnsiString &S, int Default)
{
    int value;
    return TryStrToInt(S, value) ? value : Default;
}

long long StrToInt64Def(const AnsiString &S, long long Default)
{
    long long value;
    return TryStrToInt64(S, value) ? value : Default;
}
