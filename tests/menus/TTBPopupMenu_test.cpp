#include "tests/menus/MenuTestSupport.h"

#include "menus/TTBItemViewer.h"
#include "platform/vcl/Forms.h"

using namespace menutest;

namespace
{

class PopupMenuTest : public MenuTest
{
protected:
    // Opens the menu at a point and runs the script inside its loop; the
    // window's rectangle is noted by the first step.
    TRect Open(int X, int Y, MenuScript &Script)
    {
        (void)Script;
        Menu->Popup(X, Y);
        vcltest::Pump();
        return FRect;
    }
    void NoteRect(int X, int Y)
    {
        if (TTBPopupWindow *Popup = PopupAt(X, Y)) FRect = Popup->BoundsRect();
    }
    TRect FRect;
};

TEST_F(PopupMenuTest, OpensAtPointAndEscapeCancels)
{
    AddItem(Menu->Items(), "One");
    AddItem(Menu->Items(), "Two");
    MenuScript Script;
    Script.Do([&] { NoteRect(101, 101); }).Do([] { Press(VK_ESCAPE); });
    const TRect R = Open(100, 100, Script);
    EXPECT_EQ(R.Left, 100);
    EXPECT_EQ(R.Top, 100);
    EXPECT_TRUE(Script.Done());
    EXPECT_TRUE(Clicks.empty());
    EXPECT_TRUE(OpenPopups().empty());
}

TEST_F(PopupMenuTest, EnterClicksSelectedItemAfterMenuClosed)
{
    AddItem(Menu->Items(), "One");
    TTBItem *Two = AddItem(Menu->Items(), "Two");
    bool MenuGoneWhenClicked = false;
    Two->OnClick = [&](TObject *) {
        MenuGoneWhenClicked = OpenPopups().empty() && GetCapture() == HWND{};
        Clicks.push_back("Two");
    };
    MenuScript Script;
    Script.Do([] {
        Press(VK_DOWN);
        Press(VK_DOWN);
        Press(VK_RETURN);
    });
    Open(100, 100, Script);
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_TRUE(MenuGoneWhenClicked);
}

} // namespace
