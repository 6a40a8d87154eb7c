// Properties of the unscaled blit on random images: every table kernel equals the
// reference reading of the rules; the run-table path equals the plain path's general
// rules; a palette source equals the same colours given directly; a clipped draw equals
// the full draw cropped; nothing outside the clipped rectangle changes.
#include <gtest/gtest.h>

#include "blit_reference.h"
#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "engine/softrender/blit_unscaled.h"
#include "soft_fixtures.h"

namespace {

constexpr int kModes[] = {0, 1, 2, 3, 4, 10, 11};

struct Config {
    int kind, form, transparent, mode, value;
    std::uint32_t bright;
    bool blend;
    bool mmx;
};

std::string Describe(const Config& c) {
    return "kind " + std::to_string(c.kind) + " form " + std::to_string(c.form) + " trans " +
           std::to_string(c.transparent) + " mode " + std::to_string(c.mode) + " value " + std::to_string(c.value) +
           " bright " + std::to_string(c.bright) + " blend " + std::to_string(c.blend) + " mmx " +
           std::to_string(c.mmx);
}

// A source of the form (0 palette, 1 direct, 2 alpha) whose pixels often hit the key or
// the alpha extremes.
void FillSource(TestImage& src, int form, std::mt19937& rng) {
    src.randomise(rng);
    const int kind = src->block->kind;
    if (form == 0) {
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t e = kind == 0 ? (rng() & 0xFFFF) : (rng() & 0xFFFFFF);
            std::memcpy(src->block->palette + i * (kind == 0 ? 2 : 4), &e, kind == 0 ? 2 : 4);
        }
        src->block->palette_count = 256;
    }
    for (int y = 0; y < src->height; ++y) {
        for (int x = 0; x < src->width; ++x) {
            const unsigned pick = rng() % 4;
            if (form == 2) {
                std::uint8_t* p = src.at(x, y);
                p[kind == 0 ? 2 : 3] = pick == 0 ? 0 : pick == 1 ? 255 : p[kind == 0 ? 2 : 3];
            } else if (pick == 0) {
                src.set(x, y, src->block->transparent_color);
            }
        }
    }
}

void SetBlendWeights(std::mt19937& rng) {
    EnsureBlendTables();
    BuildBlendGraphWeightTable(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256));
}

Config RandomConfig(std::mt19937& rng) {
    Config c{};
    c.kind = static_cast<int>(rng() % 2);
    c.form = static_cast<int>(rng() % 3);
    c.transparent = static_cast<int>(rng() % 3);
    c.mode = kModes[rng() % 7];
    const int values[] = {0, 1, 127, 128, 129, 200, 254, 255};
    c.value = values[rng() % 8];
    c.bright = rng() % 3 == 0 ? (rng() & 0xFFFFFF) : 0xFFFFFF;
    c.blend = rng() % 3 == 0;
    c.mmx = rng() % 2 == 0;
    return c;
}

std::uint32_t KeyFor(const Config& c, std::mt19937& rng) {
    return c.form == 0 ? rng() % 256 : c.kind == 0 ? rng() & 0xFFFF : rng();
}

TEST(BlitProperties, EveryKernelEqualsTheReferenceOnRandomImages) {
    std::mt19937 rng(7);
    int changed = 0;
    for (int round = 0; round < 3000; ++round) {
        const Config c = RandomConfig(rng);
        SetBlendWeights(rng);
        const int w = 1 + static_cast<int>(rng() % 19), h = 1 + static_cast<int>(rng() % 5);
        TestImage src(w, h, c.kind, c.form == 0, c.form == 2, 1, KeyFor(c, rng));
        FillSource(src, c.form, rng);
        TestImage blend(w + 3, h + 1, kMemImgChannel8);
        blend.randomise(rng);
        TestImage a(24, 10, c.kind), b(24, 10, c.kind);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 10);
        const bool whole = rng() % 2 == 0;
        if (whole) {
            BuildTransparencyRunTable(src.get());
            src->block->run_table_valid = 1;
        }
        const int x = static_cast<int>(rng() % 30) - 8, y = static_cast<int>(rng() % 14) - 4;
        const SoftDrawState state = TestState(c.mode, c.value, c.bright, {2, 1, 22, 9}, c.mmx);
        const auto before = a.bytes_of_block();
        DrawMemImgWith(state, a.get(), src.get(), x, y, c.transparent, c.blend ? blend.get() : nullptr);
        ReferenceDrawMemImg(state, b.get(), src.get(), x, y, c.transparent, c.blend ? blend.get() : nullptr);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block()) << Describe(c) << " at " << x << "," << y << " size " << w
                                                          << "x" << h << " runs " << whole;
        changed += a.bytes_of_block() != before;
    }
    EXPECT_GT(changed, 1500);
}

TEST(BlitProperties, RunTablePathEqualsThePlainPathsGeneralRules) {
    // The plain path with the flag 2 never takes the run table; away from its fast forms
    // (value 128 and 255, the RGB565 mix table) both must agree pixel for pixel.
    std::mt19937 rng(11);
    int changed = 0;
    for (int round = 0; round < 1500; ++round) {
        Config c = RandomConfig(rng);
        const bool simple = c.bright == 0xFFFFFF && !c.blend && c.form != 2;
        if (simple && (c.mode == 1 || c.mode == 2 || c.mode == 3)) c.bright = 0xFEFFFF;
        SetBlendWeights(rng);
        const int w = 1 + static_cast<int>(rng() % 90), h = 1 + static_cast<int>(rng() % 4);
        TestImage src(w, h, c.kind, c.form == 0, c.form == 2, 1, KeyFor(c, rng));
        FillSource(src, c.form, rng);
        BuildTransparencyRunTable(src.get());
        src->block->run_table_valid = 1;
        TestImage blend(w, h, kMemImgChannel8);
        blend.randomise(rng);
        TestImage a(100, 6, c.kind), b(100, 6, c.kind);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 6);
        SetDrawState(c.mode, c.value, c.bright, {0, 0, 100, 6});
        const auto before = a.bytes_of_block();
        DrawMemImg(a.get(), src.get(), 3, 1, 1, c.blend ? blend.get() : nullptr);
        DrawMemImg(b.get(), src.get(), 3, 1, 2, c.blend ? blend.get() : nullptr);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block()) << Describe(c);
        changed += a.bytes_of_block() != before;
    }
    EXPECT_GT(changed, 900);
}

TEST(BlitProperties, PaletteSourceEqualsTheEquivalentDirectSource) {
    std::mt19937 rng(13);
    for (int round = 0; round < 1500; ++round) {
        Config c = RandomConfig(rng);
        c.form = 0;
        SetBlendWeights(rng);
        const int w = 1 + static_cast<int>(rng() % 20), h = 1 + static_cast<int>(rng() % 4);
        const std::uint32_t key_index = rng() % 256;
        TestImage pal(w, h, c.kind, 1, 0, 0, key_index);
        FillSource(pal, 0, rng);
        // Distinct entries, so that only the key index gives the key colour.
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t e = c.kind == 0 ? ((rng() & 0xFF00u) | static_cast<std::uint32_t>(i))
                                                : ((rng() & 0xFFFF00u) | static_cast<std::uint32_t>(i));
            std::memcpy(pal->block->palette + i * (c.kind == 0 ? 2 : 4), &e, c.kind == 0 ? 2 : 4);
        }
        std::uint32_t key_colour = 0;
        std::memcpy(&key_colour, pal->block->palette + key_index * (c.kind == 0 ? 2 : 4), c.kind == 0 ? 2 : 4);
        TestImage direct(w, h, c.kind, 0, 0, 0, key_colour);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                std::uint32_t e = 0;
                std::memcpy(&e, pal->block->palette + pal.get(x, y) * (c.kind == 0 ? 2 : 4), c.kind == 0 ? 2 : 4);
                direct.set(x, y, e);
            }
        }
        TestImage blend(w, h, kMemImgChannel8);
        blend.randomise(rng);
        TestImage a(30, 8, c.kind), b(30, 8, c.kind);
        a.randomise(rng);
        std::memcpy(b->block->pixel_memory, a->block->pixel_memory, static_cast<std::size_t>(a->block->pitch) * 8);
        const SoftDrawState state = TestState(c.mode, c.value, c.bright, {0, 0, 30, 8}, c.mmx);
        const int x = static_cast<int>(rng() % 20) - 5, y = static_cast<int>(rng() % 8) - 2;
        DrawMemImgWith(state, a.get(), pal.get(), x, y, c.transparent, c.blend ? blend.get() : nullptr);
        DrawMemImgWith(state, b.get(), direct.get(), x, y, c.transparent, c.blend ? blend.get() : nullptr);
        ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block()) << Describe(c);
    }
}

TEST(BlitProperties, ClippedDrawEqualsTheFullDrawCroppedAndTouchesNothingElse) {
    std::mt19937 rng(17);
    for (int round = 0; round < 1500; ++round) {
        Config c = RandomConfig(rng);
        c.transparent = c.transparent == 1 ? 2 : c.transparent;  // the run table needs an unclipped draw
        // The RGB565 value-255 add and subtract pair pixels from the first drawn one.
        if (c.kind == 0 && (c.mode == 2 || c.mode == 3) && c.value == 255) c.value = 254;
        SetBlendWeights(rng);
        const int w = 2 + static_cast<int>(rng() % 20), h = 2 + static_cast<int>(rng() % 8);
        TestImage src(w, h, c.kind, c.form == 0, c.form == 2, 0, KeyFor(c, rng));
        FillSource(src, c.form, rng);
        TestImage blend(w, h, kMemImgChannel8);
        blend.randomise(rng);
        TestImage full(40, 20, c.kind), clipped(40, 20, c.kind);
        full.randomise(rng);
        std::memcpy(clipped->block->pixel_memory, full->block->pixel_memory,
                    static_cast<std::size_t>(full->block->pitch) * 20);
        const auto before = full.bytes_of_block();
        const int x = 4 + static_cast<int>(rng() % 10), y = 2 + static_cast<int>(rng() % 6);
        const RECT area{static_cast<LONG>(x + rng() % 3), static_cast<LONG>(y + rng() % 3),
                        static_cast<LONG>(x + w - rng() % 3), static_cast<LONG>(y + h - rng() % 3)};
        DrawMemImgWith(TestState(c.mode, c.value, c.bright, {0, 0, 40, 20}, c.mmx), full.get(), src.get(), x, y,
                       c.transparent, c.blend ? blend.get() : nullptr);
        DrawMemImgWith(TestState(c.mode, c.value, c.bright, area, c.mmx), clipped.get(), src.get(), x, y,
                       c.transparent, c.blend ? blend.get() : nullptr);
        const std::size_t pitch = static_cast<std::size_t>(full->block->pitch);
        const int bytes = full.bytes();
        const auto f = full.bytes_of_block(), g = clipped.bytes_of_block();
        for (std::size_t i = 0; i < g.size(); ++i) {
            const int row = static_cast<int>(i / pitch), col = static_cast<int>((i % pitch) / bytes);
            const bool inside = row >= area.top && row < area.bottom && col >= area.left && col < area.right &&
                                (i % pitch) < static_cast<std::size_t>(40 * bytes);
            ASSERT_EQ(g[i], inside ? f[i] : before[i]) << Describe(c) << " byte " << i;
        }
    }
}

}  // namespace

namespace {

// The arithmetic fast forms against the reference at every blend value.
TEST(BlitProperties, FastFormsEqualTheReferenceAtEveryValue) {
    std::mt19937 rng(19);
    for (int kind = 0; kind < 2; ++kind) {
        TestImage src(256, 64, kind);
        src.randomise(rng);
        if (kind == 0) {
            for (int i = 0; i < 65536; ++i) src.set(i % 256, (i / 256) % 64, static_cast<std::uint32_t>(i));
        }
        for (const bool mmx : {true, false}) {
            for (int mode : {1, 2, 3}) {
                const int step = kind == 0 && mode == 1 ? 1 : 7;
                for (int value = 1; value < 256; value = value == 255 ? 256 : std::min(255, value + step)) {
                    TestImage a(256, 64, kind), b(256, 64, kind);
                    a.randomise(rng);
                    std::memcpy(b->block->pixel_memory, a->block->pixel_memory,
                                static_cast<std::size_t>(a->block->pitch) * 64);
                    const SoftDrawState state = TestState(mode, value, 0xFFFFFF, {0, 0, 256, 64}, mmx);
                    DrawMemImgWith(state, a.get(), src.get(), 0, 0, 0, nullptr);
                    ReferenceDrawMemImg(state, b.get(), src.get(), 0, 0, 0, nullptr);
                    ASSERT_EQ(a.bytes_of_block(), b.bytes_of_block())
                        << "kind " << kind << " mode " << mode << " value " << value << " mmx " << mmx;
                }
            }
        }
    }
}

}  // namespace
