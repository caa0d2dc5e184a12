#pragma once

// The object model and the containers every class of the program stands on:
// class references, persistent objects, components with owners, pointer and
// string lists, collections, streams and threads.

#include "platform/rtl/SysUtils.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <vector>

QRV4_DECLARE_EXCEPTION(EListError, Exception)
QRV4_DECLARE_EXCEPTION(EStringListError, Exception)
QRV4_DECLARE_EXCEPTION(EComponentError, Exception)
QRV4_DECLARE_EXCEPTION(EStreamError, Exception)
QRV4_DECLARE_EXCEPTION(EFCreateError, EStreamError)
QRV4_DECLARE_EXCEPTION(EFOpenError, EStreamError)
QRV4_DECLARE_EXCEPTION(EReadError, EStreamError)
QRV4_DECLARE_EXCEPTION(EWriteError, EStreamError)
QRV4_DECLARE_EXCEPTION(EResNotFound, Exception)
QRV4_DECLARE_EXCEPTION(EThread, Exception)

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TFiler;
class TReader;
class TWriter;
class TStream;

namespace rtl
{
// The published properties of one class; the type-information unit defines it.
struct PropertyTable;
// The variant unit's registry of object handles.
void ForgetObjectHandle(TObject *Obj) noexcept;
} // namespace rtl

// What a class reference points at: one record per class, made once.
class TMetaClass
{
public:
    using NewObjectFn = TObject *(*)();
    using NewComponentFn = TComponent *(*)(TComponent *Owner);
    using NewItemFn = TCollectionItem *(*)(TCollection *Collection);

    TMetaClass(const char *Name, const TMetaClass *Parent, NewObjectFn NewObject,
               NewComponentFn NewComponent, NewItemFn NewItem)
        : FName(Name), FParent(Parent), FNewObject(NewObject), FNewComponent(NewComponent),
          FNewItem(NewItem)
    {
    }
    TMetaClass(const TMetaClass &) = delete;
    TMetaClass &operator=(const TMetaClass &) = delete;

    AnsiString ClassName() const { return FName; }
    const TMetaClass *ClassParent() const { return FParent; }
    bool InheritsFrom(const TMetaClass *Ancestor) const;

    // The virtual constructors. Each raises EInvalidOperation when the class has no
    // constructor of that form (abstract, or it needs other arguments).
    TObject *Create() const;
    TComponent *Create(TComponent *Owner) const;
    TCollectionItem *Create(TCollection *Collection) const;

    // The published properties, made when first asked for by the function the
    // type-information unit gives at start-up: making them all would hold the start back.
    using PropertiesFn = const rtl::PropertyTable *(*)();
    const rtl::PropertyTable *Properties() const { return FProperties ? FProperties() : nullptr; }
    void SetProperties(PropertiesFn Value) const { FProperties = Value; }

private:
    const char *FName;
    const TMetaClass *FParent;
    NewObjectFn FNewObject;
    NewComponentFn FNewComponent;
    NewItemFn FNewItem;
    mutable PropertiesFn FProperties = nullptr;
};

using TClass = const TMetaClass *;
// The narrower class references of the class library are the same record; the
// virtual constructor taken decides what is made.
using TPersistentClass = TClass;
using TComponentClass = TClass;
using TCollectionItemClass = TClass;

namespace rtl
{

template <class T> TObject *NewObject()
{
    return new T();
}
template <class T> TComponent *NewComponent(TComponent *Owner)
{
    return new T(Owner);
}
template <class T> TCollectionItem *NewItem(TCollection *Collection)
{
    return new T(Collection);
}

// The metaclass of T with whichever virtual constructors T offers.
template <class T> TMetaClass MakeMetaClass(const char *Name, TClass Parent)
{
    TMetaClass::NewObjectFn object = nullptr;
    TMetaClass::NewComponentFn component = nullptr;
    TMetaClass::NewItemFn item = nullptr;
    if constexpr (!std::is_abstract_v<T>) {
        if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent *>)
            component = &NewComponent<T>;
        else if constexpr (std::is_base_of_v<TCollectionItem, T> &&
                           std::is_constructible_v<T, TCollection *>)
            item = &NewItem<T>;
        else if constexpr (std::is_default_constructible_v<T>)
            object = &NewObject<T>;
    }
    return TMetaClass(Name, Parent, object, component, item);
}

} // namespace rtl

// Put at the top of every class body: gives the class its metaclass
// (Name::StaticClass()), makes ClassType() answer it, and names the parent
// `inherited` as the class library's code calls it.
#define QRV4_CLASS(Name, Parent)                                                                   \
public:                                                                                            \
    using inherited = Parent;                                                                      \
    static TClass StaticClass()                                                                    \
    {                                                                                              \
        static const TMetaClass Meta = rtl::MakeMetaClass<Name>(#Name, Parent::StaticClass());     \
        return &Meta;                                                                              \
    }                                                                                              \
    TClass ClassType() const override                                                              \
    {                                                                                              \
        return StaticClass();                                                                      \
    }                                                                                              \
                                                                                                   \
private:

class TObject
{
public:
    TObject() = default;
    // An object that ever travelled in a variant leaves the handle registry here.
    virtual ~TObject() { rtl::ForgetObjectHandle(this); }
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;

    static TClass StaticClass();
    virtual TClass ClassType() const { return StaticClass(); }
    AnsiString ClassName() const { return ClassType()->ClassName(); }
    TClass ClassParent() const { return ClassType()->ClassParent(); }
    bool InheritsFrom(TClass Class) const { return ClassType()->InheritsFrom(Class); }
};

// The class library's Free and FreeAndNil: a null object is left alone.
inline void Free(TObject *Obj)
{
    delete Obj;
}
template <class T> void FreeAndNil(T *&Obj)
{
    T *doomed = Obj;
    Obj = nullptr;
    delete doomed;
}

bool IsValidIdent(const AnsiString &Ident);

// A set of a small enumeration, as the class library declares them (bit i = member i).
template <class E> class Set
{
public:
    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> Items)
    {
        for (E item : Items)
            *this << item;
    }
    static constexpr Set FromInt(std::uint32_t Bits)
    {
        Set s;
        s.FBits = Bits;
        return s;
    }
    constexpr std::uint32_t ToInt() const { return FBits; }
    constexpr bool Contains(E Item) const { return FBits & Bit(Item); }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr Set &operator<<(E Item)
    {
        FBits |= Bit(Item);
        return *this;
    }
    constexpr Set &operator>>(E Item)
    {
        FBits &= ~Bit(Item);
        return *this;
    }
    friend constexpr Set operator+(Set A, Set B) { return FromInt(A.FBits | B.FBits); }
    friend constexpr Set operator*(Set A, Set B) { return FromInt(A.FBits & B.FBits); }
    friend constexpr Set operator-(Set A, Set B) { return FromInt(A.FBits & ~B.FBits); }
    friend constexpr bool operator==(Set, Set) = default;

private:
    static constexpr std::uint32_t Bit(E Item) { return 1u << static_cast<unsigned>(Item); }
    std::uint32_t FBits = 0;
};

using TNotifyEvent = std::function<void(TObject *Sender)>;

enum TDuplicates { dupIgnore, dupAccept, dupError };
enum TOperation { opInsert, opRemove };

class TPersistent : public TObject
{
    QRV4_CLASS(TPersistent, TObject)
    friend class TFiler;
    friend class TReader;
    friend class TWriter;

public:
    // Copies Source into this object; a pair neither side knows raises EConvertError.
    virtual void Assign(TPersistent *Source);
    virtual AnsiString GetNamePath();

protected:
    virtual void AssignTo(TPersistent *Dest);
    virtual void DefineProperties(TFiler *Filer);
    virtual TPersistent *GetOwner() { return nullptr; }
    [[noreturn]] void AssignError(TPersistent *Source);
};

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance,
};
using TComponentState = Set<TComponentStateItem>;

using TGetChildProc = std::function<void(TComponent *Child)>;

class TComponent : public TPersistent
{
    QRV4_CLASS(TComponent, TPersistent)
    friend class TReader;
    friend class TWriter;

public:
    explicit TComponent(TComponent *AOwner);
    // Tells every component that asked for free notification, frees the owned
    // components, last inserted first, and leaves the owner. By then only this
    // base is left of the object, so the owner's own Notification no longer
    // answers; a descendant that must hear of its components going, or whose
    // components use its members, calls Destroying() and DestroyComponents()
    // in its own destructor.
    ~TComponent() override;

    TComponent *Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent *Components(int Index) const;
    int ComponentIndex() const;
    const AnsiString &Name() const { return FName; }
    virtual void SetName(const AnsiString &NewName);
    std::intptr_t Tag() const { return FTag; }
    void SetTag(std::intptr_t Value) { FTag = Value; }
    TComponentState ComponentState() const { return FComponentState; }

    // Case-insensitive over the ASCII letters, as component names are ASCII identifiers.
    TComponent *FindComponent(const AnsiString &AName) const;
    void InsertComponent(TComponent *AComponent);
    void RemoveComponent(TComponent *AComponent);
    void DestroyComponents();
    void Destroying();

    // Asks to hear Notification(AComponent, opRemove) when AComponent is freed.
    void FreeNotification(TComponent *AComponent);
    void RemoveFreeNotification(TComponent *AComponent);

    virtual void GetChildren(TGetChildProc Proc, TComponent *Root);
    virtual TComponent *GetChildOwner() { return nullptr; }
    virtual TComponent *GetChildParent() { return this; }
    virtual bool HasParent() { return false; }
    virtual TComponent *GetParentComponent() { return nullptr; }
    virtual void SetParentComponent(TComponent *) {}

protected:
    virtual void Loaded();
    // Reads the component's properties and the components under it from a stream. A
    // component that must not stay half-read when the stream fails part-way overrides it.
    virtual void ReadState(TReader *Reader);
    virtual void Notification(TComponent *AComponent, TOperation Operation);
    virtual void ValidateRename(TComponent *AComponent, const AnsiString &CurName,
                                const AnsiString &NewName);
    virtual void SetChildOrder(TComponent *, int) {}
    void SetDesigning(bool Value, bool SetChildren = true);
    void SetComponentStateFlag(TComponentStateItem Flag, bool On);
    TPersistent *GetOwner() override { return FOwner; }

private:
    void Insert(TComponent *AComponent);
    void Remove(TComponent *AComponent);
    void RemoveNotification(TComponent *AComponent);
    void NotifyFreeNotifies();
    void IndexName(TComponent *AComponent);
    void UnindexName(TComponent *AComponent);

    TComponent *FOwner = nullptr;
    AnsiString FName;
    std::intptr_t FTag = 0;
    TComponentState FComponentState;
    std::vector<TComponent *> FComponents;
    // The named ones of FComponents by their names in upper case: names are unique
    // among an owner's components, and a template of thousands must not scan them all.
    std::unordered_map<std::string, TComponent *> FNameIndex;
    std::vector<TComponent *> FFreeNotifies;
};

// ---------------------------------------------------------------------------
// Lists

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void *Item1, void *Item2)>;

// A list of untyped pointers with the class library's index checks
// ("List index out of bounds (%d)") and its quicksort (equal keys move).
class TList : public TObject
{
    QRV4_CLASS(TList, TObject)

public:
    TList() = default;
    ~TList() override;

    int Add(void *Item);
    void Insert(int Index, void *Item);
    void Delete(int Index);
    int Remove(void *Item);
    void *Extract(void *Item);
    int IndexOf(void *Item) const;
    void Move(int CurIndex, int NewIndex);
    void Exchange(int Index1, int Index2);
    virtual void Clear();
    void Pack();
    void Sort(const TListSortCompare &Compare);
    void *First() const { return Items(0); }
    void *Last() const { return Items(Count() - 1); }

    int Count() const { return static_cast<int>(FList.size()); }
    void SetCount(int NewCount);
    int Capacity() const { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int NewCapacity);
    void *Items(int Index) const;
    void SetItems(int Index, void *Item);
    void **List() { return FList.data(); }

    [[noreturn]] static void Error(const char *Msg, int Data);

protected:
    virtual void Notify(void *Ptr, TListNotification Action);
    void CheckIndex(int Index) const;

private:
    std::vector<void *> FList;
};

// A pointer list behind a lock; LockList gives the list until UnlockList.
class TThreadList : public TObject
{
    QRV4_CLASS(TThreadList, TObject)

public:
    TThreadList() = default;
    void Add(void *Item);
    void Remove(void *Item);
    void Clear();
    TList *LockList();
    void UnlockList();
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

private:
    TList FList;
    std::recursive_mutex FLock;
    TDuplicates FDuplicates = dupIgnore;
};

class TStrings;
class TStringList;

// The list of strings with objects that every list of lines in the program is.
// Comparisons go through CompareStrings: without case in cp1251 here, as the
// class library's locale comparison does.
class TStrings : public TPersistent
{
    QRV4_CLASS(TStrings, TPersistent)

public:
    TStrings() = default;

    virtual int Add(const AnsiString &S);
    virtual int AddObject(const AnsiString &S, TObject *AObject);
    void Append(const AnsiString &S) { Add(S); }
    virtual void AddStrings(TStrings *Strings);
    void Assign(TPersistent *Source) override;
    void BeginUpdate();
    void EndUpdate();
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    virtual void Insert(int Index, const AnsiString &S) = 0;
    void InsertObject(int Index, const AnsiString &S, TObject *AObject);
    virtual int IndexOf(const AnsiString &S) const;
    int IndexOfName(const AnsiString &Name) const;
    int IndexOfObject(TObject *AObject) const;
    bool Equals(TStrings *Strings) const;

    virtual void LoadFromFile(const AnsiString &FileName);
    virtual void LoadFromStream(TStream *Stream);
    virtual void SaveToFile(const AnsiString &FileName) const;
    virtual void SaveToStream(TStream *Stream) const;

    int Count() const { return GetCount(); }
    AnsiString Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const AnsiString &S) { Put(Index, S); }
    AnsiString operator[](int Index) const { return Get(Index); }
    TObject *Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject *AObject) { PutObject(Index, AObject); }
    AnsiString Names(int Index) const;
    AnsiString Values(const AnsiString &Name) const;
    // An empty value deletes the line; a missing name appends "Name=Value".
    void SetValues(const AnsiString &Name, const AnsiString &Value);
    AnsiString ValueFromIndex(int Index) const;

    // Every line followed by CR LF, the last one too.
    AnsiString Text() const { return GetTextStr(); }
    // Splits on CR LF, LF or CR; a trailing break adds no line; a NUL ends the text.
    void SetText(const AnsiString &Value) { SetTextStr(Value); }
    // Lines joined by Delimiter; a line holding a blank, a control character,
    // the quote or the delimiter is quoted. Setting also splits at blanks.
    AnsiString DelimitedText() const { return JoinDelimited(FDelimiter, FQuoteChar); }
    void SetDelimitedText(const AnsiString &Value)
    {
        SplitDelimited(Value, FDelimiter, FQuoteChar);
    }
    // The same with comma and double quote, whatever Delimiter and QuoteChar are.
    AnsiString CommaText() const { return JoinDelimited(',', '"'); }
    void SetCommaText(const AnsiString &Value) { SplitDelimited(Value, ',', '"'); }
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char Value) { FDelimiter = Value; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char Value) { FQuoteChar = Value; }
    virtual int Capacity() const { return GetCount(); }
    virtual void SetCapacity(int) {}
    int UpdateCount() const { return FUpdateCount; }

protected:
    // The lines as one "Strings" list (defined in the streaming unit).
    void DefineProperties(TFiler *Filer) override;
    virtual AnsiString Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject *GetObject(int Index) const;
    virtual void Put(int Index, const AnsiString &S);
    virtual void PutObject(int Index, TObject *AObject);
    virtual AnsiString GetTextStr() const;
    virtual void SetTextStr(const AnsiString &Value);
    virtual void SetUpdateState(bool) {}
    virtual int CompareStrings(const AnsiString &S1, const AnsiString &S2) const;
    [[noreturn]] static void Error(const char *Msg, int Data);

private:
    AnsiString JoinDelimited(char Delimiter, char Quote) const;
    void SplitDelimited(const AnsiString &Value, char Delimiter, char Quote);

    int FUpdateCount = 0;
    char FDelimiter = ',';
    char FQuoteChar = '"';
};

namespace rtl
{

// Runs Action between Target's BeginUpdate and EndUpdate; EndUpdate runs also
// when Action raises.
template <class T, class F> void Updating(T &Target, F Action)
{
    Target.BeginUpdate();
    try {
        Action();
    } catch (...) {
        Target.EndUpdate();
        throw;
    }
    Target.EndUpdate();
}

// Replaces the lines of Strings with Lines, as one update.
void SetLines(TStrings *Strings, const std::vector<AnsiString> &Lines);
// Adds the lines of Text to Strings: each ends at CR, LF or CR LF, and a NUL ends none.
void AddLines(TStrings &Strings, std::string_view Text);

} // namespace rtl

class TStringList;
using TStringListSortCompare = std::function<int(TStringList *List, int Index1, int Index2)>;

class TStringList : public TStrings
{
    QRV4_CLASS(TStringList, TStrings)

public:
    TStringList() = default;

    int Add(const AnsiString &S) override;
    int AddObject(const AnsiString &S, TObject *AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
    // Binary search of a sorted list: true when found; Index is the first
    // equal line (duplicates accepted) or where S would go.
    virtual bool Find(const AnsiString &S, int &Index) const;
    int IndexOf(const AnsiString &S) const override;
    void Insert(int Index, const AnsiString &S) override;
    void InsertObject(int Index, const AnsiString &S, TObject *AObject);
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare &Compare);

    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    int Capacity() const override { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int NewCapacity) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    AnsiString Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(FList.size()); }
    TObject *GetObject(int Index) const override;
    void Put(int Index, const AnsiString &S) override;
    void PutObject(int Index, TObject *AObject) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const AnsiString &S1, const AnsiString &S2) const override;
    virtual void InsertItem(int Index, const AnsiString &S, TObject *AObject);

private:
    struct Item {
        AnsiString FString;
        TObject *FObject;
    };
    void CheckIndex(int Index) const;
    void ExchangeItems(int Index1, int Index2);
    void QuickSort(int L, int R, const TStringListSortCompare &Compare);
    void ResortKeepingFlag();

    // Held by pointer: inserting into a long sorted list then moves pointers,
    // not strings.
    std::vector<std::unique_ptr<Item>> FList;
    TDuplicates FDuplicates = dupIgnore;
    bool FSorted = false;
    bool FCaseSensitive = false;
};

// ---------------------------------------------------------------------------
// Collections

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An item joins its collection from the TCollectionItem constructor, so the
// collection's Notify(cnAdded) sees the item before its own class's
// constructor has run (its virtual members answer as a TCollectionItem).
class TCollectionItem : public TPersistent
{
    QRV4_CLASS(TCollectionItem, TPersistent)
    friend class TCollection;

public:
    explicit TCollectionItem(TCollection *Collection);
    ~TCollectionItem() override;

    TCollection *Collection() const { return FCollection; }
    void SetCollection(TCollection *Value);
    int ID() const { return FID; }
    int Index() const;
    // Moves the item to Value within its collection.
    virtual void SetIndex(int Value);
    virtual AnsiString DisplayName() const { return GetDisplayName(); }
    virtual void SetDisplayName(const AnsiString &) {}
    AnsiString GetNamePath() override;

protected:
    virtual AnsiString GetDisplayName() const { return ClassName(); }
    void Changed(bool AllItems);
    TPersistent *GetOwner() override;

private:
    TCollection *FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent
{
    QRV4_CLASS(TCollection, TPersistent)
    friend class TCollectionItem;

public:
    explicit TCollection(TCollectionItemClass ItemClass);
    ~TCollection() override;

    TCollectionItem *Add();
    TCollectionItem *Insert(int Index);
    void Delete(int Index);
    void Clear();
    void Assign(TPersistent *Source) override;
    virtual void BeginUpdate() { ++FUpdateCount; }
    virtual void EndUpdate();
    TCollectionItem *FindItemID(int ID) const;
    AnsiString GetNamePath() override;

    int Count() const { return FItems.Count(); }
    TCollectionItem *Items(int Index) const;
    void SetItems(int Index, TCollectionItem *Value);
    TCollectionItemClass ItemClass() const { return FItemClass; }
    int UpdateCount() const { return FUpdateCount; }

protected:
    virtual void Added(TCollectionItem *&) {}
    void Changed();
    virtual void Notify(TCollectionItem *Item, TCollectionNotification Action);
    // Item is null when the whole collection changed.
    virtual void Update(TCollectionItem *) {}
    virtual void SetItemName(TCollectionItem *) {}
    virtual AnsiString GetAttrName() const { return {}; }

private:
    void InsertItem(TCollectionItem *Item);
    void RemoveItem(TCollectionItem *Item);

    TCollectionItemClass FItemClass;
    TList FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};

// A collection whose owner is a persistent object (a component, usually).
class TOwnedCollection : public TCollection
{
    QRV4_CLASS(TOwnedCollection, TCollection)

public:
    TOwnedCollection(TPersistent *AOwner, TCollectionItemClass ItemClass)
        : TCollection(ItemClass), FOwner(AOwner)
    {
    }

protected:
    TPersistent *GetOwner() override { return FOwner; }

private:
    TPersistent *FOwner;
};

#include "platform/rtl/ClassesStreams.h"
#include "platform/rtl/ClassesThreads.h"
