#include "platform/vcl/Menus.h"

#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/PopupWindow.h"
#include "platform/win/Paint.h"

#include <algorithm>

// ---- Short-cuts -----------------------------------------------------------------------------

namespace
{

struct KeyName {
    WORD Key;
    const char *Name;
};

constexpr KeyName KeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},      {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

AnsiString KeyText(WORD Key)
{
    if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) return AnsiString(char(Key));
    if (Key >= VK_F1 && Key <= VK_F1 + 11) return "F" + AnsiString(Key - VK_F1 + 1);
    for (const KeyName &k : KeyNames)
        if (k.Key == Key) return k.Name;
    return {};
}

struct Modifier {
    TShortCut Bit;
    const char *Name;
};

constexpr Modifier Modifiers[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

AnsiString StripAmpersands(const AnsiString &Caption)
{
    AnsiString text;
    for (int i = 1; i <= Caption.Length(); ++i) {
        if (Caption[i] == '&' && i < Caption.Length()) ++i;
        text += Caption[i];
    }
    return text;
}

} // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift)
{
    if (Key & 0xFF00) return 0;
    TShortCut result = Key;
    if (Shift.Contains(ssShift)) result |= scShift;
    if (Shift.Contains(ssCtrl)) result |= scCtrl;
    if (Shift.Contains(ssAlt)) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut ShortCut, WORD &Key, TShiftState &Shift)
{
    Key = ShortCut & 0xFF;
    Shift = {};
    if (ShortCut & scShift) Shift << ssShift;
    if (ShortCut & scCtrl) Shift << ssCtrl;
    if (ShortCut & scAlt) Shift << ssAlt;
}

AnsiString ShortCutToText(TShortCut ShortCut)
{
    const AnsiString key = KeyText(ShortCut & 0xFF);
    if (key.IsEmpty()) return {};
    AnsiString text;
    for (const Modifier &m : Modifiers)
        if (ShortCut & m.Bit) text += m.Name;
    return text + key;
}

TShortCut TextToShortCut(const AnsiString &Text)
{
    AnsiString rest = Text;
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const Modifier &m : Modifiers) {
            const AnsiString name = m.Name;
            if (AnsiUpperCase(rest.SubString(1, name.Length())) == AnsiUpperCase(name)) {
                modifiers |= m.Bit;
                rest = rest.SubString(name.Length() + 1, rest.Length());
                found = true;
            }
        }
    }
    for (int key = 1; key < 0x100; ++key)
        if (SameText(KeyText(WORD(key)), rest) && !rest.IsEmpty())
            return static_cast<TShortCut>(key | modifiers);
    return 0;
}

// ---- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent *AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem()
{
    if (FParent) FParent->Remove(this);
    while (!FItems.empty())
        delete FItems.back();
}

void TMenuItem::Add(TMenuItem *Item)
{
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem *Item)
{
    if (Item->FParent) throw EMenuError("Menu inserted twice");
    if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem *Item)
{
    const int index = IndexOf(Item);
    if (index < 0) throw EMenuError("Sub-menu is not in menu");
    FItems.erase(FItems.begin() + index);
    Item->FParent = nullptr;
}

void TMenuItem::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
    Remove(FItems[Index]);
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        delete FItems.back();
}

int TMenuItem::IndexOf(TMenuItem *Item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Click()
{
    if (FEnabled && OnClick) OnClick(this);
}

// ---- TMenu and TPopupMenu -----------------------------------------------------------------------

TMenu::TMenu(TComponent *AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr))
{
}

TMenu::~TMenu() = default;

namespace
{

TMenuItem *FindShortCut(TMenuItem *Parent, TShortCut ShortCut)
{
    for (int i = 0; i < Parent->Count(); ++i) {
        TMenuItem *item = Parent->Items(i);
        if (item->ShortCut() == ShortCut && item->Enabled() && item->Visible()) return item;
        if (TMenuItem *found = FindShortCut(item, ShortCut)) return found;
    }
    return nullptr;
}

} // namespace

void TMenu::SetImages(TCustomImageList *Value)
{
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (FImages) FImages->FreeNotification(this);
}

void TMenu::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

bool TMenu::IsShortCut(WORD Key, TShiftState Shift)
{
    TMenuItem *item = FindShortCut(FItems.get(), ShortCut(Key, Shift));
    if (item) item->Click();
    return item != nullptr;
}

// The window of an open popup menu: its items in a column, the chosen one
// remembered until the menu's loop ends.
class TPopupMenuWindow : public TCustomControl
{
public:
    TPopupMenuWindow(TMenuItem *Items, TCustomImageList *Images)
        : TCustomControl(nullptr), FImages(Images)
    {
        SetVisible(false);
        for (int i = 0; i < Items->Count(); ++i)
            if (Items->Items(i)->Visible()) FVisibleItems.push_back(Items->Items(i));
    }

    bool Closed() const { return FClosed; }
    TMenuItem *Chosen() const { return FChosen; }

    void Open(int X, int Y, TPopupAlignment Alignment)
    {
        SetParentWindow(Application->Handle());
        int width = 0;
        {
            HDC dc = GetDC({});
            TCanvas canvas;
            canvas.SetHandle(dc);
            canvas.Font()->Assign(Font());
            for (TMenuItem *item : FVisibleItems)
                width = std::max(width, canvas.TextWidth(StripAmpersands(item->Caption())) +
                                            canvas.TextWidth(ShortCutToText(item->ShortCut())));
            canvas.SetHandle(nullptr);
            ReleaseDC({}, dc);
        }
        width += 60;
        int height = 4;
        for (TMenuItem *item : FVisibleItems)
            height += RowHeight(item);
        if (Alignment == paRight) X -= width;
        if (Alignment == paCenter) X -= width / 2;
        const TRect area = Screen->WorkAreaRect();
        X = std::clamp<int>(X, area.Left, std::max<int>(area.Left, area.Right - width));
        Y = std::clamp<int>(Y, area.Top, std::max<int>(area.Top, area.Bottom - height));
        SetBounds(X, Y, width, height);
        HandleNeeded();
        SetVisible(true);
        SetWindowPos(Handle(), HWND_TOPMOST, X, Y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        SetCapture(Handle());
    }

    void Close(TMenuItem *Chosen)
    {
        FChosen = Chosen;
        FClosed = true;
        if (GetCapture() == WindowHandle()) ReleaseCapture();
        if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
    }

    // Keys reach the menu from its loop, as the focus stays where it was.
    void Key(WORD Key)
    {
        const int count = static_cast<int>(FVisibleItems.size());
        auto step = [&](int direction) {
            for (int n = 0; n < count; ++n) {
                FSelected = (FSelected + direction + count) % count;
                if (!FVisibleItems[FSelected]->IsLine()) break;
            }
            Invalidate();
        };
        switch (Key) {
        case VK_DOWN:
            step(1);
            break;
        case VK_UP:
            step(FSelected < 0 ? 0 : -1);
            break;
        case VK_RETURN:
            if (FSelected >= 0) Choose(FVisibleItems[FSelected]);
            break;
        case VK_ESCAPE:
            Close(nullptr);
            break;
        default:
            break;
        }
    }

protected:
    void CreateParams(TCreateParams &Params) override
    {
        inherited::CreateParams(Params);
        vcl::SetPopupParams(Params, ParentWindow(), "TPopupMenuWindow");
    }

    void Paint() override
    {
        TCanvas *canvas = Canvas();
        const TRect client = ClientRect();
        canvas->Brush()->SetColor(clMenu);
        canvas->FillRect(client);
        RECT edge = client;
        DrawEdge(canvas->Handle(), &edge, EDGE_RAISED, BF_RECT);
        int y = 2;
        for (size_t i = 0; i < FVisibleItems.size(); ++i) {
            TMenuItem *item = FVisibleItems[i];
            const int h = RowHeight(item);
            const TRect r(2, y, client.Right - 2, y + h);
            if (item->IsLine()) {
                RECT line{r.Left + 1, r.Top + h / 2 - 1, r.Right - 1, r.Top + h / 2 + 1};
                DrawEdge(canvas->Handle(), &line, EDGE_ETCHED, BF_TOP);
            } else {
                const bool selected = int(i) == FSelected;
                canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
                canvas->FillRect(r);
                canvas->Font()->Assign(Font());
                canvas->Font()->SetColor(!item->Enabled() ? clGrayText
                                         : selected       ? clHighlightText
                                                          : clMenuText);
                canvas->Brush()->SetStyle(bsClear);
                const int textY = r.Top + (h - canvas->TextHeight("Wg")) / 2;
                if (item->Checked()) canvas->TextOut(r.Left + 4, textY, "v");
                if (FImages && item->ImageIndex() >= 0 && item->ImageIndex() < FImages->Count())
                    FImages->Draw(canvas, r.Left + 1, r.Top + (h - FImages->Height()) / 2,
                                  item->ImageIndex(), item->Enabled());
                canvas->TextOut(r.Left + 20, textY, StripAmpersands(item->Caption()));
                const AnsiString shortcut = ShortCutToText(item->ShortCut());
                canvas->TextOut(r.Right - 10 - canvas->TextWidth(shortcut), textY, shortcut);
            }
            y += h;
        }
    }

    void WndProc(TMessage &Message) override
    {
        const TPoint p(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        const bool inside = ClientRect().Contains(p.X, p.Y);
        switch (Message.Msg) {
        case WM_MOUSEMOVE:
            if (inside && RowAt(p.Y) != FSelected) {
                FSelected = RowAt(p.Y);
                Invalidate();
            }
            return;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            if (!inside) Close(nullptr);
            return;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (inside && RowAt(p.Y) >= 0) Choose(FVisibleItems[RowAt(p.Y)]);
            return;
        case WM_CAPTURECHANGED:
            if (!FClosed && reinterpret_cast<HWND>(Message.LParam) != WindowHandle())
                Close(nullptr);
            return;
        case WM_SETFOCUS:
            // The focus stays where it was while a menu is open.
            if (Message.WParam) ::SetFocus(reinterpret_cast<HWND>(Message.WParam));
            return;
        default:
            if (!vcl::HandlePopupActivation(Message)) inherited::WndProc(Message);
            return;
        }
    }

private:
    static int RowHeight(TMenuItem *Item) { return Item->IsLine() ? 8 : 20; }

    int RowAt(int Y) const
    {
        int y = 2;
        for (size_t i = 0; i < FVisibleItems.size(); ++i) {
            const int h = RowHeight(FVisibleItems[i]);
            if (Y >= y && Y < y + h) return FVisibleItems[i]->IsLine() ? -1 : int(i);
            y += h;
        }
        return -1;
    }

    void Choose(TMenuItem *Item)
    {
        if (Item->Enabled() && !Item->IsLine()) Close(Item);
    }

    TCustomImageList *FImages;
    std::vector<TMenuItem *> FVisibleItems;
    int FSelected = -1;
    bool FClosed = false;
    TMenuItem *FChosen = nullptr;
};

TPopupMenu::TPopupMenu(TComponent *AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::DoPopup(TObject *Sender)
{
    if (OnPopup) OnPopup(Sender);
}

void TPopupMenu::Popup(int X, int Y)
{
    DoPopup(this);
    TPopupMenuWindow window(Items(), Images());
    window.Open(X, Y, FAlignment);
    // The menu's own loop: keys drive the menu, everything else is dispatched,
    // and a quit message ends the loop and is posted again for the outer one.
    while (!window.Closed()) {
        MSG msg{};
        if (!GetMessageW(&msg, {}, 0, 0)) {
            window.Close(nullptr);
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            window.Key(static_cast<WORD>(msg.wParam));
            continue;
        }
        if (msg.message == WM_KEYUP || msg.message == WM_CHAR || msg.message == WM_SYSKEYUP ||
            msg.message == WM_SYSCHAR)
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (TMenuItem *chosen = window.Chosen()) chosen->Click();
}
