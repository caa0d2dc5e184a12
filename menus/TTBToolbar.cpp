#include "menus/TTBToolbar.h"

#include "menus/PopupModalLoop.h"
#include "menus/TB2Common.h"
#include "menus/TB2Consts.h"
#include "menus/TB2Hook.h"
#include "menus/TTBPopupMenu.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace
{

// ---- the chevron's glyph: ">>" for a horizontal bar, turned down for a vertical one

constexpr std::array<const char *, 5> ChevronGlyph{"XX..XX..", ".XX..XX.", "..XX..XX", ".XX..XX.",
                                                   "XX..XX.."};

void DrawChevronGlyph(HDC DC, int Left, int Top, bool Down, COLORREF Color)
{
    const HBRUSH Brush = CreateSolidBrush(Color);
    for (int Row = 0; Row < static_cast<int>(ChevronGlyph.size()); ++Row)
        for (int Col = 0; ChevronGlyph[Row][Col]; ++Col) {
            if (ChevronGlyph[Row][Col] != 'X') continue;
            const int X = Left + (Down ? Row : Col), Y = Top + (Down ? Col : Row);
            const RECT Dot{X, Y, X + 1, Y + 1};
            FillRect(DC, &Dot, Brush);
        }
    DeleteObject(Brush);
}

// ---- the hooks every toolbar shares ---------------------------------------------------------

std::vector<TTBCustomToolbar *> &MainWindowHookToolbars()
{
    static std::vector<TTBCustomToolbar *> Toolbars;
    return Toolbars;
}

TCustomForm *ParentFormOf(TControl *Control)
{
    return GetParentForm(Control);
}

bool ShortCutOnForm(TCustomForm *Form, TMessage &KeyMessage)
{
    if (!Form) return false;
    for (TTBCustomToolbar *Toolbar : std::vector(MainWindowHookToolbars()))
        if (Toolbar->ProcessShortCuts() && ParentFormOf(Toolbar) == Form &&
            Toolbar->HandleAllocated() && IsWindowEnabled(Toolbar->WindowHandle()) &&
            Toolbar->IsShortCut(KeyMessage))
            return true;
    return false;
}

// Docks and menu bars among a control's windowed children, nearest first.
bool OfferSysCommand(TWinControl *Parent, TMessage &Message)
{
    for (int I = 0; I < Parent->ControlCount(); ++I) {
        auto *Child = dynamic_cast<TWinControl *>(Parent->Controls(I));
        if (!Child || !Child->Visible() || !Child->Enabled()) continue;
        auto *Toolbar = dynamic_cast<TTBCustomToolbar *>(Child);
        if (dynamic_cast<TTBDock *>(Child) || (Toolbar && Toolbar->MenuBar())) {
            if (Child->Perform(WM_SYSCOMMAND, Message.WParam, Message.LParam)) return true;
            if (Toolbar) continue;
        }
        if (OfferSysCommand(Child, Message)) return true;
    }
    return false;
}

bool MainWindowHook(TMessage &Message)
{
    if (Message.Msg == CM_APPKEYDOWN) {
        TMessage Key{WM_KEYDOWN, Message.WParam, Message.LParam, 0};
        TCustomForm *Active = Screen->ActiveForm();
        TCustomForm *Main = Application->MainForm();
        const bool Handled =
            ShortCutOnForm(Active, Key) || (Main != Active && ShortCutOnForm(Main, Key));
        Message.Result = Handled;
        return Handled;
    }
    if (Message.Msg == CM_APPSYSCOMMAND) {
        TCustomForm *Active = Screen->ActiveForm();
        auto *Command = reinterpret_cast<TMessage *>(Message.LParam);
        const bool Handled = Active && Command && OfferSysCommand(Active, *Command);
        Message.Result = Handled;
        return Handled;
    }
    return false;
}

// Alt with a letter on the main form becomes its keyboard-menu command, which
// the menu bar answers; the character itself is voided.
void MenuBarHookProc(THookProcCode Code, HWND, WPARAM WParam, LPARAM LParam)
{
    if (Code != hpGetMessage || WParam != PM_REMOVE) return;
    auto *Msg = reinterpret_cast<MSG *>(LParam);
    if (Msg->message != WM_SYSCHAR || GetCapture() || !Application) return;
    TCustomForm *Main = Application->MainForm();
    if (!Main || !Main->HandleAllocated()) return;
    const HWND MainWnd = Main->WindowHandle();
    if (Msg->hwnd != MainWnd && !IsChild(MainWnd, Msg->hwnd)) return;
    const WPARAM Key = Msg->wParam;
    Msg->message = WM_NULL;
    SendMessageW(MainWnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(Key));
}

} // namespace

// ---- chevron ---------------------------------------------------------------------------------

TTBChevronItem::TTBChevronItem(TComponent *AOwner)
    : TTBCustomItem(AOwner), FToolbar(dynamic_cast<TTBCustomToolbar *>(AOwner))
{
    FItemStyle << tbisSubmenu << tbisNoAutoOpen;
    SetHint(STBChevronItemMoreButtonsHint);
}

TTBView *TTBChevronItem::GetChevronParentView()
{
    return FToolbar ? FToolbar->View() : nullptr;
}

TTBItemViewerClass TTBChevronItem::GetItemViewerClass(TTBView *)
{
    return MakeViewer<TTBChevronItemViewer>;
}

void TTBChevronItemViewer::Paint(TCanvas *Canvas, const TRect &R, bool IsHoverItem, bool IsPushed,
                                 bool UseDisabledShadow)
{
    TTBItemViewer::Paint(Canvas, R, IsHoverItem, IsPushed, UseDisabledShadow);
    const bool Down = View()->Orientation() == tbvoVertical;
    const int GlyphWidth = Down ? 5 : 8, GlyphHeight = Down ? 8 : 5;
    const int Left = Down ? R.Left + 3 : R.Left + (R.Width() - GlyphWidth) / 2;
    const int Top = Down ? R.Top + (R.Height() - GlyphHeight) / 2 : R.Top + 3;
    const HDC DC = Canvas->Handle();
    if (!Item()->Enabled())
        DrawChevronGlyph(DC, Left + 1, Top + 1, Down, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawChevronGlyph(DC, Left, Top, Down,
                     GetSysColor(Item()->Enabled() ? COLOR_BTNTEXT : COLOR_BTNSHADOW));
}

// ---- the toolbar's view ----------------------------------------------------------------------

namespace
{

TTBCustomToolbar *ToolbarOwner(TComponent *AOwner)
{
    auto *Toolbar = dynamic_cast<TTBCustomToolbar *>(AOwner);
    if (!Toolbar) throw EInvalidCast("Invalid class typecast");
    return Toolbar;
}

} // namespace

TTBToolbarView::TTBToolbarView(TComponent *AOwner) : TTBToolbarView(ToolbarOwner(AOwner)) {}

TTBToolbarView::TTBToolbarView(TTBCustomToolbar *Toolbar)
    : TTBView(Toolbar, nullptr, Toolbar->Items(), Toolbar, true, false, true), FToolbar(Toolbar)
{
    SetSkin(FToolbar->Skin());
    // The chevron's viewer goes last; the base could not ask for it while being made.
    RecreateAllViewers();
}

TFont *TTBToolbarView::GetFont()
{
    return FToolbar->SystemFont() ? ToolbarFont() : FToolbar->Font();
}

TTBCustomItem *TTBToolbarView::GetChevronItem()
{
    return FToolbar->ChevronItem();
}

void TTBToolbarView::InvalidatePositions()
{
    TTBView::InvalidatePositions();
}

void TTBToolbarView::AutoSize(int Width, int Height)
{
    FToolbar->ViewResized(Width, Height);
}

void TTBToolbarView::DoUpdatePositions(TPoint &Size)
{
    const TPoint Least = FToolbar->GetMinBarSize(Orientation(), WrapOffset());
    Size.X = std::max(Size.X, Least.X);
    Size.Y = std::max(Size.Y, Least.Y);
    TTBView::DoUpdatePositions(Size);
}

// ---- the toolbar -----------------------------------------------------------------------------

struct TTBCustomToolbar::Resizing {
    TTBSizeHandle Handle;
    bool Horizontal;
    std::vector<TTBPotentialSize> Sizes;
    int Current;
    int Chosen;
    int SnapDistance;
};

TTBCustomToolbar::TTBCustomToolbar(TComponent *AOwner)
    : TTBCustomDockableWindow(AOwner), FItems(MakeComponent<TTBRootItem>(GetItemClass(), nullptr)),
      FChevronItem(MakeComponent<TTBChevronItem>(GetChevronItemClass(), this))
{
    TBRegisterItemClasses();
    FItems->SetParentComponentLink(this);
    FChevronItem->SetLinkSubitems(FItems.get());
    FView = MakeComponent<TTBToolbarView>(GetViewClass(), this);
    FView->SetBackgroundColor(clBtnFace);
    SetColor(clBtnFace);
}

TTBCustomToolbar::~TTBCustomToolbar()
{
    InstallMenuBarHook(false);
    FProcessShortCuts = FMenuBar = false;
    SetMainWindowHook();
    FView.reset();
    FChevronItem.reset();
    FItems.reset();
}

AnsiString TTBCustomToolbar::ChevronHint() const
{
    return FChevronItem->Hint();
}

void TTBCustomToolbar::SetChevronHint(const AnsiString &Value)
{
    FChevronItem->SetHint(Value);
}

bool TTBCustomToolbar::IsChevronHintStored() const
{
    return FChevronItem->Hint() != STBChevronItemMoreButtonsHint;
}

void TTBCustomToolbar::SetFloatingWidth(int Value)
{
    if (Value == FFloatingWidth) return;
    FFloatingWidth = Value;
    if (Floating()) Arrange();
}

void TTBCustomToolbar::SetShrinkMode(TTBShrinkMode Value)
{
    if (Value == FShrinkMode) return;
    FShrinkMode = Value;
    if (Docked() && CurrentDock()) CurrentDock()->ArrangeToolbars();
}

void TTBCustomToolbar::SetSystemFont(bool Value)
{
    if (Value == FSystemFont) return;
    FSystemFont = Value;
    FView->InvalidatePositions();
    Arrange();
}

void TTBCustomToolbar::SetSkin(TTBBaseSkin *Value)
{
    TTBCustomDockableWindow::SetSkin(Value);
    if (!FView) return;
    FView->SetSkin(Value);
    FView->InvalidatePositions();
    Invalidate();
}

void TTBCustomToolbar::SetMenuBar(bool Value)
{
    if (Value == FMenuBar) return;
    FMenuBar = Value;
    TTBViewStyle Style = FView->Style();
    if (Value)
        Style << vsUseHiddenAccels;
    else
        Style >> vsUseHiddenAccels;
    FView->SetStyle(Style);
    if (!ComponentState().Contains(csLoading)) {
        SetFullSize(Value);
        SetShrinkMode(Value ? tbsmWrap : tbsmChevron);
        SetCloseButton(!Value);
        SetProcessShortCuts(Value);
    }
    InstallMenuBarHook(Value);
    SetMainWindowHook();
}

void TTBCustomToolbar::SetProcessShortCuts(bool Value)
{
    if (Value == FProcessShortCuts) return;
    FProcessShortCuts = Value;
    SetMainWindowHook();
}

void TTBCustomToolbar::InstallMenuBarHook(bool Install)
{
    if (Install == FMenuBarHookInstalled) return;
    FMenuBarHookInstalled = Install;
    if (Install)
        InstallHookProc(MenuBarHookProc, {hpGetMessage});
    else
        UninstallHookProc(MenuBarHookProc);
}

void TTBCustomToolbar::SetMainWindowHook()
{
    const bool Wanted =
        (FProcessShortCuts || FMenuBar) && !ComponentState().Contains(csDesigning) && Application;
    if (Wanted == FMainWindowHookInstalled) return;
    FMainWindowHookInstalled = Wanted;
    auto &Toolbars = MainWindowHookToolbars();
    if (Wanted) {
        Toolbars.push_back(this);
        if (Toolbars.size() == 1) Application->HookMainWindow(&Toolbars, MainWindowHook);
    } else {
        std::erase(Toolbars, this);
        if (Toolbars.empty()) Application->UnhookMainWindow(&Toolbars);
    }
}

bool TTBCustomToolbar::IsShortCut(TMessage &Message)
{
    bool Handled = false;
    if (OnShortCut) OnShortCut(Message, Handled);
    return Handled || FItems->IsShortCut(static_cast<WORD>(Message.WParam),
                                         KeyDataToShiftState(Message.LParam));
}

bool TTBCustomToolbar::KeyboardOpen(char Key, bool RequirePrimaryAccel)
{
    TTBItemViewer *Found = nullptr;
    bool IsOnly = false;
    if (Key) {
        Found = FView->NextSelectableWithAccel(nullptr, Key, RequirePrimaryAccel, IsOnly);
        if (!Found) return false;
        const bool Submenu = Found->Item()->ItemStyle().Contains(tbisSubmenu);
        if (IsOnly && !Submenu) {
            if (Found->Item()->Enabled()) Found->Item()->Click();
            return true;
        }
        if (!IsOnly && !FMenuBar) return true;
        FView->SetSelected(Found);
        FView->EnterToolbarLoop(
            IsOnly ? TTBEnterToolbarLoopOptions{tbetDropDownMenus, tbetKeyboardControl}
                   : TTBEnterToolbarLoopOptions{tbetKeyboardControl});
        return true;
    }
    Found = FView->FirstSelectable();
    if (!Found) return false;
    FView->SetSelected(Found);
    FView->EnterToolbarLoop({tbetKeyboardControl});
    return true;
}

bool TTBCustomToolbar::WMSysCommand(TMessage &Message)
{
    if ((Message.WParam & 0xFFF0) != SC_KEYMENU || !FMenuBar || !Visible() || !Enabled())
        return false;
    const char Key = static_cast<char>(static_cast<unsigned char>(Message.LParam));
    if (Key == ' ' || GetCapture()) return false;
    Message.Result = 1;
    if (KeyboardOpen(Key, false)) return true;
    // "-" is the system menu of an MDI child, which is none of the bar's business.
    if (Key == '-') {
        Message.Result = 0;
        return false;
    }
    MessageBeep(0);
    return true;
}

bool TTBCustomToolbar::CMDialogChar(TMessage &Message)
{
    if (FMenuBar || !Visible() || !Enabled() ||
        !KeyboardOpen(static_cast<char>(static_cast<unsigned char>(Message.WParam)), true))
        return false;
    Message.Result = 1;
    return true;
}

bool TTBCustomToolbar::CMDialogKey(TMessage &Message)
{
    if (FMenuBar && Message.WParam == VK_MENU) FView->SetAccelsVisibility(true);
    return false;
}

bool TTBCustomToolbar::CMControlChange(TMessage &Message)
{
    auto *Control = reinterpret_cast<TControl *>(Message.WParam);
    const TComponentState State = ComponentState();
    if (Message.LParam && Control && FItems && !State.Contains(csLoading) &&
        !State.Contains(csDestroying) && !FindWrapper(Control))
        CreateWrapper(Control);
    return false;
}

bool TTBCustomToolbar::CMControlListChange(TMessage &Message)
{
    auto *Control = reinterpret_cast<TControl *>(Message.WParam);
    if (Message.LParam || !Control) return false;
    // The control leaves the bar, to another parent or to be freed: its items go, it stays.
    while (TTBControlItem *Wrapper = FindWrapper(Control)) {
        Wrapper->SetDontFreeControl(true);
        delete Wrapper;
    }
    return false;
}

void TTBCustomToolbar::CancelHover()
{
    if (!FView->State().Contains(vsOpen)) FView->UpdateSelection(nullptr, true);
}

bool TTBCustomToolbar::WMMouseLeave(TMessage &)
{
    CancelHover();
    return false;
}

bool TTBCustomToolbar::CMMouseLeave(TMessage &)
{
    CancelHover();
    return false;
}

// The hovered item may want a cursor of its own over its button.
bool TTBCustomToolbar::WMSetCursor(TMessage &Message)
{
    TTBItemViewer *Hovered = FView->Selected();
    if (ComponentState().Contains(csDesigning) || !Hovered ||
        reinterpret_cast<HWND>(Message.WParam) != WindowHandle() ||
        static_cast<short>(LOWORD(Message.LParam)) != HTCLIENT)
        return false;
    POINT At{};
    GetCursorPos(&At);
    TPoint P = ScreenToClient(TPoint(At.x, At.y));
    P.X -= Hovered->BoundsRect().Left;
    P.Y -= Hovered->BoundsRect().Top;
    HCURSOR Cursor{};
    Hovered->GetCursor(P, Cursor);
    if (!Cursor) return false;
    ::SetCursor(Cursor);
    Message.Result = 1;
    return true;
}

bool TTBCustomToolbar::CMHintShow(TMessage &Message)
{
    auto &Info = *reinterpret_cast<THintInfo *>(Message.LParam);
    TBViewerHint(FView->ViewerFromPoint(Info.CursorPos), Info);
    Message.Result = 0;
    return true;
}

bool TTBCustomToolbar::CMShowHintChanged(TMessage &)
{
    TTBViewStyle Style = FView->Style();
    if (ShowHint())
        Style << vsAlwaysShowHints;
    else
        Style >> vsAlwaysShowHints;
    FView->SetStyle(Style);
    return false;
}

bool TTBCustomToolbar::CMFontChanged(TMessage &)
{
    if (!FSystemFont) {
        FView->InvalidatePositions();
        Arrange();
    }
    return false;
}

bool TTBCustomToolbar::CMWinIniChange(TMessage &Message)
{
    if (Message.WParam == SPI_SETNONCLIENTMETRICS) {
        TBInitToolbarSystemFont();
        FView->InvalidatePositions();
        Arrange();
    }
    return false;
}

bool TTBCustomToolbar::CMColorChanged(TMessage &)
{
    FView->SetBackgroundColor(Color());
    return false;
}

void TTBCustomToolbar::WndProc(TMessage &Message)
{
    bool Handled = false;
    switch (Message.Msg) {
    case WM_SYSCOMMAND:
        Handled = WMSysCommand(Message);
        break;
    case CM_DIALOGCHAR:
        Handled = CMDialogChar(Message);
        break;
    case CM_DIALOGKEY:
        Handled = CMDialogKey(Message);
        break;
    case CM_CONTROLCHANGE:
        Handled = CMControlChange(Message);
        break;
    case CM_CONTROLLISTCHANGE:
        Handled = CMControlListChange(Message);
        break;
    case WM_MOUSELEAVE:
        Handled = WMMouseLeave(Message);
        break;
    case CM_MOUSELEAVE:
        Handled = CMMouseLeave(Message);
        break;
    case WM_SETCURSOR:
        Handled = WMSetCursor(Message);
        break;
    case CM_HINTSHOW:
        Handled = CMHintShow(Message);
        break;
    case CM_SHOWHINTCHANGED:
        Handled = CMShowHintChanged(Message);
        break;
    case CM_FONTCHANGED:
        Handled = CMFontChanged(Message);
        break;
    case CM_WININICHANGE:
        Handled = CMWinIniChange(Message);
        break;
    case CM_COLORCHANGED:
        Handled = CMColorChanged(Message);
        break;
    default:
        break;
    }
    if (!Handled) TTBCustomDockableWindow::WndProc(Message);
}

// ---- child controls as items -----------------------------------------------------------------

TTBControlItem *TTBCustomToolbar::FindWrapper(TControl *Control) const
{
    if (!FItems || !Control) return nullptr;
    for (int I = 0; I < FItems->Count(); ++I)
        if (auto *Wrapper = dynamic_cast<TTBControlItem *>(FItems->Items(I));
            Wrapper && Wrapper->Control() == Control)
            return Wrapper;
    return nullptr;
}

void TTBCustomToolbar::GetChildren(TGetChildProc Proc, TComponent *Root)
{
    FItems->GetChildren(Proc, Root);
    for (int I = 0; I < ControlCount(); ++I)
        if (Controls(I)->Owner() == Root) Proc(Controls(I));
}

void TTBCustomToolbar::SetChildOrder(TComponent *Child, int Order)
{
    FItems->SetChildOrder(Child, Order);
}

void TTBCustomToolbar::CreateWrapper(TControl *Control)
{
    // Owned as the bar's other items are, freed with the bar's items.
    FItems->Add(new TTBControlItem(Owner(), Control));
}

void TTBCustomToolbar::CreateWrappersForAllControls()
{
    for (int I = 0; I < ControlCount(); ++I)
        if (!FindWrapper(Controls(I))) CreateWrapper(Controls(I));
}

void TTBCustomToolbar::Loaded()
{
    TTBCustomDockableWindow::Loaded();
    CreateWrappersForAllControls();
}

void TTBCustomToolbar::InitiateAction()
{
    TTBCustomDockableWindow::InitiateAction();
    if (FUpdateActions) FView->InitiateActions();
}

void TTBCustomToolbar::MouseMove(TShiftState Shift, int X, int Y)
{
    TTBCustomDockableWindow::MouseMove(Shift, X, Y);
    if (FView->State().Contains(vsOpen)) return;
    const TPoint At = ClientToScreen(TPoint(X, Y));
    FView->UpdateSelection(&At, true);
    TTBItemViewer *Selected = FView->Selected();
    Application->SetHint(Selected ? Selected->Item()->GetLongHint() : AnsiString());
    CallTrackMouseEvent(WindowHandle(), TME_LEAVE);
}

void TTBCustomToolbar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TTBCustomDockableWindow::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || ComponentState().Contains(csDesigning) || DragMode()) return;
    TTBItemViewer *Viewer = FView->ViewerFromPoint(TPoint(X, Y));
    FView->SetSelected(Viewer);
    if (Viewer && !Viewer->Item()->ItemStyle().Contains(tbisClicksTransparent))
        FView->EnterToolbarLoop({tbetMouseDown});
}

bool TTBCustomToolbar::ControlExistsAtPos(const TPoint &P)
{
    // A press on a button is the button's, not the start of a drag.
    return TTBCustomDockableWindow::ControlExistsAtPos(P) || FView->ViewerFromPoint(P);
}

// Controls pushed past the edge are out of sight; the tab key must not land on them.
void TTBCustomToolbar::GetTabOrderList(std::vector<TWinControl *> &List)
{
    TTBCustomDockableWindow::GetTabOrderList(List);
    for (TWinControl *Control : FView->GetOffEdgeControlList())
        std::erase(List, Control);
}

void TTBCustomToolbar::Paint()
{
    FView->DrawSubitems(Canvas());
}

// Under Office XP a docked bar has the skin's toolbar colour; a menu bar keeps its
// own colour unless the skin asks for the toolbar's. A skin that is off hands the fill
// to the default skin, as it does for the frame and the buttons.
void TTBCustomToolbar::WMEraseBkgnd(TMessage &Message)
{
    TTBBaseSkin *Effective = ActiveSkin(Skin());
    if (!Effective || Effective->SkinType() != tbsOfficeXP || !Docked() || !CurrentDock() ||
        CurrentDock()->UsingBackground()) {
        TTBCustomDockableWindow::WMEraseBkgnd(Message);
        return;
    }
    const COLORREF Fill = FMenuBar && !Effective->Options().Contains(tboMenuTBColor)
                              ? ColorToRGB(Color())
                              : Effective->RGBColor(cToolbar);
    const RECT R{0, 0, ClientWidth(), ClientHeight()};
    const HBRUSH Brush = CreateSolidBrush(Fill);
    FillRect(reinterpret_cast<HDC>(Message.WParam), &R, Brush);
    DeleteObject(Brush);
    Message.Result = 1;
}

// ---- layout with the docks -------------------------------------------------------------------

int TTBCustomToolbar::CalcWrapOffset(TTBDock *Dock, bool Floating)
{
    if (Floating) return FFloatingWidth;
    if (!Dock || GetShrinkMode() != tbsmWrap) return 0;
    const TPoint NC = CalcNCSizes(Dock->IsLeftRight());
    return Dock->IsLeftRight() ? Dock->ClientHeight() - NC.Y : Dock->ClientWidth() - NC.X;
}

int TTBCustomToolbar::CalcChevronOffset(TTBDock *Dock, TTBViewOrientation Orientation)
{
    if (GetShrinkMode() != tbsmChevron || !Dock || Dock != CurrentDock() || CurrentSize() <= 0)
        return 0;
    const TPoint NC = CalcNCSizes(Dock->IsLeftRight());
    return std::max(0, CurrentSize() - (Orientation == tbvoVertical ? NC.Y : NC.X));
}

TTBCustomToolbar::Placement TTBCustomToolbar::PlacementFor(TTBDock *Dock, bool Floating,
                                                           bool WithChevron)
{
    Placement P{};
    P.Orientation = Floating                      ? tbvoFloating
                    : Dock && Dock->IsLeftRight() ? tbvoVertical
                                                  : tbvoHorizontal;
    P.WrapOffset = CalcWrapOffset(Dock, Floating);
    P.ChevronOffset = WithChevron && !Floating ? CalcChevronOffset(Dock, P.Orientation) : 0;
    return P;
}

TPoint TTBCustomToolbar::MeasureFor(const Placement &P, int &WrappedLines)
{
    TPoint Base, Total = GetMinBarSize(P.Orientation, P.WrapOffset);
    FView->CalculatePositions(false, P.Orientation, P.WrapOffset, P.ChevronOffset, tbChevronSize,
                              Base, Total, WrappedLines);
    return Total;
}

TPoint TTBCustomToolbar::DoArrange(bool CanMoveControls, TTBDockType, bool NewFloating,
                                   TTBDock *NewDock)
{
    const Placement P = PlacementFor(NewDock, NewFloating, true);
    if (!CanMoveControls) {
        int Lines = 0;
        return MeasureFor(P, Lines);
    }
    ApplyPlacement(P);
    return FView->TotalSize();
}

TPoint TTBCustomToolbar::GetBaseSize()
{
    int Lines = 0;
    return MeasureFor(PlacementFor(CurrentDock(), Floating(), false), Lines);
}

int TTBCustomToolbar::GetMinShrinkSize()
{
    // Everything but one item goes behind the chevron.
    Placement P = PlacementFor(CurrentDock(), false, false);
    P.ChevronOffset = 1;
    int Lines = 0;
    const TPoint Size = MeasureFor(P, Lines);
    return P.Orientation == tbvoVertical ? Size.Y : Size.X;
}

TTBShrinkMode TTBCustomToolbar::GetShrinkMode()
{
    return FShrinkMode;
}

void TTBCustomToolbar::ViewResized(int Width, int Height)
{
    // Inside DoArrange the caller takes the size from its answer.
    if (FInsideDoArrange == 0 && IsAutoResized()) ChangeSize(Width, Height);
}

void TTBCustomToolbar::Resize()
{
    TTBCustomDockableWindow::Resize();
    // A docked bar given back its full length shows its items again.
    if (!Docked() || FInsideDoArrange > 0 || !FView) return;
    const Placement P = PlacementFor(CurrentDock(), false, true);
    if (P.ChevronOffset == FView->ChevronOffset() && P.WrapOffset == FView->WrapOffset()) return;
    ApplyPlacement(P);
}

void TTBCustomToolbar::UpdateViewProperties(const Placement &P)
{
    FView->SetOrientation(P.Orientation);
    FView->SetWrapOffset(P.WrapOffset);
    FView->SetChevronOffset(P.ChevronOffset);
    FView->SetChevronSize(tbChevronSize);
}

TPoint TTBCustomToolbar::GetMinBarSize(TTBViewOrientation Orientation, int WrapOffset) const
{
    TPoint Least(0, 0);
    if (FullSize() && WrapOffset > 0)
        (Orientation == tbvoVertical ? Least.Y : Least.X) = WrapOffset;
    return Least;
}

void TTBCustomToolbar::ApplyPlacement(const Placement &P)
{
    ++FInsideDoArrange;
    try {
        UpdateViewProperties(P);
        FView->UpdatePositions();
    } catch (...) {
        --FInsideDoArrange;
        throw;
    }
    --FInsideDoArrange;
}

// ---- floating sizes --------------------------------------------------------------------------

std::vector<TTBPotentialSize> TTBCustomToolbar::BuildPotentialSizesList()
{
    const TRect Margins = FView->GetMargins(tbvoFloating);
    auto Measure = [&](int Wrap) {
        TTBPotentialSize Entry{TPoint(0, 0), Wrap, 0};
        TPoint Base;
        FView->CalculatePositions(false, tbvoFloating, Wrap, 0, 0, Base, Entry.Size, Entry.Lines);
        return Entry;
    };
    std::vector<TTBPotentialSize> Sizes{Measure(0)};
    const int Least = Margins.Left + Margins.Right;
    // Lines only grow as the wrap width shrinks: for each number of lines the
    // narrowest width that gives it is found by halving, not by trying every width.
    int High = Sizes.front().Size.X - Margins.Right - 1;
    while (High >= Least) {
        const int Lines = Measure(High).Lines;
        int Low = Least, Narrowest = High;
        while (Low < Narrowest) {
            const int Middle = Low + (Narrowest - Low) / 2;
            if (Measure(Middle).Lines <= Lines)
                Narrowest = Middle;
            else
                Low = Middle + 1;
        }
        const TTBPotentialSize Entry = Measure(Narrowest);
        if (Entry.Lines == Sizes.back().Lines)
            Sizes.back() = Entry;
        else
            Sizes.push_back(Entry);
        High = Narrowest - 1;
    }
    return Sizes;
}

void TTBCustomToolbar::ResizeBegin(TTBSizeHandle SizeHandle)
{
    auto R = std::make_unique<Resizing>();
    R->Handle = SizeHandle;
    R->Horizontal = SizeHandle != twshTop && SizeHandle != twshBottom;
    R->Sizes = BuildPotentialSizesList();
    TPoint TopLeft, BottomRight;
    GetFloatingNCArea(TopLeft, BottomRight);
    for (TTBPotentialSize &Entry : R->Sizes) {
        Entry.Size.X += TopLeft.X + BottomRight.X;
        Entry.Size.Y += TopLeft.Y + BottomRight.Y;
    }
    const bool Horizontal = R->Horizontal;
    auto Along = [Horizontal](const TTBPotentialSize &E) {
        return Horizontal ? E.Size.X : E.Size.Y;
    };
    std::sort(R->Sizes.begin(), R->Sizes.end(),
              [&](const auto &A, const auto &B) { return Along(A) < Along(B); });
    // The bar's present size is the entry nearest to it.
    const int Present = (Horizontal ? Width() : Height()) +
                        (Horizontal ? TopLeft.X + BottomRight.X : TopLeft.Y + BottomRight.Y);
    R->Current = 0;
    for (int I = 1; I < static_cast<int>(R->Sizes.size()); ++I)
        if (std::abs(Along(R->Sizes[I]) - Present) <
            std::abs(Along(R->Sizes[R->Current]) - Present))
            R->Current = I;
    R->Chosen = R->Current;
    // The cursor must travel some way before the bar changes, never past a neighbour.
    R->SnapDistance = 12;
    const int Here = Along(R->Sizes[R->Current]);
    for (int Neighbour : {R->Current - 1, R->Current + 1})
        if (Neighbour >= 0 && Neighbour < static_cast<int>(R->Sizes.size()))
            R->SnapDistance = std::max(
                0, std::min(R->SnapDistance, std::abs(Along(R->Sizes[Neighbour]) - Here) - 1));
    FResizing = std::move(R);
}

void TTBCustomToolbar::ResizeTrack(TRect &Rect, const TRect &OrigRect)
{
    if (!FResizing || FResizing->Sizes.empty()) return;
    Resizing &R = *FResizing;
    const int Now = R.Horizontal ? Rect.Width() : Rect.Height();
    const int Start = R.Horizontal ? OrigRect.Width() : OrigRect.Height();
    auto Along = [&](int I) { return R.Horizontal ? R.Sizes[I].Size.X : R.Sizes[I].Size.Y; };
    const int Count = static_cast<int>(R.Sizes.size());
    int Chosen = R.Current;
    if (Now > Start + R.SnapDistance) {
        // Growing: the largest size the cursor has reached.
        while (Chosen + 1 < Count && Along(Chosen + 1) <= Now)
            ++Chosen;
    } else if (Now < Start - R.SnapDistance) {
        // Shrinking: the smallest size the cursor has passed.
        while (Chosen > 0 && Along(Chosen - 1) >= Now)
            --Chosen;
    }
    R.Chosen = Chosen;
    const TPoint Size = R.Sizes[Chosen].Size;
    const bool LeftEdge =
        R.Handle == twshLeft || R.Handle == twshTopLeft || R.Handle == twshBottomLeft;
    const bool TopEdge = R.Handle == twshTop || R.Handle == twshTopLeft || R.Handle == twshTopRight;
    Rect = OrigRect;
    if (LeftEdge)
        Rect.Left = Rect.Right - Size.X;
    else
        Rect.Right = Rect.Left + Size.X;
    if (TopEdge)
        Rect.Top = Rect.Bottom - Size.Y;
    else
        Rect.Bottom = Rect.Top + Size.Y;
}

void TTBCustomToolbar::ResizeTrackAccept()
{
    if (FResizing) SetFloatingWidth(FResizing->Sizes[FResizing->Chosen].WrapWidth);
}

void TTBCustomToolbar::ResizeEnd()
{
    FResizing.reset();
}

// ---- positions -------------------------------------------------------------------------------

void TTBCustomToolbar::ReadPositionData(const TTBReadPositionData &Data)
{
    TTBCustomDockableWindow::ReadPositionData(Data);
    if (Data.ReadIntProc)
        SetFloatingWidth(Data.ReadIntProc(Name(), "FloatRightX", FFloatingWidth, Data.ExtraData));
}

void TTBCustomToolbar::WritePositionData(const TTBWritePositionData &Data)
{
    TTBCustomDockableWindow::WritePositionData(Data);
    if (Data.WriteIntProc) Data.WriteIntProc(Name(), "FloatRightX", FFloatingWidth, Data.ExtraData);
}

// ---- published properties --------------------------------------------------------------------

void TTBToolbar::Publish(rtl::Publisher<TTBToolbar> &P)
{
    PublishDockableWindow(P);
    P.Property("Anchors", &TTBToolbar::Anchors, &TTBToolbar::SetAnchors)
        .Default(TAnchors{akLeft, akTop});
    P.Property("ChevronHint", &TTBToolbar::ChevronHint, &TTBToolbar::SetChevronHint)
        .Stored(&TTBToolbar::IsChevronHintStored);
    P.Property("FloatingWidth", &TTBToolbar::FloatingWidth, &TTBToolbar::SetFloatingWidth)
        .Default(0);
    P.Property("Images", &TTBToolbar::Images, &TTBToolbar::SetImages);
    P.Property("Items", &TTBToolbar::Items);
    P.Property("LinkSubitems", &TTBToolbar::LinkSubitems, &TTBToolbar::SetLinkSubitems);
    P.Property("MenuBar", &TTBToolbar::MenuBar, &TTBToolbar::SetMenuBar).Default(false);
    P.Property("Options", &TTBToolbar::Options, &TTBToolbar::SetOptions);
    P.Property("ParentShowHint", &TTBToolbar::ParentShowHint, &TTBToolbar::SetParentShowHint)
        .Default(true);
    P.Property("PopupMenu", &TTBToolbar::PopupMenu, &TTBToolbar::SetPopupMenu);
    P.Property("ProcessShortCuts", &TTBToolbar::ProcessShortCuts, &TTBToolbar::SetProcessShortCuts)
        .Default(false);
    P.Property("ShrinkMode", &TTBToolbar::ShrinkMode, &TTBToolbar::SetShrinkMode)
        .Default(tbsmChevron);
    P.Property("SystemFont", &TTBToolbar::SystemFont, &TTBToolbar::SetSystemFont).Default(true);
    P.Property("UpdateActions", &TTBToolbar::UpdateActions, &TTBToolbar::SetUpdateActions)
        .Default(true);
    P.Event("OnDragDrop", &TTBToolbar::OnDragDrop);
    P.Event("OnDragOver", &TTBToolbar::OnDragOver);
    P.Event("OnMouseDown", &TTBToolbar::OnMouseDown);
    P.Event("OnMouseMove", &TTBToolbar::OnMouseMove);
    P.Event("OnMouseUp", &TTBToolbar::OnMouseUp);
    P.Event("OnShortCut", &TTBToolbar::OnShortCut);
}
QRV4_PUBLISHED(TTBToolbar)
