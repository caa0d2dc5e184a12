#include "report_output/frxDMPClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxPrinter.h"
#include "report/frxRegistry.h"
#include "report/frxRes.h"
#include "report/frxXML.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

namespace
{

constexpr double HalfCharX = fr1CharX / 2;
constexpr double HalfCharY = fr1CharY / 2;
// One column and one line of margin, in millimetres.
constexpr double ColumnMargin = 2.5399984;
constexpr double LineMargin = 4.4979138;

// Whole cells of Size in Value, cut toward zero.
double TruncCells(double Value, double Size)
{
    return static_cast<double>(std::trunc(static_cast<long double>(Value) / Size) * Size);
}

double RoundPaperColumns(double MM)
{
    return frxRoundCells(MM * fr01cm, fr1CharX) / fr01cm;
}

double RoundPaperLines(double MM)
{
    return frxRoundCells(MM * fr01cm, fr1CharY) / fr01cm;
}

[[noreturn]] void BadCommand(const AnsiString &Command)
{
    throw EConvertError(Format(frxResources()->Get("clBadDMPCommand"), {Command}));
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

void frxTakeDMPPageStyle(TfrxComponent *Obj, TfrxDMPFontStyles &Style)
{
    if (auto *Page = dynamic_cast<TfrxDMPPage *>(Obj->GetPage())) Style = Page->FontStyle();
}

AnsiString frxDMPStyleDiff(TfrxDMPFontStyles Own, TfrxDMPFontStyles Other)
{
    if (Own == Other) return AnsiString();
    return " FontStyle=\"" + IntToStr(static_cast<int>(Own.ToInt())) + "\"";
}

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
    ResetFontOptions();
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
    ResetFontOptions();
    TList *All = GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(All->Items(i));
        if (C->ParentFont()) C->SetParentFont(true);
    }
}

// ---- text ----

TfrxDMPMemoView::TfrxDMPMemoView(TComponent *AOwner) : TfrxDMPStyledView(AOwner)
{
    ResetFontOptions();
}

void TfrxDMPMemoView::ResetFontOptions()
{
    frxResetDMPFont(Font(), FontStyle());
    SetCharSpacing(0);
    SetLineSpacing(1);
    SetGapX(0);
    SetGapY(0);
}

void TfrxDMPMemoView::SetLeft(double Value)
{
    TfrxDMPStyledView::SetLeft(Align() == baRight ? TruncCells(Value, fr1CharX)
                                                  : frxRoundCells(Value, fr1CharX));
}

void TfrxDMPMemoView::SetTop(double Value)
{
    TfrxDMPStyledView::SetTop(frxRoundCells(Value, fr1CharY));
}

void TfrxDMPMemoView::SetWidth(double Value)
{
    TfrxDMPStyledView::SetWidth(frxRoundCells(Value, fr1CharX));
}

void TfrxDMPMemoView::SetHeight(double Value)
{
    TfrxDMPStyledView::SetHeight(frxRoundCells(Value, fr1CharY));
}

AnsiString TfrxDMPMemoView::GetDescription() const
{
    return frxResources()->Get("obDMPText");
}

double TfrxDMPMemoView::CalcHeight()
{
    return frxRoundCells(TfrxDMPStyledView::CalcHeight(), fr1CharY);
}

void TfrxDMPMemoView::DrawFrame()
{
    const int X = FX, Y = FY, X1 = FX1, Y1 = FY1, DX = FDX, DY = FDY;
    FX = static_cast<int>(std::nearbyint((GetAbsLeft() - HalfCharX) * FScaleX + FOffsetX));
    FY = static_cast<int>(std::nearbyint((GetAbsTop() - HalfCharY) * FScaleY + FOffsetY));
    FX1 =
        static_cast<int>(std::nearbyint((GetAbsLeft() + Width() + HalfCharX) * FScaleX + FOffsetX));
    FY1 =
        static_cast<int>(std::nearbyint((GetAbsTop() + Height() + HalfCharY) * FScaleY + FOffsetY));
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    TfrxDMPStyledView::DrawFrame();
    FX = X, FY = Y, FX1 = X1, FY1 = Y1, FDX = DX, FDY = DY;
}

// ---- line ----

void TfrxDMPLineView::SetLeft(double Value)
{
    double Left;
    if (Value < 0)
        Left = TruncCells(Value, fr1CharX) - HalfCharX;
    else if (Align() == baRight)
        Left = frxRoundCells(Value, fr1CharX) - HalfCharX;
    else
        Left = TruncCells(Value, fr1CharX) + HalfCharX;
    TfrxDMPStyledView::SetLeft(Left);
}

void TfrxDMPLineView::SetTop(double Value)
{
    TfrxDMPStyledView::SetTop(TruncCells(Value, fr1CharY) + HalfCharY);
}

void TfrxDMPLineView::SetWidth(double Value)
{
    TfrxDMPStyledView::SetWidth(Align() == baWidth ? TruncCells(Value, fr1CharX)
                                                   : frxRoundCells(Value, fr1CharX));
}

AnsiString TfrxDMPLineView::GetDescription() const
{
    return frxResources()->Get("obDMPLine");
}

// ---- command ----

TfrxDMPCommand::TfrxDMPCommand(TComponent *AOwner) : TfrxView(AOwner) {}

void TfrxDMPCommand::SetLeft(double Value)
{
    TfrxView::SetLeft(frxRoundCells(Value, fr1CharX));
}

void TfrxDMPCommand::SetTop(double Value)
{
    TfrxView::SetTop(frxRoundCells(Value, fr1CharY));
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
    P.Property("DataSetName", &T::GetDataSetName, &T::SetDataSetName);
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
        TfrxObjectCollection *Objects = frxObjects();
        Objects->RegisterObject1(TfrxDMPMemoView::StaticClass(), nullptr, "", "", 0, 2);
        Objects->RegisterObject1(TfrxDMPLineView::StaticClass(), nullptr, "", "", 0, 5);
        Objects->RegisterObject1(TfrxDMPCommand::StaticClass(), nullptr, "", "", 0, 53);
    });
}

// ---- printing on the character grid ----

namespace
{

// One printed page: a character per cell, after the bytes of any command
// placed on that cell.
class TCharGrid
{
public:
    void PutText(int Row, int Column, std::string_view Text)
    {
        for (std::size_t i = 0; i < Text.size(); ++i)
            At(Row, Column + static_cast<int>(i)).Ch = Text[i];
    }
    // Lines meeting in a cell make a cross; text stays over lines.
    void PutLine(int Row, int Column, char Ch)
    {
        TCell &Cell = At(Row, Column);
        if (Cell.Ch == ' ')
            Cell.Ch = Ch;
        else if (IsLine(Cell.Ch) && Cell.Ch != Ch)
            Cell.Ch = '+';
    }
    void PutBytes(int Row, int Column, const std::string &Bytes)
    {
        At(Row, Column).Before += Bytes;
    }
    std::string Text() const
    {
        std::string Result;
        for (const std::vector<TCell> &Cells : FRows) {
            std::size_t Used = Cells.size();
            while (Used > 0 && Cells[Used - 1].Ch == ' ' && Cells[Used - 1].Before.empty())
                --Used;
            for (std::size_t i = 0; i < Used; ++i)
                Result += Cells[i].Before + Cells[i].Ch;
            Result += "\r\n";
        }
        return Result + '\f';
    }

private:
    struct TCell {
        std::string Before;
        char Ch = ' ';
    };

    static bool IsLine(char Ch) { return Ch == '-' || Ch == '|' || Ch == '+'; }
    TCell &At(int Row, int Column)
    {
        const auto R = static_cast<std::size_t>(Row), C = static_cast<std::size_t>(Column);
        if (R >= FRows.size()) FRows.resize(R + 1);
        if (C >= FRows[R].size()) FRows[R].resize(C + 1);
        return FRows[R][C];
    }

    std::vector<std::vector<TCell>> FRows;
};

int NearestCell(double Pixels, double Size)
{
    return static_cast<int>(std::nearbyint(Pixels / Size));
}

// The cell a line runs through: lines sit in the middle of their cells.
int CellOf(double Pixels, double Size)
{
    return static_cast<int>(std::floor(Pixels / Size));
}

// The memo's text in rows no wider than Columns, broken after a blank where one is near.
std::vector<std::string> WrappedRows(const AnsiString &Text, std::size_t Columns, bool WordWrap)
{
    std::vector<std::string> Rows;
    std::string All = Text.ToStd();
    std::size_t Start = 0;
    while (Start < All.size()) {
        std::size_t End = All.find("\r\n", Start);
        if (End == std::string::npos) End = All.size();
        std::string Line = All.substr(Start, End - Start);
        while (WordWrap && Columns > 0 && Line.size() > Columns) {
            std::size_t Break = Line.rfind(' ', Columns);
            if (Break == std::string::npos || Break == 0) Break = Columns;
            Rows.push_back(Line.substr(0, Break));
            Line.erase(0, Line[Break] == ' ' ? Break + 1 : Break);
        }
        Rows.push_back(Line.substr(0, Columns));
        Start = End + 2;
    }
    return Rows;
}

void PutMemo(TCharGrid &Grid, TfrxDMPMemoView *Memo, double X, double Y)
{
    const int Column = NearestCell(X, fr1CharX), Row = NearestCell(Y, fr1CharY);
    const int Columns = NearestCell(Memo->Width(), fr1CharX);
    const int Rows = std::max(1, NearestCell(Memo->Height(), fr1CharY));
    std::vector<std::string> Lines = WrappedRows(
        AnsiString(Memo->Text()), static_cast<std::size_t>(std::max(Columns, 0)), Memo->WordWrap());
    if (static_cast<int>(Lines.size()) > Rows) Lines.resize(static_cast<std::size_t>(Rows));
    const int Spare = Rows - static_cast<int>(Lines.size());
    int Top = Row;
    if (Memo->VAlign() == vaBottom) Top += Spare;
    if (Memo->VAlign() == vaCenter) Top += Spare / 2;
    for (const std::string &Line : Lines) {
        const int Room = Columns - static_cast<int>(Line.size());
        int Left = Column;
        if (Memo->HAlign() == haRight) Left += Room;
        if (Memo->HAlign() == haCenter) Left += Room / 2;
        Grid.PutText(Top++, Left, Line);
    }
}

void PutLine(TCharGrid &Grid, TfrxDMPLineView *Line, double X, double Y)
{
    const int Column = CellOf(X, fr1CharX), Row = CellOf(Y, fr1CharY);
    if (Line->Height() == 0) {
        for (int C = Column; C <= CellOf(X + Line->Width(), fr1CharX); ++C)
            Grid.PutLine(Row, C, '-');
    } else if (Line->Width() == 0) {
        for (int R = Row; R <= CellOf(Y + Line->Height(), fr1CharY); ++R)
            Grid.PutLine(R, Column, '|');
    }
}

} // namespace

AnsiString frxDMPPageText(TfrxReportPage *Page)
{
    TCharGrid Grid;
    const double MarginX = Page->LeftMargin() * fr01cm, MarginY = Page->TopMargin() * fr01cm;
    TList *All = Page->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *Obj = static_cast<TfrxComponent *>(All->Items(i));
        if (!Obj->Visible()) continue;
        const double X = MarginX + Obj->GetAbsLeft(), Y = MarginY + Obj->GetAbsTop();
        // Nothing prints left of or above the paper's edge.
        if (X < 0 || Y < 0) continue;
        if (auto *Memo = dynamic_cast<TfrxDMPMemoView *>(Obj))
            PutMemo(Grid, Memo, X, Y);
        else if (auto *Line = dynamic_cast<TfrxDMPLineView *>(Obj))
            PutLine(Grid, Line, X, Y);
        else if (auto *Command = dynamic_cast<TfrxDMPCommand *>(Obj))
            Grid.PutBytes(NearestCell(Y, fr1CharY), NearestCell(X, fr1CharX),
                          Command->ToChr().ToStd());
    }
    return AnsiString(Grid.Text());
}

void frxDMPPrint(TfrxCustomPreviewPages *Pages, TfrxCustomPrinter *Printer, const AnsiString &Title)
{
    // Every page is made before the job starts, so a bad command leaves no half job behind.
    std::string Job;
    for (int i = 0; i < Pages->Count(); ++i)
        if (auto *Page = dynamic_cast<TfrxReportPage *>(Pages->GetPage(i)))
            Job += frxDMPPageText(Page).View();
    Printer->SetTitle(Title);
    Printer->BeginRAWDoc();
    Printer->WriteRAWDoc(AnsiString(std::move(Job)));
    Printer->EndRAWDoc();
}
