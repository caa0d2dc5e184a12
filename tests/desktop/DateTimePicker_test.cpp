// The class library's date picker in a real window on an X server of its own, worked with
// real input as a person works it: keys typed and the pointer clicked through xdotool.

#include "platform/vcl/ComCtrls.h"
#include "tests/desktop/XServerEnvironment.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace
{

using namespace vcltest;
using desktop::Xdotool;
using desktop::XServer;

class DateTimePickerOnX : public VclTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(XServer()) << "no X server could be started";
        VclTest::SetUp();
        TForm *form = ShownForm(400, 320);
        Picker = new TDateTimePicker(form);
        Picker->SetParent(form);
        Picker->SetBounds(20, 20, 160, 24);
        Picker->SetDateTime(EncodeDate(2024, 12, 7) + EncodeTime(15, 30, 0, 0));
        Picker->OnChange = [this](TObject *) { ++Changes; };
        ASSERT_TRUE(PumpUntil([form] { return OnScreen(form); }, 10000));
    }

    // A real click at a point of the picker's client area.
    void ClickAt(int X, int Y) const
    {
        const TPoint p = Picker->ClientToScreen(TPoint(X, Y));
        Xdotool("mousemove --sync " + std::to_string(p.X) + " " + std::to_string(p.Y) + " click 1");
    }
    static bool Until(const std::function<bool()> &Done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Done()) {
            if (std::chrono::steady_clock::now() >= end) return false;
            PumpFor(20);
        }
        return true;
    }
    TDateTime Day(int Year, int Month, int Day) const
    {
        return EncodeDate(Year, Month, Day) + EncodeTime(15, 30, 0, 0);
    }

    TDateTimePicker *Picker = nullptr;
    int Changes = 0;
};

} // namespace

TEST_F(DateTimePickerOnX, TypedDigitsTheArrowButtonAndTheCalendarSetTheDate)
{
    ClickAt(8, 12);
    ASSERT_TRUE(Until([&] { return Picker->Focused(); }));
    Xdotool("type --delay 30 03112025");
    EXPECT_TRUE(Until([&] { return Picker->DateTime() == Day(2025, 11, 3); }))
        << Picker->DisplayText().ToUtf8();

    // November 2025 begins on a Saturday: its second row runs from the 3rd to the 9th,
    // the 5th being the Wednesday.
    ClickAt(Picker->Width() - 8, 12);
    ASSERT_TRUE(Until([&] { return Picker->DroppedDown(); }));
    const TPoint below = Picker->ClientToScreen(TPoint(5, Picker->Height() + 5));
    TWinControl *calendar = FindControl(WindowFromPoint(POINT{below.X, below.Y}));
    ASSERT_TRUE(calendar && calendar != Form.get());
    const int cellWidth = 26, cellHeight = 18, daysTop = 4 + 1 + 24 + 20;
    const TPoint day5 = Picker->ScreenToClient(calendar->ClientToScreen(
        TPoint(5 + 2 * cellWidth + cellWidth / 2, daysTop + cellHeight + cellHeight / 2)));
    ClickAt(day5.X, day5.Y);
    EXPECT_TRUE(Until([&] { return !Picker->DroppedDown(); }));
    EXPECT_TRUE(Until([&] { return Picker->DateTime() == Day(2025, 11, 5); }))
        << Picker->DisplayText().ToUtf8();
    const int changesAfterClick = Changes;
    EXPECT_GE(changesAfterClick, 4);

    // Alt+Down opens it, the arrows walk the days and Enter chooses; F4 and Esc change nothing.
    Xdotool("key --delay 50 alt+Down");
    ASSERT_TRUE(Until([&] { return Picker->DroppedDown(); }));
    Xdotool("key --delay 50 Right Down Return");
    EXPECT_TRUE(Until([&] { return Picker->DateTime() == Day(2025, 11, 13); }))
        << Picker->DisplayText().ToUtf8();
    EXPECT_FALSE(Picker->DroppedDown());
    EXPECT_EQ(Changes, changesAfterClick + 1);
    Xdotool("key --delay 50 F4");
    ASSERT_TRUE(Until([&] { return Picker->DroppedDown(); }));
    Xdotool("key --delay 50 Left Escape");
    EXPECT_TRUE(Until([&] { return !Picker->DroppedDown(); }));
    EXPECT_EQ(Picker->DateTime(), Day(2025, 11, 13));
    EXPECT_EQ(Changes, changesAfterClick + 1);
}
