// The multimedia joystick calls of the platform layer: capabilities and positions of
// the attached game controllers by joystick identifier (0 = the first attached one).
// Backed by SDL2 (platform/sdl/winmm_joystick.cpp) over the same devices as the
// input-device objects of platform/dinput.h.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"

constexpr UINT JOYERR_NOERROR = 0;
constexpr UINT MMSYSERR_NODRIVER = 6;
constexpr UINT JOYERR_PARMS = 165;      // identifier out of range or a bad record
constexpr UINT JOYERR_UNPLUGGED = 167;  // no controller with that identifier

constexpr UINT JOYCAPS_HASZ = 0x0001;
constexpr UINT JOYCAPS_HASR = 0x0002;
constexpr UINT JOYCAPS_HASU = 0x0004;
constexpr UINT JOYCAPS_HASV = 0x0008;
constexpr UINT JOYCAPS_HASPOV = 0x0010;
constexpr UINT JOYCAPS_POV4DIR = 0x0020;

constexpr DWORD JOY_RETURNX = 0x0001;
constexpr DWORD JOY_RETURNY = 0x0002;
constexpr DWORD JOY_RETURNZ = 0x0004;
constexpr DWORD JOY_RETURNR = 0x0008;
constexpr DWORD JOY_RETURNU = 0x0010;
constexpr DWORD JOY_RETURNV = 0x0020;
constexpr DWORD JOY_RETURNPOV = 0x0040;
constexpr DWORD JOY_RETURNBUTTONS = 0x0080;
constexpr DWORD JOY_RETURNALL = 0x00FF;
constexpr DWORD JOY_POVCENTERED = 0xFFFF;

// 404 bytes. Positions run from the min to the max value of each axis (0 to 65535).
struct JOYCAPSA {
    WORD wMid;
    WORD wPid;
    char szPname[32];
    UINT wXmin;
    UINT wXmax;
    UINT wYmin;
    UINT wYmax;
    UINT wZmin;
    UINT wZmax;
    UINT wNumButtons;
    UINT wPeriodMin;
    UINT wPeriodMax;
    UINT wRmin;
    UINT wRmax;
    UINT wUmin;
    UINT wUmax;
    UINT wVmin;
    UINT wVmax;
    UINT wCaps;
    UINT wMaxAxes;
    UINT wNumAxes;
    UINT wMaxButtons;
    char szRegKey[32];
    char szOEMVxD[260];
};
static_assert(sizeof(JOYCAPSA) == 404);

// 52 bytes; dwSize must be 52. Positions 0 to 65535 with the centre at 32767 or 32768;
// bit i of dwButtons is button i.
struct JOYINFOEX {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwXpos;
    DWORD dwYpos;
    DWORD dwZpos;
    DWORD dwRpos;
    DWORD dwUpos;
    DWORD dwVpos;
    DWORD dwButtons;
    DWORD dwButtonNumber;
    DWORD dwPOV;
    DWORD dwReserved1;
    DWORD dwReserved2;
};
static_assert(sizeof(JOYINFOEX) == 52);

// JOYERR_NOERROR with the record filled; JOYERR_PARMS for a size other than 404 or an
// identifier of 16 or more; JOYERR_UNPLUGGED when no controller has that identifier.
UINT joyGetDevCapsA(std::uintptr_t joystick_id, JOYCAPSA* caps, UINT size);
// JOYERR_NOERROR with the record filled; JOYERR_PARMS for a bad record or identifier;
// JOYERR_UNPLUGGED when no controller has that identifier.
UINT joyGetPosEx(UINT joystick_id, JOYINFOEX* info);
