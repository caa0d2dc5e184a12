// Decoding and encoding the program's kind of pictures (small icons) and one
// large photo-like picture, with our codec and with Qt's PNG reader and writer,
// in every colour type. The ratios are printed after the table.

#include "bench/support/Timings.h"
#include "controls/pngimage.h"
#include "tests/controls/PngFixtures.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <random>

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

void RegisterAll()
{
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
