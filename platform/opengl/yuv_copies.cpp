// Copies out of YUV surfaces: converted on the GPU (platform/opengl/yuv_conversion.h)
// straight into a video-memory surface's framebuffer, or, for pixels in memory, into a
// framebuffer of the drawn rectangle's size that is read back and packed into the
// destination's layout (each channel keeping its high bits).
#include <vector>

#include "platform/opengl/gl_context.h"
#include "platform/opengl/gl_surface.h"
#include "platform/opengl/yuv_surface.h"

namespace gl_backend {
namespace {

// The YUV surface as a copy source: DD_OK or the reason it cannot be read.
HRESULT SourceUsable(YuvSurface* source) {
    const HRESULT usable = source->UsableResult();
    if (usable != DD_OK) return usable;
    return source->textures().Live() ? DD_OK : DDERR_SURFACELOST;
}

// A colour texture with a framebuffer over it, deleted with the object.
class ScratchFramebuffer {
public:
    ScratchFramebuffer(int width, int height) {
        gl.GenTextures(1, &texture_);
        gl.BindTexture(GL_TEXTURE_2D, texture_);
        gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        gl.GenFramebuffers(1, &framebuffer_);
        gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
        complete_ = gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    ~ScratchFramebuffer() {
        gl.DeleteFramebuffers(1, &framebuffer_);
        gl.DeleteTextures(1, &texture_);
    }
    ScratchFramebuffer(const ScratchFramebuffer&) = delete;
    ScratchFramebuffer& operator=(const ScratchFramebuffer&) = delete;

    bool complete() const { return complete_; }
    GLuint framebuffer() const { return framebuffer_; }

private:
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
    bool complete_ = false;
};

}  // namespace

HRESULT ConvertYuvIntoSurface(GlSurface* target, const RECT& destination, const RECT& drawn,
                              IDirectDrawSurface7* source, const RECT& from) {
    YuvSurface* yuv = YuvSurface::From(source);
    if (yuv == nullptr) return DDERR_INVALIDPARAMS;
    if (target->is_depth()) return DDERR_INVALIDPIXELFORMAT;
    const HRESULT usable = SourceUsable(yuv);
    if (usable != DD_OK) return usable;
    if (display::IsEmpty(drawn)) return DD_OK;
    if (!target->BindForDrawing(false)) return DDERR_SURFACELOST;
    GLint framebuffer = 0;
    gl.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    const YuvTarget to = YuvTargetFor(target->format(), static_cast<GLuint>(framebuffer));
    return DrawYuvConverted(yuv->textures(), from, to, destination, drawn) ? DD_OK : DDERR_GENERIC;
}

HRESULT ConvertYuvIntoPixels(IDirectDrawSurface7* source, const RECT* source_rect, const display::PixelView& target,
                             const RECT& destination, const RECT& drawn) {
    YuvSurface* yuv = YuvSurface::From(source);
    if (yuv == nullptr) return DDERR_INVALIDPARAMS;
    const HRESULT usable = SourceUsable(yuv);
    if (usable != DD_OK) return usable;
    const RECT from = source_rect != nullptr ? *source_rect : RECT{0, 0, yuv->width(), yuv->height()};
    if (!display::RectInside(from, yuv->width(), yuv->height())) return DDERR_INVALIDRECT;
    // A depth buffer's view has no colour channels.
    if (target.bytes_per_pixel > 1 && (target.red_mask | target.green_mask | target.blue_mask) == 0) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    if (display::IsEmpty(drawn)) return DD_OK;
    if (!MakeCurrent()) return DDERR_SURFACELOST;
    const int w = drawn.right - drawn.left;
    const int h = drawn.bottom - drawn.top;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    {
        ScratchFramebuffer scratch(w, h);
        if (!scratch.complete()) return DDERR_OUTOFVIDEOMEMORY;
        // 0x00RRGGBB, as colours packed into memory surfaces are.
        YuvTarget to;
        to.framebuffer = scratch.framebuffer();
        to.alpha_one = false;
        const RECT moved{destination.left - drawn.left, destination.top - drawn.top, destination.right - drawn.left,
                         destination.bottom - drawn.top};
        if (!DrawYuvConverted(yuv->textures(), from, to, moved, RECT{0, 0, w, h})) return DDERR_GENERIC;
        gl.BindFramebuffer(GL_READ_FRAMEBUFFER, scratch.framebuffer());
        gl.ReadBuffer(GL_COLOR_ATTACHMENT0);
        gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
        gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
        gl.ReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
        if (gl.GetError() != GL_NO_ERROR) return DDERR_GENERIC;
    }
    const display::PixelView converted = display::XrgbPixelView(reinterpret_cast<std::uint8_t*>(pixels.data()), w, h);
    display::StretchCopy(target, drawn, converted, RECT{0, 0, w, h});
    return DD_OK;
}

}  // namespace gl_backend
