// The DirectDraw surface interface with nothing behind it, under the movie tests' own
// surfaces: each call a test's surface does not override answers the error the surface
// is made with, but QueryInterface (no other interface), IsLost and Restore (never lost).
// Unlock ends the lock that the test surface's Lock began (`locked_`).
#pragma once

#include "platform/ddraw.h"

namespace movie_test {

class SurfaceStub : public IDirectDrawSurface7 {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    HRESULT Unlock(RECT*) override {
        if (!locked_) return DDERR_NOTLOCKED;
        locked_ = false;
        return DD_OK;
    }
    HRESULT AddAttachedSurface(IDirectDrawSurface7*) override { return refused_; }
    HRESULT Blt(RECT*, IDirectDrawSurface7*, RECT*, DWORD, DDBLTFX*) override { return refused_; }
    HRESULT BltFast(DWORD, DWORD, IDirectDrawSurface7*, RECT*, DWORD) override { return refused_; }
    HRESULT DeleteAttachedSurface(DWORD, IDirectDrawSurface7*) override { return refused_; }
    HRESULT EnumAttachedSurfaces(void*, LPDDENUMSURFACESCALLBACK7) override { return refused_; }
    HRESULT Flip(IDirectDrawSurface7*, DWORD) override { return refused_; }
    HRESULT GetAttachedSurface(DDSCAPS2*, IDirectDrawSurface7**) override { return refused_; }
    HRESULT GetCaps(DDSCAPS2*) override { return refused_; }
    HRESULT GetClipper(IDirectDrawClipper**) override { return refused_; }
    HRESULT GetColorKey(DWORD, DDCOLORKEY*) override { return refused_; }
    HRESULT GetDC(HDC*) override { return refused_; }
    HRESULT GetPalette(IDirectDrawPalette**) override { return refused_; }
    HRESULT GetPixelFormat(DDPIXELFORMAT*) override { return refused_; }
    HRESULT GetSurfaceDesc(DDSURFACEDESC2*) override { return refused_; }
    HRESULT IsLost() override { return DD_OK; }
    HRESULT ReleaseDC(HDC) override { return refused_; }
    HRESULT Restore() override { return DD_OK; }
    HRESULT SetClipper(IDirectDrawClipper*) override { return refused_; }
    HRESULT SetColorKey(DWORD, DDCOLORKEY*) override { return refused_; }
    HRESULT SetPalette(IDirectDrawPalette*) override { return refused_; }
    HRESULT UpdateOverlay(RECT*, IDirectDrawSurface7*, RECT*, DWORD, void*) override { return refused_; }

protected:
    explicit SurfaceStub(HRESULT refused) : refused_(refused) {}

    bool locked_ = false;

private:
    HRESULT refused_;
};

}  // namespace movie_test
