#pragma once

// Statements. Leaving a block early (break, continue, exit, termination) is carried
// by flags on the owning script, not by exceptions; run-time errors are exceptions.

#include "script/fs_iexpression.h"
#include "script/fs_iinterpreter.h"

class TfsDesignator;
class TfsExpression;
class TfsSetExpression;
class TfsVariable;

// The compound statement; every other kind derives from it.
class TfsStatement : public TfsItemList
{
public:
    TfsStatement(TfsScript *AProgram, const AnsiString &AUnitName, const AnsiString &ASourcePos);
    virtual void Execute();
    TfsStatement *Statement(int Index) const { return static_cast<TfsStatement *>(Items(Index)); }

    TfsScript *Prog;
    AnsiString UnitName;
    AnsiString SourcePos;

protected:
    void RunLine();
    // RunLine, then whether the statement may go on.
    bool Start();
    // One pass of a loop body: false when the loop must stop.
    bool RunBody(TfsStatement &Body);
    void ExecuteItems() { TfsStatement::Execute(); }
};

class TfsAssignmentStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsAssignmentStmt() override;
    void Execute() override;
    // Picks the shortest way to the target and the source.
    void Optimize();

    std::unique_ptr<TfsDesignator> Designator;
    std::unique_ptr<TfsExpression> Expression;

protected:
    // Stores the result of Op (opNone: the value itself) in the target.
    void Store(TfsOperatorType Op);
    // Kept inline: the plain variable is what every loop pass assigns.
    void Put(Variant &&Value)
    {
        if (FInPlace)
            *FInPlace = std::move(Value);
        else
            FVar->TakeValue(std::move(Value));
    }

    TfsCustomVariable *FVar = nullptr;
    TfsCustomVariable *FExpr = nullptr;
    // The target's own value when it is a plain writable variable: loops assign to
    // such variables on every pass, and this spares the virtual calls and a copy.
    Variant *FInPlace = nullptr;
    // The source's own value when it is a constant or a plain variable: reading it
    // runs nothing, so the target need not be copied before.
    const Variant *FExprDirect = nullptr;
};

class TfsAssignPlusStmt : public TfsAssignmentStmt
{
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsAssignMinusStmt : public TfsAssignmentStmt
{
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsAssignMulStmt : public TfsAssignmentStmt
{
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsAssignDivStmt : public TfsAssignmentStmt
{
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsCallStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsCallStmt() override;
    void Execute() override;
    // Settles the step of "x++" and "x--" once the designator is set.
    void Optimize();

    std::unique_ptr<TfsDesignator> Designator;
    AnsiString Modificator;

private:
    TfsOperatorType FStep = opNone;
    // The plain variable "x++" steps.
    TfsCustomVariable *FCounter = nullptr;
};

class TfsIfStmt : public TfsStatement
{
public:
    TfsIfStmt(TfsScript *AProgram, const AnsiString &AUnitName, const AnsiString &ASourcePos);
    ~TfsIfStmt() override;
    void Execute() override;

    std::unique_ptr<TfsExpression> Condition;
    std::unique_ptr<TfsStatement> ElseStmt;
};

class TfsCaseSelector : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsCaseSelector() override;
    bool Check(const Variant &Value);

    std::unique_ptr<TfsSetExpression> SetExpression;
};

class TfsCaseStmt : public TfsStatement
{
public:
    TfsCaseStmt(TfsScript *AProgram, const AnsiString &AUnitName, const AnsiString &ASourcePos);
    ~TfsCaseStmt() override;
    void Execute() override;

    std::unique_ptr<TfsExpression> Condition;
    std::unique_ptr<TfsStatement> ElseStmt;
};

class TfsRepeatStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsRepeatStmt() override;
    void Execute() override;

    std::unique_ptr<TfsExpression> Condition;
    bool InverseCondition = false;
};

class TfsWhileStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsWhileStmt() override;
    void Execute() override;

    std::unique_ptr<TfsExpression> Condition;
};

class TfsForStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsForStmt() override;
    void Execute() override;

    TfsCustomVariable *Variable = nullptr;
    std::unique_ptr<TfsExpression> BeginValue;
    std::unique_ptr<TfsExpression> EndValue;
    bool Down = false;
};

class TfsVbForStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsVbForStmt() override;
    void Execute() override;

    TfsCustomVariable *Variable = nullptr;
    std::unique_ptr<TfsExpression> BeginValue;
    std::unique_ptr<TfsExpression> EndValue;
    std::unique_ptr<TfsExpression> Step;
};

class TfsCppForStmt : public TfsStatement
{
public:
    TfsCppForStmt(TfsScript *AProgram, const AnsiString &AUnitName, const AnsiString &ASourcePos);
    ~TfsCppForStmt() override;
    void Execute() override;

    std::unique_ptr<TfsStatement> FirstStmt;
    std::unique_ptr<TfsExpression> Condition;
    std::unique_ptr<TfsStatement> NextStmt;
};

class TfsTryStmt : public TfsStatement
{
public:
    TfsTryStmt(TfsScript *AProgram, const AnsiString &AUnitName, const AnsiString &ASourcePos);
    void Execute() override;

    bool IsExcept = false;
    std::unique_ptr<TfsStatement> ExceptStmt;

private:
    void RunFinally();
};

class TfsBreakStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
};

class TfsContinueStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
};

class TfsExitStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
};

class TfsWithStmt : public TfsStatement
{
public:
    using TfsStatement::TfsStatement;
    ~TfsWithStmt() override;
    void Execute() override;

    std::unique_ptr<TfsDesignator> Designator;
    TfsCustomVariable *Variable = nullptr;
};
