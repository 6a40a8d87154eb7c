// For tests only: a read-only view of the game's variables, and a trace of the text the
// game draws and the sounds it plays and stops (the engine may draw or play nothing of
// them, with no font or sound device). The program itself never switches the trace on.
#pragma once

#include <string>
#include <vector>

#include "game_state.h"

const GameVariables& GameView();

struct GameTraceEvent {
    enum Kind { kText, kPlay, kStop } kind;
    int x, y;          // text only
    std::string text;  // text only, as drawn (CP932)
    int sound;         // SoundId, sounds only
};

// Events are appended to `sink` while it is set; nullptr stops the trace.
void SetGameTrace(std::vector<GameTraceEvent>* sink);
