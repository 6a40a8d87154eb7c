// The stand-in's test hooks that tests of the graphics core still use: start-up may be made
// to answer 0 without a device, and pieces to count as in use.
#include "engine/d3d/d3d.h"
#include "engine/d3d/d3d_state.h"
#include "engine/graphics/graphics.h"

namespace {

int g_stand_in_starts = 0;
int g_three_d_in_use = 0;

}  // namespace

void SetDirect3DStandInStarts(int starts) { g_stand_in_starts = starts; }
void SetDirect3DStandInThreeDInUse(int in_use) { g_three_d_in_use = in_use; }

int Direct3DStandInStartsRequested() { return g_stand_in_starts; }
int Direct3DStandInThreeDInUseRequested() { return g_three_d_in_use; }

