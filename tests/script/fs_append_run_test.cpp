// Texts built by appending to a variable, in every language: what the text holds
// and what the right-hand side sees and does, since the target is read before it.

#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

TEST(AppendRun, EveryLanguage_BuildsTheSameText)
{
    const char *Want = "a1;a2;a3;";
    auto Pascal = Make("PascalScript",
                       {"var s: String; v: Variant; i: Integer;", "begin s := ''; v := '';",
                        "for i := 1 to 3 do begin", "  s := s + 'a' + IntToStr(i); s := s + ';';",
                        "  v := v + 'a'; v := v + IntToStr(i) + ';';", "end; end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "s"), Want);
    EXPECT_EQ(Text(*Pascal, "v"), Want);

    auto Cpp = Make("C++Script", {"string s; int i;", "{ s = \"\";",
                                  "for (i = 1; i <= 3; i++) { s = s + \"a\" + IntToStr(i); "
                                  "s += \";\"; } }"});
    Exec(*Cpp);
    EXPECT_EQ(Text(*Cpp, "s"), Want);

    auto Js = Make("JScript", {"var s = \"\";", "for (var i = 1; i <= 3; i++) {",
                               "  s = s + \"a\" + IntToStr(i); s += \";\"; }"});
    Exec(*Js);
    EXPECT_EQ(Text(*Js, "s"), Want);

    auto Basic = Make("BasicScript",
                      {"Dim s, t", "s = \"\"", "t = \"\"", "For i = 1 To 3", "  s = s & \"a\" & i",
                       "  s += \";\"", "  t = t + \"a\" + IntToStr(i) + \";\"", "Next"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "s"), Want);
    EXPECT_EQ(Text(*Basic, "t"), Want);
}

TEST(AppendRun, RightSideThatWritesTheTarget_AddsToTheTextReadBefore)
{
    auto Script =
        Make("PascalScript", {"var s, r1, r2, r3, r4, r5: String;",
                              "function Clobber: String; begin s := 'zz'; Result := '!'; end;",
                              "function Grow: String; begin s := s + 'g'; Result := 'r'; end;",
                              "function Poke: String; begin s[1] := 'Z'; Result := 'p'; end;",
                              "begin", "  s := 'a'; s := s + Clobber; r1 := s;",
                              "  s := 'a'; s := s + 'b' + Clobber + 'c'; r2 := s;",
                              "  s := 'a'; s := s + Grow + Grow; r3 := s;",
                              "  s := 'a'; s := s + 'b' + s; r4 := s;",
                              "  s := 'ab'; s := s + Poke; r5 := s;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r1"), "a!");
    EXPECT_EQ(Text(*Script, "r2"), "ab!c");
    EXPECT_EQ(Text(*Script, "r3"), "arr");
    EXPECT_EQ(Text(*Script, "r4"), "aba");
    EXPECT_EQ(Text(*Script, "r5"), "abp");
}

TEST(AppendRun, RightSideThatRetypesAVariant_AddsToTheTextReadBefore)
{
    auto Script = Make("JScript", {"var s = \"a\";", "function clobber() { s = 5; return \"!\"; }",
                                   "s += clobber(); var r1 = s;",
                                   "s = \"a\"; s = s + clobber() + \"c\"; var r2 = s;"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r1"), "a!");
    EXPECT_EQ(Text(*Script, "r2"), "a!c");
}

TEST(AppendRun, RecursiveFunction_KeepsEachCallsOwnText)
{
    auto Script = Make("PascalScript", {"var r: String;", "function Nest(n: Integer): String;",
                                        "var s: String;", "begin s := IntToStr(n);",
                                        "  if n > 0 then s := s + '(' + Nest(n - 1) + ')';",
                                        "  Result := s; end;", "begin r := Nest(3); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "3(2(1(0)))");
}

TEST(AppendRun, HostGetterThatSetsTheTarget_AddsToTheTextReadBefore)
{
    TTextHost Host(nullptr);
    auto Script = Make("PascalScript",
                       {"var s, r1: String;", "begin", "  s := 'a'; s := s + H.Noisy; r1 := s;",
                        "  s := 'a'; s := s + 'b' + H.Noisy + H.Noisy; end."});
    AddHost(*Script, Host);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r1"), "an");
    EXPECT_EQ(Text(*Script, "s"), "abnn");
}

TEST(AppendRun, HostPropertyTarget_IsReadOnceAndWrittenOnce)
{
    TTextHost Host(nullptr);
    Host.Text = "x";
    auto Script = Make("PascalScript", {"begin H.Text := H.Text + 'a' + 'b'; end."});
    AddHost(*Script, Host);
    Exec(*Script);
    EXPECT_EQ(Host.Text.View(), "xab");
    EXPECT_EQ(Host.Reads, 1);
    EXPECT_EQ(Host.Writes, 1);
}

TEST(AppendRun, PieceThatIsNoText_AddsByTheVariantRules)
{
    auto Script =
        Make("PascalScript",
             {"var v, w, x: Variant;", "begin", "  v := '5'; v := v + 1 + 2;",
              "  w := 'ab'; w := w + 'c' + Null + 'd';", "  x := 'ab'; x := x + 'c'; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "v"), "8");
    EXPECT_EQ(Type(*Script, "w"), varNull);
    EXPECT_EQ(Text(*Script, "x"), "abc");
}

TEST(AppendRun, RightSideThatFails_LeavesTheTargetAsItWas)
{
    EXPECT_EQ(PascalS("s := 'a'; try s := s + 'b' + IntToStr(StrToInt('x')); except end;"), "a");
}

TEST(AppendRun, TextsGrownFromOneText_KeepTheirOwn)
{
    auto Script =
        Make("PascalScript", {"var s, t, u, w, v: String; a: array[0..1] of String;", "begin",
                              "  s := 'ab'; t := s; s := s + 'x'; t := t + 'y';",
                              "  u := 'p' + s; w := 'q' + s; a[0] := s; a[1] := a[0] + '1';",
                              "  a[0] := a[0] + '0'; s[1] := 'Z'; v := a[0] + '|' + a[1]; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "Zbx");
    EXPECT_EQ(Text(*Script, "t"), "aby");
    EXPECT_EQ(Text(*Script, "u"), "pabx");
    EXPECT_EQ(Text(*Script, "w"), "qabx");
    EXPECT_EQ(Text(*Script, "v"), "abx0|abx1");
}

TEST(AppendRun, TextsThroughCallsAndTextFunctions_KeepTheCallersText)
{
    auto Script =
        Make("PascalScript",
             {"var s, k, r1, r2, r3, r4, r5, r6, r7: String;",
              "function F(t: String): String; begin Result := t + 'x'; end;",
              "procedure Add(var t: String); begin t := t + 'y'; end;", "begin",
              "  s := 'abc'; k := s; r1 := F(s); r2 := F(s); Add(s); Add(s);",
              "  r3 := s; Delete(s, 1, 1); r4 := s; Insert('-', s, 3); r5 := s;",
              "  r6 := Copy(k, 2, 2) + '|' + Copy(k, 0, 9) + '|' + Copy(k, 4, 1);",
              "  r7 := k; Delete(r7, 3, 5); Insert('!', r7, 9); Insert('<', r7, 0); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r1"), "abcx");
    EXPECT_EQ(Text(*Script, "r2"), "abcx");
    EXPECT_EQ(Text(*Script, "r3"), "abcyy");
    EXPECT_EQ(Text(*Script, "r4"), "bcyy");
    EXPECT_EQ(Text(*Script, "r5"), "bc-yy");
    EXPECT_EQ(Text(*Script, "k"), "abc");
    EXPECT_EQ(Text(*Script, "r6"), "bc|abc|");
    EXPECT_EQ(Text(*Script, "r7"), "<ab!");
}
