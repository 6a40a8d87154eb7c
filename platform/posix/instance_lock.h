// Lock files that mark a window class as running: one file per class name, held with
// flock while a window of the class exists, so a second process finds the first.
// Used by the window layer only.
#pragma once

namespace instance_lock {

// Takes the class's lock; the descriptor to give back, or -1 when another process
// holds it (or the file cannot be made).
int Acquire(const char* class_name);
// Removes the file and lets the lock go.
void Release(int descriptor, const char* class_name);
// True while another process (or another open in this one) holds the class's lock.
bool IsHeld(const char* class_name);

}  // namespace instance_lock
