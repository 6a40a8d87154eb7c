// The draw-state room's door, below both renderers and the graphics core: the draw
// settings block (draw_settings_block.h) and the graph records (graph_records.h) that the
// graphics core keeps and the software and 3-D renderers are handed. Records only; no
// state and no code lives here.
#pragma once

#include "engine/drawstate/draw_settings_block.h"
#include "engine/drawstate/graph_records.h"
