// Video-memory surfaces over GL textures. Rows of the texture are the surface's rows top
// first (GL's y is the surface's y), so a rectangle means the same in both. Raw pixels
// move through the transfer format of platform/opengl/gl_formats.cpp, which keeps them
// bit for bit. A primary shows its picture in its window after every change: through GL
// where the window can show it, else read back into the window's picture.
#include "platform/opengl/gl_surface.h"

#include "platform/opengl/device_call_log.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/opengl/gl_presenter.h"
#include "platform/opengl/yuv_surface.h"
#include "platform/video/display_internal.h"
#include "platform/video/overlay_surface.h"

namespace gl_backend {
namespace {

// Every live surface by its interface, so that an interface of another kind is told
// apart without casting it.
std::unordered_map<IDirectDrawSurface7*, GlSurface*>& LiveSurfaces() {
    static std::unordered_map<IDirectDrawSurface7*, GlSurface*> surfaces;
    return surfaces;
}

}  // namespace

using display::ClientScreenRect;
using display::Intersect;
using display::IsEmpty;

GlSurface* GlSurface::From(IDirectDrawSurface7* surface) {
    const auto found = LiveSurfaces().find(surface);
    return found != LiveSurfaces().end() ? found->second : nullptr;
}

bool IsVideoSurface(IDirectDrawSurface7* surface) { return GlSurface::From(surface) != nullptr; }
display::SurfaceCommon* VideoSurfaceCommon(IDirectDrawSurface7* surface) { return GlSurface::From(surface); }

void MarkAllVideoSurfacesLost() {
    for (auto& entry : LiveSurfaces()) entry.second->MarkLost();
    MarkAllYuvSurfacesLost();
}

GlSurface::GlSurface(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format,
                     const GlPixelFormat& gl_format, const DDSCAPS2& caps)
    : display::SurfaceChain<GlSurface>(owner, width, height, format, gl_format.bytes, caps), format_(gl_format) {
    LiveSurfaces()[this] = this;
}

GlSurface::~GlSurface() {
    LiveSurfaces().erase(static_cast<IDirectDrawSurface7*>(this));
    if (dc_ != nullptr) display::DeletePixelTargetDC(dc_);
    ReleaseAttached();
    GiveWindowBack(gl_window_);
    DeleteObjects();
    if (holds_context_) ReleaseContext();
}

bool GlSurface::CreateObjects() {
    if (!holds_context_) {
        if (!AcquireContext()) return false;
        holds_context_ = true;
    }
    if (!MakeCurrent()) return false;
    static std::uint64_t next_serial = 1;
    serial_ = next_serial++;
    gl.GenTextures(1, &texture_);
    gl.BindTexture(GL_TEXTURE_2D, texture_);
    gl.TexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format_.internal_format), width_, height_, 0,
                  format_.transfer_format, format_.transfer_type, nullptr);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Without alpha bits a texel's alpha reads as 1, whatever a draw left there.
    if (!format_.depth && !format_.has_alpha) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    gl.GenFramebuffers(1, &framebuffer_);
    attached_depth_ = 0;
    gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    if (format_.depth) {
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture_, 0);
        gl.DrawBuffer(GL_NONE);
        gl.ReadBuffer(GL_NONE);
    } else {
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    }
    const bool complete = gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    generation_ = ContextGeneration();
    if (!complete || gl.GetError() != GL_NO_ERROR) {
        DeleteObjects();
        return false;
    }
    // New memory starts zero, as a restored system-memory surface does.
    gl.Disable(GL_SCISSOR_TEST);
    if (format_.depth) {
        gl.DepthMask(GL_TRUE);
        gl.ClearDepth(0.0);
        gl.Clear(GL_DEPTH_BUFFER_BIT);
    } else {
        gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl.ClearColor(0, 0, 0, 0);
        gl.Clear(GL_COLOR_BUFFER_BIT);
    }
    return true;
}

void GlSurface::DeleteObjects() {
    // Objects of an older context went with it.
    if (generation_ != 0 && generation_ == ContextGeneration() && MakeCurrent()) {
        if (framebuffer_ != 0) gl.DeleteFramebuffers(1, &framebuffer_);
        if (texture_ != 0) gl.DeleteTextures(1, &texture_);
    }
    framebuffer_ = 0;
    texture_ = 0;
    generation_ = 0;
}

bool GlSurface::StorageLost() const { return lost_ || generation_ == 0 || generation_ != ContextGeneration(); }

bool GlSurface::BindForReading() {
    if (!MakeCurrent()) return false;
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl.ReadBuffer(format_.depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
    return true;
}

bool GlSurface::BindForDrawing(bool with_depth) {
    if (!MakeCurrent()) return false;
    gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    if (format_.depth) return true;
    const bool attach = with_depth && depth_ != nullptr && depth_->Usable();
    // Changing an attachment makes GL finish what is queued on the framebuffer, so the
    // depth buffer is attached and detached only when that changes.
    // (Objects are told apart by serial number: a re-made texture may reuse a GL name.)
    const std::uint64_t depth_serial = attach ? depth_->serial_ : 0;
    if (depth_serial != attached_depth_) {
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, attach ? depth_->texture_ : 0, 0);
        attached_depth_ = depth_serial;
    }
    return true;
}

bool GlSurface::ReadRect(const RECT& rect, std::uint8_t* pixels, int pitch) {
    if (!BindForReading()) return false;
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, pitch / format_.bytes);
    gl.ReadPixels(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, format_.transfer_format,
                  format_.transfer_type, pixels);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    return gl.GetError() == GL_NO_ERROR;
}

bool GlSurface::WriteRect(const RECT& rect, const std::uint8_t* pixels, int pitch) {
    if (!MakeCurrent()) return false;
    gl.BindTexture(GL_TEXTURE_2D, texture_);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, pitch / format_.bytes);
    gl.TexSubImage2D(GL_TEXTURE_2D, 0, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     format_.transfer_format, format_.transfer_type, pixels);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return gl.GetError() == GL_NO_ERROR;
}

bool GlSurface::SourceKeyUnit(float rgba[4]) const {
    if (!has_source_key_) return false;
    RawToUnit(format_, source_key_.dwColorSpaceLowValue, rgba);
    return true;
}

void GlSurface::PresentIfPrimary() {
    if (!is_primary() || !Usable()) return;
    const HWND window = ShownWindow();
    if (window == nullptr) return;
    RECT client;
    if (!ClientScreenRect(window, &client)) return;
    const RECT client_size{0, 0, client.right - client.left, client.bottom - client.top};
    // Full screen shows the whole display scaled to the window; a window shows the part of
    // the screen under its client area.
    const bool full = display::DirectDrawExclusive(owner_);
    const RECT shown = full ? RECT{0, 0, width_, height_} : Intersect(client, RECT{0, 0, width_, height_});
    if (IsEmpty(shown)) return;
    RECT destination = client_size;
    if (!full) {
        destination = RECT{shown.left - client.left, shown.top - client.top, shown.right - client.left,
                           shown.bottom - client.top};
    }
    if (gl_window_ != nullptr && gl_window_ != window) {
        GiveWindowBack(gl_window_);
        gl_window_ = nullptr;
    }
    // An overlay shown over the primary is drawn over its picture, which then goes to the
    // window through the picture presenter.
    if (!display::AnyOverlayShownOver(this) &&
        PresentThroughGl(window, framebuffer_, shown, client_size.right, client_size.bottom, destination, full)) {
        gl_window_ = window;
        // The frame capture of the tests sees only the window's picture: while it is on,
        // the frame GL showed is read back into the picture and recorded (the picture is
        // not shown through SDL while GL owns the window). Otherwise nothing is read back.
        if (display::IsPresentCaptureOn()) CopyShownIntoPicture(window, shown, destination);
        return;
    }
    // GL cannot show the window: the picture presenter shows it, from the read-back.
    GiveWindowBack(gl_window_);
    gl_window_ = nullptr;
    CopyShownIntoPicture(window, shown, destination);
}

void GlSurface::CopyShownIntoPicture(HWND window, const RECT& shown, const RECT& destination) {
    const int w = shown.right - shown.left;
    const int h = shown.bottom - shown.top;
    // Kept from frame to frame: a frame's worth of fresh zeroed memory each time costs as
    // much as the copy itself.
    std::vector<std::uint8_t>& pixels = shown_pixels_;
    const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                              static_cast<std::size_t>(format_.bytes);
    if (pixels.size() < bytes) pixels.resize(bytes);
    if (!ReadRect(shown, pixels.data(), w * format_.bytes)) return;
    display::DrawIntoWindowPicture(window, destination, ViewOver(pixels.data(), w * format_.bytes, w, h),
                                   RECT{0, 0, w, h});
    display::CompositeOverlays(this, window, shown, destination);
    display::ShowWindowPicture(window);
}

HRESULT GlSurface::AddAttachedSurface(IDirectDrawSurface7* surface) {
    GlSurface* attached = From(surface);
    if (attached == nullptr || !attached->format_.depth || format_.depth) return DDERR_INVALIDPARAMS;
    return AttachDepth(attached);
}

HRESULT GlSurface::Restore() {
    if (IsLost() == DD_OK) return DD_OK;
    if (locked_ || dc_ != nullptr) return DDERR_SURFACEBUSY;
    if (!RecoverContext()) return DDERR_SURFACELOST;
    DeleteObjects();
    if (!CreateObjects()) return DDERR_SURFACELOST;
    lost_ = false;
    return DD_OK;
}

HRESULT GlSurface::Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE) {
    const HRESULT usable = BeginLock(description);
    if (usable != DD_OK) return usable;
    RECT area;
    if (!LockArea(rect, &area)) return DDERR_INVALIDRECT;
    shadow_.resize(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_));
    std::uint8_t* first = shadow_.data() + static_cast<std::ptrdiff_t>(area.top) * pitch_ +
                          static_cast<std::ptrdiff_t>(area.left) * format_.bytes;
    if (!ReadRect(area, first, pitch_)) return DDERR_SURFACELOST;
    FinishLock(description, first);
    lock_rect_ = area;
    lock_flags_ = flags;
    return DD_OK;
}

HRESULT GlSurface::Unlock(RECT*) {
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    if ((lock_flags_ & DDLOCK_READONLY) != 0) return DD_OK;
    if (lost_ || generation_ != ContextGeneration()) return DDERR_SURFACELOST;
    const std::uint8_t* first = shadow_.data() + static_cast<std::ptrdiff_t>(lock_rect_.top) * pitch_ +
                                static_cast<std::ptrdiff_t>(lock_rect_.left) * format_.bytes;
    if (!WriteRect(lock_rect_, first, pitch_)) return DDERR_SURFACELOST;
    PresentIfPrimary();
    return DD_OK;
}

HRESULT GlSurface::GetDC(HDC* dc) {
    const HRESULT usable = BeginGetDC(dc);
    if (usable != DD_OK) return usable;
    if (format_.depth) return DDERR_CANTCREATEDC;
    dc_pixels_.resize(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_));
    if (!ReadRect(RECT{0, 0, width_, height_}, dc_pixels_.data(), pitch_)) {
        std::vector<std::uint8_t>().swap(dc_pixels_);
        return DDERR_SURFACELOST;
    }
    dc_ = display::CreatePixelTargetDC(this);
    if (dc_ == nullptr) {
        std::vector<std::uint8_t>().swap(dc_pixels_);
        return DDERR_CANTCREATEDC;
    }
    dc_serial_ = serial_;
    dc_changed_ = false;
    *dc = dc_;
    return DD_OK;
}

HRESULT GlSurface::ReleaseDC(HDC dc) {
    if (!EndDC(dc)) return DDERR_NODC;
    // A copy whose texture went with a lost context (or was re-made since) is dropped: it
    // must not land in the new texture.
    HRESULT result = DD_OK;
    if (dc_changed_) {
        if (!DcCopyCurrent()) {
            result = DDERR_SURFACELOST;
        } else if (!WriteRect(RECT{0, 0, width_, height_}, dc_pixels_.data(), pitch_)) {
            result = DDERR_SURFACELOST;
        } else {
            PresentIfPrimary();
        }
    }
    std::vector<std::uint8_t>().swap(dc_pixels_);
    return result;
}

bool GlSurface::DcCopyCurrent() const {
    return !lost_ && generation_ != 0 && generation_ == ContextGeneration() && serial_ == dc_serial_;
}

bool GlSurface::Pixels(display::PixelView* view) {
    if (dc_ == nullptr || !DcCopyCurrent()) return false;
    *view = ViewOver(dc_pixels_.data(), pitch_, width_, height_);
    return true;
}

display::PixelView GlSurface::ViewOver(std::uint8_t* pixels, int pitch, int width, int height) const {
    display::PixelView view;
    view.pixels = pixels;
    view.pitch = pitch;
    view.width = width;
    view.height = height;
    view.bytes_per_pixel = format_.bytes;
    view.red_mask = format_.masks[0];
    view.green_mask = format_.masks[1];
    view.blue_mask = format_.masks[2];
    view.palette = nullptr;
    return view;
}

// GDI drew into the copy: it goes back to the texture when the context is released.
void GlSurface::Changed(const RECT&) { dc_changed_ = true; }

HRESULT GlSurface::SetPalette(IDirectDrawPalette* palette) { return palette == nullptr ? DD_OK : DDERR_NOTPALETTIZED; }

HRESULT GlSurface::GetPalette(IDirectDrawPalette** palette) {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    return DDERR_NOTFOUND;
}

// Copies `from` of the source onto `destination` (scaled nearest-neighbour, texel centres
// sampled), writing only the `drawn` part; with `keyed`, source pixels equal to the
// source's key are skipped. Between GL surfaces without a key it runs in GL; otherwise
// the pixels go through memory (the source's through a lock, the destination's rectangle
// read back when keyed, then written back).
HRESULT GlSurface::CopyFrom(const RECT& destination, const RECT& drawn, IDirectDrawSurface7* source_interface,
                            const RECT& from, bool keyed) {
    if (IsEmpty(drawn)) return DD_OK;
    GlSurface* gl_source = From(source_interface);
    if (gl_source != nullptr && gl_source->format_.depth != format_.depth) return DDERR_INVALIDPIXELFORMAT;
    if (gl_source != nullptr && !keyed) {
        if (!gl_source->BindForReading()) return DDERR_SURFACELOST;
        gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
        if (!format_.depth) gl.DrawBuffer(GL_COLOR_ATTACHMENT0);
        gl.Enable(GL_SCISSOR_TEST);
        gl.Scissor(drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top);
        gl.BlitFramebuffer(from.left, from.top, from.right, from.bottom, destination.left, destination.top,
                           destination.right, destination.bottom,
                           format_.depth ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT, GL_NEAREST);
        gl.Disable(GL_SCISSOR_TEST);
        return gl.GetError() == GL_NO_ERROR ? DD_OK : DDERR_GENERIC;
    }
    const int bytes = format_.bytes;
    DDCOLORKEY key{};
    if (keyed && FAILED(source_interface->GetColorKey(DDCKEY_SRCBLT, &key))) return DDERR_NOCOLORKEY;
    // The source rectangle's raw pixels.
    const int sw = from.right - from.left;
    const int sh = from.bottom - from.top;
    std::vector<std::uint8_t> source(static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh) *
                                     static_cast<std::size_t>(bytes));
    if (gl_source != nullptr) {
        if (!gl_source->ReadRect(from, source.data(), sw * bytes)) return DDERR_SURFACELOST;
    } else {
        DDPIXELFORMAT format{};
        if (FAILED(source_interface->GetPixelFormat(&format)) || static_cast<int>(format.dwRGBBitCount) != bytes * 8) {
            return DDERR_INVALIDPIXELFORMAT;
        }
        DDSURFACEDESC2 locked{};
        locked.dwSize = sizeof(locked);
        RECT area = from;
        const HRESULT result = source_interface->Lock(&area, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);
        if (FAILED(result)) return result;
        for (int j = 0; j < sh; ++j) {
            std::memcpy(source.data() + static_cast<std::size_t>(j) * sw * bytes,
                        static_cast<const std::uint8_t*>(locked.lpSurface) + static_cast<std::ptrdiff_t>(j) * locked.lPitch,
                        static_cast<std::size_t>(sw) * bytes);
        }
        source_interface->Unlock(&area);
    }
    const int dw = destination.right - destination.left;
    const int dh = destination.bottom - destination.top;
    const int ow = drawn.right - drawn.left;
    const int oh = drawn.bottom - drawn.top;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(ow) * static_cast<std::size_t>(oh) *
                                  static_cast<std::size_t>(bytes));
    if (keyed && !ReadRect(drawn, out.data(), ow * bytes)) return DDERR_SURFACELOST;
    for (int y = drawn.top; y < drawn.bottom; ++y) {
        const long long j = y - destination.top;
        const long long sy = (2 * j + 1) * sh / (2LL * dh);
        for (int x = drawn.left; x < drawn.right; ++x) {
            const long long i = x - destination.left;
            const long long sx = (2 * i + 1) * sw / (2LL * dw);
            const std::uint8_t* at = source.data() + (sy * sw + sx) * bytes;
            if (keyed) {
                const DWORD raw = display::ReadRaw(at, bytes);
                if (display::KeyHides(key, raw)) continue;
            }
            std::memcpy(out.data() + (static_cast<std::size_t>(y - drawn.top) * ow + (x - drawn.left)) * bytes, at,
                        static_cast<std::size_t>(bytes));
        }
    }
    return WriteRect(drawn, out.data(), ow * bytes) ? DD_OK : DDERR_SURFACELOST;
}

HRESULT GlSurface::Blt(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                       DDBLTFX* effects) {
    const HRESULT result = BltUnlogged(destination_rect, source, source_rect, flags, effects);
    if ((flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL)) != 0 && effects != nullptr) {
        LogDeviceCall(platform_hooks::GlDeviceCallKind::kSurfaceFill, nullptr, 0,
                      (flags & DDBLT_DEPTHFILL) != 0 ? effects->dwFillDepth : effects->dwFillColor, flags, 0, this,
                      result);
    }
    return result;
}

HRESULT GlSurface::BltUnlogged(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                               DDBLTFX* effects) {
    HRESULT usable = UsableResult();
    if (usable != DD_OK) return usable;
    const bool fill = (flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL)) != 0;
    if (fill && effects == nullptr) return DDERR_INVALIDPARAMS;
    if (!fill && source == nullptr) return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_DEPTHFILL) != 0 && !format_.depth) return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_COLORFILL) != 0 && format_.depth) return DDERR_INVALIDPARAMS;
    if (source != nullptr && source != this) {
        GlSurface* gl_source = From(source);
        usable = gl_source != nullptr ? gl_source->UsableResult() : source->IsLost();
        if (usable != DD_OK) return usable;
    }
    RECT destination, drawn;
    HRESULT result = BltArea(destination_rect, &destination, &drawn);
    if (result != DD_OK) return result;
    if (fill) {
        if (!IsEmpty(drawn)) {
            if (!BindForDrawing(false)) return DDERR_SURFACELOST;
            gl.Enable(GL_SCISSOR_TEST);
            gl.Scissor(drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top);
            if (format_.depth) {
                gl.DepthMask(GL_TRUE);
                gl.ClearDepth(static_cast<double>(effects->dwFillDepth & 0xFFFFu) / 65535.0);
                gl.Clear(GL_DEPTH_BUFFER_BIT);
            } else {
                float rgba[4];
                RawToUnit(format_, effects->dwFillColor, rgba);
                if (!format_.has_alpha) rgba[3] = 0.0f;
                gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
                gl.ClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
                gl.Clear(GL_COLOR_BUFFER_BIT);
            }
            gl.Disable(GL_SCISSOR_TEST);
        }
    } else {
        DDSURFACEDESC2 described{};
        described.dwSize = sizeof(described);
        if (FAILED(source->GetSurfaceDesc(&described))) return DDERR_INVALIDPARAMS;
        const int sw = static_cast<int>(described.dwWidth);
        const int sh = static_cast<int>(described.dwHeight);
        RECT from;
        if (!SourceArea(source_rect, sw, sh, &from)) return DDERR_INVALIDRECT;
        const bool keyed = (flags & DDBLT_KEYSRC) != 0 && (described.dwFlags & DDSD_CKSRCBLT) != 0;
        result = IsYuvSurface(source) ? ConvertYuvIntoSurface(this, destination, drawn, source, from)
                                      : CopyFrom(destination, drawn, source, from, keyed);
    }
    if (SUCCEEDED(result)) PresentIfPrimary();
    return result;
}

HRESULT GlSurface::BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags) {
    HRESULT usable = UsableResult();
    if (usable != DD_OK) return usable;
    if (source == nullptr) return DDERR_INVALIDPARAMS;
    if (source != this) {
        GlSurface* gl_source = From(source);
        usable = gl_source != nullptr ? gl_source->UsableResult() : source->IsLost();
        if (usable != DD_OK) return usable;
    }
    DDSURFACEDESC2 described{};
    described.dwSize = sizeof(described);
    if (FAILED(source->GetSurfaceDesc(&described))) return DDERR_INVALIDPARAMS;
    const int sw = static_cast<int>(described.dwWidth);
    const int sh = static_cast<int>(described.dwHeight);
    RECT from;
    const HRESULT area = FastCopyArea(x, y, source_rect, sw, sh, &from);
    if (area != DD_OK) return area;
    const long long w = from.right - from.left;
    const long long h = from.bottom - from.top;
    const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && (described.dwFlags & DDSD_CKSRCBLT) == 0) return DDERR_NOCOLORKEY;
    const RECT destination{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w),
                           static_cast<LONG>(y + h)};
    const HRESULT result = IsYuvSurface(source) ? ConvertYuvIntoSurface(this, destination, destination, source, from)
                                                : CopyFrom(destination, destination, source, from, keyed);
    if (SUCCEEDED(result)) PresentIfPrimary();
    return result;
}

void GlSurface::SwapStorage(GlSurface* other) {
    std::swap(texture_, other->texture_);
    std::swap(framebuffer_, other->framebuffer_);
    std::swap(attached_depth_, other->attached_depth_);
    std::swap(serial_, other->serial_);
}

bool BelongsInVideoMemory(const DDSCAPS2& caps) {
    if ((caps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_OVERLAY)) != 0) return false;
    return (caps.dwCaps & (DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM |
                           DDSCAPS_ZBUFFER)) != 0;
}

bool VideoMemoryAvailable() {
    if (!AcquireContext()) return false;
    ReleaseContext();
    return true;
}

DDSCAPS2 VideoMemoryCaps(const DDSCAPS2& caps) {
    DDSCAPS2 made_caps = caps;
    made_caps.dwCaps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    return made_caps;
}

HRESULT HandOutVideoSurface(IDirectDrawSurface7* created, bool made, IDirectDrawSurface7** surface) {
    ReleaseContext();
    if (!made) {
        if (created != nullptr) created->Release();
        return DDERR_OUTOFVIDEOMEMORY;
    }
    *surface = created;
    return DD_OK;
}

HRESULT CreateVideoSurface(IDirectDraw7* owner, int width, int height, const DDPIXELFORMAT& format,
                           const DDSCAPS2& caps, int back_count, IDirectDrawSurface7** surface) {
    *surface = nullptr;
    const bool depth = (caps.dwCaps & DDSCAPS_ZBUFFER) != 0;
    GlPixelFormat gl_format;
    if (!GlFormatFor(format, depth, &gl_format)) return DDERR_INVALIDPIXELFORMAT;
    if (!AcquireContext()) return DDERR_OUTOFVIDEOMEMORY;
    DDSCAPS2 made_caps = VideoMemoryCaps(caps);
    if ((caps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0) made_caps.dwCaps |= DDSCAPS_FRONTBUFFER;
    auto* created = new (std::nothrow) GlSurface(owner, width, height, format, gl_format, made_caps);
    bool ok = created != nullptr && created->CreateObjects();
    for (int i = 0; ok && i < back_count; ++i) {
        DDSCAPS2 back_caps = made_caps;
        back_caps.dwCaps &= ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER);
        back_caps.dwCaps |= DDSCAPS_BACKBUFFER;
        auto* back = new (std::nothrow) GlSurface(owner, width, height, format, gl_format, back_caps);
        if (back == nullptr) {
            ok = false;
            break;
        }
        created->AddBackBuffer(back);
        ok = back->CreateObjects();
    }
    return HandOutVideoSurface(created, ok, surface);
}

}  // namespace gl_backend
