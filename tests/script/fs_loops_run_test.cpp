// Every loop form of the four languages, run from end to end: counts, the
// clauses of C-style headers, break and continue.

#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

namespace
{

// Far more statements than any of these loops runs: a loop that never ends is
// stopped and reported instead of hanging the test.
constexpr int StatementLimit = 20000;

// Compiles and runs; false when the run had to be stopped.
bool RunBounded(TfsScript &Script)
{
    int statements = 0;
    Script.OnRunLine = [&](TfsScript *Sender, const AnsiString &, const AnsiString &) {
        if (++statements > StatementLimit) Sender->MainScript()->Terminate();
    };
    Exec(Script);
    Script.OnRunLine = nullptr;
    return statements <= StatementLimit;
}

} // namespace

TEST(PascalLoops, ForToDowntoWhileAndRepeat)
{
    auto Script = Make("PascalScript", {"var i, s, n, r: Integer; t: String;", "begin", "  s := 0;",
                                        "  for i := 1 to 4 do s := s + i;", "  t := '';",
                                        "  for i := 3 downto 1 do t := t + IntToStr(i);",
                                        "  n := 0;", "  while n < 5 do n := n + 2;", "  r := 0;",
                                        "  repeat r := r + 3 until r > 7;", "end."});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "10");
    EXPECT_EQ(Text(*Script, "t"), "321");
    EXPECT_EQ(Text(*Script, "n"), "6");
    EXPECT_EQ(Text(*Script, "r"), "9");
}

TEST(PascalLoops, BoundsThatMeetRunOncePassedBoundsNever)
{
    auto Script = Make("PascalScript",
                       {"var i, n, m: Integer;", "begin", "  n := 0; m := 0;",
                        "  for i := 3 downto 3 do n := n + 1;", "  for i := 4 to 3 do m := m + 1;",
                        "  for i := 3 downto 4 do m := m + 1;", "end."});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "n"), "1");
    EXPECT_EQ(Text(*Script, "m"), "0");
}

TEST(PascalLoops, CaseWithoutAMatchOrElse_DoesNothing)
{
    auto Script = Make("PascalScript",
                       {"var n: Integer;", "begin", "  n := 0;",
                        "  case 7 of 1: n := 1; 2..5: n := 2; end;", "  n := n + 10;", "end."});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "n"), "10");
}

TEST(PascalLoops, BreakAndContinue)
{
    auto Script = Make("PascalScript",
                       {"var i, s, w: Integer;", "begin", "  s := 0;", "  for i := 1 to 10 do",
                        "  begin", "    if i mod 2 = 0 then continue;", "    if i > 7 then break;",
                        "    s := s + i;", "  end;", "  w := 0;", "  while True do",
                        "  begin w := w + 1; if w = 4 then break; end;", "end."});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "16"); // 1 + 3 + 5 + 7
    EXPECT_EQ(Text(*Script, "w"), "4");
}

TEST(CppLoops, ForWhileAndDoWhile)
{
    auto Script = Make("C++Script",
                       {"int i, s, n, d, w;", "{", "  s = 0;", "  for (i = 0; i < 5; i++) s += i;",
                        "  n = 0;", "  for (int j = 0, k = 10; j < k; j++, k--) n++;", "  w = 7;",
                        "  while (w > 0) w = w - 3;", "  d = 0;",
                        "  do { d = d + 4; } while (d < 10);", "}"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "10");
    EXPECT_EQ(Text(*Script, "i"), "5");
    EXPECT_EQ(Text(*Script, "n"), "5");
    EXPECT_EQ(Text(*Script, "w"), "-2");
    EXPECT_EQ(Text(*Script, "d"), "12");
}

TEST(CppLoops, ContinueStillRunsTheStepAndBreakLeaves)
{
    auto Script = Make(
        "C++Script", {"int i, s, w;", "{", "  s = 0;", "  for (i = 0; i < 10; i++) {",
                      "    if (i % 2 == 1) continue;", "    if (i > 6) break;", "    s += i;",
                      "  }", "  w = 0;", "  do { w++; if (w == 3) break; } while (w < 100);", "}"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "12"); // 0 + 2 + 4 + 6
    EXPECT_EQ(Text(*Script, "i"), "8");
    EXPECT_EQ(Text(*Script, "w"), "3");
}

TEST(BasicLoops, ForWithStepWhileWendAndBothDoLoops)
{
    auto Script = Make("BasicScript",
                       {"s = 0", "For i = 1 To 10 Step 3", "  s = s + i", "Next", "n = 0",
                        "While n < 5", "  n = n + 2", "Wend", "d = 0", "Do", "  d = d + 1",
                        "Loop Until d >= 3", "w = 10", "Do", "  w = w - 4", "Loop While w > 0"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "22"); // 1 + 4 + 7 + 10
    EXPECT_EQ(Text(*Script, "n"), "6");
    EXPECT_EQ(Text(*Script, "d"), "3");
    EXPECT_EQ(Text(*Script, "w"), "-2");
}

TEST(BasicLoops, ForWithStepZero_RunsUntilABreak)
{
    auto Script = Make("BasicScript", {"n = 0", "For i = 1 To 3 Step 0", "  n = n + 1",
                                       "  If n = 50 Then Break", "Next"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "n"), "50");
    EXPECT_EQ(Text(*Script, "i"), "1");
}

TEST(BasicLoops, ExitFromLoopsWithBreak)
{
    auto Script = Make("BasicScript", {"s = 0", "For i = 1 To 100", "  If i > 4 Then Break",
                                       "  s = s + i", "Next"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "10");
}

TEST(JScriptLoops, ForRunsItsFirstAndThirdClauses)
{
    // The counter is never declared: only the first clause gives it a value.
    auto Script = Make("JScript", {"var s = 0;", "for (i = 0; i < 5; i++) s += i;"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "s"), "10");
    EXPECT_EQ(Text(*Script, "i"), "5");
}

TEST(JScriptLoops, ForWithAVarClauseAndAnAssigningStep)
{
    auto Script =
        Make("JScript", {"var n = 0, last;", "for (var j = 10; j > 0; j -= 3) { n++; last = j; }"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "n"), "4");
    EXPECT_EQ(Text(*Script, "last"), "1");
    EXPECT_EQ(Text(*Script, "j"), "-2");
}

TEST(JScriptLoops, WhileDoWhileContinueAndBreak)
{
    auto Script =
        Make("JScript", {"var n = 0; while (n < 5) n = n + 2;", "var d = 0; do d++; while (d < 3);",
                         "var s = 0;", "for (i = 0; i < 10; i++) {", "  if (i % 2 == 1) continue;",
                         "  if (i > 6) break;", "  s += i;", "}"});
    ASSERT_TRUE(RunBounded(*Script));
    EXPECT_EQ(Text(*Script, "n"), "6");
    EXPECT_EQ(Text(*Script, "d"), "3");
    EXPECT_EQ(Text(*Script, "s"), "12");
    EXPECT_EQ(Text(*Script, "i"), "8");
}

// ---------------------------------------------------------------- counters and elements
// Loops step their counters and reach array elements by short ways; what a script
// sees must stay what the general statements give.

TEST(LoopCounters, CounterSetInTheBody_IsWhereTheNextPassStarts)
{
    auto Cpp = Make("C++Script", {"int i, n;", "{", "  n = 0;",
                                  "  for (i = 0; i < 10; i++) { if (i == 2) i = 7; n++; }", "}"});
    ASSERT_TRUE(RunBounded(*Cpp));
    EXPECT_EQ(Text(*Cpp, "n"), "5"); // 0 1 2 8 9
    EXPECT_EQ(Text(*Cpp, "i"), "10");
    auto Js =
        Make("JScript", {"var n = 0;", "for (var i = 10; i > 0; i--) { if (i == 8) i = 3; n++; }"});
    ASSERT_TRUE(RunBounded(*Js));
    EXPECT_EQ(Text(*Js, "n"), "5"); // 10 9 8 2 1
    EXPECT_EQ(Text(*Js, "i"), "0");
}

TEST(LoopCounters, CounterThatStopsBeingAnInteger_StepsAsAnAddition)
{
    auto Js = Make("JScript",
                   {"var n = 0;", "for (var i = 0; i < 5; i++) { if (i == 1) i = 2.5; n++; }"});
    ASSERT_TRUE(RunBounded(*Js));
    EXPECT_EQ(Text(*Js, "n"), "4"); // 0 1 3.5 4.5
    EXPECT_EQ(Text(*Js, "i"), "5.5");
    EXPECT_EQ(Type(*Js, "i"), varDouble);
}

TEST(LoopCounters, StepPastTheLargestInteger_BecomesInt64)
{
    auto Js =
        Make("JScript", {"var i = 2147483646;", "i++; i++;", "var j = -2147483647;", "j--; j--;"});
    ASSERT_TRUE(RunBounded(*Js));
    EXPECT_EQ(Text(*Js, "i"), "2147483648");
    EXPECT_EQ(Type(*Js, "i"), varInt64);
    EXPECT_EQ(Text(*Js, "j"), "-2147483649");
}

TEST(LoopCounters, ConditionOnTextOrMixedValues_ComparesAsVariants)
{
    // Integers on both sides are compared directly; anything else as before.
    auto Js =
        Make("JScript", {"var n = 0, s = \"b\";", "while (s < \"bbbb\") { s = s + \"b\"; n++; }",
                         "var m = 0;", "for (var k = 0; k <= 2.5; k++) m++;"});
    ASSERT_TRUE(RunBounded(*Js));
    EXPECT_EQ(Text(*Js, "n"), "3");
    EXPECT_EQ(Text(*Js, "m"), "3");
}

TEST(LoopElements, NestedLoopsFillAndReadATwoDimensionalArray)
{
    auto Pascal = Make("PascalScript",
                       {"var m: array[0..2, 0..3] of Integer; i, j, s: Integer;", "begin",
                        "  for i := 0 to 2 do for j := 0 to 3 do m[i, j] := i * 10 + j;",
                        "  s := 0;", "  for i := 0 to 2 do for j := 0 to 3 do s := s + m[i, j];",
                        "  s := s * 100 + m[2, 1];", "end."});
    ASSERT_TRUE(RunBounded(*Pascal));
    EXPECT_EQ(Text(*Pascal, "s"), "13821"); // (120 + 18) * 100 + 21
}

TEST(LoopElements, ArrayReplacedOrCopiedInsideTheLoop)
{
    // A copy taken inside the loop keeps its own elements; after the replacement
    // the element is that of the new array.
    auto Js = Make("JScript",
                   {"var a = [0, 0];", "var b;", "for (var i = 0; i < 5; i++) {",
                    "  a[0] = a[0] + 1;", "  if (i == 1) b = a;", "  if (i == 3) a = [100, 200];",
                    "}", "var r = a[0], q = b[0], c = a[1];"});
    ASSERT_TRUE(RunBounded(*Js));
    EXPECT_EQ(Text(*Js, "r"), "101");
    EXPECT_EQ(Text(*Js, "q"), "2");
    EXPECT_EQ(Text(*Js, "c"), "200");
    auto Pascal =
        Make("PascalScript",
             {"var v, w: Variant; i: Integer;", "begin", "  v := VarArrayCreate([0, 1], 12);",
              "  v[0] := 0;", "  for i := 1 to 5 do", "  begin", "    v[0] := v[0] + 1;",
              "    if i = 2 then begin w := v; SetLength(v, 4); v[3] := 'x'; end;", "  end;",
              "  w := IntToStr(w[0]) + '/' + IntToStr(v[0]) + v[3];", "end."});
    ASSERT_TRUE(RunBounded(*Pascal));
    EXPECT_EQ(Text(*Pascal, "w"), "2/5x");
}

TEST(LoopElements, JScriptObjectThatIsNoArray_IsIndexedThroughItsClass)
{
    auto Js = Make("JScript", {"var sl = TStringList.Create;", "sl.Add(\"\");",
                               "for (var i = 0; i < 3; i++) sl[0] = sl[0] + \"x\";",
                               "var r = sl[0];", "sl.Free;"});
    ASSERT_TRUE(RunBounded(*Js));
    EXPECT_EQ(Text(*Js, "r"), "xxx");
}

TEST(LoopElements, VariableThatStopsHoldingAnArray)
{
    // The element is bound while the variable holds an array; once it holds none,
    // reading an element gives Null and writing one is an error.
    auto Read = Make("JScript", {"var a = [\"x\"], r, t;",
                                 "for (var i = 0; i < 2; i++) { t = r; r = a[0]; a = 5; }"});
    EXPECT_EQ(RunError(*Read), "");
    EXPECT_EQ(Text(*Read, "t"), "x");
    EXPECT_EQ(Type(*Read, "r"), varNull);
    auto Write = Make("JScript", {"var a = [\"x\"], n = 0;",
                                  "for (var i = 0; i < 2; i++) { a[0] = \"y\"; a = 5; n++; }"});
    EXPECT_EQ(RunError(*Write), "Variant is not an array");
    EXPECT_EQ(Text(*Write, "n"), "1");
}

TEST(LoopElements, IndexOutsideTheBounds_IsAnErrorAndChangesNothing)
{
    auto Pascal = Make("PascalScript", {"var a: array[0..2] of Integer; i, n: Integer;", "begin",
                                        "  n := 0;", "  for i := 0 to 5 do", "  begin",
                                        "    a[i] := i; n := n + 1;", "  end;", "end."});
    const std::string Error = RunError(*Pascal);
    EXPECT_FALSE(Error.empty());
    EXPECT_EQ(Text(*Pascal, "n"), "3");
    auto Js = Make("JScript", {"var a = [1, 2];", "var r = 0;", "r = a[2];"});
    EXPECT_EQ(RunError(*Js), Error);
    EXPECT_EQ(Text(*Js, "r"), "0");
}

TEST(LoopElements, BreakAndContinueAroundElementWrites)
{
    auto Cpp = Make("C++Script",
                    {"int a[5];", "int i, j, s;", "{", "  for (i = 0; i < 5; i++) a[i] = 0;",
                     "  for (i = 0; i < 5; i++) {", "    for (j = 0; j < 5; j++) {",
                     "      if (j == i) continue;", "      if (j > 3) break;",
                     "      a[i] = a[i] + 1;", "    }", "  }",
                     "  s = a[0] * 10000 + a[1] * 1000 + a[2] * 100 + a[3] * 10 + a[4];", "}"});
    ASSERT_TRUE(RunBounded(*Cpp));
    EXPECT_EQ(Text(*Cpp, "s"), "33334");
}

TEST(LoopElements, IndicesAreReadInTurnBeforeTheElementIsReached)
{
    // The second index changes the variable the first one names: the first keeps
    // the value it had when it was read.
    auto Pascal = Make("PascalScript", {"var m: array[0..2, 0..2] of Integer; i, r: Integer;",
                                        "function F: Integer; begin i := 2; Result := 1; end;",
                                        "begin", "  i := 0; m[i, F] := 7;",
                                        "  i := 0; r := m[i, F] * 10 + m[2, 1];", "end."});
    ASSERT_TRUE(RunBounded(*Pascal));
    EXPECT_EQ(Text(*Pascal, "r"), "70");
}

TEST(LoopElements, TextVariableTakesTextAndConvertsTheRest)
{
    auto Pascal =
        Make("PascalScript",
             {"var s, c: String; v: Variant; i: Integer;", "begin", "  s := 'abc'; c := '';",
              "  for i := 1 to 3 do c := Copy(s, i, 1) + c;", "  v := 12; s := v;", "end."});
    ASSERT_TRUE(RunBounded(*Pascal));
    EXPECT_EQ(Text(*Pascal, "c"), "cba");
    EXPECT_EQ(Text(*Pascal, "s"), "12");
    EXPECT_EQ(Type(*Pascal, "s"), varString);
}
