// BasicScript and JScript programs compiled and run from end to end.

#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

TEST(BasicRun, LineRulesAndTheVbFor)
{
    auto Script =
        Make("BasicScript", {"Dim s", "s = \"\"", "For i = 1 To 3", "  s = s & i", "Next"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "123");
    EXPECT_EQ(Type(*Script, "s"), varString);
    EXPECT_EQ(Text(*Script, "i"), "3");
}

TEST(BasicRun, TwoStatementsOnOneLine_NeedALineEnd)
{
    auto Script = Make("BasicScript", {"x = 1 y = 2"});
    EXPECT_EQ(CompileError(*Script), "End of line expected @ 1:7");
}

TEST(BasicRun, CapitalRemLine_IsASyntaxError)
{
    auto Script = Make("BasicScript", {"REM note", "x = 1"});
    EXPECT_FALSE(Script->Compile());
    EXPECT_EQ(Script->ErrorPos.SubString(1, 2).View(), "1:");
}

TEST(JScriptRun, UndeclaredName_BecomesANullVariant)
{
    auto Script = Make("JScript", {"b = a;"});
    Exec(*Script);
    EXPECT_EQ(Type(*Script, "b"), varNull);
}

TEST(JScriptRun, FunctionsAndLateBoundArrays)
{
    auto Script = Make("JScript", {"function f(n) { return n * 2; }", "var r = f(21);",
                                   "var a = [10, 20, 30];", "var b = a[1] + a[2];"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "42");
    EXPECT_EQ(Text(*Script, "b"), "50");
}
