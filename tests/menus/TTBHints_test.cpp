// Hints of toolbar buttons and menu items: each button of a bar gets its own hint
// window as the pointer moves along the bar, the application's hint text is the
// hovered item's long hint, and menu items that ask for it show their hint while
// the menu's loop holds the mouse.

#include "menus/TB2Dock.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

using namespace menutest;
using vcltest::Pump;
using vcltest::PumpUntil;
using vcltest::ShownHint;

namespace
{

class HintsTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        Dock = new TTBDock(Form.get());
        Dock->SetParent(Form.get());
        Bar = new TTBToolbar(Form.get());
        Bar->SetHideWhenInactive(false);
        Bar->SetParent(Dock);
        AddItem(Bar->Items(), "Open")->SetHint("Open|Opens a file");
        AddItem(Bar->Items(), "Save")->SetHint("Save|Saves");
        Pump();
    }
    TPoint CentreOf(int Index) const
    {
        const TRect R = Bar->View()->Find(Bar->Items()->Items(Index))->BoundsRect();
        return Bar->ClientToScreen(TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
    }
    void MoveOver(int Index)
    {
        const TPoint At = CentreOf(Index);
        MoveTo(At.X, At.Y);
        Pump();
    }
    // Away from the bar, on the form.
    void MoveAway()
    {
        const TPoint At = Form->ClientToScreen(TPoint(300, 300));
        MoveTo(At.X, At.Y);
        Pump();
    }
    vcltest::QuickHints Quick;
    TTBDock *Dock = nullptr;
    TTBToolbar *Bar = nullptr;
};

TEST_F(HintsTest, ABarShowsEachButtonsOwnHintAsThePointerMovesAlongIt)
{
    Bar->SetShowHint(true);
    EXPECT_TRUE(Bar->View()->Style().Contains(vsAlwaysShowHints));
    MoveAway();
    MoveOver(0);
    EXPECT_EQ(Application->Hint(), "Opens a file");
    ASSERT_TRUE(PumpUntil([] { return ShownHint() == "Open"; }));
    MoveOver(1);
    EXPECT_EQ(Application->Hint(), "Saves");
    ASSERT_TRUE(PumpUntil([] { return ShownHint() == "Save"; }));

    // The program's own loop goes idle between messages, a thread timer waking it;
    // the bar's text stays.
    const UINT_PTR Timer = SetTimer({}, 0, 10, nullptr);
    for (int I = 0; I < 30; ++I)
        Application->HandleMessage();
    KillTimer({}, Timer);
    EXPECT_EQ(Application->Hint(), "Saves");

    MoveAway();
    EXPECT_EQ(ShownHint(), "");
    EXPECT_EQ(Application->Hint(), "");
}

TEST_F(HintsTest, ABarWithoutShowHintKeepsOnlyTheHintText)
{
    Bar->SetShowHint(true);
    Bar->SetShowHint(false);
    EXPECT_FALSE(Bar->View()->Style().Contains(vsAlwaysShowHints));
    MoveAway();
    MoveOver(0);
    vcltest::PumpFor(150);
    EXPECT_EQ(ShownHint(), "");
    EXPECT_EQ(Application->Hint(), "Opens a file");
}

// A bar learns that it shows hints from the form it sits on, through its dock.
TEST_F(HintsTest, ABarFollowsTheShowHintOfItsForm)
{
    Form->SetShowHint(true);
    EXPECT_TRUE(Bar->View()->Style().Contains(vsAlwaysShowHints));
    MoveAway();
    MoveOver(1);
    EXPECT_TRUE(PumpUntil([] { return ShownHint() == "Save"; }));
}

TEST_F(HintsTest, MenuItemsThatAskForItShowTheirHintWhileTheMenuIsOpen)
{
    TTBItem *Copy = AddItem(Menu->Items(), "Копировать");
    Copy->SetHint("Копировать|Копирует ключ"_a);
    Copy->SetOptions({tboShowHint});
    AddItem(Menu->Items(), "Вставить")->SetHint("Вставить|Вставляет ключ"_a);
    TTBItem *Erase = AddItem(Menu->Items(), "Удалить");
    Erase->SetHint("Удалить|Удаляет ключ"_a);
    Erase->SetOptions({tboShowHint});

    auto Centre = [](int Index) {
        const auto Popups = OpenPopups();
        TTBView *View = Popups.front()->View();
        const TRect R = View->Viewers(Index)->BoundsRect();
        return Popups.front()->ClientToScreen(
            TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
    };
    auto Over = [&](int Index) {
        return [&, Index] {
            const TPoint At = Centre(Index);
            MoveTo(At.X, At.Y);
        };
    };
    // What the hint window and the application's hint text said at each look.
    std::vector<std::pair<AnsiString, AnsiString>> Seen;
    auto Look = [&] { Seen.emplace_back(ShownHint(), Application->Hint()); };
    // Each look waits for the hovered item's text: a hint that comes shows after its pause,
    // one that does not was cancelled with the move.
    auto Hovered = [](const char *Text) {
        return [Text] { return Application->Hint() == AnsiString::FromUtf8(Text); };
    };
    auto HintUp = [](const char *Text) {
        return [Text] { return ShownHint() == AnsiString::FromUtf8(Text); };
    };
    MenuScript Script;
    Script.Do(Over(0)).Until(HintUp("Копировать")).Do(Look);
    Script.Do(Over(1)).Until(Hovered("Вставляет ключ")).Do(Look);
    Script.Do(Over(2)).Until(HintUp("Удалить")).Do(Look);
    Script.Do([] { Press(VK_ESCAPE); });
    Menu->Popup(100, 100);
    Pump();
    ASSERT_TRUE(Script.Done());
    using Pair = std::pair<AnsiString, AnsiString>;
    EXPECT_EQ(Seen, (std::vector<Pair>{{"Копировать"_a, "Копирует ключ"_a},
                                       {"", "Вставляет ключ"_a},
                                       {"Удалить"_a, "Удаляет ключ"_a}}));
    // Closing the menu takes its hint and its text away.
    EXPECT_EQ(ShownHint(), "");
    EXPECT_EQ(Application->Hint(), "");
}

} // namespace
