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
