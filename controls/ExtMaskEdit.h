#pragma once
// A self-drawn editor of a fixed-length text through a mask, in overwrite mode:
// every editable position holds one character and the caret jumps over the
// mask's literals. In key-code mode the first byte always shows the check byte
// of the seven others.

#include "platform/vcl/Controls.h"
#include "platform/vcl/Menus.h"

class TExtMaskEdit : public TCustomControl
{
    QRV4_CLASS(TExtMaskEdit, TCustomControl)

public:
    enum TMaskType { msCustom, msKeyHex8b };

    explicit TExtMaskEdit(TComponent *AOwner);

    TMaskType MaskType() const { return FMaskType; }
    void SetMaskType(TMaskType Value) { FMaskType = Value; }
    // The display without the mask's literals (blanks read "0" in key-code mode).
    AnsiString Text() const;
    void SetText(const AnsiString &Value);
    AnsiString EditMask() const { return FEditMask; }
    void SetEditMask(const AnsiString &Value);
    char BlankSymbol() const { return FBlankSymbol; }
    void SetBlankSymbol(char Value);
    int Frame() const { return FFrame; }
    void SetFrame(int Value);
    int BeginCaretPos() const { return FBeginCaretPos; }
    void SetBeginCaretPos(int Value) { FBeginCaretPos = std::max(1, Value); }
    int EndCaretPos() const { return FEndCaretPos; }
    void SetEndCaretPos(int Value) { FEndCaretPos = std::max(1, Value); }
    bool ExitAtEnd() const { return FExitAtEnd; }
    void SetExitAtEnd(bool Value) { FExitAtEnd = Value; }

    // The display text, literals included, and the caret in it (from 1).
    const AnsiString &DisplayText() const { return FDisplay; }
    int CaretPos() const { return FCaret; }
    bool Focused() override { return FFocused; }
    void CopyAll();
    void Copy();
    void Paste();

    void WndProc(TMessage &Message) override;

    static void Publish(rtl::Publisher<TExtMaskEdit> &P);

protected:
    void Paint() override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void KeyPress(char &Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void DoEnter() override;
    void DoExit() override;

private:
    void ApplyMask();
    void KeepPositionsInDisplay();
    void PostProcess();
    bool Editable(int Pos) const;
    bool Fits(int Pos, char Ch) const;
    void MoveCaret(int Direction);
    // One focus move per key press at most, made once the key is handled.
    void RequestNextControl() { FNextControlRequested = FExitAtEnd; }
    void MoveToNextControlIfRequested();
    int CharAt(int X);
    bool HasSelection() const { return FSelStart > 0 && FSelEnd > 0; }
    void ClearSelection() { FSelStart = FSelEnd = 0; }
    AnsiString Selected() const;
    void FitToFont();

    TMaskType FMaskType = msCustom;
    AnsiString FRawText;
    AnsiString FEditMask;
    char FBlankSymbol = static_cast<char>(149);
    int FFrame = 3;
    int FBeginCaretPos = 1;
    int FEndCaretPos = 1;
    bool FExitAtEnd = true;
    AnsiString FDisplay;
    AnsiString FSeparators;
    int FCaret = 1;
    bool FCaretHidden = false;
    int FSelStart = 0;
    int FSelEnd = 0;
    bool FFocused = false;
    bool FNextControlRequested = false;
    TPopupMenu *FMenu;
};

QRV4_NAMED_ENUM_INFO(TExtMaskEdit::TMaskType, "TMaskType", msCustom, msKeyHex8b)

namespace ExtMaskEdit
{
// Puts TExtMaskEdit on the component palette page "Win32".
void Register();
} // namespace ExtMaskEdit
