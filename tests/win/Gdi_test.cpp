#include "tests/win/WinTestSupport.h"

#include "tests/support/ResidentMemory.h"

#include "platform/win/Icon.h"
#include "platform/win/ImageList.h"

#include <QImage>
#include <QRawFont>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

using namespace wintest;

namespace
{

constexpr COLORREF White = RGB(255, 255, 255), Black = 0, Red = RGB(255, 0, 0),
                   Blue = RGB(0, 0, 255);

// A memory DC on a white 32-bit bitmap.
class Canvas
{
public:
    Canvas(int W, int H) : Dc(CreateCompatibleDC({})), Bitmap(CreateBitmap(W, H, 1, 32, nullptr))
    {
        Old = SelectObject(Dc, Bitmap);
        const RECT R{0, 0, W, H};
        FillRect(Dc, &R, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas()
    {
        SelectObject(Dc, Old);
        DeleteObject(Bitmap);
        DeleteDC(Dc);
    }
    COLORREF At(int X, int Y) const { return GetPixel(Dc, X, Y); }
    // Pixels of one row as a string: '#' for Ink, '.' for white, '?' otherwise.
    std::string Row(int Y, int From, int To, COLORREF Ink = Black) const
    {
        std::string S;
        for (int X = From; X < To; ++X) {
            const COLORREF C = At(X, Y);
            S += C == Ink ? '#' : (C == White ? '.' : '?');
        }
        return S;
    }
    HDC Dc;
    HBITMAP Bitmap;
    HGDIOBJ Old;
};

struct Brush {
    explicit Brush(COLORREF C) : H(CreateSolidBrush(C)) {}
    ~Brush() { DeleteObject(H); }
    HBRUSH H;
};

TEST(GdiPixels, FillRect_LeavesOutRightAndBottomEdges)
{
    Canvas C(10, 10);
    const RECT R{2, 3, 6, 7};
    FillRect(C.Dc, &R, Brush(Black).H);
    EXPECT_EQ(C.Row(3, 0, 8), "..####..");
    EXPECT_EQ(C.At(2, 6), Black);
    EXPECT_EQ(C.At(2, 7), White);
}

TEST(GdiPixels, Rectangle_PenOnTheLastInsidePixel_AndNullPenFillsOneLess)
{
    Canvas C(12, 12);
    const Brush Fill(Red);
    SelectObject(C.Dc, Fill.H);
    Rectangle(C.Dc, 1, 1, 7, 6);
    EXPECT_EQ(C.Row(1, 0, 8), ".######.");
    EXPECT_EQ(C.Row(3, 0, 8, Red), ".?####?.");
    EXPECT_EQ(C.At(6, 3), Black);
    EXPECT_EQ(C.Row(5, 0, 8), ".######.");
    EXPECT_EQ(C.At(1, 6), White);
    SelectObject(C.Dc, GetStockObject(NULL_PEN));
    Rectangle(C.Dc, 1, 8, 5, 11);
    EXPECT_EQ(C.Row(8, 0, 6, Red), ".###..");
    EXPECT_EQ(C.At(1, 10), White);
}

TEST(GdiPixels, LineTo_LeavesOutTheEndPoint_AndPolylineTheLastPoint)
{
    Canvas C(10, 10);
    MoveToEx(C.Dc, 1, 1, nullptr);
    LineTo(C.Dc, 6, 1);
    EXPECT_EQ(C.Row(1, 0, 8), ".#####..");
    POINT Current;
    GetCurrentPositionEx(C.Dc, &Current);
    EXPECT_EQ(Current.x, 6);
    const POINT Path[] = {{1, 3}, {4, 3}, {4, 6}};
    Polyline(C.Dc, Path, 3);
    EXPECT_EQ(C.Row(3, 0, 6), ".####.");
    EXPECT_EQ(C.At(4, 5), Black);
    EXPECT_EQ(C.At(4, 6), White);
}

TEST(GdiPixels, DashedPen_PaintsGapsWithTheBackgroundWhenOpaque)
{
    Canvas C(40, 4);
    const HPEN Dash = CreatePen(PS_DOT, 1, Black);
    const HGDIOBJ Old = SelectObject(C.Dc, Dash);
    SetBkColor(C.Dc, Red);
    MoveToEx(C.Dc, 0, 1, nullptr);
    LineTo(C.Dc, 12, 1);
    EXPECT_EQ(C.Row(1, 0, 12, Black), "###???###???");
    EXPECT_EQ(C.At(3, 1), Red);
    SetBkMode(C.Dc, TRANSPARENT);
    MoveToEx(C.Dc, 0, 2, nullptr);
    LineTo(C.Dc, 12, 2);
    EXPECT_EQ(C.Row(2, 0, 12), "###...###...");
    SelectObject(C.Dc, Old);
    DeleteObject(Dash);
}

TEST(GdiPixels, Rop2_XorTwiceRestores_AndMergePenNot)
{
    Canvas C(10, 4);
    const HPEN WhitePen = CreatePen(PS_SOLID, 1, White);
    SelectObject(C.Dc, WhitePen);
    SetROP2(C.Dc, R2_XORPEN);
    for (int I = 0; I < 2; ++I) {
        MoveToEx(C.Dc, 0, 1, nullptr);
        LineTo(C.Dc, 5, 1);
        EXPECT_EQ(C.At(2, 1), I == 0 ? Black : White);
    }
    const HPEN RedPen = CreatePen(PS_SOLID, 1, Red);
    SelectObject(C.Dc, RedPen);
    SetROP2(C.Dc, R2_MERGEPENNOT);
    SetPixel(C.Dc, 3, 2, RGB(0, 255, 0));
    MoveToEx(C.Dc, 3, 2, nullptr);
    LineTo(C.Dc, 4, 2);
    EXPECT_EQ(C.At(3, 2), RGB(255, 0, 255)) << "pen OR NOT destination";
    SelectObject(C.Dc, GetStockObject(BLACK_PEN));
    DeleteObject(WhitePen);
    DeleteObject(RedPen);
}

TEST(GdiPixels, HatchBrush_UsesBackgroundOnlyWhenOpaque)
{
    Canvas C(8, 8);
    const HBRUSH Hatch = CreateHatchBrush(HS_VERTICAL, Black);
    SetBkColor(C.Dc, Red);
    SetBkMode(C.Dc, TRANSPARENT);
    const RECT R{0, 0, 8, 4};
    FillRect(C.Dc, &R, Hatch);
    EXPECT_EQ(C.Row(0, 0, 8), "....#...");
    SetBkMode(C.Dc, OPAQUE);
    const RECT R2{0, 4, 8, 8};
    FillRect(C.Dc, &R2, Hatch);
    EXPECT_EQ(C.At(0, 5), Red);
    EXPECT_EQ(C.At(4, 5), Black);
    DeleteObject(Hatch);
}

TEST(GdiPixels, GradientFill_EndColoursAreExact)
{
    Canvas C(50, 20);
    TRIVERTEX V[2] = {{0, 0, 0x1200, 0x3400, 0xFF00, 0}, {50, 10, 0xFE00, 0x0100, 0x0000, 0}};
    GRADIENT_RECT G{0, 1};
    ASSERT_TRUE(GradientFill(C.Dc, V, 2, &G, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(C.At(0, 5), RGB(0x12, 0x34, 0xFF));
    EXPECT_EQ(C.At(49, 5), RGB(0xFE, 0x01, 0x00));
    EXPECT_EQ(C.At(0, 10), White);
    V[0].y = 10;
    V[1].y = 20;
    ASSERT_TRUE(GradientFill(C.Dc, V, 2, &G, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(C.At(10, 10), RGB(0x12, 0x34, 0xFF));
    EXPECT_EQ(C.At(10, 19), RGB(0xFE, 0x01, 0x00));
    const COLORREF Middle = C.At(25, 5);
    EXPECT_GT(GetRValue(Middle), 0x12);
    EXPECT_LT(GetRValue(Middle), 0xFE);
}

TEST(GdiBlits, TransparentBlt_LeavesKeyPixelsAlone)
{
    Canvas Src(4, 1), Dest(4, 1);
    SetPixel(Src.Dc, 0, 0, RGB(255, 0, 255));
    SetPixel(Src.Dc, 1, 0, Blue);
    SetPixel(Dest.Dc, 0, 0, Red);
    ASSERT_TRUE(TransparentBlt(Dest.Dc, 0, 0, 4, 1, Src.Dc, 0, 0, 4, 1, RGB(255, 0, 255)));
    EXPECT_EQ(Dest.At(0, 0), Red);
    EXPECT_EQ(Dest.At(1, 0), Blue);
    EXPECT_EQ(Dest.At(2, 0), White);
}

TEST(GdiBlits, RasterOperations_AndMonochromeConversions)
{
    Canvas Src(2, 1), Dest(2, 1);
    SetPixel(Src.Dc, 0, 0, RGB(0x0F, 0xF0, 0x33));
    SetPixel(Dest.Dc, 0, 0, RGB(0xFF, 0x0F, 0x11));
    BitBlt(Dest.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, SRCAND);
    EXPECT_EQ(Dest.At(0, 0), RGB(0x0F, 0x00, 0x11));
    BitBlt(Dest.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, SRCPAINT);
    EXPECT_EQ(Dest.At(0, 0), RGB(0x0F, 0xF0, 0x33));
    BitBlt(Dest.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, NOTSRCCOPY);
    EXPECT_EQ(Dest.At(0, 0), RGB(0xF0, 0x0F, 0xCC));
    // Colour to monochrome: the source's background colour becomes white.
    const HDC MonoDc = CreateCompatibleDC({});
    const HBITMAP Mono = CreateBitmap(2, 1, 1, 1, nullptr);
    const HGDIOBJ Old = SelectObject(MonoDc, Mono);
    SetBkColor(Src.Dc, RGB(0x0F, 0xF0, 0x33));
    BitBlt(MonoDc, 0, 0, 2, 1, Src.Dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(MonoDc, 0, 0), White);
    EXPECT_EQ(GetPixel(MonoDc, 1, 0), Black);
    // Monochrome to colour: white takes the background colour, black the text colour.
    SetTextColor(Dest.Dc, Red);
    SetBkColor(Dest.Dc, Blue);
    BitBlt(Dest.Dc, 0, 0, 2, 1, MonoDc, 0, 0, SRCCOPY);
    EXPECT_EQ(Dest.At(0, 0), Blue);
    EXPECT_EQ(Dest.At(1, 0), Red);
    SelectObject(MonoDc, Old);
    DeleteObject(Mono);
    DeleteDC(MonoDc);
}

TEST(GdiBlits, BitBltAndStretchBltCopyTheRightPixelsInsideTheClip)
{
    Canvas Src(4, 2), Dest(6, 4);
    SetPixel(Src.Dc, 2, 0, Red);
    SetPixel(Src.Dc, 3, 0, Blue);
    SetPixel(Src.Dc, 3, 1, Black);
    IntersectClipRect(Dest.Dc, 0, 0, 3, 4);
    BitBlt(Dest.Dc, 1, 1, 2, 2, Src.Dc, 2, 0, SRCCOPY);
    SelectClipRgn(Dest.Dc, {});
    EXPECT_EQ(Dest.At(1, 1), Red);
    EXPECT_EQ(Dest.At(2, 1), Blue);
    EXPECT_EQ(Dest.At(2, 2), Black);
    EXPECT_EQ(Dest.At(0, 1), White);
    BitBlt(Dest.Dc, 4, 0, 2, 1, Src.Dc, 2, 0, SRCCOPY);
    StretchBlt(Dest.Dc, 0, 3, 4, 1, Src.Dc, 2, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(Dest.Row(3, 0, 4, Red), "##??");
    EXPECT_EQ(Dest.At(3, 3), Blue);
    StretchBlt(Dest.Dc, 3, 2, -2, 1, Src.Dc, 2, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(Dest.At(1, 2), Blue) << "a negative width mirrors";
    EXPECT_EQ(Dest.At(2, 2), Red);
}

// A copy from a DIB section cut by the clip, with the target's origin moved: every pixel in
// the clip comes from its own place in the source, and nothing outside the clip changes.
TEST(GdiBlits, ACopyCutByTheClipTakesEachPixelFromItsPlace)
{
    constexpr int SrcW = 16, SrcH = 8;
    BITMAPINFO Info{};
    Info.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), SrcW, -SrcH, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void *P = nullptr;
    const HBITMAP Src = CreateDIBSection({}, &Info, DIB_RGB_COLORS, &P, {}, 0);
    ASSERT_NE(P, nullptr);
    const auto Source = [](int X, int Y) { return RGB(X * 10, Y * 20, 99); };
    const int Stride = (SrcW * 3 + 3) / 4 * 4;
    for (int Y = 0; Y < SrcH; ++Y)
        for (int X = 0; X < SrcW; ++X) {
            BYTE *Px = static_cast<BYTE *>(P) + Y * Stride + X * 3;
            Px[0] = GetBValue(Source(X, Y));
            Px[1] = GetGValue(Source(X, Y));
            Px[2] = GetRValue(Source(X, Y));
        }
    const HDC SrcDc = CreateCompatibleDC({});
    const HGDIOBJ Old = SelectObject(SrcDc, Src);
    Canvas Dest(20, 12);
    SetViewportOrgEx(Dest.Dc, 1, 2, nullptr);
    IntersectClipRect(Dest.Dc, 4, 3, 9, 6);
    BitBlt(Dest.Dc, 2, 1, 12, 7, SrcDc, 3, 1, SRCCOPY);
    SelectClipRgn(Dest.Dc, {});
    SetViewportOrgEx(Dest.Dc, 0, 0, nullptr);
    for (int Y = 0; Y < 12; ++Y)
        for (int X = 0; X < 20; ++X) {
            const int LX = X - 1, LY = Y - 2;
            const bool Copied = LX >= 4 && LX < 9 && LY >= 3 && LY < 6;
            EXPECT_EQ(Dest.At(X, Y), Copied ? Source(LX - 2 + 3, LY - 1 + 1) : White)
                << "at " << X << "," << Y;
        }
    SelectObject(SrcDc, Old);
    DeleteDC(SrcDc);
    DeleteObject(Src);
}

TEST(GdiBlits, OverlappingCopyWithinOneBitmapReadsTheOldPixels)
{
    Canvas C(6, 1);
    SetPixel(C.Dc, 0, 0, Red);
    SetPixel(C.Dc, 1, 0, Blue);
    BitBlt(C.Dc, 1, 0, 4, 1, C.Dc, 0, 0, SRCCOPY);
    EXPECT_EQ(C.At(0, 0), Red);
    EXPECT_EQ(C.At(1, 0), Red);
    EXPECT_EQ(C.At(2, 0), Blue);
    EXPECT_EQ(C.At(3, 0), White);
}

TEST(GdiBlits, PatInvert_TwiceRestores)
{
    Canvas C(4, 4);
    const Brush B(RGB(0x80, 0x40, 0x20));
    SelectObject(C.Dc, B.H);
    PatBlt(C.Dc, 0, 0, 4, 4, PATINVERT);
    EXPECT_EQ(C.At(1, 1), RGB(0x7F, 0xBF, 0xDF));
    PatBlt(C.Dc, 0, 0, 4, 4, PATINVERT);
    EXPECT_EQ(C.At(1, 1), White);
}

TEST(GdiBlits, BlacknessAndWhitenessFillTheClippedRectangleWhateverTheBrush)
{
    Canvas C(6, 3);
    const Brush B(RGB(0x80, 0x40, 0x20));
    SelectObject(C.Dc, B.H);
    IntersectClipRect(C.Dc, 0, 0, 4, 3);
    PatBlt(C.Dc, 1, 0, 5, 2, BLACKNESS);
    PatBlt(C.Dc, 2, 1, 3, 1, WHITENESS);
    SelectClipRgn(C.Dc, {});
    EXPECT_EQ(C.Row(0, 0, 6), ".###..");
    EXPECT_EQ(C.Row(1, 0, 6), ".#....");
    EXPECT_EQ(C.Row(2, 0, 6), "......");
}

HBITMAP Dib32(int W, int H, BYTE **Bits, bool TopDown = false)
{
    BITMAPINFO Info{};
    Info.bmiHeader = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), W, TopDown ? -H : H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *P = nullptr;
    const HBITMAP B = CreateDIBSection({}, &Info, DIB_RGB_COLORS, &P, {}, 0);
    *Bits = static_cast<BYTE *>(P);
    return B;
}

TEST(GdiBlits, AlphaBlend_ConstantAndPremultipliedPerPixel)
{
    Canvas Dest(2, 1);
    BYTE *Bits = nullptr;
    const HBITMAP Src = Dib32(2, 1, &Bits);
    const BYTE Pixels[] = {0, 0, 200, 255,
                           0, 0, 100, 128}; // opaque red 200; half-alpha premultiplied red 100
    std::memcpy(Bits, Pixels, sizeof(Pixels));
    const HDC SrcDc = CreateCompatibleDC({});
    SelectObject(SrcDc, Src);
    SetPixel(Dest.Dc, 0, 0, Blue);
    SetPixel(Dest.Dc, 1, 0, Blue);
    ASSERT_TRUE(AlphaBlend(Dest.Dc, 0, 0, 2, 1, SrcDc, 0, 0, 2, 1,
                           BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
    EXPECT_EQ(Dest.At(0, 0), RGB(200, 0, 0));
    EXPECT_EQ(Dest.At(1, 0), RGB(100, 0, 127));
    SetPixel(Dest.Dc, 0, 0, Blue);
    ASSERT_TRUE(
        AlphaBlend(Dest.Dc, 0, 0, 1, 1, SrcDc, 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 128, 0}));
    EXPECT_EQ(Dest.At(0, 0), RGB(100, 0, 127));
    DeleteDC(SrcDc);
    DeleteObject(Src);
}

TEST(GdiDib, BottomUpRowsAndFourByteAlignment)
{
    BITMAPINFO Info{};
    Info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void *P = nullptr;
    const HBITMAP B = CreateDIBSection({}, &Info, DIB_RGB_COLORS, &P, {}, 0);
    ASSERT_NE(P, nullptr);
    DIBSECTION Ds;
    ASSERT_EQ(GetObjectW(B, sizeof(Ds), &Ds), static_cast<int>(sizeof(Ds)));
    EXPECT_EQ(Ds.dsBm.bmWidthBytes, 12);
    const HDC Dc = CreateCompatibleDC({});
    SelectObject(Dc, B);
    SetPixel(Dc, 0, 0, RGB(1, 2, 3));
    const BYTE *Bits = static_cast<BYTE *>(P);
    EXPECT_EQ(Bits[12], 3) << "the top row is the last in memory";
    EXPECT_EQ(Bits[13], 2);
    EXPECT_EQ(Bits[14], 1);
    static_cast<BYTE *>(P)[0] = 0xFF; // bottom-left, blue, written directly
    EXPECT_EQ(GetPixel(Dc, 0, 1), RGB(0, 0, 255));
    DeleteDC(Dc);
    DeleteObject(B);
}

using testsupport::PeakResidentBytes;
using testsupport::ResetPeakResident;
using testsupport::ResidentBytes;

TEST(GdiDib, ALargeSectionCostsMemoryOnlyWhereWrittenOrDrawn)
{
    // 12000 x 8000 at 24 bits: 288 MB of bits, 384 MB more as the image drawing goes through.
    BITMAPINFO Info{};
    Info.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 12000, 8000, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t Before = ResidentBytes();
    void *P = nullptr;
    const HBITMAP B = CreateDIBSection({}, &Info, DIB_RGB_COLORS, &P, {}, 0);
    ASSERT_NE(P, nullptr);
    const HDC Dc = CreateCompatibleDC({});
    SelectObject(Dc, B);
    auto *Bits = static_cast<BYTE *>(P);
    const std::size_t Stride = 12000 * 3;
    Bits[(8000 - 1 - 7000) * Stride + 3 * 11000] = 0x40; // blue of (11000, 7000)
    SetPixel(Dc, 5, 6, RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(Dc, 11000, 7000), RGB(0, 0, 0x40));
    EXPECT_EQ(GetPixel(Dc, 0, 7999), RGB(0, 0, 0)) << "a new section is black";
    const std::size_t After = ResidentBytes();
    EXPECT_LT(After - std::min(After, Before), std::size_t{64} << 20);
    EXPECT_EQ(Bits[(8000 - 1 - 6) * Stride + 5 * 3 + 2], 1);
    DeleteDC(Dc);
    DeleteObject(B);
}

TEST(GdiDib, PalettedDibMapsDrawingToTheNearestEntry)
{
    struct {
        BITMAPINFOHEADER H;
        RGBQUAD Colors[4];
    } Info{{sizeof(BITMAPINFOHEADER), 8, 1, 1, 4, BI_RGB, 0, 0, 0, 4, 0},
           {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 255, 255, 0}}};
    void *P = nullptr;
    const HBITMAP B =
        CreateDIBSection({}, reinterpret_cast<BITMAPINFO *>(&Info), DIB_RGB_COLORS, &P, {}, 0);
    const HDC Dc = CreateCompatibleDC({});
    SelectObject(Dc, B);
    SetPixel(Dc, 0, 0, RGB(250, 10, 10));
    SetPixel(Dc, 1, 0, RGB(200, 220, 240));
    const BYTE *Bits = static_cast<BYTE *>(P);
    EXPECT_EQ(Bits[0], 0x13) << "red is index 1, near-white index 3";
    RGBQUAD Table[4];
    EXPECT_EQ(GetDIBColorTable(Dc, 0, 4, Table), 4u);
    EXPECT_EQ(Table[2].rgbGreen, 255);
    DeleteDC(Dc);
    DeleteObject(B);
}

TEST(GdiDib, DrawingKeepsAlphaOfUntouchedPixelsAndClearsItOnDrawnOnes)
{
    BYTE *Bits = nullptr;
    const HBITMAP B = Dib32(2, 1, &Bits, true);
    Bits[3] = 0x80;
    Bits[7] = 0x80;
    const HDC Dc = CreateCompatibleDC({});
    SelectObject(Dc, B);
    SetPixel(Dc, 1, 0, Red);
    EXPECT_EQ(Bits[3], 0x80);
    EXPECT_EQ(Bits[7], 0x00);
    EXPECT_EQ(Bits[6], 0xFF);
    DeleteDC(Dc);
    DeleteObject(B);
}

TEST(GdiDib, GetDIBitsAndSetDIBitsRoundTrip)
{
    Canvas C(3, 2);
    SetPixel(C.Dc, 2, 0, RGB(10, 20, 30));
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_TRUE(GetDIBits(C.Dc, C.Bitmap, 0, 0, nullptr, &Info, DIB_RGB_COLORS));
    EXPECT_EQ(Info.bmiHeader.biWidth, 3);
    Info.bmiHeader.biBitCount = 24;
    std::vector<BYTE> Rows(24);
    SelectObject(C.Dc, C.Old);
    ASSERT_EQ(GetDIBits(C.Dc, C.Bitmap, 0, 2, Rows.data(), &Info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(Rows[12 + 6], 30) << "top row last, blue first";
    Rows[0] = 0;
    Rows[1] = 0;
    Rows[2] = 0;
    ASSERT_EQ(SetDIBits(C.Dc, C.Bitmap, 0, 2, Rows.data(), &Info, DIB_RGB_COLORS), 2);
    SelectObject(C.Dc, C.Bitmap);
    EXPECT_EQ(C.At(0, 1), Black);
    EXPECT_EQ(C.At(2, 0), RGB(10, 20, 30));
}

TEST(GdiDib, StretchDibitsCountsSourceRowsFromTheBottom)
{
    Canvas C(2, 2);
    const BYTE Bits[] = {0, 0, 255, 0, 255, 0, 0, 0}; // bottom row red, top row blue (1x2, 32 bpp)
    BITMAPINFO Info{};
    Info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    StretchDIBits(C.Dc, 0, 0, 1, 1, 0, 0, 1, 1, Bits, &Info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(C.At(0, 0), Red);
    StretchDIBits(C.Dc, 1, 0, 1, 2, 0, 0, 1, 2, Bits, &Info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(C.At(1, 0), Blue);
    EXPECT_EQ(C.At(1, 1), Red);
}

TEST(GdiDib, TheMostNegativeHeightIsRefusedEverywhere)
{
    Canvas C(2, 2);
    const BYTE Bits[8] = {};
    BITMAPINFO Info{};
    Info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                      1,
                                      std::numeric_limits<LONG>::min(),
                                      1,
                                      32,
                                      BI_RGB,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0};
    EXPECT_EQ(StretchDIBits(C.Dc, 0, 0, 1, 1, 0, 0, 1, 1, Bits, &Info, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(C.At(0, 0), White);
    void *Section = nullptr;
    EXPECT_FALSE(CreateDIBSection(C.Dc, &Info, DIB_RGB_COLORS, &Section, {}, 0));
    EXPECT_FALSE(CreateDIBitmap(C.Dc, &Info.bmiHeader, CBM_INIT, Bits, &Info, DIB_RGB_COLORS));
}

// A packed DIB of random pixels and colour table, and a DIB section holding the same bits: a
// blit from the section draws the whole picture converted, then stretched.
class PackedDib
{
public:
    PackedDib(int Bpp, int Width, int Height, std::uint32_t Seed)
        : FHead(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)),
          FBits(static_cast<std::size_t>((Width * Bpp + 31) / 32 * 4 * std::abs(Height)))
    {
        std::mt19937 Random(Seed);
        for (BYTE &B : FHead)
            B = static_cast<BYTE>(Random());
        for (BYTE &B : FBits)
            B = static_cast<BYTE>(Random());
        BITMAPINFOHEADER H{sizeof(BITMAPINFOHEADER), Width, Height, 1, 0, BI_RGB, 0, 0, 0, 0, 0};
        H.biBitCount = static_cast<WORD>(Bpp);
        std::memcpy(FHead.data(), &H, sizeof(H));
        void *P = nullptr;
        FSection = CreateDIBSection({}, Info(), DIB_RGB_COLORS, &P, {}, 0);
        std::memcpy(P, FBits.data(), FBits.size());
        FDc = CreateCompatibleDC({});
        FOld = SelectObject(FDc, FSection);
    }
    ~PackedDib()
    {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        DeleteObject(FSection);
    }
    const BITMAPINFO *Info() const { return reinterpret_cast<const BITMAPINFO *>(FHead.data()); }
    const void *Bits() const { return FBits.data(); }
    HDC SectionDc() const { return FDc; }

private:
    std::vector<BYTE> FHead, FBits;
    HBITMAP FSection{};
    HDC FDc{};
    HGDIOBJ FOld{};
};

struct DibBlit {
    int XD, YD, WD, HD, XS, YS, WS, HS;
};

// Stretched up and down, mirrored either way, partly off the canvas, reaching past the picture.
const DibBlit DibBlits[] = {
    {0, 0, 13, 11, 0, 0, 13, 11},     {2, 3, 29, 23, 0, 0, 13, 11},   {1, 1, 5, 4, 0, 0, 13, 11},
    {30, 2, -17, 14, 2, 1, 9, 8},     {3, 25, 20, -21, 0, 0, 13, 11}, {4, 4, 12, 9, 11, 9, -8, -7},
    {-5, -4, 30, 25, 3, 2, 7, 6},     {2, 2, 25, 20, -3, -2, 20, 16}, {0, 0, 40, 30, 1, 1, 3, 2},
    {38, 28, -37, -27, 0, 0, 13, 11}, {6, 5, 3, 2, 0, 0, 13, 11},     {1, 2, 36, 3, 4, 10, 5, 1}};

// Pixels of two canvases that differ, as "x,y" of the first and a count.
std::string Differences(const Canvas &A, const Canvas &B, int W, int H)
{
    int Count = 0;
    std::string First;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            if (A.At(X, Y) != B.At(X, Y) && Count++ == 0)
                First = std::to_string(X) + "," + std::to_string(Y);
    return Count ? std::to_string(Count) + " from " + First : "";
}

TEST(GdiDib, StretchDibitsDrawsWhatTheWholePictureDrawsAtEveryDepthStretchAndClip)
{
    constexpr int W = 40, H = 30;
    const Canvas Blank(W, H);
    for (int Bpp : {1, 4, 8, 24, 32})
        for (int Height : {11, -11}) {
            const PackedDib Dib(Bpp, 13, Height, static_cast<std::uint32_t>(Bpp * 100 + Height));
            for (int Clip = 0; Clip < 4; ++Clip)
                for (DWORD Rop : {SRCCOPY, SRCINVERT})
                    for (const DibBlit &B : DibBlits) {
                        SCOPED_TRACE(testing::Message()
                                     << Bpp << " bpp, height " << Height << ", clip " << Clip
                                     << ", rop " << Rop << ", to " << B.XD << "," << B.YD << " "
                                     << B.WD << "x" << B.HD << " from " << B.XS << "," << B.YS
                                     << " " << B.WS << "x" << B.HS);
                        Canvas Drawn(W, H), Whole(W, H);
                        for (HDC Dc : {Drawn.Dc, Whole.Dc}) {
                            if (Clip == 1) IntersectClipRect(Dc, 5, 4, 19, 15);
                            if (Clip == 2) ExcludeClipRect(Dc, 8, 0, 30, 12);
                            if (Clip == 3) {
                                // Logical units of two thirds of a pixel, y upwards from row 29.
                                SetMapMode(Dc, MM_ANISOTROPIC);
                                SetWindowExtEx(Dc, 3, 3, nullptr);
                                SetViewportExtEx(Dc, 2, -2, nullptr);
                                SetViewportOrgEx(Dc, 0, H - 1, nullptr);
                                IntersectClipRect(Dc, 2, 3, 40, 30);
                            }
                        }
                        EXPECT_EQ(StretchDIBits(Drawn.Dc, B.XD, B.YD, B.WD, B.HD, B.XS, B.YS, B.WS,
                                                B.HS, Dib.Bits(), Dib.Info(), DIB_RGB_COLORS, Rop),
                                  B.HS);
                        // The section's rows count from the top; the DIB's from its bottom.
                        const int Top = Height > 0 ? Height - B.YS - B.HS : B.YS;
                        StretchBlt(Whole.Dc, B.XD, B.YD, B.WD, B.HD, Dib.SectionDc(), B.XS, Top,
                                   B.WS, B.HS, Rop);
                        SelectClipRgn(Drawn.Dc, {});
                        SelectClipRgn(Whole.Dc, {});
                        EXPECT_EQ(Differences(Drawn, Whole, W, H), "");
                        EXPECT_NE(Differences(Drawn, Blank, W, H), "") << "nothing was drawn";
                    }
        }
}

TEST(GdiDib, StretchDibitsOfAHugePictureCostsTheTargetNotThePicture)
{
    // 12000 x 8000 at 24 bits: 288 MB of the caller's bits, fresh zeroed pages written only
    // where a pixel is set below, so they hold no memory of their own.
    constexpr int W = 12000, H = 8000, Stride = W * 3;
    BITMAPINFO Info{};
    Info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), W, H, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::unique_ptr<BYTE, decltype(&std::free)> Bits(
        static_cast<BYTE *>(std::calloc(static_cast<std::size_t>(Stride) * H, 1)), &std::free);
    ASSERT_NE(Bits, nullptr);
    const auto Set = [&](int X, int Y, COLORREF C) {
        BYTE *Px = Bits.get() + static_cast<std::size_t>(H - 1 - Y) * Stride + X * 3;
        Px[0] = GetBValue(C);
        Px[1] = GetGValue(C);
        Px[2] = GetRValue(C);
    };
    // Drawn into 16 x 16, target pixel (0, 0) shows picture pixel (375, 250); drawn ten times
    // its size, target pixel (10, 0) shows picture pixel (1, 0).
    Set(375, 250, Red);
    Set(1, 0, Blue);
    Canvas Small(16, 16), Zoomed(16, 16);
    ResetPeakResident();
    const std::size_t Before = ResidentBytes();
    EXPECT_EQ(StretchDIBits(Small.Dc, 0, 0, 16, 16, 0, 0, W, H, Bits.get(), &Info, DIB_RGB_COLORS,
                            SRCCOPY),
              H);
    EXPECT_EQ(StretchDIBits(Zoomed.Dc, 0, 0, W * 10, H * 10, 0, 0, W, H, Bits.get(), &Info,
                            DIB_RGB_COLORS, SRCCOPY),
              H);
    const std::size_t Peak = PeakResidentBytes();
    EXPECT_LT(Peak - std::min(Peak, Before), std::size_t{64} << 20);
    EXPECT_EQ(Small.At(0, 0), Red);
    EXPECT_EQ(Small.At(1, 0), Black);
    EXPECT_EQ(Small.At(0, 1), Black);
    EXPECT_EQ(Zoomed.Row(0, 0, 16, Blue), std::string(10, '?') + std::string(6, '#'));
    EXPECT_EQ(Zoomed.At(10, 10), Black);
}

TEST(GdiState, SaveDcRestoresOriginsObjectsAndClip)
{
    Canvas C(10, 10);
    const int Level = SaveDC(C.Dc);
    SetWindowOrgEx(C.Dc, -2, -2, nullptr);
    IntersectClipRect(C.Dc, 0, 0, 2, 2);
    SetPixel(C.Dc, 0, 0, Black);
    EXPECT_EQ(SetPixel(C.Dc, 5, 5, Black), CLR_INVALID);
    RECT Box;
    EXPECT_EQ(GetClipBox(C.Dc, &Box), SIMPLEREGION);
    EXPECT_EQ(Box.right, 2);
    RestoreDC(C.Dc, Level);
    EXPECT_EQ(C.At(2, 2), Black);
    EXPECT_EQ(SetPixel(C.Dc, 5, 5, Red), Red);
    ExcludeClipRect(C.Dc, 0, 0, 10, 10);
    EXPECT_EQ(GetClipBox(C.Dc, &Box), NULLREGION);
}

TEST(GdiRegions, CombineAndClipSelection)
{
    const HRGN A = CreateRectRgn(0, 0, 10, 10), B = CreateRectRgn(5, 0, 15, 10),
               D = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(D, A, B, RGN_DIFF), SIMPLEREGION);
    RECT Box;
    GetRgnBox(D, &Box);
    EXPECT_EQ(Box.right, 5);
    EXPECT_EQ(CombineRgn(D, A, B, RGN_XOR), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(D, 12, 3));
    EXPECT_FALSE(PtInRegion(D, 7, 3));
    Canvas C(20, 10);
    SelectClipRgn(C.Dc, D);
    const RECT All{0, 0, 20, 10};
    FillRect(C.Dc, &All, Brush(Black).H);
    EXPECT_EQ(C.At(7, 0), CLR_INVALID) << "GetPixel answers only inside the clip";
    SelectClipRgn(C.Dc, {});
    EXPECT_EQ(C.Row(0, 0, 16), "#####.....#####.");
    for (HRGN R : {A, B, D})
        DeleteObject(R);
}

TEST(GdiText, ExtentsAreCumulativeIntegerAdvances)
{
    Canvas C(200, 40);
    const HFONT F =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"DejaVu Sans");
    SelectObject(C.Dc, F);
    const char16_t Text[] = u"Ключ QRV";
    int Dx[8];
    int Fit = 0;
    SIZE Size;
    ASSERT_TRUE(GetTextExtentExPointW(C.Dc, Text, 8, 30, &Fit, Dx, &Size));
    int Sum = 0;
    for (int I = 0; I < 8; ++I) {
        SIZE One;
        GetTextExtentPoint32W(C.Dc, Text + I, 1, &One);
        Sum += One.cx;
        EXPECT_EQ(Dx[I], Sum) << I;
    }
    EXPECT_EQ(Size.cx, Sum);
    EXPECT_LE(Dx[Fit - 1], 30);
    EXPECT_GT(Dx[Fit], 30);
    TEXTMETRICW M;
    GetTextMetricsW(C.Dc, &M);
    EXPECT_EQ(Size.cy, M.tmHeight);
    EXPECT_EQ(M.tmHeight, M.tmAscent + M.tmDescent);
    DeleteObject(F);
}

// Measures are kept per font and character: they must follow the font and scale in use.
TEST(GdiText, MeasuresFollowTheSelectedFontAndScale)
{
    Canvas C(10, 10);
    auto Make = [](int Height) {
        return CreateFontW(Height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           u"DejaVu Sans");
    };
    const HFONT Small = Make(-13), Big = Make(-26);
    auto Width = [&](std::u16string_view Text) {
        SIZE Size{};
        GetTextExtentPoint32W(C.Dc, Text.data(), int(Text.size()), &Size);
        return int(Size.cx);
    };
    SelectObject(C.Dc, Small);
    const int Plain = Width(u"0A1B Ключ");
    SelectObject(C.Dc, Big);
    EXPECT_NEAR(Width(u"0A1B Ключ"), 2 * Plain, 9);
    SelectObject(C.Dc, Small);
    EXPECT_EQ(Width(u"0A1B Ключ"), Plain);
    // Twice the scale realises the font twice as large: the same width in logical units.
    SetMapMode(C.Dc, MM_ANISOTROPIC);
    SetWindowExtEx(C.Dc, 1, 1, nullptr);
    SetViewportExtEx(C.Dc, 2, 2, nullptr);
    EXPECT_NEAR(Width(u"0A1B Ключ"), Plain, 5);
    SetMapMode(C.Dc, MM_TEXT);
    // A character beyond the basic plane takes one advance over its two units.
    const std::u16string Wide = u"A\U0001D400A";
    int Dx[4] = {};
    SIZE Size{};
    ASSERT_TRUE(GetTextExtentExPointW(C.Dc, Wide.data(), 4, 0, nullptr, Dx, &Size));
    EXPECT_GT(Dx[1], Dx[0]);
    EXPECT_EQ(Dx[2], Dx[1]);
    EXPECT_EQ(Dx[3] - Dx[2], Dx[0]);
    SelectObject(C.Dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(Small);
    DeleteObject(Big);
}

// The face a DC really draws with for a face name, and a text's width in it.
std::pair<std::u16string, int> FaceAndWidth(const char16_t *Face, int Height,
                                            std::u16string_view Text)
{
    Canvas C(10, 10);
    const HFONT F =
        CreateFontW(Height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, Face);
    SelectObject(C.Dc, F);
    char16_t Used[LF_FACESIZE] = {};
    GetTextFaceW(C.Dc, LF_FACESIZE, Used);
    SIZE Size{};
    GetTextExtentPoint32W(C.Dc, Text.data(), int(Text.size()), &Size);
    SelectObject(C.Dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(F);
    return {Used, int(Size.cx)};
}

TEST(GdiText, FacesTheFormsNameAreDrawnWithTheirInstalledTwins)
{
    const std::u16string_view Label = u"Подсветка от сети, таймаут";
    const auto [Face, Width] = FaceAndWidth(u"Tahoma", -11, Label);
    EXPECT_EQ(Face, u"Tahoma");
    // The same text measured straight from the twin's own file.
    const QRawFont Twin(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"), 11,
                        QFont::PreferNoHinting);
    ASSERT_TRUE(Twin.isValid());
    const QString Text = QString::fromStdU16String(std::u16string(Label));
    double Expected = 0;
    for (const QPointF &Advance : Twin.advancesForGlyphIndexes(Twin.glyphIndexesForString(Text)))
        Expected += Advance.x();
    EXPECT_NEAR(Width, Expected, Label.size() / 2.0);
    EXPECT_NE(Width, FaceAndWidth(u"DejaVu Sans", -11, Label).second);

    EXPECT_EQ(FaceAndWidth(u"Courier New", -16, u"0123").first, u"Liberation Mono");
    EXPECT_EQ(FaceAndWidth(u"Arial", -16, u"0123").first, u"Liberation Sans");
}

namespace
{

// A line in a face at a height and weight, black on white, as the status line draws it.
struct DrawnLine {
    QImage Image;
    int Ink = 0;
    // The rightmost inked column.
    int Right = 0;
};

DrawnLine DrawLine(const char16_t *Face, int Height, int Weight, std::u16string_view Text)
{
    Canvas C(360, 30);
    const HFONT F =
        CreateFontW(Height, 0, 0, 0, Weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, Face);
    SelectObject(C.Dc, F);
    SetBkMode(C.Dc, TRANSPARENT);
    TextOutW(C.Dc, 4, 4, Text.data(), int(Text.size()));
    DrawnLine Line;
    Line.Image = QImage(360, 30, QImage::Format_RGB32);
    for (int Y = 0; Y < 30; ++Y)
        for (int X = 0; X < 360; ++X) {
            const COLORREF Pixel = C.At(X, Y);
            Line.Image.setPixel(X, Y, qRgb(GetRValue(Pixel), GetGValue(Pixel), GetBValue(Pixel)));
            if (Pixel == White) continue;
            ++Line.Ink;
            Line.Right = std::max(Line.Right, X);
        }
    SelectObject(C.Dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(F);
    return Line;
}

} // namespace

// The status line and the port number are Tahoma 16 px bold: drawn bolder than the regular
// face, at the bold face's widths.
TEST(GdiText, BoldTahomaIsBolderThanRegular)
{
    const std::u16string_view Text = u"Нет ответа от прибора! COM 1";
    const DrawnLine Regular = DrawLine(u"Tahoma", -16, FW_NORMAL, Text);
    const DrawnLine Bold = DrawLine(u"Tahoma", -16, FW_BOLD, Text);
    if (const char *Shots = std::getenv("QRV4_SHOTS")) {
        Regular.Image.save(QString::fromUtf8(Shots) + "/tahoma16_regular.png");
        Bold.Image.save(QString::fromUtf8(Shots) + "/tahoma16_bold.png");
    }
    EXPECT_GT(Bold.Ink, Regular.Ink * 13 / 10) << Regular.Ink << " " << Bold.Ink;
    // Bold widths too, the twin's own, not the regular ones.
    EXPECT_GT(Bold.Right, Regular.Right + 10);
}

TEST(GdiText, ExtTextOutPlacesGlyphsAtTheGivenAdvances)
{
    Canvas C(100, 30);
    const HFONT F =
        CreateFontW(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"DejaVu Sans");
    SelectObject(C.Dc, F);
    SetBkMode(C.Dc, TRANSPARENT);
    const INT Dx[] = {40, 40};
    ExtTextOutW(C.Dc, 0, 0, 0, nullptr, u"II", 2, Dx);
    auto Inked = [&](int From, int To) {
        for (int X = From; X < To; ++X)
            for (int Y = 0; Y < 20; ++Y)
                if (C.At(X, Y) != White) return true;
        return false;
    };
    EXPECT_TRUE(Inked(0, 15));
    EXPECT_FALSE(Inked(15, 40));
    EXPECT_TRUE(Inked(40, 55));
    const RECT Clip{0, 0, 20, 30};
    ExtTextOutW(C.Dc, 60, 0, ETO_CLIPPED, &Clip, u"I", 1, nullptr);
    EXPECT_FALSE(Inked(56, 100)) << "clipped away";
    DeleteObject(F);
}

TEST(GdiText, DrawTextFlags)
{
    Canvas C(200, 60);
    const HFONT F =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"DejaVu Sans");
    SelectObject(C.Dc, F);
    RECT R{0, 0, 0, 0};
    DrawTextW(C.Dc, u"&Файл", -1, &R, DT_SINGLELINE | DT_CALCRECT);
    SIZE Plain;
    GetTextExtentPoint32W(C.Dc, u"Файл", 4, &Plain);
    EXPECT_EQ(R.right, Plain.cx) << "the prefix is consumed";
    RECT Hidden{0, 0, 0, 0};
    DrawTextW(C.Dc, u"&Файл", -1, &Hidden, DT_SINGLELINE | DT_CALCRECT | DT_HIDEPREFIX);
    EXPECT_EQ(Hidden.right, Plain.cx);
    RECT Noprefix{0, 0, 0, 0};
    DrawTextW(C.Dc, u"&Файл", -1, &Noprefix, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_GT(Noprefix.right, Plain.cx);
    RECT Narrow{0, 0, 40, 20};
    SetBkMode(C.Dc, TRANSPARENT);
    DrawTextW(C.Dc, u"Очень длинный текст", -1, &Narrow, DT_SINGLELINE | DT_END_ELLIPSIS);
    for (int X = 40; X < 200; ++X)
        EXPECT_EQ(C.At(X, 8), White) << X;
    RECT Two{0, 20, 60, 60};
    const int Height = DrawTextW(C.Dc, u"один два три", -1, &Two, DT_WORDBREAK | DT_CALCRECT);
    TEXTMETRICW M;
    GetTextMetricsW(C.Dc, &M);
    EXPECT_GE(Height, 2 * M.tmHeight);
    DeleteObject(F);
}

TEST(GdiIcons, AllZeroAlphaDrawsThroughTheMask)
{
    BYTE *Bits = nullptr;
    const HBITMAP Color = Dib32(2, 1, &Bits);
    const BYTE Pixels[] = {0, 0, 255, 0, 0, 255, 0, 0};
    std::memcpy(Bits, Pixels, sizeof(Pixels));
    const HBITMAP Mask = CreateBitmap(2, 1, 1, 1, nullptr); // all black: opaque
    ICONINFO Info{TRUE, 0, 0, Mask, Color};
    const HICON Icon = CreateIconIndirect(&Info);
    ASSERT_TRUE(Icon);
    Canvas C(2, 1);
    DrawIconEx(C.Dc, 0, 0, Icon, 0, 0, 0, {}, DI_NORMAL);
    EXPECT_EQ(C.At(0, 0), Red);
    EXPECT_EQ(C.At(1, 0), RGB(0, 255, 0));
    Bits[3] = 0x80; // now the alpha decides
    const HICON Half = CreateIconIndirect(&Info);
    Canvas D(2, 1);
    DrawIconEx(D.Dc, 0, 0, Half, 0, 0, 0, {}, DI_NORMAL);
    EXPECT_EQ(D.At(0, 0), RGB(255, 127, 127));
    EXPECT_EQ(D.At(1, 0), White) << "alpha 0 elsewhere";
    DestroyIcon(Icon);
    DestroyIcon(Half);
    DeleteObject(Color);
    DeleteObject(Mask);
}

TEST(GdiIcons, ImageListCutsStripsAndDrawsMasked)
{
    const HIMAGELIST L = ImageList_Create(2, 1, ILC_COLOR32 | ILC_MASK, 0, 4);
    Canvas Strip(4, 1);
    SetPixel(Strip.Dc, 0, 0, RGB(255, 0, 255));
    SetPixel(Strip.Dc, 1, 0, Blue);
    SetPixel(Strip.Dc, 2, 0, Red);
    SelectObject(Strip.Dc, Strip.Old);
    EXPECT_EQ(ImageList_AddMasked(L, Strip.Bitmap, RGB(255, 0, 255)), 0);
    EXPECT_EQ(ImageList_GetImageCount(L), 2);
    Canvas C(4, 1);
    SetPixel(C.Dc, 0, 0, Black);
    ImageList_Draw(L, 0, C.Dc, 0, 0, ILD_TRANSPARENT);
    ImageList_Draw(L, 1, C.Dc, 2, 0, ILD_NORMAL);
    EXPECT_EQ(C.At(0, 0), Black) << "the mask colour is transparent";
    EXPECT_EQ(C.At(1, 0), Blue);
    EXPECT_EQ(C.At(2, 0), Red);
    EXPECT_FALSE(ImageList_Remove(L, 5));
    EXPECT_TRUE(ImageList_Remove(L, 0));
    EXPECT_EQ(ImageList_GetImageCount(L), 1);
    ImageList_Destroy(L);
}

TEST(GdiControls, DrawEdgeUsesTheSystemColours)
{
    Canvas C(10, 10);
    RECT R{0, 0, 10, 10};
    DrawEdge(C.Dc, &R, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(C.At(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(C.At(9, 9), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(C.At(0, 9), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(C.At(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(C.At(8, 8), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(R.left, 2);
    EXPECT_EQ(R.bottom, 8);
}

// Where the glyph of a scroll button drawn in a 17 x 17 box is widest: its base,
// opposite the way it points.
std::string ScrollGlyphBase(UINT State)
{
    Canvas C(17, 17);
    RECT R{0, 0, 17, 17};
    EXPECT_TRUE(DrawFrameControl(C.Dc, &R, DFC_SCROLL, State));
    const COLORREF Ink = GetSysColor(COLOR_BTNTEXT);
    std::vector<int> rows, columns;
    for (int Y = 3; Y < 14; ++Y) {
        const std::string Row = C.Row(Y, 3, 14, Ink);
        if (const auto n = std::count(Row.begin(), Row.end(), '#')) rows.push_back(int(n));
    }
    for (int X = 3; X < 14; ++X) {
        int n = 0;
        for (int Y = 3; Y < 14; ++Y)
            n += C.At(X, Y) == Ink;
        if (n) columns.push_back(n);
    }
    if (rows.empty() || columns.empty()) return "none";
    if (rows.front() > rows.back()) return "top";
    if (rows.back() > rows.front()) return "bottom";
    return columns.front() > columns.back() ? "left" : "right";
}

TEST(GdiControls, ScrollArrowsPointTheWayTheirNamesSay)
{
    EXPECT_EQ(ScrollGlyphBase(DFCS_SCROLLCOMBOBOX), "top") << "a drop-down arrow points down";
    EXPECT_EQ(ScrollGlyphBase(DFCS_SCROLLDOWN), "top");
    EXPECT_EQ(ScrollGlyphBase(DFCS_SCROLLUP), "bottom");
    EXPECT_EQ(ScrollGlyphBase(DFCS_SCROLLLEFT), "right");
    EXPECT_EQ(ScrollGlyphBase(DFCS_SCROLLRIGHT), "left");
}

TEST(GdiControls, DrawStateMonoPaintsTheSilhouetteInTheBrush)
{
    Canvas Src(3, 1);
    SetPixel(Src.Dc, 1, 0, RGB(10, 200, 30));
    SelectObject(Src.Dc, Src.Old);
    Canvas C(6, 2);
    ASSERT_TRUE(DrawStateW(C.Dc, Brush(Blue).H, nullptr, reinterpret_cast<LPARAM>(Src.Bitmap), 0, 2,
                           1, 0, 0, DST_BITMAP | DSS_MONO));
    EXPECT_EQ(C.Row(1, 0, 6, Blue), "...#..") << "white is background, everything else ink";
    ASSERT_TRUE(DrawStateW(C.Dc, {}, nullptr, reinterpret_cast<LPARAM>(Src.Bitmap), 0, 0, 0, 0, 0,
                           DST_BITMAP | DSS_DISABLED));
    EXPECT_EQ(C.At(1, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(C.At(2, 1), GetSysColor(COLOR_3DHILIGHT));
}

TEST(GdiSettings, XpColoursMetricsAndOverrides)
{
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(236, 233, 216));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(49, 106, 197));
    EXPECT_EQ(GetSysColor(COLOR_MENUHILIGHT), RGB(49, 106, 197));
    EXPECT_EQ(GetSystemMetrics(SM_CXMENUCHECK), 13);
    win::OverrideSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
    const HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
    Canvas C(2, 2);
    const RECT R{0, 0, 2, 2};
    FillRect(C.Dc, &R, Face);
    EXPECT_EQ(C.At(0, 0), RGB(1, 2, 3));
    win::OverrideMonitors({{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 994}},
                           {RECT{1280, 0, 2560, 1024}, RECT{1280, 0, 2560, 1024}}});
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    RECT Work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
    EXPECT_EQ(Work.bottom, 994);
    MONITORINFO Info{sizeof(Info)};
    ASSERT_TRUE(
        GetMonitorInfoW(MonitorFromPoint(POINT{3000, 10}, MONITOR_DEFAULTTONEAREST), &Info));
    EXPECT_EQ(Info.rcMonitor.left, 1280);
    win::ResetSettings();
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(236, 233, 216));
    FillRect(C.Dc, &R, Face);
    EXPECT_EQ(C.At(0, 0), RGB(236, 233, 216));
    BOOL Flat = FALSE;
    SystemParametersInfoW(SPI_GETFLATMENU, 0, &Flat, 0);
    EXPECT_TRUE(Flat);
}

TEST(GdiState, PageDcReportsThePrintersResolutionAndScalesFonts)
{
    const HDC Page = win::CreatePageDC(1200, 1600, 600);
    ASSERT_TRUE(Page);
    EXPECT_EQ(GetDeviceCaps(Page, LOGPIXELSY), 600);
    EXPECT_EQ(GetDeviceCaps(Page, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(Page, HORZRES), 1200);
    EXPECT_EQ(GetPixel(Page, 1199, 1599), White);
    const int Height = -MulDiv(10, GetDeviceCaps(Page, LOGPIXELSY), 72);
    const HFONT F = CreateFontW(Height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                u"Liberation Sans");
    SelectObject(Page, F);
    TEXTMETRICW M;
    GetTextMetricsW(Page, &M);
    EXPECT_GE(M.tmHeight, 83);
    EXPECT_EQ(M.tmHeight - M.tmInternalLeading, 83) << "the em height is the logical height";
    DeleteObject(F);
    win::DeletePageDC(Page);
}

TEST(GdiSettings, DisplayIsSupportedHere)
{
    EXPECT_TRUE(win::DisplaySupported());
}

} // namespace
