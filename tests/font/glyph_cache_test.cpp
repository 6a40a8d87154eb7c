// The glyph cache of memory-cache fonts: the bytes of a cell for every font type and
// edge width (from glyphs of fixed shape, so every byte is known), the grey levels, the
// slot records, the character map's index for one- and two-byte codes, spaces and empty
// glyphs, glyphs larger than their cell, round-robin reuse of the slots, and a real
// glyph of the installed font copied bit for bit from the GDI bitmap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/font/font_fixture.h"
#include "tests/support/engine_testing/font_testing.h"

using font_test::EngineUp;
using font_test::Glyph;

namespace {

class GlyphCache : public EngineUp {
protected:
    // The cell of the glyph cached for map index `index`, as one byte a pixel (types 1-3)
    // or one bit a pixel (type 0) read out into 0/1.
    std::vector<std::string> CellRows(const FontHandleRecord* font, int index, int rows, int columns) {
        const GlyphCacheSlot* slot = font->char_map[index].slot;
        const std::uint8_t* cell =
            font->cache_bitmap + static_cast<std::ptrdiff_t>(slot->cell_index) * font->cell_size * font->cache_pitch;
        std::vector<std::string> out;
        for (int r = 0; r < rows; ++r) {
            std::string row;
            for (int c = 0; c < columns; ++c) {
                const int v = font->type == 0 ? (cell[r * font->cache_pitch + c / 8] >> (7 - c % 8)) & 1
                                              : cell[r * font->cache_pitch + c];
                if (font->type == 3) {
                    const char* hex = "0123456789abcdef";
                    row += hex[v >> 4];
                    row += hex[v & 15];
                    row += ' ';
                } else {
                    row += v == 0 ? '.' : static_cast<char>(v < 10 ? '0' + v : 'a' + v - 10);
                }
            }
            out.push_back(row);
        }
        return out;
    }
    int Ascent() {
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFontA(16, 0, 0, 0, 600, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 3, 1, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E");
        HFONT old = SelectObject(dc, font);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
        return tm.tmAscent;
    }
};

// A one-pixel glyph with each edge width: the body is 1 at (edge, edge) and the stamp
// around it is 2.
TEST_F(GlyphCache, EdgeStampsAroundOnePixel) {
    font_testing::SetFixedGlyph('p', Glyph({"#"}, 3));
    const std::vector<std::vector<std::string>> stamps = {
        {".1.",  //
         "121",
         ".1."},
        {".111.",  //
         "11111",
         "11211",
         "11111",
         ".111."},
        {"...1...",  //
         ".11111.",
         ".11111.",
         "1112111",
         ".11111.",
         ".11111.",
         "...1..."},
        {"..11111..",  //
         ".1111111.",
         "111111111",
         "111111111",
         "111121111",
         "111111111",
         "111111111",
         ".1111111.",
         "..11111.."},
        {"11111111111", "11111111111", "11111111111", "11111111111", "11111111111", "11111211111", "11111111111",
         "11111111111", "11111111111", "11111111111", "11111111111"},
    };
    for (int edge = 1; edge <= 5; ++edge) {
        SCOPED_TRACE(edge);
        const int font = CreateFontToHandle(nullptr, 16, 6, 1, -1, edge, 0, -1, -1);
        ASSERT_GE(font, 0);
        ASSERT_EQ(MeasureStringWidth("p", -1, font, 0), 3 + 2 * edge);
        const FontHandleRecord* record = GetFontRecord(font);
        // The stamp art marks the body '2' and the edge '1'; the cache holds body 1 and edge 2.
        std::vector<std::string> want = stamps[edge - 1];
        for (std::string& row : want) {
            for (char& c : row) c = c == '1' ? '2' : c == '2' ? '1' : c;
            row += '.';
        }
        want.push_back(std::string(2 * edge + 2, '.'));
        EXPECT_EQ(CellRows(record, 'p', 2 * edge + 2, 2 * edge + 2), want);
        const GlyphCacheSlot* slot = record->char_map['p'].slot;
        EXPECT_EQ(slot->width, 1 + 2 * edge);
        EXPECT_EQ(slot->height, 1 + 2 * edge);
        EXPECT_EQ(slot->advance, 3 + 2 * edge);
        DeleteFontHandle(font);
    }
}

// Each font type writes its own form of the same glyphs.
TEST_F(GlyphCache, CellBytesOfEveryType) {
    font_testing::SetFixedGlyph('b', Glyph({"#.#.#.#.##"}, 11));
    font_testing::SetFixedGlyph('g', Glyph({"0128f#", "#....."}, 7));
    font_testing::SetFixedGlyph('e', Glyph({"#4"}, 4));
    struct Case {
        int type;
        int edge;
        int index;
        std::vector<std::string> want;
    };
    const std::vector<Case> cases = {
        {0, -1, 'b', {"1.1.1.1.11..", "............"}},
        // Grey levels v become v - 1: level 1 vanishes, 16 is 15.
        {2, -1, 'g', {"..17ef", "f.....", "......"}},
        // Body nibbles low, edge nibbles high: the level-4 pixel lifts its neighbours' edge to 3.
        {3, 1, 'e', {"00 f0 30 00 ", "f0 3f f3 30 ", "00 f0 30 00 ", "00 00 00 00 "}},
        // The same glyph with the edge bit but not anti-aliased: ink is level 8 or more.
        {1, 1, 'g', {"....222.", ".2.21112", "212.222.", ".2......"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const int font = CreateFontToHandle(nullptr, 16, 6, c.type, -1, c.edge, 0, -1, -1);
        ASSERT_GE(font, 0);
        const char text[2] = {static_cast<char>(c.index), 0};
        ASSERT_GT(MeasureStringWidth(text, -1, font, 0), 0);
        const FontHandleRecord* record = GetFontRecord(font);
        EXPECT_EQ(record->type, c.type);
        const int columns = static_cast<int>(c.want[0].size()) / (c.type == 3 ? 3 : 1);
        EXPECT_EQ(CellRows(record, c.index, static_cast<int>(c.want.size()), columns), c.want);
        DeleteFontHandle(font);
    }
}

// Slot records: offsets from the GDI metrics, the map index of one- and two-byte codes
// (0x41 and 0xA082 for the character 0x82A0), a space and a glyph with no bitmap.
TEST_F(GlyphCache, SlotRecordsAndMapIndexes) {
    font_testing::SetFixedGlyph('A', Glyph({"##", "##", "##"}, 9, 1, 10));
    font_testing::SetFixedGlyph(0x82A0, Glyph({"#####"}, 13, -2, 4));
    font_testing::SetFixedGlyph('z', Glyph({}, 5));
    const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    const FontHandleRecord* record = GetFontRecord(font);
    const int ascent = Ascent();
    const int space_advance = MeasureStringWidth(" ", -1, font, 0);
    EXPECT_EQ(MeasureStringWidth("A\x82\xA0 z", -1, font, 0), 9 + 13 + space_advance + 5);
    const GlyphCacheSlot* a = record->char_map[0x0041].slot;
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->origin_x, 1);
    EXPECT_EQ(a->top_offset, ascent - 10);
    EXPECT_EQ(a->advance, 9);
    EXPECT_EQ(a->width, 2);
    EXPECT_EQ(a->height, 3);
    EXPECT_EQ(a->cell_index, 1);
    EXPECT_EQ(a->map_entry, &record->char_map[0x0041]);
    const GlyphCacheSlot* kana = record->char_map[0xA082].slot;
    ASSERT_NE(kana, nullptr);
    EXPECT_EQ(kana->width, 5);
    EXPECT_EQ(kana->origin_x, -2);
    EXPECT_EQ(kana->top_offset, ascent - 4);
    EXPECT_EQ(kana->cell_index, 2);
    EXPECT_EQ(record->char_map[0x82A0].cached, 0u);
    const GlyphCacheSlot* space = record->char_map[0x20].slot;
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->width, 0);
    EXPECT_EQ(space->height, 0);
    EXPECT_EQ(space->advance, space_advance);
    EXPECT_GT(space_advance, 0);
    const GlyphCacheSlot* empty = record->char_map['z'].slot;
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->width, 0);
    EXPECT_EQ(empty->advance, 5);
    EXPECT_EQ(record->next_slot, 4);
    EXPECT_EQ(record->slots[record->slot_count].cell_index, -1);
}

// With three slots, a fourth character takes the oldest slot and drops its glyph; a
// dropped character is rendered again when next needed; clearing empties the map.
TEST_F(GlyphCache, SlotsAreReusedRoundRobin) {
    GetFontManager()->glyph_slot_count = 3;
    for (char c : std::string("abcd")) font_testing::SetFixedGlyph(c, Glyph({"#"}, c - 'a' + 1));
    const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    FontHandleRecord* record = GetFontRecord(font);
    ASSERT_EQ(record->slot_count, 3);
    EXPECT_EQ(MeasureStringWidth("abc", -1, font, 0), 6);
    EXPECT_EQ(record->next_slot, 0);
    EXPECT_EQ(MeasureStringWidth("d", -1, font, 0), 4);
    EXPECT_EQ(record->char_map['a'].cached, 0u);
    EXPECT_EQ(record->char_map['d'].slot, &record->slots[0]);
    EXPECT_EQ(record->next_slot, 1);
    // 'a' comes back into slot 1 and 'b' goes.
    EXPECT_EQ(MeasureStringWidth("a", -1, font, 0), 1);
    EXPECT_EQ(record->char_map['a'].slot, &record->slots[1]);
    EXPECT_EQ(record->char_map['b'].cached, 0u);
    // More new characters in one string than slots: every one is still measured.
    EXPECT_EQ(MeasureStringWidth("abcdabcd", -1, font, 0), 20);
    ASSERT_EQ(ClearFontCache(font), 0);
    for (int c : {'a', 'b', 'c', 'd'}) EXPECT_EQ(record->char_map[c].cached, 0u);
    EXPECT_EQ(record->next_slot, 0);
    EXPECT_EQ(ClearFontCache(font + 1), -1);
}

// A glyph wider and taller than the cell is cut to the cell (and to its bitmap).
TEST_F(GlyphCache, GlyphLargerThanItsCellIsCut) {
    const std::vector<std::string> big(70, std::string(70, '#'));
    font_testing::SetFixedGlyph('W', Glyph(big, 70));
    for (int type = 0; type <= 3; ++type) {
        SCOPED_TRACE(type);
        GetFontManager()->glyph_slot_count = 2;
        const int font = CreateFontToHandle(nullptr, 16, 6, type, -1, -1, 0, -1, -1);
        ASSERT_GE(font, 0);
        const FontHandleRecord* record = GetFontRecord(font);
        // Both slots, so the last cell of the bitmap is filled too.
        EXPECT_EQ(MeasureStringWidth("WW", -1, font, 0), 2 * (70 + ((type & 1) ? 2 : 0)));
        const GlyphCacheSlot* slot = record->char_map['W'].slot;
        EXPECT_EQ(slot->width, record->cell_size);
        EXPECT_EQ(slot->height, record->cell_size);
        DeleteFontHandle(font);
    }
}

// A glyph of the installed font, plain: each cell row is the GDI bitmap row.
TEST_F(GlyphCache, InstalledFontGlyphIsCopiedBitForBit) {
    const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    const FontHandleRecord* record = GetFontRecord(font);
    ASSERT_GT(MeasureStringWidth("\x96\xBD", -1, font, 0), 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT old = SelectObject(dc, record->gdi_font);
    GLYPHMETRICS gm{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const DWORD size = GetGlyphOutlineA(dc, 0x96BD, GGO_BITMAP, &gm, 0, nullptr, &identity);
    ASSERT_NE(size, GDI_ERROR);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> bits(size);
    ASSERT_EQ(GetGlyphOutlineA(dc, 0x96BD, GGO_BITMAP, &gm, size, bits.data(), &identity), size);
    SelectObject(dc, old);
    DeleteDC(dc);
    const int row_bytes = static_cast<int>(size / gm.gmBlackBoxY);
    const GlyphCacheSlot* slot = record->char_map[0xBD96].slot;
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->width, static_cast<int>(gm.gmBlackBoxX));
    EXPECT_EQ(slot->height, static_cast<int>(gm.gmBlackBoxY));
    const std::uint8_t* cell =
        record->cache_bitmap + static_cast<std::ptrdiff_t>(slot->cell_index) * record->cell_size * record->cache_pitch;
    int ink = 0;
    for (int r = 0; r < static_cast<int>(gm.gmBlackBoxY); ++r) {
        for (int b = 0; b < record->cache_pitch; ++b) {
            const std::uint8_t want = b < row_bytes ? bits[r * row_bytes + b] : 0;
            EXPECT_EQ(cell[r * record->cache_pitch + b], want) << r << " " << b;
            ink += __builtin_popcount(want);
        }
    }
    EXPECT_GT(ink, 20);
}

}  // namespace
