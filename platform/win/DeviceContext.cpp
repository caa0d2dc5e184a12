#include "platform/win/DeviceContext.h"

#include "platform/win/HandleTable.h"
#include "platform/win/PrinterDevice.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QAbstractEventDispatcher>
#include <QPointer>

namespace win
{
namespace
{

THandleTable<HDC, DeviceContext> &Dcs()
{
    return ProcessWideTable<HDC, DeviceContext, 0x40000>();
}

QImage &ScreenScratch()
{
    static QImage Scratch(1, 1, QImage::Format_RGB32);
    return Scratch;
}

void SetBitmapSelection(HGDIOBJ Bitmap, int Delta)
{
    if (BitmapData *B = BitmapOf(Bitmap)) B->SelectedIn += Delta;
}

int Scale(int Value, int Numerator, int Denominator)
{
    // Most DCs map one to one, and every coordinate of every call comes through here.
    if (Numerator == Denominator || !Denominator) return Value;
    return MulDiv(Value, Numerator, Denominator);
}

// A widget is told of a DC's drawing when the DC is released or before Qt's event loop could
// paint, not once per call: a repaint of a grid is hundreds of calls.
struct Waiting {
    std::vector<HDC> Dcs;
    QPointer<QAbstractEventDispatcher> Hooked;
};

Waiting &ThisThread()
{
    thread_local Waiting Each;
    return Each;
}

void HookEventLoop(Waiting &W)
{
    QAbstractEventDispatcher *Loop = QAbstractEventDispatcher::instance();
    if (!Loop || W.Hooked == Loop) return;
    W.Hooked = Loop;
    QObject::connect(Loop, &QAbstractEventDispatcher::awake, [] { ShowDrawn(); });
    QObject::connect(Loop, &QAbstractEventDispatcher::aboutToBlock, [] { ShowDrawn(); });
}

void Show(DeviceContext &Dc)
{
    if (Window *W = FindWindow(Dc.Wnd)) UpdateWidget(*W, Dc.Unshown);
    Dc.Unshown = QRect();
}

qint64 Pixels(const QRect &R)
{
    return qint64(R.width()) * R.height();
}

// Drawings are told as the box around them while the box is at most twice what they covered;
// one away from the box has the box told first.
void Drawn(DeviceContext &Dc, const QRect &Area)
{
    if (Dc.Unshown.isEmpty()) {
        Waiting &W = ThisThread();
        W.Dcs.push_back(Dc.Handle);
        HookEventLoop(W);
    } else if (const QRect Box = Dc.Unshown | Area;
               Pixels(Box) <= 2 * (Dc.UnshownPixels + Pixels(Area))) {
        Dc.Unshown = Box;
        Dc.UnshownPixels += Pixels(Area);
        return;
    } else {
        Show(Dc);
    }
    Dc.Unshown = Area;
    Dc.UnshownPixels = Pixels(Area);
}

// The bounds cut by the DC's visible part and clip; rectangles are cut as rectangles.
QRegion Drawable(const QRect &Bounds, const DeviceContext &Dc, QPoint Origin)
{
    QRect Box = Bounds;
    std::optional<QRegion> Shape;
    for (const std::optional<QRegion> *Cut : {&Dc.Visible, &Dc.S.Clip}) {
        if (!*Cut) continue;
        if (!Shape && (*Cut)->rectCount() <= 1)
            Box &= (*Cut)->boundingRect().translated(Origin);
        else
            Shape = (Shape ? *Shape : QRegion(Box)) & (*Cut)->translated(Origin);
    }
    return Shape ? *Shape : QRegion(Box);
}

// The DCs of this thread that hold drawings back.
std::vector<HDC> &Holding()
{
    thread_local std::vector<HDC> Dcs;
    return Dcs;
}

// The DC is put as it was when the drawing was asked for, and back after.
class HeldState
{
public:
    HeldState(DeviceContext &Dc, HeldDrawing &Held) : FDc(Dc), FHeld(Held) { Swap(); }
    ~HeldState() { Swap(); }
    HeldState(const HeldState &) = delete;
    HeldState &operator=(const HeldState &) = delete;

private:
    void Swap()
    {
        std::swap(FDc.S, FHeld.S);
        std::swap(FDc.Visible, FHeld.Visible);
    }
    DeviceContext &FDc;
    HeldDrawing &FHeld;
};

void DrawHeldOf(DeviceContext &Dc)
{
    for (HeldDrawing &Held : std::exchange(Dc.Held, {})) {
        HeldState State(Dc, Held);
        Held.Draw(Dc);
    }
}

} // namespace

void HoldDrawing(DeviceContext &Dc, const QRect &DeviceBounds,
                 std::function<void(DeviceContext &)> Draw)
{
    if (Dc.Held.empty()) {
        Holding().push_back(Dc.Handle);
        // Done before the event loop may paint, as what was drawn is shown then.
        HookEventLoop(ThisThread());
    }
    const QRect Bounds = Drawable(DeviceBounds.translated(Dc.Origin), Dc, Dc.Origin).boundingRect();
    Dc.Held.push_back(HeldDrawing{Bounds, Dc.S, Dc.Visible, std::move(Draw)});
}

void DropCoveredDrawing(DeviceContext &Dc, const QRect &DeviceArea)
{
    if (Dc.Held.empty()) return;
    const QRegion Filled = Drawable(DeviceArea.translated(Dc.Origin), Dc, Dc.Origin);
    const bool Plain = Filled.rectCount() <= 1;
    std::erase_if(Dc.Held, [&](const HeldDrawing &Held) {
        return Plain ? Filled.boundingRect().contains(Held.Bounds)
                     : (QRegion(Held.Bounds) - Filled).isEmpty();
    });
    if (Dc.Held.empty()) std::erase(Holding(), Dc.Handle);
}

void DrawHeld(HWND Wnd)
{
    std::vector<HDC> &Dcs = Holding();
    if (Dcs.empty()) return;
    // Taken out first: the drawings themselves reach the surface through here.
    const auto Others = std::stable_partition(Dcs.begin(), Dcs.end(), [Wnd](HDC Handle) {
        const DeviceContext *Dc = FindDc(Handle);
        return Dc && Wnd && Dc->Wnd != Wnd;
    });
    const std::vector<HDC> Due(Others, Dcs.end());
    Dcs.erase(Others, Dcs.end());
    for (HDC Handle : Due)
        if (DeviceContext *Dc = FindDc(Handle)) DrawHeldOf(*Dc);
}

void ShowDrawn(HWND Wnd)
{
    DrawHeld(Wnd);
    std::erase_if(ThisThread().Dcs, [Wnd](HDC Handle) {
        DeviceContext *Dc = FindDc(Handle);
        if (!Dc) return true;
        if (Wnd && Dc->Wnd != Wnd) return false;
        Show(*Dc);
        return true;
    });
}

DeviceContext *FindDc(HDC Dc)
{
    return Dcs().Find(Dc);
}

HDC NewDc(DcKind Kind, HWND Wnd)
{
    auto Dc = std::make_unique<DeviceContext>();
    Dc->Kind = Kind;
    Dc->Wnd = Wnd;
    Dc->S.Pen = GetStockObject(BLACK_PEN);
    Dc->S.Brush = GetStockObject(WHITE_BRUSH);
    Dc->S.Font = GetStockObject(SYSTEM_FONT);
    Dc->S.Palette = GetStockObject(DEFAULT_PALETTE);
    if (Kind == DcKind::Memory) {
        Dc->S.Bitmap = DefaultBitmap();
        SetBitmapSelection(Dc->S.Bitmap, 1);
    }
    DeviceContext &Added = *Dc;
    Added.Handle = Dcs().Add(std::move(Dc));
    return Added.Handle;
}

void FreeDc(HDC Handle)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return;
    if (!Dc->Held.empty()) {
        std::erase(Holding(), Handle);
        DrawHeldOf(*Dc);
    }
    if (!Dc->Unshown.isEmpty()) {
        Show(*Dc);
        std::erase(ThisThread().Dcs, Handle);
    }
    SetBitmapSelection(Dc->S.Bitmap, -1);
    for (const DcState &S : Dc->Saved)
        SetBitmapSelection(S.Bitmap, -1);
    Dcs().Remove(Handle);
}

QPoint ToDevice(const DeviceContext &Dc, int X, int Y)
{
    const DcState &S = Dc.S;
    return QPoint(Scale(X - S.WindowOrg.x, S.ViewportExt.cx, S.WindowExt.cx) + S.ViewportOrg.x,
                  Scale(Y - S.WindowOrg.y, S.ViewportExt.cy, S.WindowExt.cy) + S.ViewportOrg.y);
}

QRect ToDevice(const DeviceContext &Dc, const RECT &R)
{
    const QPoint A = ToDevice(Dc, R.left, R.top), B = ToDevice(Dc, R.right, R.bottom);
    return QRect(QPoint(std::min(A.x(), B.x()), std::min(A.y(), B.y())),
                 QPoint(std::max(A.x(), B.x()) - 1, std::max(A.y(), B.y()) - 1));
}

QPoint ToLogical(const DeviceContext &Dc, int X, int Y)
{
    const DcState &S = Dc.S;
    return QPoint(Scale(X - S.ViewportOrg.x, S.WindowExt.cx, S.ViewportExt.cx) + S.WindowOrg.x,
                  Scale(Y - S.ViewportOrg.y, S.WindowExt.cy, S.ViewportExt.cy) + S.WindowOrg.y);
}

double ScaleX(const DeviceContext &Dc)
{
    return Dc.S.WindowExt.cx ? std::abs(double(Dc.S.ViewportExt.cx) / Dc.S.WindowExt.cx) : 1.0;
}

double ScaleY(const DeviceContext &Dc)
{
    return Dc.S.WindowExt.cy ? std::abs(double(Dc.S.ViewportExt.cy) / Dc.S.WindowExt.cy) : 1.0;
}

QImage *TargetImage(DeviceContext &Dc, QPoint *Origin, BitmapData **Bitmap)
{
    *Origin = QPoint(0, 0);
    *Bitmap = nullptr;
    switch (Dc.Kind) {
    case DcKind::Memory:
        *Bitmap = BitmapOf(Dc.S.Bitmap);
        return *Bitmap ? &(*Bitmap)->Image : nullptr;
    case DcKind::Window: {
        Window *W = FindWindow(Dc.Wnd);
        if (!W || SurfaceOf(*W).isNull()) return nullptr;
        *Origin = Dc.Origin;
        return &W->Surface;
    }
    case DcKind::Screen:
        return &ScreenScratch();
    case DcKind::Printer:
        return nullptr;
    }
    return nullptr;
}

DrawScope::DrawScope(DeviceContext &Dc, const QRect &DeviceArea) : FDc(Dc)
{
    Init(Dc, DeviceArea);
}

DrawScope::DrawScope(DeviceContext &Dc) : FDc(Dc)
{
    Init(Dc, QRect());
}

void DrawScope::Init(DeviceContext &Dc, const QRect &DeviceArea)
{
    QRect Bounds;
    if (Dc.Kind == DcKind::Printer) {
        FVector = Dc.Print->Page();
        if (!FVector) return;
        Bounds = QRect(QPoint(0, 0), Dc.Print->PagePixels());
    } else {
        FImage = TargetImage(Dc, &FOrigin, &FBitmap);
        if (!FImage) return;
        Bounds = FImage->rect();
    }
    if (FBitmap) Bounds = Bounds.intersected(QRect(0, 0, FBitmap->Width, FBitmap->Height));
    FClip = Drawable(Bounds, Dc, FOrigin);
    FArea = DeviceArea.isValid() ? DeviceArea.translated(FOrigin).intersected(FClip.boundingRect())
                                 : FClip.boundingRect();
    if (FArea.isEmpty()) {
        FClip = QRegion();
        return;
    }
    if (FBitmap) FBitmap->Pull(FArea);
    if (DeviceArea.isValid()) FWanted = DeviceArea.translated(FOrigin);
    FUncut = (FClip.rectCount() == 1 && FClip.boundingRect() == Bounds) || Inside(FClip);
}

bool DrawScope::Inside(const QRegion &Clip) const
{
    if (!FWanted) return false;
    if (Clip.rectCount() == 1) return Clip.boundingRect().contains(*FWanted);
    return (QRegion(*FWanted) - Clip).isEmpty();
}

DrawScope::~DrawScope()
{
    FPainter.reset();
    if (!FImage || FArea.isEmpty()) return;
    if (FBitmap) FBitmap->Push(FArea);
    if (FDc.Kind == DcKind::Window) Drawn(FDc, FArea);
}

QRegion DrawScope::Parts(const QRect &DeviceRect) const
{
    const QRect Wanted = DeviceRect.translated(FOrigin);
    if (FClip.rectCount() == 1) return QRegion(Wanted & FClip.boundingRect());
    return FClip & QRegion(Wanted);
}

void DrawScope::Confine(const QRect &DeviceRect)
{
    const QRegion Narrowed = Parts(DeviceRect);
    if (Narrowed == FClip) return;
    FClip = Narrowed;
    FUncut = FUncut && Inside(Narrowed);
}

QPainter &DrawScope::Painter()
{
    if (FVector) {
        // A PDF page restates its graphics state with every change of the clip, and repeats
        // a clip path with every other change: none where it would cut nothing.
        if (!FVectorReady) FDc.Print->Drawing(FUncut ? nullptr : &FClip);
        FVectorReady = true;
        return *FVector;
    }
    if (!FPainter) {
        FPainter.emplace(FImage);
        FPainter->setRenderHint(QPainter::Antialiasing, false);
        FPainter->setRenderHint(QPainter::TextAntialiasing, false);
        FPainter->setClipRegion(FClip);
        FPainter->translate(FOrigin);
    }
    return *FPainter;
}

} // namespace win

using namespace win;

HDC CreateCompatibleDC(HDC)
{
    return NewDc(DcKind::Memory, {});
}

BOOL DeleteDC(HDC Dc)
{
    if (!FindDc(Dc)) return FALSE;
    FreeDc(Dc);
    return TRUE;
}

int SaveDC(HDC Handle)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return 0;
    Dc->Saved.push_back(Dc->S);
    SetBitmapSelection(Dc->S.Bitmap, 1);
    return static_cast<int>(Dc->Saved.size());
}

BOOL RestoreDC(HDC Handle, int SavedDc)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    const int Depth = static_cast<int>(Dc->Saved.size());
    const int Level = SavedDc < 0 ? Depth + SavedDc + 1 : SavedDc;
    if (Level < 1 || Level > Depth) return FALSE;
    while (static_cast<int>(Dc->Saved.size()) > Level) {
        SetBitmapSelection(Dc->Saved.back().Bitmap, -1);
        Dc->Saved.pop_back();
    }
    SetBitmapSelection(Dc->S.Bitmap, -1);
    Dc->S = Dc->Saved.back();
    Dc->Saved.pop_back();
    return TRUE;
}

int GetDeviceCaps(HDC Handle, int Index)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return 0;
    if (Dc->Kind == DcKind::Printer && Dc->Print) {
        if (const int Value = PrinterCaps(*Dc, Index)) return Value;
    }
    switch (Index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return Dc->Dpi;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case SIZEPALETTE:
    case RASTERCAPS:
        return 0;
    case TECHNOLOGY:
        return Dc->Kind == DcKind::Printer || Dc->PrinterPage ? DT_RASPRINTER : DT_RASDISPLAY;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return 0;
    case HORZRES:
    case PHYSICALWIDTH:
    case VERTRES:
    case PHYSICALHEIGHT:
        if (const BitmapData *B = Dc->PrinterPage ? BitmapOf(Dc->S.Bitmap) : nullptr)
            return (Index == HORZRES || Index == PHYSICALWIDTH) ? B->Width : B->Height;
        break;
    default:
        break;
    }
    switch (Index) {
    case HORZRES:
    case PHYSICALWIDTH:
        return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
    case PHYSICALHEIGHT:
        return GetSystemMetrics(SM_CYSCREEN);
    default:
        return 0;
    }
}

HGDIOBJ SelectObject(HDC Handle, HGDIOBJ Object)
{
    DeviceContext *Dc = FindDc(Handle);
    GdiObject *O = FindObject(Object);
    if (!Dc || !O) return {};
    auto Swap = [](HGDIOBJ &Slot, HGDIOBJ Value) {
        const HGDIOBJ Old = Slot;
        Slot = Value;
        return Old;
    };
    switch (O->Kind) {
    case GdiKind::Pen:
        return Swap(Dc->S.Pen, Object);
    case GdiKind::Brush:
        return Swap(Dc->S.Brush, Object);
    case GdiKind::Font:
        return Swap(Dc->S.Font, Object);
    case GdiKind::Palette:
        return Swap(Dc->S.Palette, Object);
    case GdiKind::Region:
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(SelectClipRgn(Handle, Object)));
    case GdiKind::Bitmap: {
        if (Dc->Kind != DcKind::Memory) return {};
        if (Dc->S.Bitmap == Object) return Object;
        if (O->Bitmap->SelectedIn > 0 && !O->Stock) return {};
        SetBitmapSelection(Object, 1);
        SetBitmapSelection(Dc->S.Bitmap, -1);
        return Swap(Dc->S.Bitmap, Object);
    }
    }
    return {};
}

HGDIOBJ GetCurrentObject(HDC Handle, UINT Type)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return {};
    switch (Type) {
    case OBJ_PEN:
        return Dc->S.Pen;
    case OBJ_BRUSH:
        return Dc->S.Brush;
    case OBJ_FONT:
        return Dc->S.Font;
    case OBJ_BITMAP:
        return Dc->S.Bitmap;
    case OBJ_PAL:
        return Dc->S.Palette;
    default:
        return {};
    }
}

namespace
{

template <typename T, typename Field>
T SetField(HDC Handle, Field DcState::*Member, T Value, T Fail)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return Fail;
    const T Old = static_cast<T>(Dc->S.*Member);
    Dc->S.*Member = static_cast<Field>(Value);
    return Old;
}

template <typename T, typename Field> T GetField(HDC Handle, Field DcState::*Member, T Fail)
{
    const DeviceContext *Dc = FindDc(Handle);
    return Dc ? static_cast<T>(Dc->S.*Member) : Fail;
}

BOOL SetPoint(HDC Handle, POINT DcState::*Member, int X, int Y, LPPOINT Old, bool Offset)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    POINT &P = Dc->S.*Member;
    if (Old) *Old = P;
    P = Offset ? POINT{P.x + X, P.y + Y} : POINT{X, Y};
    return TRUE;
}

BOOL GetPoint(HDC Handle, POINT DcState::*Member, LPPOINT Out)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Out) return FALSE;
    *Out = Dc->S.*Member;
    return TRUE;
}

BOOL SetExtent(HDC Handle, SIZE DcState::*Member, int X, int Y, LPSIZE Old)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || X == 0 || Y == 0) return FALSE;
    if (Old) *Old = Dc->S.*Member;
    if (Dc->S.MapMode == MM_ISOTROPIC || Dc->S.MapMode == MM_ANISOTROPIC)
        Dc->S.*Member = SIZE{X, Y};
    return TRUE;
}

} // namespace

COLORREF SetTextColor(HDC Dc, COLORREF Color)
{
    return SetField(Dc, &DcState::TextColor, Color, CLR_INVALID);
}
COLORREF GetTextColor(HDC Dc)
{
    return GetField(Dc, &DcState::TextColor, CLR_INVALID);
}
COLORREF SetBkColor(HDC Dc, COLORREF Color)
{
    return SetField(Dc, &DcState::BkColor, Color, CLR_INVALID);
}
COLORREF GetBkColor(HDC Dc)
{
    return GetField(Dc, &DcState::BkColor, CLR_INVALID);
}
int SetBkMode(HDC Dc, int Mode)
{
    return (Mode == TRANSPARENT || Mode == OPAQUE) ? SetField(Dc, &DcState::BkMode, Mode, 0) : 0;
}
int GetBkMode(HDC Dc)
{
    return GetField(Dc, &DcState::BkMode, 0);
}
UINT SetTextAlign(HDC Dc, UINT Align)
{
    return SetField(Dc, &DcState::TextAlign, Align, GDI_ERROR);
}
UINT GetTextAlign(HDC Dc)
{
    return GetField(Dc, &DcState::TextAlign, GDI_ERROR);
}
int SetROP2(HDC Dc, int Rop2)
{
    return (Rop2 >= R2_BLACK && Rop2 <= R2_WHITE) ? SetField(Dc, &DcState::Rop2, Rop2, 0) : 0;
}
int GetROP2(HDC Dc)
{
    return GetField(Dc, &DcState::Rop2, 0);
}
int SetStretchBltMode(HDC Dc, int Mode)
{
    return SetField(Dc, &DcState::StretchMode, Mode, 0);
}
int GetStretchBltMode(HDC Dc)
{
    return GetField(Dc, &DcState::StretchMode, 0);
}
int SetPolyFillMode(HDC Dc, int Mode)
{
    return SetField(Dc, &DcState::PolyFillMode, Mode, 0);
}
int SetTextCharacterExtra(HDC Dc, int Extra)
{
    return SetField(Dc, &DcState::CharExtra, Extra, static_cast<int>(0x80000000));
}
COLORREF SetDCBrushColor(HDC Dc, COLORREF Color)
{
    const COLORREF Old = SetField(Dc, &DcState::DcBrushColor, Color, CLR_INVALID);
    if (Old != CLR_INVALID) BrushOf(GetStockObject(DC_BRUSH))->Color = Color;
    return Old;
}
COLORREF SetDCPenColor(HDC Dc, COLORREF Color)
{
    const COLORREF Old = SetField(Dc, &DcState::DcPenColor, Color, CLR_INVALID);
    if (Old != CLR_INVALID) PenOf(GetStockObject(DC_PEN))->Color = Color;
    return Old;
}

int SetMapMode(HDC Handle, int Mode)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || Mode < MM_TEXT || Mode > MM_ANISOTROPIC) return 0;
    const int Old = Dc->S.MapMode;
    Dc->S.MapMode = Mode;
    // Units per inch of the metric and English modes; y grows upwards in them.
    int PerInch = 0;
    switch (Mode) {
    case MM_LOMETRIC:
        PerInch = 254;
        break;
    case MM_HIMETRIC:
        PerInch = 2540;
        break;
    case MM_LOENGLISH:
        PerInch = 100;
        break;
    case MM_HIENGLISH:
        PerInch = 1000;
        break;
    case MM_TWIPS:
        PerInch = 1440;
        break;
    default:
        break;
    }
    if (Mode == MM_TEXT) {
        Dc->S.WindowExt = SIZE{1, 1};
        Dc->S.ViewportExt = SIZE{1, 1};
    } else if (PerInch) {
        Dc->S.WindowExt = SIZE{PerInch, PerInch};
        Dc->S.ViewportExt = SIZE{96, -96};
    }
    return Old;
}

int GetMapMode(HDC Dc)
{
    return GetField(Dc, &DcState::MapMode, 0);
}
BOOL SetWindowOrgEx(HDC Dc, int X, int Y, LPPOINT Old)
{
    return SetPoint(Dc, &DcState::WindowOrg, X, Y, Old, false);
}
BOOL GetWindowOrgEx(HDC Dc, LPPOINT P)
{
    return GetPoint(Dc, &DcState::WindowOrg, P);
}
BOOL SetViewportOrgEx(HDC Dc, int X, int Y, LPPOINT Old)
{
    return SetPoint(Dc, &DcState::ViewportOrg, X, Y, Old, false);
}
BOOL GetViewportOrgEx(HDC Dc, LPPOINT P)
{
    return GetPoint(Dc, &DcState::ViewportOrg, P);
}
BOOL OffsetWindowOrgEx(HDC Dc, int X, int Y, LPPOINT Old)
{
    return SetPoint(Dc, &DcState::WindowOrg, X, Y, Old, true);
}
BOOL OffsetViewportOrgEx(HDC Dc, int X, int Y, LPPOINT Old)
{
    return SetPoint(Dc, &DcState::ViewportOrg, X, Y, Old, true);
}
BOOL SetBrushOrgEx(HDC Dc, int X, int Y, LPPOINT Old)
{
    return SetPoint(Dc, &DcState::BrushOrg, X, Y, Old, false);
}
BOOL GetBrushOrgEx(HDC Dc, LPPOINT P)
{
    return GetPoint(Dc, &DcState::BrushOrg, P);
}
BOOL SetWindowExtEx(HDC Dc, int X, int Y, LPSIZE Old)
{
    return SetExtent(Dc, &DcState::WindowExt, X, Y, Old);
}
BOOL SetViewportExtEx(HDC Dc, int X, int Y, LPSIZE Old)
{
    return SetExtent(Dc, &DcState::ViewportExt, X, Y, Old);
}

BOOL GetWindowExtEx(HDC Handle, LPSIZE Size)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Size) return FALSE;
    *Size = Dc->S.WindowExt;
    return TRUE;
}

BOOL GetViewportExtEx(HDC Handle, LPSIZE Size)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Size) return FALSE;
    *Size = Dc->S.ViewportExt;
    return TRUE;
}

BOOL LPtoDP(HDC Handle, LPPOINT Points, int Count)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    for (int I = 0; I < Count; ++I) {
        const QPoint P = ToDevice(*Dc, Points[I].x, Points[I].y);
        Points[I] = POINT{P.x(), P.y()};
    }
    return TRUE;
}

BOOL DPtoLP(HDC Handle, LPPOINT Points, int Count)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    for (int I = 0; I < Count; ++I) {
        const QPoint P = ToLogical(*Dc, Points[I].x, Points[I].y);
        Points[I] = POINT{P.x(), P.y()};
    }
    return TRUE;
}

// Drawing is immediate; nothing is batched.
BOOL GdiFlush()
{
    return TRUE;
}

COLORREF GetNearestColor(HDC Dc, COLORREF Color)
{
    return FindDc(Dc) ? (Color & 0xFFFFFF) : CLR_INVALID;
}

namespace win
{

HDC CreatePageDC(int Width, int Height, int Dpi)
{
    if (Width <= 0 || Height <= 0 || Dpi <= 0) return {};
    const HDC Dc = NewDc(DcKind::Memory, {});
    const HBITMAP Page = CreateBitmap(Width, Height, 1, 32, nullptr);
    BitmapOf(Page)->Image.fill(Qt::white);
    SelectObject(Dc, Page);
    DeviceContext *D = FindDc(Dc);
    D->Dpi = Dpi;
    D->PrinterPage = true;
    return Dc;
}

void DeletePageDC(HDC Dc)
{
    const DeviceContext *D = FindDc(Dc);
    if (!D || !D->PrinterPage) return;
    const HGDIOBJ Page = SelectObject(Dc, DefaultBitmap());
    DeleteObject(Page);
    DeleteDC(Dc);
}

} // namespace win
