// The scaled blit: which source pixel each destination pixel shows (mirrors, halving,
// enlarging, clipping), the hand-over to the unscaled blit, the refusals, the documented
// pixel values of every mode on both kinds, and the property that every kernel equals the
// plain reference on random images, rectangles, mirrors and clips, leaving everything
// outside the clipped rectangle untouched.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "blit_reference.h"
#include "engine/softrender/blit_stretch.h"
#include "engine/softrender/blit_unscaled.h"
#include "soft_fixtures.h"
#include "stretch_reference.h"

namespace {

// A 32-bit source whose pixel (x, y) holds x | y << 8, so the destination tells which
// source pixel it shows.
void Number(TestImage& src) {
    for (int y = 0; y < src->height; ++y)
        for (int x = 0; x < src->width; ++x) src.set(x, y, static_cast<std::uint32_t>(x | (y << 8)));
}
constexpr std::uint32_t kUntouched = 0xEEEEEEEEu;

std::uint32_t At(int sx, int sy) { return static_cast<std::uint32_t>(sx | (sy << 8)); }

TEST(Stretch, WhichSourcePixelEachDestinationPixelShows) {
    struct Case {
        const char* name;
        int w, h;
        RECT rect;
        RECT area;
        // Expected: destination (x, y) -> source (column, row), or untouched.
        std::uint32_t (*expect)(int x, int y);
    };
    const Case cases[] = {
        {"mirrored at the same size", 10, 5, {10, 0, 0, 5}, {0, 0, 40, 20},
         [](int x, int y) { return x < 10 && y < 5 ? At(9 - x, y) : kUntouched; }},
        {"halved", 8, 6, {0, 0, 4, 3}, {0, 0, 40, 20},
         [](int x, int y) { return x < 4 && y < 3 ? At(2 * x, 2 * y) : kUntouched; }},
        {"halved and clipped", 8, 6, {2, 2, 6, 5}, {3, 3, 40, 20},
         [](int x, int y) { return x >= 3 && x < 6 && y >= 3 && y < 5 ? At(2 * (x - 2), 2 * (y - 2)) : kUntouched; }},
        {"enlarged, mirrored both ways", 7, 5, {12, 9, 2, 1}, {0, 0, 40, 20},
         [](int x, int y) {
             if (x < 2 || x >= 12 || y < 1 || y >= 9) return kUntouched;
             // step 10 x 65536 / 7 = 93622 and 8 x 65536 / 5 = 104857
             return At(6 - static_cast<int>((x - 2) * 65536LL / 93622), 4 - static_cast<int>((y - 1) * 65536LL / 104857));
         }},
        {"enlarged, mirrored, clipped", 7, 5, {12, 9, 2, 1}, {5, 4, 9, 7},
         [](int x, int y) {
             if (x < 5 || x >= 9 || y < 4 || y >= 7) return kUntouched;
             return At(6 - static_cast<int>((x - 2) * 65536LL / 93622), 4 - static_cast<int>((y - 1) * 65536LL / 104857));
         }},
        {"wholly outside the draw area", 7, 5, {12, 9, 2, 1}, {20, 0, 40, 20}, [](int, int) { return kUntouched; }},
        {"no width", 7, 5, {3, 0, 3, 9}, {0, 0, 40, 20}, [](int, int) { return kUntouched; }},
        {"far corners", 7, 5, {-2147483647 - 1, 0, 2147483647, 3}, {0, 0, 40, 20},
         [](int x, int y) { return y < 3 ? At(static_cast<int>((x + 2147483648LL) * 65536 / (4294967295LL * 65536 / 7)), y * 5 / 3) : kUntouched; }},
        {"a source far larger than the rectangle", 70000, 1, {0, 0, 1, 1}, {0, 0, 40, 20},
         [](int, int) { return kUntouched; }},
    };
    for (const Case& c : cases) {
        for (int variant = 0; variant < 4; ++variant) {
            // Copy, keyed copy, mode 1 at 255 and a tinted copy all walk alike.
            TestImage src(c.w, c.h, kMemImgXrgb8888, 0, 0, 0, 0xFFFFFFFFu);
            Number(src);
            TestImage dst(40, 20, kMemImgXrgb8888);
            dst.fill(kUntouched);
            const int mode = variant == 2 ? 1 : 0;
            const std::uint32_t bright = variant == 3 ? 0xFEFFFF : 0xFFFFFF;
            DrawMemImgStretchWith(TestState(mode, 255, bright, c.area), dst.get(), src.get(), &c.rect, variant == 1,
                                  nullptr);
            for (int y = 0; y < 20; ++y) {
                for (int x = 0; x < 40; ++x) {
                    std::uint32_t want = c.expect(x, y);
                    if (variant == 3 && want != kUntouched) {
                        want = (kUntouched & 0xFF000000u) | (want & 0xFFFF) | (((want >> 16) & 0xFF) * 254 / 255) << 16;
                    }
                    ASSERT_EQ(dst.get(x, y), want) << c.name << " variant " << variant << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Stretch, TheSourcesOwnSizeUnmirroredIsTheUnscaledBlit) {
    std::mt19937 rng(3);
    for (int kind = 0; kind < 2; ++kind) {
        for (int transparent = 0; transparent < 2; ++transparent) {
            TestImage src(9, 6, kind, 0, 1, 0);
            src.randomise(rng);
            TestImage blend(9, 6, kMemImgChannel8);
            blend.randomise(rng);
            TestImage a(30, 20, kind), b(30, 20, kind);
            a.randomise(rng);
            std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 20);
            const SoftDrawState state = TestState(1, 100, 0xFFFFFF, {2, 3, 12, 10});
            const RECT rect{4, 5, 13, 11};
            DrawMemImgStretchWith(state, a.get(), src.get(), &rect, transparent, blend.get());
            DrawMemImgWith(state, b.get(), src.get(), 4, 5, transparent, blend.get());
            EXPECT_EQ(a.bytes_of_block(), b.bytes_of_block());
        }
    }
}

TEST(Stretch, RefusalsDrawNothing) {
    std::mt19937 rng(5);
    TestImage src32(4, 4, kMemImgXrgb8888), src16(4, 4, kMemImgRgb565), channel(4, 4, kMemImgChannel8);
    TestImage palette_dest(16, 16, kMemImgXrgb8888, 1), alpha_dest(16, 16, kMemImgXrgb8888, 0, 1);
    TestImage small_blend(3, 4, kMemImgChannel8), wrong_blend(4, 4, kMemImgRgb565);
    src32.randomise(rng);
    channel.randomise(rng);
    const RECT rect{0, 0, 8, 8};
    struct Case {
        const char* name;
        int mode, value;
        MEMIMG* dest;
        MEMIMG* src;
        MEMIMG* blend;
    };
    TestImage dest32(16, 16, kMemImgXrgb8888);
    TestImage channel_dest(16, 16, kMemImgChannel8);
    const Case cases[] = {
        {"mode 7", 7, 128, dest32.get(), src32.get(), nullptr},
        {"mode 12", 12, 128, dest32.get(), src32.get(), nullptr},
        {"mode 1 at 0", 1, 0, dest32.get(), src32.get(), nullptr},
        {"mode 2 at 0", 2, 0, dest32.get(), src32.get(), nullptr},
        {"mode 3 at 0", 3, 0, dest32.get(), src32.get(), nullptr},
        {"other kinds", 0, 255, dest32.get(), src16.get(), nullptr},
        {"one-channel source", 0, 255, channel_dest.get(), channel.get(), nullptr},
        {"palette destination", 0, 255, palette_dest.get(), src32.get(), nullptr},
        {"alpha destination", 0, 255, alpha_dest.get(), src32.get(), nullptr},
        {"blend image narrower than the source", 0, 255, dest32.get(), src32.get(), small_blend.get()},
        {"blend image of another kind", 0, 255, dest32.get(), src32.get(), wrong_blend.get()},
    };
    for (const Case& c : cases) {
        TestImage* images[] = {&dest32, &channel_dest, &palette_dest, &alpha_dest};
        for (TestImage* image : images) image->fill(0x5A5A5A5Au);
        const std::vector<std::uint8_t> before(c.dest->block->pixel_memory,
                                               c.dest->block->pixel_memory + c.dest->block->pitch * 16);
        DrawMemImgStretchWith(TestState(c.mode, c.value), c.dest, c.src, &rect, 0, c.blend);
        const std::vector<std::uint8_t> after(c.dest->block->pixel_memory,
                                              c.dest->block->pixel_memory + c.dest->block->pitch * 16);
        EXPECT_EQ(before, after) << c.name;
    }
}

// One source pixel drawn over two destination pixels (so the scaled path runs), with a
// blend image whose byte is the weight itself.
struct PixelCase {
    const char* name;
    int kind;
    int form;  // 0 palette (the source pixel is index 3), 1 direct, 2 direct with alpha
    std::uint32_t source, dest;
    int mode, value;
    std::uint32_t bright;  // 0x00RRGGBB
    int transparent;
    int weight;  // -1: no blend image
    bool mmx;
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
    TestImage dst(2, 1, c.kind);
    dst.fill(c.dest);
    SoftDrawState state = TestState(c.mode, c.value, c.bright, {0, 0, 2, 1}, c.mmx);
    state.weights = identity.data();
    const RECT rect{0, 0, 2, 1};
    DrawMemImgStretchWith(state, dst.get(), src.get(), &rect, c.transparent, c.weight < 0 ? nullptr : blend.get());
    EXPECT_EQ(dst.get(0, 0), dst.get(1, 0)) << c.name;
    return dst.get(0, 0);
}

TEST(Stretch, DocumentedPixelValues) {
    constexpr std::uint32_t W = 0xFFFFFF;
    const PixelCase cases[] = {
        // 32-bit (pixels 0xAARRGGBB, fourth byte first)
        {"copy, weight 255", 1, 1, 0x00FFFFFF, 0, 0, 0, W, 0, 255, true, 0, 0x00FEFEFE},
        {"alpha 128", 1, 1, 0x00FFFFFF, 0, 1, 128, W, 0, -1, true, 0, 0x007F7F7F},
        {"alpha 200, A 255, flag clear", 1, 2, 0xFFFFFFFF, 0, 1, 200, W, 0, -1, true, 0, 0x00C6C6C6},
        {"alpha 200, A 255, flag set", 1, 2, 0xFFFFFFFF, 0, 1, 200, W, 1, -1, true, 0, 0x00C7C7C7},
        {"add, blue carries into green", 1, 1, 0x000000C8, 0x00000064, 2, 255, W, 0, -1, true, 0, 0x000001FF},
        {"add, low bits", 1, 1, 0x00010100, 0x00010100, 2, 255, W, 0, -1, true, 0, 0x00010100},
        {"add, red carries into the fourth byte", 1, 1, 0x000A0A0A, 0x00FAFAFA, 2, 255, W, 0, -1, true, 0, 0x01FFFFFF},
        {"subtract, packed", 1, 1, 0x00000014, 0x090A0A0A, 3, 255, W, 0, -1, false, 0, 0x000B0A00},
        {"subtract, MMX", 1, 1, 0x03050514, 0x070A0A0A, 3, 255, W, 0, -1, true, 0, 0x04050500},
        {"subtract, MMX flag clear", 1, 1, 0x03050514, 0x070A0A0A, 3, 255, W, 0, -1, false, 0, 0x00070600},
        {"subtract, MMX, palette entry", 1, 0, 0x03050514, 0x070A0A0A, 3, 255, W, 0, -1, true, 0, 0x04050500},
        {"multiply", 1, 1, 0x00FFFFFF, 0x00FFFFFF, 4, 9, W, 0, -1, true, 0, 0x00FEFEFE},
        {"multiply, weight 0", 1, 1, 0x00FFFFFF, 0x00FFFFFF, 4, 9, W, 0, 0, true, 0, 0},
        {"inverted", 1, 1, 0, 0, 10, 255, W, 0, -1, true, 0, 0x00FEFEFE},
        {"inverted at 0", 1, 1, 0x123456, 0x44ABCDEF, 10, 0, W, 0, -1, true, 0, 0x44ABCDEF},
        {"multiply-alpha at 0", 1, 1, 0x123456, 0x44ABCDEF, 11, 0, W, 0, -1, true, 0, 0x44ABCDEF},
        {"alpha 0 skipped under the flag", 1, 2, 0x00123456, 0x44ABCDEF, 0, 0, W, 1, -1, true, 0x11111111,
         0x44ABCDEF},
        {"the key with alpha is drawn", 1, 2, 0x80123456, 0, 0, 0, W, 1, -1, true, 0x80123456, 0x00091A2B},
        {"palette index 7 is the key", 1, 0, 0x00123456, 0x44ABCDEF, 0, 0, W, 1, -1, true, 3, 0x44ABCDEF},
        {"a key above 255 matches no index", 1, 0, 0x00123456, 0x44ABCDEF, 0, 0, W, 1, -1, true, 0x103,
         0x00123456},
        {"the whole 32-bit key", 1, 1, 0x01123456, 0x44ABCDEF, 0, 0, W, 1, -1, true, 0x00123456, 0x01123456},
        // RGB565
        {"565 copy, weight 255", 0, 1, 0xFFFF, 0, 0, 0, W, 0, 255, true, 0, 0xF7DE},
        {"565 multiply", 0, 1, 0xFFFF, 0xFFFF, 4, 1, W, 0, -1, true, 0, 0xF7DE},
        {"565 multiply, weight 0", 0, 1, 0xFFFF, 0xFFFF, 4, 1, W, 0, 0, true, 0, 0},
        {"565 subtract black from black", 0, 1, 0, 0, 3, 1, W, 0, -1, true, 0, 0x0800},
        {"565 subtract black from white", 0, 1, 0, 0xFFFF, 3, 77, W, 0, -1, true, 0, 0xFFDF},
        {"565 add, blue saturates", 0, 1, 0x0001, 0x001F, 2, 255, W, 0, -1, true, 0, 0x003F},
        {"565 add, green saturates", 0, 1, 0x0040, 0x07C0, 2, 255, W, 0, -1, true, 0, 0x0FC0},
        {"565 alpha 128", 0, 1, 0xF800, 0, 1, 128, W, 0, -1, true, 0, 0x7800},
        {"565 alpha 128, weight 255", 0, 1, 0xF800, 0, 1, 128, W, 0, 255, true, 0, 0x7800},
        {"565 inverted white", 0, 1, 0xFFFF, 0x1234, 10, 255, W, 0, -1, true, 0, 0},
        {"565 add, alpha before bright", 0, 2, 0x008107E0, 0, 2, 255, 0xFF82FF, 0, -1, true, 0, 0x01E0},
        {"565 bright", 0, 1, 0xFFFF, 0, 0, 0, 0x80FF00, 0, -1, true, 0, 0x7FE0},
        {"565 multiply-alpha, fine green", 0, 2, 0x00FF04C0, 0x07E0, 11, 200, W, 0, -1, true, 0, 0x0560},
        {"565 multiply-alpha, tinted", 0, 2, 0x00FF04C0, 0x07E0, 11, 200, 0xFEFFFF, 0, -1, true, 0, 0x0540},
        {"565 the key with alpha is drawn", 0, 2, 0x00FF1234, 0, 0, 0, W, 1, -1, true, 0x1234, 0x1234},
        {"565 alpha 255 copied under the flag", 0, 2, 0x00FFFFFF, 0, 0, 0, W, 1, -1, true, 0, 0xFFFF},
        {"565 alpha 255 weighted without the flag", 0, 2, 0x00FFFFFF, 0, 0, 0, W, 0, -1, true, 0, 0xF7DE},
        {"565 alpha 0, mode 4", 0, 2, 0x0000FFFF, 0xFFFF, 4, 9, W, 0, -1, true, 0, 0},
        {"565 alpha 0, mode 3, white", 0, 2, 0x0000FFFF, 0xFFFF, 3, 9, W, 0, -1, true, 0, 0xFFDF},
        {"565 alpha 0, mode 3, black", 0, 2, 0x0000FFFF, 0, 3, 9, W, 0, -1, true, 0, 0x0800},
        {"565 alpha 0, mode 1", 0, 2, 0x0000FFFF, 0x1234, 1, 9, W, 0, -1, true, 0, 0x1234},
        {"565 palette key 3", 0, 0, 0x1234, 0x4321, 0, 0, W, 1, -1, true, 3, 0x4321},
        {"565 palette key 6", 0, 0, 0x1234, 0x4321, 0, 0, W, 1, -1, true, 6, 0x1234},
        {"565 subtract at 0", 0, 1, 0xFFFF, 0x4321, 3, 0, W, 0, -1, true, 0, 0x4321},
        {"565 a key above 0xFFFF matches nothing", 0, 1, 0x1234, 0x4321, 0, 0, W, 1, -1, true, 0x11234, 0x1234},
    };
    for (const PixelCase& c : cases) EXPECT_EQ(DrawOnePixel(c), c.want) << c.name;
}

// ---- Properties on random images ----

constexpr int kModes[] = {0, 1, 2, 3, 4, 10, 11};

TEST(StretchProperties, EveryKernelEqualsTheReference) {
    std::mt19937 rng(23);
    int changed = 0;
    for (int round = 0; round < 4000; ++round) {
        const int kind = static_cast<int>(rng() % 2);
        const int form = static_cast<int>(rng() % 3);
        const int transparent = static_cast<int>(rng() % 3);
        const int mode = kModes[rng() % 7];
        const int values[] = {0, 1, 127, 128, 200, 254, 255};
        const int value = values[rng() % 7];
        const std::uint32_t bright = rng() % 3 == 0 ? (rng() & 0xFFFFFF) : 0xFFFFFF;
        const bool blend = rng() % 3 == 0;
        const bool mmx = rng() % 2 == 0;
        EnsureBlendTables();
        BuildBlendGraphWeightTable(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256));
        const int w = 1 + static_cast<int>(rng() % 13), h = 1 + static_cast<int>(rng() % 7);
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
        TestImage a(30, 16, kind), b(30, 16, kind);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 16);
        const auto before = a.bytes_of_block();
        auto coordinate = [&](int range) { return static_cast<LONG>(rng() % range) - 6; };
        RECT rect{coordinate(40), coordinate(24), coordinate(40), coordinate(24)};
        if (rng() % 4 == 0) rect.right = rect.left + (rng() % 2 ? w : -w);
        if (rng() % 4 == 0) rect.bottom = rect.top + (rng() % 2 ? h : -h);
        const RECT area{static_cast<LONG>(rng() % 8), static_cast<LONG>(rng() % 6), static_cast<LONG>(20 + rng() % 12),
                        static_cast<LONG>(10 + rng() % 8)};
        const SoftDrawState state = TestState(mode, value, bright, area, mmx);
        const MEMIMG* bi = blend ? blend_image.get() : nullptr;
        DrawMemImgStretchWith(state, a.get(), src.get(), &rect, transparent, bi);
        ReferenceDrawMemImgStretch(state, b.get(), src.get(), &rect, transparent, bi);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block())
            << "kind " << kind << " form " << form << " trans " << transparent << " mode " << mode << " value "
            << value << " bright " << bright << " blend " << blend << " mmx " << mmx << " rect " << rect.left << ","
            << rect.top << "," << rect.right << "," << rect.bottom << " source " << w << "x" << h;
        changed += a.bytes_of_block() != before;
    }
    EXPECT_GT(changed, 1500);
}

TEST(StretchProperties, WholeCopiesAndBlendsByValueEqualTheReference) {
    // Sources 1, 2 or 3 times the rectangle's size, either way round, clipped or not, where
    // the columns step evenly and the whole copy reads them with a fixed step; and any
    // other size, where copies and blends by a value read them four at a time.
    std::mt19937 rng(31);
    for (int round = 0; round < 900; ++round) {
        const int kind = static_cast<int>(rng() % 2);
        const int ratio = 1 + static_cast<int>(rng() % 3);
        const int width = 1 + static_cast<int>(rng() % 12), height = 1 + static_cast<int>(rng() % 6);
        TestImage src(width * ratio, height * ratio, kind);
        src.randomise(rng);
        TestImage a(30, 16, kind), b(30, 16, kind);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 16);
        const LONG x = static_cast<LONG>(rng() % 20) - 4, y = static_cast<LONG>(rng() % 12) - 3;
        // Half the time any size, mostly larger: the columns repeat unevenly.
        const bool any = rng() % 2 == 0;
        RECT rect{x, y, x + (any ? 1 + static_cast<LONG>(rng() % 30) : width),
                  y + (any ? 1 + static_cast<LONG>(rng() % 14) : height)};
        if (rng() % 2) std::swap(rect.left, rect.right);
        if (rng() % 2) std::swap(rect.top, rect.bottom);
        const RECT area{static_cast<LONG>(rng() % 6), static_cast<LONG>(rng() % 4), static_cast<LONG>(18 + rng() % 12),
                        static_cast<LONG>(10 + rng() % 6)};
        // Copies (mode 0, mode 1 at 255) and the alpha blend by a value of 1 to 254.
        const int pick = static_cast<int>(rng() % 3);
        const SoftDrawState state =
            TestState(pick == 0 ? 0 : 1, pick == 2 ? 1 + static_cast<int>(rng() % 254) : 255, 0xFFFFFF, area);
        // Keyed half the time, the key one of the source's own pixels (or a key wider
        // than a pixel, which matches none).
        const int transparent = static_cast<int>(rng() % 2);
        src->block->transparent_color = rng() % 8 == 0 ? 0x10000u | src.get(0, 0) : src.get(0, 0);
        for (int i = 0; i < width * height; ++i) {
            if (rng() % 3 == 0) src.set(static_cast<int>(rng() % (width * ratio)), static_cast<int>(rng() % (height * ratio)), src.get(0, 0));
        }
        DrawMemImgStretchWith(state, a.get(), src.get(), &rect, transparent, nullptr);
        ReferenceDrawMemImgStretch(state, b.get(), src.get(), &rect, transparent, nullptr);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block()) << "kind " << kind << " ratio " << ratio;
    }
}

TEST(StretchProperties, DrawingAnImageOntoItselfFollowsTheRowOrder) {
    // Rows go top to bottom and pixels left to right, reading the source as it stands.
    std::mt19937 rng(29);
    for (int round = 0; round < 200; ++round) {
        TestImage a(20, 12, kMemImgXrgb8888), b(20, 12, kMemImgXrgb8888);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 12);
        MEMIMG view_a{}, view_b{};
        CreateMemImgView(&view_a, a.get(), 2, 1, 6, 5);
        CreateMemImgView(&view_b, b.get(), 2, 1, 6, 5);
        RECT rect{static_cast<LONG>(rng() % 8), static_cast<LONG>(rng() % 4), static_cast<LONG>(9 + rng() % 10),
                        static_cast<LONG>(6 + rng() % 6)};
        if (rect.right - rect.left == 6) ++rect.right;  // scaled, not the unscaled blit
        const SoftDrawState state = TestState(0, 255, 0xFFFFFF, {0, 0, 20, 12});
        DrawMemImgStretchWith(state, a.get(), &view_a, &rect, 0, nullptr);
        ReferenceDrawMemImgStretch(state, b.get(), &view_b, &rect, 0, nullptr);
        ReleaseMemImg(&view_a);
        ReleaseMemImg(&view_b);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block());
    }
}

}  // namespace
