// The system module's functions as scripts call them.

#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

TEST(SysFunctions, Conversions)
{
    auto Whole = Make("PascalScript", {"var v: Variant; s: String;",
                                       "begin v := 2147483648.0; s := IntToStr(v); end."});
    Exec(*Whole);
    EXPECT_EQ(Text(*Whole, "s"), "2147483648");
    EXPECT_EQ(
        PascalS(
            "s := FloatToStr(2.5) + '|' + VarToStr(Null) + '|' + FloatToStr(StrToFloat('1.25'));"),
        "2.5||1.25");
    EXPECT_EQ(
        PascalS(
            "s := DateToStr(EncodeDate(2024, 3, 5)) + ' ' + TimeToStr(EncodeTime(7, 8, 9, 0));"),
        "05.03.2024 7:08:09");
    EXPECT_EQ(PascalS("s := IntToStr(VarType(StrToDate('05.03.2024')));"), "7");
}

TEST(SysFunctions, Formats)
{
    EXPECT_EQ(PascalS("s := FormatFloat('0.00', 2.5) + '|' + FormatDateTime('yyyy', "
                      "EncodeDate(2024, 3, 5)) + '|' + FormatMaskText('000-000;0;_', '123456');"),
              "2.50|2024|123-456");
}

TEST(SysFunctions, DecodeWritesPlainIntegers)
{
    auto Script = Make("PascalScript", {"var y, m, d, h, n, s, ms: Variant;",
                                        "begin DecodeDate(EncodeDate(2024, 3, 5), y, m, d);",
                                        "DecodeTime(EncodeTime(7, 8, 9, 10), h, n, s, ms); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "y") + Text(*Script, "m") + Text(*Script, "d"), "202435");
    EXPECT_EQ(Type(*Script, "y"), varInteger);
    EXPECT_EQ(Text(*Script, "ms"), "10");
}

TEST(SysFunctions, Strings)
{
    EXPECT_EQ(
        PascalS("s := Copy('abc', 4, 1) + IntToStr(Pos('', 'abc')) + IntToStr(Length(12345));"),
        "05");
    EXPECT_EQ(PascalS("s := 'abcdef'; Delete(s, 2, 3); Insert('XY', s, 2);"), "aXYef");
    // Numbers given for texts are read as their text.
    auto Script =
        Make("JScript", {"var v = 12345; var d = 3; var s = Copy(v, 2, 3) + IntToStr(Pos(d, v));",
                         "s = s + Copy(v, 5, 9); var t = \"ab\"; Insert(v - 12333, t, 2);",
                         "t = t + IntToStr(Pos(\"2b\", t));"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "23435");
    EXPECT_EQ(Text(*Script, "t"), "a12b3");
    EXPECT_EQ(
        PascalS("s := NameCase('a-b c') + Uppercase('ab') + Lowercase('CD') + Trim(#9' x ');"),
        "A-b CABcdx");
    EXPECT_EQ(PascalS("s := IntToStr(CompareText('abc', 'ABD')) + IntToStr(Ord('A'));"), "-165");
}

TEST(SysFunctions, Math)
{
    EXPECT_EQ(PascalS("s := FloatToStr(Int(-2.7)) + '|' + FloatToStr(Frac(-2.75)) + '|' + "
                      "IntToStr(Trunc(-2.7)) + '|' + FloatToStr(Abs(-3));"),
              "-2|-0.75|-2|3");
    EXPECT_EQ(PascalS("s := FloatToStr(Sqrt(16)) + FloatToStr(Exp(0)) + FloatToStr(Ln(1));"),
              "410");
    EXPECT_EQ(PascalS("s := Copy(FloatToStr(Pi), 1, 7);"), "3.14159");
}

TEST(SysFunctions, IncDecAndArrays)
{
    auto Script = Make("PascalScript", {"var x: Integer; a: Variant; n, m: Integer;",
                                        "begin x := 5; Inc(x); Dec(x, 10);",
                                        "a := VarArrayCreate([0, 4], varVariant); n := Length(a);",
                                        "SetLength(a, 2); m := VarArrayHighBound(a, 1); end."});
    ASSERT_FALSE(Script->Compile());
    auto Fixed = Make("PascalScript", {"var x: Integer; a: Variant; n, m: Integer;",
                                       "begin x := 5; Inc(x); Dec(x, 10);",
                                       "a := VarArrayCreate([0, 4], varVariant); n := Length(a);",
                                       "SetLength(a, 2); m := Length(a); end."});
    Exec(*Fixed);
    EXPECT_EQ(Text(*Fixed, "x"), "-4");
    EXPECT_EQ(Text(*Fixed, "n"), "5");
    EXPECT_EQ(Text(*Fixed, "m"), "2");
}

TEST(SysFunctions, ValidityChecksSwallowErrors)
{
    EXPECT_EQ(PascalS("if ValidInt('12') and not ValidInt('x') and ValidFloat('1.5') and "
                      "not ValidDate('32.01.2024') then s := 'ok';"),
              "ok");
}

TEST(SysFunctions, RandomStaysInItsRange)
{
    auto Script = Make("PascalScript",
                       {"var i: Integer; ok: Boolean; r: Extended;", "begin Randomize; ok := True;",
                        "for i := 1 to 1000 do begin r := Random; "
                        "ok := ok and (r >= 0) and (r < 1); end; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "ok"), "True");
}

TEST(SysFunctions, VarCodesAndConstants)
{
    EXPECT_EQ(PascalS("s := IntToStr(varString) + IntToStr(varArray) + IntToStr(varByRef) + "
                      "IntToStr(varStrArg);"),
              "2568192163847"
              "2");
    EXPECT_EQ(PascalS("if (nil = 0) and True and not False and (VarType(Null) = varNull) then "
                      "s := 'ok';"),
              "ok");
}
