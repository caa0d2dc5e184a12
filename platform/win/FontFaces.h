#pragma once
// The faces the program's forms and reports name, made available to Qt.

namespace win
{

// Loads the Tahoma twin of the Windows compatibility fonts, which fontconfig
// does not list, and puts the Liberation metric twins in the place of Arial,
// Times New Roman and Courier New, so text keeps the widths it was laid out for.
// Does its work once, as soon as a Qt GUI application exists.
void EnsureFontFaces();

} // namespace win
