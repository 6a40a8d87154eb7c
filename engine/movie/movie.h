// The movie room's door: the operations that engine start-up, the window procedure,
// message processing and the graph manager call. Until the movie subsystem is built,
// movie_absent.cpp answers them as "no movies".
#pragma once

int InitYuvToRgbTables();
int ResumeAllMovies();
int PauseAllMovies();
int ReleaseAllMovieGraphs();
int RebuildAllMovieGraphs();
int RefreshMovieOverlays();
