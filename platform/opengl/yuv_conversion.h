// YUV pictures on the GPU: the three FourCC layouts the display takes (YV12, YUY2, UYVY),
// their samples held in 8-bit GL textures, and their conversion to RGB by a fragment
// shader drawing into a framebuffer. The conversion is the movie player's fixed-point one
// (units of 1/16384: Y 19070 x (Y - 16), Cr to red 26148, Cb to green -6406, Cr to green
// -13320 plus 1024, Cb to blue 33062, on Cb - 128 and Cr - 128; each sum divided with
// truncation and clamped to 0..255), done exactly, so a pixel converted here has
// exactly the bytes the player's table path gives it. Every function works in the GL
// context of platform/opengl/gl_context.h and expects it current (MakeCurrent).
#pragma once

#include <GL/glcorearb.h>

#include <cstdint>

#include "platform/ddraw.h"
#include "platform/opengl/gl_formats.h"

namespace gl_backend {

constexpr DWORD kFourCCYv12 = MakeFourCC('Y', 'V', '1', '2');  // 0x32315659
constexpr DWORD kFourCCYuy2 = MakeFourCC('Y', 'U', 'Y', '2');  // 0x32595559
constexpr DWORD kFourCCUyvy = MakeFourCC('U', 'Y', 'V', 'Y');  // 0x59565955

// The memory layouts, P the row pitch in bytes:
// - kYv12: planar 4:2:0. Height rows of width Y bytes at P per row; then the Cr (V) plane,
//   height/2 rows of width/2 bytes at P/2 per row; then the Cb (U) plane alike.
// - kYuy2: packed 4:2:2, per pair of pixels the bytes Y0 Cb Y1 Cr; height rows at P.
// - kUyvy: packed 4:2:2, per pair of pixels the bytes Cb Y0 Cr Y1; height rows at P.
// Width (and for kYv12 height) is even.
enum class YuvLayout : std::uint8_t { kYv12, kYuy2, kUyvy };

// The layout a FourCC names; false for any other code.
bool YuvLayoutOf(DWORD fourcc, YuvLayout* layout);
DWORD FourCCOf(YuvLayout layout);
// The bytes of memory a picture of the layout takes at `pitch`.
std::size_t YuvMemoryBytes(YuvLayout layout, int height, int pitch);

// One picture's samples in GL textures of the live context: for kYv12 three R8 planes
// (Y, Cr, Cb at their own sizes), for the packed layouts one RGBA8 texture of width/2
// texels, each texel a pair of pixels' four bytes in memory order.
class YuvTextures {
public:
    YuvTextures() = default;
    ~YuvTextures();
    YuvTextures(const YuvTextures&) = delete;
    YuvTextures& operator=(const YuvTextures&) = delete;

    // Makes the textures (samples zero); false when GL refuses them (too large).
    bool Create(YuvLayout layout, int width, int height);
    // Deletes them if their context is still the live one; they are gone either way.
    void Delete();
    // Whether they were made in the live context.
    bool Live() const;
    // The whole picture from memory in the layout's lock form, `pitch` bytes per Y row
    // (a multiple of 4).
    bool Upload(const std::uint8_t* memory, int pitch);

    YuvLayout layout() const { return layout_; }
    int width() const { return width_; }
    int height() const { return height_; }
    GLuint texture(int index) const { return textures_[index]; }

private:
    YuvLayout layout_ = YuvLayout::kYv12;
    int width_ = 0;
    int height_ = 0;
    GLuint textures_[3] = {0, 0, 0};
    std::uint64_t generation_ = 0;
};

// Where converted pixels are drawn: colour attachment 0 of `framebuffer` (0: the default
// framebuffer of the window current now).
struct YuvTarget {
    GLuint framebuffer = 0;
    // 0: surface row r is GL row r (the video-memory surfaces). Otherwise the framebuffer's
    // height, its rows counted from the bottom (a window's own framebuffer).
    int flip_height = 0;
    // The bits kept of each 8-bit channel (red, green, blue): a value keeps its high bits,
    // as when an 8-bit colour is packed into a narrower surface, and reaches the target
    // exactly.
    int channel_bits[3] = {8, 8, 8};
    bool alpha_one = true;  // alpha written as 1, else 0
};
// The target of a video-memory surface's framebuffer in `format` (alpha 1 where the
// format has alpha bits, else 0, as the surface's fills leave it).
YuvTarget YuvTargetFor(const GlPixelFormat& format, GLuint framebuffer);

// Converts `from` of the picture onto `to` of the target, nearest-neighbour: the pixel i
// columns into `to` takes the sample from.left + (2i + 1) x width(from) / (2 x width(to))
// (rows alike), its chroma the sample pair (or 2 x 2 block) that pixel lies in. Only the
// part of `to` inside `clip` is written. Rectangles are in surface rows (top first).
// Changes the GL program, vertex array, texture units 0 to 2 and their samplers, the
// viewport, scissor, blending, depth test and culling (the 3-D device sets its own again
// before every draw). False, with nothing drawn, for an empty rectangle or a `from` not
// inside the picture, for a stretch whose mapping does not fit 32 bits (rectangles
// tens of thousands of pixels across), on a GL failure, or when the shader cannot be built.
bool DrawYuvConverted(const YuvTextures& picture, const RECT& from, const YuvTarget& target, const RECT& to,
                      const RECT& clip);

}  // namespace gl_backend
