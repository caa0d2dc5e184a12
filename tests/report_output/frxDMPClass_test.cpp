// Character-printer objects: the cell grid, the fixed face with style flags,
// the difference texts, printer command bytes and stored reports.

#include "report_output/frxDMPClass.h"

#include "report/frxPrinter.h"
#include "report/frxRegistry.h"
#include "report_output/frxEngine.h"
#include "report_output/frxPreviewPages.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"
#include "tests/support/PrintTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

// Starting the report library alone lets stored reports name the classes. The check runs in
// a program started afresh for it, where nothing has registered them yet, whatever tests ran
// before in this one.
TEST(DotMatrixRegistry, TheClassesAreKnownAsSoonAsTheLibraryStarts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool Unknown = GetClass("TfrxDMPPage") == nullptr;
            frxRegisterOutput();
            const bool Known = GetClass("TfrxDMPPage") == TfrxDMPPage::StaticClass() &&
                               GetClass("TfrxDMPMemoView") == TfrxDMPMemoView::StaticClass();
            bool Offered = false;
            for (int i = 0; i < frxObjects()->Count(); ++i)
                Offered |= frxObjects()->Items(i)->ClassRef == TfrxDMPCommand::StaticClass();
            std::fprintf(stderr, "unknown before the start: %d, known after: %d, offered: %d\n",
                         Unknown, Known, Offered);
            std::_Exit(Unknown && Known && Offered ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

struct DotMatrixReport {
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    TfrxDMPPage *Page;
    TfrxMasterData *Band;
    TfrxDMPMemoView *Memo;
    TfrxDMPCommand *Command;

    DotMatrixReport()
    {
        frxRegisterDMPClasses();
        Report.SetDotMatrixReport(true);
        Page = new TfrxDMPPage(&Report);
        Page->SetName("Page1");
        Band = new TfrxMasterData(Page);
        Band->SetName("MasterData1");
        Band->SetHeight(17);
        Memo = new TfrxDMPMemoView(Band);
        Memo->SetName("Memo1");
        Command = new TfrxDMPCommand(Band);
        Command->SetName("Cmd1");
    }
};

AnsiString Bytes(std::initializer_list<unsigned char> Codes)
{
    std::string Text;
    for (unsigned char Code : Codes)
        Text += static_cast<char>(Code);
    return AnsiString(std::move(Text));
}

AnsiString Chr(const char *Command)
{
    TfrxDMPCommand C(nullptr);
    C.SetCommand(Command);
    return C.ToChr();
}

TEST(DotMatrixGrid, TextTakesWholeCells)
{
    DotMatrixReport R;
    R.Memo->SetLeft(14.4);
    EXPECT_DOUBLE_EQ(R.Memo->Left(), 19.2); // one and a half columns round to even
    R.Memo->SetLeft(24);
    EXPECT_DOUBLE_EQ(R.Memo->Left(), 28.8);
    R.Memo->SetAlign(baRight);
    R.Memo->SetLeft(14.4);
    EXPECT_DOUBLE_EQ(R.Memo->Left(), 9.6);
    R.Memo->SetTop(25.5);
    EXPECT_DOUBLE_EQ(R.Memo->Top(), 34); // a line and a half rounds to even
    R.Memo->SetTop(26);
    EXPECT_DOUBLE_EQ(R.Memo->Top(), 34);
    R.Memo->SetWidth(100);
    EXPECT_DOUBLE_EQ(R.Memo->Width(), 96);
    R.Memo->SetHeight(40);
    EXPECT_DOUBLE_EQ(R.Memo->Height(), 34);
    R.Memo->SetText(WideString(u"x\r\ny\r\nz"));
    const double Measured = R.Memo->CalcHeight();
    EXPECT_GT(Measured, 0);
    EXPECT_DOUBLE_EQ(std::fmod(Measured, 17), 0) << "the measured text takes whole lines";

    R.Command->SetBounds(15, 9, 33, 5);
    EXPECT_DOUBLE_EQ(R.Command->Left(), 19.2);
    EXPECT_DOUBLE_EQ(R.Command->Top(), 17);
    EXPECT_DOUBLE_EQ(R.Command->Width(), 33); // sizes of commands are free
    EXPECT_DOUBLE_EQ(R.Command->Height(), 5);
}

TEST(DotMatrixGrid, LinesRunThroughTheMiddleOfCells)
{
    DotMatrixReport R;
    TfrxDMPLineView Line(R.Band);
    Line.SetTop(20);
    EXPECT_DOUBLE_EQ(Line.Top(), 25.5);
    Line.SetTop(16.9);
    EXPECT_DOUBLE_EQ(Line.Top(), 8.5);
    Line.SetLeft(-5);
    EXPECT_DOUBLE_EQ(Line.Left(), -4.8);
    Line.SetLeft(-10);
    EXPECT_DOUBLE_EQ(Line.Left(), -14.4);
    Line.SetLeft(14);
    EXPECT_DOUBLE_EQ(Line.Left(), 14.4);
    Line.SetWidth(14);
    EXPECT_DOUBLE_EQ(Line.Width(), 9.6);
    Line.SetHeight(33); // heights are free
    EXPECT_DOUBLE_EQ(Line.Height(), 33);
    Line.SetAlign(baRight);
    Line.SetLeft(14);
    EXPECT_DOUBLE_EQ(Line.Left(), 4.8);
    Line.SetAlign(baWidth);
    Line.SetWidth(19);
    EXPECT_DOUBLE_EQ(Line.Width(), 9.6);

    TfrxDMPLineView Plain(nullptr);
    Line.SetFontStyle({fsxBold});
    EXPECT_FALSE(Line.ParentFont());
    EXPECT_NE(Line.Diff(&Plain).Pos(" FontStyle=\"1\""), 0);
    R.Page->SetFontStyle({fsxWide});
    Line.SetParentFont(true);
    EXPECT_EQ(Line.FontStyle(), TfrxDMPFontStyles({fsxWide}));
}

TEST(DotMatrixGrid, TextFramesRunThroughTheSurroundingCells)
{
    DotMatrixReport R;
    R.Memo->SetBounds(9.6, 17, 96, 17);
    R.Memo->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    TBitmap Sheet;
    Sheet.SetPixelFormat(pf24bit);
    Sheet.SetSize(130, 60);
    R.Memo->Draw(Sheet.Canvas(), 1, 1, 0, -17);
    TCanvas *C = Sheet.Canvas();
    // Left 9.6 - 4.8 = 4.8 -> 5, right 105.6 + 4.8 = 110.4 -> 110, top 0 - 8.5 -> -8 (even),
    // bottom 17 + 8.5 = 25.5 -> 26 (even); the band's own top is at 0.
    EXPECT_EQ(C->Pixels(5, 10), clBlack);
    EXPECT_EQ(C->Pixels(4, 10), clWhite);
    EXPECT_EQ(C->Pixels(6, 10), clWhite);
    EXPECT_EQ(C->Pixels(110, 10), clBlack);
    EXPECT_EQ(C->Pixels(111, 10), clWhite);
    EXPECT_EQ(C->Pixels(50, 26), clBlack);
    EXPECT_EQ(C->Pixels(50, 25), clWhite);
    EXPECT_EQ(C->Pixels(50, 27), clWhite);
}

TEST(DotMatrixGrid, PageDefaultsGiveWholeColumnsAndLines)
{
    DotMatrixReport R;
    R.Page->SetDefaults();
    EXPECT_NEAR(R.Page->PaperWidth(), 208.27986548592, 1e-9);
    EXPECT_NEAR(R.Page->PaperWidth() * fr01cm, 787.2, 1e-9); // 82 columns
    EXPECT_NEAR(R.Page->PaperHeight(), 296.862308276426, 1e-9);
    EXPECT_NEAR(R.Page->PaperHeight() * fr01cm, 1122, 1e-9); // 66 lines
    EXPECT_EQ(R.Page->Width(), 787);
    EXPECT_EQ(R.Page->Height(), 1122);
    EXPECT_EQ(R.Page->LeftMargin(), 2.5399984);
    EXPECT_EQ(R.Page->RightMargin(), 2.5399984);
    EXPECT_EQ(R.Page->TopMargin(), 4.4979138);
    EXPECT_EQ(R.Page->BottomMargin(), 4.4979138);
    EXPECT_EQ(R.Page->PaperSize(), 9);

    R.Page->SetPaperWidth(100); // 39.37 columns round to 39
    EXPECT_NEAR(R.Page->PaperWidth() * fr01cm, 39 * 9.6, 1e-9);
    EXPECT_EQ(R.Page->PaperSize(), 256);
    R.Page->SetPaperHeight(100); // 22.23 lines round to 22
    EXPECT_NEAR(R.Page->PaperHeight() * fr01cm, 22 * 17, 1e-9);
    R.Page->SetPaperSize(11); // A5, 148 x 210 mm: 58.27 columns, 46.69 lines
    EXPECT_EQ(R.Page->PaperSize(), 11);
    EXPECT_NEAR(R.Page->PaperWidth() * fr01cm, 58 * 9.6, 1e-9);
    EXPECT_NEAR(R.Page->PaperHeight() * fr01cm, 47 * 17, 1e-9);
}

// Opens nothing: it only lets the report prepare itself for a designer.
class IdleDesigner : public TQuietDesigner
{
public:
    using TQuietDesigner::TQuietDesigner;
    int ShowModal() override { return mrOk; }
};

TEST(DotMatrixGrid, ADesignedDotMatrixReportStartsWithADotMatrixPage)
{
    frxRegisterOutput();
    frxDesignerClass() = [](TfrxReport *Report) -> std::unique_ptr<TfrxCustomDesigner> {
        return std::make_unique<IdleDesigner>(nullptr, Report);
    };
    TfrxReport Report(nullptr);
    Report.SetDotMatrixReport(true);
    Report.DesignReport();
    frxDesignerClass() = nullptr;
    ASSERT_EQ(Report.PagesCount(), 1);
    auto *Page = dynamic_cast<TfrxDMPPage *>(Report.Pages(0));
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(Page->Name(), "Page1");
    EXPECT_EQ(Page->LeftMargin(), 2.5399984);
    EXPECT_NEAR(Page->PaperWidth() * fr01cm, 787.2, 1e-9);
}

TEST(DotMatrixFont, OneFixedFaceWithTheStylesAScreenShows)
{
    DotMatrixReport R;
    EXPECT_EQ(R.Memo->Font()->Name(), "Courier New");
    EXPECT_EQ(R.Memo->Font()->Size(), 12);
    EXPECT_EQ(R.Memo->LineSpacing(), 1);
    EXPECT_EQ(R.Memo->GapX(), 0);
    EXPECT_TRUE(R.Memo->ParentFont());

    R.Page->SetFontStyle({fsxBold, fsxCondensed});
    EXPECT_EQ(R.Page->Font()->Style(), TFontStyles({fsBold}));
    EXPECT_EQ(R.Memo->FontStyle(), TfrxDMPFontStyles({fsxBold, fsxCondensed}));
    EXPECT_EQ(R.Memo->Font()->Style(), TFontStyles({fsBold}));
    EXPECT_EQ(R.Memo->Font()->Name(), "Courier New");
    EXPECT_TRUE(R.Memo->ParentFont());

    R.Memo->SetFontStyle({fsxItalic, fsxUnderline, fsx15cpi});
    EXPECT_FALSE(R.Memo->ParentFont());
    EXPECT_EQ(R.Memo->Font()->Style(), TFontStyles({fsItalic, fsUnderline}));
    // Changing the font itself does not make it the object's own again.
    R.Memo->SetParentFont(true);
    R.Memo->Font()->SetSize(20);
    EXPECT_TRUE(R.Memo->ParentFont());
    EXPECT_EQ(R.Memo->FontStyle(), TfrxDMPFontStyles({fsxBold, fsxCondensed}));
}

TEST(DotMatrixDiff, StyleAndCommandJoinTheDifferenceText)
{
    DotMatrixReport R;
    TfrxDMPMemoView Source(nullptr);
    R.Memo->SetFontStyle({fsx15cpi});
    EXPECT_NE(R.Memo->Diff(&Source).Pos(" FontStyle=\"256\""), 0);
    Source.SetFontStyle({fsx15cpi});
    EXPECT_EQ(R.Memo->Diff(&Source).Pos("FontStyle"), 0);

    TfrxDMPCommand Plain(nullptr);
    R.Command->SetCommand("#27\"x");
    EXPECT_NE(R.Command->Diff(&Plain).Pos(" Command=\"#27&#34;x\""), 0);
    Plain.SetCommand("#27\"x");
    EXPECT_EQ(R.Command->Diff(&Plain).Pos("Command"), 0);
}

TEST(DotMatrixCommand, DecimalCodesAndHexPairsBecomeBytes)
{
    EXPECT_EQ(Chr("#27#64"), Bytes({0x1B, 0x40}));
    EXPECT_EQ(Chr("1B40"), Bytes({0x1B, 0x40}));
    EXPECT_EQ(Chr("0D0A"), Bytes({0x0D, 0x0A}));
    EXPECT_EQ(Chr("#13#10"), Bytes({0x0D, 0x0A}));
    EXPECT_EQ(Chr("0d0aF"), Bytes({0x0D, 0x0A})); // an odd last character is no pair
    EXPECT_EQ(Chr("#0#255"), Bytes({0x00, 0xFF}));
    EXPECT_EQ(Chr(""), "");
}

TEST(DotMatrixCommand, BadCommandsAreRefusedByName)
{
    for (const char *Bad : {"#300", "#2x", "#27##64", "#", "#1234", "1G40", "ZZ"}) {
        try {
            Chr(Bad);
            ADD_FAILURE() << Bad << " gave bytes";
        } catch (const EConvertError &E) {
            EXPECT_NE(E.Message().Pos(Bad), 0) << E.Message().View();
        }
    }
}

TEST(DotMatrixStorage, TemplatesKeepTheObjectsAndTheirStyles)
{
    DotMatrixReport R;
    R.Page->SetFontStyle({fsxWide});
    R.Memo->SetBounds(9.6, 0, 96, 17);
    R.Memo->SetText(u"Ключ 0123");
    R.Command->SetCommand("#27#64");
    auto *Styled = new TfrxDMPMemoView(R.Band);
    Styled->SetName("Memo2");
    Styled->SetFontStyle({fsxBold, fsx12cpi});
    const AnsiString Text = Written([&](TStream *S) { R.Report.SaveToStream(S); });
    EXPECT_EQ(Text.Pos("<TfrxDMPMemoView Name=\"Memo1\"") > 0, true);
    EXPECT_EQ(Text.Pos("Font.Name"), 0); // the face is never stored

    TComponent Form(nullptr);
    TfrxReport Loaded(&Form);
    TStringStream In(Text);
    Loaded.LoadFromStream(&In);
    auto *Page = dynamic_cast<TfrxDMPPage *>(Loaded.Pages(0));
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(Page->FontStyle(), TfrxDMPFontStyles({fsxWide}));
    auto *Memo = dynamic_cast<TfrxDMPMemoView *>(Loaded.FindObject("Memo1"));
    ASSERT_NE(Memo, nullptr);
    EXPECT_DOUBLE_EQ(Memo->Left(), 9.6);
    EXPECT_DOUBLE_EQ(Memo->Width(), 96);
    EXPECT_EQ(Memo->Text().ToUtf8(), "Ключ 0123\r\n");
    EXPECT_TRUE(Memo->ParentFont());
    auto *Second = dynamic_cast<TfrxDMPMemoView *>(Loaded.FindObject("Memo2"));
    ASSERT_NE(Second, nullptr);
    EXPECT_EQ(Second->FontStyle(), TfrxDMPFontStyles({fsxBold, fsx12cpi}));
    EXPECT_FALSE(Second->ParentFont());
    auto *Command = dynamic_cast<TfrxDMPCommand *>(Loaded.FindObject("Cmd1"));
    ASSERT_NE(Command, nullptr);
    EXPECT_EQ(Command->ToChr(), Bytes({0x1B, 0x40}));
}

TEST(DotMatrixStorage, PreparedPagesKeepTheGrid)
{
    DotMatrixReport R;
    TfrxPreviewPages Pages(&R.Report);
    Pages.AddSourcePage(R.Page);
    Pages.AddPage(R.Page);
    for (int Row = 0; Row < 3; ++Row) {
        R.Band->SetTop(Row * 17);
        R.Memo->SetLeft(Row * 10.0);
        R.Memo->SetText(WideString::FromUtf8("строка " + std::to_string(Row)));
        Pages.AddObject(R.Band);
    }
    Pages.Finish();
    const AnsiString File = Written([&](TStream *S) { Pages.SaveToStream(S); });
    TfrxPreviewPages Loaded(&R.Report);
    TStringStream In(File);
    Loaded.LoadFromStream(&In);
    auto *Page = dynamic_cast<TfrxDMPPage *>(Loaded.GetPage(0));
    ASSERT_NE(Page, nullptr);
    ASSERT_EQ(Page->Objects()->Count(), 3);
    const double Lefts[] = {0, 9.6, 19.2};
    for (int Row = 0; Row < 3; ++Row) {
        auto *Band = static_cast<TfrxComponent *>(Page->Objects()->Items(Row));
        EXPECT_DOUBLE_EQ(Band->Top(), Row * 17);
        auto *Memo = dynamic_cast<TfrxDMPMemoView *>(
            static_cast<TfrxComponent *>(Band->Objects()->Items(0)));
        ASSERT_NE(Memo, nullptr);
        EXPECT_DOUBLE_EQ(Memo->Left(), Lefts[Row]);
        EXPECT_EQ(Memo->Text().ToUtf8(), "строка " + std::to_string(Row) + "\r\n");
        EXPECT_EQ(Memo->Font()->Name(), "Courier New");
    }
}

TEST(DotMatrixRegistry, ObjectsAreOfferedWithTheirPictures)
{
    frxRegisterDMPClasses();
    frxRegisterDMPClasses();
    std::map<TClass, int> Pictures;
    TfrxObjectCollection *Objects = frxObjects();
    for (int i = 0; i < Objects->Count(); ++i)
        if (Objects->Items(i)->ClassRef) ++Pictures[Objects->Items(i)->ClassRef];
    EXPECT_EQ(Pictures[TfrxDMPMemoView::StaticClass()], 1);
    for (int i = 0; i < Objects->Count(); ++i) {
        const TfrxObjectItem *Item = Objects->Items(i);
        const std::map<TClass, int> Expected{{TfrxDMPMemoView::StaticClass(), 2},
                                             {TfrxDMPLineView::StaticClass(), 5},
                                             {TfrxDMPCommand::StaticClass(), 53}};
        auto Found = Expected.find(Item->ClassRef);
        if (Found == Expected.end()) continue;
        EXPECT_EQ(Item->ButtonImageIndex, Found->second) << Item->ClassRef->ClassName().View();
        EXPECT_EQ(Item->ButtonBmp, nullptr);
        EXPECT_EQ(Item->Flags, 0);
        EXPECT_TRUE(Item->CategoryName.IsEmpty());
        Pictures.erase(Found->first);
    }
    EXPECT_EQ(Pictures.count(TfrxDMPCommand::StaticClass()), 0u);
    EXPECT_EQ(FindClass("TfrxDMPPage"), TfrxDMPPage::StaticClass());
}

// A key list for a character printer: a title with a reset command and a
// rule, then one row per key, its code at the left and its count right-aligned.
class DotMatrixKeyList : public testing::Test
{
protected:
    DotMatrixKeyList()
    {
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        Report.SetDotMatrixReport(true);
        Report.OnGetValue = [this](const AnsiString &Name, Variant &Value) {
            if (Keys.Has(Name.ToStd())) Value = Keys.Get(Name.ToStd());
        };
        Report.DataSets()->Add(&Keys.DataSet);
        Keys.SetRows({{{"Code", "0A1B"}, {"Count", 3}},
                      {{"Code", "FF00"}, {"Count", 12}},
                      {{"Code", "C3D4"}, {"Count", 150}}});

        auto *Page = new TfrxDMPPage(&Report);
        Page->SetName("Page1");
        Page->SetDefaults();
        auto *Title = new TfrxReportTitle(Page);
        Title->SetName("ReportTitle1");
        Title->SetBounds(0, 0, 700, 34);
        auto *Reset = new TfrxDMPCommand(Title);
        Reset->SetName("Reset");
        Reset->SetCommand("#27#64");
        Text(Title, "Heading", "KEY LIST", 2, 0, 10)->SetHAlign(haCenter);
        auto *Rule = new TfrxDMPLineView(Title);
        Rule->SetName("Rule");
        Rule->SetBounds(0, 17, 8 * fr1CharX, 0);

        auto *Rows = new TfrxMasterData(Page);
        Rows->SetName("MasterData1");
        Rows->SetBounds(0, 40, 700, 17);
        Rows->SetDataSet(&Keys.DataSet);
        Text(Rows, "Code", "[Code]", 0, 0, 8);
        Text(Rows, "Count", "[Count]", 10, 0, 6)->SetHAlign(haRight);
    }

    static TfrxDMPMemoView *Text(TfrxComponent *Band, const char *Name, const char *Text,
                                 int Column, int Row, int Columns)
    {
        auto *Memo = new TfrxDMPMemoView(Band);
        Memo->SetName(Name);
        Memo->SetBounds(Column * fr1CharX, Row * fr1CharY, Columns * fr1CharX, fr1CharY);
        Memo->SetText(WideString(AnsiString(Text)));
        return Memo;
    }

    // The page as the grid rules place it: one column and one line of margin,
    // the title on line 1, its rule through the middle of line 2 over nine
    // cells, the band (snapped from 40 to 34 px) from line 3.
    static std::string Expected()
    {
        // Texts at their columns, one printed row.
        auto Row = [](std::vector<std::pair<int, std::string>> Parts) {
            std::string Line;
            for (const auto &[Column, Text] : Parts) {
                Line.resize(static_cast<std::size_t>(Column), ' ');
                Line += Text;
            }
            return Line + "\r\n";
        };
        // The reset bytes sit before the blank of column 1 and take no column.
        return Row({}) + Row({{1, "\x1b@ "}, {6, "KEY LIST"}}) + Row({{1, "---------"}}) +
               Row({{1, "0A1B"}, {16, "3"}}) + Row({{1, "FF00"}, {15, "12"}}) +
               Row({{1, "C3D4"}, {14, "150"}}) + "\f";
    }

    // The engine and the classes are there before the report is made.
    bool Registered = (frxRegisterOutput(), frxRegisterDMPClasses(), true);
    enginetest::TRows Keys{"Keys"};
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
};

TEST_F(DotMatrixKeyList, LaysOutOnTheCharacterGrid)
{
    ASSERT_TRUE(Report.PrepareReport(true)) << Report.Errors()->Text().ToUtf8();
    ASSERT_EQ(Report.PreviewPages()->Count(), 1);
    auto *Page = dynamic_cast<TfrxDMPPage *>(Report.PreviewPages()->GetPage(0));
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(frxDMPPageText(Page).View(), Expected());
}

TEST_F(DotMatrixKeyList, RawOutputReachesARawQueueUntouched)
{
    printtest::PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    ASSERT_TRUE(Cups.AddRawQueue("Matrix")) << Cups.Log();
    ASSERT_TRUE(Report.PrepareReport(true));
    TfrxPrinters Printers;
    const int Matrix = Printers.IndexOf("Matrix");
    ASSERT_GE(Matrix, 0);
    Printers.SetPrinterIndex(Matrix);
    frxDMPPrint(Report.PreviewPages(), Printers.Printer(), "Keys");
    const std::vector<std::string> Jobs = Cups.WaitForRawJobs("Matrix", 1);
    ASSERT_EQ(Jobs.size(), 1u) << Cups.Log();
    EXPECT_EQ(printtest::FileBytes(Jobs[0]), Expected());
}

TEST_F(DotMatrixKeyList, ABadCommandStartsNoJob)
{
    dynamic_cast<TfrxDMPCommand *>(Report.FindObject("Reset"))->SetCommand("#27#999");
    ASSERT_TRUE(Report.PrepareReport(true));
    TfrxVirtualPrinter Printer("Nowhere", "");
    EXPECT_THROW(frxDMPPrint(Report.PreviewPages(), &Printer, "Keys"), EConvertError);
    EXPECT_FALSE(Printer.Printing());
}

} // namespace

TEST(DotMatrixGrid, BandsStandOnTheTextLinesAndCharacterColumns)
{
    TfrxDMPPage Page(nullptr);
    auto *Band = new TfrxMasterData(&Page);
    Band->SetTop(20);
    EXPECT_DOUBLE_EQ(Band->Top(), 17);
    Band->SetTop(26);
    EXPECT_DOUBLE_EQ(Band->Top(), 34);
    Band->SetHeight(30);
    EXPECT_DOUBLE_EQ(Band->Height(), 34);
    Band->SetLeft(14);
    EXPECT_DOUBLE_EQ(Band->Left(), 9.6);
    Band->SetWidth(50);
    EXPECT_DOUBLE_EQ(Band->Width(), 50) << "the width is not snapped";

    TfrxReportPage Plain(nullptr);
    auto *Free = new TfrxMasterData(&Plain);
    Free->SetTop(20);
    EXPECT_DOUBLE_EQ(Free->Top(), 20);
}
