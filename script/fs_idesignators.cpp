#include "script/fs_idesignators.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_iexpression.h"
#include "script/fs_ihelpers.h"
#include "script/fs_iilbuilder.h"
#include "script/fs_xml.h"

#include <algorithm>
#include <array>
#include <memory>

namespace
{

Variant ArgumentValue(TfsCustomVariable *Ref, TfsCustomVariable *Arg)
{
    // A macro function gets the text of its argument, not its value.
    if (Ref->IsMacro)
        if (auto *Expr = dynamic_cast<TfsExpression *>(Arg)) return Variant(Expr->Source);
    return Arg->GetValue();
}

// A script's own routine or a host's method: a call by its name alone.
bool IsRoutine(TfsCustomVariable *Item)
{
    return dynamic_cast<TfsProcVariable *>(Item) || dynamic_cast<TfsMethodHelper *>(Item);
}

// A call's values, one per argument, each made where it is kept (ValueOf(J) in the
// order of the arguments): most calls have a few, and those need no allocation.
class TCallValues
{
public:
    template <class ValueOfIndex> TCallValues(int Count, ValueOfIndex &&ValueOf)
    {
        if (Count > Inline) {
            FMany.reserve(Count);
            for (int J = 0; J < Count; ++J)
                FMany.push_back(ValueOf(J));
            return;
        }
        try {
            for (; FMade < Count; ++FMade)
                ::new (&FFew[FMade]) Variant(ValueOf(FMade));
        } catch (...) {
            std::destroy_n(FFew, FMade);
            throw;
        }
    }
    ~TCallValues() { std::destroy_n(FFew, FMade); }
    TCallValues(const TCallValues &) = delete;
    TCallValues &operator=(const TCallValues &) = delete;
    Variant &operator[](int Index) { return FMany.empty() ? FFew[Index] : FMany[Index]; }

private:
    static constexpr int Inline = 4;
    int FMade = 0;
    std::vector<Variant> FMany;
    union {
        Variant FFew[Inline];
    };
};

void PassArguments(TfsDesignatorItem *Item, TfsCustomVariable *Ref)
{
    int Count = Item->Count();
    if (Count == 1) {
        Variant Value = ArgumentValue(Ref, Item->Arg(0));
        if (Ref->Count() > 0) Ref->Params(0)->TakeValue(std::move(Value));
        return;
    }
    // All arguments first: one of them may read a parameter of the same routine.
    TCallValues Values(Count, [&](int J) { return ArgumentValue(Ref, Item->Arg(J)); });
    // The values are ours: the parameters take them over uncopied.
    for (int J = 0; J < Ref->Count() && J < Count; ++J)
        Ref->Params(J)->TakeValue(std::move(Values[J]));
}

// The results are taken before a recursive call's locals come back and handed on
// after: a var argument may be a local of the routine that calls itself.
void ReturnVarArguments(TfsDesignatorItem *Item, TfsCustomVariable *Ref, TfsLocalsGuard &Locals)
{
    std::vector<std::pair<int, Variant>> Results;
    for (int J = 0; J < Ref->Count() && J < Item->Count(); ++J)
        if (Ref->Params(J)->IsVarParam) Results.emplace_back(J, Ref->Params(J)->GetValue());
    Locals.Restore();
    for (auto &[J, Value] : Results)
        Item->Arg(J)->SetValue(Value);
}

} // namespace

const TfsStepRoles &TfsDesignatorItem::Roles()
{
    if (FRoles.Of == Ref) return FRoles;
    FRoles = TfsStepRoles{};
    FRoles.Of = Ref;
    FRoles.IsDesignator = dynamic_cast<TfsDesignator *>(Ref) != nullptr;
    FRoles.Proc = dynamic_cast<TfsProcVariable *>(Ref);
    FRoles.Helper = dynamic_cast<TfsCustomHelper *>(Ref);
    FRoles.Method = dynamic_cast<TfsMethodHelper *>(Ref);
    if (auto *Class = dynamic_cast<TfsClassVariable *>(Ref)) FRoles.ClassRef = Class->ClassRef();
    return FRoles;
}

TfsDesignator::TfsDesignator(TfsScript *AProgram)
    : TfsCustomVariable("", fvtVariant, ""), FProgram(AProgram)
{
}

TfsDesignator::~TfsDesignator() = default;

Variant TfsDesignator::GetValue()
{
    CheckLateBinding();
    if (IsElement()) return ReadElement();
    return DoCalc(fsNull(), false);
}

void TfsDesignator::SetValue(const Variant &AValue)
{
    CheckLateBinding();
    if (IsElement())
        WriteElement(Variant(AValue));
    else
        DoCalc(AValue, true);
}

void TfsDesignator::TakeValue(Variant &&AValue)
{
    CheckLateBinding();
    if (IsElement())
        WriteElement(std::move(AValue));
    else
        SetValue(AValue);
}

void TfsDesignator::Finalize()
{
    FindElementPath();
    if (Count() == 0) return;
    TfsCustomVariable *Last = Step(Count() - 1)->Ref;
    SetTyp(Last->Typ());
    SetTypeName(Last->TypeName());
    if (Typ() == fvtConstructor) {
        SetTyp(fvtClass);
        SetTypeName(Count() > 1 ? Step(Count() - 2)->Ref->TypeName() : AnsiString());
    }
    IsReadOnly = Last->IsReadOnly;
    Kind = dkOther;
    TfsCustomVariable *First = Step(0)->Ref;
    if (Count() == 1 &&
        (dynamic_cast<TfsVariable *>(First) || dynamic_cast<TfsParamItem *>(First))) {
        Kind = dkVariable;
        Ref = First;
    } else if (Count() == 2 && dynamic_cast<TfsStringVariable *>(First) && Step(1)->Count() == 1) {
        Kind = dkStringArray;
        Ref = First;
        Index = Step(1)->Arg(0);
    } else if (Count() == 1 && IsRoutine(First) && !First->IsMacro) {
        Kind = dkCall;
        Ref = First;
    } else if (Count() == 2 && dynamic_cast<TfsVariable *>(First) && First->Typ() == fvtArray &&
               First->RefItem && IsElement()) {
        Kind = dkArray;
        Ref = First;
        Index = First->RefItem;
        Indices = Step(1);
    }
}

void TfsDesignator::Borrow(TfsDesignator &Designator)
{
    Swap(Designator);
    Kind = Designator.Kind;
    Ref = Designator.Ref;
    Index = Designator.Index;
    Indices = Designator.Indices;
    SetTyp(Designator.Typ());
    SetTypeName(Designator.TypeName());
    IsReadOnly = Designator.IsReadOnly;
    FindElementPath();
}

void TfsDesignator::FindElementPath()
{
    // The chain reads the variable's own value and the helper then works on that
    // storage in place; the parameter kinds are those the helper keeps in place.
    FElementHelper = nullptr;
    if (Count() != 2) return;
    TfsCustomVariable *Holder = Step(0)->Ref;
    bool InPlace = dynamic_cast<TfsVariable *>(Holder) || dynamic_cast<TfsParamItem *>(Holder);
    if (!InPlace || Holder->Count() != 0) return;
    FElementHelper = dynamic_cast<TfsArrayHelper *>(Step(1)->Ref);
    TfsDesignatorItem *Indices = Step(1);
    FIndicesDirect = Indices->Count() <= FewIndices;
    for (int J = 0; J < FewIndices; ++J) {
        auto *Index =
            J < Indices->Count() ? dynamic_cast<TfsExpression *>(Indices->Arg(J)) : nullptr;
        FDirectIndices[J] = Index ? Index->DirectValue() : nullptr;
        if (J < Indices->Count() && !FDirectIndices[J]) FIndicesDirect = false;
    }
    if (!FElementHelper) return;
    FIndexSlotCount = std::min({Indices->Count(), FElementHelper->Count(), FewIndices});
    for (int J = 0; J < FIndexSlotCount; ++J) {
        TfsParamItem *Param = FElementHelper->Params(J);
        FIndexSlots[J] = Param->IsReadOnly ? nullptr : Param->PValue();
    }
}

// The indices go where the helper reads them, all read before any is stored, as a
// call's arguments are.
void TfsDesignator::PassIndices()
{
    TfsDesignatorItem *Indices = Step(1);
    const int Count = Indices->Count();
    if (FElementHelper->Count() == 0) return;
    if (Count > FewIndices) {
        PassArguments(Indices, FElementHelper);
        return;
    }
    // Constants and plain variables alone run no code: they go across as they are.
    if (FIndicesDirect) {
        for (int J = 0; J < FIndexSlotCount; ++J)
            if (FIndexSlots[J]) *FIndexSlots[J] = *FDirectIndices[J];
        return;
    }
    TCallValues Values(Count, [&](int J) {
        return FDirectIndices[J] ? *FDirectIndices[J] : Indices->Arg(J)->GetValue();
    });
    for (int J = 0; J < FIndexSlotCount; ++J)
        if (FIndexSlots[J]) *FIndexSlots[J] = std::move(Values[J]);
}

Variant TfsDesignator::ReadElement()
{
    PassIndices();
    return FElementHelper->ElementOf(*Step(0)->Ref->PValue());
}

void TfsDesignator::WriteElement(Variant &&AValue)
{
    PassIndices();
    FElementHelper->PutElementOf(*Step(0)->Ref->PValue(), std::move(AValue));
}

void TfsDesignator::CheckLateBinding()
{
    if (!LateBindingSource) return;
    std::unique_ptr<TfsDesignator> Built = fsBuildLateDesignator(FProgram, LateBindingSource.get());
    Borrow(*Built);
    LateBindingSource.reset();
}

Variant TfsDesignator::DoCalc(const Variant &AValue, bool Flag)
{
    Variant ParentValue = fsNull();
    TfsCustomVariable *ParentVar = nullptr;
    TClass ParentClass = nullptr;
    for (int I = 0; I < Count(); ++I) {
        TfsDesignatorItem *Item = Step(I);
        TfsCustomVariable *StepRef = Item->Ref;
        const TfsStepRoles &Roles = Item->Roles();
        bool IsLast = I == Count() - 1;
        if (Roles.IsDesignator) {
            ParentVar = StepRef;
            ParentClass = nullptr;
            ParentValue = StepRef->GetValue();
            continue;
        }
        TfsLocalsGuard Locals(Roles.Proc);
        if (StepRef->Count() > 0) PassArguments(Item, StepRef);
        if (TfsCustomHelper *Helper = Roles.Helper) {
            Helper->ParentRef = ParentVar;
            Helper->ParentValue = ParentValue;
            Helper->Prog = FProgram;
            if (Roles.Method && Roles.Method->IsConstructor && ParentClass)
                Roles.Method->CreatedClass = ParentClass;
        }
        ParentVar = StepRef;
        ParentClass = Roles.ClassRef;
        if (Flag && IsLast) {
            StepRef->SetValue(AValue);
        } else {
            StepRef->NeedResult = !(IsLast && !NeedResult);
            ParentValue = StepRef->GetValue();
        }
        ReturnVarArguments(Item, StepRef, Locals);
    }
    return ParentValue;
}

// ---------------------------------------------------------------- fast shapes

Variant TfsVariableDesignator::GetValue()
{
    return Ref->GetValue();
}

void TfsVariableDesignator::SetValue(const Variant &AValue)
{
    Ref->SetValue(AValue);
}

void TfsVariableDesignator::TakeValue(Variant &&AValue)
{
    Ref->TakeValue(std::move(AValue));
}

// The index runs first: it may change the text.
int TfsStringDesignator::CheckedIndex()
{
    int I = fsVarToInt(Index->GetValue());
    if (I < 1 || static_cast<std::size_t>(I) > static_cast<TfsStringVariable *>(Ref)->Str().size())
        throw ERangeError("String index out of range: " + AnsiString(I));
    return I;
}

Variant TfsStringDesignator::GetValue()
{
    int I = CheckedIndex();
    return Variant(static_cast<TfsStringVariable *>(Ref)->Str()[I - 1]);
}

void TfsStringDesignator::SetValue(const Variant &AValue)
{
    int I = CheckedIndex();
    AnsiString Ch = fsVarToStr(AValue);
    if (!Ch.IsEmpty()) static_cast<TfsStringVariable *>(Ref)->WritableStr()[I - 1] = Ch[1];
}

Variant TfsArrayDesignator::GetValue()
{
    return ReadElement();
}

void TfsArrayDesignator::SetValue(const Variant &AValue)
{
    WriteElement(Variant(AValue));
}

void TfsCallDesignator::FindArguments()
{
    FProc = dynamic_cast<TfsProcVariable *>(Ref);
    FBuiltIn = dynamic_cast<TfsCustomHelper *>(Ref);
    TfsDesignatorItem *Call = Step(0);
    for (int J = 0; J < Call->Count() && J < Ref->Count(); ++J) {
        TfsCustomVariable *Arg = Call->Arg(J);
        auto *Expr = dynamic_cast<TfsExpression *>(Arg);
        TfsCustomVariable *Single = Expr ? Expr->SingleItem() : nullptr;
        TfsArgument Argument{Single ? Single : Arg, nullptr};
        // Only a writable argument names what it is read from; the others ignore the write.
        if (Ref->Params(J)->IsVarParam) {
            Argument.Target = Single && !Expr->IsReadOnly ? Single : Arg;
            FHasVarParams = true;
        }
        FArguments.push_back(Argument);
    }
    FArgumentsFound = true;
}

// All arguments first: one of them may call this routine too. Each value is handed
// over rather than copied.
void TfsCallDesignator::PassArguments()
{
    int Count = static_cast<int>(FArguments.size());
    if (Count == 1) {
        Ref->Params(0)->TakeValue(FArguments[0].Source->GetValue());
        return;
    }
    TCallValues Values(Count, [&](int J) { return FArguments[J].Source->GetValue(); });
    for (int J = 0; J < Count; ++J)
        Ref->Params(J)->TakeValue(std::move(Values[J]));
}

// The results are taken before a recursive call's locals come back and handed on
// after: a var argument may be a local of the routine that calls itself.
void TfsCallDesignator::ReturnVarArguments(TfsLocalsGuard &Locals)
{
    if (!FHasVarParams) return;
    int Count = static_cast<int>(FArguments.size());
    TCallValues Values(Count, [&](int J) {
        return FArguments[J].Target ? Ref->Params(J)->GetValue() : Variant();
    });
    Locals.Restore();
    for (int J = 0; J < Count; ++J)
        if (FArguments[J].Target) FArguments[J].Target->TakeValue(std::move(Values[J]));
}

// The steps of DoCalc for one routine step, in the same order.
Variant TfsCallDesignator::GetValue()
{
    if (!FArgumentsFound) FindArguments();
    TfsLocalsGuard Locals(FProc);
    PassArguments();
    if (FBuiltIn) {
        // Called by its name alone, a host routine has no object before it.
        FBuiltIn->ParentRef = nullptr;
        if (FBuiltIn->ParentValue.Type() != varNull) FBuiltIn->ParentValue = fsNull();
        FBuiltIn->Prog = Program();
    }
    Ref->NeedResult = NeedResult;
    Variant Result = Ref->GetValue();
    ReturnVarArguments(Locals);
    return Result;
}

std::unique_ptr<TfsDesignator> fsSpecialiseDesignator(std::unique_ptr<TfsDesignator> Designator)
{
    std::unique_ptr<TfsDesignator> Result;
    switch (Designator->Kind) {
    case dkVariable:
        Result = std::make_unique<TfsVariableDesignator>(Designator->Program());
        break;
    case dkStringArray:
        Result = std::make_unique<TfsStringDesignator>(Designator->Program());
        break;
    case dkArray:
        Result = std::make_unique<TfsArrayDesignator>(Designator->Program());
        break;
    case dkCall:
        Result = std::make_unique<TfsCallDesignator>(Designator->Program());
        break;
    default:
        return Designator;
    }
    Result->Borrow(*Designator);
    Result->NeedResult = Designator->NeedResult;
    return Result;
}
