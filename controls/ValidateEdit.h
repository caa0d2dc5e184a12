#pragma once
// A single-line edit that filters what is typed and pasted by an input type:
// free text, a character set, integers, decimal numbers with a fixed number of
// fraction digits and an optional range, or hexadecimal digits.

#include "controls/ShadowLabel.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/StdCtrls.h"

QRV4_ENUM(TValidateType, vtNone, vtCustom, vtInteger, vtIntegerPs, vtFloat, vtFloatPs, vtHex,
          vtHexUp, vtHexLo, vtOnlyDigits)

class TValidateEdit : public TEdit
{
    QRV4_CLASS(TValidateEdit, TEdit)

public:
    explicit TValidateEdit(TComponent *AOwner);

    TValidateType ValidateType() const { return FValidateType; }
    // Also resets the range, the bounds and the fraction digits (two for decimals).
    void SetValidateType(TValidateType Value);
    AnsiString ValidateString() const { return FValidateString; }
    // A character set makes the type vtCustom; ranges read "a-z".
    void SetValidateString(const AnsiString &Value);
    AnsiString ColorHTML() const { return FColorHTML; }
    void SetColorHTML(const AnsiString &Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Mantissa() const { return FMantissa; }
    void SetMantissa(int Value) { FMantissa = Value; }
    bool RangeMode() const { return FRangeMode; }
    void SetRangeMode(bool Value) { FRangeMode = Value; }
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double Value) { FMaxValue = Value; }
    double MinValue() const { return FMinValue; }
    void SetMinValue(double Value) { FMinValue = Value; }

    static void Publish(rtl::Publisher<TValidateEdit> &P);

    // Whether Key may be typed now; may change it (case conversion).
    bool Accepts(char &Key) const;
    void WndProc(TMessage &Message) override;

protected:
    void KeyPress(char &Key) override;

private:
    bool Numeric() const;
    bool Decimal() const { return FValidateType == vtFloat || FValidateType == vtFloatPs; }
    // The fraction digits the type sets.
    int TypeMantissa() const { return Decimal() ? 2 : 0; }
    bool IsMantissaStored() const { return FMantissa != TypeMantissa(); }
    bool IsColorStored() const;
    bool Signed() const { return FValidateType == vtInteger || FValidateType == vtFloat; }
    // The text as it would read with the selection replaced by Insert.
    AnsiString Candidate(const AnsiString &Insert) const;
    bool InRange(const AnsiString &Text) const;
    bool AcceptsDigit(char Key) const;
    bool AcceptsCustom(char Key) const;
    void Paste();

    TValidateType FValidateType = vtNone;
    AnsiString FValidateString;
    AnsiString FColorHTML = IgnoreHTMLColor;
    TColor FColor = 0;
    int FMantissa = 0;
    bool FRangeMode = false;
    double FMaxValue = 1.0;
    double FMinValue = 0.0;
};

namespace ValidateEdit
{
// Puts TValidateEdit on the component palette page "Win32".
void Register();
} // namespace ValidateEdit
