#include "platform/rtl/System.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace rtl
{
namespace
{

constexpr std::array<char16_t, 128> HighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Upper case of the letters cp1251 holds: Latin, Cyrillic and the Slavic extras.
char32_t UnicodeUpper(char32_t Code)
{
    if (Code >= 'a' && Code <= 'z') return Code - 32;
    if (Code >= 0x0430 && Code <= 0x044F) return Code - 0x20;
    if (Code >= 0x0450 && Code <= 0x045F) return Code - 0x50;
    if (Code == 0x0491) return 0x0490;
    return Code;
}

char32_t UnicodeLower(char32_t Code)
{
    if (Code >= 'A' && Code <= 'Z') return Code + 32;
    if (Code >= 0x0410 && Code <= 0x042F) return Code + 0x20;
    if (Code >= 0x0400 && Code <= 0x040F) return Code + 0x50;
    if (Code == 0x0490) return 0x0491;
    return Code;
}

struct CaseTables {
    std::array<unsigned char, 256> Upper;
    std::array<unsigned char, 256> Lower;
    std::array<char, 0x500> FromUnicode; // Latin-1 and Cyrillic blocks; 0 = not mapped
};

const CaseTables &Tables()
{
    static const CaseTables tables = [] {
        CaseTables t{};
        for (int b = 0; b < 256; ++b) {
            char32_t u = Cp1251ToUnicode(static_cast<unsigned char>(b));
            if (u < t.FromUnicode.size()) t.FromUnicode[u] = static_cast<char>(b);
        }
        // Every case partner of a cp1251 letter lies in the blocks FromUnicode covers.
        auto toByte = [&](char32_t u, int fallback) {
            return static_cast<unsigned char>(u < 0x80           ? u
                                              : t.FromUnicode[u] ? t.FromUnicode[u]
                                                                 : fallback);
        };
        for (int b = 0; b < 256; ++b) {
            char32_t u = Cp1251ToUnicode(static_cast<unsigned char>(b));
            bool mapped = u < t.FromUnicode.size();
            t.Upper[b] = mapped ? toByte(UnicodeUpper(u), b) : static_cast<unsigned char>(b);
            t.Lower[b] = mapped ? toByte(UnicodeLower(u), b) : static_cast<unsigned char>(b);
        }
        return t;
    }();
    return tables;
}

void AppendUtf8(std::string &Out, char32_t Code)
{
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
        Out += static_cast<char>(0xC0 | (Code >> 6));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Out += static_cast<char>(0xE0 | (Code >> 12));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Code >> 18));
        Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at Text[Index]; malformed input yields U+FFFD and
// consumes one byte, so decoding always moves on.
char32_t NextUtf8(std::string_view Text, std::size_t &Index)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(Text[i]); };
    unsigned char lead = byte(Index);
    int extra = lead < 0x80           ? 0
                : (lead >> 5) == 0x6  ? 1
                : (lead >> 4) == 0xE  ? 2
                : (lead >> 3) == 0x1E ? 3
                                      : -1;
    if (extra < 0 || Index + extra >= Text.size() + (extra == 0 ? 1 : 0)) {
        ++Index;
        return extra == 0 ? lead : 0xFFFD;
    }
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        unsigned char next = byte(Index + i);
        if ((next & 0xC0) != 0x80) {
            ++Index;
            return 0xFFFD;
        }
        code = (code << 6) | (next & 0x3F);
    }
    Index += extra + 1;
    return code;
}

[[noreturn]] void RaiseRange(int Index, int Length)
{
    throw ERangeError("Range check error (index " + std::to_string(Index) + " of " +
                      std::to_string(Length) + ")");
}

// The class library's clamping of Copy, shared by both text types.
template <class Str> Str ClampedSub(const Str &Text, int Start, int Count)
{
    if (Start < 1) Start = 1;
    int length = static_cast<int>(Text.size());
    if (Start > length || Count < 1) return Str();
    return Text.substr(Start - 1, std::min(Count, length - Start + 1));
}

template <class Str> int FindPos(const Str &Text, const Str &Sub)
{
    if (Sub.empty()) return 0;
    auto at = Text.find(Sub);
    return at == Str::npos ? 0 : static_cast<int>(at) + 1;
}

template <class Str> void InsertAt(Str &Text, const Str &Part, int Index)
{
    Index = std::clamp(Index, 1, static_cast<int>(Text.size()) + 1);
    Text.insert(Index - 1, Part);
}

template <class Str> void DeleteAt(Str &Text, int Index, int Count)
{
    int length = static_cast<int>(Text.size());
    if (Index < 1 || Index > length || Count < 1) return;
    Text.erase(Index - 1, std::min(Count, length - Index + 1));
}

} // namespace

char16_t Cp1251ToUnicode(unsigned char Byte)
{
    return Byte < 0x80 ? Byte : HighHalf[Byte - 0x80];
}

char UnicodeToCp1251(char32_t Code)
{
    if (Code < 0x80) return static_cast<char>(Code);
    if (Code < 0x500) {
        char b = Tables().FromUnicode[Code];
        if (b) return b;
    }
    for (int i = 0; i < 128; ++i)
        if (HighHalf[i] == Code && Code != 0xFFFD) return static_cast<char>(0x80 + i);
    return '?';
}

std::u16string Utf8ToUtf16(std::string_view Text)
{
    std::u16string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size();) {
        char32_t code = NextUtf8(Text, i);
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view Text)
{
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char32_t code = Text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 &&
            Text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}

unsigned char UpperByte(unsigned char Byte)
{
    return Tables().Upper[Byte];
}
unsigned char LowerByte(unsigned char Byte)
{
    return Tables().Lower[Byte];
}

} // namespace rtl

// ---- AnsiString ----

namespace
{

// Room to grow by half again, and the '\0' that ends the text in its buffer.
std::size_t RoomFor(std::size_t Length)
{
    return Length + Length / 2 + 1;
}

} // namespace

// Every constructor comes here: the short and the fresh buffer are made directly,
// not through Unique, which costs the engine 1 % of its instructions.
void AnsiString::Assign(std::string_view Text)
{
    if (Text.size() <= ShortCapacity) {
        MakeEmpty();
        if (!Text.empty()) std::memcpy(FShort, Text.data(), Text.size());
        FShort[Text.size()] = '\0';
        FLength = static_cast<std::uint32_t>(Text.size());
        return;
    }
    if (Text.size() > INT_MAX) throw std::length_error("text too long");
    FBuffer = rtl::SharedTextBuffer::Make(Text.size() + 1, 0, Text.size() + 1);
    FStart = 0;
    FLength = static_cast<std::uint32_t>(Text.size());
    std::memcpy(FBuffer->Data(), Text.data(), Text.size());
    FBuffer->Data()[Text.size()] = '\0';
    FCStr = FBuffer->Data();
}

AnsiString::AnsiString(const rtl::SharedText &Text)
{
    if (Text.Length() <= ShortCapacity) {
        Assign(Text.View());
        return;
    }
    Text.Retain();
    FBuffer = Text.FBuffer;
    FStart = Text.FStart;
    FLength = Text.FLength;
    FCStr = nullptr;
}

rtl::SharedText AnsiString::Shared() const
{
    if (!FBuffer) return rtl::SharedText(View());
    FBuffer->Refs.fetch_add(1, std::memory_order_relaxed);
    return rtl::SharedText(FBuffer, FStart, FLength);
}

void AnsiString::Release() noexcept
{
    const char *Terminated = FCStr;
    if (Terminated && Terminated != Data()) delete[] Terminated;
    if (FBuffer->Release()) rtl::SharedTextBuffer::Free(FBuffer);
    FBuffer = nullptr;
}

// The room just past the text is claimed for its '\0' when nobody has claimed it; else
// the text gets a terminated copy of its own. Two threads asking at once agree on one.
const char *AnsiString::Terminate() const
{
    const char *Chars = Data();
    std::uint32_t End = FStart + FLength;
    const char *Result = nullptr;
    if (End < FBuffer->Capacity &&
        FBuffer->High.compare_exchange_strong(End, End + 1, std::memory_order_acq_rel)) {
        FBuffer->Data()[End] = '\0';
        Result = Chars;
    } else {
        char *Copy = new char[FLength + 1];
        std::memcpy(Copy, Chars, FLength);
        Copy[FLength] = '\0';
        Result = Copy;
    }
    const char *Before = nullptr;
    if (std::atomic_ref<const char *>(FCStr).compare_exchange_strong(Before, Result,
                                                                     std::memory_order_acq_rel))
        return Result;
    if (Result != Chars) delete[] Result;
    return Before;
}

char *AnsiString::Unique(std::size_t Length, std::size_t Capacity)
{
    if (Length > INT_MAX) throw std::length_error("text too long");
    Capacity = std::max(Capacity, Length);
    if (Length <= ShortCapacity && !FBuffer) {
        FShort[Length] = '\0';
        FLength = static_cast<std::uint32_t>(Length);
        return FShort;
    }
    if (!FBuffer || !OwnsRoomFor(Capacity)) {
        auto *Fresh = rtl::SharedTextBuffer::Make(Capacity + 1, 0, 0);
        std::memcpy(Fresh->Data(), Data(), std::min<std::size_t>(FLength, Length));
        if (FBuffer) Release();
        FBuffer = Fresh;
        FStart = 0;
        FCStr = Fresh->Data();
    }
    return EndInBuffer(Length);
}

void AnsiString::AppendSlow(std::string_view Tail)
{
    if (Tail.empty()) return;
    std::size_t OldLength = FLength;
    std::size_t NewLength = OldLength + Tail.size();
    // Tail may lie in this text, which Unique may move.
    AnsiString Keep;
    if (Tail.data() >= Data() && Tail.data() < Data() + OldLength) {
        Keep = *this;
        Tail = std::string_view(Keep.Data() + (Tail.data() - Data()), Tail.size());
    }
    char *Chars = Unique(NewLength, RoomFor(NewLength));
    std::memcpy(Chars + OldLength, Tail.data(), Tail.size());
}

AnsiString::AnsiString(const WideString &Text)
{
    char *Chars = Unique(Text.Length(), Text.Length());
    for (char16_t c : Text.View())
        *Chars++ = rtl::UnicodeToCp1251(c);
}

AnsiString AnsiString::FromUtf8(std::string_view Text)
{
    return AnsiString(WideString(rtl::Utf8ToUtf16(Text)));
}

std::string AnsiString::ToUtf8() const
{
    std::string out;
    out.reserve(FLength);
    for (unsigned char b : View())
        rtl::AppendUtf8(out, rtl::Cp1251ToUnicode(b));
    return out;
}

AnsiString operator""_a(const char *Text, std::size_t Size)
{
    return AnsiString::FromUtf8(std::string_view(Text, Size));
}

char AnsiString::operator[](int Index) const
{
    if (Index < 1 || Index > Length()) rtl::RaiseRange(Index, Length());
    return Data()[Index - 1];
}

char &AnsiString::operator[](int Index)
{
    if (Index < 1 || Index > Length()) rtl::RaiseRange(Index, Length());
    return Unique(FLength, FLength)[Index - 1];
}

AnsiString AnsiString::SubString(int Start, int Count) const
{
    return rtl::ClampedSub(View(), Start, Count);
}

int AnsiString::Pos(const AnsiString &Sub) const
{
    return rtl::FindPos(View(), Sub.View());
}

// Written straight into a buffer of the result's own: Text may be this text.
AnsiString &AnsiString::Insert(const AnsiString &Text, int Index)
{
    std::string_view Mine = View(), Part = Text.View();
    std::size_t At = std::clamp(Index, 1, Length() + 1) - 1;
    AnsiString Result;
    char *Chars = Result.Unique(Mine.size() + Part.size(), Mine.size() + Part.size());
    std::memcpy(Chars, Mine.data(), At);
    std::memcpy(Chars + At, Part.data(), Part.size());
    std::memcpy(Chars + At + Part.size(), Mine.data() + At, Mine.size() - At);
    *this = std::move(Result);
    return *this;
}

AnsiString &AnsiString::Delete(int Index, int Count)
{
    if (Index < 1 || Index > Length() || Count < 1) return *this;
    std::string_view Mine = View();
    std::size_t At = Index - 1;
    std::size_t Gone = std::min(Count, Length() - Index + 1);
    AnsiString Result;
    char *Chars = Result.Unique(Mine.size() - Gone, Mine.size() - Gone);
    std::memcpy(Chars, Mine.data(), At);
    std::memcpy(Chars + At, Mine.data() + At + Gone, Mine.size() - At - Gone);
    *this = std::move(Result);
    return *this;
}

AnsiString &AnsiString::SetLength(int NewLength)
{
    std::size_t OldLength = FLength;
    std::size_t Length = std::max(NewLength, 0);
    char *Chars = Unique(Length, Length);
    if (Length > OldLength) std::memset(Chars + OldLength, 0, Length - OldLength);
    return *this;
}

int AnsiString::LastDelimiter(const AnsiString &Delimiters) const
{
    auto at = View().find_last_of(Delimiters.View());
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

bool AnsiString::IsDelimiter(const AnsiString &Delimiters, int Index) const
{
    return Index >= 1 && Index <= Length() &&
           Delimiters.View().find(Data()[Index - 1]) != std::string::npos;
}

namespace
{
// Every byte through one of the case tables, looked up once for the text.
void Map(std::string_view Text, const std::array<unsigned char, 256> &Table, char *Into)
{
    for (char c : Text)
        *Into++ = static_cast<char>(Table[static_cast<unsigned char>(c)]);
}
} // namespace

AnsiString AnsiString::UpperCase() const
{
    AnsiString Result;
    Map(View(), rtl::Tables().Upper, Result.Unique(FLength, FLength));
    return Result;
}

AnsiString AnsiString::LowerCase() const
{
    AnsiString Result;
    Map(View(), rtl::Tables().Lower, Result.Unique(FLength, FLength));
    return Result;
}

namespace
{
bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

AnsiString AnsiString::Trim() const
{
    std::string_view Text = View();
    const auto first = std::find_if_not(Text.begin(), Text.end(), IsBlankOrControl);
    const auto last =
        std::find_if_not(Text.rbegin(), std::make_reverse_iterator(first), IsBlankOrControl);
    return std::string_view(first, last.base());
}

AnsiString AnsiString::TrimLeft() const
{
    std::string_view Text = View();
    auto first = std::find_if_not(Text.begin(), Text.end(), IsBlankOrControl);
    return std::string_view(first, Text.end());
}

AnsiString AnsiString::TrimRight() const
{
    std::string_view Text = View();
    auto last = std::find_if_not(Text.rbegin(), Text.rend(), IsBlankOrControl);
    return std::string_view(Text.begin(), last.base());
}

AnsiString::AnsiString(int Value) : AnsiString(std::to_string(Value)) {}
AnsiString::AnsiString(unsigned Value) : AnsiString(std::to_string(Value)) {}
AnsiString::AnsiString(long Value) : AnsiString(std::to_string(Value)) {}
AnsiString::AnsiString(long long Value) : AnsiString(std::to_string(Value)) {}
AnsiString::AnsiString(double Value) : AnsiString(FloatToStr(Value)) {}

int AnsiString::ToInt() const
{
    return StrToInt(*this);
}
int AnsiString::ToIntDef(int Default) const
{
    return StrToIntDef(*this, Default);
}
double AnsiString::ToDouble() const
{
    return StrToFloat(*this);
}
int AnsiString::AnsiCompare(const AnsiString &Other) const
{
    return AnsiCompareStr(*this, Other);
}
int AnsiString::AnsiCompareIC(const AnsiString &Other) const
{
    return AnsiCompareText(*this, Other);
}

AnsiString AnsiString::StringOfChar(char Ch, int Count)
{
    AnsiString Result;
    std::size_t Length = std::max(Count, 0);
    if (Length) std::memset(Result.Unique(Length, Length), Ch, Length);
    return Result;
}

std::strong_ordering operator<=>(const AnsiString &Left, const AnsiString &Right)
{
    // Unsigned bytes, as the class library compares them.
    std::size_t n = std::min(Left.FLength, Right.FLength);
    int c = n ? std::memcmp(Left.Data(), Right.Data(), n) : 0;
    if (c != 0) return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    return Left.FLength <=> Right.FLength;
}

// ---- WideString ----

WideString::WideString(const AnsiString &Text)
{
    FData.reserve(Text.Length());
    for (unsigned char b : Text.View())
        FData += rtl::Cp1251ToUnicode(b);
}

WideString WideString::FromUtf8(std::string_view Text)
{
    return rtl::Utf8ToUtf16(Text);
}
std::string WideString::ToUtf8() const
{
    return rtl::Utf16ToUtf8(FData);
}

char16_t WideString::operator[](int Index) const
{
    if (Index < 1 || Index > Length()) rtl::RaiseRange(Index, Length());
    return FData[Index - 1];
}

char16_t &WideString::operator[](int Index)
{
    if (Index < 1 || Index > Length()) rtl::RaiseRange(Index, Length());
    return FData[Index - 1];
}

WideString WideString::SubString(int Start, int Count) const
{
    return rtl::ClampedSub(FData, Start, Count);
}

int WideString::Pos(const WideString &Sub) const
{
    return rtl::FindPos(FData, Sub.FData);
}

WideString &WideString::Insert(const WideString &Text, int Index)
{
    rtl::InsertAt(FData, Text.FData, Index);
    return *this;
}

WideString &WideString::Delete(int Index, int Count)
{
    rtl::DeleteAt(FData, Index, Count);
    return *this;
}

WideString &WideString::SetLength(int NewLength)
{
    FData.resize(std::max(NewLength, 0));
    return *this;
}

// ---- TVarRec ----

TVarRec::TVarRec(const TVarRec &Other) : VType(Other.VType), VOwnedString(Other.VOwnedString)
{
    VInt64 = Other.VInt64;
    if (VType == vtString && Other.VString == &Other.VOwnedString)
        VString = &VOwnedString;
    else if (VType == vtString)
        VString = Other.VString;
}
