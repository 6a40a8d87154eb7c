// The system report. Results go to the SystemBlock; the processor clock is measured by
// counting time-stamp ticks over at least 100 ms of the millisecond timer.
#include "engine/core/system_report.h"

#include <cstdio>
#include <cstring>

#include "engine/core/number_routines.h"
#include "engine/core/system_block.h"
#include "engine/core/text_log.h"
#include "platform/kernel.h"

namespace {

constexpr DWORD kMmxBit = 1u << 23;
constexpr DWORD kSseBit = 1u << 25;
constexpr DWORD kSse2Bit = 1u << 26;
constexpr DWORD kTimeStampCounterBit = 1u << 4;
// The DirectX version the report records: 7.0.
constexpr std::int32_t kDirectXVersion7 = 0x70000;
// The processor clock is counted over this many milliseconds (the factors below scale
// that count to MHz and to ticks per second).
constexpr DWORD kClockMeasureMs = 100;

struct ProcessorInfo {
    int level;  // 0 no identification, 1 identification only, 3 MMX, 4 + SSE, 5 + SSE2
    int has_tsc;
    char vendor[13];
    char brand[49];
};

ProcessorInfo ReadProcessor() {
    ProcessorInfo info{};
    if (!IsCpuIdAvailable()) return info;
    DWORD r[4];
    CpuId(0, r);
    std::memcpy(info.vendor, &r[1], 4);
    std::memcpy(info.vendor + 4, &r[3], 4);
    std::memcpy(info.vendor + 8, &r[2], 4);
    CpuId(1, r);
    const DWORD features = r[3];
    info.has_tsc = (features & kTimeStampCounterBit) ? 1 : 0;
    CpuId(0x80000000u, r);
    if (r[0] >= 0x80000004u) {
        for (DWORD leaf = 0; leaf < 3; ++leaf) {
            CpuId(0x80000002u + leaf, r);
            std::memcpy(info.brand + leaf * 16, r, 16);
        }
    }
    info.level = 1;
    if (features & kMmxBit) {
        info.level = 3;
        if (features & kSseBit) {
            info.level = 4;
            if (features & kSse2Bit) info.level = 5;
        }
    }
    return info;
}

}  // namespace

void DescribeOsVersion(const OSVERSIONINFOA& info, char* name, int name_size, int* code) {
    const char* suffix = "";
    *code = 0;
    switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32s: suffix = "3.1"; break;
        case VER_PLATFORM_WIN32_WINDOWS:
            if (info.dwMinorVersion == 0) {
                suffix = info.szCSDVersion[0] == 'C' ? "95OSR2" : "95";
                *code = kOsCode95;
            } else if (info.dwMinorVersion == 10) {
                suffix = info.szCSDVersion[0] == 'A' ? "98SE" : "98";
                *code = kOsCode98;
            } else if (info.dwMinorVersion == 90) {
                suffix = "Me";
                *code = kOsCodeMe;
            }
            break;
        case VER_PLATFORM_WIN32_NT:
            if (info.dwMajorVersion == 3) {
                suffix = "NT 3.51";
                *code = kOsCodeNt351;
            } else if (info.dwMajorVersion == 4) {
                suffix = "4.0";
                *code = kOsCodeNt4;
            } else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) {
                suffix = "2000";
                *code = kOsCode2000;
            } else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) {
                suffix = "XP";
                *code = kOsCodeXp;
            } else if (info.dwMajorVersion == 6) {
                suffix = "Vista";
                *code = kOsCodeVista;
            }
            break;
        default: break;
    }
    std::snprintf(name, static_cast<std::size_t>(name_size), "Windows%s", suffix);
}

int CheckMmxSupport() {
    if (!IsCpuIdAvailable()) return 0;
    DWORD r[4];
    CpuId(1, r);
    return (r[3] & kMmxBit) ? 1 : 0;
}

int LogSystemInformation() {
    SystemBlock* block = GetSystemBlock();
    WriteLogText("システムの情報を出力します\n");
    IncreaseLogIndent();

    char line[1024];
    std::snprintf(line, sizeof line, "Vomur Ver%s\n", kEngineVersionText);
    WriteLogText(line);

    WriteLogText("ＯＳ  ");
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    char name[32];
    DescribeOsVersion(version, name, sizeof name, &block->os_code);
    std::snprintf(block->os_text, sizeof block->os_text, "%s ( Build %d %.127s )", name,
                  static_cast<int>(version.dwBuildNumber), version.szCSDVersion);
    WriteLogFormat("%s", block->os_text);

    block->directx_version = kDirectXVersion7;

    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR && !block->timer_period_begun) {
        timeBeginPeriod(caps.wPeriodMin);
        block->timer_period_begun = 1;
    }

    const ProcessorInfo cpu = ReadProcessor();
    block->has_time_stamp_counter = cpu.has_tsc;
    block->cpu_clock = 0;
    if (cpu.has_tsc) {
        const ULONGLONG first = ReadTimeStampCounter();
        const DWORD start = timeGetTime();
        while (timeGetTime() - start < kClockMeasureMs) Sleep(1);
        const ULONGLONG ticks = ReadTimeStampCounter() - first;
        block->cpu_speed_mhz = DoubleToInt(static_cast<double>(ticks) * 0.00001);
        block->cpu_clock = ticks * (1000 / kClockMeasureMs);
        WriteLogFormat("ＣＰＵ動作速度：大体%.2fGHz", block->cpu_speed_mhz * 0.001);
    }

    block->mmx = block->sse = block->sse2 = 0;
    switch (cpu.level) {
        case 0: WriteLogText("ＣＰＵＩＤ命令は使えません\n"); break;
        case 1: WriteLogText("ＭＭＸは使えません\n"); break;
        default:
            WriteLogText("ＭＭＸ命令を使用します\n");
            block->mmx = 1;
            if (cpu.level >= 4) {
                WriteLogText("ＳＳＥ命令が使用可能です\n");
                block->sse = 1;
            }
            if (cpu.level >= 5) {
                WriteLogText("ＳＳＥ２命令が使用可能です\n");
                block->sse2 = 1;
            }
            break;
    }
    if (cpu.level != 0) {
        WriteLogText("ＣＰＵベンダ：");
        WriteLogText(cpu.vendor);
        WriteLogText("\n");
        if (cpu.brand[0] != '\0') {
            WriteLogFormat("ＣＰＵ名：%s", cpu.brand);
            std::memcpy(block->cpu_name, cpu.brand, sizeof cpu.brand);
        }
    }
    DecreaseLogIndent();
    return 0;
}
