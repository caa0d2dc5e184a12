#pragma once

#include <clocale>
#include <cstdlib>

// Every test program runs under a Russian locale, which no routine of ours may read, and
// headless Qt at 96 dpi unless the caller chose a display.
inline void SetTestEnvironment()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    setenv("LANG", "ru_RU.UTF-8", 1);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    std::setlocale(LC_ALL, "");
}
