// The YCbCr to RGB tables and row kernels. The table kernel is the rule as written:
// per pixel clamp[(Y-table + chroma term) / 16384] with truncating division. The vector
// kernels compute the same integer sums in 32-bit lanes; an arithmetic shift differs from
// the truncating division only on negative sums, and both of those clamp to 0. On
// processors with 256-bit integer vectors the frame is converted two rows per chroma row.
#include "engine/movie/yuv_to_rgb.h"

#include <cstring>

#include "engine/movie/movie.h"

namespace {

YuvToRgbTables g_tables;

inline std::uint8_t ClampIndex(const YuvToRgbTables& t, std::int32_t sum) { return t.clamp[sum / 16384 + 512]; }

void ConvertRowTable(const YuvToRgbTables& t, const YuvRowArgs& a) {
    std::uint8_t* out = a.out;
    for (std::int32_t i = 0; i < a.width; ++i) {
        const std::int32_t c = (a.chroma_x0 + i) >> 1;
        const std::uint8_t cb = a.cb[c];
        const std::uint8_t cr = a.cr[c];
        const std::int32_t r0 = t.cr_to_red[cr];
        const std::int32_t g0 = t.cb_to_green[cb] + t.cr_to_green[cr];
        const std::int32_t b0 = t.cb_to_blue[cb];
        const std::int32_t y = t.luma[a.y[i]];
        out[0] = ClampIndex(t, y + b0);
        out[1] = ClampIndex(t, y + g0);
        out[2] = ClampIndex(t, y + r0);
        out[3] = 255;
        out += 4;
    }
}

typedef std::int32_t I32x8 __attribute__((vector_size(32)));
typedef std::uint8_t U8x8 __attribute__((vector_size(8)));
typedef std::uint8_t U8x4 __attribute__((vector_size(4)));

// Eight pixels a step with the coefficients of the tables (chroma pairs duplicated by a
// shuffle when the row starts on a chroma sample), then the table kernel for the rest.
void ConvertRowVector(const YuvToRgbTables& t, const YuvRowArgs& a) {
    std::int32_t i = 0;
    std::uint8_t* out = a.out;
    if ((a.chroma_x0 & 1) == 0) {
        const std::uint8_t* cb_row = a.cb + (a.chroma_x0 >> 1);
        const std::uint8_t* cr_row = a.cr + (a.chroma_x0 >> 1);
        for (; i + 8 <= a.width; i += 8) {
            U8x8 y8;
            U8x4 cb4, cr4;
            std::memcpy(&y8, a.y + i, 8);
            std::memcpy(&cb4, cb_row + i / 2, 4);
            std::memcpy(&cr4, cr_row + i / 2, 4);
            const I32x8 y = __builtin_convertvector(y8, I32x8);
            const I32x8 cb = __builtin_convertvector(__builtin_shufflevector(cb4, cb4, 0, 0, 1, 1, 2, 2, 3, 3), I32x8);
            const I32x8 cr = __builtin_convertvector(__builtin_shufflevector(cr4, cr4, 0, 0, 1, 1, 2, 2, 3, 3), I32x8);
            const I32x8 yy = 19070 * (y - 16);
            I32x8 r = (yy + 26148 * (cr - 128)) >> 14;
            I32x8 g = (yy + (-6406 * (cb - 128) + (-13320 * (cr - 128) + 1024))) >> 14;
            I32x8 b = (yy + 33062 * (cb - 128)) >> 14;
            // Clamped to 0..255 with masks: a negative value's sign clears it, a value
            // above 255 fills its low byte.
            r = ((r & ~(r >> 31)) | ((255 - r) >> 31)) & 255;
            g = ((g & ~(g >> 31)) | ((255 - g) >> 31)) & 255;
            b = ((b & ~(b >> 31)) | ((255 - b) >> 31)) & 255;
            const I32x8 pixel = b | (g << 8) | (r << 16) | static_cast<std::int32_t>(0xFF000000u);
            std::memcpy(out, &pixel, sizeof pixel);
            out += 32;
        }
    }
    if (i < a.width) {
        YuvRowArgs rest = a;
        rest.y = a.y + i;
        rest.chroma_x0 = a.chroma_x0 + i;
        rest.width = a.width - i;
        rest.out = out;
        ConvertRowTable(t, rest);
    }
}

// The 256-bit form. The sums are regrouped, not changed: luma * 19070 plus one chroma
// term per colour that also carries the constant parts (-16 and -128 offsets, the
// green rounding 1024), so every pixel sums exactly what the tables sum. Products come
// from 16-bit multiply-adds over (sample, 0) or (cb, cr) pairs, which are exact in 32
// bits; 33062 does not fit 16 bits, so blue takes 16531 twice. The saturating packs clamp
// to 0..255 exactly as the table does.
typedef std::int16_t I16x16 __attribute__((vector_size(32)));
typedef char C8x32 __attribute__((vector_size(32)));
typedef std::uint8_t U8x16 __attribute__((vector_size(16)));

constexpr std::int32_t kRedBase = 26148 * -128 + 19070 * -16;
constexpr std::int32_t kGreenBase = -6406 * -128 + -13320 * -128 + 1024 + 19070 * -16;
constexpr std::int32_t kBlueBase = 33062 * -128 + 19070 * -16;

struct ChromaTerms {
    I32x8 red, green, blue;
};

__attribute__((target("avx2"))) inline ChromaTerms ChromaTermsAvx2(const std::uint8_t* cb, const std::uint8_t* cr) {
    U8x8 cb8, cr8;
    std::memcpy(&cb8, cb, 8);
    std::memcpy(&cr8, cr, 8);
    const U8x16 pairs = __builtin_shufflevector(cb8, cr8, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
    const I16x16 wide = __builtin_convertvector(pairs, I16x16);
    const I16x16 k_red = {0, 26148, 0, 26148, 0, 26148, 0, 26148, 0, 26148, 0, 26148, 0, 26148, 0, 26148};
    const I16x16 k_green = {-6406, -13320, -6406, -13320, -6406, -13320, -6406, -13320,
                            -6406, -13320, -6406, -13320, -6406, -13320, -6406, -13320};
    const I16x16 k_blue = {16531, 0, 16531, 0, 16531, 0, 16531, 0, 16531, 0, 16531, 0, 16531, 0, 16531, 0};
    const I32x8 blue_half = __builtin_ia32_pmaddwd256(wide, k_blue);
    return ChromaTerms{__builtin_ia32_pmaddwd256(wide, k_red) + kRedBase,
                       __builtin_ia32_pmaddwd256(wide, k_green) + kGreenBase, blue_half + blue_half + kBlueBase};
}

typedef char C8x16 __attribute__((vector_size(16)));

// Eight pixels from the low eight luma bytes of `y8`.
__attribute__((target("avx2"))) inline void EightPixelsAvx2(C8x16 y8, I32x8 red, I32x8 green, I32x8 blue,
                                                            std::uint8_t* out) {
    const I32x8 y32 = __builtin_ia32_pmovzxbd256(y8);
    const I16x16 k_luma = {19070, 0, 19070, 0, 19070, 0, 19070, 0, 19070, 0, 19070, 0, 19070, 0, 19070, 0};
    const I32x8 yy = __builtin_ia32_pmaddwd256(reinterpret_cast<I16x16>(y32), k_luma);
    const I32x8 alpha = {255, 255, 255, 255, 255, 255, 255, 255};
    const I16x16 bg = __builtin_ia32_packssdw256((yy + blue) >> 14, (yy + green) >> 14);
    const I16x16 ra = __builtin_ia32_packssdw256((yy + red) >> 14, alpha);
    // Each 128-bit half now holds b0-3 g0-3 r0-3 a0-3 of its four pixels.
    const C8x32 planes = __builtin_ia32_packuswb256(bg, ra);
    const C8x32 pixels = __builtin_shufflevector(planes, planes, 0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                                 16, 20, 24, 28, 17, 21, 25, 29, 18, 22, 26, 30, 19, 23, 27, 31);
    std::memcpy(out, &pixels, sizeof pixels);
}

// One row, or two rows sharing their chroma row when `y1` is given: sixteen pixels a
// step from eight chroma pairs; an odd first pixel and the tail go through the table kernel.
__attribute__((target("avx2"))) void ConvertRowsAvx2(const YuvToRgbTables& t, const YuvRowArgs& a,
                                                     const std::uint8_t* y1, std::uint8_t* out1) {
    std::int32_t i = 0;
    if ((a.chroma_x0 & 1) != 0 && a.width > 0) {
        ConvertRowTable(t, YuvRowArgs{a.y, a.cb, a.cr, a.chroma_x0, 1, a.out});
        if (y1 != nullptr) ConvertRowTable(t, YuvRowArgs{y1, a.cb, a.cr, a.chroma_x0, 1, out1});
        i = 1;
    }
    const std::uint8_t* cb_row = a.cb + ((a.chroma_x0 + i) >> 1);
    const std::uint8_t* cr_row = a.cr + ((a.chroma_x0 + i) >> 1);
    const std::uint8_t* y0 = a.y;
    std::uint8_t* out0 = a.out;
    const std::int32_t width = a.width;
    for (; i + 16 <= width; i += 16, cb_row += 8, cr_row += 8) {
        const ChromaTerms c = ChromaTermsAvx2(cb_row, cr_row);
        const I32x8 red_lo = __builtin_shufflevector(c.red, c.red, 0, 0, 1, 1, 2, 2, 3, 3);
        const I32x8 red_hi = __builtin_shufflevector(c.red, c.red, 4, 4, 5, 5, 6, 6, 7, 7);
        const I32x8 green_lo = __builtin_shufflevector(c.green, c.green, 0, 0, 1, 1, 2, 2, 3, 3);
        const I32x8 green_hi = __builtin_shufflevector(c.green, c.green, 4, 4, 5, 5, 6, 6, 7, 7);
        const I32x8 blue_lo = __builtin_shufflevector(c.blue, c.blue, 0, 0, 1, 1, 2, 2, 3, 3);
        const I32x8 blue_hi = __builtin_shufflevector(c.blue, c.blue, 4, 4, 5, 5, 6, 6, 7, 7);
        C8x16 y16;
        std::memcpy(&y16, y0 + i, 16);
        EightPixelsAvx2(y16, red_lo, green_lo, blue_lo, out0 + 4 * i);
        EightPixelsAvx2(__builtin_shufflevector(y16, y16, 8, 9, 10, 11, 12, 13, 14, 15, 8, 9, 10, 11, 12, 13, 14, 15),
                        red_hi, green_hi, blue_hi, out0 + 4 * i + 32);
        if (y1 != nullptr) {
            std::memcpy(&y16, y1 + i, 16);
            EightPixelsAvx2(y16, red_lo, green_lo, blue_lo, out1 + 4 * i);
            EightPixelsAvx2(
                __builtin_shufflevector(y16, y16, 8, 9, 10, 11, 12, 13, 14, 15, 8, 9, 10, 11, 12, 13, 14, 15), red_hi,
                green_hi, blue_hi, out1 + 4 * i + 32);
        }
    }
    if (i < a.width) {
        ConvertRowTable(t, YuvRowArgs{a.y + i, a.cb, a.cr, a.chroma_x0 + i, a.width - i, a.out + 4 * i});
        if (y1 != nullptr) {
            ConvertRowTable(t, YuvRowArgs{y1 + i, a.cb, a.cr, a.chroma_x0 + i, a.width - i, out1 + 4 * i});
        }
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

void ConvertRowVectorBest(const YuvToRgbTables& t, const YuvRowArgs& a) {
    if (HasAvx2()) {
        ConvertRowsAvx2(t, a, nullptr, nullptr);
    } else {
        ConvertRowVector(t, a);
    }
}

}  // namespace

const YuvRowKernel kYuvRowKernels[kYuvKernelCount] = {ConvertRowTable, ConvertRowVectorBest};

const YuvToRgbTables& kYuvToRgbTables = g_tables;

int InitYuvToRgbTables() {
    for (int v = -512; v < 768; ++v) g_tables.clamp[v + 512] = static_cast<std::uint8_t>(v < 0 ? 0 : v < 255 ? v : 255);
    std::int32_t cr_red = 26148 * -128, cb_green = -6406 * -128, cr_green = 1705984, cb_blue = 33062 * -128,
                 luma = 19070 * -16;
    for (int i = 0; i < 256; ++i) {
        g_tables.cr_to_red[i] = cr_red;
        g_tables.cb_to_green[i] = cb_green;
        g_tables.cr_to_green[i] = cr_green;
        g_tables.cb_to_blue[i] = cb_blue;
        g_tables.luma[i] = luma;
        cr_red += 26148;
        cb_green -= 6406;
        cr_green -= 13320;
        cb_blue += 33062;
        luma += 19070;
    }
    return 0;
}

void ConvertYuv420Frame(const YuvFrameArgs& f, YuvKernelKind kind) {
    const YuvRowKernel kernel = kYuvRowKernels[kind];
    const bool pairs = kind == kYuvKernelVector && HasAvx2();
    for (std::int32_t row = 0; row < f.height;) {
        const std::int32_t y_row = f.y0 + row;
        const std::int32_t c_row = y_row >> 1;
        const YuvRowArgs args{f.y + static_cast<std::intptr_t>(y_row) * f.y_stride + f.x0,
                              f.cb + static_cast<std::intptr_t>(c_row) * f.c_stride,
                              f.cr + static_cast<std::intptr_t>(c_row) * f.c_stride, f.x0, f.width,
                              f.out + static_cast<std::intptr_t>(row) * f.out_pitch};
        // An even plane row and the one below it share a chroma row.
        if (pairs && (y_row & 1) == 0 && row + 1 < f.height) {
            ConvertRowsAvx2(g_tables, args, args.y + f.y_stride, args.out + f.out_pitch);
            row += 2;
        } else {
            kernel(g_tables, args);
            row += 1;
        }
    }
}

namespace {
std::uint8_t ClampFloat(float value) {
    const std::int32_t v = static_cast<std::int32_t>(value);  // truncates toward zero
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}
}  // namespace

void ConvertYuvFrameFloat(const YuvFrameArgs& f, std::int32_t y_width, std::int32_t y_height, std::int32_t c_width,
                          std::int32_t c_height) {
    const float k_y = 1.164f, k_rv = 1.596f, k_gu = 0.391f, k_gv = 0.813f, k_bu = 2.018f;
    for (std::int32_t row = 0; row < f.height; ++row) {
        const std::int32_t y_row = f.y0 + row;
        const std::int32_t c_row =
            static_cast<std::int32_t>(static_cast<std::int64_t>(y_row) * c_height / (y_height > 0 ? y_height : 1));
        const std::uint8_t* ys = f.y + static_cast<std::intptr_t>(y_row) * f.y_stride;
        const std::uint8_t* cbs = f.cb + static_cast<std::intptr_t>(c_row) * f.c_stride;
        const std::uint8_t* crs = f.cr + static_cast<std::intptr_t>(c_row) * f.c_stride;
        std::uint8_t* out = f.out + static_cast<std::intptr_t>(row) * f.out_pitch;
        for (std::int32_t i = 0; i < f.width; ++i) {
            const std::int32_t x = f.x0 + i;
            const std::int32_t cx =
                static_cast<std::int32_t>(static_cast<std::int64_t>(x) * c_width / (y_width > 0 ? y_width : 1));
            const float yy = static_cast<float>(ys[x] - 16) * k_y;
            const float cb = static_cast<float>(cbs[cx] - 128);
            const float cr = static_cast<float>(crs[cx] - 128);
            const float red = yy + cr * k_rv;
            const float green = yy - cb * k_gu - cr * k_gv;
            const float blue = yy + cb * k_bu;
            out[0] = ClampFloat(blue);
            out[1] = ClampFloat(green);
            out[2] = ClampFloat(red);
            out[3] = 255;
            out += 4;
        }
    }
}
