// The 3-D device over GL against SDL2's OpenGL renderer on the same machine and context
// kind (Mesa's llvmpipe here): 2,000 textured 32x32 sprites per frame, alpha blended into
// a 640x480 target, each frame finished (one pixel read back) before the next. The
// device gets its vertices as the engine batches them (at most 2,334 per draw); SDL2
// batches its SDL_RenderCopy calls itself. Prints frames per second and the ratio.
#include <benchmark/benchmark.h>
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/d3d7.h"
#include "platform/testing/gl_testing.h"

namespace {

constexpr int kW = 640, kH = 480, kSprite = 32, kSprites = 2000;
constexpr int kBatchVertices = 2334;  // the engine's largest batch of textured vertices
std::map<std::string, double> g_fps;

struct Position {
    float x, y;
};
std::vector<Position> Positions() {
    std::mt19937 random(11);
    std::vector<Position> p(kSprites);
    for (Position& q : p) {
        q.x = static_cast<float>(random() % (kW - kSprite));
        q.y = static_cast<float>(random() % (kH - kSprite));
    }
    return p;
}
std::vector<std::uint32_t> SpritePixels() {
    std::vector<std::uint32_t> pixels(kSprite * kSprite);
    for (int y = 0; y < kSprite; ++y) {
        for (int x = 0; x < kSprite; ++x) {
            const std::uint32_t a = static_cast<std::uint32_t>((x + y) * 255 / (2 * kSprite - 2));
            pixels[y * kSprite + x] = a << 24 | static_cast<std::uint32_t>(x * 8) << 16 | static_cast<std::uint32_t>(y * 8) << 8 | 0x80;
        }
    }
    return pixels;
}

struct Vertex {
    float x, y, z, rhw;
    std::uint32_t diffuse;
    float u, v;
};

void BM_Device(benchmark::State& state) {
    CoInitialize(nullptr);
    IDirectDraw7* dd = nullptr;
    IDirect3D7* d3d = nullptr;
    if (CoCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_ALL, IID_IDirectDraw7, reinterpret_cast<void**>(&dd)) != S_OK ||
        dd->Initialize(nullptr) != DD_OK || dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL) != DD_OK ||
        FAILED(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d)))) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    auto make = [&](int w, int h, bool alpha) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = static_cast<DWORD>(w);
        desc.dwHeight = static_cast<DWORD>(h);
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB | (alpha ? DDPF_ALPHAPIXELS : 0u);
        desc.ddpfPixelFormat.dwRGBBitCount = 32;
        desc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
        desc.ddpfPixelFormat.dwGBitMask = 0xFF00;
        desc.ddpfPixelFormat.dwBBitMask = 0xFF;
        desc.ddpfPixelFormat.dwRGBAlphaBitMask = alpha ? 0xFF000000u : 0u;
        IDirectDrawSurface7* s = nullptr;
        dd->CreateSurface(&desc, &s, nullptr);
        return s;
    };
    IDirectDrawSurface7* target = make(kW, kH, false);
    IDirectDrawSurface7* sprite = make(kSprite, kSprite, true);
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    sprite->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
    const std::vector<std::uint32_t> pixels = SpritePixels();
    for (int y = 0; y < kSprite; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(locked.lpSurface) + y * locked.lPitch, &pixels[y * kSprite], kSprite * 4);
    }
    sprite->Unlock(nullptr);
    IDirect3DDevice7* device = nullptr;
    d3d->CreateDevice(IID_IDirect3DTnLHalDevice, target, &device);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, sprite);
    device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    const std::vector<Position> positions = Positions();
    std::vector<Vertex> vertices;
    vertices.reserve(kSprites * 6);
    for (const Position& p : positions) {
        const float x0 = p.x - 0.5f, y0 = p.y - 0.5f, x1 = x0 + kSprite, y1 = y0 + kSprite;
        const Vertex tl{x0, y0, 0.2f, 1, 0xFFFFFFFFu, 0, 0}, tr{x1, y0, 0.2f, 1, 0xFFFFFFFFu, 1, 0};
        const Vertex bl{x0, y1, 0.2f, 1, 0xFFFFFFFFu, 0, 1}, br{x1, y1, 0.2f, 1, 0xFFFFFFFFu, 1, 1};
        for (const Vertex& v : {tl, tr, bl, br, bl, tr}) vertices.push_back(v);
    }
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x203040;
    RECT one{0, 0, 1, 1};
    for (auto _ : state) {
        target->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        device->BeginScene();
        const int batch = kBatchVertices / 6 * 6;
        for (int first = 0; first < static_cast<int>(vertices.size()); first += batch) {
            const int count = std::min(batch, static_cast<int>(vertices.size()) - first);
            device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, &vertices[first],
                                  static_cast<DWORD>(count), 0);
        }
        device->EndScene();
        target->Lock(&one, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);  // the frame is finished
        target->Unlock(&one);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    device->Release();
    sprite->Release();
    target->Release();
    d3d->Release();
    dd->Release();
    CoUninitialize();
}

void BM_SdlRenderer(benchmark::State& state) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError("no SDL video");
        return;
    }
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, kW, kH, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE) : nullptr;
    SDL_RendererInfo info{};
    if (renderer == nullptr || SDL_GetRendererInfo(renderer, &info) != 0 || std::strcmp(info.name, "opengl") != 0) {
        state.SkipWithError("no SDL2 OpenGL renderer");
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return;
    }
    SDL_Texture* target = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, kW, kH);
    SDL_Texture* sprite = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSprite, kSprite);
    const std::vector<std::uint32_t> pixels = SpritePixels();
    SDL_UpdateTexture(sprite, nullptr, pixels.data(), kSprite * 4);
    SDL_SetTextureBlendMode(sprite, SDL_BLENDMODE_BLEND);
    const std::vector<Position> positions = Positions();
    std::uint32_t pixel = 0;
    SDL_Rect one{0, 0, 1, 1};
    for (auto _ : state) {
        SDL_SetRenderTarget(renderer, target);
        SDL_SetRenderDrawColor(renderer, 0x20, 0x30, 0x40, 255);
        SDL_RenderClear(renderer);
        for (const Position& p : positions) {
            const SDL_Rect to{static_cast<int>(p.x), static_cast<int>(p.y), kSprite, kSprite};
            SDL_RenderCopy(renderer, sprite, nullptr, &to);
        }
        SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);  // the frame is finished
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    SDL_DestroyTexture(sprite);
    SDL_DestroyTexture(target);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

class FpsReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto it = run.counters.find("fps");
            if (it != run.counters.end()) g_fps[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

BENCHMARK(BM_Device)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SdlRenderer)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // Without a display, SDL's off-screen driver carries GL (Mesa through EGL).
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_SetMainReady();
    // The 3-D device is measured over whatever GL is here, a CPU rasteriser included.
    platform_hooks::CountCpuGlAsHardware(true);
    benchmark::Initialize(&argc, argv);
    FpsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double device = g_fps["BM_Device/real_time"];
    const double sdl = g_fps["BM_SdlRenderer/real_time"];
    std::printf("\n%d textured %dx%d alpha-blended sprites per %dx%d frame, frames per second\n", kSprites, kSprite,
                kSprite, kW, kH);
    std::printf("%-12s %12s %12s\n", "vomur 3-D", "SDL2 GL", "vomur/SDL2");
    std::printf("%-12.1f %12.1f %12.2f\n", device, sdl, sdl > 0 ? device / sdl : 0.0);
    benchmark::Shutdown();
    return 0;
}
