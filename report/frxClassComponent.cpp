// The component tree: naming, lookup, fonts, alignment, streaming of
// subtrees and the difference texts of prepared pages.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report/frxXML.h"
#include "report/frxXMLSerializer.h"

#include <algorithm>
#include <cmath>

int frxDefaultCharset = 1;

namespace
{

// Template names match case-blind for the Latin letters only.
bool SameLatinName(const AnsiString &A, const AnsiString &B)
{
    if (A.Length() != B.Length()) return false;
    for (int i = 1; i <= A.Length(); ++i) {
        char x = A[i], y = B[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

AnsiString RemoveFirst(AnsiString S, const AnsiString &Part)
{
    const int At = S.Pos(Part);
    if (At > 0) S.Delete(At, Part.Length());
    return S;
}

// Searched from the end: a parent frees its objects last first.
void RemoveFromTheEnd(TList *List, void *Item)
{
    for (int i = List->Count() - 1; i >= 0; --i)
        if (List->Items(i) == Item) return List->Delete(i);
}

// Keeps a component's name for the time of a load or save, which run unnamed.
class NameKeeper
{
public:
    explicit NameKeeper(TComponent *C) : FComponent(C), FName(C->Name())
    {
        FComponent->TComponent::SetName(AnsiString());
    }
    ~NameKeeper()
    {
        try {
            FComponent->TComponent::SetName(FName);
        } catch (...) { // the name was valid before the load; nothing sensible to do
        }
    }
    NameKeeper(const NameKeeper &) = delete;
    NameKeeper &operator=(const NameKeeper &) = delete;

private:
    TComponent *FComponent;
    AnsiString FName;
};

AnsiString BoolText(bool Value)
{
    return frxValueToXML(Variant(Value));
}

} // namespace

// ---- construction ----

// Objects under a parent belong to its report; outside a report (prepared pages,
// their source copies) the parent frees its children itself, and rows of one
// band may then share a name.
TComponent *TfrxComponent::ComponentOwnerFor(TComponent *AOwner)
{
    if (auto *Parent = dynamic_cast<TfrxComponent *>(AOwner)) return Parent->GetReport();
    return AOwner;
}

TfrxComponent::TfrxComponent(TComponent *AOwner) : TComponent(ComponentOwnerFor(AOwner))
{
    Construct(AOwner);
}

TfrxComponent::TfrxComponent(TComponent *AOwner, unsigned short)
    : TComponent(ComponentOwnerFor(AOwner))
{
    FIsDesigning = true;
    Construct(AOwner);
}

void TfrxComponent::Construct(TComponent *AOwner)
{
    FFont = std::make_unique<TFont>();
    FFont->SetPixelsPerInch(96);
    FFont->SetName("Arial");
    FFont->SetSize(10);
    FFont->SetColor(clBlack);
    FFont->SetCharset(static_cast<TFontCharset>(frxDefaultCharset));
    FFont->OnChange = [this](TObject *) { FontChanged(); };
    FObjects = std::make_unique<TList>();
    FAllObjects = std::make_unique<TList>();
    FVisible = true;
    SetParentFont(true);
    if (auto *Parent = dynamic_cast<TfrxComponent *>(AOwner)) SetParent(Parent);
}

TfrxComponent::~TfrxComponent()
{
    SetParent(nullptr);
    TfrxComponent::Clear();
    FFont->OnChange = nullptr;
}

// ---- tree ----

void TfrxComponent::SetParent(TfrxComponent *Value)
{
    if (Value == FParent) return;
    TfrxReport *Left = FParent ? FParent->GetReport() : nullptr;
    if (FParent) RemoveFromTheEnd(FParent->FObjects.get(), this);
    if (Value) Value->FObjects->Add(this);
    FParent = Value;
    TfrxReport *Joined = Value ? Value->GetReport() : nullptr;
    if (Left != Joined) {
        if (Left) Left->UnindexTree(this);
        if (Joined) Joined->IndexTree(this);
    }
    if (Value) SetParentFont(FParentFont);
}

void TfrxComponent::Clear()
{
    while (FObjects->Count() > 0)
        delete static_cast<TfrxComponent *>(FObjects->Last());
}

void TfrxComponent::GetChildren(TGetChildProc Proc, TComponent *)
{
    if (auto *Report = dynamic_cast<TfrxReport *>(this); Report && !Report->StoreInDFM()) return;
    for (int i = 0; i < FObjects->Count(); ++i)
        Proc(static_cast<TfrxComponent *>(FObjects->Items(i)));
}

void TfrxComponent::SetParentComponent(TComponent *Value)
{
    if (auto *Parent = dynamic_cast<TfrxComponent *>(Value)) SetParent(Parent);
}

TfrxPage *TfrxComponent::GetPage()
{
    for (TfrxComponent *C = this; C; C = C->FParent)
        if (auto *Page = dynamic_cast<TfrxPage *>(C)) return Page;
    return nullptr;
}

TfrxReport *TfrxComponent::GetReport()
{
    // A report is always the root of its tree; one type test, not one per level,
    // as every printed memo asks several times per record.
    TfrxComponent *Root = this;
    while (Root->FParent)
        Root = Root->FParent;
    return dynamic_cast<TfrxReport *>(Root);
}

bool TfrxComponent::GetIsLoading() const
{
    return IsLoading || ComponentState().Contains(csLoading);
}

// A dialog page is a window of its own: its place on the screen is no offset of the controls on it.
double TfrxComponent::GetAbsLeft() const
{
    return FParent && !dynamic_cast<TfrxDialogPage *>(FParent) ? FParent->GetAbsLeft() + FLeft
                                                               : FLeft;
}

double TfrxComponent::GetAbsTop() const
{
    return FParent && !dynamic_cast<TfrxDialogPage *>(FParent) ? FParent->GetAbsTop() + FTop : FTop;
}

void TfrxComponent::CollectObjects(TList *List)
{
    for (int i = 0; i < FObjects->Count(); ++i) {
        auto *Child = static_cast<TfrxComponent *>(FObjects->Items(i));
        List->Add(Child);
        Child->CollectObjects(List);
    }
}

TList *TfrxComponent::GetAllObjects()
{
    FAllObjects->Clear();
    CollectObjects(FAllObjects.get());
    return FAllObjects.get();
}

TfrxComponent *TfrxComponent::FindObject(const AnsiString &AName)
{
    TList *All = GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(All->Items(i));
        if (SameLatinName(C->Name(), AName)) return C;
    }
    return nullptr;
}

AnsiString TfrxComponent::GetDescription() const
{
    return ClassName();
}

// ---- names ----

const AnsiString &TfrxComponent::BaseName() const
{
    if (FBaseName.IsEmpty())
        FBaseName = RemoveFirst(RemoveFirst(ClassName(), "Tfrx"), BaseNameSuffix());
    return FBaseName;
}

void TfrxComponent::SetName(const AnsiString &NewName)
{
    TfrxReport *Report = GetReport();
    // A report is its own report: its name may not be one of its objects' either.
    if (!NewName.IsEmpty() && Report && Report->HasObjectNamed(NewName, this))
        throw Exception(frxResources()->Get("prDupl"));
    TComponent::SetName(NewName);
    // The report is not among its own objects, so it is not found by its name.
    if (Report && Report != this) {
        Report->UnindexObject(this);
        Report->IndexObject(this);
    }
}

// ---- the report's index of names ----

void TfrxReport::IndexTree(TfrxComponent *Top)
{
    IndexObject(Top);
    for (int i = 0; i < Top->FObjects->Count(); ++i)
        IndexTree(static_cast<TfrxComponent *>(Top->FObjects->Items(i)));
}

void TfrxReport::UnindexTree(TfrxComponent *Top)
{
    UnindexObject(Top);
    for (int i = 0; i < Top->FObjects->Count(); ++i)
        UnindexTree(static_cast<TfrxComponent *>(Top->FObjects->Items(i)));
}

void TfrxReport::IndexObject(TfrxComponent *Obj)
{
    if (Obj->Name().IsEmpty() || !Obj->FIndexedName.empty()) return;
    Obj->FIndexedName = UpperCase(Obj->Name()).View();
    FObjectNames[Obj->FIndexedName].push_back(Obj);
}

void TfrxReport::UnindexObject(TfrxComponent *Obj)
{
    if (Obj->FIndexedName.empty()) return;
    const auto Found = FObjectNames.find(Obj->FIndexedName);
    if (Found != FObjectNames.end()) {
        std::erase(Found->second, Obj);
        if (Found->second.empty()) FObjectNames.erase(Found);
    }
    Obj->FIndexedName.clear();
}

bool TfrxReport::HasObjectNamed(const AnsiString &Name, const TfrxComponent *Except) const
{
    const auto Found = FObjectNames.find(UpperCase(Name).ToStd());
    if (Found == FObjectNames.end()) return false;
    // A load or a save runs its object unnamed for a while, past the index: the
    // names are compared again.
    return std::any_of(Found->second.begin(), Found->second.end(), [&](TfrxComponent *Obj) {
        return Obj != Except && SameLatinName(Obj->Name(), Name);
    });
}

void TfrxComponent::CreateUniqueName()
{
    TStringList Names;
    Names.SetSorted(true);
    Names.SetDuplicates(dupAccept);
    TfrxComponent *Scope = GetReport();
    if (!Scope) Scope = FParent ? FParent : this;
    TList *All = Scope->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i)
        Names.Add(static_cast<TfrxComponent *>(All->Items(i))->Name());
    int Index;
    for (int n = 1;; ++n) {
        const AnsiString Candidate = BaseName() + IntToStr(n);
        if (!Names.Find(Candidate, Index)) {
            SetName(Candidate);
            return;
        }
    }
}

// ---- geometry and fonts ----

void TfrxComponent::SetLeft(double Value)
{
    if (!(FIsDesigning && FRestrictions.Contains(rfDontMove))) FLeft = Value;
}

void TfrxComponent::SetTop(double Value)
{
    if (!(FIsDesigning && FRestrictions.Contains(rfDontMove))) FTop = Value;
}

void TfrxComponent::SetWidth(double Value)
{
    if (!(FIsDesigning && FRestrictions.Contains(rfDontSize))) FWidth = Value;
}

void TfrxComponent::SetHeight(double Value)
{
    if (!(FIsDesigning && FRestrictions.Contains(rfDontSize))) FHeight = Value;
}

void TfrxComponent::SetBounds(double ALeft, double ATop, double AWidth, double AHeight)
{
    SetLeft(ALeft);
    SetTop(ATop);
    SetWidth(AWidth);
    SetHeight(AHeight);
}

void TfrxComponent::SetFont(TFont *Value)
{
    FFont->Assign(Value);
    FParentFont = false;
}

void TfrxComponent::SetParentFont(bool Value)
{
    if (Value && FParent) SetFont(FParent->Font());
    FParentFont = Value;
}

void TfrxComponent::SetVisible(bool Value)
{
    FVisible = Value;
}

void TfrxComponent::FontChanged()
{
    FParentFont = false;
    for (int i = 0; i < FObjects->Count(); ++i) {
        auto *Child = static_cast<TfrxComponent *>(FObjects->Items(i));
        if (Child->ParentFont()) Child->SetParentFont(true);
    }
}

void TfrxComponent::AlignChildren()
{
    std::vector<TfrxComponent *> Views;
    for (int i = 0; i < FObjects->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(FObjects->Items(i));
        if (dynamic_cast<TfrxView *>(C)) Views.push_back(C);
    }
    // By position, equal positions in their order among the children.
    std::stable_sort(Views.begin(), Views.end(),
                     [](TfrxComponent *A, TfrxComponent *B) { return A->Left() < B->Left(); });
    const int Count = static_cast<int>(Views.size());
    auto Overlap = [](TfrxComponent *C, TfrxComponent *V) {
        return !(C->GetAbsTop() >= V->GetAbsTop() + V->Height()) &&
               !(V->GetAbsTop() >= C->GetAbsTop() + C->Height());
    };
    auto Search = [&](TfrxComponent *V, int Start, int Step) -> TfrxComponent * {
        for (int i = Start; i >= 0 && i < Count; i += Step) {
            TfrxComponent *C = Views[i];
            if (C == V || !Overlap(C, V)) continue;
            if (V->ChildAlign() != baWidth) return C;
            if (Step < 0 && C->Left() > V->Left()) continue;
            if (Step > 0 && !(C->Left() + C->Width() >= V->Left() + V->Width())) continue;
            return C;
        }
        return nullptr;
    };
    for (int i = 0; i < Count; ++i) {
        TfrxComponent *V = Views[i];
        if (V->ChildAlign() != baLeft && V->ChildAlign() != baWidth) continue;
        TfrxComponent *Found = Search(V, i - 1, -1);
        V->SetLeft(Found ? Found->Left() + Found->Width() : 0);
    }
    for (int i = Count - 1; i >= 0; --i) {
        TfrxComponent *V = Views[i];
        const TfrxAlign Align = V->ChildAlign();
        if (Align != baRight && Align != baWidth) continue;
        TfrxComponent *Found = Search(V, i + 1, 1);
        const double Edge = Found ? Found->Left() : FWidth;
        if (Align == baRight)
            V->SetLeft(Edge - V->Width());
        else
            V->SetWidth(Edge - V->Left());
    }
    for (int i = 0; i < FObjects->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(FObjects->Items(i));
        switch (C->ChildAlign()) {
        case baCenter:
            C->SetLeft((FWidth - C->Width()) / 2);
            break;
        case baBottom:
            C->SetTop(FHeight - C->Height());
            break;
        case baClient:
            C->SetBounds(0, 0, FWidth, FHeight);
            break;
        default:
            break;
        }
    }
}

// ---- streaming ----

void TfrxComponent::Assign(TPersistent *Source)
{
    if (auto *Other = dynamic_cast<TfrxComponent *>(Source)) {
        TMemoryStream Data;
        Other->SaveToStream(&Data, false, true);
        Data.SetPosition(0);
        LoadFromStream(&Data);
        return;
    }
    TComponent::Assign(Source);
}

void TfrxComponent::AssignAll(TfrxComponent *Source)
{
    TMemoryStream Data;
    Source->SaveToStream(&Data, true, true);
    Data.SetPosition(0);
    LoadFromStream(&Data);
}

void TfrxComponent::LoadFromStream(TStream *Stream)
{
    NameKeeper Keep(this);
    Clear();
    TfrxXMLSerializer Serializer(Stream);
    TfrxReport *Report = GetReport();
    Serializer.SetOwner(Report);
    if (Report) Report->SetCurrentSerializer(&Serializer);
    auto Finish = [&] {
        if (Report) {
            Report->Errors()->AddStrings(Serializer.Errors());
            Report->SetCurrentSerializer(nullptr);
        }
    };
    try {
        std::lock_guard<std::recursive_mutex> Lock(frxCS());
        Serializer.ReadRootComponent(this);
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void TfrxComponent::SaveToStream(TStream *Stream, bool SaveChildren, bool SaveDefaultValues)
{
    NameKeeper Keep(this);
    TfrxXMLSerializer Serializer(Stream);
    Serializer.SetOwner(GetReport());
    Serializer.SetSerializeDefaultValues(SaveDefaultValues);
    Serializer.WriteRootComponent(this, SaveChildren);
}

// ---- difference texts ----

AnsiString TfrxComponent::DiffFloat(const char *Name, double Value, double Other)
{
    if (std::fabs(Value - Other) <= 0.0001) return AnsiString();
    return AnsiString(" ") + Name + "=\"" + frxFloatToXML(Value) + "\"";
}

AnsiString TfrxComponent::DiffFont(TFont *F1, TFont *F2, const AnsiString &Prefix)
{
    AnsiString Result;
    auto Add = [&](const char *Name, const AnsiString &Value) {
        Result += Prefix + Name + "=\"" + Value + "\"";
    };
    if (F1->Name() != F2->Name()) Add("Font.Name", frxStrToXML(F1->Name()));
    if (F1->Size() != F2->Size()) Add("Font.Size", IntToStr(F1->Size()));
    if (F1->Color() != F2->Color()) Add("Font.Color", IntToStr(F1->Color()));
    if (F1->Style() != F2->Style()) Add("Font.Style", IntToStr(F1->Style().ToInt()));
    if (F1->Charset() != F2->Charset()) Add("Font.Charset", IntToStr(int(F1->Charset())));
    return Result;
}

AnsiString TfrxComponent::InternalDiff(TfrxComponent *Other)
{
    AnsiString Result;
    if (ChildAlign() == baNone) Result += DiffFloat("l", FLeft, Other->FLeft);
    if (dynamic_cast<TfrxBand *>(this))
        Result += " t=\"" + frxFloatToXML(FTop) + "\"";
    else
        Result += DiffFloat("t", FTop, Other->FTop);
    auto *Memo = dynamic_cast<TfrxCustomMemoView *>(this);
    if (!(Memo && Memo->AutoWidth())) Result += DiffFloat("w", FWidth, Other->FWidth);
    Result += DiffFloat("h", FHeight, Other->FHeight);
    if (FVisible != Other->FVisible) Result += " Visible=\"" + BoolText(FVisible) + "\"";
    if (!FParentFont) Result += DiffFont(FFont.get(), Other->FFont.get(), " ");
    if (FParentFont != Other->FParentFont)
        Result += " ParentFont=\"" + BoolText(FParentFont) + "\"";
    if (Tag() != Other->Tag()) Result += " Tag=\"" + IntToStr(Tag()) + "\"";
    return Result;
}

AnsiString TfrxComponent::Diff(TfrxComponent *Other)
{
    return InternalDiff(Other);
}

AnsiString TfrxComponent::AllDiff(TfrxComponent *Other)
{
    TStringStream Text;
    TfrxXMLSerializer Serializer(&Text);
    Serializer.SetOwner(GetReport());
    Serializer.WriteComponent(this);
    AnsiString Result = Text.DataString();
    const int Blank = Result.Pos(" ");
    if (Blank == 0)
        Result = AnsiString();
    else
        Result = Result.SubString(Blank + 1, Result.Length() - Blank - 2);
    if (Other) Result += " " + InternalDiff(Other);
    return Result;
}

// ---- printable components ----

void TfrxReportComponent::BeforePrint()
{
    FSavedBounds = {Left(), Top(), Width(), Height()};
}

void TfrxReportComponent::AfterPrint()
{
    SetBounds(FSavedBounds.Left, FSavedBounds.Top, FSavedBounds.Width, FSavedBounds.Height);
}

TfrxBounds TfrxReportComponent::GetRealBounds() const
{
    return {GetAbsLeft(), GetAbsTop(), GetAbsLeft() + Width(), GetAbsTop() + Height()};
}

TfrxDialogComponent::TfrxDialogComponent(TComponent *AOwner) : TfrxReportComponent(AOwner)
{
    SetLeft(-10000);
    SetTop(-10000);
}

void TfrxDialogComponent::DefineProperties(TFiler *Filer)
{
    TfrxReportComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "pLeft", [this](TReader *Reader) { SetLeft(Reader->ReadInteger()); }, nullptr, false);
    Filer->DefineProperty(
        "pTop", [this](TReader *Reader) { SetTop(Reader->ReadInteger()); }, nullptr, false);
}

std::recursive_mutex &frxCS()
{
    static std::recursive_mutex Lock;
    return Lock;
}
