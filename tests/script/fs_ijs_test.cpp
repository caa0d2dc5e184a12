#include "ScriptTestSupport.h"

#include <gtest/gtest.h>

using scripttest::Lines;
using scripttest::MakeIL;

namespace
{

const char *const JScript = "JScript";

std::string Program(const AnsiString &Text)
{
    const auto il = MakeIL(JScript, Text);
    return il.Ok ? il.Outline : il.ErrorMsg + " at " + il.ErrorPos;
}

TEST(JScript, FunctionsVariablesAndArrays)
{
    EXPECT_EQ(
        Program(Lines({"function f(n, &m) { return n * 2; }", "var r = f(21);",
                       "var a = [10, 20, 30], c[2];", "b = a[1] + a[2];"})),
        "program{compoundstmt{function{name:f parameters{var{ident:n} var{varparam:& ident:m}} "
        "compoundstmt{return{expr{dsgn{node:n} op:* number:2}}}} var{ident:r "
        "init{expr{dsgn{node:f expr{number:21}}}}} var{ident:a init{expr{set{expr{number:10} "
        "expr{number:20} expr{number:30}}}}} var{ident:c array{dim{expr{number:2}}}} "
        "assignstmt{dsgn{node:b} expr{dsgn{node:a node:[ expr{number:1}} op:+ dsgn{node:a node:[ "
        "expr{number:2}}}}}}");
}

TEST(JScript, Statements_AllKindsInSourceOrder)
{
    EXPECT_EQ(
        Program(
            Lines({"if (a == 1) b = 2 else { b = 3; }", "while (a != 0) a--;",
                   "do a++ while (a < 5);", "for (var i = 0; i <= 9; i += 1) s++;",
                   "switch (a) { case 1: b = 1; default: b = 0 }", "try x() finally { delete o; }",
                   "try { break; } except continue;", "with (o) x = 1;"})),
        "program{compoundstmt{"
        "ifstmt{expr{dsgn{node:a} op:= number:1} thenstmt{assignstmt{dsgn{node:b} expr{number:2}}} "
        "elsestmt{compoundstmt{assignstmt{dsgn{node:b} expr{number:3}}}}} "
        "whilestmt{expr{dsgn{node:a} op:<> number:0} callstmt{dsgn{node:a} modificator:-}} "
        "repeatstmt{callstmt{dsgn{node:a} modificator:+} expr{dsgn{node:a} op:< number:5} inverse} "
        "cppforstmt{var{ident:i init{expr{number:0}}} expr{dsgn{node:i} op:<= number:9} "
        "assignstmt{dsgn{node:i} modificator:+ expr{number:1}} callstmt{dsgn{node:s} "
        "modificator:+}} "
        "casestmt{expr{dsgn{node:a}} caseselector{set{expr{number:1}} assignstmt{dsgn{node:b} "
        "expr{number:1}}} assignstmt{dsgn{node:b} expr{number:0}}} "
        "trystmt{callstmt{dsgn{node:x}} finallystmt{compoundstmt{delete{dsgn{node:o}}}}} "
        "trystmt{compoundstmt{break} exceptstmt{continue}} "
        "with{dsgn{node:o} assignstmt{dsgn{node:x} expr{number:1}}}}}");
}

TEST(JScript, UndeclaredNames_Compile)
{
    EXPECT_EQ(Program("b = a;"),
              "program{compoundstmt{assignstmt{dsgn{node:b} expr{dsgn{node:a}}}}}");
    EXPECT_EQ(Program(""), "program{compoundstmt}");
}

// The statement loop stops at the first thing that is no statement; what is
// left there is an error, not silently dropped code.
TEST(JScript, TextNoStatementReads_IsAnError)
{
    EXPECT_EQ(Program("x = 1 +;"), "Statement expected at 1:7");
    EXPECT_EQ(Program("x = 1; ?? y = 2;"), "Statement expected at 1:8");
}

TEST(JScript, SyntaxErrors_GiveMessageAndPosition)
{
    EXPECT_EQ(Program("if a) b();"), "'(' expected at 1:4");
    EXPECT_EQ(Program("{ a = 1;"), "'}' expected at 1:9");
    EXPECT_EQ(Program("do a++; until (a);"), "'WHILE' expected at 1:9");
    EXPECT_EQ(Program("for (i = 0 i < 1; i++) ;"), "';' expected at 1:12");
    EXPECT_EQ(Program("try x(); y();"), "'FINALLY' or 'EXCEPT' expected at 1:10");
    EXPECT_EQ(Program("function (a) {}"), "Expression expected at 1:10");
    EXPECT_EQ(Program("x = f(1;"), "')' expected at 1:8");
}

} // namespace
