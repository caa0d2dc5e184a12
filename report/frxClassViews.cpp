// Views, memos, bands and pages: their state, references and difference texts.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report/frxXML.h"

#include <algorithm>
#include <cmath>

namespace
{

AnsiString ValueText(const Variant &Value)
{
    return frxValueToXML(Value);
}

AnsiString DiffValue(const char *Name, long long Value, long long Other)
{
    if (Value == Other) return AnsiString();
    return AnsiString(" ") + Name + "=\"" + IntToStr(Value) + "\"";
}

AnsiString DiffBool(const char *Name, bool Value, bool Other)
{
    if (Value == Other) return AnsiString();
    return AnsiString(" ") + Name + "=\"" + ValueText(Variant(Value)) + "\"";
}

AnsiString DiffText(const char *Name, const AnsiString &Value, const AnsiString &Other)
{
    if (Value == Other) return AnsiString();
    return AnsiString(" ") + Name + "=\"" + frxStrToXML(Value) + "\"";
}

// A reference to a data set: its alias when set, else the stored name.
template <class T> void ForgetOnRemove(TComponent *AComponent, T *&Reference)
{
    if (AComponent == Reference) Reference = nullptr;
}

} // namespace

// ---- frame, highlight, format ----

void TfrxFrame::Assign(TPersistent *Source)
{
    auto *Other = dynamic_cast<TfrxFrame *>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FColor = Other->FColor;
    FDropShadow = Other->FDropShadow;
    FShadowColor = Other->FShadowColor;
    FShadowWidth = Other->FShadowWidth;
    FStyle = Other->FStyle;
    FTyp = Other->FTyp;
    FWidth = Other->FWidth;
}

AnsiString TfrxFrame::Diff(TfrxFrame *Other, const AnsiString &Prefix) const
{
    AnsiString Result;
    const AnsiString P = Prefix + "Frame.";
    Result += DiffValue((P + "Color").c_str(), FColor, Other->FColor);
    Result += DiffBool((P + "DropShadow").c_str(), FDropShadow, Other->FDropShadow);
    Result += DiffValue((P + "ShadowColor").c_str(), FShadowColor, Other->FShadowColor);
    Result +=
        TfrxComponent::DiffFloat((P + "ShadowWidth").c_str(), FShadowWidth, Other->FShadowWidth);
    Result += DiffValue((P + "Style").c_str(), FStyle, Other->FStyle);
    Result += DiffValue((P + "Typ").c_str(), FTyp.ToInt(), Other->FTyp.ToInt());
    Result += TfrxComponent::DiffFloat((P + "Width").c_str(), FWidth, Other->FWidth);
    return Result;
}

TfrxHighlight::TfrxHighlight()
{
    FFont->SetPixelsPerInch(96);
    FFont->SetName("Arial");
    FFont->SetSize(10);
    FFont->SetColor(clRed);
    FFont->SetCharset(static_cast<TFontCharset>(frxDefaultCharset));
}

void TfrxHighlight::Assign(TPersistent *Source)
{
    auto *Other = dynamic_cast<TfrxHighlight *>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FFont->Assign(Other->FFont.get());
    FColor = Other->FColor;
    FCondition = Other->FCondition;
}

void TfrxFormat::Assign(TPersistent *Source)
{
    auto *Other = dynamic_cast<TfrxFormat *>(Source);
    if (!Other) return TPersistent::Assign(Source);
    FDecimalSeparator = Other->FDecimalSeparator;
    FFormatStr = Other->FFormatStr;
    FKind = Other->FKind;
}

// ---- views ----

TfrxView::TfrxView(TComponent *AOwner) : TfrxReportComponent(AOwner)
{
    SetPlainView(true);
}

void TfrxView::SetDataSet(TfrxDataSet *Value)
{
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : AnsiString();
    if (Value) Value->FreeNotification(this);
}

AnsiString TfrxView::GetDataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TfrxView::SetDataSetName(const AnsiString &Value)
{
    FDataSetName = Value;
    FDataSet = frxFindDataSet(FDataSet, Value, GetReport());
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TfrxView::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxReportComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) ForgetOnRemove(AComponent, FDataSet);
}

AnsiString TfrxView::Diff(TfrxComponent *Other)
{
    AnsiString Result = InternalDiff(Other);
    auto *View = dynamic_cast<TfrxView *>(Other);
    if (!View) return Result;
    Result += DiffValue("BrushStyle", FBrushStyle, View->FBrushStyle);
    Result += DiffValue("Align", FAlign, View->FAlign);
    Result += DiffValue("Color", FColor, View->FColor);
    Result += FFrame->Diff(View->FFrame.get(), "");
    Result += DiffValue("Cursor", FCursor, View->FCursor);
    Result += DiffBool("Printable", FPrintable, View->FPrintable);
    Result += DiffText("TagStr", FTagStr, View->FTagStr);
    Result += DiffText("URL", FURL, View->FURL);
    return Result;
}

// ---- memos ----

TfrxCustomMemoView::TfrxCustomMemoView(TComponent *AOwner) : TfrxStretcheable(AOwner)
{
    SetPlainView(false);
}

AnsiString TfrxCustomMemoView::GetDescription() const
{
    return frxResources()->Get("obText");
}

void TfrxCustomMemoView::SetFlowTo(TfrxCustomMemoView *Value)
{
    FFlowTo = Value;
    if (Value) Value->FreeNotification(this);
}

void TfrxCustomMemoView::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxStretcheable::Notification(AComponent, Operation);
    if (Operation == opRemove) ForgetOnRemove(AComponent, FFlowTo);
}

void TfrxCustomMemoView::SetStyle(const AnsiString &Value)
{
    FStyle = Value;
    if (TfrxReport *Report = GetReport()) ApplyStyle(Report->Styles()->Find(Value));
}

void TfrxCustomMemoView::ApplyStyle(TfrxStyleItem *Style)
{
    if (!Style) return;
    SetColor(Style->Color());
    SetFont(Style->Font());
    SetFrame(Style->Frame());
}

AnsiString TfrxCustomMemoView::Diff(TfrxComponent *Other)
{
    AnsiString Result = TfrxView::Diff(Other);
    auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Other);
    if (!Memo) return Result;
    Result += DiffBool("AutoWidth", FAutoWidth, Memo->FAutoWidth);
    Result += DiffFloat("CharSpacing", FCharSpacing, Memo->FCharSpacing);
    Result += DiffFloat("GapX", FGapX, Memo->FGapX);
    Result += DiffFloat("GapY", FGapY, Memo->FGapY);
    Result += DiffValue("HAlign", FHAlign, Memo->FHAlign);
    Result += DiffBool("Highlight.Active", FHighlight->Active(), Memo->FHighlight->Active());
    Result += DiffFloat("LineSpacing", FLineSpacing, Memo->FLineSpacing);
    WideString Text;
    if (FMemo->Count() == 1) {
        Text = FMemo->Get(0);
    } else if (FMemo->Count() > 1) {
        const WideString All = FMemo->Text();
        Text = All.SubString(1, All.Length() - 2);
    }
    Result += " u=\"" + frxStrToXML(AnsiString(Text.ToUtf8())) + "\"";
    Result += DiffFloat("ParagraphGap", FParagraphGap, Memo->FParagraphGap);
    Result += DiffValue("Rotation", FRotation, Memo->FRotation);
    Result += DiffBool("RTLReading", FRTLReading, Memo->FRTLReading);
    Result += DiffBool("Underlines", FUnderlines, Memo->FUnderlines);
    Result += DiffValue("VAlign", FVAlign, Memo->FVAlign);
    Result += DiffBool("WordWrap", FWordWrap, Memo->FWordWrap);
    return Result;
}

AnsiString TfrxSysMemoView::GetDescription() const
{
    return frxResources()->Get("obSysText");
}

// ---- bands ----

TfrxBand::TfrxBand(TComponent *AOwner) : TfrxReportComponent(AOwner) {}

AnsiString TfrxBand::GetBandName() const
{
    return StringReplace(StringReplace(ClassName(), "Tfrx", "", {}), "Band", "", {});
}

double frxRoundCells(double Value, double Size)
{
    return static_cast<double>(std::nearbyint(static_cast<long double>(Value) / Size) * Size);
}

bool TfrxBand::OnDotMatrixPage()
{
    auto *Page = dynamic_cast<TfrxReportPage *>(GetPage());
    return Page && Page->IsDotMatrix();
}

void TfrxBand::SetLeft(double Value)
{
    TfrxReportComponent::SetLeft(OnDotMatrixPage() ? frxRoundCells(Value, fr1CharX) : Value);
}

void TfrxBand::SetTop(double Value)
{
    TfrxReportComponent::SetTop(OnDotMatrixPage() ? frxRoundCells(Value, fr1CharY) : Value);
}

void TfrxBand::SetHeight(double Value)
{
    TfrxReportComponent::SetHeight(OnDotMatrixPage() ? frxRoundCells(Value, fr1CharY) : Value);
}

AnsiString TfrxBand::GetDescription() const
{
    return frxResources()->Get("obBand");
}

void TfrxBand::SetChild(TfrxChild *Value)
{
    FChild = Value;
    if (Value) Value->FreeNotification(this);
}

void TfrxBand::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxReportComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) ForgetOnRemove(AComponent, FChild);
}

TfrxDataBand::TfrxDataBand(TComponent *AOwner)
    : TfrxBand(AOwner), FVirtualDataSet(std::make_unique<TfrxUserDataSet>(nullptr))
{
    FVirtualDataSet->SetRangeEnd(reCount);
}

AnsiString TfrxDataBand::GetDescription() const
{
    return frxResources()->Get("obDataBand");
}

void TfrxDataBand::SetCurColumn(int Value)
{
    if (Value > FColumns) Value = 1;
    FCurColumn = Value;
    if (FCurColumn == 1) FMaxY = 0;
    SetLeft((FCurColumn - 1) * (FColumnWidth + FColumnGap));
}

void TfrxDataBand::SetDataSet(TfrxDataSet *Value)
{
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : AnsiString();
    if (Value) Value->FreeNotification(this);
}

AnsiString TfrxDataBand::GetDataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TfrxDataBand::SetDataSetName(const AnsiString &Value)
{
    FDataSetName = Value;
    FDataSet = frxFindDataSet(FDataSet, Value, GetReport());
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TfrxDataBand::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxBand::Notification(AComponent, Operation);
    if (Operation == opRemove) ForgetOnRemove(AComponent, FDataSet);
}

// ---- pages ----

namespace
{

const TfrxPaperSize PaperSizes[] = {
    {1, 2159, 2794},   {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},
    {6, 1397, 2159},   {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},
    {11, 1480, 2100},  {12, 2500, 3540}, {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750},
    {16, 2540, 3556},  {17, 2794, 4318}, {18, 2159, 2794}, {19, 984, 2254},  {20, 1048, 2413},
    {21, 1143, 2635},  {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636},
    {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620},  {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250},
    {36, 1100, 2300},  {37, 984, 1905},  {38, 920, 1651},  {39, 3778, 2794}, {40, 2159, 3048},
    {41, 2159, 3302},  {42, 2500, 3530}, {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794},
    {46, 3810, 2794},  {47, 2200, 2200}, {50, 2355, 3048}, {51, 2355, 3810}, {52, 2969, 4572},
    {53, 2354, 3223},  {54, 2101, 2794}, {55, 2100, 2970}, {56, 2355, 3048}, {57, 2270, 3560},
    {58, 3050, 4870},  {59, 2159, 3223}, {60, 2100, 3300}, {61, 1480, 2100}, {62, 1820, 2570},
    {63, 3220, 4450},  {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200},
    {68, 3220, 4450},
};

double Nearest(double Value)
{
    return std::nearbyint(Value);
}

} // namespace

const TfrxPaperSize *frxPaperSize(int Number)
{
    for (const TfrxPaperSize &Size : PaperSizes)
        if (Size.Number == Number) return &Size;
    return nullptr;
}

int frxFindPaperSize(double WidthMM, double HeightMM)
{
    for (const TfrxPaperSize &Size : PaperSizes)
        if (std::fabs(Size.Width / 10.0 - WidthMM) < 1 &&
            std::fabs(Size.Height / 10.0 - HeightMM) < 1)
            return Size.Number;
    return 0;
}

TfrxReportPage::TfrxReportPage(TComponent *AOwner)
    : TfrxPage(AOwner), FBackPicture(std::make_unique<TfrxPictureView>(nullptr))
{
    FBackPicture->SetColor(clNone);
    FBackPicture->SetKeepAspectRatio(false);
    SetBaseName("Page");
    UpdateDimensions();
}

// The subreports that print this page let go of it first: one that sits on the page itself
// is freed with the page's objects, when the list of them is gone.
TfrxReportPage::~TfrxReportPage()
{
    while (!FSubReports.empty())
        FSubReports.back()->SetPage(nullptr);
}

AnsiString TfrxReportPage::GetDescription() const
{
    return frxResources()->Get("obRepPage");
}

void TfrxReportPage::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                          double OffsetY)
{
    FBackPicture->SetBounds(0, 0, (FPaperWidth - FLeftMargin - FRightMargin) * fr01cm,
                            (FPaperHeight - FTopMargin - FBottomMargin) * fr01cm);
    FBackPicture->Draw(Canvas, ScaleX, ScaleY, OffsetX + FLeftMargin * fr01cm * ScaleX,
                       OffsetY + FTopMargin * fr01cm * ScaleY);
}

void TfrxReportPage::UpdateDimensions()
{
    SetWidth(Nearest(FPaperWidth * fr01cm));
    SetHeight(Nearest(FPaperHeight * fr01cm));
}

void TfrxReportPage::SetPaperSize(int Value)
{
    FPaperSize = Value;
    if (Value >= 256) return;
    if (const TfrxPaperSize *Size = frxPaperSize(Value)) {
        FPaperWidth = Size->Width / 10.0;
        FPaperHeight = Size->Height / 10.0;
        if (FOrientation == poLandscape) std::swap(FPaperWidth, FPaperHeight);
    }
    UpdateDimensions();
}

void TfrxReportPage::SetPaperWidth(double Value)
{
    FPaperWidth = Value;
    FPaperSize = 256;
    UpdateDimensions();
}

void TfrxReportPage::SetPaperHeight(double Value)
{
    FPaperHeight = Value;
    FPaperSize = 256;
    UpdateDimensions();
}

void TfrxReportPage::SetSizeAndDimensions(int Size, double Width, double Height)
{
    FPaperSize = Size;
    FPaperWidth = Width;
    FPaperHeight = Height;
    UpdateDimensions();
}

void TfrxReportPage::SetDefaults()
{
    FLeftMargin = FRightMargin = FTopMargin = FBottomMargin = 10;
    // A printer whose settings could not be read has no paper to give: the page keeps its own.
    if (const TfrxCustomPrinter *Printer = frxPrinters()->Printer(); Printer->Initialized()) {
        FPaperSize = Printer->Paper();
        FPaperWidth = Printer->PaperWidth();
        FPaperHeight = Printer->PaperHeight();
        FOrientation = Printer->Orientation();
    }
    UpdateDimensions();
}

void TfrxReportPage::SetOrientation(TPrinterOrientation Value)
{
    if (Value != FOrientation) {
        std::swap(FPaperWidth, FPaperHeight);
        const double L = FLeftMargin, R = FRightMargin, T = FTopMargin, B = FBottomMargin;
        if (Value == poLandscape) {
            FLeftMargin = T, FRightMargin = B, FTopMargin = R, FBottomMargin = L;
        } else {
            FLeftMargin = B, FRightMargin = T, FTopMargin = L, FBottomMargin = R;
        }
    }
    FOrientation = Value;
    UpdateDimensions();
}

void TfrxReportPage::SetColumns(int Value)
{
    // No sheet holds more: on the widest paper such columns are under two millimetres wide.
    constexpr int MaxColumns = 256;
    if (Value > MaxColumns) frxInvalidPropertyValue(IntToStr(Value));
    FColumns = Value;
    FColumnPositions->Clear();
    if (Value <= 0) return;
    FColumnWidth = (FPaperWidth - FLeftMargin - FRightMargin) / Value;
    for (int i = 0; i < Value; ++i)
        FColumnPositions->Add(FloatToStr(i * FColumnWidth));
}

void TfrxReportPage::SetDataSet(TfrxDataSet *Value)
{
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : AnsiString();
    if (Value) Value->FreeNotification(this);
}

AnsiString TfrxReportPage::GetDataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TfrxReportPage::SetDataSetName(const AnsiString &Value)
{
    FDataSetName = Value;
    FDataSet = frxFindDataSet(FDataSet, Value, GetReport());
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TfrxReportPage::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxPage::Notification(AComponent, Operation);
    if (Operation == opRemove) ForgetOnRemove(AComponent, FDataSet);
}

void TfrxReportPage::AddSubReport(TfrxSubreport *Value)
{
    if (std::find(FSubReports.begin(), FSubReports.end(), Value) == FSubReports.end())
        FSubReports.push_back(Value);
}

void TfrxReportPage::RemoveSubReport(TfrxSubreport *Value)
{
    std::erase(FSubReports, Value);
}

void TfrxReportPage::ClearGuides()
{
    FHGuides->Clear();
    FVGuides->Clear();
}

TfrxBand *TfrxReportPage::FindBand(TClass Class) const
{
    for (int i = 0; i < Objects()->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(Objects()->Items(i));
        if (C->InheritsFrom(Class)) return dynamic_cast<TfrxBand *>(C);
    }
    return nullptr;
}

void TfrxReportPage::AlignChildren()
{
    SetWidth((FPaperWidth - FLeftMargin - FRightMargin) * fr01cm);
    SetHeight((FPaperHeight - FTopMargin - FBottomMargin) * fr01cm);
    TfrxPage::AlignChildren();
    for (int i = 0; i < Objects()->Count(); ++i) {
        auto *Band = dynamic_cast<TfrxBand *>(static_cast<TfrxComponent *>(Objects()->Items(i)));
        if (!Band) continue;
        if (Band->Vertical())
            Band->SetHeight(Height() - Band->Top());
        else
            Band->SetWidth(Width() - Band->Left());
        Band->AlignChildren();
    }
    UpdateDimensions();
}

// ---- the text pipeline ----

namespace
{

// Each bracket of a tag or link text replaced by its value.
AnsiString ExpandBrackets(TfrxReport *Report, AnsiString Text)
{
    int i = Text.Pos("[");
    while (i > 0) {
        int j;
        const AnsiString Expression = frxGetBrackedVariable(Text, "[", "]", i, j);
        if (i == j) break;
        const AnsiString Value = VarToStr(Report->Calc(Expression));
        Text = Text.SubString(1, i - 1) + Value + Text.SubString(j + 1, Text.Length());
        const int Next = Text.SubString(i + Value.Length(), Text.Length()).Pos("[");
        i = Next > 0 ? i + Value.Length() + Next - 1 : 0;
    }
    return Text;
}

bool IsZero(const Variant &Value)
{
    if (VarIsStr(Value) || VarIsNull(Value) || VarIsEmpty(Value)) return false;
    try {
        return Value == Variant(0);
    } catch (const Exception &) { // a value that does not compare with a number is no zero
        return false;
    }
}

WideString Widen(const AnsiString &Text)
{
    return WideString(Text);
}

} // namespace

void TfrxView::BeforePrint()
{
    TfrxReportComponent::BeforePrint();
    FSavedTagStr = FTagStr;
    FSavedURL = FURL;
}

void TfrxView::GetData()
{
    TfrxReport *Report = GetReport();
    if (!Report) return;
    if (FTagStr.Pos("[") > 0) FTagStr = ExpandBrackets(Report, FTagStr);
    if (FURL.Pos("[") > 0) FURL = ExpandBrackets(Report, FURL);
}

void TfrxView::AfterPrint()
{
    TfrxReportComponent::AfterPrint();
    FTagStr = FSavedTagStr;
    FURL = FSavedURL;
}

void TfrxCustomMemoView::BeforePrint()
{
    TfrxStretcheable::BeforePrint();
    if (!IsDataField()) TempMemo = FMemo->Text();
}

void TfrxCustomMemoView::AfterPrint()
{
    if (!IsDataField()) FMemo->SetText(TempMemo);
    TfrxStretcheable::AfterPrint();
}

WideString TfrxCustomMemoView::FormatData(const Variant &Value, TfrxFormat *Format)
{
    if (!Format) Format = FDisplayFormat.get();
    if (VarIsNull(Value) || VarIsEmpty(Value)) return WideString();
    if (Format->Kind() == fkText) return VarToWideStr(Value);
    try {
        switch (Format->Kind()) {
        case fkNumeric: {
            const double Number = Value.AsDouble();
            const AnsiString &Pattern = Format->FormatStr();
            AnsiString Text = !Pattern.IsEmpty() && Pattern[1] == '#' ? FormatFloat(Pattern, Number)
                                                                      : ::Format(Pattern, {Number});
            const AnsiString &Separator = Format->DecimalSeparator();
            if (Separator.Length() == 1 && Separator[1] != ::DecimalSeparator)
                Text = StringReplace(Text, AnsiString(::DecimalSeparator), Separator, rfReplaceAll);
            return Widen(Text);
        }
        case fkDateTime:
            return Widen(FormatDateTime(Format->FormatStr(), Value.AsDateTime()));
        case fkBoolean: {
            const AnsiString &Texts = Format->FormatStr();
            const int Comma = Texts.Pos(",");
            const AnsiString False = Comma ? Texts.SubString(1, Comma - 1) : Texts;
            const AnsiString True = Comma ? Texts.SubString(Comma + 1, 255) : AnsiString();
            return Widen(Value == Variant(true) ? True : False);
        }
        default:
            return VarToWideStr(Value);
        }
    } catch (const Exception &) { // a format the value does not fit prints the plain value
        return VarToWideStr(Value);
    }
}

WideString TfrxCustomMemoView::CalcAndFormat(const WideString &Expression)
{
    AnsiString Text(Expression);
    std::unique_ptr<TfrxFormat> Inline;
    const int Mark = Text.Pos(" #");
    if (Mark > 0) {
        AnsiString Candidate = Text.SubString(Mark + 2, Text.Length());
        if (Candidate.Pos(")") == 0) {
            Text = Text.SubString(1, Mark - 1);
            Inline = std::make_unique<TfrxFormat>();
            switch (Candidate.IsEmpty() ? ' ' : Candidate[1]) {
            case 'N':
            case 'n':
                Inline->SetKind(fkNumeric);
                for (int i = 1; i <= Candidate.Length(); ++i)
                    if (Candidate[i] == ',' || Candidate[i] == '-') {
                        Inline->SetDecimalSeparator(AnsiString(Candidate[i]));
                        Candidate[i] = '.';
                    }
                break;
            case 'D':
            case 'T':
            case 'd':
            case 't':
                Inline->SetKind(fkDateTime);
                break;
            case 'B':
            case 'b':
                Inline->SetKind(fkBoolean);
                break;
            default:
                Inline->SetKind(fkText);
            }
            Inline->SetFormatStr(Candidate.SubString(2, 255));
        }
    }
    if (SameText(Text, "TOTALPAGES#")) {
        FValue = AnsiString("[TotalPages#]");
    } else {
        TfrxReport *Report = GetReport();
        FValue = Report ? Report->Calc(Text) : ::Null();
    }
    if (FHideZeros && IsZero(FValue)) return WideString();
    return FormatData(FValue, Inline.get());
}

// A BLOB field gives its text as stored; any other field its value, shown by the memo's format.
void TfrxCustomMemoView::GetFieldData()
{
    if (DataSet()->IsBlobField(DataField())) {
        DataSet()->AssignBlobTo(DataField(), FMemo.get());
        return;
    }
    FValue = DataSet()->GetValue(DataField());
    FMemo->SetText(FDisplayFormat->Kind() == fkText
                       ? WideString(DataSet()->GetDisplayText(DataField()))
                       : FormatData(FValue));
    if (FHideZeros && IsZero(FValue)) FMemo->SetText(WideString());
}

void TfrxCustomMemoView::GetData()
{
    TfrxStretcheable::GetData();
    TfrxReport *Report = GetReport();
    if (IsDataField()) {
        GetFieldData();
    } else if (FAllowExpressions) {
        const int Comma = FExpressionDelimiters.Pos(",");
        // Without a comma there is no opening mark, so nothing is evaluated.
        const WideString Open(FExpressionDelimiters.SubString(1, Comma ? Comma - 1 : 0));
        const WideString Close(Comma ? FExpressionDelimiters.SubString(Comma + 1, 255)
                                     : AnsiString());
        WideString S = FMemo->Text();
        if (!Open.IsEmpty() && S.Pos(Open) > 0) {
            int i = 1, j = 0;
            do {
                while (i < S.Length() && S.SubString(i, Open.Length()) != Open)
                    ++i;
                const WideString Expression = frxGetBrackedVariableW(S, Open, Close, i, j);
                if (i != j) {
                    S.Delete(i, j - i + 1);
                    const WideString Value = CalcAndFormat(Expression);
                    S.Insert(Value, i);
                    i += Value.Length();
                    j = 0;
                }
            } while (i != j);
            FMemo->SetText(S);
        }
    }
    if (Report) {
        Report->SetLocalValue(FValue);
        FHighlight->SetActive(false);
        if (!FHighlight->Condition().IsEmpty())
            FHighlight->SetActive(Report->Calc(FHighlight->Condition()).AsBoolean());
    }
    if (FSuppressRepeated) {
        const WideString Current = FMemo->Text();
        if (!VarIsNull(FLastValue) && VarToWideStr(FLastValue) == Current)
            FMemo->SetText(WideString());
        else
            FLastValue = Current;
    }
    FlowText();
}

void TfrxCustomMemoView::ExtractTotalPages()
{
    if (!FAllowExpressions) return;
    // Done on the wide text, so characters outside the code page survive.
    WideString Text = FMemo->Text();
    std::u16string Upper(Text.View());
    for (char16_t &Ch : Upper)
        if (Ch >= u'a' && Ch <= u'z') Ch = static_cast<char16_t>(Ch - u'a' + u'A');
    const std::u16string Mark = u"[TOTALPAGES#]";
    const std::size_t At = Upper.find(Mark);
    if (At == std::u16string::npos) return;
    Text.Delete(static_cast<int>(At) + 1, static_cast<int>(Mark.size()));
    Text.Insert(WideString(AnsiString(IntToStr(FTotalPages))), static_cast<int>(At) + 1);
    FMemo->SetText(Text);
}

// The page count is the one bracket a run leaves in a memo's text: a plain
// "[TotalPages]" was already replaced by its value, so it is never looked for here.
AnsiString TfrxCustomMemoView::GetComponentText()
{
    const WideString Template = FMemo->Text();
    ExtractTotalPages();
    const WideString Text = FMemo->Text();
    FMemo->SetText(Template);
    return AnsiString(Text);
}
