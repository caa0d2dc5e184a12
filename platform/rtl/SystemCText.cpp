// C printf formatting and strtod without the locale, for code written to C rules.

#include "platform/rtl/System.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace
{

struct Spec {
    bool Left = false, Plus = false, Space = false, Alt = false, Zero = false;
    int Width = 0;
    int Precision = -1;
    enum { None, Char, Short, Long, LongLong, Max, Size, PtrDiff, LongDouble } Length = None;
    char Conversion = 0;
};

void Pad(std::string &Out, const Spec &S, std::string_view Sign, std::string_view Body,
         bool ZeroAllowed)
{
    int fill = S.Width - static_cast<int>(Sign.size() + Body.size());
    if (fill <= 0) {
        Out.append(Sign).append(Body);
    } else if (S.Left) {
        Out.append(Sign).append(Body).append(fill, ' ');
    } else if (S.Zero && ZeroAllowed) {
        Out.append(Sign).append(fill, '0').append(Body);
    } else {
        Out.append(fill, ' ').append(Sign).append(Body);
    }
}

std::string_view SignOf(bool Negative, const Spec &S)
{
    return Negative ? "-" : S.Plus ? "+" : S.Space ? " " : "";
}

unsigned long long UnsignedArg(const Spec &S, va_list &Args)
{
    switch (S.Length) {
    case Spec::Char:
        return static_cast<unsigned char>(va_arg(Args, unsigned));
    case Spec::Short:
        return static_cast<unsigned short>(va_arg(Args, unsigned));
    case Spec::Long:
        return va_arg(Args, unsigned long);
    case Spec::LongLong:
        return va_arg(Args, unsigned long long);
    case Spec::Max:
        return va_arg(Args, std::uintmax_t);
    case Spec::Size:
        return va_arg(Args, std::size_t);
    case Spec::PtrDiff:
        return static_cast<unsigned long long>(va_arg(Args, std::ptrdiff_t));
    default:
        return va_arg(Args, unsigned);
    }
}

long long SignedArg(const Spec &S, va_list &Args)
{
    switch (S.Length) {
    case Spec::Char:
        return static_cast<signed char>(va_arg(Args, int));
    case Spec::Short:
        return static_cast<short>(va_arg(Args, int));
    case Spec::Long:
        return va_arg(Args, long);
    case Spec::LongLong:
        return va_arg(Args, long long);
    case Spec::Max:
        return va_arg(Args, std::intmax_t);
    case Spec::Size:
        return static_cast<long long>(va_arg(Args, std::size_t));
    case Spec::PtrDiff:
        return va_arg(Args, std::ptrdiff_t);
    default:
        return va_arg(Args, int);
    }
}

void Integer(std::string &Out, const Spec &S, va_list &Args)
{
    char c = S.Conversion;
    bool isSigned = c == 'd' || c == 'i';
    bool negative = false;
    unsigned long long magnitude;
    if (isSigned) {
        long long v = SignedArg(S, Args);
        negative = v < 0;
        magnitude = negative ? 0ULL - static_cast<unsigned long long>(v) : v;
    } else {
        magnitude = UnsignedArg(S, Args);
    }
    int base = c == 'o' ? 8 : (c == 'x' || c == 'X') ? 16 : 10;
    char buf[32];
    auto end = std::to_chars(buf, buf + sizeof buf, magnitude, base).ptr;
    std::string digits(buf, end);
    if (c == 'X') std::transform(digits.begin(), digits.end(), digits.begin(), ::toupper);
    if (S.Precision == 0 && magnitude == 0) digits.clear();
    if (S.Precision > static_cast<int>(digits.size()))
        digits.insert(0, S.Precision - digits.size(), '0');
    if (S.Alt && c == 'o' && (digits.empty() || digits[0] != '0')) digits.insert(0, 1, '0');
    std::string prefix(isSigned ? SignOf(negative, S) : "");
    if (S.Alt && magnitude != 0 && base == 16) prefix = c == 'x' ? "0x" : "0X";
    Pad(Out, S, prefix, digits, S.Precision < 0);
}

std::string FloatDigits(double Value, char Conversion, int Precision, bool Alt)
{
    char lower = static_cast<char>(std::tolower(Conversion));
    std::chars_format form = lower == 'f'   ? std::chars_format::fixed
                             : lower == 'e' ? std::chars_format::scientific
                             : lower == 'a' ? std::chars_format::hex
                                            : std::chars_format::general;
    if (Precision < 0) Precision = lower == 'a' ? -1 : 6;
    if (lower == 'g' && Precision == 0) Precision = 1;
    // Room for the 309 integer digits of the largest double plus the decimals.
    std::string text(std::max(Precision, 0) + 400, '\0');
    char *first = text.data(), *last = first + text.size();
    auto convert = [&](std::chars_format f, int p) {
        return (p < 0 ? std::to_chars(first, last, Value, f)
                      : std::to_chars(first, last, Value, f, p))
            .ptr;
    };
    char *end;
    if (lower == 'g' && Alt) {
        // "#" keeps the zeros %g would drop: pick the form by the exponent ourselves.
        end = convert(std::chars_format::scientific, Precision - 1);
        int exponent = 0;
        char *e = std::find(first, end, 'e');
        if (e != end) std::from_chars(e + 1 + (e[1] == '+'), end, exponent);
        if (exponent >= -4 && exponent < Precision)
            end = convert(std::chars_format::fixed, Precision - 1 - exponent);
    } else {
        end = convert(form, Precision);
    }
    text.resize(end - first);
    if (lower == 'a' && std::isfinite(Value)) text = "0x" + text;
    if (Alt && text.find('.') == std::string::npos && std::isfinite(Value)) {
        std::size_t e = text.find_first_of(lower == 'a' ? "p" : "e");
        text.insert(e == std::string::npos ? text.size() : e, 1, '.');
    }
    if (Conversion != lower) std::transform(text.begin(), text.end(), text.begin(), ::toupper);
    return text;
}

void Float(std::string &Out, const Spec &S, va_list &Args)
{
    double value = S.Length == Spec::LongDouble ? static_cast<double>(va_arg(Args, long double))
                                                : va_arg(Args, double);
    bool negative = std::signbit(value) && !std::isnan(value);
    std::string body = FloatDigits(std::fabs(value), S.Conversion, S.Precision, S.Alt);
    Pad(Out, S, SignOf(negative, S), body, std::isfinite(value));
}

void Text(std::string &Out, const Spec &S, va_list &Args)
{
    const char *text = va_arg(Args, const char *);
    std::string_view view = text ? std::string_view(text) : std::string_view("(null)");
    if (S.Precision >= 0 && text)
        view = std::string_view(text, strnlen(text, static_cast<std::size_t>(S.Precision)));
    Pad(Out, S, "", view, false);
}

void Pointer(std::string &Out, const Spec &S, va_list &Args)
{
    const void *p = va_arg(Args, const void *);
    if (!p) return Pad(Out, S, "", "(nil)", false);
    char buf[32];
    auto end = std::to_chars(buf, buf + sizeof buf, reinterpret_cast<std::uintptr_t>(p), 16).ptr;
    Pad(Out, S, "0x", std::string_view(buf, end - buf), false);
}

// Reads "[flags][width][.precision][length]conversion" after a "%".
const char *ParseSpec(const char *P, Spec &S, va_list &Args)
{
    for (;; ++P) {
        if (*P == '-')
            S.Left = true;
        else if (*P == '+')
            S.Plus = true;
        else if (*P == ' ')
            S.Space = true;
        else if (*P == '#')
            S.Alt = true;
        else if (*P == '0')
            S.Zero = true;
        else
            break;
    }
    if (*P == '*') {
        S.Width = va_arg(Args, int);
        if (S.Width < 0) {
            S.Left = true;
            S.Width = -S.Width;
        }
        ++P;
    } else {
        while (*P >= '0' && *P <= '9')
            S.Width = std::min(S.Width * 10 + (*P++ - '0'), 1 << 20);
    }
    if (*P == '.') {
        ++P;
        S.Precision = 0;
        if (*P == '*') {
            S.Precision = std::max(va_arg(Args, int), -1);
            ++P;
        } else {
            while (*P >= '0' && *P <= '9')
                S.Precision = std::min(S.Precision * 10 + (*P++ - '0'), 1 << 20);
        }
    }
    if (P[0] == 'h' && P[1] == 'h')
        S.Length = Spec::Char, P += 2;
    else if (P[0] == 'l' && P[1] == 'l')
        S.Length = Spec::LongLong, P += 2;
    else if (*P == 'h')
        S.Length = Spec::Short, ++P;
    else if (*P == 'l')
        S.Length = Spec::Long, ++P;
    else if (*P == 'q')
        S.Length = Spec::LongLong, ++P;
    else if (*P == 'j')
        S.Length = Spec::Max, ++P;
    else if (*P == 'z')
        S.Length = Spec::Size, ++P;
    else if (*P == 't')
        S.Length = Spec::PtrDiff, ++P;
    else if (*P == 'L')
        S.Length = Spec::LongDouble, ++P;
    S.Conversion = *P;
    return *P ? P + 1 : P;
}

} // namespace

std::string rtl::VFormatC(const char *Format, va_list Args)
{
    va_list args;
    va_copy(args, Args);
    std::string out;
    for (const char *p = Format; *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        Spec s;
        p = ParseSpec(p + 1, s, args);
        switch (s.Conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            Integer(out, s, args);
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            Float(out, s, args);
            break;
        case 'c':
            Pad(out, s, "", std::string(1, static_cast<char>(va_arg(args, int))), false);
            break;
        case 's':
            Text(out, s, args);
            break;
        case 'p':
            Pointer(out, s, args);
            break;
        case '%':
            out += '%';
            break;
        case 'n':
            va_arg(args, void *); // never written through: it only takes its argument
            break;
        default:
            break; // an unknown conversion writes nothing
        }
    }
    va_end(args);
    return out;
}

AnsiString &AnsiString::sprintf(const char *Format, ...)
{
    va_list args;
    va_start(args, Format);
    *this = AnsiString(rtl::VFormatC(Format, args));
    va_end(args);
    return *this;
}

AnsiString &AnsiString::cat_sprintf(const char *Format, ...)
{
    va_list args;
    va_start(args, Format);
    Append(rtl::VFormatC(Format, args));
    va_end(args);
    return *this;
}

double rtl::StrToD(const char *Text, const char **End)
{
    const char *p = Text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    const char *start = p;
    if (*p == '+' || *p == '-') ++p;
    auto digits = [&p] {
        const char *from = p;
        while (*p >= '0' && *p <= '9')
            ++p;
        return p - from;
    };
    auto mantissa = digits();
    if (*p == '.') {
        ++p;
        mantissa += digits();
    }
    if (mantissa == 0) {
        if (End) *End = Text;
        return 0;
    }
    if (*p == 'e' || *p == 'E') {
        const char *mark = p++;
        if (*p == '+' || *p == '-') ++p;
        if (digits() == 0) p = mark; // "1e" is the number 1 followed by "e"
    }
    if (End) *End = p;
    // from_chars takes no leading "+".
    const char *first = *start == '+' ? start + 1 : start;
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, p, value);
    if (ec == std::errc::result_out_of_range) {
        const char *e = std::find_if(first, p, [](char c) { return c == 'e' || c == 'E'; });
        bool tiny = e != p && e[1] == '-';
        bool negative = *first == '-';
        return tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return value;
}
