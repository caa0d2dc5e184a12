#pragma once

// Colours, the drawing objects (font, pen, brush), the canvas over a device
// context, and the pictures: bitmap, icon, and the picture that holds any
// registered graphic class.

#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinGdi.h"

#include <cstdint>
#include <vector>

// ---- Colours ----------------------------------------------------------------

// 0x00BBGGRR, or 0x80000000 + a system colour index, or one of the two specials.
using TColor = std::int32_t;

namespace vcl
{
constexpr TColor SystemColor(int Index)
{
    return static_cast<TColor>(0x80000000u | unsigned(Index));
}
} // namespace vcl

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = vcl::SystemColor(0);
constexpr TColor clBackground = vcl::SystemColor(1);
constexpr TColor clActiveCaption = vcl::SystemColor(2);
constexpr TColor clInactiveCaption = vcl::SystemColor(3);
constexpr TColor clMenu = vcl::SystemColor(4);
constexpr TColor clWindow = vcl::SystemColor(5);
constexpr TColor clWindowFrame = vcl::SystemColor(6);
constexpr TColor clMenuText = vcl::SystemColor(7);
constexpr TColor clWindowText = vcl::SystemColor(8);
constexpr TColor clCaptionText = vcl::SystemColor(9);
constexpr TColor clActiveBorder = vcl::SystemColor(10);
constexpr TColor clInactiveBorder = vcl::SystemColor(11);
constexpr TColor clAppWorkSpace = vcl::SystemColor(12);
constexpr TColor clHighlight = vcl::SystemColor(13);
constexpr TColor clHighlightText = vcl::SystemColor(14);
constexpr TColor clBtnFace = vcl::SystemColor(15);
constexpr TColor clBtnShadow = vcl::SystemColor(16);
constexpr TColor clGrayText = vcl::SystemColor(17);
constexpr TColor clBtnText = vcl::SystemColor(18);
constexpr TColor clInactiveCaptionText = vcl::SystemColor(19);
constexpr TColor clBtnHighlight = vcl::SystemColor(20);
constexpr TColor cl3DDkShadow = vcl::SystemColor(21);
constexpr TColor cl3DLight = vcl::SystemColor(22);
constexpr TColor clInfoText = vcl::SystemColor(23);
constexpr TColor clInfoBk = vcl::SystemColor(24);
constexpr TColor clHotLight = vcl::SystemColor(26);
constexpr TColor clGradientActiveCaption = vcl::SystemColor(27);
constexpr TColor clGradientInactiveCaption = vcl::SystemColor(28);
constexpr TColor clMenuHighlight = vcl::SystemColor(29);
constexpr TColor clMenuBar = vcl::SystemColor(30);

// System colours resolved through the system's colour table; clNone and clDefault
// are passed through, as the class library does (callers test for them first).
COLORREF ColorToRGB(TColor Color);
bool ColorToIdent(TColor Color, AnsiString &Ident);
bool IdentToColor(const AnsiString &Ident, TColor &Color);
// The identifier when there is one, else "$" and eight hex digits.
AnsiString ColorToString(TColor Color);
// An identifier ("clRed", case ignored) or a number ("$0000FF", "255"); raises
// EConvertError on anything else.
TColor StringToColor(const AnsiString &S);
// Calls Proc with each colour identifier, in the table's order.
void GetColorValues(const std::function<void(const AnsiString &)> &Proc);

// ---- Drawing objects -----------------------------------------------------------

class TGraphicsObject : public TPersistent
{
    QRV4_CLASS(TGraphicsObject, TPersistent)

public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

QRV4_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = Set<TFontStyle>;
QRV4_SET_INFO(TFontStyles, TFontStyle)
QRV4_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
using TFontCharset = std::uint8_t;

class TFont : public TGraphicsObject
{
    QRV4_CLASS(TFont, TGraphicsObject)

public:
    TFont();
    ~TFont() override;
    void Assign(TPersistent *Source) override;

    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value);
    // Points at PixelsPerInch; a positive height is a cell height and gives a
    // negative size, as the class library reports it.
    int Size() const;
    void SetSize(int Value);
    // Pixels; negative is the character height without internal leading.
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    // Changing it keeps the height, as the class library's does.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    // Made on first use and again after any change; owned by the font.
    HFONT Handle();

protected:
    void Changed() override;

private:
    void FreeHandle();

    AnsiString FName;
    int FHeight;
    TColor FColor;
    TFontStyles FStyle;
    TFontCharset FCharset;
    TFontPitch FPitch;
    int FPixelsPerInch;
    HFONT FHandle = nullptr;
};

QRV4_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
QRV4_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
          pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)

class TPen : public TGraphicsObject
{
    QRV4_CLASS(TPen, TGraphicsObject)

public:
    TPen() = default;
    ~TPen() override;
    void Assign(TPersistent *Source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);
    HPEN Handle();

protected:
    void Changed() override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    HPEN FHandle = nullptr;
};

// The order is relied on: Style - 2 is the GDI hatch index.
QRV4_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal,
          bsCross, bsDiagCross)

class TBrush : public TGraphicsObject
{
    QRV4_CLASS(TBrush, TGraphicsObject)

public:
    TBrush() = default;
    ~TBrush() override;
    void Assign(TPersistent *Source) override;

    TColor Color() const { return FColor; }
    // A solid brush stays solid; a clear one becomes solid, as a colour means paint.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    HBRUSH Handle();

protected:
    void Changed() override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    HBRUSH FHandle = nullptr;
};

// ---- Canvas -----------------------------------------------------------------------

// The class library's point and rectangle: the Win32 layouts with its field names.
struct TPoint {
    LONG X = 0;
    LONG Y = 0;
    TPoint() = default;
    TPoint(int AX, int AY) : X(AX), Y(AY) {}
    TPoint(const POINT &P) : X(P.x), Y(P.y) {}
    operator POINT() const { return {X, Y}; }
    friend bool operator==(const TPoint &, const TPoint &) = default;
};

struct TRect {
    LONG Left = 0;
    LONG Top = 0;
    LONG Right = 0;
    LONG Bottom = 0;
    TRect() = default;
    TRect(int ALeft, int ATop, int ARight, int ABottom)
        : Left(ALeft), Top(ATop), Right(ARight), Bottom(ABottom)
    {
    }
    TRect(const RECT &R) : Left(R.left), Top(R.top), Right(R.right), Bottom(R.bottom) {}
    operator RECT() const { return {Left, Top, Right, Bottom}; }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool Contains(int X, int Y) const { return X >= Left && X < Right && Y >= Top && Y < Bottom; }
    friend bool operator==(const TRect &, const TRect &) = default;
};

inline TRect Rect(int Left, int Top, int Right, int Bottom)
{
    return {Left, Top, Right, Bottom};
}
inline TRect Bounds(int Left, int Top, int Width, int Height)
{
    return {Left, Top, Left + Width, Top + Height};
}
inline TPoint Point(int X, int Y)
{
    return {X, Y};
}

class TGraphic;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStates>;

// Draws through a device context with the font, pen and brush selected as the
// class library selects them: before each operation, only when changed.
class TCanvas : public TPersistent
{
    QRV4_CLASS(TCanvas, TPersistent)

public:
    TCanvas();
    ~TCanvas() override;

    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TPen *Pen() const { return FPen.get(); }
    void SetPen(TPen *Value) { FPen->Assign(Value); }
    TBrush *Brush() const { return FBrush.get(); }
    void SetBrush(TBrush *Value) { FBrush->Assign(Value); }
    TPoint PenPos();
    void SetPenPos(const TPoint &Value) { MoveTo(Value.X, Value.Y); }
    DWORD CopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD Value) { FCopyMode = Value; }
    TColor Pixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Value);
    TRect ClipRect();

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint> &Points);
    void Polygon(const std::vector<TPoint> &Points);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect &R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect &R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void FillRect(const TRect &R);
    void FrameRect(const TRect &R);
    void DrawFocusRect(const TRect &R);
    // Text with its cell's top-left at X, Y; no clipping, no prefix processing.
    void TextOut(int X, int Y, const AnsiString &Text);
    // The same, clipped to R (filled first when the brush is solid).
    void TextRect(const TRect &R, int X, int Y, const AnsiString &Text);
    SIZE TextExtent(const AnsiString &Text);
    int TextWidth(const AnsiString &Text) { return TextExtent(Text).cx; }
    int TextHeight(const AnsiString &Text) { return TextExtent(Text).cy; }
    void Draw(int X, int Y, TGraphic *Graphic);
    void StretchDraw(const TRect &R, TGraphic *Graphic);
    void CopyRect(const TRect &Dest, TCanvas *Canvas, const TRect &Source);
    void Refresh();
    void Lock();
    void Unlock();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void CreateHandle() {}
    // The class library's RequiredState: makes the handle and selects the objects.
    void RequiredState(TCanvasState ReqState);
    virtual void Changed();
    virtual void Changing();
    TCanvasState State() const { return FState; }
    // Puts the stock objects back, so the font, pen and brush handles are free.
    void DeselectHandles();

private:
    void CreateFont();
    void CreatePen();
    void CreateBrush();
    void FontChanged(TObject *);
    void PenChanged(TObject *);
    void BrushChanged(TObject *);

    HDC FHandle = nullptr;
    TCanvasState FState;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    DWORD FCopyMode = SRCCOPY;
    std::recursive_mutex FLock;
};

// ---- Pictures ---------------------------------------------------------------------

class TGraphic : public TPersistent
{
    QRV4_CLASS(TGraphic, TPersistent)
    friend class TCanvas;

public:
    TGraphic() = default;

    bool Empty() const { return GetEmpty(); }
    int Width() const { return GetWidth(); }
    virtual void SetWidth(int Value) = 0;
    int Height() const { return GetHeight(); }
    virtual void SetHeight(int Value) = 0;
    bool Transparent() const { return GetTransparent(); }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    virtual void LoadFromStream(TStream *Stream) = 0;
    virtual void SaveToStream(TStream *Stream) = 0;
    virtual void LoadFromFile(const AnsiString &FileName);
    virtual void SaveToFile(const AnsiString &FileName);
    // The clipboard's data in a format of its own; a graphic that has none raises
    // EInvalidGraphic.
    virtual void LoadFromClipboardFormat(WORD AFormat, HANDLE AData, HPALETTE APalette);
    // The data is the caller's until it hands it to the clipboard.
    virtual void SaveToClipboardFormat(WORD &AFormat, HANDLE &AData, HPALETTE &APalette);

    TNotifyEvent OnChange;

protected:
    virtual bool GetEmpty() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual bool GetTransparent() const { return FTransparent; }
    virtual void Changed(TObject *Sender);
    virtual void Draw(TCanvas *ACanvas, const TRect &Rect) = 0;
    // "Data": the graphic as its file holds it, for a graphic held as a property.
    void DefineProperties(TFiler *Filer) override;

private:
    bool FTransparent = false;
    bool FModified = false;
};

using TGraphicClass = TClass;

enum TPixelFormat {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// The canvas of a bitmap: a memory DC holding the bitmap while the canvas is used.
class TBitmapCanvas : public TCanvas
{
    QRV4_CLASS(TBitmapCanvas, TCanvas)

public:
    explicit TBitmapCanvas(TBitmap *ABitmap) : FBitmap(ABitmap) {}
    TBitmapCanvas() = delete;
    ~TBitmapCanvas() override;
    // Lets the bitmap go (before it replaces its handle).
    void FreeContext();

protected:
    void CreateHandle() override;

private:
    TBitmap *FBitmap;
    HDC FContext = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
};

// A device-independent bitmap of a given pixel format, drawn through its canvas;
// its rows are reachable with ScanLine (bottom-up storage, row 0 at the top).
class TBitmap : public TGraphic
{
    QRV4_CLASS(TBitmap, TGraphic)
    friend class TBitmapCanvas;

public:
    TBitmap();
    ~TBitmap() override;
    void Assign(TPersistent *Source) override;

    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    // Keeps the picture's top-left part, new area white.
    void SetSize(int AWidth, int AHeight);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the pixels to the new format.
    void SetPixelFormat(TPixelFormat Value);
    TCanvas *Canvas();
    HBITMAP Handle() const { return FHandle; }
    // Adopts Value (a bitmap handle the bitmap then owns).
    void SetHandle(HBITMAP Value);
    HBITMAP ReleaseHandle();
    void *ScanLine(int Row);
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);
    // Kept for the callers that release a bitmap's device resources; ours has none
    // beyond its pixels, so only the canvas context goes.
    void Dormant();
    void FreeImage() {}

    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream) override;

protected:
    bool GetEmpty() const override { return FHandle == nullptr; }
    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    void Draw(TCanvas *ACanvas, const TRect &Rect) override;

private:
    void Recreate(int AWidth, int AHeight, TPixelFormat Format, bool KeepPixels);
    void ReplaceHandle(HBITMAP Value, int AWidth, int AHeight, TPixelFormat Format);
    void FreeHandle();

    HBITMAP FHandle = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;
    std::unique_ptr<TBitmapCanvas> FCanvas;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
};

// An icon handle, drawn with its mask and alpha.
class TIcon : public TGraphic
{
    QRV4_CLASS(TIcon, TGraphic)

public:
    TIcon() = default;
    ~TIcon() override;
    void Assign(TPersistent *Source) override;

    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    HICON Handle() const { return FHandle; }
    // Adopts Value; the icon frees it.
    void SetHandle(HICON Value);
    HICON ReleaseHandle();

    // An icon file's first image (uncompressed bitmap images only); anything else
    // raises EInvalidGraphic and leaves the icon as it was. Saving writes the bytes read.
    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream) override;

protected:
    bool GetEmpty() const override { return FHandle == nullptr; }
    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    void Draw(TCanvas *ACanvas, const TRect &Rect) override;

private:
    HICON FHandle = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<std::uint8_t> FData;
};

QRV4_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
QRV4_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
inline constexpr const char *UnsupportedClipboardFormat = "Unsupported clipboard format";

// Holds one graphic of any registered class; files load by their extension.
class TPicture : public TPersistent
{
    QRV4_CLASS(TPicture, TPersistent)

public:
    TPicture() = default;
    ~TPicture() override;
    void Assign(TPersistent *Source) override;

    TGraphic *Graphic() const { return FGraphic.get(); }
    // Copies Value (never takes it); null empties the picture.
    void SetGraphic(TGraphic *Value);
    // Takes Value over.
    void SetGraphic(std::unique_ptr<TGraphic> Value);
    // The graphic as a bitmap, replacing any other kind with an empty bitmap.
    TBitmap *Bitmap();
    TIcon *Icon();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    void LoadFromFile(const AnsiString &FileName);
    // Does nothing when empty.
    void SaveToFile(const AnsiString &FileName);

    static void RegisterFileFormat(const AnsiString &Extension, const AnsiString &Description,
                                   TGraphicClass GraphicClass);
    static void UnregisterGraphicClass(TGraphicClass GraphicClass);
    // "Description (*.ext)|*.ext" entries of every registered format.
    static AnsiString GraphicFilter(TGraphicClass GraphicClass);

    TNotifyEvent OnChange;

protected:
    virtual void Changed(TObject *Sender);
    // "Data": the graphic's class name, then the graphic as its file holds it.
    void DefineProperties(TFiler *Filer) override;

private:
    template <class T> T *ForceGraphic();
    void Adopt(std::unique_ptr<TGraphic> Graphic);

    std::unique_ptr<TGraphic> FGraphic;
};

// A picture recorded by drawing on a metafile canvas and played back stretched.
// There is no metafile file format on this system: it draws, but is neither read
// from nor written to files.
class TMetafile : public TGraphic
{
    QRV4_CLASS(TMetafile, TGraphic)
    friend class TMetafileCanvas;

public:
    TMetafile();
    ~TMetafile() override;
    void Assign(TPersistent *Source) override;

    void SetWidth(int Value) override;
    void SetHeight(int Value) override;

    // Raise EInvalidGraphicOperation: no metafile file format here. The file
    // forms raise before a file is opened, so a refused save leaves no empty file.
    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream) override;
    void LoadFromFile(const AnsiString &FileName) override;
    void SaveToFile(const AnsiString &FileName) override;

protected:
    bool GetEmpty() const override { return FImage->Empty(); }
    int GetWidth() const override { return FImage->Width(); }
    int GetHeight() const override { return FImage->Height(); }
    void Draw(TCanvas *ACanvas, const TRect &Rect) override;

private:
    std::unique_ptr<TBitmap> FImage;
};

// A canvas drawing into a metafile. An empty metafile takes the reference
// device's size (the screen's when ReferenceDevice names no device), so nothing drawn is cut.
class TMetafileCanvas : public TCanvas
{
    QRV4_CLASS(TMetafileCanvas, TCanvas)

public:
    TMetafileCanvas(TMetafile *AMetafile, HDC ReferenceDevice);
    ~TMetafileCanvas() override;

private:
    TMetafile *FMetafile;
};
