// Seeking a stream sound, for tests.
#include "tests/support/engine_testing/sound_testing.h"

#include <cstdint>

#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"

int SeekStreamSound(int sound, int position_ms) {
    if (!SoundIsUp()) return -1;
    SoundRecord* r = FindSoundRecord(sound);
    if (r == nullptr || !r->stream_flag || r->source_count == 0) return -1;
    const bool was_playing = CheckStreamSoundPlaying(sound) == 1;
    StopStreamSound(sound);
    RewindStreamSound(r);
    const std::int64_t ms = position_ms < 0 ? 0 : position_ms;
    std::int64_t sample = (ms * r->format.nSamplesPerSec + 999) / 1000;
    if (sample > r->total_samples) sample = r->total_samples;
    r->played_bytes = static_cast<std::uint32_t>(sample * r->format.nBlockAlign);
    // The source holding the sample; the stream goes on from its place in it.
    std::int64_t left = sample;
    int source = 0;
    while (source < r->source_count - 1 && left >= StreamSourceSamples(&r->sources[source].converter)) {
        left -= StreamSourceSamples(&r->sources[source].converter);
        ++source;
    }
    r->current_source = source;
    r->source_bytes_written = static_cast<std::uint32_t>(left * r->format.nBlockAlign);
    if (was_playing) PlayStreamSound(sound, r->stream_play_type, 0);
    return 0;
}
