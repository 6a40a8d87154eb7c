// The one call the device-context unit makes into the font units: a deleted device
// context forgets the font selected into it, so a later context at the same address
// starts with the stock font.
#pragma once

#include "platform/window.h"

namespace freetype_font {
void ForgetDeviceContext(HDC dc);
}  // namespace freetype_font
