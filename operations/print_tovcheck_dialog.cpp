#include "operations/print_tovcheck_dialog.h"

TPrintTovcheckDlg *PrintTovcheckDlg = nullptr;

TPrintTovcheckDlg::TPrintTovcheckDlg(TComponent *AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption("Товарный чек"_a);
}
