// The engine calls every part of the game shares: sprite-sheet pieces drawn at truncated
// positions, white text, sounds by name, random numbers; and the test-only trace of text
// and sounds. Relies on vomur.h and the resource handles of game_state.h.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "game_state.h"
#include "game_view.h"
#include "vomur.h"

GameVariables g_game;

namespace {
std::vector<GameTraceEvent>* g_trace = nullptr;
constexpr int kTextBufferBytes = 1024;  // the engine's formatting buffer
}  // namespace

const GameVariables& GameView() { return g_game; }
void SetGameTrace(std::vector<GameTraceEvent>* sink) { g_trace = sink; }

int TruncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

void DrawPiece(double x, double y, int piece) {
    ApiDrawGraphAtPoint(TruncateToInt(x), TruncateToInt(y), g_game.char_pieces[piece], 1);
}

void DrawWholeGraph(int x, int y, int graph) { ApiDrawGraphAtPoint(x, y, graph, 1); }

void DrawText(int x, int y, const char* text, std::uint32_t color) {
    if (g_trace != nullptr) g_trace->push_back({GameTraceEvent::kText, x, y, text, -1});
    ApiDrawStringWithDefaultFont(x, y, text, color, 0);
}

void DrawTextFormat(int x, int y, std::uint32_t color, const char* format, ...) {
    char buffer[kTextBufferBytes];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (g_trace != nullptr) g_trace->push_back({GameTraceEvent::kText, x, y, buffer, -1});
    ApiDrawTextFormatted(x, y, color, "%s", buffer);
}

void PlayGameSound(SoundId sound) {
    if (g_trace != nullptr) g_trace->push_back({GameTraceEvent::kPlay, 0, 0, {}, sound});
    ApiPlaySoundHandle(g_game.sounds[sound], 1, 1);
}

void StopGameSound(SoundId sound) {
    if (g_trace != nullptr) g_trace->push_back({GameTraceEvent::kStop, 0, 0, {}, sound});
    ApiStopSoundHandle(g_game.sounds[sound]);
}

int RandomUpTo(int n) { return ApiGetRandomInt(n); }
