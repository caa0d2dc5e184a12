#include "ScriptTestSupport.h"

#include "script/fs_ipascal.h"
#include "script/fs_itools.h"

#include <gtest/gtest.h>

using scripttest::Lines;
using scripttest::MakeIL;

namespace
{

const char *const Pascal = "PascalScript";

std::string Program(const AnsiString &Text)
{
    return MakeIL(Pascal, Text).Outline;
}

TEST(PascalScript, Declarations_ConstVarProcedureFunction)
{
    EXPECT_EQ(
        Program(Lines({"program Test;", "const N = 3;",
                       "var a: array[1..N] of Integer; s: String = 'x';",
                       "procedure P(var x, y: Integer; const z: String);", "begin x := y end;",
                       "function F(i: Integer): Integer;", "var t: Integer;",
                       "begin Result := i * 2 end;", "begin end."})),
        "program{const{ident:N expr{number:3}} var{ident:a array{dim{expr{number:1} "
        "expr{dsgn{node:N}}}} type:Integer} var{ident:s type:String init{expr{string:'x'}}} "
        "procedure{name:P parameters{varparams var{ident:x ident:y type:Integer} var{ident:z "
        "type:String}} compoundstmt{assignstmt{dsgn{node:x} expr{dsgn{node:y}}}}} function{name:F "
        "parameters{var{ident:i type:Integer}} type:Integer var{ident:t type:Integer} "
        "compoundstmt{assignstmt{dsgn{node:Result} expr{dsgn{node:i} op:* number:2}}}} "
        "compoundstmt}");
}

TEST(PascalScript, Statements_AllKindsInSourceOrder)
{
    EXPECT_EQ(
        Program(
            Lines({"begin", "  if a[1] <> 0 then s := 'y' else s := 'n';",
                   "  case a[2] of 1, 2..3: P(t, t, s); 4: ; else exit end;",
                   "  repeat Inc(t) until t >= 10;", "  while not b do break;",
                   "  for t := 10 downto 1 do continue;", "  try P(t, t, 'x') finally s := '' end;",
                   "  try F(1) except s := #13#10'z' end;", "  with a, s do x := @P", "end."})),
        "program{compoundstmt{"
        "ifstmt{expr{dsgn{node:a node:[ expr{number:1}} op:<> number:0} "
        "thenstmt{assignstmt{dsgn{node:s} expr{string:'y'}}} "
        "elsestmt{assignstmt{dsgn{node:s} expr{string:'n'}}}} "
        "casestmt{expr{dsgn{node:a node:[ expr{number:2}}} caseselector{set{expr{number:1} "
        "expr{number:2} range:. expr{number:3}} callstmt{dsgn{node:P expr{dsgn{node:t}} "
        "expr{dsgn{node:t}} expr{dsgn{node:s}}}}} caseselector{set{expr{number:4}}} exit} "
        "repeatstmt{callstmt{dsgn{node:Inc expr{dsgn{node:t}}}} expr{dsgn{node:t} op:>= "
        "number:10}} "
        "whilestmt{expr{op:not dsgn{node:b}} break} "
        "forstmt{ident:t expr{number:10} downto:downto expr{number:1} continue} "
        "trystmt{callstmt{dsgn{node:P expr{dsgn{node:t}} expr{dsgn{node:t}} expr{string:'x'}}} "
        "finallystmt{assignstmt{dsgn{node:s} expr{string:''}}}} "
        "trystmt{callstmt{dsgn{node:F expr{number:1}}} exceptstmt{assignstmt{dsgn{node:s} "
        "expr{string:'\r\nz'}}}} "
        "with{dsgn{node:a} dsgn{node:s} assignstmt{dsgn{node:x} expr{dsgn{addr:@ node:P}}}}}}");
}

TEST(PascalScript, Expressions_WordOperatorsAndHexNumbers)
{
    EXPECT_EQ(
        Program("begin x := -a * b div c mod d and e shl 1 shr 2 or f xor $FF end."),
        "program{compoundstmt{assignstmt{dsgn{node:x} expr{op:unminus dsgn{node:a} op:* "
        "dsgn{node:b} op:div dsgn{node:c} op:mod dsgn{node:d} op:and dsgn{node:e} op:shl number:1 "
        "op:shr number:2 op:or dsgn{node:f} op:xor number:$FF}}}}");
    EXPECT_EQ(Program("begin b := (x <= 1) = (y >= 2.5e-3) end."),
              "program{compoundstmt{assignstmt{dsgn{node:b} expr{op:( expr{dsgn{node:x} op:<= "
              "number:1} op:) op:= op:( expr{dsgn{node:y} op:>= number:2.5e-3} op:)}}}}");
}

TEST(PascalScript, KeywordsMatchInAnyCase)
{
    EXPECT_EQ(Program("BEGIN If X THEN Y END."),
              "program{compoundstmt{ifstmt{expr{dsgn{node:X}} thenstmt{callstmt{dsgn{node:Y}}}}}}");
}

TEST(PascalScript, VarSectionBeforeEmptyBlock_CancelsIdentifierError)
{
    const auto il =
        MakeIL(Pascal, Lines({"var i, s: Integer;", "begin", "  s := 0;", "  for i := 1 to 10 do",
                              "    if i mod 2 = 0 then s := s + i;", "end."}));
    ASSERT_TRUE(il.Ok) << il.ErrorMsg << " at " << il.ErrorPos;
    EXPECT_EQ(
        il.Outline,
        "program{var{ident:i ident:s type:Integer} compoundstmt{assignstmt{dsgn{node:s} "
        "expr{number:0}} forstmt{ident:i expr{number:1} expr{number:10} ifstmt{expr{dsgn{node:i} "
        "op:mod number:2 op:= number:0} thenstmt{assignstmt{dsgn{node:s} expr{dsgn{node:s} op:+ "
        "dsgn{node:i}}}}}}}}");
}

// An operator without its operand is not half a repetition of the operator
// loop: the expression ends before it, and the statement list reports it.
TEST(PascalScript, OperatorWithoutOperand_IsAnError)
{
    const auto il = MakeIL(Pascal, "begin x := a + b - ; end.");
    EXPECT_FALSE(il.Ok);
    EXPECT_EQ(il.ErrorMsg, "';' expected");
    EXPECT_EQ(il.ErrorPos, "1:18");
}

TEST(PascalScript, TextAfterTheFinalDot_IsIgnored)
{
    EXPECT_TRUE(MakeIL(Pascal, "begin end. these are notes, not code").Ok);
}

TEST(PascalScript, SyntaxErrors_GiveMessageAndPosition)
{
    struct Case {
        AnsiString Text;
        const char *Msg, *Pos;
    };
    const Case cases[] = {
        {Lines({"begin end"}), "'.' expected", "2:1"},
        {"begin x : = 1 end.", "'=' expected", "1:11"},
        {"begin x := 1 y := 2 end.", "';' expected", "1:14"},
        {"var x Integer; begin end.", "':' expected", "1:7"},
        {"x := 1.", "'BEGIN' expected", "1:1"},
        {"begin if x y end.", "'THEN' expected", "1:12"},
        {"begin for i := 1 up 2 do end.", "'TO' or 'DOWNTO' expected", "1:18"},
        {"begin while x y end.", "'DO' expected", "1:15"},
        {"begin repeat x end.", "'UNTIL' expected", "1:16"},
        {"begin case x 1: y end end.", "'OF' expected", "1:14"},
        {"begin try x end.", "'FINALLY' or 'EXCEPT' expected", "1:13"},
        {"begin a. := 1 end.", "Identifier expected", "1:10"},
        {"begin x := (1 end.", "')' expected", "1:15"},
        {"var a: array[1..2 Integer; begin end.", "']' expected", "1:19"},
        {"begin x := 'abc end.", "Expression expected", "1:12"},
    };
    for (const Case &c : cases) {
        const auto il = MakeIL(Pascal, c.Text);
        EXPECT_FALSE(il.Ok) << c.Text.View();
        EXPECT_EQ(il.ErrorMsg, c.Msg) << c.Text.View();
        EXPECT_EQ(il.ErrorPos, c.Pos) << c.Text.View();
    }
}

TEST(PascalScript, LegacyGrammar_TakesBackQuoteSetsBracketFieldsAndUndeclaredNames)
{
    const AnsiString standard = fsGetLanguage(Pascal);
    fsModifyPascalForLegacy();
    TfsILParser parser(nullptr);
    parser.SelectLanguage(Pascal);
    EXPECT_FALSE(parser.NeedDeclareVars());
    ASSERT_TRUE(parser.MakeILScript("begin x := y in `1, 2`; z := [ds.\"f\"] end."))
        << parser.ErrorMsg().View();
    EXPECT_EQ(scripttest::Outline(parser.ILScript()->Root()),
              "program{compoundstmt{assignstmt{dsgn{node:x} expr{dsgn{node:y} op:in "
              "set{expr{number:1} expr{number:2}}}} assignstmt{dsgn{node:z} expr{dsgn{node:Get "
              "expr{string:'ds.\"f\"'}}}}}}");
    fsRegisterLanguage(Pascal, standard);
}

} // namespace
