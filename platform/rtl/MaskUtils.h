#pragma once

// Edit masks as the class library's masked edits use them: "mask;save;blank",
// where the mask holds L l A a C c 0 9 # for input positions, \ for a literal
// next character, > < <> for case, ! for right-aligned input, : and / for the
// time and date separators, and anything else as a literal.

#include "platform/rtl/System.h"

// Value laid into the mask: literals inserted, a missing character shown as a
// blank. When the mask saves literals, Value holds them already at their places.
AnsiString FormatMaskText(const AnsiString &EditMask, const AnsiString &Value);
