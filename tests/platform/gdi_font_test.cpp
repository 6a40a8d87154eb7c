// The platform's GDI fonts over FreeType and fontconfig, with no engine: the default
// Japanese face finds a font that has kanji, sizes and metrics, bold made from its
// outlines from weight 600, the two bitmap layouts
// (rows padded to four bytes, one bit or levels 0..16), glyphs with no ink, and the
// refusals (no font selected, another format, a buffer too small).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gdi_font.h"
#include "platform/testing/font_testing.h"

namespace {

const char kJapaneseFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
const MAT2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};

struct DcWithFont {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font;
    HFONT old = nullptr;
    explicit DcWithFont(HFONT f) : font(f) { old = SelectObject(dc, font); }
    ~DcWithFont() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(font);
    }
};

TEST(GdiFont, MetricsOfTheDefaultJapaneseFace) {
    for (int height : {12, 16, 24}) {
        DcWithFont f(CreateFontA(height, 0, 0, 0, 600, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                                 FIXED_PITCH, kJapaneseFace));
        ASSERT_NE(f.font, nullptr);
        ASSERT_NE(f.old, nullptr);
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(f.dc, &tm));
        EXPECT_EQ(tm.tmHeight, height);
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, height);
        EXPECT_GT(tm.tmAscent, height / 2);
        // A full-width character is the widest: about one em.
        EXPECT_GE(tm.tmMaxCharWidth, height * 3 / 4);
        EXPECT_LE(tm.tmMaxCharWidth, height + 2);
        EXPECT_EQ(tm.tmWeight, 600);
    }
}

// The Japanese face has no bold face of its own: from weight 600 its outlines are made
// bolder, which overhangs by one pixel and widens the largest advance by one.
TEST(GdiFont, SyntheticBoldFromWeight600) {
    auto metrics = [](int weight) {
        DcWithFont f(CreateFontA(16, 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                                 FIXED_PITCH, kJapaneseFace));
        TEXTMETRICA tm{};
        EXPECT_TRUE(GetTextMetricsA(f.dc, &tm));
        return tm;
    };
    const TEXTMETRICA regular = metrics(400);
    EXPECT_EQ(regular.tmOverhang, 0);
    struct Case {
        int weight;
        int overhang;
    };
    for (const Case& c : {Case{599, 0}, Case{600, 1}}) {
        SCOPED_TRACE(c.weight);
        const TEXTMETRICA tm = metrics(c.weight);
        EXPECT_EQ(tm.tmOverhang, c.overhang);
        EXPECT_EQ(tm.tmMaxCharWidth, regular.tmMaxCharWidth + c.overhang);
    }
}

TEST(GdiFont, BitmapLayouts) {
    DcWithFont f(CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, NONANTIALIASED_QUALITY, FIXED_PITCH,
                             kJapaneseFace));
    ASSERT_NE(f.font, nullptr);
    // Kanji, kana and Latin letters all have ink: the face is a Japanese one.
    for (UINT character : {0x96BDu, 0x9286u, 0x97A6u, 0x82A0u, 0x41u, 0xB1u}) {
        SCOPED_TRACE(character);
        GLYPHMETRICS gm{};
        const DWORD mono = GetGlyphOutlineA(f.dc, character, GGO_BITMAP, &gm, 0, nullptr, &kIdentity);
        ASSERT_NE(mono, GDI_ERROR);
        ASSERT_GT(gm.gmBlackBoxX, 1u);
        ASSERT_GT(gm.gmBlackBoxY, 1u);
        const DWORD mono_row = (gm.gmBlackBoxX + 31) / 32 * 4;
        EXPECT_EQ(mono, mono_row * gm.gmBlackBoxY);
        EXPECT_GT(gm.gmCellIncX, 0);
        std::vector<std::uint8_t> bits(mono);
        ASSERT_EQ(GetGlyphOutlineA(f.dc, character, GGO_BITMAP, &gm, mono, bits.data(), &kIdentity), mono);
        int ink = 0;
        for (UINT r = 0; r < gm.gmBlackBoxY; ++r) {
            for (UINT c = 0; c < mono_row * 8; ++c) {
                const bool set = bits[r * mono_row + c / 8] >> (7 - c % 8) & 1;
                if (c >= gm.gmBlackBoxX) {
                    EXPECT_FALSE(set);  // padding stays clear
                }
                ink += set;
            }
        }
        EXPECT_GT(ink, 4);
        const DWORD gray = GetGlyphOutlineA(f.dc, character, GGO_GRAY4_BITMAP, &gm, 0, nullptr, &kIdentity);
        const DWORD gray_row = (gm.gmBlackBoxX + 3) / 4 * 4;
        EXPECT_EQ(gray, gray_row * gm.gmBlackBoxY);
        std::vector<std::uint8_t> levels(gray);
        ASSERT_EQ(GetGlyphOutlineA(f.dc, character, GGO_GRAY4_BITMAP, &gm, gray, levels.data(), &kIdentity), gray);
        EXPECT_LE(*std::max_element(levels.begin(), levels.end()), 16);
        EXPECT_EQ(*std::max_element(levels.begin(), levels.end()), 16);
        // A buffer one byte short is refused.
        EXPECT_EQ(GetGlyphOutlineA(f.dc, character, GGO_GRAY4_BITMAP, &gm, gray - 1, levels.data(), &kIdentity),
                  GDI_ERROR);
    }
    // A space has an advance and no bitmap.
    GLYPHMETRICS gm{};
    EXPECT_EQ(GetGlyphOutlineA(f.dc, ' ', GGO_BITMAP, &gm, 0, nullptr, &kIdentity), 0u);
    EXPECT_GT(gm.gmCellIncX, 0);
    EXPECT_EQ(GetGlyphOutlineA(f.dc, 'A', 2, &gm, 0, nullptr, &kIdentity), GDI_ERROR);
}

TEST(GdiFont, RefusalsAndLifetime) {
    HDC dc = CreateCompatibleDC(nullptr);
    GLYPHMETRICS gm{};
    TEXTMETRICA tm{};
    // A fresh device context holds the stock font, which has no glyphs.
    EXPECT_EQ(GetGlyphOutlineA(dc, 'A', GGO_BITMAP, &gm, 0, nullptr, &kIdentity), GDI_ERROR);
    EXPECT_FALSE(GetTextMetricsA(dc, &tm));
    const int live = font_testing::LiveFontCount();
    HFONT font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 3, 1, "No Such Face At All");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font_testing::LiveFontCount(), live + 1);
    HFONT stock = SelectObject(dc, font);
    ASSERT_NE(stock, nullptr);
    // A substituted face still draws kanji.
    EXPECT_GT(GetGlyphOutlineA(dc, 0x96BD, GGO_BITMAP, &gm, 0, nullptr, &kIdentity), 0u);
    EXPECT_EQ(DeleteObject(stock), FALSE);
    ASSERT_EQ(DeleteObject(font), TRUE);
    EXPECT_EQ(DeleteObject(font), FALSE);
    // The device context fell back to the stock font.
    EXPECT_FALSE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(SelectObject(dc, font), nullptr);
    EXPECT_EQ(font_testing::LiveFontCount(), live);
    DeleteDC(dc);
}

}  // namespace
