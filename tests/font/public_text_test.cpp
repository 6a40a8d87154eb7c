// Text drawn through the public calls with the installed font (found by fontconfig) on
// the back buffer of a 32-bit and a 16-bit screen: the game's two lines written as PNG
// files for review with their kanji checked for real glyphs, formatted text, white text
// tinted by the bright colour, edged text in two colours, and anti-aliased text blended
// through the font's screen surface.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/font/font_fixture.h"

using font_test::EngineUp;
using font_test::EngineUpFullScreen;

namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutU32(out, Crc32(body.data(), body.size()));
}

// An RGB PNG of 0x00RRGGBB pixels, its image data in stored deflate blocks.
void WriteRgbPng(const std::filesystem::path& path, int width, int height, const std::vector<std::uint32_t>& rgb) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = rgb[static_cast<std::size_t>(y) * width + x];
            raw.insert(raw.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                   static_cast<std::uint8_t>(c)});
        }
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.insert(z.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                           static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(z, b << 16 | a);
    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    PutU32(header, static_cast<std::uint32_t>(width));
    PutU32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                 static_cast<std::streamsize>(png.size()));
}

// Where the test leaves pictures for review: font_output/ in the test's folder.
std::filesystem::path OutputFolder() {
    const std::filesystem::path folder = std::filesystem::path(VOMUR_TEST_OUTPUT_DIR) / "font_output";
    std::filesystem::create_directories(folder);
    return folder;
}

// The ink of a rectangle of the back buffer: the set of pixels that are not black.
std::set<std::pair<int, int>> Ink(int left, int top, int right, int bottom) {
    std::set<std::pair<int, int>> ink;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (font_test::BackPixelAt(x, y) != 0) ink.insert({x - left, y - top});
    return ink;
}

void DrawGameLinesAndCheckKanji(const char* png_name) {
    const std::uint32_t white = ApiMakeColorValue(255, 255, 255);
    ASSERT_EQ(ApiDrawStringWithDefaultFont(10, 10, "SCORE 000020", white, 0), 0);
    ASSERT_EQ(ApiDrawTextFormatted(10, 40, white, "%s = %.1f", "命中率", 66.66), 0);
    // A code with no character in CP932 draws the font's empty-box glyph.
    ASSERT_EQ(ApiDrawStringWithDefaultFont(10, 70, "\x85\x40", white, 0), 0);
    const int font = GetDefaultFontHandle();
    const int height = GetFontRecord(font)->text_height;
    int width = 0, screen_height = 0;
    ReadScreenSize(&width, &screen_height);
    std::vector<std::uint32_t> shot;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) shot.push_back(font_test::BackPixelAt(x, y));
    const std::filesystem::path file = OutputFolder() / png_name;
    WriteRgbPng(file, 200, 100, shot);
    std::printf("text drawn into %s\n", file.c_str());

    const std::string line = "命中率 = 66.7";
    EXPECT_GT(Ink(10, 10, 10 + MeasureStringWidth("SCORE 000020", -1, font, 0), 10 + height).size(), 60u);
    const int box_width = MeasureStringWidth("\x85\x40", -1, font, 0);
    const auto box = Ink(10, 70, 10 + box_width, 70 + height);
    std::vector<std::set<std::pair<int, int>>> kanji;
    for (int i = 0; i < 3; ++i) {
        const int left = 10 + MeasureStringWidth(line.c_str(), 2 * i, font, 0);
        const int right = 10 + MeasureStringWidth(line.c_str(), 2 * i + 2, font, 0);
        EXPECT_GT(right - left, 8);
        kanji.push_back(Ink(left, 40, right, 40 + height));
        EXPECT_GT(kanji.back().size(), 25u) << "kanji " << i;
        EXPECT_NE(kanji.back(), box) << "kanji " << i << " is drawn as an empty box";
    }
    EXPECT_NE(kanji[0], kanji[1]);
    EXPECT_NE(kanji[1], kanji[2]);
    EXPECT_NE(kanji[0], kanji[2]);
    // Everything drawn is white.
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const std::uint32_t c = font_test::BackPixelAt(x, y);
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << x << "," << y << " " << std::hex << c;
        }
}

class PublicText32 : public EngineUp {};
class PublicText16 : public EngineUpFullScreen {};

TEST_F(PublicText32, GameLinesWithTheDefaultFont) {
    ASSERT_EQ(GetScreenBitDepth(), 32);
    DrawGameLinesAndCheckKanji("game_lines_32bit.png");
}

TEST_F(PublicText16, GameLinesWithTheDefaultFont) {
    ASSERT_EQ(GetScreenBitDepth(), 16);
    DrawGameLinesAndCheckKanji("game_lines_16bit.png");
}

// The colours found in a rectangle of the back buffer, with their pixel counts.
std::map<std::uint32_t, int> Colours(int left, int top, int right, int bottom) {
    std::map<std::uint32_t, int> colours;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) ++colours[font_test::BackPixelAt(x, y)];
    return colours;
}

void CheckTintedEdgedAndBlended(bool sixteen) {
    // White tinted by a bright colour of (128, 128, 128).
    ASSERT_EQ(SetBrightColorRGB(128, 128, 128), 0);
    ASSERT_EQ(ApiDrawStringWithDefaultFont(0, 0, "TEXT", ApiMakeColorValue(255, 255, 255), 0), 0);
    ASSERT_EQ(SetBrightColorRGB(255, 255, 255), 0);
    // RGB565 (16, 32, 16), read back scaled to 0..255.
    const std::uint32_t grey = sixteen ? 0x838183 : 0x808080;
    auto tinted = Colours(0, 0, 100, 20);
    EXPECT_EQ(tinted.size(), 2u);
    EXPECT_GT(tinted[grey], 20);

    // Edged: red body, blue edge; every body pixel is next to the edge or other body. A
    // regular weight (500) keeps the strokes one pixel wide, so that the edge round them
    // outweighs the body; from 600 the face is made bold.
    const int edged = CreateFontToHandle(nullptr, 16, 5, 1, -1, 1, 0, -1, -1);
    ASSERT_GE(edged, 0);
    ASSERT_EQ(DrawStringWithFontHandle(0, 30, "EDGE", ApiMakeColorValue(255, 0, 0), edged, ApiMakeColorValue(0, 0, 255),
                                       0),
              0);
    auto colours = Colours(0, 30, 100, 60);
    EXPECT_EQ(colours.size(), 3u);
    EXPECT_GT(colours[0xFF0000], 20);
    EXPECT_GT(colours[sixteen ? 0x0000FF : 0x0000FF], colours[0xFF0000]);

    // Anti-aliased and edged: drawn through the font's surface and blended onto black, so
    // partly covered pixels are mixes of white text and a blue edge.
    const int smooth = CreateFontToHandle(nullptr, 16, 6, 3, -1, 1, 0, -1, -1);
    ASSERT_GE(smooth, 0);
    ASSERT_EQ(DrawStringWithFontHandle(0, 70, "Smooth", ApiMakeColorValue(255, 255, 255), smooth,
                                       ApiMakeColorValue(0, 0, 255), 0),
              0);
    int mixed = 0;
    for (const auto& [c, n] : Colours(0, 70, 120, 100)) {
        const std::uint32_t r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
        // White over blue over black keeps red and green equal (on 16 bits as near as
        // five and six bits come).
        EXPECT_LE(r > g ? r - g : g - r, sixteen ? 12u : 0u) << std::hex << c;
        EXPECT_LE(r, b) << std::hex << c;
        if (r != 0 && r < 0xF0) mixed += n;
    }
    EXPECT_GT(mixed, 10);
    // Outside the string's rectangle nothing was drawn.
    EXPECT_EQ(Colours(0, 100, 640, 480).size(), 1u);
    // A bad handle is logged and refused.
    EXPECT_EQ(DrawStringWithFontHandle(0, 0, "X", 0, smooth + 1, 0, 0), -1);
    DeleteFontHandle(edged);
    DeleteFontHandle(smooth);
}

TEST_F(PublicText32, TintedEdgedAndBlendedText) { CheckTintedEdgedAndBlended(false); }
TEST_F(PublicText16, TintedEdgedAndBlendedText) { CheckTintedEdgedAndBlended(true); }

// Formatted text longer than its buffer is cut, never written past it.
TEST_F(PublicText32, FormattedTextIsCutToItsBuffer) {
    const std::string long_text(5000, 'W');
    EXPECT_EQ(ApiDrawTextFormatted(0, 0, ApiMakeColorValue(255, 255, 255), "%s", long_text.c_str()), 0);
    EXPECT_NE(font_test::BackPixelAt(5, 8) | font_test::BackPixelAt(6, 8) | font_test::BackPixelAt(7, 8) | font_test::BackPixelAt(8, 8), 0u);
}

}  // namespace
