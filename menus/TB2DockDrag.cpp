#include "menus/TB2Common.h"
#include "menus/TB2Dock.h"

#include <algorithm>
#include <utility>

namespace
{

bool RectsIntersect(const TRect &A, const TRect &B)
{
    RECT Common;
    const RECT RA = A, RB = B;
    return IntersectRect(&Common, &RA, &RB);
}

TRect Inflated(const TRect &R, int By)
{
    return TRect(R.Left - By, R.Top - By, R.Right + By, R.Bottom + By);
}

bool IsEmptyRect(const TRect &R)
{
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

TRect ScreenRectOf(TWinControl *Control)
{
    RECT R;
    GetWindowRect(Control->Handle(), &R);
    return R;
}

// The half-tone frame that stands for the bar while it is dragged without moving it, moved
// from Old to New; an empty rectangle is no frame.
void MoveOutlineFrame(HDC DC, const TRect &Old, int OldThickness, const TRect &New,
                      int NewThickness)
{
    if (!DC) return;
    const RECT O = Old, N = New;
    DrawHalftoneInvertRect(DC, IsEmptyRect(New) ? nullptr : &N, IsEmptyRect(Old) ? nullptr : &O,
                           SIZE{NewThickness, NewThickness}, SIZE{OldThickness, OldThickness});
}

void DrawOutline(HDC DC, const TRect &R, int Thickness)
{
    MoveOutlineFrame(DC, TRect(), 0, R, Thickness);
}

enum class TLoopAnswer { Go, Accept, Cancel };

// The modal loop of a drag, a resize or a held close button, run while Wnd holds the capture.
// Step sees the pointer's moves (only those that move it from Start on), the left button's
// release and the keys; the other buttons are swallowed and another left press cancels. A quit
// message ends the loop and is posted again for the loop outside. True when Step accepted.
bool RunCaptureLoop(HWND Wnd, POINT Start, const std::function<TLoopAnswer(const MSG &)> &Step)
{
    POINT Last = Start;
    MSG Msg;
    while (GetCapture() == Wnd) {
        if (!GetMessageW(&Msg, {}, 0, 0)) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            return false;
        }
        TLoopAnswer Answer = TLoopAnswer::Go;
        switch (Msg.message) {
        case WM_MOUSEMOVE:
            if (Msg.pt.x == Last.x && Msg.pt.y == Last.y) break;
            Last = Msg.pt;
            Answer = Step(Msg);
            break;
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_KEYUP:
            Answer = Step(Msg);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return false;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            break;
        default:
            TranslateMessage(&Msg);
            DispatchMessageW(&Msg);
            break;
        }
        if (Answer != TLoopAnswer::Go) return Answer == TLoopAnswer::Accept;
    }
    return false;
}

bool IsKey(const MSG &Msg, int VirtualKey)
{
    return (Msg.message == WM_KEYDOWN || Msg.message == WM_KEYUP) &&
           Msg.wParam == static_cast<WPARAM>(VirtualKey);
}

// Docks in a container, depth first: its docks by side, then its other windowed
// children, then the container itself when it is a dock.
void CollectDocks(TWinControl *Container, const TTBCustomDockableWindow *Bar,
                  std::vector<TTBDock *> &Found)
{
    if (Container == Bar || !Container->Visible()) return;
    for (TTBDockPosition Side : {dpTop, dpBottom, dpLeft, dpRight})
        for (int I = 0; I < Container->ControlCount(); ++I)
            if (auto *Dock = dynamic_cast<TTBDock *>(Container->Controls(I));
                Dock && Dock->Visible() && Dock->Position() == Side)
                CollectDocks(Dock, Bar, Found);
    for (int I = 0; I < Container->ControlCount(); ++I) {
        auto *Child = dynamic_cast<TWinControl *>(Container->Controls(I));
        if (Child && !dynamic_cast<TTBDock *>(Child)) CollectDocks(Child, Bar, Found);
    }
    if (auto *Dock = dynamic_cast<TTBDock *>(Container)) AddToList(Found, Dock);
}

} // namespace

// One drag of a bar: the docks it may land in, and the shape it would take in each.
struct TTBCustomDockableWindow::DragState {
    struct Target {
        TTBDock *Dock = nullptr;
        TRect ScreenRect;
        TPoint BarSize;
        std::vector<int> RowSizes; // bit 16: the row holds a full-size bar
    };

    TTBCustomDockableWindow *Bar;
    TTBDock *StartDock;
    bool StartLeftRight;
    int StartDockRow, StartDockPos;
    int StartAlong = 0;
    bool CanLockInRow;
    TPoint Grab, StartSize;
    bool CtrlDown, CanFloat;
    std::vector<Target> Targets;
    TPoint FloatSize;
    HDC OutlineDC{};
    HCURSOR StartCursor{};
    TRect Outline;
    bool OutlineDocked = false;
    TRect FinalRect;
    Target *FinalTarget = nullptr;

    explicit DragState(TTBCustomDockableWindow *ABar, int InitX, int InitY)
        : Bar(ABar), StartDock(ABar->FDocked ? ABar->FCurrentDock : nullptr),
          StartLeftRight(StartDock && StartDock->IsLeftRight()), StartDockRow(ABar->FDockRow),
          StartDockPos(ABar->FDockPos), CanLockInRow(StartDock != nullptr)
    {
        if (StartDock) {
            StartDock->FDragBar = Bar;
            StartDock->FDragBarLockedInRow = false;
            StartDock->FCommitPositions = true;
            StartDock->ArrangeToolbars();
            StartAlong = StartLeftRight ? Bar->Top() : Bar->Left();
        }
        Bar->FSmoothDragging = Bar->FSmoothDrag;
        const TRect Window = Bar->FFloating && Bar->FFloatParent ? ScreenRectOf(Bar->FFloatParent)
                                                                 : ScreenRectOf(Bar);
        const TPoint Start = Bar->ClientToScreen(TPoint(InitX, InitY));
        Grab = TPoint(Start.X - Window.Left, Start.Y - Window.Top);
        StartSize = TPoint(Window.Width(), Window.Height());
        CtrlDown = GetKeyState(VK_CONTROL) < 0;
        CanFloat = Bar->FDockMode == dmCanFloat;
        StartCursor = GetCursor();
        for (TTBDock *Dock : CandidateDocks())
            AddTarget(Dock);
        TPoint TopLeft, BottomRight;
        Bar->GetFloatingNCArea(TopLeft, BottomRight);
        if (Bar->FFloating)
            FloatSize = StartSize;
        else {
            const TPoint Client = Bar->DoArrange(false, dtFloating, true, nullptr);
            FloatSize =
                TPoint(Client.X + TopLeft.X + BottomRight.X, Client.Y + TopLeft.Y + BottomRight.Y);
        }
    }

    std::vector<TTBDock *> CandidateDocks()
    {
        std::vector<TTBDock *> Found;
        if (Bar->FDockMode == dmCannotFloatOrChangeDocks) {
            if (StartDock) Found.push_back(StartDock);
        } else {
            if (StartDock) Found.push_back(StartDock);
            std::vector<TCustomForm *> Forms;
            if (TCustomForm *Form = TBGetToolWindowParentForm(Bar)) Forms.push_back(Form);
            for (int I = 0; I < Screen->FormCount(); ++I)
                if (TCustomForm *F = Screen->Forms(I);
                    std::find(Bar->FDockForms.begin(), Bar->FDockForms.end(), F) !=
                    Bar->FDockForms.end())
                    AddToList(Forms, F);
            for (TCustomForm *Form : Forms)
                CollectDocks(Form, Bar, Found);
        }
        std::vector<TTBDock *> Allowed;
        for (TTBDock *Dock : Found)
            if (Dock->AllowDrag() && Bar->FDockableTo.Contains(Dock->Position()))
                AddToList(Allowed, Dock);
        return Allowed;
    }

    void AddTarget(TTBDock *Dock)
    {
        Dock->CommitPositions();
        Target T;
        T.Dock = Dock;
        if (Dock == StartDock) {
            T.BarSize = TPoint(Bar->Width(), Bar->Height());
        } else {
            const bool LeftRight = Dock->IsLeftRight();
            const TPoint Client = Bar->DoArrange(false, TBGetDockTypeOf(Dock, false), false, Dock);
            const TPoint NC = Bar->CalcNCSizes(LeftRight);
            T.BarSize = TPoint(Client.X + NC.X, Client.Y + NC.Y);
        }
        Targets.push_back(T);
        Refresh(Targets.back());
    }

    void Refresh(Target &T)
    {
        T.ScreenRect = ScreenRectOf(T.Dock);
        T.RowSizes.clear();
        for (int Row = 0; Row <= T.Dock->GetHighestRow(false); ++Row) {
            bool Full;
            const int Size = T.Dock->GetCurrentRowSize(Row, Full);
            T.RowSizes.push_back((Size & 0xFFFF) | (Full ? 0x10000 : 0));
        }
    }

    static int Margin(int Grab, int Size) { return MulDiv(25, Grab, std::max(1, Size - 1)); }

    TRect Placed(const TPoint &Cursor, const TPoint &Size) const
    {
        const int X = Cursor.X - MulDiv(Size.X - 1, Grab.X, std::max(1, StartSize.X - 1));
        const int Y = Cursor.Y - MulDiv(Size.Y - 1, Grab.Y, std::max(1, StartSize.Y - 1));
        return Bounds(X, Y, Size.X, Size.Y);
    }

    bool Hits(const Target &T, const TPoint &Cursor) const
    {
        const TRect R = Inflated(T.ScreenRect, 3);
        const int MX = Margin(Grab.X, StartSize.X), MY = Margin(Grab.Y, StartSize.Y);
        if (Cursor.X < R.Left - (25 - MX) || Cursor.X >= R.Right + MX) return false;
        if (Cursor.Y < R.Top - (25 - MY) || Cursor.Y >= R.Bottom + MY) return false;
        if (T.Dock->IsLeftRight() && (Cursor.Y < R.Top || Cursor.Y >= R.Bottom)) return false;
        return RectsIntersect(Placed(Cursor, T.BarSize), R);
    }

    Target *TargetAt(const TPoint &Cursor, bool AllowDock)
    {
        if (StartDock && StartDock->FDragBarLockedInRow)
            for (Target &T : Targets)
                if (T.Dock == StartDock) return &T;
        if (!AllowDock || CtrlDown) return nullptr;
        for (Target &T : Targets) {
            if (!Hits(T, Cursor)) continue;
            bool Accept = true;
            if (T.Dock->OnRequestDock) T.Dock->OnRequestDock(T.Dock, Bar, Accept);
            if (Accept) return &T;
        }
        return nullptr;
    }

    // Keeps a floating frame where its caption can still be grabbed.
    TRect KeptReachable(TPoint Cursor) const
    {
        const TRect Area = GetRectOfMonitorContainingPoint(Cursor, true);
        Cursor.X = std::clamp<int>(Cursor.X, Area.Left, Area.Right - 1);
        Cursor.Y = std::clamp<int>(Cursor.Y, Area.Top, Area.Bottom - 1);
        TRect R = Placed(Cursor, FloatSize);
        const TPoint Border = Bar->GetFloatingBorderSize();
        TPoint TopLeft, BottomRight;
        Bar->GetFloatingNCArea(TopLeft, BottomRight);
        const TRect Inner(Area.Left + Border.X + 4, Area.Top + Border.Y + 4,
                          Area.Right - Border.X - 4, Area.Bottom - Border.Y - 4);
        int DX = 0, DY = 0;
        if (R.Right < Inner.Left) DX = Inner.Left - R.Right;
        if (R.Left > Inner.Right) DX = Inner.Right - R.Left;
        if (R.Bottom < Inner.Top) DY = Inner.Top - R.Bottom;
        if (R.Top > Inner.Bottom) DY = Inner.Bottom - R.Top;
        const int TopLimit = Area.Top + 4 - TopLeft.Y;
        if (R.Top + DY < TopLimit) DY = TopLimit - R.Top;
        return TRect(R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY);
    }

    void Step(const TPoint &Cursor, bool AllowDock)
    {
        Target *T = TargetAt(Cursor, AllowDock);
        TRect NewRect;
        if (T)
            NewRect = Placed(Cursor, T->BarSize);
        else if (CanFloat)
            NewRect = KeptReachable(Cursor);
        if (StartDock && StartDock->FDragBarLockedInRow)
            ::SetCursor(LoadCursorW({}, StartLeftRight ? IDC_SIZENS : IDC_SIZEWE));
        else if (!T && !CanFloat)
            ::SetCursor(LoadCursorW({}, IDC_NO));
        else
            ::SetCursor(StartCursor);
        FinalRect = NewRect;
        FinalTarget = T;
        if (Bar->FSmoothDrag) {
            if (!IsEmptyRect(NewRect)) Apply(NewRect, T);
        } else {
            MoveOutline(NewRect, T != nullptr);
        }
    }

    void MoveOutline(const TRect &NewRect, bool Docked)
    {
        Bar->DrawDraggingOutline(OutlineDC, NewRect, Outline, Docked, OutlineDocked);
        Outline = NewRect;
        OutlineDocked = Docked;
    }

    // Which row the centre across falls into, and whether that makes a new row.
    int RowAt(const Target &T, int Centre, bool &NewRow) const
    {
        NewRow = false;
        int Start = 0;
        for (std::size_t Row = 0; Row < T.RowSizes.size(); ++Row) {
            const int Size = T.RowSizes[Row] & 0xFFFF;
            if (Size == 0) continue;
            const bool FullRow = (T.RowSizes[Row] & 0x10000) != 0;
            if (Bar->FFullSize || FullRow) {
                if (Centre < Start + Size / 2) {
                    NewRow = true;
                    return static_cast<int>(Row);
                }
            } else {
                if (Centre < Start + Size / 4) {
                    NewRow = true;
                    return static_cast<int>(Row);
                }
                if (Centre < Start + Size - Size / 4) return static_cast<int>(Row);
            }
            Start += Size;
        }
        NewRow = true;
        return static_cast<int>(T.RowSizes.size());
    }

    void Apply(const TRect &ScreenRect, Target *T)
    {
        if (!T) {
            Bar->SetFloatingPosition(ScreenRect.TopLeft());
            Bar->SetFloating(true);
            Bar->MoveOnScreen(true);
            CanLockInRow = false;
            Bar->Update();
            return;
        }
        TTBDock *Dock = T->Dock;
        const bool LeftRight = Dock->IsLeftRight();
        const TPoint Origin = Dock->ClientToScreen(TPoint(0, 0));
        const TRect R(ScreenRect.Left - Origin.X, ScreenRect.Top - Origin.Y,
                      ScreenRect.Right - Origin.X, ScreenRect.Bottom - Origin.Y);
        bool NewRow = false;
        int Row;
        if (Dock->FDragBarLockedInRow) {
            Row = Bar->FDockRow;
        } else {
            const int Centre = LeftRight ? (R.Left + R.Right) / 2 : (R.Top + R.Bottom) / 2;
            Row = RowAt(*T, Centre, NewRow);
            const int Along = LeftRight ? R.Top : R.Left;
            if (NewRow || Dock != StartDock || Row != Bar->FEffectiveDockRow) CanLockInRow = false;
            if (CanLockInRow && Dock == StartDock && std::abs(Along - StartAlong) >= 10)
                Dock->FDragBarLockedInRow = true;
        }
        Bar->FDockRow = Row;
        Bar->FDockPos = LeftRight ? R.Top : R.Left;
        Dock->FDragBar = Bar;
        Bar->FDragSplitting = NewRow;
        try {
            if (Bar->Parent() != Dock) Bar->SetParent(Dock);
            // A smooth drag only shows where the bars would go: the ones it pushes aside
            // go back when it moves on.
            if (!Bar->FSmoothDragging) Dock->FCommitPositions = true;
            Dock->ArrangeToolbars();
        } catch (...) {
            Bar->FDragSplitting = false;
            throw;
        }
        Bar->FDragSplitting = false;
        Refresh(*T);
        Bar->Update();
    }

    void Finish(bool Accepted)
    {
        if (GetCapture() == Bar->Handle()) ReleaseCapture();
        if (!Bar->FSmoothDrag) {
            MoveOutline(TRect(), false);
            ReleaseDC(GetDesktopWindow(), OutlineDC);
            LockWindowUpdate({});
        }
        try {
            if (Accepted && !IsEmptyRect(FinalRect) && !Bar->FSmoothDrag)
                Apply(FinalRect, FinalTarget);
        } catch (...) {
            EndDrag();
            throw;
        }
        EndDrag();
    }

    void EndDrag()
    {
        if (Bar->FUseLastDock && Bar->FCurrentDock) Bar->SetLastDock(Bar->FCurrentDock);
        if (Bar->FFloatParent && Bar->Parent() != Bar->FFloatParent)
            delete std::exchange(Bar->FFloatParent, nullptr);
        Bar->FSmoothDragging = false;
        for (Target &T : Targets) {
            T.Dock->FDragBar = nullptr;
            T.Dock->FDragBarLockedInRow = false;
        }
        if (!Bar->FDocked) {
            Bar->FDockRow = StartDockRow;
            Bar->FDockPos = StartDockPos;
        }
    }
};

void TTBCustomDockableWindow::DrawDraggingOutline(HDC DC, const TRect &NewRect,
                                                  const TRect &OldRect, bool NewDocked,
                                                  bool OldDocked)
{
    const int Floating = GetFloatingBorderSize().X;
    MoveOutlineFrame(DC, OldRect, OldDocked ? 1 : Floating, NewRect, NewDocked ? 1 : Floating);
}

void TTBCustomDockableWindow::BeginMoving(int InitX, int InitY)
{
    DragState Drag(this, InitX, InitY);
    FDragMode = true;
    ProcessPaintMessages();
    if (!FSmoothDrag) {
        LockWindowUpdate(GetDesktopWindow());
        Drag.OutlineDC =
            GetDCEx(GetDesktopWindow(), {}, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    }
    SetCapture(Handle());
    bool Accepted = false;
    try {
        POINT Last = ClientToScreen(TPoint(InitX, InitY));
        Drag.Step(Last, Drag.StartDock != nullptr);
        Accepted = RunCaptureLoop(Handle(), Last, [&](const MSG &Msg) {
            if (Msg.message == WM_MOUSEMOVE) {
                Last = Msg.pt;
                Drag.Step(Last, true);
            } else if (Msg.message == WM_LBUTTONUP) {
                return TLoopAnswer::Accept;
            } else if (IsKey(Msg, VK_CONTROL)) {
                const bool Down = Msg.message == WM_KEYDOWN;
                if (Drag.CtrlDown != Down) {
                    Drag.CtrlDown = Down;
                    Drag.Step(Last, true);
                }
            } else if (IsKey(Msg, VK_ESCAPE)) {
                return TLoopAnswer::Cancel;
            }
            return TLoopAnswer::Go;
        });
    } catch (...) {
        FDragMode = false;
        Drag.Finish(false);
        throw;
    }
    FDragMode = false;
    Drag.Finish(Accepted);
}

void TTBCustomDockableWindow::BeginSizing(TTBSizeHandle SizeHandle)
{
    if (!FFloating || !FFloatParent) return;
    const bool MoveLeft =
        SizeHandle == twshLeft || SizeHandle == twshTopLeft || SizeHandle == twshBottomLeft;
    const bool MoveRight =
        SizeHandle == twshRight || SizeHandle == twshTopRight || SizeHandle == twshBottomRight;
    const bool MoveTop =
        SizeHandle == twshTop || SizeHandle == twshTopLeft || SizeHandle == twshTopRight;
    const bool MoveBottom =
        SizeHandle == twshBottom || SizeHandle == twshBottomLeft || SizeHandle == twshBottomRight;
    ResizeBegin(SizeHandle);
    int MinW = 0, MinH = 0, MaxW = 0, MaxH = 0;
    GetMinMaxSize(MinW, MinH, MaxW, MaxH);
    TPoint TopLeft, BottomRight;
    GetFloatingNCArea(TopLeft, BottomRight);
    const int NCW = TopLeft.X + BottomRight.X, NCH = TopLeft.Y + BottomRight.Y;
    MinW += NCW;
    MinH += NCH;
    if (MaxW > 0) MaxW += NCW;
    if (MaxH > 0) MaxH += NCH;

    ProcessPaintMessages();
    HDC OutlineDC{};
    if (!FSmoothDrag) {
        LockWindowUpdate(GetDesktopWindow());
        OutlineDC = GetDCEx(GetDesktopWindow(), {}, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    }
    SetCapture(Handle());
    if (FDockableWindowStyles.Contains(tbdsResizeClipCursor) && !UsingMultipleMonitors()) {
        const RECT Primary = GetRectOfPrimaryMonitor(false);
        ClipCursor(&Primary);
    }
    const TRect Orig = ScreenRectOf(FFloatParent);
    // The press that began the sizing, not wherever the pointer has gone since.
    const DWORD Pressed = GetMessagePos();
    const POINT Start{GET_X_LPARAM(Pressed), GET_Y_LPARAM(Pressed)};
    const int Border = GetFloatingBorderSize().X;
    TRect Current = Orig;
    if (!FSmoothDrag) DrawOutline(OutlineDC, Current, Border);

    auto Track = [&](POINT Cursor) {
        const int DX = Cursor.x - Start.x, DY = Cursor.y - Start.y;
        TRect R = Orig;
        if (MoveLeft) R.Left += DX;
        if (MoveRight) R.Right += DX;
        if (MoveTop) R.Top += DY;
        if (MoveBottom) R.Bottom += DY;
        auto Limit = [](LONG &Moving, LONG Fixed, int Size, bool Before) {
            Moving = Before ? Fixed - Size : Fixed + Size;
        };
        if (R.Width() < MinW)
            Limit(MoveLeft ? R.Left : R.Right, MoveLeft ? R.Right : R.Left, MinW, MoveLeft);
        if (MaxW > 0 && R.Width() > MaxW)
            Limit(MoveLeft ? R.Left : R.Right, MoveLeft ? R.Right : R.Left, MaxW, MoveLeft);
        if (R.Height() < MinH)
            Limit(MoveTop ? R.Top : R.Bottom, MoveTop ? R.Bottom : R.Top, MinH, MoveTop);
        if (MaxH > 0 && R.Height() > MaxH)
            Limit(MoveTop ? R.Top : R.Bottom, MoveTop ? R.Bottom : R.Top, MaxH, MoveTop);
        ResizeTrack(R, Orig);
        return R;
    };
    auto ApplyRect = [&](const TRect &R) {
        BeginUpdate();
        try {
            ResizeTrackAccept();
            FFloatParent->SetBounds(R.Left, R.Top, R.Width(), R.Height());
            SetBounds(0, 0, R.Width() - NCW, R.Height() - NCH);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        MoveOnScreen(true);
    };

    bool Accepted = false;
    auto Finish = [&] {
        ClipCursor(nullptr);
        if (GetCapture() == Handle()) ReleaseCapture();
        if (!FSmoothDrag) {
            DrawOutline(OutlineDC, Current, Border);
            ReleaseDC(GetDesktopWindow(), OutlineDC);
            LockWindowUpdate({});
        }
    };
    try {
        Accepted = RunCaptureLoop(Handle(), Start, [&](const MSG &Msg) {
            if (Msg.message == WM_LBUTTONUP) return TLoopAnswer::Accept;
            if (Msg.message == WM_KEYDOWN && Msg.wParam == static_cast<WPARAM>(VK_ESCAPE))
                return TLoopAnswer::Cancel;
            if (Msg.message != WM_MOUSEMOVE) return TLoopAnswer::Go;
            const TRect R = Track(Msg.pt);
            if (FSmoothDrag) {
                ApplyRect(R);
            } else {
                MoveOutlineFrame(OutlineDC, Current, Border, R, Border);
            }
            Current = R;
            return TLoopAnswer::Go;
        });
    } catch (...) {
        Finish();
        ResizeEnd();
        throw;
    }
    Finish();
    try {
        if (Accepted && !FSmoothDrag) ApplyRect(Current);
    } catch (...) {
        ResizeEnd();
        throw;
    }
    ResizeEnd();
}

bool TTBCustomDockableWindow::TrackCloseButton(HWND Wnd, const TRect &ScreenButton,
                                               const std::function<void(bool Pushed)> &DrawState)
{
    SetCapture(Wnd);
    const DWORD Pressed = GetMessagePos();
    bool Pushed = ScreenButton.Contains(GET_X_LPARAM(Pressed), GET_Y_LPARAM(Pressed));
    DrawState(Pushed);
    const bool Result = RunCaptureLoop(
        Wnd, POINT{GET_X_LPARAM(Pressed), GET_Y_LPARAM(Pressed)}, [&](const MSG &Msg) {
            const bool Over = ScreenButton.Contains(Msg.pt.x, Msg.pt.y);
            if (Msg.message == WM_LBUTTONUP)
                return Over ? TLoopAnswer::Accept : TLoopAnswer::Cancel;
            if (Msg.message == WM_MOUSEMOVE && Over != Pushed) {
                Pushed = Over;
                DrawState(Pushed);
            }
            return TLoopAnswer::Go;
        });
    if (GetCapture() == Wnd) ReleaseCapture();
    DrawState(false);
    return Result;
}
