// Shared state of the FreeType font units: the font object and the face look-up through
// fontconfig. Only platform/freetype/*.cpp and the device-context unit include it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/freetype/device_context_fonts.h"
#include "platform/gdi_font.h"

struct FontObject {
    FT_Face face = nullptr;
    int code_page = 932;
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int max_advance = 0;
    int average_advance = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool embolden = false;  // no bold face: the outlines are made bolder
    bool slant = false;     // no italic face: the outlines are slanted
    DWORD charset = DEFAULT_CHARSET;
    // The glyph rendered last, so the size query and the fetch that follows render once.
    UINT last_character = 0xFFFFFFFFu;
    UINT last_format = 0;
    GLYPHMETRICS last_metrics{};
    std::vector<std::uint8_t> last_bitmap;
};

namespace freetype_font {

// The installed font file and face index that best match the request; false when
// fontconfig knows no font at all.
struct FaceChoice {
    std::string file;
    int index = 0;
    bool bold = false;    // the face itself is bold
    bool italic = false;  // the face itself is italic or oblique
};
bool ChooseFace(const std::string& family_utf8, const char* language, bool fixed_pitch, int weight, bool italic,
                FaceChoice* choice);

FT_Library Library();

}  // namespace freetype_font
