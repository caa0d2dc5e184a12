#include "menus/TB2Common.h"
#include "menus/TB2Dock.h"
#include "menus/TB2Hook.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/Menus.h"

#include <algorithm>
#include <utility>

namespace
{

// [close button when docked][drag handle style]
constexpr int DragHandleSizes[2][3] = {{9, 0, 6}, {14, 14, 14}};

TTBSkins SkinTypeOf(TTBBaseSkin *Skin)
{
    TTBBaseSkin *Active = ActiveSkin(Skin);
    return Active ? Active->SkinType() : tbsDisabled;
}

// The cross of the docked close button, one byte per row, high bit left.
constexpr BYTE CloseCross[8] = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00, 0x00};

} // namespace

// ---- Unit functions -----------------------------------------------------------------------

TTBDockType TBGetDockTypeOf(const TTBDock *Control, bool Floating)
{
    if (Floating) return dtFloating;
    if (!Control) return dtNotDocked;
    return Control->IsLeftRight() ? dtLeftRight : dtTopBottom;
}

TCustomForm *TBGetToolWindowParentForm(TTBCustomDockableWindow *ToolWindow)
{
    TCustomForm *Result = nullptr;
    for (TWinControl *Ctl = ToolWindow->Parent(); Ctl; Ctl = Ctl->Parent())
        if (auto *Form = dynamic_cast<TCustomForm *>(Ctl)) Result = Form;
    if (auto *Frame = dynamic_cast<TTBFloatingWindowParent *>(Result)) return Frame->ParentForm();
    return Result;
}

TCustomForm *TBValidToolWindowParentForm(TTBCustomDockableWindow *ToolWindow)
{
    TCustomForm *Result = TBGetToolWindowParentForm(ToolWindow);
    if (!Result)
        throw EInvalidOperation(Format("Control '%s' has no parent window", {ToolWindow->Name()}));
    return Result;
}

// ---- The hooks that keep floating bars with their forms ---------------------------------------

namespace
{

std::vector<TTBCustomDockableWindow *> &FloatingBars()
{
    static std::vector<TTBCustomDockableWindow *> Bars;
    return Bars;
}

// Set by the last activation notice: a window system may keep the active window of an
// application the user has left.
bool &ApplicationDeactivated()
{
    static bool Deactivated = false;
    return Deactivated;
}

bool ApplicationActiveForBars()
{
    return ApplicationIsActive() && !ApplicationDeactivated();
}

// The form's window is Wnd or lies inside it.
bool FormWindowIn(const TCustomForm *Form, HWND Wnd)
{
    if (!Form || !Form->HandleAllocated()) return false;
    const HWND FormWnd = Form->WindowHandle();
    return FormWnd == Wnd || IsChild(Wnd, FormWnd);
}

void DockableWindowHookProc(THookProcCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam)
{
    // Updating one bar may make another float or dock: walk a copy.
    const std::vector<TTBCustomDockableWindow *> Bars = FloatingBars();
    switch (Code) {
    case hpSendActivateApp:
        ApplicationDeactivated() = WParam == 0;
        for (TTBCustomDockableWindow *Bar : Bars)
            Bar->UpdateVisibility();
        break;
    case hpSendWindowPosChanged: {
        const auto *Pos = reinterpret_cast<const WINDOWPOS *>(LParam);
        if (!Pos || !(Pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED))) break;
        for (TTBCustomDockableWindow *Bar : Bars)
            if (Bar->FloatingMode() == fmOnTopOfParentForm && Bar->FloatingWindowParent() &&
                FormWindowIn(Bar->FloatingWindowParent()->ParentForm(), Wnd))
                Bar->UpdateVisibility();
        break;
    }
    case hpPreDestroy:
        // Owned windows go with their owner: the frame stays, owned by the application.
        for (TTBCustomDockableWindow *Bar : Bars)
            if (TTBFloatingWindowParent *Frame = Bar->FloatingWindowParent();
                Frame && Frame->HandleAllocated() &&
                GetWindow(Frame->WindowHandle(), GW_OWNER) == Wnd) {
                SetWindowLongPtrW(Frame->WindowHandle(), GWLP_HWNDPARENT,
                                  reinterpret_cast<LONG_PTR>(Application->Handle()));
                // Once the owner is gone the frame hides or follows a new window of its form.
                if (Bar->HandleAllocated())
                    PostMessageW(Bar->WindowHandle(), CM_SHOWINGCHANGED, 0, 0);
            }
        break;
    case hpGetMessage:
        break;
    }
}

} // namespace

// ---- Creation -----------------------------------------------------------------------------

TTBCustomDockableWindow::TTBCustomDockableWindow(TComponent *AOwner) : TCustomControl(AOwner)
{
    FControlStyle << csAcceptsControls << csClickEvents << csSetCaption << csDoubleClicks;
    FControlStyle >> csCaptureMouse >> csOpaque;
    SetParentColor(false);
    SetColor(clBtnFace);
    FSkin = DefaultSkin();
    FSkin->RegisterDockable(this);
    InstallHookProc(DockableWindowHookProc,
                    {hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy});
}

TTBCustomDockableWindow::~TTBCustomDockableWindow()
{
    UninstallHookProc(DockableWindowHookProc);
    FSkin->UnregisterDockable(this);
    std::erase(FloatingBars(), this);
    // The docks and the floating frame must not reach back into a half-gone bar.
    if (FCurrentDock) {
        TTBDock *Dock = FCurrentDock;
        FCurrentDock = nullptr;
        FDocked = false;
        inherited::SetParent(nullptr);
        Dock->ChangeDockList(false, this);
    }
    if (FLastDock) {
        TTBDock *Dock = FLastDock;
        FLastDock = nullptr;
        Dock->ChangeDockList(false, this);
    }
    if (FFloatParent) {
        if (Parent() == FFloatParent) inherited::SetParent(nullptr);
        delete std::exchange(FFloatParent, nullptr);
    }
}

void TTBCustomDockableWindow::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    if (!ComponentState().Contains(csDesigning))
        Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TTBCustomDockableWindow::CreateWnd()
{
    inherited::CreateWnd();
    // The window was measured by the default frame while it was being made.
    RecalcFrame(FHandle);
}

void TTBCustomDockableWindow::DefineProperties(TFiler *Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineProperty(
        "SavedAtRunTime", [this](TReader *Reader) { FSavedAtRunTime = Reader->ReadBoolean(); },
        [](TWriter *Writer) { Writer->WriteBoolean(true); },
        !ComponentState().Contains(csDesigning));
}

void TTBCustomDockableWindow::Loaded()
{
    inherited::Loaded();
    // Each stream read says anew when it was written.
    const bool SavedAtRunTime = std::exchange(FSavedAtRunTime, false);
    if (FFloating && !SavedAtRunTime)
        if (TCustomForm *Form = TBGetToolWindowParentForm(this)) {
            const TPoint Origin = Form->ClientToScreen(FFloatingPosition);
            SetFloatingPosition(Origin);
            MoveOnScreen(false);
        }
    InitializeOrdering();
    Arrange();
}

void TTBCustomDockableWindow::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDefaultDock) FDefaultDock = nullptr;
    if (AComponent == FLastDock) FLastDock = nullptr;
    if (AComponent == FCurrentDock) {
        FCurrentDock = nullptr;
        FDocked = false;
    }
    if (AComponent == FSkin) {
        // The freed skin has already let go of its windows.
        FSkin = DefaultSkin();
        FSkin->RegisterDockable(this);
    }
    std::erase_if(FDockForms, [&](TCustomForm *F) { return F == AComponent; });
    // The frame may have heard of its form going first, and let go of it already. A bar
    // that goes too frees its frame itself.
    if (FFloatParent && !ComponentState().Contains(csDestroying) &&
        (!FFloatParent->ParentForm() || AComponent == FFloatParent->ParentForm()))
        FloatingParentFormFreed();
}

void TTBCustomDockableWindow::FloatingParentFormFreed()
{
    if (Parent() != FFloatParent) {
        delete std::exchange(FFloatParent, nullptr);
        return;
    }
    // Nothing may ask the going form whether it shows.
    FFloatParent->SetParentForm(nullptr);
    if (FFloatingMode != fmOnTopOfAllForms) SetParent(nullptr);
}

// ---- Properties ---------------------------------------------------------------------------

void TTBCustomDockableWindow::SetAutoResize(bool Value)
{
    FAutoResize = Value;
    if (Value) Arrange();
}

void TTBCustomDockableWindow::SetBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    if (FDocked) DockedFrameChanged();
}

void TTBCustomDockableWindow::SetCloseButton(bool Value)
{
    if (Value == FCloseButton) return;
    FCloseButton = Value;
    if (FFloating && FFloatParent) FFloatParent->RedrawNCArea({twrdCaption, twrdCloseButton});
}

void TTBCustomDockableWindow::SetCloseButtonWhenDocked(bool Value)
{
    if (Value == FCloseButtonWhenDocked) return;
    FCloseButtonWhenDocked = Value;
    if (FDocked) DockedFrameChanged();
}

void TTBCustomDockableWindow::SetDragHandleStyle(TTBDragHandleStyle Value)
{
    if (Value == FDragHandleStyle) return;
    FDragHandleStyle = Value;
    if (FDocked) DockedFrameChanged();
}

void TTBCustomDockableWindow::SetCurrentDock(TTBDock *Value)
{
    if (ComponentState().Contains(csLoading)) return;
    if (Value)
        SetParent(Value);
    else
        SetParent(TBValidToolWindowParentForm(this));
}

void TTBCustomDockableWindow::SetDefaultDock(TTBDock *Value)
{
    if (Value == FDefaultDock) return;
    FDefaultDock = Value;
    if (Value) Value->FreeNotification(this);
}

void TTBCustomDockableWindow::RearrangeDock()
{
    if (FDocked && FCurrentDock) FCurrentDock->ArrangeToolbars();
}

void TTBCustomDockableWindow::SetDockPos(int Value)
{
    FDockPos = Value;
    RearrangeDock();
}

void TTBCustomDockableWindow::SetDockRow(int Value)
{
    FDockRow = Value;
    RearrangeDock();
}

void TTBCustomDockableWindow::SetFullSize(bool Value)
{
    if (Value == FFullSize) return;
    FFullSize = Value;
    RearrangeDock();
}

void TTBCustomDockableWindow::SetStretch(bool Value)
{
    if (Value == FStretch) return;
    FStretch = Value;
    RearrangeDock();
}

void TTBCustomDockableWindow::SetFloatingMode(TTBFloatingMode Value)
{
    FFloatingMode = Value;
    UpdateVisibility();
}

void TTBCustomDockableWindow::SetLastDock(TTBDock *Value)
{
    if (Value == FLastDock) return;
    if (FLastDock && FLastDock != Parent()) FLastDock->ChangeDockList(false, this);
    FLastDock = Value;
    if (!Value) return;
    FUseLastDock = true;
    Value->FreeNotification(this);
    Value->ChangeDockList(true, this);
}

void TTBCustomDockableWindow::SetUseLastDock(bool Value)
{
    if (Value == FUseLastDock) return;
    FUseLastDock = Value;
    SetLastDock(Value ? FCurrentDock : nullptr);
}

void TTBCustomDockableWindow::SetResizable(bool Value)
{
    if (Value == FResizable) return;
    FResizable = Value;
    if (!FFloating || !FFloatParent || !FFloatParent->HandleAllocated()) return;
    // The frame's style carries the sizing border; the window keeps its children.
    const HWND Frame = FFloatParent->Handle();
    LONG Style = GetWindowLongW(Frame, GWL_STYLE);
    Style = Value ? (Style | WS_THICKFRAME) : (Style & ~WS_THICKFRAME);
    SetWindowLongW(Frame, GWL_STYLE, Style);
    FFloatParent->RedrawNCArea({twrdBorder, twrdCaption, twrdCloseButton});
    ChangeSize(Width(), Height());
}

void TTBCustomDockableWindow::SetShowCaption(bool Value)
{
    if (Value == FShowCaption) return;
    FShowCaption = Value;
    FloatingFrameChanged();
}

void TTBCustomDockableWindow::FloatingFrameChanged()
{
    if (!FFloating || !FFloatParent) return;
    // The frame is sized again around the same client, then measured and drawn.
    ChangeSize(Width(), Height());
    if (FFloatParent->HandleAllocated()) RecalcFrame(FFloatParent->Handle());
    Arrange();
}

void TTBCustomDockableWindow::SetSkin(TTBBaseSkin *Value)
{
    if (!Value) Value = DefaultSkin();
    if (Value == FSkin) return;
    FSkin->UnregisterDockable(this);
    FSkin = Value;
    FSkin->RegisterDockable(this);
    if (Value != DefaultSkin()) Value->FreeNotification(this);
    Invalidate();
    if (FDocked) DockedFrameChanged();
    FloatingFrameChanged();
}

void TTBCustomDockableWindow::AddDockForm(TCustomForm *Form)
{
    if (Form && AddToList(FDockForms, Form)) Form->FreeNotification(this);
}

void TTBCustomDockableWindow::RemoveDockForm(TCustomForm *Form)
{
    RemoveFromList(FDockForms, Form);
}

// ---- Docked, floating, not docked -----------------------------------------------------------

void TTBCustomDockableWindow::ReparentKeepingWindow(TWinControl *AParent)
{
    if (!FHandle || !AParent || !AParent->HandleAllocated()) {
        inherited::SetParent(AParent);
        return;
    }
    // The window and its children's windows move with the bar instead of being made again.
    const HWND Wnd = FHandle;
    FHandle = nullptr;
    try {
        if (FParent) FParent->RemoveControl(this);
    } catch (...) {
        FHandle = Wnd;
        throw;
    }
    FHandle = Wnd;
    ::SetParent(Wnd, AParent->Handle());
    SetWindowPos(Wnd, {}, FLeft, FTop, FWidth, FHeight,
                 SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOACTIVATE);
    AParent->InsertControl(this);
}

void TTBCustomDockableWindow::SetParent(TWinControl *AParent)
{
    if (AParent == Parent()) return;
    auto *NewFrame = dynamic_cast<TTBFloatingWindowParent *>(AParent);
    auto *NewDock = dynamic_cast<TTBDock *>(AParent);
    const bool NewFloating = NewFrame != nullptr;
    const bool Destroying = ComponentState().Contains(csDestroying);
    if (!Destroying) {
        if (OnDockChanging) OnDockChanging(this, NewFloating, NewDock);
        if (OnRecreating) OnRecreating(this);
    }
    TTBDock *OldDock = FCurrentDock;
    auto *OldFrame = dynamic_cast<TTBFloatingWindowParent *>(Parent());
    ++FHidden;
    ++FDisableOnMove;
    UpdateVisibility();
    if (OldDock) OldDock->BeginUpdate();
    if (NewDock) NewDock->BeginUpdate();
    auto Unwind = [&] {
        --FHidden;
        --FDisableOnMove;
        if (NewDock) NewDock->EndUpdate();
        if (OldDock) OldDock->EndUpdate();
    };
    try {
        DoDockChangingHidden(NewFloating, NewDock);
        BeginUpdate();
        if (OldDock) {
            if (!(FUseLastDock && FLastDock == OldDock)) OldDock->ChangeDockList(false, this);
            OldDock->ToolbarVisibilityChanged(this, true);
        }
        ReparentKeepingWindow(AParent);
        FCurrentDock = NewDock;
        FFloating = NewFloating;
        FDocked = NewDock != nullptr;
        FEffectiveDockRow = -1;
        std::erase(FloatingBars(), this);
        if (FFloating) FloatingBars().push_back(this);
        if (OldFrame && OldFrame == FFloatParent && OldFrame != AParent) {
            if (FSmoothDragging) {
                // Kept for the drag to bring the bar back to, but empty: out of sight.
                OldFrame->FShouldShow = false;
                OldFrame->Perform(CM_SHOWINGCHANGED, 0, 0);
            } else {
                delete std::exchange(FFloatParent, nullptr);
            }
        }
        if (NewDock) {
            if (FUseLastDock && !FSmoothDragging) {
                SetLastDock(NewDock);
                NewDock->ToolbarVisibilityChanged(this, false);
            } else {
                NewDock->ChangeDockList(true, this);
            }
        }
        if (FFloating && FFloatParent)
            FFloatParent->SetBounds(FFloatingPosition.X, FFloatingPosition.Y, FFloatParent->Width(),
                                    FFloatParent->Height());
        if (FDocked) DockedFrameChanged();
        Arrange();
        EndUpdate();
    } catch (...) {
        Unwind();
        throw;
    }
    Unwind();
    UpdateVisibility();
    Moved();
    if (!Destroying) {
        if (OnRecreated) OnRecreated(this);
        if (OnDockChanged) OnDockChanged(this);
    }
}

bool TTBCustomDockableWindow::HasParent()
{
    return !FFloating && inherited::HasParent();
}

TComponent *TTBCustomDockableWindow::GetParentComponent()
{
    return FFloating ? nullptr : inherited::GetParentComponent();
}

void TTBCustomDockableWindow::SetFloating(bool Value)
{
    if (!Value) {
        SetParent(TBValidToolWindowParentForm(this));
        return;
    }
    TCustomForm *Form = TBValidToolWindowParentForm(this);
    std::unique_ptr<TTBFloatingWindowParent> Previous;
    if (!FFloatParent || FFloatParent->ParentForm() != Form) {
        if (FFloatParent && Parent() != FFloatParent) Previous.reset(FFloatParent);
        auto *Frame = dynamic_cast<TTBFloatingWindowParent *>(
            GetFloatingWindowParentClass()->Create(static_cast<TComponent *>(nullptr)));
        Frame->FDockableWindow = this;
        Frame->SetParentForm(Form);
        Form->FreeNotification(this);
        Frame->SetName(Format("NBFloatingWindowParent_%.8x",
                              {static_cast<int>(reinterpret_cast<std::uintptr_t>(Frame))}));
        Frame->SetCaption(Caption());
        Frame->SetBorderStyle(bsToolWindow);
        TPoint TopLeft, BottomRight;
        GetFloatingNCArea(TopLeft, BottomRight);
        Frame->SetBounds(FFloatingPosition.X, FFloatingPosition.Y,
                         ClientWidth() + TopLeft.X + BottomRight.X,
                         ClientHeight() + TopLeft.Y + BottomRight.Y);
        Frame->SetShowHint(true);
        Frame->HandleNeeded();
        // Shown as a form, so that it and the bar count as showing (idle action updates,
        // keys relayed by the dock); its window still follows the bar's showing state.
        Frame->SetVisible(true);
        FFloatParent = Frame;
    }
    SetParent(FFloatParent);
    SetBounds(0, 0, Width(), Height());
}

void TTBCustomDockableWindow::SetFloatingPosition(const TPoint &Value)
{
    FFloatingPosition = Value;
    if (FFloating && FFloatParent)
        FFloatParent->SetBounds(Value.X, Value.Y, FFloatParent->Width(), FFloatParent->Height());
}

void TTBCustomDockableWindow::BeginUpdate()
{
    ++FUpdateDepth;
}

void TTBCustomDockableWindow::EndUpdate()
{
    if (FUpdateDepth > 0 && --FUpdateDepth == 0 && FArrangeNeeded) Arrange();
}

void TTBCustomDockableWindow::Arrange()
{
    if (FUpdateDepth > 0 || ComponentState().Contains(csLoading) || !Parent()) {
        FArrangeNeeded = true;
        return;
    }
    FArrangeNeeded = false;
    const TPoint Size =
        DoArrange(true, TBGetDockTypeOf(FCurrentDock, FFloating), FFloating, FCurrentDock);
    if (IsAutoResized()) ChangeSize(Size.X, Size.Y);
}

void TTBCustomDockableWindow::ChangeSize(int AWidth, int AHeight)
{
    if (FDocked) {
        if (FCurrentDock) FCurrentDock->ArrangeToolbars();
        return;
    }
    if (!FFloating) {
        if (Anchors().Contains(akLeft) && Anchors().Contains(akRight)) AWidth = Width();
        if (Anchors().Contains(akTop) && Anchors().Contains(akBottom)) AHeight = Height();
    }
    ++FInternalSizeChange;
    try {
        SetBounds(Left(), Top(), AWidth, AHeight);
    } catch (...) {
        --FInternalSizeChange;
        throw;
    }
    --FInternalSizeChange;
}

void TTBCustomDockableWindow::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (FFloating && FFloatParent) {
        TPoint TopLeft, BottomRight;
        GetFloatingNCArea(TopLeft, BottomRight);
        FFloatParent->SetBounds(FFloatParent->Left(), FFloatParent->Top(),
                                AWidth + TopLeft.X + BottomRight.X,
                                AHeight + TopLeft.Y + BottomRight.Y);
        ALeft = 0;
        ATop = 0;
    }
    if ((AWidth != Width() || AHeight != Height()) && FInternalSizeChange == 0)
        SizeChanging(AWidth, AHeight);
    const bool Moved = ALeft != Left() || ATop != Top();
    inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (Moved) TakeDesignedPlace();
}

void TTBCustomDockableWindow::TakeDesignedPlace()
{
    // A designer moves a bar by its bounds; the dock's own arrangement does not count.
    if (!ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading) ||
        !FDocked || !FCurrentDock || FInternalSizeChange > 0)
        return;
    const bool LeftRight = FCurrentDock->IsLeftRight();
    FDockRow =
        FCurrentDock->GetDesignModeRowOf(LeftRight ? Left() + Width() / 2 : Top() + Height() / 2);
    FDockPos = LeftRight ? Top() : Left();
    FCurrentDock->ArrangeToolbars();
}

bool TTBCustomDockableWindow::IsMovable() const
{
    return (FDocked && FCurrentDock && FCurrentDock->AllowDrag()) || FFloating;
}

void TTBCustomDockableWindow::MoveOnScreen(bool OnlyIfFullyOffscreen)
{
    if (!FFloating || !FFloatParent) return;
    RECT R = FFloatParent->BoundsRect();
    const RECT Area = GetRectOfMonitorContainingRect(R, true);
    if (OnlyIfFullyOffscreen) {
        RECT Common;
        if (IntersectRect(&Common, &R, &Area)) return;
    }
    // Right and bottom first, so that the left and top edges win on a small screen.
    if (R.right > Area.right) OffsetRect(&R, Area.right - R.right, 0);
    if (R.bottom > Area.bottom) OffsetRect(&R, 0, Area.bottom - R.bottom);
    if (R.left < Area.left) OffsetRect(&R, Area.left - R.left, 0);
    if (R.top < Area.top) OffsetRect(&R, 0, Area.top - R.top);
    SetFloatingPosition(TPoint(R.left, R.top));
}

void TTBCustomDockableWindow::Close()
{
    bool CanClose = true;
    if (OnCloseQuery) OnCloseQuery(this, CanClose);
    if (!CanClose) return;
    Hide();
    if (OnClose) OnClose(this);
}

void TTBCustomDockableWindow::DoubleClick()
{
    if (FFloating) {
        if (FLastDock) {
            SetCurrentDock(FLastDock);
        } else if (FDefaultDock) {
            FDockRow = 0;
            FDockPos = -8;
            SetCurrentDock(FDefaultDock);
        }
    } else if (FDocked && FDockMode == dmCanFloat) {
        SetFloating(true);
        MoveOnScreen(true);
    }
}

void TTBCustomDockableWindow::Moved()
{
    if (!ComponentState().Contains(csLoading) && FDisableOnMove == 0 && OnMove) OnMove(this);
}

// ---- Frame metrics --------------------------------------------------------------------------

int TTBCustomDockableWindow::DragHandleSize(bool LeftRight) const
{
    TTBBaseSkin *Active = ActiveSkin(FSkin);
    if (LeftRight && Active && Active->Options().Contains(tboDockedCaptions)) return 14;
    return DragHandleSizes[FCloseButtonWhenDocked ? 1 : 0][FDragHandleStyle];
}

void TTBCustomDockableWindow::GetDockedNCArea(TPoint &TopLeft, TPoint &BottomRight,
                                              bool LeftRight) const
{
    TopLeft = TPoint(2, 2);
    BottomRight = TPoint(2, 2);
    if (FCurrentDock && !FCurrentDock->AllowDrag()) return;
    (LeftRight ? TopLeft.Y : TopLeft.X) += DragHandleSize(LeftRight);
}

TPoint TTBCustomDockableWindow::CalcNCSizes(bool LeftRight) const
{
    TPoint TopLeft, BottomRight;
    GetDockedNCArea(TopLeft, BottomRight, LeftRight);
    return TPoint(TopLeft.X + BottomRight.X, TopLeft.Y + BottomRight.Y);
}

TPoint TTBCustomDockableWindow::GetFloatingBorderSize() const
{
    if (FResizable) return TPoint(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
    return TPoint(GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
}

void TTBCustomDockableWindow::GetFloatingNCArea(TPoint &TopLeft, TPoint &BottomRight) const
{
    const TPoint Border = GetFloatingBorderSize();
    TopLeft = Border;
    BottomRight = Border;
    if (FShowCaption) TopLeft.Y += GetSystemMetrics(SM_CYSMCAPTION);
    if (SkinTypeOf(FSkin) == tbsOfficeXP) {
        TopLeft.Y -= 2;
        BottomRight.Y -= 1;
    }
}

TRect TTBCustomDockableWindow::GetDockedCloseButtonRect(bool LeftRight) const
{
    const int Side = DragHandleSize(LeftRight) - 3;
    int X = 3, Y = 2;
    if (LeftRight) {
        RECT Client{};
        if (FHandle) ::GetClientRect(FHandle, &Client);
        X = Client.right + 2 - Side;
        Y = 3;
        TTBBaseSkin *Active = ActiveSkin(FSkin);
        if (Active && Active->Options().Contains(tboDockedCaptions)) {
            Y = 4;
            --X;
        }
    }
    return TRect(X, Y, X + Side, Y + Side);
}

void TTBCustomDockableWindow::DockedFrameChanged()
{
    if (HandleAllocated()) RecalcFrame(Handle());
    RearrangeDock();
}

// ---- Overridables with nothing to do here -----------------------------------------------------

void TTBCustomDockableWindow::ReadPositionData(const TTBReadPositionData &) {}
void TTBCustomDockableWindow::DoneReadingPositionData(const TTBReadPositionData &) {}
void TTBCustomDockableWindow::WritePositionData(const TTBWritePositionData &) {}
int TTBCustomDockableWindow::GetMinShrinkSize()
{
    return 0;
}
void TTBCustomDockableWindow::GetMinMaxSize(int &, int &, int &, int &) {}
TTBShrinkMode TTBCustomDockableWindow::GetShrinkMode()
{
    return tbsmNone;
}
void TTBCustomDockableWindow::SizeChanging(int, int) {}
bool TTBCustomDockableWindow::ChildControlTransparent(TControl *)
{
    return false;
}
void TTBCustomDockableWindow::DoDockChangingHidden(bool NewFloating, TTBDock *DockingTo)
{
    if (!ComponentState().Contains(csDestroying) && OnDockChangingHidden)
        OnDockChangingHidden(this, NewFloating, DockingTo);
}
TClass TTBCustomDockableWindow::GetFloatingWindowParentClass()
{
    return TTBFloatingWindowParent::StaticClass();
}
void TTBCustomDockableWindow::InitializeOrdering() {}
void TTBCustomDockableWindow::ResizeBegin(TTBSizeHandle) {}
void TTBCustomDockableWindow::ResizeTrack(TRect &, const TRect &) {}
void TTBCustomDockableWindow::ResizeTrackAccept() {}
void TTBCustomDockableWindow::ResizeEnd() {}

bool TTBCustomDockableWindow::ControlExistsAtPos(const TPoint &P)
{
    for (int I = 0; I < ControlCount(); ++I) {
        TControl *Ctl = Controls(I);
        if (Ctl->Visible() && Ctl->BoundsRect().Contains(P.X, P.Y) && !ChildControlTransparent(Ctl))
            return true;
    }
    return false;
}

// ---- Visibility of floating bars ----------------------------------------------------------

bool TTBCustomDockableWindow::GetShowingState() const
{
    bool Result = Visible() && FHidden == 0;
    if (FFloating && !ComponentState().Contains(csDesigning)) {
        if (FFloatingMode == fmOnTopOfParentForm) {
            TCustomForm *Form = FFloatParent ? FFloatParent->ParentForm() : nullptr;
            if (!Form || !Form->HandleAllocated() || !Form->Visible() ||
                IsIconic(Form->WindowHandle()) || Form->WindowState() == wsMinimized ||
                IsIconic(Application->Handle()))
                Result = false;
        }
        if (FHideWhenInactive && !ApplicationActiveForBars()) Result = false;
    } else if (Result && Parent()) {
        Result = Parent()->Showing();
    }
    return Result;
}

void TTBCustomDockableWindow::UpdateVisibility()
{
    if (!FFloating || !FFloatParent) return;
    const bool Inactive = !FHideWhenInactive && !ApplicationActiveForBars();
    if (Inactive != FInactiveCaption) {
        FInactiveCaption = Inactive;
        FFloatParent->RedrawNCArea({twrdCaption});
    }
    const bool Shown = FFloatParent->HandleAllocated() && IsWindowVisible(FFloatParent->Handle());
    const bool Showing = GetShowingState();
    // A form whose window was made anew takes its frame back too.
    const bool OwnerStale = Showing && FFloatParent->HandleAllocated() &&
                            GetWindow(FFloatParent->Handle(), GW_OWNER) != WantedFrameOwner();
    if ((Shown != Showing || OwnerStale) && HandleAllocated())
        PostMessageW(Handle(), CM_SHOWINGCHANGED, 0, 0);
}

namespace
{

bool OwnedBy(HWND Wnd, HWND Owner)
{
    for (HWND W = GetWindow(Wnd, GW_OWNER); W; W = GetWindow(W, GW_OWNER))
        if (W == Owner) return true;
    return false;
}

// The window a frame given to Owner goes directly below: the first above Owner that Owner does
// not own, so the frame rises with its owner's own windows and no further.
HWND PlaceAboveOwnWindows(HWND Frame, HWND Owner)
{
    const bool FrameTopmost = IsTopmost(Frame);
    for (HWND Wnd = GetWindow(Owner, GW_HWNDPREV); Wnd; Wnd = GetWindow(Wnd, GW_HWNDPREV))
        if (Wnd != Frame && (!FrameTopmost || IsTopmost(Wnd)) && !OwnedBy(Wnd, Owner)) return Wnd;
    return HWND_TOP;
}

} // namespace

HWND TTBCustomDockableWindow::WantedFrameOwner() const
{
    if (FFloatingMode == fmOnTopOfAllForms) return Application->Handle();
    TCustomForm *Form = FFloatParent ? FFloatParent->ParentForm() : nullptr;
    return Form && Form->HandleAllocated() ? Form->WindowHandle() : HWND{};
}

void TTBCustomDockableWindow::UpdateTopmostFlag()
{
    if (!FFloatParent || !FFloatParent->HandleAllocated()) return;
    const HWND Frame = FFloatParent->Handle();
    bool Wanted;
    if (FFloatingMode == fmOnTopOfAllForms) {
        Wanted = Enabled();
    } else {
        const HWND Owner = GetWindow(Frame, GW_OWNER);
        Wanted = Owner && IsTopmost(Owner);
    }
    if (Wanted != IsTopmost(Frame))
        SetWindowPos(Frame, Wanted ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TTBCustomDockableWindow::HandleShowingChanged()
{
    if (!FFloating || !FFloatParent) return;
    const bool Show = GetShowingState();
    const HWND Frame = FFloatParent->Handle();
    if (Show) {
        const HWND Owner = WantedFrameOwner();
        if (Owner && GetWindow(Frame, GW_OWNER) != Owner) {
            SetWindowLongPtrW(Frame, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Owner));
            SetWindowPos(Frame, PlaceAboveOwnWindows(Frame, Owner), 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        UpdateTopmostFlag();
    }
    FFloatParent->FShouldShow = Show;
    SetWindowPos(Frame, {}, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (Show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (!Show && GetActiveWindow() == Frame) PassActivationOn(Frame);
}

// ---- Docked frame -----------------------------------------------------------------------------

void TTBCustomDockableWindow::DrawDraggingGrip(HDC DC, const TRect &R, bool LeftRight, bool Skinned)
{
    if (Skinned) {
        FillRectRGB(DC, R, ActiveSkin(FSkin)->RGBColor(cDragHandle));
        return;
    }
    // The edge leaves the bar's middle, which the strip's fill is kept off: it takes the bar's
    // colour rather than whatever the window held there before.
    FillRectRGB(DC, R, ColorToRGB(Color()));
    RECT Edge = R;
    DrawEdge(DC, &Edge, BDR_RAISEDINNER, BF_RECT);
    // The far end of each grip bar catches the light.
    if (LeftRight)
        SetPixelV(DC, R.Right - 1, R.Top, GetSysColor(COLOR_BTNHIGHLIGHT));
    else
        SetPixelV(DC, R.Left, R.Bottom - 1, GetSysColor(COLOR_BTNHIGHLIGHT));
}

void TTBCustomDockableWindow::DrawDockedCloseButton(HDC DC, bool Pushed, bool Hovered)
{
    const bool LeftRight = FCurrentDock && FCurrentDock->IsLeftRight();
    const TRect Button = GetDockedCloseButtonRect(LeftRight);
    RECT R = Button;
    TTBBaseSkin *Active = ActiveSkin(FSkin);
    FillRectRGB(DC, R, ColorToRGB(Color()));
    if (Pushed) {
        DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
    } else if (Hovered) {
        if (Active) {
            FillRectRGB(DC, R, Active->RGBColor(cSelItem));
            FrameRectRGB(DC, R, Active->RGBColor(cSelItemBorder));
        } else {
            DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
        }
    }
    const int Shift = Pushed ? 1 : 0;
    DrawGlyphRows(DC, CloseCross, 8, Button.Left + 2 + Shift, Button.Top + 2 + Shift,
                  GetSysColor(COLOR_BTNTEXT));
}

void TTBCustomDockableWindow::DrawNCArea(bool DrawToDC, HDC ADC, HRGN Clip)
{
    if (!FDocked || !FCurrentDock || !HandleAllocated()) return;
    const HDC DC = DrawToDC ? ADC : GetWindowDC(Handle());
    if (!DrawToDC && Clip) SelectNCUpdateRgn(Handle(), DC, Clip);
    const int Saved = SaveDC(DC);
    const bool LeftRight = FCurrentDock->IsLeftRight();
    TPoint TopLeft, BottomRight;
    GetDockedNCArea(TopLeft, BottomRight, LeftRight);
    RECT Client{};
    ::GetClientRect(Handle(), &Client);
    OffsetRect(&Client, TopLeft.X, TopLeft.Y);
    ExcludeClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);

    RECT R{0, 0, Width(), Height()};
    const TTBSkins Type = SkinTypeOf(FSkin);
    TTBBaseSkin *Active = ActiveSkin(FSkin);
    const COLORREF Face = ColorToRGB(Color());
    if (FBorderStyle == bsSingle && Type != tbsOfficeXP) {
        RECT Edge = R;
        DrawEdge(DC, &Edge, BDR_RAISEDINNER, BF_RECT);
    } else {
        FrameRectRGB(DC, R, Face);
    }
    const bool BackgroundOnBar =
        FCurrentDock->UsingBackground() && FCurrentDock->BackgroundOnToolbars();
    RECT Inner = R;
    InflateRect(&Inner, -1, -1);
    if (!BackgroundOnBar) {
        if (Type == tbsOfficeXP && Active) {
            FrameRectRGB(DC, Inner, Active->RGBColor(cDockBorderIn));
            for (POINT P :
                 {POINT{Inner.left, Inner.top}, POINT{Inner.right - 1, Inner.top},
                  POINT{Inner.left, Inner.bottom - 1}, POINT{Inner.right - 1, Inner.bottom - 1}})
                SetPixelV(DC, P.x, P.y, Active->RGBColor(cDockBorderOut));
        } else {
            FrameRectRGB(DC, Inner, Face);
        }
    } else {
        POINT Origin{0, 0};
        MapWindowPoints(Handle(),
                        FCurrentDock->Parent() ? FCurrentDock->Parent()->Handle()
                                               : FCurrentDock->Handle(),
                        &Origin, 1);
        // The window DC starts at the frame, the client origin is TopLeft further in.
        IntersectClipRect(DC, 1, 1, Width() - 1, Height() - 1);
        FCurrentDock->DrawBackground(
            DC, TRect(-Origin.x + TopLeft.X, -Origin.y + TopLeft.Y, Width(), Height()));
    }

    const bool DockedCaption = Active && Active->Options().Contains(tboDockedCaptions) && LeftRight;
    if (FCurrentDock->AllowDrag() || DockedCaption) {
        const int HandleSize = DragHandleSize(LeftRight);
        const int ClientW = Client.right - Client.left, ClientH = Client.bottom - Client.top;
        const TRect Strip = LeftRight ? TRect(2, 2, 2 + ClientW, 2 + HandleSize)
                                      : TRect(2, 2, 2 + HandleSize, 2 + ClientH);
        const int SaveGrip = SaveDC(DC);
        const int Length = (LeftRight ? ClientW : ClientH) + 2 -
                           (LeftRight && FCloseButtonWhenDocked ? HandleSize - 2 : 0);
        std::vector<int> Offsets;
        int Shorter = 0;
        if (FDragHandleStyle == dhDouble && !DockedCaption)
            Offsets = FCloseButtonWhenDocked ? std::vector<int>{5, 8} : std::vector<int>{4, 7};
        else if (FDragHandleStyle == dhSingle && !DockedCaption) {
            Offsets = {FCloseButtonWhenDocked ? 7 : 3};
            Shorter = 1;
        }
        for (int Offset : Offsets) {
            const TRect Grip = LeftRight ? TRect(2, Offset, 2 + Length - Shorter, Offset + 3)
                                         : TRect(Offset, 2, Offset + 3, 2 + Length - Shorter);
            DrawDraggingGrip(DC, Grip, LeftRight, Active != nullptr);
            ExcludeClipRect(DC, Grip.Left, Grip.Top, Grip.Right, Grip.Bottom);
        }
        if (!BackgroundOnBar) FillRectRGB(DC, Strip, Active ? Active->RGBColor(cToolbar) : Face);
        RestoreDC(DC, SaveGrip);
        if (DockedCaption) {
            RECT Bar{2, 2, 2 + ClientW - 2, 2 + GetSystemMetrics(SM_CYSMCAPTION) - 2};
            FillRectRGB(DC, Bar,
                        static_cast<COLORREF>(ColorToRGB(Active->Colors()->GetSkinColor(16))));
            if (FCloseButtonWhenDocked) Bar.right -= HandleSize - 2;
            SetBkMode(DC, TRANSPARENT);
            SetTextColor(DC, ColorToRGB(Active->Colors()->GetSkinColor(27)));
            const HGDIOBJ OldFont = SelectObject(DC, Active->CaptionFont()->Handle());
            static constexpr UINT Aligns[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
            const AnsiString Text = Caption();
            DrawTextA(DC, Text.c_str(), Text.Length(), &Bar,
                      DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX |
                          Aligns[FDockTextAlign]);
            SelectObject(DC, OldFont);
        }
    }
    if (FCloseButtonWhenDocked && FCurrentDock->AllowDrag())
        DrawDockedCloseButton(DC, FCloseButtonDown, FCloseButtonHover);
    RestoreDC(DC, Saved);
    if (!DrawToDC) ReleaseDC(Handle(), DC);
}

bool TTBCustomDockableWindow::PaintDockBackground(HDC DC)
{
    if (!FDocked || !FCurrentDock || !FCurrentDock->UsingBackground() ||
        !FCurrentDock->BackgroundOnToolbars())
        return false;
    RECT Client;
    ::GetClientRect(Handle(), &Client);
    POINT Origin{0, 0};
    MapWindowPoints(Handle(),
                    FCurrentDock->Parent() ? FCurrentDock->Parent()->Handle()
                                           : FCurrentDock->Handle(),
                    &Origin, 1);
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);
    FCurrentDock->DrawBackground(DC, TRect(-Origin.x, -Origin.y, Client.right, Client.bottom));
    RestoreDC(DC, Saved);
    return true;
}

void TTBCustomDockableWindow::WMEraseBkgnd(TMessage &Message)
{
    if (PaintDockBackground(reinterpret_cast<HDC>(Message.WParam))) {
        Message.Result = 1;
        return;
    }
    inherited::WndProc(Message);
}

// ---- Mouse on the frame and the client --------------------------------------------------------

void TTBCustomDockableWindow::HandleNCHitTest(TMessage &Message)
{
    inherited::WndProc(Message);
    if (!FDocked || Message.Result == HTCLIENT) return;
    Message.Result = HT_TB2k_Border;
    if (!FCloseButtonWhenDocked || !FCurrentDock || !FCurrentDock->AllowDrag()) return;
    RECT Window;
    GetWindowRect(Handle(), &Window);
    const TPoint P(GET_X_LPARAM(Message.LParam) - Window.left,
                   GET_Y_LPARAM(Message.LParam) - Window.top);
    if (GetDockedCloseButtonRect(FCurrentDock->IsLeftRight()).Contains(P.X, P.Y))
        Message.Result = HT_TB2k_Close;
}

void TTBCustomDockableWindow::HandleNCButtonDown(TMessage &Message)
{
    const TPoint Screen(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    if (Message.WParam == static_cast<WPARAM>(HT_TB2k_Border)) {
        if (IsMovable()) {
            const TPoint P = ScreenToClient(Screen);
            BeginMoving(P.X, P.Y);
        }
    } else if (Message.WParam == static_cast<WPARAM>(HT_TB2k_Close)) {
        if (TrackDockedCloseButton()) Close();
    } else {
        inherited::WndProc(Message);
    }
}

bool TTBCustomDockableWindow::TrackDockedCloseButton()
{
    RECT Window;
    GetWindowRect(Handle(), &Window);
    RECT Button = GetDockedCloseButtonRect(FCurrentDock && FCurrentDock->IsLeftRight());
    OffsetRect(&Button, Window.left, Window.top);
    return TrackCloseButton(Handle(), Button, [this](bool Pushed) {
        FCloseButtonDown = Pushed;
        DrawNCArea(false, nullptr, nullptr);
    });
}

void TTBCustomDockableWindow::NoteNCHover(bool Hovered)
{
    if (Hovered == FCloseButtonHover) return;
    FCloseButtonHover = Hovered;
    if (FDocked && FCloseButtonWhenDocked) DrawNCArea(false, nullptr, nullptr);
}

void TTBCustomDockableWindow::ShowNCContextMenu(const TPoint &Pos)
{
    Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Handle()),
            MAKELPARAM(static_cast<WORD>(Pos.X), static_cast<WORD>(Pos.Y)));
}

void TTBCustomDockableWindow::HandleContextMenu(TMessage &Message)
{
    const TPoint Pos(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    if (Pos.X >= 0) {
        const TPoint P = ScreenToClient(Pos);
        if (ClientRect().Contains(P.X, P.Y)) {
            inherited::WndProc(Message);
            return;
        }
    }
    bool Handled = false;
    if (OnContextPopup) OnContextPopup(this, Pos, Handled);
    if (Handled) return;
    if (TPopupMenu *Menu = PopupMenu(); Menu && Menu->AutoPopup()) {
        SendCancelMode(nullptr);
        Menu->SetPopupComponent(this);
        const TPoint At = Pos.X < 0 ? ClientToScreen(TPoint(0, 0)) : Pos;
        Menu->Popup(At.X, At.Y);
        Message.Result = 1;
        return;
    }
    inherited::WndProc(Message);
}

void TTBCustomDockableWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !IsMovable()) return;
    if (ControlExistsAtPos(TPoint(X, Y))) return;
    if (Shift.Contains(ssDouble)) {
        DoubleClick();
        return;
    }
    BeginMoving(X, Y);
    MouseUp(mbLeft, {}, -1, -1);
}

void TTBCustomDockableWindow::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_NCCALCSIZE:
        if (FDocked && FCurrentDock) {
            auto *Params = reinterpret_cast<NCCALCSIZE_PARAMS *>(Message.LParam);
            TPoint TopLeft, BottomRight;
            GetDockedNCArea(TopLeft, BottomRight, FCurrentDock->IsLeftRight());
            InsetByFrame(Params->rgrc[0], TopLeft, BottomRight);
            Message.Result = 0;
            return;
        }
        break;
    case WM_NCHITTEST:
        HandleNCHitTest(Message);
        return;
    case WM_SETCURSOR:
        if (LOWORD(Message.LParam) == HT_TB2k_Border && FDragHandleStyle != dhNone && FDocked &&
            FCurrentDock) {
            POINT P;
            GetCursorPos(&P);
            RECT Window;
            GetWindowRect(Handle(), &Window);
            const bool LeftRight = FCurrentDock->IsLeftRight();
            const int Reach = DragHandleSize(LeftRight) + 2;
            if ((LeftRight ? P.y - Window.top : P.x - Window.left) < Reach) {
                ::SetCursor(LoadCursorW({}, IDC_SIZEALL));
                Message.Result = 1;
                return;
            }
        }
        break;
    case WM_NCLBUTTONDOWN:
        HandleNCButtonDown(Message);
        return;
    case WM_NCLBUTTONDBLCLK:
        if (Message.WParam == static_cast<WPARAM>(HT_TB2k_Border) && IsMovable()) {
            DoubleClick();
            return;
        }
        break;
    case WM_NCRBUTTONUP:
        ShowNCContextMenu(TPoint(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
        return;
    case WM_CONTEXTMENU:
        if (ComponentState().Contains(csDesigning)) break;
        HandleContextMenu(Message);
        return;
    case WM_NCMOUSEMOVE: {
        CallTrackMouseEvent(Handle(), TME_LEAVE | TME_NONCLIENT);
        NoteNCHover(Message.WParam == static_cast<WPARAM>(HT_TB2k_Close));
        break;
    }
    case WM_NCMOUSELEAVE:
    case CM_MOUSELEAVE:
    case WM_MOUSEMOVE:
        NoteNCHover(false);
        break;
    case WM_NCPAINT:
        if (!FDocked) break;
        [[fallthrough]];
    case WM_PRINT:
    case WM_PRINTCLIENT:
        HandleNCPaintMessages(this, Message, [this](bool DrawToDC, HDC DC, HRGN Clip) {
            DrawNCArea(DrawToDC, DC, Clip);
        });
        return;
    case WM_ERASEBKGND:
        WMEraseBkgnd(Message);
        return;
    case WM_MOVE:
        inherited::WndProc(Message);
        if (FDocked && FCurrentDock && FCurrentDock->UsingBackground())
            InvalidateRect(Handle(), nullptr, TRUE);
        Moved();
        return;
    case WM_ENABLE:
        inherited::WndProc(Message);
        if (FFloatingMode == fmOnTopOfAllForms) UpdateTopmostFlag();
        return;
    case CM_VISIBLECHANGED:
        inherited::WndProc(Message);
        if (FCurrentDock) FCurrentDock->ToolbarVisibilityChanged(this, false);
        UpdateVisibility();
        if (OnVisibleChanged) OnVisibleChanged(this);
        return;
    case CM_SHOWINGCHANGED:
        HandleShowingChanged();
        return;
    case CM_TEXTCHANGED:
        inherited::WndProc(Message);
        if (FFloatParent) FFloatParent->SetCaption(Caption());
        if (FDocked) DrawNCArea(false, nullptr, nullptr);
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}
