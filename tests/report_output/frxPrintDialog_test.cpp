// The print dialog: printers and copies shown, bad text refused, the printer
// put back on cancel, and print-to-file names that cannot overwrite silently.

#include "report_output/frxPrintDialog.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Clipbrd.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>

using namespace printtest;
using namespace vcltest;

namespace
{

class PrintDialogTest : public VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        QRV4_REQUIRE_CUPS(Cups);
        ASSERT_TRUE(Cups.AddPdfQueue("Front")) << Cups.Log();
        ASSERT_TRUE(Cups.AddPdfQueue("Back")) << Cups.Log();
        ASSERT_TRUE(Cups.SetDefault("Front"));
        frxPrinters()->Refresh();
    }
    void TearDown() override
    {
        if (Cups.Running()) frxPrinters()->Printer()->SetFileName(AnsiString());
        std::remove(Chosen.c_str());
        std::remove(Written.c_str());
        VclTest::TearDown();
    }

    PrivateCups Cups;
    std::string Chosen = TempPath("chosen", ".pdf");
    std::string Written = Chosen.substr(0, Chosen.size() - 4) + ".prn";
};

TEST_F(PrintDialogTest, ShowsThePrintersAndTheCurrentOne)
{
    TfrxPrintDialog Dialog(nullptr);
    EXPECT_EQ(Dialog.Caption(), Cp("Печать"));
    EXPECT_EQ(Dialog.CopiesE->Text(), "1");
    ASSERT_EQ(Dialog.PrintPagesCB->Items()->Count(), 3);
    EXPECT_EQ(Dialog.PrintPagesCB->Items()->Strings(1), Cp("Нечетные страницы"));
    Dialog.OnShow = [&](TObject *) { Dialog.SetModalResult(mrCancel); };
    Dialog.ShowModal();
    ASSERT_EQ(Dialog.PrintersCB->Items()->Count(), 2);
    EXPECT_EQ(Dialog.PrintersCB->ItemIndex(), frxPrinters()->IndexOf("Front"));
    EXPECT_EQ(Dialog.TypeL1->Caption(), "Front");
}

TEST_F(PrintDialogTest, ChangedPrinterGoesBackOnCancel)
{
    const int Front = frxPrinters()->IndexOf("Front"), Back = frxPrinters()->IndexOf("Back");
    TfrxPrintDialog Dialog(nullptr);
    Dialog.OnShow = [&](TObject *) {
        Dialog.PrintersCB->SetItemIndex(Back);
        if (Dialog.PrintersCB->OnChange) Dialog.PrintersCB->OnChange(Dialog.PrintersCB);
        EXPECT_EQ(frxPrinters()->PrinterIndex(), Back);
        EXPECT_EQ(Dialog.TypeL1->Caption(), "Back");
        Dialog.CancelB->Click();
    };
    EXPECT_EQ(Dialog.ShowModal(), mrCancel);
    EXPECT_EQ(frxPrinters()->PrinterIndex(), Front);
}

TEST_F(PrintDialogTest, BadCopiesAndPageListsAreRefusedNotRaised)
{
    TfrxPrintDialog Dialog(nullptr);
    int Refused = 0;
    Dialog.OnShow = [&](TObject *) {
        for (const char *Copies : {"", "abc", "0", "99999999999"}) {
            Dialog.CopiesE->SetText(Copies);
            Dialog.OkB->Click();
            if (Dialog.ModalResult() == mrNone) ++Refused;
        }
        Dialog.CopiesE->SetText("2");
        Dialog.PageNumbersRB->SetChecked(true);
        for (const char *List : {"1-x", "a", ",", "1--3", "3,"}) {
            Dialog.PageNumbersE->SetText(List);
            Dialog.OkB->Click();
            if (Dialog.ModalResult() == mrNone) ++Refused;
        }
        Dialog.PageNumbersE->SetText("1,3,5-12, 14-");
        Dialog.OkB->Click();
    };
    for (int i = 0; i < 9; ++i)
        Dialogs.ReplyMessage(mrOk);
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    EXPECT_EQ(Refused, 9);
    EXPECT_EQ(Dialogs.Messages().size(), 9u);
    EXPECT_EQ(Dialog.Copies(), 2);
}

TEST_F(PrintDialogTest, PrintToFileWritesThePrnNameTheUserAgreedTo)
{
    TfrxPrintDialog Dialog(nullptr);
    Dialog.FileCB->SetChecked(true);
    Dialogs.ReplyDialog([&](TCommonDialog &D) {
        auto &Save = static_cast<TSaveDialog &>(D);
        EXPECT_EQ(Save.DefaultExt(), "prn");
        EXPECT_TRUE(Save.Options().Contains(ofOverwritePrompt));
        Save.SetFileName(Chosen.c_str());
        return true;
    });
    Dialog.OnShow = [&](TObject *) { Dialog.OkB->Click(); };
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    EXPECT_EQ(frxPrinters()->Printer()->FileName(), AnsiString(Written.c_str()));
}

TEST_F(PrintDialogTest, ExistingPrnFileIsNotReplacedWithoutAsking)
{
    std::ofstream(Written) << "kept";
    TfrxPrintDialog Dialog(nullptr);
    Dialog.FileCB->SetChecked(true);
    Dialogs.ReplyDialog([&](TCommonDialog &D) {
        static_cast<TSaveDialog &>(D).SetFileName(Chosen.c_str());
        return true;
    });
    Dialogs.ReplyMessage(mrNo);
    Dialog.OnShow = [&](TObject *) { Dialog.OkB->Click(); };
    EXPECT_EQ(Dialog.ShowModal(), mrCancel);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(frxPrinters()->Printer()->FileName(), "");
}

TEST_F(PrintDialogTest, TheFileChoiceIsWordedByTheResourceTable)
{
    MarkedTexts Marked{"clPrintToFile", "clFileExists"};
    std::ofstream(Written) << "kept";
    TfrxPrintDialog Dialog(nullptr);
    Dialog.FileCB->SetChecked(true);
    AnsiString Title;
    Dialogs.ReplyDialog([&](TCommonDialog &D) {
        auto &Save = static_cast<TSaveDialog &>(D);
        Title = Save.Title();
        Save.SetFileName(Chosen.c_str());
        return true;
    });
    Dialogs.ReplyMessage(mrNo);
    Dialog.OnShow = [&](TObject *) { Dialog.OkB->Click(); };
    EXPECT_EQ(Dialog.ShowModal(), mrCancel);
    EXPECT_EQ(Title, MarkedTexts::Mark("clPrintToFile"));
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text,
              AnsiString(Written.c_str()) + "\r\n" + MarkedTexts::Mark("clFileExists"));
}

TEST_F(PrintDialogTest, CancelledFileChoiceCancelsTheWholeDialog)
{
    TfrxPrintDialog Dialog(nullptr);
    Dialog.FileCB->SetChecked(true);
    Dialogs.ReplyDialog([](TCommonDialog &) { return false; });
    Dialog.OnShow = [&](TObject *) { Dialog.OkB->Click(); };
    EXPECT_EQ(Dialog.ShowModal(), mrCancel);
}

TEST_F(PrintDialogTest, CollateLabelTogglesTheBoxAndItsPicture)
{
    TfrxPrintDialog Dialog(nullptr);
    Dialog.CollateCB->SetChecked(false);
    Dialog.OnShow = [&](TObject *) {
        Dialog.CollateL->OnClick(Dialog.CollateL);
        Dialog.SetModalResult(mrCancel);
    };
    Dialog.ShowModal();
    EXPECT_TRUE(Dialog.CollateCB->Checked());
    EXPECT_EQ(Dialog.CopiesPB->Picture()->Width(), Dialog.CollateImg->Picture()->Width());
}

} // namespace

// The dialog's keys need no printer behind it.
class PrintDialogKeys : public VclTest
{
protected:
    void TearDown() override
    {
        frxHtmlHelpEngine() = nullptr;
        VclTest::TearDown();
    }
};

TEST_F(PrintDialogKeys, CopiesTakeDigitsOnlyAndF1OpensTheHelp)
{
    std::vector<std::string> Topics;
    frxHtmlHelpEngine() = [&](HWND, const AnsiString &Topic) { Topics.push_back(Topic.ToStd()); };
    TfrxPrintDialog Dialog(nullptr);
    Dialog.Show();
    Pump();
    Dialog.CopiesE->SetFocus();
    Dialog.CopiesE->SelectAll();
    for (char C : std::string("1x2 3"))
        Key(std::toupper(static_cast<unsigned char>(C)), C);
    Pump();
    EXPECT_EQ(Dialog.CopiesE->Text(), "123");
    Clipboard()->SetAsText("4a");
    Dialog.CopiesE->PasteFromClipboard();
    EXPECT_EQ(Dialog.CopiesE->Text(), "123") << "pasted text with a letter is refused";
    Clipboard()->SetAsText("4");
    Dialog.CopiesE->PasteFromClipboard();
    EXPECT_EQ(Dialog.CopiesE->Text(), "1234");

    Key(VK_F1);
    Pump();
    EXPECT_EQ(Topics, std::vector<std::string>{frxResources()->HelpFile().ToStd()});
    Dialog.Hide();
}
