// Test-only entries of the 3-D renderer: the switch that lets start-up take Direct3D, and
// the light table. Part of the engine's testing library (linked by tests only); they reach
// the room's state through its internal header d3d_state.h.
#pragma once

// With 1 (the default) the screen takes Direct3D wherever the 3-D object can be had;
// with 0 start-up refuses it and the screen falls back to software rendering.
void SetDirect3DRendererEnabled(int enabled);

struct LightTable;
// The renderer's light table, to read and set up.
LightTable& Lights();
