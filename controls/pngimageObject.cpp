// The picture object: loading and saving the chunk list, the header and
// pixel access, transparency, resizing and assignment.

#include "controls/pngimage.h"
#include "controls/pngimageIO.h"
#include "controls/pngimageRows.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Clipboard.h"

#include <algorithm>
#include <cstring>

using namespace pngio;

namespace
{

[[maybe_unused]] const bool Registered = [] {
    TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", TPNGObject::StaticClass());
    return true;
}();

bool ValidSpec(unsigned ColorType, unsigned BitDepth)
{
    const bool Type =
        ColorType == 0 || ColorType == 2 || ColorType == 3 || ColorType == 4 || ColorType == 6;
    const bool Depth =
        BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
    return Type && Depth && !(ColorType == 3 && BitDepth == 16) &&
           !(ColorType == 2 && BitDepth < 8);
}

bool NameIs(const TChunkName &Name, const char *Text)
{
    return std::memcmp(Name.data(), Text, 4) == 0;
}

int PackedSample(const std::uint8_t *Row, int Index, int Bits)
{
    if (Bits == 8) return Row[Index];
    const int Bit = Index * Bits;
    return (Row[Bit >> 3] >> (8 - Bits - (Bit & 7))) & ((1 << Bits) - 1);
}

void PutPackedSample(std::uint8_t *Row, int Index, int Bits, int Value)
{
    if (Bits == 8) {
        Row[Index] = static_cast<std::uint8_t>(Value);
        return;
    }
    const int Bit = Index * Bits;
    const int Shift = 8 - Bits - (Bit & 7);
    const int Mask = ((1 << Bits) - 1) << Shift;
    std::uint8_t &Byte = Row[Bit >> 3];
    Byte = static_cast<std::uint8_t>((Byte & ~Mask) | ((Value << Shift) & Mask));
}

// To's store, of its own size, takes From's samples at Columns of Rows.
void SampleStore(TChunkIHDR &From, TChunkIHDR &To, const std::vector<int> &Columns,
                 const std::vector<int> &Rows)
{
    const int Bits = From.BitsPerPixel();
    const std::size_t Bytes = static_cast<std::size_t>(Bits / 8);
    const auto CopySamples = [&](const std::uint8_t *Source, std::uint8_t *Dest) {
        for (std::size_t I = 0; I < Columns.size(); ++I) {
            const int X = Columns[I];
            if (Bytes == 0)
                PutPackedSample(Dest, static_cast<int>(I), Bits, PackedSample(Source, X, Bits));
            else
                std::memcpy(Dest + I * Bytes, Source + static_cast<std::size_t>(X) * Bytes, Bytes);
        }
    };
    for (std::size_t J = 0; J < Rows.size(); ++J) {
        const int Y = Rows[J], Row = static_cast<int>(J);
        CopySamples(From.DibRow(Y), To.DibRow(Row));
        if (!From.LowBytePlane.empty())
            CopySamples(From.DibRowOf(From.LowBytePlane, Y), To.DibRowOf(To.LowBytePlane, Row));
        if (From.AlphaPlane.empty()) continue;
        const std::uint8_t *Alpha =
            From.AlphaPlane.data() + static_cast<std::size_t>(Y) * From.Width;
        for (std::size_t I = 0; I < Columns.size(); ++I)
            To.AlphaPlane[J * Columns.size() + I] = Alpha[Columns[I]];
    }
}

} // namespace

int PixelBytes(int Width, int ColorType, int BitDepth)
{
    int Samples = 0;
    switch (ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        Samples = 1;
        break;
    case COLOR_RGB:
        Samples = 3;
        break;
    case COLOR_GRAYSCALEALPHA:
        Samples = 2;
        break;
    case COLOR_RGBALPHA:
        Samples = 4;
        break;
    default:
        return 0;
    }
    return static_cast<int>((static_cast<std::int64_t>(Width) * BitDepth * Samples + 7) / 8);
}

// ---- Construction -----------------------------------------------------------------

TPNGObject::TPNGObject() : FChunkList(this)
{
    InitializeGamma();
}

TPNGObject::TPNGObject(unsigned ColorType, unsigned BitDepth, int AWidth, int AHeight)
    : TPNGObject()
{
    if (!ValidSpec(ColorType, BitDepth) || AWidth < 1 || AHeight < 1 || AWidth > 65535 ||
        AHeight > 65535)
        RaiseError<EPNGInvalidSpec>();
    if (BitDepth == 2) BitDepth = 4;
    InitializeGamma();
    FBuildingBlank = true;
    FChunkList.Add<TChunkIEND>();
    auto *H = FChunkList.Add<TChunkIHDR>();
    H->Width = static_cast<std::uint32_t>(AWidth);
    H->Height = static_cast<std::uint32_t>(AHeight);
    H->BitDepth = static_cast<std::uint8_t>(BitDepth);
    H->ColorType = static_cast<std::uint8_t>(ColorType);
    H->PrepareImageData();
    if (H->IsPaletted) FChunkList.Add<TChunkPLTE>()->PaletteCount = 1u << BitDepth;
    FChunkList.Add<TChunkIDAT>();
    FBuildingBlank = false;
}

TPNGObject::~TPNGObject() = default;

void TPNGObject::InitializeGamma()
{
    for (int I = 0; I < 256; ++I) {
        GammaMap[static_cast<std::size_t>(I)] = static_cast<std::uint8_t>(I);
        InverseGammaMap[static_cast<std::size_t>(I)] = static_cast<std::uint8_t>(I);
    }
}

void TPNGObject::ClearChunks()
{
    InitializeGamma();
    FChunkList.Clear();
}

// ---- Streams ----------------------------------------------------------------------

template <class F> void TPNGObject::RebuildOrKeep(F Build)
{
    TPNGList Kept(this);
    Kept.Swap(FChunkList);
    const auto KeptGamma = GammaMap;
    const auto KeptInverseGamma = InverseGammaMap;
    const TInterlaceMethod KeptInterlacing = FInterlacing;
    try {
        InitializeGamma();
        Build();
    } catch (...) {
        // What a failed build left (a header whose store was refused, half the chunks)
        // must never meet a pixel read: the old picture comes back whole.
        FChunkList.Swap(Kept);
        if (HeaderPresent()) FCanvas->SetHandle(GetHeader()->DibDC);
        GammaMap = KeptGamma;
        InverseGammaMap = KeptInverseGamma;
        FInterlacing = KeptInterlacing;
        throw;
    }
}

void TPNGObject::LoadFromStream(TStream *Stream)
{
    RebuildOrKeep([&] {
        std::uint8_t Head[8];
        if (Stream->Read(Head, 8) != 8 || std::memcmp(Head, Signature, 8) != 0)
            RaiseError<EPNGInvalidFileHeader>();
        LoadChunks(Stream);
    });
    Changed(this);
}

void TPNGObject::LoadChunks(TStream *Stream)
{
    bool HasImageData = false;
    const std::int64_t StreamSize = Stream->Size();
    for (bool First = true;; First = false) {
        std::uint8_t Head[8];
        ReadExact(Stream, Head, 8);
        const std::uint32_t Length = LoadBigEndian(Head);
        TChunkName Name;
        std::memcpy(Name.data(), Head + 4, 4);
        // A file that does not start with its header is told so, whatever length its
        // first chunk claims.
        if (First && !NameIs(Name, "IHDR")) RaiseError<EPNGIHDRNotFirst>();
        // A second header would rebuild the store under the decoded pixels.
        if (!First && NameIs(Name, "IHDR")) RaiseError<EPngInvalidIHDR>();
        // Image data may be cut short: the rows that arrived are shown.
        const bool CutShortAllowed = NameIs(Name, "IDAT") && !HasImageData;
        if (Length > MaxChunkLength ||
            (!CutShortAllowed && Length + std::int64_t{4} > StreamSize - Stream->Position()))
            RaiseError<EPngUnexpectedEnd>();
        if (NameIs(Name, "cHRM") || (NameIs(Name, "IDAT") && HasImageData)) {
            Stream->Seek(Length + std::int64_t{4}, soCurrent);
            continue;
        }
        auto Created = NewChunkForName(this, Name);
        if (Created->ClassType() == TChunk::StaticClass() && !(Name[0] & 0x20))
            RaiseError<EPNGUnknownCriticalChunk>();
        TChunk *Chunk = FChunkList.Add(std::move(Created));
        HasImageData = HasImageData || NameIs(Name, "IDAT");
        if (!Chunk->LoadFromStream(Stream, Name, Length)) {
            // What arrived of a picture cut short is a whole picture: it saves and takes chunks.
            FChunkList.Add(NewChunkOfClass(this, TChunkIEND::StaticClass()));
            break;
        }
        if (NameIs(Name, "IEND")) break;
    }
    if (!HasImageData) RaiseError<EPNGNoImageData>();
}

void TPNGObject::SaveToStream(TStream *Stream)
{
    Stream->WriteBuffer(Signature, 8);
    for (int I = 0; I < FChunkList.Count(); ++I)
        FChunkList.GetItem(I)->SaveToStream(Stream);
}

void TPNGObject::DefineProperties(TFiler *Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "Data", [this](TStream *Stream) { LoadFromStream(Stream); },
        [this](TStream *Stream) { SaveToStream(Stream); }, !Empty());
}

void TPNGObject::LoadFromResourceName(std::uintptr_t Instance, const AnsiString &Name)
{
    if (rtl::FindResource(rtl::ResourceRawData, Name).empty())
        RaiseError<EPNGCouldNotLoadResource>();
    TResourceStream Stream(Instance, Name, rtl::ResourceRawData);
    LoadFromStream(&Stream);
}

void TPNGObject::LoadFromResourceID(std::uintptr_t Instance, int ResID)
{
    if (rtl::FindResource(rtl::ResourceRawData, ResID).empty())
        RaiseError<EPNGCouldNotLoadResource>();
    TResourceStream Stream(Instance, ResID, rtl::ResourceRawData);
    LoadFromStream(&Stream);
}

// ---- Header and rows --------------------------------------------------------------

TChunkIHDR *TPNGObject::GetHeader() const
{
    auto *H = dynamic_cast<TChunkIHDR *>(FChunkList.GetItem(0));
    if (!H) RaiseError<EPNGHeaderNotPresent>();
    return H;
}

bool TPNGObject::HeaderPresent() const
{
    return dynamic_cast<TChunkIHDR *>(FChunkList.GetItem(0)) != nullptr;
}

int TPNGObject::GetWidth() const
{
    return HeaderPresent() ? static_cast<int>(GetHeader()->Width) : 0;
}

int TPNGObject::GetHeight() const
{
    return HeaderPresent() ? static_cast<int>(GetHeader()->Height) : 0;
}

void TPNGObject::SetWidth(int Value)
{
    Resize(Value, Height());
}

void TPNGObject::SetHeight(int Value)
{
    Resize(Width(), Value);
}

void TPNGObject::GetPixelInfo(int &LineSize, int &Offset) const
{
    LineSize = Offset = 0;
    if (!HeaderPresent()) return;
    const TChunkIHDR *H = GetHeader();
    LineSize = PixelBytes(static_cast<int>(H->Width), H->ColorType, H->BitDepth);
    switch (H->ColorType) {
    case COLOR_GRAYSCALE:
        Offset = H->BitDepth == 16 ? 2 : 1;
        break;
    case COLOR_PALETTE:
        Offset = 1;
        break;
    case COLOR_RGB:
        Offset = H->BitDepth * 3 / 8;
        break;
    case COLOR_GRAYSCALEALPHA:
        Offset = H->BitDepth * 2 / 8;
        break;
    case COLOR_RGBALPHA:
        Offset = H->BitDepth * 4 / 8;
        break;
    default:
        break;
    }
}

std::uint8_t *TPNGObject::GetScanline(int Row) const
{
    return GetHeader()->DibRow(Row);
}

std::uint8_t *TPNGObject::GetExtraScanline(int Row) const
{
    TChunkIHDR *H = GetHeader();
    return H->LowBytePlane.empty() ? nullptr : H->DibRowOf(H->LowBytePlane, Row);
}

std::uint8_t *TPNGObject::GetAlphaScanline(int Row) const
{
    TChunkIHDR *H = GetHeader();
    if (H->AlphaPlane.empty()) return nullptr;
    return H->AlphaPlane.data() + static_cast<std::size_t>(Row) * H->Width;
}

// ---- Palette and transparency -----------------------------------------------------

HPALETTE TPNGObject::GetPalette() const
{
    return GetHeader()->DibPalette;
}

void TPNGObject::DoSetPalette(HPALETTE Value, bool UpdateColors)
{
    TChunkIHDR *H = GetHeader();
    if (!H->IsPaletted) {
        // Given to be owned: a store without a palette would lose it.
        DeleteObject(Value);
        return;
    }
    if (UpdateColors) H->PaletteToDIB(Value);
    H->SelectDibPalette(Value);
}

TPNGTransparencyMode TPNGObject::TransparencyMode() const
{
    const TChunkIHDR *H = GetHeader();
    const auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>();
    switch (H->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
        return TRNS ? ptmBit : ptmNone;
    case COLOR_PALETTE:
        if (!TRNS) return ptmNone;
        return TRNS->SingleKey ? ptmBit : ptmPartial;
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return ptmPartial;
    default:
        return ptmNone;
    }
}

TColor TPNGObject::TransparentColor() const
{
    const auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>();
    return TRNS ? TRNS->GetTransparentColor() : 0;
}

void TPNGObject::SetTransparentColor(TColor Value)
{
    if (!HeaderPresent()) return;
    const std::uint8_t Type = GetHeader()->ColorType;
    if (Type == COLOR_GRAYSCALEALPHA || Type == COLOR_RGBALPHA)
        RaiseError<EPNGCannotChangeTransparent>();
    if (Type != COLOR_GRAYSCALE && Type != COLOR_RGB && Type != COLOR_PALETTE) return;
    auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>();
    if (!TRNS) TRNS = FChunkList.Add<TChunktRNS>();
    TRNS->SetTransparentColor(static_cast<TColor>(ColorToRGB(Value)));
    Changed(this);
}

void TPNGObject::RemoveTransparency()
{
    TChunkIHDR *H = GetHeader();
    switch (H->ColorType) {
    case COLOR_PALETTE:
        if (auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>()) FChunkList.RemoveChunk(TRNS);
        break;
    case COLOR_GRAYSCALEALPHA:
        H->ColorType = COLOR_GRAYSCALE;
        H->AlphaPlane = {};
        break;
    case COLOR_RGBALPHA:
        H->ColorType = COLOR_RGB;
        H->AlphaPlane = {};
        break;
    default:
        break;
    }
    Changed(this);
}

void TPNGObject::CreateAlpha()
{
    TChunkIHDR *H = GetHeader();
    if (H->ColorType == COLOR_PALETTE) {
        auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>();
        if (!TRNS) TRNS = FChunkList.Add<TChunktRNS>();
        TRNS->AlphaEntries.fill(255);
        TRNS->ResizeData(1u << H->BitDepth);
        TRNS->SingleKey = false;
        return;
    }
    if (H->ColorType != COLOR_GRAYSCALE && H->ColorType != COLOR_RGB) return;
    auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>();
    const TColor Key = TRNS ? TRNS->GetTransparentColor() : 0;
    // Gray with alpha has eight or sixteen bits; lower depths widen to eight.
    if (H->ColorType == COLOR_GRAYSCALE && H->BitsPerPixel() < 8) {
        const int Bits = H->BitsPerPixel();
        const int Levels = (1 << Bits) - 1;
        TChunkIHDR Widened(this);
        Widened.Width = H->Width;
        Widened.Height = H->Height;
        Widened.BitDepth = 8;
        Widened.ColorType = COLOR_GRAYSCALE;
        Widened.PrepareImageData();
        for (int Y = 0; Y < Height(); ++Y)
            for (int X = 0; X < Width(); ++X)
                Widened.DibRow(Y)[X] =
                    static_cast<std::uint8_t>(PackedSample(H->DibRow(Y), X, Bits) * 255 / Levels);
        H->TakeStore(Widened);
        H->BitDepth = 8;
    }
    // A colour key becomes clear pixels of the alpha plane.
    H->AlphaPlane.assign(static_cast<std::size_t>(H->Width) * H->Height, 255);
    H->ColorType = H->ColorType == COLOR_GRAYSCALE ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA;
    if (TRNS) {
        for (int Y = 0; Y < Height(); ++Y)
            for (int X = 0; X < Width(); ++X)
                if (GetPixels(X, Y) == Key) GetAlphaScanline(Y)[X] = 0;
        FChunkList.RemoveChunk(TRNS);
    }
    Changed(this);
}

void TPNGObject::AddtEXt(const AnsiString &Keyword, const AnsiString &Text)
{
    auto *Chunk = FChunkList.Add<TChunktEXt>();
    Chunk->Keyword = Keyword;
    Chunk->Text = Text;
}

void TPNGObject::AddzTXt(const AnsiString &Keyword, const AnsiString &Text)
{
    auto *Chunk = FChunkList.Add<TChunkzTXt>();
    Chunk->Keyword = Keyword;
    Chunk->Text = Text;
}

// ---- Pixels -----------------------------------------------------------------------

TColor TChunkIHDR::PixelColor(int X, int Y)
{
    const std::uint8_t *Row = DibRow(Y);
    switch (ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
    case COLOR_GRAYSCALEALPHA: {
        // The store's own bit count: two-bit pictures are held as four-bit ones.
        // The palette went through the gamma table when it was made.
        const RGBQUAD C = DibInfo.bmiColors[PackedSample(Row, X, BitsPerPixel())];
        return static_cast<TColor>(RGB(C.rgbRed, C.rgbGreen, C.rgbBlue));
    }
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        return static_cast<TColor>(RGB(Row[3 * X + 2], Row[3 * X + 1], Row[3 * X]));
    default:
        return 0;
    }
}

TColor TPNGObject::GetPixels(int X, int Y) const
{
    auto *H = dynamic_cast<TChunkIHDR *>(FChunkList.GetItem(0));
    if (!H || X < 0 || Y < 0 || X >= static_cast<int>(H->Width) || Y >= static_cast<int>(H->Height))
        return 0;
    return H->PixelColor(X, Y);
}

void TPNGObject::SetPixels(int X, int Y, TColor Value)
{
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height()) return;
    const TChunkIHDR *H = GetHeader();
    const auto Color = static_cast<COLORREF>(Value);
    std::uint8_t *Row = GetScanline(Y);
    switch (H->ColorType) {
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        Row[3 * X] = GetBValue(Color);
        Row[3 * X + 1] = GetGValue(Color);
        Row[3 * X + 2] = GetRValue(Color);
        break;
    case COLOR_GRAYSCALEALPHA: {
        // Read through the gray palette, so written through it: the gray level of the
        // red component, as the gamma table shows it.
        const BYTE Gray = GetRValue(Color);
        Row[X] = static_cast<std::uint8_t>(GetNearestIndex(H->DibInfo, RGB(Gray, Gray, Gray)));
        break;
    }
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        PutPackedSample(Row, X, H->BitsPerPixel(),
                        static_cast<int>(GetNearestIndex(H->DibInfo, Color)));
        break;
    default:
        break;
    }
}

void TPNGObject::Resize(int CX, int CY)
{
    if (CX < 1 || CY < 1 || CX > 65535 || CY > 65535) RaiseError<EPNGInvalidNewSize>();
    TChunkIHDR *H = GetHeader();
    // The new store is made beside the old one: a size it refuses leaves the picture whole.
    TChunkIHDR Resized(this);
    Resized.Width = static_cast<std::uint32_t>(CX);
    Resized.Height = static_cast<std::uint32_t>(CY);
    Resized.BitDepth = H->BitDepth;
    Resized.ColorType = H->ColorType;
    Resized.PrepareImageData();
    Resized.CopyColors(*H);
    const int OldWidth = static_cast<int>(H->Width);
    const int Rows = std::min(CY, static_cast<int>(H->Height));
    const auto Bytes = static_cast<std::size_t>(std::min(Resized.DibRowBytes, H->DibRowBytes));
    for (int Y = 0; Y < Rows; ++Y) {
        std::memcpy(Resized.DibRow(Y), H->DibRow(Y), Bytes);
        if (!H->LowBytePlane.empty())
            std::memcpy(Resized.DibRowOf(Resized.LowBytePlane, Y), H->DibRowOf(H->LowBytePlane, Y),
                        Bytes);
    }
    if (!H->AlphaPlane.empty()) {
        std::fill(Resized.AlphaPlane.begin(), Resized.AlphaPlane.end(), 255);
        const auto Columns = static_cast<std::size_t>(std::min(CX, OldWidth));
        for (int Y = 0; Y < Rows; ++Y)
            std::memcpy(Resized.AlphaPlane.data() + static_cast<std::size_t>(Y) * CX,
                        H->AlphaPlane.data() + static_cast<std::size_t>(Y) * OldWidth, Columns);
    }
    H->TakeStore(Resized);
    Changed(this);
}

std::unique_ptr<TPNGObject> TPNGObject::Sampled(const std::vector<int> &Columns,
                                                const std::vector<int> &Rows) const
{
    auto Part = std::make_unique<TPNGObject>();
    Part->CopyChunks(*this, [&](TChunkIHDR &To, TChunkIHDR &From) {
        To.Width = static_cast<std::uint32_t>(Columns.size());
        To.Height = static_cast<std::uint32_t>(Rows.size());
        To.BitDepth = From.BitDepth;
        To.ColorType = From.ColorType;
        To.CompressionMethod = From.CompressionMethod;
        To.FilterMethod = From.FilterMethod;
        To.InterlaceMethod = From.InterlaceMethod;
        To.PrepareImageData();
        To.CopyColors(From);
        SampleStore(From, To, Columns, Rows);
    });
    return Part;
}

// ---- Assignment -------------------------------------------------------------------

void TPNGObject::Assign(TPersistent *Source)
{
    if (!Source) {
        ClearChunks();
        Changed(this);
    } else if (auto *Png = dynamic_cast<TPNGObject *>(Source)) {
        AssignPNG(Png);
    } else if (auto *Bitmap = dynamic_cast<TBitmap *>(Source)) {
        AssignHandle(Bitmap->Handle(), Bitmap->Transparent(),
                     ColorToRGB(Bitmap->TransparentColor()));
    } else {
        TGraphic::Assign(Source);
    }
}

template <class F> void TPNGObject::CopyChunks(const TPNGObject &Source, F CopyHeader)
{
    // The copy must read its pixels through the same tables as the original.
    GammaMap = Source.GammaMap;
    InverseGammaMap = Source.InverseGammaMap;
    for (int I = 0; I < Source.FChunkList.Count(); ++I) {
        TChunk *From = Source.FChunkList.GetItem(I);
        TChunk *To = FChunkList.Add(NewChunkOfClass(this, From->ClassType()));
        if (auto *Header = dynamic_cast<TChunkIHDR *>(To))
            CopyHeader(*Header, *static_cast<TChunkIHDR *>(From));
        else
            To->Assign(From);
    }
}

void TPNGObject::AssignPNG(TPNGObject *Source)
{
    if (Source == this) return;
    RebuildOrKeep(
        [&] { CopyChunks(*Source, [](TChunkIHDR &To, TChunkIHDR &From) { To.Assign(&From); }); });
    FInterlacing = Source->FInterlacing;
    SetMaxIdatSize(Source->FMaxIdatSize);
    FZlibLevel = Source->FZlibLevel;
    FRowFilters = Source->FRowFilters;
    Changed(this);
}

void TPNGObject::SaveToClipboardFormat(WORD &AFormat, HANDLE &AData, HPALETTE &APalette)
{
    if (!HeaderPresent()) RaiseError<EPNGHeaderNotPresent>();
    // A bitmap of the screen's format: one of the picture's own depth would take the
    // default colour table of that depth, not the picture's colours.
    TBitmap Bitmap;
    Bitmap.SetSize(Width(), Height());
    Draw(Bitmap.Canvas(), Rect(0, 0, Width(), Height()));
    AFormat = CF_BITMAP;
    AData = Bitmap.ReleaseHandle();
    APalette = {};
}

void TPNGObject::LoadFromClipboardFormat(WORD AFormat, HANDLE AData, HPALETTE)
{
    if (AFormat != CF_BITMAP || !AData) throw EInvalidGraphic(UnsupportedClipboardFormat);
    AssignHandle(AData, false, 0);
}

void TPNGObject::AssignTo(TPersistent *Dest)
{
    if (auto *Png = dynamic_cast<TPNGObject *>(Dest)) {
        Png->AssignPNG(this);
        return;
    }
    auto *Bitmap = dynamic_cast<TBitmap *>(Dest);
    if (!Bitmap || !HeaderPresent()) {
        TGraphic::AssignTo(Dest);
        return;
    }
    const TPNGTransparencyMode Mode = TransparencyMode();
    const TChunkIHDR *H = GetHeader();
    TPixelFormat Format = pf24bit;
    if (Mode != ptmPartial) {
        if (H->BitDepth == 1)
            Format = pf1bit;
        else if (H->BitDepth == 2 || H->BitDepth == 4)
            Format = pf4bit;
        else if (H->ColorType == COLOR_PALETTE)
            Format = pf8bit;
    }
    Bitmap->SetPixelFormat(Format);
    Bitmap->SetSize(Width(), Height());
    // A paletted bitmap takes the picture's colours: its depth's default table would
    // turn them into others.
    if (Format != pf24bit)
        SetDIBColorTable(Bitmap->Canvas()->Handle(), 0, H->DibInfo.bmiHeader.biClrUsed,
                         H->DibInfo.bmiColors);
    Draw(Bitmap->Canvas(), Rect(0, 0, Width(), Height()));
    if (Mode == ptmBit) {
        Bitmap->SetTransparentColor(TransparentColor());
        Bitmap->SetTransparent(true);
    }
}

void TPNGObject::AssignHandle(HBITMAP Handle, bool Transparent, COLORREF TransparentColor)
{
    BITMAP Info{};
    GetObject(Handle, sizeof Info, &Info);
    RebuildOrKeep([&] {
        auto Header = NewChunkOfClass(this, TChunkIHDR::StaticClass());
        auto *H = static_cast<TChunkIHDR *>(Header.get());
        H->Width = static_cast<std::uint32_t>(Info.bmWidth);
        H->Height = static_cast<std::uint32_t>(std::abs(Info.bmHeight));
        const bool Paletted = Info.bmBitsPixel < 16;
        H->BitDepth = static_cast<std::uint8_t>(Paletted ? Info.bmBitsPixel : 8);
        H->ColorType = Paletted ? COLOR_PALETTE : COLOR_RGB;
        H->PrepareImageData();
        GetDIBits(nullptr, Handle, 0, H->Height, H->DibBits,
                  reinterpret_cast<BITMAPINFO *>(&H->DibInfo), DIB_RGB_COLORS);
        // The query above reports the header it filled; the store keeps its own.
        H->DibInfo.bmiHeader.biHeight = static_cast<LONG>(H->Height);
        H->SyncSectionColors();
        FChunkList.Add(std::move(Header));
        if (Paletted) {
            auto *PLTE = static_cast<TChunkPLTE *>(
                FChunkList.Add(NewChunkOfClass(this, TChunkPLTE::StaticClass())));
            PLTE->PaletteCount = 1u << H->BitDepth;
            std::vector<PALETTEENTRY> Palette(PLTE->PaletteCount);
            for (std::size_t I = 0; I < Palette.size(); ++I) {
                const RGBQUAD C = H->DibInfo.bmiColors[I];
                Palette[I] = {C.rgbRed, C.rgbGreen, C.rgbBlue, 0};
            }
            H->DibInfo.bmiHeader.biClrUsed = PLTE->PaletteCount;
            DoSetPalette(NewPalette(Palette), false);
        }
        if (Transparent) {
            auto *TRNS = static_cast<TChunktRNS *>(
                FChunkList.Add(NewChunkOfClass(this, TChunktRNS::StaticClass())));
            TRNS->SetTransparentColor(static_cast<TColor>(TransparentColor));
        }
        FChunkList.Add(NewChunkOfClass(this, TChunkIDAT::StaticClass()));
        FChunkList.Add(NewChunkOfClass(this, TChunkIEND::StaticClass()));
    });
    Changed(this);
}
