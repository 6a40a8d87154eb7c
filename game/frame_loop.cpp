// The frame loop: start-up, the key and pad hold counters, the frame-rate meter, the 16 ms
// pacing, the state machine (title, play, game over, victory, quit to title) and the end.
// Relies on vomur.h and on every other part of the game through game_state.h.
#include <cstring>

#include "game_loop.h"
#include "game_state.h"
#include "vomur.h"

namespace {

constexpr int kBackBuffer = -2;
constexpr std::uint32_t kFrameMilliseconds = 16;
constexpr std::int32_t kEndScreenLastFrame = 250;

void ReturnToTitleAfterEndScreen() {
    GameVariables& g = g_game;
    if (g.end_screen_frames < kEndScreenLastFrame) {
        ++g.end_screen_frames;
        return;
    }
    g.ranking_position = 0;
    ResetGame();
    g.score = 0;
    g.state = kStateTitle;
    WriteSaveFile();
}

void RunPlayFrame() {
    GameVariables& g = g_game;
    if (g.music_started == 0) {
        PlayGameSound(kMusicPlay);
        g.music_started = 1;
    }
    if (g.clock[0] == 0 && g.clock[1] == 0 && g.clock[2] == 2 && g.count_sound_played == 0) {
        PlayGameSound(kSoundCount2s);
        g.count_sound_played = 1;
    }
    DrawWholeGraph(0, 0, g.bg);
    UpdatePlayerMovement();
    CheckQuitKey();
    UpdatePlayerShots();
    DrawPlayer();
    UpdateRobots();
    UpdateExplosions();
    UpdateUfos();
    UpdateBullets();
    UpdateWave();
    UpdateAttackPacing();
    UpdateAppearEffects();
    UpdateShieldEffects();
    UpdateScorePanel();
    CheckCollisions();
    g.wave_timer -= 1;
    if (g.robots_lost >= 5) g.state = kStateGameOverEntry;
}

// The work of the current state. The title's EXIT ends the engine; the frame then stops
// at once so that nothing calls the engine after its end.
void RunStateWork() {
    GameVariables& g = g_game;
    switch (g.state) {
        case kStateTitle:
            DrawTitleScreen();
            UpdateTitleMenu();
            if (g.engine_ended) return;
            UpdateScorePanel();
            g.end_screen_frames = 0;
            break;
        case kStatePlay:
            RunPlayFrame();
            break;
        case kStateGameOverEntry:
            DrawWholeGraph(416, 0, g.scb);
            g.state = kStateGameOver;
            UpdateScorePanel();
            break;
        case kStateGameOver:
            if (g.music_started == 1) {
                StopGameSound(kMusicPlay);
                PlayGameSound(kMusicGameOver);
                g.music_started = 0;
            }
            DrawText(170, 150, "GAMEOVER", g.white);
            DrawWholeGraph(416, 0, g.scb);
            UpdateScorePanel();
            ReturnToTitleAfterEndScreen();
            break;
        case kStateVictory:
            if (g.music_started == 1) {
                StopGameSound(kMusicPlay);
                PlayGameSound(kMusicVictory);
                g.music_started = 0;
            }
            DrawText(150, 150, "YOU DEFENDED!", g.white);
            DrawText(130, 180, "THANKS FOR PLAYING", g.white);
            DrawWholeGraph(416, 0, g.scb);
            UpdateScorePanel();
            ReturnToTitleAfterEndScreen();
            break;
        case kStateQuitToTitle:
            WriteSaveFile();
            g.ranking_position = 0;
            g.state = kStateTitle;
            break;
        default:
            break;
    }
}

}  // namespace

int UpdateKeyHoldCounters(std::uint32_t* counters) {
    // Defined every frame: a read that only restarts input leaves the buffer as it is.
    char keys[256];
    std::memset(keys, 0, sizeof keys);
    ApiReadAllKeyStates(keys);
    for (int i = 0; i < 256; ++i) counters[i] = keys[i] == 1 ? counters[i] + 1 : 0;
    UpdatePadHoldCounters();
    return 0;
}

void UpdatePadHoldCounters() {
    const int mask = ApiReadPadStateMask(1);
    for (int bit = 0; bit < 16; ++bit) {
        g_game.pad_hold[bit] = (mask & (1 << bit)) != 0 ? g_game.pad_hold[bit] + 1 : 0;
    }
}

int CheckStatePad(int bit) {
    if (static_cast<unsigned>(bit) >= 16u) {
        ApiScreenLogPrintf("CheckStatePadに渡した値が不正です\n");
        return -1;
    }
    return static_cast<int>(g_game.pad_hold[bit]);
}

void DrawFrameRateMeter() {
    GameVariables& g = g_game;
    const std::uint32_t now = ApiGetMillisecondTime();
    const unsigned slot = static_cast<std::uint32_t>(g.frame_counter) % kFpsSamples;
    g.fps_samples[slot] = static_cast<std::int32_t>(now - g.fps_last_sample);
    g.fps_last_sample = ApiGetMillisecondTime();
    if (slot == kFpsSamples - 1) {
        long long sum = 0;
        for (std::int32_t sample : g.fps_samples) sum += sample;
        g.fps_average = static_cast<std::int32_t>(sum / kFpsSamples);
    }
    if (g.fps_average != 0) {
        DrawTextFormat(480, 0, g.white, "%.1fFPS", 1000.0 / g.fps_average);
        DrawTextFormat(480, 20, g.white, "%dms", g.fps_average);
    }
}

void WaitFrameInterval() {
    GameVariables& g = g_game;
    if (g.wait_started) {
        const std::uint32_t elapsed = ApiGetMillisecondTime() - g.last_wait_time;
        if (elapsed < kFrameMilliseconds) ApiSleepMilliseconds(kFrameMilliseconds - elapsed);
    }
    g.wait_started = 1;
    g.last_wait_time = ApiGetMillisecondTime();
}

int GameStartUp() {
    // A fresh program: every variable starts at zero, as static storage does.
    g_game = GameVariables{};
    ApiSetWindowTitleText("TRELLIGAN");
    AskFullScreen();
    ApiSetLogFileOutput(0);
    if (ApiInitializeLibrary() == -1) return -1;
    if (ApiChooseDrawTarget(kBackBuffer) != 0) {
        ApiTerminateLibrary();
        return -1;
    }
    LoadGameResources();
    InitGameState();
    InitPadBitIndices();
    LoadSaveFile();
    // The first frame-rate sample measures one frame, not the whole start-up.
    g_game.fps_last_sample = ApiGetMillisecondTime();
    if (ApiProcessWindowMessages() != 0) return 1;
    return 0;
}

int RunOneFrame() {
    GameVariables& g = g_game;
    if (g.engine_ended) return 1;
    if (ApiClearDrawTarget() != 0) return 1;
    if (UpdateKeyHoldCounters(g.key_hold) != 0) return 1;
    if (g.key_hold[kKeyEscape] != 0) return 1;
    DrawFrameRateMeter();
    g.frame_counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(g.frame_counter) + 1u);
    WaitFrameInterval();
    RunStateWork();
    if (g.engine_ended) return 1;
    ApiFlipScreen();
    if (ApiProcessWindowMessages() != 0) return 1;
    return 0;
}

void GameShutDown() {
    // After the title's EXIT the engine has ended already; nothing more is asked of it.
    if (!g_game.engine_ended) ApiTerminateLibrary();
}

int RunTrelligan() {
    const int started = GameStartUp();
    if (started == -1) return -1;
    if (started == 0) {
        while (RunOneFrame() == 0) {
        }
    }
    GameShutDown();
    return 0;
}
