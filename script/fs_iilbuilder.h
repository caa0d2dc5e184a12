#pragma once

// The second half of compilation: the IL document becomes the program tree, with
// every semantic check of the languages. Errors end up in the script's ErrorMsg,
// ErrorPos and ErrorUnit, never as exceptions.

#include "script/fs_iinterpreter.h"

#include <utility>
#include <vector>

class TfsDesignator;
class TfsExpression;
class TfsSetExpression;
class TfsStatement;
class TfsWithStmt;
class TfsXMLItem;

class TfsILBuilder
{
public:
    // Source is the text the IL was made from (for the source text of expressions);
    // NeedDeclareVars false lets an undeclared name become a global Variant;
    // GrammarTypes, the language's type aliases, serve IL that has none.
    TfsILBuilder(TfsScript *AProgram, const AnsiString &ASource, bool ANeedDeclareVars,
                 TfsXMLItem *AGrammarTypes = nullptr);

    // Builds the IL program element into the script.
    void ParseILScript(TfsXMLItem *ProgramElement);
    // Builds a designator whose names were unknown at compile time; raises.
    std::unique_ptr<TfsDesignator> BuildLate(TfsXMLItem *Element);

private:
    enum TfsEmitOp { emNone, emCreate, emFree };
    struct TTypeInfo {
        TfsVarType Typ;
        AnsiString TypeName;
    };

    void SetErrorPos(TfsXMLItem *E);
    void CheckIdent(TfsScript *Scope, const AnsiString &Name);
    TfsClassVariable *FindClass(const AnsiString &Name);
    void CheckTypeCompatibility(TfsCustomVariable *Var1, TfsCustomVariable *Var2);
    // "x op= y" is checked as "x = x op y" would be.
    void CheckCompoundAssignment(TfsCustomVariable *Target, TfsCustomVariable *Source,
                                 const AnsiString &Op);
    TfsCustomVariable *FindVar(TfsScript *Scope, const AnsiString &Name);
    TTypeInfo FindType(const AnsiString &Name);
    AnsiString SourceBetween(const AnsiString &From, const AnsiString &To) const;
    template <class T> T *NewStatement(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);

    void DoProgram(TfsXMLItem *P, TfsScript *Scope);
    void DeclareRoutines(TfsXMLItem *P, TfsScript *Scope);
    void DoCompoundStmt(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoStmt(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoVar(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    std::unique_ptr<TfsCustomVariable> CreateVar(TfsXMLItem *E, TfsScript *Scope,
                                                 const AnsiString &Name, TfsStatement *List,
                                                 bool IsParam, bool IsVarParam);
    TfsCustomVariable *CreateArray(TfsXMLItem *Array, TfsScript *Scope, const TTypeInfo &Type,
                                   Variant &Value);
    void DoConst(TfsXMLItem *E, TfsScript *Scope);
    // Declaration pass: routines are known before the text that defines them.
    AnsiString RoutineName(TfsXMLItem *E, TfsScript *Scope);
    void DoProc1(TfsXMLItem *E, TfsScript *Scope);
    void DoFunc1(TfsXMLItem *E, TfsScript *Scope);
    void AddRoutine(TfsXMLItem *E, TfsScript *Scope, const AnsiString &Name, const TTypeInfo &Type,
                    bool IsFunc);
    void DoParameters(TfsXMLItem *E, TfsProcVariable *Routine);
    // Build pass: the routine's local declarations and body.
    void DoProc2(TfsXMLItem *E, TfsScript *Scope);
    // A function's body is built as a procedure's.
    void DoFunc2(TfsXMLItem *E, TfsScript *Scope) { DoProc2(E, Scope); }
    void DoUses(TfsXMLItem *E, TfsScript *Scope);

    void DoAssign(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoCall(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoIf(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoCase(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    TfsCustomVariable *ForVariable(TfsXMLItem *E, TfsScript *Scope);
    void DoFor(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoVbFor(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoCppFor(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoWhile(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoRepeat(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoTry(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoReturn(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoDelete(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);
    void DoWith(TfsXMLItem *E, TfsScript *Scope, TfsStatement *List);

    std::unique_ptr<TfsExpression> DoExpression(TfsXMLItem *E, TfsScript *Scope);
    void AddExpressionItems(TfsXMLItem *E, TfsScript *Scope, TfsExpression &Expr);
    std::unique_ptr<TfsSetExpression> DoSet(TfsXMLItem *E, TfsScript *Scope);
    std::unique_ptr<TfsDesignator> DoDesignator(TfsXMLItem *E, TfsScript *Scope, TfsEmitOp Emit);
    bool FirstNode(TfsXMLItem *E, TfsXMLItem *Node, TfsScript *Scope, TfsDesignator &D,
                   bool &AwaitIndex);
    bool NextNode(TfsXMLItem *E, TfsXMLItem *Node, TfsScript *Scope, TfsDesignator &D,
                  bool &AwaitIndex);
    TfsCustomVariable *MemberOf(const AnsiString &TypeName, const AnsiString &Text,
                                bool &AwaitIndex);
    void AddOleStep(TfsDesignator &D, const AnsiString &Member);
    void MakeLate(TfsDesignator &D, TfsXMLItem *E, const AnsiString &WithName);
    void CheckArguments(TfsDesignator &D);

    TfsScript *FProgram;
    AnsiString FSource;
    bool FNeedDeclareVars;
    bool FLate = false;
    AnsiString FErrorPos;
    AnsiString FUnitName;
    TfsXMLItem *FGrammarTypes;
    TfsXMLItem *FProgRoot = nullptr;
    std::vector<std::pair<AnsiString, TfsWithStmt *>> FWithList;
    std::vector<int> FLineStarts;
};

// Builds a late-bound designator at its first use (designators call it).
std::unique_ptr<TfsDesignator> fsBuildLateDesignator(TfsScript *Program, TfsXMLItem *Source);
