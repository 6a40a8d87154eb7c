// The enumerated device: the fixed description, with the values a test put in its place.
#include "platform/opengl/offered_device.h"

#include <optional>

#include "platform/gl_hooks.h"
#include "platform/opengl/d3d_device.h"
#include "platform/opengl/gl_context.h"
#include "platform/opengl/renderer_on_cpu.h"

namespace gl_backend {
namespace {

std::optional<platform_hooks::GlOfferedDevice> g_offered;
bool g_cpu_counted_as_hardware = false;

}  // namespace

D3DDEVICEDESC7 OfferedDeviceDescription() {
    D3DDEVICEDESC7 desc = DeviceDescription();
    desc.deviceGUID = OfferedDeviceGuid();
    if (g_offered) {
        desc.dwDeviceRenderBitDepth = g_offered->render_bit_depths;
        desc.dwMinTextureWidth = g_offered->min_texture_width;
        desc.dwMinTextureHeight = g_offered->min_texture_height;
        desc.dwMaxTextureWidth = g_offered->max_texture_width;
        desc.dwMaxTextureHeight = g_offered->max_texture_height;
    }
    return desc;
}

bool OfferedDepthFormat() { return !g_offered || g_offered->depth_format; }

bool OffersHardwareDevice() { return !RendererOnCpu() || g_cpu_counted_as_hardware; }

const IID& OfferedDeviceGuid() { return OffersHardwareDevice() ? IID_IDirect3DTnLHalDevice : IID_IDirect3DRGBDevice; }

OfferedDeviceNames OfferedNames() {
    if (OffersHardwareDevice()) return {"Vomur hardware 3-D device over OpenGL", "Vomur T&L HAL"};
    return {"Vomur 3-D device over OpenGL rendered on the CPU", "Vomur RGB Emulation"};
}

}  // namespace gl_backend

namespace platform_hooks {

GlOfferedDevice GlFixedDevice() {
    const D3DDEVICEDESC7 desc = gl_backend::DeviceDescription();
    return GlOfferedDevice{desc.dwDeviceRenderBitDepth, desc.dwMinTextureWidth, desc.dwMinTextureHeight,
                           desc.dwMaxTextureWidth,      desc.dwMaxTextureHeight, true};
}

void SetGlOfferedDevice(const GlOfferedDevice* device) {
    if (device != nullptr) {
        gl_backend::g_offered = *device;
    } else {
        gl_backend::g_offered.reset();
    }
}

void CountCpuGlAsHardware(bool on) { gl_backend::g_cpu_counted_as_hardware = on; }

bool CpuGlCountedAsHardware() { return gl_backend::g_cpu_counted_as_hardware; }

bool GlRendersOnCpu() {
    // The renderer is read when a context is made; one is made for the question when none
    // is held.
    if (!gl_backend::AcquireContext()) return false;
    const bool on_cpu = gl_backend::RendererOnCpu();
    gl_backend::ReleaseContext();
    return on_cpu;
}

bool IsCpuRasteriserName(const char* renderer) { return gl_backend::IsCpuRasteriserName(renderer); }

}  // namespace platform_hooks
