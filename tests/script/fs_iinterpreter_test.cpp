// The script component: its item list, lookups through parents, registration,
// clearing, calling, termination, the debugging hook and IL round trips.

#include "platform/rtl/SysUtils.h"
#include "script/fs_idesignators.h"
#include "script/fs_iexpression.h"
#include "script/fs_ihelpers.h"
#include "script/fs_istatements.h"
#include "script/fs_xml.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

#include <typeinfo>

using namespace scriptrun;

TEST(ScriptItems, FindGoesUpTheParentsFindLocalDoesNot)
{
    TfsScript Parent(nullptr);
    TfsScript Child(nullptr);
    Child.Parent = &Parent;
    Parent.AddVariable("x", "Variant", Variant(1));
    EXPECT_NE(Child.Find("X"), nullptr);
    EXPECT_EQ(Child.FindLocal("x"), nullptr);
    EXPECT_EQ(Child.Find("y"), nullptr);
}

TEST(ScriptItems, ModulesAreNeverFound)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    EXPECT_EQ(Script.Find(""), nullptr);
    EXPECT_NE(Script.Find("IntToStr"), nullptr);
}

TEST(ScriptItems, AddingAVisibleNameKeepsTheFirst)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    TfsCustomVariable *First = Script.AddVariable("v", "Integer", Variant(1));
    EXPECT_EQ(Script.AddVariable("V", "Integer", Variant(2)), First);
    EXPECT_EQ(Script.AddConst("v", "Integer", Variant(3)), First);
    EXPECT_EQ(First->GetValue().AsInteger(), 1);
    EXPECT_EQ(Script.AddType("Integer", fvtFloat)->Typ(), fvtInt);
}

TEST(ScriptItems, EnumsCountAndSetsDouble)
{
    TfsScript Script(nullptr);
    Script.AddEnum("TE", "a, b, c");
    Script.AddEnumSet("TS", "x, y, z");
    EXPECT_EQ(Script.Find("c")->GetValue().AsInteger(), 2);
    EXPECT_EQ(Script.Find("z")->GetValue().AsInteger(), 4);
    EXPECT_TRUE(Script.Find("a")->IsReadOnly);
    EXPECT_EQ(Script.Find("TE")->Typ(), fvtEnum);
}

TEST(ScriptItems, ClearKeepsModulesAndAddRTTIRunsOnce)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    int Count = Script.Count();
    Script.AddRTTI();
    EXPECT_EQ(Script.Count(), Count);
    Script.AddVariable("mine", "Integer", Variant(1));
    Script.Clear();
    EXPECT_EQ(Script.Count(), Count);
    EXPECT_NE(Script.Find("Integer"), nullptr);
    Script.ClearRTTI();
    EXPECT_EQ(Script.Count(), 0);
}

TEST(ScriptItems, ClearItemsRemovesOnlyTheOwnersItems)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    int Owner = 0;
    Script.AddedBy = &Owner;
    Script.AddVariable("owned", "Integer", Variant(1));
    Script.AddedBy = nullptr;
    Script.AddVariable("kept", "Integer", Variant(1));
    Script.ClearItems(&Owner);
    EXPECT_EQ(Script.Find("owned"), nullptr);
    EXPECT_NE(Script.Find("kept"), nullptr);
}

TEST(ScriptCalls, CallFunction1_ReturnsVarParameters)
{
    auto Script = Make("PascalScript", {"function F(var a: Integer; b: Integer): Integer;",
                                        "begin a := a + b; Result := a * 10; end;", "begin end."});
    ASSERT_TRUE(Script->Compile());
    Variant Args = VarArrayOf({Variant(1), Variant(2)});
    EXPECT_EQ(Script->CallFunction1("F", Args).AsInteger(), 30);
    EXPECT_EQ(Args.GetElement({0}).AsInteger(), 3);
    EXPECT_TRUE(VarIsNull(Script->CallFunction("Nothing", Args)));
}

TEST(ScriptCalls, CallFunction_ParameterLeftOutTakesItsDefaultNotAnEarlierValue)
{
    auto Script = Make("PascalScript", {"function F(a: Integer; b: Integer = 7): Integer;",
                                        "begin Result := a + b; end;", "begin end."});
    ASSERT_TRUE(Script->Compile());
    EXPECT_EQ(Script->CallFunction("F", VarArrayOf({Variant(1), Variant(2)})).AsInteger(), 3);
    EXPECT_EQ(Script->CallFunction("F", VarArrayOf({Variant(1)})).AsInteger(), 8);
}

TEST(ScriptCalls, VariablesReadAndWrite)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    EXPECT_TRUE(VarIsNull(Script.Variables("none")));
    Script.SetVariables("made", Variant(5));
    EXPECT_EQ(Script.Variables("made").AsInteger(), 5);
    Script.SetVariables("made", Variant(6));
    EXPECT_EQ(Script.Variables("made").AsInteger(), 6);
}

TEST(ScriptCalls, EvaluateGivesTheValueOrTheCompileErrorText)
{
    auto Script = Make("PascalScript", {"var x: Integer;", "begin x := 4; end."});
    Exec(*Script);
    int lines = 0;
    Script->OnRunLine = [&](TfsScript *, const AnsiString &, const AnsiString &) { ++lines; };
    EXPECT_EQ(Script->Evaluate("x * 2 + 1").AsInteger(), 9);

    const Variant broken = Script->Evaluate("1 +");
    EXPECT_EQ(VarType(broken), varString);
    EXPECT_EQ(broken.AsString(), "';' expected");
    const Variant unknown = Script->Evaluate("nosuch + 1");
    EXPECT_EQ(VarType(unknown), varString);
    EXPECT_EQ(unknown.AsString(), "Undeclared identifier: 'nosuch'");

    // The script's own state is not the temporary one's.
    EXPECT_EQ(Script->ErrorMsg, "");
    EXPECT_EQ(lines, 0);
    ASSERT_TRUE(Script->OnRunLine);
    Script->Execute();
    EXPECT_GT(lines, 0);
}

TEST(ScriptCalls, TerminateStopsAtTheNextStatementAlsoInProcedures)
{
    auto Script = Make("PascalScript",
                       {"var n: Integer;", "procedure P;", "begin while True do n := n + 1; end;",
                        "begin n := 0; P; n := -1; end."});
    ASSERT_TRUE(Script->Compile());
    Script->OnRunLine = [](TfsScript *Sender, const AnsiString &, const AnsiString &) {
        if (fsVarToInt(Sender->Variables("n")) >= 100) Sender->MainScript()->Terminate();
    };
    Script->Execute();
    EXPECT_EQ(Text(*Script, "n"), "100");
    // The next run starts afresh.
    Script->OnRunLine = nullptr;
    Script->Lines()->Clear();
}

TEST(ScriptCalls, TerminateDuringAFinallyBlock_EndsTheLoopAroundIt)
{
    auto Script =
        Make("PascalScript", {"var n: Integer;", "begin", "  n := 0;", "  while Alive do",
                              "    try n := n + 1; finally Stop; end;", "  n := -1;", "end."});
    TfsScript *Running = Script.get();
    // A loop that keeps asking whether to go on after the stop is cut off by an error.
    int Asked = 0;
    Script->AddMethod("function Alive: Boolean",
                      [&Asked](TObject *, TClass, const AnsiString &, TfsMethodHelper *) {
                          if (++Asked > 100) throw Exception("still looping");
                          return Variant(true);
                      });
    Script->AddMethod("procedure Stop",
                      [Running](TObject *, TClass, const AnsiString &, TfsMethodHelper *) {
                          Running->Terminate();
                          return Null();
                      });
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "n"), "1");
    EXPECT_EQ(Asked, 1);
}

TEST(ScriptCalls, RunLineReportsEveryStatementWithItsPosition)
{
    auto Script =
        Make("PascalScript", {"var n: Integer;", "begin", "  n := 1;", "  n := 2;", "end."});
    std::vector<std::string> Positions;
    Script->OnRunLine = [&Positions](TfsScript *, const AnsiString &, const AnsiString &Pos) {
        Positions.push_back(Pos.ToStd());
    };
    Exec(*Script);
    ASSERT_EQ(Positions.size(), 2u);
    EXPECT_EQ(Positions[0], "3:3");
    EXPECT_EQ(Positions[1], "4:3");
    EXPECT_TRUE(Script->IsExecutableLine(3));
    EXPECT_FALSE(Script->IsExecutableLine(2));
}

// A with statement stands where its word does, whatever line its objects are on.
TEST(ScriptCalls, RunLineReportsAWithStatementAtItsWord)
{
    auto Script = Make("PascalScript", {"var a, b: TStringList;", "begin",
                                        "  a := TStringList.Create;", "  b := a;", "  with",
                                        "    a, b do", "    Add('x');", "  a.Free;", "end."});
    std::vector<std::string> Positions;
    Script->OnRunLine = [&Positions](TfsScript *, const AnsiString &, const AnsiString &Pos) {
        Positions.push_back(Pos.ToStd());
    };
    Exec(*Script);
    EXPECT_EQ(Positions, (std::vector<std::string>{"3:3", "4:3", "5:3", "5:3", "7:5", "8:3"}));
    EXPECT_TRUE(Script->IsExecutableLine(5));
    EXPECT_FALSE(Script->IsExecutableLine(6));
}

TEST(ScriptCalls, ILRoundTrip_RunsTheSameProgram)
{
    auto Source = Make("PascalScript", {"var s: Integer;", "begin s := 6 * 7; end."});
    TMemoryStream Stream;
    ASSERT_TRUE(Source->GetILCode(&Stream));
    Stream.SetPosition(0);
    auto Target = Make("PascalScript", {});
    ASSERT_TRUE(Target->SetILCode(&Stream)) << Target->ErrorMsg.View();
    Target->Execute();
    EXPECT_EQ(Text(*Target, "s"), "42");
}

// IL saved or made without the language's type aliases still knows them.
TEST(ScriptCalls, ILWithoutTypeAliases_TakesThoseOfTheLanguage)
{
    auto Source =
        Make("C++Script", {"float f; bool b;", "void p() { f = 2.5; }", "{ p(); b = f > 2; }"});
    TMemoryStream Saved;
    ASSERT_TRUE(Source->GetILCode(&Saved));
    Saved.SetPosition(0);
    TfsXMLDocument IL;
    IL.LoadFromStream(&Saved);
    ASSERT_EQ(IL.Root()->Items(IL.Root()->Count() - 1)->Name(), "types");
    delete IL.Root()->Items(IL.Root()->Count() - 1);
    TMemoryStream Stripped;
    IL.SaveToStream(&Stripped);
    Stripped.SetPosition(0);

    auto Target = Make("C++Script", {});
    ASSERT_TRUE(Target->SetILCode(&Stripped)) << Target->ErrorMsg.View();
    Target->Execute();
    EXPECT_EQ(Text(*Target, "f"), "2.5");
    EXPECT_EQ(Text(*Target, "b"), "True");

    auto Host = Make("C++Script", {"#include \"u\"", "{ g = g * 2; }"});
    Host->OnGetUnit = [](TfsScript *, const AnsiString &, AnsiString &Text) { Text = "{ }"; };
    Host->OnGetILUnit = [](TfsScript *, const AnsiString &, AnsiString &Text) {
        Text = "<?xml version=\"1.0\"?><program><var pos=\"1:1\"><type text=\"float\" "
               "pos=\"1:6\"/><ident text=\"g\" pos=\"1:8\"/><init pos=\"1:9\"><expr "
               "pos=\"1:11\" pos1=\"1:14\"><number text=\"1.25\" "
               "pos=\"1:14\"/></expr></init></var></program>";
    };
    Exec(*Host);
    EXPECT_EQ(Text(*Host, "g"), "2.5");
}

TEST(ScriptCalls, ExitInsideFinallyEndsWithTheBlockExitBeforeItStays)
{
    EXPECT_EQ(PascalS("s := 'a'; try s := s + 'b'; finally s := s + 'c'; exit; end; s := s + 'd';"),
              "abcd");
    EXPECT_EQ(PascalS("s := 'a'; try exit; finally s := s + 'c'; end; s := s + 'd';"), "ac");
}

TEST(ScriptCalls, BreakOrContinueLeavingATryBlock_RunsTheWholeFinallyBlockFirst)
{
    auto Script =
        Make("PascalScript",
             {"var i, a, b, last: Integer;", "begin", "  a := 0; b := 0;", "  for i := 1 to 3 do",
              "    try", "      if i = 1 then continue;", "      if i = 2 then break;",
              "    finally", "      a := a + 1; b := b + 1;", "    end;", "  last := i;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "2");
    EXPECT_EQ(Text(*Script, "b"), "2");
    EXPECT_EQ(Text(*Script, "last"), "2");
}

TEST(ScriptExpressions, PriorityBuildsTheExpectedTree)
{
    TfsScript Script(nullptr);
    TfsExpression Expr(&Script);
    Expr.AddConst(Variant(1));
    Expr.AddOperator("+");
    Expr.AddConst(Variant(2));
    Expr.AddOperator("*");
    Expr.AddConst(Variant(3));
    EXPECT_EQ(Expr.Finalize(), "");
    auto *Root = dynamic_cast<TfsOperatorNode *>(Expr.Root());
    ASSERT_NE(Root, nullptr);
    EXPECT_EQ(Root->Op, opPlus);
    EXPECT_EQ(dynamic_cast<TfsOperatorNode *>(Root->Right.get())->Op, opMul);
    EXPECT_EQ(Expr.GetValue().AsInteger(), 7);
}

TEST(ScriptExpressions, BracketsLeaveNoNodeAndMinusAssociatesLeft)
{
    TfsScript Script(nullptr);
    TfsExpression Expr(&Script);
    for (const char *Token : {"(", "1", "+", "2", ")", "*", "3", "-", "4", "-", "5"}) {
        if (Token[0] >= '0' && Token[0] <= '9')
            Expr.AddConst(Variant(Token[0] - '0'));
        else
            Expr.AddOperator(Token);
    }
    EXPECT_EQ(Expr.Finalize(), "");
    EXPECT_EQ(Expr.GetValue().AsInteger(), 0);
    auto *Root = dynamic_cast<TfsOperatorNode *>(Expr.Root());
    ASSERT_NE(Root, nullptr);
    EXPECT_EQ(Root->Op, opMinus);
    EXPECT_EQ(dynamic_cast<TfsOperatorNode *>(Root->Left.get())->Op, opMinus);
}

namespace
{

// The expression of the main block's statement Index, which must be an assignment.
TfsExpressionNode *AssignedTree(TfsScript &Script, int Index)
{
    auto *Stmt = dynamic_cast<TfsAssignmentStmt *>(Script.Program()->Items(Index));
    return Stmt ? Stmt->Expression->Root() : nullptr;
}

template <class T> bool Is(const TfsExpressionNode *Node)
{
    return Node && typeid(*Node) == typeid(T);
}

// A tree of two constants joined by one IL operator token.
struct TOperatorCase {
    const char *Token;
    Variant L, R;
    const char *Value;
};

} // namespace

TEST(ScriptExpressions, CompiledTreesAreMadeOfTheOperatorNodes)
{
    auto Script =
        Make("PascalScript",
             {"var a, b: Integer; r: Variant; o: TObject;",
              "begin a := 5; b := 2; o := TObject.Create;", "r := a + b * 2;", "r := (a - b) * 2;",
              "r := not (a = b) or (a <> b);", "r := o is TObject;", "o.Free; end."});
    Exec(*Script);
    TfsExpressionNode *Sum = AssignedTree(*Script, 3);
    ASSERT_TRUE(Is<TPlusNode>(Sum));
    EXPECT_TRUE(Is<TfsDesignatorNode>(Sum->Left.get()));
    EXPECT_TRUE(Is<TMulNode>(Sum->Right.get()));

    TfsExpressionNode *Product = AssignedTree(*Script, 4);
    ASSERT_TRUE(Is<TMulNode>(Product));
    EXPECT_TRUE(Is<TMinusNode>(Product->Left.get()));
    EXPECT_TRUE(Is<TfsOperandNode>(Product->Right.get()));

    TfsExpressionNode *Logic = AssignedTree(*Script, 5);
    ASSERT_TRUE(Is<TOrNode>(Logic));
    ASSERT_TRUE(Is<TNotNode>(Logic->Left.get()));
    EXPECT_TRUE(Is<TEqNode>(Logic->Left->Left.get()));
    EXPECT_TRUE(Is<TNonEqNode>(Logic->Right.get()));
    EXPECT_TRUE(Logic->GetValue().AsBoolean());

    TfsExpressionNode *Class = AssignedTree(*Script, 6);
    ASSERT_TRUE(Is<TIsNode>(Class));
    EXPECT_EQ(Text(*Script, "r"), "True");
}

TEST(ScriptExpressions, EachOperatorTokenMakesItsNodeAndValue)
{
    const TOperatorCase Cases[] = {
        {">", Variant(3), Variant(2), "True"},  {"<", Variant(3), Variant(2), "False"},
        {"<=", Variant(2), Variant(2), "True"}, {">=", Variant(1), Variant(2), "False"},
        {"<>", Variant(1), Variant(2), "True"}, {"=", Variant(2), Variant(2), "True"},
        {"+", Variant(7), Variant(2), "9"},     {"strcat", Variant("a"), Variant(2), "a2"},
        {"-", Variant(7), Variant(2), "5"},     {"or", Variant(6), Variant(3), "7"},
        {"xor", Variant(6), Variant(3), "5"},   {"*", Variant(7), Variant(2), "14"},
        {"/", Variant(7), Variant(2), "3.5"},   {"div", Variant(7), Variant(2), "3"},
        {"mod", Variant(7), Variant(2), "1"},   {"and", Variant(6), Variant(3), "2"},
        {"shl", Variant(7), Variant(2), "28"},  {"shr", Variant(7), Variant(1), "3"},
    };
    const std::type_info *Classes[] = {
        &typeid(TGreatNode),    &typeid(TLessNode),   &typeid(TLessEqNode), &typeid(TGreatEqNode),
        &typeid(TNonEqNode),    &typeid(TEqNode),     &typeid(TPlusNode),   &typeid(TStrCatNode),
        &typeid(TMinusNode),    &typeid(TOrNode),     &typeid(TXorNode),    &typeid(TMulNode),
        &typeid(TDivFloatNode), &typeid(TDivIntNode), &typeid(TModNode),    &typeid(TAndNode),
        &typeid(TShlNode),      &typeid(TShrNode),
    };
    TfsScript Script(nullptr);
    for (std::size_t I = 0; I < std::size(Cases); ++I) {
        SCOPED_TRACE(Cases[I].Token);
        TfsExpression Expr(&Script);
        Expr.AddConst(Cases[I].L);
        Expr.AddOperator(Cases[I].Token);
        Expr.AddConst(Cases[I].R);
        Expr.Finalize();
        ASSERT_NE(Expr.Root(), nullptr);
        const TfsExpressionNode &Root = *Expr.Root();
        EXPECT_EQ(typeid(Root), *Classes[I]);
        EXPECT_EQ(VarToStr(Expr.GetValue()), Cases[I].Value);
    }
}

TEST(ScriptExpressions, PrefixAndBracketTokensMakeTheirNodes)
{
    TfsScript Script(nullptr);
    TfsExpression Negated(&Script);
    Negated.AddOperator("unminus");
    Negated.AddConst(Variant(4));
    Negated.Finalize();
    EXPECT_TRUE(Is<TUnMinusNode>(Negated.Root()));
    EXPECT_EQ(Negated.GetValue().AsInteger(), -4);

    TfsExpression Inverted(&Script);
    Inverted.AddOperator("NOT");
    Inverted.AddConst(Variant(false));
    Inverted.Finalize();
    EXPECT_TRUE(Is<TNotNode>(Inverted.Root()));
    EXPECT_TRUE(Inverted.GetValue().AsBoolean());

    // An open group that was never closed keeps its bracket node, which passes its value on.
    TfsExpression Open(&Script);
    Open.AddOperator("(");
    Open.AddConst(Variant(6));
    Open.Finalize();
    EXPECT_TRUE(Is<TLeftBracketNode>(Open.Root()));
    EXPECT_EQ(Open.GetValue().AsInteger(), 6);

    TfsExpression Unknown(&Script);
    Unknown.AddConst(Variant(1));
    Unknown.AddOperator("**");
    Unknown.Finalize();
    EXPECT_TRUE(Is<TfsOperandNode>(Unknown.Root()));
}

TEST(ScriptExpressions, InNodeChecksASetAndAnArrayValue)
{
    auto Script =
        Make("PascalScript", {"var x: Integer; a: Variant; r1, r2, r3: Boolean;",
                              "begin x := 4; a := [1, 3, 5, 7];",
                              "r1 := x in [1, 3..5]; r2 := 2 in [1, 3..5];", "r3 := 7 in a; end."});
    Exec(*Script);
    EXPECT_TRUE(Is<TInNode>(AssignedTree(*Script, 2)));
    EXPECT_EQ(Text(*Script, "r1"), "True");
    EXPECT_EQ(Text(*Script, "r2"), "False");
    EXPECT_EQ(Text(*Script, "r3"), "True");
}

TEST(ScriptExpressions, ShortCircuitSkipsTheRightSide)
{
    auto Script = Make("PascalScript", {"var calls: Integer; b: Boolean;",
                                        "function F: Boolean; begin calls := calls + 1; "
                                        "Result := True; end;",
                                        "begin calls := 0; b := True or F; b := False and F; "
                                        "b := not False and F; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "calls"), "1");
}

TEST(ScriptExpressions, AddAssignDetectionKeepsTextsIntact)
{
    auto Script = Make("PascalScript", {"var x: Integer; s: String;",
                                        "begin x := 1; x := x + 1; s := 'b'; s := 'a' + s; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "x"), "2");
    EXPECT_EQ(Text(*Script, "s"), "ab");
}

TEST(ScriptExpressions, TypeErrorsFoundAtCompileTime)
{
    auto Minus = Make("PascalScript", {"var s: String; begin s := 'a' - 'b'; end."});
    EXPECT_EQ(Minus->Compile(), false);
    EXPECT_EQ(Minus->ErrorMsg.View(), "Incompatible types");
    auto Variant = Make("PascalScript", {"var v: Variant; begin v := v + 1; end."});
    EXPECT_TRUE(Variant->Compile()) << Variant->ErrorMsg.View();
}

TEST(ScriptExpressions, DefaultArgumentsAndArgumentCounts)
{
    auto Script = Make("PascalScript", {"var i: Integer; begin i := 5; Inc(i); Dec(i, 10); end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "i"), "-4");
    auto Many = Make("PascalScript", {"var i: Integer; begin i := 5; Inc(i, 1, 2); end."});
    EXPECT_EQ(CompileError(*Many).substr(0, 26), "Too many actual parameters");
    auto Few = Make("PascalScript", {"var s: String; begin s := Copy('abc'); end."});
    EXPECT_EQ(CompileError(*Few).substr(0, 28), "Not enough actual parameters");
}

TEST(ScriptExpressions, MultiDimensionalArrays)
{
    auto Script =
        Make("PascalScript", {"var a: array[0..1, 1..2, 0..2, 0..1] of Integer; n: Integer;",
                              "begin a[1, 2, 2, 1] := 7; n := a[1, 2, 2, 1]; end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "n"), "7");
}

TEST(ScriptCalls, MacroFunctionGetsTheSourceTextOfItsArguments)
{
    auto Script = Make("C++Script", {"Variant frxf0() { return IIF(1 > 2, 3 + 4, \"x\"); } {}"});
    std::vector<std::string> Texts;
    Script->AddMethod("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                      [&Texts](TObject *, TClass, const AnsiString &, Variant &Params) {
                          for (int I = 0; I < 3; ++I)
                              Texts.push_back(VarToStr(Params.GetElement({I})).ToStd());
                          return Variant(1);
                      });
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    EXPECT_EQ(Script->CallFunction("frxf0", Null()).AsInteger(), 1);
    ASSERT_EQ(Texts.size(), 3u);
    EXPECT_EQ(Texts[0], "1 > 2");
    EXPECT_EQ(Texts[1], "3 + 4");
    EXPECT_EQ(Texts[2], "\"x\"");
}

TEST(ScriptCalls, UnitsComeFromTheHost)
{
    auto Script =
        Make("PascalScript", {"uses 'lib';", "var r: Integer;", "begin r := Twice(4); end."});
    Script->OnGetUnit = [](TfsScript *, const AnsiString &Name, AnsiString &Text) {
        if (Name == "lib")
            Text = "function Twice(n: Integer): Integer; begin Result := n * 2; end;\r\nbegin "
                   "end.\r\n";
    };
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "8");
}

TEST(ScriptCalls, CachedFunctionWithTheReportAsParentReadsItsObjects)
{
    TfsScript Report(nullptr);
    Report.AddRTTI();
    Report.AddVariable("Total", "Integer", Variant(40));
    TfsScript Cache(nullptr);
    Cache.AddRTTI();
    Cache.Parent = &Report;
    Cache.SetSyntaxType("C++Script");
    Cache.Lines()->Add("Variant frxf0() { return Total + 2; } {}");
    ASSERT_TRUE(Cache.Compile()) << Cache.ErrorMsg.View();
    EXPECT_EQ(Cache.CallFunction("frxf0", Null()).AsInteger(), 42);
}

TEST(ScriptCalls, HostCallingBackIntoARunningFunction_KeepsItsLocals)
{
    auto Script =
        Make("PascalScript",
             {"var r: Integer;", "function F(n: Integer): Integer;", "var k: Integer;",
              "begin k := n;", "  if n = 1 then Host; Result := k; end;", "begin r := F(1); end."});
    TfsScript *Self = Script.get();
    Script->AddMethod("procedure Host",
                      [Self](TObject *, TClass, const AnsiString &, TfsMethodHelper *) {
                          Self->CallFunction("F", VarArrayOf({Variant(7)}));
                          return Null();
                      });
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "1");
}
