#include "menus/TB2Common.h"

#include "platform/rtl/Registry.h"
#include "platform/vcl/Forms.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

bool MethodsEqual(const TTBMethod &M1, const TTBMethod &M2)
{
    return M1.Object == M2.Object && M1.Proc.target_type() == M2.Proc.target_type();
}

void TTBChangeHandlers::Register(TObject *Receiver, const TNotifyEvent &Proc)
{
    AddToList(FHandlers, TTBMethod{Receiver, Proc});
}

void TTBChangeHandlers::Unregister(TObject *Receiver)
{
    std::erase_if(FHandlers, [&](const TTBMethod &Method) { return Method.Object == Receiver; });
}

void TTBChangeHandlers::Notify(TObject *Sender) const
{
    for (const TTBMethod &Method : std::vector(FHandlers))
        Method.Proc(Sender);
}

bool ApplicationIsActive()
{
    return GetActiveWindow() != HWND{};
}

int DivRoundUp(int X, int Y)
{
    const int Quotient = X / Y;
    if (X % Y == 0) return Quotient;
    // A zero quotient takes its sign from the operands, so -1 / 3 rounds to -1.
    return (X < 0) != (Y < 0) ? Quotient - 1 : Quotient + 1;
}

int GetTextHeight(HDC DC)
{
    TEXTMETRICW Metrics{};
    GetTextMetricsW(DC, &Metrics);
    return Metrics.tmHeight;
}

AnsiString StripAccelChars(const AnsiString &S)
{
    AnsiString Result;
    for (int I = 1; I <= S.Length(); ++I) {
        if (S[I] == '&') {
            if (I == S.Length()) break;
            ++I;
        }
        Result += S[I];
    }
    return Result;
}

int GetTextWidth(HDC DC, AnsiString S, bool Prefix)
{
    if (Prefix) S = StripAccelChars(S);
    SIZE Size{};
    GetTextExtentPoint32A(DC, S.c_str(), S.Length(), &Size);
    return Size.cx;
}

char FindAccelChar(const AnsiString &S)
{
    return AccelCharOf(S);
}

namespace
{

// Takes queued messages of a range; a WM_QUIT met on the way is posted again and ends it.
void TakeMessages(UINT Min, UINT Max, bool Dispatch)
{
    MSG Msg{};
    while (PeekMessageW(&Msg, {}, Min, Max, PM_REMOVE)) {
        if (Msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            return;
        }
        if (Dispatch) DispatchMessageW(&Msg);
    }
}

} // namespace

void ProcessPaintMessages()
{
    TakeMessages(WM_PAINT, WM_PAINT, true);
}

void RemoveMessages(UINT Min, UINT Max)
{
    TakeMessages(Min, Max, false);
}

void HandleWMPrint(HWND Wnd, TMessage &Message, const TNCPaintProc &NCPaintProc)
{
    Message.Result = 1;
    if ((Message.LParam & PRF_CHECKVISIBLE) && !IsWindowVisible(Wnd)) return;
    const auto DC = reinterpret_cast<HDC>(Message.WParam);
    const int Saved = SaveDC(DC);
    const bool NonClient = Message.LParam & PRF_NONCLIENT;
    if (NonClient && NCPaintProc) {
        const int FrameSaved = SaveDC(DC);
        NCPaintProc(Wnd, DC);
        RestoreDC(DC, FrameSaved);
    }
    if (Message.LParam & PRF_CLIENT) {
        if (NonClient) {
            RECT Window{}, Client{};
            GetWindowRect(Wnd, &Window);
            GetClientRect(Wnd, &Client);
            MapWindowPoints(Wnd, {}, reinterpret_cast<POINT *>(&Client), 2);
            OffsetViewportOrgEx(DC, Client.left - Window.left, Client.top - Window.top, nullptr);
        }
        if (Message.LParam & PRF_ERASEBKGND) SendMessageW(Wnd, WM_ERASEBKGND, Message.WParam, 0);
        SendMessageW(Wnd, WM_PRINTCLIENT, Message.WParam, Message.LParam);
    }
    RestoreDC(DC, Saved);
}

void HandleWMPrintClient(TWinControl *Control, TMessage &Message)
{
    const auto DC = reinterpret_cast<HDC>(Message.WParam);
    const int Saved = SaveDC(DC);
    Control->Perform(WM_PAINT, Message.WParam, 0);
    RestoreDC(DC, Saved);
}

void SelectNCUpdateRgn(HWND Wnd, HDC DC, HRGN Rgn)
{
    const auto Value = reinterpret_cast<std::uintptr_t>(Rgn);
    if (Value == 0 || Value == 1) return;
    RECT R{};
    GetWindowRect(Wnd, &R);
    if (SelectClipRgn(DC, Rgn) == ERROR) {
        HRGN Whole = CreateRectRgnIndirect(&R);
        SelectClipRgn(DC, Whole);
        DeleteObject(Whole);
    }
    OffsetClipRgn(DC, -R.left, -R.top);
}

int ReadMenuShowDelayValue()
{
    TRegistry Registry(KEY_READ);
    Registry.SetRootKey(HKEY_CURRENT_USER);
    if (!Registry.OpenKeyReadOnly("Control Panel\\Desktop")) return 400;
    if (!Registry.ValueExists("MenuShowDelay")) return 400;
    if (Registry.GetDataType("MenuShowDelay") != rdString) return 0;
    const AnsiString Text = Registry.ReadString("MenuShowDelay").SubString(1, 32);
    return Text.ToIntDef(0);
}

int GetMenuShowDelay()
{
    int Delay = 0;
    if (!SystemParametersInfoW(SPI_GETMENUSHOWDELAY, 0, &Delay, 0)) {
        static const int Cached = ReadMenuShowDelayValue();
        Delay = Cached;
    }
    return Delay < 0 ? 0 : Delay;
}

namespace
{

bool SystemFlag(UINT Action, bool Failed)
{
    BOOL Value = FALSE;
    if (!SystemParametersInfoW(Action, 0, &Value, 0)) return Failed;
    return Value != FALSE;
}

} // namespace

bool CallTrackMouseEvent(HWND Wnd, DWORD Flags)
{
    TRACKMOUSEEVENT Track{sizeof(TRACKMOUSEEVENT), Flags, Wnd, 0};
    return TrackMouseEvent(&Track) != FALSE;
}

bool AreFlatMenusEnabled()
{
    return IsWindowsXP() && SystemFlag(SPI_GETFLATMENU, false);
}

bool AreKeyboardCuesEnabled()
{
    return SystemFlag(SPI_GETKEYBOARDCUES, true);
}

bool IsWindowsXP()
{
    OSVERSIONINFOW Info{};
    Info.dwOSVersionInfoSize = sizeof(Info);
    if (!GetVersionExW(&Info)) return false;
    return Info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (Info.dwMajorVersion > 5 || (Info.dwMajorVersion == 5 && Info.dwMinorVersion >= 1));
}

bool NeedToPlaySound(const AnsiString &Alias)
{
    TRegistry Registry(KEY_READ);
    Registry.SetRootKey(HKEY_CURRENT_USER);
    if (!Registry.OpenKeyReadOnly("AppEvents\\Schemes\\Apps\\.Default\\" + Alias + "\\.Current"))
        return false;
    return Registry.GetDataType("") == rdString && !Registry.ReadString("").IsEmpty();
}

void PlaySystemSound(const AnsiString &Alias)
{
    if (!NeedToPlaySound(Alias)) return;
    const WideString Name(Alias);
    PlaySoundW(reinterpret_cast<LPCWSTR>(Name.c_bstr()), {},
               SND_ALIAS | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

TRect GetRectOfPrimaryMonitor(bool WorkArea)
{
    RECT R{};
    if (WorkArea && SystemParametersInfoW(SPI_GETWORKAREA, 0, &R, 0)) return R;
    return TRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool UsingMultipleMonitors()
{
    return GetSystemMetrics(SM_CMONITORS) > 1;
}

namespace
{

TRect MonitorRect(HMONITOR Monitor, bool WorkArea)
{
    MONITORINFO Info{};
    Info.cbSize = sizeof(Info);
    if (!Monitor || !GetMonitorInfoW(Monitor, &Info)) return GetRectOfPrimaryMonitor(WorkArea);
    return WorkArea ? Info.rcWork : Info.rcMonitor;
}

} // namespace

TRect GetRectOfMonitorContainingRect(const TRect &R, bool WorkArea)
{
    if (!UsingMultipleMonitors()) return GetRectOfPrimaryMonitor(WorkArea);
    const RECT Area = R;
    return MonitorRect(MonitorFromRect(&Area, MONITOR_DEFAULTTONEAREST), WorkArea);
}

TRect GetRectOfMonitorContainingPoint(const TPoint &P, bool WorkArea)
{
    if (!UsingMultipleMonitors()) return GetRectOfPrimaryMonitor(WorkArea);
    return MonitorRect(MonitorFromPoint(POINT{P.X, P.Y}, MONITOR_DEFAULTTONEAREST), WorkArea);
}

TRect GetRectOfMonitorContainingWindow(HWND Wnd, bool WorkArea)
{
    if (!UsingMultipleMonitors()) return GetRectOfPrimaryMonitor(WorkArea);
    return MonitorRect(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), WorkArea);
}

HRGN CreateNullRegion()
{
    return CreateRectRgn(0, 0, 0, 0);
}

namespace
{

// Text top to bottom: the escapement of a font turned 270 degrees.
constexpr LONG RotatedEscapement = 2700;

// Faces drawn from bitmaps cannot turn; their TrueType twin can.
bool IsBitmapSansFace(const std::u16string &Face)
{
    return Face == u"MS Sans Serif" || Face == u"Microsoft Sans Serif";
}

// A face whose vertical variant the system has ("@" before its name) uses that variant.
std::u16string RotatedFace(std::u16string Face)
{
    if (IsBitmapSansFace(Face)) Face = u"Arial";
    const std::u16string Vertical = u"@" + Face;
    if (Face.size() < LF_FACESIZE - 1 &&
        Screen->Fonts()->IndexOf(AnsiString(WideString(Vertical))) >= 0)
        return Vertical;
    return Face;
}

// The place of the accelerator in the text without its marks, from 0; -1 for none.
int AccelCharIndex(const AnsiString &S)
{
    int Result = -1, Shown = 0;
    for (int I = 1; I <= S.Length(); ++I, ++Shown)
        if (S[I] == '&') {
            if (I == S.Length()) break;
            ++I;
            if (S[I] != '&') Result = Shown;
        }
    return Result;
}

} // namespace

HBRUSH CreateHalftoneBrush()
{
    static constexpr WORD Pattern[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA,
                                        0x5555, 0xAAAA, 0x5555, 0xAAAA};
    const HBITMAP Bitmap = CreateBitmap(8, 8, 1, 1, Pattern);
    const HBRUSH Brush = CreatePatternBrush(Bitmap);
    DeleteObject(Bitmap);
    return Brush;
}

namespace
{

// The frame Size thick inside R; an empty region for no rectangle.
HRGN FrameRegion(const RECT *R, SIZE Size)
{
    if (!R) return CreateNullRegion();
    const HRGN Frame = CreateRectRgnIndirect(R);
    RECT Inner = *R;
    InflateRect(&Inner, -Size.cx, -Size.cy);
    if (Inner.right > Inner.left && Inner.bottom > Inner.top) {
        const HRGN Hole = CreateRectRgnIndirect(&Inner);
        CombineRgn(Frame, Frame, Hole, RGN_DIFF);
        DeleteObject(Hole);
    }
    return Frame;
}

void InvertRegion(HDC DC, HRGN Region, HBRUSH Brush)
{
    SelectClipRgn(DC, Region);
    RECT Box;
    GetClipBox(DC, &Box);
    const HGDIOBJ Old = SelectObject(DC, Brush);
    PatBlt(DC, Box.left, Box.top, Box.right - Box.left, Box.bottom - Box.top, PATINVERT);
    SelectObject(DC, Old);
    SelectClipRgn(DC, nullptr);
}

} // namespace

void DrawInvertRect(HDC DC, const RECT *NewRect, const RECT *OldRect, SIZE NewSize, SIZE OldSize,
                    HBRUSH Brush, HBRUSH LastBrush)
{
    const HBRUSH Halftone = (!Brush || !LastBrush) ? CreateHalftoneBrush() : HBRUSH{};
    if (!Brush) Brush = Halftone;
    if (!LastBrush) LastBrush = Halftone;
    const HRGN New = FrameRegion(NewRect, NewSize);
    const HRGN Old = FrameRegion(OldRect, OldSize);
    if (Brush == LastBrush) {
        CombineRgn(New, New, Old, RGN_XOR);
        InvertRegion(DC, New, Brush);
    } else {
        InvertRegion(DC, Old, LastBrush);
        InvertRegion(DC, New, Brush);
    }
    DeleteObject(New);
    DeleteObject(Old);
    if (Halftone) DeleteObject(Halftone);
}

void DrawHalftoneInvertRect(HDC DC, const RECT *NewRect, const RECT *OldRect, SIZE NewSize,
                            SIZE OldSize)
{
    DrawInvertRect(DC, NewRect, OldRect, NewSize, OldSize, {}, {});
}

HFONT CreateRotatedFont(HDC DC)
{
    LOGFONTW Font{};
    GetObjectW(GetCurrentObject(DC, OBJ_FONT), sizeof Font, &Font);
    Font.lfEscapement = RotatedEscapement;
    Font.lfOrientation = RotatedEscapement;
    Font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    const std::u16string Face = RotatedFace(Font.lfFaceName);
    std::fill(std::begin(Font.lfFaceName), std::end(Font.lfFaceName), u'\0');
    std::copy(Face.begin(), Face.end(), Font.lfFaceName);
    return CreateFontIndirectW(&Font);
}

// The turned text's cell has its top-left corner at the reference point and lies left of
// it: its top faces right, its baseline runs down.
void DrawRotatedText(HDC DC, const AnsiString &S, const TRect &ARect, UINT Format)
{
    const AnsiString Shown = StripAccelChars(S);
    TEXTMETRICW Metrics{};
    GetTextMetricsW(DC, &Metrics);
    const int Length = GetTextWidth(DC, Shown, false);
    const int X = (ARect.Left + ARect.Right + Metrics.tmHeight) / 2;
    const int Y = (ARect.Top + ARect.Bottom - Length) / 2;
    TextOutA(DC, X, Y, Shown.c_str(), Shown.Length());

    const int Accel = AccelCharIndex(S);
    if (Accel < 0 || (Format & DT_HIDEPREFIX)) return;
    const int Before = GetTextWidth(DC, Shown.SubString(1, Accel), false);
    const int Width = GetTextWidth(DC, Shown.SubString(Accel + 1, 1), false);
    const HPEN Pen = CreatePen(PS_SOLID, 1, GetTextColor(DC));
    const HGDIOBJ OldPen = SelectObject(DC, Pen);
    const int LineX = X - Metrics.tmAscent - 1;
    MoveToEx(DC, LineX, Y + Before, nullptr);
    LineTo(DC, LineX, Y + Before + Width);
    SelectObject(DC, OldPen);
    DeleteObject(Pen);
}

namespace
{

void ReadMenuFont(TFont &Font)
{
    NONCLIENTMETRICSW Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0)) return;
    const LOGFONTW &Menu = Metrics.lfMenuFont;
    TFont Fresh;
    Fresh.SetName(AnsiString(WideString(std::u16string_view(Menu.lfFaceName))));
    Fresh.SetHeight(Menu.lfHeight);
    Fresh.SetCharset(Menu.lfCharSet);
    TFontStyles Style;
    if (Menu.lfWeight >= FW_BOLD) Style << fsBold;
    if (Menu.lfItalic) Style << fsItalic;
    if (Menu.lfUnderline) Style << fsUnderline;
    if (Menu.lfStrikeOut) Style << fsStrikeOut;
    Fresh.SetStyle(Style);
    // One assignment, so whoever watches the font hears of the change once.
    Font.Assign(&Fresh);
}

} // namespace

TFont *ToolbarFont()
{
    static const std::unique_ptr<TFont> Font = [] {
        auto Result = std::make_unique<TFont>();
        ReadMenuFont(*Result);
        return Result;
    }();
    return Font.get();
}

void TBInitToolbarSystemFont()
{
    ReadMenuFont(*ToolbarFont());
}
