// Cursors of our own pictures: the two planes read into a picture with the
// hot spot, and what Qt is given for them and for the stock cursors.

#include "platform/win/Cursor.h"
#include "platform/win/Icon.h"
#include "platform/win/WindowWidget.h"
#include "tests/win/WinTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace
{

TEST(Cursor, ThePlanesGiveClearBlackWhiteAndInvertedPixels)
{
    // 18 pixels wide: rows of two 16-bit words. Row 0 holds the four kinds at
    // x = 0..3, and the last pixel (x = 17) is black.
    std::array<BYTE, 8> And{}, Xor{};
    And.fill(0xFF);
    And[0] = 0b10011111; // x = 1, 2 opaque
    And[2] = 0b10111111; // x = 17 opaque
    Xor[0] = 0b10100000; // x = 0 and x = 2 set
    const HCURSOR Cursor = CreateCursor(nullptr, 3, 1, 18, 2, And.data(), Xor.data());
    ASSERT_NE(Cursor, HCURSOR{});
    const win::IconData *D = win::IconOf(Cursor);
    ASSERT_NE(D, nullptr);
    EXPECT_FALSE(D->IsIcon);
    EXPECT_EQ(D->Picture.size(), QSize(18, 2));
    EXPECT_EQ(D->Picture.pixel(0, 0), 0xFF000000u)
        << "clear and set: the screen inverted, shown black";
    EXPECT_EQ(D->Picture.pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(D->Picture.pixel(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(qAlpha(D->Picture.pixel(3, 0)), 0);
    EXPECT_EQ(D->Picture.pixel(17, 0), 0xFF000000u) << "rows are padded to whole words";
    EXPECT_EQ(qAlpha(D->Picture.pixel(17, 1)), 0);

    const QCursor Shown = win::QtCursor(Cursor);
    EXPECT_EQ(Shown.shape(), Qt::BitmapCursor);
    EXPECT_EQ(Shown.hotSpot(), QPoint(3, 1));
    EXPECT_EQ(Shown.pixmap().toImage().pixel(2, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(DestroyCursor(Cursor));
    EXPECT_NE(win::QtCursor(Cursor).shape(), Qt::BitmapCursor);
    EXPECT_EQ(CreateCursor(nullptr, 0, 0, 0, 4, And.data(), Xor.data()), HCURSOR{});
}

TEST(Cursor, StockCursorsKeepTheirShapes)
{
    EXPECT_EQ(win::QtCursor(LoadCursorW(nullptr, IDC_HAND)).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(win::QtCursor(LoadCursorW(nullptr, IDC_IBEAM)).shape(), Qt::IBeamCursor);
}

} // namespace
