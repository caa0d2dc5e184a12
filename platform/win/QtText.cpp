#include "platform/win/QtText.h"

namespace win
{

QString ToQt(const AnsiString &Text)
{
    return QString::fromStdU16String(WideString(Text).Std());
}

AnsiString FromQt(const QString &Text)
{
    return AnsiString(WideString(Text.toStdU16String()));
}

} // namespace win
