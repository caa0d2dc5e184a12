// The report's option objects and the styles of memo views.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"
#include "report/frxXML.h"
#include "report/frxXMLSerializer.h"

const TfrxPreviewButtons TfrxPreviewOptions::DefaultButtons =
    TfrxPreviewButtons{pbPrint, pbLoad,      pbSave,    pbExport, pbZoom, pbFind,
                       pbTree,  pbPageSetup, pbRefresh, pbTools,  pbEdit, pbNavigator};

namespace
{

template <class T> T *SameClass(TPersistent *Source)
{
    return dynamic_cast<T *>(Source);
}

} // namespace

// ---- engine options ----

void TfrxEngineOptions::Assign(TPersistent *Source)
{
    auto *Other = SameClass<TfrxEngineOptions>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FConvertNulls = Other->FConvertNulls;
    FDoublePass = Other->FDoublePass;
    FMaxMemSize = Other->FMaxMemSize;
    FPrintIfEmpty = Other->FPrintIfEmpty;
    FNewSilentMode = Other->FNewSilentMode;
    FTempDir = Other->FTempDir;
    FUseFileCache = Other->FUseFileCache;
}

void TfrxEngineOptions::Clear()
{
    FConvertNulls = true;
    FDoublePass = false;
}

// ---- preview options ----

void TfrxPreviewOptions::Assign(TPersistent *Source)
{
    auto *Other = SameClass<TfrxPreviewOptions>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FAllowEdit = Other->FAllowEdit;
    FButtons = Other->FButtons;
    FDoubleBuffered = Other->FDoubleBuffered;
    FMaximized = Other->FMaximized;
    FMDIChild = Other->FMDIChild;
    FModal = Other->FModal;
    FOutlineExpand = Other->FOutlineExpand;
    FOutlineVisible = Other->FOutlineVisible;
    FOutlineWidth = Other->FOutlineWidth;
    FShowCaptions = Other->FShowCaptions;
    FZoom = Other->FZoom;
    FZoomMode = Other->FZoomMode;
}

void TfrxPreviewOptions::Clear()
{
    FOutlineExpand = true;
    FOutlineVisible = false;
    FOutlineWidth = 120;
}

// ---- print options ----

void TfrxPrintOptions::Assign(TPersistent *Source)
{
    auto *Other = SameClass<TfrxPrintOptions>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FCopies = Other->FCopies;
    FCollate = Other->FCollate;
    FPageNumbers = Other->FPageNumbers;
    FPrinter = Other->FPrinter;
    FPrintPages = Other->FPrintPages;
    FReverse = Other->FReverse;
    FShowDialog = Other->FShowDialog;
}

void TfrxPrintOptions::Clear()
{
    FCopies = 1;
    FCollate = true;
    FPageNumbers = AnsiString();
    FPrinter = frxResources()->Get("prDefault");
    FPrintPages = ppAll;
    FReverse = false;
    FShowDialog = true;
}

// ---- report options ----

TfrxReportOptions::TfrxReportOptions(TfrxReport *Report) : FReport(Report)
{
    FCreateDate = Now();
    FLastChange = FCreateDate;
}

TfrxReportOptions::~TfrxReportOptions() = default;

void TfrxReportOptions::Assign(TPersistent *Source)
{
    auto *Other = SameClass<TfrxReportOptions>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FAuthor = Other->FAuthor;
    FCompressed = Other->FCompressed;
    FConnectionName = Other->FConnectionName;
    FCreateDate = Other->FCreateDate;
    FDescription->Assign(Other->FDescription.get());
    FInitString = Other->FInitString;
    FName = Other->FName;
    FLastChange = Other->FLastChange;
    FPassword = Other->FPassword;
    FPicture->Assign(Other->FPicture.get());
    FVersionBuild = Other->FVersionBuild;
    FVersionMajor = Other->FVersionMajor;
    FVersionMinor = Other->FVersionMinor;
    FVersionRelease = Other->FVersionRelease;
}

void TfrxReportOptions::Clear()
{
    FAuthor = AnsiString();
    FCompressed = false;
    FCreateDate = Now();
    FDescription->Clear();
    FLastChange = FCreateDate;
    FPicture->Assign(nullptr);
    FVersionBuild = FVersionMajor = FVersionMinor = FVersionRelease = AnsiString();
    FConnectionName = AnsiString();
    FInitString = AnsiString();
    FName = AnsiString();
    FPassword = AnsiString();
    FPrevPassword = AnsiString();
}

bool TfrxReportOptions::CheckPassword()
{
    if (FPassword.IsEmpty() || FPassword == FPrevPassword) return true;
    AnsiString Typed;
    const TfrxPasswordFormHandler &Ask = frxPasswordFormHandler();
    if (!Ask || !Ask(Typed) || Typed != FPassword) return false;
    FPrevPassword = FPassword;
    return true;
}

// ---- styles ----

TfrxStyleItem::TfrxStyleItem(TCollection *Collection)
    : TCollectionItem(Collection), FFont(std::make_unique<TFont>())
{
    FFont->SetPixelsPerInch(96);
    FFont->SetName("Arial");
    FFont->SetSize(10);
    FFont->SetColor(clBlack);
    FFont->SetCharset(static_cast<TFontCharset>(frxDefaultCharset));
}

void TfrxStyleItem::Assign(TPersistent *Source)
{
    auto *Other = SameClass<TfrxStyleItem>(Source);
    if (!Other) return TCollectionItem::Assign(Source);
    FName = Other->FName;
    FColor = Other->FColor;
    FFont->Assign(Other->FFont.get());
    FFrame->Assign(Other->FFrame.get());
}

void TfrxStyleItem::SetName(const AnsiString &Value)
{
    if (auto *Styles = static_cast<TfrxStyles *>(Collection())) {
        TfrxStyleItem *Other = Styles->Find(Value);
        if (Other && Other != this) throw Exception(frxResources()->Get("clDuplName"));
    }
    FName = Value;
}

void TfrxStyleItem::CreateUniqueName()
{
    auto *Styles = static_cast<TfrxStyles *>(Collection());
    for (int n = 1;; ++n) {
        const AnsiString Candidate = "Style" + IntToStr(n);
        if (!Styles || !Styles->Find(Candidate)) {
            FName = Candidate;
            return;
        }
    }
}

TfrxStyles::TfrxStyles(TfrxReport *Report)
    : TCollection(TfrxStyleItem::StaticClass()), FReport(Report)
{
}

TfrxStyleItem *TfrxStyles::Add()
{
    return static_cast<TfrxStyleItem *>(TCollection::Add());
}

TfrxStyleItem *TfrxStyles::Items(int Index) const
{
    return static_cast<TfrxStyleItem *>(TCollection::Items(Index));
}

TfrxStyleItem *TfrxStyles::Find(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), Name)) return Items(i);
    return nullptr;
}

void TfrxStyles::GetList(TStrings *List) const
{
    List->Clear();
    for (int i = 0; i < Count(); ++i)
        List->Add(Items(i)->Name());
}

void TfrxStyles::Apply()
{
    if (!FReport) return;
    TList *All = FReport->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i)
        if (auto *Memo =
                dynamic_cast<TfrxCustomMemoView *>(static_cast<TfrxComponent *>(All->Items(i)))) {
            // A memo whose style is gone keeps its own look and drops the name.
            if (TfrxStyleItem *Style = Find(Memo->Style()))
                Memo->ApplyStyle(Style);
            else
                Memo->SetStyle(AnsiString());
        }
}

void TfrxStyles::SaveToXMLItem(TfrxXMLItem *Item)
{
    frxWriteCollectionItems(Item, "style", this);
    Item->SetProp("Name", FName);
}

void TfrxStyles::LoadFromXMLItem(TfrxXMLItem *Item)
{
    if (!frxReadCollectionItems(Item, "style", this)) return;
    FName = Item->Prop("Name");
    Apply();
}

void TfrxStyles::SaveToStream(TStream *Stream)
{
    frxSaveListDocument(Stream, [this](TfrxXMLItem *Root) { SaveToXMLItem(Root); });
}

void TfrxStyles::LoadFromStream(TStream *Stream)
{
    frxLoadListDocument(Stream, [this](TfrxXMLItem *Root) { LoadFromXMLItem(Root); });
}

void TfrxStyles::SaveToFile(const AnsiString &FileName)
{
    frxSaveListFile(*this, FileName);
}

void TfrxStyles::LoadFromFile(const AnsiString &FileName)
{
    frxLoadListFile(*this, FileName);
}

TfrxStyles *TfrxStyleSheet::Add()
{
    FItems.push_back(std::make_unique<TfrxStyles>());
    return FItems.back().get();
}

void TfrxStyleSheet::Delete(int Index)
{
    if (Index >= 0 && Index < Count()) FItems.erase(FItems.begin() + Index);
}

int TfrxStyleSheet::IndexOf(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(FItems[i]->Name(), Name)) return i;
    return -1;
}

TfrxStyles *TfrxStyleSheet::Find(const AnsiString &Name) const
{
    const int Index = IndexOf(Name);
    return Index < 0 ? nullptr : FItems[Index].get();
}

void TfrxStyleSheet::GetList(TStrings *List) const
{
    List->Clear();
    for (const auto &Styles : FItems)
        List->Add(Styles->Name());
}

void TfrxStyleSheet::SaveToStream(TStream *Stream)
{
    frxSaveListDocument(Stream, [this](TfrxXMLItem *Root) {
        Root->SetName("stylesheet");
        for (const auto &Styles : FItems)
            Styles->SaveToXMLItem(Root->Add());
    });
}

void TfrxStyleSheet::LoadFromStream(TStream *Stream)
{
    Clear();
    frxLoadListDocument(Stream, [this](TfrxXMLItem *Root) {
        if (!SameText(Root->Name(), "stylesheet")) return;
        for (int i = 0; i < Root->Count(); ++i)
            if (SameText(Root->Items(i)->Name(), "style")) Add()->LoadFromXMLItem(Root->Items(i));
    });
}

void TfrxStyleSheet::SaveToFile(const AnsiString &FileName)
{
    frxSaveListFile(*this, FileName);
}

void TfrxStyleSheet::LoadFromFile(const AnsiString &FileName)
{
    frxLoadListFile(*this, FileName);
}
