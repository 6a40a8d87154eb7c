// Test hooks: the fake version record and processor.
#include "platform/testing/fake_system.h"

#include <cstdio>

FakeVersion::FakeVersion(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* service) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    std::snprintf(info.szCSDVersion, sizeof info.szCSDVersion, "%s", service);
    platform_hooks::SetVersionOverride(&info);
}

FakeVersion::~FakeVersion() { platform_hooks::SetVersionOverride(nullptr); }

FakeCpu::FakeCpu(std::initializer_list<platform_hooks::CpuIdLeaf> leaves, bool available) : leaves_(leaves) {
    platform_hooks::SetCpuIdOverride(leaves_.data(), static_cast<int>(leaves_.size()), available);
}

FakeCpu::~FakeCpu() { platform_hooks::SetCpuIdOverride(nullptr, 0, true); }
