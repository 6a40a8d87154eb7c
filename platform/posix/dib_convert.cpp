// The DIB-to-24-bit converter: unpacks palette rows, 16- and 32-bit pixels with fixed
// or bit-field masks, and 24-bit rows into a top-down blue-green-red picture. Pure
// byte work over the caller's buffers; no library is involved.
#include "platform/dib_convert.h"

#include <cstring>

namespace {

struct ChannelMask {
    std::uint32_t mask;
    unsigned shift;
    unsigned width;
};

ChannelMask MakeChannel(std::uint32_t mask) {
    ChannelMask c{mask, 0, 0};
    if (mask == 0) return c;
    while (((mask >> c.shift) & 1u) == 0) ++c.shift;
    while (c.shift + c.width < 32 && ((mask >> (c.shift + c.width)) & 1u) != 0) ++c.width;
    return c;
}

// The channel brought to 8 bits: narrower channels repeat their bits downward, wider
// ones keep their 8 highest bits.
std::uint8_t Widen(const ChannelMask& c, std::uint32_t pixel) {
    if (c.width == 0) return 0;
    std::uint32_t v = (pixel & c.mask) >> c.shift;
    v &= c.width >= 32 ? 0xFFFFFFFFu : (1u << c.width) - 1u;
    if (c.width >= 8) return static_cast<std::uint8_t>(v >> (c.width - 8));
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << c.width) | v;
        filled += static_cast<int>(c.width);
    }
    return static_cast<std::uint8_t>(out >> (filled - 8));
}

}  // namespace

std::uint32_t DibRowBytes(std::int32_t width, std::uint32_t bit_count) {
    if (width < 0) return 0;
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * bit_count;
    const std::uint64_t bytes = (bits + 31) / 32 * 4;
    return bytes > 0xFFFFFFFFull ? 0 : static_cast<std::uint32_t>(bytes);
}

int ConvertDibToRgb24(const BITMAPINFO* info, const void* bits, std::size_t bits_size, void* destination,
                      std::int32_t destination_pitch) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const std::uint32_t bc = h.biBitCount;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight < -0x7FFFFFFF) return -1;
    const std::uint32_t width = static_cast<std::uint32_t>(h.biWidth);
    const std::uint32_t height = static_cast<std::uint32_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    const bool bottom_up = h.biHeight > 0;

    bool palette = false;
    if (h.biCompression == BI_RGB) {
        if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return -1;
        palette = bc <= 8;
    } else if (h.biCompression == BI_BITFIELDS) {
        if (bc != 16 && bc != 32) return -1;
    } else {
        return -1;
    }

    const std::uint32_t stride = DibRowBytes(h.biWidth, bc);
    if (stride == 0 || static_cast<std::uint64_t>(stride) * height > bits_size) return -1;
    if (destination_pitch < 0 || static_cast<std::uint64_t>(destination_pitch) < static_cast<std::uint64_t>(width) * 3)
        return -1;

    std::uint32_t table_entries = 0;
    if (palette) {
        const std::uint32_t full = 1u << bc;
        table_entries = (h.biClrUsed == 0 || h.biClrUsed > full) ? full : h.biClrUsed;
    }

    ChannelMask red, green, blue;
    if (h.biCompression == BI_BITFIELDS) {
        std::uint32_t masks[3];
        std::memcpy(masks, reinterpret_cast<const unsigned char*>(info) + sizeof(BITMAPINFOHEADER), sizeof masks);
        red = MakeChannel(masks[0]);
        green = MakeChannel(masks[1]);
        blue = MakeChannel(masks[2]);
    } else if (bc == 16) {
        red = MakeChannel(0x7C00);
        green = MakeChannel(0x03E0);
        blue = MakeChannel(0x001F);
    } else {
        red = MakeChannel(0x00FF0000);
        green = MakeChannel(0x0000FF00);
        blue = MakeChannel(0x000000FF);
    }

    // The table follows the 40-byte header; the caller sized the block for it.
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const unsigned char*>(info) +
                                                          sizeof(BITMAPINFOHEADER));
    const auto* source = static_cast<const unsigned char*>(bits);
    auto* out = static_cast<unsigned char*>(destination);
    for (std::uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = source + static_cast<std::size_t>(bottom_up ? height - 1 - y : y) * stride;
        unsigned char* o = out + static_cast<std::size_t>(y) * static_cast<std::uint32_t>(destination_pitch);
        for (std::uint32_t x = 0; x < width; ++x, o += 3) {
            if (palette) {
                const std::uint32_t bit = x * bc;
                const std::uint32_t index = (row[bit / 8] >> (8 - bc - bit % 8)) & ((1u << bc) - 1u);
                if (index < table_entries) {
                    const RGBQUAD& q = table[index];
                    o[0] = q.rgbBlue;
                    o[1] = q.rgbGreen;
                    o[2] = q.rgbRed;
                } else {
                    o[0] = o[1] = o[2] = 0;
                }
                continue;
            }
            std::uint32_t p;
            if (bc == 16) {
                p = row[x * 2] | static_cast<std::uint32_t>(row[x * 2 + 1]) << 8;
            } else if (bc == 24) {
                o[0] = row[x * 3];
                o[1] = row[x * 3 + 1];
                o[2] = row[x * 3 + 2];
                continue;
            } else {
                std::memcpy(&p, row + x * 4, 4);
            }
            o[0] = Widen(blue, p);
            o[1] = Widen(green, p);
            o[2] = Widen(red, p);
        }
    }
    return 0;
}
