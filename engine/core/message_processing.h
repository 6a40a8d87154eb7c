// The engine's per-frame heartbeat: applies a pending window-mode toggle, drains the
// window message queue, holds the program while the window is inactive (keeping the
// background work going) and runs the per-frame steps of sound, input, network and text
// input.
#pragma once

// 0 go on, -1 quit requested.
int ProcessWindowMessages();
// Blocks a drawing or input call while the window is inactive.
void WaitWhileInactive();
