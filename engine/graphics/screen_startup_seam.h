// The graphics-core operations that engine start-up and shutdown, the window procedure,
// message processing, the window modes and the entry layer call. The screen itself is
// built, and so are graphs, masks and their restore (the headers included below).
#pragma once

#include <cstdint>

#include "engine/graphics/color_format.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/draw_state_access.h"
#include "engine/graphics/screen_startup.h"
#include "engine/graphics/screen_state.h"
#include "engine/graphics/draw_entry.h"
#include "engine/graphics/graph_from_image.h"
#include "engine/graphics/graph_handles.h"
#include "engine/graphics/graph_restore.h"
#include "engine/graphics/masks.h"
#include "engine/graphics/surface_2d.h"
#include "platform/window.h"
