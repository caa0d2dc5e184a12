#pragma once

// Tools the whole script engine shares: the registry of script languages
// (name to grammar text) and the conversion of position texts.

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Variants.h"
#include "platform/win/WinTypes.h"

#include <vector>

// Adds the language, or replaces the grammar of a language of that name
// (names compared without regard to case).
void fsRegisterLanguage(const AnsiString &Name, const AnsiString &Grammar);
// Raises SLangNotFound for a name that is not registered.
AnsiString fsGetLanguage(const AnsiString &Name);
// Every registered name in registration order, except names beginning with "@".
void fsGetLanguageList(TStrings *List);

// A literal as the tokenizer returns it: a quoted string (quotes removed) or a
// number (Integer when it fits, else Int64; Double when it has a fraction or
// an exponent, read whatever the decimal separator). Empty text gives Null.
Variant ParserStringToVariant(const AnsiString &S);

// Open-array arguments and variants. VariantToVarRec fills Arr with one
// element per element of the variant array V; the strings it makes are owned
// by Arr's elements, so ClearVarRec (or Arr's end) frees everything.
Variant VarRecToVariant(const TVarRec &V);
void VariantToVarRec(const Variant &V, std::vector<TVarRec> &Arr);
void ClearVarRec(std::vector<TVarRec> &Arr);

// "line:col" to a point (x = column, y = line); empty text gives (0, 0).
POINT fsPosToPoint(const AnsiString &Pos);
