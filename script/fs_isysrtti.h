#pragma once

// The system module: the basic types, True/False/nil/Null, the string and array
// indexers, the global functions from IntToStr to VarType and the var* codes.
// Every script gets it first when its host modules are added. The header also
// holds what every host module registers its classes with.

#include "script/fs_ihelpers.h"

#include <initializer_list>
#include <span>

class TfsSysFunctions : public TfsRTTIModule
{
public:
    explicit TfsSysFunctions(TfsScript *AScript);
};

namespace fs
{

// The instance a member runs on, already checked against the member's class.
template <class T> T *Self(TObject *Instance)
{
    return static_cast<T *>(Instance);
}
// What a procedure answers.
inline Variant Done()
{
    return Variant(0);
}

// An enumeration, or a set when IsSet, with its members' names in one list.
struct TEnumDef {
    const char *Name;
    const char *Names;
    bool IsSet;
};
void AddEnums(TfsScript *Script, std::span<const TEnumDef> Enums);

// A member of a host class. The instance has been checked against the class the
// member is registered on (null for a constructor); a procedure answers 0.
using TMemberCall = Variant (*)(TObject *Instance, TfsMethodHelper &C);
struct TMember {
    const char *Syntax; // a syntax beginning "constructor" makes a constructor
    TMemberCall Call;
};
void AddMembers(TfsClassVariable *Class, std::initializer_list<TMember> Members);

using TPropGet = Variant (*)(TObject *Instance);
using TPropSet = void (*)(TObject *Instance, const Variant &Value);
void AddProperty(TfsClassVariable *Class, const char *Name, const char *Type, TPropGet Get,
                 TPropSet Set = nullptr);

// An indexed property: the index arguments are the first parameters, and when
// Setting, the new value follows them.
using TIndexCall = Variant (*)(TObject *Instance, TfsMethodHelper &C, bool Setting);
enum class TIndexKind { Plain, Default };
void AddIndexProperty(TfsClassVariable *Class, TIndexKind Kind, const char *Name,
                      const char *Params, const char *Type, TIndexCall Call, bool ReadOnly);

// The parameters of a call, converted the way host handlers take them.
Variant Param(TfsMethodHelper &C, int Index);
AnsiString Str(TfsMethodHelper &C, int Index);
int Int(TfsMethodHelper &C, int Index);
double Float(TfsMethodHelper &C, int Index);
bool Bool(TfsMethodHelper &C, int Index);
// An object parameter: nil gives null; an object of another class raises rather
// than being used as the wrong kind of object.
TObject *Obj(TfsMethodHelper &C, int Index, TClass Expected);
template <class T> T *Obj(TfsMethodHelper &C, int Index)
{
    return static_cast<T *>(Obj(C, Index, T::StaticClass()));
}
// The same check for a value that is not a parameter (a property being set).
TObject *ObjOf(const Variant &Value, TClass Expected);
template <class T> T *ObjOf(const Variant &Value)
{
    return static_cast<T *>(ObjOf(Value, T::StaticClass()));
}
inline Variant ToVar(TObject *Obj)
{
    return fsObjectToVariant(Obj);
}
// The class a constructor call makes: the one the script named.
TClass CreatedClass(TfsMethodHelper &C);

} // namespace fs
