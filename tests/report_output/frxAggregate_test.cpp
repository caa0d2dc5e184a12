#include "report/frxVariables.h"
#include "report_output/frxAggregate.h"

#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

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
