// The end of the session from outside: the signals of a logout, a closed terminal and Ctrl+C
// close the main form without asking, whatever loop runs, and Qt's exit at the display's loss
// lets the program save first. Each case runs in a program started afresh for it, as the
// application ends there for good.

#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/SessionEnd.h"

#include <QApplication>
#include <QDialog>

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace
{

// The child starts the test program afresh: one forked from a program with Qt's threads may
// hang in a lock one of them held.
template <class Base> class AfreshTest : public Base
{
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
using SessionEnd = AfreshTest<testing::Test>;
using DisplayLoss = AfreshTest<testing::Test>;

// The main form of a program as it starts, whose close says on the error stream what it saw.
TForm *StartProgram()
{
    vcltest::StartApplication();
    TForm *form = nullptr;
    Application->CreateForm(form);
    form->OnCloseQuery = [](TObject *, bool &) {
        std::fprintf(stderr, "asked %s\n", Application->SessionEnding() ? "no one" : "the user");
    };
    form->OnClose = [](TObject *, TCloseAction &) { std::fprintf(stderr, "closed\n"); };
    Application->EndWithSession();
    return form;
}

// Runs Action once from the message loop, soon.
void Soon(std::function<void()> Action)
{
    auto *timer = new TTimer(Application);
    timer->SetInterval(10);
    timer->OnTimer = [timer, Action = std::move(Action)](TObject *) {
        timer->SetEnabled(false);
        Action();
    };
}

// Says on the error stream what Ask, a modal call, answered, or that it gave no answer.
void TellTheAnswer(const std::function<int()> &Ask)
{
    try {
        std::fprintf(stderr, "answered %d\n", Ask());
    } catch (const EAbort &) {
        std::fprintf(stderr, "no answer\n");
    }
}

using EndSignal = AfreshTest<testing::TestWithParam<int>>;

TEST_P(EndSignal, ClosesTheMainFormWithoutAskingAndEndsTheLoop)
{
    EXPECT_EXIT(
        {
            StartProgram();
            std::raise(GetParam());
            Application->Run();
            std::fprintf(stderr, "the loop ended\n");
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "asked no one\nclosed\nthe loop ended\n");
}

INSTANTIATE_TEST_SUITE_P(SessionEnd, EndSignal, testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const auto &Info) { return std::string(sigabbrev_np(Info.param)); });

// The close runs while the box is up, and the box does not keep the program: it ends as its
// window would be closed. Nor does it hand an answer back: what waited on it would go on
// after the close has saved.
TEST_F(SessionEnd, AMessageBoxOpenWhenTheSignalComesEndsAfterTheCloseWithoutAnAnswer)
{
    EXPECT_EXIT(
        {
            StartProgram()->Show();
            vcl::SetDialogService(nullptr);
            Soon([] { std::raise(SIGTERM); });
            TellTheAnswer(
                [] { return Application->MessageBox("Сохранить?"_a, "QRV-4", MB_YESNO); });
            Application->Run();
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "asked no one\nclosed\nno answer\n");
}

// The same for a dialog of Qt's, even one confirmed as the signal came.
TEST_F(SessionEnd, AQtDialogOpenWhenTheSignalComesGivesNoAnswer)
{
    EXPECT_EXIT(
        {
            TForm *form = StartProgram();
            form->Show();
            form->OnClose = [](TObject *, TCloseAction &) {
                std::fprintf(stderr, "closed\n");
                if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                    dialog->accept();
            };
            vcl::SetDialogService(nullptr);
            Soon([] { std::raise(SIGTERM); });
            TColorDialog colours(nullptr);
            TellTheAnswer([&] { return static_cast<int>(colours.Execute()); });
            Application->Run();
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "asked no one\nclosed\nno answer\n");
}

// A box the close shows itself is answered, and the close goes on past it.
TEST_F(SessionEnd, ABoxTheCloseShowsIsAnsweredAndTheCloseGoesOn)
{
    EXPECT_EXIT(
        {
            TForm *form = StartProgram();
            form->Show();
            form->OnClose = [](TObject *, TCloseAction &) {
                TellTheAnswer([] { return Application->MessageBox("Ошибка"_a, "QRV-4"); });
                std::fprintf(stderr, "closed\n");
            };
            vcl::SetDialogService(nullptr);
            std::raise(SIGTERM);
            Application->Run();
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "asked no one\nanswered 2\nclosed\n");
}

// A second signal while the first one's close runs starts no second close.
TEST_F(SessionEnd, ASecondSignalDuringTheCloseClosesNothingMore)
{
    EXPECT_EXIT(
        {
            TForm *form = StartProgram();
            form->OnClose = [](TObject *, TCloseAction &) {
                std::fprintf(stderr, "closed\n");
                // What the second signal becomes, handled before the close goes on.
                PostMessageW(Application->Handle(), WM_ENDSESSION, TRUE, 0);
                Application->ProcessMessages();
            };
            std::raise(SIGINT);
            Application->Run();
            std::fprintf(stderr, "the loop ended\n");
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "asked no one\nclosed\nthe loop ended\n");
}

// Ends the session inside a hold, its hand-over begun when Committed, and handles messages until
// the signal has reached the application; then the hold's work is done and the hold ends.
void EndInsideAHold(bool Committed)
{
    {
        const vcl::TCommitHold hold;
        if (Committed) Application->Committing();
        bool signalled = false;
        Application->HookMainWindow(&signalled, [&](TMessage &Message) {
            signalled = signalled || Message.Msg == WM_ENDSESSION;
            return false;
        });
        std::raise(SIGTERM);
        while (!signalled)
            Application->HandleMessage();
        Application->UnhookMainWindow(&signalled);
        std::fprintf(stderr, "work kept\n");
    }
    std::fprintf(stderr, "hold ended\n");
}

// The program's loop running a hold that the session's end comes into.
[[noreturn]] void RunEndingInsideAHold(bool Committed)
{
    StartProgram();
    Soon([Committed] { EndInsideAHold(Committed); });
    Application->Run();
    std::fprintf(stderr, "the loop ended\n");
    std::_Exit(0);
}

// What a hand-over cannot take back is kept before the close saves: the close waits for the hold
// and runs from the loop right after it.
TEST_F(SessionEnd, ASignalDuringAHandOverClosesOnceTheHoldEnds)
{
    EXPECT_EXIT(RunEndingInsideAHold(true), testing::ExitedWithCode(0),
                "work kept\nhold ended\nasked no one\nclosed\nthe loop ended\n");
}

// Before its hand-over the work under a hold is stopped by the close as any other.
TEST_F(SessionEnd, ASignalUnderAHoldBeforeItsHandOverClosesAtOnce)
{
    EXPECT_EXIT(RunEndingInsideAHold(false), testing::ExitedWithCode(0),
                "asked no one\nclosed\nwork kept\nhold ended\nthe loop ended\n");
}

// Ctrl+C also ends whatever reads the program's output (`make run | tee`): what the close
// writes there fails, and the close goes on.
TEST_F(SessionEnd, AWriteToAReaderGoneDuringTheCloseFailsAndTheCloseGoesOn)
{
    EXPECT_EXIT(
        {
            TForm *form = StartProgram();
            form->OnClose = [](TObject *, TCloseAction &) {
                int output[2];
                if (pipe(output) != 0) std::_Exit(2);
                close(output[0]);
                const bool failed = write(output[1], "x", 1) < 0 && errno == EPIPE;
                std::fprintf(stderr, "closed, the write %s\n", failed ? "failed" : "went through");
            };
            std::raise(SIGINT);
            Application->Run();
            std::fprintf(stderr, "the loop ended\n");
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "asked no one\nclosed, the write failed\nthe loop ended\n");
}

// nohup's SIGHUP, and a background job's SIGINT, are the user's choice to go on.
TEST_F(SessionEnd, ASignalIgnoredAtStartStaysIgnoredAndTheWatchGivesBackTheRest)
{
    vcltest::StartApplication();
    std::signal(SIGHUP, SIG_IGN);
    {
        const vcl::TEndSignalWatch watch([] {});
        EXPECT_EQ(std::signal(SIGHUP, SIG_IGN), SIG_IGN);
        const auto term = std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGTERM, term);
        EXPECT_NE(term, SIG_DFL);
    }
    EXPECT_EQ(std::signal(SIGTERM, SIG_DFL), SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
}

// Qt ends the process by exit() when the display goes away, from inside the loop.
TEST_F(DisplayLoss, TheProgramSavesBeforeTheProcessEnds)
{
    EXPECT_EXIT(
        {
            StartProgram()->Show();
            Application->OnDisplayLost = [](TObject *) { std::fprintf(stderr, "saved\n"); };
            Soon([] { std::exit(1); });
            Application->Run();
            std::_Exit(0);
        },
        testing::ExitedWithCode(1), "saved\n");
}

// Once the loop has ended the close has saved; its exit is no display's loss.
TEST_F(DisplayLoss, AnExitAfterTheLoopEndedSavesNothing)
{
    EXPECT_EXIT(
        {
            StartProgram()->Show();
            Application->OnDisplayLost = [](TObject *) { std::_Exit(3); };
            Soon([] { Application->Terminate(); });
            Application->Run();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
