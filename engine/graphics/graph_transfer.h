// Graph-to-surface transfer: writing a decoded picture (with its optional alpha picture)
// into the images behind a graph's 2-D surface pieces, one piece or every piece, with
// the rectangle clipped to each piece and to the image behind it.
#pragma once

#include "engine/graphics/graph_handles.h"
#include "engine/graphics/graph_image.h"

// The source rectangle of the image lands at (x, y) of the piece's SurfaceData image.
int BltImageToSurface2D(const GraphImage* image, const GraphImage* alpha_image, const RECT* src_rect, int x, int y,
                        int surface, int alpha_from_red);
int BltImageToSurface2DPiece(const GraphImage* image, const GraphImage* alpha_image, int image_x, int image_y,
                             int surface, int alpha_from_red);
int BltImageToGraphSurface2Ds(const GraphImage* image, const GraphImage* alpha_image, int x, int y,
                              const GraphRecord* graph);
// A rectangle of the image placed at (dest_x, dest_y) of the graph.
int BltImageToGraphPieces(const GraphImage* image, const GraphImage* alpha_image, const RECT* src_rect, int dest_x,
                          int dest_y, const GraphRecord* graph);
