#pragma once

// The small borderless window a report shows while it prepares, prints or
// exports: a message, an optional bar and an optional cancel button. The form
// that was active keeps disabled while it lives.

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/WinSpool.h"
#include "report/frxClass.h"

#include <memory>

class TfrxProgress : public TForm, public TfrxCustomProgress
{
    QRV4_CLASS(TfrxProgress, TForm)

public:
    explicit TfrxProgress(TComponent *AOwner);
    ~TfrxProgress() override;

    void Execute(int MaxValue, const AnsiString &Msg, bool ShowCancel, bool ShowProgress) override;
    void SetTitle(const AnsiString &Text) override { SetCaption(Text); }
    void SetMessage(const AnsiString &Value) override;
    // Shows that the program waits for the print service, with Cancel: handles no message that
    // waits, as the wait it shows may stand in the middle of work that input must not break into.
    void ShowPrintServiceWait();
    bool Terminated() const override { return FTerminated; }
    void SetTerminated(bool Value);
    void Reset() { SetPosition(0); }
    // One step on, while the bar has room.
    void Tick();
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    void SetProgress(bool Value);
    bool ShowProgress() const { return FShowProgress; }
    const AnsiString &Message() const { return FMessage; }
    // The form disabled while this window shows; null once it was freed.
    TCustomForm *ActiveForm() const { return FActiveForm; }

    void WndProc(TMessage &Message) override;

    TPanel *Panel1;
    TLabel *LMessage;
    TProgressBar *Bar;
    TButton *CancelB;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void CreateControls();
    void FormCreate(TObject *Sender);
    void FormDestroy(TObject *Sender);
    void FormHide(TObject *Sender);
    void WMNCHitTest(TMessage &Message);
    void EnableActiveForm();
    void ListenForCancel();

    TCustomForm *FActiveForm = nullptr;
    bool FTerminated = false;
    int FPosition = 0;
    AnsiString FMessage;
    bool FShowProgress = false;
};

// The progress window as the box of a wait for the print service that no window of the
// caller's shows (the printer list asked before a print, a help page handed to a queue).
std::unique_ptr<win::PrintWaitBox> frxPrintServiceWaitBox();
