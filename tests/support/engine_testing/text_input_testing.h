// Test-only entries to the shell's text input: a key-input field made without the input
// calls that would make one, and an observer of the per-frame text-input step. Part of the
// engine's testing library (linked by tests only); it works on the shell's TextInputState
// through the shell's internal header engine/app/text_input.h, as tests may.
#pragma once

// Makes a key-input field by the handle rules (kind 10) with a text buffer of
// max_length + 1 bytes and makes it the active field. Returns the handle or -1.
int CreateKeyInputHandleForTesting(int max_length, int escape_allowed, int single_byte_only, int digits_only);
// Called at the start of every StepTextInput (null: none).
void SetTextInputStepHookForTesting(void (*hook)());
