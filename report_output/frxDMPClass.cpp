#include "report_output/frxDMPClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"
#include "report/frxXML.h"

#include <cmath>
#include <mutex>

namespace
{

constexpr double HalfCharX = fr1CharX / 2;
constexpr double HalfCharY = fr1CharY / 2;
// One column and one line of margin, in millimetres.
constexpr double ColumnMargin = 2.5399984;
constexpr double LineMargin = 4.4979138;

// Whole cells of Size in Value, rounded halves to even or cut toward zero.
double RoundCells(double Value, double Size)
{
    return static_cast<double>(std::nearbyint(static_cast<long double>(Value) / Size) * Size);
}

double TruncCells(double Value, double Size)
{
    return static_cast<double>(std::trunc(static_cast<long double>(Value) / Size) * Size);
}

double RoundPaperColumns(double MM)
{
    return RoundCells(MM * fr01cm, fr1CharX) / fr01cm;
}

double RoundPaperLines(double MM)
{
    return RoundCells(MM * fr01cm, fr1CharY) / fr01cm;
}

AnsiString StyleDiff(TfrxDMPFontStyles Own, TfrxDMPFontStyles Other)
{
    if (Own == Other) return AnsiString();
    return " FontStyle=\"" + IntToStr(static_cast<int>(Own.ToInt())) + "\"";
}

// An object under a character-printer page follows the page's style.
void TakePageStyle(TfrxComponent *Obj, TfrxDMPFontStyles &Style)
{
    if (auto *Page = dynamic_cast<TfrxDMPPage *>(Obj->GetPage())) Style = Page->FontStyle();
}

[[noreturn]] void BadCommand(const AnsiString &Command)
{
    throw EConvertError("Invalid printer command \"" + Command + "\"");
}

int HexDigit(char Ch)
{
    if (Ch >= '0' && Ch <= '9') return Ch - '0';
    if (Ch >= 'a' && Ch <= 'f') return Ch - 'a' + 10;
    if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
    return -1;
}

// "#27#64": decimal codes, each closed by the next "#" or the end.
AnsiString DecimalCodes(const AnsiString &Command)
{
    std::string Bytes;
    const std::string_view Text = Command.View().substr(1);
    std::size_t Start = 0;
    while (Start <= Text.size()) {
        const std::size_t End = std::min(Text.find('#', Start), Text.size());
        const std::string_view Digits = Text.substr(Start, End - Start);
        int Code = 0;
        if (Digits.empty() || Digits.size() > 3) BadCommand(Command);
        for (char Ch : Digits) {
            if (Ch < '0' || Ch > '9') BadCommand(Command);
            Code = Code * 10 + (Ch - '0');
        }
        if (Code > 255) BadCommand(Command);
        Bytes += static_cast<char>(Code);
        Start = End + 1;
    }
    return AnsiString(std::move(Bytes));
}

// "1B40": hexadecimal pairs; an odd last character is no pair and is left out.
AnsiString HexPairs(const AnsiString &Command)
{
    std::string Bytes;
    const std::string_view Text = Command.View();
    for (std::size_t i = 0; i + 1 < Text.size(); i += 2) {
        const int High = HexDigit(Text[i]), Low = HexDigit(Text[i + 1]);
        if (High < 0 || Low < 0) BadCommand(Command);
        Bytes += static_cast<char>(High * 16 + Low);
    }
    return AnsiString(std::move(Bytes));
}

} // namespace

void frxResetDMPFont(TFont *Font, TfrxDMPFontStyles Style)
{
    // The face follows the style flags only; it never makes the object's font its own.
    Font->OnChange = nullptr;
    Font->SetName("Courier New");
    Font->SetSize(12);
    TFontStyles Screen;
    if (Style.Contains(fsxBold)) Screen << fsBold;
    if (Style.Contains(fsxItalic)) Screen << fsItalic;
    if (Style.Contains(fsxUnderline)) Screen << fsUnderline;
    Font->SetStyle(Screen);
}

// ---- page ----

TfrxDMPPage::TfrxDMPPage(TComponent *AOwner) : TfrxReportPage(AOwner)
{
    frxResetDMPFont(Font(), FFontStyle);
}

void TfrxDMPPage::SetPaperWidth(double Value)
{
    TfrxReportPage::SetPaperWidth(Value);
    StorePaperDimensions(RoundPaperColumns(PaperWidth()), PaperHeight());
}

void TfrxDMPPage::SetPaperHeight(double Value)
{
    TfrxReportPage::SetPaperHeight(Value);
    StorePaperDimensions(PaperWidth(), RoundPaperLines(PaperHeight()));
}

void TfrxDMPPage::SetPaperSize(int Value)
{
    TfrxReportPage::SetPaperSize(Value);
    StorePaperDimensions(RoundPaperColumns(PaperWidth()), RoundPaperLines(PaperHeight()));
}

void TfrxDMPPage::SetDefaults()
{
    TfrxReportPage::SetDefaults();
    SetLeftMargin(ColumnMargin);
    SetRightMargin(ColumnMargin);
    SetTopMargin(LineMargin);
    SetBottomMargin(LineMargin);
    StorePaperDimensions(TruncCells(PaperWidth() * fr01cm, fr1CharX) / fr01cm,
                         TruncCells(PaperHeight() * fr01cm, fr1CharY) / fr01cm);
}

void TfrxDMPPage::SetFontStyle(TfrxDMPFontStyles Value)
{
    FFontStyle = Value;
    frxResetDMPFont(Font(), Value);
    TList *All = GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(All->Items(i));
        if (C->ParentFont()) C->SetParentFont(true);
    }
}

// ---- text ----

TfrxDMPMemoView::TfrxDMPMemoView(TComponent *AOwner) : TfrxCustomMemoView(AOwner)
{
    ResetFontOptions();
}

void TfrxDMPMemoView::ResetFontOptions()
{
    frxResetDMPFont(Font(), FFontStyle);
    SetCharSpacing(0);
    SetLineSpacing(1);
    SetGapX(0);
    SetGapY(0);
}

void TfrxDMPMemoView::SetLeft(double Value)
{
    TfrxCustomMemoView::SetLeft(Align() == baRight ? TruncCells(Value, fr1CharX)
                                                   : RoundCells(Value, fr1CharX));
}

void TfrxDMPMemoView::SetTop(double Value)
{
    TfrxCustomMemoView::SetTop(RoundCells(Value, fr1CharY));
}

void TfrxDMPMemoView::SetWidth(double Value)
{
    TfrxCustomMemoView::SetWidth(RoundCells(Value, fr1CharX));
}

void TfrxDMPMemoView::SetHeight(double Value)
{
    TfrxCustomMemoView::SetHeight(RoundCells(Value, fr1CharY));
}

void TfrxDMPMemoView::SetFontStyle(TfrxDMPFontStyles Value)
{
    FFontStyle = Value;
    TfrxCustomMemoView::SetParentFont(false);
    ResetFontOptions();
}

void TfrxDMPMemoView::SetParentFont(bool Value)
{
    TfrxCustomMemoView::SetParentFont(Value);
    if (Value) TakePageStyle(this, FFontStyle);
}

AnsiString TfrxDMPMemoView::Diff(TfrxComponent *Other)
{
    AnsiString Result = TfrxCustomMemoView::Diff(Other);
    if (auto *Memo = dynamic_cast<TfrxDMPMemoView *>(Other))
        Result += StyleDiff(FFontStyle, Memo->FFontStyle);
    return Result;
}

AnsiString TfrxDMPMemoView::GetDescription() const
{
    return frxResources()->Get("obDMPText");
}

double TfrxDMPMemoView::CalcHeight()
{
    return RoundCells(TfrxCustomMemoView::CalcHeight(), fr1CharY);
}

void TfrxDMPMemoView::DrawFrame()
{
    const int X = FX, Y = FY, X1 = FX1, Y1 = FY1, DX = FDX, DY = FDY;
    FX = static_cast<int>(std::nearbyint((AbsLeft() - HalfCharX) * FScaleX + FOffsetX));
    FY = static_cast<int>(std::nearbyint((AbsTop() - HalfCharY) * FScaleY + FOffsetY));
    FX1 = static_cast<int>(std::nearbyint((AbsLeft() + Width() + HalfCharX) * FScaleX + FOffsetX));
    FY1 = static_cast<int>(std::nearbyint((AbsTop() + Height() + HalfCharY) * FScaleY + FOffsetY));
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    TfrxCustomMemoView::DrawFrame();
    FX = X, FY = Y, FX1 = X1, FY1 = Y1, FDX = DX, FDY = DY;
}

// ---- line ----

void TfrxDMPLineView::SetLeft(double Value)
{
    double Left;
    if (Value < 0)
        Left = TruncCells(Value, fr1CharX) - HalfCharX;
    else if (Align() == baRight)
        Left = RoundCells(Value, fr1CharX) - HalfCharX;
    else
        Left = TruncCells(Value, fr1CharX) + HalfCharX;
    TfrxCustomLineView::SetLeft(Left);
}

void TfrxDMPLineView::SetTop(double Value)
{
    TfrxCustomLineView::SetTop(TruncCells(Value, fr1CharY) + HalfCharY);
}

void TfrxDMPLineView::SetWidth(double Value)
{
    TfrxCustomLineView::SetWidth(Align() == baWidth ? TruncCells(Value, fr1CharX)
                                                    : RoundCells(Value, fr1CharX));
}

void TfrxDMPLineView::SetFontStyle(TfrxDMPFontStyles Value)
{
    FFontStyle = Value;
    TfrxCustomLineView::SetParentFont(false);
}

void TfrxDMPLineView::SetParentFont(bool Value)
{
    TfrxCustomLineView::SetParentFont(Value);
    if (Value) TakePageStyle(this, FFontStyle);
}

AnsiString TfrxDMPLineView::Diff(TfrxComponent *Other)
{
    AnsiString Result = TfrxCustomLineView::Diff(Other);
    if (auto *Line = dynamic_cast<TfrxDMPLineView *>(Other))
        Result += StyleDiff(FFontStyle, Line->FFontStyle);
    return Result;
}

AnsiString TfrxDMPLineView::GetDescription() const
{
    return frxResources()->Get("obDMPLine");
}

// ---- command ----

TfrxDMPCommand::TfrxDMPCommand(TComponent *AOwner) : TfrxView(AOwner) {}

void TfrxDMPCommand::SetLeft(double Value)
{
    TfrxView::SetLeft(RoundCells(Value, fr1CharX));
}

void TfrxDMPCommand::SetTop(double Value)
{
    TfrxView::SetTop(RoundCells(Value, fr1CharY));
}

AnsiString TfrxDMPCommand::Diff(TfrxComponent *Other)
{
    AnsiString Result = TfrxView::Diff(Other);
    auto *Command = dynamic_cast<TfrxDMPCommand *>(Other);
    if (Command && Command->FCommand != FCommand)
        Result += " Command=\"" + frxStrToXML(FCommand) + "\"";
    return Result;
}

AnsiString TfrxDMPCommand::GetDescription() const
{
    return frxResources()->Get("obDMPCmd");
}

AnsiString TfrxDMPCommand::ToChr() const
{
    if (FCommand.IsEmpty()) return AnsiString();
    return FCommand[1] == '#' ? DecimalCodes(FCommand) : HexPairs(FCommand);
}

// ---- publishing ----

void TfrxDMPPage::Publish(rtl::Publisher<TfrxDMPPage> &P)
{
    P.Property("FontStyle", &TfrxDMPPage::FontStyle, &TfrxDMPPage::SetFontStyle)
        .Default(TfrxDMPFontStyles());
}
QRV4_PUBLISHED(TfrxDMPPage)

void TfrxDMPMemoView::Publish(rtl::Publisher<TfrxDMPMemoView> &P)
{
    using T = TfrxDMPMemoView;
    P.Property("AutoWidth", &T::AutoWidth, &T::SetAutoWidth).Default(false);
    P.Property("AllowExpressions", &T::AllowExpressions, &T::SetAllowExpressions).Default(true);
    P.Property("DataField", &T::DataField, &T::SetDataField);
    P.Property("DataSet", &T::DataSet, &T::SetDataSet);
    P.Property("DataSetName", &T::DataSetName, &T::SetDataSetName);
    P.Property("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
    P.Property("ExpressionDelimiters", &T::ExpressionDelimiters, &T::SetExpressionDelimiters)
        .Stored(&T::IsExpressionDelimitersStored);
    P.Property("FlowTo", &T::FlowTo, &T::SetFlowTo);
    P.Property("FontStyle", &T::FontStyle, &T::SetFontStyle).Stored(&T::IsFontStyleStored);
    P.Property("Frame", &T::Frame, &T::SetFrame);
    P.Property("HAlign", &T::HAlign, &T::SetHAlign).Default(haLeft);
    P.Property("HideZeros", &T::HideZeros, &T::SetHideZeros).Default(false);
    P.Property("Memo", &T::Memo, &T::SetMemo);
    P.Property("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
    P.Property("RTLReading", &T::RTLReading, &T::SetRTLReading).Default(false);
    P.Property("SuppressRepeated", &T::SuppressRepeated, &T::SetSuppressRepeated).Default(false);
    P.Property("WordWrap", &T::WordWrap, &T::SetWordWrap).Default(true);
    P.Property("VAlign", &T::VAlign, &T::SetVAlign).Default(vaTop);
}
QRV4_PUBLISHED(TfrxDMPMemoView)

void TfrxDMPLineView::Publish(rtl::Publisher<TfrxDMPLineView> &P)
{
    using T = TfrxDMPLineView;
    P.Property("FontStyle", &T::FontStyle, &T::SetFontStyle).Stored(&T::IsFontStyleStored);
    P.Property("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
}
QRV4_PUBLISHED(TfrxDMPLineView)

void TfrxDMPCommand::Publish(rtl::Publisher<TfrxDMPCommand> &P)
{
    P.Property("Command", &TfrxDMPCommand::Command, &TfrxDMPCommand::SetCommand);
}
QRV4_PUBLISHED(TfrxDMPCommand)

void frxRegisterDMPClasses()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        frxRegisterReportClasses();
        RegisterClasses({TfrxDMPPage::StaticClass(), TfrxDMPMemoView::StaticClass(),
                         TfrxDMPLineView::StaticClass(), TfrxDMPCommand::StaticClass()});
    });
}
