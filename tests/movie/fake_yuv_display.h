// A DirectDraw object of the test's own for the movie room's YUV surfaces: it takes the
// FourCC formats it is told to, in memory whose pitch is wider than a row of the layout
// (filled with 0xEE), records every creation asked of it and every lock, and fails the
// next locks when asked. Only what the movie room calls does anything.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/movie/theora_movie.h"
#include "platform/ddraw.h"
#include "tests/movie/surface_stub.h"

namespace movie_test {

class FakeYuvDisplay;

class FakeYuvSurface final : public SurfaceStub {
public:
    FakeYuvSurface(FakeYuvDisplay* display, std::uint32_t fourcc, int width, int height)
        : SurfaceStub(DDERR_UNSUPPORTED), display_(display), fourcc_(fourcc), width_(width), height_(height) {
        // A row of the layout, and 8 bytes more; YV12 keeps its chroma rows after the Y
        // rows at half the pitch.
        pitch_ = (fourcc == kFourCcYv12 ? width : width * 2) + 8;
        const int rows = fourcc == kFourCcYv12 ? height + height / 2 : height;
        memory.assign(static_cast<std::size_t>(pitch_) * rows, 0xEE);
    }
    std::vector<std::uint8_t> memory;
    std::uint32_t fourcc() const { return fourcc_; }
    int pitch() const { return pitch_; }
    ULONG references() const { return references_; }

    ULONG AddRef() override { return ++references_; }
    ULONG Release() override;
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE) override;
    HRESULT UpdateOverlay(RECT*, IDirectDrawSurface7*, RECT*, DWORD, void*) override { return DDERR_NOTAOVERLAYSURFACE; }

private:
    FakeYuvDisplay* display_;
    std::uint32_t fourcc_;
    int width_, height_, pitch_;
    ULONG references_ = 1;
};

class FakeYuvDisplay final : public IDirectDraw7 {
public:
    // The FourCCs CreateSurface takes.
    std::vector<std::uint32_t> accepted;
    // Every CreateSurface asked for, as (FourCC, width, height, flags, caps).
    struct Creation {
        std::uint32_t fourcc;
        DWORD width, height, flags, pixel_flags, caps;
    };
    std::vector<Creation> creations;
    // Every lock asked for, as its flags, and whether it had a rectangle.
    std::vector<DWORD> lock_flags;
    int locks_with_rect = 0;
    // The next this many locks fail with DDERR_SURFACELOST.
    int failing_locks = 0;
    // The surfaces made, live or not; the live ones are those not released to 0.
    std::vector<std::unique_ptr<FakeYuvSurface>> surfaces;
    int live = 0;

    FakeYuvSurface* newest() { return surfaces.empty() ? nullptr : surfaces.back().get(); }

    HRESULT CreateSurface(DDSURFACEDESC2* d, IDirectDrawSurface7** surface, IUnknown*) override {
        creations.push_back({d->ddpfPixelFormat.dwFourCC, d->dwWidth, d->dwHeight, d->dwFlags,
                             d->ddpfPixelFormat.dwFlags, d->ddsCaps.dwCaps});
        *surface = nullptr;
        for (std::uint32_t f : accepted) {
            if (f != d->ddpfPixelFormat.dwFourCC) continue;
            surfaces.push_back(std::make_unique<FakeYuvSurface>(this, f, static_cast<int>(d->dwWidth),
                                                                static_cast<int>(d->dwHeight)));
            ++live;
            *surface = surfaces.back().get();
            return DD_OK;
        }
        return DDERR_INVALIDPIXELFORMAT;
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT CreateClipper(DWORD, IDirectDrawClipper**, IUnknown*) override { return DDERR_UNSUPPORTED; }
    HRESULT CreatePalette(DWORD, PALETTEENTRY*, IDirectDrawPalette**, IUnknown*) override {
        return DDERR_UNSUPPORTED;
    }
    HRESULT FlipToGDISurface() override { return DDERR_UNSUPPORTED; }
    HRESULT GetCaps(DDCAPS*, DDCAPS*) override { return DDERR_UNSUPPORTED; }
    HRESULT GetDisplayMode(DDSURFACEDESC2*) override { return DDERR_UNSUPPORTED; }
    HRESULT GetScanLine(DWORD*) override { return DDERR_UNSUPPORTED; }
    HRESULT GetVerticalBlankStatus(BOOL*) override { return DDERR_UNSUPPORTED; }
    HRESULT Initialize(GUID*) override { return DDERR_UNSUPPORTED; }
    HRESULT RestoreDisplayMode() override { return DDERR_UNSUPPORTED; }
    HRESULT SetCooperativeLevel(HWND, DWORD) override { return DDERR_UNSUPPORTED; }
    HRESULT SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD) override { return DDERR_UNSUPPORTED; }
    HRESULT WaitForVerticalBlank(DWORD, HANDLE) override { return DDERR_UNSUPPORTED; }
    HRESULT GetAvailableVidMem(DDSCAPS2*, DWORD*, DWORD*) override { return DDERR_UNSUPPORTED; }
    HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2*, DWORD) override { return DDERR_UNSUPPORTED; }
};

inline ULONG FakeYuvSurface::Release() {
    if (references_ == 0) return 0;
    if (--references_ == 0) --display_->live;
    return references_;
}

inline HRESULT FakeYuvSurface::Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE) {
    display_->lock_flags.push_back(flags);
    if (rect != nullptr) ++display_->locks_with_rect;
    if (display_->failing_locks > 0) {
        --display_->failing_locks;
        return DDERR_SURFACELOST;
    }
    if (locked_ || description == nullptr || description->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    locked_ = true;
    description->dwFlags = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_LPSURFACE;
    description->dwWidth = static_cast<DWORD>(width_);
    description->dwHeight = static_cast<DWORD>(height_);
    description->lPitch = pitch_;
    description->lpSurface = memory.data();
    return DD_OK;
}

}  // namespace movie_test
