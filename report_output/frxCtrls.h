#pragma once

// Combo boxes of the report library's windows: the flat one and the font box
// that shows each face's kind and a sample, and keeps the five fonts chosen
// last in the settings registry.

#include "platform/vcl/Buttons.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>

class TfrxCustomComboBox : public TCustomComboBox
{
    QRV4_CLASS(TfrxCustomComboBox, TCustomComboBox)

public:
    explicit TfrxCustomComboBox(TComponent *AOwner);
    ~TfrxCustomComboBox() override;

    // The drop-down list: min(items, drop-down count) rows and the border, one row
    // when there is nothing to show; as wide as asked, else the box less one pixel.
    int ListHeight() const;
    int ListWidth();
    // Whether the list, at that size, would pass the bottom of the work area
    // under the box, and so opens above it.
    bool ListOpensUpward();

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    int ButtonWidth() const { return FButtonWidth; }
    int ImageWidth() const { return FImageWidth; }
    void SetImageWidth(int Value) { FImageWidth = Value; }
    int PreferredListWidth() const { return FListWidth; }
    void SetPreferredListWidth(int Value) { FListWidth = Value; }
    bool MouseInControl() const { return FMouseInControl; }
    // The drop-down button inside the border, at the right edge.
    TRect ButtonRect();

    void WndProc(TMessage &Message) override;

protected:
    void KeyPress(char &Key) override;
    // A flat face: a sunken edge only while focused or under the mouse, and a
    // button that is flat, raised then, or pressed while the list is open.
    void PaintWindow(HDC DC) override;

private:
    void PaintButton(TCanvas *Canvas, bool Solid);
    void PlaceList(HWND List);
    // The list is subclassed so that its border is redrawn as a raised edge.
    void SubclassList(HWND List);
    LRESULT ListWndProc(HWND List, UINT Msg, WPARAM WParam, LPARAM LParam);

    HWND FListHandle = nullptr;
    win::WindowProcedure FDefListProc;
    bool FMouseInControl = false;
    int FButtonWidth = 11;
    int FImageWidth = 0;
    bool FReadOnly = false;
    int FListWidth = 0;
};

class TfrxComboBox : public TfrxCustomComboBox
{
    QRV4_CLASS(TfrxComboBox, TfrxCustomComboBox)

public:
    using TfrxCustomComboBox::TfrxCustomComboBox;
};

// The system's font-type flags kept as each item's object.
inline constexpr int frxDeviceFontType = 2;
inline constexpr int frxTrueTypeFontType = 4;

// A face's name written in that face, beside the open font list.
class TfrxFontPreview : public TWinControl
{
    QRV4_CLASS(TfrxFontPreview, TWinControl)

public:
    explicit TfrxFontPreview(TComponent *AOwner);

    void ShowSample(const AnsiString &FontName);
    TPanel *Panel() const { return FPanel; }

protected:
    void CreateParams(TCreateParams &Params) override;

private:
    TPanel *FPanel;
};

class TfrxFontComboBox : public TfrxCustomComboBox
{
    QRV4_CLASS(TfrxFontComboBox, TfrxCustomComboBox)

public:
    explicit TfrxFontComboBox(TComponent *AOwner);
    ~TfrxFontComboBox() override;

    // The installed faces, sorted, under the recent ones read from the registry;
    // recent names no longer installed are cleared there. The text is kept.
    void Reset();
    // Moves the chosen font to the top of the recent block and stores the block.
    void RecentChosen();

    const AnsiString &RegKey() const { return FRegKey; }
    void SetRegKey(const AnsiString &Value) { FRegKey = Value; }
    bool MRUEnabled() const { return FMRUEnabled; }
    void SetMRUEnabled(bool Value) { FMRUEnabled = Value; }
    // Index of the last recent entry, -1 without recent entries.
    int LastRecent() const { return FLastRecent; }
    static int FontTypeOf(TStrings *Items, int Index);
    TfrxFontPreview *FontPreview() const { return FPreview.get(); }
    // The picture of a font kind; null for a kind that has none.
    TBitmap *KindPicture(int FontType) const;

protected:
    // The kind's picture, the name, and a rule under the recent block.
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;

    void WndProc(TMessage &Message) override;

private:
    void DropDown();
    void CloseUp();
    void FillFonts();
    void ReadRecent();
    void WriteRecent();

    AnsiString FRegKey = "\\Software\\Zedo Vevuvuz\\MRUFont";
    bool FMRUEnabled = true;
    bool FUpdating = false;
    int FLastRecent = -1;
    std::unique_ptr<TBitmap> FTrueTypeBmp;
    std::unique_ptr<TBitmap> FDeviceBmp;
    std::unique_ptr<TfrxFontPreview> FPreview;
};

// A text box with a square button at its right edge.
class TfrxComboEdit : public TCustomComboBox
{
    QRV4_CLASS(TfrxComboEdit, TCustomComboBox)

public:
    explicit TfrxComboEdit(TComponent *AOwner);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetEnabled(bool Value) override;

    TBitmap *Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap *Value) { FButton->SetGlyph(Value); }
    const AnsiString &ButtonHint() const { return FButton->Hint(); }
    void SetButtonHint(const AnsiString &Value) { FButton->SetHint(Value); }
    bool ButtonEnabled() const { return FButton->Enabled(); }
    void SetButtonEnabled(bool Value) { FButton->SetEnabled(Value); }
    TSpeedButton *Button() const { return FButton; }
    // Room left of the button for the text.
    int EditWidth() const { return Width() - Height() - 4; }

    TNotifyEvent OnButtonClick;

private:
    void PlaceButton();

    TPanel *FPanel;
    TSpeedButton *FButton;
};

// ---- the scroll surface ----

// The answers of a control that paints all of its client area: no background erase, and
// the keys DialogCode names kept from the dialog. Whether Message was one of the two.
bool frxHandleSelfPaintedMessage(TMessage &Message, LRESULT DialogCode);

// A surface with flat scroll bars that keeps its own ranges, pages and
// positions; what scrolling shows is up to the class built on it.
class TfrxScrollWin : public TCustomControl
{
    QRV4_CLASS(TfrxScrollWin, TCustomControl)

public:
    explicit TfrxScrollWin(TComponent *AOwner);

    int HorzPage() const { return FHorzPage; }
    void SetHorzPage(int Value);
    int HorzPosition() const { return FHorzPosition; }
    // Kept within 0 .. range - page; a change moves the bar and tells OnHScrollChange.
    void SetHorzPosition(int Value);
    int HorzRange() const { return FHorzRange; }
    void SetHorzRange(int Value);
    int VertPage() const { return FVertPage; }
    void SetVertPage(int Value);
    int VertPosition() const { return FVertPosition; }
    void SetVertPosition(int Value);
    int VertRange() const { return FVertRange; }
    void SetVertRange(int Value);
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value) { FSmallChange = Value; }
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }

    void WndProc(TMessage &Message) override;

protected:
    virtual void OnHScrollChange() {}
    virtual void OnVScrollChange() {}
    void CreateParams(TCreateParams &Params) override;
    void CreateWnd() override;
    void Paint() override;

private:
    void UpdateScrollBar(int Bar);
    // The position a scroll request asks for, from Current in a range of Range.
    int Requested(int Bar, int Request, int Current, int Range) const;

    int FHorzPage = 0;
    int FHorzPosition = 0;
    int FHorzRange = 0;
    int FVertPage = 0;
    int FVertPosition = 0;
    int FVertRange = 0;
    int FSmallChange = 1;
    int FLargeChange = 10;
};
