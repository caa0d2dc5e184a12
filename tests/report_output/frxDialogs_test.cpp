// The small report windows on a real offscreen window: captions from the
// string table, the remembered search text, and the dialog page's host form.

#include "report_output/frxDialogs.h"

#include "platform/win/Messages.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"
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

} // namespace
