#pragma once

// The BasicScript language: its grammar, registered under "BasicScript".

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"

// The grammar text; the language registry holds it from its creation on.
const AnsiString &fsBasicGrammar();

// The language's component, kept for forms that name it; it adds nothing.
class TfsBasic : public TComponent
{
    QRV4_CLASS(TfsBasic, TComponent)

public:
    using TComponent::TComponent;
};
