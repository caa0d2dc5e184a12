#include "report/frxXMLSerializer.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/SysUtils.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report/frxXML.h"

namespace
{

// Gives the serializer the defined properties of an object, which only a filer may ask for.
class DefinedWriter : public TWriter
{
public:
    using TWriter::TWriter;
    void WriteDefined(TPersistent *Obj) { DefinePropertiesOf(Obj, this); }
};

// Marks a component as being written for the time of one ObjToXML.
class WritingMark
{
public:
    explicit WritingMark(bool *Flag) : FFlag(Flag)
    {
        if (FFlag) *FFlag = true;
    }
    ~WritingMark()
    {
        if (FFlag) *FFlag = false;
    }
    WritingMark(const WritingMark &) = delete;
    WritingMark &operator=(const WritingMark &) = delete;

private:
    bool *FFlag;
};

// The read that a report runs again after preparing: it takes back the objects
// it had instead of creating new ones.
thread_local TfrxReusedObjects *ActiveReuse = nullptr;

// The objects under Root in the order their elements are written.
void CollectInWritingOrder(TfrxComponent *Root, std::vector<TfrxComponent *> &Order)
{
    TList *Objects = Root->Objects();
    for (int i = 0; i < Objects->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(Objects->Items(i));
        Order.push_back(C);
        CollectInWritingOrder(C, Order);
    }
}

std::size_t ElementCount(TfrxXMLItem *Item)
{
    std::size_t Result = 1;
    for (int i = 0; i < Item->Count(); ++i)
        Result += ElementCount(Item->Items(i));
    return Result;
}

AnsiString Attribute(const AnsiString &Name, const AnsiString &Value)
{
    return " " + Name + "=\"" + Value + "\"";
}

// A text property without the line break every list text ends with.
AnsiString WithoutFinalBreak(AnsiString Text)
{
    if (Text.Length() >= 2 && Text.SubString(Text.Length() - 1, 2) == "\r\n")
        Text.SetLength(Text.Length() - 2);
    return Text;
}

bool IsDecimal(const AnsiString &S)
{
    if (S.IsEmpty()) return false;
    for (int i = 1; i <= S.Length(); ++i)
        if (!(S[i] >= '0' && S[i] <= '9') && !(i == 1 && S[i] == '-' && S.Length() > 1))
            return false;
    return true;
}

// Short names of prepared pages stand for the bounds.
AnsiString ExpandShortName(const AnsiString &Name)
{
    if (Name.Length() != 1) return Name;
    switch (Name.View().front()) {
    case 'l':
        return "left";
    case 't':
        return "top";
    case 'w':
        return "width";
    case 'h':
        return "height";
    default:
        return Name;
    }
}

// An attribute name as the reader matches it: lower case, without blanks or control
// characters around it.
AnsiString AttributeName(std::string_view Text)
{
    const auto Blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!Text.empty() && Blank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && Blank(Text.back()))
        Text.remove_suffix(1);
    return LowerCase(AnsiString(Text));
}

} // namespace

TfrxXMLSerializer::TfrxXMLSerializer(TStream *Stream)
    : FStream(Stream), FErrors(std::make_unique<TStringList>())
{
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
}

TfrxXMLSerializer::~TfrxXMLSerializer() = default;

// ---- writing ----

AnsiString TfrxXMLSerializer::PropText(TPersistent *Obj, PPropInfo Prop, const AnsiString &Prefix)
{
    const AnsiString Name = Prefix + Prop->Name;
    auto SkipDefault = [&](long long Value) {
        return !FSerializeDefaultValues && Prop->Default != NoDefault && Value == Prop->Default;
    };
    switch (Prop->PropType->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkSet:
    case tkInt64: {
        const long long Value = GetOrdProp(Obj, Prop);
        return SkipDefault(Value) ? AnsiString() : Attribute(Name, IntToStr(Value));
    }
    case tkEnumeration: {
        const long long Value = GetOrdProp(Obj, Prop);
        if (SkipDefault(Value)) return AnsiString();
        return Attribute(Name, GetEnumName(Prop->PropType, static_cast<int>(Value)));
    }
    case tkFloat:
        return Attribute(Name, frxFloatToXML(GetFloatProp(Obj, Prop)));
    case tkString:
    case tkLString:
    case tkWString: {
        const AnsiString Value = GetStrProp(Obj, Prop);
        if (Value.IsEmpty() && !FSerializeDefaultValues) return AnsiString();
        return Attribute(Name, frxStrToXML(Value));
    }
    case tkVariant: {
        const Variant Value = GetVariantProp(Obj, Prop);
        if (VarIsEmpty(Value) || VarIsNull(Value)) return AnsiString();
        return Attribute(Name, frxStrToXML(VarToStr(Value)));
    }
    case tkClass: {
        TObject *Value = GetObjectProp(Obj, Prop);
        if (Prop->PropType->ClassType->InheritsFrom(TComponent::StaticClass())) {
            if (!Value) return AnsiString();
            return Attribute(Name,
                             frxStrToXML(frxGetFullName(FOwner, static_cast<TComponent *>(Value))));
        }
        if (!Value) return AnsiString();
        if (auto *Strings = dynamic_cast<TStrings *>(Value))
            return Attribute(Name + ".Text", frxStrToXML(WithoutFinalBreak(Strings->Text())));
        if (dynamic_cast<TWideStrings *>(Value)) return AnsiString();
        if (auto *Nested = dynamic_cast<TPersistent *>(Value)) return ObjToXML(Nested, Name + ".");
        return AnsiString();
    }
    default:
        return AnsiString();
    }
}

AnsiString TfrxXMLSerializer::DefinedPropertiesText(TPersistent *Obj, const AnsiString &Prefix)
{
    TMemoryStream Data;
    {
        DefinedWriter Writer(&Data);
        Writer.SetRoot(FOwner);
        Writer.WriteDefined(Obj);
    }
    if (Data.Size() == 0) return AnsiString();
    return Attribute(Prefix + "PropData", frxStreamToString(&Data));
}

AnsiString TfrxXMLSerializer::ObjToXML(TPersistent *Obj, const AnsiString &Prefix)
{
    auto *Component = dynamic_cast<TfrxComponent *>(Obj);
    WritingMark Mark(Component ? &Component->FWriting : nullptr);
    AnsiString Result;
    for (PPropInfo Prop : GetPropList(Obj)) {
        if (!IsStoredProp(Obj, Prop)) continue;
        Result += PropText(Obj, Prop, Prefix);
    }
    if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Obj)) {
        const WideString Text(Memo->Text());
        const std::u16string_view View = Text.View();
        const std::u16string_view Lines =
            View.ends_with(u"\r\n") ? View.substr(0, View.size() - 2) : View;
        Result += Attribute("Text", frxStrToXML(AnsiString(WideString(Lines).ToUtf8())));
    }
    Result += DefinedPropertiesText(Obj, Prefix);
    return Result;
}

// ---- reading ----

void TfrxXMLSerializer::XMLToObj(const AnsiString &Text, TPersistent *Obj)
{
    const std::string_view View = Text.View();
    std::size_t Pos = 0;
    while (Pos < View.size()) {
        const std::size_t Open = View.find('"', Pos);
        if (Open == std::string_view::npos) break;
        const std::size_t NameEnd = Open > Pos ? Open - 1 : Pos; // drops the "="
        const AnsiString Name = AttributeName(View.substr(Pos, NameEnd - Pos));
        if (Name.IsEmpty()) break;
        std::size_t Close = View.find('"', Open + 1);
        if (Close == std::string_view::npos) Close = View.size();
        const AnsiString Value(View.substr(Open + 1, Close - Open - 1));
        try {
            OneProp(Name, Value, Obj);
        } catch (const Exception &E) {
            FErrors->Add(E.Message());
        }
        Pos = Close + 1;
    }
}

void TfrxXMLSerializer::OneProp(const AnsiString &ShortName, const AnsiString &Value,
                                TPersistent *Obj)
{
    if (ShortName.View() == "x" || ShortName.View() == "u") {
        auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Obj);
        if (!Memo) return;
        const AnsiString Text = frxXMLToStr(Value);
        Memo->SetText(ShortName.View() == "x" ? WideString(Text)
                                              : WideString::FromUtf8(Text.View()));
        return;
    }
    AnsiString Name = ExpandShortName(ShortName);
    TPersistent *Target = Obj;
    for (int Dot = Name.Pos("."); Dot > 0; Dot = Name.Pos(".")) {
        PPropInfo Inner = GetPropInfo(Target, Name.SubString(1, Dot - 1), TTypeKinds{tkClass});
        auto *Next = Inner ? dynamic_cast<TPersistent *>(GetObjectProp(Target, Inner)) : nullptr;
        if (!Next) return;
        Target = Next;
        Name = Name.SubString(Dot + 1, Name.Length());
    }
    if (Name.View() == "text") {
        if (auto *Strings = dynamic_cast<TStrings *>(Target)) {
            Strings->SetText(frxXMLToStr(Value));
            return;
        }
        if (auto *Wide = dynamic_cast<TWideStrings *>(Target)) {
            Wide->SetText(WideString(frxXMLToStr(Value)));
            return;
        }
        if (auto *TargetMemo = dynamic_cast<TfrxCustomMemoView *>(Target)) {
            TargetMemo->SetText(WideString::FromUtf8(frxXMLToStr(Value).View()));
            return;
        }
    }
    if (Name.View() == "propdata") {
        ReplayPropData(Value, Target);
        return;
    }
    PPropInfo Prop = GetPropInfo(Target, Name, tkProperties);
    if (!Prop) return;
    switch (Prop->PropType->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkSet:
    case tkInt64:
        SetOrdProp(Target, Prop, StrToInt64(Value));
        break;
    case tkEnumeration: {
        const AnsiString Ident = frxXMLToStr(Value);
        const int Ordinal =
            IsDecimal(Ident) ? StrToInt(Ident) : GetEnumValue(Prop->PropType, Ident);
        if (Ordinal < 0) frxInvalidPropertyValue(Ident);
        SetOrdProp(Target, Prop, Ordinal);
        break;
    }
    case tkFloat:
        SetFloatProp(Target, Prop, frxTemplateFloat(Value));
        break;
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(Target, Prop, frxXMLToStr(Value));
        break;
    case tkClass:
        if (Prop->PropType->ClassType->InheritsFrom(TComponent::StaticClass()))
            AddFixup(Target, Prop, frxXMLToStr(Value));
        break;
    case tkVariant:
        SetVariantProp(Target, Prop, Variant(frxXMLToStr(Value)));
        break;
    default:
        break;
    }
}

void TfrxXMLSerializer::ReplayPropData(const AnsiString &Hex, TPersistent *Obj)
{
    TMemoryStream Data;
    frxStringToStream(Hex, &Data);
    Data.SetPosition(0);
    TReader Reader(&Data);
    Reader.SetRoot(FOwner);
    Reader.SetOwner(FOwner);
    while (Data.Position() < Data.Size())
        Reader.ReadProperty(Obj);
    Reader.FixupReferences();
}

void TfrxXMLSerializer::AddFixup(TPersistent *Obj, PPropInfo Prop, const AnsiString &Name)
{
    FFixups.push_back({Obj, Prop, Name});
}

void TfrxXMLSerializer::FixupReferences()
{
    std::vector<Fixup> Pending;
    Pending.swap(FFixups);
    for (const Fixup &Item : Pending) {
        TComponent *Found = FOwner ? FOwner->FindObject(Item.Name) : nullptr;
        if (!Found) Found = frxFindComponent(FOwner, Item.Name);
        if (!Found) continue;
        try {
            SetObjectProp(Item.Obj, Item.Prop, Found);
        } catch (const Exception &E) {
            FErrors->Add(E.Message());
        }
    }
}

// ---- component trees ----

void TfrxXMLSerializer::WriteElement(TfrxXMLItem *Item, TfrxComponent *C, bool SaveChildren)
{
    Item->SetName(C->ClassName());
    Item->SetText("Name=\"" + frxStrToXML(C->Name()) + "\"" + ObjToXML(C));
    if (!SaveChildren) return;
    for (int i = 0; i < C->Objects()->Count(); ++i)
        WriteElement(Item->Add(), static_cast<TfrxComponent *>(C->Objects()->Items(i)), true);
}

void TfrxXMLSerializer::WriteRootComponent(TfrxComponent *Root, bool SaveChildren,
                                           TfrxXMLItem *Item)
{
    if (!FOwner) FOwner = Root;
    std::unique_ptr<TfrxXMLDocument> Document;
    if (!Item) {
        Document = std::make_unique<TfrxXMLDocument>();
        Document->SetAutoIndent(true);
        Item = Document->Root();
    }
    WriteElement(Item, Root, SaveChildren);
    if (Document) Document->SaveToStream(FStream);
}

void TfrxXMLSerializer::ReadElement(TfrxXMLItem *Item, TfrxComponent *Root, TfrxComponent *Parent,
                                    bool ReadExisting, std::vector<TfrxComponent *> &Read)
{
    TClass Class = GetClass(Item->Name());
    if (!Class || !Class->InheritsFrom(TfrxComponent::StaticClass())) {
        FErrors->Add(frxResources()->Get("xrCantFindClass") + " " + Item->Name());
        if (Parent && ActiveReuse && ActiveReuse->Root() == Root)
            ActiveReuse->Skip(ElementCount(Item));
        return;
    }
    TfrxComponent *C = Root;
    if (Parent && ReadExisting) {
        C = FOwner ? FOwner->FindObject(Item->Prop("Name")) : nullptr;
        if (!C) return;
    } else if (Parent) {
        C = NewChild(Class, Root, Parent);
    }
    C->IsLoading = true;
    Read.push_back(C);
    XMLToObj(Item->Text(), C);
    for (int i = 0; i < Item->Count(); ++i)
        ReadElement(Item->Items(i), Root, C, ReadExisting, Read);
}

TfrxComponent *TfrxXMLSerializer::NewChild(TClass Class, TfrxComponent *Root, TfrxComponent *Parent)
{
    if (ActiveReuse && ActiveReuse->Root() == Root)
        if (TfrxComponent *Kept = ActiveReuse->Take(Class, Parent)) {
            ResetToDefaults(Kept);
            return Kept;
        }
    return static_cast<TfrxComponent *>(Class->Create(Parent));
}

namespace
{

// A reference takes the other's target; an owned object (font, frame, picture, lines)
// takes its contents, as assigning the property does.
void CopyObjectProp(TPersistent *Source, TPersistent *Dest, PPropInfo Prop)
{
    TObject *Value = GetObjectProp(Source, Prop);
    if (Prop->PropType->ClassType->InheritsFrom(TComponent::StaticClass())) {
        if (Prop->Writable() && GetObjectProp(Dest, Prop) != Value)
            SetObjectProp(Dest, Prop, Value);
        return;
    }
    auto *From = dynamic_cast<TPersistent *>(Value);
    auto *To = dynamic_cast<TPersistent *>(GetObjectProp(Dest, Prop));
    if (!From || !To) return;
    if (Prop->Writable())
        SetObjectProp(Dest, Prop, From);
    else
        To->Assign(From);
}

// Dest's property takes Source's value unless it holds it already.
template <class T, class V>
void TakeValue(TPersistent *Source, TPersistent *Dest, PPropInfo Prop,
               T (*Read)(TObject *, PPropInfo), void (*Write)(TObject *, PPropInfo, V))
{
    try {
        const T Value = Read(Source, Prop);
        if (!(Read(Dest, Prop) == Value)) Write(Dest, Prop, Value);
    } catch (const Exception &) {
        // A value a fresh object holds but its setter refuses (a data set's empty alias),
        // or one that does not compare: the element read next stores the value it had.
    }
}

void CopyPublished(TPersistent *Source, TPersistent *Dest)
{
    // The name is the element's own, given by it.
    static const PPropInfo ComponentName = GetPropInfo(TComponent::StaticClass(), "Name");
    for (PPropInfo Prop : GetPropList(Dest, tkProperties)) {
        if (Prop == ComponentName) continue;
        if (Prop->PropType->Kind == tkClass) {
            CopyObjectProp(Source, Dest, Prop);
            continue;
        }
        if (!Prop->Writable()) continue;
        switch (Prop->PropType->Kind) {
        case tkInteger:
        case tkChar:
        case tkWChar:
        case tkEnumeration:
        case tkSet:
        case tkInt64:
            TakeValue(Source, Dest, Prop, GetOrdProp, SetOrdProp);
            break;
        case tkFloat:
            TakeValue(Source, Dest, Prop, GetFloatProp, SetFloatProp);
            break;
        case tkString:
        case tkLString:
            TakeValue(Source, Dest, Prop, GetStrProp, SetStrProp);
            break;
        case tkWString:
            TakeValue(Source, Dest, Prop, GetWideStrProp, SetWideStrProp);
            break;
        case tkVariant:
            TakeValue(Source, Dest, Prop, GetVariantProp, SetVariantProp);
            break;
        default:
            break;
        }
    }
}

} // namespace

// A kept object reads its element as a new one would: from a fresh object's values. Every
// published property is taken, stored or not: a template leaves out what equals the
// default (a gap of 2, an empty highlight, a font taken from the parent), so what a
// script changed there would otherwise outlive the run.
void TfrxXMLSerializer::ResetToDefaults(TfrxComponent *C)
{
    const std::unique_ptr<TfrxComponent> Fresh(
        static_cast<TfrxComponent *>(C->ClassType()->Create(static_cast<TComponent *>(nullptr))));
    CopyPublished(Fresh.get(), C);
    // Not published by every class (a page's is not), but a fresh object's all the same.
    C->SetParentFont(Fresh->ParentFont());
}

void TfrxXMLSerializer::FinishRead(const std::vector<TfrxComponent *> &Read)
{
    for (TfrxComponent *C : Read) {
        C->IsLoading = false;
        if (!C->InheritsFrom(TfrxReport::StaticClass())) C->Loaded();
    }
    FixupReferences();
}

void TfrxXMLSerializer::ReadRootComponent(TfrxComponent *Root, TfrxXMLItem *Item, bool ReadExisting)
{
    if (!FOwner) FOwner = Root;
    std::unique_ptr<TfrxXMLDocument> Document;
    if (!Item) {
        Document = std::make_unique<TfrxXMLDocument>();
        Document->LoadFromStream(FStream);
        Item = Document->Root();
    }
    std::vector<TfrxComponent *> Read;
    try {
        ReadElement(Item, Root, nullptr, ReadExisting, Read);
    } catch (...) {
        FinishRead(Read);
        throw;
    }
    FinishRead(Read);
}

AnsiString TfrxXMLSerializer::WriteComponentStr(TfrxComponent *C)
{
    return C->ClassName() + ObjToXML(C);
}

void TfrxXMLSerializer::WriteComponent(TfrxComponent *C)
{
    const AnsiString Text = "<" + WriteComponentStr(C) + "/>";
    FStream->WriteBuffer(Text.Data(), Text.Length());
}

TfrxComponent *TfrxXMLSerializer::ReadComponentStr(TfrxComponent *Parent, const AnsiString &Text)
{
    const AnsiString Trimmed = Text.Trim();
    if (Trimmed.IsEmpty()) return nullptr;
    const int Blank = Trimmed.Pos(" ");
    const AnsiString ClassName = Blank ? Trimmed.SubString(1, Blank - 1) : Trimmed;
    TClass Class = GetClass(ClassName);
    if (!Class || !Class->InheritsFrom(TfrxComponent::StaticClass())) {
        FErrors->Add(frxResources()->Get("xrCantFindClass") + " " + ClassName);
        return nullptr;
    }
    auto *C = static_cast<TfrxComponent *>(Class->Create(Parent));
    C->IsLoading = true;
    if (Blank) XMLToObj(Trimmed.SubString(Blank + 1, Trimmed.Length()), C);
    FinishRead({C});
    return C;
}

TfrxComponent *TfrxXMLSerializer::ReadComponent(TfrxComponent *Parent)
{
    TfrxXMLItem Item;
    {
        TfrxXMLReader Reader(FStream);
        Reader.ReadRootItem(&Item, true, true);
    }
    if (Item.Name().IsEmpty()) return nullptr;
    return ReadComponentStr(Parent, Item.Name() + " " + Item.Text());
}

void TfrxXMLSerializer::ReadPersistentStr(TComponent *Root, TPersistent *Obj,
                                          const AnsiString &Text)
{
    FOwner = dynamic_cast<TfrxComponent *>(Root);
    XMLToObj(Text, Obj);
    FixupReferences();
}

void frxWriteCollectionItems(TfrxXMLItem *Item, const AnsiString &Name, TCollection *Collection)
{
    TfrxXMLSerializer Serializer(nullptr);
    Item->SetName(Name);
    for (int i = 0; i < Collection->Count(); ++i) {
        TfrxXMLItem *Child = Item->Add();
        Child->SetName("item");
        Child->SetText(Serializer.ObjToXML(Collection->Items(i)));
    }
}

bool frxReadCollectionItems(TfrxXMLItem *Item, const AnsiString &Name, TCollection *Collection)
{
    Collection->Clear();
    if (!SameText(Item->Name(), Name)) return false;
    TfrxXMLSerializer Serializer(nullptr);
    for (int i = 0; i < Item->Count(); ++i)
        if (SameText(Item->Items(i)->Name(), "item"))
            Serializer.XMLToObj(Item->Items(i)->Text(), Collection->Add());
    return true;
}

// ---- objects kept over a read ----

TfrxReusedObjects::TfrxReusedObjects(TfrxComponent *Root) : FRoot(Root)
{
    CollectInWritingOrder(Root, FOrder);
}

TfrxReusedObjects::~TfrxReusedObjects()
{
    if (FActive) ActiveReuse = FOuter;
}

void TfrxReusedObjects::Offer()
{
    std::vector<TfrxComponent *> Now;
    CollectInWritingOrder(FRoot, Now);
    // Children first, so that no object is freed with its old parent or owner.
    for (auto At = Now.rbegin(); At != Now.rend(); ++At) {
        TfrxComponent *C = *At;
        C->SetParent(nullptr);
        if (TComponent *Owner = C->Owner()) Owner->RemoveComponent(C);
        FOffered.emplace(C, std::unique_ptr<TfrxComponent>(C));
    }
    if (!FActive) {
        FOuter = ActiveReuse;
        ActiveReuse = this;
        FActive = true;
    }
}

TfrxComponent *TfrxReusedObjects::Take(TClass Class, TfrxComponent *Parent)
{
    if (FNext >= FOrder.size()) return nullptr;
    const auto Found = FOffered.find(FOrder[FNext++]);
    if (Found == FOffered.end() || Found->second->ClassType() != Class) return nullptr;
    TfrxComponent *C = Found->second.release();
    FOffered.erase(Found);
    // Named by its element once it is in place; its old name may be a sibling's now.
    C->SetName(AnsiString());
    // Owned where a new object would be: by the report, which resolves and writes
    // references by the names of what it owns.
    if (TComponent *Owner = TfrxComponent::ComponentOwnerFor(Parent)) Owner->InsertComponent(C);
    C->SetParent(Parent);
    return C;
}
