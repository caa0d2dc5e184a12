// Typing and pasting into validating edits, under the Russian locale the test
// main sets (a decimal comma there must not reach these fields).

#include "controls/ValidateEdit.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/Clipbrd.h"
#include "tests/controls/FormStream.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

class ValidateEditTest : public vcltest::VclTest
{
protected:
    TValidateEdit *Edit(TValidateType Type)
    {
        TForm *Form = ShownForm();
        auto *E = new TValidateEdit(Form);
        E->SetParent(Form);
        E->SetValidateType(Type);
        return E;
    }
    static void Type(TValidateEdit *E, const char *Keys)
    {
        for (const char *K = Keys; *K; ++K)
            E->Perform(WM_CHAR, static_cast<unsigned char>(*K), 0);
    }
    static void Place(TValidateEdit *E, int Start, int Length = 0)
    {
        E->SetSelStart(Start);
        E->SetSelLength(Length);
    }
    static void Paste(TValidateEdit *E, const AnsiString &Text)
    {
        Clipboard()->SetAsText(Text);
        E->Perform(WM_PASTE, 0, 0);
    }
};

TEST_F(ValidateEditTest, DecimalsKeepTheirFractionDigitsAndSign)
{
    TValidateEdit *E = Edit(vtFloatPs);
    EXPECT_EQ(E->Mantissa(), 2);
    Type(E, "12.345");
    EXPECT_EQ(E->Text(), "12.34");
    Place(E, 0);
    Type(E, "9-");
    EXPECT_EQ(E->Text(), "912.34");
    // Replacing selected fraction digits is no extra digit.
    Place(E, 4, 2);
    Type(E, "7");
    EXPECT_EQ(E->Text(), "912.7");
    Type(E, ".");
    EXPECT_EQ(E->Text(), "912.7");
    Place(E, 3, 2);
    Type(E, ".");
    EXPECT_EQ(E->Text(), "912.");
}

// A comma typed or pasted into a decimal field is its point, never dropped from the number.
TEST_F(ValidateEditTest, DecimalCommaIsTakenAsThePoint)
{
    TValidateEdit *Price = Edit(vtFloatPs);
    Type(Price, "150,5,");
    EXPECT_EQ(Price->Text(), "150.5");
    Price->SelectAll();
    Paste(Price, "99,95");
    EXPECT_EQ(Price->Text(), "99.95");
    Price->SetText("12");
    Place(Price, 2);
    Paste(Price, ",5");
    EXPECT_EQ(Price->Text(), "12.50");

    TValidateEdit *Signed = Edit(vtFloat);
    Type(Signed, "-0,25");
    EXPECT_EQ(Signed->Text(), "-0.25");

    // A whole number has no point to take the comma for.
    TValidateEdit *Count = Edit(vtInteger);
    Type(Count, "1,5");
    EXPECT_EQ(Count->Text(), "15");
    Count->SelectAll();
    Paste(Count, "7,6");
    EXPECT_EQ(Count->Text(), "7");
}

TEST_F(ValidateEditTest, IntegersTakeOneLeadingMinus)
{
    TValidateEdit *E = Edit(vtInteger);
    Type(E, "-5");
    EXPECT_EQ(E->Text(), "-5");
    Place(E, 0);
    Type(E, "3-");
    EXPECT_EQ(E->Text(), "-5");
    Place(E, 0, 2);
    Type(E, "-");
    EXPECT_EQ(E->Text(), "-");
    TValidateEdit *Positive = Edit(vtIntegerPs);
    Type(Positive, "-4x2");
    EXPECT_EQ(Positive->Text(), "42");
}

TEST_F(ValidateEditTest, RangesTestTheTextAsItWouldRead)
{
    TValidateEdit *E = Edit(vtInteger);
    E->SetRangeMode(true);
    E->SetMinValue(0);
    E->SetMaxValue(50);
    Type(E, "45");
    EXPECT_EQ(E->Text(), "45");
    Place(E, 0, 1);
    Type(E, "9");
    EXPECT_EQ(E->Text(), "45");
    Place(E, 0, 1);
    Type(E, "1");
    EXPECT_EQ(E->Text(), "15");
    E->SetValidateType(vtInteger);
    EXPECT_FALSE(E->RangeMode());
    EXPECT_EQ(E->MaxValue(), 1.0);
}

TEST_F(ValidateEditTest, PastedNumbersAreFormattedOrRefused)
{
    TValidateEdit *E = Edit(vtInteger);
    Paste(E, "12abc");
    EXPECT_EQ(E->Text(), "12");
    E->SetText("");
    Paste(E, "abc");
    EXPECT_EQ(E->Text(), "0");
    E->SetText("");
    Paste(E, "7.6");
    EXPECT_EQ(E->Text(), "8");

    TValidateEdit *Price = Edit(vtFloatPs);
    Paste(Price, "3.14159");
    EXPECT_EQ(Price->Text(), "3.14");
    Price->SelectAll();
    Paste(Price, "-5");
    EXPECT_EQ(Price->Text(), "3.14");
    Price->SelectAll();
    Paste(Price, "inf");
    EXPECT_EQ(Price->Text(), "0.00");
    Price->SelectAll();
    Paste(Price, "1e400");
    EXPECT_EQ(Price->Text(), "0.00");
    Price->SetRangeMode(true);
    Price->SetMaxValue(100);
    Price->SelectAll();
    Paste(Price, "250");
    EXPECT_EQ(Price->Text(), "0.00");
}

TEST_F(ValidateEditTest, CharacterSetsAndHexDigits)
{
    TValidateEdit *Hex = Edit(vtHexUp);
    Paste(Hex, "a1-b");
    EXPECT_EQ(Hex->Text(), "A1B");
    Type(Hex, "fg");
    EXPECT_EQ(Hex->Text(), "A1BF");

    TValidateEdit *Custom = Edit(vtNone);
    Custom->SetValidateString("0-9A-F");
    EXPECT_EQ(Custom->ValidateType(), vtCustom);
    Type(Custom, "7Cc");
    EXPECT_EQ(Custom->Text(), "7C");

    TValidateEdit *Names = Edit(vtNone);
    Names->SetValidateString("А-Я0-9 -"_a);
    Type(Names, "Ж-7"_a.c_str());
    Type(Names, "qё"_a.c_str());
    EXPECT_EQ(Names->Text(), "Ж-7"_a);

    TValidateEdit *Digits = Edit(vtOnlyDigits);
    Type(Digits, "1a2");
    EXPECT_EQ(Digits->Text(), "12");
}

TEST_F(ValidateEditTest, HtmlColourDrivesTheBackground)
{
    TValidateEdit *E = Edit(vtNone);
    EXPECT_EQ(E->ColorHTML(), "#ignore");
    E->SetColorHTML("red");
    EXPECT_EQ(E->ColorHTML(), "#000000");
    EXPECT_EQ(E->Color(), 0);
    E->SetColorHTML("#FFEFEF");
    EXPECT_EQ(E->Color(), static_cast<TColor>(RGB(255, 239, 239)));
    E->SetColor(static_cast<TColor>(RGB(1, 2, 3)));
    EXPECT_EQ(E->ColorHTML(), "#010203");
    E->SetColorHTML("#ignore");
    EXPECT_EQ(E->Color(), static_cast<TColor>(RGB(1, 2, 3)));
}

TEST_F(ValidateEditTest, AFormStreamSetsTheTypeBeforeWhatTheTypeResets)
{
    ValidateEdit::Register();
    ctltest::TStreamedForm Form(nullptr);
    auto *Price = ctltest::Place<TValidateEdit>(Form, "ED_Price");
    Price->SetValidateType(vtFloatPs);
    Price->SetMantissa(3);
    Price->SetRangeMode(true);
    Price->SetMinValue(0.5);
    Price->SetMaxValue(99.5);
    Price->SetColorHTML("#FFEFEF");
    // The fraction digits a decimal type sets are left out; none at all must come back as none.
    auto *Whole = ctltest::Place<TValidateEdit>(Form, "ED_Whole");
    Whole->SetValidateType(vtFloat);
    Whole->SetMantissa(0);
    auto *Copies = ctltest::Place<TValidateEdit>(Form, "ED_NumCopy");
    Copies->SetValidateType(vtOnlyDigits);
    Copies->SetColor(clYellow);
    // A bound of 0 is no bound left out.
    auto *Below = ctltest::Place<TValidateEdit>(Form, "ED_Below");
    Below->SetValidateType(vtInteger);
    Below->SetRangeMode(true);
    Below->SetMinValue(-10);
    Below->SetMaxValue(0);
    auto *Name = ctltest::Place<TValidateEdit>(Form, "ED_WriterName");
    Name->SetValidateString("0-9A-F");
    Name->SetMaxLength(14);

    auto Copy = ctltest::ReadBack(Form);
    auto *PriceBack = ctltest::Found<TValidateEdit>(*Copy, "ED_Price");
    auto *WholeBack = ctltest::Found<TValidateEdit>(*Copy, "ED_Whole");
    auto *CopiesBack = ctltest::Found<TValidateEdit>(*Copy, "ED_NumCopy");
    auto *BelowBack = ctltest::Found<TValidateEdit>(*Copy, "ED_Below");
    auto *NameBack = ctltest::Found<TValidateEdit>(*Copy, "ED_WriterName");
    ASSERT_TRUE(PriceBack && WholeBack && CopiesBack && BelowBack && NameBack);
    EXPECT_EQ(PriceBack->ValidateType(), vtFloatPs);
    EXPECT_EQ(PriceBack->Mantissa(), 3);
    EXPECT_TRUE(PriceBack->RangeMode());
    EXPECT_EQ(PriceBack->MinValue(), 0.5);
    EXPECT_EQ(PriceBack->MaxValue(), 99.5);
    EXPECT_EQ(PriceBack->ColorHTML(), "#FFEFEF");
    EXPECT_EQ(PriceBack->TEdit::Color(), static_cast<TColor>(RGB(255, 239, 239)));
    EXPECT_EQ(WholeBack->ValidateType(), vtFloat);
    EXPECT_EQ(WholeBack->Mantissa(), 0);
    EXPECT_EQ(CopiesBack->ValidateType(), vtOnlyDigits);
    EXPECT_EQ(CopiesBack->ColorHTML(), "#ignore");
    EXPECT_EQ(CopiesBack->Color(), clYellow);
    EXPECT_EQ(BelowBack->ValidateType(), vtInteger);
    EXPECT_TRUE(BelowBack->RangeMode());
    EXPECT_EQ(BelowBack->MinValue(), -10);
    EXPECT_EQ(BelowBack->MaxValue(), 0);
    EXPECT_EQ(NameBack->ValidateType(), vtCustom);
    EXPECT_EQ(NameBack->ValidateString(), "0-9A-F");
    EXPECT_EQ(NameBack->MaxLength(), 14);

    Copy->Show();
    vcltest::Pump();
    Type(PriceBack, "12.3456");
    EXPECT_EQ(PriceBack->Text(), "12.345");
    Type(WholeBack, "-7.5");
    EXPECT_EQ(WholeBack->Text(), "-7.");
    Type(BelowBack, "5-3");
    EXPECT_EQ(BelowBack->Text(), "-3");
    Type(NameBack, "7Cc");
    EXPECT_EQ(NameBack->Text(), "7C");
}

// Black is also the colour a new edit reads before any is given: with the HTML text ignored, a
// black edit came back from its form data with the window's colour.
TEST_F(ValidateEditTest, AFormStreamKeepsABlackBackgroundAndANewEditsOwn)
{
    ValidateEdit::Register();
    ctltest::TStreamedForm Form(nullptr);
    auto *Black = ctltest::Place<TValidateEdit>(Form, "ED_Black");
    Black->SetColor(clBlack);
    auto *BlackHtml = ctltest::Place<TValidateEdit>(Form, "ED_BlackHtml");
    BlackHtml->SetColorHTML("#000000");
    ctltest::Place<TValidateEdit>(Form, "ED_Plain");

    auto Copy = ctltest::ReadBack(Form);
    auto *BlackBack = ctltest::Found<TValidateEdit>(*Copy, "ED_Black");
    auto *BlackHtmlBack = ctltest::Found<TValidateEdit>(*Copy, "ED_BlackHtml");
    auto *PlainBack = ctltest::Found<TValidateEdit>(*Copy, "ED_Plain");
    ASSERT_TRUE(BlackBack && BlackHtmlBack && PlainBack);
    EXPECT_EQ(BlackBack->ColorHTML(), "#ignore");
    EXPECT_EQ(BlackBack->Color(), clBlack);
    EXPECT_EQ(BlackBack->TEdit::Color(), clBlack);
    EXPECT_EQ(BlackHtmlBack->ColorHTML(), "#000000");
    EXPECT_EQ(BlackHtmlBack->TEdit::Color(), clBlack);
    // Never given a colour, an edit keeps the window's and still reads 0.
    EXPECT_EQ(PlainBack->Color(), 0);
    EXPECT_EQ(PlainBack->TEdit::Color(), clWindow);
}

TEST(ValidateEditUnit, RegisterPutsTheControlOnTheWin32Page)
{
    ValidateEdit::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TValidateEdit::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TValidateEdit"), TValidateEdit::StaticClass());
}
