#include "platform/rtl/Variants.h"

#include <atomic>
#include <cfloat>
#include <climits>
#include <cmath>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

namespace
{

constexpr int MaxArrayDims = 64;
constexpr long long MaxArrayItems = 1LL << 28;

bool IsStrType(TVarType T)
{
    return T == varString || T == varOleStr;
}

bool IsIntType(TVarType T)
{
    switch (T) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

bool IsRealType(TVarType T)
{
    return T == varSingle || T == varDouble || T == varDate;
}

[[noreturn]] void CastError(TVarType From, TVarType To)
{
    throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(From) +
                                ") into type (" + VarTypeAsText(To) + ")");
}

[[noreturn]] void RangeError(TVarType From, TVarType To)
{
    throw EVariantOverflowError("Range check error while converting variant of type (" +
                                VarTypeAsText(From) + ") into type (" + VarTypeAsText(To) + ")");
}

[[noreturn]] void InvalidOp()
{
    throw EVariantInvalidOpError("Invalid variant operation");
}

[[noreturn]] void NotAnArray()
{
    throw EVariantNotAnArrayError("Variant is not an array");
}

[[noreturn]] void BadIndex()
{
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
}

[[noreturn]] void ArrayCreateError()
{
    throw EVariantArrayCreateError("Error creating variant or safe array");
}

// The class library's boolean words, compared without case.
bool TextToBoolean(const AnsiString &Text, bool &Value)
{
    if (SameText(Text, "True")) {
        Value = true;
        return true;
    }
    if (SameText(Text, "False")) {
        Value = false;
        return true;
    }
    return false;
}

// Ties go to the even neighbour, as the FPU's default rounding does.
bool RoundToInt64(double Value, long long &Result)
{
    double Rounded = std::nearbyint(Value);
    if (!(Rounded >= -9223372036854775808.0 && Rounded < 9223372036854775808.0)) return false;
    Result = static_cast<long long>(Rounded);
    return true;
}

// Written from the scaled integer itself: through a double, amounts past
// fifteen digits would lose their last decimals.
AnsiString CurrencyText(long long Scaled)
{
    const auto Scale = static_cast<unsigned long long>(Currency::Scale);
    const bool Negative = Scaled < 0;
    const unsigned long long Magnitude = Negative ? 0ULL - static_cast<unsigned long long>(Scaled)
                                                  : static_cast<unsigned long long>(Scaled);
    std::string Text = Negative ? "-" : "";
    Text += std::to_string(Magnitude / Scale);
    if (const unsigned long long Rest = Magnitude % Scale) {
        std::string Digits = std::to_string(Scale + Rest).substr(1);
        Digits.erase(Digits.find_last_not_of('0') + 1);
        Text += DecimalSeparator;
        Text += Digits;
    }
    return AnsiString(Text);
}

long long RoundCurrency(long long Scaled)
{
    long long Whole = Scaled / Currency::Scale;
    long long Rest = Scaled % Currency::Scale;
    long long Twice = 2 * (Rest < 0 ? -Rest : Rest);
    if (Twice > Currency::Scale || (Twice == Currency::Scale && Whole % 2 != 0))
        Whole += Rest < 0 ? -1 : 1;
    return Whole;
}

long long StringToInt64(const Variant &V, TVarType Target)
{
    AnsiString Text = V.AsString();
    long long Result;
    if (TryStrToInt64(Text, Result)) return Result;
    double Real;
    if (TryStrToFloat(Text, Real)) {
        if (!RoundToInt64(Real, Result)) RangeError(V.Type(), Target);
        return Result;
    }
    bool Flag;
    if (TextToBoolean(Text, Flag)) return Flag ? -1 : 0;
    CastError(V.Type(), Target);
}

// Any value as a 64-bit integer; Target only names the type in error texts.
long long ToInt64(const Variant &V, TVarType Target)
{
    long long Result = 0;
    switch (V.Type()) {
    case varEmpty:
        return 0;
    case varBoolean:
        return V.RawBoolean() ? -1 : 0;
    case varCurrency:
        return RoundCurrency(V.RawInteger());
    case varString:
    case varOleStr:
        return StringToInt64(V, Target);
    default:
        if (IsIntType(V.Type())) return V.RawInteger();
        if (IsRealType(V.Type())) {
            if (!RoundToInt64(V.RawDouble(), Result)) RangeError(V.Type(), Target);
            return Result;
        }
        CastError(V.Type(), Target);
    }
}

double StringToDouble(const Variant &V, TVarType Target)
{
    AnsiString Text = V.AsString();
    double Result;
    if (TryStrToFloat(Text, Result)) return Result;
    bool Flag;
    if (TextToBoolean(Text, Flag)) return Flag ? -1 : 0;
    CastError(V.Type(), Target);
}

double ToDouble(const Variant &V, TVarType Target)
{
    switch (V.Type()) {
    case varEmpty:
        return 0;
    case varBoolean:
        return V.RawBoolean() ? -1 : 0;
    case varCurrency:
        return static_cast<double>(V.RawInteger()) / Currency::Scale;
    case varString:
    case varOleStr:
        return StringToDouble(V, Target);
    default:
        if (IsIntType(V.Type())) return static_cast<double>(V.RawInteger());
        if (IsRealType(V.Type())) return V.RawDouble();
        CastError(V.Type(), Target);
    }
}

long long CheckedRange(const Variant &V, TVarType Target, long long Low, long long High)
{
    long long Value = ToInt64(V, Target);
    if (Value < Low || Value > High) RangeError(V.Type(), Target);
    return Value;
}

Variant MakeInteger(TVarType Type, long long Value)
{
    switch (Type) {
    case varSmallint:
        return Variant(static_cast<short>(Value));
    case varShortInt:
        return Variant(static_cast<signed char>(Value));
    case varByte:
        return Variant(static_cast<unsigned char>(Value));
    case varWord:
        return Variant(static_cast<unsigned short>(Value));
    case varLongWord:
        return Variant(static_cast<unsigned>(Value));
    case varInt64:
        return Variant(Value);
    default:
        return Variant(static_cast<int>(Value));
    }
}

// An Integer when the value fits, else an Int64: variant arithmetic widens
// instead of wrapping.
Variant NarrowInteger(long long Value, bool Wide)
{
    return Wide ? Variant(Value) : Variant::FromInteger(Value);
}

bool IsWideInt(TVarType T)
{
    return T == varInt64 || T == varLongWord;
}

void CheckFloat(double Result, double Left, double Right)
{
    if (std::isnan(Result)) throw EInvalidOp("Invalid floating point operation");
    if (std::isinf(Result) && std::isfinite(Left) && std::isfinite(Right))
        throw EOverflow("Floating point overflow");
}

enum class TVarOp { Add, Subtract, Multiply, Divide, IntDivide, Modulus, Shl, Shr, And, Or, Xor };

double RealOp(TVarOp Op, double L, double R)
{
    double Result = 0;
    switch (Op) {
    case TVarOp::Add:
        Result = L + R;
        break;
    case TVarOp::Subtract:
        Result = L - R;
        break;
    case TVarOp::Multiply:
        Result = L * R;
        break;
    default:
        if (R == 0) {
            if (L == 0 || std::isnan(L)) throw EInvalidOp("Invalid floating point operation");
            throw EZeroDivide("Floating point division by zero");
        }
        Result = L / R;
        break;
    }
    CheckFloat(Result, L, R);
    return Result;
}

// Add, subtract or multiply in 64 bits; false on overflow.
bool IntArith(TVarOp Op, long long L, long long R, long long &Result)
{
    switch (Op) {
    case TVarOp::Add:
        return !__builtin_add_overflow(L, R, &Result);
    case TVarOp::Subtract:
        return !__builtin_sub_overflow(L, R, &Result);
    default:
        return !__builtin_mul_overflow(L, R, &Result);
    }
}

Variant CurrencyArith(TVarOp Op, const Variant &Left, const Variant &Right)
{
    long long L = Left.AsCurrency().Scaled();
    long long R = Right.AsCurrency().Scaled();
    __int128 Wide = Op == TVarOp::Add        ? static_cast<__int128>(L) + R
                    : Op == TVarOp::Subtract ? static_cast<__int128>(L) - R
                                             : static_cast<__int128>(L) * R;
    if (Op == TVarOp::Multiply) {
        __int128 Whole = Wide / Currency::Scale;
        __int128 Rest = Wide % Currency::Scale;
        __int128 Twice = 2 * (Rest < 0 ? -Rest : Rest);
        if (Twice > Currency::Scale || (Twice == Currency::Scale && Whole % 2 != 0))
            Whole += Rest < 0 ? -1 : 1;
        Wide = Whole;
    }
    if (Wide < LLONG_MIN || Wide > LLONG_MAX) throw EVariantOverflowError("Variant overflow");
    return Variant(Currency::FromScaled(static_cast<long long>(Wide)));
}

// The rank of an operand in + - *: strings count as Double, Booleans and Empty
// as Integer.
enum TRank { rkInt, rkInt64, rkCurrency, rkSingle, rkDouble, rkDate };

TRank RankOf(TVarType T)
{
    switch (T) {
    case varInt64:
    case varLongWord:
        return rkInt64;
    case varCurrency:
        return rkCurrency;
    case varSingle:
        return rkSingle;
    case varDouble:
    case varString:
    case varOleStr:
        return rkDouble;
    case varDate:
        return rkDate;
    default:
        if (IsIntType(T) || T == varBoolean || T == varEmpty) return rkInt;
        CastError(T, varDouble);
    }
}

Variant Arithmetic(TVarOp Op, const Variant &Left, const Variant &Right)
{
    TRank L = RankOf(Left.Type());
    TRank R = RankOf(Right.Type());
    TRank Rank = std::max(L, R);
    if (Rank <= rkInt64) {
        long long Result;
        if (IntArith(Op, ToInt64(Left, varInteger), ToInt64(Right, varInteger), Result))
            return NarrowInteger(Result, Rank == rkInt64);
        return Variant(RealOp(Op, ToDouble(Left, varDouble), ToDouble(Right, varDouble)));
    }
    if (Rank == rkCurrency) return CurrencyArith(Op, Left, Right);
    if (Rank == rkSingle && L != rkInt64 && R != rkInt64 && L != rkCurrency && R != rkCurrency) {
        double Result = RealOp(Op, ToDouble(Left, varSingle), ToDouble(Right, varSingle));
        if (std::fabs(Result) > FLT_MAX) throw EOverflow("Floating point overflow");
        return Variant(static_cast<float>(Result));
    }
    double Result = RealOp(Op, ToDouble(Left, varDouble), ToDouble(Right, varDouble));
    // A date moved by a number stays a date; the distance of two dates and any
    // product is a plain number.
    bool Dated = Rank == rkDate && Op != TVarOp::Multiply &&
                 !(Op == TVarOp::Subtract && L == rkDate && R == rkDate);
    return Dated ? Variant::FromDateTime(Result) : Variant(Result);
}

bool IsBooleanOperand(const Variant &V)
{
    return V.Type() == varBoolean || IsStrType(V.Type());
}

// A value used by div, mod, shl, shr and the bitwise operators.
bool IsWideOperand(const Variant &V, long long Value)
{
    return IsWideInt(V.Type()) || Value < INT_MIN || Value > INT_MAX;
}

Variant IntegerOp(TVarOp Op, const Variant &Left, const Variant &Right)
{
    long long L = ToInt64(Left, varInteger);
    long long R = ToInt64(Right, varInteger);
    bool Wide = IsWideOperand(Left, L) || IsWideOperand(Right, R);
    switch (Op) {
    case TVarOp::IntDivide:
    case TVarOp::Modulus:
        if (R == 0) throw EDivByZero("Division by zero");
        if (L == LLONG_MIN && R == -1) {
            if (Op == TVarOp::Modulus) return NarrowInteger(0, Wide);
            throw EIntOverflow("Integer overflow");
        }
        return NarrowInteger(Op == TVarOp::IntDivide ? L / R : L % R, Wide);
    case TVarOp::Shl:
        // Counts outside the width shift every bit out instead of being masked.
        if (R < 0 || R >= 64) return NarrowInteger(0, Wide);
        return NarrowInteger(static_cast<long long>(static_cast<unsigned long long>(L) << R), Wide);
    case TVarOp::Shr:
        if (Wide) {
            if (R < 0 || R >= 64) return Variant(0LL);
            return Variant(static_cast<long long>(static_cast<unsigned long long>(L) >> R));
        }
        if (R < 0 || R >= 32) return Variant(0);
        return NarrowInteger(static_cast<long long>(static_cast<std::uint32_t>(L) >> R), false);
    case TVarOp::And:
        return NarrowInteger(L & R, Wide);
    case TVarOp::Or:
        return NarrowInteger(L | R, Wide);
    default:
        return NarrowInteger(L ^ R, Wide);
    }
}

Variant LogicalOp(TVarOp Op, const Variant &Left, const Variant &Right)
{
    bool Either = Left.Type() == varBoolean || Right.Type() == varBoolean;
    if (!Either || !IsBooleanOperand(Left) || !IsBooleanOperand(Right))
        return IntegerOp(Op, Left, Right);
    bool L = Left.AsBoolean();
    bool R = Right.AsBoolean();
    return Variant(Op == TVarOp::And ? (L && R) : Op == TVarOp::Or ? (L || R) : (L != R));
}

bool IsTextOrEmpty(TVarType T)
{
    return IsStrType(T) || T == varEmpty;
}

// A String and a String or Empty: joined before BinaryOp's general rules are asked,
// as they would join them too.
bool IsPlainJoin(const Variant &Left, const Variant &Right)
{
    return Left.Type() == varString && IsTextOrEmpty(Right.Type()) && Right.Type() != varOleStr;
}

// Empty joins as the empty text. A reference: a copy would cost two atomic steps.
const rtl::SharedText &TextOf(const Variant &V)
{
    static const rtl::SharedText Empty;
    return V.Type() == varString ? V.RawSharedText() : Empty;
}

Variant Concatenate(const Variant &Left, const Variant &Right)
{
    if (Left.Type() == varOleStr || Right.Type() == varOleStr)
        return Variant(Left.AsWideString() + Right.AsWideString());
    return Variant(rtl::SharedText::Join(TextOf(Left), TextOf(Right)));
}

// Two Doubles under + - *, common in scripts (two Integers are worked out inline).
bool FastArithmetic(TVarOp Op, const Variant &Left, const Variant &Right, Variant &Result)
{
    if (Op != TVarOp::Add && Op != TVarOp::Subtract && Op != TVarOp::Multiply) return false;
    if (Left.Type() == varDouble && Right.Type() == varDouble) {
        Result = Variant(RealOp(Op, Left.RawDouble(), Right.RawDouble()));
        return true;
    }
    return false;
}

Variant BinaryOp(TVarOp Op, const Variant &Left, const Variant &Right)
{
    Variant Fast;
    if (FastArithmetic(Op, Left, Right, Fast)) return Fast;
    if (Left.IsArray() || Right.IsArray()) InvalidOp();
    if (Left.Type() == varNull || Right.Type() == varNull) return Null();
    switch (Op) {
    case TVarOp::Add:
        if (IsTextOrEmpty(Left.Type()) && IsTextOrEmpty(Right.Type()) &&
            (Left.Type() != varEmpty || Right.Type() != varEmpty))
            return Concatenate(Left, Right);
        return Arithmetic(Op, Left, Right);
    case TVarOp::Subtract:
    case TVarOp::Multiply:
        return Arithmetic(Op, Left, Right);
    case TVarOp::Divide:
        return Variant(RealOp(Op, ToDouble(Left, varDouble), ToDouble(Right, varDouble)));
    case TVarOp::And:
    case TVarOp::Or:
    case TVarOp::Xor:
        return LogicalOp(Op, Left, Right);
    default:
        return IntegerOp(Op, Left, Right);
    }
}

template <typename T> int Sign(T L, T R)
{
    return L < R ? -1 : (R < L ? 1 : 0);
}

int CompareText(const Variant &Left, const Variant &Right)
{
    int Result = AnsiCompareStr(Left.AsString(), Right.AsString());
    return Result < 0 ? -1 : (Result > 0 ? 1 : 0);
}

bool IsExactNumber(TVarType T)
{
    return IsIntType(T) || T == varBoolean || T == varEmpty;
}

// Both sides neither Null nor arrays.
int CompareValues(const Variant &Left, const Variant &Right)
{
    TVarType L = Left.Type();
    TVarType R = Right.Type();
    if (IsTextOrEmpty(L) && IsTextOrEmpty(R)) return CompareText(Left, Right);
    if (L == varBoolean && (R == varBoolean || IsStrType(R)))
        return Sign(Left.AsBoolean(), Right.AsBoolean());
    if (R == varBoolean && IsStrType(L)) return Sign(Left.AsBoolean(), Right.AsBoolean());
    if (IsExactNumber(L) && IsExactNumber(R))
        return Sign(ToInt64(Left, varInt64), ToInt64(Right, varInt64));
    if (L == varCurrency && R == varCurrency) return Sign(Left.RawInteger(), Right.RawInteger());
    if (L == varDate || R == varDate) return Sign(Left.AsDateTime(), Right.AsDateTime());
    return Sign(ToDouble(Left, varDouble), ToDouble(Right, varDouble));
}

Variant ZeroOf(TVarType ElemType)
{
    switch (ElemType) {
    case varVariant:
        return Variant();
    case varOleStr:
        return Variant(WideString());
    case varError:
        return Variant::FromError(0);
    default:
        return VarAsType(Variant(0), ElemType);
    }
}

bool IsArrayElemType(TVarType T)
{
    switch (T) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varOleStr:
    case varError:
    case varBoolean:
    case varVariant:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

std::size_t ElementOffset(const TVarArrayData &Data, std::span<const int> Indices)
{
    if (Indices.size() != Data.Bounds.size()) BadIndex();
    std::size_t Offset = 0;
    std::size_t Stride = 1;
    for (std::size_t Dim = 0; Dim < Indices.size(); ++Dim) {
        const TVarArrayData::Bound &B = Data.Bounds[Dim];
        long long Position = static_cast<long long>(Indices[Dim]) - B.Low;
        if (Position < 0 || Position >= B.Count) BadIndex();
        Offset += static_cast<std::size_t>(Position) * Stride;
        Stride *= static_cast<std::size_t>(B.Count);
    }
    return Offset;
}

const TVarArrayData::Bound &DimBound(const Variant &A, int Dim)
{
    const TVarArrayData &Data = A.ArrayData();
    if (Dim < 1 || Dim > static_cast<int>(Data.Bounds.size())) BadIndex();
    return Data.Bounds[Dim - 1];
}

} // namespace

Currency::Currency(double Value)
{
    double Scaled = std::nearbyint(Value * Scale);
    if (!(Scaled >= -9223372036854775808.0 && Scaled < 9223372036854775808.0))
        throw EVariantOverflowError("Variant overflow");
    FScaled = static_cast<long long>(Scaled);
}

// ---- Variant: storage ----

void Variant::Assign(const Variant &Other)
{
    if (this == &Other) return;
    Variant Copy(Other);
    Release();
    MoveFrom(Copy);
}

void Variant::MoveAssign(Variant &Other) noexcept
{
    if (this == &Other) return;
    if (IsArray()) {
        MoveOverArray(Other);
        return;
    }
    Release();
    MoveFrom(Other);
}

// Other may be one of this array's elements: the array goes after it is taken. Kept out of
// MoveAssign, whose texts would otherwise pay for the room the array's holder takes.
[[gnu::noinline]] void Variant::MoveOverArray(Variant &Other) noexcept
{
    Variant Old(std::move(*this));
    MoveFrom(Other);
}

Variant::Variant(char Value) : FType(varString), FText(std::string_view(&Value, 1)) {}
Variant::Variant(const char *Value) : FType(varString), FText(Value ? Value : "") {}
Variant::Variant(const AnsiString &Value) : FType(varString), FText(Value.Shared()) {}
Variant::Variant(const rtl::SharedText &Value) : FType(varString), FText(Value) {}
Variant::Variant(const char16_t *Value) : FType(varOleStr), FWide(Value) {}
Variant::Variant(const WideString &Value) : FType(varOleStr), FWide(Value) {}

Variant Variant::FromDateTime(double Value) noexcept
{
    Variant Result(Value);
    Result.FType = varDate;
    return Result;
}

Variant Variant::FromError(int Code) noexcept
{
    Variant Result(Code);
    Result.FType = varError;
    return Result;
}

void Variant::Release() noexcept
{
    if (FType == varString)
        FText.~SharedText();
    else if (FType == varOleStr)
        FWide.~WideString();
    else if (FType & varArray)
        FArray.~SharedArray();
    FType = varEmpty;
    FInt64 = 0;
}

void Variant::CopyFrom(const Variant &Other)
{
    if (Other.FType == varString)
        new (&FText) rtl::SharedText(Other.FText);
    else if (Other.FType == varOleStr)
        new (&FWide) WideString(Other.FWide);
    else if (Other.FType & varArray)
        new (&FArray) rtl::SharedArray(Other.FArray);
    else
        FInt64 = Other.FInt64;
    FType = Other.FType;
}

void Variant::MoveFrom(Variant &Other) noexcept
{
    if (Other.FType == varString)
        new (&FText) rtl::SharedText(std::move(Other.FText));
    else if (Other.FType == varOleStr)
        new (&FWide) WideString(std::move(Other.FWide));
    else if (Other.FType & varArray)
        new (&FArray) rtl::SharedArray(std::move(Other.FArray));
    else
        FInt64 = Other.FInt64;
    FType = Other.FType;
    Other.Release();
}

// ---- Variant: conversions ----

int Variant::ConvertToInteger() const
{
    return static_cast<int>(CheckedRange(*this, varInteger, INT_MIN, INT_MAX));
}

long long Variant::ConvertToInt64() const
{
    return ToInt64(*this, varInt64);
}

double Variant::AsDouble() const
{
    return ToDouble(*this, varDouble);
}

double Variant::AsDateTime() const
{
    if (IsStrType(FType)) {
        TDateTime Result;
        if (TryStrToDateTime(AsString(), Result)) return Result;
    }
    return ToDouble(*this, varDate);
}

Currency Variant::AsCurrency() const
{
    if (FType == varCurrency) return Currency::FromScaled(FInt64);
    if (IsIntType(FType) || FType == varBoolean || FType == varEmpty) {
        long long Value = ToInt64(*this, varCurrency);
        if (Value < LLONG_MIN / Currency::Scale || Value > LLONG_MAX / Currency::Scale)
            RangeError(FType, varCurrency);
        return Currency::FromScaled(Value * Currency::Scale);
    }
    double Value = ToDouble(*this, varCurrency);
    if (!(std::fabs(Value) < 922337203685477.0)) RangeError(FType, varCurrency);
    return Currency(Value);
}

bool Variant::AsBoolean() const
{
    switch (FType) {
    case varEmpty:
        return false;
    case varBoolean:
        return FBoolean;
    case varString:
    case varOleStr: {
        bool Result;
        if (TextToBoolean(AsString(), Result)) return Result;
        double Number;
        if (TryStrToFloat(AsString(), Number)) return Number != 0;
        CastError(FType, varBoolean);
    }
    default:
        if (IsIntType(FType) || FType == varCurrency) return FInt64 != 0;
        if (IsRealType(FType)) return FDouble != 0;
        CastError(FType, varBoolean);
    }
}

AnsiString Variant::AsString() const
{
    switch (FType) {
    case varEmpty:
        return AnsiString();
    case varString:
        return AnsiString(FText);
    case varOleStr:
        return AnsiString(FWide);
    case varBoolean:
        return FBoolean ? "True" : "False";
    case varSingle:
    case varDouble:
        return FloatToStr(FDouble);
    case varCurrency:
        return CurrencyText(FInt64);
    case varDate:
        return DateTimeToStr(FDouble);
    default:
        if (IsIntType(FType)) return IntToStr(FInt64);
        CastError(FType, varString);
    }
}

WideString Variant::AsWideString() const
{
    if (FType == varOleStr) return FWide;
    try {
        return WideString(AsString());
    } catch (const EVariantTypeCastError &) {
        CastError(FType, varOleStr);
    }
}

// ---- Variant: arrays ----

namespace rtl
{

struct SharedArray::Block {
    std::atomic<int> Refs;
    TVarArrayData Data;
};

SharedArray::SharedArray(TVarArrayData &&Data) : FBlock(new Block{{1}, std::move(Data)}) {}

SharedArray::SharedArray(const SharedArray &Other) noexcept : FBlock(Other.FBlock)
{
    FBlock->Refs.fetch_add(1, std::memory_order_relaxed);
}

SharedArray::SharedArray(SharedArray &&Other) noexcept
    : FBlock(std::exchange(Other.FBlock, nullptr))
{
}

SharedArray::~SharedArray()
{
    Release();
}

void SharedArray::Release() noexcept
{
    if (FBlock && FBlock->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete FBlock;
}

const TVarArrayData &SharedArray::Data() const
{
    return FBlock->Data;
}

TVarArrayData &SharedArray::MutableData()
{
    if (FBlock->Refs.load(std::memory_order_acquire) != 1) {
        Block *Own = new Block{{1}, FBlock->Data};
        Release();
        FBlock = Own;
    }
    return FBlock->Data;
}

} // namespace rtl

const TVarArrayData &Variant::ArrayData() const
{
    if (!IsArray()) NotAnArray();
    return FArray.Data();
}

TVarArrayData &Variant::MutableArrayData()
{
    if (!IsArray()) NotAnArray();
    return FArray.MutableData();
}

Variant Variant::GetElement(std::span<const int> Indices) const
{
    const TVarArrayData &Data = ArrayData();
    return Data.Items[ElementOffset(Data, Indices)];
}

void Variant::PutElement(std::span<const int> Indices, const Variant &Value)
{
    PutElement(Indices, Variant(Value));
}

void Variant::PutElement(std::span<const int> Indices, Variant &&Value)
{
    ElementOffset(ArrayData(), Indices); // check before unsharing
    TVarArrayData &Data = MutableArrayData();
    Variant &Item = Data.Items[ElementOffset(Data, Indices)];
    if (Data.ElemType == varVariant)
        Item = std::move(Value);
    else
        Item = VarAsType(Value, Data.ElemType);
}

Variant VarArrayCreate(std::span<const int> Bounds, TVarType ElemType)
{
    if (Bounds.empty() || Bounds.size() % 2 != 0 || Bounds.size() / 2 > MaxArrayDims ||
        !IsArrayElemType(ElemType))
        ArrayCreateError();
    TVarArrayData Data;
    Data.ElemType = ElemType;
    long long Total = 1;
    for (std::size_t Pair = 0; Pair < Bounds.size(); Pair += 2) {
        long long Count = static_cast<long long>(Bounds[Pair + 1]) - Bounds[Pair] + 1;
        if (Count < 0 || Count > INT_MAX) ArrayCreateError();
        Total *= Count;
        if (Total > MaxArrayItems) ArrayCreateError();
        Data.Bounds.push_back({Bounds[Pair], static_cast<int>(Count)});
    }
    Data.Items.assign(static_cast<std::size_t>(Total), ZeroOf(ElemType));
    Variant Result;
    new (&Result.FArray) rtl::SharedArray(std::move(Data));
    Result.FType = varArray | ElemType;
    return Result;
}

Variant VarArrayOf(std::span<const Variant> Values)
{
    Variant Result = VarArrayCreate({0, static_cast<int>(Values.size()) - 1}, varVariant);
    TVarArrayData &Data = Result.MutableArrayData();
    std::copy(Values.begin(), Values.end(), Data.Items.begin());
    return Result;
}

int VarArrayDimCount(const Variant &A)
{
    return A.IsArray() ? static_cast<int>(A.ArrayData().Bounds.size()) : 0;
}

int VarArrayLowBound(const Variant &A, int Dim)
{
    return DimBound(A, Dim).Low;
}

int VarArrayHighBound(const Variant &A, int Dim)
{
    const TVarArrayData::Bound &B = DimBound(A, Dim);
    return B.Low + B.Count - 1;
}

void VarArrayRedim(Variant &A, int HighBound)
{
    const TVarArrayData &Old = A.ArrayData();
    long long Count = static_cast<long long>(HighBound) - Old.Bounds.back().Low + 1;
    long long Stride = 1;
    for (std::size_t Dim = 0; Dim + 1 < Old.Bounds.size(); ++Dim)
        Stride *= Old.Bounds[Dim].Count;
    if (Count < 0 || Count > INT_MAX || Count * Stride > MaxArrayItems) ArrayCreateError();
    TVarArrayData &Data = A.MutableArrayData();
    Data.Bounds.back().Count = static_cast<int>(Count);
    Data.Items.resize(static_cast<std::size_t>(Count * Stride), ZeroOf(Data.ElemType));
}

// ---- free functions ----

Variant Unassigned()
{
    return Variant();
}

TVarType VarType(const Variant &V)
{
    return V.Type();
}
bool VarIsType(const Variant &V, TVarType AVarType)
{
    return V.Type() == AVarType;
}
bool VarIsNull(const Variant &V)
{
    return V.Type() == varNull;
}
bool VarIsEmpty(const Variant &V)
{
    return V.Type() == varEmpty;
}
bool VarIsClear(const Variant &V)
{
    return V.Type() == varEmpty;
}
bool VarIsStr(const Variant &V)
{
    return IsStrType(V.Type());
}
bool VarIsOrdinal(const Variant &V)
{
    return IsIntType(V.Type()) || V.Type() == varBoolean;
}
bool VarIsFloat(const Variant &V)
{
    return V.Type() == varSingle || V.Type() == varDouble || V.Type() == varCurrency;
}
bool VarIsNumeric(const Variant &V)
{
    return VarIsOrdinal(V) || VarIsFloat(V);
}
bool VarIsArray(const Variant &V)
{
    return V.IsArray();
}
void VarClear(Variant &V)
{
    V = Variant();
}

AnsiString VarTypeAsText(TVarType AVarType)
{
    static const char *const Names[] = {
        "Empty",   "Null",   "Smallint", "Integer", "Single",  "Double",   "Currency",
        "Date",    "OleStr", "Dispatch", "Error",   "Boolean", "Variant",  "Unknown",
        "Decimal", "$000F",  "ShortInt", "Byte",    "Word",    "LongWord", "Int64"};
    TVarType Base = AVarType & varTypeMask;
    AnsiString Name;
    if (Base < std::size(Names))
        Name = Names[Base];
    else if (Base == varString)
        Name = "String";
    else if (Base == varAny)
        Name = "Any";
    else
        Name = "$" + IntToHex(Base, 4);
    if (AVarType & varArray) Name = "Array " + Name;
    if (AVarType & varByRef) Name = "ByRef " + Name;
    return Name;
}

AnsiString VarToStr(const Variant &V)
{
    return VarIsNull(V) ? AnsiString() : V.AsString();
}

AnsiString VarToStrDef(const Variant &V, const AnsiString &Default)
{
    return VarIsNull(V) ? Default : V.AsString();
}

WideString VarToWideStr(const Variant &V)
{
    return VarIsNull(V) ? WideString() : V.AsWideString();
}

Variant VarAsType(const Variant &V, TVarType AVarType)
{
    if (V.Type() == AVarType) return V;
    switch (AVarType) {
    case varEmpty:
        return Variant();
    case varNull:
        return Null();
    case varVariant:
        return V;
    default:
        break;
    }
    if (V.Type() == varNull || V.IsArray()) CastError(V.Type(), AVarType);
    switch (AVarType) {
    case varSmallint:
        return MakeInteger(AVarType, CheckedRange(V, AVarType, SHRT_MIN, SHRT_MAX));
    case varShortInt:
        return MakeInteger(AVarType, CheckedRange(V, AVarType, SCHAR_MIN, SCHAR_MAX));
    case varByte:
        return MakeInteger(AVarType, CheckedRange(V, AVarType, 0, UCHAR_MAX));
    case varWord:
        return MakeInteger(AVarType, CheckedRange(V, AVarType, 0, USHRT_MAX));
    case varInteger:
        return MakeInteger(AVarType, CheckedRange(V, AVarType, INT_MIN, INT_MAX));
    case varLongWord:
        return MakeInteger(AVarType, CheckedRange(V, AVarType, 0, UINT_MAX));
    case varInt64:
        return Variant(ToInt64(V, varInt64));
    case varSingle: {
        double Value = ToDouble(V, varSingle);
        if (std::fabs(Value) > FLT_MAX) RangeError(V.Type(), varSingle);
        return Variant(static_cast<float>(Value));
    }
    case varDouble:
        return Variant(ToDouble(V, varDouble));
    case varCurrency:
        return Variant(V.AsCurrency());
    case varDate:
        return Variant::FromDateTime(V.AsDateTime());
    case varBoolean:
        return Variant(V.AsBoolean());
    case varString:
        return Variant(V.AsString());
    case varOleStr:
        return Variant(V.AsWideString());
    default:
        if ((AVarType & varTypeMask) != AVarType)
            throw EVariantBadVarTypeError("Invalid variant type");
        CastError(V.Type(), AVarType);
    }
}

namespace rtl::variant_detail
{
Variant Add(const Variant &Left, const Variant &Right)
{
    if (IsPlainJoin(Left, Right))
        return Variant(rtl::SharedText::Join(Left.RawSharedText(), TextOf(Right)));
    return BinaryOp(TVarOp::Add, Left, Right);
}
Variant Add(Variant &&Left, const Variant &Right)
{
    if (IsPlainJoin(Left, Right))
        return Variant(rtl::SharedText::Join(std::move(Left.MutableSharedText()), TextOf(Right)));
    return BinaryOp(TVarOp::Add, Left, Right);
}
Variant Subtract(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Subtract, Left, Right);
}
Variant Multiply(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Multiply, Left, Right);
}
} // namespace rtl::variant_detail
Variant operator/(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Divide, Left, Right);
}
Variant operator%(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Modulus, Left, Right);
}
Variant operator&(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::And, Left, Right);
}
Variant operator|(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Or, Left, Right);
}
Variant operator^(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Xor, Left, Right);
}
Variant operator<<(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Shl, Left, Right);
}
Variant operator>>(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::Shr, Left, Right);
}
Variant VarIntDiv(const Variant &Left, const Variant &Right)
{
    return BinaryOp(TVarOp::IntDivide, Left, Right);
}

Variant operator-(const Variant &Operand)
{
    if (Operand.IsArray()) InvalidOp();
    switch (Operand.Type()) {
    case varNull:
        return Operand;
    case varSingle:
        return Variant(-static_cast<float>(Operand.RawDouble()));
    case varDouble:
        return Variant(-Operand.RawDouble());
    case varDate:
        return Variant::FromDateTime(-Operand.RawDouble());
    case varCurrency:
        return Variant(0) - Operand;
    case varString:
    case varOleStr:
        return Variant(-Operand.AsDouble());
    default:
        return Variant(0) - Operand;
    }
}

Variant operator~(const Variant &Operand)
{
    if (Operand.IsArray()) InvalidOp();
    if (Operand.Type() == varNull) return Operand;
    bool Flag;
    if (Operand.Type() == varBoolean ||
        (IsStrType(Operand.Type()) && TextToBoolean(Operand.AsString(), Flag)))
        return Variant(!Operand.AsBoolean());
    long long Value = ToInt64(Operand, varInteger);
    return NarrowInteger(~Value, IsWideOperand(Operand, Value));
}

TVariantRelationship VarCompareValue(const Variant &Left, const Variant &Right)
{
    if (Left.IsArray() || Right.IsArray()) InvalidOp();
    bool LeftNull = Left.Type() == varNull;
    bool RightNull = Right.Type() == varNull;
    if (LeftNull || RightNull) {
        if (LeftNull && RightNull) return vrEqual;
        return LeftNull ? vrLessThan : vrGreaterThan;
    }
    int Result = Left.Type() == varInteger && Right.Type() == varInteger
                     ? Sign(Left.RawInteger(), Right.RawInteger())
                     : CompareValues(Left, Right);
    return Result < 0 ? vrLessThan : (Result > 0 ? vrGreaterThan : vrEqual);
}

bool VarSameValue(const Variant &Left, const Variant &Right)
{
    return VarCompareValue(Left, Right) == vrEqual;
}

bool operator==(const Variant &Left, const Variant &Right)
{
    return VarCompareValue(Left, Right) == vrEqual;
}
bool operator<(const Variant &Left, const Variant &Right)
{
    return VarCompareValue(Left, Right) == vrLessThan;
}
bool operator>(const Variant &Left, const Variant &Right)
{
    return VarCompareValue(Left, Right) == vrGreaterThan;
}
bool operator<=(const Variant &Left, const Variant &Right)
{
    return VarCompareValue(Left, Right) != vrGreaterThan;
}
bool operator>=(const Variant &Left, const Variant &Right)
{
    return VarCompareValue(Left, Right) != vrLessThan;
}

// ---- objects ----

namespace
{

// Handles are a counter run through a bijection of the 31-bit numbers, so
// they never repeat, are never negative, and small integers a script makes up
// are unlikely to name anything.
struct THandleRegistry {
    std::shared_mutex Lock;
    std::unordered_map<int, TObject *> ByHandle;
    std::unordered_map<TObject *, int> ByObject;
    std::uint32_t Counter = 0;
    std::atomic<std::size_t> Live{0};

    int NextHandle()
    {
        for (;;) {
            if (++Counter >= 0x80000000u) throw EVariantError("Out of object handles");
            int Handle = static_cast<int>(((Counter * 0x2545F491u) ^ 0x5BD1E995u) & 0x7FFFFFFFu);
            if (Handle != 0) return Handle;
        }
    }
};

THandleRegistry &Handles()
{
    static THandleRegistry Registry;
    return Registry;
}

} // namespace

namespace rtl
{

int ObjectToHandle(TObject *Obj)
{
    if (!Obj) return 0;
    THandleRegistry &R = Handles();
    {
        std::shared_lock Reading(R.Lock);
        auto Found = R.ByObject.find(Obj);
        if (Found != R.ByObject.end()) return Found->second;
    }
    std::unique_lock Writing(R.Lock);
    auto [Where, Added] = R.ByObject.try_emplace(Obj, 0);
    if (Added) {
        try {
            Where->second = R.NextHandle();
            R.ByHandle.emplace(Where->second, Obj);
        } catch (...) {
            R.ByObject.erase(Where);
            throw;
        }
        R.Live.fetch_add(1, std::memory_order_release);
    }
    return Where->second;
}

bool IsObjectHandle(int Handle)
{
    THandleRegistry &R = Handles();
    std::shared_lock Reading(R.Lock);
    return R.ByHandle.count(Handle) != 0;
}

TObject *HandleToObject(int Handle)
{
    if (Handle == 0) return nullptr;
    THandleRegistry &R = Handles();
    std::shared_lock Reading(R.Lock);
    auto Found = R.ByHandle.find(Handle);
    if (Found == R.ByHandle.end()) throw EVariantInvalidObjectError("Invalid object reference");
    return Found->second;
}

void ForgetObjectHandle(TObject *Obj) noexcept
{
    THandleRegistry &R = Handles();
    if (R.Live.load(std::memory_order_acquire) == 0) return;
    std::unique_lock Writing(R.Lock);
    auto Found = R.ByObject.find(Obj);
    if (Found == R.ByObject.end()) return;
    R.ByHandle.erase(Found->second);
    R.ByObject.erase(Found);
    R.Live.fetch_sub(1, std::memory_order_release);
}

} // namespace rtl

Variant VarFromObject(TObject *Obj)
{
    return Variant(rtl::ObjectToHandle(Obj));
}

TObject *VarToObject(const Variant &V)
{
    if (VarIsNull(V) || VarIsEmpty(V)) return nullptr;
    if (!VarIsOrdinal(V) || V.Type() == varBoolean) CastError(V.Type(), varInteger);
    return rtl::HandleToObject(V.AsInteger());
}
