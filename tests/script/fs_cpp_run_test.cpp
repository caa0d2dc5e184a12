// C++Script programs and report expressions compiled and run from end to end.

#include "platform/rtl/SysUtils.h"
#include "script/fs_ihelpers.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

namespace
{

Variant Expression(const char *Body, int *Calls = nullptr, AnsiString *Name = nullptr)
{
    auto Script = Make("C++Script", {});
    Script->AddMethod("function Get(Name: String): Variant",
                      [Calls, Name](TObject *, TClass, const AnsiString &, Variant &Params) {
                          if (Calls) ++*Calls;
                          if (Name) *Name = Params.GetElement({0}).AsString();
                          return Variant(5);
                      });
    Script->Lines()->Add(AnsiString("Variant frxf0() { return ") + Body + "; } {}");
    EXPECT_TRUE(Script->Compile()) << Script->ErrorMsg.View() << " @ " << Script->ErrorPos.View();
    return Script->CallFunction("frxf0", Null());
}

} // namespace

TEST(CppRun, DataFieldReference_CallsGetWithTheRawText)
{
    int Calls = 0;
    AnsiString Name;
    Variant Result = Expression("<frxUserDataSetList.\"quantity\"> * 2", &Calls, &Name);
    EXPECT_EQ(Result.AsInteger(), 10);
    EXPECT_EQ(VarType(Result), varInteger);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Name.View(), "frxUserDataSetList.\"quantity\"");
}

TEST(CppRun, PrecedenceAndDivisionKinds)
{
    EXPECT_EQ(Expression("1 + 2 * 3").AsInteger(), 7);
    Variant Half = Expression("7 / 2");
    EXPECT_EQ(VarType(Half), varDouble);
    EXPECT_DOUBLE_EQ(Half.AsDouble(), 3.5);
    EXPECT_EQ(Expression("7 div 2").AsInteger(), 3);
    EXPECT_EQ(Expression("1 - 2 - 3").AsInteger(), -4);
    EXPECT_EQ(Expression("(1 + 2) * 3").AsInteger(), 9);
}

TEST(CppRun, GreaterEqualWithAGap_IsASyntaxError)
{
    auto Script = Make("C++Script", {"{ bool b; b = 1 > = 2; }"});
    EXPECT_EQ(CompileError(*Script), "';' expected @ 1:17");
}

TEST(CppRun, UndeclaredName_IsAnError)
{
    auto Script = Make("C++Script", {"{ int b; b = a; }"});
    EXPECT_EQ(CompileError(*Script), "Undeclared identifier: 'a' @ 1:14");
}

// Each check of a program's meaning says what is wrong and where, in the
// engine's own words when no host replaced them.
TEST(CppRun, SemanticErrors_SayWhatAndWhere)
{
    const std::pair<const char *, const char *> Cases[] = {
        {"{ int a; int a; }", "Identifier redeclared: 'a' @ 1:15"},
        {"{ Foo a; }", "Unknown type: 'Foo' @ 1:6"},
        {"{ int a; a.b = 1; }", "Array type required @ 1:10"},
        {"{ string s; s.x = 1; }", "Strings doesn't have properties or methods @ 1:13"},
        {"{ TObject o; o[1] = 1; }", "Class TObject does not have a default property @ 1:14"},
        {"{ TStringList l; l.Strings = 1; }", "Index required @ 1:18"},
        {"{ int a; a = &b.c; }", "Variable required @ 1:14"},
        {"{ int a; delete a; }", "Class type required @ 1:17"},
        {"{ int a; a = new a; }", "Class type required @ 1:18"},
        {"#define c 1\r\n{ c = 2; }", "Left side cannot be assigned to @ 2:3"},
        {"{ int a; a = \"x\"; }", "Incompatible types: 'Integer', 'String' @ 1:10"},
    };
    for (const auto &[Source, Error] : Cases) {
        auto Script = Make("C++Script", {Source});
        EXPECT_EQ(CompileError(*Script), Error) << Source;
    }
}

TEST(CppRun, StringPlusNumber_IsIncompatibleAtTheOperator)
{
    auto Script = Make("C++Script", {"Variant frxf0() { return \"a\" + 5; } {}"});
    EXPECT_EQ(CompileError(*Script), "Incompatible types @ 1:31");
}

TEST(CppRun, CStyleForWithIncrementAndAddAssign)
{
    auto Script =
        Make("C++Script", {"int i, s;", "{", "  s = 0;", "  for (i = 0; i < 5; i++) s += i;", "}"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "10");
    EXPECT_EQ(Text(*Script, "i"), "5");
}

TEST(CppRun, CompoundAssignment_IsCheckedAsTheOperatorItStandsFor)
{
    auto Script = Make("C++Script", {"float f = 5; string s = \"a\"; int i = 1;",
                                     "{ f /= 2; s += \"b\"; i *= 3; i -= 1; }"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "f"), "2.5");
    EXPECT_EQ(Text(*Script, "s"), "ab");
    EXPECT_EQ(Text(*Script, "i"), "2");

    // "/" divides as reals, which an integer cannot hold.
    auto Quotient = Make("C++Script", {"int i = 5;", "{", "  i /= 2;", "}"});
    EXPECT_EQ(CompileError(*Quotient), "Incompatible types: 'Integer', 'Extended' @ 3:3");
    auto Sum = Make("C++Script", {"bool b = true;", "{", "  b += true;", "}"});
    EXPECT_EQ(CompileError(*Sum), "Incompatible types @ 3:3");
    auto Difference = Make("C++Script", {"string s = \"ab\";", "{", "  s -= \"b\";", "}"});
    EXPECT_EQ(CompileError(*Difference), "Incompatible types @ 3:3");
}

TEST(CppRun, IncrementAndDecrement_AreCheckedAsAddingAndTakingOne)
{
    auto Script = Make("C++Script", {"int i = 1; float f = 0.5;", "{ i++; i++; f--; }"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "i"), "3");
    EXPECT_EQ(Text(*Script, "f"), "-0.5");

    auto Flag = Make("C++Script", {"bool b = true;", "{", "  b++;", "}"});
    EXPECT_EQ(CompileError(*Flag), "Incompatible types @ 3:3");
    auto Word = Make("C++Script", {"string s = \"a\";", "{", "  s--;", "}"});
    EXPECT_EQ(CompileError(*Word), "Incompatible types @ 3:3");
}

TEST(CppRun, ReportExpression_CompiledOnceEvaluatedManyTimes)
{
    auto Script = Make("C++Script", {});
    int Price = 0;
    Script->AddMethod("function Get(Name: String): Variant",
                      [&Price](TObject *, TClass, const AnsiString &, TfsMethodHelper *Caller) {
                          AnsiString Name = Caller->GetVParam(0).AsString();
                          return Name == "price" ? Variant(Price) : Variant(3);
                      });
    Script->Lines()->Add("Variant frxf0() { return FormatFloat(\"0.00\", Get(\"price\") * "
                         "Get(\"qty\")); } {}");
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View() << " @ " << Script->ErrorPos.View();
    for (Price = 1; Price <= 100; ++Price)
        EXPECT_EQ(Script->CallFunction("frxf0", Null()).AsString().View(),
                  FormatFloat("0.00", Price * 3).View());
}

// A routine's body is built apart from the main program; the language's type
// names hold there as well.
TEST(CppRun, LocalVariablesOfARoutine_TakeTheLanguagesTypeNames)
{
    auto Script =
        Make("C++Script", {"float r;", "float half(long n) {",
                           "  bool odd = n % 2 == 1; float h = n / 2; long k = 1;",
                           "  if (odd) h = h + k; return h;", "}", "{ r = half(3) + half(4); }"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "4.5");
}

TEST(CppRun, VoidFunctionIsAProcedure_ReturnAssignsResult)
{
    auto Script =
        Make("C++Script", {"int r;", "void p() { r = 1; return; r = 2; }",
                           "int f(int n) { return n + 1; r = 5; }", "{ p(); r = r + f(1); }"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "3");
}

TEST(CppRun, DeclarationWithInitialValue_AssignsEachTimeTheBlockRuns)
{
    auto Script = Make("C++Script", {"int s, i;", "{ s = 0; for (i = 0; i < 3; i++) { int k = 5; "
                                                  "s = s + k; k = 7; } }"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "15");
}

TEST(CppRun, StringLiteralsSurviveTheILRoundTrip)
{
    EXPECT_EQ(Expression("\"x&#65;y\"").AsString().View(), "x&#65;y");
    EXPECT_EQ(Expression("\"a&quot;b<c>\"").AsString().View(), "a&quot;b<c>");
}

TEST(CppRun, CyrillicNamesWithTheExtendedCharset)
{
    auto Script = Make("C++Script", {});
    Script->ExtendedCharset = true;
    Script->Lines()->Add(("int " + AnsiString::FromUtf8("сумма").ToStd() + "; { " +
                          AnsiString::FromUtf8("сумма").ToStd() + " = 3; }")
                             .c_str());
    Exec(*Script);
    EXPECT_EQ(VarToStr(Script->Variables(AnsiString::FromUtf8("СУММА"))).View(), "3");
}
