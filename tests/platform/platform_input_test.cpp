// The platform's input stand-ins on their own: the keyboard's key codes and virtual
// keys, the device rules (format, acquisition, events), controller axes with range,
// dead zone and the folded D-pad, effects played as rumble, the multimedia joystick
// calls, and the objects over the real (headless) SDL devices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/dinput.h"
#include "platform/kernel.h"
#include "platform/keyboard_state.h"
#include "platform/mm_joystick.h"
#include "platform/testing/input_testing.h"

namespace {

class PlatformInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(CoInitialize(nullptr), 0);
        void* object = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput8A, &object), S_OK);
        input8_ = static_cast<IDirectInput8A*>(object);
        ASSERT_EQ(input8_->Initialize(GetModuleHandleA(nullptr), 0x0800), DI_OK);
    }
    void TearDown() override {
        if (input8_ != nullptr) input8_->Release();
        CoUninitialize();
    }

    IDirectInputDevice8A* Make(const GUID& instance) {
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(input8_->CreateDevice(instance, &device, nullptr), DI_OK);
        return device;
    }
    // The instance identifiers of the attached controllers, in order.
    std::vector<DIDEVICEINSTANCEA> Controllers() {
        std::vector<DIDEVICEINSTANCEA> found;
        input8_->EnumDevices(
            DI8DEVCLASS_GAMECTRL,
            [](const DIDEVICEINSTANCEA* instance, void* context) -> BOOL {
                static_cast<std::vector<DIDEVICEINSTANCEA>*>(context)->push_back(*instance);
                return DIENUM_CONTINUE;
            },
            &found, DIEDFL_ATTACHEDONLY);
        return found;
    }
    IDirectInputDevice8A* MakePad(int place, DWORD level = DISCL_EXCLUSIVE | DISCL_FOREGROUND) {
        const std::vector<DIDEVICEINSTANCEA> pads = Controllers();
        IDirectInputDevice8A* device = Make(pads.at(static_cast<std::size_t>(place)).guidInstance);
        EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(nullptr, level), DI_OK);
        return device;
    }

    ScriptedInput script_;
    IDirectInput8A* input8_ = nullptr;
};

TEST_F(PlatformInput, KeyboardStateByVirtualKey) {
    struct Case {
        int key_code;
        std::vector<int> virtual_keys;
    };
    const Case cases[] = {
        {0x1E, {'A'}},         {0x0B, {'0'}},         {0x39, {0x20}},
        {0x1C, {0x0D}},        {0x9C, {0x0D}},        {0x2A, {0x10, 0xA0}},
        {0x36, {0x10, 0xA1}},  {0x9D, {0x11, 0xA3}},  {0x38, {0x12, 0xA4}},
        {0x27, {0xBB}},        {0x92, {0xBA}},        {0x91, {0xC0}},
        {0x2B, {0xE2}},        {0x7D, {0xDC}},        {0xC8, {0x26}},
        {0x50, {0x62}},        {0x58, {0x7B}},        {0xD3, {0x2E}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key_code);
        script_.SetKeys({c.key_code});
        BYTE states[256];
        ASSERT_TRUE(GetKeyboardState(states));
        std::vector<int> down;
        for (int vk = 0; vk < 256; ++vk) {
            if (states[vk] & 0x80) down.push_back(vk);
        }
        EXPECT_EQ(down, c.virtual_keys);
        script_.SetKeys({});
    }
    // Bit 0 toggles at every press.
    BYTE states[256];
    GetKeyboardState(states);
    EXPECT_EQ(states['A'], 0x01);
    script_.Press(0x1E);
    GetKeyboardState(states);
    EXPECT_EQ(states['A'], 0x80);
    script_.Release(0x1E);
    GetKeyboardState(states);
    EXPECT_EQ(states['A'], 0x00);
    EXPECT_FALSE(GetKeyboardState(nullptr));
}

TEST_F(PlatformInput, KeyboardDeviceRulesAndEvent) {
    IDirectInputDevice8A* keyboard = Make(GUID_SysKeyboard);
    BYTE states[256];
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);  // no format yet
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIJoystick), DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof states, states), DIERR_NOTACQUIRED);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(keyboard->SetEventNotification(event), DI_OK);
    // Key changes before the device is acquired set nothing.
    script_.Press(0x10);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->SetEventNotification(nullptr), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->GetDeviceState(255, states), DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof states, states), DI_OK);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(states[i], i == 0x10 ? 0x80 : 0) << i;
    script_.Release(0x10);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    // Setting a key that is already up changes nothing and sets nothing.
    script_.Release(0x10);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    DIDEVICEINSTANCEA info{};
    EXPECT_EQ(keyboard->GetDeviceInfo(&info), DIERR_INVALIDPARAM);
    info.dwSize = sizeof info;
    ASSERT_EQ(keyboard->GetDeviceInfo(&info), DI_OK);
    EXPECT_TRUE(info.guidInstance == GUID_SysKeyboard);
    EXPECT_STREQ(info.tszInstanceName, "Keyboard");

    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    keyboard->Release();
    CloseHandle(event);
}

TEST_F(PlatformInput, ObjectsNeedTheirVersionAndTheRightInterface) {
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput8A, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A, &object), S_OK);
    auto* input7 = static_cast<IDirectInput7A*>(object);
    void* device = nullptr;
    EXPECT_EQ(input7->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &device, nullptr), DIERR_NOTINITIALIZED);
    EXPECT_EQ(input7->Initialize(GetModuleHandleA(nullptr), 0x0800), DIERR_BETADIRECTINPUTVERSION);
    ASSERT_EQ(input7->Initialize(GetModuleHandleA(nullptr), 0x0700), DI_OK);
    EXPECT_EQ(input7->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice8A, &device, nullptr), DIERR_NOINTERFACE);
    EXPECT_EQ(input7->CreateDeviceEx(GUID_Sine, IID_IDirectInputDevice7A, &device, nullptr), DIERR_DEVICENOTREG);
    ASSERT_EQ(input7->CreateDeviceEx(GUID_SysMouse, IID_IDirectInputDevice7A, &device, nullptr), DI_OK);
    auto* mouse = static_cast<IDirectInputDevice7A*>(device);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIMouse2), DI_OK);
    mouse->Release();
    input7->Release();
}

TEST_F(PlatformInput, ControllerAxesRangeDeadZoneDpadAndButtons) {
    platform_hooks::ScriptedPad pad;
    pad.name = "Named Pad";
    pad.product_name = "Pad Product";
    script_.AttachPad(pad);
    const std::vector<DIDEVICEINSTANCEA> pads = Controllers();
    ASSERT_EQ(pads.size(), 1u);
    EXPECT_STREQ(pads[0].tszInstanceName, "Named Pad");
    EXPECT_STREQ(pads[0].tszProductName, "Pad Product");
    EXPECT_EQ(pads[0].dwDevType & 0xFF, DIDEVTYPE_JOYSTICK);

    IDirectInputDevice8A* device = MakePad(0);
    DIPROPRANGE range{{sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), DIJOFS_X, DIPH_BYOFFSET}, -1000, 1000};
    ASSERT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
    range.diph.dwObj = DIJOFS_Y;
    ASSERT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
    range.diph.dwObj = 24;  // a slider: this controller has none
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), DIERR_OBJECTNOTFOUND);
    range.diph.dwObj = 2;
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), DIERR_OBJECTNOTFOUND);
    DIPROPDWORD dead{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIJOFS_X, DIPH_BYOFFSET}, 10001};
    EXPECT_EQ(device->SetProperty(DIPROP_DEADZONE, &dead.diph), DIERR_INVALIDPARAM);
    dead.dwData = 2500;
    ASSERT_EQ(device->SetProperty(DIPROP_DEADZONE, &dead.diph), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);

    platform_hooks::ScriptedPad state;
    state.axes[0] = 16384;
    state.axes[1] = -32768;
    state.axes[4] = 32767;  // left trigger fully pressed: Rx at the top of its default range
    state.dpad_down = true;
    state.buttons = 0b101;
    script_.SetPad(0, state);
    DIJOYSTATE read;
    ASSERT_EQ(device->Poll(), DI_NOEFFECT);
    ASSERT_EQ(device->GetDeviceState(sizeof read, &read), DI_OK);
    EXPECT_EQ(read.lX, 333);
    EXPECT_EQ(read.lY, 1000);    // the D-pad pushes Y to its end
    EXPECT_EQ(read.lZ, 32767);   // default range 0..65535, centred
    EXPECT_EQ(read.lRx, 65535);
    EXPECT_EQ(read.rgdwPOV[0], 18000u);
    EXPECT_EQ(read.rgdwPOV[1], 0xFFFFFFFFu);
    EXPECT_EQ(read.rgbButtons[0], 0x80);
    EXPECT_EQ(read.rgbButtons[1], 0);
    EXPECT_EQ(read.rgbButtons[2], 0x80);

    // A controller that goes away loses the device.
    script_.DetachPad(0);
    EXPECT_EQ(device->GetDeviceState(sizeof read, &read), DIERR_INPUTLOST);
    EXPECT_EQ(device->GetDeviceState(sizeof read, &read), DIERR_NOTACQUIRED);
    EXPECT_EQ(device->Acquire(), DIERR_INPUTLOST);
    device->Release();
}

TEST_F(PlatformInput, EffectsPlayAsRumbleOnlyWhenHeldExclusively) {
    script_.AttachPad();
    platform_hooks::ScriptedPad quiet;
    quiet.rumble = false;
    script_.AttachPad(quiet);
    IDirectInputDevice8A* device = MakePad(0, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DICONSTANTFORCE constant{5000};
    DIEFFECT effect{};
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.cbTypeSpecificParams = sizeof constant;
    effect.lpvTypeSpecificParams = &constant;
    IDirectInputEffect* force = nullptr;
    EXPECT_EQ(device->CreateEffect(GUID_Sine, &effect, &force, nullptr), DIERR_INVALIDPARAM);
    ASSERT_EQ(device->CreateEffect(GUID_ConstantForce, &effect, &force, nullptr), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(force->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
    EXPECT_TRUE(script_.TakeRumble().empty());
    device->Unacquire();
    ASSERT_EQ(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    ASSERT_EQ(force->Start(1, 0), DI_OK);
    std::vector<platform_hooks::RumbleRecord> rumble = script_.TakeRumble();
    ASSERT_EQ(rumble.size(), 1u);
    EXPECT_EQ(rumble[0].low, 0);
    EXPECT_EQ(rumble[0].high, 32767);  // half strength
    EXPECT_EQ(rumble[0].duration_ms, 0xFFFFu);
    // Losing the device stops the motors; getting it back starts them again.
    device->Unacquire();
    device->Acquire();
    rumble = script_.TakeRumble();
    ASSERT_EQ(rumble.size(), 2u);
    EXPECT_EQ(rumble[0].high, 0);
    EXPECT_EQ(rumble[1].high, 32767);
    // Releasing the playing effect stops it.
    force->Release();
    rumble = script_.TakeRumble();
    ASSERT_EQ(rumble.size(), 1u);
    EXPECT_EQ(rumble[0].high, 0);
    EXPECT_EQ(rumble[0].duration_ms, 0u);
    device->Release();

    IDirectInputDevice8A* silent = MakePad(1);
    EXPECT_EQ(silent->CreateEffect(GUID_ConstantForce, &effect, &force, nullptr), DIERR_UNSUPPORTED);
    EXPECT_EQ(force, nullptr);
    silent->Release();
}

TEST_F(PlatformInput, MultimediaJoystickCalls) {
    platform_hooks::ScriptedPad pad;
    pad.name = "A joystick with a rather long name";
    pad.button_count = 16;
    script_.AttachPad(pad);
    JOYCAPSA caps;
    EXPECT_EQ(joyGetDevCapsA(0, &caps, sizeof caps - 1), JOYERR_PARMS);
    EXPECT_EQ(joyGetDevCapsA(16, &caps, sizeof caps), JOYERR_PARMS);
    EXPECT_EQ(joyGetDevCapsA(1, &caps, sizeof caps), JOYERR_UNPLUGGED);
    ASSERT_EQ(joyGetDevCapsA(0, &caps, sizeof caps), JOYERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "A joystick with a rather long n");
    EXPECT_EQ(caps.wNumButtons, 16u);
    EXPECT_EQ(caps.wCaps & (JOYCAPS_HASZ | JOYCAPS_HASR), JOYCAPS_HASZ | JOYCAPS_HASR);
    EXPECT_EQ(caps.wXmax, 65535u);

    platform_hooks::ScriptedPad state;
    state.axes[0] = -32768;
    state.axes[1] = 32767;
    state.axes[2] = 0;
    state.dpad_left = true;
    state.buttons = 0x8001;
    script_.SetPad(0, state);
    JOYINFOEX info{};
    EXPECT_EQ(joyGetPosEx(0, &info), JOYERR_PARMS);
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    EXPECT_EQ(joyGetPosEx(1, &info), JOYERR_UNPLUGGED);
    ASSERT_EQ(joyGetPosEx(0, &info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 0u);
    EXPECT_EQ(info.dwYpos, 65535u);
    EXPECT_EQ(info.dwZpos, 32768u);
    EXPECT_EQ(info.dwButtons, 0x8001u);
    EXPECT_EQ(info.dwButtonNumber, 2u);
    EXPECT_EQ(info.dwPOV, 27000u);
    FailInputStep fail("joyGetPosEx");
    EXPECT_EQ(joyGetPosEx(0, &info), JOYERR_UNPLUGGED);
}

// The same objects over SDL's own devices, with no display and no controllers.
// Over the machine's own (headless) devices: COM and the objects are given back however
// the test ends.
class PlatformInputMachine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GE(CoInitialize(nullptr), 0); }
    void TearDown() override {
        if (keyboard_ != nullptr) keyboard_->Release();
        if (input_ != nullptr) input_->Release();
        CoUninitialize();
    }

    IDirectInput8A* input_ = nullptr;
    IDirectInputDevice8A* keyboard_ = nullptr;
};

TEST_F(PlatformInputMachine, HeadlessDevicesReadNothing) {
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput8A, &object), S_OK);
    input_ = static_cast<IDirectInput8A*>(object);
    IDirectInput8A* input = input_;
    ASSERT_EQ(input->Initialize(GetModuleHandleA(nullptr), 0x0800), DI_OK);
    int pads = 0;
    ASSERT_EQ(input->EnumDevices(
                  DI8DEVCLASS_GAMECTRL,
                  [](const DIDEVICEINSTANCEA*, void* context) -> BOOL {
                      ++*static_cast<int*>(context);
                      return DIENUM_CONTINUE;
                  },
                  &pads, DIEDFL_ATTACHEDONLY),
              DI_OK);
    EXPECT_EQ(pads, 0);
    ASSERT_EQ(input->CreateDevice(GUID_SysKeyboard, &keyboard_, nullptr), DI_OK);
    IDirectInputDevice8A* keyboard = keyboard_;
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    BYTE states[256];
    std::memset(states, 0x55, sizeof states);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof states, states), DI_OK);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(states[i], 0) << i;
    BYTE virtual_keys[256];
    EXPECT_TRUE(GetKeyboardState(virtual_keys));
    JOYCAPSA caps;
    EXPECT_EQ(joyGetDevCapsA(0, &caps, sizeof caps), JOYERR_UNPLUGGED);
}

}  // namespace
