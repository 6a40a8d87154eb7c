// Graph pieces held in DirectDraw off-screen surfaces with the renderer up and texture
// graphs off: new graphs get off-screen surfaces in video memory, and their pixels are
// read back by locking the surface. Creation and colour keys, pictures and bitmaps
// written in, the dither setting, fills, locks that fail, lost and restored surfaces,
// images shared by derived graphs, and the GDI copy that an 8-bit screen takes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/pixels/conversion_blit.h"
#include "platform/gdi.h"
#include "platform/testing/display_testing.h"
#include "platform/testing/gdi_testing.h"
#include "tests/d3d/directdraw_graphs.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_testing.h"
#include "tests/support/engine_testing/drawstate_testing.h"
#include "tests/support/engine_testing/graphics_testing.h"
#include "tests/support/engine_testing/pixels_testing.h"
#include "tests/support/test_log.h"

using engine_test::EngineSession;

namespace {

const char kLockFailed[] = "２Ｄサーフェスのロックに失敗しました";

class DirectDrawSurfaces : public ::testing::Test {
protected:
    // Window mode gives the desktop's 32-bit screen, full screen the 16-bit R5G6B5 one;
    // false when the test cannot go on (skipped where no GL context can be made).
    bool Start(bool window_mode) {
        session_ = std::make_unique<EngineSession>(window_mode);
        started_ = d3d_test::StartWithDirectDrawGraphs();
        if (!started_) return false;
        EXPECT_NE(GetDirectDrawObject(), nullptr);
        EXPECT_EQ(GetScreenBitDepth(), window_mode ? 32 : 16);
        EXPECT_EQ(GetScreenColorFormat()->red_mask, window_mode ? 0xFF0000u : 0xF800u);
        return !HasFailure();
    }
    void TearDown() override {
        SetDitherFlag(0);
        if (started_) {
            EXPECT_EQ(ApiTerminateLibrary(), 0);
            EXPECT_EQ(TrackedLiveBlockCount(), 0);
        }
        session_.reset();
        SetDirect3DRendererEnabled(0);
    }

    std::unique_ptr<EngineSession> session_;
    bool started_ = false;
};

const Surface2D* Piece(int graph, int index = 0) {
    const GraphRecord* record = GetGraphRecord(graph);
    return record != nullptr ? GetSurface2DRecord(record->pieces[index]) : nullptr;
}

SurfaceData* PieceData(int graph, int index = 0) {
    const Surface2D* piece = Piece(graph, index);
    return piece != nullptr ? GetSurfaceData(piece->surface_data) : nullptr;
}

// The raw pixels of a piece's rectangle of its surface, rows top first, read through a
// lock of the whole surface.
std::vector<std::uint32_t> PiecePixels(int graph, int index = 0) {
    std::vector<std::uint32_t> out;
    const Surface2D* piece = Piece(graph, index);
    SurfaceData* data = PieceData(graph, index);
    if (piece == nullptr || data == nullptr || data->surface == nullptr) return out;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (FAILED(data->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return out;
    const int bytes = GetScreenColorFormat()->bytes_per_pixel;
    const auto* base = static_cast<const std::uint8_t*>(desc.lpSurface);
    for (int y = 0; y < piece->height; ++y) {
        for (int x = 0; x < piece->width; ++x) {
            std::uint32_t raw = 0;
            std::memcpy(&raw, base + (piece->source_y + y) * desc.lPitch + (piece->source_x + x) * bytes,
                        static_cast<std::size_t>(bytes));
            out.push_back(raw);
        }
    }
    data->surface->Unlock(nullptr);
    return out;
}

// An XRGB picture of `colours` (0x00RRGGBB), rows top first.
GraphImage MakeXrgbPicture(int width, int height, const std::vector<std::uint32_t>& colours) {
    GraphImage image{};
    EXPECT_EQ(CreateXrgb32GraphImage(width, height, &image), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colours[static_cast<std::size_t>(y) * width + x];
            SetGraphImagePixel(&image, x, y, c >> 16, (c >> 8) & 0xFF, c & 0xFF, 255);
        }
    }
    return image;
}

// A top-down DIB section of 24 or 32 bits holding `colours` (0x00RRGGBB).
HBITMAP MakeSection(int width, int height, int bits, const std::vector<std::uint32_t>& colours) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    EXPECT_NE(section, nullptr);
    if (section == nullptr) return nullptr;
    const std::uint32_t stride = DibRowBytes(width, static_cast<std::uint32_t>(bits));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colours[static_cast<std::size_t>(y) * width + x];
            std::memcpy(static_cast<std::uint8_t*>(memory) + y * stride + x * (bits / 8), &c,
                        static_cast<std::size_t>(bits / 8));
        }
    }
    return section;
}

DDCOLORKEY KeyOf(IDirectDrawSurface7* surface) {
    DDCOLORKEY key{0xDEAD, 0xBEEF};
    EXPECT_EQ(surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    return key;
}

TEST_F(DirectDrawSurfaces, NewGraphsHoldOffscreenSurfacesWithTheKeyOfTheirCreation) {
    if (!Start(true)) return;
    GetDrawSettings()->transparent_color = 0xFF00FF;
    const int graph = CreateBlankGraph(8, 4, 1);
    ASSERT_GT(graph, 0);
    SurfaceData* data = PieceData(graph);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->software, 0);
    ASSERT_NE(data->surface, nullptr);
    EXPECT_EQ(data->format_index, 9);
    // The renderer's display has video memory: the surface is made there.
    EXPECT_EQ(data->creation.system_memory, 0);
    EXPECT_EQ(data->creation.drawable, 1);
    DDSCAPS2 caps{};
    ASSERT_EQ(data->surface->GetCaps(&caps), DD_OK);
    EXPECT_EQ(caps.dwCaps & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY),
              DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    // The key is the creation's transparent colour as a screen pixel (unused byte set).
    EXPECT_EQ(KeyOf(data->surface).dwColorSpaceLowValue, 0xFFFF00FFu);
    EXPECT_EQ(KeyOf(data->surface).dwColorSpaceHighValue, 0xFFFF00FFu);
    // A transfer puts that key back, whatever the surface was given meanwhile and
    // whatever the transparent colour is now.
    DDCOLORKEY other{5, 5};
    ASSERT_EQ(data->surface->SetColorKey(DDCKEY_SRCBLT, &other), DD_OK);
    GetDrawSettings()->transparent_color = 0x00FF00;
    GraphImage picture = MakeXrgbPicture(2, 1, {0x010203, 0x040506});
    const RECT all{0, 0, 2, 1};
    ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &all, 3, 2, graph, 0), 0);
    EXPECT_EQ(KeyOf(data->surface).dwColorSpaceLowValue, 0xFFFF00FFu);
    const std::vector<std::uint32_t> pixels = PiecePixels(graph);
    ASSERT_EQ(pixels.size(), 32u);
    for (int i = 0; i < 32; ++i) {
        const std::uint32_t want = i == 2 * 8 + 3 ? 0xFF010203u : i == 2 * 8 + 4 ? 0xFF040506u : 0u;
        EXPECT_EQ(pixels[i], want) << i;
    }
    // A graph with alpha keeps its pixels in a MEMIMG even on DirectDraw surfaces.
    const int with_alpha = CreateGraphAndSurface(4, 4, 0, 1, 0);
    EXPECT_EQ(PieceData(with_alpha)->software, 1);
    EXPECT_EQ(PieceData(with_alpha)->surface, nullptr);
    FreeGraphImage(&picture);
}

TEST_F(DirectDrawSurfaces, BitmapAndGraphImageSourcesGiveTheSameScreenPixels) {
    if (!Start(false)) return;
    const std::vector<std::uint32_t> colours{0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xFFFFFF, 0x123456};
    // R8G8B8 to R5G6B5 keeps each channel's high bits.
    const std::vector<std::uint32_t> want{0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x11AA};
    ColorFormat rgb24{};
    SetRgb24ColorFormat(&rgb24);
    // Three 3-byte pixels: GDI describes the rows as 10 bytes, they lie 12 bytes apart.
    HBITMAP section = MakeSection(3, 2, 24, colours);
    GraphImage image{};
    ASSERT_EQ(CreateRgb24GraphImage(3, 2, &image), 0);
    for (int i = 0; i < 6; ++i) {
        SetGraphImagePixel(&image, i % 3, i / 3, colours[i] >> 16, (colours[i] >> 8) & 0xFF, colours[i] & 0xFF, 255);
    }
    const int from_bitmap = CreateBlankGraph(3, 2, 1);
    const int from_image = CreateBlankGraph(3, 2, 1);
    ASSERT_EQ(PieceData(from_bitmap)->software, 0);
    const RECT all{0, 0, 3, 2};
    ASSERT_EQ(BltImageToGraph(BitmapSourceOf(&rgb24, section, nullptr), nullptr, &all, 0, 0, from_bitmap, 0), 0);
    ASSERT_EQ(SetGraphImageData(ImageSourceOf(&image, nullptr), nullptr, 0, 0, from_image, 0), 0);
    EXPECT_EQ(PiecePixels(from_bitmap), want);
    EXPECT_EQ(PiecePixels(from_image), want);
    EXPECT_TRUE(DeleteObject(section));
    FreeGraphImage(&image);
}

TEST_F(DirectDrawSurfaces, ThePlacedRectangleTouchesOnlyThePiecesItCrosses) {
    if (!Start(true)) return;
    // A 16 x 2 graph of two 8 x 2 pieces side by side, each with a surface of its own.
    const int graph = CreateBlankGraph(8, 2, 1);
    GraphRecord* record = GetGraphRecord(graph);
    record->pieces[1] = AddSurface2D(8, 2, 8, 0, graph, nullptr, 0, 0, &record->creation);
    ASSERT_NE(record->pieces[1], -1);
    record->piece_count = 2;
    record->width = 16;
    ASSERT_NE(PieceData(graph, 0)->surface, PieceData(graph, 1)->surface);
    std::vector<std::uint32_t> colours;
    for (int i = 0; i < 8; ++i) colours.push_back(0x100000u * static_cast<std::uint32_t>(i + 1) + 0x33);
    GraphImage picture = MakeXrgbPicture(4, 2, colours);
    const RECT all{0, 0, 4, 2};
    struct Case {
        int dest_x;
        std::vector<std::uint32_t> first_row[2];  // of each piece, 0x00RRGGBB
    };
    const std::uint32_t c[4] = {0x100033, 0x200033, 0x300033, 0x400033};
    const Case cases[] = {
        // Crossing only the second piece.
        {10, {{0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, c[0], c[1], c[2], c[3], 0, 0}}},
        // Starting left of the second piece: cut on its left, landing at x 0 of it.
        {6, {{0, 0, 0, 0, 0, 0, c[0], c[1]}, {c[2], c[3], 0, 0, 0, 0, 0, 0}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.dest_x);
        ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 0), 0);
        ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &all, k.dest_x, 0, graph, 0), 0);
        for (int p = 0; p < 2; ++p) {
            const std::vector<std::uint32_t> pixels = PiecePixels(graph, p);
            ASSERT_EQ(pixels.size(), 16u);
            for (int x = 0; x < 8; ++x) {
                EXPECT_EQ(pixels[x] & 0xFFFFFF, k.first_row[p][x]) << "piece " << p << " x " << x;
            }
        }
    }
    FreeGraphImage(&picture);
}

// A graph made with mode word 1 and the drawable setting on holds a DirectDraw surface;
// the mode word asks for alpha from red, which a screen pixel has no room for: the
// colour is written as it is.
TEST_F(DirectDrawSurfaces, AlphaFromRedLeavesTheColourOfAScreenPixelWithoutAlpha) {
    if (!Start(true)) return;
    NewGraphSettings& settings = GetDrawSettings()->new_graph;
    settings.drawable = 1;
    settings.mode_word = 1;
    const int graph = CreateBlankGraph(2, 1, 1);
    ASSERT_EQ(GetGraphRecord(graph)->mode_word, 1u);
    ASSERT_EQ(PieceData(graph)->software, 0);
    GraphImage picture = MakeXrgbPicture(2, 1, {0x800001, 0x0000FF});
    ASSERT_EQ(SetGraphImageData(ImageSourceOf(&picture, nullptr), nullptr, 0, 0, graph, 0), 0);
    EXPECT_EQ(PiecePixels(graph), (std::vector<std::uint32_t>{0xFF800001, 0xFF0000FF}));
    FreeGraphImage(&picture);
}

TEST_F(DirectDrawSurfaces, TheDitherSettingOrdersTheLostBitsOfABitmapOnASixteenBitScreen) {
    if (!Start(false)) return;
    // Red 0x84 loses 4 in its low three bits; green 0x80 and blue 0x80 lose nothing.
    HBITMAP section = MakeSection(4, 4, 32, std::vector<std::uint32_t>(16, 0x848080));
    ColorFormat xrgb{};
    SetXrgb32ColorFormat(&xrgb);
    const int graph = CreateBlankGraph(4, 4, 1);
    const RECT all{0, 0, 4, 4};
    ASSERT_EQ(BltImageToGraph(BitmapSourceOf(&xrgb, section, nullptr), nullptr, &all, 0, 0, graph, 0), 0);
    EXPECT_EQ(PiecePixels(graph), std::vector<std::uint32_t>(16, 0x8410));
    // Ordered dither: red goes one step up where 4 exceeds half the matrix entry, that is
    // where the entry is below 8 (rows {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9},
    // {15, 7, 13, 5}).
    SetDitherFlag(kDitherOrdered);
    ASSERT_EQ(BltImageToGraph(BitmapSourceOf(&xrgb, section, nullptr), nullptr, &all, 0, 0, graph, 0), 0);
    constexpr std::uint32_t U = 0x8C10;
    constexpr std::uint32_t D = 0x8410;
    EXPECT_EQ(PiecePixels(graph), (std::vector<std::uint32_t>{U, D, U, D, D, U, D, U, U, D, U, D, D, U, D, U}));
    EXPECT_TRUE(DeleteObject(section));
}

TEST_F(DirectDrawSurfaces, FillsWriteTheScreenPixelOfTheColour) {
    if (!Start(false)) return;
    const int graph = CreateBlankGraph(3, 2, 1);
    ASSERT_EQ(FillGraphColor(graph, 0x84, 0x82, 0x84, 255), 0);
    EXPECT_EQ(PiecePixels(graph), std::vector<std::uint32_t>(6, 0x8410));
    const Surface2D* piece = Piece(graph);
    EXPECT_EQ(FillSurfaceDataColor(piece->surface_data, 255, 255, 255, 255), 0);
    EXPECT_EQ(PiecePixels(graph), std::vector<std::uint32_t>(6, 0xFFFF));
    // Without its surface the record cannot be filled.
    ASSERT_EQ(ReleaseSurfaceDataSurface(piece->surface_data), 0);
    EXPECT_EQ(FillSurfaceDataColor(piece->surface_data, 1, 2, 3, 255), -1);
}

TEST_F(DirectDrawSurfaces, AFailedLockLogsAndWritesNothing) {
    if (!Start(true)) return;
    const int graph = CreateBlankGraph(2, 1, 1);
    const Surface2D* piece = Piece(graph);
    GraphImage picture = MakeXrgbPicture(2, 1, {0x112233, 0x445566});
    const RECT all{0, 0, 2, 1};
    // Held by the engine's own lock.
    std::int32_t pitch = 0;
    void* pixels = nullptr;
    ASSERT_EQ(LockSurfaceData(piece->surface_data, &pitch, &pixels, 0, nullptr, nullptr), 0);
    std::size_t mark = ReadTestLogWithoutStamps().size();
    EXPECT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &all, 0, 0, graph, 0), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps().substr(mark), kLockFailed);
    ASSERT_EQ(UnlockSurfaceData(piece->surface_data, nullptr), 0);
    EXPECT_EQ(PiecePixels(graph), (std::vector<std::uint32_t>{0, 0}));
    // Lost with the display.
    LoseAllDirectDrawSurfaces();
    mark = ReadTestLogWithoutStamps().size();
    EXPECT_EQ(SetGraphImageData(ImageSourceOf(&picture, nullptr), nullptr, 0, 0, graph, 0), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps().substr(mark), kLockFailed);
    FreeGraphImage(&picture);
    ASSERT_EQ(RestoreAllSurface2DImages(), -1);
}

TEST_F(DirectDrawSurfaces, ALostSurfaceIsRestoredBlankAndTakesPicturesAgain) {
    if (!Start(true)) return;
    const int graph = CreateBlankGraph(2, 1, 1);
    const int handle = Piece(graph)->surface_data;
    GraphImage picture = MakeXrgbPicture(2, 1, {0x112233, 0x445566});
    ASSERT_EQ(SetGraphImageData(ImageSourceOf(&picture, nullptr), nullptr, 0, 0, graph, 0), 0);
    EXPECT_EQ(RestoreSurfaceDataIfLost(handle), 0);
    LoseAllDirectDrawSurfaces();
    std::int32_t lost = 0;
    GetSurfaceData(handle)->lost_flag = &lost;
    EXPECT_EQ(RestoreSurfaceDataIfLost(handle), -1);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(RestoreSurfaceDataIfLost(handle), 0);
    GetSurfaceData(handle)->lost_flag = nullptr;
    EXPECT_EQ(PiecePixels(graph), (std::vector<std::uint32_t>{0, 0}));
    RestoreAllSurface2DImages();  // the output surfaces come back too
    ASSERT_EQ(SetGraphImageData(ImageSourceOf(&picture, nullptr), nullptr, 0, 0, graph, 0), 0);
    EXPECT_EQ(PiecePixels(graph), (std::vector<std::uint32_t>{0xFF112233, 0xFF445566}));
    FreeGraphImage(&picture);
}

TEST_F(DirectDrawSurfaces, AHolderReleasedWhileLockedComesBackUnlocked) {
    if (!Start(true)) return;
    const int graph = CreateBlankGraph(4, 2, 1);
    const int handle = Piece(graph)->surface_data;
    std::int32_t pitch = 0;
    void* pixels = nullptr;
    ASSERT_EQ(LockSurfaceData(handle, &pitch, &pixels, 1, nullptr, nullptr), 0);
    // The display goes (the pixel holders are released) while the lock is held.
    ASSERT_EQ(ReleaseSurfaceDataSurface(handle), 0);
    ASSERT_EQ(CreateSurfaceDataSurface(handle), 0);
    void* again = nullptr;
    ASSERT_EQ(LockSurfaceData(handle, &pitch, &again, 0, nullptr, nullptr), 0);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    SurfaceData* data = GetSurfaceData(handle);
    // The surface is locked once, by this lock, at the new memory.
    EXPECT_EQ(data->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    ASSERT_EQ(UnlockSurfaceData(handle, nullptr), 0);
    EXPECT_EQ(UnlockSurfaceData(handle, nullptr), -1);
    ASSERT_EQ(data->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(desc.lpSurface, again);
    data->surface->Unlock(nullptr);
}

TEST_F(DirectDrawSurfaces, DerivedGraphsShareTheSurfaceOfTheirSource) {
    if (!Start(true)) return;
    const int records = GetSurfaceDataCount();
    const int parent = CreateBlankGraph(6, 3, 1);
    const int derived = DeriveGraph(2, 1, 3, 2, parent);
    ASSERT_GT(derived, 0);
    const int handle = Piece(parent)->surface_data;
    ASSERT_EQ(Piece(derived)->surface_data, handle);
    EXPECT_EQ(GetSurfaceData(handle)->reference_count, 2);
    EXPECT_EQ(GetSurfaceDataCount(), records + 1);
    GraphImage picture = MakeXrgbPicture(3, 2, {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606});
    // Written into the derived graph, the picture lands at (2, 1) of the shared surface.
    ASSERT_EQ(SetGraphImageData(ImageSourceOf(&picture, nullptr), nullptr, 0, 0, derived, 0), 0);
    std::vector<std::uint32_t> want(18, 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) want[(1 + y) * 6 + 2 + x] = 0xFF000000u | (0x010101u * (y * 3 + x + 1));
    }
    EXPECT_EQ(PiecePixels(parent), want);
    // The source goes; the derived graph keeps the surface and can still be written.
    ASSERT_EQ(DeleteGraphHandle(parent, 0), 0);
    ASSERT_NE(GetSurfaceData(handle), nullptr);
    EXPECT_EQ(GetSurfaceData(handle)->reference_count, 1);
    const RECT one{0, 0, 1, 1};
    ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &one, 2, 1, derived, 0), 0);
    EXPECT_EQ(PiecePixels(derived), (std::vector<std::uint32_t>{0xFF010101, 0xFF020202, 0xFF030303, 0xFF040404,
                                                                0xFF050505, 0xFF010101}));
    ASSERT_EQ(DeleteGraphHandle(derived, 0), 0);
    EXPECT_EQ(GetSurfaceData(handle), nullptr);
    EXPECT_EQ(GetSurfaceDataCount(), records);
    FreeGraphImage(&picture);
}

// The 8-bit screen is asked for after the graphs are made (no 8-bit display modes exist
// here): pictures then reach the surface through its device context. The graph is the
// corner of one wider than the screen, which is held in system memory, where surfaces
// have device contexts (the 3-D device's video memory has none).
TEST_F(DirectDrawSurfaces, AnEightBitScreenCopiesThroughGdiAndDeletesItsSection) {
    if (!Start(true)) return;
    const int wide = CreateBlankGraph(641, 2, 1);
    ASSERT_EQ(PieceData(wide)->creation.system_memory, 1);
    const int graph = DeriveGraph(0, 0, 4, 2, wide);
    ASSERT_GT(graph, 0);
    const int with_alpha = CreateGraphAndSurface(4, 2, 0, 1, 0);
    const std::vector<std::uint32_t> colours{0x102030, 0x405060, 0x708090, 0xA0B0C0,
                                             0x0F0E0D, 0x1C1B1A, 0x292827, 0x363534};
    GraphImage picture = MakeXrgbPicture(4, 2, colours);
    ColorFormat rgb24{};
    SetRgb24ColorFormat(&rgb24);
    HBITMAP section = MakeSection(4, 2, 24, colours);
    ScreenState* screen = GetScreenState();
    const int depth = screen->requested_depth;
    screen->requested_depth = 8;
    const int bitmaps = gdi_testing::LiveBitmapCount();
    const int blocks = TrackedLiveBlockCount();
    // A rectangle of the picture, cut on the left, placed at x 1: the copy keeps its
    // source position and its destination. The fill sets the unused byte of the screen
    // pixel; the GDI copy leaves it 0.
    const RECT part{1, 0, 4, 2};
    const std::vector<std::uint32_t> want{0xFF000000, 0x405060, 0x708090, 0xA0B0C0,
                                          0xFF000000, 0x1C1B1A, 0x292827, 0x363534};
    struct Case {
        const char* name;
        ImageSource source;
    };
    const Case cases[] = {{"image", ImageSourceOf(&picture, nullptr)},
                          {"bitmap", BitmapSourceOf(&rgb24, section, nullptr)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 0), 0);
        ASSERT_EQ(BltImageToGraph(c.source, nullptr, &part, 1, 0, graph, 0), 0);
        EXPECT_EQ(PiecePixels(graph), want);
        EXPECT_EQ(gdi_testing::LiveBitmapCount(), bitmaps);
        EXPECT_EQ(TrackedLiveBlockCount(), blocks);
    }
    // A section that cannot be made: both log lines, -1, the surface's device context
    // given back (the next transfer works).
    gdi_testing::FailNextDIBSections(1);
    const std::size_t mark = ReadTestLogWithoutStamps().size();
    EXPECT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &part, 0, 0, graph, 0), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps().substr(mark),
              "ＤＩＢの作成に失敗しました3\r\nＢＭＰデータからＢＭＰハンドルを作成する処理が失敗しました");
    EXPECT_EQ(TrackedLiveBlockCount(), blocks);
    const RECT all{0, 0, 4, 2};
    ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &all, 0, 0, graph, 0), 0);
    EXPECT_EQ(PiecePixels(graph), colours);
    // A piece kept in a MEMIMG has no surface to copy into: it is written as ever.
    ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &all, 0, 0, with_alpha, 0), 0);
    std::uint32_t raw = 0;
    std::memcpy(&raw, PieceData(with_alpha)->color_image.pixels + 4, 4);
    EXPECT_EQ(raw, 0xFF405060u);
    screen->requested_depth = depth;
    EXPECT_TRUE(DeleteObject(section));
    FreeGraphImage(&picture);
}

}  // namespace
