#pragma once

// The JPEG graphic: decoded once through the system's libjpeg, kept with the
// bytes it came from so that saving writes them back unchanged.

#include "platform/vcl/Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

class TJPEGImage : public TGraphic
{
    QRV4_CLASS(TJPEGImage, TGraphic)

public:
    TJPEGImage();
    ~TJPEGImage() override;
    void Assign(TPersistent *Source) override;

    // A compressed picture keeps its size; these raise EInvalidGraphicOperation.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;

    // Reads to the end of the stream; damaged or unsupported data raises EInvalidGraphic
    // and leaves the image as it was.
    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream) override;

protected:
    bool GetEmpty() const override { return FBitmap->Empty(); }
    int GetWidth() const override { return FBitmap->Width(); }
    int GetHeight() const override { return FBitmap->Height(); }
    void Draw(TCanvas *ACanvas, const TRect &Rect) override;

private:
    std::vector<std::uint8_t> FData;
    std::unique_ptr<TBitmap> FBitmap;
};
