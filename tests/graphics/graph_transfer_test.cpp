// Pictures written into graph pieces: a placed rectangle touches only the pieces it
// crosses and is cut at their edges, a write running past the image is cut to it, a
// palette picture whose palette lacks the transparent colour keys on index 0, and DIB
// sections as sources give the pixels of the same picture held in GraphImages.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "platform/testing/gdi_testing.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/drawstate_testing.h"

using engine_test::EngineSession;
using graph_test::GraphPixel;
using graph_test::MakePicture;

namespace {

// The pixel (x, y) of piece `index` of a graph, read from its image.
std::uint32_t PiecePixel(int graph, int index, int x, int y) {
    const Surface2D* piece = GetSurface2DRecord(GetGraphRecord(graph)->pieces[index]);
    const SurfaceData* data = GetSurfaceData(piece->surface_data);
    const MEMIMG& image = data->color_image;
    std::uint32_t raw = 0;
    std::memcpy(&raw, image.pixels + (piece->source_y + y) * image.block->pitch + (piece->source_x + x) * 4, 4);
    return raw & 0xFFFFFF;
}

TEST(GraphTransfer, APlacedRectangleTouchesOnlyThePiecesItCrosses) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    // A 16 x 4 graph of two 8 x 4 pieces side by side.
    const int graph = CreateBlankGraph(8, 4, 1);
    GraphRecord* record = GetGraphRecord(graph);
    record->pieces[1] = AddSurface2D(8, 4, 8, 0, graph, nullptr, 0, 0, &record->creation);
    ASSERT_NE(record->pieces[1], -1);
    record->piece_count = 2;
    record->width = 16;
    ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 255), 0);
    GraphImage picture = MakePicture(4, 4, [](int x, int y) { return static_cast<std::uint32_t>(0x100000 * (x + 1) + y); });
    const RECT all{0, 0, 4, 4};
    ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), "p.png", &all, 10, 0, graph, 0), 0);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(PiecePixel(graph, 0, x, 1), 0u) << x;
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(PiecePixel(graph, 1, x, 1), x >= 2 && x < 6 ? 0x100000u * (x - 1) + 1 : 0u) << x;
    }
    EXPECT_EQ(std::string(record->file_name), "p.png");
    // Starting left of the second piece: cut on its left, lands at x 0 of it.
    ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 255), 0);
    ASSERT_EQ(BltImageToGraph(ImageSourceOf(&picture, nullptr), nullptr, &all, 6, 0, graph, 0), 0);
    EXPECT_EQ(PiecePixel(graph, 0, 6, 2), 0x100002u);
    EXPECT_EQ(PiecePixel(graph, 0, 7, 2), 0x200002u);
    EXPECT_EQ(PiecePixel(graph, 1, 0, 2), 0x300002u);
    EXPECT_EQ(PiecePixel(graph, 1, 1, 2), 0x400002u);
    EXPECT_EQ(PiecePixel(graph, 1, 2, 2), 0u);
    // Past the right edge of the image behind the piece: cut, nothing outside is written.
    ASSERT_EQ(BltImageToSurface2D(ImageSourceOf(&picture, nullptr), &all, 6, 2, record->pieces[1]), 0);
    EXPECT_EQ(PiecePixel(graph, 1, 7, 3), 0x200001u);
    FreeGraphImage(&picture);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// Rectangles and positions at the ends of the int range write nothing and overflow no
// sum of a position and a size; a rectangle reaching far past the picture is cut to it.
TEST(GraphTransfer, FarOffRectanglesAndPositionsWriteNothing) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const int graph = CreateBlankGraph(8, 4, 1);
    GraphRecord* record = GetGraphRecord(graph);
    ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 255), 0);
    GraphImage picture = MakePicture(4, 4, [](int x, int y) { return static_cast<std::uint32_t>(0x100000 * (x + 1) + y); });
    const ImageSource source = ImageSourceOf(&picture, nullptr);
    constexpr int kMax = 2147483647;
    constexpr int kMin = -2147483647 - 1;
    struct Case {
        RECT rect;
        std::vector<int> places;  // tried as x, as y and as both
    };
    const Case cases[] = {
        {{kMin, kMin, kMax, kMax}, {kMax, kMax - 2}},           // the picture lands far right or below
        {{0, 0, 4, 4}, {kMax, kMax - 2, kMin, kMin + 5}},        // far off on either side
        {{kMax - 1, 0, kMax, 4}, {0, kMax, kMin}},               // right of the picture
        {{0, kMin, 4, kMin + 2}, {0, kMax, kMin}},               // above the picture
    };
    for (const Case& c : cases) {
        for (int place : c.places) {
            SCOPED_TRACE(place);
            EXPECT_EQ(BltImageToGraph(source, nullptr, &c.rect, place, 0, graph, 0), 0);
            EXPECT_EQ(BltImageToGraph(source, nullptr, &c.rect, 0, place, graph, 0), 0);
            EXPECT_EQ(BltImageToGraph(source, nullptr, &c.rect, place, place, graph, 0), 0);
            EXPECT_EQ(BltImageToSurface2D(source, &c.rect, place, place, record->pieces[0]), 0);
        }
    }
    for (int place : {kMax, kMax - 2, kMin, kMin + 5}) {
        EXPECT_EQ(BltImageToSurface2DPiece(source, place, place, record->pieces[0]), 0) << place;
        EXPECT_EQ(BltImageToGraphSurface2Ds(source, place, place, record), 0) << place;
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) EXPECT_EQ(PiecePixel(graph, 0, x, y), 0u) << x << "," << y;
    }
    // A rectangle from far left of the picture to far right of it, placed so that the
    // picture's column 0 falls on x 2: the picture's four columns land at x 2 to 5.
    const RECT wide{kMin + 2, 1, kMax, kMax};
    for (int by_piece : {0, 1}) {
        ASSERT_EQ(FillGraphColor(graph, 0, 0, 0, 255), 0);
        ASSERT_EQ(by_piece ? BltImageToSurface2D(source, &wide, kMin + 4, 0, record->pieces[0])
                           : BltImageToGraph(source, nullptr, &wide, kMin + 4, 0, graph, 0),
                  0);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const std::uint32_t want = x >= 2 && x < 6 && y < 3 ? 0x100000u * (x - 1) + y + 1 : 0u;
                EXPECT_EQ(PiecePixel(graph, 0, x, y), want) << by_piece << ": " << x << "," << y;
            }
        }
    }
    FreeGraphImage(&picture);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

TEST(GraphTransfer, APaletteWithoutTheTransparentColourKeysOnIndexZero) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    GetDrawSettings()->transparent_color = 0xFF00FF;
    GraphImage image{};
    ASSERT_EQ(CreateXrgb32GraphImage(2, 2, &image), 0);  // for the allocation only
    SetPalette8ColorFormat(&image.format);
    image.pitch = 4;
    std::memset(image.pixels, 1, 8);
    for (int i = 0; i < 256; ++i) image.format.palette[i] = ColorPaletteEntry{static_cast<std::uint8_t>(i), 0, 0, 0};
    const int without = BuildGraphFromGraphImageDefault(&image);
    ASSERT_GT(without, 0);
    EXPECT_EQ(GetGraphRecord(without)->creation.palette, 1);
    EXPECT_EQ(graph_test::FirstPieceData(without)->color_image.block->transparent_color, 0u);
    image.format.palette[7] = ColorPaletteEntry{0xFF, 0x00, 0xFF, 0};
    const int with = BuildGraphFromGraphImageDefault(&image);
    EXPECT_EQ(graph_test::FirstPieceData(with)->color_image.block->transparent_color, 7u);
    FreeGraphImage(&image);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

// A top-down R5G6B5 DIB section (bit fields) holding `pixels`, rows top first.
HBITMAP Make565Section(int width, int height, const std::vector<std::uint16_t>& pixels) {
    struct {
        BITMAPINFOHEADER header;
        std::uint32_t masks[3];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    void* bits = nullptr;
    HBITMAP section =
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_NE(section, nullptr);
    const int stride = static_cast<int>(DibRowBytes(width, 16));
    for (int y = 0; y < height; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(bits) + y * stride, &pixels[static_cast<std::size_t>(y) * width],
                    static_cast<std::size_t>(width) * 2);
    }
    return section;
}

// The same pixels in a GraphImage whose rows are packed without padding, as a reader
// may state them.
GraphImage Make565Image(int width, int height, const std::vector<std::uint16_t>& pixels, const ColorFormat& format) {
    GraphImage image{};
    image.format = format;
    image.width = width;
    image.height = height;
    image.pitch = width * 2;
    image.pixels = TrackedAlloc(static_cast<std::uint32_t>(width * height * 2), __FILE__, __LINE__);
    std::memcpy(image.pixels, pixels.data(), pixels.size() * 2);
    return image;
}

// The raw pixels of the image behind a graph's first piece, rows top first.
std::vector<std::uint32_t> RawPixels(int graph) {
    const Surface2D* piece = nullptr;
    const SurfaceData* data = graph_test::FirstPieceData(graph, &piece);
    std::vector<std::uint32_t> out;
    if (data == nullptr) return out;
    const MEMIMG& image = data->color_image;
    for (int y = 0; y < piece->height; ++y) {
        for (int x = 0; x < piece->width; ++x) {
            std::uint32_t raw = 0;
            std::memcpy(&raw, image.pixels + (piece->source_y + y) * image.block->pitch + (piece->source_x + x) * 4, 4);
            out.push_back(raw);
        }
    }
    return out;
}

TEST(GraphTransfer, BitmapSourcesGiveThePixelsOfTheSamePictureInGraphImages) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ColorFormat rgb565{};
    BuildColorFormat(&rgb565, 16, 0xF800, 0x07E0, 0x001F, 0);
    // 3 pixels of 2 bytes: GDI describes the rows as 6 bytes, they lie 8 bytes apart.
    const std::vector<std::uint16_t> colour{0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x0000};
    // The alpha picture's red: 31, 16, 0 / 31, 1, 31.
    const std::vector<std::uint16_t> alpha{0xF800, 0x8000, 0x0000, 0xF800, 0x0800, 0xF800};
    const int before = gdi_testing::LiveBitmapCount();
    HBITMAP colour_section = Make565Section(3, 2, colour);
    HBITMAP alpha_section = Make565Section(3, 2, alpha);
    BITMAP described{};
    ASSERT_EQ(GetObjectA(colour_section, sizeof(described), &described), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(described.bmWidthBytes, 6);
    GraphImage colour_image = Make565Image(3, 2, colour, rgb565);
    GraphImage alpha_image = Make565Image(3, 2, alpha, rgb565);
    const RECT all{0, 0, 3, 2};
    struct Case {
        int alpha;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        // X8R8G8B8: the plain widening of the format-pair loop.
        {0, {0x00F80000, 0x0000FC00, 0x000000F8, 0x00808080, 0x00F8FCF8, 0x00000000}},
        // A8R8G8B8 with an alpha picture: every channel widened to full range, alpha from
        // the alpha picture's red.
        {1, {0xFFFF0000, 0x8300FF00, 0x000000FF, 0xFF838183, 0x08FFFFFF, 0xFF000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alpha);
        const int from_bitmap = CreateGraphAndSurface(3, 2, 0, c.alpha, 0);
        const int from_image = CreateGraphAndSurface(3, 2, 0, c.alpha, 0);
        ASSERT_EQ(graph_test::FirstPieceData(from_bitmap)->color_image.block->kind, kMemImgXrgb8888);
        ASSERT_EQ(BltImageToGraph(BitmapSourceOf(&rgb565, colour_section, c.alpha ? alpha_section : nullptr), nullptr,
                                  &all, 0, 0, from_bitmap, 0),
                  0);
        ASSERT_EQ(BltImageToGraph(ImageSourceOf(&colour_image, c.alpha ? &alpha_image : nullptr), nullptr, &all, 0, 0,
                                  from_image, 0),
                  0);
        EXPECT_EQ(RawPixels(from_bitmap), c.expected);
        EXPECT_EQ(RawPixels(from_image), c.expected);
    }
    // Sources that cannot be read: no format, a bitmap without bits, rows too short for
    // the format's pixels.
    ColorFormat xrgb{};
    SetXrgb32ColorFormat(&xrgb);
    HBITMAP plain = CreateCompatibleBitmap(nullptr, 3, 2);
    const int graph = CreateGraphAndSurface(3, 2, 0, 0, 0);
    EXPECT_EQ(BltImageToGraph(BitmapSourceOf(nullptr, colour_section, nullptr), nullptr, &all, 0, 0, graph, 0), -1);
    EXPECT_EQ(BltImageToGraph(BitmapSourceOf(&xrgb, plain, nullptr), nullptr, &all, 0, 0, graph, 0), -1);
    EXPECT_EQ(BltImageToGraph(BitmapSourceOf(&xrgb, colour_section, nullptr), nullptr, &all, 0, 0, graph, 0), -1);
    EXPECT_EQ(BltImageToGraph(BitmapSourceOf(&rgb565, colour_section, plain), nullptr, &all, 0, 0, graph, 0), -1);
    // The transfer leaves the caller's bitmaps alone.
    EXPECT_EQ(gdi_testing::LiveBitmapCount(), before + 3);
    EXPECT_TRUE(DeleteObject(plain));
    EXPECT_TRUE(DeleteObject(colour_section));
    EXPECT_TRUE(DeleteObject(alpha_section));
    FreeGraphImage(&colour_image);
    FreeGraphImage(&alpha_image);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
