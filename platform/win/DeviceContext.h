#pragma once
// Device contexts and the drawing scope every GDI call goes through. Internal.

#include "platform/win/GdiObjects.h"

#include <QPainter>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>

namespace win
{

struct DcState {
    POINT WindowOrg{0, 0};
    POINT ViewportOrg{0, 0};
    SIZE WindowExt{1, 1};
    SIZE ViewportExt{1, 1};
    POINT BrushOrg{0, 0};
    POINT Position{0, 0};
    std::optional<QRegion> Clip; // device coordinates
    COLORREF TextColor = 0;
    COLORREF BkColor = RGB(255, 255, 255);
    COLORREF DcBrushColor = RGB(255, 255, 255);
    COLORREF DcPenColor = 0;
    int BkMode = OPAQUE;
    UINT TextAlign = TA_LEFT | TA_TOP;
    int Rop2 = R2_COPYPEN;
    int StretchMode = BLACKONWHITE;
    int MapMode = MM_TEXT;
    int PolyFillMode = ALTERNATE;
    int CharExtra = 0;
    HGDIOBJ Pen{};
    HGDIOBJ Brush{};
    HGDIOBJ Font{};
    HGDIOBJ Bitmap{};
    HGDIOBJ Palette{};
};

struct DeviceContext;

// A drawing on a window DC that waits to be done, with the DC's state it was asked with.
struct HeldDrawing {
    QRect Bounds; // surface coordinates: all it may touch
    DcState S;
    std::optional<QRegion> Visible;
    std::function<void(DeviceContext &)> Draw;
};

struct PrinterDevice;
// The records of an enhanced metafile being drawn, each a whole record in DWORDs.
using MetafileRecords = std::vector<std::vector<DWORD>>;

enum class DcKind { Memory, Window, Screen, Printer };

struct DeviceContext {
    HDC Handle{};
    DcKind Kind = DcKind::Memory;
    HWND Wnd{};
    QPoint Origin;                  // device (0,0) on the window surface
    std::optional<QRegion> Visible; // drawable part of the surface, device coordinates
    DcState S;
    std::vector<DcState> Saved;
    int Dpi = 96;
    bool PrinterPage = false;                   // a raster page: reports a printer's capabilities
    std::shared_ptr<PrinterDevice> Print;       // a printer DC's queue and document
    std::shared_ptr<MetafileRecords> Recording; // a metafile DC's records
    HGDIOBJ RecordingSurface{};                 // and the bitmap it draws on
    QRect Unshown; // a window DC's drawing its widget has not been told of, surface coordinates
    qint64 UnshownPixels = 0;      // and the pixels the drawings in it covered
    std::vector<HeldDrawing> Held; // in the order they were asked for
};

DeviceContext *FindDc(HDC Dc);
HDC NewDc(DcKind Kind, HWND Wnd);
void FreeDc(HDC Dc);
// Tells the widgets what this thread's window DCs drew since they were last told, held
// drawings done first; only the DCs of Wnd when it is given. Runs by itself before Qt's event
// loop goes on.
void ShowDrawn(HWND Wnd = {});
// A drawing confined to DeviceBounds on a window DC may wait: a grid draws a cell's text and
// its owner then fills the cell and draws it again. An opaque fill on the DC that covers it
// first makes it needless; whatever reads or draws on the window's surface, or the DC's
// release, has it done first, with the DC as it stood when it was asked for.
void HoldDrawing(DeviceContext &Dc, const QRect &DeviceBounds,
                 std::function<void(DeviceContext &)> Draw);
// An opaque fill of DeviceArea comes next on Dc: what it will cover need not be drawn.
void DropCoveredDrawing(DeviceContext &Dc, const QRect &DeviceArea);
// Does what this thread holds back for a window (for every window when Wnd is null), before
// its surface is read or drawn on.
void DrawHeld(HWND Wnd);
// GetDeviceCaps of a printer DC.
int PrinterCaps(const DeviceContext &Dc, int Index);

// What the clip leaves of a DC, device coordinates: its visible part, its clip region and a
// memory DC's bitmap. Bounded tells whether any of them cut at all.
QRegion EffectiveClip(const DeviceContext &Dc, bool *Bounded);

// Logical to device coordinates and back.
QPoint ToDevice(const DeviceContext &Dc, int X, int Y);
QRect ToDevice(const DeviceContext &Dc, const RECT &R);
QPoint ToLogical(const DeviceContext &Dc, int X, int Y);
// Scale of logical units to device pixels along each axis (1 in MM_TEXT).
double ScaleX(const DeviceContext &Dc);
double ScaleY(const DeviceContext &Dc);

// One drawing operation on a device context: it finds the target image, the
// effective clip (in image coordinates), synchronises a DIB section's bits for
// the area and shows a window's change when it ends. On a printer page there
// is no image: the operation paints vectors through the page's painter.
class DrawScope
{
public:
    DrawScope(DeviceContext &Dc, const QRect &DeviceArea);
    DrawScope(DeviceContext &Dc); // the whole target
    ~DrawScope();
    DrawScope(const DrawScope &) = delete;
    DrawScope &operator=(const DrawScope &) = delete;

    bool Valid() const { return (FImage != nullptr || FVector != nullptr) && !FClip.isEmpty(); }
    bool Vector() const { return FVector != nullptr; }
    QImage &Image() { return *FImage; }
    // A row of the image to write to: the image is made the scope's own once, not per row.
    QRgb *Row(int Y)
    {
        if (!FBits) {
            FBits = FImage->bits();
            FStride = FImage->bytesPerLine();
        }
        return reinterpret_cast<QRgb *>(FBits + Y * FStride);
    }
    const QRegion &Clip() const { return FClip; }
    // Device point to image point.
    QPoint Origin() const { return FOrigin; }
    BitmapData *Bitmap() const { return FBitmap; }
    // What the clip leaves of a device rectangle, image coordinates.
    QRegion Parts(const QRect &DeviceRect) const;
    // Cuts the drawing further to a device rectangle; before the painter is asked for.
    void Confine(const QRect &DeviceRect);
    // A painter on the image with the clip and Win32 settings; device coordinates. On a
    // printer page it starts without a transform and may hold the pen and brush of the
    // drawing before: set whatever the drawing needs.
    QPainter &Painter();

private:
    void Init(DeviceContext &Dc, const QRect &DeviceArea);
    bool Inside(const QRegion &Clip) const;
    DeviceContext &FDc;
    QImage *FImage = nullptr;
    BitmapData *FBitmap = nullptr;
    QPoint FOrigin;
    QRegion FClip;
    QRect FArea;
    std::optional<QRect> FWanted; // the area asked for, image coordinates
    std::optional<QPainter> FPainter;
    uchar *FBits = nullptr;
    qsizetype FStride = 0;
    QPainter *FVector = nullptr;
    bool FVectorReady = false;
    // Whether the clip leaves the drawing whole: the area it said it draws in lies inside.
    bool FUncut = false;
};

// The image and origin a DC draws on, for reading pixels (blits, GetPixel).
QImage *TargetImage(DeviceContext &Dc, QPoint *Origin, BitmapData **Bitmap);

} // namespace win
