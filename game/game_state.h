// TRELLIGAN's whole state: one record of fixed arrays and plain values that lives for the
// run, the constants the game's parts share, and the operations each part gives the frame
// loop. The game reaches the engine only through vomur.h.
#pragma once

#include <cstdint>

// ---- game states, keys, pad bits --------------------------------------------------------
enum : std::int32_t {
    kStateTitle = 0,
    kStatePlay = 1,
    kStateGameOverEntry = 3,
    kStateGameOver = 4,
    kStateVictory = 777,
    kStateQuitToTitle = 888,
};

enum : int {
    kKeyEscape = 0x01,
    kKeyQ = 0x10,
    kKeyZ = 0x2C,
    kKeyUp = 0xC8,
    kKeyLeft = 0xCB,
    kKeyRight = 0xCD,
    kKeyDown = 0xD0,
};

// Places in PadBitIndex.
enum : int { kPadDown = 0, kPadLeft, kPadRight, kPadUp, kPadButton1, kPadButton2, kPadBitCount };

// The sounds, in the order they are loaded.
enum SoundId : int {
    kSoundExplosion = 0,  // bom00
    kSoundPlayerHit,      // out00
    kSoundShot,           // shot00
    kSoundBonus,          // metal01
    kSoundUfoHurt,        // metal00
    kSoundCarry,          // ufo00
    kSoundShimmer,        // bari00
    kSoundAttack,         // atk00
    kSoundCount2s,        // count
    kMusicPlay,           // bgm00
    kMusicGameOver,       // gover
    kMusicVictory,        // end
    kSoundTotal
};

constexpr int kUfoSlots = 64;
constexpr int kRobotSlots = 5;
constexpr int kBulletSlots = 64;
constexpr int kExplosionSlots = 96;
constexpr int kAppearEffectSlots = 64;
constexpr int kShieldEffectSlots = 16;
constexpr int kFormationDone = 666;
constexpr int kFpsSamples = 60;

// ---- records ----------------------------------------------------------------------------
struct PlayerRecord {
    double x, y;
    std::int32_t facing_left, facing_right;
    std::int32_t walk_stage, walk_counter;
    std::int32_t hit, hit_stage, hit_counter;
    std::int32_t rising;
    std::int32_t fire_cooldown;
};

struct PlayerShot {
    double x, y;
    std::int32_t active;
};

struct UfoRecord {
    double x, y;
    double target_x, target_y;
    std::int32_t active;
    std::int32_t state;  // 0 waiting in formation, 2 fighting, 8 retreating
    std::int32_t carrying;
    std::int32_t formation_index;
    std::int32_t attacking;
    std::int32_t last_index;
    std::int32_t sway_step;
    std::int32_t hit_points;
    std::int32_t flash_counter;
    std::int32_t attack_counter;
    std::int32_t wiggle_counter;
    std::int32_t shielded;
    std::int32_t appeared;
    double heading;
    double kind;  // 0 gunner, 1 heavy, 2 grabber, 3 grabber that sank below y 450
    double chosen_robot;
};

struct RobotRecord {
    double x, y;
    std::int32_t placed;
    std::int32_t picture;
    std::int32_t state;  // 0 standing, 1 carried, 2 falling, 44 lost
};

struct BulletRecord {
    double x, y;
    double start_x, start_y;
    double target_x, target_y;
    double heading;
    std::int32_t active;
};

struct ExplosionRecord {
    double x, y;
    std::int32_t active;
    std::int32_t kind;     // 2 destroyed while fighting, 8 while retreating
    std::int32_t counter;  // 20 when idle
};

struct EffectRecord {
    double x, y;
    std::int32_t active;
    std::int32_t counter;  // 20 when idle
};

struct GameVariables {
    // frame loop
    std::int32_t state;
    std::int32_t frame_counter;
    std::uint32_t key_hold[256];
    std::uint32_t pad_hold[16];
    std::int32_t pad_bit[kPadBitCount];
    std::uint32_t last_wait_time;
    std::int32_t wait_started;  // the first frame has no previous time and does not sleep
    std::int32_t fps_samples[kFpsSamples];
    std::uint32_t fps_last_sample;
    std::int32_t fps_average;
    std::int32_t music_started;
    std::int32_t count_sound_played;
    std::int32_t end_screen_frames;
    std::int32_t engine_ended;  // the title's EXIT ended the engine: no engine call after it
    std::uint32_t white, grey;

    // resources
    int char_pieces[48];
    int run_pieces[4];
    int bg, scb, bg2, title;
    int sounds[kSoundTotal];

    // score panel, ranking, clock, rates
    std::int32_t score;
    std::int32_t high_score;
    std::int32_t ranking[11];  // 1st to 10th, then the candidate slot
    std::int32_t ranking_position;
    std::int32_t marker_counter;
    std::int32_t save_record[10];
    std::int32_t clock[5];  // minutes, tens of seconds, seconds, tens of frames, frames
    std::int32_t clock_running;
    std::int32_t time_up;
    double shots_fired, hits, ufos_destroyed;
    std::int32_t ufos_sent;
    double hit_rate, destroy_rate;
    std::int32_t title_cursor;
    std::int32_t panel_x, panel_y;

    // player and shots
    PlayerRecord player;
    PlayerShot shots[2];

    // UFOs and formations
    UfoRecord ufos[kUfoSlots];
    std::int32_t formation_set;
    std::int32_t next_formation_index;
    std::int32_t spawn_counter;
    std::int32_t carry_sound_counter;
    std::int32_t grabber_rising;

    // robots, bullets, explosions, effects
    RobotRecord robots[kRobotSlots];
    std::int32_t robot_placement;
    std::int32_t robots_lost;
    BulletRecord bullets[kBulletSlots];
    ExplosionRecord explosions[kExplosionSlots];
    EffectRecord appear_effects[kAppearEffectSlots];
    EffectRecord shield_effects[kShieldEffectSlots];

    // waves
    std::int32_t wave_timer;
    std::int32_t wave_number;
    std::int32_t intro_counter;
    std::int32_t wave_phase;
    std::int32_t message_timer;
    std::int32_t attack_timer;
    std::int32_t attack_index;
    double result_hit_rate, result_destroy_rate, result_bonus;
    std::int32_t time_up_counter;
    std::int32_t robot_bonus;
};

// The one instance, zero at program start.
extern GameVariables g_game;

// ---- engine calls the game shares (game_calls.cpp) --------------------------------------
void DrawPiece(double x, double y, int piece);
void DrawWholeGraph(int x, int y, int graph);
void DrawText(int x, int y, const char* text, std::uint32_t color);
void DrawTextFormat(int x, int y, std::uint32_t color, const char* format, ...) __attribute__((format(printf, 4, 5)));
void PlayGameSound(SoundId sound);
void StopGameSound(SoundId sound);
// A random integer from 0 to n inclusive.
int RandomUpTo(int n);
// A double truncated toward zero and held to the int range (NaN gives 0).
int TruncateToInt(double value);

// ---- start-up (game_startup.cpp) ------------------------------------------------------------
void AskFullScreen();
void LoadGameResources();
void InitGameState();
void InitPadBitIndices();

// ---- frame loop (frame_loop.cpp) --------------------------------------------------------
int UpdateKeyHoldCounters(std::uint32_t* counters);
void UpdatePadHoldCounters();
int CheckStatePad(int bit);
void DrawFrameRateMeter();
void WaitFrameInterval();

// ---- title, panel, ranking, clock, rates, reset (title_panel.cpp) -----------------------
void DrawTitleScreen();
void UpdateTitleMenu();
void UpdateScorePanel();
void DrawScoreAndRanking();
void UpdateClock();
void UpdateHitRate();
void UpdateDestroyRate();
void ResetGame();
void ResetPlayAndClock();

// ---- save file (save_file.cpp) ------------------------------------------------------------
void LoadSaveFile();
void WriteSaveFile();

// ---- player and shots (player_shots.cpp) --------------------------------------------------
bool LeftHeld();
bool RightHeld();
bool FirePressed();
void UpdatePlayerMovement();
void CheckQuitKey();
void UpdatePlayerShots();
void DrawPlayer();

// ---- UFOs (ufos.cpp) ----------------------------------------------------------------------
void UpdateUfos();
void ResetUfos();

// ---- robots, bullets, explosions, effects (field_objects.cpp) -------------------------------
void UpdateRobots();
void UpdateExplosions();
void UpdateBullets();
void UpdateAppearEffects();
void UpdateShieldEffects();
void ResetRobots();
void ResetExplosionsEffectsBullets();
void StartAimedBullet(double x, double y);
void StartExplosion(double x, double y, int kind);
bool StartAppearEffect(double x, double y);
bool StartShieldEffect(double x, double y);

// ---- collisions (collisions.cpp) ----------------------------------------------------------
void CheckCollisions();

// ---- waves (waves.cpp) ----------------------------------------------------------------------
void UpdateWave();
void UpdateAttackPacing();
