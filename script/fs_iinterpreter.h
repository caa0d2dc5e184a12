#pragma once

// The script component, its item list, and the variables that a script can name.
// Everything a script sees is a TfsCustomVariable; statements, expressions and
// designators are item lists too, so the whole program tree is one ownership tree.

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

enum TfsVarType {
    fvtInt,
    fvtBool,
    fvtFloat,
    fvtChar,
    fvtString,
    fvtClass,
    fvtArray,
    fvtVariant,
    fvtEnum,
    fvtConstructor,
};

class TfsScript;
class TfsStatement;
class TfsParamItem;
class TfsMethodHelper;
class TfsClassVariable;
class TfsILParser;

using TfsRunLineEvent =
    std::function<void(TfsScript *Sender, const AnsiString &UnitName, const AnsiString &SourcePos)>;
using TfsGetUnitEvent =
    std::function<void(TfsScript *Sender, const AnsiString &UnitName, AnsiString &UnitText)>;
using TfsCallMethodEvent = std::function<Variant(TObject *Instance, TClass ClassType,
                                                 const AnsiString &MethodName, Variant &Params)>;
using TfsCallMethodNewEvent = std::function<Variant(
    TObject *Instance, TClass ClassType, const AnsiString &MethodName, TfsMethodHelper *Caller)>;
using TfsGetValueEvent =
    std::function<Variant(TObject *Instance, TClass ClassType, const AnsiString &PropName)>;
using TfsSetValueEvent = std::function<void(TObject *Instance, TClass ClassType,
                                            const AnsiString &PropName, const Variant &Value)>;

// Base of every node of the program tree: owns a list of children. A child may be
// null (a set constructor marks a range with an empty entry).
class TfsItemList : public TObject
{
public:
    TfsItemList() = default;
    TfsItemList(const TfsItemList &) = delete;
    TfsItemList &operator=(const TfsItemList &) = delete;
    ~TfsItemList() override;

    virtual void Clear();
    template <class T> T *Add(std::unique_ptr<T> Item)
    {
        T *Result = Item.get();
        FItems.emplace_back(std::move(Item));
        return Result;
    }
    // Takes the item out of the list without freeing it.
    std::unique_ptr<TfsItemList> Remove(TfsItemList *Item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TfsItemList *Items(int Index) const { return FItems[Index].get(); }
    void Swap(TfsItemList &Other) { FItems.swap(Other.FItems); }

private:
    std::vector<std::unique_ptr<TfsItemList>> FItems;
};

class TfsCustomVariable : public TfsItemList
{
public:
    TfsCustomVariable(const AnsiString &AName, TfsVarType ATyp, const AnsiString &ATypeName);

    virtual void SetValue(const Variant &AValue);
    // SetValue with a value nobody else needs: plain storage takes it over uncopied.
    virtual void TakeValue(Variant &&AValue) { SetValue(AValue); }
    virtual Variant GetValue();

    const AnsiString &Name() const { return FName; }
    const AnsiString &UpperName() const { return FUpperName; }
    void SetName(const AnsiString &Value);
    TfsVarType Typ() const { return FTyp; }
    void SetTyp(TfsVarType Value) { FTyp = Value; }
    const AnsiString &TypeName() const { return FTypeName; }
    void SetTypeName(const AnsiString &Value) { FTypeName = Value; }

    TfsParamItem *Params(int Index) const;
    TfsParamItem *AddParam(std::unique_ptr<TfsParamItem> Param);
    Variant *PValue() { return &FValue; }
    AnsiString GetFullTypeName() const;
    int GetNumberOfRequiredParams() const;

    bool IsReadOnly = false;
    bool IsMacro = false;
    // Only a call statement clears it: the call's result is then dropped.
    bool NeedResult = true;
    const void *AddedBy = nullptr;
    TfsCustomVariable *RefItem = nullptr;
    AnsiString SourcePos;
    AnsiString SourceUnit;

protected:
    Variant FValue;

private:
    AnsiString FName;
    AnsiString FUpperName;
    TfsVarType FTyp;
    AnsiString FTypeName;
};

class TfsVariable : public TfsCustomVariable
{
public:
    using TfsCustomVariable::TfsCustomVariable;
    void TakeValue(Variant &&AValue) override
    {
        if (!IsReadOnly) FValue = std::move(AValue);
    }
};

class TfsTypeVariable : public TfsCustomVariable
{
public:
    using TfsCustomVariable::TfsCustomVariable;
};

// Holds a text whatever is assigned, so that s[i] reads and writes a character in
// place; reading the whole text shares it.
class TfsStringVariable : public TfsVariable
{
public:
    TfsStringVariable(const AnsiString &AName, TfsVarType ATyp, const AnsiString &ATypeName);
    void SetValue(const Variant &AValue) override;
    void TakeValue(Variant &&AValue) override;
    Variant GetValue() override;
    std::string_view Str() const { return FValue.RawText(); }
    // The characters to change in place: a text read before keeps its own.
    char *WritableStr() { return FValue.MutableSharedText().MutableData(); }
};

class TfsParamItem : public TfsCustomVariable
{
public:
    TfsParamItem(const AnsiString &AName, TfsVarType ATyp, const AnsiString &ATypeName,
                 bool AIsOptional, bool AIsVarParam);
    void TakeValue(Variant &&AValue) override
    {
        if (!IsReadOnly) FValue = std::move(AValue);
    }
    bool IsOptional;
    bool IsVarParam;
    Variant DefValue;
};

// A script procedure or function; its locals live in its own script, whose parent
// is the script that declares it.
class TfsProcVariable : public TfsCustomVariable
{
public:
    TfsProcVariable(const AnsiString &AName, TfsVarType ATyp, const AnsiString &ATypeName,
                    TfsScript *AParent, bool AIsFunc);
    ~TfsProcVariable() override;
    Variant GetValue() override;

    TfsScript *Prog() const { return FProg.get(); }
    bool IsFunc() const { return FIsFunc; }
    bool Executing = false;

private:
    std::unique_ptr<TfsScript> FProg;
    bool FIsFunc;
};

// Keeps the values of a running procedure's locals and puts them back when a
// nested call of it ends, also when an exception passes through the call.
class TfsLocalsGuard
{
public:
    // Only a call of a running procedure has anything to keep: the test is inline,
    // as every call makes it.
    explicit TfsLocalsGuard(TfsProcVariable *Proc)
    {
        if (Proc && Proc->Executing) Save(Proc);
    }
    ~TfsLocalsGuard() { Restore(); }
    // Puts the values back now; the end of the guard then does nothing more.
    void Restore()
    {
        if (!FSaved.empty()) PutBack();
    }
    TfsLocalsGuard(const TfsLocalsGuard &) = delete;
    TfsLocalsGuard &operator=(const TfsLocalsGuard &) = delete;

private:
    void Save(TfsProcVariable *Proc);
    void PutBack();

    std::vector<std::pair<TfsCustomVariable *, Variant>> FSaved;
};

class TfsCustomExpression : public TfsCustomVariable
{
public:
    TfsCustomExpression() : TfsCustomVariable("", fvtVariant, "") {}
};

// Base of the member helpers: the designator hands over the object (or value) that
// the previous step produced before each access.
class TfsCustomHelper : public TfsCustomVariable
{
public:
    using TfsCustomVariable::TfsCustomVariable;
    TfsCustomVariable *ParentRef = nullptr;
    Variant ParentValue;
    TfsScript *Prog = nullptr;
};

// Base of the host modules: the constructor registers into the script.
class TfsRTTIModule : public TObject
{
public:
    explicit TfsRTTIModule(TfsScript *AScript) : Script(AScript) {}
    TfsScript *Script;
};

using TfsRTTIModuleFactory = std::function<std::unique_ptr<TfsRTTIModule>(TfsScript *)>;

// The process-wide list of host modules, in registration order.
std::vector<TfsRTTIModuleFactory> &fsRTTIModules();
// A shared script with every module registered; created on first use.
TfsScript *fsGlobalUnit();

class TfsScript : public TComponent
{
    QRV4_CLASS(TfsScript, TComponent)

public:
    explicit TfsScript(TComponent *AOwner);
    ~TfsScript() override;

    // Adds an item the script owns (variables, modules, event bridges).
    void Add(const AnsiString &Name, std::unique_ptr<TObject> Item);
    // Enters an item that somebody else owns (a routine's parameters in its local scope).
    void AddShared(const AnsiString &Name, TObject *Item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TObject *Items(int Index) const { return FItems[Index].Item; }
    void Remove(TObject *Item);

    TfsCustomVariable *Find(const AnsiString &Name) const;
    TfsCustomVariable *FindLocal(const AnsiString &Name) const;
    TfsClassVariable *FindClass(const AnsiString &Name) const;

    TfsCustomVariable *AddType(const AnsiString &TypeName, TfsVarType Typ);
    TfsClassVariable *AddClass(TClass ClassRef, const AnsiString &AncestorName);
    TfsCustomVariable *AddConst(const AnsiString &Name, const AnsiString &Typ,
                                const Variant &Value);
    TfsCustomVariable *AddVariable(const AnsiString &Name, const AnsiString &Typ,
                                   const Variant &Value);
    TfsCustomVariable *AddObject(const AnsiString &Name, TObject *Obj);
    void AddEnum(const AnsiString &Typ, const AnsiString &Names);
    void AddEnumSet(const AnsiString &Typ, const AnsiString &Names);
    TfsMethodHelper *AddMethod(const AnsiString &Syntax, TfsCallMethodEvent CallEvent,
                               const AnsiString &Category = "", const AnsiString &Description = "");
    TfsMethodHelper *AddMethod(const AnsiString &Syntax, TfsCallMethodNewEvent CallEvent,
                               const AnsiString &Category = "", const AnsiString &Description = "");
    void AddComponent(TComponent *Form);
    void AddForm(TComponent *Form) { AddComponent(Form); }
    void AddRTTI();
    void ClearRTTI();
    void Clear();
    void ClearItems(const void *Owner);

    bool Compile();
    void Execute();
    bool Run();
    void Terminate();
    Variant Evaluate(const AnsiString &Expression);
    Variant CallFunction(const AnsiString &Name, const Variant &Params);
    Variant CallFunction1(const AnsiString &Name, Variant &Params);
    Variant Variables(const AnsiString &Name) const;
    void SetVariables(const AnsiString &Name, const Variant &Value);
    bool GetILCode(TStream *Stream);
    bool SetILCode(TStream *Stream);

    void RunLine(const AnsiString &UnitName, const AnsiString &SourcePos);
    void AddCodeLine(const AnsiString &UnitName, const AnsiString &APos);
    bool IsExecutableLine(int LineN, const AnsiString &UnitName = "") const;

    TStrings *Lines() const { return FLines.get(); }
    void SetLines(TStrings *Value);
    const AnsiString &SyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(const AnsiString &Value) { FSyntaxType = Value; }
    TfsStatement *Program() const { return FProgram.get(); }
    // The script whose main program runs above this one (itself when none does).
    TfsScript *MainScript();
    // The source text the compiler reads: every line followed by CR LF.
    AnsiString SourceText() const;

    TfsRunLineEvent OnRunLine;
    TfsGetUnitEvent OnGetUnit;
    TfsGetUnitEvent OnGetILUnit;

    const void *AddedBy = nullptr;
    bool BreakCalled = false;
    bool ContinueCalled = false;
    bool ExitCalled = false;
    bool Terminated = false;
    bool IsRunning = false;
    bool MainProg = false;
    bool ExtendedCharset = false;
    bool RTTIAdded = false;
    AnsiString ErrorMsg;
    AnsiString ErrorPos;
    AnsiString ErrorUnit;
    TfsScript *Parent = nullptr;
    TfsScript *ProgRunning = nullptr;
    TStringList *UnitLines() const { return FUnitLines.get(); }

private:
    struct TEntry {
        AnsiString Key; // upper-case name
        TObject *Item;
        bool Owned;
        std::uint64_t Sequence; // order of addition, for rolling back a failed compile
    };

    std::vector<TEntry>::iterator FindEntry(const AnsiString &Name);
    std::vector<TEntry>::const_iterator FindEntry(const AnsiString &Name) const;
    void Insert(const AnsiString &Name, TObject *Item, bool Owned);
    void RemoveWhere(const std::function<bool(TObject *)> &Match);
    void ClearProgram();
    TfsMethodHelper *AddMethodHelper(std::unique_ptr<TfsMethodHelper> Helper,
                                     const AnsiString &Category, const AnsiString &Description);
    std::unique_ptr<TfsILParser> NewParser();
    bool MakeIL(TfsILParser &Parser, const AnsiString &Source);
    bool Finish(std::uint64_t Sequence, int Statements);
    // Forgets the items and statements a failed compile added.
    void RollBack(std::uint64_t Sequence, int StatementCount);
    TfsCustomVariable *AddValue(const AnsiString &Name, const AnsiString &Typ, const Variant &Value,
                                bool ReadOnly);
    // The routine a host calls by name, remembered until the items change: a report
    // calls each of its expressions' routines for every row.
    TfsProcVariable *CalledRoutine(const AnsiString &Name);

    // Sorted by key; a later duplicate sorts before the earlier ones, so it shadows them.
    std::vector<TEntry> FItems;
    std::unique_ptr<TStringList> FLines;
    std::unique_ptr<TStringList> FUnitLines;
    std::unique_ptr<TStringList> FCodeLines;
    std::unique_ptr<TfsStatement> FProgram;
    AnsiString FSyntaxType = "PascalScript";
    bool FCompiled = true;
    std::uint64_t FSequence = 0;
    std::unordered_map<std::string, TfsProcVariable *> FCalledRoutines;
};

// The marker AddedBy holds while host modules register (items that survive Clear).
extern const void *const fsRTTIAddedBy;

// The engine's conversions of script values, in one place.
int fsVarToInt(const Variant &Value);
long long fsVarToInt64(const Variant &Value);
double fsVarToFloat(const Variant &Value);
bool fsVarToBool(const Variant &Value);
AnsiString fsVarToStr(const Variant &Value);
inline Variant fsNull()
{
    return Null();
}
// An object travels in a script as an integer handle; 0 is nil. A value that names no
// live object raises "Invalid object reference".
Variant fsObjectToVariant(TObject *Obj);
TObject *fsVariantToObject(const Variant &Value);
// True when the value is an integer that names a live object.
bool fsIsObject(const Variant &Value);
// Variant arrays: a 0-based one-dimensional array of Count variants, and element
// access by any number of indices.
Variant fsArrayOf(int Count);
Variant fsArrayGet(const Variant &Arr, std::span<const int> Indices);
void fsArrayPut(Variant &Arr, std::span<const int> Indices, const Variant &Value);
void fsArrayPut(Variant &Arr, std::span<const int> Indices, Variant &&Value);
// Raises a script error instead of letting deep recursion overflow the stack.
void fsCheckStack();
