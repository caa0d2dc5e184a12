#include "platform/win/FontFaces.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

namespace win
{

void EnsureFontFaces()
{
    static bool Done = false;
    if (Done || !qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return;
    Done = true;
    // A missing file leaves the face to fontconfig's nearest match.
    for (const char *File :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(File));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

} // namespace win
