#include "link/helpers.h"

#include "platform/rtl/FileAccess.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

void StringReplaceAll(AnsiString &Text, const AnsiString &Search, const AnsiString &Replacement)
{
    if (Text.IsEmpty() || Search.IsEmpty()) return;
    AnsiString text = AnsiLowerCase(Text);
    AnsiString search = AnsiLowerCase(Search);
    std::vector<int> found;
    for (int pos = 1; pos + search.Length() - 1 <= text.Length(); ++pos)
        if (text.SubString(pos, search.Length()) == search) found.push_back(pos);

    if (Search.Length() == Replacement.Length()) {
        for (int pos : found)
            for (int i = 1; i <= Replacement.Length(); ++i)
                Text[pos + i - 1] = Replacement[i];
        return;
    }
    int shift = 0;
    for (int pos : found) {
        Text.Delete(pos + shift, Search.Length());
        Text.Insert(Replacement, pos + shift);
        shift += Replacement.Length() - Search.Length();
    }
}

bool IsDigitChar(char Ch)
{
    return Ch >= '0' && Ch <= '9';
}

bool IsLetterChar(char Ch)
{
    auto byte = static_cast<unsigned char>(Ch);
    return (Ch >= 'A' && Ch <= 'Z') || (Ch >= 'a' && Ch <= 'z') || byte >= 0xC0;
}

bool IsHexDigitChar(char Ch)
{
    return IsDigitChar(Ch) || (Ch >= 'A' && Ch <= 'F') || (Ch >= 'a' && Ch <= 'f');
}

bool CharInString(char Ch, std::string_view Text)
{
    return Text.find(Ch) != std::string_view::npos;
}

double RoundToDecimals(double Value, int Decimals, double &Result)
{
    AnsiString text;
    text.sprintf("%-.*lf", Decimals, Value);
    Result = rtl::StrToD(text.c_str());
    return Result;
}

void TrimSpaces(AnsiString &Text)
{
    int first = 1;
    int last = Text.Length();
    while (first <= last && Text[first] == ' ')
        ++first;
    while (last >= first && Text[last] == ' ')
        --last;
    Text = Text.SubString(first, last - first + 1);
}

AnsiString PadRight(const AnsiString &Text, int Length, char Fill)
{
    return Text + AnsiString::StringOfChar(Fill, Length - Text.Length());
}

AnsiString PadLeft(const AnsiString &Text, int Length, char Fill)
{
    return AnsiString::StringOfChar(Fill, Length - Text.Length()) + Text;
}

AnsiString KeepCharsOfSet(AnsiString &Text, const AnsiString &Set)
{
    AnsiString kept;
    for (char ch : Text.View())
        if (CharInString(ch, Set.View())) kept += ch;
    Text = kept;
    return kept;
}

AnsiString InsertSeparatorEvery(const AnsiString &Text, int Count, const AnsiString &Separator)
{
    AnsiString result;
    for (int i = 1; i <= Text.Length(); ++i) {
        result += Text[i];
        if (Count > 0 && i % Count == 0 && i < Text.Length()) result += Separator;
    }
    return result;
}

AnsiString RemoveSeparatorEvery(const AnsiString &Text, int Count, int /*SeparatorLength*/)
{
    AnsiString result;
    for (int i = 1; i <= Text.Length(); ++i)
        if (Count <= 0 || i % Count != 0 || i == Text.Length()) result += Text[i];
    return result;
}

void ShowMessageBox(const AnsiString &Text, const AnsiString &Caption)
{
    Application->MessageBox(Text, Caption, MB_OK);
}

void SayOnTerminal(const AnsiString &Text)
{
    std::fprintf(stderr, "%s\n", Text.ToUtf8().c_str());
}

AnsiString LeftAloneText(int Error)
{
    const AnsiString what =
        Error == rtl::DanglingLinkError ? "Файл не создан: "_a : "Файл оставлен без изменений: "_a;
    return what + rtl::FileErrorText(Error) + ":";
}

void SplitTrailingDigits(const AnsiString &Text, AnsiString &Prefix, AnsiString &Digits)
{
    AnsiString text = Text.Trim();
    int start = text.Length();
    while (start >= 1 && IsDigitChar(text[start]))
        --start;
    Prefix = text.SubString(1, start);
    Digits = text.SubString(start + 1, text.Length() - start);
}

void EnumComPorts(std::vector<TComPortEntry> &List)
{
    List.clear();
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly("HARDWARE\\DEVICEMAP\\SERIALCOMM")) return;
    TStringList names;
    registry.GetValueNames(&names);
    for (int i = names.Count() - 1; i >= 0; --i) {
        TComPortEntry entry;
        AnsiString digits;
        SplitTrailingDigits(registry.ReadString(names[i]), entry.PortPrefix, digits);
        entry.PortNumber = StrToIntDef(digits, 1);
        SplitTrailingDigits(names[i], entry.DevicePrefix, digits);
        entry.DeviceNumber = StrToIntDef(digits, 0);
        List.push_back(entry);
    }
    std::stable_sort(List.begin(), List.end(),
                     [](const auto &A, const auto &B) { return A.PortNumber < B.PortNumber; });
}

// ---- SumInWords ----

namespace
{

enum Gender { Masculine, Feminine };

// Index 1..19; 0 writes nothing.
const std::array<AnsiString, 20> &UnitWords(Gender G)
{
    static const std::array<AnsiString, 20> masculine = {"",
                                                         "один "_a,
                                                         "два "_a,
                                                         "три "_a,
                                                         "четыре "_a,
                                                         "пять "_a,
                                                         "шесть "_a,
                                                         "семь "_a,
                                                         "восемь "_a,
                                                         "девять "_a,
                                                         "десять "_a,
                                                         "одиннадцать "_a,
                                                         "двенадцать "_a,
                                                         "тринадцать "_a,
                                                         "четырнадцать "_a,
                                                         "пятнадцать "_a,
                                                         "шестнадцать "_a,
                                                         "семнадцать "_a,
                                                         "восемнадцать "_a,
                                                         "девятнадцать "_a};
    static const std::array<AnsiString, 20> feminine = [] {
        auto words = masculine;
        words[1] = "одна "_a;
        words[2] = "две "_a;
        return words;
    }();
    return G == Feminine ? feminine : masculine;
}

const std::array<AnsiString, 10> &TensWords()
{
    static const std::array<AnsiString, 10> words = {"",
                                                     "",
                                                     "двадцать "_a,
                                                     "тридцать "_a,
                                                     "сорок "_a,
                                                     "пятьдесят "_a,
                                                     "шестьдесят "_a,
                                                     "семьдесят "_a,
                                                     "восемьдесят "_a,
                                                     "девяносто "_a};
    return words;
}

const std::array<AnsiString, 10> &HundredsWords()
{
    static const std::array<AnsiString, 10> words = {
        "",           "сто "_a,      "двести "_a,  "триста "_a,    "четыреста "_a,
        "пятьсот "_a, "шестьсот "_a, "семьсот "_a, "восемьсот "_a, "девятьсот "_a};
    return words;
}

struct GroupNouns {
    Gender UnitsGender;
    std::array<AnsiString, 3> Forms; // for 1, for 2..4, for the rest
};

AnsiString GroupInWords(long long Value, const GroupNouns &Nouns)
{
    if (Value == 0) return AnsiString();
    int hundreds = static_cast<int>(Value / 100);
    int rest = static_cast<int>(Value % 100);
    AnsiString words = HundredsWords()[hundreds];
    int last = rest;
    if (rest > 19) {
        words += TensWords()[rest / 10];
        last = rest % 10;
    }
    words += UnitWords(Nouns.UnitsGender)[last];
    int form = last == 1 ? 0 : (last >= 2 && last <= 4 ? 1 : 2);
    return words + Nouns.Forms[form];
}

} // namespace

AnsiString SumInWords(double Amount)
{
    static const GroupNouns millions = {Masculine, {"миллион "_a, "миллиона "_a, "миллионов "_a}};
    static const GroupNouns thousands = {Feminine, {"тысяча "_a, "тысячи "_a, "тысяч "_a}};
    static const GroupNouns roubles = {Masculine, {"рубль"_a, "рубля"_a, "рублей"_a}};

    // Whole kopecks first: 112.99999999999999 is 113 roubles, not 112 roubles and 100 kopecks.
    const double scaled = std::round(Amount * 100.0);
    if (scaled < 100.0) return AnsiString();
    // Three groups of words reach up to 999 999 999 roubles. Checked before the
    // conversion to an integer, which would overflow for huge amounts.
    if (!(scaled < 100000000000.0))
        throw EConvertError("Сумма слишком велика для записи прописью"_a);
    const auto kopecks = static_cast<long long>(scaled);
    const long long r = kopecks / 100;
    AnsiString text = GroupInWords(r / 1000000, millions) +
                      GroupInWords((r / 1000) % 1000, thousands) + GroupInWords(r % 1000, roubles);
    if (!text.Pos("руб"_a)) text += "рублей"_a;
    text += " " + FormatFloat("00", static_cast<double>(kopecks % 100)) + " коп."_a;
    text[1] = static_cast<char>(rtl::UpperByte(static_cast<unsigned char>(text[1])));
    return text;
}
