#pragma once
// Fonts and text measuring shared by the text functions and DrawText. Internal.

#include "platform/win/DeviceContext.h"

#include <QFont>
#include <QFontMetrics>
#include <QRawFont>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace win
{

// A logical font realised at a device scale, with GDI's integer advances.
struct RealFont {
    QFont Font;
    QRawFont Raw;
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    int UnderlinePos = 0;
    int LineWidth = 1;
    int StrikeOutPos = 0;
    LOGFONTW Log{};
    // Struck twice, a pixel apart: a bold font whose face has no heavier strokes than the
    // regular one. Told when text is first drawn, as it takes the regular face too.
    bool Embolden() const;
    int Height() const { return Ascent + Descent; }
    // Advance of each UTF-16 unit in device pixels; the second half of a
    // surrogate pair has none.
    std::vector<int> Advances(std::u16string_view Text) const;

private:
    std::vector<int> Measure(std::u16string_view Text) const;
    // Each character's advance once measured: reports measure the same few again and again.
    mutable std::unordered_map<char16_t, int> FKnown;
    mutable std::optional<bool> FEmbolden;
};

const RealFont &FontFor(const DeviceContext &Dc);

// Draws a run of text with its top-left (or other TextAlign reference) at a
// device point, glyph by glyph at the given device advances.
struct TextRun {
    std::u16string_view Text;
    std::vector<int> Advances;
    QPoint Reference;
    UINT Align = TA_LEFT | TA_TOP;
    std::optional<QRect> Opaque; // ETO_OPAQUE rectangle
    std::optional<QRect> ClipTo; // ETO_CLIPPED rectangle
    bool RightToLeft = false;
    int UnderlineFrom = -1; // a prefix underline under this character
};
void DrawRun(DeviceContext &Dc, const TextRun &Run);
// On a metafile DC: the run as a text record with the bounds it covers.
void RecordText(DeviceContext &Dc, const TextRun &Run, UINT Options);

std::u16string FromCp1251(LPCSTR Text, int Count);

} // namespace win
