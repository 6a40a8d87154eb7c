// Playing, seeking and closing movies by handle, and the alpha default, for tests.
#include "tests/support/engine_testing/movie_testing.h"

#include "engine/core/core.h"
#include "engine/movie/movie_record.h"
#include "tests/support/engine_testing/sound_testing.h"

namespace {

// Puts the sound track at the time of the decoder's frame (a seek beyond the end stands at
// the last frame). The sound goes 2 ms into the frame (half a frame at most), so that its
// position read back in whole milliseconds gives this frame again, not the one before.
void MoveSoundToFrame(MovieRecord* record) {
    TheoraMovieInfo info;
    GetTheoraMovieInfo(record->theora, &info);
    if (info.frames_per_second <= 0) return;
    const double start_ms = GetTheoraCurrentFrame(record->theora) * 1000.0 / info.frames_per_second;
    const double into = 500.0 / info.frames_per_second < 2.0 ? 500.0 / info.frames_per_second : 2.0;
    SeekStreamSound(record->sound, DoubleToInt(start_ms + into));
}

int SeekMediaMovie(MovieRecord* record, std::int64_t time_100ns) {
    if (record->media == nullptr) return 0;
    MediaStreamSeek(record->media, time_100ns);
    record->last_flip_count = -1;
    record->last_update_time = kNoUpdate;
    // A paused movie is not collected from, so the frame sought is taken here for its graph.
    if (record->paused) TakeStandingFrame(record);
    return 0;
}

}  // namespace

int PlayMovie(int movie, int loop) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    const std::int32_t play_type = loop ? 3 : 1;
    if (record->paused) {
        StartMovie(record, play_type);
    } else {
        record->play_type = play_type;
    }
    return 0;
}

int SeekMovieFrame(int movie, int frame) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    if (record->theora_flag) {
        SeekTheoraFrame(record->theora, frame);
        if (record->sound != -1) MoveSoundToFrame(record);
        if (!record->paused) StartMovie(record, record->play_type);
        return 0;
    }
    if (record->media == nullptr) return 0;
    std::int32_t width = 0, height = 0;
    double rate = 0;
    MediaStreamGetFormat(record->media, &width, &height, &rate);
    const double seconds = rate > 0 ? frame / rate : 0.0;
    return SeekMediaMovie(record, static_cast<std::int64_t>(seconds * 10000000.0));
}

int CloseAllMovies() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        const MovieRecord* record = MovieRecordOfSlot(slot);
        if (record != nullptr) CloseMovie(MakeHandleValue(kHandleKindMovie, record->check, slot));
    }
    return 0;
}

std::int32_t& MovieAlphaDefault() { return g_movie_alpha_default; }
