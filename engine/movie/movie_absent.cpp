// Movies as seen before the movie subsystem exists: no movie is ever open, so pausing,
// resuming and overlay refreshes have nothing to act on.
#include "engine/movie/movie.h"

int InitYuvToRgbTables() { return 0; }
int ResumeAllMovies() { return 0; }
int PauseAllMovies() { return 0; }
int ReleaseAllMovieGraphs() { return 0; }
int RebuildAllMovieGraphs() { return 0; }
int RefreshMovieOverlays() { return 0; }
