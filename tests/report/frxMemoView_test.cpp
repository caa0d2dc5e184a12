// Memos measured, split across pages and drawn through the text renderer, on
// real fonts; expectations come from measurements made here.

#include "report/frxClass.h"
#include "report/frxGraphicUtils.h"

#include "platform/win/Windows.h"
#include "tests/report/RendererUnits.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>

namespace
{

int Width600(const WideString &Text, int Size)
{
    TBitmap Bitmap;
    Bitmap.SetSize(1, 1);
    TFont *F = Bitmap.Canvas()->Font();
    F->SetName("Arial");
    F->SetHeight(-Nearest(Size * 600.0 / 72));
    SIZE Extent{};
    GetTextExtentPoint32W(Bitmap.Canvas()->Handle(), Text.c_bstr(), Text.Length(), &Extent);
    return Extent.cx;
}

// Lines a greedy word wrap gives at Width design pixels, measured here.
int LinesAt(const WideString &Text, double Width, int Size)
{
    const int Limit = Nearest(Width * Ratio);
    int Lines = 1;
    WideString Line;
    WideString Word;
    auto Place = [&] {
        const WideString Longer = Line.IsEmpty() ? Word : Line + WideString(u" ") + Word;
        if (!Line.IsEmpty() && Width600(Longer, Size) > Limit) {
            ++Lines;
            Line = Word;
        } else {
            Line = Longer;
        }
        Word = WideString();
    };
    for (int i = 1; i <= Text.Length(); ++i)
        if (Text[i] == u' ')
            Place();
        else
            Word += Text[i];
    Place();
    return Lines;
}

std::unique_ptr<TfrxMemoView> Memo(const WideString &Text, double Width, double Height,
                                   int Size = 10)
{
    auto M = std::make_unique<TfrxMemoView>(nullptr);
    M->SetBounds(0, 0, Width, Height);
    M->Font()->SetName("Arial");
    M->Font()->SetSize(Size);
    M->Font()->SetColor(clBlack);
    M->SetText(Text);
    return M;
}

struct Ink {
    int Left = INT_MAX, Top = INT_MAX, Right = -1, Bottom = -1;
    bool Empty() const { return Right < 0; }
    int Height() const { return Bottom - Top + 1; }
};

Ink InkOf(TBitmap &Bitmap, TColor Of)
{
    Ink Result;
    for (int y = 0; y < Bitmap.Height(); ++y)
        for (int x = 0; x < Bitmap.Width(); ++x)
            if ((Bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF) == (Of & 0xFFFFFF)) {
                Result.Left = std::min(Result.Left, x);
                Result.Right = std::max(Result.Right, x);
                Result.Top = std::min(Result.Top, y);
                Result.Bottom = std::max(Result.Bottom, y);
            }
    return Result;
}

const char *Paragraph = "Ключ изготовлен по образцу клиента и проверен на станке дважды, "
                        "после чего выдан вместе с квитанцией и гарантийным талоном.";

} // namespace

// ---- height and width ----

TEST(MemoMeasure, HeightFollowsTheWrappedLinesAndTheFrame)
{
    const WideString Text = W(Paragraph);
    auto M = Memo(Text, 120, 20);
    // The text area is the box less the gaps: 2 on each side, and one pixel
    // more on the right, as the text rectangle includes its right edge.
    const int Lines = LinesAt(Text, 120 - 2 * 2 + 1, 10);
    ASSERT_GT(Lines, 2);
    const double Line = 83 / Ratio + 2;
    EXPECT_EQ(M->CalcHeight(), Nearest(Lines * Line + 2 * 1));

    M->Frame()->SetTyp(TfrxFrameTypes{ftTop, ftBottom});
    M->Frame()->SetWidth(3);
    M->Frame()->SetDropShadow(true);
    EXPECT_DOUBLE_EQ(M->AdjustCalcHeight(), 2 + 1 + 1.5 + 4);
    EXPECT_EQ(M->CalcHeight(), Nearest(Lines * Line + M->AdjustCalcHeight()));

    M->SetText(WideString());
    EXPECT_EQ(M->CalcHeight(), Nearest(M->AdjustCalcHeight())) << "no text, no lines";
}

TEST(MemoMeasure, WidthIsTheWidestLineWithGapsAndFrame)
{
    auto M = Memo(W("коротко\r\nсамая длинная строка\r\nещё"), 50, 100);
    M->Frame()->SetTyp(TfrxFrameTypes{ftLeft, ftRight});
    M->Frame()->SetWidth(2);
    const double Expected = Width600(W("самая длинная строка"), 10) / Ratio + 2 * 2 + 0.5 + 1;
    EXPECT_EQ(M->CalcWidth(), Nearest(Expected));
}

TEST(MemoMeasure, AutoWidthKeepsTheRightEdgeOfRightAlignedText)
{
    auto M = Memo(W("сумма"), 200, 20);
    M->SetLeft(100);
    M->SetAutoWidth(true);
    M->SetHAlign(haRight);
    TBitmap Bitmap;
    Bitmap.SetSize(400, 40);
    M->Draw(Bitmap.Canvas(), 1, 1, 0, 0);
    const double Expected = Width600(W("сумма"), 10) / Ratio + 4;
    EXPECT_NEAR(M->Width(), Expected, 1e-9);
    EXPECT_NEAR(M->Left() + M->Width(), 300, 1e-9);
}

// ---- splitting ----

TEST(MemoSplit, EachPartKeepsTheWholeLinesThatFit)
{
    WideString Text;
    for (int i = 1; i <= 10; ++i)
        Text += WideString(AnsiString("line " + IntToStr(i))) + WideString(u"\r\n");
    auto M = Memo(Text, 200, 80, 12); // 18 pixels a line: 4 lines in 80 with the gap
    M->InitPart();
    std::vector<int> Counts;
    std::vector<double> Unused;
    while (!M->PartMemo().IsEmpty() && Counts.size() < 5) {
        Unused.push_back(M->DrawPart());
        Counts.push_back(M->Memo()->Count());
    }
    EXPECT_EQ(Counts, (std::vector<int>{4, 4, 2}));
    ASSERT_EQ(Unused.size(), 3u);
    EXPECT_DOUBLE_EQ(Unused[0], 80 - 4 * 18) << "the text area is 80 high with its edges";
    EXPECT_EQ(M->Memo()->Get(0), WideString(u"line 9"));
    EXPECT_TRUE(M->PartMemo().IsEmpty());
}

TEST(MemoSplit, ABoxLowerThanOneLineKeepsAllTheText)
{
    auto M = Memo(W("одна строка"), 200, 10, 12);
    M->InitPart();
    EXPECT_DOUBLE_EQ(M->DrawPart(), 10) << "nothing placed: the whole height";
    EXPECT_EQ(M->PartMemo(), W("одна строка\r\n"));
}

TEST(MemoSplit, TextThatDoesNotFitFlowsToTheNextMemo)
{
    auto First = Memo(W("первая\r\nвторая\r\n[третья]"), 200, 19, 12);
    auto Next = Memo(WideString(), 200, 100, 12);
    First->SetAllowExpressions(false);
    First->SetFlowTo(Next.get());
    First->GetData();
    EXPECT_EQ(First->Text(), W("первая\r\n"));
    EXPECT_EQ(Next->Text(), W("вторая\r\n[третья]\r\n"));
    EXPECT_FALSE(Next->AllowExpressions()) << "the moved text is not evaluated again";
}

// ---- drawing ----

TEST(MemoDraw, TextSitsInsideTheGapsAtAnyScale)
{
    auto M = Memo(W("Текст"), 100, 20);
    M->SetLeft(10);
    M->SetTop(5);
    TBitmap Screen;
    Screen.SetSize(300, 120);
    M->Draw(Screen.Canvas(), 1, 1, 0, 0);
    const Ink One = InkOf(Screen, clBlack);
    ASSERT_FALSE(One.Empty());
    EXPECT_GE(One.Left, 10 + 2);
    EXPECT_GE(One.Top, 5 + 1);
    EXPECT_LT(One.Right, 110);

    TBitmap Twice;
    Twice.SetSize(300, 120);
    M->Draw(Twice.Canvas(), 2, 2, 5, 0);
    const Ink Two = InkOf(Twice, clBlack);
    ASSERT_FALSE(Two.Empty());
    EXPECT_NEAR(Two.Height(), 2 * One.Height(), 2);
    EXPECT_GE(Two.Left, 2 * 10 + 5 + 4);
    EXPECT_NEAR(Two.Left - 25, 2 * (One.Left - 10), 3);
}

TEST(MemoDraw, HighlightColoursOneDrawingOnly)
{
    auto M = Memo(W("Важно"), 100, 20);
    M->Highlight()->SetColor(clYellow);
    M->Highlight()->Font()->SetName("Arial");
    M->Highlight()->SetActive(true);
    TBitmap Bitmap;
    Bitmap.SetSize(120, 30);
    M->Draw(Bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(M->Color(), clNone);
    EXPECT_FALSE(InkOf(Bitmap, clYellow).Empty()) << "the highlight fills the box";
    EXPECT_FALSE(InkOf(Bitmap, clRed).Empty()) << "in the highlight's font colour";
}

TEST(MemoDraw, UnderlinesRuleEveryLine)
{
    auto M = Memo(W("a"), 100, 60, 12);
    M->SetUnderlines(true);
    M->Frame()->SetColor(clBlue);
    TBitmap Bitmap;
    Bitmap.SetSize(120, 70);
    M->Draw(Bitmap.Canvas(), 1, 1, 0, 0);
    std::vector<int> Rows;
    for (int y = 0; y < 70; ++y)
        if ((Bitmap.Canvas()->Pixels(50, y) & 0xFFFFFF) == (clBlue & 0xFFFFFF)) Rows.push_back(y);
    EXPECT_EQ(Rows, (std::vector<int>{18, 36, 54}));
}

TEST(MemoDraw, TotalPagesAreFilledInBeforeDrawing)
{
    auto M = Memo(W("из [TotalPages#]"), 100, 20);
    M->SetTotalPages(3);
    TBitmap Bitmap;
    Bitmap.SetSize(120, 30);
    M->Draw(Bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(M->Text(), W("из 3\r\n"));
}

TEST(MemoMeasure, CharactersOutsideTheCodePageAreMeasuredAsThemselves)
{
    const WideString Greek = W("λόγος → ∞");
    ASSERT_NE(Width600(Greek, 10), Width600(WideString(AnsiString(Greek)), 10))
        << "the narrow text would measure differently";
    auto M = Memo(Greek, 50, 20);
    EXPECT_EQ(M->CalcWidth(), Nearest(Width600(Greek, 10) / Ratio + 4));
}
