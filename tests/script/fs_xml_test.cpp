#include "script/fs_xml.h"

#include "platform/rtl/SysUtils.h"
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

namespace
{

std::unique_ptr<TfsXMLDocument> Load(const std::string &Text, TMemoryStream *Stream = nullptr)
{
    TMemoryStream own;
    TMemoryStream &stream = Stream ? *Stream : own;
    stream.Write(Text.data(), static_cast<int>(Text.size()));
    stream.SetPosition(0);
    auto doc = std::make_unique<TfsXMLDocument>();
    doc->LoadFromStream(&stream);
    return doc;
}

std::string Save(TfsXMLDocument &Doc)
{
    TMemoryStream stream;
    Doc.SaveToStream(&stream);
    return std::string(static_cast<const char *>(stream.Memory()), stream.Size());
}

void ExpectInvalid(const std::string &Text)
{
    try {
        Load(Text);
        ADD_FAILURE() << "loaded: " << Text;
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Invalid file format") << Text;
    }
}

TEST(XMLItem, Prop_FindsWholeNamesInAnyCase)
{
    TfsXMLItem item;
    item.SetText("text=\"a&#34;b\" pos=\"1:4\"");
    EXPECT_EQ(item.Prop("pos"), "1:4");
    EXPECT_EQ(item.Prop("POS"), "1:4");
    EXPECT_EQ(item.Prop("os"), "");
    EXPECT_FALSE(item.PropExists("os"));
    EXPECT_EQ(item.Prop("text"), "a\"b");
}

TEST(XMLItem, SetProp_ReplacesInPlaceOrAppends)
{
    TfsXMLItem item;
    item.SetProp("a", "1");
    EXPECT_EQ(item.Text(), "a=\"1\"");
    item.SetProp("b", "<2>");
    EXPECT_EQ(item.Text(), "a=\"1\" b=\"&#60;2&#62;\"");
    item.SetProp("A", "x");
    EXPECT_EQ(item.Text(), "A=\"x\" b=\"&#60;2&#62;\"");
    EXPECT_EQ(item.Prop("b"), "<2>");
}

TEST(XMLItem, Children_AddMoveInsertFindAndFree)
{
    TfsXMLItem root;
    TfsXMLItem *a = root.Add();
    a->SetName("a");
    TfsXMLItem *b = root.FindItem("B");
    EXPECT_EQ(b->Name(), "B");
    EXPECT_EQ(root.FindItem("b"), b);
    EXPECT_EQ(root.Find("A"), 0);
    root.AddItem(a); // to the end
    EXPECT_EQ(root.IndexOf(a), 1);
    TfsXMLItem *c = a->Add();
    EXPECT_EQ(c->Root(), &root);
    root.InsertItem(0, c); // taken from a
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(a->Count(), 0);
    EXPECT_EQ(root.Items(0), c);
    delete b; // leaves its parent's list
    EXPECT_EQ(root.Count(), 2);
    EXPECT_THROW(root.Items(2), Exception);
    root.Clear();
    EXPECT_EQ(root.Count(), 0);
}

TEST(XMLItem, Assign_CopiesTheSubtree)
{
    auto doc = Load("<?xml version=\"1.0\"?><a x=\"1\"><b/><c><d y=\"2\"/></c></a>");
    TfsXMLItem copy;
    copy.Assign(doc->Root());
    EXPECT_EQ(copy.Name(), "a");
    EXPECT_EQ(copy.Items(1)->Items(0)->Prop("y"), "2");
    doc.reset();
    EXPECT_EQ(copy.Items(1)->Items(0)->Name(), "d");
}

TEST(XMLText, StrToXML_EscapesReservedCharactersAndAmpersand)
{
    EXPECT_EQ(StrToXML("a\r\n\"<>&'"), "a&#13;&#10;&#34;&#60;&#62;&#38;'");
    EXPECT_EQ(XMLToStr("a&#13;&#10;b"), "a\r\nb");
    for (const char *text : {"x&#65;y", "&quot;", "&#$41;", "&&#;", "<&>"})
        EXPECT_EQ(XMLToStr(StrToXML(text)), text);
}

TEST(XMLText, XMLToStr_DecodesReferencesAndLeavesUnfinishedOnes)
{
    EXPECT_EQ(XMLToStr("&#65;&#$42;&#x43;&quot;"), "ABC\"");
    EXPECT_EQ(XMLToStr("&#321;"), "A"); // low eight bits
    EXPECT_EQ(XMLToStr("a&#12"), "a&#12");
    EXPECT_EQ(XMLToStr("a&#;"), "a&#;"); // too short to hold a reference
    EXPECT_EQ(XMLToStr("&amp;&"), "&amp;&");
    EXPECT_EQ(XMLToStr("&"), "&");
}

// An attribute whose reference holds no number is not read as something else.
TEST(XMLText, XMLToStr_ReferenceWithoutANumber_RaisesTheConversionError)
{
    for (const char *text : {"&#1a;", "a&#;b", "&#65;&# 6 5;"}) {
        try {
            XMLToStr(text);
            ADD_FAILURE() << "decoded: " << text;
        } catch (const EConvertError &e) {
            EXPECT_NE(e.Message().Pos("is not a valid integer value"), 0) << text;
        }
    }
    TfsXMLItem item;
    item.SetText("text=\"&#abc;\"");
    EXPECT_THROW(item.Prop("text"), EConvertError);
}

TEST(XMLDocument, OneLineAndIndentedTexts_LoadAlike)
{
    const std::string line = "<?xml version=\"1.0\"?><a x=\"1\"><b y=\"2\"/><c/></a>";
    const std::string indented =
        "<?xml version=\"1.0\"?>\r\n<a x=\"1\">\r\n  text is ignored\r\n  <b y=\"2\"/>\r\n"
        "  <!-- a <comment> -- here -->\r\n  <c></c>\r\n</a>\r\n";
    auto one = Load(line);
    auto two = Load(indented);
    EXPECT_EQ(Save(*one), line);
    EXPECT_EQ(Save(*two), line);
}

TEST(XMLDocument, AutoIndent_WritesOneElementPerLine)
{
    auto doc = Load("<?xml version=\"1.0\"?><a x=\"1\"><b/><c><d/></c></a>");
    doc->SetAutoIndent(true);
    EXPECT_EQ(Save(*doc),
              "<?xml version=\"1.0\"?>\r\n<a x=\"1\">\r\n  <b/>\r\n  <c>\r\n    <d/>\r\n"
              "  </c>\r\n</a>\r\n");
}

TEST(XMLDocument, LargeDocument_RoundTripsThroughTheBuffers)
{
    TfsXMLDocument doc;
    doc.Root()->SetName("root");
    for (int i = 0; i < 3000; ++i) {
        TfsXMLItem *item = doc.Root()->Add();
        item->SetName("item");
        item->SetProp("n", AnsiString(i));
    }
    const std::string text = Save(doc);
    auto back = Load(text);
    ASSERT_EQ(back->Root()->Count(), 3000);
    EXPECT_EQ(back->Root()->Items(2999)->Prop("n"), "2999");
    EXPECT_EQ(Save(*back), text);
}

TEST(XMLDocument, StreamStaysJustAfterTheDocument)
{
    TMemoryStream stream;
    const std::string doc = "<?xml version=\"1.0\"?><a><b/></a>";
    Load(doc + "tail bytes", &stream);
    EXPECT_EQ(stream.Position(), static_cast<long long>(doc.size()));
}

TEST(XMLDocument, MalformedDocuments_AreInvalid)
{
    ExpectInvalid("<a/>");
    ExpectInvalid("<?xml?><a <b/></a>");
    ExpectInvalid("<?xml?><a><b></c></a>");
    ExpectInvalid("<?xml?><a><b/");
    ExpectInvalid("<?xml?><a><!-- open");
}

// A document cut short must not load as if it were complete.
TEST(XMLDocument, TruncatedDocument_IsInvalid)
{
    ExpectInvalid("<?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\"><assignstmt>");
    ExpectInvalid("<?xml version=\"1.0\"?><program><a/>");
}

TEST(XMLDocument, DeepDocument_LoadsAndFreesWithoutRecursion)
{
    std::string text = "<?xml version=\"1.0\"?>";
    const int depth = 200000;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    auto doc = Load(text);
    int levels = 0;
    for (TfsXMLItem *item = doc->Root(); item->Count() > 0; item = item->Items(0))
        ++levels;
    EXPECT_EQ(levels, depth - 1);
}

TEST(XMLDocument, Files_SaveAndLoad)
{
    const AnsiString name =
        "/tmp/qrv4_fs_xml_test_" + AnsiString(static_cast<int>(getpid())) + ".xml";
    TfsXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->Add()->SetName("x");
    doc.SaveToFile(name);
    TfsXMLDocument back;
    back.LoadFromFile(name);
    std::remove(name.c_str());
    EXPECT_EQ(back.Root()->Items(0)->Name(), "x");
}

// A full disk in the middle of the save left the document cut short.
TEST(XMLDocument, Files_AFailedSaveKeepsTheOldFile)
{
    const AnsiString name =
        "/tmp/qrv4_fs_xml_kept_" + AnsiString(static_cast<int>(getpid())) + ".xml";
    TfsXMLDocument doc;
    doc.Root()->SetName("r");
    doc.SaveToFile(name);
    TfsXMLDocument big;
    big.Root()->SetName("r");
    for (int i = 0; i < 1000; ++i)
        big.Root()->Add()->SetName("x");
    {
        testsupport::FileSizeLimit full(1000);
        EXPECT_THROW(big.SaveToFile(name), EFCreateError);
    }
    TfsXMLDocument back;
    back.LoadFromFile(name);
    std::remove(name.c_str());
    EXPECT_EQ(back.Root()->Count(), 0);
}

} // namespace

namespace
{

TEST(XMLText, ValueToXML_ByVariantType)
{
    EXPECT_EQ(ValueToXML(Variant(42)), "42");
    EXPECT_EQ(ValueToXML(Variant(2.5)), "2.5");
    EXPECT_EQ(ValueToXML(Variant(true)), "1");
    EXPECT_EQ(ValueToXML(Variant(false)), "0");
    EXPECT_EQ(ValueToXML(Variant("a<b")), "a&#60;b");
    EXPECT_EQ(ValueToXML(Null()), "");
    EXPECT_EQ(ValueToXML(Variant(1.0 / 3)), "0.333333333333333");
    DecimalSeparator = ',';
    EXPECT_EQ(ValueToXML(Variant(2.5)), "2,5");
    rtl::RestoreDefaultFormatSettings();
    EXPECT_EQ(ValueToXML(Variant::FromDateTime(2)), DateToStr(2));
    EXPECT_EQ(ValueToXML(Variant(Currency(2.5))), "2.5");
}

} // namespace
