#include "tests/controls/FormStream.h"

#include "platform/rtl/ClassesFiler.h"

namespace ctltest
{

void TStreamedForm::GetChildren(TGetChildProc Proc, TComponent *)
{
    for (int I = 0; I < ComponentCount(); ++I)
        Proc(Components(I));
}

void TStreamedForm::BindClick(TComponent *Control, const char *Event)
{
    SetMethodProp(Control, Event, BindPublishedMethod(this, "ControlClick"));
}

void TStreamedForm::Publish(rtl::Publisher<TStreamedForm> &P)
{
    P.Method("ControlClick", &TStreamedForm::ControlClick);
}
QRV4_PUBLISHED(TStreamedForm)

std::unique_ptr<TStreamedForm> ReadBack(TStreamedForm &Form)
{
    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(&Form);
    Stream.SetPosition(0);
    auto Copy = std::make_unique<TStreamedForm>(nullptr);
    TReader(&Stream).ReadRootComponent(Copy.get());
    return Copy;
}

} // namespace ctltest
