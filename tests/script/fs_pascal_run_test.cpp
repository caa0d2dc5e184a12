// PascalScript programs compiled and run from end to end.

#include "platform/rtl/SysUtils.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

TEST(PascalRun, MissingFinalDot_ReportedAtLineAfterLastLine)
{
    auto Script = Make("PascalScript", {"begin end"});
    EXPECT_EQ(CompileError(*Script), "'.' expected @ 2:1");
}

TEST(PascalRun, ForWithModAndVarSection_SumsEvenNumbers)
{
    auto Script =
        Make("PascalScript", {"var i, s: Integer;", "begin", "  s := 0;", "  for i := 1 to 10 do",
                              "    if i mod 2 = 0 then s := s + i;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "30");
    EXPECT_EQ(Text(*Script, "i"), "10");
}

TEST(PascalRun, FloatToIntegerAssignment_IsIncompatible)
{
    auto Script = Make("PascalScript", {"var i: Integer; begin i := 1.5; end."});
    EXPECT_EQ(Script->Compile(), false);
    EXPECT_EQ(Script->ErrorMsg.View(), "Incompatible types: 'Integer', 'Extended'");
}

TEST(PascalRun, RecursiveFunction_ThroughCallFunction)
{
    auto Script =
        Make("PascalScript", {"function Fact(n: Integer): Integer;", "begin",
                              "  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);",
                              "end;", "begin end."});
    ASSERT_EQ(CompileError(*Script), "");
    Variant Args = VarArrayOf({Variant(5)});
    EXPECT_EQ(Script->CallFunction("Fact", Args).AsInteger(), 120);
}

TEST(PascalRun, TryExcept_SwallowsRaisedException)
{
    EXPECT_EQ(PascalS("s := ''; try s := 'a'; RaiseException('boom'); s := s + 'b'; "
                      "except s := s + 'c'; end;"),
              "ac");
}

TEST(PascalRun, UncaughtRaiseException_LeavesExecuteWithItsMessage)
{
    auto Script = Make("PascalScript", {"begin RaiseException('boom'); end."});
    ASSERT_TRUE(Script->Compile());
    try {
        Script->Execute();
        FAIL() << "no exception";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "boom");
    }
}

TEST(PascalRun, SystemFunctions_InOneString)
{
    EXPECT_EQ(PascalS("s := NameCase('jOHN  smith') + '|' + Copy('abc', 0, 2) + '|' + "
                      "IntToStr(Pos('c', 'abc')) + '|' + Format('%d items', [3]) + '|' + "
                      "IntToStr(Round(2.5)) + IntToStr(Round(3.5)) + '|' + Chr(321) + '|' + "
                      "IntToStr(DaysInMonth(2000, 2));"),
              "John  Smith|ab|3|3 items|24|A|29");
    EXPECT_EQ(PascalS("s := IntToStr(DayOfWeek(EncodeDate(2024, 3, 5)));"), "3");
    EXPECT_EQ(PascalS("s := IntToStr(StrToInt(' $1F'));"), "31");
}

TEST(PascalRun, ConversionErrors_CarryTheLibraryTexts)
{
    auto Date = Make("PascalScript", {"var d: Variant; begin d := EncodeDate(2023, 2, 29); end."});
    ASSERT_TRUE(Date->Compile());
    EXPECT_THROW(
        {
            try {
                Date->Execute();
            } catch (const Exception &E) {
                EXPECT_EQ(E.Message().View(), "Invalid argument to date encode");
                throw;
            }
        },
        Exception);
    auto Int = Make("PascalScript", {"var i: Integer; begin i := StrToInt('12a'); end."});
    ASSERT_TRUE(Int->Compile());
    try {
        Int->Execute();
        FAIL() << "no exception";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "'12a' is not a valid integer value");
    }
}

TEST(PascalRun, VariantKindsAndTexts)
{
    auto Script = Make(
        "PascalScript",
        {"var v: Variant; a, b, c, d, e: Integer; f, g, h: String;", "begin",
         "  a := VarType(v); b := VarType('x'); c := VarType(1.5);",
         "  d := VarType([1, 2]); e := VarType(3000000000);",
         "  f := FloatToStr(0.1 + 0.2); g := FloatToStr(1e20); h := FloatToStr(1/3);", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "1");
    EXPECT_EQ(Text(*Script, "b"), "256");
    EXPECT_EQ(Text(*Script, "c"), "5");
    EXPECT_EQ(Text(*Script, "d"), "8204");
    EXPECT_EQ(Text(*Script, "e"), "20");
    EXPECT_EQ(Text(*Script, "f"), "0.3");
    EXPECT_EQ(Text(*Script, "g"), "1E20");
    EXPECT_EQ(Text(*Script, "h"), "0.333333333333333");
}

TEST(PascalRun, StringPlusNumberInVariant_FailsAtRunTime)
{
    auto Script =
        Make("PascalScript", {"var v: Variant; i: Integer; begin v := 'abc'; i := v + 1; end."});
    ASSERT_TRUE(Script->Compile());
    EXPECT_THROW(Script->Execute(), EVariantError);
}

TEST(PascalRun, SetsAndStringIndex)
{
    auto Script =
        Make("PascalScript", {"var x: Integer; b1, b2: Boolean; s: String;", "begin",
                              "  x := 4; b1 := x in [1, 3..5]; x := 2; b2 := x in [1, 3..5];",
                              "  s := 'abc'; s[2] := 'X';", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "b1"), "True");
    EXPECT_EQ(Text(*Script, "b2"), "False");
    EXPECT_EQ(Text(*Script, "s"), "aXc");
}

TEST(PascalRun, IndexOfAVariantHoldingNoArray_ReadsNullAndRefusesAWrite)
{
    auto Script = Make("PascalScript", {"var v, r: Variant;", "begin r := 5; r := v[0]; end."});
    Exec(*Script);
    EXPECT_EQ(Type(*Script, "r"), varNull);

    auto Writer = Make("PascalScript", {"var v: Variant;", "begin v[0] := 1; end."});
    ASSERT_TRUE(Writer->Compile());
    EXPECT_THROW(Writer->Execute(), Exception);
}

TEST(PascalRun, EnumerationsWhoseLongNamesBeginAlike_AreDifferentTypes)
{
    auto Script = Make("PascalScript", {"var a: TVeryLongEnumerationTypeNameNumberOneFirst;",
                                        "begin a := vlSecondB; end."});
    Script->AddEnum("TVeryLongEnumerationTypeNameNumberOneFirst", "vlFirstA, vlFirstB");
    Script->AddEnum("TVeryLongEnumerationTypeNameNumberOneSecond", "vlSecondA, vlSecondB");
    EXPECT_EQ(CompileError(*Script),
              "Incompatible types: 'TVeryLongEnumerationTypeNameNumberOneFirst', "
              "'TVeryLongEnumerationTypeNameNumberOneSecond' @ 2:7");
}

TEST(PascalRun, MemberOfString_IsRefused)
{
    auto Script = Make("PascalScript", {"var s: String; begin s.Length; end."});
    EXPECT_FALSE(Script->Compile());
    EXPECT_EQ(Script->ErrorMsg.View(), "Strings doesn't have properties or methods");
}

TEST(PascalRun, ForVariableOfTypeString_IsRefused)
{
    auto Script = Make("PascalScript", {"var s: String; begin for s := 1 to 2 do ; end."});
    EXPECT_FALSE(Script->Compile());
    EXPECT_EQ(Script->ErrorMsg.View(), "For loop variable must be numeric variable");
}

// The loop that stops on a text's length read through a call also stops after a few passes
// more than it needs: a call that empties its argument ends it with a wrong text instead of
// running it on.
TEST(PascalRun, CaseWhileRepeatAndDownto)
{
    EXPECT_EQ(PascalS("case 3 of 1: s := 'one'; 2..4: s := 'few'; else s := 'many'; end;"), "few");
    auto Repeat = Make("PascalScript", {"var k: Integer; s: String;", "begin s := ''; k := 0;",
                                        "  repeat s := s + 'x'; k := k + 1; "
                                        "until (Length(s) = 3) or (k = 10);",
                                        "end."});
    Exec(*Repeat);
    EXPECT_EQ(Text(*Repeat, "s"), "xxx");
    auto Script = Make("PascalScript", {"var i, n: Integer; s: String;", "begin",
                                        "  n := 0; while n < 5 do begin n := n + 1; "
                                        "if n = 2 then continue; if n = 4 then break; "
                                        "s := s + IntToStr(n); end;",
                                        "  for i := 3 downto 1 do s := s + IntToStr(i);", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "13321");
}

TEST(PascalRun, VarParameter_WritesBack)
{
    auto Script = Make("PascalScript", {"var x: Integer;",
                                        "procedure Twice(var n: Integer); begin n := n * 2; end;",
                                        "begin x := 21; Twice(x); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "x"), "42");
}

TEST(PascalRun, ForLoopPassesAreFixedBeforeTheFirst)
{
    auto Script =
        Make("PascalScript", {"var i, n: Integer;", "begin n := 0;",
                              "  for i := 1 to 3 do begin n := n + 1; i := 10; end;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "n"), "3");
}

TEST(PascalRun, WithStatement_GivesAnIndexedPropertyItsIndex)
{
    auto Script =
        Make("PascalScript",
             {"var sl: TStringList; s, t, u: String; n: Integer;",
              "begin sl := TStringList.Create; sl.Add('a=1');", "  with sl do Values['b'] := '2';",
              "  with sl do s := Values['b'];", "  with sl do t := Strings[0];",
              "  with sl do begin u := Names[1]; n := Count; end;", "  sl.Free; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "2");
    EXPECT_EQ(Text(*Script, "t"), "a=1");
    EXPECT_EQ(Text(*Script, "u"), "b");
    EXPECT_EQ(Text(*Script, "n"), "2");
}
