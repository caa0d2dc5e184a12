#include "report/frxClass.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

namespace
{

// A white 24-bit bitmap to draw on; pixels are read back through its canvas.
struct Sheet {
    TBitmap Bitmap;
    explicit Sheet(int Width = 140, int Height = 80)
    {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(Width, Height);
    }
    TCanvas *Canvas() { return Bitmap.Canvas(); }
    TColor At(int X, int Y) { return Bitmap.Canvas()->Pixels(X, Y); }
    // One row as text: '#' for Color, '.' for white, '?' for anything else.
    std::string Row(int Y, int From, int To, TColor Color = clBlack)
    {
        std::string Text;
        for (int X = From; X <= To; ++X) {
            const TColor C = At(X, Y);
            Text += C == Color ? '#' : C == clWhite ? '.' : '?';
        }
        return Text;
    }
    std::string Column(int X, int From, int To, TColor Color = clBlack)
    {
        std::string Text;
        for (int Y = From; Y <= To; ++Y) {
            const TColor C = At(X, Y);
            Text += C == Color ? '#' : C == clWhite ? '.' : '?';
        }
        return Text;
    }
    std::string Dump()
    {
        std::string Text;
        for (int Y = 0; Y < Bitmap.Height(); ++Y)
            Text += Row(Y, 0, Bitmap.Width() - 1) + "\n";
        return Text;
    }
};

// Left, Count times Fill, Right: a row of pixels with its edges.
std::string Edged(const char *Left, int Count, char Fill, const char *Right)
{
    std::string Text(Left);
    Text.append(static_cast<std::size_t>(Count), Fill);
    Text.append(Right);
    return Text;
}

template <class T> std::unique_ptr<T> Placed(double Left, double Top, double Width, double Height)
{
    auto View = std::make_unique<T>(nullptr);
    View->SetBounds(Left, Top, Width, Height);
    return View;
}

int Count(Sheet &S, TColor Color)
{
    int N = 0;
    for (int Y = 0; Y < S.Bitmap.Height(); ++Y)
        for (int X = 0; X < S.Bitmap.Width(); ++X)
            N += S.At(X, Y) == Color;
    return N;
}

// ---- the pixel box, the fill and the frame ----

TEST(ViewDrawing, PixelBoxRoundsHalvesToEvenAtAnyScaleAndOffset)
{
    for (const auto &[Left, First] : {std::pair{10.5, 10}, std::pair{11.5, 12}}) {
        Sheet S;
        auto View = Placed<TfrxView>(Left, 2, 5, 3);
        View->SetColor(clRed);
        View->Draw(S.Canvas(), 1, 1, 0, 0);
        EXPECT_EQ(S.At(First - 1, 3), clWhite) << Left;
        EXPECT_EQ(S.At(First, 3), clRed) << Left;
    }
    // Left 10, width 5 at scale 2 and offset 3: pixels 23 to 32, the right edge left out.
    Sheet S;
    auto View = Placed<TfrxView>(10, 4, 5, 2.25);
    View->SetColor(clRed);
    View->Draw(S.Canvas(), 2, 2, 3, 1);
    EXPECT_EQ(S.Row(10, 22, 33, clRed), ".##########.");
    // Top 4 * 2 + 1 = 9, bottom (6.25) * 2 + 1 = 13.5, to 14 by the even rule.
    EXPECT_EQ(S.Column(25, 8, 14, clRed), ".#####.");
}

TEST(ViewDrawing, AViewFarOffThePageDrawsNothingOnIt)
{
    // A script may move a view anywhere; far beyond the sheet it leaves the sheet white.
    for (const auto &[Left, Top, Width] :
         {std::tuple{1e12, 2.0, 5.0}, std::tuple{-1e15, 2.0, 5.0}, std::tuple{2.0, -1e300, 5.0}}) {
        Sheet S;
        auto View = Placed<TfrxView>(Left, Top, Width, 3);
        View->SetColor(clRed);
        View->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
        View->Draw(S.Canvas(), 2, 2, 3, 1);
        EXPECT_EQ(Count(S, clWhite), 140 * 80) << Left << " " << Top;
    }
}

TEST(ViewDrawing, OnePixelBottomLineReachesTheRightEdge)
{
    Sheet S;
    auto View = Placed<TfrxView>(10, 10, 20, 10);
    View->Frame()->SetTyp({ftBottom});
    View->Draw(S.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(S.Row(20, 9, 31), Edged(".", 21, '#', "."));
    EXPECT_EQ(Count(S, clBlack), 21);
}

TEST(ViewDrawing, SolidFrameWidthFollowsTheScaleAndCentresOnTheSide)
{
    // Frame width W at scale K is W * K pixels, centred on the side as a pen draws it.
    struct Case {
        double Width, Scale;
        std::string LeftSide; // columns X - 2 .. X + 2 in the middle of the left side
    };
    for (const Case &C : {Case{1, 1, "..#.."}, Case{2, 1, ".##.."}, Case{3, 1, ".###."},
                          Case{1, 2, ".##.."}, Case{1.5, 2, ".###."}}) {
        Sheet S;
        auto View = Placed<TfrxView>(10, 5, 30, 20);
        View->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
        View->Frame()->SetWidth(C.Width);
        View->Draw(S.Canvas(), C.Scale, C.Scale, 0, 0);
        const int X = static_cast<int>(10 * C.Scale), MidY = static_cast<int>(15 * C.Scale);
        EXPECT_EQ(S.Row(MidY, X - 2, X + 2), C.LeftSide) << C.Width << " at " << C.Scale;
        const int Y = static_cast<int>(5 * C.Scale), MidX = static_cast<int>(25 * C.Scale);
        EXPECT_EQ(S.Column(MidX, Y - 2, Y + 2), C.LeftSide) << C.Width << " at " << C.Scale;
    }
}

TEST(ViewDrawing, DropShadowLiesInsideTheBoxAtEveryScale)
{
    Sheet S(120, 60);
    auto View = Placed<TfrxView>(0, 0, 100, 50);
    View->Frame()->SetDropShadow(true);
    View->Draw(S.Canvas(), 1, 1, 0, 0);
    for (int Y = 0; Y < 60; ++Y)
        for (int X = 0; X < 120; ++X) {
            const bool Right = X >= 96 && X <= 99 && Y >= 4 && Y <= 45;
            const bool Bottom = X >= 4 && X <= 99 && Y >= 46 && Y <= 49;
            ASSERT_EQ(S.At(X, Y), Right || Bottom ? clBlack : clWhite) << X << "," << Y;
        }

    // At half scale the shadow is 2 pixels: the box is 48 x 23.
    Sheet Half(60, 30);
    View->Frame()->SetShadowColor(clBlue);
    View->Draw(Half.Canvas(), 0.5, 0.5, 0, 0);
    EXPECT_EQ(Half.Row(10, 46, 51, clBlue), "..##..");
    EXPECT_EQ(Half.Column(20, 21, 26, clBlue), "..##..");
    EXPECT_EQ(Count(Half, clBlue), 2 * (23 - 2) + 2 * 48);
}

TEST(ViewDrawing, NoFrameLinesWithoutSidesColourOrWidthButTheShadowStays)
{
    auto Framed = [](auto Change) {
        Sheet S(60, 40);
        auto View = Placed<TfrxView>(5, 5, 40, 20);
        View->Frame()->SetTyp({ftLeft, ftTop});
        View->Frame()->SetDropShadow(true);
        View->Frame()->SetShadowColor(clBlue);
        Change(*View->Frame());
        View->Draw(S.Canvas(), 1, 1, 0, 0);
        return std::pair{Count(S, clBlack), Count(S, clBlue)};
    };
    EXPECT_GT(Framed([](TfrxFrame &) {}).first, 0);
    for (auto Change :
         {+[](TfrxFrame &F) { F.SetTyp({}); }, +[](TfrxFrame &F) { F.SetColor(clNone); },
          +[](TfrxFrame &F) { F.SetWidth(0); }}) {
        const auto [Lines, Shadow] = Framed(Change);
        EXPECT_EQ(Lines, 0);
        EXPECT_EQ(Shadow, 4 * (21 - 9) + 4 * 36);
    }
}

TEST(ViewDrawing, DashedFrameOfWidthThreeIsThreeDashedLines)
{
    for (TfrxFrameStyle Style : {fsDash, fsDot, fsDashDot, fsDashDotDot}) {
        Sheet S(80, 40);
        auto View = Placed<TfrxView>(5, 10, 60, 20);
        View->Frame()->SetTyp({ftTop});
        View->Frame()->SetStyle(Style);
        View->Frame()->SetWidth(3);
        View->Draw(S.Canvas(), 1, 1, 0, 0);
        const std::string Line = S.Row(10, 5, 64);
        EXPECT_NE(Line.find('#'), std::string::npos) << Style;
        EXPECT_NE(Line.find('.'), std::string::npos) << "gaps stay clear, style " << Style;
        EXPECT_EQ(S.Row(9, 5, 64), Line) << Style;
        EXPECT_EQ(S.Row(11, 5, 64), Line) << Style;
        EXPECT_EQ(S.Row(8, 0, 79), std::string(80, '.')) << Style;
        EXPECT_EQ(S.Row(12, 0, 79), std::string(80, '.')) << Style;
    }
}

TEST(ViewDrawing, DashGapsShowTheFillColour)
{
    Sheet S(80, 40);
    auto View = Placed<TfrxView>(5, 10, 60, 20);
    View->SetColor(clYellow);
    View->Frame()->SetTyp({ftTop});
    View->Frame()->SetStyle(fsDash);
    View->Draw(S.Canvas(), 1, 1, 0, 0);
    std::string Line;
    for (int X = 5; X < 65; ++X)
        Line += S.At(X, 10) == clBlack ? '#' : S.At(X, 10) == clYellow ? 'y' : '?';
    EXPECT_EQ(Line.find('?'), std::string::npos) << Line;
    EXPECT_NE(Line.find('y'), std::string::npos) << Line;
    EXPECT_NE(Line.find('#'), std::string::npos) << Line;
}

TEST(ViewDrawing, DoubleFrameDrawsOuterAndInnerLinesWithTheFillBetween)
{
    Sheet S(80, 50);
    auto View = Placed<TfrxView>(10, 10, 40, 20);
    View->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    View->Frame()->SetStyle(fsDouble);
    View->Draw(S.Canvas(), 1, 1, 0, 0);
    // Left side in the middle: outer at X - 1, inner at X + 1, the side itself clear.
    EXPECT_EQ(S.Row(20, 7, 13), "..#.#..");
    // The outer top line reaches out to the outer left and right lines ...
    EXPECT_EQ(S.Row(9, 8, 52), Edged(".", 43, '#', "."));
    // ... and the inner one stops at the inner lines.
    EXPECT_EQ(S.Row(11, 10, 50), Edged(".", 39, '#', "."));

    Sheet Filled(80, 50);
    View->SetColor(clRed);
    View->Draw(Filled.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Filled.At(9, 20), clBlack);
    EXPECT_EQ(Filled.At(10, 20), clRed);
    EXPECT_EQ(Filled.At(11, 20), clBlack);
    EXPECT_EQ(Filled.At(10, 10), clRed) << "the side is drawn in the fill colour";
}

TEST(ViewDrawing, HatchInFrameColourOverTheFillAndNoneForAClearBrush)
{
    Sheet Hatched(60, 40);
    auto View = Placed<TfrxView>(5, 5, 40, 20);
    View->SetBrushStyle(bsHorizontal);
    View->Frame()->SetColor(clBlue);
    View->Draw(Hatched.Canvas(), 1, 1, 0, 0);
    const std::string Column = Hatched.Column(20, 7, 22, clBlue);
    EXPECT_NE(Column.find('#'), std::string::npos) << Column;
    EXPECT_NE(Column.find('.'), std::string::npos) << Column;
    EXPECT_EQ(Hatched.Row(12, 7, 42, clBlue),
              std::string(36, Hatched.At(7, 12) == clBlue ? '#' : '.'))
        << "horizontal hatch lines run across";

    // A clear brush draws nothing at all, with or without a fill.
    Sheet Clear(60, 40);
    View->SetBrushStyle(bsClear);
    View->Draw(Clear.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Count(Clear, clWhite), 60 * 40);
    View->SetColor(clRed);
    View->Draw(Clear.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Count(Clear, clRed), 40 * 20);
    EXPECT_EQ(Count(Clear, clRed) + Count(Clear, clWhite), 60 * 40);
}

TEST(ViewDrawing, DrawLineSpreadsEvenAndOddWidthsAroundTheLine)
{
    // A diagonal line draws W one-pixel lines shifted across its main direction.
    for (const auto &[Width, Start] : {std::pair{1.0, "..#.."}, std::pair{2.0, ".##.."},
                                       std::pair{3.0, ".###."}, std::pair{4.0, "####."}}) {
        Sheet S(40, 40);
        auto Line = Placed<TfrxLineView>(10, 10, 10, 20);
        Line->SetDiagonal(true);
        Line->Frame()->SetWidth(Width);
        Line->Draw(S.Canvas(), 1, 1, 0, 0);
        EXPECT_EQ(S.Row(10, 8, 12), Start) << Width;
        EXPECT_EQ(S.Row(30, 17, 23), ".......") << "the end points are left out, width " << Width;
        EXPECT_EQ(Count(S, clBlack), 20 * static_cast<int>(Width)) << Width;
    }
}

// ---- shapes ----

TEST(ShapeDrawing, RectangleFillsAndOutlinesItsBoxInclusive)
{
    Sheet S(60, 40);
    auto Shape = Placed<TfrxShapeView>(5, 5, 20, 10);
    Shape->SetColor(clRed);
    Shape->Draw(S.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(S.Row(5, 4, 26), Edged(".", 21, '#', "."));
    EXPECT_EQ(S.Row(10, 4, 26, clRed), Edged(".?", 19, '#', "?."));
    EXPECT_EQ(S.Column(15, 4, 16), Edged(".#", 9, '?', "#."));
}

TEST(ShapeDrawing, RoundRectangleCornerIsAQuarterOfTheShorterSide)
{
    auto TopEdge = [](int Curve) {
        Sheet S(80, 140);
        auto Shape = Placed<TfrxShapeView>(10, 10, 40, 100);
        Shape->SetShape(skRoundRectangle);
        Shape->SetCurve(Curve);
        Shape->Draw(S.Canvas(), 1, 1, 0, 0);
        EXPECT_EQ(S.At(10, 10), clWhite) << "the corner is cut, curve " << Curve;
        EXPECT_EQ(S.At(10, 60), clBlack);
        EXPECT_EQ(S.At(30, 10), clBlack);
        return S.Row(10, 10, 30);
    };
    // Curve 0 on a 40 x 100 box: corners of 10 pixels, as a curve of 1 gives at scale 1.
    EXPECT_EQ(TopEdge(0), TopEdge(1));
    EXPECT_NE(TopEdge(0), TopEdge(2));
    EXPECT_GT(TopEdge(2).find('#'), TopEdge(1).find('#'));
}

TEST(ShapeDrawing, TriangleDiamondAndDiagonalsUseTheBoxCorners)
{
    Sheet S(60, 60);
    auto Shape = Placed<TfrxShapeView>(10, 10, 20, 20);
    Shape->SetShape(skTriangle);
    Shape->Draw(S.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(S.At(20, 10), clBlack) << "apex at the top middle";
    EXPECT_EQ(S.At(10, 10), clWhite);
    EXPECT_EQ(S.Row(30, 9, 31), Edged(".", 21, '#', ".")) << "base along the bottom";

    Sheet Diamond(60, 60);
    Shape->SetShape(skDiamond);
    Shape->Draw(Diamond.Canvas(), 1, 1, 0, 0);
    for (auto [X, Y] : {std::pair{20, 10}, {30, 20}, {20, 30}, {10, 20}})
        EXPECT_EQ(Diamond.At(X, Y), clBlack) << X << "," << Y;
    EXPECT_EQ(Diamond.At(10, 10), clWhite);

    Sheet Diagonal(60, 60);
    Shape->SetShape(skDiagonal1);
    Shape->Draw(Diagonal.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Diagonal.At(10, 30), clBlack);
    EXPECT_EQ(Diagonal.At(20, 20), clBlack);
    EXPECT_EQ(Diagonal.At(30, 10), clWhite) << "the end point is left out";
    EXPECT_EQ(Count(Diagonal, clBlack), 20);
}

TEST(ShapeDrawing, DoubleFrameStyleDrawsNoOutlineAndHatchesGoOverTheFill)
{
    Sheet S(60, 40);
    auto Shape = Placed<TfrxShapeView>(5, 5, 20, 10);
    Shape->SetColor(clRed);
    Shape->Frame()->SetStyle(fsDouble);
    Shape->Draw(S.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Count(S, clBlack), 0);
    EXPECT_GT(Count(S, clRed), 0);

    Sheet Hatched(60, 40);
    Shape->Frame()->SetStyle(fsSolid);
    Shape->Frame()->SetColor(clBlue);
    Shape->SetBrushStyle(bsCross);
    Shape->Draw(Hatched.Canvas(), 1, 1, 0, 0);
    EXPECT_GT(Count(Hatched, clRed), 0) << "the fill under the hatch";
    EXPECT_GT(Count(Hatched, clBlue), 2 * (21 + 11)) << "outline and hatch lines";
    EXPECT_EQ(Hatched.At(4, 4), clWhite);
}

TEST(ShapeDrawing, ScriptEnumerationAndDifferenceNameTheShape)
{
    TfrxShapeView A(nullptr), B(nullptr);
    B.SetShape(skDiagonal1);
    EXPECT_EQ(B.Diff(&A), " Shape=\"5\"");
    EXPECT_EQ(A.Diff(&A), "");
    TfrxShapeView Designed(nullptr, skEllipse);
    EXPECT_EQ(Designed.Shape(), skEllipse);
}
} // namespace
