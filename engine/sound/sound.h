// The sound room's door: start-up and shutdown, the per-frame steps that message
// processing runs, the window procedure's MCI notification, whole-file and stream sound
// handles (loaded from WAV, MP3 and Ogg Vorbis files, plain or inside archives), and the
// stream sources the movie player feeds from its own streams.
#pragma once

#include <cstdint>

#include "engine/file/file.h"

// ---- start-up, shutdown and the per-frame steps ------------------------------------------
// -1 when already up or when there is no sound device; the engine then runs silent and
// every sound operation answers -1.
int InitializeSoundSystem();
int TerminateSoundSystem();
int StopCurrentMusic();
int RefillAllStreamSounds();
int PollMusicPlayState();
int HandleMciNotify();

// ---- sound handles ---------------------------------------------------------------------
// Creation type: 0 whole-file sounds (decoded at load, up to ten overlapping buffers);
// 2 and 3 stream sounds (file image held in memory, or read from the file while
// playing). -1 for a type outside 0..3.
int SetSoundDataCreateType(int type);
int GetSoundDataCreateType();
// The movie-sound switch: 1 while the movie player loads a movie file's sound track, so
// that files are read only as Ogg Vorbis (the track beside the pictures); 0 otherwise.
int SetMovieSoundSwitch(int on);
// A new empty handle, or -1.
int AddSoundData();
int DeleteSoundHandle(int sound);
int DeleteAllSoundHandles();

// A new handle holding the file, or -1. `buffer_count` (1-10; more counts as 10) is the
// number of plays that can sound at once; `shared_stream` -1, or a stream sound whose
// ring buffer a new stream sound uses.
int LoadSoundFile(const char* file_name, int buffer_count, int shared_stream);
int LoadSoundFileToHandle(const char* file_name, int buffer_count, int shared_stream);
// Play types: 0 play and wait until the sound ends, 3 loop, others play once.
// from_top: 1 from the start; 0 leave a playing buffer alone and start others where the
// previous play is now; other values restart at that place.
int PlaySoundHandle(int sound, int play_type, int from_top);
int StopSoundHandle(int sound);
// 1 playing, 0 not, -1 bad handle.
int CheckSoundHandlePlaying(int sound);
int GetSoundPlayPositionMs(int sound);
int GetSoundTotalSamples(int sound);
int GetSoundTotalLengthMs(int sound);

// ---- stream sounds ---------------------------------------------------------------------
// Source kinds: 2 the stream's bytes are copied and decoded from memory; 3 decoded from
// the caller's stream while playing (it must stay open as long as the sound).
// `close_stream` receives 1 when the caller may close its stream now.
int AddSreamSound(const StreamDescriptor& stream, int repeat_count, int sound, int kind, int* close_stream,
                  int shared_stream);
int AddStreamSoundFile(const char* file_name, int repeat_count, int sound, int kind, int shared_stream);
int PrimeStreamSound(int sound);
int PlayStreamSound(int sound, int play_type, int from_top);
int StopStreamSound(int sound);
int CheckStreamSoundPlaying(int sound);
int GetStreamPlayPositionMs(int sound);
int RefillStreamSound(int sound);
