// Test hooks for the 3-D stand-in over OpenGL: a lost context, failing stage programs,
// the count of pictures a primary surface showed in its window through GL, the device the
// 3-D object enumerates, a GL renderer on the CPU counted as hardware, and the call log of
// the 3-D device.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "platform/gl_hooks.h"

inline void LoseGlContext() { platform_hooks::LoseGlContext(); }
inline std::uint64_t GlWindowPresents() { return platform_hooks::GlWindowPresentCount(); }

// Stage programs made while it lives fail to compile.
class BreakGlShaders {
public:
    BreakGlShaders() { platform_hooks::SetGlShaderFailure(true); }
    ~BreakGlShaders() { platform_hooks::SetGlShaderFailure(false); }
    BreakGlShaders(const BreakGlShaders&) = delete;
    BreakGlShaders& operator=(const BreakGlShaders&) = delete;
};

// The 3-D object enumerates `device` in place of its fixed one while this lives.
class OfferGlDevice {
public:
    explicit OfferGlDevice(const platform_hooks::GlOfferedDevice& device) { platform_hooks::SetGlOfferedDevice(&device); }
    ~OfferGlDevice() { platform_hooks::SetGlOfferedDevice(nullptr); }
    OfferGlDevice(const OfferGlDevice&) = delete;
    OfferGlDevice& operator=(const OfferGlDevice&) = delete;
};

// A GL renderer running on the CPU is enumerated as the hardware device while this lives
// (or, made with false, as the software-emulation device); the setting before it comes
// back at its end.
class CountSoftwareGlAsHardware {
public:
    explicit CountSoftwareGlAsHardware(bool on = true) : was_(platform_hooks::CpuGlCountedAsHardware()) {
        platform_hooks::CountCpuGlAsHardware(on);
    }
    ~CountSoftwareGlAsHardware() { platform_hooks::CountCpuGlAsHardware(was_); }
    CountSoftwareGlAsHardware(const CountSoftwareGlAsHardware&) = delete;
    CountSoftwareGlAsHardware& operator=(const CountSoftwareGlAsHardware&) = delete;

private:
    bool was_;
};

// Whether this machine's GL renders on the CPU.
inline bool GlRendersOnCpu() { return platform_hooks::GlRendersOnCpu(); }

using GlDeviceCall = platform_hooks::GlDeviceCall;
using GlDeviceCallKind = platform_hooks::GlDeviceCallKind;

// The 3-D device's calls are logged while it lives (the log starts empty).
class RecordGlDeviceCalls {
public:
    RecordGlDeviceCalls() { platform_hooks::SetGlDeviceCallLog(true); }
    ~RecordGlDeviceCalls() { platform_hooks::SetGlDeviceCallLog(false); }
    RecordGlDeviceCalls(const RecordGlDeviceCalls&) = delete;
    RecordGlDeviceCalls& operator=(const RecordGlDeviceCalls&) = delete;

    std::vector<GlDeviceCall> Calls() const { return platform_hooks::GlDeviceCalls(); }
    void Clear() { platform_hooks::ClearGlDeviceCallLog(); }
    // The calls of one kind, in order.
    std::vector<GlDeviceCall> Calls(GlDeviceCallKind kind) const {
        std::vector<GlDeviceCall> kept;
        for (GlDeviceCall& call : platform_hooks::GlDeviceCalls()) {
            if (call.kind == kind) kept.push_back(std::move(call));
        }
        return kept;
    }
    std::size_t Count(GlDeviceCallKind kind) const { return Calls(kind).size(); }
};
