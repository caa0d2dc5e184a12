#include "tests/vcl/InputFeed.h"
#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/win/Paint.h"

#include <string>
#include <vector>

using namespace vcltest;

namespace
{

// A windowless control: its mouse comes through its parent's window.
class TSpot : public TGraphicControl
{
public:
    explicit TSpot(TComponent *AOwner) : TGraphicControl(AOwner) {}
};

class ControlsDragTest : public VclTest
{
protected:
    TPanel *Panel(int Left, int Top, int Width = 100, int Height = 80)
    {
        auto *P = new TPanel(Form.get());
        P->SetParent(Form.get());
        P->SetBounds(Left, Top, Width, Height);
        return P;
    }
    // A panel that a press starts docking.
    TPanel *DockPanel(int Left, int Top, int Width = 100, int Height = 80)
    {
        TPanel *P = Panel(Left, Top, Width, Height);
        P->SetDragKind(dkDock);
        P->SetDragMode(dmAutomatic);
        return P;
    }
    // A panel that takes the controls docked on it.
    TPanel *DockSite(int Left, int Top, int Width, int Height)
    {
        TPanel *P = Panel(Left, Top, Width, Height);
        P->SetDockSite(true);
        return P;
    }

    POINT At(TControl *Control, int X, int Y)
    {
        const TPoint P = Control->ClientToScreen(TPoint(X, Y));
        return POINT{P.X, P.Y};
    }

    std::vector<std::string> Log;
};

std::string StateName(TDragState State)
{
    return State == dsDragEnter ? "enter" : State == dsDragLeave ? "leave" : "move";
}

TEST_F(ControlsDragTest, AutomaticDrag_DropsOnTheControlThatAccepts)
{
    ShownForm();
    auto *Source = new TSpot(Form.get());
    Source->SetParent(Form.get());
    Source->SetBounds(10, 10, 40, 40);
    Source->SetDragMode(dmAutomatic);
    TPanel *Target = Panel(200, 100);
    int Downs = 0;
    Source->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) { ++Downs; };
    Source->OnStartDrag = [&](TObject *, TDragObject *&) { Log.push_back("start"); };
    Target->OnDragOver = [&](TObject *Sender, TObject *From, int, int, TDragState State,
                             bool &Accept) {
        EXPECT_EQ(Sender, Target);
        Accept = From == Source;
        if (Log.back() != "over " + StateName(State)) Log.push_back("over " + StateName(State));
    };
    TPoint Dropped;
    Target->OnDragDrop = [&](TObject *, TObject *From, int X, int Y) {
        EXPECT_EQ(From, Source);
        Dropped = TPoint(X, Y);
        Log.push_back("drop");
    };
    TObject *EndTarget = nullptr;
    Source->OnEndDrag = [&](TObject *, TObject *To, int, int) {
        EndTarget = To;
        Log.push_back("end");
    };
    Pump();
    FeedDrag(At(Source, 5, 5), At(Target, 30, 20));
    EXPECT_EQ(Log, (std::vector<std::string>{"start", "over enter", "over move", "drop", "end"}));
    EXPECT_EQ(Dropped, TPoint(30, 20));
    EXPECT_EQ(EndTarget, Target);
    // The press went to the drag, not to the control's own mouse handling.
    EXPECT_EQ(Downs, 0);
    EXPECT_FALSE(Source->Dragging());
    EXPECT_EQ(GetCapture(), HWND{});
}

TEST_F(ControlsDragTest, Cursor_ShowsWhetherTheControlUnderThePointerTakesTheDrop)
{
    ShownForm();
    TPanel *Source = Panel(10, 10);
    TPanel *Taker = Panel(150, 10);
    TPanel *Refuser = Panel(150, 150);
    Source->SetDragCursor(crHandPoint);
    Source->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) {
        Source->BeginDrag(false, 4);
    };
    Taker->OnDragOver = [](TObject *, TObject *, int, int, TDragState, bool &Accept) {
        Accept = true;
    };
    TObject *EndTarget = Source;
    Source->OnEndDrag = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    Pump();
    MouseDown(Source, 5, 5);
    Pump();
    EXPECT_TRUE(Source->Dragging());
    MouseMove(Taker, 10, 10);
    Pump();
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
    MouseMove(Refuser, 10, 10);
    Pump();
    EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
    EXPECT_NE(Screen->Cursors(crNoDrop), Screen->Cursors(crHandPoint));
    MouseUp(Refuser, 10, 10);
    Pump();
    EXPECT_EQ(EndTarget, nullptr);
    EXPECT_FALSE(Source->Dragging());
}

TEST_F(ControlsDragTest, Threshold_SmallMovesEndTheDragWithoutATarget)
{
    ShownForm();
    TPanel *Source = Panel(10, 10);
    Source->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) {
        Source->BeginDrag(false, 10);
    };
    int Overs = 0;
    Source->OnDragOver = [&](TObject *, TObject *, int, int, TDragState, bool &Accept) {
        ++Overs;
        Accept = true;
    };
    TObject *EndTarget = Source;
    Source->OnEndDrag = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    Pump();
    FeedDrag(At(Source, 20, 20), At(Source, 26, 24));
    EXPECT_EQ(Overs, 0);
    EXPECT_EQ(EndTarget, nullptr);
}

TEST_F(ControlsDragTest, RightButton_CancelsAndTheTargetSeesThePointerLeave)
{
    ShownForm();
    TPanel *Source = Panel(10, 10);
    TPanel *Target = Panel(150, 10);
    Source->SetDragMode(dmAutomatic);
    Target->OnDragOver = [&](TObject *, TObject *, int, int, TDragState State, bool &Accept) {
        Accept = true;
        Log.push_back(StateName(State));
    };
    Target->OnDragDrop = [&](TObject *, TObject *, int, int) { Log.push_back("drop"); };
    TObject *EndTarget = Source;
    Source->OnEndDrag = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    Pump();
    MouseDown(Source, 5, 5);
    Pump();
    MouseMove(Target, 10, 10);
    Pump();
    MouseDown(Target, 10, 10, win::MouseButton::Right);
    Pump();
    EXPECT_EQ(Log, (std::vector<std::string>{"enter", "leave"}));
    EXPECT_EQ(EndTarget, nullptr);
    EXPECT_FALSE(Source->Dragging());
}

TEST_F(ControlsDragTest, Escape_CancelsTheDrag)
{
    ShownForm();
    TPanel *Source = Panel(10, 10);
    TPanel *Target = Panel(150, 10);
    Source->SetDragMode(dmAutomatic);
    Target->OnDragOver = [](TObject *, TObject *, int, int, TDragState, bool &Accept) {
        Accept = true;
    };
    int Drops = 0;
    Target->OnDragDrop = [&](TObject *, TObject *, int, int) { ++Drops; };
    TObject *EndTarget = Source;
    Source->OnEndDrag = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    Pump();
    MouseDown(Source, 5, 5);
    Pump();
    MouseMove(Target, 10, 10);
    Pump();
    Key(VK_ESCAPE);
    Pump();
    EXPECT_FALSE(Source->Dragging());
    EXPECT_EQ(EndTarget, nullptr);
    MouseUp(Target, 10, 10);
    Pump();
    EXPECT_EQ(Drops, 0);
}

TEST_F(ControlsDragTest, OwnDragObject_IsTheSourceTheTargetSees)
{
    ShownForm();
    TPanel *Source = Panel(10, 10);
    TPanel *Target = Panel(150, 10);
    Source->SetDragMode(dmAutomatic);
    TDragObject Carried;
    Source->OnStartDrag = [&](TObject *, TDragObject *&Object) { Object = &Carried; };
    TObject *Seen = nullptr;
    Target->OnDragOver = [](TObject *, TObject *, int, int, TDragState, bool &Accept) {
        Accept = true;
    };
    Target->OnDragDrop = [&](TObject *, TObject *From, int, int) { Seen = From; };
    Pump();
    FeedDrag(At(Source, 5, 5), At(Target, 10, 10));
    EXPECT_EQ(Seen, &Carried);
    EXPECT_TRUE(Carried.Dropped());
}

TEST_F(ControlsDragTest, Dock_ControlMovesOntoTheDockSiteUnderThePointer)
{
    ShownForm();
    TPanel *Source = DockPanel(10, 10, 60, 40);
    TPanel *Site = DockSite(150, 100, 200, 150);
    Source->OnStartDock = [&](TObject *, TDragDockObject *&) { Log.push_back("start dock"); };
    TObject *EndTarget = nullptr;
    Source->OnEndDock = [&](TObject *, TObject *To, int, int) {
        EndTarget = To;
        Log.push_back("end dock");
    };
    int DragStarts = 0;
    Source->OnStartDrag = [&](TObject *, TDragObject *&) { ++DragStarts; };
    Pump();
    FeedDrag(At(Source, 5, 5), At(Site, 50, 60));
    EXPECT_EQ(Log, (std::vector<std::string>{"start dock", "end dock"}));
    EXPECT_EQ(DragStarts, 0);
    EXPECT_EQ(EndTarget, Site);
    EXPECT_EQ(Source->Parent(), Site);
    // Held 5, 5 from its corner, it keeps that grip where it was let go.
    EXPECT_EQ(Source->BoundsRect(), TRect(45, 55, 105, 95));
}

TEST_F(ControlsDragTest, Dock_OutsideADockSiteFloatsTheControlInAHostWindowWhereItWasLetGo)
{
    ShownForm();
    TPanel *Source = DockPanel(10, 10, 60, 40);
    TObject *EndTarget = nullptr;
    TPoint EndAt;
    Source->OnEndDock = [&](TObject *, TObject *To, int X, int Y) {
        EndTarget = To;
        EndAt = TPoint(X, Y);
    };
    Pump();
    const POINT Drop = At(Form.get(), 250, 200);
    FeedDrag(At(Source, 5, 7), Drop);
    Pump();
    ASSERT_TRUE(Source->Floating());
    auto *Host = dynamic_cast<TCustomDockForm *>(Source->Parent());
    ASSERT_NE(Host, nullptr);
    EXPECT_EQ(EndTarget, Host);
    // The end names the pointer in the host, where the control was held.
    EXPECT_EQ(EndAt, TPoint(5, 7));
    EXPECT_FALSE(Form->ContainsControl(Source));
    EXPECT_TRUE(IsWindowVisible(Host->Handle()));
    EXPECT_NE(GetWindowLongW(Host->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(Source->Width(), 60);
    EXPECT_EQ(Source->Height(), 40);
    EXPECT_EQ(Source->ClientToScreen(TPoint()), TPoint(Drop.x - 5, Drop.y - 7));
    // The control is what the pointer finds there now.
    EXPECT_EQ(WindowFromPoint(POINT{Drop.x - 5 + 30, Drop.y - 7 + 20}), Source->Handle());
}

// The shown top-level window that covers exactly Rect, other than the form; null if none.
HWND ShownWindowAt(const TRect &Rect, HWND Besides)
{
    for (HWND Wnd = GetTopWindow({}); Wnd; Wnd = GetWindow(Wnd, GW_HWNDNEXT)) {
        RECT R{};
        GetWindowRect(Wnd, &R);
        if (Wnd != Besides && IsWindowVisible(Wnd) && TRect(R) == Rect) return Wnd;
    }
    return {};
}

bool InWindowRegion(HWND Wnd, int X, int Y)
{
    HRGN Region = CreateRectRgn(0, 0, 0, 0);
    const bool Inside = GetWindowRgn(Wnd, Region) != 0 && PtInRegion(Region, X, Y);
    DeleteObject(Region);
    return Inside;
}

TEST_F(ControlsDragTest, Dock_OutlinesWhereTheControlGoesThickWhereItWouldFloat)
{
    ShownForm();
    TPanel *Source = DockPanel(10, 10, 60, 40);
    TPanel *Site = DockSite(150, 100, 200, 150);
    Pump();
    MouseDown(Source, 5, 5);
    Pump();
    MouseMove(Form.get(), 100, 250);
    Pump();
    const POINT Loose = At(Form.get(), 95, 245);
    const HWND Floats = ShownWindowAt(Bounds(Loose.x, Loose.y, 60, 40), Form->Handle());
    ASSERT_NE(Floats, HWND{});
    EXPECT_EQ(win::SurfacePixel(Floats, 0, 0), RGB(0, 0, 0));
    EXPECT_TRUE(InWindowRegion(Floats, 3, 3));
    EXPECT_FALSE(InWindowRegion(Floats, 30, 20));
    EXPECT_EQ(GetCursor(), Screen->Cursors(crDrag));
    MouseMove(Site, 50, 60);
    Pump();
    const POINT Docks = At(Site, 45, 55);
    const HWND Outline = ShownWindowAt(Bounds(Docks.x, Docks.y, 60, 40), Form->Handle());
    ASSERT_NE(Outline, HWND{});
    EXPECT_TRUE(InWindowRegion(Outline, 0, 0));
    EXPECT_FALSE(InWindowRegion(Outline, 3, 3));
    // The outline lies over the site without hiding it from the drag.
    EXPECT_EQ(WindowFromPoint(Docks), Site->Handle());
    MouseUp(Site, 50, 60);
    Pump();
    EXPECT_EQ(Source->Parent(), Site);
    EXPECT_FALSE(IsWindow(Outline));
    EXPECT_EQ(ShownWindowAt(Bounds(Docks.x, Docks.y, 60, 40), Form->Handle()), HWND{});
}

TEST_F(ControlsDragTest, Dock_CancelledAwayFromADockSiteLeavesTheControlWhereItWas)
{
    ShownForm();
    TPanel *Source = DockPanel(10, 10);
    TObject *EndTarget = Source;
    Source->OnEndDock = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    const int Forms = Screen->FormCount();
    Pump();
    MouseDown(Source, 5, 5);
    Pump();
    MouseMove(Form.get(), 250, 200);
    Pump();
    Key(VK_ESCAPE);
    Pump();
    MouseUp(Form.get(), 250, 200);
    Pump();
    EXPECT_EQ(EndTarget, nullptr);
    EXPECT_EQ(Source->Parent(), Form.get());
    EXPECT_EQ(Source->Left(), 10);
    EXPECT_EQ(Screen->FormCount(), Forms);
    const POINT Outline = At(Form.get(), 245, 195);
    EXPECT_EQ(ShownWindowAt(Bounds(Outline.x, Outline.y, 100, 80), Form->Handle()), HWND{});
}

TEST_F(ControlsDragTest, Dock_WithoutAFloatingClassLeavesTheControlWhereItWas)
{
    ShownForm();
    TPanel *Source = DockPanel(10, 10);
    Source->SetFloatingDockSiteClass(nullptr);
    TObject *EndTarget = Source;
    Source->OnEndDock = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    const int Forms = Screen->FormCount();
    Pump();
    FeedDrag(At(Source, 5, 5), At(Source, 150, 150));
    EXPECT_EQ(EndTarget, nullptr);
    EXPECT_EQ(Source->Parent(), Form.get());
    EXPECT_EQ(Source->Left(), 10);
    EXPECT_FALSE(Source->Floating());
    EXPECT_EQ(Screen->FormCount(), Forms);
    EXPECT_THROW(Source->SetFloatingDockSiteClass(TPanel::StaticClass()), EInvalidOperation);
}

TEST_F(ControlsDragTest, Float_DraggedOntoADockSiteDocksThereAndTheHostGoes)
{
    ShownForm();
    TPanel *Source = DockPanel(10, 10, 60, 40);
    TPanel *Site = DockSite(150, 100, 200, 150);
    const POINT Corner = At(Form.get(), 20, 250);
    ASSERT_TRUE(Source->ManualFloat(Bounds(Corner.x, Corner.y, 60, 40)));
    Pump();
    auto *Host = dynamic_cast<TCustomDockForm *>(Source->Parent());
    ASSERT_NE(Host, nullptr);
    const HWND HostWindow = Host->Handle();
    const int Forms = Screen->FormCount();
    TObject *EndTarget = nullptr;
    Source->OnEndDock = [&](TObject *, TObject *To, int, int) { EndTarget = To; };
    FeedDrag(At(Source, 5, 5), At(Site, 50, 60));
    Pump();
    EXPECT_EQ(EndTarget, Site);
    EXPECT_EQ(Source->Parent(), Site);
    EXPECT_FALSE(Source->Floating());
    EXPECT_EQ(Source->BoundsRect(), TRect(45, 55, 105, 95));
    EXPECT_FALSE(IsWindow(HostWindow));
    EXPECT_EQ(Screen->FormCount(), Forms - 1);
    for (int I = 0; I < Screen->FormCount(); ++I)
        EXPECT_NE(Screen->Forms(I), static_cast<TCustomForm *>(Host));
}

TEST_F(ControlsDragTest, ManualFloat_HostsTheControlOverTheRectAndMovesItsHostWhenFloating)
{
    ShownForm();
    TPanel *Source = Panel(10, 10, 60, 40);
    const int Forms = Screen->FormCount();
    ASSERT_TRUE(Source->ManualFloat(Bounds(300, 260, 60, 40)));
    Pump();
    EXPECT_TRUE(Source->Floating());
    EXPECT_EQ(Screen->FormCount(), Forms + 1);
    EXPECT_EQ(Source->ClientToScreen(TPoint()), TPoint(300, 260));
    EXPECT_EQ(Source->BoundsRect(), TRect(0, 0, 60, 40));
    TCustomForm *Host = GetParentForm(Source);
    EXPECT_EQ(Host->ClientWidth(), 60);
    EXPECT_EQ(Host->ClientHeight(), 40);
    // Floating again moves the host it has, with the new size.
    ASSERT_TRUE(Source->ManualFloat(Bounds(120, 400, 80, 50)));
    Pump();
    EXPECT_EQ(GetParentForm(Source), Host);
    EXPECT_EQ(Screen->FormCount(), Forms + 1);
    EXPECT_EQ(Source->ClientToScreen(TPoint()), TPoint(120, 400));
    EXPECT_EQ(Source->BoundsRect(), TRect(0, 0, 80, 50));
    EXPECT_EQ(Host->ClientWidth(), 80);
    EXPECT_EQ(Host->ClientHeight(), 50);
}

TEST_F(ControlsDragTest, FreedSource_EndsTheDragAndGivesTheMouseBack)
{
    ShownForm();
    TPanel *Source = Panel(10, 10);
    TPanel *Other = Panel(150, 10);
    Source->SetDragMode(dmAutomatic);
    int Clicks = 0;
    Other->OnClick = [&](TObject *) { ++Clicks; };
    Pump();
    MouseDown(Source, 5, 5);
    Pump();
    delete Source;
    EXPECT_EQ(GetCapture(), HWND{});
    Click(Other, 10, 10);
    Pump();
    EXPECT_EQ(Clicks, 1);
}

} // namespace
