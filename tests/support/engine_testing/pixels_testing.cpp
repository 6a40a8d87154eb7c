// The dither setting, for tests.
#include "tests/support/engine_testing/pixels_testing.h"

#include "engine/pixels/color_format.h"

void SetDitherFlag(int flag) { g_dither_flag = flag; }
