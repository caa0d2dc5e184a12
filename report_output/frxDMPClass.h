#pragma once

// Objects of reports laid out for a character printer: every position and
// size sits on a grid of 9.6 x 17 pixel cells (one column at 10 characters per
// inch, one line), and fonts are one fixed-pitch face with printer style flags.

#include "report/frxClass.h"

QRV4_ENUM(TfrxDMPFontStyle, fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript,
          fsxCondensed, fsxWide, fsx12cpi, fsx15cpi)
using TfrxDMPFontStyles = Set<TfrxDMPFontStyle>;
QRV4_SET_INFO(TfrxDMPFontStyles, TfrxDMPFontStyle)

inline constexpr double fr1CharX = 9.6;
inline constexpr double fr1CharY = 17;

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

    TfrxDMPFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TfrxDMPFontStyles Value);

    static void Publish(rtl::Publisher<TfrxDMPPage> &P);

private:
    TfrxDMPFontStyles FFontStyle;
};

class TfrxDMPMemoView : public TfrxCustomMemoView
{
    QRV4_CLASS(TfrxDMPMemoView, TfrxCustomMemoView)

public:
    explicit TfrxDMPMemoView(TComponent *AOwner);

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void SetParentFont(bool Value) override;
    AnsiString Diff(TfrxComponent *Other) override;
    AnsiString GetDescription() const override;
    double CalcHeight() override;
    // The frame runs through the middle of the cells around the text.
    void DrawFrame() override;

    TfrxDMPFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TfrxDMPFontStyles Value);
    bool IsFontStyleStored() const { return !ParentFont(); }

    static void Publish(rtl::Publisher<TfrxDMPMemoView> &P);

private:
    void ResetFontOptions();

    TfrxDMPFontStyles FFontStyle;
};

class TfrxDMPLineView : public TfrxCustomLineView
{
    QRV4_CLASS(TfrxDMPLineView, TfrxCustomLineView)

public:
    using TfrxCustomLineView::TfrxCustomLineView;

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetParentFont(bool Value) override;
    AnsiString Diff(TfrxComponent *Other) override;
    AnsiString GetDescription() const override;

    TfrxDMPFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TfrxDMPFontStyles Value);
    bool IsFontStyleStored() const { return !ParentFont(); }

    static void Publish(rtl::Publisher<TfrxDMPLineView> &P);

private:
    TfrxDMPFontStyles FFontStyle;
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

// Makes the page and object classes known to stored and prepared reports; safe to call again.
void frxRegisterDMPClasses();
