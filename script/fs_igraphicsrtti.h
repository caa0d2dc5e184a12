#pragma once

// The graphics module: colour constants, the font, pen and brush enumerations,
// and fonts, pens, brushes, canvases, graphics, pictures, metafiles and bitmaps.

#include "script/fs_iinterpreter.h"

class TfsGraphicsFunctions : public TfsRTTIModule
{
public:
    explicit TfsGraphicsFunctions(TfsScript *AScript);
};

// The module's component class; it has no members of its own.
class TfsGraphicsRTTI : public TComponent
{
    QRV4_CLASS(TfsGraphicsRTTI, TComponent)

public:
    using TComponent::TComponent;
};
