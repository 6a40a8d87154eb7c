// The shell's door: the engine's life cycle and its per-frame heartbeat, for the public
// entry layer and the tests. No room of the engine includes it; what the rooms below ask
// of the shell goes through the table in engine/core/core_shell_hooks.h, installed at start-up.
// Everything here runs on the thread that owns the main window.
#pragma once

// Brings the whole engine up in its fixed order (installing the shell hooks first), and
// down in another. 0, or -1 when start-up failed and was undone.
int InitializeLibrary();
int TerminateLibrary();
// The per-frame heartbeat. 0 go on, -1 quit requested.
int ProcessWindowMessages();
// Blocks a drawing or input call while the window is inactive.
void WaitWhileInactive();
