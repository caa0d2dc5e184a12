#include "report/frxClass.h"
#include "report/frxVariables.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Controls.h"

#include <gtest/gtest.h>

#include <map>

namespace
{

// A report with one memo on a band, its script prepared as for a run.
struct MemoReport {
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    TfrxMemoView *Memo;
    std::map<std::string, Variant> Answers;

    MemoReport()
    {
        auto *Page = new TfrxReportPage(&Report);
        auto *Band = new TfrxMasterData(Page);
        Memo = new TfrxMemoView(Band);
        Memo->SetName("Memo1");
        Report.SetScriptLanguage("C++Script");
        Report.ScriptText()->SetText("{\r\n}");
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        Report.OnGetValue = [this](const AnsiString &Name, Variant &Value) {
            auto Found = Answers.find(Name.ToStd());
            if (Found != Answers.end()) Value = Found->second;
        };
    }

    WideString Print(const WideString &Text)
    {
        if (!Prepared) {
            EXPECT_TRUE(Report.PrepareScript()) << Report.Errors()->Text().ToUtf8();
            Prepared = true;
        }
        Memo->SetText(Text);
        Memo->BeforePrint();
        Memo->GetData();
        WideString Result = Memo->Text();
        Memo->AfterPrint();
        return Result;
    }

    bool Prepared = false;
};

class SeparatorGuard
{
public:
    SeparatorGuard() : FSaved(DecimalSeparator) { DecimalSeparator = '.'; }
    ~SeparatorGuard() { DecimalSeparator = FSaved; }
    SeparatorGuard(const SeparatorGuard &) = delete;
    SeparatorGuard &operator=(const SeparatorGuard &) = delete;

private:
    char FSaved;
};

} // namespace

TEST(MemoText, DataSetFieldsThroughTheDisplayFormat)
{
    SeparatorGuard Separator;
    MemoReport R;
    auto *Rows = new TfrxUserDataSet(&R.Form);
    Rows->SetName("frxUserDataTovcheck");
    Rows->SetRangeEnd(reCount);
    Rows->SetRangeEndCount(3);
    const double Prices[] = {12.5, 0.0, 99.999};
    Rows->OnGetValue = [&](const AnsiString &Name, Variant &Value) {
        if (Name == "price") Value = Prices[Rows->RecNo()];
    };
    R.Report.DataSets()->Add(Rows);
    R.Memo->DisplayFormat()->SetKind(fkNumeric);
    R.Memo->DisplayFormat()->SetFormatStr("%2.2f");
    R.Memo->DisplayFormat()->SetDecimalSeparator(".");
    auto Walk = [&] {
        AnsiString Texts;
        for (Rows->First(); !Rows->Eof(); Rows->Next())
            Texts += AnsiString(R.Print(u"[frxUserDataTovcheck.\"price\"]")) + "|";
        return Texts;
    };
    EXPECT_EQ(Walk(), "12.50\r\n|0.00\r\n|100.00\r\n|");
    DecimalSeparator = ',';
    EXPECT_EQ(Walk(), "12.50\r\n|0.00\r\n|100.00\r\n|");
    DecimalSeparator = '.';
    R.Memo->SetHideZeros(true);
    EXPECT_EQ(Walk(), "12.50\r\n|\r\n|100.00\r\n|");
    R.Memo->SetHideZeros(false);
    R.Memo->DisplayFormat()->SetKind(fkText);
    EXPECT_EQ(Walk(), "12.5\r\n|0\r\n|99.999\r\n|");
    R.Memo->DisplayFormat()->SetKind(fkNumeric);
    R.Memo->DisplayFormat()->SetFormatStr("%d");
    Rows->First();
    EXPECT_EQ(AnsiString(R.Print(u"[frxUserDataTovcheck.\"price\"]")), "12.5\r\n");
    R.Memo->DisplayFormat()->SetFormatStr("%2.2f");
    EXPECT_EQ(AnsiString(R.Memo->FormatData(12.125)), "12.13");
}

TEST(MemoText, InlineFormatsConditionsAndDelimiters)
{
    SeparatorGuard Separator;
    MemoReport R;
    R.Answers = {{"p", 12.5},
                 {"d", Variant::FromDateTime(EncodeDate(2024, 3, 5))},
                 {"f", true},
                 {"n", 0},
                 {"s", AnsiString("0")}};
    EXPECT_EQ(R.Print(u"[p #n%2,2f] [d #ddd.mm.yyyy] [f #bНет,Да] [IIF(false, 1/0, 2)]"),
              WideString(u"12,50 05.03.2024 Да 2\r\n"));
    R.Answers["f"] = false;
    EXPECT_EQ(R.Print(u"[f #bНет,Да]"), WideString(u"Нет\r\n"));
    R.Memo->SetHideZeros(true);
    EXPECT_EQ(R.Print(u"[n]"), WideString(u"\r\n"));
    EXPECT_EQ(R.Print(u"[s]"), WideString(u"0\r\n"));
    R.Memo->SetHideZeros(false);
    R.Memo->SetAllowExpressions(false);
    EXPECT_EQ(R.Print(u"[p]"), WideString(u"[p]\r\n"));
    R.Memo->SetAllowExpressions(true);
    R.Memo->SetExpressionDelimiters("<%,%>");
    EXPECT_EQ(R.Print(u"[p] <%p%>"), WideString(u"[p] 12.5\r\n"));
    // Without a comma there is no opening mark: nothing is an expression.
    for (const char *Delimiters : {"[", "[]", "<%%>"}) {
        R.Memo->SetExpressionDelimiters(Delimiters);
        EXPECT_EQ(R.Print(u"[p] [] <%%> <%p%>"), WideString(u"[p] [] <%%> <%p%>\r\n"))
            << Delimiters;
    }
    R.Memo->SetExpressionDelimiters("[,]");
    // A value holding brackets prints as it is; an unclosed bracket stays text.
    R.Answers["b"] = AnsiString("[p]");
    EXPECT_EQ(R.Print(u"[b] и [p"), WideString(u"[p] и [p\r\n"));
    EXPECT_EQ(R.Print(u"[TotalPages#] of Ω"), WideString(u"[TotalPages#] of Ω\r\n"));
    R.Memo->SetText(u"[TotalPages#] of Ω");
    R.Memo->SetTotalPages(7);
    R.Memo->ExtractTotalPages();
    EXPECT_EQ(R.Memo->Text(), WideString(u"7 of Ω\r\n"));
}

namespace
{

// A table whose notes column is a BLOB holding text; its price reads as a number.
class NotesTable : public TfrxUserDataSet
{
public:
    using TfrxUserDataSet::TfrxUserDataSet;
    bool IsBlobField(const AnsiString &Field) override { return Field == "Notes"; }
    void AssignBlobTo(const AnsiString &, TObject *Target) override
    {
        if (auto *Lines = dynamic_cast<TWideStrings *>(Target))
            Lines->SetText(u"Ключ [p]\r\nвторая строка");
    }
};

} // namespace

TEST(MemoText, DataFieldMemosShowTheFieldItself)
{
    SeparatorGuard Separator;
    MemoReport R;
    R.Answers = {{"p", 7}};
    auto *Rows = new NotesTable(&R.Form);
    Rows->SetName("ds");
    Rows->OnGetValue = [](const AnsiString &Name, Variant &Value) {
        if (Name == "Price") Value = 0.5;
    };
    R.Report.DataSets()->Add(Rows);
    R.Memo->SetDataSet(Rows);
    R.Memo->SetDataField("Notes");
    // The BLOB's text prints as stored: its brackets are not expressions.
    EXPECT_EQ(R.Print(u"template"), WideString(u"Ключ [p]\r\nвторая строка\r\n"));
    R.Memo->SetDataField("Price");
    EXPECT_EQ(R.Print(u"template"), WideString(u"0.5\r\n"));
    R.Memo->DisplayFormat()->SetKind(fkNumeric);
    R.Memo->DisplayFormat()->SetFormatStr("%2.2f");
    EXPECT_EQ(R.Print(u"template"), WideString(u"0.50\r\n"));
}

TEST(MemoText, ATagIsEvaluatedForTheOutputAndComesBackAfterIt)
{
    MemoReport R;
    R.Answers = {{"n", 7}};
    R.Memo->SetTagStr("page [n] of [1 + 2]");
    R.Print(u"");
    EXPECT_EQ(R.Memo->TagStr(), "page [n] of [1 + 2]");
    R.Memo->BeforePrint();
    R.Memo->GetData();
    EXPECT_EQ(R.Memo->TagStr(), "page 7 of 3");
    R.Memo->AfterPrint();
    EXPECT_EQ(R.Memo->TagStr(), "page [n] of [1 + 2]");
}

TEST(MemoText, RotationIsKeptWithinOneTurn)
{
    TfrxMemoView Memo(nullptr);
    Memo.SetRotation(370);
    EXPECT_EQ(Memo.Rotation(), 10);
    Memo.SetRotation(-90);
    EXPECT_EQ(Memo.Rotation(), -90);
}

TEST(MemoText, HighlightsAndRepeatedValues)
{
    MemoReport R;
    R.Answers = {{"p", 5}};
    R.Memo->Highlight()->SetCondition("Value > 3");
    R.Print(u"[p]");
    EXPECT_TRUE(R.Memo->Highlight()->Active());
    R.Answers["p"] = 1;
    R.Print(u"[p]");
    EXPECT_FALSE(R.Memo->Highlight()->Active());
    R.Memo->SetSuppressRepeated(true);
    EXPECT_EQ(R.Print(u"[p]"), WideString(u"1\r\n"));
    EXPECT_EQ(R.Print(u"[p]"), WideString());
}

TEST(ValueLookup, VariablesAreExpressionsAndHostAnswersWin)
{
    MemoReport R;
    R.Report.Variables()->Set("k", AnsiString("2*3"));
    R.Report.Variables()->Set("t", AnsiString("x\r\ny"));
    EXPECT_EQ(R.Print(u"[k]"), WideString(u"6\r\n"));
    EXPECT_EQ(R.Print(u"[t]"), WideString(u"x\r\ny\r\n"));
    R.Answers["k"] = AnsiString();
    EXPECT_EQ(R.Print(u"[k]"), WideString(u"\r\n"));
    Variant Value;
    EXPECT_FALSE(R.Report.DoGetValue("unknown", Value));
    EXPECT_TRUE(VarIsNull(Value));
}

TEST(ValueLookup, ASelfReferencingVariableEndsWithAnError)
{
    ScriptedBoxes Boxes;
    Boxes.Dialogs.ReplyMessage(mrOk);
    MemoReport R;
    R.Report.EngineOptions()->SetNewSilentMode(simMessageBoxes);
    R.Report.Variables()->Set("a", AnsiString("b"));
    R.Report.Variables()->Set("b", AnsiString("a + 1"));
    R.Report.SetCurObject("Memo1");
    EXPECT_THROW(R.Print(u"[a]"), Exception);
    ASSERT_GE(R.Report.Errors()->Count(), 1);
    EXPECT_GT(R.Report.Errors()->Strings(0).Pos("'a'"), 0) << R.Report.Errors()->Text().ToUtf8();
}

TEST(ValueLookup, FieldsNeedTheirClosingQuote)
{
    MemoReport R;
    auto *Rows = new TfrxUserDataSet(&R.Form);
    Rows->SetName("ds");
    Rows->Fields()->SetText("price");
    Rows->OnGetValue = [](const AnsiString &Name, Variant &Value) { Value = Name; };
    R.Report.DataSets()->Add(Rows);
    TfrxDataSet *Found;
    AnsiString Field;
    R.Report.GetDatasetAndField("ds.\"price\"", Found, Field);
    EXPECT_EQ(Found, Rows);
    EXPECT_EQ(Field, "price");
    R.Report.GetDatasetAndField("ds.\"price", Found, Field);
    EXPECT_EQ(Found, nullptr);
    Variant Value;
    ASSERT_TRUE(R.Report.DoGetValue("ds.\"price\"", Value));
    EXPECT_EQ(VarToStr(Value), "price");
    ASSERT_TRUE(R.Report.DoGetValue("ds.\"none\"", Value));
    EXPECT_EQ(VarToStr(Value), "none");
    Rows->OnGetValue = nullptr;
    ASSERT_TRUE(R.Report.DoGetValue("ds.\"none\"", Value));
    EXPECT_EQ(Value.AsInteger(), 0); // user data sets report numeric fields
    R.Report.EngineOptions()->SetConvertNulls(false);
    ASSERT_TRUE(R.Report.DoGetValue("ds.\"none\"", Value));
    EXPECT_TRUE(VarIsNull(Value));
    EXPECT_EQ(R.Report.GetAlias(Rows), "ds");
    TfrxUserDataSet Outside(nullptr);
    EXPECT_EQ(R.Report.GetAlias(&Outside), Cp("(компонент не включен в Report.DataSets)"));
}

TEST(ValueLookup, UnknownNamesFailTheRunWithOneLineEach)
{
    ScriptedBoxes Boxes;
    MemoReport R;
    R.Report.EngineOptions()->SetNewSilentMode(simMessageBoxes);
    R.Print(u"[Get(\"nosuch\")] [Get(\"nosuch\")] [Get(\"alsonot\")]");
    EXPECT_EQ(R.Report.Errors()->Text(),
              Cp("Неизвестная переменная или поле БД: alsonot\r\nНеизвестная переменная или "
                 "поле БД: nosuch\r\n"));
}

TEST(ValueLookup, IIFTakesTheElseBranchWhenTheConditionIsNotTrue)
{
    MemoReport R;
    R.Report.EngineOptions()->SetConvertNulls(false);
    R.Answers = {{"v", Null()}, {"yes", true}, {"one", 1}};
    EXPECT_EQ(R.Print(u"[IIF(Get(\"v\"), 1, 2)] [IIF(Null, 1, 2)] [IIF(Get(\"yes\"), 1, 2)]"),
              WideString(u"2 2 1\r\n"));
    // Equal to true, as the library compares: the number 1 is not.
    EXPECT_EQ(R.Print(u"[IIF(Get(\"one\"), 1, 2)] [IIF(Get(\"one\") == 1, 1, 2)]"),
              WideString(u"2 1\r\n"));
    EXPECT_EQ(R.Report.Errors()->Count(), 0) << R.Report.Errors()->Text().ToUtf8();
}

TEST(ValueLookup, ExpressionsCompileOncePerRun)
{
    MemoReport R;
    R.Answers = {{"p", 2}};
    R.Print(u"[Get(\"p\") * 3] [Get(\"p\") * 3] [get(\"p\") * 3]");
    EXPECT_EQ(R.Report.ExpressionCache()->Count(), 2);
    EXPECT_TRUE(R.Report.PrepareScript());
    EXPECT_EQ(R.Report.ExpressionCache()->Count(), 0);
    R.Memo->SetText(u"[1 +]");
    R.Report.SetCurObject("Memo1");
    EXPECT_THROW(R.Memo->GetData(), Exception);
    EXPECT_EQ(R.Report.Errors()->Strings(0).Pos(Cp("Memo1: Ошибка в выражении '1 +'")), 1);
}
