// The two print dialogs on a real window: their printer list, copies and receipt fields,
// Esc, and bad numbers refused with the dialog left open.

#include "link/config.h"
#include "link/constants.h"
#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Printers.h"
#include "platform/win/WindowRegistry.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
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
    // The print service is not asked while the program starts, only as the dialog first shows.
    EXPECT_EQ(items->Count(), 0);
    dialog.PrepareListDialog();
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

TEST_F(PrintDialogsTest, APrinterAddedWhileTheProgramRunsIsListedAndTheChoiceStays)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    ASSERT_TRUE(cups.AddPdfQueue("Office"));
    TPrintListDlg dialog(nullptr);
    TStrings *items = dialog.CB_Printer->Items();
    dialog.PrepareListDialog();
    ASSERT_GE(items->IndexOf("Office"), 1) << cups.Log();
    dialog.CB_Printer->SetItemIndex(items->IndexOf("Office"));
    EXPECT_EQ(items->IndexOf("Hall"), -1);

    ASSERT_TRUE(cups.AddPdfQueue("Hall"));
    dialog.PrepareListDialog();
    EXPECT_GE(items->IndexOf("Hall"), 1) << "the printer added since is not offered";
    EXPECT_EQ(dialog.CB_Printer->Text(), "Office") << "the choice was lost";
    EXPECT_EQ(items->Strings(0), "По умолчанию"_a);

    // The system's print dialog maps its choice onto the printer's list read as it opened.
    Printer()->SetPrinterIndex(Printer()->Printers()->IndexOf("Office"));
    ASSERT_TRUE(cups.AddPdfQueue("Cellar"));
    Printer()->Refresh();
    EXPECT_GE(Printer()->Printers()->IndexOf("Cellar"), 0);
    EXPECT_EQ(Printer()->PrinterName(), "Office");
    Printer()->SetPrinterIndex(-1);
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
    EXPECT_EQ(dialog.CB_Printer->Items()->Count(), 0);
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
    EXPECT_EQ(dialog.CB_Printer->Items()->Strings(0), "По умолчанию"_a);
    EXPECT_EQ(dialog.CB_Printer->ItemIndex(), 0);
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

namespace
{

// Whether the control's own window shows anything but its first pixel's colour.
bool DrawsSomething(TWinControl *Control)
{
    const QImage &surface = win::FindWindow(Control->Handle())->Surface;
    const QRgb first = surface.pixel(2, 2);
    for (int y = 2; y < surface.height() - 2; ++y)
        for (int x = 2; x < surface.width() - 2; ++x)
            if (surface.pixel(x, y) != first) return true;
    return false;
}

// The dialog as it stands on the screen: its window with every child window drawn over it.
void DrawWindows(QPainter &Painter, TWinControl *Control, POINT Origin)
{
    const win::Window *window = win::FindWindow(Control->Handle());
    const RECT place = win::ScreenRect(*window);
    Painter.drawImage(place.left - Origin.x, place.top - Origin.y, window->Surface);
    for (int i = 0; i < Control->ControlCount(); ++i)
        if (auto *child = dynamic_cast<TWinControl *>(Control->Controls(i));
            child && child->Visible())
            DrawWindows(Painter, child, Origin);
}

QImage Picture(TForm *Dialog)
{
    const win::Window *window = win::FindWindow(Dialog->Handle());
    QImage picture(window->Width(), window->Height(), QImage::Format_RGB32);
    QPainter painter(&picture);
    DrawWindows(painter, Dialog, win::WindowScreenOrigin(*window));
    return picture;
}

} // namespace

// Under the Xvfb run the pictures go where QRV4_SHOTS says, to be looked at.
TEST_F(PrintDialogsTest, DialogsShowThePrinterAndTheCopiesOnScreen)
{
    Config.CountTovcheck = 12;
    TPrintListDlg list(nullptr);
    TPrintTovcheckDlg receipt(nullptr);
    TovcheckRecord line{"Домофонный ключ: Метаком"_a, "Код ключа: E0 00 00 0F 06 05 03 01"_a, 2,
                        150, 300};
    double total = 300;
    list.PrepareListDialog();
    receipt.PrepareTovcheckDialog(line, total);
    const char *const shots = std::getenv("QRV4_SHOTS");
    if (shots) std::filesystem::create_directories(shots);

    auto look = [&](TForm &Dialog, const char *Name, std::vector<TWinControl *> Controls) {
        QImage picture;
        std::vector<bool> drawn;
        TTimer timer(nullptr);
        timer.SetInterval(200);
        timer.OnTimer = [&](TObject *) {
            timer.SetEnabled(false);
            picture = Picture(&Dialog);
            for (TWinControl *control : Controls)
                drawn.push_back(control->Visible() && DrawsSomething(control));
            vcltest::Key(VK_ESCAPE, 27);
        };
        EXPECT_EQ(Show(Dialog, [] {}), mrCancel);
        ASSERT_EQ(drawn.size(), Controls.size()) << Name;
        for (std::size_t i = 0; i < Controls.size(); ++i)
            EXPECT_TRUE(drawn[i]) << Name << " " << Controls[i]->Name().ToUtf8();
        if (shots) picture.save(QString::fromStdString(std::string(shots) + "/" + Name + ".png"));
    };
    look(list, "print_list_dialog", {list.CB_Printer, list.ED_NumCopy, list.BTN_Ok});
    look(receipt, "print_tovcheck_dialog",
         {receipt.CB_Printer, receipt.ED_NumCopy, receipt.ED_CountTovcheck, receipt.DTP_Print,
          receipt.ED_KeyType, receipt.ED_KeyHex, receipt.ED_Price});
    EXPECT_EQ(list.CB_Printer->Text(), "По умолчанию"_a);
    EXPECT_EQ(receipt.ED_CountTovcheck->Text(), "12");
}
