#include "platform/vcl/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace
{

// Beyond this a damaged header would only make us allocate without end.
constexpr unsigned long MaxPixels = 32ul * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr Info)
{
    auto *Errors = reinterpret_cast<ErrorManager *>(Info->err);
    (*Info->err->format_message)(Info, Errors->Message);
    std::longjmp(Errors->Jump, 1);
}

// Warnings about slightly damaged data are not worth a word on the console.
extern "C" void JpegNoOutput(j_common_ptr) {}

// Nothing with a destructor may be created between setjmp and the calls into
// libjpeg that can jump back, so the objects this needs are made by the caller.
bool Decode(const std::vector<std::uint8_t> &Data, TBitmap &Out, std::vector<JSAMPLE> &Row,
            char *Message)
{
    jpeg_decompress_struct Info;
    ErrorManager Errors;
    Info.err = jpeg_std_error(&Errors.Base);
    Errors.Base.error_exit = JpegErrorExit;
    Errors.Base.output_message = JpegNoOutput;
    if (setjmp(Errors.Jump)) {
        jpeg_destroy_decompress(&Info);
        std::memcpy(Message, Errors.Message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Data.data(), static_cast<unsigned long>(Data.size()));
    jpeg_read_header(&Info, TRUE);
    if (static_cast<unsigned long>(Info.image_width) * Info.image_height > MaxPixels) {
        jpeg_destroy_decompress(&Info);
        std::snprintf(Message, JMSG_LENGTH_MAX, "JPEG image is too large");
        return false;
    }
    Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&Info);
    Out.SetPixelFormat(pf24bit);
    Out.SetSize(static_cast<int>(Info.output_width), static_cast<int>(Info.output_height));
    Row.resize(static_cast<std::size_t>(Info.output_width) * 3);
    while (Info.output_scanline < Info.output_height) {
        const int Line = static_cast<int>(Info.output_scanline);
        JSAMPROW Rows[1] = {Row.data()};
        jpeg_read_scanlines(&Info, Rows, 1);
        auto *Target = static_cast<std::uint8_t *>(Out.ScanLine(Line));
        for (JDIMENSION X = 0; X < Info.output_width; ++X) {
            Target[X * 3] = Row[X * 3 + 2];
            Target[X * 3 + 1] = Row[X * 3 + 1];
            Target[X * 3 + 2] = Row[X * 3];
        }
    }
    jpeg_finish_decompress(&Info);
    jpeg_destroy_decompress(&Info);
    return true;
}

[[maybe_unused]] const bool JpegRegistered = [] {
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
    return true;
}();

} // namespace

TJPEGImage::TJPEGImage() : FBitmap(std::make_unique<TBitmap>()) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent *Source)
{
    if (auto *Other = dynamic_cast<TJPEGImage *>(Source)) {
        if (Other == this) return;
        FData = Other->FData;
        FBitmap->Assign(Other->FBitmap.get());
        Changed(this);
        return;
    }
    inherited::Assign(Source);
}

void TJPEGImage::SetWidth(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::LoadFromStream(TStream *Stream)
{
    const long long Remaining = Stream->Size() - Stream->Position();
    std::vector<std::uint8_t> Data(static_cast<std::size_t>(std::max(Remaining, 0LL)));
    if (!Data.empty()) Stream->ReadBuffer(Data.data(), static_cast<int>(Data.size()));
    auto Decoded = std::make_unique<TBitmap>();
    std::vector<JSAMPLE> Row;
    char Message[JMSG_LENGTH_MAX] = {};
    if (Data.empty() || !Decode(Data, *Decoded, Row, Message))
        throw EInvalidGraphic(AnsiString("JPEG error: ") + (Data.empty() ? "no data" : Message));
    FData = std::move(Data);
    FBitmap = std::move(Decoded);
    Changed(this);
}

void TJPEGImage::SaveToStream(TStream *Stream)
{
    if (!FData.empty()) Stream->WriteBuffer(FData.data(), static_cast<int>(FData.size()));
}

void TJPEGImage::Draw(TCanvas *ACanvas, const TRect &Rect)
{
    ACanvas->StretchDraw(Rect, FBitmap.get());
}
