#pragma once

// Text types of the class library: AnsiString holds 8-bit Windows-1251 text,
// WideString holds UTF-16. Positions are 1-based, as everywhere in the program.

#include "platform/rtl/SharedText.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

class AnsiString;
class WideString;

// Days since 30.12.1899; the fraction is the time of day.
using TDateTime = double;
// A signed integer as wide as a pointer.
using NativeInt = std::intptr_t;

namespace rtl
{

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

// Copies share one buffer, so passing, storing or handing a text to a script costs
// nothing however long it is; a text is copied only when it is written while shared.
// Texts up to ShortCapacity characters stay inside the object. A text that came from a
// script may end where the script goes on growing its buffer: c_str() then ends it in
// the buffer if that room is still free, else makes a terminated copy of its own.
class AnsiString
{
public:
    AnsiString() noexcept { FShort[0] = '\0'; }
    AnsiString(const char *Text) : AnsiString(Text ? std::string_view(Text) : std::string_view()) {}
    AnsiString(const char *Text, int Count)
        : AnsiString(std::string_view(Text, Count > 0 ? static_cast<std::size_t>(Count) : 0))
    {
    }
    AnsiString(const std::string &Text) : AnsiString(std::string_view(Text)) {}
    AnsiString(std::string_view Text) { Assign(Text); }
    explicit AnsiString(char Ch) : AnsiString(std::string_view(&Ch, 1)) {}
    AnsiString(int Value);
    AnsiString(unsigned Value);
    AnsiString(long Value);
    AnsiString(long long Value);
    AnsiString(double Value); // as FloatToStr writes it
    AnsiString(const WideString &Text);
    // Shares the text's buffer.
    explicit AnsiString(const rtl::SharedText &Text);

    AnsiString(const AnsiString &Other)
        : FBuffer(Other.FBuffer), FStart(Other.FStart), FLength(Other.FLength)
    {
        if (FBuffer)
            ShareFrom(Other);
        else
            CopyShort(Other);
    }
    AnsiString(AnsiString &&Other) noexcept { TakeFrom(Other); }
    AnsiString &operator=(const AnsiString &Other)
    {
        if (this != &Other) *this = AnsiString(Other);
        return *this;
    }
    AnsiString &operator=(AnsiString &&Other) noexcept
    {
        if (this != &Other) {
            if (FBuffer) Release();
            TakeFrom(Other);
        }
        return *this;
    }
    ~AnsiString()
    {
        if (FBuffer) Release();
    }

    // Russian literals live in UTF-8 source files; this turns them into cp1251.
    static AnsiString FromUtf8(std::string_view Text);
    std::string ToUtf8() const;

    int Length() const { return static_cast<int>(FLength); }
    bool IsEmpty() const { return FLength == 0; }
    const char *c_str() const
    {
        if (!FBuffer) return FShort;
        const char *Terminated =
            std::atomic_ref<const char *>(FCStr).load(std::memory_order_acquire);
        return Terminated ? Terminated : Terminate();
    }
    // The characters, not always followed by a '\0'.
    const char *Data() const { return FBuffer ? FBuffer->Data() + FStart : FShort; }
    std::string_view View() const { return std::string_view(Data(), FLength); }
    std::string ToStd() const { return std::string(View()); }
    // The same text for a variant, sharing the buffer.
    rtl::SharedText Shared() const;

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

    AnsiString UpperCase() const; // cp1251 letters, Ё/ё included
    AnsiString LowerCase() const; // cp1251 letters, Ё/ё included
    AnsiString Trim() const;      // strips every byte up to blank at both ends
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

    AnsiString &Append(std::string_view Tail)
    {
        if (!AppendInPlace(Tail)) AppendSlow(Tail);
        return *this;
    }
    AnsiString &operator+=(const AnsiString &Other) { return Append(Other.View()); }
    AnsiString &operator+=(const char *Other) { return Append(std::string_view(Other)); }
    AnsiString &operator+=(std::string_view Other) { return Append(Other); }
    AnsiString &operator+=(char Ch) { return Append(std::string_view(&Ch, 1)); }
    friend AnsiString operator+(AnsiString Left, const AnsiString &Right)
    {
        Left += Right;
        return Left;
    }
    friend AnsiString operator+(AnsiString Left, const char *Right)
    {
        Left += Right;
        return Left;
    }
    friend AnsiString operator+(const char *Left, const AnsiString &Right)
    {
        return AnsiString(Left) + Right;
    }
    friend AnsiString operator+(AnsiString Left, char Right)
    {
        Left += Right;
        return Left;
    }

    // Byte-wise, unsigned: a proper prefix sorts first.
    friend bool operator==(const AnsiString &Left, const AnsiString &Right)
    {
        return Left.View() == Right.View();
    }
    friend bool operator==(const AnsiString &Left, const char *Right)
    {
        return Left.View() == Right;
    }
    friend std::strong_ordering operator<=>(const AnsiString &Left, const AnsiString &Right);

    static constexpr std::size_t ShortCapacity = 15;

private:
    void Assign(std::string_view Text);
    void CopyShort(const AnsiString &Other) noexcept
    {
        std::memcpy(FShort, Other.FShort, sizeof FShort);
    }
    void TakeFrom(AnsiString &Other) noexcept
    {
        FBuffer = Other.FBuffer;
        FStart = Other.FStart;
        FLength = Other.FLength;
        if (FBuffer)
            FCStr = Other.FCStr;
        else
            CopyShort(Other);
        Other.MakeEmpty();
    }
    void MakeEmpty() noexcept
    {
        FBuffer = nullptr;
        FStart = FLength = 0;
        FShort[0] = '\0';
    }
    // A copy of a text terminated in its buffer is terminated there too; a copy of
    // one that keeps a terminated copy of its own finds its end again when asked.
    void ShareFrom(const AnsiString &Other) noexcept
    {
        FBuffer->Refs.fetch_add(1, std::memory_order_relaxed);
        const char *Terminated =
            std::atomic_ref<const char *>(Other.FCStr).load(std::memory_order_acquire);
        FCStr = Terminated == Data() ? Terminated : nullptr;
    }
    bool AppendInPlace(std::string_view Tail) noexcept
    {
        std::size_t NewLength = FLength + Tail.size();
        if (!FBuffer) {
            if (NewLength > ShortCapacity) return false;
            std::memmove(FShort + FLength, Tail.data(), Tail.size());
            FShort[NewLength] = '\0';
            FLength = static_cast<std::uint32_t>(NewLength);
            return true;
        }
        if (!OwnsRoomFor(NewLength)) return false;
        char *Chars = FBuffer->Data() + FStart;
        std::memmove(Chars + FLength, Tail.data(), Tail.size());
        EndInBuffer(NewLength);
        return true;
    }
    // Alone in a buffer with room for Length characters and the end, and ended there:
    // nobody else sees the room, so it can be written.
    bool OwnsRoomFor(std::size_t Length) const noexcept
    {
        return FCStr == FBuffer->Data() + FStart && FStart + Length < FBuffer->Capacity &&
               FBuffer->Refs.load(std::memory_order_acquire) == 1;
    }
    // The text is its buffer's first Length characters from FStart, ended there.
    char *EndInBuffer(std::size_t Length) noexcept
    {
        char *Chars = FBuffer->Data() + FStart;
        Chars[Length] = '\0';
        FBuffer->High.store(static_cast<std::uint32_t>(FStart + Length + 1),
                            std::memory_order_relaxed);
        FLength = static_cast<std::uint32_t>(Length);
        return Chars;
    }
    void AppendSlow(std::string_view Tail);
    const char *Terminate() const;
    void Release() noexcept;
    // The characters to write, in a buffer of this text's own, ended there.
    char *Unique(std::size_t Length, std::size_t Capacity);

    rtl::SharedTextBuffer *FBuffer = nullptr; // none: the text lies in FShort
    std::uint32_t FStart = 0;
    std::uint32_t FLength = 0;
    union {
        char FShort[ShortCapacity + 1];
        // Where c_str() finds the text ended: in the buffer, a copy of its own, or not yet.
        mutable const char *FCStr;
    };
};

AnsiString operator""_a(const char *Text, std::size_t Size);

class WideString
{
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
