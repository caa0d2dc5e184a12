#pragma once

// The system module: the basic types, True/False/nil/Null, the string and array
// indexers, the global functions from IntToStr to VarType and the var* codes.
// Every script gets it first when its host modules are added.

#include "script/fs_iinterpreter.h"

class TfsSysFunctions : public TfsRTTIModule
{
public:
    explicit TfsSysFunctions(TfsScript *AScript);
};

// How ShowMessage shows its text; the user interface installs a message box. Until
// then the call raises, so that a script never believes a message was seen.
using TfsShowMessageProc = std::function<void(const AnsiString &Msg)>;
extern TfsShowMessageProc fsShowMessageProc;
