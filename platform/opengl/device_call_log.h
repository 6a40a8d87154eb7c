// The 3-D device's call log for tests (platform/gl_hooks.h): the device and the surfaces
// note their calls here; nothing is kept, and nothing is copied, while the log is off.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gl_hooks.h"

namespace gl_backend {

bool DeviceCallLogOn();
// Keeps one call; `data` (of `data_bytes`) and `indices` are copied.
void LogDeviceCall(platform_hooks::GlDeviceCallKind kind, const void* device, std::uint32_t stage,
                   std::uint32_t state, std::uint32_t value, std::uint32_t count, const void* object,
                   std::int32_t result, const void* data = nullptr, std::size_t data_bytes = 0,
                   const std::uint16_t* indices = nullptr, std::uint32_t index_count = 0);

}  // namespace gl_backend
