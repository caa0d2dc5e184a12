#pragma once

// Pieces of the report library's toolbars and the positions of its windows
// kept in a settings store between runs.

#include "platform/rtl/IniFiles.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

// The root of the library's settings in the registry.
extern const char *const frxRegRootKey;

// A toolbar's place for controls that are not buttons (a zoom box, a page number).
class TfrxTBPanel : public TPanel
{
    QRV4_CLASS(TfrxTBPanel, TPanel)

public:
    explicit TfrxTBPanel(TComponent *AOwner);

protected:
    void Paint() override;
};

// Section "Form." + the form's class: bounds, maximised, visible, and the window
// it sits in when it is docked.
void frxSaveFormPosition(TCustomIniFile *Ini, TForm *Form);
// A maximised form keeps its normal bounds; a saved dock that is no window of
// the owner leaves the form where it is.
void frxRestoreFormPosition(TCustomIniFile *Ini, TForm *Form);
