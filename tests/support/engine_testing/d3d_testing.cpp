// The Direct3D switch and the light table, for tests.
#include "tests/support/engine_testing/d3d_testing.h"

#include "engine/d3d/d3d_state.h"

void SetDirect3DRendererEnabled(int enabled) { g_direct3d_renderer_enabled = enabled != 0 ? 1 : 0; }

LightTable& Lights() { return g_lights; }
