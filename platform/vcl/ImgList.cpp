#include "platform/vcl/ImgList.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/RTLConsts.h"
#include "platform/win/Icon.h"

#include <algorithm>
#include <cstring>

TChangeLink::~TChangeLink()
{
    if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange) OnChange(FSender);
}

TCustomImageList::TCustomImageList(TComponent *AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList()
{
    RawClear();
    for (TChangeLink *link : FClients)
        link->FSender = nullptr;
}

void TCustomImageList::Assign(TPersistent *Source)
{
    auto *list = dynamic_cast<TCustomImageList *>(Source);
    if (!list) {
        inherited::Assign(Source);
        return;
    }
    BeginUpdate();
    RawClear();
    FWidth = list->FWidth;
    FHeight = list->FHeight;
    FMasked = list->FMasked;
    FBkColor = list->FBkColor;
    FDrawingStyle = list->FDrawingStyle;
    for (int i = 0; i < list->Count(); ++i) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(list->RawImage(i));
        RawInsert(Count(), std::move(copy));
    }
    EndUpdate();
}

void TCustomImageList::SetWidth(int Value)
{
    if (Value == FWidth || Value <= 0) return;
    FWidth = Value;
    BeginUpdate();
    RawClear();
    EndUpdate();
}

void TCustomImageList::SetHeight(int Value)
{
    if (Value == FHeight || Value <= 0) return;
    FHeight = Value;
    BeginUpdate();
    RawClear();
    EndUpdate();
}

void TCustomImageList::SetMasked(bool Value)
{
    if (Value == FMasked) return;
    FMasked = Value;
    Change();
}

void TCustomImageList::SetBkColor(TColor Value)
{
    FBkColor = Value;
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value)
{
    FDrawingStyle = Value;
    Change();
}

void TCustomImageList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid image list index");
}

// ---- The list beneath ---------------------------------------------------------------------

std::unique_ptr<TBitmap> TCustomImageList::MakeImage(int Width, int Height, TBitmap *Image,
                                                     TBitmap *Mask, TColor MaskColor)
{
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf32bit);
    result->SetSize(Width, Height);
    const COLORREF key = MaskColor == clNone ? CLR_INVALID : ColorToRGB(MaskColor);
    TCanvas *source = Image->Canvas();
    TCanvas *mask = Mask ? Mask->Canvas() : nullptr;
    for (int y = 0; y < Height; ++y) {
        auto *row = static_cast<std::uint8_t *>(result->ScanLine(y));
        for (int x = 0; x < Width; ++x) {
            std::uint8_t *p = row + 4 * x;
            const bool inside = x < Image->Width() && y < Image->Height();
            const COLORREF c = inside ? COLORREF(source->Pixels(x, y)) : 0;
            bool transparent = !inside || c == key;
            if (mask && x < Mask->Width() && y < Mask->Height())
                transparent = transparent || (COLORREF(mask->Pixels(x, y)) & 0xFFFFFF) != 0;
            p[0] = transparent ? 0 : GetBValue(c);
            p[1] = transparent ? 0 : GetGValue(c);
            p[2] = transparent ? 0 : GetRValue(c);
            p[3] = transparent ? 0 : 255;
        }
    }
    return result;
}

std::unique_ptr<TBitmap> TCustomImageList::MakeIconImage(int Width, int Height, TIcon *Icon)
{
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf32bit);
    result->SetSize(Width, Height);
    const win::IconData *icon = win::IconOf(Icon->Handle());
    // The icon's picture, scaled to the list's size, premultiplied as the list keeps it.
    const QImage picture = icon ? icon->Picture.scaled(Width, Height)
                                      .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                : QImage();
    for (int y = 0; y < Height; ++y) {
        auto *row = static_cast<std::uint8_t *>(result->ScanLine(y));
        for (int x = 0; x < Width; ++x) {
            const QRgb p =
                picture.isNull() ? 0 : reinterpret_cast<const QRgb *>(picture.constScanLine(y))[x];
            row[4 * x] = std::uint8_t(qBlue(p));
            row[4 * x + 1] = std::uint8_t(qGreen(p));
            row[4 * x + 2] = std::uint8_t(qRed(p));
            row[4 * x + 3] = std::uint8_t(qAlpha(p));
        }
    }
    return result;
}

int TCustomImageList::RawInsert(int Index, std::unique_ptr<TBitmap> Image)
{
    Index = std::clamp(Index, 0, Count());
    FImages.insert(FImages.begin() + Index, std::move(Image));
    return Index;
}

void TCustomImageList::RawReplace(int Index, std::unique_ptr<TBitmap> Image)
{
    FImages.at(Index) = std::move(Image);
}

void TCustomImageList::RawDelete(int Index)
{
    FImages.erase(FImages.begin() + Index);
}

void TCustomImageList::RawMove(int CurIndex, int NewIndex)
{
    std::unique_ptr<TBitmap> image = std::move(FImages.at(CurIndex));
    FImages.erase(FImages.begin() + CurIndex);
    FImages.insert(FImages.begin() + NewIndex, std::move(image));
}

void TCustomImageList::RawClear()
{
    FImages.clear();
}

TBitmap *TCustomImageList::RawImage(int Index) const
{
    std::unique_ptr<TBitmap> &Image = FImages.at(Index);
    if (!Image) Image = MakeRawImage(Index);
    return Image.get();
}

// ---- The operations ------------------------------------------------------------------------

int TCustomImageList::Add(TBitmap *Image, TBitmap *Mask)
{
    if (!Image) return -1;
    BeginUpdate();
    const int index =
        RawInsert(Count(), MakeImage(FWidth, FHeight, Image, FMasked ? Mask : nullptr, clNone));
    EndUpdate();
    return index;
}

int TCustomImageList::AddMasked(TBitmap *Image, TColor MaskColor)
{
    if (!Image) return -1;
    BeginUpdate();
    const int index = RawInsert(
        Count(), MakeImage(FWidth, FHeight, Image, nullptr, FMasked ? MaskColor : clNone));
    EndUpdate();
    return index;
}

int TCustomImageList::AddIcon(TIcon *Image)
{
    if (!Image) return -1;
    BeginUpdate();
    const int index = RawInsert(Count(), MakeIconImage(FWidth, FHeight, Image));
    EndUpdate();
    return index;
}

void TCustomImageList::InsertIcon(int Index, TIcon *Image)
{
    if (!Image) return;
    if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid image list index");
    BeginUpdate();
    RawInsert(Index, MakeIconImage(FWidth, FHeight, Image));
    EndUpdate();
}

void TCustomImageList::ReplaceIcon(int Index, TIcon *Image)
{
    CheckIndex(Index);
    if (!Image) return;
    BeginUpdate();
    RawReplace(Index, MakeIconImage(FWidth, FHeight, Image));
    EndUpdate();
}

void TCustomImageList::AddImages(TCustomImageList *Value)
{
    // Copies the other list's pictures as they are, through the raw list, so a
    // derived list's own additions are not involved.
    if (!Value) return;
    BeginUpdate();
    for (int i = 0; i < Value->Count(); ++i) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(Value->RawImage(i));
        RawInsert(Count(), std::move(copy));
    }
    EndUpdate();
}

void TCustomImageList::Insert(int Index, TBitmap *Image, TBitmap *Mask)
{
    if (!Image) return;
    if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid image list index");
    BeginUpdate();
    RawInsert(Index, MakeImage(FWidth, FHeight, Image, FMasked ? Mask : nullptr, clNone));
    EndUpdate();
}

void TCustomImageList::InsertMasked(int Index, TBitmap *Image, TColor MaskColor)
{
    if (!Image) return;
    if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid image list index");
    BeginUpdate();
    RawInsert(Index, MakeImage(FWidth, FHeight, Image, nullptr, FMasked ? MaskColor : clNone));
    EndUpdate();
}

void TCustomImageList::Replace(int Index, TBitmap *Image, TBitmap *Mask)
{
    CheckIndex(Index);
    if (!Image) return;
    BeginUpdate();
    RawReplace(Index, MakeImage(FWidth, FHeight, Image, FMasked ? Mask : nullptr, clNone));
    EndUpdate();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor)
{
    CheckIndex(Index);
    if (!NewImage) return;
    BeginUpdate();
    RawReplace(Index, MakeImage(FWidth, FHeight, NewImage, nullptr, FMasked ? MaskColor : clNone));
    EndUpdate();
}

void TCustomImageList::Move(int CurIndex, int NewIndex)
{
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (CurIndex == NewIndex) return;
    BeginUpdate();
    RawMove(CurIndex, NewIndex);
    EndUpdate();
}

void TCustomImageList::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) return;
    BeginUpdate();
    RawDelete(Index);
    EndUpdate();
}

void TCustomImageList::Clear()
{
    BeginUpdate();
    RawClear();
    EndUpdate();
}

// ---- Drawing and change links ---------------------------------------------------------------

void TCustomImageList::Draw(TCanvas *Canvas, int X, int Y, int Index, bool Enabled)
{
    Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas *Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled)
{
    if (Index < 0 || Index >= Count()) return;
    static constexpr UINT Styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    UINT style = Styles[ADrawingStyle];
    if (AImageType == itMask) style |= ILD_MASK;
    DoDraw(Index, Canvas, X, Y, style, Enabled);
}

void TCustomImageList::DoDraw(int Index, TCanvas *Canvas, int X, int Y, UINT Style, bool Enabled)
{
    TBitmap *image = RawImage(Index);
    TBitmap gray;
    if (!Enabled) {
        // A disabled picture is drawn in grey, keeping its transparency.
        gray.Assign(image);
        for (int y = 0; y < gray.Height(); ++y) {
            auto *row = static_cast<std::uint8_t *>(gray.ScanLine(y));
            for (int x = 0; x < gray.Width(); ++x) {
                std::uint8_t *p = row + 4 * x;
                const std::uint8_t v = std::uint8_t((p[0] * 11 + p[1] * 59 + p[2] * 30) / 100);
                p[0] = p[1] = p[2] = v;
            }
        }
        image = &gray;
    }
    HDC target = Canvas->Handle();
    if (FBkColor != clNone && !(Style & ILD_TRANSPARENT)) {
        HBRUSH brush = CreateSolidBrush(ColorToRGB(FBkColor));
        const RECT r{X, Y, X + FWidth, Y + FHeight};
        FillRect(target, &r, brush);
        DeleteObject(brush);
    }
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target, X, Y, FWidth, FHeight, image->Canvas()->Handle(), 0, 0, FWidth, FHeight,
               blend);
}

void TCustomImageList::GetBitmap(int Index, TBitmap *Image)
{
    if (!Image || Index < 0 || Index >= Count()) return;
    Image->SetSize(FWidth, FHeight);
    Image->Canvas()->Brush()->SetColor(FBkColor == clNone ? clBtnFace : FBkColor);
    Image->Canvas()->FillRect(Rect(0, 0, FWidth, FHeight));
    Draw(Image->Canvas(), 0, 0, Index);
}

void TCustomImageList::GetIcon(int Index, TIcon *Image)
{
    if (!Image || Index < 0 || Index >= Count()) return;
    // The rows are copied, not blitted: a blit would drop their alpha. Icons
    // take straight alpha, the list keeps it premultiplied.
    TBitmap colour;
    colour.SetPixelFormat(pf32bit);
    colour.SetSize(FWidth, FHeight);
    TBitmap *image = RawImage(Index);
    for (int y = 0; y < FHeight; ++y) {
        const auto *from = static_cast<const std::uint8_t *>(image->ScanLine(y));
        auto *to = static_cast<std::uint8_t *>(colour.ScanLine(y));
        for (int x = 0; x < 4 * FWidth; x += 4) {
            const int alpha = from[x + 3];
            for (int c = 0; c < 3; ++c)
                to[x + c] = std::uint8_t(alpha ? std::min(255, from[x + c] * 255 / alpha) : 0);
            to[x + 3] = std::uint8_t(alpha);
        }
    }
    TBitmap mask;
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(FWidth, FHeight);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, FWidth, FHeight));
    // The alpha decides; a black mask lets it.
    colour.Dormant();
    mask.Dormant();
    ICONINFO info{TRUE, 0, 0, mask.Handle(), colour.Handle()};
    Image->SetHandle(CreateIconIndirect(&info));
}

void TCustomImageList::RegisterChanges(TChangeLink *Value)
{
    if (!Value || std::find(FClients.begin(), FClients.end(), Value) != FClients.end()) return;
    if (Value->FSender) Value->FSender->UnRegisterChanges(Value);
    Value->FSender = this;
    FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink *Value)
{
    std::erase(FClients, Value);
    if (Value && Value->FSender == this) Value->FSender = nullptr;
}

void TCustomImageList::EndUpdate(bool Changed)
{
    if (FUpdateCount > 0) --FUpdateCount;
    if (Changed) FChanged = true;
    if (FUpdateCount == 0 && FChanged) Change();
}

void TCustomImageList::Change()
{
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    FChanged = false;
    for (TChangeLink *link : std::vector<TChangeLink *>(FClients))
        link->Change();
    if (OnChange) OnChange(this);
}

// ---- Streaming -----------------------------------------------------------------------------

namespace
{

// Rows are copied, not blitted: a blit would drop the alpha.
void CopyTile(TBitmap &From, int FromX, TBitmap &To, int ToX, int Width, int Height)
{
    for (int y = 0; y < Height; ++y)
        std::memcpy(static_cast<std::uint8_t *>(To.ScanLine(y)) + 4 * ToX,
                    static_cast<const std::uint8_t *>(From.ScanLine(y)) + 4 * FromX,
                    4 * static_cast<size_t>(Width));
}

std::unique_ptr<TBitmap> NewImage(int Width, int Height)
{
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf32bit);
    result->SetSize(Width, Height);
    return result;
}

} // namespace

void TCustomImageList::DefineProperties(TFiler *Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "Bitmap", [this](TStream *Stream) { ReadImageData(Stream); },
        [this](TStream *Stream) { WriteImageData(Stream); }, IsImageDataStored());
}

void TCustomImageList::WriteImageData(TStream *Stream) const
{
    const std::unique_ptr<TBitmap> strip = NewImage(Count() * FWidth, FHeight);
    for (int i = 0; i < Count(); ++i)
        CopyTile(*RawImage(i), 0, *strip, i * FWidth, FWidth, FHeight);
    strip->SaveToStream(Stream);
}

void TCustomImageList::ReadImageData(TStream *Stream)
{
    TBitmap strip;
    strip.LoadFromStream(Stream);
    // A strip cut for another picture size would give torn pictures; the list keeps its own.
    if (strip.PixelFormat() != pf32bit || strip.Height() != FHeight || strip.Width() % FWidth != 0)
        throw EReadError(SInvalidPropertyValue);
    std::vector<std::unique_ptr<TBitmap>> images;
    for (int x = 0; x < strip.Width(); x += FWidth) {
        images.push_back(NewImage(FWidth, FHeight));
        CopyTile(strip, x, *images.back(), 0, FWidth, FHeight);
    }
    BeginUpdate();
    RawClear();
    for (std::unique_ptr<TBitmap> &image : images)
        RawInsert(Count(), std::move(image));
    EndUpdate();
}

void TImageList::Publish(rtl::Publisher<TImageList> &P)
{
    using T = TImageList;
    P.Property("Width", &T::Width, &T::SetWidth).Default(16);
    P.Property("Height", &T::Height, &T::SetHeight).Default(16);
    P.Property("AllocBy", &T::AllocBy, &T::SetAllocBy).Default(4);
    P.Property("BkColor", &T::BkColor, &T::SetBkColor, rtl::TColorInfo()).Default(clNone);
    P.Property("BlendColor", &T::BlendColor, &T::SetBlendColor, rtl::TColorInfo()).Default(clNone);
    P.Property("DrawingStyle", &T::DrawingStyle, &T::SetDrawingStyle).Default(dsNormal);
    P.Property("ImageType", &T::ImageType, &T::SetImageType).Default(itImage);
    P.Property("Masked", &T::Masked, &T::SetMasked).Default(true);
    P.Event("OnChange", &T::OnChange);
}
QRV4_PUBLISHED(TImageList)
