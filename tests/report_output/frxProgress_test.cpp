// The progress window: its bar, its message, its cancel button and the form
// it keeps disabled while it shows.

#include "report_output/frxProgress.h"

#include "tests/report/ReportTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

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

} // namespace
