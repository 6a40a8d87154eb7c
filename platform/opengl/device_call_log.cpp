// The 3-D device's call log: a flag tested by every logged call, and the list of calls,
// kept only while a test has the log on.
#include "platform/opengl/device_call_log.h"

#include <cstring>
#include <utility>
#include <vector>

namespace gl_backend {
namespace {

bool g_on = false;
std::vector<platform_hooks::GlDeviceCall> g_calls;

}  // namespace

bool DeviceCallLogOn() { return g_on; }

void LogDeviceCall(platform_hooks::GlDeviceCallKind kind, const void* device, std::uint32_t stage,
                   std::uint32_t state, std::uint32_t value, std::uint32_t count, const void* object,
                   std::int32_t result, const void* data, std::size_t data_bytes, const std::uint16_t* indices,
                   std::uint32_t index_count) {
    if (!g_on) return;
    platform_hooks::GlDeviceCall call{kind, device, stage, state, value, count, index_count, object, result, {}, {}};
    if (data != nullptr && data_bytes != 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        call.data.assign(bytes, bytes + data_bytes);
    }
    if (indices != nullptr && index_count != 0) call.indices.assign(indices, indices + index_count);
    g_calls.push_back(std::move(call));
}

}  // namespace gl_backend

namespace platform_hooks {

void SetGlDeviceCallLog(bool on) {
    gl_backend::g_on = on;
    gl_backend::g_calls.clear();
}
bool IsGlDeviceCallLogOn() { return gl_backend::g_on; }
std::vector<GlDeviceCall> GlDeviceCalls() { return gl_backend::g_calls; }
void ClearGlDeviceCallLog() { gl_backend::g_calls.clear(); }

}  // namespace platform_hooks
