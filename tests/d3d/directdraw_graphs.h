// The engine with the renderer up over Mesa's GL and texture graphs turned off once the
// screen stands: the output surfaces are the 3-D device's (video memory), new graphs are
// DirectDraw off-screen surfaces, and draws of them take the DirectDraw path (blits, or the
// software renderer on working copies of the target). Skips where no GL context can be made.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/ddraw.h"

namespace d3d_test {

// Starts the engine with the renderer enabled; where the 3-D object could be had, turns
// texture graphs off and answers true: the engine is up, for the caller to end. Where it
// could not, the engine is ended again, the test marked skipped and false comes back; a
// failed start-up is a failure and answers false too.
bool StartWithDirectDrawGraphs();

// A pixel of a 32-bit DirectDraw surface (the back buffer when none is given) as
// 0x00RRGGBB, read through a read-only lock; 0xDEADBEEF where it cannot be locked.
std::uint32_t BackSurfacePixel(int x, int y, IDirectDrawSurface7* surface = nullptr);

}  // namespace d3d_test
