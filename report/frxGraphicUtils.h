#pragma once

// The text renderer of memos: measures at a fixed high resolution, wraps,
// hyphenates and draws with the rounding error of the output device spread
// over characters and lines, so a memo ends its lines at the same places on
// screen and on paper. Understands a few HTML-like tags per character.

#include "platform/rtl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "report/frxClass.h"
#include "report/frxUnicodeUtils.h"

#include <memory>
#include <vector>

// The formatting of one visible character.
struct TfrxHTMLTag {
    int Position = 0; // in the whole text, 1-based, tags counted
    int Size = 0;     // points
    int Subscript = 0;
    TFontStyles Style;
    TColor Color = clBlack;
    bool SameAsPrev = false; // formatting equals that of the character before
    bool Small = false;      // size differs from the default size

    bool SameFormat(const TfrxHTMLTag &Other) const
    {
        return Style == Other.Style && Color == Other.Color && Size == Other.Size &&
               Subscript == Other.Subscript;
    }
};

// The tags of one output line.
class TfrxHTMLTags
{
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TfrxHTMLTag &Items(int Index) { return FItems.at(static_cast<std::size_t>(Index)); }
    const TfrxHTMLTag &Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
    void Add(const TfrxHTMLTag &Tag) { FItems.push_back(Tag); }
    // The tags from Index on, removed from this line.
    TfrxHTMLTags SplitOff(int Index);

private:
    std::vector<TfrxHTMLTag> FItems;
};

class TfrxHTMLTagsList
{
public:
    void SetDefaults(TColor DefColor, int DefSize, TFontStyles DefStyle);
    void NewLine();
    void Add();
    // The tag before the last one, across a line break; null when there is none.
    const TfrxHTMLTag *GetPrevTag() const;
    void Wrap(int TagsCount, bool AddBreak);
    // Removes the recognised tags from Text, giving each character left a tag.
    void ExpandHTMLTags(WideString &Text);
    void Clear() { FLines.clear(); }

    int Count() const { return static_cast<int>(FLines.size()); }
    TfrxHTMLTags &Items(int Index) { return FLines.at(static_cast<std::size_t>(Index)); }
    const TfrxHTMLTags &Items(int Index) const
    {
        return FLines.at(static_cast<std::size_t>(Index));
    }
    bool AllowTags() const { return FAllowTags; }
    void SetAllowTags(bool Value) { FAllowTags = Value; }
    int Position() const { return FPosition; }
    void SetPosition(int Value) { FPosition = Value; }
    int DefSize() const { return FDefSize; }

private:
    // The length of the tag at Index (0-based) when it is one, else 0.
    int RecogniseTag(const WideString &Text, int Index);
    bool RecogniseFontColor(const WideString &Text, int Index, int &Length);

    bool FAllowTags = true;
    int FSubscript = 0;
    TColor FColor = clBlack;
    TColor FDefColor = clBlack;
    int FDefSize = 0;
    TFontStyles FDefStyle;
    std::vector<TfrxHTMLTags> FLines;
    int FPosition = 1;
    int FSize = 0;
    TFontStyles FStyle;
};

class TfrxDrawText : public TObject
{
    QRV4_CLASS(TfrxDrawText, TObject)

public:
    // MeasuringResolution is the dots per inch every measurement is made at.
    explicit TfrxDrawText(int MeasuringResolution = 600);
    ~TfrxDrawText() override;

    // One user at a time; a nested user would overwrite the layout of the
    // first, so it is refused with EInvalidOperation instead of waiting.
    void Lock();
    void Unlock();
    bool Busy() const { return FBusy; }

    void SetFont(TFont *Font);
    void SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped,
                    int Rotation);
    void SetDimensions(double ScaleX, double ScaleY, const TRect &Bounds, const TRect &ClipRect);
    void SetGaps(double ParagraphGap, double CharSpacing, double LineSpacing);
    void SetText(TWideStrings *Lines);
    WideString DeleteTags(const WideString &Text);
    void DrawText(TCanvas *Canvas, TfrxHAlign HAlign, TfrxVAlign VAlign);

    double CalcHeight();
    double CalcWidth();
    double LineHeight() const { return TextHeight() + FLineSpacing; }
    double TextHeight() const;
    double UnusedSpace() const;
    const WideString &GetInBoundsText() const { return FText; }
    WideString GetWrappedText() const;
    WideString GetOutBoundsText();
    bool IsPrinter(TCanvas *Canvas) const;

    int Rotation() const { return FRotation; }
    int WrappedCount() const { return static_cast<int>(FWrapped.size()); }
    WideString WrappedLine(int Index) const { return FWrapped.at(Index).Text; }
    TfrxHTMLTagsList &Tags() { return FTags; }

private:
    struct TWrapped {
        WideString Text;
        int Flags = 0;     // 1 first line of a paragraph, 2 last line
        int Paragraph = 1; // where its source line starts in the text in bounds
    };

    double Ratio() const { return double(FMeasuringResolution) / FScreenResolution; }
    void WrapTextLine(WideString Line, int Width, int FirstWidth, int Spacing);
    void AddWrapped(const WideString &Text) { FWrapped.push_back({Text, 0, FParagraphStart}); }
    int Hyphenate(const WideString &Line, int WordStart, int Overflow) const;
    // Per-character widths of a wrapped or source line (by its tag line),
    // measured on Canvas at font height Height with Add after each character;
    // running sums when Cumulative. Returns the total.
    int FillCharSpacingArray(std::vector<int> &Widths, const WideString &Text, TCanvas *Canvas,
                             int Height, int LineIndex, int Add, bool Cumulative);
    void DrawTextLine(TCanvas *Canvas, const WideString &Text, int X, int Y, int Width,
                      int LineIndex, TfrxHAlign Align);
    void SetCanvasFormat(TCanvas *Canvas, const TfrxHTMLTag &Tag, bool Printer);
    int DeviceFontHeight(TCanvas *Canvas, int Size, bool Printer) const;
    int MeasuringHeight() const;

    std::unique_ptr<TBitmap> FBitmap;
    bool FBusy = false;
    TCanvas *FCanvas;
    int FMeasuringResolution;
    int FScreenResolution = 96;
    int FFontSize = 10;
    TfrxHTMLTagsList FTags;
    double FCharSpacing = 0;
    double FLineSpacing = 0;
    UINT FOptions = 0;
    TRect FBounds;
    double FParagraphGap = 0;
    WideString FText;
    int FRotation = 0;
    bool FRTL = false;
    TRect FClipRect;
    double FScaleX = 1;
    double FScaleY = 1;
    std::vector<TWrapped> FWrapped;
    int FParagraphStart = 1;
    bool FWordBreak = false;
    bool FWordWrap = true;
};

// Holds an object locked for a scope, so it is given back also when an
// exception passes.
template <class T> class TfrxScopedLock
{
public:
    explicit TfrxScopedLock(T *Object) : FObject(Object) { FObject->Lock(); }
    ~TfrxScopedLock() { FObject->Unlock(); }
    TfrxScopedLock(const TfrxScopedLock &) = delete;
    TfrxScopedLock &operator=(const TfrxScopedLock &) = delete;

private:
    T *FObject;
};

using TfrxDrawTextLock = TfrxScopedLock<TfrxDrawText>;

// The renderer of memos outside a report, made on first use.
TfrxDrawText *frxDrawText();

// Syllable break positions of a word (a break after that many characters),
// by the Russian rules; empty for words shorter than 4 characters.
std::vector<int> frxBreakWord(const WideString &Word);

// Adds Amount (of either sign) to Values[Lo..Hi] in whole units: an equal
// share each, the rest halved down to single units in the middle of each half.
void frxDistribute(std::vector<int> &Values, int Lo, int Hi, int Amount);
