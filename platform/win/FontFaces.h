#pragma once
// The faces the program's forms and reports name, made available to Qt, and
// the notice that the faces changed.

#include "platform/win/WinTypes.h"

class QString;

// Posted to every window of the thread when the program's faces change: the
// system's number for the notice.
constexpr UINT WM_FONTCHANGE = 0x001D;

// Adds the faces of a font file to the program's faces; the number added, 0
// when the file holds none. Windows hear of new faces through WM_FONTCHANGE.
int AddFontResourceA(LPCSTR FileName);

namespace win
{

// Loads the Tahoma twin of the Windows compatibility fonts, which fontconfig
// does not list, and puts the Liberation metric twins in the place of Arial,
// Times New Roman and Courier New, so text keeps the widths it was laid out for.
// Does its work once, as soon as a Qt GUI application exists.
void EnsureFontFaces();
// The face text is drawn with: the twin of a face the system lacks, asked for by name so
// that the font is not first looked for among every face on the system.
QString FaceOrTwin(const QString &Face);
// Counts the changes of the faces since the start, so lists of faces can tell
// they are out of date.
unsigned FontFacesVersion();

} // namespace win
