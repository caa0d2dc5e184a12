#include "platform/vcl/Graphics.h"

#include "platform/rtl/SysUtils.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinUser.h"

#include <cstring>

// ---- Colours ----------------------------------------------------------------

namespace
{

struct ColorName {
    TColor Value;
    const char *Name;
};

constexpr ColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

} // namespace

COLORREF ColorToRGB(TColor Color)
{
    if (Color < 0) return GetSysColor(Color & 0xFF);
    return static_cast<COLORREF>(Color);
}

bool ColorToIdent(TColor Color, AnsiString &Ident)
{
    for (const ColorName &entry : ColorNames)
        if (entry.Value == Color) {
            Ident = entry.Name;
            return true;
        }
    return false;
}

bool IdentToColor(const AnsiString &Ident, TColor &Color)
{
    for (const ColorName &entry : ColorNames)
        if (SameText(Ident, entry.Name)) {
            Color = entry.Value;
            return true;
        }
    return false;
}

AnsiString ColorToString(TColor Color)
{
    AnsiString ident;
    if (ColorToIdent(Color, ident)) return ident;
    return "$" + IntToHex(Color, 8);
}

TColor StringToColor(const AnsiString &S)
{
    TColor color;
    if (IdentToColor(S, color)) return color;
    return StrToInt(S);
}

void GetColorValues(const std::function<void(const AnsiString &)> &Proc)
{
    for (const ColorName &entry : ColorNames)
        Proc(entry.Name);
}

// ---- Drawing objects -----------------------------------------------------------

void TGraphicsObject::Changed()
{
    if (OnChange) OnChange(this);
}

namespace
{

constexpr int ScreenPixelsPerInch = 96;
constexpr int DefaultFontHeight = -11; // 8 points at 96 dpi

template <class T> void ReplaceHandle(T &Handle)
{
    if (Handle) DeleteObject(Handle);
    Handle = nullptr;
}

} // namespace

TFont::TFont()
    : FName("Tahoma"), FHeight(DefaultFontHeight), FColor(clWindowText), FCharset(DEFAULT_CHARSET),
      FPitch(fpDefault), FPixelsPerInch(ScreenPixelsPerInch)
{
}

namespace
{

// As the class library declares them: the size is derived from the height, so
// only the height is stored.
void PublishFont(rtl::Publisher<TFont> &P)
{
    P.Property("Charset", &TFont::Charset, &TFont::SetCharset, rtl::TFontCharsetInfo());
    P.Property("Color", &TFont::Color, &TFont::SetColor, rtl::TColorInfo());
    P.Property("Height", &TFont::Height, &TFont::SetHeight);
    P.Property("Name", &TFont::Name, &TFont::SetName, rtl::TFontNameInfo());
    P.Property("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
    P.Property("Size", &TFont::Size, &TFont::SetSize).Stored(false);
    P.Property("Style", &TFont::Style, &TFont::SetStyle);
}

[[maybe_unused]] const bool FontPublished = rtl::PublishClass<TFont>(&PublishFont);

} // namespace

TFont::~TFont()
{
    FreeHandle();
}

void TFont::FreeHandle()
{
    ReplaceHandle(FHandle);
}

void TFont::Changed()
{
    FreeHandle();
    inherited::Changed();
}

void TFont::Assign(TPersistent *Source)
{
    if (auto *font = dynamic_cast<TFont *>(Source)) {
        // The height is carried over in points, so a font of another resolution keeps its size.
        const int height = MulDiv(font->FHeight, FPixelsPerInch, font->FPixelsPerInch);
        // As the setters do, a font told to be what it is stays as it is: a grid assigns its
        // font before every cell, and each change costs the handle.
        const bool sameFace = FName == font->FName && FHeight == height && FStyle == font->FStyle &&
                              FCharset == font->FCharset && FPitch == font->FPitch;
        if (sameFace && FColor == font->FColor) return;
        FName = font->FName;
        FHeight = height;
        FColor = font->FColor;
        FStyle = font->FStyle;
        FCharset = font->FCharset;
        FPitch = font->FPitch;
        if (sameFace)
            inherited::Changed(); // the colour is not part of the handle
        else
            Changed();
        return;
    }
    inherited::Assign(Source);
}

void TFont::SetName(const AnsiString &Value)
{
    if (Value.IsEmpty() || Value == FName) return;
    FName = Value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int Value)
{
    SetHeight(-MulDiv(Value, FPixelsPerInch, 72));
}

void TFont::SetHeight(int Value)
{
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}

void TFont::SetColor(TColor Value)
{
    if (Value == FColor) return;
    FColor = Value;
    // The colour is not part of the handle; the canvas sets the text colour itself.
    inherited::Changed();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value)
{
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (Value == FPitch) return;
    FPitch = Value;
    Changed();
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        LOGFONTW log{};
        log.lfHeight = FHeight;
        log.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        log.lfItalic = FStyle.Contains(fsItalic);
        log.lfUnderline = FStyle.Contains(fsUnderline);
        log.lfStrikeOut = FStyle.Contains(fsStrikeOut);
        log.lfCharSet = FCharset;
        log.lfQuality = DEFAULT_QUALITY;
        log.lfPitchAndFamily = FPitch == fpFixed      ? FIXED_PITCH
                               : FPitch == fpVariable ? VARIABLE_PITCH
                                                      : DEFAULT_PITCH;
        const WideString face(FName);
        const int length = std::min<int>(face.Length(), LF_FACESIZE - 1);
        std::memcpy(log.lfFaceName, face.c_bstr(), sizeof(WCHAR) * length);
        FHandle = CreateFontIndirectW(&log);
    }
    return FHandle;
}

TPen::~TPen()
{
    ReplaceHandle(FHandle);
}

void TPen::Changed()
{
    ReplaceHandle(FHandle);
    inherited::Changed();
}

void TPen::Assign(TPersistent *Source)
{
    if (auto *pen = dynamic_cast<TPen *>(Source)) {
        FColor = pen->FColor;
        FWidth = pen->FWidth;
        FStyle = pen->FStyle;
        FMode = pen->FMode;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

void TPen::SetColor(TColor Value)
{
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int Value)
{
    if (Value < 0 || Value == FWidth) return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value)
{
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value)
{
    if (Value == FMode) return;
    FMode = Value;
    Changed();
}

HPEN TPen::Handle()
{
    if (!FHandle) {
        static constexpr UINT Styles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                          PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        FHandle = CreatePen(Styles[FStyle], FWidth, ColorToRGB(FColor));
    }
    return FHandle;
}

TBrush::~TBrush()
{
    ReplaceHandle(FHandle);
}

void TBrush::Changed()
{
    ReplaceHandle(FHandle);
    inherited::Changed();
}

void TBrush::Assign(TPersistent *Source)
{
    if (auto *brush = dynamic_cast<TBrush *>(Source)) {
        FColor = brush->FColor;
        FStyle = brush->FStyle;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

void TBrush::SetColor(TColor Value)
{
    if (Value == FColor && FStyle != bsClear) return;
    FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

HBRUSH TBrush::Handle()
{
    if (!FHandle) {
        switch (FStyle) {
        case bsSolid:
            FHandle = CreateSolidBrush(ColorToRGB(FColor));
            break;
        case bsClear:
            FHandle = GetStockObject(NULL_BRUSH);
            break;
        default:
            FHandle = CreateHatchBrush(FStyle - bsHorizontal, ColorToRGB(FColor));
            break;
        }
    }
    return FHandle;
}

// ---- published properties ---------------------------------------------------------

namespace
{

void PublishPen(rtl::Publisher<TPen> &P)
{
    P.Property("Color", &TPen::Color, &TPen::SetColor, rtl::TColorInfo()).Default(clBlack);
    P.Property("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
    P.Property("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
    P.Property("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void PublishBrush(rtl::Publisher<TBrush> &P)
{
    P.Property("Color", &TBrush::Color, &TBrush::SetColor, rtl::TColorInfo()).Default(clWhite);
    P.Property("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

[[maybe_unused]] const bool PenPublished = rtl::PublishClass<TPen>(&PublishPen);
[[maybe_unused]] const bool BrushPublished = rtl::PublishClass<TBrush>(&PublishBrush);

} // namespace
