#pragma once
// The controls in form data: a form that writes the components it owns into a form
// stream, and reads such a stream back into a new form of its own.

#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Forms.h"

#include <memory>
#include <vector>

namespace ctltest
{

class TStreamedForm : public TForm
{
    QRV4_CLASS(TStreamedForm, TForm)

public:
    explicit TStreamedForm(TComponent *AOwner) : TForm(AOwner) {}

    // Every component the form owns is written with it, as a designed form's are.
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;

    // A handler the controls' events may name in the stream.
    void ControlClick(TObject *Sender) { Clicked.push_back(Sender); }
    std::vector<TObject *> Clicked;

    // A handler of ControlClick bound to this form, for an event property.
    void BindClick(TComponent *Control, const char *Event = "OnClick");

    static void Publish(rtl::Publisher<TStreamedForm> &P);
};

// Writes Form into a form stream and reads the stream into a new form.
std::unique_ptr<TStreamedForm> ReadBack(TStreamedForm &Form);

// A control of Form's, named Name; a windowed or windowless one sits on the form.
template <class T> T *Place(TStreamedForm &Form, const char *Name)
{
    auto *Made = new T(&Form);
    Made->SetName(Name);
    if constexpr (std::is_base_of_v<TControl, T>) Made->SetParent(&Form);
    return Made;
}

// The component named Name on Form, when it is a T.
template <class T> T *Found(TStreamedForm &Form, const char *Name)
{
    return dynamic_cast<T *>(Form.FindComponent(Name));
}

} // namespace ctltest
