#include "report/frxClass.h"
#include "report/frxRegistry.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "script/fs_iinterpreter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Reports made while it lives get an idle engine.
struct WithEngine {
    WithEngine()
    {
        frxSetOutputFactories([](TfrxReport *R) { return std::make_unique<IdleEngine>(R); }, {});
    }
    ~WithEngine() { frxSetOutputFactories({}, {}); }
};

// A report whose script has the procedures of Source compiled and ready.
struct ScriptedReport {
    WithEngine Engine;
    TfrxReport Report{nullptr};
    TfrxMemoView *Memo;

    explicit ScriptedReport(const char *Source)
    {
        TfrxMasterData *Band = AddPageAndBand(Report);
        Memo = new TfrxMemoView(Band);
        Memo->SetName("Memo1");
        Report.SetScriptLanguage("PascalScript");
        Report.ScriptText()->SetText(Source);
        EXPECT_TRUE(Report.PrepareScript()) << Report.Script()->ErrorMsg.ToUtf8();
    }
};

const char *const NoteSender = "procedure Note(Sender: TfrxComponent);\r\n"
                               "begin\r\n"
                               "  TfrxMemoView(Sender).Text := 'noted';\r\n"
                               "end;\r\n"
                               "begin\r\nend.\r\n";

// ---- script procedures named by objects ----

TEST(ReportEvents, NotifyEventRunsWhileTheEngineRunsOrWhenAsked)
{
    ScriptedReport R(NoteSender);
    R.Report.DoNotifyEvent(R.Memo, "Note");
    EXPECT_EQ(R.Memo->Text(), WideString()) << "no run, not asked";
    R.Report.DoNotifyEvent(R.Memo, "", true);
    EXPECT_EQ(R.Memo->Text(), WideString());
    R.Report.DoNotifyEvent(R.Memo, "Note", true);
    EXPECT_EQ(R.Memo->Text(), WideString("noted\r\n"));

    R.Memo->SetText(WideString());
    R.Report.Engine()->Running = true;
    R.Report.DoNotifyEvent(R.Memo, "Note");
    R.Report.Engine()->Running = false;
    EXPECT_EQ(R.Memo->Text(), WideString("noted\r\n"));
}

TEST(ReportEvents, BeforeAndAfterPrintCallTheHostFirstThenTheObjectsProcedure)
{
    ScriptedReport R(NoteSender);
    R.Memo->SetOnBeforePrint("Note");
    R.Memo->SetOnAfterPrint("Note");
    std::vector<std::string> Seen;
    R.Report.OnBeforePrint = [&](TfrxReportComponent *C) {
        Seen.push_back("before " + static_cast<TfrxMemoView *>(C)->Text().ToUtf8());
    };
    R.Report.OnAfterPrint = [&](TfrxReportComponent *C) {
        Seen.push_back("after " + static_cast<TfrxMemoView *>(C)->Text().ToUtf8());
    };
    R.Report.Engine()->Running = true;
    R.Report.DoBeforePrint(R.Memo);
    R.Memo->SetText(WideString());
    R.Report.DoAfterPrint(R.Memo);
    R.Report.Engine()->Running = false;
    EXPECT_EQ(Seen, (std::vector<std::string>{"before ", "after "}));
    EXPECT_EQ(R.Memo->Text(), WideString("noted\r\n"));
}

TEST(ReportEvents, ParamEventAndPreviewClickTakeTheChangedParametersBack)
{
    ScriptedReport R("procedure Click(Sender: TfrxView; Button, Shift: Integer;"
                     " var Modified: Boolean);\r\n"
                     "begin\r\n"
                     "  Modified := Button = 1;\r\n"
                     "end;\r\n"
                     "procedure Twice(var A: Integer);\r\nbegin\r\n  A := A * 2;\r\nend;\r\n"
                     "begin\r\nend.\r\n");
    Variant Params = VarArrayOf({Variant(21)});
    R.Report.DoParamEvent("Twice", Params, true);
    EXPECT_EQ(Params.GetElement({0}).AsInteger(), 42);

    R.Memo->SetOnPreviewClick("Click");
    bool HostSaw = false;
    R.Report.OnClickObject = [&](TfrxView *View, TMouseButton, TShiftState, bool &Modified) {
        EXPECT_EQ(View, R.Memo);
        HostSaw = Modified;
    };
    bool Modified = false;
    R.Report.DoPreviewClick(R.Memo, mbRight, {}, Modified);
    EXPECT_TRUE(Modified) << "a preview click runs without an engine";
    EXPECT_TRUE(HostSaw) << "the host sees what the script decided";
    R.Report.DoPreviewClick(R.Memo, mbLeft, {}, Modified);
    EXPECT_FALSE(Modified);
}

TEST(ReportEvents, AHandleKeptPastItsObjectIsRefusedNotFollowed)
{
    ScriptedReport R(
        "var Kept: Variant;\r\n"
        "procedure Keep(Sender: TfrxComponent);\r\nbegin\r\n  Kept := Sender;\r\nend;\r\n"
        "procedure Use(Sender: TfrxComponent);\r\nbegin\r\n"
        "  TfrxMemoView(Kept).Text := 'late';\r\nend;\r\n"
        "begin\r\nend.\r\n");
    auto *Doomed = new TfrxMemoView(R.Memo->Parent());
    Doomed->SetName("Doomed");
    R.Report.DoNotifyEvent(Doomed, "Keep", true);
    delete Doomed;
    EXPECT_THROW(R.Report.DoNotifyEvent(R.Memo, "Use", true), Exception);
    EXPECT_EQ(R.Memo->Text(), WideString());
}

// ---- progress ----

struct FakeProgress : TfrxCustomProgress {
    std::vector<std::string> &Log;
    bool Cancelled;
    FakeProgress(std::vector<std::string> &L, bool C) : Log(L), Cancelled(C)
    {
        Log.push_back("open");
    }
    ~FakeProgress() override { Log.push_back("close"); }
    void Execute(int, const AnsiString &Msg, bool Canceled, bool Progress) override
    {
        Log.push_back(std::string("execute") + (Canceled ? " cancel" : "") +
                      (Progress ? " bar" : "") + (Msg.IsEmpty() ? "" : ": " + Msg.ToUtf8()));
    }
    void SetTitle(const AnsiString &Text) override { Log.push_back("title " + Text.ToUtf8()); }
    void SetMessage(const AnsiString &Text) override { Log.push_back(Text.ToUtf8()); }
    bool Terminated() const override { return Cancelled; }
};

struct ProgressWindows {
    std::vector<std::string> Log;
    bool Cancel = false;
    ProgressWindows()
    {
        frxSetProgressFactory([this] { return std::make_unique<FakeProgress>(Log, Cancel); });
    }
    ~ProgressWindows() { frxSetProgressFactory({}); }
};

TEST(ReportProgress, EventsFireAndTheWindowShowsForPrintingButNotForANewStyleRun)
{
    ProgressWindows Windows;
    TfrxReport Report(nullptr);
    std::vector<std::string> Events;
    auto Record = [&](const char *What) {
        return [&Events, What](TfrxReport *, TfrxProgressType T, int N) {
            Events.push_back(std::string(What) + " " + std::to_string(T) + " " + std::to_string(N));
        };
    };
    Report.OnProgressStart = Record("start");
    Report.OnProgress = Record("progress");
    Report.OnProgressStop = Record("stop");

    Report.InternalOnProgressStart(ptRunning);
    Report.InternalOnProgress(ptRunning, 1);
    Report.InternalOnProgressStop(ptRunning);
    EXPECT_TRUE(Windows.Log.empty()) << "a run shows no window unless old-style progress is on";

    Report.InternalOnProgressStart(ptPrinting);
    Report.InternalOnProgress(ptPrinting, 3);
    Report.InternalOnProgressStop(ptPrinting);
    // Before its first page a print waits for the print service, and says so.
    EXPECT_EQ(Windows.Log,
              (std::vector<std::string>{"open", "title Печать",
                                        "execute cancel: Ожидание ответа службы печати…",
                                        "Печатается страница 3", "close"}));
    EXPECT_EQ(Events, (std::vector<std::string>{"start 0 0", "progress 0 1", "stop 0 0",
                                                "start 2 0", "progress 2 3", "stop 2 0"}));
    EXPECT_FALSE(Report.Terminated());

    Windows.Log.clear();
    Report.SetShowProgress(false);
    Report.InternalOnProgressStart(ptExporting);
    Report.InternalOnProgressStop(ptExporting);
    EXPECT_TRUE(Windows.Log.empty()) << "ShowProgress off";
}

TEST(ReportProgress, CancellingTheWindowTerminatesTheReport)
{
    ProgressWindows Windows;
    Windows.Cancel = true;
    TfrxReport Report(nullptr);
    Report.SetOldStyleProgress(true);
    Report.InternalOnProgressStart(ptRunning);
    Report.InternalOnProgress(ptRunning, 1);
    EXPECT_TRUE(Report.Terminated());
    Report.InternalOnProgressStop(ptRunning);
    EXPECT_EQ(Windows.Log.back(), "close");
}

// ---- preview, designer, export filters, compressors ----

TEST(ReportPreview, WithoutAPreviewWindowShowReportSaysSoAndRunsNothing)
{
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    int Began = 0;
    Report.OnBeginDoc = [&](TObject *) { ++Began; };
    EXPECT_THROW(Report.ShowReport(), Exception);
    EXPECT_THROW(Report.ShowPreparedReport(), Exception);
    for (int i = 0; i < 20; ++i) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(Began, 0) << "the start timer was stopped again";
}

TEST(ReportPreview, NewStyleShowsThePreviewFirstAndPreparesOnTheTimer)
{
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    std::vector<std::string> Order;
    Report.OnBeginDoc = [&](TObject *) { Order.push_back("prepare"); };
    frxSetPreviewFormHandler([&](TfrxReport *R) {
        EXPECT_EQ(R, &Report);
        Order.push_back("preview");
    });
    Report.ShowReport();
    EXPECT_EQ(Order, std::vector<std::string>{"preview"});
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Order.size() < 2 && std::chrono::steady_clock::now() < Deadline) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(Order, (std::vector<std::string>{"preview", "prepare"}));

    // Old style: the run first, and no preview after a failed one (no engine here).
    Order.clear();
    Report.SetOldStyleProgress(true);
    Report.ShowReport();
    EXPECT_EQ(Order, std::vector<std::string>{"prepare"});
    frxSetPreviewFormHandler({});
}

TEST(ReportPreview, DesignReportWithoutADesignerChangesNothing)
{
    TfrxReport Report(nullptr);
    Report.DesignReport();
    EXPECT_EQ(Report.PagesCount(), 0);
}

TEST(ReportCursors, AReportPutsTheLibrarysThreeCursorsOnTheScreen)
{
    TfrxReport Report(nullptr);
    const HCURSOR Arrow = Screen->Cursors(crArrow);
    const HCURSOR Format = Screen->Cursors(crFormat);
    EXPECT_EQ(crFormat, 152);
    EXPECT_NE(Format, Arrow);
    EXPECT_NE(Screen->Cursors(crHand), Arrow);
    EXPECT_NE(Screen->Cursors(crZoom), Arrow);
    EXPECT_NE(Format, Screen->Cursors(crHand));
    TfrxReport Second(nullptr);
    EXPECT_EQ(Screen->Cursors(crFormat), Format) << "made once";
}

// A designer that records its modal runs instead of showing itself.
class ProbeDesigner : public TQuietDesigner
{
public:
    using TQuietDesigner::TQuietDesigner;
    int ShowModal() override
    {
        if (OnModal) OnModal(this);
        return mrOk;
    }
    // The data tree as the designer would show it: the report's data sets by name.
    void UpdateDataTree() override
    {
        TStringList Names;
        Report()->GetDataSetList(&Names, false);
        DataTree = Names.CommaText();
        ++TreeUpdates;
    }
    AnsiString DataTree;
    int TreeUpdates = 0;
    std::function<void(ProbeDesigner *)> OnModal;
};

// Installs the probe designer for a test's length and counts the ones made.
struct WithDesigner {
    int Made = 0;
    std::function<void(ProbeDesigner *)> OnModal;
    WithDesigner()
    {
        frxDesignerClass() = [this](TfrxReport *Report) -> std::unique_ptr<TfrxCustomDesigner> {
            ++Made;
            auto Designer = std::make_unique<ProbeDesigner>(nullptr, Report);
            Designer->OnModal = OnModal;
            return Designer;
        };
    }
    ~WithDesigner() { frxDesignerClass() = nullptr; }
};

TEST(ReportDesigner, AnEmptyReportGetsAPageWithItsDefaultsBeforeTheDesignerOpens)
{
    WithDesigner Installed;
    TfrxReport Report(nullptr);
    int PagesSeen = -1;
    Installed.OnModal = [&](ProbeDesigner *) { PagesSeen = Report.PagesCount(); };
    Report.DesignReport();
    EXPECT_EQ(Installed.Made, 1);
    EXPECT_EQ(PagesSeen, 1);
    auto *Page = dynamic_cast<TfrxReportPage *>(Report.Pages(0));
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(Page->Name(), "Page1");
    EXPECT_EQ(Page->LeftMargin(), 10);
    EXPECT_EQ(Page->BottomMargin(), 10);
    EXPECT_EQ(Report.Designer(), nullptr) << "a modal designer is gone once it returns";

    Report.DesignReport();
    EXPECT_EQ(Report.PagesCount(), 1) << "a report with a page keeps its pages";
}

TEST(ReportDesigner, ASecondDesignerIsRefusedWhileOneIsOpen)
{
    WithDesigner Installed;
    TfrxReport Report(nullptr);
    Installed.OnModal = [&](ProbeDesigner *) { Report.DesignReport(); };
    Report.DesignReport();
    EXPECT_EQ(Installed.Made, 1);

    Report.DesignReport(false);
    ASSERT_NE(Report.Designer(), nullptr);
    EXPECT_TRUE(Report.Designer()->Visible());
    Report.DesignReport();
    EXPECT_FALSE(Report.DesignPreviewPage());
    EXPECT_EQ(Installed.Made, 2);
    Report.Designer()->Hide();
    EXPECT_EQ(Report.Designer(), nullptr);
    Report.DesignReport(false);
    EXPECT_EQ(Installed.Made, 3);
}

TEST(ReportDesigner, AnOpenDesignerShowsTheDataSetsLeftWhenOneIsFreed)
{
    WithDesigner Installed;
    TComponent Form(nullptr);
    TfrxReport Report(&Form);
    auto *Sales = new TfrxUserDataSet(&Form);
    Sales->SetName("Sales");
    auto Goods = std::make_unique<TfrxUserDataSet>(&Form);
    Goods->SetName("Goods");
    Report.DataSets()->Add(Sales);
    Report.DataSets()->Add(Goods.get());
    Report.DesignReport(false);
    auto *Open = dynamic_cast<ProbeDesigner *>(Report.Designer());
    ASSERT_NE(Open, nullptr);

    Goods.reset();
    EXPECT_EQ(Open->TreeUpdates, 1);
    EXPECT_EQ(Open->DataTree, "Sales");
    {
        TfrxUserDataSet Unused(&Form);
    }
    EXPECT_EQ(Open->TreeUpdates, 1) << "a data set the report never used changes no tree";
}

TEST(ReportDesigner, DesigningThePreviewPageTellsWhetherTheDesignerChangedIt)
{
    TfrxReport Report(nullptr);
    EXPECT_FALSE(Report.DesignPreviewPage());
    WithDesigner Installed;
    Installed.OnModal = [](ProbeDesigner *Designer) { Designer->SetModified(true); };
    EXPECT_TRUE(Report.DesignPreviewPage());
    Installed.OnModal = nullptr;
    EXPECT_FALSE(Report.DesignPreviewPage());
    EXPECT_EQ(Installed.Made, 2);
}

class NullExport : public TfrxCustomExportFilter
{
public:
    using TfrxCustomExportFilter::TfrxCustomExportFilter;
    void ExportObject(TfrxComponent *) override {}
};

TEST(ReportAddOns, ExportFiltersListThemselvesUnlessMadeForOneExport)
{
    const int Before = frxExportFilters()->Count();
    {
        NullExport Listed(nullptr);
        EXPECT_EQ(frxExportFilters()->Count(), Before + 1);
        EXPECT_EQ(frxExportFilters()->Items(Before)->Filter, &Listed);
        frxExportFilters()->Register(&Listed);
        EXPECT_EQ(frxExportFilters()->Count(), Before + 1) << "listed once";
        NullExport OneOff;
        EXPECT_EQ(frxExportFilters()->Count(), Before + 1);
        EXPECT_TRUE(Listed.ShowDialog());
        EXPECT_EQ(Listed.ShowModal(), mrOk);
        EXPECT_TRUE(Listed.Start());
    }
    EXPECT_EQ(frxExportFilters()->Count(), Before);
}

// Packs by turning every byte over behind a two-byte mark.
class FlipCompressor : public TfrxCustomCompressor
{
    QRV4_CLASS(FlipCompressor, TfrxCustomCompressor)

public:
    using TfrxCustomCompressor::TfrxCustomCompressor;
    bool Decompress(TStream *Source) override
    {
        std::string Data(static_cast<std::size_t>(Source->Size() - Source->Position()), '\0');
        Source->ReadBuffer(Data.data(), static_cast<int>(Data.size()));
        if (Data.rfind("FC", 0) != 0) {
            Source->Seek(-static_cast<long long>(Data.size()), soCurrent);
            return false;
        }
        if (Data.size() > 2 && Data[2] == '!') throw Exception("damaged");
        if (Data.size() > 2 && Data[2] == '?') throw std::runtime_error("not ours");
        for (std::size_t i = 2; i < Data.size(); ++i)
            Data[i] = static_cast<char>(~Data[i]);
        Stream()->WriteBuffer(Data.data() + 2, static_cast<int>(Data.size() - 2));
        return true;
    }
    void Compress(TStream *Dest) override
    {
        std::string Data(static_cast<std::size_t>(Stream()->Size()), '\0');
        Stream()->SetPosition(0);
        Stream()->ReadBuffer(Data.data(), static_cast<int>(Data.size()));
        for (char &C : Data)
            C = static_cast<char>(~C);
        Dest->WriteBuffer("FC", 2);
        Dest->WriteBuffer(Data.data(), static_cast<int>(Data.size()));
    }
};

TEST(ReportAddOns, AnInstalledCompressorPacksAndUnpacksTemplates)
{
    ScriptedBoxes Boxes;
    EXPECT_EQ(frxCompressorClass(), nullptr);
    auto Placed = std::make_unique<FlipCompressor>(nullptr);
    EXPECT_EQ(frxCompressorClass(), FlipCompressor::StaticClass());

    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    Report.ReportOptions()->SetCompressed(true);
    const AnsiString Packed = Written([&](TStream *S) { Report.SaveToStream(S); });
    EXPECT_EQ(Packed.SubString(1, 2), "FC");
    EXPECT_EQ(Packed.Pos("TfrxReportPage"), 0);
    EXPECT_EQ(frxCompressorClass(), FlipCompressor::StaticClass())
        << "the report's own one is gone";

    TfrxReport Loaded(nullptr);
    TStringStream In(Packed);
    Loaded.LoadFromStream(&In);
    EXPECT_NE(Loaded.FindObject("Page1"), nullptr);

    // A plain template still loads; a damaged packed one is reported and changes nothing.
    TfrxReport Plain(nullptr);
    TStringStream Text(Written([&](TStream *S) {
        Report.ReportOptions()->SetCompressed(false);
        Report.SaveToStream(S);
    }));
    Plain.LoadFromStream(&Text);
    EXPECT_NE(Plain.FindObject("Page1"), nullptr);
    Boxes.Dialogs.ReplyMessage(mrOk);
    TStringStream Damaged(AnsiString("FC!"));
    Plain.LoadFromStream(&Damaged);
    EXPECT_NE(Plain.FindObject("Page1"), nullptr);
    ASSERT_EQ(Boxes.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Boxes.Dialogs.Messages()[0].Text, frxResources()->Get("clErrors") + "\r\n" +
                                                    frxResources()->Get("clDecompressError") +
                                                    "\r\n");

    Placed.reset();
    EXPECT_EQ(frxCompressorClass(), nullptr);
}

TEST(ReportAddOns, AnyFailureOfTheCompressorIsReportedAndChangesNothing)
{
    ScriptedBoxes Boxes;
    auto Placed = std::make_unique<FlipCompressor>(nullptr);
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    TStringStream Foreign(AnsiString("FC?"));
    EXPECT_NO_THROW(Report.LoadFromStream(&Foreign));
    EXPECT_NE(Report.FindObject("Page1"), nullptr);
    EXPECT_EQ(Report.Errors()->Text(), frxResources()->Get("clDecompressError") + "\r\n");
}

// ---- component lists and image helpers ----

TEST(ReportUtilities, GetComponentsListsTheClassOnTheReportsOwner)
{
    TComponent Owner(nullptr);
    Owner.SetName("Form1");
    auto *Report = new TfrxReport(&Owner);
    auto *First = new TfrxUserDataSet(&Owner);
    First->SetName("Data1");
    auto *Second = new TfrxUserDataSet(&Owner);
    Second->SetName("Data2");
    (new TComponent(&Owner))->SetName("Other");
    TStringList List;
    frxGetComponents(Report, TfrxDataSet::StaticClass(), &List, Second);
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.Strings(0), "Data1");
    EXPECT_EQ(List.Objects(0), First);
}

TEST(ReportUtilities, TransparentDrawingAndImageCutting)
{
    TBitmap Strip;
    Strip.SetPixelFormat(pf24bit);
    Strip.SetSize(32, 16);
    Strip.Canvas()->Brush()->SetColor(clLime);
    Strip.Canvas()->FillRect(Rect(0, 0, 32, 16));
    Strip.Canvas()->Brush()->SetColor(clRed);
    Strip.Canvas()->FillRect(Rect(4, 4, 12, 12));

    TBitmap Target;
    Target.SetPixelFormat(pf24bit);
    Target.SetSize(40, 20);
    frxDrawTransparent(Target.Canvas(), 2, 2, &Strip);
    EXPECT_EQ(Target.Canvas()->Pixels(3, 3), clWhite) << "the key colour is left out";
    EXPECT_EQ(Target.Canvas()->Pixels(8, 8), clRed);
    EXPECT_FALSE(Strip.Transparent());

    TImageList Normal(nullptr), Disabled(nullptr);
    Normal.SetWidth(16);
    Normal.SetHeight(16);
    Disabled.SetWidth(16);
    Disabled.SetHeight(16);
    frxAssignImages(&Strip, 16, 16, &Normal, &Disabled);
    EXPECT_EQ(Normal.Count(), 2);
    EXPECT_EQ(Disabled.Count(), 2);
}

} // namespace
