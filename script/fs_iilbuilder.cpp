#include "script/fs_iilbuilder.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_iconst.h"
#include "script/fs_idesignators.h"
#include "script/fs_ievents.h"
#include "script/fs_iexpression.h"
#include "script/fs_ihelpers.h"
#include "script/fs_istatements.h"
#include "script/fs_itools.h"
#include "script/fs_xml.h"

namespace
{

// Where in the source the element's text began, as the IL records it.
AnsiString PropPos(TfsXMLItem *E)
{
    return E->Prop("pos");
}

AnsiString Quoted(const AnsiString &Name)
{
    return "'" + Name + "'";
}

AnsiString NameOf(TfsXMLItem *E)
{
    return E->Name().LowerCase();
}

AnsiString TextOf(TfsXMLItem *E)
{
    return E->Prop("text");
}

bool Is(TfsXMLItem *E, const char *Name)
{
    return E && NameOf(E) == Name;
}

TfsXMLItem *Child(TfsXMLItem *E, int Index)
{
    if (Index < 0 || Index >= E->Count())
        throw Exception("Invalid IL: element " + E->Name() + " lacks a part");
    return E->Items(Index);
}

TfsXMLItem *ChildNamed(TfsXMLItem *E, const char *Name)
{
    int Index = E->Find(Name);
    return Index < 0 ? nullptr : E->Items(Index);
}

// Resolved takes the engine type name that alias Name of Types stands for.
bool FindAlias(const TfsXMLItem *Types, const AnsiString &Name, AnsiString &Resolved)
{
    if (!Types) return false;
    int Index = Types->Find(Name);
    if (Index < 0) return false;
    Resolved = Types->Items(Index)->Prop("type");
    return true;
}

Variant InitialValue(TfsVarType Typ)
{
    switch (Typ) {
    case fvtInt:
    case fvtFloat:
    case fvtClass:
        return Variant(0);
    case fvtBool:
        return Variant(false);
    case fvtChar:
    case fvtString:
        return Variant(AnsiString());
    default:
        return fsNull();
    }
}

// A constant expression, as the builder supplies for an omitted optional argument.
std::unique_ptr<TfsExpression> ConstExpression(TfsScript *Scope, const Variant &Value)
{
    auto Expr = std::make_unique<TfsExpression>(Scope);
    Expr->AddConst(Value);
    Expr->Finalize();
    return Expr;
}

} // namespace

TfsILBuilder::TfsILBuilder(TfsScript *AProgram, const AnsiString &ASource, bool ANeedDeclareVars,
                           TfsXMLItem *AGrammarTypes)
    : FProgram(AProgram), FSource(ASource), FNeedDeclareVars(ANeedDeclareVars),
      FGrammarTypes(AGrammarTypes)
{
    FLineStarts.push_back(1);
    for (int I = 1; I <= FSource.Length(); ++I)
        if (FSource[I] == '\n') FLineStarts.push_back(I + 1);
}

void TfsILBuilder::ParseILScript(TfsXMLItem *ProgramElement)
{
    FWithList.clear();
    FProgram->ErrorUnit = "";
    FUnitName = "";
    try {
        DoProgram(ProgramElement, FProgram);
        FProgram->ErrorPos = "";
        return;
    } catch (const Exception &E) {
        FProgram->ErrorMsg = E.Message();
    } catch (const std::exception &E) {
        FProgram->ErrorMsg = E.what();
    }
    if (FProgram->ErrorMsg.IsEmpty()) FProgram->ErrorMsg = SSyntaxError;
    FProgram->ErrorPos = FErrorPos;
    FProgram->ErrorUnit = FUnitName;
}

std::unique_ptr<TfsDesignator> TfsILBuilder::BuildLate(TfsXMLItem *Element)
{
    FLate = true;
    return DoDesignator(Element, FProgram, emNone);
}

std::unique_ptr<TfsDesignator> fsBuildLateDesignator(TfsScript *Program, TfsXMLItem *Source)
{
    TfsILBuilder Builder(Program, "", true);
    return Builder.BuildLate(Source);
}

// ---------------------------------------------------------------- checks

void TfsILBuilder::SetErrorPos(TfsXMLItem *E)
{
    AnsiString Pos = PropPos(E);
    if (!Pos.IsEmpty()) FErrorPos = Pos;
}

void TfsILBuilder::CheckIdent(TfsScript *Scope, const AnsiString &Name)
{
    if (Scope->FindLocal(Name)) throw Exception(SIdRedeclared + Quoted(Name));
}

TfsClassVariable *TfsILBuilder::FindClass(const AnsiString &Name)
{
    TfsClassVariable *Result = FProgram->FindClass(Name);
    if (!Result) throw Exception(SUnknownType + Quoted(Name));
    return Result;
}

void TfsILBuilder::CheckTypeCompatibility(TfsCustomVariable *Var1, TfsCustomVariable *Var2)
{
    if (!AssignCompatible(Var1, Var2, FProgram))
        throw Exception(SIncompatibleTypes + ": " + Quoted(Var1->GetFullTypeName()) + ", " +
                        Quoted(Var2->GetFullTypeName()));
}

void TfsILBuilder::CheckCompoundAssignment(TfsCustomVariable *Target, TfsCustomVariable *Source,
                                           const AnsiString &Op)
{
    // Otherwise "i /= 2" would leave a fraction in an integer and "b += true" a number
    // in a boolean.
    TfsOperatorType Operator = Op == "+"   ? opPlus
                               : Op == "-" ? opMinus
                               : Op == "*" ? opMul
                               : Op == "/" ? opDivFloat
                                           : opNone;
    if (Operator == opNone) return;
    TfsTypeRec Result;
    if (!fsOperatorType(Operator, {Target->Typ(), Target->TypeName()},
                        {Source->Typ(), Source->TypeName()}, FProgram, Result))
        throw Exception(SIncompatibleTypes);
    TfsVariable Value("", Result.Typ, Result.TypeName);
    CheckTypeCompatibility(Target, &Value);
}

TfsCustomVariable *TfsILBuilder::FindVar(TfsScript *Scope, const AnsiString &Name)
{
    if (TfsCustomVariable *Result = Scope->Find(Name)) return Result;
    if (FNeedDeclareVars) throw Exception(SIdUndeclared + Quoted(Name));
    auto Var = std::make_unique<TfsVariable>(Name, fvtVariant, "");
    TfsCustomVariable *Result = Var.get();
    FProgram->Add(Name, std::move(Var));
    return Result;
}

TfsILBuilder::TTypeInfo TfsILBuilder::FindType(const AnsiString &Name)
{
    // The program's own aliases first; a routine's body, built as a program
    // of its own, and IL that carries none take the language's.
    AnsiString Resolved = Name;
    TfsXMLItem *Types = FProgRoot ? ChildNamed(FProgRoot, "types") : nullptr;
    if (!FindAlias(Types, Name, Resolved)) FindAlias(FGrammarTypes, Name, Resolved);
    TfsVarType Typ = StrToVarType(Resolved, FProgram);
    if (Typ == fvtClass) FindClass(Resolved);
    return {Typ, Name};
}

AnsiString TfsILBuilder::SourceBetween(const AnsiString &From, const AnsiString &To) const
{
    auto IndexOf = [this](const AnsiString &Pos) {
        int Colon = Pos.Pos(":");
        if (!Colon) return 0;
        int Line = StrToIntDef(Pos.SubString(1, Colon - 1), 0);
        int Col = StrToIntDef(Pos.SubString(Colon + 1, Pos.Length()), 0);
        if (Line < 1 || Line > static_cast<int>(FLineStarts.size()) || Col < 1) return 0;
        int Index = FLineStarts[Line - 1] + Col - 1;
        return Index <= FSource.Length() + 1 ? Index : 0;
    };
    int First = IndexOf(From);
    int Last = IndexOf(To);
    if (!First || !Last || Last < First) return "";
    return FSource.SubString(First, Last - First);
}

template <class T>
T *TfsILBuilder::NewStatement(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    AnsiString Pos = PropPos(E);
    T *Result = List->Add(std::make_unique<T>(Scope, FUnitName, Pos));
    FProgram->AddCodeLine(FUnitName, Pos);
    return Result;
}

// ---------------------------------------------------------------- program and declarations

void TfsILBuilder::DoProgram(TfsXMLItem *P, TfsScript *Scope)
{
    TfsXMLItem *Saved = FProgRoot;
    FProgRoot = P;
    DeclareRoutines(P, Scope);
    DoCompoundStmt(P, Scope, Scope->Program());
    FProgRoot = Saved;
}

void TfsILBuilder::DeclareRoutines(TfsXMLItem *P, TfsScript *Scope)
{
    for (int I = 0; I < P->Count(); ++I) {
        TfsXMLItem *E = P->Items(I);
        if (Is(E, "compoundstmt"))
            DeclareRoutines(E, Scope);
        else if (Is(E, "procedure"))
            DoProc1(E, Scope);
        else if (Is(E, "function"))
            DoFunc1(E, Scope);
    }
}

void TfsILBuilder::DoCompoundStmt(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    for (int I = 0; I < E->Count(); ++I)
        DoStmt(E->Items(I), Scope, List);
}

void TfsILBuilder::DoStmt(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    fsCheckStack();
    SetErrorPos(E);
    AnsiString Name = NameOf(E);
    if (Name == "assignstmt")
        DoAssign(E, Scope, List);
    else if (Name == "callstmt")
        DoCall(E, Scope, List);
    else if (Name == "ifstmt")
        DoIf(E, Scope, List);
    else if (Name == "casestmt")
        DoCase(E, Scope, List);
    else if (Name == "forstmt")
        DoFor(E, Scope, List);
    else if (Name == "vbforstmt")
        DoVbFor(E, Scope, List);
    else if (Name == "cppforstmt")
        DoCppFor(E, Scope, List);
    else if (Name == "whilestmt")
        DoWhile(E, Scope, List);
    else if (Name == "repeatstmt")
        DoRepeat(E, Scope, List);
    else if (Name == "trystmt")
        DoTry(E, Scope, List);
    else if (Name == "break")
        NewStatement<TfsBreakStmt>(E, Scope, List);
    else if (Name == "continue")
        NewStatement<TfsContinueStmt>(E, Scope, List);
    else if (Name == "exit")
        NewStatement<TfsExitStmt>(E, Scope, List);
    else if (Name == "return")
        DoReturn(E, Scope, List);
    else if (Name == "with")
        DoWith(E, Scope, List);
    else if (Name == "delete")
        DoDelete(E, Scope, List);
    else if (Name == "compoundstmt")
        DoCompoundStmt(E, Scope, List);
    else if (Name == "uses")
        DoUses(E, Scope);
    else if (Name == "var")
        DoVar(E, Scope, List);
    else if (Name == "const")
        DoConst(E, Scope);
    else if (Name == "procedure")
        DoProc2(E, Scope);
    else if (Name == "function")
        DoFunc2(E, Scope);
}

void TfsILBuilder::DoVar(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    for (int I = 0; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        SetErrorPos(C);
        if (!Is(C, "ident")) continue;
        AnsiString Name = TextOf(C);
        CheckIdent(Scope, Name);
        Scope->Add(Name, CreateVar(E, Scope, Name, List, false, false));
    }
}

TfsCustomVariable *TfsILBuilder::CreateArray(TfsXMLItem *Array, TfsScript *Scope,
                                             const TTypeInfo &Type, Variant &Value)
{
    std::vector<int> Bounds;
    for (int I = 0; I < Array->Count(); ++I) {
        TfsXMLItem *Dim = Array->Items(I);
        if (!Is(Dim, "dim")) continue;
        int First = fsVarToInt(DoExpression(Child(Dim, 0), Scope)->GetValue());
        if (Dim->Count() > 1) {
            Bounds.push_back(First);
            Bounds.push_back(fsVarToInt(DoExpression(Child(Dim, 1), Scope)->GetValue()));
        } else {
            Bounds.push_back(0);
            Bounds.push_back(First - 1);
        }
    }
    if (Bounds.empty()) Bounds = {0, 0};
    int Dims = static_cast<int>(Bounds.size() / 2);
    Value = VarArrayCreate(std::span<const int>(Bounds.data(), Bounds.size()), varVariant);
    auto Helper = std::make_unique<TfsArrayHelper>("", Dims, Type.Typ, Type.TypeName);
    TfsCustomVariable *Result = Helper.get();
    Scope->Add("", std::move(Helper));
    return Result;
}

std::unique_ptr<TfsCustomVariable> TfsILBuilder::CreateVar(TfsXMLItem *E, TfsScript *Scope,
                                                           const AnsiString &Name,
                                                           TfsStatement *List, bool IsParam,
                                                           bool IsVarParam)
{
    AnsiString EntryPos = FErrorPos;
    TTypeInfo Type{fvtVariant, "Variant"};
    bool TypeFollows = false;
    for (int I = 0; I < E->Count(); ++I)
        if (Is(E->Items(I), "type") && !TextOf(E->Items(I)).IsEmpty()) {
            SetErrorPos(E->Items(I));
            Type = FindType(TextOf(E->Items(I)));
            TypeFollows = I > 0;
            break;
        }
    TfsXMLItem *Array = nullptr;
    TfsXMLItem *Init = nullptr;
    int Start = 0;
    while (Start < E->Count() && !AnsiSameText(TextOf(E->Items(Start)), Name))
        ++Start;
    for (int I = Start + 1; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        if (Is(C, "ident") && !TypeFollows) break;
        if (Is(C, "array"))
            Array = C;
        else if (Is(C, "init"))
            Init = C;
    }
    Variant Value = InitialValue(Type.Typ);
    TfsCustomVariable *ArrayHelper = nullptr;
    if (Array) {
        ArrayHelper = CreateArray(Array, Scope, Type, Value);
        Type.Typ = fvtArray;
    }
    std::unique_ptr<TfsCustomVariable> Result;
    if (IsParam)
        Result = std::make_unique<TfsParamItem>(Name, Type.Typ, Type.TypeName, Init != nullptr,
                                                IsVarParam);
    else if (Type.Typ == fvtChar || Type.Typ == fvtString)
        Result = std::make_unique<TfsStringVariable>(Name, Type.Typ, Type.TypeName);
    else
        Result = std::make_unique<TfsVariable>(Name, Type.Typ, Type.TypeName);
    Result->SetValue(Value);
    Result->RefItem = ArrayHelper;
    Result->SourcePos = EntryPos;
    Result->SourceUnit = FUnitName;
    if (Init && !List) {
        std::unique_ptr<TfsExpression> Expr = DoExpression(Child(Init, 0), Scope);
        CheckTypeCompatibility(Result.get(), Expr.get());
        Result->SetValue(Expr->GetValue());
    } else if (Init) {
        auto *Stmt = NewStatement<TfsAssignmentStmt>(Init, Scope, List);
        auto Designator = std::make_unique<TfsVariableDesignator>(Scope);
        auto Step = std::make_unique<TfsDesignatorItem>();
        Step->Ref = Result.get();
        Designator->Add(std::move(Step));
        Designator->Finalize();
        Stmt->Designator = std::move(Designator);
        Stmt->Expression = DoExpression(Child(Init, 0), Scope);
        CheckTypeCompatibility(Stmt->Designator.get(), Stmt->Expression.get());
        Stmt->Optimize();
    }
    return Result;
}

void TfsILBuilder::DoConst(TfsXMLItem *E, TfsScript *Scope)
{
    TfsXMLItem *NameElement = Child(E, 0);
    SetErrorPos(NameElement);
    AnsiString Name = TextOf(NameElement);
    CheckIdent(Scope, Name);
    std::unique_ptr<TfsExpression> Expr = DoExpression(Child(E, 1), Scope);
    auto Const = std::make_unique<TfsVariable>(Name, Expr->Typ(), Expr->TypeName());
    Const->SetValue(Expr->GetValue());
    Const->IsReadOnly = true;
    Scope->Add(Name, std::move(Const));
}

AnsiString TfsILBuilder::RoutineName(TfsXMLItem *E, TfsScript *Scope)
{
    SetErrorPos(E);
    TfsXMLItem *NameElement = ChildNamed(E, "name");
    if (!NameElement) throw Exception("Invalid IL: routine without a name");
    AnsiString Name = TextOf(NameElement);
    CheckIdent(Scope, Name);
    return Name;
}

void TfsILBuilder::DoProc1(TfsXMLItem *E, TfsScript *Scope)
{
    AddRoutine(E, Scope, RoutineName(E, Scope), {fvtVariant, ""}, false);
}

void TfsILBuilder::DoFunc1(TfsXMLItem *E, TfsScript *Scope)
{
    const AnsiString Name = RoutineName(E, Scope);
    TTypeInfo Type{fvtVariant, ""};
    bool IsFunc = true;
    if (TfsXMLItem *TypeElement = ChildNamed(E, "type");
        TypeElement && !TextOf(TypeElement).IsEmpty()) {
        SetErrorPos(TypeElement);
        Type = FindType(TextOf(TypeElement));
        // A void function is called as a procedure.
        IsFunc = !AnsiSameText(Type.TypeName, "void");
    }
    AddRoutine(E, Scope, Name, Type, IsFunc);
}

void TfsILBuilder::AddRoutine(TfsXMLItem *E, TfsScript *Scope, const AnsiString &Name,
                              const TTypeInfo &Type, bool IsFunc)
{
    auto Proc = std::make_unique<TfsProcVariable>(Name, Type.Typ, Type.TypeName, Scope, IsFunc);
    Proc->SourcePos = PropPos(E);
    Proc->SourceUnit = FUnitName;
    TfsProcVariable *Routine = Proc.get();
    Scope->Add(Name, std::move(Proc));
    for (int I = 0; I < E->Count(); ++I)
        if (Is(E->Items(I), "parameters")) DoParameters(E->Items(I), Routine);
}

void TfsILBuilder::DoParameters(TfsXMLItem *E, TfsProcVariable *Routine)
{
    bool GroupByRef = false;
    for (int I = 0; I < E->Count(); ++I) {
        TfsXMLItem *Var = E->Items(I);
        if (Is(Var, "varparams")) {
            GroupByRef = true;
            continue;
        }
        if (!Is(Var, "var")) continue;
        bool NameByRef = false;
        for (int J = 0; J < Var->Count(); ++J) {
            TfsXMLItem *C = Var->Items(J);
            SetErrorPos(C);
            if (Is(C, "varparam")) {
                NameByRef = true;
            } else if (Is(C, "ident")) {
                AnsiString Name = TextOf(C);
                CheckIdent(Routine->Prog(), Name);
                std::unique_ptr<TfsCustomVariable> Created =
                    CreateVar(Var, Routine->Prog(), Name, nullptr, true, GroupByRef || NameByRef);
                auto *Param = static_cast<TfsParamItem *>(Created.release());
                Param->DefValue = Param->GetValue();
                Routine->AddParam(std::unique_ptr<TfsParamItem>(Param));
                Routine->Prog()->AddShared(Name, Param);
                NameByRef = false;
            }
        }
        GroupByRef = false;
    }
}

void TfsILBuilder::DoProc2(TfsXMLItem *E, TfsScript *Scope)
{
    TfsXMLItem *NameElement = ChildNamed(E, "name");
    if (!NameElement) return;
    auto *Routine = dynamic_cast<TfsProcVariable *>(FindVar(Scope, TextOf(NameElement)));
    if (!Routine) throw Exception(SIdRedeclared + Quoted(TextOf(NameElement)));
    DoProgram(E, Routine->Prog());
}

void TfsILBuilder::DoUses(TfsXMLItem *E, TfsScript *Scope)
{
    AnsiString SavedUnit = FUnitName;
    FUnitName = E->Prop("unit");
    AnsiString Text;
    if (FProgram->OnGetILUnit) FProgram->OnGetILUnit(FProgram, FUnitName, Text);
    if (!Text.IsEmpty()) {
        TfsXMLDocument Document;
        TStringStream Stream(Text);
        Document.LoadFromStream(&Stream);
        DoProgram(Document.Root(), Scope);
    } else {
        for (int I = 0; I < E->Count(); ++I)
            DoProgram(E->Items(I), Scope);
    }
    FUnitName = SavedUnit;
}

// ---------------------------------------------------------------- statements

void TfsILBuilder::DoAssign(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    std::unique_ptr<TfsDesignator> Designator = DoDesignator(Child(E, 0), Scope, emNone);
    AnsiString Op;
    int ExprIndex = 1;
    if (Is(Child(E, 1), "modificator")) {
        Op = TextOf(E->Items(1));
        ExprIndex = 2;
    }
    std::unique_ptr<TfsExpression> Expr = DoExpression(Child(E, ExprIndex), Scope);
    SetErrorPos(E);
    if (Designator->IsReadOnly) throw Exception(SLeftCantAssigned);
    CheckTypeCompatibility(Designator.get(), Expr.get());
    if (Op.IsEmpty())
        Op = Expr->Optimize(Designator.get());
    else
        CheckCompoundAssignment(Designator.get(), Expr.get(), Op);
    TfsAssignmentStmt *Stmt;
    if (Op == "+")
        Stmt = NewStatement<TfsAssignPlusStmt>(E, Scope, List);
    else if (Op == "-")
        Stmt = NewStatement<TfsAssignMinusStmt>(E, Scope, List);
    else if (Op == "*")
        Stmt = NewStatement<TfsAssignMulStmt>(E, Scope, List);
    else if (Op == "/")
        Stmt = NewStatement<TfsAssignDivStmt>(E, Scope, List);
    else
        Stmt = NewStatement<TfsAssignmentStmt>(E, Scope, List);
    Stmt->Designator = std::move(Designator);
    Stmt->Expression = std::move(Expr);
    Stmt->Optimize();
}

void TfsILBuilder::DoCall(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    std::unique_ptr<TfsDesignator> Designator = DoDesignator(Child(E, 0), Scope, emNone);
    auto *Stmt = NewStatement<TfsCallStmt>(E, Scope, List);
    if (E->Count() > 1 && Is(E->Items(1), "modificator")) {
        Stmt->Modificator = TextOf(E->Items(1));
        if (Designator->IsReadOnly) throw Exception(SLeftCantAssigned);
        // "x++" adds 1 as "x += 1" does.
        TfsVariable One("", fvtInt, "");
        CheckCompoundAssignment(Designator.get(), &One, Stmt->Modificator);
    }
    Stmt->Designator = std::move(Designator);
    Stmt->Optimize();
}

void TfsILBuilder::DoIf(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsIfStmt>(E, Scope, List);
    Stmt->Condition = DoExpression(Child(E, 0), Scope);
    for (int I = 1; I < E->Count(); ++I) {
        if (Is(E->Items(I), "thenstmt"))
            DoCompoundStmt(E->Items(I), Scope, Stmt);
        else if (Is(E->Items(I), "elsestmt"))
            DoCompoundStmt(E->Items(I), Scope, Stmt->ElseStmt.get());
    }
}

void TfsILBuilder::DoCase(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsCaseStmt>(E, Scope, List);
    Stmt->Condition = DoExpression(Child(E, 0), Scope);
    for (int I = 1; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        if (Is(C, "caseselector") && C->Count() == 2) {
            auto *Selector = NewStatement<TfsCaseSelector>(C, Scope, Stmt);
            Selector->SetExpression = DoSet(C->Items(0), Scope);
            DoStmt(C->Items(1), Scope, Selector);
        } else if (I == E->Count() - 1 && !Is(C, "caseselector")) {
            DoStmt(C, Scope, Stmt->ElseStmt.get());
        }
    }
}

TfsCustomVariable *TfsILBuilder::ForVariable(TfsXMLItem *E, TfsScript *Scope)
{
    TfsXMLItem *Ident = Child(E, 0);
    SetErrorPos(Ident);
    TfsCustomVariable *Var = FindVar(Scope, TextOf(Ident));
    bool Numeric = Var->Typ() == fvtInt || Var->Typ() == fvtFloat || Var->Typ() == fvtVariant;
    if (!dynamic_cast<TfsVariable *>(Var) || !Numeric) throw Exception(SForError);
    return Var;
}

void TfsILBuilder::DoFor(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsForStmt>(E, Scope, List);
    Stmt->Variable = ForVariable(E, Scope);
    Stmt->BeginValue = DoExpression(Child(E, 1), Scope);
    int Next = 2;
    if (Is(Child(E, 2), "downto")) {
        Stmt->Down = true;
        Next = 3;
    }
    Stmt->EndValue = DoExpression(Child(E, Next), Scope);
    if (Next + 1 < E->Count()) DoStmt(E->Items(Next + 1), Scope, Stmt);
}

void TfsILBuilder::DoVbFor(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsVbForStmt>(E, Scope, List);
    Stmt->Variable = ForVariable(E, Scope);
    Stmt->BeginValue = DoExpression(Child(E, 1), Scope);
    Stmt->EndValue = DoExpression(Child(E, 2), Scope);
    int Next = 3;
    if (E->Count() > 3 && Is(E->Items(3), "expr")) {
        Stmt->Step = DoExpression(E->Items(3), Scope);
        CheckTypeCompatibility(Stmt->Variable, Stmt->Step.get());
        Next = 4;
    }
    if (Next < E->Count()) DoStmt(E->Items(Next), Scope, Stmt);
}

void TfsILBuilder::DoCppFor(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsCppForStmt>(E, Scope, List);
    // C++Script wraps each outer clause in a block of its own; JScript gives the
    // clause's statement as it stands, a var list being one element per name.
    int I = 0;
    for (; I < E->Count() && !Is(E->Items(I), "expr"); ++I)
        DoStmt(E->Items(I), Scope, Stmt->FirstStmt.get());
    Stmt->Condition = DoExpression(Child(E, I), Scope);
    DoStmt(Child(E, I + 1), Scope, Stmt->NextStmt.get());
    if (E->Count() > I + 2) DoStmt(E->Items(I + 2), Scope, Stmt);
}

void TfsILBuilder::DoWhile(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsWhileStmt>(E, Scope, List);
    Stmt->Condition = DoExpression(Child(E, 0), Scope);
    if (E->Count() > 1) DoStmt(E->Items(1), Scope, Stmt);
}

void TfsILBuilder::DoRepeat(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsRepeatStmt>(E, Scope, List);
    int Last = E->Count() - 1;
    if (Last >= 0 && Is(E->Items(Last), "inverse")) {
        Stmt->InverseCondition = true;
        --Last;
    }
    for (int I = 0; I < Last; ++I)
        DoStmt(E->Items(I), Scope, Stmt);
    Stmt->Condition = DoExpression(Child(E, Last), Scope);
}

void TfsILBuilder::DoTry(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    auto *Stmt = NewStatement<TfsTryStmt>(E, Scope, List);
    for (int I = 0; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        if (Is(C, "finallystmt") || Is(C, "exceptstmt")) {
            Stmt->IsExcept = Is(C, "exceptstmt");
            DoCompoundStmt(C, Scope, Stmt->ExceptStmt.get());
        } else {
            DoStmt(C, Scope, Stmt);
        }
    }
}

void TfsILBuilder::DoReturn(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    if (E->Count() > 0 && !Is(E->Items(0), "dsgn")) {
        AnsiString Pos = PropPos(E->Items(0));
        auto *Target = new TfsXMLItem; // the element tree owns it once inserted
        Target->SetName("dsgn");
        Target->SetProp("pos", Pos);
        TfsXMLItem *Node = Target->Add();
        Node->SetName("node");
        Node->SetProp("text", "Result");
        Node->SetProp("pos", Pos);
        E->InsertItem(0, Target);
    }
    if (E->Count() > 0) DoAssign(E, Scope, List);
    NewStatement<TfsExitStmt>(E, Scope, List);
}

void TfsILBuilder::DoDelete(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    std::unique_ptr<TfsDesignator> Designator = DoDesignator(Child(E, 0), Scope, emFree);
    NewStatement<TfsCallStmt>(E, Scope, List)->Designator = std::move(Designator);
}

void TfsILBuilder::DoWith(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List)
{
    std::size_t Added = FWithList.size();
    for (int I = 0; I + 1 < E->Count(); ++I) {
        std::unique_ptr<TfsDesignator> Designator = DoDesignator(E->Items(I), Scope, emNone);
        if (Designator->Typ() != fvtClass && Designator->Typ() != fvtVariant)
            throw Exception(SClassRequired);
        AnsiString Name;
        for (int N = 0;; ++N) {
            Name = AnsiString(N);
            bool Taken = Scope->FindLocal(Name) != nullptr;
            for (auto &Entry : FWithList)
                Taken = Taken || Entry.first == Name;
            if (!Taken) break;
        }
        auto Var = std::make_unique<TfsVariable>(Name, Designator->Typ(), Designator->TypeName());
        TfsCustomVariable *Hidden = Var.get();
        Scope->Add(Name, std::move(Var));
        auto *Stmt = NewStatement<TfsWithStmt>(E, Scope, List);
        Stmt->Designator = std::move(Designator);
        Stmt->Variable = Hidden;
        FWithList.emplace_back(Name, Stmt);
    }
    if (E->Count() > 0) DoStmt(E->Items(E->Count() - 1), Scope, List);
    FWithList.resize(Added);
}

// ---------------------------------------------------------------- expressions

void TfsILBuilder::AddExpressionItems(TfsXMLItem *E, TfsScript *Scope, TfsExpression &Expr)
{
    for (int I = 0; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        SetErrorPos(C);
        Expr.ExprPos = PropPos(C);
        AnsiString Name = NameOf(C);
        if (Name == "op")
            Expr.AddOperator(TextOf(C).LowerCase());
        else if (Name == "number" || Name == "string")
            Expr.AddConst(ParserStringToVariant(TextOf(C)));
        else if (Name == "dsgn")
            Expr.AddDesignator(DoDesignator(C, Scope, emNone));
        else if (Name == "set")
            Expr.AddSet(DoSet(C, Scope));
        else if (Name == "new")
            Expr.AddDesignator(DoDesignator(Child(C, 0), Scope, emCreate));
        else if (Name == "expr")
            AddExpressionItems(C, Scope, Expr);
    }
}

std::unique_ptr<TfsExpression> TfsILBuilder::DoExpression(TfsXMLItem *E, TfsScript *Scope)
{
    fsCheckStack();
    auto Expr = std::make_unique<TfsExpression>(Scope);
    AddExpressionItems(E, Scope, *Expr);
    Expr->Source = SourceBetween(PropPos(E), E->Prop("pos1"));
    AnsiString ErrorPos = Expr->Finalize();
    if (!ErrorPos.IsEmpty()) {
        FErrorPos = ErrorPos;
        throw Exception(SIncompatibleTypes);
    }
    Expr->ExprPos = PropPos(E);
    return Expr;
}

std::unique_ptr<TfsSetExpression> TfsILBuilder::DoSet(TfsXMLItem *E, TfsScript *Scope)
{
    auto Set = std::make_unique<TfsSetExpression>();
    for (int I = 0; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        if (Is(C, "expr"))
            Set->AddItem(DoExpression(C, Scope));
        else if (Is(C, "range"))
            Set->AddItem(nullptr);
    }
    return Set;
}

// ---------------------------------------------------------------- designators

namespace
{

TfsDesignatorItem *AddStep(TfsDesignator &D, TfsCustomVariable *Ref, const AnsiString &Pos)
{
    auto Item = std::make_unique<TfsDesignatorItem>();
    Item->Ref = Ref;
    Item->SourcePos = Pos;
    return D.Add(std::move(Item));
}

bool IsPlainStorage(TfsCustomVariable *Var)
{
    return dynamic_cast<TfsVariable *>(Var) || dynamic_cast<TfsParamItem *>(Var);
}

// An indexed property takes its index from the "[" that follows it.
bool AwaitsIndex(TfsCustomVariable *Member)
{
    auto *Method = dynamic_cast<TfsMethodHelper *>(Member);
    return Method && Method->IndexMethod;
}

} // namespace

void TfsILBuilder::AddOleStep(TfsDesignator &D, const AnsiString &Member)
{
    auto Helper = std::make_unique<TfsOLEHelper>(Member);
    AddStep(D, Helper.get(), FErrorPos);
    FProgram->Add("", std::move(Helper));
}

void TfsILBuilder::MakeLate(TfsDesignator &D, TfsXMLItem *E, const AnsiString &WithName)
{
    auto Copy = std::make_unique<TfsXMLItem>();
    Copy->Assign(E);
    if (!WithName.IsEmpty()) {
        auto *Node = new TfsXMLItem; // owned by the copy once inserted
        Node->SetName("node");
        Node->SetProp("text", WithName);
        Node->SetProp("pos", PropPos(E));
        Copy->InsertItem(0, Node);
    }
    D.LateBindingSource = std::move(Copy);
    D.Clear();
    D.SetTyp(fvtVariant);
    D.SetTypeName("");
}

bool TfsILBuilder::FirstNode(TfsXMLItem *E, TfsXMLItem *Node, TfsScript *Scope, TfsDesignator &D,
                             bool &AwaitIndex)
{
    AnsiString Text = TextOf(Node);
    for (auto It = FWithList.rbegin(); It != FWithList.rend(); ++It) {
        TfsCustomVariable *WithVar = Scope->Find(It->first);
        if (!WithVar) continue;
        if (WithVar->Typ() == fvtVariant) {
            if (!FLate && !Scope->Find(Text)) {
                MakeLate(D, E, It->first);
                return false;
            }
            continue;
        }
        TfsClassVariable *Class = FProgram->FindClass(WithVar->TypeName());
        if (TfsCustomHelper *Member = Class ? Class->Find(Text) : nullptr) {
            AddStep(D, WithVar, FErrorPos);
            AddStep(D, Member, FErrorPos);
            AwaitIndex = AwaitsIndex(Member);
            return true;
        }
    }
    AddStep(D, FindVar(Scope, Text), FErrorPos);
    return true;
}

TfsCustomVariable *TfsILBuilder::MemberOf(const AnsiString &TypeName, const AnsiString &Text,
                                          bool &AwaitIndex)
{
    TfsClassVariable *Class = FProgram->FindClass(TypeName);
    if (!Class) throw Exception(SClassRequired);
    if (Text == "[") {
        if (!Class->DefProperty) throw Exception(Format(SClassError, {TypeName}));
        return Class->DefProperty;
    }
    TfsCustomHelper *Member = Class->Find(Text);
    if (!Member) throw Exception(SIdUndeclared + Quoted(Text));
    AwaitIndex = AwaitsIndex(Member);
    return Member;
}

bool TfsILBuilder::NextNode(TfsXMLItem *E, TfsXMLItem *Node, TfsScript *Scope, TfsDesignator &D,
                            bool &AwaitIndex)
{
    AnsiString Text = TextOf(Node);
    TfsDesignatorItem *Last = D.Step(D.Count() - 1);
    TfsCustomVariable *R = Last->Ref;
    if (AwaitIndex) {
        if (Text != "[") throw Exception(SIndexRequired);
        AwaitIndex = false;
        return true;
    }
    TfsVarType Typ = R->Typ();
    AnsiString TypeName = R->TypeName();
    if (Typ == fvtConstructor && D.Count() > 1) {
        Typ = fvtClass;
        TypeName = D.Step(D.Count() - 2)->Ref->TypeName();
    }
    if (Typ == fvtVariant) {
        // The members after an automation object's member are that object's too.
        if (dynamic_cast<TfsOLEHelper *>(R) && Text != "[") {
            AddOleStep(D, Text);
            return true;
        }
        Variant Value = IsPlainStorage(R) ? R->GetValue() : fsNull();
        if (VarIsArray(Value) || (!IsPlainStorage(R) && Text == "[")) {
            if (Text != "[") throw Exception(SIndexRequired);
            AddStep(D, FindVar(Scope, "__ArrayHelper"), FErrorPos);
            return true;
        }
        if (VarIsNull(Value) || VarIsEmpty(Value)) {
            if (!FLate && IsPlainStorage(R)) {
                MakeLate(D, E, "");
                return false;
            }
            if (Text == "[") {
                AddStep(D, FindVar(Scope, "__ArrayHelper"), FErrorPos);
                return true;
            }
            throw Exception(SClassRequired);
        }
        if (VarIsStr(Value)) {
            Typ = fvtString;
        } else if (fsDispatchOf(Value)) {
            AddOleStep(D, Text);
            return true;
        } else {
            // Only a live object names a class; any other number is not one.
            if (!fsIsObject(Value)) throw Exception(SClassRequired);
            TypeName = fsVariantToObject(Value)->ClassName();
            R->SetTypeName(TypeName);
            Typ = fvtClass;
        }
    }
    switch (Typ) {
    case fvtString:
        if (Text != "[") throw Exception(SStringError);
        AddStep(D, FindVar(Scope, "__StringHelper"), FErrorPos);
        return true;
    case fvtClass:
        AddStep(D, MemberOf(TypeName, Text, AwaitIndex), FErrorPos);
        return true;
    case fvtArray:
        if (Text == "[" && R->RefItem) {
            AddStep(D, R->RefItem, FErrorPos);
            return true;
        }
        throw Exception(SArrayRequired);
    default:
        throw Exception(SArrayRequired);
    }
}

void TfsILBuilder::CheckArguments(TfsDesignator &D)
{
    for (int I = 0; I < D.Count(); ++I) {
        TfsDesignatorItem *Item = D.Step(I);
        TfsCustomVariable *Ref = Item->Ref;
        if (dynamic_cast<TfsDesignator *>(Ref)) continue;
        FErrorPos = Item->SourcePos.IsEmpty() ? FErrorPos : Item->SourcePos;
        if (Item->Count() < Ref->GetNumberOfRequiredParams()) throw Exception(SNotEnoughParams);
        if (Item->Count() > Ref->Count()) throw Exception(STooManyParams);
        for (int J = Item->Count(); J < Ref->Count(); ++J)
            Item->Add(ConstExpression(D.Program(), Ref->Params(J)->DefValue));
        for (int J = 0; J < Item->Count(); ++J) {
            if (auto *Arg = dynamic_cast<TfsExpression *>(Item->Arg(J)))
                if (!Arg->ExprPos.IsEmpty()) FErrorPos = Arg->ExprPos;
            CheckTypeCompatibility(Ref->Params(J), Item->Arg(J));
        }
    }
}

std::unique_ptr<TfsDesignator> TfsILBuilder::DoDesignator(TfsXMLItem *E, TfsScript *Scope,
                                                          TfsEmitOp Emit)
{
    fsCheckStack();
    SetErrorPos(E);
    auto D = std::make_unique<TfsDesignator>(Scope);
    bool AwaitIndex = false;
    for (int I = 0; I < E->Count(); ++I) {
        TfsXMLItem *C = E->Items(I);
        AnsiString Name = NameOf(C);
        if (Name == "addr") {
            if (E->Count() != 2) throw Exception(SVarRequired);
            auto Const = std::make_unique<TfsVariable>("", fvtString, "");
            Const->SetValue(Variant(TextOf(E->Items(1))));
            Const->IsReadOnly = true;
            AddStep(*D, Const.get(), FErrorPos);
            Scope->Add("", std::move(Const));
            break;
        }
        if (Name == "node") {
            bool Go = D->Count() == 0 ? FirstNode(E, C, Scope, *D, AwaitIndex)
                                      : NextNode(E, C, Scope, *D, AwaitIndex);
            if (!Go) return D;
            if (D->Count() == 1 && Emit == emCreate) {
                auto *Class = dynamic_cast<TfsClassVariable *>(D->Step(0)->Ref);
                if (!Class) throw Exception(SClassRequired);
                TfsCustomHelper *Create = Class->Find("Create");
                if (!Create) throw Exception(SIdUndeclared + Quoted("Create"));
                AddStep(*D, Create, FErrorPos);
            }
        } else if (Name == "expr") {
            if (D->Count() == 0) throw Exception(SVarRequired);
            TfsDesignatorItem *Last = D->Step(D->Count() - 1);
            if (auto *Ole = dynamic_cast<TfsOLEHelper *>(Last->Ref)) Ole->AddArgument();
            Last->Add(DoExpression(C, Scope));
        }
    }
    if (D->Count() == 0) throw Exception(SVarRequired);
    if (AwaitIndex) throw Exception(SIndexRequired);
    if (Emit == emFree) {
        TfsCustomVariable *Last = D->Step(D->Count() - 1)->Ref;
        if (Last->Typ() != fvtClass && Last->Typ() != fvtVariant) throw Exception(SClassRequired);
        TfsClassVariable *Root = FProgram->FindClass("TObject");
        TfsCustomHelper *Free = Root ? Root->Find("Free") : nullptr;
        if (!Free) throw Exception(SIdUndeclared + Quoted("Free"));
        AddStep(*D, Free, FErrorPos);
    }
    D->Finalize();
    std::unique_ptr<TfsDesignator> Result = fsSpecialiseDesignator(std::move(D));
    CheckArguments(*Result);
    return Result;
}
