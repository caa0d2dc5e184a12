#include "controls/ValidateEdit.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/SysUtils.h"

#include "platform/vcl/Clipbrd.h"

#include <cmath>

namespace
{

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

bool IsHex(char C)
{
    return IsDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

// The leading decimal number of Text (0 when there is none); Finite tells
// whether it is an ordinary number.
double LeadingNumber(const AnsiString &Text, bool *Finite = nullptr)
{
    const double Value = rtl::StrToD(Text.c_str());
    if (Finite) *Finite = std::isfinite(Value);
    return Value;
}

} // namespace

TValidateEdit::TValidateEdit(TComponent *AOwner) : TEdit(AOwner) {}

void TValidateEdit::SetValidateType(TValidateType Value)
{
    FValidateType = Value;
    FRangeMode = false;
    FMinValue = 0.0;
    FMaxValue = 1.0;
    FMantissa = TypeMantissa();
    if (Value != vtCustom) FValidateString = "";
}

void TValidateEdit::SetValidateString(const AnsiString &Value)
{
    FValidateString = Value;
    if (!Value.IsEmpty()) FValidateType = vtCustom;
}

void TValidateEdit::SetColorHTML(const AnsiString &Value)
{
    if (Value == IgnoreHTMLColor) {
        FColorHTML = Value;
        return;
    }
    const HTMLColor Parsed(Value);
    FColorHTML = Parsed.HTML();
    FColor = Parsed.Color();
    TEdit::SetColor(FColor);
}

// A colour never given reads 0 while the window keeps a new edit's colour: only that is left
// out. Black is a colour like any other, and with the HTML text ignored nothing else brings
// it back.
bool TValidateEdit::IsColorStored() const
{
    return FColor != 0 || TEdit::Color() != clWindow;
}

void TValidateEdit::SetColor(TColor Value)
{
    FColor = Value;
    if (FColorHTML != IgnoreHTMLColor) FColorHTML = HTMLColor(Value).HTML();
    TEdit::SetColor(Value);
}

bool TValidateEdit::Numeric() const
{
    return FValidateType == vtInteger || FValidateType == vtIntegerPs || Decimal();
}

// The range and the fraction digits are judged on the text the key would leave, the selection
// replaced: judged on the text with the key merely inserted, overtyping a selected digit with a
// value in range, or a fraction digit within its count, would be refused.
AnsiString TValidateEdit::Candidate(const AnsiString &Insert) const
{
    const AnsiString Current = Text();
    return Current.SubString(1, SelStart()) + Insert +
           Current.SubString(SelStart() + SelLength() + 1, Current.Length());
}

bool TValidateEdit::InRange(const AnsiString &Text) const
{
    if (!FRangeMode) return true;
    const double Value = LeadingNumber(Text);
    return FMinValue <= Value && Value <= FMaxValue;
}

bool TValidateEdit::AcceptsDigit(char Key) const
{
    // No digit goes in front of a minus sign.
    if (SelStart() == 0 && SelLength() == 0 && Text().Trim().SubString(1, 1) == "-") return false;
    const AnsiString After = Candidate(AnsiString(Key));
    if (Decimal()) {
        const int Point = After.Pos(".");
        if (Point > 0 && After.Length() - Point > FMantissa) return false;
    }
    return InRange(After);
}

bool TValidateEdit::AcceptsCustom(char Key) const
{
    const AnsiString &S = FValidateString;
    for (int I = 1; I <= S.Length();) {
        if (I + 2 <= S.Length() && S[I + 1] == '-') {
            // Ranges compare as signed characters, as the original set tables do.
            const auto K = static_cast<signed char>(Key);
            if (static_cast<signed char>(S[I]) <= K && K <= static_cast<signed char>(S[I + 2]))
                return true;
            I += 3;
        } else {
            if (S[I] == Key) return true;
            ++I;
        }
    }
    return false;
}

bool TValidateEdit::Accepts(char &Key) const
{
    if (static_cast<unsigned char>(Key) < 32) return true;
    switch (FValidateType) {
    case vtNone:
        return true;
    case vtCustom:
        return AcceptsCustom(Key);
    case vtInteger:
    case vtIntegerPs:
    case vtFloat:
    case vtFloatPs:
        if (IsDigit(Key)) return AcceptsDigit(Key);
        if (Key == '-' && Signed())
            return SelStart() == 0 && (SelLength() > 0 || Text().SubString(1, 1) != "-");
        // A decimal comma is what most users here type; dropping it would make 150,5 into 1505.
        if (Key == ',' && Decimal()) Key = '.';
        if (Key == '.' && Decimal()) return SelText().Pos(".") > 0 || Text().Pos(".") == 0;
        return false;
    case vtHexUp:
        Key = AnsiString(Key).UpperCase()[1];
        return IsHex(Key);
    case vtHexLo:
        Key = AnsiString(Key).LowerCase()[1];
        return IsHex(Key);
    case vtHex:
        return IsHex(Key);
    case vtOnlyDigits:
        return IsDigit(Key);
    }
    return false;
}

void TValidateEdit::KeyPress(char &Key)
{
    if (!Accepts(Key)) Key = 0;
    if (Key) TEdit::KeyPress(Key);
}

void TValidateEdit::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_PASTE && !ReadOnly() && FValidateType != vtNone) {
        Paste();
        return;
    }
    TEdit::WndProc(Message);
}

void TValidateEdit::Paste()
{
    const AnsiString Previous = Text();
    const AnsiString Clip = Clipboard()->HasFormat(CF_TEXT) ? Clipboard()->AsText() : AnsiString();
    AnsiString Insert;
    if (Numeric()) {
        Insert = Decimal() ? StringReplace(Clip, ",", ".", rfReplaceAll) : Clip;
    } else {
        for (int I = 1; I <= Clip.Length(); ++I) {
            char Key = Clip[I];
            if (Accepts(Key)) Insert += Key;
        }
    }
    if (!Insert.IsEmpty()) SetSelText(Insert);
    if (!Numeric()) return;
    bool Finite = true;
    const double Value = LeadingNumber(Text(), &Finite);
    // Out of range, not an ordinary number, or negative where only positive
    // numbers may be typed: the field keeps what it had.
    const bool Negative = !Signed() && Value < 0;
    if (!Finite || Negative || (FRangeMode && (Value < FMinValue || Value > FMaxValue))) {
        SetText(Previous);
        return;
    }
    AnsiString Formatted;
    Formatted.sprintf("%-.*f", Decimal() ? FMantissa : 0, Value);
    SetText(Formatted);
}

// The type comes first: it resets the fraction digits, the range and the bounds read after it.
void TValidateEdit::Publish(rtl::Publisher<TValidateEdit> &P)
{
    P.Property("ValidateType", &TValidateEdit::ValidateType, &TValidateEdit::SetValidateType)
        .Default(vtNone);
    P.Property("ValidateString", &TValidateEdit::ValidateString, &TValidateEdit::SetValidateString);
    P.Property("ColorHTML", &TValidateEdit::ColorHTML, &TValidateEdit::SetColorHTML);
    P.Property("Color", &TValidateEdit::Color, &TValidateEdit::SetColor, rtl::TColorInfo())
        .Stored(&TValidateEdit::IsColorStored);
    // Left out only where the type gives it back: a decimal field of whole numbers keeps its 0.
    P.Property("Mantissa", &TValidateEdit::Mantissa, &TValidateEdit::SetMantissa)
        .Stored(&TValidateEdit::IsMantissaStored);
    P.Property("RangeMode", &TValidateEdit::RangeMode, &TValidateEdit::SetRangeMode).Default(false);
    // A new edit's bound: a bound of 0 left out would come back as 1.
    P.Property("MaxValue", &TValidateEdit::MaxValue, &TValidateEdit::SetMaxValue).Default(1.0);
    P.Property("MinValue", &TValidateEdit::MinValue, &TValidateEdit::SetMinValue);
}
QRV4_PUBLISHED(TValidateEdit)

void ValidateEdit::Register()
{
    RegisterComponents("Win32", {TValidateEdit::StaticClass()});
}
