// A graph as the draw target: the screen record's target pointed at the image of the
// graph's piece (a view of just that piece when it shares a larger image), and clearing
// such a target. The draw-target selection and the clear of the screen code call these.
#pragma once

#include "engine/graphics/screen/screen_state.h"

// 0, or -1 for a handle that is not a live graph (the target image is then cleared).
int SelectGraphDrawTarget(int graph, ScreenState* screen);
// Lets go of the view a graph target holds (when the target moves to a screen buffer,
// and at the graph manager's end).
void ReleaseGraphDrawTarget();
// Fills the graph's image with the background colour (and its depth image with 0xFFFF);
// 0 with nothing done for a texture graph, -1 for a bad graph.
int ClearGraphDrawTarget(int graph, std::uint32_t red, std::uint32_t green, std::uint32_t blue);
