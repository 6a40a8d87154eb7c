// The software renderer's unscaled blit against pixman's compositing and SDL2's software
// blitter on the same 640x480 images: opaque copy, colour-keyed copy, alpha blend at a
// blend value and add, into RGB565 and XRGB8888 targets. Prints megapixels per second per
// library and the ratios at the end of the run; memcpy of the frame is the copy's ceiling.
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/core/system_report.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/pixels/blend_tables.h"
#include "engine/pixels/memimg.h"
#include "engine/softrender/blit_unscaled.h"

namespace {

constexpr int kW = 640, kH = 480;
constexpr int kBlendValue = 160;
constexpr std::uint32_t kKey32 = 0x00FF00FF;
constexpr std::uint16_t kKey565 = 0xF81F;

enum Op { kCopy, kKeyed, kAlpha, kAdd, kOps };
const char* const kOpNames[kOps] = {"opaque copy", "keyed copy", "alpha blend", "add"};
const char* const kFormatNames[2] = {"RGB565", "XRGB8888"};

// One source picture per format: random colours, a quarter of them the key.
struct Pictures {
    std::vector<std::uint32_t> src32, keyed32;
    std::vector<std::uint16_t> src16, keyed16;
    Pictures() {
        std::mt19937 rng(1);
        for (int i = 0; i < kW * kH; ++i) {
            const std::uint32_t c = rng() & 0x00FFFFFF;
            const bool key = (i / 7) % 4 == 0;  // runs of keyed pixels, like sprites
            src32.push_back(c);
            keyed32.push_back(key ? kKey32 : c);
            const auto c16 = static_cast<std::uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F));
            src16.push_back(c16);
            keyed16.push_back(key ? kKey565 : c16);
        }
    }
};
const Pictures& Pics() {
    static Pictures p;
    return p;
}

std::map<std::string, double> g_rates;  // "library|format|op" -> megapixels per second

void Record(benchmark::State& state, const std::string& library, int format, int op) {
    state.SetItemsProcessed(state.iterations() * kW * kH);
    state.counters["MPix/s"] = benchmark::Counter(static_cast<double>(kW) * kH / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    (void)library;
    (void)format;
    (void)op;
}

// ---- Vomur ----
void BM_Vomur(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0)), op = static_cast<int>(state.range(1));
    static bool built = false;
    if (!built) {
        BuildBlendTables();
        // The engine's start-up sets the MMX flag from the processor test; so does the bench,
        // so the value-255 add runs the form the engine runs on this machine.
        GetSystemBlock()->mmx = CheckMmxSupport();
        built = true;
    }
    MEMIMG src{}, dst{};
    const std::uint32_t key = format == 0 ? kKey565 : kKey32;
    CreateMemImg(&src, kW, kH, -1, key, format, 0, 0, 0, nullptr);
    CreateMemImg(&dst, kW, kH, -1, 0, format, 0, 0, 0, nullptr);
    const auto& p = Pics();
    for (int y = 0; y < kH; ++y) {
        if (format == 0) std::memcpy(src.pixels + src.block->pitch * y, (op == kKeyed ? p.keyed16 : p.src16).data() + y * kW, kW * 2);
        else std::memcpy(src.pixels + src.block->pitch * y, (op == kKeyed ? p.keyed32 : p.src32).data() + y * kW, kW * 4);
    }
    std::memset(dst.pixels, 0x40, static_cast<std::size_t>(dst.block->pitch) * kH);
    DrawSettingsBlock* s = GetDrawSettings();
    s->draw_area = RECT{0, 0, kW, kH};
    s->bright[0] = s->bright[1] = s->bright[2] = 255;
    s->blend_mode = op == kAlpha ? 1 : op == kAdd ? 2 : 0;
    s->blend_value = op == kAlpha ? kBlendValue : 255;
    const int transparent = op == kKeyed ? 1 : 0;
    for (auto _ : state) {
        DrawMemImg(&dst, &src, 0, 0, transparent, nullptr);
        benchmark::ClobberMemory();
    }
    Record(state, "vomur", format, op);
    ReleaseMemImg(&src);
    ReleaseMemImg(&dst);
}

// ---- pixman: the key as alpha 0 over, the blend value as a solid mask ----
void BM_Pixman(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0)), op = static_cast<int>(state.range(1));
    const auto& p = Pics();
    std::vector<std::uint32_t> src(p.src32), dst(kW * kH, 0x00404040);
    std::vector<std::uint16_t> dst16(kW * kH, 0x4208), src16(p.src16);
    pixman_format_code_t dfmt = format == 0 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
    pixman_image_t* s_img;
    if (op == kKeyed) {
        for (int i = 0; i < kW * kH; ++i) src[i] = p.keyed32[i] == kKey32 ? 0u : (p.src32[i] | 0xFF000000u);
        s_img = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, src.data(), kW * 4);
    } else if (format == 0) {
        s_img = pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<std::uint32_t*>(src16.data()), kW * 2);
    } else {
        s_img = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, src.data(), kW * 4);
    }
    pixman_image_t* d_img = format == 0
                                ? pixman_image_create_bits(dfmt, kW, kH, reinterpret_cast<std::uint32_t*>(dst16.data()), kW * 2)
                                : pixman_image_create_bits(dfmt, kW, kH, dst.data(), kW * 4);
    pixman_color_t mask_colour{0, 0, 0, static_cast<std::uint16_t>(kBlendValue * 257)};
    pixman_image_t* mask = op == kAlpha ? pixman_image_create_solid_fill(&mask_colour) : nullptr;
    const pixman_op_t pop = op == kCopy ? PIXMAN_OP_SRC : op == kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
    for (auto _ : state) {
        pixman_image_composite32(pop, s_img, mask, d_img, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    Record(state, "pixman", format, op);
    if (mask) pixman_image_unref(mask);
    pixman_image_unref(s_img);
    pixman_image_unref(d_img);
}

// ---- SDL2 software blitter ----
void BM_Sdl(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0)), op = static_cast<int>(state.range(1));
    const auto& p = Pics();
    const Uint32 fmt = format == 0 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, format == 0 ? 16 : 32, fmt);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, format == 0 ? 16 : 32, fmt);
    for (int y = 0; y < kH; ++y) {
        auto* row = static_cast<std::uint8_t*>(src->pixels) + src->pitch * y;
        if (format == 0) std::memcpy(row, (op == kKeyed ? p.keyed16 : p.src16).data() + y * kW, kW * 2);
        else std::memcpy(row, (op == kKeyed ? p.keyed32 : p.src32).data() + y * kW, kW * 4);
    }
    SDL_FillRect(dst, nullptr, format == 0 ? 0x4208 : 0x404040);
    SDL_SetSurfaceBlendMode(src, op == kAlpha ? SDL_BLENDMODE_BLEND : op == kAdd ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_NONE);
    if (op == kKeyed) SDL_SetColorKey(src, SDL_TRUE, format == 0 ? kKey565 : kKey32);
    if (op == kAlpha) SDL_SetSurfaceAlphaMod(src, kBlendValue);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::ClobberMemory();
    }
    Record(state, "sdl", format, op);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

// ---- memcpy of the frame, the opaque copy's ceiling ----
void BM_Memcpy(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    const std::size_t bytes = static_cast<std::size_t>(kW) * kH * (format == 0 ? 2 : 4);
    std::vector<std::uint8_t> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    Record(state, "memcpy", format, kCopy);
}

void Args(benchmark::internal::Benchmark* b) {
    for (int f = 0; f < 2; ++f)
        for (int op = 0; op < kOps; ++op) b->Args({f, op});
}

// Collects each run's rate for the ratio table.
class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto it = run.counters.find("MPix/s");
            if (it != run.counters.end()) g_rates[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double Rate(const std::string& library, int format, int op) {
    const std::string name = "BM_" + library + "/" + std::to_string(format) + "/" + std::to_string(op);
    auto it = g_rates.find(name);
    if (it == g_rates.end()) it = g_rates.find("BM_" + library + "/" + std::to_string(format));
    return it == g_rates.end() ? 0.0 : it->second;
}

}  // namespace

BENCHMARK(BM_Vomur)->Apply(Args);
BENCHMARK(BM_Pixman)->Apply(Args);
BENCHMARK(BM_Sdl)->Apply(Args);
BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1);

int main(int argc, char** argv) {
    SDL_SetMainReady();
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n640x480, megapixels per second (blend value %d for the alpha blend, 255 for add)\n", kBlendValue);
    std::printf("%-9s %-12s %9s %9s %9s %9s %12s %12s\n", "format", "operation", "vomur", "pixman", "SDL2", "memcpy",
                "vomur/pixman", "vomur/SDL2");
    for (int f = 0; f < 2; ++f) {
        for (int op = 0; op < kOps; ++op) {
            const double v = Rate("Vomur", f, op), px = Rate("Pixman", f, op), sdl = Rate("Sdl", f, op);
            const double mc = op == kCopy ? Rate("Memcpy", f, -1) : 0.0;
            std::printf("%-9s %-12s %9.0f %9.0f %9.0f %9s %12.2f %12.2f\n", kFormatNames[f], kOpNames[op], v, px, sdl,
                        op == kCopy ? std::to_string(static_cast<int>(mc)).c_str() : "-", px > 0 ? v / px : 0.0,
                        sdl > 0 ? v / sdl : 0.0);
        }
    }
    benchmark::Shutdown();
    return 0;
}
