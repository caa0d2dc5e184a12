#pragma once

// Asks for the printer and the number of copies of the archive list and the address book.
// The receipt dialog asks the same first and builds that part through the helpers here.

#include "controls/GradientCheck.h"
#include "controls/ValidateEdit.h"
#include "controls/XpButton.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

// More copies than this are a typing slip, not a print job.
constexpr int MaxPrintCopies = 999;

class TPrintListDlg : public TForm
{
    QRV4_CLASS(TPrintListDlg, TForm)

public:
    explicit TPrintListDlg(TComponent *AOwner);

    TPanel *Panel_Main;
    TComboBox *CB_Printer;
    TValidateEdit *ED_NumCopy;
    TUpDown *UpDown_NumCopy;
    TLabel *Label11;
    TLabel *Label2;
    TGradientCheck *GradientCheck1;
    TXpButton *BTN_Cancel;
    TXpButton *BTN_Ok;

    void FormKeyPress(TObject *Sender, char &Key);
    // The dialog keeps the printer and the copies chosen last time; the printer list is filled
    // at the first showing.
    void PrepareListDialog();
    void BTN_OkClick(TObject *Sender);
};

extern TPrintListDlg *PrintListDlg;

namespace printdlg
{

// The printer group, the copies and the two buttons of a print dialog, built on Dialog's
// fields; the buttons sit at ButtonsTop. The copies start at 1; the printer list stays empty
// until ListPrinters.
template <class TDialog> void CreatePrinterControls(TDialog *Dialog, int ButtonsTop);

// The number in Edit; Default when the text is no number.
int NumberOf(TValidateEdit *Edit, int Default);
// Whether Edit's number lies within Max; otherwise says so, naming Field, and puts the
// cursor into Edit, so the dialog stays open with nothing changed.
bool NumberFits(TValidateEdit *Edit, int Max, const AnsiString &Field);
// Says Message, puts the cursor into Edit and gives false: the dialog stays open.
bool RefuseField(TValidateEdit *Edit, const AnsiString &Message);
// Fills Box with the printers each time a dialog is about to show, not while the program
// starts: the print service is asked only by a user who prints, and a slow or absent one does
// not hold up the start. A printer added or removed since the last showing counts; the user's
// choice stays while its printer is still there.
void ListPrinters(TComboBox *Box);
// Esc closes the dialog as cancelled.
void CancelOnEscape(TForm *Dialog, char Key);

TPanel *CreatePanel(TForm *Dialog);
TGradientCheck *CreateGroup(TComponent *Owner, TWinControl *Parent, const char *Name, int Top,
                            int Height);
TLabel *CreateLabel(TComponent *Owner, TWinControl *Parent, const char *Name,
                    const AnsiString &Caption, int Left, int Top);
TValidateEdit *CreateDigitsEdit(TComponent *Owner, TWinControl *Parent, const char *Name, int Left,
                                int Top, int Width);
TUpDown *CreateSpinner(TComponent *Owner, TWinControl *Parent, const char *Name,
                       TValidateEdit *Buddy, int Max);
TComboBox *CreatePrinterBox(TComponent *Owner, TWinControl *Parent);
TXpButton *CreateButton(TComponent *Owner, TWinControl *Parent, const char *Name,
                        const AnsiString &Caption, int Left, int Top, TModalResult Result);

template <class TDialog> void CreatePrinterControls(TDialog *Dialog, int ButtonsTop)
{
    Dialog->Panel_Main = CreatePanel(Dialog);
    Dialog->GradientCheck1 = CreateGroup(Dialog, Dialog->Panel_Main, "GradientCheck1", 8, 96);
    TWinControl *group = Dialog->GradientCheck1;
    Dialog->CB_Printer = CreatePrinterBox(Dialog, group);
    Dialog->ED_NumCopy = CreateDigitsEdit(Dialog, group, "ED_NumCopy", 120, 62, 60);
    Dialog->UpDown_NumCopy =
        CreateSpinner(Dialog, group, "UpDown_NumCopy", Dialog->ED_NumCopy, MaxPrintCopies);
    Dialog->Label11 = CreateLabel(Dialog, group, "Label11", "Кол-во копий"_a, 10, 64);
    Dialog->Label2 = CreateLabel(Dialog, group, "Label2", "Принтер"_a, 10, 8);
    Dialog->BTN_Cancel =
        CreateButton(Dialog, Dialog->Panel_Main, "BTN_Cancel", "Отмена"_a, 226, ButtonsTop, 2);
    Dialog->BTN_Ok =
        CreateButton(Dialog, Dialog->Panel_Main, "BTN_Ok", "Печать"_a, 120, ButtonsTop, 1);
    Dialog->BTN_Ok->OnClick = [Dialog](TObject *Sender) { Dialog->BTN_OkClick(Sender); };
    Dialog->SetKeyPreview(true);
    Dialog->OnKeyPress = [Dialog](TObject *Sender, char &Key) {
        Dialog->FormKeyPress(Sender, Key);
    };
    Dialog->SetClientWidth(332);
    Dialog->SetClientHeight(ButtonsTop + 42);
}

} // namespace printdlg
