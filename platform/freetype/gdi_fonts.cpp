// GDI fonts over FreeType: CreateFontA (the face found by fontconfig, sized so that
// ascent plus descent is the asked height), the font selected into each memory device
// context, GetTextMetricsA and GetGlyphOutlineA in the two bitmap layouts. Text codes are
// turned into Unicode with iconv from the font's code page.
#include <iconv.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/code_page.h"
#include "platform/freetype/font_internal.h"
#include "platform/gdi_font_hooks.h"

namespace {

// What a fresh device context holds: a font with no face, never deleted.
FontObject g_stock_font;

std::mutex g_mutex;
std::unordered_set<FontObject*>& Fonts() {
    static std::unordered_set<FontObject*> fonts;
    return fonts;
}
std::unordered_map<HDC, FontObject*>& Selected() {
    static std::unordered_map<HDC, FontObject*> selected;
    return selected;
}

constexpr std::size_t kMaxFaceNameBytes = 256;

// The engine's default Japanese face name (CP932) asks for the installed Japanese
// fixed-pitch font.
const char kDefaultJapaneseFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

const char* LanguageOf(DWORD charset) {
    if (charset == HANGUL_CHARSET) return "ko";
    // The engine's own code page is CP932, so the default set is Japanese too.
    return "ja";
}

// Glyphs of fixed shape that tests put in place of every font's own.
std::unordered_map<UINT, platform_hooks::FixedGlyph>& FixedGlyphs() {
    static std::unordered_map<UINT, platform_hooks::FixedGlyph> glyphs;
    return glyphs;
}

// Lays a glyph of grey levels 0..255 (`level(c, r)`) out in the GDI form.
template <typename Level>
void StoreGlyphBitmap(FontObject* font, bool mono, unsigned width, unsigned rows, Level level) {
    const std::size_t row_bytes = mono ? ((width + 31) / 32) * 4 : ((width + 3) / 4) * 4;
    font->last_bitmap.assign(row_bytes * rows, 0);
    for (unsigned r = 0; r < rows; ++r) {
        std::uint8_t* dst = font->last_bitmap.data() + r * row_bytes;
        for (unsigned c = 0; c < width; ++c) {
            const unsigned v = level(c, r);
            if (mono) {
                if (v >= 128) dst[c >> 3] |= static_cast<std::uint8_t>(0x80u >> (c & 7));
            } else {
                dst[c] = static_cast<std::uint8_t>((v * 16 + 127) / 255);
            }
        }
    }
}

// One character code of a code page as a Unicode code point, 0 when it has none.
char32_t ToUnicode(int code_page, UINT character) {
    if (character < 0x80) return character;
    static std::mutex guard;
    static iconv_t cp932 = reinterpret_cast<iconv_t>(-1);
    static iconv_t cp949 = reinterpret_cast<iconv_t>(-1);
    std::lock_guard<std::mutex> lock(guard);
    iconv_t& cd = code_page == 949 ? cp949 : cp932;
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-32LE", code_page == 949 ? "CP949" : "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char in_bytes[2];
    std::size_t in_left = 0;
    if (character < 0x100) {
        in_bytes[in_left++] = static_cast<char>(character);
    } else {
        in_bytes[in_left++] = static_cast<char>((character >> 8) & 0xFF);
        in_bytes[in_left++] = static_cast<char>(character & 0xFF);
    }
    unsigned char out_bytes[8] = {};
    char* in = in_bytes;
    char* out = reinterpret_cast<char*>(out_bytes);
    std::size_t out_left = sizeof out_bytes;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(cd, &in, &in_left, &out, &out_left);
    if (r == static_cast<std::size_t>(-1) || in_left != 0 || sizeof out_bytes - out_left < 4) return 0;
    return static_cast<char32_t>(out_bytes[0] | out_bytes[1] << 8 | out_bytes[2] << 16 | out_bytes[3] << 24);
}

// Sizes the face so that its Windows ascent plus descent (or, without them, its ascender
// minus descender) is `height` pixels, and fills the metrics of the font.
bool SizeFace(FontObject* font) {
    FT_Face face = font->face;
    long ascent_units = face->ascender;
    long descent_units = -face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent_units = os2->usWinAscent;
        descent_units = os2->usWinDescent;
    }
    const long total = ascent_units + descent_units;
    if (total <= 0 || face->units_per_EM == 0) return false;
    const double em_pixels = static_cast<double>(font->height) * face->units_per_EM / static_cast<double>(total);
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.width = 0;
    request.height = std::max<FT_Long>(64, std::lround(em_pixels * 64.0));
    if (FT_Request_Size(face, &request) != 0) return false;
    font->ascent = static_cast<int>(std::lround(static_cast<double>(font->height) * ascent_units / total));
    font->descent = font->height - font->ascent;
    const double scale = em_pixels / face->units_per_EM;
    font->max_advance = static_cast<int>(std::ceil(face->max_advance_width * scale - 1e-6));
    if (font->embolden) font->max_advance += 1;
    font->average_advance = font->max_advance;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->xAvgCharWidth > 0) {
        font->average_advance = static_cast<int>(std::lround(os2->xAvgCharWidth * scale));
    }
    return true;
}

FontObject* SelectedFont(HDC dc) {
    auto it = Selected().find(dc);
    FontObject* font = it != Selected().end() ? it->second : &g_stock_font;
    return font->face != nullptr ? font : nullptr;
}

// Renders one glyph into the font's last-glyph record in the GDI layout.
bool RenderGlyph(FontObject* font, UINT character, UINT format) {
    if (font->last_character == character && font->last_format == format) return true;
    font->last_character = 0xFFFFFFFFu;
    const bool mono = format == GGO_BITMAP;
    GLYPHMETRICS& metrics = font->last_metrics;
    metrics = GLYPHMETRICS{};
    font->last_bitmap.clear();
    if (auto fixed = FixedGlyphs().find(character); fixed != FixedGlyphs().end()) {
        const platform_hooks::FixedGlyph& glyph = fixed->second;
        metrics.gmCellIncX = static_cast<short>(glyph.advance);
        metrics.gmptGlyphOrigin.x = glyph.origin_x;
        metrics.gmptGlyphOrigin.y = glyph.origin_y;
        metrics.gmBlackBoxX = glyph.width > 0 ? static_cast<UINT>(glyph.width) : 1;
        metrics.gmBlackBoxY = glyph.height > 0 ? static_cast<UINT>(glyph.height) : 1;
        if (glyph.width > 0 && glyph.height > 0 &&
            glyph.levels.size() >= static_cast<std::size_t>(glyph.width) * glyph.height) {
            StoreGlyphBitmap(font, mono, static_cast<unsigned>(glyph.width), static_cast<unsigned>(glyph.height),
                             [&](unsigned c, unsigned r) {
                                 const unsigned v = std::min<unsigned>(glyph.levels[r * glyph.width + c], 16);
                                 // Level 8 or more is ink in one-bit form; 16 levels map back exactly.
                                 return mono ? (v >= 8 ? 255u : 0u) : (v * 255 + 8) / 16;
                             });
        }
        font->last_character = character;
        font->last_format = format;
        return true;
    }
    FT_Face face = font->face;
    const char32_t code_point = ToUnicode(font->code_page, character);
    const FT_UInt glyph_index = code_point != 0 ? FT_Get_Char_Index(face, code_point) : 0;
    FT_Int32 load = mono ? (FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) : (FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, glyph_index, load) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (font->slant && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Oblique(slot);
    if (font->embolden) FT_GlyphSlot_Embolden(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        return false;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    metrics.gmCellIncX = static_cast<short>((slot->advance.x + 32) >> 6);
    metrics.gmCellIncY = 0;
    metrics.gmptGlyphOrigin.x = slot->bitmap_left;
    metrics.gmptGlyphOrigin.y = slot->bitmap_top;
    const unsigned width = bitmap.width;
    const unsigned rows = bitmap.rows;
    if (width == 0 || rows == 0 || bitmap.buffer == nullptr) {
        // No ink: GDI reports a one-pixel box and no bitmap bytes.
        metrics.gmBlackBoxX = 1;
        metrics.gmBlackBoxY = 1;
    } else {
        if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
        metrics.gmBlackBoxX = width;
        metrics.gmBlackBoxY = rows;
        const unsigned grays = bitmap.num_grays > 1 ? bitmap.num_grays - 1u : 255u;
        StoreGlyphBitmap(font, mono, width, rows, [&](unsigned c, unsigned r) -> unsigned {
            const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (src[c >> 3] >> (7 - (c & 7)) & 1) ? 255u : 0u;
            return src[c] * 255u / grays;
        });
    }
    if (std::all_of(font->last_bitmap.begin(), font->last_bitmap.end(), [](std::uint8_t b) { return b == 0; })) {
        // No ink after all (a blank glyph the renderer gave a box): GDI's empty answer.
        font->last_bitmap.clear();
        metrics.gmBlackBoxX = 1;
        metrics.gmBlackBoxY = 1;
    }
    font->last_character = character;
    font->last_format = format;
    return true;
}

}  // namespace

namespace freetype_font {

void ForgetDeviceContext(HDC dc) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Selected().erase(dc);
}

}  // namespace freetype_font

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD charset, DWORD, DWORD,
                  DWORD, DWORD pitch_and_family, const char* face_name) {
    if (height < 0) height = -height;
    if (height == 0) height = 16;
    if (height > 4096) return nullptr;
    if (weight <= 0) weight = FW_NORMAL;
    std::string family;
    if (face_name != nullptr) {
        const std::size_t length = strnlen(face_name, kMaxFaceNameBytes);
        if (length != 0 && !(length == sizeof kDefaultJapaneseFace - 1 &&
                             std::memcmp(face_name, kDefaultJapaneseFace, length) == 0)) {
            family = Cp932ToUtf8Lossy(face_name, length);
        }
    }
    const bool fixed_pitch = (pitch_and_family & 3) == FIXED_PITCH;
    freetype_font::FaceChoice choice;
    if (!freetype_font::ChooseFace(family, LanguageOf(charset), fixed_pitch, weight, italic != 0, &choice)) {
        return nullptr;
    }
    FT_Library library = freetype_font::Library();
    if (library == nullptr) return nullptr;
    auto* font = new (std::nothrow) FontObject;
    if (font == nullptr) return nullptr;
    if (FT_New_Face(library, choice.file.c_str(), choice.index, &font->face) != 0) {
        delete font;
        return nullptr;
    }
    font->code_page = charset == HANGUL_CHARSET ? 949 : 932;
    font->charset = charset;
    font->height = height;
    font->weight = weight;
    font->italic = italic != 0;
    font->embolden = weight >= FW_SEMIBOLD && !choice.bold;
    font->slant = italic != 0 && !choice.italic;
    if (!SizeFace(font)) {
        FT_Done_Face(font->face);
        delete font;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    Fonts().insert(font);
    return font;
}

HFONT SelectObject(HDC dc, HFONT font) {
    if (dc == nullptr || font == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (font != &g_stock_font && Fonts().count(font) == 0) return nullptr;
    auto it = Selected().find(dc);
    FontObject* previous = it != Selected().end() ? it->second : &g_stock_font;
    Selected()[dc] = font;
    return previous;
}

BOOL DeleteObject(HFONT font) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (font == nullptr || font == &g_stock_font || Fonts().erase(font) == 0) return FALSE;
    for (auto& entry : Selected()) {
        if (entry.second == font) entry.second = &g_stock_font;
    }
    FT_Done_Face(font->face);
    delete font;
    return TRUE;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
    if (metrics == nullptr) return FALSE;
    std::lock_guard<std::mutex> lock(g_mutex);
    const FontObject* font = SelectedFont(dc);
    if (font == nullptr) return FALSE;
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = font->height;
    metrics->tmAscent = font->ascent;
    metrics->tmDescent = font->descent;
    metrics->tmAveCharWidth = font->average_advance;
    metrics->tmMaxCharWidth = font->max_advance;
    metrics->tmWeight = font->weight;
    metrics->tmOverhang = font->embolden ? 1 : 0;
    metrics->tmItalic = font->italic ? 1 : 0;
    metrics->tmCharSet = static_cast<BYTE>(font->charset);
    return TRUE;
}

DWORD GetGlyphOutlineA(HDC dc, UINT character, UINT format, GLYPHMETRICS* metrics, DWORD size, void* buffer,
                       const MAT2*) {
    if (metrics == nullptr || (format != GGO_BITMAP && format != GGO_GRAY4_BITMAP)) return GDI_ERROR;
    std::lock_guard<std::mutex> lock(g_mutex);
    FontObject* font = SelectedFont(dc);
    if (font == nullptr || character > 0xFFFF) return GDI_ERROR;
    if (!RenderGlyph(font, character, format)) return GDI_ERROR;
    *metrics = font->last_metrics;
    const auto needed = static_cast<DWORD>(font->last_bitmap.size());
    if (size == 0 || buffer == nullptr) return needed;
    if (size < needed) return GDI_ERROR;
    if (needed != 0) std::memcpy(buffer, font->last_bitmap.data(), needed);
    return needed;
}

namespace platform_hooks {

void SetFixedGlyph(unsigned character, const FixedGlyph& glyph) {
    std::lock_guard<std::mutex> lock(g_mutex);
    FixedGlyphs()[character] = glyph;
    for (FontObject* font : Fonts()) font->last_character = 0xFFFFFFFFu;
}

void ClearFixedGlyphs() {
    std::lock_guard<std::mutex> lock(g_mutex);
    FixedGlyphs().clear();
    for (FontObject* font : Fonts()) font->last_character = 0xFFFFFFFFu;
}

int LiveFontCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(Fonts().size());
}

}  // namespace platform_hooks
