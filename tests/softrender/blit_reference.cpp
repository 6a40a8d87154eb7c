// The reference blit: one pixel at a time, every rule chosen at run time from the draw
// state; the RGB565 value-255 add and subtract walk their pairs explicitly.
#include "blit_reference.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/pixels/blend_tables.h"

namespace {

struct Px {
    int kind;             // destination kind
    int mode, v;          // after mode 1 at 255 became mode 0
    bool white;
    const std::uint8_t* bright;
    bool blend;
    std::int64_t w;
    bool alpha_source;
    std::int64_t a;
    bool factor;   // the alpha factor applies to this pixel
    bool general;  // run-table path: no half blend, mix table or value-255 forms
    bool mmx;      // 32-bit value-255 add and subtract saturate bytewise
};

std::int64_t Ch(int kind, std::uint32_t p, int i) {
    if (kind == 0) return i == 0 ? (p & 31) : i == 1 ? ((p >> 5) & 63) : ((p >> 11) & 31);
    return (p >> (8 * i)) & 0xFF;
}
int Width(int kind, int i) { return kind == 0 ? (i == 1 ? 6 : 5) : 8; }
std::uint32_t Put(int kind, const std::int64_t c[3], std::uint32_t dest) {
    if (kind == 0) return static_cast<std::uint32_t>((c[2] << 11) | (c[1] << 5) | c[0]);
    return (dest & 0xFF000000u) | static_cast<std::uint32_t>(c[0] | (c[1] << 8) | (c[2] << 16));
}
std::int64_t Mix(std::int64_t d, std::int64_t t, std::int64_t k, int n) { return ((d << n) + (t - d) * k) >> n; }
std::int64_t Over255(std::int64_t x, std::int64_t c) { return x * c / 255; }  // truncates toward zero

std::uint32_t AddPacked(int kind, std::uint32_t d, std::uint32_t u) {
    if (kind == 1) {
        std::uint32_t x = (d & 0x00FEFEFF) + (u & 0x00FEFEFF), c = x & 0x01010100;
        return (c - (c >> 8)) | ((d | u) & 0x00010100) | x;
    }
    std::uint32_t x = (d & 0xF7DF) + (u & 0xF7DF), c = x & 0x10820;
    return ((c - (c >> 5)) | ((d | u) & 0x0820) | x) & 0xFFFF;
}
std::uint32_t SubPacked(int kind, std::uint32_t d, std::uint32_t u) {
    if (kind == 1) {
        std::uint32_t r = (d | 0x01010100) - (u & 0x00FEFEFF), b = r & 0x01010100;
        return r & (b - (b >> 8));
    }
    std::uint32_t r = (d | 0x10820) - (u & 0xF7DF), b = r & 0x10820;
    return r & (b - (b >> 5)) & 0xFFFF;
}

// Mixing by whichever of v, w and a take part.
std::int64_t MixBy(const Px& p, std::int64_t d, std::int64_t t, bool with_v) {
    std::int64_t k = 1;
    int n = 0;
    if (with_v) { k *= p.v; n += 8; }
    if (p.blend) { k *= p.w; n += 8; }
    if (p.factor) { k *= p.a; n += 8; }
    return n == 0 ? t : Mix(d, t, k, n);
}

std::uint32_t Blend(const Px& p, std::uint32_t dest, std::uint32_t colour) {
    const int K = p.kind;
    std::int64_t f[3], s[3], d[3], o[3];
    for (int i = 0; i < 3; ++i) {
        f[i] = Ch(K, colour, i);
        d[i] = Ch(K, dest, i);
        s[i] = p.white ? f[i] : Over255(f[i], p.bright[i]);
    }
    const bool simple = !p.general && p.white && !p.blend && !p.alpha_source;
    switch (p.mode) {
        case 0:
            if (!p.blend && p.white && !p.factor) return K == 0 ? (colour & 0xFFFF) : colour;
            for (int i = 0; i < 3; ++i) o[i] = MixBy(p, d[i], s[i], false);
            return Put(K, o, dest);
        case 1:
            if (simple && p.v == 128) {
                return K == 0 ? ((colour >> 1) & 0x7BEF) + ((dest >> 1) & 0x7BEF)
                              : ((colour >> 1) & 0x7F7F7F) + ((dest >> 1) & 0x7F7F7F);
            }
            for (int i = 0; i < 3; ++i) {
                if (simple && K == 0) {
                    const int level = p.v >> 2;
                    o[i] = (s[i] * level + d[i] * (63 - level)) / 63;
                } else if (K == 0 && !p.blend && !p.factor) {
                    o[i] = d[i] + Over255(s[i] - d[i], p.v);
                } else {
                    o[i] = MixBy(p, d[i], s[i], true);
                }
            }
            return Put(K, o, dest);
        case 2:
        case 3: {
            if (simple && p.v == 255 && K == 1 && !p.mmx && p.mode == 2) {
                // Without MMX: the packed add without its lowest-bit term, u = s.
                const std::uint32_t xs = (dest & 0x00FEFEFF) + (colour & 0x00FEFEFF), cs = xs & 0x01010100;
                return (cs - (cs >> 8)) | xs;
            }
            if (simple && p.v == 255 && K == 1 && p.mmx) {
                std::uint32_t out = 0;
                for (int i = 0; i < 32; i += 8) {
                    const int a = (dest >> i) & 0xFF, b = (colour >> i) & 0xFF;
                    const int r = p.mode == 2 ? std::min(255, a + b) : std::max(0, a - b);
                    out |= static_cast<std::uint32_t>(r) << i;
                }
                return out;
            }
            std::int64_t u[3];
            for (int i = 0; i < 3; ++i) {
                if (K == 1) {
                    if (!p.blend && !p.factor) u[i] = Over255(s[i], p.v);
                    else if (!p.blend) u[i] = (s[i] * p.a * p.v) >> 16;
                    else if (!p.factor) u[i] = (s[i] * p.w * p.v) >> 16;
                    else u[i] = (s[i] * p.w * p.a * p.v) >> 24;
                } else {
                    std::int64_t x;
                    if (!p.blend && !p.factor) x = s[i];
                    else if (!p.blend) x = p.white ? (s[i] * p.a) >> 8 : Over255((f[i] * p.a) >> 8, p.bright[i]);
                    else if (!p.factor) x = (s[i] * p.w) >> 8;
                    else x = (s[i] * p.w * p.a) >> 16;
                    u[i] = Over255(x, p.v);
                }
            }
            std::uint32_t packed = K == 1 ? static_cast<std::uint32_t>(u[0] | (u[1] << 8) | (u[2] << 16))
                                          : static_cast<std::uint32_t>((u[2] << 11) | (u[1] << 5) | u[0]);
            return p.mode == 2 ? AddPacked(K, dest, packed) : SubPacked(K, dest, packed);
        }
        case 4:
            for (int i = 0; i < 3; ++i) {
                std::int64_t x = d[i] * s[i];
                int n = Width(K, i);
                if (p.blend) { x *= p.w; n += 8; }
                if (p.factor) { x *= p.a; n += 8; }
                o[i] = x >> n;
            }
            return Put(K, o, dest);
        case 10:
        case 11:
            for (int i = 0; i < 3; ++i) {
                const std::int64_t max = (1 << Width(K, i)) - 1;
                std::int64_t t = p.mode == 10 ? (p.white ? max - f[i] : Over255(max - f[i], p.bright[i]))
                                              : (s[i] * d[i]) >> Width(K, i);
                if (K == 0 && !p.blend && !p.factor) {
                    o[i] = d[i] + Over255(t - d[i], p.v);
                } else if (p.mode == 11 && K == 0 && !p.blend && p.factor && p.white && i == 1) {
                    o[i] = ((d[i] << 21) + (((s[i] * d[i]) >> 1) - 32 * d[i]) * p.a * p.v) >> 21;
                } else {
                    o[i] = MixBy(p, d[i], t, true);
                }
            }
            return Put(K, o, dest);
        default:
            return dest;
    }
}

std::uint32_t Load(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, static_cast<std::size_t>(bytes));
    return v;
}
void StoreBytes(std::uint8_t* p, std::uint32_t v, int bytes) { std::memcpy(p, &v, static_cast<std::size_t>(bytes)); }

}  // namespace

std::uint32_t ReferenceBlendPixel(const ReferencePixelChoice& c, std::uint32_t dest, std::uint32_t colour) {
    Px p{};
    p.kind = c.kind;
    p.mode = c.mode;
    p.v = c.value;
    p.white = c.bright[0] == 255 && c.bright[1] == 255 && c.bright[2] == 255;
    p.bright = c.bright;
    p.blend = c.blend;
    p.w = c.w;
    p.alpha_source = c.alpha_source;
    p.a = c.a;
    p.factor = c.factor;
    p.general = true;
    p.mmx = false;
    return Blend(p, dest, colour);
}

void ReferenceDrawMemImg(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent,
                         const MEMIMG* blend_image) {
    if (!IsMemImgValid(dest) || !IsMemImgValid(src)) return;
    const MemImgPixelBlock* db = dest->block;
    const MemImgPixelBlock* sb = src->block;
    if (db->kind != sb->kind || db->palette_flag || db->alpha_flag || db->kind > 1) return;
    if (blend_image != nullptr && (!IsMemImgValid(blend_image) || blend_image->block->kind != 2 ||
                                   blend_image->width < src->width || blend_image->height < src->height)) {
        return;
    }
    const SoftDrawState* st = &state;
    int mode = st->blend_mode;
    const int v = std::clamp(st->blend_value, 0, 255);
    if (mode == 1 && v == 255) mode = 0;
    if (!(mode <= 4 || mode == 10 || mode == 11) || mode < 0) return;
    if (mode >= 1 && mode <= 3 && v == 0) return;

    RECT area = st->draw_area;
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, dest->width);
    area.bottom = std::min<LONG>(area.bottom, dest->height);
    const std::int64_t l = std::max<std::int64_t>(x, area.left), t = std::max<std::int64_t>(y, area.top);
    const std::int64_t r = std::min<std::int64_t>(std::int64_t{x} + src->width, area.right);
    const std::int64_t b = std::min<std::int64_t>(std::int64_t{y} + src->height, area.bottom);
    if (r <= l || b <= t) return;
    const bool whole_block = src->width == sb->width && src->height == sb->height && src->pixels == sb->pixel_memory;
    const bool runs = transparent == 1 && sb->run_table_valid && sb->run_table != nullptr && whole_block &&
                      r - l == src->width && b - t == src->height;

    const int K = db->kind;
    const bool palette = sb->palette_flag != 0;
    const bool alpha_source = !palette && sb->alpha_flag;
    const int dbytes = K == 0 ? 2 : 4;
    const int sbytes = palette ? 1 : alpha_source ? 4 : dbytes;
    const std::uint32_t key = palette ? (sb->transparent_color & 0xFF) : K == 0 ? (sb->transparent_color & 0xFFFF)
                                                                               : sb->transparent_color;
    const bool white = st->bright[0] == 255 && st->bright[1] == 255 && st->bright[2] == 255;
    const bool pairs = !runs && K == 0 && (mode == 2 || mode == 3) && v == 255 && white && !blend_image &&
                       !alpha_source;

    Px p{};
    p.kind = K;
    p.mode = mode;
    p.v = v;
    p.white = white;
    p.bright = st->bright;
    p.blend = blend_image != nullptr;
    p.alpha_source = alpha_source;
    p.general = runs;
    p.mmx = st->mmx;

    for (std::int64_t row = t; row < b; ++row) {
        const int sy = static_cast<int>(row - y);
        std::uint8_t* drow = dest->pixels + db->pitch * row;
        const std::uint8_t* srow = src->pixels + sb->pitch * sy;
        auto colour_of = [&](std::uint32_t raw) -> std::uint32_t {
            if (palette) return Load(sb->palette + raw * (K == 0 ? 2 : 4), K == 0 ? 2 : 4);
            return K == 0 ? (raw & 0xFFFF) : raw;
        };
        if (pairs) {
            auto alone = [&](std::uint8_t* q, std::uint32_t c) {
                const std::uint32_t d = Load(q, 2);
                std::uint32_t out;
                if (mode == 2) {
                    std::uint32_t xs = (d & 0xF7DF) + (c & 0xF7DF), cs = xs & 0x10820;
                    out = ((cs - (cs >> 5)) | xs) & 0xFFFF;
                } else {
                    out = SubPacked(0, d, c);
                }
                StoreBytes(q, out, 2);
            };
            std::int64_t col = l;
            for (; col + 1 < r; col += 2) {
                const std::uint32_t raw0 = Load(srow + sbytes * (col - x), sbytes);
                const std::uint32_t raw1 = Load(srow + sbytes * (col + 1 - x), sbytes);
                const bool k0 = transparent != 0 && raw0 == key, k1 = transparent != 0 && raw1 == key;
                std::uint8_t* q = drow + 2 * col;
                if (k0 && k1) continue;
                if (k0) { alone(q + 2, colour_of(raw1)); continue; }
                if (k1) { alone(q, colour_of(raw0)); continue; }
                const std::uint64_t D = Load(q, 4), U = colour_of(raw0) | (colour_of(raw1) << 16);
                std::uint32_t out;
                if (mode == 2) {
                    const std::uint64_t sum = (D & 0xF7DEF7DF) + (U & 0xF7DEF7DF);
                    const std::uint32_t X = static_cast<std::uint32_t>(sum), c = static_cast<std::uint32_t>(sum >> 32);
                    const std::uint32_t C = X & 0x08210820;
                    out = (C - ((C >> 5) | (c << 27))) | X;
                } else {
                    const std::uint32_t left = static_cast<std::uint32_t>(D) | 0x08210820;
                    const std::uint32_t right = static_cast<std::uint32_t>(U) & 0xF7DEF7DF;
                    const std::uint32_t R = left - right, Q = R & 0x08210820;
                    out = R & ((Q - (Q >> 5)) | (left < right ? 0u : 0xF8000000u));
                }
                StoreBytes(q, out, 4);
            }
            if (col < r) {
                const std::uint32_t raw = Load(srow + sbytes * (col - x), sbytes);
                if (!(transparent != 0 && raw == key)) alone(drow + 2 * col, colour_of(raw));
            }
            continue;
        }
        for (std::int64_t col = l; col < r; ++col) {
            const int sx = static_cast<int>(col - x);
            const std::uint32_t raw = Load(srow + sbytes * sx, sbytes);
            p.a = alpha_source ? (K == 0 ? (raw >> 16) & 0xFF : raw >> 24) : 0;
            if (transparent != 0) {
                if (alpha_source ? p.a == 0 : raw == key) continue;
                p.factor = alpha_source && p.a != 255;
            } else {
                p.factor = alpha_source && !(mode == 0 && white && !blend_image);
            }
            p.w = blend_image != nullptr
                      ? st->weights[blend_image->pixels[blend_image->block->pitch * sy + sx]]
                      : 0;
            std::uint8_t* q = drow + dbytes * col;
            StoreBytes(q, Blend(p, Load(q, dbytes), colour_of(raw)), dbytes);
        }
    }
}
