#include "platform/vcl/ComCtrls.h"

#include "platform/vcl/Forms.h"
#include "platform/win/Paint.h"

#include <algorithm>
#include <cmath>

// ---- TTabSheet ----------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent *AOwner) : TWinControl(AOwner)
{
    FControlStyle << csAcceptsControls;
    SetVisible(false);
    SetAlign(alClient);
}

TTabSheet::~TTabSheet()
{
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl *Value)
{
    if (Value == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    SetParent(Value);
    if (Value) Value->InsertPage(this);
}

int TTabSheet::PageIndex() const
{
    if (!FPageControl) return -1;
    const auto &pages = FPageControl->FPages;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int Value)
{
    if (!FPageControl) return;
    auto &pages = FPageControl->FPages;
    std::erase(pages, this);
    Value = std::clamp(Value, 0, static_cast<int>(pages.size()));
    pages.insert(pages.begin() + Value, this);
    FPageControl->Invalidate();
}

void TTabSheet::SetTabVisible(bool Value)
{
    FTabVisible = Value;
    if (FPageControl) FPageControl->Invalidate();
}

void TTabSheet::SetImageIndex(int Value)
{
    FImageIndex = Value;
    if (FPageControl) FPageControl->Invalidate();
}

void TTabSheet::WndProc(TMessage &Message)
{
    if (Message.Msg == CM_TEXTCHANGED && FPageControl) FPageControl->Invalidate();
    inherited::WndProc(Message);
}

// ---- TPageControl -----------------------------------------------------------------------------

namespace
{

constexpr int TabPadding = 6;

} // namespace

TPageControl::TPageControl(TComponent *AOwner)
    : TCustomControl(AOwner), FImageChangeLink(std::make_unique<TChangeLink>())
{
    FControlStyle << csAcceptsControls;
    FImageChangeLink->OnChange = [this](TObject *) {
        PlaceActivePage();
        Invalidate();
    };
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl()
{
    // The sheets are owned by the form; they only leave this control.
    for (TTabSheet *page : std::vector<TTabSheet *>(FPages))
        page->FPageControl = nullptr;
    FPages.clear();
}

void TPageControl::InsertPage(TTabSheet *Page)
{
    FPages.push_back(Page);
    Page->FPageControl = this;
    if (!FActivePage) SetActivePage(Page);
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet *Page)
{
    TTabSheet *next = FActivePage == Page ? FindNextPage(Page, true, false) : FActivePage;
    if (next == Page) next = nullptr;
    std::erase(FPages, Page);
    Page->FPageControl = nullptr;
    if (FActivePage == Page) {
        FActivePage = nullptr;
        SetActivePage(next);
    }
    Invalidate();
}

void TPageControl::SetActivePage(TTabSheet *Page)
{
    if (Page && Page->FPageControl != this) return;
    if (Page == FActivePage) return;
    TTabSheet *old = FActivePage;
    FActivePage = Page;
    if (Page) {
        PlaceActivePage();
        Page->BringToFront();
        Page->SetVisible(true);
    }
    if (old) old->SetVisible(false);
    Invalidate();
}

int TPageControl::ActivePageIndex() const
{
    return FActivePage ? FActivePage->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int Value)
{
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[Value] : nullptr);
}

void TPageControl::SetImages(TCustomImageList *Value)
{
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    PlaceActivePage();
    Invalidate();
}

// The tab row's height follows the images and the font, and the page stands below it.
void TPageControl::PlaceActivePage()
{
    if (!FActivePage) return;
    const TRect r = DisplayRect();
    FActivePage->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TPageControl::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        PlaceActivePage();
    }
}

void TPageControl::SetTabHeight(int Value)
{
    FTabHeight = Value;
    Realign();
    PlaceActivePage();
    Invalidate();
}

TTabSheet *TPageControl::FindNextPage(TTabSheet *CurPage, bool GoForward, bool CheckTabVisible)
{
    const int count = PageCount();
    if (count == 0) return nullptr;
    int start = CurPage ? CurPage->PageIndex() : (GoForward ? count - 1 : 0);
    if (start < 0) start = GoForward ? count - 1 : 0;
    int i = start;
    for (int n = 0; n < count; ++n) {
        i = GoForward ? (i + 1) % count : (i + count - 1) % count;
        if (!CheckTabVisible || FPages[i]->TabVisible()) return FPages[i];
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward)
{
    if (TTabSheet *page = FindNextPage(FActivePage, GoForward, true); page && page != FActivePage)
        ChangeActivePage(page);
}

bool TPageControl::CanChange()
{
    bool allowChange = true;
    if (OnChanging) OnChanging(this, allowChange);
    return allowChange;
}

void TPageControl::Change()
{
    if (OnChange) OnChange(this);
}

void TPageControl::ChangeActivePage(TTabSheet *Page)
{
    if (Page == FActivePage || !CanChange()) return;
    TCustomForm *form = GetParentForm(this);
    // The focus must not stay behind on the page that is hidden.
    const bool focusOnPage =
        form && FActivePage && FActivePage->ContainsControl(form->ActiveControl());
    SetActivePage(Page);
    if (focusOnPage) FocusFirstOnPage();
    Change();
}

void TPageControl::FocusFirstOnPage()
{
    if (TWinControl *first = FActivePage->FindNextControl(nullptr, true, true, false))
        first->SetFocus();
    else if (CanFocus())
        SetFocus();
}

bool TPageControl::FocusWithin()
{
    TCustomForm *form = GetParentForm(this);
    return Focused() || (form && ContainsControl(form->ActiveControl()));
}

namespace
{

int TabRowHeight(TPageControl *Control)
{
    if (Control->TabHeight() > 0) return Control->TabHeight();
    const int text = std::abs(Control->Font()->Height()) + 8;
    const int image = Control->Images() ? Control->Images()->Height() + 6 : 0;
    return std::max(text, image);
}

} // namespace

TRect TPageControl::DisplayRect()
{
    const TRect client = ClientRect();
    return TRect(client.Left + 4, client.Top + TabRowHeight(this) + 4, client.Right - 4,
                 client.Bottom - 4);
}

TRect TPageControl::TabRect(int Index)
{
    if (Index < 0 || Index >= PageCount() || !FPages[Index]->TabVisible()) return {};
    HDC dc = GetDC({});
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Font()->Assign(Font());
    int x = 2;
    TRect result;
    for (int i = 0; i <= Index; ++i) {
        if (!FPages[i]->TabVisible()) continue;
        int width = canvas.TextWidth(FPages[i]->Caption()) + 2 * TabPadding;
        if (FImages && FPages[i]->ImageIndex() >= 0) width += FImages->Width() + 3;
        result = TRect(x, 2, x + width, 2 + TabRowHeight(this));
        x += width;
    }
    canvas.SetHandle(nullptr);
    ReleaseDC({}, dc);
    return result;
}

int TPageControl::IndexOfTabAt(int X, int Y)
{
    for (int i = 0; i < PageCount(); ++i)
        if (TabRect(i).Contains(X, Y)) return i;
    return -1;
}

void TPageControl::AlignControls(TControl *AControl, TRect &Rect)
{
    Rect = DisplayRect();
    inherited::AlignControls(AControl, Rect);
}

void TPageControl::Paint()
{
    TCanvas *canvas = Canvas();
    const TRect client = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(client);
    const int tabsBottom = TabRowHeight(this) + 2;
    RECT frame{client.Left, tabsBottom, client.Right, client.Bottom};
    DrawEdge(canvas->Handle(), &frame, EDGE_RAISED, BF_RECT);
    for (int i = 0; i < PageCount(); ++i) {
        TRect r = TabRect(i);
        if (r.Width() == 0) continue;
        const bool active = FPages[i] == FActivePage;
        if (active) r = TRect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 1);
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(r);
        RECT edge = r;
        DrawEdge(canvas->Handle(), &edge, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
        int x = r.Left + TabPadding;
        if (FImages && FPages[i]->ImageIndex() >= 0) {
            FImages->Draw(canvas, x, r.Top + (r.Height() - FImages->Height()) / 2,
                          FPages[i]->ImageIndex(), FPages[i]->Enabled());
            x += FImages->Width() + 3;
        }
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsClear);
        canvas->TextOut(x, r.Top + (r.Height() - canvas->TextHeight("Wg")) / 2,
                        FPages[i]->Caption());
        canvas->Brush()->SetStyle(bsSolid);
        if (active && Focused()) {
            const TRect focus(r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3);
            canvas->DrawFocusRect(focus);
        }
    }
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        const int index = IndexOfTabAt(X, Y);
        if (index >= 0) {
            if (CanFocus() && !Focused()) SetFocus();
            ChangeActivePage(FPages[index]);
        }
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TPageControl::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (Key == VK_RIGHT || Key == VK_LEFT) SelectNextPage(Key == VK_RIGHT);
}

void TPageControl::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        return;
    case CM_DIALOGKEY:
        // Ctrl+Tab turns the pages from any control on them, as it does from the tabs.
        if (Message.WParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 && FocusWithin()) {
            SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
            Message.Result = 1;
            return;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    case WM_SIZE:
    case CM_FONTCHANGED:
        inherited::WndProc(Message);
        PlaceActivePage();
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}

// ---- TStatusBar ------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent *AOwner) : TCustomControl(AOwner)
{
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusPanel::SetText(const AnsiString &Value)
{
    if (Value == FText) return;
    FText = Value;
    FBar->TextChanged();
}

void TStatusPanel::SetWidth(int Value)
{
    FWidth = Value;
    FBar->Invalidate();
}

TStatusPanel *TStatusBar::AddPanel()
{
    FPanels.push_back(std::make_unique<TStatusPanel>(this));
    Invalidate();
    return FPanels.back().get();
}

void TStatusBar::SetSimplePanel(bool Value)
{
    FSimplePanel = Value;
    TextChanged();
}

void TStatusBar::SetSimpleText(const AnsiString &Value)
{
    if (Value == FSimpleText) return;
    FSimpleText = Value;
    TextChanged();
}

void TStatusBar::TextChanged()
{
    Invalidate();
    if (Application) Application->RefreshHint(this);
}

void TStatusBar::SetSizeGrip(bool Value)
{
    FSizeGrip = Value;
    Invalidate();
}

void TStatusBar::Paint()
{
    // The whole bar takes the colour, so a status shows as a coloured band.
    TCanvas *canvas = Canvas();
    const TRect client = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(client);
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    if (FSimplePanel || FPanels.empty()) {
        PaintText(canvas, FSimplePanel ? FSimpleText : Caption(), client);
        return;
    }
    for (std::size_t i = 0; i < FPanels.size(); ++i)
        PaintText(canvas, FPanels[i]->Text(), PanelBox(i));
}

TRect TStatusBar::PanelBox(std::size_t Index)
{
    TRect box = ClientRect();
    for (std::size_t i = 0;; ++i) {
        const bool last = i + 1 == FPanels.size();
        box.Right = last ? ClientRect().Right
                         : std::min(box.Left + FPanels[i]->Width(), ClientRect().Right);
        if (i == Index || last) return box;
        box.Left = box.Right + 2;
    }
}

TRect TStatusBar::TextBox(const TRect &Box)
{
    return TRect(Box.Left + 4, Box.Top + 2, Box.Right - 4, Box.Bottom);
}

void TStatusBar::PaintText(TCanvas *Canvas, const AnsiString &Text, const TRect &Box)
{
    RECT edge{Box.Left, Box.Top + 2, Box.Right, Box.Bottom};
    DrawEdge(Canvas->Handle(), &edge, BDR_SUNKENOUTER, BF_RECT);
    const TRect text = TextBox(Box);
    RECT r{text.Left, text.Top, text.Right, text.Bottom};
    DrawTextA(Canvas->Handle(), Text.c_str(), Text.Length(), &r,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

AnsiString TStatusBar::TextAt(int X, TRect &Box)
{
    Box = ClientRect();
    if (FSimplePanel || FPanels.empty()) return FSimplePanel ? FSimpleText : Caption();
    for (std::size_t i = 0; i < FPanels.size(); ++i) {
        Box = PanelBox(i);
        if (X < Box.Right) return FPanels[i]->Text();
    }
    return FPanels.back()->Text();
}

bool TStatusBar::TextCut(const AnsiString &Text, const TRect &Box)
{
    TCanvas *canvas = Canvas();
    canvas->Font()->Assign(Font());
    return canvas->TextWidth(Text) > TextBox(Box).Width();
}

void TStatusBar::WndProc(TMessage &Message)
{
    inherited::WndProc(Message);
    if (Message.Msg == CM_TEXTCHANGED) TextChanged();
    if (Message.Msg != CM_HINTSHOW) return;
    auto &info = *reinterpret_cast<THintInfo *>(Message.LParam);
    TRect box;
    const AnsiString text = TextAt(info.CursorPos.X, box);
    if (!TextCut(text, box)) return;
    // A message is read at the reader's pace: the hint stays until the mouse leaves, as wide
    // as the text's own box.
    info.HintStr = text.Trim();
    info.HintPos.X = ClientToScreen(box.TopLeft()).X;
    info.HintMaxWidth = TextBox(box).Width();
    info.HideTimeout = 0;
    info.CursorRect = box;
}

// ---- TProgressBar -----------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent *AOwner) : TWinControl(AOwner)
{
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetMin(int Value)
{
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    SetPosition(FPosition);
    Invalidate();
}

void TProgressBar::SetMax(int Value)
{
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    SetPosition(FPosition);
    Invalidate();
}

void TProgressBar::SetPosition(int Value)
{
    Value = std::clamp(Value, FMin, FMax);
    if (Value == FPosition) return;
    FPosition = Value;
    // A step too small to move the bar by a pixel leaves what is painted as it is: a bar
    // counting a thousand cells over three hundred pixels.
    if (FPaintedLength > 0 && FilledLength(FPaintedLength) == FPaintedFilled) return;
    Invalidate();
}

int TProgressBar::FilledLength(int Length) const
{
    const int range = std::max(1, FMax - FMin);
    return static_cast<int>(static_cast<long long>(FPosition - FMin) * Length / range);
}

void TProgressBar::SetSmooth(bool Value)
{
    FSmooth = Value;
    Invalidate();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value)
{
    FOrientation = Value;
    Invalidate();
}

void TProgressBar::StepIt()
{
    StepBy(FStep);
}

void TProgressBar::StepBy(int Delta)
{
    const long long next = static_cast<long long>(FPosition) + Delta;
    SetPosition(static_cast<int>(std::clamp<long long>(next, FMin, FMax)));
}

void TProgressBar::PaintWindow(HDC DC)
{
    const TRect client = ClientRect();
    RECT edge = client;
    DrawEdge(DC, &edge, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    const TRect inner(edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1);
    const bool vertical = FOrientation == pbVertical;
    const int length = vertical ? inner.Height() : inner.Width();
    const int filled = FilledLength(length);
    FPaintedLength = length;
    FPaintedFilled = filled;
    HBRUSH brush = CreateSolidBrush(ColorToRGB(clHighlight));
    if (FSmooth) {
        const RECT bar = vertical
                             ? RECT{inner.Left, inner.Bottom - filled, inner.Right, inner.Bottom}
                             : RECT{inner.Left, inner.Top, inner.Left + filled, inner.Bottom};
        FillRect(DC, &bar, brush);
    } else {
        // Blocks as wide as two thirds of the bar's height, two pixels apart.
        const int block = std::max(2, (vertical ? inner.Width() : inner.Height()) * 2 / 3);
        for (int at = 0; at < filled; at += block + 2) {
            const int end = std::min(at + block, length);
            const RECT bar =
                vertical ? RECT{inner.Left, inner.Bottom - end, inner.Right, inner.Bottom - at}
                         : RECT{inner.Left + at, inner.Top, inner.Left + end, inner.Bottom};
            FillRect(DC, &bar, brush);
        }
    }
    DeleteObject(brush);
}

// ---- TTrackBar ---------------------------------------------------------------------------------

TTrackBar::TTrackBar(TComponent *AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 150, 45);
}

void TTrackBar::SetMin(int Value)
{
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    SetPosition(FPosition);
    Invalidate();
}

void TTrackBar::SetMax(int Value)
{
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    SetPosition(FPosition);
    Invalidate();
}

void TTrackBar::SetPosition(int Value)
{
    Value = std::clamp(Value, FMin, FMax);
    if (Value == FPosition) return;
    FPosition = Value;
    Invalidate();
    Changed();
}

void TTrackBar::SetFrequency(int Value)
{
    FFrequency = std::max(Value, 1);
    Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value)
{
    FOrientation = Value;
    Invalidate();
}

void TTrackBar::Changed()
{
    if (OnChange) OnChange(this);
}

namespace
{

constexpr int ThumbLength = 11;
constexpr int ThumbThickness = 21;
constexpr int ChannelInset = 12;

} // namespace

TRect TTrackBar::ChannelRect()
{
    const TRect client = ClientRect();
    if (FOrientation == trVertical)
        return TRect(client.Left + 12, client.Top + ChannelInset, client.Left + 16,
                     client.Bottom - ChannelInset);
    return TRect(client.Left + ChannelInset, client.Top + 12, client.Right - ChannelInset,
                 client.Top + 16);
}

TRect TTrackBar::ThumbRect()
{
    const TRect channel = ChannelRect();
    const int range = std::max(1, FMax - FMin);
    if (FOrientation == trVertical) {
        const int y = channel.Top + (FPosition - FMin) * channel.Height() / range;
        return TRect(channel.Left - 8, y - ThumbLength / 2, channel.Left - 8 + ThumbThickness,
                     y + ThumbLength / 2 + 1);
    }
    const int x = channel.Left + (FPosition - FMin) * channel.Width() / range;
    return TRect(x - ThumbLength / 2, channel.Top - 8, x + ThumbLength / 2 + 1,
                 channel.Top - 8 + ThumbThickness);
}

int TTrackBar::PositionAt(int X, int Y)
{
    const TRect channel = ChannelRect();
    const bool vertical = FOrientation == trVertical;
    const int offset = vertical ? Y - channel.Top : X - channel.Left;
    const int length = std::max(1, vertical ? channel.Height() : channel.Width());
    return FMin + static_cast<int>(std::lround(double(offset) * (FMax - FMin) / length));
}

void TTrackBar::PaintWindow(HDC DC)
{
    RECT channel = ChannelRect();
    DrawEdge(DC, &channel, EDGE_SUNKEN, BF_RECT);
    vcl::PaintCanvas canvas(DC, this);
    canvas->Pen()->SetColor(clBlack);
    const int range = FMax - FMin;
    const TRect ch = ChannelRect();
    for (int v = FMin; v <= FMax && range > 0; v += FFrequency) {
        if (FOrientation == trVertical) {
            const int y = ch.Top + (v - FMin) * ch.Height() / range;
            canvas->MoveTo(ch.Right + 10, y);
            canvas->LineTo(ch.Right + 13, y);
        } else {
            const int x = ch.Left + (v - FMin) * ch.Width() / range;
            canvas->MoveTo(x, ch.Bottom + 10);
            canvas->LineTo(x, ch.Bottom + 13);
        }
    }
    RECT thumb = ThumbRect();
    DrawFrameControl(DC, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH | (FDragging ? DFCS_PUSHED : 0));
    if (Focused()) {
        const RECT focus = ClientRect();
        DrawFocusRect(DC, &focus);
    }
}

void TTrackBar::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    switch (Key) {
    case VK_LEFT:
    case VK_UP:
        SetPosition(FPosition - FLineSize);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        SetPosition(FPosition + FLineSize);
        break;
    case VK_PRIOR:
        SetPosition(FPosition - FPageSize);
        break;
    case VK_NEXT:
        SetPosition(FPosition + FPageSize);
        break;
    case VK_HOME:
        SetPosition(FMin);
        break;
    case VK_END:
        SetPosition(FMax);
        break;
    default:
        break;
    }
}

void TTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (CanFocus() && !Focused()) SetFocus();
        if (ThumbRect().Contains(X, Y)) {
            FDragging = true;
        } else {
            // A click beside the thumb moves it by a page towards the click.
            const int target = PositionAt(X, Y);
            SetPosition(target > FPosition ? FPosition + FPageSize : FPosition - FPageSize);
        }
        Invalidate();
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TTrackBar::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FDragging) SetPosition(PositionAt(X, Y));
    inherited::MouseMove(Shift, X, Y);
}

void TTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FDragging) {
        FDragging = false;
        Invalidate();
    }
    inherited::MouseUp(Button, Shift, X, Y);
}

void TTrackBar::WndProc(TMessage &Message)
{
    if (!vcl::KeyControlMessage(*this, Message, DLGC_WANTARROWS)) inherited::WndProc(Message);
}

// ---- TUpDown
// -------------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent *AOwner) : TCustomControl(AOwner)
{
    SetBounds(0, 0, 17, 25);
}

void TUpDown::SetAssociate(TWinControl *Value)
{
    FAssociate = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    if (Value->Parent()) {
        SetParent(Value->Parent());
        SetBounds(Value->Left() + Value->Width(), Value->Top(), Width(), Value->Height());
    }
    UpdateBuddy();
}

void TUpDown::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

void TUpDown::SetThousands(bool Value)
{
    FThousands = Value;
    UpdateBuddy();
}

void TUpDown::SetPosition(int Value)
{
    FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
    UpdateBuddy();
    Invalidate();
}

void TUpDown::UpdateBuddy()
{
    if (!FAssociate) return;
    AnsiString text = IntToStr(FPosition);
    if (FThousands) {
        // Groups of three digits, as the native control writes them.
        const bool negative = FPosition < 0;
        AnsiString digits = negative ? text.SubString(2, text.Length()) : text;
        AnsiString grouped;
        for (int i = 1; i <= digits.Length(); ++i) {
            if (i > 1 && (digits.Length() - i + 1) % 3 == 0) grouped += ThousandSeparator;
            grouped += digits[i];
        }
        text = negative ? "-" + grouped : grouped;
    }
    FAssociate->SetText(text);
}

int TUpDown::BuddyPosition() const
{
    if (!FAssociate) return FPosition;
    AnsiString text = FAssociate->Text();
    AnsiString digits;
    for (int i = 1; i <= text.Length(); ++i)
        if (text[i] != ThousandSeparator) digits += text[i];
    return StrToIntDef(digits, FPosition);
}

void TUpDown::Click(TUDBtnType Button)
{
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    int position = BuddyPosition() + (Button == btNext ? FIncrement : -FIncrement);
    const int low = std::min(FMin, FMax), high = std::max(FMin, FMax);
    if (position > high) position = FWrap ? low : high;
    if (position < low) position = FWrap ? high : low;
    SetPosition(position);
    if (OnClick) OnClick(this, Button);
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft) Click(Y < Height() / 2 ? btNext : btPrev);
}

void TUpDown::Paint()
{
    const TRect client = ClientRect();
    RECT up{client.Left, client.Top, client.Right, client.Top + client.Height() / 2};
    RECT down{client.Left, up.bottom, client.Right, client.Bottom};
    DrawFrameControl(Canvas()->Handle(), &up, DFC_SCROLL, DFCS_SCROLLUP);
    DrawFrameControl(Canvas()->Handle(), &down, DFC_SCROLL, DFCS_SCROLLDOWN);
}
