#pragma once

// Text types of the class library: AnsiString holds 8-bit Windows-1251 text,
// WideString holds UTF-16. Positions are 1-based, as everywhere in the program.

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

class AnsiString;
class WideString;

// Days since 30.12.1899; the fraction is the time of day.
using TDateTime = double;
// A signed integer as wide as a pointer.
using NativeInt = std::intptr_t;

namespace rtl {

// Windows-1251 <-> Unicode. Bytes without a character (0x98) map to U+FFFD;
// characters outside the code page become '?'.
char16_t Cp1251ToUnicode(unsigned char Byte);
char UnicodeToCp1251(char32_t Code);

// Case of one cp1251 byte: Latin, Cyrillic (Ё/ё included) and the other letter pairs.
unsigned char UpperByte(unsigned char Byte);
unsigned char LowerByte(unsigned char Byte);

std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);

// C printf formatting that never reads the locale: the decimal point is always
// ".", floats round exactly as the C library does in the "C" locale.
std::string VFormatC(const char *Format, va_list Args);
// C strtod that never reads the locale: blanks, a sign, digits with ".", an
// exponent. Infinity, NaN and hexadecimal are not numbers here. Returns 0 and
// sets End to Text when no number starts the text; a value too large for a
// double gives infinity with its sign.
double StrToD(const char *Text, const char **End = nullptr);

} // namespace rtl

class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char *Text) : FData(Text ? Text : "") {}
    AnsiString(const char *Text, int Count) : FData(Text, Count > 0 ? Count : 0) {}
    AnsiString(std::string Text) : FData(std::move(Text)) {}
    AnsiString(std::string_view Text) : FData(Text) {}
    explicit AnsiString(char Ch) : FData(1, Ch) {}
    AnsiString(int Value);
    AnsiString(unsigned Value);
    AnsiString(long Value);
    AnsiString(long long Value);
    AnsiString(double Value); // as FloatToStr writes it
    AnsiString(const WideString &Text);

    // Russian literals live in UTF-8 source files; this turns them into cp1251.
    static AnsiString FromUtf8(std::string_view Text);
    std::string ToUtf8() const;

    int Length() const { return static_cast<int>(FData.size()); }
    bool IsEmpty() const { return FData.empty(); }
    const char *c_str() const { return FData.c_str(); }
    const char *Data() const { return FData.data(); }
    const std::string &Std() const { return FData; }
    std::string_view View() const { return FData; }

    // 1-based; an index outside 1..Length raises ERangeError.
    char operator[](int Index) const;
    char &operator[](int Index);

    // Clamped like the class library's Copy: a start below 1 counts from 1,
    // a start past the end or a count below 1 gives the empty text.
    AnsiString SubString(int Start, int Count) const;
    // First occurrence, 1-based; 0 when absent or when Sub is empty.
    int Pos(const AnsiString &Sub) const;
    // Position clamped to 1..Length+1.
    AnsiString &Insert(const AnsiString &Text, int Index);
    // Ignored outside 1..Length or for Count < 1; clipped at the end.
    AnsiString &Delete(int Index, int Count);
    AnsiString &SetLength(int NewLength);
    int LastDelimiter(const AnsiString &Delimiters) const;
    bool IsDelimiter(const AnsiString &Delimiters, int Index) const;

    AnsiString UpperCase() const;     // cp1251 letters, Ё/ё included
    AnsiString LowerCase() const;     // cp1251 letters, Ё/ё included
    AnsiString Trim() const;          // strips every byte up to blank at both ends
    AnsiString TrimLeft() const;
    AnsiString TrimRight() const;

    static AnsiString StringOfChar(char Ch, int Count);

    // StrToInt, StrToIntDef and StrToFloat of the text.
    int ToInt() const;
    int ToIntDef(int Default) const;
    double ToDouble() const;
    // AnsiCompareStr and AnsiCompareText against Other.
    int AnsiCompare(const AnsiString &Other) const;
    int AnsiCompareIC(const AnsiString &Other) const;

    // C printf rules (rtl::VFormatC): sprintf replaces the text, cat_sprintf appends.
    AnsiString &sprintf(const char *Format, ...) __attribute__((format(printf, 2, 3)));
    AnsiString &cat_sprintf(const char *Format, ...) __attribute__((format(printf, 2, 3)));

    AnsiString &operator+=(const AnsiString &Other)
    {
        FData += Other.FData;
        return *this;
    }
    AnsiString &operator+=(char Ch)
    {
        FData += Ch;
        return *this;
    }
    friend AnsiString operator+(AnsiString Left, const AnsiString &Right)
    {
        Left += Right;
        return Left;
    }
    friend AnsiString operator+(AnsiString Left, const char *Right)
    {
        Left.FData += Right;
        return Left;
    }
    friend AnsiString operator+(const char *Left, const AnsiString &Right)
    {
        return AnsiString(Left) + Right;
    }
    friend AnsiString operator+(AnsiString Left, char Right)
    {
        Left.FData += Right;
        return Left;
    }

    // Byte-wise, unsigned: a proper prefix sorts first.
    friend bool operator==(const AnsiString &, const AnsiString &) = default;
    friend bool operator==(const AnsiString &Left, const char *Right) { return Left.FData == Right; }
    friend std::strong_ordering operator<=>(const AnsiString &Left, const AnsiString &Right);

private:
    std::string FData;
};

AnsiString operator""_a(const char *Text, std::size_t Size);

class WideString {
public:
    WideString() = default;
    WideString(const char16_t *Text) : FData(Text ? Text : u"") {}
    WideString(std::u16string Text) : FData(std::move(Text)) {}
    WideString(std::u16string_view Text) : FData(Text) {}
    WideString(const AnsiString &Text);
    explicit WideString(char16_t Ch) : FData(1, Ch) {}

    static WideString FromUtf8(std::string_view Text);
    std::string ToUtf8() const;
    AnsiString ToAnsi() const { return AnsiString(*this); }

    int Length() const { return static_cast<int>(FData.size()); }
    bool IsEmpty() const { return FData.empty(); }
    const char16_t *c_bstr() const { return FData.c_str(); }
    const std::u16string &Std() const { return FData; }
    std::u16string_view View() const { return FData; }

    char16_t operator[](int Index) const;
    char16_t &operator[](int Index);

    WideString SubString(int Start, int Count) const;
    int Pos(const WideString &Sub) const;
    WideString &Insert(const WideString &Text, int Index);
    WideString &Delete(int Index, int Count);
    WideString &SetLength(int NewLength);

    WideString &operator+=(const WideString &Other)
    {
        FData += Other.FData;
        return *this;
    }
    WideString &operator+=(char16_t Ch)
    {
        FData += Ch;
        return *this;
    }
    friend WideString operator+(WideString Left, const WideString &Right)
    {
        Left += Right;
        return Left;
    }
    friend bool operator==(const WideString &, const WideString &) = default;
    friend std::strong_ordering operator<=>(const WideString &Left, const WideString &Right)
    {
        return Left.FData <=> Right.FData;
    }

private:
    std::u16string FData;
};

// One argument of an open array ("array of const"), as Format and the script
// engine's host calls take them.
struct TVarRec {
    enum Kind : std::uint8_t {
        vtInteger,
        vtBoolean,
        vtChar,
        vtExtended,
        vtString,
        vtPointer,
        vtWideString,
        vtInt64,
        vtWideChar,
    };

    TVarRec(int Value) : VType(vtInteger), VInteger(Value) {}
    TVarRec(unsigned Value) : VType(vtInt64), VInt64(Value) {}
    TVarRec(long Value) : VType(vtInt64), VInt64(Value) {}
    TVarRec(long long Value) : VType(vtInt64), VInt64(Value) {}
    // Sizes and counts; a value above the signed range wraps, as a cast would.
    TVarRec(unsigned long Value) : VType(vtInt64), VInt64(static_cast<long long>(Value)) {}
    TVarRec(unsigned long long Value) : VType(vtInt64), VInt64(static_cast<long long>(Value)) {}
    TVarRec(bool Value) : VType(vtBoolean), VBoolean(Value) {}
    TVarRec(char Value) : VType(vtChar), VChar(Value) {}
    TVarRec(char16_t Value) : VType(vtWideChar), VWideChar(Value) {}
    TVarRec(double Value) : VType(vtExtended), VExtended(Value) {}
    TVarRec(long double Value) : VType(vtExtended), VExtended(static_cast<double>(Value)) {}
    TVarRec(const AnsiString &Value) : VType(vtString), VString(&Value) {}
    TVarRec(const char *Value) : VType(vtString), VOwnedString(Value), VString(&VOwnedString) {}
    TVarRec(const WideString &Value) : VType(vtWideString), VWideString(&Value) {}
    TVarRec(const void *Value) : VType(vtPointer), VPointer(Value) {}
    TVarRec(const TVarRec &Other);
    TVarRec &operator=(const TVarRec &) = delete;

    Kind VType;
    AnsiString VOwnedString; // keeps a C literal alive for the duration of the call
    union {
        int VInteger;
        bool VBoolean;
        char VChar;
        char16_t VWideChar;
        double VExtended;
        long long VInt64;
        const AnsiString *VString;
        const WideString *VWideString;
        const void *VPointer;
    };
};
