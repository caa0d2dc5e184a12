#include "platform/win/GdiText.h"

#include <numeric>

namespace win
{
namespace
{

struct Line {
    std::u16string Text;
    int Underline = -1; // index of the prefixed character
};

int WidthOf(const RealFont &F, std::u16string_view Text)
{
    const auto A = F.Advances(Text);
    return std::accumulate(A.begin(), A.end(), 0);
}

// Removes '&' prefixes: "&&" stays one '&', a single '&' marks the next character.
Line StripPrefix(std::u16string_view Text, UINT Format)
{
    Line L;
    if (Format & DT_NOPREFIX) {
        L.Text = Text;
        return L;
    }
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] == u'&' && I + 1 < Text.size()) {
            ++I;
            if (Text[I] != u'&' && L.Underline < 0 && !(Format & DT_HIDEPREFIX))
                L.Underline = static_cast<int>(L.Text.size());
        } else if (Text[I] == u'&') {
            continue;
        }
        L.Text.push_back(Text[I]);
    }
    return L;
}

std::u16string ExpandTabs(std::u16string_view Text, const RealFont &F, UINT Format, int TabChars)
{
    std::u16string Out;
    if (!(Format & DT_EXPANDTABS)) return std::u16string(Text);
    const int Stop = std::max(1, TabChars) * std::max(1, F.AveCharWidth);
    for (char16_t C : Text) {
        if (C != u'\t') {
            Out.push_back(C);
            continue;
        }
        const int Width = WidthOf(F, Out);
        const int Space = std::max(1, WidthOf(F, u" "));
        for (int W = Width; W < (Width / Stop + 1) * Stop; W += Space)
            Out.push_back(u' ');
    }
    return Out;
}

std::vector<std::u16string> SplitLines(std::u16string_view Text, UINT Format)
{
    std::vector<std::u16string> Lines(1);
    for (std::size_t I = 0; I < Text.size(); ++I) {
        const char16_t C = Text[I];
        if (C == u'\r' || C == u'\n') {
            if (Format & DT_SINGLELINE) continue;
            if (C == u'\r' && I + 1 < Text.size() && Text[I + 1] == u'\n') ++I;
            Lines.emplace_back();
            continue;
        }
        Lines.back().push_back(C);
    }
    return Lines;
}

// Breaks a line at spaces so that each line fits; a single word wider than
// the rectangle stays whole, as Win32 does without DT_EDITCONTROL.
std::vector<std::u16string> WrapLine(const std::u16string &Text, const RealFont &F, int Width)
{
    std::vector<std::u16string> Out;
    std::u16string Current;
    std::size_t I = 0;
    while (I < Text.size()) {
        std::size_t End = Text.find(u' ', I);
        if (End == std::u16string::npos) End = Text.size();
        const std::u16string Word = Text.substr(I, End - I);
        const std::u16string Tried = Current.empty() ? Word : Current + u' ' + Word;
        if (!Current.empty() && WidthOf(F, Tried) > Width) {
            Out.push_back(Current);
            Current = Word;
        } else {
            Current = Tried;
        }
        I = End + 1;
    }
    Out.push_back(Current);
    return Out;
}

void AddEllipsis(Line &L, const RealFont &F, int Width)
{
    if (WidthOf(F, L.Text) <= Width) return;
    const int Dots = WidthOf(F, u"...");
    while (!L.Text.empty() && WidthOf(F, L.Text) + Dots > Width)
        L.Text.pop_back();
    if (L.Underline >= static_cast<int>(L.Text.size())) L.Underline = -1;
    L.Text += u"...";
}

int DrawTextImpl(DeviceContext &Dc, std::u16string_view Text, RECT *Rect, UINT Format, int TabChars)
{
    const RealFont &F = FontFor(Dc);
    const QRect Box = ToDevice(Dc, *Rect);
    const int LineHeight = F.Height() + ((Format & DT_EXTERNALLEADING) ? F.ExternalLeading : 0);
    std::vector<Line> Lines;
    for (const std::u16string &Raw : SplitLines(Text, Format)) {
        const std::u16string Expanded = ExpandTabs(Raw, F, Format, TabChars);
        if ((Format & DT_WORDBREAK) && !(Format & DT_SINGLELINE)) {
            // Prefixes are stripped before wrapping so widths are those drawn.
            Line Whole = StripPrefix(Expanded, Format);
            int Offset = 0;
            for (const std::u16string &Chunk : WrapLine(Whole.Text, F, Box.width())) {
                Line L{Chunk, -1};
                if (Whole.Underline >= Offset &&
                    Whole.Underline < Offset + static_cast<int>(Chunk.size()))
                    L.Underline = Whole.Underline - Offset;
                Offset += static_cast<int>(Chunk.size()) + 1;
                Lines.push_back(L);
            }
        } else {
            Lines.push_back(StripPrefix(Expanded, Format));
        }
    }
    if (Format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))
        for (Line &L : Lines)
            AddEllipsis(L, F, Box.width());
    const int Height = LineHeight * static_cast<int>(Lines.size());
    int Widest = 0;
    for (const Line &L : Lines)
        Widest = std::max(Widest, WidthOf(F, L.Text));
    if (Format & DT_CALCRECT) {
        const QPoint Tl = ToDevice(Dc, Rect->left, Rect->top);
        const QPoint Br = ToLogical(Dc, Tl.x() + Widest, Tl.y() + Height);
        if (!(Format & DT_WORDBREAK) || Widest > Box.width()) Rect->right = Br.x();
        Rect->bottom = Br.y();
        return ToLogical(Dc, 0, Height).y() - ToLogical(Dc, 0, 0).y();
    }
    int Top = Box.top();
    if (Format & DT_SINGLELINE) {
        if (Format & DT_VCENTER)
            Top = Box.top() + (Box.height() - Height) / 2;
        else if (Format & DT_BOTTOM)
            Top = Box.top() + Box.height() - Height;
    }
    const UINT SavedAlign = Dc.S.TextAlign;
    Dc.S.TextAlign = TA_LEFT | TA_TOP;
    for (const Line &L : Lines) {
        const int W = WidthOf(F, L.Text);
        int X = Box.left();
        if (Format & DT_CENTER)
            X = Box.left() + (Box.width() - W) / 2;
        else if (Format & DT_RIGHT)
            X = Box.left() + Box.width() - W;
        TextRun Run;
        Run.Text = L.Text;
        Run.Advances = F.Advances(L.Text);
        Run.Reference = QPoint(X, Top);
        Run.UnderlineFrom = (Format & DT_HIDEPREFIX) ? -1 : L.Underline;
        if (!(Format & DT_NOCLIP)) Run.ClipTo = Box;
        if (!(Format & DT_PREFIXONLY)) DrawRun(Dc, Run);
        Top += LineHeight;
    }
    Dc.S.TextAlign = SavedAlign;
    const int Drawn = Top - Box.top();
    return ToLogical(Dc, 0, Drawn).y() - ToLogical(Dc, 0, 0).y();
}

} // namespace
} // namespace win

using namespace win;

int DrawTextExW(HDC Handle, LPWSTR Text, int Count, LPRECT Rect, UINT Format,
                DRAWTEXTPARAMS *Params)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect || !Text) return 0;
    const std::u16string_view T = Count < 0
                                      ? std::u16string_view(Text)
                                      : std::u16string_view(Text, static_cast<std::size_t>(Count));
    RECT Inner = *Rect;
    if (Params) {
        Inner.left += Params->iLeftMargin;
        Inner.right -= Params->iRightMargin;
    }
    const int TabChars =
        (Format & DT_TABSTOP) ? ((Format >> 8) & 0xFF) : (Params ? Params->iTabLength : 8);
    const int Result = DrawTextImpl(*Dc, T, &Inner, Format, TabChars ? TabChars : 8);
    if (Format & DT_CALCRECT) {
        Rect->right = Inner.right + (Params ? Params->iRightMargin : 0);
        Rect->bottom = Inner.bottom;
    }
    if (Params) Params->uiLengthDrawn = static_cast<UINT>(T.size());
    return Result;
}

int DrawTextW(HDC Dc, LPCWSTR Text, int Count, LPRECT Rect, UINT Format)
{
    std::u16string Copy = Count < 0 ? std::u16string(Text ? Text : u"")
                                    : std::u16string(Text, static_cast<std::size_t>(Count));
    return DrawTextExW(Dc, Copy.data(), static_cast<int>(Copy.size()), Rect, Format, nullptr);
}

int DrawTextA(HDC Dc, LPCSTR Text, int Count, LPRECT Rect, UINT Format)
{
    std::u16string Wide = FromCp1251(Text, Count);
    return DrawTextExW(Dc, Wide.data(), static_cast<int>(Wide.size()), Rect, Format, nullptr);
}
