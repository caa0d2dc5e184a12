#include "report/frxGraphicUtils.h"

#include "platform/rtl/SysUtils.h"
#include "platform/win/Windows.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

const std::u16string_view Consonants = u"БВГДЖЗЙКЛМНПРСТФХЦЧШЩЬЪ";
const std::u16string_view Vowels = u"АЕЁИОУЫЭЮЯ";

bool IsConsonant(char16_t Ch)
{
    return Consonants.find(Ch) != std::u16string_view::npos;
}

bool IsVowel(char16_t Ch)
{
    return Vowels.find(Ch) != std::u16string_view::npos;
}

char16_t UpperCyrillic(char16_t Ch)
{
    if (Ch >= u'а' && Ch <= u'я') return static_cast<char16_t>(Ch - 0x20);
    if (Ch == u'ё') return u'Ё';
    return Ch;
}

bool HasVowel(std::u16string_view Part)
{
    return std::any_of(Part.begin(), Part.end(), IsVowel);
}

bool EndsWord(char16_t Ch)
{
    return std::u16string_view(u" .,-;").find(Ch) != std::u16string_view::npos;
}

bool IsSpace(char16_t Ch)
{
    return Ch == u' ' || Ch == u'\u00A0';
}

// Adds Amount over Values[Lo..Hi] as evenly as whole pixels allow: each gets
// an equal share, and what is left is halved down to single pixels, so a
// pixel lands in the middle of each half.
void SpreadEvenly(std::vector<int> &Values, int Lo, int Hi, int Amount, int Sign)
{
    if (Amount == 0 || Hi < Lo) return;
    const int Half = std::max((Hi - Lo + 1) / 2, 1);
    if (Amount == 1) {
        Values[static_cast<std::size_t>(Lo + Half - 1)] += Sign;
        return;
    }
    SpreadEvenly(Values, Lo, Lo + Half - 1, Amount / 2, Sign);
    SpreadEvenly(Values, Lo + Half, Hi, Amount - Amount / 2, Sign);
}

} // namespace

void frxDistribute(std::vector<int> &Values, int Lo, int Hi, int Amount)
{
    const int Count = Hi - Lo + 1;
    if (Count <= 0 || Amount == 0) return;
    const int Sign = Amount < 0 ? -1 : 1;
    const int Size = std::abs(Amount);
    for (int i = Lo; i <= Hi; ++i)
        Values[static_cast<std::size_t>(i)] += Sign * (Size / Count);
    SpreadEvenly(Values, Lo, Hi, Size % Count, Sign);
}

namespace
{

// Cumulative extents of every character, in the canvas's logical units.
std::vector<int> Extents(TCanvas *Canvas, const WideString &Text)
{
    std::vector<int> Result(static_cast<std::size_t>(Text.Length()));
    if (Result.empty()) return Result;
    SIZE Size{};
    GetTextExtentExPointW(Canvas->Handle(), Text.c_bstr(), Text.Length(), 0, nullptr, Result.data(),
                          &Size);
    return Result;
}

// A copy of the canvas font turned by the rotation, selected while it lives.
class TRotatedFont
{
public:
    TRotatedFont(TCanvas *Canvas, int Rotation)
    {
        if (Rotation == 0) return;
        FDc = Canvas->Handle();
        LOGFONTW Log{};
        GetObjectW(Canvas->Font()->Handle(), sizeof(Log), &Log);
        Log.lfEscapement = Log.lfOrientation = Rotation * 10;
        FFont = CreateFontIndirectW(&Log);
        FOld = SelectObject(FDc, FFont);
    }
    ~TRotatedFont()
    {
        if (!FFont) return;
        SelectObject(FDc, FOld);
        DeleteObject(FFont);
    }
    TRotatedFont(const TRotatedFont &) = delete;
    TRotatedFont &operator=(const TRotatedFont &) = delete;

private:
    HDC FDc{};
    HFONT FFont{};
    HGDIOBJ FOld{};
};

using TCanvasLock = TfrxScopedLock<TCanvas>;

} // namespace

std::vector<int> frxBreakWord(const WideString &Word)
{
    std::u16string W(Word.View());
    std::transform(W.begin(), W.end(), W.begin(), UpperCyrillic);
    std::vector<int> Result;
    const int Length = static_cast<int>(W.size());
    if (Length < 4) return Result;
    auto At = [&](int i) -> char16_t { return i < Length ? W[static_cast<std::size_t>(i)] : 0; };
    for (int i = 0; i < Length; ++i) {
        const char16_t Ch = At(i), Next = At(i + 1);
        bool Allowed = false;
        if (IsConsonant(Ch))
            Allowed = !IsVowel(Next) && Next != u'Ь' && Next != u'Ъ';
        else if (IsVowel(Ch))
            Allowed =
                Next != u'Й' && !(IsConsonant(Next) && Next == At(i + 2) && IsVowel(At(i + 3)));
        if (!Allowed) continue;
        const int k = i + 1;
        const std::u16string_view Before(W.data(), static_cast<std::size_t>(k));
        const std::u16string_view After(W.data() + k, static_cast<std::size_t>(Length - k));
        if (Before.size() < 2 || After.size() < 2 || !HasVowel(Before) || !HasVowel(After))
            continue;
        Result.push_back(k);
    }
    return Result;
}

// ---- tags ----

TfrxHTMLTags TfrxHTMLTags::SplitOff(int Index)
{
    TfrxHTMLTags Rest;
    const auto From = FItems.begin() + Index;
    Rest.FItems.assign(From, FItems.end());
    FItems.erase(From, FItems.end());
    return Rest;
}

void TfrxHTMLTagsList::SetDefaults(TColor DefColor, int DefSize, TFontStyles DefStyle)
{
    FDefColor = FColor = DefColor;
    FDefSize = FSize = DefSize;
    FDefStyle = FStyle = DefStyle;
    FSubscript = 0;
    FPosition = 1;
    FLines.clear();
}

void TfrxHTMLTagsList::NewLine()
{
    if (!FLines.empty()) FLines.emplace_back();
}

void TfrxHTMLTagsList::Add()
{
    if (FLines.empty()) FLines.emplace_back();
    TfrxHTMLTag Tag;
    Tag.Position = FPosition;
    Tag.Size = FSize;
    Tag.Subscript = FSubscript;
    Tag.Style = FStyle;
    Tag.Color = FColor;
    Tag.Small = FSize != FDefSize;
    TfrxHTMLTag Defaults;
    Defaults.Size = FDefSize;
    Defaults.Style = FDefStyle;
    Defaults.Color = FDefColor;
    FLines.back().Add(Tag);
    const TfrxHTMLTag *Prev = GetPrevTag();
    TfrxHTMLTags &Line = FLines.back();
    Line.Items(Line.Count() - 1).SameAsPrev =
        !FAllowTags || Tag.SameFormat(Prev ? *Prev : Defaults);
}

const TfrxHTMLTag *TfrxHTMLTagsList::GetPrevTag() const
{
    if (FLines.empty()) return nullptr;
    const TfrxHTMLTags &Last = FLines.back();
    if (Last.Count() >= 2) return &Last.Items(Last.Count() - 2);
    if (Last.Count() == 0 || FLines.size() < 2) return nullptr;
    // The line's first character follows the last one of the line before.
    const TfrxHTMLTags &Before = FLines[FLines.size() - 2];
    return Before.Count() > 0 ? &Before.Items(Before.Count() - 1) : nullptr;
}

void TfrxHTMLTagsList::Wrap(int TagsCount, bool AddBreak)
{
    TfrxHTMLTags &Last = FLines.back();
    if (Last.Count() <= TagsCount) return;
    TfrxHTMLTags Rest = Last.SplitOff(TagsCount);
    if (AddBreak && Last.Count() > 0) Last.Add(Last.Items(Last.Count() - 1));
    FLines.push_back(std::move(Rest));
}

bool TfrxHTMLTagsList::RecogniseFontColor(const WideString &Text, int Index, int &Length)
{
    const std::u16string_view V = Text.View();
    std::size_t i = static_cast<std::size_t>(Index) + 12; // past "<font color="
    while (i < V.size() && V[i] == u' ')
        ++i;
    const std::size_t Close = V.find(u'>', i);
    if (Close == std::u16string_view::npos) return false;
    const std::u16string_view Value = V.substr(i, Close - i);
    TColor Color;
    if (Value.size() >= 4 && Value.front() == u'"' && Value[1] == u'#' && Value.back() == u'"') {
        const std::u16string_view Hex = Value.substr(2, Value.size() - 3);
        if (Hex.size() > 6) return false;
        unsigned Rgb = 0;
        for (char16_t Ch : Hex) {
            const int Digit = Ch >= u'0' && Ch <= u'9'   ? Ch - u'0'
                              : Ch >= u'a' && Ch <= u'f' ? Ch - u'a' + 10
                              : Ch >= u'A' && Ch <= u'F' ? Ch - u'A' + 10
                                                         : -1;
            if (Digit < 0) return false; // not a colour: the tag stays text
            Rgb = Rgb * 16 + static_cast<unsigned>(Digit);
        }
        Color = static_cast<TColor>(((Rgb & 0xFF) << 16) | (Rgb & 0xFF00) | ((Rgb >> 16) & 0xFF));
    } else if (!IdentToColor(AnsiString("cl") + AnsiString(WideString(Value)), Color)) {
        return false;
    }
    FColor = Color;
    Length = static_cast<int>(Close) - Index + 1;
    return true;
}

int TfrxHTMLTagsList::RecogniseTag(const WideString &Text, int Index)
{
    const std::u16string_view Rest = Text.View().substr(static_cast<std::size_t>(Index));
    auto Is = [&](std::u16string_view Name) {
        if (Rest.size() < Name.size()) return false;
        for (std::size_t i = 0; i < Name.size(); ++i) {
            char16_t Ch = Rest[i];
            if (Ch >= u'a' && Ch <= u'z') Ch = static_cast<char16_t>(Ch - 0x20);
            if (Ch != Name[i]) return false;
        }
        return true;
    };
    struct StyleTag {
        std::u16string_view Name;
        TFontStyle Style;
        bool On;
    };
    static const StyleTag Styles[] = {
        {u"<B>", fsBold, true},           {u"</B>", fsBold, false},
        {u"<I>", fsItalic, true},         {u"</I>", fsItalic, false},
        {u"<U>", fsUnderline, true},      {u"</U>", fsUnderline, false},
        {u"<STRIKE>", fsStrikeOut, true}, {u"</STRIKE>", fsStrikeOut, false},
    };
    for (const StyleTag &Tag : Styles)
        if (Is(Tag.Name)) {
            if (Tag.On)
                FStyle << Tag.Style;
            else
                FStyle >> Tag.Style;
            return static_cast<int>(Tag.Name.size());
        }
    if (Is(u"<SUB>") || Is(u"<SUP>")) {
        FSize = frxNearest(FDefSize / 1.5);
        FSubscript = Is(u"<SUB>") ? 1 : 0;
        return 5;
    }
    if (Is(u"</SUB>") || Is(u"</SUP>")) {
        FSize = FDefSize;
        FSubscript = 0;
        return 6;
    }
    if (Is(u"</FONT>")) {
        FColor = FDefColor;
        return 7;
    }
    int Length = 0;
    if (Is(u"<FONT COLOR=") && RecogniseFontColor(Text, Index, Length)) return Length;
    return 0;
}

void TfrxHTMLTagsList::ExpandHTMLTags(WideString &Text)
{
    std::u16string Result;
    Result.reserve(static_cast<std::size_t>(Text.Length()));
    const std::u16string_view V = Text.View();
    for (int i = 0; i < Text.Length();) {
        if (FAllowTags && V[static_cast<std::size_t>(i)] == u'<') {
            if (const int Length = RecogniseTag(Text, i)) {
                FPosition += Length;
                i += Length;
                continue;
            }
        }
        Add();
        Result += V[static_cast<std::size_t>(i)];
        ++FPosition;
        ++i;
    }
    if (Result.empty()) {
        Add();
        Result.push_back(u' ');
    }
    Text = WideString(std::move(Result));
}

// ---- the renderer ----

TfrxDrawText::TfrxDrawText(int MeasuringResolution)
    : FBitmap(std::make_unique<TBitmap>()), FMeasuringResolution(MeasuringResolution)
{
    FBitmap->SetSize(1, 1);
    FCanvas = FBitmap->Canvas();
}

TfrxDrawText::~TfrxDrawText() = default;

void TfrxDrawText::Lock()
{
    if (FBusy) throw EInvalidOperation(frxResources()->Get("clRendererBusy"));
    FBusy = true;
}

void TfrxDrawText::Unlock()
{
    FBusy = false;
}

int TfrxDrawText::MeasuringHeight() const
{
    return -frxNearest(FFontSize * double(FMeasuringResolution) / 72);
}

void TfrxDrawText::SetFont(TFont *Font)
{
    TCanvasLock Guard(FCanvas);
    FFontSize = Font->Size();
    TFont *F = FCanvas->Font();
    if (F->Name() != Font->Name()) F->SetName(Font->Name());
    F->SetHeight(MeasuringHeight());
    F->SetStyle(Font->Style());
    F->SetCharset(Font->Charset());
    F->SetColor(Font->Color());
}

void TfrxDrawText::SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak,
                              bool Clipped, int Rotation)
{
    FWordWrap = WordWrap;
    FTags.SetAllowTags(HTMLTags);
    FRTL = RTLReading;
    FWordBreak = WordBreak;
    // A negative angle turns the other way round: -90 is 270.
    FRotation = ((Rotation % 360) + 360) % 360;
    FOptions = (RTLReading ? ETO_RTLREADING : 0) | (Clipped ? ETO_CLIPPED : 0);
}

void TfrxDrawText::SetDimensions(double ScaleX, double ScaleY, const TRect &Bounds,
                                 const TRect &ClipRect)
{
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FBounds = Bounds;
    FClipRect = ClipRect;
}

void TfrxDrawText::SetGaps(double ParagraphGap, double CharSpacing, double LineSpacing)
{
    FParagraphGap = ParagraphGap;
    FCharSpacing = CharSpacing;
    FLineSpacing = LineSpacing;
}

void TfrxDrawText::SetText(TWideStrings *Lines)
{
    TCanvasLock Guard(FCanvas);
    FText = WideString();
    FWrapped.clear();
    FTags.Clear();
    if (!Lines || Lines->Count() == 0) return;
    TFont *F = FCanvas->Font();
    const TFontStyles Style = F->Style();
    FTags.SetDefaults(F->Color(), FFontSize, Style);
    const bool Sideways = (FRotation >= 90 && FRotation < 180) || FRotation >= 270;
    const double Available = Sideways ? FBounds.Height() : FBounds.Width();
    const double r = Ratio();
    for (int i = 0; i < Lines->Count(); ++i) {
        WideString Line = Lines->Get(i);
        if (Line.IsEmpty()) Line = WideString(u" ");
        FParagraphStart = FText.Length() + 1;
        FText += Line;
        FText += WideString(u"\r\n");
        const std::size_t Before = FWrapped.size();
        WrapTextLine(Line, frxNearest(Available * r), frxNearest((Available - FParagraphGap) * r),
                     frxNearest(FCharSpacing * r));
        if (FWrapped.size() > Before) {
            FWrapped[Before].Flags |= 1;
            FWrapped.back().Flags |= 2;
        }
    }
    F->SetStyle(Style);
}

int TfrxDrawText::Hyphenate(const WideString &Line, int WordStart, int Overflow) const
{
    const std::u16string_view V = Line.View();
    std::size_t End = static_cast<std::size_t>(std::max(Overflow, WordStart));
    while (End < V.size() && !EndsWord(V[End]))
        ++End;
    const int Fit = Overflow - WordStart;
    const auto Start = static_cast<std::size_t>(WordStart);
    int Best = 0;
    for (int k : frxBreakWord(WideString(V.substr(Start, End - Start))))
        if (k < Fit) Best = k;
    return Best;
}

void TfrxDrawText::WrapTextLine(WideString Line, int Width, int FirstWidth, int Spacing)
{
    FTags.NewLine();
    FTags.ExpandHTMLTags(Line);
    FTags.SetPosition(FTags.Position() + 2);
    const int n = Line.Length();
    if (n < 2 || !FWordWrap) return AddWrapped(Line);
    std::vector<int> Sums;
    const int Total = FillCharSpacingArray(Sums, Line, FCanvas, MeasuringHeight(),
                                           FTags.Count() - 1, Spacing, true);
    if (Total < FirstWidth) return AddWrapped(Line);
    const std::u16string_view V = Line.View();
    auto Part = [&](int From, int To) { // characters From..To-1
        return WideString(
            V.substr(static_cast<std::size_t>(From), static_cast<std::size_t>(To - From)));
    };
    int s = 0, p = -1, x = 0, Limit = FirstWidth;
    for (int i = 0; i < n; ++i) {
        if (V[static_cast<std::size_t>(i)] == u' ') p = i;
        if (Sums[static_cast<std::size_t>(i)] - x <= Limit) continue;
        WideString Piece;
        int Next;
        bool Hyphen = false;
        if (p <= s) {
            const int k = s == i || !FWordBreak ? 0 : Hyphenate(Line, s, i);
            if (s == i) {
                Piece = Part(s, i + 1), Next = i + 1;
            } else if (k > 0) {
                Piece = Part(s, s + k) + WideString(u"-"), Next = s + k, Hyphen = true;
            } else {
                Piece = Part(s, i), Next = i;
            }
        } else {
            const int k = FWordBreak ? Hyphenate(Line, p + 1, i) : 0;
            if (k > 0) {
                Piece = Part(s, p + 1 + k) + WideString(u"-"), Next = p + 1 + k, Hyphen = true;
            } else {
                Piece = Part(s, p), Next = p + 1; // the space at the break is dropped
            }
        }
        AddWrapped(Piece);
        FTags.Wrap(Next - s, Hyphen);
        x = Sums[static_cast<std::size_t>(Next - 1)];
        s = Next;
        Limit = Width;
    }
    if (s < n) AddWrapped(Part(s, n));
}

int TfrxDrawText::FillCharSpacingArray(std::vector<int> &Widths, const WideString &Text,
                                       TCanvas *Canvas, int Height, int LineIndex, int Add,
                                       bool Cumulative)
{
    const int n = Text.Length();
    Widths.assign(static_cast<std::size_t>(n), 0);
    if (n == 0) return 0;
    const TfrxHTMLTags *Tags =
        LineIndex >= 0 && LineIndex < FTags.Count() ? &FTags.Items(LineIndex) : nullptr;
    auto TagAt = [&](int i) -> const TfrxHTMLTag * {
        return Tags && i < Tags->Count() ? &Tags->Items(i) : nullptr;
    };
    TFont *F = Canvas->Font();
    F->SetHeight(Height);
    if (const TfrxHTMLTag *First = TagAt(0)) F->SetStyle(First->Style);
    std::vector<int> Ext = Extents(Canvas, Text);
    int Total = 0;
    for (int i = 0; i < n; ++i) {
        const TfrxHTMLTag *Tag = TagAt(i);
        if (i > 0 && Tag && !Tag->SameAsPrev && F->Style() != Tag->Style) {
            F->SetStyle(Tag->Style);
            Ext = Extents(Canvas, Text);
        }
        const auto At = static_cast<std::size_t>(i);
        int W = Ext[At] - (i > 0 ? Ext[At - 1] : 0) + Add;
        if (Tag && Tag->Small) W = frxNearest(W / 1.5);
        Total += W;
        Widths[At] = Cumulative ? Total : W;
    }
    return Total;
}

WideString TfrxDrawText::DeleteTags(const WideString &Text)
{
    TfrxHTMLTagsList Scratch;
    Scratch.SetAllowTags(FTags.AllowTags());
    Scratch.SetDefaults(clBlack, FFontSize, TFontStyles());
    WideString Result = Text;
    Scratch.ExpandHTMLTags(Result);
    return Result;
}

double TfrxDrawText::TextHeight() const
{
    return std::abs(MeasuringHeight()) / Ratio();
}

double TfrxDrawText::CalcHeight()
{
    return LineHeight() * static_cast<double>(FWrapped.size());
}

double TfrxDrawText::CalcWidth()
{
    TCanvasLock Guard(FCanvas);
    const double r = Ratio();
    const TFontStyles Style = FCanvas->Font()->Style();
    int Widest = 0;
    std::vector<int> Widths;
    for (std::size_t i = 0; i < FWrapped.size(); ++i) {
        const TWrapped &Line = FWrapped[i];
        int W = FillCharSpacingArray(Widths, Line.Text, FCanvas, MeasuringHeight(),
                                     static_cast<int>(i), 0, false);
        W += frxNearest(Line.Text.Length() * FCharSpacing * r);
        if (Line.Flags & 1) W += frxNearest(FParagraphGap * r);
        Widest = std::max(Widest, W);
    }
    FCanvas->Font()->SetStyle(Style);
    return Widest / r;
}

double TfrxDrawText::UnusedSpace() const
{
    const double Line = LineHeight();
    const double Space = FBounds.Bottom - FBounds.Top + 1;
    const double Whole = Line > 0 ? std::trunc(Space / Line) : 0;
    if (Whole <= 0) return 0;
    const double Result = Space - Whole * Line;
    // Zero would tell the engine that nothing fitted.
    return Result == 0 ? 0.0001 : Result;
}

WideString TfrxDrawText::GetWrappedText() const
{
    WideString Result;
    for (const TWrapped &Line : FWrapped) {
        Result += Line.Text;
        Result += WideString(u"\r\n");
    }
    return Result;
}

WideString TfrxDrawText::GetOutBoundsText()
{
    if (FWrapped.empty()) return WideString();
    const double Line = LineHeight();
    const double Space = FBounds.Bottom - FBounds.Top + 1;
    const int Fit = static_cast<int>(std::clamp<double>(Line > 0 ? std::trunc(Space / Line) : 0, 0,
                                                        static_cast<double>(FWrapped.size())));
    if (Fit >= FTags.Count()) return WideString();
    const TfrxHTMLTags &Rest = FTags.Items(Fit);
    if (Rest.Count() == 0) return WideString();
    const TfrxHTMLTag &First = Rest.Items(0);
    // A part that ends with a whole paragraph ends with its line break, not
    // with the tags that open the next one (they would make a line of their own).
    const auto Next = static_cast<std::size_t>(Fit);
    const int Cut = Next < FWrapped.size() && (FWrapped[Next].Flags & 1) ? FWrapped[Next].Paragraph
                                                                         : First.Position;
    WideString Result = FText.SubString(First.Position, FText.Length());
    FText = FText.SubString(1, Cut - 1);
    FWrapped.resize(Next);
    if (!FTags.AllowTags()) return Result;
    if (First.Style.Contains(fsBold)) Result.Insert(WideString(u"<b>"), 1);
    if (First.Style.Contains(fsItalic)) Result.Insert(WideString(u"<i>"), 1);
    if (First.Style.Contains(fsUnderline)) Result.Insert(WideString(u"<u>"), 1);
    const unsigned Rgb = ColorToRGB(First.Color);
    const AnsiString Color =
        Format("<font color=\"#%.2X%.2X%.2X\">",
               {int(Rgb & 0xFF), int((Rgb >> 8) & 0xFF), int((Rgb >> 16) & 0xFF)});
    Result.Insert(WideString(Color), 1);
    return Result;
}

bool TfrxDrawText::IsPrinter(TCanvas *Canvas) const
{
    return Canvas && GetDeviceCaps(Canvas->Handle(), TECHNOLOGY) == DT_RASPRINTER;
}

int TfrxDrawText::DeviceFontHeight(TCanvas *Canvas, int Size, bool Printer) const
{
    if (Printer) return -frxNearest(Size * GetDeviceCaps(Canvas->Handle(), LOGPIXELSY) / 72.0);
    return -frxNearest(Size * FScaleY * FScreenResolution / 72);
}

void TfrxDrawText::SetCanvasFormat(TCanvas *Canvas, const TfrxHTMLTag &Tag, bool Printer)
{
    TFont *F = Canvas->Font();
    F->SetHeight(DeviceFontHeight(Canvas, Tag.Size, Printer));
    F->SetStyle(Tag.Style);
    F->SetColor(Tag.Color);
}

void TfrxDrawText::DrawText(TCanvas *Canvas, TfrxHAlign HAlign, TfrxVAlign VAlign)
{
    if (FWrapped.empty() || FTags.Count() == 0) return;
    TCanvasLock Guard(FCanvas);
    const bool Printer = IsPrinter(Canvas);
    const int Dpi = GetDeviceCaps(Canvas->Handle(), LOGPIXELSY);
    const double r = Ratio();
    Canvas->Font()->Assign(FCanvas->Font());
    Canvas->Font()->SetHeight(DeviceFontHeight(Canvas, FFontSize, Printer));
    const int n = static_cast<int>(FWrapped.size());

    // Whole device pixels per line add up to more or less than the text
    // measured; the difference goes into the gaps between lines.
    const int h = std::abs(Canvas->Font()->Height());
    const int g = frxNearest(FLineSpacing * FScaleY);
    const int h600 = std::abs(MeasuringHeight());
    const double k = Dpi > 0 ? double(FMeasuringResolution) / Dpi : r;
    const int Total = Printer ? frxNearest((FLineSpacing * FScaleY * k * n + h600 * n) / k)
                              : frxNearest((FLineSpacing * r * n + h600 * n) / r * FScaleY);
    std::vector<int> Pitch(static_cast<std::size_t>(n), g + h);
    frxDistribute(Pitch, 0, n - 2, Total - n * (g + h));

    const double Angle = FRotation * std::numbers::pi / 180;
    const double Cos = std::cos(Angle), Sin = std::sin(Angle);
    const double c = std::abs(Cos), s = std::abs(Sin);
    const int L = FClipRect.Left, T = FClipRect.Top, R = FClipRect.Right, B = FClipRect.Bottom;
    const int H = Total;
    // At a quarter turn the cosine is not quite zero, and the slanted width would not fit an int.
    const int Slanted = FRotation % 90 != 0 ? frxNearest(((R - L) - H * s) / c) : 0;
    int X = L, Y = T, W = R - L, V = B - T;
    if (FRotation == 0) {
    } else if (FRotation < 90) {
        W = Slanted, Y = T + frxNearest(W * s), V = B - Y - frxNearest(H * c) + H;
    } else if (FRotation == 90) {
        Y = B, W = B - T, V = R - L;
    } else if (FRotation < 180) {
        W = Slanted, X = L + frxNearest(W * c), Y = B, V = B - T - frxNearest(H * c + W * s) + H;
    } else if (FRotation == 180) {
        X = R, Y = B;
    } else if (FRotation < 270) {
        W = Slanted, X = R, Y = B - frxNearest(W * s), V = Y - T - frxNearest(H * c) + H;
    } else if (FRotation == 270) {
        X = R, W = B - T, V = R - L;
    } else {
        W = Slanted, X = L + frxNearest(H * s), V = B - T - frxNearest(W * s + H * c) + H;
    }

    if (VAlign != vaTop) {
        const double Shift = VAlign == vaBottom ? V - H : (V - H) / 2.0;
        if (FRotation % 90 == 0) {
            Y += frxNearest(Shift * Cos);
            X += frxNearest(Shift * Sin);
        } else {
            Y += frxNearest(FRotation > 90 && FRotation < 270 ? -Shift : Shift);
        }
    }

    SetBkMode(Canvas->Handle(), TRANSPARENT);
    for (int i = 0; i < n; ++i) {
        const TWrapped &Line = FWrapped[static_cast<std::size_t>(i)];
        TfrxHAlign Align = HAlign;
        const int Indent = (Line.Flags & 1) && (Align == haLeft || Align == haBlock)
                               ? frxNearest(FParagraphGap * FScaleX)
                               : 0;
        if (Align == haBlock && (Line.Flags & 2)) Align = FRTL ? haRight : haLeft;
        DrawTextLine(Canvas, Line.Text, X + Indent, Y, W - Indent, i, Align);
        const int Step = Pitch[static_cast<std::size_t>(i)];
        Y += frxNearest(Step * Cos);
        X += frxNearest(Step * Sin);
    }
}

void TfrxDrawText::DrawTextLine(TCanvas *Canvas, const WideString &Text, int X, int Y, int Width,
                                int LineIndex, TfrxHAlign Align)
{
    const int n = Text.Length();
    if (n == 0 || LineIndex >= FTags.Count() || FTags.Items(LineIndex).Count() == 0) return;
    const bool Printer = IsPrinter(Canvas);
    const double r = Ratio();

    std::vector<int> Dx;
    const int Add600 = frxNearest(FCharSpacing * r);
    const int W600 =
        FillCharSpacingArray(Dx, Text, FCanvas, MeasuringHeight(), LineIndex, Add600, false) -
        Add600;
    const int DesignWidth = Printer
                                ? frxNearest(W600 / (double(FMeasuringResolution) /
                                                     GetDeviceCaps(Canvas->Handle(), LOGPIXELSX)))
                                : frxNearest(W600 / r * FScaleX);
    const int Add = frxNearest(FCharSpacing * FScaleX);
    const int DeviceWidth =
        FillCharSpacingArray(Dx, Text, Canvas, DeviceFontHeight(Canvas, FFontSize, Printer),
                             LineIndex, Add, false) -
        Add;
    int Extra = DesignWidth - DeviceWidth;

    const TfrxHTMLTags &Tags = FTags.Items(LineIndex);
    const double Angle = FRotation * std::numbers::pi / 180;
    const double Cos = std::cos(Angle), Sin = std::sin(Angle);
    const int Free = Width - DesignWidth;
    bool Spread = true;
    switch (Align) {
    case haRight: {
        const TFontStyles Style = Tags.Count() ? Tags.Items(0).Style : TFontStyles();
        X += frxNearest((Free + 1) * Cos) - 1;
        if (FRotation == 0 && (Style.Contains(fsBold) || Style.Contains(fsItalic))) --X;
        Y -= frxNearest((Free + 1) * Sin);
        break;
    }
    case haCenter:
        X += frxNearest(Free / 2.0 * Cos);
        Y -= frxNearest(Free / 2.0 * Sin);
        break;
    case haBlock: {
        std::vector<std::size_t> Spaces;
        for (int i = 0; i < n; ++i)
            if (IsSpace(Text[i + 1])) Spaces.push_back(static_cast<std::size_t>(i));
        if (Spaces.empty()) break;
        // The free room of the line goes into its spaces.
        const int Room = std::abs(Width) - DeviceWidth;
        const int Count = static_cast<int>(Spaces.size());
        const int Sign = Room < 0 ? -1 : 1;
        for (int i = 0; i < Count; ++i)
            Dx[Spaces[static_cast<std::size_t>(i)]] +=
                Room / Count + (i < std::abs(Room % Count) ? Sign : 0);
        Spread = false;
        break;
    }
    default:
        break;
    }
    if (Spread) frxDistribute(Dx, 0, n - 1, Extra);

    const RECT Clip = FClipRect;
    for (int i = 0; i < n;) {
        int j = i + 1;
        while (j < n && (j >= Tags.Count() || Tags.Items(j).SameAsPrev))
            ++j;
        const TfrxHTMLTag &Tag = Tags.Items(std::min(i, Tags.Count() - 1));
        SetCanvasFormat(Canvas, Tag, Printer);
        int RunWidth = 0;
        for (int m = i; m < j; ++m)
            RunWidth += Dx[static_cast<std::size_t>(m)];
        {
            TRotatedFont Rotated(Canvas, FRotation);
            const int Offset = frxNearest(Tag.Subscript * Tag.Size * FScaleY);
            ExtTextOutW(Canvas->Handle(), X + frxNearest(Offset * Sin),
                        Y + frxNearest(Offset * Cos), FOptions, &Clip, Text.c_bstr() + i,
                        static_cast<UINT>(j - i), Dx.data() + i);
        }
        if (FRotation == 0) {
            X += RunWidth;
        } else {
            X += frxNearest(RunWidth * Cos);
            Y -= frxNearest(RunWidth * Sin);
        }
        i = j;
    }
}

TfrxDrawText *frxDrawText()
{
    static const std::unique_ptr<TfrxDrawText> Global = std::make_unique<TfrxDrawText>();
    return Global.get();
}
