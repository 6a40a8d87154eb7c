// The font manager: the table of at most 40 font handles, each a GDI font with its
// measured cell and a glyph cache (a texture graph while the 3-D renderer offers its
// 16-bit alpha formats, else a memory bitmap), the default font and its settings, and
// re-creating every font under its own handle. Relies on the platform's GDI fonts, the
// graphics core's screen answers, the 3-D renderer's texture formats and the glyph cache.
#include <cmath>
#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/font/font_internal.h"
#include "engine/graphics/graphics.h"
#include "platform/kernel.h"

FontManagerBlock g_font_manager;

namespace {

// The engine's default face name (CP932).
const char kDefaultFace[] = "ＭＳ ゴシック";

constexpr DWORD kCharsetOfMode[3] = {DEFAULT_CHARSET, SHIFTJIS_CHARSET, HANGUL_CHARSET};

DWORD CharsetOfMode(int mode) { return mode >= 0 && mode <= 2 ? kCharsetOfMode[mode] : DEFAULT_CHARSET; }

// Copies at most `capacity - 1` bytes and terminates; a cut never leaves half a
// two-byte character behind.
void CopyFaceName(char* destination, const char* source, int capacity) {
    int n = 0;
    if (source != nullptr) {
        while (source[n] != '\0') {
            const int step = IsMultiByteLeadByte(reinterpret_cast<const unsigned char*>(source + n), kCharSetShiftJis) &&
                                     source[n + 1] != '\0'
                                 ? 2
                                 : 1;
            if (n + step > capacity - 1) break;
            n += step;
        }
        std::memcpy(destination, source, static_cast<std::size_t>(n));
    }
    destination[n] = '\0';
}

int FontHandleOf(std::uint32_t check, int slot) { return MakeHandleValue(kHandleKindFont, check, slot); }

HFONT MakeGdiFont(int size, int thickness, int italic, DWORD charset, const char* face) {
    return CreateFontA(size, 0, 0, 0, thickness * 100, static_cast<DWORD>(italic), 0, 0, charset, 0, 0,
                       NONANTIALIASED_QUALITY, FIXED_PITCH, face);
}

// Deletes a font whose creation failed after its record was stored.
// Whether a texture format has the given depth and channel widths.
bool FormatIs(const ColorFormat* format, int alpha, int red, int green, int blue) {
    return format != nullptr && format->bit_depth == 16 && format->alpha_width == alpha &&
           format->red_width == red && format->green_width == green && format->blue_width == blue;
}

// Texture caches draw white glyphs with their coverage in A4R4G4B4 (anti-aliased) or
// A1R5G5B5 texels; without both formats every font keeps a memory cache.
bool TextureCacheAvailable() {
    return g_font_manager.no_texture_cache == 0 && GetDrawSettings()->new_graph.texture_graphs != 0 &&
           IsDirect3DUp() != 0 && IsSoftwareRendering() == 0 &&
           FormatIs(GetTextureFormatColorFormat(kTextureSlotAlphaChannel16), 4, 4, 4, 4) &&
           FormatIs(GetTextureFormatColorFormat(kTextureSlotAlphaTest16), 1, 5, 5, 5);
}

// The texture cache's size and slot count: automatic (512 x 512, grown until ten cells
// fit) or from the manager's slot count.
void SizeTextureCache(FontHandleRecord* record, int cell) {
    int width = 512;
    int height = 512;
    int slots = 0;
    if (g_font_manager.glyph_slot_count == 0) {
        slots = (512 / cell) * (512 / cell);
        while (slots < 10) {
            if (width > height) {
                height *= 2;
            } else {
                width *= 2;
            }
            slots = (width / cell) * (height / cell);
        }
    } else {
        const int side = cell * (static_cast<int>(std::sqrt(static_cast<double>(g_font_manager.glyph_slot_count))) + 1);
        width = 8;
        while (width < side) width *= 2;
        height = width;
        slots = (width / cell) * (width / cell);
    }
    if (slots > kMaxGlyphSlots) slots = kMaxGlyphSlots;
    record->cache_width = width;
    record->cache_height = height;
    record->slot_count = slots;
    record->cells_per_column = height / cell;
}

int FailCreation(FontHandleRecord* record, int slot) {
    record->check = 0;
    DeleteFontHandle(FontHandleOf(0, slot));
    return -1;
}

}  // namespace

bool IsFontGraphicsReady() { return !(IsDirectDrawOutput() && GetDirectDrawObject() == nullptr); }

bool IsGraphicsOff() { return GetDrawSettings()->graphics_off != 0; }

FontHandleRecord* GetFontRecord(int font) {
    const int slot = ValidateHandleSlot(font, kHandleKindFont, kMaxFontHandles);
    if (slot < 0) return nullptr;
    FontHandleRecord* record = g_font_manager.fonts[slot];
    if (record == nullptr || !HandleCheckMatches(record->check, font)) return nullptr;
    return record;
}

int IsFontHandleValid(int font) { return GetFontRecord(font) != nullptr ? 1 : 0; }

int CreateFontToHandle(const char* face_name, int size, int thickness, int type, int charset_mode, int edge_size,
                       int italic, int slot, int check) {
    if (!IsFontGraphicsReady()) return -1;
    if (type == -1) type = 0;
    if (edge_size > 1) type |= kFontTypeEdge;
    if (size == -1) size = 16;
    if (thickness == -1) thickness = 6;
    if (edge_size == -1) edge_size = 1;
    if (charset_mode == -1) charset_mode = GetOEMCP() == 949 ? kCharSetCp949 : kCharSetShiftJis;
    // Settings the glyph cache cannot hold are refused rather than sized wrongly.
    if (type < 0 || type > 3 || size <= 0 || size > 1024 || edge_size < 0 || edge_size > 64 || thickness < 0 ||
        thickness > 10 || charset_mode < 0 || charset_mode > 2 || check < -1 || check >= kHandleCheckCountLimit) {
        return -1;
    }

    if (slot == -1) {
        for (slot = 0; slot < kMaxFontHandles && g_font_manager.fonts[slot] != nullptr; ++slot) {
        }
        if (slot == kMaxFontHandles) return WriteLogFormat("作成できるフォントハンドル数 %d の限界を超えました", kMaxFontHandles);
    } else if (slot < 0 || slot >= kMaxFontHandles || g_font_manager.fonts[slot] != nullptr) {
        return -1;
    }

    auto* record = static_cast<FontHandleRecord*>(TrackedCalloc(sizeof(FontHandleRecord), __FILE__, __LINE__));
    if (record == nullptr) return WriteLogText("フォント管理用メモリ領域の確保に失敗しました\n");
    g_font_manager.fonts[slot] = record;
    record->screen_surface = -1;
    record->cache_graph = -1;
    record->edge_graph = -1;

    if (GetScreenBitDepth() == 8) type &= ~kFontTypeAntialias;
    record->edge_size = edge_size;
    record->type = type;
    record->size = size;
    record->thickness = thickness;
    record->italic = italic;
    record->spacing = 0;
    if (check != -1) {
        record->check = static_cast<std::uint32_t>(check);
    } else {
        record->check = static_cast<std::uint32_t>(g_font_manager.check_counter);
        if (++g_font_manager.check_counter >= kHandleCheckCountLimit) g_font_manager.check_counter = 0;
    }

    record->texture_cache = TextureCacheAvailable() ? 1 : 0;

    HFONT gdi_font = nullptr;
    if (face_name != nullptr && face_name[0] != '\0') {
        CopyFaceName(record->face_name, face_name, kFontFaceNameBytes);
        const DWORD sets[3] = {CharsetOfMode(charset_mode), DEFAULT_CHARSET, SHIFTJIS_CHARSET};
        for (DWORD set : sets) {
            gdi_font = MakeGdiFont(size, thickness, italic, set, record->face_name);
            if (gdi_font != nullptr) break;
        }
        if (gdi_font == nullptr) {
            WriteLogText("指定のフォントの作成に失敗しました\n");
            return FailCreation(record, slot);
        }
    } else {
        gdi_font = MakeGdiFont(size, thickness, italic, CharsetOfMode(charset_mode), kDefaultFace);
        if (gdi_font == nullptr) gdi_font = MakeGdiFont(size, thickness, 0, DEFAULT_CHARSET, kDefaultFace);
        if (gdi_font == nullptr) gdi_font = MakeGdiFont(size, thickness, 0, DEFAULT_CHARSET, nullptr);
        if (gdi_font == nullptr) {
            WriteLogText("フォントの作成に失敗しました\n");
            return FailCreation(record, slot);
        }
    }

    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) {
        WriteLogText("ＤＣの取得に失敗しました\n");
        DeleteObject(gdi_font);
        return FailCreation(record, slot);
    }
    HFONT previous = SelectObject(dc, gdi_font);
    TEXTMETRICA metrics{};
    const BOOL measured = GetTextMetricsA(dc, &metrics);
    if (previous != nullptr) SelectObject(dc, previous);
    DeleteDC(dc);
    if (!measured || metrics.tmHeight <= 0 || metrics.tmMaxCharWidth < 0) {
        WriteLogText("ＤＣの取得に失敗しました\n");
        DeleteObject(gdi_font);
        return FailCreation(record, slot);
    }
    const int edge_pixels = (type & kFontTypeEdge) ? edge_size * 2 : 0;
    int cell = metrics.tmMaxCharWidth + 2 + edge_pixels;
    cell = (cell + 7) / 8 * 8;
    int text_height = metrics.tmHeight + edge_pixels;
    if (text_height & 1) ++text_height;
    if (text_height > cell) cell = text_height;
    record->cell_size = cell;
    record->text_height = text_height;
    record->gdi_font = gdi_font;

    const int handle = FontHandleOf(record->check, slot);
    if (record->texture_cache) {
        SizeTextureCache(record, cell);
        record->graph_lost = 1;
        if (RefreshFontCacheScreen(handle) < 0) {
            WriteLogText("テクスチャ文字キャッシュの作成に失敗しました\n");
            record->texture_cache = 0;
            // The memory cache that follows has no graph to make again.
            record->graph_lost = 0;
        } else {
            // Glyphs are prepared in the staging image and copied into the cache graph.
            const bool edged = (type & kFontTypeEdge) != 0;
            record->staging_width = edged ? cell * 2 : cell;
            record->staging_height = edged ? cell + 2 * edge_size : cell;
            record->staging_pixels = static_cast<std::uint8_t*>(TrackedCalloc(
                static_cast<std::uint32_t>(record->staging_width) * 2u * static_cast<std::uint32_t>(record->staging_height),
                __FILE__, __LINE__));
            if (record->staging_pixels == nullptr) {
                WriteLogText("文字キャッシュ処理用メモリの確保に失敗しました\n");
                return FailCreation(record, slot);
            }
            ClearFontCache(handle);
            record->charset_mode = charset_mode;
            record->deleted_flag = nullptr;
            return handle;
        }
    }

    // The memory cache: one column of square cells.
    record->cache_bits_per_pixel = type == 0 ? 1 : 8;
    int slots = g_font_manager.glyph_slot_count;
    if (slots == 0) {
        slots = 327680 / (cell * cell);
        if (slots < 20) slots = 20;
    }
    if (slots > kMaxGlyphSlots) slots = kMaxGlyphSlots;
    record->slot_count = slots;
    record->cache_height = slots * cell;
    record->cache_width = cell;
    record->cells_per_column = slots;
    record->cache_pitch = (cell * record->cache_bits_per_pixel + 7) / 8;
    const std::uint64_t cache_bytes =
        static_cast<std::uint64_t>(record->cache_pitch) * static_cast<std::uint64_t>(record->cache_height);
    record->cache_bitmap = cache_bytes <= 0x7FFFFFFFu ? static_cast<std::uint8_t*>(TrackedAlloc(
                                                            static_cast<std::uint32_t>(cache_bytes), __FILE__, __LINE__))
                                                      : nullptr;
    if (record->cache_bitmap == nullptr) {
        WriteLogText("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
        return FailCreation(record, slot);
    }
    record->screen_surface_lost = 1;
    if (RefreshFontCacheScreen(handle) < 0) {
        WriteLogText("フォント用描画スクリーンの作成に失敗しました\n");
        return FailCreation(record, slot);
    }

    ClearFontCache(handle);
    record->charset_mode = charset_mode;
    record->deleted_flag = nullptr;
    return handle;
}

int DeleteFontHandle(int font) {
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    if (record->gdi_font != nullptr) DeleteObject(record->gdi_font);
    if (record->cache_bitmap != nullptr) TrackedFree(record->cache_bitmap);
    if (record->screen_surface >= 0) DeleteSurface2D(record->screen_surface);
    record->screen_surface = -1;
    if (record->cache_graph >= 0) {
        DeleteGraphHandle(record->cache_graph, 0);
        if (record->edge_graph >= 0) DeleteGraphHandle(record->edge_graph, 0);
    }
    record->cache_graph = -1;
    record->edge_graph = -1;
    if (record->staging_pixels != nullptr) TrackedFree(record->staging_pixels);
    // Read the owner's flag before the record goes.
    std::int32_t* deleted_flag = record->deleted_flag;
    g_font_manager.fonts[font & kHandleSlotMask] = nullptr;
    TrackedFree(record);
    if (deleted_flag != nullptr) *deleted_flag = 1;
    return 0;
}

int SetFontSpacing(int spacing, int font) {
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    record->spacing = spacing;
    return 0;
}

int GetFontSize(int font) {
    const FontHandleRecord* record = GetFontRecord(font);
    return record != nullptr ? record->size : -1;
}

int SetFontDeletedFlagPointer(int font, std::int32_t* flag) {
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    record->deleted_flag = flag;
    if (flag != nullptr) *flag = 0;
    return 0;
}

int GetFontHandleSettings(char* face_name, int* size, int* thickness, int font) {
    const FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    if (face_name != nullptr) CopyFaceName(face_name, record->face_name, kFontFaceNameBytes);
    if (size != nullptr) *size = record->size;
    if (thickness != nullptr) *thickness = record->thickness;
    return 0;
}

int GetDefaultFontHandle() { return g_font_manager.default_font; }

int InitializeFontManager() {
    if (!IsFontGraphicsReady()) return -1;
    WriteLogText("フォントの初期化を行います\n");
    IncreaseLogIndent();
    char face[kDefaultFaceNameBytes] = {};
    int size = 16, thickness = 6, type = -1, charset_mode = -1, edge_size = -1, italic = 0;
    const FontHandleRecord* current = GetFontRecord(g_font_manager.default_font);
    const bool had_default = current != nullptr;
    if (had_default) {
        CopyFaceName(face, current->face_name, kDefaultFaceNameBytes);
        size = current->size;
        thickness = current->thickness;
        type = current->type;
        charset_mode = current->charset_mode;
        edge_size = current->edge_size;
        italic = current->italic;
    }
    for (int slot = 0; slot < kMaxFontHandles; ++slot) {
        if (g_font_manager.fonts[slot] != nullptr) DeleteFontHandle(FontHandleOf(g_font_manager.fonts[slot]->check, slot));
    }
    g_font_manager.default_font = CreateFontToHandle(face, size, thickness, type, charset_mode, edge_size, italic, -1, -1);
    DecreaseLogIndent();
    WriteLogText("フォントの初期化は正常に終了しました\n");
    return 0;
}

int InitializeFontSettings() {
    std::memset(&g_font_manager, 0, sizeof g_font_manager);
    g_font_manager.default_font = -1;
    g_font_manager.default_size = 16;
    g_font_manager.default_thickness = 6;
    g_font_manager.default_type = 0;
    g_font_manager.default_charset_mode = 1;
    g_font_manager.default_edge_size = 1;
    g_font_manager.default_italic = 0;
    g_font_manager.default_spacing = 0;
    InitializeFontManager();
    return 0;
}

// Deletes every font, the default one too, without making any font again.
int DeleteAllFontHandles() {
    for (int slot = 0; slot < kMaxFontHandles; ++slot) {
        if (g_font_manager.fonts[slot] != nullptr) DeleteFontHandle(FontHandleOf(g_font_manager.fonts[slot]->check, slot));
    }
    return 0;
}

int RefreshDefaultFont() {
    const FontHandleRecord* record = GetFontRecord(g_font_manager.default_font);
    if (record != nullptr && CompareStrings(record->face_name, g_font_manager.default_face_name) == 0 &&
        record->type == g_font_manager.default_type && record->size == g_font_manager.default_size &&
        record->thickness == g_font_manager.default_thickness && record->charset_mode == g_font_manager.default_charset_mode &&
        record->edge_size == g_font_manager.default_edge_size && record->italic == g_font_manager.default_italic) {
        return 0;
    }
    DeleteFontHandle(g_font_manager.default_font);
    g_font_manager.default_font = CreateFontToHandle(
        g_font_manager.default_face_name, g_font_manager.default_size, g_font_manager.default_thickness, g_font_manager.default_type,
        g_font_manager.default_charset_mode, (g_font_manager.default_type & kFontTypeEdge) ? g_font_manager.default_edge_size : -1,
        g_font_manager.default_italic, -1, -1);
    SetFontSpacing(g_font_manager.default_spacing, g_font_manager.default_font);
    return 0;
}

int SetDefaultFontSettings(const char*, int size, int thickness) {
    if (!IsFontGraphicsReady()) return -1;
    g_font_manager.default_size = size == -1 ? 16 : size;
    g_font_manager.default_thickness = thickness == -1 ? 6 : thickness;
    RefreshDefaultFont();
    return 0;
}

int RecreateAllFonts() {
    for (int slot = 0; slot < kMaxFontHandles; ++slot) {
        const FontHandleRecord* record = g_font_manager.fonts[slot];
        if (record == nullptr) continue;
        char face[kFontFaceNameBytes];
        CopyFaceName(face, record->face_name, kFontFaceNameBytes);
        const int size = record->size, thickness = record->thickness, type = record->type;
        const int charset_mode = record->charset_mode, edge_size = record->edge_size, italic = record->italic;
        const int spacing = record->spacing;
        const auto check = static_cast<int>(record->check);
        std::int32_t* deleted_flag = record->deleted_flag;
        DeleteFontHandle(FontHandleOf(record->check, slot));
        const int handle = CreateFontToHandle(face, size, thickness, type, charset_mode, edge_size, italic, slot, check);
        if (IsFontHandleValid(handle)) {
            SetFontSpacing(spacing, handle);
            // The owner of the font keeps its handle, so it keeps watching the same font.
            if (deleted_flag != nullptr) SetFontDeletedFlagPointer(handle, deleted_flag);
        }
    }
    return 0;
}
