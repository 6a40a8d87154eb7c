// The scaled blit's kernels: each combination of choices is its own loop over the shared
// per-pixel rule of pixel_blend.h, reading the source through the set-up's column table;
// the whole copy and the MMX form of the value-255 subtract sit beside them. One table,
// filled at compile time, chooses.
#include "engine/softrender/stretch_kernels.h"

#include <cstring>
#include <type_traits>
#include <utility>

#include "engine/softrender/kernel_grid.h"
#include "engine/softrender/pixel_blend.h"
#include "engine/softrender/pixel_rules.h"

namespace {

using namespace softpixel;

template <int K, int SF, int TR, int Mode, bool Blend, bool White>
void StretchGeneral(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t* blend,
                    const std::int32_t* columns, int count) {
    constexpr int sb = SourceBytes<K, SF>();
    constexpr int db = kDestBytes[K];
    for (int x = 0; x < count; ++x) {
        const std::int32_t column = columns[x];
        DrawSourcePixel<K, SF, TR, Mode, Blend, White>(c, dest + db * x, LoadRaw<K, SF>(src + sb * column),
                                                       Blend ? c.weights[blend[column]] : 0u);
    }
}

// Mode 0 (and 1 at 255) with a white bright colour and no blend image, for sources without
// alpha: the source colour stored whole; a key pixel keeps the destination.
template <int K, int SF, int TR, bool Batched = false>
void StretchCopy(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                 const std::int32_t* columns, int count) {
    using Pixel = std::conditional_t<K == 0, std::uint16_t, std::uint32_t>;
    constexpr int sb = SourceBytes<K, SF>();
    auto* out = reinterpret_cast<Pixel*>(dest);
    int x = 0;
    if constexpr (Batched) {
        // Another image's pixels, four at a time, every read before the writes: a written
        // pixel could be a column entry or a source pixel as far as the compiler knows,
        // which would hold up each read behind the write before it.
        // A key pixel writes the destination's own value back.
        static_assert(SF == kBlitSourceDirect);
        const auto* in = reinterpret_cast<const Pixel*>(src);
        for (; x + 4 <= count; x += 4) {
            const std::int32_t c0 = columns[x], c1 = columns[x + 1], c2 = columns[x + 2], c3 = columns[x + 3];
            Pixel p0 = in[c0], p1 = in[c1], p2 = in[c2], p3 = in[c3];
            if constexpr (TR == kBlitSkipTest && K == 1) {
                // Four 32-bit pixels side by side: one compare and one select.
                typedef std::uint32_t U32x4 __attribute__((vector_size(16)));
                const U32x4 picked = {p0, p1, p2, p3};
                U32x4 kept;
                std::memcpy(&kept, out + x, 16);
                const U32x4 keys = {c.key, c.key, c.key, c.key};
                const U32x4 is_key = picked == keys;  // all ones where the pixel is the key
                const U32x4 result = (kept & is_key) | (picked & ~is_key);
                std::memcpy(out + x, &result, 16);
                continue;
            }
            if constexpr (TR == kBlitSkipTest) {
                const Pixel key = static_cast<Pixel>(c.key);
                const bool wide = c.key > static_cast<Pixel>(~Pixel{0});  // a key wider than a pixel matches none
                const Pixel d0 = out[x], d1 = out[x + 1], d2 = out[x + 2], d3 = out[x + 3];
                p0 = p0 == key && !wide ? d0 : p0;
                p1 = p1 == key && !wide ? d1 : p1;
                p2 = p2 == key && !wide ? d2 : p2;
                p3 = p3 == key && !wide ? d3 : p3;
            }
            out[x] = p0;
            out[x + 1] = p1;
            out[x + 2] = p2;
            out[x + 3] = p3;
        }
    }
    if constexpr (SF == kBlitSourceDirect && TR == kBlitSkipTest) {
        // A key pixel writes the destination's own value back: no branch on the picture.
        for (; x < count; ++x) {
            const std::uint32_t raw = LoadRaw<K, SF>(src + sb * columns[x]);
            const Pixel kept = Load<Pixel>(reinterpret_cast<std::uint8_t*>(out + x));
            Store<Pixel>(reinterpret_cast<std::uint8_t*>(out + x), raw == c.key ? kept : static_cast<Pixel>(raw));
        }
        return;
    }
    for (; x < count; ++x) {
        const std::uint32_t raw = LoadRaw<K, SF>(src + sb * columns[x]);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        Store<Pixel>(reinterpret_cast<std::uint8_t*>(out + x), static_cast<Pixel>(Colour<K, SF>(c, raw)));
    }
}

// The whole copy of a direct source for columns stepping evenly: the source read with a
// fixed step, the usual ones (forward, backward, every other pixel) written out so that the
// compiler can vectorise them.
template <int K>
void StretchCopyEvenSteps(const BlitContext&, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                          const std::int32_t* columns, int count) {
    using Pixel = std::conditional_t<K == 0, std::uint16_t, std::uint32_t>;
    auto* out = reinterpret_cast<Pixel*>(dest);
    const auto* in = reinterpret_cast<const Pixel*>(src) + columns[0];
    const std::ptrdiff_t step = columns[1] - columns[0];
    // Pixel by pixel from the left even when forward: an image drawn onto itself reads
    // what the row has already written, as in every other kernel.
    if (step == 1) {
        for (int x = 0; x < count; ++x) out[x] = in[x];
    } else if (step == -1) {
        for (int x = 0; x < count; ++x) out[x] = in[-x];
    } else if (step == 2) {
        for (int x = 0; x < count; ++x) out[x] = in[2 * x];
    } else {
        for (int x = 0; x < count; ++x) out[x] = in[step * x];
    }
}

// Mode 1 at values 1 to 254 with a white bright colour and no blend image, for sources
// without alpha: 32-bit channels (d x (256 - v) + s x v) >> 8 with blue and red side by
// side in one word, the fourth byte kept; RGB565 fields d + T[v][s - d].
template <int K, int SF, int TR, bool Batched = false>
void StretchAlphaByValue(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                         const std::int32_t* columns, int count) {
    constexpr int sb = SourceBytes<K, SF>();
    const std::uint32_t v = c.value, rest = 256u - c.value;
    const std::int32_t* q = c.signed_row;
    int x = 0;
    if constexpr (Batched) {
        // Another image's 32-bit pixels, four at a time in 16-bit lanes: blue and red in
        // the low bytes, green and the fourth byte (weight 0, so it stays) in the high
        // ones; d x (256 - v) + s x v never exceeds 65280. Key pixels keep the destination.
        static_assert(K == 1 && SF == kBlitSourceDirect);
        typedef std::uint16_t U16x8 __attribute__((vector_size(16)));
        typedef std::uint32_t U32x4 __attribute__((vector_size(16)));
        const auto wv = static_cast<std::uint16_t>(v), wd = static_cast<std::uint16_t>(rest);
        const U16x8 w_low = {wv, wv, wv, wv, wv, wv, wv, wv};
        const U16x8 k_low = {wd, wd, wd, wd, wd, wd, wd, wd};
        const U16x8 w_high = {wv, 0, wv, 0, wv, 0, wv, 0};
        const U16x8 k_high = {wd, 256, wd, 256, wd, 256, wd, 256};
        const auto* in = reinterpret_cast<const std::uint32_t*>(src);
        for (; x + 4 <= count; x += 4) {
            const U32x4 picked = {in[columns[x]], in[columns[x + 1]], in[columns[x + 2]], in[columns[x + 3]]};
            U16x8 dv, sv;
            std::memcpy(&dv, dest + 4 * x, 16);
            std::memcpy(&sv, &picked, 16);
            const U16x8 low = ((dv & 0xFF) * k_low + (sv & 0xFF) * w_low) >> 8;
            const U16x8 high = ((dv >> 8) * k_high + (sv >> 8) * w_high) >> 8;
            U16x8 out = low | (high << 8);
            if constexpr (TR == kBlitSkipTest) {
                const U32x4 keys = {c.key, c.key, c.key, c.key};
                const U32x4 equal = picked == keys;
                U16x8 keep;
                std::memcpy(&keep, &equal, 16);
                out = (dv & keep) | (out & ~keep);
            }
            std::memcpy(dest + 4 * x, &out, 16);
        }
    }
    for (; x < count; ++x) {
        const std::uint32_t raw = LoadRaw<K, SF>(src + sb * columns[x]);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        const std::uint32_t s = Colour<K, SF>(c, raw);
        std::uint8_t* dp = dest + kDestBytes[K] * x;
        if constexpr (K == 1) {
            const std::uint32_t d = Load<std::uint32_t>(dp);
            const std::uint32_t rb = (((d & 0xFF00FFu) * rest + (s & 0xFF00FFu) * v) >> 8) & 0xFF00FFu;
            const std::uint32_t g = (((d & 0xFF00u) * rest + (s & 0xFF00u) * v) >> 8) & 0xFF00u;
            Store<std::uint32_t>(dp, (d & 0xFF000000u) | rb | g);
        } else {
            const std::int32_t d = Load<std::uint16_t>(dp);
            const std::int32_t db = d & 31, dg = (d >> 5) & 63, dr = d >> 11;
            const std::int32_t sbl = static_cast<std::int32_t>(s & 31), sg = static_cast<std::int32_t>((s >> 5) & 63),
                               sr = static_cast<std::int32_t>(s >> 11);
            Store<std::uint16_t>(dp, static_cast<std::uint16_t>(((dr + q[sr - dr]) << 11) | ((dg + q[sg - dg]) << 5) |
                                                                (db + q[sbl - db])));
        }
    }
}

// Mode 3 at value 255, white, no blend image, 32-bit sources without alpha, MMX flag set:
// each of the four bytes becomes max(0, d - s), the source's fourth byte included.
template <int K, int SF, int TR>
void StretchSubtractBytes(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                          const std::int32_t* columns, int count) {
    static_assert(K == 1);
    constexpr int sb = SourceBytes<K, SF>();
    for (int x = 0; x < count; ++x) {
        const std::uint32_t raw = LoadRaw<K, SF>(src + sb * columns[x]);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        std::uint8_t* d = dest + 4 * x;
        Store<std::uint32_t>(d, SaturatingSubtractBytes(Load<std::uint32_t>(d), Colour<K, SF>(c, raw)));
    }
}

struct Table {
    KernelGrid<StretchKernel> general;
    // [kind][source form (palette, direct)][test (none, skip)]
    StretchKernel copy[2][2][2];
    StretchKernel copy_batched[2][2];  // [kind][test (none, skip)]: direct sources, from another image
    StretchKernel subtract_bytes[2][2];  // 32-bit only: [source form][test]
    StretchKernel alpha_by_value[2][2][2];  // [kind][source form (palette, direct)][test (none, skip)]
    StretchKernel alpha_by_value_batched[2];  // 32-bit direct sources from another image: [test]
};

// The whole copies and value-255 forms of sources without alpha.
template <int K, int SF>
constexpr void FillPlainForm(Table& t) {
    t.copy[K][SF][0] = &StretchCopy<K, SF, kBlitNoTest>;
    t.copy[K][SF][1] = &StretchCopy<K, SF, kBlitSkipTest>;
    t.alpha_by_value[K][SF][0] = &StretchAlphaByValue<K, SF, kBlitNoTest>;
    t.alpha_by_value[K][SF][1] = &StretchAlphaByValue<K, SF, kBlitSkipTest>;
    if constexpr (K == 1 && SF == kBlitSourceDirect) {
        t.alpha_by_value_batched[0] = &StretchAlphaByValue<K, SF, kBlitNoTest, true>;
        t.alpha_by_value_batched[1] = &StretchAlphaByValue<K, SF, kBlitSkipTest, true>;
    }
    if constexpr (SF == kBlitSourceDirect) {
        t.copy_batched[K][0] = &StretchCopy<K, SF, kBlitNoTest, true>;
        t.copy_batched[K][1] = &StretchCopy<K, SF, kBlitSkipTest, true>;
    }
    if constexpr (K == 1) {
        t.subtract_bytes[SF][0] = &StretchSubtractBytes<K, SF, kBlitNoTest>;
        t.subtract_bytes[SF][1] = &StretchSubtractBytes<K, SF, kBlitSkipTest>;
    }
}
template <int K>
constexpr void FillPlainForms(Table& t) {
    FillPlainForm<K, kBlitSourcePalette>(t);
    FillPlainForm<K, kBlitSourceDirect>(t);
}
constexpr Table MakeTable() {
    Table t{};
    FillKernelGrid(t.general, []<int K, int SF, int TR, int Mode, bool Blend, bool White>() {
        return &StretchGeneral<K, SF, TR, Mode, Blend, White>;
    });
    FillPlainForms<0>(t);
    FillPlainForms<1>(t);
    return t;
}
constexpr Table kTable = MakeTable();

}  // namespace

StretchKernelPick SelectStretchKernel(const StretchChoice& choice) {
    if (choice.dest_kind < 0 || choice.dest_kind > 1 || choice.mode < 0 || choice.mode > 11) return {nullptr, false, nullptr};
    if (choice.source_form < 0 || choice.source_form > 2 || choice.test < 0 || choice.test > 2) return {nullptr, false, nullptr};
    int column = kGridModeColumn[choice.mode];
    if (column < 0) return {nullptr, false, nullptr};
    if (column >= 1 && column <= 3 && choice.value <= 0) return {nullptr, false, nullptr};
    if (column == 1 && choice.value >= 255) column = 0;  // mode 1 at 255 is mode 0
    const int k = choice.dest_kind;
    const int sf = choice.source_form;
    // Sources without alpha never weight by alpha; their tests are none or the key.
    const int test = sf != kBlitSourceAlpha && choice.test == kBlitAlphaWeight ? kBlitNoTest : choice.test;
    if (choice.white && !choice.blend_image && sf != kBlitSourceAlpha) {
        if (column == 0) {
            const bool pure = test == kBlitNoTest;
            const bool batched = sf == kBlitSourceDirect && !choice.same_image;
            return {batched ? kTable.copy_batched[k][test] : kTable.copy[k][sf][test], pure,
                    pure && sf == kBlitSourceDirect ? (k == 0 ? &StretchCopyEvenSteps<0> : &StretchCopyEvenSteps<1>)
                                                    : nullptr};
        }
        if (column == 1) {
            const bool batched = k == 1 && sf == kBlitSourceDirect && !choice.same_image;
            return {batched ? kTable.alpha_by_value_batched[test] : kTable.alpha_by_value[k][sf][test], false, nullptr};
        }
        if (column == 3 && choice.value >= 255 && k == 1 && choice.mmx) {
            return {kTable.subtract_bytes[sf][test], false, nullptr};
        }
    }
    return {kTable.general[k][sf][test][column][choice.blend_image ? 1 : 0][choice.white ? 1 : 0], false, nullptr};
}
