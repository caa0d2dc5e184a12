#include "controls/ExtMaskEdit.h"

#include "platform/rtl/ClassesFiler.h"

#include "link/grid_helpers.h"
#include "link/helpers.h"
#include "link/key_codes.h"
#include "platform/vcl/Forms.h"

#include <algorithm>

namespace
{

bool IsEditLetter(char M)
{
    return M == 'D' || M == 'A' || M == 'H';
}

bool IsMaskLetter(char M)
{
    return IsEditLetter(M) || M == 'X';
}

char Upper(char Ch)
{
    return AnsiString(Ch).UpperCase()[1];
}

TMenuItem *MenuItem(TPopupMenu *Menu, const AnsiString &Caption, const char *ShortCut,
                    std::function<void()> Action)
{
    auto *Item = new TMenuItem(Menu);
    Item->SetCaption(Caption);
    Item->SetShortCut(TextToShortCut(ShortCut));
    Item->OnClick = [Action](TObject *) { Action(); };
    Menu->Items()->Add(Item);
    return Item;
}

} // namespace

TExtMaskEdit::TExtMaskEdit(TComponent *AOwner) : TCustomControl(AOwner), FMenu(new TPopupMenu(this))
{
    SetTabStop(true);
    SetDoubleBuffered(true);
    MenuItem(FMenu, "Копировать всё"_a, "Ctrl+A", [this] { CopyAll(); });
    MenuItem(FMenu, "Копировать"_a, "Ctrl+C", [this] { Copy(); });
    MenuItem(FMenu, "Вставить"_a, "Ctrl+V", [this] { Paste(); });
}

AnsiString TExtMaskEdit::Text() const
{
    AnsiString Result;
    for (int I = 1; I <= FDisplay.Length(); ++I) {
        const char Ch = FDisplay[I];
        if (FSeparators.Pos(AnsiString(Ch)) > 0) continue;
        Result += FMaskType == msKeyHex8b && Ch == FBlankSymbol ? '0' : Ch;
    }
    return Result;
}

void TExtMaskEdit::SetText(const AnsiString &Value)
{
    FRawText = Value;
    ApplyMask();
    PostProcess();
    Invalidate();
}

void TExtMaskEdit::SetEditMask(const AnsiString &Value)
{
    FEditMask = Value;
    ApplyMask();
    Invalidate();
}

void TExtMaskEdit::SetBlankSymbol(char Value)
{
    FBlankSymbol = Value;
    ApplyMask();
    Invalidate();
}

void TExtMaskEdit::SetFrame(int Value)
{
    FFrame = Value;
    Invalidate();
}

bool TExtMaskEdit::Editable(int Pos) const
{
    return Pos >= 1 && Pos <= FEditMask.Length() && IsEditLetter(FEditMask[Pos]);
}

bool TExtMaskEdit::Fits(int Pos, char Ch) const
{
    switch (FEditMask[Pos]) {
    case 'D':
        return IsDigitChar(Ch);
    case 'A':
        return IsLetterChar(Ch);
    case 'H':
        return IsHexDigitChar(Ch);
    default:
        return false;
    }
}

void TExtMaskEdit::ApplyMask()
{
    int Real = 0;
    for (int I = 1; I <= FEditMask.Length(); ++I)
        Real += IsMaskLetter(FEditMask[I]);
    AnsiString Chars = FRawText.SubString(1, Real);
    while (Chars.Length() < Real)
        Chars += FBlankSymbol;
    Chars = Chars.UpperCase();
    FSeparators = "";
    AnsiString Out;
    for (int I = 1, K = 1; I <= FEditMask.Length(); ++I) {
        const char M = FEditMask[I];
        if (!IsMaskLetter(M)) {
            Out += M;
            FSeparators += M;
            continue;
        }
        const char Ch = Chars[K++];
        const bool Keep = M == 'X' || Ch == FBlankSymbol || (M == 'D' && IsDigitChar(Ch)) ||
                          (M == 'A' && IsLetterChar(Ch)) || (M == 'H' && IsHexDigitChar(Ch));
        Out += Keep ? Ch : FBlankSymbol;
    }
    FDisplay = Out;
    KeepPositionsInDisplay();
}

// A shorter display (a new mask) must not leave the caret or the selection past its end.
void TExtMaskEdit::KeepPositionsInDisplay()
{
    const int Length = FDisplay.Length();
    if (Length == 0) {
        ClearSelection();
        return;
    }
    FSelStart = std::min(FSelStart, Length);
    FSelEnd = std::min(FSelEnd, Length);
    FCaret = std::clamp(FCaret, 1, Length);
}

void TExtMaskEdit::PostProcess()
{
    if (FMaskType != msKeyHex8b || FDisplay.Length() < 2) return;
    const AnsiString Code = Text();
    if (Code.IsEmpty()) return;
    const AnsiString Fixed = KeyHexFixCrc(Code);
    if (Fixed.Length() < 2) return;
    FDisplay[1] = Fixed[1];
    FDisplay[2] = Fixed[2];
}

void TExtMaskEdit::MoveCaret(int Direction)
{
    const int Length = FDisplay.Length();
    if (Direction < 0) {
        for (int P = FCaret - 1; P >= 1; --P)
            if (Editable(P)) {
                FCaret = P;
                return;
            }
        return;
    }
    if (Direction == 0) {
        int Forward = 0, Backward = 0;
        for (int P = FCaret; P <= Length && !Forward; ++P)
            if (Editable(P)) Forward = P;
        for (int P = std::min(FCaret, Length); P >= 1 && !Backward; --P)
            if (Editable(P)) Backward = P;
        FCaretHidden = !Forward && !Backward;
        if (Forward && Backward)
            FCaret = Forward - FCaret < FCaret - Backward ? Forward : Backward;
        else if (Forward || Backward)
            FCaret = Forward ? Forward : Backward;
        return;
    }
    if (FCaret >= Length || FCaret == FEndCaretPos) {
        RequestNextControl();
        return;
    }
    for (int P = FCaret + 1; P <= Length; ++P)
        if (Editable(P)) {
            FCaret = P;
            return;
        }
    RequestNextControl();
}

void TExtMaskEdit::MoveToNextControlIfRequested()
{
    if (!FNextControlRequested) return;
    FNextControlRequested = false;
    if (TCustomForm *Form = GetParentForm(this)) Form->SelectNext(this, true, true);
}

AnsiString TExtMaskEdit::Selected() const
{
    AnsiString Out;
    for (int I = std::min(FSelStart, FSelEnd); I <= std::max(FSelStart, FSelEnd); ++I)
        Out += FMaskType == msKeyHex8b && FDisplay[I] == FBlankSymbol ? '0' : FDisplay[I];
    return Out;
}

void TExtMaskEdit::Copy()
{
    if (HasSelection()) ClipboardSetUnicodeText(Selected());
}

void TExtMaskEdit::CopyAll()
{
    FSelStart = 1;
    FSelEnd = FDisplay.Length();
    Copy();
    ClearSelection();
    Invalidate();
}

void TExtMaskEdit::Paste()
{
    AnsiString Source = ClipboardGetUnicodeText().UpperCase();
    if (FMaskType == msKeyHex8b) ExtractKeyHex(Source);
    for (int I = FCaret, J = 1; I <= FDisplay.Length() && J <= Source.Length();) {
        const char M = FEditMask[I];
        if (!IsMaskLetter(M)) {
            ++I;
        } else if (M == 'X') {
            break;
        } else {
            const char Ch = Source[J++];
            if (Fits(I, Ch)) FDisplay[I++] = Ch;
        }
    }
    PostProcess();
    Invalidate();
}

void TExtMaskEdit::KeyPress(char &Key)
{
    const auto Code = static_cast<unsigned char>(Key);
    if (Code == 1)
        CopyAll();
    else if (Code == 3)
        Copy();
    else if (Code == 22)
        Paste();
    if (Code >= 32 && !FDisplay.IsEmpty()) {
        if (HasSelection()) {
            const int From = std::min(FSelStart, FSelEnd), To = std::max(FSelStart, FSelEnd);
            FCaret = From;
            MoveCaret(0);
            for (int I = From; I <= To; ++I)
                if (Editable(I)) FDisplay[I] = FBlankSymbol;
            ClearSelection();
        }
        const char Ch = Upper(Key);
        if (Editable(FCaret) && Fits(FCaret, Ch)) {
            FDisplay[FCaret] = Ch;
            MoveCaret(+1);
        }
        PostProcess();
        Invalidate();
    }
    TCustomControl::KeyPress(Key);
    MoveToNextControlIfRequested();
}

void TExtMaskEdit::KeyDown(WORD &Key, TShiftState Shift)
{
    const bool Back = Key == VK_LEFT || Key == VK_UP, On = Key == VK_RIGHT || Key == VK_DOWN;
    if (Back || On) {
        if (!Shift.Contains(ssShift)) {
            ClearSelection();
            MoveCaret(Back ? -1 : +1);
        } else {
            if (!FSelStart) FSelStart = FCaret;
            if (!FSelEnd) FSelEnd = FCaret;
            FSelEnd = Back ? std::max(1, FSelEnd - 1) : std::min(FDisplay.Length(), FSelEnd + 1);
            FCaret = FSelEnd;
            MoveCaret(0);
        }
        Invalidate();
    }
    TCustomControl::KeyDown(Key, Shift);
    MoveToNextControlIfRequested();
}

int TExtMaskEdit::CharAt(int X)
{
    if (X <= FFrame) return 1;
    Canvas()->SetFont(Font());
    int Left = FFrame;
    for (int I = 1; I <= FDisplay.Length(); ++I) {
        const int W = Canvas()->TextWidth(AnsiString(FDisplay[I]));
        if (X >= Left && X <= Left + W) return I;
        Left += W;
    }
    return FDisplay.Length();
}

void TExtMaskEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (CanFocus()) SetFocus();
    FFocused = true;
    if (Button == mbLeft) ClearSelection();
    if (Enabled()) {
        FCaret = CharAt(X);
        MoveCaret(0);
    }
    Invalidate();
    if (Button == mbRight && Enabled()) {
        const TPoint P = ClientToScreen(TPoint(X, Y));
        FMenu->Popup(P.X, P.Y);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TExtMaskEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    if (Shift.Contains(ssLeft)) {
        const int At = CharAt(X);
        if (!FSelStart) FSelStart = At;
        FSelEnd = FCaret = At;
        MoveCaret(0);
        Invalidate();
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TExtMaskEdit::DoEnter()
{
    TCustomControl::DoEnter();
    FFocused = true;
    FCaret = FBeginCaretPos;
    ClearSelection();
    MoveCaret(0);
    SetCursor(crIBeam);
    Invalidate();
}

void TExtMaskEdit::DoExit()
{
    // The exit handler sees the text as typed; the blanks and the check byte follow.
    TCustomControl::DoExit();
    FFocused = false;
    if (FMaskType == msKeyHex8b) SetText(Text());
    SetCursor(crDefault);
    Invalidate();
}

void TExtMaskEdit::FitToFont()
{
    Canvas()->SetFont(Font());
    SetBounds(Left(), Top(), Canvas()->TextWidth(FDisplay) + 2 * FFrame,
              Canvas()->TextHeight("M") + 2 * FFrame);
}

void TExtMaskEdit::WndProc(TMessage &Message)
{
    TCustomControl::WndProc(Message);
    switch (Message.Msg) {
    case CM_FONTCHANGED:
        FitToFont();
        Invalidate();
        break;
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        SetCursor(Message.Msg == CM_MOUSEENTER ? crIBeam : crDefault);
        Invalidate();
        break;
    case WM_GETDLGCODE:
        Message.Result |= DLGC_WANTARROWS;
        break;
    default:
        break;
    }
}

void TExtMaskEdit::Paint()
{
    TCanvas *C = Canvas();
    C->SetFont(Font());
    const int TH = C->TextHeight("M");
    const int Y = (Height() - TH) / 2;
    C->Brush()->SetStyle(bsSolid);
    if (FFocused) {
        C->Pen()->SetColor(clSilver);
        C->Brush()->SetColor(static_cast<TColor>(RGB(255, 251, 240)));
    } else {
        C->Pen()->SetColor(ColorAddRGB(clHighlight, 30, 30, 246));
        C->Brush()->SetColor(clWhite);
    }
    C->Rectangle(0, 0, Width(), Height());
    // The system caret marks the editing position for whoever follows it; the block itself is
    // never shown, the typed characters and the selection show where editing goes on.
    const bool CaretWanted = FFocused && Enabled() && !FCaretHidden;
    if (!CaretWanted) HideCaret(Handle());
    C->Brush()->SetStyle(bsClear);
    int X = FFrame, SelLeft = 0, SelRight = 0;
    const int From = std::min(FSelStart, FSelEnd), To = std::max(FSelStart, FSelEnd);
    for (int I = 1; I <= FDisplay.Length(); ++I) {
        const char Ch = FDisplay[I];
        TColor Color = clSilver;
        if (Enabled()) {
            Color = Ch == FBlankSymbol ? static_cast<TColor>(RGB(0, 128, 0))
                    : I <= FEditMask.Length() && FEditMask[I] == 'X'
                        ? static_cast<TColor>(RGB(160, 160, 164))
                        : clBlack;
        }
        C->Font()->SetColor(Color);
        C->TextOut(X, Y, AnsiString(Ch));
        const int W = C->TextWidth(AnsiString(Ch));
        if (I == FCaret && CaretWanted) {
            CreateCaret(Handle(), nullptr, W, TH);
            SetCaretPos(X, Y);
        }
        if (I == From) SelLeft = X;
        if (I == To) SelRight = X + W;
        X += W;
    }
    if (HasSelection() && FFocused && Enabled()) {
        C->Pen()->SetColor(clHighlight);
        C->Brush()->SetColor(clHighlight);
        C->Brush()->SetStyle(bsSolid);
        const int Old = SetROP2(C->Handle(), R2_MERGEPENNOT);
        C->Rectangle(SelLeft, Y, SelRight, Y + TH);
        SetROP2(C->Handle(), Old);
    }
    C->Brush()->SetStyle(bsSolid);
}

// The text before the mask: the mask is laid over the raw text whenever either changes.
void TExtMaskEdit::Publish(rtl::Publisher<TExtMaskEdit> &P)
{
    using T = TExtMaskEdit;
    P.Property("MaskType", &T::MaskType, &T::SetMaskType).Default(msCustom);
    P.Property("Text", &T::Text, &T::SetText);
    P.Property("EditMask", &T::EditMask, &T::SetEditMask);
    P.Property("BlankSymbol", &T::BlankSymbol, &T::SetBlankSymbol).Default(static_cast<char>(149));
    P.Property("Frame", &T::Frame, &T::SetFrame).Default(3);
    P.Property("BeginCaretPos", &T::BeginCaretPos, &T::SetBeginCaretPos).Default(1);
    P.Property("EndCaretPos", &T::EndCaretPos, &T::SetEndCaretPos).Default(1);
    P.Property("ExitAtEnd", &T::ExitAtEnd, &T::SetExitAtEnd).Default(true);
    P.Property("Caption", &TControl::Caption, &TControl::SetCaption);
    // The editor is made a tab stop, so only one taken out of the tab order is written.
    P.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
    P.Event("OnEnter", &T::OnEnter);
    P.Event("OnExit", &T::OnExit);
    P.Event("OnKeyPress", &T::OnKeyPress);
    PublishControlEvents(P);
}
QRV4_PUBLISHED(TExtMaskEdit)

void ExtMaskEdit::Register()
{
    RegisterComponents("Win32", {TExtMaskEdit::StaticClass()});
}
