// Test hooks: stand-in answers for the version record and the processor
// identification instruction, and refused large heap blocks, each restored when the object
// goes away.
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

// While it lives, heap requests of `bytes` or more fail.
class RefuseLargeHeapBlocks {
public:
    explicit RefuseLargeHeapBlocks(std::size_t bytes) { platform_hooks::SetHeapRefusalSize(bytes); }
    ~RefuseLargeHeapBlocks() { platform_hooks::SetHeapRefusalSize(static_cast<std::size_t>(-1)); }
    RefuseLargeHeapBlocks(const RefuseLargeHeapBlocks&) = delete;
    RefuseLargeHeapBlocks& operator=(const RefuseLargeHeapBlocks&) = delete;
};
