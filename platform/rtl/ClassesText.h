#pragma once

// Messages and small text helpers shared by the Classes unit's files; not for
// use outside platform/rtl.

#include "platform/rtl/System.h"

namespace rtl
{

inline constexpr char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr char SListCapacityError[] = "List capacity out of bounds (%d)";
inline constexpr char SListCountError[] = "List count out of bounds (%d)";
inline constexpr char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr char SSortedListError[] = "Operation not allowed on sorted list";

// Msg with its one "%d" or "%s" replaced by Arg.
AnsiString FormatMessage(const char *Msg, const AnsiString &Arg);

// Equality without case over the ASCII letters only, as component names compare.
bool SameAsciiText(const AnsiString &S1, const AnsiString &S2);
// The comparisons of string lists: -1, 0 or 1.
int CompareListText(const AnsiString &S1, const AnsiString &S2);
int CompareListStr(const AnsiString &S1, const AnsiString &S2);

} // namespace rtl
