#include "controls/pngimage.h"

#include "controls/pngimageIO.h"
#include "controls/pngimageRows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <utility>
#include <zlib.h>

using namespace pnglang;

std::uint32_t update_crc(std::uint32_t Crc, const std::uint8_t *Buffer, std::size_t Length)
{
    // zlib conditions its CRC at both ends; ours is kept raw between calls.
    return ~static_cast<std::uint32_t>(crc32(~Crc, Buffer, static_cast<uInt>(Length)));
}

std::uint32_t ByteSwap(std::uint32_t Value)
{
    return __builtin_bswap32(Value);
}

std::uint16_t SwapWord(std::uint16_t Value)
{
    return __builtin_bswap16(Value);
}

namespace pngio
{

void ReadExact(TStream *Stream, void *Buffer, std::size_t Count)
{
    auto *Out = static_cast<std::uint8_t *>(Buffer);
    while (Count > 0) {
        const int Step = static_cast<int>(std::min<std::size_t>(Count, 1 << 30));
        const int Got = Stream->Read(Out, Step);
        if (Got <= 0) TPNGObject::RaiseError<EPngUnexpectedEnd>();
        Out += Got;
        Count -= static_cast<std::size_t>(Got);
    }
}

std::uint32_t ReadBigEndian(TStream *Stream)
{
    std::uint8_t Bytes[4];
    ReadExact(Stream, Bytes, 4);
    return LoadBigEndian(Bytes);
}

void WriteChunk(TStream *Stream, const TChunkName &Name, const std::uint8_t *Data,
                std::uint32_t Length)
{
    std::uint8_t Head[8];
    StoreBigEndian(Head, Length);
    std::memcpy(Head + 4, Name.data(), 4);
    Stream->WriteBuffer(Head, 8);
    std::uint32_t Crc = update_crc(0xFFFFFFFF, Head + 4, 4);
    if (Length > 0) {
        Stream->WriteBuffer(Data, static_cast<int>(Length));
        Crc = update_crc(Crc, Data, Length);
    }
    std::uint8_t Tail[4];
    StoreBigEndian(Tail, ~Crc);
    Stream->WriteBuffer(Tail, 4);
}

} // namespace pngio

using namespace pngio;

// ---- zlib blocks ------------------------------------------------------------------

namespace
{

// Compressed text larger than this is refused: a few bytes of deflate data can
// claim gigabytes.
constexpr std::size_t MaxInflatedText = 1 << 20;

AnsiString ZlibMessage(const z_stream &Z, int Code)
{
    return Z.msg ? AnsiString(Z.msg) : AnsiString(zError(Code));
}

} // namespace

ZlibBlockResult InflateBlock(const std::uint8_t *Input, std::size_t Size)
{
    ZlibBlockResult Result;
    z_stream Z{};
    if (inflateInit_(&Z, ZLIB_VERSION, static_cast<int>(sizeof Z)) != Z_OK) {
        Result.ErrorText = ZlibMessage(Z, Z_MEM_ERROR);
        return Result;
    }
    Z.next_in = const_cast<Bytef *>(Input);
    Z.avail_in = static_cast<uInt>(Size);
    std::uint8_t Buffer[256];
    // Only these two codes mean the data is sound; zlib reports a stall as
    // Z_BUF_ERROR, and a preset dictionary (Z_NEED_DICT) is never given here.
    int Code = Z_OK;
    while (Code == Z_OK) {
        Z.next_out = Buffer;
        Z.avail_out = sizeof Buffer;
        Code = inflate(&Z, Z_NO_FLUSH);
        if (Code != Z_OK && Code != Z_STREAM_END) {
            Result.ErrorText = ZlibMessage(Z, Code);
            break;
        }
        Result.Output.insert(Result.Output.end(), Buffer, Buffer + (sizeof Buffer - Z.avail_out));
        if (Result.Output.size() > MaxInflatedText) {
            Result.ErrorText = "text too long";
            break;
        }
    }
    Result.Ok = Code == Z_STREAM_END && Result.ErrorText.IsEmpty();
    if (!Result.Ok) Result.Output.clear();
    inflateEnd(&Z);
    return Result;
}

ZlibBlockResult DeflateBlock(const std::uint8_t *Input, std::size_t Size, int Level)
{
    ZlibBlockResult Result;
    z_stream Z{};
    if (deflateInit_(&Z, Level, ZLIB_VERSION, static_cast<int>(sizeof Z)) != Z_OK) {
        Result.ErrorText = ZlibMessage(Z, Z_STREAM_ERROR);
        return Result;
    }
    Z.next_in = const_cast<Bytef *>(Input);
    Z.avail_in = static_cast<uInt>(Size);
    std::uint8_t Buffer[256];
    int Code = Z_OK;
    while (Code != Z_STREAM_END) {
        Z.next_out = Buffer;
        Z.avail_out = sizeof Buffer;
        Code = deflate(&Z, Z_FINISH);
        if (Code < 0) {
            Result.ErrorText = ZlibMessage(Z, Code);
            break;
        }
        Result.Output.insert(Result.Output.end(), Buffer, Buffer + (sizeof Buffer - Z.avail_out));
    }
    Result.Ok = Code == Z_STREAM_END;
    deflateEnd(&Z);
    return Result;
}

// ---- The chunk base ---------------------------------------------------------------

TChunk::TChunk(TPNGObject *AOwner) : FData(1, 0), FOwner(AOwner) {}

AnsiString TChunk::GetName(TClass ChunkClass)
{
    const AnsiString ClassName = ChunkClass->ClassName();
    if (ClassName.Length() != 10 || ClassName.SubString(1, 6) != "TChunk") return "";
    return ClassName.SubString(7, 4);
}

void TChunk::Assign(TChunk *Source)
{
    FName = Source->FName;
    ResizeData(Source->FDataLength);
    std::memcpy(FData.data(), Source->FData.data(), FDataLength);
}

void TChunk::ResizeData(std::uint32_t NewSize)
{
    FDataLength = NewSize;
    FData.assign(static_cast<std::size_t>(NewSize) + 1, 0);
}

bool TChunk::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    ResizeData(Size);
    if (Size > 0) ReadExact(Stream, FData.data(), Size);
    const std::uint32_t Stored = ReadBigEndian(Stream);
    std::uint32_t Crc =
        update_crc(0xFFFFFFFF, reinterpret_cast<const std::uint8_t *>(ChunkName.data()), 4);
    Crc = update_crc(Crc, FData.data(), Size);
    if (~Crc != Stored) TPNGObject::RaiseError<EPngInvalidCRC>();
    return true;
}

bool TChunk::SaveToStream(TStream *Stream)
{
    return SaveData(Stream);
}

bool TChunk::SaveData(TStream *Stream)
{
    WriteChunk(Stream, FName, FData.data(), FDataLength);
    return true;
}

int TChunk::GetIndex() const
{
    return FOwner ? FOwner->ChunkList().IndexOf(this) : -1;
}

TChunkIHDR *TChunk::GetHeader() const
{
    return FOwner->GetHeader();
}

// ---- Registry and list ------------------------------------------------------------

namespace
{

struct RegisteredChunk {
    TClass Class;
    TChunkName Name;
    TChunkFactory Create;
};

TChunkName NameOf(TClass ChunkClass)
{
    const AnsiString Name = TChunk::GetName(ChunkClass);
    TChunkName Bytes{};
    if (Name.Length() == 4) std::memcpy(Bytes.data(), Name.c_str(), 4);
    return Bytes;
}

template <class T> RegisteredChunk Entry()
{
    return {T::StaticClass(), NameOf(T::StaticClass()), &MakeChunk<T>};
}

// The codec's own classes first, then what callers registered at start-up, before
// pictures load.
std::vector<RegisteredChunk> &ChunkRegistry()
{
    static std::vector<RegisteredChunk> Registry{
        Entry<TChunkIEND>(), Entry<TChunkIHDR>(), Entry<TChunkIDAT>(), Entry<TChunkPLTE>(),
        Entry<TChunkgAMA>(), Entry<TChunktRNS>(), Entry<TChunkpHYs>(), Entry<TChunktIME>(),
        Entry<TChunktEXt>(), Entry<TChunkzTXt>()};
    return Registry;
}

bool IsOneOf(TClass Class, std::initializer_list<TClass> Classes)
{
    return std::find(Classes.begin(), Classes.end(), Class) != Classes.end();
}

} // namespace

void RegisterChunk(TClass ChunkClass, TChunkFactory Create)
{
    ChunkRegistry().push_back({ChunkClass, NameOf(ChunkClass), Create});
}

std::unique_ptr<TChunk> NewChunkForName(TPNGObject *Owner, const TChunkName &Name)
{
    std::unique_ptr<TChunk> Chunk;
    for (const RegisteredChunk &R : ChunkRegistry())
        if (R.Name == Name) {
            Chunk = R.Create(Owner);
            break;
        }
    if (!Chunk) Chunk = std::make_unique<TChunk>(Owner);
    Chunk->SetName(Name);
    return Chunk;
}

std::unique_ptr<TChunk> NewChunkOfClass(TPNGObject *Owner, TClass ChunkClass)
{
    for (const RegisteredChunk &R : ChunkRegistry())
        if (R.Class == ChunkClass) {
            auto Chunk = R.Create(Owner);
            Chunk->SetName(R.Name);
            return Chunk;
        }
    return std::make_unique<TChunk>(Owner);
}

TChunk *TPNGPointerList::GetItem(int Index) const
{
    return Index >= 0 && Index < Count() ? FItems[static_cast<std::size_t>(Index)].get() : nullptr;
}

void TPNGPointerList::SetItem(int Index, std::unique_ptr<TChunk> Value)
{
    if (Index >= 0 && Index < Count()) FItems[static_cast<std::size_t>(Index)] = std::move(Value);
}

int TPNGPointerList::IndexOf(const TChunk *Chunk) const
{
    for (int I = Count() - 1; I >= 0; --I)
        if (FItems[static_cast<std::size_t>(I)].get() == Chunk) return I;
    return -1;
}

TChunk *TPNGPointerList::Add(std::unique_ptr<TChunk> Value)
{
    FItems.push_back(std::move(Value));
    return FItems.back().get();
}

TChunk *TPNGPointerList::Insert(std::unique_ptr<TChunk> Value, int Position)
{
    Position = std::clamp(Position, 0, Count());
    return FItems.insert(FItems.begin() + Position, std::move(Value))->get();
}

std::unique_ptr<TChunk> TPNGPointerList::Remove(TChunk *Value)
{
    const int Index = IndexOf(Value);
    if (Index < 0) return nullptr;
    std::unique_ptr<TChunk> Removed = std::move(FItems[static_cast<std::size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
    return Removed;
}

TChunk *TPNGList::ItemFromClass(TClass ChunkClass) const
{
    for (int I = 0; I < Count(); ++I)
        if (GetItem(I)->InheritsFrom(ChunkClass)) return GetItem(I);
    return nullptr;
}

TChunk *TPNGList::Add(TClass ChunkClass)
{
    const bool Building = Owner()->BuildingBlank();
    const bool Critical =
        IsOneOf(ChunkClass, {TChunkIHDR::StaticClass(), TChunkIDAT::StaticClass(),
                             TChunkPLTE::StaticClass(), TChunkIEND::StaticClass()});
    const bool Single = IsOneOf(ChunkClass, {TChunkgAMA::StaticClass(), TChunktRNS::StaticClass(),
                                             TChunkpHYs::StaticClass()});
    if ((Critical && !Building) || (Single && ItemFromClass(ChunkClass)))
        TPNGObject::RaiseError<EPngError>(EPNGCannotAddChunkText);
    const auto *IEND = ItemFromClass<TChunkIEND>();
    const auto *IHDR = ItemFromClass<TChunkIHDR>();
    if ((!IEND || !IHDR) && !Building)
        TPNGObject::RaiseError<EPngError>(EPNGCannotAddInvalidImageText);

    auto Chunk = NewChunkOfClass(Owner(), ChunkClass);
    const int AfterHeader = IHDR ? IndexOf(IHDR) + 1 : 0;
    if (ChunkClass == TChunkIHDR::StaticClass()) return Insert(std::move(Chunk), 0);
    if (ChunkClass == TChunkIEND::StaticClass()) return Add(std::move(Chunk));
    if (IsOneOf(ChunkClass,
                {TChunkgAMA::StaticClass(), TChunkpHYs::StaticClass(), TChunkPLTE::StaticClass()}))
        return Insert(std::move(Chunk), AfterHeader);
    if (ChunkClass == TChunktRNS::StaticClass()) {
        if (const auto *PLTE = ItemFromClass<TChunkPLTE>())
            return Insert(std::move(Chunk), IndexOf(PLTE) + 1);
        const auto *IDAT = ItemFromClass<TChunkIDAT>();
        return Insert(std::move(Chunk), IDAT ? IndexOf(IDAT) : AfterHeader);
    }
    return Insert(std::move(Chunk), IEND ? IndexOf(IEND) : Count());
}

// ---- Header and image store -------------------------------------------------------

namespace
{

// Store sizes above this are refused: a header of a few bytes must not claim
// gigabytes.
constexpr std::uint64_t MaxStoreBytes = 256ull << 20;

bool ValidDepth(int ColorType, int BitDepth)
{
    switch (ColorType) {
    case COLOR_GRAYSCALE:
        return BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
    case COLOR_PALETTE:
        return BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return BitDepth == 8 || BitDepth == 16;
    default:
        return false;
    }
}

} // namespace

TChunkIHDR::~TChunkIHDR()
{
    FreeImageData();
}

void TChunkIHDR::FreeImageData()
{
    TCanvas *Canvas = Owner()->Canvas();
    if (DibDC && Canvas->HandleAllocated() && Canvas->Handle() == DibDC) Canvas->SetHandle({});
    // The DC goes first: a section still selected into one is not deleted.
    if (DibDC) DeleteDC(DibDC);
    if (DibHandle) DeleteObject(DibHandle);
    if (DibPalette) DeleteObject(DibPalette);
    DibDC = {};
    DibHandle = {};
    DibBits = nullptr;
    AlphaPlane = {};
    LowBytePlane = {};
    DibPalette = {};
}

void TChunkIHDR::TakeStore(TChunkIHDR &Source) noexcept
{
    FreeImageData();
    Width = Source.Width;
    Height = Source.Height;
    IsPaletted = Source.IsPaletted;
    DibInfo = Source.DibInfo;
    DibRowBytes = Source.DibRowBytes;
    DibHandle = std::exchange(Source.DibHandle, {});
    DibDC = std::exchange(Source.DibDC, {});
    DibBits = std::exchange(Source.DibBits, nullptr);
    AlphaPlane = std::move(Source.AlphaPlane);
    LowBytePlane = std::move(Source.LowBytePlane);
    DibPalette = std::exchange(Source.DibPalette, {});
    Owner()->Canvas()->SetHandle(DibDC);
}

HPALETTE NewPalette(const std::vector<PALETTEENTRY> &Entries)
{
    // The record's entries run on past its one-entry array.
    const std::size_t Head = offsetof(LOGPALETTE, palPalEntry);
    std::vector<std::uint8_t> Record(Head + sizeof(PALETTEENTRY) *
                                                std::max<std::size_t>(Entries.size(), 1));
    auto *Log = reinterpret_cast<LOGPALETTE *>(Record.data());
    Log->palVersion = 0x300;
    Log->palNumEntries = static_cast<WORD>(Entries.size());
    std::memcpy(Record.data() + Head, Entries.data(), sizeof(PALETTEENTRY) * Entries.size());
    return CreatePalette(Log);
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE Palette)
{
    std::vector<PALETTEENTRY> Entries(256);
    Entries.resize(GetPaletteEntries(Palette, 0, 256, Entries.data()));
    return Entries;
}

void TChunkIHDR::PaletteToDIB(HPALETTE Palette)
{
    const std::vector<PALETTEENTRY> Entries = PaletteEntries(Palette);
    const std::size_t N = Entries.size();
    DibInfo.bmiHeader.biClrUsed = static_cast<DWORD>(N);
    for (std::size_t I = 0; I < N; ++I)
        DibInfo.bmiColors[I] = {Entries[I].peBlue, Entries[I].peGreen, Entries[I].peRed, 0};
    SyncSectionColors();
}

void TChunkIHDR::CopyColors(const TChunkIHDR &Source)
{
    std::copy(std::begin(Source.DibInfo.bmiColors), std::end(Source.DibInfo.bmiColors),
              std::begin(DibInfo.bmiColors));
    DibInfo.bmiHeader.biClrUsed = Source.DibInfo.bmiHeader.biClrUsed;
    if (DibPalette && Source.DibPalette) {
        const std::vector<PALETTEENTRY> Entries = PaletteEntries(Source.DibPalette);
        ResizePalette(DibPalette, static_cast<UINT>(Entries.size()));
        SetPaletteEntries(DibPalette, 0, static_cast<UINT>(Entries.size()), Entries.data());
        RealizePalette(DibDC);
    }
    SyncSectionColors();
}

void TChunkIHDR::SelectDibPalette(HPALETTE Palette)
{
    SelectPalette(DibDC, Palette, FALSE);
    RealizePalette(DibDC);
    if (DibPalette && DibPalette != Palette) DeleteObject(DibPalette);
    DibPalette = Palette;
}

HPALETTE TChunkIHDR::CreateGrayscalePalette(int BitsPerPixel) const
{
    return NewPalette(pngrows::GrayPalette(BitsPerPixel, Owner()->GammaMap));
}

void TChunkIHDR::SyncSectionColors()
{
    // The section maps drawing to its own copy of the colours.
    if (DibDC) SetDIBColorTable(DibDC, 0, 256, DibInfo.bmiColors);
}

void TChunkIHDR::PrepareImageData()
{
    DibInfo = {};
    FreeImageData();
    BITMAPINFOHEADER &H = DibInfo.bmiHeader;
    H.biSize = sizeof(BITMAPINFOHEADER);
    H.biWidth = static_cast<LONG>(Width);
    H.biHeight = static_cast<LONG>(Height);
    H.biPlanes = 1;
    H.biCompression = BI_RGB;
    IsPaletted = false;
    if (ColorType == COLOR_RGB || ColorType == COLOR_RGBALPHA) {
        H.biBitCount = 24;
    } else if (ColorType == COLOR_GRAYSCALE || ColorType == COLOR_PALETTE ||
               ColorType == COLOR_GRAYSCALEALPHA) {
        IsPaletted = true;
        H.biBitCount = BitDepth == 2 ? 4 : BitDepth == 16 ? 8 : BitDepth;
    }
    DibRowBytes =
        static_cast<int>(((H.biBitCount * static_cast<std::uint64_t>(Width) + 31) & ~31ull) / 8);
    const std::uint64_t Rows = static_cast<std::uint64_t>(DibRowBytes) * Height;
    const std::uint64_t Pixels = static_cast<std::uint64_t>(Width) * Height;
    const bool Alpha = ColorType == COLOR_GRAYSCALEALPHA || ColorType == COLOR_RGBALPHA;
    const std::uint64_t Total = Rows + (Alpha ? Pixels : 0) + (BitDepth == 16 ? Rows : 0);
    if (Total > MaxStoreBytes) TPNGObject::RaiseError<EPNGOutMemory>();
    if (Alpha) AlphaPlane = TImagePlane(Pixels);
    if (BitDepth == 16) LowBytePlane = TImagePlane(Rows);
    DibDC = CreateCompatibleDC(nullptr);
    if (DibDC && IsPaletted) {
        const HPALETTE Palette = ColorType == COLOR_PALETTE ? CreateHalftonePalette(DibDC)
                                                            : CreateGrayscalePalette(H.biBitCount);
        ResizePalette(Palette, 1u << H.biBitCount);
        SelectDibPalette(Palette);
        PaletteToDIB(DibPalette);
    }
    CreateDibSection();
}

void TChunkIHDR::CreateDibSection()
{
    void *Bits = nullptr;
    DibHandle =
        DibDC ? CreateDIBSection(DibDC, BitmapInfo(), DIB_RGB_COLORS, &Bits, nullptr, 0) : nullptr;
    if (!DibHandle) {
        FreeImageData();
        TPNGObject::RaiseError<EPNGOutMemory>();
    }
    // A new section is zeroed already, and its pages are committed only as they are
    // written: filling it would cost the whole store of a header that claims much.
    DibBits = static_cast<std::uint8_t *>(Bits);
    SelectObject(DibDC, DibHandle);
    Owner()->Canvas()->SetHandle(DibDC);
}

bool TChunkIHDR::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    if (DataLength() < 13) TPNGObject::RaiseError<EPngInvalidIHDR>();
    const std::uint8_t *D = Data();
    Width = LoadBigEndian(D);
    Height = LoadBigEndian(D + 4);
    BitDepth = D[8];
    ColorType = D[9];
    CompressionMethod = D[10];
    FilterMethod = D[11];
    InterlaceMethod = D[12];
    if (Width > 65535 || Height > 65535) TPNGObject::RaiseError<EPNGSizeExceeds>();
    if (CompressionMethod != 0) TPNGObject::RaiseError<EPNGUnknownCompression>();
    if (InterlaceMethod > 1) TPNGObject::RaiseError<EPNGUnknownInterlace>();
    if (Width == 0 || Height == 0 || !ValidDepth(ColorType, BitDepth))
        TPNGObject::RaiseError<EPngInvalidIHDR>();
    Owner()->SetInterlacing(static_cast<TInterlaceMethod>(InterlaceMethod));
    PrepareImageData();
    return true;
}

bool TChunkIHDR::SaveToStream(TStream *Stream)
{
    if (BitDepth == 2) BitDepth = 4;
    ResizeData(13);
    std::uint8_t *D = Data();
    StoreBigEndian(D, Width);
    StoreBigEndian(D + 4, Height);
    D[8] = BitDepth;
    D[9] = ColorType;
    D[10] = CompressionMethod;
    D[11] = FilterMethod;
    D[12] = static_cast<std::uint8_t>(Owner()->Interlacing());
    return SaveData(Stream);
}

void TChunkIHDR::Assign(TChunk *Source)
{
    auto *S = dynamic_cast<TChunkIHDR *>(Source);
    if (!S) TPNGObject::RaiseError<EPngError>(EPNGCompatibleChunksText);
    Width = S->Width;
    Height = S->Height;
    BitDepth = S->BitDepth;
    ColorType = S->ColorType;
    CompressionMethod = S->CompressionMethod;
    FilterMethod = S->FilterMethod;
    InterlaceMethod = S->InterlaceMethod;
    PrepareImageData();
    if (S->DibBits)
        std::memcpy(DibBits, S->DibBits, static_cast<std::size_t>(DibRowBytes) * Height);
    AlphaPlane = S->AlphaPlane;
    LowBytePlane = S->LowBytePlane;
    CopyColors(*S);
}

// ---- Palette ----------------------------------------------------------------------

bool TChunkPLTE::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    if (Size % 3 != 0 || Size / 3 > 256) TPNGObject::RaiseError<EPNGInvalidPalette>();
    PaletteCount = Size / 3;
    const auto &Gamma = Owner()->GammaMap;
    std::vector<PALETTEENTRY> Palette(PaletteCount);
    for (std::uint32_t I = 0; I < PaletteCount; ++I) {
        const std::uint8_t *E = Data() + 3 * I;
        Palette[I] = {Gamma[E[0]], Gamma[E[1]], Gamma[E[2]], 0};
    }
    Owner()->SetPalette(NewPalette(Palette));
    return true;
}

bool TChunkPLTE::SaveToStream(TStream *Stream)
{
    const TChunkIHDR *Header = GetHeader();
    if (PaletteCount == 0) PaletteCount = Header->DibInfo.bmiHeader.biClrUsed;
    PaletteCount = std::min<std::uint32_t>(PaletteCount, 256);
    ResizeData(3 * PaletteCount);
    const auto &Inverse = Owner()->InverseGammaMap;
    for (std::uint32_t I = 0; I < PaletteCount; ++I) {
        const RGBQUAD C = Header->DibInfo.bmiColors[I];
        std::uint8_t *E = Data() + 3 * I;
        E[0] = Inverse[C.rgbRed];
        E[1] = Inverse[C.rgbGreen];
        E[2] = Inverse[C.rgbBlue];
    }
    return SaveData(Stream);
}

void TChunkPLTE::Assign(TChunk *Source)
{
    auto *S = dynamic_cast<TChunkPLTE *>(Source);
    if (!S) TPNGObject::RaiseError<EPngError>(EPNGCompatibleChunksText);
    PaletteCount = S->PaletteCount;
}

RGBQUAD TChunkPLTE::GetPaletteItem(int Index) const
{
    if (Index < 0 || Index > static_cast<int>(PaletteCount) - 1)
        TPNGObject::RaiseError<EPngError>(EPNGUnknownPalEntryText);
    return GetHeader()->DibInfo.bmiColors[Index];
}

// ---- Gamma ------------------------------------------------------------------------

TChunkgAMA::TChunkgAMA(TPNGObject *AOwner) : TChunk(AOwner)
{
    SetValue(1);
}

std::uint32_t TChunkgAMA::GetValue()
{
    if (DataLength() == 4) return LoadBigEndian(Data());
    ResizeData(4);
    return 1;
}

void TChunkgAMA::SetValue(std::uint32_t Value)
{
    if (DataLength() != 4) ResizeData(4);
    StoreBigEndian(Data(), Value);
}

namespace
{

using TGammaTable = std::array<std::uint8_t, 256>;

TGammaTable BuildGammaTable(std::uint32_t Value)
{
    TGammaTable Table;
    const double Exponent = 1.0 / (Value / 100000.0 * 2.2);
    for (std::size_t I = 0; I < Table.size(); ++I) {
        const double G = std::nearbyint(255.0 * std::pow(static_cast<double>(I) / 255.0, Exponent));
        Table[I] = static_cast<std::uint8_t>(std::clamp(G, 0.0, 255.0));
    }
    return Table;
}

// The 256 powers of a table cost more than the rest of a small picture's load, and the
// pictures share a handful of gamma values: the tables of the last few are kept. Pictures
// may load on any thread. An empty slot holds 0, a value that has no table.
TGammaTable GammaTableOf(std::uint32_t Value)
{
    struct Kept {
        std::uint32_t Value = 0;
        TGammaTable Table{};
    };
    static std::mutex Mutex;
    static std::array<Kept, 16> Tables;
    static std::size_t Next = 0;
    std::lock_guard Lock(Mutex);
    for (const Kept &K : Tables)
        if (K.Value == Value) return K.Table;
    Kept &Slot = Tables[Next++ % Tables.size()];
    Slot = {Value, BuildGammaTable(Value)};
    return Slot.Table;
}

} // namespace

bool TChunkgAMA::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    const std::uint32_t Value = GetValue();
    if (Value == 0) return true;
    const TGammaTable Table = GammaTableOf(Value);
    for (std::size_t I = 0; I < Table.size(); ++I) {
        Owner()->GammaMap[I] = Table[I];
        Owner()->InverseGammaMap[Table[I]] = static_cast<std::uint8_t>(I);
    }
    return true;
}

void TChunkgAMA::Assign(TChunk *Source)
{
    auto *S = dynamic_cast<TChunkgAMA *>(Source);
    if (!S) TPNGObject::RaiseError<EPngError>(EPNGCompatibleChunksText);
    SetValue(S->GetValue());
}

// ---- Physical size, time, text ----------------------------------------------------

bool TChunkpHYs::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    if (Size != 9) return true;
    PixelsPerUnitX = LoadBigEndian(Data());
    PixelsPerUnitY = LoadBigEndian(Data() + 4);
    UnitKind = Data()[8];
    return true;
}

bool TChunkpHYs::SaveToStream(TStream *Stream)
{
    ResizeData(9);
    StoreBigEndian(Data(), PixelsPerUnitX);
    StoreBigEndian(Data() + 4, PixelsPerUnitY);
    Data()[8] = UnitKind;
    return SaveData(Stream);
}

void TChunkpHYs::Assign(TChunk *Source)
{
    if (auto *S = dynamic_cast<TChunkpHYs *>(Source)) {
        PixelsPerUnitX = S->PixelsPerUnitX;
        PixelsPerUnitY = S->PixelsPerUnitY;
        UnitKind = S->UnitKind;
    }
}

bool TChunktIME::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    if (Size != 7) return true;
    const std::uint8_t *D = Data();
    Year = static_cast<std::uint16_t>(D[0] << 8 | D[1]);
    Month = D[2];
    Day = D[3];
    Hour = D[4];
    Minute = D[5];
    Second = D[6];
    return true;
}

bool TChunktIME::SaveToStream(TStream *Stream)
{
    ResizeData(7);
    std::uint8_t *D = Data();
    D[0] = static_cast<std::uint8_t>(Year >> 8);
    D[1] = static_cast<std::uint8_t>(Year);
    D[2] = Month;
    D[3] = Day;
    D[4] = Hour;
    D[5] = Minute;
    D[6] = Second;
    return SaveData(Stream);
}

void TChunktIME::Assign(TChunk *Source)
{
    if (auto *S = dynamic_cast<TChunktIME *>(Source)) {
        Year = S->Year;
        Month = S->Month;
        Day = S->Day;
        Hour = S->Hour;
        Minute = S->Minute;
        Second = S->Second;
    }
}

std::uint32_t TChunktEXt::ReadKeyword()
{
    const auto *Begin = reinterpret_cast<const char *>(Data());
    const auto *End = Begin + DataLength();
    const char *Zero = std::find(Begin, End, '\0');
    Keyword = AnsiString(Begin, static_cast<int>(Zero - Begin));
    return static_cast<std::uint32_t>(std::min(Zero + 1, End) - Begin);
}

bool TChunktEXt::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    if (Size < 3) return true;
    const std::uint32_t Start = ReadKeyword();
    Text =
        AnsiString(reinterpret_cast<const char *>(Data()) + Start, static_cast<int>(Size - Start));
    return true;
}

bool TChunktEXt::SaveToStream(TStream *Stream)
{
    ResizeData(static_cast<std::uint32_t>(Keyword.Length() + 1 + Text.Length()));
    std::memcpy(Data(), Keyword.Data(), static_cast<std::size_t>(Keyword.Length()));
    std::memcpy(Data() + Keyword.Length() + 1, Text.Data(),
                static_cast<std::size_t>(Text.Length()));
    return SaveData(Stream);
}

void TChunktEXt::Assign(TChunk *Source)
{
    if (auto *S = dynamic_cast<TChunktEXt *>(Source)) {
        Keyword = S->Keyword;
        Text = S->Text;
    }
}

bool TChunkzTXt::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunktEXt::LoadFromStream(Stream, ChunkName, Size);
    // Only what inflates is text; the bytes after the keyword are compressed.
    Text = "";
    if (Size < 4) return true;
    const std::uint32_t Start = ReadKeyword();
    // No method byte after the keyword: nothing to inflate.
    if (Start >= Size || Data()[Start] != 0) return true;
    const ZlibBlockResult R = InflateBlock(Data() + Start + 1, Size - Start - 1);
    if (R.Ok)
        Text = AnsiString(reinterpret_cast<const char *>(R.Output.data()),
                          static_cast<int>(R.Output.size()));
    return true;
}

bool TChunkzTXt::SaveToStream(TStream *Stream)
{
    if (Text.IsEmpty()) Text = " ";
    const ZlibBlockResult R =
        DeflateBlock(reinterpret_cast<const std::uint8_t *>(Text.Data()),
                     static_cast<std::size_t>(Text.Length()), Owner()->ZlibLevel());
    if (!R.Ok) return false;
    const auto KeyLength = static_cast<std::uint32_t>(Keyword.Length());
    ResizeData(KeyLength + 2 + static_cast<std::uint32_t>(R.Output.size()));
    std::memcpy(Data(), Keyword.Data(), KeyLength);
    std::memcpy(Data() + KeyLength + 2, R.Output.data(), R.Output.size());
    return SaveData(Stream);
}

// ---- Transparency -----------------------------------------------------------------

void TChunktRNS::UpdateSingleKey()
{
    const TChunkIHDR *Header = GetHeader();
    if (Header->ColorType == COLOR_GRAYSCALE || Header->ColorType == COLOR_RGB) {
        SingleKey = true;
        return;
    }
    SingleKey = false;
    if (Header->ColorType != COLOR_PALETTE) return;
    // One colour fully clear and the rest opaque can be drawn by a key; any
    // partial entry needs the blend.
    int Clear = 0, Opaque = 0;
    for (std::uint32_t I = 0; I < DataLength(); ++I) {
        Clear += AlphaEntries[I] == 0;
        Opaque += AlphaEntries[I] == 255;
    }
    SingleKey = Clear == 1 && Clear + Opaque == static_cast<int>(DataLength());
}

bool TChunktRNS::LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size)
{
    TChunk::LoadFromStream(Stream, ChunkName, Size);
    if (Size > 256) TPNGObject::RaiseError<EPNGInvalidPalette>();
    AlphaEntries.fill(255);
    std::copy_n(Data(), Size, AlphaEntries.begin());
    UpdateSingleKey();
    return true;
}

bool TChunktRNS::SaveToStream(TStream *Stream)
{
    if (DataLength() <= 256) std::copy_n(AlphaEntries.begin(), DataLength(), Data());
    return SaveData(Stream);
}

void TChunktRNS::Assign(TChunk *Source)
{
    TChunk::Assign(Source);
    if (auto *S = dynamic_cast<TChunktRNS *>(Source)) {
        AlphaEntries = S->AlphaEntries;
        SingleKey = S->SingleKey;
    }
}

namespace
{

// The stored index of a gray key word, as the decoder stores gray samples.
int GrayKeyIndex(int BitDepth, std::uint16_t Key)
{
    switch (BitDepth) {
    case 16:
        return Key >> 8;
    case 2:
        return (Key & 3) * 5;
    default:
        return Key & 0xFF;
    }
}

// The sample a stored gray index stands for, at the image's bit depth.
std::uint16_t GrayKeySample(int BitDepth, int Index)
{
    switch (BitDepth) {
    case 16:
        return static_cast<std::uint16_t>(Index * 257);
    case 2:
        return static_cast<std::uint16_t>(Index / 5);
    default:
        return static_cast<std::uint16_t>(Index);
    }
}

std::uint16_t KeyWord(const std::array<std::uint8_t, 256> &A, int Index)
{
    return static_cast<std::uint16_t>(A[static_cast<std::size_t>(2 * Index)] << 8 |
                                      A[static_cast<std::size_t>(2 * Index + 1)]);
}

void SetKeyWord(std::array<std::uint8_t, 256> &A, int Index, std::uint16_t Value)
{
    A[static_cast<std::size_t>(2 * Index)] = static_cast<std::uint8_t>(Value >> 8);
    A[static_cast<std::size_t>(2 * Index + 1)] = static_cast<std::uint8_t>(Value);
}

} // namespace

std::uint8_t TChunktRNS::IndexAlpha(int Index) const
{
    return AlphaEntries[static_cast<std::size_t>(Index & 0xFF)];
}

TColor TChunktRNS::GetTransparentColor() const
{
    const TChunkIHDR *Header = GetHeader();
    const auto &Gamma = Owner()->GammaMap;
    switch (Header->ColorType) {
    case COLOR_GRAYSCALE: {
        const int Index = GrayKeyIndex(Header->BitDepth, KeyWord(AlphaEntries, 0));
        const BYTE Gray = Header->DibInfo.bmiColors[Index & 0xFF].rgbRed;
        return static_cast<TColor>(RGB(Gray, Gray, Gray));
    }
    case COLOR_RGB: {
        const bool Wide = Header->BitDepth == 16;
        auto Channel = [&](int I) {
            const std::uint16_t Key = KeyWord(AlphaEntries, I);
            return Gamma[Wide ? Key >> 8 : Key & 0xFF];
        };
        return static_cast<TColor>(RGB(Channel(0), Channel(1), Channel(2)));
    }
    case COLOR_PALETTE:
        for (std::uint32_t I = 0; I < DataLength(); ++I)
            if (AlphaEntries[I] == 0) {
                const RGBQUAD C = Header->DibInfo.bmiColors[I];
                return static_cast<TColor>(RGB(C.rgbRed, C.rgbGreen, C.rgbBlue));
            }
        return 0;
    default:
        return 0;
    }
}

void TChunktRNS::SetTransparentColor(TColor Value)
{
    const TChunkIHDR *Header = GetHeader();
    const auto Color = static_cast<COLORREF>(Value);
    AlphaEntries.fill(0);
    SingleKey = true;
    switch (Header->ColorType) {
    case COLOR_GRAYSCALE: {
        ResizeData(2);
        const int Index = static_cast<int>(GetNearestIndex(
            Header->DibInfo, RGB(GetRValue(Color), GetRValue(Color), GetRValue(Color))));
        SetKeyWord(AlphaEntries, 0, GrayKeySample(Header->BitDepth, Index));
        break;
    }
    case COLOR_RGB: {
        ResizeData(6);
        const int Scale = Header->BitDepth == 16 ? 257 : 1;
        SetKeyWord(AlphaEntries, 0, static_cast<std::uint16_t>(GetRValue(Color) * Scale));
        SetKeyWord(AlphaEntries, 1, static_cast<std::uint16_t>(GetGValue(Color) * Scale));
        SetKeyWord(AlphaEntries, 2, static_cast<std::uint16_t>(GetBValue(Color) * Scale));
        break;
    }
    case COLOR_PALETTE: {
        const auto Used = static_cast<std::uint32_t>(Header->DibInfo.bmiHeader.biClrUsed);
        std::uint32_t Match = 0;
        while (Match < Used) {
            const RGBQUAD C = Header->DibInfo.bmiColors[Match];
            if (C.rgbRed == GetRValue(Color) && C.rgbGreen == GetGValue(Color) &&
                C.rgbBlue == GetBValue(Color))
                break;
            ++Match;
        }
        // Without a matching colour no entry becomes clear: every one stays opaque.
        std::fill_n(AlphaEntries.begin(), Match, 255);
        ResizeData(Match < Used ? Match + 1 : Used);
        SingleKey = Match < Used;
        break;
    }
    default:
        break;
    }
}
