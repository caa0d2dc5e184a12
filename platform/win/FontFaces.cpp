#include "platform/win/FontFaces.h"

#include "platform/win/MessageQueue.h"
#include "platform/win/WinUser.h"
#include "platform/win/WindowRegistry.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include <array>
#include <atomic>
#include <vector>

namespace win
{
namespace
{

std::atomic<unsigned> Version{0};

struct TwinFace {
    QString Face;
    QString Twin;
};

const std::array<TwinFace, 3> &Twins()
{
    static const std::array<TwinFace, 3> List{
        TwinFace{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
        TwinFace{QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
        TwinFace{QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")}};
    return List;
}

// The twins of the faces the system lacks.
std::vector<TwinFace> StandIns;

void ListStandIns()
{
    const QStringList Installed = QFontDatabase::families();
    StandIns.clear();
    for (const TwinFace &Twin : Twins())
        if (!Installed.contains(Twin.Face, Qt::CaseInsensitive)) StandIns.push_back(Twin);
}

// Every window hears it, child windows too: a control listing faces refills
// itself without its form passing the notice on.
void FacesChanged()
{
    ListStandIns();
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
    for (const TwinFace &Twin : Twins())
        QFont::insertSubstitution(Twin.Face, Twin.Twin);
    ListStandIns();
    QObject::connect(App, &QGuiApplication::fontDatabaseChanged, App, FacesChanged);
}

QString FaceOrTwin(const QString &Face)
{
    for (const TwinFace &Twin : StandIns)
        if (Face.compare(Twin.Face, Qt::CaseInsensitive) == 0) return Twin.Twin;
    return Face;
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
