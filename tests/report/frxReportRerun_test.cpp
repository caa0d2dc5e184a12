// A report prepared again prints from its template as stored, whatever the
// last run's script changed in it: the run is checked through the real engine
// and the pages it prepares.

#include "report/frxClass.h"
#include "report_output/frxDMPClass.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/Graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using enginetest::TBuilder;

// A template made for the runs below, with whatever it needs alive beside it.
class TTemplate
{
public:
    virtual ~TTemplate() = default;
    virtual TfrxReport *Report() = 0;
};

// A report whose script changes the template when the host answers Change = 1.
struct ChangingReport : TTemplate {
    explicit ChangingReport(const AnsiString &Script)
    {
        Build.Report->OnGetValue = [this](const AnsiString &Name, Variant &Value) {
            if (Name == "Change") Value = Change;
        };
        Build.Report->ScriptText()->SetText(Script);
    }
    TfrxReport *Report() override { return Build.Report.get(); }

    // The prepared pages as the preview and the printer get them.
    AnsiString Run(int ChangeAnswer)
    {
        Change = ChangeAnswer;
        EXPECT_TRUE(Build.Prepare()) << Build.Errors();
        return Written([this](TStream *S) { Build.Pages()->SaveToStream(S); });
    }

    template <class T> T *Find(const char *Name)
    {
        return static_cast<T *>(Build.Report->FindObject(Name));
    }

    TBuilder Build;
    int Change = 0;
};

// Memos, a picture and the page, changed by the script in properties a template leaves out.
std::unique_ptr<ChangingReport> ChangingManyProperties(const AnsiString &PictureFile)
{
    auto R = std::make_unique<ChangingReport>(
        "procedure Memo2OnBeforePrint(Sender: TfrxComponent);\r\n"
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
    auto *Title = R->Build.Band<TfrxReportTitle>("ReportTitle1", 0, 100);
    TBuilder::Memo(Title, "Memo1", "[1 + 1]", 0, 0, 200, 18);
    auto *Memo2 = TBuilder::Memo(Title, "Memo2", "two", 0, 20, 200, 18);
    Memo2->SetOnBeforePrint("Memo2OnBeforePrint");
    Memo2->Frame()->SetDropShadow(true);
    auto *Picture = new TfrxPictureView(Title);
    Picture->SetName("Picture1");
    Picture->SetBounds(0, 40, 20, 20);
    return R;
}

// A script whose main block runs Statement when the host answers Change = 1.
AnsiString WhenChanged(const char *Statement)
{
    return AnsiString("begin\r\n  if Get('Change') = 1 then ") + Statement + ";\r\nend.";
}

std::unique_ptr<ChangingReport> ChangingAHighlight()
{
    auto R = std::make_unique<ChangingReport>(WhenChanged("Memo1.Highlight.Condition := 'True'"));
    auto *Title = R->Build.Band<TfrxReportTitle>("ReportTitle1", 0, 40);
    TBuilder::Memo(Title, "Memo1", "lit", 0, 0, 200, 18)->Highlight()->SetColor(clYellow);
    return R;
}

std::unique_ptr<ChangingReport> ChangingADotMatrixStyle()
{
    auto R =
        std::make_unique<ChangingReport>(WhenChanged("DMPMemo1.FontStyle := fsxBold or fsxWide"));
    R->Build.Report->SetDotMatrixReport(true);
    delete R->Build.Page;
    auto *Page = new TfrxDMPPage(R->Build.Report.get());
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
    TStringStream Template(Written([&](TStream *S) { R->Build.Report->SaveToStream(S); }));
    R->Build.Report->LoadFromStream(&Template);
    return R;
}

std::unique_ptr<ChangingReport> ChangingADataSetAlias()
{
    auto R = std::make_unique<ChangingReport>(WhenChanged("Rows.UserName := 'Renamed'"));
    auto *Rows = new TfrxUserDataSet(R->Build.Report.get());
    Rows->SetName("Rows");
    Rows->SetRangeEnd(reCount);
    Rows->SetRangeEndCount(2);
    R->Build.Report->DataSets()->Add(Rows);
    auto *Band = R->Build.Band<TfrxMasterData>("MasterData1", 0, 20);
    Band->SetDataSet(Rows);
    TBuilder::Memo(Band, "RowMemo", "row [Line]");
    return R;
}

TEST(ReportRerun, ObjectsTheScriptChangedPrintAsStoredInTheNextRun)
{
    TempFolder Folder;
    const AnsiString PictureFile = Folder.Path("dot.bmp");
    {
        TBitmap Bitmap;
        Bitmap.SetSize(3, 2);
        Bitmap.SaveToFile(PictureFile);
    }
    auto R = ChangingManyProperties(PictureFile);

    const AnsiString First = R->Run(0);
    ASSERT_NE(R->Run(1), First) << "the script's changes show in its own run";
    EXPECT_EQ(R->Run(0), First);

    auto *Memo1 = R->Find<TfrxMemoView>("Memo1");
    EXPECT_EQ(Memo1->GapX(), 2);
    EXPECT_EQ(Memo1->LineSpacing(), 2);
    EXPECT_EQ(Memo1->Frame()->Width(), 1);
    EXPECT_EQ(Memo1->Highlight()->Condition(), "");
    EXPECT_EQ(Memo1->CharSpacing(), 0);
    EXPECT_EQ(Memo1->ParagraphGap(), 0);
    EXPECT_EQ(Memo1->ExpressionDelimiters(), "[,]");
    EXPECT_EQ(Memo1->Font()->Size(), 10);
    auto *Memo2 = R->Find<TfrxMemoView>("Memo2");
    EXPECT_EQ(Memo2->GapY(), 1);
    EXPECT_EQ(Memo2->Frame()->ShadowWidth(), 4);
    EXPECT_EQ(R->Find<TfrxPictureView>("Picture1")->Picture()->Width(), 0);
    EXPECT_TRUE(R->Build.Page->ParentFont()) << "the page's font follows the report again";
}

TEST(ReportRerun, AHighlightOneRunSwitchedOnStaysOffInTheNext)
{
    auto R = ChangingAHighlight();
    const AnsiString First = R->Run(0);
    ASSERT_NE(R->Run(1), First);
    EXPECT_EQ(R->Run(0), First);
}

TEST(ReportRerun, ADotMatrixMemosStyleComesBackAsStored)
{
    auto R = ChangingADotMatrixStyle();
    const AnsiString First = R->Run(0);
    ASSERT_NE(R->Run(1), First);
    EXPECT_EQ(R->Run(0), First);
    EXPECT_EQ(R->Find<TfrxDMPMemoView>("DMPMemo1")->FontStyle(), TfrxDMPFontStyles());
}

// Reading it anew starts from a fresh data set, whose empty alias its own setter refuses.
TEST(ReportRerun, ADataSetOfTheReportComesBackWithItsAlias)
{
    auto R = ChangingADataSetAlias();
    const AnsiString First = R->Run(0);
    R->Run(1);
    EXPECT_EQ(R->Run(0), First);
    EXPECT_EQ(R->Find<TfrxUserDataSet>("Rows")->UserName(), "Rows");
    EXPECT_EQ(R->Build.Report->Errors()->Count(), 0) << R->Build.Errors();
}

// A title band with a child band, and a memo whose lines that do not fit go on to a memo
// of the summary: both links are references the template stores by name.
struct LinkedReport : TTemplate {
    LinkedReport()
    {
        Title = Build.Band<TfrxReportTitle>("ReportTitle1", 0, 40);
        First = TBuilder::Memo(Title, "Memo1", "first\r\nsecond\r\nthird\r\nfourth", 0, 0, 200, 19);
        Child = Build.Band<TfrxChild>("Child1", 60, 20);
        TBuilder::Memo(Child, "ChildMemo", "child");
        Title->SetChild(Child);
        auto *Summary = Build.Band<TfrxReportSummary>("ReportSummary1", 100, 100);
        First->SetFlowTo(TBuilder::Memo(Summary, "FlowTo1", "", 0, 0, 200, 90));
    }
    TfrxReport *Report() override { return Build.Report.get(); }

    // The bands printed and the texts of the two linked memos.
    std::vector<std::string> Run()
    {
        EXPECT_TRUE(Build.Prepare()) << Build.Errors();
        std::vector<std::string> Seen = enginetest::Layout(Build.Pages(), 0);
        for (const char *Band : {"ReportTitle1", "ReportSummary1"})
            for (const std::string &Text : enginetest::TextsOf(Build.Pages(), 0, Band))
                Seen.push_back(Band + (": " + Text));
        return Seen;
    }

    TBuilder Build;
    TfrxReportTitle *Title;
    TfrxMemoView *First;
    TfrxChild *Child;
};

// The objects of the report that some other component owns, and the components the
// report owns outside its tree.
std::vector<std::string> OwnedAmiss(TfrxReport *Report)
{
    std::vector<std::string> Result;
    TList *All = Report->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(All->Items(i));
        if (C->Owner() != Report) Result.push_back(C->Name().ToStd());
    }
    for (int i = 0; i < Report->ComponentCount(); ++i)
        if (All->IndexOf(Report->Components(i)) < 0)
            Result.push_back("stray " + Report->Components(i)->Name().ToStd());
    return Result;
}

TEST(ReportRerun, LinksBetweenObjectsHoldInEveryRun)
{
    LinkedReport R;
    const std::vector<std::string> First = R.Run();
    ASSERT_NE(std::find(First.begin(), First.end(), "Child1@40.00"), First.end());
    ASSERT_NE(std::find(First.begin(), First.end(), "ReportSummary1: second\r\nthird\r\nfourth"),
              First.end());
    R.Run();
    EXPECT_EQ(R.Run(), First);

    EXPECT_EQ(R.Title->Child(), R.Child);
    ASSERT_NE(R.First->FlowTo(), nullptr);
    EXPECT_EQ(R.First->FlowTo()->Name(), "FlowTo1");
    EXPECT_EQ(R.Build.Report->FindComponent("FlowTo1"), R.First->FlowTo());
    EXPECT_EQ(OwnedAmiss(R.Build.Report.get()), std::vector<std::string>());
}

TEST(ReportRerun, ATemplateSavedAfterARunKeepsItsLinks)
{
    TempFolder Folder;
    LinkedReport R;
    R.Build.Report->SaveToFile(Folder.Path("before.fr3"));
    R.Run();
    R.Build.Report->SaveToFile(Folder.Path("after.fr3"));
    EXPECT_EQ(FileText(Folder.Path("after.fr3")), FileText(Folder.Path("before.fr3")));

    TfrxReport Loaded(nullptr);
    Loaded.LoadFromFile(Folder.Path("after.fr3"));
    auto *Title = static_cast<TfrxBand *>(Loaded.FindObject("ReportTitle1"));
    auto *First = static_cast<TfrxMemoView *>(Loaded.FindObject("Memo1"));
    ASSERT_TRUE(Title && First);
    EXPECT_EQ(Title->Child(), Loaded.FindObject("Child1"));
    EXPECT_EQ(First->FlowTo(), Loaded.FindObject("FlowTo1"));
}

// ---- a report in memory against its saved template ----

using TPrinted = std::vector<std::vector<std::string>>;

// The memo texts of each prepared page, band by band.
TPrinted PrintedTexts(TfrxReport *Report)
{
    EXPECT_TRUE(Report->PrepareReport(true)) << Report->Errors()->Text().ToUtf8();
    TPrinted Result;
    for (int i = 0; i < Report->PreviewPages()->Count(); ++i) {
        std::vector<std::string> &Page = Result.emplace_back();
        for (const enginetest::TShown &Band : enginetest::Shown(Report->PreviewPages(), i))
            Page.insert(Page.end(), Band.Texts.begin(), Band.Texts.end());
    }
    return Result;
}

// What a report read from Report's saved template prints.
TPrinted PrintedFromItsTemplate(TfrxReport *Report)
{
    TStringStream Template(Written([&](TStream *S) { Report->SaveToStream(S); }));
    TfrxReport Copy(nullptr);
    Copy.EngineOptions()->SetNewSilentMode(simSilent);
    Copy.LoadFromStream(&Template);
    return PrintedTexts(&Copy);
}

// A title on the first page with room for subreports, and the pages "PageA" and "PageB",
// each one row of its letter.
struct SubreportPages {
    SubreportPages()
    {
        Title = Build.Band<TfrxReportTitle>("ReportTitle1", 0, 100);
        TBuilder::Memo(Title, "TitleMemo", "title");
        First = AddSubreport("Subreport1", 20);
        A = AddPage("A");
        B = AddPage("B");
    }

    TfrxSubreport *AddSubreport(const char *Name, double Top)
    {
        auto *Result = new TfrxSubreport(Title);
        Result->SetName(Name);
        Result->SetBounds(0, Top, 200, 20);
        return Result;
    }

    TfrxReportPage *AddPage(const std::string &Letter)
    {
        auto *Page = new TfrxReportPage(Build.Report.get());
        Page->SetName(("Page" + Letter).c_str());
        auto *Band = new TfrxMasterData(Page);
        Band->SetName(("Row" + Letter).c_str());
        Band->SetRowCount(1);
        Band->SetHeight(20);
        TBuilder::Memo(Band, ("Memo" + Letter).c_str(), Letter.c_str());
        return Page;
    }

    TPrinted Printed() { return PrintedTexts(Build.Report.get()); }
    TPrinted PrintedFromTemplate() { return PrintedFromItsTemplate(Build.Report.get()); }

    TBuilder Build;
    TfrxReportTitle *Title;
    TfrxSubreport *First;
    TfrxReportPage *A;
    TfrxReportPage *B;
};

TEST(SubreportPages, APageASubreportTurnedAwayFromPrintsAsAnOrdinaryPage)
{
    SubreportPages R;
    R.First->SetPage(R.A);
    R.First->SetPage(R.B);
    EXPECT_EQ(R.Printed(), (TPrinted{{"title", "B"}, {"A"}}));
    EXPECT_EQ(R.Printed(), R.PrintedFromTemplate());

    R.First->SetPage(nullptr);
    EXPECT_EQ(R.Printed(), (TPrinted{{"title"}, {"A"}, {"B"}}));
    EXPECT_EQ(R.Printed(), R.PrintedFromTemplate());
}

TEST(SubreportPages, APageStaysASubreportsWhileAnotherSubreportPrintsIt)
{
    SubreportPages R;
    TfrxSubreport *Second = R.AddSubreport("Subreport2", 50);
    R.First->SetPage(R.A);
    Second->SetPage(R.A);
    Second->SetPage(R.B);
    EXPECT_EQ(R.Printed(), (TPrinted{{"title", "A", "B"}}));
    EXPECT_EQ(R.Printed(), R.PrintedFromTemplate());

    Second->SetPage(R.A);
    delete Second;
    EXPECT_EQ(R.Printed(), (TPrinted{{"title", "A"}, {"B"}}));
    EXPECT_EQ(R.Printed(), R.PrintedFromTemplate());
}

TEST(SubreportPages, ASubreportWhosePageIsFreedPrintsNothing)
{
    SubreportPages R;
    R.First->SetPage(R.A);
    auto *OnItsOwnPage = new TfrxSubreport(R.A->FindBand(TfrxMasterData::StaticClass()));
    OnItsOwnPage->SetName("Subreport2");
    OnItsOwnPage->SetPage(R.A);
    delete R.A;
    EXPECT_EQ(R.First->Page(), nullptr);
    EXPECT_EQ(R.Printed(), (TPrinted{{"title"}, {"B"}}));
    EXPECT_EQ(R.Printed(), R.PrintedFromTemplate());
}

TEST(FormResource, AReportReadBackFromItsFormResourcePrintsWhatItPrinted)
{
    frxRegisterOutput();
    OwnRowsReport Made;
    const auto Template = [](TfrxReport &Report) {
        return Written([&](TStream *S) { Report.SaveToStream(S); });
    };
    const TPrinted Printed = PrintedTexts(&Made.Report);
    ASSERT_EQ(Printed, (TPrinted{{"Итого 1: 12.5", "Итого 2: 12.5", "Итого 3: 12.5"}}));
    for (TResourceWriter Write : EveryResourceForm) {
        SCOPED_TRACE(Write == WriteFormResource ? "collections" : "collections as texts");
        TMemoryStream Resource;
        Write(&Made.Report, &Resource);
        Resource.SetPosition(0);
        TfrxReport Copy(nullptr);
        TReader(&Resource).ReadRootComponent(&Copy);
        EXPECT_EQ(PrintedTexts(&Copy), Printed);
        EXPECT_EQ(Template(Copy), Template(Made.Report));
    }
}

} // namespace

// ---- every template the tests and the program have, each run three times ----

namespace
{

// The list the engine tests print: rows "Rows" numbered 1 to 3 under a master band.
struct NumberedRowsTemplate : TTemplate {
    NumberedRowsTemplate()
    {
        Rows.SetRows({{{"n", 1}}, {{"n", 2}}, {{"n", 3}}});
        Build.NumberedRows(Rows);
    }
    TfrxReport *Report() override { return Build.Report.get(); }

    enginetest::TRows Rows{"Rows"};
    TBuilder Build;
};

// The list with a dialog page before it, as the engine tests have it: nothing on it to ask.
struct DialogPageTemplate : NumberedRowsTemplate {
    DialogPageTemplate()
    {
        auto *Dialog = new TfrxDialogPage(Build.Report.get());
        Dialog->SetName("DialogPage1");
        Dialog->SetCaption(Cp("Период"));
        Dialog->SetBorderStyle(bsDialog);
    }
};

// A page, a band of two rows and a memo left without names, as the expression tests make
// them, in a report a form owns.
struct UnnamedTemplate : TTemplate {
    UnnamedTemplate()
    {
        Made.EngineOptions()->SetNewSilentMode(simSilent);
        Made.SetScriptLanguage("C++Script");
        Made.ScriptText()->SetText("{\r\n}");
        auto *Band = new TfrxMasterData(new TfrxReportPage(&Made));
        Band->SetRowCount(2);
        Band->SetHeight(20);
        (new TfrxMemoView(Band))->SetText(u"[Line]");
    }
    TfrxReport *Report() override { return &Made; }

    TComponent Form{nullptr};
    TfrxReport Made{&Form};
};

// The page and band the report tests start from.
struct PageAndBandTemplate : TTemplate {
    PageAndBandTemplate()
    {
        Made.EngineOptions()->SetNewSilentMode(simSilent);
        AddPageAndBand(Made);
    }
    TfrxReport *Report() override { return &Made; }

    TfrxReport Made{nullptr};
};

// The report tests' sample: a header, five rows, a memo flowing into another, variables.
struct SampleTemplate : TTemplate {
    SampleTemplate() { Sample.Report.EngineOptions()->SetNewSilentMode(simSilent); }
    TfrxReport *Report() override { return &Sample.Report; }

    SampleReport Sample;
};

// A stored template read by a report whose owner, as the program's main window does, holds
// the rows it names: three each, every field answering its row's number. The host answers
// the names listed with their place in the list, and types the password a template asks.
class StoredTemplate : public TTemplate
{
public:
    StoredTemplate(std::initializer_list<const char *> RowSets, std::vector<AnsiString> Values)
        : FReport(new TfrxReport(&FHost))
    {
        for (const char *Name : RowSets) {
            auto *Rows = new TfrxUserDataSet(&FHost);
            Rows->SetName(Name);
            Rows->SetRangeEnd(reCount);
            Rows->SetRangeEndCount(3);
            Rows->OnGetValue = [Rows](const AnsiString &, Variant &Value) {
                Value = Rows->RecNo() + 1;
            };
        }
        FReport->EngineOptions()->SetNewSilentMode(simSilent);
        FReport->OnGetValue = [Values](const AnsiString &Name, Variant &Value) {
            const auto Found = std::find(Values.begin(), Values.end(), Name);
            if (Found != Values.end()) Value = static_cast<int>(Found - Values.begin()) + 1;
        };
    }
    TfrxReport *Report() override { return FReport; }

    // A template file, or the report's part of a form resource as the class library
    // streams it.
    void Read(const char *File)
    {
        KnownPassword Typing(FReport);
        TFileStream Stream(AnsiString(QRV4_SOURCE_DIR "/") + File, fmOpenRead | fmShareDenyNone);
        if (AnsiString(File).Pos(".bin") > 0)
            TReader(&Stream).ReadRootComponent(FReport);
        else
            FReport->LoadFromStream(&Stream);
    }

private:
    class KnownPassword
    {
    public:
        explicit KnownPassword(TfrxReport *Report) : FBefore(frxPasswordFormHandler())
        {
            frxPasswordFormHandler() = [Report](AnsiString &Typed) {
                Typed = Report->ReportOptions()->Password();
                return true;
            };
        }
        ~KnownPassword() { frxPasswordFormHandler() = FBefore; }
        KnownPassword(const KnownPassword &) = delete;
        KnownPassword &operator=(const KnownPassword &) = delete;

    private:
        TfrxPasswordFormHandler FBefore;
    };

    TComponent FHost{nullptr};
    TfrxReport *FReport;
};

std::unique_ptr<TTemplate> Stored(const char *File, std::initializer_list<const char *> RowSets,
                                  std::vector<AnsiString> Values = {})
{
    auto Made = std::make_unique<StoredTemplate>(RowSets, std::move(Values));
    Made->Read(File);
    return Made;
}

// The program's three templates, wherever they are kept, with the rows and values the
// program gives each.
std::unique_ptr<TTemplate> List(const char *File)
{
    return Stored(File, {"frxUserDataSetList"}, {"print_date_time"});
}
std::unique_ptr<TTemplate> Receipt(const char *File)
{
    return Stored(File, {"frxUserDataTovcheck"},
                  {"seller_name", "seller_address", "seller_bank", "summa_propis", "total_summa",
                   "tov_check", "date_tov_check"});
}
std::unique_ptr<TTemplate> AddressBook(const char *File)
{
    return Stored(File, {"frxUserDataSetWriter"}, {"print_date_time", "begin_cell", "end_cell"});
}

template <class T> std::unique_ptr<TTemplate> Built()
{
    return std::make_unique<T>();
}
template <auto Make> std::unique_ptr<TTemplate> From()
{
    return Make();
}

struct TemplateCase {
    const char *Name;
    std::unique_ptr<TTemplate> (*Make)();
    // A template that cannot print fails the same way in every run.
    bool Prints = true;
};

// One line per template: the program's three, the files the tests keep, the builders.
const TemplateCase EveryTemplate[] = {
    {"ProgramList", [] { return List("operations/reports/archive_list.xml"); }},
    {"ProgramReceipt", [] { return Receipt("operations/reports/receipt.xml"); }},
    {"ProgramAddressBook", [] { return AddressBook("operations/reports/address_book.xml"); }},
    {"SavedList", [] { return List("tests/fuzz/corpus/report/archive_list.fr3"); }},
    {"SavedReceipt", [] { return Receipt("tests/fuzz/corpus/report/receipt.fr3"); }},
    {"SavedAddressBook", [] { return AddressBook("tests/fuzz/corpus/report/address_book.fr3"); }},
    // The sample's script names Line, which only an expression knows, and does not compile.
    {"SavedSample", [] { return Stored("tests/fuzz/corpus/report/sample.fr3", {"Rows"}); }, false},
    {"FormList", [] { return List("tests/fuzz/corpus/component/archive_list.bin"); }},
    {"FormReceipt", [] { return Receipt("tests/fuzz/corpus/component/receipt.bin"); }},
    {"FormAddressBook", [] { return AddressBook("tests/fuzz/corpus/component/address_book.bin"); }},
    {"FormSample", [] { return Stored("tests/fuzz/corpus/component/report.bin", {"Rows"}); },
     false},
    // A master band without rows is out of place for the engine.
    {"OddPictures", [] { return Stored("tests/fuzz/hostile/report/odd_picture_data.fr3", {}); },
     false},
    {"FormDotMatrix", [] { return Stored("tests/fuzz/corpus/component/dotmatrix.bin", {}); },
     false},
    {"UnknownAndDuplicate",
     [] { return Stored("tests/fuzz/hostile/report/unknown_and_duplicate.fr3", {}); }},
    {"NumberedRows", Built<NumberedRowsTemplate>},
    {"DialogPage", Built<DialogPageTemplate>},
    {"Unnamed", Built<UnnamedTemplate>},
    // Its band has no rows either.
    {"PageAndBand", Built<PageAndBandTemplate>, false},
    {"Sample", Built<SampleTemplate>},
    {"LinkedObjects", Built<LinkedReport>},
    {"ChangingManyProperties",
     []() -> std::unique_ptr<TTemplate> { return ChangingManyProperties("none.bmp"); }},
    {"ChangingAHighlight", From<ChangingAHighlight>},
    {"ChangingADotMatrixStyle", From<ChangingADotMatrixStyle>},
    {"ChangingADataSetAlias", From<ChangingADataSetAlias>},
};

// The first line where two texts part, with its number, or empty when they are equal.
std::string FirstDifference(const AnsiString &Expected, const AnsiString &Actual)
{
    if (Expected == Actual) return std::string();
    std::istringstream A(Expected.ToStd()), B(Actual.ToStd());
    std::string LineA, LineB;
    for (int Line = 1;; ++Line) {
        const bool MoreA = static_cast<bool>(std::getline(A, LineA));
        const bool MoreB = static_cast<bool>(std::getline(B, LineB));
        if (!MoreA) LineA = "(end)";
        if (!MoreB) LineB = "(end)";
        if (LineA != LineB || !MoreA || !MoreB)
            return "line " + std::to_string(Line) + ":\n  was " + LineA + "\n  now " + LineB;
    }
}

// What sits on the report itself other than pages and data sets.
std::vector<std::string> OffThePages(TfrxReport *Report)
{
    std::vector<std::string> Result;
    TList *Children = Report->Objects();
    for (int i = 0; i < Children->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(Children->Items(i));
        if (!dynamic_cast<TfrxPage *>(C) && !dynamic_cast<TfrxDataSet *>(C))
            Result.push_back(C->Name().ToStd());
    }
    return Result;
}

class TemplateRuns : public testing::TestWithParam<TemplateCase>
{
};

TEST_P(TemplateRuns, EachRunStartsFromTheTemplateAsStoredAndPrintsTheSame)
{
    frxRegisterOutput();
    const std::unique_ptr<TTemplate> Made = GetParam().Make();
    TfrxReport *Report = Made->Report();
    ASSERT_EQ(OffThePages(Report), std::vector<std::string>()) << "the template was read as a tree";
    auto Template = [Report] { return Written([&](TStream *S) { Report->SaveToStream(S); }); };
    const AnsiString Stored = Template();
    AnsiString FirstPages, FirstErrors;
    for (int Run = 1; Run <= 3; ++Run) {
        SCOPED_TRACE("run " + std::to_string(Run));
        const bool Printed = Report->PrepareReport(true);
        const AnsiString Errors = Report->Errors()->Text();
        ASSERT_EQ(Printed, GetParam().Prints) << Errors.ToUtf8();
        const AnsiString Pages =
            Written([&](TStream *S) { Report->PreviewPages()->SaveToStream(S); });
        if (Run == 1) {
            FirstPages = Pages;
            FirstErrors = Errors;
        }
        EXPECT_EQ(Errors, FirstErrors);
        EXPECT_EQ(FirstDifference(FirstPages, Pages), "") << "the prepared pages";
        EXPECT_EQ(FirstDifference(Stored, Template()), "") << "the template";
        EXPECT_EQ(OwnedAmiss(Report), std::vector<std::string>());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTemplate, TemplateRuns, testing::ValuesIn(EveryTemplate),
                         [](const testing::TestParamInfo<TemplateCase> &Info) {
                             return std::string(Info.param.Name);
                         });

} // namespace
