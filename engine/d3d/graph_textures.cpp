// Graph textures: a Direct3D graph divided into power-of-two texture pieces (at most 64),
// the pieces made, filled, written from images, shared by derived graphs and fed movie
// frames. Relies on the piece table (texture_pieces.cpp), the side division
// (texture_division.cpp), the piece writer (piece_texture_write.cpp) and the graph core's
// SurfaceData records.
#include <algorithm>
#include <cstdint>

#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"
#include "engine/movie/movie.h"

namespace {

constexpr int kMaxGraphPieces = kGraphPieceSlots;  // 64

int LogTooManyPieces() { return WriteLogFormat("エラー：画像の分割数が最大数の %d を超えました", kMaxGraphPieces); }

// One piece as laid out before it is made: its texture size and its place in the graph.
struct PieceLayout {
    int x, y;
    int texture_width, texture_height;
};

// The corner flags of a piece: 1 for a corner on or above the graph's anti-diagonal, the
// line from its bottom-left to its top-right corner.
void SetDiagonalFlags(Surface3DData* piece, int graph_width, int graph_height) {
    const double w = graph_width;
    const double h = graph_height;
    for (int i = 0; i < 4; ++i) {
        const double x = piece->vertices[i].x;
        const double y = piece->vertices[i].y;
        piece->diagonal[i] = (w > 0 && y <= h - x * (h / w)) ? 1 : 0;
    }
}

const std::uint8_t* CreationBytes(const GraphRecord* graph) {
    return reinterpret_cast<const std::uint8_t*>(&graph->creation);
}

}  // namespace

int CreateGraphTextures(GraphRecord* graph, std::uint32_t transparent_color) {
    if (D3DState().direct3d == nullptr) return -1;
    graph->piece_count = 0;
    const int prefer = static_cast<int>(graph->creation.drawable | graph->mode_word);
    int widths[kMaxGraphPieces];
    int heights[kMaxGraphPieces];
    const int columns = DivideTextureSide(graph->width, widths, prefer);
    const int rows = DivideTextureSide(graph->height, heights, prefer);
    if (columns * rows > kMaxGraphPieces) return LogTooManyPieces();

    PieceLayout layout[kMaxGraphPieces];
    int count = 0;
    for (int r = 0, y = 0; r < rows; y += heights[r], ++r) {
        for (int c = 0, x = 0; c < columns; x += widths[c], ++c) layout[count++] = {x, y, widths[c], heights[r]};
    }
    if (D3DState().device_desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY) {
        const int made = count;
        for (int i = 0; i < made; ++i) {
            PieceLayout& piece = layout[i];
            const int side = std::min(piece.texture_width, piece.texture_height);
            const bool across = piece.texture_width > piece.texture_height;
            const int squares = (across ? piece.texture_width : piece.texture_height) / side;
            for (int k = 1; k < squares; ++k) {
                PieceLayout square{across ? piece.x + k * side : piece.x, across ? piece.y : piece.y + k * side,
                                   side, side};
                // A square wholly beyond the graph's edge would show nothing.
                if (square.x >= graph->width || square.y >= graph->height) continue;
                if (count == kMaxGraphPieces) return LogTooManyPieces();
                layout[count++] = square;
            }
            piece.texture_width = side;
            piece.texture_height = side;
        }
    }

    for (int i = 0; i < count; ++i) {
        const PieceLayout& p = layout[i];
        const int width = std::min(p.texture_width, graph->width - p.x);
        const int height = std::min(p.texture_height, graph->height - p.y);
        const int handle = AddSurface3DData(p.texture_width, p.texture_height, p.x, p.y, width, height, p.x, p.y,
                                            graph->handle, nullptr, 0, 0, CreationBytes(graph), transparent_color);
        if (handle == -1) return -1;
        // Counted as soon as it exists, so the caller's clean-up deletes every piece made.
        graph->pieces[i] = handle;
        graph->piece_count = i + 1;
        SetDiagonalFlags(GetSurface3DData(handle), graph->width, graph->height);
    }
    return 0;
}

int DeleteGraphTextures(GraphRecord* graph) {
    if (D3DState().direct3d == nullptr) return -1;
    for (int i = 0; i < graph->piece_count && i < kMaxGraphPieces; ++i) DeleteSurface3DData(graph->pieces[i]);
    graph->piece_count = 0;
    return 0;
}

int FillGraphTexturesColor(const GraphRecord* graph, int red, int green, int blue, int alpha) {
    if (D3DState().direct3d == nullptr) return -1;
    if (D3DState().device_unavailable) return 0;
    for (int i = 0; i < graph->piece_count && i < kMaxGraphPieces; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        GraphicsCore().FillSurfaceDataColor(piece->surface_data, red, green, blue, alpha);
    }
    return 0;
}

int BltImageToGraphTextures(const ImageSource& source, int x, int y, const GraphRecord* graph) {
    if (D3DState().direct3d == nullptr) return -1;
    for (int i = 0; i < graph->piece_count && i < kMaxGraphPieces; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        const RECT rect{piece->graph_x + x, piece->graph_y + y, piece->graph_x + x + piece->width,
                        piece->graph_y + y + piece->height};
        if (WriteImageToPieceTexture(source, &rect, piece->texture_x, piece->texture_y, graph->pieces[i],
                                     graph->mode_word) != 0) {
            return -1;
        }
    }
    return 0;
}

int BltImageRectToGraphTextures(const ImageSource& source, const RECT* source_rect, int x, int y,
                                const GraphRecord* graph) {
    if (D3DState().direct3d == nullptr) return -1;
    const long long sw = static_cast<long long>(source_rect->right) - source_rect->left;
    const long long sh = static_cast<long long>(source_rect->bottom) - source_rect->top;
    for (int i = 0; i < graph->piece_count && i < kMaxGraphPieces; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        const long long px = piece->graph_x, py = piece->graph_y;
        if (!(px < x + sw && px + piece->width > x && py < y + sh && py + piece->height > y)) continue;
        // The part of the rectangle inside the piece, and where it starts inside the piece.
        const long long left = std::max<long long>(px, x), top = std::max<long long>(py, y);
        const long long right = std::min<long long>(px + piece->width, x + sw);
        const long long bottom = std::min<long long>(py + piece->height, y + sh);
        if (right <= left || bottom <= top) continue;
        const RECT part{static_cast<LONG>(source_rect->left + (left - x)), static_cast<LONG>(source_rect->top + (top - y)),
                        static_cast<LONG>(source_rect->left + (right - x)),
                        static_cast<LONG>(source_rect->top + (bottom - y))};
        if (WriteImageToPieceTexture(source, &part, piece->texture_x + static_cast<int>(left - px),
                                     piece->texture_y + static_cast<int>(top - py), graph->pieces[i], 0) != 0) {
            return -1;
        }
    }
    return 0;
}

int DeriveGraphD3D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source) {
    if (D3DState().direct3d == nullptr) return -1;
    const int device = D3DState().current_device;
    FlushVertexBatch(device);
    EndDeviceScene(device);
    graph->piece_count = 0;
    if (source->piece_count == 1) {
        const Surface3DData* parent = GetSurface3DData(source->pieces[0]);
        if (parent == nullptr) return -1;
        const SurfaceData* texture = GraphicsCore().GetSurfaceData(parent->surface_data);
        const int handle = AddSurface3DData(texture != nullptr ? texture->width : 0,
                                            texture != nullptr ? texture->height : 0, 0, 0, width, height, x, y,
                                            graph->handle, parent, x, y, CreationBytes(graph),
                                            texture != nullptr ? texture->transparent_color : 0);
        if (handle == -1) return -1;
        graph->pieces[0] = handle;
        graph->piece_count = 1;
        SetDiagonalFlags(GetSurface3DData(handle), width, height);
        return 0;
    }
    for (int i = 0; i < source->piece_count && i < kMaxGraphPieces; ++i) {
        const Surface3DData* parent = GetSurface3DData(source->pieces[i]);
        int handle = -1;
        if (parent != nullptr) {
            const int left = std::max<int>(parent->graph_x, x);
            const int top = std::max<int>(parent->graph_y, y);
            const int right = std::min<int>(parent->graph_x + parent->width, x + width);
            const int bottom = std::min<int>(parent->graph_y + parent->height, y + height);
            if (right <= left || bottom <= top) continue;
            const SurfaceData* texture = GraphicsCore().GetSurfaceData(parent->surface_data);
            const int inside_x = left - parent->graph_x;
            const int inside_y = top - parent->graph_y;
            handle = AddSurface3DData(texture != nullptr ? texture->width : 0, texture != nullptr ? texture->height : 0,
                                      left - x, top - y, right - left, bottom - top, inside_x, inside_y,
                                      graph->handle, parent, inside_x, inside_y, CreationBytes(graph),
                                      texture != nullptr ? texture->transparent_color : 0);
        }
        if (handle == -1) {
            DeleteGraphTextures(graph);
            return -1;
        }
        graph->pieces[graph->piece_count++] = handle;
        SetDiagonalFlags(GetSurface3DData(handle), width, height);
    }
    return 0;
}

namespace {

// Stretches each valid piece's rectangle of the picture from the movie's YUV surface into
// the piece's texture: the GPU converts while it copies. The picture lies at (x0, y0) of
// the surface.
void BltYuvSurfaceToPieces(IDirectDrawSurface7* yuv, int x0, int y0, const GraphRecord* graph) {
    FlushVertexBatch(D3DState().current_device);
    for (int i = 0; i < graph->piece_count && i < kMaxGraphPieces; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) continue;
        const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
        if (data == nullptr || data->surface == nullptr) continue;
        RECT source{x0 + piece->source_x, y0 + piece->source_y, x0 + piece->source_x + piece->width,
                    y0 + piece->source_y + piece->height};
        RECT target{piece->texture_x, piece->texture_y, piece->texture_x + piece->width,
                    piece->texture_y + piece->height};
        data->surface->Blt(&target, yuv, &source, DDBLT_WAIT, nullptr);
        GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    }
}

}  // namespace

int UpdateMovieGraphTextures(MovieRecord* movie, GraphRecord* graph) {
    if (D3DState().direct3d == nullptr || movie == nullptr || graph == nullptr) return 0;
    // A Theora movie with a YUV surface hands its frame over there, unconverted.
    IDirectDrawSurface7* yuv = nullptr;
    int x0 = 0, y0 = 0;
    const int on_surface = FetchMovieYuvSurface(movie, &yuv, &x0, &y0);
    if (on_surface == 1) BltYuvSurfaceToPieces(yuv, x0, y0, graph);
    if (on_surface != -1) return 0;
    MovieFrame frame;
    if (FetchMovieFrame(movie, &frame) == 0) return 0;
    // An alpha movie's frame comes as its colour half with its alpha half.
    GraphImage image{};
    GraphImage alpha{};
    const ImageSource source = GraphicsCore().MovieFramePictures(frame, &image, &alpha);
    for (int i = 0; i < graph->piece_count && i < kMaxGraphPieces; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) continue;
        // Only the part of the piece that the frame covers.
        const int right = std::min<int>(piece->source_x + piece->width, frame.width);
        const int bottom = std::min<int>(piece->source_y + piece->height, frame.height);
        if (right <= piece->source_x || bottom <= piece->source_y) continue;
        const RECT rect{piece->source_x, piece->source_y, right, bottom};
        WriteImageToPieceTexture(source, &rect, piece->texture_x, piece->texture_y, graph->pieces[i], 0);
    }
    return 0;
}
