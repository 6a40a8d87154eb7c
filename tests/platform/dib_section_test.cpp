// DIB sections: the pixels drawn into a section land in the DIB's own layout (depth,
// masks, colour table, row order, padded rows) at the address handed back; headers the
// section cannot take are refused; a negative source width mirrors rows exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi.h"

namespace {

// A header with room for 256 colour entries (or the three masks).
struct Dib {
    BITMAPINFOHEADER header;
    std::uint32_t table[256];
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

Dib MakeHeader(int width, int height, int bit_count, DWORD compression) {
    Dib dib{};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = width;
    dib.header.biHeight = height;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = static_cast<WORD>(bit_count);
    dib.header.biCompression = compression;
    return dib;
}

// A 3 x 2 top-down 24-bit picture (rows of 12 bytes) of the six colours below.
constexpr std::uint32_t kColours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x808080, 0x102030}};

std::vector<std::uint8_t> SourceBits() {
    std::vector<std::uint8_t> bits(24, 0xEE);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            std::uint8_t* at = bits.data() + y * 12 + x * 3;
            at[0] = static_cast<std::uint8_t>(kColours[y][x]);
            at[1] = static_cast<std::uint8_t>(kColours[y][x] >> 8);
            at[2] = static_cast<std::uint8_t>(kColours[y][x] >> 16);
        }
    }
    return bits;
}

std::uint32_t ReadLittle(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

TEST(DibSectionTest, DrawnPixelsLandInTheSectionLayout) {
    struct Case {
        int bit_count;
        DWORD compression;
        std::uint32_t masks[3];
        int height;  // positive: bottom-up section
        int row_bytes;
        // The six colours as the section stores them, top row first.
        std::uint32_t raw[2][3];
    };
    // 16-bit R5G6B5: 0x808080 keeps the high bits (0x8410), 0x102030 -> (2, 8, 6).
    const Case cases[] = {
        {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, -2, 8, {{0xF800, 0x07E0, 0x001F}, {0xFFFF, 0x8410, 0x1106}}},
        {16, BI_RGB, {0, 0, 0}, 2, 8, {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x4210, 0x0886}}},
        {24, BI_RGB, {0, 0, 0}, -2, 12, {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x808080, 0x102030}}},
        {24, BI_RGB, {0, 0, 0}, 2, 12, {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x808080, 0x102030}}},
        {32, BI_RGB, {0, 0, 0}, -2, 12, {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x808080, 0x102030}}},
        {32, BI_BITFIELDS, {0x0000FF, 0x00FF00, 0xFF0000}, 2, 12,
         {{0x0000FF, 0x00FF00, 0xFF0000}, {0xFFFFFF, 0x808080, 0x302010}}},
    };
    Dib source = MakeHeader(3, -2, 24, BI_RGB);
    const std::vector<std::uint8_t> source_bits = SourceBits();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bit_count << " bits, compression " << c.compression << ", height "
                                        << c.height);
        Dib dib = MakeHeader(3, c.height, c.bit_count, c.compression);
        std::memcpy(dib.table, c.masks, sizeof c.masks);
        void* bits = reinterpret_cast<void*>(1);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP section = CreateDIBSection(dc, dib.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        ASSERT_NE(bits, nullptr);
        auto* memory = static_cast<std::uint8_t*>(bits);
        const std::vector<std::uint8_t> zero(static_cast<std::size_t>(c.row_bytes) * 2, 0);
        EXPECT_EQ(std::memcmp(memory, zero.data(), zero.size()), 0);

        const HBITMAP previous = SelectObject(dc, section);
        ASSERT_NE(previous, nullptr);
        EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 3, 2, 0, 0, 0, 2, source_bits.data(), source.info(), DIB_RGB_COLORS),
                  2);
        EXPECT_EQ(DeleteObject(section), FALSE);  // still selected
        SelectObject(dc, previous);
        DeleteDC(dc);

        const int bytes = c.bit_count / 8;
        for (int y = 0; y < 2; ++y) {
            // A bottom-up section holds its bottom row first in memory.
            const int memory_row = c.height > 0 ? 1 - y : y;
            const std::uint8_t* row = memory + memory_row * c.row_bytes;
            for (int x = 0; x < 3; ++x) {
                std::uint32_t value = ReadLittle(row + x * bytes, bytes);
                if (c.bit_count == 32 && c.compression == BI_RGB) value &= 0xFFFFFF;
                EXPECT_EQ(value, c.raw[y][x]) << "x " << x << " y " << y;
            }
            for (int i = 3 * bytes; i < c.row_bytes; ++i) EXPECT_EQ(row[i], 0) << "padding byte " << i;
        }
        EXPECT_EQ(DeleteObject(section), TRUE);
    }
}

TEST(DibSectionTest, PaletteSectionKeepsIndicesAndBlitsOut) {
    // Entries 1 and 3 are the same colour: an index drawn from a DIB with the same
    // table stays the index it was, not the first entry of that colour.
    Dib dib = MakeHeader(5, -2, 8, BI_RGB);
    dib.table[1] = 0x00112233;
    dib.table[2] = 0x00445566;
    dib.table[3] = 0x00112233;
    void* bits = nullptr;
    const HBITMAP section = CreateDIBSection(nullptr, dib.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    const std::uint8_t source_bits[16] = {3, 1, 2, 0, 3, 9, 9, 9, 2, 2, 3, 1, 0, 9, 9, 9};
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP previous = SelectObject(dc, section);
    EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 5, 2, 0, 0, 0, 2, source_bits, dib.info(), DIB_RGB_COLORS), 2);
    const auto* memory = static_cast<const std::uint8_t*>(bits);
    const std::uint8_t expected[16] = {3, 1, 2, 0, 3, 0, 0, 0, 2, 2, 3, 1, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(memory, expected, sizeof expected), 0);

    // BitBlt reads the section through its colour table.
    Dib out = MakeHeader(2, -1, 32, BI_RGB);
    void* out_bits = nullptr;
    const HBITMAP target = CreateDIBSection(nullptr, out.info(), DIB_RGB_COLORS, &out_bits, nullptr, 0);
    ASSERT_NE(target, nullptr);
    const HDC out_dc = CreateCompatibleDC(nullptr);
    const HBITMAP out_previous = SelectObject(out_dc, target);
    EXPECT_EQ(BitBlt(out_dc, 0, 0, 2, 1, dc, 1, 1, SRCCOPY), TRUE);
    const std::uint32_t* words = static_cast<const std::uint32_t*>(out_bits);
    EXPECT_EQ(words[0], 0x00445566u);
    EXPECT_EQ(words[1], 0x00112233u);

    SelectObject(out_dc, out_previous);
    DeleteDC(out_dc);
    SelectObject(dc, previous);
    DeleteDC(dc);
    EXPECT_EQ(DeleteObject(target), TRUE);
    EXPECT_EQ(DeleteObject(section), TRUE);
}

TEST(DibSectionTest, RefusesWhatItCannotHold) {
    struct Case {
        const char* what;
        Dib dib;
        UINT usage;
        bool mapping;
    };
    Dib overlapping = MakeHeader(4, 4, 16, BI_BITFIELDS);
    overlapping.table[0] = 0xF800;
    overlapping.table[1] = 0x0FE0;
    overlapping.table[2] = 0x001F;
    Dib too_wide_mask = MakeHeader(4, 4, 16, BI_BITFIELDS);
    too_wide_mask.table[0] = 0xFF0000;
    too_wide_mask.table[1] = 0x00FF00;
    too_wide_mask.table[2] = 0x0000FF;
    Dib no_mask = MakeHeader(4, 4, 32, BI_BITFIELDS);
    no_mask.table[0] = 0xFF0000;
    no_mask.table[1] = 0x00FF00;
    Dib many_colours = MakeHeader(4, 4, 8, BI_RGB);
    many_colours.header.biClrUsed = 257;
    Dib small_header = MakeHeader(4, 4, 24, BI_RGB);
    small_header.header.biSize = 12;
    Dib two_planes = MakeHeader(4, 4, 24, BI_RGB);
    two_planes.header.biPlanes = 2;
    const Case cases[] = {
        {"width 0", MakeHeader(0, 4, 24, BI_RGB), DIB_RGB_COLORS, false},
        {"negative width", MakeHeader(-4, 4, 24, BI_RGB), DIB_RGB_COLORS, false},
        {"height 0", MakeHeader(4, 0, 24, BI_RGB), DIB_RGB_COLORS, false},
        {"lowest height", MakeHeader(4, INT32_MIN, 24, BI_RGB), DIB_RGB_COLORS, false},
        {"4 bits", MakeHeader(4, 4, 4, BI_RGB), DIB_RGB_COLORS, false},
        {"run-length", MakeHeader(4, 4, 8, BI_RLE8), DIB_RGB_COLORS, false},
        {"24-bit bit fields", MakeHeader(4, 4, 24, BI_BITFIELDS), DIB_RGB_COLORS, false},
        {"overlapping masks", overlapping, DIB_RGB_COLORS, false},
        {"mask wider than the pixel", too_wide_mask, DIB_RGB_COLORS, false},
        {"empty mask", no_mask, DIB_RGB_COLORS, false},
        {"257 colours", many_colours, DIB_RGB_COLORS, false},
        {"core header", small_header, DIB_RGB_COLORS, false},
        {"two planes", two_planes, DIB_RGB_COLORS, false},
        {"row past 32 bits", MakeHeader(0x7FFFFFFF, 1, 32, BI_RGB), DIB_RGB_COLORS, false},
        {"too many bytes", MakeHeader(0x10000, -0x10000, 32, BI_RGB), DIB_RGB_COLORS, false},
        {"palette indices", MakeHeader(4, 4, 8, BI_RGB), 1, false},
        {"file mapping", MakeHeader(4, 4, 24, BI_RGB), DIB_RGB_COLORS, true},
    };
    for (Case c : cases) {
        void* bits = reinterpret_cast<void*>(1);
        const HANDLE mapping = c.mapping ? reinterpret_cast<HANDLE>(&c) : nullptr;
        EXPECT_EQ(CreateDIBSection(nullptr, c.dib.info(), c.usage, &bits, mapping, 0), nullptr) << c.what;
        EXPECT_EQ(bits, nullptr) << c.what;
    }
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST(DibSectionTest, NegativeWidthsMirrorEveryColumn) {
    // Source: bottom-up 3 x 2 24-bit; from the last column with width -3 every row comes
    // out reversed, the edge columns included. A negative destination width does the same.
    Dib source = MakeHeader(3, 2, 24, BI_RGB);
    std::vector<std::uint8_t> source_bits = SourceBits();  // memory row 0 is the bottom row here
    Dib dib = MakeHeader(3, -2, 32, BI_RGB);
    struct Case {
        int x, width, source_x, source_width;
    };
    const Case cases[] = {{0, 3, 2, -3}, {2, -3, 0, 3}};
    for (const Case& c : cases) {
        void* bits = nullptr;
        const HBITMAP section = CreateDIBSection(nullptr, dib.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP previous = SelectObject(dc, section);
        EXPECT_EQ(StretchDIBits(dc, c.x, 0, c.width, 2, c.source_x, 0, c.source_width, 2, source_bits.data(),
                                source.info(), DIB_RGB_COLORS, SRCCOPY),
                  2);
        SelectObject(dc, previous);
        DeleteDC(dc);
        const auto* words = static_cast<const std::uint32_t*>(bits);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                // Section row y (top-down) is the source's memory row 1 - y.
                EXPECT_EQ(words[y * 3 + x] & 0xFFFFFF, kColours[1 - y][2 - x])
                    << "case x " << c.x << ", pixel " << x << ", " << y;
            }
        }
        EXPECT_EQ(DeleteObject(section), TRUE);
    }
}

}  // namespace
