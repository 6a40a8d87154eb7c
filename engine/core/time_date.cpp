// The microsecond clock with its three sources (time-stamp counter, millisecond timer,
// high-resolution counter) and the date conversions. Scaling to microseconds goes
// through 128-bit arithmetic so it never overflows.
#include "engine/core/time_date.h"

#include "engine/core/number_routines.h"
#include "engine/core/system_block.h"
#include "platform/kernel.h"

namespace {

std::int64_t ScaleToMicroseconds(std::uint64_t count, std::uint64_t per_second) {
    const std::uint64_t million = 1000000;
    std::uint32_t product[4];
    MultiplyU64(&count, &million, product);
    std::uint64_t quotient = 0;
    DivideU128ByU64(product, &per_second, &quotient);
    return static_cast<std::int64_t>(quotient);
}

}  // namespace

std::int64_t GetMicrosecondCount(int allow_cpu_clock) {
    const SystemBlock* block = GetSystemBlock();
    // A clock rate of 0 (unknown) falls through to the next source.
    if (allow_cpu_clock == 1 && block->has_time_stamp_counter && block->initialised && block->cpu_clock != 0) {
        return ScaleToMicroseconds(ReadTimeStampCounter(), block->cpu_clock);
    }
    if (!block->use_performance_counter || block->performance_frequency <= 0) {
        return static_cast<std::int64_t>(timeGetTime()) * 1000;
    }
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    return ScaleToMicroseconds(static_cast<std::uint64_t>(count.QuadPart),
                               static_cast<std::uint64_t>(block->performance_frequency));
}

int GetLocalDateFields(int date[6]) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    date[0] = now.wYear;
    date[1] = now.wMonth;
    date[2] = now.wDay;
    date[3] = now.wHour;
    date[4] = now.wMinute;
    date[5] = now.wSecond;
    return 0;
}

void FileTimeToDateFields(const FILETIME* time, int date[6]) {
    FILETIME local{};
    SYSTEMTIME fields{};
    FileTimeToLocalFileTime(time, &local);
    FileTimeToSystemTime(&local, &fields);
    date[0] = fields.wYear;
    date[1] = fields.wMonth;
    date[2] = fields.wDay;
    date[3] = fields.wHour;
    date[4] = fields.wMinute;
    date[5] = fields.wSecond;
}
