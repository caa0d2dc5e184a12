// The main window when the session ends from outside: a signal closes it as Выход does without
// a question, an operation that waits on a box goes no further, and the display's loss keeps
// what a close keeps without touching the window.

#include "link/main_form.h"
#include "operations/print_tovcheck_dialog.h"
#include "platform/win/CupsLibrary.h"
#include "report/frxPrinter.h"
#include "report_output/frxPreviewPages.h"
#include "tests/link/MainFormTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/support/TestFolder.h"
#include "tests/vcl/VclTestSupport.h"
#include "tools/devsim/AddressBook.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/program/ProgramPort.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cups/cups.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

using namespace maintest;

namespace
{

// The program ends for good in these: each runs in a child started afresh for it.
class SessionEndTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        MainFormTest::SetUp();
    }

    // The main window as the program makes it, activated as shown, on its configuration page
    // with a price typed and the address book's name column widened.
    void StartWithChanges()
    {
        Application->CreateForm(MainForm);
        MainForm->FormActivate(MainForm);
        MainForm->SG_Writer->SetColWidths(1, 300);
        MainForm->PC_Tabs->SetActivePage(MainForm->Sheet_Configure);
        MainForm->ED_Dallas->SetText("777");
    }

    // Says on the error stream what the program kept, and ends the child. The settings are in
    // the program's code page, which the stream's reader would not take for text.
    [[noreturn]] void TellWhatWasKeptAndEnd()
    {
        const std::string settings = ConfigBytes();
        const auto price = settings.find("PriceDallas=");
        std::fprintf(stderr, "settings: %s\nwriter layout: %s\n",
                     settings.substr(price, settings.find('\r', price) - price).c_str(),
                     FileText("grid_writer.txt").c_str());
        testsupport::RemoveTestFolder(Folder);
        std::_Exit(0);
    }
};

TEST_F(SessionEndTest, ASignalKeepsTheTypedPriceAndTheLayoutsAndEndsTheProgram)
{
    EXPECT_EXIT(
        {
            StartWithChanges();
            Application->EndWithSession();
            std::raise(SIGTERM);
            Application->Run();
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0),
        "settings: PriceDallas=777\nwriter layout: 77\n300\n109\n326\n");
}

// A write under way would ask whether to cut it short; no one is there to answer.
TEST_F(SessionEndTest, ASignalDuringADeviceWriteStopsItWithoutAQuestion)
{
    EXPECT_EXIT(
        {
            vcl::ScriptedDialogs dialogs;
            vcl::SetDialogService(&dialogs);
            StartWithChanges();
            MainForm->SetBusy(false);
            MainForm->OptionsWriteStep = 0;
            Application->EndWithSession();
            std::raise(SIGHUP);
            Application->Run();
            std::fprintf(stderr, "questions: %zu, write step: %d\n", dialogs.Messages().size(),
                         MainForm->OptionsWriteStep);
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0), "questions: 0, write step: -1\nsettings: PriceDallas=777\n");
}

// The program on a simulated device, its boxes the real ones, with an operation waiting on a
// box when the session ends: the operation goes no further, so nothing reaches the device or
// the files after the close has saved.
class BoxOpenAtTheEnd : public SessionEndTest
{
protected:
    void SetUp() override
    {
        SessionEndTest::SetUp();
        Sim = std::make_unique<devsim::TSimulator>();
        devsim::ExposeToProgram(*Sim, Com, Folder / "ports");
        WriteConfigText("[COM]\r\nCOM_port=" + std::to_string(Com) + "\r\nCOM_speed=57600\r\n");
    }

    void TearDown() override
    {
        Sim.reset();
        SessionEndTest::TearDown();
    }

    // The program as it starts, ended by the session's signals, its window on the screen.
    void Start()
    {
        vcl::SetDialogService(nullptr);
        StartWithChanges();
        Application->EndWithSession();
        MainForm->Show();
    }

    // Sends the session's end once Open holds. Qt's timer, which also fires in a loop of Qt's
    // own.
    void EndOnceOpen(std::function<bool()> Open)
    {
        FWatch.setInterval(5);
        QObject::connect(&FWatch, &QTimer::timeout, [this, Open = std::move(Open)] {
            if (!Open()) return;
            FWatch.stop();
            std::raise(SIGTERM);
        });
        FWatch.start();
    }

    // Runs Handler from the message loop, as a click does, and the loop until the program ends.
    static void RunWith(std::function<void()> Handler)
    {
        TTimer soon(nullptr);
        soon.SetInterval(1);
        soon.OnTimer = [&](TObject *) {
            soon.SetEnabled(false);
            Handler();
        };
        Application->Run();
    }

    // What the device was sent, told as the child ends.
    void TellWhatTheDeviceGot() const
    {
        std::fprintf(stderr, "port open: %d, frames: %zu\n", MainForm->CommPort1->Open(),
                     Sim->Frames().size());
    }

    static constexpr int Com = 251;
    std::unique_ptr<devsim::TSimulator> Sim;

private:
    QTimer FWatch;
};

// One of our own boxes, shown with Caption over the main window.
bool BoxShown(const AnsiString &Caption)
{
    TCustomForm *active = Screen->ActiveForm();
    return active && active != MainForm && active->Caption() == Caption;
}

// The book's write waits on the box that tells of the rows it leaves out; after the close it
// reopened the port and sent the rest.
TEST_F(BoxOpenAtTheEnd, TheBookWriteWaitingOnAMessageBoxSendsNothing)
{
    EXPECT_EXIT(
        {
            Start();
            MainForm->WriterRows.assign(10, WriterRecord());
            MainForm->RenumberWriterRows();
            // A locked Cyfral key with no device form to send is left out, the other written.
            WriterRecord &locked = MainForm->WriterRows[3];
            locked.KeyType = 2;
            locked.WriteMode = 2;
            locked.KeyHex = "B5 00 00 81 82 84 88 01";
            locked.Changed = 1;
            WriterRecord &dallas = MainForm->WriterRows[4];
            dallas.KeyType = 0;
            dallas.KeyHex = "5B 23 45 67 89 AB CD EF";
            dallas.Changed = 1;
            MainForm->FillWriterGrid();
            EndOnceOpen([] { return BoxShown("Внимание!"_a); });
            RunWith([] { MainForm->BTN_WriterSaveClick(MainForm->BTN_WriterSave); });
            TellWhatTheDeviceGot();
            std::fprintf(stderr, "cell 4 %s\n",
                         devsim::ReadCell(Sim->Snapshot(), 4) == devsim::EmptyAddressBookCell()
                             ? "as it was"
                             : "written");
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0),
        "port open: 0, frames: 0\ncell 4 as it was\nsettings: PriceDallas=777\n");
}

// Qt asks itself before its save dialog replaces a file, in a loop of its own: the session's
// end waited on the answer, and a Да given then replaced the book.
TEST_F(BoxOpenAtTheEnd, TheBookSaveWaitingOnTheSaveDialogsQuestionWritesNoFile)
{
    EXPECT_EXIT(
        {
            Start();
            MainForm->WriterRows.assign(10, WriterRecord());
            MainForm->RenumberWriterRows();
            MainForm->FillWriterGrid();
            WriteFile("book.dbf", "the user's book");
            const QString path = QString::fromStdString((Folder / "book.dbf").string());
            // The name typed and confirmed; the question comes up inside the confirmation.
            QTimer typing;
            typing.setInterval(5);
            QObject::connect(&typing, &QTimer::timeout, [&] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                auto *name = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
                if (!name) return;
                typing.stop();
                name->setText(path);
                static_cast<QDialog *>(dialog)->accept();
            });
            typing.start();
            // A user who comes back to the question, still open a while after the end, answers Да.
            bool answered = false;
            QTimer user;
            user.setSingleShot(true);
            user.setInterval(2000);
            QObject::connect(&user, &QTimer::timeout, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    answered = true;
                    box->button(QMessageBox::Yes)->click();
                }
            });
            EndOnceOpen([&] {
                if (!qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) return false;
                user.start();
                return true;
            });
            RunWith([] { MainForm->BTN_WriterSaveToFileClick(MainForm->BTN_WriterSaveToFile); });
            std::fprintf(stderr, "the question %s, the book %s\n",
                         answered ? "was answered" : "went unanswered",
                         FileText("book.dbf") == "the user's book" ? "as it was" : "replaced");
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0),
        "the question went unanswered, the book as it was\nsettings: PriceDallas=777\n");
}

// The receipt's dialog is a form of the program shown modally; what follows it prints and
// counts the receipt in the settings file.
TEST_F(BoxOpenAtTheEnd, TheReceiptWaitingOnItsDialogPrintsNothingAndKeepsTheSavedSettings)
{
    EXPECT_EXIT(
        {
            frxPrinters()->StandIn(
                std::make_unique<TfrxVirtualPrinter>("Принтер теста"_a, AnsiString()));
            int printed = 0;
            frxSetPrintPagesHandler([&](TfrxPreviewPages *) {
                ++printed;
                return true;
            });
            Start();
            Application->CreateForm(PrintTovcheckDlg);
            ServeSampleArchive(*Sim, 3);
            if (!ReadArchive(*MainForm, 30000)) {
                testsupport::RemoveTestFolder(Folder);
                std::_Exit(2);
            }
            EndOnceOpen([] { return PrintTovcheckDlg->Visible(); });
            RunWith([] { MainForm->BTN_TovcheckClick(MainForm->BTN_Tovcheck); });
            const std::string settings = ConfigBytes();
            const auto count = settings.find("CountTovcheck=");
            std::fprintf(stderr, "printed: %d, %s\n", printed,
                         settings.substr(count, settings.find('\r', count) - count).c_str());
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0), "printed: 0, CountTovcheck=1\nsettings: PriceDallas=777\n");
}

// The receipt printed through the main window to a queue of a scheduler of the child's own.
class ReceiptAtTheEnd : public BoxOpenAtTheEnd
{
protected:
    // The program started on the device's archive with its receipt dialog answered with OK, the
    // queue "Office" the default; false, and the test's outcome says so, when any of it failed.
    bool StartToPrintTheReceipt(printtest::PrivateCups &Cups)
    {
        if (!Cups.Running() || !Cups.AddPdfQueue("Office") || !Cups.SetDefault("Office"))
            std::fprintf(stderr, "no scheduler: %s\n", Cups.Why().c_str());
        Start();
        Application->CreateForm(PrintTovcheckDlg);
        frxPrinters()->Refresh();
        ServeSampleArchive(*Sim, 3);
        if (!ReadArchive(*MainForm, 30000)) return false;
        PrintTovcheckDlg->OnShow = [](TObject *) {
            vcltest::Click(static_cast<TControl *>(PrintTovcheckDlg->FindComponent("BTN_Ok")), 10,
                           10);
        };
        return true;
    }

    // The jobs Queue holds or has printed.
    static int JobsOf(const char *Queue)
    {
        cups_job_t *jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, Queue, 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(count, jobs);
        return count;
    }

    // The receipt number the settings file holds.
    std::string CountOnDisk() const
    {
        const std::string settings = ConfigBytes();
        const auto count = settings.find("CountTovcheck=");
        return settings.substr(count, settings.find('\r', count) - count);
    }
};

// The session ending while the receipt's page is made or while it goes out: the close runs under
// the print, after which the job went to the queue and the receipt's number was spent in the
// settings file the close had written.
class PrintAtTheEnd : public ReceiptAtTheEnd, public testing::WithParamInterface<TfrxProgressType>
{
protected:
    // Ends the session at the first step of the receipt's run of kind During.
    static void EndDuring(TfrxProgressType During)
    {
        MainForm->frxReportTovcheck()->OnProgress =
            [During, sent = false](TfrxReport *, TfrxProgressType Type, int) mutable {
                if (Type != During || sent) return;
                sent = true;
                std::raise(SIGTERM);
            };
    }
};

TEST_P(PrintAtTheEnd, TheReceiptUnderWayHandsNothingToTheSpoolerAndSpendsNoNumber)
{
    EXPECT_EXIT(
        {
            int jobs = -1;
            {
                printtest::PrivateCups cups;
                if (StartToPrintTheReceipt(cups)) {
                    EndDuring(GetParam());
                    RunWith([] { MainForm->BTN_TovcheckClick(MainForm->BTN_Tovcheck); });
                    jobs = JobsOf("Office");
                }
            }
            std::fprintf(stderr, "jobs: %d, %s\n", jobs, CountOnDisk().c_str());
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0), "jobs: 0, CountTovcheck=1\nsettings: PriceDallas=777\n");
}

INSTANTIATE_TEST_SUITE_P(SessionEnd, PrintAtTheEnd, testing::Values(ptRunning, ptPrinting),
                         [](const auto &Info) {
                             return std::string(Info.param == ptRunning ? "WhileMade" : "GoingOut");
                         });

// The session ending while the receipt's finished job waits on the scheduler to take it: the
// close ran as the print's window went, and the handler then spent the receipt's number in a
// settings file written after the close's save. Held back, the number issued again would have
// been on paper already.
class HandOverAtTheEnd : public ReceiptAtTheEnd
{
protected:
    // Keeps in Saved the settings file as the close leaves it.
    void KeepWhatTheCloseSaves(std::string &Saved)
    {
        MainForm->OnClose = [this, &Saved, close = MainForm->OnClose](TObject *Sender,
                                                                      TCloseAction &Action) {
            close(Sender, Action);
            Saved = ConfigBytes();
        };
    }
};

TEST_F(HandOverAtTheEnd, TheReceiptHandedOverIsPrintedOnceAndItsNumberIsInTheClosesSave)
{
    EXPECT_EXIT(
        {
            int jobs = -1;
            bool endedWhileHandedOver = false;
            std::string closeSaved;
            {
                printtest::PrivateCups cups;
                win::SetCupsLibrary(printtest::InterruptingCupsLibrary());
                if (StartToPrintTheReceipt(cups)) {
                    KeepWhatTheCloseSaves(closeSaved);
                    // The scheduler stops once it has the job, the program waiting on it to take
                    // the document; the session ends then, and the scheduler goes on.
                    cups.InterruptAtNextJob(printtest::PrivateCups::JobStep::Created, SIGSTOP);
                    std::atomic<bool> printed{false};
                    std::atomic<bool> ended{false};
                    std::thread session([&] {
                        while (!printed && !(cups.Silenced() && printtest::CupsCallsUnderway() > 0))
                            std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        if (!printed) {
                            ended = true;
                            kill(getpid(), SIGTERM);
                        }
                        cups.Resume();
                    });
                    RunWith([&] {
                        MainForm->BTN_TovcheckClick(MainForm->BTN_Tovcheck);
                        printed = true;
                        // A print that never waited on the scheduler leaves the end to us.
                        if (!ended) std::raise(SIGTERM);
                    });
                    session.join();
                    endedWhileHandedOver = ended;
                    jobs = JobsOf("Office");
                }
            }
            std::fprintf(stderr, "jobs: %d, %s, ended %s, written after the close: %s\n", jobs,
                         CountOnDisk().c_str(),
                         endedWhileHandedOver ? "in the hand-over" : "after it",
                         ConfigBytes() == closeSaved ? "nothing" : "the settings");
            TellWhatWasKeptAndEnd();
        },
        testing::ExitedWithCode(0),
        "jobs: 1, CountTovcheck=2, ended in the hand-over, written after the close: "
        "nothing\nsettings: PriceDallas=777\n");
}

// What the program says on its error stream meanwhile.
class StderrToPipe
{
public:
    StderrToPipe() : FSaved(dup(STDERR_FILENO))
    {
        if (pipe(FPipe) == 0) dup2(FPipe[1], STDERR_FILENO);
    }
    ~StderrToPipe()
    {
        dup2(FSaved, STDERR_FILENO);
        for (int fd : {FSaved, FPipe[0], FPipe[1]})
            close(fd);
    }
    StderrToPipe(const StderrToPipe &) = delete;
    StderrToPipe &operator=(const StderrToPipe &) = delete;

    // What came so far; the pipe holds more than the few lines a test says.
    std::string Said() const
    {
        std::fflush(stderr);
        fcntl(FPipe[0], F_SETFL, O_NONBLOCK);
        std::string text;
        char chunk[256];
        for (ssize_t n; (n = read(FPipe[0], chunk, sizeof chunk)) > 0;)
            text.append(chunk, static_cast<std::size_t>(n));
        return text;
    }

private:
    int FSaved;
    int FPipe[2] = {-1, -1};
};

} // namespace

TEST_F(MainFormTest, AtTheDisplaysLossWhatACloseKeepsIsKept)
{
    TMainForm *form = Build();
    form->FormActivate(form);
    form->SG_Archive->SetColWidths(2, 150);
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("777");
    form->SetLeft(40);
    form->SetTop(60);
    form->DisplayLost();
    EXPECT_NE(ConfigBytes().find("PriceDallas=777\r\n"), std::string::npos) << ConfigBytes();
    EXPECT_NE(ConfigBytes().find("[COORD]\r\nLeft=40\r\nTop=60\r\n"), std::string::npos);
    EXPECT_EQ(FileText("grid_archive.txt"), "77\n142\n150\n141\n81\n304\n");
    EXPECT_EQ(FileText("grid_writer.txt"), "77\n236\n109\n326\n");
}

// With no window left to say it in, a price that could not be kept is said on the terminal.
TEST_F(MainFormTest, AtTheDisplaysLossSettingsNotKeptAreSaidOnTheTerminalNotInTheWindow)
{
    TMainForm *form = Build();
    const std::string before = ConfigBytes();
    form->ED_Dallas->SetText("777");
    const AnsiString status = form->StatusBarMain->SimpleText();
    std::string said;
    {
        // Through a pipe: the limit on the size of files would cut a file short.
        const StderrToPipe terminal;
        testsupport::FileSizeLimit full(64);
        form->DisplayLost();
        said = terminal.Said();
    }
    EXPECT_EQ(ConfigBytes(), before);
    EXPECT_NE(said.find((Folder / "qrv4.cfg").string()), std::string::npos) << said;
    EXPECT_EQ(form->StatusBarMain->SimpleText(), status);
}
