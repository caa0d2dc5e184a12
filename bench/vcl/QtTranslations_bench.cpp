// What loading Qt's Russian translations adds to the program's start: the catalogue read
// and installed into the application, as the application does once at start.

#include "platform/vcl/Forms.h"

#include "bench/support/Timings.h"

#include <QApplication>
#include <QTranslator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace
{

void LoadQtTranslations(benchmark::State &State)
{
    for (auto _ : State) {
        std::unique_ptr<QTranslator> translations = vcl::QtTranslations();
        if (!translations) {
            State.SkipWithError("Qt's Russian translations are not installed");
            return;
        }
        QCoreApplication::installTranslator(translations.get());
        QCoreApplication::removeTranslator(translations.get());
    }
}

BENCHMARK(LoadQtTranslations)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication App(argc, argv);
    const bench::Timings T = bench::RunAll(argc, argv);
    const auto found = T.find("LoadQtTranslations");
    if (found != T.end())
        std::printf("\nQt's Russian translations add %.2f ms to the start (real time)\n",
                    found->second.RealSeconds * 1000);
    return 0;
}
