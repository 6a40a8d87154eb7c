// TRELLIGAN's process entry: it reads no argument and hands over to the game's spine.
#include "game_loop.h"

int main() { return RunTrelligan(); }
