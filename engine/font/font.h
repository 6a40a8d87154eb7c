// The font room's door: font handles (at most 40) with their glyph caches, string
// drawing and measuring, and the on-screen log. The entry layer and engine start-up and
// shutdown call these; the graphics core reaches what it needs of fonts (recreating them,
// the default font, the on-screen log at the flip) through the table of hooks that
// InstallFontGraphicsHooks fills.
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "platform/gdi_font.h"
#include "platform/window.h"

constexpr int kMaxFontHandles = 40;
constexpr int kGlyphSlotEntries = 2025;  // the last entry only marks the end (-1)
constexpr int kMaxGlyphSlots = 2024;
constexpr int kFontFaceNameBytes = 256;
constexpr int kDefaultFaceNameBytes = 128;

// Font type bits.
constexpr int kFontTypeEdge = 1;
constexpr int kFontTypeAntialias = 2;

struct FontCharMapEntry;

struct GlyphCacheSlot {
    std::uint16_t in_use;
    std::int16_t origin_x;    // the box's offset from the pen
    std::int16_t top_offset;  // the box's distance below the line top
    std::int16_t advance;
    std::int32_t cell_index;  // -1 in the entry after the last slot
    std::int16_t width;
    std::int16_t height;
    FontCharMapEntry* map_entry;
};

struct FontCharMapEntry {
    std::uint32_t cached;
    GlyphCacheSlot* slot;
};

struct FontHandleRecord {
    std::uint32_t check;
    std::int32_t* deleted_flag;
    GlyphCacheSlot slots[kGlyphSlotEntries];
    FontCharMapEntry char_map[65536];  // indexed by first byte | second byte << 8
    std::int32_t next_slot;
    std::int32_t slot_count;
    std::uint8_t* cache_bitmap;
    std::int32_t cache_pitch;
    std::int32_t cache_bits_per_pixel;
    char face_name[kFontFaceNameBytes];
    std::int32_t thickness;
    std::int32_t size;
    std::int32_t text_height;
    std::int32_t italic;
    std::int32_t spacing;
    std::int32_t cell_size;
    HFONT gdi_font;
    std::int32_t type;
    std::int32_t charset_mode;
    std::int32_t edge_size;
    std::int32_t cache_width;
    std::int32_t cache_height;
    std::int32_t cells_per_column;
    std::int32_t screen_surface;
    std::int32_t screen_surface_lost;
    std::int32_t cache_graph;
    std::int32_t edge_graph;
    std::int32_t graph_lost;
    std::int32_t staging_width;  // the staging image of a texture cache (never made here)
    std::int32_t staging_height;
    std::uint8_t* staging_pixels;
    std::int32_t texture_cache;
};

// ---- font handles
int CreateFontToHandle(const char* face_name, int size, int thickness, int type, int charset_mode, int edge_size,
                       int italic, int slot, int check);
int DeleteFontHandle(int font);
FontHandleRecord* GetFontRecord(int font);
int IsFontHandleValid(int font);
int SetFontSpacing(int spacing, int font);
int GetFontSize(int font);
int SetFontDeletedFlagPointer(int font, std::int32_t* flag);
// `face_name` receives at most kFontFaceNameBytes bytes.
int GetFontHandleSettings(char* face_name, int* size, int* thickness, int font);
int GetDefaultFontHandle();
int InitializeFontSettings();
int InitializeFontManager();
int SetDefaultFontSettings(const char* face_name, int size, int thickness);
int RefreshDefaultFont();
int RecreateAllFonts();
int DeleteAllFontHandles();
// Fills the graphics core's table of font hooks with this room's entries; engine start-up
// calls it before it starts the screen.
void InstallFontGraphicsHooks();

// ---- glyph cache
int ClearFontCache(int font);
int RefreshFontCacheScreen(int font);

// ---- string drawing
int DrawStringWithDefaultFont(int x, int y, const char* text, std::uint32_t color, std::uint32_t edge_color);
int DrawStringWithFontHandle(int x, int y, const char* text, std::uint32_t color, int font,
                             std::uint32_t edge_color, int vertical);
int MeasureStringWidth(const char* text, int length, int font, int vertical);
// draw 1 draws into `target` (or, without one, only measures); the pen advance in whole
// pixels, 0 for an empty text, -1 when drawing is impossible. `out_size` receives
// (advance, text height), or (text height, advance) for vertical text.
// What is left out of the record is off: measure only, no scaling, the whole text.
struct StringDrawRequest {
    int draw = 0;
    int x = 0;
    int y = 0;
    std::uint8_t scale_flag = 0;
    double x_scale = 1.0;
    double y_scale = 1.0;
    const char* text = nullptr;
    std::uint32_t color = 0;
    MEMIMG* target = nullptr;
    const RECT* clip = nullptr;
    int transparent = 0;
    int font = -1;
    std::uint32_t edge_color = 0;
    int length = -1;  // bytes of `text`, -1 up to its end
    int vertical = 0;
    SIZE* out_size = nullptr;
};
int DrawStringCore(const StringDrawRequest& request);
// Text through the font's texture glyph cache by the 3-D renderer (a font without one
// takes the 2-D path); 0, or -1 when the device is unavailable.
int DrawStringD3D(int x, int y, const char* text, std::uint32_t colour, int font, std::uint32_t edge_colour,
                  int vertical);

// ---- the on-screen log
constexpr int kScreenLogLines = 80;
constexpr int kScreenLogLineBytes = 255;

struct ScreenLogState {
    std::int32_t started;
    std::int32_t font_handle;
    std::int32_t font_dirty;  // set by the font deletion
    std::int32_t column;      // bytes into the current line
    std::int32_t line;        // the current line, 0..79
    char text[kScreenLogLines][kScreenLogLineBytes];
    std::int32_t used;  // set by each write, cleared by the start
    std::int32_t font_size;
    std::int32_t tab_width;
    std::int32_t pixel_width;  // drawn width of the current line
};

ScreenLogState* GetScreenLogState();
int StartScreenLog();
int UpdateScreenLogFont();
int ScreenLogNewLine();
int ScreenLogPutChar(const char* character);
int ScreenLogWriteText(const char* text);
int ScreenLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int DrawScreenLog();
int IsScreenLogUsed();
