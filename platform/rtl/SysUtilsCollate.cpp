// The locale-aware comparisons, ordered as the system's word sort orders text:
// punctuation and symbols before digits, digits before letters, Latin before
// Cyrillic, and a hyphen or an apostrophe passed over so that "coop" and "co-op"
// stay together. The table is our own over cp1251: the C and Qt locales of the
// machine never decide the order of a sorted list.

#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace
{

// Letters by their upper case, in the order of the alphabets; the letters of the
// other Cyrillic alphabets follow the Russian letter they are nearest to.
constexpr std::u16string_view Alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ\u00B5"
                                         u"АБВГҐЃДЂЕЁЄЖЗЅИІЇЙЈКЌЛЉМНЊОПРСТЋУЎФХЦЧЏШЩЪЫЬЭЮЯ";

constexpr char Apostrophe = '\'';
constexpr char Hyphen = '-';

// Weights below every other one: they only decide between texts equal without them.
constexpr std::uint16_t ApostropheWeight = 1;
constexpr std::uint16_t HyphenWeight = 2;
constexpr std::uint16_t FirstSymbolWeight = 3;
constexpr std::uint16_t FirstDigitWeight = 0x4000;
constexpr std::uint16_t FirstLetterWeight = 0x5000;

using WeightTable = std::array<std::uint16_t, 256>;

bool PassedOver(unsigned char Byte)
{
    return Byte == Apostrophe || Byte == Hyphen;
}

// Symbols keep the order of their Unicode codes among themselves; every weight is
// unique up to case, so only texts equal but for case weigh the same.
std::uint16_t WeightOf(unsigned char Byte)
{
    if (Byte == Apostrophe) return ApostropheWeight;
    if (Byte == Hyphen) return HyphenWeight;
    if (Byte >= '0' && Byte <= '9') return FirstDigitWeight + (Byte - '0');
    const char16_t Upper = rtl::Cp1251ToUnicode(rtl::UpperByte(Byte));
    const std::size_t Letter = Alphabet.find(Upper);
    if (Letter != std::u16string_view::npos)
        return static_cast<std::uint16_t>(FirstLetterWeight + Letter);
    const char16_t Code = rtl::Cp1251ToUnicode(Byte);
    // U+FFFD (the byte without a character) still sorts below the digits.
    return static_cast<std::uint16_t>(
        FirstSymbolWeight + std::min<int>(Code, FirstDigitWeight - FirstSymbolWeight - 1));
}

const WeightTable &Weights()
{
    static const WeightTable Table = [] {
        WeightTable T{};
        for (int B = 0; B < 256; ++B)
            T[B] = WeightOf(static_cast<unsigned char>(B));
        return T;
    }();
    return Table;
}

int Sign(int Value)
{
    return (Value > 0) - (Value < 0);
}

// Steps through the characters that count for the alphabet, passing over the rest.
class WordReader
{
public:
    explicit WordReader(std::string_view Text) : FText(Text) { Skip(); }
    bool AtEnd() const { return FPos == FText.size(); }
    unsigned char Current() const { return static_cast<unsigned char>(FText[FPos]); }
    void Next()
    {
        ++FPos;
        Skip();
    }

private:
    void Skip()
    {
        while (FPos < FText.size() && PassedOver(static_cast<unsigned char>(FText[FPos])))
            ++FPos;
    }
    std::string_view FText;
    std::size_t FPos = 0;
};

// Compares the characters that count, by Key, the shorter text first.
template <class Key> int CompareWords(std::string_view A, std::string_view B, Key KeyOf)
{
    WordReader Ra(A), Rb(B);
    for (; !Ra.AtEnd() && !Rb.AtEnd(); Ra.Next(), Rb.Next())
        if (const int D = KeyOf(Ra.Current()) - KeyOf(Rb.Current())) return Sign(D);
    return Sign(static_cast<int>(!Ra.AtEnd()) - static_cast<int>(!Rb.AtEnd()));
}

int Alphabetical(unsigned char Byte)
{
    return Weights()[Byte];
}

// Lower case before upper case, as the system's collation has it.
int CaseOf(unsigned char Byte)
{
    return rtl::IsUpper(static_cast<char>(Byte)) ? 1 : 0;
}

// Texts equal but for what was passed over: fewer marks first, then the marks
// where they stand, every character by its weight.
int CompareMarks(std::string_view A, std::string_view B)
{
    const auto Marks = [](std::string_view S) {
        return std::count_if(S.begin(), S.end(),
                             [](char C) { return PassedOver(static_cast<unsigned char>(C)); });
    };
    if (const auto D = Marks(A) - Marks(B)) return Sign(static_cast<int>(D));
    const std::size_t N = std::min(A.size(), B.size());
    for (std::size_t I = 0; I < N; ++I)
        if (const int D = Alphabetical(static_cast<unsigned char>(A[I])) -
                          Alphabetical(static_cast<unsigned char>(B[I])))
            return Sign(D);
    return 0;
}

} // namespace

int AnsiCompareText(const AnsiString &S1, const AnsiString &S2)
{
    if (const int D = CompareWords(S1.View(), S2.View(), Alphabetical)) return D;
    return CompareMarks(S1.View(), S2.View());
}

int AnsiCompareStr(const AnsiString &S1, const AnsiString &S2)
{
    if (const int D = CompareWords(S1.View(), S2.View(), Alphabetical)) return D;
    if (const int D = CompareWords(S1.View(), S2.View(), CaseOf)) return D;
    return CompareMarks(S1.View(), S2.View());
}
