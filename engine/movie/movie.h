// The movie room's door: movie handles for the graph manager (open, close, the per-draw
// update and the frame it hands over, pause), the operations that engine start-up, the
// window procedure and message processing call, and the table through which the room
// reaches the graphics core.
#pragma once

#include <cstdint>

#include "platform/ddraw.h"

// A movie's record; its layout is the movie room's own.
struct MovieRecord;

// A frame as the graph manager copies it: 32-bit pixels (blue, green, red, a fourth byte),
// rows `pitch` bytes apart, top to bottom. An alpha movie's frame holds its colour picture
// in its left half and its alpha picture in its right half: `width` is then the colour
// picture's (half the frame's, rounded down) and `alpha_pixels` the first pixel of the
// alpha picture, as wide, in the same layout, its red byte the alpha; null for other movies.
struct MovieFrame {
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;
    const std::uint8_t* pixels;
    const std::uint8_t* alpha_pixels;
};

// Called as callback(record, user value) when a new frame is due.
using MovieFrameCallback = int (*)(MovieRecord* record, std::intptr_t user);

int InitYuvToRgbTables();

// A handle (kind 3), or -1. The surface mode (1 overlay, 2 24-bit RGB, else 0) counts
// for movies that do not play through the Theora decoder: an overlay is used when the
// screen found an overlay format, else the frames come as for mode 2, which is mode 0 on
// a 32-bit screen.
int OpenMovie(const char* path, int* width, int* height, int surface_mode);
int CloseMovie(int movie);
MovieRecord* GetMovieRecord(int movie);
// 1 when the movie's frames carry their alpha in their right half (the movie alpha
// default when it was opened), else 0; 0 for an invalid handle.
int GetMovieAlphaFlag(int movie);
int SetMovieFrameCallback(int movie, MovieFrameCallback callback, std::intptr_t user);
// Advances the movie by its clock and calls the frame callback; always 0.
int UpdateMovieFrame(int movie, int force);
// Brings the movie's current frame into its frame image: 1 with `frame` filled when a
// frame not handed over yet is there, else 0.
int FetchMovieFrame(MovieRecord* record, MovieFrame* frame);
// The current frame of a Theora movie written to its YUV surface, for a texture graph's
// update to stretch into its textures (the renderer converts it). -1 when the movie has no
// such surface (no Theora, no surface, alpha in its frames, chroma other than 4:2:0): the
// caller takes FetchMovieFrame. 0 when no frame is there that was not handed over yet.
// 1 with *surface the YUV surface (borrowed) and the picture's top-left inside it.
int FetchMovieYuvSurface(MovieRecord* record, IDirectDrawSurface7** surface, int* picture_x, int* picture_y);
int PauseMovie(int movie, int keep_request);
// Shows the overlay of a movie in overlay mode at (x, y) of the client area magnified by
// `scale`, or hides it (show 0); -1 for an invalid handle, else 0.
int PlaceMovieOverlay(int x, int y, int scale, int movie, int show);
// 1 when the movie plays in an overlay (surface mode 1), else 0 (also for an invalid handle).
int IsMovieOverlay(int movie);
int RestoreMovieSurfaces(int movie);
int ResumeAllMovies();
int PauseAllMovies();
int ReleaseAllMovieGraphs();
int RebuildAllMovieGraphs();
int RefreshMovieOverlays();

// ---- what the movie room asks of the graphics core (the display objects, the overlay
// format, the count of presented frames), through a table the graphics core fills
// (InstallGraphicsMovieHooks, at engine start-up); until then there is no display: no
// DirectDraw object, no overlay format, a 32-bit desktop, no frame presented.
struct MovieDisplayHooks {
    IDirectDraw7* (*get_direct_draw_object)();
    // The overlay pixel format the screen found at start-up, or null.
    const DDPIXELFORMAT* (*get_overlay_pixel_format)();
    int (*get_screen_bit_depth)();
    IDirectDrawSurface7* (*get_front_surface)();
    // Copies the 380-byte DDCAPS block read at start-up into `buffer` (95 words).
    std::uint32_t* (*copy_direct_draw_caps)(std::uint32_t* buffer);
    // The number of frames the screen has presented; frames of a movie are collected at
    // most once per presented frame.
    std::uint64_t (*get_flip_count)();
};
// The installed table, or the defaults; never null, and every entry is set.
const MovieDisplayHooks* GetMovieDisplayHooks();
// Installs a table (every entry set); null puts the defaults back.
void InstallMovieDisplayHooks(const MovieDisplayHooks* hooks);
