#include "report/frxVariables.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxXML.h"
#include "report/frxXMLSerializer.h"

namespace
{

bool IsHeading(const AnsiString &Name)
{
    return !Name.IsEmpty() && Name[1] == ' ';
}

} // namespace

TfrxVariable::TfrxVariable(TCollection *Collection) : TCollectionItem(Collection), FValue(::Null())
{
}

void TfrxVariable::Assign(TPersistent *Source)
{
    if (auto *Other = dynamic_cast<TfrxVariable *>(Source)) {
        FName = Other->FName;
        FValue = Other->FValue;
        return;
    }
    TCollectionItem::Assign(Source);
}

void TfrxVariable::Publish(rtl::Publisher<TfrxVariable> &P)
{
    P.Property("Name", &TfrxVariable::Name, &TfrxVariable::SetName);
    P.Property("Value", &TfrxVariable::Value, &TfrxVariable::SetValue);
}
QRV4_PUBLISHED(TfrxVariable)

TfrxVariables::TfrxVariables() : TCollection(TfrxVariable::StaticClass()) {}

TfrxVariable *TfrxVariables::Add()
{
    return static_cast<TfrxVariable *>(TCollection::Add());
}

TfrxVariable *TfrxVariables::Insert(int Index)
{
    return static_cast<TfrxVariable *>(TCollection::Insert(Index));
}

TfrxVariable *TfrxVariables::Items(int Index) const
{
    return static_cast<TfrxVariable *>(TCollection::Items(Index));
}

int TfrxVariables::IndexOf(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), Name)) return i;
    return -1;
}

Variant TfrxVariables::Get(const AnsiString &Name) const
{
    const int Index = IndexOf(Name);
    return Index < 0 ? ::Null() : Items(Index)->Value();
}

void TfrxVariables::Set(const AnsiString &Name, const Variant &Value)
{
    const int Index = IndexOf(Name);
    TfrxVariable *Item = Index < 0 ? Add() : Items(Index);
    if (Index < 0) Item->SetName(Name);
    Item->SetValue(Value);
}

int TfrxVariables::CategoryIndex(const AnsiString &Category) const
{
    return IndexOf(" " + Category);
}

int TfrxVariables::NextHeading(int Index) const
{
    for (int i = Index + 1; i < Count(); ++i)
        if (IsHeading(Items(i)->Name())) return i;
    return Count();
}

void TfrxVariables::AddVariable(const AnsiString &Category, const AnsiString &Name,
                                const Variant &Value)
{
    const int Heading = CategoryIndex(Category);
    if (Heading < 0) return;
    TfrxVariable *Item = Insert(NextHeading(Heading));
    Item->SetName(Name);
    Item->SetValue(Value);
}

void TfrxVariables::DeleteVariable(const AnsiString &Name)
{
    const int Index = IndexOf(Name);
    if (Index >= 0) Delete(Index);
}

void TfrxVariables::DeleteCategory(const AnsiString &Name)
{
    const int Heading = CategoryIndex(Name);
    if (Heading < 0) return;
    for (int i = NextHeading(Heading) - 1; i >= Heading; --i)
        Delete(i);
}

void TfrxVariables::GetCategoriesList(TStrings *List, bool ClearList) const
{
    if (ClearList) List->Clear();
    for (int i = 0; i < Count(); ++i) {
        const AnsiString &Name = Items(i)->Name();
        if (IsHeading(Name)) List->Add(Name.SubString(2, 255));
    }
}

void TfrxVariables::GetVariablesList(const AnsiString &Category, TStrings *List) const
{
    List->Clear();
    int First = 0;
    if (!Category.IsEmpty()) {
        const int Heading = CategoryIndex(Category);
        if (Heading < 0) return;
        First = Heading + 1;
    }
    for (int i = First; i < Count(); ++i) {
        const AnsiString &Name = Items(i)->Name();
        if (Name.IsEmpty() || IsHeading(Name)) break;
        List->Add(Name);
    }
}

void TfrxVariables::SaveToXMLItem(TfrxXMLItem *Item)
{
    frxWriteCollectionItems(Item, "variables", this);
}

void TfrxVariables::LoadFromXMLItem(TfrxXMLItem *Item)
{
    frxReadCollectionItems(Item, "variables", this);
}

void TfrxVariables::SaveToStream(TStream *Stream)
{
    frxSaveListDocument(Stream, [this](TfrxXMLItem *Root) { SaveToXMLItem(Root); });
}

void TfrxVariables::LoadFromStream(TStream *Stream)
{
    Clear();
    frxLoadListDocument(Stream, [this](TfrxXMLItem *Root) { LoadFromXMLItem(Root); });
}

void TfrxVariables::SaveToFile(const AnsiString &FileName)
{
    frxSaveListFile(*this, FileName);
}

void TfrxVariables::LoadFromFile(const AnsiString &FileName)
{
    frxLoadListFile(*this, FileName);
}
