// Calls of script routines, in every language: what reaches the routine, what comes
// back to the caller and what the routine keeps, including recursion, nested calls
// and calls left by an exception.

#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

#include <memory>

using namespace scriptrun;

TEST(CallsRun, ValueParameterChangedInTheCallee_LeavesTheCallersText)
{
    auto Pascal =
        Make("PascalScript", {"var s, r: String;",
                              "function F(t: String): String; begin t := t + 'y'; t[1] := 'Z';",
                              "  Result := t; end;", "begin s := 'abc'; r := F(s); end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "s"), "abc");
    EXPECT_EQ(Text(*Pascal, "r"), "Zbcy");

    auto Cpp = Make("C++Script",
                    {"string s, r;", "string F(string t) { t = t + \"y\"; t += \"z\"; return t; }",
                     "{ s = \"abc\"; r = F(s); }"});
    Exec(*Cpp);
    EXPECT_EQ(Text(*Cpp, "s"), "abc");
    EXPECT_EQ(Text(*Cpp, "r"), "abcyz");

    auto Js = Make("JScript", {"function F(t) { t = t + \"y\"; return t; }", "var s = \"abc\";",
                               "var r = F(s);"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "s"), "abc");
    EXPECT_EQ(Text(*Js, "r"), "abcy");

    auto Basic = Make("BasicScript", {"Function F(t)", "t = t + \"y\"", "Return t", "End Function",
                                      "Dim s, r", "s = \"abc\"", "r = F(s)"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "s"), "abc");
    EXPECT_EQ(Text(*Basic, "r"), "abcy");
}

TEST(CallsRun, VarParameter_IsTheCallersRightAfterTheCall)
{
    TTextHost Host(nullptr);
    Host.Text = "h";
    auto Pascal = Make("PascalScript", {"var s, r1, r2: String; a: array[0..1] of String;",
                                        "procedure Add(var t: String); begin t := t + 'x'; end;",
                                        "begin s := 'a'; Add(s); r1 := s; Add(s); r2 := s;",
                                        "  a[1] := 'e'; Add(a[1]); Add(H.Text); end."});
    AddHost(*Pascal, Host);
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "r1"), "ax");
    EXPECT_EQ(Text(*Pascal, "r2"), "axx");
    EXPECT_EQ(VarToStr(Pascal->Evaluate("a[1]")).View(), "ex");
    EXPECT_EQ(Host.Text.View(), "hx");

    auto Cpp = Make("C++Script", {"string s, r;", "void Add(string &t) { t = t + \"x\"; }",
                                  "{ s = \"a\"; Add(s); r = s; Add(s); }"});
    Exec(*Cpp);
    EXPECT_EQ(Text(*Cpp, "r"), "ax");
    EXPECT_EQ(Text(*Cpp, "s"), "axx");

    auto Js = Make("JScript", {"function Add(&t) { t = t + \"x\"; }", "var s = \"a\";", "Add(s);",
                               "var r = s;", "Add(s);"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "r"), "ax");
    EXPECT_EQ(Text(*Js, "s"), "axx");

    auto Basic = Make("BasicScript", {"Sub Add(ByRef t)", "t = t + \"x\"", "End Sub", "Dim s, r",
                                      "s = \"a\"", "Add(s)", "r = s", "Add(s)"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "r"), "ax");
    EXPECT_EQ(Text(*Basic, "s"), "axx");
}

TEST(CallsRun, NestedCalls_EvaluateEveryArgumentBeforePassingAny)
{
    auto Pascal = Make("PascalScript",
                       {"var r, d: String;",
                        "function Two(a, b: String): String; begin Result := a + '|' + b; end;",
                        "function Opt(a: String; b: String = 'dflt'): String;",
                        "  begin Result := a + '/' + b; end;",
                        "begin r := Two(Two('a', 'b'), Two('c', 'd')); d := Opt(Opt('x')); end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "r"), "a|b|c|d");
    EXPECT_EQ(Text(*Pascal, "d"), "x/dflt/dflt");

    auto Js = Make("JScript", {"function Two(a, b) { return a + \"|\" + b; }",
                               "var r = Two(Two(\"a\", \"b\"), Two(\"c\", \"d\"));"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "r"), "a|b|c|d");
}

TEST(CallsRun, HostRoutineCalledByItsName_TakesEveryArgumentFirstAndHandsVarOnesBack)
{
    TTextHost Host(nullptr);
    Host.Text = "host";
    auto Pascal = Make(
        "PascalScript",
        {"var s, t, r, f: String; a: array[0..1] of String;",
         "function Five(p, q, r, s, t: String): String; begin Result := p + q + r + s + t; end;",
         "begin s := 'abcdef'; r := Copy(Copy(s, 2, 4), Length(Copy(s, 1, 2)), 2);",
         "  Delete(s, 1, 2); t := 'xy'; Insert(Copy(s, 1, 2), t, 2);",
         "  a[1] := 'hello'; Delete(a[1], 1, Length(a[0]) + 1); Delete(H.Text, 1, 1);",
         "  f := Five('1', Five('a', 'b', 'c', 'd', 'e'), Copy(s, 1, 1), '4', '5'); end."});
    AddHost(*Pascal, Host);
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "r"), "cd");
    EXPECT_EQ(Text(*Pascal, "s"), "cdef");
    EXPECT_EQ(Text(*Pascal, "t"), "xcdy");
    EXPECT_EQ(VarToStr(Pascal->Evaluate("a[1]")).View(), "ello");
    EXPECT_EQ(Host.Text.View(), "ost");
    EXPECT_EQ(Text(*Pascal, "f"), "1abcdec45");

    auto Js = Make("JScript", {"var s = \"abcdef\"; var a = [\"\", \"hello\"];",
                               "DeleteStr(s, 1, 2); DeleteStr(a[1], 2, 2);",
                               "var r = Copy(Copy(s, 2, 3), Pos(\"e\", Copy(s, 1, 9)), 2);"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "s"), "cdef");
    EXPECT_EQ(VarToStr(Js->Evaluate("a[1]")).View(), "hlo");
    EXPECT_EQ(Text(*Js, "r"), "f");

    auto Basic = Make("BasicScript", {"Dim s, r", "s = \"abcdef\"", "DeleteStr(s, 2, 3)",
                                      "r = Copy(Copy(s, 1, 2), Length(s) - 1, 1)"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "s"), "aef");
    EXPECT_EQ(Text(*Basic, "r"), "e");
}

TEST(CallsRun, RecursiveCalls_KeepEachCallsParametersAndLocals)
{
    auto Cpp = Make("C++Script", {"string r;", "string Nest(int n, string t) { string k; k = t;",
                                  "  if (n > 0) k = k + \"(\" + Nest(n - 1, t + \"-\") + \")\";",
                                  "  return k + t; }", "{ r = Nest(2, \"a\"); }"});
    Exec(*Cpp);
    EXPECT_EQ(Text(*Cpp, "r"), "a(a-(a--a--)a-)a");

    auto Basic =
        Make("BasicScript",
             {"Sub Count(ByRef total, n)", "Dim k", "k = n", "If n > 0 Then", "Count(total, n - 1)",
              "End If", "total = total + k", "End Sub", "Dim t", "t = 0", "Count(t, 3)"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "t"), "6");
}

TEST(CallsRun, LocalOfARoutine_KeepsWhatItsLastCallLeft)
{
    auto Pascal =
        Make("PascalScript",
             {"var r: String;", "function F(t: String): String; var l: String; n: Integer;",
              "  begin l := l + t; n := n + 1; Result := l + IntToStr(n); end;",
              "begin r := F('a'); r := r + '|' + F('b'); end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "r"), "a1|ab2");

    auto Js = Make("JScript", {"function F(t) { var l; if (l == null) l = \"\"; l = l + t;",
                               "  return l; }", "var r = F(\"a\"); r = r + \"|\" + F(\"b\");"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "r"), "a|ab");
}

TEST(CallsRun, ExceptionInTheCallee_LeavesTheCallersVariables)
{
    auto Pascal =
        Make("PascalScript",
             {"var s, v, r: String;",
              "function F(t: String): String; begin t := t + 'y'; RaiseException('no'); end;",
              "procedure P(var t: String); begin t := t + 'x'; RaiseException('no'); end;",
              "begin s := 'abc'; v := 'def';", "  try s := F(s); except end;",
              "  try P(v); except end;", "  r := s + '|' + v; end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "r"), "abc|def");

    auto Js = Make("JScript", {"function P(&t) { t = t + \"x\"; RaiseException(\"no\"); }",
                               "var v = \"def\";", "try { P(v); } except { }", "var r = v;"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "r"), "def");
}

TEST(CallsRun, ExceptionInAnArgument_LeavesTheRoutineUncalledAndItsTargetAsItWas)
{
    auto Pascal = Make(
        "PascalScript",
        {"var s, r, log: String;",
         "function Two(a, b: String): String; begin log := log + '2'; Result := a + b; end;",
         "function Five(a, b, c, d, e: String): String; begin log := log + '5'; end;",
         "function Boom: String; begin RaiseException('no'); end;",
         "begin s := 'abc'; r := 'kept'; log := '';", "  try r := Two(s + 'x', Boom); except end;",
         "  try r := Copy(s + 'y', Length(Boom), 1); except end;",
         "  try r := Five(s + '1', s + '2', s + '3', s + '4', Boom); except end; end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "r"), "kept");
    EXPECT_EQ(Text(*Pascal, "log"), "");
    EXPECT_EQ(Text(*Pascal, "s"), "abc");
}
