// The MIDI side that exists here: the table of MIDI handles (nothing creates one), the
// MCI notification, stop, delete and poll calls that find nothing to do, the current
// music slot, and the end of a WAV capture that is never started.
#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"
#include "platform/mci.h"

namespace {

constexpr int kMaxMidi = 256;

struct MidiRecord {
    std::uint32_t check;
    std::int32_t playing;
    std::int32_t started;
    void* data;
    std::uint32_t data_bytes;
    void* segment;
};

struct MidiState {
    void* slots[kMaxMidi];
    HandleTable table;
    std::int32_t mode;  // 0 MCI; the DirectMusic mode is never switched on
    MCIDEVICEID device;
    std::int32_t loop;
    std::int32_t mci_playing;
    std::int32_t current_music;
    std::int32_t current_music_kind;
};

MidiState& Midi() {
    static MidiState state = [] {
        MidiState s{};
        s.table = HandleTable{kHandleKindMidiMusic, kMaxMidi, nullptr, 0, 0, 0};
        return s;
    }();
    state.table.records = state.slots;
    return state;
}

}  // namespace

int HandleMciNotify() {
    MidiState& m = Midi();
    if (m.loop == 1) {
        MCI_PLAY_PARMS play{};
        play.dwCallback = reinterpret_cast<std::uintptr_t>(GetMainWindowHandle());
        play.dwFrom = 0;
        mciSendCommandA(m.device, MCI_PLAY, MCI_NOTIFY | MCI_FROM, reinterpret_cast<std::uintptr_t>(&play));
        m.mci_playing = 1;
    } else if (m.mci_playing == 1) {
        mciSendCommandA(m.device, MCI_CLOSE, 0, 0);
        m.mci_playing = 0;
    }
    return 0;
}

int StopMidiHandle(int midi) {
    MidiState& m = Midi();
    if (!SoundIsUp()) return -1;
    auto* record = static_cast<MidiRecord*>(LookupHandleRecord(m.table, midi));
    if (record == nullptr) return -1;
    m.loop = 0;
    HandleMciNotify();
    for (int i = 0; i < 5; ++i) GetShellHooks()->pump_messages();
    record->playing = 0;
    record->started = 0;
    return 0;
}

int GetMidiPlayState(int midi) {
    MidiState& m = Midi();
    auto* record = static_cast<MidiRecord*>(LookupHandleRecord(m.table, midi));
    if (record == nullptr) return -1;
    return m.mode == 0 ? m.mci_playing : record->playing;
}

int DeleteMidiHandle(int midi) {
    MidiState& m = Midi();
    auto* record = static_cast<MidiRecord*>(LookupHandleRecord(m.table, midi));
    if (record == nullptr) return -1;
    if (GetMidiPlayState(midi) == 1) StopMidiHandle(midi);
    TrackedFree(record->data);
    record->data = nullptr;
    return FreeHandleRecord(m.table, midi);
}

int DeleteAllMidiHandles() {
    MidiState& m = Midi();
    for (int slot = 0; slot < m.table.end_mark; ++slot) {
        const auto* record = static_cast<const MidiRecord*>(m.slots[slot]);
        if (record != nullptr) DeleteMidiHandle(MakeHandleValue(kHandleKindMidiMusic, record->check, slot));
    }
    return 0;
}

int PollMusicPlayState() {
    if (!SoundIsUp()) return -1;
    // Only the DirectMusic mode has segments to ask about, and it is never on.
    return 0;
}

int StopCurrentMusic() {
    MidiState& m = Midi();
    if (m.current_music == 0) return 0;
    if (m.current_music_kind == 1) {
        StopSoundHandle(m.current_music);
        DeleteSoundHandle(m.current_music);
    } else {
        StopMidiHandle(m.current_music);
        DeleteMidiHandle(m.current_music);
    }
    m.current_music = 0;
    return 0;
}

// No capture is ever started, so there is nothing to finish.
int EndWavCapture() { return 0; }
