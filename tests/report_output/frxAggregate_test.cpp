#include "report/frxVariables.h"
#include "report_output/frxAggregate.h"

#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace enginetest;

namespace
{

// Rows of a data band with a footer that shows one memo per expression.
struct TTotals {
    TBuilder B;
    TRows Rows{"Rows"};
    TfrxMasterData *Data;
    TfrxFooter *Footer;

    TTotals(std::vector<std::map<std::string, Variant>> Values,
            std::vector<const char *> Expressions)
    {
        Rows.SetRows(std::move(Values));
        B.Use(Rows);
        Data = B.Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
        Footer = B.Band<TfrxFooter>("Footer1", 40, 20);
        int i = 0;
        for (const char *Expression : Expressions) {
            const std::string Name = "Memo" + std::to_string(++i);
            TBuilder::Memo(Footer, Name.c_str(), Expression, 0, 0, 50);
        }
    }

    std::vector<std::string> Shown()
    {
        EXPECT_TRUE(B.Prepare()) << B.Errors();
        return TextsOf(B.Pages(), 0, "Footer1");
    }
};

std::vector<std::map<std::string, Variant>> Values(std::vector<Variant> List)
{
    std::vector<std::map<std::string, Variant>> Result;
    for (const Variant &V : List)
        Result.push_back({{"x", V}});
    return Result;
}

} // namespace

TEST(Aggregates, FunctionsOverTheRowsOfABand)
{
    TTotals T(Values({2, 7, 4}),
              {"[SUM(<x>)]", "[AVG(<x>)]", "[MIN(<x>)]", "[MAX(<x>)]", "[COUNT(MasterData1)]"});
    EXPECT_EQ(T.Shown(), (std::vector<std::string>{"13", "4.33333333333333", "2", "7", "3"}));
}

TEST(Aggregates, NullsAreLeftOutOfAveragesAndGiveZeroAlone)
{
    TTotals WithNull(Values({2, ::Null(), 4}), {"[AVG(<x>)]", "[COUNT(MasterData1)]"});
    EXPECT_EQ(WithNull.Shown(), (std::vector<std::string>{"3", "3"}));

    TTotals AllNull(Values({::Null(), ::Null()}), {"[MIN(<x>)]", "[MAX(<x>)]", "[SUM(<x>)]"});
    EXPECT_EQ(AllNull.Shown(), (std::vector<std::string>{"0", "0", "0"}));
}

TEST(Aggregates, InvisibleRowsCountOnlyWhenAskedTo)
{
    TTotals T(Values({1, 1, 1}), {"[COUNT(MasterData1)]", "[COUNT(MasterData1, 1)]"});
    T.Data->SetVisible(false);
    EXPECT_EQ(T.Shown(), (std::vector<std::string>{"0", "3"}));
}

TEST(Aggregates, RunningTotalsGoOnAcrossGroupFooters)
{
    TBuilder B;
    TRows Rows("Rows");
    Rows.SetRows({{{"g", 1}, {"x", 1}}, {{"g", 1}, {"x", 2}}, {{"g", 2}, {"x", 3}}});
    B.Use(Rows);
    B.Band<TfrxGroupHeader>("GroupHeader1", 0, 20)->SetCondition("g");
    B.Data<TfrxMasterData>("MasterData1", 40, 20, Rows);
    auto *Footer = B.Band<TfrxGroupFooter>("GroupFooter1", 80, 20);
    TBuilder::Memo(Footer, "Memo1", "[SUM(<x>, MasterData1, 2)]", 0, 0, 50);
    TBuilder::Memo(Footer, "Memo2", "[SUM(<x>, MasterData1)]", 50, 0, 50);
    ASSERT_TRUE(B.Prepare()) << B.Errors();
    EXPECT_EQ(TextsOf(B.Pages(), 0, "GroupFooter1"),
              (std::vector<std::string>{"3", "3", "6", "3"}));
}

TEST(Aggregates, FlagsThatAreNoNumberFailThePreparation)
{
    TTotals T(Values({1}), {"[SUM(<x>, MasterData1, abc)]"});
    EXPECT_FALSE(T.B.Prepare());
    EXPECT_EQ(T.B.PageCount(), 0);
}

TEST(Aggregates, CallsAreFoundInsideExpressionsAndVariables)
{
    TTotals T(Values({1, 2}), {"[IIF(SUM(<x>) > 2, 'big', 'small')]", "[Total]"});
    T.B.Report->Variables()->Set("Total", Variant(AnsiString("SUM(<x>) * 10")));
    EXPECT_EQ(T.Shown(), (std::vector<std::string>{"big", "30"}));
}

TEST(AggregateItems, ParseNameReadsFunctionExpressionBandAndFlags)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    TfrxAggregateFunction Function;
    AnsiString Expression;
    TfrxDataBand *Band;
    bool Invisible, Running;
    TfrxAggregateList::ParseName(B.Report.get(), " sum ( f('a,b', (1, 2)), MasterData1, 3)",
                                 Function, Expression, Band, Invisible, Running);
    EXPECT_EQ(Function, agSum);
    EXPECT_EQ(Expression, "f('a,b', (1, 2))");
    EXPECT_EQ(Band, Data);
    EXPECT_TRUE(Invisible);
    EXPECT_TRUE(Running);
    TfrxAggregateList::ParseName(B.Report.get(), "COUNT(Nothing)", Function, Expression, Band,
                                 Invisible, Running);
    EXPECT_EQ(Function, agCount);
    EXPECT_EQ(Band, nullptr);
    EXPECT_FALSE(Invisible || Running);
}

TEST(AggregateItems, VerticalColumnsAreNotBounded)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    TfrxAggregateItem Item(B.Report.get());
    Item.FFunction = agCount;
    Item.FBand = Data;
    for (int Column : {1, 1500, 1500}) {
        Item.FVColumn = Column;
        Item.Calc();
    }
    Item.FVColumn = 1500;
    EXPECT_EQ(Item.Value().AsInteger(), 2);
    Item.FVColumn = 1;
    EXPECT_EQ(Item.Value().AsInteger(), 1);
    Item.FVColumn = 2000;
    EXPECT_EQ(Item.Value().AsInteger(), 0);
}

// ---- totals of the page and column their records print on ----

namespace
{

// Numbered records of 20 pixels, summed by their number, in groups of GroupSize under a group
// header of 20 (none for 0), on a page of page columns whose column footer (20) and page
// footer (40) read "count/sum" of the records: of the column or page, or of all so far when
// running.
struct TPlaceTotals {
    TBuilder B;
    TRows Rows{"Rows"};
    TfrxGroupHeader *Group = nullptr;
    TfrxMasterData *Data;
    bool Running;
    int GroupSize;
    bool RunTotals = false;

    TPlaceTotals(int Count, int Size, int Columns, bool IsRunning = false)
        : Running(IsRunning), GroupSize(Size)
    {
        std::vector<std::map<std::string, Variant>> Numbered;
        for (int n = 1; n <= Count; ++n)
            Numbered.push_back({{"n", n}, {"g", GroupSize ? (n - 1) / GroupSize : 0}});
        Rows.SetRows(Numbered);
        B.Use(Rows);
        B.Page->SetColumns(Columns);
        if (GroupSize > 0) {
            Group = B.Band<TfrxGroupHeader>("GroupHeader1", 0, 20);
            Group->SetCondition("g");
        }
        Data = B.Data<TfrxMasterData>("MasterData1", 40, 20, Rows);
        TBuilder::Memo(Data, "Number", "[Rows.\"n\"]", 0, 0, 100);
        const std::string Flags = Running ? ", MasterData1, 2" : "";
        const std::string Totals = "[COUNT(MasterData1" + std::string(Running ? ", 2" : "") +
                                   ")]/[SUM(<Rows.\"n\">" + Flags + ")]";
        TBuilder::Memo(B.Band<TfrxColumnFooter>("ColumnFooter1", 80, 20), "ColumnTotal",
                       Totals.c_str(), 0, 0, 100);
        TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 120, 40), "PageTotal", Totals.c_str(),
                       0, 0, 100);
    }

    // The other totals of the records, each "count/sum" of its own records wherever they
    // print: the band's footer (after a header), each group's footer, the summary; and a
    // child below each record.
    void AddRunTotals()
    {
        RunTotals = true;
        const char *Totals = "[COUNT(MasterData1)]/[SUM(<Rows.\"n\">)]";
        B.Band<TfrxHeader>("Header1", 21, 20);
        TBuilder::Memo(B.Band<TfrxFooter>("Footer1", 61, 20), "FooterTotal", Totals, 0, 0, 100);
        if (Group)
            TBuilder::Memo(B.Band<TfrxGroupFooter>("GroupFooter1", 62, 20), "GroupTotal", Totals, 0,
                           0, 100);
        TBuilder::Memo(B.Band<TfrxReportSummary>("ReportSummary1", 300, 20), "SummaryTotal", Totals,
                       0, 0, 100);
        Data->SetChild(B.Band<TfrxChild>("Child1", 340, 10));
    }

    // Every footer that reads otherwise than what its column or page printed, and records
    // printed other than once and in order.
    std::vector<std::string> Faults()
    {
        std::vector<std::string> Result;
        if (!B.Prepare()) return {B.Errors()};
        if (RunTotals) CheckRunTotals(Result);
        const double ColumnWidth = B.Page->ColumnWidth() * 3.77953;
        int Next = 1, AllCount = 0, AllSum = 0;
        for (int Page = 0; Page < B.PageCount(); ++Page) {
            std::map<int, std::pair<int, int>> Printed;
            std::map<int, std::string> ColumnFooters;
            std::string PageFooter;
            for (const TShown &Band : Shown(B.Pages(), Page)) {
                const int Column = static_cast<int>(std::floor(Band.Left / ColumnWidth + 0.01));
                if (Band.Name == "MasterData1") {
                    const int n = std::atoi(Band.Texts.at(0).c_str());
                    if (n != Next)
                        Result.push_back("record " + std::to_string(n) + " printed where " +
                                         std::to_string(Next) + " is due");
                    Next = n + 1;
                    ++Printed[Column].first;
                    Printed[Column].second += n;
                } else if (Band.Name == "ColumnFooter1") {
                    ColumnFooters[Column] = Band.Texts.at(0);
                } else if (Band.Name == "PageFooter1") {
                    PageFooter = Band.Texts.at(0);
                }
            }
            auto Due = [](int Count, int Sum) {
                return std::to_string(Count) + "/" + std::to_string(Sum);
            };
            const std::string Where = "page " + std::to_string(Page + 1);
            int PageCount = 0, PageSum = 0;
            for (const auto &[Column, Footer] : ColumnFooters) {
                const auto [Count, Sum] = Printed[Column];
                PageCount += Count;
                PageSum += Sum;
                const std::string Wanted =
                    Running ? Due(AllCount + PageCount, AllSum + PageSum) : Due(Count, Sum);
                if (Footer != Wanted)
                    Result.push_back(Where + " column " + std::to_string(Column + 1) + " reads " +
                                     Footer + " where " + Wanted + " is due");
            }
            AllCount += PageCount;
            AllSum += PageSum;
            const std::string Wanted = Running ? Due(AllCount, AllSum) : Due(PageCount, PageSum);
            if (PageFooter != Wanted)
                Result.push_back(Where + " footer reads " + PageFooter + " where " + Wanted +
                                 " is due");
        }
        if (Next != Rows.DataSet.RangeEndCount() + 1)
            Result.push_back("the records end at " + std::to_string(Next - 1));
        return Result;
    }

private:
    static std::string CountAndSum(int From, int To)
    {
        return std::to_string(To - From + 1) + "/" +
               std::to_string((From + To) * (To - From + 1) / 2);
    }

    void CheckRunTotals(std::vector<std::string> &Result)
    {
        const int Count = Rows.DataSet.RangeEndCount();
        std::map<std::string, std::vector<std::string>> Due, Read;
        Due["Footer1"] = Due["ReportSummary1"] = {CountAndSum(1, Count)};
        for (int From = 1; Group && From <= Count; From += GroupSize)
            Due["GroupFooter1"].push_back(CountAndSum(From, std::min(Count, From + GroupSize - 1)));
        for (int Page = 0; Page < B.PageCount(); ++Page)
            for (const TShown &Band : Shown(B.Pages(), Page))
                if (Due.count(Band.Name)) Read[Band.Name].push_back(Band.Texts.at(0));
        for (const auto &[Band, Texts] : Due)
            if (Read[Band] != Texts) {
                std::string Line = Band + " reads";
                for (const std::string &Text : Read[Band])
                    Line += " " + Text;
                Result.push_back(Line + " where " + std::to_string(Texts.size()) +
                                 " others are due");
            }
    }
};

using Faults = std::vector<std::string>;

} // namespace

// Groups of four kept together, 100 pixels each: nine fill a column down to 900 pixels, the
// tenth does not fit above the footers at 986.93 and moves whole with the three rows it had
// printed, to the next page or, on a page of two columns, into the second column.
TEST(AggregatesWhereRecordsPrint, ColumnAndPageFootersCountWhatAKeptGroupLeftThem)
{
    for (int Columns : {1, 2}) {
        TPlaceTotals T(100 * Columns, 4, Columns);
        T.Group->SetKeepTogether(true);
        EXPECT_EQ(T.Faults(), Faults{}) << Columns << " columns";
        EXPECT_EQ(T.B.PageCount(), 3) << Columns << " columns";
    }
}

// Two records side by side in each page column: the row that would run over the footers goes
// on whole in the next column or page, and counts there, in running totals too.
TEST(AggregatesWhereRecordsPrint, ARowOfRecordsSideBySideCountsInTheColumnItMovesTo)
{
    for (bool Running : {false, true})
        for (bool KeepTogether : {false, true})
            for (int Columns : {1, 2}) {
                TPlaceTotals T(200 * Columns, 0, Columns, Running);
                T.Data->SetColumns(2);
                T.Data->SetColumnWidth(150);
                T.Data->SetKeepTogether(KeepTogether);
                EXPECT_EQ(T.Faults(), Faults{})
                    << Columns << " columns" << (KeepTogether ? ", kept together" : "")
                    << (Running ? ", running" : "");
            }
}

// A running total goes on from page to page and column to column with what each printed, also
// when kept groups take rows they had printed to the next page; the second pass of a report
// that counts its pages first starts it again from nothing.
TEST(AggregatesWhereRecordsPrint, RunningTotalsCarryWhatEveryEarlierPageAndColumnPrinted)
{
    for (bool DoublePass : {false, true})
        for (int Columns : {1, 2}) {
            TPlaceTotals T(150 * Columns, 4, Columns, true);
            T.Group->SetKeepTogether(true);
            T.B.Report->EngineOptions()->SetDoublePass(DoublePass);
            const std::string Case =
                std::to_string(Columns) + " columns" + (DoublePass ? ", two passes" : "");
            EXPECT_EQ(T.Faults(), Faults{}) << Case;
            EXPECT_GE(T.B.PageCount(), 4) << Case;
        }
}

// A move may wait to land while another one is made and landed: each paste lands the latest
// cut, at its own place, so a later cut takes the records that lie past it.
TEST(AggregateItems, EachPasteLandsTheLatestCutWhereItSays)
{
    TBuilder B;
    auto *Data = B.Band<TfrxMasterData>("MasterData1", 0, 20);
    TfrxAggregateItem Item(B.Report.get());
    Item.FFunction = agCount;
    Item.FBand = Data;
    Item.FFollowsRecords = true;
    for (int Position : {0, 1, 2})
        Item.Calc(Position);
    Item.Cut(2);
    Item.Cut(1);
    EXPECT_EQ(Item.Value().AsInteger(), 1);
    Item.Paste(7);
    Item.Paste(3);
    EXPECT_EQ(Item.Value().AsInteger(), 3);
    Item.Cut(5);
    EXPECT_EQ(Item.Value().AsInteger(), 2);
    Item.Paste(0);
    EXPECT_EQ(Item.Value().AsInteger(), 3);
}

// Every kind of total with every keep flag, on pages of one and of two columns: a group kept
// together, the band's header kept with its first record, its footer with its last, each
// record with its child; each total reads what its own records printed, and a page's or a
// column's running total what printed up to there.
TEST(AggregatesWhereRecordsPrint, EveryTotalWithEveryKeepFlag)
{
    for (int Flags = 0; Flags < 32; ++Flags)
        for (int Columns : {1, 2}) {
            const bool Running = Flags & 16;
            TPlaceTotals T(130 * Columns, 5, Columns, Running);
            T.AddRunTotals();
            T.Group->SetKeepTogether(Flags & 1);
            T.Data->SetKeepHeader(Flags & 2);
            T.Data->SetKeepFooter(Flags & 4);
            T.Data->SetKeepChild(Flags & 8);
            std::ostringstream Case;
            Case << Columns << " columns" << (Flags & 1 ? ", group kept together" : "")
                 << (Flags & 2 ? ", header kept" : "") << (Flags & 4 ? ", footer kept" : "")
                 << (Flags & 8 ? ", child kept" : "") << (Running ? ", running" : "");
            EXPECT_EQ(T.Faults(), Faults{}) << Case.str();
            EXPECT_GE(T.B.PageCount(), 3) << Case.str();
        }
}
