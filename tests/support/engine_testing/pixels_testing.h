// Test-only entry to the pixels room: the dither setting, which nothing in the engine
// changes. Part of the engine's testing library (linked by tests only); it sets the flag
// through the room's internal header color_format.h.
#pragma once

void SetDitherFlag(int flag);
