// The font room's own state: the font manager block, the graphics-ready test and the
// glyph cache filling that the string drawing calls. Only engine/font/*.cpp include it.
#pragma once

#include <cstdint>

#include "engine/font/font.h"

struct FontManagerBlock {
    FontHandleRecord* fonts[kMaxFontHandles];
    std::int32_t check_counter;
    std::int32_t no_texture_cache;
    std::int32_t glyph_slot_count;  // 0 = automatic
    std::int32_t default_font;
    char default_face_name[kDefaultFaceNameBytes];
    std::int32_t default_size;
    std::int32_t default_thickness;
    std::int32_t default_type;
    std::int32_t default_charset_mode;
    std::int32_t default_edge_size;
    std::int32_t default_italic;
    std::int32_t default_spacing;
};

extern FontManagerBlock g_font_manager;

// The graphics side cannot make fonts: DirectDraw output without a DirectDraw object.
bool IsFontGraphicsReady();
// The graphics-off switch of the draw settings.
bool IsGraphicsOff();

// A character code: first byte, second byte (0 for a one-byte character), 0.
struct GlyphCode {
    std::uint8_t bytes[3];
};
constexpr int kGlyphCodeBuffer = 256;

// The bytes of the next character at `text` (1 or 2) under a charset mode. A lead byte
// followed by the terminating zero is a one-byte character.
int NextGlyphCode(const char* text, int charset_mode, GlyphCode* code);
inline int GlyphMapIndex(const GlyphCode& code) { return code.bytes[0] | code.bytes[1] << 8; }

// Splits up to kGlyphCodeBuffer characters of the first `length` bytes of `text` into
// `codes` (which holds kGlyphCodeBuffer), renders the ones not cached, and tells how
// many characters and bytes it took. -1 for a bad handle.
int CollectGlyphChunk(GlyphCode* codes, const char* text, int font, int length, int* count, int* bytes_used);
int CollectMissingGlyphs(GlyphCode* codes, const char* text, int font, int length, int* count);
GlyphCacheSlot* RenderGlyphsToCache(int font, int count, const GlyphCode* codes);

// The edge stamps, as the half width of each row from -4 to +4 (-1: no pixel in that
// row): edge 1 the four neighbours (the centre itself is left out), edge 2 the 5 x 5
// square without corners, edges 3 and 4 rounder shapes; edge 5 and up the full square.
constexpr int kEdgeStampHalfWidth[5][9] = {
    {-1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, 0, 1, 0, -1, -1, -1},
    {-1, -1, 1, 2, 2, 2, 1, -1, -1},
    {-1, 0, 2, 2, 3, 2, 2, 0, -1},
    {2, 3, 4, 4, 4, 4, 4, 3, 2},
};

// Calls `mark(px, py)` for every stamp position of an edge around (x, y).
template <typename Mark>
void ForEachEdgeStampPosition(int edge, int x, int y, Mark mark) {
    for (int dy = -edge; dy <= edge; ++dy) {
        const int half = edge >= 5 ? edge : kEdgeStampHalfWidth[edge][dy + 4];
        for (int dx = -half; dx <= half; ++dx) {
            if (edge == 1 && dx == 0 && dy == 0) continue;
            mark(x + dx, y + dy);
        }
    }
}

// The 2-D string path (string_draw_soft.cpp): a string with a font handle into the current
// draw target (the string core straight into the target's image, or through the font's
// screen-sized surface when blending or anti-aliasing); 0 or -1.
int DrawStringSoft(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edge_colour,
                   int vertical);
