// The reference triangle: the same set-up read again, with whole parts by floor division
// in 64 bits and no running sums across rows or pixels.
#include "triangle_reference.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blit_reference.h"

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
std::int64_t Whole(std::int64_t fixed) { return FloorDiv(fixed, 262144); }

std::uint32_t Load(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, static_cast<std::size_t>(bytes));
    return v;
}

struct Segment {
    std::int64_t x0, slope, start_row, rows;
};

}  // namespace

void ReferenceDrawMemImgTriangle(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src,
                                 const TriangleVertex* vt, int transparent, const MEMIMG* blend_image,
                                 std::uint32_t colour) {
    const MemImgPixelBlock* db = dest->block;
    if (db->palette_flag || db->alpha_flag || db->kind > 1) return;
    const int K = db->kind;
    if (src != nullptr && src->block->kind != K) return;
    if (src != nullptr && blend_image != nullptr &&
        (blend_image->width * blend_image->block->format->bytes_per_pixel < src->width ||
         blend_image->height < src->height)) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const std::int64_t values[4] = {vt[i].x, vt[i].y, vt[i].u, vt[i].v};
        for (std::int64_t value : values) {
            if (value < -8192 || value > 8191) return;
        }
        const std::int64_t apart[4] = {std::int64_t{vt[i].x} - vt[j].x, std::int64_t{vt[i].y} - vt[j].y,
                                       std::int64_t{vt[i].u} - vt[j].u, std::int64_t{vt[i].v} - vt[j].v};
        for (std::int64_t value : apart) {
            if (value < -8191 || value > 8191) return;
        }
    }
    int mode = state.blend_mode;
    const int v = std::clamp(state.blend_value, 0, 255);
    if (mode == 1 && v == 255) mode = 0;
    if (mode < 0 || !(mode <= 4 || mode == 10 || mode == 11)) return;
    if (mode >= 1 && mode <= 3 && v == 0) return;

    std::int64_t X[3], Y[3], U[3], V[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = std::int64_t{vt[i].x} * 262144 + 131072;
        Y[i] = std::int64_t{vt[i].y} * 262144 + 131072;
        U[i] = std::int64_t{vt[i].u} * 262144;
        V[i] = std::int64_t{vt[i].v} * 262144;
    }
    auto sort = [](const std::int64_t key[3], int o[3]) {
        o[0] = 0, o[1] = 1, o[2] = 2;
        for (int i = 0; i < 2; ++i)
            for (int j = i + 1; j < 3; ++j)
                if (key[o[i]] > key[o[j]]) std::swap(o[i], o[j]);
    };
    int ox[3], oy[3];
    sort(X, ox);
    sort(Y, oy);
    const int a = ox[0], b = ox[1], c = ox[2], t = oy[0], m = oy[1], n = oy[2];
    const std::int64_t dXab = Whole(X[b] - X[a]), dXac = Whole(X[c] - X[a]), dYab = Whole(Y[b] - Y[a]),
                       dYac = Whole(Y[c] - Y[a]), dUab = Whole(U[b] - U[a]), dUac = Whole(U[c] - U[a]),
                       dVab = Whole(V[b] - V[a]), dVac = Whole(V[c] - V[a]);
    const std::int64_t area = dYab * dXac - dYac * dXab;
    if (area == 0) return;
    auto grad = [area](std::int64_t num) -> std::int64_t {
        const double q = std::trunc(static_cast<double>(num) * 262144.0 / static_cast<double>(area));
        return q >= 2147483648.0 || q < -2147483648.0 ? -2147483648LL : static_cast<std::int64_t>(q);
    };
    const std::int64_t dudx = grad(dYab * dUac - dYac * dUab), dudy = grad(dXac * dUab - dXab * dUac);
    const std::int64_t dvdx = grad(dYab * dVac - dYac * dVab), dvdy = grad(dXac * dVab - dXab * dVac);
    const std::int64_t xa = Whole(X[a]), ya = Whole(Y[a]);

    auto seg = [](std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
        const std::int64_t rows = Whole(y1 - y0);
        return Segment{x0, rows == 0 ? 0 : (x1 - x0) / rows, Whole(y0), rows};  // division truncates
    };
    std::vector<Segment> left, right;
    if (Y[t] == Y[m]) {
        if (Y[m] == Y[n]) return;
        const int r = X[t] > X[m] ? t : m, l = r == t ? m : t;
        left = {seg(X[l], Y[l], X[n], Y[n])};
        right = {seg(X[r], Y[r], X[n], Y[n])};
    } else if (Y[m] == Y[n]) {
        const int l = X[n] < X[m] ? n : m, r = l == n ? m : n;
        left = {seg(X[t], Y[t], X[l], Y[l])};
        right = {seg(X[t], Y[t], X[r], Y[r])};
    } else {
        const double long_slope = static_cast<double>(X[n] - X[t]) / static_cast<double>(Whole(Y[n] - Y[t]));
        const double short_slope = static_cast<double>(X[m] - X[t]) / static_cast<double>(Whole(Y[m] - Y[t]));
        if (long_slope > short_slope) {
            left = {seg(X[t], Y[t], X[m], Y[m]), seg(X[m], Y[m], X[n], Y[n])};
            right = {seg(X[t], Y[t], X[n], Y[n])};
        } else {
            left = {seg(X[t], Y[t], X[n], Y[n])};
            right = {seg(X[t], Y[t], X[m], Y[m]), seg(X[m] + 1, Y[m], X[n], Y[n])};
        }
    }
    for (const auto* edges : {&left, &right})
        for (const Segment& s : *edges)
            if (s.rows == 0) return;
    auto edge_at = [](const std::vector<Segment>& e, std::int64_t row) {
        for (const Segment& s : e)
            if (row >= s.start_row && row < s.start_row + s.rows) return s.x0 + s.slope * (row - s.start_row);
        return e.back().x0 + e.back().slope * (row - e.back().start_row);
    };

    const std::int64_t clip_left = std::max<std::int64_t>(state.draw_area.left, 0);
    const std::int64_t clip_top = std::max<std::int64_t>(state.draw_area.top, 0);
    const std::int64_t clip_right = std::min<std::int64_t>(state.draw_area.right, dest->width);
    const std::int64_t clip_bottom = std::min<std::int64_t>(state.draw_area.bottom, dest->height);
    const std::int64_t first_row = left.front().start_row;
    std::int64_t rows = 0;
    for (const Segment& s : left) rows += s.rows;
    const int dbytes = K == 0 ? 2 : 4;
    const bool white = state.bright[0] == 255 && state.bright[1] == 255 && state.bright[2] == 255;
    static const std::uint8_t kWhite[3] = {255, 255, 255};

    std::uint32_t solid = 0;
    if (src == nullptr) {
        auto scale = [&](std::uint32_t f, int i) { return f * state.bright[i] / 255; };
        if (K == 0) {
            solid = (scale((colour >> 11) & 31, 2) << 11) | (scale((colour >> 5) & 63, 1) << 5) | scale(colour & 31, 0);
        } else {
            solid = (colour & 0xFF000000u) | scale(colour & 0xFF, 0) | (scale((colour >> 8) & 0xFF, 1) << 8) |
                    (scale((colour >> 16) & 0xFF, 2) << 16);
        }
    }
    const MemImgPixelBlock* sb = src != nullptr ? src->block : nullptr;
    const bool palette = sb != nullptr && sb->palette_flag;
    const bool alpha_source = sb != nullptr && !palette && sb->alpha_flag;
    const int sbytes = palette ? 1 : alpha_source ? 4 : dbytes;

    for (std::int64_t row = first_row; row < first_row + rows; ++row) {
        if (row < clip_top || row >= clip_bottom) continue;
        const std::int64_t xl = Whole(edge_at(left, row)), xr = Whole(edge_at(right, row));
        for (std::int64_t x = std::max(xl, clip_left); x <= xr && x < clip_right; ++x) {
            std::uint8_t* q = dest->pixels + db->pitch * row + dbytes * x;
            const std::uint32_t d = Load(q, dbytes);
            std::uint32_t out;
            if (src == nullptr) {
                out = ReferenceBlendPixel({K, mode, v, kWhite, false, 0, false, 0, false}, d, solid);
            } else {
                const std::uint32_t u = static_cast<std::uint32_t>(U[a] + (row - ya) * dudy + (x - xa) * dudx);
                const std::uint32_t w = static_cast<std::uint32_t>(V[a] + (row - ya) * dvdy + (x - xa) * dvdx);
                if (u >= static_cast<std::uint32_t>(src->width) * 262144u ||
                    w >= static_cast<std::uint32_t>(src->height) * 262144u) {
                    continue;
                }
                const std::uint32_t col = u >> 18, line = w >> 18;
                const std::uint32_t raw = Load(src->pixels + sb->pitch * line + sbytes * col, sbytes);
                const std::uint32_t texel = palette ? Load(sb->palette + raw * dbytes, dbytes)
                                            : K == 0 ? (raw & 0xFFFF)
                                                     : raw;
                const std::int64_t alpha = alpha_source ? (K == 0 ? (raw >> 16) & 0xFF : raw >> 24) : 0;
                bool factor = alpha_source;
                if (transparent != 0) {
                    if (alpha_source ? alpha == 0 : raw == sb->transparent_color) continue;
                    factor = alpha_source && alpha != 255;
                }
                const std::int64_t weight =
                    blend_image != nullptr ? state.weights[blend_image->pixels[blend_image->block->pitch * line + col]]
                                           : 0;
                out = ReferenceBlendPixel(
                    {K, mode, v, white ? kWhite : state.bright, blend_image != nullptr, weight, alpha_source, alpha,
                     factor},
                    d, texel);
            }
            std::memcpy(q, &out, static_cast<std::size_t>(dbytes));
        }
    }
}
