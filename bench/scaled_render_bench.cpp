// The software renderer's scaled blit and textured triangles against the peers on the same
// pictures, into 640x480 RGB565 and XRGB8888 targets: the scaled copy, keyed copy and
// alpha blend by a value at x1.5, x0.5 and mirrored at the same size against SDL2's
// SDL_BlitScaled (its software renderer's flipped copy for the mirror) and pixman's
// nearest-filter transformed composite (the key as alpha 0, the value as a mask); and a
// frame of rotated 64x64 sprites (each a quad of two triangles) against SDL2's software
// renderer drawing the same geometry with SDL_RenderGeometry. Prints the rates (the best
// of the repetitions, e.g. --benchmark_repetitions=5) and the ratios at the end of the run.
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/core/system_report.h"
#include "engine/pixels/blend_tables.h"
#include "engine/pixels/memimg.h"
#include "engine/softrender/blit_stretch.h"
#include "engine/softrender/draw_triangle.h"
#include "engine/softrender/soft_draw_state.h"

namespace {

constexpr int kW = 640, kH = 480;
constexpr int kSprites = 200, kSprite = 64;

enum Scale { kEnlarge, kHalve, kMirror, kScales };
const char* const kScaleNames[kScales] = {"x1.5", "x0.5", "mirrored"};
// Source sizes: 640x480 is the destination in every case.
constexpr int kSourceW[kScales] = {427, 1280, 640};
constexpr int kSourceH[kScales] = {320, 960, 480};
const char* const kFormatNames[2] = {"RGB565", "XRGB8888"};
enum Op { kCopy, kKeyed, kAlpha, kOps };
const char* const kOpNames[kOps] = {"copy", "keyed copy", "alpha 160"};
constexpr int kBlendValue = 160;
constexpr std::uint32_t kKey32 = 0x00FF00FF;
constexpr std::uint16_t kKey565 = 0xF81F;

std::map<std::string, double> g_rates;  // benchmark name -> rate counter

std::uint16_t To565(std::uint32_t c) {
    return static_cast<std::uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F));
}

// Random colours, the same for every library; with `keyed`, runs of the key colour
// (magenta, the same in both formats) in a quarter of the pixels, like sprites.
std::vector<std::uint32_t> Picture32(int w, int h, unsigned seed, bool keyed = false) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < p.size(); ++i) {
        p[i] = rng() & 0x00FFFFFF;
        if (p[i] == kKey32) p[i] = 0;
        if (keyed && (i / 7) % 4 == 0) p[i] = kKey32;
    }
    return p;
}

void EnsureTables() {
    static bool built = false;
    if (!built) {
        BuildBlendTables();
        GetSystemBlock()->mmx = CheckMmxSupport();
        built = true;
    }
}

SoftDrawState CopyState() {
    const std::uint8_t bright[4] = {255, 255, 255, 0};
    return MakeSoftDrawState(*GetBlendTables(), 0, 255, bright, RECT{0, 0, kW, kH}, GetSystemBlock()->mmx != 0);
}

// A MEMIMG of the format holding the picture.
void MakeImage(MEMIMG* image, int format, int w, int h, const std::vector<std::uint32_t>& pic) {
    CreateMemImg(image, w, h, -1, 0, format, 0, 0, 0, nullptr);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = image->pixels + static_cast<std::ptrdiff_t>(image->block->pitch) * y;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = pic[static_cast<std::size_t>(y) * w + x];
            if (format == 0) {
                const std::uint16_t c16 = To565(c);
                std::memcpy(row + 2 * x, &c16, 2);
            } else {
                std::memcpy(row + 4 * x, &c, 4);
            }
        }
    }
}

void RecordPixels(benchmark::State& state) {
    state.counters["MPix/s"] =
        benchmark::Counter(static_cast<double>(kW) * kH / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// ---- Scaled copy ----

void BM_ScaledVomur(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0)), scale = static_cast<int>(state.range(1));
    const int op = static_cast<int>(state.range(2));
    EnsureTables();
    MEMIMG src{}, dst{};
    MakeImage(&src, format, kSourceW[scale], kSourceH[scale],
              Picture32(kSourceW[scale], kSourceH[scale], 1, op == kKeyed));
    src.block->transparent_color = format == 0 ? kKey565 : kKey32;
    CreateMemImg(&dst, kW, kH, -1, 0, format, 0, 0, 0, nullptr);
    const RECT rect = scale == kMirror ? RECT{kW, 0, 0, kH} : RECT{0, 0, kW, kH};
    SoftDrawState draw = CopyState();
    if (op == kAlpha) draw = MakeSoftDrawState(*GetBlendTables(), 1, kBlendValue, draw.bright, draw.draw_area, draw.mmx);
    for (auto _ : state) {
        DrawMemImgStretchWith(draw, &dst, &src, &rect, op == kKeyed, nullptr);
        benchmark::ClobberMemory();
    }
    RecordPixels(state);
    ReleaseMemImg(&src);
    ReleaseMemImg(&dst);
}

void BM_ScaledPixman(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0)), scale = static_cast<int>(state.range(1));
    const int op = static_cast<int>(state.range(2));
    const int sw = kSourceW[scale], sh = kSourceH[scale];
    const auto pic = Picture32(sw, sh, 1, op == kKeyed);
    // pixman's rows are whole 32-bit words.
    const int stride16 = (sw + 1) & ~1;
    std::vector<std::uint16_t> src16(static_cast<std::size_t>(stride16) * sh), dst16(static_cast<std::size_t>(kW) * kH);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) src16[static_cast<std::size_t>(y) * stride16 + x] = To565(pic[static_cast<std::size_t>(y) * sw + x]);
    std::vector<std::uint32_t> src32(pic), dst32(static_cast<std::size_t>(kW) * kH);
    // The key as alpha 0 drawn over; the blend value as a solid mask.
    for (auto& c : src32) c = op == kKeyed && c == kKey32 ? 0u : (c | 0xFF000000u);
    pixman_image_t* s = op == kKeyed ? pixman_image_create_bits(PIXMAN_a8r8g8b8, sw, sh, src32.data(), sw * 4)
                      : format == 0  ? pixman_image_create_bits(PIXMAN_r5g6b5, sw, sh,
                                                               reinterpret_cast<std::uint32_t*>(src16.data()), stride16 * 2)
                                    : pixman_image_create_bits(PIXMAN_x8r8g8b8, sw, sh, src32.data(), sw * 4);
    pixman_image_t* d = format == 0 ? pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH,
                                                               reinterpret_cast<std::uint32_t*>(dst16.data()), kW * 2)
                                    : pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, dst32.data(), kW * 4);
    // The transform maps destination to source coordinates.
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(sw) / kW),
                                pixman_double_to_fixed(static_cast<double>(sh) / kH));
    if (scale == kMirror) {
        pixman_transform_init_identity(&t);
        t.matrix[0][0] = pixman_int_to_fixed(-1);
        t.matrix[0][2] = pixman_int_to_fixed(sw);
    }
    pixman_image_set_transform(s, &t);
    pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_color_t mask_colour{0, 0, 0, static_cast<std::uint16_t>(kBlendValue * 257)};
    pixman_image_t* mask = op == kAlpha ? pixman_image_create_solid_fill(&mask_colour) : nullptr;
    const pixman_op_t pop = op == kCopy ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
    for (auto _ : state) {
        pixman_image_composite32(pop, s, mask, d, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    RecordPixels(state);
    if (mask != nullptr) pixman_image_unref(mask);
    pixman_image_unref(s);
    pixman_image_unref(d);
}

SDL_Surface* MakeSurface(int format, int w, int h, const std::vector<std::uint32_t>& pic) {
    const Uint32 fmt = format == 0 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, format == 0 ? 16 : 32, fmt);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(s->pixels) + static_cast<std::ptrdiff_t>(s->pitch) * y;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = pic[static_cast<std::size_t>(y) * w + x];
            if (format == 0) {
                const std::uint16_t c16 = To565(c);
                std::memcpy(row + 2 * x, &c16, 2);
            } else {
                std::memcpy(row + 4 * x, &c, 4);
            }
        }
    }
    return s;
}

void BM_ScaledSdl(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0)), scale = static_cast<int>(state.range(1));
    const int op = static_cast<int>(state.range(2));
    const int sw = kSourceW[scale], sh = kSourceH[scale];
    SDL_Surface* src = MakeSurface(format, sw, sh, Picture32(sw, sh, 1, op == kKeyed));
    SDL_Surface* dst = MakeSurface(format, kW, kH, std::vector<std::uint32_t>(static_cast<std::size_t>(kW) * kH));
    SDL_SetSurfaceBlendMode(src, op == kAlpha ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    if (op == kKeyed) SDL_SetColorKey(src, SDL_TRUE, format == 0 ? kKey565 : kKey32);
    if (op == kAlpha) SDL_SetSurfaceAlphaMod(src, kBlendValue);
    if (scale != kMirror) {
        SDL_Rect to{0, 0, kW, kH};
        for (auto _ : state) {
            SDL_BlitScaled(src, nullptr, dst, &to);
            benchmark::ClobberMemory();
        }
    } else {
        // SDL_BlitScaled does not mirror; the software renderer's flipped copy does.
        SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(dst);
        SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, src);
        // A keyed surface makes a texture blended by the alpha the key became.
        if (op != kKeyed) SDL_SetTextureBlendMode(texture, op == kAlpha ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
        if (op == kAlpha) SDL_SetTextureAlphaMod(texture, kBlendValue);
        for (auto _ : state) {
            SDL_RenderCopyEx(renderer, texture, nullptr, nullptr, 0.0, nullptr, SDL_FLIP_HORIZONTAL);
            SDL_RenderFlush(renderer);
            benchmark::ClobberMemory();
        }
        SDL_DestroyTexture(texture);
        SDL_DestroyRenderer(renderer);
    }
    RecordPixels(state);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

// ---- Rotated sprites as textured triangles ----

struct Corner {
    float x, y;
};
// Each sprite's four corners (top-left, top-right, bottom-right, bottom-left), turned by
// its own angle about a random centre; whole pixels, the same for both libraries.
const std::vector<std::array<Corner, 4>>& Sprites() {
    static const std::vector<std::array<Corner, 4>> sprites = [] {
        std::mt19937 rng(5);
        std::vector<std::array<Corner, 4>> out;
        for (int i = 0; i < kSprites; ++i) {
            const double cx = 40 + rng() % (kW - 80), cy = 40 + rng() % (kH - 80);
            const double angle = (rng() % 3600) * 3.14159265358979 / 1800.0;
            const double c = std::cos(angle), s = std::sin(angle), h = kSprite / 2.0;
            const double dx[4] = {-h, h, h, -h}, dy[4] = {-h, -h, h, h};
            std::array<Corner, 4> q{};
            for (int k = 0; k < 4; ++k) {
                q[k] = {static_cast<float>(std::lround(cx + c * dx[k] - s * dy[k])),
                        static_cast<float>(std::lround(cy + s * dx[k] + c * dy[k]))};
            }
            out.push_back(q);
        }
        return out;
    }();
    return sprites;
}

void RecordSprites(benchmark::State& state) {
    state.counters["sprites/s"] = benchmark::Counter(kSprites, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TrianglesVomur(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    EnsureTables();
    MEMIMG sprite{}, dst{};
    MakeImage(&sprite, format, kSprite, kSprite, Picture32(kSprite, kSprite, 3));
    CreateMemImg(&dst, kW, kH, -1, 0, format, 0, 0, 0, nullptr);
    const SoftDrawState draw = CopyState();
    std::vector<std::array<TriangleVertex, 4>> quads;
    for (const auto& q : Sprites()) {
        const int u[4] = {0, kSprite, kSprite, 0}, v[4] = {0, 0, kSprite, kSprite};
        std::array<TriangleVertex, 4> t{};
        for (int k = 0; k < 4; ++k) t[k] = {static_cast<int>(q[k].x), static_cast<int>(q[k].y), u[k], v[k]};
        quads.push_back(t);
    }
    for (auto _ : state) {
        for (const auto& t : quads) {
            const TriangleVertex first[3] = {t[0], t[1], t[3]}, second[3] = {t[1], t[3], t[2]};
            DrawMemImgTriangleWith(draw, &dst, &sprite, first, 0, nullptr, 0);
            DrawMemImgTriangleWith(draw, &dst, &sprite, second, 0, nullptr, 0);
        }
        benchmark::ClobberMemory();
    }
    RecordSprites(state);
    ReleaseMemImg(&sprite);
    ReleaseMemImg(&dst);
}

void BM_TrianglesSdl(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    SDL_Surface* dst = MakeSurface(format, kW, kH, std::vector<std::uint32_t>(static_cast<std::size_t>(kW) * kH));
    SDL_Surface* sprite = MakeSurface(format, kSprite, kSprite, Picture32(kSprite, kSprite, 3));
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(dst);
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, sprite);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;
    for (const auto& q : Sprites()) {
        const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
        const int base = static_cast<int>(vertices.size());
        for (int k = 0; k < 4; ++k) vertices.push_back({{q[k].x, q[k].y}, {255, 255, 255, 255}, {u[k], v[k]}});
        for (int k : {0, 1, 3, 1, 3, 2}) indices.push_back(base + k);
    }
    for (auto _ : state) {
        SDL_RenderGeometry(renderer, texture, vertices.data(), static_cast<int>(vertices.size()), indices.data(),
                           static_cast<int>(indices.size()));
        SDL_RenderFlush(renderer);
        benchmark::ClobberMemory();
    }
    RecordSprites(state);
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(sprite);
    SDL_FreeSurface(dst);
}

void ScaledArgs(benchmark::internal::Benchmark* b) {
    for (int f = 0; f < 2; ++f)
        for (int s = 0; s < kScales; ++s)
            for (int op = 0; op < kOps; ++op) b->Args({f, s, op});
}

class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the best run counts: the machine may be busy with other work.
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            for (const char* counter : {"MPix/s", "sprites/s"}) {
                auto it = run.counters.find(counter);
                if (it == run.counters.end()) continue;
                double& best = g_rates[run.benchmark_name()];
                best = std::max(best, static_cast<double>(it->second));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double Rate(const std::string& name) {
    auto it = g_rates.find(name);
    return it == g_rates.end() ? 0.0 : it->second;
}

}  // namespace

BENCHMARK(BM_ScaledVomur)->Apply(ScaledArgs);
BENCHMARK(BM_ScaledPixman)->Apply(ScaledArgs);
BENCHMARK(BM_ScaledSdl)->Apply(ScaledArgs);
BENCHMARK(BM_TrianglesVomur)->Arg(0)->Arg(1);
BENCHMARK(BM_TrianglesSdl)->Arg(0)->Arg(1);

int main(int argc, char** argv) {
    SDL_SetMainReady();
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nScaled copy into 640x480, megapixels per second\n");
    std::printf("%-9s %-9s %-11s %9s %9s %9s %12s %12s\n", "format", "scale", "operation", "vomur", "pixman", "SDL2",
                "vomur/pixman", "vomur/SDL2");
    for (int f = 0; f < 2; ++f) {
        for (int s = 0; s < kScales; ++s) {
            for (int op = 0; op < kOps; ++op) {
                const std::string args = "/" + std::to_string(f) + "/" + std::to_string(s) + "/" + std::to_string(op);
                const double v = Rate("BM_ScaledVomur" + args), px = Rate("BM_ScaledPixman" + args),
                             sdl = Rate("BM_ScaledSdl" + args);
                std::printf("%-9s %-9s %-11s %9.0f %9.0f %9.0f %12.2f %12.2f\n", kFormatNames[f], kScaleNames[s],
                            kOpNames[op], v, px, sdl, px > 0 ? v / px : 0.0, sdl > 0 ? v / sdl : 0.0);
            }
        }
    }
    std::printf("\n%d rotated %dx%d sprites (two triangles each) into 640x480, sprites per second\n", kSprites,
                kSprite, kSprite);
    std::printf("%-9s %12s %12s %12s\n", "format", "vomur", "SDL2", "vomur/SDL2");
    for (int f = 0; f < 2; ++f) {
        const std::string args = "/" + std::to_string(f);
        const double v = Rate("BM_TrianglesVomur" + args), sdl = Rate("BM_TrianglesSdl" + args);
        std::printf("%-9s %12.0f %12.0f %12.2f\n", kFormatNames[f], v, sdl, sdl > 0 ? v / sdl : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
