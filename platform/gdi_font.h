// GDI fonts of the platform layer: fonts made by face name, height and weight, selected
// into memory device contexts, their text metrics and single glyph bitmaps in the two
// outline formats the engine reads (one bit per pixel, and 17 grey levels 0..16). Text
// codes are in the font's code page (CP932, or CP949 for the Hangul character set).
// Backed by FreeType and fontconfig (platform/freetype/).
#pragma once

#include "platform/gdi.h"
#include "platform/kernel_types.h"

struct FontObject;
using HFONT = FontObject*;

constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD SHIFTJIS_CHARSET = 128;
constexpr DWORD HANGUL_CHARSET = 129;
constexpr DWORD NONANTIALIASED_QUALITY = 3;
constexpr DWORD FIXED_PITCH = 1;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_SEMIBOLD = 600;

constexpr UINT GGO_BITMAP = 1;
constexpr UINT GGO_GRAY4_BITMAP = 5;
constexpr DWORD GDI_ERROR = 0xFFFFFFFFu;

// A positive height is the whole cell, ascent plus descent, in pixels; 0 picks 16. The
// face name is CP932; a face that is not installed is replaced by the closest installed
// font for the character set (a Japanese or Korean one for those sets, fixed pitch
// when asked). A weight of FW_SEMIBOLD or more without a bold face is emboldened, and
// italic without an italic face is slanted. Null only when no font can be opened.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strike_out, DWORD charset, DWORD output_precision, DWORD clip_precision,
                  DWORD quality, DWORD pitch_and_family, const char* face_name);
// Selects a font into a memory device context and returns the font selected before (a
// fresh device context holds the stock system font, which has no metrics or glyphs);
// null for a null device context or an unknown font.
HFONT SelectObject(HDC dc, HFONT font);
// Deletes a font; a device context that still holds it falls back to the stock font.
// FALSE for null, the stock font or an unknown font.
BOOL DeleteObject(HFONT font);

struct TEXTMETRICA {
    LONG tmHeight;  // ascent + descent
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;  // the largest advance of the face
    LONG tmWeight;
    LONG tmOverhang;
    BYTE tmItalic;
    BYTE tmCharSet;
};
// FALSE when the device context holds no font of ours.
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);

struct GLYPHMETRICS {
    UINT gmBlackBoxX;  // bitmap width (1 for a glyph with no ink)
    UINT gmBlackBoxY;  // bitmap height (1 for a glyph with no ink)
    POINT gmptGlyphOrigin;  // left of the bitmap from the pen; its top above the baseline
    short gmCellIncX;  // the advance
    short gmCellIncY;
};
struct FIXED {
    WORD fract;
    short value;
};
struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};
// One glyph of the selected font. `character` is a one-byte code below 256, else the
// lead byte times 256 plus the trail byte. GGO_BITMAP: rows top down, one bit a pixel
// with the leftmost pixel in the high bit; GGO_GRAY4_BITMAP: one byte a pixel, 0..16.
// Every row is padded to a multiple of 4 bytes. With `size` 0 or no buffer: the bytes
// the bitmap needs (0 for a glyph with no ink); otherwise fills `buffer` and returns the
// same count. GDI_ERROR for another format, a buffer too small or no font selected. Only
// the identity transform is supported.
DWORD GetGlyphOutlineA(HDC dc, UINT character, UINT format, GLYPHMETRICS* metrics, DWORD size, void* buffer,
                       const MAT2* transform);
