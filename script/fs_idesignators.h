#pragma once

// Designators: chains such as a.b.c(x, y)[i] that a script reads, writes or calls.

#include "script/fs_iinterpreter.h"

#include <array>

class TfsXMLItem;

enum TfsDesignatorKind { dkOther, dkVariable, dkStringArray, dkArray, dkCall };

class TfsArrayHelper;
class TfsCustomHelper;
class TfsMethodHelper;
class TfsProcVariable;

// What a step's item is, worked out once: a chain runs for every row of a report
// and type tests on the interpreter's deep class tree cost more than the step.
struct TfsStepRoles {
    TfsCustomVariable *Of = nullptr; // the item these roles were found for
    bool IsDesignator = false;
    TfsProcVariable *Proc = nullptr;
    TfsCustomHelper *Helper = nullptr;
    TfsMethodHelper *Method = nullptr;
    TClass ClassRef = nullptr; // set when the item is a class (a constructor's parent)
};

// One step of a chain: the item it names and the arguments of that step.
class TfsDesignatorItem : public TfsItemList
{
public:
    TfsCustomVariable *Ref = nullptr;
    AnsiString SourcePos;
    TfsCustomVariable *Arg(int Index) const
    {
        return static_cast<TfsCustomVariable *>(Items(Index));
    }
    // The roles of Ref, found again whenever Ref changed.
    const TfsStepRoles &Roles();

private:
    TfsStepRoles FRoles;
};

class TfsDesignator : public TfsCustomVariable
{
public:
    explicit TfsDesignator(TfsScript *AProgram);
    ~TfsDesignator() override;

    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;
    // An array element takes the value over.
    void TakeValue(Variant &&AValue) override;
    void Finalize();
    // Takes over the other designator's steps and settings.
    void Borrow(TfsDesignator &Designator);

    TfsDesignatorItem *Step(int Index) const
    {
        return static_cast<TfsDesignatorItem *>(Items(Index));
    }
    TfsScript *Program() const { return FProgram; }
    TfsDesignatorKind Kind = dkOther;
    TfsCustomVariable *Ref = nullptr;
    TfsCustomVariable *Index = nullptr;
    TfsDesignatorItem *Indices = nullptr;
    // The IL of a chain resolved at its first use; null once resolved.
    std::unique_ptr<TfsXMLItem> LateBindingSource;

protected:
    void CheckLateBinding();
    Variant DoCalc(const Variant &AValue, bool Flag);
    // A variable indexed as an array: the element is reached where the variable keeps
    // the array, without walking the chain (loops do this on every pass).
    bool IsElement() const { return FElementHelper != nullptr; }
    Variant ReadElement();
    void WriteElement(Variant &&AValue);

private:
    void FindElementPath();
    void PassIndices();

    TfsScript *FProgram;
    TfsArrayHelper *FElementHelper = nullptr;
    // Where the indices that are constants or plain variables keep their values.
    static constexpr int FewIndices = 3;
    std::array<const Variant *, FewIndices> FDirectIndices{};
    bool FIndicesDirect = false;
    // Where the helper reads each of those indices; null for a parameter it fixes itself.
    std::array<Variant *, FewIndices> FIndexSlots{};
    int FIndexSlotCount = 0;
};

class TfsVariableDesignator : public TfsDesignator
{
public:
    using TfsDesignator::TfsDesignator;
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;
    void TakeValue(Variant &&AValue) override;
};

class TfsStringDesignator : public TfsDesignator
{
public:
    using TfsDesignator::TfsDesignator;
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;

private:
    int CheckedIndex();
};

class TfsArrayDesignator : public TfsDesignator
{
public:
    using TfsDesignator::TfsDesignator;
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;
};

// A routine called by its name alone, F(x, y), the script's own or a built-in one:
// loops and report rows call such routines over and over, and walking the general
// chain costs more than the call.
class TfsCallDesignator : public TfsDesignator
{
public:
    using TfsDesignator::TfsDesignator;
    Variant GetValue() override;

private:
    // Where an argument's value comes from, and where a var parameter's value goes
    // back to (null for a value parameter): the plain variable or constant an argument
    // names is used without going through its expression.
    struct TfsArgument {
        TfsCustomVariable *Source;
        TfsCustomVariable *Target;
    };
    // Found at the first call, once the default arguments are in place.
    void FindArguments();
    void PassArguments();
    void ReturnVarArguments(TfsLocalsGuard &Locals);

    std::vector<TfsArgument> FArguments;
    bool FArgumentsFound = false;
    bool FHasVarParams = false;
    TfsProcVariable *FProc = nullptr;    // the script's own routine
    TfsCustomHelper *FBuiltIn = nullptr; // or the host's
};

// Builds the specialised designator that matches the kind Finalize found.
std::unique_ptr<TfsDesignator> fsSpecialiseDesignator(std::unique_ptr<TfsDesignator> Designator);
