// The dialogs module and ShowMessage, answered by scripted replies.

#include "tests/script/ScriptRun.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace scriptrun;
using namespace vcltest;

using DialogsModule = VclTest;

TEST_F(DialogsModule, MessageDlgShowsTheButtonsAndGivesTheAnswer)
{
    Dialogs.ReplyMessage(mrYes);
    Dialogs.ReplyMessage(mrNo);
    auto Script = Make("PascalScript",
                       {"var a, b, h: Integer;", "begin",
                        "  a := MessageDlg('Save?', mtConfirmation, mbYes or mbNo, 0);",
                        "  b := MessageDlg('Save?', mtConfirmation, 3, 0); h := mbHelp;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "6");
    EXPECT_EQ(Text(*Script, "b"), "7");
    EXPECT_EQ(Text(*Script, "h"), "1024");
    ASSERT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_EQ(Dialogs.Messages()[0].Text.View(), "Save?");
    EXPECT_EQ(Dialogs.Messages()[0].Type, mtConfirmation);
    EXPECT_TRUE(Dialogs.Messages()[1].Buttons == (TMsgDlgButtons{mbYes, mbNo}));
}

TEST_F(DialogsModule, MessageDlgTakesOnlyTheLow16BitsOfTheButtons)
{
    Dialogs.ReplyMessage(mrOk);
    auto Script = Make("PascalScript",
                       {"var a: Integer;", "begin",
                        "  a := MessageDlg('Done', mtInformation, 65536 + mbOK, 7);", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "1");
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_TRUE(Dialogs.Messages()[0].Buttons == TMsgDlgButtons{mbOK});
}

TEST_F(DialogsModule, InputQueryAndInputBox)
{
    Dialogs.ReplyInput(false, "ignored");
    Dialogs.ReplyInput(true, "typed");
    Dialogs.ReplyInput(false, "");
    auto Script = Make("JScript", {"var v = \"old\"; var a = InputQuery(\"Title\", \"Name\", v);",
                                   "var w = \"x\"; var b = InputQuery(\"Title\", \"Name\", w);",
                                   "var c = InputBox(\"Title\", \"Name\", \"default\");"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "False");
    EXPECT_EQ(Text(*Script, "v"), "old");
    EXPECT_EQ(Text(*Script, "b"), "True");
    EXPECT_EQ(Text(*Script, "w"), "typed");
    EXPECT_EQ(Text(*Script, "c"), "default");
    ASSERT_EQ(Dialogs.Prompts().size(), 3u);
    EXPECT_EQ(Dialogs.Prompts()[0].View(), "Name");
}

TEST_F(DialogsModule, CommonDialogsExecuteWithTheirProperties)
{
    AnsiString SeenFilter;
    Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        auto &Open = dynamic_cast<TOpenDialog &>(Dialog);
        SeenFilter = Open.Filter();
        Open.SetFileName("/tmp/chosen.txt");
        return true;
    });
    Dialogs.ReplyDialog([](TCommonDialog &Dialog) {
        dynamic_cast<TColorDialog &>(Dialog).SetColor(clRed);
        return true;
    });
    Dialogs.ReplyDialog([](TCommonDialog &) { return false; });
    auto Script =
        Make("C++Script",
             {"TOpenDialog o; TColorDialog c; TSaveDialog s; string name; int colour;",
              "bool saved;", "{", "  o = TOpenDialog.Create(nil); o.Filter = \"Text|*.txt\";",
              "  if (o.Execute()) name = o.FileName;",
              "  c = TColorDialog.Create(nil); if (c.Execute()) colour = c.Color;",
              "  s = TSaveDialog.Create(nil); saved = s.Execute();",
              "  o.Free(); c.Free(); s.Free();", "}"});
    Exec(*Script);
    EXPECT_EQ(SeenFilter.View(), "Text|*.txt");
    EXPECT_EQ(Text(*Script, "name"), "/tmp/chosen.txt");
    EXPECT_EQ(Text(*Script, "colour"), "255");
    EXPECT_EQ(Text(*Script, "saved"), "False");
    EXPECT_TRUE(Dialogs.Exhausted());
}

TEST_F(DialogsModule, ShowMessageReachesTheMessageBox)
{
    Dialogs.ReplyMessage(mrOk);
    auto Script = Make("BasicScript", {"n = 42", "ShowMessage(\"hello \" & n)"});
    Exec(*Script);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text.View(), "hello 42");
    EXPECT_TRUE(Dialogs.Messages()[0].Buttons == TMsgDlgButtons{mbOK});
}
