#pragma once

// The report classes, their enumerations, constants and functions as the
// script engine sees them.

#include "script/fs_iinterpreter.h"

class TFunctions : public TfsRTTIModule
{
public:
    explicit TFunctions(TfsScript *AScript);
};

// Adds TFunctions to the script engine's modules; once per process.
void frxRegisterScriptModule();
