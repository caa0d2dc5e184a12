// Metafiles in memory: text drawn on a metafile DC comes back from the
// enumeration as text records, in order, with the bounds it covers.

#include "platform/win/Metafile.h"
#include "tests/win/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct Text {
    std::u16string String;
    RECTL Bounds;
};

struct Enumerated {
    std::vector<DWORD> Types;
    std::vector<Text> Texts;
    int StopAfter = -1;
};

int Collect(HDC, HANDLETABLE *, const ENHMETARECORD *Record, int, LPARAM Data)
{
    auto *Out = reinterpret_cast<Enumerated *>(Data);
    Out->Types.push_back(Record->iType);
    if (Record->iType == EMR_EXTTEXTOUTW) {
        const auto *T = reinterpret_cast<const EMREXTTEXTOUTW *>(Record);
        const auto *Chars = reinterpret_cast<const char16_t *>(
            reinterpret_cast<const unsigned char *>(Record) + T->emrtext.offString);
        Out->Texts.push_back(Text{std::u16string(Chars, T->emrtext.nChars), T->rclBounds});
    }
    return static_cast<int>(Out->Types.size()) != Out->StopAfter;
}

TEST(Metafile, TextIsRecordedInOrderWithTheBoundsItCovers)
{
    const RECT Frame{0, 0, 21000, 29700}; // A4 in hundredths of a millimetre
    const HDC Dc = CreateEnhMetaFileW({}, nullptr, &Frame, nullptr);
    ASSERT_TRUE(Dc);
    const HFONT Font =
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Arial");
    SelectObject(Dc, Font);
    TextOutW(Dc, 10, 20, u"70 90 81", 8);
    SIZE Size;
    GetTextExtentPoint32W(Dc, u"70 90 81", 8, &Size);
    TEXTMETRICW Metrics;
    GetTextMetricsW(Dc, &Metrics);
    SetTextAlign(Dc, TA_BASELINE | TA_RIGHT);
    TextOutW(Dc, 300, 100, u"Ключ", 4);
    const HENHMETAFILE Metafile = CloseEnhMetaFile(Dc);
    ASSERT_TRUE(Metafile);
    DeleteObject(Font);

    Enumerated All;
    EXPECT_TRUE(EnumEnhMetaFile({}, Metafile, Collect, &All, nullptr));
    EXPECT_EQ(All.Types,
              (std::vector<DWORD>{EMR_HEADER, EMR_EXTTEXTOUTW, EMR_EXTTEXTOUTW, EMR_EOF}));
    ASSERT_EQ(All.Texts.size(), 2u);
    EXPECT_EQ(All.Texts[0].String, u"70 90 81");
    EXPECT_EQ(All.Texts[0].Bounds.left, 10);
    EXPECT_EQ(All.Texts[0].Bounds.top, 20);
    EXPECT_EQ(All.Texts[0].Bounds.right, 10 + Size.cx);
    EXPECT_EQ(All.Texts[0].Bounds.bottom, 20 + Metrics.tmHeight);
    EXPECT_EQ(All.Texts[1].String, u"Ключ");
    EXPECT_EQ(All.Texts[1].Bounds.right, 300) << "right-aligned at its reference";
    EXPECT_EQ(All.Texts[1].Bounds.top, 100 - Metrics.tmAscent) << "the baseline at its reference";

    Enumerated First;
    First.StopAfter = 2;
    EXPECT_FALSE(EnumEnhMetaFile({}, Metafile, Collect, &First, nullptr))
        << "stopped by the callback";
    EXPECT_EQ(First.Types.size(), 2u);

    EXPECT_TRUE(DeleteEnhMetaFile(Metafile));
    EXPECT_FALSE(EnumEnhMetaFile({}, Metafile, Collect, &All, nullptr));
    EXPECT_FALSE(CreateEnhMetaFileW({}, u"file.emf", &Frame, nullptr)) << "no metafile files";
}

} // namespace
