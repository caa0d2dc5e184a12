#pragma once

// The script engine's own error texts. They are variables so that a host can
// put its own (translated) texts in before it compiles anything.

#include "platform/rtl/System.h"

extern AnsiString SLangNotFound;
extern AnsiString SInvalidLanguage;
extern AnsiString SIdRedeclared;
extern AnsiString SUnknownType;
extern AnsiString SIncompatibleTypes;
extern AnsiString SIdUndeclared;
extern AnsiString SClassRequired;
extern AnsiString SIndexRequired;
extern AnsiString SStringError;
extern AnsiString SClassError;
extern AnsiString SArrayRequired;
extern AnsiString SVarRequired;
extern AnsiString SNotEnoughParams;
extern AnsiString STooManyParams;
extern AnsiString SLeftCantAssigned;
extern AnsiString SForError;
extern AnsiString SEventError;

// Syntax errors that no grammar rule names: text a grammar could not match at
// all, and nesting deeper than the compiler's stack allows.
extern AnsiString SSyntaxError;
extern AnsiString SNestingTooDeep;
