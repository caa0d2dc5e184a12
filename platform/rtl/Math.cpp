#include "platform/rtl/Math.h"

#include "platform/rtl/SysUtils.h"

#include <climits>
#include <cmath>

namespace
{

[[noreturn]] void InvalidOp()
{
    throw EInvalidOp("Invalid floating point operation");
}

long long ToInt64(long double Whole)
{
    // 2^63 is exact in long double; anything at or beyond it cannot be held.
    constexpr long double Limit = 9223372036854775808.0L;
    if (!(Whole > -Limit - 1 && Whole < Limit)) InvalidOp();
    return static_cast<long long>(Whole);
}

int ToInt32(long double Whole)
{
    if (!(Whole >= INT_MIN && Whole <= INT_MAX)) InvalidOp();
    return static_cast<int>(Whole);
}

} // namespace

long long Round(long double X)
{
    // The process never leaves the default rounding mode, so this is ties-to-even.
    return ToInt64(std::nearbyint(X));
}

long long Trunc(long double X)
{
    return ToInt64(std::trunc(X));
}
long double Int(long double X)
{
    return std::trunc(X);
}
long double Frac(long double X)
{
    return X - std::trunc(X);
}
int Ceil(long double X)
{
    return ToInt32(std::ceil(X));
}
int Floor(long double X)
{
    return ToInt32(std::floor(X));
}

long double Power(long double Base, long double Exponent)
{
    if (Exponent == 0) return 1;
    if (Base == 0) {
        if (Exponent > 0) return 0;
        throw EZeroDivide("Floating point division by zero");
    }
    long double result = std::pow(Base, Exponent);
    if (std::isnan(result)) InvalidOp();
    if (std::isinf(result) && std::isfinite(Base) && std::isfinite(Exponent))
        throw EOverflow("Floating point overflow");
    return result;
}

double SimpleRoundTo(double Value, int Digit)
{
    double half = Value < 0 ? -0.5 : 0.5;
    if (Digit < 0) {
        double factor = std::pow(10.0, -Digit);
        return std::trunc(Value * factor + half) / factor;
    }
    double factor = std::pow(10.0, Digit);
    return std::trunc(Value / factor + half) * factor;
}

int MulDiv(int Number, int Numerator, int Denominator)
{
    if (Denominator == 0) return -1;
    long long product = static_cast<long long>(Number) * Numerator;
    long long quotient = product / Denominator;
    long long remainder = product % Denominator;
    // |remainder| * 2 >= |Denominator| means the exact result lies at or past the half.
    if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(Denominator)))
        quotient += (product < 0) == (Denominator < 0) ? 1 : -1;
    if (quotient < INT_MIN || quotient > INT_MAX) return -1;
    return static_cast<int>(quotient);
}
