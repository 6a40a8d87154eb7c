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

// The table and its records (nothing in the engine makes soft images yet; the tests do).
extern void* g_soft_image_records[kSoftImageSlots];
extern HandleTable g_soft_image_table;

int DeleteSoftImage(std::int32_t handle);
