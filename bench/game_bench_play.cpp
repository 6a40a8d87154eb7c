// The game benchmarks' shared folder set-up and scripted player.
#include "bench/game_bench_play.h"

#include <cstdlib>
#include <string>

#include "game/game_loop.h"

std::filesystem::path EnterGameFolder(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::_Exit(2);
    const std::filesystem::path dir = pattern;
    std::filesystem::create_directory_symlink(VOMUR_BENCH_DAT_DIR, dir / "dat");
    std::filesystem::create_directories(dir / "locks");
    std::filesystem::current_path(dir);
    setenv("VOMUR_LOCK_DIR", (dir / "locks").c_str(), 1);
    setenv("VOMUR_MESSAGE_BOX_ANSWER", "7", 1);
    return dir;
}

void SetBotKeys(ScriptedInput& input, const GameVariables& game, int frame) {
    (frame % 3 == 0) ? input.Press(kKeyZ) : input.Release(kKeyZ);
    const UfoRecord* aim = nullptr;
    for (const UfoRecord& u : game.ufos) {
        if (u.active && u.x >= 0 && u.x <= 400 && (aim == nullptr || u.y > aim->y)) aim = &u;
    }
    const double dx = aim != nullptr ? aim->x - game.player.x : 0.0;
    dx > 2 ? input.Press(kKeyRight) : input.Release(kKeyRight);
    dx < -2 ? input.Press(kKeyLeft) : input.Release(kKeyLeft);
}

int PlayToFirstGo(ScriptedInput& input) {
    RunOneFrame();
    input.Press(kKeyZ);
    RunOneFrame();
    input.Release(kKeyZ);
    int frame = 1;
    for (; GameView().intro_counter != 151 && frame < 1000; ++frame) {
        SetBotKeys(input, GameView(), frame);
        RunOneFrame();
    }
    return frame;
}
