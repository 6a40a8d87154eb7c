// The software renderer's named entry points under the draw settings: one reading of the
// settings, the global blend tables and the MMX flag per draw, then the state-taking draw.
#include "engine/graphics/draw/soft_render_entries.h"

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/pixels/pixels.h"

SoftDrawState SoftDrawStateFromSettings(const DrawSettingsBlock& settings) {
    return MakeSoftDrawState(*GetBlendTables(), settings.blend_mode, settings.blend_value, settings.bright,
                             settings.draw_area, IsMmxUsable() != 0);
}

SoftDrawState SoftDrawStateFromSettings() { return SoftDrawStateFromSettings(*GetDrawSettings()); }

void DrawMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent, const MEMIMG* blend_image) {
    DrawMemImgWith(SoftDrawStateFromSettings(), dest, src, x, y, transparent, blend_image);
}

void DrawMemImgStretch(MEMIMG* dest, const MEMIMG* src, const RECT* rect, int transparent, const MEMIMG* blend_image) {
    DrawMemImgStretchWith(SoftDrawStateFromSettings(), dest, src, rect, transparent, blend_image);
}

void DrawMemImgTriangle(MEMIMG* dest, const MEMIMG* src, const TriangleVertex* vertices, int transparent,
                        const MEMIMG* blend_image, std::uint32_t colour) {
    DrawMemImgTriangleWith(SoftDrawStateFromSettings(), dest, src, vertices, transparent, blend_image, colour);
}

void FillMemImgRect(MEMIMG* target, const RECT* rect, std::uint32_t colour) {
    FillMemImgRectWith(SoftDrawStateFromSettings(), target, rect, colour);
}

void DrawMemImgLine(MEMIMG* target, int x1, int y1, int x2, int y2, std::uint32_t colour) {
    DrawMemImgLineWith(SoftDrawStateFromSettings(), target, x1, y1, x2, y2, colour);
}

void DrawMemImgLines(MEMIMG* target, const LineListItem* items, int count) {
    if (items == nullptr || count <= 0) return;
    DrawMemImgLinesWith(SoftDrawStateFromSettings(), target, items, count);
}
