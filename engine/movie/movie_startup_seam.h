// The movie operations that engine start-up, the window procedure and message processing
// call, answered as "no movies" until the movie subsystem is built.
#pragma once

int InitYuvToRgbTables();
int ResumeAllMovies();
int PauseAllMovies();
int ReleaseAllMovieGraphs();
int RebuildAllMovieGraphs();
int RefreshMovieOverlays();
