// The device the Direct3D object enumerates: its one fixed device, or, while a test has
// set one, a device of other render depths, texture side limits and depth formats.
#pragma once

#include "platform/d3d7.h"

namespace gl_backend {

// The description enumerated for the device, and whether its 16-bit depth format is
// offered.
D3DDEVICEDESC7 OfferedDeviceDescription();
bool OfferedDepthFormat();

}  // namespace gl_backend
