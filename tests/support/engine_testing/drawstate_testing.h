// Test-only maker of a drawstate record: an image source over bitmaps, which nothing in the
// engine builds (its pictures come as GraphImages). Part of the engine's testing library
// (linked by tests only), beside the room's own ImageSourceOf in graph_records.h.
#pragma once

#include "engine/drawstate/drawstate.h"

// A source of a colour bitmap and its alpha bitmap (or null), whose bits are laid out as
// `format` says.
inline ImageSource BitmapSourceOf(const ColorFormat* format, HBITMAP color_bitmap, HBITMAP alpha_bitmap) {
    return ImageSource{format, color_bitmap, alpha_bitmap, 1, nullptr, nullptr, 0};
}
