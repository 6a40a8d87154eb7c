// The enumerated device: the fixed description, with the values a test put in its place.
#include "platform/opengl/offered_device.h"

#include <optional>

#include "platform/gl_hooks.h"
#include "platform/opengl/d3d_device.h"

namespace gl_backend {
namespace {

std::optional<platform_hooks::GlOfferedDevice> g_offered;

}  // namespace

D3DDEVICEDESC7 OfferedDeviceDescription() {
    D3DDEVICEDESC7 desc = DeviceDescription();
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

}  // namespace platform_hooks
