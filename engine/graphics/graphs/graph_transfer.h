// Graph-to-surface transfer: writing a decoded picture (with its optional alpha picture)
// or a GDI bitmap into the images behind a graph's 2-D surface pieces, one piece or every
// piece, with the rectangle clipped to each piece and to the image behind it.
#pragma once

#include <cstdint>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/images/graph_image.h"
#include "platform/gdi.h"


// The pictures of a source: its images, or its bitmaps seen as images in the two view
// records given. False when a bitmap cannot be read or there is no colour picture.
bool ResolveSourcePictures(const ImageSource& source, GraphImage* color_view, GraphImage* alpha_view,
                           const GraphImage** color, const GraphImage** alpha);

// The source rectangle of the image lands at (x, y) of the piece's SurfaceData image.
// 0; -1 before start-up, for a bad handle or source, or when a conversion, bitmap or lock
// fails; 0 with nothing done while graphics are off.
int BltImageToSurface2D(const ImageSource& source, const RECT* src_rect, int x, int y, int surface);
// The piece's own rectangle of the image, from (image_x, image_y).
int BltImageToSurface2DPiece(const ImageSource& source, int image_x, int image_y, int surface);
// Every piece from (x + piece x, y + piece y) of the image, with the graph's mode word as
// the alpha-from-red option; -1 at the first piece that fails.
int BltImageToGraphSurface2Ds(const ImageSource& source, int x, int y, const GraphRecord* graph);
// A rectangle of the image placed at (dest_x, dest_y) of the graph: only the pieces it
// crosses, each cut at its edges; -1 at the first piece that fails.
int BltImageToGraphPieces(const ImageSource& source, const RECT* src_rect, int dest_x, int dest_y,
                          const GraphRecord* graph);
