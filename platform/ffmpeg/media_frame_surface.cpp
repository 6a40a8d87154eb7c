// A media stream's frame written straight into a DirectDraw surface in the surface's own
// pixel format: 16- or 32-bit RGB by its masks, or the packed YUV 4:2:2 layouts UYVY and
// YUY2 (studio-range BT.601, each pair of pixels sharing the average of their chroma).
// The frame is taken as 32-bit pixels into a scratch buffer first, then converted row by
// row into the locked surface.
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/ddraw.h"
#include "platform/media_stream.h"

namespace {

// A channel of 8 bits narrowed into `mask` (high bits kept).
std::uint32_t Pack(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t narrowed = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
    return (narrowed << shift) & mask;
}

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Studio-range BT.601 from 8-bit red, green, blue.
void ToYuv(int r, int g, int b, int* y, int* u, int* v) {
    *y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    *u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    *v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
}

bool WriteRgbRow(const std::uint8_t* bgra, int width, const DDPIXELFORMAT& f, std::uint8_t* out) {
    const int bytes = static_cast<int>(f.dwRGBBitCount / 8);
    if (bytes != 2 && bytes != 4) return false;
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = bgra + x * 4;
        const std::uint32_t raw = Pack(p[2], f.dwRBitMask) | Pack(p[1], f.dwGBitMask) | Pack(p[0], f.dwBBitMask);
        for (int k = 0; k < bytes; ++k) out[x * bytes + k] = static_cast<std::uint8_t>(raw >> (8 * k));
    }
    return true;
}

// UYVY: U Y0 V Y1 per pixel pair; YUY2: Y0 U Y1 V. An odd last pixel pairs with itself.
void WriteYuvRow(const std::uint8_t* bgra, int width, bool uyvy, std::uint8_t* out) {
    for (int x = 0; x < width; x += 2) {
        const std::uint8_t* a = bgra + x * 4;
        const std::uint8_t* b = x + 1 < width ? a + 4 : a;
        int y0, u0, v0, y1, u1, v1;
        ToYuv(a[2], a[1], a[0], &y0, &u0, &v0);
        ToYuv(b[2], b[1], b[0], &y1, &u1, &v1);
        const std::uint8_t u = Clamp((u0 + u1 + 1) / 2);
        const std::uint8_t v = Clamp((v0 + v1 + 1) / 2);
        std::uint8_t* q = out + x * 2;
        if (uyvy) {
            q[0] = u, q[1] = Clamp(y0), q[2] = v, q[3] = Clamp(y1);
        } else {
            q[0] = Clamp(y0), q[1] = u, q[2] = Clamp(y1), q[3] = v;
        }
    }
}

}  // namespace

MediaFrameResult MediaStreamTakeFrameIntoSurface(MediaStream* stream, IDirectDrawSurface7* surface) {
    std::int32_t width = 0, height = 0;
    double rate = 0;
    MediaStreamGetFormat(stream, &width, &height, &rate);
    if (width <= 0 || height <= 0) return kMediaFrameEnd;
    thread_local std::vector<std::uint8_t> scratch;
    scratch.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    const MediaFrameResult result = MediaStreamTakeFrame(stream, scratch.data(), width * 4);
    if (result != kMediaFrameNew || surface == nullptr) return result;
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    // A surface that cannot be locked misses this frame; the stream goes on.
    if (FAILED(surface->Lock(nullptr, &locked, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return result;
    const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
    const int rows = static_cast<int>(locked.dwHeight) < height ? static_cast<int>(locked.dwHeight) : height;
    const int columns = static_cast<int>(locked.dwWidth) < width ? static_cast<int>(locked.dwWidth) : width;
    const bool uyvy = (f.dwFlags & DDPF_FOURCC) != 0 && f.dwFourCC == MakeFourCC('U', 'Y', 'V', 'Y');
    const bool yuy2 = (f.dwFlags & DDPF_FOURCC) != 0 && f.dwFourCC == MakeFourCC('Y', 'U', 'Y', '2');
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* from = scratch.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        auto* to = static_cast<std::uint8_t*>(locked.lpSurface) + static_cast<std::ptrdiff_t>(y) * locked.lPitch;
        if (uyvy || yuy2) {
            WriteYuvRow(from, columns, uyvy, to);
        } else if ((f.dwFlags & DDPF_RGB) == 0 || !WriteRgbRow(from, columns, f, to)) {
            break;  // a layout frames are not written in
        }
    }
    surface->Unlock(nullptr);
    return result;
}
