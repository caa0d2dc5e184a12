#include "operations/print_list_dialog.h"

#include "link/grid_helpers.h"

TPrintListDlg *PrintListDlg = nullptr;

TPrintListDlg::TPrintListDlg(TComponent *AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption("Печать архива"_a);
    printdlg::CreatePrinterControls(this, 112);
}

void TPrintListDlg::FormKeyPress(TObject *, char &Key)
{
    printdlg::CancelOnEscape(this, Key);
}

void TPrintListDlg::PrepareListDialog()
{
    printdlg::ListPrinters(CB_Printer);
}

void TPrintListDlg::BTN_OkClick(TObject *)
{
    if (!printdlg::NumberFits(ED_NumCopy, MaxPrintCopies, "Кол-во копий"_a)) SetModalResult(mrNone);
}

namespace printdlg
{

int NumberOf(TValidateEdit *Edit, int Default)
{
    return StrToIntDef(Edit->Text(), Default);
}

bool NumberFits(TValidateEdit *Edit, int Max, const AnsiString &Field)
{
    const AnsiString text = Edit->Text().Trim();
    // Digits only: anything longer than Max's digits is more than Max.
    const bool fits = text.IsEmpty() || (text.Length() <= IntToStr(Max).Length() &&
                                         StrToIntDef(text, Max + 1) <= Max);
    return fits ||
           RefuseField(Edit, Format("Поле \"%s\": введите число от 0 до %d."_a, {Field, Max}));
}

bool RefuseField(TValidateEdit *Edit, const AnsiString &Message)
{
    Application->MessageBox(Message, "Внимание!"_a, MB_OK | MB_ICONWARNING);
    if (Edit->CanFocus()) Edit->SetFocus();
    Edit->SelectAll();
    return false;
}

void ListPrinters(TComboBox *Box)
{
    const AnsiString chosen = Box->Text();
    FillPrinterList(Box);
    const int index = Box->Items()->IndexOf(chosen);
    if (index > 0) Box->SetItemIndex(index);
}

void CancelOnEscape(TForm *Dialog, char Key)
{
    if (Key == 27) Dialog->SetModalResult(mrCancel);
}

TPanel *CreatePanel(TForm *Dialog)
{
    auto *panel = new TPanel(Dialog);
    panel->SetName("Panel_Main");
    panel->SetParent(Dialog);
    panel->SetAlign(alClient);
    panel->SetCaption("");
    return panel;
}

TGradientCheck *CreateGroup(TComponent *Owner, TWinControl *Parent, const char *Name, int Top,
                            int Height)
{
    auto *group = new TGradientCheck(Owner);
    group->SetName(Name);
    group->SetParent(Parent);
    group->SetBounds(8, Top, 316, Height);
    group->SetgCheckable(false);
    group->SetgRound(true);
    group->SetgHorizontal(false);
    group->SetgColorBegin(static_cast<TColor>(RGB(0xB8, 0xC8, 0xDC)));
    group->SetgColorEnd(static_cast<TColor>(RGB(0xF6, 0xF8, 0xFC)));
    return group;
}

TLabel *CreateLabel(TComponent *Owner, TWinControl *Parent, const char *Name,
                    const AnsiString &Caption, int Left, int Top)
{
    auto *label = new TLabel(Owner);
    label->SetName(Name);
    label->SetParent(Parent);
    label->SetBounds(Left, Top, 108, 18);
    // The group's gradient shows through.
    label->SetTransparent(true);
    label->SetCaption(Caption);
    return label;
}

TValidateEdit *CreateDigitsEdit(TComponent *Owner, TWinControl *Parent, const char *Name, int Left,
                                int Top, int Width)
{
    auto *edit = new TValidateEdit(Owner);
    edit->SetName(Name);
    edit->SetParent(Parent);
    edit->SetBounds(Left, Top, Width, 24);
    edit->SetValidateType(vtOnlyDigits);
    return edit;
}

TUpDown *CreateSpinner(TComponent *Owner, TWinControl *Parent, const char *Name,
                       TValidateEdit *Buddy, int Max)
{
    auto *spinner = new TUpDown(Owner);
    spinner->SetName(Name);
    spinner->SetParent(Parent);
    spinner->SetMin(0);
    spinner->SetMax(Max);
    spinner->SetWrap(false);
    spinner->SetThousands(false);
    spinner->SetAssociate(Buddy);
    spinner->SetPosition(1);
    return spinner;
}

TComboBox *CreatePrinterBox(TComponent *Owner, TWinControl *Parent)
{
    auto *box = new TComboBox(Owner);
    box->SetName("CB_Printer");
    box->SetParent(Parent);
    box->SetBounds(10, 28, 294, 24);
    box->SetStyle(csDropDownList);
    return box;
}

TXpButton *CreateButton(TComponent *Owner, TWinControl *Parent, const char *Name,
                        const AnsiString &Caption, int Left, int Top, TModalResult Result)
{
    auto *button = new TXpButton(Owner);
    button->SetName(Name);
    button->SetParent(Parent);
    button->SetBounds(Left, Top, 98, 32);
    button->SetCaption(Caption);
    button->SetModalResult(Result);
    return button;
}

} // namespace printdlg
