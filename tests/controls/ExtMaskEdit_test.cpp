// The key-code editor: typing, the check byte, copying, pasting and leaving.

#include "controls/ExtMaskEdit.h"
#include "link/grid_helpers.h"
#include "platform/rtl/ClassesFiler.h"
#include "tests/controls/FormStream.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

class ExtMaskEditTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        TForm *Form = ShownForm(500, 200);
        Editor = new TExtMaskEdit(Form);
        Editor->SetParent(Form);
        Editor->SetBounds(10, 10, 300, 24);
        Editor->SetMaskType(TExtMaskEdit::msKeyHex8b);
        Editor->SetEditMask("XX-HH-HH-HH-HH-HH-HH-HH");
        Editor->SetText("0000000000000000");
        Editor->SetFrame(0);
        Next = new TEdit(Form);
        Next->SetParent(Form);
        Next->SetBounds(10, 50, 100, 24);
        AfterNext = new TEdit(Form);
        AfterNext->SetParent(Form);
        AfterNext->SetBounds(10, 90, 100, 24);
        Editor->SetFocus();
        vcltest::Pump();
    }
    void Type(const char *Keys)
    {
        for (const char *K = Keys; *K; ++K)
            Editor->Perform(WM_CHAR, static_cast<unsigned char>(*K), 0);
        vcltest::Pump();
    }
    TExtMaskEdit *Editor = nullptr;
    TEdit *Next = nullptr;
    TEdit *AfterNext = nullptr;
};

TEST_F(ExtMaskEditTest, TheFirstByteFollowsTheOthers)
{
    EXPECT_EQ(Editor->DisplayText(), "00-00-00-00-00-00-00-00");
    EXPECT_EQ(Editor->CaretPos(), 4);
    Type("a");
    EXPECT_EQ(Editor->Text(), "AFA0000000000000");
    Type("1");
    EXPECT_EQ(Editor->Text(), "F1A1000000000000");
    Type("g");
    EXPECT_EQ(Editor->Text(), "F1A1000000000000");
    EXPECT_EQ(Editor->CaretPos(), 7);
}

TEST_F(ExtMaskEditTest, CopyAllTakesTheLiteralsAndPasteFillsFromTheCaret)
{
    Type("a1");
    Type("\x01");
    EXPECT_EQ(ClipboardGetUnicodeText(), "F1-A1-00-00-00-00-00-00");
    Editor->SetText("0000000000000000");
    Editor->SetFocus();
    Next->SetFocus();
    Editor->SetFocus();
    vcltest::Pump();
    ASSERT_EQ(Editor->CaretPos(), 4);
    ClipboardSetUnicodeText("01 23 45 67 89 AB CD EF");
    Type("\x16");
    EXPECT_EQ(Editor->Text(), "2C0123456789ABCD");
}

TEST_F(ExtMaskEditTest, ShortTextsFillWithBlanksThatReadAsZeros)
{
    Editor->SetMaskType(TExtMaskEdit::msCustom);
    Editor->SetText("12");
    EXPECT_EQ(Editor->DisplayText().SubString(4, 1)[1], static_cast<char>(149));
    Editor->SetMaskType(TExtMaskEdit::msKeyHex8b);
    EXPECT_EQ(Editor->Text().SubString(1, 4), "1200");
    Editor->SetText("00112233445566778899");
    EXPECT_EQ(Editor->Text().Length(), 16);
}

TEST_F(ExtMaskEditTest, TheLastDigitMovesTheFocusOnExactlyOnce)
{
    Type("11223344556677");
    EXPECT_TRUE(Next->Focused());
    EXPECT_FALSE(AfterNext->Focused());
    EXPECT_EQ(Editor->Text().SubString(3, 14), "11223344556677");
}

TEST_F(ExtMaskEditTest, ASelectionIsBlankedByTheNextDigit)
{
    Type("123456");
    // Back to the second data byte, then two bytes selected with Shift and Right.
    for (int I = 0; I < 4; ++I)
        vcltest::Key(VK_LEFT);
    vcltest::KeyDown(VK_SHIFT);
    for (int I = 0; I < 4; ++I)
        vcltest::Key(VK_RIGHT);
    vcltest::KeyUp(VK_SHIFT);
    vcltest::Pump();
    Type("9");
    const AnsiString Shown = Editor->DisplayText();
    EXPECT_EQ(Shown.SubString(4, 3), "12-");
    EXPECT_EQ(Shown[7], '9');
    EXPECT_EQ(Shown[8], static_cast<char>(149));
    EXPECT_EQ(Shown[10], static_cast<char>(149));
}

TEST_F(ExtMaskEditTest, ASelectionOutlivingAShorterMaskCopiesWhatIsLeft)
{
    vcltest::KeyDown(VK_SHIFT);
    for (int I = 0; I < 30; ++I)
        vcltest::Key(VK_RIGHT);
    vcltest::KeyUp(VK_SHIFT);
    vcltest::Pump();
    ClipboardSetUnicodeText("none");
    Editor->SetMaskType(TExtMaskEdit::msCustom);
    Editor->SetEditMask("HH-HH");
    Type("\x03");
    EXPECT_EQ(ClipboardGetUnicodeText(), "00");
    Type("7");
    EXPECT_EQ(Editor->DisplayText().SubString(1, 4), "00-7");

    Editor->SetEditMask("");
    Type("\x03");
    Type("7");
    EXPECT_EQ(Editor->DisplayText(), "");
    Editor->SetEditMask("DD");
    Type("\x03");
    Type("5");
    EXPECT_EQ(Editor->Text().Length(), 2);
}

TEST_F(ExtMaskEditTest, TheSystemCaretStandsAtTheEditingPosition)
{
    // Where the characters before the caret end, each drawn on its own.
    const auto CaretLeft = [this] {
        Editor->Canvas()->SetFont(Editor->Font());
        int X = Editor->Frame();
        for (int I = 1; I < Editor->CaretPos(); ++I)
            X += Editor->Canvas()->TextWidth(AnsiString(Editor->DisplayText()[I]));
        return X;
    };
    const auto Caret = [this] {
        Editor->Repaint();
        POINT P{};
        GetCaretPos(&P);
        return P.x;
    };
    ASSERT_EQ(Editor->CaretPos(), 4);
    EXPECT_EQ(Caret(), CaretLeft());
    Type("a");
    ASSERT_EQ(Editor->CaretPos(), 5);
    const int Typed = CaretLeft();
    EXPECT_GT(Typed, 0);
    EXPECT_EQ(Caret(), Typed);

    // A mask without editable positions leaves no caret in the editor: it would stand on
    // its first character.
    Editor->SetEditMask("XX-XX");
    Next->SetFocus();
    Editor->SetFocus();
    vcltest::Pump();
    ASSERT_EQ(Editor->CaretPos(), 1);
    EXPECT_EQ(Caret(), Typed);
}

TEST_F(ExtMaskEditTest, AFormStreamBringsTheKeyCodeEditorBack)
{
    ExtMaskEdit::Register();
    ctltest::TStreamedForm Source(nullptr);
    auto *Key = ctltest::Place<TExtMaskEdit>(Source, "ME_KeyHex");
    Key->SetMaskType(TExtMaskEdit::msKeyHex8b);
    Key->SetEditMask("XX-HH-HH-HH-HH-HH-HH-HH");
    Key->SetText("00123456789ABCDE");
    Key->SetBlankSymbol('_');
    Key->SetFrame(0);
    Key->SetBeginCaretPos(7);
    Key->SetEndCaretPos(23);
    Key->SetExitAtEnd(false);
    Source.BindClick(Key, "OnExit");

    auto Copy = ctltest::ReadBack(Source);
    auto *Back = ctltest::Found<TExtMaskEdit>(*Copy, "ME_KeyHex");
    ASSERT_TRUE(Back);
    EXPECT_EQ(Back->MaskType(), TExtMaskEdit::msKeyHex8b);
    EXPECT_EQ(Back->EditMask(), "XX-HH-HH-HH-HH-HH-HH-HH");
    EXPECT_EQ(Back->BlankSymbol(), '_');
    EXPECT_EQ(Back->DisplayText(), Key->DisplayText());
    EXPECT_EQ(Back->Text(), Key->Text());
    EXPECT_EQ(Back->Frame(), 0);
    EXPECT_EQ(Back->BeginCaretPos(), 7);
    EXPECT_EQ(Back->EndCaretPos(), 23);
    EXPECT_FALSE(Back->ExitAtEnd());

    Copy->SetBounds(50, 250, 400, 100);
    Copy->Show();
    Back->SetFocus();
    vcltest::Pump();
    EXPECT_EQ(Back->CaretPos(), 7);
    Back->Perform(WM_CHAR, 'f', 0);
    EXPECT_EQ(Back->DisplayText().SubString(7, 1), "F");
    ASSERT_TRUE(Back->OnExit);
    Back->OnExit(Back);
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{Back});
}

// An editor is a tab stop from the start: only one taken out of the tab order is written.
TEST_F(ExtMaskEditTest, AFormStreamWritesTheTabStopOnlyWhenItIsOff)
{
    ExtMaskEdit::Register();
    ctltest::TStreamedForm Source(nullptr);
    auto *Stop = ctltest::Place<TExtMaskEdit>(Source, "ME_Stop");
    auto *Skipped = ctltest::Place<TExtMaskEdit>(Source, "ME_Skipped");
    Skipped->SetTabStop(false);
    const auto Written = [](TComponent *Component) {
        TMemoryStream Stream;
        TWriter(&Stream).WriteComponent(Component);
        return std::string(static_cast<const char *>(Stream.Memory()),
                           static_cast<std::size_t>(Stream.Size()));
    };
    EXPECT_EQ(Written(Stop).find("TabStop"), std::string::npos);
    EXPECT_NE(Written(Skipped).find("TabStop"), std::string::npos);

    auto Copy = ctltest::ReadBack(Source);
    auto *StopBack = ctltest::Found<TExtMaskEdit>(*Copy, "ME_Stop");
    auto *SkippedBack = ctltest::Found<TExtMaskEdit>(*Copy, "ME_Skipped");
    ASSERT_TRUE(StopBack && SkippedBack);
    EXPECT_TRUE(StopBack->TabStop());
    EXPECT_FALSE(SkippedBack->TabStop());
}

TEST(ExtMaskEditUnit, RegisterPutsTheControlOnTheWin32Page)
{
    ExtMaskEdit::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TExtMaskEdit::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TExtMaskEdit"), TExtMaskEdit::StaticClass());
}
