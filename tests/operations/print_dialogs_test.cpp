// The two print dialogs on a real window: their printer list, copies and receipt fields,
// Esc, and bad numbers refused with the dialog left open.

#include "link/config.h"
#include "link/constants.h"
#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"
#include "platform/vcl/Printers.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

using vcltest::VclTest;

void PrintTo(const AnsiString &Text, std::ostream *Out)
{
    *Out << '"' << Text.ToUtf8() << '"';
}

namespace
{

class PrintDialogsTest : public VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        FSavedConfig = Config;
    }
    void TearDown() override
    {
        Config = FSavedConfig;
        VclTest::TearDown();
    }

    // Shows Dialog modally; While runs once it is on screen.
    template <class TDialog> int Show(TDialog &Dialog, std::function<void()> While)
    {
        Dialog.OnShow = [While](TObject *) { While(); };
        return Dialog.ShowModal();
    }
    // The click waits in the queue until the dialog's loop takes it.
    static void Press(TXpButton *Button) { vcltest::Click(Button, 10, 10); }

private:
    TConfig FSavedConfig = Config;
};

} // namespace

TEST_F(PrintDialogsTest, ListDialogOffersTheDefaultPrinterFirstAndOneCopy)
{
    TPrintListDlg dialog(nullptr);
    TStrings *items = dialog.CB_Printer->Items();
    TStrings *installed = Printer()->Printers();
    ASSERT_EQ(items->Count(), installed->Count() + 1);
    EXPECT_EQ(items->Strings(0), "По умолчанию"_a);
    for (int i = 0; i < installed->Count(); ++i)
        EXPECT_EQ(items->Strings(i + 1), installed->Strings(i));
    EXPECT_EQ(dialog.CB_Printer->ItemIndex(), 0);
    EXPECT_EQ(dialog.CB_Printer->Text(), "По умолчанию"_a);
    EXPECT_EQ(dialog.ED_NumCopy->Text(), "1");
    EXPECT_EQ(dialog.UpDown_NumCopy->Position(), 1);
    EXPECT_EQ(dialog.UpDown_NumCopy->Min(), 0);
    EXPECT_FALSE(dialog.UpDown_NumCopy->Wrap());
    EXPECT_EQ(dialog.ED_NumCopy->ValidateType(), vtOnlyDigits);
    EXPECT_TRUE(dialog.KeyPreview());
    EXPECT_EQ(dialog.BTN_Ok->ModalResult(), mrOk);
    EXPECT_EQ(dialog.BTN_Cancel->ModalResult(), mrCancel);
}

TEST_F(PrintDialogsTest, EscCancelsAndOkKeepsTheCopiesForTheNextShowing)
{
    TPrintListDlg dialog(nullptr);
    EXPECT_EQ(Show(dialog, [] { vcltest::Key(VK_ESCAPE, 27); }), mrCancel);

    EXPECT_EQ(Show(dialog,
                   [&] {
                       dialog.ED_NumCopy->SetText("3");
                       Press(dialog.BTN_Ok);
                   }),
              mrOk);
    dialog.PrepareListDialog();
    EXPECT_EQ(dialog.ED_NumCopy->Text(), "3");
    EXPECT_EQ(printdlg::NumberOf(dialog.ED_NumCopy, 1), 3);
    EXPECT_TRUE(Dialogs.Messages().empty());
}

TEST_F(PrintDialogsTest, TooManyCopiesAreRefusedWithTheDialogLeftOpen)
{
    TPrintListDlg dialog(nullptr);
    // Still open after the refusal: the dialog's loop takes the next press.
    Dialogs.ReplyMessageAfter([&] { Press(dialog.BTN_Cancel); }, mrOk);
    const int result = Show(dialog, [&] {
        dialog.ED_NumCopy->SetText("123456789012");
        Press(dialog.BTN_Ok);
    });
    EXPECT_EQ(result, mrCancel);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, "Поле \"Кол-во копий\": введите число от 0 до 999."_a);

    // Empty is no number: one copy, as always.
    EXPECT_EQ(Show(dialog,
                   [&] {
                       dialog.ED_NumCopy->SetText("");
                       Press(dialog.BTN_Ok);
                   }),
              mrOk);
    EXPECT_EQ(printdlg::NumberOf(dialog.ED_NumCopy, 1), 1);
}

TEST_F(PrintDialogsTest, ReceiptDialogKeepsAReceiptNumberBeyondItsSpinner)
{
    Config.CountTovcheck = 40000;
    TPrintTovcheckDlg dialog(nullptr);
    EXPECT_EQ(dialog.Caption(), "Печать товарного чека"_a);
    EXPECT_EQ(dialog.CB_Printer->Items()->Strings(0), "По умолчанию"_a);
    EXPECT_EQ(dialog.ED_CountTovcheck->Text(), "40000");
    EXPECT_EQ(dialog.UD_Tovcheck->Position(), 32767);
    EXPECT_EQ(dialog.ED_NumCopy->Text(), "1");
    EXPECT_EQ(dialog.DTP_Print->DateFormat(), dfLong);
    EXPECT_EQ(dialog.DTP_Print->Date(), Date());
    EXPECT_EQ(dialog.ED_Price->ValidateType(), vtFloatPs);
}

TEST_F(PrintDialogsTest, ReceiptDialogShowsTheLineAndWritesTheChangedPriceBack)
{
    Config.CountTovcheck = 7;
    TPrintTovcheckDlg dialog(nullptr);
    TovcheckRecord line{"Ключ: Метаком"_a, "Код ключа: E0 00"_a, 2, 100, 200};
    double total = 200;
    Config.CountTovcheck = 15;
    dialog.PrepareTovcheckDialog(line, total);
    EXPECT_EQ(dialog.ED_CountTovcheck->Text(), "15");
    EXPECT_EQ(dialog.ED_KeyType->Text(), line.Name);
    EXPECT_EQ(dialog.ED_KeyHex->Text(), line.KeyLine);
    EXPECT_EQ(dialog.ED_Price->Text(), "100");

    EXPECT_EQ(Show(dialog,
                   [&] {
                       dialog.ED_KeyType->SetText("Брелок"_a);
                       dialog.ED_KeyHex->SetText("");
                       dialog.ED_Price->SetText("250");
                       Press(dialog.BTN_Ok);
                   }),
              mrOk);
    EXPECT_EQ(line.Name, "Брелок"_a);
    EXPECT_EQ(line.KeyLine, "");
    EXPECT_DOUBLE_EQ(line.Price, 250);
    EXPECT_DOUBLE_EQ(line.Sum, 500);
    EXPECT_DOUBLE_EQ(total, 500);

    // Cancel changes nothing.
    dialog.PrepareTovcheckDialog(line, total);
    EXPECT_EQ(Show(dialog,
                   [&] {
                       dialog.ED_Price->SetText("1");
                       Press(dialog.BTN_Cancel);
                   }),
              mrCancel);
    EXPECT_DOUBLE_EQ(line.Price, 250);
    EXPECT_DOUBLE_EQ(total, 500);

    // A price that is no number is 0.
    EXPECT_EQ(Show(dialog,
                   [&] {
                       dialog.ED_Price->SetText(".");
                       Press(dialog.BTN_Ok);
                   }),
              mrOk);
    EXPECT_DOUBLE_EQ(line.Price, 0);
    EXPECT_DOUBLE_EQ(total, 0);
}

TEST_F(PrintDialogsTest, ReceiptDialogRefusesNumbersItCannotPrintAndKeepsTheLine)
{
    TPrintTovcheckDlg dialog(nullptr);
    TovcheckRecord line{"Ключ"_a, "", 3, 100, 300};
    double total = 300;
    dialog.PrepareTovcheckDialog(line, total);
    Dialogs.ReplyMessageAfter(
        [&] {
            dialog.ED_CountTovcheck->SetText("15");
            dialog.ED_Price->SetText("400000000");
            Press(dialog.BTN_Ok);
        },
        mrOk);
    Dialogs.ReplyMessageAfter([&] { Press(dialog.BTN_Cancel); }, mrOk);
    const int result = Show(dialog, [&] {
        dialog.ED_CountTovcheck->SetText("12345678901");
        Press(dialog.BTN_Ok);
    });
    EXPECT_EQ(result, mrCancel);
    ASSERT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_EQ(Dialogs.Messages()[0].Text,
              "Поле \"Номер товарного чека\": введите число от 0 до 999999999."_a);
    EXPECT_EQ(Dialogs.Messages()[1].Text,
              "Поле \"Цена\": сумма чека слишком велика для записи прописью."_a);
    EXPECT_DOUBLE_EQ(line.Price, 100);
    EXPECT_DOUBLE_EQ(total, 300);
}
