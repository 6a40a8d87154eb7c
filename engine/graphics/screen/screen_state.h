// The graphics core's single screen record: the DirectDraw objects, the screen's size,
// depth and formats, the output surfaces and the MEMIMG images that replace them in
// software rendering, the current draw target, the mode switches and the frame timing;
// with its getters and setters.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "platform/ddraw.h"

struct ChosenDisplayDevice {
    GUID guid;
    char driver_name[512];
    char description[512];
    std::int32_t has_3d;
    std::uint32_t total_video_memory;
};

struct ScreenState {
    // DirectDraw objects.
    IDirectDraw7* direct_draw;
    IDirectDrawClipper* clipper;
    IDirectDrawPalette* palette;
    PALETTEENTRY palette_entries[256];
    std::uint32_t caps[95];
    GUID* device_guid;
    ChosenDisplayDevice chosen_device;
    std::int32_t chosen_device_valid;
    HWND window;

    // Screen format.
    std::int32_t width;
    std::int32_t height;
    std::int32_t requested_depth;
    std::int32_t current_depth;
    std::int32_t refresh_rate;
    DDPIXELFORMAT pixel_format;
    ColorFormat color_format;
    std::int32_t format_index;  // 0 R5G6B5, 1 X1R5G5B5, 2 X8R8G8B8, 3 other
    std::uint32_t cooperative_flags;
    std::int32_t overlay_index;

    // Output surfaces and their software replacements.
    IDirectDrawSurface7* primary;
    IDirectDrawSurface7* temp_primary;
    IDirectDrawSurface7* temp_320;
    IDirectDrawSurface7* back;
    IDirectDrawSurface7* z_buffer;
    IDirectDrawSurface7* work;
    IDirectDrawSurface7* work2;
    std::int32_t memimg_mode;
    MEMIMG front_image;
    MEMIMG back_image;
    MEMIMG z_image;
    std::int32_t front_image_stale;

    // Current draw target.
    IDirectDrawSurface7* target_surface;
    std::int32_t target_x;
    std::int32_t target_y;
    MEMIMG* target_image;
    MEMIMG* target_depth_image;

    // Mode switches.
    std::int32_t software_render;
    std::int32_t gdi_output;
    std::int32_t software_mode_request;
    std::int32_t gdi_visible_request;
    std::int32_t gdi_visible_effective;
    std::int32_t display_mode_changed;
    std::int32_t temp_primary_mode;
    std::int32_t copy_by_bitblt;
    std::int32_t multithreaded;
    std::int32_t directdraw_ready;
    std::int32_t directdraw_initialised;
    std::int32_t graphics_initialised;  // the screen is up for the graph and draw layers

    // Timing.
    std::uint32_t last_vblank_wait;
    std::int32_t wait_threshold;  // -1 none
    std::int32_t frame_time;      // -1 not measured
    std::int32_t refresh_measured;
    std::int32_t screen_lines;
    std::uint32_t last_mode_change;
    std::int32_t mode_changed_once;  // a mode change has happened (its time is valid)
    std::int32_t last_software_present;
};

ScreenState* GetScreenState();

const ColorFormat* GetScreenColorFormat();
// Drawing goes to the software renderer on MEMIMG images: software rendering is chosen
// and the screen was not asked for 8 bits (a 256-colour palette screen keeps drawing
// through DirectDraw even then).
int IsSoftwareRendering();
// Software rendering is chosen (Direct3D is not used), whatever the depth; unlike
// IsSoftwareRendering this holds on an 8-bit screen too.
int IsSoftwareRenderChosen();
int SetSoftwareModeRequest(int flag);
IDirectDrawSurface7* GetDrawTargetSurface();
IDirectDrawSurface7* GetFrontSurface();
IDirectDrawSurface7* GetBackSurface();
IDirectDrawSurface7* GetWorkSurface();
int IsWindowFrontTarget();
const DDPIXELFORMAT* GetOverlayPixelFormat();
std::uint32_t* CopyDirectDrawCaps(std::uint32_t* buffer);
// The screen is up for surface work: GDI output on or a DirectDraw object made.
int IsScreenUp();

// Zero the record, then a plain MEMIMG of the screen's kind (kind -1: RGB565 on a 16-bit
// screen, else XRGB8888) or of the given kind.
int CreateMemImgScreenFormat(MEMIMG* image, int width, int height, int kind);
