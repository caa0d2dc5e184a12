#include "menus/TB2Common.h"
#include "menus/TB2Dock.h"

#include <memory>

namespace
{

// The system's small caption font, shared by the floating frames and refreshed whenever
// one of them measures its frame.
class SmallCaptionFont
{
public:
    ~SmallCaptionFont()
    {
        if (FFont) DeleteObject(FFont);
    }
    void Refresh()
    {
        NONCLIENTMETRICSW Metrics{};
        Metrics.cbSize = sizeof(Metrics);
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0)) return;
        if (FFont) DeleteObject(FFont);
        FFont = CreateFontIndirectW(&Metrics.lfSmCaptionFont);
    }
    HFONT Handle()
    {
        if (!FFont) Refresh();
        return FFont;
    }

private:
    HFONT FFont{};
};

SmallCaptionFont &SharedCaptionFont()
{
    static SmallCaptionFont Font;
    return Font;
}

// The close glyph of the skinned captions, 8 x 7, one byte per row, high bit left.
constexpr BYTE CloseGlyph[7] = {0xC3, 0x66, 0x3C, 0x18, 0x3C, 0x66, 0xC3};

void DrawCloseGlyph(HDC DC, const RECT &Square, COLORREF Color)
{
    const int X = Square.left + (Square.right - Square.left - 8) / 2;
    const int Y = Square.top + (Square.bottom - Square.top - 7) / 2 - 1;
    DrawGlyphRows(DC, CloseGlyph, 7, X, Y, Color);
}

} // namespace

TTBFloatingWindowParent::TTBFloatingWindowParent(TComponent *AOwner) : TCustomForm(AOwner)
{
    SetBorderStyle(bsToolWindow);
    SetVisible(false);
}

TTBFloatingWindowParent::~TTBFloatingWindowParent()
{
    SetParentForm(nullptr);
}

void TTBFloatingWindowParent::SetParentForm(TCustomForm *Value)
{
    if (Value == FParentForm) return;
    if (FParentForm) FParentForm->RemoveFreeNotification(this);
    FParentForm = Value;
    if (Value) Value->FreeNotification(this);
}

void TTBFloatingWindowParent::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FParentForm) FParentForm = nullptr;
}

void TTBFloatingWindowParent::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
    Params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
    if (FDockableWindow && FDockableWindow->Resizable()) Params.Style |= WS_THICKFRAME;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    if (FParentForm && FParentForm->HandleAllocated()) Params.WndParent = FParentForm->Handle();
}

void TTBFloatingWindowParent::CreateWnd()
{
    inherited::CreateWnd();
    // The window was measured by the default frame while it was being made.
    RecalcFrame(FHandle);
}

void TTBFloatingWindowParent::AlignControls(TControl *, TRect &) {}

TRect TTBFloatingWindowParent::GetCaptionRect(bool AdjustForBorder, bool MinusCloseButton) const
{
    const int Height = GetSystemMetrics(SM_CYSMCAPTION) - 1;
    RECT Client{};
    if (FHandle) ::GetClientRect(FHandle, &Client);
    TRect R(0, 0, Client.right, Height);
    if (AdjustForBorder && FDockableWindow) {
        const TPoint Border = FDockableWindow->GetFloatingBorderSize();
        R = TRect(R.Left + Border.X, R.Top + Border.Y, R.Right + Border.X, R.Bottom + Border.Y);
    }
    if (MinusCloseButton) R.Right -= Height;
    return R;
}

TRect TTBFloatingWindowParent::GetCloseButtonRect(bool AdjustForBorder) const
{
    const TRect Caption = GetCaptionRect(AdjustForBorder, false);
    const int Side = GetSystemMetrics(SM_CYSMCAPTION) - 1;
    return TRect(Caption.Right - Side, Caption.Top, Caption.Right, Caption.Top + Side);
}

LRESULT TTBFloatingWindowParent::HitTest(const TPoint &ScreenPoint) const
{
    RECT Window;
    GetWindowRect(FHandle, &Window);
    const int X = ScreenPoint.X - Window.left, Y = ScreenPoint.Y - Window.top;
    const int W = Window.right - Window.left, H = Window.bottom - Window.top;
    if (X < 0 || Y < 0 || X >= W || Y >= H) return HTNOWHERE;
    POINT Client{0, 0};
    ::ClientToScreen(FHandle, &Client);
    RECT ClientRect;
    ::GetClientRect(FHandle, &ClientRect);
    OffsetRect(&ClientRect, Client.x, Client.y);
    if (PtInRect(&ClientRect, POINT{ScreenPoint.X, ScreenPoint.Y})) return HTCLIENT;
    if (!FDockableWindow) return HTNOWHERE;
    if (FDockableWindow->ShowCaption()) {
        if (FDockableWindow->CloseButton() && GetCloseButtonRect(true).Contains(X, Y))
            return HT_TB2k_Close;
        if (GetCaptionRect(true, false).Contains(X, Y)) return HT_TB2k_Caption;
    }
    if (!FDockableWindow->Resizable()) return HTNOWHERE;
    const TPoint Border = FDockableWindow->GetFloatingBorderSize();
    if (FDockableWindow->DockableWindowStyles().Contains(tbdsResizeEightCorner)) {
        const int C = GetSystemMetrics(SM_CYSMCAPTION) - 1 + Border.Y;
        if (X < Border.X) return Y < C ? HTTOPLEFT : Y >= H - C ? HTBOTTOMLEFT : HTLEFT;
        if (X >= W - Border.X - 1) return Y < C ? HTTOPRIGHT : Y >= H - C ? HTBOTTOMRIGHT : HTRIGHT;
        if (Y < Border.Y) return X < C ? HTTOPLEFT : X >= W - C ? HTTOPRIGHT : HTTOP;
        if (Y >= H - Border.Y - 1)
            return X < C ? HTBOTTOMLEFT : X >= W - C ? HTBOTTOMRIGHT : HTBOTTOM;
    } else {
        if (Y < Border.Y) return HTTOP;
        if (Y >= H - Border.Y - 1) return HTBOTTOM;
        if (X < Border.X) return HTLEFT;
        if (X >= W - Border.X - 1) return HTRIGHT;
    }
    return HTNOWHERE;
}

void TTBFloatingWindowParent::RedrawNCArea(TTBToolWindowNCRedrawWhat RedrawWhat)
{
    if (HandleAllocated() && IsWindowVisible(FHandle))
        DrawNCArea(false, nullptr, nullptr, RedrawWhat);
}

void TTBFloatingWindowParent::SetCloseButtonState(bool Pushed)
{
    if (Pushed == FCloseButtonDown) return;
    FCloseButtonDown = Pushed;
    RedrawNCArea({twrdCloseButton});
}

void TTBFloatingWindowParent::DrawNCArea(bool DrawToDC, HDC ADC, HRGN Clip,
                                         TTBToolWindowNCRedrawWhat RedrawWhat)
{
    if (!FDockableWindow || !HandleAllocated()) return;
    const HDC DC = DrawToDC ? ADC : GetWindowDC(FHandle);
    if (!DrawToDC && Clip) SelectNCUpdateRgn(FHandle, DC, Clip);
    const int Saved = SaveDC(DC);
    TPoint TopLeft, BottomRight;
    FDockableWindow->GetFloatingNCArea(TopLeft, BottomRight);
    RECT Window;
    GetWindowRect(FHandle, &Window);
    const RECT R{0, 0, Window.right - Window.left, Window.bottom - Window.top};
    ExcludeClipRect(DC, TopLeft.X, TopLeft.Y, R.right - BottomRight.X, R.bottom - BottomRight.Y);

    TTBBaseSkin *Skin = ActiveSkin(FDockableWindow->Skin());
    const TTBSkins Type = Skin ? Skin->SkinType() : tbsDisabled;
    const COLORREF Face = ColorToRGB(FDockableWindow->Color());
    const bool Active = !FDockableWindow->FInactiveCaption;
    if (RedrawWhat.Contains(twrdBorder)) {
        if (Type == tbsOfficeXP) {
            FillRectRGB(DC, R, Skin->RGBColor(cFace));
            FrameRectRGB(DC, R, Face);
            RECT Inner = R;
            InflateRect(&Inner, -1, -1);
            FrameRectRGB(DC, Inner, Skin->RGBColor(cDockBorderOut));
            for (POINT P : {POINT{0, 0}, POINT{R.right - 1, 0}, POINT{0, R.bottom - 1},
                            POINT{R.right - 1, R.bottom - 1}})
                SetPixelV(DC, P.x, P.y, Skin->RGBColor(cDockBorderIn));
        } else {
            FillRectRGB(DC, R, GetSysColor(COLOR_BTNFACE));
            RECT Edge = R;
            DrawEdge(DC, &Edge, EDGE_RAISED, BF_RECT);
        }
    }
    if (FDockableWindow->ShowCaption()) {
        const RECT Caption = GetCaptionRect(true, false);
        const RECT Close = GetCloseButtonRect(true);
        const bool HasClose = FDockableWindow->CloseButton();
        if (RedrawWhat.Contains(twrdCaption)) {
            RECT Text = GetCaptionRect(true, HasClose);
            const AnsiString Title = FDockableWindow->Caption();
            if (!Skin) {
                UINT Flags = DC_TEXT | DC_SMALLCAP | (Active ? DC_ACTIVE : 0);
                BOOL Gradient = FALSE;
                SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &Gradient, 0);
                if (Gradient) Flags |= DC_GRADIENT;
                const int ClipSave = SaveDC(DC);
                if (HasClose) ExcludeClipRect(DC, Close.left, Close.top, Close.right, Close.bottom);
                DrawCaption(FHandle, DC, &Caption, Flags);
                RestoreDC(DC, ClipSave);
                FillRectRGB(DC,
                            RECT{Caption.left, Caption.bottom, Caption.right, Caption.bottom + 1},
                            GetSysColor(COLOR_BTNFACE));
            } else {
                if (Type == tbsOfficeXP) {
                    FillRectRGB(DC, Caption, ColorToRGB(Skin->Colors()->GetSkinColor(16)));
                } else {
                    FillRectRGB(DC, Caption, Face);
                    const HBRUSH Brush =
                        CreateSolidBrush(ColorToRGB(Skin->Colors()->GetSkinColor(7)));
                    const HPEN Pen =
                        CreatePen(PS_SOLID, 1, ColorToRGB(Skin->Colors()->GetSkinColor(8)));
                    const HGDIOBJ OldBrush = SelectObject(DC, Brush);
                    const HGDIOBJ OldPen = SelectObject(DC, Pen);
                    RoundRect(DC, Caption.left, Caption.top, Caption.right, Caption.bottom, 6, 6);
                    SelectObject(DC, OldBrush);
                    SelectObject(DC, OldPen);
                    DeleteObject(Brush);
                    DeleteObject(Pen);
                }
                SetBkMode(DC, TRANSPARENT);
                SetTextColor(DC, ColorToRGB(Skin->Colors()->GetSkinColor(27)));
                const HGDIOBJ OldFont =
                    SelectObject(DC, Skin->ParentFont() ? SharedCaptionFont().Handle()
                                                        : Skin->CaptionFont()->Handle());
                static constexpr UINT Aligns[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
                InflateRect(&Text, -2, 0);
                DrawTextA(DC, Title.c_str(), Title.Length(), &Text,
                          DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX |
                              Aligns[FDockableWindow->DockTextAlign()]);
                SelectObject(DC, OldFont);
                FillRectRGB(DC,
                            RECT{Caption.left, Caption.bottom, Caption.right, Caption.bottom + 1},
                            Skin->RGBColor(cDockBorderOut));
            }
        }
        if (HasClose && RedrawWhat.Contains(twrdCloseButton)) {
            if (!Skin) {
                RECT Button = Close;
                DrawFrameControl(DC, &Button, DFC_CAPTION,
                                 DFCS_CAPTIONCLOSE | (FCloseButtonDown ? DFCS_PUSHED : 0));
            } else {
                if (Type == tbsOfficeXP && FCloseButtonHover && !FCloseButtonDown) {
                    RECT Hot = Close;
                    InflateRect(&Hot, 2, 2);
                    Hot.bottom -= 2;
                    FillRectRGB(DC, Hot, ColorToRGB(Skin->Colors()->GetSkinColor(7)));
                    FrameRectRGB(DC, Hot, ColorToRGB(Skin->Colors()->GetSkinColor(8)));
                }
                const COLORREF Glyph = FCloseButtonDown
                                           ? Skin->RGBColor(cHighlightText)
                                           : ColorToRGB(Skin->Colors()->GetSkinColor(27));
                DrawCloseGlyph(DC, Close, Glyph);
            }
        }
    }
    RestoreDC(DC, Saved);
    if (!DrawToDC) ReleaseDC(FHandle, DC);
}

void TTBFloatingWindowParent::HandleNCButtonDown(TMessage &Message)
{
    const auto Code = static_cast<LRESULT>(Message.WParam);
    const TPoint Screen(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    if (!FDockableWindow) {
        inherited::WndProc(Message);
        return;
    }
    if (Code >= HTLEFT && Code <= HTBOTTOMRIGHT && FDockableWindow->Resizable()) {
        FDockableWindow->BeginSizing(static_cast<TTBSizeHandle>(Code - HTLEFT));
    } else if (Code == HT_TB2k_Close) {
        RECT Window;
        GetWindowRect(FHandle, &Window);
        RECT Button = GetCloseButtonRect(true);
        OffsetRect(&Button, Window.left, Window.top);
        TTBCustomDockableWindow *Bar = FDockableWindow;
        if (TTBCustomDockableWindow::TrackCloseButton(
                FHandle, Button, [this](bool Pushed) { SetCloseButtonState(Pushed); }))
            Bar->Close();
    } else if (Code == HT_TB2k_Caption) {
        const TPoint P = FDockableWindow->ScreenToClient(Screen);
        FDockableWindow->BeginMoving(P.X, P.Y);
    } else {
        inherited::WndProc(Message);
    }
}

void TTBFloatingWindowParent::HandleActivate(TMessage &Message)
{
    if (ComponentState().Contains(csDesigning) || !FParentForm) return;
    const bool Activating = LOWORD(Message.WParam) != WA_INACTIVE;
    if (FParentForm->HandleAllocated())
        SendMessageW(FParentForm->Handle(), WM_NCACTIVATE, Activating, 0);
    if (!Activating) return;
    const HWND Losing = reinterpret_cast<HWND>(Message.LParam);
    if (!IsWindowVisible(FHandle)) {
        PassActivationOn(FHandle);
        return;
    }
    if (FParentForm->HandleAllocated() && FParentForm->Handle() != Losing)
        SetActiveWindow(FParentForm->Handle());
}

void TTBFloatingWindowParent::HandleMouseActivate(TMessage &Message)
{
    if (ComponentState().Contains(csDesigning)) {
        inherited::WndProc(Message);
        return;
    }
    Message.Result = MA_NOACTIVATE;
    SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (FDockableWindow && FDockableWindow->FloatingMode() == fmOnTopOfParentForm &&
        FDockableWindow->ActivateParent() && GetActiveWindow() != FHandle && FParentForm &&
        FParentForm->HandleAllocated() && GetActiveWindow() != FParentForm->Handle())
        SetActiveWindow(FParentForm->Handle());
}

void TTBFloatingWindowParent::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_GETMINMAXINFO: {
        auto *Info = reinterpret_cast<MINMAXINFO *>(Message.LParam);
        Info->ptMinTrackSize = POINT{1, 1};
        Info->ptMaxTrackSize = POINT{32767, 32767};
        return;
    }
    case CM_VISIBLECHANGED:
    case CM_SHOWINGCHANGED:
        if (HandleAllocated()) {
            const bool Show = Visible() && FShouldShow;
            SetWindowPos(FHandle, {}, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                             (Show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        }
        return;
    case CM_DIALOGKEY:
        if (Message.WParam == static_cast<WPARAM>(VK_ESCAPE) &&
            KeyboardStateToShiftState().Empty() && FParentForm) {
            FParentForm->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    case CM_TEXTCHANGED:
        inherited::WndProc(Message);
        RedrawNCArea({twrdCaption});
        return;
    case WM_NCMOUSEMOVE: {
        inherited::WndProc(Message);
        CallTrackMouseEvent(FHandle, TME_LEAVE | TME_NONCLIENT);
        const bool Hover = Message.WParam == static_cast<WPARAM>(HT_TB2k_Close);
        if (Hover != FCloseButtonHover) {
            FCloseButtonHover = Hover;
            RedrawNCArea({twrdCloseButton});
        }
        return;
    }
    case CM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
        if (FCloseButtonHover) {
            FCloseButtonHover = false;
            RedrawNCArea({twrdCloseButton});
        }
        break;
    case WM_NCCALCSIZE: {
        auto *Params = reinterpret_cast<NCCALCSIZE_PARAMS *>(Message.LParam);
        if (FDockableWindow) {
            TPoint TopLeft, BottomRight;
            FDockableWindow->GetFloatingNCArea(TopLeft, BottomRight);
            InsetByFrame(Params->rgrc[0], TopLeft, BottomRight);
        }
        SharedCaptionFont().Refresh();
        Message.Result = 0;
        return;
    }
    case WM_NCPAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT:
        HandleNCPaintMessages(this, Message, [this](bool DrawToDC, HDC DC, HRGN Clip) {
            DrawNCArea(DrawToDC, DC, Clip, {twrdBorder, twrdCaption, twrdCloseButton});
        });
        return;
    case WM_NCHITTEST:
        Message.Result =
            HitTest(TPoint(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
        return;
    case WM_NCLBUTTONDOWN:
        HandleNCButtonDown(Message);
        return;
    case WM_NCLBUTTONDBLCLK:
        if (Message.WParam == static_cast<WPARAM>(HT_TB2k_Caption) && FDockableWindow) {
            FDockableWindow->DoubleClick();
            return;
        }
        break;
    case WM_NCRBUTTONUP:
        if (FDockableWindow) {
            FDockableWindow->ShowNCContextMenu(
                TPoint(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
            return;
        }
        break;
    case WM_CLOSE:
        // Closing the frame (Alt+F4) closes the form the bar belongs to.
        if (FParentForm && FParentForm->HandleAllocated())
            SendMessageW(FParentForm->Handle(), WM_CLOSE, 0, 0);
        return;
    case WM_ACTIVATE:
        HandleActivate(Message);
        return;
    case WM_MOUSEACTIVATE:
        HandleMouseActivate(Message);
        return;
    case WM_MOVE:
        inherited::WndProc(Message);
        if (FDockableWindow && FDockableWindow->Parent() == this) {
            RECT Window;
            GetWindowRect(FHandle, &Window);
            FDockableWindow->FFloatingPosition = TPoint(Window.left, Window.top);
            FDockableWindow->Moved();
        }
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}
