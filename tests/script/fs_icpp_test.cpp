#include "ScriptTestSupport.h"

#include <gtest/gtest.h>

using scripttest::Lines;
using scripttest::MakeIL;

namespace
{

const char *const Cpp = "C++Script";

std::string Program(const AnsiString &Text)
{
    return MakeIL(Cpp, Text).Outline;
}

TEST(CppScript, Assignment_GivesPositionsOfFirstTokenAndAfterLeaves)
{
    const auto il = MakeIL(Cpp, "{ a = 1; }", true);
    ASSERT_TRUE(il.Ok) << il.ErrorMsg;
    EXPECT_EQ(il.Outline, "program{compoundstmt(1:1){assignstmt(1:3){dsgn(1:3){node(1:4):a} "
                          "expr(1:7-1:8){number(1:8):1}}}}");
}

TEST(CppScript, TypesOfTheGrammar_FollowTheProgram)
{
    TfsILParser parser(nullptr);
    parser.SelectLanguage(Cpp);
    ASSERT_TRUE(parser.MakeILScript("{ a = 1; }"));
    const TfsXMLItem *root = parser.ILScript()->Root();
    const TfsXMLItem *types = root->Items(root->Count() - 1);
    EXPECT_EQ(scripttest::Outline(types), "types{int long void bool float}");
    EXPECT_EQ(types->Items(3)->Prop("type"), "boolean");
    EXPECT_EQ(types->Items(4)->Prop("type"), "extended");
}

TEST(CppScript, Declarations_IncludeDefineFunctionsAndVariables)
{
    EXPECT_EQ(
        Program(Lines({"#define Max 10", "int a[3], b = 2;", "string s;",
                       "int f(int x, string &y = \"q\") { return x * 2; }", "{ }"})),
        "program{const{ident:Max expr{number:10}} var{type:int ident:a array{dim{expr{number:3}}} "
        "ident:b init{expr{number:2}}} var{type:string ident:s} function{type:int name:f "
        "parameters{var{type:int ident:x} var{type:string varparam:& ident:y "
        "init{expr{string:'q'}}}} compoundstmt{return{expr{dsgn{node:x} op:* number:2}}}} "
        "compoundstmt}");
}

TEST(CppScript, Statements_AllKindsInSourceOrder)
{
    EXPECT_EQ(
        Program(Lines({"{", "  if (a == 1) b = 2; else b = 3;", "  while (a != 0) a--;",
                       "  do a++; while (a < 5);", "  for (i = 0, j = 1; i <= 9; i++) s += i;",
                       "  switch (a) { case 1, 3..5: b = 1; default: b = 0; }",
                       "  try { delete o; } finally { exit; }",
                       "  try { break; } except { continue; }", "  ;", "}"})),
        "program{compoundstmt{"
        "ifstmt{expr{dsgn{node:a} op:= number:1} thenstmt{assignstmt{dsgn{node:b} expr{number:2}}} "
        "elsestmt{assignstmt{dsgn{node:b} expr{number:3}}}} "
        "whilestmt{expr{dsgn{node:a} op:<> number:0} callstmt{dsgn{node:a} modificator:-}} "
        "repeatstmt{callstmt{dsgn{node:a} modificator:+} expr{dsgn{node:a} op:< number:5} inverse} "
        "cppforstmt{compoundstmt{assignstmt{dsgn{node:i} expr{number:0}} assignstmt{dsgn{node:j} "
        "expr{number:1}}} expr{dsgn{node:i} op:<= number:9} compoundstmt{callstmt{dsgn{node:i} "
        "modificator:+}} assignstmt{dsgn{node:s} modificator:+ expr{dsgn{node:i}}}} "
        "casestmt{expr{dsgn{node:a}} caseselector{set{expr{number:1} expr{number:3} range:. "
        "expr{number:5}} assignstmt{dsgn{node:b} expr{number:1}}} assignstmt{dsgn{node:b} "
        "expr{number:0}}} "
        "trystmt{compoundstmt{delete{dsgn{node:o}}} finallystmt{compoundstmt{exit}}} "
        "trystmt{compoundstmt{break} exceptstmt{compoundstmt{continue}}} "
        "empty}}");
}

TEST(CppScript, Expressions_OperatorsInSourceOrder)
{
    EXPECT_EQ(
        Program("{ x = -a + b * c / d % e div f && g || h ^ i << 1 >> 2; }"),
        "program{compoundstmt{assignstmt{dsgn{node:x} expr{op:unminus dsgn{node:a} op:+ "
        "dsgn{node:b} op:* dsgn{node:c} op:/ dsgn{node:d} op:mod dsgn{node:e} op:div dsgn{node:f} "
        "op:and dsgn{node:g} op:or dsgn{node:h} op:xor dsgn{node:i} op:shl number:1 op:shr "
        "number:2}}}}");
    EXPECT_EQ(
        Program("{ x = !(a >= b) in [1, 2..3] is c; }"),
        "program{compoundstmt{assignstmt{dsgn{node:x} expr{op:not op:( expr{dsgn{node:a} op:>= "
        "dsgn{node:b}} op:) op:in set{expr{number:1} expr{number:2} range:. expr{number:3}} op:is "
        "dsgn{node:c}}}}}");
}

TEST(CppScript, Designators_MembersIndexesCallsNewAndAddress)
{
    EXPECT_EQ(
        Program("{ o = new TList(1); p = &Proc; q = a.b[1][2, 3].c(x, 0x1F); }"),
        "program{compoundstmt{assignstmt{dsgn{node:o} expr{new{dsgn{node:TList expr{number:1}}}}} "
        "assignstmt{dsgn{node:p} expr{dsgn{addr:& node:Proc}}} assignstmt{dsgn{node:q} "
        "expr{dsgn{node:a node:b node:[ expr{number:1} expr{number:2} expr{number:3} node:c "
        "expr{dsgn{node:x}} expr{number:$1F}}}}}}");
}

TEST(CppScript, DataFieldReference_BecomesCallOfGet)
{
    const auto il =
        MakeIL(Cpp, "Variant frxf0() { return <frxUserDataSetList.\"quantity\"> * 2; } {}");
    ASSERT_TRUE(il.Ok) << il.ErrorMsg;
    EXPECT_EQ(il.Outline, "program{function{type:Variant name:frxf0 parameters compoundstmt{return{"
                          "expr{dsgn{node:Get expr{string:'frxUserDataSetList.\"quantity\"'}} op:* "
                          "number:2}}}} compoundstmt}");
    const auto positions = MakeIL(Cpp, "{ x = <a>; }", true);
    EXPECT_EQ(positions.Outline,
              "program{compoundstmt(1:1){assignstmt(1:3){dsgn(1:3){node(1:4):x} "
              "expr(1:7-1:10){dsgn(1:9){node(1:9):Get expr(1:9-1:9){string(1:9):'a'}}}}}}");
}

TEST(CppScript, KeywordsAreCaseSensitive)
{
    EXPECT_EQ(
        Program("{ If = 1; WHILE(2); }"),
        "program{compoundstmt{assignstmt{dsgn{node:If} expr{number:1}} callstmt{dsgn{node:WHILE "
        "expr{number:2}}}}}");
    EXPECT_FALSE(MakeIL(Cpp, "{ if = 1; }").Ok);
}

TEST(CppScript, SyntaxErrors_GiveMessageAndPosition)
{
    struct Case {
        const char *Text, *Msg, *Pos;
    };
    const Case cases[] = {
        {"{ bool b; b = 1 > = 2; }", "';' expected", "1:17"},
        {"{ a = 1 }", "';' expected", "1:9"},
        {"{ a = 1;", "'}' expected", "1:9"},
        {"int a;", "'{' expected", "1:7"},
        {"#foo\r\n{}", "'DEFINE' expected", "1:2"},
        {"{ if a) b(); }", "'(' expected", "1:6"},
        {"{ if (a b(); }", "')' expected", "1:9"},
        {"{ x = ; }", "Expression expected", "1:7"},
        {"{ x = a[1; }", "']' expected", "1:10"},
        {"{ do x(); until (a); }", "'WHILE' expected", "1:11"},
        {"{ try { } x(); }", "'FINALLY' or 'EXCEPT' expected", "1:11"},
        {"{ switch (a) { case 1 x(); } }", "':' expected", "1:23"},
        {"{ x = <a; }", "'>' expected", "1:11"},
    };
    for (const Case &c : cases) {
        const auto il = MakeIL(Cpp, c.Text);
        EXPECT_FALSE(il.Ok) << c.Text;
        EXPECT_EQ(il.ErrorMsg, c.Msg) << c.Text;
        EXPECT_EQ(il.ErrorPos, c.Pos) << c.Text;
    }
}

TEST(CppScript, TextAfterTheMainBlock_IsNeverRead)
{
    EXPECT_EQ(Program("{ a = 1; } these words follow the program"),
              "program{compoundstmt{assignstmt{dsgn{node:a} expr{number:1}}}}");
    EXPECT_TRUE(MakeIL(Cpp, "{}\r\n  garbage ) ; {").Ok);
    // What comes before the main block is still read and still checked.
    EXPECT_FALSE(MakeIL(Cpp, "garbage {}").Ok);
}

TEST(CppScript, CommentsAndTrailingBlanks_AreIgnored)
{
    EXPECT_EQ(Program("/* head */ { a = 1; // tail\r\n } /* end */ \r\n"),
              "program{compoundstmt{assignstmt{dsgn{node:a} expr{number:1}}}}");
}

} // namespace
