// The graphics module: colour constants, font styles, and drawing on bitmaps and
// metafiles from scripts.

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Graphics.h"
#include "tests/script/ScriptRun.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace scriptrun;

// Text measuring and painting need the application's fonts.
using GraphicsModule = vcltest::VclTest;

namespace
{

// A 24-bit colour of the script's bitmap b at (X, Y).
TColor PixelOf(TfsScript &Script, const char *Name, int X, int Y)
{
    auto *Bitmap = dynamic_cast<TBitmap *>(VarToObject(Script.Variables(Name)));
    EXPECT_NE(Bitmap, nullptr);
    return Bitmap ? Bitmap->Canvas()->Pixels(X, Y) : clNone;
}

} // namespace

TEST_F(GraphicsModule, ColoursAndStylesInEveryLanguage)
{
    auto Pascal = Make("PascalScript", {"var a, b, c, d, e: Integer;",
                                        "begin a := clBtnFace; b := fsBold or fsUnderline;",
                                        "c := clRed; d := clNone; e := clBlue; end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "a"), "-2147483633");
    EXPECT_EQ(Text(*Pascal, "b"), "5");
    EXPECT_EQ(Text(*Pascal, "c"), "255");
    EXPECT_EQ(Text(*Pascal, "d"), "536870911");
    EXPECT_EQ(Text(*Pascal, "e"), "16711680");

    auto Cpp = Make("C++Script", {"int a; { a = clWhite + psDot + bsCross + pmXor; }"});
    Exec(*Cpp);
    EXPECT_EQ(Text(*Cpp, "a"), std::to_string(0xFFFFFF + 2 + 6 + 14));

    auto Basic = Make("BasicScript", {"a = clMoneyGreen", "b = fpFixed"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "a"), std::to_string(0xC0DCC0));
    EXPECT_EQ(Text(*Basic, "b"), "2");

    auto JS = Make("JScript", {"var a = clGradientInactiveCaption;"});
    Exec(*JS);
    EXPECT_EQ(Text(*JS, "a"), "-2147483620");
}

TEST_F(GraphicsModule, DrawingOnABitmapCanvas)
{
    auto Script =
        Make("PascalScript",
             {"var b: TBitmap; p: Integer; w, h: Integer;", "begin",
              "  b := TBitmap.Create; b.Width := 20; b.Height := 10;",
              "  b.Canvas.Brush.Color := clWhite; b.Canvas.Rectangle(-1, -1, 21, 11);",
              "  b.Canvas.Pen.Color := clRed; b.Canvas.MoveTo(0, 5); b.Canvas.LineTo(20, 5);",
              "  b.Canvas.Pixels[3, 2] := clBlue; p := b.Canvas.Pixels[3, 2];",
              "  w := b.Canvas.TextWidth('MMMM'); h := b.Canvas.TextHeight('M');", "end."});
    Exec(*Script);
    EXPECT_EQ(PixelOf(*Script, "b", 10, 5), clRed);
    EXPECT_EQ(PixelOf(*Script, "b", 10, 7), clWhite);
    EXPECT_EQ(Text(*Script, "p"), std::to_string(clBlue));
    EXPECT_GT(std::stoi(Text(*Script, "w")), 4 * 3);
    EXPECT_GT(std::stoi(Text(*Script, "h")), 5);
    delete VarToObject(Script->Variables("b"));
}

TEST_F(GraphicsModule, StretchDrawScalesAndNilDrawsNothing)
{
    auto Script =
        Make("PascalScript",
             {"var src, dst: TBitmap;", "begin",
              "  src := TBitmap.Create; src.Width := 2; src.Height := 1;",
              "  src.Canvas.Pixels[0, 0] := clRed; src.Canvas.Pixels[1, 0] := clLime;",
              "  dst := TBitmap.Create; dst.Width := 120; dst.Height := 60;",
              "  dst.Canvas.Brush.Color := clWhite; dst.Canvas.Rectangle(-1, -1, 121, 61);",
              "  dst.Canvas.StretchDraw(0, 0, 100, 50, src);",
              "  dst.Canvas.StretchDraw(0, 0, 120, 60, nil); dst.Canvas.Draw(110, 55, nil);",
              "  src.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(PixelOf(*Script, "dst", 10, 10), clRed);
    EXPECT_EQ(PixelOf(*Script, "dst", 90, 40), clLime);
    EXPECT_EQ(PixelOf(*Script, "dst", 105, 10), clWhite);
    EXPECT_EQ(PixelOf(*Script, "dst", 10, 55), clWhite);
    delete VarToObject(Script->Variables("dst"));
}

TEST_F(GraphicsModule, MetafilesRecordAndPlayBackButHaveNoFiles)
{
    auto Script =
        Make("PascalScript",
             {"var m: TMetafile; c: TMetafileCanvas; b: TBitmap; w: Integer; failed: Boolean;",
              "begin", "  m := TMetafile.Create; m.Width := 20; m.Height := 10;",
              "  c := TMetafileCanvas.Create(m, 0); c.Brush.Color := clLime;",
              "  c.Pen.Color := clLime; c.Rectangle(0, 0, 20, 10); c.Free; w := m.Width;",
              "  b := TBitmap.Create; b.Width := 40; b.Height := 20; b.Canvas.Draw(0, 0, m);",
              "  failed := False;",
              "  try m.SaveToFile('qrv4_never_written.emf'); except failed := True; end;",
              "  m.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "w"), "20");
    EXPECT_EQ(PixelOf(*Script, "b", 15, 5), clLime);
    EXPECT_EQ(Text(*Script, "failed"), "True");
    EXPECT_FALSE(FileExists("qrv4_never_written.emf"));
    delete VarToObject(Script->Variables("b"));
}

TEST_F(GraphicsModule, PicturesAndFontsThroughTheirProperties)
{
    auto Script = Make("PascalScript",
                       {"var p: TPicture; f: TFont; s: String;", "begin",
                        "  p := TPicture.Create; p.SaveToFile('/nonexistent/none.bmp');",
                        "  s := IntToStr(p.Width) + IntToStr(p.Height);",
                        "  f := TFont.Create; f.Name := 'Arial'; f.Size := 12;",
                        "  f.Style := fsBold or fsItalic; s := s + f.Name + IntToStr(f.Size) +",
                        "    IntToStr(f.Style); f.Free;",
                        "  try p.LoadFromFile('x.unknownext'); except s := s + '!'; end;",
                        "  p.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "00Arial123!");
}
