// A DirectDraw object made through COM for each test, with a plain shown window on
// request and system-memory surfaces of a given depth; everything is released when the
// test ends.
#pragma once

#include <gtest/gtest.h>

#include "platform/ddraw.h"
#include "platform/kernel.h"
#include "platform/window.h"

class DirectDrawFixture : public ::testing::Test {
protected:
    static LRESULT PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_ALL, IID_IDirectDraw7,
                                   reinterpret_cast<void**>(&dd_)),
                  S_OK);
        ASSERT_EQ(dd_->Initialize(nullptr), DD_OK);
    }
    void TearDown() override {
        if (dd_ != nullptr) dd_->Release();
        if (window_ != nullptr) DestroyWindow(window_);
        if (registered_) UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
        CoUninitialize();
    }

    // One shown window per test, its client area at (x, y).
    HWND MakeWindow(int x, int y, int width, int height, DWORD style = WS_POPUP) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        registered_ = RegisterClassExA(&wc) != 0;
        window_ = CreateWindowExA(0, kClassName, "dd", style | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        return window_;
    }

    // An off-screen system-memory surface; `bits` 16 (RGB565) or 32 (XRGB8888), 0 for the
    // display's own format.
    IDirectDrawSurface7* Plain(int width, int height, int bits = 0) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        if (bits != 0) {
            desc.dwFlags |= DDSD_PIXELFORMAT;
            desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
            desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
            desc.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits);
            desc.ddpfPixelFormat.dwRBitMask = bits == 16 ? 0xF800 : 0xFF0000;
            desc.ddpfPixelFormat.dwGBitMask = bits == 16 ? 0x07E0 : 0xFF00;
            desc.ddpfPixelFormat.dwBBitMask = bits == 16 ? 0x001F : 0xFF;
        }
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    static constexpr const char* kClassName = "DirectDrawTestWindow";
    IDirectDraw7* dd_ = nullptr;
    HWND window_ = nullptr;
    bool registered_ = false;
};
