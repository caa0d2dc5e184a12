// The three reports on paper: the archive read from the simulated device, a receipt and the
// address book printed through the main window's handlers to a print queue of a private
// spooler, each job's PDF read back with pdftotext: every value on its page, in the copies
// asked for. On a system without any printer the same handlers say so and print nothing.

#include "link/config.h"
#include "link/constants.h"
#include "report/frxPrinter.h"
#include "report_output/frxProgress.h"
#include "tests/operations/ReportsTestSupport.h"
#include "tests/support/PrintTestSupport.h"

#include "platform/win/CupsLibrary.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/PrintService.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

using namespace printtest;

namespace
{

// Runs of spaces as one: the PDF places words, it does not keep their spacing.
std::string Words(const std::string &Text)
{
    std::string Result;
    for (char Ch : Text)
        if (Ch != ' ' || Result.empty() || Result.back() != ' ') Result += Ch;
    return Result;
}

bool Has(const std::string &Page, const AnsiString &Text)
{
    return Words(Page).find(Words(Text.ToUtf8())) != std::string::npos;
}

// The one message of the last print, Count in all, for a print service that takes the
// connection and says nothing: it runs already, so a restart may mend it, not a start, and no
// printer is to be added.
void ExpectServiceSilentMessage(const vcl::ScriptedDialogs &Dialogs, std::size_t Count)
{
    ASSERT_EQ(Dialogs.Messages().size(), Count);
    const AnsiString text = Dialogs.Messages().back().Text;
    EXPECT_GT(text.Pos("Служба печати CUPS не отвечает"_a), 0) << text.ToUtf8();
    EXPECT_GT(text.Pos("sudo systemctl restart cups"_a), 0) << text.ToUtf8();
    EXPECT_EQ(text.Pos("не запущена"_a), 0) << text.ToUtf8();
    EXPECT_EQ(text.Pos("Добавьте принтер"_a), 0) << text.ToUtf8();
}

class PrintingTest : public reporttest::ReportsTest
{
protected:
    void SetUp() override
    {
        ReportsTest::SetUp();
        QRV4_REQUIRE_CUPS(Cups);
        ASSERT_TRUE(Cups.AddPdfQueue("Office")) << Cups.Log();
        ASSERT_TRUE(Cups.SetDefault("Office")) << Cups.Log();
        frxPrinters()->Refresh();
    }

    // The text of each page of the Job-th job (1-based) the queue received.
    std::vector<std::string> Job(std::size_t Number)
    {
        const std::vector<std::string> Files = Cups.WaitForPdfs("Office", Number);
        if (Files.size() < Number) return {};
        KeepFirstPage(Files[Number - 1], Number);
        return PdfPages(Files[Number - 1]);
    }

    // The name the Number-th job carried into the queue, which the print service shows.
    std::string Title(std::size_t Number)
    {
        const std::vector<std::string> Files = Cups.WaitForPdfs("Office", Number);
        return Files.size() < Number ? std::string() : PrivateCups::JobTitle(Files[Number - 1]);
    }

    // Where QRV4_SHOTS says, the first page of each job is kept as a picture.
    static void KeepFirstPage(const std::string &Pdf, std::size_t Number)
    {
        const char *Shots = std::getenv("QRV4_SHOTS");
        if (!Shots) return;
        std::filesystem::create_directories(Shots);
        PdfPageImage(Pdf, 1, 80)
            .save(QString::fromStdString(std::string(Shots) + "/job" + std::to_string(Number) +
                                         ".png"));
    }

    // The box that shows the pages going out, or a wait for the print service; null while none
    // is on the screen.
    static TfrxProgress *ShownProgressBox() { return vcltest::VisibleForm<TfrxProgress>(); }

    // A press of the mouse on Отмена of that box; false when no such box is on the screen.
    static bool PressCancelOfTheProgressBox()
    {
        TfrxProgress *box = ShownProgressBox();
        if (!box) return false;
        const TPoint at = box->CancelB->ClientToScreen(TPoint(10, 10));
        for (const auto action : {win::MouseAction::Down, win::MouseAction::Up})
            win::InjectMouseInput({action, win::MouseButton::Left, POINT{at.X, at.Y}, 0});
        return true;
    }

    // What the box said when Escape was pressed on it: its title and its line.
    struct EscapedBox {
        std::string Title, Line;
    };
    // Escape on the box, once there is one; false while there is none.
    static bool EscapeFromTheProgressBox(EscapedBox &Seen)
    {
        TfrxProgress *box = ShownProgressBox();
        if (!box) return false;
        Seen = {box->Caption().ToUtf8(), box->LMessage->Caption().ToUtf8()};
        vcltest::Key(VK_ESCAPE);
        return true;
    }

    // The jobs of Queue the scheduler still holds or has printed: a job taken back is purged,
    // or kept as cancelled.
    static int JobsKept(const char *Queue)
    {
        cups_job_t *jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, Queue, 0, CUPS_WHICHJOBS_ALL);
        int kept = 0;
        for (int i = 0; i < count; ++i)
            kept += jobs[i].state != IPP_JSTATE_CANCELED && jobs[i].state != IPP_JSTATE_ABORTED;
        cupsFreeJobs(count, jobs);
        return kept;
    }

    PrivateCups Cups;
};

TEST_F(PrintingTest, APrinterAddedWhileTheProgramRunsIsPrintedOn)
{
    maintest::ServeSampleArchive(*Sim, 20);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    AnswerWithOk(PrintListDlg);
    Form->BTN_PrintArchiveClick(nullptr);
    ASSERT_FALSE(Job(1).empty());

    ASSERT_TRUE(Cups.AddPdfQueue("Hall")) << Cups.Log();
    AnswerWithOk(PrintListDlg, [] {
        TStrings *items = PrintListDlg->CB_Printer->Items();
        PrintListDlg->CB_Printer->SetItemIndex(items->IndexOf("Hall"));
    });
    Form->BTN_PrintArchiveClick(nullptr);
    const std::vector<std::string> hall = Cups.WaitForPdfs("Hall", 1);
    ASSERT_EQ(hall.size(), 1u) << "the printer added since was not offered or not printed on";
    const std::vector<std::string> pages = PdfPages(hall[0]);
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(Has(pages.front(), "Архив ключей QRV-4"_a));
    EXPECT_EQ(PrintListDlg->CB_Printer->Text(), "Hall");
}

// A printer that went away since the last print, with the print service: the next print says
// that the service is not running, as at a start without it, and asks nothing of a dialog.
TEST_F(PrintingTest, APrinterGoneSinceTheLastPrintIsNotOffered)
{
    maintest::ServeSampleArchive(*Sim, 20);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    AnswerWithOk(PrintListDlg);
    Form->BTN_PrintArchiveClick(nullptr);
    ASSERT_FALSE(Job(1).empty());

    {
        const NoPrinters gone;
        int shown = 0;
        AnswerWithOk(PrintListDlg, [&shown] { ++shown; });
        Dialogs.ReplyMessage(mrOk);
        Form->BTN_PrintArchiveClick(nullptr);
        ASSERT_EQ(Dialogs.Messages().size(), 1u) << "the print went on without a printer";
        const AnsiString text = Dialogs.Messages().back().Text;
        EXPECT_GT(text.Pos("Служба печати CUPS не запущена"_a), 0) << text.ToUtf8();
        EXPECT_EQ(shown, 0);
    }
    frxPrinters()->Refresh();
}

// A scheduler interrupted at a chosen step of the job while the archive is printed with the
// button on the window: what the user is told of that job.
class InterruptedJobTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        win::SetCupsLibrary(InterruptingCupsLibrary());
        maintest::ServeSampleArchive(*Sim, 20);
        ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
        Form->Show();
        AnswerWithOk(PrintListDlg);
        Dialogs.ReplyMessage(mrOk);
    }
    void TearDown() override
    {
        Cups.Resume();
        win::SetCupsLibrary("");
        PrintingTest::TearDown();
    }

    // Presses the print button and handles messages until the print has said something.
    AnsiString PrintAndReadWhatIsSaid()
    {
        vcltest::Click(Form->BTN_PrintArchive, 10, 10);
        if (!maintest::PumpUntil([&] { return !Dialogs.Messages().empty(); }, 120000))
            return "(nothing was said)"_a;
        return Dialogs.Messages().back().Text;
    }
};

// Stopped with the job in its hands, the scheduler neither prints nor answers: the window
// paints while the print waits, and then the user learns that the job on "Office" may or may
// not come out, rather than a minute's freeze ending in silence.
TEST_F(InterruptedJobTest, ASchedulerFallenSilentWithTheJobLeavesItsFateToTheUser)
{
    constexpr UINT AskToPaint = WM_APP + 41;
    bool paintedWhileWaiting = false, paintAsked = false;
    TWndMethod formProc = Form->WindowProc;
    Form->WindowProc = [&](TMessage &Message) {
        if (Message.Msg == AskToPaint) {
            InvalidateRect(Form->Handle(), nullptr, FALSE);
            paintAsked = true;
        } else if (Message.Msg == WM_PAINT && paintAsked) {
            paintedWhileWaiting = paintedWhileWaiting || CupsCallsUnderway() > 0;
        }
        formProc(Message);
    };
    const HWND window = Form->Handle();
    std::atomic<bool> done{false}, userDone{false};
    std::thread user([&] {
        while (!done && !Cups.Silenced())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!done) SendMessageW(window, AskToPaint, 0, 0);
        userDone = true;
    });
    Cups.InterruptAtNextJob(PrivateCups::JobStep::Created, SIGSTOP);

    const AnsiString said = PrintAndReadWhatIsSaid();
    done = true;
    // Its message may still wait for the window's thread.
    maintest::PumpUntil([&] { return userDone.load(); }, 60000);
    user.join();
    Form->WindowProc = formProc;

    EXPECT_TRUE(paintedWhileWaiting) << "the window did not paint while the job waited";
    EXPECT_GT(said.Pos("«Office»"_a), 0) << said.ToUtf8();
    EXPECT_GT(said.Pos("неизвестно, будет ли документ напечатан"_a), 0) << said.ToUtf8();
    EXPECT_GT(said.Pos("Проверьте очередь печати"_a), 0) << said.ToUtf8();
}

// Stopped with the job in its hands, the scheduler keeps the print waiting: Отмена on the
// progress box ends the wait at once, while the scheduler still says nothing, and the user learns
// that the document may not have been printed; once the scheduler goes on, it drops the job.
TEST_F(InterruptedJobTest, CancelWhileTheSchedulerIsSilentEndsTheWaitAndTakesTheJobBack)
{
    constexpr UINT PressCancel = WM_APP + 42;
    TWndMethod formProc = Form->WindowProc;
    Form->WindowProc = [&](TMessage &Message) {
        if (Message.Msg == PressCancel) PressCancelOfTheProgressBox();
        formProc(Message);
    };
    const HWND window = Form->Handle();
    std::atomic<bool> done{false}, userDone{false};
    std::thread user([&] {
        while (!done && !(Cups.Silenced() && CupsCallsUnderway() > 0))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!done) SendMessageW(window, PressCancel, 0, 0);
        userDone = true;
    });
    Cups.InterruptAtNextJob(PrivateCups::JobStep::Created, SIGSTOP);

    const AnsiString said = PrintAndReadWhatIsSaid();
    const bool stillSilent = Cups.Silenced();
    done = true;
    maintest::PumpUntil([&] { return userDone.load(); }, 60000);
    user.join();
    Form->WindowProc = formProc;

    EXPECT_TRUE(stillSilent) << "the print waited for the scheduler, not for the user";
    EXPECT_GT(said.Pos("«Office»"_a), 0) << said.ToUtf8();
    EXPECT_GT(said.Pos("отменена"_a), 0) << said.ToUtf8();
    EXPECT_GT(said.Pos("может быть не напечатан"_a), 0) << said.ToUtf8();
    Cups.Resume();
    EXPECT_TRUE(maintest::PumpUntil([] { return CupsCallsUnderway() == 0; }, 60000));
    EXPECT_EQ(JobsKept("Office"), 0);
}

// The pages laid out, the document handed over hangs with the scheduler: the printing box no
// longer names the last page, it says what the print waits for, and Escape on it ends the wait;
// the user learns that the document may not have been printed.
TEST_F(InterruptedJobTest, TheHandOverAfterTheLastPageIsToldOnThePrintingBoxAndEscapeEndsIt)
{
    Cups.InterruptAtNextJob(PrivateCups::JobStep::Created, SIGSTOP);
    std::string line;
    AnsiString said;
    {
        const vcltest::ScreenWatch watch(Form.get(), [&] {
            TfrxProgress *box = ShownProgressBox();
            if (!box || !Cups.Silenced() || CupsCallsUnderway() == 0) return false;
            line = box->LMessage->Caption().ToUtf8();
            if (line != "Ожидание ответа службы печати…") return false;
            vcltest::Key(VK_ESCAPE);
            return true;
        });
        said = PrintAndReadWhatIsSaid();
    }
    EXPECT_EQ(line, "Ожидание ответа службы печати…");
    EXPECT_GT(said.Pos("отменена"_a), 0) << said.ToUtf8();
    EXPECT_GT(said.Pos("может быть не напечатан"_a), 0) << said.ToUtf8();
}

// Gone while the document went out, the scheduler confirms nothing: no success is assumed from
// an answer that never came.
TEST_F(InterruptedJobTest, ASchedulerGoneWhileTheDocumentWentOutIsNotTakenForAPrint)
{
    Cups.InterruptAtNextJob(PrivateCups::JobStep::Writing, SIGKILL);
    const AnsiString said = PrintAndReadWhatIsSaid();
    EXPECT_GT(said.Pos("«Office»"_a), 0) << said.ToUtf8();
    EXPECT_GT(said.Pos("неизвестно, будет ли документ напечатан"_a), 0) << said.ToUtf8();
}

// The scheduler stopped where it stands, its connections taken and unanswered, as one that hangs.
// It goes on again at the end, also after a failure, and the questions that hung on it come back
// before the next test.
class StoppedSchedulerTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        maintest::ServeSampleArchive(*Sim, 20);
        ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
        Form->Show();
    }
    void TearDown() override
    {
        Cups.Resume();
        maintest::PumpUntil([] { return win::AskInTime([](win::PrintErrand &) {}); }, 60000);
        PrintingTest::TearDown();
    }

    void StopScheduler()
    {
        Cups.Silence();
        ASSERT_TRUE(maintest::PumpUntil([this] { return Cups.Silenced(); }, 60000));
    }

    // The printing box as it tells a wait for the print service.
    static void ExpectTheWaitTold(const EscapedBox &Seen)
    {
        EXPECT_EQ(Seen.Title, "Печать");
        EXPECT_EQ(Seen.Line, "Ожидание ответа службы печати…");
    }

    // A cancelled print leaves nothing in the queue once the scheduler goes on, and the questions
    // that hung on it come back before the next test.
    void ExpectNoJobOnceTheSchedulerGoesOn()
    {
        Cups.Resume();
        EXPECT_TRUE(
            maintest::PumpUntil([] { return win::AskInTime([](win::PrintErrand &) {}); }, 60000));
        EXPECT_EQ(JobsKept("Office"), 0);
    }

    // Presses the print button and handles messages until the print is over. Meanwhile, as a
    // user who keeps an eye on the screen, Look runs on the window's thread whenever the print
    // takes messages, until it has seen what it looks for; whether it has.
    bool PrintWatching(const std::function<bool()> &Look)
    {
        bool printing = false, ended = false;
        const TNotifyEvent click = Form->BTN_PrintArchive->OnClick;
        Form->BTN_PrintArchive->OnClick = [&](TObject *Sender) {
            // Over also when the print fails with an exception.
            struct Over {
                bool &Printing, &Ended;
                ~Over() { Printing = false, Ended = true; }
            } over{printing, ended};
            printing = true;
            click(Sender);
        };
        bool seen = false;
        {
            const vcltest::ScreenWatch watch(Form.get(), [&] { return printing && Look(); });
            vcltest::Click(Form->BTN_PrintArchive, 10, 10);
            maintest::PumpUntil([&] { return ended; }, 120000);
            seen = watch.Seen();
        }
        Form->BTN_PrintArchive->OnClick = click;
        return seen;
    }
};

// A scheduler that takes the connection and says nothing: the print shows that it waits, and then
// says that the service does not answer and that restarting it may help, not that it is not
// running, which starting it would not mend. No dialog is offered for a print that cannot go out.
TEST_F(StoppedSchedulerTest, APrintServiceThatDoesNotAnswerIsToldApartFromOneNotRunning)
{
    int shown = 0;
    AnswerWithOk(PrintListDlg, [&shown] { ++shown; });
    Dialogs.ReplyMessage(mrOk);
    StopScheduler();
    const HCURSOR hourglass = Screen->Cursors(crHourGlass);

    const bool waitShown = PrintWatching([&] { return GetCursor() == hourglass; });

    ExpectServiceSilentMessage(Dialogs, 1);
    EXPECT_TRUE(waitShown) << "the print waited for the service without a sign";
    EXPECT_NE(GetCursor(), hourglass) << "the wait cursor outlived the wait";
    EXPECT_EQ(shown, 0);
}

// The scheduler stopped while the print dialog is open: from the moment Печать is pressed the
// printing box is there, and its Отмена ends the wait at once, the scheduler still silent; the
// print ends without a word of failure, and nothing reaches the queue once the scheduler goes on.
TEST_F(StoppedSchedulerTest, CancelEndsAPrintWhoseHandOverHangs)
{
    AnswerWithOk(PrintListDlg, [this] { StopScheduler(); });
    // Heard, should the print say something after all.
    Dialogs.ReplyMessage(mrOk);

    // The pointer tells a wait for the service that the box may cancel.
    const HCURSOR cancellableWait = Screen->Cursors(crAppStart);
    const bool cancelled = PrintWatching(
        [&] { return GetCursor() == cancellableWait && PressCancelOfTheProgressBox(); });

    EXPECT_TRUE(cancelled) << "no box with Отмена while the print waited";
    EXPECT_TRUE(Cups.Silenced()) << "the print waited for the scheduler, not for the user";
    EXPECT_TRUE(Dialogs.Messages().empty()) << Dialogs.Messages().back().Text.ToUtf8();
    ExpectNoJobOnceTheSchedulerGoesOn();
}

// The same wait as the user meets it: the printing box says what the print waits for, under the
// title of a print, and Escape ends the wait as Отмена does, the scheduler still silent; nothing
// reaches the queue once it goes on.
TEST_F(StoppedSchedulerTest, ThePrintingBoxSaysWhatItWaitsForAndEscapeEndsTheWait)
{
    AnswerWithOk(PrintListDlg, [this] { StopScheduler(); });
    Dialogs.ReplyMessage(mrOk);

    const HCURSOR cancellableWait = Screen->Cursors(crAppStart);
    EscapedBox seen;
    const bool escaped = PrintWatching(
        [&] { return GetCursor() == cancellableWait && EscapeFromTheProgressBox(seen); });

    EXPECT_TRUE(escaped) << "no box with Отмена while the print waited";
    ExpectTheWaitTold(seen);
    EXPECT_TRUE(Cups.Silenced()) << "the print waited for the scheduler, not for the user";
    EXPECT_TRUE(Dialogs.Messages().empty()) << Dialogs.Messages().back().Text.ToUtf8();
    ExpectNoJobOnceTheSchedulerGoesOn();
}

// A scheduler silent before the print dialog: the print does not wait with the pointer alone, a
// box says what it waits for, under the title of a print, and Escape on it ends the wait. The
// print then ends, as the user chose: it offers no dialog and says nothing of a service that
// does not answer.
TEST_F(StoppedSchedulerTest, TheWaitBeforeThePrintDialogShowsItsBox)
{
    int shown = 0;
    AnswerWithOk(PrintListDlg, [&shown] { ++shown; });
    Dialogs.ReplyMessage(mrOk);
    StopScheduler();

    EscapedBox seen;
    const bool escaped = PrintWatching([&] { return EscapeFromTheProgressBox(seen); });

    EXPECT_TRUE(escaped) << "no box while the print waited for the service";
    ExpectTheWaitTold(seen);
    EXPECT_TRUE(Dialogs.Messages().empty()) << Dialogs.Messages().back().Text.ToUtf8();
    EXPECT_EQ(ShownProgressBox(), nullptr) << "the box outlived the wait";
    EXPECT_EQ(shown, 0);
}

// A printer named in the print dialog that the printer list has not seen: the list is read again
// from a silent scheduler, a box says what the print waits for, and Escape on it ends the print
// as the user chose, without a word of a missing printer and without a job.
TEST_F(StoppedSchedulerTest, EscapeOnTheWaitAfterThePrintDialogEndsThePrintQuietly)
{
    AnswerWithOk(PrintListDlg, [this] {
        StopScheduler();
        PrintListDlg->CB_Printer->SetText("Hall");
    });
    Dialogs.ReplyMessage(mrOk);

    EscapedBox seen;
    const bool escaped = PrintWatching([&] { return EscapeFromTheProgressBox(seen); });

    EXPECT_TRUE(escaped) << "no box while the print waited for the service";
    ExpectTheWaitTold(seen);
    EXPECT_TRUE(Dialogs.Messages().empty()) << Dialogs.Messages().back().Text.ToUtf8();
    EXPECT_EQ(ShownProgressBox(), nullptr) << "the print went on after the wait was cancelled";
    ExpectNoJobOnceTheSchedulerGoesOn();
}

// The same handlers on a system with no printer at all.
class NoPrinterTest : public reporttest::ReportsTest
{
protected:
    void SetUp() override
    {
        ReportsTest::SetUp();
        frxPrinters()->Refresh();
    }
    void TearDown() override
    {
        ReportsTest::TearDown();
        None.reset();
        frxPrinters()->Refresh();
    }

    // The one message the last print gave, which names the missing printer and the way to
    // add one.
    void ExpectNoPrinterMessage(std::size_t Count)
    {
        ASSERT_EQ(Dialogs.Messages().size(), Count);
        const AnsiString text = Dialogs.Messages().back().Text;
        EXPECT_GT(text.Pos("не установлено принтеров"_a), 0) << text.ToUtf8();
        EXPECT_GT(text.Pos("Добавьте принтер"_a), 0) << text.ToUtf8();
    }

    // The same for a system whose print service is not running: the page for adding a
    // printer would not open, so the user learns what to start and how.
    void ExpectServiceDownMessage(std::size_t Count)
    {
        ASSERT_EQ(Dialogs.Messages().size(), Count);
        const AnsiString text = Dialogs.Messages().back().Text;
        EXPECT_GT(text.Pos("Служба печати CUPS не запущена"_a), 0) << text.ToUtf8();
        EXPECT_GT(text.Pos("systemctl start cups"_a), 0) << text.ToUtf8();
        EXPECT_EQ(text.Pos("Добавьте принтер"_a), 0) << text.ToUtf8();
        EXPECT_EQ(text.Pos("localhost:631"_a), 0) << text.ToUtf8();
    }

    std::unique_ptr<NoPrinters> None = std::make_unique<NoPrinters>();
};

} // namespace

TEST_F(NoPrinterTest, PrintingWithNoPrintServiceSaysToStartItAndSpendsNoReceiptNumber)
{
    maintest::ServeSampleArchive(*Sim, 20);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    Config.CountTovcheck = 17;
    int shown = 0;
    for (TForm *dialog :
         {static_cast<TForm *>(PrintListDlg), static_cast<TForm *>(PrintTovcheckDlg)})
        AnswerWithOk(dialog, [&shown] { ++shown; });
    // Whatever would have reached the printer.
    reporttest::RecordingPrinter printer;

    Dialogs.ReplyMessage(mrOk);
    Form->BTN_PrintArchiveClick(nullptr);
    ExpectServiceDownMessage(1);

    Dialogs.ReplyMessage(mrOk);
    Form->SG_Archive->SetRow(1);
    Form->BTN_TovcheckClick(nullptr);
    ExpectServiceDownMessage(2);
    EXPECT_EQ(Config.CountTovcheck, 17);

    Form->WriterRows.assign(3, WriterRecord());
    Form->RenumberWriterRows();
    Dialogs.ReplyMessage(mrOk);
    Form->PrintWriter(false);
    ExpectServiceDownMessage(3);

    // Nothing was asked of a dialog that could not print, and nothing went out.
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(printer.Jobs.empty());
}

// A print service that runs and has no printer: the user is told to add one, where the
// service's page does open.
TEST_F(NoPrinterTest, APrintServiceWithNoPrinterSaysToAddOne)
{
    PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    maintest::ServeSampleArchive(*Sim, 20);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    int shown = 0;
    AnswerWithOk(PrintListDlg, [&shown] { ++shown; });
    reporttest::RecordingPrinter printer;

    Form->Show();
    Dialogs.ReplyMessage(mrOk);
    vcltest::Click(Form->BTN_PrintArchive, 10, 10);
    maintest::PumpUntil([&] { return !Dialogs.Messages().empty(); }, 60000);
    ExpectNoPrinterMessage(1);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(printer.Jobs.empty());
}

// A print service that takes the connection and never answers: the print waits for it only so
// long and then says that it does not answer; the next print says the same, and nothing is asked
// of a dialog or sent anywhere.
TEST_F(NoPrinterTest, APrintServiceThatNeverAnswersIsSaidNotToAnswer)
{
    maintest::ServeSampleArchive(*Sim, 20);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    int shown = 0;
    AnswerWithOk(PrintListDlg, [&shown] { ++shown; });
    reporttest::RecordingPrinter printer;
    const SilentPrintService silent;
    ASSERT_TRUE(silent.Listening());

    Dialogs.ReplyMessage(mrOk);
    Form->BTN_PrintArchiveClick(nullptr);
    ExpectServiceSilentMessage(Dialogs, 1);

    Dialogs.ReplyMessage(mrOk);
    Form->BTN_PrintArchiveClick(nullptr);
    ExpectServiceSilentMessage(Dialogs, 2);

    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(printer.Jobs.empty());
}

TEST_F(PrintingTest, ArchiveReceiptAndAddressBookReachPaperWithEveryValue)
{
    maintest::ServeSampleArchive(*Sim, 90);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    const int rows = static_cast<int>(Form->ArchiveRecords.size());
    ASSERT_GT(rows, 40);

    // The list in two copies.
    AnswerWithOk(PrintListDlg, [] { PrintListDlg->ED_NumCopy->SetText("2"); });
    Form->BTN_PrintArchiveClick(nullptr);
    const auto list = Job(1);
    ASSERT_GE(list.size(), 4u);
    ASSERT_EQ(list.size() % 2, 0u);
    EXPECT_EQ(Title(1), "Архив ключей QRV-4");
    const std::size_t pages = list.size() / 2;
    for (std::size_t copy = 0; copy < 2; ++copy) {
        std::string all;
        for (std::size_t p = 0; p < pages; ++p) {
            const std::string &page = list[copy * pages + p];
            EXPECT_TRUE(Has(page, "Код ключа"_a)) << copy << "/" << p;
            EXPECT_TRUE(Has(page, "Страница "_a + IntToStr(int(p) + 1))) << copy << "/" << p;
            all += page;
        }
        EXPECT_TRUE(Has(list[copy * pages], "Архив ключей QRV-4"_a));
        for (const ArchiveRecord &row : Form->ArchiveRecords) {
            const auto texts = ArchiveRowTexts(row);
            EXPECT_TRUE(Has(all, texts[1]) && Has(all, texts[5])) << texts[1].ToUtf8();
        }
        int keys = 0;
        for (const ArchiveRecord &row : Form->ArchiveRecords)
            keys += row.Count;
        const std::string &last = list[copy * pages + pages - 1];
        EXPECT_TRUE(Has(last, "Всего записей: "_a + IntToStr(rows)));
        EXPECT_TRUE(Has(last, "Всего ключей: "_a + IntToStr(keys)));
    }

    // A receipt for the second row.
    Config.ProductName = "Домофонный ключ"_a;
    Form->ED_Dallas->SetText("120");
    Form->ED_Metacom->SetText("150");
    Form->ED_Cyfral->SetText("170");
    Form->ED_Proxy->SetText("300");
    Form->ED_SellerName->SetText("ИП Иванов И.И."_a);
    Form->ED_SellerAddress->SetText("г. Москва, ул. Ленина, 1"_a);
    Form->ED_SellerBank->SetText("р/с 40802810000000000001"_a);
    Form->SG_Archive->SetRow(2);
    const ArchiveRecord &sold = Form->ArchiveRecords[1];
    AnswerWithOk(PrintTovcheckDlg, [] {
        PrintTovcheckDlg->ED_CountTovcheck->SetText("41");
        PrintTovcheckDlg->ED_Price->SetText("250");
    });
    Form->BTN_TovcheckClick(nullptr);
    const auto receipt = Job(2);
    ASSERT_EQ(receipt.size(), 1u);
    EXPECT_EQ(Title(2), "Товарный чек");
    const double sum = sold.Count * 250.0;
    for (const AnsiString &text :
         {"ИП Иванов И.И."_a, "г. Москва, ул. Ленина, 1"_a, "р/с 40802810000000000001"_a,
          "ТОВАРНЫЙ ЧЕК № 41"_a, PrintTovcheckDlg->DTP_Print->DisplayText(),
          "Домофонный ключ: "_a + ArchiveTypeText(sold.KeyType), sold.KeyText, AnsiString("250.00"),
          FormatFloat("0.00", sum), SumInWords(sum), "Продавец"_a})
        EXPECT_TRUE(Has(receipt[0], text)) << text.ToUtf8() << "\n" << receipt[0];
    EXPECT_EQ(Config.CountTovcheck, 42);

    // The address book.
    Form->WriterRows.assign(12, WriterRecord());
    Form->RenumberWriterRows();
    for (int cell : {4, 7, 9}) {
        WriterRecord &key = Form->WriterRows[cell];
        key.KeyType = cell % 4;
        key.WriteMode = 0;
        key.Name = "Подъезд "_a + IntToStr(cell);
        key.KeyHex = "01 23 45 67 89 AB CD " + IntToHex(cell, 2);
    }
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    Form->FillWriterGrid();
    AnswerWithOk(PrintListDlg, [] { PrintListDlg->ED_NumCopy->SetText("1"); });
    Form->PrintWriter(false);
    const auto book = Job(3);
    ASSERT_EQ(book.size(), 1u);
    EXPECT_EQ(Title(3), "Записная книжка QRV-4");
    EXPECT_TRUE(Has(book[0], "Ячейки с 0 по 11"_a));
    for (int cell : {4, 7, 9}) {
        const WriterRecord &key = Form->WriterRows[cell];
        EXPECT_TRUE(Has(book[0], key.Name) && Has(book[0], key.KeyHex) &&
                    Has(book[0], KeyTypeNames[key.KeyType][0]))
            << cell;
    }
}
