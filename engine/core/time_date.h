// The microsecond clock and date records. A date record is six ints: year, month
// (1-12), day, hour, minute, second, in local time.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"

// allow_cpu_clock 1: the time-stamp counter may be used (when the engine is up and the
// processor's clock is known).
std::int64_t GetMicrosecondCount(int allow_cpu_clock);
int GetLocalDateFields(int date[6]);
void FileTimeToDateFields(const FILETIME* time, int date[6]);
