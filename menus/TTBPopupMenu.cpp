#include "menus/TTBPopupMenu.h"

#include "menus/PopupModalLoop.h"
#include "menus/TB2Common.h"
#include "menus/TShadow.h"
#include "menus/TTBItemViewer.h"
#include "platform/vcl/Forms.h"

#include <algorithm>
#include <optional>

QRV4_ENUM_INFO(TPopupAlignment, paLeft, paRight, paCenter)
QRV4_ENUM_INFO(TTrackButton, tbRightButton, tbLeftButton)

namespace
{

int FrameWidth = 3;

// Where the last placement moved the popup: 0 above its parent item, 1 right of it, 2 neither.
thread_local int MovedState = 2;

// One ring of the frame; the next ring lies inside it.
void Frame(HDC DC, RECT &R, COLORREF Color)
{
    FrameRectRGB(DC, R, Color);
    InflateRect(&R, -1, -1);
}

bool DrawsXPLook(TTBBaseSkin *Skin)
{
    return Skin && (Skin->SkinType() == tbsOfficeXP || Skin->SkinType() == tbsWindowsXP);
}

TRect ScreenRectOf(TTBView *View, const TTBItemViewer *Viewer)
{
    const TRect R = Viewer->BoundsRect();
    const TPoint TopLeft = View->Window()->ClientToScreen(R.TopLeft());
    return Bounds(TopLeft.X, TopLeft.Y, R.Width(), R.Height());
}

bool Contains(const TRect &Outer, const TRect &Inner)
{
    return Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
           Inner.Bottom <= Outer.Bottom;
}

// How many of the view's shown items a popup at R would hide entirely.
int CoveredViewers(TTBView *View, const TRect &R)
{
    if (!View) return 0;
    int Count = 0;
    for (int I = 0; I < View->ViewerCount(); ++I)
        if (View->Viewers(I)->Show() && Contains(R, ScreenRectOf(View, View->Viewers(I)))) ++Count;
    return Count;
}

bool Overlaps(const TRect &A, const TRect &B)
{
    // The point of a point popup overlaps only when it lies inside the popup, off its
    // edges: a menu opened at the mouse starts on it, one pushed back over it is moved off.
    if (B.Width() == 0 && B.Height() == 0)
        return B.Left > A.Left && B.Left < A.Right && B.Top > A.Top && B.Top < A.Bottom;
    return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

// Under Office XP a menu hanging from a bar's button overlaps it, so both read as one shape.
bool JoinsToolbarButton(const TTBBaseSkin *Skin, TTBView *ParentView)
{
    return Skin && Skin->SkinType() == tbsOfficeXP && ParentView && ParentView->IsToolbar() &&
           !ParentView->ChevronParentView();
}

// An item with this tag opens its menu drawn as if it did not hang from its button.
constexpr std::intptr_t DetachedMenuTag = 1234567890;

enum class TFrameSide { Top, Right, Bottom, Left };

// The stretch [First, Last) of one side of a popup's frame, in window coordinates.
struct TFrameGap {
    TFrameSide Side;
    int First;
    int Last;
};

TRect Intersection(const TRect &A, const TRect &B)
{
    const TRect R(std::max<int>(A.Left, B.Left), std::max<int>(A.Top, B.Top),
                  std::min<int>(A.Right, B.Right), std::min<int>(A.Bottom, B.Bottom));
    return R.Left < R.Right && R.Top < R.Bottom ? R : TRect();
}

// The visible part of the toolbar button the popup hangs from, on screen.
std::optional<TRect> JoinedButton(TTBPopupWindow *Popup, const TTBBaseSkin *Skin)
{
    TTBView *Parent = Popup->View()->ParentView();
    if (!JoinsToolbarButton(Skin, Parent) || Parent->OpenViewerWindow() != Popup) return {};
    TTBItemViewer *Button = Parent->OpenViewer();
    if (!Button || Button->Item()->Tag() == DetachedMenuTag) return {};
    const TPoint BarOrigin = Parent->Window()->ClientToScreen(TPoint(0, 0));
    const TRect Bar = Parent->Window()->ClientRect();
    const TRect Visible = Intersection(ScreenRectOf(Parent, Button),
                                       Bounds(BarOrigin.X, BarOrigin.Y, Bar.Width(), Bar.Height()));
    if (Visible.Width() <= 0) return {};
    return Visible;
}

// Where the popup's outline meets the visible part of the button it hangs from: the
// outline stops there, between the button's own sides.
std::optional<TFrameGap> ButtonJoin(TTBPopupWindow *Popup, const TTBBaseSkin *Skin)
{
    const auto Joined = JoinedButton(Popup, Skin);
    if (!Joined) return {};
    const TRect B = *Joined, P = Popup->BoundsRect();
    const bool Vertical = Popup->View()->ParentView()->Orientation() == tbvoVertical;
    auto Inside = [](int Value, int From, int To) { return Value >= From && Value < To; };
    auto Span = [](TFrameSide Side, int ButtonFrom, int ButtonTo, int PopupFrom,
                   int PopupTo) -> std::optional<TFrameGap> {
        const int First = std::max(ButtonFrom + 1, PopupFrom + 1) - PopupFrom;
        const int Last = std::min(ButtonTo - 1, PopupTo - 1) - PopupFrom;
        if (First >= Last) return {};
        return TFrameGap{Side, First, Last};
    };
    if (Vertical) {
        if (Inside(P.Left, B.Left, B.Right) && P.Left > B.Left)
            return Span(TFrameSide::Left, B.Top, B.Bottom, P.Top, P.Bottom);
        if (Inside(P.Right - 1, B.Left, B.Right) && P.Right < B.Right)
            return Span(TFrameSide::Right, B.Top, B.Bottom, P.Top, P.Bottom);
        return {};
    }
    if (Inside(P.Top, B.Top, B.Bottom) && P.Top > B.Top)
        return Span(TFrameSide::Top, B.Left, B.Right, P.Left, P.Right);
    if (Inside(P.Bottom - 1, B.Top, B.Bottom) && P.Bottom < B.Bottom)
        return Span(TFrameSide::Bottom, B.Left, B.Right, P.Left, P.Right);
    return {};
}

// What is left of a shadow strip where Cover lies over it: the longer end.
TRect Uncovered(const TRect &Strip, bool Vertical, const TRect &Cover)
{
    if (Intersection(Strip, Cover).Width() <= 0) return Strip;
    TRect Before = Strip, After = Strip;
    if (Vertical) {
        Before.Bottom = std::min<int>(Strip.Bottom, Cover.Top);
        After.Top = std::max<int>(Strip.Top, Cover.Bottom);
        return Before.Height() >= After.Height() ? Before : After;
    }
    Before.Right = std::min<int>(Strip.Right, Cover.Left);
    After.Left = std::max<int>(Strip.Left, Cover.Right);
    return Before.Width() >= After.Width() ? Before : After;
}

// Places a shadow; where it passes over Button nothing is darkened.
void PlaceShadow(TShadow &Shadow, const TRect &R, bool Vertical, const TRect &Button)
{
    Shadow.SetBounds(R.Left, R.Top, std::max<int>(R.Width(), 0), std::max<int>(R.Height(), 0));
    const TRect Over = Intersection(R, Button);
    if (Over.Width() <= 0)
        Shadow.SetExcludedSpan(-1, 0);
    else if (Vertical)
        Shadow.SetExcludedSpan(Over.Top - R.Top, Over.Bottom - 1 - R.Top);
    else
        Shadow.SetExcludedSpan(Over.Left - R.Left, Over.Right - 1 - R.Left);
}

void ShowShadow(TShadow *Shadow)
{
    if (!Shadow || Shadow->Visible() || Shadow->Width() <= 0 || Shadow->Height() <= 0) return;
    // A shadow belongs to no form: its window is made only when it is first shown.
    Shadow->HandleNeeded();
    Shadow->Prepare();
    Shadow->Show();
}

// The one-pixel outline around R, drawn clockwise from the end of the gap to its start.
void OutlineWithGap(HDC DC, const RECT &R, const TFrameGap &Gap, COLORREF Color)
{
    const int L = R.left, T = R.top, Rt = R.right - 1, B = R.bottom - 1;
    const std::array<POINT, 4> Corners{POINT{L, T}, POINT{Rt, T}, POINT{Rt, B}, POINT{L, B}};
    // Along each side clockwise: top left to right, right downwards, bottom leftwards, left
    // upwards.
    const auto Side = static_cast<std::size_t>(Gap.Side);
    POINT GapStart{}, GapEnd{};
    switch (Gap.Side) {
    case TFrameSide::Top:
        GapStart = {L + Gap.First, T};
        GapEnd = {L + Gap.Last, T};
        break;
    case TFrameSide::Right:
        GapStart = {Rt, T + Gap.First};
        GapEnd = {Rt, T + Gap.Last};
        break;
    case TFrameSide::Bottom:
        GapStart = {L + Gap.Last - 1, B};
        GapEnd = {L + Gap.First - 1, B};
        break;
    case TFrameSide::Left:
        GapStart = {L, T + Gap.Last - 1};
        GapEnd = {L, T + Gap.First - 1};
        break;
    }
    std::vector<POINT> Points{GapEnd};
    for (std::size_t I = 1; I <= 4; ++I)
        Points.push_back(Corners[(Side + I) % 4]);
    // The line stops short of its last point, so the gap starts right there.
    Points.push_back(GapStart);
    const HPEN Pen = CreatePen(PS_SOLID, 1, Color);
    const HGDIOBJ Old = SelectObject(DC, Pen);
    PolylineEx(DC, Points, static_cast<int>(Points.size()) - 1);
    SelectObject(DC, Old);
    DeleteObject(Pen);
}

} // namespace

int PopupFrameWidth()
{
    return FrameWidth;
}

// ---- the window --------------------------------------------------------------------------

TTBPopupWindowClass TTBCustomItem::GetPopupWindowClass()
{
    return [](TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item, bool Customizing) {
        return std::make_unique<TTBPopupWindow>(AOwner, ParentView, Item, Customizing);
    };
}

TTBPopupWindow::TTBPopupWindow(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item,
                               bool Customizing, TTBViewClass ViewClass)
    : TCustomControl(AOwner), FViewClass(ViewClass)
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
    FView = FViewClass(AOwner, ParentView, Item, this, false, Customizing, false);
    FView->SetSkin(Own);
    if (Own && Own->Options().Contains(tboShadow)) {
        const bool Joined = JoinsToolbarButton(Own, ParentView);
        for (std::size_t I = 0; I < (Joined ? 4 : 2); ++I) {
            const bool Main = I < 2;
            FShadows[I] = std::make_unique<TShadow>(nullptr, I % 2 == 0, Main, Own->ShadowStyle());
            FShadows[I]->SetCorners(true, Main);
        }
    }
    if (Own) {
        SetColor(Own->Colors()->GetSkinColor(tcPopup));
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
    Params.WindowClass.style |= CS_SAVEBITS | (Skin() ? CS_VREDRAW : 0);
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
    TTBBaseSkin *Skin = DrawsXPLook(this->Skin()) ? this->Skin()
                        : FView->ParentView() && DrawsXPLook(FView->ParentView()->Skin())
                            ? FView->ParentView()->Skin()
                            : nullptr;
    if (Skin && Skin->SkinType() == tbsOfficeXP) {
        const RECT Outline = R;
        // The gap in the outline shows the popup's own colour.
        while (R.right - R.left > 0 && R.left < FrameWidth)
            Frame(DC, R, Skin->RGBColor(cPopup));
        if (const auto Gap = ButtonJoin(this, Skin))
            OutlineWithGap(DC, Outline, *Gap, Skin->RGBColor(cBorder));
        else
            FrameRectRGB(DC, Outline, Skin->RGBColor(cBorder));
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
    const TRect Right(R.Right, R.Top + 4, R.Right + 4, R.Bottom + 4);
    const TRect Bottom(R.Left + 4, R.Bottom, R.Right, R.Bottom + 4);
    const TRect Button = JoinedButton(this, Skin()).value_or(TRect());
    PlaceShadow(*FShadows[0], Right, true, Button);
    PlaceShadow(*FShadows[1], Bottom, false, Button);
    if (FShadows[2]) {
        // The button's own right and bottom edges cast a shadow where the popup and its
        // shadow leave them bare.
        TRect ButtonRight, ButtonBottom;
        if (Button.Width() > 0) {
            ButtonRight = TRect(Button.Right, Button.Top + 4, Button.Right + 4, Button.Bottom + 4);
            ButtonBottom = TRect(Button.Left + 4, Button.Bottom, Button.Right, Button.Bottom + 4);
            for (const TRect &Cover : {R, Right, Bottom}) {
                ButtonRight = Uncovered(ButtonRight, true, Cover);
                ButtonBottom = Uncovered(ButtonBottom, false, Cover);
            }
        }
        PlaceShadow(*FShadows[2], ButtonRight, true, TRect());
        PlaceShadow(*FShadows[3], ButtonBottom, false, TRect());
    }
    if (ForScreen) ShowShadows();
}

void TTBPopupWindow::ShowShadows()
{
    for (const std::size_t I : {2, 3, 0, 1})
        ShowShadow(FShadows[I].get());
}

void TTBPopupWindow::EraseBackground(HDC DC)
{
    const TRect Client = ClientRect();
    TTBBaseSkin *Own = Skin();
    // A chevron's popup holds buttons: no picture column behind them.
    if (DrawsXPLook(Own) && !FView->ChevronParentView()) {
        switch (Own->PopupStyle()) {
        case tbpsGradVert:
        case tbpsGradHorz:
            FillGradient(DC, Client, Own->Colors()->GetSkinColor(tcPopupGradStart),
                         Own->Colors()->GetSkinColor(tcPopupGradEnd),
                         Own->PopupStyle() == tbpsGradVert ? tbgTopBottom : tbgLeftRight);
            break;
        case tbpsDefault:
            FillRectRGB(DC, Client, ColorToRGB(Color()));
            break;
        }
        const int Margin = FView->ViewerCount() ? GetImgListMargin(FView->Viewers(0)) : 0;
        const TRect Column(Client.Left, Client.Top, Client.Left + Margin, Client.Bottom);
        if (Own->ImgBackStyle() != tbimsDefault)
            FillGradient(DC, Column, Own->Colors()->GetSkinColor(tcImgGradStart),
                         Own->Colors()->GetSkinColor(tcImgGradEnd),
                         Own->ImgBackStyle() == tbimsGradVert ? tbgTopBottom : tbgLeftRight);
        else if (Own->SkinType() == tbsOfficeXP)
            FillRectRGB(DC, Column, ColorToRGB(Own->Colors()->GetSkinColor(tcImageList)));
        return;
    }
    FillRectRGB(DC, Client, ColorToRGB(Color()));
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
        const int Side = FrameWidth - (Skin() && Skin()->SkinType() == tbsOfficeXP ? 1 : 0);
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
    if (FLinkSubitems) FLinkSubitems->DoPopup(this, true);
    DoPopup(this, false);
    // Chosen once the handlers are done: one of them may have freed a skin.
    TTBBaseSkin *Skin = nullptr;
    for (TTBBaseSkin *Candidate : {ParentView ? ParentView->Skin() : nullptr, FSkin, DefaultSkin()})
        if (!Skin && Candidate && Candidate->SkinType() != tbsDisabled) Skin = Candidate;
    FrameWidth = Skin ? Skin->GetPopupNCSize() : 3;
    const bool Opposite = ParentView && ParentView->State().Contains(vsOppositePopup);

    // A chevron shows its toolbar's items, those that went off the edge.
    TTBView *ChevronView = GetChevronParentView();
    TTBCustomItem *ToShow = ChevronView ? ChevronView->ParentItem() : this;
    std::unique_ptr<TTBPopupWindow> Window =
        GetPopupWindowClass()(this, ParentView, ToShow, Customizing);
    TTBView *View = Window->View();
    if (ChevronView) View->SetChevronParentView(ChevronView);
    // The frame exists once the window does, and the view sizes the window around it.
    Window->HandleNeeded();
    RecalcFrame(Window->WindowHandle());

    TRect ParentRect, WorkArea;
    if (!ParentView) {
        ParentRect = TRect(PopupPoint.X, PopupPoint.Y, PopupPoint.X, PopupPoint.Y);
        WorkArea = GetRectOfMonitorContainingPoint(PopupPoint, true);
    } else {
        ParentView->ValidatePositions();
        ParentRect = ScreenRectOf(ParentView, ParentViewer);
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

    if (Y + H > WorkArea.Bottom) {
        // A menu beside an upright bar keeps level with its button as far as the work area lets it.
        const int Y2 = (PositionAsSubmenu ? ParentRect.Bottom + FrameWidth : ParentRect.Top) - H;
        if (!VerticalParent && Y2 >= WorkArea.Top) {
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
        // The other side of the button is taken when it fits and the first one hides more
        // of the bar or lies over the button itself.
        auto BetterThanHere = [&](int X2, int Y2) {
            const TRect Here = Bounds(X, Y, W, H);
            return CoveredViewers(ParentView, Bounds(X2, Y2, W, H)) <
                       CoveredViewers(ParentView, Here) ||
                   Overlaps(Here, ParentRect);
        };
        if (VerticalParent) {
            if (ParentRect.Right + W <= WorkArea.Right && BetterThanHere(ParentRect.Right, Y)) {
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
            if (Y2 >= WorkArea.Top && BetterThanHere(X, Y2)) {
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

    if (JoinsToolbarButton(Skin, ParentView)) {
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
    : TPopupMenu(AOwner), FItems(MakeComponent<TTBRootItem>(GetRootItemClass(), nullptr))
{
    TBRegisterItemClasses();
    FItems->SetParentComponentLink(this);
    FItems->OnClick = [this](TObject *) { DoPopup(this); };
}

TTBPopupMenu::~TTBPopupMenu() = default;

TTBBaseSkin *TTBPopupMenu::Skin() const
{
    return FSkin ? FSkin : DefaultSkin();
}

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

void TTBPopupMenu::GetChildren(TGetChildProc Proc, TComponent *Root)
{
    FItems->GetChildren(Proc, Root);
}

void TTBPopupMenu::SetChildOrder(TComponent *Child, int Order)
{
    FItems->SetChildOrder(Child, Order);
}

void TTBPopupMenu::Popup(int X, int Y)
{
    static constexpr TTBPopupAlignment Alignments[] = {tbpaLeft, tbpaRight, tbpaCenter};
    FItems->Popup(X, Y, TrackButton() == tbRightButton, Alignments[Alignment()]);
}

void TTBPopupMenu::Publish(rtl::Publisher<TTBPopupMenu> &P)
{
    P.Property("Alignment", &TTBPopupMenu::Alignment, &TTBPopupMenu::SetAlignment).Default(paLeft);
    P.Property("AutoPopup", &TTBPopupMenu::AutoPopup, &TTBPopupMenu::SetAutoPopup).Default(true);
    P.Property("Images", &TTBPopupMenu::Images, &TTBPopupMenu::SetImages);
    P.Property("Items", &TTBPopupMenu::Items);
    P.Property("LinkSubitems", &TTBPopupMenu::LinkSubitems, &TTBPopupMenu::SetLinkSubitems);
    P.Property("Options", &TTBPopupMenu::Options, &TTBPopupMenu::SetOptions);
    P.Property("Skin", &TTBPopupMenu::Skin, &TTBPopupMenu::SetSkin);
    P.Property("TrackButton", &TTBPopupMenu::TrackButton, &TTBPopupMenu::SetTrackButton)
        .Default(tbRightButton);
    P.Event("OnPopup", &TTBPopupMenu::OnPopup);
}
QRV4_PUBLISHED(TTBPopupMenu)
