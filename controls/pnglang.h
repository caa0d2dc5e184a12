#pragma once
// The PNG codec's exceptions, each with the text it is raised with, and the texts of the
// general codec error. They are English on purpose: the codec reports them the same in
// every program that carries it.

#include "platform/rtl/SysUtils.h"

// An exception of the codec together with its fixed text.
#define QRV4_PNG_EXCEPTION(Name, FixedText)                                                        \
    class Name : public Exception                                                                  \
    {                                                                                              \
    public:                                                                                        \
        using Exception::Exception;                                                                \
        static constexpr const char *Text = FixedText;                                             \
    };

// Raised with one of the texts below.
QRV4_DECLARE_EXCEPTION(EPngError, Exception)

QRV4_PNG_EXCEPTION(
    EPngInvalidCRC,
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of "
    "data (crc error)")
QRV4_PNG_EXCEPTION(
    EPngInvalidIHDR,
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of "
    "data (ihdr) might be corrupted")
QRV4_PNG_EXCEPTION(
    EPNGMissingMultipleIDAT,
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.")
QRV4_PNG_EXCEPTION(EPNGZLIBError,
                   "Could not decompress the image because it contains invalid compressed data.\r\n"
                   " Description: ")
QRV4_PNG_EXCEPTION(EPNGInvalidPalette,
                   "The \"Portable Network Graphics\" image contains an invalid palette.")
QRV4_PNG_EXCEPTION(
    EPNGInvalidFileHeader,
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains "
    "an invalid header. This file may be corruped, try obtaining it again.")
QRV4_PNG_EXCEPTION(
    EPNGIHDRNotFirst,
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)")
QRV4_PNG_EXCEPTION(EPNGNotExists, "The png file could not be loaded because it does not exists.")
QRV4_PNG_EXCEPTION(
    EPNGSizeExceeds,
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.")
QRV4_PNG_EXCEPTION(
    EPNGMissingPalette,
    "This \"Portable Network Graphics\" could not be loaded because it uses a color table which "
    "is missing.")
QRV4_PNG_EXCEPTION(
    EPNGUnknownCriticalChunk,
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not "
    "be decoded.")
QRV4_PNG_EXCEPTION(
    EPNGUnknownCompression,
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which "
    "could not be decoded.")
QRV4_PNG_EXCEPTION(
    EPNGUnknownInterlace,
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be "
    "decoded.")
QRV4_PNG_EXCEPTION(
    EPngUnexpectedEnd,
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected "
    "end of the file.")
QRV4_PNG_EXCEPTION(EPNGNoImageData, "This \"Portable Network Graphics\" image contains no data.")
QRV4_PNG_EXCEPTION(EPNGCouldNotLoadResource,
                   "The png image could not be loaded from the resource ID.")
QRV4_PNG_EXCEPTION(
    EPNGOutMemory,
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.")
QRV4_PNG_EXCEPTION(
    EPNGCannotChangeTransparent,
    "Setting bit transparency color is not allowed for png images containing alpha value for "
    "each pixel (COLOR_RGBALPHA and COLOR_GRAYSCALEALPHA)")
QRV4_PNG_EXCEPTION(
    EPNGHeaderNotPresent,
    "This operation is not valid because the current image contains no valid header.")
QRV4_PNG_EXCEPTION(EPNGInvalidNewSize, "The new size provided for image resizing is invalid.")
QRV4_PNG_EXCEPTION(
    EPNGInvalidSpec,
    "The \"Portable Network Graphics\" could not be created because invalid image type parameters "
    "have being provided.")

namespace pnglang
{

inline constexpr const char *EPNGUnknownPalEntryText = "There is no such palette entry.";
inline constexpr const char *EPNGCannotAddChunkText =
    "The program tried to add a existent critical chunk to the current image which is not "
    "allowed.";
inline constexpr const char *EPNGCannotAddInvalidImageText =
    "It's not allowed to add a new chunk because the current image is invalid.";
inline constexpr const char *EPNGCompatibleChunksText =
    "The chunks must be compatible to be assigned.";

} // namespace pnglang
