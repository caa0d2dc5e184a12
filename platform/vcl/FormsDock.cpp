// The floating host window of a dock control.

#include "platform/vcl/Forms.h"

TCustomDockForm::TCustomDockForm(TComponent *AOwner) : TCustomForm(AOwner)
{
    SetBorderStyle(bsToolWindow);
    SetBorderIcons({biSystemMenu});
}

void TCustomDockForm::WndProc(TMessage &Message)
{
    inherited::WndProc(Message);
    // Freed later: the control may be leaving from inside one of this form's handlers.
    if (Message.Msg == CM_CONTROLLISTCHANGE && Message.LParam == 0 && ControlCount() == 0)
        Release();
}
