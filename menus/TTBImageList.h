#pragma once
// An image list with companion lists for the hot, disabled and checked looks of
// its pictures, and a strip bitmap it can be filled from.

#include "platform/rtl/TypInfo.h"
#include "platform/vcl/ImgList.h"

#include <memory>

// The change link of an item's list, which remembers the picture size it last
// saw so that a change tells whether the items must be measured again.
class TTBImageChangeLink : public TChangeLink
{
    QRV4_CLASS(TTBImageChangeLink, TChangeLink)

public:
    TTBImageChangeLink() = default;
    int LastWidth() const { return FLastWidth; }
    int LastHeight() const { return FLastHeight; }
    void SetLastSize(int Width, int Height)
    {
        FLastWidth = Width;
        FLastHeight = Height;
    }

private:
    int FLastWidth = -1;
    int FLastHeight = -1;
};

class TTBCustomImageList : public TImageList
{
    QRV4_CLASS(TTBCustomImageList, TImageList)

public:
    explicit TTBCustomImageList(TComponent *AOwner);
    ~TTBCustomImageList() override;

    TCustomImageList *CheckedImages() const { return FChecked.List; }
    void SetCheckedImages(TCustomImageList *Value);
    TCustomImageList *DisabledImages() const { return FDisabled.List; }
    void SetDisabledImages(TCustomImageList *Value);
    TCustomImageList *HotImages() const { return FHot.List; }
    void SetHotImages(TCustomImageList *Value);
    // A strip of pictures the list is filled from; assigning copies it.
    TBitmap *ImagesBitmap() const { return FImagesBitmap.get(); }
    void SetImagesBitmap(TBitmap *Value);
    TColor ImagesBitmapMaskColor() const { return FImagesBitmapMaskColor; }
    void SetImagesBitmapMaskColor(TColor Value);

    // Draws picture Index as an item in that state shows it: a disabled one from
    // DisabledImages, a checked one from CheckedImages, a selected one from
    // HotImages, each when set; else from the list itself.
    void DrawState(TCanvas *Canvas, int X, int Y, int Index, bool Enabled, bool Selected,
                   bool Checked);

    static void Publish(rtl::Publisher<TTBCustomImageList> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    bool IsImageDataStored() const override;

private:
    struct Companion {
        TCustomImageList *List = nullptr;
        std::unique_ptr<TChangeLink> Link;
    };
    void SetCompanion(Companion &Slot, TCustomImageList *Value);
    void CompanionChanged();
    void ImagesBitmapChanged();

    Companion FChecked;
    Companion FDisabled;
    Companion FHot;
    std::unique_ptr<TBitmap> FImagesBitmap;
    TColor FImagesBitmapMaskColor = clFuchsia;
};

class TTBImageList : public TTBCustomImageList
{
    QRV4_CLASS(TTBImageList, TTBCustomImageList)

public:
    using TTBCustomImageList::TTBCustomImageList;
};
