// Movie handles: the table of 100 records, opening a file through the Theora decoder or
// else the media player, the play state (requested, paused, looping) and the Theora clock
// that picks the frame to show, pausing and resuming on activation changes. Relies on the
// file-access table, the microsecond clock, the two players behind movie_record.h and
// the sound room, which plays a Theora movie's Vorbis track as a stream sound whose play
// position is then the movie's clock.
#include <cstring>

#include "engine/core/core.h"
#include "engine/movie/movie_record.h"
#include "engine/sound/sound.h"

// Copied into every new record; the graph manager makes alpha movies' graphs with it.
std::int32_t g_movie_alpha_default = 0;

namespace {

MovieRecord* g_slots[kMovieLimit];
HandleTable g_table{kHandleKindMovie, kMovieLimit, reinterpret_cast<void**>(g_slots), 0, 0, 0};

constexpr int kTheoraStock = 10;

// The movie table keeps two rules of its own over the shared ones: an open takes the
// lowest free slot, and only a movie that opened takes a check count, so failed opens
// leave the next handle as it was.
int LowestFreeSlot() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        if (g_slots[slot] == nullptr) return slot;
    }
    return -1;
}

// Frees the record of a movie that did not open and empties its slot.
void DropSlot(int slot) {
    TrackedFree(g_slots[slot]);
    g_slots[slot] = nullptr;
    NoteHandleSlotEmptied(g_table, slot, HandleRecordSlotInUse);
}

int HandleOfSlot(int slot) {
    return g_slots[slot] == nullptr ? -1 : MakeHandleValue(kHandleKindMovie, g_slots[slot]->check, slot);
}

// The movie's Vorbis track as a stream sound over the file, or -1 when there is none the
// sound room can read (or no sound device).
int LoadMovieSound(const char* path) {
    const int saved_type = GetSoundDataCreateType();
    SetMovieSoundSwitch(1);
    SetSoundDataCreateType(3);
    const int sound = LoadSoundFile(path, 1, -1);
    SetMovieSoundSwitch(0);
    SetSoundDataCreateType(saved_type);
    return sound < 0 ? -1 : sound;
}

// The frame the Theora clock wants now: the sound's play position when the movie has a
// sound track (the sound loops by itself), else the microsecond clock from the start.
void StepTheoraClock(MovieRecord* record) {
    TheoraMovieInfo info;
    GetTheoraMovieInfo(record->theora, &info);
    const std::int64_t total = info.frame_total;
    const int position_ms = record->sound != -1 ? GetSoundPlayPositionMs(record->sound) : -1;
    // A track whose handle went with the sound system leaves the movie on the microsecond clock.
    if (position_ms < 0) record->sound = -1;
    const bool with_sound = record->sound != -1;
    std::int64_t frame = 0;
    if (with_sound) {
        const std::int64_t position_us = static_cast<std::int64_t>(position_ms) * 1000;
        frame = DoubleToInt(static_cast<double>(position_us) * info.frames_per_second * 0.000001);
        if (frame >= total) frame = total - 1;
    } else {
        const std::int64_t elapsed = GetMicrosecondCount(0) - record->start_time;
        frame = DoubleToInt(static_cast<double>(elapsed) * info.frames_per_second * 0.000001);
        if (frame >= total) frame = (record->play_type & kMoviePlayLoop) != 0 ? frame % total : total - 1;
    }
    // Before the start (a clock rebased ahead) the first frame shows.
    if (frame < 0) frame = 0;
    const std::int64_t current = GetTheoraCurrentFrame(record->theora);
    if (frame == current) {
        // A movie with sound is never ended here: at its last frame it stays wanted.
        if (frame == total - 1 && (record->play_type & kMoviePlayLoop) == 0 && !with_sound) {
            record->play_requested = 0;
            record->paused = 1;
        }
    } else if (frame < current) {
        AdvanceTheoraFrames(record->theora, static_cast<int>(total - current + frame));
    } else {
        AdvanceTheoraFrames(record->theora, static_cast<int>(frame - current));
    }
}

}  // namespace

void StartMovie(MovieRecord* record, std::int32_t play_type) {
    if (record->theora_flag) {
        TheoraMovieInfo info;
        GetTheoraMovieInfo(record->theora, &info);
        const double frame = GetTheoraCurrentFrame(record->theora);
        record->start_time =
            GetMicrosecondCount(0) - static_cast<std::int64_t>(DoubleToInt(frame / info.frames_per_second * 1000000.0));
        // Restart 0: the sound continues from where it stopped.
        if (record->sound != -1) PlaySoundHandle(record->sound, play_type, 0);
    } else {
        if (record->media == nullptr) return;
        RunMediaMovie(record);
    }
    record->paused = 0;
    record->play_type = play_type;
    record->play_requested = 1;
}

MovieRecord* LookupMovie(int movie) { return static_cast<MovieRecord*>(LookupHandleRecord(g_table, movie)); }
MovieRecord* GetMovieRecord(int movie) { return LookupMovie(movie); }

int GetMovieAlphaFlag(int movie) {
    const MovieRecord* record = LookupMovie(movie);
    return record != nullptr && record->alpha != 0 ? 1 : 0;
}
MovieRecord* MovieRecordOfSlot(int slot) { return slot >= 0 && slot < kMovieLimit ? g_slots[slot] : nullptr; }

int OpenMovie(const char* path, int* width, int* height, int surface_mode) {
    const int slot = LowestFreeSlot();
    if (slot < 0) return -1;
    auto* record = static_cast<MovieRecord*>(TrackedCalloc(sizeof(MovieRecord), "", 0));
    if (record == nullptr) return WriteLogText("メモリの確保に失敗しました in OpenMovie");
    g_slots[slot] = record;
    NoteHandleSlotFilled(g_table, slot);
    record->alpha = g_movie_alpha_default;
    record->sound = -1;
    record->file = FileAccessOpen(path, 0, 1, 0);
    bool oversized = false;
    if (record->file != 0) {
        record->theora = OpenTheoraMovie(GetFileAccessTable(), record->file, kTheoraStock, &oversized);
        if (record->theora == nullptr) {
            FileAccessClose(record->file);
            record->file = 0;
        }
    }
    // A Theora movie refused for the memory its pictures would take goes to no other
    // player: decoding the same stream there would take as much.
    if (oversized) {
        DropSlot(slot);
        return WriteLogText("ムービーファイルオープン処理時にエラーが発生しました");
    }
    if (record->theora != nullptr) {
        TheoraMovieInfo info;
        GetTheoraMovieInfo(record->theora, &info);
        record->width = info.width;
        record->height = info.height;
        if (width != nullptr) *width = info.width;
        if (height != nullptr) *height = info.height;
        record->theora_flag = 1;
        record->frame_image_pointer = GetTheoraFrameImage(record->theora);
        record->surface_mode = 0;
        record->frame_pending = 1;
        record->sound = LoadMovieSound(path);
    } else {
        if (OpenMediaMovie(record, path, width, height, surface_mode) == -1) {
            DropSlot(slot);
            return WriteLogText("ムービーファイルオープン処理時にエラーが発生しました");
        }
        record->frame_image_pointer = &record->frame_image;
    }
    record->paused = 1;
    record->play_requested = 0;
    record->play_type = 1;
    record->check = TakeHandleCheckCount(g_table);
    return MakeHandleValue(kHandleKindMovie, record->check, slot);
}

int CloseMovie(int movie) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    if (record->theora_flag) {
        CloseTheoraMovie(record->theora);
        if (record->file != 0) FileAccessClose(record->file);
        if (record->sound != -1) DeleteSoundHandle(record->sound);
        record->theora = nullptr;
        record->file = 0;
        record->sound = -1;
        record->theora_flag = 0;
    } else {
        CloseMediaMovie(record);
    }
    FreeHandleRecord(g_table, movie);
    return 0;
}

int SetMovieFrameCallback(int movie, MovieFrameCallback callback, std::intptr_t user) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    record->callback = callback;
    record->user = user;
    return 0;
}

int UpdateMovieFrame(int movie, int force) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return 0;
    if (!record->theora_flag) return UpdateMediaMovie(record, force);
    if (!record->paused) StepTheoraClock(record);
    if (record->callback != nullptr) {
        record->callback(record, record->user);
        record->frame_ready = 1;
    }
    return 0;
}

int FetchMovieFrame(MovieRecord* record, MovieFrame* frame) {
    // A frame converted and not handed over yet is handed over: also the first frame,
    // which the opener converted before any callback was set.
    if (record->theora_flag && FetchTheoraFrame(record->theora, 1, 0) == 1) record->frame_pending = 1;
    if (!record->frame_pending) return 0;
    record->frame_pending = 0;
    const MovieFrameImage* image = record->frame_image_pointer;
    if (image == nullptr || image->pixels == nullptr) return 0;
    if (record->alpha == 0) {
        *frame = MovieFrame{image->width, image->height, image->pitch, image->pixels, nullptr};
        return 1;
    }
    // Colour in the left half, alpha in the right half, each half the frame's width.
    const std::int32_t half = image->width / 2;
    *frame = MovieFrame{half, image->height, image->pitch, image->pixels,
                        image->pixels + static_cast<std::size_t>(half) * 4};
    return 1;
}

int PauseMovie(int movie, int keep_request) {
    MovieRecord* record = LookupMovie(movie);
    if (record == nullptr) return -1;
    if (record->paused) return 0;
    if (record->theora_flag) {
        // The sound stops first, so that the decoder stands at the frame of its position.
        if (record->sound != -1) StopSoundHandle(record->sound);
        UpdateMovieFrame(movie, 0);
    } else {
        if (record->media == nullptr) return 0;
        PauseMediaMovie(record);
    }
    record->paused = 1;
    if (keep_request == 0) record->play_requested = 0;
    return 0;
}

int PauseAllMovies() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        if (g_slots[slot] != nullptr) PauseMovie(HandleOfSlot(slot), 1);
    }
    return 0;
}

int ResumeAllMovies() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        MovieRecord* record = LookupMovie(HandleOfSlot(slot));
        if (record == nullptr) continue;
        const std::int32_t play_type = record->play_type == 0 ? 1 : record->play_type;
        if (!record->paused || !record->play_requested) continue;
        StartMovie(record, play_type);
    }
    return 0;
}

int RestoreMovieSurfaces(int movie) {
    // Frames live in system memory here, but an overlay movie's overlay surface goes with
    // the display and is restored (its picture comes with the next frame).
    const MovieRecord* record = LookupMovie(movie);
    if (record == nullptr || record->overlay_surface == nullptr) return 0;
    if (record->overlay_surface->IsLost() != DD_OK) record->overlay_surface->Restore();
    return 0;
}
