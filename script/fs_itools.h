#pragma once

// Tools the whole script engine shares: the registry of script languages
// (name to grammar text), the conversion of position texts, and the type
// tools the compiler checks declarations and assignments with.

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Variants.h"
#include "platform/win/WinTypes.h"
#include "script/fs_iinterpreter.h"

#include <memory>

class TfsXMLItem;
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

// ---- type tools: they name the script's items, so they stand on the interpreter.

struct TfsTypeRec {
    TfsVarType Typ;
    // Kept whole: a name cut to a fixed length would let two long names that begin
    // alike pass for one type.
    AnsiString TypeName;
};

// The type of the item the script finds under TypeName; fvtClass when none.
TfsVarType StrToVarType(const AnsiString &TypeName, TfsScript *Script);
bool TypesCompatible(const TfsTypeRec &Typ1, const TfsTypeRec &Typ2, TfsScript *Script);
// As TypesCompatible, but a float is not assignable to an integer.
bool AssignCompatible(TfsCustomVariable *Target, TfsCustomVariable *Source, TfsScript *Script);
// A host declaration such as "function Get(Name: String): Variant" as a variable
// with its parameters.
std::unique_ptr<TfsCustomVariable> ParseMethodSyntax(const AnsiString &Syntax, TfsScript *Script);

// Lists under Root everything Script holds, by kind ("Functions" by category,
// "Classes" with their members, "Types", "Variables", "Constants"), each entry an
// "item" whose text attribute describes it; only the functions when FunctionsOnly.
void GenerateXMLContents(TfsScript *Script, TfsXMLItem *Root, bool FunctionsOnly = false);
