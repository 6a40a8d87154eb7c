// The pixel formats that live in GL textures: each DirectDraw layout the 3-D stand-in
// keeps (R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, X8R8G8B8, A8R8G8B8, 16-bit depth) with the
// GL storage whose transfers give back exactly the surface's raw pixels, and the
// arithmetic from raw pixel values to normalised channels.
#pragma once

#include <GL/glcorearb.h>

#include <cstdint>

#include "platform/ddraw.h"

namespace gl_backend {

struct GlPixelFormat {
    int bytes = 0;
    GLenum internal_format = 0;
    GLenum transfer_format = 0;
    GLenum transfer_type = 0;
    bool depth = false;
    bool has_alpha = false;  // the alpha bits mean something (else sampling reads 1)
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

// False for a layout that GL storage cannot hold exactly.
bool GlFormatFor(const DDPIXELFORMAT& format, bool depth, GlPixelFormat* out);

// A raw pixel value as red, green, blue, alpha in 0..1 (alpha 1 without alpha bits).
void RawToUnit(const GlPixelFormat& format, std::uint32_t raw, float rgba[4]);

// The DirectDraw descriptions of the texture formats the device offers, in its order.
constexpr int kTextureFormatCount = 6;
DDPIXELFORMAT TextureFormat(int index);

}  // namespace gl_backend
