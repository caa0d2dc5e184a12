// A report prepared again prints from its template as stored, whatever the
// last run's script changed in it: the run is checked through the real engine
// and the pages it prepares.

#include "report/frxClass.h"
#include "report_output/frxDMPClass.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"

#include "platform/vcl/Graphics.h"

#include <gtest/gtest.h>

namespace
{

using enginetest::TBuilder;

// A report whose script changes the template when the host answers Change = 1.
struct ChangingReport {
    explicit ChangingReport(const AnsiString &Script)
    {
        Build.Report->OnGetValue = [this](const AnsiString &Name, Variant &Value) {
            if (Name == "Change") Value = Change;
        };
        Build.Report->ScriptText()->SetText(Script);
    }

    // The prepared pages as the preview and the printer get them.
    AnsiString Run(int ChangeAnswer)
    {
        Change = ChangeAnswer;
        EXPECT_TRUE(Build.Prepare()) << Build.Errors();
        return Written([this](TStream *S) { Build.Pages()->SaveToStream(S); });
    }

    TBuilder Build;
    int Change = 0;
};

TEST(ReportRerun, ObjectsTheScriptChangedPrintAsStoredInTheNextRun)
{
    TempFolder Folder;
    const AnsiString PictureFile = Folder.Path("dot.bmp");
    {
        TBitmap Bitmap;
        Bitmap.SetSize(3, 2);
        Bitmap.SaveToFile(PictureFile);
    }
    ChangingReport R("procedure Memo2OnBeforePrint(Sender: TfrxComponent);\r\n"
                     "begin\r\n  if Get('Change') = 1 then Memo2.GapY := 9;\r\nend;\r\n"
                     "begin\r\n"
                     "  if Get('Change') = 1 then begin\r\n"
                     "    Memo1.GapX := 10; Memo1.LineSpacing := 7; Memo1.Frame.Width := 3;\r\n"
                     "    Memo1.Highlight.Condition := 'True'; Memo1.CharSpacing := 2;\r\n"
                     "    Memo1.ParagraphGap := 5; Memo1.ExpressionDelimiters := '<%,%>';\r\n"
                     "    Memo2.Frame.ShadowWidth := 8; Page1.Font.Size := 20;\r\n"
                     "    Picture1.LoadFromFile('" +
                     PictureFile +
                     "');\r\n"
                     "  end;\r\n"
                     "end.");
    auto *Title = R.Build.Band<TfrxReportTitle>("ReportTitle1", 0, 100);
    TBuilder::Memo(Title, "Memo1", "[1 + 1]", 0, 0, 200, 18);
    auto *Memo2 = TBuilder::Memo(Title, "Memo2", "two", 0, 20, 200, 18);
    Memo2->SetOnBeforePrint("Memo2OnBeforePrint");
    Memo2->Frame()->SetDropShadow(true);
    auto *Picture = new TfrxPictureView(Title);
    Picture->SetName("Picture1");
    Picture->SetBounds(0, 40, 20, 20);

    const AnsiString First = R.Run(0);
    ASSERT_NE(R.Run(1), First) << "the script's changes show in its own run";
    EXPECT_EQ(R.Run(0), First);

    auto *Memo1 = static_cast<TfrxMemoView *>(R.Build.Report->FindObject("Memo1"));
    EXPECT_EQ(Memo1->GapX(), 2);
    EXPECT_EQ(Memo1->LineSpacing(), 2);
    EXPECT_EQ(Memo1->Frame()->Width(), 1);
    EXPECT_EQ(Memo1->Highlight()->Condition(), "");
    EXPECT_EQ(Memo1->CharSpacing(), 0);
    EXPECT_EQ(Memo1->ParagraphGap(), 0);
    EXPECT_EQ(Memo1->ExpressionDelimiters(), "[,]");
    EXPECT_EQ(Memo1->Font()->Size(), 10);
    EXPECT_EQ(Memo2->GapY(), 1);
    EXPECT_EQ(Memo2->Frame()->ShadowWidth(), 4);
    EXPECT_EQ(Picture->Picture()->Width(), 0);
    EXPECT_TRUE(R.Build.Page->ParentFont()) << "the page's font follows the report again";
}

TEST(ReportRerun, AHighlightOneRunSwitchedOnStaysOffInTheNext)
{
    ChangingReport R("begin\r\n"
                     "  if Get('Change') = 1 then Memo1.Highlight.Condition := 'True';\r\n"
                     "end.");
    auto *Title = R.Build.Band<TfrxReportTitle>("ReportTitle1", 0, 40);
    TBuilder::Memo(Title, "Memo1", "lit", 0, 0, 200, 18)->Highlight()->SetColor(clYellow);

    const AnsiString First = R.Run(0);
    ASSERT_NE(R.Run(1), First);
    EXPECT_EQ(R.Run(0), First);
}

TEST(ReportRerun, ADotMatrixMemosStyleComesBackAsStored)
{
    ChangingReport R("begin\r\n"
                     "  if Get('Change') = 1 then DMPMemo1.FontStyle := fsxBold or fsxWide;\r\n"
                     "end.");
    R.Build.Report->SetDotMatrixReport(true);
    delete R.Build.Page;
    auto *Page = new TfrxDMPPage(R.Build.Report.get());
    Page->SetName("DMPPage1");
    auto *Band = new TfrxReportTitle(Page);
    Band->SetName("ReportTitle1");
    Band->SetHeight(fr1CharY * 2);
    auto *Memo = new TfrxDMPMemoView(Band);
    Memo->SetName("DMPMemo1");
    Memo->SetBounds(0, 0, fr1CharX * 10, fr1CharY);
    Memo->SetText(u"dot");
    // As the program has it, from a stored template: a dot-matrix page built here still
    // has the width of the paper before it was rounded to whole columns.
    TStringStream Template(Written([&](TStream *S) { R.Build.Report->SaveToStream(S); }));
    R.Build.Report->LoadFromStream(&Template);

    const AnsiString First = R.Run(0);
    ASSERT_NE(R.Run(1), First);
    EXPECT_EQ(R.Run(0), First);
    Memo = static_cast<TfrxDMPMemoView *>(R.Build.Report->FindObject("DMPMemo1"));
    EXPECT_EQ(Memo->FontStyle(), TfrxDMPFontStyles());
}


// Reading it anew starts from a fresh data set, whose empty alias its own setter refuses.
TEST(ReportRerun, ADataSetOfTheReportComesBackWithItsAlias)
{
    ChangingReport R("begin\r\n"
                     "  if Get('Change') = 1 then Rows.UserName := 'Renamed';\r\n"
                     "end.");
    auto *Rows = new TfrxUserDataSet(R.Build.Report.get());
    Rows->SetName("Rows");
    Rows->SetRangeEnd(reCount);
    Rows->SetRangeEndCount(2);
    R.Build.Report->DataSets()->Add(Rows);
    auto *Band = R.Build.Band<TfrxMasterData>("MasterData1", 0, 20);
    Band->SetDataSet(Rows);
    TBuilder::Memo(Band, "RowMemo", "row [Line]");

    const AnsiString First = R.Run(0);
    R.Run(1);
    EXPECT_EQ(R.Run(0), First);
    EXPECT_EQ(Rows->UserName(), "Rows");
    EXPECT_EQ(R.Build.Report->Errors()->Count(), 0) << R.Build.Errors();
}

} // namespace
