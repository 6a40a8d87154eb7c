// Graphs from image data: one graph from a decoded picture (optionally with the key
// colour turned into alpha, the key from the top-left pixel, mirrored), a sheet of equal
// pieces derived from one picture or one file, and loading a graph from a file.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/graphics/images/graph_image.h"

int BuildGraphFromGraphImage(GraphImage* image, GraphImage* alpha_image, int use_texture, int mirror,
                             int mirror_allowed);
int BuildGraphFromGraphImageDefault(GraphImage* image);
int CreateDivGraphFromGraphImage(GraphImage* image, GraphImage* alpha_image, int total_count, int count_across,
                                 int count_down, int piece_width, int piece_height, int* handles, int use_texture,
                                 int mirror, int mirror_allowed);
int LoadGraphFileDivided(const char* file_name, int total_count, int count_across, int count_down, int piece_width,
                         int piece_height, int* handles, int use_texture, int mirror);
int LoadGraphFile(const char* file_name, int use_texture, int mirror, std::uint32_t movie_option);
