#pragma once

// Exceptions and the text, number, date and file routines of the class library.
// Every routine here reads the process-wide format settings below and nothing
// else: the C and Qt locales never change a result.

#include "platform/rtl/System.h"

#include <concepts>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

// ---- Format settings (process-wide; set them from one thread before use) ----

extern char DecimalSeparator;
extern char ThousandSeparator;
extern char DateSeparator;
extern char TimeSeparator;
extern AnsiString ShortDateFormat;
extern AnsiString LongDateFormat;
extern AnsiString ShortTimeFormat;
extern AnsiString LongTimeFormat;
extern AnsiString TimeAMString;
extern AnsiString TimePMString;
extern AnsiString CurrencyString;
extern std::uint8_t CurrencyFormat;
extern std::uint8_t NegCurrFormat;
extern std::uint8_t CurrencyDecimals;
extern AnsiString ShortMonthNames[12];
extern AnsiString LongMonthNames[12];
extern AnsiString ShortDayNames[7]; // Sunday first
extern AnsiString LongDayNames[7];
extern int TwoDigitYearCenturyWindow;

namespace rtl
{
// Month names as Russian uses them after a day number ("7 декабря").
extern AnsiString LongMonthNamesGenitive[12];
// Puts every setting above back to the program's defaults.
void RestoreDefaultFormatSettings();
} // namespace rtl

// ---- Format ----

AnsiString Format(const AnsiString &Fmt, std::span<const TVarRec> Args);
AnsiString Format(const AnsiString &Fmt, std::initializer_list<TVarRec> Args);

// ---- Exceptions ----

class Exception : public std::exception
{
public:
    explicit Exception(const AnsiString &Msg) : FMessage(Msg) {}
    Exception(const AnsiString &Msg, std::initializer_list<TVarRec> Args)
        : FMessage(Format(Msg, Args))
    {
    }
    Exception(const AnsiString &Msg, std::span<const TVarRec> Args) : FMessage(Format(Msg, Args)) {}
    const AnsiString &Message() const { return FMessage; }
    void SetMessage(const AnsiString &Value) { FMessage = Value; }
    const char *what() const noexcept override { return FMessage.c_str(); }

private:
    AnsiString FMessage;
};

// Declares an exception class that adds nothing but its name.
#define QRV4_DECLARE_EXCEPTION(Name, Base)                                                         \
    class Name : public Base                                                                       \
    {                                                                                              \
    public:                                                                                        \
        using Base::Base;                                                                          \
    };

QRV4_DECLARE_EXCEPTION(EAbort, Exception)
QRV4_DECLARE_EXCEPTION(EConvertError, Exception)
QRV4_DECLARE_EXCEPTION(EIntError, Exception)
QRV4_DECLARE_EXCEPTION(ERangeError, EIntError)
QRV4_DECLARE_EXCEPTION(EIntOverflow, EIntError)
QRV4_DECLARE_EXCEPTION(EDivByZero, EIntError)
QRV4_DECLARE_EXCEPTION(EMathError, Exception)
QRV4_DECLARE_EXCEPTION(EZeroDivide, EMathError)
QRV4_DECLARE_EXCEPTION(EOverflow, EMathError)
QRV4_DECLARE_EXCEPTION(EInvalidOp, EMathError)
QRV4_DECLARE_EXCEPTION(EInvalidOperation, Exception)
QRV4_DECLARE_EXCEPTION(EInvalidPointer, Exception)
QRV4_DECLARE_EXCEPTION(EInvalidCast, Exception)
QRV4_DECLARE_EXCEPTION(EOutOfMemory, Exception)
QRV4_DECLARE_EXCEPTION(EAccessViolation, Exception)
QRV4_DECLARE_EXCEPTION(EInOutError, Exception)
QRV4_DECLARE_EXCEPTION(EExternalException, Exception)

// Raises EAbort with no message: the class library's silent exception.
[[noreturn]] void Abort();

// The system's text for an error number (errno), in the program's code page.
AnsiString SysErrorMessage(int ErrorCode);

namespace rtl
{
// Why a file could not be written, as the program tells its user: in Russian for the errors
// a user can act on (a full disk, no right to write), the system's text for the rest.
AnsiString FileErrorText(int ErrorCode);
} // namespace rtl

// ---- Characters and case ----

namespace rtl
{
// cp1251 classes: Latin and the code page's letters (Cyrillic, Ё/ё and the Slavic extras).
bool IsLetter(char Ch);
bool IsDigit(char Ch);
bool IsUpper(char Ch);
bool IsLower(char Ch);
} // namespace rtl

// ASCII letters only, as the class library's plain forms do.
AnsiString UpperCase(const AnsiString &S);
AnsiString LowerCase(const AnsiString &S);
int CompareStr(const AnsiString &S1, const AnsiString &S2);
int CompareText(const AnsiString &S1, const AnsiString &S2);
bool SameText(const AnsiString &S1, const AnsiString &S2);

// Every cp1251 letter, Ё/ё included. Comparisons return -1, 0 or 1 in the system's
// word sort: symbols, then digits, then letters (Latin, then Cyrillic with Ё after Е);
// a hyphen or an apostrophe counts only between texts equal without it; the
// case-sensitive form puts lower case first between texts equal but for case. Only
// equal texts (equal but for case, without case) compare as 0.
AnsiString AnsiUpperCase(const AnsiString &S);
AnsiString AnsiLowerCase(const AnsiString &S);
int AnsiCompareStr(const AnsiString &S1, const AnsiString &S2);
int AnsiCompareText(const AnsiString &S1, const AnsiString &S2);
bool AnsiSameText(const AnsiString &S1, const AnsiString &S2);
bool AnsiSameStr(const AnsiString &S1, const AnsiString &S2);

// ---- Text ----

AnsiString Trim(const AnsiString &S);
AnsiString TrimLeft(const AnsiString &S);
AnsiString TrimRight(const AnsiString &S);

int Pos(const AnsiString &Substr, const AnsiString &S);
int AnsiPos(const AnsiString &Substr, const AnsiString &S);
AnsiString Copy(const AnsiString &S, int Index, int Count);
void Delete(AnsiString &S, int Index, int Count);
void Insert(const AnsiString &Source, AnsiString &S, int Index);
AnsiString StringOfChar(char Ch, int Count);

enum TReplaceFlag : std::uint8_t { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = std::uint8_t;
AnsiString StringReplace(const AnsiString &S, const AnsiString &OldPattern,
                         const AnsiString &NewPattern, TReplaceFlags Flags);

AnsiString QuotedStr(const AnsiString &S);
AnsiString AnsiQuotedStr(const AnsiString &S, char Quote);

// ---- Integers ----

namespace rtl
{
// Upper-case hexadecimal, at least Digits of them.
AnsiString HexDigits(std::uint64_t Value, int Digits);
} // namespace rtl

template <std::integral T> AnsiString IntToStr(T Value)
{
    return AnsiString(std::to_string(Value));
}

// Negative values print as their two's complement: 8 digits for 32-bit and
// narrower types, 16 for 64-bit ones.
template <std::integral T> AnsiString IntToHex(T Value, int Digits)
{
    if constexpr (sizeof(T) <= 4)
        return rtl::HexDigits(static_cast<std::uint32_t>(Value), Digits);
    else
        return rtl::HexDigits(static_cast<std::uint64_t>(Value), Digits);
}

// Blanks before the number, a sign, then decimal digits or hexadecimal after
// "$", "x" or "0x". Hexadecimal may fill the whole unsigned range and wraps.
int StrToInt(const AnsiString &S);
int StrToIntDef(const AnsiString &S, int Default);
bool TryStrToInt(const AnsiString &S, int &Value);
long long StrToInt64(const AnsiString &S);
long long StrToInt64Def(const AnsiString &S, long long Default);
bool TryStrToInt64(const AnsiString &S, long long &Value);

// ---- Floating point ----

enum TFloatFormat : std::uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// A value as decimal digits: 0.Digits x 10^Exponent. Digits hold no trailing
// zeros and are empty for zero; Exponent is 0x7FFF for an infinity and
// 0x8000 for NaN.
struct TFloatRec {
    short Exponent;
    bool Negative;
    char Digits[21];
};

// Rounds to Precision significant digits and at most Decimals decimals. The
// binary value is first taken to 18 significant digits (the precision of the
// class library's extended conversion), then rounded half away from zero on
// those digits, so 12.125 with two decimals gives 12.13.
void FloatToDecimal(TFloatRec &Result, double Value, int Precision, int Decimals);

AnsiString FloatToStr(double Value); // ffGeneral, 15 digits
AnsiString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
AnsiString CurrToStr(double Value);
// Picture formats: up to three sections "positive;negative;zero", placeholders
// "0" and "#", "." and ",", "E+"/"E-"/"e+"/"e-", quoted literals. A picture
// longer than 224 characters raises EConvertError.
AnsiString FormatFloat(const AnsiString &Format, double Value);

// Blanks, a sign, digits with DecimalSeparator, an exponent: nothing else.
double StrToFloat(const AnsiString &S);
double StrToFloatDef(const AnsiString &S, double Default);
bool TryStrToFloat(const AnsiString &S, double &Value);

// ---- Dates and times (days since 30.12.1899; the fraction is the time of day) ----

extern const int MonthDays[2][12]; // [IsLeapYear][month - 1]
constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int Year);

TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime &Date);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime &Time);
void DecodeDate(TDateTime Date, int &Year, int &Month, int &Day);
void DecodeTime(TDateTime Time, int &Hour, int &Min, int &Sec, int &MSec);
int DayOfWeek(TDateTime Date); // 1 = Sunday
TDateTime IncMonth(TDateTime Date, int NumberOfMonths = 1);

TDateTime Now();
TDateTime Date();
TDateTime Time();

AnsiString FormatDateTime(const AnsiString &Format, TDateTime DateTime);
AnsiString DateToStr(TDateTime Date);
AnsiString TimeToStr(TDateTime Time);
AnsiString DateTimeToStr(TDateTime DateTime); // the time is left out at midnight

// The day, month and year order follows ShortDateFormat and the separator is
// DateSeparator; a year of one or two digits is placed within
// TwoDigitYearCenturyWindow years before the current one; a missing year is the
// current one. Times are H[:N[:S[<DecimalSeparator>Z]]] with an optional AM/PM.
TDateTime StrToDate(const AnsiString &S);
TDateTime StrToTime(const AnsiString &S);
TDateTime StrToDateTime(const AnsiString &S);
bool TryStrToDate(const AnsiString &S, TDateTime &Value);
bool TryStrToTime(const AnsiString &S, TDateTime &Value);
bool TryStrToDateTime(const AnsiString &S, TDateTime &Value);

namespace rtl
{
// "7 декабря 2024 г.": the long date as the system's date controls show it.
AnsiString LongDateText(TDateTime Date);
} // namespace rtl

// ---- Files (paths are cp1251 text; "/" separates folders) ----

constexpr char PathDelim = '/';

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

bool FileExists(const AnsiString &FileName);
bool DirectoryExists(const AnsiString &Directory);
bool DeleteFile(const AnsiString &FileName);
bool RenameFile(const AnsiString &OldName, const AnsiString &NewName);
bool CreateDir(const AnsiString &Dir);
bool RemoveDir(const AnsiString &Dir);
bool ForceDirectories(const AnsiString &Dir);

AnsiString ExtractFilePath(const AnsiString &FileName); // with the trailing delimiter
AnsiString ExtractFileDir(const AnsiString &FileName);  // without it
AnsiString ExtractFileName(const AnsiString &FileName);
AnsiString ExtractFileExt(const AnsiString &FileName); // with the dot
AnsiString ChangeFileExt(const AnsiString &FileName, const AnsiString &Extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString &S);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString &S);
AnsiString ExpandFileName(const AnsiString &FileName);

AnsiString GetCurrentDir();
bool SetCurrentDir(const AnsiString &Dir);

// Size in bytes; -1 when the file is missing or is a folder.
long long FileSizeByName(const AnsiString &FileName);
// faDirectory for folders, faArchive for other files, plus faReadOnly when no
// write bit is set; -1 when missing.
int FileGetAttr(const AnsiString &FileName);
// faReadOnly clears every write bit. Hidden and system have no counterpart
// here: a call that sets them only hides a file on Windows, so it leaves the
// write bits as they are. Any other call gives the owner write bit back.
// Returns 0, or the system's error number.
int FileSetAttr(const AnsiString &FileName, int Attr);

namespace rtl
{
// The system's folder for temporary files ($TMPDIR, else /tmp), with a trailing delimiter.
AnsiString TempDirectory();
// Creates a new empty file named Prefix, a unique part and ".tmp" in Dir (the
// temporary folder when Dir is empty) and returns its full name; empty on failure.
AnsiString CreateTempFile(const AnsiString &Dir, const AnsiString &Prefix);
// A cp1251 path as the system's UTF-8 file name, and back.
std::string SystemPath(const AnsiString &FileName);
AnsiString FromSystemPath(std::string_view Path);

struct FindHandle;
} // namespace rtl

struct TSearchRec {
    TDateTime TimeStamp = 0; // last modification, local time
    long long Size = 0;
    int Attr = 0;
    AnsiString Name;
    int ExcludeAttr = 0;
    std::shared_ptr<rtl::FindHandle> FindHandle;
};

namespace rtl
{
// The Win32 error codes FindFirst and FindNext return.
constexpr int FileNotFoundCode = 2;
constexpr int PathNotFoundCode = 3;
constexpr int NoMoreFilesCode = 18;
} // namespace rtl

// Path is a folder and a mask of "*" and "?", matched ignoring case; "*.*"
// matches every name. Folders are found only when Attr holds faDirectory;
// "." and ".." never. Returns 0 for a match, else a Win32 error code.
int FindFirst(const AnsiString &Path, int Attr, TSearchRec &F);
int FindNext(TSearchRec &F);
void FindClose(TSearchRec &F);
