// The draw settings every drawing path reads: the DrawSettingsBlock with the draw target,
// draw area, blend mode and value, blend graph, bright colour, new-graph settings and the
// 3-D matrices; its reset, the draw-target choice, the draw area, the small setters and
// the colour values of the screen format.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/pixels/pixels.h"

int ResetDrawSettings();
int SetBlendModeAndValue(int mode, int value);
int SetBlendSourceGraph(int graph, int border_value, int border_range);
int SetBrightColorRGB(int red, int green, int blue);
int SetBrightColorPacked(std::uint32_t color);
int SetUseTextureGraphs(int flag);
int GetUseTextureGraphs();
int SplitColorValue(std::uint32_t color, int* red, int* green, int* blue);
int SetDrawFilterMode(int mode);
