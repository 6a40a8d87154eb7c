// The multimedia joystick calls over the same controllers as the input-device objects
// (input_backend.cpp): capabilities, and positions from 0 to 65535 with the D-pad
// folded into X and Y. A controller is opened at its first read and kept open while it
// stays attached.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/mm_joystick.h"
#include "platform/sdl/input_backend.h"
#include "platform/shift_jis.h"

namespace {

constexpr std::uintptr_t kMaxJoysticks = 16;
std::vector<std::uint32_t> g_open_ids;

void TakeControllerSupportOnce() {
    static bool taken = false;
    if (!taken && !sdl_input::Scripted()) taken = sdl_input::AcquireControllerSupport();
}

// The controller with that identifier, opened; false when there is none.
bool OpenByIdentifier(std::uintptr_t joystick_id, sdl_input::PadInfo* info) {
    TakeControllerSupportOnce();
    // Forget controllers that went away.
    for (auto it = g_open_ids.begin(); it != g_open_ids.end();) {
        if (!sdl_input::IsPadAttached(*it)) {
            sdl_input::ClosePad(*it);
            it = g_open_ids.erase(it);
        } else {
            ++it;
        }
    }
    const std::vector<sdl_input::PadInfo> pads = sdl_input::AttachedPads();
    if (joystick_id >= pads.size()) return false;
    *info = pads[joystick_id];
    if (std::find(g_open_ids.begin(), g_open_ids.end(), info->id) == g_open_ids.end()) {
        if (!sdl_input::OpenPad(info->id)) return false;
        g_open_ids.push_back(info->id);
    }
    return true;
}

// Positions run from 0 to kPositionMax; a raw axis is shifted up by its minimum.
constexpr DWORD kPositionMax = 65535;
// What the capabilities report: the polling periods in ms, the axes and the buttons.
constexpr UINT kPollPeriodMinMs = 10;
constexpr UINT kPollPeriodMaxMs = 1000;
constexpr UINT kMaxAxes = 6;

DWORD Position(std::int32_t raw) {
    return static_cast<DWORD>(std::clamp(raw, sdl_input::kRawAxisMin, sdl_input::kRawAxisMax) - sdl_input::kRawAxisMin);
}

}  // namespace

UINT joyGetDevCapsA(std::uintptr_t joystick_id, JOYCAPSA* caps, UINT size) {
    if (caps == nullptr || size != sizeof(JOYCAPSA) || joystick_id >= kMaxJoysticks) return JOYERR_PARMS;
    if (sdl_input::Fail("joyGetDevCapsA")) return MMSYSERR_NODRIVER;
    sdl_input::PadInfo info{};
    sdl_input::PadReading reading{};
    if (!OpenByIdentifier(joystick_id, &info) || !sdl_input::ReadPad(info.id, &reading)) return JOYERR_UNPLUGGED;
    std::memset(caps, 0, sizeof *caps);
    std::size_t length = 0;
    while (length < info.name.size()) {
        const unsigned char c = static_cast<unsigned char>(info.name[length]);
        const std::size_t step = IsShiftJisLeadByte(c) ? 2 : 1;
        if (length + step > sizeof caps->szPname - 1 || length + step > info.name.size()) break;
        length += step;
    }
    std::memcpy(caps->szPname, info.name.data(), length);
    caps->wXmax = caps->wYmax = caps->wZmax = caps->wRmax = caps->wUmax = caps->wVmax = kPositionMax;
    caps->wNumButtons = static_cast<UINT>(reading.button_count);
    caps->wPeriodMin = kPollPeriodMinMs;
    caps->wPeriodMax = kPollPeriodMaxMs;
    caps->wNumAxes = static_cast<UINT>(reading.axis_count);
    caps->wMaxAxes = kMaxAxes;
    caps->wMaxButtons = sdl_input::kMaxPadButtons;
    const int axes = reading.axis_count;
    if (axes >= 3) caps->wCaps |= JOYCAPS_HASZ;
    if (axes >= 4) caps->wCaps |= JOYCAPS_HASR;
    if (axes >= 5) caps->wCaps |= JOYCAPS_HASU;
    if (axes >= 6) caps->wCaps |= JOYCAPS_HASV;
    if (info.game_controller) caps->wCaps |= JOYCAPS_HASPOV | JOYCAPS_POV4DIR;
    return JOYERR_NOERROR;
}

UINT joyGetPosEx(UINT joystick_id, JOYINFOEX* info) {
    if (info == nullptr || info->dwSize != sizeof(JOYINFOEX) || joystick_id >= kMaxJoysticks) return JOYERR_PARMS;
    if (sdl_input::Fail("joyGetPosEx")) return JOYERR_UNPLUGGED;
    sdl_input::PadInfo pad{};
    sdl_input::PadReading reading{};
    if (!OpenByIdentifier(joystick_id, &pad)) return JOYERR_UNPLUGGED;
    sdl_input::UpdatePads();
    if (!sdl_input::ReadPad(pad.id, &reading)) return JOYERR_UNPLUGGED;
    const DWORD flags = info->dwFlags;
    std::memset(info, 0, sizeof *info);
    info->dwSize = sizeof *info;
    info->dwFlags = flags;
    info->dwXpos = Position(reading.axes[0]);
    info->dwYpos = Position(reading.axes[1]);
    if (reading.left != reading.right) info->dwXpos = reading.left ? 0 : kPositionMax;
    if (reading.up != reading.down) info->dwYpos = reading.up ? 0 : kPositionMax;
    info->dwZpos = Position(reading.axes[2]);
    info->dwRpos = Position(reading.axes[3]);
    if (pad.game_controller) {
        // Triggers rest at 0 and press to 65534.
        info->dwUpos = static_cast<DWORD>(std::clamp(reading.axes[4], 0, sdl_input::kRawAxisMax) * 2);
        info->dwVpos = static_cast<DWORD>(std::clamp(reading.axes[5], 0, sdl_input::kRawAxisMax) * 2);
    } else {
        info->dwUpos = Position(reading.axes[4]);
        info->dwVpos = Position(reading.axes[5]);
    }
    info->dwButtons = reading.buttons;
    for (int i = 0; i < sdl_input::kMaxPadButtons; ++i) info->dwButtonNumber += (reading.buttons >> i) & 1;
    info->dwPOV = JOY_POVCENTERED;
    const int dx = (reading.right ? 1 : 0) - (reading.left ? 1 : 0);
    const int dy = (reading.down ? 1 : 0) - (reading.up ? 1 : 0);
    if (dx != 0 || dy != 0) {
        static constexpr DWORD kAngles[3][3] = {{31500, 0, 4500}, {27000, 0, 9000}, {22500, 18000, 13500}};
        info->dwPOV = kAngles[dy + 1][dx + 1];
    }
    return JOYERR_NOERROR;
}
