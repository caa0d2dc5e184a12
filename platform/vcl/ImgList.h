#pragma once

// Image lists: equal-sized pictures drawn by index, with change links for the
// controls that show them.
//
// The adding, inserting, replacing, deleting, moving and clearing operations and
// DoDraw are virtual, so a derived list (one of PNG pictures, say) takes them
// over for every caller. The list beneath is reached through protected raw
// operations that never call back into the virtual ones, so an override can use
// them without recursing. The base class calls no virtual operation from its
// constructor or destructor.

#include "platform/vcl/Graphics.h"

#include <memory>
#include <vector>

class TCustomImageList;

class TChangeLink : public TObject
{
    QRV4_CLASS(TChangeLink, TObject)
    friend class TCustomImageList;

public:
    TChangeLink() = default;
    // Unregisters itself from its list.
    ~TChangeLink() override;
    TCustomImageList *Sender() const { return FSender; }
    virtual void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList *FSender = nullptr;
};

QRV4_ENUM(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent)
QRV4_ENUM(TImageType, itImage, itMask)

constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_FOCUS = 0x0002;
constexpr UINT ILD_SELECTED = 0x0004;

class TCustomImageList : public TComponent
{
    QRV4_CLASS(TCustomImageList, TComponent)

public:
    explicit TCustomImageList(TComponent *AOwner);
    ~TCustomImageList() override;
    void Assign(TPersistent *Source) override;

    int Width() const { return FWidth; }
    // Changing the size empties the list.
    virtual void SetWidth(int Value);
    int Height() const { return FHeight; }
    virtual void SetHeight(int Value);
    bool Masked() const { return FMasked; }
    void SetMasked(bool Value);
    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int Value) { FAllocBy = Value; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor Value) { FBlendColor = Value; }
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value);
    TImageType ImageType() const { return FImageType; }
    void SetImageType(TImageType Value) { FImageType = Value; }
    int Count() const { return static_cast<int>(FImages.size()); }

    // Each gives the new index, or -1 for a null picture. The mask's white
    // (non-black) pixels are transparent; a mask colour makes its pixels so.
    virtual int Add(TBitmap *Image, TBitmap *Mask);
    virtual int AddMasked(TBitmap *Image, TColor MaskColor);
    // Icons keep their alpha; a null icon gives -1 or is ignored.
    virtual int AddIcon(TIcon *Image);
    virtual void AddImages(TCustomImageList *Value);
    virtual void Insert(int Index, TBitmap *Image, TBitmap *Mask);
    virtual void InsertMasked(int Index, TBitmap *Image, TColor MaskColor);
    virtual void InsertIcon(int Index, TIcon *Image);
    // Out-of-range indexes raise EInvalidOperation ("Invalid image list index").
    virtual void Replace(int Index, TBitmap *Image, TBitmap *Mask);
    virtual void ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor);
    virtual void ReplaceIcon(int Index, TIcon *Image);
    virtual void Move(int CurIndex, int NewIndex);
    // An out-of-range index is ignored.
    virtual void Delete(int Index);
    virtual void Clear();

    void Draw(TCanvas *Canvas, int X, int Y, int Index, bool Enabled = true);
    void Draw(TCanvas *Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle,
              TImageType AImageType, bool Enabled = true);
    // Copies the picture over the list's background colour into Image.
    void GetBitmap(int Index, TBitmap *Image);
    // The picture as an icon with its alpha, given to Image to own.
    void GetIcon(int Index, TIcon *Image);

    void RegisterChanges(TChangeLink *Value);
    void UnRegisterChanges(TChangeLink *Value);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate(bool Changed = true);
    void Change();

    TNotifyEvent OnChange;

protected:
    // The pictures travel as one "Bitmap" value: a 32-bit strip of them, left to right.
    void DefineProperties(TFiler *Filer) override;
    // Whether a writer stores the pictures; a list that is rebuilt from elsewhere need not.
    virtual bool IsImageDataStored() const { return Count() > 0; }
    virtual void DoDraw(int Index, TCanvas *Canvas, int X, int Y, UINT Style, bool Enabled);

    // The list beneath: 32-bit pictures with alpha, premultiplied.
    static std::unique_ptr<TBitmap> MakeImage(int Width, int Height, TBitmap *Image, TBitmap *Mask,
                                              TColor MaskColor);
    static std::unique_ptr<TBitmap> MakeIconImage(int Width, int Height, TIcon *Icon);
    int RawInsert(int Index, std::unique_ptr<TBitmap> Image);
    void RawReplace(int Index, std::unique_ptr<TBitmap> Image);
    void RawDelete(int Index);
    void RawMove(int CurIndex, int NewIndex);
    void RawClear();
    // A picture inserted as none is made by MakeRawImage when it is first asked for.
    TBitmap *RawImage(int Index) const;
    virtual std::unique_ptr<TBitmap> MakeRawImage(int) const { return nullptr; }
    void CheckIndex(int Index) const;

private:
    void ReadImageData(TStream *Stream);
    void WriteImageData(TStream *Stream) const;

    int FWidth = 16;
    int FHeight = 16;
    bool FMasked = true;
    int FAllocBy = 4;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    TImageType FImageType = itImage;
    int FUpdateCount = 0;
    bool FChanged = false;
    mutable std::vector<std::unique_ptr<TBitmap>> FImages;
    std::vector<TChangeLink *> FClients;
};

class TImageList : public TCustomImageList
{
    QRV4_CLASS(TImageList, TCustomImageList)

public:
    explicit TImageList(TComponent *AOwner) : TCustomImageList(AOwner) {}
    static void Publish(rtl::Publisher<TImageList> &P);
};
