// Accessors of the new-graph settings and of a few draw settings, the flip counter, the
// texture-format slot of a graph, DirectDraw pixel formats to colour formats and back,
// and setting the unused bits of an image rectangle. Relies on the draw settings block.
#include "engine/graphics/draw/draw_state_access.h"

#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/pixels/pixels.h"

namespace {
NewGraphSettings& NewGraph() { return GetDrawSettings()->new_graph; }

void ChannelOf(std::uint32_t mask, std::uint8_t* shift, std::uint8_t* width) {
    *shift = 0;
    *width = 0;
    if (mask == 0) return;
    int s = 0;
    while (((mask >> s) & 1u) == 0) ++s;
    int w = 0;
    while (s + w < 32 && ((mask >> (s + w)) & 1u) != 0) ++w;
    *shift = static_cast<std::uint8_t>(s);
    // A run from bit 0 to the top of the word (a full 32-bit mask) counts as width 0.
    *width = static_cast<std::uint8_t>(s == 0 && w == 32 ? 0 : w);
}
}  // namespace

int SetNewGraphBitDepth(int depth) {
    NewGraph().bit_depth = depth;
    return 0;
}
int GetNewGraphBitDepth() { return NewGraph().bit_depth; }
int SetNewGraphDrawable(int flag) {
    NewGraph().drawable = flag;
    return 0;
}
int SetNewGraphAlphaTest(int flag) {
    NewGraph().alpha_test = flag;
    return 0;
}
int GetNewGraphAlphaTest() { return NewGraph().alpha_test; }
int SetNewGraphAlphaChannel(int flag) {
    NewGraph().alpha_channel = flag;
    return 0;
}
int GetNewGraphAlphaChannel() { return NewGraph().alpha_channel; }
int GetNewGraphSystemMemory() { return NewGraph().system_memory; }
int SetNewGraphUnmanagedTexture(int flag) {
    NewGraph().unmanaged_texture = flag;
    return 0;
}
int GetNewGraphUnmanagedTexture() { return NewGraph().unmanaged_texture; }
int GetDrawTarget() { return GetDrawSettings()->draw_target; }

int ReadDrawArea(RECT* area) {
    *area = GetDrawSettings()->draw_area;
    return 0;
}

int SetDrawTargetScreenRect(const RECT* rect) {
    GetDrawSettings()->target_screen_rect = *rect;
    return 0;
}

int GetDrawFilterMode() { return GetDrawSettings()->filter_mode; }

int SetFlipVSyncWait(int flag) {
    GetDrawSettings()->no_vsync = flag == 0 ? 1 : 0;
    return 0;
}

int GetFlipVSyncWait() { return GetDrawSettings()->no_vsync == 0 ? 1 : 0; }

int ResetFlipCount() {
    GetDrawSettings()->flip_count_low = 0;
    GetDrawSettings()->flip_count_high = 0;
    return 0;
}

int CountFlip() {
    DrawSettingsBlock* settings = GetDrawSettings();
    if (++settings->flip_count_low == 0) ++settings->flip_count_high;
    return 0;
}

std::uint64_t GetFlipCount() {
    const DrawSettingsBlock* settings = GetDrawSettings();
    return static_cast<std::uint64_t>(settings->flip_count_high) << 32 | settings->flip_count_low;
}

int GetTextureFormatIndex(const std::uint8_t* creation_bytes) {
    const int alpha_channel = creation_bytes[1];
    const int drawable = creation_bytes[2];
    const int alpha_test = creation_bytes[5];
    const int d = creation_bytes[6] != 16 ? 1 : 0;
    if (drawable) return alpha_channel == 1 || alpha_test == 1 ? 8 : 6 + d;
    if (alpha_channel) return 2 + d;
    if (alpha_test) return 4 + d;
    return d;
}

int PixelFormatToColorFormat(const DDPIXELFORMAT* pixel_format, ColorFormat* format) {
    const std::uint32_t depth = pixel_format->dwRGBBitCount;
    format->bit_depth = static_cast<std::uint16_t>(depth);
    format->bytes_per_pixel = static_cast<std::uint16_t>(depth / 8);
    format->red_mask = pixel_format->dwRBitMask;
    format->green_mask = pixel_format->dwGBitMask;
    format->blue_mask = pixel_format->dwBBitMask;
    format->alpha_mask = pixel_format->dwRGBAlphaBitMask;
    const std::uint32_t all = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1u;
    format->unused_mask = all & ~(format->red_mask | format->green_mask | format->blue_mask | format->alpha_mask);
    ChannelOf(format->red_mask, &format->red_shift, &format->red_width);
    ChannelOf(format->green_mask, &format->green_shift, &format->green_width);
    ChannelOf(format->blue_mask, &format->blue_shift, &format->blue_width);
    ChannelOf(format->alpha_mask, &format->alpha_shift, &format->alpha_width);
    ChannelOf(format->unused_mask, &format->unused_shift, &format->unused_width);
    return 0;
}

int OrAlphaIntoImageRect(const RECT* rect, void* pixels, int pitch, const ColorFormat* format, std::uint32_t value) {
    if (format->unused_mask == 0) return 0;
    RECT area = *rect;
    NormalizeRect(&area);
    int width = 0;
    int height = 0;
    GetRectSize(&area, &width, &height);
    auto* base = static_cast<std::uint8_t*>(pixels);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = base + static_cast<std::ptrdiff_t>(area.top + y) * pitch +
                          static_cast<std::ptrdiff_t>(area.left) * format->bytes_per_pixel;
        for (int x = 0; x < width; ++x, p += format->bytes_per_pixel) {
            if (format->bytes_per_pixel == 2) {
                std::uint16_t v;
                std::memcpy(&v, p, 2);
                v = static_cast<std::uint16_t>(v | (value << format->unused_shift));
                std::memcpy(p, &v, 2);
            } else if (format->bytes_per_pixel == 4) {
                if (format->unused_mask == 0xFF000000u) {
                    p[3] = static_cast<std::uint8_t>(p[3] | value);
                } else {
                    std::uint32_t v;
                    std::memcpy(&v, p, 4);
                    v |= value << format->unused_shift;
                    std::memcpy(p, &v, 4);
                }
            }
        }
    }
    return 0;
}
