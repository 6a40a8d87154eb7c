// What the game benchmarks share: a private game folder over the built dat/, and the
// scripted player that brings the first wave to its busy stretch.
#pragma once

#include <filesystem>

#include "game/game_view.h"
#include "platform/testing/input_testing.h"

// Makes a folder (named from `prefix`) holding the built dat/ and private lock files, and
// makes it the current directory; the full-screen question is answered "No".
std::filesystem::path EnterGameFolder(const char* prefix);

// The scripted player: fires every third frame, walks under the lowest UFO.
void SetBotKeys(ScriptedInput& input, const GameVariables& game, int frame);

// From a started game: Z on the title, then the bot up to the first wave's "GO!", where the
// whole formation is in place and starts to fight. Answers the next frame's number.
int PlayToFirstGo(ScriptedInput& input);
