#pragma once

// The standard controls, all drawn by us on our own windows: label, edit, memo,
// button, check box, radio button, combo box and list box.

#include "platform/vcl/Controls.h"
#include "platform/vcl/MouseWheel.h"

QRV4_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
enum TTextLayout { tlTop, tlCenter, tlBottom };

// ---- Label ------------------------------------------------------------------------------

class TCustomLabel : public TGraphicControl
{
    QRV4_CLASS(TCustomLabel, TGraphicControl)

public:
    explicit TCustomLabel(TComponent *AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    void WndProc(TMessage &Message) override;

protected:
    void Paint() override;
    virtual void AdjustBounds();
    UINT TextFlags() const;

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
};

class TLabel : public TCustomLabel
{
    QRV4_CLASS(TLabel, TCustomLabel)

public:
    explicit TLabel(TComponent *AOwner) : TCustomLabel(AOwner) {}
};

// ---- Edit and memo ----------------------------------------------------------------------

// A text editor of our own: caret, selection, clipboard, MaxLength, read-only.
// Every way of pasting (Ctrl+V, Shift+Insert, the context menu, a WM_PASTE sent
// by the program) goes through the WM_PASTE handler, which a derived control can
// take over.
class TCustomEdit : public TWinControl
{
    QRV4_CLASS(TCustomEdit, TWinControl)

public:
    explicit TCustomEdit(TComponent *AOwner);
    ~TCustomEdit() override;

    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // Typing and pasting take digits only.
    bool NumbersOnly() const { return FNumbersOnly; }
    void SetNumbersOnly(bool Value) { FNumbersOnly = Value; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value) { FHideSelection = Value; }
    // The caret, counted from 0; the selection runs from SelStart for SelLength.
    int SelStart() const { return std::min(FSelAnchor, FCaret); }
    void SetSelStart(int Value);
    int SelLength() const { return std::abs(FCaret - FSelAnchor); }
    void SetSelLength(int Value);
    AnsiString SelText() const;
    // Replaces the selection (within MaxLength), as typing or pasting does.
    void SetSelText(const AnsiString &Value);
    void SelectAll();
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Clear() { SetText(""); }
    void Undo();
    bool CanUndo() const { return FCanUndo; }

    void WndProc(TMessage &Message) override;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams &Params) override;
    void PaintWindow(HDC DC) override;
    void SetTextBuf(const AnsiString &Value) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void DoEnter() override;
    void DoExit() override;
    virtual void Change();
    // Multi-line editors keep line breaks; single-line ones cut pasted text at the first.
    virtual bool MultiLine() const { return false; }
    // Inserts the typed character the default way.
    virtual void InsertChar(char Key);
    int CaretFromPoint(int X, int Y);
    TRect TextArea();

private:
    AnsiString DisplayText() const;
    void MoveCaret(int Position, bool Extend);
    void Replace(int Start, int Length, const AnsiString &Text);
    void DeleteSelectionOr(int Direction);
    int LineStart(int Position) const;
    int LineEnd(int Position) const;

    int FMaxLength = 0;
    bool FReadOnly = false;
    bool FNumbersOnly = false;
    bool FModified = false;
    char FPasswordChar = 0;
    TBorderStyle FBorderStyle = bsSingle;
    bool FAutoSelect = true;
    bool FHideSelection = true;
    int FCaret = 0;
    int FSelAnchor = 0;
    int FScroll = 0;
    bool FCanUndo = false;
    AnsiString FUndoText;
};

class TEdit : public TCustomEdit
{
    QRV4_CLASS(TEdit, TCustomEdit)

public:
    explicit TEdit(TComponent *AOwner) : TCustomEdit(AOwner) {}
};

class TMemoStrings;

class TCustomMemo : public TCustomEdit
{
    QRV4_CLASS(TCustomMemo, TCustomEdit)

public:
    explicit TCustomMemo(TComponent *AOwner);
    ~TCustomMemo() override;
    TStrings *Lines() const;
    void SetLines(TStrings *Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    void WndProc(TMessage &Message) override;

protected:
    bool MultiLine() const override { return true; }
    void InsertChar(char Key) override;

private:
    std::unique_ptr<TMemoStrings> FLines;
    bool FWantReturns = true;
    bool FWantTabs = false;
    bool FWordWrap = true;
};

class TMemo : public TCustomMemo
{
    QRV4_CLASS(TMemo, TCustomMemo)

public:
    explicit TMemo(TComponent *AOwner) : TCustomMemo(AOwner) {}
};

// ---- Buttons ----------------------------------------------------------------------------

class TButtonControl : public TWinControl
{
    QRV4_CLASS(TButtonControl, TWinControl)

public:
    explicit TButtonControl(TComponent *AOwner);
    void WndProc(TMessage &Message) override;
    void DefaultHandler(TMessage &Message) override;

protected:
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void KeyUp(WORD &Key, TShiftState Shift) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    // The face is drawn pushed while the mouse or the space bar holds it.
    bool Pushed() const { return FPushed && FInside; }
    // Draws the caption, and the focus rectangle around it when focused.
    void DrawCaption(HDC DC, TRect R, UINT Flags);

private:
    bool FPushed = false;
    bool FInside = false;
    bool FSpaceDown = false;
};

class TButton : public TButtonControl
{
    QRV4_CLASS(TButton, TButtonControl)

public:
    explicit TButton(TComponent *AOwner);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    void Click() override;
    void WndProc(TMessage &Message) override;

protected:
    void PaintWindow(HDC DC) override;

private:
    TModalResult FModalResult = 0;
    bool FDefault = false;
    bool FCancel = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl
{
    QRV4_CLASS(TCustomCheckBox, TButtonControl)

public:
    explicit TCustomCheckBox(TComponent *AOwner);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    // Raises OnClick, as the class library does for a change made in code too.
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

protected:
    void Click() override;
    virtual void Toggle();
    void PaintWindow(HDC DC) override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TAlignment FAlignment = taRightJustify;
    bool FToggling = false;
};

class TCheckBox : public TCustomCheckBox
{
    QRV4_CLASS(TCheckBox, TCustomCheckBox)

public:
    explicit TCheckBox(TComponent *AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl
{
    QRV4_CLASS(TRadioButton, TButtonControl)

public:
    explicit TRadioButton(TComponent *AOwner);
    bool Checked() const { return FChecked; }
    // Checking one unchecks the other radio buttons of the same parent.
    void SetChecked(bool Value);

protected:
    void Click() override;
    void PaintWindow(HDC DC) override;

private:
    bool FChecked = false;
};

// ---- Lists ------------------------------------------------------------------------------

enum TOwnerDrawStateItem {
    odSelected,
    odGrayed,
    odDisabled,
    odChecked,
    odFocused,
    odDefault,
    odHotLight,
    odInactive,
    odNoAccel,
    odNoFocusRect,
    odReserved1,
    odReserved2,
    odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem>;
using TDrawItemEvent =
    std::function<void(TWinControl *Control, int Index, TRect Rect, TOwnerDrawState State)>;

// The items of a list control: a string list that tells its control about changes.
class TListControlItems : public TStringList
{
    QRV4_CLASS(TListControlItems, TStringList)

public:
    TListControlItems() = default;
    // Deleted: the control adjusts its selected index.
    std::function<void(int Index)> OnDeleted;
    std::function<void(int Index)> OnInserted;
    void Delete(int Index) override;
    void Clear() override;

protected:
    void InsertItem(int Index, const AnsiString &S, TObject *AObject) override;
};

QRV4_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed,
          csOwnerDrawVariable)

class TComboListWindow;

class TCustomComboBox : public TWinControl
{
    QRV4_CLASS(TCustomComboBox, TWinControl)
    friend class TComboListWindow;

public:
    explicit TCustomComboBox(TComponent *AOwner);
    ~TCustomComboBox() override;

    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    TStrings *Items() const;
    void SetItems(TStrings *Value);
    // -1 means no selection; an index outside the items selects nothing, without error.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    bool Sorted() const;
    void SetSorted(bool Value);
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    TCanvas *Canvas() const { return FCanvas.get(); }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value) { FMaxLength = Value; }
    void Clear();

    void WndProc(TMessage &Message) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnSelect;
    TDrawItemEvent OnDrawItem;

protected:
    // Draws one item (the closed face too, with odComboBoxEdit), on Canvas set up
    // with the font and the highlight or control colours.
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    void PaintWindow(HDC DC) override;
    AnsiString GetText() const override;
    void SetTextBuf(const AnsiString &Value) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    virtual void Change();
    virtual void Select();
    void DrawItemOn(HDC DC, int Index, const TRect &Rect, TOwnerDrawState State);

private:
    void ItemDeleted(int Index);
    void ItemInserted(int Index);
    void ChooseItem(int Index);

    TComboBoxStyle FStyle = csDropDown;
    std::unique_ptr<TListControlItems> FItems;
    int FItemIndex = -1;
    int FItemHeight = 16;
    int FDropDownCount = 8;
    int FMaxLength = 0;
    AnsiString FEditText;
    std::unique_ptr<TCanvas> FCanvas;
    TComboListWindow *FList = nullptr;
    vcl::WheelAccumulator FWheel;
};

class TComboBox : public TCustomComboBox
{
    QRV4_CLASS(TComboBox, TCustomComboBox)

public:
    explicit TComboBox(TComponent *AOwner) : TCustomComboBox(AOwner) {}
};

class TCustomListBox : public TWinControl
{
    QRV4_CLASS(TCustomListBox, TWinControl)

public:
    explicit TCustomListBox(TComponent *AOwner);
    ~TCustomListBox() override;

    TStrings *Items() const;
    void SetItems(TStrings *Value);
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    int TopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value) { FMultiSelect = Value; }
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;
    bool Sorted() const;
    void SetSorted(bool Value);
    TCanvas *Canvas() const { return FCanvas.get(); }
    int ItemAtPos(const TPoint &Pos, bool Existing);
    TRect ItemRect(int Index);
    void Clear();

    TDrawItemEvent OnDrawItem;

protected:
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    void PaintWindow(HDC DC) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage &Message) override;
    void CreateParams(TCreateParams &Params) override;

private:
    void ItemDeleted(int Index);
    void ItemInserted(int Index);
    void MakeVisible(int Index);
    int VisibleRows();

    std::unique_ptr<TListControlItems> FItems;
    std::vector<bool> FSelected;
    int FItemIndex = -1;
    int FItemHeight = 13;
    int FTopIndex = 0;
    bool FMultiSelect = false;
    std::unique_ptr<TCanvas> FCanvas;
    vcl::WheelAccumulator FWheel;
};

class TListBox : public TCustomListBox
{
    QRV4_CLASS(TListBox, TCustomListBox)

public:
    explicit TListBox(TComponent *AOwner) : TCustomListBox(AOwner) {}
};

// ---- Group box --------------------------------------------------------------------------

// A captioned frame that holds other controls inside it.
class TGroupBox : public TCustomControl
{
    QRV4_CLASS(TGroupBox, TCustomControl)

public:
    explicit TGroupBox(TComponent *AOwner);
    // The children's area: inside the frame and below the caption.
    void AlignControls(TControl *AControl, TRect &Rect) override;

protected:
    void Paint() override;

private:
    int CaptionHeight();
};
