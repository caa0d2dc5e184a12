#pragma once
// The program's PNG pictures: an image is a list of chunk objects, one per chunk
// of the file, and its pixels live in the header chunk as a bottom-up DIB (one,
// four, eight or 24 bits a pixel) with separate alpha and low-byte planes.

#include "controls/pnglang.h"
#include "platform/rtl/ClassesStreams.h"
#include "platform/rtl/ZeroedAllocator.h"
#include "platform/vcl/Graphics.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TPNGObject;
class TChunkIHDR;

inline constexpr const char *LibraryVersion = "1.564";

inline constexpr std::uint8_t COLOR_GRAYSCALE = 0;
inline constexpr std::uint8_t COLOR_RGB = 2;
inline constexpr std::uint8_t COLOR_PALETTE = 3;
inline constexpr std::uint8_t COLOR_GRAYSCALEALPHA = 4;
inline constexpr std::uint8_t COLOR_RGBALPHA = 6;

// A plane of the image store beside the DIB section: costs memory only where written.
using TImagePlane = std::vector<std::uint8_t, rtl::ZeroedAllocator<std::uint8_t>>;

enum TFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
using TFilters = Set<TFilter>;
using TCompressionLevel = int;
enum TInterlaceMethod { imNone, imAdam7 };
enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

using TChunkName = std::array<char, 4>;

// Continues a CRC-32 of the PNG format over Length bytes.
std::uint32_t update_crc(std::uint32_t Crc, const std::uint8_t *Buffer, std::size_t Length);
std::uint32_t ByteSwap(std::uint32_t Value);
std::uint16_t SwapWord(std::uint16_t Value);

// zlib over whole blocks, for compressed text.
struct ZlibBlockResult {
    bool Ok = false;
    std::vector<std::uint8_t> Output;
    AnsiString ErrorText;
};
ZlibBlockResult InflateBlock(const std::uint8_t *Input, std::size_t Size);
ZlibBlockResult DeflateBlock(const std::uint8_t *Input, std::size_t Size, int Level);

// ---- Chunks -----------------------------------------------------------------------

class TChunk : public TObject
{
    QRV4_CLASS(TChunk, TObject)

public:
    explicit TChunk(TPNGObject *AOwner);
    ~TChunk() override = default;

    // The chunk name of a class: its class name after "TChunk", when exactly
    // four characters remain; empty otherwise.
    static AnsiString GetName(TClass ChunkClass);
    virtual void Assign(TChunk *Source);
    // Stream stands after the length and the name; reads the data and the CRC.
    virtual bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size);
    virtual bool SaveToStream(TStream *Stream);

    std::uint8_t *Data() { return FData.data(); }
    const std::uint8_t *Data() const { return FData.data(); }
    std::uint32_t DataLength() const { return FDataLength; }
    void ResizeData(std::uint32_t NewSize);
    TPNGObject *Owner() const { return FOwner; }
    int GetIndex() const;
    TChunkIHDR *GetHeader() const;
    AnsiString GetChunkName() const { return AnsiString(FName.data(), 4); }
    const TChunkName &Name() const { return FName; }
    void SetName(const TChunkName &Value) { FName = Value; }

protected:
    bool SaveData(TStream *Stream);

private:
    std::vector<std::uint8_t> FData;
    std::uint32_t FDataLength = 0;
    TPNGObject *FOwner;
    TChunkName FName{};
};

class TChunkIEND : public TChunk
{
    QRV4_CLASS(TChunkIEND, TChunk)

public:
    using TChunk::TChunk;
};

// The header, and the owner of the image store.
class TChunkIHDR : public TChunk
{
    QRV4_CLASS(TChunkIHDR, TChunk)

public:
    explicit TChunkIHDR(TPNGObject *AOwner) : TChunk(AOwner) {}
    ~TChunkIHDR() override;
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;

    // Builds an empty store for the current header values; the owner's canvas then
    // draws into it.
    void PrepareImageData();
    void FreeImageData();
    // Takes the size and the whole store of Source, which is left without a store; the
    // owner's canvas draws into the store taken.
    void TakeStore(TChunkIHDR &Source) noexcept;
    // The colour of a pixel inside the picture, as the store holds it.
    TColor PixelColor(int X, int Y);

    struct TDibInfo {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[256];
    };

    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint8_t BitDepth = 0;
    std::uint8_t ColorType = 0;
    std::uint8_t CompressionMethod = 0;
    std::uint8_t FilterMethod = 0;
    std::uint8_t InterlaceMethod = 0;

    bool IsPaletted = false;
    TDibInfo DibInfo{};
    int DibRowBytes = 0;
    // The colour store is a DIB section selected into a memory DC, so that GDI and the
    // owner's canvas draw straight into the pixels the codec reads and writes.
    HBITMAP DibHandle{};
    HDC DibDC{};
    std::uint8_t *DibBits = nullptr; // the section's bottom-up rows of DibRowBytes
    TImagePlane AlphaPlane;          // top-down, a byte a pixel
    TImagePlane LowBytePlane;        // as DibBits
    HPALETTE DibPalette{};           // of a paletted store; selected into DibDC

    const BITMAPINFO *BitmapInfo() const { return reinterpret_cast<const BITMAPINFO *>(&DibInfo); }
    int BitsPerPixel() const { return DibInfo.bmiHeader.biBitCount; }
    // Row Y, counted from the top, of the colour store or a plane laid out as it is.
    std::uint8_t *DibRow(int Y) { return DibRowOf(DibBits, Y); }
    std::uint8_t *DibRowOf(TImagePlane &Plane, int Y) { return DibRowOf(Plane.data(), Y); }
    std::uint8_t *DibRowOf(std::uint8_t *Base, int Y)
    {
        return Base + static_cast<std::size_t>(static_cast<int>(Height) - 1 - Y) * DibRowBytes;
    }
    // Copies up to 256 entries into the DIB colours.
    void PaletteToDIB(HPALETTE Palette);
    // Takes the DIB colours and the palette entries of Source.
    void CopyColors(const TChunkIHDR &Source);
    // After the DIB colours were written directly.
    void SyncSectionColors();
    // Selects and realizes Palette in DibDC; the store owns it from then on.
    void SelectDibPalette(HPALETTE Palette);
    // Gray levels through the owner's gamma table for a store of BitsPerPixel bits: the
    // levels of two-bit gray, held as four-bit pixels, span the whole range.
    HPALETTE CreateGrayscalePalette(int BitsPerPixel) const;

private:
    void CreateDibSection();
};

// A logical palette of Entries, and the entries of one.
HPALETTE NewPalette(const std::vector<PALETTEENTRY> &Entries);
std::vector<PALETTEENTRY> PaletteEntries(HPALETTE Palette);

class TChunkPLTE : public TChunk
{
    QRV4_CLASS(TChunkPLTE, TChunk)

public:
    using TChunk::TChunk;
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;
    RGBQUAD GetPaletteItem(int Index) const;

    std::uint32_t PaletteCount = 0;
};

class TChunkgAMA : public TChunk
{
    QRV4_CLASS(TChunkgAMA, TChunk)

public:
    explicit TChunkgAMA(TPNGObject *AOwner);
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    std::uint32_t GetValue();
    void SetValue(std::uint32_t Value);
};

class TChunktRNS : public TChunk
{
    QRV4_CLASS(TChunktRNS, TChunk)

public:
    using TChunk::TChunk;
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor Value);
    // The alpha of a stored palette or gray index, as the image draws it.
    std::uint8_t IndexAlpha(int Index) const;

    bool SingleKey = false;
    std::array<std::uint8_t, 256> AlphaEntries{};

private:
    void UpdateSingleKey();
};

class TChunkpHYs : public TChunk
{
    QRV4_CLASS(TChunkpHYs, TChunk)

public:
    using TChunk::TChunk;
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;

    std::uint32_t PixelsPerUnitX = 0;
    std::uint32_t PixelsPerUnitY = 0;
    std::uint8_t UnitKind = 0;
};

class TChunktIME : public TChunk
{
    QRV4_CLASS(TChunktIME, TChunk)

public:
    using TChunk::TChunk;
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;

    std::uint16_t Year = 0;
    std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk
{
    QRV4_CLASS(TChunktEXt, TChunk)

public:
    using TChunk::TChunk;
    void Assign(TChunk *Source) override;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;

    AnsiString Keyword;
    AnsiString Text;

protected:
    // Keyword up to the first zero byte (or the end); the position after it.
    std::uint32_t ReadKeyword();
};

class TChunkzTXt : public TChunktEXt
{
    QRV4_CLASS(TChunkzTXt, TChunktEXt)

public:
    using TChunktEXt::TChunktEXt;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;
};

// The image data: decoded when loaded, encoded when saved; holds no data itself.
class TChunkIDAT : public TChunk
{
    QRV4_CLASS(TChunkIDAT, TChunk)

public:
    using TChunk::TChunk;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override;
    bool SaveToStream(TStream *Stream) override;
};

// Makes a chunk of one class for an image.
using TChunkFactory = std::unique_ptr<TChunk> (*)(TPNGObject *Owner);
template <class T> std::unique_ptr<TChunk> MakeChunk(TPNGObject *Owner)
{
    return std::make_unique<T>(Owner);
}
// Adds a chunk class to the registry: from then on a chunk of its name (the class name
// after "TChunk") loads as that class, unless a class registered earlier has the name.
void RegisterChunk(TClass ChunkClass, TChunkFactory Create);
template <class T> void RegisterChunk()
{
    RegisterChunk(T::StaticClass(), &MakeChunk<T>);
}

// Creates a chunk of the class registered for Name (a plain TChunk when none),
// named Name.
std::unique_ptr<TChunk> NewChunkForName(TPNGObject *Owner, const TChunkName &Name);
// Creates an empty chunk of ChunkClass (or a plain TChunk when it is not registered).
std::unique_ptr<TChunk> NewChunkOfClass(TPNGObject *Owner, TClass ChunkClass);

// Chunks of one image, in order; the list owns them.
class TPNGPointerList
{
public:
    explicit TPNGPointerList(TPNGObject *AOwner) : FOwner(AOwner) {}

    TPNGObject *Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Null outside the list.
    TChunk *GetItem(int Index) const;
    // Replaces the chunk at Index; outside the list Value is dropped and the list unchanged.
    void SetItem(int Index, std::unique_ptr<TChunk> Value);
    // Appends, whatever the kind of chunk (loading, assigning).
    TChunk *Add(std::unique_ptr<TChunk> Value);
    // Before Position; past the end it appends, so that no chunk is lost.
    TChunk *Insert(std::unique_ptr<TChunk> Value, int Position);
    // Takes the last entry holding Value out of the list; null when none does.
    std::unique_ptr<TChunk> Remove(TChunk *Value);
    int IndexOf(const TChunk *Chunk) const;
    void Clear() { FItems.clear(); }
    // Between two lists of one image.
    void Swap(TPNGPointerList &Other) noexcept { FItems.swap(Other.FItems); }

private:
    TPNGObject *FOwner;
    std::vector<std::unique_ptr<TChunk>> FItems;
};

// The chunks of one image, in file order, placed by their kind.
class TPNGList : public TPNGPointerList
{
public:
    using TPNGPointerList::Add;
    using TPNGPointerList::TPNGPointerList;

    // A new chunk placed by its kind; refuses what would make the image invalid.
    TChunk *Add(TClass ChunkClass);
    template <class T> T *Add() { return static_cast<T *>(Add(T::StaticClass())); }
    // The first chunk of the class or of a class derived from it.
    TChunk *ItemFromClass(TClass ChunkClass) const;
    template <class T> T *ItemFromClass() const
    {
        return static_cast<T *>(ItemFromClass(T::StaticClass()));
    }
    template <class T> T *FindChunk() const { return ItemFromClass<T>(); }
    // Removes the chunk and frees it.
    void RemoveChunk(TChunk *Chunk) { Remove(Chunk); }
};

// ---- The picture ------------------------------------------------------------------

class TPNGObject : public TGraphic
{
    QRV4_CLASS(TPNGObject, TGraphic)
    friend class TChunkIDAT;

public:
    TPNGObject();
    // A blank image of the given type and size, every pixel zero.
    TPNGObject(unsigned ColorType, unsigned BitDepth, int AWidth, int AHeight);
    ~TPNGObject() override;

    // Draws the picture stretched into Rect by its transparency mode.
    void Draw(TCanvas *ACanvas, const TRect &Rect) override;

    void Assign(TPersistent *Source) override;
    void AssignPNG(TPNGObject *Source);
    // Takes the pixels of a bitmap; a transparent one keeps its key colour.
    void AssignHandle(HBITMAP Handle, bool Transparent, COLORREF TransparentColor);

    void SetWidth(int Value) override;
    void SetHeight(int Value) override;

    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream) override;
    // A bitmap (CF_BITMAP) of the picture: what other programs paste.
    void LoadFromClipboardFormat(WORD AFormat, HANDLE AData, HPALETTE APalette) override;
    void SaveToClipboardFormat(WORD &AFormat, HANDLE &AData, HPALETTE &APalette) override;
    void LoadFromResourceName(std::uintptr_t Instance, const AnsiString &Name);
    void LoadFromResourceID(std::uintptr_t Instance, int ResID);

    TPNGList &ChunkList() { return FChunkList; }
    const TPNGList &ChunkList() const { return FChunkList; }
    void ClearChunks();
    TChunkIHDR *GetHeader() const;
    bool HeaderPresent() const;
    void GetPixelInfo(int &LineSize, int &Offset) const;

    // Image row Row (0 at the top) of the DIB, of the low-byte plane, of the alpha
    // plane (null without one).
    std::uint8_t *GetScanline(int Row) const;
    std::uint8_t *GetExtraScanline(int Row) const;
    std::uint8_t *GetAlphaScanline(int Row) const;

    TPNGTransparencyMode TransparencyMode() const;
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    void RemoveTransparency();
    void CreateAlpha();
    void AddtEXt(const AnsiString &Keyword, const AnsiString &Text);
    void AddzTXt(const AnsiString &Keyword, const AnsiString &Text);

    // The palette of a paletted store (gray levels for gray images); null otherwise.
    HPALETTE GetPalette() const;
    // The picture owns a palette it is given.
    void SetPalette(HPALETTE Value) { DoSetPalette(Value, true); }
    void DoSetPalette(HPALETTE Value, bool UpdateColors);

    TColor GetPixels(int X, int Y) const;
    void SetPixels(int X, int Y, TColor Value);
    void Resize(int CX, int CY);
    // A picture of the same kind (colour type, depth, colours, transparency, gamma) whose
    // pixel (I, J) is this one's (Columns[I], Rows[J]); both hold at least one coordinate.
    std::unique_ptr<TPNGObject> Sampled(const std::vector<int> &Columns,
                                        const std::vector<int> &Rows) const;

    void DrawUsingPixelInformation(TCanvas *Canvas, const TPoint &Point);
    void DrawPartialTrans(HDC Dc, const TRect &Rect);
    // What Draw(ACanvas, Rect) shows of the picture on the canvas's visible part, were the
    // picture drawn as Mode: one of its pixels for each target pixel shown, for Draw to draw
    // one to one into Where. Null when nothing of it would show.
    std::unique_ptr<TPNGObject> ShownPart(TCanvas *ACanvas, const TRect &Rect,
                                          TPNGTransparencyMode Mode, TRect &Where) const;
    TChunkpHYs *GetPixelInformation();
    bool HasPixelInformation() const { return FChunkList.ItemFromClass<TChunkpHYs>() != nullptr; }

    TFilters RowFilters() const { return FRowFilters; }
    void SetRowFilters(TFilters Value) { FRowFilters = Value; }
    TCompressionLevel ZlibLevel() const { return FZlibLevel; }
    void SetZlibLevel(TCompressionLevel Value) { FZlibLevel = Value; }
    int MaxIdatSize() const { return FMaxIdatSize; }
    // Anything below 65535 becomes 65535.
    void SetMaxIdatSize(int Value) { FMaxIdatSize = Value < 65535 ? 65535 : Value; }
    TInterlaceMethod Interlacing() const { return FInterlacing; }
    void SetInterlacing(TInterlaceMethod Value) { FInterlacing = Value; }
    bool BuildingBlank() const { return FBuildingBlank; }
    // Draws into the picture's pixels.
    TCanvas *Canvas() const { return FCanvas.get(); }

    static AnsiString GetLibraryVersion() { return LibraryVersion; }
    template <class E> [[noreturn]] static void RaiseError(const char *Text) { throw E(Text); }
    // The class's own text.
    template <class E> [[noreturn]] static void RaiseError() { RaiseError<E>(E::Text); }

    std::array<std::uint8_t, 256> GammaMap{};
    std::array<std::uint8_t, 256> InverseGammaMap{};

protected:
    bool GetEmpty() const override { return FChunkList.Count() == 0; }
    int GetWidth() const override;
    int GetHeight() const override;
    bool GetTransparent() const override
    {
        return HeaderPresent() && TransparencyMode() != ptmNone;
    }
    void AssignTo(TPersistent *Dest) override;
    // "Data": the picture as its file holds it, so that a form keeps it.
    void DefineProperties(TFiler *Filer) override;

private:
    friend class TChunkIHDR;
    void InitializeGamma();
    void LoadChunks(TStream *Stream);
    // Runs Build, which replaces the chunks; when it fails the picture is put back as it was.
    template <class F> void RebuildOrKeep(F Build);
    // Adds a copy of each of Source's chunks, and takes its gamma tables; the header is copied by
    // CopyHeader(To, From).
    template <class F> void CopyChunks(const TPNGObject &Source, F CopyHeader);
    void DrawKeyedDib(HDC Dc, const TRect &Rect);
    void DrawOpaque(HDC Dc, const TRect &Rect);

    // Before the chunks: a header leaving the picture lets go of the canvas.
    std::unique_ptr<TCanvas> FCanvas = std::make_unique<TCanvas>();
    TPNGList FChunkList;
    TFilters FRowFilters{pfSub};
    TCompressionLevel FZlibLevel = 7;
    int FMaxIdatSize = 65535;
    TInterlaceMethod FInterlacing = imNone;
    bool FBuildingBlank = false;
};

// Bytes of a row of Width pixels of a colour type and bit depth, as the file holds it.
int PixelBytes(int Width, int ColorType, int BitDepth);
