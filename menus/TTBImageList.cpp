#include "menus/TTBImageList.h"

#include <algorithm>

TTBCustomImageList::TTBCustomImageList(TComponent *AOwner)
    : TImageList(AOwner), FImagesBitmap(std::make_unique<TBitmap>())
{
    FImagesBitmap->OnChange = [this](TObject *) { ImagesBitmapChanged(); };
}

TTBCustomImageList::~TTBCustomImageList()
{
    // The companions must not tell a list that is going of their changes.
    Destroying();
    for (Companion *Slot : {&FChecked, &FDisabled, &FHot})
        SetCompanion(*Slot, nullptr);
}

void TTBCustomImageList::SetCompanion(Companion &Slot, TCustomImageList *Value)
{
    if (Value == this) Value = nullptr;
    if (Value == Slot.List) return;
    if (Slot.List) Slot.List->RemoveFreeNotification(this);
    Slot.Link.reset();
    Slot.List = Value;
    if (Value) {
        Slot.Link = std::make_unique<TChangeLink>();
        Slot.Link->OnChange = [this](TObject *) { CompanionChanged(); };
        Value->RegisterChanges(Slot.Link.get());
        Value->FreeNotification(this);
    }
    CompanionChanged();
}

void TTBCustomImageList::CompanionChanged()
{
    const TComponentState State = ComponentState();
    if (!State.Contains(csLoading) && !State.Contains(csDestroying)) Change();
}

void TTBCustomImageList::SetCheckedImages(TCustomImageList *Value)
{
    SetCompanion(FChecked, Value);
}

void TTBCustomImageList::SetDisabledImages(TCustomImageList *Value)
{
    SetCompanion(FDisabled, Value);
}

void TTBCustomImageList::SetHotImages(TCustomImageList *Value)
{
    SetCompanion(FHot, Value);
}

void TTBCustomImageList::Notification(TComponent *AComponent, TOperation Operation)
{
    TImageList::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    for (Companion *Slot : {&FChecked, &FDisabled, &FHot})
        if (AComponent == Slot->List) {
            // The list being freed has already let go of its link.
            Slot->List = nullptr;
            Slot->Link.reset();
            CompanionChanged();
        }
}

void TTBCustomImageList::SetImagesBitmap(TBitmap *Value)
{
    FImagesBitmap->Assign(Value);
}

void TTBCustomImageList::SetImagesBitmapMaskColor(TColor Value)
{
    if (Value == FImagesBitmapMaskColor) return;
    FImagesBitmapMaskColor = Value;
    ImagesBitmapChanged();
}

// The strip is cut into pictures of the list's width, left to right.
void TTBCustomImageList::ImagesBitmapChanged()
{
    if (FImagesBitmap->Empty()) return;
    BeginUpdate();
    try {
        Clear();
        const int Tiles = FImagesBitmap->Width() / std::max(1, Width());
        for (int I = 0; I < Tiles; ++I) {
            TBitmap Tile;
            Tile.SetSize(Width(), Height());
            const TRect Into(0, 0, Width(), Height());
            Tile.Canvas()->CopyRect(Into, FImagesBitmap->Canvas(),
                                    Bounds(I * Width(), 0, Width(), Height()));
            AddMasked(&Tile, FImagesBitmapMaskColor);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// A list cut from its strip is cut again when read; its pictures need not travel twice.
bool TTBCustomImageList::IsImageDataStored() const
{
    return FImagesBitmap->Empty() && TImageList::IsImageDataStored();
}

void TTBCustomImageList::DrawState(TCanvas *Canvas, int X, int Y, int Index, bool Enabled,
                                   bool Selected, bool Checked)
{
    if (!Enabled && FDisabled.List)
        FDisabled.List->Draw(Canvas, X, Y, Index, true);
    else if (Checked && FChecked.List)
        FChecked.List->Draw(Canvas, X, Y, Index, Enabled);
    else if (Selected && FHot.List)
        FHot.List->Draw(Canvas, X, Y, Index, Enabled);
    else
        Draw(Canvas, X, Y, Index, Enabled);
}

void TTBCustomImageList::Publish(rtl::Publisher<TTBCustomImageList> &P)
{
    // The inherited size comes before the strip: setting it empties the list, and the strip
    // is cut by it.
    P.Property("CheckedImages", &TTBCustomImageList::CheckedImages,
               &TTBCustomImageList::SetCheckedImages);
    P.Property("DisabledImages", &TTBCustomImageList::DisabledImages,
               &TTBCustomImageList::SetDisabledImages);
    P.Property("HotImages", &TTBCustomImageList::HotImages, &TTBCustomImageList::SetHotImages);
    P.Property("ImagesBitmap", &TTBCustomImageList::ImagesBitmap,
               &TTBCustomImageList::SetImagesBitmap);
    P.Property("ImagesBitmapMaskColor", &TTBCustomImageList::ImagesBitmapMaskColor,
               &TTBCustomImageList::SetImagesBitmapMaskColor, rtl::TColorInfo())
        .Default(clFuchsia);
}
QRV4_PUBLISHED(TTBCustomImageList)
