// String drawing with a warm glyph cache against SDL_ttf: a 40-character line of kana,
// kanji and ASCII, plain and anti-aliased with a one-pixel edge, drawn onto a 32-bit
// 640x480 target. The engine draws through its public string path into the back buffer
// (software rendering, 32 bits); SDL_ttf renders the same text from the same font file
// at the same pixel size and blits it onto an XRGB8888 surface (the edge as its outline
// rendering blitted under the text). Prints strings per second and the ratios.
#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "engine/font/font.h"
#include "engine/graphics/graphics.h"
#include "engine/include/vomur.h"
#include "platform/code_page.h"

namespace {

// 40 characters: kanji, katakana, long-vowel mark, digits, ASCII letters and signs.
const char kLineUtf8[] = "命中率66.7% スコア:000020 ロボ残数ボーナス ABC WAVE 12";
std::string g_line_cp932;
std::string g_font_file;
int g_plain_font = -1;
int g_smooth_font = -1;
std::map<std::string, double> g_rates;

int CountUtf8Characters(const char* text) {
    int n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) n += (*p & 0xC0) != 0x80;
    return n;
}

// The file fontconfig chooses for the engine's default Japanese fixed-pitch face.
std::string JapaneseFontFile() {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("monospace:lang=ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    FcChar8* name = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch) {
        file = reinterpret_cast<const char*>(name);
    }
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

void BM_Vomur(benchmark::State& state) {
    const int font = state.range(0) == 0 ? g_plain_font : g_smooth_font;
    const std::uint32_t white = ApiMakeColorValue(255, 255, 255);
    const std::uint32_t black = ApiMakeColorValue(0, 0, 0);
    DrawStringWithFontHandle(0, 100, g_line_cp932.c_str(), white, font, black, 0);  // warm the cache
    int y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DrawStringWithFontHandle(8, 20 + y, g_line_cp932.c_str(), white, font, black, 0));
        y = (y + 24) % 400;
    }
    state.counters["strings/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SdlTtf(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    // The same pixel size: the engine's 16-pixel cell height is ascent plus descent.
    TTF_Font* font = TTF_OpenFont(g_font_file.c_str(), 15);
    TTF_Font* outline = TTF_OpenFont(g_font_file.c_str(), 15);
    if (font == nullptr || outline == nullptr) {
        state.SkipWithError("TTF_OpenFont failed");
        return;
    }
    TTF_SetFontStyle(font, TTF_STYLE_BOLD);
    TTF_SetFontStyle(outline, TTF_STYLE_BOLD);
    TTF_SetFontOutline(outline, 1);
    if (!smooth) {
        TTF_SetFontHinting(font, TTF_HINTING_MONO);
    }
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_XRGB8888);
    const SDL_Color white{255, 255, 255, 255};
    const SDL_Color black{0, 0, 0, 255};
    int y = 0;
    for (auto _ : state) {
        SDL_Rect at{8, 20 + y, 0, 0};
        if (!smooth) {
            SDL_Surface* text = TTF_RenderUTF8_Solid(font, kLineUtf8, white);
            SDL_BlitSurface(text, nullptr, target, &at);
            SDL_FreeSurface(text);
        } else {
            SDL_Surface* edge = TTF_RenderUTF8_Blended(outline, kLineUtf8, black);
            SDL_Surface* text = TTF_RenderUTF8_Blended(font, kLineUtf8, white);
            SDL_BlitSurface(edge, nullptr, target, &at);
            SDL_Rect inner{at.x + 1, at.y + 1, 0, 0};
            SDL_BlitSurface(text, nullptr, target, &inner);
            SDL_FreeSurface(text);
            SDL_FreeSurface(edge);
        }
        y = (y + 24) % 400;
    }
    state.counters["strings/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    SDL_FreeSurface(target);
    TTF_CloseFont(outline);
    TTF_CloseFont(font);
}

class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto it = run.counters.find("strings/s");
            if (it != run.counters.end()) g_rates[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

BENCHMARK(BM_Vomur)->Arg(0)->Arg(1);
BENCHMARK(BM_SdlTtf)->Arg(0)->Arg(1);

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_SetMainReady();
    benchmark::Initialize(&argc, argv);
    if (CountUtf8Characters(kLineUtf8) != 40 || !Utf8ToCp932(kLineUtf8, sizeof kLineUtf8 - 1, g_line_cp932)) {
        std::fprintf(stderr, "the test line is not 40 convertible characters\n");
        return 1;
    }
    g_font_file = JapaneseFontFile();
    ApiSetLogFileOutput(0);
    ApiChangeWindowMode(1);
    if (g_font_file.empty() || ApiInitializeLibrary() != 0 || GetScreenBitDepth() != 32 || TTF_Init() != 0) {
        std::fprintf(stderr, "set-up failed\n");
        return 1;
    }
    ApiChooseDrawTarget(-2);
    g_plain_font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    g_smooth_font = CreateFontToHandle(nullptr, 16, 6, 3, -1, 1, 0, -1, -1);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n40-character line, %s, 32-bit 640x480 target, strings per second\n", g_font_file.c_str());
    std::printf("%-26s %12s %12s %8s\n", "", "vomur", "SDL_ttf", "ratio");
    const char* names[2] = {"plain", "anti-aliased, edge 1"};
    for (int i = 0; i < 2; ++i) {
        const double v = g_rates["BM_Vomur/" + std::to_string(i)];
        const double t = g_rates["BM_SdlTtf/" + std::to_string(i)];
        std::printf("%-26s %12.0f %12.0f %8.2f\n", names[i], v, t, t > 0 ? v / t : 0.0);
    }
    DeleteFontHandle(g_plain_font);
    DeleteFontHandle(g_smooth_font);
    TTF_Quit();
    ApiTerminateLibrary();
    benchmark::Shutdown();
    return 0;
}
