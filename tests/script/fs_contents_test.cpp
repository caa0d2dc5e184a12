// The contents tree of everything a script can see.

#include "script/fs_itools.h"
#include "script/fs_xml.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scriptrun;

namespace
{

std::vector<std::string> Texts(TfsXMLItem *Node)
{
    std::vector<std::string> Result;
    for (int I = 0; I < Node->Count(); ++I)
        Result.push_back(Node->Items(I)->Prop("text").ToStd());
    return Result;
}

bool Has(const std::vector<std::string> &List, const std::string &Text)
{
    return std::find(List.begin(), List.end(), Text) != List.end();
}

TfsXMLItem *Entry(TfsXMLItem *Node, const std::string &Text)
{
    for (int I = 0; I < Node->Count(); ++I)
        if (Node->Items(I)->Prop("text").View() == Text) return Node->Items(I);
    return nullptr;
}

} // namespace

TEST(Contents, ListsFunctionsClassesTypesVariablesAndConstants)
{
    auto Script = Make("PascalScript", {});
    Script->AddVariable("Counter", "Integer", Variant(3));
    TfsXMLDocument Doc;
    GenerateXMLContents(Script.get(), Doc.Root());
    TfsXMLItem *Root = Doc.Root();
    ASSERT_EQ(Root->Count(), 5);
    EXPECT_EQ(Root->Items(0)->Name().View(), "Functions");
    EXPECT_EQ(Root->Items(4)->Name().View(), "Constants");

    TfsXMLItem *Conv = Root->FindItem("Functions")->FindItem("ctConv");
    TfsXMLItem *IntToStr = Entry(Conv, "function IntToStr(i: Integer): String");
    ASSERT_NE(IntToStr, nullptr);
    EXPECT_EQ(IntToStr->Name().View(), "item");
    EXPECT_EQ(IntToStr->Prop("description").View(), "IntToStr");
    EXPECT_TRUE(Has(Texts(Root->FindItem("Functions")->FindItem("ctOther")),
                    "function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: "
                    "TMsgDlgButtons; HelpCtx: Longint): Integer"));

    TfsXMLItem *List = Entry(Root->FindItem("Classes"), "TStringList = class(TStrings)");
    ASSERT_NE(List, nullptr);
    EXPECT_TRUE(Has(Texts(List), "function Find(s: String; var Index: Integer): Boolean"));
    EXPECT_TRUE(Has(Texts(List), "property Sorted: Boolean"));
    EXPECT_TRUE(Has(Texts(List), "property Duplicates: TDuplicates"));
    TfsXMLItem *Strings = Entry(Root->FindItem("Classes"), "TStrings = class(TPersistent)");
    ASSERT_NE(Strings, nullptr);
    EXPECT_TRUE(Has(Texts(Strings), "index property Values[String]: String"));
    TfsXMLItem *Control = Entry(Root->FindItem("Classes"), "TControl = class(TComponent)");
    ASSERT_NE(Control, nullptr);
    EXPECT_TRUE(Has(Texts(Control), "event OnClick"));

    auto Types = Texts(Root->FindItem("Types"));
    // Values come in the order of the script's item list, which is sorted by name.
    EXPECT_TRUE(Has(Types, "TDuplicates: (dupAccept,dupError,dupIgnore)"));
    EXPECT_TRUE(Has(Types, "TFontStyles: (fsBold,fsItalic,fsStrikeout,fsUnderline)"));
    EXPECT_TRUE(Has(Texts(Root->FindItem("Variables")), "Counter: Integer"));
    auto Constants = Texts(Root->FindItem("Constants"));
    EXPECT_TRUE(Has(Constants, "fmCreate: Integer = 65535"));
    EXPECT_TRUE(Has(Constants, "True: Boolean = True"));
    EXPECT_FALSE(Has(Constants, "dupIgnore: TDuplicates = 0"));
}

TEST(Contents, FunctionsOnlyLeavesTheOtherNodesEmpty)
{
    auto Script = Make("PascalScript", {});
    TfsXMLDocument Doc;
    Doc.Root()->FindItem("Classes")->Add()->SetName("kept");
    GenerateXMLContents(Script.get(), Doc.Root(), true);
    EXPECT_GT(Doc.Root()->FindItem("Functions")->Count(), 5);
    EXPECT_EQ(Doc.Root()->FindItem("Classes")->Count(), 1);
    EXPECT_EQ(Doc.Root()->FindItem("Types")->Count(), 0);
    EXPECT_EQ(Doc.Root()->FindItem("Constants")->Count(), 0);
}
