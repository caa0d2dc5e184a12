#pragma once

// The script engine's own small XML library: an element tree that keeps each
// element's attributes as one raw text, a buffered reader that builds the tree
// and a buffered writer. It reads tags only; text between tags is ignored.

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Variants.h"

#include <vector>

// Both classes are objects of the class library so that scripts can hold them.
class TfsXMLItem : public TObject
{
    QRV4_CLASS(TfsXMLItem, TObject)

public:
    TfsXMLItem() = default;
    // Frees the children and leaves the parent's list.
    ~TfsXMLItem() override;

    void Clear();
    TfsXMLItem *Add();
    // Takes Item over from its old parent, to the end of the children.
    void AddItem(TfsXMLItem *Item);
    void InsertItem(int Index, TfsXMLItem *Item);
    int Find(const AnsiString &Name) const;
    TfsXMLItem *FindItem(const AnsiString &Name);
    int IndexOf(const TfsXMLItem *Item) const;
    TfsXMLItem *Root();
    bool PropExists(const AnsiString &Name) const;
    void Assign(const TfsXMLItem *Item);

    int Count() const { return static_cast<int>(FItems.size()); }
    TfsXMLItem *Items(int Index) const;
    AnsiString Prop(const AnsiString &Name) const;
    void SetProp(const AnsiString &Name, const AnsiString &Value);
    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value) { FName = Value; }
    // The attributes exactly as they stood in the tag after the element name.
    const AnsiString &Text() const { return FText; }
    void SetText(const AnsiString &Value) { FText = Value; }
    TfsXMLItem *Parent() const { return FParent; }
    // Leaves the current parent's list; does not join Value's.
    void SetParent(TfsXMLItem *Value);
    void *Data() const { return FData; }
    void SetData(void *Value) { FData = Value; }

private:
    // Start of the value of attribute Name (after its opening quote) in Text
    // and start of the attribute itself; 0 when absent.
    int FindProp(const AnsiString &Name, int *AttributeStart = nullptr) const;
    void RemoveItem(const TfsXMLItem *Item);

    void *FData = nullptr;
    std::vector<TfsXMLItem *> FItems; // owned
    AnsiString FName;
    TfsXMLItem *FParent = nullptr;
    AnsiString FText;
};

class TfsXMLDocument : public TObject
{
    QRV4_CLASS(TfsXMLDocument, TObject)

public:
    TfsXMLDocument();
    ~TfsXMLDocument() override;

    void Clear();
    // Raises "Invalid file format" for a missing XML declaration, a "<" inside
    // a tag, a mismatched closing tag, or a document that ends inside an element.
    void LoadFromStream(TStream *Stream);
    void SaveToStream(TStream *Stream);
    void LoadFromFile(const AnsiString &FileName);
    void SaveToFile(const AnsiString &FileName);

    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool Value) { FAutoIndent = Value; }
    TfsXMLItem *Root() const { return FRoot.get(); }

private:
    bool FAutoIndent = false;
    std::unique_ptr<TfsXMLItem> FRoot;
};

// LF, CR, double quote, "<", ">" and "&" become numeric references.
AnsiString StrToXML(const AnsiString &S);
// Decodes numeric references ("&#65;", "&#$41;") and "&quot;"; a reference
// whose number is no integer raises EConvertError. A "&#" with no ";" after
// it, and any other "&", stays as it is.
AnsiString XMLToStr(const AnsiString &S);
// A value as attribute text: numbers in decimal or general float form,
// dates in the short date form, booleans as "1" or "0", strings escaped;
// empty text for anything else.
AnsiString ValueToXML(const Variant &Value);
