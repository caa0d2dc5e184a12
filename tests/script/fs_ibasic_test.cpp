#include "ScriptTestSupport.h"

#include <gtest/gtest.h>

using scripttest::Lines;
using scripttest::MakeIL;

namespace
{

const char *const Basic = "BasicScript";

std::string Program(const AnsiString &Text)
{
    const auto il = MakeIL(Basic, Text);
    return il.Ok ? il.Outline : il.ErrorMsg + " at " + il.ErrorPos;
}

TEST(BasicScript, ForLoopAndConcatenation)
{
    EXPECT_EQ(
        Program(Lines({"Dim s", "s = \"\"", "For i = 1 To 3", "  s = s & i", "Next"})),
        "program{compoundstmt{var{ident:s} assignstmt{dsgn{node:s} expr{string:''}} "
        "vbforstmt{ident:i expr{number:1} expr{number:3} compoundstmt{assignstmt{dsgn{node:s} "
        "expr{dsgn{node:s} op:strcat dsgn{node:i}}}}}}}");
}

TEST(BasicScript, Declarations_DimSubFunction)
{
    EXPECT_EQ(
        Program(Lines({"Dim a[3], b As Integer = 5", "Sub P(ByRef a, ByVal b As Integer)",
                       "  a = b \\ 2 Mod 3", "End Sub", "Function F(x) As String",
                       "  Return x & \"!\"", "End Function"})),
        "program{compoundstmt{var{ident:a array{dim{expr{number:3}}}} var{ident:b type:Integer "
        "init{expr{number:5}}} procedure{name:P parameters{varparams var{ident:a} var{ident:b "
        "type:Integer}} compoundstmt{assignstmt{dsgn{node:a} expr{dsgn{node:b} op:div number:2 "
        "op:mod number:3}}}} function{name:F parameters{var{ident:x}} type:String "
        "compoundstmt{return{expr{dsgn{node:x} op:strcat string:'!'}}}}}}");
}

TEST(BasicScript, IfBlockWithElseIfAndElse_NestsInElsePart)
{
    EXPECT_EQ(Program(Lines({"If a = 1 Then", "  b = 1", "ElseIf a = 2 Then", "  b = 2", "Else",
                             "  b = 3", "End If"})),
              "program{compoundstmt{ifstmt{expr{dsgn{node:a} op:= number:1} "
              "thenstmt{compoundstmt{assignstmt{dsgn{node:b} expr{number:1}}}} "
              "elsestmt{ifstmt{expr{dsgn{node:a} op:= number:2} thenstmt{compoundstmt{assignstmt{"
              "dsgn{node:b} expr{number:2}}}} elsestmt{compoundstmt{assignstmt{dsgn{node:b} "
              "expr{number:3}}}}}}}}}");
}

TEST(BasicScript, OneLineIf_NeedsNoEndIf)
{
    EXPECT_EQ(Program(Lines({"If x <> 0 Then y = 1 : z = 2", "w = 3"})),
              "program{compoundstmt{ifstmt{expr{dsgn{node:x} op:<> number:0} "
              "thenstmt{assignstmt{dsgn{node:y} expr{number:1}} assignstmt{dsgn{node:z} "
              "expr{number:2}}}} assignstmt{dsgn{node:w} expr{number:3}}}}");
}

TEST(BasicScript, SelectDoWhileTryWith)
{
    EXPECT_EQ(Program(Lines({"Select Case a",    "Case 1, 2:",  "  b = 1",     "Case Else:",
                             "  b = 0",          "End Select",  "Do",          "  i = i + 1",
                             "Loop Until i > 5", "Do",          "  i = i - 1", "Loop While i > 0",
                             "While i < 3",      "  i = i + 1", "Wend",        "Try",
                             "  x = 1",          "Catch",       "  x = 2",     "End Try",
                             "With o",           "  x = 1",     "End With"})),
              "program{compoundstmt{casestmt{expr{dsgn{node:a}} caseselector{set{expr{number:1} "
              "expr{number:2}} compoundstmt{assignstmt{dsgn{node:b} expr{number:1}}}} "
              "compoundstmt{assignstmt{dsgn{node:b} expr{number:0}}}} "
              "repeatstmt{compoundstmt{assignstmt{dsgn{node:i} expr{dsgn{node:i} op:+ number:1}}} "
              "expr{dsgn{node:i} op:> number:5}} "
              "repeatstmt{compoundstmt{assignstmt{dsgn{node:i} expr{dsgn{node:i} op:- number:1}}} "
              "expr{dsgn{node:i} op:> number:0} inverse} "
              "whilestmt{expr{dsgn{node:i} op:< number:3} compoundstmt{assignstmt{dsgn{node:i} "
              "expr{dsgn{node:i} op:+ number:1}}}} "
              "trystmt{compoundstmt{assignstmt{dsgn{node:x} expr{number:1}}} "
              "exceptstmt{compoundstmt{assignstmt{dsgn{node:x} expr{number:2}}}}} "
              "with{dsgn{node:o} compoundstmt{assignstmt{dsgn{node:x} expr{number:1}}}}}}");
}

TEST(BasicScript, SetNewAddressOfAndHex)
{
    EXPECT_EQ(Program(Lines({"Set o = New TList", "p = AddressOf Q", "h = 0x1F"})),
              "program{compoundstmt{assignstmt{dsgn{node:o} expr{new{dsgn{node:TList}}}} "
              "assignstmt{dsgn{node:p} expr{dsgn{addr:AddressOf node:Q}}} assignstmt{dsgn{node:h} "
              "expr{number:$1F}}}}");
}

TEST(BasicScript, LineRules_SeparatorsContinuationAndComments)
{
    EXPECT_EQ(
        Program(Lines({"a = 1 : b = 2", "x = 1 + _", "  2", "rem a note", "' another",
                       "y = 3 ' after a statement", "remainder = 4"})),
        "program{compoundstmt{assignstmt{dsgn{node:a} expr{number:1}} assignstmt{dsgn{node:b} "
        "expr{number:2}} assignstmt{dsgn{node:x} expr{number:1 op:+ number:2}} "
        "assignstmt{dsgn{node:y} expr{number:3}} assignstmt{dsgn{node:remainder} "
        "expr{number:4}}}}");
}

TEST(BasicScript, LineFeedAloneEndsALine)
{
    EXPECT_EQ(
        Program("x = 1\ny = 2 ' note\nz = 3\n"),
        "program{compoundstmt{assignstmt{dsgn{node:x} expr{number:1}} assignstmt{dsgn{node:y} "
        "expr{number:2}} assignstmt{dsgn{node:z} expr{number:3}}}}");
}

TEST(BasicScript, SyntaxErrors_GiveMessageAndPosition)
{
    EXPECT_EQ(Program(Lines({"x = 1 y = 2"})), "End of line expected at 1:7");
    EXPECT_EQ(Program(Lines({"If x Then", "y = 1"})), "'END' expected at 3:1");
    EXPECT_EQ(Program(Lines({"If x Then", "y = 1", "End Sub"})), "'IF' expected at 3:5");
    EXPECT_EQ(Program(Lines({"For i = 1 3"})), "'TO' expected at 1:11");
    EXPECT_EQ(Program(Lines({"For i = 1 To 3", "Wend"})), "'NEXT' expected at 2:1");
    EXPECT_EQ(Program(Lines({"Do", "Loop"})), "'WHILE' expected at 2:5");
    EXPECT_EQ(Program(Lines({"While x", "Loop"})), "'WEND' expected at 2:1");
    EXPECT_EQ(Program(Lines({"Select x"})), "'CASE' expected at 1:8");
    EXPECT_EQ(Program(Lines({"Try", "Loop"})), "'FINALLY' or 'CATCH' expected at 2:1");
    EXPECT_EQ(Program(Lines({"Sub P", "End Function"})), "'SUB' expected at 2:5");
}

// A capital REM is no comment (the opener is matched with case) and REM is a
// reserved word, so no rule matches: that must not pass as an empty program.
TEST(BasicScript, LineNoRuleMatches_IsAnError)
{
    EXPECT_EQ(Program(Lines({"REM note", "x = 1"})), "Statement expected at 1:1");
    EXPECT_EQ(Program(Lines({"x = 1", "REM note"})), "Statement expected at 2:1");
}

TEST(BasicScript, BlankText_IsAnEmptyProgram)
{
    EXPECT_EQ(Program(""), "program");
    EXPECT_EQ(Program(Lines({"", "' only a comment", ""})), "program{compoundstmt}");
}

} // namespace
