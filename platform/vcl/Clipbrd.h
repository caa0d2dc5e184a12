#pragma once

// The clipboard: text in cp1251 as the class library's AsText gives it, and
// Unicode text, both over the system clipboard's Unicode text.

#include "platform/vcl/Graphics.h"

constexpr WORD CF_TEXT = 1;
constexpr WORD CF_BITMAP = 2;
constexpr WORD CF_DIB = 8;
constexpr WORD CF_UNICODETEXT = 13;

class TClipboard : public TPersistent
{
    QRV4_CLASS(TClipboard, TPersistent)

public:
    TClipboard() = default;

    // The clipboard's text in cp1251; characters it cannot hold become '?'.
    // Empty when the clipboard holds no text.
    AnsiString AsText() const;
    void SetAsText(const AnsiString &Value);
    WideString AsWideText() const;
    void SetAsWideText(const WideString &Value);
    // Text formats are there when the clipboard holds text; a bitmap when an image.
    bool HasFormat(WORD Format) const;
    void Clear();
    // Kept for callers that bracket several operations; each one is whole anyway.
    void Open() { ++FOpenCount; }
    void Close() { FOpenCount = std::max(0, FOpenCount - 1); }

private:
    int FOpenCount = 0;
};

TClipboard *Clipboard();
