// Toolbars on a form made here: a bar too short for its buttons hides the rest
// behind its chevron, a menu bar opens its menus from the keyboard, shortcuts
// reach the bars through the application's hook, and a floating bar snaps to
// the sizes its buttons can take. Everything is driven by queued input.

#include "menus/TB2Hook.h"
#include "menus/TB2ToolWindow.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

#include "platform/vcl/StdCtrls.h"

using namespace menutest;

namespace
{

using vcltest::Pump;

TRect ScreenRect(TWinControl *Control)
{
    RECT R;
    GetWindowRect(Control->Handle(), &R);
    return R;
}

void Inject(win::MouseAction Action, POINT P)
{
    win::InjectMouseInput(win::MouseInput{
        Action, Action == win::MouseAction::Move ? win::MouseButton::None : win::MouseButton::Left,
        P});
}

// Press at From; once the frame's own loop waits for the mouse, move to To and let go.
void Drag(POINT From, POINT To)
{
    Inject(win::MouseAction::Move, From);
    Inject(win::MouseAction::Down, From);
    bool Moved = false;
    win::SetIdleWork([&] {
        if (Moved || !GetCapture()) return;
        Moved = true;
        Inject(win::MouseAction::Move, To);
        Inject(win::MouseAction::Up, To);
    });
    Pump();
    Pump();
    win::SetIdleWork(nullptr);
}

std::vector<AnsiString> ShownCaptions(TTBView *View)
{
    std::vector<AnsiString> Result;
    for (int I = 0; I < View->ViewerCount(); ++I)
        if (View->Viewers(I)->Show()) Result.push_back(View->Viewers(I)->Item()->Caption());
    return Result;
}

class ToolbarTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        // The application's main form, as menu bars expect one.
        Form.reset();
        TForm *Main = nullptr;
        Application->CreateForm(Main);
        Form.reset(Main);
        Form->SetBounds(50, 50, 400, 300);
        Form->SetCaption("Toolbars");
        Form->Show();
        vcltest::PumpFor(50);
        Top = new TTBDock(Form.get());
        Top->SetName("TopDock");
        Top->SetParent(Form.get());
        Pump();
    }
    void TearDown() override
    {
        Form.reset();
        MenuTest::TearDown();
    }
    TTBToolbar *MakeToolbar(const char *Name, TTBDock *Dock)
    {
        auto *Bar = new TTBToolbar(Form.get());
        Bar->SetName(Name);
        Bar->SetHideWhenInactive(false);
        Bar->SetParent(Dock);
        return Bar;
    }
    TTBItem *AddButton(TTBToolbar *Bar, const char *Caption)
    {
        return AddItem(Bar->Items(), Caption);
    }
    TTBSubmenuItem *AddSubmenu(TTBCustomItem *Parent, const char *Caption)
    {
        auto *Item = new TTBSubmenuItem(Menu.get());
        Item->SetCaption(AnsiString::FromUtf8(Caption));
        Parent->Add(Item);
        return Item;
    }
    // "&File" (Open, Save) and "&Edit" (Copy) on a menu bar.
    TTBToolbar *MakeMenuBar()
    {
        TTBToolbar *Bar = MakeToolbar("MainMenu", Top);
        TTBSubmenuItem *File = AddSubmenu(Bar->Items(), "&File");
        AddItem(File, "&Open");
        AddItem(File, "&Save");
        TTBSubmenuItem *Edit = AddSubmenu(Bar->Items(), "&Edit");
        AddItem(Edit, "&Copy");
        Bar->SetMenuBar(true);
        Pump();
        return Bar;
    }
    static TPoint CentreOf(TTBToolbar *Bar, TTBItemViewer *Viewer)
    {
        const TRect R = Viewer->BoundsRect();
        return Bar->ClientToScreen(TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
    }
    static TPoint CentreOf(TTBToolbar *Bar, int Index)
    {
        return CentreOf(Bar, Bar->View()->Find(Bar->Items()->Items(Index)));
    }
    static std::vector<AnsiString> OpenCaptions()
    {
        std::vector<AnsiString> Result;
        for (TTBPopupWindow *Popup : OpenPopups()) {
            const auto Shown = ShownCaptions(Popup->View());
            Result.insert(Result.end(), Shown.begin(), Shown.end());
        }
        return Result;
    }
    TTBDock *Top = nullptr;
};

const char *const Names[] = {"One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight"};

TEST_F(ToolbarTest, TooNarrowBarShowsItsChevronWithTheHiddenButtons)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    for (const char *Name : Names)
        AddButton(Bar, Name);
    Pump();
    TTBToolbarView *View = Bar->View();
    const int Full = Bar->Width();
    EXPECT_EQ(ShownCaptions(View).size(), 8u);
    EXPECT_FALSE(View->Find(Bar->ChevronItem())->Show());

    // The form gets narrower than the bar: the dock shrinks it, the tail goes behind the chevron.
    Form->SetWidth(Full / 2 + 40);
    Pump();
    ASSERT_LT(Bar->Width(), Full);
    std::vector<AnsiString> Hidden;
    for (int I = 0; I < View->ViewerCount(); ++I)
        if (View->Viewers(I)->OffEdge()) Hidden.push_back(View->Viewers(I)->Item()->Caption());
    ASSERT_FALSE(Hidden.empty());
    EXPECT_EQ(Hidden.back(), "Eight");
    TTBItemViewer *Chevron = View->Find(Bar->ChevronItem());
    ASSERT_TRUE(Chevron->Show());
    EXPECT_TRUE(Bar->ChevronItem()->Enabled());
    EXPECT_LE(Chevron->BoundsRect().Right, Bar->ClientWidth());
    EXPECT_GE(Chevron->BoundsRect().Left, 0);

    // A click on the chevron opens its popup with exactly the hidden buttons.
    std::vector<AnsiString> InPopup;
    TTBItemViewer *PopupFirst = nullptr;
    MenuScript Script;
    Script.Do([&] {
        const auto Popups = OpenPopups();
        if (Popups.size() != 1) return;
        InPopup = ShownCaptions(Popups.front()->View());
        for (int I = 0; I < Popups.front()->View()->ViewerCount(); ++I)
            if (Popups.front()->View()->Viewers(I)->Show()) {
                PopupFirst = Popups.front()->View()->Viewers(I);
                break;
            }
        if (!PopupFirst) return;
        const TRect R = PopupFirst->BoundsRect();
        const TPoint At =
            Popups.front()->ClientToScreen(TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
        LeftClick(At.X, At.Y);
    });
    const TPoint At = CentreOf(Bar, Chevron);
    LeftClick(At.X, At.Y);
    vcltest::PumpFor(50);
    EXPECT_TRUE(Script.Done());
    EXPECT_EQ(InPopup, Hidden);
    // The hidden button clicked in the popup ran its handler once the popup had closed.
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0], Hidden.front());
    EXPECT_TRUE(OpenPopups().empty());

    // Room again: every button is back and the chevron goes.
    Form->SetWidth(Full + 100);
    Pump();
    EXPECT_EQ(ShownCaptions(View).size(), 8u);
    EXPECT_FALSE(View->Find(Bar->ChevronItem())->Show());
}

TEST_F(ToolbarTest, MenuBarOpensAMenuWithAltAndItsLetter)
{
    TTBToolbar *Bar = MakeMenuBar();
    EXPECT_TRUE(Bar->FullSize());
    EXPECT_EQ(Bar->ShrinkMode(), tbsmWrap);
    EXPECT_TRUE(Bar->ProcessShortCuts());
    EXPECT_TRUE(HookInstalledFor(hpGetMessage));

    std::vector<AnsiString> FileItems, EditItems;
    MenuScript Script;
    Script
        .Do([&] {
            const auto Popups = OpenPopups();
            if (Popups.size() == 1) FileItems = ShownCaptions(Popups.front()->View());
            // Right goes along the bar and opens the next menu.
            Press(VK_RIGHT);
        })
        .Do([&] {
            const auto Popups = OpenPopups();
            if (Popups.size() == 1) EditItems = ShownCaptions(Popups.front()->View());
            Press(VK_DOWN);
            Press(VK_RETURN);
        });
    vcltest::KeyDown(VK_MENU);
    vcltest::Key('F', 'f');
    vcltest::KeyUp(VK_MENU);
    vcltest::PumpFor(50);
    EXPECT_TRUE(Script.Done());
    EXPECT_EQ(FileItems, (std::vector<AnsiString>{"&Open", "&Save"}));
    EXPECT_EQ(EditItems, std::vector<AnsiString>{"&Copy"});
    // Down selected the first item of Edit, Enter chose it; the bar is idle again.
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"&Copy"});
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_FALSE(Bar->View()->State().Contains(vsOpen));

    // A letter no item has: nothing opens, the key is not typed anywhere.
    vcltest::KeyDown(VK_MENU);
    vcltest::Key('Q', 'q');
    vcltest::KeyUp(VK_MENU);
    vcltest::PumpFor(20);
    EXPECT_TRUE(OpenPopups().empty());

    Bar->SetMenuBar(false);
    EXPECT_FALSE(HookInstalledFor(hpGetMessage));
}

TEST_F(ToolbarTest, OpenMenusFollowThePointerAlongTheBarAndASecondClickClosesThem)
{
    TTBToolbar *Bar = MakeMenuBar();
    const TPoint AtFile = CentreOf(Bar, 0);
    const TPoint AtEdit = CentreOf(Bar, 1);
    std::vector<AnsiString> AfterClick, AfterMove, Reopened;
    MenuScript Script;
    Script
        .Do([&] {
            AfterClick = OpenCaptions();
            MoveTo(AtEdit.X, AtEdit.Y);
        })
        // Steps also run while a popup is being made; let Edit's menu come up.
        .Wait(30)
        .Do([&] {
            AfterMove = OpenCaptions();
            LeftClick(AtEdit.X, AtEdit.Y);
        })
        // Runs only in a loop started again; it must not hold the test.
        .Do([&] {
            Reopened = OpenCaptions();
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
        });
    MoveTo(AtFile.X, AtFile.Y);
    LeftClick(AtFile.X, AtFile.Y);
    vcltest::PumpFor(50);
    EXPECT_EQ(AfterClick, (std::vector<AnsiString>{"&Open", "&Save"}));
    EXPECT_EQ(AfterMove, std::vector<AnsiString>{"&Copy"});
    EXPECT_FALSE(Script.Done());
    EXPECT_TRUE(Reopened.empty());
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_FALSE(Bar->View()->State().Contains(vsOpen));
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(ToolbarTest, APlainButtonPressedWhileAMenuIsOpenClosesTheMenuAndClicks)
{
    TTBToolbar *Bar = MakeMenuBar();
    AddButton(Bar, "Help");
    Pump();
    const TPoint AtFile = CentreOf(Bar, 0);
    const TPoint AtHelp = CentreOf(Bar, 2);
    std::vector<AnsiString> BeforeHelp;
    MenuScript Script;
    Script.Do([&] {
        BeforeHelp = OpenCaptions();
        LeftClick(AtHelp.X, AtHelp.Y);
    });
    MoveTo(AtFile.X, AtFile.Y);
    LeftClick(AtFile.X, AtFile.Y);
    vcltest::PumpFor(50);
    EXPECT_TRUE(Script.Done());
    EXPECT_EQ(BeforeHelp, (std::vector<AnsiString>{"&Open", "&Save"}));
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"Help"});
}

TEST_F(ToolbarTest, ShortcutsReachBarsThatProcessThemThroughTheApplicationHook)
{
    auto *Edit = new TEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 100, 100, 22);
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    TTBItem *Find = AddButton(Bar, "Find");
    Find->SetShortCut(ShortCut('K', TShiftState{ssCtrl}));
    Pump();
    Edit->SetFocus();
    Pump();
    auto PressCtrlK = [] {
        vcltest::KeyDown(VK_CONTROL);
        vcltest::Key('K', 0);
        vcltest::KeyUp(VK_CONTROL);
        Pump();
    };
    // Not processing shortcuts: the key goes to the focused control as ever.
    PressCtrlK();
    EXPECT_TRUE(Clicks.empty());
    Bar->SetProcessShortCuts(true);
    PressCtrlK();
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"Find"});
    // A disabled item's shortcut does nothing.
    Find->SetEnabled(false);
    PressCtrlK();
    EXPECT_EQ(Clicks.size(), 1u);
    Find->SetEnabled(true);
    // The bar's own handler comes first and may take the key.
    int Offered = 0;
    Bar->OnShortCut = [&](TMessage &Message, bool &Handled) {
        ++Offered;
        Handled = Message.WParam == 'K';
    };
    PressCtrlK();
    EXPECT_GE(Offered, 1);
    EXPECT_EQ(Clicks.size(), 1u);
    // Freed bars leave the hook behind them.
    delete Bar;
    PressCtrlK();
    EXPECT_EQ(Clicks.size(), 1u);
}

TEST_F(ToolbarTest, FloatingBarSnapsToTheSizesItsButtonsCanTake)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    for (const char *Name : Names)
        AddButton(Bar, Name);
    Pump();
    const std::vector<TTBPotentialSize> Sizes = Bar->BuildPotentialSizesList();
    ASSERT_GE(Sizes.size(), 3u);
    EXPECT_EQ(Sizes.front().Lines, 1);
    EXPECT_EQ(Sizes.back().Lines, 8);
    for (std::size_t I = 1; I < Sizes.size(); ++I) {
        EXPECT_GT(Sizes[I].Lines, Sizes[I - 1].Lines);
        EXPECT_LT(Sizes[I].Size.X, Sizes[I - 1].Size.X);
        EXPECT_GT(Sizes[I].Size.Y, Sizes[I - 1].Size.Y);
    }

    Bar->SetFloatingPosition(TPoint(300, 200));
    Bar->SetFloating(true);
    Pump();
    ASSERT_TRUE(Bar->Floating());
    TRect Frame = ScreenRect(Bar->FloatingWindowParent());
    const int NCWidth = Frame.Width() - Bar->Width();
    const int NCHeight = Frame.Height() - Bar->Height();
    EXPECT_EQ(Bar->Width(), Sizes.front().Size.X);
    const POINT Edge{Frame.Right - 1, Frame.Top + Frame.Height() / 2};

    // A few pixels stay within the snap distance: nothing changes.
    Drag(Edge, POINT{Edge.x - 5, Edge.y});
    EXPECT_EQ(ScreenRect(Bar->FloatingWindowParent()), Frame);

    // Past a potential size the bar takes it, wrapping its buttons.
    const TTBPotentialSize &Two = Sizes[1];
    const int To = Frame.Left + Two.Size.X + NCWidth - 1;
    Drag(Edge, POINT{To - 1, Edge.y});
    Frame = ScreenRect(Bar->FloatingWindowParent());
    EXPECT_EQ(Bar->Width(), Two.Size.X);
    EXPECT_EQ(Bar->Height(), Two.Size.Y);
    EXPECT_EQ(Frame.Width(), Two.Size.X + NCWidth);
    EXPECT_EQ(Frame.Height(), Two.Size.Y + NCHeight);
    EXPECT_EQ(Bar->FloatingWidth(), Two.WrapWidth);
    EXPECT_GT(Bar->View()->Viewers(7)->BoundsRect().Top, Bar->View()->Viewers(0)->BoundsRect().Top);

    // Dragged far out, it comes back to one line.
    Drag(POINT{Frame.Right - 1, Edge.y}, POINT{Frame.Right + 600, Edge.y});
    EXPECT_EQ(Bar->Width(), Sizes.front().Size.X);
    EXPECT_EQ(Bar->Height(), Sizes.front().Size.Y);
}

TEST_F(ToolbarTest, ToolWindowKeepsItsClientSizeAndSavesIt)
{
    auto *Tool = new TTBToolWindow(Form.get());
    Tool->SetName("Palette");
    Tool->SetHideWhenInactive(false);
    Tool->SetParent(Top);
    Tool->SetClientAreaSize(120, 50);
    Pump();
    EXPECT_EQ(Tool->ClientAreaWidth(), 120);
    EXPECT_EQ(Tool->ClientAreaHeight(), 50);
    int MinW = 0, MinH = 0, MaxW = -1, MaxH = -1;
    Tool->GetMinMaxSize(MinW, MinH, MaxW, MaxH);
    EXPECT_EQ(MinW, 32);
    EXPECT_EQ(MinH, 32);
    EXPECT_EQ(MaxW, 0);
    EXPECT_EQ(MaxH, 0);
    Tool->SetFloatingPosition(TPoint(300, 200));
    Tool->SetFloating(true);
    Pump();
    EXPECT_EQ(Tool->ClientAreaWidth(), 120);
    EXPECT_EQ(Tool->ClientAreaHeight(), 50);
    Tool->SetFloating(false);
    Pump();
    EXPECT_EQ(Tool->ClientAreaWidth(), 120);

    std::map<std::string, int> Saved;
    TTBWritePositionData Write;
    Write.WriteIntProc = [&](const AnsiString &, const AnsiString &Value, int Data, void *) {
        Saved[Value.c_str()] = Data;
    };
    Write.WriteStringProc = [](const AnsiString &, const AnsiString &, const AnsiString &, void *) {
    };
    Tool->WritePositionData(Write);
    EXPECT_EQ(Saved["ClientWidth"], 120);
    EXPECT_EQ(Saved["ClientHeight"], 50);

    TTBReadPositionData Read;
    Read.ReadIntProc = [](const AnsiString &, const AnsiString &Value, int Default, void *) {
        return Value == "ClientWidth" ? 90 : Value == "ClientHeight" ? 70 : Default;
    };
    Read.ReadStringProc = [](const AnsiString &, const AnsiString &, const AnsiString &Default,
                             void *) { return Default; };
    // Not resizable: the stored size is not applied.
    Tool->SetResizable(false);
    Tool->ReadPositionData(Read);
    Pump();
    EXPECT_EQ(Tool->ClientAreaWidth(), 120);
    Tool->SetResizable(true);
    Tool->ReadPositionData(Read);
    Pump();
    EXPECT_EQ(Tool->ClientAreaWidth(), 90);
    EXPECT_EQ(Tool->ClientAreaHeight(), 70);
}

TEST_F(ToolbarTest, StretchedToolWindowAsksOnlyItsLeastLength)
{
    auto *Tool = new TTBToolWindow(Form.get());
    Tool->SetName("Palette");
    Tool->SetHideWhenInactive(false);
    Tool->SetParent(Top);
    Tool->SetClientAreaSize(120, 50);
    Pump();
    Tool->SetStretch(true);
    EXPECT_EQ(Tool->GetBaseSize(), TPoint(32, 50));
    Tool->SetMinClientWidth(60);
    EXPECT_EQ(Tool->GetBaseSize(), TPoint(60, 50));
}

} // namespace
