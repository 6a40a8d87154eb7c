// Test-only switch of the 3-D renderer: whether start-up may take Direct3D. Part of the
// engine's testing library (linked by tests only); it sets the flag of the room's internal
// header d3d_state.h.
#pragma once

// With 1 (the default) the screen takes Direct3D wherever the 3-D object can be had;
// with 0 start-up refuses it and the screen falls back to software rendering.
void SetDirect3DRendererEnabled(int enabled);
