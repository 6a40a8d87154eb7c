// The software renderer's one per-pixel rule for drawing an image: fetching a source
// pixel of each form, the colour-key and alpha tests, and every blend mode's arithmetic
// on one destination pixel (BlendPixel), over compile-time choices. The unscaled blit,
// the scaled blit and the textured triangles all draw through it. Relies on pixel_rules.h
// and the BlitContext of blit_kernels.h.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/softrender/blit_kernels.h"
#include "engine/softrender/pixel_rules.h"

namespace softpixel {

template <typename T>
inline T Load(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}
template <typename T>
inline void Store(std::uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof(T));
}

constexpr int kDestBytes[2] = {2, 4};
template <int K, int SF>
constexpr int SourceBytes() {
    return SF == kBlitSourcePalette ? 1 : SF == kBlitSourceAlpha ? 4 : kDestBytes[K];
}

// The raw source value compared with the key: index, 16-bit or 32-bit pixel.
template <int K, int SF>
inline std::uint32_t LoadRaw(const std::uint8_t* s) {
    if constexpr (SF == kBlitSourcePalette) return *s;
    else if constexpr (K == 0 && SF == kBlitSourceDirect) return Load<std::uint16_t>(s);
    else return Load<std::uint32_t>(s);
}
// The source colour in the destination's pixel format (32-bit: all four bytes).
template <int K, int SF>
inline std::uint32_t Colour(const BlitContext& c, std::uint32_t raw) {
    if constexpr (SF == kBlitSourcePalette) {
        if constexpr (K == 0) return static_cast<const std::uint16_t*>(c.palette)[raw];
        else return static_cast<const std::uint32_t*>(c.palette)[raw];
    } else if constexpr (K == 0) {
        return raw & 0xFFFFu;
    } else {
        return raw;
    }
}
template <int K>
inline std::uint32_t AlphaOf(std::uint32_t raw) {
    return K == 0 ? (raw >> 16) & 0xFFu : raw >> 24;
}

template <int K>
constexpr int kFieldWidth[3] = {K == 0 ? 5 : 8, K == 0 ? 6 : 8, K == 0 ? 5 : 8};
template <int K>
inline std::uint32_t Channel(std::uint32_t pixel, int c) {
    if constexpr (K == 0) return Field565(pixel, c);
    else return Byte32(pixel, c);
}
template <int K>
inline std::uint32_t Compose(const std::uint32_t ch[3], std::uint32_t dest) {
    if constexpr (K == 0) return Pack565(ch[0], ch[1], ch[2]);
    else return (dest & 0xFF000000u) | ch[0] | (ch[1] << 8) | (ch[2] << 16);
}

// Mixing toward t by the weights that apply: v, and a and w when present.
template <bool Blend, bool AF, bool WithValue>
inline std::uint32_t MixWeighted(std::uint32_t d, std::uint32_t t, std::uint32_t v, std::uint32_t a,
                                 std::uint32_t w) {
    constexpr int factors = (WithValue ? 1 : 0) + (Blend ? 1 : 0) + (AF ? 1 : 0);
    std::uint32_t k = 1;
    if constexpr (WithValue) k *= v;
    if constexpr (Blend) k *= w;
    if constexpr (AF) k *= a;
    if constexpr (factors == 0) return t;
    else return MixOver<8 * factors>(d, t, k);
}

// One pixel under one blend mode. `colour` is the source colour in the destination's
// format, `a` its alpha (used when AF), `w` the blend-image weight (used when Blend).
template <int K, int Mode, bool Blend, bool White, bool AF>
[[gnu::always_inline]] inline void BlendPixel(const BlitContext& c, std::uint8_t* dp, std::uint32_t colour, std::uint32_t a,
                       std::uint32_t w) {
    const std::uint32_t dest = K == 0 ? Load<std::uint16_t>(dp) : Load<std::uint32_t>(dp);
    std::uint32_t f[3], s[3], d[3], out[3];
    for (int i = 0; i < 3; ++i) {
        f[i] = Channel<K>(colour, i);
        d[i] = Channel<K>(dest, i);
        s[i] = White ? f[i] : c.bright_row[i][f[i]];
    }
    const std::uint32_t v = c.value;
    std::uint32_t result;
    if constexpr (Mode == 0) {
        if constexpr (!Blend && White && !AF) {
            result = colour;
        } else {
            for (int i = 0; i < 3; ++i) out[i] = MixWeighted<Blend, AF, false>(d[i], s[i], v, a, w);
            result = Compose<K>(out, dest);
        }
    } else if constexpr (Mode == 1) {
        for (int i = 0; i < 3; ++i) {
            if constexpr (K == 0 && !Blend && !AF) {
                out[i] = static_cast<std::uint32_t>(static_cast<std::int32_t>(d[i]) +
                                                    c.signed_row[static_cast<std::int32_t>(s[i]) -
                                                                 static_cast<std::int32_t>(d[i])]);
            } else {
                out[i] = MixWeighted<Blend, AF, true>(d[i], s[i], v, a, w);
            }
        }
        result = Compose<K>(out, dest);
    } else if constexpr (Mode == 2 || Mode == 3) {
        std::uint32_t u[3];
        for (int i = 0; i < 3; ++i) {
            if constexpr (K == 1) {
                const std::uint64_t sv = static_cast<std::uint64_t>(s[i]) * v;
                if constexpr (!Blend && !AF) u[i] = c.value_row[s[i]];
                else if constexpr (!Blend) u[i] = static_cast<std::uint32_t>((sv * a) >> 16);
                else if constexpr (!AF) u[i] = static_cast<std::uint32_t>((sv * w) >> 16);
                else u[i] = static_cast<std::uint32_t>((sv * w * a) >> 24);
            } else {
                if constexpr (!Blend && !AF) u[i] = c.value_row[s[i]];
                else if constexpr (!Blend && White) u[i] = c.value_row[(s[i] * a) >> 8];
                else if constexpr (!Blend) u[i] = c.value_row[c.bright_row[i][(f[i] * a) >> 8]];
                else if constexpr (!AF) u[i] = c.value_row[(s[i] * w) >> 8];
                else u[i] = c.value_row[(s[i] * w * a) >> 16];
            }
        }
        if constexpr (K == 1) {
            const std::uint32_t packed = u[0] | (u[1] << 8) | (u[2] << 16);
            result = Mode == 2 ? PackedAdd32(dest, packed) : PackedSubtract32(dest, packed);
        } else {
            const std::uint32_t packed = Pack565(u[0], u[1], u[2]);
            result = Mode == 2 ? PackedAdd565(dest, packed) : PackedSubtract565(dest, packed);
        }
    } else if constexpr (Mode == 4) {
        for (int i = 0; i < 3; ++i) {
            constexpr int kExtra = (Blend ? 8 : 0) + (AF ? 8 : 0);
            std::uint64_t p = static_cast<std::uint64_t>(d[i]) * s[i];
            if constexpr (Blend) p *= w;
            if constexpr (AF) p *= a;
            out[i] = static_cast<std::uint32_t>(p >> (kFieldWidth<K>[i] + kExtra));
        }
        result = Compose<K>(out, dest);
    } else if constexpr (Mode == 10 || Mode == 11) {
        for (int i = 0; i < 3; ++i) {
            std::uint32_t t;
            if constexpr (Mode == 10) {
                const std::uint32_t inverted = ((1u << kFieldWidth<K>[i]) - 1u) - f[i];
                t = White ? inverted : c.bright_row[i][inverted];
            } else {
                t = (s[i] * d[i]) >> kFieldWidth<K>[i];
            }
            if constexpr (K == 0 && !Blend && !AF) {
                out[i] = static_cast<std::uint32_t>(static_cast<std::int32_t>(d[i]) +
                                                    c.signed_row[static_cast<std::int32_t>(t) -
                                                                 static_cast<std::int32_t>(d[i])]);
            } else if constexpr (Mode == 11 && K == 0 && !Blend && AF && White) {
                if (i == 1) {
                    const std::int64_t g = (static_cast<std::int64_t>(d[1]) << 21) +
                                           (static_cast<std::int64_t>((s[1] * d[1]) >> 1) -
                                            32 * static_cast<std::int64_t>(d[1])) *
                                               static_cast<std::int64_t>(a * v);
                    out[i] = static_cast<std::uint32_t>(g >> 21);
                } else {
                    out[i] = MixWeighted<false, true, true>(d[i], t, v, a, w);
                }
            } else {
                out[i] = MixWeighted<Blend, AF, true>(d[i], t, v, a, w);
            }
        }
        result = Compose<K>(out, dest);
    }
    if constexpr (K == 0) Store<std::uint16_t>(dp, static_cast<std::uint16_t>(result));
    else Store<std::uint32_t>(dp, result);
}

// One source pixel (raw value as loaded) drawn into one destination pixel: the key or
// alpha test of the transparency handling TR, then the mode's rule. `w` is the blend-image
// weight (read only when Blend).
template <int K, int SF, int TR, int Mode, bool Blend, bool White>
[[gnu::always_inline]] inline void DrawSourcePixel(const BlitContext& c, std::uint8_t* dest, std::uint32_t raw, std::uint32_t w) {
    if constexpr (SF == kBlitSourceAlpha) {
        const std::uint32_t a = AlphaOf<K>(raw);
        if constexpr (TR == kBlitSkipTest) {
            if (a == 0) return;
            if (a == 255) BlendPixel<K, Mode, Blend, White, false>(c, dest, Colour<K, SF>(c, raw), a, w);
            else BlendPixel<K, Mode, Blend, White, true>(c, dest, Colour<K, SF>(c, raw), a, w);
        } else {
            BlendPixel<K, Mode, Blend, White, TR == kBlitAlphaWeight>(c, dest, Colour<K, SF>(c, raw), a, w);
        }
    } else {
        if constexpr (TR == kBlitSkipTest) {
            if (raw == c.key) return;
        }
        BlendPixel<K, Mode, Blend, White, false>(c, dest, Colour<K, SF>(c, raw), 0u, w);
    }
}

}  // namespace softpixel
