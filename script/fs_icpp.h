#pragma once

// The C++Script language: its grammar, registered under "C++Script".

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"

// The grammar text; the language registry holds it from its creation on.
const AnsiString &fsCPPGrammar();

// The language's component, kept for forms that name it; it adds nothing.
class TfsCPP : public TComponent
{
    QRV4_CLASS(TfsCPP, TComponent)

public:
    using TComponent::TComponent;
};
