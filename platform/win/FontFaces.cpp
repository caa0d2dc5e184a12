#include "platform/win/FontFaces.h"

#include "platform/win/MessageQueue.h"
#include "platform/win/WinUser.h"
#include "platform/win/WindowRegistry.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include <atomic>

namespace win
{
namespace
{

std::atomic<unsigned> Version{0};

// Every window hears it, child windows too: a control listing faces refills
// itself without its form passing the notice on.
void FacesChanged()
{
    ++Version;
    for (HWND Wnd : ThreadWindows(GetCurrentThreadId()))
        PostMessageW(Wnd, WM_FONTCHANGE, 0, 0);
}

} // namespace

void EnsureFontFaces()
{
    static bool Done = false;
    auto *App = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (Done || !App) return;
    Done = true;
    // A missing file leaves the face to fontconfig's nearest match.
    for (const char *File :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(File));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QObject::connect(App, &QGuiApplication::fontDatabaseChanged, App, FacesChanged);
}

unsigned FontFacesVersion()
{
    return Version;
}

} // namespace win

int AddFontResourceA(LPCSTR FileName)
{
    win::EnsureFontFaces();
    const int Id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(FileName));
    return Id < 0 ? 0 : static_cast<int>(QFontDatabase::applicationFontFamilies(Id).size());
}
