// Shared pieces of the graph tests: an engine started headless in window mode (software
// rendering with GDI output), small pictures made in the test, and reading a graph's
// pixel back from the image behind its first piece.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/graphics/screen/screen_state.h"
#include "tests/support/engine_session.h"

namespace graph_test {

// An XRGB picture whose pixel (x, y) is colour(x, y) (0x00RRGGBB).
template <typename Colour>
GraphImage MakePicture(int width, int height, Colour colour) {
    GraphImage image{};
    EXPECT_EQ(CreateXrgb32GraphImage(width, height, &image), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            SetGraphImagePixel(&image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255);
        }
    }
    return image;
}

inline SurfaceData* FirstPieceData(int graph, const Surface2D** piece_out = nullptr) {
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return nullptr;
    const Surface2D* piece = GetSurface2DRecord(record->pieces[0]);
    if (piece == nullptr) return nullptr;
    if (piece_out != nullptr) *piece_out = piece;
    return GetSurfaceData(piece->surface_data);
}

// The graph's pixel (x, y) as 0xAARRGGBB, read from the image behind its first piece.
inline std::uint32_t GraphArgb(int graph, int x, int y) {
    const Surface2D* piece = nullptr;
    SurfaceData* data = FirstPieceData(graph, &piece);
    if (data == nullptr) return 0xDEADBEEF;
    const MEMIMG& image = data->color_image;
    const int bytes = MemImgBytesPerPixel(&image);
    std::uint32_t raw = 0;
    std::memcpy(&raw,
                image.pixels + (piece->source_y + y) * image.block->pitch + (piece->source_x + x) * bytes,
                static_cast<std::size_t>(bytes));
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    SplitColorValueInFormat(image.block->format, raw, &r, &g, &b, &a);
    return a << 24 | r << 16 | g << 8 | b;
}

// The graph's pixel (x, y) as 0x00RRGGBB (0xDEADBEEF without a piece image).
inline std::uint32_t GraphPixel(int graph, int x, int y) {
    if (FirstPieceData(graph) == nullptr) return 0xDEADBEEF;
    return GraphArgb(graph, x, y) & 0xFFFFFF;
}

}  // namespace graph_test
