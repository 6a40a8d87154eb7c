// The triangle rasteriser: the documented fill of the small golden triangle and of flat
// tops and bottoms, the refusals (collinear, one row, kinds, far vertices, small blend
// images, modes that draw nothing), texture bounds, negative coordinates keeping their
// rows, the documented pixel values of the solid and textured modes, and the property that
// every span kernel equals the plain reference on random triangles, clips and variants,
// with nothing written outside the clipped rectangle.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <utility>

#include "engine/softrender/draw_triangle.h"
#include "soft_fixtures.h"
#include "triangle_reference.h"

namespace {

constexpr std::uint32_t kBack = 0x11223344u;

// The pixels a solid triangle covers in a 16 x 12 32-bit image.
std::set<std::pair<int, int>> Covered(std::array<TriangleVertex, 3> v, RECT area = {0, 0, 16, 12}) {
    TestImage dst(16, 12, kMemImgXrgb8888);
    dst.fill(kBack);
    DrawMemImgTriangleWith(TestState(0, 255, 0xFFFFFF, area), dst.get(), nullptr, v.data(), 0, nullptr, 0x00ABCDEF);
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            if (dst.get(x, y) != kBack) out.insert({x, y});
    return out;
}
std::set<std::pair<int, int>> Spans(std::initializer_list<std::array<int, 3>> rows) {
    std::set<std::pair<int, int>> out;
    for (const auto& r : rows)
        for (int x = r[1]; x <= r[2]; ++x) out.insert({x, r[0]});
    return out;
}

TEST(Triangle, TheDocumentedFill) {
    // Rows 0 to 3 with 5, 4, 3 and 2 pixels from column 0; row 4 untouched.
    EXPECT_EQ(Covered({{{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}}}), Spans({{0, 0, 4}, {1, 0, 3}, {2, 0, 2}, {3, 0, 1}}));
    // Flat bottom: the left edge moves half a pixel left per row, the right one right.
    EXPECT_EQ(Covered({{{2, 0, 0, 0}, {0, 4, 0, 0}, {4, 4, 0, 0}}}), Spans({{0, 2, 2}, {1, 2, 3}, {2, 1, 3}, {3, 1, 4}}));
    // Bent on the left at the middle vertex, and on the right (one unit right of it).
    EXPECT_EQ(Covered({{{3, 0, 0, 0}, {0, 2, 0, 0}, {5, 4, 0, 0}}}),
              Spans({{0, 3, 3}, {1, 2, 4}, {2, 0, 4}, {3, 3, 5}}));
    EXPECT_EQ(Covered({{{2, 0, 0, 0}, {6, 2, 0, 0}, {0, 4, 0, 0}}}),
              Spans({{0, 2, 2}, {1, 2, 4}, {2, 1, 6}, {3, 1, 3}}));
    // Clipped to the draw area, right and bottom exclusive.
    EXPECT_EQ(Covered({{{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}}}, {1, 1, 3, 3}), Spans({{1, 1, 2}, {2, 1, 2}}));
}

TEST(Triangle, NegativeCoordinatesKeepTheirRowsAndColumns) {
    // The same triangle moved by whole pixels covers the same pixels moved, whichever side
    // of row and column 0 it lies on.
    std::mt19937 rng(41);
    for (int round = 0; round < 300; ++round) {
        std::array<TriangleVertex, 3> v{};
        for (auto& p : v) p = {static_cast<int>(rng() % 13) - 6, static_cast<int>(rng() % 11) - 5, 0, 0};
        std::array<TriangleVertex, 3> moved = v;
        for (auto& p : moved) p.x += 8, p.y += 6;
        const auto near = Covered(v), far = Covered(moved);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (x < 8 || y < 6) continue;
                ASSERT_EQ(far.count({x, y}), near.count({x - 8, y - 6})) << round << " at " << x << "," << y;
            }
        }
    }
}

TEST(Triangle, RefusalsDrawNothing) {
    TestImage src(4, 4, kMemImgXrgb8888), src16(4, 4, kMemImgRgb565);
    TestImage small_blend(3, 4, kMemImgChannel8), low_blend(4, 3, kMemImgChannel8), wide_blend(2, 4, kMemImgRgb565);
    TestImage palette_dest(16, 12, kMemImgXrgb8888, 1), alpha_dest(16, 12, kMemImgXrgb8888, 0, 1);
    src.fill(0x00FF0000);
    const std::array<TriangleVertex, 3> good{{{0, 0, 0, 0}, {9, 0, 4, 0}, {0, 9, 0, 4}}};
    struct Case {
        const char* name;
        std::array<TriangleVertex, 3> v;
        int mode, value;
        MEMIMG* src;
        MEMIMG* blend;
        bool other_dest;
    };
    const Case cases[] = {
        {"collinear", {{{0, 0, 0, 0}, {3, 3, 0, 0}, {6, 6, 0, 0}}}, 0, 255, nullptr, nullptr, false},
        {"one row", {{{0, 2, 0, 0}, {3, 2, 0, 0}, {9, 2, 0, 0}}}, 0, 255, nullptr, nullptr, false},
        {"vertex beyond 8191", {{{0, 0, 0, 0}, {8192, 0, 4, 0}, {0, 9, 0, 4}}}, 0, 255, src.get(), nullptr, false},
        {"vertices 8192 apart", {{{-4000, 0, 0, 0}, {4192, 0, 4, 0}, {0, 9, 0, 4}}}, 0, 255, nullptr, nullptr, false},
        {"vertices 8192 apart, other order", {{{4192, 0, 0, 0}, {-4000, 0, 4, 0}, {0, 9, 0, 4}}}, 0, 255, nullptr,
         nullptr, false},
        {"texture corners 8192 apart", {{{0, 0, -4096, 0}, {9, 0, 4096, 0}, {0, 9, 0, 4}}}, 0, 255, src.get(), nullptr,
         false},
        {"far off", {{{0, 0, 0, 0}, {2147483647, 0, 4, 0}, {0, 9, 0, 4}}}, 0, 255, src.get(), nullptr, false},
        {"mode 7", good, 7, 128, src.get(), nullptr, false},
        {"mode 5, solid", good, 5, 128, nullptr, nullptr, false},
        {"mode 1 at 0", good, 1, 0, src.get(), nullptr, false},
        {"mode 2 at 0", good, 2, 0, nullptr, nullptr, false},
        {"mode 3 at 0, palette or not", good, 3, 0, src.get(), nullptr, false},
        {"source of another kind", good, 0, 255, src16.get(), nullptr, false},
        {"blend image narrower than the source", good, 0, 255, src.get(), small_blend.get(), false},
        {"blend image shorter than the source", good, 0, 255, src.get(), low_blend.get(), false},
        {"palette or alpha destination", good, 0, 255, src.get(), nullptr, true},
    };
    for (const Case& c : cases) {
        TestImage dst(16, 12, kMemImgXrgb8888);
        dst.fill(kBack);
        const auto before = dst.bytes_of_block();
        if (!c.other_dest) {
            DrawMemImgTriangleWith(TestState(c.mode, c.value), dst.get(), c.src, c.v.data(), 0, c.blend, 0x123456);
            EXPECT_EQ(dst.bytes_of_block(), before) << c.name;
        } else {
            for (TestImage* d : {&palette_dest, &alpha_dest}) {
                d->fill(kBack);
                const auto b = d->bytes_of_block();
                DrawMemImgTriangleWith(TestState(0, 255), d->get(), c.src, c.v.data(), 0, nullptr, 0x123456);
                DrawMemImgTriangleWith(TestState(0, 255), d->get(), nullptr, c.v.data(), 0, nullptr, 0x123456);
                EXPECT_EQ(d->bytes_of_block(), b) << c.name;
            }
        }
    }
    // A blend image as wide in bytes as the source is enough, whatever its kind.
    TestImage dst(16, 12, kMemImgXrgb8888);
    dst.fill(kBack);
    DrawMemImgTriangleWith(TestState(0, 255), dst.get(), src.get(), good.data(), 0, wide_blend.get(), 0);
    EXPECT_NE(dst.bytes_of_block(), TestImage(16, 12, kMemImgXrgb8888).bytes_of_block());
}

TEST(Triangle, OnlyTexelsInsideTheSourceAreDrawn) {
    // u runs -10..10 over a 10-texel-wide source: the left half of the quad is untouched.
    TestImage src(10, 4, kMemImgXrgb8888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) src.set(x, y, static_cast<std::uint32_t>(0x00010000 * x + y + 1));
    TestImage dst(24, 8, kMemImgXrgb8888);
    dst.fill(kBack);
    const TriangleVertex a{0, 0, -10, 0}, b{20, 0, 10, 0}, c{0, 4, -10, 4}, d{20, 4, 10, 4};
    const TriangleVertex first[3] = {a, b, c}, second[3] = {b, c, d};
    const SoftDrawState state = TestState(0, 255);
    DrawMemImgTriangleWith(state, dst.get(), src.get(), first, 0, nullptr, 0);
    DrawMemImgTriangleWith(state, dst.get(), src.get(), second, 0, nullptr, 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 24; ++x) {
            const std::uint32_t want =
                y < 4 && x >= 10 && x < 20 ? static_cast<std::uint32_t>(0x00010000 * (x - 10) + y + 1) : kBack;
            ASSERT_EQ(dst.get(x, y), want) << x << "," << y;
        }
    }
}

// A triangle whose texture is one texel, covering destination pixel (1, 1) of a 4 x 4
// image filled with `dest`; the blend image's byte is the weight itself.
struct PixelCase {
    const char* name;
    int kind;
    int form;  // -1 solid, 0 palette (index 3), 1 direct, 2 direct with alpha
    std::uint32_t source, dest;
    int mode, value;
    std::uint32_t bright;  // 0x00RRGGBB
    int transparent;
    int weight;  // -1: no blend image
    std::uint32_t key;
    std::uint32_t want;
};

std::uint32_t DrawOnePixel(const PixelCase& c) {
    static std::array<std::uint8_t, 256> identity = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i);
        return t;
    }();
    TestImage src(1, 1, c.kind, c.form == 0, c.form == 2, 0, c.key);
    if (c.form == 0) {
        std::memcpy(src->block->palette + 3 * (c.kind == 0 ? 2 : 4), &c.source, c.kind == 0 ? 2 : 4);
        src.set(0, 0, 3);
    } else {
        src.set(0, 0, c.source);
    }
    TestImage blend(1, 1, kMemImgChannel8);
    blend.set(0, 0, static_cast<std::uint32_t>(c.weight < 0 ? 0 : c.weight));
    TestImage dst(4, 4, c.kind);
    dst.fill(c.dest);
    SoftDrawState state = TestState(c.mode, c.value, c.bright, {0, 0, 4, 4});
    state.weights = identity.data();
    const TriangleVertex v[3] = {{0, 0, 0, 0}, {3, 0, 0, 0}, {0, 3, 0, 0}};
    DrawMemImgTriangleWith(state, dst.get(), c.form < 0 ? nullptr : src.get(), v, c.transparent,
                           c.weight < 0 ? nullptr : blend.get(), c.source);
    return dst.get(1, 1);
}

TEST(Triangle, DocumentedPixelValues) {
    constexpr std::uint32_t W = 0xFFFFFF;
    const PixelCase cases[] = {
        // Solid (pixels 0xAARRGGBB)
        {"solid copy writes the fourth byte", 1, -1, 0x7F123456, 0, 0, 0, W, 0, -1, 0, 0x7F123456},
        {"solid alpha 255", 1, -1, 0x00123456, 0x00FFFFFF, 1, 255, W, 0, -1, 0, 0x00123456},
        {"solid add", 1, -1, 0x00201010, 0x00F01000, 2, 255, W, 0, -1, 0, 0x01FF2010},
        {"solid subtract", 1, -1, 0x00201010, 0x00102030, 3, 255, W, 0, -1, 0, 0x00001120},
        {"solid subtract, green borrows", 1, -1, 0x00203010, 0x00102030, 3, 255, W, 0, -1, 0, 0x00000020},
        {"solid multiply white", 1, -1, 0x00FFFFFF, 0x00806040, 4, 9, W, 0, -1, 0, 0x007F5F3F},
        {"solid inverted black", 1, -1, 0, 0x00FF1020, 10, 255, W, 0, -1, 0, 0x00FFFEFE},
        {"solid 565 add", 0, -1, 0x0821, 0xF800, 2, 255, W, 0, -1, 0, 0xF821},
        {"solid 565 bright", 0, -1, 0xFFFF, 0, 0, 0, 0x808080, 0, -1, 0, 0x7BEF},
        {"solid 565, bits above the pixel", 0, -1, 0xFFFF0000u, 0x1234, 0, 0, 0x808080, 0, -1, 0, 0},
        // Textured copy
        {"copy with white bright writes the texel whole", 1, 2, 0xFF123456, 0x44000000, 0, 0, W, 1, -1, 0, 0xFF123456},
        {"alpha 255 without the flag is mixed", 1, 2, 0xFFFFFFFF, 0, 0, 0, W, 0, -1, 0, 0x00FEFEFE},
        {"bright 128 keeps the fourth byte", 1, 1, 0x00FF8040, 0x77000000, 0, 0, 0x808080, 0, -1, 0, 0x77804020},
        {"weight 0 leaves the pixel", 1, 1, 0x00FF8040, 0x00123456, 0, 0, W, 0, 0, 0, 0x00123456},
        {"weight 255", 1, 1, 0x00FFFFFF, 0, 0, 0, W, 0, 255, 0, 0x00FEFEFE},
        {"palette key", 1, 0, 0x00FF8040, 0x00123456, 0, 0, W, 1, -1, 3, 0x00123456},
        {"palette key above 255", 1, 0, 0x00FF8040, 0x00123456, 0, 0, W, 1, -1, 0x103, 0x00FF8040},
        {"key in all 32 bits", 1, 1, 0x01FF8040, 0x00123456, 0, 0, W, 1, -1, 0x00FF8040, 0x01FF8040},
        {"565 key above 0xFFFF", 0, 1, 0x1234, 0x4321, 0, 0, W, 1, -1, 0x11234, 0x1234},
        // Alpha blend
        {"alpha 128", 1, 1, 0x00FFFFFF, 0, 1, 128, W, 0, -1, 0, 0x007F7F7F},
        {"alpha 254 to white", 1, 1, 0x00FFFFFF, 0, 1, 254, W, 0, -1, 0, 0x00FDFDFD},
        {"alpha 254 to black", 1, 1, 0, 0x00FFFFFF, 1, 254, W, 0, -1, 0, 0x00010101},
        {"565 alpha 128, red down", 0, 1, 0x0000, 0xF800, 1, 128, W, 0, -1, 0, 0x8000},
        {"565 alpha 128, red up", 0, 1, 0xF800, 0x0000, 1, 128, W, 0, -1, 0, 0x7800},
        {"565 alpha 254, green", 0, 1, 0x07E0, 0x0000, 1, 254, W, 0, -1, 0, 0x07C0},
        {"alpha 254, A 255, flag on", 1, 2, 0xFFFFFFFF, 0, 1, 254, W, 1, -1, 0, 0x00FDFDFD},
        {"alpha 254, A 255, flag off", 1, 2, 0xFFFFFFFF, 0, 1, 254, W, 0, -1, 0, 0x00FCFCFC},
        {"alpha 128, A 128", 1, 2, 0x80FFFFFF, 0, 1, 128, W, 0, -1, 0, 0x003F3F3F},
        {"alpha, weighted alpha", 1, 2, 0xFEFFFFFF, 0, 1, 254, W, 0, 255, 0, 0x00FAFAFA},
        {"alpha, black bright", 1, 1, 0x00FFFFFF, 0x00FFFFFF, 1, 128, 0, 0, -1, 0, 0x007F7F7F},
        // Add
        {"add 128", 1, 1, 0x000000FF, 0, 2, 128, W, 0, -1, 0, 0x00000080},
        {"add 1", 1, 1, 0x0000FEFF, 0, 2, 1, W, 0, -1, 0, 0x00000001},
        {"add, red overflows into the fourth byte", 1, 1, 0x00C80000, 0x00640000, 2, 255, W, 0, -1, 0, 0x01FF0000},
        {"add, low bits of green", 1, 1, 0x00003300, 0x00006500, 2, 255, W, 0, -1, 0, 0x00009700},
        {"add, weight 255", 1, 1, 0x000000FF, 0, 2, 255, W, 0, 255, 0, 0x000000FD},
        {"add, weight 255 and A 255 without the flag", 1, 2, 0xFF0000FF, 0, 2, 255, W, 0, 255, 0, 0x000000FC},
        {"add, A 255 under the flag", 1, 2, 0xFF0000FF, 0, 2, 255, W, 1, -1, 0, 0x000000FF},
        {"565 add, red saturates", 0, 1, 0xA000, 0xA000, 2, 255, W, 0, -1, 0, 0xF800},
        {"565 add, green 62 + 2", 0, 1, 0x0040, 0x07C0, 2, 255, W, 0, -1, 0, 0x0FC0},
        {"565 add, weight 255", 0, 1, 0xF800, 0, 2, 255, W, 0, 255, 0, 0xF000},
        {"565 add, alpha before bright", 0, 2, 0x00AB1800, 0, 2, 255, 0x80FFFF, 0, -1, 0, 0x0800},
        // Subtract
        {"subtract white from grey", 1, 1, 0x00FFFFFF, 0x00808080, 3, 255, W, 0, -1, 0, 0},
        {"subtract white from white", 1, 1, 0x00FFFFFF, 0x00FFFFFF, 3, 255, W, 0, -1, 0, 0x00010100},
        {"subtract blue leaves red 1", 1, 1, 0x00000064, 0x00000032, 3, 255, W, 0, -1, 0, 0x00010000},
        {"565 subtract white", 0, 1, 0xFFFF, 0x8410, 3, 255, W, 0, -1, 0, 0},
        {"565 subtract white from white", 0, 1, 0xFFFF, 0xFFFF, 3, 255, W, 0, -1, 0, 0x0800},
        {"palette subtract at 0 draws nothing", 1, 0, 0x00FFFFFF, 0xFF804020, 3, 0, W, 0, -1, 0, 0xFF804020},
        // Multiply
        {"multiply white", 1, 1, 0x00FFFFFF, 0x00FF0100, 4, 0, W, 0, -1, 0, 0x00FE0000},
        {"multiply, weight 0", 1, 1, 0x00FFFFFF, 0x00FFFFFF, 4, 0, W, 0, 0, 0, 0},
        {"multiply, A 0 under the flag is skipped", 1, 2, 0x00FFFFFF, 0x00FFFFFF, 4, 0, W, 1, -1, 0, 0x00FFFFFF},
        {"multiply, A 0 without the flag is black", 1, 2, 0x00FFFFFF, 0x00FFFFFF, 4, 0, W, 0, -1, 0, 0},
        {"multiply, A 255 under the flag", 1, 2, 0xFFFFFFFF, 0x00FFFFFF, 4, 0, W, 1, -1, 0, 0x00FEFEFE},
        {"multiply, A 255 without the flag", 1, 2, 0xFFFFFFFF, 0x00FFFFFF, 4, 0, W, 0, -1, 0, 0x00FDFDFD},
        {"565 multiply, A 255 without the flag", 0, 2, 0x00FFF800, 0xF800, 4, 0, W, 0, -1, 0, 0xE800},
        // Inverted source
        {"inverted, black over black", 1, 1, 0, 0, 10, 255, W, 0, -1, 0, 0x00FEFEFE},
        {"inverted, white over white", 1, 1, 0x00FFFFFF, 0x00FFFFFF, 10, 255, W, 0, -1, 0, 0},
        {"inverted at 0", 1, 1, 0, 0x44123456, 10, 0, W, 0, -1, 0, 0x44123456},
        {"565 inverted 128", 0, 1, 0xF800, 0xF800, 10, 128, W, 0, -1, 0, 0x83EF},
        {"inverted, A 255 without the flag", 1, 2, 0xFF000000, 0, 10, 255, W, 0, -1, 0, 0x00FDFDFD},
        // Multiply-blend
        {"multiply-blend 255", 1, 1, 0x00FFFFFF, 0x00808080, 11, 255, W, 0, -1, 0, 0x007F7F7F},
        {"multiply-blend rounding", 1, 1, 0x00808080, 0x00C8C8C8, 11, 128, W, 0, -1, 0, 0x00969696},
        {"565 multiply-blend rounding", 0, 1, 0x8000, 0xA000, 11, 100, W, 0, -1, 0, 0x8800},
        {"multiply-blend, weight 255", 1, 1, 0, 0x00FFFFFF, 11, 255, W, 0, 255, 0, 0x00010101},
        {"multiply-blend, A 255 under the flag", 1, 2, 0xFF000000, 0x00FFFFFF, 11, 255, W, 1, -1, 0, 0},
        {"multiply-blend, A 255 without the flag", 1, 2, 0xFF000000, 0x00FFFFFF, 11, 255, W, 0, -1, 0, 0x00010101},
        {"565 multiply-blend, fine green", 0, 2, 0x00FF0020, 0x07E0, 11, 255, W, 0, -1, 0, 0x0020},
    };
    for (const PixelCase& c : cases) EXPECT_EQ(DrawOnePixel(c), c.want) << c.name;
}

TEST(Triangle, ModeOneAt255IsACopyAndMultiplyIgnoresTheValue) {
    std::mt19937 rng(53);
    for (int round = 0; round < 200; ++round) {
        const int kind = static_cast<int>(rng() % 2);
        TestImage src(9, 7, kind, 0, static_cast<int>(rng() % 2));
        src.randomise(rng);
        TestImage a(24, 16, kind), b(24, 16, kind);
        a.randomise(rng);
        TriangleVertex v[3];
        for (auto& p : v) {
            p = {static_cast<int>(rng() % 30) - 3, static_cast<int>(rng() % 20) - 2, static_cast<int>(rng() % 11) - 1,
                 static_cast<int>(rng() % 9) - 1};
        }
        const int transparent = static_cast<int>(rng() % 2);
        const int pairs[2][2][2] = {{{0, 255}, {1, 255}}, {{4, 0}, {4, 255}}};
        for (const auto& pair : pairs) {
            std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 16);
            TestImage c(24, 16, kind);
            std::memcpy(c->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 16);
            DrawMemImgTriangleWith(TestState(pair[0][0], pair[0][1]), b.get(), src.get(), v, transparent, nullptr, 0);
            DrawMemImgTriangleWith(TestState(pair[1][0], pair[1][1]), c.get(), src.get(), v, transparent, nullptr, 0);
            ASSERT_EQ(b.bytes_of_block(), c.bytes_of_block()) << "mode " << pair[0][0];
        }
    }
}

// ---- Properties on random triangles ----

constexpr int kModes[] = {0, 1, 2, 3, 4, 10, 11};

TEST(TriangleProperties, EveryKernelEqualsTheReference) {
    std::mt19937 rng(43);
    int changed = 0;
    for (int round = 0; round < 5000; ++round) {
        const int kind = static_cast<int>(rng() % 2);
        const int form = static_cast<int>(rng() % 4) - 1;  // -1 solid
        const int transparent = static_cast<int>(rng() % 3);
        const int mode = kModes[rng() % 7];
        const int values[] = {0, 1, 127, 128, 200, 254, 255};
        const int value = values[rng() % 7];
        const std::uint32_t bright = rng() % 3 == 0 ? (rng() & 0xFFFFFF) : 0xFFFFFF;
        const bool blend = form >= 0 && rng() % 3 == 0;
        EnsureBlendTables();
        BuildBlendGraphWeightTable(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256));
        const int w = 1 + static_cast<int>(rng() % 12), h = 1 + static_cast<int>(rng() % 9);
        const std::uint32_t key = form == 0 ? rng() % 256 : kind == 0 ? rng() & 0xFFFF : rng();
        TestImage src(w, h, kind, form == 0, form == 2, 0, key);
        src.randomise(rng);
        if (form == 0) {
            for (int i = 0; i < 256 * 4; ++i) src->block->palette[i] = static_cast<std::uint8_t>(rng());
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const unsigned pick = rng() % 4;
                if (form == 2) {
                    std::uint8_t* p = src.at(x, y);
                    if (pick < 2) p[kind == 0 ? 2 : 3] = pick == 0 ? 0 : 255;
                } else if (pick == 0) {
                    src.set(x, y, key);
                }
            }
        }
        TestImage blend_image(w + static_cast<int>(rng() % 2), h, kMemImgChannel8);
        blend_image.randomise(rng);
        TestImage a(32, 20, kind), b(32, 20, kind);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 20);
        const auto before = a.bytes_of_block();
        TriangleVertex v[3];
        const bool far = rng() % 10 == 0;
        for (auto& p : v) {
            p.x = far ? static_cast<int>(rng() % 600) - 300 : static_cast<int>(rng() % 48) - 8;
            p.y = far ? static_cast<int>(rng() % 400) - 200 : static_cast<int>(rng() % 32) - 6;
            p.u = static_cast<int>(rng() % (w + 6)) - 3;
            p.v = static_cast<int>(rng() % (h + 6)) - 3;
        }
        const RECT area{static_cast<LONG>(rng() % 8), static_cast<LONG>(rng() % 6), static_cast<LONG>(20 + rng() % 16),
                        static_cast<LONG>(12 + rng() % 10)};
        const SoftDrawState state = TestState(mode, value, bright, area, rng() % 2 == 0);
        const std::uint32_t colour = rng();
        const MEMIMG* s = form < 0 ? nullptr : src.get();
        const MEMIMG* bi = blend ? blend_image.get() : nullptr;
        DrawMemImgTriangleWith(state, a.get(), s, v, transparent, bi, colour);
        ReferenceDrawMemImgTriangle(state, b.get(), s, v, transparent, bi, colour);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block())
            << "kind " << kind << " form " << form << " trans " << transparent << " mode " << mode << " value "
            << value << " bright " << bright << " blend " << blend << " triangle " << v[0].x << "," << v[0].y << " "
            << v[1].x << "," << v[1].y << " " << v[2].x << "," << v[2].y;
        changed += a.bytes_of_block() != before;
    }
    EXPECT_GT(changed, 2000);
}

TEST(TriangleProperties, AClippedDrawEqualsTheWholeDrawCropped) {
    std::mt19937 rng(47);
    for (int round = 0; round < 800; ++round) {
        const int kind = static_cast<int>(rng() % 2);
        TestImage src(8, 8, kind);
        src.randomise(rng);
        TestImage full(32, 24, kind), clipped(32, 24, kind);
        full.randomise(rng);
        std::memcpy(clipped->block->pixel_memory, full->block->pixel_memory,
                    static_cast<std::size_t>(full->block->pitch) * 24);
        const auto before = full.bytes_of_block();
        TriangleVertex v[3];
        for (auto& p : v) {
            p = {static_cast<int>(rng() % 40) - 4, static_cast<int>(rng() % 30) - 3, static_cast<int>(rng() % 12) - 2,
                 static_cast<int>(rng() % 12) - 2};
        }
        const int mode = kModes[rng() % 7];
        const RECT area{static_cast<LONG>(rng() % 12), static_cast<LONG>(rng() % 10), static_cast<LONG>(14 + rng() % 18),
                        static_cast<LONG>(12 + rng() % 12)};
        DrawMemImgTriangleWith(TestState(mode, 200, 0xFFFFFF, {0, 0, 32, 24}), full.get(), src.get(), v, 0, nullptr, 0);
        DrawMemImgTriangleWith(TestState(mode, 200, 0xFFFFFF, area), clipped.get(), src.get(), v, 0, nullptr, 0);
        const std::size_t pitch = static_cast<std::size_t>(full->block->pitch);
        const int bytes = full.bytes();
        const auto f = full.bytes_of_block(), g = clipped.bytes_of_block();
        for (std::size_t i = 0; i < g.size(); ++i) {
            const int row = static_cast<int>(i / pitch), col = static_cast<int>((i % pitch) / bytes);
            const bool inside = row >= area.top && row < area.bottom && col >= area.left && col < area.right &&
                                (i % pitch) < static_cast<std::size_t>(32 * bytes);
            ASSERT_EQ(g[i], inside ? f[i] : before[i]) << "mode " << mode << " byte " << i;
        }
    }
}

}  // namespace
