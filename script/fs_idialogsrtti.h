#pragma once

// The dialogs module: the common dialog classes and the message and input boxes.

#include "script/fs_iinterpreter.h"

class TfsDialogsFunctions : public TfsRTTIModule
{
public:
    explicit TfsDialogsFunctions(TfsScript *AScript);
};

// The module's component class; it has no members of its own.
class TfsDialogsRTTI : public TComponent
{
    QRV4_CLASS(TfsDialogsRTTI, TComponent)

public:
    using TComponent::TComponent;
};
