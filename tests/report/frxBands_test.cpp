#include "report/frxClass.h"
#include "tests/report/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace
{

// A picture of one colour, Size pixels square.
void PaintPicture(TPicture *Picture, TColor Color, int Size)
{
    TBitmap Bitmap;
    Bitmap.SetSize(Size, Size);
    Bitmap.Canvas()->Brush()->SetColor(Color);
    Bitmap.Canvas()->FillRect(Rect(0, 0, Size, Size));
    Picture->Assign(&Bitmap);
}

} // namespace

// ---- the page's background ----

TEST(PageBackground, ATemplatesBackPictureSurvivesSavingAndLoading)
{
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    PaintPicture(Page->BackPicture(), clRed, 8);
    Page->SetColor(clYellow);
    const AnsiString Saved = Written([&](TStream *S) { Report.SaveToStream(S); });

    TfrxReport Loaded(nullptr);
    TStringStream Stream(Saved);
    Loaded.LoadFromStream(&Stream);
    auto *Back = dynamic_cast<TfrxReportPage *>(Loaded.FindObject("Page1"));
    ASSERT_NE(Back, nullptr);
    EXPECT_EQ(Back->BackPicture()->Width(), 8);
    EXPECT_EQ(Back->Color(), clYellow);
    EXPECT_EQ(Back->BackPictureView()->Color(), clYellow) << "the view holds the colour";
}

TEST(PageBackground, DrawStretchesThePictureOverThePrintableArea)
{
    TfrxReportPage Page(nullptr);
    Page.SetLeftMargin(10);
    Page.SetTopMargin(10);
    PaintPicture(Page.BackPicture(), clBlue, 4);
    TBitmap Target;
    Target.SetSize(800, 1130);
    Target.Canvas()->Brush()->SetColor(clWhite);
    Target.Canvas()->FillRect(Rect(0, 0, 800, 1130));
    Page.Draw(Target.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Target.Canvas()->Pixels(400, 600), clBlue);
    EXPECT_EQ(Target.Canvas()->Pixels(20, 20), clWhite) << "the margin stays clear";
    EXPECT_EQ(Target.Canvas()->Pixels(45, 45), clBlue);
}

// ---- bands ----

TEST(Bands, BandNamesLeaveOutTheLibraryPrefixAndTheWordBand)
{
    EXPECT_EQ(TfrxMasterData(nullptr).GetBandName(), "MasterData");
    EXPECT_EQ(TfrxDataBand4(nullptr).GetBandName(), "Data4");
    EXPECT_EQ(TfrxPageHeader(nullptr).GetBandName(), "PageHeader");
}

TEST(Bands, ColumnsWrapAndTheTallestColumnMarkStartsAgain)
{
    TfrxMasterData Band(nullptr);
    Band.SetColumns(3);
    Band.SetColumnWidth(100);
    Band.SetColumnGap(10);
    Band.SetCurColumn(3);
    EXPECT_DOUBLE_EQ(Band.Left(), 220);
    Band.SetMaxY(75);
    Band.SetCurColumn(2);
    EXPECT_DOUBLE_EQ(Band.MaxY(), 75) << "a later column keeps the mark";
    Band.SetCurColumn(4);
    EXPECT_EQ(Band.CurColumn(), 1);
    EXPECT_DOUBLE_EQ(Band.MaxY(), 0);
    EXPECT_DOUBLE_EQ(Band.Left(), 0);
}

TEST(ReportPage, ClearGuidesEmptiesBothGuideLists)
{
    TfrxReportPage Page(nullptr);
    Page.HGuides()->Add("10");
    Page.VGuides()->Add("20");
    Page.ClearGuides();
    EXPECT_EQ(Page.HGuides()->Count(), 0);
    EXPECT_EQ(Page.VGuides()->Count(), 0);
}
