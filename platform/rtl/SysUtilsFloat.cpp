// Floating-point text: decimal rounding, the float formats, picture formats and parsing.
//
// Digits come from std::to_chars, which is exact and ignores the locale; all
// rounding after that is done on decimal digits, half away from zero.

#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr int MaxDigits = 18;
constexpr short InfExponent = 0x7FFF;
constexpr short NanExponent = static_cast<short>(0x8000);

void SetZero(TFloatRec &Rec)
{
    Rec.Exponent = 0;
    Rec.Negative = false;
    Rec.Digits[0] = 0;
}

bool IsSpecial(const TFloatRec &Rec)
{
    return Rec.Exponent == InfExponent || Rec.Exponent == NanExponent;
}

const char *SpecialText(const TFloatRec &Rec)
{
    if (Rec.Exponent == NanExponent) return "NAN";
    return Rec.Negative ? "-INF" : "INF";
}

int DigitCount(const TFloatRec &Rec)
{
    return static_cast<int>(std::strlen(Rec.Digits));
}

// Digit Index of 0.Digits, counting from the first; '0' outside the digits.
char DigitAt(const TFloatRec &Rec, int Index, int Length)
{
    return Index >= 0 && Index < Length ? Rec.Digits[Index] : '0';
}

void AppendExponent(std::string &Out, int Exponent, bool PlusSign, int MinDigits)
{
    if (Exponent < 0)
        Out += '-';
    else if (PlusSign)
        Out += '+';
    std::string digits = std::to_string(std::abs(Exponent));
    Out.append(std::max(MinDigits - static_cast<int>(digits.size()), 0), '0');
    Out += digits;
}

// The integer part, "0" when the value is below one.
void AppendIntegerPart(std::string &Out, const TFloatRec &Rec, bool Thousands)
{
    int length = DigitCount(Rec);
    if (Rec.Exponent <= 0) {
        Out += '0';
        return;
    }
    for (int i = 0; i < Rec.Exponent; ++i) {
        Out += DigitAt(Rec, i, length);
        int right = Rec.Exponent - 1 - i;
        if (Thousands && right > 0 && right % 3 == 0) Out += ThousandSeparator;
    }
}

// The decimals, at least MinDecimals of them; none and no separator when there are none.
void AppendFraction(std::string &Out, const TFloatRec &Rec, int MinDecimals)
{
    int length = DigitCount(Rec);
    int decimals = std::max(MinDecimals, length - Rec.Exponent);
    if (decimals <= 0) return;
    Out += DecimalSeparator;
    for (int j = 0; j < decimals; ++j)
        Out += DigitAt(Rec, Rec.Exponent + j, length);
}

void AppendScientific(std::string &Out, const TFloatRec &Rec, int MantissaDigits, bool PlusSign,
                      int ExponentDigits)
{
    int length = DigitCount(Rec);
    Out += DigitAt(Rec, 0, length);
    if (MantissaDigits > 1) {
        Out += DecimalSeparator;
        for (int i = 1; i < MantissaDigits; ++i)
            Out += DigitAt(Rec, i, length);
    }
    Out += 'E';
    AppendExponent(Out, length ? Rec.Exponent - 1 : 0, PlusSign, ExponentDigits);
}

std::string GeneralText(double Value, int Precision, int Digits)
{
    TFloatRec rec;
    FloatToDecimal(rec, Value, Precision, 9999);
    if (IsSpecial(rec)) return SpecialText(rec);
    std::string out = rec.Negative ? "-" : "";
    if (rec.Exponent > Precision || rec.Exponent < -3) {
        AppendScientific(out, rec, DigitCount(rec), false, Digits);
    } else {
        AppendIntegerPart(out, rec, false);
        AppendFraction(out, rec, 0);
    }
    return out;
}

std::string ExponentText(double Value, int Precision, int Digits)
{
    TFloatRec rec;
    FloatToDecimal(rec, Value, Precision, 9999);
    if (IsSpecial(rec)) return SpecialText(rec);
    std::string out = rec.Negative ? "-" : "";
    AppendScientific(out, rec, Precision, true, Digits);
    return out;
}

// Fixed, number and currency share the rounding; a value too large for the
// precision falls back to the general form, as the class library does.
bool FixedDigits(std::string &Out, double Value, int Precision, int Digits, bool Thousands,
                 bool &Negative)
{
    TFloatRec rec;
    FloatToDecimal(rec, Value, Precision, Digits);
    Negative = rec.Negative;
    if (IsSpecial(rec)) {
        Out = SpecialText(rec);
        return false;
    }
    if (rec.Exponent > Precision) {
        Out = GeneralText(Value, Precision, 0);
        return false;
    }
    AppendIntegerPart(Out, rec, Thousands);
    AppendFraction(Out, rec, Digits);
    return true;
}

std::string FixedText(double Value, int Precision, int Digits, bool Thousands)
{
    std::string digits;
    bool negative;
    if (!FixedDigits(digits, Value, Precision, Digits, Thousands, negative)) return digits;
    return negative ? "-" + digits : digits;
}

// Where the amount ("1") and the currency ("$") go, by CurrencyFormat and NegCurrFormat.
constexpr const char *PositiveCurrency[] = {"$1", "1$", "$ 1", "1 $"};
constexpr const char *NegativeCurrency[] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                            "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                            "$ -1", "1- $", "($ 1)", "(1 $)"};

std::string CurrencyText(double Value, int Precision, int Digits)
{
    std::string amount;
    bool negative;
    if (!FixedDigits(amount, Value, Precision, Digits, true, negative)) return amount;
    const char *pattern = negative ? NegativeCurrency[std::min<int>(NegCurrFormat, 15)]
                                   : PositiveCurrency[std::min<int>(CurrencyFormat, 3)];
    std::string out;
    for (const char *p = pattern; *p; ++p) {
        if (*p == '1')
            out += amount;
        else if (*p == '$')
            out += CurrencyString.View();
        else
            out += *p;
    }
    return out;
}

} // namespace

void FloatToDecimal(TFloatRec &Result, double Value, int Precision, int Decimals)
{
    SetZero(Result);
    if (std::isnan(Value)) {
        Result.Exponent = NanExponent;
        return;
    }
    Result.Negative = std::signbit(Value);
    if (std::isinf(Value)) {
        Result.Exponent = InfExponent;
        return;
    }
    if (Value == 0) {
        SetZero(Result);
        return;
    }
    // "d.ddddddddddddddddde+xx": the binary value correctly rounded to 18 digits.
    char text[40];
    auto end = std::to_chars(text, text + sizeof text, std::fabs(Value),
                             std::chars_format::scientific, MaxDigits - 1)
                   .ptr;
    char digits[MaxDigits + 1];
    digits[0] = text[0];
    std::memcpy(digits + 1, text + 2, MaxDigits - 1);
    const char *e = std::find(text, end, 'e');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), end, exponent); // to_chars writes no terminator
    ++exponent;

    Precision = std::clamp(Precision, 1, MaxDigits);
    long keep = std::min<long>(Precision, static_cast<long>(exponent) + std::max(Decimals, 0));
    if (keep < 0 || (keep == 0 && digits[0] < '5')) {
        SetZero(Result);
        return;
    }
    if (keep < MaxDigits && digits[keep] >= '5') {
        long i = keep - 1;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            // Every kept digit carried over: the value is 10^exponent.
            digits[0] = '1';
            keep = std::max(keep, 1L);
            ++exponent;
        }
    }
    while (keep > 0 && digits[keep - 1] == '0')
        --keep;
    if (keep == 0) {
        SetZero(Result);
        return;
    }
    std::memcpy(Result.Digits, digits, keep);
    Result.Digits[keep] = 0;
    Result.Exponent = static_cast<short>(exponent);
}

AnsiString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits)
{
    Precision = std::clamp(Precision, 1, MaxDigits);
    switch (Format) {
    case ffGeneral:
        return GeneralText(Value, Precision, std::clamp(Digits, 0, 4));
    case ffExponent:
        return ExponentText(Value, Precision, std::clamp(Digits, 0, 4));
    case ffFixed:
        return FixedText(Value, Precision, std::clamp(Digits, 0, MaxDigits), false);
    case ffNumber:
        return FixedText(Value, Precision, std::clamp(Digits, 0, MaxDigits), true);
    case ffCurrency:
        return CurrencyText(Value, Precision, std::clamp(Digits, 0, MaxDigits));
    }
    return GeneralText(Value, Precision, 0);
}

AnsiString FloatToStr(double Value)
{
    return GeneralText(Value, 15, 0);
}

// A currency value holds four decimals.
AnsiString CurrToStr(double Value)
{
    TFloatRec rec;
    FloatToDecimal(rec, Value, MaxDigits, 4);
    if (IsSpecial(rec)) return SpecialText(rec);
    std::string out = rec.Negative ? "-" : "";
    AppendIntegerPart(out, rec, false);
    AppendFraction(out, rec, 0);
    return out;
}

// ---- Parsing ----

bool TryStrToFloat(const AnsiString &S, double &Value)
{
    std::string_view text = S.View();
    std::size_t i = 0, n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    while (n > i && text[n - 1] == ' ')
        --n;
    // Copy the accepted syntax into C form for from_chars.
    std::string number;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    auto digits = [&] {
        std::size_t start = i;
        while (i < n && rtl::IsDigit(text[i]))
            number += text[i++];
        return i - start;
    };
    std::size_t mantissa = digits();
    if (i < n && text[i] == DecimalSeparator) {
        number += '.';
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        number += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) number += text[i++];
        if (digits() == 0) return false;
    }
    if (i != n) return false;
    double result;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), result);
    if (ec == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large to hold is not a number we can return.
        std::size_t e = number.find('e');
        if (e == std::string::npos || number[e + 1] != '-') return false;
        result = number[0] == '-' ? -0.0 : 0.0;
    } else if (ec != std::errc() || ptr != number.data() + number.size()) {
        return false;
    }
    Value = result;
    return true;
}

double StrToFloat(const AnsiString &S)
{
    double value;
    if (!TryStrToFloat(S, value))
        throw EConvertError("'%s' is not a valid floating point value", {S});
    return value;
}

double StrToFloatDef(const AnsiString &S, double Default)
{
    double value;
    return TryStrToFloat(S, value) ? value : Default;
}

// ---- Picture formats ----

namespace
{

// What one section of a picture asks for.
struct Picture {
    std::string_view Text;
    int IntCount = 0; // placeholders before the decimal point
    int MinInt = 0;   // of which from the first "0" on
    int DecCount = 0; // placeholders after it
    int MinDec = 0;   // up to and including the last "0" after it
    bool Thousands = false;
    bool Scientific = false;
};

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

// The closing quote of a literal opened at I; the end of the text when unclosed.
std::size_t ClosingQuote(std::string_view Text, std::size_t I)
{
    return std::min(Text.find(Text[I], I + 1), Text.size());
}

std::size_t SkipQuoted(std::string_view Text, std::size_t I)
{
    return std::min(ClosingQuote(Text, I) + 1, Text.size());
}

bool IsExponentAt(std::string_view Text, std::size_t I)
{
    return (Text[I] == 'E' || Text[I] == 'e') && I + 1 < Text.size() &&
           (Text[I + 1] == '+' || Text[I + 1] == '-');
}

// At most three sections (positive; negative; zero): kept without allocating, as
// reports format every printed number.
struct Sections {
    std::array<std::string_view, 3> Text;
    std::size_t Count = 0;
    bool Usable(std::size_t I) const { return I < Count && !Text[I].empty(); }
};

Sections SplitSections(std::string_view Format)
{
    Sections sections;
    std::size_t start = 0;
    for (std::size_t i = 0; i < Format.size();) {
        if (IsQuote(Format[i])) {
            i = SkipQuoted(Format, i);
        } else if (Format[i] == ';' && sections.Count < 2) {
            sections.Text[sections.Count++] = Format.substr(start, i - start);
            start = ++i;
        } else {
            ++i;
        }
    }
    sections.Text[sections.Count++] = Format.substr(start);
    return sections;
}

Picture Analyse(std::string_view Text)
{
    Picture p;
    p.Text = Text;
    bool afterPoint = false;
    int firstZero = -1;
    for (std::size_t i = 0; i < Text.size();) {
        char c = Text[i];
        if (IsQuote(c)) {
            i = SkipQuoted(Text, i);
            continue;
        }
        if (IsExponentAt(Text, i)) {
            p.Scientific = true;
            break; // the exponent's own zeros are not mantissa digits
        }
        if (c == '0' || c == '#') {
            if (afterPoint) {
                ++p.DecCount;
                if (c == '0') p.MinDec = p.DecCount;
            } else {
                if (c == '0' && firstZero < 0) firstZero = p.IntCount;
                ++p.IntCount;
            }
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            p.Thousands = true;
        }
        ++i;
    }
    p.MinInt = firstZero < 0 ? 0 : p.IntCount - firstZero;
    return p;
}

void RoundForPicture(TFloatRec &Rec, double Value, const Picture &P)
{
    if (P.Scientific)
        FloatToDecimal(Rec, Value, std::max(P.IntCount + P.DecCount, 1), 9999);
    else
        FloatToDecimal(Rec, Value, 15, P.DecCount);
}

// Writes the value through one section: digits go where the placeholders are,
// integer digits beyond the placeholders go at the first one, literals stay.
class PictureWriter
{
public:
    PictureWriter(const Picture &P, const TFloatRec &Rec) : FP(P)
    {
        int length = DigitCount(Rec);
        if (P.Scientific) {
            int mantissa = std::max(P.IntCount + P.DecCount, 1);
            for (int i = 0; i < P.IntCount; ++i)
                FInt += DigitAt(Rec, i, length);
            for (int i = P.IntCount; i < mantissa; ++i)
                FDec += DigitAt(Rec, i, length);
            FExponent = length ? Rec.Exponent - P.IntCount : 0;
        } else {
            for (int i = 0; i < Rec.Exponent; ++i)
                FInt += DigitAt(Rec, i, length);
            for (int i = std::max<int>(Rec.Exponent, 0); i < length; ++i)
                FDec += Rec.Digits[i];
            FDec.insert(0, std::max(std::min<int>(-Rec.Exponent, P.DecCount), 0), '0');
            if (static_cast<int>(FInt.size()) < P.MinInt)
                FInt.insert(0, P.MinInt - FInt.size(), '0');
        }
        while (static_cast<int>(FDec.size()) > P.MinDec && FDec.back() == '0')
            FDec.pop_back();
        FDec.resize(std::max<std::size_t>(FDec.size(), P.MinDec), '0');
    }

    std::string Write()
    {
        std::string_view t = FP.Text;
        bool afterPoint = false;
        for (std::size_t i = 0; i < t.size();) {
            char c = t[i];
            if (IsQuote(c)) {
                FOut.append(t.substr(i + 1, ClosingQuote(t, i) - i - 1));
                i = SkipQuoted(t, i);
            } else if (FP.Scientific && IsExponentAt(t, i)) {
                i = Exponent(t, i);
            } else if ((c == '0' || c == '#') && !afterPoint) {
                IntegerPlaceholder();
                ++i;
            } else if (c == '0' || c == '#') {
                DecimalPlaceholder();
                ++i;
            } else if (c == '.') {
                if (!afterPoint) Point();
                afterPoint = true;
                ++i;
            } else {
                if (c != ',') FOut += c;
                ++i;
            }
        }
        if (!afterPoint) EmitIntegerRest();
        return FOut;
    }

private:
    void EmitDigit(int Index)
    {
        FOut += FInt[Index];
        int right = static_cast<int>(FInt.size()) - 1 - Index;
        if (FP.Thousands && !FP.Scientific && right > 0 && right % 3 == 0)
            FOut += ThousandSeparator;
    }

    void IntegerPlaceholder()
    {
        int extra = static_cast<int>(FInt.size()) - FP.IntCount;
        if (FIntSeen == 0)
            for (int i = 0; i < extra; ++i)
                EmitDigit(i);
        int index = extra + FIntSeen++;
        if (index >= 0) EmitDigit(index);
        FIntDone = FIntSeen == FP.IntCount;
    }

    // A picture without integer placeholders still shows the integer digits.
    void EmitIntegerRest()
    {
        if (FIntDone || FIntSeen > 0) return;
        for (int i = 0; i < static_cast<int>(FInt.size()); ++i)
            EmitDigit(i);
        FIntDone = true;
    }

    void Point()
    {
        EmitIntegerRest();
        if (!FDec.empty()) FOut += DecimalSeparator;
    }

    void DecimalPlaceholder()
    {
        if (FDecSeen < static_cast<int>(FDec.size())) FOut += FDec[FDecSeen];
        ++FDecSeen;
    }

    std::size_t Exponent(std::string_view T, std::size_t I)
    {
        EmitIntegerRest();
        FOut += T[I];
        bool plus = T[I + 1] == '+';
        std::size_t j = I + 2;
        int digits = 0;
        while (j < T.size() && T[j] == '0' && digits < 4) {
            ++digits;
            ++j;
        }
        AppendExponent(FOut, FExponent, plus, digits);
        return j;
    }

    const Picture &FP;
    std::string FInt, FDec, FOut;
    int FExponent = 0;
    int FIntSeen = 0;
    int FDecSeen = 0;
    bool FIntDone = false;
};

} // namespace

AnsiString FormatFloat(const AnsiString &Format, double Value)
{
    if (Format.IsEmpty()) return FloatToStr(Value);
    // The class library formats pictures in a fixed buffer and refuses longer ones.
    if (Format.Length() > 224) throw EConvertError("Format string too long");
    Sections sections = SplitSections(Format.View());
    std::size_t section = 0;
    if (Value < 0 && sections.Usable(1))
        section = 1;
    else if (Value == 0 && sections.Usable(2))
        section = 2;

    Picture picture = Analyse(sections.Text[section]);
    TFloatRec rec;
    RoundForPicture(rec, Value, picture);
    if (IsSpecial(rec)) return SpecialText(rec);
    if (rec.Digits[0] == 0 && section != 2 && sections.Usable(2)) {
        section = 2;
        picture = Analyse(sections.Text[2]);
        RoundForPicture(rec, Value, picture);
    }
    if (!picture.Scientific && rec.Exponent > MaxDigits) return FloatToStr(Value);
    std::string out = section == 0 && rec.Negative ? "-" : "";
    out += PictureWriter(picture, rec).Write();
    return out;
}
