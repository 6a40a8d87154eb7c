// Graphs that show a movie: made by the file loader for a file that is not a picture, and
// fed each new frame by the movie through the frame callback.
#pragma once

#include <cstdint>

#include "engine/movie/movie.h"

// The loader's movie steps for `file_name`: the new graph's handle, or -1 (logged).
int LoadMovieAsGraph(const char* file_name, int use_texture, std::uint32_t movie_option);
// The frame callback of a movie graph (user value: the graph handle); a texture graph's
// frame goes to its texture pieces. 0, or -1 when the graph is gone or the copy fails.
int UpdateMovieGraphSurface(MovieRecord* movie, std::intptr_t graph);
// Before a draw: the movie of a movie graph is brought to its present frame.
void UpdateGraphMovieFrame(int movie);
// A movie graph whose movie plays in an overlay is not drawn: the draw places the
// overlay at (x, y) magnified by `scale` instead. True when it did (the draw then
// returns -1), false for any other graph.
bool PlaceGraphMovieOverlay(int movie, int x, int y, int scale);
