#pragma once
// The program's cp1251 texts at the edge to Qt, which holds UTF-16.

#include "platform/rtl/System.h"

#include <QString>

namespace win
{

QString ToQt(const AnsiString &Text);
AnsiString FromQt(const QString &Text);

} // namespace win
