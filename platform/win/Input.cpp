#include "platform/win/QueueInternal.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QApplication>

#include <array>
#include <atomic>

namespace win
{
namespace
{

// Key state as of the message the thread last took out of its queue: bit 7 is
// "down", bit 0 toggles with every press, as GetKeyState reports.
thread_local std::array<BYTE, 256> KeyStates{};
std::array<std::atomic<bool>, 256> AsyncDown{};
std::atomic<std::int64_t> LastCursor{0};

int GenericKey(int VirtualKey)
{
    switch (VirtualKey) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return 0;
    }
}

struct CaretState {
    HWND Owner{};
    SIZE Size{};
    POINT Pos{};
    int HideLevel = 1;
};
thread_local CaretState Caret;
thread_local HCURSOR CurrentCursor{};

} // namespace

void ApplyInputState(int VirtualKey, bool Down)
{
    auto Apply = [Down](int Key) {
        if (Key <= 0 || Key > 255) return;
        BYTE &S = KeyStates[static_cast<std::size_t>(Key)];
        if (Down && !(S & 0x80)) S ^= 0x01;
        S = Down ? (S | 0x80) : (S & 0x7F);
    };
    Apply(VirtualKey);
    Apply(GenericKey(VirtualKey));
}

void ApplyAsyncState(int VirtualKey, bool Down)
{
    if (VirtualKey > 0 && VirtualKey < 256) AsyncDown[static_cast<std::size_t>(VirtualKey)] = Down;
    if (const int Generic = GenericKey(VirtualKey))
        AsyncDown[static_cast<std::size_t>(Generic)] = Down;
}

WPARAM MouseKeyFlags(const BYTE *States)
{
    WPARAM Flags = 0;
    if (States[VK_LBUTTON] & 0x80) Flags |= MK_LBUTTON;
    if (States[VK_RBUTTON] & 0x80) Flags |= MK_RBUTTON;
    if (States[VK_MBUTTON] & 0x80) Flags |= MK_MBUTTON;
    if (States[VK_SHIFT] & 0x80) Flags |= MK_SHIFT;
    if (States[VK_CONTROL] & 0x80) Flags |= MK_CONTROL;
    return Flags;
}

const BYTE *CurrentKeyStates()
{
    return KeyStates.data();
}

void ReleaseAllKeys()
{
    for (BYTE &S : KeyStates)
        S &= 0x7F;
    for (std::atomic<bool> &Down : AsyncDown)
        Down = false;
}

void SetLastCursorPos(POINT Point)
{
    LastCursor = (static_cast<std::int64_t>(Point.x) << 32) | static_cast<std::uint32_t>(Point.y);
}

} // namespace win

using namespace win;

SHORT GetKeyState(int VirtKey)
{
    if (VirtKey <= 0 || VirtKey > 255) return 0;
    const BYTE S = KeyStates[static_cast<std::size_t>(VirtKey)];
    return static_cast<SHORT>(((S & 0x80) ? 0x8000 : 0) | (S & 0x01));
}

SHORT GetAsyncKeyState(int VirtKey)
{
    if (VirtKey <= 0 || VirtKey > 255) return 0;
    return AsyncDown[static_cast<std::size_t>(VirtKey)] ? static_cast<SHORT>(0x8000) : 0;
}

// The position of the last mouse input the kernel saw; safe from any thread,
// which the animation worker relies on.
BOOL GetCursorPos(LPPOINT Point)
{
    if (!Point) return FALSE;
    const std::int64_t V = LastCursor;
    *Point = POINT{static_cast<LONG>(V >> 32), static_cast<LONG>(static_cast<std::int32_t>(V))};
    return TRUE;
}

BOOL SetCursorPos(int X, int Y)
{
    SetLastCursorPos(POINT{X, Y});
    if (GuiThread()) QCursor::setPos(X, Y);
    return TRUE;
}

// Cursor handles are the shapes' resource numbers; no other cursors exist.
HCURSOR LoadCursorW(HINSTANCE Instance, LPCWSTR Name)
{
    const auto Id = reinterpret_cast<ULONG_PTR>(Name);
    if (Instance || Id < 32512 || Id > 32651) return {};
    return HandleFromId<HCURSOR>(Id);
}

HCURSOR SetCursor(HCURSOR Cursor)
{
    const HCURSOR Old = CurrentCursor;
    CurrentCursor = Cursor;
    const HWND Capture = ThreadCapture();
    ApplyCursor(Capture ? FindWindow(Capture) : nullptr, Cursor, Capture != nullptr);
    return Old;
}

HCURSOR GetCursor()
{
    return CurrentCursor;
}

// The pointer cannot be confined under X11 through Qt; moving loops clamp their
// own positions instead.
BOOL ClipCursor(const RECT *)
{
    return TRUE;
}

BOOL CreateCaret(HWND Wnd, HBITMAP, int Width, int Height)
{
    if (!IsWindow(Wnd)) return FALSE;
    Caret = CaretState{Wnd, SIZE{Width, Height}, POINT{0, 0}, 1};
    return TRUE;
}

BOOL DestroyCaret()
{
    Caret = CaretState{};
    return TRUE;
}

BOOL SetCaretPos(int X, int Y)
{
    if (!Caret.Owner) return FALSE;
    Caret.Pos = POINT{X, Y};
    return TRUE;
}

BOOL GetCaretPos(LPPOINT Point)
{
    if (!Point) return FALSE;
    *Point = Caret.Pos;
    return TRUE;
}

// Controls draw their own caret; the kernel only keeps its place and visibility.
BOOL ShowCaret(HWND Wnd)
{
    if (!Caret.Owner || (Wnd && Wnd != Caret.Owner) || Caret.HideLevel == 0) return FALSE;
    --Caret.HideLevel;
    return TRUE;
}

BOOL HideCaret(HWND Wnd)
{
    if (!Caret.Owner || (Wnd && Wnd != Caret.Owner)) return FALSE;
    ++Caret.HideLevel;
    return TRUE;
}

BOOL MessageBeep(UINT)
{
    if (GuiThread()) QApplication::beep();
    return TRUE;
}

// No sound scheme is configured on this platform, so an alias never resolves
// and, with SND_NODEFAULT, nothing plays: the caller sees the "not played" answer.
BOOL PlaySoundW(LPCWSTR, HMODULE, DWORD)
{
    return FALSE;
}

namespace
{

// Scan codes of the PC keyboard's set 1 for the keys programs synthesise.
struct ScanEntry {
    int Vk;
    UINT Scan;
};
constexpr ScanEntry ScanCodes[] = {
    {VK_ESCAPE, 0x01}, {'1', 0x02},     {'2', 0x03},      {'3', 0x04},       {'4', 0x05},
    {'5', 0x06},       {'6', 0x07},     {'7', 0x08},      {'8', 0x09},       {'9', 0x0A},
    {'0', 0x0B},       {VK_BACK, 0x0E}, {VK_TAB, 0x0F},   {'Q', 0x10},       {'W', 0x11},
    {'E', 0x12},       {'R', 0x13},     {'T', 0x14},      {'Y', 0x15},       {'U', 0x16},
    {'I', 0x17},       {'O', 0x18},     {'P', 0x19},      {VK_RETURN, 0x1C}, {VK_CONTROL, 0x1D},
    {'A', 0x1E},       {'S', 0x1F},     {'D', 0x20},      {'F', 0x21},       {'G', 0x22},
    {'H', 0x23},       {'J', 0x24},     {'K', 0x25},      {'L', 0x26},       {VK_SHIFT, 0x2A},
    {'Z', 0x2C},       {'X', 0x2D},     {'C', 0x2E},      {'V', 0x2F},       {'B', 0x30},
    {'N', 0x31},       {'M', 0x32},     {VK_MENU, 0x38},  {VK_SPACE, 0x39},  {VK_F1, 0x3B},
    {VK_HOME, 0x47},   {VK_UP, 0x48},   {VK_PRIOR, 0x49}, {VK_LEFT, 0x4B},   {VK_RIGHT, 0x4D},
    {VK_END, 0x4F},    {VK_DOWN, 0x50}, {VK_NEXT, 0x51},  {VK_INSERT, 0x52}, {VK_DELETE, 0x53},
};

} // namespace

UINT MapVirtualKeyW(UINT Code, UINT MapType)
{
    for (const ScanEntry &E : ScanCodes) {
        if (MapType == MAPVK_VK_TO_VSC && static_cast<UINT>(E.Vk) == Code) return E.Scan;
        if (MapType == MAPVK_VSC_TO_VK && E.Scan == Code) return static_cast<UINT>(E.Vk);
    }
    if (MapType == MAPVK_VK_TO_CHAR &&
        ((Code >= '0' && Code <= '9') || (Code >= 'A' && Code <= 'Z')))
        return Code;
    return 0;
}

void keybd_event(BYTE VirtualKey, BYTE ScanCode, DWORD Flags, ULONG_PTR)
{
    win::KeyInput K;
    K.Down = !(Flags & KEYEVENTF_KEYUP);
    K.VirtualKey = VirtualKey;
    K.ScanCode = ScanCode;
    K.Extended = Flags & KEYEVENTF_EXTENDEDKEY;
    win::InjectKeyInput(K);
}
