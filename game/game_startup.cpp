// What the game does before its first frame: the full-screen question, the eighteen data
// files in their fixed order, the start values of every game variable and the pad bits it
// reads. Relies on vomur.h; a file that fails to load leaves its handle -1.
#include "game_state.h"
#include "vomur.h"

namespace {

constexpr unsigned kYesNoQuestion = 0x24;  // Yes and No buttons, question icon
constexpr int kAnswerNo = 7;

constexpr const char* kSoundFiles[kSoundTotal] = {
    "dat/bom00.wav", "dat/out00.wav", "dat/shot00.wav", "dat/metal01.wav", "dat/metal00.wav", "dat/ufo00.wav",
    "dat/bari00.wav", "dat/atk00.wav", "dat/count.wav", "dat/bgm00.ogg", "dat/gover.ogg", "dat/end.ogg",
};

constexpr std::int32_t kDefaultRanking[10] = {15000, 14000, 13000, 12000, 10000, 8000, 6000, 4000, 2000, 1000};

}  // namespace

void AskFullScreen() {
    if (ApiShowMessageBox("FULL SCREEN GO", "フルスクリーンで起動しますか？", kYesNoQuestion) == kAnswerNo) {
        ApiChangeWindowMode(1);
    }
}

void LoadGameResources() {
    ApiLoadImageAsDivGraphs("dat/char.png", 48, 4, 12, 32, 32, g_game.char_pieces, 0);
    ApiLoadImageAsDivGraphs("dat/run.png", 4, 1, 4, 16, 16, g_game.run_pieces, 0);
    g_game.bg = ApiLoadImageAsGraph("dat/bg.png", 0);
    g_game.scb = ApiLoadImageAsGraph("dat/scb00.png", 0);
    g_game.bg2 = ApiLoadImageAsGraph("dat/bg2.png", 0);
    g_game.title = ApiLoadImageAsGraph("dat/title.png", 0);
    for (int i = 0; i < kSoundTotal; ++i) g_game.sounds[i] = ApiLoadSoundFile(kSoundFiles[i], 3, -1);
}

void InitGameState() {
    GameVariables& g = g_game;
    g.state = kStateTitle;
    g.player.x = 192.0;
    g.player.y = 368.0;
    g.player.fire_cooldown = 0;
    g.hit_rate = g.destroy_rate = 0.0;
    g.shots_fired = g.hits = g.ufos_destroyed = 0.0;
    g.ufos_sent = 0;
    for (int i = 0; i < 10; ++i) g.ranking[i] = kDefaultRanking[i];
    g.ranking[10] = 0;
    g.high_score = 15000;
    g.clock[0] = 2;
    g.clock[1] = g.clock[2] = g.clock[3] = g.clock[4] = 0;
    g.clock_running = 0;
    g.time_up = 0;
    g.wave_number = 0;
    g.wave_timer = 300;
    g.ranking_position = 0;
    g.score = 0;
    g.robots_lost = 0;
    g.title_cursor = 340;
    g.panel_x = 480;
    g.panel_y = 64;
    for (PlayerShot& shot : g.shots) shot = {-960.0, 368.0, 0};
    ResetExplosionsEffectsBullets();
    ResetUfos();
    ResetRobots();
    g.white = ApiMakeColorValue(255, 255, 255);
    g.grey = ApiMakeColorValue(100, 100, 100);
}

void InitPadBitIndices() {
    for (int i = 0; i < kPadBitCount; ++i) g_game.pad_bit[i] = i;
}
