#pragma once

// Asks for the printer, the copies and the texts of a sales receipt: its number, its date,
// the item's name and key line and the price.

#include "operations/print_list_dialog.h"

// One line of the sales receipt.
struct TovcheckRecord {
    AnsiString Name;    // product name, optionally ": " and the key type
    AnsiString KeyLine; // "Код ключа: " and the key text, or empty
    int Quantity = 0;
    double Price = 0;
    double Sum = 0;
};

// The receipt number goes up by one after each print and must stay a number.
constexpr int MaxTovcheckNumber = 999999999;
// The largest sum the receipt can write out in words is below this.
constexpr double TovcheckSumLimit = 1e9;

class TPrintTovcheckDlg : public TForm
{
    QRV4_CLASS(TPrintTovcheckDlg, TForm)

public:
    explicit TPrintTovcheckDlg(TComponent *AOwner);

    TPanel *Panel_Main;
    TComboBox *CB_Printer;
    TValidateEdit *ED_NumCopy;
    TUpDown *UpDown_NumCopy;
    TLabel *Label11;
    TLabel *Label2;
    TGradientCheck *GradientCheck1;
    TXpButton *BTN_Cancel;
    TXpButton *BTN_Ok;
    TGradientCheck *CHG_Tovcheck;
    TLabel *Label1;
    TValidateEdit *ED_CountTovcheck;
    TUpDown *UD_Tovcheck;
    TLabel *Label3;
    TDateTimePicker *DTP_Print;
    TGradientCheck *CHG_1;
    TLabel *Label4;
    TValidateEdit *ED_KeyType;
    TLabel *Label5;
    TValidateEdit *ED_KeyHex;
    TLabel *Label6;
    TValidateEdit *ED_Price;
    TLabel *Label7;

    void FormKeyPress(TObject *Sender, char &Key);
    // Fills the number, the date and the item from the configuration and Line, and the printer
    // list at the first showing; OK writes the item back into Line and its sum into Total.
    void PrepareTovcheckDialog(TovcheckRecord &Line, double &Total);
    void BTN_OkClick(TObject *Sender);

private:
    void ShowReceiptCounter();
    bool FieldsFit();

    TovcheckRecord *FLine = nullptr;
    double *FTotal = nullptr;
};

extern TPrintTovcheckDlg *PrintTovcheckDlg;
