// Texture-format slots and texture pieces: which offered formats fill which slots, the
// copy rules, the slot a graph's creation bytes choose, and the piece table's count,
// highest-used mark, free-slot search and derived positions.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/surface_data.h"
#include "tests/d3d/d3d_test_support.h"

namespace {

DDPIXELFORMAT Format(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a, DWORD flags = DDPF_RGB) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = flags | (a != 0 ? DDPF_ALPHAPIXELS : 0u);
    f.dwRGBBitCount = bits;
    f.dwRBitMask = r;
    f.dwGBitMask = g;
    f.dwBBitMask = b;
    f.dwRGBAlphaBitMask = a;
    return f;
}

const DDPIXELFORMAT kR5G6B5 = Format(16, 0xF800, 0x07E0, 0x001F, 0);
const DDPIXELFORMAT kX1R5G5B5 = Format(16, 0x7C00, 0x03E0, 0x001F, 0);
const DDPIXELFORMAT kA1R5G5B5 = Format(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
const DDPIXELFORMAT kA4R4G4B4 = Format(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
const DDPIXELFORMAT kX8R8G8B8 = Format(32, 0xFF0000, 0xFF00, 0xFF, 0);
const DDPIXELFORMAT kA8R8G8B8 = Format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);

// Offers the formats as the device's enumeration would; the found flag.
int Offer(std::initializer_list<DDPIXELFORMAT> formats) {
    std::memset(D3DState().slots, 0, sizeof(D3DState().slots));
    int found = 0;
    for (DDPIXELFORMAT f : formats) EXPECT_EQ(EnumTextureFormatCallback(&f, &found), D3DENUMRET_OK);
    FillEmptyTextureFormatSlots();
    return found;
}

std::uint32_t RedMask(int slot) { return GetTextureFormatColorFormat(slot)->red_mask; }
int Depth(int slot) { return GetTextureFormatColorFormat(slot)->bit_depth; }

TEST(TextureFormatSlots, OnlyThirtyTwoBitFormatsFindNoPlainFormat) {
    EXPECT_EQ(Offer({kX8R8G8B8, kA8R8G8B8}), 0);
    EXPECT_EQ(Offer({kA8R8G8B8, kR5G6B5}), 1);
}

TEST(TextureFormatSlots, TheFirstSixteenBitFormatStaysUnlessALaterOneIsTheScreens) {
    Offer({kR5G6B5, kX1R5G5B5});
    EXPECT_EQ(RedMask(0), 0xF800u);
    EXPECT_EQ(RedMask(1), 0xF800u);  // no 32-bit format: a copy of slot 0
    EXPECT_EQ(Depth(6), 16);
}

TEST(TextureFormatSlots, SkippedFormatsAndAlphaMasksGoWhereTheyBelong) {
    const DDPIXELFORMAT luminance = Format(16, 0xF800, 0x07E0, 0x001F, 0, DDPF_RGB | DDPF_LUMINANCE);
    DDPIXELFORMAT fourcc = kR5G6B5;
    fourcc.dwFourCC = 0x32595559;
    const DDPIXELFORMAT odd_alpha = Format(16, 0x0F00, 0x00F0, 0x000F, 0x7000);
    EXPECT_EQ(Offer({luminance, fourcc, odd_alpha}), 0);
    for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(Depth(slot), 0) << slot;

    Offer({kR5G6B5, kX8R8G8B8, kA1R5G5B5, kA4R4G4B4, kA8R8G8B8});
    const std::uint32_t alpha[9] = {0, 0, 0xF000, 0xFF000000u, 0x8000, 0xFF000000u, 0, 0, 0xFF000000u};
    for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(GetTextureFormatColorFormat(slot)->alpha_mask, alpha[slot]) << slot;
}

TEST(TextureFormatSlots, WithoutAlphaFormatsTheAlphaSlotsStayEmpty) {
    Offer({kR5G6B5, kX8R8G8B8});
    for (int slot : {2, 3, 4, 5, 8}) EXPECT_EQ(Depth(slot), 0) << slot;
    EXPECT_EQ(Depth(7), 32);
    // Only A4R4G4B4: slots 3, 4 and 5 copy slot 2, slot 8 copies slot 3.
    Offer({kR5G6B5, kA4R4G4B4});
    for (int slot : {2, 3, 4, 5, 8}) EXPECT_EQ(GetTextureFormatColorFormat(slot)->alpha_mask, 0xF000u) << slot;
}

TEST(TextureFormatSlots, CreationBytesChooseTheSlot) {
    struct Case {
        int alpha_channel, drawable, alpha_test, depth, slot;
    };
    const Case cases[] = {{0, 0, 0, 16, 0}, {0, 0, 0, 32, 1}, {1, 0, 0, 16, 2}, {1, 0, 1, 32, 3},
                          {0, 0, 1, 16, 4}, {0, 0, 1, 32, 5}, {0, 1, 0, 16, 6}, {0, 1, 0, 32, 7},
                          {1, 1, 0, 16, 8}, {0, 1, 1, 32, 8}, {0, 0, 0, 24, 1}};
    for (const Case& c : cases) {
        std::uint8_t bytes[9] = {1, static_cast<std::uint8_t>(c.alpha_channel), static_cast<std::uint8_t>(c.drawable),
                                 0, 0, static_cast<std::uint8_t>(c.alpha_test), static_cast<std::uint8_t>(c.depth), 0, 0};
        EXPECT_EQ(GetTextureFormatIndex(bytes), c.slot) << c.alpha_channel << c.drawable << c.alpha_test << c.depth;
    }
    Offer({kR5G6B5, kX8R8G8B8, kA1R5G5B5, kA4R4G4B4, kA8R8G8B8});
    EXPECT_EQ(GetTextureColorFormat(1, 0, 0, 0)->alpha_mask, 0xF000u);
    EXPECT_EQ(GetTextureColorFormat(0, 1, 1, 0)->alpha_mask, 0xFF000000u);
}

class TexturePieces : public d3d_test::D3DEngine {};

TEST_F(TexturePieces, APieceHoldsItsRectangleAndQuadAndADerivedPieceAddsItsParents) {
    const int parent_handle = Piece(128, 64);
    Surface3DData* parent = GetSurface3DData(parent_handle);
    parent->texture_x = 64;
    std::uint8_t bytes[9] = {0, 0, 0, 0, 0, 0, 16, 0, 0};
    const int handle = AddSurface3DData(128, 64, 4, 2, 32, 16, 5, 6, 77, parent, 16, 8, bytes, GetDrawSettings()->transparent_color);
    const Surface3DData* piece = GetSurface3DData(handle);
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(static_cast<std::uint32_t>(handle) & 0x78000000u, 0x30000000u);
    EXPECT_EQ(piece->texture_x, 80);
    EXPECT_EQ(piece->texture_y, 8);
    EXPECT_EQ(piece->source_x, 5);
    EXPECT_EQ(piece->owner_graph, 77);
    EXPECT_EQ(piece->surface_data, parent->surface_data);
    // Corners in graph coordinates; u, v over the 128 x 64 texture.
    EXPECT_EQ(piece->vertices[0].x, 4.0f);
    EXPECT_EQ(piece->vertices[3].x, 36.0f);
    EXPECT_EQ(piece->vertices[3].y, 18.0f);
    EXPECT_EQ(piece->vertices[0].u, 80.0f / 128.0f);
    EXPECT_EQ(piece->vertices[3].u, 112.0f / 128.0f);
    EXPECT_EQ(piece->vertices[3].v, 24.0f / 64.0f);
    EXPECT_EQ(piece->vertices[1].rhw, 1.0f);
    EXPECT_EQ(piece->vertices[2].diffuse, 0xFFFFFFFFu);

    std::int32_t deleted = 0;
    GetSurface3DData(handle)->owner_flag = &deleted;
    EXPECT_EQ(DeleteSurface3DData(handle), 0);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(GetSurface3DData(handle), nullptr);
    EXPECT_EQ(DeleteSurface3DData(handle), -1);
    EXPECT_EQ(GetSurfaceData(parent->surface_data)->reference_count, 1);
}

TEST_F(TexturePieces, TheMarkFallsPastEmptySlotsAndAFullMarkSearchesFromZero) {
    const int base = D3DState().piece_end_mark;
    // Pieces made before (the default font's glyph textures) count too.
    const int before = D3DState().piece_count;
    const int parent_handle = Piece(32, 32);
    const Surface3DData* parent = GetSurface3DData(parent_handle);
    std::uint8_t bytes[9] = {0, 0, 0, 0, 0, 0, 16, 0, 0};
    std::vector<int> handles;
    while (D3DState().piece_end_mark < kSurface3DSlots) {
        const int handle = AddSurface3DData(32, 32, 0, 0, 8, 8, 0, 0, -1, parent, 0, 0, bytes, GetDrawSettings()->transparent_color);
        ASSERT_NE(handle, -1);
        handles.push_back(handle);
    }
    EXPECT_EQ(D3DState().piece_count, before + kSurface3DSlots - base);
    // A gap low down: the next piece takes it while the mark stays at the end.
    const int low = handles[10];
    EXPECT_EQ(DeleteSurface3DData(low), 0);
    const int refill = AddSurface3DData(32, 32, 0, 0, 8, 8, 0, 0, -1, parent, 0, 0, bytes, GetDrawSettings()->transparent_color);
    EXPECT_EQ(refill & 0xFFFF, low & 0xFFFF);
    EXPECT_NE(refill, low);
    handles[10] = refill;
    if (base == 0) {
        // Full: refused with its message.
        EXPECT_EQ(AddSurface3DData(32, 32, 0, 0, 8, 8, 0, 0, -1, parent, 0, 0, bytes, GetDrawSettings()->transparent_color), -1);
    }
    // Deleting all but the highest, then the highest, lowers the mark to the parent's.
    const int highest = handles.back();
    handles.pop_back();
    for (int handle : handles) ASSERT_EQ(DeleteSurface3DData(handle), 0);
    EXPECT_EQ(D3DState().piece_end_mark, kSurface3DSlots);
    EXPECT_EQ(DeleteSurface3DData(highest), 0);
    EXPECT_EQ(D3DState().piece_end_mark, (parent_handle & 0xFFFF) + 1);
    EXPECT_EQ(DeleteSurface3DData(parent_handle), 0);
    EXPECT_EQ(D3DState().piece_end_mark, base);
}

}  // namespace

namespace {

TEST_F(TexturePieces, AnImageRectangleIsWrittenIntoThePieceTextureCutToItsEdges) {
    const int handle = Piece(8, 8);
    GraphImage image{};
    ASSERT_EQ(CreateXrgb32GraphImage(4, 4, &image), 0);
    auto* pixels = static_cast<std::uint32_t*>(image.pixels);
    for (int i = 0; i < 16; ++i) pixels[i] = 0x00FF0000u;  // red
    pixels[0] = 0x0000FF00u;                                 // green at (0, 0)
    const ImageSource source = ImageSourceOf(&image, nullptr);
    // The rectangle (0, 0)-(4, 4) at (6, 5): only 2 x 3 of it fits in the 8 x 8 texture.
    const RECT rect{0, 0, 4, 4};
    ASSERT_EQ(WriteImageToPieceTexture(source, &rect, 6, 5, handle, 0), 0);
    SurfaceData* data = GetSurfaceData(GetSurface3DData(handle)->surface_data);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(data->surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    auto at = [&](int x, int y) {
        return *reinterpret_cast<const std::uint16_t*>(static_cast<const std::uint8_t*>(desc.lpSurface) +
                                                       y * desc.lPitch + x * 2);
    };
    EXPECT_EQ(at(6, 5), 0x07E0);  // green in R5G6B5
    EXPECT_EQ(at(7, 5), 0xF800);
    EXPECT_EQ(at(7, 7), 0xF800);
    EXPECT_NE(at(5, 5), 0xF800);
    data->surface->Unlock(nullptr);
    // Nothing of the rectangle lands on the texture: 0, nothing written; a bad piece: -1.
    const RECT outside{0, 0, 4, 4};
    EXPECT_EQ(WriteImageToPieceTexture(source, &outside, 8, 0, handle, 0), 0);
    EXPECT_EQ(WriteImageToPieceTexture(source, &rect, 0, 0, handle + 1, 0), -1);
    FreeGraphImage(&image);
}

}  // namespace
