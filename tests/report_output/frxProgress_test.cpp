// The progress window: its bar, its message, its cancel button and the form
// it keeps disabled while it shows.

#include "report_output/frxProgress.h"

#include "platform/win/PrintService.h"

#include "tests/report/ReportTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

using namespace vcltest;

namespace
{

class ProgressTest : public VclTest
{
};

TEST_F(ProgressTest, ShowsMessageBarAndCancelAsAsked)
{
    TfrxProgress Progress(nullptr);
    EXPECT_EQ(Progress.CancelB->Caption(), Cp("Отмена"));
    EXPECT_EQ(Progress.ClientWidth(), 271);
    EXPECT_EQ(Progress.BorderStyle(), bsNone);
    Progress.Execute(5, Cp("Печатается страница 1"), true, true);
    EXPECT_TRUE(Progress.Visible());
    EXPECT_EQ(Progress.LMessage->Caption(), Cp("Печатается страница 1"));
    EXPECT_TRUE(Progress.Bar->Visible());
    EXPECT_EQ(Progress.LMessage->Top(), 15);
    EXPECT_EQ(Progress.Bar->Max(), 5);
    EXPECT_FALSE(Progress.Terminated());

    Progress.Execute(5, "x", false, false);
    EXPECT_FALSE(Progress.Bar->Visible());
    EXPECT_FALSE(Progress.CancelB->Visible());
    EXPECT_EQ(Progress.LMessage->Top(), 35);
}

TEST_F(ProgressTest, TickStopsAtTheBarMaximum)
{
    TfrxProgress Progress(nullptr);
    Progress.Execute(2, "", false, true);
    Progress.Tick();
    Progress.Tick();
    EXPECT_EQ(Progress.Position(), 2);
    Progress.Tick();
    EXPECT_EQ(Progress.Position(), 2);
    EXPECT_EQ(Progress.Bar->Position(), 2);
    Progress.Reset();
    EXPECT_EQ(Progress.Position(), 0);
}

TEST_F(ProgressTest, EscapePressesCancelAndStops)
{
    TfrxProgress Progress(nullptr);
    Progress.Execute(10, "", true, true);
    Pump();
    KeyDown(VK_ESCAPE);
    KeyUp(VK_ESCAPE);
    Pump();
    EXPECT_TRUE(Progress.Terminated());
    EXPECT_FALSE(Progress.Visible());
}

TEST_F(ProgressTest, NcHitTestTurnsClientIntoCaption)
{
    TfrxProgress Progress(nullptr);
    Progress.Execute(1, "", true, false);
    const TPoint Centre = Progress.ClientToScreen(TPoint(5, 95));
    EXPECT_EQ(SendMessage(Progress.Handle(), WM_NCHITTEST, 0, MAKELPARAM(Centre.X, Centre.Y)),
              HTCAPTION);
}

TEST_F(ProgressTest, ActiveFormIsDisabledWhileShownAndEnabledAfter)
{
    TForm *Owner = ShownForm();
    ASSERT_EQ(Screen->ActiveForm(), Owner);
    {
        TfrxProgress Progress(nullptr);
        EXPECT_EQ(Progress.ActiveForm(), Owner);
        EXPECT_FALSE(Owner->Enabled());
        Progress.Execute(1, "", true, false);
        Progress.Hide();
        EXPECT_TRUE(Owner->Enabled());
        Progress.Execute(1, "", true, false);
    }
    EXPECT_TRUE(Owner->Enabled());
}

TEST_F(ProgressTest, FreedActiveFormIsNotTouchedAgain)
{
    TForm *Owner = ShownForm();
    ASSERT_EQ(Screen->ActiveForm(), Owner);
    TfrxProgress Progress(nullptr);
    Progress.Execute(1, "", true, false);
    Form.reset();
    EXPECT_EQ(Progress.ActiveForm(), nullptr);
    Progress.Hide(); // would re-enable freed memory otherwise
    Pump();
}

// The progress window shows the waits for the print service that no window of the caller's
// shows, for the test's length.
struct PrintWaitBoxes {
    PrintWaitBoxes() { win::SetPrintWaitBoxFactory(frxPrintServiceWaitBox); }
    ~PrintWaitBoxes() { win::SetPrintWaitBoxFactory({}); }
    PrintWaitBoxes(const PrintWaitBoxes &) = delete;
    PrintWaitBoxes &operator=(const PrintWaitBoxes &) = delete;
};

// Waits for a question to the print service that does not come back until the wait ends.
// Meanwhile, as a user who keeps an eye on the screen, Look runs on Window's thread whenever
// the wait takes messages, until it has seen what it looks for.
win::WaitEnd WaitWatching(TForm *Window, const std::function<bool()> &Look)
{
    const ScreenWatch watch(Window, Look);
    auto held = std::make_shared<std::atomic<bool>>(true);
    const win::WaitEnd end = win::AskCancellably([held](win::PrintErrand &) {
        while (*held)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    *held = false;
    // A question given up keeps the next ones from the service until it comes back.
    PumpUntil([] { return win::AskInTime([](win::PrintErrand &) {}); }, 10000);
    return end;
}

// A wait for the print service that shows no window of its own: within its first second the
// progress window says what is waited for, under the title of a print, with the form it came
// from disabled; Escape on it ends the wait at once, as Отмена does, and it goes with the wait.
TEST_F(ProgressTest, AWaitForThePrintServiceShowsItselfAndEscapeCancelsIt)
{
    const PrintWaitBoxes boxes;
    TForm *owner = ShownForm();
    AnsiString title, line;
    bool ownerDisabled = false;
    const win::WaitEnd end = WaitWatching(owner, [&] {
        TfrxProgress *box = VisibleForm<TfrxProgress>();
        if (!box) return false;
        title = box->Caption();
        line = box->LMessage->Caption();
        ownerDisabled = !owner->Enabled();
        Key(VK_ESCAPE);
        return true;
    });
    EXPECT_EQ(end, win::WaitEnd::Cancelled) << "Escape did not end the wait";
    EXPECT_EQ(title, Cp("Печать"));
    EXPECT_EQ(line, Cp("Ожидание ответа службы печати…"));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(VisibleForm<TfrxProgress>(), nullptr) << "the box outlived the wait";
    EXPECT_TRUE(owner->Enabled());
}

// A print under way that waits for the print service (its document handed over after the last
// page): the printing box no longer names the page that went before, it says what is waited for,
// and Escape on it ends the wait.
TEST_F(ProgressTest, AWaitThatLastsUnderThePrintingBoxIsToldOnIt)
{
    TForm *owner = ShownForm();
    TfrxProgress Progress(nullptr);
    Progress.Execute(0, Cp("Печатается страница 3"), true, false);
    const AnsiString waitLine = Cp("Ожидание ответа службы печати…");
    bool told = false;
    const win::WaitEnd end = WaitWatching(owner, [&] {
        if (Progress.LMessage->Caption() != waitLine) return false;
        told = true;
        Key(VK_ESCAPE);
        return true;
    });
    EXPECT_TRUE(told) << "the box named the page while the print waited for the service";
    EXPECT_EQ(end, win::WaitEnd::Cancelled) << "Escape did not end the wait";
    EXPECT_EQ(VisibleForm<TfrxProgress>(), nullptr);
}

} // namespace
