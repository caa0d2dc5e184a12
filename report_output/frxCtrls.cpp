#include "report_output/frxCtrls.h"

#include "platform/rtl/Registry.h"
#include "platform/vcl/Forms.h"
#include "platform/win/ScrollBars.h"

#include <algorithm>
#include <cstdint>

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

} // namespace

// ---- flat combo box ----

TfrxCustomComboBox::TfrxCustomComboBox(TComponent *AOwner) : TCustomComboBox(AOwner)
{
    SetWidth(100);
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

void TfrxCustomComboBox::KeyPress(char &Key)
{
    if (FReadOnly) Key = 0;
    TCustomComboBox::KeyPress(Key);
}

// ---- font combo box ----

TfrxFontComboBox::TfrxFontComboBox(TComponent *AOwner) : TfrxCustomComboBox(AOwner)
{
    SetWidth(150);
    SetItemHeight(12);
    SetImageWidth(16);
    SetReadOnly(true);
    OnCloseUp = [this](TObject *) { RecentChosen(); };
}

int TfrxFontComboBox::FontTypeOf(TStrings *Items, int Index)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(Items->Objects(Index)));
}

void TfrxFontComboBox::Reset()
{
    FUpdating = true;
    const AnsiString Kept = Text();
    Items()->Clear();
    FillFonts();
    FLastRecent = -1;
    if (FMRUEnabled) ReadRecent();
    const int Index = Items()->IndexOf(Kept);
    SetItemIndex(Index >= 0 ? Index : 0);
    FUpdating = false;
}

// Every face the screen offers is scalable: the TrueType kind.
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

void TfrxScrollWin::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_HSCROLL:
        SetHorzPosition(Requested(SB_HORZ, LOWORD(Message.WParam), FHorzPosition, FHorzRange));
        return;
    case WM_VSCROLL:
        SetVertPosition(Requested(SB_VERT, LOWORD(Message.WParam), FVertPosition, FVertRange));
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    default:
        inherited::WndProc(Message);
    }
}

void TfrxScrollWin::Paint()
{
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}
