// The system report: its log lines with a stand-in version record and processor, the
// processor clock it measures, and the operating-system table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/core/system_block.h"
#include "engine/core/system_report.h"
#include "platform/kernel.h"
#include "platform/testing/fake_system.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

DWORD Word(const char* four) {
    DWORD w;
    std::memcpy(&w, four, 4);
    return w;
}

platform_hooks::CpuIdLeaf BrandLeaf(DWORD leaf, const char* sixteen) {
    platform_hooks::CpuIdLeaf entry{leaf, {}};
    std::memcpy(entry.registers, sixteen, 16);
    return entry;
}

TEST(SystemReport, LogsVersionSystemClockAndFeatures) {
    ScopedTempDir dir;
    ManualClock clock;
    const DWORD features = (1u << 4) | (1u << 23) | (1u << 25) | (1u << 26);
    FakeCpu cpu({
        {0, {1, Word("Test"), Word("orXY"), Word("Vend")}},
        {1, {0, 0, 0, features}},
        {0x80000000u, {0x80000004u, 0, 0, 0}},
        BrandLeaf(0x80000002u, "Model 3000 Proce"),
        BrandLeaf(0x80000003u, "ssor\0\0\0\0\0\0\0\0\0\0\0\0"),
        BrandLeaf(0x80000004u, "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"),
    });
    FakeVersion version(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, "C");
    StartTestLog();
    ASSERT_EQ(LogSystemInformation(), 0);
    EXPECT_EQ(ReadTestLog(),
              "0:システムの情報を出力します\r\n"
              "0:\tVomur Ver2.25b\r\n"
              "0:\tＯＳ  Windows95OSR2 ( Build 950 C )\r\n"
              "100:\tＣＰＵ動作速度：大体3.00GHz\r\n"
              "100:\tＭＭＸ命令を使用します\r\n"
              "100:\tＳＳＥ命令が使用可能です\r\n"
              "100:\tＳＳＥ２命令が使用可能です\r\n"
              "100:\tＣＰＵベンダ：TestVendorXY\r\n"
              "100:\tＣＰＵ名：Model 3000 Processor\r\n");
    const SystemBlock* block = GetSystemBlock();
    EXPECT_EQ(block->os_code, 1);
    EXPECT_EQ(block->directx_version, 0x70000);
    EXPECT_EQ(block->cpu_speed_mhz, 3000);
    EXPECT_EQ(block->cpu_clock, 3000000000ull);  // 3 time-stamp counts per manual nanosecond
    EXPECT_EQ(block->mmx + block->sse + block->sse2, 3);
    EXPECT_STREQ(block->cpu_name, "Model 3000 Processor");
}

TEST(SystemReport, NoIdentificationInstructionMeansNoClockAndNoVendor) {
    ScopedTempDir dir;
    ManualClock clock;
    FakeCpu cpu({}, false);
    FakeVersion version(VER_PLATFORM_WIN32_NT, 10, 0, 60101, "Linux 6.1.0");
    StartTestLog();
    LogSystemInformation();
    EXPECT_EQ(ReadTestLog(),
              "0:システムの情報を出力します\r\n"
              "0:\tVomur Ver2.25b\r\n"
              "0:\tＯＳ  Windows ( Build 60101 Linux 6.1.0 )\r\n"
              "0:\tＣＰＵＩＤ命令は使えません\r\n");
    EXPECT_EQ(GetSystemBlock()->cpu_clock, 0u);
    EXPECT_EQ(GetSystemBlock()->os_code, 0);
    EXPECT_EQ(CheckMmxSupport(), 0);
}

TEST(SystemReport, OperatingSystemTable) {
    struct Case {
        DWORD platform, major, minor;
        const char* service;
        const char* name;
        int code;
    };
    const Case cases[] = {
        {0, 3, 10, "", "Windows3.1", 0},
        {1, 4, 0, "", "Windows95", 1},
        {1, 4, 0, "C", "Windows95OSR2", 1},
        {1, 4, 10, "", "Windows98", 2},
        {1, 4, 10, "A", "Windows98SE", 2},
        {1, 4, 90, "", "WindowsMe", 3},
        {1, 4, 50, "", "Windows", 0},
        {2, 3, 51, "", "WindowsNT 3.51", 0x104},
        {2, 4, 0, "", "Windows4.0", 0x105},
        {2, 5, 0, "", "Windows2000", 0x106},
        {2, 5, 1, "", "WindowsXP", 0x107},
        {2, 5, 2, "", "Windows", 0},
        {2, 6, 0, "", "WindowsVista", 0x108},
        {2, 10, 0, "", "Windows", 0},
    };
    for (const Case& c : cases) {
        OSVERSIONINFOA info{};
        info.dwPlatformId = c.platform;
        info.dwMajorVersion = c.major;
        info.dwMinorVersion = c.minor;
        std::strcpy(info.szCSDVersion, c.service);
        char name[32];
        int code = -1;
        DescribeOsVersion(info, name, sizeof name, &code);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(code, c.code) << c.name;
    }
}

TEST(SystemReport, MachineDefaultsAreAnUnknownVersion) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    char name[32];
    int code = -1;
    DescribeOsVersion(info, name, sizeof name, &code);
    EXPECT_EQ(code, 0);
}

}  // namespace
