// The engine's run: wiring the bands of each page, the passes, the page loop,
// the master-detail record loop and the pages themselves.

#include "report_output/frxEngine.h"

#include "report_output/frxPreview.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "report/frxRes.h"
#include "report_output/frxDMPClass.h"
#include "report_output/frxDialogs.h"
#include "report_output/frxPreviewPages.h"
#include "script/fs_iinterpreter.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace
{

// The user interface stays live through a long run without paying for a
// message round on every record.
constexpr auto PollInterval = std::chrono::milliseconds(50);

template <class T> T *As(void *Item)
{
    return dynamic_cast<T *>(static_cast<TfrxComponent *>(Item));
}

bool IsGroupHeader(TfrxBand *Band)
{
    return dynamic_cast<TfrxGroupHeader *>(Band) != nullptr;
}

// Bands in the order of their tops (lefts for vertical bands), to the
// hundredth of a pixel; among equal places the one added later comes first, as
// the wiring expects.
void SortByPlace(std::vector<TfrxBand *> &Bands, bool Vertical)
{
    auto Place = [Vertical](TfrxBand *Band) {
        return std::llround((Vertical ? Band->Left() : Band->Top()) * 100);
    };
    std::reverse(Bands.begin(), Bands.end());
    std::stable_sort(Bands.begin(), Bands.end(),
                     [&](TfrxBand *A, TfrxBand *B) { return Place(A) < Place(B); });
}

void AddError(TStrings *Errors, const char *Key, TfrxComponent *C)
{
    Errors->Add(frxResources()->Get(Key) + " " + C->Name());
}

// Past this many records, a data set that nothing tells where its last record is has not
// been stopped by the report and would fill memory with pages.
constexpr int EndlessRecordLimit = 100000;

// Only the report's stop ends the walk of such a data set: it never reaches an end, and
// the host's end test does not give it one.
bool HasNoEnd(const TfrxDataSet *DataSet)
{
    if (DataSet->RangeEnd() != reLast || DataSet->OnCheckEOF) return false;
    const TClass Class = DataSet->ClassType();
    return Class == TfrxUserDataSet::StaticClass() || Class == TfrxDataSet::StaticClass();
}

} // namespace

// ---- the header list ----

void TfrxHeaderList::AddItem(TfrxBand *Band, double Left, bool IsInKeep)
{
    FItems.push_back({Band, Left, IsInKeep});
}

void TfrxHeaderList::RemoveItem(TfrxBand *Band)
{
    auto At = std::find_if(FItems.begin(), FItems.end(),
                           [Band](const TfrxHeaderListItem &Item) { return Item.Band == Band; });
    if (At != FItems.end()) FItems.erase(At);
}

// ---- the engine ----

namespace
{

// Makes this library's classes known to scripts: the report's "Engine" and
// "Outline" objects by their own classes, and the dot-matrix objects.
class TOutputScriptModule : public TfsRTTIModule
{
public:
    explicit TOutputScriptModule(TfsScript *AScript) : TfsRTTIModule(AScript)
    {
        AScript->AddClass(TfrxEngine::StaticClass(), "TfrxCustomEngine");
        AScript->AddClass(TfrxOutline::StaticClass(), "TfrxCustomOutline");
        AScript->AddClass(TfrxDMPMemoView::StaticClass(), "TfrxCustomMemoView");
        AScript->AddClass(TfrxDMPLineView::StaticClass(), "TfrxCustomLineView");
        AScript->AddClass(TfrxDMPCommand::StaticClass(), "TfrxView");
        AScript->AddClass(TfrxDMPPage::StaticClass(), "TfrxReportPage");
    }
};

} // namespace

void frxRegisterOutput()
{
    // The report's own classes first: the engine's class names its base there.
    frxRegisterReportClasses();
    static std::once_flag Once;
    std::call_once(Once, [] {
        fsRTTIModules().push_back(
            [](TfsScript *Script) { return std::make_unique<TOutputScriptModule>(Script); });
    });
    frxSetOutputFactories(
        [](TfrxReport *Report) { return std::make_unique<TfrxEngine>(Report); },
        [](TfrxReport *Report) { return std::make_unique<TfrxPreviewPages>(Report); });
    frxSetDialogFormFactory(
        []() -> std::unique_ptr<TForm> { return std::make_unique<TfrxDialogForm>(nullptr); });
    frxPasswordFormHandler() = frxShowPasswordForm;
    frxRegisterPreview();
    frxRegisterDMPClasses();
}

TfrxEngine::TfrxEngine(TfrxReport *AReport) : TfrxCustomEngine(AReport), Aggregates(AReport)
{
    Aggregates.CellOrigin = [this](TfrxComponent *C) {
        const auto Found = FCellOrigin.find(C);
        return Found == FCellOrigin.end() ? nullptr : Found->second;
    };
}

TfrxEngine::~TfrxEngine() = default;

TfrxCustomPreviewPages *TfrxEngine::Pages() const
{
    TfrxCustomPreviewPages *Result = Report()->PreviewPages();
    if (!Result) throw Exception(frxResources()->Get("clNoPreparedPages"));
    return Result;
}

double TfrxEngine::FooterHeight()
{
    double Result = 0;
    if (TfrxBand *Band = Page()->FindBand(TfrxColumnFooter::StaticClass()))
        Result += Band->Height();
    if (TfrxBand *Band = Page()->FindBand(TfrxPageFooter::StaticClass())) Result += Band->Height();
    return Result;
}

double TfrxEngine::FreeSpace()
{
    return PageHeight - FooterHeight() - CurY;
}

Variant TfrxEngine::GetAggregateValue(const AnsiString &Name, const AnsiString &Expression,
                                      const Variant &Band, int Flags)
{
    TfrxBand *Wanted = nullptr;
    if (!VarIsNull(Band) && !VarIsEmpty(Band) && Band.AsInteger() != 0)
        Wanted = dynamic_cast<TfrxBand *>(fsVariantToObject(Band));
    return Aggregates.GetValue(CurrentBand, CurVColumn, Name, Expression, Wanted, Flags);
}

bool TfrxEngine::Run()
{
    bool Result = false;
    struct Finally {
        TfrxEngine &E;
        ~Finally() { E.Finalize(); }
    };
    if (!Initialize()) {
        Finalize();
        return false;
    }
    Finally Done{*this};
    Report()->DataSets()->Initialize();
    Report()->DoNotifyEvent(Report(), Report()->OnStartReport());
    Result = RunDialogs();
    if (Result) {
        for (int i = 0; i < Report()->PagesCount(); ++i)
            if (auto *APage = dynamic_cast<TfrxReportPage *>(Report()->Pages(i))) {
                CurReportPage = APage;
                Pages()->AddSourcePage(APage);
                Aggregates.AddItems(APage);
            }
        FinalPass = !DoublePass();
        TotalPages = 0;
        Pages()->BeginPass();
        RunReportPages();
        if (DoublePass() && !Report()->Terminated()) {
            TotalPages = Pages()->Count();
            Pages()->ClearFirstPassPages();
            Aggregates.ClearValues();
            FinalPass = true;
            RunReportPages();
        }
    }
    Report()->DoNotifyEvent(Report(), Report()->OnStopReport());
    return Result;
}

bool TfrxEngine::Initialize()
{
    Pages()->Initialize();
    StartDate = Date();
    StartTime = Now();
    Running = true;
    Keeping = false;
    CurVColumn = 0;
    Aggregates.Clear();
    FBandStates.clear();
    FPageDataBands.clear();
    FPageVDataBands.clear();
    FCellOrigin.clear();
    FLastPoll = std::chrono::steady_clock::now();
    TStrings *Errors = Report()->Errors();
    for (int i = 0; i < Report()->PagesCount(); ++i)
        if (auto *APage = dynamic_cast<TfrxReportPage *>(Report()->Pages(i))) {
            CurReportPage = APage;
            PreparePage(Errors, false);
            PreparePage(Errors, true);
        }
    CheckDataSets(Errors);
    return Errors->Count() == 0;
}

void TfrxEngine::Finalize()
{
    Report()->DataSets()->Finalize();
    Pages()->Finish();
    Running = false;
}

void TfrxEngine::CheckDataSets(TStrings *Errors)
{
    TfrxDataSet *ReportDataSet = Report()->DataSet();
    for (int i = 0; i < Report()->PagesCount(); ++i) {
        auto *APage = dynamic_cast<TfrxReportPage *>(Report()->Pages(i));
        if (!APage) continue;
        if (ReportDataSet && ReportDataSet == APage->DataSet()) {
            Errors->Add(frxResources()->Get("clSameDSReportPage"));
            return;
        }
        for (TfrxDataBand *Band : FPageDataBands[APage]) {
            TfrxDataSet *DataSet = Band->DataSet();
            if (!DataSet) continue;
            if (DataSet == ReportDataSet) {
                Errors->Add(frxResources()->Get("clSameDSReportBand"));
                break;
            }
            if (DataSet == APage->DataSet()) {
                Errors->Add(frxResources()->Get("clSameDSPageBand"));
                break;
            }
        }
    }
}

// ---- wiring ----

void TfrxEngine::PreparePage(TStrings *Errors, bool Vertical)
{
    TfrxReportPage *APage = Page();
    APage->AlignChildren();
    std::vector<TfrxDataBand *> &TopLevel = (Vertical ? FPageVDataBands : FPageDataBands)[APage];
    TopLevel.clear();
    std::vector<TfrxBand *> Ordered;
    TList *Objects = APage->Objects();
    for (int i = 0; i < Objects->Count(); ++i) {
        auto *Band = As<TfrxBand>(Objects->Items(i));
        if (!Band || Band->Vertical() != Vertical) continue;
        FBandStates[Band] = TBandState();
        if (auto *Data = dynamic_cast<TfrxDataBand *>(Band);
            Data && !Data->DataSet() && Data->RowCount() >= 1) {
            Data->SetDataSet(Data->VirtualDataSet());
            Data->VirtualDataSet()->Initialize();
        }
        if (!Vertical && !dynamic_cast<TfrxOverlay *>(Band)) MoveCellsIntoVerticalBands(Band);
        if (Band->BandNumber() >= 4 && Band->BandNumber() <= 13) Ordered.push_back(Band);
    }
    SortByPlace(Ordered, Vertical);
    WireGroups(Ordered, Errors);
    WireHeaders(Ordered, Errors);
    std::vector<TfrxBand *> Wired;
    for (std::size_t i = 0; i < Ordered.size(); ++i) {
        auto *Master = dynamic_cast<TfrxMasterData *>(Ordered[i]);
        if (!Master || !Master->DataSet()) continue;
        TopLevel.push_back(Master);
        Wired.push_back(Master);
        WireDetails(Ordered, i + 1, Master, Wired);
    }
    for (TfrxBand *Band : Ordered)
        if (std::find(Wired.begin(), Wired.end(), Band) == Wired.end())
            AddError(Errors, "enBandPos", Band);
}

void TfrxEngine::WireGroups(std::vector<TfrxBand *> &Bands, TStrings *Errors)
{
    for (std::size_t i = 0; i < Bands.size(); ++i) {
        auto *Group = dynamic_cast<TfrxGroupHeader *>(Bands[i]);
        if (!Group) continue;
        TBandState &G = State(Group);
        std::size_t j = i;
        for (; j < Bands.size() && IsGroupHeader(Bands[j]); ++j)
            G.Groups.push_back(static_cast<TfrxGroupHeader *>(Bands[j]));
        for (; j < Bands.size() && !dynamic_cast<TfrxDataBand *>(Bands[j]); ++j) {
        }
        if (j == Bands.size()) {
            AddError(Errors, "enUnconnGroup", Group);
            continue;
        }
        TBandState &D = State(Bands[j]);
        if (i == 0 || !IsGroupHeader(Bands[i - 1])) D.Group = Group;
    }
    std::vector<TfrxBand *> Kept;
    std::vector<TfrxGroupHeader *> Open;
    for (TfrxBand *Band : Bands) {
        if (auto *Group = dynamic_cast<TfrxGroupHeader *>(Band)) {
            Open.push_back(Group);
        } else if (dynamic_cast<TfrxGroupFooter *>(Band)) {
            if (Open.empty()) {
                AddError(Errors, "enUnconnGFooter", Band);
                continue;
            }
            State(Open.back()).Footer = Band;
            Open.pop_back();
        } else {
            Kept.push_back(Band);
        }
    }
    Bands = std::move(Kept);
}

void TfrxEngine::WireHeaders(std::vector<TfrxBand *> &Bands, TStrings *Errors)
{
    std::vector<TfrxBand *> Kept;
    for (std::size_t i = 0; i < Bands.size(); ++i) {
        TfrxBand *Band = Bands[i];
        const bool Header = dynamic_cast<TfrxHeader *>(Band) != nullptr;
        const bool Footer = dynamic_cast<TfrxFooter *>(Band) != nullptr;
        if (!Header && !Footer) {
            Kept.push_back(Band);
            continue;
        }
        TfrxBand *Neighbour = Header ? (i + 1 < Bands.size() ? Bands[i + 1] : nullptr)
                                     : (i > 0 ? Bands[i - 1] : nullptr);
        if (!dynamic_cast<TfrxDataBand *>(Neighbour)) {
            AddError(Errors, "enUnconnHeader", Band);
            continue;
        }
        (Header ? State(Neighbour).Header : State(Neighbour).Footer) = Band;
    }
    Bands = std::move(Kept);
}

void TfrxEngine::WireDetails(std::vector<TfrxBand *> &Bands, std::size_t From, TfrxDataBand *Master,
                             std::vector<TfrxBand *> &Wired)
{
    if (dynamic_cast<TfrxDataBand6 *>(Master)) return;
    const int Level = Master->BandNumber();
    for (std::size_t i = From; i < Bands.size() && Bands[i]->BandNumber() > Level; ++i) {
        auto *Detail = dynamic_cast<TfrxDataBand *>(Bands[i]);
        if (!Detail || Detail->BandNumber() != Level + 1 || !Detail->DataSet()) continue;
        State(Master).SubBands.push_back(Detail);
        Wired.push_back(Detail);
        WireDetails(Bands, i + 1, Detail, Wired);
    }
}

// ---- passes and pages ----

bool TfrxEngine::RunDialogs()
{
    if (const AnsiString &Event = Report()->OnRunDialogs(); !Trim(Event).IsEmpty()) {
        Variant Params = VarArrayOf({Variant(true)});
        Report()->DoParamEvent(Event, Params);
        return Params.GetElement({0}).AsBoolean();
    }
    for (int i = 0; i < Report()->PagesCount(); ++i) {
        auto *Dialog = dynamic_cast<TfrxDialogPage *>(Report()->Pages(i));
        if (!Dialog || !Dialog->Visible()) continue;
        Dialog->Form()->SetBorderStyle(Dialog->BorderStyle());
        // A form without controls asks nothing.
        if (Dialog->Form()->ControlCount() == 0) continue;
        int Result;
        if (OnShowDialogPage) {
            OnShowDialogPage(Dialog);
            Result = Dialog->GetModalResult();
        } else {
            Result = Dialog->ShowModal();
        }
        if (Result == mrCancel) return false;
    }
    return true;
}

void TfrxEngine::RunReportPages()
{
    FirstReportPage = true;
    // A pass numbers its pages afresh.
    Floors.clear();
    RowBand = nullptr;
    TfrxDataSet *DataSet = Report()->DataSet();
    if (!DataSet) {
        RunPages();
        return;
    }
    DataSet->First();
    for (; !DataSet->Eof() && !Report()->Terminated(); NextRecord(DataSet))
        RunPages();
}

void TfrxEngine::RunPages()
{
    for (int i = 0; i < Report()->PagesCount() && !Report()->Terminated(); ++i) {
        auto *APage = dynamic_cast<TfrxReportPage *>(Report()->Pages(i));
        if (!APage) continue;
        CurReportPage = APage;
        // A subreport's page runs where its subreport object is shown.
        if (APage->Visible() && !APage->IsSubReport()) RunPage(APage);
        FirstReportPage = false;
    }
}

void TfrxEngine::RunPage(TfrxReportPage *APage)
{
    if (APage->IsSubReport()) {
        RunBands(APage);
        return;
    }
    NothingShownYet = true;
    Report()->DoNotifyEvent(APage, APage->OnBeforePrint());
    if (TfrxDataSet *DataSet = APage->DataSet()) {
        DataSet->First();
        for (; !DataSet->Eof() && !Report()->Terminated(); NextRecord(DataSet))
            RunPageBody(APage);
    } else {
        RunPageBody(APage);
    }
    Report()->DoNotifyEvent(APage, APage->OnAfterPrint());
}

void TfrxEngine::RunPageBody(TfrxReportPage *APage)
{
    if (!CanShow(APage, Report()->EngineOptions()->PrintIfEmpty())) return;
    InitPage();
    ShowLooseObjects(APage);
    if (Report()->OnManualBuild)
        Report()->OnManualBuild(APage);
    else if (!APage->OnManualBuild().IsEmpty())
        Report()->DoNotifyEvent(APage, APage->OnManualBuild());
    else
        RunBands(APage);
    LastPageOfRun = true;
    EndPage();
    LastPageOfRun = false;
}

void TfrxEngine::ShowLooseObjects(TfrxReportPage *APage)
{
    std::vector<TfrxComponent *> Loose;
    TList *Objects = APage->Objects();
    for (int i = 0; i < Objects->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(Objects->Items(i));
        if (!dynamic_cast<TfrxBand *>(C)) Loose.push_back(C);
    }
    if (Loose.empty()) return;
    // Parented to the page for the time of the show, so that its objects find the report.
    auto Band = std::make_unique<TfrxNullBand>(nullptr);
    Band->SetParent(APage);
    Band->SetBounds(0, 0, PageWidth, PageHeight);
    for (TfrxComponent *C : Loose)
        C->SetParent(Band.get());
    const double SavedY = CurY;
    struct GiveBack {
        TfrxEngine &E;
        std::unique_ptr<TfrxNullBand> &Band;
        std::vector<TfrxComponent *> &Loose;
        TfrxReportPage *Page;
        ~GiveBack()
        {
            for (TfrxComponent *C : Loose)
                C->SetParent(Page);
            Band->SetParent(nullptr);
            E.FBandStates.erase(Band.get());
        }
    } Back{*this, Band, Loose, APage};
    Band->AlignChildren();
    ShowBand(Band.get());
    CurY = SavedY;
}

bool TfrxEngine::CanShow(TObject *Obj, bool PrintIfEmpty)
{
    if (PrintIfEmpty) return true;
    const std::vector<TfrxDataBand *> *SubBands = nullptr;
    if (auto *Band = dynamic_cast<TfrxDataBand *>(Obj)) {
        SubBands = &State(Band).SubBands;
        if (SubBands->empty()) return true;
    } else if (auto *APage = dynamic_cast<TfrxReportPage *>(Obj)) {
        SubBands = &FPageDataBands[APage];
    }
    if (!SubBands) return false;
    for (TfrxDataBand *Sub : *SubBands) {
        TfrxDataSet *DataSet = Sub->DataSet();
        if (!DataSet) continue;
        Report()->DoNotifyEvent(Sub, Sub->OnMasterDetail());
        DataSet->First();
        for (; !DataSet->Eof() && !Report()->Terminated(); NextRecord(Sub))
            if (CanShow(Sub, Sub->PrintIfDetailEmpty())) return true;
    }
    return false;
}

// A band's row count ends its walk whatever its data set does.
void TfrxEngine::NextRecord(TfrxDataBand *Band)
{
    if (Band->RowCount() != 0)
        Band->DataSet()->Next();
    else
        NextRecord(Band->DataSet());
}

void TfrxEngine::NextRecord(TfrxDataSet *DataSet)
{
    DataSet->Next();
    if (DataSet->RecNo() >= EndlessRecordLimit && !Report()->Terminated() && HasNoEnd(DataSet))
        throw Exception(
            Format(frxResources()->Get("clDSNoEnd"), {DataSet->UserName(), EndlessRecordLimit}));
}

void TfrxEngine::PollMessages()
{
    const auto Now = std::chrono::steady_clock::now();
    if (Now - FLastPoll < PollInterval) return;
    FLastPoll = Now;
    Application->ProcessMessages();
}

void TfrxEngine::RunBands(TObject *Parent, bool Vertical)
{
    PollMessages();
    if (Report()->Terminated()) return;
    std::vector<TfrxDataBand *> Bands;
    if (auto *APage = dynamic_cast<TfrxReportPage *>(Parent))
        Bands = (Vertical ? FPageVDataBands : FPageDataBands)[APage];
    else
        Bands = State(static_cast<TfrxBand *>(Parent)).SubBands;
    for (TfrxDataBand *Band : Bands) {
        if (!Band->DataSet()) continue;
        RunDataBand(Band);
        if (Report()->Terminated()) return;
        NothingShownYet = false;
    }
}

void TfrxEngine::RunDataBand(TfrxDataBand *Band)
{
    TfrxDataSet *DataSet = Band->DataSet();
    TBandState &S = State(Band);
    DataSet->First();
    S.LineNo = S.LineNoAll = 1;
    SetCurColumn(Band, 1);
    ResetSuppressValues(Band);
    bool First = true;
    TColumnRow &ColumnRow = S.Row;
    TMark FooterMark;
    double SavedY = CurY;
    // Vertical bands show every record: their cells sit beside each other in one row.
    const bool Vertical = Band->Vertical();
    while (!DataSet->Eof()) {
        const bool Shown = Vertical || CanShow(Band, Band->PrintIfDetailEmpty());
        if (Shown) {
            if (First) {
                if (Band->KeepTogether()) StartKeep(Band);
                if (Band->KeepHeader() && S.Header) StartKeep(Band);
                AddToHeaderList(S.Header);
                ShowBand(S.Header);
            } else if (!S.Group && Band->KeepTogether()) {
                StartKeep(Band);
            }
            if (S.Group) {
                if (First)
                    InitGroups(S.Group, 0, true);
                else
                    CheckGroups(Band, S.Group, ColumnRow);
            }
            if (Band->KeepFooter()) FooterMark = Here();
            // A row that went on to another page or column moves from there on, if it must.
            if (Band->Columns() > 1 && (Band->CurColumn() == 1 || RowLeftBehind(ColumnRow)))
                ColumnRow = Here();
            SavedY = CurY;
            LineNo = S.LineNo;
            LineNoAll = S.LineNoAll;
            ShowBand(Band);
            NotifyObjects(Band);
            if (First && Band->KeepHeader() && S.Header) EndKeep(Band);
            First = false;
            ++S.LineNo;
            ++S.LineNoAll;
            // Beside other records, the footer of each goes below it in its column, in its row.
            if (Band->FooterAfterEach() && Band->Columns() > 1)
                ShowChildInColumn(S.Footer, Band->Left());
            CheckRecordColumns(Band, ColumnRow, SavedY);
            AddBandOutline(Band);
            RunBands(Band);
            OutlineUp(Band);
        }
        const bool FootedInColumn = Shown && Band->Columns() > 1;
        NothingShownYet = false;
        if (Band->FooterAfterEach() && !FootedInColumn) ShowBand(S.Footer);
        if (!S.Group && Band->KeepTogether()) EndKeep(Band);
        NextRecord(Band);
        PollMessages();
        if ((Band->RowCount() != 0 && Band->RowCount() < S.LineNo) || Report()->Terminated()) break;
    }
    SetCurColumn(Band, Band->Columns());
    CheckBandColumns(Band, ColumnRow);
    if (First) return;
    if (S.Group) ShowGroupFooters(S.Group, 0);
    if (!Band->FooterAfterEach()) {
        // The last row's position means something only in the page column it was taken in:
        // after a page or column break since then, cutting from it would take rows the footer
        // does not need. Nor does the footer take a page's first object along, which would
        // leave that page empty.
        if (Band->KeepFooter()) {
            const TMark Now = Here();
            if (FooterMark.Page == Now.Page && FooterMark.Column == Now.Column &&
                FooterMark.Position != 0)
                StartKeep(Band, FooterMark);
            else
                StartKeep(Band);
        }
        ShowBand(S.Footer);
        if (Band->KeepFooter()) EndKeep(Band);
    }
    RemoveFromHeaderList(S.Header);
    if (S.Group && Band->KeepTogether()) EndKeep(Band);
}

void TfrxEngine::NotifyObjects(TfrxBand *Band)
{
    TList *Targets = NotifyTargets();
    for (int i = 0; i < Targets->Count(); ++i)
        static_cast<TfrxComponent *>(Targets->Items(i))->OnNotify(Band);
}

// ---- page management ----

void TfrxEngine::InitPage()
{
    TfrxReportPage *APage = Page();
    TfrxBand *Title = APage->FindBand(TfrxReportTitle::StaticClass());
    TfrxBand *Header = APage->FindBand(TfrxPageHeader::StaticClass());
    HeaderList.Clear();
    HeaderList.AddItem(APage->TitleBeforeHeader() ? Title : Header, 0, false);
    HeaderList.AddItem(APage->TitleBeforeHeader() ? Header : Title, 0, false);
    PageHeight = APage->PaperHeight() * fr01cm - APage->TopMargin() * fr01cm -
                 APage->BottomMargin() * fr01cm;
    PageWidth =
        APage->PaperWidth() * fr01cm - APage->LeftMargin() * fr01cm - APage->RightMargin() * fr01cm;
    CurX = CurY = 0;
    CurColumn = 1;
    OriginX = 0;
    FirstPageOfRun = true;
    LastPageOfRun = false;
    VCellBand = nullptr;
    if (Pages()->Count() > 0 && APage->PrintOnPreviousPage()) {
        Pages()->CurPage = Pages()->Count() - 1;
        CurY = Pages()->GetLastY();
        HeaderList.RemoveItem(Title);
        ShowBand(TfrxReportTitle::StaticClass());
    } else {
        AddPage();
    }
    if (FirstReportPage) FirstPage = Pages()->CurPage;
    ColumnTopY = CurY;
    if (TfrxBand *ColumnHeader = APage->FindBand(TfrxColumnHeader::StaticClass())) {
        ShowBand(ColumnHeader);
        HeaderList.AddItem(ColumnHeader, OriginX, Keeping);
    }
    HeaderList.RemoveItem(Title);
    if (TfrxCustomOutline *Outline = Pages()->Outline()) Outline->LevelRoot();
    AddPageOutline();
}

// Every page's entry stands at the root, a page begun inside a band's entry too.
void TfrxEngine::AddPageOutline()
{
    TfrxCustomOutline *Outline = Pages()->Outline();
    if (!Outline || Page()->OutlineText().IsEmpty()) return;
    Outline->LevelRoot();
    Outline->AddItem(VarToStr(Report()->Calc(Page()->OutlineText())), 0);
}

void TfrxEngine::AddPage()
{
    const int Before = Pages()->Count();
    Pages()->AddPage(Page());
    ColumnEnded = false;
    // Cells spread over pages write over pages already made; those have their overlay.
    const bool Appended = Pages()->Count() > Before;
    CurY = 0;
    if (TfrxBand *Overlay = Page()->FindBand(TfrxOverlay::StaticClass());
        Overlay && !Overlay->PrintOnTop() && Appended)
        ShowBand(Overlay);
    CurY = 0;
    const double SavedX = CurX;
    ColumnTopY = 0;
    for (int i = 0; i < HeaderList.Count(); ++i) {
        TfrxHeaderList::TfrxHeaderListItem Item = HeaderList.Items(i);
        TfrxBand *Band = Item.Band;
        CurX = Item.Left;
        if (!Band || Band == PageBreakBand) continue;
        if (FirstPageOfRun && dynamic_cast<TfrxPageHeader *>(Band) && !Band->PrintOnFirstPage())
            continue;
        if (Keeping && Item.IsInKeep) continue;
        if (OutputtingVPages && dynamic_cast<TfrxHeader *>(Band)) continue;
        TBandState &S = State(Band);
        const bool WasReprinting = S.IsReprinting;
        const int SavedLine = LineNo, SavedLineAll = LineNoAll;
        S.IsReprinting = true;
        LineNo = S.LineNo;
        LineNoAll = S.LineNoAll;
        ReprintingHeaders = true;
        struct Restore {
            TfrxEngine &E;
            TBandState &S;
            bool WasReprinting;
            int Line, LineAll;
            ~Restore()
            {
                S.IsReprinting = WasReprinting;
                E.LineNo = Line;
                E.LineNoAll = LineAll;
                E.ReprintingHeaders = false;
            }
        } Back{*this, S, WasReprinting, SavedLine, SavedLineAll};
        if (dynamic_cast<TfrxReportTitle *>(Band)) HeaderList.Items(i).Band = nullptr;
        ShowBand(Band);
        if (dynamic_cast<TfrxPageHeader *>(Band)) ColumnTopY = CurY;
    }
    CurX = SavedX;
}

void TfrxEngine::EndPage()
{
    TfrxReportPage *APage = Page();
    if (APage->Columns() > 1) {
        EndColumn();
        if (!LastPageOfRun) {
            CurX = OriginX;
            CurColumn = 1;
        }
    }
    ShowFixedBand(APage->FindBand(TfrxColumnFooter::StaticClass()));
    if (LastPageOfRun && !ShowingSummary) {
        // A summary that breaks the page ends pages that are not the last.
        ShowingSummary = true;
        LastPageOfRun = false;
        struct Restore {
            TfrxEngine &E;
            ~Restore()
            {
                E.ShowingSummary = false;
                E.LastPageOfRun = true;
            }
        } Back{*this};
        ShowBand(TfrxReportSummary::StaticClass());
    }
    if (TfrxBand *Footer = APage->FindBand(TfrxPageFooter::StaticClass())) {
        CurY = PageHeight - Footer->Height();
        ShowFixedBand(Footer);
    }
    if (TfrxBand *Overlay = APage->FindBand(TfrxOverlay::StaticClass());
        Overlay && Overlay->PrintOnTop()) {
        CurY = 0;
        ShowFixedBand(Overlay);
    }
    FirstPageOfRun = false;
}

void TfrxEngine::ShowFixedBand(TfrxBand *Band)
{
    if (!Band) return;
    {
        const TStretchedBand Stretched(*this, Band);
        const bool PageFooter = dynamic_cast<TfrxPageFooter *>(Band) != nullptr;
        const bool Skipped = PageFooter && ((FirstPageOfRun && !Band->PrintOnFirstPage()) ||
                                            (LastPageOfRun && !Band->PrintOnLastPage()));
        Band->SetLeft(0);
        Band->SetTop(CurY);
        if (Band->Visible() && !Skipped && !Pages()->BandExists(Band)) Pages()->AddObject(Band);
        CurY += Band->Height();
    }
    Aggregates.Reset(Band);
}

void TfrxEngine::NewPage()
{
    const bool Moving = Keeping;
    const TMark From = KeepStart;
    if (Moving) CutRows(From.Position);
    // What ends the page comes right below what stays on it.
    CurY = ClosingY(Moving ? From : Here());
    EndPage();
    AddPage();
    if (Moving) {
        PasteKeptBlock(From);
        CurY = Pages()->GetLastY();
    }
    Keeping = false;
    if (!OutputtingVPages) AddPageOutline();
}

TfrxEngine::TMark TfrxEngine::Here()
{
    return {Pages()->CurPage, CurColumn, Pages()->GetCurPosition(), CurX, CurY};
}

void TfrxEngine::PasteKeptBlock(const TMark &From)
{
    // The block keeps its place within its column: a subreport's block stays beside its band.
    TMark To = Here();
    To.X = From.X + ColumnPosition(CurColumn - 1) - ColumnPosition(From.Column - 1);
    PasteRows(To.X, To.Y);
    // Only entries made inside the block move with it.
    TfrxCustomOutline *Outline = Pages()->Outline();
    if (Outline && Outline->GetCurPosition() != KeepOutlinePosition)
        Outline->ShiftItems(KeepOutlinePosition, static_cast<int>(std::nearbyint(CurY)));
    if (FFollowingMoves > 0) FBlockMoves.push_back({From, To});
}

void TfrxEngine::CutRows(int Position)
{
    Pages()->CutObjects(Position);
    Aggregates.Cut(Position);
}

void TfrxEngine::PasteRows(double X, double Y)
{
    Aggregates.Paste(Pages()->GetCurPosition());
    Pages()->PasteObjects(X, Y);
}

void TfrxEngine::AddBandOutline(TfrxBand *Band)
{
    TfrxCustomOutline *Outline = Pages()->Outline();
    if (!Outline || Band->OutlineText().IsEmpty() || Band->Vertical()) return;
    Report()->SetCurObject(Band->Name());
    Outline->AddItem(VarToStr(Report()->Calc(Band->OutlineText())),
                     static_cast<int>(std::nearbyint(CurY - Band->Height())));
}

void TfrxEngine::OutlineUp(TfrxBand *Band)
{
    TfrxCustomOutline *Outline = Pages()->Outline();
    if (Outline && !Band->OutlineText().IsEmpty() && !Band->Vertical()) Outline->LevelUp();
}
