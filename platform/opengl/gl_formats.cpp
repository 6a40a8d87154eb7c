// The format table of the 3-D stand-in: which DirectDraw layouts are kept in which GL
// storage, chosen so that reading a rectangle back with the transfer format and type
// gives the surface's raw pixels bit for bit, and writing them gives them back.
#include "platform/opengl/gl_formats.h"

namespace gl_backend {
namespace {

struct FormatRow {
    DWORD bits;
    std::uint32_t r, g, b, a;
    GLenum internal_format, transfer_format, transfer_type;
};

// Alpha 0 rows accept the same layout with its alpha mask set, except where a row of
// their own follows.
constexpr FormatRow kRows[] = {
    {16, 0xF800, 0x07E0, 0x001F, 0, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
    {16, 0x7C00, 0x03E0, 0x001F, 0, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {16, 0x7C00, 0x03E0, 0x001F, 0x8000, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {16, 0x0F00, 0x00F0, 0x000F, 0xF000, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV},
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV},
};

int Shift(std::uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

bool GlFormatFor(const DDPIXELFORMAT& format, bool depth, GlPixelFormat* out) {
    *out = GlPixelFormat{};
    if (depth) {
        if (format.dwZBufferBitDepth != 16) return false;
        out->bytes = 2;
        out->internal_format = GL_DEPTH_COMPONENT16;
        out->transfer_format = GL_DEPTH_COMPONENT;
        out->transfer_type = GL_UNSIGNED_SHORT;
        out->depth = true;
        return true;
    }
    if ((format.dwFlags & DDPF_RGB) == 0 || (format.dwFlags & DDPF_FOURCC) != 0) return false;
    const bool alpha = (format.dwFlags & DDPF_ALPHAPIXELS) != 0 && format.dwRGBAlphaBitMask != 0;
    for (const FormatRow& row : kRows) {
        if (row.bits != format.dwRGBBitCount || row.r != format.dwRBitMask || row.g != format.dwGBitMask ||
            row.b != format.dwBBitMask) {
            continue;
        }
        if ((alpha ? format.dwRGBAlphaBitMask : 0u) != row.a) continue;
        out->bytes = static_cast<int>(row.bits / 8);
        out->internal_format = row.internal_format;
        out->transfer_format = row.transfer_format;
        out->transfer_type = row.transfer_type;
        out->has_alpha = row.a != 0;
        out->masks[0] = row.r;
        out->masks[1] = row.g;
        out->masks[2] = row.b;
        out->masks[3] = row.a;
        return true;
    }
    return false;
}

void RawToUnit(const GlPixelFormat& format, std::uint32_t raw, float rgba[4]) {
    for (int c = 0; c < 4; ++c) {
        const std::uint32_t mask = format.masks[c];
        if (mask == 0) {
            rgba[c] = c == 3 ? 1.0f : 0.0f;
            continue;
        }
        const int shift = Shift(mask);
        rgba[c] = static_cast<float>((raw & mask) >> shift) / static_cast<float>(mask >> shift);
    }
}

DDPIXELFORMAT TextureFormat(int index) {
    // R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X8R8G8B8, A8R8G8B8.
    static constexpr int kOrder[kTextureFormatCount] = {0, 1, 2, 3, 4, 5};
    const FormatRow& row = kRows[kOrder[index]];
    DDPIXELFORMAT format{};
    format.dwSize = sizeof(format);
    format.dwFlags = DDPF_RGB | (row.a != 0 ? DDPF_ALPHAPIXELS : 0u);
    format.dwRGBBitCount = row.bits;
    format.dwRBitMask = row.r;
    format.dwGBitMask = row.g;
    format.dwBBitMask = row.b;
    format.dwRGBAlphaBitMask = row.a;
    return format;
}

}  // namespace gl_backend
