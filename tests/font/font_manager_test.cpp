// Font handles: the 41st font refused with its log line, slots and check values reused
// and wrapped, type and cell-size rules, bounded face names, re-creation under the same
// handles with spacing and owners kept, the default font's settings, deleting all fonts
// making none, and the calls refused while the graphics side is not up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/text_log.h"
#include "tests/font/font_fixture.h"
#include "tests/support/engine_testing/font_testing.h"

using engine_test::MaskedLog;
using font_test::EngineUp;
using font_test::Glyph;

namespace {

class FontManager : public EngineUp {};

TEST_F(FontManager, FortyFontsAtMostAndSlotsReused) {
    std::vector<int> handles;
    for (int slot = 0; slot < kMaxFontHandles; ++slot) {
        if (GetFontManager()->fonts[slot] != nullptr) continue;
        const int handle = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
        ASSERT_GE(handle, 0) << slot;
        EXPECT_EQ(handle & 0xFFFF, slot);
        EXPECT_EQ(handle & 0x78000000, 0x20000000);
        handles.push_back(handle);
    }
    EXPECT_EQ(CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1), -1);
    EXPECT_NE(MaskedLog(session_.dir().path() / "Log.txt").find("作成できるフォントハンドル数 40 の限界を超えました"),
              std::string::npos);
    for (int handle : handles) EXPECT_EQ(IsFontHandleValid(handle), 1);
    // A freed slot is taken again with a new check value; the old handle stays dead.
    const int old = handles[3];
    ASSERT_EQ(DeleteFontHandle(old), 0);
    EXPECT_EQ(DeleteFontHandle(old), -1);
    const int again = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
    EXPECT_EQ(again & 0xFFFF, old & 0xFFFF);
    EXPECT_NE(again, old);
    EXPECT_EQ(IsFontHandleValid(old), 0);
    EXPECT_EQ(GetFontRecord(old), nullptr);
    // A given slot that is taken is refused without a message.
    EXPECT_EQ(CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, again & 0xFFFF, -1), -1);
}

TEST_F(FontManager, CheckValuesWrapAfter2047) {
    GetFontManager()->check_counter = 2047;
    const int a = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
    const int b = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_EQ((a >> 16) & 0x7FF, 2047);
    EXPECT_EQ((b >> 16) & 0x7FF, 0);
    EXPECT_EQ(GetFontManager()->check_counter, 1);
}

TEST_F(FontManager, TypesCellsAndRefusals) {
    // Edge 2 with type 0 makes an edged font.
    const int edged = CreateFontToHandle(nullptr, 16, 6, 0, -1, 2, 0, -1, -1);
    ASSERT_GE(edged, 0);
    const FontHandleRecord* record = GetFontRecord(edged);
    EXPECT_EQ(record->type, 1);
    EXPECT_EQ(record->edge_size, 2);
    EXPECT_EQ(record->charset_mode, 1);
    // Cell: the largest advance + 2 + the edge on both sides, up to a multiple of 8, and
    // at least the text height (tmHeight + both edges, made even).
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT old = SelectObject(dc, record->gdi_font);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(tm.tmHeight, 16);
    int cell = (tm.tmMaxCharWidth + 2 + 4 + 7) / 8 * 8;
    int height = 16 + 4;
    EXPECT_EQ(record->text_height, height);
    EXPECT_EQ(record->cell_size, std::max(cell, height));
    EXPECT_EQ(record->slot_count, std::min(2024, std::max(20, 327680 / (record->cell_size * record->cell_size))));
    EXPECT_EQ(record->cache_pitch, record->cell_size);
    const int plain = CreateFontToHandle(nullptr, 15, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(plain, 0);
    EXPECT_EQ(GetFontRecord(plain)->text_height, 16);  // 15 made even
    EXPECT_EQ(GetFontRecord(plain)->cache_pitch, GetFontRecord(plain)->cell_size / 8);
    EXPECT_EQ(GetFontSize(plain), 15);
    // Settings the cache cannot hold are refused.
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, 6, 4, -1, -1, 0, -1, -1), -1);
    EXPECT_EQ(CreateFontToHandle(nullptr, 0, 6, 0, -1, -1, 0, -1, -1), -1);
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, 40, -1), -1);
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, 2048), -1);
}

// A face name longer than the record's field is cut to 255 bytes, never in the middle of
// a two-byte character; the font is still made (a missing face is substituted).
TEST_F(FontManager, LongFaceNamesAreCutToTheirField) {
    std::string face(300, 'F');
    face[254] = '\x82';
    face[255] = '\xA0';
    const int font = CreateFontToHandle(face.c_str(), 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    EXPECT_EQ(std::string(GetFontRecord(font)->face_name), face.substr(0, 254));
    char copy[kFontFaceNameBytes];
    int size = 0, thickness = 0;
    ASSERT_EQ(GetFontHandleSettings(copy, &size, &thickness, font), 0);
    EXPECT_EQ(std::string(copy), face.substr(0, 254));
    EXPECT_EQ(size, 16);
    EXPECT_EQ(thickness, 6);
    EXPECT_EQ(GetFontHandleSettings(nullptr, nullptr, nullptr, font + 1), -1);
}

TEST_F(FontManager, RecreateKeepsHandlesSpacingAndOwnersAndEmptiesCaches) {
    font_testing::SetFixedGlyph('A', Glyph({"#"}, 7));
    const int font = CreateFontToHandle(nullptr, 16, 6, 1, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    ASSERT_EQ(SetFontSpacing(3, font), 0);
    std::int32_t deleted = 5;
    ASSERT_EQ(SetFontDeletedFlagPointer(font, &deleted), 0);
    EXPECT_EQ(deleted, 0);
    ASSERT_EQ(MeasureStringWidth("A", -1, font, 0), 12);
    const int default_font = GetDefaultFontHandle();
    const int log_font = GetScreenLogState()->font_handle;
    ASSERT_EQ(RecreateAllFonts(), 0);
    EXPECT_EQ(IsFontHandleValid(font), 1);
    EXPECT_EQ(IsFontHandleValid(default_font), 1);
    EXPECT_EQ(IsFontHandleValid(log_font), 1);
    EXPECT_EQ(GetScreenLogState()->font_dirty, 0);
    EXPECT_EQ(GetFontRecord(font)->spacing, 3);
    EXPECT_EQ(GetFontRecord(font)->char_map['A'].cached, 0u);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(MeasureStringWidth("A", -1, font, 0), 12);
    ASSERT_EQ(DeleteFontHandle(font), 0);
    EXPECT_EQ(deleted, 1);
}

TEST_F(FontManager, DefaultFontSettings) {
    const int first = GetDefaultFontHandle();
    ASSERT_EQ(IsFontHandleValid(first), 1);
    EXPECT_EQ(GetFontSize(first), 16);
    // The same settings again keep the font.
    ASSERT_EQ(SetDefaultFontSettings(nullptr, -1, -1), 0);
    EXPECT_EQ(GetDefaultFontHandle(), first);
    ASSERT_EQ(SetDefaultFontSettings(nullptr, 24, 3), 0);
    const int second = GetDefaultFontHandle();
    EXPECT_NE(second, first);
    EXPECT_EQ(IsFontHandleValid(first), 0);
    EXPECT_EQ(GetFontSize(second), 24);
    EXPECT_EQ(GetFontRecord(second)->thickness, 3);
    ASSERT_EQ(SetDefaultFontSettings(nullptr, -1, -1), 0);
    EXPECT_EQ(GetFontSize(GetDefaultFontHandle()), 16);
    // A deleted default font is made again by the next draw.
    DeleteFontHandle(GetDefaultFontHandle());
    EXPECT_EQ(ApiDrawStringWithDefaultFont(0, 0, "A", ApiMakeColorValue(255, 255, 255), 0), 0);
    EXPECT_EQ(IsFontHandleValid(GetDefaultFontHandle()), 1);
}

// Deleting all fonts leaves none, the default font included, and makes none again.
TEST_F(FontManager, DeletingAllFontsMakesNone) {
    CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
    ASSERT_EQ(DeleteAllFontHandles(), 0);
    for (int slot = 0; slot < kMaxFontHandles; ++slot) EXPECT_EQ(GetFontManager()->fonts[slot], nullptr);
    EXPECT_EQ(IsFontHandleValid(GetDefaultFontHandle()), 0);
    EXPECT_EQ(GetScreenLogState()->font_dirty, 1);
    EXPECT_EQ(font_testing::LiveFontCount(), 0);
}

// Before start-up nothing makes a font, and every call with a bad handle says so.
TEST(FontManagerDown, CallsBeforeStartUp) {
    EXPECT_EQ(IsFontHandleValid(0x20000000), 0);
    EXPECT_EQ(DeleteFontHandle(0x20000000), -1);
    EXPECT_EQ(SetFontSpacing(1, 0x20000000), -1);
    EXPECT_EQ(GetFontSize(-1), -1);
    EXPECT_EQ(SetFontDeletedFlagPointer(0x20000000, nullptr), -1);
    EXPECT_EQ(MeasureStringWidth("A", -1, 0x20000000, 0), -1);
    EXPECT_EQ(DrawStringWithFontHandle(0, 0, "", 0, 0x20000000, 0, 0), 0);
}

}  // namespace
