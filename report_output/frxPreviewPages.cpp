#include "report_output/frxPreviewPages.h"

#include "report_output/frxPreview.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "platform/win/ShellApi.h"
#include "platform/win/WinUser.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report/frxXMLSerializer.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>

namespace
{

constexpr int PageCacheSize = 50;
// Pages that always stay in memory, whatever the file cache does.
constexpr int PagesKeptInMemory = 2;
const char *const PagePrefix = "page";

bool IsWholePageName(const AnsiString &Name)
{
    return AnsiSameText(Name, "TfrxReportPage") || AnsiSameText(Name, "TfrxDMPPage");
}

bool InheritsFromNamed(const TfrxComponent *Obj, const char *ClassName)
{
    for (TClass C = Obj->ClassType(); C; C = C->ClassParent())
        if (C->ClassName() == ClassName) return true;
    return false;
}

bool IsCopiedAside(TfrxComponent *Obj)
{
    const AnsiString Class = Obj->ClassName();
    return Class == "TfrxCrossView" || Class == "TfrxDBCrossView" ||
           dynamic_cast<TfrxDialogComponent *>(Obj) != nullptr;
}

// A whole decimal number in Text, or false; nothing is wrapped or cut.
bool ParseInt(std::string_view Text, long long &Value)
{
    if (Text.empty()) return false;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    return Error == std::errc() && End == Text.data() + Text.size();
}

int ClampToInt(long long Value)
{
    return static_cast<int>(std::clamp<long long>(Value, INT_MIN, INT_MAX));
}

// An integer attribute; a missing or damaged one gives Default.
long long IntProp(const TfrxXMLItem *Item, const char *Name, long long Default)
{
    long long Value;
    return ParseInt(Item->Prop(Name).View(), Value) ? Value : Default;
}

// The source page index of a "pageN" element, or -1 when the name holds none.
int SourceIndexOf(const AnsiString &Name)
{
    const std::string_view Text = Name.View();
    if (Text.size() <= 4 || !AnsiSameText(AnsiString(Text.substr(0, 4)), PagePrefix)) return -1;
    long long Value;
    if (!ParseInt(Text.substr(4), Value) || Value < 0 || Value > INT_MAX) return -1;
    return static_cast<int>(Value);
}

// Read in either form, as files written under a comma locale have them.
double FloatProp(const TfrxXMLItem *Item, const char *Name, double Default)
{
    if (!Item->PropExists(Name)) return Default;
    double Value;
    const AnsiString Text = Item->Prop(Name);
    try {
        Value = frxStrToFloat(Text);
    } catch (const EConvertError &) {
        return Default;
    }
    return Value;
}

// Why is the resource key of the reason, worded with Args.
[[noreturn]] void Refuse(const char *Why, std::initializer_list<TVarRec> Args)
{
    throw EfrxXMLError(
        Format(frxResources()->Get("clBadRPD"), {Format(frxResources()->Get(Why), Args)}));
}

void ForEachDescendant(TfrxComponent *Root, const std::function<void(TfrxComponent *)> &Visit)
{
    TList *All = Root->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i)
        Visit(static_cast<TfrxComponent *>(All->Items(i)));
}

TfrxPrintPagesHandler &PrintHandler()
{
    static TfrxPrintPagesHandler Handler;
    return Handler;
}

} // namespace

// ---- dictionary ----

void TfrxDictionary::Add(const AnsiString &Name, const AnsiString &SourceName, TfrxComponent *Obj)
{
    FSources.push_back({SourceName, Obj});
    FAliases[Name] = FSources.size() - 1;
}

AnsiString TfrxDictionary::AddUnique(const AnsiString &Base, const AnsiString &SourceName,
                                     TfrxComponent *Obj)
{
    AnsiString Alias = CreateUniqueName(Base);
    Add(Alias, SourceName, Obj);
    return Alias;
}

// Halving probes find the end of the numbering without scanning it from 1.
AnsiString TfrxDictionary::CreateUniqueName(const AnsiString &Base) const
{
    int N = 10000;
    while (N >= 2 && !FAliases.contains(Base + IntToStr(N)))
        N /= 2;
    if (N < 2) N = 1;
    while (FAliases.contains(Base + IntToStr(N)))
        ++N;
    return Base + IntToStr(N);
}

const TfrxDictionary::Source *TfrxDictionary::Find(const AnsiString &Name) const
{
    const auto Found = FAliases.find(Name);
    return Found == FAliases.end() ? nullptr : &FSources[Found->second];
}

TfrxComponent *TfrxDictionary::GetObject(const AnsiString &Name) const
{
    const Source *S = Find(Name);
    return S ? S->Obj : nullptr;
}

AnsiString TfrxDictionary::GetSourceName(const AnsiString &Name) const
{
    const Source *S = Find(Name);
    return S ? S->Name : AnsiString();
}

void TfrxDictionary::Clear()
{
    FAliases.clear();
    FSources.clear();
}

// ---- outline ----

TfrxOutline::TfrxOutline(TfrxCustomPreviewPages *PreviewPages, TfrxXMLItem *Root)
    : TfrxCustomOutline(PreviewPages), FRoot(Root)
{
    SetCurItem(Root);
}

int TfrxOutline::GetCount()
{
    return CurItem()->Count();
}

void TfrxOutline::AddItem(const AnsiString &Text, int Top)
{
    TfrxXMLItem *Item = CurItem()->Add();
    Item->SetName("item");
    Item->SetProp("text", Text);
    Item->SetProp("page", IntToStr(PreviewPages()->CurPage));
    Item->SetProp("top", IntToStr(Top));
    SetCurItem(Item);
}

void TfrxOutline::LevelDown(int Index)
{
    if (Index >= 0 && Index < CurItem()->Count()) SetCurItem(CurItem()->Items(Index));
}

void TfrxOutline::LevelRoot()
{
    SetCurItem(FRoot);
}

void TfrxOutline::LevelUp()
{
    if (CurItem() != FRoot && CurItem()->Parent()) SetCurItem(CurItem()->Parent());
}

void TfrxOutline::GetItem(int Index, AnsiString &Text, int &Page, int &Top)
{
    if (Index < 0 || Index >= CurItem()->Count()) return;
    const TfrxXMLItem *Item = CurItem()->Items(Index);
    Text = Item->Prop("text");
    Page = ClampToInt(IntProp(Item, "page", Page));
    Top = ClampToInt(IntProp(Item, "top", Top));
}

void TfrxOutline::ShiftItems(TfrxXMLItem *From, int NewTop)
{
    TfrxXMLItem *First = FirstEntryAfter(From);
    if (!First) return;
    const long long Delta = static_cast<long long>(NewTop) - IntProp(First, "top", 0);
    std::function<void(TfrxXMLItem *)> Shift = [&](TfrxXMLItem *Item) {
        Item->SetProp("page", IntToStr(ClampToInt(IntProp(Item, "page", 0) + 1)));
        Item->SetProp("top", IntToStr(ClampToInt(IntProp(Item, "top", 0) + Delta)));
        for (int i = 0; i < Item->Count(); ++i)
            Shift(Item->Items(i));
    };
    Shift(First);
}

TfrxXMLItem *TfrxOutline::FirstEntryAfter(TfrxXMLItem *Position) const
{
    if (!Position) return nullptr;
    // A position taken where the current item had no entries is that item itself (the root
    // of an empty outline, say): the entries made since are its children. Positions are
    // never entered afterwards, so a position above the current item is such an item.
    for (TfrxXMLItem *Item = CurItem(); Item; Item = Item == FRoot ? nullptr : Item->Parent())
        if (Item == Position) return Position->Count() > 0 ? Position->Items(0) : nullptr;
    TfrxXMLItem *Parent = Position->Parent();
    if (!Parent || Position == FRoot) return nullptr;
    const int Next = Parent->IndexOf(Position) + 1;
    return Next < Parent->Count() ? Parent->Items(Next) : nullptr;
}

TfrxXMLItem *TfrxOutline::GetCurPosition()
{
    const int Count = CurItem()->Count();
    return Count > 0 ? CurItem()->Items(Count - 1) : CurItem();
}

// ---- the store ----

TfrxPreviewPages::TfrxPreviewPages(TfrxReport *Report)
    : TfrxCustomPreviewPages(Report), FXMLDoc(std::make_unique<TfrxXMLDocument>())
{
    FXMLDoc->Root()->SetName("preparedreport");
    SetOutline(std::make_unique<TfrxOutline>(this, Section("outline")));
}

TfrxPreviewPages::~TfrxPreviewPages() = default;

TfrxXMLItem *TfrxPreviewPages::Section(const AnsiString &Name)
{
    return FXMLDoc->Root()->FindItem(Name);
}

int TfrxPreviewPages::Count()
{
    return PagesItem()->Count();
}

bool TfrxPreviewPages::EngineRunning() const
{
    return Engine() && Engine()->Running;
}

void TfrxPreviewPages::ResetOutline()
{
    auto *Tree = static_cast<TfrxOutline *>(Outline());
    Tree->SetRoot(Section("outline"));
}

void TfrxPreviewPages::Clear()
{
    ClearCache();
    FSourcePages.clear();
    FBaseTexts.clear();
    FXMLDoc->Clear();
    FXMLDoc->Root()->SetName("preparedreport");
    FDictionary.Clear();
    ResetOutline();
    CurPage = -1;
    XMLSize = 0;
}

void TfrxPreviewPages::Initialize()
{
    FXMLDoc->SetTempDir(Report()->EngineOptions()->TempDir());
    Report()->InternalOnProgressStart(ptRunning);
}

TfrxXMLItem *TfrxPreviewPages::CurPageItem()
{
    TfrxXMLItem *Pages = PagesItem();
    if (CurPage < 0 || CurPage >= Pages->Count()) return nullptr;
    TfrxXMLItem *Item = Pages->Items(CurPage);
    FXMLDoc->LoadItem(Item);
    return Item;
}

void TfrxPreviewPages::AddObject(TfrxComponent *Obj)
{
    if (TfrxXMLItem *Page = CurPageItem()) AddObjectTo(Page, Obj);
}

void TfrxPreviewPages::AddObjectTo(TfrxXMLItem *Parent, TfrxComponent *Obj)
{
    if (!Obj->Visible()) return;
    TfrxXMLItem *Children = Parent;
    if (!InheritsFromNamed(Obj, "TfrxSubreport") && !IsCopiedAside(Obj)) {
        TfrxXMLItem *Item = Parent->Add();
        TfrxComponent *Source = Obj->LinkedComponent();
        if (!Source) {
            Item->SetName(Obj->ClassName());
            Item->SetText(Obj->AllDiff(nullptr));
        } else {
            Item->SetName(Obj->AliasName());
            const bool FinalPass = !Engine() || Engine()->FinalPass;
            if (!FinalPass)
                Item->SetText(Obj->InternalDiff(Source));
            else
                Item->SetText(Obj->PlainView() ? Obj->AllDiff(Source) : Obj->Diff(Source));
        }
        XMLSize += Item->Name().Length() + Item->Text().Length() +
                   static_cast<long long>(sizeof(TfrxXMLItem)) + 16;
        Children = Item;
    }
    TList *Objects = Obj->Objects();
    for (int i = 0; i < Objects->Count(); ++i)
        AddObjectTo(Children, static_cast<TfrxComponent *>(Objects->Items(i)));
}

void TfrxPreviewPages::UnloadPages()
{
    TfrxEngineOptions *Options = Report()->EngineOptions();
    if (!Options->UseFileCache() ||
        XMLSize <= static_cast<long long>(Options->MaxMemSize()) * 1048576)
        return;
    TfrxXMLItem *Pages = PagesItem();
    for (int i = Pages->Count() - 2; i >= 0; --i) {
        TfrxXMLItem *Item = Pages->Items(i);
        if (!Item->Loaded()) break;
        FXMLDoc->UnloadItem(Item);
    }
    XMLSize = 0;
}

void TfrxPreviewPages::AddPage(TfrxReportPage *Page)
{
    TfrxXMLItem *Pages = PagesItem();
    UnloadPages();
    ++CurPage;
    if (CurPage < Pages->Count() && AddPageAction != apAdd) return;
    int Source = -1;
    for (int i = 0; i < SourcePageCount() && Source < 0; ++i)
        if (FSourcePages[i]->LinkedComponent() == Page) Source = i;
    TfrxXMLItem *Item = Pages->Add();
    Item->SetName(PagePrefix + IntToStr(Source));
    if (Pages->Count() > PagesKeptInMemory) Item->SetUnloadable(true);
    Report()->InternalOnProgress(ptRunning, CurPage + 1);
    AddPageAction = apWriteOver;
    CurPage = Pages->Count() - 1;
}

void TfrxPreviewPages::RegisterSourceObject(TfrxComponent *Original, TfrxComponent *Copy,
                                            const AnsiString &Prefix)
{
    Original->SetLinkedComponent(Copy);
    Copy->SetLinkedComponent(Original);
    const AnsiString SourceName = "Page" + IntToStr(SourcePageCount() - 1) + "." + Copy->Name();
    const AnsiString Alias = FDictionary.AddUnique(Prefix, SourceName, Copy);
    RememberBaseText(Copy);
    Original->SetAliasName(Alias);
    Copy->SetAliasName(Alias);
}

void TfrxPreviewPages::RememberBaseText(TfrxComponent *Copy)
{
    if (Copy->PlainView()) {
        FBaseTexts[Copy] = Copy->ClassName();
        return;
    }
    TfrxXMLSerializer Serializer(nullptr);
    FBaseTexts[Copy] = Serializer.WriteComponentStr(Copy);
}

AnsiString TfrxPreviewPages::AliasPrefix(TfrxComponent *Copy)
{
    return AnsiString(Copy->BaseName().SubString(1, 1)).LowerCase();
}

void TfrxPreviewPages::AddSourcePage(TfrxReportPage *Page)
{
    struct Pair {
        TfrxComponent *Original;
        TfrxComponent *Copy;
    };
    std::vector<Pair> Pairs;
    std::unique_ptr<TfrxPage> PageCopy;
    std::function<void(TfrxComponent *, TfrxComponent *)> CopyTree =
        [&](TfrxComponent *Original, TfrxComponent *ParentCopy) {
            if (IsCopiedAside(Original)) return;
            auto *Copy = static_cast<TfrxComponent *>(Original->ClassType()->Create(ParentCopy));
            if (!ParentCopy) PageCopy.reset(static_cast<TfrxPage *>(Copy));
            Copy->Assign(Original);
            Copy->SetName(Original->Name());
            Pairs.push_back({Original, Copy});
            TList *Objects = Original->Objects();
            for (int i = 0; i < Objects->Count(); ++i)
                CopyTree(static_cast<TfrxComponent *>(Objects->Items(i)), Copy);
        };
    CopyTree(Page, nullptr);
    PageCopy->SetLinkedComponent(Page);
    FSourcePages.push_back(std::move(PageCopy));
    for (std::size_t i = 1; i < Pairs.size(); ++i) {
        TfrxComponent *Copy = Pairs[i].Copy;
        RegisterSourceObject(Pairs[i].Original, Copy,
                             dynamic_cast<TfrxBand *>(Copy) ? AnsiString("b") : AliasPrefix(Copy));
    }
}

void TfrxPreviewPages::AddToSourcePage(TfrxComponent *Obj)
{
    if (FSourcePages.empty()) return;
    TfrxPage *Page = FSourcePages.back().get();
    auto *Copy = static_cast<TfrxComponent *>(Obj->ClassType()->Create(Page));
    Copy->Assign(Obj);
    Copy->CreateUniqueName();
    RegisterSourceObject(Obj, Copy, AliasPrefix(Copy));
}

void TfrxPreviewPages::BeginPass()
{
    FFirstPassPage = Count() - 1;
    if (FFirstPassPage >= 0) {
        TfrxXMLItem *Item = PagesItem()->Items(FFirstPassPage);
        FXMLDoc->LoadItem(Item);
        FFirstObjectIndex = Item->Count();
    }
}

void TfrxPreviewPages::ClearFirstPassPages()
{
    ClearCache();
    if (FFirstPassPage == -1) {
        TfrxXMLItem *Root = FXMLDoc->Root();
        for (int i = 0; i < Root->Count(); ++i)
            if (!AnsiSameText(Root->Items(i)->Name(), "anchors")) Root->Items(i)->Clear();
        ResetOutline();
    } else {
        TfrxXMLItem *Pages = PagesItem();
        TfrxXMLItem *Page = Pages->Items(FFirstPassPage);
        FXMLDoc->LoadItem(Page);
        while (Page->Count() > FFirstObjectIndex)
            delete Page->Items(Page->Count() - 1);
        while (Pages->Count() > FFirstPassPage + 1)
            delete Pages->Items(Pages->Count() - 1);
    }
    CurPage = FFirstPassPage;
    XMLSize = 0;
}

void TfrxPreviewPages::CutObjects(int AFrom)
{
    TfrxXMLItem *Page = CurPageItem();
    if (!Page) return;
    TfrxXMLItem *Cut = Section("cutted");
    while (AFrom >= 0 && AFrom < Page->Count())
        Cut->AddItem(Page->Items(AFrom));
}

void TfrxPreviewPages::PasteObjects(double X, double Y)
{
    TfrxXMLItem *Cut = FXMLDoc->Root()->Find("cutted") >= 0 ? Section("cutted") : nullptr;
    if (!Cut) return;
    TfrxXMLItem *Page = CurPageItem();
    if (Cut->Count() > 0 && Page) {
        const double dx = X - FloatProp(Cut->Items(0), "l", 0);
        const double dy = Y - FloatProp(Cut->Items(0), "t", 0);
        while (Cut->Count() > 0) {
            TfrxXMLItem *Item = Cut->Items(0);
            Item->SetProp("l", frxFloatToXML(FloatProp(Item, "l", 0) + dx));
            Item->SetProp("t", frxFloatToXML(FloatProp(Item, "t", 0) + dy));
            Page->AddItem(Item);
        }
    }
    delete Cut;
}

bool TfrxPreviewPages::BandExists(TfrxBand *Band)
{
    TfrxXMLItem *Page = CurPageItem();
    if (!Page) return false;
    for (int i = 0; i < Page->Count(); ++i) {
        TfrxComponent *Obj = FDictionary.GetObject(Page->Items(i)->Name());
        if (!Obj) continue;
        if (Obj->LinkedComponent() == Band) return true;
        const bool BothPageFooters =
            dynamic_cast<TfrxPageFooter *>(Band) && dynamic_cast<TfrxPageFooter *>(Obj);
        const bool BothColumnFooters =
            dynamic_cast<TfrxColumnFooter *>(Band) && dynamic_cast<TfrxColumnFooter *>(Obj);
        if (BothPageFooters || BothColumnFooters) return true;
    }
    return false;
}

int TfrxPreviewPages::GetCurPosition()
{
    TfrxXMLItem *Page = CurPageItem();
    return Page ? Page->Count() : 0;
}

double TfrxPreviewPages::GetLastY()
{
    TfrxXMLItem *Page = CurPageItem();
    double Result = 0;
    if (!Page) return Result;
    for (int i = 0; i < Page->Count(); ++i) {
        const TfrxXMLItem *Item = Page->Items(i);
        auto *Band = dynamic_cast<TfrxBand *>(FDictionary.GetObject(Item->Name()));
        if (!Band || dynamic_cast<TfrxPageFooter *>(Band) || dynamic_cast<TfrxOverlay *>(Band))
            continue;
        const double Y = FloatProp(Item, "t", Band->Top()) + FloatProp(Item, "h", Band->Height());
        Result = std::max(Result, Y);
    }
    return Result;
}

void TfrxPreviewPages::Finish()
{
    ClearCache();
    for (auto &Page : FSourcePages) {
        Page->SetLinkedComponent(nullptr);
        // The report's own objects go away when it reloads its template.
        ForEachDescendant(Page.get(), [](TfrxComponent *C) { C->SetLinkedComponent(nullptr); });
    }
    Report()->InternalOnProgressStop(ptRunning);
}

// ---- rebuilding pages ----

TfrxPage *TfrxPreviewPages::SourcePageOf(const TfrxXMLItem *PageItem) const
{
    const int Index = SourceIndexOf(PageItem->Name());
    return Index >= 0 && Index < SourcePageCount() ? FSourcePages[Index].get() : nullptr;
}

std::unique_ptr<TfrxPage> TfrxPreviewPages::BuildPage(int Index)
{
    TfrxXMLItem *Item = PagesItem()->Items(Index);
    FXMLDoc->LoadItem(Item);
    std::unique_ptr<TfrxPage> Page;
    if (IsWholePageName(Item->Name())) {
        TPersistentClass Class = GetClass(Item->Name());
        if (!Class || !Class->InheritsFrom(TfrxPage::StaticClass())) return nullptr;
        Page.reset(static_cast<TfrxPage *>(Class->Create(static_cast<TComponent *>(nullptr))));
        TfrxXMLSerializer Serializer(nullptr);
        Serializer.ReadRootComponent(Page.get(), Item);
    } else {
        TfrxPage *Source = SourcePageOf(Item);
        if (!Source) return nullptr;
        Page.reset(static_cast<TfrxPage *>(
            Source->ClassType()->Create(static_cast<TComponent *>(nullptr))));
        Page->Assign(Source);
        BuildObjects(Item, Page.get());
    }
    Page->AlignChildren();
    return Page;
}

void TfrxPreviewPages::BuildObjects(TfrxXMLItem *Item, TfrxComponent *Parent)
{
    TfrxXMLSerializer Serializer(nullptr);
    for (int i = 0; i < Item->Count(); ++i) {
        TfrxXMLItem *Child = Item->Items(i);
        TfrxComponent *Source = FDictionary.GetObject(Child->Name());
        TfrxComponent *Obj;
        if (Source) {
            Obj = Serializer.ReadComponentStr(Parent, FBaseTexts[Source] + " " + Child->Text());
            if (Obj) Obj->SetName(Source->Name());
        } else {
            Obj = Serializer.ReadComponentStr(Parent, Child->Name() + " " + Child->Text());
        }
        if (Obj) BuildObjects(Child, Obj);
    }
}

TfrxPage *TfrxPreviewPages::GetPage(int Index)
{
    if (Index < 0 || Index >= Count()) return nullptr;
    if (EngineRunning()) {
        FUncachedPage = BuildPage(Index);
        return FUncachedPage.get();
    }
    const auto Hit = std::find_if(PageCache.begin(), PageCache.end(),
                                  [Index](const CachedPage &C) { return C.Index == Index; });
    if (Hit != PageCache.end()) {
        std::iter_swap(Hit, PageCache.begin());
        return PageCache.front().Page.get();
    }
    std::unique_ptr<TfrxPage> Page = BuildPage(Index);
    if (!Page) return nullptr;
    PageCache.insert(PageCache.begin(), CachedPage{Index, std::move(Page)});
    if (static_cast<int>(PageCache.size()) > PageCacheSize) {
        const int Dropped = PageCache.back().Index;
        PageCache.pop_back();
        ++FDroppedPages;
        TfrxXMLItem *Item = PagesItem()->Items(Dropped);
        if (Report()->EngineOptions()->UseFileCache() && Item->Unloadable())
            FXMLDoc->UnloadItem(Item);
    }
    return PageCache.front().Page.get();
}

TPoint TfrxPreviewPages::GetPageSize(int Index)
{
    if (Index < 0 || Index >= Count()) return TPoint(0, 0);
    TfrxXMLItem *Item = PagesItem()->Items(Index);
    TfrxPage *Page = IsWholePageName(Item->Name()) ? GetPage(Index) : SourcePageOf(Item);
    if (!Page) return TPoint(0, 0);
    return TPoint(static_cast<int>(std::nearbyint(Page->Width())),
                  static_cast<int>(std::nearbyint(Page->Height())));
}

std::vector<int> TfrxPreviewPages::CachedPages() const
{
    std::vector<int> Result;
    for (const CachedPage &C : PageCache)
        Result.push_back(C.Index);
    return Result;
}

void TfrxPreviewPages::ClearCache()
{
    FDroppedPages += PageCache.size();
    PageCache.clear();
    FUncachedPage.reset();
}

// ---- editing ----

void TfrxPreviewPages::AddEmptyPage(int Index)
{
    TfrxXMLItem *Pages = PagesItem();
    // A page added after the last one goes to the end, made like the last page.
    if (Pages->Count() == 0 || Index < 0 || Index > Pages->Count()) return;
    auto Item = std::make_unique<TfrxXMLItem>();
    Item->SetName(Pages->Items(std::min(Index, Pages->Count() - 1))->Name());
    Pages->InsertItem(Index, Item.release());
    ClearCache();
}

void TfrxPreviewPages::DeletePage(int Index)
{
    TfrxXMLItem *Pages = PagesItem();
    if (Pages->Count() < 2 || Index < 0 || Index >= Pages->Count()) return;
    delete Pages->Items(Index);
    ClearCache();
}

void TfrxPreviewPages::WriteWholePage(TfrxXMLItem *Item, TfrxComponent *Page)
{
    TfrxXMLSerializer Serializer(nullptr);
    Serializer.WriteRootComponent(Page, true, Item);
}

void TfrxPreviewPages::ModifyPage(int Index, TfrxReportPage *Page)
{
    TfrxXMLItem *Pages = PagesItem();
    if (Index < 0 || Index >= Pages->Count()) return;
    TfrxXMLItem *Item = Pages->Items(Index);
    Item->SetUnloadable(false);
    Item->Clear();
    Item->SetLoaded(true);
    Item->SetText(AnsiString());
    WriteWholePage(Item, Page);
    ClearCache();
}

void TfrxPreviewPages::AddFrom(TfrxReport *Report)
{
    TfrxCustomPreviewPages *Other = Report->PreviewPages();
    if (!Other || Other == this) return;
    for (int i = 0; i < Other->Count(); ++i)
        if (TfrxPage *Page = Other->GetPage(i)) WriteWholePage(PagesItem()->Add(), Page);
    ClearCache();
}

// ---- anchors ----

void TfrxPreviewPages::AddAnchor(const AnsiString &Text)
{
    TfrxXMLItem *Item = Section("anchors")->Add();
    Item->SetName("item");
    Item->SetProp("text", Text);
    Item->SetProp("page", IntToStr(CurPage));
    const double Top = Engine() ? Engine()->CurY : 0;
    Item->SetProp("top", IntToStr(ClampToInt(static_cast<long long>(std::nearbyint(Top)))));
}

TfrxXMLItem *TfrxPreviewPages::FindAnchor(const AnsiString &Text)
{
    TfrxXMLItem *Anchors = Section("anchors");
    for (int i = Anchors->Count() - 1; i >= 0; --i)
        if (AnsiCompareText(Anchors->Items(i)->Prop("text"), Text) == 0) return Anchors->Items(i);
    return nullptr;
}

int TfrxPreviewPages::GetAnchorPage(const AnsiString &Text)
{
    const TfrxXMLItem *Item = FindAnchor(Text);
    return Item ? ClampToInt(IntProp(Item, "page", 0) + 1) : 1;
}

// ---- the prepared-report file ----

void TfrxPreviewPages::SaveSections()
{
    TfrxXMLItem *ReportSection = Section("report");
    ReportSection->Clear();
    TfrxXMLItem *ReportItem = ReportSection->Add();
    ReportItem->SetName(Report()->ClassName());
    ReportItem->SetProp("DotMatrixReport", frxValueToXML(Report()->DotMatrixReport()));
    ReportItem->SetProp("PreviewOptions.OutlineVisible",
                        frxValueToXML(Report()->PreviewOptions()->OutlineVisible()));
    ReportItem->SetProp("PreviewOptions.OutlineWidth",
                        frxValueToXML(Report()->PreviewOptions()->OutlineWidth()));
    TfrxXMLItem *Sources = Section("sourcepages");
    Sources->Clear();
    for (auto &Page : FSourcePages)
        WriteWholePage(Sources->Add(), Page.get());
    TfrxXMLItem *Names = Section("dictionary");
    Names->Clear();
    FDictionary.ForEach([Names](const AnsiString &Alias, const AnsiString &SourceName) {
        TfrxXMLItem *Item = Names->Add();
        Item->SetName(Alias);
        Item->SetProp("name", SourceName);
    });
}

void TfrxPreviewPages::SaveToStream(TStream *Stream)
{
    ClearCache();
    PagesItem();
    SaveSections();
    FXMLDoc->SaveToStream(Stream);
    // The copies are needed only in the file; the live store keeps its own.
    Section("sourcepages")->Clear();
}

void TfrxPreviewPages::SaveToFile(const AnsiString &FileName)
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
}

void TfrxPreviewPages::LoadSourcePages()
{
    TfrxXMLItem *Sources = Section("sourcepages");
    for (int i = 0; i < Sources->Count(); ++i) {
        TfrxXMLItem *Item = Sources->Items(i);
        const AnsiString ClassName =
            AnsiSameText(Item->Name(), "TfrxDMPPage") ? "TfrxDMPPage" : "TfrxReportPage";
        TPersistentClass Class = GetClass(ClassName);
        if (!Class) Refuse("clRPDPageClass", {ClassName});
        std::unique_ptr<TfrxPage> Page(
            static_cast<TfrxPage *>(Class->Create(static_cast<TComponent *>(nullptr))));
        TfrxXMLSerializer Serializer(nullptr);
        Serializer.ReadRootComponent(Page.get(), Item);
        ForEachDescendant(Page.get(), [this](TfrxComponent *C) { RememberBaseText(C); });
        FSourcePages.push_back(std::move(Page));
    }
    Sources->Clear();
}

void TfrxPreviewPages::LoadDictionary()
{
    TfrxXMLItem *Names = Section("dictionary");
    for (int i = 0; i < Names->Count(); ++i) {
        const TfrxXMLItem *Item = Names->Items(i);
        const AnsiString SourceName = Item->Prop("name");
        const int Dot = SourceName.Pos(".");
        const int Page = Dot > 0 ? SourceIndexOf(SourceName.SubString(1, Dot - 1)) : -1;
        if (Page < 0 || Page >= SourcePageCount()) Refuse("clRPDNoSourcePage", {Item->Name()});
        const AnsiString ObjName = SourceName.SubString(Dot + 1, SourceName.Length() - Dot);
        TfrxComponent *Obj = FSourcePages[Page]->FindObject(ObjName);
        if (!Obj) Refuse("clRPDNoSourceObject", {Item->Name()});
        FDictionary.Add(Item->Name(), SourceName, Obj);
    }
}

// Every page element must be buildable before the store is handed out.
void TfrxPreviewPages::CheckPages()
{
    TfrxXMLItem *Pages = PagesItem();
    for (int i = 0; i < Pages->Count(); ++i) {
        const TfrxXMLItem *Item = Pages->Items(i);
        if (!IsWholePageName(Item->Name()) && !SourcePageOf(Item))
            Refuse("clRPDPageNoSource", {i + 1});
    }
}

void TfrxPreviewPages::LoadSections()
{
    TfrxXMLItem *ReportSection = Section("report");
    if (ReportSection->Count() > 0) {
        const TfrxXMLItem *Item = ReportSection->Items(0);
        TfrxReport *R = Report();
        if (Item->PropExists("DotMatrixReport"))
            R->SetDotMatrixReport(Item->Prop("DotMatrixReport") == "1");
        if (Item->PropExists("PreviewOptions.OutlineVisible"))
            R->PreviewOptions()->SetOutlineVisible(Item->Prop("PreviewOptions.OutlineVisible") ==
                                                   "1");
        R->PreviewOptions()->SetOutlineWidth(ClampToInt(
            IntProp(Item, "PreviewOptions.OutlineWidth", R->PreviewOptions()->OutlineWidth())));
    }
    LoadSourcePages();
    LoadDictionary();
    CheckPages();
    ResetOutline();
}

void TfrxPreviewPages::LoadFromStream(TStream *Stream, bool AllowPartialLoading)
{
    Clear();
    try {
        if (AllowPartialLoading) {
            // The document reads the stubs back later from a stream of its own.
            auto Copy = std::make_unique<TMemoryStream>();
            Copy->CopyFrom(Stream, 0);
            Copy->SetPosition(0);
            FXMLDoc->LoadFromStream(std::move(Copy), true);
        } else {
            FXMLDoc->LoadFromStream(Stream);
        }
        if (!AnsiSameText(FXMLDoc->Root()->Name(), "preparedreport"))
            Refuse("clRPDRoot", {FXMLDoc->Root()->Name()});
        LoadSections();
    } catch (...) {
        Clear();
        throw;
    }
}

bool TfrxPreviewPages::LoadFromFile(const AnsiString &FileName, bool ExceptionIfAbsent)
{
    const bool Exists = FileExists(FileName);
    if (Exists || ExceptionIfAbsent) {
        rtl::BoundedFileStream Stream(FileName, rtl::DocumentFileLimit);
        LoadFromStream(&Stream);
    }
    return Exists;
}

// ---- output ----

// Odd indexes are even page numbers: their margins swap while they are shown.
class TfrxPreviewPages::MirroredMargins
{
public:
    MirroredMargins(TfrxReportPage *Page, int Index)
        : FPage(Page->MirrorMargins() && Index % 2 == 1 ? Page : nullptr)
    {
        Swap();
    }
    ~MirroredMargins() { Swap(); }
    MirroredMargins(const MirroredMargins &) = delete;
    MirroredMargins &operator=(const MirroredMargins &) = delete;

private:
    void Swap()
    {
        if (!FPage) return;
        const double Left = FPage->LeftMargin();
        FPage->SetLeftMargin(FPage->RightMargin());
        FPage->SetRightMargin(Left);
    }
    TfrxReportPage *FPage;
};

namespace
{

// The canvas's clip narrowed to one page for the length of a drawing.
class PageClip
{
public:
    PageClip(TCanvas *Canvas, const RECT &Page)
        : FDc(Canvas->Handle()), FSaved(CreateRectRgn(0, 0, 10000, 10000))
    {
        FHadClip = GetClipRgn(FDc, FSaved) == 1;
        IntersectClipRect(FDc, Page.left, Page.top, Page.right, Page.bottom);
    }
    ~PageClip()
    {
        SelectClipRgn(FDc, FHadClip ? FSaved : nullptr);
        DeleteObject(FSaved);
    }
    PageClip(const PageClip &) = delete;
    PageClip &operator=(const PageClip &) = delete;

private:
    HDC FDc;
    HRGN FSaved;
    bool FHadClip = false;
};

std::vector<TfrxView *> ViewsOf(TfrxPage *Page)
{
    std::vector<TfrxView *> Views;
    TList *All = Page->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i)
        if (auto *View = dynamic_cast<TfrxView *>(static_cast<TfrxComponent *>(All->Items(i))))
            Views.push_back(View);
    return Views;
}

bool IsPrinterCanvas(const TCanvas *Canvas)
{
    for (TClass C = Canvas->ClassType(); C; C = C->ClassParent())
        if (C->ClassName() == "TfrxPrinterCanvas") return true;
    return false;
}

TfrxURLOpener &URLOpener()
{
    static TfrxURLOpener Opener = [](const AnsiString &URL) {
        ShellExecuteA(GetDesktopWindow(), "open", URL.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    return Opener;
}

// Only a plain memo's drawing is known well enough to leave out the sides it shares with
// the views before it; whatever another view paints may cover any line drawn so far.
void DrawSharingSides(TfrxView *View, TfrxDrawnSides &Sides, TCanvas *Canvas, double ScaleX,
                      double ScaleY, double OffsetX, double OffsetY)
{
    const bool Plain = View->ClassType() == TfrxMemoView::StaticClass();
    struct Lend {
        TfrxView *View;
        ~Lend() { View->SetDrawnSides(nullptr); }
    } Lent{View};
    View->SetDrawnSides(Plain ? &Sides : nullptr);
    View->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!Plain) Sides.ForgetAll();
}

} // namespace

void TfrxPreviewPages::DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY,
                                double OffsetX, double OffsetY)
{
    auto *Page = dynamic_cast<TfrxReportPage *>(GetPage(Index));
    if (!Page) return;
    MirroredMargins Mirror(Page, Index);
    const bool Printer = IsPrinterCanvas(Canvas);
    const bool Metafile = dynamic_cast<TMetafileCanvas *>(Canvas) != nullptr;
    std::optional<PageClip> Clip;
    if (!Printer)
        Clip.emplace(Canvas, RECT{frxNearest(OffsetX), frxNearest(OffsetY),
                                  frxNearest(Page->PaperWidth() * fr01cm * ScaleX + OffsetX) - 1,
                                  frxNearest(Page->PaperHeight() * fr01cm * ScaleY + OffsetY) - 1});
    Page->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    OffsetX += Page->LeftMargin() * fr01cm * ScaleX;
    OffsetY += Page->TopMargin() * fr01cm * ScaleY;
    constexpr int Margin = 20; // what a frame or a shadow may reach beyond the object
    TfrxDrawnSides Sides;
    for (TfrxView *View : ViewsOf(Page)) {
        const RECT Box{
            frxNearest(View->GetAbsLeft() * ScaleX - Margin + OffsetX),
            frxNearest(View->GetAbsTop() * ScaleY - Margin + OffsetY),
            frxNearest((View->GetAbsLeft() + View->Width()) * ScaleX + Margin + OffsetX),
            frxNearest((View->GetAbsTop() + View->Height()) * ScaleY + Margin + OffsetY)};
        if (!Metafile && !RectVisible(Canvas->Handle(), &Box)) continue;
        if (Printer && !View->Printable()) continue;
        if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(View)) Memo->SetTotalPages(Count());
        DrawSharingSides(View, Sides, Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    }
}

void frxSetURLOpener(TfrxURLOpener Opener)
{
    URLOpener() = std::move(Opener);
}

TfrxView *TfrxPreviewPages::ViewAt(TfrxReportPage *Page, int Index, int X, int Y, double Scale,
                                   double OffsetX, double OffsetY)
{
    MirroredMargins Mirror(Page, Index);
    const std::vector<TfrxView *> Views = ViewsOf(Page);
    for (auto View = Views.rbegin(); View != Views.rend(); ++View) {
        const TfrxView *V = *View;
        const double Left = V->GetAbsLeft() * Scale + OffsetX,
                     Top = V->GetAbsTop() * Scale + OffsetY;
        const double Right = (V->GetAbsLeft() + V->Width()) * Scale + OffsetX;
        const double Bottom = (V->GetAbsTop() + V->Height()) * Scale + OffsetY;
        if (X >= Left && X <= Right && Y >= Top && Y <= Bottom) return *View;
    }
    return nullptr;
}

void TfrxPreviewPages::FollowURL(const AnsiString &URL)
{
    if (URL.IsEmpty()) return;
    auto *Preview = dynamic_cast<TfrxPreview *>(Report()->Preview());
    const AnsiString Rest = URL.SubString(2, URL.Length() - 1);
    if (URL[1] == '@') {
        if (Preview) Preview->SetPageNo(StrToIntDef(Rest, Preview->PageNo()));
    } else if (URL[1] == '#') {
        const TfrxXMLItem *Anchor = FindAnchor(Rest);
        if (Preview && Anchor)
            Preview->SetPosition(ClampToInt(IntProp(Anchor, "page", 0) + 1),
                                 ClampToInt(IntProp(Anchor, "top", 0)));
    } else if (win::IsWebOrMailAddress(URL)) {
        // Only web and mail addresses leave the program: a prepared file may come from anyone.
        URLOpener()(URL);
    }
}

void TfrxPreviewPages::ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState Shift,
                                  double Scale, double OffsetX, double OffsetY, bool Click,
                                  TCursor &Cursor)
{
    if (Index < 0 || Index >= Count() || EngineRunning()) return;
    auto *Page = dynamic_cast<TfrxReportPage *>(GetPage(Index));
    if (!Page) return;
    TfrxView *View = ViewAt(Page, Index, X, Y, Scale, OffsetX, OffsetY);
    const AnsiString URL = View ? View->URL() : AnsiString();
    if (View && View->Cursor() != crDefault) Cursor = View->Cursor();
    if (!URL.IsEmpty() && Cursor == crDefault) Cursor = crHandPoint;
    // The message and the events let the program run on, which may drop the page from the
    // cache: its views are then gone and the pointing ends here.
    const unsigned long long Dropped = FDroppedPages;
    auto PageKept = [&] { return FDroppedPages == Dropped; };
    TfrxReport *R = Report();
    R->SetProgressMessage(URL);
    if (!View || !PageKept()) return;
    if (!Click) {
        if (R->OnMouseOverObject) R->OnMouseOverObject(View);
        return;
    }
    FollowURL(URL);
    if (!PageKept()) return;
    bool Modified = false;
    R->DoPreviewClick(View, Button, Shift, Modified);
    if (!Modified || !PageKept()) return;
    ModifyPage(Index, Page);
    if (auto *Preview = dynamic_cast<TfrxPreview *>(R->Preview()))
        Preview->Workspace()->Invalidate();
}

bool frxIsDotMatrixExport(const TfrxCustomExportFilter *Filter)
{
    return Filter->ClassName() == "TfrxDotMatrixExport";
}

ScopedPreviewLock::ScopedPreviewLock(TfrxCustomPreview *Preview) : FPreview(Preview)
{
    if (!FPreview) return;
    FPreview->Repaint();
    FPreview->Lock();
}

ScopedPreviewLock::~ScopedPreviewLock()
{
    if (FPreview) FPreview->Unlock();
}

TfrxCustomExportFilter *&frxDotMatrixExport()
{
    static TfrxCustomExportFilter *Filter = nullptr;
    return Filter;
}

namespace
{

// The page's colour, frame and picture as the first object a filter gets, over the printable area.
void ExportBackground(TfrxCustomExportFilter *Filter, TfrxReportPage *Page)
{
    TfrxPictureView Background(nullptr);
    Background.SetName("_pagebackground");
    Background.SetColor(Page->Color());
    Background.SetFrame(Page->Frame());
    Background.SetPicture(Page->BackPicture());
    Background.SetStretched(true);
    Background.SetKeepAspectRatio(false);
    Background.SetBounds(Page->Left(), Page->Top(),
                         Page->Width() - (Page->LeftMargin() + Page->RightMargin()) * fr01cm,
                         Page->Height() - (Page->TopMargin() + Page->BottomMargin()) * fr01cm);
    Filter->ExportObject(&Background);
}

// A memo shows what it would on paper: its highlight, the page count, its own width.
void PrepareMemo(TfrxCustomMemoView *Memo, int TotalPages)
{
    if (Memo->Highlight()->Active()) Memo->SetFont(Memo->Highlight()->Font());
    Memo->SetTotalPages(TotalPages);
    Memo->ExtractTotalPages();
    if (!Memo->AutoWidth()) return;
    TBitmap Scratch;
    Scratch.SetSize(1, 1);
    Memo->Draw(Scratch.Canvas(), 1, 1, 0, 0);
}

} // namespace

void TfrxPreviewPages::ExportPage(TfrxCustomExportFilter *Filter, int Index)
{
    auto *Page = dynamic_cast<TfrxReportPage *>(GetPage(Index));
    if (!Page) return;
    Filter->StartPage(Page, Index);
    {
        MirroredMargins Mirror(Page, Index);
        ExportBackground(Filter, Page);
        TList *All = Page->GetAllObjects();
        for (int i = 0; i < All->Count(); ++i) {
            auto *Obj = static_cast<TfrxComponent *>(All->Items(i));
            if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Obj)) PrepareMemo(Memo, Count());
            Filter->ExportObject(Obj);
        }
    }
    Filter->FinishPage(Page, Index);
}

namespace
{

// The report's closing print event of a dot-matrix export.
void AfterPrint(TfrxReport *Report, bool DotMatrix)
{
    if (DotMatrix && Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
}

} // namespace

bool TfrxPreviewPages::ExportPages(TfrxCustomExportFilter *Filter, TStrings *Range)
{
    // A filter that cannot start has exported nothing, which is no success.
    if (!Filter->Start()) return false;
    TfrxReport *R = Report();
    TfrxCustomPreview *Preview = R->Preview();
    const ScopedPreviewLock Lock(Preview);
    const bool Progress = Filter->ShowProgress();
    if (Progress) R->InternalOnProgressStart(ptExporting);
    try {
        for (int i = 0; i < Count(); ++i) {
            if (Range->Count() > 0 && Range->IndexOf(IntToStr(i + 1)) < 0) continue;
            ExportPage(Filter, i);
            if (!Preview) ClearCache();
            if (Progress) R->InternalOnProgress(ptExporting, i + 1);
            if (R->Terminated()) break;
            Application->ProcessMessages();
        }
    } catch (...) {
        // A failed export leaves no progress window behind.
        if (Progress) R->InternalOnProgressStop(ptExporting);
        throw;
    }
    if (Progress) R->InternalOnProgressStop(ptExporting);
    Filter->Finish();
    return true;
}

bool TfrxPreviewPages::ExportOrReport(TfrxCustomExportFilter *Filter, TStrings *Range)
{
    try {
        return ExportPages(Filter, Range);
    } catch (const std::exception &E) {
        TfrxReport *R = Report();
        R->Errors()->SetText(AnsiString(E.what()));
        frxCommonErrorHandler(R, frxResources()->Get("clErrors") + "\r\n" + R->Errors()->Text());
    }
    return false;
}

bool TfrxPreviewPages::Export(TfrxCustomExportFilter *Filter)
{
    if (!Filter) return false;
    TfrxReport *R = Report();
    Filter->SetReport(R);
    if (Filter->ShowDialog() && Filter->ShowModal() != mrOk) return false;
    if (Filter->CurPage())
        Filter->SetPageNumbers(R->Preview() ? IntToStr(CurPreviewPage) : AnsiString("1"));
    R->SetTerminated(false);
    TStringList Range;
    frxParsePageNumbers(Filter->PageNumbers(), &Range, Count());
    const bool DotMatrix = frxIsDotMatrixExport(Filter);
    if (DotMatrix && R->OnPrintReport) R->OnPrintReport(R);
    bool Result = false;
    try {
        Result = ExportOrReport(Filter, &Range);
    } catch (...) {
        // The error handler may pass the failure on; the printing is over all the same.
        AfterPrint(R, DotMatrix);
        throw;
    }
    AfterPrint(R, DotMatrix);
    return Result;
}

bool TfrxPreviewPages::Print()
{
    if (!PrintHandler()) throw Exception(frxResources()->Get("clNoPrinting"));
    return PrintHandler()(this);
}

void frxSetPrintPagesHandler(TfrxPrintPagesHandler Handler)
{
    PrintHandler() = std::move(Handler);
}

std::unique_ptr<TfrxCustomPreviewPages> frxCreatePreviewPages(TfrxReport *Report)
{
    return std::make_unique<TfrxPreviewPages>(Report);
}
