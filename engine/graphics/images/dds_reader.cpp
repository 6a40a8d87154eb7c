// The DDS reader: the top-level picture of uncompressed files (header masks or a
// numeric format code) and of DXT1 to DXT5 files, decompressed to A8R8G8B8. Sizes,
// pitch, bit count, masks and block counts are checked against the file before use.
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/images/image_readers.h"

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

constexpr u32 kHeaderFlagPitch = 0x8;
constexpr u32 kPixelFlagFourCc = 0x4;
constexpr u32 kDdsMaxSide = 16384;

struct NumericFormat {
    u32 code;
    u32 bits;
    u32 red, green, blue, alpha;
};

constexpr NumericFormat kNumericFormats[] = {
    {20, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {21, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
    {22, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},
    {24, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {25, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {26, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x03, 0},
    {29, 16, 0xE0, 0x1C, 0x03, 0xFF00},
    {30, 16, 0x0F00, 0x00F0, 0x000F, 0},
    {31, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
    {33, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0},
    {35, 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
    {0xFFFFFFFFu, 0, 0, 0, 0, 0},
};

constexpr u32 FourCc(char a, char b, char c, char d) {
    return static_cast<u32>(static_cast<u8>(a)) | static_cast<u32>(static_cast<u8>(b)) << 8 |
           static_cast<u32>(static_cast<u8>(c)) << 16 | static_cast<u32>(static_cast<u8>(d)) << 24;
}

// Masks must lie inside the pixel, must not overlap and must describe something.
bool MasksAreSound(u32 bits, u32 r, u32 g, u32 b, u32 a) {
    const u64 limit = bits >= 32 ? 0xFFFFFFFFull : (1ull << bits) - 1;
    if ((r | g | b | a) == 0 || (r | g | b | a) > limit) return false;
    return (r & g) == 0 && (r & b) == 0 && (r & a) == 0 && (g & b) == 0 && (g & a) == 0 && (b & a) == 0;
}

struct Rgba {
    u32 r, g, b, a;
};

Rgba Widen565(u32 c) { return {((c >> 11) & 31) * 255 / 31, ((c >> 5) & 63) * 255 / 63, (c & 31) * 255 / 31, 255}; }

// One 4x4 block into the picture; texels outside the picture are dropped.
void DecodeBlock(const u8* block, int kind, u8* out, int pitch, int left, int top, int width, int height) {
    u32 alpha[16];
    for (u32& a : alpha) a = 255;
    const u8* colour = block;
    if (kind == 2 || kind == 3) {
        for (int i = 0; i < 16; ++i) alpha[i] = ((block[i / 2] >> ((i & 1) * 4)) & 15) * 255 / 15;
        colour = block + 8;
    } else if (kind == 4 || kind == 5) {
        const u32 a0 = block[0], a1 = block[1];
        u32 table[8] = {a0, a1};
        if (a0 > a1) {
            for (int k = 1; k <= 6; ++k) table[1 + k] = ((7 - k) * a0 + k * a1) / 7;
        } else {
            for (int k = 1; k <= 4; ++k) table[1 + k] = ((5 - k) * a0 + k * a1) / 5;
            table[6] = 0;
            table[7] = 255;
        }
        u64 bits = 0;
        for (int i = 0; i < 6; ++i) bits |= static_cast<u64>(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i) alpha[i] = table[(bits >> (3 * i)) & 7];
        colour = block + 8;
    }
    const u32 c0 = LoadLe16(colour), c1 = LoadLe16(colour + 2);
    Rgba p[4];
    p[0] = Widen565(c0);
    p[1] = Widen565(c1);
    if (kind != 1 || c0 > c1) {
        p[2] = {(2 * p[0].r + p[1].r) / 3, (2 * p[0].g + p[1].g) / 3, (2 * p[0].b + p[1].b) / 3, 255};
        p[3] = {(p[0].r + 2 * p[1].r) / 3, (p[0].g + 2 * p[1].g) / 3, (p[0].b + 2 * p[1].b) / 3, 255};
    } else {
        p[2] = {(p[0].r + p[1].r) / 2, (p[0].g + p[1].g) / 2, (p[0].b + p[1].b) / 2, 255};
        p[3] = p[2];
        p[3].a = 0;
    }
    const u32 indices = LoadLe32(colour + 4);
    for (int i = 0; i < 16; ++i) {
        const int x = left + (i & 3), y = top + i / 4;
        if (x >= width || y >= height) continue;
        Rgba t = p[(indices >> (2 * i)) & 3];
        if (kind != 1) t.a = alpha[i];
        if ((kind == 2 || kind == 4) && t.a != 0) {
            // Colours stored multiplied by alpha; an alpha of 0 leaves them as stored.
            const auto unmultiply = [&](u32 c) { return c >= t.a ? 255u : c * 255 / t.a; };
            t.r = unmultiply(t.r);
            t.g = unmultiply(t.g);
            t.b = unmultiply(t.b);
        }
        u8* o = out + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * 4;
        o[0] = static_cast<u8>(t.b);
        o[1] = static_cast<u8>(t.g);
        o[2] = static_cast<u8>(t.r);
        o[3] = static_cast<u8>(t.a);
    }
}

}  // namespace

int ReadDdsImage(const StreamDescriptor* stream, GraphImage* image) {
    u8 magic[4];
    u8 h[124];
    if (!ReadStreamBytes(stream, magic, 4) || std::memcmp(magic, "DDS", 3) != 0) return -1;
    if (!ReadStreamBytes(stream, h, sizeof h)) return -1;
    const u32 flags = LoadLe32(h + 4);
    const u32 height = LoadLe32(h + 8);
    const u32 width = LoadLe32(h + 12);
    const u32 header_pitch = LoadLe32(h + 16);
    const u32 pf_flags = LoadLe32(h + 76);
    const u32 four_cc = LoadLe32(h + 80);
    const u32 rgb_bits = LoadLe32(h + 84);
    const u32 masks[4] = {LoadLe32(h + 88), LoadLe32(h + 92), LoadLe32(h + 96), LoadLe32(h + 100)};
    if (width == 0 || height == 0 || width > kDdsMaxSide || height > kDdsMaxSide) return -1;
    const u64 left = StreamBytesLeft(stream);

    const int dxt_digit = static_cast<int>(four_cc >> 24) - '0';
    if ((pf_flags & kPixelFlagFourCc) != 0 && (four_cc & 0x00FFFFFFu) == (FourCc('D', 'X', 'T', '1') & 0x00FFFFFFu) &&
        dxt_digit >= 1 && dxt_digit <= 5) {
        const int kind = dxt_digit;
        const u64 block_bytes = kind == 1 ? 8 : 16;
        // Files store whole blocks: partial blocks at the right and bottom edges count.
        const u64 across = (width + 3) / 4, down = (height + 3) / 4;
        const u64 data_bytes = across * down * block_bytes;
        const u64 out_bytes = static_cast<u64>(width) * height * 4;
        if (data_bytes > left || out_bytes > kGraphImageMaxBytes) return -1;
        auto* data = static_cast<u8*>(TrackedAlloc(static_cast<u32>(data_bytes), __FILE__, __LINE__));
        if (data == nullptr) return -1;
        if (!ReadStreamBytes(stream, data, static_cast<std::size_t>(data_bytes))) {
            TrackedFree(data);
            return -1;
        }
        auto* out = static_cast<u8*>(TrackedCalloc(static_cast<u32>(out_bytes), __FILE__, __LINE__));
        if (out == nullptr) {
            TrackedFree(data);
            return -1;
        }
        const int pitch = static_cast<int>(width * 4);
        for (u64 by = 0; by < down; ++by) {
            for (u64 bx = 0; bx < across; ++bx) {
                DecodeBlock(data + (by * across + bx) * block_bytes, kind, out, pitch, static_cast<int>(bx * 4),
                            static_cast<int>(by * 4), static_cast<int>(width), static_cast<int>(height));
            }
        }
        TrackedFree(data);
        std::memset(&image->format, 0, sizeof image->format);
        SetArgb32ColorFormat(&image->format);
        image->width = static_cast<std::int32_t>(width);
        image->height = static_cast<std::int32_t>(height);
        image->pitch = pitch;
        image->pixels = out;
        return 0;
    }

    // Uncompressed: the layout from the header masks, or from the numeric format code.
    u32 bits = rgb_bits;
    u32 r = masks[0], g = masks[1], b = masks[2], a = masks[3];
    if ((pf_flags & kPixelFlagFourCc) != 0) {
        // A format code alone names a layout; other FourCC files are not read.
        if (pf_flags != kPixelFlagFourCc) return -1;
        const NumericFormat* row = kNumericFormats;
        while (row->code != 0xFFFFFFFFu && row->code != four_cc) ++row;
        if (row->code == 0xFFFFFFFFu) return -1;
        bits = row->bits;
        r = row->red;
        g = row->green;
        b = row->blue;
        a = row->alpha;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
    if (!MasksAreSound(bits, r, g, b, a)) return -1;
    const u64 row_bytes = static_cast<u64>(width) * (bits / 8);
    const u64 pitch = (flags & kHeaderFlagPitch) != 0 ? header_pitch : row_bytes;
    if (pitch < row_bytes || pitch > 0x7FFFFFFF) return -1;
    const u64 data_bytes = pitch * height;
    if (data_bytes > left || data_bytes > kGraphImageMaxBytes) return -1;
    auto* pixels = static_cast<u8*>(TrackedAlloc(static_cast<u32>(data_bytes), __FILE__, __LINE__));
    if (pixels == nullptr) return -1;
    if (!ReadStreamBytes(stream, pixels, static_cast<std::size_t>(data_bytes))) {
        TrackedFree(pixels);
        return -1;
    }
    BuildColorFormat(&image->format, static_cast<int>(bits), r, g, b, a);
    image->width = static_cast<std::int32_t>(width);
    image->height = static_cast<std::int32_t>(height);
    image->pitch = static_cast<std::int32_t>(pitch);
    image->pixels = pixels;
    return 0;
}
