#include "script/fs_isysrtti.h"

#include "platform/rtl/MaskUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Dialogs.h"
#include "script/fs_itools.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

using TFunction = Variant (*)(TfsMethodHelper &C);

struct TFunctionEntry {
    const char *Syntax;
    const char *Category;
    TFunction Call;
};

// Short names: the function table reads as a list of one-liners.
const auto P = &fs::Param;
const auto S = &fs::Str;
const auto I = &fs::Int;
const auto F = &fs::Float;

Variant Date(TDateTime Value)
{
    return Variant::FromDateTime(Value);
}

// An integer result stays an Integer when it fits 32 bits; a larger one is whole
// rather than cut to its low 32 bits, which would turn three thousand million
// into a negative number.
Variant Whole(double Value)
{
    if (!std::isfinite(Value) || std::fabs(Value) >= 9.2233720368547758e18)
        throw EInvalidOp("Invalid floating point operation");
    auto Result = static_cast<long long>(Value);
    if (Result >= INT32_MIN && Result <= INT32_MAX) return Variant(static_cast<int>(Result));
    return Variant(Result);
}

// The processor ran with these exceptions unmasked; here they are checked.
double Checked(double Value)
{
    if (std::isnan(Value)) throw EInvalidOp("Invalid floating point operation");
    if (std::isinf(Value)) throw EOverflow("Floating point overflow");
    return Value;
}

Variant Real(double Value)
{
    return Variant(Checked(Value));
}

Variant NameCase(const AnsiString &Text)
{
    if (Text.IsEmpty()) return Variant(Text);
    AnsiString Result = AnsiLowerCase(Text);
    Result[1] = AnsiUpperCase(AnsiString(Text[1]))[1];
    for (int K = 1; K < Text.Length(); ++K)
        if (Text[K] == ' ') Result[K + 1] = AnsiUpperCase(AnsiString(Text[K + 1]))[1];
    return Variant(Result);
}

int DaysInMonth(int Year, int Month)
{
    static const int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (Month < 1 || Month > 12) throw EConvertError("Invalid month: " + AnsiString(Month));
    return Days[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0);
}

Variant SetLength(TfsMethodHelper &C)
{
    Variant Value = P(C, 0);
    int Length = I(C, 1);
    TVarType Type = VarType(Value);
    if (Type == varString || Type == varOleStr) {
        AnsiString Text = fsVarToStr(Value);
        // New characters are #0, never whatever memory held.
        Text.SetLength(std::max(Length, 0));
        C.SetVParam(0, Variant(Text));
    } else {
        VarArrayRedim(Value, Length - 1);
        C.SetVParam(0, Value);
    }
    return Null();
}

// The text functions share the script's texts rather than copy them: reading one
// character of a long text, or taking the first off it, costs no more than that.
// A text parameter is read where the parameter keeps it; Holder keeps any other
// value's text.
const rtl::SharedText &TextParam(TfsMethodHelper &C, int Index, rtl::SharedText &Holder)
{
    const Variant &Value = C.VParam(Index);
    if (VarType(Value) == varString) return Value.RawSharedText();
    Holder = fsVarToStr(Value).Shared();
    return Holder;
}

Variant TextLength(TfsMethodHelper &C)
{
    const Variant &V = C.VParam(0);
    if (VarIsArray(V)) return Variant(VarArrayHighBound(V, 1) - VarArrayLowBound(V, 1) + 1);
    if (VarType(V) == varString) return Variant(static_cast<int>(V.RawText().size()));
    return Variant(VarToStr(V).Length());
}

// Clamped as AnsiString::SubString.
Variant CopyText(TfsMethodHelper &C)
{
    rtl::SharedText Holder;
    const rtl::SharedText &Text = TextParam(C, 0, Holder);
    const long long Length = static_cast<long long>(Text.Length());
    const long long Start = std::max(I(C, 1), 1);
    const int Count = I(C, 2);
    if (Start > Length || Count < 1) return Variant("");
    return Variant(Text.Part(Start - 1, std::min<long long>(Count, Length - Start + 1)));
}

// Ignored outside 1..Length or for a count below 1; clipped at the end.
Variant DeleteText(TfsMethodHelper &C)
{
    rtl::SharedText Holder;
    const rtl::SharedText &Text = TextParam(C, 0, Holder);
    const long long Length = static_cast<long long>(Text.Length());
    const int Index = I(C, 1);
    const int Count = I(C, 2);
    // The result is made before the parameter that Text may lie in is written.
    if (Index >= 1 && Index <= Length && Count >= 1)
        C.SetVParam(
            0, Variant(Text.Erased(Index - 1, std::min<long long>(Count, Length - Index + 1))));
    else
        C.SetVParam(0, Variant(Text));
    return Null();
}

// The position is clamped to 1..Length+1.
Variant InsertText(TfsMethodHelper &C)
{
    rtl::SharedText PartHolder, TextHolder;
    const rtl::SharedText &Part = TextParam(C, 0, PartHolder);
    const rtl::SharedText &Text = TextParam(C, 1, TextHolder);
    const long long Length = static_cast<long long>(Text.Length());
    const long long At = std::clamp<long long>(I(C, 2), 1, Length + 1) - 1;
    C.SetVParam(1, Variant(Text.Inserted(At, Part)));
    return Null();
}

Variant PosText(TfsMethodHelper &C)
{
    rtl::SharedText SubHolder, TextHolder;
    const rtl::SharedText &Sub = TextParam(C, 0, SubHolder);
    const rtl::SharedText &Text = TextParam(C, 1, TextHolder);
    if (Sub.IsEmpty()) return Variant(0);
    const std::size_t At = Text.View().find(Sub.View());
    return Variant(At == std::string_view::npos ? 0 : static_cast<int>(At) + 1);
}

std::atomic<std::uint32_t> RandSeed{0};

Variant Randomize(TfsMethodHelper &)
{
    auto Now = std::chrono::system_clock::now();
    auto Local = Now.time_since_epoch();
    long long Ms = std::chrono::duration_cast<std::chrono::milliseconds>(Local).count();
    long long Day = Ms % 86400000;
    RandSeed.store(static_cast<std::uint32_t>(Day), std::memory_order_relaxed);
    return Null();
}

Variant Random(TfsMethodHelper &)
{
    std::uint32_t Seed = RandSeed.load(std::memory_order_relaxed) * 134775813u + 1u;
    RandSeed.store(Seed, std::memory_order_relaxed);
    return Variant(static_cast<double>(Seed) / 4294967296.0);
}

Variant VarArrayCreateOf(TfsMethodHelper &C)
{
    Variant Bounds = P(C, 0);
    if (!VarIsArray(Bounds)) throw EVariantArrayCreateError("Error creating variant or safe array");
    std::vector<int> List;
    for (int K = 0; K <= VarArrayHighBound(Bounds, 1); ++K)
        List.push_back(fsVarToInt(Bounds.GetElement({K})));
    return VarArrayCreate(std::span<const int>(List.data(), List.size()),
                          static_cast<TVarType>(I(C, 1)));
}

template <class T> bool Valid(T Convert, const AnsiString &Text)
{
    try {
        Convert(Text);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

const TFunctionEntry Functions[] = {
    {"function IntToStr(i: Integer): String", "ctConv",
     [](TfsMethodHelper &C) { return Variant(IntToStr(fsVarToInt64(P(C, 0)))); }},
    {"function FloatToStr(e: Extended): String", "ctConv",
     [](TfsMethodHelper &C) { return Variant(FloatToStr(F(C, 0))); }},
    {"function DateToStr(e: Extended): String", "ctConv",
     [](TfsMethodHelper &C) { return Variant(DateToStr(F(C, 0))); }},
    {"function TimeToStr(e: Extended): String", "ctConv",
     [](TfsMethodHelper &C) { return Variant(TimeToStr(F(C, 0))); }},
    {"function DateTimeToStr(e: Extended): String", "ctConv",
     [](TfsMethodHelper &C) { return Variant(DateTimeToStr(F(C, 0))); }},
    {"function VarToStr(v: Variant): String", "ctConv",
     [](TfsMethodHelper &C) { return Variant(VarToStr(P(C, 0))); }},
    {"function StrToInt(s: String): Integer", "ctConv",
     [](TfsMethodHelper &C) { return Variant(StrToInt(S(C, 0))); }},
    {"function StrToFloat(s: String): Extended", "ctConv",
     [](TfsMethodHelper &C) { return Variant(StrToFloat(S(C, 0))); }},
    {"function StrToDate(s: String): Extended", "ctConv",
     [](TfsMethodHelper &C) { return Date(StrToDate(S(C, 0))); }},
    {"function StrToTime(s: String): Extended", "ctConv",
     [](TfsMethodHelper &C) { return Date(StrToTime(S(C, 0))); }},
    {"function StrToDateTime(s: String): Extended", "ctConv",
     [](TfsMethodHelper &C) { return Date(StrToDateTime(S(C, 0))); }},
    {"function Format(Fmt: String; Args: array): String", "ctFormat",
     [](TfsMethodHelper &C) {
         std::vector<TVarRec> Args;
         VariantToVarRec(P(C, 1), Args);
         return Variant(Format(S(C, 0), std::span<const TVarRec>(Args.data(), Args.size())));
     }},
    {"function FormatFloat(Fmt: String; Value: Extended): String", "ctFormat",
     [](TfsMethodHelper &C) {
         AnsiString Fmt = S(C, 0);
         if (Fmt.Length() > 224) throw EConvertError("Format string too long");
         return Variant(FormatFloat(Fmt, F(C, 1)));
     }},
    {"function FormatDateTime(Fmt: String; DateTime: TDateTime): String", "ctFormat",
     [](TfsMethodHelper &C) { return Variant(FormatDateTime(S(C, 0), F(C, 1))); }},
    {"function FormatMaskText(EditMask: string; Value: string): string", "ctFormat",
     [](TfsMethodHelper &C) { return Variant(FormatMaskText(S(C, 0), S(C, 1))); }},
    {"function EncodeDate(Year, Month, Day: Word): TDateTime", "ctDate",
     [](TfsMethodHelper &C) { return Date(EncodeDate(I(C, 0), I(C, 1), I(C, 2))); }},
    {"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", "ctDate",
     [](TfsMethodHelper &C) {
         int Year = 0, Month = 0, Day = 0;
         DecodeDate(F(C, 0), Year, Month, Day);
         C.SetVParam(1, Variant(Year));
         C.SetVParam(2, Variant(Month));
         C.SetVParam(3, Variant(Day));
         return Null();
     }},
    {"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", "ctDate",
     [](TfsMethodHelper &C) { return Date(EncodeTime(I(C, 0), I(C, 1), I(C, 2), I(C, 3))); }},
    {"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", "ctDate",
     [](TfsMethodHelper &C) {
         int Hour = 0, Min = 0, Sec = 0, MSec = 0;
         DecodeTime(F(C, 0), Hour, Min, Sec, MSec);
         C.SetVParam(1, Variant(Hour));
         C.SetVParam(2, Variant(Min));
         C.SetVParam(3, Variant(Sec));
         C.SetVParam(4, Variant(MSec));
         return Null();
     }},
    {"function Date: TDateTime", "ctDate", [](TfsMethodHelper &) { return Date(::Date()); }},
    {"function Time: TDateTime", "ctDate", [](TfsMethodHelper &) { return Date(::Time()); }},
    {"function Now: TDateTime", "ctDate", [](TfsMethodHelper &) { return Date(::Now()); }},
    {"function DayOfWeek(aDate: TDateTime): Integer", "ctDate",
     [](TfsMethodHelper &C) { return Variant(DayOfWeek(F(C, 0))); }},
    {"function IsLeapYear(Year: Word): Boolean", "ctDate",
     [](TfsMethodHelper &C) { return Variant(IsLeapYear(I(C, 0))); }},
    {"function DaysInMonth(nYear, nMonth: Integer): Integer", "ctDate",
     [](TfsMethodHelper &C) { return Variant(DaysInMonth(I(C, 0), I(C, 1))); }},
    {"function Length(s: Variant): Integer", "ctString", TextLength},
    {"function Copy(s: String; from, count: Integer): String", "ctString", CopyText},
    {"function Pos(substr, s: String): Integer", "ctString", PosText},
    {"procedure Delete(var s: String; from, count: Integer)", "ctString", DeleteText},
    {"procedure DeleteStr(var s: String; from, count: Integer)", "ctString", DeleteText},
    {"procedure Insert(s: String; var s2: String; pos: Integer)", "ctString", InsertText},
    {"function Uppercase(s: String): String", "ctString",
     [](TfsMethodHelper &C) { return Variant(AnsiUpperCase(S(C, 0))); }},
    {"function Lowercase(s: String): String", "ctString",
     [](TfsMethodHelper &C) { return Variant(AnsiLowerCase(S(C, 0))); }},
    {"function Trim(s: String): String", "ctString",
     [](TfsMethodHelper &C) { return Variant(Trim(S(C, 0))); }},
    {"function NameCase(s: String): String", "ctString",
     [](TfsMethodHelper &C) { return NameCase(S(C, 0)); }},
    {"function CompareText(s, s1: String): Integer", "ctString",
     [](TfsMethodHelper &C) {
         int R = AnsiCompareText(S(C, 0), S(C, 1));
         return Variant(R < 0 ? -1 : R > 0 ? 1 : 0);
     }},
    {"function Chr(i: Integer): Char", "ctString",
     [](TfsMethodHelper &C) {
         return Variant(AnsiString(static_cast<char>(fsVarToInt64(P(C, 0)) & 0xFF)));
     }},
    {"function Ord(ch: Char): Integer", "ctString",
     [](TfsMethodHelper &C) {
         AnsiString Text = S(C, 0);
         return Variant(Text.IsEmpty() ? 0 : static_cast<unsigned char>(Text[1]));
     }},
    {"procedure SetLength(var S: Variant; L: Integer)", "ctString", SetLength},
    {"function Round(e: Extended): Integer", "ctMath",
     [](TfsMethodHelper &C) { return Whole(std::nearbyint(F(C, 0))); }},
    {"function Trunc(e: Extended): Integer", "ctMath",
     [](TfsMethodHelper &C) { return Whole(std::trunc(F(C, 0))); }},
    {"function Int(e: Extended): Integer", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::trunc(F(C, 0))); }},
    {"function Frac(X: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) {
         double X = F(C, 0);
         return Real(X - std::trunc(X));
     }},
    {"function Sqrt(e: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::sqrt(F(C, 0))); }},
    {"function Abs(e: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::fabs(F(C, 0))); }},
    // The true sine and cosine at any size, not the 0 the processor's gave from 2^63 up.
    {"function Sin(e: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::sin(F(C, 0))); }},
    {"function Cos(e: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::cos(F(C, 0))); }},
    {"function ArcTan(X: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::atan(F(C, 0))); }},
    {"function Tan(X: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) {
         double X = F(C, 0);
         return Real(std::sin(X) / std::cos(X));
     }},
    {"function Exp(X: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) { return Real(std::exp(F(C, 0))); }},
    {"function Ln(X: Extended): Extended", "ctMath",
     [](TfsMethodHelper &C) {
         double X = F(C, 0);
         if (X == 0) throw EZeroDivide("Floating point division by zero");
         return Real(std::log(X));
     }},
    {"function Pi: Extended", "ctMath",
     [](TfsMethodHelper &) { return Variant(3.14159265358979323846); }},
    {"procedure Inc(var i: Integer; incr: Integer = 1)", "ctOther",
     [](TfsMethodHelper &C) {
         C.SetVParam(0, P(C, 0) + P(C, 1));
         return Null();
     }},
    {"procedure Dec(var i: Integer; decr: Integer = 1)", "ctOther",
     [](TfsMethodHelper &C) {
         C.SetVParam(0, P(C, 0) - P(C, 1));
         return Null();
     }},
    {"procedure RaiseException(Param: String)", "ctOther",
     [](TfsMethodHelper &C) -> Variant { throw Exception(S(C, 0)); }},
    {"procedure ShowMessage(Msg: Variant)", "ctOther",
     [](TfsMethodHelper &C) {
         ::ShowMessage(VarToStr(P(C, 0)));
         return Null();
     }},
    {"procedure Randomize", "ctOther", Randomize},
    {"function Random: Extended", "ctOther", Random},
    {"function ValidInt(cInt: String): Boolean", "ctOther",
     [](TfsMethodHelper &C) {
         return Variant(Valid([](const AnsiString &T) { return StrToInt(T); }, S(C, 0)));
     }},
    {"function ValidFloat(cFlt: String): Boolean", "ctOther",
     [](TfsMethodHelper &C) {
         return Variant(Valid([](const AnsiString &T) { return StrToFloat(T); }, S(C, 0)));
     }},
    {"function ValidDate(cDate: String): Boolean", "ctOther",
     [](TfsMethodHelper &C) {
         return Variant(Valid([](const AnsiString &T) { return StrToDate(T); }, S(C, 0)));
     }},
    {"function CreateOleObject(ClassName: String): Variant", "ctOther",
     [](TfsMethodHelper &C) -> Variant {
         // There is no automation server on this system to create objects from.
         throw Exception("Invalid class string: " + S(C, 0) +
                         " (automation objects are not available)");
     }},
    {"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", "ctOther", VarArrayCreateOf},
    {"function VarType(V: Variant): Integer", "ctOther",
     [](TfsMethodHelper &C) { return Variant(static_cast<int>(VarType(P(C, 0)))); }},
};

struct TVarCode {
    const char *Name;
    int Code;
};

const TVarCode VarCodes[] = {
    {"varEmpty", varEmpty},       {"varNull", varNull},         {"varSmallint", varSmallint},
    {"varInteger", varInteger},   {"varSingle", varSingle},     {"varDouble", varDouble},
    {"varCurrency", varCurrency}, {"varDate", varDate},         {"varOleStr", varOleStr},
    {"varDispatch", varDispatch}, {"varError", varError},       {"varBoolean", varBoolean},
    {"varVariant", varVariant},   {"varUnknown", varUnknown},   {"varShortInt", varShortInt},
    {"varByte", varByte},         {"varWord", varWord},         {"varLongWord", varLongWord},
    {"varInt64", varInt64},       {"varStrArg", varStrArg},     {"varString", varString},
    {"varAny", varAny},           {"varTypeMask", varTypeMask}, {"varArray", varArray},
    {"varByRef", varByRef},
};

struct TTypeEntry {
    const char *Name;
    TfsVarType Typ;
};

const TTypeEntry Types[] = {
    {"Byte", fvtInt},        {"Word", fvtInt},       {"Integer", fvtInt},
    {"Longint", fvtInt},     {"Cardinal", fvtInt},   {"TColor", fvtInt},
    {"Boolean", fvtBool},    {"Real", fvtFloat},     {"Single", fvtFloat},
    {"Double", fvtFloat},    {"Extended", fvtFloat}, {"Currency", fvtFloat},
    {"TDate", fvtFloat},     {"TTime", fvtFloat},    {"TDateTime", fvtFloat},
    {"Char", fvtChar},       {"String", fvtString},  {"Variant", fvtVariant},
    {"Pointer", fvtVariant}, {"Array", fvtArray},    {"Constructor", fvtConstructor},
};

} // namespace

TfsSysFunctions::TfsSysFunctions(TfsScript *AScript) : TfsRTTIModule(AScript)
{
    for (const TTypeEntry &Type : Types)
        AScript->AddType(Type.Name, Type.Typ);
    AScript->AddConst("True", "Boolean", Variant(true));
    AScript->AddConst("False", "Boolean", Variant(false));
    AScript->AddConst("nil", "Variant", Variant(0));
    AScript->AddConst("Null", "Variant", Null());
    AScript->Add("__StringHelper", std::make_unique<TfsStringHelper>());
    AScript->Add("__ArrayHelper",
                 std::make_unique<TfsArrayHelper>("__ArrayHelper", -1, fvtVariant, ""));
    for (const TFunctionEntry &Entry : Functions) {
        TFunction Call = Entry.Call;
        AScript->AddMethod(
            Entry.Syntax,
            [Call](TObject *, TClass, const AnsiString &, TfsMethodHelper *Caller) {
                return Call(*Caller);
            },
            Entry.Category);
    }
    for (const TVarCode &Code : VarCodes)
        AScript->AddConst(Code.Name, "Integer", Variant(Code.Code));
}

// ---------------------------------------------------------------- what every module uses

namespace fs
{

namespace
{

TfsCallMethodNewEvent Bind(TMemberCall Call)
{
    return [Call](TObject *Instance, TClass, const AnsiString &, TfsMethodHelper *Caller) {
        return Call(Instance, *Caller);
    };
}

bool IsConstructor(const char *Syntax)
{
    return AnsiString(Syntax).SubString(1, 11).LowerCase() == "constructor";
}

} // namespace

void AddEnums(TfsScript *Script, std::span<const TEnumDef> Enums)
{
    for (const TEnumDef &Enum : Enums) {
        if (Enum.IsSet)
            Script->AddEnumSet(Enum.Name, Enum.Names);
        else
            Script->AddEnum(Enum.Name, Enum.Names);
    }
}

void AddMembers(TfsClassVariable *Class, std::initializer_list<TMember> Members)
{
    for (const TMember &Member : Members) {
        if (IsConstructor(Member.Syntax))
            Class->AddConstructor(Member.Syntax, Bind(Member.Call));
        else
            Class->AddMethod(Member.Syntax, Bind(Member.Call));
    }
}

void AddProperty(TfsClassVariable *Class, const char *Name, const char *Type, TPropGet Get,
                 TPropSet Set)
{
    TfsSetValueEvent Setter;
    if (Set)
        Setter = [Set](TObject *Instance, TClass, const AnsiString &, const Variant &Value) {
            Set(Instance, Value);
        };
    Class->AddProperty(
        Name, Type, [Get](TObject *Instance, TClass, const AnsiString &) { return Get(Instance); },
        Setter);
}

void AddIndexProperty(TfsClassVariable *Class, TIndexKind Kind, const char *Name,
                      const char *Params, const char *Type, TIndexCall Call, bool ReadOnly)
{
    TfsCallMethodNewEvent Handler = [Call](TObject *Instance, TClass, const AnsiString &MethodName,
                                           TfsMethodHelper *Caller) {
        bool Setting =
            MethodName.Length() > 4 && MethodName.SubString(MethodName.Length() - 3, 4) == ".SET";
        return Call(Instance, *Caller, Setting);
    };
    if (Kind == TIndexKind::Default)
        Class->AddDefaultProperty(Name, Params, Type, Handler, ReadOnly);
    else
        Class->AddIndexProperty(Name, Params, Type, Handler, ReadOnly);
}

Variant Param(TfsMethodHelper &C, int Index)
{
    return C.GetVParam(Index);
}

AnsiString Str(TfsMethodHelper &C, int Index)
{
    return fsVarToStr(Param(C, Index));
}

int Int(TfsMethodHelper &C, int Index)
{
    return fsVarToInt(Param(C, Index));
}

double Float(TfsMethodHelper &C, int Index)
{
    return fsVarToFloat(Param(C, Index));
}

bool Bool(TfsMethodHelper &C, int Index)
{
    return fsVarToBool(Param(C, Index));
}

TObject *ObjOf(const Variant &Value, TClass Expected)
{
    TObject *Result = fsVariantToObject(Value);
    if (Result && !Result->InheritsFrom(Expected))
        throw Exception("Invalid class typecast: " + Result->ClassName() + " is not " +
                        Expected->ClassName());
    return Result;
}

TObject *Obj(TfsMethodHelper &C, int Index, TClass Expected)
{
    return ObjOf(Param(C, Index), Expected);
}

TClass CreatedClass(TfsMethodHelper &C)
{
    return C.CreatedClass ? C.CreatedClass : C.ClassRef;
}

} // namespace fs
