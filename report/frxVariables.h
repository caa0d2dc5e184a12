#pragma once

// The report's named variables: a flat list in which an entry whose name
// starts with a blank heads a category of the entries after it.

#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"
#include "platform/rtl/Variants.h"

class TfrxXMLItem;

class TfrxVariable : public TCollectionItem
{
    QRV4_CLASS(TfrxVariable, TCollectionItem)

public:
    explicit TfrxVariable(TCollection *Collection);
    void Assign(TPersistent *Source) override;

    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value) { FName = Value; }
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &Value) { FValue = Value; }

    static void Publish(rtl::Publisher<TfrxVariable> &P);

private:
    AnsiString FName;
    Variant FValue;
};

class TfrxVariables : public TCollection
{
    QRV4_CLASS(TfrxVariables, TCollection)

public:
    TfrxVariables();

    TfrxVariable *Add();
    TfrxVariable *Insert(int Index);
    TfrxVariable *Items(int Index) const;
    int IndexOf(const AnsiString &Name) const;
    // Null when there is no such variable.
    Variant Get(const AnsiString &Name) const;
    // Appends the variable at the very end when there is none of that name.
    void Set(const AnsiString &Name, const Variant &Value);
    // Nothing when the category does not exist.
    void AddVariable(const AnsiString &Category, const AnsiString &Name, const Variant &Value);
    void DeleteVariable(const AnsiString &Name);
    void DeleteCategory(const AnsiString &Name);
    void GetCategoriesList(TStrings *List, bool ClearList = true) const;
    void GetVariablesList(const AnsiString &Category, TStrings *List) const;

    void LoadFromFile(const AnsiString &FileName);
    void LoadFromStream(TStream *Stream);
    void LoadFromXMLItem(TfrxXMLItem *Item);
    void SaveToFile(const AnsiString &FileName);
    void SaveToStream(TStream *Stream);
    void SaveToXMLItem(TfrxXMLItem *Item);

private:
    // Index of the heading of Category, or -1.
    int CategoryIndex(const AnsiString &Category) const;
    // The first heading after Index, or Count.
    int NextHeading(int Index) const;
};
