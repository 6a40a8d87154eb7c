// Test-only entry to the input room: a start-up that fails at once. Part of the engine's
// testing library (linked by tests only); it sets the refusal field of the room's state
// record through the room's internal header input_state.h, as tests may.
#pragma once

// While non-zero, InitializeInput reports a failed start-up (-1) at once, touching nothing.
void SetInputStartupFailureForTesting(int fail);
