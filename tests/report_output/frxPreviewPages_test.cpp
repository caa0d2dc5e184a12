// The prepared-page store: aliases, storing differences and rebuilding pages,
// the cache, double-pass support, the outline, and the prepared-report file.

#include "report_output/frxPreviewPages.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/SysUtils.h"
#include "report/frxXMLSerializer.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace
{

// A page with a header band and a data band holding two memos, the way the
// engine finds a template.
struct Template {
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    TfrxReportPage *Page = nullptr;
    TfrxPageHeader *Header = nullptr;
    TfrxMasterData *Band = nullptr;
    TfrxMemoView *Code = nullptr;
    TfrxMemoView *Hidden = nullptr;

    Template()
    {
        Page = new TfrxReportPage(&Report);
        Page->SetName("Page1");
        Page->SetLeftMargin(10);
        Header = new TfrxPageHeader(Page);
        Header->SetName("PageHeader1");
        Header->SetHeight(30);
        auto *Title = new TfrxMemoView(Header);
        Title->SetName("Title");
        Title->SetText(u"Архив ключей");
        Band = new TfrxMasterData(Page);
        Band->SetName("MasterData1");
        Band->SetHeight(20);
        Code = new TfrxMemoView(Band);
        Code->SetName("Code");
        Code->SetBounds(0, 0, 100, 20);
        Hidden = new TfrxMemoView(Band);
        Hidden->SetName("Hidden");
        Hidden->SetVisible(false);
        new TfrxMemoView(Hidden); // a child of an invisible object
    }
};

// Fills Pages as the engine would: a header and Rows data rows per page.
void Prepare(Template &T, TfrxPreviewPages &Pages, int PageCount, int Rows)
{
    Pages.Initialize();
    Pages.AddSourcePage(T.Page);
    for (int p = 0; p < PageCount; ++p) {
        Pages.AddPage(T.Page);
        T.Header->SetTop(0);
        Pages.AddObject(T.Header);
        for (int r = 0; r < Rows; ++r) {
            T.Band->SetTop(30 + r * 20.5);
            T.Code->SetText(WideString::FromUtf8("Код " + std::to_string(p * 100 + r)));
            Pages.AddObject(T.Band);
        }
    }
    Pages.Finish();
}

AnsiString PageText(TfrxPage *Page)
{
    if (!Page) return "(none)";
    return Written([&](TStream *S) {
        TfrxXMLSerializer Serializer(S);
        Serializer.WriteRootComponent(Page);
    });
}

std::vector<AnsiString> AllPages(TfrxPreviewPages &Pages)
{
    std::vector<AnsiString> Result;
    for (int i = 0; i < Pages.Count(); ++i)
        Result.push_back(PageText(Pages.GetPage(i)));
    return Result;
}

AnsiString Saved(TfrxPreviewPages &Pages)
{
    return Written([&](TStream *S) { Pages.SaveToStream(S); });
}

void LoadText(TfrxPreviewPages &Pages, const AnsiString &Text)
{
    TStringStream Stream(Text);
    Pages.LoadFromStream(&Stream);
}

TfrxComponent *Child(TfrxComponent *Parent, int Index)
{
    return static_cast<TfrxComponent *>(Parent->Objects()->Items(Index));
}

// The decimal separator of a comma locale for the lifetime of the object.
class CommaLocale
{
public:
    CommaLocale() : FBefore(DecimalSeparator) { DecimalSeparator = ','; }
    ~CommaLocale() { DecimalSeparator = FBefore; }
    CommaLocale(const CommaLocale &) = delete;
    CommaLocale &operator=(const CommaLocale &) = delete;

private:
    char FBefore;
};

TEST(PreviewDictionaryTest, AliasesNumberOnFromTheLastFoundProbe)
{
    TfrxDictionary D;
    D.Add("m1", "Page0.Memo1", nullptr);
    EXPECT_EQ(D.CreateUniqueName("m"), "m2");
    D.Add("m3", "Page0.Memo3", nullptr);
    EXPECT_EQ(D.CreateUniqueName("m"), "m2");
    D.Add("m2", "Page0.Memo2", nullptr);
    D.Add("m4", "Page0.Memo4", nullptr);
    D.Clear();
    D.Add("m1", "a", nullptr);
    D.Add("m2", "b", nullptr);
    D.Add("m4", "c", nullptr);
    EXPECT_EQ(D.CreateUniqueName("m"), "m5");
    EXPECT_EQ(D.CreateUniqueName("b"), "b1");
    EXPECT_EQ(D.GetSourceName("m2"), "b");
    EXPECT_EQ(D.GetSourceName("x"), "");
    EXPECT_EQ(D.GetObject("x"), nullptr);
}

TEST(PreviewPagesTest, StoresDifferencesUnderAliasesAndRebuildsPages)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Prepare(T, Pages, 2, 3);
    ASSERT_EQ(Pages.Count(), 2);
    EXPECT_EQ(T.Band->AliasName(), "b2");
    EXPECT_EQ(T.Code->AliasName(), "m2");
    EXPECT_EQ(Pages.Dictionary().GetSourceName("m2"), "Page0.Code");

    TfrxXMLItem *First = Pages.XMLDoc()->Root()->FindItem("previewpages")->Items(0);
    EXPECT_EQ(First->Name(), "page0");
    ASSERT_EQ(First->Count(), 4); // the header and three rows; the hidden memo is not stored
    EXPECT_EQ(First->Items(2)->Name(), "b2");
    EXPECT_EQ(First->Items(2)->Prop("t"), "50.5");
    ASSERT_EQ(First->Items(2)->Count(), 1);

    TfrxPage *Page = Pages.GetPage(1);
    ASSERT_NE(Page, nullptr);
    ASSERT_EQ(Page->Objects()->Count(), 4);
    TfrxComponent *Row = Child(Page, 3);
    EXPECT_EQ(Row->Name(), "MasterData1");
    EXPECT_DOUBLE_EQ(Row->Top(), 71);
    auto *Memo = dynamic_cast<TfrxMemoView *>(Child(Row, 0));
    ASSERT_NE(Memo, nullptr);
    EXPECT_EQ(Memo->Text().ToUtf8(), "Код 102\r\n");
    EXPECT_DOUBLE_EQ(Memo->Width(), 100);
    EXPECT_EQ(dynamic_cast<TfrxReportPage *>(Page)->LeftMargin(), 10);

    EXPECT_EQ(Pages.GetPageSize(0).X, 794);
    EXPECT_EQ(Pages.GetPageSize(0).Y, 1123);
    EXPECT_EQ(Pages.GetPageSize(2).X, 0);
    EXPECT_EQ(Pages.GetPageSize(-1).Y, 0);
    EXPECT_EQ(Pages.GetPage(2), nullptr);
}

TEST(PreviewPagesTest, SavedAndLoadedPagesAreEqual)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Prepare(T, Pages, 3, 4);
    Pages.Outline()->AddItem(Cp("Раздел"), 40);
    T.Report.SetDotMatrixReport(true);
    T.Report.PreviewOptions()->SetOutlineWidth(200);
    const std::vector<AnsiString> Before = AllPages(Pages);
    const AnsiString File = Saved(Pages);

    TComponent Form(nullptr);
    TfrxReport Other(&Form);
    TfrxPreviewPages Loaded(&Other);
    LoadText(Loaded, File);
    EXPECT_EQ(AllPages(Loaded), Before);
    EXPECT_EQ(Loaded.Dictionary().Count(), Pages.Dictionary().Count());
    EXPECT_TRUE(Other.DotMatrixReport());
    EXPECT_EQ(Other.PreviewOptions()->OutlineWidth(), 200);
    AnsiString Text;
    int Page = -5, Top = -5;
    Loaded.Outline()->GetItem(0, Text, Page, Top);
    EXPECT_EQ(Text, Cp("Раздел"));
    EXPECT_EQ(Page, 2);
    EXPECT_EQ(Top, 40);
    // What was loaded saves again to the same pages.
    TfrxPreviewPages Again(&Other);
    LoadText(Again, Saved(Loaded));
    EXPECT_EQ(AllPages(Again), Before);

    // Through a file, with the pages past the second read on demand.
    TempFolder Folder;
    Pages.SaveToFile(Folder.Path("archive.fp3"));
    TfrxPreviewPages FromFile(&Other);
    EXPECT_TRUE(FromFile.LoadFromFile(Folder.Path("archive.fp3")));
    EXPECT_EQ(AllPages(FromFile), Before);
    TStringStream Stream(File);
    FromFile.LoadFromStream(&Stream, true);
    EXPECT_EQ(AllPages(FromFile), Before);
    EXPECT_FALSE(FromFile.LoadFromFile(Folder.Path("absent.fp3")));

    // A file far larger than any prepared report is refused unread, naming it and why; the
    // pages that were loaded stay.
    EXPECT_TRUE(FromFile.LoadFromFile(Folder.Path("archive.fp3")));
    const AnsiString Huge = Folder.Path("huge.fp3");
    ASSERT_NO_FATAL_FAILURE(
        testsupport::MakeSparseFile(rtl::SystemPath(Huge), 8 * testsupport::GiB));
    try {
        FromFile.LoadFromFile(Huge);
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError &E) {
        EXPECT_EQ(E.Message(),
                  "Cannot open file \"" + Huge + "\". " + SysErrorMessage(rtl::TooLargeFileError));
    }
    EXPECT_EQ(AllPages(FromFile), Before);
}

// A full disk in the middle of the save left the prepared report cut short.
TEST(PreviewPagesTest, AFailedSaveKeepsTheOldFile)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Prepare(T, Pages, 1, 2);
    TempFolder Folder;
    const AnsiString File = Folder.Path("kept.fp3");
    Pages.SaveToFile(File);
    const AnsiString Before = FileText(File);
    Prepare(T, Pages, 3, 2);
    {
        testsupport::FileSizeLimit Full(Before.Length() / 2);
        EXPECT_THROW(Pages.SaveToFile(File), EFCreateError);
    }
    EXPECT_EQ(FileText(File), Before);
}

TEST(PreviewPagesTest, NumbersAreWrittenWithAPointInAnyLocale)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    CommaLocale Comma;
    Prepare(T, Pages, 1, 2);
    const int Rows = Pages.GetCurPosition();
    T.Band->SetTop(300.25);
    Pages.AddObject(T.Band);
    Pages.CutObjects(Rows);
    Pages.PasteObjects(12.5, 400.75);
    TfrxXMLItem *Page = Pages.XMLDoc()->Root()->FindItem("previewpages")->Items(0);
    TfrxXMLItem *Pasted = Page->Items(Page->Count() - 1);
    EXPECT_EQ(Pasted->Prop("l"), "12.5");
    EXPECT_EQ(Pasted->Prop("t"), "400.75");
    EXPECT_EQ(Page->Items(2)->Prop("t"), "50.5");
    EXPECT_EQ(Pages.XMLDoc()->Root()->Find("cutted"), -1);

    // A file written under a comma locale by an older writer still reads.
    Pasted->SetProp("t", "410,5");
    EXPECT_DOUBLE_EQ(Pages.GetLastY(), 430.5);
    EXPECT_DOUBLE_EQ(Child(Pages.GetPage(0), 3)->Top(), 410.5);
}

TEST(PreviewPagesTest, CacheKeepsFiftyPagesMostRecentFirst)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Prepare(T, Pages, 52, 1);
    for (int i = 0; i < 50; ++i)
        Pages.GetPage(i);
    EXPECT_EQ(Pages.CacheCount(), 50);
    EXPECT_EQ(Pages.CachedPages().front(), 49);
    TfrxPage *Third = Pages.GetPage(2);
    EXPECT_EQ(Pages.CachedPages()[0], 2);
    EXPECT_EQ(Pages.CachedPages()[47], 49); // the former first took the hit's place
    EXPECT_EQ(Pages.GetPage(2), Third);
    Pages.GetPage(50);
    EXPECT_EQ(Pages.CacheCount(), 50);
    EXPECT_EQ(Pages.CachedPages().front(), 50);
    EXPECT_EQ(Pages.CachedPages().back(), 1);
}

TEST(PreviewPagesTest, FileCacheMovesPagesOutAndBack)
{
    Template T;
    T.Report.EngineOptions()->SetUseFileCache(true);
    T.Report.EngineOptions()->SetMaxMemSize(0);
    TfrxPreviewPages Pages(&T.Report);
    Prepare(T, Pages, 5, 3);
    TfrxXMLItem *Items = Pages.XMLDoc()->Root()->FindItem("previewpages");
    EXPECT_TRUE(Items->Items(0)->Loaded());
    EXPECT_TRUE(Items->Items(1)->Loaded());
    EXPECT_FALSE(Items->Items(2)->Loaded());
    EXPECT_TRUE(Items->Items(3)->Loaded()); // the walk starts before the last page is added
    EXPECT_EQ(Child(Pages.GetPage(2), 2)->Top(), 50.5);
    const std::vector<AnsiString> Before = AllPages(Pages);
    TfrxPreviewPages Loaded(&T.Report);
    LoadText(Loaded, Saved(Pages));
    EXPECT_EQ(AllPages(Loaded), Before);
}

TEST(PreviewPagesTest, SecondPassReplacesTheFirstPassPages)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Pages.AddSourcePage(T.Page);
    Pages.AddPage(T.Page);
    Pages.AddObject(T.Header);
    Pages.BeginPass();
    Pages.AddObject(T.Band);
    Pages.AddPage(T.Page);
    Pages.AddObject(T.Band);
    Pages.Outline()->AddItem("x", 1);
    EXPECT_EQ(Pages.Count(), 2);
    Pages.ClearFirstPassPages();
    EXPECT_EQ(Pages.Count(), 1);
    EXPECT_EQ(Pages.GetCurPosition(), 1);
    EXPECT_EQ(Pages.CurPage, 0);
    // The engine writes over the existing page unless told to add one.
    Pages.CurPage = -1;
    Pages.AddPage(T.Page);
    EXPECT_EQ(Pages.Count(), 1);
    Pages.AddPageAction = apAdd;
    Pages.CurPage = -1;
    Pages.AddPage(T.Page);
    EXPECT_EQ(Pages.Count(), 2);
    EXPECT_EQ(Pages.AddPageAction, apWriteOver);

    TfrxPreviewPages Fresh(&T.Report);
    Fresh.AddSourcePage(T.Page);
    Fresh.BeginPass();
    Fresh.AddPage(T.Page);
    Fresh.Outline()->AddItem("y", 2);
    Fresh.ClearFirstPassPages();
    EXPECT_EQ(Fresh.Count(), 0);
    EXPECT_EQ(Fresh.Outline()->GetCount(), 0);
}

TEST(PreviewPagesTest, EnginesQueriesOnTheCurrentPage)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Pages.AddSourcePage(T.Page);
    Pages.AddPage(T.Page);
    EXPECT_FALSE(Pages.BandExists(T.Band));
    EXPECT_DOUBLE_EQ(Pages.GetLastY(), 0);
    T.Band->SetTop(30);
    Pages.AddObject(T.Band);
    EXPECT_TRUE(Pages.BandExists(T.Band));
    EXPECT_FALSE(Pages.BandExists(T.Header));
    EXPECT_DOUBLE_EQ(Pages.GetLastY(), 50);

    auto *Footer = new TfrxPageFooter(T.Page);
    Footer->SetName("PageFooter1");
    T.Report.SetName("Report");
    Pages.AddToSourcePage(Footer);
    EXPECT_EQ(Footer->AliasName(), "p1");
    Footer->SetTop(1000);
    Pages.AddObject(Footer);
    auto *OtherFooter = new TfrxPageFooter(T.Page);
    EXPECT_TRUE(Pages.BandExists(OtherFooter));
    EXPECT_DOUBLE_EQ(Pages.GetLastY(), 50); // page footers do not count
}

TEST(PreviewPagesTest, EditedPagesAreStoredWhole)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Prepare(T, Pages, 2, 2);
    auto *Page = dynamic_cast<TfrxReportPage *>(Pages.GetPage(0));
    ASSERT_NE(Page, nullptr);
    Child(Page, 1)->SetTop(123);
    Pages.ModifyPage(0, Page);
    TfrxXMLItem *Items = Pages.XMLDoc()->Root()->FindItem("previewpages");
    EXPECT_EQ(Items->Items(0)->Name(), "TfrxReportPage");
    EXPECT_DOUBLE_EQ(Child(Pages.GetPage(0), 1)->Top(), 123);
    EXPECT_EQ(Pages.GetPageSize(0).X, 794);

    Pages.AddEmptyPage(1);
    EXPECT_EQ(Pages.Count(), 3);
    EXPECT_EQ(Pages.GetPage(1)->Objects()->Count(), 0);
    Pages.DeletePage(1);
    Pages.DeletePage(1);
    EXPECT_EQ(Pages.Count(), 1);
    Pages.DeletePage(0);
    EXPECT_EQ(Pages.Count(), 1); // the last page stays

    TfrxPreviewPages Copy(&T.Report);
    T.Report.SetName("Report");
    Copy.AddFrom(&T.Report); // the report has no store of its own here
    EXPECT_EQ(Copy.Count(), 0);
    const std::vector<AnsiString> Before = AllPages(Pages);
    TfrxPreviewPages Loaded(&T.Report);
    LoadText(Loaded, Saved(Pages));
    EXPECT_EQ(AllPages(Loaded), Before);
}

TEST(PreviewOutlineTest, TreeOfItemsWithPagesAndTops)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    TfrxCustomOutline *Outline = Pages.Outline();
    Pages.CurPage = 0;
    Outline->AddItem("A", 10);
    Outline->AddItem("A.1", 20);
    Outline->LevelUp();
    Pages.CurPage = 3;
    Outline->AddItem("A.2", 30);
    Outline->LevelRoot();
    Outline->LevelUp();
    EXPECT_EQ(Outline->GetCount(), 1);
    Outline->LevelDown(0);
    EXPECT_EQ(Outline->GetCount(), 2);
    AnsiString Text;
    int Page = 0, Top = 0;
    Outline->GetItem(1, Text, Page, Top);
    EXPECT_EQ(Text, "A.2");
    EXPECT_EQ(Page, 3);
    EXPECT_EQ(Top, 30);
    Outline->GetItem(7, Text, Page, Top);
    EXPECT_EQ(Text, "A.2");

    TfrxXMLItem *First = Outline->CurItem()->Items(0);
    EXPECT_EQ(Outline->GetCurPosition(), Outline->CurItem()->Items(1));
    Outline->ShiftItems(First, 5);
    Outline->GetItem(1, Text, Page, Top);
    EXPECT_EQ(Page, 4);
    EXPECT_EQ(Top, 5);
}

TEST(PreviewOutlineTest, AShiftFromAnItemWithoutEntriesMovesItsFirstEntryAndNothingElse)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    TfrxCustomOutline *Outline = Pages.Outline();
    Pages.CurPage = 0;
    Pages.AddAnchor("Anchor");
    TfrxXMLItem *Empty = Outline->GetCurPosition(); // the root of an empty outline
    Outline->AddItem("Group", 500);
    Outline->AddItem("Row", 520);
    Outline->LevelUp();
    Outline->ShiftItems(Empty, 40);
    AnsiString Text;
    int Page = 0, Top = 0;
    Outline->LevelRoot();
    Outline->GetItem(0, Text, Page, Top);
    EXPECT_EQ(Page, 1);
    EXPECT_EQ(Top, 40);
    Outline->LevelDown(0);
    Outline->GetItem(0, Text, Page, Top);
    EXPECT_EQ(Text, "Row");
    EXPECT_EQ(Page, 1);
    EXPECT_EQ(Top, 60);
    EXPECT_EQ(Pages.GetAnchorPage("Anchor"), 1);
    EXPECT_EQ(Pages.FindAnchor("Anchor")->Prop("top"), "0");

    // An entry without entries of its own: the first one made under it moves, it stays.
    Pages.CurPage = 2;
    Outline->LevelRoot();
    Outline->AddItem("Outer", 100);
    TfrxXMLItem *Outer = Outline->GetCurPosition();
    Outline->AddItem("Inner", 900);
    Outline->ShiftItems(Outer, 10);
    Outline->LevelRoot();
    Outline->GetItem(1, Text, Page, Top);
    EXPECT_EQ(Text, "Outer");
    EXPECT_EQ(Page, 2);
    EXPECT_EQ(Top, 100);
    Outline->LevelDown(1);
    Outline->GetItem(0, Text, Page, Top);
    EXPECT_EQ(Page, 3);
    EXPECT_EQ(Top, 10);
}

TEST(PreviewOutlineTest, LargePagesAndTopsDoNotOverflow)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    TfrxCustomOutline *Outline = Pages.Outline();
    Pages.CurPage = 2000000;
    Outline->AddItem("long", 5000);
    Outline->LevelUp();
    Pages.CurPage = INT_MAX;
    Outline->AddItem("far", INT_MAX - 1);
    Outline->LevelUp();
    AnsiString Text;
    int Page = 0, Top = 0;
    Outline->GetItem(0, Text, Page, Top);
    EXPECT_EQ(Page, 2000000);
    EXPECT_EQ(Top, 5000);
    Outline->ShiftItems(Outline->CurItem()->Items(0), INT_MIN);
    Outline->GetItem(1, Text, Page, Top);
    EXPECT_EQ(Page, INT_MAX);
    EXPECT_EQ(Top, INT_MIN);
    Outline->CurItem()->Items(1)->SetProp("top", "99999999999999999999");
    Outline->GetItem(1, Text, Page, Top);
    EXPECT_EQ(Top, INT_MIN); // unreadable: left as it was
}

TEST(PreviewAnchorTest, LastAnchorOfATextGivesItsPage)
{
    Template T;
    TfrxPreviewPages Pages(&T.Report);
    Pages.CurPage = 1;
    Pages.AddAnchor(Cp("Ключ"));
    Pages.CurPage = 4;
    Pages.AddAnchor(Cp("КЛЮЧ"));
    EXPECT_EQ(Pages.GetAnchorPage(Cp("ключ")), 5);
    EXPECT_EQ(Pages.GetAnchorPage("none"), 1);
    EXPECT_EQ(Pages.FindAnchor("none"), nullptr);
}

class PreparedFileTest : public ::testing::Test
{
protected:
    AnsiString Good()
    {
        Template T;
        TfrxPreviewPages Pages(&T.Report);
        Prepare(T, Pages, 3, 2);
        Pages.Outline()->AddItem("Outline", 1);
        Pages.AddAnchor("Anchor");
        return Saved(Pages);
    }

    // Refused with an error, and nothing of the file is kept.
    void ExpectRefused(const AnsiString &Text)
    {
        TfrxPreviewPages Pages(&Report);
        EXPECT_THROW(LoadText(Pages, Text), EfrxXMLError) << Text.View();
        EXPECT_EQ(Pages.Count(), 0);
        EXPECT_EQ(Pages.SourcePageCount(), 0);
    }

    TComponent Form{nullptr};
    TfrxReport Report{&Form};
};

TEST_F(PreparedFileTest, InconsistentFilesAreRefused)
{
    const AnsiString File = Good();
    ExpectRefused(StringReplace(File, "<page0", "<page-1", rfReplaceAll));
    ExpectRefused(StringReplace(File, "<page0", "<page7", {}));
    ExpectRefused(StringReplace(File, "<page0", "<pagex", {}));
    ExpectRefused(StringReplace(File, "name=\"Page0.Code\"", "name=\"Page3.Code\"", {}));
    ExpectRefused(StringReplace(File, "name=\"Page0.Code\"", "name=\"Page0.Nothing\"", {}));
    ExpectRefused(StringReplace(File, "name=\"Page0.Code\"", "name=\"Page0Code\"", {}));
    ExpectRefused(StringReplace(File, "preparedreport", "report", rfReplaceAll));
    ExpectRefused("<?xml version=\"1.0\"?><preparedreport><previewpages>");
}

// A language file changes what the store says of a file it refuses, and of printing
// in a program that cannot print.
TEST_F(PreparedFileTest, RefusalsComeFromTheResourceTable)
{
    const AnsiString File = Good();
    auto Refusal = [&](const AnsiString &Text) {
        TfrxPreviewPages Pages(&Report);
        return MessageOf([&] { LoadText(Pages, Text); });
    };
    {
        MarkedTexts Marked{"clBadRPD"};
        EXPECT_EQ(Refusal(StringReplace(File, "page0", "page7", rfReplaceAll)),
                  MarkedTexts::Mark("clBadRPD"));
    }
    MarkedTexts Marked{"clRPDPageClass",    "clRPDNoSourcePage", "clRPDNoSourceObject",
                       "clRPDPageNoSource", "clRPDRoot",         "clNoPrinting"};
    const AnsiString PageNoSource = Refusal(StringReplace(File, "page0", "page7", rfReplaceAll));
    EXPECT_TRUE(Holds(PageNoSource, "clRPDPageNoSource")) << PageNoSource.ToUtf8();
    const AnsiString NoSourcePage =
        Refusal(StringReplace(File, "name=\"Page0.Code\"", "name=\"Page3.Code\"", {}));
    EXPECT_TRUE(Holds(NoSourcePage, "clRPDNoSourcePage")) << NoSourcePage.ToUtf8();
    const AnsiString NoSourceObject =
        Refusal(StringReplace(File, "name=\"Page0.Code\"", "name=\"Page0.Nothing\"", {}));
    EXPECT_TRUE(Holds(NoSourceObject, "clRPDNoSourceObject")) << NoSourceObject.ToUtf8();
    const AnsiString Root = Refusal(StringReplace(File, "preparedreport", "report", rfReplaceAll));
    EXPECT_TRUE(Holds(Root, "clRPDRoot")) << Root.ToUtf8();
    {
        // A program whose build left the page class out.
        struct Unregistered {
            Unregistered() { UnRegisterClass(TfrxReportPage::StaticClass()); }
            ~Unregistered() { RegisterClass(TfrxReportPage::StaticClass()); }
        } Without;
        const AnsiString PageClass = Refusal(File);
        EXPECT_TRUE(Holds(PageClass, "clRPDPageClass")) << PageClass.ToUtf8();
    }

    frxSetPrintPagesHandler(nullptr);
    TfrxPreviewPages Pages(&Report);
    EXPECT_EQ(MessageOf([&] { Pages.Print(); }), MarkedTexts::Mark("clNoPrinting"));
}

TEST_F(PreparedFileTest, DeeplyNestedFilesAreRefused)
{
    ExpectRefused(NestedXML("preparedreport", 100000));
    TfrxPreviewPages Pages(&Report);
    TStringStream Stream(NestedXML("preparedreport", 100000));
    EXPECT_THROW(Pages.LoadFromStream(&Stream, true), EfrxXMLError);
}

TEST_F(PreparedFileTest, DamagedFilesAreRefusedOrLoadWithoutCrashing)
{
    const std::string File = Good().ToStd();
    std::mt19937 Random(20261207);
    const char Specials[] = "<>\"=/&#; 0123456789-.";
    int Refused = 0;
    for (int Round = 0; Round < 300; ++Round) {
        std::string Bytes = File;
        const int Edits = 1 + static_cast<int>(Random() % 4);
        for (int e = 0; e < Edits && !Bytes.empty(); ++e) {
            const std::size_t At = Random() % Bytes.size();
            switch (Random() % 4) {
            case 0:
                Bytes.resize(At);
                break;
            case 1:
                Bytes[At] = Specials[Random() % (sizeof(Specials) - 1)];
                break;
            case 2:
                Bytes.erase(At, 1 + Random() % 12);
                break;
            default:
                Bytes.insert(At, 1, Specials[Random() % (sizeof(Specials) - 1)]);
            }
        }
        TfrxPreviewPages Pages(&Report);
        try {
            LoadText(Pages, AnsiString(Bytes));
        } catch (const Exception &) {
            ++Refused;
            EXPECT_EQ(Pages.Count(), 0);
            continue;
        }
        // Whatever loaded can be shown and measured.
        for (int i = 0; i < Pages.Count(); ++i) {
            Pages.GetPage(i);
            Pages.GetPageSize(i);
        }
        AnsiString Text;
        int Page = 0, Top = 0;
        for (int i = 0; i < Pages.Outline()->GetCount(); ++i)
            Pages.Outline()->GetItem(i, Text, Page, Top);
    }
    EXPECT_GT(Refused, 30);
}

} // namespace

namespace
{

// A small page with a yellow printable area and one red memo per row.
struct ColouredPage {
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    TfrxReportPage *Page;
    TfrxMasterData *Band;
    TfrxMemoView *Memo;
    TfrxPreviewPages Pages{&Report};

    ColouredPage()
    {
        Page = new TfrxReportPage(&Report);
        Page->SetName("Page1");
        Page->SetPaperWidth(50);
        Page->SetPaperHeight(30);
        Page->SetLeftMargin(10);
        Page->SetTopMargin(5);
        Page->SetColor(clYellow);
        Band = new TfrxMasterData(Page);
        Band->SetName("MasterData1");
        Band->SetHeight(20);
        Memo = new TfrxMemoView(Band);
        Memo->SetName("Memo1");
        Memo->SetBounds(20, 0, 30, 10);
        Memo->SetColor(clRed);
        Pages.AddSourcePage(Page);
    }

    void AddRow(double Top)
    {
        Band->SetTop(Top);
        Pages.AddObject(Band);
    }
};

struct Sheet {
    TBitmap Bitmap;
    Sheet()
    {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(200, 120);
    }
    TColor At(int X, int Y) { return Bitmap.Canvas()->Pixels(X, Y); }
};

TEST(PreviewDrawTest, PagesDrawClippedToTheirPaperWithMirroredMargins)
{
    ColouredPage P;
    P.Pages.Clear();
    P.Page->SetMirrorMargins(true);
    P.Pages.AddSourcePage(P.Page);
    P.Pages.AddPage(P.Page);
    P.AddRow(10);
    P.Memo->SetLeft(130); // reaches past the paper's right edge
    P.AddRow(50);
    P.Memo->SetLeft(20);
    P.Pages.AddPage(P.Page);
    P.AddRow(10);
    P.Pages.Finish();

    Sheet First;
    P.Pages.DrawPage(0, First.Bitmap.Canvas(), 1, 1, 0, 0);
    // Margins of 10 and 5 mm put the printable area at 37.8, 18.9 pixels.
    EXPECT_EQ(First.At(20, 10), clWhite);
    EXPECT_EQ(First.At(45, 25), clYellow);
    EXPECT_EQ(First.At(70, 33), clRed);  // 20 + 37.8 .. 50 + 37.8, 10 + 18.9 .. 20 + 18.9
    EXPECT_EQ(First.At(186, 73), clRed); // the second row's memo up to the paper's edge
    EXPECT_EQ(First.At(190, 73), clWhite);
    auto *Drawn = dynamic_cast<TfrxCustomMemoView *>(P.Pages.GetPage(0)->FindObject("Memo1"));
    ASSERT_NE(Drawn, nullptr);
    EXPECT_EQ(Drawn->TotalPages(), 2);

    Sheet Second;
    P.Pages.DrawPage(1, Second.Bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Second.At(25, 33), clRed); // the left margin went to the right
    EXPECT_EQ(Second.At(70, 33), clYellow);
    EXPECT_TRUE(dynamic_cast<TfrxReportPage *>(P.Pages.GetPage(1))->MirrorMargins());
    EXPECT_EQ(dynamic_cast<TfrxReportPage *>(P.Pages.GetPage(1))->LeftMargin(), 10);

    Sheet Half;
    P.Pages.DrawPage(0, Half.Bitmap.Canvas(), 0.5, 0.5, 100, 0);
    EXPECT_EQ(Half.At(135, 17), clRed);
    EXPECT_EQ(Half.At(70, 33), clWhite);
    P.Pages.DrawPage(5, Half.Bitmap.Canvas(), 1, 1, 0, 0); // no such page: nothing
}

TEST(PreviewDrawTest, PointingFindsTheTopmostObjectAndOpensOnlyWebAddresses)
{
    ColouredPage P;
    std::vector<AnsiString> Opened;
    frxSetURLOpener([&](const AnsiString &URL) { Opened.push_back(URL); });
    P.Pages.AddPage(P.Page);
    P.Memo->SetURL("https://example.org/keys?id=1");
    P.AddRow(0);
    P.Memo->SetURL("/usr/bin/xterm");
    P.Memo->SetCursor(crCross);
    P.AddRow(20);
    TCursor Cursor = crDefault;
    P.Pages.ObjectOver(0, 30, 5, mbLeft, {}, 1, 0, 0, false, Cursor);
    EXPECT_EQ(Cursor, crHandPoint);
    EXPECT_TRUE(Opened.empty());
    P.Pages.ObjectOver(0, 30, 5, mbLeft, {}, 1, 0, 0, true, Cursor);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], "https://example.org/keys?id=1");
    Cursor = crDefault;
    P.Pages.ObjectOver(0, 60, 50, mbLeft, {}, 2, 0, 0, true, Cursor);
    EXPECT_EQ(Cursor, crCross);
    EXPECT_EQ(Opened.size(), 1u); // a local program is never started
    Cursor = crDefault;
    P.Pages.ObjectOver(0, 150, 5, mbLeft, {}, 1, 0, 0, true, Cursor);
    P.Pages.ObjectOver(3, 30, 5, mbLeft, {}, 1, 0, 0, true, Cursor);
    EXPECT_EQ(Cursor, crDefault);
    frxSetURLOpener(nullptr);
}

TColor MemoColourOf(TfrxPreviewPages &Pages)
{
    auto *Memo = dynamic_cast<TfrxView *>(Pages.GetPage(0)->FindObject("Memo1"));
    return Memo ? Memo->Color() : clNone;
}

TEST(PreviewDrawTest, AClickedObjectGoesToTheReportAndAChangeItReportsIsKeptInThePage)
{
    ColouredPage P;
    P.Pages.AddPage(P.Page);
    P.AddRow(0);
    P.Pages.Finish();
    std::vector<AnsiString> Clicked;
    bool Keep = false;
    P.Report.OnClickObject = [&](TfrxView *View, TMouseButton, TShiftState, bool &Modified) {
        Clicked.push_back(View->Name());
        View->SetColor(clBlue);
        Modified = Keep;
    };
    TCursor Cursor = crDefault;
    P.Pages.ObjectOver(0, 30, 5, mbLeft, {}, 1, 0, 0, true, Cursor);
    ASSERT_EQ(Clicked, std::vector<AnsiString>{"Memo1"});
    P.Pages.ClearCache();
    EXPECT_EQ(MemoColourOf(P.Pages), clRed) << "a change the handler did not report is dropped";

    Keep = true;
    P.Pages.ObjectOver(0, 30, 5, mbLeft, {}, 1, 0, 0, true, Cursor);
    P.Pages.ClearCache();
    EXPECT_EQ(MemoColourOf(P.Pages), clBlue) << "rebuilt from the store, the page keeps it";
    P.Pages.ObjectOver(0, 150, 25, mbLeft, {}, 1, 0, 0, true, Cursor);
    EXPECT_EQ(Clicked.size(), 2u) << "a click beside every object reaches no handler";
}

TEST(PreviewDrawTest, PointingAtAnObjectTellsTheReportWhichOneWithoutClickingIt)
{
    ColouredPage P;
    P.Pages.AddPage(P.Page);
    P.AddRow(0);
    P.Pages.Finish();
    std::vector<AnsiString> Over;
    int Clicks = 0;
    P.Report.OnMouseOverObject = [&](TfrxView *View) { Over.push_back(View->Name()); };
    P.Report.OnClickObject = [&](TfrxView *, TMouseButton, TShiftState, bool &) { ++Clicks; };
    TCursor Cursor = crDefault;
    P.Pages.ObjectOver(0, 30, 5, mbLeft, {}, 1, 0, 0, false, Cursor);
    P.Pages.ObjectOver(0, 150, 25, mbLeft, {}, 1, 0, 0, false, Cursor);
    EXPECT_EQ(Over, std::vector<AnsiString>{"Memo1"});
    EXPECT_EQ(Clicks, 0);
}

} // namespace

// Three framed cells side by side per row; each row varies what lies on the sides they share.
struct GridPage {
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    TfrxReportPage *Page;
    TfrxMasterData *Band;
    TfrxMemoView *Cells[3];
    TfrxPreviewPages Pages{&Report};

    GridPage()
    {
        Page = new TfrxReportPage(&Report);
        Page->SetName("Page1");
        Page->SetPaperWidth(60);
        Page->SetPaperHeight(80);
        Page->SetLeftMargin(2);
        Page->SetTopMargin(2);
        Band = new TfrxMasterData(Page);
        Band->SetName("MasterData1");
        Band->SetHeight(20);
        const char *Names[] = {"A", "B", "C"};
        for (int i = 0; i < 3; ++i) {
            Cells[i] = new TfrxMemoView(Band);
            Cells[i]->SetName(Names[i]);
            Cells[i]->SetBounds(30 * i, 0, 30, 20);
            Cells[i]->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
        }
        Pages.AddSourcePage(Page);
        Pages.AddPage(Page);
    }

    void AddRow(int Row)
    {
        Band->SetTop(20 * Row);
        Pages.AddObject(Band);
    }

    // The page as drawn when every view draws all of its own sides.
    void DrawEachViewWhole(TCanvas *Canvas, double Scale)
    {
        auto *Built = dynamic_cast<TfrxReportPage *>(Pages.GetPage(0));
        Built->Draw(Canvas, Scale, Scale, 0, 0);
        const double X = Built->LeftMargin() * fr01cm * Scale;
        const double Y = Built->TopMargin() * fr01cm * Scale;
        TList *All = Built->GetAllObjects();
        for (int i = 0; i < All->Count(); ++i)
            if (auto *View = dynamic_cast<TfrxView *>(static_cast<TfrxComponent *>(All->Items(i))))
                View->Draw(Canvas, Scale, Scale, X, Y);
    }
};

TEST(PreviewDrawTest, SharedFrameSidesLookAsWhenEveryViewDrawsItsOwn)
{
    GridPage G;
    TfrxMemoView *A = G.Cells[0], *B = G.Cells[1], *C = G.Cells[2];
    G.AddRow(0);        // plain cells sharing every inner side
    B->SetColor(clRed); // a fill covers the side its left neighbour drew
    G.AddRow(1);
    B->SetColor(clNone);
    A->Frame()->SetTyp({}); // the only frame on the shared side is the right cell's
    G.AddRow(2);
    A->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    A->SetGapY(-4); // text reaching down over the side it shares with the next row
    A->SetVAlign(vaBottom);
    A->SetParentFont(false);
    A->Font()->SetHeight(-14);
    A->Font()->SetColor(clRed);
    A->SetText(u"gjpqy");
    G.AddRow(3);
    A->SetText(u"");
    A->SetGapY(2);
    C->Frame()->SetColor(clBlue); // another colour is drawn over the black
    G.AddRow(4);
    C->Frame()->SetColor(clBlack);
    B->Frame()->SetStyle(fsDash); // dashes leave gaps in a side drawn before
    G.AddRow(5);
    B->Frame()->SetStyle(fsSolid);
    G.AddRow(6);     // and cells after all those share again
    A->SetWidth(60); // under the next two: the middle of a double side is painted over it
    B->Frame()->SetStyle(fsDouble);
    B->SetColor(clYellow);
    G.AddRow(7);
    G.Pages.Finish();

    for (const double Scale : {1.0, 2.0}) {
        SCOPED_TRACE(Scale);
        TBitmap Shared, Whole;
        for (TBitmap *B : {&Shared, &Whole}) {
            B->SetPixelFormat(pf24bit);
            B->SetSize(static_cast<int>(100 * Scale), static_cast<int>(170 * Scale));
        }
        G.Pages.DrawPage(0, Shared.Canvas(), Scale, Scale, 0, 0);
        G.DrawEachViewWhole(Whole.Canvas(), Scale);
        int Differing = 0, Black = 0;
        for (int Y = 0; Y < Shared.Height(); ++Y)
            for (int X = 0; X < Shared.Width(); ++X) {
                Differing += Shared.Canvas()->Pixels(X, Y) != Whole.Canvas()->Pixels(X, Y);
                Black += Shared.Canvas()->Pixels(X, Y) == clBlack;
            }
        EXPECT_EQ(Differing, 0);
        EXPECT_GT(Black, 0);
    }
}

TEST(PreviewDrawTest, DrawnSidesCoverOnlyTheSamePenAlongTheSameLine)
{
    TfrxDrawnSides Sides;
    Sides.Add({true, 10, 0, 20, clBlack, 1});
    EXPECT_TRUE(Sides.Covered({true, 10, 0, 20, clBlack, 1}));
    EXPECT_TRUE(Sides.Covered({true, 10, 5, 20, clBlack, 1}));
    EXPECT_FALSE(Sides.Covered({true, 10, 5, 21, clBlack, 1}));  // reaches further
    EXPECT_FALSE(Sides.Covered({false, 10, 0, 20, clBlack, 1})); // the other direction
    EXPECT_FALSE(Sides.Covered({true, 11, 0, 20, clBlack, 1}));
    EXPECT_FALSE(Sides.Covered({true, 10, 0, 20, clBlue, 1}));
    EXPECT_FALSE(Sides.Covered({true, 10, 0, 20, clBlack, 2}));

    Sides.Add({false, 30, 0, 40, clBlack, 6});
    Sides.Forget(Rect(12, 0, 30, 25)); // two pixels right of the vertical line
    Sides.Forget(Rect(0, 35, 50, 50)); // five below the six-pixel horizontal one
    EXPECT_EQ(Sides.Count(), 2);
    Sides.Forget(Rect(11, 0, 30, 25));
    EXPECT_EQ(Sides.Count(), 1);
    Sides.Forget(Rect(0, 34, 50, 50));
    EXPECT_EQ(Sides.Count(), 0);
    Sides.Add({true, 10, 0, 20, clBlack, 1});
    Sides.ForgetAll();
    EXPECT_FALSE(Sides.Covered({true, 10, 0, 20, clBlack, 1}));
}

// ---- exporting ----

namespace
{

// A filter made for one export: it writes down what it is handed.
class RecordingFilter : public TfrxCustomExportFilter
{
public:
    RecordingFilter() { SetShowDialog(false); }
    TModalResult ShowModal() override
    {
        Log.push_back("dialog");
        return Answer;
    }
    bool Start() override
    {
        Log.push_back("start");
        return Starts;
    }
    void StartPage(TfrxReportPage *, int Index) override
    {
        Log.push_back("page " + std::to_string(Index));
    }
    void ExportObject(TfrxComponent *Obj) override
    {
        if (Obj->Name() == FailOn) throw Exception("disk full");
        std::string Entry = Obj->Name().ToStd();
        if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Obj))
            Entry += "=" + Trim(AnsiString(Memo->Text())).ToUtf8();
        if (auto *Back = dynamic_cast<TfrxPictureView *>(Obj)) {
            BackgroundWidth = Back->Width();
            BackgroundColor = Back->Color();
            BackgroundPicture = Back->Picture()->Width();
        }
        Log.push_back(Entry);
    }
    void FinishPage(TfrxReportPage *, int Index) override
    {
        Log.push_back("end " + std::to_string(Index));
    }
    void Finish() override { Log.push_back("finish"); }

    std::vector<std::string> Log;
    TModalResult Answer = mrOk;
    bool Starts = true;
    AnsiString FailOn;
    double BackgroundWidth = 0;
    TColor BackgroundColor = clNone;
    int BackgroundPicture = 0;
};

// One row of Template on each of three pages, its title naming the page count.
struct ExportedReport {
    Template T;
    TfrxPreviewPages Pages{&T.Report};

    ExportedReport()
    {
        T.Page->SetColor(clAqua);
        TBitmap Picture;
        Picture.SetSize(5, 5);
        T.Page->BackPicture()->Assign(&Picture);
        static_cast<TfrxMemoView *>(T.Report.FindObject("Title"))
            ->SetText(u"Архив ключей из [TOTALPAGES#]");
        Prepare(T, Pages, 3, 1);
    }
};

std::vector<std::string> PageEntries(int Index)
{
    return {"page " + std::to_string(Index),
            "_pagebackground",
            "PageHeader1",
            "Title=Архив ключей из 3",
            "MasterData1",
            "Code=Код " + std::to_string(Index * 100),
            "end " + std::to_string(Index)};
}

} // namespace

TEST(PreviewExportTest, TheFilterGetsEachPageInRangeWithItsBackgroundFirst)
{
    ExportedReport R;
    RecordingFilter Filter;
    Filter.SetPageNumbers("2-");
    ASSERT_TRUE(R.Pages.Export(&Filter));
    std::vector<std::string> Expected{"start"};
    for (int Index : {1, 2})
        for (const std::string &Entry : PageEntries(Index))
            Expected.push_back(Entry);
    Expected.push_back("finish");
    EXPECT_EQ(Filter.Log, Expected);
    EXPECT_EQ(Filter.Report(), &R.T.Report);
    EXPECT_DOUBLE_EQ(Filter.BackgroundWidth, R.T.Page->Width() - 10 * fr01cm);
    EXPECT_EQ(Filter.BackgroundColor, clAqua);
    EXPECT_EQ(Filter.BackgroundPicture, 5);
}

TEST(PreviewExportTest, TheDialogCanCancelAndTheCurrentPageIsTheFirstWithoutAPreview)
{
    ExportedReport R;
    RecordingFilter Cancelled;
    Cancelled.SetShowDialog(true);
    Cancelled.Answer = mrCancel;
    EXPECT_FALSE(R.Pages.Export(&Cancelled));
    EXPECT_EQ(Cancelled.Log, std::vector<std::string>{"dialog"});

    RecordingFilter Current;
    Current.SetCurPage(true);
    R.Pages.CurPreviewPage = 3;
    ASSERT_TRUE(R.Pages.Export(&Current));
    EXPECT_EQ(Current.PageNumbers(), "1");
    EXPECT_EQ(Current.Log[1], "page 0");
    EXPECT_EQ(Current.Log.size(), 9u);
    EXPECT_FALSE(R.Pages.Export(nullptr));
}

TEST(PreviewExportTest, AFilterThatCannotStartOrFailsReportsNoSuccess)
{
    ExportedReport R;
    R.T.Report.EngineOptions()->SetNewSilentMode(simSilent);
    RecordingFilter Refusing;
    Refusing.Starts = false;
    EXPECT_FALSE(R.Pages.Export(&Refusing));
    EXPECT_EQ(Refusing.Log, std::vector<std::string>{"start"});

    std::vector<std::string> Progress;
    R.T.Report.OnProgressStart = [&](TfrxReport *, TfrxProgressType, int) {
        Progress.push_back("start");
    };
    R.T.Report.OnProgressStop = [&](TfrxReport *, TfrxProgressType, int) {
        Progress.push_back("stop");
    };
    RecordingFilter Failing;
    Failing.FailOn = "Code";
    EXPECT_FALSE(R.Pages.Export(&Failing));
    EXPECT_EQ(Progress, (std::vector<std::string>{"start", "stop"}));
    EXPECT_EQ(R.T.Report.Errors()->Text(), "disk full\r\n");
    EXPECT_NE(Failing.Log.back(), "finish");
}
