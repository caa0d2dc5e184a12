#pragma once
// GDI: device contexts, drawing objects, bitmaps and DIB sections, regions,
// palettes, text, blits. Pixels follow Win32's rules: no antialiasing,
// rectangles leave out their right and bottom edges, lines their end point.

#include "platform/win/WinTypes.h"

constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

using COLOR16 = USHORT;
struct TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red;
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
};

struct GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
};

struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT *;

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};

struct DRAWTEXTPARAMS {
    UINT cbSize;
    int iTabLength;
    int iLeftMargin;
    int iRightMargin;
    UINT uiLengthDrawn;
};

// Object types (GetObjectType).
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_MEMDC = 10;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;

// Pens.
constexpr UINT PS_SOLID = 0;
constexpr UINT PS_DASH = 1;
constexpr UINT PS_DOT = 2;
constexpr UINT PS_DASHDOT = 3;
constexpr UINT PS_DASHDOTDOT = 4;
constexpr UINT PS_NULL = 5;
constexpr UINT PS_INSIDEFRAME = 6;
constexpr UINT PS_STYLE_MASK = 0x0000000F;
constexpr UINT PS_ENDCAP_FLAT = 0x00000200;
constexpr UINT PS_GEOMETRIC = 0x00010000;

// Brushes.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = 1;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Fonts.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE OEM_CHARSET = 255;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_TRUETYPE = 0x04;

// Background mode, text alignment, ExtTextOut options.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_RTLREADING = 0x0080;
constexpr UINT ETO_IGNORELANGUAGE = 0x1000;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// DrawText.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

// Raster operations.
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;

// Mapping modes.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// Regions.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Bitmaps and DIBs.
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// AlphaBlend and GradientFill.
constexpr BYTE AC_SRC_OVER = 0x00;
constexpr BYTE AC_SRC_ALPHA = 0x01;
constexpr ULONG GRADIENT_FILL_RECT_H = 0x00000000;
constexpr ULONG GRADIENT_FILL_RECT_V = 0x00000001;

// Device capabilities.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int TECHNOLOGY = 2;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int RC_PALETTE = 0x0100;

// DrawEdge.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = 0x0003;
constexpr UINT BDR_INNER = 0x000C;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;

// DrawFrameControl.
constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFC_MENU = 2;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_CAPTIONMIN = 0x0001;
constexpr UINT DFCS_CAPTIONMAX = 0x0002;
constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
constexpr UINT DFCS_MENUARROW = 0x0000;
constexpr UINT DFCS_MENUCHECK = 0x0001;
constexpr UINT DFCS_MENUBULLET = 0x0002;
constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;

// Device contexts.
HDC CreateCompatibleDC(HDC Dc);
BOOL DeleteDC(HDC Dc);
int SaveDC(HDC Dc);
BOOL RestoreDC(HDC Dc, int SavedDc);
int GetDeviceCaps(HDC Dc, int Index);
HGDIOBJ SelectObject(HDC Dc, HGDIOBJ Object);
HGDIOBJ GetCurrentObject(HDC Dc, UINT Type);
COLORREF SetTextColor(HDC Dc, COLORREF Color);
COLORREF GetTextColor(HDC Dc);
COLORREF SetBkColor(HDC Dc, COLORREF Color);
COLORREF GetBkColor(HDC Dc);
int SetBkMode(HDC Dc, int Mode);
int GetBkMode(HDC Dc);
UINT SetTextAlign(HDC Dc, UINT Align);
UINT GetTextAlign(HDC Dc);
int SetROP2(HDC Dc, int Rop2);
int GetROP2(HDC Dc);
int SetStretchBltMode(HDC Dc, int Mode);
int GetStretchBltMode(HDC Dc);
int SetMapMode(HDC Dc, int Mode);
int GetMapMode(HDC Dc);
BOOL SetWindowOrgEx(HDC Dc, int X, int Y, LPPOINT Old);
BOOL GetWindowOrgEx(HDC Dc, LPPOINT Point);
BOOL SetViewportOrgEx(HDC Dc, int X, int Y, LPPOINT Old);
BOOL GetViewportOrgEx(HDC Dc, LPPOINT Point);
BOOL OffsetWindowOrgEx(HDC Dc, int X, int Y, LPPOINT Old);
BOOL OffsetViewportOrgEx(HDC Dc, int X, int Y, LPPOINT Old);
BOOL SetWindowExtEx(HDC Dc, int X, int Y, LPSIZE Old);
BOOL SetViewportExtEx(HDC Dc, int X, int Y, LPSIZE Old);
BOOL GetWindowExtEx(HDC Dc, LPSIZE Size);
BOOL GetViewportExtEx(HDC Dc, LPSIZE Size);
BOOL SetBrushOrgEx(HDC Dc, int X, int Y, LPPOINT Old);
BOOL GetBrushOrgEx(HDC Dc, LPPOINT Point);
BOOL LPtoDP(HDC Dc, LPPOINT Points, int Count);
BOOL DPtoLP(HDC Dc, LPPOINT Points, int Count);
COLORREF SetDCBrushColor(HDC Dc, COLORREF Color);
COLORREF SetDCPenColor(HDC Dc, COLORREF Color);
BOOL GdiFlush();

// Objects.
HPEN CreatePen(int Style, int Width, COLORREF Color);
HPEN CreatePenIndirect(const LOGPEN *Pen);
HBRUSH CreateSolidBrush(COLORREF Color);
HBRUSH CreateHatchBrush(int Hatch, COLORREF Color);
HBRUSH CreatePatternBrush(HBITMAP Bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH *Brush);
HFONT CreateFontIndirectW(const LOGFONTW *Font);
HFONT CreateFontW(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic,
                  DWORD Underline, DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision,
                  DWORD ClipPrecision, DWORD Quality, DWORD PitchAndFamily, LPCWSTR FaceName);
HGDIOBJ GetStockObject(int Object);
BOOL DeleteObject(HGDIOBJ Object);
int GetObjectW(HGDIOBJ Object, int Size, LPVOID Buffer);
DWORD GetObjectType(HGDIOBJ Object);
BOOL UnrealizeObject(HGDIOBJ Object);
COLORREF GetNearestColor(HDC Dc, COLORREF Color);

// Bitmaps and DIB sections.
HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitCount, const void *Bits);
HBITMAP CreateCompatibleBitmap(HDC Dc, int Width, int Height);
HBITMAP CreateDIBSection(HDC Dc, const BITMAPINFO *Info, UINT Usage, void **Bits, HANDLE Section,
                         DWORD Offset);
HBITMAP CreateDIBitmap(HDC Dc, const BITMAPINFOHEADER *Header, DWORD Init, const void *Bits,
                       const BITMAPINFO *Info, UINT Usage);
int GetDIBits(HDC Dc, HBITMAP Bitmap, UINT Start, UINT Lines, LPVOID Bits, BITMAPINFO *Info,
              UINT Usage);
int SetDIBits(HDC Dc, HBITMAP Bitmap, UINT Start, UINT Lines, const void *Bits,
              const BITMAPINFO *Info, UINT Usage);
int StretchDIBits(HDC Dc, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc,
                  int SrcWidth, int SrcHeight, const void *Bits, const BITMAPINFO *Info, UINT Usage,
                  DWORD Rop);
int SetDIBitsToDevice(HDC Dc, int XDest, int YDest, DWORD Width, DWORD Height, int XSrc, int YSrc,
                      UINT StartScan, UINT Lines, const void *Bits, const BITMAPINFO *Info,
                      UINT Usage);
UINT GetDIBColorTable(HDC Dc, UINT Start, UINT Entries, RGBQUAD *Colors);
UINT SetDIBColorTable(HDC Dc, UINT Start, UINT Entries, const RGBQUAD *Colors);
LONG GetBitmapBits(HBITMAP Bitmap, LONG Count, LPVOID Bits);
BOOL GetBitmapDimensionEx(HBITMAP Bitmap, LPSIZE Size);
constexpr DWORD CBM_INIT = 0x04;

// Blits.
BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, DWORD Rop);
BOOL StretchBlt(HDC Dest, int XDest, int YDest, int WDest, int HDest, HDC Src, int XSrc, int YSrc,
                int WSrc, int HSrc, DWORD Rop);
BOOL PatBlt(HDC Dc, int X, int Y, int Width, int Height, DWORD Rop);
BOOL MaskBlt(HDC Dest, int XDest, int YDest, int Width, int Height, HDC Src, int XSrc, int YSrc,
             HBITMAP Mask, int XMask, int YMask, DWORD Rop);
BOOL AlphaBlend(HDC Dest, int XDest, int YDest, int WDest, int HDest, HDC Src, int XSrc, int YSrc,
                int WSrc, int HSrc, BLENDFUNCTION Blend);
BOOL TransparentBlt(HDC Dest, int XDest, int YDest, int WDest, int HDest, HDC Src, int XSrc,
                    int YSrc, int WSrc, int HSrc, UINT Transparent);
BOOL GradientFill(HDC Dc, TRIVERTEX *Vertices, ULONG VertexCount, void *Mesh, ULONG MeshCount,
                  ULONG Mode);

// Primitives.
BOOL MoveToEx(HDC Dc, int X, int Y, LPPOINT Old);
BOOL LineTo(HDC Dc, int X, int Y);
BOOL GetCurrentPositionEx(HDC Dc, LPPOINT Point);
BOOL Polyline(HDC Dc, const POINT *Points, int Count);
BOOL PolylineTo(HDC Dc, const POINT *Points, DWORD Count);
BOOL Polygon(HDC Dc, const POINT *Points, int Count);
BOOL PolyPolygon(HDC Dc, const POINT *Points, const INT *Counts, int Polygons);
int SetPolyFillMode(HDC Dc, int Mode);
BOOL Rectangle(HDC Dc, int Left, int Top, int Right, int Bottom);
BOOL RoundRect(HDC Dc, int Left, int Top, int Right, int Bottom, int Width, int Height);
BOOL Ellipse(HDC Dc, int Left, int Top, int Right, int Bottom);
int FillRect(HDC Dc, const RECT *Rect, HBRUSH Brush);
int FrameRect(HDC Dc, const RECT *Rect, HBRUSH Brush);
BOOL InvertRect(HDC Dc, const RECT *Rect);
BOOL DrawFocusRect(HDC Dc, const RECT *Rect);
COLORREF SetPixel(HDC Dc, int X, int Y, COLORREF Color);
BOOL SetPixelV(HDC Dc, int X, int Y, COLORREF Color);
COLORREF GetPixel(HDC Dc, int X, int Y);

// Regions and clipping.
HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRectRgnIndirect(const RECT *Rect);
HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int Width, int Height);
HRGN CreatePolygonRgn(const POINT *Points, int Count, int Mode);
int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode);
int OffsetRgn(HRGN Region, int X, int Y);
BOOL SetRectRgn(HRGN Region, int Left, int Top, int Right, int Bottom);
int GetRgnBox(HRGN Region, LPRECT Rect);
BOOL PtInRegion(HRGN Region, int X, int Y);
BOOL RectInRegion(HRGN Region, const RECT *Rect);
BOOL EqualRgn(HRGN A, HRGN B);
BOOL FillRgn(HDC Dc, HRGN Region, HBRUSH Brush);
BOOL FrameRgn(HDC Dc, HRGN Region, HBRUSH Brush, int Width, int Height);
BOOL PaintRgn(HDC Dc, HRGN Region);
BOOL InvertRgn(HDC Dc, HRGN Region);
int SelectClipRgn(HDC Dc, HRGN Region);
int ExtSelectClipRgn(HDC Dc, HRGN Region, int Mode);
int GetClipRgn(HDC Dc, HRGN Region);
int GetClipBox(HDC Dc, LPRECT Rect);
int IntersectClipRect(HDC Dc, int Left, int Top, int Right, int Bottom);
int ExcludeClipRect(HDC Dc, int Left, int Top, int Right, int Bottom);
int OffsetClipRgn(HDC Dc, int X, int Y);
BOOL RectVisible(HDC Dc, const RECT *Rect);
BOOL PtVisible(HDC Dc, int X, int Y);

// Palettes.
HPALETTE CreatePalette(const LOGPALETTE *Palette);
HPALETTE CreateHalftonePalette(HDC Dc);
UINT GetPaletteEntries(HPALETTE Palette, UINT Start, UINT Entries, PALETTEENTRY *Out);
UINT SetPaletteEntries(HPALETTE Palette, UINT Start, UINT Entries, const PALETTEENTRY *In);
BOOL ResizePalette(HPALETTE Palette, UINT Entries);
UINT GetNearestPaletteIndex(HPALETTE Palette, COLORREF Color);
HPALETTE SelectPalette(HDC Dc, HPALETTE Palette, BOOL ForceBackground);
UINT RealizePalette(HDC Dc);
UINT GetSystemPaletteEntries(HDC Dc, UINT Start, UINT Entries, PALETTEENTRY *Out);

// Text.
BOOL TextOutW(HDC Dc, int X, int Y, LPCWSTR Text, int Count);
BOOL TextOutA(HDC Dc, int X, int Y, LPCSTR Text, int Count);
BOOL ExtTextOutW(HDC Dc, int X, int Y, UINT Options, const RECT *Rect, LPCWSTR Text, UINT Count,
                 const INT *Dx);
BOOL ExtTextOutA(HDC Dc, int X, int Y, UINT Options, const RECT *Rect, LPCSTR Text, UINT Count,
                 const INT *Dx);
BOOL GetTextExtentPoint32W(HDC Dc, LPCWSTR Text, int Count, LPSIZE Size);
BOOL GetTextExtentPoint32A(HDC Dc, LPCSTR Text, int Count, LPSIZE Size);
BOOL GetTextExtentExPointW(HDC Dc, LPCWSTR Text, int Count, int MaxExtent, LPINT Fit, LPINT Dx,
                           LPSIZE Size);
BOOL GetTextExtentExPointA(HDC Dc, LPCSTR Text, int Count, int MaxExtent, LPINT Fit, LPINT Dx,
                           LPSIZE Size);
BOOL GetTextMetricsW(HDC Dc, TEXTMETRICW *Metrics);
int GetTextFaceW(HDC Dc, int Count, LPWSTR Face);
int DrawTextW(HDC Dc, LPCWSTR Text, int Count, LPRECT Rect, UINT Format);
int DrawTextA(HDC Dc, LPCSTR Text, int Count, LPRECT Rect, UINT Format);
int DrawTextExW(HDC Dc, LPWSTR Text, int Count, LPRECT Rect, UINT Format, DRAWTEXTPARAMS *Params);
int SetTextCharacterExtra(HDC Dc, int Extra);
BOOL IsDBCSLeadByte(BYTE Byte);

// Icons.
HICON CreateIconIndirect(ICONINFO *Info);
BOOL DestroyIcon(HICON Icon);
BOOL GetIconInfo(HICON Icon, ICONINFO *Info);
HICON CopyIcon(HICON Icon);
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
BOOL DrawIconEx(HDC Dc, int X, int Y, HICON Icon, int Width, int Height, UINT StepIfAni,
                HBRUSH FlickerFreeBrush, UINT Flags);
BOOL DrawIcon(HDC Dc, int X, int Y, HICON Icon);

// Drawing of the standard 3-D shapes.
BOOL DrawEdge(HDC Dc, LPRECT Rect, UINT Edge, UINT Flags);
BOOL DrawFrameControl(HDC Dc, LPRECT Rect, UINT Type, UINT State);

constexpr UINT DST_COMPLEX = 0x0000;
constexpr UINT DST_TEXT = 0x0001;
constexpr UINT DST_PREFIXTEXT = 0x0002;
constexpr UINT DST_ICON = 0x0003;
constexpr UINT DST_BITMAP = 0x0004;
constexpr UINT DSS_NORMAL = 0x0000;
constexpr UINT DSS_DISABLED = 0x0020;
constexpr UINT DSS_MONO = 0x0080;
constexpr UINT DSS_HIDEPREFIX = 0x0200;
constexpr UINT DSS_PREFIXONLY = 0x0400;
using DRAWSTATEPROC = BOOL (*)(HDC, LPARAM, WPARAM, int, int);
// Draws text, an icon, a bitmap or what a callback draws, as it is, as a
// silhouette in one brush (DSS_MONO) or embossed (DSS_DISABLED).
BOOL DrawStateW(HDC Dc, HBRUSH Brush, DRAWSTATEPROC Output, LPARAM Data, WPARAM WData, int X, int Y,
                int Cx, int Cy, UINT Flags);

constexpr UINT DC_ACTIVE = 0x0001;
constexpr UINT DC_SMALLCAP = 0x0002;
constexpr UINT DC_ICON = 0x0004;
constexpr UINT DC_TEXT = 0x0008;
constexpr UINT DC_GRADIENT = 0x0020;
// A caption bar with the window's text, in the caption colours and font.
BOOL DrawCaption(HWND Wnd, HDC Dc, const RECT *Rect, UINT Flags);

namespace win
{

// The header of a 32-bit bitmap of that size whose first row is the top one, as
// GetDIBits and CreateDIBSection take it.
BITMAPINFO TopDownBitmapInfo32(int Width, int Height);

// The source coordinate a stretching blit shows at Offset of a target DestSize pixels long, of a
// source SrcSize pixels long from SrcStart: the pixel nearest the target pixel's centre.
int StretchSourceAt(int Offset, int DestSize, int SrcStart, int SrcSize);

// A printer page as a picture at the printer's resolution: a memory DC on a
// white 32-bit page bitmap that reports a printer's capabilities
// (LOGPIXELSX/Y, HORZRES/VERTRES, DT_RASPRINTER), so that what measures and
// draws at printer resolution can be checked pixel by pixel. Real printer
// pages come from CreateDCA and are vectors. DeletePageDC frees both.
HDC CreatePageDC(int Width, int Height, int Dpi);
void DeletePageDC(HDC Dc);

} // namespace win

#define TextOut TextOutW
#define ExtTextOut ExtTextOutW
#define DrawText DrawTextW
#define GetObject GetObjectW
#define CreateFontIndirect CreateFontIndirectW
#define GetTextMetrics GetTextMetricsW
#define GetTextExtentPoint32 GetTextExtentPoint32W
