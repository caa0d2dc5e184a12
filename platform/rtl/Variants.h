#pragma once

// The class library's variant: a tagged value with its type codes, conversions,
// operators and arrays. Rules follow the class library (strings parse with the
// process format settings, booleans convert to -1/0, integer rounding ties to
// even); where it would wrap or read freed memory, we widen or raise instead.

#include "platform/rtl/SharedText.h"
#include "platform/rtl/SysUtils.h"

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

class TObject;

using TVarType = std::uint16_t;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varAny = 0x0101;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

QRV4_DECLARE_EXCEPTION(EVariantError, Exception)
QRV4_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError)
QRV4_DECLARE_EXCEPTION(EVariantInvalidObjectError, EVariantError)

// Fixed point with four decimals, as the class library's Currency.
class Currency
{
public:
    static constexpr long long Scale = 10000;

    constexpr Currency() = default;
    Currency(double Value); // rounds to four decimals, ties to even; overflow raises
    static constexpr Currency FromScaled(long long Scaled)
    {
        Currency Result;
        Result.FScaled = Scaled;
        return Result;
    }
    constexpr long long Scaled() const { return FScaled; }
    double ToDouble() const { return static_cast<double>(FScaled) / Scale; }

    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;

private:
    long long FScaled = 0;
};

class Variant;

// One variant array: bounds per dimension and the elements, the first index
// varying fastest so that resizing the last dimension keeps every element.
struct TVarArrayData {
    struct Bound {
        int Low;
        int Count;
    };
    TVarType ElemType;
    std::vector<Bound> Bounds;
    std::vector<Variant> Items;
};

namespace rtl
{

// A variant array's elements, shared by the variants that copy it until one of them writes.
// A writer that finds itself the only holder writes in place, else it takes a copy of its
// own: the count is read with acquire ordering, so a holder that has just let go of its
// share has also finished reading the elements before they are written.
class SharedArray
{
public:
    explicit SharedArray(TVarArrayData &&Data);
    SharedArray(const SharedArray &Other) noexcept;
    SharedArray(SharedArray &&Other) noexcept;
    SharedArray &operator=(const SharedArray &) = delete;
    SharedArray &operator=(SharedArray &&) = delete;
    ~SharedArray();

    const TVarArrayData &Data() const;
    TVarArrayData &MutableData();

private:
    struct Block;
    void Release() noexcept;

    Block *FBlock;
};

} // namespace rtl

class Variant
{
public:
    Variant() noexcept : FType(varEmpty), FInt64(0) {}
    // Values without a heap part copy as plain bits; these run inline because
    // scripts copy variants all the time.
    Variant(const Variant &Other) : FType(varEmpty), FInt64(0)
    {
        if (Other.OwnsMemory())
            CopyFrom(Other);
        else
            CopyBits(Other);
    }
    Variant(Variant &&Other) noexcept : FType(varEmpty), FInt64(0)
    {
        if (Other.OwnsMemory())
            MoveFrom(Other);
        else
            CopyBits(Other);
    }
    Variant &operator=(const Variant &Other)
    {
        if (!OwnsMemory() && !Other.OwnsMemory())
            CopyBits(Other);
        else
            Assign(Other);
        return *this;
    }
    Variant &operator=(Variant &&Other) noexcept
    {
        if (!OwnsMemory() && !Other.OwnsMemory())
            CopyBits(Other);
        else
            MoveAssign(Other);
        return *this;
    }
    ~Variant()
    {
        if (OwnsMemory()) Release();
    }

    Variant(bool Value) noexcept : FType(varBoolean), FBoolean(Value) {}
    Variant(signed char Value) noexcept : FType(varShortInt), FInt64(Value) {}
    Variant(unsigned char Value) noexcept : FType(varByte), FInt64(Value) {}
    Variant(short Value) noexcept : FType(varSmallint), FInt64(Value) {}
    Variant(unsigned short Value) noexcept : FType(varWord), FInt64(Value) {}
    Variant(int Value) noexcept : FType(varInteger), FInt64(Value) {}
    Variant(unsigned Value) noexcept : FType(varLongWord), FInt64(Value) {}
    Variant(long Value) noexcept : FType(varInt64), FInt64(Value) {}
    Variant(long long Value) noexcept : FType(varInt64), FInt64(Value) {}
    Variant(float Value) noexcept : FType(varSingle), FDouble(Value) {}
    Variant(double Value) noexcept : FType(varDouble), FDouble(Value) {}
    Variant(Currency Value) noexcept : FType(varCurrency), FInt64(Value.Scaled()) {}
    Variant(char Value); // a one-character string, as the class library's Char
    Variant(const char *Value);
    Variant(const AnsiString &Value);
    Variant(const rtl::SharedText &Value);
    // A text just joined is taken over, with no count of its own to add and drop.
    Variant(rtl::SharedText &&Value) noexcept : FType(varString), FText(std::move(Value)) {}
    Variant(const char16_t *Value);
    Variant(const WideString &Value);

    static Variant FromDateTime(double Value) noexcept;
    // An Integer when the value fits 32 bits, else an Int64.
    static Variant FromInteger(long long Value) noexcept
    {
        if (Value >= INT_MIN && Value <= INT_MAX) return Variant(static_cast<int>(Value));
        return Variant(Value);
    }
    static Variant FromError(int Code) noexcept;
    static Variant MakeNull() noexcept
    {
        Variant Result;
        Result.FType = varNull;
        return Result;
    }

    TVarType Type() const { return FType; }
    bool IsArray() const { return (FType & varArray) != 0; }

    // Conversions by the class library's rules; a value that has no such form
    // raises EVariantTypeCastError, one out of range EVariantOverflowError.
    int AsInteger() const
    {
        return FType == varInteger ? static_cast<int>(FInt64) : ConvertToInteger();
    }
    long long AsInt64() const
    {
        return FType == varInteger || FType == varInt64 ? FInt64 : ConvertToInt64();
    }
    double AsDouble() const;
    double AsDateTime() const;
    Currency AsCurrency() const;
    bool AsBoolean() const;
    AnsiString AsString() const;
    WideString AsWideString() const;

    // Array elements by one index per dimension; writes change this variant only.
    Variant GetElement(std::span<const int> Indices) const;
    void PutElement(std::span<const int> Indices, const Variant &Value);
    void PutElement(std::span<const int> Indices, Variant &&Value);
    Variant GetElement(std::initializer_list<int> Indices) const
    {
        return GetElement(std::span<const int>(Indices.begin(), Indices.size()));
    }
    void PutElement(std::initializer_list<int> Indices, const Variant &Value)
    {
        PutElement(std::span<const int>(Indices.begin(), Indices.size()), Value);
    }

    const TVarArrayData &ArrayData() const; // raises EVariantNotAnArrayError
    TVarArrayData &MutableArrayData();      // unshares the elements first

    // Payload access for code that has already checked Type().
    long long RawInteger() const { return FInt64; }
    double RawDouble() const { return FDouble; }
    bool RawBoolean() const { return FBoolean; }
    std::string_view RawText() const { return FText.View(); }
    const rtl::SharedText &RawSharedText() const { return FText; }
    rtl::SharedText &MutableSharedText() { return FText; }
    const WideString &RawWideString() const { return FWide; }

private:
    friend Variant VarArrayCreate(std::span<const int> Bounds, TVarType ElemType);
    friend void VarArrayRedim(Variant &A, int HighBound);

    bool OwnsMemory() const
    {
        return FType == varString || FType == varOleStr || (FType & varArray) != 0;
    }
    void CopyBits(const Variant &Other) noexcept
    {
        FType = Other.FType;
        FInt64 = Other.FInt64;
    }
    void Assign(const Variant &Other);
    void MoveAssign(Variant &Other) noexcept;
    void MoveOverArray(Variant &Other) noexcept;
    int ConvertToInteger() const;
    long long ConvertToInt64() const;
    void Release() noexcept;
    void CopyFrom(const Variant &Other);
    void MoveFrom(Variant &Other) noexcept;

    TVarType FType;
    union {
        long long FInt64; // every integer kind, Currency scaled, error codes
        double FDouble;   // Single, Double, Date
        bool FBoolean;
        rtl::SharedText FText;
        WideString FWide;
        rtl::SharedArray FArray;
    };
};

inline Variant Null()
{
    return Variant::MakeNull();
}
Variant Unassigned();

TVarType VarType(const Variant &V);
bool VarIsType(const Variant &V, TVarType AVarType);
bool VarIsNull(const Variant &V);
bool VarIsEmpty(const Variant &V);
bool VarIsClear(const Variant &V);
bool VarIsStr(const Variant &V);
bool VarIsOrdinal(const Variant &V);
bool VarIsFloat(const Variant &V);
bool VarIsNumeric(const Variant &V);
bool VarIsArray(const Variant &V);
void VarClear(Variant &V);

AnsiString VarTypeAsText(TVarType AVarType);
AnsiString VarToStr(const Variant &V); // Null gives ""
AnsiString VarToStrDef(const Variant &V, const AnsiString &Default);
WideString VarToWideStr(const Variant &V);
Variant VarAsType(const Variant &V, TVarType AVarType);

// Operators. Null propagates through arithmetic and logic; Empty counts as 0 or
// "". Two strings concatenate under +; a string meeting a number is read as a
// number. Arrays take part in none of them (EVariantInvalidOpError).
namespace rtl::variant_detail
{
Variant Add(const Variant &Left, const Variant &Right);
Variant Subtract(const Variant &Left, const Variant &Right);
Variant Multiply(const Variant &Left, const Variant &Right);
Variant Add(Variant &&Left, const Variant &Right);
// Two Integers, the common case in scripts, are worked out inline; 32-bit inputs
// cannot overflow 64 bits.
inline bool BothInteger(const Variant &Left, const Variant &Right)
{
    return Left.Type() == varInteger && Right.Type() == varInteger;
}
} // namespace rtl::variant_detail

inline Variant operator+(const Variant &Left, const Variant &Right)
{
    using namespace rtl::variant_detail;
    if (BothInteger(Left, Right))
        return Variant::FromInteger(Left.RawInteger() + Right.RawInteger());
    return Add(Left, Right);
}
// A text on the left that goes away lends its share of the buffer to the result.
inline Variant operator+(Variant &&Left, const Variant &Right)
{
    using namespace rtl::variant_detail;
    if (BothInteger(Left, Right))
        return Variant::FromInteger(Left.RawInteger() + Right.RawInteger());
    return Add(std::move(Left), Right);
}
inline Variant operator-(const Variant &Left, const Variant &Right)
{
    using namespace rtl::variant_detail;
    if (BothInteger(Left, Right))
        return Variant::FromInteger(Left.RawInteger() - Right.RawInteger());
    return Subtract(Left, Right);
}
inline Variant operator*(const Variant &Left, const Variant &Right)
{
    using namespace rtl::variant_detail;
    if (BothInteger(Left, Right))
        return Variant::FromInteger(Left.RawInteger() * Right.RawInteger());
    return Multiply(Left, Right);
}
Variant operator/(const Variant &Left, const Variant &Right);  // always real
Variant operator%(const Variant &Left, const Variant &Right);  // mod
Variant operator&(const Variant &Left, const Variant &Right);  // and
Variant operator|(const Variant &Left, const Variant &Right);  // or
Variant operator^(const Variant &Left, const Variant &Right);  // xor
Variant operator<<(const Variant &Left, const Variant &Right); // shl
Variant operator>>(const Variant &Left, const Variant &Right); // shr
Variant operator-(const Variant &Operand);
Variant operator~(const Variant &Operand);                    // not
Variant VarIntDiv(const Variant &Left, const Variant &Right); // div

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Null equals only Null and sorts below every other value.
TVariantRelationship VarCompareValue(const Variant &Left, const Variant &Right);
bool VarSameValue(const Variant &Left, const Variant &Right);
bool operator==(const Variant &Left, const Variant &Right);
bool operator<(const Variant &Left, const Variant &Right);
bool operator>(const Variant &Left, const Variant &Right);
bool operator<=(const Variant &Left, const Variant &Right);
bool operator>=(const Variant &Left, const Variant &Right);

// Arrays: Bounds holds low/high pairs, one pair per dimension (at most 64).
Variant VarArrayCreate(std::span<const int> Bounds, TVarType ElemType);
inline Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType ElemType)
{
    return VarArrayCreate(std::span<const int>(Bounds.begin(), Bounds.size()), ElemType);
}
Variant VarArrayOf(std::span<const Variant> Values); // 0-based array of varVariant
inline Variant VarArrayOf(std::initializer_list<Variant> Values)
{
    return VarArrayOf(std::span<const Variant>(Values.begin(), Values.size()));
}
int VarArrayDimCount(const Variant &A); // 0 for a value that is no array
int VarArrayLowBound(const Variant &A, int Dim);
int VarArrayHighBound(const Variant &A, int Dim);
void VarArrayRedim(Variant &A, int HighBound); // resizes the last dimension

// Objects travel through variants as integers naming a live object. A handle
// stays the same while its object lives and is never given to another object,
// so a stale or made-up integer is detected instead of dereferenced.
Variant VarFromObject(TObject *Obj);
TObject *VarToObject(const Variant &V); // 0 and Null give nullptr

namespace rtl
{

int ObjectToHandle(TObject *Obj);    // 0 for nullptr
TObject *HandleToObject(int Handle); // nullptr for 0; raises for a dead or unknown one
bool IsObjectHandle(int Handle);
// Called by every object as it dies; cheap while the object never got a handle.
void ForgetObjectHandle(TObject *Obj) noexcept;

} // namespace rtl
