// The devices of the DirectInput objects: the system keyboard (key states by key code),
// the system mouse and the game controllers (axes scaled into each axis's range with
// its dead zone, the D-pad folded into the X and Y axes, buttons in order), new-data
// events, and the force-feedback effects of a controller played as rumble. Relies on
// input_backend.cpp for the devices' states.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/sdl/direct_input_internal.h"
#include "platform/sdl/input_backend.h"

namespace {

using sdl_input::DeviceKind;

constexpr int kAxisCount = 8;  // X, Y, Z, Rx, Ry, Rz, two sliders
// A dead zone of kDeadZoneWhole covers the whole way from the centre to either end.
constexpr DWORD kDeadZoneWhole = 10000;
// The motors' strongest setting, and their longest run in ms.
constexpr std::uint32_t kMotorMax = 0xFFFF;
constexpr std::uint32_t kMotorMaxMs = 0xFFFF;
// A point-of-view hat at rest, and a pressed button's state byte.
constexpr DWORD kPovCentred = 0xFFFFFFFFu;
constexpr BYTE kButtonDown = 0x80;
constexpr const char* kAxisNames[kAxisCount] = {"X", "Y", "Z", "Rx", "Ry", "Rz", "Slider0", "Slider1"};

class DeviceCore;

// One effect of a controller; it keeps its device alive.
class EffectObject final : public IDirectInputEffect {
public:
    EffectObject(DeviceCore* device, IUnknown* device_interface, bool sine, DWORD magnitude, DWORD gain, DWORD duration)
        : device_(device), device_interface_(device_interface), sine_(sine), magnitude_(magnitude), gain_(gain),
          duration_(duration) {
        device_interface_->AddRef();
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirectInputEffect>(this, iid, IID_IDirectInputEffect, object);
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override;
    HRESULT Start(DWORD iterations, DWORD flags) override;
    HRESULT Stop() override;

    bool playing() const { return playing_; }
    bool sine() const { return sine_; }
    // Motor strength 0-65535.
    std::uint32_t Strength() const {
        const std::uint64_t value =
            std::uint64_t{std::min<DWORD>(magnitude_, DI_FFNOMINALMAX)} * std::min<DWORD>(gain_, DI_FFNOMINALMAX);
        return static_cast<std::uint32_t>(value * kMotorMax / (std::uint64_t{DI_FFNOMINALMAX} * DI_FFNOMINALMAX));
    }
    DWORD duration() const { return duration_; }

private:
    ~EffectObject() = default;
    std::string Label() const;

    ULONG references_ = 1;
    DeviceCore* device_;
    IUnknown* device_interface_;
    bool sine_;
    DWORD magnitude_;
    DWORD gain_;
    DWORD duration_;  // microseconds or INFINITE
    bool playing_ = false;
};

// The state and calls of one device; the interface classes forward to it.
class DeviceCore {
public:
    DeviceCore(DeviceKind kind, std::uint32_t pad_id, std::string name) : kind_(kind), pad_id_(pad_id), name_(std::move(name)) {
        for (Axis& axis : axes_) axis = Axis{};
        if (kind_ == DeviceKind::kJoystick) {
            sdl_input::PadReading reading{};
            if (sdl_input::ReadPad(pad_id_, &reading)) axis_count_ = reading.axis_count;
            for (const sdl_input::PadInfo& pad : sdl_input::AttachedPads()) {
                if (pad.id == pad_id_) {
                    instance_name_ = pad.name;
                    product_name_ = pad.product_name;
                    trigger_axes_ = pad.game_controller;
                }
            }
        } else {
            instance_name_ = product_name_ = kind_ == DeviceKind::kKeyboard ? "Keyboard" : "Mouse";
        }
    }

    ~DeviceCore() {
        sdl_input::RemoveDataListener(this);
        if (kind_ == DeviceKind::kJoystick) {
            if (acquired_) StopMotors();
            sdl_input::ClosePad(pad_id_);
        }
    }

    const std::string& name() const { return name_; }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) {
        Record("SetDataFormat");
        if (acquired_) return DIERR_ACQUIRED;
        if (format == nullptr) return DIERR_INVALIDPARAM;
        const DIDATAFORMAT* wanted = kind_ == DeviceKind::kKeyboard ? &c_dfDIKeyboard
                                     : kind_ == DeviceKind::kMouse  ? &c_dfDIMouse2
                                                                    : &c_dfDIJoystick;
        if (Fail("SetDataFormat")) return DIERR_GENERIC;
        if (format != wanted) return DIERR_INVALIDPARAM;
        format_ = format;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD flags) {
        Record("SetCooperativeLevel " + std::to_string(flags));
        const DWORD exclusive = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD ground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if (exclusive == 0 || exclusive == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || ground == 0 ||
            ground == (DISCL_FOREGROUND | DISCL_BACKGROUND)) {
            return DIERR_INVALIDPARAM;
        }
        // The window system keeps the keyboard for itself in the background.
        if (kind_ == DeviceKind::kKeyboard && flags == (DISCL_EXCLUSIVE | DISCL_BACKGROUND)) return DIERR_UNSUPPORTED;
        if (acquired_) return DIERR_ACQUIRED;
        if (Fail("SetCooperativeLevel")) return DIERR_GENERIC;
        window_ = window;
        level_ = flags;
        return DI_OK;
    }

    HRESULT SetProperty(REFGUID property, const DIPROPHEADER* header) {
        if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
        if (property == DIPROP_BUFFERSIZE) {
            Record("SetProperty.BufferSize");
            if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
                return DIERR_INVALIDPARAM;
            }
            if (acquired_) return DIERR_ACQUIRED;
            if (Fail("SetProperty.BufferSize")) return DIERR_GENERIC;
            buffer_size_ = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
            return DI_OK;
        }
        const bool range = property == DIPROP_RANGE;
        if (!range && property != DIPROP_DEADZONE) return DIERR_UNSUPPORTED;
        if (kind_ != DeviceKind::kJoystick) return DIERR_UNSUPPORTED;
        if (header->dwSize != (range ? sizeof(DIPROPRANGE) : sizeof(DIPROPDWORD))) return DIERR_INVALIDPARAM;
        int first = 0;
        int last = kAxisCount - 1;
        if (header->dwHow == DIPH_BYOFFSET) {
            if (header->dwObj % 4 != 0 || header->dwObj / 4 >= kAxisCount) return DIERR_OBJECTNOTFOUND;
            first = last = static_cast<int>(header->dwObj / 4);
            if (!HasAxis(first)) return DIERR_OBJECTNOTFOUND;
        } else if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
            return DIERR_INVALIDPARAM;
        }
        const std::string step =
            std::string(range ? "SetProperty.Range" : "SetProperty.DeadZone") + (first == last ? std::string(".") + kAxisNames[first] : "");
        Record(step);
        if (Fail(step.c_str())) return DIERR_GENERIC;
        if (range) {
            const auto* record = reinterpret_cast<const DIPROPRANGE*>(header);
            if (record->lMin >= record->lMax) return DIERR_INVALIDPARAM;
            for (int i = first; i <= last; ++i) {
                if (!HasAxis(i)) continue;
                axes_[i].min = record->lMin;
                axes_[i].max = record->lMax;
            }
        } else {
            const DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
            if (value > kDeadZoneWhole) return DIERR_INVALIDPARAM;
            for (int i = first; i <= last; ++i) {
                if (HasAxis(i)) axes_[i].dead_zone = value;
            }
        }
        return DI_OK;
    }

    HRESULT SetEventNotification(HANDLE event) {
        Record(event != nullptr ? "SetEventNotification" : "SetEventNotification none");
        if (acquired_) return DIERR_ACQUIRED;
        if (Fail("SetEventNotification")) return DIERR_GENERIC;
        event_ = event;
        return DI_OK;
    }

    HRESULT Acquire() {
        Record("Acquire");
        if (format_ == nullptr) return DIERR_INVALIDPARAM;
        if (acquired_) return DI_NOEFFECT;
        if (Fail("Acquire")) return DIERR_OTHERAPPHASPRIO;
        if (kind_ == DeviceKind::kJoystick && !sdl_input::IsPadAttached(pad_id_)) return DIERR_INPUTLOST;
        acquired_ = true;
        if (event_ != nullptr && kind_ != DeviceKind::kMouse) {
            sdl_input::SetDataListener(this, kind_ == DeviceKind::kKeyboard ? sdl_input::Source::kKeyboard
                                                                             : sdl_input::Source::kPad,
                                       pad_id_, event_);
        }
        if (kind_ == DeviceKind::kMouse) {
            SDL_GetMouseState(&mouse_x_, &mouse_y_);
        }
        UpdateMotors();
        return DI_OK;
    }

    HRESULT Unacquire() {
        Record("Unacquire");
        if (!acquired_) return DI_NOEFFECT;
        StopMotors();
        acquired_ = false;
        sdl_input::RemoveDataListener(this);
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, void* data) {
        Record("GetDeviceState");
        if (data == nullptr) return DIERR_INVALIDPARAM;
        if (!acquired_) return DIERR_NOTACQUIRED;
        if (format_ == nullptr || size != format_->dwDataSize) return DIERR_INVALIDPARAM;
        if (Fail("GetDeviceState")) return LoseInput();
        switch (kind_) {
            case DeviceKind::kKeyboard:
                sdl_input::ReadKeyCodeStates(static_cast<BYTE*>(data));
                return DI_OK;
            case DeviceKind::kMouse:
                ReadMouse(static_cast<DIMOUSESTATE2*>(data));
                return DI_OK;
            case DeviceKind::kJoystick:
                break;
        }
        sdl_input::PadReading reading{};
        if (!sdl_input::ReadPad(pad_id_, &reading)) return LoseInput();
        FillJoyState(reading, static_cast<DIJOYSTATE*>(data));
        return DI_OK;
    }

    HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* instance) {
        if (instance == nullptr || instance->dwSize != sizeof(DIDEVICEINSTANCEA)) return DIERR_INVALIDPARAM;
        std::memset(instance, 0, sizeof *instance);
        instance->dwSize = sizeof *instance;
        switch (kind_) {
            case DeviceKind::kKeyboard:
                instance->guidInstance = instance->guidProduct = GUID_SysKeyboard;
                instance->dwDevType = DIDEVTYPE_KEYBOARD;
                break;
            case DeviceKind::kMouse:
                instance->guidInstance = instance->guidProduct = GUID_SysMouse;
                instance->dwDevType = DIDEVTYPE_MOUSE;
                break;
            case DeviceKind::kJoystick:
                instance->guidInstance = sdl_input::PadInstanceGuid(pad_id_);
                instance->guidProduct = sdl_input::PadProductGuid(product_name_);
                instance->dwDevType = DIDEVTYPE_JOYSTICK;
                break;
        }
        sdl_input::CopyDeviceName(instance->tszInstanceName, instance_name_);
        sdl_input::CopyDeviceName(instance->tszProductName, product_name_);
        return DI_OK;
    }

    HRESULT Poll() {
        Record("Poll");
        if (!acquired_) return DIERR_NOTACQUIRED;
        if (kind_ != DeviceKind::kJoystick) return DI_NOEFFECT;
        if (Fail("Poll")) return LoseInput();
        sdl_input::UpdatePads();
        return DI_NOEFFECT;  // the state follows the controller's events; nothing more to ask
    }

    HRESULT CreateEffect(IUnknown* self, REFGUID type, const DIEFFECT* parameters, IDirectInputEffect** effect,
                         IUnknown* outer) {
        if (effect == nullptr) return E_POINTER;
        *effect = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        const bool sine = type == GUID_Sine;
        if (!sine && type != GUID_ConstantForce) return DIERR_DEVICENOTREG;
        Record(std::string("CreateEffect.") + (sine ? "Sine" : "ConstantForce"));
        if (kind_ != DeviceKind::kJoystick || !sdl_input::PadHasRumble(pad_id_)) return DIERR_UNSUPPORTED;
        if (parameters == nullptr || parameters->dwSize != sizeof(DIEFFECT) || parameters->lpvTypeSpecificParams == nullptr ||
            parameters->cbTypeSpecificParams != (sine ? sizeof(DIPERIODIC) : sizeof(DICONSTANTFORCE)) ||
            parameters->dwGain > DI_FFNOMINALMAX) {
            return DIERR_INVALIDPARAM;
        }
        if (Fail(sine ? "CreateEffect.Sine" : "CreateEffect.ConstantForce")) return DIERR_GENERIC;
        DWORD magnitude;
        if (sine) {
            magnitude = static_cast<const DIPERIODIC*>(parameters->lpvTypeSpecificParams)->dwMagnitude;
        } else {
            const LONG force = static_cast<const DICONSTANTFORCE*>(parameters->lpvTypeSpecificParams)->lMagnitude;
            magnitude = static_cast<DWORD>(force < 0 ? -static_cast<std::int64_t>(force) : force);
        }
        auto* made = new (std::nothrow)
            EffectObject(this, self, sine, std::min<DWORD>(magnitude, DI_FFNOMINALMAX), parameters->dwGain,
                         parameters->dwDuration);
        if (made == nullptr) return DIERR_OUTOFMEMORY;
        effects_.push_back(made);
        *effect = made;
        return DI_OK;
    }

    void Record(const std::string& call) const { sdl_input::Record(name_ + "." + call); }

    // Effects tell the device when they start, stop or go away.
    HRESULT EffectCanPlay() const {
        if (!acquired_ || (level_ & DISCL_EXCLUSIVE) == 0) return DIERR_NOTEXCLUSIVEACQUIRED;
        return DI_OK;
    }
    void ForgetEffect(EffectObject* effect) {
        effects_.erase(std::remove(effects_.begin(), effects_.end(), effect), effects_.end());
        UpdateMotors();
    }
    // Sends the strength of the playing effects to the motors (nothing while the device
    // is not held exclusively).
    void UpdateMotors() {
        if (kind_ != DeviceKind::kJoystick) return;
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        std::uint32_t duration_ms = 0;
        if (EffectCanPlay() == DI_OK) {
            for (const EffectObject* effect : effects_) {
                if (!effect->playing()) continue;
                (effect->sine() ? low : high) += effect->Strength();
                // The motors take at most 65535 ms at a time; an endless effect asks for that.
                const std::uint32_t ms = effect->duration() == INFINITE
                                             ? kMotorMaxMs
                                             : std::max<std::uint32_t>(1, effect->duration() / 1000);
                duration_ms = std::max(duration_ms, std::min<std::uint32_t>(ms, kMotorMaxMs));
            }
        }
        low = std::min<std::uint32_t>(low, kMotorMax);
        high = std::min<std::uint32_t>(high, kMotorMax);
        if (low == 0 && high == 0) duration_ms = 0;
        if (low == motor_low_ && high == motor_high_ && duration_ms == motor_duration_) return;
        motor_low_ = low;
        motor_high_ = high;
        motor_duration_ = duration_ms;
        sdl_input::RumblePad(pad_id_, static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(high), duration_ms);
    }

private:
    struct Axis {
        LONG min = 0;
        LONG max = 65535;
        DWORD dead_zone = 0;  // 0-kDeadZoneWhole of the way from the centre to either end
    };

    bool Fail(const char* call) const {
        const char* device = kind_ == DeviceKind::kKeyboard ? "Keyboard." : kind_ == DeviceKind::kMouse ? "Mouse." : "Joystick.";
        return sdl_input::Fail((std::string(device) + call).c_str());
    }

    bool HasAxis(int index) const { return index < axis_count_; }

    HRESULT LoseInput() {
        StopMotors();
        acquired_ = false;
        sdl_input::RemoveDataListener(this);
        return DIERR_INPUTLOST;
    }

    void StopMotors() {
        if (kind_ != DeviceKind::kJoystick || (motor_low_ == 0 && motor_high_ == 0)) return;
        motor_low_ = motor_high_ = motor_duration_ = 0;
        sdl_input::RumblePad(pad_id_, 0, 0, 0);
    }

    // A raw axis (-32768..32767) into the axis's range: inside the dead zone the centre,
    // outside it the remaining travel spread over the whole half range.
    LONG ScaleAxis(int index, std::int32_t raw) const {
        const Axis& axis = axes_[index];
        const std::int64_t value = std::clamp<std::int32_t>(raw, -sdl_input::kRawAxisMax, sdl_input::kRawAxisMax);
        const std::int64_t centre = axis.min + (static_cast<std::int64_t>(axis.max) - axis.min) / 2;
        const std::int64_t dead = sdl_input::kRawAxisMax * static_cast<std::int64_t>(axis.dead_zone) / kDeadZoneWhole;
        const std::int64_t magnitude = value < 0 ? -value : value;
        if (magnitude <= dead) return static_cast<LONG>(centre);
        // Each side reaches its own end, also when the range has no middle value.
        const std::int64_t half = value < 0 ? centre - axis.min : axis.max - centre;
        const std::int64_t offset = (magnitude - dead) * half / (sdl_input::kRawAxisMax - dead);
        return static_cast<LONG>(value < 0 ? centre - offset : centre + offset);
    }

    void FillJoyState(const sdl_input::PadReading& reading, DIJOYSTATE* state) const {
        std::memset(state, 0, sizeof *state);
        std::int32_t raw[kAxisCount] = {};
        for (int i = 0; i < 6 && i < reading.axis_count; ++i) raw[i] = reading.axes[i];
        // Stick layout: left stick X/Y, right stick Z/Rz, triggers Rx/Ry (0..32767 spread
        // over the full travel).
        if (trigger_axes_) {
            raw[0] = reading.axes[0];
            raw[1] = reading.axes[1];
            raw[2] = reading.axes[2];
            raw[5] = reading.axes[3];
            raw[3] = reading.axes[4] * 2 - sdl_input::kRawAxisMax;
            raw[4] = reading.axes[5] * 2 - sdl_input::kRawAxisMax;
        }
        LONG* axes[kAxisCount] = {&state->lX,  &state->lY,  &state->lZ,           &state->lRx,
                                  &state->lRy, &state->lRz, &state->rglSlider[0], &state->rglSlider[1]};
        for (int i = 0; i < kAxisCount; ++i) *axes[i] = ScaleAxis(i, HasAxis(i) ? raw[i] : 0);
        // The D-pad pushes the X and Y axes to their ends.
        if (reading.left != reading.right) state->lX = reading.left ? axes_[0].min : axes_[0].max;
        if (reading.up != reading.down) state->lY = reading.up ? axes_[1].min : axes_[1].max;
        DWORD pov = kPovCentred;
        const int dx = (reading.right ? 1 : 0) - (reading.left ? 1 : 0);
        const int dy = (reading.down ? 1 : 0) - (reading.up ? 1 : 0);
        if (dx != 0 || dy != 0) {
            static constexpr DWORD kAngles[3][3] = {{31500, 0, 4500}, {27000, 0, 9000}, {22500, 18000, 13500}};
            pov = kAngles[dy + 1][dx + 1];
        }
        state->rgdwPOV[0] = pov;
        state->rgdwPOV[1] = state->rgdwPOV[2] = state->rgdwPOV[3] = kPovCentred;
        for (int i = 0; i < reading.button_count && i < sdl_input::kMaxPadButtons; ++i) {
            state->rgbButtons[i] = (reading.buttons >> i) & 1 ? kButtonDown : 0;
        }
    }

    void ReadMouse(DIMOUSESTATE2* state) {
        std::memset(state, 0, sizeof *state);
        if (sdl_input::Scripted()) return;
        int x = 0;
        int y = 0;
        const Uint32 buttons = SDL_GetMouseState(&x, &y);
        state->lX = x - mouse_x_;
        state->lY = y - mouse_y_;
        mouse_x_ = x;
        mouse_y_ = y;
        const Uint32 masks[5] = {SDL_BUTTON_LMASK, SDL_BUTTON_RMASK, SDL_BUTTON_MMASK, SDL_BUTTON_X1MASK, SDL_BUTTON_X2MASK};
        for (int i = 0; i < 5; ++i) state->rgbButtons[i] = (buttons & masks[i]) ? kButtonDown : 0;
    }

    DeviceKind kind_;
    std::uint32_t pad_id_;
    std::string name_;
    std::string instance_name_;
    std::string product_name_;
    int axis_count_ = 0;
    bool trigger_axes_ = false;
    const DIDATAFORMAT* format_ = nullptr;
    HWND window_ = nullptr;
    DWORD level_ = 0;
    DWORD buffer_size_ = 0;
    HANDLE event_ = nullptr;
    bool acquired_ = false;
    Axis axes_[kAxisCount];
    std::vector<EffectObject*> effects_;
    std::uint32_t motor_low_ = 0;
    std::uint32_t motor_high_ = 0;
    std::uint32_t motor_duration_ = 0;
    int mouse_x_ = 0;
    int mouse_y_ = 0;
};

std::string EffectObject::Label() const { return std::string("Effect.") + (sine_ ? "Sine" : "ConstantForce"); }

ULONG EffectObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        device_->Record(Label() + ".Release");
        playing_ = false;
        device_->ForgetEffect(this);
        IUnknown* device = device_interface_;
        delete this;
        device->Release();
    }
    return left;
}

HRESULT EffectObject::Start(DWORD, DWORD) {
    device_->Record(Label() + ".Start");
    const HRESULT ready = device_->EffectCanPlay();
    if (ready != DI_OK) return ready;
    playing_ = true;
    device_->UpdateMotors();
    return DI_OK;
}

HRESULT EffectObject::Stop() {
    device_->Record(Label() + ".Stop");
    playing_ = false;
    device_->UpdateMotors();
    return DI_OK;
}

template <class Interface>
class DeviceObject final : public Interface {
public:
    DeviceObject(DeviceKind kind, std::uint32_t pad_id, const IID& iid, const std::string& name)
        : core_(kind, pad_id, name), iid_(iid) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<Interface>(this, iid, iid_, object);
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            core_.Record("Release");
            delete this;
        }
        return left;
    }
    HRESULT SetDataFormat(const DIDATAFORMAT* format) override { return core_.SetDataFormat(format); }
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override { return core_.SetCooperativeLevel(window, flags); }
    HRESULT SetProperty(REFGUID property, const DIPROPHEADER* header) override {
        return core_.SetProperty(property, header);
    }
    HRESULT SetEventNotification(HANDLE event) override { return core_.SetEventNotification(event); }
    HRESULT Acquire() override { return core_.Acquire(); }
    HRESULT Unacquire() override { return core_.Unacquire(); }
    HRESULT GetDeviceState(DWORD size, void* data) override { return core_.GetDeviceState(size, data); }
    HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* instance) override { return core_.GetDeviceInfo(instance); }
    HRESULT Poll() override { return core_.Poll(); }
    HRESULT CreateEffect(REFGUID type, const DIEFFECT* parameters, IDirectInputEffect** effect, IUnknown* outer) override {
        return core_.CreateEffect(this, type, parameters, effect, outer);
    }

private:
    ~DeviceObject() = default;
    ULONG references_ = 1;
    DeviceCore core_;
    IID iid_;
};

}  // namespace

namespace sdl_input {

IDirectInputDeviceA* NewDevice(DeviceKind kind, std::uint32_t pad_id, int version, const std::string& name) {
    if (kind == DeviceKind::kJoystick && !OpenPad(pad_id)) return nullptr;
    IDirectInputDeviceA* made = nullptr;
    if (version == 7) {
        made = new (std::nothrow) DeviceObject<IDirectInputDevice7A>(kind, pad_id, IID_IDirectInputDevice7A, name);
    } else {
        made = new (std::nothrow) DeviceObject<IDirectInputDevice8A>(kind, pad_id, IID_IDirectInputDevice8A, name);
    }
    if (made == nullptr && kind == DeviceKind::kJoystick) ClosePad(pad_id);
    return made;
}

}  // namespace sdl_input
