#include "script/fs_ihelpers.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "script/fs_iconst.h"
#include "script/fs_itools.h"

#include <algorithm>

namespace
{

// The object a member is used on. A member of a host class needs a live object of
// that class (or a descendant): a forged number, a freed object or an object of
// another class ends in a script error instead of a wild call. Nil reaches only a
// member that takes it.
TObject *MemberInstance(const TfsCustomHelper &Helper, TClass ClassRef, bool NilAllowed = false)
{
    if (!ClassRef) return nullptr;
    TObject *Instance = fsVariantToObject(Helper.ParentValue);
    if (!Instance && NilAllowed) return nullptr;
    if (!Instance) throw Exception("Invalid object reference");
    if (!Instance->InheritsFrom(ClassRef))
        throw Exception("Invalid class typecast: " + Instance->ClassName() + " is not " +
                        AnsiString(ClassRef->ClassName()));
    return Instance;
}

// A published property read through type information, by its kind.
Variant ReadPublished(TObject *Instance, PPropInfo Info)
{
    switch (Info->PropType->Kind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
        return Variant(static_cast<int>(GetOrdProp(Instance, Info)));
    case tkInt64:
        return Variant(GetOrdProp(Instance, Info));
    case tkClass:
        return fsObjectToVariant(GetObjectProp(Instance, Info));
    case tkChar:
    case tkWChar:
        return Variant(AnsiString(static_cast<char>(GetOrdProp(Instance, Info))));
    case tkFloat:
        return Variant(GetFloatProp(Instance, Info));
    case tkString:
    case tkLString:
        return Variant(GetStrProp(Instance, Info));
    case tkWString:
        return Variant(GetWideStrProp(Instance, Info));
    case tkVariant:
        return GetVariantProp(Instance, Info);
    default:
        return fsNull();
    }
}

void WritePublished(TObject *Instance, PPropInfo Info, TfsVarType Typ, const Variant &Value)
{
    switch (Info->PropType->Kind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        SetOrdProp(Instance, Info,
                   Typ == fvtBool ? (fsVarToBool(Value) ? 1 : 0) : fsVarToInt64(Value));
        break;
    case tkClass:
        SetObjectProp(Instance, Info, fsVariantToObject(Value));
        break;
    case tkChar:
    case tkWChar: {
        AnsiString Text = fsVarToStr(Value);
        SetOrdProp(Instance, Info, Text.IsEmpty() ? 0 : static_cast<unsigned char>(Text[1]));
        break;
    }
    case tkFloat:
        SetFloatProp(Instance, Info, fsVarToFloat(Value));
        break;
    case tkString:
    case tkLString:
        SetStrProp(Instance, Info, fsVarToStr(Value));
        break;
    case tkWString:
        SetWideStrProp(Instance, Info, Value.AsWideString());
        break;
    case tkVariant:
        SetVariantProp(Instance, Info, Value);
        break;
    default:
        break;
    }
}

} // namespace

// ---------------------------------------------------------------- indexers

TfsArrayHelper::TfsArrayHelper(const AnsiString &AName, int DimCount, TfsVarType ATyp,
                               const AnsiString &ATypeName)
    : TfsCustomHelper(AName, ATyp, ATypeName)
{
    int Count = DimCount < 0 ? 3 : DimCount;
    for (int I = 0; I < Count; ++I)
        AddParam(std::make_unique<TfsParamItem>(AnsiString("p") + AnsiString(I), fvtInt, "",
                                                DimCount < 0 && I > 0, false));
}

TfsArrayHelper::TIndices TfsArrayHelper::Indices(const Variant &Arr) const
{
    if (!VarIsArray(Arr)) throw Exception("Variant is not an array");
    int Dims = VarArrayDimCount(Arr);
    if (Dims > Count()) throw Exception("Variant or safe array index out of bounds");
    TIndices Result;
    for (; Result.Count < Dims; ++Result.Count)
        Result.Values[Result.Count] = fsVarToInt(*Params(Result.Count)->PValue());
    return Result;
}

Variant *TfsArrayHelper::Storage() const
{
    // A plain variable keeps the array itself: reads and writes go there in place.
    if (dynamic_cast<TfsVariable *>(ParentRef) || dynamic_cast<TfsParamItem *>(ParentRef))
        return ParentRef->PValue();
    return nullptr;
}

Variant TfsArrayHelper::GetValue()
{
    const Variant *Arr = Storage();
    return ElementOf(Arr ? *Arr : ParentValue);
}

void TfsArrayHelper::SetValue(const Variant &AValue)
{
    if (Variant *Arr = Storage()) {
        PutElementOf(*Arr, Variant(AValue));
        return;
    }
    Variant Arr = ParentValue;
    PutElementOf(Arr, Variant(AValue));
    if (ParentRef) ParentRef->SetValue(Arr);
}

Variant TfsArrayHelper::ElementOf(const Variant &Arr) const
{
    // A value that holds no array has no elements to read; a write there raises
    // instead, so that no assignment is lost without a word.
    if (!Arr.IsArray()) return fsNull();
    return fsArrayGet(Arr, Indices(Arr).Span());
}

void TfsArrayHelper::PutElementOf(Variant &Arr, Variant &&Value) const
{
    fsArrayPut(Arr, Indices(Arr).Span(), std::move(Value));
}

TfsStringHelper::TfsStringHelper() : TfsCustomHelper("__StringHelper", fvtChar, "")
{
    AddParam(std::make_unique<TfsParamItem>("Index", fvtInt, "", false, false));
}

namespace
{

int StringIndex(std::string_view Text, const Variant &Index)
{
    int I = fsVarToInt(Index);
    if (I < 1 || static_cast<std::size_t>(I) > Text.size())
        throw ERangeError("String index out of range: " + AnsiString(I));
    return I;
}

} // namespace

Variant TfsStringHelper::GetValue()
{
    // A text is read where it lies: one character of a long text costs one.
    if (VarType(ParentValue) == varString) {
        std::string_view Text = ParentValue.RawText();
        return Variant(Text[StringIndex(Text, Params(0)->GetValue()) - 1]);
    }
    AnsiString Text = fsVarToStr(ParentValue);
    return Variant(Text[StringIndex(Text.View(), Params(0)->GetValue())]);
}

void TfsStringHelper::SetValue(const Variant &AValue)
{
    AnsiString Text = fsVarToStr(ParentValue);
    int I = StringIndex(Text.View(), Params(0)->GetValue());
    AnsiString Ch = fsVarToStr(AValue);
    if (Ch.IsEmpty()) return;
    Text[I] = Ch[1];
    if (ParentRef) ParentRef->SetValue(Variant(Text));
}

// ---------------------------------------------------------------- properties

TfsPropertyHelper::TfsPropertyHelper(const AnsiString &AName, TfsVarType ATyp,
                                     const AnsiString &ATypeName)
    : TfsCustomHelper(AName, ATyp, ATypeName)
{
}

Variant TfsPropertyHelper::GetValue()
{
    TObject *Instance = MemberInstance(*this, ClassRef);
    Variant Result = fsNull();
    if (Published)
        Result = ReadPublished(Instance, Published);
    else if (OnGetValue)
        Result = OnGetValue(Instance, ClassRef, UpperName());
    // A host's True may arrive as -1 or 1; any non-zero number is true.
    if (Typ() == fvtBool && !VarIsNull(Result)) Result = Variant(fsVarToBool(Result));
    return Result;
}

void TfsPropertyHelper::SetValue(const Variant &AValue)
{
    if (IsReadOnly) return;
    TObject *Instance = MemberInstance(*this, ClassRef);
    if (Published)
        WritePublished(Instance, Published, Typ(), AValue);
    else if (OnSetValue)
        OnSetValue(Instance, ClassRef, UpperName(), AValue);
}

// ---------------------------------------------------------------- methods

TfsMethodHelper::TfsMethodHelper(const AnsiString &Syntax, TfsScript *Script)
    : TfsCustomHelper("", fvtVariant, ""), FSyntax(Syntax), FSetValue(fsNull())
{
    std::unique_ptr<TfsCustomVariable> Parsed = ParseMethodSyntax(Syntax, Script);
    SetName(Parsed->Name());
    SetTyp(Parsed->Typ());
    SetTypeName(Parsed->TypeName());
    IsMacro = Parsed->IsMacro;
    IsConstructor = Parsed->Typ() == fvtConstructor;
    Swap(*Parsed);
    IsReadOnly = true;
    Prog = Script;
}

Variant TfsMethodHelper::Call(const AnsiString &MethodName, bool Assigning, const Variant &Assigned)
{
    // A constructor makes its own object; every other member needs one.
    TObject *Instance = IsConstructor ? nullptr : MemberInstance(*this, ClassRef, NilAllowed);
    TClass Class = ClassRef;
    if (OnCallNew) {
        // Outside an assignment the value is null already: a call that reads only
        // (most of them) leaves it alone.
        if (!Assigning && FSetValue.Type() == varNull)
            return OnCallNew(Instance, Class, MethodName, this);
        FSetValue = Assigning ? Assigned : fsNull();
        struct TClearValue {
            Variant &V;
            ~TClearValue() { V = fsNull(); }
        } Clear{FSetValue};
        return OnCallNew(Instance, Class, MethodName, this);
    }
    if (OnCall) {
        int N = Count();
        Variant Arr = fsArrayOf(N + 1);
        for (int I = 0; I < N; ++I)
            Arr.PutElement({I}, Params(I)->GetValue());
        if (Assigning) Arr.PutElement({N}, Assigned);
        Variant Result = OnCall(Instance, Class, MethodName, Arr);
        for (int I = 0; I < N; ++I)
            if (Params(I)->IsVarParam) Params(I)->SetValue(Arr.GetElement({I}));
        return Result;
    }
    return Variant(0);
}

Variant TfsMethodHelper::GetValue()
{
    if (IndexMethod) return Call(UpperName() + ".GET", false, fsNull());
    return Call(UpperName(), false, fsNull());
}

void TfsMethodHelper::SetValue(const Variant &AValue)
{
    if (IndexMethod && !IsReadOnly) Call(UpperName() + ".SET", true, AValue);
}

const Variant &TfsMethodHelper::VParam(int Index)
{
    if (Index == Count()) return FSetValue;
    if (Index < 0 || Index > Count())
        throw ERangeError("Parameter index out of range: " + AnsiString(Index));
    return *Params(Index)->PValue();
}

void TfsMethodHelper::SetVParam(int Index, const Variant &Value)
{
    if (Index < 0 || Index >= Count())
        throw ERangeError("Parameter index out of range: " + AnsiString(Index));
    Params(Index)->SetValue(Value);
}

// ---------------------------------------------------------------- components and events

TfsComponentHelper::TfsComponentHelper(TComponent *AComponent)
    : TfsCustomHelper(AComponent->Name(), fvtClass, AComponent->ClassName()), FComponent(AComponent)
{
    IsReadOnly = true;
}

Variant TfsComponentHelper::GetValue()
{
    return fsObjectToVariant(FComponent);
}

TfsEventHelper::TfsEventHelper(const AnsiString &AName, TfsEventFactory AFactory)
    : TfsCustomHelper(AName, fvtString, ""), FFactory(std::move(AFactory))
{
}

Variant TfsEventHelper::GetValue()
{
    return Variant(AnsiString());
}

void TfsEventHelper::SetValue(const Variant &AValue)
{
    TObject *Instance = fsVariantToObject(ParentValue);
    if (!Instance) throw Exception("Invalid object reference");
    AnsiString Text = fsVarToStr(AValue);
    TfsProcVariable *Proc = nullptr;
    if (Text != "0") {
        Proc = dynamic_cast<TfsProcVariable *>(Prog->Find(Text));
        if (!Proc) throw Exception(SEventError);
    }
    std::unique_ptr<TfsCustomEvent> Bridge = FFactory(Instance, Proc);
    // A handler with another parameter list would be called with the wrong arguments.
    if (Proc && Proc->Count() != Bridge->ArgCount()) throw Exception(SEventError);
    // The bridge bound earlier to this event of this object goes first: it unhooks itself.
    for (int I = Prog->Count() - 1; I >= 0; --I) {
        auto *Old = dynamic_cast<TfsCustomEvent *>(Prog->Items(I));
        if (Old && Old->Instance() == Instance && Old->Key == this) {
            Prog->Remove(Old);
            std::unique_ptr<TObject> Freed(Old);
        }
    }
    Bridge->Key = this;
    Bridge->Install();
    if (Proc) Prog->Add("", std::move(Bridge));
}

// ---------------------------------------------------------------- class variable

TfsClassVariable::TfsClassVariable(TClass AClassRef, const AnsiString &AAncestor)
    : TfsCustomVariable(AClassRef->ClassName(), fvtClass, AClassRef->ClassName()),
      FClassRef(AClassRef), FAncestor(AAncestor), FMembers(std::make_unique<TfsItemList>())
{
    AddParam(std::make_unique<TfsParamItem>("", fvtVariant, "", true, false));
    AddPublishedProperties(AClassRef);
}

Variant TfsClassVariable::GetValue()
{
    // Without an argument the class names no object: the constructor that follows
    // creates one. With an argument it is a type cast.
    Variant Result = Params(0)->GetValue();
    Params(0)->SetValue(fsNull());
    return VarIsNull(Result) ? Variant(0) : Result;
}

template <class T> T *TfsClassVariable::AddMember(std::unique_ptr<T> Member)
{
    Member->Prog = Program;
    return FMembers->Add(std::move(Member));
}

TfsMethodHelper *TfsClassVariable::NewMethod(const AnsiString &Syntax)
{
    auto Helper = std::make_unique<TfsMethodHelper>(Syntax, Program);
    Helper->ClassRef = FClassRef;
    return AddMember(std::move(Helper));
}

TfsMethodHelper *TfsClassVariable::AddMethod(const AnsiString &Syntax, TfsCallMethodEvent CallEvent)
{
    TfsMethodHelper *Result = NewMethod(Syntax);
    Result->OnCall = std::move(CallEvent);
    return Result;
}

TfsMethodHelper *TfsClassVariable::AddMethod(const AnsiString &Syntax,
                                             TfsCallMethodNewEvent CallEvent)
{
    TfsMethodHelper *Result = NewMethod(Syntax);
    Result->OnCallNew = std::move(CallEvent);
    return Result;
}

namespace
{

AnsiString ConstructorSyntax(const AnsiString &Syntax)
{
    int Blank = Syntax.Pos(" ");
    return "function" + Syntax.SubString(Blank, Syntax.Length()) + ": Constructor";
}

AnsiString IndexSyntax(const AnsiString &Name, const AnsiString &Params, const AnsiString &Typ)
{
    auto Types = std::make_unique<TStringList>();
    Types->SetCommaText(Params);
    AnsiString List;
    for (int I = 0; I < Types->Count(); ++I) {
        if (I > 0) List += "; ";
        List += "p" + AnsiString(I) + ": " + Types->Strings(I);
    }
    return "function " + Name + "(" + List + "): " + Typ;
}

} // namespace

TfsMethodHelper *TfsClassVariable::AddConstructor(const AnsiString &Syntax,
                                                  TfsCallMethodNewEvent CallEvent)
{
    return AddMethod(ConstructorSyntax(Syntax), std::move(CallEvent));
}

TfsMethodHelper *TfsClassVariable::AddConstructor(const AnsiString &Syntax,
                                                  TfsCallMethodEvent CallEvent)
{
    return AddMethod(ConstructorSyntax(Syntax), std::move(CallEvent));
}

TfsPropertyHelper *TfsClassVariable::AddProperty(const AnsiString &Name, const AnsiString &Typ,
                                                 TfsGetValueEvent GetProp, TfsSetValueEvent SetProp)
{
    auto Helper = std::make_unique<TfsPropertyHelper>(Name, StrToVarType(Typ, Program), Typ);
    Helper->ClassRef = FClassRef;
    Helper->IsReadOnly = !SetProp;
    Helper->OnGetValue = std::move(GetProp);
    Helper->OnSetValue = std::move(SetProp);
    return AddMember(std::move(Helper));
}

TfsMethodHelper *TfsClassVariable::NewIndexProperty(const AnsiString &Name,
                                                    const AnsiString &Params, const AnsiString &Typ,
                                                    bool AReadOnly)
{
    TfsMethodHelper *Result = NewMethod(IndexSyntax(Name, Params, Typ));
    Result->IsReadOnly = AReadOnly;
    Result->IndexMethod = true;
    return Result;
}

TfsMethodHelper *TfsClassVariable::AddIndexProperty(const AnsiString &Name,
                                                    const AnsiString &Params, const AnsiString &Typ,
                                                    TfsCallMethodNewEvent CallEvent, bool AReadOnly)
{
    TfsMethodHelper *Result = NewIndexProperty(Name, Params, Typ, AReadOnly);
    Result->OnCallNew = std::move(CallEvent);
    return Result;
}

TfsMethodHelper *TfsClassVariable::AddIndexProperty(const AnsiString &Name,
                                                    const AnsiString &Params, const AnsiString &Typ,
                                                    TfsCallMethodEvent CallEvent, bool AReadOnly)
{
    TfsMethodHelper *Result = NewIndexProperty(Name, Params, Typ, AReadOnly);
    Result->OnCall = std::move(CallEvent);
    return Result;
}

TfsMethodHelper *TfsClassVariable::AddDefaultProperty(const AnsiString &Name,
                                                      const AnsiString &Params,
                                                      const AnsiString &Typ,
                                                      TfsCallMethodNewEvent CallEvent,
                                                      bool AReadOnly)
{
    DefProperty = AddIndexProperty(Name, Params, Typ, std::move(CallEvent), AReadOnly);
    return DefProperty;
}

TfsMethodHelper *TfsClassVariable::AddDefaultProperty(const AnsiString &Name,
                                                      const AnsiString &Params,
                                                      const AnsiString &Typ,
                                                      TfsCallMethodEvent CallEvent, bool AReadOnly)
{
    DefProperty = AddIndexProperty(Name, Params, Typ, std::move(CallEvent), AReadOnly);
    return DefProperty;
}

TfsEventHelper *TfsClassVariable::AddEvent(const AnsiString &Name, TfsEventFactory EventClass)
{
    return AddMember(std::make_unique<TfsEventHelper>(Name, std::move(EventClass)));
}

void TfsClassVariable::AddComponent(TComponent *Component)
{
    AddMember(std::make_unique<TfsComponentHelper>(Component));
}

namespace
{

TfsVarType PropVarType(PPropInfo Info, AnsiString &TypeName)
{
    PTypeInfo Type = Info->PropType;
    TypeName = Type->Name;
    switch (Type->Kind) {
    case tkInteger:
    case tkInt64:
        return fvtInt;
    case tkChar:
    case tkWChar:
        return fvtChar;
    case tkEnumeration:
        return AnsiSameText(TypeName, "Boolean") || AnsiSameText(TypeName, "bool") ? fvtBool
                                                                                   : fvtEnum;
    case tkFloat:
        return fvtFloat;
    case tkString:
    case tkLString:
    case tkWString:
        return fvtString;
    case tkSet:
        return fvtEnum;
    case tkClass:
        TypeName = Type->ClassType ? Type->ClassType->ClassName() : Type->Name;
        return fvtClass;
    case tkVariant:
        return fvtVariant;
    default:
        return fvtInt;
    }
}

} // namespace

void TfsClassVariable::AddPublishedProperties(TClass AClassRef)
{
    TPropList List = GetPropList(AClassRef, tkProperties);
    SortPropList(List);
    for (PPropInfo Info : List) {
        AnsiString TypeName;
        TfsVarType Typ = PropVarType(Info, TypeName);
        auto Helper = std::make_unique<TfsPropertyHelper>(Info->Name, Typ, TypeName);
        Helper->ClassRef = FClassRef;
        Helper->Published = Info;
        Helper->IsReadOnly = !Info->Writable();
        AddMember(std::move(Helper));
    }
}

TfsCustomHelper *TfsClassVariable::Find(const AnsiString &Name) const
{
    AnsiString Upper = Name.UpperCase();
    for (int I = 0; I < FMembers->Count(); ++I)
        if (Members(I)->UpperName() == Upper) return Members(I);
    TfsClassVariable *Ancestor = Program ? Program->FindClass(FAncestor) : nullptr;
    return Ancestor && Ancestor != this ? Ancestor->Find(Name) : nullptr;
}

TfsCustomHelper *TfsClassVariable::Members(int Index) const
{
    return static_cast<TfsCustomHelper *>(FMembers->Items(Index));
}

// ---------------------------------------------------------------- event bridge base

TfsCustomEvent::TfsCustomEvent(TObject *AInstance, TfsProcVariable *AHandler)
    : FInstance(AInstance), FHandle(fsObjectToVariant(AInstance)), FHandler(AHandler)
{
}

TfsCustomEvent::~TfsCustomEvent() = default;

void TfsCustomEvent::Release()
{
    // The host object may be gone already; then there is nothing to unhook.
    if (fsIsObject(FHandle)) Uninstall();
}

void TfsCustomEvent::CallHandler(const std::vector<Variant> &Params)
{
    if (!FHandler || FHandler->Executing) return;
    for (int I = 0; I < FHandler->Count() && I < static_cast<int>(Params.size()); ++I)
        FHandler->Params(I)->SetValue(Params[I]);
    FHandler->GetValue();
}

Variant TfsCustomEvent::Param(int Index) const
{
    return FHandler->Params(Index)->GetValue();
}
