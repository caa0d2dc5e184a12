#pragma once

// Rounding and arithmetic of the class library, on 80-bit long double where
// the original computed in extended precision.

#include <type_traits>

// Nearest integer, a tie going to the even neighbour (2.5 -> 2, 3.5 -> 4).
// A value that is not finite or does not fit 64 bits raises EInvalidOp.
long long Round(long double X);
// Toward zero; the same range rule as Round.
long long Trunc(long double X);
long double Int(long double X);  // integer part, as a float
long double Frac(long double X); // X - Int(X), with X's sign
// Integers above/below X; raise EInvalidOp outside the 32-bit range.
int Ceil(long double X);
int Floor(long double X);

// Base to the power Exponent: anything to the power 0 is 1 and 0 to a positive
// power is 0. A negative base with a fractional exponent raises EInvalidOp,
// 0 to a negative power EZeroDivide, a result too large EOverflow.
long double Power(long double Base, long double Exponent);

// Rounds to a multiple of 10^Digit, a tie away from zero: SimpleRoundTo(12.125) = 12.13.
double SimpleRoundTo(double Value, int Digit = -2);

// Number * Numerator / Denominator through a 64-bit product, rounded to
// nearest with halves away from zero; -1 when Denominator is 0 or the result
// does not fit 32 bits.
int MulDiv(int Number, int Numerator, int Denominator);

template <class A, class B> std::common_type_t<A, B> Min(A X, B Y)
{
    return Y < X ? Y : X;
}

template <class A, class B> std::common_type_t<A, B> Max(A X, B Y)
{
    return X < Y ? Y : X;
}
