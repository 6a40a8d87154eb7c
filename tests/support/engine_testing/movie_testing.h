// Test-only entries to the movie room: playing and seeking a movie by handle, closing every
// movie, and the alpha default new movies take. Nothing in the engine calls them. Part of
// the engine's testing library (linked by tests only); they work on the records of the
// room's internal header movie_record.h.
#pragma once

#include <cstdint>

// Starts a paused movie from where it stands; `loop` 1 plays it round and round.
int PlayMovie(int movie, int loop);
// Puts the movie at a frame (Theora) or a time of frame / frame rate (other movies).
int SeekMovieFrame(int movie, int frame);
// Closes every movie.
int CloseAllMovies();
// The movie alpha default copied into every new record's alpha flag (0 unless changed here).
std::int32_t& MovieAlphaDefault();
