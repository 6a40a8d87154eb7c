// The movie handle record shared by the handle layer, the player for formats other than
// Theora and the overlay placement.
#pragma once

#include <cstdint>

#include "engine/movie/movie.h"
#include "engine/movie/theora_movie.h"
#include "platform/ddraw.h"
#include "platform/media_stream.h"
#include "platform/kernel_types.h"

constexpr int kMovieLimit = 100;
constexpr int kMoviePathBytes = 260;
constexpr std::int32_t kMoviePlayLoop = 2;

struct OverlayPlacement {
    std::int32_t x, y, scale, show;
    RECT source;
    RECT destination;
};

struct MovieRecord {
    std::uint32_t check;
    std::int32_t play_type;  // bit 1 (2): loop
    std::int32_t theora_flag;
    TheoraMovie* theora;
    std::int64_t start_time;  // microseconds at which frame 0 counts as shown
    FileHandle file;
    std::int32_t sound;  // -1: no sound track
    MediaStream* media;  // the stream of a movie that is not Theora; null once released
    std::int64_t last_flip_count;
    std::uint32_t last_update_time;  // kNoUpdate: none since the stream started or moved
    std::int32_t width, height;
    std::int32_t alpha;
    std::int32_t play_requested;
    std::int32_t paused;
    std::int32_t frame_ready;
    std::int32_t surface_mode;
    std::int64_t saved_stream_time;  // 100 ns units
    std::int32_t released;
    std::int32_t temporary_copy;  // 1: `path` is a copy made by the player, deleted on close
    char path[kMoviePathBytes];
    std::int32_t frame_pending;  // a frame in the frame image not handed over yet
    MovieFrameImage frame_image;
    MovieFrameImage* frame_image_pointer;
    OverlayPlacement overlay;
    IDirectDrawSurface7* overlay_surface;  // surface mode 1: the frames' surface; null once released
    MovieFrameCallback callback;
    std::intptr_t user;
};

constexpr std::uint32_t kNoUpdate = 0xFFFFFFFFu;

MovieRecord* LookupMovie(int movie);
// The movie alpha default copied into every new record's alpha flag: 0 unless changed
// (nothing in the engine changes it; the tests do).
extern std::int32_t g_movie_alpha_default;
// The record in a slot of the table, or null.
MovieRecord* MovieRecordOfSlot(int slot);
// Starts a paused movie that is wanted, to play as `play_type` says (1 once, 3 looping):
// the Theora clock continues from the shown frame.
void StartMovie(MovieRecord* record, std::int32_t play_type);
// Takes the frame the stream stands at into the frame image, for the next update to hand
// over (a paused movie is not collected from).
void TakeStandingFrame(MovieRecord* record);

// The player for other formats (media_player.cpp).
int OpenMediaMovie(MovieRecord* record, const char* path, int* width, int* height, int surface_mode);
void CloseMediaMovie(MovieRecord* record);
int UpdateMediaMovie(MovieRecord* record, int force);
int PauseMediaMovie(MovieRecord* record);
int RunMediaMovie(MovieRecord* record);
// Hides the overlay of a movie in overlay mode (overlay_placement.cpp).
void HideMovieOverlay(MovieRecord* record);
