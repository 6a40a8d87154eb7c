// Test-only reach into the font room: its manager block. Part of the engine's testing
// library (linked by tests only); it reads the block through the room's internal header
// font_internal.h.
#pragma once

#include "engine/font/font_internal.h"

FontManagerBlock* GetFontManager();
