#include "report/frxClass.h"
#include "report/frxVariables.h"
#include "report/frxXML.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/FileSizeLimit.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace
{

const char *const OneLine = "<?xml version=\"1.0\" encoding=\"utf-8\"?><a><b x=\"1\" "
                            "y=\"q&#34;&#60;&#38;&#62;&#13;&#10;z\"/></a>";

void BuildSample(TfrxXMLDocument &Document)
{
    Document.Root()->SetName("a");
    TfrxXMLItem *B = Document.Root()->Add();
    B->SetName("b");
    B->SetProp("x", "1");
    B->SetProp("y", "q\"<&>\r\nz");
}

void Load(TfrxXMLDocument &Document, const AnsiString &Text)
{
    TStringStream Stream(Text);
    Document.LoadFromStream(&Stream);
}

void ExpectInvalid(const char *Text)
{
    TfrxXMLDocument Document;
    TStringStream Stream(Text);
    try {
        Document.LoadFromStream(&Stream);
        ADD_FAILURE() << "loaded: " << Text;
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message(), "Invalid file format") << Text;
    }
}

} // namespace

TEST(XMLDocument, WritesOneLineWithoutIndentAndReadsItBack)
{
    TfrxXMLDocument Document;
    BuildSample(Document);
    const AnsiString Text = Written([&](TStream *S) { Document.SaveToStream(S); });
    EXPECT_EQ(Text, OneLine);

    TfrxXMLDocument Loaded;
    Load(Loaded, Text);
    ASSERT_EQ(Loaded.Root()->Count(), 1);
    EXPECT_EQ(Loaded.Root()->Items(0)->Prop("Y"), "q\"<&>\r\nz");
    EXPECT_EQ(Loaded.Root()->Items(0)->Prop("x"), "1");
}

TEST(XMLDocument, IndentsEachLevelByTwoBlanksWithCrLf)
{
    TfrxXMLDocument Document;
    Document.SetAutoIndent(true);
    BuildSample(Document);
    EXPECT_EQ(Written([&](TStream *S) { Document.SaveToStream(S); }),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a>\r\n  <b x=\"1\" "
              "y=\"q&#34;&#60;&#38;&#62;&#13;&#10;z\"/>\r\n</a>\r\n");
}

TEST(XMLDocument, ReaderSkipsCommentsAndDecodesOnlyNumericAndQuote)
{
    TfrxXMLDocument Document;
    Load(Document, "<?xml version=\"1.0\"?>\r\n<!-- a --->b -->\r\n"
                   "<r a=\"&quot;&amp;&#65;&#66\"><c/><d x=\"1\" /><e></e></r>");
    TfrxXMLItem *Root = Document.Root();
    EXPECT_EQ(Root->Name(), "r");
    ASSERT_EQ(Root->Count(), 3);
    EXPECT_EQ(Root->Items(0)->Name(), "c");
    EXPECT_EQ(Root->Items(1)->Name(), "d");
    EXPECT_EQ(Root->Items(2)->Name(), "e");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Root->Items(i)->Count(), 0);
    EXPECT_EQ(Root->Prop("a"), "\"&amp;A&#66");
    EXPECT_EQ(Root->Items(1)->Prop("x"), "1");
}

TEST(XMLDocument, DamagedFilesAreRefused)
{
    ExpectInvalid("<r/>");
    ExpectInvalid("<?xml?><r a=\"<\"/>");
    ExpectInvalid("<?xml?><r><c></r>");
    ExpectInvalid("<?xml?><r a=\"1\"");
    // A file cut after complete elements is not a complete file.
    ExpectInvalid("<?xml?><r><c/>");
    ExpectInvalid("<?xml?><r><c><d/></c>");
    ExpectInvalid("");
}

TEST(XMLDocument, TagsWithoutANameAreDamagedFiles)
{
    ExpectInvalid("<?xml?><>");
    ExpectInvalid("<?xml?><r><></r>");
    ExpectInvalid("<?xml?><r>< /></r>");
    ExpectInvalid("<?xml?><r><  x=\"1\"/></r>");
}

namespace
{

constexpr int HostileDepth = 100000;

template <class F> void ExpectDeepFileRefused(const char *What, const char *Root, F Load)
{
    TStringStream Stream(NestedXML(Root, HostileDepth));
    try {
        Load(&Stream);
        ADD_FAILURE() << What << " loaded";
    } catch (const EfrxXMLError &E) {
        EXPECT_EQ(E.Message(), "Invalid file format") << What;
    }
}

} // namespace

TEST(XMLDeepNesting, EveryLoadRefusesAHundredThousandLevels)
{
    TfrxXMLDocument Document;
    ExpectDeepFileRefused("document", "r", [&](TStream *S) { Document.LoadFromStream(S); });
    ExpectDeepFileRefused("partly loaded document", "r", [&](TStream *S) {
        auto Copy = std::make_unique<TMemoryStream>();
        Copy->CopyFrom(S, 0);
        Copy->SetPosition(0);
        Document.LoadFromStream(std::move(Copy), true);
    });
    TComponent Form(nullptr);
    TfrxReport Report(&Form);
    ExpectDeepFileRefused("template", "TfrxReport", [&](TStream *S) { Report.LoadFromStream(S); });
    TfrxStyles Styles;
    ExpectDeepFileRefused("styles", "style", [&](TStream *S) { Styles.LoadFromStream(S); });
    TfrxStyleSheet Sheet;
    ExpectDeepFileRefused("style sheet", "stylesheet",
                          [&](TStream *S) { Sheet.LoadFromStream(S); });
    TfrxVariables Variables;
    ExpectDeepFileRefused("variables", "variables",
                          [&](TStream *S) { Variables.LoadFromStream(S); });
}

TEST(XMLDeepNesting, NestingThatRealDocumentsCouldHaveStillLoads)
{
    TfrxXMLDocument Document;
    Load(Document, NestedXML("r", 999));
    int Depth = 0;
    for (TfrxXMLItem *Item = Document.Root(); Item->Count() > 0; Item = Item->Items(0))
        ++Depth;
    EXPECT_EQ(Depth, 999);
}

TEST(XMLDeepNesting, DeepTreesAreWrittenAndFreed)
{
    auto Document = std::make_unique<TfrxXMLDocument>();
    Document->Root()->SetName("r");
    TfrxXMLItem *Item = Document->Root();
    for (int i = 0; i < HostileDepth; ++i) {
        Item = Item->Add();
        Item->SetName("a");
    }
    const AnsiString Text = Written([&](TStream *S) { Document->SaveToStream(S); });
    std::string Expected = "<?xml version=\"1.0\" encoding=\"utf-8\"?><r>";
    for (int i = 1; i < HostileDepth; ++i)
        Expected += "<a>";
    Expected += "<a/>";
    for (int i = 1; i < HostileDepth; ++i)
        Expected += "</a>";
    EXPECT_EQ(Text.View(), Expected + "</r>");
    Document->Root()->Items(0)->Clear();
    EXPECT_EQ(Document->Root()->Items(0)->Count(), 0);
    Item = Document->Root()->Items(0);
    for (int i = 0; i < HostileDepth; ++i) {
        Item = Item->Add();
        Item->SetName("a");
    }
    Document.reset();
}

TEST(XMLDocument, CharacterReferencesKeepTheirWholeCode)
{
    TfrxXMLDocument Document;
    Load(Document, "<?xml?><r a=\"&#1090;&#65;&#8364;&#12354;\"/>");
    // т, A, the euro sign of cp1251 (0x88), and a character cp1251 lacks.
    EXPECT_EQ(Document.Root()->Prop("a"), AnsiString("\xF2"
                                                     "A\x88?"));
}

TEST(XMLDocument, OnlyAWholeUnloadableMarkIsRemoved)
{
    TfrxXMLDocument Document;
    Load(Document, "<?xml?><r><b DataField=\"0\" Child=\"0\"/></r>");
    TfrxXMLItem *B = Document.Root()->Items(0);
    EXPECT_EQ(B->Prop("DataField"), "0");
    EXPECT_EQ(B->Prop("Child"), "0");
    EXPECT_FALSE(B->Unloadable());
}

TEST(XMLItem, PropertiesAreFoundWholeAndReplacedInPlace)
{
    TfrxXMLItem Item;
    Item.SetText("ab=\"1\" b=\"2\"");
    EXPECT_EQ(Item.Prop("b"), "2");
    EXPECT_EQ(Item.Prop("ab"), "1");
    EXPECT_FALSE(Item.PropExists("a"));
    Item.SetProp("AB", "x");
    EXPECT_EQ(Item.Text(), "AB=\"x\" b=\"2\"");
    Item.SetProp("c", "3");
    EXPECT_EQ(Item.Text(), "AB=\"x\" b=\"2\" c=\"3\"");
    TfrxXMLItem Empty;
    Empty.SetProp("n", "v");
    EXPECT_EQ(Empty.Text(), "n=\"v\"");
}

TEST(XMLItem, ChildrenMoveBetweenParentsAndDeleteCleanly)
{
    TfrxXMLItem Root;
    TfrxXMLItem *A = Root.Add();
    A->SetName("a");
    TfrxXMLItem *B = Root.Add();
    B->SetName("b");
    TfrxXMLItem *Inner = A->Add();
    B->AddItem(Inner);
    EXPECT_EQ(A->Count(), 0);
    EXPECT_EQ(B->Count(), 1);
    EXPECT_EQ(Inner->Root(), &Root);
    EXPECT_EQ(Root.Find("B"), 1);
    EXPECT_EQ(Root.FindItem("c")->Name(), "c");
    EXPECT_EQ(Root.Count(), 3);
    delete A;
    EXPECT_EQ(Root.Count(), 2);
    EXPECT_EQ(Root.IndexOf(B), 0);
}

TEST(XMLDocument, UnloadedItemsComeBackWhenSavedAndLoaded)
{
    TempFolder Folder;
    TfrxXMLDocument Document;
    Document.SetTempDir(Folder.Path(""));
    Document.Root()->SetName("pages");
    TfrxXMLItem *Page = Document.Root()->Add();
    Page->SetName("page");
    Page->SetUnloadable(true);
    for (int i = 0; i < 3; ++i) {
        TfrxXMLItem *Object = Page->Add();
        Object->SetName("obj");
        Object->SetProp("n", IntToStr(i));
    }
    Document.UnloadItem(Page);
    EXPECT_FALSE(Page->Loaded());
    EXPECT_EQ(Page->Count(), 0);
    EXPECT_FALSE(Document.TempFileName().IsEmpty());

    const AnsiString Saved = Written([&](TStream *S) { Document.SaveToStream(S); });
    // An item without attributes keeps the blank before the mark, as the format has it.
    EXPECT_EQ(Saved, "<?xml version=\"1.0\" encoding=\"utf-8\"?><pages><page  ld=\"0\"><obj "
                     "n=\"0\"/><obj n=\"1\"/><obj n=\"2\"/></page></pages>");
    EXPECT_FALSE(Page->Loaded()); // written complete, then moved out again

    Document.LoadItem(Page);
    ASSERT_EQ(Page->Count(), 3);
    EXPECT_EQ(Page->Items(2)->Prop("n"), "2");

    // A file saved with stubs loads partially and fills them on demand.
    const AnsiString File = Folder.Path("pages.xml");
    Document.SaveToFile(File);
    EXPECT_FALSE(FileExists(File + ".tmp"));
    TfrxXMLDocument Partial;
    Partial.LoadFromFile(File);
    TfrxXMLItem *Stub = Partial.Root()->Items(0);
    EXPECT_TRUE(Stub->Unloadable());
    EXPECT_FALSE(Stub->Loaded());
    EXPECT_EQ(Stub->Count(), 0);
    Partial.LoadItem(Stub);
    ASSERT_EQ(Stub->Count(), 3);
    EXPECT_EQ(Stub->Items(1)->Prop("n"), "1");

    // Saved over the file its stubs are read from, the document loses none of them.
    TfrxXMLDocument Stubbed;
    Stubbed.LoadFromFile(File);
    ASSERT_FALSE(Stubbed.Root()->Items(0)->Loaded());
    Stubbed.SaveToFile(File);
    TfrxXMLDocument Again;
    Again.LoadFromFile(File);
    TfrxXMLItem *Kept = Again.Root()->Items(0);
    Again.LoadItem(Kept);
    ASSERT_EQ(Kept->Count(), 3);
    EXPECT_EQ(Kept->Items(2)->Prop("n"), "2");
}

TEST(XMLDocument, SavingToAFileReplacesItOnlyWhenComplete)
{
    TempFolder Folder;
    const AnsiString File = Folder.Path("doc.xml");
    TfrxXMLDocument First;
    First.Root()->SetName("one");
    First.SaveToFile(File);
    TfrxXMLDocument Second;
    Second.Root()->SetName("two");
    Second.SaveToFile(File);
    TfrxXMLDocument Check;
    Check.LoadFromFile(File);
    EXPECT_EQ(Check.Root()->Name(), "two");
}

// The new document went first to the file's name with ".tmp" added, over any file of that
// name; a full disk left the old one whole, which it still must.
TEST(XMLDocument, SavingTouchesNoOtherFileAndAFailedSaveKeepsTheOldOne)
{
    TempFolder Folder;
    const AnsiString File = Folder.Path("doc.xml");
    WriteFileText(File + ".tmp", "the user's own notes");
    TfrxXMLDocument First;
    First.Root()->SetName("one");
    First.SaveToFile(File);
    EXPECT_EQ(FileText(File + ".tmp"), "the user's own notes");
    const AnsiString Before = FileText(File);
    TfrxXMLDocument Second;
    Second.Root()->SetName("two");
    for (int i = 0; i < 1000; ++i)
        Second.Root()->Add()->SetName("item");
    {
        testsupport::FileSizeLimit Full(Before.Length() + 100);
        EXPECT_THROW(Second.SaveToFile(File), EFCreateError);
    }
    EXPECT_EQ(FileText(File), Before);
}

TEST(XMLText, EscapesTheSixCharactersAndValuesByType)
{
    EXPECT_EQ(frxStrToXML(Cp("a\"&<>\r\nя")), Cp("a&#34;&#38;&#60;&#62;&#13;&#10;я"));
    EXPECT_EQ(frxXMLToStr("x"), "x");
    EXPECT_EQ(frxXMLToStr("&#x41;"), "&#x41;");
    EXPECT_EQ(frxValueToXML(Variant(true)), "1");
    EXPECT_EQ(frxValueToXML(Variant(false)), "0");
    EXPECT_EQ(frxValueToXML(Variant(42)), "42");
    EXPECT_EQ(frxValueToXML(Variant(AnsiString("<"))), "&#60;");
    EXPECT_EQ(frxValueToXML(Null()), "");
}

TEST(XMLText, NumbersAreWrittenWithAPointWhateverTheLocale)
{
    const char Before = DecimalSeparator;
    DecimalSeparator = ',';
    const AnsiString Fraction = frxValueToXML(Variant(1.5));
    const AnsiString Whole = frxValueToXML(Variant(2.0));
    DecimalSeparator = Before;
    EXPECT_EQ(Fraction, "1.5");
    EXPECT_EQ(Whole, "2");
}
