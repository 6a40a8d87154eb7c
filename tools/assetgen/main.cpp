// assetgen: writes the game's eighteen data files into one folder, the same bytes on
// every run. Usage: assetgen --out DIR [--sheet FILE.png]; --sheet also writes the
// review contact sheet of every picture. Relies on the image, sound and music units.
#include <cstdio>
#include <exception>
#include <cstring>
#include <filesystem>
#include <string>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "audio.h"
#include "png_file.h"
#include "screens.h"
#include "sprites.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: assetgen --out DIR [--sheet FILE.png]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out, sheet;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) out = argv[++i];
        else if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc) sheet = argv[++i];
        else return Usage();
    }
    if (out.empty()) return Usage();
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen: cannot create %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    const std::string dir = out + "/";

    // The pieces of work share nothing but the folder and write different files, so they
    // run side by side; each one's bytes do not depend on the others or on timing.
    auto pictures = [&]() {
        const Canvas chars = MakeCharSheet();
        const Canvas run = MakeRunMarker();
        const Canvas playField = MakePlayField();
        const Canvas ground = MakeGroundStrip(playField);
        const Canvas panel = MakeScorePanel(chars);
        const Canvas title = MakeTitleScreen(chars);
        bool ok = WritePng(dir + "char.png", chars) && WritePng(dir + "run.png", run) &&
                  WritePng(dir + "bg.png", playField) && WritePng(dir + "scb00.png", panel) &&
                  WritePng(dir + "bg2.png", ground) && WritePng(dir + "title.png", title);
        if (ok && !sheet.empty())
            ok = WritePng(sheet, MakeContactSheet(chars, run, playField, ground, panel, title));
        return ok;
    };
    std::vector<std::function<bool()>> jobs = {
        [&] { return WriteMusic(dir, "bgm00"); },
        pictures,
        [&] { return WriteSoundEffects(dir); },
        [&] { return WriteMusic(dir, "gover"); },
        [&] { return WriteMusic(dir, "end"); },
    };
    std::vector<char> results(jobs.size(), 0);
    std::vector<std::thread> threads;
    for (size_t k = 0; k < jobs.size(); ++k)
        threads.emplace_back([&, k] {
            try {
                results[k] = jobs[k]() ? 1 : 0;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "assetgen: %s\n", e.what());
            }
        });
    for (std::thread& t : threads) t.join();
    for (char r : results)
        if (!r) return 1;
    return 0;
}
