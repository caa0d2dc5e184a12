// Speed of the Win32 layer against the same work done straight with Qt,
// printed as ratios at the end (ours / Qt: above 1 means ours is slower).

#include "platform/win/MessageQueue.h"
#include "platform/win/WinGdi.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include "bench/support/Timings.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace
{

constexpr int Batch = 1000;
constexpr int Side = 256;

LRESULT CALLBACK Count(HWND, UINT Msg, WPARAM, LPARAM)
{
    static volatile long Seen = 0;
    if (Msg == WM_USER) Seen = Seen + 1;
    return 0;
}

HWND Target()
{
    static HWND W = [] {
        WNDCLASSW C{};
        C.lpfnWndProc = Count;
        C.lpszClassName = u"QrvBench";
        RegisterClassW(&C);
        return CreateWindowExW(0, u"QrvBench", u"", WS_POPUP, 0, 0, 10, 10, HWND_MESSAGE, {}, {},
                               nullptr);
    }();
    return W;
}

void Messages_Ours(benchmark::State &State)
{
    const HWND W = Target();
    for (auto _ : State) {
        for (int I = 0; I < Batch; ++I)
            PostMessageW(W, WM_USER, I, 0);
        MSG M;
        while (PeekMessageW(&M, {}, 0, 0, PM_REMOVE))
            DispatchMessageW(&M);
    }
    State.SetItemsProcessed(State.iterations() * Batch);
}

class Sink : public QObject
{
public:
    bool event(QEvent *E) override
    {
        if (E->type() == QEvent::User) ++Seen;
        return true;
    }
    long Seen = 0;
};

void Messages_Qt(benchmark::State &State)
{
    Sink S;
    for (auto _ : State) {
        for (int I = 0; I < Batch; ++I)
            QCoreApplication::postEvent(&S, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents(&S, QEvent::User);
    }
    State.SetItemsProcessed(State.iterations() * Batch);
}

struct Surface {
    Surface() : Dc(CreateCompatibleDC({})), Bitmap(CreateBitmap(Side, Side, 1, 32, nullptr))
    {
        SelectObject(Dc, Bitmap);
    }
    ~Surface()
    {
        DeleteDC(Dc);
        DeleteObject(Bitmap);
    }
    HDC Dc;
    HBITMAP Bitmap;
};

const char16_t Line[] = u"Ключ 12345 QRV-4 заготовка";
constexpr int LineLength = 26;

void TextOut_Ours(benchmark::State &State)
{
    Surface S;
    const HFONT F =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"DejaVu Sans");
    SelectObject(S.Dc, F);
    SetBkMode(S.Dc, TRANSPARENT);
    for (auto _ : State)
        ExtTextOutW(S.Dc, 4, 100, 0, nullptr, Line, LineLength, nullptr);
    DeleteObject(F);
}

void TextOut_Qt(benchmark::State &State)
{
    QImage Image(Side, Side, QImage::Format_RGB32);
    QFont F(QStringLiteral("DejaVu Sans"));
    F.setPixelSize(13);
    F.setStyleStrategy(QFont::NoAntialias);
    const QString Text = QString::fromUtf16(Line, LineLength);
    for (auto _ : State) {
        QPainter P(&Image);
        P.setFont(F);
        P.drawText(4, 113, Text);
    }
}

void BitBlt_Ours(benchmark::State &State)
{
    Surface Src, Dest;
    for (auto _ : State)
        BitBlt(Dest.Dc, 0, 0, Side, Side, Src.Dc, 0, 0, SRCCOPY);
    State.SetBytesProcessed(State.iterations() * Side * Side * 4);
}

void BitBlt_Qt(benchmark::State &State)
{
    QImage Src(Side, Side, QImage::Format_RGB32), Dest(Side, Side, QImage::Format_RGB32);
    Src.fill(Qt::red);
    for (auto _ : State) {
        QPainter P(&Dest);
        P.setCompositionMode(QPainter::CompositionMode_Source);
        P.drawImage(0, 0, Src);
    }
    State.SetBytesProcessed(State.iterations() * Side * Side * 4);
}

void Gradient_Ours(benchmark::State &State)
{
    Surface S;
    TRIVERTEX V[2] = {{0, 0, 0x1200, 0x3400, 0xFF00, 0}, {Side, Side, 0xFE00, 0x0100, 0, 0}};
    GRADIENT_RECT G{0, 1};
    for (auto _ : State)
        GradientFill(S.Dc, V, 2, &G, 1, GRADIENT_FILL_RECT_H);
}

void Gradient_Qt(benchmark::State &State)
{
    QImage Image(Side, Side, QImage::Format_RGB32);
    QLinearGradient L(0, 0, Side - 1, 0);
    L.setColorAt(0, QColor(0x12, 0x34, 0xFF));
    L.setColorAt(1, QColor(0xFE, 0x01, 0x00));
    for (auto _ : State) {
        QPainter P(&Image);
        P.fillRect(0, 0, Side, Side, L);
    }
}

// A 72 M-pixel picture (12000 x 6000, 24 bits, as the PNG codec hands its pixels over)
// drawn shrunk into the 256 x 256 canvas, timed against the same drawing of a 512 x 512
// picture (ratio_to_small_source: the goal is a cost of the target's area, not of the
// picture's, which is 275 times larger) and against Qt drawing the same pictures into the same
// canvas unsmoothed (ratio_to_qt; qt_ratio_to_small_source is what the picture's size costs
// Qt, as scattered reads over a large picture miss the caches).
constexpr int HugeWidth = 12000, HugeHeight = 6000, SmallSide = 512;

class PackedPicture
{
public:
    PackedPicture(int Width, int Height)
        : FBits(static_cast<std::size_t>((Width * 3 + 3) / 4 * 4) * Height)
    {
        FInfo.bmiHeader =
            BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), Width, Height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        for (std::size_t I = 0; I < FBits.size(); ++I)
            FBits[I] = static_cast<BYTE>(I * 7 / 3);
    }
    void Draw(HDC Dc) const
    {
        StretchDIBits(Dc, 0, 0, Side, Side, 0, 0, FInfo.bmiHeader.biWidth, FInfo.bmiHeader.biHeight,
                      FBits.data(), &FInfo, DIB_RGB_COLORS, SRCCOPY);
    }

private:
    BITMAPINFO FInfo{};
    std::vector<BYTE> FBits;
};

template <class Fn> double Seconds(Fn Draw)
{
    const auto Start = std::chrono::steady_clock::now();
    Draw();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

void StretchDibits_HugeToSmall(benchmark::State &State)
{
    const PackedPicture Huge(HugeWidth, HugeHeight), Small(SmallSide, SmallSide);
    QImage QtHuge(HugeWidth, HugeHeight, QImage::Format_RGB32);
    QtHuge.fill(QColor(0x12, 0x34, 0x56));
    QImage QtSmall = QtHuge.copy(0, 0, SmallSide, SmallSide);
    QImage QtTarget(Side, Side, QImage::Format_RGB32);
    const auto QtDraw = [&QtTarget](const QImage &Source) {
        QPainter P(&QtTarget);
        P.drawImage(QRect(0, 0, Side, Side), Source);
    };
    const Surface Target;
    std::vector<double> Ours, OursSmall, Qt, QtFromSmall;
    for (auto _ : State) {
        Ours.push_back(Seconds([&] { Huge.Draw(Target.Dc); }));
        OursSmall.push_back(Seconds([&] { Small.Draw(Target.Dc); }));
        Qt.push_back(Seconds([&] { QtDraw(QtHuge); }));
        QtFromSmall.push_back(Seconds([&] { QtDraw(QtSmall); }));
        State.SetIterationTime(Ours.back());
    }
    const double Median = bench::Median(Ours), QtMedian = bench::Median(Qt);
    State.counters["ours_us"] = Median * 1e6;
    State.counters["small_source_us"] = bench::Median(OursSmall) * 1e6;
    State.counters["qt_us"] = QtMedian * 1e6;
    State.counters["ratio_to_small_source"] = Median / bench::Median(OursSmall);
    State.counters["qt_ratio_to_small_source"] = QtMedian / bench::Median(QtFromSmall);
    State.counters["ratio_to_qt"] = Median / QtMedian;
}

BENCHMARK(Messages_Ours);
BENCHMARK(Messages_Qt);
BENCHMARK(TextOut_Ours);
BENCHMARK(TextOut_Qt);
BENCHMARK(BitBlt_Ours);
BENCHMARK(BitBlt_Qt);
BENCHMARK(Gradient_Ours);
BENCHMARK(Gradient_Qt);
BENCHMARK(StretchDibits_HugeToSmall)
    ->Iterations(101)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication App(argc, argv);
    bench::Timings T = bench::RunAll(argc, argv);
    std::printf("\nCPU time ratios (ours / Qt; above 1 means ours is slower):\n");
    const char *Cases[][2] = {{"Messages", "post + dispatch (1000)"},
                              {"TextOut", "ExtTextOutW, 26 characters"},
                              {"BitBlt", "BitBlt 256x256 32-bit"},
                              {"Gradient", "GradientFill 256x256"}};
    for (auto &[Key, Label] : Cases) {
        const std::string Base = Key;
        std::printf("  %-28s %6.2f\n", Label, bench::Ratio(T, Base + "_Ours", Base + "_Qt", true));
    }
    return 0;
}
