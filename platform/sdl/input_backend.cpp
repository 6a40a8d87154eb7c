// The devices behind the input stand-ins: the attached game controllers (SDL game
// controllers, or plain SDL joysticks without the standard layout) and their readings,
// rumble, the new-data events set from SDL's event stream, and the test script,
// failure injection and call record of platform/input_hooks.h.
#include "platform/sdl/input_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/code_page.h"
#include "platform/input_hooks.h"
#include "platform/kernel.h"

namespace {

// ---- script --------------------------------------------------------------------------------
bool g_scripted = false;

struct ScriptedEntry {
    std::uint32_t id;
    platform_hooks::ScriptedPad pad;
};
std::vector<ScriptedEntry> g_scripted_pads;
std::uint32_t g_next_scripted_id = 0x10000;
std::vector<platform_hooks::RumbleRecord> g_rumble_records;
std::vector<std::string> g_call_record;

struct Failure {
    int count;
    int skip;
};
std::map<std::string, Failure> g_failures;

ScriptedEntry* FindScripted(std::uint32_t id) {
    for (ScriptedEntry& entry : g_scripted_pads) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

// ---- SDL controllers ---------------------------------------------------------------------------
struct OpenController {
    std::uint32_t id;
    int references;
    SDL_GameController* controller;  // null for a plain joystick
    SDL_Joystick* joystick;
};
std::vector<OpenController> g_open;
int g_sdl_controller_references = 0;

OpenController* FindOpen(std::uint32_t id) {
    for (OpenController& entry : g_open) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

int DeviceIndexOf(std::uint32_t id) {
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        if (static_cast<std::uint32_t>(SDL_JoystickGetDeviceInstanceID(i)) == id) return i;
    }
    return -1;
}

std::string ToCp932(const char* utf8) {
    if (utf8 == nullptr) return {};
    std::string out;
    Utf8ToCp932(utf8, std::strlen(utf8), out);
    return out;
}

// Buttons of the standard layout in the order the devices report them; the D-pad is
// folded into the stick axes instead.
constexpr SDL_GameControllerButton kButtonOrder[] = {
    SDL_CONTROLLER_BUTTON_A,          SDL_CONTROLLER_BUTTON_B,           SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,          SDL_CONTROLLER_BUTTON_BACK,        SDL_CONTROLLER_BUTTON_GUIDE,
    SDL_CONTROLLER_BUTTON_START,      SDL_CONTROLLER_BUTTON_LEFTSTICK,   SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_MISC1,
    SDL_CONTROLLER_BUTTON_PADDLE1,    SDL_CONTROLLER_BUTTON_PADDLE2,     SDL_CONTROLLER_BUTTON_PADDLE3,
    SDL_CONTROLLER_BUTTON_PADDLE4,    SDL_CONTROLLER_BUTTON_TOUCHPAD,
};

// ---- listeners -------------------------------------------------------------------------------------
struct Listener {
    const void* owner;
    sdl_input::Source source;
    std::uint32_t pad_id;
    HANDLE event;
};
std::mutex g_listener_lock;  // SDL may push events from other threads
std::vector<Listener> g_listeners;

int WatchSdlEvent(void*, SDL_Event* event) {
    if (g_scripted) return 0;
    switch (event->type) {
        case SDL_KEYDOWN:
            if (event->key.repeat == 0) sdl_input::NoteKeyPressed(sdl_input::KeyCodeOfScancode(event->key.keysym.scancode));
            sdl_input::SignalKeyboardListeners();
            break;
        case SDL_KEYUP:
            sdl_input::SignalKeyboardListeners();
            break;
        case SDL_CONTROLLERAXISMOTION:
            sdl_input::SignalPadListeners(static_cast<std::uint32_t>(event->caxis.which));
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            sdl_input::SignalPadListeners(static_cast<std::uint32_t>(event->cbutton.which));
            break;
        case SDL_JOYAXISMOTION:
            sdl_input::SignalPadListeners(static_cast<std::uint32_t>(event->jaxis.which));
            break;
        case SDL_JOYHATMOTION:
            sdl_input::SignalPadListeners(static_cast<std::uint32_t>(event->jhat.which));
            break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            sdl_input::SignalPadListeners(static_cast<std::uint32_t>(event->jbutton.which));
            break;
        case SDL_JOYDEVICEREMOVED:
            sdl_input::SignalPadListeners(static_cast<std::uint32_t>(event->jdevice.which));
            break;
        default:
            break;
    }
    return 0;
}

// The event loop drops its watchers when it ends, so the watch is put in place again
// whenever a listener is set.
void EnsureEventWatch() {
    SDL_DelEventWatch(WatchSdlEvent, nullptr);
    SDL_AddEventWatch(WatchSdlEvent, nullptr);
}

std::int32_t Clamp16(int value) { return std::clamp(value, sdl_input::kRawAxisMin, sdl_input::kRawAxisMax); }

}  // namespace

namespace sdl_input {

bool Scripted() { return g_scripted; }

bool Fail(const char* step) { return platform_hooks::TakeInputFailure(step); }

void Record(const std::string& line) {
    if (g_scripted) g_call_record.push_back(line);
}

// ---- controller support -----------------------------------------------------------------------
bool AcquireControllerSupport() {
    if (g_scripted) return false;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
    ++g_sdl_controller_references;
    return true;
}

void ReleaseControllerSupport() {
    if (g_sdl_controller_references <= 0) return;
    if (--g_sdl_controller_references == 0) {
        for (OpenController& entry : g_open) {
            if (entry.controller != nullptr) {
                SDL_GameControllerClose(entry.controller);
            } else if (entry.joystick != nullptr) {
                SDL_JoystickClose(entry.joystick);
            }
        }
        g_open.clear();
    }
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

// ---- controllers --------------------------------------------------------------------------------
std::vector<PadInfo> AttachedPads() {
    std::vector<PadInfo> pads;
    if (g_scripted) {
        for (const ScriptedEntry& entry : g_scripted_pads) {
            pads.push_back({entry.id, entry.pad.name, entry.pad.product_name, true});
        }
        return pads;
    }
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return pads;
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        const std::string name = ToCp932(SDL_JoystickNameForIndex(i));
        pads.push_back({static_cast<std::uint32_t>(SDL_JoystickGetDeviceInstanceID(i)), name, name,
                        SDL_IsGameController(i) == SDL_TRUE});
    }
    return pads;
}

bool IsPadAttached(std::uint32_t id) { return PlaceOfPad(id) >= 0; }

int PlaceOfPad(std::uint32_t id) {
    if (g_scripted) {
        for (std::size_t i = 0; i < g_scripted_pads.size(); ++i) {
            if (g_scripted_pads[i].id == id) return static_cast<int>(i);
        }
        return -1;
    }
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return -1;
    return DeviceIndexOf(id);
}

bool OpenPad(std::uint32_t id) {
    if (g_scripted) return FindScripted(id) != nullptr;
    if (OpenController* open = FindOpen(id)) {
        ++open->references;
        return true;
    }
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return false;
    const int index = DeviceIndexOf(id);
    if (index < 0) return false;
    OpenController entry{id, 1, nullptr, nullptr};
    if (SDL_IsGameController(index)) {
        entry.controller = SDL_GameControllerOpen(index);
        if (entry.controller != nullptr) entry.joystick = SDL_GameControllerGetJoystick(entry.controller);
    }
    if (entry.joystick == nullptr) entry.joystick = SDL_JoystickOpen(index);
    if (entry.joystick == nullptr) return false;
    g_open.push_back(entry);
    return true;
}

void ClosePad(std::uint32_t id) {
    if (g_scripted) return;
    for (auto it = g_open.begin(); it != g_open.end(); ++it) {
        if (it->id != id) continue;
        if (--it->references == 0) {
            if (it->controller != nullptr) {
                SDL_GameControllerClose(it->controller);
            } else {
                SDL_JoystickClose(it->joystick);
            }
            g_open.erase(it);
        }
        return;
    }
}

void UpdatePads() {
    if (g_scripted || g_open.empty()) return;
    SDL_GameControllerUpdate();
}

bool ReadPad(std::uint32_t id, PadReading* reading) {
    *reading = PadReading{};
    if (g_scripted) {
        const ScriptedEntry* entry = FindScripted(id);
        if (entry == nullptr) return false;
        const platform_hooks::ScriptedPad& pad = entry->pad;
        for (int i = 0; i < 6; ++i) reading->axes[i] = Clamp16(pad.axes[i]);
        reading->up = pad.dpad_up;
        reading->down = pad.dpad_down;
        reading->left = pad.dpad_left;
        reading->right = pad.dpad_right;
        reading->button_count = std::clamp(pad.button_count, 0, kMaxPadButtons);
        reading->buttons = reading->button_count == kMaxPadButtons
                               ? pad.buttons
                               : pad.buttons & ((std::uint32_t{1} << reading->button_count) - 1);
        reading->axis_count = 6;
        return true;
    }
    const OpenController* open = FindOpen(id);
    if (open == nullptr || SDL_JoystickGetAttached(open->joystick) != SDL_TRUE) return false;
    if (open->controller != nullptr) {
        SDL_GameController* gc = open->controller;
        const SDL_GameControllerAxis axes[6] = {SDL_CONTROLLER_AXIS_LEFTX,       SDL_CONTROLLER_AXIS_LEFTY,
                                                SDL_CONTROLLER_AXIS_RIGHTX,      SDL_CONTROLLER_AXIS_RIGHTY,
                                                SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
        for (int i = 0; i < 6; ++i) reading->axes[i] = SDL_GameControllerGetAxis(gc, axes[i]);
        reading->up = SDL_GameControllerGetButton(gc, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0;
        reading->down = SDL_GameControllerGetButton(gc, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0;
        reading->left = SDL_GameControllerGetButton(gc, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0;
        reading->right = SDL_GameControllerGetButton(gc, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0;
        int bit = 0;
        for (SDL_GameControllerButton button : kButtonOrder) {
            if (SDL_GameControllerGetButton(gc, button)) reading->buttons |= std::uint32_t{1} << bit;
            ++bit;
        }
        reading->button_count = bit;
        reading->axis_count = 6;
        return true;
    }
    SDL_Joystick* js = open->joystick;
    reading->axis_count = std::min(SDL_JoystickNumAxes(js), 6);
    for (int i = 0; i < reading->axis_count; ++i) reading->axes[i] = SDL_JoystickGetAxis(js, i);
    if (SDL_JoystickNumHats(js) > 0) {
        const Uint8 hat = SDL_JoystickGetHat(js, 0);
        reading->up = (hat & SDL_HAT_UP) != 0;
        reading->down = (hat & SDL_HAT_DOWN) != 0;
        reading->left = (hat & SDL_HAT_LEFT) != 0;
        reading->right = (hat & SDL_HAT_RIGHT) != 0;
    }
    reading->button_count = std::clamp(SDL_JoystickNumButtons(js), 0, kMaxPadButtons);
    for (int i = 0; i < reading->button_count; ++i) {
        if (SDL_JoystickGetButton(js, i)) reading->buttons |= std::uint32_t{1} << i;
    }
    return true;
}

bool PadHasRumble(std::uint32_t id) {
    if (g_scripted) {
        const ScriptedEntry* entry = FindScripted(id);
        return entry != nullptr && entry->pad.rumble;
    }
    const OpenController* open = FindOpen(id);
    return open != nullptr && SDL_JoystickHasRumble(open->joystick) == SDL_TRUE;
}

bool RumblePad(std::uint32_t id, std::uint16_t low, std::uint16_t high, std::uint32_t duration_ms) {
    if (g_scripted) {
        const int place = PlaceOfPad(id);
        if (place < 0) return false;
        g_rumble_records.push_back({place, low, high, duration_ms});
        return true;
    }
    const OpenController* open = FindOpen(id);
    if (open == nullptr) return false;
    return SDL_JoystickRumble(open->joystick, low, high, duration_ms) == 0;
}

// ---- listeners -------------------------------------------------------------------------------------
void SetDataListener(const void* owner, Source source, std::uint32_t pad_id, HANDLE event) {
    {
        std::lock_guard<std::mutex> lock(g_listener_lock);
        g_listeners.erase(std::remove_if(g_listeners.begin(), g_listeners.end(),
                                         [owner](const Listener& l) { return l.owner == owner; }),
                          g_listeners.end());
        if (event != nullptr) g_listeners.push_back({owner, source, pad_id, event});
    }
    if (event != nullptr && !g_scripted) EnsureEventWatch();
}

void RemoveDataListener(const void* owner) { SetDataListener(owner, Source::kKeyboard, 0, nullptr); }

void SignalKeyboardListeners() {
    std::lock_guard<std::mutex> lock(g_listener_lock);
    for (const Listener& l : g_listeners) {
        if (l.source == Source::kKeyboard) SetEvent(l.event);
    }
}

void SignalPadListeners(std::uint32_t pad_id) {
    std::lock_guard<std::mutex> lock(g_listener_lock);
    for (const Listener& l : g_listeners) {
        if (l.source == Source::kPad && l.pad_id == pad_id) SetEvent(l.event);
    }
}

}  // namespace sdl_input

namespace platform_hooks {

void SetScriptedInput(bool on) {
    g_scripted = on;
    g_scripted_pads.clear();
    g_rumble_records.clear();
    g_call_record.clear();
    sdl_input::ResetKeyStates();
}

bool IsScriptedInput() { return g_scripted; }

int AttachScriptedPad(const ScriptedPad& pad) {
    g_scripted_pads.push_back({g_next_scripted_id++, pad});
    return static_cast<int>(g_scripted_pads.size()) - 1;
}

void DetachScriptedPad(int place) {
    if (place < 0 || place >= static_cast<int>(g_scripted_pads.size())) return;
    const std::uint32_t id = g_scripted_pads[static_cast<std::size_t>(place)].id;
    g_scripted_pads.erase(g_scripted_pads.begin() + place);
    sdl_input::SignalPadListeners(id);
}

void SetScriptedPadState(int place, const ScriptedPad& pad) {
    if (place < 0 || place >= static_cast<int>(g_scripted_pads.size())) return;
    ScriptedPad& held = g_scripted_pads[static_cast<std::size_t>(place)].pad;
    bool changed = held.dpad_up != pad.dpad_up || held.dpad_down != pad.dpad_down ||
                   held.dpad_left != pad.dpad_left || held.dpad_right != pad.dpad_right || held.buttons != pad.buttons;
    for (int i = 0; i < 6; ++i) {
        changed = changed || held.axes[i] != pad.axes[i];
        held.axes[i] = pad.axes[i];
    }
    held.dpad_up = pad.dpad_up;
    held.dpad_down = pad.dpad_down;
    held.dpad_left = pad.dpad_left;
    held.dpad_right = pad.dpad_right;
    held.buttons = pad.buttons;
    if (changed) sdl_input::SignalPadListeners(g_scripted_pads[static_cast<std::size_t>(place)].id);
}

std::vector<RumbleRecord> TakeRumbleRecords() {
    std::vector<RumbleRecord> out;
    out.swap(g_rumble_records);
    return out;
}

void SetInputFailure(const char* step, int count, int skip) {
    if (count == 0) {
        g_failures.erase(step);
    } else {
        g_failures[step] = Failure{count, std::max(skip, 0)};
    }
}

void ClearInputFailures() { g_failures.clear(); }

bool TakeInputFailure(const char* step) {
    auto it = g_failures.find(step);
    if (it == g_failures.end()) return false;
    Failure& failure = it->second;
    if (failure.skip > 0) {
        --failure.skip;
        return false;
    }
    if (failure.count > 0) {
        if (--failure.count == 0) g_failures.erase(it);
        return true;
    }
    return failure.count < 0;
}

std::vector<std::string> TakeInputCallRecord() {
    std::vector<std::string> out;
    out.swap(g_call_record);
    return out;
}

void RecordInputCall(const std::string& line) { sdl_input::Record(line); }

}  // namespace platform_hooks
