// Soft images: image records the engine keeps under handles (kind 14, 8,192 slots),
// with deletion of one by handle and of all of them at the engine's end.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include "engine/graphics/graphics.h"

#include <cstdint>

#include "engine/core/core.h"
#include "engine/graphics/images/graph_image.h"

constexpr std::int32_t kSoftImageSlots = 8192;

struct SoftImage {
    GraphImage image;
    std::uint32_t check;  // the check count a handle of this record carries
};

int DeleteSoftImage(std::int32_t handle);

// Takes over `image` (its pixels now belong to the table; the caller's record is
// cleared) under a new handle, or -1 when the table is full or memory ran out. Nothing
// in the engine makes soft images yet; this keeps the table's bookkeeping exercised.
std::int32_t CreateSoftImage(GraphImage* image);
const HandleTable* GetSoftImageTable();
