#pragma once

// The program's own modules that are opened at run time, so that the libraries under them load
// only when their feature is first used.

#include <QString>

namespace web
{

// The module of that file name beside the program (an installed or `make run` program), else the
// one the build made at BuiltAt (the test programs, which live in folders of their own).
QString ModulePath(const char *FileName, const char *BuiltAt);

// The named entry of the module at Path, or null with the loader's reason in Why. The module
// stays loaded: what it made may outlive any one use.
void *OpenModuleEntry(const QString &Path, const char *Entry, QString &Why);

} // namespace web
