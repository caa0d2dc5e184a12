#include "report_output/frxProgress.h"

#include "platform/win/CupsLibrary.h"
#include "platform/win/WinSpool.h"
#include "report/frxRes.h"

namespace
{

void UseTahoma(TControl *Control)
{
    Control->Font()->SetName("Tahoma");
    Control->Font()->SetHeight(-11);
}

} // namespace

TfrxProgress::TfrxProgress(TComponent *AOwner) : TForm(AOwner)
{
    CreateControls();
    OnCreate = [this](TObject *Sender) { FormCreate(Sender); };
    OnDestroy = [this](TObject *Sender) { FormDestroy(Sender); };
    OnHide = [this](TObject *Sender) { FormHide(Sender); };
    // The report makes this window itself, not through the application, so its
    // creation is announced here.
    AfterConstruction();
}

TfrxProgress::~TfrxProgress()
{
    if (HandleAllocated()) win::ClearPrintCancelWindow(Handle());
    // Announced while the window is still whole; the base class would be too late.
    BeforeDestruction();
}

void TfrxProgress::FormCreate(TObject *)
{
    CancelB->SetCaption(frxGet(2));
    FActiveForm = Screen ? Screen->ActiveForm() : nullptr;
    if (FActiveForm) {
        // The form may go while the window shows: its going is heard and it is forgotten.
        FActiveForm->FreeNotification(this);
        FActiveForm->SetEnabled(false);
    }
}

void TfrxProgress::FormDestroy(TObject *)
{
    EnableActiveForm();
}

void TfrxProgress::FormHide(TObject *)
{
    win::ClearPrintCancelWindow(Handle());
    EnableActiveForm();
}

void TfrxProgress::CreateControls()
{
    SetBorderStyle(bsNone);
    TCustomForm::SetPosition(poScreenCenter);
    SetClientWidth(271);
    SetClientHeight(101);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    Panel1 = vcl::Place<TPanel>(this, this, "Panel1", 0, 0, 271, 101);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelWidth(2);
    Panel1->SetCaption("");
    LMessage = vcl::Place<TLabel>(this, Panel1, "LMessage", 16, 11, 237, 20);
    LMessage->SetAutoSize(false);
    LMessage->SetAlignment(taCenter);
    UseTahoma(LMessage);
    Bar = vcl::Place<TProgressBar>(this, Panel1, "Bar", 16, 37, 237, 17);
    Bar->SetStep(1);
    CancelB = vcl::Place<TButton>(this, Panel1, "CancelB", 100, 64, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);
    UseTahoma(CancelB);
    CancelB->OnClick = [this](TObject *) { SetTerminated(true); };
}

void TfrxProgress::Execute(int MaxValue, const AnsiString &Msg, bool ShowCancel, bool ShowProgress)
{
    FTerminated = false;
    CancelB->SetVisible(ShowCancel);
    SetProgress(ShowProgress);
    Bar->SetMin(0);
    Reset();
    Bar->SetMax(MaxValue);
    SetMessage(Msg);
    Show();
    if (ShowCancel) ListenForCancel();
    Application->ProcessMessages();
}

void TfrxProgress::ShowPrintServiceWait()
{
    SetTitle(frxGet(101));
    CancelB->SetVisible(true);
    SetProgress(false);
    SetMessage(win::PrintServiceWait());
    Show();
    ListenForCancel();
}

// Its Cancel, and Escape as the program's loop routes it, stay live while the print service
// keeps a wait going, and a wait that lasts (the document handed over after its last page, say)
// is told instead of the page that went before it.
void TfrxProgress::ListenForCancel()
{
    win::SetPrintCancelWindow(
        Handle(), [](MSG &Msg) { return Application->IsKeyMessage(Msg); },
        [this] { SetMessage(win::PrintServiceWait()); });
}

void TfrxProgress::SetPosition(int Value)
{
    FPosition = Value;
    Bar->SetPosition(Value);
    BringToFront();
    Application->ProcessMessages();
}

void TfrxProgress::Tick()
{
    if (FPosition >= Bar->Min() && FPosition < Bar->Max()) SetPosition(FPosition + 1);
}

void TfrxProgress::SetMessage(const AnsiString &Value)
{
    FMessage = Value;
    LMessage->SetCaption(Value);
    LMessage->Repaint();
}

void TfrxProgress::SetProgress(bool Value)
{
    FShowProgress = Value;
    Bar->SetVisible(Value);
    LMessage->SetTop(Value ? 15 : 35);
}

void TfrxProgress::SetTerminated(bool Value)
{
    FTerminated = Value;
    if (!Value) return;
    win::CancelPrintWait();
    Close();
}

void TfrxProgress::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_NCHITTEST)
        WMNCHitTest(Message);
    else
        inherited::WndProc(Message);
}

void TfrxProgress::WMNCHitTest(TMessage &Message)
{
    inherited::WndProc(Message);
    // Dragged by any point: there is no caption to take hold of.
    if (Message.Result == HTCLIENT) Message.Result = HTCAPTION;
}

void TfrxProgress::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActiveForm) FActiveForm = nullptr;
}

void TfrxProgress::EnableActiveForm()
{
    if (FActiveForm) FActiveForm->SetEnabled(true);
}

namespace
{

class TPrintServiceWaitBox final : public win::PrintWaitBox
{
public:
    TPrintServiceWaitBox() { FWindow.ShowPrintServiceWait(); }

private:
    TfrxProgress FWindow{nullptr};
};

} // namespace

std::unique_ptr<win::PrintWaitBox> frxPrintServiceWaitBox()
{
    return std::make_unique<TPrintServiceWaitBox>();
}
