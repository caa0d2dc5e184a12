#include "tests/vcl/VclTestSupport.h"

#include "platform/rtl/FileAccess.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/SysParams.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace vcltest;

namespace
{

class GraphicsTest : public VclTest
{
};

// ---- Colours -------------------------------------------------------------------------

TEST_F(GraphicsTest, ColorToRGB_ResolvesSystemColoursOnly)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clHighlight), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(static_cast<unsigned>(clBtnFace), 0x8000000Fu);
    EXPECT_EQ(clNone, 0x1FFFFFFF);
}

TEST_F(GraphicsTest, ColorNames_RoundTripAndNumbers)
{
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(StringToColor("CLRED"), clRed);
    EXPECT_EQ(StringToColor("$00FF00"), clLime);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_THROW(StringToColor("clNoSuch"), EConvertError);
    int count = 0;
    GetColorValues([&](const AnsiString &Name) {
        TColor c;
        EXPECT_TRUE(IdentToColor(Name, c));
        ++count;
    });
    EXPECT_EQ(count, 52);
}

// ---- Font, pen, brush ---------------------------------------------------------------------

TEST_F(GraphicsTest, Font_SizeAndHeightAt96Dpi)
{
    TFont font;
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
    font.SetHeight(-16);
    EXPECT_EQ(font.Size(), 12);
    font.SetHeight(16);
    EXPECT_EQ(font.Size(), -12);
}

TEST_F(GraphicsTest, Font_ChangesNotifyAndAssignCopies)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject *) { ++changes; };
    font.SetName("Arial");
    font.SetStyle({fsBold});
    font.SetColor(clRed);
    font.SetName("Arial");
    EXPECT_EQ(changes, 3);
    TFont copy;
    copy.Assign(&font);
    EXPECT_EQ(copy.Name(), "Arial");
    EXPECT_TRUE(copy.Style().Contains(fsBold));
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_EQ(copy.Height(), font.Height());
    TPen pen;
    EXPECT_THROW(copy.Assign(&pen), EConvertError);
}

TEST_F(GraphicsTest, Brush_ColourMakesAClearBrushSolid)
{
    TBrush brush;
    brush.SetStyle(bsClear);
    brush.SetColor(clRed);
    EXPECT_EQ(brush.Style(), bsSolid);
    EXPECT_EQ(bsDiagCross - 2, HS_DIAGCROSS);
}

// ---- Canvas on a bitmap ------------------------------------------------------------------

TEST_F(GraphicsTest, Canvas_FillRectLeavesOutRightAndBottomEdges)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(10, 10);
    TCanvas *canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clBlue);
    canvas->FillRect(Rect(2, 2, 6, 6));
    EXPECT_EQ(canvas->Pixels(2, 2), clBlue);
    EXPECT_EQ(canvas->Pixels(5, 5), clBlue);
    EXPECT_EQ(canvas->Pixels(6, 5), clWhite);
    EXPECT_EQ(canvas->Pixels(5, 6), clWhite);
}

// Counts the pixels of an area that have a colour, and those that do not.
struct PixelCount {
    int Matching = 0;
    int Other = 0;
};

PixelCount CountPixels(TCanvas *Canvas, const TRect &Area, TColor Colour)
{
    PixelCount count;
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x)
            ++(Canvas->Pixels(x, y) == Colour ? count.Matching : count.Other);
    return count;
}

TEST_F(GraphicsTest, Canvas_TextRectPaintsOnlyInsideItsRectangle)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(60, 40);
    TCanvas *canvas = bitmap.Canvas();
    canvas->Font()->SetHeight(-20);
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetColor(clYellow);
    const TRect box = Rect(10, 10, 30, 25);
    // Text that starts left of and above the box and runs far past it.
    canvas->TextRect(box, 2, 2, "WWWWWWWWWW");
    const PixelCount outside = CountPixels(canvas, Rect(0, 0, 60, 40), clWhite);
    const PixelCount inside = CountPixels(canvas, box, clYellow);
    EXPECT_EQ(outside.Matching, 60 * 40 - box.Width() * box.Height());
    // The box is filled with the brush, and the text's ink shows in it.
    EXPECT_GT(inside.Matching, 0);
    EXPECT_GT(inside.Other, 0);
    EXPECT_EQ(CountPixels(canvas, box, clWhite).Matching, 0);
}

TEST_F(GraphicsTest, Canvas_TextRectWithClearBrushKeepsTheBackground)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(60, 40);
    TCanvas *canvas = bitmap.Canvas();
    canvas->Font()->SetHeight(-20);
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    const TRect box = Rect(10, 10, 30, 25);
    canvas->TextRect(box, 2, 2, "WWWWWWWWWW");
    EXPECT_EQ(CountPixels(canvas, Rect(0, 0, 60, 40), clWhite).Other,
              CountPixels(canvas, box, clWhite).Other);
    EXPECT_GT(CountPixels(canvas, box, clWhite).Other, 0);
    EXPECT_EQ(CountPixels(canvas, box, clYellow).Matching, 0);
}

TEST_F(GraphicsTest, Canvas_LineToLeavesOutTheEndPoint)
{
    TBitmap bitmap;
    bitmap.SetSize(10, 10);
    TCanvas *canvas = bitmap.Canvas();
    canvas->Pen()->SetColor(clRed);
    canvas->MoveTo(1, 1);
    canvas->LineTo(5, 1);
    EXPECT_EQ(canvas->Pixels(4, 1), clRed);
    EXPECT_EQ(canvas->Pixels(5, 1), clWhite);
    EXPECT_EQ(canvas->PenPos(), TPoint(5, 1));
}

TEST_F(GraphicsTest, Canvas_TextOutStartsAtTheCellTopLeftAndClearBrushKeepsTheBack)
{
    TBitmap bitmap;
    bitmap.SetSize(60, 30);
    TCanvas *canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clYellow);
    canvas->FillRect(Rect(0, 0, 60, 30));
    canvas->Font()->SetName("Tahoma");
    canvas->Font()->SetHeight(-16);
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(10, 5, "W");
    const int width = canvas->TextWidth("W");
    const int height = canvas->TextHeight("W");
    EXPECT_GT(width, 5);
    EXPECT_GT(height, 10);
    bool inkInside = false, inkOutside = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            const TColor c = canvas->Pixels(x, y);
            if (c == clYellow) continue;
            const bool inside = x >= 10 && x < 10 + width && y >= 5 && y < 5 + height;
            (inside ? inkInside : inkOutside) = true;
        }
    EXPECT_TRUE(inkInside);
    EXPECT_FALSE(inkOutside);
}

TEST_F(GraphicsTest, Bitmap_ResizeKeepsPixelsAndFormatChangeKeepsColours)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(4, 4);
    bitmap.Canvas()->SetPixels(1, 1, clRed);
    bitmap.SetSize(8, 8);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(bitmap.Canvas()->Pixels(7, 7), clWhite);
    bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
    // Row 1's third byte of pixel 1 is red in BGR order.
    const auto *row = static_cast<const std::uint8_t *>(bitmap.ScanLine(1));
    EXPECT_EQ(row[3 + 2], 255);
    EXPECT_EQ(row[3 + 0], 0);
}

TEST_F(GraphicsTest, Bitmap_SavesAndLoadsBmpFiles)
{
    const std::string path = "/tmp/qrv4_vcl_" + std::to_string(getpid()) + ".bmp";
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(5, 3);
        bitmap.Canvas()->SetPixels(4, 2, clGreen);
        bitmap.SaveToFile(path.c_str());
    }
    TPicture picture;
    picture.LoadFromFile(path.c_str());
    auto *loaded = dynamic_cast<TBitmap *>(picture.Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Width(), 5);
    EXPECT_EQ(loaded->Height(), 3);
    EXPECT_EQ(loaded->Canvas()->Pixels(4, 2), clGreen);
    std::remove(path.c_str());
    EXPECT_THROW(picture.LoadFromFile((path + ".xyz").c_str()), EInvalidGraphic);
}

// A picture file far larger than any is refused unread, naming the file and why; the picture
// shown before stays.
TEST_F(GraphicsTest, Picture_AFileAboveTheLimitIsRefusedAndThePictureKept)
{
    const testsupport::TestFolder folder("qrv4_vcl_");
    const std::string shown = (folder / "shown.bmp").string();
    const std::string huge = (folder / "huge.bmp").string();
    {
        TBitmap bitmap;
        bitmap.SetSize(5, 3);
        bitmap.SaveToFile(shown.c_str());
    }
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(huge, 8 * testsupport::GiB));
    TPicture picture;
    picture.LoadFromFile(shown.c_str());
    try {
        picture.LoadFromFile(huge.c_str());
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.Message().ToStd(), "Cannot open file \"" + huge + "\". " +
                                           SysErrorMessage(rtl::TooLargeFileError).ToStd());
    }
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->Width(), 5);
}

// A full disk in the middle of the save left the picture cut short.
TEST_F(GraphicsTest, Bitmap_AFailedSaveKeepsTheOldPicture)
{
    const std::string path = "/tmp/qrv4_vcl_kept_" + std::to_string(getpid()) + ".bmp";
    const auto bytes = [&] {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(40, 30);
    bitmap.SaveToFile(path.c_str());
    const std::string before = bytes();
    bitmap.Canvas()->SetPixels(4, 2, clGreen);
    {
        testsupport::FileSizeLimit full(before.size() / 2);
        EXPECT_THROW(bitmap.SaveToFile(path.c_str()), EFCreateError);
    }
    EXPECT_EQ(bytes(), before);
    std::remove(path.c_str());
}

TEST_F(GraphicsTest, Bitmap_TransparentDrawKeepsTheBackground)
{
    TBitmap sprite;
    sprite.SetSize(4, 4);
    sprite.Canvas()->Brush()->SetColor(clFuchsia);
    sprite.Canvas()->FillRect(Rect(0, 0, 4, 4));
    sprite.Canvas()->SetPixels(1, 1, clBlue);
    sprite.SetTransparent(true);
    EXPECT_EQ(sprite.TransparentColor(), clFuchsia);
    TBitmap target;
    target.SetSize(8, 8);
    target.Canvas()->Brush()->SetColor(clLime);
    target.Canvas()->FillRect(Rect(0, 0, 8, 8));
    target.Canvas()->Draw(2, 2, &sprite);
    EXPECT_EQ(target.Canvas()->Pixels(3, 3), clBlue);
    EXPECT_EQ(target.Canvas()->Pixels(2, 2), clLime);
}

TEST_F(GraphicsTest, Icon_AdoptsAHandleAndDrawsThroughItsMask)
{
    // A 4x4 icon: blue, with its left half masked out.
    TBitmap colour, mask;
    colour.SetSize(4, 4);
    colour.Canvas()->Brush()->SetColor(clBlue);
    colour.Canvas()->FillRect(Rect(0, 0, 4, 4));
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(4, 4);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, 4, 4));
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(Rect(0, 0, 2, 4));
    ICONINFO info{TRUE, 0, 0, mask.Handle(), colour.Handle()};
    TPicture picture;
    TIcon *icon = picture.Icon();
    icon->SetHandle(CreateIconIndirect(&info));
    EXPECT_EQ(icon->Width(), 4);
    EXPECT_EQ(picture.Height(), 4);
    TBitmap target;
    target.SetSize(8, 8);
    target.Canvas()->Brush()->SetColor(clLime);
    target.Canvas()->FillRect(Rect(0, 0, 8, 8));
    target.Canvas()->Draw(2, 2, icon);
    EXPECT_EQ(target.Canvas()->Pixels(5, 3), clBlue);
    EXPECT_EQ(target.Canvas()->Pixels(2, 3), clLime);
    TIcon copy;
    copy.Assign(icon);
    EXPECT_NE(copy.Handle(), icon->Handle());
    EXPECT_EQ(copy.Width(), 4);
}

// ---- Image lists ------------------------------------------------------------------------

// Records which operations reached it, and uses the raw list beneath without recursion.
class TRecordingImageList : public TImageList
{
public:
    using TImageList::TImageList;
    std::vector<std::string> Calls;
    using TCustomImageList::Add;
    int Add(TBitmap *Image, TBitmap *Mask) override
    {
        Calls.push_back("add");
        if (!Image) return -1;
        return RawInsert(Count(), MakeImage(Width(), Height(), Image, Mask, clNone));
    }
    void Delete(int Index) override
    {
        Calls.push_back("delete");
        TImageList::Delete(Index);
    }

protected:
    void DoDraw(int Index, TCanvas *Canvas, int X, int Y, UINT Style, bool Enabled) override
    {
        Calls.push_back("draw " + std::to_string(Index));
        TImageList::DoDraw(Index, Canvas, X, Y, Style, Enabled);
    }
};

std::unique_ptr<TBitmap> Square(TColor Color)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(16, 16);
    bitmap->Canvas()->Brush()->SetColor(Color);
    bitmap->Canvas()->FillRect(Rect(0, 0, 16, 16));
    return bitmap;
}

TEST_F(GraphicsTest, ImageList_VirtualOperationsReachTheDerivedList)
{
    TRecordingImageList list(nullptr);
    TCustomImageList *base = &list;
    auto red = Square(clRed);
    EXPECT_EQ(base->Add(red.get(), nullptr), 0);
    EXPECT_EQ(base->Add(nullptr, nullptr), -1);
    base->Delete(5);
    TBitmap target;
    target.SetSize(20, 20);
    base->Draw(target.Canvas(), 2, 2, 0);
    EXPECT_EQ(list.Calls, (std::vector<std::string>{"add", "add", "delete", "draw 0"}));
    EXPECT_EQ(target.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(GraphicsTest, ImageList_OperationsKeepOrderAndTellTheirLinks)
{
    TImageList list(nullptr);
    TChangeLink link;
    int changes = 0;
    link.OnChange = [&](TObject *Sender) {
        EXPECT_EQ(Sender, &list);
        ++changes;
    };
    list.RegisterChanges(&link);
    auto red = Square(clRed), green = Square(clGreen), blue = Square(clBlue);
    list.Add(red.get(), nullptr);
    list.Add(green.get(), nullptr);
    list.Insert(0, blue.get(), nullptr);
    list.Move(0, 2);
    EXPECT_EQ(changes, 4);
    TBitmap picture;
    list.GetBitmap(2, &picture);
    EXPECT_EQ(picture.Canvas()->Pixels(8, 8), clBlue);
    EXPECT_THROW(list.Replace(3, red.get(), nullptr), EInvalidOperation);
    list.ReplaceMasked(0, green.get(), clGreen);
    list.GetBitmap(0, &picture);
    // The masked-out picture shows the background it is drawn on.
    EXPECT_EQ(picture.Canvas()->Pixels(8, 8), TColor(ColorToRGB(clBtnFace)));
    TIcon icon;
    list.GetIcon(2, &icon);
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 16);
    TBitmap onIcon;
    onIcon.SetSize(16, 16);
    onIcon.Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(onIcon.Canvas()->Pixels(8, 8), clBlue);
    list.SetWidth(24);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 6);
}

} // namespace
