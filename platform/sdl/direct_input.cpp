// The DirectInput objects, version 7 and version 8, registered with the platform's
// CoCreateInstance: initialisation, device enumeration (the system keyboard and mouse
// and the attached controllers) and device creation. The devices themselves are in
// direct_input_device.cpp; the controllers come from input_backend.cpp.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/sdl/direct_input_internal.h"
#include "platform/sdl/input_backend.h"
#include "platform/shift_jis.h"

namespace {
constexpr BYTE kTag[7] = {0x76, 0x6F, 0x6D, 0x75, 0x72, 0x44, 0x49};  // "vomurDI"
constexpr GUID MakeGuid(DWORD group, WORD item, BYTE last) {
    return GUID{group, item, 0x4000, {kTag[0], kTag[1], kTag[2], kTag[3], kTag[4], kTag[5], kTag[6], last}};
}
}  // namespace

const CLSID CLSID_DirectInput = MakeGuid(0x56A0D170, 7, 7);
const CLSID CLSID_DirectInput8 = MakeGuid(0x56A0D170, 8, 8);
const IID IID_IDirectInput7A = MakeGuid(0x56A0D171, 7, 7);
const IID IID_IDirectInput8A = MakeGuid(0x56A0D171, 8, 8);
const IID IID_IDirectInputDevice7A = MakeGuid(0x56A0D172, 7, 7);
const IID IID_IDirectInputDevice8A = MakeGuid(0x56A0D172, 8, 8);
const IID IID_IDirectInputEffect = MakeGuid(0x56A0D173, 0, 0);
const GUID GUID_SysMouse = MakeGuid(0x56A0D174, 1, 0);
const GUID GUID_SysKeyboard = MakeGuid(0x56A0D174, 2, 0);
const GUID GUID_ConstantForce = MakeGuid(0x56A0D175, 1, 0);
const GUID GUID_Sine = MakeGuid(0x56A0D175, 2, 0);
const GUID DIPROP_BUFFERSIZE = MakeGuid(0x56A0D176, 1, 0);
const GUID DIPROP_RANGE = MakeGuid(0x56A0D176, 4, 0);
const GUID DIPROP_DEADZONE = MakeGuid(0x56A0D176, 5, 0);

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 16, 2, 256, 256};
const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), 16, 2, sizeof(DIMOUSESTATE2), 11};
const DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), 16, 1, sizeof(DIJOYSTATE), 44};

namespace sdl_input {

GUID PadInstanceGuid(std::uint32_t pad_id) {
    GUID guid = MakeGuid(0x56A0D177, 0, 0);
    guid.Data3 = 0x4001;
    for (int i = 0; i < 4; ++i) guid.Data4[4 + i] = static_cast<BYTE>(pad_id >> (8 * i));
    return guid;
}

bool PadIdOfGuid(const GUID& guid, std::uint32_t* pad_id) {
    GUID pattern = PadInstanceGuid(0);
    std::uint32_t id = 0;
    for (int i = 0; i < 4; ++i) id |= static_cast<std::uint32_t>(guid.Data4[4 + i]) << (8 * i);
    pattern = PadInstanceGuid(id);
    if (pattern != guid) return false;
    *pad_id = id;
    return true;
}

GUID PadProductGuid(const std::string& product_name) {
    std::uint32_t hash = 2166136261u;  // FNV-1a over the name
    for (unsigned char c : product_name) hash = (hash ^ c) * 16777619u;
    GUID guid = MakeGuid(0x56A0D178, 0, 0);
    guid.Data1 = hash;
    return guid;
}

void CopyDeviceName(char (&field)[260], const std::string& name) {
    std::size_t length = 0;
    while (length < name.size()) {
        const unsigned char c = static_cast<unsigned char>(name[length]);
        const bool lead = IsShiftJisLeadByte(c);
        const std::size_t step = lead ? 2 : 1;
        if (length + step > sizeof field - 1 || length + step > name.size()) break;
        length += step;
    }
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), length);
}

}  // namespace sdl_input

namespace {

using sdl_input::DeviceKind;

// What both versions do; the two interface classes below forward to it.
class InputObjectCore {
public:
    explicit InputObjectCore(int version) : version_(version) {}
    ~InputObjectCore() {
        if (controllers_taken_) sdl_input::ReleaseControllerSupport();
    }

    const char* Name() const { return version_ == 7 ? "DirectInput7" : "DirectInput8"; }

    HRESULT Initialize(HINSTANCE, DWORD version) {
        sdl_input::Record(std::string(Name()) + ".Initialize");
        if (sdl_input::Fail(version_ == 7 ? "DirectInput7.Initialize" : "DirectInput8.Initialize")) {
            return DIERR_GENERIC;
        }
        // The version 7 object takes the interface versions 3 to 7, the version 8 object only 8.
        constexpr DWORD kVersion3 = 0x0300;
        constexpr DWORD kVersion7 = 0x0700;
        constexpr DWORD kVersion8 = 0x0800;
        if (version_ == 7) {
            if (version > kVersion7) return DIERR_BETADIRECTINPUTVERSION;
            if (version < kVersion3) return DIERR_OLDDIRECTINPUTVERSION;
        } else {
            if (version > kVersion8) return DIERR_BETADIRECTINPUTVERSION;
            if (version < kVersion8) return DIERR_OLDDIRECTINPUTVERSION;
        }
        if (!initialized_) {
            initialized_ = true;
            controllers_taken_ = sdl_input::AcquireControllerSupport();
        }
        return DI_OK;
    }

    HRESULT EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback, void* context, DWORD) {
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if (callback == nullptr) return DIERR_INVALIDPARAM;
        sdl_input::Record(std::string(Name()) + ".EnumDevices " + std::to_string(type));
        std::vector<DIDEVICEINSTANCEA> list;
        auto add = [&list](const GUID& instance, const GUID& product, DWORD dev_type, const std::string& name,
                           const std::string& product_name) {
            DIDEVICEINSTANCEA entry{};
            entry.dwSize = sizeof entry;
            entry.guidInstance = instance;
            entry.guidProduct = product;
            entry.dwDevType = dev_type;
            sdl_input::CopyDeviceName(entry.tszInstanceName, name);
            sdl_input::CopyDeviceName(entry.tszProductName, product_name);
            list.push_back(entry);
        };
        // Types 2, 3 and 4 mean the same in both versions (pointer, keyboard, game controller).
        if (type == 0 || type == DIDEVTYPE_MOUSE) add(GUID_SysMouse, GUID_SysMouse, DIDEVTYPE_MOUSE, "Mouse", "Mouse");
        if (type == 0 || type == DIDEVTYPE_KEYBOARD) {
            add(GUID_SysKeyboard, GUID_SysKeyboard, DIDEVTYPE_KEYBOARD, "Keyboard", "Keyboard");
        }
        if (type == 0 || type == DIDEVTYPE_JOYSTICK) {
            for (const sdl_input::PadInfo& pad : sdl_input::AttachedPads()) {
                add(sdl_input::PadInstanceGuid(pad.id), sdl_input::PadProductGuid(pad.product_name), DIDEVTYPE_JOYSTICK,
                    pad.name, pad.product_name);
            }
        }
        for (const DIDEVICEINSTANCEA& entry : list) {
            if (callback(&entry, context) == DIENUM_STOP) break;
        }
        return DI_OK;
    }

    HRESULT Create(REFGUID instance, IDirectInputDeviceA** device, IUnknown* outer, const char* call) {
        if (device == nullptr) return E_POINTER;
        *device = nullptr;
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        DeviceKind kind;
        std::uint32_t pad_id = 0;
        std::string name;
        if (instance == GUID_SysKeyboard) {
            kind = DeviceKind::kKeyboard;
            name = "Keyboard";
        } else if (instance == GUID_SysMouse) {
            kind = DeviceKind::kMouse;
            name = "Mouse";
        } else if (sdl_input::PadIdOfGuid(instance, &pad_id) && sdl_input::IsPadAttached(pad_id)) {
            kind = DeviceKind::kJoystick;
            name = "Joystick" + std::to_string(sdl_input::PlaceOfPad(pad_id));
        } else {
            return DIERR_DEVICENOTREG;
        }
        sdl_input::Record(std::string(Name()) + "." + call + " " + name);
        const char* step = kind == DeviceKind::kKeyboard ? "Keyboard.CreateDevice"
                           : kind == DeviceKind::kMouse  ? "Mouse.CreateDevice"
                                                         : "Joystick.CreateDevice";
        if (sdl_input::Fail(step)) return DIERR_GENERIC;
        *device = sdl_input::NewDevice(kind, pad_id, version_, name);
        return *device != nullptr ? DI_OK : DIERR_DEVICENOTREG;
    }

private:
    int version_;
    bool initialized_ = false;
    bool controllers_taken_ = false;
};

class DirectInput7Object final : public IDirectInput7A {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirectInput7A>(this, iid, IID_IDirectInput7A, object);
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Initialize(HINSTANCE instance, DWORD version) override { return core_.Initialize(instance, version); }
    HRESULT EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback, void* context, DWORD flags) override {
        return core_.EnumDevices(type, callback, context, flags);
    }
    HRESULT CreateDeviceEx(REFGUID instance, REFIID iid, void** device, IUnknown* outer) override {
        if (device == nullptr) return E_POINTER;
        *device = nullptr;
        if (iid != IID_IDirectInputDevice7A) return DIERR_NOINTERFACE;
        IDirectInputDeviceA* made = nullptr;
        const HRESULT result = core_.Create(instance, &made, outer, "CreateDeviceEx");
        *device = static_cast<IDirectInputDevice7A*>(made);
        return result;
    }

private:
    ~DirectInput7Object() = default;
    ULONG references_ = 1;
    InputObjectCore core_{7};
};

class DirectInput8Object final : public IDirectInput8A {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirectInput8A>(this, iid, IID_IDirectInput8A, object);
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Initialize(HINSTANCE instance, DWORD version) override { return core_.Initialize(instance, version); }
    HRESULT EnumDevices(DWORD device_class, LPDIENUMDEVICESCALLBACKA callback, void* context, DWORD flags) override {
        return core_.EnumDevices(device_class, callback, context, flags);
    }
    HRESULT CreateDevice(REFGUID instance, IDirectInputDevice8A** device, IUnknown* outer) override {
        if (device == nullptr) return E_POINTER;
        IDirectInputDeviceA* made = nullptr;
        const HRESULT result = core_.Create(instance, &made, outer, "CreateDevice");
        *device = static_cast<IDirectInputDevice8A*>(made);
        return result;
    }

private:
    ~DirectInput8Object() = default;
    ULONG references_ = 1;
    InputObjectCore core_{8};
};

template <class Object>
HRESULT CreateObject(const char* step, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    sdl_input::Record(std::string(step));
    // A failed step reads as a class that is not installed.
    if (sdl_input::Fail(step)) return REGDB_E_CLASSNOTREG;
    auto* made = new (std::nothrow) Object();
    if (made == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = made->QueryInterface(iid, object);
    made->Release();
    return result;
}

HRESULT CreateDirectInput7(REFIID iid, void** object) {
    return CreateObject<DirectInput7Object>("DirectInput7.Create", iid, object);
}
HRESULT CreateDirectInput8(REFIID iid, void** object) {
    return CreateObject<DirectInput8Object>("DirectInput8.Create", iid, object);
}

// Registered when this unit is linked, which any use of CLSID_DirectInput or of the
// data formats guarantees.
struct Registration {
    Registration() {
        RegisterComClass(CLSID_DirectInput, &CreateDirectInput7);
        RegisterComClass(CLSID_DirectInput8, &CreateDirectInput8);
    }
};
Registration g_registration;

}  // namespace
