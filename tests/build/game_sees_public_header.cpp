// Compiled with a game's include path, built with the tests: the public header must do.
#include "vomur.h"

int GameLayeringProbe() { return ApiProcessWindowMessages(); }
