#include "script/fs_itools.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_icpp.h"
#include "script/fs_iinterpreter.h"

#include <gtest/gtest.h>

namespace
{

TEST(LanguageRegistry, FourLanguagesInOrder_HiddenNamesLeftOut)
{
    fsRegisterLanguage("@Hidden", "<?xml version=\"1.0\"?><language/>");
    TStringList list;
    list.Add("stale");
    fsGetLanguageList(&list);
    ASSERT_GE(list.Count(), 4);
    EXPECT_EQ(list.Strings(0), "PascalScript");
    EXPECT_EQ(list.Strings(1), "C++Script");
    EXPECT_EQ(list.Strings(2), "BasicScript");
    EXPECT_EQ(list.Strings(3), "JScript");
    EXPECT_EQ(list.IndexOf("@Hidden"), -1);
    EXPECT_EQ(fsGetLanguage("c++script"), fsCPPGrammar());
}

TEST(LanguageRegistry, RegisteringAgain_ReplacesTheGrammar)
{
    fsRegisterLanguage("TestLang", "one");
    fsRegisterLanguage("TESTLANG", "two");
    EXPECT_EQ(fsGetLanguage("testlang"), "two");
    TStringList list;
    fsGetLanguageList(&list);
    int count = 0;
    for (int i = 0; i < list.Count(); ++i)
        count += AnsiSameText(list.Strings(i), "testlang") ? 1 : 0;
    EXPECT_EQ(count, 1);
}

TEST(LanguageRegistry, UnknownLanguage_RaisesWithItsName)
{
    try {
        fsGetLanguage("Forth");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Language 'Forth' not found");
    }
}

TEST(Positions, PosToPoint)
{
    const POINT p = fsPosToPoint("12:34");
    EXPECT_EQ(p.x, 34);
    EXPECT_EQ(p.y, 12);
    const POINT zero = fsPosToPoint("");
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
}

} // namespace

namespace
{

TEST(Literals, ParserStringToVariant_IntegersInt64FloatsStrings)
{
    EXPECT_TRUE(VarIsNull(ParserStringToVariant("")));
    EXPECT_EQ(VarType(ParserStringToVariant("2147483647")), varInteger);
    EXPECT_EQ(ParserStringToVariant("2147483647").AsInteger(), 2147483647);
    EXPECT_EQ(VarType(ParserStringToVariant("2147483648")), varInt64);
    EXPECT_EQ(ParserStringToVariant("2147483648").AsInt64(), 2147483648LL);
    EXPECT_EQ(VarType(ParserStringToVariant("-5")), varInteger);
    EXPECT_EQ(VarType(ParserStringToVariant("-3000000000")), varInt64);
    EXPECT_EQ(ParserStringToVariant("$1F").AsInteger(), 31);
    EXPECT_EQ(ParserStringToVariant("$1E").AsInteger(), 30);
    EXPECT_EQ(ParserStringToVariant("'it's'").AsString(), "it's");
    EXPECT_EQ(VarType(ParserStringToVariant("3e2")), varDouble);
    EXPECT_DOUBLE_EQ(ParserStringToVariant("3e2").AsDouble(), 300.0);
}

TEST(Literals, ParserStringToVariant_FloatWhateverTheSeparator)
{
    const char saved = DecimalSeparator;
    DecimalSeparator = ',';
    const Variant v = ParserStringToVariant("1.5");
    DecimalSeparator = saved;
    EXPECT_EQ(VarType(v), varDouble);
    EXPECT_DOUBLE_EQ(v.AsDouble(), 1.5);
}

TEST(OpenArrays, VariantToVarRec_OneElementPerItem)
{
    const Variant values = VarArrayOf(
        {Variant(7), Variant(2.5), Variant("text"), Variant(true), Variant(5000000000LL), Null()});
    std::vector<TVarRec> arr;
    VariantToVarRec(values, arr);
    ASSERT_EQ(arr.size(), 6u);
    EXPECT_EQ(arr[0].VType, TVarRec::vtInteger);
    EXPECT_EQ(arr[0].VInteger, 7);
    EXPECT_EQ(arr[1].VType, TVarRec::vtExtended);
    EXPECT_DOUBLE_EQ(arr[1].VExtended, 2.5);
    EXPECT_EQ(arr[2].VType, TVarRec::vtString);
    EXPECT_EQ(*arr[2].VString, "text");
    EXPECT_EQ(arr[3].VType, TVarRec::vtBoolean);
    EXPECT_EQ(arr[4].VType, TVarRec::vtInt64);
    EXPECT_EQ(arr[4].VInt64, 5000000000LL);
    EXPECT_EQ(arr[5].VType, TVarRec::vtInteger);
    EXPECT_EQ(arr[5].VInteger, 0);
    EXPECT_EQ(Format("%d %s", {arr[0], arr[2]}), "7 text");
    ClearVarRec(arr);
    EXPECT_TRUE(arr.empty());
}

TEST(OpenArrays, VarRecToVariant_ByKind)
{
    const AnsiString s = "abc";
    EXPECT_EQ(VarRecToVariant(TVarRec(5)).AsInteger(), 5);
    EXPECT_EQ(VarType(VarRecToVariant(TVarRec(true))), varBoolean);
    EXPECT_EQ(VarRecToVariant(TVarRec('x')).AsString(), "x");
    EXPECT_DOUBLE_EQ(VarRecToVariant(TVarRec(1.25)).AsDouble(), 1.25);
    EXPECT_EQ(VarRecToVariant(TVarRec(s)).AsString(), "abc");
    EXPECT_TRUE(VarIsNull(VarRecToVariant(TVarRec(static_cast<const void *>(&s)))));
}

TEST(MethodSyntax, VarGroupsDefaultsAndTheMacroMarker)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    std::unique_ptr<TfsCustomVariable> Dec =
        ParseMethodSyntax("procedure Dec(var i: Integer; decr: Integer = 1)", &Script);
    EXPECT_EQ(Dec->Name(), "Dec");
    ASSERT_EQ(Dec->Count(), 2);
    EXPECT_TRUE(Dec->Params(0)->IsVarParam);
    EXPECT_FALSE(Dec->Params(0)->IsOptional);
    EXPECT_FALSE(Dec->Params(1)->IsVarParam);
    EXPECT_TRUE(Dec->Params(1)->IsOptional);
    EXPECT_EQ(Dec->Params(1)->DefValue.AsInteger(), 1);
    EXPECT_EQ(Dec->GetNumberOfRequiredParams(), 1);

    // Only the last name of a group takes the default; a negative default keeps its sign.
    std::unique_ptr<TfsCustomVariable> Sum =
        ParseMethodSyntax("macrofunction SUM(Expr: Variant; a, b: Integer = -3): Variant", &Script);
    EXPECT_EQ(Sum->Name(), "SUM");
    EXPECT_TRUE(Sum->IsMacro);
    EXPECT_EQ(Sum->Typ(), fvtVariant);
    ASSERT_EQ(Sum->Count(), 3);
    EXPECT_FALSE(Sum->Params(1)->IsOptional);
    EXPECT_TRUE(Sum->Params(2)->IsOptional);
    EXPECT_EQ(Sum->Params(2)->DefValue.AsInteger(), -3);
    EXPECT_EQ(Sum->Params(2)->TypeName(), "Integer");
}

} // namespace
