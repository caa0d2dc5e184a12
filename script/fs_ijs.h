#pragma once

// The JScript language: its grammar, registered under "JScript".

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"

// The grammar text; the language registry holds it from its creation on.
const AnsiString &fsJScriptGrammar();

// The language's component, kept for forms that name it; it adds nothing.
class TfsJScript : public TComponent
{
    QRV4_CLASS(TfsJScript, TComponent)

public:
    using TComponent::TComponent;
};
