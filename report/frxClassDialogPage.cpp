// Dialog pages: the form a report shows before it is built, with its events
// calling the report's script procedures.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"

#include <cmath>

namespace
{

TfrxDialogFormFactory &FormFactory()
{
    static TfrxDialogFormFactory Factory;
    return Factory;
}

int Nearest(double Value)
{
    return static_cast<int>(std::nearbyint(Value));
}

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
    if (FForm) FForm->SetLeft(Nearest(Value));
}

void TfrxDialogPage::SetTop(double Value)
{
    TfrxPage::SetTop(Value);
    if (FForm) FForm->SetTop(Nearest(Value));
}

void TfrxDialogPage::SetWidth(double Value)
{
    TfrxPage::SetWidth(Value);
    if (FForm) FForm->SetWidth(Nearest(Value));
}

void TfrxDialogPage::SetHeight(double Value)
{
    TfrxPage::SetHeight(Value);
    if (FForm) FForm->SetHeight(Nearest(Value));
}

void TfrxDialogPage::FontChanged()
{
    TfrxPage::FontChanged();
    if (FForm) FForm->Font()->Assign(Font());
}

void TfrxDialogPage::Notify(const AnsiString &Event)
{
    if (TfrxReport *Report = GetReport()) Report->DoNotifyEvent(this, Event);
}

void TfrxDialogPage::KeyEvent(const AnsiString &Event, WORD &Key, TShiftState Shift)
{
    TfrxReport *Report = GetReport();
    if (!Report) return;
    Variant Params =
        VarArrayOf({VarFromObject(this), Variant(static_cast<int>(Key)), Variant(Shift.ToInt())});
    Report->DoParamEvent(Event, Params);
    Key = static_cast<WORD>(Params.GetElement({1}).AsInteger());
}

void TfrxDialogPage::Initialize()
{
    TForm *F = FForm.get();
    F->SetPosition(FPosition);
    F->SetWindowState(FWindowState);
    auto Route = [this](const AnsiString TfrxDialogPage::*Event) {
        return [this, Event](TObject *) { Notify(this->*Event); };
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
        KeyEvent(OnKeyDown, Key, Shift);
    };
    F->OnKeyUp = [this](TObject *, WORD &Key, TShiftState Shift) { KeyEvent(OnKeyUp, Key, Shift); };
    F->OnKeyPress = [this](TObject *, char &Key) {
        TfrxReport *Report = GetReport();
        if (!Report) return;
        Variant Params = VarArrayOf({VarFromObject(this), Variant(AnsiString(Key))});
        Report->DoParamEvent(OnKeyPress, Params);
        const AnsiString Typed = VarToStr(Params.GetElement({1}));
        Key = Typed.IsEmpty() ? '\0' : Typed[1];
    };
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
