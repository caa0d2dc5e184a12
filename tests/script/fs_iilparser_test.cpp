#include "ScriptTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_iconst.h"
#include "script/fs_itools.h"

#include <gtest/gtest.h>

#include <map>

using scripttest::Lines;
using scripttest::MakeIL;
using scripttest::Outline;

namespace
{

std::string SavedIL(TfsILParser &Parser)
{
    TMemoryStream stream;
    Parser.ILScript()->SaveToStream(&stream);
    return std::string(static_cast<const char *>(stream.Memory()), stream.Size());
}

TEST(ILFormat, SavedText_IsOneLineWithPositionsAndTypes)
{
    TfsILParser parser(nullptr);
    parser.SelectLanguage("C++Script");
    ASSERT_TRUE(parser.MakeILScript("{ a = 1; }"));
    EXPECT_EQ(
        SavedIL(parser),
        "<?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\"><assignstmt pos=\"1:3\">"
        "<dsgn pos=\"1:3\"><node text=\"a\" pos=\"1:4\"/></dsgn><expr pos=\"1:7\" pos1=\"1:8\">"
        "<number text=\"1\" pos=\"1:8\"/></expr></assignstmt></compoundstmt><types>"
        "<int type=\"integer\"/><long type=\"integer\"/><void type=\"integer\"/>"
        "<bool type=\"boolean\"/><float type=\"extended\"/></types></program>");
}

// String values pass through the IL as attribute text; text that looks like
// a character reference must come back as written.
TEST(ILFormat, StringLiterals_SurviveTheRoundTrip)
{
    EXPECT_EQ(MakeIL("C++Script", "{ s = \"x&#65;y\" + \"a&quot;b\" + \"<&>\"; }").Outline,
              "program{compoundstmt{assignstmt{dsgn{node:s} expr{string:'x&#65;y' op:+ "
              "string:'a&quot;b' op:+ string:'<&>'}}}}");
}

TEST(LanguageDirective, FirstLineSwitchesTheLanguage)
{
    TfsILParser parser(nullptr);
    parser.SelectLanguage("C++Script");
    ASSERT_TRUE(parser.MakeILScript(Lines({"#language BasicScript", "x = 1"})))
        << parser.ErrorMsg().View();
    EXPECT_EQ(parser.LangName(), "BasicScript");
    EXPECT_EQ(Outline(parser.ILScript()->Root(), true),
              "program{compoundstmt(2:1){assignstmt(2:1){dsgn(2:1){node(2:2):x} "
              "expr(2:5-2:6){number(2:6):1}}}}");
}

TEST(LanguageDirective, AnyLineEnd_EndsTheDirective)
{
    for (const char *text : {"#LANGUAGE  JScript\nx = 1;", "#language JScript\rx = 1;",
                             "# language JScript \r\nx = 1;"}) {
        TfsILParser parser(nullptr);
        parser.SelectLanguage("PascalScript");
        EXPECT_TRUE(parser.MakeILScript(text)) << text << ": " << parser.ErrorMsg().View();
        EXPECT_EQ(Outline(parser.ILScript()->Root()),
                  "program{compoundstmt{assignstmt{dsgn{node:x} expr{number:1}}}}");
    }
}

TEST(LanguageDirective, UnknownLanguage_Raises)
{
    TfsILParser parser(nullptr);
    parser.SelectLanguage("PascalScript");
    try {
        parser.MakeILScript("#language Klingon\r\nbegin end.");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Language 'Klingon' not found");
    }
}

// Nothing of the first language may stay in force after the directive: its
// "rem" comments, its case-sensitive keywords, its undeclared variables.
TEST(LanguageDirective, NoSettingOfTheFirstLanguageLeaks)
{
    TfsILParser basic(nullptr);
    basic.SelectLanguage("BasicScript");
    ASSERT_TRUE(basic.MakeILScript("#language PascalScript\r\nbegin rem := 1 end."))
        << basic.ErrorMsg().View();
    EXPECT_TRUE(basic.NeedDeclareVars());
    EXPECT_EQ(Outline(basic.ILScript()->Root()),
              "program{compoundstmt{assignstmt{dsgn{node:rem} expr{number:1}}}}");

    TfsILParser cpp(nullptr);
    cpp.SelectLanguage("C++Script");
    EXPECT_TRUE(cpp.MakeILScript("#language PascalScript\r\nBEGIN END.")) << cpp.ErrorMsg().View();
}

TEST(SelectLanguage, UnknownName_Raises)
{
    TfsILParser parser(nullptr);
    EXPECT_THROW(parser.SelectLanguage("Cobol"), Exception);
}

TEST(SelectLanguage, ReferenceToMissingRule_RaisesWhenReached)
{
    fsRegisterLanguage("@Broken", "<?xml version=\"1.0\"?><language><parser/><types/><empty/>"
                                  "<program><switch><char text=\";\"/><missing/></switch></program>"
                                  "</language>");
    TfsILParser parser(nullptr);
    parser.SelectLanguage("@Broken");
    EXPECT_TRUE(parser.MakeILScript(";"));
    try {
        parser.MakeILScript("x");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Invalid language definition");
    }
}

TEST(SelectLanguage, ExtendedCharset_AllowsCyrillicNames)
{
    const AnsiString text = "begin Счёт := 1 end."_a;
    TfsILParser plain(nullptr);
    plain.SelectLanguage("PascalScript");
    EXPECT_FALSE(plain.MakeILScript(text));

    TfsILParser extended(nullptr);
    extended.SetExtendedCharset(true);
    extended.SelectLanguage("PascalScript");
    ASSERT_TRUE(extended.MakeILScript(text));
    EXPECT_EQ(extended.ILScript()->Root()->Items(0)->Items(0)->Items(0)->Items(0)->Prop("text"),
              "Счёт"_a);
}

struct UnitFixture : testing::Test {
    std::map<std::string, AnsiString> Units;
    std::vector<std::string> Asked;

    scripttest::ILResult Make(const char *Language, const AnsiString &Text)
    {
        TfsILParser parser(nullptr);
        parser.OnGetUnit = [this](const AnsiString &Name, AnsiString &Text) {
            Asked.push_back(Name.ToStd());
            Text = Units[Name.ToStd()];
        };
        parser.SelectLanguage(Language);
        scripttest::ILResult result;
        result.Ok = parser.MakeILScript(Text);
        result.ErrorMsg = parser.ErrorMsg().View();
        result.ErrorPos = parser.ErrorPos().View();
        result.ErrorUnit = parser.ErrorUnit().View();
        if (result.Ok) result.Outline = Outline(parser.ILScript()->Root());
        return result;
    }
};

TEST_F(UnitFixture, IncludeList_UnitsInReverseOrderEachOnce)
{
    Units["a.cpp"] = Lines({"#include \"b.cpp\"", "int x;", "{}"});
    Units["b.cpp"] = "int y; {}";
    const auto il = Make("C++Script", "#include \"a.cpp\", \"b.cpp\"\r\n{ }");
    ASSERT_TRUE(il.Ok) << il.ErrorMsg;
    EXPECT_EQ(il.Outline, "program{uses:b.cpp{program{var{type:int ident:y} compoundstmt}} "
                          "uses:a.cpp{program{var{type:int ident:x} compoundstmt}} compoundstmt}");
    EXPECT_EQ(Asked, (std::vector<std::string>{"b.cpp", "a.cpp"}));
}

TEST_F(UnitFixture, PascalUses_AndNamesWithReservedCharacters)
{
    Units["a\"b&#65;.pas"] = "begin end.";
    const auto il = Make("PascalScript", "uses 'a\"b&#65;.pas'; begin end.");
    ASSERT_TRUE(il.Ok) << il.ErrorMsg;
    EXPECT_EQ(Asked, (std::vector<std::string>{"a\"b&#65;.pas"}));
    EXPECT_EQ(il.Outline, "program{uses:a\"b&#65;.pas{program{compoundstmt}} compoundstmt}");
}

TEST_F(UnitFixture, FailingUnit_GivesItsErrorAndName)
{
    Units["a.cpp"] = "#include \"b.cpp\"\r\n{}";
    Units["b.cpp"] = "{ x = ; }";
    const auto il = Make("C++Script", "#include \"a.cpp\"\r\n{ }");
    EXPECT_FALSE(il.Ok);
    EXPECT_EQ(il.ErrorMsg, "Expression expected");
    EXPECT_EQ(il.ErrorPos, "1:7");
    EXPECT_EQ(il.ErrorUnit, "b.cpp");
}

TEST_F(UnitFixture, EmptyUnit_IsIncludedEmpty)
{
    const auto il = Make("JScript", "import \"none.js\"; x = 1;");
    ASSERT_TRUE(il.Ok) << il.ErrorMsg;
    EXPECT_EQ(il.Outline,
              "program{compoundstmt{uses:none.js assignstmt{dsgn{node:x} expr{number:1}}}}");
}

TEST(UnitFiles, UnitWithoutHandler_IsReadFromItsFile)
{
    const AnsiString name =
        "/tmp/qrv4_unit_test_" + AnsiString(static_cast<int>(getpid())) + ".bas";
    {
        TStringList lines;
        lines.Add("Dim y");
        lines.SaveToFile(name);
    }
    const auto il = MakeIL("BasicScript", Lines({("Imports \"" + name + "\"").c_str(), "y = 1"}));
    std::remove(name.c_str());
    ASSERT_TRUE(il.Ok) << il.ErrorMsg;
    EXPECT_EQ(il.Outline, "program{compoundstmt{uses:" + name.ToStd() +
                              "{program{compoundstmt{var{ident:y}}}} assignstmt{dsgn{node:y} "
                              "expr{number:1}}}}");
    EXPECT_THROW(MakeIL("BasicScript", Lines({"Imports \"/nonexistent/unit.bas\""})), Exception);
}

TEST(Nesting, DeepButReasonableNesting_Compiles)
{
    const std::string text = "{ x = " + std::string(40, '(') + "1" + std::string(40, ')') + "; }";
    EXPECT_TRUE(MakeIL("C++Script", text.c_str()).Ok);
}

TEST(Nesting, NestingBeyondTheStack_IsAnErrorNotACrash)
{
    const std::string text =
        "{ x = " + std::string(20000, '(') + "1" + std::string(20000, ')') + "; }";
    const auto il = MakeIL("C++Script", text.c_str());
    EXPECT_FALSE(il.Ok);
    EXPECT_EQ(il.ErrorMsg, SNestingTooDeep.View());
}

TEST(DataField, EmptyReference_DoesNotMatch)
{
    const auto il = MakeIL("C++Script", "{ x = <>; }");
    EXPECT_FALSE(il.Ok);
    EXPECT_EQ(il.ErrorMsg, "Expression expected");
    EXPECT_EQ(il.ErrorPos, "1:7");
}

} // namespace
