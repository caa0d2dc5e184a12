#include "platform/win/CodePages.h"

#include "platform/rtl/System.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

namespace
{

struct CharsetCodePage {
    UINT Charset;
    UINT CodePage;
};

// The character sets of the font dialogs and the code page each stands for.
constexpr std::array<CharsetCodePage, 18> CharsetTable{{
    {0, 1252}, // ANSI
    {2, CP_SYMBOL},
    {77, 10000}, // Macintosh
    {128, 932},  // Shift JIS
    {129, 949},  // Hangul
    {130, 1361}, // Johab
    {134, 936},  // GB 2312
    {136, 950},  // Big5
    {161, 1253}, // Greek
    {162, 1254}, // Turkish
    {163, 1258}, // Vietnamese
    {177, 1255}, // Hebrew
    {178, 1256}, // Arabic
    {186, 1257}, // Baltic
    {204, 1251}, // Russian
    {222, 874},  // Thai
    {238, 1250}, // Central European
    {255, 866},  // OEM, as on a Russian system
}};

constexpr UINT ProgramCodePage = 1251;
constexpr UINT OemCodePage = 866;
constexpr char16_t Unknown = u'\xFFFD';

std::string IconvName(UINT CodePage)
{
    switch (CodePage) {
    case 936:
        return "GBK";
    case 950:
        return "BIG5";
    case 1361:
        return "JOHAB";
    case 10000:
        return "MACINTOSH";
    default:
        return "CP" + std::to_string(CodePage);
    }
}

// Symbol fonts keep their bytes in the private use area, as the system's symbol code page does.
std::u16string FromSymbol(std::string_view Bytes)
{
    std::u16string Out;
    for (const char B : Bytes) {
        const auto Code = static_cast<unsigned char>(B);
        Out.push_back(static_cast<char16_t>(Code < 0x20 ? Code : 0xF000 + Code));
    }
    return Out;
}

// Step by step, so that a byte the code page lacks costs one U+FFFD, not the rest of the text.
std::u16string FromIconv(UINT CodePage, std::string_view Bytes)
{
    const iconv_t Cd = iconv_open("UTF-16LE", IconvName(CodePage).c_str());
    if (Cd == reinterpret_cast<iconv_t>(-1)) return std::u16string(Bytes.size(), Unknown);
    std::u16string Out;
    std::string In(Bytes);
    char *InPtr = In.data();
    std::size_t InLeft = In.size();
    while (InLeft > 0) {
        std::array<char16_t, 256> Chunk{};
        char *OutPtr = reinterpret_cast<char *>(Chunk.data());
        std::size_t OutLeft = sizeof(Chunk);
        const std::size_t Done = iconv(Cd, &InPtr, &InLeft, &OutPtr, &OutLeft);
        Out.append(Chunk.data(), (sizeof(Chunk) - OutLeft) / sizeof(char16_t));
        if (Done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            Out.push_back(Unknown);
            ++InPtr;
            --InLeft;
            iconv(Cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(Cd);
    return Out;
}

std::u16string Decode(UINT CodePage, std::string_view Bytes)
{
    if (CodePage == CP_ACP) CodePage = ProgramCodePage;
    if (CodePage == CP_OEMCP) CodePage = OemCodePage;
    if (CodePage == CP_SYMBOL) return FromSymbol(Bytes);
    if (CodePage == ProgramCodePage) return WideString(AnsiString(Bytes)).Std();
    return FromIconv(CodePage, Bytes);
}

} // namespace

UINT GetACP()
{
    return ProgramCodePage;
}

UINT GetOEMCP()
{
    return OemCodePage;
}

BOOL TranslateCharsetInfo(DWORD *Src, LPCHARSETINFO Cs, DWORD Flags)
{
    if (!Cs) return FALSE;
    const auto Value = static_cast<UINT>(reinterpret_cast<UINT_PTR>(Src));
    for (const CharsetCodePage &Entry : CharsetTable) {
        const bool Match = Flags == TCI_SRCCHARSET    ? Entry.Charset == Value
                           : Flags == TCI_SRCCODEPAGE ? Entry.CodePage == Value
                                                      : false;
        if (!Match) continue;
        *Cs = CHARSETINFO{Entry.Charset, Entry.CodePage};
        return TRUE;
    }
    return FALSE;
}

int MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR MultiByte, int Count, LPWSTR WideChar,
                        int WideCount)
{
    if (!MultiByte || WideCount < 0) return 0;
    const std::size_t Length =
        Count < 0 ? std::strlen(MultiByte) + 1 : static_cast<std::size_t>(Count);
    const std::u16string Wide = Decode(CodePage, std::string_view(MultiByte, Length));
    const int Needed = static_cast<int>(Wide.size());
    if (WideCount == 0) return Needed;
    if (!WideChar || WideCount < Needed) return 0;
    std::copy(Wide.begin(), Wide.end(), WideChar);
    return Needed;
}
