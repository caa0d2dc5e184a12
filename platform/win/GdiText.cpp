#include "platform/win/GdiText.h"

#include "platform/win/FontFaces.h"

#include "platform/rtl/System.h"

#include <QGlyphRun>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

namespace win
{
namespace
{

QString ToQString(std::u16string_view Text)
{
    return QString(reinterpret_cast<const QChar *>(Text.data()),
                   static_cast<qsizetype>(Text.size()));
}

QFont::Weight WeightOf(LONG Weight)
{
    if (Weight <= 0) return QFont::Normal;
    return static_cast<QFont::Weight>(std::clamp<int>(Weight, 100, 900));
}

// Pixel size of a logical height: negative means the em height, positive the
// cell height (ascent plus descent), as LOGFONT defines them.
QFont MakeFont(const LOGFONTW &Log, double Scale)
{
    EnsureFontFaces();
    std::u16string Face(Log.lfFaceName, std::char_traits<char16_t>::length(Log.lfFaceName));
    QFont F(Face.empty() ? QStringLiteral("Tahoma") : FaceOrTwin(ToQString(Face)));
    F.setWeight(WeightOf(Log.lfWeight));
    F.setItalic(Log.lfItalic);
    F.setUnderline(Log.lfUnderline);
    F.setStrikeOut(Log.lfStrikeOut);
    F.setKerning(false);
    F.setHintingPreference(QFont::PreferNoHinting);
    // Text is drawn with this face's own glyphs, never a stand-in face's: the list of stand-ins,
    // a sort of every face on the system, is not asked for.
    F.setStyleStrategy(
        QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferNoShaping | QFont::NoFontMerging));
    if (Log.lfPitchAndFamily & FIXED_PITCH) F.setStyleHint(QFont::Monospace);
    const double Height = std::abs(Log.lfHeight) * Scale;
    int Pixels = Log.lfHeight == 0 ? 13 : std::max(1, static_cast<int>(std::lround(Height)));
    F.setPixelSize(Pixels);
    if (Log.lfHeight > 0) {
        const QFontMetrics M(F);
        const int Cell = M.ascent() + M.descent();
        if (Cell > 0)
            F.setPixelSize(
                std::max(1, static_cast<int>(std::lround(double(Pixels) * Pixels / Cell))));
    }
    return F;
}

// The width of a glyph's stroke, near enough: that of a lower-case "l".
double StemWidth(const QRawFont &Raw)
{
    const QList<quint32> Glyphs = Raw.glyphIndexesForString(QStringLiteral("l"));
    return Glyphs.isEmpty() ? 0 : Raw.pathForGlyph(Glyphs.first()).boundingRect().width();
}

// The Tahoma twin's bold file has the bold widths but the regular strokes; a bold font drawn
// from such a face is emboldened as the system does for a bold it has no face for.
bool LacksBoldStrokes(const QFont &Font, const QRawFont &Raw)
{
    if (Font.weight() < QFont::DemiBold) return false;
    QFont Regular(Font);
    Regular.setWeight(QFont::Normal);
    const double Bold = StemWidth(Raw), Normal = StemWidth(QRawFont::fromFont(Regular));
    return Bold > 0 && Normal > 0 && Bold < Normal * 1.15;
}

std::unique_ptr<RealFont> Realise(const LOGFONTW &Log, double Scale)
{
    auto R = std::make_unique<RealFont>();
    R->Log = Log;
    R->Font = MakeFont(Log, Scale);
    R->Raw = QRawFont::fromFont(R->Font);
    const QFontMetrics M(R->Font);
    R->Ascent = M.ascent();
    R->Descent = M.descent();
    R->InternalLeading = std::max(0, R->Height() - R->Font.pixelSize());
    R->ExternalLeading = std::max(0, M.leading());
    R->AveCharWidth = M.averageCharWidth();
    R->MaxCharWidth = M.maxWidth();
    R->UnderlinePos = std::max(1, M.underlinePos());
    R->LineWidth = std::max(1, M.lineWidth());
    R->StrikeOutPos = M.strikeOutPos();
    return R;
}

} // namespace

bool RealFont::Embolden() const
{
    if (!FEmbolden) FEmbolden = LacksBoldStrokes(Font, Raw);
    return *FEmbolden;
}

std::vector<int> RealFont::Advances(std::u16string_view Text) const
{
    if (std::any_of(Text.begin(), Text.end(), [](char16_t C) { return QChar::isSurrogate(C); }))
        return Measure(Text);
    std::vector<int> Result;
    Result.reserve(Text.size());
    for (const char16_t C : Text) {
        auto It = FKnown.find(C);
        if (It == FKnown.end())
            It = FKnown.emplace(C, Measure(std::u16string_view(&C, 1))[0]).first;
        Result.push_back(It->second);
    }
    return Result;
}

std::vector<int> RealFont::Measure(std::u16string_view Text) const
{
    std::vector<int> Result(Text.size(), 0);
    const QString S = ToQString(Text);
    const QList<quint32> Glyphs = Raw.glyphIndexesForString(S);
    const QList<QPointF> Adv = Raw.advancesForGlyphIndexes(Glyphs, QRawFont::SeparateAdvances);
    std::size_t Glyph = 0;
    for (std::size_t I = 0; I < Text.size() && Glyph < static_cast<std::size_t>(Adv.size()); ++I) {
        Result[I] = static_cast<int>(std::lround(Adv[static_cast<qsizetype>(Glyph)].x()));
        ++Glyph;
        if (QChar::isHighSurrogate(Text[I]) && I + 1 < Text.size()) ++I;
    }
    return Result;
}

const RealFont &FontFor(const DeviceContext &Dc)
{
    static std::map<std::string, std::unique_ptr<RealFont>> Cache;
    // The last font asked for is kept at hand: a font never changes and its handle is never
    // given out again.
    static HGDIOBJ LastHandle{};
    static double LastScale = 0;
    static const RealFont *Last = nullptr;
    const FontData *F = FontOf(Dc.S.Font);
    const double Scale = ScaleY(Dc);
    if (F && Last && Dc.S.Font == LastHandle && Scale == LastScale) return *Last;
    LOGFONTW Log = F ? F->Log : FontOf(GetStockObject(SYSTEM_FONT))->Log;
    std::string Key(reinterpret_cast<const char *>(&Log), sizeof(Log));
    Key.append(reinterpret_cast<const char *>(&Scale), sizeof(Scale));
    auto It = Cache.find(Key);
    if (It == Cache.end()) It = Cache.emplace(Key, Realise(Log, Scale)).first;
    if (F) {
        LastHandle = Dc.S.Font;
        LastScale = Scale;
        Last = It->second.get();
    }
    return *It->second;
}

std::u16string FromCp1251(LPCSTR Text, int Count)
{
    std::u16string Result;
    if (!Text) return Result;
    const std::size_t N = Count < 0 ? std::strlen(Text) : static_cast<std::size_t>(Count);
    Result.reserve(N);
    for (std::size_t I = 0; I < N; ++I)
        Result.push_back(rtl::Cp1251ToUnicode(static_cast<unsigned char>(Text[I])));
    return Result;
}

namespace
{

void PaintRun(DeviceContext &Dc, const TextRun &Run, const RealFont &F)
{
    int Width = 0;
    for (int A : Run.Advances)
        Width += A;
    const UINT H = Run.Align & (TA_CENTER | TA_RIGHT);
    const UINT V = Run.Align & TA_BASELINE;
    const int Dx = H == TA_CENTER ? -Width / 2 : (H == TA_RIGHT ? -Width : 0);
    const int Dy = V == TA_BASELINE ? -F.Ascent : (V == TA_BOTTOM ? -F.Height() : 0);
    const double Angle = F.Log.lfEscapement / 10.0;
    QTransform Place;
    Place.translate(Run.Reference.x(), Run.Reference.y());
    Place.rotate(-Angle);
    Place.translate(Dx, Dy);
    const QRect Cell(0, 0, Width, F.Height());
    QRect Bounds = Place.mapRect(Cell);
    if (Run.Opaque) Bounds |= *Run.Opaque;
    DrawScope Scope(Dc, Bounds.adjusted(-1, -1, 1, 1));
    // On a PDF page each clip restates the graphics state: none where the letters stay whole.
    if (Run.ClipTo && Scope.Valid() && !(Scope.Vector() && Run.ClipTo->contains(Bounds)))
        Scope.Confine(*Run.ClipTo);
    if (!Scope.Valid()) return;
    QPainter &P = Scope.Painter();
    if (Run.Opaque) P.fillRect(*Run.Opaque, QColor(ToRgb(Dc.S.BkColor)));
    // Upright text is placed by shifting alone: on a PDF page every new transform restates
    // the whole graphics state.
    const bool Turned = Place.type() > QTransform::TxTranslate;
    const QPoint Shift = Turned ? QPoint() : QPoint(qRound(Place.dx()), qRound(Place.dy()));
    if (Turned) P.setTransform(Place, true);
    if (Dc.S.BkMode == OPAQUE && !Run.Opaque)
        P.fillRect(Cell.translated(Shift), QColor(ToRgb(Dc.S.BkColor)));
    const QList<quint32> All = F.Raw.glyphIndexesForString(ToQString(Run.Text));
    QVector<quint32> Glyphs;
    QVector<QPointF> Positions;
    Glyphs.reserve(All.size());
    Positions.reserve(All.size());
    int X = 0;
    std::size_t Glyph = 0;
    int UnderlineX = -1, UnderlineW = 0;
    for (std::size_t I = 0; I < Run.Text.size(); ++I) {
        const int Advance = I < Run.Advances.size() ? Run.Advances[I] : 0;
        const int At = Run.RightToLeft ? Width - X - Advance : X;
        if (static_cast<int>(I) == Run.UnderlineFrom) UnderlineX = At, UnderlineW = Advance;
        if (Glyph < static_cast<std::size_t>(All.size())) {
            Glyphs << All[static_cast<qsizetype>(Glyph++)];
            Positions << QPointF(At, F.Ascent);
        }
        if (QChar::isHighSurrogate(Run.Text[I]) && I + 1 < Run.Text.size()) ++I;
        X += Advance;
    }
    const QColor Text(ToRgb(Dc.S.TextColor));
    QGlyphRun G;
    G.setRawFont(F.Raw);
    G.setGlyphIndexes(Glyphs);
    G.setPositions(Positions);
    // Glyphs take only the pen's colour: a line's pen of that colour serves as it is.
    if (P.pen().style() == Qt::NoPen || P.pen().color() != Text) P.setPen(Text);
    P.drawGlyphRun(Shift, G);
    // A printed page keeps its text as text, drawn once.
    if (!Scope.Vector() && F.Embolden()) P.drawGlyphRun(Shift + QPoint(1, 0), G);
    auto Rule = [&](int X, int Y, int RuleWidth) {
        P.fillRect(QRect(X, Y, RuleWidth, F.LineWidth).translated(Shift), Text);
    };
    if (F.Log.lfUnderline) Rule(0, F.Ascent + F.UnderlinePos, Width);
    if (F.Log.lfStrikeOut) Rule(0, F.Ascent - F.StrikeOutPos, Width);
    if (UnderlineX >= 0) Rule(UnderlineX, F.Ascent + F.UnderlinePos, UnderlineW);
}

} // namespace

void DrawRun(DeviceContext &Dc, const TextRun &Run)
{
    const RealFont &F = FontFor(Dc);
    // Text kept to a box may be covered before anyone sees it; the font is taken now, as the
    // DC's font may be gone by the time the text is drawn.
    if (Run.ClipTo && Dc.Kind == DcKind::Window) {
        HoldDrawing(Dc, *Run.ClipTo,
                    [&F, Text = std::u16string(Run.Text), Held = Run](DeviceContext &D) mutable {
                        Held.Text = Text;
                        PaintRun(D, Held, F);
                    });
        return;
    }
    PaintRun(Dc, Run, F);
}

} // namespace win

using namespace win;

namespace
{

std::u16string_view View(LPCWSTR Text, int Count)
{
    if (!Text) return {};
    return Count < 0 ? std::u16string_view(Text)
                     : std::u16string_view(Text, static_cast<std::size_t>(Count));
}

// Advances in device pixels from logical ones, or the font's own.
std::vector<int> RunAdvances(const DeviceContext &Dc, std::u16string_view Text, const INT *Dx)
{
    if (!Dx) {
        std::vector<int> A = FontFor(Dc).Advances(Text);
        if (Dc.S.CharExtra)
            for (int &V : A)
                V += static_cast<int>(std::lround(Dc.S.CharExtra * ScaleX(Dc)));
        return A;
    }
    std::vector<int> A(Text.size());
    for (std::size_t I = 0; I < Text.size(); ++I)
        A[I] = static_cast<int>(std::lround(Dx[I] * ScaleX(Dc)));
    return A;
}

int ToLogicalX(const DeviceContext &Dc, int Device)
{
    return static_cast<int>(std::lround(Device / ScaleX(Dc)));
}
int ToLogicalY(const DeviceContext &Dc, int Device)
{
    return static_cast<int>(std::lround(Device / ScaleY(Dc)));
}

} // namespace

BOOL ExtTextOutW(HDC Handle, int X, int Y, UINT Options, const RECT *Rect, LPCWSTR Text, UINT Count,
                 const INT *Dx)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    TextRun Run;
    Run.Text = View(Text, static_cast<int>(Count));
    Run.Advances = RunAdvances(*Dc, Run.Text, Dx);
    Run.Align = Dc->S.TextAlign;
    const bool UpdateCp = Dc->S.TextAlign & TA_UPDATECP;
    if (UpdateCp) X = Dc->S.Position.x, Y = Dc->S.Position.y;
    Run.Reference = ToDevice(*Dc, X, Y);
    Run.RightToLeft = (Options & ETO_RTLREADING) || (Dc->S.TextAlign & TA_RTLREADING);
    if (Rect && (Options & ETO_OPAQUE)) Run.Opaque = ToDevice(*Dc, *Rect);
    if (Rect && (Options & ETO_CLIPPED)) Run.ClipTo = ToDevice(*Dc, *Rect);
    DrawRun(*Dc, Run);
    RecordText(*Dc, Run, Options);
    if (UpdateCp) {
        int Width = 0;
        for (int A : Run.Advances)
            Width += A;
        Dc->S.Position.x += ToLogicalX(*Dc, Width);
    }
    return TRUE;
}

BOOL ExtTextOutA(HDC Dc, int X, int Y, UINT Options, const RECT *Rect, LPCSTR Text, UINT Count,
                 const INT *Dx)
{
    const std::u16string Wide = FromCp1251(Text, static_cast<int>(Count));
    return ExtTextOutW(Dc, X, Y, Options, Rect, Wide.c_str(), static_cast<UINT>(Wide.size()), Dx);
}

BOOL TextOutW(HDC Dc, int X, int Y, LPCWSTR Text, int Count)
{
    return ExtTextOutW(Dc, X, Y, 0, nullptr, Text, static_cast<UINT>(std::max(Count, 0)), nullptr);
}

BOOL TextOutA(HDC Dc, int X, int Y, LPCSTR Text, int Count)
{
    return ExtTextOutA(Dc, X, Y, 0, nullptr, Text, static_cast<UINT>(std::max(Count, 0)), nullptr);
}

BOOL GetTextExtentExPointW(HDC Handle, LPCWSTR Text, int Count, int MaxExtent, LPINT Fit, LPINT Dx,
                           LPSIZE Size)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || Count < 0) return FALSE;
    const std::u16string_view T = View(Text, Count);
    const std::vector<int> A = RunAdvances(*Dc, T, nullptr);
    int Total = 0, Fitting = 0;
    for (std::size_t I = 0; I < A.size(); ++I) {
        Total += A[I];
        const int Logical = ToLogicalX(*Dc, Total);
        if (Dx) Dx[I] = Logical;
        if (Logical <= MaxExtent) Fitting = static_cast<int>(I) + 1;
    }
    if (Fit) *Fit = Fitting;
    if (Size) *Size = SIZE{ToLogicalX(*Dc, Total), ToLogicalY(*Dc, FontFor(*Dc).Height())};
    return TRUE;
}

BOOL GetTextExtentExPointA(HDC Dc, LPCSTR Text, int Count, int MaxExtent, LPINT Fit, LPINT Dx,
                           LPSIZE Size)
{
    const std::u16string Wide = FromCp1251(Text, Count);
    return GetTextExtentExPointW(Dc, Wide.c_str(), static_cast<int>(Wide.size()), MaxExtent, Fit,
                                 Dx, Size);
}

BOOL GetTextExtentPoint32W(HDC Dc, LPCWSTR Text, int Count, LPSIZE Size)
{
    return GetTextExtentExPointW(Dc, Text, Count, 0, nullptr, nullptr, Size);
}

BOOL GetTextExtentPoint32A(HDC Dc, LPCSTR Text, int Count, LPSIZE Size)
{
    return GetTextExtentExPointA(Dc, Text, Count, 0, nullptr, nullptr, Size);
}

BOOL GetTextMetricsW(HDC Handle, TEXTMETRICW *M)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !M) return FALSE;
    const RealFont &F = FontFor(*Dc);
    *M = TEXTMETRICW{};
    M->tmHeight = ToLogicalY(*Dc, F.Height());
    M->tmAscent = ToLogicalY(*Dc, F.Ascent);
    M->tmDescent = M->tmHeight - M->tmAscent;
    M->tmInternalLeading = ToLogicalY(*Dc, F.InternalLeading);
    M->tmExternalLeading = ToLogicalY(*Dc, F.ExternalLeading);
    M->tmAveCharWidth = ToLogicalX(*Dc, F.AveCharWidth);
    M->tmMaxCharWidth = ToLogicalX(*Dc, F.MaxCharWidth);
    M->tmWeight = F.Log.lfWeight ? F.Log.lfWeight : FW_NORMAL;
    M->tmDigitizedAspectX = M->tmDigitizedAspectY = 96;
    M->tmFirstChar = 0x20;
    M->tmLastChar = 0xFFFC;
    M->tmDefaultChar = u'?';
    M->tmBreakChar = u' ';
    M->tmItalic = F.Log.lfItalic;
    M->tmUnderlined = F.Log.lfUnderline;
    M->tmStruckOut = F.Log.lfStrikeOut;
    // GDI's TMPF_FIXED_PITCH bit means a variable-pitch font.
    M->tmPitchAndFamily = TMPF_TRUETYPE | (QFontInfo(F.Font).fixedPitch() ? 0 : TMPF_FIXED_PITCH);
    M->tmCharSet = F.Log.lfCharSet;
    return TRUE;
}

int GetTextFaceW(HDC Handle, int Count, LPWSTR Face)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return 0;
    const QString Family = QFontInfo(FontFor(*Dc).Font).family();
    if (!Face) return static_cast<int>(Family.size()) + 1;
    const int N = std::min<int>(static_cast<int>(Family.size()), Count - 1);
    for (int I = 0; I < N; ++I)
        Face[I] = Family[I].unicode();
    if (N >= 0) Face[std::max(N, 0)] = 0;
    return N;
}

// No code page of ours has lead bytes.
BOOL IsDBCSLeadByte(BYTE)
{
    return FALSE;
}
