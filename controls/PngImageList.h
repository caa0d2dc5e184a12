#pragma once
// An image list of PNG pictures with per-pixel alpha. The pictures are the
// stored collection; the list beneath (what menus, tabs and icon queries read)
// is rebuilt from them after every change, so both always hold the same images.

#include "controls/PngFunctions.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/ImgList.h"

#include <cstdint>

class TPngImageList;

class TPngImageCollectionItem : public TCollectionItem
{
    QRV4_CLASS(TPngImageCollectionItem, TCollectionItem)

public:
    explicit TPngImageCollectionItem(TCollection *Collection);
    void Assign(TPersistent *Source) override;

    TPNGObject *PngImage() const { return FPngImage.get(); }
    // Copies Value.
    void SetPngImage(TPNGObject *Value);
    AnsiString Name() const { return FName; }
    void SetName(const AnsiString &Value) { FName = Value; }
    TColor Background() const { return FBackground; }
    void SetBackground(TColor Value);
    // A copy of the picture for the caller to own.
    std::unique_ptr<TPNGObject> Duplicate() const;
    static void Publish(rtl::Publisher<TPngImageCollectionItem> &P);

protected:
    AnsiString GetDisplayName() const override;

private:
    std::unique_ptr<TPNGObject> FPngImage = std::make_unique<TPNGObject>();
    AnsiString FName;
    TColor FBackground = clBtnFace;
};

class TPngImageCollectionItems : public TCollection
{
    QRV4_CLASS(TPngImageCollectionItems, TCollection)

public:
    explicit TPngImageCollectionItems(TPersistent *AOwner);
    TPngImageCollectionItem *Add();
    TPngImageCollectionItem *Insert(int Index);
    // Null outside 0..Count-1.
    TPngImageCollectionItem *Items(int Index) const;
    // Item Index takes Value's picture, name and background; ignored outside 0..Count-1.
    void SetItem(int Index, TPngImageCollectionItem *Value);
    void Assign(TPersistent *Source) override;

protected:
    TPersistent *GetOwner() override { return FOwner; }
    void Update(TCollectionItem *Item) override;

private:
    TPersistent *FOwner;
};

// A component holding a collection of PNG pictures.
class TPngImageCollection : public TComponent
{
    QRV4_CLASS(TPngImageCollection, TComponent)

public:
    explicit TPngImageCollection(TComponent *AOwner);
    TPngImageCollectionItems *Items() const { return FItems.get(); }

private:
    std::unique_ptr<TPngImageCollectionItems> FItems;
};

class TPngImageList : public TImageList
{
    QRV4_CLASS(TPngImageList, TImageList)
    friend class TPngImageCollectionItems;

public:
    explicit TPngImageList(TComponent *AOwner);
    ~TPngImageList() override;
    void Assign(TPersistent *Source) override;

    TPngImageCollectionItems *PngImages() const { return FPngImages.get(); }
    void SetPngImages(TPngImageCollectionItems *Value);
    bool EnabledImages() const { return FEnabledImages; }
    void SetEnabledImages(bool Value);
    TPngOptions PngOptions() const { return FPngOptions; }
    void SetPngOptions(TPngOptions Value);
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // Where the designer placed the list on its form: left in the low word, top in the high.
    std::int32_t DesignInfo() const { return FDesignInfo; }
    void SetDesignInfo(std::int32_t Value) { FDesignInfo = Value; }
    static void Publish(rtl::Publisher<TPngImageList> &P);

    int Add(TBitmap *Image, TBitmap *Mask) override;
    int AddIcon(TIcon *Image) override;
    int AddMasked(TBitmap *Image, TColor MaskColor) override;
    void AddImages(TCustomImageList *Value) override;
    // Out-of-range indexes are ignored, here and in the replacing and moving ones.
    void Insert(int Index, TBitmap *Image, TBitmap *Mask) override;
    void InsertIcon(int Index, TIcon *Image) override;
    void InsertMasked(int Index, TBitmap *Image, TColor MaskColor) override;
    void Replace(int Index, TBitmap *Image, TBitmap *Mask) override;
    void ReplaceIcon(int Index, TIcon *Image) override;
    void ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor) override;
    void Move(int CurIndex, int NewIndex) override;
    void Delete(int Index) override;
    void Clear() override;

protected:
    void DoDraw(int Index, TCanvas *Canvas, int X, int Y, UINT Style, bool Enabled) override;
    std::unique_ptr<TBitmap> MakeRawImage(int Index) const override;
    // The form keeps only the design position: the pictures travel as PngImages, and the
    // list beneath is rebuilt from them.
    void DefineProperties(TFiler *Filer) override;

private:
    // Rebuilds the list beneath from the pictures (not while a change runs).
    void CopyPngs();
    // Runs Change on the pictures with the rebuilding held back, then rebuilds once.
    template <class F> void ChangePictures(F Change);
    int AddPng(std::unique_ptr<TPNGObject> Png);
    void InsertPng(int Index, std::unique_ptr<TPNGObject> Png);
    void ReplacePng(int Index, std::unique_ptr<TPNGObject> Png);
    // The picture as the list beneath holds it: list-sized, premultiplied alpha.
    std::unique_ptr<TBitmap> PngToIcon(const TPNGObject &Png) const;
    // The icon of Item, in the disabled look when Disabled.
    std::unique_ptr<TBitmap> ItemIcon(const TPngImageCollectionItem *Item, bool Disabled) const;
    bool InRange(int Index) const { return Index >= 0 && Index < FPngImages->Count(); }

    std::unique_ptr<TPngImageCollectionItems> FPngImages;
    bool FEnabledImages = true;
    TPngOptions FPngOptions{pngBlendOnDisabled};
    int FPngUpdateCount = 0;
    std::int32_t FDesignInfo = 0;
};
