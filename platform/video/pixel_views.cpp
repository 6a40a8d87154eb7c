// Reading, writing and copying pixels of the display stand-in: views of 32-bit pixels in
// memory, raw values of 1 to 4 bytes, conversion to and from 0x00RRGGBB by channel masks,
// and the nearest-neighbour stretch copy that blits, GDI presentation and the window
// picture share.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/video/display_internal.h"

namespace display {
namespace {

int LowBit(std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    return shift;
}

int BitWidth(std::uint32_t mask) {
    int width = 0;
    mask >>= LowBit(mask);
    while ((mask & 1u) != 0) {
        ++width;
        mask >>= 1;
    }
    return width;
}

std::uint32_t Widen(std::uint32_t raw, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int width = BitWidth(mask);
    std::uint32_t value = (raw & mask) >> LowBit(mask);
    if (width >= 8) return (value >> (width - 8)) & 0xFFu;
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        const int shift = 8 - filled - width;
        out |= shift >= 0 ? value << shift : value >> -shift;
        filled += width;
    }
    return out & 0xFFu;
}

std::uint32_t Narrow(std::uint32_t channel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int width = BitWidth(mask);
    const std::uint32_t value = width >= 8 ? channel << (width - 8) : channel >> (8 - width);
    return (value << LowBit(mask)) & mask;
}

// Two palettes with the same entries count as one, so palette indices copy unchanged.
bool SamePalette(const PALETTEENTRY* a, const PALETTEENTRY* b) {
    if (a == b) return true;
    if (a == nullptr || b == nullptr) return false;
    for (int i = 0; i < 256; ++i) {
        if (a[i].peRed != b[i].peRed || a[i].peGreen != b[i].peGreen || a[i].peBlue != b[i].peBlue) return false;
    }
    return true;
}

bool SameLayout(const PixelView& a, const PixelView& b) {
    return a.bytes_per_pixel == b.bytes_per_pixel && a.red_mask == b.red_mask && a.green_mask == b.green_mask &&
           a.blue_mask == b.blue_mask && (a.bytes_per_pixel != 1 || SamePalette(a.palette, b.palette));
}

// The bytes a view covers (its pitch may be negative: rows running upward in memory).
void Span(const PixelView& view, const std::uint8_t** lo, const std::uint8_t** hi) {
    const std::ptrdiff_t last_row = static_cast<std::ptrdiff_t>(view.pitch) * (view.height > 0 ? view.height - 1 : 0);
    const std::ptrdiff_t row_bytes = static_cast<std::ptrdiff_t>(view.width) * view.bytes_per_pixel;
    if (last_row >= 0) {
        *lo = view.pixels;
        *hi = view.pixels + last_row + row_bytes;
    } else {
        *lo = view.pixels + last_row;
        *hi = view.pixels + row_bytes;
    }
}

}  // namespace

PixelView XrgbPixelView(std::uint8_t* pixels, int width, int height) {
    PixelView view;
    view.pixels = pixels;
    view.pitch = width * 4;
    view.width = width;
    view.height = height;
    view.bytes_per_pixel = 4;
    view.red_mask = 0xFF0000u;
    view.green_mask = 0xFF00u;
    view.blue_mask = 0xFFu;
    return view;
}

std::uint32_t ReadRaw(const std::uint8_t* at, int bytes_per_pixel) {
    switch (bytes_per_pixel) {
        case 1:
            return at[0];
        case 2:
            return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8;
        case 3:
            return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                   static_cast<std::uint32_t>(at[2]) << 16;
        case 4: {
            std::uint32_t value;
            std::memcpy(&value, at, 4);
            return value;
        }
        default:
            return 0;
    }
}

void WriteRaw(std::uint8_t* at, int bytes_per_pixel, std::uint32_t value) {
    switch (bytes_per_pixel) {
        case 1:
            at[0] = static_cast<std::uint8_t>(value);
            break;
        case 2:
            at[0] = static_cast<std::uint8_t>(value);
            at[1] = static_cast<std::uint8_t>(value >> 8);
            break;
        case 3:
            at[0] = static_cast<std::uint8_t>(value);
            at[1] = static_cast<std::uint8_t>(value >> 8);
            at[2] = static_cast<std::uint8_t>(value >> 16);
            break;
        case 4:
            std::memcpy(at, &value, 4);
            break;
        default:
            break;
    }
}

std::uint32_t ReadPixelRgb(const PixelView& view, int x, int y) {
    const std::uint8_t* at = view.pixels + static_cast<std::ptrdiff_t>(y) * view.pitch +
                             static_cast<std::ptrdiff_t>(x) * view.bytes_per_pixel;
    const std::uint32_t raw = ReadRaw(at, view.bytes_per_pixel);
    if (view.bytes_per_pixel == 1) {
        if (view.palette == nullptr) return raw * 0x010101u;
        const PALETTEENTRY& entry = view.palette[raw & 0xFFu];
        return static_cast<std::uint32_t>(entry.peRed) << 16 | static_cast<std::uint32_t>(entry.peGreen) << 8 |
               entry.peBlue;
    }
    return Widen(raw, view.red_mask) << 16 | Widen(raw, view.green_mask) << 8 | Widen(raw, view.blue_mask);
}

std::uint32_t PackPixelRgb(const PixelView& view, std::uint32_t rgb) {
    const std::uint32_t red = (rgb >> 16) & 0xFFu;
    const std::uint32_t green = (rgb >> 8) & 0xFFu;
    const std::uint32_t blue = rgb & 0xFFu;
    if (view.bytes_per_pixel == 1) {
        if (view.palette == nullptr) return (red * 77 + green * 150 + blue * 29) >> 8;
        // Nearest palette entry, first of equal distances.
        std::uint32_t best = 0;
        std::uint32_t best_distance = 0xFFFFFFFFu;
        for (std::uint32_t i = 0; i < 256; ++i) {
            const int dr = static_cast<int>(view.palette[i].peRed) - static_cast<int>(red);
            const int dg = static_cast<int>(view.palette[i].peGreen) - static_cast<int>(green);
            const int db = static_cast<int>(view.palette[i].peBlue) - static_cast<int>(blue);
            const std::uint32_t distance = static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
            if (distance < best_distance) {
                best_distance = distance;
                best = i;
            }
        }
        return best;
    }
    return Narrow(red, view.red_mask) | Narrow(green, view.green_mask) | Narrow(blue, view.blue_mask);
}

void StretchCopy(const PixelView& destination, const RECT& destination_rect, const PixelView& source,
                 const RECT& source_rect) {
    const long long dst_w = static_cast<long long>(destination_rect.right) - destination_rect.left;
    const long long dst_h = static_cast<long long>(destination_rect.bottom) - destination_rect.top;
    const long long src_w = static_cast<long long>(source_rect.right) - source_rect.left;
    const long long src_h = static_cast<long long>(source_rect.bottom) - source_rect.top;
    if (dst_w == 0 || dst_h == 0 || src_w == 0 || src_h == 0) return;
    if (destination.pixels == nullptr || source.pixels == nullptr) return;

    // Snapshot the source when it shares memory with the destination.
    const std::uint8_t* src_base = source.pixels;
    const int src_pitch = source.pitch;
    std::vector<std::uint8_t> copy;
    const std::uint8_t* src_lo;
    const std::uint8_t* src_hi;
    const std::uint8_t* dst_lo;
    const std::uint8_t* dst_hi;
    Span(source, &src_lo, &src_hi);
    Span(destination, &dst_lo, &dst_hi);
    if (src_lo < dst_hi && dst_lo < src_hi) {
        copy.assign(src_lo, src_hi);
        src_base = copy.data() + (source.pixels - src_lo);
    }

    const bool same = SameLayout(destination, source);
    // Walk the destination rectangle (in its own direction) and sample the source.
    const long long dx_step = dst_w > 0 ? 1 : -1;
    const long long dy_step = dst_h > 0 ? 1 : -1;
    const long long abs_dw = dst_w * dx_step;
    const long long abs_dh = dst_h * dy_step;
    // An unscaled row of the same layout, both walked the same way, is one byte copy: the
    // sampling then takes source column dx - shift for destination column dx.
    long long run_lo = 0;
    long long run_hi = 0;
    long long run_shift = 0;
    const bool rows_copied = same && abs_dw == (src_w > 0 ? src_w : -src_w) && (dst_w > 0) == (src_w > 0);
    if (rows_copied) {
        const long long dx_first = dst_w > 0 ? destination_rect.left : destination_rect.left - abs_dw;
        const long long sx_first = src_w > 0 ? source_rect.left : source_rect.left - abs_dw;
        run_shift = dx_first - sx_first;
        run_lo = std::max({dx_first, 0LL, run_shift});
        run_hi = std::min({dx_first + abs_dw, static_cast<long long>(destination.width), source.width + run_shift});
    }
    for (long long j = 0; j < abs_dh; ++j) {
        const long long dy = dy_step > 0 ? destination_rect.top + j : destination_rect.top - 1 - j;
        if (dy < 0 || dy >= destination.height) continue;
        // Source row for destination row j (sample at pixel centres).
        long long sj = (2 * j + 1) * (src_h > 0 ? src_h : -src_h) / (2 * abs_dh);
        const long long sy = src_h > 0 ? source_rect.top + sj : source_rect.top - 1 - sj;
        if (sy < 0 || sy >= source.height) continue;
        std::uint8_t* dst_row = destination.pixels + dy * destination.pitch;
        const std::uint8_t* src_row = src_base + sy * src_pitch;
        if (rows_copied) {
            if (run_hi > run_lo) {
                const long long bytes = source.bytes_per_pixel;
                std::memcpy(dst_row + run_lo * bytes, src_row + (run_lo - run_shift) * bytes,
                            static_cast<std::size_t>((run_hi - run_lo) * bytes));
            }
            continue;
        }
        for (long long i = 0; i < abs_dw; ++i) {
            const long long dx = dx_step > 0 ? destination_rect.left + i : destination_rect.left - 1 - i;
            if (dx < 0 || dx >= destination.width) continue;
            const long long si = (2 * i + 1) * (src_w > 0 ? src_w : -src_w) / (2 * abs_dw);
            const long long sx = src_w > 0 ? source_rect.left + si : source_rect.left - 1 - si;
            if (sx < 0 || sx >= source.width) continue;
            const std::uint8_t* from = src_row + sx * source.bytes_per_pixel;
            std::uint8_t* to = dst_row + dx * destination.bytes_per_pixel;
            if (same) {
                std::memcpy(to, from, static_cast<std::size_t>(source.bytes_per_pixel));
            } else {
                PixelView row_view = source;
                row_view.pixels = const_cast<std::uint8_t*>(src_row);
                const std::uint32_t rgb = ReadPixelRgb(row_view, static_cast<int>(sx), 0);
                WriteRaw(to, destination.bytes_per_pixel, PackPixelRgb(destination, rgb));
            }
        }
    }
}

}  // namespace display
