// Debug output (on standard error only when VOMUR_DEBUG_OUTPUT asks for it), the version
// record, memory status, the code page, the processor identification instruction and the
// time-stamp counter, and process exit.
#include <cpuid.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <x86intrin.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/console_text.h"
#include "platform/kernel.h"
#include "platform/platform_hooks.h"

namespace {

std::mutex g_debug_mutex;
bool g_debug_capture = false;
std::string g_debug_captured;

std::mutex g_override_mutex;
bool g_version_overridden = false;
OSVERSIONINFOA g_version_override{};
bool g_cpuid_overridden = false;
bool g_cpuid_available = true;
std::vector<platform_hooks::CpuIdLeaf> g_cpuid_leaves;
std::atomic<std::uint64_t> g_tsc_rate{3};

// The machine's text is CP932 (Shift-JIS), whatever the locale.
constexpr UINT kCp932CodePage = 932;
// The version reported to the engine: the NT line, major version 10; the build number
// carries the kernel release as major * 10000 + minor * 100 + patch.
constexpr DWORD kReportedMajorVersion = 10;

// VOMUR_DEBUG_OUTPUT set to anything but empty or "0" shows the debugger output on
// standard error.
bool DebugOutputShown() {
    const char* wanted = std::getenv("VOMUR_DEBUG_OUTPUT");
    return wanted != nullptr && wanted[0] != '\0' && std::strcmp(wanted, "0") != 0;
}

}  // namespace

namespace platform_hooks {

void SetDebugCapture(bool on) {
    std::lock_guard<std::mutex> lock(g_debug_mutex);
    g_debug_capture = on;
    g_debug_captured.clear();
}

std::string TakeDebugCapture() {
    std::lock_guard<std::mutex> lock(g_debug_mutex);
    std::string out;
    out.swap(g_debug_captured);
    return out;
}

void SetVersionOverride(const OSVERSIONINFOA* info) {
    std::lock_guard<std::mutex> lock(g_override_mutex);
    g_version_overridden = info != nullptr;
    if (info != nullptr) g_version_override = *info;
}

void SetCpuIdOverride(const CpuIdLeaf* leaves, int count, bool available) {
    std::lock_guard<std::mutex> lock(g_override_mutex);
    g_cpuid_overridden = leaves != nullptr || !available;
    g_cpuid_available = available;
    g_cpuid_leaves.assign(leaves, leaves + (leaves != nullptr ? count : 0));
}

void SetManualTimeStampRate(std::uint64_t counts_per_ns) { g_tsc_rate.store(counts_per_ns); }

}  // namespace platform_hooks

void OutputDebugStringA(const char* text) {
    if (text == nullptr) return;
    std::lock_guard<std::mutex> lock(g_debug_mutex);
    if (g_debug_capture) {
        g_debug_captured += text;
        return;
    }
    // Seen only by an attached debugger on the original system: on the terminal only when asked.
    if (!DebugOutputShown()) return;
    WriteConsoleText(STDERR_FILENO, text, std::strlen(text));
}

// An NT-family record with a version the engine's table does not know, so no
// workaround for an old system is switched on; the service text names the kernel.
BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (info == nullptr) return FALSE;
    {
        std::lock_guard<std::mutex> lock(g_override_mutex);
        if (g_version_overridden) {
            *info = g_version_override;
            return TRUE;
        }
    }
    const DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = size;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = kReportedMajorVersion;
    info->dwMinorVersion = 0;
    utsname name{};
    if (uname(&name) == 0) {
        unsigned major = 0, minor = 0, patch = 0;
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &patch);
        info->dwBuildNumber = major * 10000 + minor * 100 + patch;
        std::snprintf(info->szCSDVersion, sizeof info->szCSDVersion, "%.60s %.60s", name.sysname, name.release);
    }
    return TRUE;
}

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
    if (status == nullptr) return FALSE;
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return FALSE;
    const ULONGLONG unit = info.mem_unit;
    status->ullTotalPhys = static_cast<ULONGLONG>(info.totalram) * unit;
    status->ullAvailPhys = static_cast<ULONGLONG>(info.freeram + info.bufferram) * unit;
    status->ullTotalPageFile = static_cast<ULONGLONG>(info.totalswap) * unit + status->ullTotalPhys;
    status->ullAvailPageFile = static_cast<ULONGLONG>(info.freeswap) * unit + status->ullAvailPhys;
    status->ullTotalVirtual = 1ull << 47;
    status->ullAvailVirtual = 1ull << 47;
    status->dwMemoryLoad =
        status->ullTotalPhys ? static_cast<DWORD>(100 - status->ullAvailPhys * 100 / status->ullTotalPhys) : 0;
    return TRUE;
}

UINT GetOEMCP() { return kCp932CodePage; }

BOOL IsCpuIdAvailable() {
    std::lock_guard<std::mutex> lock(g_override_mutex);
    return g_cpuid_overridden ? (g_cpuid_available ? TRUE : FALSE) : TRUE;
}

void CpuId(DWORD leaf, DWORD registers[4]) {
    {
        std::lock_guard<std::mutex> lock(g_override_mutex);
        if (g_cpuid_overridden) {
            registers[0] = registers[1] = registers[2] = registers[3] = 0;
            for (const auto& entry : g_cpuid_leaves) {
                if (entry.leaf == leaf) std::memcpy(registers, entry.registers, sizeof entry.registers);
            }
            return;
        }
    }
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    registers[0] = a;
    registers[1] = b;
    registers[2] = c;
    registers[3] = d;
}

ULONGLONG ReadTimeStampCounter() {
    if (platform_hooks::IsManualClock()) return platform_hooks::ManualClockNanoseconds() * g_tsc_rate.load();
    return __rdtsc();
}

void ExitProcess(UINT exit_code) {
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exit_code & 0xFFu));
}
