#include "tests/report_output/EngineTestSupport.h"
#include "tests/report_output/LinesView.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/StdCtrls.h"
#include "report/frxXML.h"
#include "report_output/frxDMPClass.h"
#include "report_output/frxPreviewPages.h"
#include "script/fs_iinterpreter.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>

using namespace enginetest;

namespace
{

std::string At(const char *Name, double Top)
{
    return std::string(Name) + "@" + Hundredths(Top);
}

// The archive-list shape: title, page header, a 20-pixel row, page footer.
struct TListReport {
    TBuilder B;
    TRows Rows{"Rows"};
    TfrxReportTitle *Title;
    TfrxPageHeader *Header;
    TfrxMasterData *Data;
    TfrxPageFooter *Footer;

    explicit TListReport(int Count)
    {
        Rows.SetCount(Count);
        B.Use(Rows);
        Title = B.Band<TfrxReportTitle>("ReportTitle1", 0, 40);
        Header = B.Band<TfrxPageHeader>("PageHeader1", 60, 30);
        Data = B.Data<TfrxMasterData>("MasterData1", 120, 20, Rows);
        Footer = B.Band<TfrxPageFooter>("PageFooter1", 200, 30);
    }
};

const double FooterTop = 297 * 3.77953 - 20 * 3.77953 - 30;

std::vector<std::string> Rows(double From, int Count)
{
    std::vector<std::string> Result;
    for (int i = 0; i < Count; ++i)
        Result.push_back(At("MasterData1", From + 20 * i));
    return Result;
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> Parts)
{
    std::vector<std::string> Result;
    for (auto &Part : Parts)
        Result.insert(Result.end(), Part.begin(), Part.end());
    return Result;
}

} // namespace

// ---- pages ----

TEST(EnginePages, RowsBreakWhereTheFooterBegins)
{
    TListReport L(100);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 3);
    const std::string Footer = At("PageFooter1", FooterTop);
    EXPECT_EQ(Layout(L.B.Pages(), 0),
              Join({{At("ReportTitle1", 0), At("PageHeader1", 40)}, Rows(70, 47), {Footer}}));
    EXPECT_EQ(Layout(L.B.Pages(), 1), Join({{At("PageHeader1", 0)}, Rows(30, 49), {Footer}}));
    EXPECT_EQ(Layout(L.B.Pages(), 2), Join({{At("PageHeader1", 0)}, Rows(30, 4), {Footer}}));
}

TEST(EnginePages, TheLastRowThatFitsAndTheFirstThatDoesNot)
{
    TListReport Fits(47);
    ASSERT_TRUE(Fits.B.Prepare());
    EXPECT_EQ(Fits.B.PageCount(), 1);

    TListReport Breaks(48);
    ASSERT_TRUE(Breaks.B.Prepare());
    ASSERT_EQ(Breaks.B.PageCount(), 2);
    EXPECT_EQ(Layout(Breaks.B.Pages(), 1), Join({{At("PageHeader1", 0), At("MasterData1", 30)},
                                                 {At("PageFooter1", FooterTop)}}));
}

TEST(EnginePages, TitleBelowTheHeaderPrintsOnce)
{
    TListReport L(60);
    L.B.Page->SetTitleBeforeHeader(false);
    ASSERT_TRUE(L.B.Prepare());
    ASSERT_EQ(L.B.PageCount(), 2);
    const auto First = Layout(L.B.Pages(), 0);
    ASSERT_GE(First.size(), 3u);
    EXPECT_EQ(First[0], At("PageHeader1", 0));
    EXPECT_EQ(First[1], At("ReportTitle1", 30));
    EXPECT_EQ(First[2], At("MasterData1", 70));
    EXPECT_EQ(Layout(L.B.Pages(), 1)[0], At("PageHeader1", 0));
    EXPECT_EQ(Layout(L.B.Pages(), 1)[1], At("MasterData1", 30));
}

TEST(EnginePages, EmptyDataGivesOnePageOnlyWhenAskedTo)
{
    TListReport Shown(0);
    Shown.B.Band<TfrxReportSummary>("ReportSummary1", 300, 40);
    ASSERT_TRUE(Shown.B.Prepare());
    ASSERT_EQ(Shown.B.PageCount(), 1);
    EXPECT_EQ(Layout(Shown.B.Pages(), 0),
              (std::vector<std::string>{At("ReportTitle1", 0), At("PageHeader1", 40),
                                        At("ReportSummary1", 70), At("PageFooter1", FooterTop)}));

    TListReport Hidden(0);
    Hidden.B.Report->EngineOptions()->SetPrintIfEmpty(false);
    ASSERT_TRUE(Hidden.B.Prepare());
    EXPECT_EQ(Hidden.B.PageCount(), 0);
}

TEST(EnginePages, ABandWithARowCountAndNoDataSetPrintsThatOften)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    Data->SetRowCount(3);
    TBuilder::Memo(Data, "Memo1", "[Line]");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    EXPECT_EQ(TextsOf(B.Pages(), 0, "MasterData1"), (std::vector<std::string>{"1", "2", "3"}));
    // The record counter served the run only; the band's template names no data set.
    EXPECT_EQ(Data->DataSet(), nullptr);
}

TEST(EnginePages, StartNewPageBreaksBeforeEveryRecordButTheFirst)
{
    TListReport L(3);
    L.Data->SetStartNewPage(true);
    ASSERT_TRUE(L.B.Prepare());
    ASSERT_EQ(L.B.PageCount(), 3);
    EXPECT_EQ(Layout(L.B.Pages(), 0)[2], At("MasterData1", 70));
    EXPECT_EQ(Layout(L.B.Pages(), 1)[1], At("MasterData1", 30));
}

// Records side by side, each on a page of its own: the column footer ends each page below the
// record on it, the title's page as the others.
TEST(EnginePages, StartNewPageInABandOfColumnsEndsEachPageBelowItsRecord)
{
    TListReport L(3);
    L.Data->SetColumns(2);
    L.Data->SetColumnWidth(300);
    L.Data->SetStartNewPage(true);
    L.B.Band<TfrxColumnFooter>("ColumnFooter1", 240, 20);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 3);
    std::vector<std::string> Places;
    for (int Page = 0; Page < 3; ++Page)
        for (const TShown &Band : Shown(L.B.Pages(), Page))
            if (Band.Name == "MasterData1" || Band.Name == "ColumnFooter1")
                Places.push_back(Band.Name + "@" + Hundredths(Band.Left) + "," +
                                 Hundredths(Band.Top));
    EXPECT_EQ(Places,
              (std::vector<std::string>{"MasterData1@0.00,70.00", "ColumnFooter1@0.00,90.00",
                                        "MasterData1@300.00,30.00", "ColumnFooter1@0.00,50.00",
                                        "MasterData1@0.00,30.00", "ColumnFooter1@0.00,50.00"}));
}

// Forty-six rows of two records fill the first page down to 990: the kept footer does not fit
// below them and takes the last record along, and the column footer goes below the record that
// stays in the row.
TEST(EnginePages, AKeptFooterThatTakesTheSecondRecordOfARowLeavesTheFirstAboveTheColumnFooter)
{
    TListReport L(92);
    L.Data->SetColumns(2);
    L.Data->SetColumnWidth(300);
    L.Data->SetKeepFooter(true);
    L.B.Band<TfrxFooter>("Footer1", 160, 30);
    L.B.Band<TfrxColumnFooter>("ColumnFooter1", 240, 20);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 2);
    std::vector<std::string> Places;
    for (int Page = 0; Page < 2; ++Page)
        for (const TShown &Band : Shown(L.B.Pages(), Page))
            if (Band.Name != "MasterData1" || Band.Top >= 970 || Page == 1)
                Places.push_back(Band.Name + "@" + Hundredths(Band.Left) + "," +
                                 Hundredths(Band.Top));
    EXPECT_EQ(Places,
              (std::vector<std::string>{"ReportTitle1@0.00,0.00", "PageHeader1@0.00,40.00",
                                        "MasterData1@0.00,970.00", "ColumnFooter1@0.00,990.00",
                                        "PageFooter1@0.00,1016.93", "PageHeader1@0.00,0.00",
                                        "MasterData1@0.00,30.00", "Footer1@0.00,50.00",
                                        "ColumnFooter1@0.00,80.00", "PageFooter1@0.00,1016.93"}));
}

TEST(EnginePages, PageColumnsFillSideBySideBeforeTheNextPage)
{
    TListReport L(100);
    L.Title->SetVisible(false);
    L.B.Page->SetColumns(2);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 2);
    std::vector<TShown> Rows;
    for (const TShown &Band : Shown(L.B.Pages(), 0))
        if (Band.Name == "MasterData1") Rows.push_back(Band);
    ASSERT_EQ(Rows.size(), 98u);
    EXPECT_DOUBLE_EQ(Rows[48].Top, 990);
    EXPECT_DOUBLE_EQ(Rows[48].Left, 0);
    EXPECT_DOUBLE_EQ(Rows[49].Top, 30);
    EXPECT_NEAR(Rows[49].Left, 95 * 3.77953, 1e-9);
    const auto Second = Shown(L.B.Pages(), 1);
    EXPECT_EQ(Second[1].Name, "MasterData1");
    EXPECT_DOUBLE_EQ(Second[1].Left, 0);
}

// Records of 20 pixels with a child of 30 from 30 pixels down: the 20th record still fits in
// the first column at 980, its child does not and opens the second.
TEST(EnginePages, AChildThatOpensTheNextPageColumnLeavesTheRecordsAfterItThere)
{
    TListReport L(60);
    L.Title->SetVisible(false);
    L.B.Page->SetColumns(2);
    L.Data->SetChild(L.B.Band<TfrxChild>("Child1", 160, 30));
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    const double SecondColumn = 95 * 3.77953;
    std::vector<std::string> Places;
    // The foot of the first column and the head of the second.
    for (const TShown &Band : Shown(L.B.Pages(), 0))
        if (Band.Name != "PageFooter1" && (Band.Left == 0 ? Band.Top >= 980 : Band.Top <= 80))
            Places.push_back(Band.Name + "@" + Hundredths(Band.Left) + "," + Hundredths(Band.Top));
    const std::string Second = Hundredths(SecondColumn) + ",";
    EXPECT_EQ(Places, (std::vector<std::string>{
                          "MasterData1@0.00,980.00", "Child1@" + Second + "30.00",
                          "MasterData1@" + Second + "60.00", "Child1@" + Second + "80.00"}));
}

TEST(EnginePages, RecordsSideBySideInABandOfColumns)
{
    TListReport L(5);
    L.Data->SetColumns(2);
    L.Data->SetColumnWidth(300);
    L.Data->SetColumnGap(10);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(L.B.Pages(), 0))
        if (Band.Name == "MasterData1")
            Places.push_back(Hundredths(Band.Left) + "," + Hundredths(Band.Top));
    EXPECT_EQ(Places, (std::vector<std::string>{"0.00,70.00", "310.00,70.00", "0.00,90.00",
                                                "310.00,90.00", "0.00,110.00"}));
}

TEST(EnginePages, AHeaderMarkedForReprintHeadsEveryPageOfItsRows)
{
    TListReport L(60);
    auto *Header = L.B.Band<TfrxHeader>("Header1", 100, 22);
    Header->SetReprintOnNewPage(true);
    L.Data->SetTop(130);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 2);
    const auto First = Layout(L.B.Pages(), 0), Second = Layout(L.B.Pages(), 1);
    EXPECT_EQ(First[2], At("Header1", 70));
    EXPECT_EQ(First[3], At("MasterData1", 92));
    EXPECT_EQ(Second[0], At("PageHeader1", 0));
    EXPECT_EQ(Second[1], At("Header1", 30));
    EXPECT_EQ(Second[2], At("MasterData1", 52));
}

TEST(EnginePages, ASecondPageCanContinueWhereTheFirstEnded)
{
    TListReport L(3);
    auto *Next = new TfrxReportPage(L.B.Report.get());
    Next->SetName("Page2");
    Next->SetTopMargin(10);
    Next->SetBottomMargin(10);
    Next->SetPrintOnPreviousPage(true);
    auto *Title = new TfrxReportTitle(Next);
    Title->SetName("ReportTitle2");
    Title->SetHeight(25);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 1);
    const auto Bands = Layout(L.B.Pages(), 0);
    EXPECT_NE(std::find(Bands.begin(), Bands.end(), At("ReportTitle2", 130)), Bands.end())
        << Bands.size();
}

TEST(EnginePages, APageWithADataSetRepeatsForEachRecord)
{
    TBuilder B;
    TRows Customers("Customers");
    Customers.SetRows({{{"Name", "A"}}, {{"Name", "B"}}});
    B.Use(Customers);
    B.Page->SetDataSet(&Customers.DataSet);
    TBuilder::Memo(B.Band<TfrxReportTitle>("ReportTitle1", 0, 20), "Memo1", "[Name] [Page#]");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    EXPECT_EQ(TextsOf(B.Pages(), 0, "ReportTitle1"), std::vector<std::string>{"A 1"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "ReportTitle1"), std::vector<std::string>{"B 2"});
}

// ---- the summary and the page footers ----

TEST(EngineSummary, SummaryFollowsTheLastRow)
{
    TListReport L(100);
    L.B.Band<TfrxReportSummary>("ReportSummary1", 300, 40);
    ASSERT_TRUE(L.B.Prepare());
    ASSERT_EQ(L.B.PageCount(), 3);
    const auto Last = Layout(L.B.Pages(), 2);
    EXPECT_EQ(Last[Last.size() - 2], At("ReportSummary1", 110));
}

TEST(EngineSummary, ASummaryThatBreaksThePageLeavesTheFooterOnEveryPageButTheLast)
{
    TListReport L(96);
    L.B.Band<TfrxReportSummary>("ReportSummary1", 300, 40);
    L.Footer->SetPrintOnLastPage(false);
    ASSERT_TRUE(L.B.Prepare());
    ASSERT_EQ(L.B.PageCount(), 3);
    EXPECT_EQ(Layout(L.B.Pages(), 1).back(), At("PageFooter1", FooterTop));
    EXPECT_EQ(Layout(L.B.Pages(), 2),
              (std::vector<std::string>{At("PageHeader1", 0), At("ReportSummary1", 30)}));
}

// Fifty-one rows fill the first page column down to its footer; the summary does not fit under
// that footer and opens the second column, which leaves the first with its one footer.
TEST(EngineSummary, ASummaryThatOpensTheNextColumnLeavesOneFooterInTheColumnBefore)
{
    TListReport L(51);
    L.Title->SetVisible(false);
    L.Header->SetVisible(false);
    L.Footer->SetVisible(false);
    L.Footer->SetHeight(0);
    L.Data->SetTop(0);
    L.B.Page->SetColumns(2);
    L.B.Band<TfrxColumnFooter>("ColumnFooter1", 300, 20);
    L.B.Band<TfrxReportSummary>("ReportSummary1", 340, 30);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    ASSERT_EQ(L.B.PageCount(), 1);
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(L.B.Pages(), 0))
        if (Band.Name != "MasterData1")
            Places.push_back(Band.Name + "@" + Hundredths(Band.Left) + "," + Hundredths(Band.Top));
    EXPECT_EQ(Places,
              (std::vector<std::string>{"ColumnFooter1@0.00,1020.00",
                                        "ReportSummary1@" + Hundredths(95 * 3.77953) + ",0.00"}));
}

TEST(EngineSummary, PageNumbersNeedTheSecondPassForTheTotal)
{
    for (const bool DoublePass : {false, true}) {
        TListReport L(100);
        TBuilder::Memo(L.Footer, "Memo1", "Стр. [Page] из [TotalPages]");
        L.B.Report->EngineOptions()->SetDoublePass(DoublePass);
        ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
        ASSERT_EQ(L.B.PageCount(), 3) << "no pages of the first pass stay";
        const char *Total = DoublePass ? "3" : "0";
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(TextsOf(L.B.Pages(), i, "PageFooter1"),
                      std::vector<std::string>{"Стр. " + std::to_string(i + 1) + " из " + Total});
    }
}

// ---- wiring ----

TEST(EngineWiring, BandsInTheWrongPlaceFailThePreparation)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetCount(2);
    B.Band<TfrxGroupHeader>("GroupHeader1", 0, 20);
    B.Data<TfrxMasterData>("MasterData1", 40, 20, Rows);
    B.Band<TfrxGroupFooter>("GroupFooter1", 80, 20);
    B.Band<TfrxGroupFooter>("GroupFooter2", 120, 20);
    B.Band<TfrxHeader>("Header1", 160, 20);
    EXPECT_FALSE(B.Prepare());
    EXPECT_NE(B.Errors().find("Нет заголовка группы GroupFooter2"), std::string::npos)
        << B.Errors();
    EXPECT_NE(B.Errors().find("Не подключенный header/footer Header1"), std::string::npos)
        << B.Errors();
    EXPECT_EQ(B.PageCount(), 0);
}

TEST(EngineWiring, ASecondGroupFooterIsTheOnlyError)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetCount(2);
    B.Band<TfrxGroupHeader>("GroupHeader1", 0, 20);
    B.Data<TfrxMasterData>("MasterData1", 40, 20, Rows);
    B.Band<TfrxGroupFooter>("GroupFooter1", 80, 20);
    B.Band<TfrxGroupFooter>("GroupFooter2", 120, 20);
    EXPECT_FALSE(B.Prepare());
    EXPECT_EQ(B.Errors(), "Нет заголовка группы GroupFooter2\r\n");
}

TEST(EngineWiring, OneDataSetCannotDriveTheReportAndItsBands)
{
    TListReport L(3);
    L.B.Report->SetDataSet(&L.Rows.DataSet);
    EXPECT_FALSE(L.B.Prepare());
    EXPECT_NE(L.B.Errors().find("Cannot use the same dataset for Report.DataSet and Band.DataSet"),
              std::string::npos)
        << L.B.Errors();
}

// ---- groups and details ----

TEST(EngineGroups, HeadersFootersCountsAndLineCounters)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetRows({{{"type_key", "0"}},
                  {{"type_key", "0"}},
                  {{"type_key", "1"}},
                  {{"type_key", "1"}},
                  {{"type_key", "1"}}});
    B.Use(Rows);
    B.Band<TfrxPageHeader>("PageHeader1", 0, 30);
    B.Band<TfrxGroupHeader>("GroupHeader1", 40, 20)->SetCondition("type_key");
    auto *Data = B.Data<TfrxMasterData>("MasterData1", 80, 20, Rows);
    TBuilder::Memo(Data, "Memo1", "[Line]", 0, 0, 100);
    TBuilder::Memo(Data, "Memo2", "[Line#]", 100, 0, 100);
    auto *Footer = B.Band<TfrxGroupFooter>("GroupFooter1", 120, 20);
    TBuilder::Memo(Footer, "Memo3", "[COUNT(MasterData1)]");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 1);
    EXPECT_EQ(Layout(B.Pages(), 0),
              (std::vector<std::string>{At("PageHeader1", 0), At("GroupHeader1", 30),
                                        At("MasterData1", 50), At("MasterData1", 70),
                                        At("GroupFooter1", 90), At("GroupHeader1", 110),
                                        At("MasterData1", 130), At("MasterData1", 150),
                                        At("MasterData1", 170), At("GroupFooter1", 190)}));
    EXPECT_EQ(TextsOf(B.Pages(), 0, "GroupFooter1"), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(TextsOf(B.Pages(), 0, "MasterData1"),
              (std::vector<std::string>{"1", "1", "2", "2", "1", "3", "2", "4", "3", "5"}));
}

TEST(EngineGroups, DetailsFollowTheirMasterAndEmptyOnesHideIt)
{
    for (const bool PrintIfEmpty : {false, true}) {
        TBuilder B;
        TRows Masters("Masters"), Details("Details");
        Masters.SetRows({{{"Name", "A"}}, {{"Name", "B"}}, {{"Name", "C"}}});
        const std::map<std::string, std::vector<std::string>> Items = {
            {"A", {"a1", "a2"}}, {"B", {}}, {"C", {"c1"}}};
        Details.DataSet.OnFirst = [&](TObject *) {
            std::vector<std::map<std::string, Variant>> Rows;
            for (const std::string &Item : Items.at(VarToStr(Masters.Get("Name")).ToStd()))
                Rows.push_back({{"Item", Variant(AnsiString(Item))}});
            Details.SetRows(Rows);
        };
        B.Use(Masters);
        B.Use(Details);
        auto *Master = B.Data<TfrxMasterData>("MasterData1", 0, 20, Masters);
        Master->SetPrintIfDetailEmpty(PrintIfEmpty);
        TBuilder::Memo(Master, "Memo1", "[Name]");
        TBuilder::Memo(B.Data<TfrxDetailData>("DetailData1", 40, 20, Details), "Memo2", "[Item]");
        ASSERT_TRUE(B.Prepare()) << B.Errors();
        std::vector<std::string> Texts;
        for (const TShown &Band : Shown(B.Pages(), 0))
            Texts.push_back(Band.Texts.at(0));
        const std::vector<std::string> Expected =
            PrintIfEmpty ? std::vector<std::string>{"A", "a1", "a2", "B", "C", "c1"}
                         : std::vector<std::string>{"A", "a1", "a2", "C", "c1"};
        EXPECT_EQ(Texts, Expected);
    }
}

// ---- keep blocks ----

TEST(EngineKeep, AGroupThatDoesNotFitMovesWholeAndCountsOnItsNewPage)
{
    TBuilder B;
    TRows Rows("Rows");
    std::vector<std::map<std::string, Variant>> Data;
    for (int Group = 0; Group < 6; ++Group)
        for (int i = 0; i < 10; ++i)
            Data.push_back({{"Grp", Group}, {"Qty", 1}});
    Rows.SetRows(Data);
    B.Use(Rows);
    auto *Group = B.Band<TfrxGroupHeader>("GroupHeader1", 0, 20);
    Group->SetCondition("Grp");
    Group->SetKeepTogether(true);
    B.Data<TfrxMasterData>("MasterData1", 40, 20, Rows);
    B.Band<TfrxGroupFooter>("GroupFooter1", 80, 20);
    TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 120, 30), "Memo1", "[SUM(<Qty>)]");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    // Four blocks of 240 pixels fill the first page; the fifth starts the second.
    const auto First = Layout(B.Pages(), 0);
    EXPECT_EQ(First[First.size() - 2], At("GroupFooter1", 940));
    EXPECT_EQ(Layout(B.Pages(), 1)[0], At("GroupHeader1", 0));
    EXPECT_EQ(Layout(B.Pages(), 1)[1], At("MasterData1", 20));
    EXPECT_EQ(TextsOf(B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"40"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"20"});
}

namespace
{

// Fifty rows fill all but 7 pixels above the 40-pixel page footer; the kept footer does not
// fit and takes the last row along.
void ExpectTheKeptFooterTakesTheLastRow(bool RowsKeptTogether)
{
    // A data-set field reads nothing past the last record; the host answers a report
    // variable only for rows that exist.
    for (const char *Total : {"[SUM(<Rows.\"x\">)]", "[SUM(<x>)]"}) {
        TBuilder B;
        TRows Rows("Rows");
        Rows.SetRows(std::vector<std::map<std::string, Variant>>(50, {{"x", 1}}));
        B.Use(Rows);
        auto *Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
        Data->SetKeepFooter(true);
        Data->SetKeepTogether(RowsKeptTogether);
        TBuilder::Memo(B.Band<TfrxFooter>("Footer1", 40, 20), "Memo1", Total);
        TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 80, 40), "Memo2", Total);
        ASSERT_TRUE(B.Prepare()) << Total << ": " << B.Errors();
        ASSERT_EQ(B.PageCount(), 2) << Total;
        EXPECT_EQ(Layout(B.Pages(), 1)[0], At("MasterData1", 0)) << Total;
        EXPECT_EQ(Layout(B.Pages(), 1)[1], At("Footer1", 20)) << Total;
        EXPECT_EQ(TextsOf(B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"49"}) << Total;
        EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"1"}) << Total;
        EXPECT_EQ(TextsOf(B.Pages(), 1, "Footer1"), std::vector<std::string>{"50"}) << Total;
    }
}

} // namespace

TEST(EngineKeep, AKeptFooterTakesTheLastRowIntoTheNextPagesTotal)
{
    ExpectTheKeptFooterTakesTheLastRow(false);
}

// Each row is a block of its own, counted when the block closed, before the footer came.
TEST(EngineKeep, AKeptFooterTakesARowKeptTogetherIntoTheNextPagesTotal)
{
    ExpectTheKeptFooterTakesTheLastRow(true);
}

// A last row that is not shown was never counted: the footer that moves alone takes no row.
TEST(EngineKeep, AKeptFooterAfterAHiddenLastRowMovesAlone)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetRows(std::vector<std::map<std::string, Variant>>(51, {{"x", 1}}));
    B.Use(Rows);
    auto *Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
    Data->SetKeepFooter(true);
    B.Report->OnBeforePrint = [&](TfrxReportComponent *Sender) {
        if (Sender == Data) Data->SetVisible(Rows.DataSet.RecNo() < 50);
    };
    TBuilder::Memo(B.Band<TfrxFooter>("Footer1", 40, 20), "Memo1", "[SUM(<x>)]");
    TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 80, 40), "Memo2", "[SUM(<x>)]");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    EXPECT_EQ(Layout(B.Pages(), 1)[0], At("Footer1", 0));
    EXPECT_EQ(TextsOf(B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"50"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "Footer1"), std::vector<std::string>{"50"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"0"});
}

// The last master's details fill the rest of the first page and all of the second; its kept
// footer moves to a third. The last master stays on the first page and counts there only.
TEST(EngineKeep, AKeptFooterAfterDetailsThatSpilledTakesNoRowFromAnEarlierPage)
{
    TBuilder B;
    TRows Masters("Masters"), Details("Details");
    std::vector<std::map<std::string, Variant>> MasterRows;
    for (int i = 1; i <= 10; ++i)
        MasterRows.push_back({{"No", i}, {"x", 1}});
    Masters.SetRows(MasterRows);
    Details.DataSet.OnFirst = [&](TObject *) {
        const bool Last = Masters.Get("No") == Variant(10);
        Details.SetRows(std::vector<std::map<std::string, Variant>>(Last ? 9 : 0, {{"y", 1}}));
    };
    B.Use(Masters);
    B.Use(Details);
    auto *Master = B.Data<TfrxMasterData>("MasterData1", 0, 20, Masters);
    Master->SetKeepFooter(true);
    Master->SetPrintIfDetailEmpty(true);
    const char *Total = "[SUM(<Masters.\"x\">)]";
    TBuilder::Memo(B.Band<TfrxFooter>("Footer1", 40, 20), "Memo1", Total);
    B.Data<TfrxDetailData>("DetailData1", 80, 200, Details);
    TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 320, 40), "Memo2", Total);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 3);
    EXPECT_EQ(Layout(B.Pages(), 2)[0], At("Footer1", 0));
    EXPECT_EQ(TextsOf(B.Pages(), 2, "Footer1"), std::vector<std::string>{"10"});
    EXPECT_EQ(TextsOf(B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"10"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"0"});
    EXPECT_EQ(TextsOf(B.Pages(), 2, "PageFooter1"), std::vector<std::string>{"0"});
}

namespace
{

std::vector<std::string> Numbers(int From, int To)
{
    std::vector<std::string> Result;
    for (int i = From; i <= To; ++i)
        Result.push_back(std::to_string(i));
    return Result;
}

// Two masters with a kept footer, their detail rows numbered on from 1; the second master's
// rows fill its page to 1000 pixels, so the footer does not fit there and starts a third page.
// Every detail row is printed once, the second page stays full and the footer moves alone.
// Page footers that total the masters read Totals, when given.
void ExpectTheKeptFooterCutsNothingFromTheDetailsPage(double TitleHeight,
                                                      std::array<int, 2> DetailCounts,
                                                      int RowsOnFirstPage,
                                                      std::vector<std::string> Totals = {})
{
    TBuilder B;
    TRows Masters("Masters"), Details("Details");
    Masters.SetRows({{{"No", 1}, {"x", 1}}, {{"No", 2}, {"x", 1}}});
    Details.DataSet.OnFirst = [&](TObject *) {
        const int Master = Masters.Get("No") == Variant(1) ? 0 : 1;
        const int From = Master == 0 ? 1 : DetailCounts[0] + 1;
        std::vector<std::map<std::string, Variant>> Rows;
        for (int i = 0; i < DetailCounts[static_cast<std::size_t>(Master)]; ++i)
            Rows.push_back({{"n", From + i}});
        Details.SetRows(Rows);
    };
    B.Use(Masters);
    B.Use(Details);
    if (TitleHeight > 0) B.Band<TfrxReportTitle>("ReportTitle1", 0, TitleHeight);
    auto *Master = B.Data<TfrxMasterData>("MasterData1", 500, 20, Masters);
    TBuilder::Memo(Master, "Memo1", "[Masters.\"No\"]");
    Master->SetKeepFooter(true);
    Master->SetPrintIfDetailEmpty(true);
    B.Band<TfrxFooter>("Footer1", 540, 20);
    TBuilder::Memo(B.Data<TfrxDetailData>("DetailData1", 580, 20, Details), "Memo2",
                   "[Details.\"n\"]");
    TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 620, 40), "Memo3",
                   "[SUM(<Masters.\"x\">)]");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 3);
    for (std::size_t i = 0; i < Totals.size(); ++i)
        EXPECT_EQ(TextsOf(B.Pages(), static_cast<int>(i), "PageFooter1"),
                  std::vector<std::string>{Totals[i]})
            << "page " << i + 1;
    const int AllRows = DetailCounts[0] + DetailCounts[1];
    EXPECT_EQ(TextsOf(B.Pages(), 0, "DetailData1"), Numbers(1, RowsOnFirstPage));
    EXPECT_EQ(TextsOf(B.Pages(), 1, "DetailData1"), Numbers(RowsOnFirstPage + 1, AllRows));
    const auto Second = Layout(B.Pages(), 1);
    ASSERT_GE(Second.size(), 2u);
    EXPECT_EQ(Second[Second.size() - 2], At("DetailData1", 980));
    EXPECT_EQ(Layout(B.Pages(), 2),
              (std::vector<std::string>{At("Footer1", 0), At("PageFooter1", 1006.93)}));
}

} // namespace

// The last master stays on the first page; its details go on over all of the second.
TEST(EngineKeep, AKeptFooterAfterDetailsThatFilledAPageCutsNothingFromThatPage)
{
    ExpectTheKeptFooterCutsNothingFromTheDetailsPage(0, {0, 98}, 48);
}

// The last master does not fit under the first one's details and starts the second page.
TEST(EngineKeep, AKeptFooterAfterAMasterMovedToANewPageCutsNothingFromThatPage)
{
    ExpectTheKeptFooterCutsNothingFromTheDetailsPage(400, {29, 49}, 29);
}

// The footer alone moves; the master it follows stays, and so does its value.
TEST(EngineKeep, AKeptFooterThatMovesAloneLeavesItsMasterInThePagesTotal)
{
    ExpectTheKeptFooterCutsNothingFromTheDetailsPage(400, {29, 49}, 29, {"1", "1", "0"});
    ExpectTheKeptFooterCutsNothingFromTheDetailsPage(0, {0, 98}, 48, {"2", "0", "0"});
}

namespace
{

// Numbered records three to a row, 20 pixels high, over a 40-pixel page footer that counts
// them: fifty rows of 160 records fill the first page up to 1000 pixels, 7 above the footer.
// A child band of each record, when asked for, prints "c" and the number.
struct TColumnRows {
    TBuilder B;
    TRows Rows{"Rows"};
    TfrxMasterData *Data;

    explicit TColumnRows(int Count = 160, double ChildHeight = 0)
    {
        std::vector<std::map<std::string, Variant>> Numbered;
        for (int i = 1; i <= Count; ++i)
            Numbered.push_back({{"n", i}});
        Rows.SetRows(Numbered);
        B.Use(Rows);
        Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
        Data->SetColumns(3);
        Data->SetColumnWidth(200);
        TBuilder::Memo(Data, "Memo1", "[Rows.\"n\"]");
        if (ChildHeight > 0) {
            auto *Child = B.Band<TfrxChild>("Child1", 40, ChildHeight);
            TBuilder::Memo(Child, "Memo3", "c[Rows.\"n\"]", 0, 0, 200, ChildHeight);
            Data->SetChild(Child);
        }
        TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 80, 40), "Memo2",
                       "[COUNT(MasterData1)]");
    }

    // The records of a page and their children as "text@left,top".
    std::vector<std::string> Records(int Page) const
    {
        std::vector<std::string> Result;
        for (const TShown &Band : Shown(B.Pages(), Page))
            if (Band.Name != "PageFooter1")
                Result.push_back(Band.Texts.at(0) + "@" + Hundredths(Band.Left) + "," +
                                 Hundredths(Band.Top));
        return Result;
    }
};

std::string Record(int No)
{
    const int Row = (No - 1) / 3, Column = (No - 1) % 3;
    const int Top = Row < 50 ? Row * 20 : (Row - 50) * 20;
    return std::to_string(No) + "@" + Hundredths(Column * 200) + "," + Hundredths(Top);
}

std::vector<std::string> Records(int From, int To)
{
    std::vector<std::string> Result;
    for (int i = From; i <= To; ++i)
        Result.push_back(Record(i));
    return Result;
}

// Two pages of records, each counted by its own footer.
void ExpectTwoPages(TColumnRows &C, const std::vector<std::string> &First,
                    const std::vector<std::string> &Second, const char *FirstCount,
                    const char *SecondCount)
{
    ASSERT_TRUE(C.B.Prepare()) << C.B.Errors();
    ASSERT_EQ(C.B.PageCount(), 2);
    EXPECT_EQ(C.Records(0), First);
    EXPECT_EQ(C.Records(1), Second);
    EXPECT_EQ(TextsOf(C.B.Pages(), 0, "PageFooter1"), std::vector<std::string>{FirstCount});
    EXPECT_EQ(TextsOf(C.B.Pages(), 1, "PageFooter1"), std::vector<std::string>{SecondCount});
}

void ExpectRowsOfColumnsCountWhereTheyPrint(bool KeepTogether)
{
    TColumnRows C;
    C.Data->SetKeepTogether(KeepTogether);
    ExpectTwoPages(C, Records(1, 150), Records(151, 160), "150", "10");
}

} // namespace

TEST(EngineColumns, ARowThatMovesToTheNextPageCountsThere)
{
    ExpectRowsOfColumnsCountWhereTheyPrint(false);
}

// Each record is a block of its own; the row still moves whole, column by column.
TEST(EngineColumns, ARowKeptTogetherMovesWholeAndKeepsItsColumns)
{
    ExpectRowsOfColumnsCountWhereTheyPrint(true);
}

namespace
{

// Records from From to To with a child of 26 pixels below each, three to a row from the top.
std::vector<std::string> RecordsWithChildren(int From, int To)
{
    std::vector<std::string> Result;
    for (int No = From; No <= To; ++No) {
        const int Row = (No - From) / 3, Column = (No - From) % 3;
        const std::string At = Hundredths(Column * 200) + ",";
        Result.push_back(std::to_string(No) + "@" + At + Hundredths(Row * 46));
        Result.push_back("c" + std::to_string(No) + "@" + At + Hundredths(Row * 46 + 20));
    }
    return Result;
}

} // namespace

namespace
{

// Count numbered records of 20 pixels in two groups, the first of FirstGroup records, each
// group kept together; the 40-pixel page header prints from the second page on, so a group
// that moves there has no more room than it had on the first. A 40-pixel page footer counts.
struct TKeptSecondGroup {
    TBuilder B;
    TRows Rows{"Rows"};
    TfrxMasterData *Data;

    TKeptSecondGroup(int Count, int FirstGroup)
    {
        std::vector<std::map<std::string, Variant>> Numbered;
        for (int i = 1; i <= Count; ++i)
            Numbered.push_back({{"n", i}, {"g", i <= FirstGroup ? 1 : 2}});
        Rows.SetRows(Numbered);
        B.Use(Rows);
        B.Band<TfrxPageHeader>("PageHeader1", 0, 40)->SetPrintOnFirstPage(false);
        auto *Group = B.Band<TfrxGroupHeader>("GroupHeader1", 60, 20);
        Group->SetCondition("g");
        Group->SetKeepTogether(true);
        Data = B.Data<TfrxMasterData>("MasterData1", 100, 20, Rows);
        TBuilder::Memo(Data, "Memo1", "[Rows.\"n\"]");
        TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 140, 40), "Memo2",
                       "[COUNT(MasterData1)]");
    }
};

} // namespace

// The second group, kept together, does not fit under the first and moves to the second page,
// where the page header leaves it less room: its last row does not fit there either and goes
// on to a third page.
TEST(EngineColumns, ARowThatAMovedBlockLeavesOverTheFooterGoesOnAlone)
{
    TKeptSecondGroup G(200, 3);
    G.Data->SetColumns(3);
    G.Data->SetColumnWidth(200);
    TBuilder &B = G.B;
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 3);
    EXPECT_EQ(TextsOf(B.Pages(), 0, "MasterData1"), Numbers(1, 3));
    EXPECT_EQ(TextsOf(B.Pages(), 1, "MasterData1"), Numbers(4, 144));
    EXPECT_EQ(TextsOf(B.Pages(), 2, "MasterData1"), Numbers(145, 200));
    for (int Page = 0; Page < 3; ++Page)
        for (const TShown &Band : Shown(B.Pages(), Page)) {
            if (Band.Name == "MasterData1") {
                EXPECT_LE(Band.Top + Band.Height, FooterTop - 10) << "page " << Page + 1;
            }
        }
    EXPECT_EQ(Layout(B.Pages(), 2)[1], At("MasterData1", 40));
    EXPECT_EQ(TextsOf(B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"3"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"141"});
    EXPECT_EQ(TextsOf(B.Pages(), 2, "PageFooter1"), std::vector<std::string>{"56"});
}

namespace
{

// The left edge of a page column of the builder's A4 page with 10 mm margins.
double PageColumnLeft(int Columns, int Column)
{
    return (190.0 / Columns) * (Column - 1) * 3.77953;
}

// Every band of that name on every page as "text@left,top", and a fault for each one that
// lies above the page, over the page footer at FooterAt or outside its page column.
std::vector<std::vector<std::string>> PlacesInColumns(TBuilder &B, const std::string &Name,
                                                      int Columns, double FooterAt,
                                                      std::vector<std::string> &Faults)
{
    std::vector<std::vector<std::string>> Result;
    const double Width = PageColumnLeft(Columns, 2);
    for (int Page = 0; Page < B.PageCount(); ++Page) {
        Result.emplace_back();
        for (const TShown &Band : Shown(B.Pages(), Page)) {
            if (Band.Name != Name) continue;
            const std::string Place = Band.Texts.empty() ? std::string() : Band.Texts[0];
            Result.back().push_back(Place + "@" + Hundredths(Band.Left) + "," +
                                    Hundredths(Band.Top));
            const int Column = static_cast<int>(std::floor(Band.Left / Width + 1e-6));
            for (const TPlaced &O : Band.Objects)
                if (Band.Top + O.Top < -1e-6 || Band.Top + O.Top + O.Height > FooterAt + 1e-6 ||
                    Band.Left + O.Left + 1e-6 < Column * Width || Column >= Columns)
                    Faults.push_back("page " + std::to_string(Page + 1) + ": " + Name + " " +
                                     Place + " at " + Hundredths(Band.Left + O.Left) + "," +
                                     Hundredths(Band.Top + O.Top));
        }
    }
    return Result;
}

std::vector<std::string> Texts(const std::vector<std::string> &Places)
{
    std::vector<std::string> Result;
    for (const std::string &Place : Places)
        Result.push_back(Place.substr(0, Place.find('@')));
    return Result;
}

} // namespace

// The second group, kept together, does not fit under the first in the first page column: it
// moves whole to the second column and goes on from there, column by column and page by page.
TEST(EngineColumns, AKeptGroupThatFillsEveryPageColumnStaysOnTheSheet)
{
    TKeptSecondGroup G(200, 3);
    TBuilder &B = G.B;
    B.Page->SetColumns(2);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 3);
    std::vector<std::string> Faults;
    const auto Records = PlacesInColumns(B, "MasterData1", 2, FooterTop - 10, Faults);
    PlacesInColumns(B, "GroupHeader1", 2, FooterTop - 10, Faults);
    EXPECT_EQ(Faults, std::vector<std::string>{});
    EXPECT_EQ(Texts(Records[0]), Numbers(1, 52));
    EXPECT_EQ(Texts(Records[1]), Numbers(53, 148));
    EXPECT_EQ(Texts(Records[2]), Numbers(149, 200));
    const std::string Second = Hundredths(PageColumnLeft(2, 2)) + ",";
    EXPECT_EQ(Records[0].at(3), "4@" + Second + "20.00");
    EXPECT_EQ(Records[0].at(51), "52@" + Second + "980.00");
    EXPECT_EQ(TextsOf(B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"52"});
    EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"96"});
    EXPECT_EQ(TextsOf(B.Pages(), 2, "PageFooter1"), std::vector<std::string>{"52"});
}

// Two records of 150 pixels side by side in each page column; each record is kept together,
// and the row that does not fit above the footer goes on in the next page column.
TEST(EngineColumns, ARowKeptTogetherInAPageColumnMovesToTheNextColumn)
{
    TColumnRows C(260);
    C.B.Page->SetColumns(2);
    C.Data->SetColumns(2);
    C.Data->SetColumnWidth(150);
    C.Data->SetKeepTogether(true);
    TList *Objects = C.Data->Objects();
    static_cast<TfrxComponent *>(Objects->Items(0))->SetWidth(150);
    ASSERT_TRUE(C.B.Prepare()) << C.B.Errors();
    ASSERT_EQ(C.B.PageCount(), 2);
    std::vector<std::string> Faults;
    const auto Records = PlacesInColumns(C.B, "MasterData1", 2, FooterTop - 10, Faults);
    EXPECT_EQ(Faults, std::vector<std::string>{});
    EXPECT_EQ(Texts(Records[0]), Numbers(1, 200));
    EXPECT_EQ(Texts(Records[1]), Numbers(201, 260));
    const std::string Second = Hundredths(PageColumnLeft(2, 2));
    EXPECT_EQ(Records[0].at(100), "101@" + Second + ",0.00");
    EXPECT_EQ(Records[0].at(101), "102@" + Hundredths(PageColumnLeft(2, 2) + 150) + ",0.00");
    EXPECT_EQ(TextsOf(C.B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"200"});
    EXPECT_EQ(TextsOf(C.B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"60"});
}

// Rows of three records over a 20-pixel column footer: the row that does not fit above it moves
// to the next page, and the column footer follows the last row that stays.
TEST(EngineColumns, TheColumnFooterFollowsTheLastRowWhenARowMoves)
{
    TColumnRows C;
    C.B.Band<TfrxColumnFooter>("ColumnFooter1", 120, 20);
    ASSERT_TRUE(C.B.Prepare()) << C.B.Errors();
    ASSERT_EQ(C.B.PageCount(), 2);
    std::vector<std::string> Footers;
    for (const TShown &Band : Shown(C.B.Pages(), 0))
        if (Band.Name == "ColumnFooter1") Footers.push_back(Hundredths(Band.Top));
    EXPECT_EQ(Footers, std::vector<std::string>{"980.00"});
    EXPECT_EQ(TextsOf(C.B.Pages(), 0, "MasterData1"), Numbers(1, 147));
}

namespace
{

// Seven records three to a row, the third hidden by the band's script; with a child printed
// when its record is hidden, when asked for.
std::vector<std::string> RowsWithAHiddenRecord(bool ChildOfHidden)
{
    TColumnRows C(7, ChildOfHidden ? 20 : 0);
    std::vector<std::map<std::string, Variant>> Rows;
    for (int i = 1; i <= 7; ++i)
        Rows.push_back({{"n", i}, {"v", i == 3 ? 0 : 1}});
    C.Rows.SetRows(Rows);
    C.Data->SetPrintChildIfInvisible(true);
    C.Data->SetOnBeforePrint("MasterData1OnBeforePrint");
    C.B.Report->ScriptText()->SetText(
        "procedure MasterData1OnBeforePrint(Sender: TfrxComponent);\r\n"
        "begin\r\n  MasterData1.Visible := Get('v') = 1;\r\nend;\r\n"
        "begin\r\nend.");
    EXPECT_TRUE(C.B.Prepare()) << C.B.Errors();
    return C.Records(0);
}

} // namespace

TEST(EngineColumns, AHiddenRecordTakesNoPlaceInItsRow)
{
    EXPECT_EQ(RowsWithAHiddenRecord(false),
              (std::vector<std::string>{"1@0.00,0.00", "2@200.00,0.00", "4@400.00,0.00",
                                        "5@0.00,20.00", "6@200.00,20.00", "7@400.00,20.00"}));
}

TEST(EngineColumns, AHiddenRecordWhoseChildPrintsTakesItsPlaceInItsRow)
{
    const std::vector<std::string> Records = RowsWithAHiddenRecord(true);
    ASSERT_GE(Records.size(), 8u);
    EXPECT_EQ(Records[4], "c3@400.00,0.00");
    EXPECT_EQ(Records[5], "4@0.00,40.00");
}

// Each record's footer goes below it in its column, and the row goes on below both.
TEST(EngineColumns, AFooterAfterEachRecordStaysInTheRecordsColumn)
{
    TColumnRows C(4);
    C.Data->SetFooterAfterEach(true);
    TBuilder::Memo(C.B.Band<TfrxFooter>("Footer1", 40, 15), "Memo4", "f", 0, 0, 200, 15);
    ASSERT_TRUE(C.B.Prepare()) << C.B.Errors();
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(C.B.Pages(), 0))
        if (Band.Name != "PageFooter1")
            Places.push_back(Band.Texts.at(0) + "@" + Hundredths(Band.Left) + "," +
                             Hundredths(Band.Top));
    EXPECT_EQ(Places, (std::vector<std::string>{"1@0.00,0.00", "f@0.00,20.00", "2@200.00,0.00",
                                                "f@200.00,20.00", "3@400.00,0.00", "f@400.00,20.00",
                                                "4@0.00,35.00", "f@0.00,55.00"}));
}

TEST(EngineColumns, AChildPrintsBelowItsRecordInItsColumn)
{
    TColumnRows C(5, 26);
    ASSERT_TRUE(C.B.Prepare()) << C.B.Errors();
    EXPECT_EQ(C.Records(0), RecordsWithChildren(1, 5));
}

// Rows of 46 pixels: the 22nd row's records end at 986 pixels, above the footer; their
// children would run over it.
TEST(EngineColumns, ARowWhoseChildrenDoNotFitMovesWithThem)
{
    TColumnRows C(80, 26);
    ExpectTwoPages(C, RecordsWithChildren(1, 63), RecordsWithChildren(64, 80), "63", "17");
}

// The second group, kept together, does not fit under the first and moves to the second page,
// where the page header leaves it no more room than it had: the record that did not fit under
// it goes on to a third page.
TEST(EngineKeep, ABandThatAMovedBlockLeavesNoRoomGoesOnPastIt)
{
    TKeptSecondGroup G(100, 1);
    TBuilder &B = G.B;
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 4);
    EXPECT_EQ(TextsOf(B.Pages(), 1, "MasterData1"), Numbers(2, 48));
    EXPECT_EQ(TextsOf(B.Pages(), 2, "MasterData1"), Numbers(49, 96));
    EXPECT_EQ(Layout(B.Pages(), 2)[1], At("MasterData1", 40));
    EXPECT_EQ(TextsOf(B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"47"});
    EXPECT_EQ(TextsOf(B.Pages(), 2, "PageFooter1"), std::vector<std::string>{"48"});
}

// ---- growing objects ----

TEST(EngineStretch, GrownObjectsPushTheOnesBelowThem)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 80);
    Data->SetRowCount(1);
    Data->SetStretched(true);
    Lines(Data, "Grows", 0, 2);                          // 20 -> 40
    TBuilder::Memo(Data, "Pushed", "x", 0, 20, 200, 20); // moves by 20
    Lines(Data, "GrowsToo", 40, 2);                      // moves by 20, grows by 20
    TBuilder::Memo(Data, "Last", "y", 0, 60, 200, 20);   // moves by 20 + 20
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    const auto Bands = Shown(B.Pages(), 0);
    ASSERT_EQ(Bands.size(), 1u);
    std::vector<std::string> Placed;
    for (const TPlaced &O : Bands[0].Objects)
        Placed.push_back(At(O.Name.c_str(), O.Top) + "+" + std::to_string(int(O.Height)));
    EXPECT_EQ(Placed, (std::vector<std::string>{"Grows@0.00+40", "Pushed@40.00+20",
                                                "GrowsToo@60.00+40", "Last@100.00+20"}));
    EXPECT_DOUBLE_EQ(Bands[0].Height, 120);
}

TEST(EngineStretch, OverlappedObjectsMoveOnlyToTheGrownBottom)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 80);
    Data->SetRowCount(1);
    // Above the band's top: such an object still heads the objects below it.
    Lines(Data, "Grows", -4, 3, 20, 0, 200); // bottom -4 + 60 = 56
    auto *Overlapped = TBuilder::Memo(Data, "Overlapped", "x", 0, 30, 50, 10);
    Overlapped->SetShiftMode(smWhenOverlapped);
    auto *Clear = TBuilder::Memo(Data, "Clear", "y", 100, 60, 50, 10);
    Clear->SetShiftMode(smWhenOverlapped);
    auto *Fixed = TBuilder::Memo(Data, "Fixed", "z", 60, 20, 30, 10);
    Fixed->SetShiftMode(smDontShift);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    const auto Bands = Shown(B.Pages(), 0);
    ASSERT_EQ(Bands.size(), 1u);
    std::map<std::string, double> Top;
    for (const TPlaced &O : Bands[0].Objects)
        Top[O.Name] = O.Top;
    EXPECT_DOUBLE_EQ(Top["Overlapped"], 56);
    EXPECT_DOUBLE_EQ(Top["Clear"], 60);
    EXPECT_DOUBLE_EQ(Top["Fixed"], 20);
}

TEST(EngineStretch, AFramedCharacterMemoAtTheBottomTakesALineMore)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 100);
    Data->SetRowCount(1);
    Data->SetStretched(true);
    auto *Memo = new TfrxDMPMemoView(Data);
    Memo->SetName("DMPMemo1");
    Memo->SetBounds(0, 0, 96, 17);
    Memo->Frame()->SetTyp({ftBottom});
    auto *Filler = Lines(Data, "Filler", 0, 1, 10);
    Filler->SetStretchMode(smMaxHeight);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    const auto Bands = Shown(B.Pages(), 0);
    ASSERT_EQ(Bands.size(), 1u);
    EXPECT_DOUBLE_EQ(Bands[0].Height, 34);
    EXPECT_DOUBLE_EQ(Bands[0].Objects.at(1).Height, 34);
}

namespace
{

const char *const LongText = "one two three four five six seven eight nine ten eleven twelve";

TfrxMemoView *Wrapping(TfrxBand *Band, const char *Name, const char *Text, double Top)
{
    TfrxMemoView *Memo = TBuilder::Memo(Band, Name, Text, 0, Top, 100, 18);
    Memo->SetStretchMode(smActualHeight);
    return Memo;
}

// What such a memo needs, measured on a report of its own.
double NeededHeight(const char *Text)
{
    TBuilder Scratch;
    auto *Band = Scratch.Band<TfrxMasterData>("MasterData1", 0, 20);
    return Wrapping(Band, "Memo1", Text, 0)->CalcHeight();
}

} // namespace

TEST(EngineStretch, AWrappingMemoGrowsItsBandAndPushesWhatIsBelow)
{
    const double Needed = NeededHeight(LongText);
    ASSERT_GT(Needed, 18 * 2) << "the text takes several lines";
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 40);
    Data->SetRowCount(2);
    Data->SetStretched(true);
    Wrapping(Data, "Memo1", LongText, 0);
    TBuilder::Memo(Data, "Memo2", "below", 0, 20, 100, 18);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    const auto Bands = Shown(B.Pages(), 0);
    ASSERT_EQ(Bands.size(), 2u);
    EXPECT_DOUBLE_EQ(Bands[0].Objects.at(0).Height, Needed);
    EXPECT_DOUBLE_EQ(Bands[0].Objects.at(1).Top, 20 + Needed - 18);
    EXPECT_DOUBLE_EQ(Bands[0].Height, 20 + Needed);
    EXPECT_DOUBLE_EQ(Bands[1].Top, Bands[0].Height);
}

// A band of no height that is not stretched takes no room, whatever its memo needs.
TEST(EngineStretch, ABandOfNoHeightTakesNoRoom)
{
    TListReport L(2);
    Wrapping(L.B.Band<TfrxHeader>("Header1", 100, 0), "Memo1", LongText, 0)->SetHeight(0);
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    const auto Bands = Layout(L.B.Pages(), 0);
    ASSERT_GE(Bands.size(), 4u);
    EXPECT_EQ(Bands[2], At("Header1", 70));
    EXPECT_EQ(Bands[3], At("MasterData1", 70));
}

TEST(EngineSplit, AMemoTooLongForThePageContinuesWithItsUnprintedLines)
{
    std::string Text;
    for (int i = 1; i <= 120; ++i)
        Text += "line " + std::to_string(i) + (i < 120 ? "\r\n" : "");
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    Data->SetRowCount(1);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    Wrapping(Data, "Memo1", Text.c_str(), 0)->SetWidth(300);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_GE(B.PageCount(), 2);
    std::string Printed;
    for (int Page = 0; Page < B.PageCount(); ++Page)
        for (const std::string &Part : TextsOf(B.Pages(), Page, "MasterData1"))
            Printed += (Printed.empty() ? "" : "\r\n") + Part;
    EXPECT_EQ(Printed, Text);
    const auto First = Shown(B.Pages(), 0);
    EXPECT_LE(First[0].Height, 297 * 3.77953 - 20 * 3.77953 + 1e-6);
}

// ---- splitting ----

TEST(EngineSplit, ASplitBandContinuesOnTheNextPage)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    Data->SetRowCount(1);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    Lines(Data, "Text", 0, 100);
    B.Band<TfrxPageFooter>("PageFooter1", 200, 30);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    const auto First = Shown(B.Pages(), 0), Second = Shown(B.Pages(), 1);
    ASSERT_EQ(First[0].Name, "MasterData1");
    ASSERT_EQ(Second[0].Name, "MasterData1");
    // Fifty whole lines in the first part, the other fifty in the second.
    EXPECT_NEAR(First[0].Objects.at(0).Height, FooterTop, 1e-6);
    EXPECT_DOUBLE_EQ(Second[0].Top, 0);
    EXPECT_DOUBLE_EQ(Second[0].Objects.at(0).Height, 1000);
    EXPECT_DOUBLE_EQ(Second[0].Height, 1000);
}

namespace
{

// Three records of 20-pixel lines beside their number, 800, 400 and 40 pixels long, over a
// column footer and a page footer that read "count/sum" of the numbers: the second starts 186.93
// pixels above the footers, prints 9 lines there and its other 11 on the next page, or in the
// next page column. Each page reads "n@column" where a record's number prints,
// "column:count/sum" for a column footer and "page:count/sum" for the page footer.
std::vector<std::vector<std::string>> SplitRecordTotals(int Columns, bool KeepTogether)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetRows({{{"n", 1}, {"lines", 40}}, {{"n", 2}, {"lines", 20}}, {{"n", 3}, {"lines", 2}}});
    B.Use(Rows);
    B.Page->SetColumns(Columns);
    auto *Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    Data->SetKeepTogether(KeepTogether);
    TBuilder::Memo(Data, "Number", "[Rows.\"n\"]", 0, 0, 50);
    TLinesView *Text = Lines(Data, "Text", 0, 1, 20, 50, 150);
    B.Report->OnBeforePrint = [&](TfrxReportComponent *Sender) {
        if (Sender == Text) Text->SetLines(Rows.Get("lines").AsInteger());
    };
    const char *Totals = "[COUNT(MasterData1)]/[SUM(<Rows.\"n\">)]";
    TBuilder::Memo(B.Band<TfrxColumnFooter>("ColumnFooter1", 40, 20), "Memo1", Totals);
    TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 80, 40), "Memo2", Totals);
    if (!B.Prepare()) return {{B.Errors()}};
    std::vector<std::vector<std::string>> Result;
    for (int Page = 0; Page < B.PageCount(); ++Page) {
        std::vector<std::string> &Read = Result.emplace_back();
        for (const TShown &Band : Shown(B.Pages(), Page)) {
            const std::string Column =
                std::to_string(static_cast<int>(std::floor(Band.Left / (95 * 3.77953) + 0.01)) + 1);
            if (Band.Name == "PageFooter1")
                Read.push_back("page:" + Band.Texts.at(0));
            else if (Band.Name == "ColumnFooter1")
                Read.push_back(Column + ":" + Band.Texts.at(0));
            else if (!Band.Texts.empty())
                Read.push_back(Band.Texts.at(0) + "@" + Column);
        }
    }
    return Result;
}

using PageTexts = std::vector<std::vector<std::string>>;

// The column footers of such pages that read otherwise than the numbers printed above them.
std::vector<std::string> ColumnsThatMiscount(const PageTexts &Pages)
{
    std::vector<std::string> Result;
    for (const std::vector<std::string> &Page : Pages) {
        std::map<std::string, std::pair<int, int>> Printed;
        for (const std::string &Text : Page)
            if (const auto At = Text.find('@'); At != std::string::npos) {
                auto &[Count, Sum] = Printed[Text.substr(At + 1)];
                ++Count;
                Sum += std::stoi(Text.substr(0, At));
            }
        for (const std::string &Text : Page)
            if (const auto Colon = Text.find(':');
                Colon != std::string::npos && Text.compare(0, Colon, "page") != 0) {
                const auto [Count, Sum] = Printed[Text.substr(0, Colon)];
                if (Text.substr(Colon + 1) != std::to_string(Count) + "/" + std::to_string(Sum))
                    Result.push_back(Text);
            }
    }
    return Result;
}

} // namespace

// A record split over pages or columns counts where it starts, with the number that heads it.
TEST(EngineSplit, ASplitRecordCountsOnThePageAndInTheColumnWhereItStarts)
{
    EXPECT_EQ(SplitRecordTotals(1, false),
              (PageTexts{{"1@1", "2@1", "1:2/3", "page:2/3"}, {"3@1", "1:1/3", "page:1/3"}}));
    EXPECT_EQ(SplitRecordTotals(2, false),
              (PageTexts{{"1@1", "2@1", "1:2/3", "3@2", "2:1/3", "page:3/6"}}));
}

// Kept together, the second record takes its first lines to the next page and starts there.
// Whichever column its first lines print in counts it.
TEST(EngineSplit, ASplitRecordKeptTogetherCountsWhereItsFirstLinesMoved)
{
    EXPECT_EQ(SplitRecordTotals(1, true),
              (PageTexts{{"1@1", "1:1/1", "page:1/1"}, {"2@1", "3@1", "1:2/5", "page:2/5"}}));
    const PageTexts InColumns = SplitRecordTotals(2, true);
    EXPECT_EQ(ColumnsThatMiscount(InColumns), std::vector<std::string>{});
    ASSERT_EQ(InColumns.size(), 1u);
    EXPECT_EQ(InColumns[0].back(), "page:3/6");
}

// A band of sixty 20-pixel lines splits into the second page column; the column footer of
// the first column comes below the first part, not over it.
TEST(EngineSplit, AColumnFooterFollowsThePartOfASplitBandInItsColumn)
{
    TBuilder B;
    B.Page->SetColumns(2);
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    Data->SetRowCount(1);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    Lines(Data, "Text", 0, 60);
    B.Band<TfrxColumnFooter>("ColumnFooter1", 200, 20);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 1);
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(B.Pages(), 0))
        Places.push_back(Band.Name + "@" + Hundredths(Band.Left) + "," + Hundredths(Band.Top) +
                         "+" + Hundredths(Band.Height));
    const std::string Second = Hundredths(95 * 3.77953) + ",";
    EXPECT_EQ(Places, (std::vector<std::string>{"MasterData1@0.00,0.00+1026.93",
                                                "ColumnFooter1@0.00,1026.93+20.00",
                                                "MasterData1@" + Second + "0.00+180.00",
                                                "ColumnFooter1@" + Second + "180.00+20.00"}));
}

// A memo lower than a line of its text, above sixty lines that split: it prints its text in
// the first part as it would in a band that does not split.
TEST(EngineSplit, AMemoLowerThanItsLineKeepsItsTextWhenTheBandSplits)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    Data->SetRowCount(1);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    TBuilder::Memo(Data, "Memo1", "Low", 0, 0, 200, 12);
    Lines(Data, "Text", 20, 60);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    EXPECT_EQ(TextsOf(B.Pages(), 0, "MasterData1"), std::vector<std::string>{"Low"});
}

// A band of ten pixels, then a band of sixty lines that keeps its child with it: its first part
// fills the first page column, moves with the kept block to the second, which has no room left
// for a line, and the rest goes on to the next page.
TEST(EngineSplit, APartAfterAKeptBlockThatMovedGoesOnWhereThereIsRoom)
{
    TBuilder B;
    B.Page->SetColumns(2);
    B.Band<TfrxMasterData>("MasterData1", 0, 10)->SetRowCount(1);
    auto *Data = B.Band<TfrxMasterData>("MasterData2", 40, 20);
    Data->SetRowCount(1);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    Lines(Data, "Text", 0, 60);
    Data->SetChild(B.Band<TfrxChild>("Child1", 100, 10));
    Data->SetKeepChild(true);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    const auto First = Shown(B.Pages(), 0);
    ASSERT_EQ(First.size(), 3u);
    EXPECT_EQ(First[1].Name + "@" + Hundredths(First[1].Left),
              "MasterData2@" + Hundredths(95 * 3.77953));
    EXPECT_EQ(Layout(B.Pages(), 1),
              (std::vector<std::string>{At("MasterData2", 0), At("Child1", 180)}));
}

TEST(EngineSplit, ABandWithoutSplitMovesWhole)
{
    TListReport L(46);
    L.Data->SetHeight(20);
    auto *Tall = L.B.Band<TfrxReportSummary>("ReportSummary1", 300, 100);
    (void)Tall;
    ASSERT_TRUE(L.B.Prepare());
    ASSERT_EQ(L.B.PageCount(), 2);
    EXPECT_EQ(Layout(L.B.Pages(), 1)[1], At("ReportSummary1", 30));
}

namespace
{

// One row of a band that may split, whose second line alone is taller than a page.
void AddALineTallerThanAPage(TBuilder &B)
{
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    Data->SetRowCount(1);
    Data->SetAllowSplit(true);
    Data->SetStretched(true);
    Lines(Data, "Text", 0, 2, 1200);
}

} // namespace

TEST(EngineSplit, ALineTallerThanAPageEndsTheRunWithAnError)
{
    TBuilder B;
    AddALineTallerThanAPage(B);
    EXPECT_FALSE(B.Prepare());
    EXPECT_NE(B.Errors().find("Text"), std::string::npos) << B.Errors();
    EXPECT_NE(B.Errors().find("не помещается на странице"), std::string::npos) << B.Errors();
    EXPECT_LT(B.PageCount(), 4);
}

TEST(EngineSplit, AHeaderTallerThanAPageEndsTheRunWithAnError)
{
    TListReport L(5);
    L.Header->SetHeight(2000);
    EXPECT_FALSE(L.B.Prepare());
    EXPECT_NE(L.B.Errors().find("PageHeader1"), std::string::npos) << L.B.Errors();
}

// ---- messages ----

namespace
{

// The engine's errors of one preparation, which must fail.
AnsiString FailureOf(TBuilder &B)
{
    EXPECT_FALSE(B.Prepare());
    return B.Report->Errors()->Text();
}

// Reports made from here on get an engine but no store for their prepared pages.
struct WithoutPreparedPages {
    WithoutPreparedPages()
    {
        frxSetOutputFactories([](TfrxReport *R) { return std::make_unique<TfrxEngine>(R); }, {});
    }
    ~WithoutPreparedPages() { frxRegisterOutput(); }
    WithoutPreparedPages(const WithoutPreparedPages &) = delete;
    WithoutPreparedPages &operator=(const WithoutPreparedPages &) = delete;
};

} // namespace

// A language file changes what the engine says of a report it cannot build.
TEST(EngineMessages, ComeFromTheResourceTable)
{
    MarkedTexts Marked{"clSameDSReportPage", "clSameDSReportBand", "clSameDSPageBand",
                       "clBandNoFit",        "clObjectNoFit",      "clNoPreparedPages"};
    {
        TListReport L(3);
        L.B.Report->SetDataSet(&L.Rows.DataSet);
        L.B.Page->SetDataSet(&L.Rows.DataSet);
        EXPECT_TRUE(Holds(FailureOf(L.B), "clSameDSReportPage")) << L.B.Errors();
        L.B.Page->SetDataSet(nullptr);
        EXPECT_TRUE(Holds(FailureOf(L.B), "clSameDSReportBand")) << L.B.Errors();
        L.B.Report->SetDataSet(nullptr);
        L.B.Page->SetDataSet(&L.Rows.DataSet);
        EXPECT_TRUE(Holds(FailureOf(L.B), "clSameDSPageBand")) << L.B.Errors();
    }
    {
        TListReport L(5);
        L.Header->SetHeight(2000);
        EXPECT_TRUE(Holds(FailureOf(L.B), "clBandNoFit")) << L.B.Errors();
    }
    {
        TBuilder B;
        AddALineTallerThanAPage(B);
        EXPECT_TRUE(Holds(FailureOf(B), "clObjectNoFit")) << B.Errors();
    }
    WithoutPreparedPages Without;
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    new TfrxReportPage(&Report);
    EXPECT_FALSE(Report.PrepareReport());
    EXPECT_TRUE(Holds(Report.Errors()->Text(), "clNoPreparedPages"))
        << Report.Errors()->Text().ToUtf8();
}

// ---- subreports ----

namespace
{

// Rows A and B, each with a subreport of three items at the right.
struct TSubreports {
    TBuilder B;
    TRows Masters{"Masters"}, Items{"Items"}, Others{"Others"};
    TfrxMasterData *Data;
    TfrxSubreport *Sub;

    explicit TSubreports(bool OnParent)
    {
        Masters.SetRows({{{"Name", "A"}}, {{"Name", "B"}}});
        Items.SetRows({{{"Item", "i1"}}, {{"Item", "i2"}}, {{"Item", "i3"}}});
        B.Use(Masters);
        B.Use(Items);
        Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Masters);
        TBuilder::Memo(Data, "Memo1", "[Name]", 0, 0, 100);
        auto *Inner = new TfrxReportPage(B.Report.get());
        Inner->SetName("Page2");
        auto *InnerData = new TfrxMasterData(Inner);
        InnerData->SetName("MasterData2");
        InnerData->SetHeight(20);
        InnerData->SetDataSet(&Items.DataSet);
        TBuilder::Memo(InnerData, "Memo2", "[Item]", 0, 0, 100);
        Sub = new TfrxSubreport(Data);
        Sub->SetName("Subreport1");
        Sub->SetBounds(300, 0, 200, 20);
        Sub->SetPage(Inner);
        Sub->SetPrintOnParent(OnParent);
    }

    // A second subreport beside the band at Left, printing "o1" to "o3" in MasterData3.
    TfrxSubreport *AddSecond(double Left)
    {
        Others.SetRows({{{"Other", "o1"}}, {{"Other", "o2"}}, {{"Other", "o3"}}});
        B.Use(Others);
        auto *Inner = new TfrxReportPage(B.Report.get());
        Inner->SetName("Page3");
        auto *InnerData = new TfrxMasterData(Inner);
        InnerData->SetName("MasterData3");
        InnerData->SetHeight(20);
        InnerData->SetDataSet(&Others.DataSet);
        TBuilder::Memo(InnerData, "Memo3", "[Other]", 0, 0, 100);
        auto *Second = new TfrxSubreport(Data);
        Second->SetName("Subreport2");
        Second->SetBounds(Left, 0, 100, 20);
        Second->SetPage(Inner);
        return Second;
    }
};

// The band's items and others as "text@left,top" on Page.
std::vector<std::string> SubreportPlaces(TBuilder &B, int Page, const char *BandName)
{
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(B.Pages(), Page))
        if (Band.Name == BandName)
            Places.push_back(Band.Texts.at(0) + "@" + Hundredths(Band.Left) + "," +
                             Hundredths(Band.Top));
    return Places;
}

} // namespace

TEST(EngineSubreports, ASubreportRunsBesideItsBandAndTheNextBandFollowsItsEnd)
{
    TSubreports S(false);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 1) << "the subreport's page is no page of its own";
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(S.B.Pages(), 0))
        Places.push_back(Band.Texts.at(0) + "@" + Hundredths(Band.Left) + "," +
                         Hundredths(Band.Top));
    EXPECT_EQ(Places,
              (std::vector<std::string>{"A@0.00,0.00", "i1@300.00,0.00", "i2@300.00,20.00",
                                        "i3@300.00,40.00", "B@0.00,60.00", "i1@300.00,60.00",
                                        "i2@300.00,80.00", "i3@300.00,100.00"}));
}

TEST(EngineSubreports, ASubreportPrintedOnItsParentGrowsTheBand)
{
    TSubreports S(true);
    S.Data->SetStretched(true);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    const auto Bands = Shown(S.B.Pages(), 0);
    ASSERT_EQ(Bands.size(), 2u);
    // Three items of 20 pixels, the last memo 18 high.
    EXPECT_DOUBLE_EQ(Bands[0].Height, 58);
    EXPECT_DOUBLE_EQ(Bands[1].Top, 58);
    EXPECT_EQ(Bands[0].Texts, (std::vector<std::string>{"A", "i1", "i2", "i3"}));
    EXPECT_EQ(Bands[1].Texts, (std::vector<std::string>{"B", "i1", "i2", "i3"}));
    std::vector<std::string> Tops;
    for (const TPlaced &O : Bands[1].Objects)
        Tops.push_back(Hundredths(O.Top));
    EXPECT_EQ(Tops, (std::vector<std::string>{"0.00", "0.00", "20.00", "40.00"}));
}

// Thirty rows of 58 pixels, each with its three items printed on it: seventeen fit above the
// footers, the eighteenth starts the next page or column and takes its items along.
TEST(EngineSubreports, ItemsPrintedOnTheirRowCountWhereTheRowGoes)
{
    for (bool KeepTogether : {false, true})
        for (int Columns : {1, 2}) {
            TSubreports S(true);
            S.Masters.SetRows(std::vector<std::map<std::string, Variant>>(30, {{"Name", "A"}}));
            S.Data->SetStretched(true);
            S.Data->SetKeepTogether(KeepTogether);
            S.B.Page->SetColumns(Columns);
            const char *Totals = "[COUNT(MasterData2)]/[COUNT(MasterData1)]";
            TBuilder::Memo(S.B.Band<TfrxColumnFooter>("ColumnFooter1", 200, 20), "Memo8", Totals);
            TBuilder::Memo(S.B.Band<TfrxPageFooter>("PageFooter1", 240, 40), "Memo9", Totals);
            ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
            const std::string Case =
                std::to_string(Columns) + " columns" + (KeepTogether ? ", kept together" : "");
            if (Columns == 1) {
                ASSERT_EQ(S.B.PageCount(), 2) << Case;
                EXPECT_EQ(TextsOf(S.B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"51/17"})
                    << Case;
                EXPECT_EQ(TextsOf(S.B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"39/13"})
                    << Case;
            } else {
                ASSERT_EQ(S.B.PageCount(), 1) << Case;
                EXPECT_EQ(TextsOf(S.B.Pages(), 0, "ColumnFooter1"),
                          (std::vector<std::string>{"51/17", "39/13"}))
                    << Case;
            }
        }
}

TEST(EngineSubreports, ASubreportInABandThatSplitsRunsBelowItsBandAndIsNoPartOfIt)
{
    TSubreports S(false);
    S.Masters.SetRows({{{"Name", "A"}}});
    S.Data->SetAllowSplit(true);
    S.Data->SetStretched(true);
    S.Sub->SetHeight(1200); // taller than the page: the band must split
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    std::vector<std::string> Texts;
    for (int Page = 0; Page < S.B.PageCount(); ++Page)
        for (const TShown &Band : Shown(S.B.Pages(), Page))
            for (const std::string &Text : Band.Texts)
                Texts.push_back(Text);
    EXPECT_EQ(Texts, (std::vector<std::string>{"A", "i1", "i2", "i3"}));
    EXPECT_DOUBLE_EQ(Shown(S.B.Pages(), 0).at(0).Height, 18) << "the band holds its memo only";
}

// Bands of 400 pixels, two to a page column: the fourth record is stretched in the second of
// three page columns, and the items its subreport adds stand where they stand in the first.
TEST(EngineSubreports, ASubreportPrintedOnItsParentInAPageColumnStaysInThatColumn)
{
    TSubreports S(true);
    S.Masters.SetRows({{{"Name", "A"}}, {{"Name", "B"}}, {{"Name", "C"}}, {{"Name", "D"}}});
    S.B.Page->SetColumns(3);
    S.Data->SetHeight(400);
    S.Sub->SetBounds(100, 0, 100, 20);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 1);
    std::vector<std::string> Places;
    for (const TShown &Band : Shown(S.B.Pages(), 0))
        for (std::size_t i = 0; i < Band.Objects.size(); ++i)
            Places.push_back(Band.Texts.at(i) + "@" + Hundredths(Band.Left + Band.Objects[i].Left));
    const double Second = PageColumnLeft(3, 2);
    std::vector<std::string> Due;
    for (const char *Name : {"A", "B", "C", "D"}) {
        const double Left = Name[0] < 'C' ? 0 : Second;
        Due.push_back(Name + ("@" + Hundredths(Left)));
        for (const char *Item : {"i1", "i2", "i3"})
            Due.push_back(Item + ("@" + Hundredths(Left + 100)));
    }
    EXPECT_EQ(Places, Due);
}

// A band kept together below a 100-pixel title, with two subreports beside it: the first one's
// 48 items do not fit under the second master and move it to the next page; the second
// subreport's three items follow the band there.
TEST(EngineSubreports, TheSecondSubreportFollowsAKeptBandThatTheFirstMoved)
{
    TSubreports S(false);
    S.Data->SetKeepTogether(true);
    S.B.Band<TfrxReportTitle>("ReportTitle1", 100, 100);
    S.Items.DataSet.OnFirst = [&S](TObject *) {
        std::vector<std::map<std::string, Variant>> Rows;
        if (S.Masters.Get("Name") == Variant("B"))
            for (int i = 1; i <= 48; ++i)
                Rows.push_back({{"Item", AnsiString(("i" + std::to_string(i)).c_str())}});
        S.Items.SetRows(Rows);
    };
    S.Sub->SetBounds(300, 0, 100, 20);
    S.AddSecond(500);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 2);
    EXPECT_EQ(TextsOf(S.B.Pages(), 0, "MasterData1"), std::vector<std::string>{"A"});
    EXPECT_EQ(TextsOf(S.B.Pages(), 1, "MasterData1"), std::vector<std::string>{"B"});
    EXPECT_EQ(SubreportPlaces(S.B, 1, "MasterData3"),
              (std::vector<std::string>{"o1@500.00,0.00", "o2@500.00,20.00", "o3@500.00,40.00"}));
    EXPECT_EQ(TextsOf(S.B.Pages(), 0, "MasterData3"), (std::vector<std::string>{"o1", "o2", "o3"}))
        << "only the first master's";
    EXPECT_EQ(TextsOf(S.B.Pages(), 1, "MasterData2").size(), 48u);
}

// A band of 110 pixels from 880 down, with ten items beside it: the sixth does not fit above the
// footers, and the page ends below the band, not below the fifth item.
TEST(EngineSubreports, APageThatASubreportEndsClosesBelowItsBand)
{
    TSubreports S(false);
    S.Masters.SetRows({{{"Name", "A"}}});
    S.Items.SetRows(std::vector<std::map<std::string, Variant>>(10, {{"Item", "i"}}));
    S.Data->SetHeight(110);
    S.B.Band<TfrxReportTitle>("ReportTitle1", 100, 880);
    S.B.Band<TfrxColumnFooter>("ColumnFooter1", 200, 20);
    S.B.Band<TfrxPageFooter>("PageFooter1", 240, 30);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 2);
    EXPECT_EQ(TextsOf(S.B.Pages(), 0, "MasterData2").size(), 5u);
    EXPECT_EQ(Layout(S.B.Pages(), 0).at(7), At("ColumnFooter1", 990));
}

// One master with 60 items beside it, 50 to a page above the footer, and three others beside
// them: the first subreport ends the page, so the others go on below its last item on the next.
TEST(EngineSubreports, TheSecondSubreportGoesOnWhereTheFirstEndedOnANewPage)
{
    TSubreports S(false);
    S.Masters.SetRows({{{"Name", "A"}}});
    S.Items.SetRows(std::vector<std::map<std::string, Variant>>(60, {{"Item", "i"}}));
    S.AddSecond(500);
    TBuilder::Memo(S.B.Band<TfrxPageFooter>("PageFooter1", 200, 30), "Memo9",
                   "[COUNT(MasterData3)]");
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 2);
    EXPECT_EQ(TextsOf(S.B.Pages(), 0, "MasterData2").size(), 50u);
    EXPECT_EQ(SubreportPlaces(S.B, 0, "MasterData3"), std::vector<std::string>{});
    EXPECT_EQ(
        SubreportPlaces(S.B, 1, "MasterData3"),
        (std::vector<std::string>{"o1@500.00,200.00", "o2@500.00,220.00", "o3@500.00,240.00"}));
    EXPECT_EQ(TextsOf(S.B.Pages(), 0, "PageFooter1"), std::vector<std::string>{"0"});
    EXPECT_EQ(TextsOf(S.B.Pages(), 1, "PageFooter1"), std::vector<std::string>{"3"});
}

// Three records side by side in columns 200 pixels wide, each with its items in the right half
// of its own column.
TEST(EngineSubreports, ASubreportBesideARecordInABandOfColumnsStaysInTheRecordsColumn)
{
    TSubreports S(false);
    S.Masters.SetRows({{{"Name", "A"}}, {{"Name", "B"}}, {{"Name", "C"}}});
    S.Data->SetColumns(3);
    S.Data->SetColumnWidth(200);
    S.Sub->SetBounds(100, 0, 90, 20);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 1);
    std::vector<std::string> Due;
    for (const char *Left : {"100.00", "300.00", "500.00"})
        for (const char *Item : {"i1", "i2", "i3"})
            Due.push_back(std::string(Item) + "@" + Left + "," + Hundredths(20 * (Item[1] - '1')));
    EXPECT_EQ(SubreportPlaces(S.B, 0, "MasterData2"), Due);
}

namespace
{

// Records 40 pixels high in three columns 200 wide, below a title of TitleHeight, with eight
// items beside each.
struct TRowOfSubreports : TSubreports {
    explicit TRowOfSubreports(double TitleHeight) : TSubreports(false)
    {
        Masters.SetRows({{{"Name", "A"}}, {{"Name", "B"}}, {{"Name", "C"}}});
        Items.SetRows(std::vector<std::map<std::string, Variant>>(8, {{"Item", "i"}}));
        Data->SetHeight(40);
        Data->SetColumns(3);
        Data->SetColumnWidth(200);
        Sub->SetBounds(100, 0, 90, 20);
        B.Band<TfrxReportTitle>("ReportTitle1", 100, TitleHeight);
        B.Band<TfrxPageFooter>("PageFooter1", 1200, 30);
    }
};

} // namespace

// The first record's items end the page, five of them at 0 to 100 on the second: the row's
// other records go on below them there, not at 950 where the row began on the first page.
TEST(EngineSubreports, ARowWhoseSubreportsEndThePageGoesOnBelowWhatTheyLeft)
{
    TRowOfSubreports S(950);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 2);
    EXPECT_EQ(SubreportPlaces(S.B, 0, "MasterData1"), std::vector<std::string>{"A@0.00,950.00"});
    EXPECT_EQ(SubreportPlaces(S.B, 1, "MasterData1"),
              (std::vector<std::string>{"B@200.00,100.00", "C@400.00,100.00"}));
    EXPECT_EQ(TextsOf(S.B.Pages(), 1, "MasterData2").size(), 21u);
}

// The first record, from 990, would run over the page footer: its row starts the next page
// before its items print, and they print beside it there.
TEST(EngineSubreports, ARecordWithSubreportsThatRunsOverTheFooterTakesItsRowToTheNextPage)
{
    TRowOfSubreports S(990);
    ASSERT_TRUE(S.B.Prepare()) << S.B.Errors();
    ASSERT_EQ(S.B.PageCount(), 2);
    EXPECT_TRUE(SubreportPlaces(S.B, 0, "MasterData1").empty());
    EXPECT_EQ(SubreportPlaces(S.B, 1, "MasterData1"),
              (std::vector<std::string>{"A@0.00,0.00", "B@200.00,0.00", "C@400.00,0.00"}));
    EXPECT_EQ(TextsOf(S.B.Pages(), 1, "MasterData2").size(), 24u);
}

// ---- the outline ----

namespace
{

// The Index-th entry of the outline's current item as "text:page:top".
std::string OutlineEntry(TfrxCustomOutline *Outline, int Index)
{
    AnsiString Text;
    int Page = -1, Top = -1;
    Outline->GetItem(Index, Text, Page, Top);
    return Text.ToUtf8() + ":" + std::to_string(Page) + ":" + std::to_string(Top);
}

} // namespace

TEST(EngineOutline, EachRecordOfABandWithOutlineTextGetsAnEntryAtItsTop)
{
    TListReport L(49);
    std::vector<std::map<std::string, Variant>> Names;
    for (int i = 1; i <= 49; ++i)
        Names.push_back({{"Name", Variant(AnsiString("R") + IntToStr(i))}});
    L.Rows.SetRows(Names);
    L.Data->SetOutlineText("Name");
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    TfrxCustomOutline *Outline = L.B.Pages()->Outline();
    Outline->LevelRoot();
    ASSERT_EQ(Outline->GetCount(), 49);
    EXPECT_EQ(OutlineEntry(Outline, 0), "R1:0:70");
    EXPECT_EQ(OutlineEntry(Outline, 46), "R47:0:990");
    EXPECT_EQ(OutlineEntry(Outline, 47), "R48:1:30");
}

TEST(EngineOutline, AKeptBlockThatMovesTakesItsEntriesAlongFromAnEmptyOutline)
{
    TBuilder B;
    TRows Plain("Plain"), Masters("Masters"), Details("Details");
    Plain.SetCount(40);
    Masters.SetRows({{{"M", Variant(AnsiString("m1"))}}});
    std::vector<std::map<std::string, Variant>> Lines;
    for (int i = 1; i <= 15; ++i)
        Lines.push_back({{"D", Variant(AnsiString("d") + IntToStr(i))}});
    Details.SetRows(Lines);
    B.Use(Plain);
    B.Use(Masters);
    B.Use(Details);
    B.Data<TfrxMasterData>("MasterData1", 0, 20, Plain);
    auto *Master = B.Data<TfrxMasterData>("MasterData2", 40, 20, Masters);
    Master->SetKeepTogether(true);
    Master->SetOutlineText("M");
    B.Data<TfrxDetailData>("DetailData1", 80, 20, Details)->SetOutlineText("D");
    ASSERT_TRUE(B.Prepare()) << B.Errors();

    // 40 plain rows fill 800 pixels; the master and its eleven lines that fit move
    // to the second page when the twelfth does not.
    ASSERT_EQ(B.PageCount(), 2);
    EXPECT_EQ(Layout(B.Pages(), 1)[0], At("MasterData2", 0));
    TfrxCustomOutline *Outline = B.Pages()->Outline();
    Outline->LevelRoot();
    ASSERT_EQ(Outline->GetCount(), 1);
    EXPECT_EQ(OutlineEntry(Outline, 0), "m1:1:0");
    Outline->LevelDown(0);
    ASSERT_EQ(Outline->GetCount(), 15);
    EXPECT_EQ(OutlineEntry(Outline, 0), "d1:1:20");
    EXPECT_EQ(OutlineEntry(Outline, 10), "d11:1:220");
    EXPECT_EQ(OutlineEntry(Outline, 11), "d12:1:240");
    // Nothing outside the outline was given a page or a top.
    TfrxXMLItem *Root = dynamic_cast<TfrxPreviewPages *>(B.Pages())->XMLDoc()->Root();
    for (int i = 0; i < Root->Count(); ++i)
        if (Root->Items(i)->Name() != "outline") {
            EXPECT_EQ(Root->Items(i)->Prop("page"), "") << Root->Items(i)->Name().View();
            EXPECT_EQ(Root->Items(i)->Prop("top"), "") << Root->Items(i)->Name().View();
        }
}

// ---- the run's controls ----

TEST(EngineRun, ScriptsBreakPagesThroughTheEngine)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetCount(10);
    B.Use(Rows);
    auto *Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
    Data->SetOnBeforePrint("MasterData1OnBeforePrint");
    B.Report->ScriptText()->SetText(
        "procedure MasterData1OnBeforePrint(Sender: TfrxComponent);\r\n"
        "begin\r\n  if Engine.CurY > 100 then Engine.NewPage;\r\nend;\r\n"
        "begin\r\nend.");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    ASSERT_EQ(B.PageCount(), 2);
    EXPECT_EQ(Layout(B.Pages(), 0), ::Rows(0, 6));
    EXPECT_EQ(Layout(B.Pages(), 1), ::Rows(0, 4));
}

TEST(EngineRun, ScriptsMarkAnchorsAndOutlineEntriesWhereTheEngineStands)
{
    TListReport L(60);
    L.Data->SetOnAfterPrint("RowPrinted");
    L.B.Report->ScriptText()->SetText(
        "var AnchorPage, Missing: Integer;\r\n"
        "procedure RowPrinted(Sender: TfrxComponent);\r\n"
        "begin\r\n"
        "  if Get('Line') = 10 then begin\r\n"
        "    Outline.AddItem('Ten'); Outline.AddItem('Inner'); Outline.LevelRoot;\r\n"
        "  end;\r\n"
        "  if Get('Line') = 50 then begin\r\n"
        "    Engine.AddAnchor('fifty'); Outline.AddItem('Fifty'); Outline.LevelUp;\r\n"
        "  end;\r\n"
        "  if Get('Line') = 55 then begin\r\n"
        "    AnchorPage := Engine.GetAnchorPage('fifty'); Missing := "
        "Engine.GetAnchorPage('none');\r\n"
        "  end;\r\n"
        "end;\r\nbegin\r\nend.");
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    EXPECT_EQ(L.B.Report->Script()->Variables("AnchorPage").AsInteger(), 2);
    EXPECT_EQ(L.B.Report->Script()->Variables("Missing").AsInteger(), 1);
    TfrxCustomOutline *Outline = L.B.Pages()->Outline();
    Outline->LevelRoot();
    ASSERT_EQ(Outline->GetCount(), 2);
    // Rows start below the title and header at 70 on the first page, at 30 on the second.
    EXPECT_EQ(OutlineEntry(Outline, 0), "Ten:0:270");
    EXPECT_EQ(OutlineEntry(Outline, 1), "Fifty:1:90");
    Outline->LevelDown(0);
    ASSERT_EQ(Outline->GetCount(), 1);
    EXPECT_EQ(OutlineEntry(Outline, 0), "Inner:0:270");
}

TEST(EngineRun, ABandThatBreaksThePageOverflowsWhileTheBreakRuns)
{
    TListReport L(60);
    std::vector<bool> AtFooter;
    L.B.Report->OnBeforePrint = [&](TfrxReportComponent *Sender) {
        if (Sender == L.Footer) AtFooter.push_back(L.Data->Overflow());
    };
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    EXPECT_EQ(AtFooter, (std::vector<bool>{true, false}));
    EXPECT_FALSE(L.Data->Overflow());
}

// Freeing is refused too; a nil reference frees nothing, and a component the script made
// itself goes as it came.
TEST(EngineRun, AScriptCannotEmptyReloadOrFreeTheObjectsOfTheRunningReport)
{
    for (const char *Call :
         {"Report.LoadFromFile('none.fr3')", "Report.Clear", "Page1.Clear", "MasterData1.Clear",
          "S := TMemoryStream.Create;\r\n"
          "  try MasterData1.LoadFromStream(S) finally S.Free end",
          "MasterData1.Free", "Page1.Free",
          "M.Free; M := TfrxMemoView.Create(nil); M.Free; Memo1.Free"}) {
        TBuilder B;
        TRows Rows("Rows");
        Rows.SetCount(3);
        B.Use(Rows);
        auto *Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
        auto *Memo = new TfrxMemoView(Data);
        Memo->SetName("Memo1");
        Memo->SetOnBeforePrint("MemoPrinting");
        B.Report->ScriptText()->SetText(AnsiString("var S: TMemoryStream; M: TfrxMemoView;\r\n"
                                                   "procedure MemoPrinting(Sender: TfrxComponent);"
                                                   "\r\nbegin\r\n  ") +
                                        Call + ";\r\nend;\r\nbegin\r\nend.");
        EXPECT_FALSE(B.Prepare()) << Call;
        EXPECT_NE(B.Errors().find("Объекты выполняемого отчета нельзя удалять"), std::string::npos)
            << Call << ": " << B.Errors();
        EXPECT_EQ(B.Report->FindObject("Memo1")->Parent()->Name(), "MasterData1") << Call;
    }
}

TEST(EngineRun, AScriptEmptiesAnObjectBeforeTheRunAndAChildlessOneDuringIt)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetCount(2);
    B.Use(Rows);
    auto *Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
    auto *Memo = new TfrxMemoView(Data);
    Memo->SetName("Memo1");
    Memo->SetOnBeforePrint("MemoPrinting");
    auto *Spare = B.Band<TfrxChild>("Child1", 40, 20);
    new TfrxMemoView(Spare);
    B.Report->ScriptText()->SetText("procedure MemoPrinting(Sender: TfrxComponent);\r\n"
                                    "begin\r\n  Memo1.Clear;\r\nend;\r\n"
                                    "begin\r\n  Child1.Clear;\r\nend.");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    EXPECT_EQ(B.PageCount(), 1);
}

TEST(EngineRun, DotMatrixObjectsAreKnownToScripts)
{
    TBuilder B;
    auto *Page = new TfrxDMPPage(B.Report.get());
    Page->SetName("DMPPage1");
    auto *Band = new TfrxMasterData(Page);
    Band->SetName("DMPData1");
    auto *Memo = new TfrxDMPMemoView(Band);
    Memo->SetName("DMPMemo1");
    auto *Line = new TfrxDMPLineView(Band);
    Line->SetName("DMPLine1");
    auto *Command = new TfrxDMPCommand(Band);
    Command->SetName("DMPCommand1");
    B.Report->ScriptText()->SetText("begin\r\n  DMPMemo1.Text := 'dot';\r\n"
                                    "  DMPLine1.TagStr := 'line';\r\n"
                                    "  DMPCommand1.TagStr := DMPPage1.Name;\r\nend.");
    ASSERT_TRUE(B.Report->PrepareScript()) << B.Errors();
    B.Report->Script()->Execute();
    EXPECT_EQ(TextOf(Memo), "dot");
    EXPECT_EQ(Line->TagStr(), "line");
    EXPECT_EQ(Command->TagStr(), "DMPPage1");
}

TEST(EngineRun, APreparationStartedDuringARunIsRefused)
{
    TListReport L(60);
    int Inner = -1;
    L.B.Report->OnBeforePrint = [&](TfrxReportComponent *Sender) {
        if (Inner < 0 && Sender->Name() == "MasterData1") Inner = L.B.Report->PrepareReport();
    };
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    EXPECT_EQ(Inner, 0);
    EXPECT_EQ(L.B.PageCount(), 2);
}

TEST(EngineRun, ABandWhoseStretchingFailsIsStillUnstretched)
{
    TListReport L(10);
    auto *Value = L.B.Memo(L.Data, "Value", "[Rows.\"n\"]", 0, 0, 100, 18);
    auto *Late = L.B.Memo(L.Data, "Late", "x", 100, 0, 100, 18);
    int Before = 0, After = 0;
    L.B.Report->OnBeforePrint = [&](TfrxReportComponent *Sender) {
        if (Sender == L.Data) ++Before;
        if (Sender == Late && Before == 3) throw Exception("failed in the third row");
    };
    L.B.Report->OnAfterPrint = [&](TfrxReportComponent *Sender) {
        if (Sender == L.Data) ++After;
    };
    EXPECT_FALSE(L.B.Prepare());
    EXPECT_EQ(Before, 3);
    EXPECT_EQ(After, Before) << "the failed band got its after-print too";
    EXPECT_EQ(TextOf(Value), "[Rows.\"n\"]") << "the template keeps its expression";
}

TEST(EngineRun, StopReportEndsTheRunWithThePagesMadeSoFar)
{
    TListReport L(1000);
    int Seen = 0;
    L.B.Report->OnBeforePrint = [&](TfrxReportComponent *Sender) {
        if (Sender->Name() == "MasterData1" && ++Seen == 60) L.B.Report->Engine()->StopReport();
    };
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    EXPECT_EQ(L.B.PageCount(), 2);
}

// The session's end while the pages are made: its close runs under the run, which stops there
// as StopReport stops it and leaves its caller no answer to print with after the close. In a
// child started afresh, as the program ends there for good.
TEST(EngineRun, TheSessionsEndStopsTheRunWhereItIsAndLeavesItsCallerNoAnswer)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            vcltest::StartProgramEndedBySession();
            TListReport L(1000);
            L.B.Report->OnProgress = [](TfrxReport *, TfrxProgressType, int Page) {
                if (Page == 2) std::raise(SIGTERM);
            };
            try {
                L.B.Prepare();
                std::fputs("answered\n", stderr);
            } catch (const EAbort &) {
                std::fputs("no answer\n", stderr);
            }
            std::fprintf(stderr, "pages made: %d\n", L.B.PageCount());
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "closed\nno answer\npages made: 2\n");
}

namespace
{

// A band over a data set that runs to its last record with nothing to tell where it is.
struct TEndlessReport {
    TBuilder B;
    TRows Rows{"Rows"};
    TfrxMasterData *Data;

    TEndlessReport()
    {
        Rows.DataSet.SetRangeEnd(reLast);
        B.Use(Rows);
        Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
    }
};

} // namespace

TEST(EngineRun, ATemplateScriptEndsADataSetWithoutAnEnd)
{
    for (const char *Stop : {"Engine.StopReport", "Report.Terminated := True"}) {
        TEndlessReport E;
        TBuilder::Memo(E.Data, "RowMemo", "Row [Line]");
        E.Data->SetOnAfterPrint("RowPrinted");
        E.B.Report->ScriptText()->SetText(AnsiString("procedure RowPrinted(Sender: TfrxComponent);"
                                                     "\r\nbegin\r\n  if Get('Line') = 3 then ") +
                                          Stop + ";\r\nend;\r\nbegin\r\nend.");
        ASSERT_TRUE(E.B.Prepare()) << Stop << ": " << E.B.Errors();
        std::vector<std::string> Texts;
        for (const TShown &Band : Shown(E.B.Pages(), 0))
            Texts.push_back(Band.Texts.at(0));
        EXPECT_EQ(Texts, (std::vector<std::string>{"Row 1", "Row 2", "Row 3"})) << Stop;
    }
}

// Nothing stops it: the walk, or the test for a record with details to show, ends with an
// error instead of filling memory.
TEST(EngineRun, ADataSetWithoutAnEndThatNothingStopsFailsTheRun)
{
    const std::string Error = "Набор данных \"Rows\": не задан конец диапазона, построение "
                              "прервано после 100000 записей\r\n";
    TEndlessReport Walked;
    EXPECT_FALSE(Walked.B.Prepare());
    EXPECT_EQ(Walked.B.Errors(), Error);
    EXPECT_EQ(Walked.Rows.DataSet.RecNo(), 100000);

    TEndlessReport Tested;
    Tested.B.Report->EngineOptions()->SetPrintIfEmpty(false);
    TRows None("None");
    None.SetCount(0);
    Tested.B.Use(None);
    Tested.B.Data<TfrxDetailData>("DetailData1", 40, 20, None);
    EXPECT_FALSE(Tested.B.Prepare());
    EXPECT_EQ(Tested.B.Errors(), Error);
    EXPECT_EQ(Tested.B.PageCount(), 0);
}

// The report's own data set and a page's are walked the same way as a band's.
TEST(EngineRun, AReportOrPageDataSetWithoutAnEndFailsTheRun)
{
    for (const bool OfReport : {true, false}) {
        TBuilder B;
        TRows Rows("Rows");
        Rows.DataSet.SetRangeEnd(reLast);
        B.Use(Rows);
        // No page to make for a record keeps the walk short; the cap stands in for the end
        // of the user's patience.
        B.Report->EngineOptions()->SetPrintIfEmpty(false);
        Rows.DataSet.OnNext = [&](TObject *) {
            if (Rows.DataSet.RecNo() >= 150000) B.Report->Engine()->StopReport();
        };
        if (OfReport)
            B.Report->SetDataSet(&Rows.DataSet);
        else
            B.Page->SetDataSet(&Rows.DataSet);
        EXPECT_FALSE(B.Prepare()) << OfReport;
        EXPECT_EQ(B.Errors(), "Набор данных \"Rows\": не задан конец диапазона, построение "
                              "прервано после 100000 записей\r\n")
            << OfReport;
        EXPECT_EQ(Rows.DataSet.RecNo(), 100000) << OfReport;
    }
}

// ---- dialogs and pages built by hand ----

namespace
{

// A dialog page of the report with one button on its form, so that it asks something.
TfrxDialogPage *AskingDialog(TfrxReport *Report, const char *Name)
{
    auto *Dialog = dynamic_cast<TfrxDialogPage *>(Report->FindObject(Name));
    if (!Dialog) {
        Dialog = new TfrxDialogPage(Report);
        Dialog->SetName(Name);
    }
    auto *Button = new TButton(Dialog->Form());
    Button->SetParent(Dialog->Form());
    return Dialog;
}

} // namespace

TEST(EngineDialogs, DialogPagesAskBeforeTheRunAndACancelEndsIt)
{
    TListReport L(3);
    TfrxReport *Report = L.B.Report.get();
    TfrxDialogPage *Asking = AskingDialog(Report, "DialogPage1");
    Asking->SetCaption(AnsiString::FromUtf8("Период"));
    Asking->SetBorderStyle(bsDialog);
    (new TfrxDialogPage(Report))->SetName("DialogPage2"); // no controls: nothing to ask
    int Result = mrOk;
    std::vector<std::string> Shown;
    Report->Engine()->OnShowDialogPage = [&](TfrxDialogPage *Page) {
        Shown.push_back(Page->Name().ToStd() + ":" + Page->Caption().ToUtf8() + ":" +
                        std::to_string(Page->Form()->BorderStyle()));
        Page->SetModalResult(Result);
    };
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    EXPECT_EQ(Shown, std::vector<std::string>{"DialogPage1:Период:" + std::to_string(bsDialog)});
    EXPECT_EQ(L.B.PageCount(), 1);

    // The template came back into the same page, whose form keeps the button the
    // host put there: the next run asks again.
    EXPECT_EQ(Report->FindObject("DialogPage1"), Asking);
    Shown.clear();
    Result = mrCancel;
    EXPECT_FALSE(L.B.Prepare());
    EXPECT_EQ(Shown, std::vector<std::string>{"DialogPage1:Период:" + std::to_string(bsDialog)});
    EXPECT_EQ(L.B.PageCount(), 0);
}

TEST(EngineDialogs, ADialogPageShownModallyRunsItsScriptEvents)
{
    TListReport L(3);
    TfrxReport *Report = L.B.Report.get();
    TfrxDialogPage *Dialog = AskingDialog(Report, "DialogPage1");
    Dialog->OnShow = "DialogPage1OnShow";
    Report->SetOnStopReport("ReportOnStop");
    Report->ScriptText()->SetText("var Stopped: Integer;\r\n"
                                  "procedure DialogPage1OnShow(Sender: TfrxComponent);\r\n"
                                  "begin\r\n  DialogPage1.ModalResult := mrCancel;\r\nend;\r\n"
                                  "procedure ReportOnStop(Sender: TfrxComponent);\r\n"
                                  "begin\r\n  Stopped := 1;\r\nend;\r\n"
                                  "begin\r\n  Stopped := 0;\r\nend.");
    EXPECT_FALSE(L.B.Prepare());
    EXPECT_EQ(L.B.PageCount(), 0);
    EXPECT_EQ(Report->Script()->Variables("Stopped").AsInteger(), 1);
}

TEST(EngineDialogs, TheFormTakesThePagesPlaceAndItsKeysAndClosingGoThroughTheScript)
{
    TListReport L(1);
    TfrxReport *Report = L.B.Report.get();
    TfrxDialogPage *Dialog = AskingDialog(Report, "DialogPage1");
    Dialog->SetLeft(10.4);
    Dialog->SetTop(20.6);
    Dialog->SetWidth(300);
    Dialog->SetHeight(200);
    Dialog->OnKeyDown = "KeyDown";
    Dialog->OnKeyPress = "KeyPress";
    Dialog->OnCloseQuery = "CloseQuery";
    Report->ScriptText()->SetText(
        "procedure KeyDown(Sender: TfrxComponent; var Key: Integer; Shift: Integer);\r\n"
        "begin\r\n  Key := Key + Shift;\r\nend;\r\n"
        "procedure KeyPress(Sender: TfrxComponent; var Key: String);\r\n"
        "begin\r\n  Key := 'x';\r\nend;\r\n"
        "procedure CloseQuery(Sender: TfrxComponent; var CanClose: Boolean);\r\n"
        "begin\r\n  CanClose := False;\r\nend;\r\n"
        "begin\r\nend.");
    std::vector<std::string> Seen;
    Report->Engine()->OnShowDialogPage = [&](TfrxDialogPage *Page) {
        TForm *Form = Page->Form();
        Seen.push_back(std::to_string(Form->Left()) + "," + std::to_string(Form->Top()) + "," +
                       std::to_string(Form->Width()) + "," + std::to_string(Form->Height()));
        Page->Initialize();
        WORD Key = 65;
        Form->OnKeyDown(Form, Key, TShiftState{ssShift});
        Seen.push_back(std::to_string(Key));
        char Typed = 'a';
        Form->OnKeyPress(Form, Typed);
        Seen.push_back(std::string(1, Typed));
        bool CanClose = true;
        Form->OnCloseQuery(Form, CanClose);
        Seen.push_back(CanClose ? "closes" : "stays");
        Page->SetModalResult(mrOk);
    };
    ASSERT_TRUE(L.B.Prepare()) << L.B.Errors();
    const std::string Shifted = std::to_string(65 + TShiftState{ssShift}.ToInt());
    EXPECT_EQ(Seen, (std::vector<std::string>{"10,21,300,200", Shifted, "x", "stays"}));
}

TEST(EngineManualBuild, TheHostBuildsThePageBeforeItsScriptProcedure)
{
    TBuilder B;
    auto *Line = B.Band<TfrxChild>("Line", 0, 20);
    TBuilder::Memo(Line, "Text", "row");
    B.Page->SetOnManualBuild("PageBuild");
    B.Report->ScriptText()->SetText("procedure PageBuild(Sender: TfrxComponent);\r\n"
                                    "begin\r\n  Engine.ShowBand(Line);\r\nend;\r\n"
                                    "begin\r\nend.");
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    EXPECT_EQ(Layout(B.Pages(), 0), std::vector<std::string>{At("Line", 0)});

    std::vector<std::string> Built;
    B.Report->OnManualBuild = [&](TfrxPage *Page) {
        Built.push_back(Page->Name().ToStd());
        auto *Band = dynamic_cast<TfrxBand *>(B.Report->FindObject("Line"));
        for (int i = 0; i < 3; ++i)
            B.Report->Engine()->ShowBand(Band);
    };
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    EXPECT_EQ(Built, std::vector<std::string>{"Page1"});
    EXPECT_EQ(Layout(B.Pages(), 0),
              (std::vector<std::string>{At("Line", 0), At("Line", 20), At("Line", 40)}));
}

// ---- vertical bands ----

namespace
{

// A report of rows whose cells come from a vertical band of columns: row i
// has N = i, column j has M = 10 j.
struct TCrossReport {
    TBuilder B;
    TRows RowData{"Rows"};
    TRows ColumnData{"Columns"};
    TfrxMasterData *Row;
    TfrxMasterData *Column;

    TCrossReport(int RowCount, int ColumnCount, double RowHeight, double ColumnWidth = 150)
    {
        std::vector<std::map<std::string, Variant>> Values;
        for (int i = 1; i <= RowCount; ++i)
            Values.push_back({{"R", Variant(AnsiString("r") + IntToStr(i))}, {"N", Variant(i)}});
        RowData.SetRows(Values);
        Values.clear();
        for (int j = 1; j <= ColumnCount; ++j)
            Values.push_back(
                {{"C", Variant(AnsiString("c") + IntToStr(j))}, {"M", Variant(10 * j)}});
        ColumnData.SetRows(Values);
        B.Use(RowData);
        B.Use(ColumnData);
        Row = B.Data<TfrxMasterData>("Row", 100, RowHeight, RowData);
        TBuilder::Memo(Row, "Label", "[R]", 0, 0, 100, 20);
        TBuilder::Memo(Row, "Cell", "[R]/[C]", 150, 0, ColumnWidth, 20);
        Column = VerticalBand<TfrxMasterData>("Column", 150, ColumnWidth);
        Column->SetDataSet(&ColumnData.DataSet);
    }

    template <class T> T *VerticalBand(const char *Name, double Left, double Width)
    {
        T *Band = B.Band<T>(Name, 0, 100);
        Band->SetVertical(true);
        Band->SetLeft(Left);
        Band->SetWidth(Width);
        return Band;
    }
};

// The memos of the Index-th band of that name on a page as "text@left".
std::vector<std::string> CellsOf(TfrxCustomPreviewPages *Pages, int Page, const char *Band,
                                 int Index = 0)
{
    std::vector<std::string> Result;
    TfrxPage *Prepared = Pages->GetPage(Page);
    TList *Bands = Prepared->Objects();
    for (int i = 0; i < Bands->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(Bands->Items(i));
        if (C->Name() != Band || Index-- > 0) continue;
        TList *Objects = C->Objects();
        for (int j = 0; j < Objects->Count(); ++j)
            if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(
                    static_cast<TfrxComponent *>(Objects->Items(j))))
                Result.push_back(TextOf(Memo) + "@" + Hundredths(Memo->Left()));
        break;
    }
    return Result;
}

} // namespace

class EngineVerticalKept : public ::testing::TestWithParam<bool>
{
};

// Kept or not, a row's parts go onto the pages after its first one.
TEST_P(EngineVerticalKept, CellsSpreadOverPagesAndRowsLineUpAcrossThem)
{
    TCrossReport X(6, 10, 200);
    X.Row->SetKeepTogether(GetParam());
    auto *Head = X.VerticalBand<TfrxHeader>("Head", 100, 50);
    Head->SetReprintOnNewPage(true);
    TBuilder::Memo(X.Row, "HeadCell", "H:[R]", 100, 0, 50, 20);
    TBuilder::Memo(X.B.Band<TfrxPageHeader>("PageHeader1", 0, 40), "Title", "Sales");
    TBuilder::Memo(X.B.Band<TfrxOverlay>("Overlay1", 40, 10), "Mark", "draft");
    X.B.Band<TfrxPageFooter>("PageFooter1", 400, 30);
    ASSERT_TRUE(X.B.Prepare()) << X.B.Errors();

    // 718.11 pixels of page width: the header cell and three columns from the
    // bands' left, then the header again and four columns, then the header and three.
    ASSERT_EQ(X.B.PageCount(), 6);
    const std::string Footer = At("PageFooter1", FooterTop);
    auto Set = [&](const std::vector<std::string> &RowTops) {
        std::vector<std::string> Result{At("Overlay1", 0), At("PageHeader1", 0), RowTops[0],
                                        Footer};
        Result.insert(Result.end(), RowTops.begin() + 1, RowTops.end());
        return Result;
    };
    const auto FirstSet = Set({At("Row", 40), At("Row", 240), At("Row", 440), At("Row", 640)});
    for (int Page = 0; Page < 3; ++Page)
        EXPECT_EQ(Layout(X.B.Pages(), Page), FirstSet) << Page;
    for (int Page = 3; Page < 6; ++Page)
        EXPECT_EQ(Layout(X.B.Pages(), Page), Set({At("Row", 40), At("Row", 240)})) << Page;

    EXPECT_EQ(CellsOf(X.B.Pages(), 0, "Row", 1),
              (std::vector<std::string>{"r2@0.00", "H:r2@100.00", "r2/c1@150.00", "r2/c2@300.00",
                                        "r2/c3@450.00"}));
    EXPECT_EQ(CellsOf(X.B.Pages(), 1, "Row", 1),
              (std::vector<std::string>{"H:r2@0.00", "r2/c4@50.00", "r2/c5@200.00", "r2/c6@350.00",
                                        "r2/c7@500.00"}));
    EXPECT_EQ(
        CellsOf(X.B.Pages(), 2, "Row", 1),
        (std::vector<std::string>{"H:r2@0.00", "r2/c8@50.00", "r2/c9@200.00", "r2/c10@350.00"}));
    EXPECT_EQ(
        CellsOf(X.B.Pages(), 5, "Row", 1),
        (std::vector<std::string>{"H:r6@0.00", "r6/c8@50.00", "r6/c9@200.00", "r6/c10@350.00"}));
}

INSTANTIATE_TEST_SUITE_P(KeptAndNot, EngineVerticalKept, ::testing::Bool());

TEST(EngineVertical, ACellWiderThanThePageTakesAPageOfItsOwn)
{
    TCrossReport X(2, 3, 20);
    X.Column->SetWidth(800);
    ASSERT_TRUE(X.B.Prepare()) << X.B.Errors();
    // The row's label, then each cell alone on a page: none is left empty.
    ASSERT_EQ(X.B.PageCount(), 4);
    EXPECT_EQ(CellsOf(X.B.Pages(), 0, "Row", 1), std::vector<std::string>{"r2@0.00"});
    for (int Page = 1; Page < 4; ++Page)
        EXPECT_EQ(CellsOf(X.B.Pages(), Page, "Row", 1),
                  std::vector<std::string>{"r2/c" + std::to_string(Page) + "@0.00"})
            << Page;
}

TEST(EngineVertical, AFooterRowTotalsEachColumnAndItsOwnObjectsAreFilled)
{
    TCrossReport X(3, 5, 20);
    auto *Footer = X.B.Band<TfrxFooter>("Totals", 140, 20);
    TBuilder::Memo(Footer, "TotalLabel", "Total [COUNT(Row)]", 0, 0, 100, 20);
    TBuilder::Memo(Footer, "Total", "[SUM(<N> + <M>)]", 150, 0, 150, 20);
    ASSERT_TRUE(X.B.Prepare()) << X.B.Errors();

    ASSERT_EQ(X.B.PageCount(), 2);
    EXPECT_EQ(Layout(X.B.Pages(), 0), (std::vector<std::string>{At("Row", 0), At("Row", 20),
                                                                At("Row", 40), At("Totals", 60)}));
    EXPECT_EQ(Layout(X.B.Pages(), 1), Layout(X.B.Pages(), 0));
    // Each column's total is its three rows, 1 + 2 + 3 + 3 x 10 j.
    EXPECT_EQ(CellsOf(X.B.Pages(), 0, "Totals"),
              (std::vector<std::string>{"Total 3@0.00", "36@150.00", "66@300.00", "96@450.00"}));
    EXPECT_EQ(CellsOf(X.B.Pages(), 1, "Totals"),
              (std::vector<std::string>{"126@0.00", "156@150.00"}));
    EXPECT_EQ(CellsOf(X.B.Pages(), 1, "Row", 2),
              (std::vector<std::string>{"r3/c4@0.00", "r3/c5@150.00"}));
}

TEST(EngineVertical, AHeaderRepeatedInTheNextPageColumnKeepsItsCells)
{
    TCrossReport X(60, 2, 20, 100);
    X.B.Page->SetColumns(2);
    auto *Head = X.B.Band<TfrxHeader>("Head", 60, 20);
    Head->SetReprintOnNewPage(true);
    TBuilder::Memo(Head, "HeadCell", "[C]", 150, 0, 100, 20);
    ASSERT_TRUE(X.B.Prepare()) << X.B.Errors();

    ASSERT_EQ(X.B.PageCount(), 1);
    const double Column2 = 95 * 3.77953;
    EXPECT_EQ(CellsOf(X.B.Pages(), 0, "Head"),
              (std::vector<std::string>{"c1@150.00", "c2@250.00"}));
    EXPECT_EQ(CellsOf(X.B.Pages(), 0, "Head", 1),
              (std::vector<std::string>{"c1@" + Hundredths(Column2 + 150),
                                        "c2@" + Hundredths(Column2 + 250)}));
    const auto Rows = Shown(X.B.Pages(), 0);
    auto IsHead = [](const TShown &Band) { return Band.Name == "Head"; };
    const auto First = std::find_if(Rows.begin(), Rows.end(), IsHead);
    ASSERT_NE(First, Rows.end());
    const auto Second = std::find_if(std::next(First), Rows.end(), IsHead);
    ASSERT_NE(Second, Rows.end());
    EXPECT_EQ(Second->Top, 0);
    EXPECT_EQ(std::next(Second)->Name, "Row");
    // 20 px for the header and 51 rows of 20 fill 1046.93 px of column.
    EXPECT_EQ(std::next(Second)->Texts.front(), "r52");
}

// The engine moves cells into vertical bands and the host hides a memo during
// the run; afterwards the pointers held from before are still the template's.
TEST(EngineVertical, TheTemplateKeepsItsObjectsOverRuns)
{
    TCrossReport X(3, 2, 20);
    TfrxReportPage *Page = X.B.Page;
    auto *Label = static_cast<TfrxMemoView *>(X.B.Report->FindObject("Label"));
    auto *Cell = static_cast<TfrxMemoView *>(X.B.Report->FindObject("Cell"));
    X.B.Report->OnAfterPrint = [&](TfrxReportComponent *Sender) {
        if (Sender == Label) Label->SetVisible(false);
    };
    const int PageObjects = Page->Objects()->Count();
    X.B.Report->OnEndDoc = [&](TObject *) { new TfrxMemoView(Page); };

    std::vector<std::vector<std::string>> Runs;
    for (int Run = 0; Run < 2; ++Run) {
        ASSERT_TRUE(X.B.Prepare()) << X.B.Errors();
        EXPECT_EQ(X.B.Report->FindObject("Row"), X.Row);
        EXPECT_EQ(X.B.Report->Pages(0), Page);
        EXPECT_EQ(Page->Objects()->Count(), PageObjects);
        ASSERT_EQ(X.Row->Objects()->Count(), 2);
        EXPECT_EQ(X.Row->Objects()->Items(0), Label);
        EXPECT_EQ(X.Row->Objects()->Items(1), Cell);
        EXPECT_EQ(X.Column->Objects()->Count(), 0);
        EXPECT_TRUE(Label->Visible());
        EXPECT_EQ(TextOf(Label), "[R]");
        EXPECT_EQ(X.Column->DataSet(), &X.ColumnData.DataSet);
        Runs.push_back(CellsOf(X.B.Pages(), 0, "Row", 1));
    }
    // Only the first row shows its label, in both runs.
    EXPECT_EQ(Runs[0], (std::vector<std::string>{"r2/c1@150.00", "r2/c2@300.00"}));
    EXPECT_EQ(Runs[1], Runs[0]);

    // A change made through a held pointer is the next run's template.
    Cell->SetText(WideString(AnsiString("[C]:[R]")));
    ASSERT_TRUE(X.B.Prepare()) << X.B.Errors();
    EXPECT_EQ(CellsOf(X.B.Pages(), 0, "Row", 1),
              (std::vector<std::string>{"c1:r2@150.00", "c2:r2@300.00"}));
}
