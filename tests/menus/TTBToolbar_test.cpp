// Toolbars on a form made here: a bar too short for its buttons hides the rest
// behind its chevron, a menu bar opens its menus from the keyboard, shortcuts
// reach the bars through the application's hook, and a floating bar snaps to
// the sizes its buttons can take. Everything is driven by queued input.

#include "menus/TB2Anim.h"
#include "menus/TB2Hook.h"
#include "menus/TB2ToolWindow.h"
#include "menus/TShadow.h"
#include "menus/TTBSkin.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"

#include <algorithm>
#include <sstream>

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

// Opens the chevron's popup and clicks its shown item with that caption; the
// captions the popup showed come back.
std::vector<AnsiString> ClickInChevronPopup(TTBToolbar *Bar, const AnsiString &Caption)
{
    std::vector<AnsiString> Shown;
    MenuScript Script;
    Script.Until(OnePopupOpen).Do([&] {
        const auto Popups = OpenPopups();
        if (Popups.size() != 1) return;
        TTBView *View = Popups.front()->View();
        Shown = ShownCaptions(View);
        for (int I = 0; I < View->ViewerCount(); ++I)
            if (View->Viewers(I)->Show() && View->Viewers(I)->Item()->Caption() == Caption) {
                const TRect R = View->Viewers(I)->BoundsRect();
                const TPoint At = Popups.front()->ClientToScreen(
                    TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
                LeftClick(At.X, At.Y);
            }
    });
    const TRect R = Bar->View()->Find(Bar->ChevronItem())->BoundsRect();
    const TPoint At = Bar->ClientToScreen(TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
    LeftClick(At.X, At.Y);
    EXPECT_TRUE(RunOut(Script));
    return Shown;
}

std::vector<AnsiString> OffEdgeCaptions(TTBView *View)
{
    std::vector<AnsiString> Result;
    for (int I = 0; I < View->ViewerCount(); ++I)
        if (View->Viewers(I)->OffEdge()) Result.push_back(View->Viewers(I)->Item()->Caption());
    return Result;
}

// Which pixels of a row (or a column) of a window's surface have the colour.
std::vector<bool> RowIs(TWinControl *Window, int Y, COLORREF Color)
{
    std::vector<bool> Result;
    for (int X = 0; X < Window->Width(); ++X)
        Result.push_back(PixelOf(Window, X, Y) == Color);
    return Result;
}

std::vector<bool> ColumnIs(TWinControl *Window, int X, COLORREF Color)
{
    std::vector<bool> Result;
    for (int Y = 0; Y < Window->Height(); ++Y)
        Result.push_back(PixelOf(Window, X, Y) == Color);
    return Result;
}

// A line of Length pixels, all set but for [First, Last).
std::vector<bool> LineWithGap(int Length, int First, int Last)
{
    std::vector<bool> Result(static_cast<std::size_t>(Length), true);
    for (int I = std::max(First, 0); I < std::min(Last, Length); ++I)
        Result[static_cast<std::size_t>(I)] = false;
    return Result;
}

std::string Text(const TRect &R)
{
    std::ostringstream Out;
    Out << '(' << R.Left << ',' << R.Top << ")-(" << R.Right << ',' << R.Bottom << ')';
    return Out.str();
}

// The rectangles of the shown shadow windows, in order.
std::vector<std::string> ShadowRects(std::vector<TRect> Rects)
{
    std::sort(Rects.begin(), Rects.end(), [](const TRect &A, const TRect &B) {
        return std::pair(A.Left, A.Top) < std::pair(B.Left, B.Top);
    });
    std::vector<std::string> Result;
    for (const TRect &R : Rects)
        Result.push_back(Text(R));
    return Result;
}

std::vector<TShadow *> ShownShadows()
{
    std::vector<TShadow *> Result;
    for (const auto &[Wnd, Control] : vcl::WindowControlMap())
        if (auto *Shadow = dynamic_cast<TShadow *>(Control); Shadow && IsWindowVisible(Wnd))
            Result.push_back(Shadow);
    return Result;
}

// The popup's shadow along its bottom edge is shown: it is the last of them to come up,
// once the popup's frame is drawn.
bool ShadowBelow(TTBPopupWindow *Popup)
{
    const TRect P = ScreenRect(Popup);
    const auto Shown = ShownShadows();
    return std::any_of(Shown.begin(), Shown.end(), [&](TShadow *Shadow) {
        const TRect S = ScreenRect(Shadow);
        return S.Top == P.Bottom && S.Left == P.Left + 4;
    });
}

void SetWorkArea(int Left, int Top, int Right, int Bottom)
{
    win::OverrideMonitors({win::Monitor{RECT{0, 0, 1024, 768}, RECT{Left, Top, Right, Bottom}}});
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
        Pump();
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
    // "Palette", 120 x 50 inside, docked at the top.
    TTBToolWindow *MakeToolWindow()
    {
        auto *Tool = new TTBToolWindow(Form.get());
        Tool->SetName("Palette");
        Tool->SetHideWhenInactive(false);
        Tool->SetParent(Top);
        Tool->SetClientAreaSize(120, 50);
        Pump();
        return Tool;
    }
    TTBDock *MakeDock(const char *Name, TTBDockPosition Position)
    {
        return menutest::MakeDock(Form.get(), Name, Position);
    }
    // A bar whose one button opens a menu wider than the button.
    TTBToolbar *MakeMenuButtonBar(const char *Name, TTBDock *Dock, TTBBaseSkin *Skin)
    {
        TTBToolbar *Bar = MakeToolbar(Name, Dock);
        TTBSubmenuItem *Tools = AddSubmenu(Bar->Items(), "&Tools");
        AddItem(Tools, "&Options of the whole program");
        AddItem(Tools, "&Customize");
        Bar->SetSkin(Skin);
        Pump();
        return Bar;
    }
    static TRect ButtonRect(TTBToolbar *Bar, int Index)
    {
        const TRect R = Bar->View()->Find(Bar->Items()->Items(Index))->BoundsRect();
        const TPoint TopLeft = Bar->ClientToScreen(TPoint(R.Left, R.Top));
        return Bounds(TopLeft.X, TopLeft.Y, R.Width(), R.Height());
    }
    // Clicks the bar's button and hands its open menu to Look before closing it, once
    // Ready holds for it when given.
    static void LookAtMenuOf(TTBToolbar *Bar, int Index,
                             const std::function<void(TTBPopupWindow *Popup)> &Look,
                             const std::function<bool(TTBPopupWindow *Popup)> &Ready = nullptr)
    {
        bool Seen = false;
        MenuScript Script;
        // Steps also run while the popup is being made; let it come up first.
        Script.Until([&] {
            const auto Popups = OpenPopups();
            return Popups.size() == 1 && (!Ready || Ready(Popups.front()));
        });
        Script.Do([&] {
            const auto Popups = OpenPopups();
            if (Popups.size() == 1) {
                Look(Popups.front());
                Seen = true;
            }
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
        });
        ClickRunning(Script, CentreOf(Bar, Index));
        EXPECT_TRUE(Seen);
    }
    // A click whose menu loop runs Script to its end.
    static void ClickRunning(MenuScript &Script, TPoint At)
    {
        MoveTo(At.X, At.Y);
        LeftClick(At.X, At.Y);
        EXPECT_TRUE(RunOut(Script));
    }
    static TRect MenuRectOf(TTBToolbar *Bar, int Index)
    {
        TRect Result;
        LookAtMenuOf(Bar, Index, [&](TTBPopupWindow *Popup) { Result = ScreenRect(Popup); });
        return Result;
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
    // Edit's menu of the menu bar, and no other.
    static bool EditsMenuOpen() { return OpenCaptions() == std::vector<AnsiString>{"&Copy"}; }
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
    const std::vector<AnsiString> Hidden = OffEdgeCaptions(View);
    ASSERT_FALSE(Hidden.empty());
    EXPECT_EQ(Hidden.back(), "Eight");
    TTBItemViewer *Chevron = View->Find(Bar->ChevronItem());
    ASSERT_TRUE(Chevron->Show());
    EXPECT_TRUE(Bar->ChevronItem()->Enabled());
    EXPECT_LE(Chevron->BoundsRect().Right, Bar->ClientWidth());
    EXPECT_GE(Chevron->BoundsRect().Left, 0);

    // A click on the chevron opens its popup with exactly the hidden buttons.
    EXPECT_EQ(ClickInChevronPopup(Bar, Hidden.front()), Hidden);
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

TEST_F(ToolbarTest, UnderOfficeXPTheChevronsPopupHasNoPictureColumn)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    for (const char *Name : Names)
        AddButton(Bar, Name);
    auto *Skin = new TTBSkin(Form.get());
    ASSERT_EQ(Skin->SkinType(), tbsOfficeXP);
    Bar->SetSkin(Skin);
    Form->SetWidth(Bar->Width() / 2 + 40);
    Pump();
    std::vector<COLORREF> Left;
    MenuScript Script;
    Script.Until(OnePopupOpen).Do([&] {
        const auto Popups = OpenPopups();
        if (Popups.size() == 1) {
            TTBPopupWindow *Popup = Popups.front();
            for (int Y = 4; Y < Popup->Height() - 4; ++Y)
                Left.push_back(PixelOf(Popup, 3, Y));
        }
        Press(VK_ESCAPE);
        Press(VK_ESCAPE);
    });
    ClickRunning(Script, CentreOf(Bar, Bar->View()->Find(Bar->ChevronItem())));
    // The hidden buttons stand on the popup's own colour, edge to edge.
    const COLORREF Popup = ColorToRGB(Skin->Colors()->GetSkinColor(tcPopup));
    ASSERT_NE(Popup, ColorToRGB(Skin->Colors()->GetSkinColor(tcImageList)));
    ASSERT_FALSE(Left.empty());
    EXPECT_EQ(std::count(Left.begin(), Left.end(), Popup), static_cast<long>(Left.size()));
}

// Which pixels of one row of a viewer's rectangle on its bar have the colour.
std::vector<bool> ViewerRowIs(TTBToolbar *Bar, TTBItemViewer *Viewer, int Y, COLORREF Color)
{
    POINT Origin{0, 0};
    ClientToScreen(Bar->Handle(), &Origin);
    RECT Window;
    GetWindowRect(Bar->Handle(), &Window);
    const TRect R = Viewer->BoundsRect();
    std::vector<bool> Result;
    for (int X = R.Left; X < R.Right; ++X)
        Result.push_back(PixelOf(Bar, X + Origin.x - Window.left, Y + Origin.y - Window.top) ==
                         Color);
    return Result;
}

TEST_F(ToolbarTest, UnderASkinABarsSeparatorIsALineOfTheSkinsSeparatorColour)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "One");
    TTBSeparatorItem *Separator = AddSeparator(Bar->Items());
    AddButton(Bar, "Two");
    auto *Skin = new TTBSkin(Form.get());
    Bar->SetSkin(Skin);
    Pump();
    TTBItemViewer *Viewer = Bar->View()->Find(Separator);
    const TRect R = Viewer->BoundsRect();
    const COLORREF Line = ColorToRGB(Skin->Colors()->GetSkinColor(tcSeparator));
    // One pixel wide, upright in the middle, top to bottom.
    std::vector<bool> Expected(static_cast<std::size_t>(R.Width()), false);
    Expected[static_cast<std::size_t>(R.Width() / 2 - 1)] = true;
    for (int Y = R.Top; Y < R.Bottom; ++Y) {
        EXPECT_EQ(ViewerRowIs(Bar, Viewer, Y, Line), Expected) << Y;
        EXPECT_EQ(ViewerRowIs(Bar, Viewer, Y, GetSysColor(COLOR_BTNHIGHLIGHT)),
                  std::vector<bool>(Expected.size(), false))
            << Y;
    }
}

TEST_F(ToolbarTest, TheLineBetweenTheRowsOfAWrappedBarKeepsOffItsEnds)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    Bar->SetShrinkMode(tbsmWrap);
    for (int I = 0; I < 4; ++I)
        AddButton(Bar, Names[I]);
    TTBSeparatorItem *Separator = AddSeparator(Bar->Items());
    for (int I = 4; I < 8; ++I)
        AddButton(Bar, Names[I]);
    Pump();
    const int Full = Bar->Width();
    Form->SetWidth(Full * 7 / 10 + Form->Width() - Form->ClientWidth());
    Pump();
    TTBItemViewer *Viewer = Bar->View()->Find(Separator);
    ASSERT_TRUE(Viewer->ViewerState().Contains(tbisLineSep));
    const TRect R = Viewer->BoundsRect();
    // Four pixels off each end; the etched line's dark top stops one short of its right end.
    std::vector<bool> Expected(static_cast<std::size_t>(R.Width()), false);
    std::fill(Expected.begin() + 4, Expected.end() - 5, true);
    EXPECT_EQ(ViewerRowIs(Bar, Viewer, R.Top + R.Height() / 2 - 1, GetSysColor(COLOR_BTNSHADOW)),
              Expected);
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
    EXPECT_TRUE(RunOut(Script));
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
    Pump();
    EXPECT_TRUE(OpenPopups().empty());

    Bar->SetMenuBar(false);
    EXPECT_FALSE(HookInstalledFor(hpGetMessage));
}

// The bar has no item for the space: the form is asked for its window menu, once the bar
// has let the keyboard go.
TEST_F(ToolbarTest, AltSpaceOnAMenuBarAsksTheFormForItsWindowMenuAfterTheBarLetsGo)
{
    TTBToolbar *Bar = MakeMenuBar();
    std::vector<LPARAM> KeyMenus;
    bool BarIdle = false;
    const TWndMethod FormProc = Form->WindowProc;
    Form->WindowProc = [&](TMessage &Message) {
        if (Message.Msg == WM_SYSCOMMAND && (Message.WParam & 0xFFF0) == SC_KEYMENU) {
            KeyMenus.push_back(Message.LParam);
            BarIdle = !Bar->View()->State().Contains(vsOpen) && OpenPopups().empty() &&
                      GetCapture() == HWND{};
        }
        FormProc(Message);
    };
    // Alt+F opens File; Escape closes it and leaves the bar holding the keyboard.
    MenuScript Script;
    Script.Do([] { Press(VK_ESCAPE); }).Do([] { Press(VK_SPACE, ' '); });
    vcltest::KeyDown(VK_MENU);
    vcltest::Key('F', 'f');
    EXPECT_TRUE(RunOut(Script));
    vcltest::KeyUp(VK_MENU);
    Pump();
    Form->WindowProc = FormProc;
    ASSERT_FALSE(KeyMenus.empty());
    EXPECT_EQ(KeyMenus.back(), static_cast<LPARAM>(' '));
    EXPECT_TRUE(BarIdle);
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(ToolbarTest, AltAndTheUnderlinedLetterOfAButtonOnAPlainBarClicksIt)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "&Go");
    AddButton(Bar, "&Stop");
    Pump();
    vcltest::KeyDown(VK_MENU);
    vcltest::Key('S', 's');
    vcltest::KeyUp(VK_MENU);
    vcltest::PumpUntil([&] { return !Clicks.empty(); });
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"&Stop"});
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
        .Until(EditsMenuOpen)
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
    Pump();
    EXPECT_EQ(AfterClick, (std::vector<AnsiString>{"&Open", "&Save"}));
    EXPECT_EQ(AfterMove, std::vector<AnsiString>{"&Copy"});
    EXPECT_FALSE(Script.Done());
    EXPECT_TRUE(Reopened.empty());
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_FALSE(Bar->View()->State().Contains(vsOpen));
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(ToolbarTest, AButtonWhoseMenuIsClosedByEscapeNoLongerLooksPushed)
{
    TTBToolbar *Bar = MakeMenuBar();
    const TPoint AtFile = CentreOf(Bar, 0);
    // The top left corner of the button's edge.
    auto Corner = [Bar] {
        const TRect R = Bar->View()->Find(Bar->Items()->Items(0))->BoundsRect();
        POINT P{R.Left, R.Top};
        ClientToScreen(Bar->Handle(), &P);
        RECT Window;
        GetWindowRect(Bar->Handle(), &Window);
        return PixelOf(Bar, P.x - Window.left, P.y - Window.top);
    };
    COLORREF WhileOpen = 0, AfterEscape = 0;
    std::vector<AnsiString> Open;
    MenuScript Script;
    Script
        .Do([&] {
            Open = OpenCaptions();
            WhileOpen = Corner();
            Press(VK_ESCAPE);
        })
        .Do([&] {
            AfterEscape = Corner();
            Press(VK_ESCAPE);
        });
    MoveTo(AtFile.X, AtFile.Y);
    LeftClick(AtFile.X, AtFile.Y);
    EXPECT_TRUE(RunOut(Script));
    EXPECT_EQ(Open, (std::vector<AnsiString>{"&Open", "&Save"}));
    EXPECT_EQ(WhileOpen, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(AfterEscape, GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(ToolbarTest, OnlyTheFirstMenuOfABarSlidesOpenTheNextOnesShowAtOnce)
{
    win::OverrideParameter(SPI_GETMENUANIMATION, 1);
    TTBToolbar *Bar = MakeMenuBar();
    const TPoint AtFile = CentreOf(Bar, 0);
    const TPoint AtEdit = CentreOf(Bar, 1);
    bool FirstSlides = false, NextSlides = true;
    std::vector<AnsiString> Next;
    MenuScript Script;
    Script.Do([&] { FirstSlides = TBAnimationRunning(); })
        .Until([] { return !TBAnimationRunning(); })
        .Do([&] { MoveTo(AtEdit.X, AtEdit.Y); })
        .Until(EditsMenuOpen)
        .Do([&] {
            NextSlides = TBAnimationRunning();
            Next = OpenCaptions();
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
        });
    MoveTo(AtFile.X, AtFile.Y);
    LeftClick(AtFile.X, AtFile.Y);
    EXPECT_TRUE(RunOut(Script));
    EXPECT_TRUE(FirstSlides);
    EXPECT_EQ(Next, std::vector<AnsiString>{"&Copy"});
    EXPECT_FALSE(NextSlides);
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
    EXPECT_TRUE(RunOut(Script));
    EXPECT_EQ(BeforeHelp, (std::vector<AnsiString>{"&Open", "&Save"}));
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"Help"});
}

TEST_F(ToolbarTest, AButtonUsedFromTheChevronComesBackOntoTheBar)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    for (const char *Name : Names)
        AddButton(Bar, Name);
    Pump();
    const int Full = Bar->Width();
    Form->SetWidth(Full / 2 + 40);
    Pump();
    TTBToolbarView *View = Bar->View();
    const std::vector<AnsiString> Hidden = OffEdgeCaptions(View);
    ASSERT_GE(Hidden.size(), 2u);
    EXPECT_EQ(Hidden.back(), "Eight");

    // Seven, used from the popup, comes onto the bar; Eight stays behind the chevron.
    ClickInChevronPopup(Bar, "Seven");
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"Seven"});
    TTBItemViewer *Seven = View->Find(Bar->Items()->Items(6));
    TTBItemViewer *Eight = View->Find(Bar->Items()->Items(7));
    EXPECT_TRUE(Seven->Show());
    EXPECT_FALSE(Seven->OffEdge());
    EXPECT_TRUE(Eight->OffEdge());
    EXPECT_EQ(View->HighestPriorityViewer(), Seven);
    EXPECT_TRUE(View->Find(Bar->ChevronItem())->Show());

    // Then Eight: Seven stays, having been used more lately than the rest.
    ClickInChevronPopup(Bar, "Eight");
    EXPECT_TRUE(Seven->Show());
    EXPECT_TRUE(Eight->Show());
    EXPECT_EQ(View->HighestPriorityViewer(), Eight);
}

TEST_F(ToolbarTest, AGroupInsertedIntoAShownGroupLooksAsOnABarBuiltAfresh)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "One");
    auto *Outer = new TTBGroupItem(Form.get());
    Bar->Items()->Add(Outer);
    AddItem(Outer, "Two");
    AddItem(Outer, "Three");
    AddButton(Bar, "Four");
    Pump();
    auto *Inner = new TTBGroupItem(Form.get());
    AddItem(Inner, "Five");
    AddItem(Inner, "Six");
    Outer->Insert(1, Inner);
    AddItem(Outer, "Seven");
    Pump();
    const std::vector<AnsiString> Captions = ShownCaptions(Bar->View());
    EXPECT_EQ(Captions,
              (std::vector<AnsiString>{"One", "Two", "Five", "Six", "Three", "Seven", "Four"}));
    const int Width = Bar->Width();
    const std::vector<COLORREF> Pixels = PixelsOf(Bar);

    Bar->View()->RecreateAllViewers();
    Bar->View()->ValidatePositions();
    Pump();
    EXPECT_EQ(ShownCaptions(Bar->View()), Captions);
    EXPECT_EQ(Bar->Width(), Width);
    EXPECT_TRUE(PixelsOf(Bar) == Pixels);
}

TEST_F(ToolbarTest, AChildControlIsPlacedAmongTheButtonsAndFollowsItsOwnChanges)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "One");
    AddButton(Bar, "Two");
    Pump();
    const int Buttons = Bar->ClientWidth();
    auto *Edit = new TEdit(Form.get());
    Edit->SetName("Search");
    Edit->SetBounds(0, 0, 80, 20);
    Edit->SetParent(Bar);
    Pump();

    // It became the bar's third item, placed after the buttons, and the bar grew by it.
    ASSERT_EQ(Bar->Items()->Count(), 3);
    TTBControlItem *Wrapper = Bar->FindWrapper(Edit);
    ASSERT_TRUE(Wrapper);
    EXPECT_EQ(Bar->Items()->Items(2), Wrapper);
    const TRect Two = Bar->View()->Find(Bar->Items()->Items(1))->BoundsRect();
    EXPECT_EQ(Edit->Left(), Two.Right);
    EXPECT_EQ(Bar->ClientWidth(), Buttons + 80);
    EXPECT_EQ(Bar->View()->ViewerFromPoint(TPoint(Edit->Left() + 5, Edit->Top() + 5)),
              Bar->View()->Find(Wrapper));

    // Hidden, resized, shown again: the bar follows.
    Edit->SetVisible(false);
    Pump();
    EXPECT_EQ(Bar->ClientWidth(), Buttons);
    Edit->SetWidth(120);
    Edit->SetVisible(true);
    Pump();
    EXPECT_EQ(Bar->ClientWidth(), Buttons + 120);
    EXPECT_EQ(Edit->Left(), Two.Right);

    // Short of room the control goes first, out of sight, and leaves the chevron off:
    // the chevron's popup could not show it.
    Form->SetWidth(Buttons + 60);
    Pump();
    EXPECT_TRUE(Bar->View()->Find(Wrapper)->OffEdge());
    EXPECT_GE(Edit->Left(), Bar->ClientWidth());
    EXPECT_EQ(Bar->View()->GetOffEdgeControlList(), std::vector<TWinControl *>{Edit});
    EXPECT_TRUE(Bar->View()->Find(Bar->ChevronItem())->Show());
    EXPECT_FALSE(Bar->ChevronItem()->Enabled());
    Form->SetWidth(Buttons + 300);
    Pump();
    EXPECT_FALSE(Bar->View()->Find(Wrapper)->OffEdge());
    EXPECT_EQ(Edit->Left(), Two.Right);

    // Taken off the bar the control lives on, without its item.
    Edit->SetParent(Form.get());
    Pump();
    EXPECT_EQ(Bar->Items()->Count(), 2);
    EXPECT_FALSE(Bar->FindWrapper(Edit));
    EXPECT_EQ(Form->FindComponent("Search"), Edit);
    EXPECT_EQ(Bar->ClientWidth(), Buttons);

    // Put back, its new item frees it when freed itself.
    Edit->SetParent(Bar);
    Pump();
    ASSERT_TRUE(Bar->FindWrapper(Edit));
    delete Bar->FindWrapper(Edit);
    Pump();
    EXPECT_EQ(Form->FindComponent("Search"), nullptr);
    EXPECT_EQ(Bar->Items()->Count(), 2);
    EXPECT_EQ(Bar->ClientWidth(), Buttons);
}

// A button whose viewer shows a hand over it, as a link would.
class TLinkItem : public TTBItem
{
    QRV4_CLASS(TLinkItem, TTBItem)

public:
    using TTBItem::TTBItem;
    TTBItemViewerClass GetItemViewerClass(TTBView *) override { return MakeViewer<LinkViewer>; }

private:
    class LinkViewer : public TTBItemViewer
    {
    public:
        using TTBItemViewer::TTBItemViewer;
        void GetCursor(const TPoint &P, HCURSOR &Cursor) override
        {
            if (P.X >= 0 && P.Y >= 0 && P.X < BoundsRect().Width() && P.Y < BoundsRect().Height())
                Cursor = LoadCursorW({}, IDC_HAND);
        }
    };
};

TEST_F(ToolbarTest, AHoveredButtonSetsTheCursorItAsksForAndLeavingTheBarEndsTheHover)
{
    TTBToolbar *Bar = MakeToolbar("Links", Top);
    AddButton(Bar, "Plain");
    auto *Link = new TLinkItem(Menu.get());
    Link->SetCaption("Link");
    Bar->Items()->Add(Link);
    Pump();
    auto SetCursorMessage = [Bar] {
        return Bar->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(Bar->WindowHandle()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };

    const TPoint OverLink = CentreOf(Bar, 1);
    MoveTo(OverLink.X, OverLink.Y);
    vcltest::PumpUntil([&] { return Bar->View()->Selected() == Bar->View()->Find(Link); });
    ASSERT_EQ(Bar->View()->Selected(), Bar->View()->Find(Link));
    ::SetCursor(LoadCursorW({}, IDC_ARROW));
    EXPECT_EQ(SetCursorMessage(), 1);
    EXPECT_EQ(GetCursor(), LoadCursorW({}, IDC_HAND));

    const TPoint OverPlain = CentreOf(Bar, 0);
    MoveTo(OverPlain.X, OverPlain.Y);
    vcltest::PumpUntil(
        [&] { return Bar->View()->Selected() == Bar->View()->Find(Bar->Items()->Items(0)); });
    ::SetCursor(LoadCursorW({}, IDC_ARROW));
    SetCursorMessage();
    EXPECT_NE(GetCursor(), LoadCursorW({}, IDC_HAND));

    // Off the bar, onto the form below it: the hover ends.
    const TRect BarRect = ScreenRect(Bar);
    MoveTo(BarRect.Left + 20, BarRect.Bottom + 40);
    vcltest::PumpUntil([&] { return !Bar->View()->Selected(); });
    EXPECT_EQ(Bar->View()->Selected(), nullptr);
}

TEST_F(ToolbarTest, TheBarsColourIsTheColourBehindItsItems)
{
    TTBToolbar *Bar = MakeToolbar("Coloured", Top);
    EXPECT_EQ(Bar->View()->BackgroundColor(), clBtnFace);
    Bar->SetColor(clTeal);
    EXPECT_EQ(Bar->View()->BackgroundColor(), clTeal);
}

TEST_F(ToolbarTest, MenusHangFromTheirButtonsAndOverlapThemUnderOfficeXP)
{
    TTBDock *Left = MakeDock("LeftDock", dpLeft);
    TTBToolbar *Across = MakeMenuBar();
    TTBToolbar *Upright = MakeToolbar("Upright", Left);
    AddItem(AddSubmenu(Upright->Items(), "&Tools"), "&Options");
    auto *Skin = new TTBSkin(Form.get());
    Across->SetSkin(Skin);
    Upright->SetSkin(Skin);
    Pump();
    ASSERT_EQ(Upright->View()->Orientation(), tbvoVertical);

    // Opens the bar's first menu from the keyboard; the popup's and the button's
    // rectangles on screen come back.
    auto Hang = [](TTBToolbar *Bar, char Key) {
        TRect Popup;
        MenuScript Script;
        // Steps also run while the popup is being made; let it come up first.
        Script.Until(OnePopupOpen).Do([&] {
            const auto Popups = OpenPopups();
            if (Popups.size() == 1) Popup = ScreenRect(Popups.front());
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
        });
        Bar->KeyboardOpen(Key, false);
        EXPECT_TRUE(RunOut(Script));
        const TRect R = Bar->View()->Find(Bar->Items()->Items(0))->BoundsRect();
        const TPoint TopLeft = Bar->ClientToScreen(TPoint(R.Left, R.Top));
        return std::pair{Popup, Bounds(TopLeft.X, TopLeft.Y, R.Width(), R.Height())};
    };
    for (const TTBSkins Type : {tbsWindowsXP, tbsOfficeXP}) {
        Skin->SetSkinType(Type);
        Skin->SetOptions({});
        const int Overlap = Type == tbsOfficeXP ? 2 : 0;
        const auto [Below, File] = Hang(Across, 'F');
        EXPECT_EQ(Below.Top, File.Bottom - Overlap);
        EXPECT_EQ(Below.Left, File.Left);
        // An upright bar's menu opens beside it, there being no room on its left.
        const auto [Beside, Tools] = Hang(Upright, 'T');
        EXPECT_EQ(Beside.Left, Tools.Right - Overlap);
        EXPECT_EQ(Beside.Top, Tools.Top);
    }
}

TEST_F(ToolbarTest, UnderOfficeXPAMenusOutlineOpensWhereItMeetsItsButton)
{
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsOfficeXP);
    Skin->SetOptions({});
    TTBToolbar *Across = MakeMenuButtonBar("Across", Top, Skin);
    TTBToolbar *Upright = MakeMenuButtonBar("Upright", MakeDock("LeftDock", dpLeft), Skin);
    ASSERT_EQ(Upright->View()->Orientation(), tbvoVertical);
    const COLORREF Border = Skin->RGBColor(cBorder);
    ASSERT_NE(Border, Skin->RGBColor(cPopup));

    // Below a bar's button: the top edge has no outline between the button's sides.
    const TRect Button = ButtonRect(Across, 0);
    LookAtMenuOf(Across, 0, [&](TTBPopupWindow *Popup) {
        const TRect P = ScreenRect(Popup);
        ASSERT_EQ(P.Top, Button.Bottom - 2);
        ASSERT_GT(P.Right, Button.Right + 4);
        std::vector<bool> Outline =
            LineWithGap(P.Width(), Button.Left + 1 - P.Left, Button.Right - 1 - P.Left);
        EXPECT_EQ(RowIs(Popup, 0, Border), Outline);
        // The gap shows the menu's own colour.
        Outline.flip();
        EXPECT_EQ(RowIs(Popup, 0, Skin->RGBColor(cPopup)), Outline);
        EXPECT_EQ(RowIs(Popup, P.Height() - 1, Border), LineWithGap(P.Width(), 0, 0));
        EXPECT_EQ(ColumnIs(Popup, 0, Border), LineWithGap(P.Height(), 0, 0));
        EXPECT_EQ(ColumnIs(Popup, P.Width() - 1, Border), LineWithGap(P.Height(), 0, 0));
    });

    // Beside an upright bar's button the gap is in the left edge.
    const TRect Side = ButtonRect(Upright, 0);
    LookAtMenuOf(Upright, 0, [&](TTBPopupWindow *Popup) {
        const TRect P = ScreenRect(Popup);
        ASSERT_EQ(P.Left, Side.Right - 2);
        ASSERT_LT(Side.Bottom, P.Bottom);
        EXPECT_EQ(ColumnIs(Popup, 0, Border),
                  LineWithGap(P.Height(), Side.Top + 1 - P.Top, Side.Bottom - 1 - P.Top));
        EXPECT_EQ(RowIs(Popup, 0, Border), LineWithGap(P.Width(), 0, 0));
    });

    // A button marked to stand apart, and the Windows XP look, keep the whole outline.
    Across->Items()->Items(0)->SetTag(1234567890);
    LookAtMenuOf(Across, 0, [&](TTBPopupWindow *Popup) {
        EXPECT_EQ(RowIs(Popup, 0, Border), LineWithGap(Popup->Width(), 0, 0));
    });
    Across->Items()->Items(0)->SetTag(0);
    Skin->SetSkinType(tbsWindowsXP);
    LookAtMenuOf(Across, 0, [&](TTBPopupWindow *Popup) {
        EXPECT_EQ(RowIs(Popup, 0, Skin->RGBColor(cBorder)), LineWithGap(Popup->Width(), 0, 0));
    });
}

TEST_F(ToolbarTest, UnderOfficeXPTheButtonAMenuHangsFromCastsAShadowWithIt)
{
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsOfficeXP);
    Skin->SetOptions({tboShadow});
    TTBToolbar *Across = MakeMenuButtonBar("Across", Top, Skin);
    TTBToolbar *Upright = MakeMenuButtonBar("Upright", MakeDock("RightDock", dpRight), Skin);

    // Below the button: the menu's own two shadows, and one down the button's right side
    // to where the menu begins.
    const TRect Button = ButtonRect(Across, 0);
    LookAtMenuOf(
        Across, 0,
        [&](TTBPopupWindow *Popup) {
            const TRect P = ScreenRect(Popup);
            std::vector<TRect> Shown;
            for (TShadow *Shadow : ShownShadows())
                Shown.push_back(ScreenRect(Shadow));
            EXPECT_EQ(ShadowRects(Shown),
                      ShadowRects({TRect(Button.Right, Button.Top + 4, Button.Right + 4, P.Top),
                                   TRect(P.Right, P.Top + 4, P.Right + 4, P.Bottom + 4),
                                   TRect(P.Left + 4, P.Bottom, P.Right, P.Bottom + 4)}));
        },
        ShadowBelow);
    EXPECT_TRUE(ShownShadows().empty());

    // Left of an upright bar's button: the menu's right shadow passes over the button
    // without darkening it, and darkens the bar below it.
    const TRect Side = ButtonRect(Upright, 0);
    const TRect Bar = ScreenRect(Upright);
    LookAtMenuOf(
        Upright, 0,
        [&](TTBPopupWindow *Popup) {
            const TRect P = ScreenRect(Popup);
            ASSERT_EQ(P.Right, Side.Left + 2);
            TShadow *Right = nullptr;
            for (TShadow *Shadow : ShownShadows())
                if (ScreenRect(Shadow).Left == P.Right && ScreenRect(Shadow).Top == P.Top + 4)
                    Right = Shadow;
            ASSERT_NE(Right, nullptr);
            auto BarPixel = [&](int Y) {
                return PixelOf(Upright, P.Right - Bar.Left, Y - Bar.Top);
            };
            auto ShadowPixel = [&](int Y) { return PixelOf(Right, 0, Y - (P.Top + 4)); };
            for (const int Y : {P.Top + 9, Side.Bottom - 1})
                EXPECT_EQ(ShadowPixel(Y), BarPixel(Y)) << Y;
            const int Below = Side.Bottom + 1;
            ASSERT_LT(Below, std::min<int>(Bar.Bottom, P.Bottom));
            EXPECT_EQ(ShadowPixel(Below), ColorDarkerRGB(BarPixel(Below), 60));
        },
        ShadowBelow);
}

TEST_F(ToolbarTest, AnUprightBarsMenuOpensBesideItOnTheSideWithRoom)
{
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsWindowsXP);
    Skin->SetOptions({});
    TTBToolbar *OnLeft = MakeMenuButtonBar("OnLeft", MakeDock("LeftDock", dpLeft), Skin);
    TTBToolbar *OnRight = MakeMenuButtonBar("OnRight", MakeDock("RightDock", dpRight), Skin);
    ASSERT_EQ(OnLeft->View()->Orientation(), tbvoVertical);
    ASSERT_EQ(OnRight->View()->Orientation(), tbvoVertical);

    // The form stands near the work area's left end: no room left of the left bar.
    TRect Left = ButtonRect(OnLeft, 0);
    const TRect Right = ButtonRect(OnRight, 0);
    TRect Menu = MenuRectOf(OnLeft, 0);
    ASSERT_GT(Menu.Width(), Left.Left);
    EXPECT_EQ(Menu.Left, Left.Right);
    EXPECT_EQ(Menu.Top, Left.Top);
    Menu = MenuRectOf(OnRight, 0);
    EXPECT_EQ(Menu.Right, Right.Left);
    EXPECT_EQ(Menu.Top, Right.Top);

    // A work area that starts just left of the right bar turns its menu to the right.
    SetWorkArea(Right.Left - 10, 0, 1024, 768);
    Menu = MenuRectOf(OnRight, 0);
    EXPECT_EQ(Menu.Left, Right.Right);
    EXPECT_EQ(Menu.Top, Right.Top);

    // With room on its left, the left bar's menu opens there.
    SetWorkArea(0, 0, 1024, 768);
    Form->SetBounds(450, 50, 400, 300);
    Pump();
    Left = ButtonRect(OnLeft, 0);
    Menu = MenuRectOf(OnLeft, 0);
    EXPECT_EQ(Menu.Right, Left.Left);
    EXPECT_EQ(Menu.Top, Left.Top);
}

TEST_F(ToolbarTest, AnUprightBarsMenuStaysInsideTheWorkArea)
{
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsWindowsXP);
    Skin->SetOptions({});
    TTBToolbar *Bar = MakeMenuButtonBar("Upright", MakeDock("LeftDock", dpLeft), Skin);
    const TRect Button = ButtonRect(Bar, 0);

    // Near the bottom of the work area the menu is lifted, still beside its button: the work
    // area ends closer below the button's top than the menu is high.
    SetWorkArea(0, 0, 1024, Button.Top + 20);
    TRect Menu = MenuRectOf(Bar, 0);
    ASSERT_GT(Menu.Height(), 20);
    EXPECT_EQ(Menu.Bottom, Button.Top + 20);
    EXPECT_EQ(Menu.Left, Button.Right);

    // With room on neither side it drops below the button.
    SetWorkArea(Button.Left - 5, 0, Button.Right + 5, 768);
    Menu = MenuRectOf(Bar, 0);
    EXPECT_EQ(Menu.Top, Button.Bottom);
    EXPECT_EQ(Menu.Left, Button.Left - 5);
}

TEST_F(ToolbarTest, AMenuThatWouldHideTheBarsOtherButtonsOpensAboveIt)
{
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsWindowsXP);
    Skin->SetOptions({});
    TTBToolbar *Bar = MakeMenuButtonBar("Palette", Top, Skin);
    for (const char *Name : {"Two", "Three", "Four"})
        AddButton(Bar, Name);
    Pump();
    // One button a line, floating in the middle of the work area.
    Bar->SetFloatingWidth(Bar->BuildPotentialSizesList().back().WrapWidth);
    Bar->SetFloatingPosition(TPoint(300, 300));
    Bar->SetFloating(true);
    Pump();
    const TRect Button = ButtonRect(Bar, 0);
    ASSERT_EQ(ButtonRect(Bar, 1).Top, Button.Bottom);

    TRect Menu = MenuRectOf(Bar, 0);
    EXPECT_EQ(Menu.Bottom, Button.Top);
    EXPECT_EQ(Menu.Left, Button.Left);
    // Without room above, it covers them after all.
    SetWorkArea(0, Button.Top - 5, 1024, 768);
    Menu = MenuRectOf(Bar, 0);
    EXPECT_EQ(Menu.Top, Button.Bottom);
}

TEST_F(ToolbarTest, UnderOfficeXPADockedMenuBarKeepsItsColourUnlessTheSkinGivesItTheToolbars)
{
    TTBToolbar *Bar = MakeMenuBar();
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsOfficeXP);
    Bar->SetSkin(Skin);
    Bar->SetColor(RGB(200, 40, 40));
    Pump();
    // Right of the last menu the bar shows its background only.
    const int X = Bar->Width() - 12, Y = Bar->Height() / 2;
    const int ClientX = ScreenRect(Bar).Left + X - Bar->ClientToScreen(TPoint(0, 0)).X;
    ASSERT_GT(ClientX, Bar->View()->Find(Bar->Items()->Items(1))->BoundsRect().Right);
    ASSERT_LT(ClientX, Bar->ClientWidth());
    EXPECT_EQ(PixelOf(Bar, X, Y), RGB(200, 40, 40));
    Skin->SetOptions({tboMenuTBColor});
    Bar->Invalidate();
    Pump();
    EXPECT_EQ(PixelOf(Bar, X, Y), Skin->RGBColor(cToolbar));
    EXPECT_NE(Skin->RGBColor(cToolbar), RGB(200, 40, 40));
}

TEST_F(ToolbarTest, ADockedBarWhoseOwnSkinIsOffTakesTheOfficeFillOfTheDefaultSkin)
{
    auto Feeder = std::make_unique<TTBSkin>(nullptr);
    ASSERT_TRUE(Feeder->IsDefaultSkin());
    ASSERT_EQ(DefaultSkin()->SkinType(), tbsOfficeXP);
    const COLORREF Fill = DefaultSkin()->RGBColor(cToolbar);
    ASSERT_NE(Fill, ColorToRGB(clBtnFace));
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "One");
    Bar->SetFullSize(true);
    auto Own = std::make_unique<TTBSkin>(nullptr);
    Own->SetSkinType(tbsDisabled);
    Bar->SetSkin(Own.get());
    Bar->Invalidate();
    Pump();
    // Right of the button the bar shows its background only, drawn as its frame is.
    const int X = Bar->Width() - 12, Y = Bar->Height() / 2;
    const int ClientX = ScreenRect(Bar).Left + X - Bar->ClientToScreen(TPoint(0, 0)).X;
    ASSERT_GT(ClientX, Bar->View()->Find(Bar->Items()->Items(0))->BoundsRect().Right);
    ASSERT_LT(ClientX, Bar->ClientWidth());
    EXPECT_EQ(PixelOf(Bar, X, Y), Fill);
}

TEST_F(ToolbarTest, ABarOutlivingItsSkinDrawsItsButtonsWithTheDefaultSkin)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "One");
    auto Own = std::make_unique<TTBSkin>(nullptr);
    Own->SetSkinType(tbsOfficeXP);
    Bar->SetSkin(Own.get());
    Pump();
    Own.reset();
    Bar->Repaint();
    Pump();
    EXPECT_EQ(Bar->Skin(), DefaultSkin());
    EXPECT_EQ(Bar->View()->Skin(), DefaultSkin());
}

TEST_F(ToolbarTest, AMenuOpenWhileItsBarsSkinIsFreedDrawsOnWithTheDefaultSkin)
{
    const auto Feeder = std::make_unique<TTBSkin>(nullptr);
    ASSERT_TRUE(Feeder->IsDefaultSkin());
    auto Own = StandOutSkin();
    TTBToolbar *Bar = MakeMenuButtonBar("Tools", Top, Own.get());
    COLORREF Before = 0, After = 0;
    LookAtMenuOf(Bar, 0, [&](TTBPopupWindow *Popup) {
        Before = PictureColumnPixel(Popup);
        Own.reset();
        Popup->Repaint();
        After = PictureColumnPixel(Popup);
    });
    EXPECT_EQ(Before, ColorToRGB(StandOutRed));
    EXPECT_EQ(After, DefaultSkin()->RGBColor(cImageList));
}

TEST_F(ToolbarTest, AChevronsPopupOpenWhileTheBarsSkinIsFreedDrawsOnWithTheDefaultSkin)
{
    const auto Feeder = std::make_unique<TTBSkin>(nullptr);
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    for (const char *Name : Names)
        AddButton(Bar, Name);
    auto Own = StandOutSkin();
    Bar->SetSkin(Own.get());
    Form->SetWidth(Bar->Width() / 2 + 40);
    Pump();
    const COLORREF Red = ColorToRGB(StandOutRed), Selected = DefaultSkin()->RGBColor(cSelBar);
    ASSERT_NE(Selected, Red);
    long RedBefore = 0, RedAfter = -1, SelectedAfter = 0;
    MenuScript Script;
    Script.Until(OnePopupOpen)
        .Do([] {
            const auto Popups = OpenPopups();
            if (Popups.size() != 1) return;
            TTBView *View = Popups.front()->View();
            int First = 0;
            while (First < View->ViewerCount() && !View->Viewers(First)->Show())
                ++First;
            if (First == View->ViewerCount()) return;
            const TRect R = View->Viewers(First)->BoundsRect();
            const TPoint At = Popups.front()->ClientToScreen(
                TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
            MoveTo(At.X, At.Y);
        })
        .Until([] {
            const auto Popups = OpenPopups();
            return Popups.size() == 1 && Popups.front()->View()->Selected();
        })
        .Do([&] {
            const auto Popups = OpenPopups();
            if (Popups.size() == 1) {
                // The button under the mouse shows the selection of the skin in use.
                RedBefore = std::ranges::count(PixelsOf(Popups.front()), Red);
                Own.reset();
                Popups.front()->Repaint();
                const auto After = PixelsOf(Popups.front());
                RedAfter = std::ranges::count(After, Red);
                SelectedAfter = std::ranges::count(After, Selected);
            }
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
        });
    ClickRunning(Script, CentreOf(Bar, Bar->View()->Find(Bar->ChevronItem())));
    EXPECT_GT(RedBefore, 0);
    EXPECT_EQ(RedAfter, 0);
    EXPECT_GT(SelectedAfter, 0);
}

TEST_F(ToolbarTest, AMenuWhoseOpeningFreesItsBarsSkinOpensWithTheDefaultSkin)
{
    const auto Feeder = std::make_unique<TTBSkin>(nullptr);
    auto Own = StandOutSkin();
    TTBToolbar *Bar = MakeMenuButtonBar("Tools", Top, Own.get());
    Bar->Items()->Items(0)->OnPopup = [&](TTBCustomItem *, bool) { Own.reset(); };
    COLORREF Column = 0;
    LookAtMenuOf(Bar, 0, [&](TTBPopupWindow *Popup) { Column = PictureColumnPixel(Popup); });
    EXPECT_EQ(Column, DefaultSkin()->RGBColor(cImageList));
    EXPECT_EQ(Bar->View()->Skin(), DefaultSkin());
}

TEST_F(ToolbarTest, ItemsAreWrittenWithTheBarAndReadBackIntoAnotherInTheirOrder)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    TTBItem *Open = AddButton(Bar, "&Open");
    Open->SetName("OpenItem");
    Open->SetChecked(true);
    Open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    Open->SetHint("Open|Opens a key file");
    TTBSeparatorItem *Line = AddSeparator(Bar->Items());
    Line->SetName("Line");
    Line->SetBlank(true);
    TTBSubmenuItem *More = AddSubmenu(Bar->Items(), "&More");
    More->SetName("MoreItem");
    More->SetDropdownCombo(true);
    TTBItem *Deep = AddItem(More, "Deep");
    Deep->SetName("DeepItem");
    Deep->SetEnabled(false);
    Deep->SetOptions({tboDefault});
    Bar->SetChildOrder(More, 0);

    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(Bar);
    Stream.SetPosition(0);
    TTBToolbar *Copy = MakeToolbar("Copy", Top);
    TReader(&Stream).ReadRootComponent(Copy);

    ASSERT_EQ(Copy->Items()->Count(), 3);
    auto *CopyMore = dynamic_cast<TTBSubmenuItem *>(Copy->Items()->Items(0));
    auto *CopyOpen = dynamic_cast<TTBItem *>(Copy->Items()->Items(1));
    auto *CopyLine = dynamic_cast<TTBSeparatorItem *>(Copy->Items()->Items(2));
    ASSERT_TRUE(CopyMore && CopyOpen && CopyLine);
    EXPECT_EQ(CopyOpen->Name(), "OpenItem");
    EXPECT_EQ(CopyOpen->Owner(), Copy);
    EXPECT_EQ(CopyOpen->Caption(), "&Open");
    EXPECT_TRUE(CopyOpen->Checked());
    EXPECT_EQ(CopyOpen->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
    EXPECT_EQ(CopyOpen->Hint(), "Open|Opens a key file");
    EXPECT_TRUE(CopyLine->Blank());
    EXPECT_EQ(CopyMore->Caption(), "&More");
    EXPECT_TRUE(CopyMore->DropdownCombo());
    ASSERT_EQ(CopyMore->Count(), 1);
    EXPECT_EQ(CopyMore->Items(0)->Name(), "DeepItem");
    EXPECT_FALSE(CopyMore->Items(0)->Enabled());
    EXPECT_TRUE(CopyMore->Items(0)->Options() == TTBItemOptions{tboDefault});
    EXPECT_EQ(CopyMore->Items(0)->GetParentComponent(), CopyMore);
    EXPECT_EQ(CopyMore->GetParentComponent(), Copy);
    // The copy shows what it read.
    Pump();
    EXPECT_EQ(ShownCaptions(Copy->View()), (std::vector<AnsiString>{"&More", "&Open"}));
}

// An action still being read with the form that holds it.
class ReadingAction : public TAction
{
public:
    using TAction::TAction;
    void SetReading(bool On) { SetComponentStateFlag(csLoading, On); }
};

// How many pixels of a button's face have the colour.
int PixelsOfColour(TTBToolbar *Bar, TTBItem *Item, COLORREF Colour)
{
    const TRect R = Bar->View()->Find(Item)->BoundsRect();
    const TPoint Origin = Bar->ClientToScreen(TPoint(0, 0));
    const TRect Frame = ScreenRect(Bar);
    const int DX = Origin.X - Frame.Left, DY = Origin.Y - Frame.Top;
    int Count = 0;
    for (int Y = R.Top; Y < R.Bottom; ++Y)
        for (int X = R.Left; X < R.Right; ++X)
            if (PixelOf(Bar, X + DX, Y + DY) == Colour) ++Count;
    return Count;
}

TEST_F(ToolbarTest, ClickOnAButtonRunsItsActionForTheItem)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    AddButton(Bar, "Save");
    TTBItem *Open = AddButton(Bar, "Open");
    auto *Action = new TAction(Form.get());
    Action->SetCaption("&Open");
    TComponent *RunFor = nullptr;
    Action->SetOnExecute([&](TObject *Sender) {
        if (Sender == Action) RunFor = Action->ActionComponent();
    });
    Open->SetAction(Action);
    Pump();
    const TPoint At = CentreOf(Bar, 1);
    LeftClick(At.X, At.Y);
    vcltest::PumpUntil([&] { return RunFor; });
    EXPECT_EQ(RunFor, Open);
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(ToolbarTest, IdleUpdatesTheActionsOfShownBarsAndDisablingGreysTheButton)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    TTBItem *Open = AddButton(Bar, "Open");
    auto *Action = new TAction(Form.get());
    Action->SetCaption("Open");
    int Runs = 0;
    Action->SetOnExecute([&](TObject *) { ++Runs; });
    bool Allowed = true;
    int Updates = 0;
    Action->OnUpdate = [&](TObject *) {
        ++Updates;
        Action->SetEnabled(Allowed);
    };
    Open->SetAction(Action);
    Pump();
    const COLORREF Grey = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF Ink = GetSysColor(COLOR_BTNTEXT);
    ASSERT_GT(PixelsOfColour(Bar, Open, Ink), 0);
    const int GreyBefore = PixelsOfColour(Bar, Open, Grey);

    // The program's own loop, a thread timer keeping it from sleeping long.
    auto Idle = [&] {
        const int Before = Updates;
        const UINT_PTR Timer = SetTimer({}, 0, 10, nullptr);
        for (int I = 0; I < 200 && Updates == Before; ++I)
            Application->HandleMessage();
        KillTimer({}, Timer);
        Pump();
    };
    Allowed = false;
    Idle();
    EXPECT_GT(Updates, 0);
    EXPECT_FALSE(Open->Enabled());
    EXPECT_EQ(PixelsOfColour(Bar, Open, Ink), 0);
    EXPECT_GT(PixelsOfColour(Bar, Open, Grey), GreyBefore);
    const TPoint At = CentreOf(Bar, 0);
    LeftClick(At.X, At.Y);
    Pump();
    EXPECT_EQ(Runs, 0);

    Allowed = true;
    Idle();
    EXPECT_TRUE(Open->Enabled());
    EXPECT_GT(PixelsOfColour(Bar, Open, Ink), 0);

    // A bar told not to update its actions leaves them alone.
    Bar->SetUpdateActions(false);
    Updates = 0;
    const UINT_PTR Timer = SetTimer({}, 0, 10, nullptr);
    for (int I = 0; I < 20; ++I)
        Application->HandleMessage();
    KillTimer({}, Timer);
    EXPECT_EQ(Updates, 0);
}

TEST_F(ToolbarTest, IdleUpdatesTheActionsOfAFloatingBar)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    TTBItem *Open = AddButton(Bar, "Open");
    auto *Action = new TAction(Form.get());
    Action->SetCaption("Open");
    int Updates = 0;
    Action->OnUpdate = [&](TObject *) {
        ++Updates;
        Action->SetEnabled(false);
    };
    Open->SetAction(Action);
    Bar->SetFloatingPosition(TPoint(300, 200));
    Bar->SetFloating(true);
    Pump();
    ASSERT_TRUE(IsWindowVisible(Bar->FloatingWindowParent()->Handle()));
    Updates = 0;
    const UINT_PTR Timer = SetTimer({}, 0, 10, nullptr);
    for (int I = 0; I < 200 && Updates == 0; ++I)
        Application->HandleMessage();
    KillTimer({}, Timer);
    EXPECT_GT(Updates, 0);
    EXPECT_FALSE(Open->Enabled());
}

TEST_F(ToolbarTest, ItemsWithAnActionWriteOnlyWhatTheActionDoesNotSupply)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    auto *Action = new TAction(Bar);
    Action->SetName("OpenAction");
    Action->SetCaption("&Open");
    Action->SetHint("Open|Opens a key file");
    Action->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    Action->SetEnabled(false);
    TTBItem *Linked = AddButton(Bar, "Linked");
    Linked->SetName("LinkedItem");
    Linked->SetAction(Action);
    TTBItem *Own = AddButton(Bar, "Own");
    Own->SetName("OwnItem");
    Own->SetAction(Action);
    Own->SetCaption("Mine");
    Own->SetEnabled(true);

    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(Bar);
    Stream.SetPosition(0);
    // The copy's form has its own action of that name, read with it, saying other things.
    TTBToolbar *Copy = MakeToolbar("Copy", Top);
    auto *CopyAction = new ReadingAction(Copy);
    CopyAction->SetName("OpenAction");
    CopyAction->SetCaption("&Load");
    CopyAction->SetHint("Load|Loads a key file");
    CopyAction->SetReading(true);
    TReader(&Stream).ReadRootComponent(Copy);
    CopyAction->SetReading(false);

    ASSERT_EQ(Copy->Items()->Count(), 2);
    TTBCustomItem *CopyLinked = Copy->Items()->Items(0);
    TTBCustomItem *CopyOwn = Copy->Items()->Items(1);
    EXPECT_EQ(CopyLinked->Action(), CopyAction);
    EXPECT_EQ(CopyOwn->Action(), CopyAction);
    // Nothing the first item had from its action was written: it all comes from the copy's.
    EXPECT_EQ(CopyLinked->Caption(), "&Load");
    EXPECT_EQ(CopyLinked->Hint(), "Load|Loads a key file");
    EXPECT_EQ(CopyLinked->ShortCut(), 0);
    EXPECT_TRUE(CopyLinked->Enabled());
    // The second item's own caption and state were written and kept.
    EXPECT_EQ(CopyOwn->Caption(), "Mine");
    EXPECT_TRUE(CopyOwn->Enabled());
    EXPECT_EQ(CopyOwn->Hint(), "Load|Loads a key file");
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
    TTBToolWindow *Tool = MakeToolWindow();
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

TEST_F(ToolbarTest, ADockedToolWindowWhoseOwnSkinIsOffTakesTheOfficeFillOfTheDefaultSkin)
{
    auto Feeder = std::make_unique<TTBSkin>(nullptr);
    ASSERT_TRUE(Feeder->IsDefaultSkin());
    ASSERT_EQ(DefaultSkin()->SkinType(), tbsOfficeXP);
    const COLORREF Fill = ColorToRGB(DefaultSkin()->Colors()->GetSkinColor(3));
    ASSERT_NE(Fill, ColorToRGB(clBtnFace));
    TTBToolWindow *Tool = MakeToolWindow();
    auto Own = std::make_unique<TTBSkin>(nullptr);
    Own->SetSkinType(tbsDisabled);
    Tool->SetSkin(Own.get());
    Tool->Repaint();
    Pump();
    // The frame is drawn with the default skin, and so is the client under it.
    EXPECT_EQ(win::SurfacePixel(Tool->Handle(), 10, 10), Fill);
}

TEST_F(ToolbarTest, StretchedToolWindowAsksOnlyItsLeastLength)
{
    TTBToolWindow *Tool = MakeToolWindow();
    Tool->SetStretch(true);
    EXPECT_EQ(Tool->GetBaseSize(), TPoint(32, 50));
    Tool->SetMinClientWidth(60);
    EXPECT_EQ(Tool->GetBaseSize(), TPoint(60, 50));
}

} // namespace

// ---- buttons: measured as they are painted ----

class ButtonLookTest : public ToolbarTest
{
protected:
    // The viewer of the bar's item, measured on the bar's own canvas.
    static SIZE Measured(TTBToolbar *Bar, TTBCustomItem *Item)
    {
        const TRect R = Bar->View()->Find(Item)->BoundsRect();
        return SIZE{R.Width(), R.Height()};
    }
    static int TextHeight()
    {
        std::unique_ptr<TBitmap> Scratch = std::make_unique<TBitmap>();
        Scratch->Canvas()->Font()->Assign(ToolbarFont());
        return GetTextHeight(Scratch->Canvas()->Handle());
    }
    static int TextWidth(const char *Caption)
    {
        std::unique_ptr<TBitmap> Scratch = std::make_unique<TBitmap>();
        Scratch->Canvas()->Font()->Assign(ToolbarFont());
        return GetTextWidth(Scratch->Canvas()->Handle(), Caption, true);
    }
    // Paints the item's viewer into a picture of its size filled with the face colour.
    static std::unique_ptr<TBitmap> Painted(TTBToolbar *Bar, TTBCustomItem *Item, bool Hover)
    {
        TTBItemViewer *Viewer = Bar->View()->Find(Item);
        const TRect R = Viewer->BoundsRect();
        auto Picture = std::make_unique<TBitmap>();
        Picture->SetPixelFormat(pf24bit);
        Picture->SetSize(R.Width(), R.Height());
        TCanvas *Canvas = Picture->Canvas();
        Canvas->Brush()->SetColor(clBtnFace);
        Canvas->FillRect(Rect(0, 0, R.Width(), R.Height()));
        Canvas->Font()->Assign(ToolbarFont());
        Canvas->Font()->SetColor(clBtnText);
        Viewer->Paint(Canvas, Rect(0, 0, R.Width(), R.Height()), Hover, false, false);
        return Picture;
    }
    static int Count(TBitmap *Picture, const TRect &Area, COLORREF Colour)
    {
        int Result = 0;
        for (int Y = Area.Top; Y < Area.Bottom; ++Y)
            for (int X = Area.Left; X < Area.Right; ++X)
                Result += ColorToRGB(Picture->Canvas()->Pixels(X, Y)) == Colour;
        return Result;
    }
    static TRect Ink(TBitmap *Picture)
    {
        const COLORREF Text = GetSysColor(COLOR_BTNTEXT);
        TRect R(Picture->Width(), Picture->Height(), -1, -1);
        for (int Y = 0; Y < Picture->Height(); ++Y)
            for (int X = 0; X < Picture->Width(); ++X)
                if (ColorToRGB(Picture->Canvas()->Pixels(X, Y)) == Text) {
                    R.Left = std::min(R.Left, X);
                    R.Top = std::min(R.Top, Y);
                    R.Right = std::max(R.Right, X + 1);
                    R.Bottom = std::max(R.Bottom, Y + 1);
                }
        return R;
    }
};

TEST_F(ButtonLookTest, ADropDownArrowWidensTheButtonByWhatItTakes)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    TTBItem *Plain = AddButton(Bar, "Tools");
    TTBSubmenuItem *Menu = AddSubmenu(Bar->Items(), "Tools");
    AddItem(Menu, "Options");
    Menu->SetOptions(Menu->Options() + TTBItemOptions{tboDropdownArrow});
    Pump();
    EXPECT_EQ(Measured(Bar, Menu).cx, Measured(Bar, Plain).cx + 8);
    EXPECT_EQ(Measured(Bar, Plain).cx, TextWidth("Tools") + 12);
    // The caption keeps its whole room: it stands where the plain button's does.
    const TRect PlainInk = Ink(Painted(Bar, Plain, false).get());
    const TRect MenuInk = Ink(Painted(Bar, Menu, false).get());
    EXPECT_EQ(MenuInk.Left, PlainInk.Left);
    EXPECT_GT(MenuInk.Right, PlainInk.Right); // and the arrow after it
}

TEST_F(ButtonLookTest, UprightBarsTurnTheirCaptionsUnlessTheItemKeepsThemLevel)
{
    TTBDock *Left = MakeDock("LeftDock", dpLeft);
    TTBToolbar *Bar = MakeToolbar("Upright", Left);
    TTBItem *Turned = AddButton(Bar, "Customize");
    TTBItem *Level = AddButton(Bar, "Customize");
    Level->SetOptions({tboNoRotation});
    Pump();
    ASSERT_EQ(Bar->View()->Orientation(), tbvoVertical);
    EXPECT_EQ(Measured(Bar, Turned).cy, TextWidth("Customize") + 12);
    EXPECT_EQ(Measured(Bar, Turned).cx, TextHeight() + 6);
    EXPECT_EQ(Measured(Bar, Level).cy, TextHeight() + 6);
    const TRect TurnedInk = Ink(Painted(Bar, Turned, false).get());
    EXPECT_GT(TurnedInk.Height(), 2 * TurnedInk.Width());
    const TRect LevelInk = Ink(Painted(Bar, Level, false).get());
    EXPECT_GT(LevelInk.Width(), 2 * LevelInk.Height());
}

TEST_F(ButtonLookTest, AnImageAboveTheCaptionStandsOverIt)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    auto *Images = new TImageList(Form.get());
    Images->SetWidth(16);
    Images->SetHeight(16);
    TBitmap Red;
    Red.SetPixelFormat(pf24bit);
    Red.SetSize(16, 16);
    Red.Canvas()->Brush()->SetColor(clRed);
    Red.Canvas()->FillRect(Rect(0, 0, 16, 16));
    Images->Add(&Red, nullptr);
    TTBItem *Item = AddButton(Bar, "Customize");
    Item->SetImages(Images);
    Item->SetImageIndex(0);
    Item->SetDisplayMode(nbdmImageAndText);
    Item->SetOptions({tboImageAboveCaption});
    Pump();
    EXPECT_EQ(Measured(Bar, Item).cy, 6 + TextHeight() + 16);
    EXPECT_EQ(Measured(Bar, Item).cx, std::max(TextWidth("Customize") + 12, 16 + 7));
    const auto Picture = Painted(Bar, Item, false);
    const TRect Text = Ink(Picture.get());
    int RedBottom = -1;
    for (int Y = 0; Y < Picture->Height(); ++Y)
        for (int X = 0; X < Picture->Width(); ++X)
            if (ColorToRGB(Picture->Canvas()->Pixels(X, Y)) == RGB(255, 0, 0)) RedBottom = Y + 1;
    ASSERT_GT(RedBottom, 0);
    EXPECT_LE(RedBottom, Text.Top);
}

TEST_F(ButtonLookTest, OfficeXPMenuBarsAreTwoPixelsLower)
{
    TTBToolbar *Menus = MakeMenuBar();
    TTBToolbar *Tools = MakeToolbar("Tools", Top);
    TTBItem *Button = AddButton(Tools, "&File");
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsOfficeXP);
    Menus->SetSkin(Skin);
    Tools->SetSkin(Skin);
    Pump();
    EXPECT_EQ(Measured(Tools, Button).cy, 6 + TextHeight() + 3);
    EXPECT_EQ(Measured(Menus, Menus->Items()->Items(0)).cy, 4 + TextHeight() + 3);
}

TEST_F(ButtonLookTest, WindowsXPMenuBarsFillTheSelectedItem)
{
    TTBToolbar *Menus = MakeMenuBar();
    TTBToolbar *Tools = MakeToolbar("Tools", Top);
    TTBItem *Button = AddButton(Tools, "File");
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsWindowsXP);
    Menus->SetSkin(Skin);
    Tools->SetSkin(Skin);
    Pump();
    const COLORREF Selected = ColorToRGB(Skin->Colors()->GetSkinColor(tcSelItem));
    const auto Menu = Painted(Menus, Menus->Items()->Items(0), true);
    // Corners too: a filled rectangle, not the rounded button of other bars.
    EXPECT_EQ(ColorToRGB(Menu->Canvas()->Pixels(0, 0)), Selected);
    EXPECT_EQ(ColorToRGB(Menu->Canvas()->Pixels(Menu->Width() - 1, Menu->Height() - 1)), Selected);
    const auto Plain = Painted(Tools, Button, true);
    EXPECT_NE(ColorToRGB(Plain->Canvas()->Pixels(0, 0)), Selected);
}

TEST_F(ButtonLookTest, WindowsXPMenuBarsWriteTheSelectedItemInTheHighlightsTextColour)
{
    TTBToolbar *Menus = MakeMenuBar();
    auto *Skin = new TTBSkin(Form.get());
    Skin->SetSkinType(tbsWindowsXP);
    Menus->SetSkin(Skin);
    Pump();
    const COLORREF Highlight = ColorToRGB(Skin->Colors()->GetSkinColor(tcHighlightText));
    const COLORREF Plain = ColorToRGB(clBtnText);
    ASSERT_NE(Highlight, Plain);
    const auto Hovered = Painted(Menus, Menus->Items()->Items(0), true);
    const TRect All(0, 0, Hovered->Width(), Hovered->Height());
    EXPECT_GT(Count(Hovered.get(), All, Highlight), 0);
    EXPECT_EQ(Count(Hovered.get(), All, Plain), 0);
    const auto Resting = Painted(Menus, Menus->Items()->Items(0), false);
    EXPECT_GT(Count(Resting.get(), All, Plain), 0);
}

TEST_F(ButtonLookTest, ACheckedButtonWithoutSkinShowsADitheredFace)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top);
    TTBItem *Item = AddButton(Bar, "Grid");
    Item->SetChecked(true);
    Pump();
    const auto Checked = Painted(Bar, Item, false);
    const TRect Face(2, 2, Checked->Width() - 2, Checked->Height() - 2);
    const int Light = Count(Checked.get(), Face, GetSysColor(COLOR_BTNHIGHLIGHT));
    const int Plain = Count(Checked.get(), Face, GetSysColor(COLOR_BTNFACE));
    // Every other pixel of the face, but where the caption's letters are.
    EXPECT_GT(Light, Face.Width() * Face.Height() / 3);
    EXPECT_GT(Plain, Face.Width() * Face.Height() / 3);
    EXPECT_NE(ColorToRGB(Checked->Canvas()->Pixels(2, 2)),
              ColorToRGB(Checked->Canvas()->Pixels(3, 2)));
    // Hovered, the face is plain again.
    const auto Hovered = Painted(Bar, Item, true);
    EXPECT_EQ(Count(Hovered.get(), Face, GetSysColor(COLOR_BTNHIGHLIGHT)), 0);
}
