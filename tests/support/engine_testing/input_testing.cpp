// Sets the input state's start-up refusal.
#include "tests/support/engine_testing/input_testing.h"

#include "engine/input/input_state.h"

void SetInputStartupFailureForTesting(int fail) { GetInputState()->refuse_startup = fail; }
