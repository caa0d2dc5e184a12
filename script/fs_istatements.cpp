#include "script/fs_istatements.h"

#include "script/fs_idesignators.h"
#include "script/fs_iexpression.h"

#include <cstdint>
#include <typeinfo>

namespace
{

bool IsTrue(TfsExpression *Condition)
{
    // A missing condition (an empty C-style clause) is always true.
    return !Condition || Condition->IsTrue();
}

// The test of a counted loop; two Integers, the usual case, compare directly.
bool Within(TfsOperatorType Test, const Variant &Counter, const Variant &Limit)
{
    if (Counter.Type() == varInteger && Limit.Type() == varInteger)
        return Test == opLessEq ? Counter.RawInteger() <= Limit.RawInteger()
                                : Counter.RawInteger() >= Limit.RawInteger();
    return fsVarToBool(fsOperate(Test, Counter, Limit));
}

} // namespace

TfsStatement::TfsStatement(TfsScript *AProgram, const AnsiString &AUnitName,
                           const AnsiString &ASourcePos)
    : Prog(AProgram), UnitName(AUnitName), SourcePos(ASourcePos)
{
}

void TfsStatement::Execute()
{
    for (int I = 0; I < Count(); ++I) {
        if (Prog->Terminated) break;
        Statement(I)->Execute();
        if (Prog->BreakCalled || Prog->ContinueCalled || Prog->ExitCalled) break;
    }
}

void TfsStatement::RunLine()
{
    Prog->RunLine(UnitName, SourcePos);
}

bool TfsStatement::Start()
{
    RunLine();
    return !Prog->Terminated;
}

bool TfsStatement::RunBody(TfsStatement &Body)
{
    Body.TfsStatement::Execute();
    // Termination ends the loop also when a finally block has put the exit flag back.
    if (Prog->BreakCalled || Prog->ExitCalled || Prog->Terminated) return false;
    Prog->ContinueCalled = false;
    return true;
}

// ---------------------------------------------------------------- assignments

TfsAssignmentStmt::~TfsAssignmentStmt() = default;

void TfsAssignmentStmt::Optimize()
{
    FVar = Designator.get();
    if (dynamic_cast<TfsVariableDesignator *>(Designator.get())) FVar = Designator->Ref;
    FExpr = Expression->SingleItem();
    if (!FExpr) FExpr = Expression->Root();
    bool Plain = typeid(*FVar) == typeid(TfsVariable) || typeid(*FVar) == typeid(TfsParamItem);
    FInPlace = Plain && !FVar->IsReadOnly ? FVar->PValue() : nullptr;
    FExprDirect = Expression->DirectValue();
}

void TfsAssignmentStmt::Store(TfsOperatorType Op)
{
    if (Op == opNone) {
        Put(FExpr->GetValue());
        return;
    }
    if (FInPlace && FExprDirect) {
        *FInPlace = fsOperate(Op, *FInPlace, *FExprDirect);
        return;
    }
    // The target is read before the source runs: the source may change it.
    Variant Value = FInPlace ? *FInPlace : FVar->GetValue();
    Put(fsOperate(Op, Value, FExpr->GetValue()));
}

void TfsAssignmentStmt::Execute()
{
    if (Start()) Store(opNone);
}

void TfsAssignPlusStmt::Execute()
{
    if (Start()) Store(opPlus);
}

void TfsAssignMinusStmt::Execute()
{
    if (Start()) Store(opMinus);
}

void TfsAssignMulStmt::Execute()
{
    if (Start()) Store(opMul);
}

void TfsAssignDivStmt::Execute()
{
    if (Start()) Store(opDivFloat);
}

// ---------------------------------------------------------------- calls and branches

TfsCallStmt::~TfsCallStmt() = default;

void TfsCallStmt::Optimize()
{
    FStep = Modificator.IsEmpty() ? opNone : Modificator == "-" ? opMinus : opPlus;
    auto *Plain = dynamic_cast<TfsVariableDesignator *>(Designator.get());
    TfsCustomVariable *Var = Plain ? Plain->Ref : nullptr;
    FCounter = Var && typeid(*Var) == typeid(TfsVariable) ? Var : nullptr;
}

void TfsCallStmt::Execute()
{
    if (!Start()) return;
    if (FStep == opNone) {
        Designator->NeedResult = false;
        Designator->GetValue();
        return;
    }
    // A loop's counter: an Integer steps in place as the addition would give it.
    if (FCounter && !FCounter->IsReadOnly && FCounter->PValue()->Type() == varInteger) {
        Variant &Counter = *FCounter->PValue();
        Counter = Variant::FromInteger(Counter.RawInteger() + (FStep == opMinus ? -1 : 1));
        return;
    }
    Designator->SetValue(fsOperate(FStep, Designator->GetValue(), Variant(1)));
}

TfsIfStmt::TfsIfStmt(TfsScript *AProgram, const AnsiString &AUnitName, const AnsiString &ASourcePos)
    : TfsStatement(AProgram, AUnitName, ASourcePos),
      ElseStmt(std::make_unique<TfsStatement>(AProgram, AUnitName, ASourcePos))
{
}

TfsIfStmt::~TfsIfStmt() = default;

void TfsIfStmt::Execute()
{
    if (!Start()) return;
    if (IsTrue(Condition.get()))
        ExecuteItems();
    else
        ElseStmt->Execute();
}

TfsCaseSelector::~TfsCaseSelector() = default;

bool TfsCaseSelector::Check(const Variant &Value)
{
    return SetExpression->Check(Value);
}

TfsCaseStmt::TfsCaseStmt(TfsScript *AProgram, const AnsiString &AUnitName,
                         const AnsiString &ASourcePos)
    : TfsStatement(AProgram, AUnitName, ASourcePos),
      ElseStmt(std::make_unique<TfsStatement>(AProgram, AUnitName, ASourcePos))
{
}

TfsCaseStmt::~TfsCaseStmt() = default;

void TfsCaseStmt::Execute()
{
    Variant Value = Condition->GetValue();
    if (!Start()) return;
    for (int I = 0; I < Count(); ++I) {
        auto *Selector = static_cast<TfsCaseSelector *>(Items(I));
        if (Selector->Check(Value)) {
            Selector->TfsStatement::Execute();
            return;
        }
    }
    ElseStmt->Execute();
}

// ---------------------------------------------------------------- loops

TfsRepeatStmt::~TfsRepeatStmt() = default;

void TfsRepeatStmt::Execute()
{
    if (!Start()) return;
    while (RunBody(*this)) {
        if (IsTrue(Condition.get()) != InverseCondition) break;
    }
    Prog->BreakCalled = false;
}

TfsWhileStmt::~TfsWhileStmt() = default;

void TfsWhileStmt::Execute()
{
    if (!Start()) return;
    while (IsTrue(Condition.get()) && RunBody(*this)) {
    }
    Prog->BreakCalled = false;
}

TfsForStmt::~TfsForStmt() = default;

void TfsForStmt::Execute()
{
    // The bounds are fixed before the first pass; a 64-bit counter cannot overflow
    // on a loop that runs up to the largest integer.
    long long First = fsVarToInt64(BeginValue->GetValue());
    long long Last = fsVarToInt64(EndValue->GetValue());
    if (!Start()) return;
    if (Down ? First >= Last : First <= Last) {
        for (long long I = First;; Down ? --I : ++I) {
            *Variable->PValue() =
                I >= INT32_MIN && I <= INT32_MAX ? Variant(static_cast<int>(I)) : Variant(I);
            if (!RunBody(*this) || I == Last) break;
        }
    }
    Prog->BreakCalled = false;
}

TfsVbForStmt::~TfsVbForStmt() = default;

void TfsVbForStmt::Execute()
{
    Variant Counter = BeginValue->GetValue();
    Variant Limit = EndValue->GetValue();
    Variant StepValue = Step ? Step->GetValue() : Variant(1);
    if (!Start()) return;
    bool Downward = fsVarToBool(fsOperate(opLess, StepValue, Variant(0)));
    TfsOperatorType Test = Downward ? opGreatEq : opLessEq;
    while (Within(Test, Counter, Limit)) {
        Variable->SetValue(Counter);
        if (!RunBody(*this)) break;
        Counter = Counter + StepValue;
    }
    Prog->BreakCalled = false;
}

TfsCppForStmt::TfsCppForStmt(TfsScript *AProgram, const AnsiString &AUnitName,
                             const AnsiString &ASourcePos)
    : TfsStatement(AProgram, AUnitName, ASourcePos),
      FirstStmt(std::make_unique<TfsStatement>(AProgram, AUnitName, ASourcePos)),
      NextStmt(std::make_unique<TfsStatement>(AProgram, AUnitName, ASourcePos))
{
}

TfsCppForStmt::~TfsCppForStmt() = default;

void TfsCppForStmt::Execute()
{
    if (!Start()) return;
    FirstStmt->Execute();
    if (Prog->Terminated) return;
    // The usual single step runs without its list: after a pass that may go on,
    // the list would run it all the same.
    TfsStatement *Step = NextStmt->Count() == 1 ? NextStmt->Statement(0) : NextStmt.get();
    while (IsTrue(Condition.get()) && RunBody(*this))
        Step->Execute();
    Prog->BreakCalled = false;
}

// ---------------------------------------------------------------- try, jumps, with

TfsTryStmt::TfsTryStmt(TfsScript *AProgram, const AnsiString &AUnitName,
                       const AnsiString &ASourcePos)
    : TfsStatement(AProgram, AUnitName, ASourcePos),
      ExceptStmt(std::make_unique<TfsStatement>(AProgram, AUnitName, ASourcePos))
{
}

void TfsTryStmt::RunFinally()
{
    // A break or continue that leaves the protected block must not cut the finally
    // block short either: all three jumps wait until it has run.
    bool Exit = Prog->ExitCalled;
    bool Break = Prog->BreakCalled;
    bool Continue = Prog->ContinueCalled;
    Prog->ExitCalled = false;
    Prog->BreakCalled = false;
    Prog->ContinueCalled = false;
    ExceptStmt->Execute();
    Prog->ExitCalled = Exit;
    Prog->BreakCalled = Break;
    Prog->ContinueCalled = Continue;
}

void TfsTryStmt::Execute()
{
    if (!Start()) return;
    if (IsExcept) {
        try {
            ExecuteItems();
        } catch (const std::exception &) {
            // The script has no access to the exception: the handler runs and it is dropped.
            ExceptStmt->Execute();
        }
        return;
    }
    try {
        ExecuteItems();
    } catch (...) {
        RunFinally();
        throw;
    }
    RunFinally();
}

void TfsBreakStmt::Execute()
{
    Prog->BreakCalled = true;
}

void TfsContinueStmt::Execute()
{
    Prog->ContinueCalled = true;
}

void TfsExitStmt::Execute()
{
    Prog->ExitCalled = true;
}

TfsWithStmt::~TfsWithStmt() = default;

void TfsWithStmt::Execute()
{
    if (Start()) Variable->SetValue(Designator->GetValue());
}
