#include "platform/rtl/TypInfo.h"

#include <algorithm>

namespace
{

[[noreturn]] void InvalidType(PPropInfo PropInfo)
{
    throw EPropertyConvertError("Invalid property type: " + PropInfo->PropType->Name);
}

[[noreturn]] void InvalidElement(const AnsiString &Name)
{
    throw EPropertyConvertError("Invalid property element: " + Name);
}

void RequireKind(PPropInfo PropInfo, TTypeKinds Kinds)
{
    if (!Kinds.Contains(PropInfo->PropType->Kind)) InvalidType(PropInfo);
}

const TTypeKinds OrdinalKinds{tkInteger, tkChar, tkEnumeration, tkSet, tkWChar, tkInt64};
const TTypeKinds StringKinds{tkString, tkLString};

bool IsBooleanType(PTypeInfo Type)
{
    return Type == TypeInfo<bool>();
}

bool IsDateType(PTypeInfo Type)
{
    return Type == rtl::TDateTimeInfo() || Type == rtl::TDateInfo() || Type == rtl::TTimeInfo();
}

const TPropList &AllProperties(TClass Class)
{
    static const TPropList None;
    for (; Class; Class = Class->ClassParent()) {
        const rtl::PropertyTable *Table = Class->Properties();
        if (!Table) continue;
        std::call_once(Table->Merged, [Table, Class] {
            // A property published again here leaves its place in the parent's list.
            TPropList List = AllProperties(Class->ClassParent());
            for (const auto &Own : Table->Own) {
                std::erase_if(List, [&](PPropInfo P) { return SameText(P->Name, Own->Name); });
                List.push_back(Own.get());
            }
            Table->All = std::move(List);
        });
        return Table->All;
    }
    return None;
}

AnsiString SplitName(const AnsiString &Text, int &Position)
{
    int Start = Position;
    while (Position <= Text.Length() && Text[Position] != ',')
        ++Position;
    AnsiString Name = Text.SubString(Start, Position - Start).Trim();
    ++Position;
    return Name;
}

} // namespace

namespace rtl
{

// ---- accessors of the wrong kind ----

[[noreturn]] static void WrongKind()
{
    throw EPropertyConvertError("Invalid property type");
}

long long TPropAccess::GetOrd(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetOrd(TObject *, long long) const
{
    WrongKind();
}
double TPropAccess::GetFloat(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetFloat(TObject *, double) const
{
    WrongKind();
}
AnsiString TPropAccess::GetStr(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetStr(TObject *, const AnsiString &) const
{
    WrongKind();
}
WideString TPropAccess::GetWideStr(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetWideStr(TObject *, const WideString &) const
{
    WrongKind();
}
Variant TPropAccess::GetVariant(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetVariant(TObject *, const Variant &) const
{
    WrongKind();
}
TObject *TPropAccess::GetObject(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetObject(TObject *, TObject *) const
{
    WrongKind();
}
TMethod TPropAccess::GetMethod(TObject *) const
{
    WrongKind();
}
void TPropAccess::SetMethod(TObject *, const TMethod &) const
{
    WrongKind();
}
MethodBinding TPropAccess::GetMethodBinding(TObject *) const
{
    WrongKind();
}

void InvalidPropertyValue()
{
    throw EPropertyConvertError("Invalid property value");
}
void ReadOnlyProperty()
{
    throw EPropertyError("Property is read-only");
}

long long CheckOrdinal(PTypeInfo Type, long long Value)
{
    bool Inside;
    if (Type->Kind == tkSet) {
        long long Members = Type->CompType->MaxValue + 1;
        Inside = Members >= 63 || (Value >= 0 && Value < (1LL << Members));
    } else {
        Inside = Value >= Type->MinValue && Value <= Type->MaxValue;
    }
    if (!Inside) throw ERangeError("Range check error");
    return Value;
}

void CheckPropertyType(const char *Name, PTypeInfo Type, bool Ordinal, bool Float, bool Str,
                       bool Wide)
{
    bool Fits = (OrdinalKinds.Contains(Type->Kind) == Ordinal) &&
                ((Type->Kind == tkFloat) == Float) && (StringKinds.Contains(Type->Kind) == Str) &&
                ((Type->Kind == tkWString) == Wide);
    if (!Fits) throw EPropertyError("Type " + Type->Name + " does not fit property " + Name);
}

// ---- type records ----

TTypeInfo MakeOrdinalInfo(const char *Name, TTypeKind Kind, TOrdType OrdType, long long Min,
                          long long Max)
{
    TTypeInfo Info;
    Info.Kind = Kind;
    Info.Name = Name;
    Info.OrdType = OrdType;
    Info.MinValue = Min;
    Info.MaxValue = Max;
    return Info;
}

TTypeInfo MakeFloatInfo(const char *Name, TFloatType FloatType)
{
    TTypeInfo Info;
    Info.Kind = tkFloat;
    Info.Name = Name;
    Info.FloatType = FloatType;
    return Info;
}

TTypeInfo MakeEnumInfo(const char *Name, const char *CommaNames)
{
    TTypeInfo Info;
    Info.Kind = tkEnumeration;
    Info.Name = Name;
    AnsiString Names = CommaNames;
    for (int Position = 1; Position <= Names.Length();)
        Info.EnumNames.push_back(SplitName(Names, Position));
    Info.MaxValue = static_cast<long long>(Info.EnumNames.size()) - 1;
    Info.OrdType = Info.MaxValue < 256 ? otUByte : otUWord;
    return Info;
}

TTypeInfo MakeSetInfo(const char *Name, PTypeInfo CompType)
{
    TTypeInfo Info;
    Info.Kind = tkSet;
    Info.Name = Name;
    Info.CompType = CompType;
    Info.OrdType = otULong;
    return Info;
}

TTypeInfo MakeClassInfo(TClass Class)
{
    TTypeInfo Info;
    Info.Kind = tkClass;
    Info.Name = Class->ClassName();
    Info.ClassType = Class;
    return Info;
}

TTypeInfo MakeMethodInfo(const char *Name, const std::type_info &Type)
{
    TTypeInfo Info;
    Info.Kind = tkMethod;
    Info.Name = Name;
    Info.Method = &Type;
    return Info;
}

PTypeInfo TypeInfoFor<bool>::Get()
{
    static const TTypeInfo Info = MakeEnumInfo("Boolean", "False, True");
    return &Info;
}

PTypeInfo TypeInfoFor<AnsiString>::Get()
{
    static const TTypeInfo Info = [] {
        TTypeInfo Result;
        Result.Kind = tkLString;
        Result.Name = "AnsiString";
        return Result;
    }();
    return &Info;
}

PTypeInfo TypeInfoFor<WideString>::Get()
{
    static const TTypeInfo Info = [] {
        TTypeInfo Result;
        Result.Kind = tkWString;
        Result.Name = "WideString";
        return Result;
    }();
    return &Info;
}

PTypeInfo TypeInfoFor<Variant>::Get()
{
    static const TTypeInfo Info = [] {
        TTypeInfo Result;
        Result.Kind = tkVariant;
        Result.Name = "Variant";
        return Result;
    }();
    return &Info;
}

#define QRV4_NAMED_INFO(Function, Expr)                                                            \
    PTypeInfo Function()                                                                           \
    {                                                                                              \
        static const TTypeInfo Info = Expr;                                                        \
        return &Info;                                                                              \
    }
QRV4_NAMED_INFO(TColorInfo, MakeOrdinalInfo("TColor", tkInteger, otSLong, INT_MIN, INT_MAX))
QRV4_NAMED_INFO(TCursorInfo, MakeOrdinalInfo("TCursor", tkInteger, otSWord, SHRT_MIN, SHRT_MAX))
QRV4_NAMED_INFO(TModalResultInfo,
                MakeOrdinalInfo("TModalResult", tkInteger, otSLong, INT_MIN, INT_MAX))
QRV4_NAMED_INFO(TShortCutInfo, MakeOrdinalInfo("TShortCut", tkInteger, otUWord, 0, USHRT_MAX))
QRV4_NAMED_INFO(TFontCharsetInfo, MakeOrdinalInfo("TFontCharset", tkInteger, otUByte, 0, UCHAR_MAX))
QRV4_NAMED_INFO(TDateTimeInfo, MakeFloatInfo("TDateTime", ftDouble))
QRV4_NAMED_INFO(TDateInfo, MakeFloatInfo("TDate", ftDouble))
QRV4_NAMED_INFO(TTimeInfo, MakeFloatInfo("TTime", ftDouble))
QRV4_NAMED_INFO(TFontNameInfo, [] {
    TTypeInfo Result = *TypeInfo<AnsiString>();
    Result.Name = "TFontName";
    return Result;
}())
QRV4_NAMED_INFO(TComponentNameInfo, [] {
    TTypeInfo Result = *TypeInfo<AnsiString>();
    Result.Name = "TComponentName";
    return Result;
}())
#undef QRV4_NAMED_INFO

} // namespace rtl

namespace
{

// The two properties every component publishes; the name is written by the
// streaming code itself, so it is not stored as a property.
void PublishComponent(rtl::Publisher<TComponent> &P)
{
    P.Property("Name", &TComponent::Name, &TComponent::SetName, rtl::TComponentNameInfo())
        .Stored(false);
    P.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

[[maybe_unused]] const bool ComponentPublished = rtl::PublishClass<TComponent>(&PublishComponent);

} // namespace

// ---- finding properties ----

PPropInfo GetPropInfo(TClass AClass, const AnsiString &PropName, TTypeKinds AKinds)
{
    for (; AClass; AClass = AClass->ClassParent()) {
        const rtl::PropertyTable *Table = AClass->Properties();
        if (!Table) continue;
        for (const auto &Info : Table->Own)
            if (SameText(Info->Name, PropName))
                return AKinds.Contains(Info->PropType->Kind) ? Info.get() : nullptr;
    }
    return nullptr;
}

PPropInfo GetPropInfo(const TObject *Instance, const AnsiString &PropName, TTypeKinds AKinds)
{
    return GetPropInfo(Instance->ClassType(), PropName, AKinds);
}

PPropInfo FindPropInfo(const TObject *Instance, const AnsiString &PropName)
{
    PPropInfo Info = GetPropInfo(Instance, PropName);
    if (!Info) throw EPropertyError("Property " + PropName + " does not exist");
    return Info;
}

TPropList GetPropList(TClass AClass, TTypeKinds AKinds)
{
    TPropList List = AllProperties(AClass);
    if (AKinds != tkAny)
        std::erase_if(List, [&](PPropInfo P) { return !AKinds.Contains(P->PropType->Kind); });
    return List;
}

TPropList GetPropList(const TObject *Instance, TTypeKinds AKinds)
{
    return GetPropList(Instance->ClassType(), AKinds);
}

void SortPropList(TPropList &List)
{
    std::stable_sort(List.begin(), List.end(),
                     [](PPropInfo A, PPropInfo B) { return CompareText(A->Name, B->Name) < 0; });
}

bool IsPublishedProp(const TObject *Instance, const AnsiString &PropName)
{
    return GetPropInfo(Instance, PropName) != nullptr;
}

TTypeKind PropType(const TObject *Instance, const AnsiString &PropName)
{
    return FindPropInfo(Instance, PropName)->PropType->Kind;
}

bool PropIsType(const TObject *Instance, const AnsiString &PropName, TTypeKind TypeKind)
{
    return PropType(Instance, PropName) == TypeKind;
}

bool IsStoredProp(TObject *Instance, PPropInfo PropInfo)
{
    return PropInfo->IsStored(Instance);
}

bool IsStoredProp(TObject *Instance, const AnsiString &PropName)
{
    return IsStoredProp(Instance, FindPropInfo(Instance, PropName));
}

bool IsDefaultPropertyValue(TObject *Instance, PPropInfo PropInfo)
{
    const rtl::TPropAccess &Access = PropInfo->Access();
    switch (PropInfo->PropType->Kind) {
    case tkFloat:
        return Access.GetFloat(Instance) == PropInfo->FloatDefault;
    case tkString:
    case tkLString:
        return Access.GetStr(Instance).IsEmpty();
    case tkWString:
        return Access.GetWideStr(Instance).IsEmpty();
    case tkVariant:
        return VarIsEmpty(Access.GetVariant(Instance));
    case tkClass: {
        TObject *Value = Access.GetObject(Instance);
        return !Value || (Value->InheritsFrom(TCollection::StaticClass()) &&
                          static_cast<TCollection *>(Value)->Count() == 0);
    }
    case tkMethod:
        return !Access.GetMethod(Instance).has_value();
    default:
        return PropInfo->Default != NoDefault && Access.GetOrd(Instance) == PropInfo->Default;
    }
}

// ---- ordinals, enumerations, sets ----

long long GetOrdProp(TObject *Instance, PPropInfo PropInfo)
{
    RequireKind(PropInfo, OrdinalKinds + TTypeKinds{tkClass});
    return PropInfo->Access().GetOrd(Instance);
}

long long GetOrdProp(TObject *Instance, const AnsiString &PropName)
{
    return GetOrdProp(Instance, FindPropInfo(Instance, PropName));
}

void SetOrdProp(TObject *Instance, PPropInfo PropInfo, long long Value)
{
    if (PropInfo->PropType->Kind == tkClass) {
        if (Value < INT_MIN || Value > INT_MAX) InvalidElement(IntToStr(Value));
        return SetObjectProp(Instance, PropInfo, rtl::HandleToObject(static_cast<int>(Value)));
    }
    RequireKind(PropInfo, OrdinalKinds);
    PropInfo->Access().SetOrd(Instance, Value);
}

void SetOrdProp(TObject *Instance, const AnsiString &PropName, long long Value)
{
    SetOrdProp(Instance, FindPropInfo(Instance, PropName), Value);
}

AnsiString GetEnumProp(TObject *Instance, PPropInfo PropInfo)
{
    RequireKind(PropInfo, TTypeKinds{tkEnumeration});
    return GetEnumName(PropInfo->PropType, static_cast<int>(PropInfo->Access().GetOrd(Instance)));
}

AnsiString GetEnumProp(TObject *Instance, const AnsiString &PropName)
{
    return GetEnumProp(Instance, FindPropInfo(Instance, PropName));
}

void SetEnumProp(TObject *Instance, PPropInfo PropInfo, const AnsiString &Value)
{
    RequireKind(PropInfo, TTypeKinds{tkEnumeration});
    int Ordinal = GetEnumValue(PropInfo->PropType, Value);
    if (Ordinal < 0) InvalidElement(Value);
    PropInfo->Access().SetOrd(Instance, Ordinal);
}

void SetEnumProp(TObject *Instance, const AnsiString &PropName, const AnsiString &Value)
{
    SetEnumProp(Instance, FindPropInfo(Instance, PropName), Value);
}

AnsiString GetSetProp(TObject *Instance, PPropInfo PropInfo, bool Brackets)
{
    RequireKind(PropInfo, TTypeKinds{tkSet});
    return SetToString(PropInfo, static_cast<int>(PropInfo->Access().GetOrd(Instance)), Brackets);
}

AnsiString GetSetProp(TObject *Instance, const AnsiString &PropName, bool Brackets)
{
    return GetSetProp(Instance, FindPropInfo(Instance, PropName), Brackets);
}

void SetSetProp(TObject *Instance, PPropInfo PropInfo, const AnsiString &Value)
{
    RequireKind(PropInfo, TTypeKinds{tkSet});
    PropInfo->Access().SetOrd(Instance, StringToSet(PropInfo, Value));
}

void SetSetProp(TObject *Instance, const AnsiString &PropName, const AnsiString &Value)
{
    SetSetProp(Instance, FindPropInfo(Instance, PropName), Value);
}

AnsiString GetEnumName(PTypeInfo TypeInfo, int Value)
{
    if (TypeInfo->Kind == tkEnumeration && Value >= 0 &&
        Value < static_cast<int>(TypeInfo->EnumNames.size()))
        return TypeInfo->EnumNames[Value];
    return IntToStr(Value);
}

int GetEnumValue(PTypeInfo TypeInfo, const AnsiString &Name)
{
    if (TypeInfo->Kind != tkEnumeration) {
        int Value;
        return TryStrToInt(Name, Value) ? Value : -1;
    }
    const auto &Names = TypeInfo->EnumNames;
    for (std::size_t Index = 0; Index < Names.size(); ++Index)
        if (SameText(Names[Index], Name)) return static_cast<int>(Index);
    return -1;
}

AnsiString SetToString(PTypeInfo SetType, int Value, bool Brackets)
{
    AnsiString Result;
    PTypeInfo Element = SetType->CompType;
    for (int Bit = 0; Bit < 32; ++Bit) {
        if (!(static_cast<unsigned>(Value) & (1u << Bit))) continue;
        if (!Result.IsEmpty()) Result += ',';
        Result += GetEnumName(Element, Bit);
    }
    return Brackets ? "[" + Result + "]" : Result;
}

AnsiString SetToString(PPropInfo PropInfo, int Value, bool Brackets)
{
    return SetToString(PropInfo->PropType, Value, Brackets);
}

int StringToSet(PTypeInfo SetType, const AnsiString &Value)
{
    AnsiString Text = Value.Trim();
    if (Text.Length() >= 2 && Text[1] == '[' && Text[Text.Length()] == ']')
        Text = Text.SubString(2, Text.Length() - 2);
    unsigned Result = 0;
    for (int Position = 1; Position <= Text.Length();) {
        AnsiString Name = SplitName(Text, Position);
        if (Name.IsEmpty()) continue;
        int Bit = GetEnumValue(SetType->CompType, Name);
        if (Bit < 0 || Bit >= 32) InvalidElement(Name);
        Result |= 1u << Bit;
    }
    return static_cast<int>(Result);
}

int StringToSet(PPropInfo PropInfo, const AnsiString &Value)
{
    return StringToSet(PropInfo->PropType, Value);
}

// ---- floats, strings, variants ----

double GetFloatProp(TObject *Instance, PPropInfo PropInfo)
{
    RequireKind(PropInfo, TTypeKinds{tkFloat});
    return PropInfo->Access().GetFloat(Instance);
}

double GetFloatProp(TObject *Instance, const AnsiString &PropName)
{
    return GetFloatProp(Instance, FindPropInfo(Instance, PropName));
}

void SetFloatProp(TObject *Instance, PPropInfo PropInfo, double Value)
{
    RequireKind(PropInfo, TTypeKinds{tkFloat});
    PropInfo->Access().SetFloat(Instance, Value);
}

void SetFloatProp(TObject *Instance, const AnsiString &PropName, double Value)
{
    SetFloatProp(Instance, FindPropInfo(Instance, PropName), Value);
}

AnsiString GetStrProp(TObject *Instance, PPropInfo PropInfo)
{
    if (PropInfo->PropType->Kind == tkWString)
        return AnsiString(PropInfo->Access().GetWideStr(Instance));
    RequireKind(PropInfo, StringKinds);
    return PropInfo->Access().GetStr(Instance);
}

AnsiString GetStrProp(TObject *Instance, const AnsiString &PropName)
{
    return GetStrProp(Instance, FindPropInfo(Instance, PropName));
}

void SetStrProp(TObject *Instance, PPropInfo PropInfo, const AnsiString &Value)
{
    if (PropInfo->PropType->Kind == tkWString)
        return PropInfo->Access().SetWideStr(Instance, WideString(Value));
    RequireKind(PropInfo, StringKinds);
    PropInfo->Access().SetStr(Instance, Value);
}

void SetStrProp(TObject *Instance, const AnsiString &PropName, const AnsiString &Value)
{
    SetStrProp(Instance, FindPropInfo(Instance, PropName), Value);
}

WideString GetWideStrProp(TObject *Instance, PPropInfo PropInfo)
{
    if (PropInfo->PropType->Kind != tkWString) return WideString(GetStrProp(Instance, PropInfo));
    return PropInfo->Access().GetWideStr(Instance);
}

WideString GetWideStrProp(TObject *Instance, const AnsiString &PropName)
{
    return GetWideStrProp(Instance, FindPropInfo(Instance, PropName));
}

void SetWideStrProp(TObject *Instance, PPropInfo PropInfo, const WideString &Value)
{
    if (PropInfo->PropType->Kind != tkWString)
        return SetStrProp(Instance, PropInfo, AnsiString(Value));
    PropInfo->Access().SetWideStr(Instance, Value);
}

void SetWideStrProp(TObject *Instance, const AnsiString &PropName, const WideString &Value)
{
    SetWideStrProp(Instance, FindPropInfo(Instance, PropName), Value);
}

Variant GetVariantProp(TObject *Instance, PPropInfo PropInfo)
{
    RequireKind(PropInfo, TTypeKinds{tkVariant});
    return PropInfo->Access().GetVariant(Instance);
}

Variant GetVariantProp(TObject *Instance, const AnsiString &PropName)
{
    return GetVariantProp(Instance, FindPropInfo(Instance, PropName));
}

void SetVariantProp(TObject *Instance, PPropInfo PropInfo, const Variant &Value)
{
    RequireKind(PropInfo, TTypeKinds{tkVariant});
    PropInfo->Access().SetVariant(Instance, Value);
}

void SetVariantProp(TObject *Instance, const AnsiString &PropName, const Variant &Value)
{
    SetVariantProp(Instance, FindPropInfo(Instance, PropName), Value);
}

// ---- objects and methods ----

TObject *GetObjectProp(TObject *Instance, PPropInfo PropInfo, TClass MinClass)
{
    RequireKind(PropInfo, TTypeKinds{tkClass});
    TObject *Result = PropInfo->Access().GetObject(Instance);
    return MinClass && Result && !Result->InheritsFrom(MinClass) ? nullptr : Result;
}

TObject *GetObjectProp(TObject *Instance, const AnsiString &PropName, TClass MinClass)
{
    return GetObjectProp(Instance, FindPropInfo(Instance, PropName), MinClass);
}

TClass GetObjectPropClass(PPropInfo PropInfo)
{
    return PropInfo->PropType->ClassType;
}

void SetObjectProp(TObject *Instance, PPropInfo PropInfo, TObject *Value)
{
    RequireKind(PropInfo, TTypeKinds{tkClass});
    PropInfo->Access().SetObject(Instance, Value);
}

void SetObjectProp(TObject *Instance, const AnsiString &PropName, TObject *Value)
{
    SetObjectProp(Instance, FindPropInfo(Instance, PropName), Value);
}

TMethod GetMethodProp(TObject *Instance, PPropInfo PropInfo)
{
    RequireKind(PropInfo, tkMethods);
    return PropInfo->Access().GetMethod(Instance);
}

TMethod GetMethodProp(TObject *Instance, const AnsiString &PropName)
{
    return GetMethodProp(Instance, FindPropInfo(Instance, PropName));
}

void SetMethodProp(TObject *Instance, PPropInfo PropInfo, const TMethod &Value)
{
    RequireKind(PropInfo, tkMethods);
    PropInfo->Access().SetMethod(Instance, Value);
}

void SetMethodProp(TObject *Instance, const AnsiString &PropName, const TMethod &Value)
{
    SetMethodProp(Instance, FindPropInfo(Instance, PropName), Value);
}

rtl::MethodBinding GetMethodBinding(TObject *Instance, PPropInfo PropInfo)
{
    RequireKind(PropInfo, tkMethods);
    return PropInfo->Access().GetMethodBinding(Instance);
}

TMethod BindPublishedMethod(TObject *Instance, const AnsiString &Name)
{
    for (TClass Class = Instance->ClassType(); Class; Class = Class->ClassParent()) {
        const rtl::PropertyTable *Table = Class->Properties();
        if (!Table) continue;
        for (const TMethodInfo &Method : Table->Methods)
            if (SameText(Method.Name, Name)) return Method.Bind(Instance);
    }
    return TMethod();
}

// ---- any property as a variant ----

Variant GetPropValue(TObject *Instance, PPropInfo PropInfo, bool PreferStrings)
{
    PTypeInfo Type = PropInfo->PropType;
    const rtl::TPropAccess &Access = PropInfo->Access();
    switch (Type->Kind) {
    case tkEnumeration:
        if (IsBooleanType(Type)) return Variant(Access.GetOrd(Instance) != 0);
        if (PreferStrings) return Variant(GetEnumProp(Instance, PropInfo));
        return Variant(static_cast<int>(Access.GetOrd(Instance)));
    case tkSet:
        if (PreferStrings) return Variant(GetSetProp(Instance, PropInfo));
        return Variant(static_cast<int>(Access.GetOrd(Instance)));
    case tkInteger:
    case tkChar:
    case tkWChar:
        return VarAsType(Variant(Access.GetOrd(Instance)), varInteger);
    case tkInt64:
        return Variant(Access.GetOrd(Instance));
    case tkFloat:
        if (IsDateType(Type)) return Variant::FromDateTime(Access.GetFloat(Instance));
        if (Type->FloatType == ftCurr) return Variant(Currency(Access.GetFloat(Instance)));
        return Variant(Access.GetFloat(Instance));
    case tkString:
    case tkLString:
        return Variant(Access.GetStr(Instance));
    case tkWString:
        return Variant(Access.GetWideStr(Instance));
    case tkVariant:
        return Access.GetVariant(Instance);
    case tkClass:
        return VarFromObject(Access.GetObject(Instance));
    default:
        InvalidType(PropInfo);
    }
}

Variant GetPropValue(TObject *Instance, const AnsiString &PropName, bool PreferStrings)
{
    return GetPropValue(Instance, FindPropInfo(Instance, PropName), PreferStrings);
}

namespace
{

long long CharValue(const Variant &Value)
{
    if (!VarIsStr(Value)) return Value.AsInt64();
    WideString Text = Value.AsWideString();
    return Text.IsEmpty() ? 0 : Text[1];
}

long long EnumValue(PPropInfo PropInfo, const Variant &Value)
{
    if (IsBooleanType(PropInfo->PropType)) return Value.AsBoolean() ? 1 : 0;
    if (!VarIsStr(Value)) return Value.AsInt64();
    int Ordinal = GetEnumValue(PropInfo->PropType, Value.AsString().Trim());
    if (Ordinal >= 0) return Ordinal;
    if (TryStrToInt(Value.AsString(), Ordinal)) return Ordinal;
    InvalidElement(Value.AsString());
}

} // namespace

void SetPropValue(TObject *Instance, PPropInfo PropInfo, const Variant &Value)
{
    PTypeInfo Type = PropInfo->PropType;
    const rtl::TPropAccess &Access = PropInfo->Access();
    switch (Type->Kind) {
    case tkEnumeration:
        return Access.SetOrd(Instance, EnumValue(PropInfo, Value));
    case tkSet:
        if (VarIsStr(Value)) return Access.SetOrd(Instance, StringToSet(Type, Value.AsString()));
        return Access.SetOrd(Instance, Value.AsInt64());
    case tkChar:
    case tkWChar:
        if (Type->Kind == tkChar && VarIsStr(Value)) {
            AnsiString Text = Value.AsString();
            return Access.SetOrd(Instance,
                                 Text.IsEmpty() ? 0 : static_cast<unsigned char>(Text[1]));
        }
        return Access.SetOrd(Instance, CharValue(Value));
    case tkInteger:
    case tkInt64:
        return Access.SetOrd(Instance, Value.AsInt64());
    case tkFloat:
        return Access.SetFloat(Instance, IsDateType(Type) ? Value.AsDateTime() : Value.AsDouble());
    case tkString:
    case tkLString:
        return Access.SetStr(Instance, VarToStr(Value));
    case tkWString:
        return Access.SetWideStr(Instance, VarToWideStr(Value));
    case tkVariant:
        return Access.SetVariant(Instance, Value);
    case tkClass:
        return Access.SetObject(Instance, VarToObject(Value));
    default:
        InvalidType(PropInfo);
    }
}

void SetPropValue(TObject *Instance, const AnsiString &PropName, const Variant &Value)
{
    SetPropValue(Instance, FindPropInfo(Instance, PropName), Value);
}
