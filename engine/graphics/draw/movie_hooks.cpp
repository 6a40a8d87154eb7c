// Fills the movie room's table of what it asks of the graphics core: the count of
// presented frames, which paces the collection of movie frames.
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/movie/movie.h"

void InstallGraphicsMovieHooks() {
    MovieGraphicsHooks hooks{};
    hooks.get_flip_count = GetFlipCount;
    InstallMovieGraphicsHooks(&hooks);
}
