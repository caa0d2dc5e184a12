#pragma once

// The classes module: lists, string lists, streams, collections, components and
// the engine's XML items, with the file-mode and seek-origin constants.

#include "script/fs_iinterpreter.h"

class TfsClassesFunctions : public TfsRTTIModule
{
public:
    explicit TfsClassesFunctions(TfsScript *AScript);
};

// The module's component class; it has no members of its own.
class TfsClassesRTTI : public TComponent
{
    QRV4_CLASS(TfsClassesRTTI, TComponent)

public:
    using TComponent::TComponent;
};
