#pragma once

// Host classes as a script sees them: the class variable with its members (methods,
// properties, indexed properties, events, components) and the indexers of strings
// and variant arrays.

#include "script/fs_iinterpreter.h"

#include <array>
#include <span>

class TfsProcVariable;
class TPropInfo;

// Indexer of a variant array held by the previous designator step.
class TfsArrayHelper : public TfsCustomHelper
{
public:
    // DimCount -1: any array up to three indices (the second and third optional).
    TfsArrayHelper(const AnsiString &AName, int DimCount, TfsVarType ATyp,
                   const AnsiString &ATypeName);
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;
    // The element of the array kept in Arr at the indices the parameters hold: a
    // designator that knows where its array is kept comes here straight.
    Variant ElementOf(const Variant &Arr) const;
    void PutElementOf(Variant &Arr, Variant &&Value) const;

private:
    // One index per dimension of the array, read from the parameters; kept off the
    // heap, as an element is read or written on every pass of a loop.
    struct TIndices {
        std::array<int, 64> Values;
        int Count = 0;
        std::span<const int> Span() const
        {
            return {Values.data(), static_cast<std::size_t>(Count)};
        }
    };
    TIndices Indices(const Variant &Arr) const;
    Variant *Storage() const;
};

// Indexer of the text held by the previous designator step.
class TfsStringHelper : public TfsCustomHelper
{
public:
    TfsStringHelper();
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;
};

class TfsPropertyHelper : public TfsCustomHelper
{
public:
    TfsPropertyHelper(const AnsiString &AName, TfsVarType ATyp, const AnsiString &ATypeName);
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;

    TClass ClassRef = nullptr;
    // Set for a published property: read and written through type information.
    const TPropInfo *Published = nullptr;
    TfsGetValueEvent OnGetValue;
    TfsSetValueEvent OnSetValue;
};

class TfsMethodHelper : public TfsCustomHelper
{
public:
    // Parses the declaration ("function Get(Name: String): Variant").
    TfsMethodHelper(const AnsiString &Syntax, TfsScript *Script);
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;

    // For the new-style handler: parameter I, and at I = Count the value being assigned.
    Variant GetVParam(int Index) { return VParam(Index); }
    // The same where the parameter keeps it, for handlers that only read it.
    const Variant &VParam(int Index);
    void SetVParam(int Index, const Variant &Value);

    const AnsiString &Syntax() const { return FSyntax; }
    TfsCallMethodEvent OnCall;
    TfsCallMethodNewEvent OnCallNew;
    TClass ClassRef = nullptr;
    AnsiString Category;
    AnsiString Description;
    bool IndexMethod = false;
    bool IsConstructor = false;
    // Called on nil, the member runs with no instance instead of failing.
    bool NilAllowed = false;
    // The class that a constructor call creates: the one named in the script.
    TClass CreatedClass = nullptr;

private:
    Variant Call(const AnsiString &MethodName, bool Assigning, const Variant &Assigned);

    AnsiString FSyntax;
    Variant FSetValue;
};

class TfsComponentHelper : public TfsCustomHelper
{
public:
    explicit TfsComponentHelper(TComponent *AComponent);
    Variant GetValue() override;

private:
    TComponent *FComponent;
};

class TfsCustomEvent;
using TfsEventFactory =
    std::function<std::unique_ptr<TfsCustomEvent>(TObject *Instance, TfsProcVariable *Handler)>;

// An event property: writing a procedure name binds a bridge to the host event.
class TfsEventHelper : public TfsCustomHelper
{
public:
    TfsEventHelper(const AnsiString &AName, TfsEventFactory AFactory);
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;

private:
    TfsEventFactory FFactory;
};

class TfsClassVariable : public TfsCustomVariable
{
public:
    TfsClassVariable(TClass AClassRef, const AnsiString &AAncestor);
    Variant GetValue() override;

    TfsMethodHelper *AddMethod(const AnsiString &Syntax, TfsCallMethodEvent CallEvent);
    TfsMethodHelper *AddMethod(const AnsiString &Syntax, TfsCallMethodNewEvent CallEvent);
    TfsMethodHelper *AddConstructor(const AnsiString &Syntax, TfsCallMethodNewEvent CallEvent);
    TfsMethodHelper *AddConstructor(const AnsiString &Syntax, TfsCallMethodEvent CallEvent);
    TfsPropertyHelper *AddProperty(const AnsiString &Name, const AnsiString &Typ,
                                   TfsGetValueEvent GetProp, TfsSetValueEvent SetProp = nullptr);
    TfsMethodHelper *AddIndexProperty(const AnsiString &Name, const AnsiString &Params,
                                      const AnsiString &Typ, TfsCallMethodNewEvent CallEvent,
                                      bool AReadOnly = false);
    TfsMethodHelper *AddIndexProperty(const AnsiString &Name, const AnsiString &Params,
                                      const AnsiString &Typ, TfsCallMethodEvent CallEvent,
                                      bool AReadOnly = false);
    TfsMethodHelper *AddDefaultProperty(const AnsiString &Name, const AnsiString &Params,
                                        const AnsiString &Typ, TfsCallMethodNewEvent CallEvent,
                                        bool AReadOnly = false);
    TfsMethodHelper *AddDefaultProperty(const AnsiString &Name, const AnsiString &Params,
                                        const AnsiString &Typ, TfsCallMethodEvent CallEvent,
                                        bool AReadOnly = false);
    TfsEventHelper *AddEvent(const AnsiString &Name, TfsEventFactory EventClass);
    void AddComponent(TComponent *Component);
    void AddPublishedProperties(TClass AClassRef);

    TfsCustomHelper *Find(const AnsiString &Name) const;
    TfsCustomHelper *Members(int Index) const;
    int MembersCount() const { return FMembers->Count(); }

    TClass ClassRef() const { return FClassRef; }
    const AnsiString &Ancestor() const { return FAncestor; }
    TfsMethodHelper *DefProperty = nullptr;
    TfsScript *Program = nullptr;

private:
    template <class T> T *AddMember(std::unique_ptr<T> Member);
    TfsMethodHelper *NewMethod(const AnsiString &Syntax);
    TfsMethodHelper *NewIndexProperty(const AnsiString &Name, const AnsiString &Params,
                                      const AnsiString &Typ, bool AReadOnly);

    TClass FClassRef;
    AnsiString FAncestor;
    std::unique_ptr<TfsItemList> FMembers;
};

// A bridge between a host event and a script procedure; subclasses in fs_ievents.
// A bridge installs itself into the host event and unhooks itself when it is freed
// (if the host object still lives and the event still calls this bridge).
class TfsCustomEvent : public TObject
{
public:
    TfsCustomEvent(TObject *AInstance, TfsProcVariable *AHandler);
    ~TfsCustomEvent() override;
    // Installs the bridge into the host object's event (a null handler clears the event).
    virtual void Install() = 0;
    // The number of arguments the script procedure must take.
    virtual int ArgCount() const = 0;
    TObject *Instance() const { return FInstance; }
    TfsProcVariable *Handler() const { return FHandler; }
    // Which event of the instance the bridge serves.
    const void *Key = nullptr;

protected:
    // Clears the host event if this bridge is still the installed handler.
    virtual void Uninstall() = 0;
    // Subclass destructors call it: the base cannot reach Uninstall any more.
    void Release();
    // Calls the handler unless it is running already (a nested firing is dropped).
    void CallHandler(const std::vector<Variant> &Params);
    Variant Param(int Index) const;

private:
    TObject *FInstance;
    Variant FHandle;
    TfsProcVariable *FHandler;
};
