// String measuring and the memory drawing path, with glyphs of fixed shape: advances
// with spacing and edges, cut and lone two-byte characters, strings longer than the code
// buffer, the out size, and the exact pixels written into 32-bit and 16-bit images for
// each font type (white, tinted by the bright colour, edged, anti-aliased, both) across
// and top to bottom, clipped to the clip rectangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/font/font_fixture.h"
#include "tests/support/test_memimg.h"

using font_test::EngineUp;
using font_test::EngineUpFullScreen;
using font_test::Glyph;
using font_test::RawPixel;

namespace {

class StringMeasure : public EngineUp {};

TEST_F(StringMeasure, AdvancesSpacingAndEdges) {
    font_testing::SetFixedGlyph('A', Glyph({"#"}, 7));
    font_testing::SetFixedGlyph('B', Glyph({"#"}, 9));
    font_testing::SetFixedGlyph(0x82A0, Glyph({"#"}, 13));
    font_testing::SetFixedGlyph(0x82, Glyph({"#"}, 6));
    const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    const int edged = CreateFontToHandle(nullptr, 16, 6, 1, -1, 2, 0, -1, -1);
    ASSERT_GE(font, 0);
    ASSERT_GE(edged, 0);
    EXPECT_EQ(MeasureStringWidth("AB", -1, font, 0), 16);
    EXPECT_EQ(MeasureStringWidth("AB", -1, edged, 0), 16 + 2 * 4);
    ASSERT_EQ(SetFontSpacing(2, font), 0);
    EXPECT_EQ(MeasureStringWidth("AB", -1, font, 0), 20);
    EXPECT_EQ(MeasureStringWidth("AB", 1, font, 0), 9);
    EXPECT_EQ(MeasureStringWidth("", -1, font, 0), 0);
    EXPECT_EQ(MeasureStringWidth(nullptr, -1, font, 0), 0);
    // A length that ends inside a two-byte character still measures that character.
    EXPECT_EQ(MeasureStringWidth("\x82\xA0" "A", 1, font, 0), 15);
    // A lead byte just before the terminator is a character of its own; nothing past the
    // terminator is read.
    EXPECT_EQ(MeasureStringWidth("A\x82", -1, font, 0), 9 + 8);
    EXPECT_EQ(MeasureStringWidth("AB", -1, font + 1, 0), -1);
    SIZE across{}, down{};
    EXPECT_EQ(DrawStringCore({.text = "AB", .font = font, .out_size = &across}), 20);
    EXPECT_EQ(DrawStringCore({.text = "AB", .font = font, .vertical = 1, .out_size = &down}), 20);
    const int height = GetFontRecord(font)->text_height;
    EXPECT_EQ(across.cx, 20);
    EXPECT_EQ(across.cy, height);
    EXPECT_EQ(down.cx, height);
    EXPECT_EQ(down.cy, 20);
}

// 1,000 characters, four times the code buffer: all measured and all drawn.
TEST_F(StringMeasure, StringsLongerThanTheCodeBuffer) {
    font_testing::SetFixedGlyph('A', Glyph({"#"}, 7, 0, 12));
    const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    const std::string text(1000, 'A');
    EXPECT_EQ(MeasureStringWidth(text.c_str(), -1, font, 0), 7000);
    TestImage image(7010, 24, kMemImgXrgb8888);
    const RECT clip{0, 0, 7010, 24};
    EXPECT_EQ(DrawStringCore({.draw = 1, .text = text.c_str(), .color = MakeColorValue(255, 255, 255),
                              .target = image.get(), .clip = &clip, .transparent = 1, .font = font}),
              7000);
    const int top = GetFontRecord(font)->char_map['A'].slot->top_offset;
    int drawn = 0;
    for (int x = 0; x < 7010; ++x) drawn += image.get(x, top) != 0;
    EXPECT_EQ(drawn, 1000);
    EXPECT_EQ(image.get(999 * 7, top), 0x00FFFFFFu);
}

// A 16-bit screen rounds a colour before it is tinted; such cases are checked on 32 bits.
constexpr std::uint32_t kNotOn16 = 0xDEADu;

// What one glyph pixel (and its neighbour) becomes, per type and target layout.
struct PixelCase {
    const char* name;
    int type;
    int edge;
    std::vector<std::string> glyph;
    int target_alpha;  // 16-bit targets: RGB565 with an alpha byte
    int red, green, blue;  // text colour
    int edge_red, edge_green, edge_blue;
    std::uint32_t bright;  // 0xRRGGBB
    // Pixels at (left + dx, top + dy) of the glyph box: raw values for 32 and 16 bits (a
    // 16-bit target with alpha holds four bytes, the last one untouched).
    struct Want {
        int dx, dy;
        std::uint32_t raw32, raw16;
    };
    std::vector<Want> want;
};

const std::vector<PixelCase>& PixelCases() {
    static const std::vector<PixelCase> cases = {
        {"white", 0, -1, {"#."}, 0, 255, 255, 255, 0, 0, 0, 0xFFFFFF, {{0, 0, 0x00FFFFFF, 0xFFFF}, {1, 0, 0x11111111, 0x1111}}},
        {"tinted", 0, -1, {"#"}, 0, 255, 255, 255, 0, 0, 0, 0x808080, {{0, 0, 0x00808080, 0x8410}}},
        // Each channel by its own bright channel.
        {"tinted orange", 0, -1, {"#"}, 0, 255, 255, 255, 0, 0, 0, 0xFF8000, {{0, 0, 0x00FF8000, 0xFC00}}},
        {"tinted red", 0, -1, {"#"}, 0, 200, 100, 50, 0, 0, 0, 0x808080, {{0, 0, 0x00643219, kNotOn16}}},
        {"edged", 1, 1, {"#"}, 0, 255, 0, 0, 0, 0, 255, 0xFFFFFF,
         {{1, 1, 0x00FF0000, 0xF800}, {0, 1, 0x000000FF, 0x001F}, {1, 0, 0x000000FF, 0x001F}, {0, 0, 0x11111111, 0x1111}}},
        {"grey level", 2, -1, {"a#."}, 1, 255, 255, 255, 0, 0, 0, 0xFFFFFF,
         {{0, 0, 0x90FFFFFF, 0x1190FFFF}, {1, 0, 0xF0FFFFFF, 0x11F0FFFF}, {2, 0, 0x11111111, 0x11111111}}},
        {"body and edge", 3, 1, {"#"}, 1, 255, 255, 255, 0, 0, 255, 0xFFFFFF,
         {{1, 1, 0xFFFFFFFF, 0x11FFFFFF}, {0, 1, 0xF00000FF, 0x11F0001F}, {0, 0, 0x11111111, 0x11111111}}},
        // Black text, white edge: a pixel with body 7 and edge 15 mixes every channel
        // alike, no channel spilling into the next.
        {"mixed", 3, 1, {"#8"}, 1, 0, 0, 0, 255, 255, 255, 0xFFFFFF, {{2, 1, 0xE8848484, 0x11E88410}}},
    };
    return cases;
}

void CheckPixelCases(bool sixteen) {
    for (const PixelCase& c : PixelCases()) {
        SCOPED_TRACE(c.name);
        font_testing::SetFixedGlyph('G', Glyph(c.glyph, 5, 1));
        const int font = CreateFontToHandle(nullptr, 16, 6, c.type, -1, c.edge, 0, -1, -1);
        ASSERT_GE(font, 0);
        const int kind = sixteen ? kMemImgRgb565 : kMemImgXrgb8888;
        TestImage image(40, 40, kind, 0, sixteen ? c.target_alpha : 0);
        image.fill(0x11111111);
        ASSERT_EQ(SetBrightColorRGB(static_cast<int>(c.bright >> 16), static_cast<int>(c.bright >> 8 & 0xFF),
                                    static_cast<int>(c.bright & 0xFF)),
                  0);
        const RECT clip{0, 0, 40, 40};
        ASSERT_EQ(DrawStringCore({.draw = 1, .x = 10, .y = 5, .text = "G",
                                  .color = MakeColorValue(c.red, c.green, c.blue), .target = image.get(),
                                  .clip = &clip, .transparent = 1, .font = font,
                                  .edge_color = MakeColorValue(c.edge_red, c.edge_green, c.edge_blue)}),
                  5 + ((c.type & 1) ? 2 * c.edge : 0));
        ASSERT_EQ(SetBrightColorRGB(255, 255, 255), 0);
        const GlyphCacheSlot* slot = GetFontRecord(font)->char_map['G'].slot;
        const int left = 10 + slot->origin_x;
        const int top = 5 + slot->top_offset;
        for (const PixelCase::Want& w : c.want) {
            if (sixteen && w.raw16 == kNotOn16) continue;
            EXPECT_EQ(RawPixel(image.get(), left + w.dx, top + w.dy), sixteen ? w.raw16 : w.raw32)
                << w.dx << "," << w.dy;
        }
        // Without the transparent flag, pixels without ink become 0.
        image.fill(0x11111111);
        DrawStringCore({.draw = 1, .x = 10, .y = 5, .text = "G", .color = MakeColorValue(c.red, c.green, c.blue),
                        .target = image.get(), .clip = &clip, .font = font});
        if (c.type == 0 && c.glyph[0] == "#.") {
            EXPECT_EQ(RawPixel(image.get(), left + 1, top), 0u);
        }
        DeleteFontHandle(font);
    }
}

class PixelsOn32Bits : public EngineUp {};
class PixelsOn16Bits : public EngineUpFullScreen {};

TEST_F(PixelsOn32Bits, EveryTypeWritesItsPixels) {
    ASSERT_EQ(GetScreenBitDepth(), 32);
    CheckPixelCases(false);
}

TEST_F(PixelsOn16Bits, EveryTypeWritesItsPixels) {
    ASSERT_EQ(GetScreenBitDepth(), 16);
    CheckPixelCases(true);
}

// Anti-aliased glyphs need an alpha byte: a plain RGB565 target is left alone.
TEST_F(PixelsOn16Bits, AntiAliasedTextSkipsATargetWithoutAlpha) {
    font_testing::SetFixedGlyph('G', Glyph({"####"}, 5));
    const int font = CreateFontToHandle(nullptr, 16, 6, 2, -1, -1, 0, -1, -1);
    TestImage image(40, 40, kMemImgRgb565);
    image.fill(0x1234);
    const RECT clip{0, 0, 40, 40};
    EXPECT_EQ(DrawStringCore({.draw = 1, .text = "G", .color = MakeColorValue(255, 255, 255), .target = image.get(),
                              .clip = &clip, .transparent = 1, .font = font}),
              5);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(image.get(x, y), 0x1234u);
        }
    }
    DeleteFontHandle(font);
}

// Top to bottom: the glyph is turned a quarter turn clockwise; its row r lands in column
// X0 - r and its column c in row Y0 + c. The clip cuts it pixel by pixel.
TEST_F(PixelsOn32Bits, VerticalLayoutAndClip) {
    font_testing::SetFixedGlyph('V', Glyph({"###", "#.."}, 6, 1));
    const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    const FontHandleRecord* record = GetFontRecord(font);
    TestImage image(60, 60, kMemImgXrgb8888);
    const RECT clip{0, 0, 60, 60};
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    ASSERT_EQ(DrawStringCore({.draw = 1, .x = 10, .y = 20, .text = "VV", .color = white, .target = image.get(),
                              .clip = &clip, .transparent = 1, .font = font, .vertical = 1}), 12);
    const int top_offset = record->char_map['V'].slot->top_offset;
    std::vector<std::pair<int, int>> want;
    for (int pen : {0, 6}) {
        const int x0 = 10 + record->text_height - top_offset;
        const int y0 = 20 + pen + 1;
        want.insert(want.end(), {{x0, y0}, {x0, y0 + 1}, {x0, y0 + 2}, {x0 - 1, y0}});
    }
    int ink = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) ink += image.get(x, y) != 0;
    EXPECT_EQ(ink, 8);
    for (auto [x, y] : want) EXPECT_EQ(image.get(x, y), 0x00FFFFFFu) << x << "," << y;
    // A clip that ends inside the first glyph's column keeps only the pixels above it.
    TestImage clipped(60, 60, kMemImgXrgb8888);
    const RECT upper{0, 0, 60, want[1].second};
    DrawStringCore({.draw = 1, .x = 10, .y = 20, .text = "V", .color = white, .target = clipped.get(), .clip = &upper,
                    .transparent = 1, .font = font, .vertical = 1});
    ink = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) ink += clipped.get(x, y) != 0;
    EXPECT_EQ(ink, 2);
    // Drawn partly off the image: nothing outside it is touched (the sanitizer watches).
    DrawStringCore({.draw = 1, .x = -2, .y = 57, .text = "VVVV", .color = white, .target = clipped.get(),
                    .clip = &clip, .transparent = 1, .font = font, .vertical = 1});
    DrawStringCore({.draw = 1, .x = 58, .y = -3, .text = "VVVV", .color = white, .target = clipped.get(),
                    .clip = &clip, .transparent = 1, .font = font});
    DeleteFontHandle(font);
}

}  // namespace
