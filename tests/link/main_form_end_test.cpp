// The main window when the session ends from outside: a signal closes it as Выход does without
// a question, and the display's loss keeps what a close keeps without touching the window.

#include "link/main_form.h"
#include "tests/link/MainFormTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
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
