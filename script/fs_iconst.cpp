#include "script/fs_iconst.h"

// No start-up code of another unit reads these, so their order of
// initialisation against other units does not matter.
AnsiString SLangNotFound = "Language '%s' not found";
AnsiString SInvalidLanguage = "Invalid language definition";
AnsiString SIdRedeclared = "Identifier redeclared: ";
AnsiString SUnknownType = "Unknown type: ";
AnsiString SIncompatibleTypes = "Incompatible types";
AnsiString SIdUndeclared = "Undeclared identifier: ";
AnsiString SClassRequired = "Class type required";
AnsiString SIndexRequired = "Index required";
AnsiString SStringError = "Strings doesn't have properties or methods";
AnsiString SClassError = "Class %s does not have a default property";
AnsiString SArrayRequired = "Array type required";
AnsiString SVarRequired = "Variable required";
AnsiString SNotEnoughParams = "Not enough actual parameters";
AnsiString STooManyParams = "Too many actual parameters";
AnsiString SLeftCantAssigned = "Left side cannot be assigned to";
AnsiString SForError = "For loop variable must be numeric variable";
AnsiString SEventError = "Event handler must be a procedure";

AnsiString SSyntaxError = "Statement expected";
AnsiString SNestingTooDeep = "Program is nested too deeply";
