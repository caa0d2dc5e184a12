// Values of names and expressions: the lookup order, the script the report
// prepares for a run, and the cache of compiled expressions.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"
#include "report/frxVariables.h"
#include "script/fs_iinterpreter.h"

#include <algorithm>

namespace
{

// Restores a flag of the running script on every way out.
class RunFlag
{
public:
    RunFlag(bool &Flag, bool Value) : FFlag(Flag), FSaved(Flag) { FFlag = Value; }
    ~RunFlag() { FFlag = FSaved; }
    RunFlag(const RunFlag &) = delete;
    RunFlag &operator=(const RunFlag &) = delete;

private:
    bool &FFlag;
    bool FSaved;
};

Variant EmptyValueOf(TfrxFieldType Type)
{
    switch (Type) {
    case fftString:
        return Variant(AnsiString());
    case fftBoolean:
        return Variant(false);
    default:
        return Variant(0);
    }
}

AnsiString Argument(const Variant &Params, int Index)
{
    if (!VarIsArray(Params) || Index > VarArrayHighBound(Params, 1)) return AnsiString();
    return VarToStr(Params.GetElement({Index}));
}

const char *const Aggregates[] = {"SUM", "MIN", "MAX", "AVG", "COUNT"};

} // namespace

// ---- the cache ----

TfrxExpressionCache::TfrxExpressionCache(TfsScript *MainScript)
    : FExpressions(std::make_unique<TStringList>()), FScript(std::make_unique<TfsScript>(nullptr)),
      FMainScript(MainScript)
{
    FExpressions->SetSorted(true);
    FExpressions->SetCaseSensitive(true);
    // No modules of its own: names come from the report's script, its parent.
    FScript->ExtendedCharset = true;
}

TfrxExpressionCache::~TfrxExpressionCache() = default;

void TfrxExpressionCache::Clear()
{
    FExpressions->Clear();
    FScript->Clear();
}

Variant TfrxExpressionCache::Calc(const AnsiString &Expression, AnsiString &ErrorMsg,
                                  TfsScript *Script)
{
    ErrorMsg = AnsiString();
    FScript->Parent = Script;
    int Index;
    TfsProcVariable *Compiled;
    if (FExpressions->Find(Expression, Index)) {
        Compiled = static_cast<TfsProcVariable *>(FExpressions->Objects(Index));
    } else {
        const AnsiString Function = "frxf" + IntToStr(FExpressions->Count());
        AnsiString Source;
        if (SameText(FScriptLanguage, "PascalScript"))
            Source = "function " + Function + ": Variant; begin Result := " + Expression +
                     " end; begin end.";
        else if (SameText(FScriptLanguage, "C++Script"))
            Source = "Variant " + Function + "() { return " + Expression + "; } {}";
        else if (SameText(FScriptLanguage, "BasicScript"))
            Source = "function " + Function + "\r\nreturn " + Expression + "\r\nend function";
        else if (SameText(FScriptLanguage, "JScript"))
            Source = "function " + Function + "() { return " + Expression + "; }";
        if (!Source.IsEmpty()) FScript->Lines()->SetText(Source);
        FScript->SetSyntaxType(FScriptLanguage);
        if (!FScript->Compile()) {
            ErrorMsg =
                frxResources()->Get("clExprError") + " '" + Expression + "': " + FScript->ErrorMsg;
            return ::Null();
        }
        // The object slot keeps the function itself, so a row calls it without a lookup.
        Compiled = dynamic_cast<TfsProcVariable *>(FScript->FindLocal(Function));
        FExpressions->AddObject(Expression, Compiled);
    }
    if (!Compiled) return ::Null();
    RunFlag Running(FMainScript->IsRunning, false);
    TfsLocalsGuard Locals(Compiled);
    return Compiled->GetValue();
}

// ---- the report's values ----

void TfrxReport::GetDatasetAndField(const AnsiString &ComplexName, TfrxDataSet *&DataSet,
                                    AnsiString &Field)
{
    DataSet = nullptr;
    Field = AnsiString();
    const int i = ComplexName.Pos(".\"");
    // Only a quoted field name is a field: the closing quote must be there.
    if (i == 0 || ComplexName[ComplexName.Length()] != '"' || ComplexName.Length() < i + 2) return;
    DataSet = GetDataset(ComplexName.SubString(1, i - 1));
    Field = ComplexName.SubString(i + 2, ComplexName.Length() - i - 2);
}

TfrxDataSet *TfrxReport::GetDataset(const AnsiString &Alias) const
{
    TfrxDataSetItem *Item = FDataSets->Find(Alias);
    return Item ? Item->DataSet() : nullptr;
}

AnsiString TfrxReport::GetAlias(TfrxDataSet *DataSet) const
{
    if (!DataSet) return AnsiString();
    if (!FDataSets->Find(DataSet)) return frxResources()->Get("clDSNotIncl");
    return DataSet->UserName();
}

void TfrxReport::GetDataSetList(TStrings *List, bool OnlyDB) const
{
    List->Clear();
    for (int i = 0; i < FDataSets->Count(); ++i) {
        TfrxDataSet *DataSet = FDataSets->Items(i)->DataSet();
        if (!DataSet || (OnlyDB && dynamic_cast<TfrxUserDataSet *>(DataSet))) continue;
        List->AddObject(DataSet->UserName(), DataSet);
    }
}

bool TfrxReport::SystemValue(int Index, Variant &Value) const
{
    if (!FEngine) return false;
    const TfrxCustomEngine &E = *FEngine;
    const int CurPage = FPreviewPages ? FPreviewPages->CurPage : 0;
    switch (Index) {
    case 0:
        Value = Variant::FromDateTime(E.StartDate);
        break;
    case 1:
        Value = Variant::FromDateTime(E.StartTime);
        break;
    case 2:
        Value = CurPage - E.FirstPage + 1;
        break;
    case 3:
        Value = CurPage + 1;
        break;
    case 4:
        Value = E.TotalPages - E.FirstPage;
        break;
    case 5:
        Value = E.TotalPages;
        break;
    case 6:
        Value = E.LineNo;
        break;
    default:
        Value = E.LineNoAll;
    }
    return true;
}

Variant TfrxReport::VariableValue(const AnsiString &Name, const Variant &Stored)
{
    if (!VarIsStr(Stored)) return Stored;
    const AnsiString Text = VarToStr(Stored);
    if (Text.Pos("\r\n") > 0) return Stored;
    // A variable that names itself, directly or through others, would never end.
    const AnsiString Key = Name.UpperCase();
    if (std::find(FEvaluating.begin(), FEvaluating.end(), Key) != FEvaluating.end()) {
        AnsiString Message = frxResources()->Get("clExprError") + " '" + Name +
                             "': " + frxResources()->Get("clCyclicRef");
        if (!FCurObject.IsEmpty()) Message = FCurObject + ": " + Message;
        FErrors->Add(Message);
        throw Exception(Message);
    }
    FEvaluating.push_back(Key);
    struct Pop {
        std::vector<AnsiString> &List;
        ~Pop() { List.pop_back(); }
    } Done{FEvaluating};
    return Calc(Text);
}

bool TfrxReport::DoGetValue(const AnsiString &Name, Variant &Value)
{
    Value = ::Null();
    if (frxLegacyEvents().OnGetValue) {
        Variant Answer;
        frxLegacyEvents().OnGetValue(Name, Answer);
        if (!VarIsEmpty(Answer)) {
            Value = Answer;
            return true;
        }
    }
    TfrxDataSet *DataSet;
    AnsiString Field;
    GetDatasetAndField(Name, DataSet, Field);
    if (DataSet && !Field.IsEmpty()) {
        Value = DataSet->GetValue(Field);
        if (FEngineOptions->ConvertNulls() && VarIsNull(Value))
            Value = EmptyValueOf(DataSet->GetFieldType(Field));
        return true;
    }
    const int System = FSysVariables->IndexOf(Name);
    if (System >= 0 && SystemValue(System, Value)) return true;
    if (OnGetValue) {
        Variant Answer;
        OnGetValue(Name, Answer);
        if (!VarIsEmpty(Answer)) {
            Value = Answer;
            return true;
        }
    }
    const int Index = FVariables->IndexOf(Name);
    if (Index >= 0) {
        Value = VariableValue(Name, FVariables->Items(Index)->Value());
        return true;
    }
    if (frxLegacyEvents().OnGetScriptValue) return false;
    if (TfsCustomVariable *Local = Script()->FindLocal(Name)) {
        Value = Local->GetValue();
        return true;
    }
    return false;
}

Variant TfrxReport::Calc(const AnsiString &Expression, TfsScript *Script)
{
    Variant Result;
    if (DoGetValue(Expression, Result)) return Result;
    AnsiString ErrorMsg;
    Result = FExpressionCache->Calc(Expression, ErrorMsg, Script ? Script : this->Script());
    if (!ErrorMsg.IsEmpty()) {
        if (!FCurObject.IsEmpty()) ErrorMsg = FCurObject + ": " + ErrorMsg;
        FErrors->Add(ErrorMsg);
        throw Exception(ErrorMsg);
    }
    return Result;
}

Variant TfrxReport::GetScriptValue(Variant &Params)
{
    const AnsiString Name = Argument(Params, 0);
    Variant Value;
    if (DoGetValue(Name, Value)) return Value;
    const int Paren = Name.Pos("(");
    if (Paren > 0) {
        const AnsiString Head = Name.SubString(1, Paren - 1).Trim().UpperCase();
        for (const char *Aggregate : Aggregates)
            if (Head == Aggregate) return Calc(Name);
    }
    if (frxLegacyEvents().OnGetScriptValue) {
        frxLegacyEvents().OnGetScriptValue(Params, Value);
        return Value;
    }
    FErrors->Add(frxResources()->Get("clUnknownVar") + " " + Name);
    return ::Null();
}

Variant TfrxReport::CallMethod(const AnsiString &MethodName, Variant &Params)
{
    TfsScript *Running = FScript->ProgRunning ? FScript->ProgRunning : FScript.get();
    auto Compute = [&](int Index) { return Calc(Argument(Params, Index), Running); };
    auto Optional = [&](int Index) {
        return Argument(Params, Index).Trim().IsEmpty() ? Variant(0) : Compute(Index);
    };
    // Compared, not converted: a Null condition (an empty field) takes the else branch.
    if (MethodName == "IIF") return Compute(0) == Variant(true) ? Compute(1) : Compute(2);
    if (!FEngine) return ::Null();
    if (MethodName == "COUNT")
        return FEngine->GetAggregateValue("COUNT", AnsiString(), Optional(0),
                                          Optional(1).AsInteger());
    for (const char *Aggregate : {"SUM", "AVG", "MIN", "MAX"})
        if (MethodName == Aggregate)
            return FEngine->GetAggregateValue(MethodName, Argument(Params, 0), Optional(1),
                                              Optional(2).AsInteger());
    return ::Null();
}

bool TfrxReport::PrepareScript()
{
    FExpressionCache->Clear();
    FExpressionCache->SetScriptLanguage(FScriptLanguage);
    if (FEngine) FEngine->NotifyTargets()->Clear();
    Script()->ClearItems(this);
    FScript->AddedBy = this;
    struct Unmark {
        TfsScript &S;
        ~Unmark() { S.AddedBy = nullptr; }
    } Done{*FScript};
    FScript->IsRunning = true;
    TList *All = GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(All->Items(i));
        C->BeforeStartReport();
        // The template's picture travels with the source page; a prepared page carries
        // a picture only when the run changed it.
        if (auto *Picture = dynamic_cast<TfrxPictureView *>(C)) Picture->SetPictureModified(false);
        if (!C->Name().IsEmpty()) FScript->AddObject(C->Name(), C);
    }
    FScript->AddObject("Report", this);
    if (FEngine) FScript->AddObject("Engine", FEngine.get());
    if (FPreviewPages) FScript->AddObject("Outline", FPreviewPages->Outline());
    FScript->AddVariable("Value", "Variant", ::Null());
    FScript->AddMethod("function Get(Name: String): Variant",
                       [this](TObject *, TClass, const AnsiString &, Variant &Params) {
                           return GetScriptValue(Params);
                       });
    FScript->AddMethod("procedure Set(Name: String; Value: Variant)",
                       [this](TObject *, TClass, const AnsiString &, Variant &Params) {
                           FVariables->Set(Argument(Params, 0), Params.GetElement({1}));
                           return ::Null();
                       });
    const char *const Macros[] = {
        "macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
        "macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
        "macrofunction AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
        "macrofunction MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
        "macrofunction MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
        "macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"};
    for (const char *Macro : Macros)
        FScript->AddMethod(Macro, [this](TObject *, TClass, const AnsiString &Name,
                                         Variant &Params) { return CallMethod(Name, Params); });
    if (frxLegacyEvents().OnPrepareScript) frxLegacyEvents().OnPrepareScript(this);
    FScript->SetLines(FScriptText.get());
    FScript->SetSyntaxType(FScriptLanguage);
    const bool Result = FScript->Compile();
    if (!Result)
        FErrors->Add(
            Format(frxResources()->Get("clScrError"), {FScript->ErrorPos, FScript->ErrorMsg}));
    return Result;
}

void TfrxReport::AddFunction(const AnsiString &FuncName, const AnsiString &Category,
                             const AnsiString &Description)
{
    Script()->AddMethod(
        FuncName,
        [this](TObject *, TClass, const AnsiString &Name, Variant &Params) {
            return OnUserFunction ? OnUserFunction(Name, Params) : ::Null();
        },
        Category, Description);
}

Variant TfrxReport::GetLocalValue() const
{
    TfsCustomVariable *Value = FScript->FindLocal("Value");
    return Value ? Value->GetValue() : ::Null();
}

void TfrxReport::SetLocalValue(const Variant &Value)
{
    if (TfsCustomVariable *Local = FScript->FindLocal("Value")) Local->SetValue(Value);
}
