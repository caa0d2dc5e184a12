// The small report windows on a real offscreen window: captions from the
// string table, the remembered search text, and the dialog page's host form.

#include "report_output/frxDialogs.h"

#include "platform/rtl/IniFiles.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/Messages.h"
#include "report/frxClass.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report_output/frxEngine.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{

class ReportDialogsTest : public vcltest::VclTest
{
protected:
    // Shows Dialog modally; While runs once it is on screen and closes it.
    static int Show(TForm &Dialog, std::function<void()> While)
    {
        Dialog.OnShow = [While](TObject *) { While(); };
        return Dialog.ShowModal();
    }
};

// A report whose settings live in a file of the test's own, with one A4 page
// of 10 mm margins.
class PageSettingsTest : public ReportDialogsTest
{
protected:
    PageSettingsTest()
    {
        frxPrinters()->Refresh();
        Report.SetIniFile(Folder.Path("settings.ini"));
        Page = new TfrxReportPage(&Report);
        Page->SetPaperSize(9);
        Page->SetDefaults();
        Dialog.SetReport(&Report);
        Dialog.SetPage(Page);
    }

    void SetUnits(int Units)
    {
        Report.GetIniFile()->WriteInteger("Form.TfrxDesignerForm", "Units", Units);
    }

    // Shows the dialog, runs While on it, and ends it with Result.
    int Run(std::function<void()> While, int Result)
    {
        return Show(Dialog, [&] {
            While();
            Dialog.SetModalResult(Result);
        });
    }

    void ChoosePaper(int Number)
    {
        Dialog.SizeCB->SetItemIndex(frxPrinters()->Printer()->PaperIndex(Number));
        Dialog.SizeCB->OnClick(Dialog.SizeCB);
    }

    // The virtual printer's paper table, whatever this machine has installed.
    printtest::NoPrinters None;
    TempFolder Folder;
    TComponent Form{nullptr};
    TfrxReport Report{&Form};
    TfrxReportPage *Page;
    TfrxPageSettingsForm Dialog{nullptr};
};

TEST_F(PageSettingsTest, ShowsThePageInInchesAndTakesTypedInches)
{
    SetUnits(1);
    EXPECT_EQ(Dialog.Caption(), Cp("Настройки страницы"));
    EXPECT_EQ(Dialog.MarginsL->Caption(), Cp("Поля"));
    EXPECT_EQ(Dialog.ApplyToAllRB->Caption(), Cp("Применить ко всем страницам"));
    EXPECT_EQ(Run(
                  [&] {
                      EXPECT_EQ(Dialog.UnitL3->Caption(), Cp("дюйм"));
                      EXPECT_DOUBLE_EQ(frxStrToFloat(Dialog.MarginLeftE->Text()), 0.39);
                      EXPECT_DOUBLE_EQ(frxStrToFloat(Dialog.WidthE->Text()), 8.27);
                      EXPECT_TRUE(Dialog.PortraitRB->Checked());
                      EXPECT_TRUE(Dialog.PortraitImg->Visible());
                      EXPECT_FALSE(Dialog.LandscapeImg->Visible());
                      Dialog.MarginLeftE->SetText("1");
                  },
                  mrOk),
              mrOk);
    EXPECT_DOUBLE_EQ(Page->LeftMargin(), 25.4);
    // Margins left as shown keep their exact value, not the rounded inches.
    EXPECT_EQ(Page->RightMargin(), 10);
    EXPECT_EQ(Page->TopMargin(), 10);
    EXPECT_EQ(Page->PaperSize(), 9);
    EXPECT_EQ(Page->PaperWidth(), 210);
    EXPECT_FALSE(Dialog.GetNeedRebuild());
}

TEST_F(PageSettingsTest, UnknownUnitsShowCentimetresInsteadOfAnEmptyPage)
{
    for (int Units : {2, 3, 7}) {
        SetUnits(Units);
        EXPECT_EQ(Run(
                      [&] {
                          EXPECT_EQ(Dialog.UnitL1->Caption(), Cp("см"));
                          EXPECT_EQ(Dialog.UnitL6->Caption(), Cp("см"));
                          EXPECT_EQ(frxStrToFloat(Dialog.WidthE->Text()), 21);
                          EXPECT_EQ(frxStrToFloat(Dialog.MarginTopE->Text()), 1);
                          Dialog.MarginTopE->SetText("2,5");
                      },
                      mrOk),
                  mrOk)
            << Units;
        EXPECT_EQ(Page->PaperWidth(), 210) << Units;
        EXPECT_EQ(Page->PaperHeight(), 297) << Units;
        EXPECT_GT(Page->Width(), 0) << Units;
        EXPECT_EQ(Page->TopMargin(), 25) << Units;
        Page->SetTopMargin(10);
    }
}

TEST_F(PageSettingsTest, CustomPaperKeepsTypedWidthAndHeight)
{
    EXPECT_EQ(Run(
                  [&] {
                      Dialog.WidthE->SetText("12");
                      Dialog.HeightE->SetText("30");
                      // Typing a size chooses custom paper.
                      EXPECT_EQ(Dialog.SizeCB->ItemIndex(), 0);
                      for (int Click = 0; Click < 3; ++Click) {
                          ChoosePaper(256);
                          EXPECT_EQ(frxStrToFloat(Dialog.WidthE->Text()), 12) << Click;
                          EXPECT_EQ(frxStrToFloat(Dialog.HeightE->Text()), 30) << Click;
                      }
                  },
                  mrOk),
              mrOk);
    EXPECT_EQ(Page->PaperSize(), 256);
    EXPECT_EQ(Page->PaperWidth(), 120);
    EXPECT_EQ(Page->PaperHeight(), 300);
}

TEST_F(PageSettingsTest, PaperAndOrientationComeFromThePrinter)
{
    EXPECT_EQ(Run(
                  [&] {
                      ChoosePaper(11); // A5
                      EXPECT_EQ(frxStrToFloat(Dialog.WidthE->Text()), 14.8);
                      EXPECT_EQ(frxStrToFloat(Dialog.HeightE->Text()), 21);
                      Dialog.LandscapeRB->SetChecked(true);
                      EXPECT_TRUE(Dialog.LandscapeImg->Visible());
                      EXPECT_FALSE(Dialog.PortraitImg->Visible());
                      EXPECT_EQ(frxStrToFloat(Dialog.WidthE->Text()), 21);
                      EXPECT_EQ(frxStrToFloat(Dialog.HeightE->Text()), 14.8);
                      Dialog.ApplyToAllRB->SetChecked(true);
                  },
                  mrOk),
              mrOk);
    EXPECT_EQ(Page->Orientation(), poLandscape);
    EXPECT_EQ(Page->PaperSize(), 11);
    EXPECT_EQ(Page->PaperWidth(), 210);
    EXPECT_EQ(Page->PaperHeight(), 148);
    EXPECT_TRUE(Dialog.GetNeedRebuild());
}

TEST_F(PageSettingsTest, CancelLeavesThePageAlone)
{
    EXPECT_EQ(Run(
                  [&] {
                      ChoosePaper(8);
                      Dialog.LandscapeRB->SetChecked(true);
                      Dialog.MarginBottomE->SetText("5");
                  },
                  mrCancel),
              mrCancel);
    EXPECT_EQ(Page->PaperSize(), 9);
    EXPECT_EQ(Page->Orientation(), poPortrait);
    EXPECT_EQ(Page->PaperWidth(), 210);
    EXPECT_EQ(Page->BottomMargin(), 10);
}

TEST_F(PageSettingsTest, BadTextIsNamedAndKeepsTheDialogOpen)
{
    ScriptedBoxes Boxes;
    Boxes.Dialogs.ReplyMessage(mrOk);
    Boxes.Dialogs.ReplyMessage(mrOk);
    bool StayedOpen = false;
    EXPECT_EQ(Show(Dialog,
                   [&] {
                       Dialog.MarginRightE->SetText("1,x");
                       Dialog.SetModalResult(mrOk);
                       // The click on OK is refused; the next one, after a mend, is taken.
                       TTimer *Mend = new TTimer(&Dialog);
                       Mend->SetInterval(1);
                       Mend->OnTimer = [&, Mend](TObject *) {
                           if (Boxes.Dialogs.Messages().size() == 1) {
                               StayedOpen = Dialog.Visible();
                               Dialog.MarginRightE->SetText("2");
                               Dialog.WidthE->SetText("0");
                               Dialog.SetModalResult(mrOk);
                           } else if (Boxes.Dialogs.Messages().size() == 2) {
                               Mend->SetEnabled(false);
                               Dialog.WidthE->SetText("20");
                               Dialog.SetModalResult(mrOk);
                           }
                       };
                   }),
              mrOk);
    EXPECT_TRUE(StayedOpen);
    ASSERT_EQ(Boxes.Dialogs.Messages().size(), 2u);
    EXPECT_NE(Boxes.Dialogs.Messages()[0].Text.Pos("1,x"), 0);
    EXPECT_EQ(Boxes.Dialogs.Messages()[0].Type, mtError);
    EXPECT_EQ(Page->RightMargin(), 20);
    EXPECT_EQ(Page->PaperWidth(), 200);
}

TEST_F(ReportDialogsTest, SearchDialogRemembersTheTextOfAnAcceptedSearch)
{
    frxLastSearchText() = Cp("ключ");
    TfrxSearchDialog Dialog(nullptr);
    EXPECT_EQ(Dialog.Caption(), Cp("Искать текст"));
    EXPECT_EQ(Dialog.TextL->Caption(), Cp("Текст:"));
    EXPECT_EQ(Dialog.SearchL->Caption(), Cp("Настройки поиска"));
    EXPECT_EQ(Dialog.TopCB->Caption(), Cp("Искать с начала"));
    EXPECT_EQ(Dialog.CaseCB->Caption(), Cp("Различать регистр"));
    EXPECT_EQ(Dialog.CancelB->Caption(), Cp("Отмена"));
    EXPECT_FALSE(Dialog.ReplacePanel->Visible());

    int Selected = -1;
    EXPECT_EQ(Show(Dialog,
                   [&] {
                       EXPECT_EQ(Dialog.TextE->Text(), Cp("ключ"));
                       Selected = Dialog.TextE->SelLength();
                       Dialog.TextE->SetText("0A1B2C");
                       Dialog.CaseCB->SetChecked(true);
                       Dialog.SetModalResult(mrOk);
                   }),
              mrOk);
    EXPECT_EQ(Selected, 4); // the whole old text, ready to be typed over
    EXPECT_EQ(frxLastSearchText(), "0A1B2C");
    EXPECT_TRUE(Dialog.CaseCB->Checked());

    TfrxSearchDialog Again(nullptr);
    EXPECT_EQ(Show(Again,
                   [&] {
                       EXPECT_EQ(Again.TextE->Text(), "0A1B2C");
                       Again.TextE->SetText("typed and cancelled");
                       Again.SetModalResult(mrCancel);
                   }),
              mrCancel);
    EXPECT_EQ(frxLastSearchText(), "0A1B2C");
}

TEST_F(ReportDialogsTest, PasswordFormHidesWhatIsTyped)
{
    TfrxPasswordForm Form(nullptr);
    EXPECT_EQ(Form.Caption(), Cp("Пароль"));
    EXPECT_EQ(Form.PasswordL->Caption(), Cp("Введите пароль:"));
    EXPECT_EQ(Form.OkB->Caption(), frxGet(1));
    EXPECT_EQ(Form.CancelB->Caption(), Cp("Отмена"));
    EXPECT_EQ(Form.PasswordE->PasswordChar(), '*');
    EXPECT_EQ(Show(Form,
                   [&] {
                       Form.PasswordE->SetText("secret");
                       Form.SetModalResult(mrOk);
                   }),
              mrOk);
    EXPECT_EQ(Form.PasswordE->Text(), "secret");
}

// Types into the password form whenever one is up, and closes it with Result.
class PasswordTyper
{
public:
    PasswordTyper(const AnsiString &Text, int Result)
    {
        FTimer.SetInterval(10);
        FTimer.OnTimer = [this, Text, Result](TObject *) {
            for (int i = 0; i < Screen->FormCount(); ++i)
                if (auto *Form = dynamic_cast<TfrxPasswordForm *>(Screen->Forms(i))) {
                    if (Form->ModalResult() != mrNone || !Form->Visible()) continue;
                    Hidden = Form->PasswordE->PasswordChar() == '*';
                    Form->PasswordE->SetText(Text);
                    Form->SetModalResult(Result);
                    ++Shown;
                }
        };
        FTimer.SetEnabled(true);
    }
    int Shown = 0;
    bool Hidden = false;

private:
    TTimer FTimer{nullptr};
};

TEST_F(ReportDialogsTest, ATemplatesPasswordIsAskedInThePasswordForm)
{
    frxRegisterOutput();
    TfrxReport Saver(nullptr);
    new TfrxReportPage(&Saver);
    Saver.ReportOptions()->SetPassword("Key4");
    const AnsiString Template = Written([&](TStream *S) { Saver.SaveToStream(S); });
    auto Load = [&](TfrxReport &Report) {
        TStringStream Stream(Template);
        Report.LoadFromStream(&Stream);
    };

    TfrxReport Right(nullptr);
    {
        PasswordTyper Typer("Key4", mrOk);
        Load(Right);
        EXPECT_EQ(Typer.Shown, 1);
        EXPECT_TRUE(Typer.Hidden) << "what is typed shows as stars";
    }
    EXPECT_EQ(Right.PagesCount(), 1);
    EXPECT_TRUE(Dialogs.Prompts().empty()) << "no plain input box";

    TfrxReport Wrong(nullptr);
    {
        PasswordTyper Typer("key4", mrOk);
        Load(Wrong);
    }
    EXPECT_EQ(Wrong.PagesCount(), 0);

    TfrxReport Cancelled(nullptr);
    {
        PasswordTyper Typer("Key4", mrCancel);
        Load(Cancelled);
    }
    EXPECT_EQ(Cancelled.PagesCount(), 0);
}

TEST_F(ReportDialogsTest, DialogPageFormLeavesClosingToThePage)
{
    TComponent Stateless(nullptr);
    Stateless.SetTag(318);
    TfrxDialogForm Quiet(&Stateless);
    EXPECT_TRUE(Quiet.ThreadSafe());

    TfrxDialogForm Form(nullptr);
    EXPECT_FALSE(Form.ThreadSafe());
    EXPECT_FALSE(Form.CloseQuery());
    Form.OnCloseQuery = [](TObject *, bool &CanClose) { CanClose = true; };
    EXPECT_TRUE(Form.CloseQuery());

    TMessage Code{WM_GETDLGCODE, 0, 0, 0};
    Form.WndProc(Code);
    EXPECT_EQ(Code.Result, DLGC_WANTARROWS | DLGC_WANTTAB);

    TObject *Moved = nullptr;
    Form.OnModify = [&](TObject *Sender) { Moved = Sender; };
    TMessage Exit{WM_EXITSIZEMOVE, 0, 0, 0};
    Form.WndProc(Exit);
    EXPECT_EQ(Moved, &Form);
}

// F1 on a dialog that is up, with the focus in its first edit.
std::vector<std::string> HelpTopicsOnF1(TForm &Dialog, TWinControl *Focus)
{
    std::vector<std::string> Topics;
    frxHtmlHelpEngine() = [&](HWND, const AnsiString &Topic) { Topics.push_back(Topic.ToStd()); };
    Dialog.Show();
    vcltest::Pump();
    Focus->SetFocus();
    vcltest::Key(VK_F1);
    vcltest::Pump();
    Dialog.Hide();
    frxHtmlHelpEngine() = nullptr;
    return Topics;
}

TEST_F(PageSettingsTest, F1OpensTheLibrarysHelp)
{
    EXPECT_EQ(HelpTopicsOnF1(Dialog, Dialog.WidthE),
              std::vector<std::string>{frxResources()->HelpFile().ToStd()});
}

TEST_F(ReportDialogsTest, F1OnTheSearchDialogOpensTheLibrarysHelp)
{
    TfrxSearchDialog Dialog(nullptr);
    EXPECT_EQ(HelpTopicsOnF1(Dialog, Dialog.TextE),
              std::vector<std::string>{frxResources()->HelpFile().ToStd()});
}

} // namespace
