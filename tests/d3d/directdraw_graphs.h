// The engine with the renderer up over Mesa's GL and texture graphs turned off once the
// screen stands: the output surfaces are the 3-D device's (video memory), new graphs are
// DirectDraw off-screen surfaces, and draws of them take the DirectDraw path (blits, or the
// software renderer on working copies of the target). Skips where no GL context can be made.
#pragma once

#include <gtest/gtest.h>

namespace d3d_test {

// Starts the engine with the renderer enabled; where the 3-D object could be had, turns
// texture graphs off and answers true: the engine is up, for the caller to end. Where it
// could not, the engine is ended again, the test marked skipped and false comes back; a
// failed start-up is a failure and answers false too.
bool StartWithDirectDrawGraphs();

}  // namespace d3d_test
