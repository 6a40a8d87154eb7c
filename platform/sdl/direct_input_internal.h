// What the DirectInput objects and their devices share: making a device of either
// version and the instance identifiers of the attached controllers. Only
// platform/sdl/direct_input*.cpp include it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dinput.h"

namespace sdl_input {

enum class DeviceKind { kKeyboard, kMouse, kJoystick };

// A new device with one reference: an IDirectInputDevice7A (version 7) or an
// IDirectInputDevice8A (version 8) behind the returned pointer. Null when a controller
// cannot be opened (it went away). `name` is what the call record calls it.
IDirectInputDeviceA* NewDevice(DeviceKind kind, std::uint32_t pad_id, int version, const std::string& name);

// The instance identifier EnumDevices gives a controller, and back.
GUID PadInstanceGuid(std::uint32_t pad_id);
bool PadIdOfGuid(const GUID& guid, std::uint32_t* pad_id);
// The product identifier of a controller (the same for every controller of a model).
GUID PadProductGuid(const std::string& product_name);

// Copies a CP932 name into a 260-byte field, cut short on a character boundary.
void CopyDeviceName(char (&field)[260], const std::string& name);

}  // namespace sdl_input
