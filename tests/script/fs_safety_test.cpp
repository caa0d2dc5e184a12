// Faults a script must not be able to cause: each ends in a script error or in
// the correct result, never in a crash or a silently wrong value.

#include "platform/rtl/SysUtils.h"
#include "script/fs_ihelpers.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scriptrun;

namespace
{

class TProbe : public TObject
{
    QRV4_CLASS(TProbe, TObject)

public:
    int Calls = 0;
};

// A script that knows TProbe with one method, Touch, counting its calls.
std::unique_ptr<TfsScript> ProbeScript(std::initializer_list<const char *> Lines)
{
    auto Script = Make("PascalScript", Lines);
    TfsClassVariable *Class = Script->AddClass(TProbe::StaticClass(), "TObject");
    Class->AddMethod("procedure Touch",
                     [](TObject *Instance, TClass, const AnsiString &, TfsMethodHelper *) {
                         static_cast<TProbe *>(Instance)->Calls++;
                         return Null();
                     });
    return Script;
}

} // namespace

TEST(ScriptSafety, ForgedObjectNumber_IsAnInvalidReference)
{
    auto Script = ProbeScript({"begin TProbe(12345).Touch; end."});
    EXPECT_EQ(RunError(*Script), "Invalid object reference");
}

TEST(ScriptSafety, FreedObject_IsAnInvalidReference)
{
    auto Script = ProbeScript({"begin TProbe(p).Touch; end."});
    auto Probe = std::make_unique<TProbe>();
    Script->SetVariables("p", VarFromObject(Probe.get()));
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    Script->Execute();
    EXPECT_EQ(Probe->Calls, 1);
    Probe.reset();
    EXPECT_THROW(Script->Execute(), Exception);
    try {
        Script->Execute();
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Invalid object reference");
    }
}

TEST(ScriptSafety, MemberOfAnotherClass_IsRefused)
{
    auto Script = ProbeScript({"begin TProbe(p).Touch; end."});
    TStringList Other;
    Script->SetVariables("p", VarFromObject(&Other));
    EXPECT_EQ(RunError(*Script).substr(0, 21), "Invalid class typecas");
}

TEST(ScriptSafety, NumberIsNoObject_ForIs)
{
    auto Script =
        ProbeScript({"var b: Boolean; v: Variant;", "begin v := 5; b := v is TProbe; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "b"), "False");
}

TEST(ScriptSafety, DeepRecursion_EndsInAScriptError)
{
    auto Script =
        Make("PascalScript", {"var n: Integer;", "function F(k: Integer): Integer;",
                              "begin n := k; Result := F(k + 1); end;", "begin F(1); end."});
    EXPECT_EQ(RunError(*Script), "Stack overflow");
    EXPECT_GT(fsVarToInt(Script->Variables("n")), 100);
    // The script is still usable afterwards.
    EXPECT_THROW(Script->Execute(), Exception);
}

TEST(ScriptSafety, StringIndexOutsideTheText_IsARangeError)
{
    auto Read = Make("PascalScript", {"var s, c: String;", "begin s := 'abc'; c := s[4]; end."});
    EXPECT_EQ(RunError(*Read), "String index out of range: 4");
    auto Write = Make("PascalScript", {"var s: String;", "begin s := 'abc'; s[0] := 'x'; end."});
    EXPECT_EQ(RunError(*Write), "String index out of range: 0");
    auto Variant =
        Make("PascalScript", {"var v: Variant; c: String;", "begin v := 'abc'; c := v[9]; end."});
    EXPECT_EQ(RunError(*Variant), "String index out of range: 9");
}

TEST(ScriptSafety, ArrayIndexOutsideTheBounds_IsAnError)
{
    auto Script = Make("PascalScript", {"var a: array[0..2] of Integer;", "begin a[3] := 1; end."});
    EXPECT_FALSE(RunError(*Script).empty());
}

TEST(ScriptSafety, IntegerArithmetic_WidensInsteadOfWrapping)
{
    auto Script = Make("PascalScript",
                       {"var i, j, k: Integer; n: Integer;", "begin",
                        "  i := 2147483647; j := i + 1; k := i * i;",
                        "  n := 0; for i := 2147483646 to 2147483647 do n := n + 1;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "j"), "2147483648");
    EXPECT_EQ(Text(*Script, "k"), "4611686014132420609");
    EXPECT_EQ(Text(*Script, "n"), "2");
}

TEST(ScriptSafety, IntegerDivisionByZero_IsAnError)
{
    auto Script = Make("PascalScript", {"var i, j: Integer;", "begin i := 0; j := 5 div i; end."});
    EXPECT_EQ(RunError(*Script), "Division by zero");
    auto Mod = Make("PascalScript", {"var i, j: Integer;", "begin i := 0; j := 5 mod i; end."});
    EXPECT_EQ(RunError(*Mod), "Division by zero");
}

TEST(ScriptSafety, LocalsComeBackWhenAnExceptionPassesARecursiveCall)
{
    auto Script = Make("PascalScript",
                       {"var r: Integer;", "function F(n: Integer): Integer;", "var k: Integer;",
                        "begin", "  k := n;", "  if n = 3 then RaiseException('x');",
                        "  try Result := F(n + 1); except Result := -1; end;",
                        "  Result := Result + k;", "end;", "begin r := F(1); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "2");
}

TEST(ScriptSafety, StrayBreak_DoesNotCutTheNextRunShort)
{
    auto Script = Make("PascalScript", {"var n: Integer;", "begin", "  n := n + 1;",
                                        "  if n = 1 then break;", "  n := n + 10;", "end."});
    ASSERT_TRUE(Script->Compile());
    Script->SetVariables("n", Variant(0));
    Script->Execute();
    EXPECT_EQ(Text(*Script, "n"), "1");
    Script->Execute();
    EXPECT_EQ(Text(*Script, "n"), "12");
}

TEST(ScriptSafety, FailedCompile_LeavesNoDeclarationsBehind)
{
    auto Script = Make("C++Script", {"Variant frxf0() { return 1; } {}"});
    ASSERT_TRUE(Script->Compile());
    Script->Lines()->Clear();
    Script->Lines()->Add("Variant frxf1() { return 1 + \"a\"; } {}");
    EXPECT_FALSE(Script->Compile());
    EXPECT_EQ(Script->FindLocal("frxf1"), nullptr);
    EXPECT_THROW(Script->Execute(), Exception);
    Script->Lines()->Clear();
    Script->Lines()->Add("Variant frxf1() { return 2; } {}");
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    EXPECT_EQ(Script->CallFunction("frxf0", Null()).AsInteger(), 1);
    EXPECT_EQ(Script->CallFunction("frxf1", Null()).AsInteger(), 2);
}

TEST(ScriptSafety, FormatKeepsLongTexts)
{
    std::string Long(300, 'x');
    std::string Line = "s := Format('%s', ['" + Long + "']);";
    EXPECT_EQ(PascalS(Line.c_str()), Long);
}

TEST(ScriptSafety, RoundAndTruncKeepHighBits)
{
    auto Script = Make("PascalScript",
                       {"var a, b, c: Variant;", "begin a := Round(1e10); b := Trunc(-1e10 - 0.5); "
                                                 "c := Round(2.5); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "10000000000");
    EXPECT_EQ(Type(*Script, "a"), varInt64);
    EXPECT_EQ(Text(*Script, "b"), "-10000000000");
    EXPECT_EQ(Type(*Script, "c"), varInteger);
}

TEST(ScriptSafety, SinOfAHugeArgument_IsTheTrueSine)
{
    auto Script = Make("PascalScript", {"var x: Extended;", "begin x := Sin(1e20); end."});
    Exec(*Script);
    EXPECT_DOUBLE_EQ(fsVarToFloat(Script->Variables("x")), std::sin(1e20));
}

TEST(ScriptSafety, SetLengthExtendsWithZeroCharacters)
{
    auto Script = Make("PascalScript", {"var s: Variant; n: Integer;",
                                        "begin s := 'ab'; SetLength(s, 4); n := Ord(s[4]); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "n"), "0");
    EXPECT_EQ(fsVarToStr(Script->Variables("s")).Length(), 4);
}

TEST(ScriptSafety, InvalidMonthAndEmptyOrd)
{
    auto Month =
        Make("PascalScript", {"var n: Integer;", "begin n := DaysInMonth(2000, 13); end."});
    EXPECT_EQ(RunError(*Month), "Invalid month: 13");
    EXPECT_EQ(PascalS("s := IntToStr(Ord(''));"), "0");
}

TEST(ScriptSafety, FloatErrorsAreRaised)
{
    auto Sqrt = Make("PascalScript", {"var x: Extended;", "begin x := Sqrt(-1); end."});
    EXPECT_EQ(RunError(*Sqrt), "Invalid floating point operation");
    auto Ln = Make("PascalScript", {"var x: Extended;", "begin x := Ln(0); end."});
    EXPECT_EQ(RunError(*Ln), "Floating point division by zero");
    auto Exp = Make("PascalScript", {"var x: Extended;", "begin x := Exp(1000); end."});
    EXPECT_EQ(RunError(*Exp), "Floating point overflow");
}

TEST(ScriptSafety, OleObjectsAreNotAvailable)
{
    auto Script = Make("PascalScript",
                       {"var v: Variant;", "begin v := CreateOleObject('Word.Application'); end."});
    EXPECT_EQ(RunError(*Script).substr(0, 20), "Invalid class string");
}

TEST(ScriptSafety, VeryLongExpression_CompilesRunsAndFreesWithoutRecursion)
{
    std::string Sum = "1";
    for (int I = 0; I < 100000; ++I)
        Sum += "+1";
    std::string Line = "{ x = " + Sum + "; }";
    auto Script = Make("JScript", {Line.c_str()});
    std::string Error = RunError(*Script);
    // Either it runs, or it ends in a script error: never a crash.
    if (Error.empty()) {
        EXPECT_EQ(Text(*Script, "x"), "100001");
    }
    Script.reset();
}

TEST(ScriptSafety, RecursiveCallGivingAVarResultToALocal_KeepsTheResult)
{
    auto Script =
        Make("PascalScript",
             {"var r: Integer;", "procedure P(var a: Integer; n: Integer);", "var x: Integer;",
              "begin", "  if n > 0 then begin x := 0; P(x, n - 1); a := x + 1; end else a := 42;",
              "end;", "begin P(r, 2); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "44");
}
