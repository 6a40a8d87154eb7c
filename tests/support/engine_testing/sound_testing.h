// Test-only entry to the sound room: seeking a stream sound, which the engine no longer
// does. Part of the engine's testing library (linked by tests only); it moves the stream
// through the room's internal header sound_records.h.
#pragma once

// Puts a stream sound at a time of its data (the first sample at or after `position_ms`;
// its sources in order, each counted once; beyond the end is the end). A playing stream
// plays on from there, a stopped one starts there when next played with restart 0. 0, or
// -1 for a bad handle or a whole-file sound.
int SeekStreamSound(int sound, int position_ms);
