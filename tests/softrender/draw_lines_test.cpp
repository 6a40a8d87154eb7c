// Lines: the exact pixels of known cases (start drawn, end not, clipping at the
// draw area), huge coordinates, line lists and the targets lines leave alone.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/softrender/draw_lines.h"
#include "soft_fixtures.h"

namespace {

using Points = std::set<std::pair<int, int>>;

Points Drawn(TestImage& img) {
    Points p;
    for (int y = 0; y < img->height; ++y)
        for (int x = 0; x < img->width; ++x)
            if (img.get(x, y) != 0) p.insert({x, y});
    return p;
}

Points Span(int x0, int y0, int n, int sx, int sy) {
    Points p;
    for (int i = 0; i < n; ++i) p.insert({x0 + i * sx, y0 + i * sy});
    return p;
}

TEST(DrawLines, KnownLinesDrawExactlyThesePixels) {
    struct Case { int x1, y1, x2, y2; Points expected; } cases[] = {
        {0, 5, 4, 5, Span(0, 5, 4, 1, 0)},
        {4, 5, 0, 5, Span(4, 5, 4, -1, 0)},
        {0, 0, 3, 3, Span(0, 0, 3, 1, 1)},
        {0, 0, 4, 1, Span(0, 0, 4, 1, 0)},
        {0, 0, 1, 4, Span(0, 0, 4, 0, 1)},
        {7, 7, 7, 7, {}},
        {-10, 0, 10, 0, Span(0, 0, 10, 1, 0)},
        {630, 0, 650, 0, Span(630, 0, 10, 1, 0)},
        {5, -10, 5, 10, Span(5, 0, 10, 0, 1)},
        {-5, -5, 5, 5, Span(0, 0, 5, 1, 1)},
        {-5, 3, -1, 9, {}},
        {640, 3, 700, 9, {}},
        {3, -9, 9, -1, {}},
        {3, 480, 9, 500, {}},
    };
    for (const auto& c : cases) {
        TestImage img(640, 480, kMemImgRgb565);
        SetDrawState(0, 0);
        DrawMemImgLine(img.get(), c.x1, c.y1, c.x2, c.y2, 0xFFFF);
        EXPECT_EQ(Drawn(img), c.expected) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
}

TEST(DrawLines, DiagonalAcrossTheScreenDraws640PixelsEndingAtTheCorner) {
    TestImage img(640, 480, kMemImgXrgb8888);
    SetDrawState(0, 0);
    DrawMemImgLine(img.get(), 0, 0, 640, 480, 0x00FFFFFF);
    const Points p = Drawn(img);
    EXPECT_EQ(p.size(), 640u);
    EXPECT_TRUE(p.count({639, 479}));
    EXPECT_TRUE(p.count({0, 0}));
}

TEST(DrawLines, HugeCoordinatesAreClippedWithoutOverflow) {
    TestImage img(64, 48, kMemImgXrgb8888);
    SetDrawState(0, 0, 0xFFFFFF, {0, 0, 64, 48});
    DrawMemImgLine(img.get(), INT_MIN, 10, INT_MAX, 10, 0x00FFFFFF);
    EXPECT_EQ(Drawn(img), Span(0, 10, 64, 1, 0));
    TestImage img2(64, 48, kMemImgXrgb8888);
    DrawMemImgLine(img2.get(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0x00FFFFFF);
    DrawMemImgLine(img2.get(), 0, INT_MAX, 1, INT_MIN, 0x00FFFFFF);
    DrawMemImgLine(img2.get(), INT_MAX, 0, INT_MIN, 1, 0x00FFFFFF);
    for (const auto& [x, y] : Drawn(img2)) {
        EXPECT_GE(x, 0);
        EXPECT_LT(x, 64);
        EXPECT_GE(y, 0);
        EXPECT_LT(y, 48);
    }
}

TEST(DrawLines, ListsDrawInOrderAndOverlapsBlendTwice) {
    TestImage img(16, 4, kMemImgXrgb8888);
    SetDrawState(2, 255, 0xFFFFFF, {0, 0, 16, 4});
    const LineListItem items[] = {{0, 1, 4, 1, 0x00000010, 0xDEAD}, {2, 1, 6, 1, 0x00000010, 0}};
    DrawMemImgLines(img.get(), items, 0);
    DrawMemImgLines(img.get(), items, -3);
    EXPECT_TRUE(Drawn(img).empty());
    DrawMemImgLines(img.get(), items, 2);
    EXPECT_EQ(img.get(0, 1), 0x10u);
    EXPECT_EQ(img.get(2, 1), 0x20u);
    EXPECT_EQ(img.get(5, 1), 0x10u);
    EXPECT_EQ(img.get(6, 1), 0u);
}

TEST(DrawLines, BlendRulesAreTheFillsAndOtherTargetsAreRefused) {
    struct Case {
        const char* name;
        int mode, value;
        std::uint32_t dest, colour, expected;
    } cases[] = {
        {"add saturates, X carry", 2, 255, 0x00F01010, 0x00202020, 0x01FF3030},
        // (d x s) >> 8, not / 255.
        {"multiply FF x FF", 4, 0, 0x77FFFFFF, 0x00FFFFFF, 0x77FEFEFE},
        {"multiply FF x 80, 01", 4, 255, 0x00FF80FF, 0xAB80FF01, 0x007F7F00},
        {"multiply by value FF x FF at 255", 11, 255, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE},
        {"multiply by value FF x FF at 128", 11, 128, 0x33FFFFFF, 0x00FFFFFF, 0x33FEFEFE},
    };
    for (const auto& c : cases) {
        TestImage img(8, 1, kMemImgXrgb8888);
        img.fill(c.dest);
        SetDrawState(c.mode, c.value, 0xFFFFFF, {0, 0, 8, 1});
        DrawMemImgLine(img.get(), 0, 0, 2, 0, c.colour);
        EXPECT_EQ(img.get(0, 0), c.expected) << c.name;
        EXPECT_EQ(img.get(1, 0), c.expected) << c.name;
        EXPECT_EQ(img.get(2, 0), c.dest) << c.name;
    }
    SetDrawState(0, 0, 0xFFFFFF, {0, 0, 8, 8});
    struct Target { int kind, palette, alpha; } targets[] = {{2, 0, 0}, {3, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    for (const auto& t : targets) {
        TestImage other(8, 8, t.kind, t.palette, t.alpha);
        const auto before = other.bytes_of_block();
        DrawMemImgLine(other.get(), 0, 0, 7, 7, 0xFFFFFFFFu);
        EXPECT_EQ(other.bytes_of_block(), before) << t.kind << t.palette << t.alpha;
    }
}

// Images with alpha hold 4-byte pixels: the line steps by 4 bytes, the RGB565 rule works
// on the low two bytes and the 32-bit rules keep the alpha byte as they keep the fourth.
TEST(DrawLines, ImagesWithAlphaAreDrawnInto) {
    struct Case {
        const char* name;
        int kind, mode, value;
        std::uint32_t dest, colour, expected;
    } cases[] = {
        {"32 copy stores the whole colour", 1, 0, 0, 0x80101010, 0xAB102030, 0xAB102030},
        {"32 alpha by value keeps alpha", 1, 1, 128, 0x80101010, 0x00FFFFFF, 0x80878787},
        {"32 multiply keeps alpha", 1, 4, 0, 0x5AFFFFFF, 0x00FFFFFF, 0x5AFEFEFE},
        {"565 copy keeps alpha byte", 0, 0, 0, 0x00800000, 0xFFFF, 0x0080FFFF},
        {"565 add keeps alpha byte", 0, 2, 255, 0x00C0001F, 0x0001, 0x00C0003F},
    };
    for (const auto& c : cases) {
        TestImage img(6, 4, c.kind, 0, 1);
        ASSERT_EQ(img.bytes(), 4);
        img.fill(c.dest);
        SetDrawState(c.mode, c.value, 0xFFFFFF, {0, 0, 6, 4});
        DrawMemImgLine(img.get(), 0, 0, 3, 3, c.colour);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                EXPECT_EQ(img.get(x, y), x == y && x < 3 ? c.expected : c.dest) << c.name << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
