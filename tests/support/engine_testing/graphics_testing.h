// Test-only reach into the graphics core: its mask screen and mask slots, how many
// pictures the restore walk decoded, the counts of the 2-D piece and surface data tables,
// the user image readers, the working copy under way, and the soft images that nothing in
// the engine makes yet. Part of the engine's testing library (linked by tests only); it
// reads the tables through the room's internal headers (masks.h, graph_restore.h,
// surface_2d.h, surface_data.h, image_loader.h, working_copies.h, soft_image.h).
#pragma once

#include <cstdint>

#include "engine/core/core.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/draw/working_copies.h"
#include "engine/graphics/images/image_loader.h"

MaskScreenState* GetMaskScreenState();
// The slot's record, or null outside the table.
MaskSlot* GetMaskSlot(int slot);
// How many pictures RestoreGraphs decoded since start-up.
int GetRestoreDecodeCount();

// The 2-D pieces alive and the end mark of their table; the surface data records alive.
int GetSurface2DCount();
int GetSurface2DEndMark();
int GetSurfaceDataCount();

// The user reader table (tried before the built-in readers) and its count.
GraphImageReader* GetUserImageReaders();
int* GetUserImageReaderCount();

WorkingCopyState* GetWorkingCopyState();

// Takes over `image` (its pixels now belong to the soft-image table; the caller's record
// is cleared) under a new handle, or -1 when the table is full or memory ran out.
std::int32_t CreateSoftImage(GraphImage* image);
const HandleTable* GetSoftImageTable();
