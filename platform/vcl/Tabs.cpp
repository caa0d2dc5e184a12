#include "platform/vcl/Tabs.h"

#include "platform/win/Paint.h"

TTabSet::TTabSet(TComponent *AOwner)
    : TCustomControl(AOwner), FTabs(std::make_unique<TListControlItems>())
{
    FTabs->OnDeleted = [this](int Index) {
        if (Index < 0 || FTabIndex >= FTabs->Count()) FTabIndex = FTabs->Count() ? 0 : -1;
        if (Index < 0 && FTabs->Count() == 0) FTabIndex = -1;
        Invalidate();
    };
    FTabs->OnInserted = [this](int) { Invalidate(); };
    // The click comes from the change of tab, not from the mouse's release.
    FControlStyle >> csClickEvents;
    // Reached with Tab like any other control, its tabs then change with the arrow keys.
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 21);
}

TTabSet::~TTabSet() = default;

TStrings *TTabSet::Tabs() const
{
    return FTabs.get();
}

void TTabSet::SetTabs(TStrings *Value)
{
    FTabs->Assign(Value);
}

bool TTabSet::CanChange(int NewIndex)
{
    bool allowChange = true;
    if (OnChange) OnChange(this, NewIndex, allowChange);
    return allowChange;
}

void TTabSet::SetTabIndex(int Value)
{
    if (Value == FTabIndex) return;
    if (Value < -1 || Value >= FTabs->Count())
        throw EListError("List index out of bounds (" + AnsiString(Value) + ")");
    if (!CanChange(Value)) return;
    FTabIndex = Value;
    Invalidate();
    Click();
}

void TTabSet::SetSelectedColor(TColor Value)
{
    FSelectedColor = Value;
    Invalidate();
}

void TTabSet::SetUnselectedColor(TColor Value)
{
    FUnselectedColor = Value;
    Invalidate();
}

TRect TTabSet::ItemRect(int Index)
{
    if (Index < 0 || Index >= FTabs->Count()) return {};
    HDC dc = GetDC({});
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Font()->Assign(Font());
    int x = 4;
    TRect result;
    for (int i = 0; i <= Index; ++i) {
        const int width = canvas.TextWidth(FTabs->Strings(i)) + 16;
        result = TRect(x, 0, x + width, Height() - 2);
        x += width;
    }
    canvas.SetHandle(nullptr);
    ReleaseDC({}, dc);
    return result;
}

int TTabSet::ItemAtPos(const TPoint &Pos)
{
    for (int i = 0; i < FTabs->Count(); ++i)
        if (ItemRect(i).Contains(Pos.X, Pos.Y)) return i;
    return -1;
}

void TTabSet::Paint()
{
    TCanvas *canvas = Canvas();
    const TRect client = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(client);
    canvas->Pen()->SetColor(clBlack);
    canvas->MoveTo(0, 0);
    canvas->LineTo(client.Right, 0);
    for (int i = 0; i < FTabs->Count(); ++i) {
        const TRect r = ItemRect(i);
        const bool selected = i == FTabIndex;
        canvas->Brush()->SetColor(selected ? FSelectedColor : FUnselectedColor);
        canvas->Pen()->SetColor(clBlack);
        canvas->Polygon({TPoint(r.Left, 0), TPoint(r.Left + 6, r.Bottom),
                         TPoint(r.Right - 6, r.Bottom), TPoint(r.Right, 0)});
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsClear);
        canvas->TextOut(r.Left + 8, (r.Height() - canvas->TextHeight("Wg")) / 2, FTabs->Strings(i));
        canvas->Brush()->SetStyle(bsSolid);
    }
    if (Focused() && FTabIndex >= 0) {
        const TRect r = ItemRect(FTabIndex);
        canvas->DrawFocusRect(TRect(r.Left + 5, r.Top + 2, r.Right - 5, r.Bottom - 1));
    }
}

void TTabSet::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (Key == VK_LEFT && FTabIndex > 0) SetTabIndex(FTabIndex - 1);
    if (Key == VK_RIGHT && FTabIndex + 1 < FTabs->Count()) SetTabIndex(FTabIndex + 1);
}

void TTabSet::WndProc(TMessage &Message)
{
    if (!vcl::KeyControlMessage(*this, Message, DLGC_WANTARROWS)) inherited::WndProc(Message);
}

void TTabSet::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        const int index = ItemAtPos(TPoint(X, Y));
        if (index >= 0) SetTabIndex(index);
    }
    inherited::MouseDown(Button, Shift, X, Y);
}
