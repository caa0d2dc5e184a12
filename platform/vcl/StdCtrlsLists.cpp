#include "platform/vcl/StdCtrls.h"

#include "platform/vcl/Forms.h"
#include "platform/vcl/PopupWindow.h"
#include "platform/vcl/ScrollBar.h"
#include "platform/vcl/StdCtrlsList.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"

#include <algorithm>

// ---- TListControlItems --------------------------------------------------------------------

void TListControlItems::Delete(int Index)
{
    inherited::Delete(Index);
    if (OnDeleted) OnDeleted(Index);
}

void TListControlItems::Clear()
{
    inherited::Clear();
    if (OnDeleted) OnDeleted(-1);
}

void TListControlItems::InsertItem(int Index, const AnsiString &S, TObject *AObject)
{
    inherited::InsertItem(Index, S, AObject);
    if (OnInserted) OnInserted(Index);
}

namespace
{

// The text's top in Rect: in the middle, as the system puts a combo box's text in its field; a
// list's row is as high as its text anyway.
int TextTop(TCanvas *Canvas, const TRect &Rect)
{
    return Rect.Top + std::max(0, (Rect.Height() - Canvas->TextHeight("Wg")) / 2);
}

void DefaultDrawItem(TCanvas *Canvas, TStrings *Items, int Index, const TRect &Rect)
{
    Canvas->FillRect(Rect);
    if (Index >= 0 && Index < Items->Count())
        Canvas->TextOut(Rect.Left + 2, TextTop(Canvas, Rect), Items->Strings(Index));
}

// Index after an item at At was deleted (-1: all) or inserted.
int AfterDelete(int Selected, int At)
{
    if (At < 0 || At == Selected) return -1;
    return At < Selected ? Selected - 1 : Selected;
}

} // namespace

// ---- The drop-down list of a combo box ------------------------------------------------------

// A popup window below the combo box; it holds the capture while open, so a
// click anywhere else closes it.
class TComboListWindow : public TCustomControl
{
public:
    explicit TComboListWindow(TCustomComboBox *Combo) : TCustomControl(nullptr), FCombo(Combo)
    {
        SetVisible(false);
    }

    int Highlighted() const { return FHighlighted; }
    void SetHighlighted(int Value)
    {
        const int count = FCombo->Items()->Count();
        FHighlighted = std::clamp(Value, count ? 0 : -1, count - 1);
        if (FHighlighted >= 0 && FHighlighted < FTop) FTop = FHighlighted;
        if (FHighlighted >= FTop + Rows()) FTop = FHighlighted - Rows() + 1;
        Invalidate();
    }
    int TopIndex() const { return FTop; }
    // Shows the items from Value on, as far as there are items to fill the list.
    void SetTopIndex(int Value)
    {
        FTop = std::clamp(Value, 0, MaxTop());
        Invalidate();
    }
    bool HasScrollBar() const { return FCombo->Items()->Count() > Rows(); }

    void Open()
    {
        const int rows = std::clamp(FCombo->Items()->Count(), 1, FCombo->DropDownCount());
        const TPoint origin = FCombo->ClientToScreen(TPoint(0, FCombo->Height()));
        SetParentWindow(FCombo->Handle());
        SetBounds(origin.X, origin.Y, FCombo->Width(), rows * FCombo->ItemHeight() + 2);
        FTop = 0;
        HandleNeeded();
        FCombo->Perform(WM_CTLCOLORLISTBOX, 0, reinterpret_cast<LPARAM>(Handle()));
        // After the box had its say on the size, so the chosen item shows.
        SetHighlighted(FCombo->ItemIndex());
        SetVisible(true);
        SetWindowPos(Handle(), HWND_TOPMOST, Left(), Top(), Width(), Height(),
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
        SetCapture(Handle());
    }

    void CloseUp()
    {
        FScrollBar.Release();
        if (!Visible()) return;
        SetVisible(false);
        if (GetCapture() == WindowHandle()) ReleaseCapture();
        if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
    }

protected:
    void CreateParams(TCreateParams &Params) override
    {
        inherited::CreateParams(Params);
        vcl::SetPopupParams(Params, ParentWindow(), "TComboListWindow");
    }

    void Paint() override
    {
        HDC dc = Canvas()->Handle();
        const TRect client = ClientRect();
        HBRUSH frame = CreateSolidBrush(ColorToRGB(clWindowFrame));
        const RECT border = client;
        FrameRect(dc, &border, frame);
        DeleteObject(frame);
        const int h = FCombo->ItemHeight();
        const int right = client.Right - 1 - (HasScrollBar() ? vcl::ScrollBar::Thickness : 0);
        for (int row = 0; row < Rows(); ++row) {
            const int index = FTop + row;
            if (index >= FCombo->Items()->Count()) break;
            const TRect r(1, 1 + row * h, right, 1 + (row + 1) * h);
            TOwnerDrawState state;
            if (index == FHighlighted) state << odSelected << odFocused;
            FCombo->DrawItemOn(dc, index, r, state);
        }
        if (HasScrollBar()) ScrollBar().Paint(dc);
    }

    void WndProc(TMessage &Message) override
    {
        const int x = GET_X_LPARAM(Message.LParam);
        const int y = GET_Y_LPARAM(Message.LParam);
        switch (Message.Msg) {
        case WM_MOUSEMOVE:
            if (FScrollBar.Dragging())
                SetTopIndex(ScrollBar().Drag(y));
            else if (ItemsRect().Contains(x, y))
                SetHighlighted(RowAt(y));
            return;
        // The second of two quick clicks comes as a double click: on the bar it steps as well.
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONDOWN:
            if (HasScrollBar() && ScrollBar().Contains(x, y)) {
                SetTopIndex(FScrollBar.Press(y));
                return;
            }
            [[fallthrough]];
        case WM_RBUTTONDOWN:
            if (!ClientRect().Contains(x, y)) FCombo->SetDroppedDown(false);
            return;
        case WM_MOUSEWHEEL:
            Message.Result = FCombo->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        case WM_LBUTTONUP:
            if (FScrollBar.Dragging()) {
                FScrollBar.Release();
                return;
            }
            if (ItemsRect().Contains(x, y)) {
                SetHighlighted(RowAt(y));
                FCombo->ChooseItem(FHighlighted);
                FCombo->SetDroppedDown(false);
            }
            return;
        default:
            if (!vcl::HandleDropDownMessage(Message, WindowHandle(), FCombo,
                                            [this] { FCombo->SetDroppedDown(false); }))
                inherited::WndProc(Message);
            return;
        }
    }

private:
    int Rows() const { return std::max(1, (Height() - 2) / std::max(1, FCombo->ItemHeight())); }
    int RowAt(int Y) const { return FTop + (Y - 1) / std::max(1, FCombo->ItemHeight()); }
    int MaxTop() const { return std::max(0, FCombo->Items()->Count() - Rows()); }
    // The client area less the frame and the scroll bar.
    TRect ItemsRect()
    {
        const TRect client = ClientRect();
        const int bar = HasScrollBar() ? vcl::ScrollBar::Thickness : 0;
        return TRect(1, 1, client.Right - 1 - bar, client.Bottom - 1);
    }
    vcl::ScrollBar &ScrollBar()
    {
        const TRect client = ClientRect();
        FScrollBar.Layout(TRect(client.Right - 1 - vcl::ScrollBar::Thickness, 1, client.Right - 1,
                                client.Bottom - 1),
                          0, MaxTop(), Rows(), FCombo->Items()->Count(), FTop);
        return FScrollBar;
    }

    TCustomComboBox *FCombo;
    int FHighlighted = -1;
    int FTop = 0;
    vcl::ScrollBar FScrollBar;
};

// ---- TCustomComboBox ------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent *AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TListControlItems>()),
      FCanvas(std::make_unique<TCanvas>())
{
    FItems->OnDeleted = [this](int Index) { ItemDeleted(Index); };
    FItems->OnInserted = [this](int Index) { ItemInserted(Index); };
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox()
{
    if (FList) {
        FList->CloseUp();
        delete FList;
    }
}

TStrings *TCustomComboBox::Items() const
{
    return FItems.get();
}

void TCustomComboBox::SetItems(TStrings *Value)
{
    FItems->Assign(Value);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    if (Value == FStyle) return;
    FStyle = Value;
    if (Value == csOwnerDrawFixed || Value == csOwnerDrawVariable) SetHeight(FItemHeight + 6);
    Invalidate();
}

void TCustomComboBox::SetItemIndex(int Value)
{
    if (Value < 0 || Value >= FItems->Count()) Value = -1;
    if (Value == FItemIndex) return;
    FItemIndex = Value;
    if (Value >= 0) FEditText = FItems->Strings(Value);
    Invalidate();
}

void TCustomComboBox::SetItemHeight(int Value)
{
    if (Value <= 0) return;
    FItemHeight = Value;
    if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) SetHeight(Value + 6);
    Invalidate();
}

bool TCustomComboBox::Sorted() const
{
    return FItems->Sorted();
}

void TCustomComboBox::SetSorted(bool Value)
{
    const AnsiString selected = GetText();
    FItems->SetSorted(Value);
    if (FItemIndex >= 0) FItemIndex = FItems->IndexOf(selected);
    Invalidate();
}

bool TCustomComboBox::DroppedDown() const
{
    return FList && FList->Visible();
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    if (Value == DroppedDown()) return;
    if (Value) {
        if (OnDropDown) OnDropDown(this);
        if (!FList) FList = new TComboListWindow(this);
        FList->Open();
    } else {
        FList->CloseUp();
        if (OnCloseUp) OnCloseUp(this);
    }
    Invalidate();
}

void TCustomComboBox::Clear()
{
    FItems->Clear();
    FEditText = "";
    Invalidate();
}

void TCustomComboBox::ItemDeleted(int Index)
{
    FItemIndex = AfterDelete(FItemIndex, Index);
    Invalidate();
}

void TCustomComboBox::ItemInserted(int Index)
{
    if (FItemIndex >= 0 && Index <= FItemIndex) ++FItemIndex;
    Invalidate();
}

AnsiString TCustomComboBox::GetText() const
{
    if (FStyle == csDropDown || FStyle == csSimple) return FEditText;
    return FItemIndex >= 0 ? FItems->Strings(FItemIndex) : AnsiString();
}

void TCustomComboBox::SetTextBuf(const AnsiString &Value)
{
    FEditText = Value;
    const int index = FItems->IndexOf(Value);
    if (FStyle == csDropDown || FStyle == csSimple) {
        FItemIndex = index;
    } else {
        SetItemIndex(index);
    }
    Invalidate();
}

void TCustomComboBox::Change()
{
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select()
{
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::ChooseItem(int Index)
{
    if (Index < 0 || Index >= FItems->Count() || Index == FItemIndex) return;
    SetItemIndex(Index);
    Click();
    Select();
}

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem)
        OnDrawItem(this, Index, Rect, State);
    else
        DefaultDrawItem(FCanvas.get(), FItems.get(), Index, Rect);
}

void TCustomComboBox::DrawItemOn(HDC DC, int Index, const TRect &Rect, TOwnerDrawState State)
{
    FCanvas->SetHandle(DC);
    FCanvas->Font()->Assign(Font());
    FCanvas->Brush()->SetColor(Color());
    if (State.Contains(odSelected)) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    try {
        if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)
            DrawItem(Index, Rect, State);
        else
            DefaultDrawItem(FCanvas.get(), FItems.get(), Index, Rect);
        if (State.Contains(odFocused) && State.Contains(odComboBoxEdit)) {
            const RECT focus = Rect;
            ::DrawFocusRect(DC, &focus);
        }
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        throw;
    }
    FCanvas->SetHandle(nullptr);
}

void TCustomComboBox::PaintWindow(HDC DC)
{
    const TRect client = ClientRect();
    RECT edge = client;
    DrawEdge(DC, &edge, EDGE_SUNKEN, BF_RECT);
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    RECT arrow{client.Right - 2 - button, 2, client.Right - 2, client.Bottom - 2};
    DrawFrameControl(DC, &arrow, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (DroppedDown() ? DFCS_PUSHED : 0) |
                         (IsEnabled() ? 0 : DFCS_INACTIVE));
    const TRect face(3, 3, arrow.left - 1, client.Bottom - 3);
    TOwnerDrawState state{odComboBoxEdit};
    const bool listStyle = FStyle != csDropDown && FStyle != csSimple;
    if (Focused() && listStyle && !DroppedDown()) state << odSelected << odFocused;
    if (!IsEnabled()) state << odDisabled;
    if (listStyle) {
        DrawItemOn(DC, FItemIndex, face, state);
        return;
    }
    vcl::PaintCanvas canvas(DC, this);
    canvas->FillRect(face);
    canvas->TextOut(face.Left + 2, TextTop(&*canvas, face), FEditText);
}

void TCustomComboBox::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (DroppedDown()) {
        switch (Key) {
        case VK_UP:
            FList->SetHighlighted(FList->Highlighted() - 1);
            break;
        case VK_DOWN:
            FList->SetHighlighted(FList->Highlighted() + 1);
            break;
        case VK_PRIOR:
            FList->SetHighlighted(FList->Highlighted() - FDropDownCount);
            break;
        case VK_NEXT:
            FList->SetHighlighted(FList->Highlighted() + FDropDownCount);
            break;
        case VK_RETURN:
            ChooseItem(FList->Highlighted());
            SetDroppedDown(false);
            break;
        case VK_ESCAPE:
        case VK_F4:
            SetDroppedDown(false);
            break;
        default:
            return;
        }
        Key = 0;
        return;
    }
    switch (Key) {
    case VK_UP:
    case VK_LEFT:
        ChooseItem(std::max(FItemIndex - 1, 0));
        break;
    case VK_DOWN:
        if (Shift.Contains(ssAlt))
            SetDroppedDown(true);
        else
            ChooseItem(FItemIndex + 1);
        break;
    case VK_RIGHT:
        ChooseItem(FItemIndex + 1);
        break;
    case VK_HOME:
        ChooseItem(0);
        break;
    case VK_END:
        ChooseItem(FItems->Count() - 1);
        break;
    case VK_F4:
        SetDroppedDown(true);
        break;
    default:
        break;
    }
}

void TCustomComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        SetDroppedDown(!DroppedDown());
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomComboBox::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (DroppedDown() ? DLGC_WANTALLKEYS : 0);
        return;
    case WM_MOUSEWHEEL:
        // Over the box or its open list (which passes it here), the wheel scrolls the list.
        if (DroppedDown()) {
            FList->SetTopIndex(FList->TopIndex() + FWheel.Lines(Message.WParam));
            Message.Result = 1;
            return;
        }
        break;
    case WM_CHAR:
        if (!DoKeyPress(Message)) {
            // A letter picks the next item that starts with it, ignoring case.
            const char key = static_cast<char>(Message.WParam);
            if (static_cast<unsigned char>(key) < 32) return;
            const AnsiString prefix = AnsiUpperCase(AnsiString(key));
            const int count = FItems->Count();
            for (int step = 1; step <= count; ++step) {
                const int i = (std::max(FItemIndex, -1) + step) % count;
                if (AnsiUpperCase(FItems->Strings(i).SubString(1, 1)) == prefix) {
                    ChooseItem(i);
                    break;
                }
            }
        }
        return;
    case WM_KILLFOCUS:
        // The list may be handed the focus as it appears; it gives it straight back.
        if (!FList || reinterpret_cast<HWND>(Message.WParam) != FList->WindowHandle())
            SetDroppedDown(false);
        Invalidate();
        break;
    case WM_SETFOCUS:
        Invalidate();
        break;
    default:
        break;
    }
    inherited::WndProc(Message);
}

// ---- TCustomListBox --------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent *AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TListControlItems>()),
      FCanvas(std::make_unique<TCanvas>())
{
    FItems->OnDeleted = [this](int Index) { ItemDeleted(Index); };
    FItems->OnInserted = [this](int Index) { ItemInserted(Index); };
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.WinClassName = "TListBoxControl";
}

TStrings *TCustomListBox::Items() const
{
    return FItems.get();
}
void TCustomListBox::SetItems(TStrings *Value)
{
    FItems->Assign(Value);
}

void TCustomListBox::ItemDeleted(int Index)
{
    if (Index < 0)
        FSelected.clear();
    else if (Index < int(FSelected.size()))
        FSelected.erase(FSelected.begin() + Index);
    FItemIndex = AfterDelete(FItemIndex, Index);
    FTopIndex = std::clamp(FTopIndex, 0, std::max(0, FItems->Count() - 1));
    Invalidate();
}

void TCustomListBox::ItemInserted(int Index)
{
    FSelected.insert(FSelected.begin() + std::min<size_t>(Index, FSelected.size()), false);
    if (FItemIndex >= 0 && Index <= FItemIndex) ++FItemIndex;
    Invalidate();
}

void TCustomListBox::SetItemIndex(int Value)
{
    if (Value < 0 || Value >= FItems->Count()) Value = -1;
    FItemIndex = Value;
    if (!FMultiSelect) {
        FSelected.assign(FItems->Count(), false);
        if (Value >= 0) FSelected[Value] = true;
    }
    MakeVisible(Value);
    Invalidate();
}

void TCustomListBox::SetItemHeight(int Value)
{
    if (Value <= 0) return;
    FItemHeight = Value;
    Invalidate();
}

void TCustomListBox::SetTopIndex(int Value)
{
    FTopIndex = std::clamp(Value, 0, std::max(0, FItems->Count() - 1));
    Invalidate();
}

bool TCustomListBox::Selected(int Index) const
{
    if (Index < 0 || Index >= FItems->Count())
        throw EListError("List index out of bounds (" + AnsiString(Index) + ")");
    return Index < int(FSelected.size()) && FSelected[Index];
}

void TCustomListBox::SetSelected(int Index, bool Value)
{
    if (Index < 0 || Index >= FItems->Count())
        throw EListError("List index out of bounds (" + AnsiString(Index) + ")");
    FSelected.resize(FItems->Count(), false);
    if (!FMultiSelect) {
        SetItemIndex(Value ? Index : (Index == FItemIndex ? -1 : FItemIndex));
        return;
    }
    FSelected[Index] = Value;
    Invalidate();
}

int TCustomListBox::SelCount() const
{
    if (!FMultiSelect) return -1;
    return static_cast<int>(std::count(FSelected.begin(), FSelected.end(), true));
}

bool TCustomListBox::Sorted() const
{
    return FItems->Sorted();
}

void TCustomListBox::SetSorted(bool Value)
{
    FItems->SetSorted(Value);
    FSelected.assign(FItems->Count(), false);
    FItemIndex = -1;
    Invalidate();
}

void TCustomListBox::Clear()
{
    FItems->Clear();
}

int TCustomListBox::VisibleRows()
{
    return std::max(1, (ClientHeight() - 4) / FItemHeight);
}

void TCustomListBox::MakeVisible(int Index)
{
    if (Index < 0) return;
    if (Index < FTopIndex) FTopIndex = Index;
    if (Index >= FTopIndex + VisibleRows()) FTopIndex = Index - VisibleRows() + 1;
}

TRect TCustomListBox::ItemRect(int Index)
{
    const int row = Index - FTopIndex;
    return TRect(2, 2 + row * FItemHeight, ClientWidth() - 2, 2 + (row + 1) * FItemHeight);
}

int TCustomListBox::ItemAtPos(const TPoint &Pos, bool Existing)
{
    const int index = FTopIndex + (Pos.Y - 2) / FItemHeight;
    if (Pos.Y < 2 || index >= FItems->Count()) return Existing ? -1 : FItems->Count();
    return index;
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem)
        OnDrawItem(this, Index, Rect, State);
    else
        DefaultDrawItem(FCanvas.get(), FItems.get(), Index, Rect);
}

void TCustomListBox::PaintWindow(HDC DC)
{
    RECT edge = ClientRect();
    DrawEdge(DC, &edge, EDGE_SUNKEN, BF_RECT);
    IntersectClipRect(DC, 2, 2, ClientWidth() - 2, ClientHeight() - 2);
    FCanvas->SetHandle(DC);
    try {
        for (int i = FTopIndex; i < FItems->Count() && i < FTopIndex + VisibleRows() + 1; ++i) {
            FCanvas->Font()->Assign(Font());
            FCanvas->Brush()->SetColor(Color());
            TOwnerDrawState state;
            if (i < int(FSelected.size()) && FSelected[i]) {
                state << odSelected;
                FCanvas->Brush()->SetColor(clHighlight);
                FCanvas->Font()->SetColor(clHighlightText);
            }
            if (i == FItemIndex && Focused()) state << odFocused;
            const TRect r = ItemRect(i);
            DrawItem(i, r, state);
            if (state.Contains(odFocused)) {
                const RECT focus = r;
                ::DrawFocusRect(DC, &focus);
            }
        }
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        throw;
    }
    FCanvas->SetHandle(nullptr);
}

void TCustomListBox::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    int target = FItemIndex;
    switch (Key) {
    case VK_UP:
        target = std::max(FItemIndex - 1, 0);
        break;
    case VK_DOWN:
        target = std::min(FItemIndex + 1, FItems->Count() - 1);
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = FItems->Count() - 1;
        break;
    case VK_PRIOR:
        target = std::max(FItemIndex - VisibleRows(), 0);
        break;
    case VK_NEXT:
        target = std::min(FItemIndex + VisibleRows(), FItems->Count() - 1);
        break;
    default:
        return;
    }
    if (target != FItemIndex) {
        SetItemIndex(target);
        Click();
    }
}

void TCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        const int index = ItemAtPos(TPoint(X, Y), true);
        if (index >= 0) {
            if (FMultiSelect && Shift.Contains(ssCtrl)) {
                FItemIndex = index;
                SetSelected(index, !Selected(index));
            } else {
                SetItemIndex(index);
            }
        }
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomListBox::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_MOUSEWHEEL:
        SetTopIndex(FTopIndex + FWheel.Lines(Message.WParam));
        Message.Result = 1;
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    default:
        break;
    }
    inherited::WndProc(Message);
}
