// The memo text renderer on real fonts: every expectation is measured here
// through the same system text functions the renderer uses.

#include "report/frxGraphicUtils.h"

#include "platform/win/Windows.h"
#include "tests/report/RendererUnits.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace
{

// Width of a text at 600 dpi in the memo font, as the system measures it.
int Width600(const WideString &Text, int Size = 10, TFontStyles Style = TFontStyles())
{
    TBitmap Bitmap;
    Bitmap.SetSize(1, 1);
    TFont *F = Bitmap.Canvas()->Font();
    F->SetName("Arial");
    F->SetHeight(-Nearest(Size * 600.0 / 72));
    F->SetStyle(Style);
    SIZE Extent{};
    GetTextExtentPoint32W(Bitmap.Canvas()->Handle(), Text.c_bstr(), Text.Length(), &Extent);
    return Extent.cx;
}

struct Options {
    bool WordWrap = true;
    bool Tags = false;
    bool WordBreak = false;
    bool Clipped = true;
    int Rotation = 0;
    int Size = 10;
    double LineSpacing = 2;
    double ParagraphGap = 0;
    double ScaleX = 1, ScaleY = 1;
    TRect Clip;
};

void Layout(TfrxDrawText &D, const WideString &Text, const TRect &Bounds, Options O = {})
{
    TFont Font;
    Font.SetName("Arial");
    Font.SetSize(O.Size);
    Font.SetColor(clBlack);
    D.SetFont(&Font);
    D.SetOptions(O.WordWrap, O.Tags, false, O.WordBreak, O.Clipped, O.Rotation);
    D.SetGaps(O.ParagraphGap, 0, O.LineSpacing);
    D.SetDimensions(O.ScaleX, O.ScaleY, Bounds, O.Clip.Width() ? O.Clip : Bounds);
    TWideStrings Lines;
    Lines.SetText(Text);
    D.SetText(&Lines);
}

std::vector<WideString> Wrapped(const TfrxDrawText &D)
{
    std::vector<WideString> Result;
    for (int i = 0; i < D.WrappedCount(); ++i)
        Result.push_back(D.WrappedLine(i));
    return Result;
}

std::vector<WideString> Words(const WideString &Text)
{
    std::vector<WideString> Result;
    WideString Word;
    for (int i = 1; i <= Text.Length(); ++i) {
        if (Text[i] == u' ' || Text[i] == u'\r' || Text[i] == u'\n') {
            if (!Word.IsEmpty()) Result.push_back(Word);
            Word = WideString();
        } else {
            Word += Text[i];
        }
    }
    if (!Word.IsEmpty()) Result.push_back(Word);
    return Result;
}

// The box of every pixel that is not white.
struct Ink {
    int Left = INT_MAX, Top = INT_MAX, Right = -1, Bottom = -1;
    bool Empty() const { return Right < 0; }
    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
};

Ink InkOf(TCanvas *Canvas, int Width, int Height)
{
    Ink Result;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if ((Canvas->Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                Result.Left = std::min(Result.Left, x);
                Result.Right = std::max(Result.Right, x);
                Result.Top = std::min(Result.Top, y);
                Result.Bottom = std::max(Result.Bottom, y);
            }
    return Result;
}

// A white screen surface at 96 dpi.
struct Surface {
    TBitmap Bitmap;
    Surface(int Width, int Height) { Bitmap.SetSize(Width, Height); }
    TCanvas *Canvas() { return Bitmap.Canvas(); }
    Ink Drawn() { return InkOf(Canvas(), Bitmap.Width(), Bitmap.Height()); }
};

// A white printer page at Dpi.
struct Page {
    HDC Dc;
    TCanvas Canvas;
    int Width, Height;
    Page(int AWidth, int AHeight, int Dpi)
        : Dc(win::CreatePageDC(AWidth, AHeight, Dpi)), Width(AWidth), Height(AHeight)
    {
        Canvas.SetHandle(Dc);
    }
    ~Page()
    {
        Canvas.SetHandle(nullptr);
        win::DeletePageDC(Dc);
    }
    Ink Drawn() { return InkOf(&Canvas, Width, Height); }
};

const char *Pangram = "Съешь же ещё этих мягких французских булок, да выпей чаю. "
                      "The quick brown fox jumps over the lazy dog again and again.";

} // namespace

// ---- wrapping ----

TEST(DrawTextWrap, EachLineEndsAtTheLastWordThatFits)
{
    TfrxDrawText D;
    const WideString Text = W(Pangram);
    Layout(D, Text, Rect(0, 0, 150, 1000));
    const std::vector<WideString> Lines = Wrapped(D);
    ASSERT_GT(Lines.size(), 2u);
    const int Limit = Nearest(150 * Ratio);
    for (std::size_t i = 0; i + 1 < Lines.size(); ++i) {
        EXPECT_LE(Width600(Lines[i]), Limit) << Lines[i].ToUtf8();
        const WideString WithNext = Lines[i] + WideString(u" ") + Words(Lines[i + 1])[0];
        EXPECT_GT(Width600(WithNext), Limit) << WithNext.ToUtf8();
    }
    WideString Joined;
    for (const WideString &Line : Lines)
        Joined += Line + WideString(u" ");
    EXPECT_EQ(Words(Joined), Words(Text)) << "no word lost or split";
}

TEST(DrawTextWrap, WordsWiderThanTheBoxBreakBetweenCharacters)
{
    TfrxDrawText D;
    const WideString Long = W("ШИРОКОЕСЛОВОБЕЗПРОБЕЛОВ");
    Layout(D, Long, Rect(0, 0, 50, 1000));
    const std::vector<WideString> Lines = Wrapped(D);
    ASSERT_GT(Lines.size(), 1u);
    WideString Joined;
    const int Limit = Nearest(50 * Ratio);
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        EXPECT_LE(Width600(Lines[i]), Limit);
        if (i + 1 < Lines.size()) {
            EXPECT_GT(Width600(Lines[i] + WideString(Lines[i + 1][1])), Limit);
        }
        Joined += Lines[i];
    }
    EXPECT_EQ(Joined, Long);

    Layout(D, WideString(u"WW"), Rect(0, 0, 2, 1000));
    EXPECT_EQ(Wrapped(D), (std::vector<WideString>{WideString(u"W"), WideString(u"W")}))
        << "a character wider than the box gets a line of its own";
}

TEST(DrawTextWrap, EmptyLinesAndUnwrappedText)
{
    TfrxDrawText D;
    Layout(D, WideString(u"a\r\n\r\nb"), Rect(0, 0, 100, 100));
    EXPECT_EQ(Wrapped(D),
              (std::vector<WideString>{WideString(u"a"), WideString(u" "), WideString(u"b")}));
    EXPECT_EQ(D.GetInBoundsText(), WideString(u"a\r\n \r\nb\r\n"));

    Options NoWrap;
    NoWrap.WordWrap = false;
    Layout(D, W(Pangram), Rect(0, 0, 50, 100), NoWrap);
    EXPECT_EQ(D.WrappedCount(), 1);
    EXPECT_EQ(D.WrappedLine(0), W(Pangram));
}

TEST(DrawTextWrap, LinesLongerThanAnyFixedBufferWrapWhole)
{
    TfrxDrawText D;
    std::u16string Long;
    while (Long.size() < 40000)
        Long += u"ab cd ";
    Long.pop_back();
    Layout(D, WideString(Long), Rect(0, 0, 400, 100));
    ASSERT_GT(D.WrappedCount(), 100);
    int Characters = 0;
    for (const WideString &Line : Wrapped(D))
        Characters += Line.Length() + 1;
    EXPECT_EQ(Characters, static_cast<int>(Long.size()) + 1)
        << "every character; a break drops its space, the last line has none";
}

// ---- hyphenation ----

TEST(DrawTextHyphen, SyllableBreaksFollowTheRussianRules)
{
    EXPECT_EQ(frxBreakWord(W("ПЕРЕМЕННАЯ")), (std::vector<int>{2, 4, 7}));
    EXPECT_EQ(frxBreakWord(W("переменная")), (std::vector<int>{2, 4, 7})) << "any case";
    EXPECT_EQ(frxBreakWord(W("МАЙКА")), (std::vector<int>{3})) << "no break before Й";
    EXPECT_TRUE(frxBreakWord(W("КОТ")).empty());
    EXPECT_TRUE(frxBreakWord(W("STRENGTH")).empty()) << "no Cyrillic vowels, no hyphen";
}

TEST(DrawTextHyphen, WordBreakHyphenatesAtTheLastSyllableThatFits)
{
    const WideString Word = W("ПЕРЕМЕННАЯ");
    // A box into which exactly Fit characters of the word go.
    auto LinesWhen = [&](int Fit) {
        TfrxDrawText D;
        Options O;
        O.WordBreak = true;
        // The bounds are whole pixels: the narrowest that lets Fit characters in.
        for (int Pixels = 1; Pixels < 200; ++Pixels) {
            const int Limit = Nearest(Pixels * Ratio);
            if (Limit >= Width600(Word.SubString(1, Fit)) &&
                Limit < Width600(Word.SubString(1, Fit + 1))) {
                Layout(D, Word, Rect(0, 0, Pixels, 1000), O);
                return Wrapped(D);
            }
        }
        return std::vector<WideString>{};
    };
    const std::vector<WideString> Eight = LinesWhen(8);
    ASSERT_EQ(Eight.size(), 2u);
    EXPECT_EQ(Eight[0], W("ПЕРЕМЕН-"));
    EXPECT_EQ(Eight[1], W("НАЯ"));
    const std::vector<WideString> Six = LinesWhen(6);
    ASSERT_FALSE(Six.empty());
    EXPECT_EQ(Six[0], W("ПЕРЕ-"));
    const std::vector<WideString> Two = LinesWhen(2);
    ASSERT_FALSE(Two.empty());
    EXPECT_EQ(Two[0], W("ПЕ")) << "no syllable fits: the break falls between characters";
}

// ---- tags ----

TEST(DrawTextTags, SimpleTagsFormatTheCharactersTheyEnclose)
{
    TfrxDrawText D;
    Options O;
    O.Tags = true;
    Layout(D, WideString(u"<b>bold</b> text"), Rect(0, 0, 500, 100), O);
    ASSERT_EQ(D.WrappedCount(), 1);
    EXPECT_EQ(D.WrappedLine(0), WideString(u"bold text"));
    const TfrxHTMLTags &Tags = D.Tags().Items(0);
    ASSERT_EQ(Tags.Count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Tags.Items(i).Style.Contains(fsBold), i < 4) << i;
    EXPECT_EQ(Tags.Items(4).Position, 12) << "positions count the tags' characters";
    EXPECT_EQ(D.DeleteTags(WideString(u"<I>a</I><u>b</u><strike>c</strike>")), WideString(u"abc"));

    Layout(D, WideString(u"<b>bold</b> text"), Rect(0, 0, 500, 100));
    EXPECT_EQ(D.WrappedLine(0), WideString(u"<b>bold</b> text")) << "tags off: plain text";
}

TEST(DrawTextTags, EachCharacterIsComparedWithTheOneBeforeItAcrossLines)
{
    TfrxHTMLTagsList List;
    List.SetDefaults(clBlack, 10, TFontStyles());
    EXPECT_EQ(List.GetPrevTag(), nullptr);
    WideString First(u"a<b>b");
    List.ExpandHTMLTags(First);
    ASSERT_NE(List.GetPrevTag(), nullptr);
    EXPECT_EQ(List.GetPrevTag()->Position, 1) << "the tag before the last one: 'a'";
    List.NewLine();
    WideString Second(u"c</b>d");
    List.ExpandHTMLTags(Second);
    ASSERT_EQ(List.Count(), 2);
    EXPECT_TRUE(List.Items(0).Items(0).SameAsPrev) << "'a' is as the defaults";
    EXPECT_FALSE(List.Items(0).Items(1).SameAsPrev) << "'b' turns bold";
    EXPECT_TRUE(List.Items(1).Items(0).SameAsPrev) << "'c' stays bold after the line break";
    EXPECT_FALSE(List.Items(1).Items(1).SameAsPrev) << "'d' is plain again";
    ASSERT_NE(List.GetPrevTag(), nullptr);
    EXPECT_EQ(List.GetPrevTag()->Position, 6) << "'c', counted after the tags";
}

TEST(DrawTextTags, FontColoursAreReadOrLeftAsText)
{
    TfrxDrawText D;
    Options O;
    O.Tags = true;
    auto ColourOf = [&](const char *Text) {
        Layout(D, W(Text), Rect(0, 0, 500, 100), O);
        return D.Tags().Items(0).Items(0).Color;
    };
    EXPECT_EQ(ColourOf("<font color=\"#FF0000\">x</font>"), static_cast<TColor>(0x0000FF));
    EXPECT_EQ(ColourOf("<font color=red>x</font>"), clRed);
    EXPECT_EQ(ColourOf("<font color=  \"#00FF00\">x"), static_cast<TColor>(0x00FF00));
    Layout(D, W("<font color=#FF0000>x"), Rect(0, 0, 500, 100), O);
    EXPECT_EQ(D.WrappedLine(0), W("<font color=#FF0000>x")) << "unquoted hex stays text";
    Layout(D, W("<font color=\"#GG0000\">x"), Rect(0, 0, 500, 100), O);
    EXPECT_EQ(D.WrappedLine(0), W("<font color=\"#GG0000\">x")) << "bad hex stays text";
    Layout(D, W("<font color=nocolour>x"), Rect(0, 0, 500, 100), O);
    EXPECT_EQ(D.WrappedLine(0), W("<font color=nocolour>x"));
}

TEST(DrawTextTags, SubscriptIsSmallerAndDrawnLower)
{
    TfrxDrawText D;
    Options O;
    O.Tags = true;
    Layout(D, WideString(u"<sub>2</sub>"), Rect(0, 0, 100, 60), O);
    const TfrxHTMLTag &Tag = D.Tags().Items(0).Items(0);
    EXPECT_EQ(Tag.Size, 7);
    EXPECT_EQ(Tag.Subscript, 1);
    EXPECT_TRUE(Tag.Small);
    Surface Sub(100, 60);
    D.DrawText(Sub.Canvas(), haLeft, vaTop);

    Layout(D, WideString(u"<sup>2</sup>"), Rect(0, 0, 100, 60), O);
    EXPECT_EQ(D.Tags().Items(0).Items(0).Subscript, 0);
    Surface Sup(100, 60);
    D.DrawText(Sup.Canvas(), haLeft, vaTop);
    const Ink Low = Sub.Drawn(), High = Sup.Drawn();
    ASSERT_FALSE(Low.Empty());
    ASSERT_FALSE(High.Empty());
    EXPECT_EQ(Low.Height(), High.Height()) << "both at the small size";
    EXPECT_EQ(Low.Top - High.Top, Nearest(7 * 1.0)) << "moved down by its size";
}

// ---- alignment ----

TEST(DrawTextAlign, LinesSitLeftRightOrCentredInTheBox)
{
    TfrxDrawText D;
    const TRect Box(10, 5, 290, 40);
    const WideString Text = W("Выравнивание");
    const int Design = Nearest(Width600(Text) / Ratio);
    auto Drawn = [&](TfrxHAlign Align) {
        Layout(D, Text, Box);
        Surface S(300, 50);
        D.DrawText(S.Canvas(), Align, vaTop);
        return S.Drawn();
    };
    const Ink Left = Drawn(haLeft), Right = Drawn(haRight), Centre = Drawn(haCenter);
    ASSERT_FALSE(Left.Empty());
    EXPECT_NEAR(Left.Left, Box.Left, 2);
    EXPECT_NEAR(Left.Width(), Design, 3) << "drawn as wide as measured";
    EXPECT_NEAR(Right.Right, Box.Right - 1, 3);
    EXPECT_NEAR(Right.Left, Box.Right - 1 - Design, 3);
    EXPECT_NEAR(Centre.Left - Box.Left, Box.Right - 1 - Centre.Right, 3);
    EXPECT_EQ(Left.Top, Right.Top);
}

TEST(DrawTextAlign, VerticalAlignmentMovesTheBlockOfLines)
{
    TfrxDrawText D;
    const TRect Box(0, 0, 200, 100);
    auto Drawn = [&](TfrxVAlign Align) {
        Layout(D, WideString(u"Line"), Box);
        Surface S(200, 100);
        D.DrawText(S.Canvas(), haLeft, Align);
        return S.Drawn();
    };
    const Ink Top = Drawn(vaTop), Bottom = Drawn(vaBottom), Centre = Drawn(vaCenter);
    const int Free = 100 - Nearest(83 / Ratio + 2);
    EXPECT_EQ(Bottom.Top - Top.Top, Free);
    EXPECT_NEAR(Centre.Top - Top.Top, Free / 2.0, 1);
}

TEST(DrawTextAlign, JustifiedLinesReachBothEdgesButTheLast)
{
    TfrxDrawText D;
    const TRect Box(0, 0, 220, 200);
    Layout(D, W(Pangram), Box);
    const int Lines = D.WrappedCount();
    ASSERT_GE(Lines, 3);
    const int Pitch = Nearest(83 / Ratio + 2);
    Surface S(220, 200);
    D.DrawText(S.Canvas(), haBlock, vaTop);
    for (int i = 0; i < Lines; ++i) {
        const int Top = i * Pitch;
        Ink Line;
        for (int y = Top; y < Top + Pitch - 1; ++y)
            for (int x = 0; x < 220; ++x)
                if ((S.Canvas()->Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                    Line.Left = std::min(Line.Left, x);
                    Line.Right = std::max(Line.Right, x);
                }
        ASSERT_FALSE(Line.Empty()) << i;
        EXPECT_LE(Line.Left, 2) << i;
        if (i + 1 < Lines)
            EXPECT_GE(Line.Right, 220 - 4) << "line " << i << " is spread to the right edge";
        else
            EXPECT_LT(Line.Right, 220 - 10) << "the last line of a paragraph stays left";
    }
}

TEST(DrawTextAlign, OnAPrinterEachLineIsAsLongAsMeasured)
{
    for (int Dpi : {300, 600, 720}) {
        TfrxDrawText D;
        Options O;
        O.ScaleX = O.ScaleY = Dpi / 96.0;
        const WideString Text = W("Ширина строки на принтере");
        const int Width = Nearest(Width600(Text) / (600.0 / Dpi));
        O.Clip = Rect(0, 0, Width + 400, 200);
        Layout(D, Text, Rect(0, 0, 1000, 100), O);
        Page P(Width + 400, 200, Dpi);
        D.DrawText(&P.Canvas, haRight, vaTop);
        const Ink Drawn = P.Drawn();
        ASSERT_FALSE(Drawn.Empty()) << Dpi;
        EXPECT_NEAR(Drawn.Left, Width + 400 - 1 - Width, 0.01 * Width + 3) << Dpi;
        EXPECT_NEAR(Drawn.Width(), Width, 0.01 * Width + 3) << Dpi;
    }
}

TEST(DrawTextAlign, RoundingIsSpreadEvenly)
{
    std::vector<int> V(8, 0);
    frxDistribute(V, 0, 7, 3);
    EXPECT_EQ(V, (std::vector<int>{0, 1, 0, 0, 1, 0, 1, 0}));
    V.assign(4, 0);
    frxDistribute(V, 0, 3, 10);
    EXPECT_EQ(V, (std::vector<int>{3, 2, 3, 2}));
    V.assign(4, 0);
    frxDistribute(V, 0, 3, -3);
    EXPECT_EQ(V[0] + V[1] + V[2] + V[3], -3);
    V.assign(1, 0);
    frxDistribute(V, 0, -1, 5);
    EXPECT_EQ(V[0], 0) << "no positions, nothing added";
}

// ---- rotation and clipping ----

TEST(DrawTextRotation, AnglesAreNormalisedAndTheTextTurns)
{
    TfrxDrawText D;
    Options O;
    O.Rotation = -90;
    Layout(D, WideString(u"Turned"), Rect(0, 0, 40, 150), O);
    EXPECT_EQ(D.Rotation(), 270);
    O.Rotation = 450;
    Layout(D, WideString(u"Turned"), Rect(0, 0, 40, 150), O);
    EXPECT_EQ(D.Rotation(), 90);

    Surface Up(40, 150);
    D.DrawText(Up.Canvas(), haLeft, vaTop);
    const Ink Ninety = Up.Drawn();
    ASSERT_FALSE(Ninety.Empty());
    EXPECT_GT(Ninety.Height(), Ninety.Width());
    EXPECT_NEAR(Ninety.Bottom, 149, 3) << "a quarter turn starts at the bottom";
    EXPECT_NEAR(Ninety.Height(), Nearest(Width600(WideString(u"Turned")) / Ratio), 3);

    O.Rotation = 180;
    Layout(D, WideString(u"Turned"), Rect(0, 0, 150, 60), O);
    Surface Down(150, 60);
    D.DrawText(Down.Canvas(), haLeft, vaTop);
    const Ink Half = Down.Drawn();
    ASSERT_FALSE(Half.Empty());
    EXPECT_NEAR(Half.Right, 149, 3) << "upside down from the bottom right";
    EXPECT_GT(Half.Top, 30);
}

TEST(DrawTextClip, ClippedTextStaysInItsBox)
{
    const WideString Text = W("Длинный текст, который не помещается");
    for (bool Clipped : {true, false}) {
        TfrxDrawText D;
        Options O;
        O.Clipped = Clipped;
        O.WordWrap = false;
        Layout(D, Text, Rect(0, 0, 60, 20), O);
        Surface S(300, 40);
        D.DrawText(S.Canvas(), haLeft, vaTop);
        const Ink Drawn = S.Drawn();
        ASSERT_FALSE(Drawn.Empty());
        if (Clipped) {
            EXPECT_LT(Drawn.Right, 60);
        } else {
            EXPECT_GT(Drawn.Right, 100);
        }
    }
}

// ---- height and splitting ----

TEST(DrawTextSplit, HeightUnusedSpaceAndTheTextLeftOver)
{
    TfrxDrawText D;
    Options O;
    O.Size = 12; // 100 measuring pixels: 16 design pixels a line, 18 with the spacing
    Layout(D, WideString(u"one\r\ntwo\r\nthree\r\nfour\r\nfive"), Rect(0, 0, 200, 53), O);
    EXPECT_DOUBLE_EQ(D.TextHeight(), 16);
    EXPECT_DOUBLE_EQ(D.LineHeight(), 18);
    EXPECT_DOUBLE_EQ(D.CalcHeight(), 5 * 18);
    EXPECT_DOUBLE_EQ(D.UnusedSpace(), 0.0001) << "three lines fill 54 pixels exactly";
    EXPECT_EQ(D.GetOutBoundsText(), WideString(u"four\r\nfive\r\n"));
    EXPECT_EQ(D.GetInBoundsText(), WideString(u"one\r\ntwo\r\nthree\r\n"));
    EXPECT_EQ(D.WrappedCount(), 3);

    Layout(D, WideString(u"one"), Rect(0, 0, 200, 60), O);
    EXPECT_DOUBLE_EQ(D.UnusedSpace(), 61 - 3 * 18);
    EXPECT_EQ(D.GetOutBoundsText(), WideString()) << "everything fits";
    Layout(D, WideString(u"one"), Rect(0, 0, 200, 10), O);
    EXPECT_EQ(D.UnusedSpace(), 0) << "not one line fits";
    EXPECT_EQ(D.GetOutBoundsText(), WideString(u"one\r\n"));
}

TEST(DrawTextSplit, TheTextLeftOverKeepsItsFormatting)
{
    TfrxDrawText D;
    Options O;
    O.Tags = true;
    O.Size = 12;
    Layout(D, W("<u>one</u>\r\n<b><i>two</i></b> <font color=\"#00FF00\">x</font>"),
           Rect(0, 0, 200, 17), O);
    EXPECT_EQ(D.GetOutBoundsText(),
              W("<font color=\"#000000\"><i><b>two</i></b> <font color=\"#00FF00\">x</font>\r\n"));
    EXPECT_EQ(D.GetInBoundsText(), W("<u>one</u>\r\n")) << "the next paragraph's tags go with it";

    Layout(D, W("<b>bold words wrapped</b>"), Rect(0, 0, 50, 17), O);
    ASSERT_GT(D.WrappedCount(), 1);
    const WideString First = D.WrappedLine(0);
    const WideString Rest = D.GetOutBoundsText();
    EXPECT_EQ(Rest.SubString(1, 25), W("<font color=\"#000000\"><b>"));
    EXPECT_EQ(D.DeleteTags(D.GetInBoundsText()) + D.DeleteTags(Rest.SubString(26, Rest.Length())),
              W("bold words wrapped\r\n"))
        << "a paragraph cut inside keeps every word on one side";
    EXPECT_EQ(D.DeleteTags(D.GetInBoundsText()), First + WideString(u" "));
}

TEST(DrawTextSplit, WidthIsTheWidestLine)
{
    TfrxDrawText D;
    Options O;
    O.ParagraphGap = 10;
    Layout(D, W("короткая\r\nсамая длинная строка\r\nещё"), Rect(0, 0, 10000, 10000), O);
    const int Widest = Width600(W("самая длинная строка")) + Nearest(10 * Ratio);
    EXPECT_DOUBLE_EQ(D.CalcWidth(), Widest / Ratio);
}

TEST(DrawTextLock, ASecondUserIsRefusedNotKeptWaiting)
{
    TfrxDrawText D;
    {
        TfrxDrawTextLock Held(&D);
        EXPECT_TRUE(D.Busy());
        EXPECT_THROW(D.Lock(), EInvalidOperation);
    }
    EXPECT_FALSE(D.Busy());
    EXPECT_NO_THROW(TfrxDrawTextLock Again(&D));
}
