// Printing prepared pages on a real spooler's printer, checked in the PDF the
// job produces: page order, copies, ranges, paper changes, stopping, and the
// default printer.

#include "report_output/frxPreviewPagesPrint.h"

#include "platform/win/PrintService.h"
#include "report_output/frxPrintDialog.h"
#include "report_output/frxProgress.h"

#include "platform/win/MessageQueue.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace printtest;

namespace
{

// Two report pages, upright and turned, each with one memo naming the page it lands on.
struct Template {
    struct Sheet {
        TfrxReportPage *Page;
        TfrxMasterData *Band;
        TfrxMemoView *Text;
    };

    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    Sheet Upright = MakeSheet("1", poPortrait);
    Sheet Turned = MakeSheet("2", poLandscape);

    Template() { Report.PrintOptions()->SetShowDialog(false); }

    Sheet MakeSheet(const std::string &Number, TPrinterOrientation Orientation)
    {
        Sheet S;
        S.Page = new TfrxReportPage(&Report);
        S.Page->SetName(("Page" + Number).c_str());
        S.Page->SetOrientation(Orientation);
        S.Band = new TfrxMasterData(S.Page);
        S.Band->SetName(("MasterData" + Number).c_str());
        S.Band->SetHeight(40);
        S.Text = new TfrxMemoView(S.Band);
        S.Text->SetName(("Memo" + Number).c_str());
        S.Text->SetBounds(40, 10, 400, 30);
        return S;
    }
};

// Pages named "Page 1" .. "Page N"; Turn says which pages lie on their side.
void Prepare(
    Template &T, TfrxPreviewPages &Pages, int Count,
    std::function<bool(int)> Turn = [](int) { return false; }, TfrxDuplexMode Duplex = dmNone)
{
    Pages.Initialize();
    for (Template::Sheet *S : {&T.Upright, &T.Turned}) {
        S->Page->SetDuplex(Duplex);
        Pages.AddSourcePage(S->Page);
    }
    for (int p = 1; p <= Count; ++p) {
        Template::Sheet &S = Turn(p) ? T.Turned : T.Upright;
        Pages.AddPage(S.Page);
        S.Text->SetText(WideString::FromUtf8("Page " + std::to_string(p)));
        S.Band->SetTop(20);
        Pages.AddObject(S.Band);
    }
    Pages.Finish();
}

// What each printed sheet says: its page number, 0 for a blank sheet.
std::vector<int> Sheets(const std::string &Pdf)
{
    std::vector<int> Numbers;
    for (const std::string &Text : PdfPages(Pdf)) {
        const std::size_t At = Text.find("Page ");
        Numbers.push_back(At == std::string::npos ? 0 : std::atoi(Text.c_str() + At + 5));
    }
    return Numbers;
}

class PrintTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vcltest::StartApplication();
        QRV4_REQUIRE_CUPS(Cups);
        ASSERT_TRUE(Cups.AddPdfQueue("Office")) << Cups.Log();
        ASSERT_TRUE(Cups.AddPdfQueue("Store")) << Cups.Log();
        ASSERT_TRUE(Cups.SetDefault("Office"));
        frxPrinters()->Refresh();
        frxInstallPrinting();
        T.Report.PrintOptions()->SetPrinter(frxResources()->Get("prDefault"));
    }
    void TearDown() override
    {
        for (TfrxCustomPrinter *P : {Printer("Office"), Printer("Store")})
            if (P) P->SetFileName(AnsiString());
        std::remove(Path.c_str());
    }
    static TfrxCustomPrinter *Printer(const char *Name)
    {
        const int Index = frxPrinters()->IndexOf(Name);
        return Index < 0 ? nullptr : frxPrinters()->Items(Index);
    }
    // Prints to a file through the default printer.
    bool PrintToFile()
    {
        Printer("Office")->SetFileName(Path.c_str());
        return frxPrintPreviewPages(&Pages);
    }

    PrivateCups Cups;
    Template T;
    TfrxPreviewPages Pages{&T.Report};
    std::string Path = TempPath("print", ".pdf");
};

TEST_F(PrintTest, CopiesAreCollatedOrRepeatedInPlace)
{
    Prepare(T, Pages, 3);
    TfrxPrintOptions *O = T.Report.PrintOptions();
    O->SetCopies(2);
    O->SetCollate(true);
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1, 2, 3, 1, 2, 3}));
    O->SetCollate(false);
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1, 1, 2, 2, 3, 3}));
    O->SetCopies(0);
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Pages.CacheCount(), 0) << "each printed page is dropped from the cache";
}

TEST_F(PrintTest, RangesParityAndReverseChooseThePages)
{
    Prepare(T, Pages, 3);
    TfrxPrintOptions *O = T.Report.PrintOptions();
    O->SetPageNumbers("2-3");
    O->SetReverse(true);
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{3, 2}));
    O->SetReverse(false);
    O->SetPageNumbers("1-3");
    O->SetPrintPages(ppEven);
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{2}));
    O->SetPrintPages(ppAll);
    O->SetPageNumbers("2-9");
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{2, 3}));
    O->SetPageNumbers("1,1");
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1}));
    // A huge range stays within the report.
    O->SetPageNumbers("1-2000000000");
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1, 2, 3}));
}

TEST_F(PrintTest, PaperTurnsWherePagesTurn)
{
    Prepare(T, Pages, 3, [](int p) { return p == 2; });
    EXPECT_TRUE(PrintToFile());
    const std::vector<QSizeF> Sizes = PdfPageSizes(Path);
    ASSERT_EQ(Sizes.size(), 3u);
    EXPECT_LT(Sizes[0].width(), Sizes[0].height());
    EXPECT_GT(Sizes[1].width(), Sizes[1].height());
    EXPECT_LT(Sizes[2].width(), Sizes[2].height());
}

TEST_F(PrintTest, EachDuplexCopyStartsOnANewSheet)
{
    Prepare(
        T, Pages, 3, [](int) { return false; }, dmVertical);
    T.Report.PrintOptions()->SetCopies(2);
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1, 2, 3, 0, 1, 2, 3, 0}));
}

TEST_F(PrintTest, StoppedPrintingIsNotReportedAsDoneAndPrintsNothing)
{
    Prepare(T, Pages, 3);
    int Before = 0, After = 0;
    T.Report.OnPrintReport = [&](TObject *) { ++Before; };
    T.Report.OnAfterPrintReport = [&](TObject *) { ++After; };
    T.Report.OnProgress = [&](TfrxReport *Sender, TfrxProgressType Type, int Page) {
        if (Type == ptPrinting && Page == 2) Sender->SetTerminated(true);
    };
    EXPECT_FALSE(PrintToFile());
    EXPECT_EQ(Before, 1);
    EXPECT_EQ(After, 1);
    EXPECT_FALSE(FileExists(Path));
    EXPECT_FALSE(Printer("Office")->Printing());
    // The next print is a whole one.
    T.Report.OnProgress = nullptr;
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Sheets(Path), (std::vector<int>{1, 2, 3}));
}

// The progress window that shows while the pages print, if one does.
TfrxProgress *ShownProgress()
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto *Window = dynamic_cast<TfrxProgress *>(Screen->Forms(i)))
            if (Window->Visible()) return Window;
    return nullptr;
}

TEST_F(PrintTest, ProgressWindowShowsEachPageAndItsCancelStopsThePrint)
{
    Prepare(T, Pages, 3);
    int Shown = 0;
    std::string LastMessage;
    // The window names the page the event tells of, not the one before.
    T.Report.OnProgress = [&](TfrxReport *, TfrxProgressType Type, int Page) {
        EXPECT_EQ(Type, ptPrinting);
        TfrxProgress *Window = ShownProgress();
        if (!Window) return;
        ++Shown;
        EXPECT_EQ(Window->Message().ToUtf8(), "Печатается страница " + std::to_string(Page));
    };
    T.Report.OnProgressStop = [&](TfrxReport *, TfrxProgressType, int) {
        if (TfrxProgress *Window = ShownProgress()) LastMessage = Window->Message().ToUtf8();
    };
    EXPECT_TRUE(PrintToFile());
    EXPECT_EQ(Shown, 3);
    EXPECT_EQ(LastMessage, "Печатается страница 3");
    EXPECT_FALSE(ShownProgress()) << "the window goes when the printing ends";

    // Cancel pressed while the first page prints: the file printed before stays as it was.
    const std::string Printed = FileBytes(Path);
    T.Report.OnProgressStop = nullptr;
    T.Report.OnProgress = [&](TfrxReport *, TfrxProgressType, int Page) {
        if (Page == 1) ShownProgress()->CancelB->Click();
    };
    EXPECT_FALSE(PrintToFile());
    EXPECT_EQ(FileBytes(Path), Printed);
    EXPECT_FALSE(ShownProgress());
    std::remove(Path.c_str());
    EXPECT_FALSE(PrintToFile());
    EXPECT_FALSE(FileExists(Path));
}

// The screen where the window stands, once it has drawn its message there.
QImage OnScreen(TfrxProgress *Window)
{
    QImage Shot;
    for (int Try = 0; Try < 50; ++Try) {
        vcltest::Pump();
        win::WaitForQueue(20);
        Shot = QGuiApplication::primaryScreen()
                   ->grabWindow(0, Window->Left(), Window->Top(), Window->Width(), Window->Height())
                   .toImage();
        if (Shot.isNull()) continue;
        // The message is dark text in the middle of the light panel.
        for (int X = 20; X < Shot.width() - 20; ++X)
            if (qGray(Shot.pixel(X, Window->LMessage->Top() + 10)) < 100) return Shot;
    }
    return QImage();
}

// Under the Xvfb run the picture goes where QRV4_SHOTS says, to be looked at.
TEST_F(PrintTest, ProgressWindowStandsOnScreenDuringALongPrint)
{
    Prepare(T, Pages, 30);
    QImage Shot;
    T.Report.OnProgress = [&](TfrxReport *, TfrxProgressType, int Page) {
        if (Page == 15) Shot = OnScreen(ShownProgress());
    };
    EXPECT_TRUE(PrintToFile());
    ASSERT_FALSE(Shot.isNull()) << "the window's message never reached the screen";
    EXPECT_EQ(Shot.size(), QSize(271, 101));
    if (const char *Folder = std::getenv("QRV4_SHOTS")) {
        std::filesystem::create_directories(Folder);
        Shot.save(QString::fromUtf8(Folder) + "/progress_window.png");
    }
}

// The dot-matrix export a host registers, as far as printing sees it.
class TfrxDotMatrixExport : public TfrxCustomExportFilter
{
    QRV4_CLASS(TfrxDotMatrixExport, TfrxCustomExportFilter)

public:
    TfrxDotMatrixExport() = default;
    TModalResult ShowModal() override
    {
        ++Dialogs;
        return mrOk;
    }
    void ExportObject(TfrxComponent *Obj) override
    {
        if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Obj))
            Texts.push_back(Trim(AnsiString(Memo->Text())).ToUtf8());
    }
    std::vector<std::string> Texts;
    int Dialogs = 0;
};

TEST(DotMatrixPrint, ADotMatrixReportPrintsThroughTheRegisteredDotMatrixExport)
{
    vcltest::StartApplication();
    printtest::NoPrinters None;
    frxInstallPrinting();
    Template T;
    TfrxPreviewPages Pages{&T.Report};
    Prepare(T, Pages, 2);
    T.Report.SetDotMatrixReport(true);
    std::vector<std::string> Events;
    T.Report.OnPrintReport = [&](TObject *) { Events.push_back("print"); };
    T.Report.OnAfterPrintReport = [&](TObject *) { Events.push_back("after"); };
    TfrxDotMatrixExport Export;
    frxDotMatrixExport() = &Export;
    T.Report.PrintOptions()->SetShowDialog(true);
    const bool Printed = frxPrintPreviewPages(&Pages);
    frxDotMatrixExport() = nullptr;
    EXPECT_TRUE(Printed);
    EXPECT_EQ(Export.Dialogs, 1) << "the print options' dialog switch is the export's";
    EXPECT_EQ(Export.Texts, (std::vector<std::string>{"Page 1", "Page 2"}));
    EXPECT_EQ(Events, (std::vector<std::string>{"print", "after"}));
}

TEST_F(PrintTest, DefaultPrinterTextMeansTheSystemDefaultEachTime)
{
    Prepare(T, Pages, 1);
    TfrxPrintOptions *O = T.Report.PrintOptions();
    O->SetPrinter("Store");
    EXPECT_TRUE(frxPrintPreviewPages(&Pages));
    O->SetPrinter(frxResources()->Get("prDefault"));
    EXPECT_TRUE(frxPrintPreviewPages(&Pages));
    EXPECT_EQ(Cups.WaitForPdfs("Store", 1).size(), 1u);
    EXPECT_EQ(Cups.WaitForPdfs("Office", 1).size(), 1u) << "not on the printer chosen before";
    // The default is read again: a new default takes the next job.
    ASSERT_TRUE(Cups.SetDefault("Store"));
    EXPECT_TRUE(frxPrintPreviewPages(&Pages));
    EXPECT_EQ(Cups.WaitForPdfs("Store", 2).size(), 2u);
}

TEST_F(PrintTest, CancelledDialogPrintsNothing)
{
    Prepare(T, Pages, 1);
    T.Report.PrintOptions()->SetShowDialog(true);
    bool Started = false;
    T.Report.OnPrintReport = [&](TObject *) { Started = true; };
    vcltest::KeyDown(VK_ESCAPE);
    vcltest::KeyUp(VK_ESCAPE);
    EXPECT_FALSE(PrintToFile());
    EXPECT_FALSE(Started);
    EXPECT_FALSE(FileExists(Path));
}

// The scheduler silent as the printer is chosen for a print with its dialog: a box says what the
// print waits for, under the title of a print, and Escape on it ends the print there, as the
// user chose: no dialog offers the printers the service could not tell, and nothing is printed.
TEST_F(PrintTest, EscapeOnTheWaitForThePrinterEndsThePrintBeforeItsDialog)
{
    Prepare(T, Pages, 1);
    T.Report.PrintOptions()->SetShowDialog(true);
    bool Started = false;
    T.Report.OnPrintReport = [&](TObject *) { Started = true; };
    TForm Owner(nullptr);
    Owner.Show();
    Cups.Silence();
    // The scheduler goes on at the end, also after a failure, and the questions that hung on it
    // come back before the next test.
    struct Silenced {
        PrivateCups &Cups;
        ~Silenced()
        {
            Cups.Resume();
            vcltest::PumpUntil([] { return win::AskInTime([](win::PrintErrand &) {}); }, 60000);
        }
    } Silenced{Cups};
    ASSERT_TRUE(vcltest::PumpUntil([this] { return Cups.Silenced(); }, 60000));

    AnsiString Title, Line;
    bool DialogShown = false, Printed = true;
    {
        const vcltest::ScreenWatch Watch(&Owner, [&] {
            if (vcltest::VisibleForm<TfrxPrintDialog>()) {
                DialogShown = true;
                vcltest::Key(VK_ESCAPE);
                return true;
            }
            TfrxProgress *Box = vcltest::VisibleForm<TfrxProgress>();
            if (!Box || !Title.IsEmpty()) return false;
            Title = Box->Caption();
            Line = Box->LMessage->Caption();
            vcltest::Key(VK_ESCAPE);
            return false;
        });
        Printed = PrintToFile();
    }
    EXPECT_EQ(Title, Cp("Печать"));
    EXPECT_EQ(Line, Cp("Ожидание ответа службы печати…"));
    EXPECT_FALSE(DialogShown) << "the print went on to its dialog after the wait was cancelled";
    EXPECT_FALSE(Printed);
    EXPECT_FALSE(Started);
    EXPECT_FALSE(FileExists(Path));
}

// ---- no printer installed ----

class NoPrinterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vcltest::StartApplication();
        frxPrinters()->Refresh();
        frxInstallPrinting();
    }
    void TearDown() override
    {
        None.reset();
        frxPrinters()->Refresh();
    }

    std::unique_ptr<NoPrinters> None = std::make_unique<NoPrinters>();
    Template T;
    TfrxPreviewPages Pages{&T.Report};
};

TEST_F(NoPrinterTest, PrintingSaysThatNoPrinterIsInstalled)
{
    ASSERT_FALSE(frxPrinters()->HasPhysicalPrinters());
    Prepare(T, Pages, 2);
    try {
        frxPrintPreviewPages(&Pages);
        ADD_FAILURE() << "the virtual printer took the pages";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message(), Cp("В вашей системе не установлено принтеров"))
            << E.Message().ToUtf8();
    }
    EXPECT_EQ(ShownProgress(), nullptr);
}

// The session's end while the pages go out: its close runs under the print, which stops as Cancel
// stops it and hands nothing over after the close, and gives its caller no answer to go on
// with. Each case runs in a child started afresh, as the program ends there for good; the
// parameter is the page during which the end comes, of 5.
class PrintAtTheSessionEnd : public testing::TestWithParam<int>
{
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    // Prints the pages to a file through a queue of a scheduler of the child's own, the session
    // ending at page EndAt, and says on the error stream what came of it.
    static void PrintEndedAt(int EndAt)
    {
        const std::string Path = TempPath("ended", ".pdf");
        PrivateCups Cups;
        if (!Cups.Running() || !Cups.AddPdfQueue("Office") || !Cups.SetDefault("Office")) {
            std::fprintf(stderr, "no scheduler: %s\n", Cups.Why().c_str());
            return;
        }
        vcltest::StartProgramEndedBySession();
        frxPrinters()->Refresh();
        frxInstallPrinting();
        Template T;
        TfrxPreviewPages Pages{&T.Report};
        Prepare(T, Pages, 5);
        T.Report.PrintOptions()->SetPrinter(frxResources()->Get("prDefault"));
        TfrxCustomPrinter *Office = frxPrinters()->Items(frxPrinters()->IndexOf("Office"));
        Office->SetFileName(Path.c_str());
        int Drawn = 0;
        T.Report.OnProgress = [EndAt, &Drawn](TfrxReport *, TfrxProgressType, int Page) {
            Drawn = Page;
            if (Page == EndAt) std::raise(SIGTERM);
        };
        try {
            frxPrintPreviewPages(&Pages);
            std::fputs("answered\n", stderr);
        } catch (const EAbort &) {
            std::fputs("no answer\n", stderr);
        }
        std::fprintf(stderr, "last page drawn %d, printer %s, file %s\n", Drawn,
                     Office->Printing() ? "busy" : "idle", FileExists(Path) ? "written" : "none");
        std::remove(Path.c_str());
    }
};

TEST_P(PrintAtTheSessionEnd, TheJobIsAbortedAndNoFileIsWritten)
{
    const int EndAt = GetParam();
    EXPECT_EXIT(
        {
            PrintEndedAt(EndAt);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0),
        "closed\nno answer\nlast page drawn " + std::to_string(EndAt) +
            ", printer idle, file none\n");
}

// A page still to go, and the last page out with only the hand-over left.
INSTANTIATE_TEST_SUITE_P(Page, PrintAtTheSessionEnd, testing::Values(2, 5));

} // namespace
