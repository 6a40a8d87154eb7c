// Test hooks: stand-in answers for the version record and the processor
// identification instruction, restored when the object goes away.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/platform_hooks.h"

class FakeVersion {
public:
    FakeVersion(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* service);
    ~FakeVersion();
};

class FakeCpu {
public:
    // `available` false: the identification instruction is missing.
    FakeCpu(std::initializer_list<platform_hooks::CpuIdLeaf> leaves, bool available = true);
    ~FakeCpu();

private:
    std::vector<platform_hooks::CpuIdLeaf> leaves_;
};
