#include "platform/win/SysParams.h"

#include "platform/win/GdiObjects.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

namespace win
{
namespace
{

// Windows XP's standard colour scheme.
constexpr std::array<COLORREF, COLOR_COUNT> XpColors = {
    RGB(212, 208, 200), RGB(0, 78, 152),    RGB(0, 84, 227),    RGB(122, 150, 223),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(212, 208, 200), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(49, 106, 197),  RGB(255, 255, 255), RGB(236, 233, 216),
    RGB(172, 168, 153), RGB(172, 168, 153), RGB(0, 0, 0),       RGB(216, 228, 248),
    RGB(255, 255, 255), RGB(113, 111, 100), RGB(241, 239, 226), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(181, 181, 181), RGB(0, 0, 128),     RGB(61, 149, 255),
    RGB(157, 185, 235), RGB(49, 106, 197),  RGB(236, 233, 216)};

int BuiltInMetric(int Index)
{
    switch (Index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return 17;
    case SM_CYCAPTION:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER:
    case SM_MOUSEWHEELPRESENT:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CYMENU:
        return 19;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
        return 18;
    case SM_CXMIN:
    case SM_CXMINTRACK:
        return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
        return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_CMOUSEBUTTONS:
        return 3;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXSMICON:
    case SM_CYSMICON:
    case SM_CYSMCAPTION:
        return 16;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE:
        return 15;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return 13;
    default:
        return 0;
    }
}

struct NonClientFonts {
    LOGFONTW Caption;
    LOGFONTW SmCaption;
    LOGFONTW Menu;
    LOGFONTW Status;
    LOGFONTW Message;
};

struct Settings {
    std::mutex Mutex;
    std::optional<NonClientFonts> Fonts; // set by SPI_SETNONCLIENTMETRICS
    std::map<int, int> Metrics;
    std::map<int, COLORREF> Colors;
    std::map<UINT, int> Parameters;
    std::vector<Monitor> Monitors;
    std::array<HBRUSH, COLOR_COUNT> Brushes{};
};

Settings &TheSettings()
{
    static Settings S;
    return S;
}

int BuiltInParameter(UINT Action)
{
    switch (Action) {
    case SPI_GETMENUANIMATION:
    case SPI_GETFLATMENU:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETDRAGFULLWINDOWS:
        return 1;
    case SPI_GETMENUSHOWDELAY:
        return 400;
    case SPI_GETWHEELSCROLLLINES:
        return 3;
    default:
        return 0;
    }
}

int Parameter(UINT Action)
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    auto It = S.Parameters.find(Action);
    return It == S.Parameters.end() ? BuiltInParameter(Action) : It->second;
}

LOGFONTW Font(const char16_t *Face, LONG Height, LONG Weight)
{
    LOGFONTW F{};
    F.lfHeight = Height;
    F.lfWeight = Weight;
    F.lfCharSet = DEFAULT_CHARSET;
    for (int I = 0; Face[I] && I < LF_FACESIZE - 1; ++I)
        F.lfFaceName[I] = Face[I];
    return F;
}

NonClientFonts BuiltInNonClientFonts()
{
    return NonClientFonts{
        Font(u"Tahoma", -11, FW_BOLD), Font(u"Tahoma", -11, FW_BOLD),
        // The menu font is pinned so that menu rows have the same height everywhere.
        Font(u"DejaVu Sans", -11, FW_NORMAL), Font(u"Tahoma", -11, FW_NORMAL),
        Font(u"Tahoma", -11, FW_NORMAL)};
}

NonClientFonts CurrentNonClientFonts()
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    return S.Fonts ? *S.Fonts : BuiltInNonClientFonts();
}

void StoreNonClientFonts(const NONCLIENTMETRICSW &M)
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    S.Fonts = NonClientFonts{M.lfCaptionFont, M.lfSmCaptionFont, M.lfMenuFont, M.lfStatusFont,
                             M.lfMessageFont};
}

// Frames are drawn with the non-client fonts, so each top-level window of the calling thread
// is measured and drawn again before it is told what changed.
void AnnounceSettingChange(UINT Action)
{
    const DWORD Thread = CurrentThreadId();
    for (HWND Wnd : TopLevelWindows()) {
        if (WindowThread(Wnd) != Thread) continue;
        SetWindowPos(Wnd, {}, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(Wnd, WM_SETTINGCHANGE, Action, 0);
    }
}

RECT ToRect(const QRect &R)
{
    return RECT{R.left(), R.top(), R.right() + 1, R.bottom() + 1};
}

long DistanceTo(const RECT &R, POINT P)
{
    const long Dx = P.x < R.left ? R.left - P.x : (P.x >= R.right ? P.x - R.right + 1 : 0);
    const long Dy = P.y < R.top ? R.top - P.y : (P.y >= R.bottom ? P.y - R.bottom + 1 : 0);
    return Dx * Dx + Dy * Dy;
}

HMONITOR MonitorHandle(std::size_t Index)
{
    return HandleFromId<HMONITOR>(Index + 1);
}

} // namespace

void OverrideMetric(int Index, int Value)
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    S.Metrics[Index] = Value;
}

void OverrideSysColor(int Index, COLORREF Color)
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    S.Colors[Index] = Color;
    if (Index >= 0 && Index < COLOR_COUNT && S.Brushes[static_cast<std::size_t>(Index)])
        BrushOf(S.Brushes[static_cast<std::size_t>(Index)])->Color = Color;
}

void OverrideParameter(UINT Action, int Value)
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    S.Parameters[Action] = Value;
}

void OverrideMonitors(std::vector<Monitor> List)
{
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    S.Monitors = std::move(List);
}

void ResetSettings()
{
    Settings &S = TheSettings();
    std::vector<int> Recolour;
    {
        std::lock_guard Lock(S.Mutex);
        S.Metrics.clear();
        S.Parameters.clear();
        S.Monitors.clear();
        S.Fonts.reset();
        for (auto &[Index, Color] : S.Colors)
            Recolour.push_back(Index);
        S.Colors.clear();
    }
    for (int Index : Recolour)
        OverrideSysColor(Index, XpColors[static_cast<std::size_t>(Index)]);
    std::lock_guard Lock(S.Mutex);
    for (int Index : Recolour)
        S.Colors.erase(Index);
}

void PrepareDisplayEnvironment()
{
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    const char *Platform = std::getenv("QT_QPA_PLATFORM");
    if (!Platform || std::string_view(Platform).starts_with("wayland"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}

bool DisplaySupported()
{
    auto *App = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!App) return false;
    const QString Name = QGuiApplication::platformName();
    if (Name != QLatin1String("xcb") && Name != QLatin1String("offscreen")) return false;
    const QList<QScreen *> Screens = QGuiApplication::screens();
    return std::all_of(Screens.begin(), Screens.end(),
                       [](QScreen *S) { return S->devicePixelRatio() == 1.0; });
}

std::vector<Monitor> Monitors()
{
    {
        Settings &S = TheSettings();
        std::lock_guard Lock(S.Mutex);
        if (!S.Monitors.empty()) return S.Monitors;
    }
    std::vector<Monitor> Result;
    if (QGuiApplication::instance()) {
        QList<QScreen *> Screens = QGuiApplication::screens();
        if (QScreen *Primary = QGuiApplication::primaryScreen()) {
            Screens.removeAll(Primary);
            Screens.prepend(Primary);
        }
        for (QScreen *Screen : Screens)
            Result.push_back(
                Monitor{ToRect(Screen->geometry()), ToRect(Screen->availableGeometry())});
    }
    if (Result.empty()) Result.push_back(Monitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}});
    return Result;
}

} // namespace win

using namespace win;

int GetSystemMetrics(int Index)
{
    {
        Settings &S = TheSettings();
        std::lock_guard Lock(S.Mutex);
        auto It = S.Metrics.find(Index);
        if (It != S.Metrics.end()) return It->second;
    }
    const auto List = Monitors();
    const RECT &Primary = List.front().Bounds;
    RECT Virtual = Primary;
    for (const Monitor &M : List) {
        Virtual.left = std::min(Virtual.left, M.Bounds.left);
        Virtual.top = std::min(Virtual.top, M.Bounds.top);
        Virtual.right = std::max(Virtual.right, M.Bounds.right);
        Virtual.bottom = std::max(Virtual.bottom, M.Bounds.bottom);
    }
    switch (Index) {
    case SM_CXSCREEN:
        return Primary.right - Primary.left;
    case SM_CYSCREEN:
        return Primary.bottom - Primary.top;
    case SM_CXFULLSCREEN:
    case SM_CXMAXIMIZED:
        return List.front().Work.right - List.front().Work.left;
    case SM_CYFULLSCREEN:
    case SM_CYMAXIMIZED:
        return List.front().Work.bottom - List.front().Work.top;
    case SM_XVIRTUALSCREEN:
        return Virtual.left;
    case SM_YVIRTUALSCREEN:
        return Virtual.top;
    case SM_CXVIRTUALSCREEN:
        return Virtual.right - Virtual.left;
    case SM_CYVIRTUALSCREEN:
        return Virtual.bottom - Virtual.top;
    case SM_CMONITORS:
        return static_cast<int>(List.size());
    default:
        return BuiltInMetric(Index);
    }
}

DWORD GetSysColor(int Index)
{
    if (Index < 0 || Index >= COLOR_COUNT) return 0;
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    auto It = S.Colors.find(Index);
    return It == S.Colors.end() ? XpColors[static_cast<std::size_t>(Index)] : It->second;
}

HBRUSH GetSysColorBrush(int Index)
{
    if (Index < 0 || Index >= COLOR_COUNT) return {};
    const COLORREF Color = GetSysColor(Index);
    Settings &S = TheSettings();
    std::lock_guard Lock(S.Mutex);
    HBRUSH &B = S.Brushes[static_cast<std::size_t>(Index)];
    if (!B) {
        B = CreateSolidBrush(Color);
        FindObject(B)->Stock = true;
    }
    return B;
}

BOOL SystemParametersInfoW(UINT Action, UINT, PVOID Data, UINT WinIni)
{
    if (!Data) return FALSE;
    switch (Action) {
    case SPI_GETMENUANIMATION:
    case SPI_GETMENUFADE:
    case SPI_GETFLATMENU:
    case SPI_GETKEYBOARDCUES:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETDRAGFULLWINDOWS:
        *static_cast<BOOL *>(Data) = Parameter(Action) ? TRUE : FALSE;
        return TRUE;
    case SPI_GETMENUSHOWDELAY:
    case SPI_GETWHEELSCROLLLINES:
        *static_cast<UINT *>(Data) = static_cast<UINT>(Parameter(Action));
        return TRUE;
    case SPI_GETWORKAREA:
        *static_cast<RECT *>(Data) = Monitors().front().Work;
        return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
        auto *M = static_cast<NONCLIENTMETRICSW *>(Data);
        if (M->cbSize != sizeof(NONCLIENTMETRICSW)) return FALSE;
        M->iBorderWidth = 1;
        M->iScrollWidth = M->iScrollHeight = GetSystemMetrics(SM_CXVSCROLL);
        M->iCaptionWidth = M->iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
        M->iSmCaptionWidth = M->iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
        M->iMenuWidth = M->iMenuHeight = GetSystemMetrics(SM_CXMENUSIZE);
        const NonClientFonts Fonts = CurrentNonClientFonts();
        M->lfCaptionFont = Fonts.Caption;
        M->lfSmCaptionFont = Fonts.SmCaption;
        M->lfMenuFont = Fonts.Menu;
        M->lfStatusFont = Fonts.Status;
        M->lfMessageFont = Fonts.Message;
        return TRUE;
    }
    case SPI_SETNONCLIENTMETRICS: {
        const auto *M = static_cast<const NONCLIENTMETRICSW *>(Data);
        if (M->cbSize != sizeof(NONCLIENTMETRICSW)) return FALSE;
        // Only the fonts are kept: frame and bar sizes stay those of the metrics table.
        StoreNonClientFonts(*M);
        if (WinIni & SPIF_SENDCHANGE) AnnounceSettingChange(Action);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

BOOL GetVersionExW(OSVERSIONINFOW *Info)
{
    if (!Info || Info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) return FALSE;
    Info->dwMajorVersion = 5;
    Info->dwMinorVersion = 1;
    Info->dwBuildNumber = 2600;
    Info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    const char16_t Pack[] = u"Service Pack 3";
    std::copy(std::begin(Pack), std::end(Pack), Info->szCSDVersion);
    return TRUE;
}

HMONITOR MonitorFromPoint(POINT Point, DWORD Flags)
{
    const auto List = Monitors();
    std::size_t Best = 0;
    long BestDistance = -1;
    for (std::size_t I = 0; I < List.size(); ++I) {
        const long D = DistanceTo(List[I].Bounds, Point);
        if (D == 0) return MonitorHandle(I);
        if (BestDistance < 0 || D < BestDistance) BestDistance = D, Best = I;
    }
    if (Flags == MONITOR_DEFAULTTONULL) return {};
    return MonitorHandle(Flags == MONITOR_DEFAULTTONEAREST ? Best : 0);
}

HMONITOR MonitorFromRect(LPCRECT Rect, DWORD Flags)
{
    if (!Rect) return {};
    const auto List = Monitors();
    std::size_t Best = 0;
    long BestArea = 0;
    for (std::size_t I = 0; I < List.size(); ++I) {
        const RECT &B = List[I].Bounds;
        const long W = std::min(B.right, Rect->right) - std::max(B.left, Rect->left);
        const long H = std::min(B.bottom, Rect->bottom) - std::max(B.top, Rect->top);
        if (W > 0 && H > 0 && W * H > BestArea) BestArea = W * H, Best = I;
    }
    if (BestArea > 0) return MonitorHandle(Best);
    return MonitorFromPoint(POINT{(Rect->left + Rect->right) / 2, (Rect->top + Rect->bottom) / 2},
                            Flags);
}

HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags)
{
    RECT R;
    if (!GetWindowRect(Wnd, &R))
        return Flags == MONITOR_DEFAULTTONULL ? HMONITOR{} : MonitorHandle(0);
    return MonitorFromRect(&R, Flags);
}

BOOL GetMonitorInfoW(HMONITOR Handle, MONITORINFO *Info)
{
    const auto List = Monitors();
    const std::uintptr_t Index = IdFromHandle(Handle);
    if (!Info || Index < 1 || Index > List.size()) return FALSE;
    Info->rcMonitor = List[Index - 1].Bounds;
    Info->rcWork = List[Index - 1].Work;
    Info->dwFlags = Index == 1 ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

UINT GetDoubleClickTime()
{
    return 500;
}
