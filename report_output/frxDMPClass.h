#pragma once

// Objects of reports laid out for a character printer: every position and
// size sits on a grid of 9.6 x 17 pixel cells (one column at 10 characters per
// inch, one line), and fonts are one fixed-pitch face with printer style flags.

#include "report/frxClass.h"

QRV4_ENUM(TfrxDMPFontStyle, fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript,
          fsxCondensed, fsxWide, fsx12cpi, fsx15cpi)
using TfrxDMPFontStyles = Set<TfrxDMPFontStyle>;
QRV4_SET_INFO(TfrxDMPFontStyles, TfrxDMPFontStyle)

// The screen face of a printer style: the flags a screen cannot show leave it alone.
void frxResetDMPFont(TFont *Font, TfrxDMPFontStyles Style);

class TfrxDMPPage : public TfrxReportPage
{
    QRV4_CLASS(TfrxDMPPage, TfrxReportPage)

public:
    explicit TfrxDMPPage(TComponent *AOwner);

    void SetPaperHeight(double Value) override;
    void SetPaperWidth(double Value) override;
    void SetPaperSize(int Value) override;
    void SetDefaults() override;
    bool IsDotMatrix() const override { return true; }

    TfrxDMPFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TfrxDMPFontStyles Value);

    static void Publish(rtl::Publisher<TfrxDMPPage> &P);

private:
    void ResetFontOptions() { frxResetDMPFont(Font(), FFontStyle); }

    TfrxDMPFontStyles FFontStyle;
};

// An object under a character-printer page follows the page's style.
void frxTakeDMPPageStyle(TfrxComponent *Obj, TfrxDMPFontStyles &Style);
// The style attribute of a difference text; empty when both styles agree.
AnsiString frxDMPStyleDiff(TfrxDMPFontStyles Own, TfrxDMPFontStyles Other);

// What the text and line objects share: a printer style of their own, or the
// page's while they take the page's font.
template <class TBase> class TfrxDMPStyledView : public TBase
{
public:
    using TBase::TBase;

    void SetParentFont(bool Value) override
    {
        TBase::SetParentFont(Value);
        if (Value) frxTakeDMPPageStyle(this, FFontStyle);
    }
    AnsiString Diff(TfrxComponent *Other) override
    {
        AnsiString Result = TBase::Diff(Other);
        if (auto *View = dynamic_cast<TfrxDMPStyledView *>(Other))
            Result += frxDMPStyleDiff(FFontStyle, View->FFontStyle);
        return Result;
    }

    TfrxDMPFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TfrxDMPFontStyles Value)
    {
        FFontStyle = Value;
        TBase::SetParentFont(false);
        ResetFontOptions();
    }
    bool IsFontStyleStored() const { return !this->ParentFont(); }

protected:
    virtual void ResetFontOptions() {}

private:
    TfrxDMPFontStyles FFontStyle;
};

class TfrxDMPMemoView : public TfrxDMPStyledView<TfrxCustomMemoView>
{
    QRV4_CLASS(TfrxDMPMemoView, TfrxDMPStyledView<TfrxCustomMemoView>)

public:
    explicit TfrxDMPMemoView(TComponent *AOwner);

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    AnsiString GetDescription() const override;
    double CalcHeight() override;
    // The frame runs through the middle of the cells around the text.
    void DrawFrame() override;

    static void Publish(rtl::Publisher<TfrxDMPMemoView> &P);

protected:
    // The fixed face with the style, and no spacing or gaps.
    void ResetFontOptions() override;
};

class TfrxDMPLineView : public TfrxDMPStyledView<TfrxCustomLineView>
{
    QRV4_CLASS(TfrxDMPLineView, TfrxDMPStyledView<TfrxCustomLineView>)

public:
    using TfrxDMPStyledView::TfrxDMPStyledView;

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    AnsiString GetDescription() const override;

    static void Publish(rtl::Publisher<TfrxDMPLineView> &P);
};

class TfrxDMPCommand : public TfrxView
{
    QRV4_CLASS(TfrxDMPCommand, TfrxView)

public:
    explicit TfrxDMPCommand(TComponent *AOwner);

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    AnsiString Diff(TfrxComponent *Other) override;
    AnsiString GetDescription() const override;

    // The bytes of Command: "#27#64" as decimal codes, else hexadecimal pairs
    // ("1B40"). A code above 255 or a part that is no number raises EConvertError
    // naming the command.
    AnsiString ToChr() const;

    const AnsiString &Command() const { return FCommand; }
    void SetCommand(const AnsiString &Value) { FCommand = Value; }

    static void Publish(rtl::Publisher<TfrxDMPCommand> &P);

private:
    AnsiString FCommand;
};

// Makes the page and object classes known to stored and prepared reports and
// puts the objects in the object registry; safe to call again.
void frxRegisterDMPClasses();

class TfrxCustomPreviewPages;
class TfrxCustomPrinter;

// What a character printer prints for one prepared page: each text at its
// cells, lines as "-" and "|" ("+" where they cross) through the cells they
// run through, each command's bytes before the cell it sits on. Rows end with
// CR LF, the page with a form feed; blanks at the end of a row are left out.
AnsiString frxDMPPageText(TfrxReportPage *Page);
// The prepared pages as one raw job of the printer, titled Title.
void frxDMPPrint(TfrxCustomPreviewPages *Pages, TfrxCustomPrinter *Printer,
                 const AnsiString &Title);
