// The glyph cache of a font: a column of square cells in a memory bitmap, or columns and
// rows of cells in a texture graph (edged fonts keep the edge images in its right half),
// a character map that finds a glyph's cell in one step, cells reused round-robin, and
// the glyphs fetched from the GDI font (one bit or 17 grey levels a pixel) and written in
// the cache's form for the font type, with an edge stamped around them. Every glyph is
// cut to its cell. Relies on the platform's GDI glyph outlines, the font manager, the
// graphics core's graphs and the 3-D renderer's texture formats.
#include <algorithm>
#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/font/font_internal.h"
#include "engine/font/texture_glyphs.h"
#include "engine/graphics/graphics.h"

namespace {

// A cell of the memory cache as a small image; writes outside it are dropped.
struct Cell {
    std::uint8_t* rows;  // the cell's first row
    int pitch;
    int size;
    std::uint8_t* At(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size ? rows + static_cast<std::ptrdiff_t>(y) * pitch + x : nullptr;
    }
};

// Writes a fetched glyph bitmap into its cell. `bits` rows are `row_bytes` apart.
void WriteGlyphToCell(const FontHandleRecord& font, const Cell& cell, const std::uint8_t* bits, int row_bytes,
                      int width, int height, int edge) {
    const int rows = std::min(height, cell.size);
    switch (font.type) {
    case 0: {
        const int bytes = std::min(row_bytes, cell.pitch);
        for (int r = 0; r < rows; ++r) {
            std::memcpy(cell.rows + static_cast<std::ptrdiff_t>(r) * cell.pitch, bits + r * row_bytes,
                        static_cast<std::size_t>(bytes));
        }
        break;
    }
    case 1:
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                if (!(bits[r * row_bytes + (c >> 3)] >> (7 - (c & 7)) & 1)) continue;
                if (std::uint8_t* p = cell.At(edge + c, edge + r)) *p = 1;
            }
        }
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                if (!(bits[r * row_bytes + (c >> 3)] >> (7 - (c & 7)) & 1)) continue;
                ForEachEdgeStampPosition(edge, edge + c, edge + r, [&](int x, int y) {
                    std::uint8_t* p = cell.At(x, y);
                    if (p != nullptr && *p != 1) *p = 2;
                });
            }
        }
        break;
    case 2:
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < width; ++c) {
                const int v = bits[r * row_bytes + c];
                if (std::uint8_t* p = cell.At(c, r)) *p = static_cast<std::uint8_t>(v >= 1 && v <= 16 ? v - 1 : 0);
            }
        }
        break;
    case 3:
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                const int v = bits[r * row_bytes + c];
                if (v < 1 || v > 16) continue;
                const int level = v - 1;
                if (std::uint8_t* p = cell.At(edge + c, edge + r)) *p = static_cast<std::uint8_t>((*p & 0xF0) | level);
                ForEachEdgeStampPosition(edge, edge + c, edge + r, [&](int x, int y) {
                    std::uint8_t* p = cell.At(x, y);
                    if (p != nullptr && (*p >> 4) < level) *p = static_cast<std::uint8_t>((*p & 0x0F) | level << 4);
                });
            }
        }
        break;
    default:
        break;
    }
}

// Writes a glyph into the staging image of a texture-cache font (A4R4G4B4 for
// anti-aliased types, A1R5G5B5 for the others) and copies it into its cell of the cache
// graph (and, for edged fonts, the edge image into the same cell of the right half).
void WriteTextureGlyph(const FontHandleRecord& font, const std::uint8_t* bits, int row_bytes, int width, int height,
                       int edge, int cell_index) {
    const int format_slot = (font.type & kFontTypeAntialias) ? kTextureSlotAlphaChannel16 : kTextureSlotAlphaTest16;
    const ColorFormat* format = GetTextureFormatColorFormat(format_slot);
    if (format == nullptr || font.staging_pixels == nullptr) return;
    StagingTexels texels{};
    texels.pixels = reinterpret_cast<std::uint16_t*>(font.staging_pixels);
    texels.width = font.staging_width;
    texels.height = font.staging_height;
    texels.alpha_mask = format->alpha_mask;
    texels.alpha_shift = format->alpha_shift;
    texels.alpha_width = format->alpha_width;
    texels.white = format->red_mask | format->green_mask | format->blue_mask;
    WriteGlyphToStaging(font.type, edge, texels, bits, row_bytes, width, height);
    const int cell = font.cell_size;
    const int cell_x = cell_index / font.cells_per_column * cell;
    const int cell_y = cell_index % font.cells_per_column * cell;
    const int pitch = font.staging_width * 2;
    auto copy = [&](const RECT& rect, int x, int y) {
        WritePixelsToGraph(format, font.staging_width, font.staging_height, pitch, font.staging_pixels, &rect, x, y,
                           font.cache_graph);
    };
    if (!(font.type & kFontTypeEdge)) {
        copy(RECT{0, 0, cell, cell}, cell_x, cell_y);
        return;
    }
    const RECT body{0, 0, std::min(width + 2 * edge, cell), std::min(height + 2 * edge, cell)};
    copy(body, cell_x, cell_y);
    const int half = font.staging_width / 2;
    copy(RECT{half, 0, half + body.right, body.bottom}, font.cache_width + cell_x, cell_y);
}

}  // namespace

int NextGlyphCode(const char* text, int charset_mode, GlyphCode* code) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    code->bytes[2] = 0;
    code->bytes[0] = bytes[0];
    if (IsMultiByteLeadByte(bytes, charset_mode) && bytes[1] != 0) {
        code->bytes[1] = bytes[1];
        return 2;
    }
    code->bytes[1] = 0;
    return 1;
}

int ClearFontCache(int font) {
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    std::memset(record->char_map, 0, sizeof record->char_map);
    std::memset(record->slots, 0, sizeof record->slots);
    for (int i = 0; i < record->slot_count; ++i) record->slots[i].cell_index = i;
    record->slots[record->slot_count].cell_index = -1;
    record->next_slot = 0;
    return 0;
}

int RefreshFontCacheScreen(int font) {
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    if (record->screen_surface_lost) {
        record->screen_surface_lost = 0;
        if (record->screen_surface >= 0) DeleteSurface2D(record->screen_surface);
        record->screen_surface = AddFontScreenSurface2D((record->type & kFontTypeAntialias) != 0,
                                                        &record->screen_surface_lost);
        if (record->screen_surface < 0) {
            // Tried again before the next string.
            record->screen_surface_lost = 1;
            return -1;
        }
    }
    if (record->graph_lost) {
        record->graph_lost = 0;
        if (record->cache_graph >= 0) {
            DeleteGraphHandle(record->cache_graph, 0);
            if (record->edge_graph >= 0) DeleteGraphHandle(record->edge_graph, 0);
        }
        record->edge_graph = -1;
        const bool edged = (record->type & kFontTypeEdge) != 0;
        const bool antialiased = (record->type & kFontTypeAntialias) != 0;
        NewGraphSettings& settings = GetDrawSettings()->new_graph;
        const NewGraphSettings kept = settings;
        settings.alpha_channel = antialiased ? 1 : 0;
        settings.alpha_test = antialiased ? 0 : 1;
        settings.bit_depth = 16;
        settings.texture_graphs = 1;
        record->cache_graph = CreateBlankGraph(edged ? record->cache_width * 2 : record->cache_width,
                                               record->cache_height, 0);
        if (record->cache_graph >= 0 && edged) {
            record->edge_graph =
                DeriveGraph(record->cache_width, 0, record->cache_width * 2, record->cache_height, record->cache_graph);
        }
        settings.alpha_channel = kept.alpha_channel;
        settings.alpha_test = kept.alpha_test;
        settings.bit_depth = kept.bit_depth;
        settings.texture_graphs = kept.texture_graphs;
        if (record->cache_graph < 0) {
            // Tried again before the next string.
            record->cache_graph = -1;
            record->graph_lost = 1;
            return -1;
        }
        SetGraphLostFlagPointer(record->cache_graph, &record->graph_lost);
        FillGraphColor(record->cache_graph, 255, 255, 255, 0);
        ClearFontCache(font);
    }
    return 0;
}

GlyphCacheSlot* RenderGlyphsToCache(int font, int count, const GlyphCode* codes) {
    if (IsGraphicsOff() || !IsFontGraphicsReady()) return nullptr;
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr || count <= 0 || codes == nullptr) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT previous = dc != nullptr ? SelectObject(dc, record->gdi_font) : nullptr;
    if (dc == nullptr || previous == nullptr) {
        if (dc != nullptr) DeleteDC(dc);
        FatalErrorExit("テキストキャッシュサーフェスのＤＣの取得に失敗しました");
    }
    TEXTMETRICA text_metrics{};
    GetTextMetricsA(dc, &text_metrics);
    const int edge = (record->type & kFontTypeEdge) ? record->edge_size : 0;
    const UINT format = (record->type & kFontTypeAntialias) ? GGO_GRAY4_BITMAP : GGO_BITMAP;
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GlyphCacheSlot* slot = nullptr;
    for (int i = 0; i < count; ++i) {
        const GlyphCode& code = codes[i];
        slot = &record->slots[record->next_slot];
        // A character rendered twice names only its newest slot; the older slot does not
        // take the entry with it.
        if (slot->in_use && slot->map_entry != nullptr && slot->map_entry->slot == slot) {
            slot->map_entry->cached = 0;
            slot->map_entry->slot = nullptr;
        }
        slot->in_use = 0;
        FontCharMapEntry& entry = record->char_map[GlyphMapIndex(code)];
        entry.cached = 1;
        entry.slot = slot;
        slot->map_entry = &entry;
        slot->in_use = 1;

        const bool texture = record->texture_cache != 0;
        Cell cell{nullptr, record->cache_pitch, record->cell_size};
        if (texture) {
            std::memset(record->staging_pixels, 0,
                        static_cast<std::size_t>(record->staging_width) * 2 * record->staging_height);
        } else {
            cell.rows = record->cache_bitmap +
                        static_cast<std::ptrdiff_t>(slot->cell_index) * record->cell_size * record->cache_pitch;
            std::memset(cell.rows, 0, static_cast<std::size_t>(record->cell_size) * record->cache_pitch);
        }

        const UINT character = code.bytes[1] == 0 ? code.bytes[0] : code.bytes[0] * 256u + code.bytes[1];
        GLYPHMETRICS metrics{};
        const DWORD size = GetGlyphOutlineA(dc, character, format, &metrics, 0, nullptr, &identity);
        if (size == GDI_ERROR) FatalErrorExit("GetGlyphOutline 関数が失敗しました");
        const bool blank_code = code.bytes[0] == 0x20 || (code.bytes[0] == 0x81 && code.bytes[1] == 0x40);
        const int row_bytes = metrics.gmBlackBoxY != 0 ? static_cast<int>(size / metrics.gmBlackBoxY) / 4 * 4 : 0;
        if (blank_code || size == 0 || row_bytes == 0 || size > 0x1000000) {
            // No ink (a space, or a glyph GDI gives no bitmap for): the advance only.
            slot->origin_x = static_cast<std::int16_t>(metrics.gmptGlyphOrigin.x);
            slot->top_offset = static_cast<std::int16_t>(text_metrics.tmAscent - metrics.gmptGlyphOrigin.y);
            slot->advance = metrics.gmCellIncX;
            slot->width = 0;
            slot->height = 0;
        } else {
            auto* buffer = static_cast<std::uint8_t*>(TrackedCalloc(size + 2u * row_bytes, __FILE__, __LINE__));
            if (buffer == nullptr) FatalErrorExit("アンチエイリアス文字取得用バッファの確保に失敗しました");
            if (GetGlyphOutlineA(dc, character, format, &metrics, size, buffer + row_bytes, &identity) == GDI_ERROR) {
                FatalErrorExit("GetGlyphOutline 関数が失敗しました");
            }
            slot->origin_x = static_cast<std::int16_t>(metrics.gmptGlyphOrigin.x);
            slot->top_offset = static_cast<std::int16_t>(text_metrics.tmAscent - metrics.gmptGlyphOrigin.y);
            slot->advance = metrics.gmCellIncX;
            // The rows the buffer really holds, whatever the box claims.
            const int height = std::min<int>(static_cast<int>(metrics.gmBlackBoxY), static_cast<int>(size) / row_bytes);
            const int max_width = format == GGO_BITMAP ? row_bytes * 8 : row_bytes;
            const int width = std::min<int>(static_cast<int>(metrics.gmBlackBoxX), max_width);
            if (texture) {
                WriteTextureGlyph(*record, buffer + row_bytes, row_bytes, width, height, edge, slot->cell_index);
            } else {
                WriteGlyphToCell(*record, cell, buffer + row_bytes, row_bytes, width, height, edge);
            }
            TrackedFree(buffer);
            slot->width = static_cast<std::int16_t>(width);
            slot->height = static_cast<std::int16_t>(height);
        }
        slot->advance = static_cast<std::int16_t>(slot->advance + 2 * edge);
        if (slot->width != 0 || slot->height != 0) {
            slot->width = static_cast<std::int16_t>(std::min(slot->width + 2 * edge, record->cell_size));
            slot->height = static_cast<std::int16_t>(std::min(slot->height + 2 * edge, record->cell_size));
        }
        if (++record->next_slot >= record->slot_count) record->next_slot = 0;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return slot;
}

int CollectGlyphChunk(GlyphCode* codes, const char* text, int font, int length, int* count, int* bytes_used) {
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    GlyphCode missing[kGlyphCodeBuffer];
    int listed = 0;
    int n = 0;
    int i = 0;
    while (i < length && n < kGlyphCodeBuffer && text[i] != '\0') {
        GlyphCode code{};
        i += NextGlyphCode(text + i, record->charset_mode, &code);
        codes[n++] = code;
        if (!record->char_map[GlyphMapIndex(code)].cached && listed < kGlyphCodeBuffer &&
            listed < record->slot_count) {
            missing[listed++] = code;
        }
    }
    if (listed > 0) RenderGlyphsToCache(font, listed, missing);
    if (count != nullptr) *count = n;
    if (bytes_used != nullptr) *bytes_used = i;
    return 0;
}

int CollectMissingGlyphs(GlyphCode* codes, const char* text, int font, int length, int* count) {
    if (GetFontRecord(font) == nullptr) return -1;
    GlyphCode scratch[kGlyphCodeBuffer];
    if (text == nullptr) {
        if (count != nullptr) *count = 0;
        return 0;
    }
    const int bytes = static_cast<int>(std::strlen(text));
    if (length < 0 || length > bytes) length = bytes;
    return CollectGlyphChunk(codes != nullptr ? codes : scratch, text, font, length, count, nullptr);
}
