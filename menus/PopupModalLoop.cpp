#include "menus/PopupModalLoop.h"

#include "menus/TB2Anim.h"
#include "menus/TB2Common.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBPopupMenu.h"
#include "menus/TTBView.h"
#include "platform/vcl/Forms.h"

namespace
{

TTBView *ActiveView(TTBView *Root)
{
    TTBView *View = Root;
    while (View->OpenViewerView())
        View = View->OpenViewerView();
    return View;
}

TTBPopupWindow *PopupWindowOf(HWND Wnd)
{
    return dynamic_cast<TTBPopupWindow *>(FindControl(Wnd));
}

bool MouseInView(TTBView *View)
{
    return View->State().Contains(vsMouseInWindow);
}

// Moves every open view's selection after the pointer; opens and closes submenus
// after the system's delay and scrolls tall popups while the pointer rests on an arrow.
void UpdateAllSelections(TTBView *Root, const TPoint &P, bool AllowNewSelection)
{
    TTBView *Active = ActiveView(Root);
    TTBView *CaptureView = nullptr;
    for (TTBView *View = Active; View && !CaptureView; View = View->ParentView())
        if (View->Capture()) CaptureView = View;
    int Delay = -1;
    for (TTBView *View = Active; View; View = View == Root ? nullptr : View->ParentView()) {
        if (CaptureView && View != CaptureView) continue;
        TTBItemViewer *Old = View->Selected();
        View->UpdateSelection(&P, AllowNewSelection);
        TTBItemViewer *New = View->Selected();
        if (MouseInView(View) && New != View->OpenViewer() &&
            (View->OpenViewer() || (New && New->Item()->ItemStyle().Contains(tbisSubmenu)))) {
            if (View->IsToolbar()) {
                // A bar whose menus drop down follows the pointer at once.
                if (View != Root && !View->Capture()) View->AddState(vsDropDownMenus);
                if (View->State().Contains(vsDropDownMenus)) View->OpenChildPopup(false);
                continue;
            }
            if (Delay < 0) Delay = GetMenuShowDelay();
            if (!View->TimerActive(tiOpen)) View->StartTimer(tiClose, static_cast<UINT>(Delay));
            if (!(View->TimerActive(tiOpen) && New == Old))
                View->StartTimer(tiOpen, static_cast<UINT>(Delay));
        }
        TWinControl *Window = View->Window();
        const TPoint Client = Window->ScreenToClient(P);
        const bool Inside = MouseInView(View) && Window->ClientRect().Contains(Client.X, Client.Y);
        if (Inside && View->ShowUpArrow() && Client.Y < ScrollArrowHeight) {
            View->StopTimer(tiScrollDown);
            if (!View->TimerActive(tiScrollUp)) View->StartTimer(tiScrollUp, ScrollDelay);
        } else if (Inside && View->ShowDownArrow() &&
                   Client.Y >= Window->ClientHeight() - ScrollArrowHeight) {
            View->StopTimer(tiScrollUp);
            if (!View->TimerActive(tiScrollDown)) View->StartTimer(tiScrollDown, ScrollDelay);
        } else {
            View->StopTimer(tiScrollUp);
            View->StopTimer(tiScrollDown);
        }
    }
}

TTBItemViewer *ViewerToTalkTo(TTBView *Root)
{
    for (TTBView *View = Root; View; View = View->OpenViewerView())
        if (View->Capture()) return View->Selected();
    for (TTBView *View = Root; View; View = View->OpenViewerView()) {
        if (View->Selected() && View->MouseOverSelected()) return View->Selected();
        if (MouseInView(View)) return nullptr;
    }
    return nullptr;
}

bool SendKey(TTBView *View, WORD &Key, TShiftState Shift, TTBItemEventData &EventData)
{
    if (TTBItemViewer *Selected = View->Selected()) {
        Selected->KeyDown(Key, Shift, EventData);
        if (EventData.Exit) return true;
    }
    if (Key != 0) View->KeyDown(Key, Shift, EventData);
    return EventData.Exit;
}

bool ShowsHint(TTBView *View, const TTBItemViewer *Viewer)
{
    return View->Style().Contains(vsAlwaysShowHints) ||
           Viewer->Item()->EffectiveOptions().Contains(tboShowHint);
}

// The loop holds the mouse, so the application never sees the moves: the active
// window's hint is asked for here.
void UpdateCursorAndHints(TTBView *Root)
{
    const POINT Last = TBLastMousePos();
    UpdateAllSelections(Root, Last, true);
    TTBView *Active = ActiveView(Root);
    TTBItemViewer *Selected = Active->Selected();
    TWinControl *Window = Active->Window();
    HCURSOR Cursor{};
    if (Selected && Window) {
        if (ShowsHint(Active, Selected) && !Active->Capture()) {
            // The hint goes over what the window shows now, not over a stale picture.
            Window->Update();
            const TPoint At = Window->ScreenToClient(TPoint(Last));
            TMessage Move{WM_MOUSEMOVE, 0,
                          MAKELPARAM(static_cast<WORD>(At.X), static_cast<WORD>(At.Y)), 0};
            Application->HintMouseMessage(Window, Move);
        } else {
            Application->CancelHint();
        }
        Selected->GetCursor(Selected->ScreenToClient(TPoint(Last)), Cursor);
    } else {
        Application->CancelHint();
    }
    SetCursor(Cursor ? Cursor : LoadCursorW({}, IDC_ARROW));
}

void UpdateApplicationHint(TTBView *Root)
{
    AnsiString Hint;
    for (TTBView *View = Root; View; View = View->OpenViewerView())
        if (View->Selected()) Hint = View->Selected()->Item()->GetLongHint();
    if (Application->Hint() != Hint) Application->SetHint(Hint);
}

bool ButtonHeld(bool TrackRightButton)
{
    return GetKeyState(VK_LBUTTON) < 0 || (TrackRightButton && GetKeyState(VK_RBUTTON) < 0);
}

// Character messages carry the typed character in the program's code page.
char CharOf(WPARAM Code)
{
    return static_cast<char>(static_cast<unsigned char>(Code));
}

// One pass over a message; true when the loop must end.
class Loop
{
public:
    Loop(TTBView *Root, TTBDoneActionData &Done, bool TrackRightButton)
        : FRoot(Root), FTrackRightButton(TrackRightButton)
    {
        FEvent.RootView = Root;
        FEvent.DoneActionData = &Done;
    }

    TTBItemEventData &Event() { return FEvent; }

    // A press outside the menu ends the loop and stays queued for its own window.
    // A press on the root bar's own buttons is the loop's: a second click on an
    // open menu's button closes that menu rather than opening it again.
    bool PressOutside(const MSG &Msg)
    {
        if (Msg.message != WM_LBUTTONDOWN && Msg.message != WM_RBUTTONDOWN) return false;
        const HWND Under = WindowFromPoint(Msg.pt);
        TTBPopupWindow *Popup = PopupWindowOf(Under);
        if (Popup && FRoot->ContainsView(Popup->View())) return false;
        TWinControl *RootWindow = FRoot->Window();
        if (FRoot->IsPopup() || Under != RootWindow->Handle()) return true;
        const TPoint P(Msg.pt.x, Msg.pt.y);
        const TPoint Client = RootWindow->ScreenToClient(P);
        if (!RootWindow->ClientRect().Contains(Client.X, Client.Y)) return true;
        if (Msg.message != WM_LBUTTONDOWN) return false;
        UpdateAllSelections(FRoot, P, true);
        TTBItemViewer *Selected = FRoot->Selected();
        return !Selected || !FRoot->MouseOverSelected() ||
               Selected->Item()->ItemStyle().Contains(tbisClicksTransparent);
    }

    bool Handle(MSG &Msg)
    {
        if (Msg.message == WM_TIMER) return Timer(Msg);
        if (Msg.message == WM_CONTEXTMENU || Msg.message == 0x118) return false;
        if (Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) return Keyboard(Msg);
        if (Msg.message >= WM_MOUSEFIRST && Msg.message <= WM_MOUSELAST) return Mouse(Msg);
        DispatchMessageW(&Msg);
        return false;
    }

private:
    bool Timer(MSG &Msg)
    {
        TTBPopupWindow *Popup = PopupWindowOf(Msg.hwnd);
        const auto Id = static_cast<int>(Msg.wParam) - ViewTimerBase;
        if (Popup && Popup->View() && Id >= tiOpen && Id <= tiScrollDown)
            Popup->View()->TimerFired(static_cast<TTBViewTimerID>(Id));
        else
            DispatchMessageW(&Msg);
        return false;
    }

    bool Keyboard(MSG &Msg)
    {
        Application->CancelHint();
        const bool Held = ButtonHeld(FTrackRightButton);
        TTBView *Active = ActiveView(FRoot);
        switch (Msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            auto Key = static_cast<WORD>(Msg.wParam);
            if (Held && Key != VK_F1) return false;
            if (SendKey(Active, Key, KeyDataToShiftState(Msg.lParam), FEvent)) return true;
            if (Key != 0) TranslateMessage(&Msg);
            return false;
        }
        case WM_CHAR:
        case WM_SYSCHAR:
            return Held ? false : Character(Active, CharOf(Msg.wParam));
        default:
            return false;
        }
    }

    bool Character(TTBView *Active, char Key)
    {
        bool IsOnly = false;
        if (TTBItemViewer *Found =
                Active->NextSelectableWithAccel(Active->Selected(), Key, false, IsOnly)) {
            Active->SetSelected(Found);
            if (IsOnly) {
                WORD Enter = VK_RETURN;
                if (SendKey(Active, Enter, {}, FEvent)) return true;
            }
            Active->ScrollSelectedIntoView();
            return false;
        }
        if ((Key == ' ' || Key == '-') && !FRoot->IsPopup() && Active == FRoot &&
            GetActiveWindow()) {
            *FEvent.DoneActionData = {tbdaOpenSystemMenu, nullptr, false, GetActiveWindow(),
                                      static_cast<WPARAM>(static_cast<unsigned char>(Key))};
            return true;
        }
        MessageBeep(0);
        return false;
    }

    bool Mouse(MSG &Msg)
    {
        const TPoint P(Msg.pt.x, Msg.pt.y);
        POINT &Last = TBLastMousePos();
        switch (Msg.message) {
        case WM_MOUSEMOVE: {
            TBNoteCursorPos(Msg.pt);
            if (P.X != Last.x || P.Y != Last.y) {
                Last = Msg.pt;
                UpdateCursorAndHints(FRoot);
            }
            if (TTBItemViewer *Viewer = ViewerToTalkTo(FRoot)) {
                const TPoint At = Viewer->ScreenToClient(P);
                Viewer->MouseMove(At.X, At.Y, FEvent);
            }
            return FEvent.Exit;
        }
        case WM_RBUTTONDOWN:
            if (!FTrackRightButton) return false;
            [[fallthrough]];
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            Application->CancelHint();
            FEvent.MouseDownOnMenu = false;
            FRoot->RemoveState(vsIgnoreFirstMouseUp);
            UpdateAllSelections(FRoot, P, true);
            if (TTBItemViewer *Viewer = ViewerToTalkTo(FRoot)) {
                const TPoint At = Viewer->ScreenToClient(P);
                Viewer->MouseDown(Msg.message == WM_LBUTTONDBLCLK ? TShiftState{ssDouble}
                                                                  : TShiftState{},
                                  At.X, At.Y, FEvent);
            }
            if (FEvent.Exit) return true;
            Last = Msg.pt;
            return false;
        }
        case WM_RBUTTONUP:
            if (!FTrackRightButton) return false;
            [[fallthrough]];
        case WM_LBUTTONUP:
            return ButtonUp(P);
        case WM_MOUSEWHEEL:
            if (TTBItemViewer *Viewer = ViewerToTalkTo(FRoot)) {
                const TPoint At = Viewer->ScreenToClient(P);
                Viewer->MouseWheel(static_cast<short>(HIWORD(Msg.wParam)), At.X, At.Y, FEvent);
            }
            return FEvent.Exit;
        default:
            return false;
        }
    }

    bool ButtonUp(const TPoint &P)
    {
        UpdateAllSelections(FRoot, P, false);
        if (TTBItemViewer *Viewer = ViewerToTalkTo(FRoot)) {
            const TPoint At = Viewer->ScreenToClient(P);
            Viewer->MouseUp(At.X, At.Y, FEvent);
            return FEvent.Exit;
        }
        TTBPopupWindow *Popup = PopupWindowOf(WindowFromPoint(POINT{P.X, P.Y}));
        const bool InMenu = Popup && FRoot->ContainsView(Popup->View());
        if (InMenu && (Popup->View() != FRoot || FRoot->IsPopup())) return false;
        if (FRoot->State().Contains(vsIgnoreFirstMouseUp)) {
            FRoot->RemoveState(vsIgnoreFirstMouseUp);
            return false;
        }
        return true;
    }

    TTBView *FRoot;
    bool FTrackRightButton;
    TTBItemEventData FEvent;
};

// The end steps run however the loop ends.
class LoopEnd
{
public:
    explicit LoopEnd(TTBView *Root) : FRoot(Root) {}
    ~LoopEnd()
    {
        FRoot->CancelCapture();
        FRoot->RemoveState(vsOpen);
        TBEndCapture();
        Application->CancelHint();
        if (!Application->Hint().IsEmpty()) Application->SetHint("");
        // A key that closed the menu types nothing into the window below.
        RemoveMessages(WM_CHAR, WM_DEADCHAR);
        RemoveMessages(WM_SYSCHAR, WM_SYSDEADCHAR);
    }
    LoopEnd(const LoopEnd &) = delete;
    LoopEnd &operator=(const LoopEnd &) = delete;

private:
    TTBView *FRoot;
};

} // namespace

void PopupModalLoop(TTBView *RootView, bool MouseDown, bool DropDownMenus,
                    TTBDoneActionData &DoneActionData, bool TrackRightButton, bool SelectFirstItem)
{
    RootView->ValidatePositions();
    if (DropDownMenus)
        RootView->AddState(vsDropDownMenus);
    else
        RootView->RemoveState(vsDropDownMenus);
    RootView->AddState(vsOpen);
    const HWND CaptureWnd = RootView->Window()->Handle();
    TBBeginCapture(CaptureWnd);
    LoopEnd End(RootView);
    Loop Pass(RootView, DoneActionData, TrackRightButton);
    TTBItemEventData &Event = Pass.Event();

    if (MouseDown) {
        if (TTBItemViewer *Viewer = RootView->Selected()) {
            const DWORD Pos = GetMessagePos();
            const TPoint At = Viewer->ScreenToClient(
                TPoint(static_cast<short>(LOWORD(Pos)), static_cast<short>(HIWORD(Pos))));
            Viewer->MouseDown({}, At.X, At.Y, Event);
            if (Event.Exit) return;
        }
        Event.MouseDownOnMenu = false;
    }
    if (RootView->State().Contains(vsDropDownMenus)) RootView->OpenChildPopup(SelectFirstItem);

    for (bool First = true; GetCapture() == CaptureWnd; First = false) {
        if (!First) WaitMessage();
        MSG Msg{};
        while (GetCapture() == CaptureWnd && PeekMessageW(&Msg, {}, 0, 0, PM_NOREMOVE)) {
            if (Pass.PressOutside(Msg)) return;
            // Only the message just looked at is taken: input that came in meanwhile
            // is looked at first on the next round.
            const UINT Peeked = Msg.message;
            if (!PeekMessageW(&Msg, {}, Peeked, Peeked, PM_REMOVE)) continue;
            if (Msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(Msg.wParam));
                return;
            }
            if (Pass.Handle(Msg)) return;
            if (TBLastMousePos().x == TBNoPosition) {
                const DWORD Pos = GetMessagePos();
                TBLastMousePos() =
                    POINT{static_cast<short>(LOWORD(Pos)), static_cast<short>(HIWORD(Pos))};
                UpdateCursorAndHints(RootView);
            }
            UpdateApplicationHint(RootView);
        }
    }
}

void TBViewerHint(const TTBItemViewer *Viewer, THintInfo &Info)
{
    Info.HintStr = "";
    if (!Viewer) {
        Info.CursorRect =
            TRect(Info.CursorPos.X, Info.CursorPos.Y, Info.CursorPos.X, Info.CursorPos.Y);
        return;
    }
    Info.CursorRect = Viewer->BoundsRect();
    Info.HintStr = Viewer->Item()->GetHintText();
}

// ---- the view's own keys ----------------------------------------------------------------

// A popup closes itself through its parent; a toolbar parent stops dropping menus down.
void TTBView::CloseThroughParent()
{
    TTBView *Parent = ParentView();
    if (Parent->IsToolbar()) Parent->RemoveState(vsDropDownMenus);
    // Closing frees this view: nothing of it is touched afterwards.
    Parent->CloseChildPopups();
}

bool TTBView::OpenAsBarMenu()
{
    if (!OpenChildPopup(true)) return false;
    if (TTBView *Bar = GetParentToolbarView()) Bar->AddState(vsDropDownMenus);
    return true;
}

// The bar moves its selection on and opens the new item's menu when menus drop down.
void TTBView::StepAlongBar(bool GoForward)
{
    SetSelected(NextSelectable(Selected(), GoForward));
    TTBItemViewer *Now = Selected();
    if (FState.Contains(vsDropDownMenus) && Now &&
        !Now->Item()->ItemStyle().Contains(tbisNoAutoOpen))
        OpenChildPopup(true);
    else
        CloseChildPopups();
}

void TTBView::KeyDown(WORD &Key, TShiftState, TTBItemEventData &EventData)
{
    const WORD Pressed = Key;
    Key = 0;
    TTBView *Bar = GetParentToolbarView();
    const bool IsBar = Bar == this && IsToolbar();
    const bool BarAlong = Bar && Bar->Orientation() != tbvoVertical;
    switch (Pressed) {
    case VK_UP:
    case VK_DOWN:
        if (IsBar && BarAlong) {
            OpenAsBarMenu();
            return;
        }
        SetSelected(NextSelectable(Selected(), Pressed == VK_DOWN));
        ScrollSelectedIntoView();
        return;
    case VK_RIGHT:
    case VK_LEFT:
        if (IsBar && !BarAlong) {
            OpenAsBarMenu();
            return;
        }
        if (Pressed == VK_RIGHT && !IsBar && OpenChildPopup(true)) return;
        if (BarAlong) {
            if (Pressed == VK_LEFT && !IsBar && ParentView() != Bar) {
                ParentView()->CloseChildPopups();
                return;
            }
            Bar->StepAlongBar(Pressed == VK_RIGHT);
            return;
        }
        if (Pressed == VK_LEFT && this != EventData.RootView && ParentView()) CloseThroughParent();
        return;
    case VK_ESCAPE:
        if (this != EventData.RootView && ParentView()) {
            CloseThroughParent();
            return;
        }
        EventData.Exit = true;
        return;
    case VK_HOME:
    case VK_END:
        SetSelected(NextSelectable(nullptr, Pressed == VK_HOME));
        ScrollSelectedIntoView();
        return;
    case VK_TAB:
        SetSelected(NextSelectable(Selected(), GetKeyState(VK_SHIFT) >= 0));
        ScrollSelectedIntoView();
        return;
    case VK_RETURN:
        if (!Selected() || !Selected()->Item()->Enabled() || ClickSelectedItem(EventData))
            EventData.Exit = true;
        return;
    case VK_MENU:
    case VK_F10:
        EventData.Exit = true;
        return;
    case VK_F1:
        for (TTBView *View = this; View; View = View->ParentView())
            if (View->Selected() && View->Selected()->Item()->HelpContext() != 0) {
                *EventData.DoneActionData = {
                    tbdaHelpContext, nullptr, false,
                    HWND{},          0,       View->Selected()->Item()->HelpContext()};
                EventData.Exit = true;
                return;
            }
        return;
    default:
        Key = Pressed;
        return;
    }
}

bool TTBView::ClickSelectedItem(TTBItemEventData &EventData)
{
    TTBItemViewer *Viewer = Selected();
    TTBCustomItem *Item = Viewer->Item();
    if (!Item->ItemStyle().Contains(tbisCombo) && OpenChildPopup(true)) {
        if (GetParentToolbarView() == this) AddState(vsDropDownMenus);
        return false;
    }
    if (!Item->ItemStyle().Contains(tbisSelectable)) return true;
    GivePriority(Viewer);
    const bool RootBar = this == EventData.RootView && !IsPopup();
    *EventData.DoneActionData = {tbdaClickItem, Item, !RootBar};
    return true;
}

void TTBView::EnterToolbarLoop(TTBEnterToolbarLoopOptions Options)
{
    if (IsPopup() || FState.Contains(vsOpen)) return;
    TTBDoneActionData DoneActionRecord;
    FState = FState.Contains(vsShowAccels) ? TTBViewState{vsShowAccels} : TTBViewState{};
    if (Options.Contains(tbetKeyboardControl)) SetAccelsVisibility(true);
    auto Settle = [this] {
        StopAllTimers();
        CloseChildPopups();
        POINT Cursor{};
        GetCursorPos(&Cursor);
        const TPoint At(Cursor.x, Cursor.y);
        UpdateSelection(&At, true);
        SetAccelsVisibility(false);
        SetSelected(nullptr);
    };
    try {
        PopupModalLoop(this, Options.Contains(tbetMouseDown), Options.Contains(tbetDropDownMenus),
                       DoneActionRecord, false, Options.Contains(tbetKeyboardControl));
    } catch (...) {
        Settle();
        throw;
    }
    Settle();
    ExecuteDoneAction(DoneActionRecord);
}
