// Dialog pages and their controls: the form a report shows before it is built,
// with the events of the form and of its controls calling the report's script
// procedures.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"

#include <cmath>

namespace
{

TfrxDialogFormFactory &FormFactory()
{
    static TfrxDialogFormFactory Factory;
    return Factory;
}

// Key events hand the script the sender, the key and the shift state, and take the key back.
void KeyEvent(TfrxComponent *Sender, const AnsiString &Event, WORD &Key, TShiftState Shift)
{
    TfrxReport *Report = Sender->GetReport();
    if (!Report) return;
    Variant Params =
        VarArrayOf({VarFromObject(Sender), Variant(static_cast<int>(Key)), Variant(Shift.ToInt())});
    Report->DoParamEvent(Event, Params);
    Key = static_cast<WORD>(Params.GetElement({1}).AsInteger());
}

void KeyPressEvent(TfrxComponent *Sender, const AnsiString &Event, char &Key)
{
    TfrxReport *Report = Sender->GetReport();
    if (!Report) return;
    Variant Params = VarArrayOf({VarFromObject(Sender), Variant(AnsiString(Key))});
    Report->DoParamEvent(Event, Params);
    const AnsiString Typed = VarToStr(Params.GetElement({1}));
    Key = Typed.IsEmpty() ? '\0' : Typed[1];
}

void NotifyEvent(TfrxComponent *Sender, const AnsiString &Event)
{
    if (TfrxReport *Report = Sender->GetReport()) Report->DoNotifyEvent(Sender, Event);
}

void MouseEvent(TfrxComponent *Sender, const AnsiString &Event, TMouseButton Button,
                TShiftState Shift, int X, int Y)
{
    TfrxReport *Report = Sender->GetReport();
    if (!Report) return;
    Variant Params = VarArrayOf({VarFromObject(Sender), Variant(static_cast<int>(Button)),
                                 Variant(Shift.ToInt()), Variant(X), Variant(Y)});
    Report->DoParamEvent(Event, Params);
}

// Controls of dialog elements outside any dialog page live here; the form lets
// them go before it is freed, as they belong to their elements.
class TfrxParentForm : public TForm
{
public:
    static TfrxParentForm *&Instance()
    {
        static TfrxParentForm *Form = nullptr;
        return Form;
    }
    explicit TfrxParentForm(TComponent *AOwner) : TForm(AOwner) { Instance() = this; }
    ~TfrxParentForm() override
    {
        while (ControlCount() > 0)
            Controls(ControlCount() - 1)->SetParent(nullptr);
        Instance() = nullptr;
    }
};

} // namespace

void frxSetDialogFormFactory(TfrxDialogFormFactory Factory)
{
    FormFactory() = std::move(Factory);
}

TfrxDialogPage::TfrxDialogPage(TComponent *AOwner)
    : TfrxPage(AOwner), FForm(FormFactory() ? FormFactory()() : std::make_unique<TForm>(nullptr))
{
    FForm->SetColor(clBtnFace);
    Font()->SetName("Tahoma");
    Font()->SetSize(8);
}

TfrxDialogPage::~TfrxDialogPage()
{
    // The controls on the form belong to the page's elements, which go first.
    Clear();
    std::lock_guard<std::recursive_mutex> Lock(frxCS());
    FForm.reset();
}

AnsiString TfrxDialogPage::GetDescription() const
{
    return frxResources()->Get("obDlgPage");
}

void TfrxDialogPage::SetLeft(double Value)
{
    TfrxPage::SetLeft(Value);
    if (FForm) FForm->SetLeft(frxNearest(Value));
}

void TfrxDialogPage::SetTop(double Value)
{
    TfrxPage::SetTop(Value);
    if (FForm) FForm->SetTop(frxNearest(Value));
}

void TfrxDialogPage::SetWidth(double Value)
{
    TfrxPage::SetWidth(Value);
    if (FForm) FForm->SetWidth(frxNearest(Value));
}

void TfrxDialogPage::SetHeight(double Value)
{
    TfrxPage::SetHeight(Value);
    if (FForm) FForm->SetHeight(frxNearest(Value));
}

void TfrxDialogPage::FontChanged()
{
    TfrxPage::FontChanged();
    if (FForm) FForm->Font()->Assign(Font());
}

void TfrxDialogPage::Initialize()
{
    TForm *F = FForm.get();
    F->SetPosition(FPosition);
    F->SetWindowState(FWindowState);
    auto Route = [this](const AnsiString TfrxDialogPage::*Event) {
        return [this, Event](TObject *) { NotifyEvent(this, this->*Event); };
    };
    F->OnActivate = Route(&TfrxDialogPage::OnActivate);
    F->OnClick = Route(&TfrxDialogPage::OnClick);
    F->OnDeactivate = Route(&TfrxDialogPage::OnDeactivate);
    F->OnHide = Route(&TfrxDialogPage::OnHide);
    F->OnShow = Route(&TfrxDialogPage::OnShow);
    F->OnResize = Route(&TfrxDialogPage::OnResize);
    F->OnCloseQuery = [this](TObject *, bool &CanClose) {
        TfrxReport *Report = GetReport();
        if (!Report) return;
        Variant Params = VarArrayOf({VarFromObject(this), Variant(CanClose)});
        Report->DoParamEvent(OnCloseQuery, Params);
        CanClose = Params.GetElement({1}).AsBoolean();
    };
    F->OnKeyDown = [this](TObject *, WORD &Key, TShiftState Shift) {
        KeyEvent(this, OnKeyDown, Key, Shift);
    };
    F->OnKeyUp = [this](TObject *, WORD &Key, TShiftState Shift) {
        KeyEvent(this, OnKeyUp, Key, Shift);
    };
    F->OnKeyPress = [this](TObject *, char &Key) { KeyPressEvent(this, OnKeyPress, Key); };
}

int TfrxDialogPage::ShowModal()
{
    Initialize();
    FForm->SetBorderStyle(FBorderStyle);
    FForm->SetFormStyle(fsNormal);
    const int Result = FForm->ShowModal();
    FForm->SetFormStyle(fsStayOnTop);
    return Result;
}

void TfrxDialogPage::Publish(rtl::Publisher<TfrxDialogPage> &P)
{
    using T = TfrxDialogPage;
    P.Property("BorderStyle", &T::BorderStyle, &T::SetBorderStyle).Default(bsSizeable);
    P.Property("Caption", &T::Caption, &T::SetCaption);
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clBtnFace);
    P.Property("Height", &T::Height, &T::SetHeight);
    P.Property("Left", &T::Left, &T::SetLeft);
    P.Property("Position", &T::Position, &T::SetPosition).Default(poScreenCenter);
    P.Property("Top", &T::Top, &T::SetTop);
    P.Property("Width", &T::Width, &T::SetWidth);
    P.Property("WindowState", &T::WindowState, &T::SetWindowState).Default(wsNormal);
    P.Property("OnActivate", &T::EventName<&T::OnActivate>, &T::SetEventName<&T::OnActivate>);
    P.Property("OnClick", &T::EventName<&T::OnClick>, &T::SetEventName<&T::OnClick>);
    P.Property("OnCloseQuery", &T::EventName<&T::OnCloseQuery>, &T::SetEventName<&T::OnCloseQuery>);
    P.Property("OnDeactivate", &T::EventName<&T::OnDeactivate>, &T::SetEventName<&T::OnDeactivate>);
    P.Property("OnHide", &T::EventName<&T::OnHide>, &T::SetEventName<&T::OnHide>);
    P.Property("OnKeyDown", &T::EventName<&T::OnKeyDown>, &T::SetEventName<&T::OnKeyDown>);
    P.Property("OnKeyPress", &T::EventName<&T::OnKeyPress>, &T::SetEventName<&T::OnKeyPress>);
    P.Property("OnKeyUp", &T::EventName<&T::OnKeyUp>, &T::SetEventName<&T::OnKeyUp>);
    P.Property("OnShow", &T::EventName<&T::OnShow>, &T::SetEventName<&T::OnShow>);
    P.Property("OnResize", &T::EventName<&T::OnResize>, &T::SetEventName<&T::OnResize>);
}
QRV4_PUBLISHED(TfrxDialogPage)

TForm *frxParentForm()
{
    if (!TfrxParentForm::Instance()) new TfrxParentForm(Application);
    return TfrxParentForm::Instance();
}

// ---- dialog controls ----

TfrxDialogControl::TfrxDialogControl(TComponent *AOwner) : TfrxReportComponent(AOwner) {}

TfrxDialogControl::~TfrxDialogControl()
{
    // Nested elements' controls sit inside this one's, which would free them with itself.
    Clear();
}

void TfrxDialogControl::InitControl(std::unique_ptr<TControl> AControl)
{
    FControl = std::move(AControl);
    TControl *C = FControl.get();
    C->OnClick = [this](TObject *) { NotifyEvent(this, OnClick); };
    C->OnDblClick = [this](TObject *) { NotifyEvent(this, OnDblClick); };
    C->OnMouseDown = [this](TObject *, TMouseButton Button, TShiftState Shift, int X, int Y) {
        MouseEvent(this, OnMouseDown, Button, Shift, X, Y);
    };
    C->OnMouseMove = [this](TObject *, TShiftState Shift, int X, int Y) {
        MouseEvent(this, OnMouseMove, mbLeft, Shift, X, Y);
    };
    C->OnMouseUp = [this](TObject *, TMouseButton Button, TShiftState Shift, int X, int Y) {
        MouseEvent(this, OnMouseUp, Button, Shift, X, Y);
    };
    if (auto *W = dynamic_cast<TWinControl *>(C)) {
        W->OnEnter = [this](TObject *) { NotifyEvent(this, OnEnter); };
        W->OnExit = [this](TObject *) { NotifyEvent(this, OnExit); };
        W->OnKeyDown = [this](TObject *, WORD &Key, TShiftState Shift) {
            KeyEvent(this, OnKeyDown, Key, Shift);
        };
        W->OnKeyPress = [this](TObject *, char &Key) { KeyPressEvent(this, OnKeyPress, Key); };
        W->OnKeyUp = [this](TObject *, WORD &Key, TShiftState Shift) {
            KeyEvent(this, OnKeyUp, Key, Shift);
        };
    }
    C->SetBounds(frxNearest(Left()), frxNearest(Top()), frxNearest(Width()), frxNearest(Height()));
    SetParent(Parent());
}

TWinControl *TfrxDialogControl::ParentWindow()
{
    if (auto *Owner = dynamic_cast<TfrxDialogControl *>(Parent()))
        if (auto *W = dynamic_cast<TWinControl *>(Owner->Control())) return W;
    if (auto *Page = dynamic_cast<TfrxDialogPage *>(Parent())) return Page->Form();
    return frxParentForm();
}

void TfrxDialogControl::SetParent(TfrxComponent *Value)
{
    TfrxReportComponent::SetParent(Value);
    if (FControl) FControl->SetParent(ParentWindow());
}

void TfrxDialogControl::SetLeft(double Value)
{
    TfrxReportComponent::SetLeft(Value);
    if (FControl) FControl->SetLeft(frxNearest(Left()));
}

void TfrxDialogControl::SetTop(double Value)
{
    TfrxReportComponent::SetTop(Value);
    if (FControl) FControl->SetTop(frxNearest(Top()));
}

void TfrxDialogControl::SetWidth(double Value)
{
    TfrxReportComponent::SetWidth(Value);
    if (FControl) FControl->SetWidth(frxNearest(Width()));
}

void TfrxDialogControl::SetHeight(double Value)
{
    TfrxReportComponent::SetHeight(Value);
    if (FControl) FControl->SetHeight(frxNearest(Height()));
}

void TfrxDialogControl::SetVisible(bool Value)
{
    TfrxReportComponent::SetVisible(Value);
    if (FControl) FControl->SetVisible(Value);
}

void TfrxDialogControl::SetParentFont(bool Value)
{
    TfrxReportComponent::SetParentFont(Value);
    if (FControl) FControl->SetFont(Font());
}

void TfrxDialogControl::FontChanged()
{
    TfrxReportComponent::FontChanged();
    if (FControl) FControl->SetFont(Font());
}

void TfrxDialogControl::SetName(const AnsiString &NewName)
{
    const bool CaptionFollows = FControl && FControl->ControlStyle().Contains(csSetCaption) &&
                                FControl->Caption() == Name() && !GetIsLoading();
    TfrxReportComponent::SetName(NewName);
    if (CaptionFollows) FControl->SetCaption(NewName);
}

AnsiString TfrxDialogControl::Caption() const
{
    return FControl ? FControl->Caption() : AnsiString();
}

void TfrxDialogControl::SetCaption(const AnsiString &Value)
{
    if (FControl) FControl->SetCaption(Value);
}

TColor TfrxDialogControl::Color() const
{
    return FControl ? FControl->Color() : clBtnFace;
}

void TfrxDialogControl::SetColor(TColor Value)
{
    if (FControl) FControl->SetColor(Value);
}

bool TfrxDialogControl::Enabled() const
{
    return !FControl || FControl->Enabled();
}

void TfrxDialogControl::SetEnabled(bool Value)
{
    if (FControl) FControl->SetEnabled(Value);
}

void TfrxDialogControl::SetFocus()
{
    if (auto *W = dynamic_cast<TWinControl *>(FControl.get())) W->SetFocus();
}

void TfrxDialogControl::Draw(TCanvas *Canvas, double, double, double, double)
{
    if (!FControl) return;
    TBitmap Picture;
    Picture.SetSize(frxNearest(Width()), frxNearest(Height()));
    TCanvas *Target = Picture.Canvas();
    Target->Brush()->SetColor(clBtnFace);
    Target->FillRect(Rect(0, 0, Picture.Width(), Picture.Height()));
    if (auto *W = dynamic_cast<TWinControl *>(FControl.get()))
        W->PaintTo(Target->Handle(), 0, 0);
    else
        FControl->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Target->Handle()), 0);
    Canvas->Draw(frxNearest(GetAbsLeft()), frxNearest(GetAbsTop()), &Picture);
}

void TfrxDialogControl::Publish(rtl::Publisher<TfrxDialogControl> &P)
{
    using T = TfrxDialogControl;
    P.Property("Left", &T::Left, &T::SetLeft);
    P.Property("Top", &T::Top, &T::SetTop);
    P.Property("Width", &T::Width, &T::SetWidth);
    P.Property("Height", &T::Height, &T::SetHeight);
    P.Property("Font", &T::Font, &T::SetFont).Stored(&T::IsFontStored);
    P.Property("GroupIndex", &T::GroupIndex, &T::SetGroupIndex).Default(0);
    P.Property("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
    P.Property("Enabled", &T::Enabled, &T::SetEnabled).Default(true);
    P.Property("Visible", &T::Visible, &T::SetVisible).Default(true);
}
QRV4_PUBLISHED(TfrxDialogControl)
