// The input operations that engine start-up, shutdown, the window procedure and message
// processing call now live in the input subsystem; this header forwards to it and keeps
// the start-up test hook the engine's own start-up tests use.
#pragma once

#include "engine/input/input.h"

// Test hook: while non-zero, InitializeInput reports a failed start-up (-1) at once,
// touching nothing.
void SetInputStartupFailureForTesting(int fail);
