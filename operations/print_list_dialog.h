#pragma once

// Asks for the printer and the number of copies of the archive list and the address book.

#include "platform/vcl/Forms.h"

class TPrintListDlg : public TForm
{
    QRV4_CLASS(TPrintListDlg, TForm)

public:
    explicit TPrintListDlg(TComponent *AOwner);
};

extern TPrintListDlg *PrintListDlg;
