// The conversion blit: a dispatcher over palette remap, the 1-byte destination path,
// the same-format copy, the same-layout key-to-alpha loop, a table of specialised
// format-pair loops and the general per-pixel path. Relies on the colour formats only.
#include "engine/pixels/conversion_blit.h"

#include <cstddef>
#include <cstring>

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

// Little-endian pixel access at 1 to 4 bytes.
inline u32 ReadPixel(const u8* p, int bytes) {
    switch (bytes) {
        case 1:
            return p[0];
        case 2:
            return p[0] | static_cast<u32>(p[1]) << 8;
        case 3:
            return p[0] | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16;
        default:
            return p[0] | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 | static_cast<u32>(p[3]) << 24;
    }
}

inline void WritePixel(u8* p, int bytes, u32 v) {
    p[0] = static_cast<u8>(v);
    if (bytes >= 2) p[1] = static_cast<u8>(v >> 8);
    if (bytes >= 3) p[2] = static_cast<u8>(v >> 16);
    if (bytes >= 4) p[3] = static_cast<u8>(v >> 24);
}

inline u32 KeyForSize(u32 key, int bytes) {
    switch (bytes) {
        case 1:
            return key & 0xFFu;
        case 2:
            return key & 0xFFFFu;
        case 3:
            return key & 0xFFFFFFu;
        default:
            return key;
    }
}

inline u64 LowBits(unsigned width) { return width >= 64 ? ~0ull : (1ull << width) - 1; }

// A channel moved from `from` bits to `to` bits: narrowing truncates; widening shifts
// left and fills the new low bits so that the largest value stays the largest.
inline u32 ScaleChannel(u32 c, unsigned from, unsigned to) {
    if (from > to) {
        const unsigned d = from - to;
        return d >= 32 ? 0 : c >> d;
    }
    if (from < to) {
        if (from == 0) return 0;
        const unsigned e = to - from;
        const u64 wide = (static_cast<u64>(c) << e) + static_cast<u64>(c) * LowBits(e) / LowBits(from);
        return static_cast<u32>(wide);
    }
    return c;
}

// A channel of an 8-bit palette search brought to 8 bits from its own width.
inline u32 ChannelTo8(u32 c, unsigned width) {
    if (width == 8) return c;
    if (width == 0) return 0;
    return static_cast<u32>(static_cast<u64>(c) * 255u / LowBits(width));
}

struct BlitJob {
    ColorFormat d;  // copies: the callers' records are never changed
    ColorFormat s;
    ColorFormat a;
    u8* dst;
    std::ptrdiff_t dst_pitch;
    const u8* src;
    std::ptrdiff_t src_pitch;
    const u8* alp;
    std::ptrdiff_t alp_pitch;
    int dx, dy, sx, sy, w, h;
    int mirror, key_to_alpha, dither, color_off, alpha_from_red, skip_key;
    u32 key;
    bool alpha_picture_mode;

    const u8* SourceRow(int row) const { return src + (sy + row) * src_pitch + static_cast<std::ptrdiff_t>(sx) * s.bytes_per_pixel; }
    const u8* AlphaRow(int row) const { return alp + (sy + row) * alp_pitch + static_cast<std::ptrdiff_t>(sx) * a.bytes_per_pixel; }
    u8* DestRow(int row) const { return dst + (dy + row) * dst_pitch + static_cast<std::ptrdiff_t>(dx) * d.bytes_per_pixel; }
};

// ---- palette remap and 1-byte destinations ----------------------------------------

int PaletteRemap(const BlitJob& j) {
    u8 map[256];
    for (int i = 0; i < 256; ++i) {
        const ColorPaletteEntry& e = j.s.palette[i];
        map[i] = static_cast<u8>(MakeColorValueInFormat(&j.d, e.red, e.green, e.blue, 0));
    }
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        for (int i = 0; i < j.w; ++i) d[i] = map[s[i]];
    }
    return 0;
}

int CopyBytesWithMax(const BlitJob& j) {
    int largest = 0;
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        for (int i = 0; i < j.w; ++i) {
            d[i] = s[i];
            if (s[i] > largest) largest = s[i];
        }
    }
    return largest;
}

// Each pixel's channels, each brought to 8 bits, are matched to the nearest entry.
int NearestPaletteFromTrueColor(const BlitJob& j) {
    const int sb = j.s.bytes_per_pixel;
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        for (int i = 0; i < j.w; ++i) {
            const u32 p = ReadPixel(s + i * sb, sb);
            const u32 r = ChannelTo8((p & j.s.red_mask) >> j.s.red_shift, j.s.red_width);
            const u32 g = ChannelTo8((p & j.s.green_mask) >> j.s.green_shift, j.s.green_width);
            const u32 b = ChannelTo8((p & j.s.blue_mask) >> j.s.blue_shift, j.s.blue_width);
            const u32 al = ChannelTo8((p & j.s.alpha_mask) >> j.s.alpha_shift, j.s.alpha_width);
            d[i] = static_cast<u8>(MakeColorValueInFormat(&j.d, r, g, b, static_cast<u8>(al)));
        }
    }
    return 0;
}

// ---- same-format copy and same-layout key to alpha ----------------------------------

int SameFormatCopy(const BlitJob& j) {
    const int bytes = j.s.bytes_per_pixel;
    const std::size_t row_bytes = static_cast<std::size_t>(j.w) * bytes;
    if (bytes == 0) return 0;
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        if (j.mirror) {
            for (int i = 0; i < j.w; ++i) std::memcpy(d + (j.w - 1 - i) * bytes, s + i * bytes, bytes);
        } else if (j.skip_key && bytes <= 4) {
            const u32 key = KeyForSize(j.key, bytes);
            for (int i = 0; i < j.w; ++i) {
                if (ReadPixel(s + i * bytes, bytes) != key) std::memcpy(d + i * bytes, s + i * bytes, bytes);
            }
        } else {
            std::memmove(d, s, row_bytes);
        }
    }
    return 0;
}

int SameLayoutKeyToAlpha(const BlitJob& j) {
    const int depth = j.d.bit_depth;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return 0;
    const int bytes = depth / 8;
    const u32 k = MakeColorValueInFormat(&j.d, (j.key >> 16) & 0xFF, (j.key >> 8) & 0xFF, j.key & 0xFF, 255);
    const u32 compare_key = KeyForSize(k, bytes);
    const u32 outside_colour = ~(j.d.red_mask | j.d.green_mask | j.d.blue_mask);
    const u32 amask = j.d.alpha_mask;
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        for (int i = 0; i < j.w; ++i) {
            u32 v = ReadPixel(s + i * bytes, bytes);
            if (bytes == 4) v |= outside_colour;
            v = (v & ~amask) | (v == compare_key ? 0 : amask);
            const int column = j.mirror ? j.w - 1 - i : i;
            WritePixel(d + column * bytes, bytes, v);
        }
    }
    return 0;
}

// ---- specialised format-pair loops -------------------------------------------------

enum class Layout { kOther, kPalette, kR5G6B5, kX1R5G5B5, kA1R5G5B5, kR8G8B8, kX8R8G8B8, kA8R8G8B8, kRgb32AnyAlpha };

bool Masks(const ColorFormat& f, int depth, u32 r, u32 g, u32 b, u32 a) {
    return f.bit_depth == depth && f.red_mask == r && f.green_mask == g && f.blue_mask == b && f.alpha_mask == a;
}

bool IsLayout(const ColorFormat& f, Layout layout) {
    switch (layout) {
        case Layout::kPalette:
            return f.bytes_per_pixel == 1 && f.alpha_width == 0;
        case Layout::kR5G6B5:
            return Masks(f, 16, 0xF800, 0x07E0, 0x001F, 0);
        case Layout::kX1R5G5B5:
            return Masks(f, 16, 0x7C00, 0x03E0, 0x001F, 0);
        case Layout::kA1R5G5B5:
            return Masks(f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
        case Layout::kR8G8B8:
            return Masks(f, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        case Layout::kX8R8G8B8:
            return Masks(f, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        case Layout::kA8R8G8B8:
            return Masks(f, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
        case Layout::kRgb32AnyAlpha:
            return f.bit_depth == 32 && f.red_mask == 0xFF0000 && f.green_mask == 0xFF00 && f.blue_mask == 0xFF;
        case Layout::kOther:
            break;
    }
    return false;
}

u32 From565To555(u32 c) { return ((c & 0xFFC0) >> 1) | (c & 0x001F); }
u32 From555To565(u32 c) { return ((c & 0x7FE0) << 1) | (c & 0x003F); }
u32 Reduce888To555(u32 v) { return (((v >> 19) & 0x1F) << 10) | (((v >> 11) & 0x1F) << 5) | ((v >> 3) & 0x1F); }

// The row loop shared by the per-pixel specialised conversions. A 1-byte source is read
// as its palette word.
template <int SourceBytes, int DestBytes, typename Convert>
void RunPairLoop(const BlitJob& j, Convert convert) {
    u32 palette[256];
    if (SourceBytes == 1) {
        for (int i = 0; i < 256; ++i) palette[i] = PaletteWord(j.s.palette[i]);
    }
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        for (int i = 0; i < j.w; ++i) {
            const u32 v = SourceBytes == 1 ? palette[s[i]] : ReadPixel(s + i * SourceBytes, SourceBytes);
            WritePixel(d + i * DestBytes, DestBytes, convert(v));
        }
    }
}

// The two conversions between the 16-bit layouts move four pixels per step as one
// 64-bit word; the masks keep every bit inside its own pixel across the shift.
void Run16BitPairLoop(const BlitJob& j, bool from_565) {
    const u64 keep = from_565 ? 0xFFC0FFC0FFC0FFC0ull : 0x7FE07FE07FE07FE0ull;
    const u64 low = from_565 ? 0x001F001F001F001Full : 0x003F003F003F003Full;
    for (int row = 0; row < j.h; ++row) {
        const u8* s = j.SourceRow(row);
        u8* d = j.DestRow(row);
        int i = 0;
        for (; i + 4 <= j.w; i += 4) {
            u64 q;
            std::memcpy(&q, s + i * 2, 8);
            q = from_565 ? ((q & keep) >> 1) | (q & low) : ((q & keep) << 1) | (q & low);
            std::memcpy(d + i * 2, &q, 8);
        }
        for (; i < j.w; ++i) {
            const u32 c = ReadPixel(s + i * 2, 2);
            WritePixel(d + i * 2, 2, from_565 ? From565To555(c) : From555To565(c));
        }
    }
}

bool SpecialisedKeyOff(const BlitJob& j) {
    const ColorFormat& s = j.s;
    const ColorFormat& d = j.d;
    if (IsLayout(s, Layout::kPalette)) {
        if (IsLayout(d, Layout::kR5G6B5)) {
            RunPairLoop<1, 2>(j, [](u32 p) { return ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F); });
        } else if (IsLayout(d, Layout::kX1R5G5B5)) {
            RunPairLoop<1, 2>(j, [](u32 p) {
                return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F) | 0x8000;
            });
        } else if (IsLayout(d, Layout::kX8R8G8B8)) {
            RunPairLoop<1, 4>(j, [](u32 p) { return p | 0xFF000000u; });
        } else {
            return false;
        }
        return true;
    }
    if (IsLayout(s, Layout::kR8G8B8)) {
        if (IsLayout(d, Layout::kR5G6B5)) {
            RunPairLoop<3, 2>(j, [](u32 v) {
                return (((v >> 16) & 0xFF) >> 3) << 11 | (((v >> 8) & 0xFF) >> 2) << 5 | ((v & 0xFF) >> 3);
            });
        } else if (IsLayout(d, Layout::kX1R5G5B5)) {
            RunPairLoop<3, 2>(j, [](u32 v) { return Reduce888To555(v) | 0x8000; });
        } else if (IsLayout(d, Layout::kRgb32AnyAlpha)) {
            RunPairLoop<3, 4>(j, [](u32 v) { return v | 0xFF000000u; });
        } else {
            return false;
        }
        return true;
    }
    if (IsLayout(s, Layout::kX8R8G8B8) && IsLayout(d, Layout::kR5G6B5)) {
        RunPairLoop<4, 2>(j, [](u32 p) { return ((p & 0xF80000) >> 8) | ((p & 0xFC00) >> 5) | ((p & 0xF8) >> 3); });
        return true;
    }
    if (IsLayout(s, Layout::kR5G6B5)) {
        const auto widen = [](u32 c) { return ((c & 0xF800) << 8) | ((c & 0x07E0) << 5) | ((c & 0x001F) << 3); };
        if (IsLayout(d, Layout::kR8G8B8)) {
            RunPairLoop<2, 3>(j, widen);
        } else if (IsLayout(d, Layout::kX8R8G8B8)) {
            RunPairLoop<2, 4>(j, widen);
        } else if (IsLayout(d, Layout::kX1R5G5B5)) {
            Run16BitPairLoop(j, true);
        } else {
            return false;
        }
        return true;
    }
    if (IsLayout(s, Layout::kX1R5G5B5) && IsLayout(d, Layout::kR5G6B5)) {
        Run16BitPairLoop(j, false);
        return true;
    }
    return false;
}

bool SpecialisedKeyOn(const BlitJob& j) {
    const ColorFormat& s = j.s;
    const ColorFormat& d = j.d;
    const u32 k = j.key;
    if (IsLayout(s, Layout::kPalette)) {
        if (IsLayout(d, Layout::kA1R5G5B5)) {
            RunPairLoop<1, 2>(j, [k](u32 p) {
                return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F) | (p == k ? 0 : 0x8000);
            });
        } else if (IsLayout(d, Layout::kA8R8G8B8)) {
            RunPairLoop<1, 4>(j, [k](u32 p) { return p == k ? p : p | 0xFF000000u; });
        } else {
            return false;
        }
        return true;
    }
    if (IsLayout(s, Layout::kR8G8B8)) {
        if (IsLayout(d, Layout::kA1R5G5B5)) {
            const u32 key555 = Reduce888To555(k);
            RunPairLoop<3, 2>(j, [key555](u32 v) {
                const u32 c = Reduce888To555(v);
                return c | (c == key555 ? 0 : 0x8000);
            });
        } else if (IsLayout(d, Layout::kA8R8G8B8)) {
            RunPairLoop<3, 4>(j, [k](u32 v) { return v == k ? v : v | 0xFF000000u; });
        } else {
            return false;
        }
        return true;
    }
    if (IsLayout(s, Layout::kR5G6B5) && IsLayout(d, Layout::kA1R5G5B5)) {
        const u32 key555 = Reduce888To555(k);
        RunPairLoop<2, 2>(j, [key555](u32 c) {
            const u32 v = From565To555(c);
            return v | (v == key555 ? 0 : 0x8000);
        });
        return true;
    }
    return false;
}

// ---- the general path ----------------------------------------------------------------

struct Channel {
    u32 source_mask;
    unsigned source_shift;
    unsigned source_width;
    unsigned dest_shift;
    unsigned dest_width;
};

constexpr u8 kDitherMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int GeneralPath(const BlitJob& j) {
    const ColorFormat& s = j.s;
    const ColorFormat& d = j.d;
    const ColorFormat& a = j.a;
    const int sb = s.bytes_per_pixel;
    const int db = d.bytes_per_pixel;
    const int ab = a.bytes_per_pixel;
    if (sb < 1 || sb > 4 || db < 1 || db > 4) return 0;
    if (j.alpha_picture_mode && (ab < 1 || ab > 4)) return 0;

    const bool scale = !(s.red_width == d.red_width && s.green_width == d.green_width &&
                         (!j.alpha_picture_mode || a.red_width == d.alpha_width));
    // Red, green, blue, then alpha (from the alpha picture's red, or the source's alpha).
    Channel ch[4] = {
        {s.red_mask, s.red_shift, s.red_width, d.red_shift, d.red_width},
        {s.green_mask, s.green_shift, s.green_width, d.green_shift, d.green_width},
        {s.blue_mask, s.blue_shift, s.blue_width, d.blue_shift, d.blue_width},
        {0, 0, 0, d.alpha_shift, d.alpha_width},
    };
    enum { kAlphaFull, kAlphaFromPicture, kAlphaFromSource, kAlphaNone } alpha_kind;
    if (j.alpha_picture_mode) {
        alpha_kind = kAlphaFromPicture;
        ch[3].source_mask = a.red_mask;
        ch[3].source_shift = a.red_shift;
        ch[3].source_width = a.red_width;
    } else if (s.alpha_width != 0) {
        alpha_kind = d.alpha_width != 0 ? kAlphaFromSource : kAlphaNone;
        ch[3].source_mask = s.alpha_mask;
        ch[3].source_shift = s.alpha_shift;
        ch[3].source_width = s.alpha_width;
    } else {
        alpha_kind = kAlphaFull;
    }
    const u32 full_alpha = d.alpha_width != 0 ? d.alpha_mask >> d.alpha_shift : 0;
    const u32 all_dest_masks = d.red_mask | d.green_mask | d.blue_mask | d.alpha_mask;
    const u32 rgb_dest_masks = d.red_mask | d.green_mask | d.blue_mask;

    // Channels that lose bits, for the dither.
    const bool dither = scale && (j.dither == kDitherOrdered || j.dither == kDitherErrorCarry);
    bool loses[4] = {false, false, false, false};
    for (int c = 0; c < 4; ++c) loses[c] = dither && ch[c].source_width > ch[c].dest_width;
    if (j.color_off) loses[0] = loses[1] = loses[2] = false;
    if (alpha_kind == kAlphaFull || alpha_kind == kAlphaNone || j.alpha_from_red) loses[3] = false;
    u32 carry[4] = {0, 0, 0, 0};

    u32 key_value = 0;
    if (j.key_to_alpha) {
        key_value = MakeColorValueInFormat(&d, (j.key >> 16) & 0xFF, (j.key >> 8) & 0xFF, j.key & 0xFF, 255);
    }
    const u32 skip_value = KeyForSize(j.key, sb);

    u32 palette[256];
    if (sb == 1) {
        for (int i = 0; i < 256; ++i) palette[i] = PaletteWord(s.palette[i]);
    }
    u32 alpha_palette[256];
    if (j.alpha_picture_mode && ab == 1) {
        for (int i = 0; i < 256; ++i) alpha_palette[i] = PaletteWord(a.palette[i]);
    }

    for (int row = 0; row < j.h; ++row) {
        const u8* srow = j.SourceRow(row);
        const u8* arow = j.alpha_picture_mode ? j.AlphaRow(row) : nullptr;
        u8* drow = j.DestRow(row);
        for (int i = 0; i < j.w; ++i) {
            const u32 raw = ReadPixel(srow + i * sb, sb);
            if (j.skip_key && raw == skip_value) continue;
            const u32 sp = sb == 1 ? palette[raw] : raw;
            u32 ap = 0;
            if (arow != nullptr) {
                const u32 araw = ReadPixel(arow + i * ab, ab);
                ap = ab == 1 ? alpha_palette[araw] : araw;
            }

            u32 value[4];
            for (int c = 0; c < 3; ++c) {
                const u32 v = (sp & ch[c].source_mask) >> ch[c].source_shift;
                value[c] = scale ? ScaleChannel(v, ch[c].source_width, ch[c].dest_width) : v;
            }
            const u32 alpha_pixel = alpha_kind == kAlphaFromPicture ? ap : sp;
            switch (alpha_kind) {
                case kAlphaFromPicture:
                case kAlphaFromSource: {
                    const u32 v = (alpha_pixel & ch[3].source_mask) >> ch[3].source_shift;
                    value[3] = scale ? ScaleChannel(v, ch[3].source_width, ch[3].dest_width) : v;
                    break;
                }
                case kAlphaNone:
                    value[3] = 0;
                    break;
                case kAlphaFull:
                    value[3] = full_alpha;
                    break;
            }
            if (j.alpha_from_red) value[3] = value[0];
            if (j.color_off) value[0] = value[1] = value[2] = 0;

            u32 out = value[3] << d.alpha_shift | value[0] << d.red_shift | value[1] << d.green_shift |
                      value[2] << d.blue_shift;

            if (dither) {
                for (int c = 0; c < 4; ++c) {
                    if (!loses[c]) continue;
                    const unsigned lost_width = ch[c].source_width - ch[c].dest_width;
                    const u32 pixel = c == 3 ? alpha_pixel : sp;
                    const u32 lost_mask = static_cast<u32>(LowBits(lost_width));
                    const u32 lost = (pixel >> ch[c].source_shift) & lost_mask;
                    if (j.dither == kDitherOrdered) {
                        const u32 m = kDitherMatrix[row & 3][i & 3];
                        const u32 threshold = static_cast<u32>((static_cast<u64>(m) << lost_width) >> 4);
                        if (lost > threshold) value[c] += 1;
                    } else {
                        carry[c] += lost;
                        if (carry[c] > lost_mask) {
                            value[c] += 1;
                            carry[c] &= lost_mask;
                        }
                    }
                }
                for (int c = 0; c < 4; ++c) {
                    const u32 top = static_cast<u32>(LowBits(ch[c].dest_width));
                    if (value[c] > top) value[c] = top;
                }
                out = (out & ~all_dest_masks) | value[3] << d.alpha_shift | value[0] << d.red_shift |
                      value[1] << d.green_shift | value[2] << d.blue_shift;
            }

            if (j.key_to_alpha) {
                out = (out & rgb_dest_masks) == (key_value & rgb_dest_masks) ? out & ~d.alpha_mask
                                                                             : out | d.alpha_mask;
            }
            if (db == 2 || db == 4) out |= d.unused_mask;
            const int column = j.mirror ? j.w - 1 - i : i;
            WritePixel(drow + column * db, db, out);
        }
    }
    return 0;
}

}  // namespace

int ConvertColorBlt(const ColorBltRequest& request) {
    void* const dest = request.dest;
    const int dest_pitch = request.dest_pitch;
    const ColorFormat* const dest_format = request.dest_format;
    const void* const src = request.src;
    const int src_pitch = request.src_pitch;
    const ColorFormat* const src_format = request.src_format;
    const void* const alpha = request.alpha;
    const int alpha_pitch = request.alpha_pitch;
    const ColorFormat* const alpha_format = request.alpha_format;
    const int dest_x = request.dest_x;
    const int dest_y = request.dest_y;
    const RECT* const src_rect = request.src_rect;
    const int mirror = request.mirror;
    const int key_to_alpha = request.key_to_alpha;
    const std::uint32_t key = request.key;
    const int dither = request.dither;
    const int color_off = request.color_off;
    const int alpha_from_red = request.alpha_from_red;
    const int skip_key = request.skip_key;
    const int palette_remap = request.palette_remap;
    BlitJob j;
    std::memcpy(&j.d, dest_format, sizeof(ColorFormat));
    std::memcpy(&j.s, src_format, sizeof(ColorFormat));
    if (alpha_format != nullptr) {
        std::memcpy(&j.a, alpha_format, sizeof(ColorFormat));
    } else {
        std::memset(&j.a, 0, sizeof(ColorFormat));
    }
    j.dst = static_cast<u8*>(dest);
    j.dst_pitch = dest_pitch;
    j.src = static_cast<const u8*>(src);
    j.src_pitch = src_pitch;
    j.alp = static_cast<const u8*>(alpha);
    j.alp_pitch = alpha_pitch;
    j.dx = dest_x;
    j.dy = dest_y;
    j.sx = src_rect->left;
    j.sy = src_rect->top;
    j.w = src_rect->right - src_rect->left;
    j.h = src_rect->bottom - src_rect->top;
    j.mirror = mirror;
    j.key = key;
    j.dither = dither;
    j.color_off = color_off;
    j.alpha_from_red = alpha_from_red;

    const bool dest_alpha = j.d.alpha_width != 0;
    const bool source_alpha = j.s.alpha_width != 0;
    j.alpha_picture_mode = dest_alpha && alpha != nullptr && !source_alpha;
    const bool alpha_source = dest_alpha && (alpha != nullptr || source_alpha);
    j.key_to_alpha = (alpha_source || !dest_alpha || alpha_from_red != 0) ? 0 : (key_to_alpha != 0);
    j.skip_key = (alpha_source || mirror != 0) ? 0 : (skip_key != 0);

    // An empty (or inverted) rectangle writes nothing.
    if (j.w <= 0 || j.h <= 0) return -1;

    const bool one_byte_pair = j.s.bytes_per_pixel == 1 && j.d.bytes_per_pixel == 1;
    if (palette_remap && one_byte_pair && std::memcmp(j.s.palette, j.d.palette, sizeof j.s.palette) != 0) {
        return PaletteRemap(j);
    }

    if (j.d.bit_depth == 8) {
        const int sb = j.s.bytes_per_pixel;
        if (sb == 1) {
            if (!color_off && !j.skip_key) return CopyBytesWithMax(j);
        } else if (sb >= 2 && sb <= 4 && j.s.bit_depth == sb * 8) {
            return NearestPaletteFromTrueColor(j);
        } else {
            return 0;
        }
    }

    const bool same_masks = j.d.bit_depth == j.s.bit_depth && j.d.red_mask == j.s.red_mask &&
                            j.d.green_mask == j.s.green_mask && j.d.blue_mask == j.s.blue_mask;
    if (!j.key_to_alpha && !j.alpha_picture_mode && !color_off && !alpha_from_red && same_masks &&
        j.d.alpha_mask == j.s.alpha_mask) {
        return SameFormatCopy(j);
    }

    if (j.skip_key) return GeneralPath(j);

    if (dest_alpha && j.key_to_alpha && !color_off && !alpha_from_red && same_masks) {
        return SameLayoutKeyToAlpha(j);
    }

    if (dither == kDitherNone && !color_off && !alpha_from_red && !mirror && alpha == nullptr && !source_alpha) {
        const bool done = j.key_to_alpha ? SpecialisedKeyOn(j) : SpecialisedKeyOff(j);
        if (done) return 0;
    }
    return GeneralPath(j);
}
