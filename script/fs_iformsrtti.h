#pragma once

// The forms module: controls, standard edit and list controls, forms and the
// application object, with their constants, enumerations and events, so that a
// script can build and drive dialog windows.

#include "script/fs_iinterpreter.h"

class TfsFormsFunctions : public TfsRTTIModule
{
public:
    explicit TfsFormsFunctions(TfsScript *AScript);
};

// The module's component class; it has no members of its own.
class TfsFormsRTTI : public TComponent
{
    QRV4_CLASS(TfsFormsRTTI, TComponent)

public:
    using TComponent::TComponent;
};
