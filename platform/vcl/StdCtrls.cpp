#include "platform/vcl/StdCtrls.h"

#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Forms.h"
#include "platform/win/Paint.h"

#include <algorithm>

namespace
{

// A screen DC for measuring text outside painting.
class MeasureCanvas
{
public:
    explicit MeasureCanvas(TFont *Font) : FDc(GetDC({}))
    {
        FCanvas.SetHandle(FDc);
        FCanvas.Font()->Assign(Font);
    }
    ~MeasureCanvas()
    {
        FCanvas.SetHandle(nullptr);
        ReleaseDC({}, FDc);
    }
    MeasureCanvas(const MeasureCanvas &) = delete;
    MeasureCanvas &operator=(const MeasureCanvas &) = delete;
    TCanvas *operator->() { return &FCanvas; }

private:
    HDC FDc;
    TCanvas FCanvas;
};

int DrawTextA(HDC DC, const AnsiString &Text, TRect &R, UINT Flags)
{
    RECT r = R;
    const int height = ::DrawTextA(DC, Text.c_str(), Text.Length(), &r, Flags);
    R = r;
    return height;
}

// What DrawText with DT_CALCRECT makes of R for Text in Font on the screen. The font's own
// handle is selected: a label counting in a loop measures at every step, and a canvas of its
// own would make a font each time.
TRect MeasureText(TFont *Font, const AnsiString &Text, TRect R, UINT Flags)
{
    const HDC dc = GetDC({});
    const HGDIOBJ old = SelectObject(dc, Font->Handle());
    DrawTextA(dc, Text, R, Flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC({}, dc);
    return R;
}

} // namespace

// ---- TCustomLabel ------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent *AOwner) : TGraphicControl(AOwner)
{
    FControlStyle << csOpaque << csReplicatable;
    SetBounds(0, 0, 65, 17);
}

UINT TCustomLabel::TextFlags() const
{
    static constexpr UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = DT_EXPANDTABS | Alignments[FAlignment];
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    return flags;
}

void TCustomLabel::Paint()
{
    TCanvas *canvas = Canvas();
    const TRect client = ClientRect();
    if (!FTransparent) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(client);
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->Assign(Font());
    const AnsiString text = Caption();
    TRect r = client;
    UINT flags = TextFlags();
    if (FLayout != tlTop) {
        TRect measured = client;
        DrawTextA(canvas->Handle(), text, measured, flags | DT_CALCRECT);
        const int offset = client.Height() - measured.Height();
        r.Top += FLayout == tlBottom ? offset : offset / 2;
    }
    if (!IsEnabled()) {
        TRect shifted(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawTextA(canvas->Handle(), text, shifted, flags);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawTextA(canvas->Handle(), text, r, flags);
}

void TCustomLabel::AdjustBounds()
{
    if (!FAutoSize || ComponentState().Contains(csLoading)) return;
    const AnsiString text = Caption().IsEmpty() ? AnsiString("W") : Caption();
    const TRect r = MeasureText(Font(), text, TRect(0, 0, FWordWrap ? Width() : 0, 0), TextFlags());
    int left = Left();
    if (FAlignment == taRightJustify) left += Width() - r.Width();
    if (FAlignment == taCenter) left += (Width() - r.Width()) / 2;
    SetBounds(left, Top(), r.Width(), r.Height());
}

void TCustomLabel::SetAlignment(TAlignment Value)
{
    if (Value == FAlignment) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value)
{
    if (Value == FLayout) return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value)
{
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value)
{
    if (Value == FWordWrap) return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (Value == FTransparent) return;
    FTransparent = Value;
    if (Value)
        FControlStyle >> csOpaque;
    else
        FControlStyle << csOpaque;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value)
{
    if (Value == FShowAccelChar) return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::WndProc(TMessage &Message)
{
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_FONTCHANGED) {
        AdjustBounds();
        Invalidate();
        return;
    }
    inherited::WndProc(Message);
}

// ---- TCustomEdit ----------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent *AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
    SetCursor(crIBeam);
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.WinClassName = "TEditControl";
}

void TCustomEdit::SetMaxLength(int Value)
{
    FMaxLength = std::max(Value, 0);
}

void TCustomEdit::SetPasswordChar(char Value)
{
    if (Value == FPasswordChar) return;
    FPasswordChar = Value;
    Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    Invalidate();
}

AnsiString TCustomEdit::DisplayText() const
{
    if (!FPasswordChar) return FText;
    return AnsiString::StringOfChar(FPasswordChar, FText.Length());
}

void TCustomEdit::SetTextBuf(const AnsiString &Value)
{
    FText = Value;
    FCaret = FSelAnchor = 0;
    FScroll = 0;
    FCanUndo = false;
    FModified = false;
    Invalidate();
    Change();
}

void TCustomEdit::Change()
{
    if (OnChange) OnChange(this);
}

void TCustomEdit::SetSelStart(int Value)
{
    FCaret = FSelAnchor = std::clamp(Value, 0, FText.Length());
    Invalidate();
}

void TCustomEdit::SetSelLength(int Value)
{
    FSelAnchor = SelStart();
    FCaret = std::clamp(FSelAnchor + Value, 0, FText.Length());
    Invalidate();
}

AnsiString TCustomEdit::SelText() const
{
    return FText.SubString(SelStart() + 1, SelLength());
}

void TCustomEdit::Replace(int Start, int Length, const AnsiString &Text)
{
    FUndoText = FText;
    FCanUndo = true;
    AnsiString text = FText;
    text.Delete(Start + 1, Length);
    text.Insert(Text, Start + 1);
    FText = text;
    FCaret = FSelAnchor = Start + Text.Length();
    FModified = true;
    Invalidate();
    Change();
}

void TCustomEdit::SetSelText(const AnsiString &Value)
{
    AnsiString text = Value;
    if (FMaxLength > 0) {
        const int room = FMaxLength - (FText.Length() - SelLength());
        if (room <= 0 && SelLength() == 0) return;
        if (text.Length() > room) text = text.SubString(1, std::max(room, 0));
    }
    Replace(SelStart(), SelLength(), text);
}

void TCustomEdit::SelectAll()
{
    FSelAnchor = 0;
    FCaret = FText.Length();
    Invalidate();
}

void TCustomEdit::ClearSelection()
{
    if (SelLength() > 0 && !FReadOnly) Replace(SelStart(), SelLength(), "");
}

void TCustomEdit::CopyToClipboard()
{
    Perform(WM_COPY, 0, 0);
}
void TCustomEdit::CutToClipboard()
{
    Perform(WM_CUT, 0, 0);
}
void TCustomEdit::PasteFromClipboard()
{
    Perform(WM_PASTE, 0, 0);
}

void TCustomEdit::Undo()
{
    if (!FCanUndo || FReadOnly) return;
    const AnsiString previous = FUndoText;
    Replace(0, FText.Length(), previous);
}

void TCustomEdit::MoveCaret(int Position, bool Extend)
{
    FCaret = std::clamp(Position, 0, FText.Length());
    if (!Extend) FSelAnchor = FCaret;
    Invalidate();
}

void TCustomEdit::DeleteSelectionOr(int Direction)
{
    if (FReadOnly) return;
    if (SelLength() > 0) {
        Replace(SelStart(), SelLength(), "");
        return;
    }
    int from = FCaret;
    int to = FCaret + Direction;
    if (to < 0 || to > FText.Length()) return;
    // A line break is one step for the caret.
    if (Direction < 0 && from >= 2 && FText[from] == '\n' && FText[from - 1] == '\r') to = from - 2;
    if (Direction > 0 && to < FText.Length() && FText[from + 1] == '\r' && FText[to + 1] == '\n')
        ++to;
    Replace(std::min(from, to), std::abs(to - from), "");
}

int TCustomEdit::LineStart(int Position) const
{
    while (Position > 0 && FText[Position] != '\n')
        --Position;
    return Position;
}

int TCustomEdit::LineEnd(int Position) const
{
    while (Position < FText.Length() && FText[Position + 1] != '\r' && FText[Position + 1] != '\n')
        ++Position;
    return Position;
}

void TCustomEdit::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    const bool extend = Shift.Contains(ssShift);
    switch (Key) {
    case VK_LEFT:
        MoveCaret(SelLength() && !extend ? SelStart() : FCaret - 1, extend);
        break;
    case VK_RIGHT:
        MoveCaret(SelLength() && !extend ? SelStart() + SelLength() : FCaret + 1, extend);
        break;
    case VK_HOME:
        MoveCaret(MultiLine() ? LineStart(FCaret) : 0, extend);
        break;
    case VK_END:
        MoveCaret(MultiLine() ? LineEnd(FCaret) : FText.Length(), extend);
        break;
    case VK_UP:
    case VK_DOWN:
        if (MultiLine()) {
            const int column = FCaret - LineStart(FCaret);
            const int target = Key == VK_UP ? LineStart(FCaret) - 2 : LineEnd(FCaret) + 2;
            if (target >= 0 && target <= FText.Length()) {
                const int start = LineStart(target);
                MoveCaret(std::min(start + column, LineEnd(start)), extend);
            }
        }
        break;
    case VK_DELETE:
        if (Shift.Contains(ssShift))
            Perform(WM_CUT, 0, 0);
        else
            DeleteSelectionOr(1);
        break;
    case VK_INSERT:
        if (Shift.Contains(ssShift))
            Perform(WM_PASTE, 0, 0);
        else if (Shift.Contains(ssCtrl))
            Perform(WM_COPY, 0, 0);
        break;
    default:
        break;
    }
}

namespace
{

bool IsDigits(const AnsiString &Text)
{
    for (int i = 1; i <= Text.Length(); ++i)
        if (Text[i] < '0' || Text[i] > '9') return false;
    return true;
}

} // namespace

void TCustomEdit::InsertChar(char Key)
{
    switch (Key) {
    case 1:
        SelectAll();
        return;
    case 3:
        Perform(WM_COPY, 0, 0);
        return;
    case 8:
        DeleteSelectionOr(-1);
        return;
    case 22:
        Perform(WM_PASTE, 0, 0);
        return;
    case 24:
        Perform(WM_CUT, 0, 0);
        return;
    case 26:
        Undo();
        return;
    default:
        break;
    }
    if (static_cast<unsigned char>(Key) < 32 || FReadOnly) return;
    if (FNumbersOnly && !IsDigits(AnsiString(Key))) return;
    SetSelText(AnsiString(Key));
}

TRect TCustomEdit::TextArea()
{
    // Inside the sunken edge, the system's margins: a pixel above the text, two before it.
    TRect r = ClientRect();
    const int edge = FBorderStyle == bsSingle ? 2 : 0;
    return TRect(r.Left + edge + 2, r.Top + edge + 1, r.Right - edge - 1, r.Bottom - edge);
}

int TCustomEdit::CaretFromPoint(int X, int Y)
{
    MeasureCanvas canvas(Font());
    const TRect area = TextArea();
    const AnsiString text = DisplayText();
    int start = 0;
    if (MultiLine()) {
        const int line = std::max(0, (Y - area.Top) / std::max(1, canvas->TextHeight("Wg")));
        for (int i = 0; i < line && start < text.Length(); ++i) {
            const int end = LineEnd(start);
            if (end >= text.Length()) {
                start = end;
                break;
            }
            start = end + 2;
        }
    }
    const int end = MultiLine() ? LineEnd(start) : text.Length();
    const int x = X - area.Left + (MultiLine() ? 0 : FScroll);
    for (int i = start; i < end; ++i) {
        const int left = canvas->TextWidth(text.SubString(start + 1, i - start));
        const int right = canvas->TextWidth(text.SubString(start + 1, i - start + 1));
        if (x < (left + right) / 2) return i;
    }
    return end;
}

void TCustomEdit::PaintWindow(HDC DC)
{
    vcl::PaintCanvas canvas(DC, this);
    TRect client = ClientRect();
    if (FBorderStyle == bsSingle) {
        RECT edge = client;
        DrawEdge(DC, &edge, EDGE_SUNKEN, BF_RECT);
    }
    const TRect area = TextArea();
    IntersectClipRect(DC, area.Left, area.Top, area.Right, area.Bottom);
    const AnsiString text = DisplayText();
    const int lineHeight = canvas->TextHeight("Wg");
    const bool focused = Focused();
    const bool showSelection = SelLength() > 0 && (focused || !FHideSelection);
    if (!IsEnabled()) canvas->Font()->SetColor(clGrayText);
    // Single-line text scrolls to keep the caret in view, and no further than its end needs:
    // text shortened by typing over a selection or deleting comes back into view.
    if (!MultiLine()) {
        const int caretX = canvas->TextWidth(text.SubString(1, FCaret));
        if (caretX - FScroll > area.Width() - 1) FScroll = caretX - area.Width() + 1;
        FScroll = std::min(FScroll, std::max(0, canvas->TextWidth(text) - area.Width() + 1));
        if (caretX < FScroll) FScroll = caretX;
    }
    int start = 0;
    int y = area.Top;
    while (true) {
        const int end = MultiLine() ? LineEnd(start) : text.Length();
        const int x0 = area.Left - (MultiLine() ? 0 : FScroll);
        canvas->Brush()->SetStyle(bsClear);
        canvas->TextOut(x0, y, text.SubString(start + 1, end - start));
        if (showSelection) {
            const int s = std::clamp(SelStart(), start, end);
            const int e = std::clamp(SelStart() + SelLength(), start, end);
            if (e > s) {
                const int sx = x0 + canvas->TextWidth(text.SubString(start + 1, s - start));
                const AnsiString part = text.SubString(s + 1, e - s);
                canvas->Brush()->SetColor(clHighlight);
                canvas->Font()->SetColor(clHighlightText);
                canvas->TextOut(sx, y, part);
                canvas->Font()->SetColor(Font()->Color());
            }
        }
        if (focused && FCaret >= start && FCaret <= end) {
            const int cx = x0 + canvas->TextWidth(text.SubString(start + 1, FCaret - start));
            canvas->Pen()->SetColor(Font()->Color());
            canvas->MoveTo(cx, y);
            canvas->LineTo(cx, y + lineHeight);
        }
        if (!MultiLine() || end >= text.Length()) break;
        start = end + 2;
        y += lineHeight;
    }
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        MoveCaret(CaretFromPoint(X, Y), Shift.Contains(ssShift));
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    if (Shift.Contains(ssLeft) && MouseCapture()) MoveCaret(CaretFromPoint(X, Y), true);
    inherited::MouseMove(Shift, X, Y);
}

void TCustomEdit::DoEnter()
{
    if (FAutoSelect && !MultiLine()) SelectAll();
    Invalidate();
    inherited::DoEnter();
}

void TCustomEdit::DoExit()
{
    Invalidate();
    inherited::DoExit();
}

void TCustomEdit::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_CHAR:
        if (!DoKeyPress(Message)) InsertChar(static_cast<char>(Message.WParam));
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_PASTE: {
        if (FReadOnly) return;
        AnsiString text = Clipboard()->AsText();
        if (!MultiLine()) {
            const int cr = std::min(text.Pos("\r") ? text.Pos("\r") : text.Length() + 1,
                                    text.Pos("\n") ? text.Pos("\n") : text.Length() + 1);
            text = text.SubString(1, cr - 1);
        }
        if (FNumbersOnly && !IsDigits(text)) return;
        SetSelText(text);
        return;
    }
    case WM_COPY:
        if (SelLength() > 0 && !FPasswordChar) Clipboard()->SetAsText(SelText());
        return;
    case WM_CUT:
        if (SelLength() > 0 && !FPasswordChar && !FReadOnly) {
            Clipboard()->SetAsText(SelText());
            ClearSelection();
        }
        return;
    case WM_CLEAR:
        ClearSelection();
        return;
    case WM_UNDO:
        Undo();
        return;
    case WM_KILLFOCUS:
    case WM_SETFOCUS:
        Invalidate();
        break;
    default:
        break;
    }
    inherited::WndProc(Message);
}

// ---- TCustomMemo ------------------------------------------------------------------------

// The memo's lines live in its text; this list reads and rewrites it.
class TMemoStrings : public TStrings
{
public:
    explicit TMemoStrings(TCustomMemo *Memo) : FMemo(Memo) {}
    void Clear() override { FMemo->SetText(""); }
    void Delete(int Index) override
    {
        std::vector<AnsiString> lines = Split();
        if (Index < 0 || Index >= int(lines.size())) Error("List index out of bounds (%d)", Index);
        lines.erase(lines.begin() + Index);
        Join(lines);
    }
    void Insert(int Index, const AnsiString &S) override
    {
        std::vector<AnsiString> lines = Split();
        if (Index < 0 || Index > int(lines.size())) Error("List index out of bounds (%d)", Index);
        lines.insert(lines.begin() + Index, S);
        Join(lines);
    }

protected:
    AnsiString Get(int Index) const override
    {
        const std::vector<AnsiString> lines = Split();
        if (Index < 0 || Index >= int(lines.size())) Error("List index out of bounds (%d)", Index);
        return lines[Index];
    }
    int GetCount() const override { return static_cast<int>(Split().size()); }
    void Put(int Index, const AnsiString &S) override
    {
        std::vector<AnsiString> lines = Split();
        if (Index < 0 || Index >= int(lines.size())) Error("List index out of bounds (%d)", Index);
        lines[Index] = S;
        Join(lines);
    }
    void SetTextStr(const AnsiString &Value) override
    {
        TStringList list;
        list.SetText(Value);
        std::vector<AnsiString> lines;
        for (int i = 0; i < list.Count(); ++i)
            lines.push_back(list[i]);
        Join(lines);
    }

private:
    std::vector<AnsiString> Split() const
    {
        TStringList list;
        list.SetText(FMemo->Text());
        std::vector<AnsiString> lines;
        for (int i = 0; i < list.Count(); ++i)
            lines.push_back(list[i]);
        return lines;
    }
    void Join(const std::vector<AnsiString> &Lines)
    {
        AnsiString text;
        for (size_t i = 0; i < Lines.size(); ++i)
            text += (i ? "\r\n" : "") + Lines[i];
        FMemo->SetText(text);
    }

    TCustomMemo *FMemo;
};

TCustomMemo::TCustomMemo(TComponent *AOwner)
    : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(this))
{
    SetBounds(0, 0, 185, 89);
    SetAutoSelect(false);
}

TCustomMemo::~TCustomMemo() = default;

TStrings *TCustomMemo::Lines() const
{
    return FLines.get();
}

void TCustomMemo::SetLines(TStrings *Value)
{
    FLines->Assign(Value);
}

void TCustomMemo::InsertChar(char Key)
{
    if (Key == '\r') {
        if (FWantReturns && !ReadOnly()) SetSelText("\r\n");
        return;
    }
    if (Key == '\t') {
        if (FWantTabs && !ReadOnly()) SetSelText("\t");
        return;
    }
    inherited::InsertChar(Key);
}

void TCustomMemo::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (FWantReturns) Message.Result |= DLGC_WANTALLKEYS;
        if (FWantTabs) Message.Result |= DLGC_WANTTAB;
        return;
    }
    inherited::WndProc(Message);
}

// ---- Buttons ---------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent *AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
}

void TButtonControl::DoEnter()
{
    Invalidate();
    inherited::DoEnter();
}

void TButtonControl::DoExit()
{
    FPushed = false;
    FSpaceDown = false;
    Invalidate();
    inherited::DoExit();
}

void TButtonControl::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (Key == VK_SPACE && !FSpaceDown) {
        FSpaceDown = FPushed = FInside = true;
        Invalidate();
    }
}

void TButtonControl::KeyUp(WORD &Key, TShiftState Shift)
{
    inherited::KeyUp(Key, Shift);
    if (Key == VK_SPACE && FSpaceDown) {
        FSpaceDown = FPushed = false;
        Invalidate();
        Click();
    }
}

void TButtonControl::MouseMove(TShiftState Shift, int X, int Y)
{
    const bool inside = ClientRect().Contains(X, Y);
    if (FPushed && inside != FInside) {
        FInside = inside;
        Invalidate();
    }
    inherited::MouseMove(Shift, X, Y);
}

void TButtonControl::DrawCaption(HDC DC, TRect R, UINT Flags)
{
    vcl::PaintCanvas canvas(DC, this);
    canvas->Brush()->SetStyle(bsClear);
    if (!IsEnabled()) canvas->Font()->SetColor(clGrayText);
    TRect textRect = R;
    DrawTextA(canvas->Handle(), Caption(), textRect, Flags);
    if (Focused()) {
        TRect measured = R;
        DrawTextA(canvas->Handle(), Caption(), measured, Flags | DT_CALCRECT);
        int dx = 0;
        if (Flags & DT_CENTER) dx = (R.Width() - measured.Width()) / 2;
        int dy = 0;
        if (Flags & DT_VCENTER) dy = (R.Height() - measured.Height()) / 2;
        const RECT focus{measured.Left + dx - 1, measured.Top + dy - 1, measured.Right + dx + 1,
                         measured.Bottom + dy + 1};
        ::DrawFocusRect(DC, &focus);
    }
}

// The system's own button procedure presses and lets go of the face, whatever the
// class library's MouseDown and MouseUp of a descendant do.
void TButtonControl::DefaultHandler(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!Focused() && CanFocus()) SetFocus();
        FPushed = FInside = true;
        Invalidate();
        break;
    case WM_LBUTTONUP:
        if (FPushed) {
            FPushed = false;
            Invalidate();
        }
        break;
    default:
        break;
    }
    inherited::DefaultHandler(Message);
}

void TButtonControl::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_KILLFOCUS || Message.Msg == WM_SETFOCUS) Invalidate();
    if (Message.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    inherited::WndProc(Message);
}

TButton::TButton(TComponent *AOwner) : TButtonControl(AOwner)
{
    SetBounds(0, 0, 75, 25);
    SetParentColor(false);
    SetColor(clBtnFace);
}

void TButton::SetDefault(bool Value)
{
    FDefault = Value;
    Invalidate();
}

void TButton::Click()
{
    if (TCustomForm *form = GetParentForm(this)) form->SetModalResult(FModalResult);
    inherited::Click();
}

void TButton::PaintWindow(HDC DC)
{
    RECT r = ClientRect();
    UINT state = DFCS_BUTTONPUSH;
    if (Pushed()) state |= DFCS_PUSHED;
    if (!IsEnabled()) state |= DFCS_INACTIVE;
    if (FDefault || Focused()) {
        // The default button wears an extra dark frame.
        HBRUSH frame = CreateSolidBrush(ColorToRGB(clWindowFrame));
        FrameRect(DC, &r, frame);
        DeleteObject(frame);
        r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    DrawFrameControl(DC, &r, DFC_BUTTON, state);
    TRect text = r;
    if (Pushed()) text = TRect(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1);
    DrawCaption(DC, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TButton::WndProc(TMessage &Message)
{
    if (Message.Msg == CM_DIALOGKEY) {
        const auto key = static_cast<int>(Message.WParam);
        TCustomForm *form = GetParentForm(this);
        TWinControl *active = form ? form->ActiveControl() : nullptr;
        const bool isActive = active == this || (FDefault && !dynamic_cast<TButton *>(active));
        if (((key == VK_RETURN && isActive) || (key == VK_ESCAPE && FCancel)) &&
            KeyDataToShiftState(Message.LParam).Empty() && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        Message.Result = 0;
        return;
    }
    if (Message.Msg == CM_DIALOGCHAR) {
        Message.Result = IsAccel(static_cast<WORD>(Message.WParam), Caption()) && CanFocus();
        if (Message.Result) Click();
        return;
    }
    inherited::WndProc(Message);
}

TCustomCheckBox::TCustomCheckBox(TComponent *AOwner) : TButtonControl(AOwner)
{
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState Value)
{
    if (Value == FState) return;
    FState = Value;
    Invalidate();
    TButtonControl::Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value)
{
    if (Value == FAlignment) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomCheckBox::Toggle()
{
    switch (FState) {
    case cbUnchecked:
        SetState(FAllowGrayed ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCustomCheckBox::Click()
{
    // A user's click toggles; the new state raises OnClick through SetState.
    if (FToggling) return;
    FToggling = true;
    try {
        Toggle();
    } catch (...) {
        FToggling = false;
        throw;
    }
    FToggling = false;
}

namespace
{

constexpr int CheckSize = 13;

TRect GlyphRect(const TRect &Client, bool Right)
{
    const int top = (Client.Height() - CheckSize) / 2;
    const int left = Right ? Client.Right - CheckSize : 0;
    return Bounds(left, top, CheckSize, CheckSize);
}

} // namespace

void TCustomCheckBox::PaintWindow(HDC DC)
{
    const TRect client = ClientRect();
    const bool right = FAlignment == taLeftJustify;
    RECT glyph = GlyphRect(client, right);
    UINT state = DFCS_BUTTONCHECK;
    if (FState != cbUnchecked) state |= DFCS_CHECKED;
    if (FState == cbGrayed || !IsEnabled()) state |= DFCS_INACTIVE;
    if (Pushed()) state |= DFCS_PUSHED;
    DrawFrameControl(DC, &glyph, DFC_BUTTON, state);
    TRect text = client;
    if (right)
        text.Right -= CheckSize + 4;
    else
        text.Left += CheckSize + 4;
    DrawCaption(DC, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

TRadioButton::TRadioButton(TComponent *AOwner) : TButtonControl(AOwner)
{
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool Value)
{
    if (Value == FChecked) return;
    FChecked = Value;
    Invalidate();
    if (!Value) return;
    if (Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto *other = dynamic_cast<TRadioButton *>(Parent()->Controls(i));
                other && other != this)
                other->SetChecked(false);
    TButtonControl::Click();
}

void TRadioButton::Click()
{
    if (!FChecked) SetChecked(true);
}

void TRadioButton::PaintWindow(HDC DC)
{
    const TRect client = ClientRect();
    RECT glyph = GlyphRect(client, false);
    UINT state = DFCS_BUTTONRADIO;
    if (FChecked) state |= DFCS_CHECKED;
    if (!IsEnabled()) state |= DFCS_INACTIVE;
    if (Pushed()) state |= DFCS_PUSHED;
    DrawFrameControl(DC, &glyph, DFC_BUTTON, state);
    TRect text = client;
    text.Left += CheckSize + 4;
    DrawCaption(DC, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

// ---- TGroupBox ---------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent *AOwner) : TCustomControl(AOwner)
{
    FControlStyle << csAcceptsControls;
    SetBounds(0, 0, 185, 105);
}

int TGroupBox::CaptionHeight()
{
    // Measured apart from the window: the children are placed before it exists.
    TBitmap Measure;
    Measure.Canvas()->Font()->Assign(Font());
    return Measure.Canvas()->TextHeight("0");
}

void TGroupBox::AlignControls(TControl *AControl, TRect &Rect)
{
    Rect = TRect(Rect.Left + 2, Rect.Top + CaptionHeight(), Rect.Right - 2, Rect.Bottom - 2);
    TCustomControl::AlignControls(AControl, Rect);
}

void TGroupBox::Paint()
{
    TCanvas *canvas = Canvas();
    canvas->Font()->Assign(Font());
    const int half = CaptionHeight() / 2;
    TRect r = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
    RECT frame{r.Left, r.Top + half, r.Right, r.Bottom};
    DrawEdge(canvas->Handle(), &frame, EDGE_ETCHED, BF_RECT);
    const AnsiString caption = Caption();
    if (caption.IsEmpty()) return;
    canvas->Brush()->SetStyle(bsSolid);
    canvas->TextOut(8, 0, caption);
}

// ---- published properties ---------------------------------------------------------

namespace
{

template <class T> void PublishCaption(rtl::Publisher<T> &P)
{
    P.Property("Caption", &TControl::Caption, &TControl::SetCaption);
}

void PublishLabel(rtl::Publisher<TLabel> &P)
{
    PublishCaption(P);
    P.Property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap);
}

void PublishEdit(rtl::Publisher<TEdit> &P)
{
    P.Property("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength);
    P.Property("NumbersOnly", &TEdit::NumbersOnly, &TEdit::SetNumbersOnly);
    P.Property("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly);
    P.Property("Text", &TControl::Text, &TControl::SetText);
}

void PublishMemo(rtl::Publisher<TMemo> &P)
{
    P.Property("Lines", &TMemo::Lines, &TMemo::SetLines);
    P.Property("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly);
    P.Property("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap);
}

void PublishButton(rtl::Publisher<TButton> &P)
{
    PublishCaption(P);
    P.Property("Cancel", &TButton::Cancel, &TButton::SetCancel);
    P.Property("Default", &TButton::Default, &TButton::SetDefault);
    P.Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult,
               rtl::TModalResultInfo());
}

void PublishCheckBox(rtl::Publisher<TCheckBox> &P)
{
    PublishCaption(P);
    P.Property("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked);
}

void PublishRadioButton(rtl::Publisher<TRadioButton> &P)
{
    PublishCaption(P);
    P.Property("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked);
}

void PublishComboBox(rtl::Publisher<TComboBox> &P)
{
    P.Property("Items", &TComboBox::Items, &TComboBox::SetItems);
    P.Property("Text", &TControl::Text, &TControl::SetText);
}

void PublishListBox(rtl::Publisher<TListBox> &P)
{
    P.Property("Items", &TListBox::Items, &TListBox::SetItems);
}

[[maybe_unused]] const bool LabelPublished = rtl::PublishClass<TLabel>(&PublishLabel);
[[maybe_unused]] const bool EditPublished = rtl::PublishClass<TEdit>(&PublishEdit);
[[maybe_unused]] const bool MemoPublished = rtl::PublishClass<TMemo>(&PublishMemo);
[[maybe_unused]] const bool ButtonPublished = rtl::PublishClass<TButton>(&PublishButton);
[[maybe_unused]] const bool CheckBoxPublished = rtl::PublishClass<TCheckBox>(&PublishCheckBox);
[[maybe_unused]] const bool RadioButtonPublished =
    rtl::PublishClass<TRadioButton>(&PublishRadioButton);
[[maybe_unused]] const bool ComboBoxPublished = rtl::PublishClass<TComboBox>(&PublishComboBox);
[[maybe_unused]] const bool ListBoxPublished = rtl::PublishClass<TListBox>(&PublishListBox);
[[maybe_unused]] const bool GroupBoxPublished =
    rtl::PublishClass<TGroupBox>(&PublishCaption<TGroupBox>);

} // namespace
