#include "controls/PngImageList.h"

#include "platform/rtl/ClassesFiler.h"

#include <algorithm>

QRV4_ENUM_INFO(TPngOption, pngBlendOnDisabled, pngGrayscaleOnDisabled, pngBrighter, pngDarker)
QRV4_SET_INFO(TPngOptions, TPngOption)

// ---- Items ------------------------------------------------------------------------

TPngImageCollectionItem::TPngImageCollectionItem(TCollection *Collection)
    : TCollectionItem(Collection)
{
    FName.sprintf("PngImage%d", Index());
}

void TPngImageCollectionItem::Assign(TPersistent *Source)
{
    auto *Item = dynamic_cast<TPngImageCollectionItem *>(Source);
    if (!Item) {
        inherited::Assign(Source);
        return;
    }
    FPngImage->Assign(Item->FPngImage.get());
    SetBackground(Item->FBackground);
    FName = Item->FName;
    Changed(false);
}

void TPngImageCollectionItem::SetPngImage(TPNGObject *Value)
{
    FPngImage->Assign(Value);
    Changed(false);
}

void TPngImageCollectionItem::SetBackground(TColor Value)
{
    if (Value == FBackground) return;
    FBackground = Value;
    Changed(false);
}

std::unique_ptr<TPNGObject> TPngImageCollectionItem::Duplicate() const
{
    auto Copy = std::make_unique<TPNGObject>();
    Copy->Assign(FPngImage.get());
    return Copy;
}

AnsiString TPngImageCollectionItem::GetDisplayName() const
{
    return FName.IsEmpty() ? inherited::GetDisplayName() : FName;
}

void TPngImageCollectionItem::Publish(rtl::Publisher<TPngImageCollectionItem> &P)
{
    using T = TPngImageCollectionItem;
    P.Property("PngImage", &T::PngImage, &T::SetPngImage);
    P.Property("Name", &T::Name, &T::SetName);
    P.Property("Background", &T::Background, &T::SetBackground, rtl::TColorInfo())
        .Default(clBtnFace);
}
QRV4_PUBLISHED(TPngImageCollectionItem)

TPngImageCollectionItems::TPngImageCollectionItems(TPersistent *AOwner)
    : TCollection(TPngImageCollectionItem::StaticClass()), FOwner(AOwner)
{
}

TPngImageCollectionItem *TPngImageCollectionItems::Add()
{
    // The change is announced once the item is whole, not while it is built.
    BeginUpdate();
    auto *Item = static_cast<TPngImageCollectionItem *>(TCollection::Add());
    EndUpdate();
    return Item;
}

TPngImageCollectionItem *TPngImageCollectionItems::Insert(int Index)
{
    BeginUpdate();
    TPngImageCollectionItem *Item = Add();
    Item->SetIndex(Index);
    EndUpdate();
    return Item;
}

TPngImageCollectionItem *TPngImageCollectionItems::Items(int Index) const
{
    if (Index < 0 || Index >= Count()) return nullptr;
    return dynamic_cast<TPngImageCollectionItem *>(TCollection::Items(Index));
}

void TPngImageCollectionItems::SetItem(int Index, TPngImageCollectionItem *Value)
{
    if (TPngImageCollectionItem *Item = Items(Index)) Item->Assign(Value);
}

void TPngImageCollectionItems::Assign(TPersistent *Source)
{
    TCollection::Assign(Source);
    Update(nullptr);
}

void TPngImageCollectionItems::Update(TCollectionItem *Item)
{
    TCollection::Update(Item);
    if (auto *List = dynamic_cast<TPngImageList *>(FOwner)) List->CopyPngs();
}

TPngImageCollection::TPngImageCollection(TComponent *AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TPngImageCollectionItems>(this))
{
}

// ---- The list ---------------------------------------------------------------------

TPngImageList::TPngImageList(TComponent *AOwner)
    : TImageList(AOwner), FPngImages(std::make_unique<TPngImageCollectionItems>(this))
{
}

TPngImageList::~TPngImageList()
{
    // The pictures go without rebuilding anything on the way.
    ++FPngUpdateCount;
    FPngImages.reset();
}

template <class F> void TPngImageList::ChangePictures(F Change)
{
    // Held back by a guard, so that a change that fails does not stop every later rebuild.
    struct Hold {
        int &Count;
        explicit Hold(int &C) : Count(++C) {}
        ~Hold() { --Count; }
    };
    {
        const Hold Held(FPngUpdateCount);
        Change();
    }
    CopyPngs();
}

void TPngImageList::Assign(TPersistent *Source)
{
    auto *List = dynamic_cast<TPngImageList *>(Source);
    if (!List) {
        inherited::Assign(Source);
        return;
    }
    ChangePictures([&] {
        inherited::Assign(Source);
        // The pictures and whether they show enabled; how a disabled look is made stays
        // this list's own.
        FEnabledImages = List->FEnabledImages;
        FPngImages->Assign(List->FPngImages.get());
    });
}

void TPngImageList::Publish(rtl::Publisher<TPngImageList> &P)
{
    using T = TPngImageList;
    // The size first: setting it empties the pictures.
    P.Property("Width", &T::Width, &T::SetWidth).Default(16);
    P.Property("Height", &T::Height, &T::SetHeight).Default(16);
    P.Property("EnabledImages", &T::EnabledImages, &T::SetEnabledImages).Default(true);
    P.Property("PngImages", &T::PngImages, &T::SetPngImages);
    P.Property("PngOptions", &T::PngOptions, &T::SetPngOptions);
}
QRV4_PUBLISHED(TPngImageList)

namespace
{

// A word of the design position, as the form holds it.
void DefineDesignWord(TFiler *Filer, const char *Name, std::int32_t &Info, int Shift)
{
    Filer->DefineProperty(
        Name,
        [&Info, Shift](TReader *Reader) {
            const auto Word = static_cast<std::uint32_t>(Reader->ReadInteger() & 0xFFFF);
            const auto Kept = static_cast<std::uint32_t>(Info) & ~(0xFFFFu << Shift);
            Info = static_cast<std::int32_t>(Kept | Word << Shift);
        },
        [&Info, Shift](TWriter *Writer) {
            Writer->WriteInteger(
                static_cast<std::int16_t>(static_cast<std::uint32_t>(Info) >> Shift));
        },
        true);
}

// An icon of another size is stretched into the list's cell, so a picture is too: each cell
// pixel along an axis of CellSize takes the picture's pixel (of Extent) it falls on.
std::vector<int> CellAxis(int CellSize, int Extent)
{
    std::vector<int> Source(static_cast<std::size_t>(std::max(CellSize, 0)));
    for (std::size_t I = 0; I < Source.size(); ++I)
        Source[I] = static_cast<int>(I) * Extent / CellSize;
    return Source;
}

// A 32-bit bitmap of the given size with every pixel clear, and its bottom-up rows: a bitmap
// given its size would first be painted white, only for every pixel to be written.
std::unique_ptr<TBitmap> ClearIcon(int Width, int Height, std::uint8_t *&Bits)
{
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void *Pixels = nullptr;
    HBITMAP Handle = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Pixels, nullptr, 0);
    if (!Handle) throw EOutOfMemory("Out of system resources");
    auto Icon = std::make_unique<TBitmap>();
    Icon->SetHandle(Handle);
    Bits = static_cast<std::uint8_t *>(Pixels);
    return Icon;
}

} // namespace

void TPngImageList::DefineProperties(TFiler *Filer)
{
    DefineDesignWord(Filer, "Left", FDesignInfo, 0);
    DefineDesignWord(Filer, "Top", FDesignInfo, 16);
}

void TPngImageList::SetPngImages(TPngImageCollectionItems *Value)
{
    if (Value == FPngImages.get()) return;
    FPngImages->Assign(Value);
}

void TPngImageList::SetEnabledImages(bool Value)
{
    if (Value == FEnabledImages) return;
    FEnabledImages = Value;
    CopyPngs();
}

void TPngImageList::SetPngOptions(TPngOptions Value)
{
    if (Value == FPngOptions) return;
    FPngOptions = Value;
    CopyPngs();
}

void TPngImageList::SetWidth(int Value)
{
    if (Value == Width()) return;
    inherited::SetWidth(Value);
    // A size the list refuses changes nothing, and the pictures stay.
    if (Width() == Value) Clear();
}

void TPngImageList::SetHeight(int Value)
{
    if (Value == Height()) return;
    inherited::SetHeight(Value);
    // A size the list refuses changes nothing, and the pictures stay.
    if (Height() == Value) Clear();
}

std::unique_ptr<TBitmap> TPngImageList::PngToIcon(const TPNGObject &Png) const
{
    std::uint8_t *Bits = nullptr;
    auto Icon = ClearIcon(Width(), Height(), Bits);
    if (Png.Empty()) return Icon;
    TChunkIHDR *Header = Png.GetHeader();
    const TPixelAlpha Alpha(Png);
    const std::vector<int> Columns = CellAxis(Width(), Png.Width());
    const std::vector<int> Rows = CellAxis(Height(), Png.Height());
    for (int Y = 0; Y < Height(); ++Y) {
        std::uint8_t *Row = Bits + static_cast<std::size_t>(Height() - 1 - Y) * Width() * 4;
        const int SY = Rows[static_cast<std::size_t>(Y)];
        for (int X = 0; X < Width(); ++X) {
            const int SX = Columns[static_cast<std::size_t>(X)];
            const auto C = static_cast<COLORREF>(Header->PixelColor(SX, SY));
            const int A = Alpha(SX, SY);
            std::uint8_t *P = Row + 4 * X;
            P[0] = static_cast<std::uint8_t>(GetBValue(C) * A / 255);
            P[1] = static_cast<std::uint8_t>(GetGValue(C) * A / 255);
            P[2] = static_cast<std::uint8_t>(GetRValue(C) * A / 255);
            P[3] = static_cast<std::uint8_t>(A);
        }
    }
    return Icon;
}

std::unique_ptr<TBitmap> TPngImageList::ItemIcon(const TPngImageCollectionItem *Item,
                                                 bool Disabled) const
{
    // An item without a picture keeps its place with a clear one, and so does one too large
    // to take the disabled look.
    const TPNGObject None;
    if (!Item || Item->PngImage()->Empty()) return PngToIcon(None);
    const TPNGObject *Png = Item->PngImage();
    if (!Disabled) return PngToIcon(*Png);
    // Only the pixels the cell shows take the look: a huge picture costs the cell, not itself.
    const auto Shown =
        Png->Sampled(CellAxis(Width(), Png->Width()), CellAxis(Height(), Png->Height()));
    const auto Look = WithEffects(Shown.get(), FPngOptions * DisabledPngOptions);
    return PngToIcon(Look ? *Look : None);
}

void TPngImageList::CopyPngs()
{
    if (FPngUpdateCount > 0 || !FPngImages) return;
    TCustomImageList::BeginUpdate();
    RawClear();
    // Each icon is made when it is first drawn or copied: many lists are only read as pictures.
    for (int I = 0; I < FPngImages->Count(); ++I)
        RawInsert(I, nullptr);
    TCustomImageList::EndUpdate(true);
}

std::unique_ptr<TBitmap> TPngImageList::MakeRawImage(int Index) const
{
    const bool Disabled = !FEnabledImages && !FPngOptions.Empty();
    return ItemIcon(FPngImages->Items(Index), Disabled);
}

int TPngImageList::AddPng(std::unique_ptr<TPNGObject> Png)
{
    TPngImageCollectionItem *Item = nullptr;
    ChangePictures([&] {
        Item = FPngImages->Add();
        Item->SetPngImage(Png.get());
    });
    return Item->Index();
}

void TPngImageList::InsertPng(int Index, std::unique_ptr<TPNGObject> Png)
{
    if (Index < 0 || Index > FPngImages->Count()) return;
    ChangePictures([&] { FPngImages->Insert(Index)->SetPngImage(Png.get()); });
}

void TPngImageList::ReplacePng(int Index, std::unique_ptr<TPNGObject> Png)
{
    if (!InRange(Index)) return;
    FPngImages->Items(Index)->SetPngImage(Png.get());
}

int TPngImageList::Add(TBitmap *Image, TBitmap *Mask)
{
    return Image ? AddPng(CreatePNG(Image, Mask, false)) : -1;
}

int TPngImageList::AddIcon(TIcon *Image)
{
    return Image ? AddPng(ConvertToPNG(Image)) : -1;
}

int TPngImageList::AddMasked(TBitmap *Image, TColor MaskColor)
{
    return Image ? AddPng(CreatePNGMasked(Image, MaskColor)) : -1;
}

void TPngImageList::AddImages(TCustomImageList *Value)
{
    if (!Value) return;
    ChangePictures([&] {
        for (int I = 0; I < Value->Count(); ++I)
            CopyImageFromImageList(FPngImages->Add()->PngImage(), Value, I);
    });
}

void TPngImageList::Insert(int Index, TBitmap *Image, TBitmap *Mask)
{
    if (Image) InsertPng(Index, CreatePNG(Image, Mask, false));
}

void TPngImageList::InsertIcon(int Index, TIcon *Image)
{
    if (Image) InsertPng(Index, ConvertToPNG(Image));
}

void TPngImageList::InsertMasked(int Index, TBitmap *Image, TColor MaskColor)
{
    if (Image) InsertPng(Index, CreatePNGMasked(Image, MaskColor));
}

void TPngImageList::Replace(int Index, TBitmap *Image, TBitmap *Mask)
{
    if (Image) ReplacePng(Index, CreatePNG(Image, Mask, false));
}

void TPngImageList::ReplaceIcon(int Index, TIcon *Image)
{
    if (Image) ReplacePng(Index, ConvertToPNG(Image));
}

void TPngImageList::ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor)
{
    if (NewImage) ReplacePng(Index, CreatePNGMasked(NewImage, MaskColor));
}

void TPngImageList::Move(int CurIndex, int NewIndex)
{
    if (!InRange(CurIndex) || !InRange(NewIndex) || CurIndex == NewIndex) return;
    FPngImages->Items(CurIndex)->SetIndex(NewIndex);
}

void TPngImageList::Delete(int Index)
{
    if (InRange(Index)) FPngImages->Delete(Index);
}

void TPngImageList::Clear()
{
    // One rebuild, announced once, whether or not the pictures announce their going.
    ChangePictures([this] { FPngImages->Clear(); });
}

void TPngImageList::DoDraw(int Index, TCanvas *Canvas, int X, int Y, UINT, bool Enabled)
{
    TPngImageCollectionItem *Item = FPngImages->Items(Index);
    if (!Item) return;
    DrawPNG(Item->PngImage(), Canvas, Rect(X, Y, X + Width(), Y + Height()),
            Enabled ? TPngOptions{} : FPngOptions);
}
