// A DirectDraw object with its 3-D object over OpenGL for each test (SDL's off-screen
// driver and Mesa's software GL when nothing else is asked for), video-memory surfaces in
// the device's formats, and pixels written and read through locks. Every test skips with
// a message where no OpenGL 3.3 context can be made.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3d7.h"
#include "platform/gdi.h"

// Texture formats by the index of the device's enumeration.
enum FormatIndex { kR5G6B5 = 0, kX1R5G5B5, kA1R5G5B5, kA4R4G4B4, kX8R8G8B8, kA8R8G8B8 };
DDPIXELFORMAT FormatOf(int index);

// Vertex layouts the engine draws with.
struct ColourVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE
    float x, y, z, rhw;
    std::uint32_t diffuse;
};
struct TexturedVertex {  // | D3DFVF_TEX1
    float x, y, z, rhw;
    std::uint32_t diffuse;
    float u, v;
};
constexpr DWORD kColourFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr DWORD kTexturedFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Six vertices of two triangles (top-left, top-right, bottom-left, bottom-right,
// bottom-left, top-right) covering x0..x1, y0..y1 and u, v 0..1.
std::vector<TexturedVertex> QuadVertices(float x0, float y0, float x1, float y1, std::uint32_t diffuse, float z = 0.2f);

class GlFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A video-memory surface: a texture that is also a render target.
    IDirectDrawSurface7* Surface(int width, int height, int format_index, DWORD caps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE);
    IDirectDrawSurface7* DepthSurface(int width, int height);
    IDirectDrawSurface7* SystemSurface(int width, int height, int format_index);
    // A device drawing into `target`.
    IDirect3DDevice7* Device(IDirectDrawSurface7* target);

    // Raw pixels of a rectangle, row by row, through a lock.
    std::vector<std::uint32_t> Read(IDirectDrawSurface7* surface, RECT rect);
    std::vector<std::uint32_t> ReadAll(IDirectDrawSurface7* surface);
    void Write(IDirectDrawSurface7* surface, RECT rect, const std::vector<std::uint32_t>& pixels);
    void Fill(IDirectDrawSurface7* surface, std::uint32_t raw);

    IDirectDraw7* dd_ = nullptr;
    IDirect3D7* d3d_ = nullptr;
    std::vector<IUnknown*> owned_;
};

// One 32-bit pixel of `rgb` stretched over a rectangle of a device context (GDI's fill
// of a rectangle with one colour); whether GDI drew it.
BOOL FillThrough(HDC dc, RECT rect, std::uint32_t rgb);

// 0xAARRGGBB from a raw pixel of the format (channels widened by repeating high bits).
std::uint32_t RawToArgb(int format_index, std::uint32_t raw);
// The raw pixel nearest to 0xAARRGGBB in the format.
std::uint32_t ArgbToRaw(int format_index, std::uint32_t argb);
// Whether every channel (alpha too when `with_alpha`) differs by at most `tolerance`.
::testing::AssertionResult ArgbNear(std::uint32_t expected, std::uint32_t actual, int tolerance, bool with_alpha);
