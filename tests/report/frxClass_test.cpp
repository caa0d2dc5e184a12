#include "report/frxClass.h"
#include "report/frxRes.h"
#include "report/frxVariables.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace
{

// The whole tree as text: class, name and every attribute the template keeps.
AnsiString TreeText(TfrxReport &Report)
{
    return Written([&](TStream *S) { Report.SaveToStream(S, true, true); });
}

} // namespace

TEST(ComponentTree, ABuiltReportLoadsBackIntoAnEqualTree)
{
    SampleReport Sample;
    const AnsiString First = TreeText(Sample.Report);
    TfrxReport Copy(nullptr);
    TStringStream In(Written([&](TStream *S) { Sample.Report.SaveToStream(S); }));
    Copy.LoadFromStream(&In);
    EXPECT_EQ(TreeText(Copy), First);
    EXPECT_EQ(Copy.Errors()->Count(), 0);
    auto *Memo = dynamic_cast<TfrxMemoView *>(Copy.FindObject("Memo1"));
    ASSERT_NE(Memo, nullptr);
    EXPECT_EQ(Memo->Text(), WideString(u"[Line#] Итого\r\n"));
    EXPECT_EQ(Memo->Frame()->Typ(), (TfrxFrameTypes{ftLeft, ftBottom}));
    auto *Total = dynamic_cast<TfrxMemoView *>(Copy.FindObject("Memo2"));
    ASSERT_NE(Total, nullptr);
    EXPECT_EQ(Total->FlowTo(), Memo);
    EXPECT_EQ(Total->Highlight()->Condition(), "Value > 0");
    EXPECT_EQ(Copy.Variables()->Count(), 2);
    EXPECT_EQ(VarToStr(Copy.Variables()->Get("when")), "x\r\ny");
    EXPECT_EQ(dynamic_cast<TfrxMasterData *>(Copy.FindObject("MasterData1"))->RowCount(), 5);
    EXPECT_EQ(Copy.ScriptLanguage(), "C++Script");
}

TEST(ComponentTree, AReportReadFromAFormResourceKeepsItsTree)
{
    SampleReport Sample;
    TMemoryStream Resource;
    TWriter(&Resource).WriteRootComponent(&Sample.Report);
    Resource.SetPosition(0);
    TfrxReport Copy(nullptr);
    TReader(&Resource).ReadRootComponent(&Copy);
    EXPECT_EQ(TreeText(Copy), TreeText(Sample.Report));
    auto *Memo = dynamic_cast<TfrxMemoView *>(Copy.FindObject("Memo1"));
    ASSERT_NE(Memo, nullptr);
    EXPECT_EQ(Memo->Parent(), Copy.FindObject("MasterData1"));
    EXPECT_EQ(Memo->Owner(), &Copy);
}

TEST(ComponentTree, AFormResourceHoldsTheReportsCollectionsInTheClassLibrarysForm)
{
    OwnRowsReport Made;
    const AnsiString Resource = Written([&](TStream *S) { WriteFormResource(&Made.Report, S); });
    for (const std::string Name : {"Datasets", "Variables", "Style"}) {
        const std::string Property = char(Name.size()) + Name + char(vaCollection);
        EXPECT_GT(Resource.Pos(AnsiString(Property)), 0) << Name;
    }
}

TEST(ComponentTree, StylesWithoutANameReadBackFromAFormResource)
{
    TfrxReport Report(nullptr);
    Report.Styles()->Add();
    Report.Styles()->Add();
    Report.Styles()->Add()->SetName(Cp("Крупно"));
    TMemoryStream Resource;
    WriteFormResource(&Report, &Resource);
    Resource.SetPosition(0);
    TfrxReport Copy(nullptr);
    TReader(&Resource).ReadRootComponent(&Copy);
    TStringList Names;
    Copy.Styles()->GetList(&Names);
    EXPECT_EQ(Names.CommaText(), Cp(",,Крупно"));
}

namespace
{

// What a report holds: its objects and components, data sets, variables and styles.
std::string Holdings(TfrxReport &Report)
{
    return "objects " + std::to_string(Report.GetAllObjects()->Count()) + ", components " +
           std::to_string(Report.ComponentCount()) + ", data sets " +
           std::to_string(Report.DataSets()->Count()) + ", variables " +
           std::to_string(Report.Variables()->Count()) + ", styles " +
           std::to_string(Report.Styles()->Count());
}

} // namespace

TEST(ComponentTree, AFormResourceCutOffAnywhereLeavesTheReportEmptyAsACutTemplateDoes)
{
    OwnRowsReport Made;
    TfrxReport Fresh(nullptr);
    const std::string Empty = Holdings(Fresh);
    const AnsiString Template = TreeText(Made.Report);
    for (int Length = 0; Length < Template.Length(); ++Length) {
        TfrxReport Report(nullptr);
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        TStringStream Cut(Template.SubString(1, Length));
        if (MessageOf([&] { Report.LoadFromStream(&Cut); }) != "no exception") {
            ASSERT_EQ(Holdings(Report), Empty) << "a template cut after " << Length << " bytes";
        }
    }
    for (TResourceWriter Write : EveryResourceForm) {
        const AnsiString Resource = Written([&](TStream *S) { Write(&Made.Report, S); });
        for (int Length = 0; Length < Resource.Length(); ++Length) {
            TfrxReport Report(nullptr);
            TStringStream Cut(Resource.SubString(1, Length));
            ASSERT_NE(MessageOf([&] { TReader(&Cut).ReadRootComponent(&Report); }), "no exception")
                << Length;
            ASSERT_EQ(Holdings(Report), Empty) << "a resource cut after " << Length << " bytes";
        }
    }
}

TEST(ComponentTree, ObjectsAreFoundInPreOrderWithLatinCaseIgnored)
{
    SampleReport Sample;
    TList *All = Sample.Report.GetAllObjects();
    ASSERT_EQ(All->Count(), 5);
    EXPECT_EQ(All->Items(0), Sample.Page);
    EXPECT_EQ(All->Items(1), Sample.Header);
    EXPECT_EQ(All->Items(2), Sample.Data);
    EXPECT_EQ(All->Items(3), Sample.Memo);
    EXPECT_EQ(Sample.Report.FindObject("mEmO1"), Sample.Memo);
    EXPECT_EQ(Sample.Report.FindObject(Cp("мемо1")), nullptr);
    EXPECT_EQ(Sample.Memo->GetPage(), Sample.Page);
    EXPECT_EQ(Sample.Memo->GetReport(), &Sample.Report);
    EXPECT_EQ(Sample.Memo->Owner(), &Sample.Report);
    EXPECT_DOUBLE_EQ(Sample.Memo->GetAbsTop(), 60);
    EXPECT_EQ(Sample.Memo->BaseName(), "Memo");
    EXPECT_EQ(Sample.Data->BaseName(), "MasterData");
    EXPECT_EQ(Sample.Page->BaseName(), "Page");

    delete Sample.Data;
    EXPECT_EQ(Sample.Report.GetAllObjects()->Count(), 2);
    EXPECT_EQ(Sample.Page->Objects()->Count(), 1);
}

namespace
{

bool Refused(TfrxComponent *C, const char *Name)
{
    try {
        C->SetName(Name);
    } catch (const Exception &E) {
        return E.Message() == frxResources()->Get("prDupl");
    }
    return false;
}

} // namespace

TEST(ComponentTree, ANameTakenAnywhereInTheReportIsRefused)
{
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    auto *Band = new TfrxMasterData(Page);
    auto *Memo = new TfrxMemoView(Band);
    Memo->SetName("Memo1");
    auto *Other = new TfrxMemoView(Page);
    EXPECT_TRUE(Refused(Other, "MEMO1"));
    // Renamed, the old name is free and the new one taken.
    Memo->SetName("Title");
    Other->SetName("Memo1");
    EXPECT_TRUE(Refused(Band, "title"));
    EXPECT_FALSE(Refused(Memo, "TITLE"));
    // An object put into the tree from outside the report's components counts too,
    // with the objects under it, and no longer once it has left.
    auto *Loose = new TfrxMasterData(nullptr);
    Loose->SetName("Loose");
    (new TfrxMemoView(Loose))->SetName("Inner");
    Loose->SetParent(Page);
    EXPECT_TRUE(Refused(Band, "loose"));
    EXPECT_TRUE(Refused(Band, "inner"));
    Loose->SetParent(nullptr);
    EXPECT_FALSE(Refused(Band, "Inner"));
    Band->SetName("MasterData1");
    delete Loose;
    // A freed object's name is free.
    EXPECT_TRUE(Refused(Band, "Memo1"));
    delete Other;
    EXPECT_FALSE(Refused(Band, "Memo1"));
    EXPECT_EQ(Report.FindObject("memo1"), Band);
    EXPECT_EQ(Report.FindObject("Title"), Memo);
}

TEST(ComponentTree, AReportIsRefusedTheNameOfOneOfItsObjects)
{
    TfrxReport Report(nullptr);
    Report.SetName("frxReport1");
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    EXPECT_TRUE(Refused(&Report, "PAGE1"));
    EXPECT_EQ(Report.Name(), "frxReport1");
    EXPECT_FALSE(Refused(&Report, "frxReport2"));
    EXPECT_EQ(Report.FindObject("frxReport2"), nullptr) << "a report is not its own object";
    EXPECT_FALSE(Refused(Page, "frxReport2")) << "an object may still take the report's name";
}

TEST(ComponentTree, AUniqueNameTakesTheFirstFreeNumber)
{
    TfrxReport Report(nullptr);
    auto *Band = new TfrxMasterData(new TfrxReportPage(&Report));
    (new TfrxMemoView(Band))->SetName("Memo1");
    (new TfrxMemoView(Band))->SetName("Memo3");
    auto *Third = new TfrxMemoView(Band);
    Third->CreateUniqueName();
    EXPECT_EQ(Third->Name(), "Memo2");
}

TEST(ComponentTree, FontChangesReachChildrenThatFollowTheirParent)
{
    SampleReport Sample;
    TFont Own;
    Own.SetName("Courier New");
    Sample.Total->SetFont(&Own);
    TFont Big;
    Big.SetName("Arial");
    Big.SetSize(14);
    Sample.Page->SetFont(&Big);
    EXPECT_EQ(Sample.Memo->Font()->Size(), 14);
    EXPECT_TRUE(Sample.Memo->ParentFont());
    EXPECT_EQ(Sample.Total->Font()->Name(), "Courier New");
    EXPECT_EQ(Sample.Total->Font()->Size(), Own.Size());
    EXPECT_FALSE(Sample.Page->ParentFont());
}

TEST(ComponentTree, DesignRestrictionsHoldOnlyInTheDesigner)
{
    TfrxReportComponent Designed(nullptr, 0);
    Designed.SetRestrictions(TfrxRestrictions{rfDontMove, rfDontSize});
    Designed.SetLeft(5);
    Designed.SetWidth(5);
    EXPECT_EQ(Designed.Left(), 0);
    EXPECT_EQ(Designed.Width(), 0);
    TfrxReportComponent Plain(nullptr);
    Plain.SetRestrictions(TfrxRestrictions{rfDontMove});
    Plain.SetLeft(5);
    EXPECT_EQ(Plain.Left(), 5);
    Plain.BeforePrint();
    Plain.SetBounds(1, 2, 3, 4);
    Plain.AfterPrint();
    EXPECT_EQ(Plain.Left(), 5);
    EXPECT_EQ(Plain.Height(), 0);
}

TEST(ComponentTree, AssignCopiesThroughTheTemplateForm)
{
    SampleReport Sample;
    TfrxMemoView Copy(nullptr);
    Copy.Assign(Sample.Memo);
    EXPECT_EQ(Copy.Text(), Sample.Memo->Text());
    EXPECT_EQ(Copy.HAlign(), haRight);
    EXPECT_DOUBLE_EQ(Copy.Frame()->Width(), 2.5);
    EXPECT_DOUBLE_EQ(Copy.Width(), 200);
}

TEST(DifferenceText, FloatsHaveATolerance)
{
    TfrxMemoView Template(nullptr), Output(nullptr);
    Template.SetBounds(0, 0, 100, 18);
    Output.SetBounds(0, 20, 100, 18.00005);
    Output.SetWordWrap(false);
    Output.SetText(u"Итого:\r\n200.00\r\n");
    EXPECT_EQ(Output.Diff(&Template), " t=\"20\" u=\"" + AnsiString(std::string("Итого:")) +
                                          "&#13;&#10;200.00\" WordWrap=\"0\"");
    Output.SetHeight(18.0002);
    EXPECT_EQ(Output.Diff(&Template).Pos(" t=\"20\" h=\"18.0002\" u=\""), 1);

    TfrxMasterData Band(nullptr), Same(nullptr);
    EXPECT_EQ(Band.Diff(&Same), " t=\"0\"");

    TfrxMemoView Bold(nullptr), Regular(nullptr);
    Bold.SetText(u"x");
    Regular.SetText(u"x");
    TFont Font;
    Font.Assign(Regular.Font());
    Font.SetStyle(TFontStyles{fsBold});
    Bold.SetFont(&Font);
    TFont Plain;
    Plain.Assign(Regular.Font());
    Regular.SetFont(&Plain);
    EXPECT_EQ(Bold.Diff(&Regular), " Font.Style=\"1\" u=\"x\"");
}

TEST(DifferenceText, AllDiffListsEveryStoredAttribute)
{
    TfrxMemoView Memo(nullptr);
    Memo.SetBounds(1, 2, 3, 4);
    Memo.SetText(u"a");
    EXPECT_EQ(Memo.AllDiff(nullptr), "Left=\"1\" Top=\"2\" Width=\"3\" Height=\"4\" Text=\"a\"");
}

TEST(ReportPage, GeometryFollowsPaperOrientationAndColumns)
{
    TfrxReportPage Page(nullptr);
    EXPECT_EQ(Page.PaperSize(), 9);
    EXPECT_DOUBLE_EQ(Page.PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(Page.Width(), 794);
    EXPECT_DOUBLE_EQ(Page.Height(), 1123);
    Page.SetLeftMargin(10);
    Page.SetRightMargin(20);
    Page.SetTopMargin(30);
    Page.SetBottomMargin(40);
    Page.SetOrientation(poLandscape);
    EXPECT_DOUBLE_EQ(Page.PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(Page.Width(), 1123);
    EXPECT_DOUBLE_EQ(Page.LeftMargin(), 30);
    EXPECT_DOUBLE_EQ(Page.RightMargin(), 40);
    EXPECT_DOUBLE_EQ(Page.TopMargin(), 20);
    EXPECT_DOUBLE_EQ(Page.BottomMargin(), 10);
    Page.SetPaperSize(9);
    EXPECT_DOUBLE_EQ(Page.PaperWidth(), 297);
    Page.SetOrientation(poPortrait);
    EXPECT_DOUBLE_EQ(Page.LeftMargin(), 10);
    EXPECT_DOUBLE_EQ(Page.TopMargin(), 30);
    EXPECT_DOUBLE_EQ(Page.Height(), 1123);
    Page.SetPaperWidth(200);
    EXPECT_EQ(Page.PaperSize(), 256);

    TfrxReportPage Columns(nullptr);
    Columns.SetLeftMargin(10);
    Columns.SetRightMargin(10);
    Columns.SetColumns(2);
    EXPECT_DOUBLE_EQ(Columns.ColumnWidth(), 95);
    EXPECT_EQ(Columns.ColumnPositions()->Text(), "0\r\n95\r\n");

    EXPECT_EQ(TfrxMasterData(nullptr).BandNumber(), 6);
    EXPECT_EQ(TfrxOverlay(nullptr).BandNumber(), 17);
}

TEST(ReportPage, AlignmentPlacesViewsAndStretchesBands)
{
    TfrxReportPage Page(nullptr);
    auto *Band = new TfrxReportTitle(&Page);
    Band->SetHeight(40);
    auto *Left = new TfrxMemoView(Band);
    Left->SetBounds(50, 0, 100, 20);
    Left->SetAlign(baLeft);
    auto *Right = new TfrxMemoView(Band);
    Right->SetBounds(300, 0, 100, 20);
    Right->SetAlign(baRight);
    auto *Fill = new TfrxMemoView(Band);
    Fill->SetBounds(-5, 0, 10, 20);
    Fill->SetAlign(baWidth);
    auto *Bottom = new TfrxMemoView(Band);
    Bottom->SetBounds(500, 25, 10, 10);
    Bottom->SetAlign(baBottom);
    Page.AlignChildren();
    const double Printable = 210 * fr01cm; // not rounded, unlike the page size
    EXPECT_DOUBLE_EQ(Band->Width(), Printable);
    EXPECT_DOUBLE_EQ(Fill->Left(), 0);
    EXPECT_DOUBLE_EQ(Left->Left(), 10);
    EXPECT_DOUBLE_EQ(Right->Left(), Printable - 100);
    EXPECT_DOUBLE_EQ(Fill->Width(), 10);
    EXPECT_DOUBLE_EQ(Bottom->Top(), 30);
    EXPECT_DOUBLE_EQ(Page.Width(), 794);
}

TEST(DataSets, RangeAndNavigation)
{
    TfrxUserDataSet DataSet(nullptr);
    int NextCalls = 0;
    DataSet.OnNext = [&](TObject *) { ++NextCalls; };
    DataSet.SetRangeEnd(reCount);
    DataSet.SetRangeEndCount(3);
    DataSet.First();
    EXPECT_EQ(DataSet.RecNo(), 0);
    EXPECT_FALSE(DataSet.Eof());
    for (int i = 0; i < 3; ++i)
        DataSet.Next();
    EXPECT_EQ(DataSet.RecNo(), 3);
    EXPECT_TRUE(DataSet.Eof());
    EXPECT_EQ(NextCalls, 2);
    EXPECT_EQ(DataSet.RecordCount(), 3);
    DataSet.SetRangeEndCount(0);
    DataSet.First();
    EXPECT_TRUE(DataSet.Eof());
    DataSet.SetRangeEnd(reLast);
    EXPECT_FALSE(DataSet.Eof());
    EXPECT_EQ(DataSet.RecordCount(), 0);
    DataSet.OnCheckEOF = [](TObject *, bool &Eof) { Eof = true; };
    EXPECT_TRUE(DataSet.Eof());
}

TEST(DataSets, NamesAliasesAndValues)
{
    TComponent Form(nullptr);
    auto *DataSet = new TfrxUserDataSet(&Form);
    DataSet->SetName("Data");
    EXPECT_EQ(DataSet->UserName(), "Data");
    DataSet->SetName("Rows");
    EXPECT_EQ(DataSet->UserName(), "Rows");
    try {
        DataSet->SetUserName("  ");
        ADD_FAILURE();
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message(), frxResources()->Get("prInvProp"));
    }
    EXPECT_EQ(DataSet->UserName(), "Rows");
    DataSet->SetUserName("Alias");
    DataSet->SetName("Other");
    EXPECT_EQ(DataSet->UserName(), "Alias");

    DataSet->Fields()->SetText("price\r\nname");
    EXPECT_TRUE(DataSet->HasField("PRICE"));
    EXPECT_EQ(DataSet->FieldsCount(), 2);
    EXPECT_TRUE(VarIsNull(DataSet->GetValue("price")));
    EXPECT_EQ(DataSet->GetDisplayText("price"), "");
    DataSet->OnGetValue = [&](const AnsiString &Name, Variant &Value) {
        if (Name == "price") Value = 12.5;
    };
    EXPECT_DOUBLE_EQ(DataSet->GetValue("price").AsDouble(), 12.5);

    TfrxReport First(&Form), Second(&Form);
    auto *Own = new TfrxUserDataSet(&Second);
    Own->SetName("Own");
    Own->SetUserName("Alias");
    EXPECT_EQ(frxFindDataSet(nullptr, "alias", &First), DataSet);
    EXPECT_EQ(frxFindDataSet(nullptr, "Alias", &Second), DataSet);
    EXPECT_EQ(frxFindDataSet(nullptr, "", &Second), nullptr);
    EXPECT_EQ(frxFindDataSet(Own, "nobody", &Second), Own);
    // Each report finds its own of two that share a name; the form, the first made.
    auto *OfSecond = new TfrxUserDataSet(&Second);
    OfSecond->SetName("Data");
    auto *OfFirst = new TfrxUserDataSet(&First);
    OfFirst->SetName("Data");
    EXPECT_EQ(frxFindDataSet(nullptr, "data", &First), OfFirst);
    EXPECT_EQ(frxFindDataSet(nullptr, "data", &Second), OfSecond);
    EXPECT_EQ(frxFindDataSet(nullptr, "data", &Form), OfSecond);
    TStringList List;
    frxGetDataSetList(&List);
    EXPECT_GE(List.IndexOf("Alias"), 0);
}

TEST(Styles, NamesAreUniqueAndFilesRoundTrip)
{
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    auto *Band = new TfrxReportTitle(Page);
    auto *Memo = new TfrxMemoView(Band);
    TfrxStyles *Styles = Report.Styles();
    TfrxStyleItem *Red = Styles->Add();
    Red->SetName("Red");
    Red->SetColor(clRed);
    TfrxStyleItem *Other = Styles->Add();
    Other->CreateUniqueName();
    EXPECT_EQ(Other->Name(), "Style1");
    try {
        Other->SetName("red");
        ADD_FAILURE();
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message(), "Duplicate name");
    }
    EXPECT_EQ(Other->Name(), "Style1");
    Memo->SetStyle("RED");
    EXPECT_EQ(Memo->Color(), clRed);

    Styles->SetName("Look");
    const AnsiString Text = Written([&](TStream *S) { Styles->SaveToStream(S); });
    EXPECT_EQ(Text.Pos("\r\n<style Name=\"Look\">\r\n"), 39);
    TfrxStyles Loaded;
    TStringStream In(Text);
    Loaded.LoadFromStream(&In);
    EXPECT_EQ(Loaded.Name(), "Look");
    ASSERT_EQ(Loaded.Count(), 2);
    EXPECT_EQ(Loaded.Find("red")->Color(), clRed);

    TfrxStyleSheet Sheet;
    Sheet.Add()->Assign(Styles);
    Sheet.Items(0)->SetName("Look");
    const AnsiString SheetText = Written([&](TStream *S) { Sheet.SaveToStream(S); });
    TfrxStyleSheet Back;
    TStringStream SheetIn(SheetText);
    Back.LoadFromStream(&SheetIn);
    ASSERT_EQ(Back.Count(), 1);
    EXPECT_EQ(Back.IndexOf("LOOK"), 0);
    EXPECT_EQ(Back.Items(0)->Count(), 2);
}

TEST(Styles, AMemoKeepsAStyleNameTheReportLacksUntilTheStylesAreApplied)
{
    TfrxReport Report(nullptr);
    auto *Band = new TfrxReportTitle(new TfrxReportPage(&Report));
    auto *Memo = new TfrxMemoView(Band);
    Memo->SetColor(clYellow);
    Memo->SetStyle("Heading");
    EXPECT_EQ(Memo->Style(), "Heading");
    EXPECT_EQ(Memo->Color(), clYellow);

    // The style arrives later, as it does when a template is read.
    TfrxStyleItem *Heading = Report.Styles()->Add();
    Heading->SetName("Heading");
    Heading->SetColor(clNavy);
    Heading->Font()->SetSize(14);
    Report.Styles()->Apply();
    EXPECT_EQ(Memo->Style(), "Heading");
    EXPECT_EQ(Memo->Color(), clNavy);
    EXPECT_EQ(Memo->Font()->Size(), 14);

    Report.Styles()->Clear();
    Report.Styles()->Apply();
    EXPECT_EQ(Memo->Style(), "") << "only applying the styles drops a name that is gone";
    EXPECT_EQ(Memo->Color(), clNavy) << "and the memo keeps its look";
}

TEST(Styles, ApplyStyleTakesColourFontAndFrameWithoutTouchingTheName)
{
    TfrxMemoView Memo(nullptr);
    TfrxStyles Styles;
    TfrxStyleItem *Boxed = Styles.Add();
    Boxed->SetName("Boxed");
    Boxed->SetColor(clSilver);
    Boxed->Font()->SetName("Courier New");
    Boxed->Frame()->SetTyp(TfrxFrameTypes{ftLeft, ftTop});
    Memo.ApplyStyle(Boxed);
    EXPECT_EQ(Memo.Color(), clSilver);
    EXPECT_EQ(Memo.Font()->Name(), "Courier New");
    EXPECT_EQ(Memo.Frame()->Typ(), (TfrxFrameTypes{ftLeft, ftTop}));
    EXPECT_EQ(Memo.Style(), "");
    Memo.ApplyStyle(nullptr);
    EXPECT_EQ(Memo.Color(), clSilver);
}

TEST(Report, OptionsSurviveLoadingExceptTheTemplatesOwn)
{
    TfrxReport Source(nullptr);
    Source.EngineOptions()->SetDoublePass(true);
    Source.EngineOptions()->SetMaxMemSize(99);
    const AnsiString Text = Written([&](TStream *S) { Source.SaveToStream(S); });
    TfrxReport Target(nullptr);
    Target.EngineOptions()->SetNewSilentMode(simReThrow);
    Target.SetIniFile("my.ini");
    TStringStream In(Text);
    Target.LoadFromStream(&In);
    EXPECT_TRUE(Target.EngineOptions()->DoublePass());
    EXPECT_EQ(Target.EngineOptions()->MaxMemSize(), 10);
    EXPECT_EQ(Target.EngineOptions()->NewSilentMode(), simReThrow);
    EXPECT_EQ(Target.IniFile(), "my.ini");
    EXPECT_EQ(Target.Version(), "3.20");
    Target.SetVersion("1.0");
    EXPECT_EQ(Target.Version(), "3.20");

    Target.EngineOptions()->SetSilentMode(true);
    EXPECT_EQ(Target.EngineOptions()->NewSilentMode(), simSilent);
    Target.EngineOptions()->SetNewSilentMode(simReThrow);
    EXPECT_FALSE(Target.EngineOptions()->SilentMode());
}

TEST(Report, PreparingWithoutTheEngineFailsClearlyAndRestoresTheTemplate)
{
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simReThrow);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    int Began = 0;
    Report.OnBeginDoc = [&](TObject *) {
        ++Began;
        Report.FindObject("Page1")->SetName("Changed");
    };
    EXPECT_THROW(Report.PrepareReport(), Exception);
    EXPECT_EQ(Began, 1);
    EXPECT_NE(Report.FindObject("Page1"), nullptr);
    EXPECT_EQ(Report.FindObject("Changed"), nullptr);
    EXPECT_THROW(Report.Print(), Exception);
}

TEST(Report, FilesLoadAndSave)
{
    TempFolder Folder;
    TfrxReport Report(nullptr);
    EXPECT_FALSE(Report.LoadFromFile(Folder.Path("missing.fr3")));
    EXPECT_THROW(Report.LoadFromFile(Folder.Path("missing.fr3"), true), Exception);
    new TfrxReportPage(&Report);
    const AnsiString File = Folder.Path("r.fr3");
    Report.SaveToFile(File);
    TfrxReport Loaded(nullptr);
    EXPECT_TRUE(Loaded.LoadFromFile(File));
    EXPECT_EQ(Loaded.PagesCount(), 1);
    EXPECT_EQ(Loaded.FileName(), File);
    EXPECT_FALSE(Loaded.LoadFromFile(Folder.Path("missing.fr3")));
    EXPECT_EQ(Loaded.PagesCount(), 0) << "a missing file leaves an empty report";
    EXPECT_EQ(Loaded.FileName(), "");
    EXPECT_NE(dynamic_cast<TRegistryIniFile *>(Report.GetIniFile().get()), nullptr);
    Report.SetIniFile(Folder.Path("settings.ini"));
    EXPECT_NE(dynamic_cast<TIniFile *>(Report.GetIniFile().get()), nullptr);
}

// A template far larger than any is refused, naming the file and why, without being read; the
// report that was open stays as it was.
TEST(Report, ATemplateAboveTheLimitIsRefusedAndTheOpenReportKept)
{
    TempFolder Folder;
    const AnsiString Huge = Folder.Path("huge.fr3");
    ASSERT_NO_FATAL_FAILURE(
        testsupport::MakeSparseFile(rtl::SystemPath(Huge), 8 * testsupport::GiB));
    TfrxReport Report(nullptr);
    new TfrxReportPage(&Report);
    try {
        Report.LoadFromFile(Huge);
        FAIL() << "no exception";
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.Message(),
                  "Cannot open file \"" + Huge + "\". " + SysErrorMessage(rtl::TooLargeFileError));
    }
    EXPECT_EQ(Report.PagesCount(), 1);
}

// A full disk in the middle of the save left the template cut short.
TEST(Report, AFailedSaveKeepsTheOldTemplate)
{
    TempFolder Folder;
    TfrxReport Report(nullptr);
    AddPageAndBand(Report);
    const AnsiString File = Folder.Path("r.fr3");
    Report.SaveToFile(File);
    const AnsiString Before = FileText(File);
    new TfrxReportPage(&Report);
    {
        testsupport::FileSizeLimit Full(Before.Length() / 2);
        EXPECT_THROW(Report.SaveToFile(File), EFCreateError);
    }
    EXPECT_EQ(FileText(File), Before);
    TfrxReport Loaded(nullptr);
    EXPECT_TRUE(Loaded.LoadFromFile(File));
    EXPECT_EQ(Loaded.PagesCount(), 1);
}

TEST(Report, AnEntryFoundByItsDataSetsNameGoesWhenTheDataSetIsFreed)
{
    TComponent Form(nullptr);
    TfrxReport Report(&Form);
    // On another form: no owner in common tells the report the data set is gone.
    TComponent DataModule(nullptr);
    auto *Rows = new TfrxUserDataSet(&DataModule);
    Rows->SetUserName("Rows");
    TfrxDataSetItem *Entry = Report.DataSets()->Add(nullptr);
    Entry->SetDataSetName("Rows");
    ASSERT_EQ(Entry->DataSet(), Rows);
    delete Rows;
    EXPECT_EQ(Report.DataSets()->Count(), 0);
    EXPECT_EQ(Report.DataSets()->Find("Rows"), nullptr);
}
