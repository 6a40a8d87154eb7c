// Unscaled copies between pictures of one layout are row copies; the pixel-by-pixel
// conversion is the reference. Each random case draws the same picture twice into two
// equal sections: once from a DIB of the section's own layout, once from the same colours
// in a layout with red and blue swapped (converted pixel by pixel). Every byte must agree,
// over mirrored extents, clipping at every edge and unscaled as well as scaled cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi.h"

namespace {

struct Dib {
    BITMAPINFOHEADER header;
    std::uint32_t masks[3];
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

Dib BitFields(int width, int height, int bit_count, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    Dib dib{};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = width;
    dib.header.biHeight = height;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = static_cast<WORD>(bit_count);
    dib.header.biCompression = BI_BITFIELDS;
    dib.masks[0] = red;
    dib.masks[1] = green;
    dib.masks[2] = blue;
    return dib;
}

struct Layout {
    int bit_count;
    std::uint32_t red, green, blue;
};

// The value of one pixel in the red/blue-swapped layout.
std::uint32_t Swapped(std::uint32_t value, int bit_count) {
    if (bit_count == 32) return (value & 0x00FF00u) | (value >> 16 & 0xFFu) | (value & 0xFFu) << 16;
    return (value & 0x07E0u) | (value >> 11 & 0x1Fu) | (value & 0x1Fu) << 11;
}

TEST(StretchCopyProperty, SameLayoutCopiesMatchTheConvertedReference) {
    const Layout layouts[] = {{32, 0xFF0000u, 0x00FF00u, 0x0000FFu}, {16, 0xF800u, 0x07E0u, 0x001Fu}};
    std::mt19937 random(1211u);
    for (int round = 0; round < 400; ++round) {
        const Layout& layout = layouts[round % 2];
        const int bytes = layout.bit_count / 8;
        const int source_width = 1 + static_cast<int>(random() % 40);
        const int source_height = 1 + static_cast<int>(random() % 12);
        const int source_stride = (source_width * bytes + 3) & ~3;
        const bool source_bottom_up = random() % 2 == 0;
        std::vector<std::uint8_t> own(static_cast<std::size_t>(source_stride) * source_height);
        std::vector<std::uint8_t> swapped(own.size());
        for (int y = 0; y < source_height; ++y) {
            for (int x = 0; x < source_width; ++x) {
                // Colours only: a 32-bit layout has no bits outside its channels to carry.
                std::uint32_t value = static_cast<std::uint32_t>(random());
                value &= layout.bit_count == 32 ? 0xFFFFFFu : 0xFFFFu;
                const std::uint32_t other = Swapped(value, layout.bit_count);
                std::memcpy(own.data() + y * source_stride + x * bytes, &value, static_cast<std::size_t>(bytes));
                std::memcpy(swapped.data() + y * source_stride + x * bytes, &other, static_cast<std::size_t>(bytes));
            }
        }
        const int sh = source_bottom_up ? source_height : -source_height;
        Dib own_dib = BitFields(source_width, sh, layout.bit_count, layout.red, layout.green, layout.blue);
        Dib swapped_dib = BitFields(source_width, sh, layout.bit_count, layout.blue, layout.green, layout.red);

        const int width = 1 + static_cast<int>(random() % 40);
        const int height = 1 + static_cast<int>(random() % 12);
        Dib section_dib = BitFields(width, random() % 2 == 0 ? height : -height, layout.bit_count, layout.red,
                                    layout.green, layout.blue);
        void* fast_bits = nullptr;
        void* reference_bits = nullptr;
        const HBITMAP fast = CreateDIBSection(nullptr, section_dib.info(), DIB_RGB_COLORS, &fast_bits, nullptr, 0);
        const HBITMAP reference =
            CreateDIBSection(nullptr, section_dib.info(), DIB_RGB_COLORS, &reference_bits, nullptr, 0);
        ASSERT_NE(fast, nullptr);
        ASSERT_NE(reference, nullptr);
        const std::size_t section_bytes = static_cast<std::size_t>((width * bytes + 3) & ~3) * height;
        for (std::size_t i = 0; i < section_bytes; ++i) {
            static_cast<std::uint8_t*>(fast_bits)[i] = static_cast<std::uint8_t>(i * 37 + round);
        }
        std::memcpy(reference_bits, fast_bits, section_bytes);

        // Extents mostly equal (the row copy), mirrored in either axis, positions off every edge.
        int w = 1 + static_cast<int>(random() % (width + 6));
        int h = 1 + static_cast<int>(random() % (height + 4));
        int sw = random() % 5 == 0 ? 1 + static_cast<int>(random() % 30) : w;
        int shh = random() % 5 == 0 ? 1 + static_cast<int>(random() % 10) : h;
        if (random() % 4 == 0) {
            w = -w;
            sw = -sw;
        }
        if (random() % 4 == 0) h = -h;
        if (random() % 4 == 0) shh = -shh;
        const int x = static_cast<int>(random() % (width + 10)) - 5;
        const int y = static_cast<int>(random() % (height + 6)) - 3;
        const int sx = static_cast<int>(random() % (source_width + 10)) - 5;
        const int sy = static_cast<int>(random() % (source_height + 6)) - 3;
        SCOPED_TRACE(testing::Message() << "round " << round << ": " << layout.bit_count << " bits, to " << x << ","
                                        << y << " " << w << "x" << h << " from " << sx << "," << sy << " " << sw << "x"
                                        << shh << ", source " << source_width << "x" << sh << ", section " << width
                                        << "x" << section_dib.header.biHeight);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP previous = SelectObject(dc, fast);
        const int fast_lines = StretchDIBits(dc, x, y, w, h, sx, sy, sw, shh, own.data(), own_dib.info(),
                                             DIB_RGB_COLORS, SRCCOPY);
        SelectObject(dc, reference);
        const int reference_lines = StretchDIBits(dc, x, y, w, h, sx, sy, sw, shh, swapped.data(),
                                                  swapped_dib.info(), DIB_RGB_COLORS, SRCCOPY);
        SelectObject(dc, previous);
        DeleteDC(dc);
        EXPECT_EQ(fast_lines, reference_lines);
        EXPECT_EQ(std::memcmp(fast_bits, reference_bits, section_bytes), 0);
        DeleteObject(fast);
        DeleteObject(reference);
    }
}

}  // namespace
