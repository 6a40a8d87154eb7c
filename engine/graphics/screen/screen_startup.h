// The screen operations the rest of the engine calls: start-up and end, mode changes and
// the switch to software rendering with GDI output, the display format, the deactivation
// release, the flip and present to the window, and clearing the draw target.
#pragma once

#include "engine/graphics/graphics.h"

#include "platform/window.h"

