#pragma once

// A stretcheable of whole lines for the engine's tests: it needs all its lines and places as
// many whole lines as a part's height holds, so growth and splits are exact.

#include "report/frxClass.h"

#include <algorithm>
#include <cmath>

namespace enginetest
{

class TLinesView : public TfrxStretcheable
{
    QRV4_CLASS(TLinesView, TfrxStretcheable)

public:
    using TfrxStretcheable::TfrxStretcheable;

    double CalcHeight() override { return FLines * FLineHeight; }
    void InitPart() override { FToPlace = FLines; }
    double DrawPart() override
    {
        const int Fit = std::min(FToPlace, static_cast<int>(std::floor(Height() / FLineHeight)));
        FToPlace -= Fit;
        return Height() - Fit * FLineHeight;
    }

    int Lines() const { return FLines; }
    void SetLines(int Value) { FLines = Value; }
    double LineHeight() const { return FLineHeight; }
    void SetLineHeight(double Value) { FLineHeight = Value; }

    static void Publish(rtl::Publisher<TLinesView> &P)
    {
        P.Property("StretchMode", &TLinesView::StretchMode, &TLinesView::SetStretchMode);
        P.Property("Lines", &TLinesView::Lines, &TLinesView::SetLines);
        P.Property("LineHeight", &TLinesView::LineHeight, &TLinesView::SetLineHeight);
    }

private:
    int FLines = 1;
    double FLineHeight = 20;
    int FToPlace = 0;
};

QRV4_PUBLISHED(TLinesView)

inline TLinesView *Lines(TfrxBand *Band, const char *Name, double Top, int Count,
                         double LineHeight = 20, double Left = 0, double Width = 200)
{
    RegisterClass(TLinesView::StaticClass());
    auto *View = new TLinesView(Band);
    View->SetName(Name);
    View->SetBounds(Left, Top, Width, LineHeight);
    View->SetLines(Count);
    View->SetLineHeight(LineHeight);
    View->SetStretchMode(smActualHeight);
    return View;
}

} // namespace enginetest
