// Docks on the four sides of a form made here, bars of fixed sizes in them, dragged
// with input put into the window system's queue, and their places kept in ini files.

#include "menus/TB2Dock.h"
#include "menus/TBSkinShared.h"
#include "menus/TTBToolbar.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"
#include "tests/menus/MenuTestSupport.h"
#include "tests/vcl/InputFeed.h"
#include "tests/vcl/VclTestSupport.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QtGui/qevent.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <unistd.h>

namespace
{

using vcltest::Pump;

// A bar whose content is a fixed length along the row and a fixed thickness.
class TestBar : public TTBCustomDockableWindow
{
    QRV4_CLASS(TestBar, TTBCustomDockableWindow)

public:
    TestBar(TComponent *AOwner, int Length, int Thickness)
        : TTBCustomDockableWindow(AOwner), FLength(Length), FThickness(Thickness)
    {
    }
    TPoint DoArrange(bool, TTBDockType DockType, bool, TTBDock *) override
    {
        return DockType == dtLeftRight ? TPoint(FThickness, FLength) : TPoint(FLength, FThickness);
    }
    TPoint GetBaseSize() override
    {
        return DoArrange(false, TBGetDockTypeOf(CurrentDock(), Floating()), Floating(),
                         CurrentDock());
    }
    TTBShrinkMode GetShrinkMode() override { return Shrink; }
    int GetMinShrinkSize() override { return MinShrink; }
    // As a form designer holds it.
    using TTBCustomDockableWindow::SetDesigning;

    TTBShrinkMode Shrink = tbsmNone;
    int MinShrink = 0;

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(Fill);
        Canvas()->FillRect(ClientRect());
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->TextOut(3, 2, Caption());
    }

public:
    TColor Fill = clWindow;

private:
    int FLength;
    int FThickness;
};

TRect ScreenRect(TWinControl *Control)
{
    RECT R;
    GetWindowRect(Control->Handle(), &R);
    return R;
}

using vcltest::FeedDrag;
using vcltest::InputFeed;
using vcltest::LeftButtonInput;

void Inject(win::MouseAction Action, POINT P)
{
    win::InjectMouseInput(LeftButtonInput(Action, P));
}

// The drag handle of a bar docked in a top or bottom dock.
POINT HandleOf(TWinControl *Bar)
{
    const TRect R = ScreenRect(Bar);
    return POINT{R.Left + 4, R.Top + R.Height() / 2};
}

std::string FileText(const std::string &Path)
{
    std::ifstream In(Path);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

bool FrameShown(TTBCustomDockableWindow *Bar)
{
    return Bar->FloatingWindowParent() &&
           IsWindowVisible(Bar->FloatingWindowParent()->Handle()) != FALSE;
}

class DockTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        win::OverrideMonitors({win::Monitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}}});
        ShownForm(600, 400);
        Top = MakeDock("DockTop", dpTop);
        Bottom = MakeDock("DockBottom", dpBottom);
        Left = MakeDock("DockLeft", dpLeft);
        Right = MakeDock("DockRight", dpRight);
        Pump();
    }

    void TearDown() override
    {
        Form.reset();
        std::filesystem::remove(IniPath);
        win::ResetSettings();
        VclTest::TearDown();
    }

    TTBDock *MakeDock(const char *Name, TTBDockPosition Position)
    {
        return menutest::MakeDock(Form.get(), Name, Position);
    }

    TestBar *MakeBar(const char *Name, int Length, int Thickness, TTBDock *Dock, int Row = 0,
                     int Pos = 0)
    {
        auto *Bar = new TestBar(Form.get(), Length, Thickness);
        Bar->SetName(Name);
        Bar->SetCaption(Name);
        Bar->SetHideWhenInactive(false);
        Bar->SetDockRow(Row);
        Bar->SetDockPos(Pos);
        Bar->SetParent(Dock);
        Pump();
        return Bar;
    }

    // Floats the bar with its frame at a screen point, and lets the frame show.
    static void FloatAt(TTBCustomDockableWindow *Bar, int X, int Y)
    {
        Bar->SetFloatingPosition(TPoint(X, Y));
        Bar->SetFloating(true);
        vcltest::PumpUntil([Bar] { return FrameShown(Bar); });
    }

    // Two bars floating one above the other, their frames shown.
    std::pair<TestBar *, TestBar *> TwoFloatingBars()
    {
        TestBar *First = MakeBar("First", 150, 40, Top);
        TestBar *Second = MakeBar("Second", 150, 40, Top, 1);
        FloatAt(First, 200, 150);
        FloatAt(Second, 200, 300);
        EXPECT_TRUE(FrameShown(First));
        EXPECT_TRUE(FrameShown(Second));
        return {First, Second};
    }

    // A point of the form's client area, on the screen.
    POINT FormPoint(int X, int Y) { return Form->ClientToScreen(TPoint(X, Y)); }

    TTBDock *Top = nullptr;
    TTBDock *Bottom = nullptr;
    TTBDock *Left = nullptr;
    TTBDock *Right = nullptr;
    std::string IniPath = (std::filesystem::temp_directory_path() /
                           ("qrv4_docks_" + std::to_string(::getpid()) + ".ini"))
                              .string();
};

// ---- Rows -----------------------------------------------------------------------------------

TEST_F(DockTest, EmptyDocksAreFlatAndAFixedOneKeepsOnePixel)
{
    EXPECT_EQ(Top->Height(), 0);
    EXPECT_EQ(Left->Width(), 0);
    Top->SetFixAlign(true);
    EXPECT_EQ(Top->Height(), 1);
    Top->SetFixAlign(false);
    EXPECT_EQ(Top->Height(), 0);
    // At design time an empty dock stays big enough to drop a bar on.
    struct DesignedDock : TTBDock {
        using TTBDock::SetDesigning;
        using TTBDock::TTBDock;
    };
    auto *Designed = new DesignedDock(Form.get());
    Designed->SetPosition(dpBottom);
    Designed->SetParent(Form.get());
    Designed->SetDesigning(true);
    Designed->ArrangeToolbars();
    EXPECT_EQ(Designed->Height(), 9);
}

TEST_F(DockTest, ARowIsAsThickAsItsThickestBarWithItsFrame)
{
    TestBar *A = MakeBar("A", 100, 22, Top, 0, 0);
    TestBar *B = MakeBar("B", 100, 26, Top, 0, 200);
    EXPECT_EQ(Top->Height(), 30);
    EXPECT_EQ(A->EffectiveDockRow(), 0);
    EXPECT_EQ(B->EffectiveDockRow(), 0);
    // Both bars take the row's thickness; the drag handle widens each along the row.
    EXPECT_EQ(A->Height(), 30);
    EXPECT_EQ(A->Width(), 100 + 4 + 6);
    EXPECT_EQ(B->Left(), 200);
    EXPECT_EQ(A->ClientWidth(), 100);
    EXPECT_EQ(A->ClientHeight(), 26);
}

TEST_F(DockTest, BarsDockOnEachSideAndTurnWithTheirDock)
{
    TestBar *T = MakeBar("T", 120, 20, Top);
    TestBar *B = MakeBar("B", 120, 20, Bottom);
    TestBar *L = MakeBar("L", 120, 20, Left);
    TestBar *R = MakeBar("R", 120, 20, Right);
    EXPECT_EQ(T->CurrentDock(), Top);
    EXPECT_EQ(B->CurrentDock(), Bottom);
    EXPECT_EQ(L->CurrentDock(), Left);
    EXPECT_EQ(R->CurrentDock(), Right);
    EXPECT_EQ(Top->Height(), 24);
    EXPECT_EQ(Bottom->Height(), 24);
    EXPECT_EQ(Left->Width(), 24);
    EXPECT_EQ(Right->Width(), 24);
    // Side docks stand the bar up; the handle is on top there.
    EXPECT_EQ(L->Width(), 24);
    EXPECT_EQ(L->Height(), 120 + 4 + 6);
    EXPECT_EQ(L->ClientWidth(), 20);
    EXPECT_EQ(L->ClientHeight(), 120);
    // The side docks fill what the top and bottom docks leave.
    const int ClientHeight = Form->ClientHeight();
    EXPECT_EQ(Bottom->Top(), ClientHeight - 24);
    EXPECT_EQ(Left->Top(), 24);
    EXPECT_EQ(Left->Height(), ClientHeight - 48);
    EXPECT_EQ(Right->Left(), Form->ClientWidth() - 24);
}

TEST_F(DockTest, FullSizeBarsAndTooLongRowsSplitIntoRows)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    TestBar *Full = MakeBar("Full", 100, 20, Top, 0, 300);
    Full->SetFullSize(true);
    EXPECT_NE(A->EffectiveDockRow(), Full->EffectiveDockRow());
    EXPECT_EQ(Full->Width(), Form->ClientWidth());
    EXPECT_EQ(Top->Height(), 48);

    // Three bars that do not fit the row side by side wrap into a new row.
    TestBar *C = MakeBar("C", 250, 20, Bottom, 0, 0);
    TestBar *D = MakeBar("D", 250, 20, Bottom, 0, 260);
    TestBar *E = MakeBar("E", 250, 20, Bottom, 0, 520);
    EXPECT_EQ(C->EffectiveDockRow(), 0);
    EXPECT_EQ(D->EffectiveDockRow(), 0);
    EXPECT_EQ(E->EffectiveDockRow(), 1);
    // On its own row it keeps as much of its place as the row's length allows.
    EXPECT_EQ(E->Left() + E->Width(), Form->ClientWidth());
    EXPECT_EQ(Bottom->Height(), 48);

    // Held to one row they stay there, pushed up against each other.
    Bottom->SetLimitToOneRow(true);
    Bottom->ArrangeToolbars();
    EXPECT_EQ(E->EffectiveDockRow(), 0);
    EXPECT_EQ(Bottom->Height(), 24);
    EXPECT_EQ(D->Left(), C->Left() + C->Width());
}

TEST_F(DockTest, ChevronBarsShrinkInAnOverfullRowAndAStretchedBarReachesTheEnd)
{
    Top->SetLimitToOneRow(true);
    TestBar *A = MakeBar("A", 300, 20, Top, 0, 0);
    TestBar *B = MakeBar("B", 300, 20, Top, 0, 400);
    B->Shrink = tbsmChevron;
    B->MinShrink = 40;
    Top->ArrangeToolbars();
    EXPECT_EQ(A->Width(), 310);
    EXPECT_EQ(B->Left(), 310);
    EXPECT_EQ(B->Width(), Form->ClientWidth() - 310);
    EXPECT_EQ(B->CurrentSize(), B->Width());

    TestBar *S = MakeBar("S", 100, 20, Bottom, 0, 0);
    TestBar *T = MakeBar("T", 100, 20, Bottom, 0, 150);
    T->SetStretch(true);
    EXPECT_EQ(S->Width(), 110);
    EXPECT_EQ(T->Left() + T->Width(), Form->ClientWidth());
}

// A bar that wraps its content onto as many lines as the length it is given needs.
class WrappingBar : public TestBar
{
    QRV4_CLASS(WrappingBar, TestBar)

public:
    WrappingBar(TComponent *AOwner, int Length, int LineThickness)
        : TestBar(AOwner, Length, LineThickness), FLength(Length), FLine(LineThickness)
    {
        Shrink = tbsmWrap;
        MinShrink = 20;
    }
    TPoint DoArrange(bool CanMoveControls, TTBDockType DockType, bool NewFloating,
                     TTBDock *NewDock) override
    {
        const int Given = CurrentSize() - CalcNCSizes(false).X;
        if (DockType != dtTopBottom || Given <= 0 || Given >= FLength)
            return TestBar::DoArrange(CanMoveControls, DockType, NewFloating, NewDock);
        return TPoint(Given, FLine * ((FLength + Given - 1) / Given));
    }
    // Its content on one line.
    TPoint GetBaseSize() override { return TPoint(FLength, FLine); }

private:
    int FLength;
    int FLine;
};

TEST_F(DockTest, AWrappingBarShortenedAgainWrapsOntoMoreLines)
{
    auto *A = new WrappingBar(Form.get(), 300, 20);
    A->SetName("A");
    A->SetHideWhenInactive(false);
    A->SetParent(Top);
    Pump();
    EXPECT_EQ(Top->Height(), 24);
    // 240 of 300 left inside the frame: two lines.
    Form->SetClientWidth(250);
    Pump();
    EXPECT_EQ(A->Width(), 250);
    EXPECT_EQ(Top->Height(), 44);
    // 110 left: three lines.
    Form->SetClientWidth(120);
    Pump();
    EXPECT_EQ(A->Width(), 120);
    EXPECT_EQ(Top->Height(), 64);
    // The same length again keeps the lines it has.
    Top->ArrangeToolbars();
    EXPECT_EQ(Top->Height(), 64);
}

TEST_F(DockTest, ADockRefusesToMoveOrToGoInsideABar)
{
    MakeBar("A", 100, 20, Top);
    try {
        Top->SetPosition(dpLeft);
        FAIL() << "a dock with bars turned";
    } catch (const EInvalidOperation &E) {
        EXPECT_EQ(E.Message(),
                  "Cannot change Position of a TTBDock if it already contains controls");
    }
    EXPECT_EQ(Top->Position(), dpTop);
    auto *Bar = static_cast<TestBar *>(Top->Toolbars(0));
    auto *Inner = new TTBDock(Form.get());
    try {
        Inner->SetParent(Bar);
        FAIL() << "a dock went into a bar";
    } catch (const EInvalidOperation &E) {
        EXPECT_EQ(E.Message(),
                  "A TTBDock control cannot be placed inside a tool window or another TTBDock");
    }
    EXPECT_EQ(Inner->Parent(), nullptr);
}

TEST_F(DockTest, InsertedAndRemovedBarsAreReported)
{
    std::vector<std::pair<bool, AnsiString>> Seen;
    Top->OnInsertRemoveBar = [&](TObject *, bool Inserting, TTBCustomDockableWindow *Bar) {
        Seen.emplace_back(Inserting, Bar->Name());
    };
    TestBar *A = MakeBar("A", 100, 20, Top);
    A->Hide();
    EXPECT_EQ(Top->ToolbarCount(), 0);
    EXPECT_EQ(Top->Height(), 0);
    A->Show();
    ASSERT_EQ(Seen.size(), 3u);
    EXPECT_TRUE(Seen[0].first);
    EXPECT_FALSE(Seen[1].first);
    EXPECT_TRUE(Seen[2].first);
    EXPECT_EQ(Top->Height(), 24);
}

// A bar that says which keys and commands it is offered; it takes them when told to.
class KeyBar : public TestBar
{
    QRV4_CLASS(KeyBar, TestBar)

public:
    KeyBar(TComponent *AOwner, bool MenuEvents) : TestBar(AOwner, 100, 20)
    {
        if (MenuEvents) FControlStyle << csMenuEvents;
    }
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == CM_DIALOGCHAR || Message.Msg == WM_SYSCOMMAND) {
            Offered.push_back(Message.Msg);
            Message.Result = Takes ? 1 : 0;
            return;
        }
        TestBar::WndProc(Message);
    }
    std::vector<UINT> Offered;
    bool Takes = false;
};

TEST_F(DockTest, KeysAndCommandsOfferedToADockReachItsShownFloatingBarsThatAskForThem)
{
    auto MakeKeyBar = [&](const char *Name, bool MenuEvents) {
        auto *Bar = new KeyBar(Form.get(), MenuEvents);
        Bar->SetName(Name);
        Bar->SetHideWhenInactive(false);
        Bar->SetParent(Top);
        FloatAt(Bar, 200, 200);
        return Bar;
    };
    KeyBar *A = MakeKeyBar("A", true);
    KeyBar *B = MakeKeyBar("B", true);
    KeyBar *Plain = MakeKeyBar("Plain", false);
    ASSERT_TRUE(A->Floating() && B->Floating() && Plain->Floating());
    // The first that takes the key ends the offer.
    A->Takes = true;
    EXPECT_NE(Top->Perform(CM_DIALOGCHAR, 'F', 0), 0);
    EXPECT_EQ(A->Offered, std::vector<UINT>{CM_DIALOGCHAR});
    EXPECT_TRUE(B->Offered.empty());
    // A hidden bar is passed over; none takes it now.
    A->Hide();
    Pump();
    EXPECT_EQ(Top->Perform(WM_SYSCOMMAND, SC_KEYMENU, 'F'), 0);
    EXPECT_EQ(A->Offered.size(), 1u);
    EXPECT_EQ(B->Offered, std::vector<UINT>{WM_SYSCOMMAND});
    EXPECT_TRUE(Plain->Offered.empty());
}

TEST_F(DockTest, BoundLinesFrameADockThatHoldsBars)
{
    Top->SetBoundLines({blTop, blBottom});
    EXPECT_EQ(Top->Height(), 0);
    MakeBar("A", 100, 20, Top);
    EXPECT_EQ(Top->Height(), 24 + 2);
    Top->Repaint();
    Pump();
    const HWND Dock = Top->Handle();
    const int Bottom = Top->Height() - 1;
    EXPECT_EQ(win::SurfacePixel(Dock, 300, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(win::SurfacePixel(Dock, 300, Bottom), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(win::SurfacePixel(Dock, 300, 1), ColorToRGB(clBtnFace));
    RECT Client;
    GetClientRect(Dock, &Client);
    EXPECT_EQ(Client.bottom, 24);
}

TEST_F(DockTest, ASystemColourChangeReachesTheSkinsOfTheDocksBars)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    TTBBaseSkin Office(nullptr);
    Office.SetSkinType(tbsOfficeXP);
    A->SetSkin(&Office);
    const COLORREF Before = Office.RGBColor(cPopup);
    win::OverrideSysColor(COLOR_WINDOW, RGB(0, 0, 0));
    Top->Perform(CM_SYSCOLORCHANGE, 0, 0);
    EXPECT_NE(Office.RGBColor(cPopup), Before);
    A->SetSkin(nullptr);
}

// ---- The docked frame ---------------------------------------------------------------------

TEST_F(DockTest, TheDragHandleSizeFollowsStyleAndCloseButton)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    A->SetDragHandleStyle(dhDouble);
    EXPECT_EQ(A->ClientOrigin().X - ScreenRect(A).Left, 2 + 9);
    A->SetDragHandleStyle(dhNone);
    EXPECT_EQ(A->ClientOrigin().X - ScreenRect(A).Left, 2);
    A->SetCloseButtonWhenDocked(true);
    EXPECT_EQ(A->ClientOrigin().X - ScreenRect(A).Left, 2 + 14);
    EXPECT_EQ(A->Width(), 100 + 4 + 14);
    Top->SetAllowDrag(false);
    EXPECT_EQ(A->Width(), 100 + 4);
    EXPECT_FALSE(A->IsMovable());
}

// Each grip bar is a raised line of the bar's own colour, however the window looked before
// its frame was drawn.
TEST_F(DockTest, TheGripBarsAreRaisedLinesOfTheBarsColour)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    const COLORREF Face = RGB(200, 180, 120);
    A->SetColor(static_cast<TColor>(Face));
    const int Middle = A->Height() / 2;
    const auto GripAfterRedPaint = [&](int X) {
        const HDC DC = GetWindowDC(A->Handle());
        FillRectRGB(DC, RECT{0, 0, A->Width(), A->Height()}, RGB(255, 0, 0));
        ReleaseDC(A->Handle(), DC);
        RedrawWindow(A->Handle(), nullptr, {}, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();
        return win::SurfacePixel(A->Handle(), X, Middle);
    };
    EXPECT_EQ(GripAfterRedPaint(3), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GripAfterRedPaint(4), Face);
    EXPECT_EQ(GripAfterRedPaint(5), GetSysColor(COLOR_BTNSHADOW));
    A->SetDragHandleStyle(dhDouble);
    EXPECT_EQ(GripAfterRedPaint(5), Face);
    EXPECT_EQ(GripAfterRedPaint(8), Face);
}

TEST_F(DockTest, TheDockedCloseButtonClosesTheBar)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    A->SetCloseButtonWhenDocked(true);
    bool Closed = false;
    A->OnClose = [&](TObject *) { Closed = true; };
    const TRect Button = A->GetDockedCloseButtonRect(false);
    A->Repaint();
    Pump();
    // The cross's first stroke starts two pixels in, one row down.
    EXPECT_EQ(win::SurfacePixel(A->Handle(), Button.Left + 2, Button.Top + 3),
              GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(win::SurfacePixel(A->Handle(), Button.Left + 2, Button.Top + 2),
              ColorToRGB(A->Color()));
    const TRect Window = ScreenRect(A);
    const POINT At{Window.Left + Button.Left + 3, Window.Top + Button.Top + 3};
    FeedDrag(At, At);
    EXPECT_TRUE(Closed);
    EXPECT_FALSE(A->Visible());
    EXPECT_EQ(Top->ToolbarCount(), 0);
}

// ---- Dragging -------------------------------------------------------------------------------

TEST_F(DockTest, ABarIsDraggedFromDockToDock)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    std::vector<AnsiString> Changes;
    A->OnDockChanged = [&](TObject *) {
        Changes.push_back(A->CurrentDock() ? A->CurrentDock()->Name() : AnsiString("+"));
    };
    FeedDrag(HandleOf(A), FormPoint(300, Form->ClientHeight() - 4));
    EXPECT_EQ(A->CurrentDock(), Bottom);
    EXPECT_EQ(Top->Height(), 0);
    EXPECT_EQ(Bottom->Height(), 24);
    EXPECT_EQ(A->LastDock(), Bottom);
    ASSERT_FALSE(Changes.empty());
    EXPECT_EQ(Changes.back(), "DockBottom");

    // Into the left dock, where it stands up.
    const TRect R = ScreenRect(A);
    FeedDrag(POINT{R.Left + 4, R.Top + R.Height() / 2}, FormPoint(3, 150));
    EXPECT_EQ(A->CurrentDock(), Left);
    EXPECT_EQ(Left->Width(), 24);
    EXPECT_EQ(A->Height(), 110);
}

TEST_F(DockTest, ADockMayRefuseABarAndCtrlKeepsItFloating)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    int Asked = 0;
    Bottom->OnRequestDock = [&](TObject *, TTBCustomDockableWindow *, bool &Accept) {
        ++Asked;
        Accept = false;
    };
    FeedDrag(HandleOf(A), FormPoint(300, Form->ClientHeight() - 4));
    EXPECT_GT(Asked, 0);
    EXPECT_NE(A->CurrentDock(), Bottom);
    EXPECT_TRUE(A->Floating());

    // Holding Ctrl the whole way, the bar never docks, even over a dock.
    const POINT Caption{ScreenRect(A->FloatingWindowParent()).Left + 10,
                        ScreenRect(A->FloatingWindowParent()).Top + 8};
    vcltest::KeyDown(VK_CONTROL);
    FeedDrag(Caption, FormPoint(300, 5));
    vcltest::KeyUp(VK_CONTROL);
    Pump();
    EXPECT_TRUE(A->Floating());
    EXPECT_EQ(Top->ToolbarCount(), 0);
}

TEST_F(DockTest, ABarFloatsAndDocksBackByItsCaption)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    FeedDrag(HandleOf(A), FormPoint(300, 200));
    ASSERT_TRUE(A->Floating());
    TTBFloatingWindowParent *Frame = A->FloatingWindowParent();
    ASSERT_NE(Frame, nullptr);
    Pump();
    EXPECT_TRUE(IsWindowVisible(Frame->Handle()));
    EXPECT_EQ(Top->Height(), 0);
    // The frame's client is the bar; the bar takes its floating size.
    EXPECT_EQ(A->Width(), 100);
    EXPECT_EQ(A->Height(), 20);
    EXPECT_EQ(Frame->ClientWidth(), 100);
    EXPECT_EQ(A->FloatingPosition(), TPoint(ScreenRect(Frame).Left, ScreenRect(Frame).Top));
    // The grab point stays under the cursor.
    const TRect Placed = ScreenRect(Frame);
    const POINT Cursor = FormPoint(300, 200);
    EXPECT_TRUE(Placed.Contains(Cursor.x, Cursor.y));

    // A double click on the caption takes it back to the dock it came from.
    const POINT Caption{Placed.Left + 10, Placed.Top + 8};
    Inject(win::MouseAction::Move, Caption);
    Inject(win::MouseAction::DoubleClick, Caption);
    Inject(win::MouseAction::Up, Caption);
    Pump();
    EXPECT_EQ(A->CurrentDock(), Top);
    EXPECT_FALSE(A->Floating());
    EXPECT_EQ(A->FloatingWindowParent(), nullptr);
    EXPECT_EQ(Top->Height(), 24);
}

TEST_F(DockTest, AFloatingBarIsDraggedBackIntoADock)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    FeedDrag(HandleOf(A), FormPoint(300, 200));
    ASSERT_TRUE(A->Floating());
    const TRect Frame = ScreenRect(A->FloatingWindowParent());
    FeedDrag(POINT{Frame.Left + 10, Frame.Top + 8}, FormPoint(3, 150));
    EXPECT_EQ(A->CurrentDock(), Left);
    EXPECT_EQ(A->FloatingWindowParent(), nullptr);
    EXPECT_EQ(Left->Width(), 24);
}

TEST_F(DockTest, TheFrameABarIsDraggedOutOfIsOutOfSightWhileTheBarIsDockedAndBackAfter)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    FloatAt(A, 300, 200);
    const HWND FrameWnd = A->FloatingWindowParent()->Handle();
    const TRect W = ScreenRect(A->FloatingWindowParent());
    int Docked = 0, DockedWithFrameShown = 0;
    A->OnMove = [&](TObject *) {
        if (!A->Docked()) return;
        ++Docked;
        if (IsWindow(FrameWnd) && IsWindowVisible(FrameWnd)) ++DockedWithFrameShown;
    };
    // Into the top dock and along it, then out again in the same drag.
    const POINT From{W.Left + 10, W.Top + 8};
    const POINT In = FormPoint(100, 3);
    const POINT Out = FormPoint(300, 200);
    InputFeed(
        {LeftButtonInput(win::MouseAction::Move, From),
         LeftButtonInput(win::MouseAction::Down, From), LeftButtonInput(win::MouseAction::Move, In),
         LeftButtonInput(win::MouseAction::Move, POINT{In.x + 20, In.y}),
         LeftButtonInput(win::MouseAction::Move, Out), LeftButtonInput(win::MouseAction::Up, Out)})
        .Run();
    Pump();
    EXPECT_GT(Docked, 0);
    EXPECT_EQ(DockedWithFrameShown, 0);
    ASSERT_TRUE(A->Floating());
    EXPECT_EQ(A->FloatingWindowParent()->Handle(), FrameWnd);
    EXPECT_TRUE(FrameShown(A));
}

TEST_F(DockTest, DraggingBelowARowMakesANewRowAndBackJoinsIt)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 200);
    ASSERT_EQ(Top->Height(), 24);
    // Down by most of a row: the centre passes three quarters of the row.
    FeedDrag(HandleOf(B), POINT{HandleOf(B).x, HandleOf(B).y + 20});
    EXPECT_EQ(B->CurrentDock(), Top);
    EXPECT_EQ(A->EffectiveDockRow(), 0);
    EXPECT_EQ(B->EffectiveDockRow(), 1);
    EXPECT_EQ(B->DockRow(), 1);
    EXPECT_EQ(Top->Height(), 48);
    // Straight up again into the first row, where it left.
    FeedDrag(HandleOf(B), POINT{HandleOf(B).x, HandleOf(B).y - 24});
    EXPECT_EQ(B->EffectiveDockRow(), 0);
    EXPECT_EQ(Top->Height(), 24);
    EXPECT_EQ(B->Left(), 200);
    EXPECT_EQ(A->Left(), 0);
}

TEST_F(DockTest, ABarMovedAlongItsRowFirstIsHeldInThatRow)
{
    MakeBar("A", 100, 20, Top, 0, 0);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 200);
    // Ten pixels along the row, then far down: it stays in its row and follows along.
    const POINT From = HandleOf(B);
    InputFeed({LeftButtonInput(win::MouseAction::Move, From),
               LeftButtonInput(win::MouseAction::Down, From),
               LeftButtonInput(win::MouseAction::Move, POINT{From.x + 12, From.y}),
               LeftButtonInput(win::MouseAction::Move, POINT{From.x + 30, From.y + 60}),
               LeftButtonInput(win::MouseAction::Up, POINT{From.x + 30, From.y + 60})})
        .Run();
    EXPECT_EQ(B->CurrentDock(), Top);
    EXPECT_EQ(B->EffectiveDockRow(), 0);
    EXPECT_EQ(B->Left(), 230);
    EXPECT_EQ(Top->Height(), 24);
}

TEST_F(DockTest, DraggingAlongTheRowMovesTheBarInIt)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 150);
    FeedDrag(HandleOf(B), POINT{HandleOf(B).x + 120, HandleOf(B).y + 3});
    EXPECT_EQ(B->EffectiveDockRow(), 0);
    EXPECT_EQ(B->Left(), 270);
    EXPECT_EQ(B->DockPos(), 270);
    EXPECT_EQ(A->Left(), 0);
}

TEST_F(DockTest, ANeighbourPushedAsideWhileDraggingSmoothlyGoesBackWhenTheBarMovesAway)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 200);
    int Farthest = B->Left();
    B->OnMove = [&](TObject *) { Farthest = std::max(Farthest, B->Left()); };
    // Along the row into B, then back where A began.
    const POINT From = HandleOf(A);
    InputFeed({LeftButtonInput(win::MouseAction::Move, From),
               LeftButtonInput(win::MouseAction::Down, From),
               LeftButtonInput(win::MouseAction::Move, POINT{From.x + 150, From.y}),
               LeftButtonInput(win::MouseAction::Move, From),
               LeftButtonInput(win::MouseAction::Up, From)})
        .Run();
    EXPECT_EQ(Farthest, 260);
    EXPECT_EQ(A->Left(), 0);
    EXPECT_EQ(B->Left(), 200);
    EXPECT_EQ(B->DockPos(), 200);
}

TEST_F(DockTest, AnEscapedOutlineDragChangesNothing)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 40);
    A->SetSmoothDrag(false);
    const POINT From = HandleOf(A);
    Inject(win::MouseAction::Move, From);
    Inject(win::MouseAction::Down, From);
    Inject(win::MouseAction::Move, FormPoint(300, 200));
    win::InjectKeyInput(win::KeyInput{true, VK_ESCAPE});
    win::InjectKeyInput(win::KeyInput{false, VK_ESCAPE});
    Inject(win::MouseAction::Up, FormPoint(300, 200));
    Pump();
    EXPECT_EQ(A->CurrentDock(), Top);
    EXPECT_EQ(A->Left(), 40);
    // Without Escape the outline drag lands where it is let go.
    FeedDrag(HandleOf(A), FormPoint(300, 200));
    EXPECT_TRUE(A->Floating());
}

// ---- Floating frame -------------------------------------------------------------------------

TEST_F(DockTest, TheFloatingFrameAnswersItsOwnHitCodes)
{
    TestBar *A = MakeBar("A", 120, 60, Top);
    FloatAt(A, 500, 300);
    TTBFloatingWindowParent *Frame = A->FloatingWindowParent();
    const TRect W = ScreenRect(Frame);
    const int Border = GetSystemMetrics(SM_CXFRAME);
    const int Caption = GetSystemMetrics(SM_CYSMCAPTION);
    auto Hit = [&](int X, int Y) {
        return SendMessageW(
            Frame->Handle(), WM_NCHITTEST, 0,
            MAKELPARAM(static_cast<WORD>(W.Left + X), static_cast<WORD>(W.Top + Y)));
    };
    const int Width = W.Width(), Height = W.Height();
    EXPECT_EQ(Hit(Width - Border - 3, Border + 3), HT_TB2k_Close);
    EXPECT_EQ(Hit(Border + 10, Border + 3), HT_TB2k_Caption);
    const int Corner = Caption - 1 + Border;
    EXPECT_EQ(Hit(0, Corner - 1), HTTOPLEFT);
    EXPECT_EQ(Hit(0, Corner), HTLEFT);
    EXPECT_EQ(Hit(0, Height - Corner), HTBOTTOMLEFT);
    EXPECT_EQ(Hit(Width - 1, Height / 2), HTRIGHT);
    EXPECT_EQ(Hit(Width / 2, Height - 1), HTBOTTOM);
    EXPECT_EQ(Hit(Width - 1, 0), HTTOPRIGHT);
    EXPECT_EQ(Hit(Width / 2, Height / 2), HTCLIENT);
    A->SetCloseButton(false);
    EXPECT_EQ(Hit(Width - Border - 3, Border + 3), HT_TB2k_Caption);
    A->SetShowCaption(false);
    Pump();
    EXPECT_EQ(ScreenRect(Frame).Height(), 60 + 2 * Border);
    // Without a caption there is no close button to hit either.
    A->SetCloseButton(true);
    Pump();
    const TRect Bare = ScreenRect(Frame);
    const LRESULT WhereCloseWas =
        SendMessageW(Frame->Handle(), WM_NCHITTEST, 0,
                     MAKELPARAM(static_cast<WORD>(Bare.Right - Border - 3),
                                static_cast<WORD>(Bare.Top + Border + 3)));
    EXPECT_NE(WhereCloseWas, HT_TB2k_Close);
    EXPECT_NE(WhereCloseWas, HT_TB2k_Caption);
}

TEST_F(DockTest, AnOfficeSkinThinsTheFloatingFrameAndColoursTheCaption)
{
    TestBar *A = MakeBar("A", 120, 60, Top);
    FloatAt(A, 400, 300);
    const int Plain = ScreenRect(A->FloatingWindowParent()).Height();
    TTBBaseSkin Office(nullptr);
    Office.SetSkinType(tbsOfficeXP);
    A->SetSkin(&Office);
    A->SetBounds(0, 0, 120, 60);
    A->FloatingWindowParent()->Repaint();
    Pump();
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).Height(), Plain - 3);
    const int Border = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(win::SurfacePixel(A->FloatingWindowParent()->Handle(), Border + 5, Border + 2),
              ColorToRGB(Office.Colors()->GetSkinColor(16)));
    A->SetSkin(nullptr);
    EXPECT_EQ(A->Skin(), DefaultSkin());
}

TEST_F(DockTest, TheFloatingCloseButtonHidesTheBarAndTheFrameClosesTheForm)
{
    TestBar *A = MakeBar("A", 120, 60, Top);
    FloatAt(A, 500, 300);
    TTBFloatingWindowParent *Frame = A->FloatingWindowParent();
    int FormCloses = 0;
    Form->OnCloseQuery = [&](TObject *, bool &CanClose) {
        ++FormCloses;
        CanClose = false;
    };
    SendMessageW(Frame->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(FormCloses, 1);
    EXPECT_TRUE(A->Visible());

    const TRect W = ScreenRect(Frame);
    const POINT Close{W.Right - GetSystemMetrics(SM_CXFRAME) - 4,
                      W.Top + GetSystemMetrics(SM_CYFRAME) + 4};
    FeedDrag(Close, Close);
    EXPECT_FALSE(A->Visible());
    Pump();
    EXPECT_FALSE(IsWindowVisible(Frame->Handle()));
}

TEST_F(DockTest, AFloatingBarIsResizedByItsFrameWithinItsLimits)
{
    struct SizedBar : TestBar {
        using TestBar::TestBar;
        void GetMinMaxSize(int &MinW, int &MinH, int &MaxW, int &MaxH) override
        {
            MinW = 50;
            MinH = 30;
            MaxW = 200;
            MaxH = 0;
        }
        TPoint DoArrange(bool, TTBDockType, bool, TTBDock *) override
        {
            return TPoint(ClientWidth(), ClientHeight());
        }
    };
    auto *A = new SizedBar(Form.get(), 120, 60);
    A->SetName("Sized");
    A->SetHideWhenInactive(false);
    A->SetBounds(0, 0, 120, 60);
    A->SetParent(Top);
    FloatAt(A, 400, 300);
    TRect W = ScreenRect(A->FloatingWindowParent());
    const int Border = GetSystemMetrics(SM_CXFRAME);
    const int NCWidth = W.Width() - A->Width();
    const int Before = A->Width();
    ASSERT_EQ(GetActiveWindow(), Form->Handle());
    // The right edge goes out by 40.
    FeedDrag(POINT{W.Right - 1, W.Top + W.Height() / 2},
             POINT{W.Right + 39, W.Top + W.Height() / 2});
    EXPECT_EQ(A->Width(), Before + 40);
    // Working the frame leaves its form the active window.
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).Left, W.Left);
    // Past the largest width it stops at it.
    W = ScreenRect(A->FloatingWindowParent());
    FeedDrag(POINT{W.Right - 1, W.Top + W.Height() / 2},
             POINT{W.Right + 299, W.Top + W.Height() / 2});
    EXPECT_EQ(A->Width(), 200);
    // The left edge cannot pass the smallest width.
    W = ScreenRect(A->FloatingWindowParent());
    FeedDrag(POINT{W.Left, W.Top + W.Height() / 2}, POINT{W.Right, W.Top + W.Height() / 2});
    EXPECT_EQ(A->Width(), 50);
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).Width(), 50 + NCWidth);
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).Right, W.Right);
    (void)Border;
}

TEST_F(DockTest, MoveOnScreenPullsALostFrameBackLeftAndTopFirst)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    FloatAt(A, 1000, 700);
    const TRect Partly = ScreenRect(A->FloatingWindowParent());
    A->MoveOnScreen(true);
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()), Partly);
    A->MoveOnScreen(false);
    const TRect Inside = ScreenRect(A->FloatingWindowParent());
    EXPECT_EQ(Inside.Right, 1024);
    EXPECT_EQ(Inside.Top, 700);
    EXPECT_EQ(A->FloatingPosition(), TPoint(Inside.Left, Inside.Top));
    A->SetFloatingPosition(TPoint(3000, -500));
    A->MoveOnScreen(true);
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).Top, 0);
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).Right, 1024);
}

TEST_F(DockTest, DoubleClickWithNoDockToGoBackToLeavesTheBarFloating)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    A->SetFloating(true);
    A->SetUseLastDock(false);
    ASSERT_EQ(A->LastDock(), nullptr);
    A->DoubleClick();
    EXPECT_TRUE(A->Floating());
    A->SetDefaultDock(Right);
    A->DoubleClick();
    EXPECT_EQ(A->CurrentDock(), Right);
    EXPECT_EQ(A->DockRow(), 0);
    // Docked, a double click floats it again.
    A->DoubleClick();
    EXPECT_TRUE(A->Floating());
    A->SetDockMode(dmCannotFloat);
    A->SetCurrentDock(Right);
    A->DoubleClick();
    EXPECT_EQ(A->CurrentDock(), Right);
}

TEST_F(DockTest, TheBarsWindowAndItsChildrenSurviveEveryMove)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    auto *Child = new TPanel(Form.get());
    Child->SetBounds(2, 2, 30, 10);
    Child->SetParent(A);
    const HWND Bar = A->Handle(), Inner = Child->Handle();
    A->SetCurrentDock(Bottom);
    EXPECT_EQ(A->WindowHandle(), Bar);
    A->SetFloating(true);
    EXPECT_EQ(A->WindowHandle(), Bar);
    EXPECT_EQ(GetParent(Bar), A->FloatingWindowParent()->Handle());
    A->SetCurrentDock(Left);
    EXPECT_EQ(A->WindowHandle(), Bar);
    EXPECT_EQ(Child->WindowHandle(), Inner);
    EXPECT_EQ(GetParent(Inner), Bar);
    // A press on the child is the child's, not the start of a drag.
    EXPECT_TRUE(A->ControlExistsAtPos(TPoint(5, 5)));
    EXPECT_FALSE(A->ControlExistsAtPos(TPoint(5, 50)));
}

TEST_F(DockTest, ABarMovedInItsDockAtDesignTimeTakesTheRowAndPlaceItIsPutIn)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 150);
    B->SetDesigning(true);
    const int RowHeight = Top->Height();

    B->SetBounds(40, RowHeight + 2, B->Width(), B->Height());
    Pump();

    EXPECT_EQ(B->DockRow(), 1);
    EXPECT_EQ(B->DockPos(), 40);
    EXPECT_EQ(B->Left(), 40);
    EXPECT_GE(B->Top(), A->Top() + A->Height());
    EXPECT_EQ(Top->Height(), 2 * RowHeight);
    // Along the row only, it stays in its row.
    B->SetBounds(160, B->Top(), B->Width(), B->Height());
    Pump();
    EXPECT_EQ(B->DockRow(), 1);
    EXPECT_EQ(B->Left(), 160);
}

// ---- Streams --------------------------------------------------------------------------------

// Reads what Source's stream holds into Target, as a form reads a bar it already has.
void ReadInto(TTBCustomDockableWindow *Target, TTBCustomDockableWindow *Source)
{
    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(Source);
    Stream.SetPosition(0);
    TReader(&Stream).ReadRootComponent(Target);
}

TEST_F(DockTest, AFloatingBarReadFromAStreamWrittenWhileRunningStaysWhereItFloats)
{
    TestBar *Written = MakeBar("Written", 100, 20, Top);
    TestBar *A = MakeBar("A", 100, 20, Top, 1);
    FloatAt(A, 300, 250);
    const TRect Frame = ScreenRect(A->FloatingWindowParent());

    ReadInto(A, Written);
    Pump();

    ASSERT_TRUE(A->Floating());
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()), Frame);
    EXPECT_EQ(A->FloatingPosition(), TPoint(300, 250));
}

// A stream made in a designer holds a floating place on the form, which the screen
// place follows, and a place off the screen comes fully back on it; a bar that read a
// stream written while running before reads a designed one as such.
TEST_F(DockTest, AFloatingBarReadFromADesignedStreamTakesItsPlaceOnTheForm)
{
    TestBar *Written = MakeBar("Written", 100, 20, Top);
    FloatAt(Written, 500, 500);
    Written->SetDesigning(true);
    TestBar *A = MakeBar("A", 100, 20, Top, 1);
    TestBar *B = MakeBar("B", 100, 20, Top, 2);
    FloatAt(A, 30, 40);
    FloatAt(B, 2000, 2000);
    const TRect Frame = ScreenRect(B->FloatingWindowParent());

    ReadInto(A, B);
    ReadInto(A, Written);
    ReadInto(B, Written);
    Pump();

    const POINT OnForm = FormPoint(30, 40);
    EXPECT_EQ(ScreenRect(A->FloatingWindowParent()).TopLeft(), TPoint(OnForm.x, OnForm.y));
    const TRect Pulled = ScreenRect(B->FloatingWindowParent());
    EXPECT_EQ(Pulled.Right, 1024);
    EXPECT_EQ(Pulled.Bottom, 768);
    EXPECT_EQ(Pulled.Width(), Frame.Width());
    EXPECT_TRUE(FrameShown(A) && FrameShown(B));
}

TEST_F(DockTest, AnActiveFloatingFrameThatHidesPassesTheActivationToItsForm)
{
    TestBar *A = MakeBar("A", 100, 20, Top);
    FloatAt(A, 300, 250);
    const HWND Frame = A->FloatingWindowParent()->Handle();
    SetActiveWindow(Frame);
    Pump();
    ASSERT_EQ(GetActiveWindow(), Frame);

    A->Hide();
    vcltest::PumpUntil([&] { return GetActiveWindow() == Form->Handle(); });

    EXPECT_FALSE(FrameShown(A));
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    // With no ordinary window left, a topmost one takes it.
    SetWindowPos(Form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    A->Show();
    vcltest::PumpUntil([A] { return FrameShown(A); });
    ASSERT_TRUE(FrameShown(A));
    SetActiveWindow(Frame);
    Pump();
    ASSERT_EQ(GetActiveWindow(), Frame);
    A->Hide();
    vcltest::PumpUntil([&] { return GetActiveWindow() == Form->Handle(); });
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
}

// ---- The form a bar floats for goes ------------------------------------------------------------

TEST_F(DockTest, ABarFloatingForAFormThatGoesLeavesItsFrameUnlessItFloatsAboveAllForms)
{
    auto Other = std::make_unique<TForm>(nullptr);
    Other->SetBounds(100, 100, 300, 200);
    Other->Show();
    Pump();
    TTBDock *OtherDock = menutest::MakeDock(Other.get(), "OtherTop", dpTop);
    auto Lone = std::make_unique<TestBar>(nullptr, 100, 20);
    auto Above = std::make_unique<TestBar>(nullptr, 100, 20);
    for (TestBar *Bar : {Lone.get(), Above.get()}) {
        Bar->SetHideWhenInactive(false);
        Bar->SetParent(OtherDock);
    }
    Above->SetFloatingMode(fmOnTopOfAllForms);
    FloatAt(Lone.get(), 200, 200);
    FloatAt(Above.get(), 400, 200);
    ASSERT_TRUE(FrameShown(Lone.get()) && FrameShown(Above.get()));
    const HWND LoneFrame = Lone->FloatingWindowParent()->Handle();

    Other.reset();
    Pump();

    EXPECT_EQ(Lone->Parent(), nullptr);
    EXPECT_FALSE(Lone->Floating());
    EXPECT_EQ(Lone->FloatingWindowParent(), nullptr);
    EXPECT_FALSE(IsWindow(LoneFrame));
    ASSERT_TRUE(Above->Floating());
    EXPECT_EQ(Above->FloatingWindowParent()->ParentForm(), nullptr);
    EXPECT_TRUE(FrameShown(Above.get()));
}

// ---- Positions -----------------------------------------------------------------------------

TEST_F(DockTest, PositionsAreWrittenToAnIniSectionPerBar)
{
    TestBar *A = MakeBar("TW1", 100, 20, Top, 1, 30);
    TestBar *F = MakeBar("Floater", 80, 20, Top);
    FloatAt(F, 320, 240);
    TBIniSavePositions(Form.get(), IniPath.c_str(), "TB_");
    const std::string Text = FileText(IniPath);
    const auto Section = Text.find("[TB_TW1]");
    ASSERT_NE(Section, std::string::npos) << Text;
    // The class library's ini files end their lines as Windows does.
    const std::string Expected = "[TB_TW1]\r\nRev=2000\r\nVisible=1\r\nDockedTo=DockTop\r\n"
                                 "LastDock=DockTop\r\nDockRow=1\r\nDockPos=30\r\n"
                                 "FloatLeft=0\r\nFloatTop=0\r\n";
    EXPECT_EQ(Text.substr(Section, Expected.size()), Expected);
    TIniFile Ini(IniPath.c_str());
    EXPECT_EQ(Ini.ReadString("TB_Floater", "DockedTo", "?"), "+");
    EXPECT_EQ(Ini.ReadInteger("TB_Floater", "FloatLeft", -1), 320);
    EXPECT_EQ(Ini.ReadInteger("TB_Floater", "FloatTop", -1), 240);
    (void)A;
}

TEST_F(DockTest, PositionsRestoreEveryBarToItsPlace)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 250);
    TestBar *C = MakeBar("C", 100, 20, Left, 0, 10);
    TestBar *D = MakeBar("D", 100, 20, Bottom, 0, 0);
    TestBar *E = MakeBar("E", 100, 20, Right, 0, 0);
    FeedDrag(HandleOf(B), POINT{HandleOf(B).x, HandleOf(B).y + 20});
    ASSERT_EQ(B->EffectiveDockRow(), 1);
    FeedDrag(HandleOf(D), FormPoint(300, 200));
    ASSERT_TRUE(D->Floating());
    E->Hide();
    const TPoint Floating = D->FloatingPosition();
    const TRect Places[] = {A->BoundsRect(), B->BoundsRect(), C->BoundsRect()};
    TBIniSavePositions(Form.get(), IniPath.c_str(), "Bars.");

    // Everything elsewhere...
    A->SetCurrentDock(Bottom);
    B->SetCurrentDock(Right);
    C->SetFloating(true);
    D->SetCurrentDock(Top);
    E->Show();
    Pump();
    // ...and back again.
    TBIniLoadPositions(Form.get(), IniPath.c_str(), "Bars.");
    Pump();
    EXPECT_EQ(A->CurrentDock(), Top);
    EXPECT_EQ(B->CurrentDock(), Top);
    EXPECT_EQ(C->CurrentDock(), Left);
    EXPECT_EQ(A->BoundsRect(), Places[0]);
    EXPECT_EQ(B->BoundsRect(), Places[1]);
    EXPECT_EQ(C->BoundsRect(), Places[2]);
    EXPECT_EQ(B->EffectiveDockRow(), 1);
    ASSERT_TRUE(D->Floating());
    EXPECT_EQ(D->FloatingPosition(), Floating);
    EXPECT_EQ(D->LastDock(), Bottom);
    EXPECT_FALSE(E->Visible());
    EXPECT_EQ(Top->Height(), 48);
}

TEST_F(DockTest, PositionsOfAnotherRevisionOrForAMissingOrLockedDockAreLeftAlone)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 40);
    TestBar *B = MakeBar("B", 100, 20, Top, 0, 200);
    {
        TIniFile Ini(IniPath.c_str());
        Ini.WriteInteger("A", "Rev", 1999);
        Ini.WriteInteger("A", "Visible", 0);
        Ini.WriteString("A", "DockedTo", "DockLeft");
        Ini.WriteInteger("B", "Rev", 2000);
        Ini.WriteInteger("B", "Visible", 0);
        Ini.WriteString("B", "DockedTo", "NoSuchDock");
    }
    TBIniLoadPositions(Form.get(), IniPath.c_str(), "");
    EXPECT_TRUE(A->Visible());
    EXPECT_EQ(A->CurrentDock(), Top);
    EXPECT_EQ(A->Left(), 40);
    // Only the visibility of B is taken.
    EXPECT_FALSE(B->Visible());
    EXPECT_EQ(B->CurrentDock(), Top);

    // A dock that no longer lets bars be dragged onto it takes none back either.
    TestBar *C = MakeBar("C", 100, 20, Top, 0, 400);
    Bottom->SetAllowDrag(false);
    {
        TIniFile Ini(IniPath.c_str());
        Ini.WriteInteger("C", "Rev", 2000);
        Ini.WriteInteger("C", "Visible", 0);
        Ini.WriteString("C", "DockedTo", "DockBottom");
        Ini.WriteInteger("C", "DockPos", 10);
    }
    TBIniLoadPositions(Form.get(), IniPath.c_str(), "");
    EXPECT_FALSE(C->Visible());
    EXPECT_EQ(C->CurrentDock(), Top);
    EXPECT_EQ(C->DockPos(), 400);
}

TEST_F(DockTest, ABarRestoredWithANegativeRowStaysOnItsDock)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    {
        TIniFile Ini(IniPath.c_str());
        Ini.WriteInteger("A", "Rev", 2000);
        Ini.WriteString("A", "DockedTo", "DockBottom");
        Ini.WriteInteger("A", "DockRow", -3);
        Ini.WriteInteger("A", "DockPos", -50);
    }
    TBIniLoadPositions(Form.get(), IniPath.c_str(), "");
    EXPECT_EQ(A->CurrentDock(), Bottom);
    EXPECT_EQ(Bottom->ToolbarCount(), 1);
    EXPECT_EQ(A->EffectiveDockRow(), 0);
    EXPECT_EQ(A->Left(), 0);
    EXPECT_EQ(Bottom->Height(), 24);
}

TEST_F(DockTest, AFloatingBarRestoredWithoutALastDockIsNotGivenAnUnnamedDock)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 0);
    TTBDock *Unnamed = MakeDock("", dpTop);
    {
        TIniFile Ini(IniPath.c_str());
        Ini.WriteInteger("A", "Rev", 2000);
        Ini.WriteString("A", "DockedTo", "+");
        Ini.WriteString("A", "LastDock", "");
        Ini.WriteInteger("A", "FloatLeft", 300);
        Ini.WriteInteger("A", "FloatTop", 200);
    }
    TBIniLoadPositions(Form.get(), IniPath.c_str(), "");
    ASSERT_TRUE(A->Floating());
    EXPECT_EQ(A->LastDock(), Top);
    A->DoubleClick();
    EXPECT_EQ(A->CurrentDock(), Top);
    EXPECT_EQ(Unnamed->ToolbarCount(), 0);
}

TEST_F(DockTest, SavingStopsAtABarWithoutAName)
{
    MakeBar("A", 100, 20, Top);
    TestBar *Nameless = MakeBar("B", 100, 20, Top, 0, 200);
    Nameless->SetName("");
    try {
        TBIniSavePositions(Form.get(), IniPath.c_str(), "");
        FAIL() << "a bar without a name was saved";
    } catch (const EInvalidOperation &E) {
        EXPECT_EQ(E.Message(),
                  "Cannot save dockable window's position because Name property is not set");
    }
    TIniFile Ini(IniPath.c_str());
    EXPECT_EQ(Ini.ReadInteger("A", "Rev", 0), 2000);
}

TEST_F(DockTest, PositionsGoThroughCallbacksInTheirOrder)
{
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 30);
    (void)A;
    std::vector<std::string> Written;
    int Extra = 0;
    TBCustomSavePositions(
        Form.get(),
        [&](const AnsiString &Bar, const AnsiString &Value, int Data, void *ExtraData) {
            EXPECT_EQ(ExtraData, &Extra);
            Written.push_back((Bar + "." + Value + "=" + IntToStr(Data)).ToStd());
        },
        [&](const AnsiString &Bar, const AnsiString &Value, const AnsiString &Data, void *) {
            Written.push_back((Bar + "." + Value + "=" + Data).ToStd());
        },
        &Extra);
    const std::vector<std::string> Expected{
        "A.Rev=2000",  "A.Visible=1",  "A.DockedTo=DockTop", "A.LastDock=DockTop",
        "A.DockRow=0", "A.DockPos=30", "A.FloatLeft=0",      "A.FloatTop=0"};
    EXPECT_EQ(Written, Expected);
}

TEST_F(DockTest, PositionsRoundTripThroughTheRegistry)
{
    // The registry stand-in lives under the configuration folder: a private one here.
    const std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("qrv4_dockreg_" + std::to_string(::getpid()));
    std::filesystem::remove_all(Folder);
    const char *Old = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> Saved = Old ? std::optional<std::string>(Old) : std::nullopt;
    setenv("XDG_CONFIG_HOME", Folder.c_str(), 1);
    TestBar *A = MakeBar("A", 100, 20, Top, 0, 60);
    TestBar *B = MakeBar("B", 100, 20, Left, 0, 20);
    const TRect PlaceA = A->BoundsRect(), PlaceB = B->BoundsRect();
    TBRegSavePositions(Form.get(), HKEY_CURRENT_USER, "Software\\QRV4 tests\\Bars");
    A->SetCurrentDock(Right);
    B->SetFloating(true);
    TBRegLoadPositions(Form.get(), HKEY_CURRENT_USER, "Software\\QRV4 tests\\Bars");
    TRegIniFile Reg("Software\\QRV4 tests\\Bars");
    const int Rev = Reg.ReadInteger("A", "Rev", 0);
    const AnsiString DockedTo = Reg.ReadString("B", "DockedTo", "");
    if (Saved)
        setenv("XDG_CONFIG_HOME", Saved->c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(Folder);
    EXPECT_EQ(Rev, 2000);
    EXPECT_EQ(DockedTo, "DockLeft");
    EXPECT_EQ(A->CurrentDock(), Top);
    EXPECT_EQ(B->CurrentDock(), Left);
    EXPECT_EQ(A->BoundsRect(), PlaceA);
    EXPECT_EQ(B->BoundsRect(), PlaceB);
}

// ---- Background ------------------------------------------------------------------------------

TEST_F(DockTest, ABackgroundTilesUnderTheDockAndItsBars)
{
    for (int Side : {8, 9}) {
        auto Background = std::make_unique<TTBBackground>(nullptr);
        TBitmap Tile;
        Tile.SetSize(Side, Side);
        Tile.Canvas()->Brush()->SetColor(clRed);
        Tile.Canvas()->FillRect(TRect(0, 0, Side, Side));
        Tile.Canvas()->SetPixels(0, 0, clBlue);
        Background->SetBitmap(&Tile);
        ASSERT_TRUE(Background->UsingBackground());
        Top->SetBackground(Background.get());
        TestBar *A = MakeBar("A", 100, 20, Top, 0, 100);
        Top->Repaint();
        A->Repaint();
        Pump();
        // Tiles start at the form's client corner, whatever the dock's place.
        EXPECT_EQ(win::SurfacePixel(Top->Handle(), 0, 0), RGB(0, 0, 255));
        EXPECT_EQ(win::SurfacePixel(Top->Handle(), Side, Side), RGB(0, 0, 255));
        EXPECT_EQ(win::SurfacePixel(Top->Handle(), 1, 0), RGB(255, 0, 0));
        // The bar's frame shows the same tiles, lined up with the dock's.
        const TRect Window = ScreenRect(A);
        const TPoint Corner = Form->ClientOrigin();
        auto TileAt = [&](int X, int Y) {
            const int TX = (Window.Left - Corner.X + X) % Side,
                      TY = (Window.Top - Corner.Y + Y) % Side;
            return TX == 0 && TY == 0 ? RGB(0, 0, 255) : RGB(255, 0, 0);
        };
        for (int Y = 1; Y < Side + 2; ++Y)
            EXPECT_EQ(win::SurfacePixel(A->Handle(), 1, Y), TileAt(1, Y)) << Side << " " << Y;
        Top->SetBackground(nullptr);
        delete A;
        Pump();
    }
}

// ---- Skins
// ---------------------------------------------------------------------------------------

TEST_F(DockTest, ASkinChangeLaysOutAgainTheBarsDrawnWithIt)
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    TTBBaseSkin Other(nullptr);
    TestBar *A = MakeBar("A", 120, 26, Left);
    TestBar *B = MakeBar("B", 120, 26, Right);
    A->SetSkin(Skin.get());
    B->SetSkin(&Other);
    Pump();
    const int HeightA = A->Height(), HeightB = B->Height();
    const int ClientTop = A->ClientOrigin().Y;
    // A docked caption takes a 14 pixel handle instead of the single grip's 6.
    Skin->SetOptions({tboDockedCaptions});
    Pump();
    EXPECT_EQ(A->Height(), HeightA + 8);
    EXPECT_EQ(A->ClientOrigin().Y, ClientTop + 8);
    EXPECT_EQ(A->ClientHeight(), 120);
    EXPECT_EQ(B->Height(), HeightB);

    // A bar that left the skin's list is no longer touched by it.
    EXPECT_TRUE(Skin->UnregisterDockable(A));
    EXPECT_FALSE(Skin->UnregisterDockable(A));
    Skin->SetOptions({});
    Pump();
    EXPECT_EQ(A->Height(), HeightA + 8);
    Skin->RegisterDockable(A);
    Skin->SetColorSet(tbcCustom);
    Pump();
    EXPECT_EQ(A->Height(), HeightA);
    // Another skin takes the bar over.
    A->SetSkin(&Other);
    EXPECT_FALSE(Skin->UnregisterDockable(A));
    EXPECT_TRUE(Other.UnregisterDockable(A));
    Other.RegisterDockable(A);
}

TEST_F(DockTest, BarsOfTheDefaultSkinFollowTheSkinThatFeedsIt)
{
    TestBar *A = MakeBar("A", 120, 26, Right);
    const int Plain = A->Height();
    {
        auto Skin = std::make_unique<TTBSkin>(nullptr);
        ASSERT_TRUE(Skin->IsDefaultSkin());
        Skin->SetOptions({tboDockedCaptions});
        Pump();
        EXPECT_EQ(A->Height(), Plain + 8);
    }
    Pump();
    // Its going hands the default back to plain drawing, and the bar its plain handle.
    EXPECT_EQ(A->Height(), Plain);

    // A bar whose own skin goes falls back to the default skin and stays on its list.
    auto Own = std::make_unique<TTBSkin>(nullptr);
    A->SetSkin(Own.get());
    Own.reset();
    EXPECT_EQ(A->Skin(), DefaultSkin());
    EXPECT_TRUE(DefaultSkin()->UnregisterDockable(A));
    DefaultSkin()->RegisterDockable(A);
}

TEST_F(DockTest, AFloatingFrameKeepsItsBarsSizeWhenTheSkinChanges)
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    TestBar *A = MakeBar("A", 150, 60, Top);
    A->SetSkin(Skin.get());
    FloatAt(A, 200, 200);
    TTBFloatingWindowParent *Frame = A->FloatingWindowParent();
    const int OfficeHeight = Frame->Height();
    // The Office frame is 3 pixels thinner than the others.
    Skin->SetSkinType(tbsWindowsXP);
    Pump();
    EXPECT_EQ(Frame->Height(), OfficeHeight + 3);
    EXPECT_EQ(Frame->ClientWidth(), 150);
    EXPECT_EQ(Frame->ClientHeight(), 60);
    EXPECT_EQ(A->BoundsRect(), TRect(0, 0, 150, 60));
}

// ---- Floating bars follow the application and their form -------------------------------------

void SetApplicationState(Qt::ApplicationState State)
{
    QApplicationStateChangeEvent Change(State);
    QCoreApplication::sendEvent(qApp, &Change);
    vcltest::Pump();
}

TEST_F(DockTest, FloatingBarsHideWhileTheApplicationIsInactive)
{
    const auto [Hiding, Staying] = TwoFloatingBars();
    Hiding->SetHideWhenInactive(true);

    // The bar that stays shows an inactive caption meanwhile.
    const int Border = GetSystemMetrics(SM_CXFRAME);
    auto CaptionColour = [&, Staying = Staying] {
        return win::SurfacePixel(Staying->FloatingWindowParent()->Handle(), Border + 5, Border + 2);
    };
    const COLORREF Active = CaptionColour();

    SetApplicationState(Qt::ApplicationInactive);
    EXPECT_FALSE(FrameShown(Hiding));
    EXPECT_TRUE(FrameShown(Staying));
    EXPECT_NE(CaptionColour(), Active);
    SetApplicationState(Qt::ApplicationActive);
    EXPECT_TRUE(FrameShown(Hiding));
    EXPECT_TRUE(FrameShown(Staying));
    EXPECT_EQ(CaptionColour(), Active);
    // Docked again, a bar no longer hears of the application's state.
    Hiding->DoubleClick();
    SetApplicationState(Qt::ApplicationInactive);
    EXPECT_TRUE(IsWindowVisible(Hiding->Handle()));
    SetApplicationState(Qt::ApplicationActive);
}

TEST_F(DockTest, AFloatingBarIsHiddenAndShownWithItsForm)
{
    const auto [WithForm, OnTop] = TwoFloatingBars();
    OnTop->SetFloatingMode(fmOnTopOfAllForms);
    Pump();

    Form->Hide();
    vcltest::PumpUntil([Bar = WithForm] { return !FrameShown(Bar); });
    EXPECT_FALSE(FrameShown(WithForm));
    EXPECT_TRUE(FrameShown(OnTop));
    Form->Show();
    vcltest::PumpUntil([Bar = WithForm] { return FrameShown(Bar); });
    EXPECT_TRUE(FrameShown(WithForm));
    EXPECT_EQ(GetWindow(WithForm->FloatingWindowParent()->Handle(), GW_OWNER), Form->Handle());
    EXPECT_EQ(GetWindow(OnTop->FloatingWindowParent()->Handle(), GW_OWNER), Application->Handle());

    // A minimised form takes its bar down with it too.
    Form->SetWindowState(wsMinimized);
    vcltest::PumpUntil([Bar = WithForm] { return !FrameShown(Bar); });
    EXPECT_FALSE(FrameShown(WithForm));
    Form->SetWindowState(wsNormal);
    vcltest::PumpUntil([Bar = WithForm] { return FrameShown(Bar); });
    EXPECT_TRUE(FrameShown(WithForm));
}

// Where a window stands from the top of the Z order.
int ZPlace(HWND Wnd)
{
    int Place = 0;
    for (HWND W = GetTopWindow({}); W && W != Wnd; W = GetWindow(W, GW_HWNDNEXT))
        ++Place;
    return Place;
}

TEST_F(DockTest, AFrameGivenToItsFormRisesAboveItButNotAboveAnotherForm)
{
    // Disabled, a bar above all forms is not kept topmost: only its owner changes below.
    TestBar *A = MakeBar("A", 150, 40, Top);
    A->SetEnabled(false);
    A->SetFloatingMode(fmOnTopOfAllForms);
    FloatAt(A, 200, 150);
    TForm Other(nullptr);
    Other.SetBounds(150, 100, 300, 200);
    Other.Show();
    vcltest::PumpUntil([&] { return ZPlace(Other.Handle()) < ZPlace(Form->Handle()); });
    const HWND Frame = A->FloatingWindowParent()->Handle();
    ASSERT_LT(ZPlace(Other.Handle()), ZPlace(Form->Handle()));

    A->SetFloatingMode(fmOnTopOfParentForm);
    vcltest::PumpUntil([&] {
        return GetWindow(Frame, GW_OWNER) == Form->Handle() &&
               GetWindow(Other.Handle(), GW_HWNDNEXT) == Frame;
    });

    ASSERT_EQ(GetWindow(Frame, GW_OWNER), Form->Handle());
    EXPECT_TRUE(FrameShown(A));
    EXPECT_EQ(GetWindow(Other.Handle(), GW_HWNDNEXT), Frame);
    EXPECT_LT(ZPlace(Frame), ZPlace(Form->Handle()));
}

TEST_F(DockTest, AFloatingFrameOutlivesTheWindowOfItsForm)
{
    TestBar *A = MakeBar("A", 150, 40, Top);
    FloatAt(A, 200, 150);
    const HWND Frame = A->FloatingWindowParent()->Handle();
    const HWND OldForm = Form->Handle();
    ASSERT_EQ(GetWindow(Frame, GW_OWNER), OldForm);

    // The form's window goes and is made anew, shown as the old one was: the frame it
    // owned is kept, owned by the new window and shown with it.
    Form->RecreateWnd();
    vcltest::PumpUntil(
        [&] { return FrameShown(A) && GetWindow(Frame, GW_OWNER) == Form->Handle(); });
    ASSERT_TRUE(IsWindow(Frame));
    EXPECT_EQ(A->FloatingWindowParent()->Handle(), Frame);
    EXPECT_NE(Form->Handle(), OldForm);
    EXPECT_EQ(GetWindow(Frame, GW_OWNER), Form->Handle());
    EXPECT_TRUE(FrameShown(A));
    EXPECT_TRUE(IsWindow(A->Handle()));
}

// ---- A picture for a person to look at -------------------------------------------------------

TEST_F(DockTest, PictureOfDockedFloatingAndChevronedBars)
{
    Form->SetBounds(40, 40, 640, 420);
    Form->SetCaption("Docks");
    Top->SetBoundLines({blBottom});
    auto Toolbar = [&](const char *Name, TTBDock *Dock, int Row,
                       std::initializer_list<const char *> Buttons) {
        auto *Bar = new TTBToolbar(Form.get());
        Bar->SetName(Name);
        Bar->SetCaption(Name);
        Bar->SetHideWhenInactive(false);
        Bar->SetDockRow(Row);
        for (const char *Caption : Buttons) {
            auto *Item = new TTBItem(Form.get());
            Item->SetCaption(Caption);
            Bar->Items()->Add(Item);
        }
        Bar->SetParent(Dock);
        Pump();
        return Bar;
    };
    // Two bars share the top row; the second is too long for what is left and shows its chevron.
    TTBToolbar *Standard = Toolbar("Standard", Top, 0, {"New", "Open", "Save", "Print"});
    Standard->SetShrinkMode(tbsmNone);
    TTBToolbar *Formatting =
        Toolbar("Formatting", Top, 0,
                {"Bold", "Italic", "Underline", "Left", "Centre", "Right", "Justify", "Bullets",
                 "Numbers", "Indent", "Outdent", "Colour"});
    TTBToolbar *Drawing = Toolbar("Drawing", Top, 1, {"Line", "Arrow", "Box", "Oval"});
    TTBToolbar *Status = Toolbar("Status", Bottom, 0, {"Ready", "Caps", "Num"});
    TTBToolbar *Tools = Toolbar("Tools", Left, 0, {"Pen", "Fill", "Text"});
    TTBToolbar *Layers = Toolbar("Layers", Right, 0, {"Up", "Down"});
    TTBToolbar *Palette = Toolbar("Palette", Top, 2, {"Red", "Green", "Blue", "Black", "White"});
    Palette->SetFloatingWidth(120);
    FloatAt(Palette, 280, 220);
    Pump();

    EXPECT_EQ(Standard->CurrentDock(), Top);
    EXPECT_EQ(Formatting->EffectiveDockRow(), Standard->EffectiveDockRow());
    EXPECT_TRUE(Formatting->View()->Find(Formatting->ChevronItem())->Show());
    EXPECT_FALSE(Standard->View()->Find(Standard->ChevronItem())->Show());
    EXPECT_GT(Drawing->Top(), Standard->Top());
    EXPECT_EQ(Status->CurrentDock(), Bottom);
    EXPECT_GT(Tools->Height(), Tools->Width());
    EXPECT_EQ(Layers->CurrentDock(), Right);
    ASSERT_TRUE(FrameShown(Palette));
    const char *Folder = std::getenv("QRV4_DOCK_SHOTS");
    if (!Folder) return;
    // The floating frame reaches the screen some time after it is shown: the picture waits
    // until the screen holds every pixel the frame painted round the bar (its caption and
    // border; the bar inside is a window of its own).
    TWinControl *Frame = Palette->FloatingWindowParent();
    const TRect Place = vcltest::WindowRectOf(Frame->Handle());
    const TRect Bar = vcltest::WindowRectOf(Palette->Handle());
    QImage Screen;
    int Unpainted = 0;
    const bool Painted = vcltest::PumpUntil(
        [&] {
            Screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            Unpainted = 0;
            for (int Y = Place.Top; Y < Place.Bottom; ++Y)
                for (int X = Place.Left; X < Place.Right; ++X) {
                    if (Bar.Contains(X, Y)) continue;
                    const QRgb Seen = Screen.pixel(X, Y);
                    Unpainted += menutest::PixelOf(Frame, X - Place.Left, Y - Place.Top) !=
                                 RGB(qRed(Seen), qGreen(Seen), qBlue(Seen));
                }
            return Unpainted == 0;
        },
        30000);
    std::filesystem::create_directories(Folder);
    Screen.save(QString::fromUtf8(Folder) + "/docks.png");
    EXPECT_TRUE(Painted) << Unpainted << " pixels of the floating frame are not on the screen";
}

} // namespace
