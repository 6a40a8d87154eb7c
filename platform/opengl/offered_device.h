// The device the Direct3D object enumerates: its one fixed device, or, while a test has
// set one, a device of other render depths, texture side limits and depth formats. It is
// enumerated as the hardware T&L device where GL renders on a GPU, and as the
// software-emulation device where GL is a rasteriser running on the CPU (unless a test
// counts such a GL as hardware).
#pragma once

#include "platform/d3d7.h"

namespace gl_backend {

// The description enumerated for the device, and whether its 16-bit depth format is
// offered.
D3DDEVICEDESC7 OfferedDeviceDescription();
bool OfferedDepthFormat();

// Whether the device is enumerated as a hardware device, and the GUID it is enumerated
// under.
bool OffersHardwareDevice();
const IID& OfferedDeviceGuid();

// The description and name the device is enumerated with.
struct OfferedDeviceNames {
    const char* description;
    const char* name;
};
OfferedDeviceNames OfferedNames();

}  // namespace gl_backend
