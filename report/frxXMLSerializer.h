#pragma once

// Report objects to XML elements and back, property by property through the
// type information: nested objects become dotted attributes, references to
// other components their names, data an object streams itself one
// hexadecimal attribute.

#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"

#include <memory>
#include <unordered_map>
#include <vector>

class TfrxComponent;
class TfrxXMLItem;
class TMemoryStream;

class TfrxXMLSerializer
{
public:
    explicit TfrxXMLSerializer(TStream *Stream);
    ~TfrxXMLSerializer();
    TfrxXMLSerializer(const TfrxXMLSerializer &) = delete;
    TfrxXMLSerializer &operator=(const TfrxXMLSerializer &) = delete;

    AnsiString ObjToXML(TPersistent *Obj, const AnsiString &Prefix = AnsiString());
    // A failing pair goes to Errors; the rest is still applied.
    void XMLToObj(const AnsiString &Text, TPersistent *Obj);
    void ReadRootComponent(TfrxComponent *Root, TfrxXMLItem *Item = nullptr,
                           bool ReadExisting = false);
    void WriteRootComponent(TfrxComponent *Root, bool SaveChildren = true,
                            TfrxXMLItem *Item = nullptr);
    AnsiString WriteComponentStr(TfrxComponent *C);
    TfrxComponent *ReadComponentStr(TfrxComponent *Parent, const AnsiString &Text);
    void WriteComponent(TfrxComponent *C);
    TfrxComponent *ReadComponent(TfrxComponent *Parent);
    void ReadPersistentStr(TComponent *Root, TPersistent *Obj, const AnsiString &Text);

    void AddFixup(TPersistent *Obj, PPropInfo Prop, const AnsiString &Name);
    void FixupReferences();
    void ClearFixups() { FFixups.clear(); }

    TStrings *Errors() const { return FErrors.get(); }
    TfrxComponent *Owner() const { return FOwner; }
    void SetOwner(TfrxComponent *Value) { FOwner = Value; }
    bool SerializeDefaultValues() const { return FSerializeDefaultValues; }
    void SetSerializeDefaultValues(bool Value) { FSerializeDefaultValues = Value; }
    TStream *Stream() const { return FStream; }

private:
    struct Fixup {
        TPersistent *Obj;
        PPropInfo Prop;
        AnsiString Name;
    };

    AnsiString PropText(TPersistent *Obj, PPropInfo Prop, const AnsiString &Prefix);
    AnsiString DefinedPropertiesText(TPersistent *Obj, const AnsiString &Prefix);
    void OneProp(const AnsiString &Name, const AnsiString &Value, TPersistent *Obj);
    void ReplayPropData(const AnsiString &Hex, TPersistent *Obj);
    void ReadElement(TfrxXMLItem *Item, TfrxComponent *Root, TfrxComponent *Parent,
                     bool ReadExisting, std::vector<TfrxComponent *> &Read);
    void WriteElement(TfrxXMLItem *Item, TfrxComponent *C, bool SaveChildren);
    TfrxComponent *NewChild(TClass Class, TfrxComponent *Root, TfrxComponent *Parent);
    void ResetToDefaults(TfrxComponent *C);
    void FinishRead(const std::vector<TfrxComponent *> &Read);

    TStream *FStream;
    std::unique_ptr<TStringList> FErrors;
    std::vector<Fixup> FFixups;
    TfrxComponent *FOwner = nullptr;
    bool FSerializeDefaultValues = false;
};

// The objects under a root, recorded in the order they are written; once
// offered, the next read of that root takes each one back for its element
// (same place, same class) instead of creating a new object, so a template
// read again after a run keeps the objects a host holds. Whatever no element
// takes is freed with this.
class TfrxReusedObjects
{
public:
    explicit TfrxReusedObjects(TfrxComponent *Root);
    ~TfrxReusedObjects();
    TfrxReusedObjects(const TfrxReusedObjects &) = delete;
    TfrxReusedObjects &operator=(const TfrxReusedObjects &) = delete;

    // Takes every object now under the root out of the tree and out of its
    // owner, to be read into again.
    void Offer();
    // The recorded object for the next element, put under Parent; null when
    // it is gone or of another class.
    TfrxComponent *Take(TClass Class, TfrxComponent *Parent);
    void Skip(std::size_t Elements) { FNext += Elements; }
    TfrxComponent *Root() const { return FRoot; }

private:
    TfrxComponent *FRoot;
    std::vector<TfrxComponent *> FOrder;
    std::size_t FNext = 0;
    std::unordered_map<TfrxComponent *, std::unique_ptr<TfrxComponent>> FOffered;
    TfrxReusedObjects *FOuter = nullptr;
    bool FActive = false;
};

class TCollection;

// A list file's element: Name with one "item" child per collection item, each
// holding the item's attribute text. Reading clears the collection and takes
// nothing from an element of another name (then the result is false).
void frxWriteCollectionItems(TfrxXMLItem *Item, const AnsiString &Name, TCollection *Collection);
bool frxReadCollectionItems(TfrxXMLItem *Item, const AnsiString &Name, TCollection *Collection);
