// Decoding and encoding the program's kind of pictures (small icons) and one
// large photo-like picture, with our codec and with Qt's PNG reader and writer,
// in every colour type. The ratios are printed after the table.
//
// Decode_Suite decodes sixty small files shaped like the public PNG test suite's
// valid ones, every colour type and bit depth at 32 x 32 and 15 odd sizes from 1 to
// 40, plain and Adam7, each with a gAMA chunk of one of the suite's values. Ours and
// Qt's reader take turns on each file; ours_ms and qt_ms are the sums of the per-file
// medians, ratio is ours_ms / qt_ms (goal: at most 1.0).

#include "bench/support/Timings.h"
#include "controls/pngimage.h"
#include "tests/controls/PngFixtures.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace
{

struct Sample {
    const char *Name;
    QImage::Format Format;
    int Width;
    int Height;
};

const Sample Samples[] = {{"Icon_RGBA", QImage::Format_ARGB32, 24, 24},
                          {"Icon_Palette", QImage::Format_Indexed8, 16, 16},
                          {"Photo_RGB", QImage::Format_RGB888, 1024, 768},
                          {"Photo_RGBA", QImage::Format_ARGB32, 1024, 768},
                          {"Photo_Gray", QImage::Format_Grayscale8, 1024, 768},
                          {"Photo_Gray16", QImage::Format_Grayscale16, 1024, 768},
                          {"Photo_Palette", QImage::Format_Indexed8, 1024, 768}};

// Smooth shading with a little noise: compresses like a photograph, not like noise.
QImage PhotoLike(const Sample &S)
{
    std::mt19937 Random(7);
    QImage Image(S.Width, S.Height, QImage::Format_ARGB32);
    for (int Y = 0; Y < S.Height; ++Y)
        for (int X = 0; X < S.Width; ++X) {
            const int Noise = static_cast<int>(Random() % 9) - 4;
            const int R =
                std::clamp(static_cast<int>(128 + 100 * std::sin(X / 40.0)) + Noise, 0, 255);
            const int G =
                std::clamp(static_cast<int>(128 + 100 * std::cos(Y / 30.0)) + Noise, 0, 255);
            const int B = std::clamp((X + Y) / 8 % 256 + Noise, 0, 255);
            const int A = std::clamp(200 + Noise * 10 + (X * 55 / S.Width), 0, 255);
            Image.setPixel(X, Y, qRgba(R, G, B, A));
        }
    if (S.Format == QImage::Format_Indexed8)
        return Image.convertToFormat(S.Format, Qt::ThresholdDither);
    return Image.convertToFormat(S.Format);
}

QByteArray QtPng(const QImage &Image, int Quality)
{
    QByteArray Data;
    QBuffer Buffer(&Data);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG", Quality);
    return Data;
}

// Qt's quality 25 is zlib level 7, the codec's default.
constexpr int QtQualityLevel7 = 25;

void DecodeOurs(benchmark::State &State, const Sample &S)
{
    const QByteArray File = QtPng(PhotoLike(S), QtQualityLevel7);
    const pngtest::Bytes Bytes(File.begin(), File.end());
    for (auto _ : State)
        benchmark::DoNotOptimize(pngtest::Load(Bytes));
}

void DecodeQt(benchmark::State &State, const Sample &S)
{
    const QByteArray File = QtPng(PhotoLike(S), QtQualityLevel7);
    for (auto _ : State) {
        QImage Image;
        Image.loadFromData(File, "PNG");
        benchmark::DoNotOptimize(Image);
    }
}

void EncodeOurs(benchmark::State &State, const Sample &S)
{
    const QByteArray File = QtPng(PhotoLike(S), QtQualityLevel7);
    auto Image = pngtest::Load(pngtest::Bytes(File.begin(), File.end()));
    for (auto _ : State)
        benchmark::DoNotOptimize(pngtest::Save(*Image));
}

void EncodeQt(benchmark::State &State, const Sample &S)
{
    const QImage Image = PhotoLike(S);
    for (auto _ : State)
        benchmark::DoNotOptimize(QtPng(Image, QtQualityLevel7));
}

// ---- The suite-like set ------------------------------------------------------------

struct SuiteFile {
    std::string Name;
    pngtest::Bytes Bytes;
    QByteArray Data;
};

pngtest::Bytes BigEndian(std::uint32_t Value)
{
    return {static_cast<std::uint8_t>(Value >> 24), static_cast<std::uint8_t>(Value >> 16),
            static_cast<std::uint8_t>(Value >> 8), static_cast<std::uint8_t>(Value)};
}

// Gradients across the picture, as the suite's basic files hold, and a colour ramp
// for a palette.
pngtest::Picture SuitePicture(int ColorType, int BitDepth, int Size, bool Interlaced,
                              std::uint32_t Gamma)
{
    pngtest::Picture P;
    P.Width = P.Height = Size;
    P.ColorType = ColorType;
    P.BitDepth = BitDepth;
    P.Interlaced = Interlaced;
    const int Max = (1 << BitDepth) - 1;
    const int Channels = P.Channels();
    for (int Y = 0; Y < Size; ++Y)
        for (int X = 0; X < Size; ++X)
            for (int C = 0; C < Channels; ++C) {
                const int Step = C % 2 ? Y : X;
                P.Samples.push_back(
                    static_cast<std::uint16_t>(static_cast<long long>(Step + C * 7) * Max /
                                               std::max(Size - 1, 1) % (Max + 1)));
            }
    if (ColorType == COLOR_PALETTE)
        for (int I = 0; I <= Max; ++I)
            P.Palette.insert(P.Palette.end(), {static_cast<std::uint8_t>(I * 255 / Max),
                                               static_cast<std::uint8_t>(255 - I * 255 / Max),
                                               static_cast<std::uint8_t>(I * 97 % 256)});
    P.BeforeData.push_back({"gAMA", BigEndian(Gamma)});
    return P;
}

std::vector<SuiteFile> SuiteFiles()
{
    struct Kind {
        int ColorType, BitDepth;
    };
    const Kind Kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                          {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    const int OddSizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 32, 33, 34, 35, 36, 40};
    const std::uint32_t Gammas[] = {35000, 45000, 55000, 70000, 100000, 250000};
    std::vector<SuiteFile> Files;
    // Named as the suite names its files: what they test, then n or i, the colour type and depth.
    const auto Add = [&Files](const char *Test, bool Interlaced, const pngtest::Picture &P) {
        char Name[32];
        std::snprintf(Name, sizeof Name, "%s%c%dd%02d", Test, Interlaced ? 'i' : 'n', P.ColorType,
                      P.BitDepth);
        pngtest::Bytes Bytes = pngtest::Encode(P);
        QByteArray Data(reinterpret_cast<const char *>(Bytes.data()),
                        static_cast<qsizetype>(Bytes.size()));
        Files.push_back({Name, std::move(Bytes), std::move(Data)});
    };
    for (bool Interlaced : {false, true}) {
        for (const Kind &K : Kinds)
            Add("bas", Interlaced, SuitePicture(K.ColorType, K.BitDepth, 32, Interlaced, 100000));
        int Index = 0;
        for (int Size : OddSizes) {
            char Test[8];
            std::snprintf(Test, sizeof Test, "s%02d", Size);
            Add(Test, Interlaced,
                SuitePicture(COLOR_PALETTE, 4, Size, Interlaced, Gammas[Index++ % 6]));
        }
    }
    return Files;
}

using Clock = std::chrono::steady_clock;

template <class F> double Microseconds(F Decode)
{
    const Clock::time_point Start = Clock::now();
    Decode();
    return std::chrono::duration<double, std::micro>(Clock::now() - Start).count();
}

void DecodeSuite(benchmark::State &State)
{
    const std::vector<SuiteFile> Files = SuiteFiles();
    for (const SuiteFile &F : Files)
        if (!QImage().loadFromData(F.Data, "PNG")) {
            State.SkipWithError(("Qt's reader refused " + F.Name).c_str());
            return;
        }
    std::vector<std::vector<double>> Ours(Files.size()), Qt(Files.size());
    for (auto _ : State) {
        double Total = 0;
        for (std::size_t I = 0; I < Files.size(); ++I) {
            const double Mine =
                Microseconds([&] { benchmark::DoNotOptimize(pngtest::Load(Files[I].Bytes)); });
            const double Theirs = Microseconds([&] {
                QImage Image;
                benchmark::DoNotOptimize(Image.loadFromData(Files[I].Data, "PNG"));
            });
            Ours[I].push_back(Mine);
            Qt[I].push_back(Theirs);
            Total += Mine;
        }
        State.SetIterationTime(Total / 1e6);
    }
    double OursMs = 0, QtMs = 0;
    for (std::size_t I = 0; I < Files.size(); ++I) {
        OursMs += bench::Median(Ours[I]) / 1000;
        QtMs += bench::Median(Qt[I]) / 1000;
    }
    State.counters["files"] = static_cast<double>(Files.size());
    State.counters["ours_ms"] = OursMs;
    State.counters["qt_ms"] = QtMs;
    State.counters["ratio"] = OursMs / QtMs;
}

void RegisterAll()
{
    benchmark::RegisterBenchmark("Decode_Suite", DecodeSuite)
        ->Iterations(1001)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    for (const Sample &S : Samples) {
        const std::string Name = S.Name;
        benchmark::RegisterBenchmark(("Decode_" + Name + "_Ours").c_str(), DecodeOurs, S);
        benchmark::RegisterBenchmark(("Decode_" + Name + "_Qt").c_str(), DecodeQt, S);
        benchmark::RegisterBenchmark(("Encode_" + Name + "_Ours").c_str(), EncodeOurs, S);
        benchmark::RegisterBenchmark(("Encode_" + Name + "_Qt").c_str(), EncodeQt, S);
    }
}

} // namespace

int main(int argc, char **argv)
{
    RegisterAll();
    bench::Timings T = bench::RunAll(argc, argv);
    std::printf("\nQt / ours by CPU time (decoding: 1.0 or more means ours is at least as fast;\n"
                "encoding: ours / Qt, the goal is 1.5 or less):\n");
    for (const Sample &S : Samples) {
        const std::string Name = S.Name;
        const double Decode =
            bench::Ratio(T, "Decode_" + Name + "_Ours", "Decode_" + Name + "_Qt", true);
        const double Encode =
            bench::Ratio(T, "Encode_" + Name + "_Ours", "Encode_" + Name + "_Qt", true);
        std::printf("  %-16s decode %6.2f   encode %6.2f\n", S.Name, Decode > 0 ? 1 / Decode : 0,
                    Encode);
    }
    return 0;
}
