// The table through which the movie room reaches the graphics core: the defaults, which
// answer as if the screen had presented no frame, and the installed table.
#include "engine/movie/movie.h"

namespace {

std::uint64_t NoFlips() { return 0; }

constexpr MovieGraphicsHooks kDefaults{NoFlips};

MovieGraphicsHooks g_hooks = kDefaults;

}  // namespace

const MovieGraphicsHooks* GetMovieGraphicsHooks() { return &g_hooks; }

void InstallMovieGraphicsHooks(const MovieGraphicsHooks* hooks) { g_hooks = hooks != nullptr ? *hooks : kDefaults; }
