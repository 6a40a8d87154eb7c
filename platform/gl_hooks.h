// Seams inside the platform layer for tests of the 3-D stand-in over OpenGL: a context
// lost as after a driver reset, stage programs that fail to compile, a count of pictures
// shown in a window through GL, and the device the 3-D object enumerates and whether a GL
// renderer running on the CPU counts as hardware there. The engine never includes this header;
// platform/testing/gl_testing.h wraps it.
#pragma once

#include <cstdint>

namespace platform_hooks {

// The GL context goes away with everything made in it: video-memory surfaces report
// DDERR_SURFACELOST until restored (Restore makes a new context), devices refuse to draw.
void LoseGlContext();
// While on, every stage program generated afterwards fails to compile.
void SetGlShaderFailure(bool on);
// How many times a primary surface's picture reached its window through GL (rather than
// through the picture presenter).
std::uint64_t GlWindowPresentCount();

// The device the 3-D object enumerates: the render depths (DDBD_ bits) and the smallest
// and largest texture sides it reports, and whether it offers its 16-bit depth format.
// GlFixedDevice gives the values of the one device offered by default.
struct GlOfferedDevice {
    std::uint32_t render_bit_depths;
    std::uint32_t min_texture_width;
    std::uint32_t min_texture_height;
    std::uint32_t max_texture_width;
    std::uint32_t max_texture_height;
    bool depth_format;
};
GlOfferedDevice GlFixedDevice();
// While set, the 3-D object enumerates `device` in place of its fixed one; null puts the
// fixed device back.
void SetGlOfferedDevice(const GlOfferedDevice* device);

// Where GL's renderer runs on the CPU the 3-D object enumerates its device as the
// software-emulation device (IID_IDirect3DRGBDevice), which the engine does not take.
// While on, such a GL is enumerated as the hardware T&L device, as on a machine with a GPU.
// Off by default.
void CountCpuGlAsHardware(bool on);
bool CpuGlCountedAsHardware();
// Whether GL's renderer here runs on the CPU (a GL context is made for the question when
// none is held; false where none can be made), and whether a GL_RENDERER string names such
// a renderer.
bool GlRendersOnCpu();
bool IsCpuRasteriserName(const char* renderer);

}  // namespace platform_hooks

#include <vector>

namespace platform_hooks {

// The call log of the 3-D device: while on, every call the engine makes of a device (and
// the creation of devices and colour or depth fills of video-memory surfaces) is kept in
// order with its arguments and result. Off by default; turning it on or off empties it.
enum class GlDeviceCallKind : std::uint8_t {
    kCreateDevice,          // object: the target surface
    kReleaseDevice,         // the device's last reference went
    kBeginScene,
    kEndScene,
    kSetRenderTarget,       // object: the surface
    kSetViewport,           // data: the D3DVIEWPORT7
    kSetTransform,          // state: the transform type; data: the matrix
    kSetRenderState,        // state, value
    kSetTexture,            // stage, object: the texture or null
    kSetTextureStageState,  // stage, state, value
    kDrawPrimitive,         // state: primitive type; value: FVF; count; data: the vertices
    kDrawIndexedPrimitive,  // as kDrawPrimitive; index_count; indices
    kLoad,                  // object: the destination
    kSurfaceFill,           // object: the surface; value: the blit flags; state: the fill value
};

struct GlDeviceCall {
    GlDeviceCallKind kind;
    const void* device;  // the device that was called (null for surface fills)
    std::uint32_t stage;
    std::uint32_t state;
    std::uint32_t value;
    std::uint32_t count;
    std::uint32_t index_count;
    const void* object;
    std::int32_t result;  // the HRESULT answered
    std::vector<std::uint8_t> data;
    std::vector<std::uint16_t> indices;
};

void SetGlDeviceCallLog(bool on);
bool IsGlDeviceCallLogOn();
std::vector<GlDeviceCall> GlDeviceCalls();
void ClearGlDeviceCallLog();

}  // namespace platform_hooks
