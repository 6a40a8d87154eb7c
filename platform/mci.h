// The media control interface of the platform layer: no MCI device exists here, so every
// command is refused. Present because the engine's MIDI notification path names it.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"

using MCIDEVICEID = UINT;
using MCIERROR = DWORD;

constexpr UINT MCI_CLOSE = 0x0804;
constexpr UINT MCI_PLAY = 0x0806;
constexpr DWORD MCI_NOTIFY = 0x00000001u;
constexpr DWORD MCI_FROM = 0x00000004u;
constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = 257;

struct MCI_PLAY_PARMS {
    std::uintptr_t dwCallback;
    DWORD dwFrom;
    DWORD dwTo;
};

// MCIERR_INVALID_DEVICE_ID: no device was ever opened.
MCIERROR mciSendCommandA(MCIDEVICEID device, UINT message, std::uintptr_t flags, std::uintptr_t parameters);
