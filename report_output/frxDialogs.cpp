#include "report_output/frxDialogs.h"

#include "report/frxRes.h"

namespace
{

constexpr int ButtonWidth = 75, ButtonHeight = 25;
constexpr int StatelessOwnerTag = 318;

template <class T>
T *Place(TComponent *Owner, TWinControl *Parent, const char *Name, int Left, int Top, int Width,
         int Height)
{
    auto *Control = new T(Owner);
    Control->SetName(Name);
    Control->SetParent(Parent);
    Control->SetBounds(Left, Top, Width, Height);
    return Control;
}

TPanel *PlacePanel(TForm *Form, const char *Name, TAlign Align, int Height)
{
    auto *Panel = Place<TPanel>(Form, Form, Name, 0, 0, Form->ClientWidth(), Height);
    Panel->SetAlign(Align);
    Panel->SetBevelOuter(bvNone);
    Panel->SetCaption("");
    return Panel;
}

// The OK and Cancel pair with their resource captions, right-aligned at Top.
void PlaceButtons(TForm *Form, TWinControl *Parent, int Top, TButton *&Ok, TButton *&Cancel)
{
    const int Right = Parent->ClientWidth() - 8;
    Ok = Place<TButton>(Form, Parent, "OkB", Right - 2 * ButtonWidth - 6, Top, ButtonWidth,
                        ButtonHeight);
    Ok->SetCaption(frxGet(1));
    Ok->SetModalResult(mrOk);
    Ok->SetDefault(true);
    Cancel = Place<TButton>(Form, Parent, "CancelB", Right - ButtonWidth, Top, ButtonWidth,
                            ButtonHeight);
    Cancel->SetCaption(frxGet(2));
    Cancel->SetModalResult(mrCancel);
    Cancel->SetCancel(true);
}

void MakeDialog(TForm *Form, int ID, int Width, int Height)
{
    Form->SetBorderStyle(bsDialog);
    Form->SetPosition(poScreenCenter);
    Form->SetClientWidth(Width);
    Form->SetClientHeight(Height);
    Form->SetCaption(frxGet(ID));
}

} // namespace

AnsiString &frxLastSearchText()
{
    static AnsiString Text;
    return Text;
}

// ---- search ----

TfrxSearchDialog::TfrxSearchDialog(TComponent *AOwner) : TForm(AOwner)
{
    MakeDialog(this, 300, 300, 170);
    // Replacing is not offered: its panel stays hidden.
    ReplacePanel = PlacePanel(this, "ReplacePanel", alTop, 40);
    ReplacePanel->SetVisible(false);
    ReplaceL = Place<TLabel>(this, ReplacePanel, "ReplaceL", 8, 4, 280, 13);
    ReplaceL->SetCaption(frxGet(303));
    ReplaceE = Place<TEdit>(this, ReplacePanel, "ReplaceE", 8, 18, 284, 21);
    Panel2 = PlacePanel(this, "Panel2", alTop, 48);
    TextL = Place<TLabel>(this, Panel2, "TextL", 8, 6, 280, 13);
    TextL->SetCaption(frxGet(301));
    TextE = Place<TEdit>(this, Panel2, "TextE", 8, 22, 284, 21);
    Panel3 = PlacePanel(this, "Panel3", alClient, 122);
    SearchL = Place<TGroupBox>(this, Panel3, "SearchL", 8, 0, 284, 76);
    SearchL->SetCaption(frxGet(302));
    TopCB = Place<TCheckBox>(this, SearchL, "TopCB", 10, 20, 260, 17);
    TopCB->SetCaption(frxGet(304));
    CaseCB = Place<TCheckBox>(this, SearchL, "CaseCB", 10, 44, 260, 17);
    CaseCB->SetCaption(frxGet(305));
    PlaceButtons(this, Panel3, 86, OkB, CancelB);
}

void TfrxSearchDialog::DoShow()
{
    TextE->SetText(frxLastSearchText());
    SetActiveControl(TextE);
    TextE->SelectAll();
    TForm::DoShow();
}

void TfrxSearchDialog::DoClose(TCloseAction &Action)
{
    if (ModalResult() == mrOk) frxLastSearchText() = TextE->Text();
    TForm::DoClose(Action);
}

// ---- password ----

TfrxPasswordForm::TfrxPasswordForm(TComponent *AOwner) : TForm(AOwner)
{
    MakeDialog(this, 5000, 260, 96);
    PasswordL = Place<TLabel>(this, this, "PasswordL", 8, 8, 244, 13);
    PasswordL->SetCaption(frxGet(5001));
    PasswordE = Place<TEdit>(this, this, "PasswordE", 8, 26, 244, 21);
    PasswordE->SetPasswordChar('*');
    PlaceButtons(this, this, 60, OkB, CancelB);
    SetActiveControl(PasswordE);
}

// ---- dialog page host ----

TfrxDialogForm::TfrxDialogForm(TComponent *AOwner)
    : TForm(AOwner), FThreadSafe(AOwner && AOwner->Tag() == StatelessOwnerTag)
{
    // Closing is the dialog page's decision; it puts its own handler here.
    OnCloseQuery = [](TObject *, bool &CanClose) { CanClose = false; };
}

void TfrxDialogForm::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB;
        return;
    }
    TForm::WndProc(Message);
    if (Message.Msg == WM_EXITSIZEMOVE && OnModify) OnModify(this);
}
