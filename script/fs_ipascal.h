#pragma once

// The PascalScript language: its grammar, registered under "PascalScript".

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"

// The grammar text; the language registry holds it from its creation on.
const AnsiString &fsPascalGrammar();

// Registers, again under "PascalScript", a variant of the grammar for old
// scripts: set constructors between back quotes, data-field references in
// square brackets, and undeclared names allowed.
void fsModifyPascalForLegacy();

// The language's component, kept for forms that name it; it adds nothing.
class TfsPascal : public TComponent
{
    QRV4_CLASS(TfsPascal, TComponent)

public:
    using TComponent::TComponent;
};
