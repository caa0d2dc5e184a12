#include "operations/print_tovcheck_dialog.h"

#include "link/config.h"
#include "link/constants.h"

TPrintTovcheckDlg *PrintTovcheckDlg = nullptr;

namespace
{

TValidateEdit *CreateTextEdit(TComponent *Owner, TWinControl *Parent, const char *Name, int Top)
{
    auto *edit = new TValidateEdit(Owner);
    edit->SetName(Name);
    edit->SetParent(Parent);
    edit->SetBounds(120, Top, 184, 24);
    return edit;
}

} // namespace

TPrintTovcheckDlg::TPrintTovcheckDlg(TComponent *AOwner) : TForm(AOwner)
{
    using namespace printdlg;
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption("Печать товарного чека"_a);
    CreatePrinterControls(this, 366);

    CHG_Tovcheck = CreateGroup(this, Panel_Main, "CHG_Tovcheck", 112, 96);
    Label1 = CreateLabel(this, CHG_Tovcheck, "Label1", "Номер товарного чека"_a, 10, 8);
    Label1->SetWidth(180);
    ED_CountTovcheck = CreateDigitsEdit(this, CHG_Tovcheck, "ED_CountTovcheck", 196, 4, 90);
    // The spinner counts in 16 bits; the edit's text is what counts.
    UD_Tovcheck = CreateSpinner(this, CHG_Tovcheck, "UD_Tovcheck", ED_CountTovcheck, 32767);
    Label3 = CreateLabel(this, CHG_Tovcheck, "Label3", "Дата печати"_a, 10, 52);
    DTP_Print = new TDateTimePicker(this);
    DTP_Print->SetName("DTP_Print");
    DTP_Print->SetParent(CHG_Tovcheck);
    DTP_Print->SetBounds(120, 48, 184, 24);
    DTP_Print->SetKind(dtkDate);
    DTP_Print->SetDateFormat(dfLong);
    DTP_Print->SetDateMode(dmComboBox);

    CHG_1 = CreateGroup(this, Panel_Main, "CHG_1", 216, 140);
    Label4 = CreateLabel(this, CHG_1, "Label4", "Тип ключа"_a, 10, 12);
    ED_KeyType = CreateTextEdit(this, CHG_1, "ED_KeyType", 8);
    Label5 = CreateLabel(this, CHG_1, "Label5", "Код ключа"_a, 10, 50);
    ED_KeyHex = CreateTextEdit(this, CHG_1, "ED_KeyHex", 46);
    Label6 = CreateLabel(this, CHG_1, "Label6", "Цена"_a, 10, 94);
    ED_Price = CreateTextEdit(this, CHG_1, "ED_Price", 90);
    ED_Price->SetWidth(110);
    ED_Price->SetValidateType(vtFloatPs);
    Label7 = CreateLabel(this, CHG_1, "Label7", "руб."_a, 236, 94);

    ShowReceiptCounter();
    DTP_Print->SetDate(Now());
    ED_NumCopy->SetText("1");
    UpDown_NumCopy->SetPosition(1);
}

void TPrintTovcheckDlg::ShowReceiptCounter()
{
    // The spinner holds the counter within its range and rewrites the edit, so the exact
    // number goes in after it.
    UD_Tovcheck->SetPosition(Config.CountTovcheck);
    ED_CountTovcheck->SetText(IntToStr(Config.CountTovcheck));
}

void TPrintTovcheckDlg::FormKeyPress(TObject *, char &Key)
{
    printdlg::CancelOnEscape(this, Key);
}

void TPrintTovcheckDlg::PrepareTovcheckDialog(TovcheckRecord &Line, double &Total)
{
    FLine = &Line;
    FTotal = &Total;
    printdlg::ListPrinters(CB_Printer);
    DTP_Print->SetDate(Now());
    ShowReceiptCounter();
    ED_KeyType->SetText(Line.Name);
    ED_KeyHex->SetText(Line.KeyLine);
    ED_Price->SetText(FloatToStr(Line.Price));
}

bool TPrintTovcheckDlg::FieldsFit()
{
    using namespace printdlg;
    if (!NumberFits(ED_NumCopy, MaxPrintCopies, "Кол-во копий"_a) ||
        !NumberFits(ED_CountTovcheck, MaxTovcheckNumber, "Номер товарного чека"_a))
        return false;
    const int quantity = FLine ? FLine->Quantity : 0;
    const double sum = quantity * StrToFloatDef(ED_Price->Text(), 0);
    return sum < TovcheckSumLimit ||
           RefuseField(ED_Price, "Поле \"Цена\": сумма чека слишком велика для записи прописью."_a);
}

void TPrintTovcheckDlg::BTN_OkClick(TObject *)
{
    if (!FieldsFit()) {
        SetModalResult(mrNone);
        return;
    }
    if (!FLine) return;
    FLine->Name = ED_KeyType->Text();
    FLine->KeyLine = ED_KeyHex->Text();
    FLine->Price = StrToFloatDef(ED_Price->Text(), 0);
    FLine->Sum = FLine->Quantity * FLine->Price;
    *FTotal = FLine->Sum;
}
