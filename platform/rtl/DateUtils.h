#pragma once

// Parts of a TDateTime and month lengths.

#include "platform/rtl/System.h"

int YearOf(TDateTime Value);
int MonthOf(TDateTime Value);
int DayOf(TDateTime Value);
int HourOf(TDateTime Value);
int MinuteOf(TDateTime Value);
int SecondOf(TDateTime Value);

// Month 1 is January; a month outside 1..12 raises EConvertError.
int DaysInAMonth(int Year, int Month);
int DaysInMonth(TDateTime Value);
