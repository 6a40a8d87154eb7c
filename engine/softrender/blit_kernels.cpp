// The unscaled blit's kernels. Each combination of choices becomes its own loop over the
// one per-pixel rule of pixel_blend.h in the kernel table; the plain path's fast forms
// (whole copies, half blend, mix table, the value-255 add and subtract, the 32-bit ones in
// their MMX and packed forms) sit in a second table. Relies on pixel_rules.h.
#include "engine/softrender/blit_kernels.h"

#include <cstring>
#include <type_traits>

#include "engine/softrender/pixel_blend.h"
#include "engine/softrender/pixel_rules.h"

namespace {

using namespace softpixel;

// Vector types of the compiler's vector extension (SSE2 on x86-64).
typedef std::uint8_t U8x8 __attribute__((vector_size(8)));
typedef std::uint16_t U16x8 __attribute__((vector_size(16)));
typedef std::uint32_t U32x4 __attribute__((vector_size(16)));

// The general loop: skip test, source colour, weights, the mode's rule.
template <int K, int SF, int TR, int Mode, bool Blend, bool White>
void GeneralKernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t* blend,
                   int count) {
    constexpr int sb = SourceBytes<K, SF>();
    constexpr int db = kDestBytes[K];
    for (int x = 0; x < count; ++x, dest += db, src += sb) {
        DrawSourcePixel<K, SF, TR, Mode, Blend, White>(c, dest, LoadRaw<K, SF>(src), Blend ? c.weights[blend[x]] : 0u);
    }
}

// ---- The plain path's fast forms (white bright colour, no blend image) ----

// Whole copy: mode 0 (and mode 1 at 255) of sources without alpha; alpha sources copied
// whole only with the transparent flag 0.
template <int K, int SF, int TR>
void CopyKernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*, int count) {
    constexpr int sb = SourceBytes<K, SF>();
    constexpr int db = kDestBytes[K];
    if constexpr (SF == kBlitSourceDirect && TR != kBlitSkipTest) {
        std::memmove(dest, src, static_cast<std::size_t>(count) * db);  // an image may be drawn onto itself
    } else if constexpr (SF == kBlitSourceDirect) {
        // Keyed copy as a select: a key pixel rewrites the destination's own value, so the
        // loop has no branch and vectorises.
        using Pixel = std::conditional_t<K == 0, std::uint16_t, std::uint32_t>;
        const Pixel key = static_cast<Pixel>(c.key);
        for (int x = 0; x < count; ++x) {
            const Pixel p = Load<Pixel>(src + sizeof(Pixel) * x);
            const Pixel q = Load<Pixel>(dest + sizeof(Pixel) * x);
            Store<Pixel>(dest + sizeof(Pixel) * x, p == key ? q : p);
        }
    } else {
        for (int x = 0; x < count; ++x, dest += db, src += sb) {
            const std::uint32_t raw = LoadRaw<K, SF>(src);
            if constexpr (TR == kBlitSkipTest && SF != kBlitSourceAlpha) {
                if (raw == c.key) continue;
            }
            const std::uint32_t colour = Colour<K, SF>(c, raw);
            if constexpr (K == 0) Store<std::uint16_t>(dest, static_cast<std::uint16_t>(colour));
            else Store<std::uint32_t>(dest, colour);
        }
    }
}

// Mode 1 at value 128: the half blend of the whole pixel.
template <int K, int SF, int TR>
void HalfKernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*, int count) {
    constexpr int sb = SourceBytes<K, SF>();
    constexpr int db = kDestBytes[K];
    for (int x = 0; x < count; ++x, dest += db, src += sb) {
        const std::uint32_t raw = LoadRaw<K, SF>(src);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        const std::uint32_t s = Colour<K, SF>(c, raw);
        if constexpr (K == 0) Store<std::uint16_t>(dest, static_cast<std::uint16_t>(HalfBlend565(Load<std::uint16_t>(dest), s)));
        else Store<std::uint32_t>(dest, HalfBlend32(Load<std::uint32_t>(dest), s));
    }
}

// Mode 1 on RGB565 at other values: each field (s x L + d x (63 - L)) / 63, the 64-level
// mix table's entry, computed as (n + 1 + (n >> 6)) >> 6, exact for every n up to 63 x 63.
// 16-bit arithmetic throughout; a key pixel keeps the destination's value, so direct
// sources run without branches.
inline std::uint16_t Mix565(std::uint16_t s, std::uint16_t d, std::uint16_t level, std::uint16_t rest) {
    auto div63 = [](std::uint16_t n) { return static_cast<std::uint16_t>((n + 1 + (n >> 6)) >> 6); };
    const std::uint16_t b = div63(static_cast<std::uint16_t>((s & 31) * level + (d & 31) * rest));
    const std::uint16_t g = div63(static_cast<std::uint16_t>(((s >> 5) & 63) * level + ((d >> 5) & 63) * rest));
    const std::uint16_t r = div63(static_cast<std::uint16_t>((s >> 11) * level + (d >> 11) * rest));
    return static_cast<std::uint16_t>(b | (g << 5) | (r << 11));
}

template <int K, int SF, int TR>
void MixTableKernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                    int count) {
    static_assert(K == 0);
    const auto level = static_cast<std::uint16_t>(c.value >> 2);
    const auto rest = static_cast<std::uint16_t>(63 - level);
    if constexpr (SF == kBlitSourceDirect) {
        const auto key = static_cast<std::uint16_t>(c.key);
        int x = 0;
        // Eight pixels per step, the same arithmetic in eight 16-bit lanes.
        for (; x + 8 <= count; x += 8) {
            U16x8 sv, dv;
            std::memcpy(&sv, src + 2 * x, 16);
            std::memcpy(&dv, dest + 2 * x, 16);
            auto div63 = [](U16x8 n) { return (n + 1 + (n >> 6)) >> 6; };
            const U16x8 b = div63((sv & 31) * level + (dv & 31) * rest);
            const U16x8 g = div63(((sv >> 5) & 63) * level + ((dv >> 5) & 63) * rest);
            const U16x8 r = div63((sv >> 11) * level + (dv >> 11) * rest);
            U16x8 m = b | (g << 5) | (r << 11);
            if constexpr (TR == kBlitSkipTest) m = (sv == key) ? dv : m;
            std::memcpy(dest + 2 * x, &m, 16);
        }
        for (; x < count; ++x) {
            const auto sp = Load<std::uint16_t>(src + 2 * x), dp = Load<std::uint16_t>(dest + 2 * x);
            Store<std::uint16_t>(dest + 2 * x, TR == kBlitSkipTest && sp == key ? dp : Mix565(sp, dp, level, rest));
        }
    } else {
        constexpr int sb = SourceBytes<K, SF>();
        for (int x = 0; x < count; ++x, dest += 2, src += sb) {
            const std::uint32_t raw = LoadRaw<K, SF>(src);
            if constexpr (TR == kBlitSkipTest) {
                if (raw == c.key) continue;
            }
            Store<std::uint16_t>(dest, Mix565(static_cast<std::uint16_t>(Colour<K, SF>(c, raw)),
                                              Load<std::uint16_t>(dest), level, rest));
        }
    }
}

// Mode 1 on 32-bit pixels without alpha, blend image or tint: mixing by v over 8 bits,
// d x (256 - v) + s x v, on blue and red in two 16-bit lanes and on green alone.
template <int K, int SF, int TR>
void Alpha32Kernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                   int count) {
    static_assert(K == 1);
    constexpr int sb = SourceBytes<K, SF>();
    const std::uint32_t v = c.value, iv = 256u - c.value;
    int x = 0;
    if constexpr (SF == kBlitSourceDirect) {
        // Four pixels per step: blue and red in the low bytes of 16-bit lanes, green and the
        // fourth byte (weight 0, so it stays) in the high ones; d x (256 - w) + s x w never
        // exceeds 65280. Key pixels keep the destination through a mask.
        const auto wv = static_cast<std::uint16_t>(v), wd = static_cast<std::uint16_t>(iv);
        const U16x8 w_low = {wv, wv, wv, wv, wv, wv, wv, wv};
        const U16x8 k_low = {wd, wd, wd, wd, wd, wd, wd, wd};
        const U16x8 w_high = {wv, 0, wv, 0, wv, 0, wv, 0};
        const U16x8 k_high = {wd, 256, wd, 256, wd, 256, wd, 256};
        // Two steps per turn: less loop overhead, and a speed that depends less on where
        // the loop's few instructions land in the binary.
#pragma GCC unroll 2
        for (; x + 4 <= count; x += 4) {
            U16x8 dv, sv;
            std::memcpy(&dv, dest + 4 * x, 16);
            std::memcpy(&sv, src + 4 * x, 16);
            const U16x8 low = ((dv & 0xFF) * k_low + (sv & 0xFF) * w_low) >> 8;
            const U16x8 high = ((dv >> 8) * k_high + (sv >> 8) * w_high) >> 8;
            U16x8 out = low | (high << 8);
            if constexpr (TR == kBlitSkipTest) {
                U32x4 s32;
                std::memcpy(&s32, &sv, 16);
                const auto equal = s32 == c.key;  // all ones where the source is the key
                U16x8 keep;
                std::memcpy(&keep, &equal, 16);
                out = (dv & keep) | (out & ~keep);
            }
            std::memcpy(dest + 4 * x, &out, 16);
        }
    }
    dest += 4 * x;
    src += sb * x;
    for (; x < count; ++x, dest += 4, src += sb) {
        const std::uint32_t raw = LoadRaw<K, SF>(src);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        const std::uint32_t s = Colour<K, SF>(c, raw);
        const std::uint32_t d = Load<std::uint32_t>(dest);
        const std::uint32_t rb = (((d & 0xFF00FFu) * iv + (s & 0xFF00FFu) * v) >> 8) & 0xFF00FFu;
        const std::uint32_t g = (((d & 0xFF00u) * iv + (s & 0xFF00u) * v) >> 8) & 0xFF00u;
        Store<std::uint32_t>(dest, (d & 0xFF000000u) | rb | g);
    }
}

// Modes 2 and 3 at value 255 on 32-bit pixels without MMX: the add without its lowest-bit
// term, and the packed subtract. Whole-pixel bit operations; a key pixel keeps the
// destination's value, so direct sources run without branches.
template <int K, int SF, int TR, bool Add>
void Packed32Kernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                    int count) {
    static_assert(K == 1);
    constexpr int sb = SourceBytes<K, SF>();
    auto rule = [](std::uint32_t d, std::uint32_t s) { return Add ? PackedAdd32NoLowBit(d, s) : PackedSubtract32(d, s); };
    if constexpr (SF == kBlitSourceDirect) {
        for (int x = 0; x < count; ++x) {
            const std::uint32_t s = Load<std::uint32_t>(src + 4 * x);
            const std::uint32_t d = Load<std::uint32_t>(dest + 4 * x);
            const std::uint32_t out = rule(d, s);
            Store<std::uint32_t>(dest + 4 * x, TR == kBlitSkipTest && s == c.key ? d : out);
        }
        return;
    }
    for (int x = 0; x < count; ++x, dest += 4, src += sb) {
        const std::uint32_t raw = LoadRaw<K, SF>(src);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        Store<std::uint32_t>(dest, rule(Load<std::uint32_t>(dest), Colour<K, SF>(c, raw)));
    }
}

// Modes 2 and 3 at value 255 on 32-bit pixels with MMX: exact byte saturation, all four
// bytes.
template <int K, int SF, int TR, bool Add>
void Saturate32Kernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                      int count) {
    static_assert(K == 1);
    constexpr int sb = SourceBytes<K, SF>();
    if constexpr (SF == kBlitSourceDirect && TR == kBlitNoTest) {
        // Whole rows: byte by byte, which the compiler turns into saturating vector adds.
        std::uint8_t* d = dest;
        const std::uint8_t* s = src;
        for (int i = 0; i < 4 * count; ++i) {
            const std::uint8_t a = d[i], b = s[i];
            if constexpr (Add) {
                const std::uint8_t r = static_cast<std::uint8_t>(a + b);
                d[i] = static_cast<std::uint8_t>(r | -static_cast<std::uint8_t>(r < a));
            } else {
                const std::uint8_t r = static_cast<std::uint8_t>(a - b);
                d[i] = static_cast<std::uint8_t>(r & -static_cast<std::uint8_t>(r <= a));
            }
        }
        return;
    }
    for (int x = 0; x < count; ++x, dest += 4, src += sb) {
        const std::uint32_t raw = LoadRaw<K, SF>(src);
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) continue;
        }
        const std::uint32_t s = Colour<K, SF>(c, raw);
        const std::uint32_t d = Load<std::uint32_t>(dest);
        Store<std::uint32_t>(dest, Add ? SaturatingAddBytes(d, s) : SaturatingSubtractBytes(d, s));
    }
}

// Modes 2 and 3 at value 255 on RGB565: pixels in pairs from the row's first drawn pixel.
template <int K, int SF, int TR, bool Add>
void Pair565Kernel(const BlitContext& c, std::uint8_t* dest, const std::uint8_t* src, const std::uint8_t*,
                   int count) {
    static_assert(K == 0);
    constexpr int sb = SourceBytes<K, SF>();
    auto alone = [](std::uint32_t d, std::uint32_t s) { return Add ? PackedAdd565Alone(d, s) : PackedSubtract565(d, s); };
    int x = 0;
    for (; x + 2 <= count; x += 2, dest += 4, src += 2 * sb) {
        const std::uint32_t raw0 = LoadRaw<K, SF>(src);
        const std::uint32_t raw1 = LoadRaw<K, SF>(src + sb);
        const bool skip0 = TR == kBlitSkipTest && raw0 == c.key;
        const bool skip1 = TR == kBlitSkipTest && raw1 == c.key;
        const std::uint32_t s0 = Colour<K, SF>(c, raw0);
        const std::uint32_t s1 = Colour<K, SF>(c, raw1);
        if (skip0 && skip1) continue;
        if (skip0) {
            Store<std::uint16_t>(dest + 2, static_cast<std::uint16_t>(alone(Load<std::uint16_t>(dest + 2), s1)));
        } else if (skip1) {
            Store<std::uint16_t>(dest, static_cast<std::uint16_t>(alone(Load<std::uint16_t>(dest), s0)));
        } else {
            const std::uint32_t dpair = Load<std::uint32_t>(dest);
            const std::uint32_t spair = s0 | (s1 << 16);
            Store<std::uint32_t>(dest, Add ? PackedAdd565Pair(dpair, spair) : PackedSubtract565Pair(dpair, spair));
        }
    }
    if (x < count) {
        const std::uint32_t raw = LoadRaw<K, SF>(src);
        if (!(TR == kBlitSkipTest && raw == c.key)) {
            Store<std::uint16_t>(dest, static_cast<std::uint16_t>(alone(Load<std::uint16_t>(dest), Colour<K, SF>(c, raw))));
        }
    }
}

// ---- The tables ----

constexpr int kModes[7] = {0, 1, 2, 3, 4, 10, 11};

template <int K, int SF, int TR, int M, bool B, bool W>
constexpr BlitKernel General() {
    return &GeneralKernel<K, SF, TR, kModes[M], B, W>;
}

struct GeneralTable {
    // [kind][source form][test][mode column][blend image][white]
    BlitKernel k[2][3][3][7][2][2];
};

template <int K, int SF, int TR, int M>
constexpr void FillModes(GeneralTable& t) {
    t.k[K][SF][TR][M][0][0] = General<K, SF, TR, M, false, false>();
    t.k[K][SF][TR][M][0][1] = General<K, SF, TR, M, false, true>();
    t.k[K][SF][TR][M][1][0] = General<K, SF, TR, M, true, false>();
    t.k[K][SF][TR][M][1][1] = General<K, SF, TR, M, true, true>();
}
template <int K, int SF, int TR>
constexpr void FillTests(GeneralTable& t) {
    FillModes<K, SF, TR, 0>(t);
    FillModes<K, SF, TR, 1>(t);
    FillModes<K, SF, TR, 2>(t);
    FillModes<K, SF, TR, 3>(t);
    FillModes<K, SF, TR, 4>(t);
    FillModes<K, SF, TR, 5>(t);
    FillModes<K, SF, TR, 6>(t);
}
template <int K>
constexpr void FillKind(GeneralTable& t) {
    // Sources without alpha have no alpha weighting; their third column repeats the first.
    FillTests<K, kBlitSourcePalette, kBlitNoTest>(t);
    FillTests<K, kBlitSourcePalette, kBlitSkipTest>(t);
    FillTests<K, kBlitSourceDirect, kBlitNoTest>(t);
    FillTests<K, kBlitSourceDirect, kBlitSkipTest>(t);
    FillTests<K, kBlitSourceAlpha, kBlitNoTest>(t);
    FillTests<K, kBlitSourceAlpha, kBlitSkipTest>(t);
    FillTests<K, kBlitSourceAlpha, kBlitAlphaWeight>(t);
    for (int sf = 0; sf < 2; ++sf) {
        for (int m = 0; m < 7; ++m) {
            for (int b = 0; b < 2; ++b) {
                for (int w = 0; w < 2; ++w) t.k[K][sf][kBlitAlphaWeight][m][b][w] = t.k[K][sf][kBlitNoTest][m][b][w];
            }
        }
    }
}
constexpr GeneralTable MakeGeneralTable() {
    GeneralTable t{};
    FillKind<0>(t);
    FillKind<1>(t);
    return t;
}
constexpr GeneralTable kGeneral = MakeGeneralTable();

// Fast forms of the plain path.
enum FastForm {
    kFastNone = -1,
    kFastCopy = 0,
    kFastHalf,
    kFastMixTable,
    kFastAdd255,
    kFastSubtract255,
    kFastAlpha32,
    kFastAdd255Packed,
    kFastSubtract255Packed,
    kFastForms
};

struct FastTable {
    // [kind][source form][test 0/1][form]
    BlitKernel k[2][3][2][kFastForms];
};
template <int SF, int TR>
constexpr void FillFast(FastTable& t) {
    t.k[0][SF][TR][kFastCopy] = &CopyKernel<0, SF, TR>;
    t.k[1][SF][TR][kFastCopy] = &CopyKernel<1, SF, TR>;
    if constexpr (SF != kBlitSourceAlpha) {
        t.k[0][SF][TR][kFastHalf] = &HalfKernel<0, SF, TR>;
        t.k[1][SF][TR][kFastHalf] = &HalfKernel<1, SF, TR>;
        t.k[0][SF][TR][kFastMixTable] = &MixTableKernel<0, SF, TR>;
        t.k[0][SF][TR][kFastAdd255] = &Pair565Kernel<0, SF, TR, true>;
        t.k[0][SF][TR][kFastSubtract255] = &Pair565Kernel<0, SF, TR, false>;
        t.k[1][SF][TR][kFastAdd255] = &Saturate32Kernel<1, SF, TR, true>;
        t.k[1][SF][TR][kFastSubtract255] = &Saturate32Kernel<1, SF, TR, false>;
        t.k[1][SF][TR][kFastAlpha32] = &Alpha32Kernel<1, SF, TR>;
        t.k[1][SF][TR][kFastAdd255Packed] = &Packed32Kernel<1, SF, TR, true>;
        t.k[1][SF][TR][kFastSubtract255Packed] = &Packed32Kernel<1, SF, TR, false>;
    }
}
constexpr FastTable MakeFastTable() {
    FastTable t{};
    FillFast<kBlitSourcePalette, 0>(t);
    FillFast<kBlitSourcePalette, 1>(t);
    FillFast<kBlitSourceDirect, 0>(t);
    FillFast<kBlitSourceDirect, 1>(t);
    FillFast<kBlitSourceAlpha, 0>(t);
    return t;
}
constexpr FastTable kFast = MakeFastTable();

// Blend mode -> column of the general table; -1 draws nothing.
constexpr int kModeColumn[12] = {0, 1, 2, 3, 4, -1, -1, -1, -1, -1, 5, 6};

// Which fast form a column takes, by [MMX flag][kind][column][value class]: value class 0
// any other value, 1 value 128, 2 value 255. Only for white, no blend image, plain path.
// The flag chooses only the 32-bit value-255 add and subtract: byte saturation with it,
// the packed forms without (the half blend gives the same pixels either way).
constexpr int kFastFormOf[2][2][7][3] = {
    {{{kFastCopy, kFastCopy, kFastCopy},
      {kFastMixTable, kFastHalf, kFastCopy},
      {kFastNone, kFastNone, kFastAdd255},
      {kFastNone, kFastNone, kFastSubtract255},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone}},
     {{kFastCopy, kFastCopy, kFastCopy},
      {kFastAlpha32, kFastHalf, kFastCopy},
      {kFastNone, kFastNone, kFastAdd255Packed},
      {kFastNone, kFastNone, kFastSubtract255Packed},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone}}},
    {{{kFastCopy, kFastCopy, kFastCopy},
      {kFastMixTable, kFastHalf, kFastCopy},
      {kFastNone, kFastNone, kFastAdd255},
      {kFastNone, kFastNone, kFastSubtract255},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone}},
     {{kFastCopy, kFastCopy, kFastCopy},
      {kFastAlpha32, kFastHalf, kFastCopy},
      {kFastNone, kFastNone, kFastAdd255},
      {kFastNone, kFastNone, kFastSubtract255},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone},
      {kFastNone, kFastNone, kFastNone}}},
};

}  // namespace

BlitKernel SelectBlitKernel(const BlitChoice& choice) {
    if (choice.dest_kind < 0 || choice.dest_kind > 1 || choice.mode < 0 || choice.mode > 11) return nullptr;
    if (choice.source_form < 0 || choice.source_form > 2 || choice.test < 0 || choice.test > 2) return nullptr;
    int column = kModeColumn[choice.mode];
    if (column < 0) return nullptr;
    if (column >= 1 && column <= 3 && choice.value <= 0) return nullptr;
    if (column == 1 && choice.value >= 255) column = 0;  // mode 1 at 255 is mode 0
    const int k = choice.dest_kind;
    const int sf = choice.source_form;
    if (choice.white && !choice.blend_image) {
        // Whole copies hold on every path for sources without alpha; an alpha source is
        // copied whole only on the plain path with the transparent flag 0.
        if (column == 0 && (sf != kBlitSourceAlpha ? choice.test != kBlitAlphaWeight
                                                    : (choice.plain_path && choice.test == kBlitAlphaWeight))) {
            return kFast.k[k][sf][sf == kBlitSourceAlpha ? 0 : choice.test][kFastCopy];
        }
        if (sf != kBlitSourceAlpha && choice.test != kBlitAlphaWeight) {
            // The run-table path keeps the general rules: of the fast forms only the 32-bit
            // mix by v, which is the general rule itself, serves it at every value.
            const int value_class = !choice.plain_path ? 0 : choice.value == 128 ? 1 : choice.value == 255 ? 2 : 0;
            const int form = kFastFormOf[choice.mmx ? 1 : 0][k][column][value_class];
            if (form != kFastNone && (choice.plain_path || form == kFastAlpha32 || form == kFastCopy)) {
                return kFast.k[k][sf][choice.test][form];
            }
        }
    }
    return kGeneral.k[k][sf][choice.test][column][choice.blend_image ? 1 : 0][choice.white ? 1 : 0];
}
