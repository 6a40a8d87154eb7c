// The table through which the movie room reaches the display objects of the graphics
// core, and its defaults for the time before the graphics core installs its own: no
// DirectDraw object, no overlay format, a 32-bit desktop, no front surface, no
// capabilities, no frame presented.
#include <cstring>

#include "engine/movie/movie.h"

namespace {

IDirectDraw7* NoDirectDraw() { return nullptr; }
const DDPIXELFORMAT* NoOverlayFormat() { return nullptr; }
int DesktopBitDepth() { return 32; }
IDirectDrawSurface7* NoFrontSurface() { return nullptr; }
std::uint32_t* NoCaps(std::uint32_t* buffer) {
    std::memset(buffer, 0, sizeof(DDCAPS));
    return buffer;
}
std::uint64_t NoFlips() { return 0; }

constexpr MovieDisplayHooks kDefaultMovieDisplayHooks = {
    NoDirectDraw, NoOverlayFormat, DesktopBitDepth, NoFrontSurface, NoCaps, NoFlips,
};

const MovieDisplayHooks* g_movie_display_hooks = &kDefaultMovieDisplayHooks;

}  // namespace

const MovieDisplayHooks* GetMovieDisplayHooks() { return g_movie_display_hooks; }

void InstallMovieDisplayHooks(const MovieDisplayHooks* hooks) {
    g_movie_display_hooks = hooks != nullptr ? hooks : &kDefaultMovieDisplayHooks;
}
