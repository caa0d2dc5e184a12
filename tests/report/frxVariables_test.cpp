#include "report/frxVariables.h"
#include "tests/report/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace
{

AnsiString Names(const TfrxVariables &Variables)
{
    AnsiString Result;
    for (int i = 0; i < Variables.Count(); ++i)
        Result += (i ? "|" : "") + Variables.Items(i)->Name();
    return Result;
}

void Fill(TfrxVariables &Variables, std::initializer_list<const char *> List)
{
    for (const char *Name : List) {
        TfrxVariable *Item = Variables.Add();
        Item->SetName(Name);
    }
}

} // namespace

TEST(Variables, SaveToTheExactFileText)
{
    TfrxVariables Variables;
    Variables.Set("total", AnsiString("1+2"));
    Variables.Set("s", AnsiString("\"a\""));
    const AnsiString Text = Written([&](TStream *S) { Variables.SaveToStream(S); });
    EXPECT_EQ(Text, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<variables>\r\n"
                    "  <item Name=\"total\" Value=\"1+2\"/>\r\n"
                    "  <item Name=\"s\" Value=\"&#34;a&#34;\"/>\r\n</variables>\r\n");

    TfrxVariables Loaded;
    TStringStream In(Text);
    Loaded.LoadFromStream(&In);
    ASSERT_EQ(Loaded.Count(), 2);
    EXPECT_EQ(VarToStr(Loaded.Get("S")), "\"a\"");

    AnsiString Other = Text;
    Other = StringReplace(Other, "variables>", "vars>", rfReplaceAll);
    TStringStream OtherIn(Other);
    Loaded.LoadFromStream(&OtherIn);
    EXPECT_EQ(Loaded.Count(), 0);
}

TEST(Variables, CategoriesHoldTheEntriesUpToTheNextHeading)
{
    TfrxVariables Variables;
    Fill(Variables, {" Cat1", "x", " Cat2", "y"});
    Variables.AddVariable("Cat1", "z", 1);
    EXPECT_EQ(Names(Variables), " Cat1|x|z| Cat2|y");
    Variables.Set("w", 5);
    EXPECT_EQ(Names(Variables), " Cat1|x|z| Cat2|y|w");
    Variables.AddVariable("Nope", "q", 1);
    EXPECT_EQ(Variables.Count(), 6);
    Variables.AddVariable("Cat2", "v", 2);
    EXPECT_EQ(Names(Variables), " Cat1|x|z| Cat2|y|w|v");

    TStringList List;
    Variables.GetCategoriesList(&List);
    EXPECT_EQ(List.Text(), "Cat1\r\nCat2\r\n");
    Variables.GetVariablesList("Cat1", &List);
    EXPECT_EQ(List.Text(), "x\r\nz\r\n");
    Variables.GetVariablesList("", &List);
    EXPECT_EQ(List.Count(), 0); // the first entry is a heading
    Variables.GetVariablesList("None", &List);
    EXPECT_EQ(List.Count(), 0);

    Variables.DeleteCategory("Cat1");
    EXPECT_EQ(Names(Variables), " Cat2|y|w|v");
    Variables.DeleteVariable("W");
    EXPECT_EQ(Names(Variables), " Cat2|y|v");
    EXPECT_TRUE(VarIsNull(Variables.Get("missing")));
    EXPECT_EQ(Variables.Get("v").AsInteger(), 2);
}
