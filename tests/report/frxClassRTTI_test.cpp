#include "report/frxClass.h"
#include "report/frxClassRTTI.h"
#include "report/frxVariables.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace
{

// Runs a C++Script main block in a report with a page, a band and a memo.
struct ScriptedReport {
    TfrxReport Report{nullptr};
    TfrxMemoView *Memo;

    ScriptedReport()
    {
        TfrxMasterData *Band = AddPageAndBand(Report);
        Memo = new TfrxMemoView(Band);
        Memo->SetName("Memo1");
        Memo->SetBounds(10, 20, 100, 18);
        Memo->SetText(u"a\r\nb\r\nc");
        Report.SetScriptLanguage("C++Script");
    }

    void Run(const char *Body)
    {
        Report.ScriptText()->SetText(Body);
        ASSERT_TRUE(Report.PrepareScript()) << Report.Errors()->Text().ToUtf8();
        Report.Script()->Execute();
    }

    Variant Value(const char *Name) { return Report.Script()->Variables(Name); }

    // The message of the error that ends the run of Body; empty when none does.
    AnsiString Refusal(const char *Body)
    {
        Report.ScriptText()->SetText(Body);
        EXPECT_TRUE(Report.PrepareScript()) << Body;
        try {
            Report.Script()->Execute();
        } catch (const Exception &E) {
            return E.Message();
        }
        return AnsiString();
    }
};

} // namespace

TEST(ScriptBinding, EnumerationsCarryEveryMember)
{
    ScriptedReport R;
    R.Run("int a, s, c; { a = baClient; s = skDiagonal1; c = fkBoolean; }");
    EXPECT_EQ(R.Value("a").AsInteger(), baClient);
    EXPECT_EQ(R.Value("s").AsInteger(), 5);
    EXPECT_EQ(R.Value("c").AsInteger(), fkBoolean);
}

TEST(ScriptBinding, ScriptsReachObjectsPropertiesAndMethods)
{
    ScriptedReport R;
    R.Run("double l, t; int n; String found, line; "
          "{ l = Memo1.Left; t = Memo1.AbsTop; Memo1.Width = 150; Memo1.HAlign = haCenter;"
          "  found = Report.FindObject(\"memo1\").Name; n = Memo1.Lines.Count;"
          "  Memo1.Lines.Insert(0, \"x\"); line = Memo1.Lines[1];"
          "  Memo1.SetBounds(1, 2, 3, 4); Report.Variables[\"v\"] = 42; }");
    EXPECT_DOUBLE_EQ(R.Value("l").AsDouble(), 10);
    EXPECT_DOUBLE_EQ(R.Value("t").AsDouble(), 20);
    EXPECT_EQ(R.Value("n").AsInteger(), 3);
    EXPECT_EQ(VarToStr(R.Value("found")), "Memo1");
    EXPECT_EQ(VarToStr(R.Value("line")), "a");
    EXPECT_EQ(R.Memo->Text(), WideString(u"x\r\na\r\nb\r\nc\r\n"));
    EXPECT_DOUBLE_EQ(R.Memo->Width(), 3);
    EXPECT_EQ(R.Memo->HAlign(), haCenter);
    EXPECT_EQ(R.Report.Variables()->Get("v").AsInteger(), 42);
}

TEST(ScriptBinding, AReportsScriptTakesNamesInCyrillic)
{
    ScriptedReport R;
    R.Report.ScriptText()->SetText(Cp("int Итого; { Итого = 5; }"));
    ASSERT_TRUE(R.Report.PrepareScript()) << R.Report.Errors()->Text().ToUtf8();
    R.Report.Script()->Execute();
    EXPECT_EQ(R.Report.Script()->Variables(Cp("Итого")).AsInteger(), 5);
}

TEST(ScriptBinding, DatePartsAndConstants)
{
    ScriptedReport R;
    R.Report.Variables()->Set("when", Variant::FromDateTime(EncodeDate(2024, 3, 5)));
    R.Run("int d, m, y; double cm; { d = DayOf(Get(\"when\")); m = MonthOf(Get(\"when\"));"
          " y = YearOf(Get(\"when\")); cm = fr1cm; }");
    EXPECT_EQ(R.Value("d").AsInteger(), 5);
    EXPECT_EQ(R.Value("m").AsInteger(), 3);
    EXPECT_EQ(R.Value("y").AsInteger(), 2024);
    EXPECT_NEAR(R.Value("cm").AsDouble(), 37.7953, 1e-9);
}

TEST(ScriptBinding, IIFOutsideAReportAnswersZero)
{
    frxRegisterReportClasses();
    TfsScript Script(nullptr);
    Script.AddRTTI();
    Script.SetSyntaxType("C++Script");
    Script.Lines()->SetText("int r; { r = IIF(true, 5, 6); }");
    ASSERT_TRUE(Script.Compile()) << Script.ErrorMsg.ToUtf8();
    Script.Execute();
    EXPECT_EQ(Script.Variables("r").AsInteger(), 0);
}

TEST(ScriptBinding, DataSetsWalkFromScripts)
{
    ScriptedReport R;
    auto *Rows = new TfrxUserDataSet(&R.Report);
    Rows->SetName("Rows");
    Rows->SetRangeEnd(reCount);
    Rows->SetRangeEndCount(4);
    Rows->OnGetValue = [&](const AnsiString &, Variant &Value) { Value = Rows->RecNo() * 10; };
    R.Report.DataSets()->Add(Rows);
    R.Run(
        "int total, visited; TfrxDataSet ds; { ds = Report.GetDataset(\"Rows\"); ds.First();"
        " while (!ds.Eof()) { total = total + ds.Value[\"x\"]; ds.Next(); } visited = ds.RecNo; }");
    EXPECT_EQ(R.Value("total").AsInteger(), 60);
    EXPECT_EQ(R.Value("visited").AsInteger(), 4);
}

TEST(ScriptBinding, ScriptsReachShapesLinesPicturesAndSubreports)
{
    TempFolder Dir;
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(12, 7);
    Bitmap.SaveToFile(Dir.Path("logo.bmp"));

    ScriptedReport R;
    TfrxComponent *Band = R.Memo->Parent();
    auto *Shape = new TfrxShapeView(Band);
    Shape->SetName("Shape1");
    auto *Line = new TfrxLineView(Band);
    Line->SetName("Line1");
    auto *Picture = new TfrxPictureView(Band);
    Picture->SetName("Picture1");
    auto *Sub = new TfrxSubreport(Band);
    Sub->SetName("Subreport1");
    const std::string Body = "{ Shape1.Shape = skDiagonal1; Line1.Diagonal = true;"
                             "  Picture1.AutoSize = true; Picture1.LoadFromFile(\"" +
                             Dir.Path("logo.bmp").ToUtf8() +
                             "\"); Subreport1.PrintOnParent = true; }";
    R.Run(Body.c_str());
    EXPECT_EQ(Shape->Shape(), skDiagonal1);
    EXPECT_TRUE(Line->Diagonal());
    EXPECT_EQ(Picture->Width(), 12);
    EXPECT_EQ(Picture->Height(), 7);
    EXPECT_TRUE(Sub->PrintOnParent());
}

namespace
{

// A database data set whose driver would read from a BLOB and know its widths.
class PriceTable : public TfrxCustomDBDataSet
{
public:
    using TfrxCustomDBDataSet::TfrxCustomDBDataSet;
    void GetFieldList(TStrings *List) override { rtl::SetLines(List, {"Photo", "Price"}); }
    bool IsBlobField(const AnsiString &Field) override { return Field == "Photo"; }
    int GetDisplayWidth(const AnsiString &Field) override { return Field.Length() * 3; }
    TfrxFieldType GetFieldType(const AnsiString &Field) override
    {
        return Field == "Price" ? fftNumeric : fftString;
    }
};

} // namespace

TEST(ScriptBinding, DataSetFieldsAndDatabaseDataSetsFromScripts)
{
    ScriptedReport R;
    auto *Prices = new PriceTable(&R.Report);
    Prices->SetName("Prices");
    R.Run("TStringList names; int fields, width, kind, textKind; bool blob, plain; String first;"
          "{ names = TStringList.Create(); Prices.GetFieldList(names); first = names[0];"
          "  fields = Prices.FieldsCount(); width = Prices.DisplayWidth[\"Price\"];"
          "  kind = Prices.FieldType[\"Price\"]; textKind = Prices.FieldType[\"Photo\"];"
          "  blob = Prices.IsBlobField(\"Photo\"); plain = Prices.IsBlobField(\"Price\");"
          "  names.Free(); }");
    EXPECT_EQ(VarToStr(R.Value("first")), "Photo");
    EXPECT_EQ(R.Value("fields").AsInteger(), 2);
    EXPECT_EQ(R.Value("width").AsInteger(), 15);
    EXPECT_EQ(R.Value("kind").AsInteger(), fftNumeric);
    EXPECT_EQ(R.Value("textKind").AsInteger(), fftString);
    EXPECT_TRUE(R.Value("blob").AsBoolean());
    EXPECT_FALSE(R.Value("plain").AsBoolean());
}

TEST(ScriptBinding, AnArgumentOfTheWrongKindIsRefusedWithAMessage)
{
    ScriptedReport R;
    auto *Rows = new TfrxUserDataSet(&R.Report);
    Rows->SetName("Rows");
    EXPECT_EQ(R.Refusal("{ Memo1.LoadFromStream(nil); }"), Cp("Ожидается поток"));
    EXPECT_EQ(R.Refusal("{ Rows.GetFieldList(nil); }"), Cp("Ожидается список строк"));
    EXPECT_EQ(R.Memo->Text(), WideString(u"a\r\nb\r\nc\r\n")) << "the memo is untouched";
}

TEST(ScriptBinding, ComponentsAndMemoLinesTravelThroughStreams)
{
    ScriptedReport R;
    R.Memo->SetTagStr("before");
    R.Run("TMemoryStream s, lines; int own, all, saved; String tag, restored, first;"
          "{ own = MasterData1.Objects.Count; all = Report.AllObjects.Count;"
          "  tag = Memo1.TagStr; Memo1.TagStr = \"after\";"
          "  s = TMemoryStream.Create(); Memo1.SaveToStream(s, true);"
          "  Memo1.Text = \"gone\"; s.Position = 0; Memo1.LoadFromStream(s); restored = Memo1.Text;"
          "  lines = TMemoryStream.Create(); Memo1.Lines.SaveToStream(lines); saved = lines.Size;"
          "  s.Position = 0; Memo1.Lines.LoadFromStream(s); first = Memo1.Lines[0];"
          "  s.Free(); lines.Free(); }");
    EXPECT_EQ(R.Value("own").AsInteger(), 1);
    EXPECT_EQ(R.Value("all").AsInteger(), 3) << "page, band and memo";
    EXPECT_EQ(VarToStr(R.Value("tag")), "before");
    EXPECT_EQ(R.Memo->TagStr(), "after");
    EXPECT_EQ(VarToStr(R.Value("restored")), "a\r\nb\r\nc\r\n") << "the memo read itself back";
    EXPECT_EQ(R.Value("saved").AsInteger(), 18) << "nine characters of two bytes each";
    EXPECT_EQ(VarToStr(R.Value("first")).SubString(1, 5), "<?xml") << "lines read from a stream";
}

TEST(ScriptBinding, StretchingViewsMeasureThemselvesAndBandsTellOverflow)
{
    ScriptedReport R;
    R.Memo->SetWordWrap(false);
    auto *Band = static_cast<TfrxBand *>(R.Memo->Parent());
    Band->SetOverflow(true);
    R.Run("double h, w; bool over; { h = Memo1.CalcHeight(); w = Memo1.CalcWidth();"
          " over = MasterData1.Overflow; }");
    EXPECT_DOUBLE_EQ(R.Value("h").AsDouble(), R.Memo->CalcHeight());
    EXPECT_DOUBLE_EQ(R.Value("w").AsDouble(), R.Memo->CalcWidth());
    EXPECT_GT(R.Value("h").AsDouble(), 18) << "three lines are taller than one";
    EXPECT_TRUE(R.Value("over").AsBoolean());
}

TEST(ScriptBinding, AMemoTakesTheLinesAssignedToIt)
{
    ScriptedReport R;
    auto *Other = new TfrxMemoView(R.Memo->Parent());
    Other->SetName("Memo2");
    Other->SetText(WideString(Cp("один\r\nдва")));
    R.Run("TStringList List; Variant Any;"
          "{ Memo1.Lines = Memo2.Lines; Memo2.Text = \"x\";"
          "  List = TStringList.Create(); List.Add(\"three\"); Any = List; Memo2.Lines = Any;"
          "  List.Free(); }");
    EXPECT_EQ(R.Memo->Text(), WideString(Cp("один\r\nдва\r\n")));
    EXPECT_EQ(Other->Text(), WideString(u"three\r\n")) << "a narrow string list is taken too";
}

TEST(ScriptBinding, AComponentCannotBePlacedInsideItself)
{
    ScriptedReport R;
    TfrxComponent *Band = R.Memo->Parent();
    for (const char *Body : {"{ Memo1.Parent = Memo1; }", "{ MasterData1.Parent = Memo1; }",
                             "{ Page1.Parent = Memo1; }"}) {
        EXPECT_EQ(R.Refusal(Body), Cp("Компонент нельзя поместить внутрь самого себя")) << Body;
        EXPECT_EQ(R.Memo->Parent(), Band) << Body;
        EXPECT_EQ(Band->Parent()->Parent(), &R.Report) << Body;
    }
    R.Run("{ Memo1.Parent = Page1; }");
    EXPECT_EQ(R.Memo->Parent(), Band->Parent()) << "a move elsewhere is made";
    EXPECT_EQ(Band->Objects()->Count(), 0);
}

TEST(ScriptBinding, ABandSavesItsObjectsUnlessToldNotTo)
{
    ScriptedReport R;
    R.Run("TMemoryStream s; TStringList text; String all, alone;"
          "{ s = TMemoryStream.Create(); text = TStringList.Create();"
          "  MasterData1.SaveToStream(s); s.Position = 0; text.LoadFromStream(s); all = text.Text;"
          "  s.Clear(); MasterData1.SaveToStream(s, false); s.Position = 0;"
          "  text.LoadFromStream(s); alone = text.Text; s.Free(); text.Free(); }");
    EXPECT_NE(VarToStr(R.Value("all")).Pos("<TfrxMemoView"), 0) << "children by default";
    EXPECT_NE(VarToStr(R.Value("alone")).Pos("<TfrxMasterData"), 0);
    EXPECT_EQ(VarToStr(R.Value("alone")).Pos("<TfrxMemoView"), 0) << "the band alone when asked";
}

TEST(ScriptBinding, AScriptFreesAReportObjectButNotItsOwnReport)
{
    ScriptedReport R;
    TfrxComponent *Band = R.Memo->Parent();
    R.Run("{ Memo1.Free(); }");
    EXPECT_EQ(Band->Objects()->Count(), 0);
    EXPECT_EQ(R.Report.FindObject("Memo1"), nullptr);
    EXPECT_EQ(R.Refusal("{ Report.Free(); }"),
              Cp("Отчет не может быть удален собственным скриптом"));
    EXPECT_EQ(R.Report.FindObject("MasterData1"), Band) << "the report and its objects are there";
}
