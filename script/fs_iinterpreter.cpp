#include "script/fs_iinterpreter.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "script/fs_iclassesrtti.h"
#include "script/fs_iconst.h"
#include "script/fs_idialogsrtti.h"
#include "script/fs_iformsrtti.h"
#include "script/fs_igraphicsrtti.h"
#include "script/fs_ihelpers.h"
#include "script/fs_iilbuilder.h"
#include "script/fs_iilparser.h"
#include "script/fs_istatements.h"
#include "script/fs_isysrtti.h"
#include "script/fs_itools.h"
#include "script/fs_xml.h"

#include <algorithm>
#include <pthread.h>

namespace
{

const char RTTIMarker = 0;

AnsiString KeyOf(const AnsiString &Name)
{
    return Name.UpperCase();
}

// Restores a value when the scope ends, also when an exception passes.
template <class T> class TRestore
{
public:
    TRestore(T &Target, T NewValue) : FTarget(Target), FSaved(Target) { Target = NewValue; }
    ~TRestore() { FTarget = FSaved; }
    TRestore(const TRestore &) = delete;
    TRestore &operator=(const TRestore &) = delete;

private:
    T &FTarget;
    T FSaved;
};

void ResetFlags(TfsScript &Script)
{
    Script.BreakCalled = false;
    Script.ContinueCalled = false;
    Script.ExitCalled = false;
    Script.Terminated = false;
}

// Runs a script's program with its flags reset before and after.
void RunProgram(TfsScript &Script)
{
    ResetFlags(Script);
    Script.IsRunning = true;
    struct TDone {
        TfsScript &S;
        ~TDone()
        {
            ResetFlags(S);
            S.IsRunning = false;
        }
    } Done{Script};
    Script.Program()->Execute();
}

char *StackLimit()
{
    pthread_attr_t Attr;
    void *Base = nullptr;
    std::size_t Size = 0;
    if (pthread_getattr_np(pthread_self(), &Attr) == 0) {
        pthread_attr_getstack(&Attr, &Base, &Size);
        pthread_attr_destroy(&Attr);
    }
    if (!Base) return nullptr;
    // Leave room for the host calls a script makes at its deepest point.
    std::size_t Reserve = std::max<std::size_t>(Size / 4, 256 * 1024);
    return static_cast<char *>(Base) + std::min(Reserve, Size / 2);
}

} // namespace

const void *const fsRTTIAddedBy = &RTTIMarker;

namespace
{

// Constant-initialised, so reading them costs no first-use check: every operator
// node asks on every evaluation.
thread_local char *ThreadStackLimit = nullptr;
thread_local bool ThreadStackLimitKnown = false;

} // namespace

void fsCheckStack()
{
    if (!ThreadStackLimitKnown) {
        ThreadStackLimit = StackLimit();
        ThreadStackLimitKnown = true;
    }
    char *Frame = static_cast<char *>(__builtin_frame_address(0));
    if (ThreadStackLimit && Frame < ThreadStackLimit) throw Exception("Stack overflow");
}

// ---------------------------------------------------------------- TfsItemList

TfsItemList::~TfsItemList()
{
    TfsItemList::Clear();
}

void TfsItemList::Clear()
{
    // First to last, as the children were added.
    for (auto &Item : FItems)
        Item.reset();
    FItems.clear();
}

std::unique_ptr<TfsItemList> TfsItemList::Remove(TfsItemList *Item)
{
    auto It = std::find_if(FItems.begin(), FItems.end(),
                           [Item](const auto &P) { return P.get() == Item; });
    if (It == FItems.end()) return nullptr;
    std::unique_ptr<TfsItemList> Result = std::move(*It);
    FItems.erase(It);
    return Result;
}

// ---------------------------------------------------------------- TfsCustomVariable

TfsCustomVariable::TfsCustomVariable(const AnsiString &AName, TfsVarType ATyp,
                                     const AnsiString &ATypeName)
    : FValue(fsNull()), FTyp(ATyp), FTypeName(ATypeName)
{
    SetName(AName);
}

void TfsCustomVariable::SetName(const AnsiString &Value)
{
    FName = Value;
    FUpperName = Value.UpperCase();
}

void TfsCustomVariable::SetValue(const Variant &AValue)
{
    if (!IsReadOnly) FValue = AValue;
}

Variant TfsCustomVariable::GetValue()
{
    return FValue;
}

TfsParamItem *TfsCustomVariable::Params(int Index) const
{
    return static_cast<TfsParamItem *>(Items(Index));
}

TfsParamItem *TfsCustomVariable::AddParam(std::unique_ptr<TfsParamItem> Param)
{
    return Add(std::move(Param));
}

AnsiString TfsCustomVariable::GetFullTypeName() const
{
    switch (FTyp) {
    case fvtInt:
        return "Integer";
    case fvtBool:
        return "Boolean";
    case fvtFloat:
        return "Extended";
    case fvtChar:
        return "Char";
    case fvtString:
        return "String";
    case fvtClass:
        return "Class " + FTypeName;
    case fvtArray:
        return "Array";
    case fvtEnum:
        return FTypeName;
    default:
        return "Variant";
    }
}

int TfsCustomVariable::GetNumberOfRequiredParams() const
{
    int Result = 0;
    for (int I = 0; I < Count(); ++I)
        if (!Params(I)->IsOptional) ++Result;
    return Result;
}

// ---------------------------------------------------------------- variables

TfsStringVariable::TfsStringVariable(const AnsiString &AName, TfsVarType ATyp,
                                     const AnsiString &ATypeName)
    : TfsVariable(AName, ATyp, ATypeName)
{
    FValue = Variant("");
}

void TfsStringVariable::SetValue(const Variant &AValue)
{
    if (IsReadOnly) return;
    if (AValue.Type() == varString)
        FValue = AValue;
    else
        FValue = Variant(fsVarToStr(AValue));
}

void TfsStringVariable::TakeValue(Variant &&AValue)
{
    if (IsReadOnly || AValue.Type() != varString)
        SetValue(AValue);
    else
        FValue = std::move(AValue);
}

Variant TfsStringVariable::GetValue()
{
    return FValue;
}

TfsParamItem::TfsParamItem(const AnsiString &AName, TfsVarType ATyp, const AnsiString &ATypeName,
                           bool AIsOptional, bool AIsVarParam)
    : TfsCustomVariable(AName, ATyp, ATypeName), IsOptional(AIsOptional), IsVarParam(AIsVarParam),
      DefValue(fsNull())
{
}

TfsProcVariable::TfsProcVariable(const AnsiString &AName, TfsVarType ATyp,
                                 const AnsiString &ATypeName, TfsScript *AParent, bool AIsFunc)
    : TfsCustomVariable(AName, ATyp, ATypeName), FProg(std::make_unique<TfsScript>(nullptr)),
      FIsFunc(AIsFunc)
{
    IsReadOnly = true;
    FProg->Parent = AParent;
    if (FIsFunc) {
        auto Result = std::make_unique<TfsVariable>("Result", ATyp, ATypeName);
        RefItem = Result.get();
        FProg->Add("Result", std::move(Result));
    }
}

TfsProcVariable::~TfsProcVariable()
{
    // The parameters belong to the procedure; its scope only refers to them.
    for (int I = 0; I < Count(); ++I)
        FProg->Remove(Params(I));
    FProg.reset();
}

Variant TfsProcVariable::GetValue()
{
    fsCheckStack();
    TRestore<bool> Running(Executing, true);
    TfsScript *Main = FProg->MainScript();
    TRestore<TfsScript *> Current(Main->ProgRunning, FProg.get());
    RunProgram(*FProg);
    return FIsFunc ? RefItem->GetValue() : fsNull();
}

// ---------------------------------------------------------------- recursion

void TfsLocalsGuard::Save(TfsProcVariable *Proc)
{
    TfsScript *Scope = Proc->Prog();
    for (int I = 0; I < Scope->Count(); ++I) {
        TObject *Item = Scope->Items(I);
        auto *Var = dynamic_cast<TfsCustomVariable *>(Item);
        if (dynamic_cast<TfsVariable *>(Item) || dynamic_cast<TfsParamItem *>(Item))
            FSaved.emplace_back(Var, Var->GetValue());
    }
}

void TfsLocalsGuard::PutBack()
{
    // Plain stores: the guard's end must not throw.
    for (auto &[Var, Value] : FSaved)
        *Var->PValue() = Value;
    FSaved.clear();
}

// ---------------------------------------------------------------- modules

std::vector<TfsRTTIModuleFactory> &fsRTTIModules()
{
    // The system module comes first: the others name its types; the classes module
    // registers the ancestors the later ones name.
    static std::vector<TfsRTTIModuleFactory> Modules{
        [](TfsScript *Script) { return std::make_unique<TfsSysFunctions>(Script); },
        [](TfsScript *Script) { return std::make_unique<TfsClassesFunctions>(Script); },
        [](TfsScript *Script) { return std::make_unique<TfsDialogsFunctions>(Script); },
        [](TfsScript *Script) { return std::make_unique<TfsGraphicsFunctions>(Script); },
        [](TfsScript *Script) { return std::make_unique<TfsFormsFunctions>(Script); },
    };
    return Modules;
}

TfsScript *fsGlobalUnit()
{
    static std::unique_ptr<TfsScript> Unit = [] {
        auto Script = std::make_unique<TfsScript>(nullptr);
        Script->AddRTTI();
        return Script;
    }();
    return Unit.get();
}

// ---------------------------------------------------------------- TfsScript

TfsScript::TfsScript(TComponent *AOwner)
    : TComponent(AOwner), FLines(std::make_unique<TStringList>()),
      FUnitLines(std::make_unique<TStringList>()), FCodeLines(std::make_unique<TStringList>()),
      FProgram(std::make_unique<TfsStatement>(this, "", ""))
{
}

TfsScript::~TfsScript()
{
    Clear();
    ClearRTTI();
    FProgram.reset();
    RemoveWhere([](TObject *) { return true; });
}

namespace
{

// Compares a stored key with the key of Name without making it: hosts look names up
// for every report row.
int CompareWithKeyOf(const AnsiString &Key, const AnsiString &Name)
{
    const auto *K = reinterpret_cast<const unsigned char *>(Key.Data());
    const auto *N = reinterpret_cast<const unsigned char *>(Name.Data());
    int Common = std::min(Key.Length(), Name.Length());
    for (int I = 0; I < Common; ++I) {
        unsigned char Upper =
            N[I] < 0x80 ? (N[I] >= 'a' && N[I] <= 'z' ? N[I] - 32 : N[I]) : rtl::UpperByte(N[I]);
        int Difference = int(K[I]) - int(Upper);
        if (Difference) return Difference;
    }
    return Key.Length() - Name.Length();
}

} // namespace

std::vector<TfsScript::TEntry>::iterator TfsScript::FindEntry(const AnsiString &Name)
{
    auto It = std::lower_bound(
        FItems.begin(), FItems.end(), Name,
        [](const TEntry &E, const AnsiString &N) { return CompareWithKeyOf(E.Key, N) < 0; });
    return It != FItems.end() && CompareWithKeyOf(It->Key, Name) == 0 ? It : FItems.end();
}

std::vector<TfsScript::TEntry>::const_iterator TfsScript::FindEntry(const AnsiString &Name) const
{
    return const_cast<TfsScript *>(this)->FindEntry(Name);
}

void TfsScript::Insert(const AnsiString &Name, TObject *Item, bool Owned)
{
    if (auto *Var = dynamic_cast<TfsCustomVariable *>(Item)) Var->AddedBy = AddedBy;
    AnsiString Key = KeyOf(Name);
    auto It = std::lower_bound(FItems.begin(), FItems.end(), Key,
                               [](const TEntry &E, const AnsiString &K) { return E.Key < K; });
    FItems.insert(It, TEntry{Key, Item, Owned, FSequence++});
    FCalledRoutines.clear();
}

void TfsScript::Add(const AnsiString &Name, std::unique_ptr<TObject> Item)
{
    Insert(Name, Item.release(), true);
}

void TfsScript::AddShared(const AnsiString &Name, TObject *Item)
{
    Insert(Name, Item, false);
}

void TfsScript::Remove(TObject *Item)
{
    auto It = std::find_if(FItems.begin(), FItems.end(),
                           [Item](const TEntry &E) { return E.Item == Item; });
    if (It != FItems.end()) FItems.erase(It);
    FCalledRoutines.clear();
}

void TfsScript::RemoveWhere(const std::function<bool(TObject *)> &Match)
{
    // From last to first; an item's destructor may look at the list (bridges do).
    for (std::size_t I = FItems.size(); I-- > 0;) {
        if (I >= FItems.size() || !Match(FItems[I].Item)) continue;
        TEntry Entry = FItems[I];
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(I));
        FCalledRoutines.clear();
        if (Entry.Owned) delete Entry.Item;
    }
}

TfsCustomVariable *TfsScript::FindLocal(const AnsiString &Name) const
{
    auto It = FindEntry(Name);
    return It == FItems.end() ? nullptr : dynamic_cast<TfsCustomVariable *>(It->Item);
}

TfsCustomVariable *TfsScript::Find(const AnsiString &Name) const
{
    for (const TfsScript *Script = this; Script; Script = Script->Parent)
        if (TfsCustomVariable *Result = Script->FindLocal(Name)) return Result;
    return nullptr;
}

TfsClassVariable *TfsScript::FindClass(const AnsiString &Name) const
{
    return dynamic_cast<TfsClassVariable *>(Find(Name));
}

TfsCustomVariable *TfsScript::AddType(const AnsiString &TypeName, TfsVarType Typ)
{
    if (TfsCustomVariable *Found = Find(TypeName)) return Found;
    auto Item = std::make_unique<TfsTypeVariable>(TypeName, Typ, "");
    TfsCustomVariable *Result = Item.get();
    Add(TypeName, std::move(Item));
    return Result;
}

TfsClassVariable *TfsScript::AddClass(TClass ClassRef, const AnsiString &AncestorName)
{
    AnsiString Name = ClassRef->ClassName();
    if (Find(Name)) return nullptr;
    auto Item = std::make_unique<TfsClassVariable>(ClassRef, AncestorName);
    TfsClassVariable *Result = Item.get();
    Result->Program = this;
    Add(Name, std::move(Item));
    if (TfsClassVariable *Ancestor = FindClass(AncestorName))
        Result->DefProperty = Ancestor->DefProperty;
    return Result;
}

TfsCustomVariable *TfsScript::AddValue(const AnsiString &Name, const AnsiString &Typ,
                                       const Variant &Value, bool ReadOnly)
{
    if (TfsCustomVariable *Found = Find(Name)) return Found;
    auto Item = std::make_unique<TfsVariable>(Name, StrToVarType(Typ, this), Typ);
    Item->SetValue(Value);
    Item->IsReadOnly = ReadOnly;
    TfsCustomVariable *Result = Item.get();
    Add(Name, std::move(Item));
    return Result;
}

TfsCustomVariable *TfsScript::AddConst(const AnsiString &Name, const AnsiString &Typ,
                                       const Variant &Value)
{
    return AddValue(Name, Typ, Value, true);
}

TfsCustomVariable *TfsScript::AddVariable(const AnsiString &Name, const AnsiString &Typ,
                                          const Variant &Value)
{
    return AddValue(Name, Typ, Value, false);
}

TfsCustomVariable *TfsScript::AddObject(const AnsiString &Name, TObject *Obj)
{
    return AddVariable(Name, Obj->ClassName(), fsObjectToVariant(Obj));
}

namespace
{

void AddEnumValues(TfsScript &Script, const AnsiString &Typ, const AnsiString &Names, bool IsSet)
{
    auto Type = std::make_unique<TfsVariable>(Typ, fvtEnum, Typ);
    Script.Add(Typ, std::move(Type));
    auto List = std::make_unique<TStringList>();
    List->SetCommaText(Names);
    for (int I = 0; I < List->Count(); ++I) {
        AnsiString Name = List->Strings(I).Trim();
        auto Value = std::make_unique<TfsVariable>(Name, fvtEnum, Typ);
        Value->SetValue(Variant(IsSet ? (1 << I) : I));
        Value->IsReadOnly = true;
        Script.Add(Name, std::move(Value));
    }
}

} // namespace

void TfsScript::AddEnum(const AnsiString &Typ, const AnsiString &Names)
{
    AddEnumValues(*this, Typ, Names, false);
}

void TfsScript::AddEnumSet(const AnsiString &Typ, const AnsiString &Names)
{
    AddEnumValues(*this, Typ, Names, true);
}

TfsMethodHelper *TfsScript::AddMethodHelper(std::unique_ptr<TfsMethodHelper> Helper,
                                            const AnsiString &Category,
                                            const AnsiString &Description)
{
    Helper->Category = Category;
    Helper->Description = Description.IsEmpty() ? Helper->Name() : Description;
    TfsMethodHelper *Result = Helper.get();
    Add(Result->Name(), std::move(Helper));
    return Result;
}

TfsMethodHelper *TfsScript::AddMethod(const AnsiString &Syntax, TfsCallMethodEvent CallEvent,
                                      const AnsiString &Category, const AnsiString &Description)
{
    auto Helper = std::make_unique<TfsMethodHelper>(Syntax, this);
    Helper->OnCall = std::move(CallEvent);
    return AddMethodHelper(std::move(Helper), Category, Description);
}

TfsMethodHelper *TfsScript::AddMethod(const AnsiString &Syntax, TfsCallMethodNewEvent CallEvent,
                                      const AnsiString &Category, const AnsiString &Description)
{
    auto Helper = std::make_unique<TfsMethodHelper>(Syntax, this);
    Helper->OnCallNew = std::move(CallEvent);
    return AddMethodHelper(std::move(Helper), Category, Description);
}

namespace
{

// "TForm" or "TDataModule" when the class descends from one of them, else empty.
AnsiString ContainerAncestor(TClass Class)
{
    for (; Class; Class = Class->ClassParent())
        if (Class->ClassName() == "TForm" || Class->ClassName() == "TDataModule")
            return Class->ClassName();
    return "";
}

} // namespace

void TfsScript::AddComponent(TComponent *Form)
{
    TfsClassVariable *Class = FindClass(Form->ClassName());
    if (!Class) {
        AnsiString Ancestor = ContainerAncestor(Form->ClassType());
        if (Ancestor.IsEmpty()) return;
        Class = AddClass(Form->ClassType(), Ancestor);
    }
    for (int I = 0; I < Form->ComponentCount(); ++I)
        Class->AddComponent(Form->Components(I));
    AddObject(Form->Name(), Form);
}

void TfsScript::AddRTTI()
{
    if (RTTIAdded) return;
    TRestore<const void *> Marker(AddedBy, fsRTTIAddedBy);
    for (const TfsRTTIModuleFactory &Create : fsRTTIModules())
        Add("", Create(this));
    RTTIAdded = true;
}

void TfsScript::ClearRTTI()
{
    if (!RTTIAdded) return;
    RemoveWhere([](TObject *Item) {
        if (dynamic_cast<TfsRTTIModule *>(Item)) return true;
        auto *Var = dynamic_cast<TfsCustomVariable *>(Item);
        return Var && Var->AddedBy == fsRTTIAddedBy;
    });
    RTTIAdded = false;
}

void TfsScript::ClearProgram()
{
    FProgram->Clear();
    FCodeLines->Clear();
    FCompiled = true;
}

void TfsScript::Clear()
{
    ClearProgram();
    RemoveWhere([](TObject *Item) {
        if (dynamic_cast<TfsRTTIModule *>(Item)) return false;
        auto *Var = dynamic_cast<TfsCustomVariable *>(Item);
        return !Var || Var->AddedBy != fsRTTIAddedBy;
    });
    ErrorMsg = "";
    ErrorPos = "";
    ErrorUnit = "";
}

void TfsScript::ClearItems(const void *Owner)
{
    // A bridge goes before its handler, so no event calls a freed procedure.
    RemoveWhere([Owner](TObject *Item) {
        auto *Bridge = dynamic_cast<TfsCustomEvent *>(Item);
        return Bridge && Bridge->Handler() && Bridge->Handler()->AddedBy == Owner;
    });
    RemoveWhere([Owner](TObject *Item) {
        auto *Var = dynamic_cast<TfsCustomVariable *>(Item);
        return Var && Var->AddedBy == Owner;
    });
    ClearProgram();
}

void TfsScript::RollBack(std::uint64_t Sequence, int StatementCount)
{
    while (FProgram->Count() > StatementCount)
        FProgram->Remove(FProgram->Items(FProgram->Count() - 1));
    RemoveWhere([this, Sequence](TObject *Item) {
        auto It = std::find_if(FItems.begin(), FItems.end(),
                               [Item](const TEntry &E) { return E.Item == Item; });
        return It != FItems.end() && It->Sequence >= Sequence;
    });
}

AnsiString TfsScript::SourceText() const
{
    AnsiString Result;
    for (int I = 0; I < FLines->Count(); ++I)
        Result += FLines->Strings(I) + "\r\n";
    return Result;
}

void TfsScript::SetLines(TStrings *Value)
{
    FLines->Assign(Value);
}

// ---- published properties ----

QRV4_METHOD_INFO(TfsRunLineEvent)
QRV4_METHOD_INFO(TfsGetUnitEvent)

namespace
{

void PublishScript(rtl::Publisher<TfsScript> &P)
{
    P.Property("Lines", &TfsScript::Lines, &TfsScript::SetLines);
    P.Property("SyntaxType", &TfsScript::SyntaxType, &TfsScript::SetSyntaxType);
    P.Event("OnGetILUnit", &TfsScript::OnGetILUnit);
    P.Event("OnGetUnit", &TfsScript::OnGetUnit);
    P.Event("OnRunLine", &TfsScript::OnRunLine);
}

[[maybe_unused]] const bool ScriptPublished = rtl::PublishClass<TfsScript>(&PublishScript);

} // namespace

bool TfsScript::Compile()
{
    ErrorMsg = "";
    ErrorPos = "";
    ErrorUnit = "";
    std::uint64_t Sequence = FSequence;
    int Statements = FProgram->Count();
    {
        std::unique_ptr<TfsILParser> Parser = NewParser();
        AnsiString Source = SourceText();
        if (MakeIL(*Parser, Source)) {
            TfsILBuilder Builder(this, Source, Parser->NeedDeclareVars(), Parser->GrammarTypes());
            Builder.ParseILScript(Parser->ILScript()->Root());
        }
    }
    return Finish(Sequence, Statements);
}

std::unique_ptr<TfsILParser> TfsScript::NewParser()
{
    auto Parser = std::make_unique<TfsILParser>(this);
    Parser->SetExtendedCharset(ExtendedCharset);
    if (OnGetUnit)
        Parser->OnGetUnit = [this](const AnsiString &UnitName, AnsiString &UnitText) {
            OnGetUnit(this, UnitName, UnitText);
        };
    Parser->SelectLanguage(FSyntaxType);
    return Parser;
}

bool TfsScript::MakeIL(TfsILParser &Parser, const AnsiString &Source)
{
    bool Result = Parser.MakeILScript(Source);
    ErrorMsg = Parser.ErrorMsg();
    ErrorPos = Parser.ErrorPos();
    ErrorUnit = Parser.ErrorUnit();
    // A rejected text always says why.
    if (!Result && ErrorMsg.IsEmpty()) ErrorMsg = SSyntaxError;
    return Result;
}

bool TfsScript::GetILCode(TStream *Stream)
{
    std::unique_ptr<TfsILParser> Parser = NewParser();
    if (MakeIL(*Parser, SourceText())) Parser->ILScript()->SaveToStream(Stream);
    if (!ErrorMsg.IsEmpty()) return false;
    ErrorPos = "";
    return true;
}

bool TfsScript::SetILCode(TStream *Stream)
{
    ErrorMsg = "";
    ErrorPos = "";
    ErrorUnit = "";
    std::uint64_t Sequence = FSequence;
    int Statements = FProgram->Count();
    std::unique_ptr<TfsILParser> Parser = NewParser();
    TfsXMLDocument Document;
    try {
        Document.LoadFromStream(Stream);
    } catch (const Exception &E) {
        ErrorMsg = E.Message();
    }
    if (ErrorMsg.IsEmpty()) {
        TfsILBuilder Builder(this, "", Parser->NeedDeclareVars(), Parser->GrammarTypes());
        Builder.ParseILScript(Document.Root());
    }
    return Finish(Sequence, Statements);
}

bool TfsScript::Finish(std::uint64_t Sequence, int Statements)
{
    FCompiled = ErrorMsg.IsEmpty();
    if (FCompiled)
        ErrorPos = "";
    else
        RollBack(Sequence, Statements);
    return FCompiled;
}

void TfsScript::Execute()
{
    if (!FCompiled) throw Exception("The script has not been compiled: " + ErrorMsg);
    MainProg = true;
    RunProgram(*this);
}

bool TfsScript::Run()
{
    bool Result = Compile();
    if (Result) Execute();
    return Result;
}

void TfsScript::Terminate()
{
    ExitCalled = true;
    Terminated = true;
    for (const TEntry &Entry : FItems)
        if (auto *Proc = dynamic_cast<TfsProcVariable *>(Entry.Item)) Proc->Prog()->Terminate();
}

TfsScript *TfsScript::MainScript()
{
    for (TfsScript *Script = this; Script; Script = Script->Parent)
        if (Script->MainProg) return Script;
    return this;
}

Variant TfsScript::Evaluate(const AnsiString &Expression)
{
    TfsScript Temp(nullptr);
    Temp.AddRTTI();
    Temp.Parent = ProgRunning ? ProgRunning : this;
    TfsRunLineEvent SavedRunLine = std::move(OnRunLine);
    OnRunLine = nullptr;
    struct TRestoreRunLine {
        TfsScript &S;
        TfsRunLineEvent &Saved;
        ~TRestoreRunLine() { S.OnRunLine = std::move(Saved); }
    } Restore{*this, SavedRunLine};
    Temp.Lines()->SetText("function __f__: Variant; begin Result := " + Expression +
                          " end; begin end.");
    // Callers take the message of an expression that does not compile as its value.
    if (!Temp.Compile()) return Variant(Temp.ErrorMsg);
    return Temp.CallFunction("__f__", fsNull());
}

namespace
{

void PassParams(TfsProcVariable &Proc, const Variant &Params)
{
    // A parameter the host leaves out takes its default, not what an earlier call left.
    int Given = VarIsArray(Params) ? VarArrayHighBound(Params, 1) + 1 : 0;
    for (int I = 0; I < Proc.Count(); ++I) {
        TfsParamItem *Param = Proc.Params(I);
        Param->SetValue(I < Given ? Variant(Params.GetElement({I})) : Param->DefValue);
    }
}

} // namespace

TfsProcVariable *TfsScript::CalledRoutine(const AnsiString &Name)
{
    auto Known = FCalledRoutines.find(Name.ToStd());
    if (Known != FCalledRoutines.end()) return Known->second;
    auto *Proc = dynamic_cast<TfsProcVariable *>(FindLocal(Name));
    FCalledRoutines.emplace(Name.View(), Proc);
    return Proc;
}

Variant TfsScript::CallFunction(const AnsiString &Name, const Variant &Params)
{
    TfsProcVariable *Proc = CalledRoutine(Name);
    if (!Proc) return fsNull();
    // A host may call back into a function that is running: its locals come back.
    TfsLocalsGuard Locals(Proc);
    PassParams(*Proc, Params);
    return Proc->GetValue();
}

Variant TfsScript::CallFunction1(const AnsiString &Name, Variant &Params)
{
    TfsProcVariable *Proc = CalledRoutine(Name);
    if (!Proc) return fsNull();
    TfsLocalsGuard Locals(Proc);
    PassParams(*Proc, Params);
    Variant Result = Proc->GetValue();
    int Given = VarIsArray(Params) ? VarArrayHighBound(Params, 1) + 1 : 0;
    for (int I = 0; I < std::min(Given, Proc->Count()); ++I)
        Params.PutElement({I}, Proc->Params(I)->GetValue());
    return Result;
}

Variant TfsScript::Variables(const AnsiString &Name) const
{
    TfsCustomVariable *Var = Find(Name);
    return Var ? Var->GetValue() : fsNull();
}

void TfsScript::SetVariables(const AnsiString &Name, const Variant &Value)
{
    if (TfsCustomVariable *Var = Find(Name))
        Var->SetValue(Value);
    else
        AddVariable(Name, "Variant", Value);
}

void TfsScript::RunLine(const AnsiString &UnitName, const AnsiString &SourcePos)
{
    for (TfsScript *Script = this; Script; Script = Script->Parent)
        if (Script->OnRunLine) {
            Script->OnRunLine(this, UnitName, SourcePos);
            return;
        }
}

namespace
{

AnsiString LineOf(const AnsiString &SourcePos)
{
    int Colon = SourcePos.Pos(":");
    return Colon ? SourcePos.SubString(1, Colon - 1) : SourcePos;
}

bool HasValue(const AnsiString &List, const AnsiString &Value)
{
    AnsiString Padded = "," + List + ",";
    return Padded.Pos("," + Value + ",") > 0;
}

} // namespace

void TfsScript::AddCodeLine(const AnsiString &UnitName, const AnsiString &APos)
{
    int Index = FCodeLines->IndexOfName(UnitName);
    if (Index < 0) Index = FCodeLines->Add(UnitName + "=");
    AnsiString Line = LineOf(APos);
    AnsiString Entry = FCodeLines->Strings(Index);
    AnsiString Values = Entry.SubString(UnitName.Length() + 2, Entry.Length());
    if (!HasValue(Values, Line)) FCodeLines->SetStrings(Index, Entry + "," + Line);
}

bool TfsScript::IsExecutableLine(int LineN, const AnsiString &UnitName) const
{
    int Index = FCodeLines->IndexOfName(UnitName);
    if (Index < 0) return false;
    AnsiString Entry = FCodeLines->Strings(Index);
    return HasValue(Entry.SubString(UnitName.Length() + 2, Entry.Length()), AnsiString(LineN));
}

// ---------------------------------------------------------------- values

int fsVarToInt(const Variant &Value)
{
    return Value.AsInteger();
}

long long fsVarToInt64(const Variant &Value)
{
    return Value.AsInt64();
}

double fsVarToFloat(const Variant &Value)
{
    return Value.AsDouble();
}

bool fsVarToBool(const Variant &Value)
{
    // Truthiness: a host's True may be 1 or -1.
    if (VarIsNumeric(Value) && !VarIsType(Value, varBoolean)) return Value.AsDouble() != 0;
    return Value.AsBoolean();
}

AnsiString fsVarToStr(const Variant &Value)
{
    return Value.AsString();
}

Variant fsObjectToVariant(TObject *Obj)
{
    return VarFromObject(Obj);
}

TObject *fsVariantToObject(const Variant &Value)
{
    if (VarIsEmpty(Value)) return nullptr;
    try {
        return VarToObject(Value);
    } catch (const EVariantError &) {
        throw Exception("Invalid object reference");
    }
}

bool fsIsObject(const Variant &Value)
{
    TVarType Type = VarType(Value);
    if (Type != varInteger && Type != varInt64) return false;
    long long Handle = Value.AsInt64();
    return Handle > 0 && Handle <= INT32_MAX && rtl::IsObjectHandle(static_cast<int>(Handle));
}

Variant fsArrayOf(int Count)
{
    return VarArrayCreate({0, Count - 1}, varVariant);
}

Variant fsArrayGet(const Variant &Arr, std::span<const int> Indices)
{
    return Arr.GetElement(Indices);
}

void fsArrayPut(Variant &Arr, std::span<const int> Indices, const Variant &Value)
{
    Arr.PutElement(Indices, Value);
}

void fsArrayPut(Variant &Arr, std::span<const int> Indices, Variant &&Value)
{
    Arr.PutElement(Indices, std::move(Value));
}
