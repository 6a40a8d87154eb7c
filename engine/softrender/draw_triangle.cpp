// The triangle rasteriser's set-up and walk: checks, vertices in fixed point with 18
// fraction bits (positions at pixel centres), the exchange sorts by x and by y, the
// texture gradients, the two edges (flat top, flat bottom or bent at the middle vertex),
// then rows from the top down, each span clipped to the draw area and handed to the span
// kernel chosen once from triangle_kernels' table. Whole parts are taken by flooring, so
// negative coordinates keep their rows and columns; texture coordinates are 32-bit
// wrapping sums, bounded by the kernels' unsigned test.
#include "engine/softrender/draw_triangle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/softrender/triangle_kernels.h"

namespace {

constexpr int kFraction = 18;
constexpr std::int32_t kHalf = 1 << (kFraction - 1);
constexpr int kLow = -8192, kHigh = 8191;

// The whole part, rounding down.
inline std::int32_t Whole(std::int32_t fixed) { return fixed >> kFraction; }

// Truncation toward zero; values outside the int range (and NaN) give INT32_MIN.
std::int32_t DoubleToIntTruncated(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

bool InRange(std::int64_t value) { return value >= kLow && value <= kHigh; }
// A difference taken either way round.
bool ApartInRange(std::int64_t a, std::int64_t b) { return InRange(a - b) && InRange(b - a); }

// The vertices' coordinates and their differences fit the fixed-point form.
bool VerticesFit(const TriangleVertex* v) {
    for (int i = 0; i < 3; ++i) {
        const int values[4] = {v[i].x, v[i].y, v[i].u, v[i].v};
        for (int value : values) {
            if (!InRange(value)) return false;
        }
        const TriangleVertex& o = v[(i + 1) % 3];
        if (!ApartInRange(v[i].x, o.x) || !ApartInRange(v[i].y, o.y) || !ApartInRange(v[i].u, o.u) ||
            !ApartInRange(v[i].v, o.v)) {
            return false;
        }
    }
    return true;
}

// Indices 0, 1, 2 ordered by key with the exchange sort; equal keys keep their order.
void ExchangeSort(int order[3], const std::int32_t key[3]) {
    order[0] = 0;
    order[1] = 1;
    order[2] = 2;
    for (int i = 0; i < 2; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            if (key[order[i]] > key[order[j]]) std::swap(order[i], order[j]);
        }
    }
}

struct Edge {
    std::int32_t x;      // current X
    std::int32_t slope;  // X per row
    std::int32_t rows;   // rows left in the segment
    int segment;         // 0 upper of two, 1 last
    std::int32_t lower_x, lower_slope, lower_rows, lower_row;
};

// One segment from (xa, ya) to (xb, yb); false when it spans no row.
bool Segment(std::int32_t xa, std::int32_t ya, std::int32_t xb, std::int32_t yb, std::int32_t* slope,
             std::int32_t* rows) {
    *rows = Whole(yb - ya);
    if (*rows == 0) return false;
    *slope = (xb - xa) / *rows;
    return true;
}

}  // namespace

void DrawMemImgTriangleWith(const SoftDrawState& state, MEMIMG* dest, const MEMIMG* src,
                            const TriangleVertex* vertices, int transparent, const MEMIMG* blend_image,
                            std::uint32_t colour) {
    if (vertices == nullptr || !IsMemImgValid(dest)) return;
    const MemImgPixelBlock* dblock = dest->block;
    if (dblock->palette_flag || dblock->alpha_flag) return;
    if (dblock->kind != kMemImgRgb565 && dblock->kind != kMemImgXrgb8888) return;
    const int kind = dblock->kind;
    const bool textured = src != nullptr;
    const MemImgPixelBlock* sblock = nullptr;
    if (textured) {
        if (!IsMemImgValid(src)) return;
        sblock = src->block;
        if (sblock->kind != kind) return;
        if (sblock->palette_flag && sblock->palette == nullptr) return;
        // The blend image is read one byte per texel at the texel's column and row.
        if (blend_image != nullptr &&
            (!IsMemImgValid(blend_image) ||
             static_cast<std::int64_t>(blend_image->width) * MemImgBytesPerPixel(blend_image) < src->width ||
             blend_image->height < src->height)) {
            return;
        }
    }
    if (!VerticesFit(vertices)) return;

    int mode = state.blend_mode;
    const int value = std::clamp(state.blend_value, 0, 255);
    if (mode == 1 && value == 255) mode = 0;
    if ((mode == 1 || mode == 2 || mode == 3) && value == 0) return;
    const int source_form = !textured               ? kBlitSourceDirect
                            : sblock->palette_flag ? kBlitSourcePalette
                            : sblock->alpha_flag   ? kBlitSourceAlpha
                                                   : kBlitSourceDirect;
    const bool white = state.bright[0] == 255 && state.bright[1] == 255 && state.bright[2] == 255;
    const int test = transparent != 0 ? kBlitSkipTest : source_form == kBlitSourceAlpha ? kBlitAlphaWeight : kBlitNoTest;
    const TriangleSpanKernel span =
        SelectTriangleSpanKernel({kind, textured, source_form, test, mode, textured && blend_image != nullptr, white});
    if (span == nullptr) return;

    // Fixed point: positions at pixel centres, texture coordinates on texel corners.
    std::int32_t X[3], Y[3], U[3], V[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = vertices[i].x * (1 << kFraction) + kHalf;
        Y[i] = vertices[i].y * (1 << kFraction) + kHalf;
        U[i] = vertices[i].u * (1 << kFraction);
        V[i] = vertices[i].v * (1 << kFraction);
    }
    int by_x[3], by_y[3];
    ExchangeSort(by_x, X);
    ExchangeSort(by_y, Y);
    const int a = by_x[0], b = by_x[1], c = by_x[2];
    const int t = by_y[0], m = by_y[1], n = by_y[2];

    // Gradients of the affine texture mapping, per pixel, from whole-pixel differences.
    const std::int32_t dXab = Whole(X[b] - X[a]), dXac = Whole(X[c] - X[a]);
    const std::int32_t dYab = Whole(Y[b] - Y[a]), dYac = Whole(Y[c] - Y[a]);
    const std::int32_t dUab = Whole(U[b] - U[a]), dUac = Whole(U[c] - U[a]);
    const std::int32_t dVab = Whole(V[b] - V[a]), dVac = Whole(V[c] - V[a]);
    const std::int32_t area = dYab * dXac - dYac * dXab;
    if (area == 0) return;
    auto gradient = [area](std::int32_t numerator) {
        return DoubleToIntTruncated(static_cast<double>(numerator) * 262144.0 / static_cast<double>(area));
    };
    const std::int32_t du_dx = gradient(dYab * dUac - dYac * dUab);
    const std::int32_t du_dy = gradient(dXac * dUab - dXab * dUac);
    const std::int32_t dv_dx = gradient(dYab * dVac - dYac * dVab);
    const std::int32_t dv_dy = gradient(dXac * dVab - dXab * dVac);
    const std::int32_t xa = Whole(X[a]), ya = Whole(Y[a]);

    // The edges.
    Edge left{}, right{};
    std::int32_t start_y;
    if (Y[t] == Y[m]) {
        if (Y[m] == Y[n]) return;
        const int top_right = X[t] > X[m] ? t : m;
        const int top_left = top_right == t ? m : t;
        left = {X[top_left], 0, 0, 1, 0, 0, 0, 0};
        right = {X[top_right], 0, 0, 1, 0, 0, 0, 0};
        if (!Segment(X[top_left], Y[top_left], X[n], Y[n], &left.slope, &left.rows) ||
            !Segment(X[top_right], Y[top_right], X[n], Y[n], &right.slope, &right.rows)) {
            return;
        }
        start_y = Y[top_left];
    } else if (Y[m] == Y[n]) {
        const int bottom_left = X[n] < X[m] ? n : m;
        const int bottom_right = bottom_left == n ? m : n;
        left = {X[t], 0, 0, 1, 0, 0, 0, 0};
        right = {X[t], 0, 0, 1, 0, 0, 0, 0};
        if (!Segment(X[t], Y[t], X[bottom_left], Y[bottom_left], &left.slope, &left.rows) ||
            !Segment(X[t], Y[t], X[bottom_right], Y[bottom_right], &right.slope, &right.rows)) {
            return;
        }
        start_y = Y[t];
    } else {
        const double long_slope = static_cast<double>(X[n] - X[t]) / Whole(Y[n] - Y[t]);
        const double short_slope = static_cast<double>(X[m] - X[t]) / Whole(Y[m] - Y[t]);
        const bool middle_left = long_slope > short_slope;
        Edge& bent = middle_left ? left : right;
        Edge& straight = middle_left ? right : left;
        straight = {X[t], 0, 0, 1, 0, 0, 0, 0};
        bent = {X[t], 0, 0, 0, 0, 0, 0, Whole(Y[m])};
        // The right edge's lower segment starts one unit right of the middle vertex.
        bent.lower_x = middle_left ? X[m] : X[m] + 1;
        if (!Segment(X[t], Y[t], X[n], Y[n], &straight.slope, &straight.rows) ||
            !Segment(X[t], Y[t], X[m], Y[m], &bent.slope, &bent.rows) ||
            !Segment(bent.lower_x, Y[m], X[n], Y[n], &bent.lower_slope, &bent.lower_rows)) {
            return;
        }
        start_y = Y[t];
    }

    // Prepared values.
    TriangleSetup setup{};
    BlitContext& context = setup.context;
    context.value_row = state.value_row;
    context.signed_row = state.signed_row;
    context.mix_plane = state.mix_plane;
    for (int i = 0; i < 3; ++i) context.bright_row[i] = state.bright_row[i];
    context.weights = state.weights;
    context.value = static_cast<std::uint32_t>(value);
    if (textured) {
        context.palette = sblock->palette;
        context.key = sblock->transparent_color;  // compared at full width
        setup.source = src->pixels;
        setup.source_pitch = sblock->pitch;
        setup.source_width_limit = static_cast<std::uint32_t>(src->width) << kFraction;
        setup.source_height_limit = static_cast<std::uint32_t>(src->height) << kFraction;
        if (blend_image != nullptr) {
            setup.blend = blend_image->pixels;
            setup.blend_pitch = blend_image->block->pitch;
        }
    } else {
        if (kind == kMemImgRgb565) {
            const std::uint32_t r = (colour >> 11) & 31u, g = (colour >> 5) & 63u, b = colour & 31u;
            setup.solid_colour = Pack565(state.bright_row[0][b], state.bright_row[1][g], state.bright_row[2][r]);
        } else {
            setup.solid_colour = (colour & 0xFF000000u) | state.bright_row[0][Byte32(colour, 0)] |
                                 (state.bright_row[1][Byte32(colour, 1)] << 8) |
                                 (state.bright_row[2][Byte32(colour, 2)] << 16);
        }
        setup.solid_rule = SelectPrimitivePixelRule(kind, mode, value);
        setup.solid_rows = {state.value_row, state.signed_row, static_cast<std::uint32_t>(value)};
        if (setup.solid_rule == nullptr) return;
    }

    // The draw area, within the image.
    RECT clip = state.draw_area;
    const RECT view{0, 0, dest->width, dest->height};
    ClipRectToRect(&clip, &view);
    const int dest_bytes = kind == kMemImgRgb565 ? 2 : 4;
    const std::ptrdiff_t pitch = dblock->pitch;

    // The walk.
    std::int32_t row = Whole(start_y);
    std::int32_t left_x = Whole(left.x);
    std::int32_t width = Whole(right.x) - left_x;
    for (;;) {
        std::int32_t xl = left_x;
        std::int64_t count = static_cast<std::int64_t>(width) + 1;
        if (xl < clip.left) {
            count -= clip.left - xl;
            xl = clip.left;
        }
        if (row >= clip.top && row < clip.bottom && xl < clip.right && count > 0) {
            count = std::min<std::int64_t>(count, clip.right - xl);
            const std::uint32_t dy = static_cast<std::uint32_t>(row - ya), dx = static_cast<std::uint32_t>(xl - xa);
            const std::uint32_t u = static_cast<std::uint32_t>(U[a]) + dy * static_cast<std::uint32_t>(du_dy) +
                                    dx * static_cast<std::uint32_t>(du_dx);
            const std::uint32_t v = static_cast<std::uint32_t>(V[a]) + dy * static_cast<std::uint32_t>(dv_dy) +
                                    dx * static_cast<std::uint32_t>(dv_dx);
            span(setup, dest->pixels + pitch * row + dest_bytes * xl, u, v, static_cast<std::uint32_t>(du_dx),
                 static_cast<std::uint32_t>(dv_dx), static_cast<int>(count));
        }
        right.x += right.slope;
        left.x += left.slope;
        left_x = Whole(left.x);
        width = Whole(right.x) - left_x;
        ++row;
        --left.rows;
        --right.rows;
        if (left.rows == 0) {
            if (left.segment == 1) break;
            left.segment = 1;
            left.slope = left.lower_slope;
            left.x = left.lower_x;
            row = left.lower_row;
            left.rows = left.lower_rows;
            left_x = Whole(left.x);
            width = Whole(right.x) - left_x;
        }
        if (right.rows == 0) {
            if (right.segment == 1) break;
            right.segment = 1;
            right.slope = right.lower_slope;
            right.x = right.lower_x;
            right.rows = right.lower_rows;
            width = Whole(right.x) - left_x;
        }
    }
}
