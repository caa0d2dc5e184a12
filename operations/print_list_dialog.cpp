#include "operations/print_list_dialog.h"

TPrintListDlg *PrintListDlg = nullptr;

TPrintListDlg::TPrintListDlg(TComponent *AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption("Печать"_a);
}
