// The software renderer's named entry points as the graphics core calls them: each builds
// the renderer's draw-state record from the draw settings, the blend tables and the MMX
// flag once per draw, and hands it to the state-taking draw.
#pragma once

#include <cstdint>

#include "engine/drawstate/drawstate.h"
#include "engine/softrender/softrender.h"

// From the given settings, or from the live draw settings.
SoftDrawState SoftDrawStateFromSettings(const DrawSettingsBlock& settings);
SoftDrawState SoftDrawStateFromSettings();

// x, y place the source's top-left pixel in the destination; see DrawMemImgWith.
void DrawMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent, const MEMIMG* blend_image);
// `rect` as the caller gave the corners: reversed ones mirror; see DrawMemImgStretchWith.
void DrawMemImgStretch(MEMIMG* dest, const MEMIMG* src, const RECT* rect, int transparent, const MEMIMG* blend_image);
// Three vertices; `src` null draws a solid triangle of `colour`; see DrawMemImgTriangleWith.
void DrawMemImgTriangle(MEMIMG* dest, const MEMIMG* src, const TriangleVertex* vertices, int transparent,
                        const MEMIMG* blend_image, std::uint32_t colour = 0);
// `rect` in either corner order, right and bottom exclusive; null is the whole view.
void FillMemImgRect(MEMIMG* target, const RECT* rect, std::uint32_t colour);
void DrawMemImgLine(MEMIMG* target, int x1, int y1, int x2, int y2, std::uint32_t colour);
// The draw settings are read once for the whole list.
void DrawMemImgLines(MEMIMG* target, const LineListItem* items, int count);
