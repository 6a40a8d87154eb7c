// The DIB-to-24-bit converter of the platform layer: row order, colour tables shorter
// than the depth allows, bit fields, and refusal of unsupported kinds and short data.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/dib_convert.h"

namespace {

struct Dib {
    alignas(4) unsigned char block[40 + 256 * 4] = {};
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(block); }
    Dib(int width, int height, int bits, DWORD compression = BI_RGB) {
        BITMAPINFOHEADER& h = info()->bmiHeader;
        h.biSize = 40;
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bits);
        h.biCompression = compression;
    }
    void Entry(int i, std::uint32_t rgb) {
        block[40 + i * 4] = static_cast<unsigned char>(rgb);
        block[41 + i * 4] = static_cast<unsigned char>(rgb >> 8);
        block[42 + i * 4] = static_cast<unsigned char>(rgb >> 16);
    }
};

std::uint32_t At(const std::vector<unsigned char>& out, int pitch, int x, int y) {
    const unsigned char* p = out.data() + y * pitch + x * 3;
    return static_cast<std::uint32_t>(p[0]) | p[1] << 8 | p[2] << 16;
}

TEST(DibConvert, BottomUpRowsComeOutTopDown) {
    Dib dib(1, 2, 32);
    const unsigned char bits[8] = {1, 2, 3, 0, 4, 5, 6, 0};  // bottom row first
    std::vector<unsigned char> out(8, 0xEE);
    ASSERT_EQ(ConvertDibToRgb24(dib.info(), bits, sizeof bits, out.data(), 4), 0);
    EXPECT_EQ(At(out, 4, 0, 0), 0x060504u);
    EXPECT_EQ(At(out, 4, 0, 1), 0x030201u);
    EXPECT_EQ(out[3], 0xEE);  // padding of the destination row untouched
    dib.info()->bmiHeader.biHeight = -2;
    ASSERT_EQ(ConvertDibToRgb24(dib.info(), bits, sizeof bits, out.data(), 4), 0);
    EXPECT_EQ(At(out, 4, 0, 0), 0x030201u);
}

TEST(DibConvert, ShortColourTableDrawsBlackPastItsEnd) {
    Dib dib(4, 1, 4);
    dib.info()->bmiHeader.biClrUsed = 2;
    dib.Entry(0, 0x112233);
    dib.Entry(1, 0x445566);
    dib.Entry(2, 0x778899);  // beyond the used colours: not consulted
    const unsigned char bits[4] = {0x01, 0x20, 0, 0};
    std::vector<unsigned char> out(12);
    ASSERT_EQ(ConvertDibToRgb24(dib.info(), bits, sizeof bits, out.data(), 12), 0);
    EXPECT_EQ(At(out, 12, 0, 0), 0x112233u);
    EXPECT_EQ(At(out, 12, 1, 0), 0x445566u);
    EXPECT_EQ(At(out, 12, 2, 0), 0u);
    EXPECT_EQ(At(out, 12, 3, 0), 0x112233u);
}

TEST(DibConvert, BitFieldsWidenEveryWidth) {
    Dib dib(3, 1, 16, BI_BITFIELDS);
    const std::uint32_t masks[3] = {0x0F00, 0x00F0, 0x000F};  // 4-4-4
    std::memcpy(dib.block + 40, masks, sizeof masks);
    const unsigned char bits[8] = {0xFF, 0x0F, 0x21, 0x08, 0, 0, 0, 0};
    std::vector<unsigned char> out(12);
    ASSERT_EQ(ConvertDibToRgb24(dib.info(), bits, sizeof bits, out.data(), 12), 0);
    EXPECT_EQ(At(out, 12, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(At(out, 12, 1, 0), 0x882211u);
    EXPECT_EQ(At(out, 12, 2, 0), 0u);
}

TEST(DibConvert, RefusesWhatItCannotDraw) {
    std::vector<unsigned char> out(64);
    const unsigned char bits[16] = {};
    Dib rle(2, 2, 8, BI_RLE8);
    EXPECT_EQ(ConvertDibToRgb24(rle.info(), bits, sizeof bits, out.data(), 8), -1);
    Dib fields8(2, 2, 8, BI_BITFIELDS);
    EXPECT_EQ(ConvertDibToRgb24(fields8.info(), bits, sizeof bits, out.data(), 8), -1);
    Dib odd(2, 2, 12);
    EXPECT_EQ(ConvertDibToRgb24(odd.info(), bits, sizeof bits, out.data(), 8), -1);
    Dib big(2, 2, 32);  // needs 16 bytes
    EXPECT_EQ(ConvertDibToRgb24(big.info(), bits, 15, out.data(), 8), -1);
    EXPECT_EQ(ConvertDibToRgb24(big.info(), bits, 16, out.data(), 5), -1);  // pitch below a row
    Dib empty(0, 2, 24);
    EXPECT_EQ(ConvertDibToRgb24(empty.info(), bits, sizeof bits, out.data(), 8), -1);
    EXPECT_EQ(DibRowBytes(3, 24), 12u);
    EXPECT_EQ(DibRowBytes(9, 1), 4u);
    EXPECT_EQ(DibRowBytes(0x7FFFFFFF, 32), 0u);
}

}  // namespace
