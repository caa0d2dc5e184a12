#pragma once

// Run-time type information: type records for the value kinds a published
// property may have, each class's published properties, and the class
// library's functions that read and write them by name.
//
// A class publishes its properties once, in a static Publish function, and
// names itself in its .cpp with QRV4_PUBLISHED:
//
//     static void Publish(rtl::Publisher<TThing> &P)
//     {
//         P.Property("Width", &TThing::Width, &TThing::SetWidth).Default(10);
//         P.Property("Color", &TThing::Color, &TThing::SetColor, rtl::TColorInfo());
//         P.Property("Caption", &TThing::Caption, &TThing::SetCaption)
//             .Stored(&TThing::IsCaptionStored);
//         P.Event("OnClick", &TThing::OnClick);
//     }
//
// A form also publishes the methods its components' events may be bound to,
// so a form stream can name a handler and a reader can bind it again:
//
//         P.Method("TBI_NewClick", &TMainForm::TBI_NewClick);

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

#include <any>
#include <climits>
#include <functional>
#include <mutex>
#include <type_traits>
#include <typeinfo>
#include <vector>

QRV4_DECLARE_EXCEPTION(EPropertyError, Exception)
QRV4_DECLARE_EXCEPTION(EPropertyConvertError, Exception)

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkArray,
    tkRecord,
    tkInterface,
    tkInt64,
    tkDynArray,
};
using TTypeKinds = Set<TTypeKind>;

enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// One type: what the class library keeps in a type record and its type data.
struct TTypeInfo {
    TTypeKind Kind = tkUnknown;
    AnsiString Name;
    TOrdType OrdType = otSLong;             // integers, chars, enumerations, sets
    long long MinValue = 0;                 // ordinals
    long long MaxValue = 0;                 // ordinals
    std::vector<AnsiString> EnumNames;      // enumerations, value order
    const TTypeInfo *CompType = nullptr;    // sets: the element type
    TFloatType FloatType = ftDouble;        // floats
    TClass ClassType = nullptr;             // classes
    const std::type_info *Method = nullptr; // methods: the std::function type
};
using PTypeInfo = const TTypeInfo *;

// All kinds, and those that name properties with a value.
inline constexpr TTypeKinds tkAny = TTypeKinds::FromInt((1u << (tkDynArray + 1)) - 1);
inline constexpr TTypeKinds tkProperties = tkAny - TTypeKinds{tkMethod, tkUnknown};
inline constexpr TTypeKinds tkMethods = TTypeKinds{tkMethod};

constexpr long long NoDefault = INT_MIN;

// An event handler held through type information: an empty value, or the
// exact std::function type of the event.
using TMethod = std::any;

namespace rtl
{

// What a handler made from a published method keeps of where it came from:
// the object it is bound to and the method's name.
struct MethodBinding {
    TObject *Data = nullptr;
    AnsiString Name;
};

// The callable inside such a handler. The event's std::function holds it, so
// the binding goes wherever the handler is copied.
template <class F> class BoundMethod
{
public:
    BoundMethod(MethodBinding Binding, F Call)
        : FBinding(std::move(Binding)), FCall(std::move(Call))
    {
    }
    template <class... A> decltype(auto) operator()(A &&...Args) const
    {
        return FCall(std::forward<A>(Args)...);
    }
    const MethodBinding &Binding() const { return FBinding; }

private:
    MethodBinding FBinding;
    F FCall;
};

// The binding of a handler made from a published method; an empty one for any other.
template <class F> MethodBinding BindingOf(const F &Handler)
{
    const auto *Bound = Handler.template target<BoundMethod<F>>();
    return Bound ? Bound->Binding() : MethodBinding();
}

template <class T> class Publisher;
template <class T> class PropBuilder;

// What a property's accessors can do; each property implements the group of
// its kind and the others raise.
class TPropAccess
{
public:
    virtual ~TPropAccess() = default;
    virtual long long GetOrd(TObject *Instance) const;
    virtual void SetOrd(TObject *Instance, long long Value) const;
    virtual double GetFloat(TObject *Instance) const;
    virtual void SetFloat(TObject *Instance, double Value) const;
    virtual AnsiString GetStr(TObject *Instance) const;
    virtual void SetStr(TObject *Instance, const AnsiString &Value) const;
    virtual WideString GetWideStr(TObject *Instance) const;
    virtual void SetWideStr(TObject *Instance, const WideString &Value) const;
    virtual Variant GetVariant(TObject *Instance) const;
    virtual void SetVariant(TObject *Instance, const Variant &Value) const;
    virtual TObject *GetObject(TObject *Instance) const;
    virtual void SetObject(TObject *Instance, TObject *Value) const;
    virtual TMethod GetMethod(TObject *Instance) const;
    virtual void SetMethod(TObject *Instance, const TMethod &Value) const;
    virtual MethodBinding GetMethodBinding(TObject *Instance) const;
    virtual bool Writable() const = 0;
};

} // namespace rtl

class TPropInfo
{
public:
    PTypeInfo PropType = nullptr;
    AnsiString Name;
    long long Default = NoDefault;
    // A float is left out of a stream at this value: 0, unless the property declares another.
    double FloatDefault = 0;
    TClass Owner = nullptr; // the class that publishes it at this level

    bool Writable() const { return FAccess->Writable(); }
    const rtl::TPropAccess &Access() const { return *FAccess; }
    bool IsStored(TObject *Instance) const { return FStoredBy ? FStoredBy(Instance) : FStored; }

private:
    template <class T> friend class rtl::Publisher;
    template <class T> friend class rtl::PropBuilder;
    std::unique_ptr<rtl::TPropAccess> FAccess;
    bool FStored = true;
    std::function<bool(TObject *)> FStoredBy;
};
using PPropInfo = const TPropInfo *;
using TPropList = std::vector<PPropInfo>;

// A published method: makes a handler of it bound to an object of its class.
struct TMethodInfo {
    AnsiString Name;
    std::function<TMethod(TObject *Instance)> Bind;
};

namespace rtl
{

// The properties one class publishes itself, and (built on first use) its
// whole list with the inherited ones.
struct PropertyTable {
    TClass Class = nullptr;
    std::vector<std::unique_ptr<TPropInfo>> Own;
    std::vector<TMethodInfo> Methods;
    mutable std::once_flag Merged;
    mutable TPropList All;
};

// ---- type records of C++ types ----

template <class V, class = void> struct TypeInfoFor; // no record: not publishable

TTypeInfo MakeOrdinalInfo(const char *Name, TTypeKind Kind, TOrdType OrdType, long long Min,
                          long long Max);
TTypeInfo MakeFloatInfo(const char *Name, TFloatType FloatType);
TTypeInfo MakeEnumInfo(const char *Name, const char *CommaNames);
TTypeInfo MakeSetInfo(const char *Name, PTypeInfo CompType);
TTypeInfo MakeClassInfo(TClass Class);
TTypeInfo MakeMethodInfo(const char *Name, const std::type_info &Type);

#define QRV4_ORDINAL_INFO(Type, Name, Kind, Ord, Min, Max)                                         \
    template <> struct TypeInfoFor<Type> {                                                         \
        static PTypeInfo Get()                                                                     \
        {                                                                                          \
            static const TTypeInfo Info = MakeOrdinalInfo(Name, Kind, Ord, Min, Max);              \
            return &Info;                                                                          \
        }                                                                                          \
    };
QRV4_ORDINAL_INFO(int, "Integer", tkInteger, otSLong, INT_MIN, INT_MAX)
QRV4_ORDINAL_INFO(unsigned, "Cardinal", tkInteger, otULong, 0, UINT_MAX)
QRV4_ORDINAL_INFO(short, "Smallint", tkInteger, otSWord, SHRT_MIN, SHRT_MAX)
QRV4_ORDINAL_INFO(unsigned short, "Word", tkInteger, otUWord, 0, USHRT_MAX)
QRV4_ORDINAL_INFO(signed char, "ShortInt", tkInteger, otSByte, SCHAR_MIN, SCHAR_MAX)
QRV4_ORDINAL_INFO(unsigned char, "Byte", tkInteger, otUByte, 0, UCHAR_MAX)
QRV4_ORDINAL_INFO(long, "Int64", tkInt64, otSLong, LONG_MIN, LONG_MAX)
QRV4_ORDINAL_INFO(long long, "Int64", tkInt64, otSLong, LLONG_MIN, LLONG_MAX)
QRV4_ORDINAL_INFO(char, "Char", tkChar, otUByte, 0, 255)
QRV4_ORDINAL_INFO(char16_t, "WideChar", tkWChar, otUWord, 0, 65535)
#undef QRV4_ORDINAL_INFO

template <> struct TypeInfoFor<bool> {
    static PTypeInfo Get();
};

#define QRV4_FLOAT_INFO(Type, Name, FloatType)                                                     \
    template <> struct TypeInfoFor<Type> {                                                         \
        static PTypeInfo Get()                                                                     \
        {                                                                                          \
            static const TTypeInfo Info = MakeFloatInfo(Name, FloatType);                          \
            return &Info;                                                                          \
        }                                                                                          \
    };
QRV4_FLOAT_INFO(float, "Single", ftSingle)
QRV4_FLOAT_INFO(double, "Double", ftDouble)
QRV4_FLOAT_INFO(long double, "Extended", ftExtended)
QRV4_FLOAT_INFO(Currency, "Currency", ftCurr)
#undef QRV4_FLOAT_INFO

template <> struct TypeInfoFor<AnsiString> {
    static PTypeInfo Get();
};
template <> struct TypeInfoFor<WideString> {
    static PTypeInfo Get();
};
template <> struct TypeInfoFor<Variant> {
    static PTypeInfo Get();
};

template <class C> struct TypeInfoFor<C *, std::enable_if_t<std::is_base_of_v<TObject, C>>> {
    static PTypeInfo Get()
    {
        static const TTypeInfo Info = MakeClassInfo(C::StaticClass());
        return &Info;
    }
};

template <class Sig> struct TypeInfoFor<std::function<Sig>> {
    static PTypeInfo Get()
    {
        static const TTypeInfo Info = MakeMethodInfo("TMethod", typeid(std::function<Sig>));
        return &Info;
    }
};

// The named types: distinct records over the plain C++ types that hold them.
PTypeInfo TColorInfo();
PTypeInfo TCursorInfo();
PTypeInfo TModalResultInfo();
PTypeInfo TShortCutInfo();
PTypeInfo TFontCharsetInfo();
PTypeInfo TDateTimeInfo();
PTypeInfo TDateInfo();
PTypeInfo TTimeInfo();
PTypeInfo TFontNameInfo();
PTypeInfo TComponentNameInfo();

// ---- publishing ----

template <class V> using Bare = std::remove_cvref_t<V>;

template <class V> constexpr bool IsSetType = false;
template <class E> constexpr bool IsSetType<Set<E>> = true;
template <class V> constexpr bool IsFunction = false;
template <class Sig> constexpr bool IsFunction<std::function<Sig>> = true;

template <class V>
constexpr bool IsOrdinal = std::is_integral_v<V> || std::is_enum_v<V> || IsSetType<V>;
template <class V>
constexpr bool IsFloat = std::is_floating_point_v<V> || std::is_same_v<V, Currency>;
template <class V>
constexpr bool IsObject =
    std::is_pointer_v<V> &&std::is_base_of_v<TObject, std::remove_pointer_t<V>>;

long long CheckOrdinal(PTypeInfo Type, long long Value); // raises ERangeError outside the type
[[noreturn]] void InvalidPropertyValue();
[[noreturn]] void ReadOnlyProperty();

template <class V> long long OrdinalOf(const V &Value)
{
    if constexpr (IsSetType<V>)
        return Value.ToInt();
    else if constexpr (std::is_same_v<V, char>)
        return static_cast<unsigned char>(Value); // a Char is 0..255 whatever char's sign
    else
        return static_cast<long long>(Value);
}

template <class V> V OrdinalTo(long long Value)
{
    if constexpr (IsSetType<V>)
        return V::FromInt(static_cast<std::uint32_t>(Value));
    else if constexpr (std::is_same_v<V, bool>)
        return Value != 0;
    else
        return static_cast<V>(Value);
}

// Reads through a getter (a const member function) or a field, writes through
// a setter or a field; Write is null for a read-only property.
template <class T, class V, class Read, class Write> class Access final : public TPropAccess
{
public:
    Access(PTypeInfo Type, Read Getter, Write Setter) : FType(Type), FGet(Getter), FSet(Setter) {}

    bool Writable() const override { return !std::is_null_pointer_v<Write>; }

    long long GetOrd(TObject *Instance) const override
    {
        if constexpr (IsOrdinal<V>)
            return OrdinalOf<V>(Get(Instance));
        else if constexpr (IsObject<V>)
            return rtl::ObjectToHandle(Get(Instance));
        else
            return TPropAccess::GetOrd(Instance);
    }
    void SetOrd(TObject *Instance, long long Value) const override
    {
        if constexpr (IsOrdinal<V>)
            Put(Instance, OrdinalTo<V>(CheckOrdinal(FType, Value)));
        else
            TPropAccess::SetOrd(Instance, Value);
    }
    double GetFloat(TObject *Instance) const override
    {
        if constexpr (std::is_same_v<V, Currency>)
            return Get(Instance).ToDouble();
        else if constexpr (IsFloat<V>)
            return static_cast<double>(Get(Instance));
        else
            return TPropAccess::GetFloat(Instance);
    }
    void SetFloat(TObject *Instance, double Value) const override
    {
        if constexpr (IsFloat<V>)
            Put(Instance, V(Value));
        else
            TPropAccess::SetFloat(Instance, Value);
    }
    AnsiString GetStr(TObject *Instance) const override
    {
        if constexpr (std::is_same_v<V, AnsiString>)
            return Get(Instance);
        else
            return TPropAccess::GetStr(Instance);
    }
    void SetStr(TObject *Instance, const AnsiString &Value) const override
    {
        if constexpr (std::is_same_v<V, AnsiString>)
            Put(Instance, Value);
        else
            TPropAccess::SetStr(Instance, Value);
    }
    WideString GetWideStr(TObject *Instance) const override
    {
        if constexpr (std::is_same_v<V, WideString>)
            return Get(Instance);
        else
            return TPropAccess::GetWideStr(Instance);
    }
    void SetWideStr(TObject *Instance, const WideString &Value) const override
    {
        if constexpr (std::is_same_v<V, WideString>)
            Put(Instance, Value);
        else
            TPropAccess::SetWideStr(Instance, Value);
    }
    Variant GetVariant(TObject *Instance) const override
    {
        if constexpr (std::is_same_v<V, Variant>)
            return Get(Instance);
        else
            return TPropAccess::GetVariant(Instance);
    }
    void SetVariant(TObject *Instance, const Variant &Value) const override
    {
        if constexpr (std::is_same_v<V, Variant>)
            Put(Instance, Value);
        else
            TPropAccess::SetVariant(Instance, Value);
    }
    TObject *GetObject(TObject *Instance) const override
    {
        if constexpr (IsObject<V>)
            return Get(Instance);
        else
            return TPropAccess::GetObject(Instance);
    }
    void SetObject(TObject *Instance, TObject *Value) const override
    {
        if constexpr (IsObject<V>) {
            // A value of another class would be a wrong pointer behind a typed field.
            if (Value && !Value->InheritsFrom(std::remove_pointer_t<V>::StaticClass()))
                InvalidPropertyValue();
            Put(Instance, static_cast<V>(Value));
        } else {
            TPropAccess::SetObject(Instance, Value);
        }
    }
    TMethod GetMethod(TObject *Instance) const override
    {
        if constexpr (IsFunction<V>) {
            V Handler = Get(Instance);
            return Handler ? TMethod(std::move(Handler)) : TMethod();
        } else {
            return TPropAccess::GetMethod(Instance);
        }
    }
    void SetMethod(TObject *Instance, const TMethod &Value) const override
    {
        if constexpr (IsFunction<V>) {
            if (!Value.has_value())
                Put(Instance, V());
            else if (const V *Handler = std::any_cast<V>(&Value))
                Put(Instance, *Handler);
            else
                InvalidPropertyValue();
        } else {
            TPropAccess::SetMethod(Instance, Value);
        }
    }
    MethodBinding GetMethodBinding(TObject *Instance) const override
    {
        if constexpr (IsFunction<V>)
            return BindingOf(Get(Instance));
        else
            return TPropAccess::GetMethodBinding(Instance);
    }

private:
    decltype(auto) Get(TObject *Instance) const
    {
        T *Self = static_cast<T *>(Instance);
        if constexpr (std::is_member_function_pointer_v<Read>)
            return V((Self->*FGet)());
        else
            return V(Self->*FGet);
    }
    void Put(TObject *Instance, const V &Value) const
    {
        T *Self = static_cast<T *>(Instance);
        if constexpr (std::is_null_pointer_v<Write>)
            ReadOnlyProperty();
        else if constexpr (std::is_member_function_pointer_v<Write>)
            (Self->*FSet)(Value);
        else
            Self->*FSet = Value;
    }

    PTypeInfo FType;
    Read FGet;
    Write FSet;
};

void CheckPropertyType(const char *Name, PTypeInfo Type, bool Ordinal, bool Float, bool Str,
                       bool Wide);

template <class T> class PropBuilder
{
public:
    explicit PropBuilder(TPropInfo &Info) : FInfo(Info) {}

    template <class V> PropBuilder &Default(V Value)
    {
        if constexpr (std::is_floating_point_v<V>)
            FInfo.FloatDefault = static_cast<double>(Value);
        else
            FInfo.Default = OrdinalOf<V>(Value);
        return *this;
    }
    PropBuilder &Stored(bool Value)
    {
        FInfo.FStored = Value;
        return *this;
    }
    template <class C> PropBuilder &Stored(bool (C::*Predicate)() const)
    {
        static_assert(std::is_base_of_v<C, T>);
        FInfo.FStoredBy = [Predicate](TObject *Instance) {
            return (static_cast<T *>(Instance)->*Predicate)();
        };
        return *this;
    }

private:
    TPropInfo &FInfo;
};

template <class T> class Publisher
{
public:
    explicit Publisher(PropertyTable &Table) : FTable(Table) {}

    // A property read and written through accessors (the setter may be omitted).
    template <class C, class R, class W = std::nullptr_t>
    PropBuilder<T> Property(const char *Name, R (C::*Getter)() const, W Setter = nullptr,
                            PTypeInfo Type = nullptr)
    {
        static_assert(std::is_base_of_v<C, T>);
        using V = Bare<R>;
        return Add<V>(Name, Type, static_cast<R (T::*)() const>(Getter), SetterOf<V>(Setter));
    }

    // An event: a std::function member, assignable through type information.
    template <class C, class F>
    PropBuilder<T> Event(const char *Name, F C::*Field, PTypeInfo Type = nullptr)
    {
        static_assert(std::is_base_of_v<C, T> && IsFunction<F>);
        F T::*Own = Field;
        return Add<F>(Name, Type, Own, Own);
    }

    // A method an event read from a stream may name as its handler.
    template <class C, class R, class... A> void Method(const char *Name, R (C::*Code)(A...))
    {
        static_assert(std::is_base_of_v<C, T>);
        using F = std::function<R(A...)>;
        R (T::*Own)(A...) = Code;
        AnsiString MethodName = Name;
        FTable.Methods.push_back(
            {MethodName, [Own, MethodName](TObject *Instance) {
                 T *Self = static_cast<T *>(Instance);
                 F Call = [Self, Own](A... Args) -> R {
                     return (Self->*Own)(std::forward<A>(Args)...);
                 };
                 return TMethod(F(BoundMethod<F>({Instance, MethodName}, std::move(Call))));
             }});
    }

private:
    template <class V> static std::nullptr_t SetterOf(std::nullptr_t) { return nullptr; }
    // An object's setter may take a base class of what the getter gives: a list
    // property hands out its own TStringList and takes any TStrings.
    template <class V, class C, class A> static auto SetterOf(void (C::*Setter)(A))
    {
        static_assert(std::is_base_of_v<C, T>);
        static_assert(std::is_same_v<Bare<A>, V> || (IsObject<V> && std::is_convertible_v<V, A>));
        return static_cast<void (T::*)(A)>(Setter);
    }

    template <class V, class Read, class Write>
    PropBuilder<T> Add(const char *Name, PTypeInfo Type, Read Getter, Write Setter)
    {
        if (!Type) Type = TypeInfoFor<V>::Get();
        CheckPropertyType(Name, Type, IsOrdinal<V>, IsFloat<V>, std::is_same_v<V, AnsiString>,
                          std::is_same_v<V, WideString>);
        auto Info = std::make_unique<TPropInfo>();
        Info->PropType = Type;
        Info->Name = Name;
        Info->Owner = T::StaticClass();
        Info->FAccess = std::make_unique<Access<T, V, Read, Write>>(Type, Getter, Setter);
        FTable.Own.push_back(std::move(Info));
        return PropBuilder<T>(*FTable.Own.back());
    }

    PropertyTable &FTable;
};

// The published properties of T, made by whichever caller first asks for them.
template <class T> struct PublishedProperties {
    static inline void (*Publish)(Publisher<T> &) = nullptr;
    static const PropertyTable *Table()
    {
        static const PropertyTable *const Made = [] {
            static PropertyTable Table;
            Table.Class = T::StaticClass();
            Publisher<T> P(Table);
            Publish(P);
            return &Table;
        }();
        return Made;
    }
};

template <class T> bool PublishClass(void (*Publish)(Publisher<T> &))
{
    PublishedProperties<T>::Publish = Publish;
    T::StaticClass()->SetProperties(&PublishedProperties<T>::Table);
    return true;
}

} // namespace rtl

// Declares an enumeration together with its type record (names in value order).
#define QRV4_ENUM(Name, ...)                                                                       \
    enum Name { __VA_ARGS__ };                                                                     \
    QRV4_ENUM_INFO(Name, __VA_ARGS__)

// The type record of an enumeration declared elsewhere, listing its names.
#define QRV4_ENUM_INFO(Name, ...) QRV4_NAMED_ENUM_INFO(Name, #Name, __VA_ARGS__)

// The same under a name of its own, for an enumeration nested in a class: the
// class library knows it by its plain name.
#define QRV4_NAMED_ENUM_INFO(Type, Name, ...)                                                      \
    template <> struct rtl::TypeInfoFor<Type> {                                                    \
        static PTypeInfo Get()                                                                     \
        {                                                                                          \
            static const TTypeInfo Info = rtl::MakeEnumInfo(Name, #__VA_ARGS__);                   \
            return &Info;                                                                          \
        }                                                                                          \
    };

// The type record of Set<Element>, under the set type's name.
#define QRV4_SET_INFO(Name, Element)                                                               \
    template <> struct rtl::TypeInfoFor<Set<Element>> {                                            \
        static PTypeInfo Get()                                                                     \
        {                                                                                          \
            static const TTypeInfo Info =                                                          \
                rtl::MakeSetInfo(#Name, rtl::TypeInfoFor<Element>::Get());                         \
            return &Info;                                                                          \
        }                                                                                          \
    };

// The type record of an event type, under its name (one per signature).
#define QRV4_METHOD_INFO(Name)                                                                     \
    template <> struct rtl::TypeInfoFor<Name> {                                                    \
        static PTypeInfo Get()                                                                     \
        {                                                                                          \
            static const TTypeInfo Info = rtl::MakeMethodInfo(#Name, typeid(Name));                \
            return &Info;                                                                          \
        }                                                                                          \
    };

// The class library's own event type.
QRV4_METHOD_INFO(TNotifyEvent)

// In the .cpp of a class with a static Publish function: attaches its
// published properties to its class record at start-up.
#define QRV4_PUBLISHED(Class)                                                                      \
    [[maybe_unused]] static const bool Class##_Published =                                         \
        rtl::PublishClass<Class>(&Class::Publish);

// ---- the class library's functions ----

template <class V> PTypeInfo TypeInfo()
{
    return rtl::TypeInfoFor<V>::Get();
}

PPropInfo GetPropInfo(TClass AClass, const AnsiString &PropName, TTypeKinds AKinds = tkAny);
PPropInfo GetPropInfo(const TObject *Instance, const AnsiString &PropName,
                      TTypeKinds AKinds = tkAny);
// As GetPropInfo, but a missing property raises EPropertyError.
PPropInfo FindPropInfo(const TObject *Instance, const AnsiString &PropName);
// Declaration order, inherited properties first.
TPropList GetPropList(TClass AClass, TTypeKinds AKinds = tkAny);
TPropList GetPropList(const TObject *Instance, TTypeKinds AKinds = tkAny);
void SortPropList(TPropList &List); // by name, without case
bool IsPublishedProp(const TObject *Instance, const AnsiString &PropName);
TTypeKind PropType(const TObject *Instance, const AnsiString &PropName);
bool PropIsType(const TObject *Instance, const AnsiString &PropName, TTypeKind TypeKind);

bool IsStoredProp(TObject *Instance, PPropInfo PropInfo);
bool IsStoredProp(TObject *Instance, const AnsiString &PropName);
// The value a writer leaves out: an ordinal or a float at its declared default
// (a float without one at zero), the empty text, an empty variant, no object or an empty
// collection, no handler.
bool IsDefaultPropertyValue(TObject *Instance, PPropInfo PropInfo);

long long GetOrdProp(TObject *Instance, PPropInfo PropInfo);
long long GetOrdProp(TObject *Instance, const AnsiString &PropName);
void SetOrdProp(TObject *Instance, PPropInfo PropInfo, long long Value);
void SetOrdProp(TObject *Instance, const AnsiString &PropName, long long Value);
AnsiString GetEnumProp(TObject *Instance, PPropInfo PropInfo);
AnsiString GetEnumProp(TObject *Instance, const AnsiString &PropName);
void SetEnumProp(TObject *Instance, PPropInfo PropInfo, const AnsiString &Value);
void SetEnumProp(TObject *Instance, const AnsiString &PropName, const AnsiString &Value);
AnsiString GetSetProp(TObject *Instance, PPropInfo PropInfo, bool Brackets = false);
AnsiString GetSetProp(TObject *Instance, const AnsiString &PropName, bool Brackets = false);
void SetSetProp(TObject *Instance, PPropInfo PropInfo, const AnsiString &Value);
void SetSetProp(TObject *Instance, const AnsiString &PropName, const AnsiString &Value);
double GetFloatProp(TObject *Instance, PPropInfo PropInfo);
double GetFloatProp(TObject *Instance, const AnsiString &PropName);
void SetFloatProp(TObject *Instance, PPropInfo PropInfo, double Value);
void SetFloatProp(TObject *Instance, const AnsiString &PropName, double Value);
// Strings read and write wide string properties too, through the code page.
AnsiString GetStrProp(TObject *Instance, PPropInfo PropInfo);
AnsiString GetStrProp(TObject *Instance, const AnsiString &PropName);
void SetStrProp(TObject *Instance, PPropInfo PropInfo, const AnsiString &Value);
void SetStrProp(TObject *Instance, const AnsiString &PropName, const AnsiString &Value);
WideString GetWideStrProp(TObject *Instance, PPropInfo PropInfo);
WideString GetWideStrProp(TObject *Instance, const AnsiString &PropName);
void SetWideStrProp(TObject *Instance, PPropInfo PropInfo, const WideString &Value);
void SetWideStrProp(TObject *Instance, const AnsiString &PropName, const WideString &Value);
Variant GetVariantProp(TObject *Instance, PPropInfo PropInfo);
Variant GetVariantProp(TObject *Instance, const AnsiString &PropName);
void SetVariantProp(TObject *Instance, PPropInfo PropInfo, const Variant &Value);
void SetVariantProp(TObject *Instance, const AnsiString &PropName, const Variant &Value);
TObject *GetObjectProp(TObject *Instance, PPropInfo PropInfo, TClass MinClass = nullptr);
TObject *GetObjectProp(TObject *Instance, const AnsiString &PropName, TClass MinClass = nullptr);
TClass GetObjectPropClass(PPropInfo PropInfo);
void SetObjectProp(TObject *Instance, PPropInfo PropInfo, TObject *Value);
void SetObjectProp(TObject *Instance, const AnsiString &PropName, TObject *Value);
TMethod GetMethodProp(TObject *Instance, PPropInfo PropInfo);
TMethod GetMethodProp(TObject *Instance, const AnsiString &PropName);
void SetMethodProp(TObject *Instance, PPropInfo PropInfo, const TMethod &Value);
void SetMethodProp(TObject *Instance, const AnsiString &PropName, const TMethod &Value);
// The published method the handler of an event was made from; empty for any
// other handler, and for none.
rtl::MethodBinding GetMethodBinding(TObject *Instance, PPropInfo PropInfo);
// A handler of the method Instance's class (or a parent) publishes under Name,
// bound to Instance; empty when there is none by that name.
TMethod BindPublishedMethod(TObject *Instance, const AnsiString &Name);

// Any property as a variant: enumerations and sets as their names when
// PreferStrings, objects as their handles, date types as dates.
Variant GetPropValue(TObject *Instance, PPropInfo PropInfo, bool PreferStrings = true);
Variant GetPropValue(TObject *Instance, const AnsiString &PropName, bool PreferStrings = true);
void SetPropValue(TObject *Instance, PPropInfo PropInfo, const Variant &Value);
void SetPropValue(TObject *Instance, const AnsiString &PropName, const Variant &Value);

AnsiString GetEnumName(PTypeInfo TypeInfo, int Value);
int GetEnumValue(PTypeInfo TypeInfo, const AnsiString &Name); // -1 when unknown
AnsiString SetToString(PTypeInfo SetType, int Value, bool Brackets = false);
AnsiString SetToString(PPropInfo PropInfo, int Value, bool Brackets = false);
int StringToSet(PTypeInfo SetType, const AnsiString &Value);
int StringToSet(PPropInfo PropInfo, const AnsiString &Value);
