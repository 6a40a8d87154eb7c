// The objects behind the DirectDraw interfaces of the display stand-in: the DirectDraw
// object, surfaces in system memory (with their flip chain and attachments, over what all
// surfaces share in platform/video/surface_common.h), the window clipper and the palette.
// Only platform/video/ includes it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/ddraw.h"
#include "platform/video/display_internal.h"
#include "platform/video/surface_chain.h"

namespace display {

class DirectDrawObject;

class ClipperObject final : public IDirectDrawClipper {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetHWnd(DWORD flags, HWND window) override;
    HRESULT GetHWnd(HWND* window) override;

private:
    ULONG refs_ = 1;
    HWND window_ = nullptr;
};

class PaletteObject final : public IDirectDrawPalette {
public:
    explicit PaletteObject(const PALETTEENTRY* entries);
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, const PALETTEENTRY* entries) override;
    HRESULT GetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* entries) override;

    const PALETTEENTRY* entries() const { return entries_; }

    static constexpr DWORD kEntryCount = 256;

private:
    ULONG refs_ = 1;
    PALETTEENTRY entries_[kEntryCount]{};
};

class SurfaceObject final : public SurfaceChain<SurfaceObject>, public PixelTarget {
public:
    SurfaceObject(DirectDrawObject* owner, int width, int height, const DDPIXELFORMAT& format, const DDSCAPS2& caps);

    HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) override;
    HRESULT Blt(RECT* destination_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                DDBLTFX* effects) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT GetPalette(IDirectDrawPalette** palette) override;
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* description, DWORD flags, HANDLE event) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT Restore() override;
    HRESULT SetPalette(IDirectDrawPalette* palette) override;
    HRESULT Unlock(RECT* rect) override;

    // PixelTarget: what a device context over this surface draws into.
    bool Pixels(PixelView* view) override;
    void Changed(const RECT& rect) override;

    PixelView View();

private:
    friend class SurfaceChain<SurfaceObject>;
    ~SurfaceObject() override;
    bool StorageLost() const override { return lost_; }
    void SwapStorage(SurfaceObject* other) { std::swap(memory_, other->memory_); }
    SurfaceObject* CopyOfVideoSurface(IDirectDrawSurface7* video);
    // Shows the primary's picture in its window after it changed.
    void PresentIfPrimary();

    std::vector<std::uint8_t> memory_;
    PaletteObject* palette_ = nullptr;
};

class DirectDrawObject final : public IDirectDraw7 {
public:
    DirectDrawObject();
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) override;
    HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette,
                          IUnknown* outer) override;
    HRESULT CreateSurface(DDSURFACEDESC2* description, IDirectDrawSurface7** surface, IUnknown* outer) override;
    HRESULT FlipToGDISurface() override;
    HRESULT GetCaps(DDCAPS* driver_caps, DDCAPS* emulation_caps) override;
    HRESULT GetDisplayMode(DDSURFACEDESC2* description) override;
    HRESULT GetScanLine(DWORD* line) override;
    HRESULT GetVerticalBlankStatus(BOOL* in_blank) override;
    HRESULT Initialize(GUID* device) override;
    HRESULT RestoreDisplayMode() override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD refresh_rate, DWORD flags) override;
    HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) override;
    HRESULT GetAvailableVidMem(DDSCAPS2* caps, DWORD* total, DWORD* free) override;
    HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* identifier, DWORD flags) override;

    HWND window() const { return window_; }
    bool exclusive() const { return (level_ & DDSCL_EXCLUSIVE) != 0; }

private:
    ~DirectDrawObject();
    HRESULT CreateOverlaySurface(DDSURFACEDESC2* description, IDirectDrawSurface7** surface);

    ULONG refs_ = 1;
    bool initialized_ = false;
    HWND window_ = nullptr;
    DWORD level_ = 0;
    bool changed_mode_ = false;
};

// Every live surface, for the lost-surface test hook.
void RegisterSurface(SurfaceObject* surface);
void UnregisterSurface(SurfaceObject* surface);
// The live system-memory surface behind an interface, or null.
SurfaceObject* LiveSurfaceObject(IDirectDrawSurface7* surface);

}  // namespace display
