#include "report_output/frxCtrls.h"

#include "report/frxUtils.h"

#include "platform/rtl/Registry.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrlsList.h"
#include "platform/win/FontFaces.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/WinGdi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace
{

constexpr int RecentCount = 5;

TObject *TypeObject(int FontType)
{
    return reinterpret_cast<TObject *>(static_cast<std::intptr_t>(FontType));
}

AnsiString FontName(int n)
{
    return "Font" + IntToStr(n);
}

AnsiString FontTypeName(int n)
{
    return "FontType" + IntToStr(n);
}

constexpr int KindPictureWidth = 15, KindPictureHeight = 11;

// A small picture of a font kind on a transparent ground: two letters T for
// scalable faces, a printer for the printer's own.
std::unique_ptr<TBitmap> KindBitmap(bool Scalable)
{
    auto Bmp = std::make_unique<TBitmap>();
    Bmp->SetSize(KindPictureWidth, KindPictureHeight);
    TCanvas *C = Bmp->Canvas();
    C->Brush()->SetColor(clFuchsia);
    C->FillRect(TRect(0, 0, KindPictureWidth, KindPictureHeight));
    auto Letter = [C](int Left, int Top, TColor Color) {
        C->Pen()->SetColor(Color);
        C->MoveTo(Left, Top);
        C->LineTo(Left + 7, Top);
        C->MoveTo(Left + 3, Top);
        C->LineTo(Left + 3, Top + 8);
    };
    if (Scalable) {
        Letter(0, 0, clGray);
        Letter(6, 2, clBlack);
    } else {
        C->Brush()->SetColor(clSilver);
        C->Pen()->SetColor(clBlack);
        C->Rectangle(1, 4, 14, 10);
        C->Rectangle(4, 0, 11, 4);
    }
    Bmp->SetTransparent(true);
    return Bmp;
}

} // namespace

// ---- flat combo box ----

TfrxCustomComboBox::TfrxCustomComboBox(TComponent *AOwner) : TCustomComboBox(AOwner)
{
    SetWidth(100);
}

// The list outlives this part of the box: it gets its own procedure back first.
TfrxCustomComboBox::~TfrxCustomComboBox()
{
    if (FListHandle && IsWindow(FListHandle))
        win::SetWindowProcedure(FListHandle, std::move(FDefListProc));
}

int TfrxCustomComboBox::ListHeight() const
{
    const int Rows = Items()->Count() == 0 || DropDownCount() <= 0
                         ? 1
                         : std::min(Items()->Count(), DropDownCount());
    return Rows * ItemHeight() + 4;
}

int TfrxCustomComboBox::ListWidth()
{
    return FListWidth != 0 ? FListWidth : Width() - 1;
}

bool TfrxCustomComboBox::ListOpensUpward()
{
    return ClientToScreen(TPoint(0, Height())).Y + ListHeight() > Screen->WorkAreaRect().Bottom;
}

// Above the box the list keeps two pixels clear of it.
void TfrxCustomComboBox::PlaceList(HWND List)
{
    const TPoint Box = ClientToScreen(TPoint(0, 0));
    const int Top = ListOpensUpward() ? Box.Y - ListHeight() - 2 : Box.Y + Height();
    SetWindowPos(List, nullptr, Box.X, Top, ListWidth(), ListHeight(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrxCustomComboBox::SubclassList(HWND List)
{
    if (List == FListHandle) return;
    FListHandle = List;
    FDefListProc =
        win::SetWindowProcedure(List, [this](HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
            return ListWndProc(Wnd, Msg, WParam, LParam);
        });
}

LRESULT TfrxCustomComboBox::ListWndProc(HWND List, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    // Copied first: the list's last message may take this procedure away.
    const win::WindowProcedure Def = FDefListProc;
    const LRESULT Result = Def(List, Msg, WParam, LParam);
    if (Msg == WM_PAINT) {
        HDC DC = GetDC(List);
        RECT Border;
        GetClientRect(List, &Border);
        DrawEdge(DC, &Border, EDGE_RAISED, BF_RECT);
        ReleaseDC(List, DC);
    } else if (Msg == WM_NCDESTROY) {
        FListHandle = nullptr;
    }
    return Result;
}

void TfrxCustomComboBox::KeyPress(char &Key)
{
    if (FReadOnly) Key = 0;
    TCustomComboBox::KeyPress(Key);
}

TRect TfrxCustomComboBox::ButtonRect()
{
    const TRect Client = ClientRect();
    return TRect(Client.Right - FButtonWidth - 2, 2, Client.Right - 2, Client.Bottom - 2);
}

void TfrxCustomComboBox::WndProc(TMessage &Message)
{
    if (Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) {
        FMouseInControl = Message.Msg == CM_MOUSEENTER;
        Invalidate();
    } else if (Message.Msg == WM_CTLCOLORLISTBOX) {
        PlaceList(reinterpret_cast<HWND>(Message.LParam));
        SubclassList(reinterpret_cast<HWND>(Message.LParam));
    }
    TCustomComboBox::WndProc(Message);
}

void TfrxCustomComboBox::PaintWindow(HDC DC)
{
    vcl::PaintCanvas Canvas(DC, this);
    const TRect Client = ClientRect();
    const TRect Button = ButtonRect();
    const bool Solid = Focused() || FMouseInControl;
    if (!IsEnabled()) {
        Canvas->Brush()->SetColor(clBtnFace);
        Canvas->FillRect(Client);
        Canvas->Brush()->SetColor(clWindow);
        Canvas->FrameRect(Client);
    } else {
        RECT Outer = Client;
        if (Solid) {
            DrawEdge(DC, &Outer, EDGE_SUNKEN, BF_RECT);
        } else {
            Canvas->Brush()->SetColor(clBtnFace);
            Canvas->FrameRect(Client);
        }
        Canvas->Brush()->SetColor(clBtnFace);
        Canvas->FrameRect(TRect(1, 1, Client.Right - 1, Client.Bottom - 1));
        Canvas->Brush()->SetColor(clWindow);
        Canvas->FrameRect(TRect(2, 2, Button.Left, Client.Bottom - 2));
    }
    PaintButton(&*Canvas, Solid);
    const TRect Face(3, 3, Button.Left - 1, Client.Bottom - 3);
    if (Style() == csDropDown || Style() == csSimple) {
        Canvas->Brush()->SetColor(IsEnabled() ? clWindow : clBtnFace);
        Canvas->FillRect(Face);
        Canvas->TextOut(Face.Left + FImageWidth + 1, Face.Top, Text());
        return;
    }
    TOwnerDrawState State{odComboBoxEdit};
    if (Focused() && !DroppedDown()) State << odSelected << odFocused;
    if (!IsEnabled()) State << odDisabled;
    DrawItemOn(DC, ItemIndex(), Face, State);
}

void TfrxCustomComboBox::PaintButton(TCanvas *Canvas, bool Solid)
{
    const TRect Button = ButtonRect();
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(Button);
    RECT Edge = Button;
    if (DroppedDown())
        DrawEdge(Canvas->Handle(), &Edge, BDR_SUNKENOUTER, BF_RECT);
    else if (Solid && IsEnabled())
        DrawEdge(Canvas->Handle(), &Edge, BDR_RAISEDINNER, BF_RECT);
    // A down arrow of three lines, 5, 3 and 1 pixels wide.
    const int Shift = DroppedDown() ? 1 : 0;
    const int X = (Button.Left + Button.Right) / 2 - 2 + Shift;
    const int Y = (Button.Top + Button.Bottom) / 2 - 1 + Shift;
    Canvas->Pen()->SetColor(IsEnabled() ? clWindowText : clGrayText);
    for (int Row = 0; Row < 3; ++Row) {
        Canvas->MoveTo(X + Row, Y + Row);
        Canvas->LineTo(X + 5 - Row, Y + Row);
    }
}

// ---- font sample ----

TfrxFontPreview::TfrxFontPreview(TComponent *AOwner) : TWinControl(AOwner), FPanel(new TPanel(this))
{
    SetVisible(false);
    SetBounds(0, 0, 200, 50);
    FPanel->SetParent(this);
    FPanel->SetAlign(alClient);
    FPanel->SetBevelOuter(bvNone);
    FPanel->SetBorderStyle(bsSingle);
    FPanel->SetColor(clWindow);
    FPanel->Font()->SetSize(18);
    FPanel->Font()->SetColor(clWindowText);
}

void TfrxFontPreview::CreateParams(TCreateParams &Params)
{
    TWinControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WinClassName = "TfrxFontPreview";
}

void TfrxFontPreview::ShowSample(const AnsiString &FontName)
{
    FPanel->Font()->SetName(FontName);
    FPanel->SetCaption(FontName);
}

// ---- font combo box ----

TfrxFontComboBox::TfrxFontComboBox(TComponent *AOwner)
    : TfrxCustomComboBox(AOwner), FTrueTypeBmp(KindBitmap(true)), FDeviceBmp(KindBitmap(false)),
      FPreview(std::make_unique<TfrxFontPreview>(nullptr))
{
    SetWidth(150);
    SetImageWidth(16);
    SetReadOnly(true);
    SetStyle(csOwnerDrawFixed);
    // The font's text height: its cell height and the leading above it.
    SetItemHeight(std::max(KindPictureHeight + 1, std::abs(Font()->Height()) + 2));
    OnDropDown = [this](TObject *) { DropDown(); };
    OnCloseUp = [this](TObject *) { CloseUp(); };
}

TfrxFontComboBox::~TfrxFontComboBox() = default;

TBitmap *TfrxFontComboBox::KindPicture(int FontType) const
{
    if (FontType & frxTrueTypeFontType) return FTrueTypeBmp.get();
    if (FontType & frxDeviceFontType) return FDeviceBmp.get();
    return nullptr;
}

void TfrxFontComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    TCanvas *C = Canvas();
    C->FillRect(Rect);
    if (Index < 0 || Index >= Items()->Count()) return;
    const AnsiString Name = Items()->Strings(Index);
    if (TBitmap *Picture = KindPicture(FontTypeOf(Items(), Index)))
        C->Draw(Rect.Left + 1, Rect.Top + (Rect.Height() - Picture->Height()) / 2, Picture);
    C->TextOut(Rect.Left + 1 + KindPictureWidth + 2,
               Rect.Top + (Rect.Height() - C->TextHeight(Name)) / 2, Name);
    if (State.Contains(odComboBoxEdit)) return;
    if (FLastRecent >= 0 && (Index == FLastRecent || Index == FLastRecent + 1)) {
        const int Y = Index == FLastRecent ? Rect.Bottom - 1 : Rect.Top;
        C->Pen()->SetColor(clBtnShadow);
        C->MoveTo(Rect.Left, Y);
        C->LineTo(Rect.Right, Y);
    }
    if (State.Contains(odSelected)) FPreview->ShowSample(Name);
}

void TfrxFontComboBox::DropDown()
{
    if (ItemIndex() >= 0 && ItemIndex() < RecentCount) SetItemIndex(0);
    // At the box's bottom-right corner, or left of the box where the screen
    // ends, or above the box when the list opens upward.
    TPoint At = ClientToScreen(TPoint(Width(), Height()));
    if (At.X + FPreview->Width() > Screen->WorkAreaRect().Right)
        At.X = ClientToScreen(TPoint(0, 0)).X - FPreview->Width();
    if (ListOpensUpward()) At.Y = ClientToScreen(TPoint(0, 0)).Y - FPreview->Height();
    FPreview->SetParentWindow(Handle());
    FPreview->SetBounds(At.X, At.Y, FPreview->Width(), FPreview->Height());
    if (ItemIndex() >= 0) FPreview->ShowSample(Items()->Strings(ItemIndex()));
    FPreview->HandleNeeded();
    FPreview->SetVisible(true);
    SetWindowPos(FPreview->Handle(), HWND_TOPMOST, At.X, At.Y, FPreview->Width(),
                 FPreview->Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void TfrxFontComboBox::CloseUp()
{
    FPreview->SetVisible(false);
    RecentChosen();
}

void TfrxFontComboBox::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_FONTCHANGE) Reset();
    TfrxCustomComboBox::WndProc(Message);
}

int TfrxFontComboBox::FontTypeOf(TStrings *Items, int Index)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(Items->Objects(Index)));
}

void TfrxFontComboBox::Reset()
{
    const TfrxFlagScope Updating(FUpdating);
    const AnsiString Kept = Text();
    Items()->Clear();
    FillFonts();
    FLastRecent = -1;
    if (FMRUEnabled) ReadRecent();
    const int Index = Items()->IndexOf(Kept);
    SetItemIndex(Index >= 0 ? Index : 0);
}

// Every face the screen offers is scalable: the TrueType kind. Printers draw
// with these same faces and have none of their own, so they add no names.
void TfrxFontComboBox::FillFonts()
{
    TStringList Faces;
    Faces.SetSorted(true);
    Faces.SetDuplicates(dupIgnore);
    Faces.AddStrings(Screen->Fonts());
    for (int i = 0; i < Faces.Count(); ++i)
        Items()->AddObject(Faces.Strings(i), TypeObject(frxTrueTypeFontType));
}

void TfrxFontComboBox::ReadRecent()
{
    TRegistry Registry;
    if (!Registry.OpenKey(FRegKey, true)) return;
    for (int n = RecentCount - 1; n >= 0; --n) {
        const AnsiString Name =
            Registry.ValueExists(FontName(n)) ? Registry.ReadString(FontName(n)) : AnsiString();
        const int Type = Registry.ValueExists(FontTypeName(n))
                             ? Registry.ReadInteger(FontTypeName(n))
                             : frxTrueTypeFontType;
        if (!Name.IsEmpty() && Items()->IndexOf(Name) >= 0) {
            Items()->InsertObject(0, Name, TypeObject(Type));
            ++FLastRecent;
        } else {
            Registry.WriteString(FontName(n), AnsiString());
            Registry.WriteInteger(FontTypeName(n), 0);
        }
    }
}

void TfrxFontComboBox::WriteRecent()
{
    TRegistry Registry;
    if (!Registry.OpenKey(FRegKey, true)) return;
    for (int n = 0; n < RecentCount; ++n) {
        const bool Used = n <= FLastRecent;
        Registry.WriteString(FontName(n), Used ? Items()->Strings(n) : AnsiString());
        Registry.WriteInteger(FontTypeName(n), Used ? FontTypeOf(Items(), n) : 0);
    }
}

void TfrxFontComboBox::RecentChosen()
{
    const int Index = ItemIndex();
    if (FUpdating || !FMRUEnabled || Index <= 0) return;
    const AnsiString Name = Items()->Strings(Index);
    TObject *Type = Items()->Objects(Index);
    if (Index > FLastRecent) {
        Items()->InsertObject(0, Name, Type);
        if (FLastRecent < RecentCount - 1)
            ++FLastRecent;
        else
            Items()->Delete(RecentCount);
    } else {
        Items()->Delete(Index);
        Items()->InsertObject(0, Name, Type);
    }
    SetItemIndex(0);
    WriteRecent();
}

// ---- edit with a button ----

TfrxComboEdit::TfrxComboEdit(TComponent *AOwner)
    : TCustomComboBox(AOwner), FPanel(new TPanel(this)), FButton(new TSpeedButton(this))
{
    FPanel->SetParent(this);
    FPanel->SetBevelOuter(bvNone);
    FPanel->SetCaption("");
    FButton->SetParent(FPanel);
    FButton->OnClick = [this](TObject *) {
        if (OnButtonClick) OnButtonClick(this);
    };
    SetHeight(21);
    PlaceButton();
}

void TfrxComboEdit::PlaceButton()
{
    const int Side = Height() - 4;
    FPanel->SetBounds(Width() - Height() + 2, 2, Side, Side);
    FButton->SetBounds(0, 0, Side, Side);
}

void TfrxComboEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TCustomComboBox::SetBounds(ALeft, ATop, AWidth, AHeight);
    PlaceButton();
}

void TfrxComboEdit::SetEnabled(bool Value)
{
    TCustomComboBox::SetEnabled(Value);
    FButton->SetEnabled(Value);
}

// ---- TfrxScrollWin ----

TfrxScrollWin::TfrxScrollWin(TComponent *AOwner) : TCustomControl(AOwner) {}

void TfrxScrollWin::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TfrxScrollWin::CreateWnd()
{
    inherited::CreateWnd();
    InitializeFlatSB(FHandle);
    UpdateScrollBar(SB_HORZ);
    UpdateScrollBar(SB_VERT);
}

void TfrxScrollWin::UpdateScrollBar(int Bar)
{
    if (!HandleAllocated()) return;
    const bool Vert = Bar == SB_VERT;
    const int Range = Vert ? FVertRange : FHorzRange;
    const int Page = Vert ? FVertPage : FHorzPage;
    SCROLLINFO Info;
    Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    Info.nMin = 0;
    Info.nMax = Page > Range ? 0 : Range;
    Info.nPage = static_cast<UINT>(std::max(Page, 0));
    Info.nPos = Vert ? FVertPosition : FHorzPosition;
    FlatSB_SetScrollInfo(FHandle, Bar, &Info, TRUE);
}

void TfrxScrollWin::SetHorzPage(int Value)
{
    FHorzPage = Value;
    UpdateScrollBar(SB_HORZ);
}

void TfrxScrollWin::SetHorzRange(int Value)
{
    FHorzRange = Value;
    UpdateScrollBar(SB_HORZ);
}

void TfrxScrollWin::SetVertPage(int Value)
{
    FVertPage = Value;
    UpdateScrollBar(SB_VERT);
}

void TfrxScrollWin::SetVertRange(int Value)
{
    FVertRange = Value;
    UpdateScrollBar(SB_VERT);
}

void TfrxScrollWin::SetHorzPosition(int Value)
{
    Value = std::max(0, std::min(Value, FHorzRange - FHorzPage));
    if (Value == FHorzPosition) return;
    FHorzPosition = Value;
    UpdateScrollBar(SB_HORZ);
    OnHScrollChange();
}

void TfrxScrollWin::SetVertPosition(int Value)
{
    Value = std::max(0, std::min(Value, FVertRange - FVertPage));
    if (Value == FVertPosition) return;
    FVertPosition = Value;
    UpdateScrollBar(SB_VERT);
    OnVScrollChange();
}

int TfrxScrollWin::Requested(int Bar, int Request, int Current, int Range) const
{
    switch (Request) {
    case SB_LINEUP:
        return Current - FSmallChange;
    case SB_LINEDOWN:
        return Current + FSmallChange;
    case SB_PAGEUP:
        return Current - FLargeChange;
    case SB_PAGEDOWN:
        return Current + FLargeChange;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The message carries 16 bits only; the bar keeps the whole position.
        SCROLLINFO Info;
        Info.fMask = SIF_TRACKPOS;
        FlatSB_GetScrollInfo(FHandle, Bar, &Info);
        return Info.nTrackPos;
    }
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return Range;
    default:
        return Current;
    }
}

bool frxHandleSelfPaintedMessage(TMessage &Message, LRESULT DialogCode)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DialogCode;
        return true;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return true;
    default:
        return false;
    }
}

void TfrxScrollWin::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_HSCROLL:
        SetHorzPosition(Requested(SB_HORZ, LOWORD(Message.WParam), FHorzPosition, FHorzRange));
        return;
    case WM_VSCROLL:
        SetVertPosition(Requested(SB_VERT, LOWORD(Message.WParam), FVertPosition, FVertRange));
        return;
    default:
        if (!frxHandleSelfPaintedMessage(Message,
                                         DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS))
            inherited::WndProc(Message);
    }
}

void TfrxScrollWin::Paint()
{
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

// ---- published properties ----

namespace
{

void PublishComboBox(rtl::Publisher<TfrxComboBox> &P)
{
    P.Property("DropDownCount", &TfrxComboBox::DropDownCount, &TfrxComboBox::SetDropDownCount)
        .Default(8);
    P.Property("Items", &TfrxComboBox::Items, &TfrxComboBox::SetItems);
    P.Property("ListWidth", &TfrxComboBox::PreferredListWidth,
               &TfrxComboBox::SetPreferredListWidth);
    P.Property("ReadOnly", &TfrxComboBox::ReadOnly, &TfrxComboBox::SetReadOnly);
    P.Property("Text", &TControl::Text, &TControl::SetText);
    P.Event("OnChange", &TfrxComboBox::OnChange);
    P.Event("OnClick", &TControl::OnClick);
}

void PublishFontComboBox(rtl::Publisher<TfrxFontComboBox> &P)
{
    P.Property("MRUEnabled", &TfrxFontComboBox::MRUEnabled, &TfrxFontComboBox::SetMRUEnabled)
        .Default(true);
    P.Property("RegKey", &TfrxFontComboBox::RegKey, &TfrxFontComboBox::SetRegKey);
    P.Property("Text", &TControl::Text, &TControl::SetText);
    P.Event("OnClick", &TControl::OnClick);
}

void PublishComboEdit(rtl::Publisher<TfrxComboEdit> &P)
{
    P.Property("ButtonEnabled", &TfrxComboEdit::ButtonEnabled, &TfrxComboEdit::SetButtonEnabled)
        .Default(true);
    P.Property("ButtonHint", &TfrxComboEdit::ButtonHint, &TfrxComboEdit::SetButtonHint);
    P.Property("Glyph", &TfrxComboEdit::Glyph, &TfrxComboEdit::SetGlyph);
    P.Property("Text", &TControl::Text, &TControl::SetText);
    P.Event("OnButtonClick", &TfrxComboEdit::OnButtonClick);
}

[[maybe_unused]] const bool ComboBoxPublished = rtl::PublishClass<TfrxComboBox>(&PublishComboBox);
[[maybe_unused]] const bool FontComboBoxPublished =
    rtl::PublishClass<TfrxFontComboBox>(&PublishFontComboBox);
[[maybe_unused]] const bool ComboEditPublished =
    rtl::PublishClass<TfrxComboEdit>(&PublishComboEdit);

} // namespace
