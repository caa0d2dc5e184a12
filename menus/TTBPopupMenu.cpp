#include "menus/TTBPopupMenu.h"

#include "menus/PopupModalLoop.h"
#include "menus/TB2Common.h"
#include "menus/TShadow.h"
#include "menus/TTBItemViewer.h"
#include "platform/vcl/Forms.h"

#include <algorithm>

namespace
{

int FrameWidth = 3;

// Where the last placement moved the popup: 0 above its parent item, 1 right of it, 2 neither.
thread_local int MovedState = 2;

void FillColor(HDC DC, const TRect &R, TColor Color)
{
    const RECT Area = R;
    const HBRUSH Brush = CreateSolidBrush(ColorToRGB(Color));
    FillRect(DC, &Area, Brush);
    DeleteObject(Brush);
}

void Frame(HDC DC, RECT &R, COLORREF Color)
{
    const HBRUSH Brush = CreateSolidBrush(Color);
    FrameRect(DC, &R, Brush);
    DeleteObject(Brush);
    InflateRect(&R, -1, -1);
}

bool DrawsXPLook(TTBBaseSkin *Skin)
{
    return Skin && (Skin->SkinType() == tbsOfficeXP || Skin->SkinType() == tbsWindowsXP);
}

bool Overlaps(const TRect &A, const TRect &B)
{
    // The point of a point popup overlaps only when it lies inside the popup, off its
    // edges: a menu opened at the mouse starts on it, one pushed back over it is moved off.
    if (B.Width() == 0 && B.Height() == 0)
        return B.Left > A.Left && B.Left < A.Right && B.Top > A.Top && B.Top < A.Bottom;
    return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

} // namespace

int PopupFrameWidth()
{
    return FrameWidth;
}

// ---- the window --------------------------------------------------------------------------

TTBPopupWindow::TTBPopupWindow(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item,
                               bool Customizing)
    : TCustomControl(AOwner)
{
    SetVisible(false);
    SetBounds(0, 0, 320, 240);
    SetControlStyle(ControlStyle() - TControlStyle{csCaptureMouse});
    SetColor(clMenu);
    SetParentWindow(Application->Handle());
    Font()->Assign(ParentView ? ParentView->GetFont() : ToolbarFont());
    TTBBaseSkin *Own = nullptr;
    if (ParentView && ParentView->Skin() && ParentView->Skin()->SkinType() != tbsDisabled)
        Own = ParentView->Skin();
    else if (Item->Skin() && Item->Skin()->SkinType() != tbsDisabled)
        Own = Item->Skin();
    else if (DefaultSkin()->SkinType() != tbsDisabled && DefaultSkin()->SkinType() != tbsNativeXP)
        Own = DefaultSkin();
    FSkin = Own;
    FView = std::make_unique<TTBPopupView>(AOwner, ParentView, Item, this, false, Customizing);
    FView->SetSkin(FSkin);
    if (FSkin && FSkin->Options().Contains(tboShadow)) {
        FShadows[0] = std::make_unique<TShadow>(nullptr, true, true, FSkin->ShadowStyle());
        FShadows[1] = std::make_unique<TShadow>(nullptr, false, true, FSkin->ShadowStyle());
        for (auto &Shadow : FShadows)
            Shadow->SetCorners(true, true);
    }
    if (FSkin) {
        SetColor(FSkin->Colors()->GetSkinColor(tcPopup));
        SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csFixedWidth, csFixedHeight});
    } else if (ParentView) {
        FView->SetStyle(FView->Style() + (ParentView->Style() * TTBViewStyle{vsUseHiddenAccels}));
        if (ParentView->State().Contains(vsShowAccels)) FView->AddState(vsShowAccels);
    }
}

TTBPopupWindow::~TTBPopupWindow()
{
    FView->CloseChildPopups();
    TBEndAnimation(WindowHandle());
    FView->StopAllTimers();
    if (TTBView *Parent = FView->ParentView(); Parent && Parent->OpenViewerWindow() == this)
        Parent->SetOpenPopup(nullptr, nullptr, nullptr);
    FView.reset();
}

void TTBPopupWindow::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.Style = (Params.Style | WS_POPUP) & ~(WS_CHILD | WS_GROUP | WS_TABSTOP | WS_VISIBLE);
    // Our popups never take the activation: the window that had it keeps it.
    Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    Params.WndParent = ParentWindow();
    Params.WindowClass.style |= CS_SAVEBITS | (FSkin ? CS_VREDRAW : 0);
    Params.WinClassName = "TTBPopupWindow";
}

void TTBPopupWindow::DestroyWindowHandle()
{
    TBEndAnimation(WindowHandle());
    FView->StopAllTimers();
    inherited::DestroyWindowHandle();
}

void TTBPopupWindow::ShowingChanged(bool Showing)
{
    if (!HandleAllocated()) return;
    const HWND Wnd = WindowHandle();
    BOOL Animation = FALSE, Fade = FALSE;
    SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &Animation, 0);
    SystemParametersInfoW(SPI_GETMENUFADE, 0, &Fade, 0);
    TTBView *Parent = FView->ParentView();
    if (Showing && !(Parent && Parent->State().Contains(vsNoAnimation)) && !FView->Selected() &&
        !IsWindowVisible(Wnd) && Animation) {
        if (Fade) {
            TBStartAnimation(Wnd, 150, true, {});
            return;
        }
        if (!FAnimationDirection.Empty()) {
            TBStartAnimation(Wnd, 150, false, FAnimationDirection);
            return;
        }
    }
    if (!Showing) TBEndAnimation(Wnd);
    SetWindowPos(Wnd, {}, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (Showing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TTBPopupWindow::PaintFrame(HDC DC, bool ForScreen)
{
    RECT R{0, 0, Width(), Height()};
    TTBBaseSkin *Skin = DrawsXPLook(FSkin) ? FSkin
                        : FView->ParentView() && DrawsXPLook(FView->ParentView()->Skin())
                            ? FView->ParentView()->Skin()
                            : nullptr;
    if (Skin && Skin->SkinType() == tbsOfficeXP) {
        Frame(DC, R, Skin->RGBColor(cBorder));
        while (R.right - R.left > 0 && R.left < FrameWidth)
            Frame(DC, R, Skin->RGBColor(cPopup));
    } else if (Skin) {
        Frame(DC, R, Skin->RGBColor(cBorder));
        Frame(DC, R, Skin->RGBColor(cPopup));
        Frame(DC, R, Skin->RGBColor(cPopup));
    } else if (AreFlatMenusEnabled()) {
        Frame(DC, R, GetSysColor(COLOR_BTNSHADOW));
        Frame(DC, R, ColorToRGB(Color()));
        Frame(DC, R, ColorToRGB(Color()));
    } else {
        DrawEdge(DC, &R, EDGE_RAISED, BF_RECT | BF_ADJUST);
        Frame(DC, R, GetSysColor(COLOR_BTNFACE));
    }
    PlaceShadows(ForScreen);
}

void TTBPopupWindow::PlaceShadows(bool ForScreen)
{
    if (!FShadows[0]) return;
    const TRect R = BoundsRect();
    FShadows[0]->SetBounds(R.Right, R.Top + 4, 4, R.Height());
    FShadows[1]->SetBounds(R.Left + 4, R.Bottom, R.Width() - 4, 4);
    if (ForScreen)
        for (auto &Shadow : FShadows)
            if (!Shadow->Visible()) {
                Shadow->Prepare();
                Shadow->Show();
            }
}

void TTBPopupWindow::ShowShadows()
{
    for (auto &Shadow : FShadows)
        if (Shadow) {
            Shadow->Prepare();
            Shadow->Show();
        }
}

void TTBPopupWindow::EraseBackground(HDC DC)
{
    const TRect Client = ClientRect();
    if (DrawsXPLook(FSkin)) {
        switch (FSkin->PopupStyle()) {
        case tbpsGradVert:
        case tbpsGradHorz:
            FillGradient(DC, Client, FSkin->Colors()->GetSkinColor(tcPopupGradStart),
                         FSkin->Colors()->GetSkinColor(tcPopupGradEnd),
                         FSkin->PopupStyle() == tbpsGradVert ? tbgTopBottom : tbgLeftRight);
            break;
        case tbpsDefault:
            FillColor(DC, Client, Color());
            break;
        }
        const int Margin = FView->ViewerCount() ? GetImgListMargin(FView->Viewers(0)) : 0;
        const TRect Column(Client.Left, Client.Top, Client.Left + Margin, Client.Bottom);
        if (FSkin->ImgBackStyle() != tbimsDefault)
            FillGradient(DC, Column, FSkin->Colors()->GetSkinColor(tcImgGradStart),
                         FSkin->Colors()->GetSkinColor(tcImgGradEnd),
                         FSkin->ImgBackStyle() == tbimsGradVert ? tbgTopBottom : tbgLeftRight);
        else if (FSkin->SkinType() == tbsOfficeXP)
            FillColor(DC, Column, FSkin->Colors()->GetSkinColor(tcImageList));
        return;
    }
    FillColor(DC, Client, Color());
}

void TTBPopupWindow::Paint()
{
    FView->DrawSubitems(Canvas());
    PaintScrollArrows();
}

void TTBPopupWindow::PaintScrollArrows()
{
    const TRect Client = ClientRect();
    const HDC DC = Canvas()->Handle();
    auto Triangle = [&](int BandTop, bool Up) {
        const int Cx = Client.Width() / 2, Cy = BandTop + ScrollArrowHeight / 2;
        const HPEN Pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_MENUTEXT));
        const HGDIOBJ Old = SelectObject(DC, Pen);
        for (int Row = 0; Row < 4; ++Row) {
            const int Half = Up ? Row : 3 - Row, Y = Cy - 2 + Row;
            MoveToEx(DC, Cx - Half, Y, nullptr);
            LineTo(DC, Cx + Half + 1, Y);
        }
        SelectObject(DC, Old);
        DeleteObject(Pen);
    };
    if (FView->ShowUpArrow()) Triangle(0, true);
    if (FView->ShowDownArrow()) Triangle(Client.Height() - ScrollArrowHeight, false);
}

void TTBPopupWindow::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_NCCALCSIZE: {
        auto *Params = reinterpret_cast<NCCALCSIZE_PARAMS *>(Message.LParam);
        const int Side = FrameWidth - (FSkin && FSkin->SkinType() == tbsOfficeXP ? 1 : 0);
        InflateRect(&Params->rgrc[0], -Side, -FrameWidth);
        Message.Result = 0;
        return;
    }
    case WM_NCPAINT: {
        const HDC DC = GetWindowDC(WindowHandle());
        SelectNCUpdateRgn(WindowHandle(), DC, reinterpret_cast<HRGN>(Message.WParam));
        PaintFrame(DC, true);
        ReleaseDC(WindowHandle(), DC);
        return;
    }
    case WM_PRINT:
        HandleWMPrint(WindowHandle(), Message, [this](HWND, HDC DC) { PaintFrame(DC, false); });
        return;
    case WM_PRINTCLIENT:
        HandleWMPrintClient(this, Message);
        return;
    case WM_ERASEBKGND:
        TBEndAnimation(WindowHandle());
        EraseBackground(reinterpret_cast<HDC>(Message.WParam));
        Message.Result = 1;
        return;
    case WM_PAINT:
        TBEndAnimation(WindowHandle());
        break;
    case WM_CLOSE:
        return;
    case WM_MOUSEACTIVATE:
        Message.Result = MA_NOACTIVATE;
        return;
    case WM_TB2K_ANIMATIONSTEP:
        TBStepAnimation(Message);
        return;
    case WM_TB2K_ANIMATIONENDED:
        ShowShadows();
        return;
    case CM_VISIBLECHANGED:
        ShowingChanged(Message.WParam != 0);
        return;
    case CM_HINTSHOW:
        TBViewerHint(FView ? FView->Selected() : nullptr,
                     *reinterpret_cast<THintInfo *>(Message.LParam));
        Message.Result = 0;
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}

// ---- placing a popup -------------------------------------------------------------------------

TTBPopupWindow *TTBCustomItem::CreatePopup(TTBView *ParentView, TTBItemViewer *ParentViewer,
                                           bool PositionAsSubmenu, bool SelectFirstItem,
                                           bool Customizing, TPoint PopupPoint,
                                           TTBPopupAlignment Alignment)
{
    MovedState = 2;
    TTBBaseSkin *Skin = nullptr;
    for (TTBBaseSkin *Candidate : {ParentView ? ParentView->Skin() : nullptr, FSkin, DefaultSkin()})
        if (!Skin && Candidate && Candidate->SkinType() != tbsDisabled) Skin = Candidate;
    FrameWidth = Skin ? Skin->GetPopupNCSize() : 3;

    if (FLinkSubitems) FLinkSubitems->DoPopup(this, true);
    DoPopup(this, false);
    const bool Opposite = ParentView && ParentView->State().Contains(vsOppositePopup);

    // A chevron shows its toolbar's items, those that went off the edge.
    TTBView *ChevronView = GetChevronParentView();
    TTBCustomItem *ToShow = ChevronView ? ChevronView->ParentItem() : this;
    auto Window = std::make_unique<TTBPopupWindow>(this, ParentView, ToShow, Customizing);
    TTBView *View = Window->View();
    if (ChevronView) View->SetChevronParentView(ChevronView);
    // The frame exists once the window does, and the view sizes the window around it.
    Window->HandleNeeded();
    SetWindowPos(Window->WindowHandle(), {}, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    TRect ParentRect, WorkArea;
    if (!ParentView) {
        ParentRect = TRect(PopupPoint.X, PopupPoint.Y, PopupPoint.X, PopupPoint.Y);
        WorkArea = GetRectOfMonitorContainingPoint(PopupPoint, true);
    } else {
        ParentView->ValidatePositions();
        ParentRect = ParentViewer->BoundsRect();
        const TPoint TopLeft = ParentView->Window()->ClientToScreen(ParentRect.TopLeft());
        ParentRect = Bounds(TopLeft.X, TopLeft.Y, ParentRect.Width(), ParentRect.Height());
        WorkArea = ParentView->MonitorRect().Width() > 0
                       ? ParentView->MonitorRect()
                       : GetRectOfMonitorContainingRect(ParentRect, true);
    }
    View->SetMonitorRect(WorkArea);
    View->SetMaxHeight(WorkArea.Height() - 2 * FrameWidth);
    if (ChevronView) View->SetWrapOffset(WorkArea.Width() - 2 * FrameWidth);

    if (SelectFirstItem) View->SetSelected(View->FirstSelectable());
    View->UpdatePositions();
    const int W = Window->Width(), H = Window->Height();

    // A menu dropped from an upright bar opens beside it, not below.
    const bool VerticalParent =
        ParentView && !PositionAsSubmenu && ParentView->Orientation() == tbvoVertical;
    int X = 0, Y = 0;
    if (!ParentView) {
        X = PopupPoint.X;
        Y = PopupPoint.Y;
        if (Alignment == tbpaRight) X -= W;
        if (Alignment == tbpaCenter) X -= W / 2;
    } else if (!PositionAsSubmenu) {
        X = ParentRect.Left;
        Y = ParentRect.Bottom;
        if (VerticalParent) {
            X = ParentRect.Left - W;
            Y = ParentRect.Top;
        } else if (ChevronView || GetSystemMetrics(SM_MENUDROPALIGNMENT)) {
            X = ParentRect.Right - W;
        }
    } else {
        X = ParentRect.Right - FrameWidth;
        Y = ParentRect.Top - FrameWidth;
    }

    if (!VerticalParent && Y + H > WorkArea.Bottom) {
        const int Y2 = (PositionAsSubmenu ? ParentRect.Bottom + FrameWidth : ParentRect.Top) - H;
        if (Y2 >= WorkArea.Top) {
            Y = Y2;
            MovedState = 0;
        }
        if (Y + H > WorkArea.Bottom) Y = WorkArea.Bottom - H;
        if (Y < WorkArea.Top) Y = WorkArea.Top;
    }

    if (!PositionAsSubmenu) {
        if (!ParentView && Alignment == tbpaRight && X < WorkArea.Left) X += W;
        if (X + W > WorkArea.Right) {
            if (ParentView || Alignment != tbpaLeft)
                X = WorkArea.Right - W;
            else
                X -= W;
        }
        X = std::max<int>(X, WorkArea.Left);
        if (VerticalParent) {
            if (ParentRect.Right + W <= WorkArea.Right &&
                Overlaps(Bounds(X, Y, W, H), ParentRect)) {
                X = ParentRect.Right;
                MovedState = 1;
            }
            if (Overlaps(Bounds(X, Y, W, H), ParentRect)) {
                Y = ParentRect.Bottom + H > WorkArea.Bottom ? ParentRect.Top - H
                                                            : ParentRect.Bottom;
                Y = std::max<int>(Y, WorkArea.Top);
            }
        } else {
            const int Y2 = ParentRect.Top - H;
            if (Y2 >= WorkArea.Top && Overlaps(Bounds(X, Y, W, H), ParentRect)) {
                Y = Y2;
                MovedState = 0;
            }
            if (Overlaps(Bounds(X, Y, W, H), ParentRect)) {
                X = ParentRect.Right + W > WorkArea.Right ? ParentRect.Left - W : ParentRect.Right;
                X = std::max<int>(X, WorkArea.Left);
            }
        }
    } else {
        bool Opp = Opposite;
        for (;;) {
            if (Opp || X + W > WorkArea.Right) {
                const int X1 = ParentRect.Left + FrameWidth - W;
                if (!Opp) {
                    View->AddState(vsOppositePopup);
                    X = X1;
                } else if (X1 < WorkArea.Left) {
                    Opp = false;
                    continue;
                } else {
                    View->AddState(vsOppositePopup);
                    X = X1;
                }
            }
            break;
        }
        X = std::max<int>(X, WorkArea.Left);
    }

    if (ParentView) {
        TTBBaseSkin *ParentSkin = ParentView->Skin();
        if (!ParentSkin) {
            if (!DefaultSkin()->Options().Contains(tboPopupOverlap)) {
                X += 3;
                Y += 2;
            }
        } else if (!ParentSkin->Options().Contains(tboPopupOverlap) && ParentView->IsPopup()) {
            X += 2;
            Y += 2;
        }
    }

    // Under Office XP a menu hanging from a bar's button overlaps it, so both read as one shape.
    if (Skin && Skin->SkinType() == tbsOfficeXP && ParentView && ParentView->IsToolbar() &&
        !ParentView->ChevronParentView()) {
        if (ParentView->Orientation() == tbvoVertical)
            X += MovedState == 1 ? -2 : 2;
        else
            Y += MovedState == 0 ? 2 : -2;
    }

    TTBAnimationDirection Direction;
    if (!PositionAsSubmenu) {
        if (Y >= ParentRect.Bottom)
            Direction << tbadDown;
        else if (Y + H <= ParentRect.Top)
            Direction << tbadUp;
        if (X >= ParentRect.Right)
            Direction << tbadRight;
        else if (X + W <= ParentRect.Left)
            Direction << tbadLeft;
    } else {
        Direction << (X + W / 2 >= (ParentRect.Left + ParentRect.Right) / 2 ? tbadRight : tbadLeft);
    }
    Window->SetAnimationDirection(Direction);
    Window->SetBounds(X, Y, W, H);
    if (ParentView) {
        ParentView->SetOpenPopup(ParentViewer, View, Window.get());
        // The button that opened it shows pushed at once.
        if (ParentView->IsToolbar()) {
            ParentView->Invalidate(ParentViewer);
            if (ParentView->Window()) ParentView->Window()->Update();
        }
    }

    View->AddState(vsDrawInOrder);
    Window->SetVisible(true);
    PlaySystemSound("MenuPopup");
    return Window.release();
}

// ---- the component ---------------------------------------------------------------------------

TTBPopupMenu::TTBPopupMenu(TComponent *AOwner)
    : TPopupMenu(AOwner), FItems(std::make_unique<TTBRootItem>(nullptr))
{
    FItems->SetParentComponentLink(this);
    FItems->OnClick = [this](TObject *) { DoPopup(this); };
}

TTBPopupMenu::~TTBPopupMenu() = default;

void TTBPopupMenu::SetSkin(TTBBaseSkin *Value)
{
    FSkin = Value;
    if (Value) Value->FreeNotification(this);
    FItems->SetSkin(Value);
}

void TTBPopupMenu::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FSkin) SetSkin(nullptr);
}

void TTBPopupMenu::Popup(int X, int Y)
{
    static constexpr TTBPopupAlignment Alignments[] = {tbpaLeft, tbpaRight, tbpaCenter};
    FItems->Popup(X, Y, TrackButton() == tbRightButton, Alignments[Alignment()]);
}
