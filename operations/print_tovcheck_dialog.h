#pragma once

// Asks for the printer, the copies and the texts of a sales receipt.

#include "platform/vcl/Forms.h"

class TPrintTovcheckDlg : public TForm
{
    QRV4_CLASS(TPrintTovcheckDlg, TForm)

public:
    explicit TPrintTovcheckDlg(TComponent *AOwner);
};

extern TPrintTovcheckDlg *PrintTovcheckDlg;
