#pragma once

// The report library's small windows: the text search of the preview, the
// template password prompt and the host form of a report's dialog page.

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class TfrxSearchDialog : public TForm
{
    QRV4_CLASS(TfrxSearchDialog, TForm)

public:
    explicit TfrxSearchDialog(TComponent *AOwner);

    TPanel *ReplacePanel;
    TLabel *ReplaceL;
    TEdit *ReplaceE;
    TPanel *Panel2;
    TLabel *TextL;
    TEdit *TextE;
    TPanel *Panel3;
    TButton *OkB;
    TButton *CancelB;
    TGroupBox *SearchL;
    TCheckBox *CaseCB;
    TCheckBox *TopCB;

protected:
    void DoShow() override;
    void DoClose(TCloseAction &Action) override;
};

// The text searched for last, kept for the next search dialog.
AnsiString &frxLastSearchText();

class TfrxPasswordForm : public TForm
{
    QRV4_CLASS(TfrxPasswordForm, TForm)

public:
    explicit TfrxPasswordForm(TComponent *AOwner);

    TLabel *PasswordL;
    TButton *OkB;
    TButton *CancelB;
    TEdit *PasswordE;
};

// The window of a report's dialog page, filled by the page at run time.
class TfrxDialogForm : public TForm
{
    QRV4_CLASS(TfrxDialogForm, TForm)

public:
    // An owner tagged 318 asks for a form that reads no stored state.
    explicit TfrxDialogForm(TComponent *AOwner);

    void WndProc(TMessage &Message) override;
    bool ThreadSafe() const { return FThreadSafe; }

    // Called when the user has finished moving or sizing the form.
    TNotifyEvent OnModify;

private:
    bool FThreadSafe;
};
