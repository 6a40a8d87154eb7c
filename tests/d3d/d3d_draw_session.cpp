// The engine session of the renderer's draw tests (see d3d_draw_session.h).
#include "tests/d3d/d3d_draw_session.h"

#include <cstring>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/include/vomur.h"
#include "engine/graphics/graphs/surface_data.h"
#include "tests/d3d/d3d_test_support.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"

namespace d3d_test {

void D3DDrawSession::SetUp() {
    SetDirect3DRendererEnabled(1);
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    if (!IsDirect3DUp()) GTEST_SKIP() << kNoGlMessage;
    up_ = true;
    ASSERT_EQ(GetScreenBitDepth(), 32);
    ASSERT_EQ(ChooseDrawTarget(kDrawTargetBack), 0);
    FillBack(0x000000);
}

void D3DDrawSession::TearDown() {
    for (int handle : graphs_) {
        GraphRecord* record = GetGraphRecord(handle);
        if (record == nullptr) continue;
        if (record->creation.texture) DeleteGraphTextures(record);
        DeleteGraphHandle(handle, 0);
    }
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    SetDirect3DRendererEnabled(0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

GraphRecord* D3DDrawSession::MakeTextureGraph(int width, int height,
                                              const std::function<std::uint32_t(int, int)>& texel, int alpha) {
    GraphRecord* record = nullptr;
    const int handle = CreateGraphRecord(width, height, 1, &record, alpha, 0);
    EXPECT_NE(record, nullptr);
    if (record == nullptr) return nullptr;
    graphs_.push_back(handle);
    EXPECT_EQ(record->creation.texture, 1);
    EXPECT_EQ(CreateGraphTextures(record, GetDrawSettings()->transparent_color), 0);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels[static_cast<std::size_t>(y) * width + x] = texel(x, y);
    }
    GraphImage image{};
    if (alpha) {
        SetArgb32ColorFormat(&image.format);
    } else {
        SetXrgb32ColorFormat(&image.format);
    }
    image.width = width;
    image.height = height;
    image.pitch = width * 4;
    image.pixels = pixels.data();
    EXPECT_EQ(BltImageToGraphTextures(ImageSourceOf(&image, nullptr), 0, 0, record), 0);
    return record;
}

void D3DDrawSession::FillBack(std::uint32_t rgb) {
    EndSceneD3D();
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = rgb;
    ASSERT_EQ(GetBackSurface()->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

std::vector<std::uint32_t> D3DDrawSession::ReadBack(RECT rect) {
    EndSceneD3D();
    // The draw target's rectangle lies at its origin on the back surface.
    const RECT& origin = GetDrawSettings()->target_screen_rect;
    rect = RECT{rect.left + origin.left, rect.top + origin.top, rect.right + origin.left, rect.bottom + origin.top};
    std::vector<std::uint32_t> pixels;
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    IDirectDrawSurface7* back = GetBackSurface();
    EXPECT_EQ(back->Lock(&rect, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    if (locked.lpSurface == nullptr) return pixels;
    for (LONG y = 0; y < rect.bottom - rect.top; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.lpSurface) + y * locked.lPitch;
        for (LONG x = 0; x < rect.right - rect.left; ++x) {
            std::uint32_t value = 0;
            std::memcpy(&value, row + x * 4, 4);
            pixels.push_back(value & 0xFFFFFFu);
        }
    }
    back->Unlock(&rect);
    return pixels;
}

std::uint32_t D3DDrawSession::BackPixel(int x, int y) {
    const std::vector<std::uint32_t> one = ReadBack(RECT{x, y, x + 1, y + 1});
    return one.empty() ? 0xDEADBEEF : one[0];
}

std::uint32_t D3DDrawSession::Texel(const GraphRecord* graph, int x, int y) {
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return 0xDEADBEEF;
        if (x < piece->graph_x || y < piece->graph_y || x >= piece->graph_x + piece->width ||
            y >= piece->graph_y + piece->height) {
            continue;
        }
        const SurfaceData* data = GetSurfaceData(piece->surface_data);
        const int tx = piece->texture_x + x - piece->graph_x;
        const int ty = piece->texture_y + y - piece->graph_y;
        RECT rect{tx, ty, tx + 1, ty + 1};
        DDSURFACEDESC2 locked{};
        locked.dwSize = sizeof locked;
        EndSceneD3D();
        if (data == nullptr || FAILED(data->surface->Lock(&rect, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) {
            return 0xDEADBEEF;
        }
        std::uint32_t raw = 0;
        const ColorFormat* format = GetTextureFormatColorFormat(data->format_index);
        std::memcpy(&raw, locked.lpSurface, format->bytes_per_pixel);
        data->surface->Unlock(&rect);
        std::uint32_t r = 0, g = 0, b = 0, a = 0;
        SplitColorValueInFormat(format, raw, &r, &g, &b, &a);
        return a << 24 | r << 16 | g << 8 | b;
    }
    return 0xDEADBEEF;
}

}  // namespace d3d_test
