// The 2-D string path: plain text goes through the string core straight into the draw
// target's MEMIMG (or a working copy of a DirectDraw target); blended or anti-aliased
// text is first drawn into the font's screen-sized software surface over a key colour
// and then drawn from there like a graph. Also texture-cache text through the 3-D
// renderer. Relies on the graphics core's draw target, working copies and 2-D surfaces,
// and on the 3-D renderer's batch.
#include <algorithm>
#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/font/font_internal.h"
#include "engine/graphics/graphics.h"
#include "engine/pixels/pixels.h"

namespace {

// The colour value a string core writes for `colour` under the current bright colour.
std::uint32_t BrightScaled(std::uint32_t colour) {
    int red = 0, green = 0, blue = 0;
    SplitColorValue(colour, &red, &green, &blue);
    const std::uint8_t* bright = GetDrawSettings()->bright;
    return MakeColorValue(red * bright[2] / 255, green * bright[1] / 255, blue * bright[0] / 255) &
           ~MakeColorValue(0, 0, 0);
}

}  // namespace

int DrawStringSoft(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edge_colour,
                   int vertical) {
    const FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    // A font whose glyphs live in a texture cache is drawn by the 3-D renderer.
    if (record->texture_cache) return DrawStringD3D(x, y, text, colour, font, edge_colour, vertical);
    SIZE size{0, 0};
    if (DrawStringCore({.text = text, .font = font, .vertical = vertical, .out_size = &size}) < 0) {
        return -1;
    }
    DrawSettingsBlock* settings = GetDrawSettings();
    const bool antialiased = (record->type & kFontTypeAntialias) != 0;
    const bool plain = GetScreenBitDepth() == 8 ||
                       (!antialiased && (settings->blend_mode == kBlendNone ||
                                         (settings->blend_mode == kBlendAlpha && settings->blend_value == 255)));
    if (plain) {
        if (IsSoftwareRendering()) {
            MEMIMG* target = GetDrawTargetImage();
            if (target == nullptr) return -1;
            return DrawStringCore({.draw = 1, .x = x, .y = y, .text = text, .color = colour, .target = target,
                                   .clip = &settings->draw_area, .transparent = 1, .font = font,
                                   .edge_color = edge_colour, .vertical = vertical}) < 0
                       ? -1
                       : 0;
        }
        if (IsDirect3DUp()) EndSceneD3D();
        FlushCurrentVertexBatch();
        const RECT box{x, y, HoldToInt(static_cast<long long>(x) + size.cx),
                       HoldToInt(static_cast<long long>(y) + size.cy)};
        std::uint32_t text_value = colour;
        std::uint32_t edge_value = edge_colour;
        const ScopedWorkingCopy working(nullptr, 0, nullptr, &box, 1, &text_value, &edge_value);
        if (!working.begun()) return -1;
        if (working.target() != nullptr) {
            DrawStringCore({.draw = 1, .x = x, .y = y, .text = text, .color = text_value, .target = working.target(),
                            .clip = &settings->draw_area, .transparent = 1, .font = font, .edge_color = edge_value,
                            .vertical = vertical});
        }
        return 0;
    }

    // Blended or anti-aliased: through the font's screen surface.
    if (RefreshFontCacheScreen(font) < 0) return -1;
    MEMIMG* image = GetSurface2DColorImage(record->screen_surface);
    if (image == nullptr) return -1;
    int screen_width = 0, screen_height = 0;
    ReadScreenSize(&screen_width, &screen_height);
    RECT area{0, 0, size.cx, size.cy};
    const RECT screen{0, 0, std::min(screen_width, image->width), std::min(screen_height, image->height)};
    ClipRectToRect(&area, &screen);

    MemImgPixelBlock* block = image->block;
    if (block->alpha_flag) {
        block->transparent_color = 0;
    } else {
        // The key differs from every colour the text puts down.
        const std::uint32_t pixel_mask = MemImgBytesPerPixel(image) >= 4 ? 0x00FFFFFFu : 0xFFFFu;
        const std::uint32_t taken[4] = {colour & pixel_mask, edge_colour & pixel_mask, BrightScaled(colour) & pixel_mask,
                                        BrightScaled(edge_colour) & pixel_mask};
        for (int guard = 0; guard < 8 && std::find(taken, taken + 4, block->transparent_color & pixel_mask) !=
                                             taken + 4;
             ++guard) {
            block->transparent_color = (block->transparent_color + 1) & pixel_mask;
        }
    }
    FillMemImgRectRaw(image, &area, block->transparent_color);
    if (DrawStringCore({.draw = 1, .text = text, .color = colour, .target = image, .clip = &area, .transparent = 1,
                        .font = font, .edge_color = edge_colour, .vertical = vertical}) < 0) {
        return -1;
    }
    // The surface is drawn white-bright (the text is already tinted), within the part of
    // the draw area the string covers.
    RECT shown{x, y, HoldToInt(static_cast<long long>(x) + size.cx), HoldToInt(static_cast<long long>(y) + size.cy)};
    ClipRectToRect(&shown, &settings->draw_area);
    if (!IsRectEmpty(shown)) DrawSurface2DUntinted(x, y, record->screen_surface, shown);
    return 0;
}

int DrawStringD3D(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edge_colour,
                  int vertical) {
    const FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr || text == nullptr) return -1;
    if (!record->texture_cache) return DrawStringSoft(x, y, text, colour, font, edge_colour, vertical);
    if (IsD3DDeviceUnavailable()) return -1;
    RefreshFontCacheScreen(font);
    const RECT clip = GetDrawSettings()->draw_area;
    DrawStringCore({.draw = 1, .x = x, .y = y, .text = text, .color = colour, .clip = &clip, .transparent = 1,
                    .font = font, .edge_color = edge_colour, .length = static_cast<int>(std::strlen(text)),
                    .vertical = vertical});
    return 0;
}
