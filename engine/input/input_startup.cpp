// Input start-up, devices and shutdown: DirectInput 7, else 8 (both through
// CoCreateInstance), else the WinMM joysticks for the rest of the process; the mouse,
// the keyboard and up to eight joypads; release and re-acquisition on activation.
// Relies on the platform's input-device objects, the log and the window state.
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "platform/kernel.h"
#include "platform/mm_joystick.h"
#include "platform/window.h"

namespace {

InputState g_input{};
std::int32_t g_message_46f_flag = 0;
std::int32_t g_message_470_flag = 0;

constexpr DWORD kBackgroundLevel = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;  // 10
constexpr DWORD kForegroundLevel = DISCL_EXCLUSIVE | DISCL_FOREGROUND;     // 5

// The interface versions asked of the DirectInput objects.
constexpr DWORD kDirectInput7Version = 0x0700;
constexpr DWORD kDirectInput8Version = 0x0800;
// Keyboard events the device buffers between two reads.
constexpr DWORD kKeyboardBufferEvents = 100;
// Each pad axis ignores the middle quarter of its travel (in hundredths of a percent).
constexpr DWORD kPadAxisDeadZone = 2500;
// The sine effect rises over half a second, fades over a second and repeats every 1.5 s.
constexpr DWORD kSineAttackMicroseconds = 500000;
constexpr DWORD kSineFadeMicroseconds = 1000000;
constexpr DWORD kSinePeriodMicroseconds = 1500000;

bool HasDirectInput() { return g_input.object != nullptr && g_input.object != kWinmmInputObject; }

IDirectInput7A* Input7() { return static_cast<IDirectInput7A*>(g_input.object); }
IDirectInput8A* Input8() { return static_cast<IDirectInput8A*>(g_input.object); }

// A device of the current DirectInput object; a success without a device counts as a
// failure.
HRESULT MakeDevice(REFGUID instance, IDirectInputDeviceA** device) {
    *device = nullptr;
    HRESULT result;
    if (g_input.version8) {
        IDirectInputDevice8A* made = nullptr;
        result = Input8()->CreateDevice(instance, &made, nullptr);
        *device = made;
    } else {
        void* made = nullptr;
        result = Input7()->CreateDeviceEx(instance, IID_IDirectInputDevice7A, &made, nullptr);
        *device = static_cast<IDirectInputDevice7A*>(made);
    }
    if (SUCCEEDED(result) && *device == nullptr) result = E_FAIL;
    if (FAILED(result) && *device != nullptr) {
        (*device)->Release();
        *device = nullptr;
    }
    return result;
}

// Version 7, else version 8: true with the object stored when one could be made and
// initialised. Each failed initialisation leaves the indent level as it found it.
bool TryDirectInput7() {
    WriteLogText("DirectInput7 の取得中... ");
    void* object = nullptr;
    const HRESULT result =
        CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A, &object);
    if (FAILED(result) || object == nullptr) {
        WriteLogText("取得に失敗。\n");
        WriteLogFormat("エラーコード 0x%x\n", static_cast<unsigned int>(result));
        return false;
    }
    auto* input = static_cast<IDirectInput7A*>(object);
    WriteLogText("成功\n");
    IncreaseLogIndent();
    WriteLogText("引き続き初期化処理... ");
    if (SUCCEEDED(input->Initialize(GetModuleHandleA(nullptr), kDirectInput7Version))) {
        WriteLogText("初期化成功\n");
        DecreaseLogIndent();
        g_input.object = input;
        return true;
    }
    WriteLogText("初期化に失敗。");
    DecreaseLogIndent();
    input->Release();
    return false;
}

bool TryDirectInput8() {
    WriteLogText("DirectInput8 の取得を試みます...");
    void* object = nullptr;
    const HRESULT result =
        CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput8A, &object);
    if (FAILED(result) || object == nullptr) {
        WriteLogText("取得に失敗。");
        return false;
    }
    auto* input = static_cast<IDirectInput8A*>(object);
    WriteLogText("成功\n");
    IncreaseLogIndent();
    WriteLogText("引き続き初期化処理... ");
    if (SUCCEEDED(input->Initialize(GetModuleHandleA(nullptr), kDirectInput8Version))) {
        WriteLogText("初期化成功\n");
        g_input.version8 = 1;
        DecreaseLogIndent();
        g_input.object = input;
        return true;
    }
    WriteLogText("初期化に失敗。");
    DecreaseLogIndent();
    input->Release();
    return false;
}

void ReleaseKeyboard() {
    if (g_input.keyboard != nullptr) {
        g_input.keyboard->Unacquire();
        g_input.keyboard->Release();
        g_input.keyboard = nullptr;
    }
    if (g_input.keyboard_event != nullptr) {
        CloseHandle(g_input.keyboard_event);
        g_input.keyboard_event = nullptr;
    }
}

void ReleaseMouse() {
    if (g_input.mouse != nullptr) {
        g_input.mouse->Unacquire();
        g_input.mouse->Release();
        g_input.mouse = nullptr;
    }
}

// Releases everything made so far and ends the process.
[[noreturn]] void FailInputStartup(const char* message) {
    ReleaseJoypadDevices();
    ReleaseKeyboard();
    ReleaseMouse();
    if (g_input.object != nullptr) {
        g_input.object->Release();
        g_input.object = nullptr;
    }
    FatalErrorExit(message);
}

// The mouse is never read, so a mouse that cannot be made is logged and left out.
void MakeMouse(HWND window) {
    WriteLogText("マウスデバイスの初期化... ");
    IDirectInputDeviceA* mouse = nullptr;
    if (FAILED(MakeDevice(GUID_SysMouse, &mouse))) {
        WriteLogText("マウスデバイスの取得に失敗しました\n");
        return;
    }
    const char* failure = nullptr;
    if (FAILED(mouse->SetDataFormat(&c_dfDIMouse2))) {
        failure = "マウスデバイスのデータ形式の設定に失敗しました\n";
    } else if (FAILED(mouse->SetCooperativeLevel(window, kBackgroundLevel))) {
        failure = "マウスデバイスの協調レベルの設定に失敗しました\n";
    }
    if (failure != nullptr) {
        mouse->Release();
        WriteLogText(failure);
        return;
    }
    g_input.mouse = mouse;
    WriteLogText("初期化成功\n");
}

void MakeKeyboard(HWND window) {
    WriteLogText("キーボードデバイスの初期化... ");
    IDirectInputDeviceA* keyboard = nullptr;
    if (FAILED(MakeDevice(GUID_SysKeyboard, &keyboard))) FailInputStartup("キーボードデバイスの取得に失敗しました");
    g_input.keyboard = keyboard;
    if (FAILED(keyboard->SetDataFormat(&c_dfDIKeyboard))) {
        FailInputStartup("キーボードデバイスのデータ形式の設定に失敗しました");
    }
    if (FAILED(keyboard->SetCooperativeLevel(window, kBackgroundLevel))) {
        FailInputStartup("キーボードデバイスの協調レベルの設定に失敗しました");
    }
    DIPROPDWORD buffer_size{};
    buffer_size.diph = {sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
    buffer_size.dwData = kKeyboardBufferEvents;
    if (FAILED(keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer_size.diph))) {
        WriteLogText("キーボードのプロパティ設定に失敗しました\n");
    }
    // Without its event the keyboard is still read, once per millisecond.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HRESULT notified = event != nullptr ? keyboard->SetEventNotification(event) : E_FAIL;
    if (notified == DI_OK || notified == DI_POLLEDDEVICE) {
        g_input.keyboard_event = event;
    } else {
        WriteLogText("キーボードイベントのセットアップが失敗しました\n");
        if (event != nullptr) CloseHandle(event);
    }
    if (FAILED(keyboard->Acquire()) && FAILED(keyboard->Acquire())) {
        FailInputStartup("キーボードデバイスの取得に失敗しました");
    }
    WriteLogText("初期化成功\n");
    g_input.keyboard_last_poll_time = timeGetTime();
}

void MakeDirectInputDevices() {
    const HWND window = GetMainWindowHandle();
    BringWindowToTop(window);
    GetShellHooks()->pump_messages();
    // The messages may have stopped input again; the next read starts it anew.
    if (!HasDirectInput()) return;
    InitializeJoypads();
    MakeMouse(window);
    g_input.keyboard_last_poll_time = timeGetTime();
    MakeKeyboard(window);
    DecreaseLogIndent();
    WriteLogText("DirectInput 関連の初期化は正常に終了しました\n");
}

void StartWinmmMode() {
    IncreaseLogIndent();
    int found = 0;
    for (UINT id = 0; id < kMaxPads; ++id) {
        JOYCAPSA caps;
        std::memset(&caps, 0, sizeof caps);
        if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR) break;
        g_input.pads[id].has_z_and_r = (caps.wCaps & JOYCAPS_HASZ) != 0 && (caps.wCaps & JOYCAPS_HASR) != 0 ? 1 : 0;
        ++found;
    }
    WriteLogFormat("パッドの数は %d 個です\n", found);
    DecreaseLogIndent();
    g_input.object = kWinmmInputObject;
    WriteLogText("入力関連の初期化をしました\n");
    // A pad without a joystick reads as a zero state.
    g_input.pad_count = kMaxPads;
}

// A device's name as a NUL-terminated copy in a 260-byte field.
void CopyName(char (&field)[260], const char (&name)[260]) {
    std::size_t length = 0;
    while (length < sizeof field - 1 && name[length] != '\0') ++length;
    std::memcpy(field, name, length);
    field[length] = '\0';
}

// Leaves the record as if it had never been touched and goes on with the next device.
BOOL SkipJoypad(PadRecord& pad, const char* message) {
    WriteLogText(message);
    std::memset(&pad, 0, sizeof pad);
    return DIENUM_CONTINUE;
}

}  // namespace

InputState* GetInputState() { return &g_input; }

int InitializeInput() {
    if (g_input.refuse_startup) return -1;
    if (g_input.object != nullptr) return 0;
    const std::int32_t winmm_mode = g_input.winmm_mode;
    g_input = InputState{};
    g_input.winmm_mode = winmm_mode;
    if (!g_input.winmm_mode) {
        WriteLogText("DirectInput関係初期化処理\n");
        IncreaseLogIndent();
        if (TryDirectInput7() || TryDirectInput8()) {
            MakeDirectInputDevices();
            ResetKeyToPadMap();
            return 0;
        }
        WriteLogText("DirectInput を使用しません。\n");
        DecreaseLogIndent();
        g_input.object = nullptr;
        g_input.winmm_mode = 1;
    }
    StartWinmmMode();
    ResetKeyToPadMap();
    return 0;
}

int TerminateInput() {
    if (g_input.object == nullptr) return 0;
    if (g_input.object == kWinmmInputObject) {
        WriteLogText("入力関連の終了処理... 完了\n");
        g_input.object = nullptr;
        return 0;
    }
    WriteLogText("DirectInput 関連の終了処理... 完了\n");
    ReleaseJoypadDevices();
    ReleaseKeyboard();
    ReleaseMouse();
    g_input.object->Release();
    g_input.object = nullptr;
    return 0;
}

int InitializeJoypads() {
    if (!HasDirectInput()) return -1;
    ReleaseJoypadDevices();
    WriteLogText("ジョイパッドの初期化... \n");
    g_input.pad_count = 0;
    if (g_input.version8) {
        Input8()->EnumDevices(DI8DEVCLASS_GAMECTRL, &AddJoypadDevice, nullptr, DIEDFL_ATTACHEDONLY);
    } else {
        Input7()->EnumDevices(DIDEVTYPE_JOYSTICK, &AddJoypadDevice, nullptr, DIEDFL_ATTACHEDONLY);
    }
    WriteLogText("ジョイパッドの初期化は正常に終了しました\n");
    return 0;
}

BOOL AddJoypadDevice(const DIDEVICEINSTANCEA* instance, void* /*context*/) {
    if (!HasDirectInput() || g_input.pad_count >= kMaxPads) return DIENUM_STOP;
    PadRecord& pad = g_input.pads[g_input.pad_count];
    WriteLogText("入力装置を見つけました\n");
    IDirectInputDeviceA* device = nullptr;
    if (instance == nullptr || FAILED(MakeDevice(instance->guidInstance, &device))) {
        WriteLogText("入力装置の取得に失敗しました\n");
        return DIENUM_CONTINUE;
    }

    DIDEVICEINSTANCEA info;
    std::memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    device->GetDeviceInfo(&info);
    CopyName(pad.instance_name, info.tszInstanceName);
    CopyName(pad.product_name, info.tszProductName);
    IncreaseLogIndent();
    WriteLogFormat("デバイスの登録名:%s", pad.instance_name);
    WriteLogFormat("デバイスの製品登録名:%s", pad.product_name);
    DecreaseLogIndent();

    if (FAILED(device->SetDataFormat(&c_dfDIJoystick))) {
        device->Release();
        return SkipJoypad(pad, "ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n");
    }
    if (FAILED(device->SetCooperativeLevel(GetMainWindowHandle(), kForegroundLevel))) {
        device->Release();
        return SkipJoypad(pad, "ジョイパッドデバイスの協調レベルの設定に失敗しました\n");
    }

    constexpr DWORD kAxes[4] = {DIJOFS_X, DIJOFS_Y, DIJOFS_Z, DIJOFS_RZ};
    for (int axis = 0; axis < 4; ++axis) {
        DIPROPRANGE range{};
        range.diph = {sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), kAxes[axis], DIPH_BYOFFSET};
        range.lMin = -kPadAxisLimit;
        range.lMax = kPadAxisLimit;
        if (FAILED(device->SetProperty(DIPROP_RANGE, &range.diph)) && axis < 2) {
            device->Release();
            return SkipJoypad(pad, axis == 0 ? "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n"
                                             : "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n");
        }
    }
    for (int axis = 0; axis < 4; ++axis) {
        DIPROPDWORD dead_zone{};
        dead_zone.diph = {sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), kAxes[axis], DIPH_BYOFFSET};
        dead_zone.dwData = kPadAxisDeadZone;
        if (FAILED(device->SetProperty(DIPROP_DEADZONE, &dead_zone.diph)) && axis < 2) {
            device->Release();
            return SkipJoypad(pad, axis == 0 ? "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n"
                                             : "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n");
        }
    }

    // Both effects on the X and Y axes, endless, without a trigger button, at full gain.
    DWORD effect_axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DIENVELOPE envelope{sizeof(DIENVELOPE), 0, kSineAttackMicroseconds, 0, kSineFadeMicroseconds};
    DIPERIODIC periodic{DI_FFNOMINALMAX, 0, 0, kSinePeriodMicroseconds};
    DIEFFECT effect{};
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwSamplePeriod = 0;
    effect.dwGain = DI_FFNOMINALMAX;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.dwTriggerRepeatInterval = 0;
    effect.cAxes = 2;
    effect.rgdwAxes = effect_axes;
    effect.rglDirection = direction;
    effect.lpEnvelope = &envelope;
    effect.cbTypeSpecificParams = sizeof periodic;
    effect.lpvTypeSpecificParams = &periodic;
    effect.dwStartDelay = 0;
    if (FAILED(device->CreateEffect(GUID_Sine, &effect, &pad.sine_effect, nullptr))) pad.sine_effect = nullptr;

    DICONSTANTFORCE constant{static_cast<LONG>(DI_FFNOMINALMAX)};
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.lpEnvelope = nullptr;
    effect.cbTypeSpecificParams = sizeof constant;
    effect.lpvTypeSpecificParams = &constant;
    if (FAILED(device->CreateEffect(GUID_ConstantForce, &effect, &pad.constant_effect, nullptr))) {
        pad.constant_effect = nullptr;
        WriteLogText("周期的エフェクトの作成に失敗しました。\n");
    }
    pad.vibrating = 0;
    pad.power = DI_FFNOMINALMAX;
    pad.constant_playing = 0;
    pad.sine_playing = 0;

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HRESULT notified = event != nullptr ? device->SetEventNotification(event) : E_FAIL;
    if (notified != DI_OK && notified != DI_POLLEDDEVICE) {
        if (event != nullptr) CloseHandle(event);
        if (pad.sine_effect != nullptr) pad.sine_effect->Release();
        if (pad.constant_effect != nullptr) pad.constant_effect->Release();
        device->Release();
        return SkipJoypad(pad, "ジョイパッドイベントのセットアップが失敗しました\n");
    }

    device->Acquire();
    pad.device = device;
    pad.event = event;
    std::memset(&pad.state, 0, sizeof pad.state);
    ++g_input.pad_count;
    WriteLogText("ジョイパッドの追加は正常に終了しました\n");
    return g_input.pad_count < kMaxPads ? DIENUM_CONTINUE : DIENUM_STOP;
}

int ReleaseJoypadDevices() {
    if (!HasDirectInput()) return -1;
    for (int i = 0; i < g_input.pad_count && i < kMaxPads; ++i) {
        PadRecord& pad = g_input.pads[i];
        if (pad.device != nullptr) {
            pad.device->Unacquire();
            pad.device->SetEventNotification(nullptr);
        }
        if (pad.constant_effect != nullptr) {
            pad.constant_effect->Stop();
            pad.constant_effect->Release();
            pad.constant_effect = nullptr;
        }
        if (pad.sine_effect != nullptr) {
            pad.sine_effect->Stop();
            pad.sine_effect->Release();
            pad.sine_effect = nullptr;
        }
        if (pad.device != nullptr) pad.device->Release();
        if (pad.event != nullptr) CloseHandle(pad.event);
        std::memset(&pad, 0, sizeof pad);
    }
    g_input.pad_count = 0;
    return 0;
}

int ReacquireInputDevices() {
    if (!HasDirectInput()) return 0;
    const HWND window = GetMainWindowHandle();
    for (int i = 0; i < g_input.pad_count && i < kMaxPads; ++i) {
        IDirectInputDeviceA* device = g_input.pads[i].device;
        if (device == nullptr) continue;
        device->Unacquire();
        device->SetCooperativeLevel(window, IsWindowActive() ? kForegroundLevel : kBackgroundLevel);
        device->Acquire();
    }
    if (g_input.keyboard != nullptr) {
        g_input.keyboard->Unacquire();
        g_input.keyboard->Acquire();
    }
    return 0;
}

void SetMessage46FFlag() { g_message_46f_flag = 1; }
void ClearMessage46FFlag() { g_message_46f_flag = 0; }
void SetMessage470Flag() { g_message_470_flag = 1; }
void ClearMessage470Flag() { g_message_470_flag = 0; }
