// The input-device objects of the platform layer: a DirectInput object in two versions
// (7 and 8), made through CoCreateInstance, with the system keyboard, the system mouse
// and the attached game controllers as devices, and force-feedback effects on the
// controllers. Backed by SDL2 (platform/sdl/direct_input*.cpp); holds only what the
// engine's input code uses.
#pragma once

#include <cstdint>

#include "platform/com.h"
#include "platform/kernel_types.h"
#include "platform/window.h"

// ---- class and interface identifiers ------------------------------------------------
// Defined with the objects (platform/sdl/direct_input.cpp), so any use of them links the
// unit that registers the two classes with CoCreateInstance.
extern const CLSID CLSID_DirectInput;   // version 7
extern const CLSID CLSID_DirectInput8;  // version 8
extern const IID IID_IDirectInput7A;
extern const IID IID_IDirectInput8A;
extern const IID IID_IDirectInputDevice7A;
extern const IID IID_IDirectInputDevice8A;
extern const IID IID_IDirectInputEffect;

// Instance identifiers of the two system devices; a controller's instance identifier
// comes from EnumDevices.
extern const GUID GUID_SysMouse;
extern const GUID GUID_SysKeyboard;

// Effect types.
extern const GUID GUID_ConstantForce;
extern const GUID GUID_Sine;

// Device properties (SetProperty).
extern const GUID DIPROP_BUFFERSIZE;
extern const GUID DIPROP_RANGE;
extern const GUID DIPROP_DEADZONE;

// ---- results ------------------------------------------------------------------------
constexpr HRESULT DI_OK = 0;
constexpr HRESULT DI_NOEFFECT = 1;  // already in the asked state; nothing to poll
constexpr HRESULT DI_POLLEDDEVICE = 2;
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DIERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DIERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DIERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DIERR_GENERIC = E_FAIL;
constexpr HRESULT DIERR_OBJECTNOTFOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_NOTINITIALIZED = static_cast<HRESULT>(0x80070015u);
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_ACQUIRED = static_cast<HRESULT>(0x800700AAu);
constexpr HRESULT DIERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x800704DFu);
constexpr HRESULT DIERR_DEVICENOTREG = REGDB_E_CLASSNOTREG;
constexpr HRESULT DIERR_NOTEXCLUSIVEACQUIRED = static_cast<HRESULT>(0x80040205u);
constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = static_cast<HRESULT>(0x8007047Eu);
constexpr HRESULT DIERR_BETADIRECTINPUTVERSION = static_cast<HRESULT>(0x80070481u);

// ---- enumeration ----------------------------------------------------------------------
// Device types (version 7) and device classes (version 8) of EnumDevices; 0 lists all.
constexpr DWORD DIDEVTYPE_MOUSE = 2;
constexpr DWORD DIDEVTYPE_KEYBOARD = 3;
constexpr DWORD DIDEVTYPE_JOYSTICK = 4;
constexpr DWORD DI8DEVCLASS_ALL = 0;
constexpr DWORD DI8DEVCLASS_POINTER = 2;
constexpr DWORD DI8DEVCLASS_KEYBOARD = 3;
constexpr DWORD DI8DEVCLASS_GAMECTRL = 4;
constexpr DWORD DIEDFL_ALLDEVICES = 0;
constexpr DWORD DIEDFL_ATTACHEDONLY = 1;
constexpr BOOL DIENUM_STOP = 0;
constexpr BOOL DIENUM_CONTINUE = 1;

// 580 bytes: the size EnumDevices hands out and GetDeviceInfo expects in dwSize.
struct DIDEVICEINSTANCEA {
    DWORD dwSize;
    GUID guidInstance;
    GUID guidProduct;
    DWORD dwDevType;
    char tszInstanceName[260];
    char tszProductName[260];
    GUID guidFFDriver;
    WORD wUsagePage;
    WORD wUsage;
};
static_assert(sizeof(DIDEVICEINSTANCEA) == 580);

using LPDIENUMDEVICESCALLBACKA = BOOL (*)(const DIDEVICEINSTANCEA* instance, void* context);

// ---- data formats -----------------------------------------------------------------------
// The layout a device's GetDeviceState fills; only the three predefined formats exist.
struct DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize;
    DWORD dwNumObjs;
};
extern const DIDATAFORMAT c_dfDIKeyboard;  // 256 bytes, one per key code, bit 7 = down
extern const DIDATAFORMAT c_dfDIMouse2;    // DIMOUSESTATE2
extern const DIDATAFORMAT c_dfDIJoystick;  // DIJOYSTATE

struct DIMOUSESTATE2 {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[8];
};
static_assert(sizeof(DIMOUSESTATE2) == 20);

// Axes lX..lRz at offsets 0..20, sliders at 24 and 28, POV values at 32..44 (hundredths
// of a degree clockwise from up, 0xFFFFFFFF centred), button bytes from 48 (bit 7 down).
struct DIJOYSTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    LONG lRx;
    LONG lRy;
    LONG lRz;
    LONG rglSlider[2];
    DWORD rgdwPOV[4];
    BYTE rgbButtons[32];
};
static_assert(sizeof(DIJOYSTATE) == 80);

constexpr DWORD DIJOFS_X = 0;
constexpr DWORD DIJOFS_Y = 4;
constexpr DWORD DIJOFS_Z = 8;
constexpr DWORD DIJOFS_RX = 12;
constexpr DWORD DIJOFS_RY = 16;
constexpr DWORD DIJOFS_RZ = 20;

// ---- cooperative levels ---------------------------------------------------------------
constexpr DWORD DISCL_EXCLUSIVE = 0x1;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x2;
constexpr DWORD DISCL_FOREGROUND = 0x4;
constexpr DWORD DISCL_BACKGROUND = 0x8;

// ---- properties ---------------------------------------------------------------------------
constexpr DWORD DIPH_DEVICE = 0;
constexpr DWORD DIPH_BYOFFSET = 1;

struct DIPROPHEADER {
    DWORD dwSize;        // of the whole property record
    DWORD dwHeaderSize;  // 16
    DWORD dwObj;         // axis offset with DIPH_BYOFFSET, 0 with DIPH_DEVICE
    DWORD dwHow;
};
struct DIPROPDWORD {  // 20 bytes
    DIPROPHEADER diph;
    DWORD dwData;
};
struct DIPROPRANGE {  // 24 bytes
    DIPROPHEADER diph;
    LONG lMin;
    LONG lMax;
};
static_assert(sizeof(DIPROPDWORD) == 20 && sizeof(DIPROPRANGE) == 24);

// ---- force feedback -------------------------------------------------------------------------
constexpr DWORD DIEFF_OBJECTOFFSETS = 0x02;
constexpr DWORD DIEFF_CARTESIAN = 0x10;
constexpr DWORD DIEFF_POLAR = 0x20;
constexpr DWORD DIEB_NOTRIGGER = 0xFFFFFFFFu;
constexpr DWORD DI_FFNOMINALMAX = 10000;

struct DIENVELOPE {
    DWORD dwSize;
    DWORD dwAttackLevel;
    DWORD dwAttackTime;  // microseconds
    DWORD dwFadeLevel;
    DWORD dwFadeTime;  // microseconds
};
struct DIPERIODIC {
    DWORD dwMagnitude;
    LONG lOffset;
    DWORD dwPhase;
    DWORD dwPeriod;  // microseconds
};
struct DICONSTANTFORCE {
    LONG lMagnitude;
};
struct DIEFFECT {
    DWORD dwSize;  // sizeof(DIEFFECT)
    DWORD dwFlags;
    DWORD dwDuration;  // microseconds, INFINITE for ever
    DWORD dwSamplePeriod;
    DWORD dwGain;  // 0..10000
    DWORD dwTriggerButton;
    DWORD dwTriggerRepeatInterval;
    DWORD cAxes;
    DWORD* rgdwAxes;
    LONG* rglDirection;
    DIENVELOPE* lpEnvelope;
    DWORD cbTypeSpecificParams;
    void* lpvTypeSpecificParams;
    DWORD dwStartDelay;
};

// A force-feedback effect of one controller, shown as rumble of its motors while it
// plays: a sine effect drives the low-frequency motor, a constant force the
// high-frequency one, each at magnitude × gain. Playing needs the device acquired at
// the exclusive level.
class IDirectInputEffect : public IUnknown {
public:
    // iterations: 1 (INFINITE repeats too); flags are not used.
    virtual HRESULT Start(DWORD iterations, DWORD flags) = 0;
    virtual HRESULT Stop() = 0;

protected:
    ~IDirectInputEffect() = default;
};

// ---- devices ------------------------------------------------------------------------------------
// The operations both device versions share. A device starts without a data format, at
// no cooperative level and unacquired; GetDeviceState needs the format set and the
// device acquired. The window given to SetCooperativeLevel is recorded, not checked.
// The event given to SetEventNotification is set whenever new data arrives while the
// device is acquired.
class IDirectInputDeviceA : public IUnknown {
public:
    virtual HRESULT SetDataFormat(const DIDATAFORMAT* format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT SetProperty(REFGUID property, const DIPROPHEADER* header) = 0;
    virtual HRESULT SetEventNotification(HANDLE event) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    virtual HRESULT GetDeviceState(DWORD size, void* data) = 0;
    virtual HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* instance) = 0;
    // Brings a controller's state up to date; DI_NOEFFECT for devices that need no poll.
    virtual HRESULT Poll() = 0;
    virtual HRESULT CreateEffect(REFGUID effect_type, const DIEFFECT* parameters, IDirectInputEffect** effect,
                                 IUnknown* outer) = 0;

protected:
    ~IDirectInputDeviceA() = default;
};

class IDirectInputDevice7A : public IDirectInputDeviceA {
protected:
    ~IDirectInputDevice7A() = default;
};

class IDirectInputDevice8A : public IDirectInputDeviceA {
protected:
    ~IDirectInputDevice8A() = default;
};

// ---- the DirectInput objects ------------------------------------------------------------------
// Every call but Initialize answers DIERR_NOTINITIALIZED until Initialize succeeded with
// the object's version (0x0700 for version 7, 0x0800 for version 8).
class IDirectInput7A : public IUnknown {
public:
    virtual HRESULT Initialize(HINSTANCE instance, DWORD version) = 0;
    virtual HRESULT EnumDevices(DWORD device_type, LPDIENUMDEVICESCALLBACKA callback, void* context,
                                DWORD flags) = 0;
    // iid must be IID_IDirectInputDevice7A.
    virtual HRESULT CreateDeviceEx(REFGUID instance, REFIID iid, void** device, IUnknown* outer) = 0;

protected:
    ~IDirectInput7A() = default;
};

class IDirectInput8A : public IUnknown {
public:
    virtual HRESULT Initialize(HINSTANCE instance, DWORD version) = 0;
    virtual HRESULT EnumDevices(DWORD device_class, LPDIENUMDEVICESCALLBACKA callback, void* context,
                                DWORD flags) = 0;
    virtual HRESULT CreateDevice(REFGUID instance, IDirectInputDevice8A** device, IUnknown* outer) = 0;

protected:
    ~IDirectInput8A() = default;
};
