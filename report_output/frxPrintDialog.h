#pragma once

// The print dialog: printer, its properties, the pages (all, current, a list)
// and their parity, copies and collation, reverse order and printing to a file.
// Text that cannot be used is refused when the user presses OK, with a message.

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class TfrxPrintDialog : public TForm
{
    QRV4_CLASS(TfrxPrintDialog, TForm)

public:
    explicit TfrxPrintDialog(TComponent *AOwner);

    // The copies typed, once OK has accepted them.
    int Copies() const;

    TGroupBox *Label12;
    TLabel *TypeL, *WhereL, *TypeL1, *WhereL1;
    TComboBox *PrintersCB;
    TButton *PropButton;
    TCheckBox *FileCB, *ReverseCB;
    TGroupBox *Label1;
    TLabel *DescrL;
    TRadioButton *AllRB, *CurPageRB, *PageNumbersRB;
    TEdit *PageNumbersE;
    TGroupBox *Label2;
    TLabel *CopiesL;
    TEdit *CopiesE;
    TUpDown *UpDown1;
    TCheckBox *CollateCB;
    TLabel *CollateL;
    TImage *CollateImg, *NonCollateImg, *CopiesPB;
    TLabel *PrintL;
    TComboBox *PrintPagesCB;
    TButton *OkB, *CancelB;
    TImage *PrinterImg;
    TSaveDialog *FileDlg;

protected:
    void DoShow() override;
    void DoHide() override;

private:
    void CreateControls();
    void PrintersCBClick(TObject *Sender);
    void PrintersCBDrawItem(TWinControl *Control, int Index, TRect Rect, TOwnerDrawState State);
    void PropButtonClick(TObject *Sender);
    void CollateLClick(TObject *Sender);
    void CollateCBClick(TObject *Sender);
    void OkBClick(TObject *Sender);
    void ShowPrinter();
    bool ValidInput();
    // False when the user gave up choosing the file.
    bool ChooseFile();

    int FOldIndex = -1;
};
