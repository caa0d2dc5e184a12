// Format: the class library's "%[index:][-][width][.prec]type" over an argument list.

#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace
{

class Formatter
{
public:
    Formatter(const AnsiString &Fmt, std::span<const TVarRec> Args) : FFmt(Fmt), FArgs(Args) {}

    AnsiString Run()
    {
        std::string_view f = FFmt.View();
        while (FPos < f.size()) {
            char c = f[FPos++];
            if (c != '%') {
                FOut += c;
            } else if (FPos < f.size() && f[FPos] == '%') {
                FOut += '%';
                ++FPos;
            } else {
                Conversion();
            }
        }
        return FOut;
    }

private:
    [[noreturn]] void Invalid() const
    {
        throw EConvertError("Format '%s' invalid or incompatible with argument", {FFmt});
    }

    char Peek() const { return FPos < FFmt.View().size() ? FFmt.View()[FPos] : '\0'; }

    const TVarRec &NextArg()
    {
        if (FArg >= FArgs.size()) throw EConvertError("No argument for format '%s'", {FFmt});
        return FArgs[FArg++];
    }

    // Digits or "*" (the next argument, which must be an integer); -1 when absent.
    int Number()
    {
        if (Peek() == '*') {
            ++FPos;
            const TVarRec &arg = NextArg();
            if (arg.VType != TVarRec::vtInteger) Invalid();
            return arg.VInteger;
        }
        if (!rtl::IsDigit(Peek())) return -1;
        long long value = 0;
        while (rtl::IsDigit(Peek())) {
            value = std::min(value * 10 + (Peek() - '0'), 0x7FFFFFFFLL);
            ++FPos;
        }
        return static_cast<int>(value);
    }

    void Conversion()
    {
        int first = Number();
        if (Peek() == ':') {
            ++FPos;
            FArg = std::max(first, 0);
            first = -1;
        }
        bool left = false;
        int width = first;
        if (first < 0) {
            if (Peek() == '-') {
                left = true;
                ++FPos;
            }
            width = Number();
        }
        int prec = -1;
        if (Peek() == '.') {
            ++FPos;
            prec = std::max(Number(), 0);
        }
        if (FPos >= FFmt.View().size()) Invalid();
        char type = FFmt.View()[FPos++];
        if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 32);
        std::string text = Convert(type, prec, NextArg());
        int pad = width - static_cast<int>(text.size());
        if (pad > 0 && !left) FOut.append(pad, ' ');
        FOut += text;
        if (pad > 0 && left) FOut.append(pad, ' ');
    }

    std::string Convert(char Type, int Prec, const TVarRec &Arg) const
    {
        switch (Type) {
        case 'D':
            return Decimal(Arg, Prec);
        case 'U':
            return ZeroPad(std::to_string(Unsigned(Arg)), Prec);
        case 'X':
            return Arg.VType == TVarRec::vtInteger ? IntToHex(Arg.VInteger, Prec).ToStd()
                                                   : IntToHex(Integer64(Arg), Prec).ToStd();
        case 'E':
            return FloatToStrF(Float(Arg), ffExponent, Prec < 0 ? 15 : Prec, 3).ToStd();
        case 'F':
            return FloatToStrF(Float(Arg), ffFixed, 18, Prec < 0 ? 2 : Prec).ToStd();
        case 'G':
            return FloatToStrF(Float(Arg), ffGeneral, Prec < 0 ? 15 : Prec, 0).ToStd();
        case 'N':
            return FloatToStrF(Float(Arg), ffNumber, 18, Prec < 0 ? 2 : Prec).ToStd();
        case 'M':
            return FloatToStrF(Float(Arg), ffCurrency, 18, Prec < 0 ? CurrencyDecimals : Prec)
                .ToStd();
        case 'S':
            return Text(Arg, Prec);
        case 'P':
            if (Arg.VType != TVarRec::vtPointer) Invalid();
            return IntToHex(static_cast<long long>(reinterpret_cast<std::uintptr_t>(Arg.VPointer)),
                            sizeof(void *) * 2)
                .ToStd();
        default:
            Invalid();
        }
    }

    static std::string ZeroPad(std::string Digits, int Prec)
    {
        if (Prec > static_cast<int>(Digits.size())) Digits.insert(0, Prec - Digits.size(), '0');
        return Digits;
    }

    long long Integer64(const TVarRec &Arg) const
    {
        if (Arg.VType == TVarRec::vtInteger) return Arg.VInteger;
        if (Arg.VType == TVarRec::vtInt64) return Arg.VInt64;
        Invalid();
    }

    std::string Decimal(const TVarRec &Arg, int Prec) const
    {
        long long value = Integer64(Arg);
        unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        std::string digits = ZeroPad(std::to_string(magnitude), Prec);
        return value < 0 ? "-" + digits : digits;
    }

    unsigned long long Unsigned(const TVarRec &Arg) const
    {
        if (Arg.VType == TVarRec::vtInteger) return static_cast<std::uint32_t>(Arg.VInteger);
        return static_cast<unsigned long long>(Integer64(Arg));
    }

    double Float(const TVarRec &Arg) const
    {
        if (Arg.VType != TVarRec::vtExtended) Invalid();
        return Arg.VExtended;
    }

    std::string Text(const TVarRec &Arg, int Prec) const
    {
        std::string text;
        switch (Arg.VType) {
        case TVarRec::vtString:
            text = Arg.VString->View();
            break;
        case TVarRec::vtChar:
            text.assign(1, Arg.VChar);
            break;
        case TVarRec::vtWideString:
            text = AnsiString(*Arg.VWideString).View();
            break;
        case TVarRec::vtWideChar:
            text = AnsiString(WideString(Arg.VWideChar)).View();
            break;
        default:
            Invalid();
        }
        if (Prec >= 0 && Prec < static_cast<int>(text.size())) text.resize(Prec);
        return text;
    }

    const AnsiString &FFmt;
    std::span<const TVarRec> FArgs;
    std::size_t FPos = 0;
    std::size_t FArg = 0;
    std::string FOut;
};

} // namespace

AnsiString Format(const AnsiString &Fmt, std::span<const TVarRec> Args)
{
    return Formatter(Fmt, Args).Run();
}

AnsiString Format(const AnsiString &Fmt, std::initializer_list<TVarRec> Args)
{
    return Format(Fmt, std::span<const TVarRec>(Args.begin(), Args.size()));
}
